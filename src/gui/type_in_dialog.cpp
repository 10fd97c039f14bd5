// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/type_in_dialog.h"

#include "gui/res_strings.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace vantor::gui {

namespace {
QString Text(const char* text) { return QString::fromLatin1(text); }

template <typename W>
W* Named(W* w, const char* name) {
  w->setObjectName(QString::fromLatin1(name));
  return w;
}
}  // namespace

TTypeRecip::TTypeRecip(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::MSWindowsFixedSizeDialogHint) {
  setObjectName(QStringLiteral("TTypeRecip"));
  setWindowTitle(Text(res::kTypeInDesignCaption));
  setModal(true);
  m_identifierLabel = Named(new QLabel(Text(res::kDesignIdentifierLabel), this), "Label1");
  m_identifier = Named(new QLineEdit(this), "Edit1");
  m_identifierLabel->setBuddy(m_identifier);
  auto* commentLabel = Named(new QLabel(Text(res::kCommentLabel), this), "Label3");
  m_comment = Named(new QLineEdit(this), "Edit2");
  commentLabel->setBuddy(m_comment);
  m_typeLabel = Named(new QLabel(Text(res::kDesignTypeLabel), this), "Label2");
  m_type = Named(new QComboBox(this), "ComboBox1");
  m_type->setEditable(true);
  m_type->setInsertPolicy(QComboBox::NoInsert);
  m_type->addItems({Text(res::kTypeUser), Text(res::kTypeComputer), Text(res::kTypeDomain)});
  m_typeLabel->setBuddy(m_type);
  m_ok = Named(new QPushButton(Text(res::kOkCaption), this), "Button1");
  m_ok->setDefault(true);
  m_cancel = Named(new QPushButton(Text(res::kCancelCaption), this), "Button2");
  m_cancel->setAutoDefault(false);

  auto* grid = new QGridLayout(this);
  grid->addWidget(m_identifierLabel, 0, 0);
  grid->addWidget(m_identifier, 1, 0, 1, 2);
  grid->addWidget(commentLabel, 2, 0);
  grid->addWidget(m_comment, 3, 0, 1, 2);
  grid->addWidget(m_typeLabel, 4, 0);
  grid->addWidget(m_type, 5, 0);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_ok);
  buttons->addWidget(m_cancel);
  grid->addLayout(buttons, 6, 0, 1, 2);
  setTabOrder(m_identifier, m_comment);
  setTabOrder(m_comment, m_type);
  setTabOrder(m_type, m_cancel);
  setTabOrder(m_cancel, m_ok);

  connect(m_identifier, &QLineEdit::textChanged, this, [this](const QString& t) { m_ok->setEnabled(!t.isEmpty()); });
  connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
  Reset();
  setFixedSize(sizeHint().expandedTo(QSize(280, 0)));
}

int TTypeRecip::KindOfType(const QString& typeText) {
  if (typeText == Text(res::kTypeUser)) return kUserKind;
  if (typeText == Text(res::kTypeComputer)) return kComputerKind;
  if (typeText == Text(res::kTypeDomain)) return kDomainKind;
  return kListKind;
}

void TTypeRecip::SetTexts(Purpose purpose) {
  const bool recipient = purpose == Purpose::Recipient;
  setWindowTitle(Text(recipient ? res::kTypeInRecipientCaption : res::kTypeInFavouriteCaption));
  m_identifierLabel->setText(Text(recipient ? res::kRecipientIdentifierLabel : res::kFavouriteIdentifierLabel));
  m_typeLabel->setText(Text(recipient ? res::kRecipientTypeLabel : res::kFavouriteTypeLabel));
}

std::optional<ItemRow> TTypeRecip::Ask(Purpose purpose) {
  SetTexts(purpose);
  return AskAsIs();
}

std::optional<ItemRow> TTypeRecip::AskAsIs() {
  m_identifier->setFocus();
  if (QWidget* owner = parentWidget()) move(owner->geometry().center() - rect().center());
  std::optional<ItemRow> row;
  if (exec() == QDialog::Accepted)
    row = ItemRow{m_identifier->text(), m_comment->text(), KindOfType(m_type->currentText())};
  Reset();
  return row;
}

void TTypeRecip::Reset() {
  m_identifier->clear();
  m_comment->clear();
  m_type->setCurrentIndex(0);
  m_type->setEditText(Text(res::kTypeUser));
  m_ok->setEnabled(false);
}

}  // namespace vantor::gui
