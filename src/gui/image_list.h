// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one image list shared by the views, the menus and the tool bar. The
// index of an image is its role; indices 0 to 4 are the recipient kinds.

#include <QIcon>

namespace vantor::gui {

namespace image {
inline constexpr int kList = 0;  // also "Add New List"
inline constexpr int kDomain = 1;
inline constexpr int kUser = 2;
inline constexpr int kComputer = 3;
inline constexpr int kGroup = 4;
inline constexpr int kSortAscending = 5;
inline constexpr int kSortDescending = 6;
inline constexpr int kAddRecipient = 7;
inline constexpr int kRemoveRecipient = 8;
inline constexpr int kEditList = 9;
inline constexpr int kDeleteList = 10;
inline constexpr int kRefresh = 11;
inline constexpr int kAddFavourite = 12;
inline constexpr int kRemoveFavourite = 13;
inline constexpr int kExit = 14;
inline constexpr int kHelp = 15;
inline constexpr int kOptions = 16;
inline constexpr int kImportLists = 17;
inline constexpr int kExportLists = 18;
inline constexpr int kTypeFavourite = 19;
inline constexpr int kTypeRecipient = 20;
inline constexpr int kShowAll = 21;         // shown while the active-only display is on
inline constexpr int kShowActiveOnly = 22;  // shown while it is off
inline constexpr int kSaveMessage = 23;
inline constexpr int kExportMessages = 24;
inline constexpr int kImportMessages = 25;
inline constexpr int kCount = 26;
}  // namespace image

// The image of an index (an empty icon outside 0 to 25).
const QIcon& Image(int index);
// The program's window icon.
const QIcon& AppIcon();

}  // namespace vantor::gui
