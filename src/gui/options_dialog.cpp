// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/options_dialog.h"

#include "gui/history_box.h"
#include "gui/res_strings.h"
#include "store/settings.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vantor::gui {

namespace {

constexpr int kHelpTopic = 12;

QCheckBox* Box(const char* name, const char* caption, bool on, QWidget* parent) {
  auto* b = new QCheckBox(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setChecked(on);
  return b;
}

// The wait time: whatever is typed is brought into 1 to 60 when the box is
// left; text that is not a number counts as 1.
class TimeOutBox : public QSpinBox {
 public:
  explicit TimeOutBox(QWidget* parent) : QSpinBox(parent) {
    setObjectName(QStringLiteral("ServerTimeOut"));
    setRange(TOptions::kMinTimeOut, TOptions::kMaxTimeOut);
    setValue(20);
  }

 protected:
  QValidator::State validate(QString& text, int&) const override {
    for (QChar c : text)
      if (!c.isDigit()) return QValidator::Invalid;
    return QValidator::Acceptable;
  }
  int valueFromText(const QString& text) const override {
    bool ok = false;
    const long long n = text.toLongLong(&ok);
    if (!ok) return minimum();
    return static_cast<int>(std::clamp<long long>(n, minimum(), maximum()));
  }
  void fixup(QString& text) const override { text = QString::number(valueFromText(text)); }
};

}  // namespace

TOptions::TOptions(store::Hive& hive, std::function<void(bool)> trayToggled, std::function<void(int)> showHelp,
                   QWidget* parent)
    : QDialog(parent, Qt::Tool),
      m_hive(hive),
      m_trayToggled(std::move(trayToggled)),
      m_showHelp(std::move(showHelp)) {
  setObjectName(QStringLiteral("TOptions"));
  setWindowTitle(QString::fromLatin1(res::kOptionsCaption));
  auto* layout = new QVBoxLayout(this);

  auto* domain = new QGroupBox(QStringLiteral("Domain options"), this);
  auto* dl = new QVBoxLayout(domain);
  m_scanDomain = Box("cbScanDom", "&Scan for Domain information", true, domain);
  m_scanDomain->setToolTip(QStringLiteral("Deselect if you don't have a MicroSoft Domain"));
  m_activeOnly = Box("ActiveOnly", "Show &active Domain items only", false, domain);
  m_sendToActive = Box("SendtoActiveItemsOnly", "Send &messages to active Domain items only", false, domain);
  for (QWidget* w : std::initializer_list<QWidget*>{m_scanDomain, m_activeOnly, m_sendToActive}) dl->addWidget(w);
  layout->addWidget(domain);

  auto* query = new QGroupBox(QStringLiteral("Server query options"), this);
  auto* ql = new QVBoxLayout(query);
  auto* row = new QHBoxLayout;
  m_timeOut = new TimeOutBox(query);
  auto* waitLabel = new QLabel(QStringLiteral(" &Wait time for server queries (in seconds)"), query);
  waitLabel->setBuddy(m_timeOut);
  row->addWidget(m_timeOut);
  row->addWidget(waitLabel, 1);
  ql->addLayout(row);
  m_sendAnyway = Box("SendMessagesAnyway", "Send messages even if &queries time out", true, query);
  ql->addWidget(m_sendAnyway);
  layout->addWidget(query);

  auto* message = new QGroupBox(QStringLiteral("Message options"), this);
  auto* ml = new QVBoxLayout(message);
  m_clearText = Box("ClearMesgText", "Cl&ear the message text once sent", false, message);
  m_saveMessages = Box("SaveMessages", "Store sent messages in 'Saved messages'", false, message);
  m_closeStatus = Box("CloseStatus", "C&lose the message status box automatically", false, message);
  for (QWidget* w : std::initializer_list<QWidget*>{m_clearText, m_saveMessages, m_closeStatus}) ml->addWidget(w);
  auto* aliasRow = new QHBoxLayout;
  m_alias = new HistoryBox("ComboBox1", kAliasLength, message);
  m_alias->ShowCapitals();
  auto* aliasLabel = new QLabel(QStringLiteral("Sender alias"), message);
  aliasLabel->setBuddy(m_alias);
  aliasRow->addWidget(aliasLabel);
  aliasRow->addWidget(m_alias, 1);
  ml->addLayout(aliasRow);
  layout->addWidget(message);

  auto* misc = new QGroupBox(QStringLiteral("Miscellaneous options"), this);
  auto* xl = new QVBoxLayout(misc);
  m_tooltips = Box("ShowTooltips", "Show &tooltips on top of lists", true, misc);
  m_trayIcon = Box("Minimizetotray", "Mi&nimise the application to the system tray", true, misc);
  m_minimizeNotExit = Box("cbMinimize", "Minimise instead of Exit when 'X' button clicked", false, misc);
  m_displayExtra = Box("DisplayExtra", "&Display extra information in the status bar", false, misc);
  for (QWidget* w : std::initializer_list<QWidget*>{m_tooltips, m_trayIcon, m_minimizeNotExit, m_displayExtra})
    xl->addWidget(w);
  layout->addWidget(misc);

  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
  ok->setObjectName(QStringLiteral("Button1"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QString::fromLatin1(res::kCancelCaption), this);
  cancel->setObjectName(QStringLiteral("Button2"));
  auto* help = new QPushButton(QString::fromLatin1(res::kHelpCaption), this);
  help->setObjectName(QStringLiteral("Button3"));
  help->setAutoDefault(false);
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(help);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] { m_showHelp(kHelpTopic); });

