#include "gui/options_dialog.h"

#include "gui/box_history.h"
#include "gui/res_strings.h"
#include "store/settings.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace vantor::gui {

namespace {
constexpr const char* kMain = "Main";
constexpr const char* kAlias = "Main\\Alias";

QCheckBox* Box(const char* name, const char* caption, bool on, QWidget* parent) {
  auto* b = new QCheckBox(QString::fromUtf8(caption), parent);
  b->setObjectName(QString::fromLatin1(name));
  b->setChecked(on);
  return b;
}
}  // namespace

TOptions::TOptions(store::Hive& hive, std::function<void(bool)> trayToggled, std::function<void(int)> showHelp,
                   QWidget* parent)
    : QDialog(parent, Qt::Tool), hive_(hive), trayToggled_(std::move(trayToggled)), showHelp_(std::move(showHelp)) {
  setObjectName(QStringLiteral("TOptions"));
  setWindowTitle(QString::fromLatin1(res::kOptionsCaption));
  auto* layout = new QVBoxLayout(this);

  auto* domain = new QGroupBox(QStringLiteral("Domain options"), this);
  auto* dl = new QVBoxLayout(domain);
  cbScanDom = Box("cbScanDom", "&Scan for Domain information", true, domain);
  cbScanDom->setToolTip(QStringLiteral("Deselect if you don't have a MicroSoft Domain"));
  ActiveOnlyBox = Box("ActiveOnly", "Show &active Domain items only", false, domain);
  SendtoActiveItemsOnly = Box("SendtoActiveItemsOnly", "Send &messages to active Domain items only", false, domain);
  dl->addWidget(cbScanDom);
  dl->addWidget(ActiveOnlyBox);
  dl->addWidget(SendtoActiveItemsOnly);
  layout->addWidget(domain);

  auto* query = new QGroupBox(QStringLiteral("Server query options"), this);
  auto* ql = new QVBoxLayout(query);
  auto* row = new QHBoxLayout;
  ServerTimeOutBox = new QSpinBox(query);
  ServerTimeOutBox->setObjectName(QStringLiteral("ServerTimeOut"));
  ServerTimeOutBox->setRange(1, 60);
  ServerTimeOutBox->setValue(20);
  auto* waitLabel = new QLabel(QStringLiteral(" &Wait time for server queries (in seconds)"), query);
  waitLabel->setBuddy(ServerTimeOutBox);
  row->addWidget(ServerTimeOutBox);
  row->addWidget(waitLabel, 1);
  ql->addLayout(row);
  SendMessagesAnywayBox = Box("SendMessagesAnyway", "Send messages even if &queries time out", true, query);
  ql->addWidget(SendMessagesAnywayBox);
  layout->addWidget(query);

  auto* message = new QGroupBox(QStringLiteral("Message options"), this);
  auto* ml = new QVBoxLayout(message);
  ClearMesgTextBox = Box("ClearMesgText", "Cl&ear the message text once sent", false, message);
  SaveMessagesBox = Box("SaveMessages", "Store sent messages in 'Saved messages'", false, message);
  CloseStatusBox = Box("CloseStatus", "C&lose the message status box automatically", false, message);
  ml->addWidget(ClearMesgTextBox);
  ml->addWidget(SaveMessagesBox);
  ml->addWidget(CloseStatusBox);
  auto* aliasRow = new QHBoxLayout;
  ComboBox1 = new QComboBox(message);
  ComboBox1->setObjectName(QStringLiteral("ComboBox1"));
  ComboBox1->setEditable(true);
  ComboBox1->setInsertPolicy(QComboBox::NoInsert);
  ComboBox1->setCompleter(nullptr);
  ComboBox1->setMaxCount(kBoxHistoryLimit + 1);
  ComboBox1->lineEdit()->setMaxLength(15);
  // Aliases are shown and kept in capitals, as message names are.
  connect(ComboBox1->lineEdit(), &QLineEdit::textEdited, this, [this](const QString& t) {
    QString up = t.toUpper();
    if (up != t) {
      int pos = ComboBox1->lineEdit()->cursorPosition();
      ComboBox1->lineEdit()->setText(up);
      ComboBox1->lineEdit()->setCursorPosition(pos);
    }
  });
  auto* aliasLabel = new QLabel(QStringLiteral("Sender alias"), message);
  aliasLabel->setBuddy(ComboBox1);
  aliasRow->addWidget(aliasLabel);
  aliasRow->addWidget(ComboBox1, 1);
  ml->addLayout(aliasRow);
  layout->addWidget(message);

  auto* misc = new QGroupBox(QStringLiteral("Miscellaneous options"), this);
  auto* xl = new QVBoxLayout(misc);
  ShowTooltips = Box("ShowTooltips", "Show &tooltips on top of lists", true, misc);
  Minimizetotray = Box("Minimizetotray", "Mi&nimise the application to the system tray", true, misc);
  cbMinimize = Box("cbMinimize", "Minimise instead of Exit when 'X' button clicked", false, misc);
  DisplayExtraBox = Box("DisplayExtra", "&Display extra information in the status bar", false, misc);
  xl->addWidget(ShowTooltips);
  xl->addWidget(Minimizetotray);
  xl->addWidget(cbMinimize);
  xl->addWidget(DisplayExtraBox);
  layout->addWidget(misc);

  auto* buttons = new QHBoxLayout;
  auto* ok = new QPushButton(QStringLiteral("&Ok"), this);
  ok->setObjectName(QStringLiteral("Button1"));
  ok->setDefault(true);
  auto* cancel = new QPushButton(QStringLiteral("&Cancel"), this);
  cancel->setObjectName(QStringLiteral("Button2"));
  auto* help = new QPushButton(QStringLiteral("&Help"), this);
  help->setObjectName(QStringLiteral("Button3"));
  buttons->addStretch();
  buttons->addWidget(ok);
  buttons->addWidget(cancel);
  buttons->addWidget(help);
  layout->addLayout(buttons);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, [this] {
    if (showHelp_) showHelp_(12);
  });

  // The rules run for clicks by the user and for states set while loading.
  connect(cbScanDom, &QCheckBox::toggled, this, [this] { cbScanDomClick(); });
  connect(Minimizetotray, &QCheckBox::toggled, this, [this] { MinimizetotrayClick(); });

  Load();
}

