#include "gui/main_window.h"

#include "common/clock.h"
#include "common/text.h"
#include "delivery/session_query.h"
#include "delivery/status_window.h"
#include "gui/box_history.h"
#include "gui/favourites_io.h"
#include "gui/help.h"
#include "gui/image_list.h"
#include "gui/item_view.h"
#include "gui/message_area.h"
#include "gui/message_boxes.h"
#include "gui/net_browser.h"
#include "gui/options_dialog.h"
#include "gui/res_strings.h"
#include "gui/saved_messages_io.h"
#include "gui/upper_panel.h"
#include "lan/directory.h"
#include "lan/net_error_text.h"
#include "store/settings.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QFileInfo>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStatusBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

namespace vantor::gui {

namespace {
constexpr const char* kMain = "Main";
constexpr const char* kSignature = "Main\\Signature";
constexpr const char* kServers = "Main\\Servers";
QString Q(const std::string& s) { return QString::fromStdString(s); }
}  // namespace

TMain::TMain(AppContext& ctx, AppState& state, TOptions& options, QWidget* parent)
    : QMainWindow(parent), ctx_(ctx), state_(state), options_(options) {
  setObjectName(QStringLiteral("TMain"));
  setWindowTitle(QString::fromLatin1(res::kAppTitle));
  setWindowIcon(AppIcon());
  setMinimumSize(kMinWidth, kMinHeight);
  query_ = std::make_unique<delivery::SessionQuery>(ctx_.api, state_.AbortRequested, this);
  query_->SetReporter([this](const std::string& text) {
    ShowStatus(Q(text));
    LogIfShowing(Q(text));
  });
  browser_ = std::make_unique<NetBrowser>(*this);
  BuildUi();
  ConnectCommands();
}

TMain::~TMain() {
  // Closing the widgets below moves the focus about; nothing may call back
  // into a window that is going away.
  for (QObject* child : findChildren<QObject*>()) disconnect(child, nullptr, this, nullptr);
}

void TMain::BuildUi() {
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(8);
  setFont(font);

  ToolBar1 = new QToolBar(QStringLiteral("ToolBar1"), this);
  ToolBar1->setObjectName(QStringLiteral("ToolBar1"));
  ToolBar1->setMovable(false);
  ToolBar1->setIconSize(QSize(16, 16));
  addToolBar(Qt::TopToolBarArea, ToolBar1);
  actions = CreateMainActions(this, menuBar(), ToolBar1);

  StatusBar1Text = new QLabel(this);
  StatusBar1Text->setObjectName(QStringLiteral("StatusBar1Text"));
  statusBar()->setObjectName(QStringLiteral("StatusBar1"));
  statusBar()->addWidget(StatusBar1Text, 1);
  statusBar()->setSizeGripEnabled(true);

  auto icons = [](int kind) { return Image(kind); };
  Panel1 = new UpperPanel(this);
  NetPage = Panel1->NetPage;
  RecipPage = Panel1->RecipPage;
  sbAddRecip = Panel1->sbAddRecip;
  sbRemoveRecip = Panel1->sbRemoveRecip;
  sbTypeRecip = Panel1->sbTypeRecip;
  NetView = new ItemView(QStringLiteral("NetView"), icons, true, false);
  NetView->SetHint(QStringLiteral("This list shows all of the recipients available"));
  NetView->SetHelpTopic(2);
  FavView = new ItemView(QStringLiteral("FavView"), icons, true, false);
  FavView->SetHint(QStringLiteral("List of favourite items"));
  FavView->SetHelpTopic(3);
  RecipView = new ItemView(QStringLiteral("RecipView"), icons, true, false);
  RecipView->SetHint(QStringLiteral("All items in this list will \"get the message\""));
  RecipView->SetHelpTopic(2);
  SrvView = new ItemView(QStringLiteral("SrvView"), icons, false, true);
  SrvView->SetHint(QStringLiteral("Select servers to be queried for login sessions"));
  SrvView->SetHelpTopic(4);
  SrvView->setDragEnabled(false);
  for (ItemView* v : {NetView, FavView, RecipView, SrvView}) {
    v->Model().SetHeaderIcons(Image(image::kSortAscending), Image(image::kSortDescending));
    connect(v, &ItemView::helpRequested, this, &TMain::ShowHelp);
    connect(v, &ItemView::focusLost, this, &TMain::UpdateSBar);
  }
  NetPage->addTab(NetView, QStringLiteral("&Net Items"));
  NetPage->addTab(FavView, QStringLiteral("&Favourites"));
  RecipPage->addTab(RecipView, QStringLiteral("&Recipients"));
  RecipPage->addTab(SrvView, QStringLiteral("Ser&vers"));

  Panel2 = new MessageArea(this);
  Splitter1 = new QSplitter(Qt::Vertical, this);
  Splitter1->setObjectName(QStringLiteral("Splitter1"));
  Splitter1->addWidget(Panel1);
  Splitter1->addWidget(Panel2);
  Splitter1->setChildrenCollapsible(false);
  Splitter1->setOpaqueResize(true);
  // The upper panel keeps its height; the message area takes the rest.
  Splitter1->setStretchFactor(0, 0);
  Splitter1->setStretchFactor(1, 1);
  Splitter1->handle(1)->setToolTip(QStringLiteral("Drag this line to resize the panels"));
  setCentralWidget(Splitter1);
  resize(kDefaultWidth, 410);
  SetSplitPosition(UpperPanel::kDesignHeight);
}

void TMain::ConnectCommands() {
  connect(actions.Exit, &QAction::triggered, this, &TMain::ExitCommand);
  connect(actions.ShowToolbar, &QAction::triggered, this, &TMain::ShowToolbarClick);
  connect(actions.ShowStatusbar, &QAction::triggered, this, &TMain::ShowStatusbarClick);
  connect(actions.ShowStatusWindow, &QAction::triggered, this, &TMain::ShowStatusWin1Click);
  connect(actions.Refresh, &QAction::triggered, this, [this] { browser_->Refresh(); });
  connect(actions.ShowActiveOnly, &QAction::triggered, this, [this] { browser_->ActiveOnlyToggle(); });
  connect(actions.Contents, &QAction::triggered, this, [this] { ShowHelp(0); });
  connect(NetView, &ItemView::clicked, this, [this] { browser_->NetViewClick(); });
  connect(SrvView, &ItemView::clicked, this, [this] { browser_->SrvViewClick(); });
  connect(NetPage, &QTabWidget::currentChanged, this, [this] { browser_->NetPageChange(); });
  connect(Splitter1, &QSplitter::splitterMoved, this, [this] { Panel1->LayOut(); });
}

void TMain::ShowHelp(int topic) { ctx_.help.ShowTopic(topic); }

bool TMain::HandleCommandLine() {
  const QStringList& params = ctx_.parameters;
  if (params.isEmpty()) return true;
  if (params.size() > 1) {
    ctx_.boxes.Error(this, QString::fromLatin1(res::kTooManyParameters), 10);
  } else if (params.front().compare(QStringLiteral("/CLEAR"), Qt::CaseInsensitive) == 0) {
    ctx_.hive.DeleteKey(store::kRootKey);
  } else if (params.front() == QStringLiteral("/?")) {
    ctx_.help.OpenFile();
  } else {
    ctx_.boxes.Error(this, Q(Format(res::kInvalidParameter, {params.front().toStdString()})), 10);
  }
  state_.listCounter = -1;
  return false;
}

bool TMain::FormCreate() {
  // 1. The help file.
  if (!QFileInfo::exists(ctx_.helpFile))
    ctx_.boxes.Error(this, Q(Format(res::kHelpFileNotFound, {ctx_.helpFile.toStdString()})));
  // 2. The command line.
  if (!HandleCommandLine()) return false;
  // 3. Fresh state.
  state_.windowShown = true;
  query_->FreeActiveSessions();
  state_.AbortRequested = false;
  for (ItemView* v : {NetView, FavView, RecipView, SrvView}) v->Model().SetSortState(0, SortDirection::Ascending);
  // 4. Window place and size.
  store::Settings settings(ctx_.hive);
  state_.listCounter = settings.ReadInteger(kMain, "Listnumber", 0);
  const int width = settings.ReadInteger(kMain, "Width", kDefaultWidth);
  const int height = settings.ReadInteger(kMain, "Height", kDefaultHeight);
  const int top = settings.ReadInteger(kMain, "Top", kDefaultTop);
  const int left = settings.ReadInteger(kMain, "Left", kDefaultLeft);
  move(left, top);
  resize(std::max(width, kMinWidth), std::max(height, kMinHeight));
  // 5. The message tab lays itself out; 6. the active-only command.
  browser_->SetActiveOnlyCommand(true);
  // 7. Own names.
  state_.LocalComputerName = lan::GetLocalComputerName(ctx_.api);
  state_.LocalUserName = lan::GetLocalUserName(ctx_.api);
  // 8. The splitter.
  SetSplitPosition(settings.ReadInteger(kMain, "Split", UpperPanel::kDesignHeight));
  // 9. Signatures; 10. favourites.
  LoadSignatures();
  LoadFavourites(settings, FavView->Model());
  // 11. Tool bar and status bar.
  const bool showToolbar = settings.ReadBool(kMain, "ShowToolbar", true);
  const bool showStatusbar = settings.ReadBool(kMain, "ShowStatusbar", true);
  actions.ShowToolbar->setChecked(showToolbar);
  actions.ShowStatusbar->setChecked(showStatusbar);
  ToolBar1->setVisible(showToolbar);
  statusBar()->setVisible(showStatusbar);
  // 12. Hints.
  SetHints(options_.Tooltips());
  // 13. Domain and controller.
  if (options_.ScanDomain()) {
    state_.DomainControllerName = lan::GetDomainControllerName(ctx_.api, state_.PrimaryDomainName);
    state_.PrimaryDomainName = lan::GetPrimaryDomainName(ctx_.api);
  } else {
    state_.DomainControllerName.clear();
    state_.PrimaryDomainName.clear();
  }
  // 14. Servers; 15. Net Items; 16. saved messages.
  if (options_.ScanDomain()) browser_->FillServerView();
  browser_->Refresh();
  FillMessageView(ctx_.hive, Panel2->saved->MsgView);
  // 17. First tabs; 18. the Net Items click handling.
  RecipPage->setCurrentIndex(0);
  NetPage->setCurrentIndex(0);
  Panel2->MessagePage->setCurrentIndex(0);
  browser_->NetViewClick();
  // 20. The messenger service.
  CheckMessengerService();
  return true;
}

void TMain::LoadSignatures() {
  store::Settings settings(ctx_.hive);
  QStringList history;
  for (const std::string& name : settings.ReadValueNames(kSignature)) history.append(Q(name));
  QComboBox* box = Panel2->message->SignatureBox;
  SetBoxHistory(box, history);
  if (history.isEmpty()) {
    box->setEditText(Q(Format(res::kDefaultSignature, {state_.LocalUserName, state_.LocalComputerName})));
    UpdateBoxHistory(box);
  }
}

void TMain::SetHints(bool on) {
  for (ItemView* v : {NetView, FavView, RecipView, SrvView}) v->SetHintsEnabled(on);
}

void TMain::CheckMessengerService() {
  std::vector<std::string> names;
  lan::Status status = lan::GetMessengerNames(ctx_.api, names);
  if (status != lan::NERR_Success)
    ctx_.boxes.Error(this, Q(Format(res::kMessengerService, {lan::NetErrorText(status)})), 16);
}

void TMain::FormDestroy() {
  if (!state_.WriteBack()) return;
  WriteMessageOrder(ctx_.hive, Panel2->saved->MsgView);
  QCoreApplication::processEvents();
  store::Settings settings(ctx_.hive);
  ctx_.hive.WriteTransaction([&] {
    const bool normal = !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    if (normal) {
      settings.WriteInteger(kMain, "Left", x());
      settings.WriteInteger(kMain, "Top", y());
      settings.WriteInteger(kMain, "Width", width());
      settings.WriteInteger(kMain, "Height", height());
      settings.WriteInteger(kMain, "Split", SplitPosition());
    }
    settings.WriteBool(kMain, "ShowToolbar", actions.ShowToolbar->isChecked());
    settings.WriteBool(kMain, "ShowStatusbar", actions.ShowStatusbar->isChecked());
    settings.WriteInteger(kMain, "Listnumber", state_.listCounter);
    SaveFavourites(settings, FavView->Model());
    settings.EraseSection(kSignature);
    for (const QString& s : BoxHistory(Panel2->message->SignatureBox))
      settings.WriteString(kSignature, s.toStdString(), "");
    for (const ItemRow& r : SrvView->Model().Rows()) settings.WriteBool(kServers, r.name.toStdString(), r.checked);
  });
  state_.AbortRequested = true;
  QCoreApplication::processEvents();
}

int TMain::SplitPosition() const { return Panel1->height(); }

void TMain::SetSplitPosition(int upperHeight) {
  upperHeight = std::max(upperHeight, UpperPanel::kMinHeight);
  QList<int> sizes = Splitter1->sizes();
  const int total = std::max(sizes.value(0) + sizes.value(1), upperHeight + MessageArea::kMinHeight);
  Splitter1->setSizes({upperHeight, total - upperHeight});
  Panel1->resize(Panel1->width(), upperHeight);
}

void TMain::DisableInput() {
  setEnabled(false);
  if (!QApplication::overrideCursor()) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TMain::EnableInput() {
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  setEnabled(true);
}

void TMain::ShowStatus(const QString& text) { StatusBar1Text->setText(QStringLiteral("  ") + text); }
QString TMain::StatusText() const { return StatusBar1Text->text(); }

void TMain::UpdateSBar() {
  ShowStatus(
      Q(Format(res::kCounts, {std::to_string(NetView->Model().Count()), std::to_string(FavView->Model().Count()),
                              std::to_string(RecipView->Model().Count()), std::to_string(SrvView->Model().Count())})));
}

void TMain::ItemDetails(ItemView* view) {
  const auto rows = view->SelectedRows();
  if (rows.size() != 1) return;
  const ItemRow& r = view->Model().Row(rows.front());
  if (!options_.DisplayExtra() || (r.kind != kUser && r.kind != kComputer)) {
    UpdateSBar();
    return;
  }
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QString detail;
  if (r.kind == kComputer) {
    detail = Q(lan::GetHostAddress(ctx_.api, r.name.toStdString()));
    if (detail.isEmpty() && view == NetView) detail = QString::fromLatin1(res::kNoIpAddress);
  } else {
    detail = Q(lan::GetUserFullName(ctx_.api, r.name.toStdString(), state_.DomainControllerName));
  }
  QCoreApplication::processEvents();
  QApplication::restoreOverrideCursor();
  ShowStatus(r.name + QStringLiteral(": ") + detail);
}

void TMain::LogIfShowing(const QString& text) {
  if (status_ && status_->isVisible()) status_->Log(text);
}

void TMain::ExitCommand() {
  QCoreApplication::processEvents();
  closing_ = true;
  QApplication::quit();
}

void TMain::ShowToolbarClick() {
  const bool show = !ToolBar1->isVisible();
  if (show) addToolBar(Qt::TopToolBarArea, ToolBar1);
  ToolBar1->setVisible(show);
  actions.ShowToolbar->setChecked(show);
}

void TMain::ShowStatusbarClick() {
  const bool show = !statusBar()->isVisible();
  statusBar()->setVisible(show);
  actions.ShowStatusbar->setChecked(show);
}

void TMain::ShowStatusWin1Click() {
  if (!status_) return;
  DisableInput();
  status_->show();
}

void TMain::FormActivate() {
  if (state_.listCounter == 0) {
    state_.listCounter = 1;
    ShowHelp(1);
  }
  if (Panel1->isVisible()) {
    if (NetPage->currentWidget() == FavView)
      FavView->setFocus();
    else
      NetView->setFocus();
  }
}

void TMain::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
}

void TMain::closeEvent(QCloseEvent* e) {
  if (!closing_ && options_.MinimizeNotExit()) {
    e->ignore();
    showMinimized();
    return;
  }
  e->accept();
  closing_ = true;
  QApplication::quit();
}

void TMain::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  Panel1->LayOut();
}

}  // namespace vantor::gui
