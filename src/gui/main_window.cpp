// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/main_window.h"

#include "common/text.h"
#include "delivery/session_query.h"
#include "delivery/status_window.h"
#include "gui/about_box.h"
#include "gui/awaiting_net_api.h"
#include "gui/help.h"
#include "gui/history_box.h"
#include "gui/image_list.h"
#include "gui/item_view.h"
#include "gui/list_commands.h"
#include "gui/main_commands.h"
#include "gui/message_area.h"
#include "gui/message_boxes.h"
#include "gui/net_browser.h"
#include "gui/options_command.h"
#include "gui/options_dialog.h"
#include "gui/received_window.h"
#include "gui/recipients.h"
#include "gui/res_strings.h"
#include "gui/saved_messages_commands.h"
#include "gui/send_command.h"
#include "gui/status_line.h"
#include "gui/transfer_commands.h"
#include "gui/tray_icon.h"
#include "gui/upper_panel.h"
#include "lan/directory.h"
#include "lan/net_error_text.h"
#include "store/favourites.h"
#include "store/settings.h"

#include <QAbstractEventDispatcher>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSplitter>
#include <QStatusBar>
#include <QTabBar>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <QWindowStateChangeEvent>

namespace vantor::gui {

namespace {
constexpr int kMessengerHelpTopic = 16;
constexpr int kParameterHelpTopic = 10;
constexpr int kFirstRunHelpTopic = 1;
constexpr int kContentsHelpTopic = 0;
constexpr int kMenuHelpTopic = 11;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Text(const char* text) { return QString::fromLatin1(text); }
}  // namespace

TMain::TMain(AppContext& ctx, AppState& state, TOptions& options, QWidget* parent)
    : QMainWindow(parent), m_ctx(ctx), m_state(state), m_options(options) {
  setObjectName(QStringLiteral("TMain"));
  setWindowTitle(Text(res::kAppTitle));
  setWindowIcon(AppIcon());
  setMinimumSize(kMinWidth, kMinHeight);
  BuildUi();
  m_net = new AwaitingNetApi(m_ctx.api);
  m_net->setParent(this);
  const MainViews& views = m_upper->Views();
  m_statusLine = std::make_unique<StatusLine>(*m_statusText, views, *m_net, m_state, m_options);
  m_query = std::make_unique<delivery::SessionQuery>(m_ctx.api, m_state.AbortRequested, this);
  m_query->SetReporter([this](const std::string& text) {
    m_statusLine->Show(Q(text));
    LogIfShowing(Q(text));
  });
  m_browser =
      std::make_unique<NetBrowser>(NetBrowser::Deps{*m_net, *m_net, m_ctx.hive, m_ctx.boxes, *this, m_state, m_options,
                                                    views, *m_commands, *m_statusLine, *this, *m_query});
  m_recipients = std::make_unique<Recipients>(
      Recipients::Deps{views, *m_commands, *m_statusLine, m_messageArea->Message(),
                       [this] { m_browser->NetViewClick(); }, [this] { return m_typeIn; }});
  m_saved = new SavedMessagesCommands(SavedMessagesCommands::Deps{
      m_ctx.hive, m_ctx.boxes, *this, m_options, views, *m_commands, *m_messageArea, [this](int t) { ShowHelp(t); }});
  m_transfer = std::make_unique<TransferCommands>(
      TransferCommands::Deps{m_ctx.hive, m_ctx.boxes, m_ctx.files, *this, *m_saved, [this] { m_browser->Refresh(); },
                             [this] { m_recipients->RecipViewClick(Recipients::Source::Other); },
                             [this] { m_messageArea->ShowSavedMessagesTab(); }});
  m_send = std::make_unique<SendCommand>(SendCommand::Deps{
      *m_net, *m_net, m_ctx.hive, m_ctx.boxes, *this, m_state, m_options, views, *m_commands, *m_statusLine, *this,
      *m_query, m_messageArea->Message(), [this] { return m_status; }, [this] { m_saved->StoreForSend(); }});
  m_lists = std::make_unique<ListCommands>(ListCommands::Deps{
      m_ctx.hive, m_ctx.boxes, *this, m_state, views, *m_commands, *m_statusLine, [this] { return m_editList; }});
  m_optionsCommand = std::make_unique<OptionsCommand>(
      OptionsCommand::Deps{m_options, m_state, *m_net, *m_browser, *m_statusLine, [this](bool on) { SetHints(on); },
                           [this] { m_recipients->Memo1Change(); }});
  m_tray = new TrayIcon(*this, m_state, [this] { ExitCommand(); });
  ConnectCommands();
  ConnectViews();
}

TMain::~TMain() {
  // Closing the widgets moves the focus about; nothing may call back into
  // behaviours that are going away.
  for (QObject* child : findChildren<QObject*>()) child->blockSignals(true);
}

void TMain::BuildUi() {
  QFont font(QStringLiteral("Arial"));
  font.setPointSize(8);
  setFont(font);

  m_toolBar = new QToolBar(QStringLiteral("ToolBar1"), this);
  m_toolBar->setObjectName(QStringLiteral("ToolBar1"));
  m_toolBar->setMovable(false);
  m_toolBar->setIconSize(QSize(16, 16));
  addToolBar(Qt::TopToolBarArea, m_toolBar);
  m_commands = new MainCommands(this, menuBar(), m_toolBar);

  m_statusText = new QLabel(this);
  m_statusText->setObjectName(QStringLiteral("StatusBar1Text"));
  statusBar()->setObjectName(QStringLiteral("StatusBar1"));
  statusBar()->addWidget(m_statusText, 1);
  statusBar()->setSizeGripEnabled(true);

  m_upper = new UpperPanel(this);
  m_commands->BindButton(Command::AddRecipientButton, &m_upper->AddRecipientButton());
  m_commands->BindButton(Command::RemoveRecipientButton, &m_upper->RemoveRecipientButton());
  m_commands->BindButton(Command::TypeRecipientButton, &m_upper->TypeRecipientButton());
  m_messageArea = new MessageArea(this);
  m_commands->BindButton(Command::SendButton, &m_messageArea->Message().SendButton());

  m_splitter = new QSplitter(Qt::Vertical, this);
  m_splitter->setObjectName(QStringLiteral("Splitter1"));
  m_splitter->addWidget(m_upper);
  m_splitter->addWidget(m_messageArea);
  m_splitter->setChildrenCollapsible(false);
  m_splitter->setOpaqueResize(true);
  // The upper panel keeps its height; the message area takes the rest.
  m_splitter->setStretchFactor(0, 0);
  m_splitter->setStretchFactor(1, 1);
  m_splitter->handle(1)->setToolTip(Text(res::kSplitterHint));
  setCentralWidget(m_splitter);
  resize(kDefaultWidth, kDesignHeight);
  SetSplitPosition(UpperPanel::kDesignHeight);
}

void TMain::ConnectCommands() {
  MainCommands& c = *m_commands;
  Recipients& r = *m_recipients;
  using C = Command;
  using Source = Recipients::Source;
  c.OnTriggered({C::Exit}, [this] { ExitCommand(); });
  c.OnTriggered({C::ShowToolbar}, [this] { ShowToolbarClick(); });
  c.OnTriggered({C::ShowStatusbar}, [this] { ShowStatusbarClick(); });
  c.OnTriggered({C::ShowStatusWindow}, [this] { ShowStatusWin1Click(); });
  c.OnTriggered({C::ShowReceived}, [this] { ShowReceivedClick(); });
  c.OnTriggered({C::Refresh}, [this] { m_browser->Refresh(); });
  c.OnTriggered({C::ToolActiveOnly, C::MenuActiveOnly}, [this] {
    m_browser->ActiveOnlyToggle();
    m_recipients->RecipViewClick(Recipients::Source::Other);
  });
  c.OnTriggered({C::Contents}, [this] { ShowHelp(kContentsHelpTopic); });
  c.OnTriggered({C::ToolNewList, C::MenuAddNewList, C::PopupAddNewList}, [this] { m_lists->tbMakeListClick(); });
  c.OnTriggered({C::ToolEditList, C::MenuEditList, C::PopupEditList}, [this] { m_lists->EditlistBtnClick(); });
  c.OnTriggered({C::ToolDeleteList, C::MenuDeleteList, C::PopupDeleteList}, [this] { m_lists->DelListBtnClick(); });
  c.OnTriggered({C::Options}, [this] { m_optionsCommand->Run(); });
  c.OnTriggered({C::About}, [this] {
    if (m_about) m_about->ShowCentred();
  });
  c.OnTriggered({C::SendButton}, [this] { m_send->Run(); });
  c.OnTriggered({C::SaveMessage}, [this] { m_saved->tbSaveMessageClick(); });
  c.OnTriggered({C::ExportLists}, [this] { m_transfer->ExportLists1Click(); });
  c.OnTriggered({C::ImportLists}, [this] { m_transfer->ImportLists1Click(); });
  c.OnTriggered({C::ExportMessages}, [this] { m_transfer->ExportMessages1Click(); });
  c.OnTriggered({C::ImportMessages}, [this] { m_transfer->ImportMessages1Click(); });
  c.OnTriggered({C::AddRecipientButton, C::MenuAddToRecipients, C::PopupAddToRecipients}, [&r] { r.AddBtnClick(); });
  c.OnTriggered({C::RemoveRecipientButton, C::MenuRemoveFromRecipients, C::PopupRemoveFromRecipients},
                [&r] { r.DelBtnClick(); });
  c.OnTriggered({C::TypeRecipientButton, C::MenuTypeInRecipient, C::PopupTypeInRecipient},
                [&r] { r.sbTypeRecipClick(); });
  c.OnTriggered({C::ToolAddFavourite, C::MenuAddToFavourites, C::PopupAddToFavourites}, [&r] { r.tbAddFavClick(); });
  c.OnTriggered({C::ToolRemoveFavourite, C::MenuRemoveFromFavourites, C::PopupRemoveFromFavourites},
                [&r] { r.tbDelFavClick(Source::Other); });
  c.OnTriggered({C::TypeInFavourite, C::PopupTypeInFavourite}, [&r] { r.Typeinafavourite1Click(); });
  connect(&c, &MainCommands::editMenuOpening, this, [&r] { r.Edit1Click(); });
  // F1 while a main menu is open asks for the menus' topic.
  for (QMenu* menu : menuBar()->findChildren<QMenu*>()) menu->installEventFilter(this);
}

void TMain::ConnectViews() {
  const MainViews& v = m_upper->Views();
  Recipients& r = *m_recipients;
  using Source = Recipients::Source;
  for (ItemView* view : {&v.net, &v.fav, &v.recip, &v.srv}) {
    connect(view, &ItemView::helpRequested, this, &TMain::ShowHelp);
    connect(view, &ItemView::focusLost, this, [this] { m_statusLine->UpdateSBar(); });
  }
  for (ItemView* view : {&v.net, &v.fav, &v.recip}) {
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& at) {
      m_recipients->PopupMenu1Popup(*view);
      m_commands->PopupMenu()->popup(view->viewport()->mapToGlobal(at));
    });
    connect(view, &ItemView::rowsDropped, this,
            [this, view](QWidget* source) { m_recipients->RowsDropped(*view, source); });
  }
  const auto fromItemViews = [&v](const QWidget* source) {
    return source == &v.net || source == &v.fav || source == &v.recip;
  };
  v.recip.AcceptDropsFrom(fromItemViews);
  v.net.AcceptDropsFrom(fromItemViews);
  v.fav.AcceptDropsFrom([&v](const QWidget* source) { return source == &v.net || source == &v.recip; });

  connect(&v.net, &ItemView::rowClicked, this, [this] { m_browser->NetViewClick(); });
  connect(&v.net, &ItemView::enterReleased, this, [&r] { r.AddBtnClick(); });
  connect(&v.net, &ItemView::rowDoubleClicked, this, [&r] { r.AddBtnClick(); });
  connect(&v.fav, &ItemView::rowClicked, this, [&r] { r.FavViewClick(Source::FavView); });
  connect(&v.fav, &ItemView::enterReleased, this, [&r] { r.FavViewDblClick(); });
  connect(&v.fav, &ItemView::rowDoubleClicked, this, [&r] { r.FavViewDblClick(); });
  connect(&v.fav, &ItemView::deleteReleased, this, [&r] { r.tbDelFavClick(Source::FavView); });
  connect(&v.recip, &ItemView::rowClicked, this, [&r] { r.RecipViewClick(Source::RecipView); });
  for (auto signal : {&ItemView::enterReleased, &ItemView::rowDoubleClicked, &ItemView::deleteReleased})
    connect(&v.recip, signal, this, [&r] { r.DelBtnClick(); });
  connect(&v.srv, &ItemView::rowClicked, this, [this] { m_browser->SrvViewClick(); });

  connect(&v.netPage, &QTabWidget::currentChanged, this, [this] { NetPageChange(); });
  v.netPage.tabBar()->installEventFilter(this);
  connect(&v.recipPage, &QTabWidget::currentChanged, this, [&r] { r.RecipPageChange(); });
  connect(m_splitter, &QSplitter::splitterMoved, this, [this] { m_upper->LayOut(); });

  MessageTab& message = m_messageArea->Message();
  connect(&message, &MessageTab::textChanged, this, [&r] { r.Memo1Change(); });
  connect(&message, &MessageTab::helpRequested, this, &TMain::ShowHelp);
}

