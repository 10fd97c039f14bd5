#include "gui/saved_messages_io.h"

#include "common/text.h"
#include "store/settings.h"

#include <QTreeWidget>

#include <string>

namespace vantor::gui {

namespace {
const std::string kOrder = std::string(store::kMessagesKey) + "\\Order";

QString CountText(int count) { return count == 1 ? QStringLiteral("1 Item") : QStringLiteral("%1 Items").arg(count); }
}  // namespace

void FillMessageView(store::Hive& hive, QTreeWidget* view) {
  view->clear();
  store::Settings root(hive, std::string(store::kMessagesKey));
  const std::size_t n = root.ReadValueNames("Order").size();
  for (std::size_t k = 0; k < n; ++k) {
    const std::string slotText = root.ReadString("Order", std::to_string(k), "0");
    const auto slot = ParseInt32(slotText);
    if (!slot) throw store::StoreError("'" + slotText + "' is not a valid integer value");
    const std::string section = std::to_string(*slot);
    QString title = QString::fromStdString(root.ReadString(section, "Title", ""));
    if (!hive.GetValue(root.KeyOf(section), "Title")) title = QStringLiteral("Message #%1").arg(*slot);
    auto* item = new QTreeWidgetItem(view);
    item->setText(0, title);
    item->setText(1, CountText(root.ReadInteger(section, "Count", 0)));
    item->setData(0, kSlotRole, *slot);
    item->setFlags(item->flags() | Qt::ItemIsEditable);
  }
}

void WriteMessageOrder(store::Hive& hive, const QTreeWidget* view) {
  store::Settings root(hive, std::string(store::kMessagesKey));
  hive.WriteTransaction([&] {
    root.EraseSection("Order");
    for (int k = 0; k < view->topLevelItemCount(); ++k)
      root.WriteInteger("Order", std::to_string(k), view->topLevelItem(k)->data(0, kSlotRole).toInt());
  });
}

}  // namespace vantor::gui
