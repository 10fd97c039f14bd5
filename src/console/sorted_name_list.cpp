// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/sorted_name_list.h"

namespace vantor::console {

std::size_t SplitNames(std::string_view text, SortedNameList& target) {
  for (std::size_t comma = text.find(','); comma != std::string_view::npos; comma = text.find(',')) {
    if (comma != 0) target.Add(text.substr(0, comma));
    text = TrimBlanks(text.substr(comma + 1));
  }
  if (!text.empty()) target.Add(text);
  return target.size();
}

}  // namespace vantor::console
