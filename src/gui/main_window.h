#pragma once
// TMain, the main window: the network side (Net Items, Favourites), the
// recipients side (Recipients, Servers) and the message area. This class
// owns the widgets and runs start-up, layout and shutdown; the network
// browser, the status line and the stores of favourites and saved messages
// are collaborators of their own.

#include "gui/app_context.h"
#include "gui/main_actions.h"

#include <QMainWindow>

#include <memory>

class QLabel;
class QSplitter;
class QTabWidget;
class QToolBar;
class QToolButton;

namespace vantor::delivery {
class SessionQuery;
class TStatus;
}  // namespace vantor::delivery

namespace vantor::gui {

class ItemView;
class MessageArea;
class NetBrowser;
class StatusLine;
class TOptions;
class UpperPanel;

class TMain : public QMainWindow {
  Q_OBJECT
 public:
  static constexpr int kDefaultLeft = 35, kDefaultTop = 35, kDefaultWidth = 384, kDefaultHeight = 404;
  static constexpr int kMinWidth = 384, kMinHeight = 396;

  TMain(AppContext& ctx, AppState& state, TOptions& options, QWidget* parent = nullptr);
  ~TMain() override;

  // The start-up sequence. False when the command line ends the program.
  bool FormCreate();
  // Writes the window's state back (nothing while the list counter is -1).
  void FormDestroy();
  // The status window is created after the main window.
  void SetStatusWindow(delivery::TStatus* status) { status_ = status; }
  delivery::TStatus* StatusWindow() const { return status_; }

  void DisableInput();
  void EnableInput();
  void UpdateSBar();
  void ItemDetails(ItemView* view);
  // Sets the status line to two spaces and the text.
  void ShowStatus(const QString& text);
  QString StatusText() const;

  // Logs a line to the status window if it is showing: "date time  text".
  void LogIfShowing(const QString& text);

  // Commands.
  void ExitCommand();
  void ShowToolbarClick();
  void ShowStatusbarClick();
  void ShowStatusWin1Click();
  void ShowHelp(int topic);

  AppContext& ctx() { return ctx_; }
  AppState& state() { return state_; }
  TOptions& options() { return options_; }
  NetBrowser& browser() { return *browser_; }
  delivery::SessionQuery& query() { return *query_; }

  MainActions actions;
  QToolBar* ToolBar1;
  QLabel* StatusBar1Text;
  UpperPanel* Panel1;
  QTabWidget* NetPage;
  QTabWidget* RecipPage;
  ItemView* NetView;
  ItemView* FavView;
  ItemView* RecipView;
  ItemView* SrvView;
  QToolButton* sbAddRecip;
  QToolButton* sbRemoveRecip;
  QToolButton* sbTypeRecip;
  QSplitter* Splitter1;
  MessageArea* Panel2;

  int SplitPosition() const;
  void SetSplitPosition(int upperHeight);

 protected:
  void changeEvent(QEvent* e) override;
  void closeEvent(QCloseEvent* e) override;
  void resizeEvent(QResizeEvent* e) override;

 private:
  void BuildUi();
  void ConnectCommands();
  bool HandleCommandLine();
  void ReadWindowSettings();
  void LoadSignatures();
  void FormActivate();
  void SetHints(bool on);
  void CheckMessengerService();

  AppContext& ctx_;
  AppState& state_;
  TOptions& options_;
  delivery::TStatus* status_ = nullptr;
  std::unique_ptr<delivery::SessionQuery> query_;
  std::unique_ptr<NetBrowser> browser_;
  bool closing_ = false;
};

}  // namespace vantor::gui