  // The rules run for clicks by the user and for states set while loading
  // or restoring, as a click would.
  connect(m_scanDomain, &QCheckBox::toggled, this, [this] { cbScanDomClick(); });
  connect(m_trayIcon, &QCheckBox::toggled, this, [this] { MinimizetotrayClick(); });

  Load();
}

TOptions::~TOptions() = default;

void TOptions::Load() {
  store::Settings s(m_hive);
  const auto main = store::kMainSection;
  m_tooltips->setChecked(s.ReadBool(main, "Tooltips", true));
  m_sendToActive->setChecked(s.ReadBool(main, "SendtoActive", false));
  m_activeOnly->setChecked(s.ReadBool(main, "ActiveOnly", false));
  m_closeStatus->setChecked(s.ReadBool(main, "CloseStatus", false));
  // The tray box starts on, so a stored "off" runs its rule (removing an
  // icon that is not there yet) while "on" runs nothing: the main window adds
  // the icon at its own start-up.
  m_trayIcon->setChecked(s.ReadBool(main, "TrayIcon", true));
  m_clearText->setChecked(s.ReadBool(main, "ClearMesgText", false));
  m_saveMessages->setChecked(s.ReadBool(main, "SaveMessages", false));
  m_timeOut->setValue(std::clamp(s.ReadInteger(main, "ServerTimeOut", 20), kMinTimeOut, kMaxTimeOut));
  m_sendAnyway->setChecked(s.ReadBool(main, "SendMessagesAnyway", true));
  m_scanDomain->setChecked(s.ReadBool(main, "ScanDomain", true));
  m_displayExtra->setChecked(s.ReadBool(main, "DisplayExtra", false));
  m_minimizeNotExit->setChecked(s.ReadBool(main, "MinimizeNotExit", false));
  QStringList aliases;
  for (const std::string& name : s.ReadValueNames(store::kAliasSection)) aliases.append(QString::fromStdString(name));
  m_alias->SetHistory(aliases);
}

