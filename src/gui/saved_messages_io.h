#pragma once
// The saved-messages view and the store's display order (Messages\Order).

class QTreeWidget;

namespace vantor::store {
class Hive;
}

namespace vantor::gui {

// Rebuilds the view from Order: one row per entry, titled by the slot's
// Title (or "Message #" and the slot number) with its recipient count.
void FillMessageView(store::Hive& hive, QTreeWidget* view);
// Writes Order from the view, top to bottom; an empty view leaves no Order.
void WriteMessageOrder(store::Hive& hive, const QTreeWidget* view);

// The slot number a view row carries.
inline constexpr int kSlotRole = 0x0100 + 1;  // Qt::UserRole + 1

}  // namespace vantor::gui
