#include "gui/edit_list_window.h"

#include "store/settings.h"

namespace vantor::gui {

namespace {
constexpr store::WindowPlace kDesignPlace{TEditList::kDesignLeft, TEditList::kDesignTop, TEditList::kDesignWidth,
                                          TEditList::kDesignHeight};
}

TEditList::TEditList(store::Hive& hive, std::function<bool()> writeBack, QWidget* parent)
    : QWidget(parent, Qt::Window), m_hive(hive), m_writeBack(std::move(writeBack)) {
  setObjectName(QStringLiteral("TEditList"));
  setWindowTitle(QStringLiteral("Edit Message List"));
  setMinimumSize(436, 300);
  if (!m_writeBack || m_writeBack()) {
    const store::WindowPlace p = store::ReadWindowPlace(store::Settings(m_hive), store::kEditListSection, kDesignPlace);
    move(p.left, p.top);
    resize(p.width, p.height);
  }
}

void TEditList::Destroy() {
  if (m_writeBack && !m_writeBack()) return;
  store::Settings s(m_hive);
  m_hive.WriteTransaction([&] { store::WriteWindowPlace(s, store::kEditListSection, {x(), y(), width(), height()}); });
}

}  // namespace vantor::gui
