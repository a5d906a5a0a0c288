#include "tools/dictbuild/StemGroups.h"

#include <string_view>

#include "engine/Cp1251.h"
#include "tools/dictbuild/Normalise.h"

namespace vuruzid::dictbuild {

StemGroups GroupFormsByEntry(const std::vector<std::string>& dictionaryLines,
                             const std::vector<std::string>& expansionLines) {
  std::vector<std::string_view> roots;
  for (size_t i = 1; i < dictionaryLines.size(); ++i) {
    const std::string_view root = WordOnLine(dictionaryLines[i]);
    if (!root.empty()) roots.push_back(root);
  }
  StemGroups groups;
  groups.entries = roots.size();
  size_t nextRoot = 0;
  for (const auto& line : expansionLines) {
    const std::string_view form = cp1251::Trim(line);
    if (form.empty()) continue;
    if (nextRoot < roots.size() && form == roots[nextRoot]) {
      ++nextRoot;
      if (!groups.starts.empty()) groups.starts.pop_back();
      groups.starts.push_back(static_cast<uint32_t>(groups.forms.size()));
      groups.starts.push_back(static_cast<uint32_t>(groups.forms.size()));
    } else if (groups.starts.empty()) {
      ++groups.strayLines;
      continue;
    }
    if (auto spelled = NormaliseWord(form)) {
      groups.dictionaryCases[*spelled] |= CaseOf(form);
      groups.forms.push_back(std::move(*spelled));
      groups.starts.back() = static_cast<uint32_t>(groups.forms.size());
    }
  }
  groups.missingRoots = roots.size() - nextRoot;
  return groups;
}

}  // namespace vuruzid::dictbuild