void TMain::AttachStatusWindow(delivery::TStatus* status) { m_status = status; }
void TMain::AttachListEditor(TEditList* editor) { m_editList = editor; }
void TMain::AttachAboutBox(TAbout* about) { m_about = about; }
void TMain::AttachTypeInDialog(TTypeRecip* typeIn) { m_typeIn = typeIn; }
const MainViews& TMain::Views() const { return m_upper->Views(); }
void TMain::UpdateCounts() { m_statusLine->UpdateSBar(); }

void TMain::TrayOptionToggled(bool on) {
  if (on)
    m_tray->Add();
  else
    m_tray->Remove();
}

void TMain::ShowHelp(int topic) { m_ctx.help.ShowTopic(topic); }

bool TMain::HandleCommandLine() {
  const QStringList& params = m_ctx.parameters;
  if (params.isEmpty()) return true;
  if (params.size() > 1) {
    m_ctx.boxes.Error(this, Text(res::kTooManyParameters), kParameterHelpTopic);
  } else if (params.front().compare(Text(res::kClearParameter), Qt::CaseInsensitive) == 0) {
    m_ctx.hive.DeleteKey(store::kRootKey);
  } else if (params.front() == Text(res::kHelpParameter)) {
    m_ctx.help.OpenFile();
  } else {
    m_ctx.boxes.Error(this, Q(Format(res::kInvalidParameter, {params.front().toStdString()})), kParameterHelpTopic);
  }
  m_state.listCounter = -1;
  return false;
}

