// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/send_command.h"

#include "common/text.h"
#include "common/utf.h"
#include "delivery/compose.h"
#include "delivery/dispatch.h"
#include "delivery/session_query.h"
#include "delivery/status_window.h"
#include "gui/app_context.h"
#include "gui/history_box.h"
#include "gui/item_view.h"
#include "gui/main_commands.h"
#include "gui/message_area.h"
#include "gui/message_boxes.h"
#include "gui/options_dialog.h"
#include "gui/res_strings.h"
#include "gui/status_line.h"
#include "gui/upper_panel.h"
#include "lan/net_api.h"
#include "lan/net_error_text.h"

#include <QApplication>
#include <QElapsedTimer>

#include <vector>

namespace vantor::gui {

namespace {

constexpr int kLengthHelpTopic = 9;

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Text(const char* text) { return QString::fromLatin1(text); }

// Alias statuses after which the refused alias stays in the history: the
// name is registered already, or elsewhere.
bool KeepsRefusedAlias(lan::Status status) { return status == 2136 || status == 2276 || status == 2277; }

// The log and the event processing of the dispatch, on the status window.
// A group of thousands gives a line per member: each line is added as its
// result comes, and the lines reach the view, with the events, every few
// milliseconds, which is as often as anyone sees them and still takes a
// Cancel at once.
class StatusLog : public delivery::DispatchHost {
 public:
  explicit StatusLog(delivery::TStatus& status) : m_status(status) {}
  ~StatusLog() override { Flush(); }
  void Log(const std::string& text) override { m_status.AddLine(m_status.Stamped(Q(text))); }
  bool EventsDue() const override { return !m_sinceFlush.isValid() || m_sinceFlush.elapsed() >= kEveryMs; }
  void ProcessEvents() override {
    if (!EventsDue()) return;
    Flush();
    QCoreApplication::processEvents();
  }
  void Flush() {
    m_status.ShowAddedLines();
    m_sinceFlush.restart();
  }

