#pragma once
// Favourites in the store, below Forms: Main\Favourites holds Count and, per
// favourite at position i, the values ia (name), ib (kind) and ic (comment).

namespace vantor::store {
class Settings;
}

namespace vantor::gui {

class ItemModel;

// Adds the stored favourites (when the key exists) and sorts the view.
void LoadFavourites(const store::Settings& settings, ItemModel& view);
// Replaces the stored favourites with the view's rows; with none the key
// stays deleted.
void SaveFavourites(store::Settings& settings, const ItemModel& view);

}  // namespace vantor::gui