bool TMain::FormCreate() {
  // 1. The help file.
  if (!QFileInfo::exists(m_ctx.helpFile))
    m_ctx.boxes.Error(this, Q(Format(res::kHelpFileNotFound, {m_ctx.helpFile.toStdString()})));
  // 2. The command line.
  if (!HandleCommandLine()) return false;
  // 3. Fresh state.
  m_state.windowShown = true;
  m_query->FreeActiveSessions();
  m_state.AbortRequested = false;
  const MainViews& views = m_upper->Views();
  for (ItemView* v : {&views.net, &views.fav, &views.recip, &views.srv})
    v->itemModel().SetSortState(0, SortDirection::Ascending);
  // 4. Window place and size.
  ReadWindowSettings();
  // 5. The message tab lays itself out; 6. the active-only commands.
  m_browser->SetActiveOnlyCommands(true);
  // 7. Own names.
  m_state.LocalComputerName = lan::GetLocalComputerName(*m_net);
  m_state.LocalUserName = lan::GetLocalUserName(*m_net);
  // 8. The splitter.
  store::Settings settings(m_ctx.hive);
  SetSplitPosition(settings.ReadInteger(store::kMainSection, "Split", UpperPanel::kDesignHeight));
  // 9. Signatures; 10. favourites.
  LoadSignatures();
  LoadFavourites();
  // 11. Tool bar and status bar.
  const bool showToolbar = settings.ReadBool(store::kMainSection, "ShowToolbar", true);
  const bool showStatusbar = settings.ReadBool(store::kMainSection, "ShowStatusbar", true);
  m_commands->SetChecked(Command::ShowToolbar, showToolbar);
  m_commands->SetChecked(Command::ShowStatusbar, showStatusbar);
  m_toolBar->setVisible(showToolbar);
  statusBar()->setVisible(showStatusbar);
  // 12. Hints.
  SetHints(m_options.Tooltips());
  // 13. Domain and controller.
  if (m_options.ScanDomain()) {
    m_state.DomainControllerName = lan::GetDomainControllerName(*m_net, m_state.PrimaryDomainName);
    m_state.PrimaryDomainName = lan::GetPrimaryDomainName(*m_net);
  } else {
    m_state.DomainControllerName.clear();
    m_state.PrimaryDomainName.clear();
  }
  // 14. Servers; 15. Net Items; 16. saved messages.
  if (m_options.ScanDomain()) m_browser->FillServerView();
  m_browser->Refresh();
  m_saved->FillView();
  // 17. First tabs; 18. the Net Items click handling.
  views.recipPage.setCurrentIndex(0);
  views.netPage.setCurrentIndex(0);
  m_messageArea->ShowMessageTab();
  m_browser->NetViewClick();
  // 19. The tray icon.
  if (m_options.TrayIcon()) m_tray->Add();
  // 20. The messenger service.
  CheckMessengerService();
  return true;
}