 private:
  static constexpr int kEveryMs = 15;
  delivery::TStatus& m_status;
  QElapsedTimer m_sinceFlush;
};

std::vector<delivery::QueryServer> ServersOf(const ItemModel& view) {
  std::vector<delivery::QueryServer> servers;
  for (const ItemRow& r : view.Rows()) servers.push_back({r.name.toStdString(), r.checked});
  return servers;
}

}  // namespace

std::string SendCommand::CodePage() const { return m_.api.MessageCodePage(); }

void SendCommand::OfferCut(const char* question, long long excess) {
  const QString text = Q(Format(question, {std::to_string(excess)}));
  BoxRequest r;
  r.kind = BoxKind::Error;
  r.caption = Text(res::kAppTitle);
  r.text = text;
  r.buttons = {BoxButton::Yes, BoxButton::No, BoxButton::Help};
  r.helpTopic = kLengthHelpTopic;
  if (m_.boxes.Show(&m_.window, r) != BoxButton::Yes) return;
  // The box's text counts each line break as the two characters it takes in
  // the message; so does the cut.
  const std::string memo = delivery::WithCrLf(m_.message.Text().toStdString());
  const long long memoLength = static_cast<long long>(delivery::WireLength(memo, {}));
  m_.message.SetText(Q(delivery::WithoutCrLf(delivery::FirstCharacters(memo, memoLength - excess - 2))));
}

bool SendCommand::WithinLimits(std::size_t length) {
  for (const ItemRow& r : m_.views.recip.itemModel().Rows()) {
    if (r.kind != kDomainKind) continue;
    if (length > delivery::kBroadcastLimit) {
      OfferCut(res::kBroadcastTooLong, static_cast<long long>(length - delivery::kBroadcastLimit));
      return false;
    }
    break;
  }
  if (length > delivery::kMessageLimit) {
    OfferCut(res::kMessageTooLong, static_cast<long long>(length - delivery::kMessageLimit));
    m_.status.UpdateSBar();
    return false;
  }
  return true;
}

void SendCommand::RegisterAlias(delivery::TStatus& log) {
  HistoryBox& alias = m_.options.AliasBox();
  const QString name = alias.currentText();
  if (name.isEmpty()) return;
  if (log.isVisible()) log.Log(Q(Format(res::kRegisteringAlias, {name.toStdString()})));
  const lan::Status status = m_.api.NetMessageNameAdd({}, name.toStdString());
  alias.UpdateHistory();
  if (!log.isVisible() || status == lan::NERR_Success) return;
  log.Log(Q(Format(res::kAliasError, {lan::NetErrorText(status)})));
  if (KeepsRefusedAlias(status)) return;
  log.Log(Q(Format(res::kAliasRemoved, {name.toStdString()})));
  // The previous alias, if any, is the sender from now on.
  alias.RemoveFromHistory();
}

void SendCommand::SendToRecipients(delivery::TStatus& log, const std::u16string& text) {
  StatusLog host(log);
  delivery::DispatchSettings settings{m_.state.LocalComputerName, m_.state.LocalUserName, m_.state.DomainControllerName,
                                      m_.options.SendtoActive(), m_.options.Alias().toStdString()};
  delivery::Dispatcher dispatcher(m_.api, m_.hive, host, m_.state.AbortRequested, settings, text,
                                  m_.query.ActiveSessions(), &m_.ahead);
  log.Log(Text(res::kSendingMessages));
  m_.status.Show(Text(res::kSendingMessages));
  m_.state.AbortRequested = false;
  ItemView& recipients = m_.views.recip;
  for (int i = 0; i < recipients.itemModel().Count(); ++i) {
    QCoreApplication::processEvents();
    const ItemRow row = recipients.itemModel().Row(i);
    dispatcher.Dispatch({row.name.toStdString(), row.kind, row.comment.toStdString()});
    recipients.SelectRow(i, false);
    if (m_.state.AbortRequested) {
      host.Flush();
      log.Log(Text(res::kMessagesAborted));
      break;
    }
  }
  host.Flush();
  log.Log(Text(res::kAllMessagesComplete));
}

void SendCommand::Run() {
  if (m_.views.recip.itemModel().Count() == 0) return;
  delivery::TStatus* log = m_.statusWindow();
  if (!log) return;
  m_.commands.SetEnabled(Command::ShowStatusWindow, true);

  std::vector<std::string> lines;
  const QStringList shown = m_.message.DisplayedLines();
  for (const QString& line : shown) lines.push_back(line.toStdString());
  HistoryBox& signature = m_.message.SignatureBox();
  const delivery::Composition message =
      delivery::ComposeMessage(lines, signature.currentText().toStdString(), CodePage());
  if (!WithinLimits(message.length)) return;

  signature.UpdateHistory();
  if (m_.options.SaveMessages() && m_.storeMessage) m_.storeMessage();

  m_.input.DisableInput();
  log->ClearLog();
  log->Log(Text(res::kSendingMessage));
  for (const QString& line : shown) log->LogRaw(QStringLiteral("  ") + line);
  log->LogRaw(QStringLiteral("  ") + signature.currentText());
  log->SetButtonCaption(Text(res::kCancelCaption));
  QApplication::setOverrideCursor(Qt::WaitCursor);
  log->show();

  m_.query.CreateActiveSessions();
  m_.query.NetSesEnum(ServersOf(m_.views.srv.itemModel()), m_.state.LocalComputerName, m_.options.ServerTimeOut());

  if (m_.options.SendMessagesAnyway() || !m_.state.AbortRequested) {
    RegisterAlias(*log);
    SendToRecipients(*log, Utf8ToUtf16(message.text));
  } else {
    log->Log(Text(res::kMessagesAborted));
    m_.status.Show(Text(res::kMessagesAborted));
  }
  log->SetButtonCaption(Text(res::kCloseCaption));
  if (log->isVisible()) log->FocusButton();
  m_.query.FreeActiveSessions();
  while (QApplication::overrideCursor()) QApplication::restoreOverrideCursor();
  if (m_.options.ClearMesgText()) {
    m_.message.SetText({});
    m_.commands.SetEnabled(Command::SendButton, false);
    m_.commands.SetEnabled(Command::SaveMessage, false);
  }
  m_.status.UpdateSBar();
  if (m_.options.CloseStatus()) log->hide();
}

}  // namespace vantor::gui
