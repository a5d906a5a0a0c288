#include "engine/CaseForms.h"

#include <algorithm>
#include <cstring>

#include "engine/LittleEndian.h"
#include "platform/AtomicFile.h"
#include "platform/WholeFile.h"

namespace vuruzid {
namespace {

constexpr char kMagic[8] = {'Q', 'V', 'C', 'A', 'S', 'E', '\r', '\n'};
constexpr uint32_t kVersion = 1;
constexpr size_t kHeaderBytes = 20;
constexpr uint8_t kUnusedCode = 3;

uint32_t Fnv1a(const uint8_t* bytes, size_t size) {
  uint32_t hash = 2166136261u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ bytes[i]) * 16777619u;
  return hash;
}

size_t CodeBytes(size_t count) { return (count + 3) / 4; }

}  // namespace

std::filesystem::path CaseForms::SideFileOf(const std::filesystem::path& library) {
  std::filesystem::path side = library;
  return side.replace_extension(kSideFileExtension);
}

std::optional<CaseForms> CaseForms::Load(const std::filesystem::path& path, size_t libraryWords, std::string* error) {
  const auto fail = [&](const std::string& why) -> std::optional<CaseForms> {
    if (error) *error = path.filename().string() + " " + why;
    return std::nullopt;
  };
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return fail("is missing");
  const auto file = platform::WholeFile::Read(path);
  if (!file) return fail("cannot be read");
  const std::string_view data = file->Bytes();
  const auto* bytes = reinterpret_cast<const unsigned char*>(data.data());
  if (data.size() < kHeaderBytes || std::memcmp(bytes, kMagic, sizeof kMagic) != 0 || ReadU32(bytes + 8) != kVersion)
    return fail("is not a letter case file of this program");
  const size_t count = ReadU32(bytes + 12);
  if (count != libraryWords) return fail("was made for another dictionary (its word count differs)");
  if (data.size() != kHeaderBytes + CodeBytes(count)) return fail("is damaged (its size is wrong)");

  CaseForms table;
  table.count_ = count;
  table.codes_.assign(bytes + kHeaderBytes, bytes + data.size());
  if (Fnv1a(table.codes_.data(), table.codes_.size()) != ReadU32(bytes + 16)) return fail("is damaged");
  for (size_t i = 0; i < count; ++i)
    if (static_cast<uint8_t>(table.At(i)) == kUnusedCode) return fail("is damaged (an unknown case)");
  return table;
}

CaseForms CaseForms::FromCases(const std::vector<FormCase>& cases) {
  CaseForms table;
  table.count_ = cases.size();
  table.codes_.assign(CodeBytes(cases.size()), 0);
  for (size_t i = 0; i < cases.size(); ++i)
    table.codes_[i / 4] |= static_cast<uint8_t>(static_cast<uint8_t>(cases[i]) << (2 * (i % 4)));
  return table;
}

std::string CaseForms::FileBytes() const {
  std::string out(kMagic, sizeof kMagic);
  AppendU32(out, kVersion);
  AppendU32(out, static_cast<uint32_t>(count_));
  AppendU32(out, Fnv1a(codes_.data(), codes_.size()));
  out.append(reinterpret_cast<const char*>(codes_.data()), codes_.size());
  return out;
}

bool WriteCaseForms(const std::filesystem::path& path, const CaseForms& table, std::string* error) {
  if (platform::ReplaceFileAtomically(path, table.FileBytes(), platform::NewFileAccess::Shared)) return true;
  if (error) *error = "cannot write " + path.string();
  return false;
}

FormCase CaseOfListedForm(const CaseForms& table, const LanguageLibrary& library, const WordList& list,
                          std::string_view form) {
  if (!list.InByteOrder() || list.size() < table.size()) return FormCase::Any;
  const std::optional<size_t> index = list.FindExact(form);
  if (!index) return FormCase::Any;
  // The user's words stand among the library's: a library word at list index
  // i has at most (list size - library size) of them before it.
  const size_t inserted = list.size() - table.size();
  size_t lo = *index - std::min(*index, inserted);
  size_t hi = std::min(*index + 1, table.size());
  while (lo < hi) {
    const size_t mid = lo + (hi - lo) / 2;
    const std::string_view word = library.LoadString(static_cast<uint32_t>(mid + 1));
    if (word == form) return table.At(mid);
    if (word < form)
      lo = mid + 1;
    else
      hi = mid;
  }
  return FormCase::Any;
}

}  // namespace vuruzid