void TMain::ReadWindowSettings() {
  store::Settings settings(m_ctx.hive);
  m_state.listCounter = settings.ReadInteger(store::kMainSection, "Listnumber", 0);
  const store::WindowPlace p =
      store::ReadWindowPlace(settings, store::kMainSection, {kDefaultLeft, kDefaultTop, kDefaultWidth, kDefaultHeight});
  move(p.left, p.top);
  resize(std::max(p.width, kMinWidth), std::max(p.height, kMinHeight));
}

void TMain::LoadSignatures() {
  store::Settings settings(m_ctx.hive);
  QStringList history;
  for (const std::string& name : settings.ReadValueNames(store::kSignatureSection)) history.append(Q(name));
  HistoryBox& box = m_messageArea->Message().SignatureBox();
  box.SetHistory(history);
  if (history.isEmpty()) {
    box.setEditText(Q(Format(res::kDefaultSignature, {m_state.LocalUserName, m_state.LocalComputerName})));
    box.UpdateHistory();
  }
}

void TMain::LoadFavourites() {
  ItemModel& fav = m_upper->Views().fav.itemModel();
  const std::vector<store::Favourite> stored = store::ReadFavourites(store::Settings(m_ctx.hive));
  fav.BeginUpdate();
  for (const store::Favourite& f : stored) fav.Append({Q(f.name), Q(f.comment), f.kind});
  fav.EndUpdate(true);
}

