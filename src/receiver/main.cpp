// SPDX-License-Identifier: GPL-3.0-or-later
// vantor-receive: shows the messages this computer receives for the user -
// a pop-up window and a desktop notification each, kept in the history -
// for as long as the desktop session runs (the desktop starts it through
// its autostart entry). As root it also sets receiving up and turns it off.

#include "common/version.h"
#include "lan/net_error_text.h"
#include "lan/samba/message_names.h"
#include "lan/samba/samba_config.h"
#include "receive/setup.h"
#include "receiver/desktop_notifier.h"
#include "receiver/popup_window.h"
#include "receiver/receiver.h"
#include "store/hive.h"

#include <QApplication>
#include <QPointer>

#include <clocale>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

using vantor::lan::samba::MessageNames;

constexpr int kMaxOpenPopups = 16;
constexpr const char* kUsage =
    "Usage: vantor-receive [--spool=DIR]\n"
    "         shows the messages this computer receives for you, until the session ends\n"
    "       vantor-receive --names [--spool=DIR]\n"
    "         lists the names this computer receives messages for\n"
    "       vantor-receive --add-name=ALIAS | --remove-name=ALIAS [--spool=DIR]\n"
    "         registers or removes one of your aliases\n"
    "       vantor-receive --setup [--smb-conf=FILE] [--spool=DIR] [--helper=PATH]   (as root)\n"
    "         makes smbd hand received messages to vantor-deliver, allowing SMB1\n"
    "       vantor-receive --remove [--smb-conf=FILE] [--spool=DIR]                   (as root)\n"
    "         turns receiving off again\n"
    "The spool is --spool, else the \"message spool\" of lan.conf, else /var/spool/vantor.\n";

struct Arguments {
  std::string mode;  // "", "setup", "remove", "names", "add-name", "remove-name", "help", "version"
  std::string name;
  bool spoolGiven = false;
  vantor::receive::SetupOptions setup;
};

bool Parse(int argc, char** argv, Arguments& a, std::string& why) {
  for (int i = 1; i < argc; ++i) {
    std::string arg = argv[i];
    std::size_t eq = arg.find('=');
    std::string key = arg.substr(0, eq);
    std::string value = eq == std::string::npos ? std::string() : arg.substr(eq + 1);
    auto setMode = [&](const char* mode) {
      if (!a.mode.empty()) {
        why = "only one of --setup, --remove, --names, --add-name and --remove-name at a time";
        return false;
      }
      a.mode = mode;
      return true;
    };
    if (key == "--setup" || key == "--remove" || key == "--names" || key == "--help" || key == "--version") {
      if (eq != std::string::npos || !setMode(key.c_str() + 2)) {
        if (why.empty()) why = key + " takes no value";
        return false;
      }
    } else if (key == "--add-name" || key == "--remove-name") {
      if (value.empty() || !setMode(key.c_str() + 2)) {
        if (why.empty()) why = key + " needs a name (" + key + "=ALIAS)";
        return false;
      }
      a.name = value;
    } else if ((key == "--spool" || key == "--smb-conf" || key == "--helper") && !value.empty()) {
      std::string& target = key == "--spool" ? a.setup.spool : key == "--smb-conf" ? a.setup.smbConf : a.setup.helper;
      target = value;
      a.spoolGiven = a.spoolGiven || key == "--spool";
    } else {
      why = "\"" + arg + "\" is not an option";
      return false;
    }
  }
  return true;
}

// --spool, else lan.conf's message spool, else the default.
std::string SpoolOf(const Arguments& a) {
  if (a.spoolGiven) return a.setup.spool;
  bool explicitPath = false;
  std::string path = vantor::lan::samba::DefaultLanConfigPath(explicitPath);
  if (path.empty()) return vantor::lan::samba::kDefaultMessageSpool;
  return vantor::lan::samba::LoadLanConfig(path, explicitPath).messageSpool;
}

int ListNames(const std::string& spool) {
  MessageNames names(spool);
  if (!names.Available()) {
    std::cerr << "vantor-receive: " << names.Folder() << ": receiving has not been set up (vantor-receive --setup)\n";
    return 1;
  }
  std::string computer = names.ComputerName();
  if (!computer.empty()) std::cout << computer << "\tthis computer: every user logged on\n";
  for (const vantor::lan::samba::MessageUser& u : names.Users()) {
    std::cout << u.name << "\t" << (u.loggedOn ? "logged on" : "not logged on: messages wait") << "\n";
    for (const std::string& alias : u.aliases) std::cout << alias << "\talias of " << u.name << "\n";
  }
  return 0;
}

