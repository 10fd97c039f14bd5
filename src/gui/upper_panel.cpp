// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/upper_panel.h"

#include "gui/item_view.h"
#include "gui/res_strings.h"

#include <QTabBar>
#include <QTabWidget>
#include <QToolButton>

namespace vantor::gui {

namespace {

QToolButton* SmallButton(QWidget* parent, const char* name) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setAutoRaise(false);
  b->setFixedSize(24, 24);
  return b;
}

QTabWidget* Page(QWidget* parent, const char* name) {
  auto* page = new QTabWidget(parent);
  page->setObjectName(QString::fromLatin1(name));
  // Rows dragged over a tab open it, so that Net Items rows can be dropped
  // on Favourites, which share its page control.
  page->tabBar()->setChangeCurrentOnDrag(true);
  page->tabBar()->setAcceptDrops(true);
  return page;
}

ItemView* View(const ItemView::Design& design) { return new ItemView(design); }

}  // namespace

bool MainViews::FavouritesShowing() const { return netPage.currentWidget() == &fav; }
bool MainViews::RecipientsShowing() const { return recipPage.currentWidget() == &recip; }

UpperPanel::UpperPanel(QWidget* parent)
    : QWidget(parent),
      m_netPage(Page(this, "NetPage")),
      m_recipPage(Page(this, "RecipPage")),
      m_addRecipient(SmallButton(this, "sbAddRecip")),
      m_removeRecipient(SmallButton(this, "sbRemoveRecip")),
      m_typeRecipient(SmallButton(this, "sbTypeRecip")),
      m_views{*View({"NetView", res::kNetViewHint, 2, true, false, true}),
              *View({"FavView", res::kFavViewHint, 3, true, false, true}),
              *View({"RecipView", res::kRecipViewHint, 2, true, false, true}),
              *View({"SrvView", res::kSrvViewHint, 4, false, true, false}),
              *m_netPage,
              *m_recipPage} {
  setObjectName(QStringLiteral("Panel1"));
  setMinimumHeight(kMinHeight);
  m_netPage->addTab(&m_views.net, QString::fromLatin1(res::kNetItemsTab));
  m_netPage->addTab(&m_views.fav, QString::fromLatin1(res::kFavouritesTab));
  m_recipPage->addTab(&m_views.recip, QString::fromLatin1(res::kRecipientsTab));
  m_recipPage->addTab(&m_views.srv, QString::fromLatin1(res::kServersTab));
  resize(384, kDesignHeight);
}

void UpperPanel::LayOut() {
  const int w = width();
  const int pageHeight = std::max(0, height() - 2 * kMargin);
  const int pageWidth = std::max(0, (w - 3 * kMargin - m_addRecipient->width()) / 2);
  m_netPage->setGeometry(kMargin, kMargin, pageWidth, pageHeight);
  m_recipPage->setGeometry(w - pageWidth - kMargin, kMargin, pageWidth, pageHeight);
  const int left = (w - m_addRecipient->width()) / 2;
  const int top = pageHeight / 2 - 14;
  m_addRecipient->move(left, top);
  m_removeRecipient->move(left, top + 28);
  m_typeRecipient->move(left, top + 56);
}

void UpperPanel::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  LayOut();
}

}  // namespace vantor::gui
