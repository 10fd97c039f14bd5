#include "gui/favourites_io.h"

#include "gui/item_model.h"
#include "store/settings.h"

#include <string>

namespace vantor::gui {

namespace {
constexpr const char* kSection = "Main\\Favourites";
std::string Key(int i, char suffix) { return std::to_string(i) + suffix; }
}  // namespace

void LoadFavourites(const store::Settings& settings, ItemModel& view) {
  if (!settings.SectionExists(kSection)) return;
  const int count = settings.ReadInteger(kSection, "Count", 0);
  view.BeginUpdate();
  for (int i = count - 1; i >= 0; --i) {
    ItemRow row;
    row.name = QString::fromStdString(settings.ReadString(kSection, Key(i, 'a'), ""));
    row.kind = settings.ReadInteger(kSection, Key(i, 'b'), 0);
    row.comment = QString::fromStdString(settings.ReadString(kSection, Key(i, 'c'), ""));
    view.Append(std::move(row));
  }
  view.EndUpdate(true);
}

void SaveFavourites(store::Settings& settings, const ItemModel& view) {
  settings.EraseSection(kSection);
  const int count = view.Count();
  if (count == 0) return;
  settings.WriteInteger(kSection, "Count", count);
  for (int i = count - 1; i >= 0; --i) {
    const ItemRow& r = view.Row(i);
    settings.WriteString(kSection, Key(i, 'a'), r.name.toStdString());
    settings.WriteInteger(kSection, Key(i, 'b'), r.kind);
    settings.WriteString(kSection, Key(i, 'c'), r.comment.toStdString());
  }
}

}  // namespace vantor::gui
