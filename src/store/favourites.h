// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The favourites as the settings keep them: below Forms, Main\Favourites
// holds Count and, for the favourite at position i (from 0, in the view's
// order), the values ia (name), ib (kind) and ic (comment). All are string
// values; with no favourite the key does not exist.

#include "store/settings.h"

#include <string>
#include <vector>

namespace vantor::store {

struct Favourite {
  std::string name;
  int kind = 0;
  std::string comment;
  friend bool operator==(const Favourite&, const Favourite&) = default;
};

// The stored favourites, read from the last position down to the first
// (the order in which the view adds them before it sorts). A missing value
// gives an empty name or comment, or kind 0; a Count larger than the stored
// rows gives such empty rows. Empty when the key does not exist.
std::vector<Favourite> ReadFavourites(const Settings& settings);
// Replaces the stored favourites with these, in one transaction: the key is
// deleted, then Count and the rows are written from the last position down.
void WriteFavourites(Settings& settings, const std::vector<Favourite>& favourites);

}  // namespace vantor::store
