#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/LanguageLibrary.h"
#include "engine/WordList.h"

namespace vuruzid {

// How the dictionary's sources write a form: the libraries hold every word in
// capitals, so a name (Paris) or an abbreviation (NASA) would otherwise pass
// when typed in lower case.
enum class FormCase : uint8_t {
  Any = 0,          // some spelling is all lower case (cat; also a name that is a word too)
  Capitalised = 1,  // only with capitals, not all of them: a name (Paris, McDonald)
  Capitals = 2,     // only in capitals: an abbreviation (NASA, OT)
};

// The case of every word of a language library, by its position, read from a
// side file beside it ("english.dll" has "english.cas"): two bits a word, so
// the Russian library's 1.37 million words take about 340 KB.
//
// On disk (little-endian):
//   magic "QVCASE\r\n" (8 bytes), format version (uint32 = 1),
//   the library's word count N (uint32), FNV-1a hash of the codes (uint32),
//   (N + 3) / 4 bytes of codes: word i in bits 2 * (i % 4) of byte i / 4.
// Code 3 is never written; the bits after the last word are zero.
class CaseForms {
 public:
  static constexpr std::string_view kSideFileExtension = ".cas";
  // The side file that belongs to the language library at `library`.
  static std::filesystem::path SideFileOf(const std::filesystem::path& library);

  // Reads and checks a side file made for a library of `libraryWords` words;
  // nothing, with the reason in `error`, when it is missing, unreadable,
  // damaged or made for another library.
  static std::optional<CaseForms> Load(const std::filesystem::path& path, size_t libraryWords, std::string* error);
  // The table of `cases`, one per library word in library order.
  static CaseForms FromCases(const std::vector<FormCase>& cases);

  size_t size() const { return count_; }
  FormCase At(size_t position) const {
    return static_cast<FormCase>((codes_[position / 4] >> (2 * (position % 4))) & 3);
  }
  // The memory the table holds.
  size_t Bytes() const { return codes_.capacity(); }
  // The table as side file bytes.
  std::string FileBytes() const;

 private:
  std::vector<uint8_t> codes_;
  size_t count_ = 0;
};

// Writes `table` as a side file at `path` (atomically, readable by all);
// false, with the reason in `error`, when it cannot be written.
bool WriteCaseForms(const std::filesystem::path& path, const CaseForms& table, std::string* error);

// The case of `form` (upper case) as `table` records it for `library`, whose
// words `list` views with the user's words inserted among them: Any for a
// word the library lacks (the user's own), or while the list is out of order.
FormCase CaseOfListedForm(const CaseForms& table, const LanguageLibrary& library, const WordList& list,
                          std::string_view form);

}  // namespace vuruzid
