#include "gui/net_browser.h"

#include "common/text.h"
#include "delivery/session_query.h"
#include "gui/image_list.h"
#include "gui/item_view.h"
#include "gui/main_window.h"
#include "gui/message_area.h"
#include "gui/message_boxes.h"
#include "gui/options_dialog.h"
#include "gui/res_strings.h"
#include "gui/stored_server_checks.h"
#include "lan/directory.h"
#include "lan/enumerate.h"
#include "store/lists_store.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace vantor::gui {

namespace {
QString Q(const std::string& s) { return QString::fromStdString(s); }

QString ListComment(const std::string& count) {
  std::string c = count + " Item";
  if (c != "1 Item") c += "s";
  return Q(c);
}

std::vector<delivery::QueryServer> ServersOf(const ItemModel& view) {
  std::vector<delivery::QueryServer> servers;
  servers.reserve(static_cast<std::size_t>(view.Count()));
  for (const ItemRow& r : view.Rows()) servers.push_back({r.name.toStdString(), r.checked});
  return servers;
}
}  // namespace

void NetBrowser::Pump() {
  const std::int64_t now = QDateTime::currentMSecsSinceEpoch();
  if (now - lastPumpMs_ < 15) return;
  lastPumpMs_ = now;
  QCoreApplication::processEvents();
}

void NetBrowser::Refresh() {
  AppState& st = m_.state();
  TOptions& opt = m_.options();
  lan::NetApi& api = m_.ctx().api;
  ItemModel& view = m_.NetView->Model();
  delivery::SessionQuery& query = m_.query();

  const std::string directoryServer = lan::ServerPath(st.DomainControllerName);
  const bool scanning = opt.ScanDomain();
  const bool activeOnly = scanning && opt.ActiveOnly();

  m_.ShowStatus(QString::fromLatin1(res::kReadingNetwork));
  m_.DisableInput();
  view.Clear();
  view.BeginUpdate();
  m_.Panel2->message->SendBtn->setEnabled(false);
  m_.actions.SaveMessage->setEnabled(false);
  examinedUsers_ = 0;
  QString storeError;

  {
    // The closing step runs whatever happened before it.
    struct Closing {
      NetBrowser& b;
      bool activeOnly;
      ~Closing() {
        b.m_.NetView->Model().EndUpdate(true);
        b.m_.EnableInput();
        if (activeOnly) b.m_.query().FreeActiveSessions();
        b.m_.UpdateSBar();
      }
    } closing{*this, activeOnly};

    if (scanning) {
      view.Append({Q(st.PrimaryDomainName), QString::fromLatin1(res::kPrimaryDomain), kDomain});
      std::vector<std::string> trusts;
      lan::GetTrustedDomains(api, trusts);
      for (const std::string& t : trusts) {
        Pump();
        view.Append({Q(t), QString::fromLatin1(res::kTrustedDomain), kDomain});
      }
      if (activeOnly) {
        query.CreateActiveSessions();
        query.NetSesEnum(ServersOf(m_.SrvView->Model()), st.LocalComputerName, opt.ServerTimeOut());
      }
    }

    try {
      store::ListsStore lists(m_.ctx().hive);
      for (const store::ListDirectoryEntry& e : lists.ListDirectory()) {
        Pump();
        view.Append({Q(e.name), ListComment(e.count), kList});
      }
    } catch (const store::StoreError& e) {
      storeError = QString::fromStdString(e.what());
    }

    auto active = [&](char code, const std::string& name) {
      const auto* set = query.ActiveSessions();
      return set && set->count(std::string(1, code) + name) > 0;
    };

    lan::EnumerateDisplay(api, directoryServer, lan::kDisplayUsers, [&](const lan::DisplayEntry& e) {
      ++examinedUsers_;
      if (activeOnly && !active('2', e.name)) return;
      Pump();
      view.Append({Q(e.name), Q(e.comment), kUser});
    });

    if (scanning) {
      lan::EnumerateServers(api, lan::sv_type::kComputers, {}, [&](const lan::ServerInfo101& s) {
        if (activeOnly && !active('3', s.name)) return;
        Pump();
        view.Append({Q(s.name), Q(s.comment), kComputer});
      });
    }

    lan::EnumerateDisplay(api, directoryServer, lan::kDisplayGroups, [&](const lan::DisplayEntry& e) {
      Pump();
      view.Append({Q(e.name), Q(e.comment), kGroup});
    });
  }

  if (!storeError.isEmpty()) m_.ctx().boxes.Error(&m_, storeError);
}

