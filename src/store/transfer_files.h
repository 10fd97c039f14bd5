// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Export and import files of the recipient lists and the saved messages: the
// store's keys written as a version-4 registry script in an 8-bit code page,
// lines ended by CR LF:
//
//   REGEDIT4
//
//   [HKEY_CURRENT_USER\Software\Vantor\ListNames]
//   "Sales"="2"
//
//   [HKEY_CURRENT_USER\Software\Vantor\Lists\Sales]
//   "alice"="2,Alice"
//
// Nothing inside the quotes is escaped, so a name or data that holds a line
// break, or a name that holds "=", cannot be carried: the export refuses it.
// Files are read back as sectioned text: lines before the first [section]
// and blank lines are ignored, section names compare without regard to case,
// an entry is a line holding "=" split at the first one, both sides trimmed
// and one pair of quotes around the data removed; the importers then drop
// the first and last character of the name (its quotes). LF-only files, and
// files written by other installations, read the same way.
//
// An export writes a temporary file beside the target and puts it in the
// target's place only when it is complete and on disk, so a failed export
// leaves an earlier file as it was.

#include "common/codepage.h"
#include "store/hive.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace vantor::store {

// The default file names (without extension) and the extension the file
// dialogs propose.
inline constexpr std::string_view kListsFileName = "vtrlists";
inline constexpr std::string_view kMessagesFileName = "vtrmsgs";
inline constexpr std::string_view kTransferFileExtension = "reg";

// Files larger than this are refused on import.
inline constexpr std::size_t kMaxTransferFileSize = 64u << 20;

// What the user is told about an export or import, or about one list of an
// import. Text() is the message to show; detail, when not empty, is the
// reason given by the system or the store, to show below it.
struct TransferReport {
  enum class Kind {
    NoListsToExport,     // "No Lists found to export"
    NoMessagesToExport,  // "No messages found to export"
    CannotCreate,        // "Failed to create file: <path>"
    WriteFailed,         // "Failed to write file: <path>"
    CannotCarry,         // an entry the file form cannot hold (subject: the entry and why)
    CannotRead,          // "Failed to read file: <path>"
    NoListsInFile,       // "No Lists found to import from file: <path>"
    WrongCount,          // "Incorrect number of list entries found for: <list>"
    BadListName,         // a list name the store cannot take (empty, or holding a backslash)
    InvalidCount,        // "'<count>' is not a valid integer value"
    NoMessagesInFile,    // "No messages found to import from file: <path>"
    ForeignEntries,      // "Non-Vantor related registry entries found.  Import Aborted."
    StoreFailed,         // the store's own error ("Failed to set data for '...'", ...)
  };
  Kind kind;
  std::string subject;  // the path, list name, number or entry that the text names
  std::string detail;

  std::string Text() const;
  // Whether the message box offers the command's help topic.
  bool OffersHelp() const;
  friend bool operator==(const TransferReport&, const TransferReport&) = default;
};

// Whether there is something to export. The windowed program asks before it
// shows the save dialog, and reports NoListsToExport / NoMessagesToExport
// when not. Messages need at least two keys below Messages: the order and
// one message (write the order first).
bool HaveListsToExport(Hive& hive);
bool HaveMessagesToExport(Hive& hive);

// Writes the lists file: the ListNames section with every list, then one
// section per list that has members, in directory order. nullopt when the
// file was written.
std::optional<TransferReport> ExportLists(Hive& hive, const std::string& path, const TextCodec& codec);

// Writes the messages file: the Messages key walked depth first, a section
// for each key that holds values, every value in the store's order.
std::optional<TransferReport> ExportMessages(Hive& hive, const std::string& path, const TextCodec& codec);

struct ListsImport {
  std::vector<std::string> imported;    // the lists written, in file order
  std::vector<TransferReport> reports;  // to show in this order
};

// Imports each list of the file whose count is a non-zero number equal to
// its member entries, each in its own transaction: the directory value (the
// count text as found) and the members, over the stored list's members.
// Other lists are reported and skipped; a count that is not a number stops
// the import there (the lists before it stay).
ListsImport ImportLists(Hive& hive, const std::string& path, const TextCodec& codec);

struct MessagesImport {
  std::optional<TransferReport> report;  // nullopt: imported
  std::size_t values = 0;                // values written
};

// Replaces every saved message with the file's entries, in one transaction,
// after reading and checking the whole file. On any failure (unreadable
// file, no entry at all, a section outside the Messages key) the stored
// messages stay as they were.
MessagesImport ImportMessages(Hive& hive, const std::string& path, const TextCodec& codec);

}  // namespace vantor::store