void TOptions::Store() {
  store::Settings s(m_hive);
  const auto main = store::kMainSection;
  m_hive.WriteTransaction([&] {
    s.WriteBool(main, "ActiveOnly", ActiveOnly());
    s.WriteBool(main, "SendtoActive", SendtoActive());
    s.WriteBool(main, "Tooltips", Tooltips());
    s.WriteBool(main, "CloseStatus", CloseStatus());
    s.WriteBool(main, "TrayIcon", TrayIcon());
    s.WriteBool(main, "ClearMesgText", ClearMesgText());
    s.WriteBool(main, "SaveMessages", SaveMessages());
    s.WriteInteger(main, "ServerTimeOut", ServerTimeOut());
    s.WriteBool(main, "SendMessagesAnyway", SendMessagesAnyway());
    s.WriteBool(main, "ScanDomain", ScanDomain());
    s.WriteBool(main, "DisplayExtra", DisplayExtra());
    s.WriteBool(main, "MinimizeNotExit", MinimizeNotExit());
    s.EraseSection(store::kAliasSection);
    for (const QString& alias : m_alias->History()) s.WriteString(store::kAliasSection, alias.toStdString(), "");
  });
}

void TOptions::cbScanDomClick() {
  const bool scan = m_scanDomain->isChecked();
  m_activeOnly->setEnabled(scan);
  if (!scan) m_activeOnly->setChecked(false);
  m_sendToActive->setEnabled(scan);
  m_sendToActive->setChecked(scan);
}

void TOptions::MinimizetotrayClick() {
  if (m_trayToggled) m_trayToggled(m_trayIcon->isChecked());
}

void TOptions::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_F1) {
    m_showHelp(kHelpTopic);
    return;
  }
  QDialog::keyPressEvent(e);
}

std::vector<QCheckBox*> TOptions::OtherBoxes() const {
  return {m_sendAnyway, m_tooltips, m_closeStatus, m_clearText, m_saveMessages, m_trayIcon, m_displayExtra,
          m_minimizeNotExit};
}

TOptions::Snapshot TOptions::Take() const {
  Snapshot s{Alias(), ScanDomain(), ActiveOnly(), SendtoActive(), ServerTimeOut(), {}};
  for (QCheckBox* b : OtherBoxes()) s.otherBoxes.push_back(b->isChecked());
  return s;
}

void TOptions::Restore(const Snapshot& s) {
  m_alias->setEditText(s.alias);
  m_alias->UpdateHistory();
  m_scanDomain->setChecked(s.scanDomain);
  m_activeOnly->setChecked(s.activeOnly);
  m_sendToActive->setChecked(s.sendToActive);
  m_timeOut->setValue(s.timeOut);
  const std::vector<QCheckBox*> boxes = OtherBoxes();
  for (std::size_t i = 0; i < boxes.size() && i < s.otherBoxes.size(); ++i) boxes[i]->setChecked(s.otherBoxes[i]);
}

bool TOptions::ScanDomain() const { return m_scanDomain->isChecked(); }
bool TOptions::ActiveOnly() const { return m_activeOnly->isChecked(); }
bool TOptions::SendtoActive() const { return m_sendToActive->isChecked(); }
int TOptions::ServerTimeOut() const { return m_timeOut->value(); }
bool TOptions::SendMessagesAnyway() const { return m_sendAnyway->isChecked(); }
bool TOptions::ClearMesgText() const { return m_clearText->isChecked(); }
bool TOptions::SaveMessages() const { return m_saveMessages->isChecked(); }
bool TOptions::CloseStatus() const { return m_closeStatus->isChecked(); }
bool TOptions::Tooltips() const { return m_tooltips->isChecked(); }
bool TOptions::TrayIcon() const { return m_trayIcon->isChecked(); }
bool TOptions::MinimizeNotExit() const { return m_minimizeNotExit->isChecked(); }
bool TOptions::DisplayExtra() const { return m_displayExtra->isChecked(); }
QString TOptions::Alias() const { return m_alias->currentText(); }
void TOptions::SetActiveOnly(bool on) { m_activeOnly->setChecked(on); }

}  // namespace vantor::gui
