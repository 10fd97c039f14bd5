// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/favourites.h"

namespace vantor::store {

namespace {
std::string Key(std::size_t i, char suffix) { return std::to_string(i) + suffix; }
}  // namespace

std::vector<Favourite> ReadFavourites(const Settings& settings) {
  std::vector<Favourite> out;
  if (!settings.SectionExists(kFavouritesSection)) return out;
  const int count = settings.ReadInteger(kFavouritesSection, "Count", 0);
  for (int i = count - 1; i >= 0; --i) {
    const auto at = static_cast<std::size_t>(i);
    out.push_back({settings.ReadString(kFavouritesSection, Key(at, 'a'), ""),
                   settings.ReadInteger(kFavouritesSection, Key(at, 'b'), 0),
                   settings.ReadString(kFavouritesSection, Key(at, 'c'), "")});
  }
  return out;
}

void WriteFavourites(Settings& settings, const std::vector<Favourite>& favourites) {
  settings.hive().WriteTransaction([&] {
    settings.EraseSection(kFavouritesSection);
    if (favourites.empty()) return;
    settings.WriteInteger(kFavouritesSection, "Count", static_cast<std::int32_t>(favourites.size()));
    for (std::size_t i = favourites.size(); i-- > 0;) {
      const Favourite& f = favourites[i];
      settings.WriteString(kFavouritesSection, Key(i, 'a'), f.name);
      settings.WriteInteger(kFavouritesSection, Key(i, 'b'), f.kind);
      settings.WriteString(kFavouritesSection, Key(i, 'c'), f.comment);
    }
  });
}

}  // namespace vantor::store
