// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/net_browser.h"

#include "common/recipient.h"
#include "delivery/session_query.h"
#include "gui/app_context.h"
#include "gui/event_pump.h"
#include "gui/image_list.h"
#include "gui/item_view.h"
#include "gui/main_commands.h"
#include "gui/message_boxes.h"
#include "gui/options_dialog.h"
#include "gui/res_strings.h"
#include "gui/status_line.h"
#include "gui/stored_server_checks.h"
#include "gui/upper_panel.h"
#include "lan/directory.h"
#include "lan/enumerate.h"
#include "store/lists_store.h"

#include <optional>

namespace vantor::gui {

namespace {

QString Q(const std::string& s) { return QString::fromStdString(s); }
QString Text(const char* text) { return QString::fromLatin1(text); }

// Comments repeat from row to row (empty, or one text for a whole
// department): a row whose comment is the one of the row before shares that
// row's text rather than holding a copy of its own.
class SharedText {
 public:
  const QString& operator()(const std::string& text) {
    if (!m_valid || text != m_last) {
      m_last = text;
      m_text = Q(text);
      m_valid = true;
    }
    return m_text;
  }

 private:
  bool m_valid = false;
  std::string m_last;
  QString m_text;
};

std::vector<delivery::QueryServer> ServersOf(const ItemModel& view) {
  std::vector<delivery::QueryServer> servers;
  servers.reserve(static_cast<std::size_t>(view.Count()));
  for (const ItemRow& r : view.Rows()) servers.push_back({r.name.toStdString(), r.checked});
  return servers;
}

}  // namespace

QString ListComment(const std::string& count) {
  std::string c = count + " Item";
  if (c != "1 Item") c += "s";
  return Q(c);
}

void NetBrowser::Refresh() {
  const AppState& st = m_.state;
  ItemModel& view = m_.views.net.itemModel();
  const std::string directoryServer = lan::ServerPath(st.DomainControllerName);
  const bool scanning = m_.options.ScanDomain();
  const bool activeOnly = scanning && m_.options.ActiveOnly();

  // The network calls go out in their order, each as soon as the ones
  // before it are on their way, so that the network works while this thread
  // fills the view: the trusts and the first users at once (the users after
  // the session query when one runs), and each next enumeration before the
  // last batch of the one before it is added.
  lan::DisplayEnumeration users(m_.api, directoryServer, lan::kDisplayUsers);
  lan::ServerEnumeration pcs(m_.api, lan::sv_type::kComputers, {});
  lan::DisplayEnumeration groups(m_.api, directoryServer, lan::kDisplayGroups);
  std::vector<std::string> trusts;
  std::optional<lan::PendingCall> trustsRead;
  if (scanning) trustsRead.emplace(&m_.ahead, [&] { lan::GetTrustedDomains(m_.api, trusts); });
  if (!activeOnly) users.StartAhead(m_.ahead);

  m_.status.Show(Text(res::kReadingNetwork));
  DeferPumping();
  m_.input.DisableInputWhileBusy();
  view.Clear();
  view.BeginUpdate();
  m_.commands.SetEnabled(Command::SendButton, false);
  m_.commands.SetEnabled(Command::SaveMessage, false);
  QString storeError;
  {
    // The closing step runs whatever happened before it.
    struct Closing {
      NetBrowser& b;
      bool activeOnly;
      ~Closing() {
        b.m_.views.net.itemModel().EndUpdate(true);
        b.m_.input.EnableInput();
        if (activeOnly) b.m_.query.FreeActiveSessions();
        b.m_.status.UpdateSBar();
      }
    } closing{*this, activeOnly};

    if (scanning) {
      view.Append({Q(st.PrimaryDomainName), Text(res::kPrimaryDomain), kDomainKind});
      trustsRead->Finish();
      for (const std::string& t : trusts) {
        PumpEvents();
        view.Append({Q(t), Text(res::kTrustedDomain), kDomainKind});
      }
      if (activeOnly) {
        m_.query.CreateActiveSessions();
        m_.query.NetSesEnum(ServersOf(m_.views.srv.itemModel()), st.LocalComputerName, m_.options.ServerTimeOut());
      }
    }

    users.StartAhead(m_.ahead);
    try {
      store::ListsStore lists(m_.hive);
      for (const store::ListDirectoryEntry& e : lists.ListDirectory()) {
        PumpEvents();
        view.Append({Q(e.name), ListComment(e.count), kListKind});
      }
    } catch (const store::StoreError& e) {
      storeError = QString::fromStdString(e.what());
    }

    SharedText comment;
    auto active = [&](const std::string& key) {
      const auto* set = m_.query.ActiveSessions();
      return set && set->count(key) > 0;
    };

    const auto startNext = [&] {
      if (scanning)
        pcs.StartAhead(m_.ahead);
      else
        groups.StartAhead(m_.ahead);
    };
    users.Run(
        [&](const lan::DisplayEntry& e) {
          if (activeOnly && !active(ActiveUserKey(e.name))) return;
          PumpEvents();
          view.Append({Q(e.name), comment(e.comment), kUserKind});
        },
        {{}, &m_.ahead, startNext});

    if (scanning) {
      pcs.Run(
          [&](const lan::ServerInfo101& s) {
            if (activeOnly && !active(ActiveComputerKey(s.name))) return;
            PumpEvents();
            view.Append({Q(s.name), comment(s.comment), kComputerKind});
          },
          {{}, &m_.ahead, [&] { groups.StartAhead(m_.ahead); }});
    }

    groups.Run(
        [&](const lan::DisplayEntry& e) {
          PumpEvents();
          view.Append({Q(e.name), comment(e.comment), kGroupKind});
        },
        {{}, &m_.ahead, {}});
  }
  if (!storeError.isEmpty()) m_.boxes.Error(&m_.window, storeError);
}

void NetBrowser::SetActiveOnlyCommands(bool atStartUp) {
  MainCommands& c = m_.commands;
  if (m_.options.ScanDomain()) {
    const bool on = m_.options.ActiveOnly();
    const int image = on ? image::kShowAll : image::kShowActiveOnly;
    const QString text = Text(on ? res::kShowAllItems : res::kShowActiveItemsOnly);
    for (Command toggle : {Command::ToolActiveOnly, Command::MenuActiveOnly}) {
      c.SetEnabled(toggle, true);
      c.SetImage(toggle, image);
    }
    c.SetHint(Command::ToolActiveOnly, text);
    c.SetText(Command::MenuActiveOnly, text);
  } else {
    c.SetImage(Command::ToolActiveOnly, image::kShowActiveOnly);
    c.SetHint(Command::ToolActiveOnly, Text(res::kShowActiveItemsOnly));
    c.SetEnabled(Command::ToolActiveOnly, false);
    c.SetEnabled(Command::MenuActiveOnly, false);
    if (atStartUp) {
      c.SetImage(Command::MenuActiveOnly, image::kShowActiveOnly);
      c.SetText(Command::MenuActiveOnly, Text(res::kShowActiveItemsOnly));
    }
  }
}

void NetBrowser::ActiveOnlyToggle() {
  m_.options.SetActiveOnly(!m_.options.ActiveOnly());
  SetActiveOnlyCommands(false);
  Refresh();
}

void NetBrowser::FillServerView() {
  ItemModel& view = m_.views.srv.itemModel();
  view.Clear();
  view.BeginUpdate();
  StoredServerChecks checks(m_.hive);
  std::vector<lan::ServerRow> rows;
  lan::ListQueryableServers(m_.api, checks, rows);
  for (const lan::ServerRow& r : rows) view.Append({Q(r.name), Q(r.comment), kComputerKind, r.checked});
  view.EndUpdate(true);
  if (!checks.Error().empty()) m_.boxes.Error(&m_.window, Q(checks.Error()));
}

void NetBrowser::NetViewClick() {
  MainCommands& c = m_.commands;
  c.SetEnabled(Command::MenuRemoveFromRecipients, false);
  const int selected = m_.views.net.SelectedCount();
  if (selected == 0) {
    for (Command off :
         {Command::MenuAddNewList, Command::ToolEditList, Command::ToolDeleteList, Command::ToolAddFavourite,
          Command::ToolRemoveFavourite, Command::AddRecipientButton, Command::RemoveRecipientButton})
      c.SetEnabled(off, false);
  } else {
    for (Command on : {Command::MenuAddNewList, Command::ToolAddFavourite, Command::AddRecipientButton})
      c.SetEnabled(on, true);
    c.SetEnabled(Command::ToolRemoveFavourite, false);
    c.SetEnabled(Command::RemoveRecipientButton, false);
    if (const ItemRow* row = m_.views.net.SingleSelectedRow()) {
      const bool isList = row->kind == kListKind;
      c.SetEnabled(Command::ToolEditList, isList);
      c.SetEnabled(Command::ToolDeleteList, isList);
      m_.status.ItemDetails(m_.views.net);
    } else {
      m_.status.UpdateSBar();
    }
  }
  m_.views.fav.clearSelection();
  m_.views.recip.clearSelection();
}

void NetBrowser::SrvViewClick() { m_.status.ServerDetails(); }

}  // namespace vantor::gui