void TMain::SetHints(bool on) {
  const MainViews& v = m_upper->Views();
  for (ItemView* view : {&v.net, &v.fav, &v.recip, &v.srv}) view->SetHintsEnabled(on);
}

void TMain::CheckMessengerService() {
  std::vector<std::string> names;
  const lan::Status status = lan::GetMessengerNames(*m_net, names);
  if (status != lan::NERR_Success)
    m_ctx.boxes.Error(this, Q(Format(res::kMessengerService, {lan::NetErrorText(status)})), kMessengerHelpTopic);
}

void TMain::FormDestroy() {
  if (!m_state.WriteBack()) return;
  // Running session queries stop at their next check, whatever the writes
  // below do.
  m_state.AbortRequested = true;
  m_saved->WriteOrder();
  QCoreApplication::processEvents();
  store::Settings settings(m_ctx.hive);
  const MainViews& views = m_upper->Views();
  m_ctx.hive.WriteTransaction([&] {
    const auto main = store::kMainSection;
    const bool normal = !(windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
    if (normal) {
      store::WriteWindowPlace(settings, main, {x(), y(), width(), height()});
      settings.WriteInteger(main, "Split", SplitPosition());
    }
    settings.WriteBool(main, "ShowToolbar", m_commands->IsChecked(Command::ShowToolbar));
    settings.WriteBool(main, "ShowStatusbar", m_commands->IsChecked(Command::ShowStatusbar));
    settings.WriteInteger(main, "Listnumber", m_state.listCounter);
    std::vector<store::Favourite> favourites;
    for (const ItemRow& r : views.fav.itemModel().Rows())
      favourites.push_back({r.name.toStdString(), r.kind, r.comment.toStdString()});
    store::WriteFavourites(settings, favourites);
    settings.EraseSection(store::kSignatureSection);
    for (const QString& s : m_messageArea->Message().SignatureBox().History())
      settings.WriteString(store::kSignatureSection, s.toStdString(), "");
    for (const ItemRow& r : views.srv.itemModel().Rows())
      settings.WriteBool(store::kServersSection, r.name.toStdString(), r.checked);
  });
  QCoreApplication::processEvents();
}

int TMain::SplitPosition() const { return m_upper->height(); }

void TMain::SetSplitPosition(int upperHeight) {
  upperHeight = std::max(upperHeight, UpperPanel::kMinHeight);
  const QList<int> sizes = m_splitter->sizes();
  const int total = std::max(sizes.value(0) + sizes.value(1), upperHeight + MessageArea::kMinHeight);
  m_splitter->setSizes({upperHeight, total - upperHeight});
  m_upper->resize(m_upper->width(), upperHeight);
}

void TMain::DisableInput() {
  EndPendingDisable(false);
  setEnabled(false);
  if (!QApplication::overrideCursor()) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void TMain::DisableInputWhileBusy() {
  if (!QApplication::overrideCursor()) QApplication::setOverrideCursor(Qt::WaitCursor);
  if (m_disablePending || !isEnabled()) return;
  // The dispatcher reports each round before it delivers anything: awake
  // when it will not wait, aboutToBlock when it may.
  auto* dispatcher = QAbstractEventDispatcher::instance();
  if (!dispatcher) {
    setEnabled(false);
    return;
  }
  m_disablePending = true;
  auto disable = [this] { EndPendingDisable(true); };
  m_dispatcherAwake = connect(dispatcher, &QAbstractEventDispatcher::awake, this, disable, Qt::DirectConnection);
  m_dispatcherAboutToBlock =
      connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, disable, Qt::DirectConnection);
}

void TMain::EndPendingDisable(bool disable) {
  if (!m_disablePending) return;
  m_disablePending = false;
  disconnect(m_dispatcherAwake);
  disconnect(m_dispatcherAboutToBlock);
  if (disable) setEnabled(false);
}

void TMain::EnableInput() {
  EndPendingDisable(false);
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  setEnabled(true);
}

void TMain::LogIfShowing(const QString& text) {
  if (m_status && m_status->isVisible()) m_status->Log(text);
}

void TMain::ExitCommand() {
  if (m_options.TrayIcon()) m_tray->Remove();
  QCoreApplication::processEvents();
  m_closing = true;
  QApplication::quit();
}

void TMain::ShowToolbarClick() {
  const bool show = !m_toolBar->isVisible();
  if (show) addToolBar(Qt::TopToolBarArea, m_toolBar);
  m_toolBar->setVisible(show);
  m_commands->SetChecked(Command::ShowToolbar, show);
}

void TMain::ShowStatusbarClick() {
  const bool show = !statusBar()->isVisible();
  statusBar()->setVisible(show);
  m_commands->SetChecked(Command::ShowStatusbar, show);
}

void TMain::ShowStatusWin1Click() {
  if (!m_status) return;
  // Only the main window waits while the log shows; the cursor stays as it is.
  setEnabled(false);
  m_status->show();
}

void TMain::ShowReceivedClick() {
  if (!m_received) m_received = new TReceived(m_ctx.hive, this);
  m_received->show();
  m_received->raise();
  m_received->activateWindow();
}

void TMain::NetPageChange() {
  if (m_upper->Views().FavouritesShowing())
    m_recipients->FavViewClick(Recipients::Source::Other);
  else
    m_browser->NetViewClick();
}

void TMain::FormActivate() {
  if (m_state.listCounter == 0) {
    m_state.listCounter = 1;
    ShowHelp(kFirstRunHelpTopic);
  }
  if (m_upper->isVisible()) {
    const MainViews& v = m_upper->Views();
    if (v.FavouritesShowing())
      v.fav.setFocus();
    else
      v.net.setFocus();
  }
}

bool TMain::eventFilter(QObject* watched, QEvent* e) {
  if (watched == m_upper->Views().netPage.tabBar() && e->type() == QEvent::FocusIn) NetPageChange();
  if (e->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(e)->key() == Qt::Key_F1 &&
      qobject_cast<QMenu*>(watched) && static_cast<QMenu*>(watched)->parent() == menuBar()) {
    ShowHelp(kMenuHelpTopic);
    return true;
  }
  return QMainWindow::eventFilter(watched, e);
}

QMenu* TMain::createPopupMenu() {
  // No menu of Qt's own on the tool bar: the View menu alone shows and hides it.
  return nullptr;
}

void TMain::changeEvent(QEvent* e) {
  QMainWindow::changeEvent(e);
  if (e->type() == QEvent::ActivationChange && isActiveWindow()) FormActivate();
  if (e->type() == QEvent::WindowStateChange) {
    // AppMinimized and AppRestored.
    const bool wasMinimised = static_cast<QWindowStateChangeEvent*>(e)->oldState() & Qt::WindowMinimized;
    if (isMinimized() && !wasMinimised) m_tray->Minimized(m_options.TrayIcon());
    if (!isMinimized() && wasMinimised) m_tray->Restored(m_options.TrayIcon());
  }
}

void TMain::closeEvent(QCloseEvent* e) {
  if (!m_closing && m_options.MinimizeNotExit()) {
    e->ignore();
    m_tray->Minimise();
    return;
  }
  if (m_options.TrayIcon()) m_tray->Remove();
  e->accept();
  m_closing = true;
  QApplication::quit();
}

void TMain::resizeEvent(QResizeEvent* e) {
  QMainWindow::resizeEvent(e);
  m_upper->LayOut();
}

}  // namespace vantor::gui