void NetBrowser::SetActiveOnlyCommand(bool atStartUp) {
  QAction* a = m_.actions.ShowActiveOnly;
  if (m_.options().ScanDomain()) {
    a->setEnabled(true);
    const bool on = m_.options().ActiveOnly();
    a->setIcon(Image(on ? image::kShowAll : image::kShowActiveOnly));
    a->setText(QString::fromLatin1(on ? res::kShowAllItems : res::kShowActiveItemsOnly));
    a->setToolTip(a->text());
  } else {
    a->setIcon(Image(image::kShowActiveOnly));
    a->setToolTip(QString::fromLatin1(res::kShowActiveItemsOnly));
    if (atStartUp) a->setText(QString::fromLatin1(res::kShowActiveItemsOnly));
    a->setEnabled(false);
  }
}

void NetBrowser::ActiveOnlyToggle() {
  TOptions& opt = m_.options();
  opt.SetActiveOnly(!opt.ActiveOnly());
  SetActiveOnlyCommand(false);
  Refresh();
}

void NetBrowser::FillServerView() {
  ItemModel& view = m_.SrvView->Model();
  view.Clear();
  view.BeginUpdate();
  StoredServerChecks checks(m_.ctx().hive);
  std::vector<lan::ServerRow> rows;
  lan::ListQueryableServers(m_.ctx().api, checks, rows);
  for (const lan::ServerRow& r : rows) view.Append({Q(r.name), Q(r.comment), kComputer, r.checked});
  view.EndUpdate(true);
  if (!checks.Error().empty()) m_.ctx().boxes.Error(&m_, Q(checks.Error()));
}

void NetBrowser::NetViewClick() {
  MainActions& a = m_.actions;
  a.RemoveFromRecipients->setEnabled(false);
  const int selected = m_.NetView->SelectedCount();
  if (selected == 0) {
    a.AddNewList->setEnabled(false);
    a.EditList->setEnabled(false);
    a.DeleteList->setEnabled(false);
    a.AddToFavourites->setEnabled(false);
    a.RemoveFromFavourites->setEnabled(false);
    m_.sbAddRecip->setEnabled(false);
    m_.sbRemoveRecip->setEnabled(false);
  } else {
    a.AddNewList->setEnabled(true);
    a.AddToFavourites->setEnabled(true);
    m_.sbAddRecip->setEnabled(true);
    a.RemoveFromFavourites->setEnabled(false);
    m_.sbRemoveRecip->setEnabled(false);
    if (selected == 1) {
      const bool isList = m_.NetView->Model().Row(m_.NetView->SelectedRows().front()).kind == kList;
      a.EditList->setEnabled(isList);
      a.DeleteList->setEnabled(isList);
      m_.ItemDetails(m_.NetView);
    } else {
      m_.UpdateSBar();
    }
  }
  m_.FavView->ClearSelection();
  m_.RecipView->ClearSelection();
}

void NetBrowser::SrvViewClick() {
  const auto rows = m_.SrvView->SelectedRows();
  if (!rows.empty() && m_.options().DisplayExtra()) {
    const QString name = m_.SrvView->Model().Row(rows.front()).name;
    QString address = Q(lan::GetHostAddress(m_.ctx().api, name.toStdString()));
    m_.ShowStatus(name + QStringLiteral(": ") + address);
  } else {
    m_.UpdateSBar();
  }
}

void NetBrowser::NetPageChange() {
  if (m_.NetPage->currentWidget() == m_.NetView) NetViewClick();
}

}  // namespace vantor::gui