void TOptions::SetBox(QCheckBox* box, bool on) { box->setChecked(on); }

void TOptions::Load() {
  store::Settings s(hive_);
  SetBox(ShowTooltips, s.ReadBool(kMain, "Tooltips", true));
  SetBox(SendtoActiveItemsOnly, s.ReadBool(kMain, "SendtoActive", false));
  SetBox(ActiveOnlyBox, s.ReadBool(kMain, "ActiveOnly", false));
  SetBox(CloseStatusBox, s.ReadBool(kMain, "CloseStatus", false));
  SetBox(Minimizetotray, s.ReadBool(kMain, "TrayIcon", true));
  SetBox(ClearMesgTextBox, s.ReadBool(kMain, "ClearMesgText", false));
  SetBox(SaveMessagesBox, s.ReadBool(kMain, "SaveMessages", false));
  ServerTimeOutBox->setValue(std::clamp(s.ReadInteger(kMain, "ServerTimeOut", 20), 1, 60));
  SetBox(SendMessagesAnywayBox, s.ReadBool(kMain, "SendMessagesAnyway", true));
  SetBox(cbScanDom, s.ReadBool(kMain, "ScanDomain", true));
  SetBox(DisplayExtraBox, s.ReadBool(kMain, "DisplayExtra", false));
  SetBox(cbMinimize, s.ReadBool(kMain, "MinimizeNotExit", false));
  QStringList aliases;
  for (const std::string& name : s.ReadValueNames(kAlias)) aliases.append(QString::fromStdString(name));
  SetBoxHistory(ComboBox1, aliases);
}

void TOptions::Store() {
  store::Settings s(hive_);
  s.hive().WriteTransaction([&] {
    s.WriteBool(kMain, "ActiveOnly", ActiveOnly());
    s.WriteBool(kMain, "SendtoActive", SendtoActive());
    s.WriteBool(kMain, "Tooltips", Tooltips());
    s.WriteBool(kMain, "CloseStatus", CloseStatus());
    s.WriteBool(kMain, "TrayIcon", TrayIcon());
    s.WriteBool(kMain, "ClearMesgText", ClearMesgText());
    s.WriteBool(kMain, "SaveMessages", SaveMessages());
    s.WriteInteger(kMain, "ServerTimeOut", ServerTimeOut());
    s.WriteBool(kMain, "SendMessagesAnyway", SendMessagesAnyway());
    s.WriteBool(kMain, "ScanDomain", ScanDomain());
    s.WriteBool(kMain, "DisplayExtra", DisplayExtra());
    s.WriteBool(kMain, "MinimizeNotExit", MinimizeNotExit());
    s.EraseSection(kAlias);
    for (const QString& alias : BoxHistory(ComboBox1)) s.WriteString(kAlias, alias.toStdString(), "");
  });
}

void TOptions::cbScanDomClick() {
  const bool scan = cbScanDom->isChecked();
  ActiveOnlyBox->setEnabled(scan);
  if (!scan) ActiveOnlyBox->setChecked(false);
  SendtoActiveItemsOnly->setEnabled(scan);
  SendtoActiveItemsOnly->setChecked(scan);
}

void TOptions::MinimizetotrayClick() {
  if (trayToggled_) trayToggled_(Minimizetotray->isChecked());
}

bool TOptions::ScanDomain() const { return cbScanDom->isChecked(); }
bool TOptions::ActiveOnly() const { return ActiveOnlyBox->isChecked(); }
bool TOptions::SendtoActive() const { return SendtoActiveItemsOnly->isChecked(); }
int TOptions::ServerTimeOut() const { return ServerTimeOutBox->value(); }
bool TOptions::SendMessagesAnyway() const { return SendMessagesAnywayBox->isChecked(); }
bool TOptions::ClearMesgText() const { return ClearMesgTextBox->isChecked(); }
bool TOptions::SaveMessages() const { return SaveMessagesBox->isChecked(); }
bool TOptions::CloseStatus() const { return CloseStatusBox->isChecked(); }
bool TOptions::Tooltips() const { return ShowTooltips->isChecked(); }
bool TOptions::TrayIcon() const { return Minimizetotray->isChecked(); }
bool TOptions::MinimizeNotExit() const { return cbMinimize->isChecked(); }
bool TOptions::DisplayExtra() const { return DisplayExtraBox->isChecked(); }
QString TOptions::Alias() const { return ComboBox1->currentText(); }
void TOptions::SetActiveOnly(bool on) { ActiveOnlyBox->setChecked(on); }

}  // namespace vantor::gui
