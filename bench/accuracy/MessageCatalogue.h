#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace vuruzid::bench {

// The translations of a compiled message catalogue (.mo), one after another,
// each ended by a line end; plural forms included. Nothing when the file is
// not a catalogue.
std::optional<std::string> CatalogueTranslations(const std::filesystem::path& path);
// The original (English) messages, the same way; a message's context is left out.
std::optional<std::string> CatalogueOriginals(const std::filesystem::path& path);

}  // namespace vuruzid::bench
