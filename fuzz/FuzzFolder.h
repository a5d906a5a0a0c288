#pragma once

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <string_view>

#include <unistd.h>

// One scratch folder per fuzzing process, made at the first call and removed
// when the process ends normally. Inputs that go through files are written
// into it; every run overwrites what the previous one left.
namespace vuruzid::fuzz {

inline const std::filesystem::path& ScratchFolder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "vuruzid-fuzz-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw std::runtime_error("cannot create a scratch folder");
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(ScratchFolder(), ec);
    });
    return std::filesystem::path(pattern);
  }();
  return folder;
}

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

inline std::string ReadFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Stops the run with a message libFuzzer shows next to the input that broke
// the rule (abort is what it reports as a crash).
[[noreturn]] inline void Broken(const char* rule) {
  std::fprintf(stderr, "broken: %s\n", rule);
  std::abort();
}
#define VURUZID_FUZZ_CHECK(condition)                      \
  do {                                                     \
    if (!(condition)) ::vuruzid::fuzz::Broken(#condition); \
  } while (false)

}  // namespace vuruzid::fuzz