int ChangeName(const Arguments& a, const std::string& spool) {
  MessageNames names(spool);
  vantor::lan::Status s = a.mode == "add-name" ? names.AddAlias(::geteuid(), a.name, {})
                                                : names.RemoveAlias(::geteuid(), a.name, {});
  if (s == vantor::lan::NERR_Success) return 0;
  std::cerr << "vantor-receive: " << a.name << ": " << vantor::lan::NetErrorText(s);
  if (s == vantor::lan::ERROR_INVALID_NAME) std::cerr << " (an alias " << vantor::lan::samba::AliasProblem(a.name) << ")";
  std::cerr << "\n";
  return 1;
}

int Receive(int argc, char** argv, const std::string& spool) {
  static int qtArgc = 1;
  static char* qtArgv[] = {argv[0], nullptr};
  (void)argc;
  QApplication app(qtArgc, qtArgv);
  QApplication::setApplicationName(QStringLiteral("vantor-receive"));
  QGuiApplication::setDesktopFileName(QStringLiteral("vantor-receive"));
  QApplication::setQuitOnLastWindowClosed(false);

  std::unique_ptr<vantor::store::Hive> hive;
  try {
    hive = vantor::store::OpenDefaultHive();
  } catch (const std::exception& e) {
    std::cerr << "vantor-receive: " << e.what() << "\n";
    return 1;
  }
  const std::uint32_t uid = ::geteuid();
  const std::string user = vantor::lan::samba::AccountName(uid);
  vantor::receiver::DesktopNotifier notifier;
  QObject::connect(&notifier, &vantor::receiver::DesktopNotifier::failed, [](const QString& why) {
    std::cerr << "vantor-receive: no desktop notification: " << why.toStdString() << "\n";
  });
  std::vector<QPointer<vantor::receiver::TMessagePopup>> popups;
  bool busMissing = false;
  auto show = [&](const vantor::receive::SpooledMessage& m) {
    if (!notifier.Notify(QString::fromStdString("Message from " + m.from + " to " + m.to),
                         vantor::receiver::TMessagePopup::ShownText(m.text)) &&
        !busMissing) {
      busMissing = true;
      std::cerr << "vantor-receive: no session bus: messages show as windows only\n";
    }
    std::erase_if(popups, [](const auto& p) { return p.isNull(); });
    // A flood of messages opens no flood of windows: the rest are in the
    // history and the notifications.
    if (popups.size() >= kMaxOpenPopups) return;
    auto* popup = new vantor::receiver::TMessagePopup(m);
    popup->show();
    popup->move(popup->pos() + QPoint(24, 24) * static_cast<int>(popups.size()));
    popup->raise();
    popups.emplace_back(popup);
  };
  vantor::receiver::Receiver receiver(*hive, spool, uid, show);
  QObject::connect(&receiver, &vantor::receiver::Receiver::problem,
                   [](const QString& text) { std::cerr << "vantor-receive: " << text.toStdString() << "\n"; });
  std::string why;
  switch (receiver.Start(why)) {
    case vantor::receiver::Receiver::StartResult::kStarted: break;
    case vantor::receiver::Receiver::StartResult::kOtherReceiver:
      std::cerr << "vantor-receive: another vantor-receive shows the messages of " << user << "\n";
      return 0;
    case vantor::receiver::Receiver::StartResult::kFailed:
      std::cerr << "vantor-receive: " << why << "\n";
      return 1;
  }
  std::cerr << "vantor-receive: receiving messages for " << user << " (" << receiver.InboxPath() << ")\n";
  return QApplication::exec();
}

}  // namespace

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  Arguments a;
  std::string why;
  if (!Parse(argc, argv, a, why)) {
    std::cerr << "vantor-receive: " << why << "\n" << kUsage;
    return 2;
  }
  if (a.mode == "help") {
    std::cout << kUsage;
    return 0;
  }
  if (a.mode == "version") {
    std::cout << "vantor-receive " << vantor::kVersion << "\n";
    return 0;
  }
  if (a.mode == "setup") return vantor::receive::RunSetup(a.setup, std::cout, std::cerr);
  if (a.mode == "remove") return vantor::receive::RunRemove(a.setup, std::cout, std::cerr);
  std::string spool;
  try {
    spool = SpoolOf(a);
  } catch (const std::exception& e) {
    std::cerr << "vantor-receive: " << e.what() << "\n";
    return 1;
  }
  if (spool.empty()) {
    std::cerr << "vantor-receive: lan.conf names no message spool, so this computer keeps no messages\n";
    return 1;
  }
  if (a.mode == "names") return ListNames(spool);
  if (a.mode == "add-name" || a.mode == "remove-name") return ChangeName(a, spool);
  return Receive(argc, argv, spool);
}
