// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/transfer_commands.h"

#include "gui/file_dialogs.h"
#include "gui/message_boxes.h"
#include "gui/res_strings.h"
#include "gui/saved_messages_commands.h"
#include "store/transfer_files.h"

namespace vantor::gui {

namespace {

constexpr int kListsHelpTopic = 13;
constexpr int kMessagesHelpTopic = 14;
// The code page of the files: what Windows installations write.
constexpr const char* kFileCodePage = "CP1252";

QString Text(const char* text) { return QString::fromLatin1(text); }

FileRequest Request(bool lists, bool save) {
  FileRequest r;
  if (lists)
    r.title = Text(save ? res::kSaveListsTitle : res::kOpenListsTitle);
  else
    r.title = Text(save ? res::kSaveMessagesTitle : res::kOpenMessagesTitle);
  r.defaultName = QString::fromLatin1(lists ? store::kListsFileName.data() : store::kMessagesFileName.data());
  r.extension = QString::fromLatin1(store::kTransferFileExtension.data());
  r.filters = {Text(res::kRegistryFilesFilter), Text(res::kAllFilesFilter)};
  r.helpTopic = lists ? kListsHelpTopic : kMessagesHelpTopic;
  return r;
}

void Show(MessageBoxes& boxes, QWidget& window, const store::TransferReport& report, int helpTopic) {
  QString text = QString::fromStdString(report.Text());
  if (!report.detail.empty()) text += QStringLiteral("\n") + QString::fromStdString(report.detail);
  boxes.Error(&window, text, report.OffersHelp() ? helpTopic : -1);
}

}  // namespace

void TransferCommands::Export(bool lists) {
  const int topic = lists ? kListsHelpTopic : kMessagesHelpTopic;
  using Kind = store::TransferReport::Kind;
  if (!lists) m_.saved.WriteOrder();  // the file carries the order the view shows
  if (!(lists ? store::HaveListsToExport(m_.hive) : store::HaveMessagesToExport(m_.hive))) {
    Show(m_.boxes, m_.window, {lists ? Kind::NoListsToExport : Kind::NoMessagesToExport, {}, {}}, topic);
    return;
  }
  const QString path = m_.files.SaveFile(&m_.window, Request(lists, /*save=*/true));
  if (path.isEmpty()) return;
  const TextCodec codec(kFileCodePage);
  const auto report = lists ? store::ExportLists(m_.hive, path.toStdString(), codec)
                            : store::ExportMessages(m_.hive, path.toStdString(), codec);
  if (report) Show(m_.boxes, m_.window, *report, topic);
}

void TransferCommands::ExportLists1Click() { Export(/*lists=*/true); }

void TransferCommands::ImportLists1Click() {
  const QString path = m_.files.OpenFile(&m_.window, Request(/*lists=*/true, /*save=*/false));
  if (!path.isEmpty()) {
    const store::ListsImport result = store::ImportLists(m_.hive, path.toStdString(), TextCodec(kFileCodePage));
    for (const store::TransferReport& report : result.reports) Show(m_.boxes, m_.window, report, kListsHelpTopic);
  }
  // Imported lists show in Net Items at once; a cancelled dialog refreshes too.
  m_.refreshNetItems();
  m_.recipientsClicked();
}

void TransferCommands::ExportMessages1Click() { Export(/*lists=*/false); }

void TransferCommands::ImportMessages1Click() {
  const QString path = m_.files.OpenFile(&m_.window, Request(/*lists=*/false, /*save=*/false));
  if (path.isEmpty()) return;
  const store::MessagesImport result = store::ImportMessages(m_.hive, path.toStdString(), TextCodec(kFileCodePage));
  if (result.report) Show(m_.boxes, m_.window, *result.report, kMessagesHelpTopic);
  // Also after a refused file: the view shows what the store holds.
  m_.saved.FillView();
  m_.showSavedMessages();
}

}  // namespace vantor::gui
