// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TMain, the main window: the network side (Net Items, Favourites), the
// recipients side (Recipients, Servers) and the message area. This class
// owns the widgets, lays them out, and runs start-up and shutdown; each of
// the window's behaviours lives in a class of its own (the network browser,
// the recipients and favourites, the status line), which works through the
// views and commands it is given.

#include "gui/app_context.h"

#include <QMainWindow>

#include <memory>

class QLabel;
class QSplitter;
class QToolBar;

namespace vantor::delivery {
class SessionQuery;
class TStatus;
}  // namespace vantor::delivery

namespace vantor::gui {

class AwaitingNetApi;
class ListCommands;
class MainCommands;
struct MainViews;
class MessageArea;
class NetBrowser;
class OptionsCommand;
class Recipients;
class SavedMessagesCommands;
class SendCommand;
class TransferCommands;
class StatusLine;
class TAbout;
class TEditList;
class TOptions;
class TReceived;
class TrayIcon;
class TTypeRecip;
class UpperPanel;

class TMain : public QMainWindow, public InputGate {
  Q_OBJECT
 public:
  static constexpr int kDefaultLeft = 35, kDefaultTop = 35, kDefaultWidth = 384, kDefaultHeight = 404;
  static constexpr int kDesignHeight = 410;
  static constexpr int kMinWidth = 384, kMinHeight = 396;

  TMain(AppContext& ctx, AppState& state, TOptions& options, QWidget* parent = nullptr);
  ~TMain() override;

  // The start-up sequence. False when the command line ends the program.
  bool FormCreate();
  // The windows created after the main window, once they exist.
  void AttachStatusWindow(delivery::TStatus* status);
  void AttachListEditor(TEditList* editor);
  void AttachAboutBox(TAbout* about);
  void AttachTypeInDialog(TTypeRecip* typeIn);
  // The four item views, for the list editor.
  const MainViews& Views() const;
  // UpdateSBar: the row counts of the four views in the status line.
  void UpdateCounts();
  // The tray box of the options dialog changed: the icon comes or goes.
  void TrayOptionToggled(bool on);
  // Writes the window's state to the store (nothing while the list counter
  // is -1) and asks running session queries to stop. StoreError when the
  // store refuses.
  void FormDestroy();

  void DisableInput() override;
  void DisableInputWhileBusy() override;
  void EnableInput() override;

  // The height of the upper panel (the splitter's place).
  int SplitPosition() const;
  void SetSplitPosition(int upperHeight);

 protected:
  void changeEvent(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;
  bool eventFilter(QObject* watched, QEvent* e) override;
  QMenu* createPopupMenu() override;

 private:
  void BuildUi();
  void ConnectCommands();
  void ConnectViews();
  bool HandleCommandLine();
  void ReadWindowSettings();
  void LoadSignatures();
  void LoadFavourites();
  void FormActivate();
  void SetHints(bool on);
  void CheckMessengerService();
  void LogIfShowing(const QString& text);
  // Ends a DisableInputWhileBusy: disables the window when disable is set.
  void EndPendingDisable(bool disable);
  void ShowHelp(int topic);
  void ExitCommand();
  void ShowToolbarClick();
  void ShowStatusbarClick();
  void ShowStatusWin1Click();
  void ShowReceivedClick();
  void NetPageChange();

  AppContext& m_ctx;
  AppState& m_state;
  TOptions& m_options;
  delivery::TStatus* m_status = nullptr;
  TEditList* m_editList = nullptr;
  TAbout* m_about = nullptr;
  TTypeRecip* m_typeIn = nullptr;
  QToolBar* m_toolBar = nullptr;
  QLabel* m_statusText = nullptr;
  UpperPanel* m_upper = nullptr;
  QSplitter* m_splitter = nullptr;
  MessageArea* m_messageArea = nullptr;
  MainCommands* m_commands = nullptr;
  AwaitingNetApi* m_net = nullptr;  // the network, as this thread calls it
  std::unique_ptr<StatusLine> m_statusLine;
  std::unique_ptr<delivery::SessionQuery> m_query;
  std::unique_ptr<NetBrowser> m_browser;
  std::unique_ptr<Recipients> m_recipients;
  std::unique_ptr<SendCommand> m_send;
  std::unique_ptr<ListCommands> m_lists;
  std::unique_ptr<OptionsCommand> m_optionsCommand;
  SavedMessagesCommands* m_saved = nullptr;  // owned by the window
  std::unique_ptr<TransferCommands> m_transfer;
  TrayIcon* m_tray = nullptr;
  TReceived* m_received = nullptr;  // made when first shown; owned by the window
  bool m_closing = false;
  // Set by DisableInputWhileBusy until the dispatcher's next round, which
  // disables the window (the two connections), or until EnableInput.
  bool m_disablePending = false;
  QMetaObject::Connection m_dispatcherAwake;
  QMetaObject::Connection m_dispatcherAboutToBlock;
};

}  // namespace vantor::gui
