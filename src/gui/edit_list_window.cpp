#include "gui/edit_list_window.h"

#include "store/settings.h"

namespace vantor::gui {

namespace {
constexpr const char* kSection = "EditList";
}

TEditList::TEditList(store::Hive& hive, std::function<bool()> writeBack, QWidget* parent)
    : QWidget(parent, Qt::Window), hive_(hive), writeBack_(std::move(writeBack)) {
  setObjectName(QStringLiteral("TEditList"));
  setWindowTitle(QStringLiteral("Edit Message List"));
  setMinimumSize(436, 300);
  if (!writeBack_ || writeBack_()) {
    store::Settings s(hive_);
    const int left = s.ReadInteger(kSection, "Left", kDesignLeft);
    const int top = s.ReadInteger(kSection, "Top", kDesignTop);
    const int height = s.ReadInteger(kSection, "Height", kDesignHeight);
    const int width = s.ReadInteger(kSection, "Width", kDesignWidth);
    move(left, top);
    resize(width, height);
  }
}

void TEditList::Destroy() {
  if (writeBack_ && !writeBack_()) return;
  store::Settings s(hive_);
  hive_.WriteTransaction([&] {
    s.WriteInteger(kSection, "Left", x());
    s.WriteInteger(kSection, "Top", y());
    s.WriteInteger(kSection, "Width", width());
    s.WriteInteger(kSection, "Height", height());
  });
}

}  // namespace vantor::gui
