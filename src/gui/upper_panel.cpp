#include "gui/upper_panel.h"

#include "gui/image_list.h"

#include <QTabWidget>
#include <QToolButton>

namespace vantor::gui {

namespace {
QToolButton* SmallButton(QWidget* parent, const char* name, const char* hint, int image) {
  auto* b = new QToolButton(parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setToolTip(QString::fromUtf8(hint));
  b->setIcon(Image(image));
  b->setAutoRaise(false);
  b->setFixedSize(24, 24);
  return b;
}
}  // namespace

UpperPanel::UpperPanel(QWidget* parent) : QWidget(parent) {
  setObjectName(QStringLiteral("Panel1"));
  setMinimumHeight(kMinHeight);
  NetPage = new QTabWidget(this);
  NetPage->setObjectName(QStringLiteral("NetPage"));
  RecipPage = new QTabWidget(this);
  RecipPage->setObjectName(QStringLiteral("RecipPage"));
  sbAddRecip = SmallButton(this, "sbAddRecip", "Add a recipient", image::kAddRecipient);
  sbRemoveRecip = SmallButton(this, "sbRemoveRecip", "Remove a recipient", image::kRemoveRecipient);
  sbTypeRecip = SmallButton(this, "sbTypeRecip", "Type in a recipient", image::kTypeRecipient);
  resize(384, kDesignHeight);
}

void UpperPanel::LayOut() {
  const int w = width();
  const int pageHeight = std::max(0, height() - 2 * kMargin);
  const int pageWidth = std::max(0, (w - 3 * kMargin - sbAddRecip->width()) / 2);
  NetPage->setGeometry(kMargin, kMargin, pageWidth, pageHeight);
  RecipPage->setGeometry(w - pageWidth - kMargin, kMargin, pageWidth, pageHeight);
  const int left = (w - sbAddRecip->width()) / 2;
  const int top = pageHeight / 2 - 14;
  sbAddRecip->move(left, top);
  sbRemoveRecip->move(left, top + 28);
  sbTypeRecip->move(left, top + 56);
}

void UpperPanel::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  LayOut();
}

}  // namespace vantor::gui
