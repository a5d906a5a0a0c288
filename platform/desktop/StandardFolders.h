#pragma once

#include <filesystem>

namespace vuruzid::platform {

// The user's folder of application menu entries (created when missing, as a
// fresh account may not have it yet); empty when it cannot be determined.
std::filesystem::path ApplicationsFolder();

// The user's desktop folder when it exists; empty otherwise.
std::filesystem::path DesktopFolder();

}  // namespace vuruzid::platform
