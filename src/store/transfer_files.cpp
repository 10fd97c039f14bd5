// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/transfer_files.h"

#include "common/text.h"
#include "store/key_path.h"
#include "store/lists_store.h"
#include "store/reg_script.h"
#include "store/settings.h"

#ifdef _WIN32
#include "store/transfer_files_win32.h"
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <unordered_map>

namespace vantor::store {

namespace {

constexpr std::string_view kEol = "\r\n";

using Kind = TransferReport::Kind;

TransferReport Report(Kind kind, std::string subject = {}, std::string detail = {}) {
  return {kind, std::move(subject), std::move(detail)};
}

[[maybe_unused]] std::string ErrnoText(int err) { return std::strerror(err); }

bool HoldsLineBreak(std::string_view s) { return s.find_first_of("\r\n") != std::string_view::npos; }

std::string Text(const NamedValue& v) {
  if (v.value.type != ValueType::String && v.value.type != ValueType::ExpandString) {
    throw StoreError(Format("Invalid data type for '%s'", {v.name}));
  }
  return v.value.data;
}

// ---- Writing ---------------------------------------------------------------

// An entry that the file form cannot carry; becomes a CannotCarry report.
struct Uncarriable {
  std::string entry;
  std::string why;
};

// The script text, in UTF-8 until Bytes() converts it.
class ScriptWriter {
 public:
  ScriptWriter() { out_ = "REGEDIT4"; }

  void Section(const std::string& hivePath) {
    std::string name = RegKeyOfHivePath(hivePath);
    if (HoldsLineBreak(name)) throw Uncarriable{"the key [" + name + "]", "its name holds a line break"};
    section_ = name;
    out_ += kEol;
    out_ += kEol;
    out_ += '[' + name + ']';
  }

  // "name"="data", nothing escaped.
  void Entry(std::string_view name, std::string_view data) {
    auto entry = [&] { return "the value \"" + std::string(name) + "\" of [" + section_ + "]"; };
    if (HoldsLineBreak(name)) throw Uncarriable{entry(), "its name holds a line break"};
    if (name.find('=') != std::string_view::npos) throw Uncarriable{entry(), "its name holds \"=\""};
    if (HoldsLineBreak(data)) throw Uncarriable{entry(), "its data holds a line break"};
    out_ += kEol;
    out_ += '"';
    out_ += name;
    out_ += "\"=\"";
    out_ += data;
    out_ += '"';
  }

  std::string Bytes(const TextCodec& codec) {
    out_ += kEol;
    out_ += kEol;  // a blank line ends the file, as registry editors write it
    return codec.FromUtf8(out_);
  }

 private:
  std::string out_;
  std::string section_;
};

#ifdef _WIN32
using win32::WriteFileSafely;
#else
class Fd {
 public:
  explicit Fd(int fd) : fd_(fd) {}
  ~Fd() {
    if (fd_ >= 0) ::close(fd_);
  }
  Fd(const Fd&) = delete;
  Fd& operator=(const Fd&) = delete;
  int get() const { return fd_; }
  int Close() {
    int rc = ::close(fd_);
    fd_ = -1;
    return rc;
  }

 private:
  int fd_;
};

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<size_t>(n));
  }
  return true;
}

// Writes the file beside its target and renames it over the target once it
// is complete and synced; the target is never seen half written. A symbolic
// link is followed, so the file it points at is replaced, not the link.
std::optional<TransferReport> WriteFileSafely(const std::string& path, std::string_view bytes) {
  std::string target = path;
  struct stat st {};
  bool exists = ::lstat(path.c_str(), &st) == 0;
  if (exists && S_ISLNK(st.st_mode)) {
    if (char* real = ::realpath(path.c_str(), nullptr)) {
      target = real;
      std::free(real);
    }
    exists = ::stat(target.c_str(), &st) == 0;
  }
  if (exists && S_ISDIR(st.st_mode)) return Report(Kind::CannotCreate, path, ErrnoText(EISDIR));
  if (exists && ::access(target.c_str(), W_OK) != 0) return Report(Kind::CannotCreate, path, ErrnoText(errno));

  size_t slash = target.rfind('/');
  std::string dir = slash == std::string::npos ? "." : slash == 0 ? "/" : target.substr(0, slash);
  std::string base = slash == std::string::npos ? target : target.substr(slash + 1);
  static std::atomic<unsigned> counter{0};
  std::string temp;
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    temp = dir + "/." + base + "." + std::to_string(::getpid()) + "-" + std::to_string(counter++) + ".tmp";
    // 0666 and the umask, as for any new file; an existing target's mode is
    // kept below.
    fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) return Report(Kind::CannotCreate, path, ErrnoText(errno));
  }
  if (fd < 0) return Report(Kind::CannotCreate, path, ErrnoText(EEXIST));
  Fd file(fd);
  auto fail = [&](int err) {
    ::unlink(temp.c_str());
    return Report(Kind::WriteFailed, path, ErrnoText(err));
  };
  if (exists) ::fchmod(file.get(), st.st_mode & 07777);
  if (!WriteAll(file.get(), bytes)) return fail(errno);
  if (::fsync(file.get()) != 0) return fail(errno);
  if (file.Close() != 0) return fail(errno);
  if (::rename(temp.c_str(), target.c_str()) != 0) return fail(errno);
  // The rename itself reaches the disk with the folder.
  Fd folder(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.get() >= 0) ::fsync(folder.get());
  return std::nullopt;
}

#endif

// Builds the script in one read of the store, then writes it out.
template <class Build>
std::optional<TransferReport> Export(Hive& hive, const std::string& path, const TextCodec& codec, Kind nothing,
                                     Build build) {
  ScriptWriter writer;
  bool any = false;
  try {
    hive.ReadTransaction([&] { any = build(writer); });
  } catch (const Uncarriable& u) {
    return Report(Kind::CannotCarry, u.entry, u.why + ", which this file cannot carry");
  } catch (const StoreError& e) {
    return Report(Kind::StoreFailed, e.what());
  }
  if (!any) return Report(nothing);
  return WriteFileSafely(path, writer.Bytes(codec));
}

void WalkMessages(Hive& hive, const std::string& key, ScriptWriter& writer) {
  std::vector<NamedValue> values = hive.Values(key);
  if (!values.empty()) {
    writer.Section(key);
    for (const NamedValue& v : values) writer.Entry(v.name, Text(v));
  }
  for (const std::string& sub : hive.SubKeyNames(key)) WalkMessages(hive, JoinKeyPath(key, sub), writer);
}

// ---- Reading ---------------------------------------------------------------

struct Section {
  std::string name;
  std::vector<std::pair<std::string, std::string>> entries;  // key (quotes kept), value
};

// The file as sectioned text. A section named twice is one section.
class SectionedText {
 public:
  explicit SectionedText(std::string_view text) {
    Section* current = nullptr;
    for (const std::string& raw : SplitLines(text)) {
      std::string_view line = TrimBlanks(raw);
      if (line.empty()) continue;
      if (line.size() >= 2 && line.front() == '[' && line.back() == ']') {
        std::string name(line.substr(1, line.size() - 2));
        auto [it, added] = index_.emplace(FoldCase(name), sections_.size());
        if (added) sections_.push_back({std::move(name), {}});
        current = &sections_[it->second];
        continue;
      }
      size_t eq = line.find('=');
      if (!current || eq == std::string_view::npos) continue;
      std::string_view value = TrimBlanks(line.substr(eq + 1));
      if (value.size() >= 2 && value.front() == '"' && value.back() == '"') value = value.substr(1, value.size() - 2);
      current->entries.emplace_back(TrimBlanks(line.substr(0, eq)), value);
    }
  }

  const std::vector<Section>& sections() const { return sections_; }
  const Section* Find(std::string_view name) const {
    auto it = index_.find(FoldCase(name));
    return it == index_.end() ? nullptr : &sections_[it->second];
  }

 private:
  std::vector<Section> sections_;
  std::unordered_map<std::string, size_t> index_;
};

// The value name of an entry: its key without the first and last character.
std::string NameOf(std::string_view key) {
  return key.size() >= 2 ? std::string(key.substr(1, key.size() - 2)) : std::string();
}

// The file's text in UTF-8; a file that does not exist reads as empty.
#ifdef _WIN32
std::optional<std::string> ReadFileText(const std::string& path, const TextCodec& codec, TransferReport& failure) {
  std::optional<std::string> bytes = win32::ReadFileBytes(path, kMaxTransferFileSize + 1, failure);
  if (!bytes) return std::nullopt;
  if (bytes->size() > kMaxTransferFileSize) {
    failure = Report(Kind::CannotRead, path,
                     "The file is larger than " + std::to_string(kMaxTransferFileSize >> 20) +
                         " MB; it cannot be a file of saved lists or messages.");
    return std::nullopt;
  }
  return codec.ToUtf8(*bytes);
}
#else
std::optional<std::string> ReadFileText(const std::string& path, const TextCodec& codec, TransferReport& failure) {
  // Non-blocking, so that a named pipe cannot hold the program up; it is
  // refused below, and regular files ignore the flag.
  Fd file(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
  if (file.get() < 0) {
    if (errno == ENOENT) return std::string();
    failure = Report(Kind::CannotRead, path, ErrnoText(errno));
    return std::nullopt;
  }
  struct stat st {};
  if (::fstat(file.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
    failure = Report(Kind::CannotRead, path, S_ISDIR(st.st_mode) ? ErrnoText(EISDIR) : "It is not a regular file.");
    return std::nullopt;
  }
  std::string bytes;
  char buf[65536];
  for (;;) {
    ssize_t n = ::read(file.get(), buf, sizeof buf);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      failure = Report(Kind::CannotRead, path, ErrnoText(errno));
      return std::nullopt;
    }
    if (n == 0) break;
    bytes.append(buf, static_cast<size_t>(n));
    if (bytes.size() > kMaxTransferFileSize) {
      failure = Report(Kind::CannotRead, path,
                       "The file is larger than " + std::to_string(kMaxTransferFileSize >> 20) +
                           " MB; it cannot be a file of saved lists or messages.");
      return std::nullopt;
    }
  }
  return codec.ToUtf8(bytes);
}
#endif

}  // namespace

std::string TransferReport::Text() const {
  switch (kind) {
    case Kind::NoListsToExport: return "No Lists found to export";
    case Kind::NoMessagesToExport: return "No messages found to export";
    case Kind::CannotCreate: return Format("Failed to create file: %s", {subject});
    case Kind::WriteFailed: return Format("Failed to write file: %s", {subject});
    case Kind::CannotCarry: return Format("Cannot export %s.", {subject});
    case Kind::CannotRead: return Format("Failed to read file: %s", {subject});
    case Kind::NoListsInFile: return Format("No Lists found to import from file: %s", {subject});
    case Kind::WrongCount: return Format("Incorrect number of list entries found for: %s", {subject});
    case Kind::BadListName:
      return Format("The list '%s' cannot be imported: a list name cannot be empty or contain a backslash (\\).",
                    {subject});
    case Kind::InvalidCount: return Format("'%s' is not a valid integer value", {subject});
    case Kind::NoMessagesInFile: return Format("No messages found to import from file: %s", {subject});
    case Kind::ForeignEntries: return "Non-Vantor related registry entries found.  Import Aborted.";
    case Kind::StoreFailed: return subject;
  }
  return {};
}

bool TransferReport::OffersHelp() const {
  switch (kind) {
    case Kind::CannotCreate:
    case Kind::WriteFailed:
    case Kind::CannotRead:
    case Kind::InvalidCount:
    case Kind::StoreFailed: return false;
    default: return true;
  }
}

bool HaveListsToExport(Hive& hive) { return !ListsStore(hive).ListDirectory().empty(); }

bool HaveMessagesToExport(Hive& hive) { return hive.SubKeyNames(kMessagesKey).size() >= 2; }

std::optional<TransferReport> ExportLists(Hive& hive, const std::string& path, const TextCodec& codec) {
  return Export(hive, path, codec, Kind::NoListsToExport, [&](ScriptWriter& w) {
    std::vector<ListDirectoryEntry> lists = ListsStore(hive).ListDirectory();
    if (lists.empty()) return false;
    w.Section(std::string(kListNamesKey));
    for (const ListDirectoryEntry& list : lists) {
      if (!ListsStore::IsValidListName(list.name)) {
        throw Uncarriable{"the list \"" + list.name + "\"", "a list name cannot be empty or hold a backslash"};
      }
      w.Entry(list.name, list.count);
    }
    for (const ListDirectoryEntry& list : lists) {
      std::string key = JoinKeyPath(kListsKey, list.name);
      std::vector<NamedValue> members = hive.Values(key);
      if (members.empty()) continue;
      w.Section(key);
      for (const NamedValue& m : members) w.Entry(m.name, Text(m));
    }
    return true;
  });
}

std::optional<TransferReport> ExportMessages(Hive& hive, const std::string& path, const TextCodec& codec) {
  return Export(hive, path, codec, Kind::NoMessagesToExport, [&](ScriptWriter& w) {
    if (!HaveMessagesToExport(hive)) return false;
    WalkMessages(hive, std::string(kMessagesKey), w);
    return true;
  });
}

ListsImport ImportLists(Hive& hive, const std::string& path, const TextCodec& codec) {
  ListsImport result;
  TransferReport failure{};
  auto text = ReadFileText(path, codec, failure);
  if (!text) {
    result.reports.push_back(std::move(failure));
    return result;
  }
  SectionedText file(*text);
  const Section* directory = file.Find(RegKeyOfHivePath(kListNamesKey));
  if (!directory || directory->entries.empty()) {
    result.reports.push_back(Report(Kind::NoListsInFile, path));
    return result;
  }
  const std::string listsSection = RegKeyOfHivePath(kListsKey) + '\\';
  for (const auto& [key, countText] : directory->entries) {
    std::string name = NameOf(key);
    auto count = ParseInt32(countText);
    if (!count) {
      result.reports.push_back(Report(Kind::InvalidCount, countText));
      break;
    }
    const Section* members = file.Find(listsSection + name);
    size_t entries = members ? members->entries.size() : 0;
    if (*count <= 0 || static_cast<size_t>(*count) != entries) {
      result.reports.push_back(Report(Kind::WrongCount, name));
      continue;
    }
    if (!ListsStore::IsValidListName(name)) {
      result.reports.push_back(Report(Kind::BadListName, name));
      continue;
    }
    try {
      std::string listKey = JoinKeyPath(kListsKey, name);
      const std::string& listCount = countText;  // Clang 14 cannot capture a structured binding
      hive.WriteTransaction([&] {
        hive.SetValue(kListNamesKey, name, Value::String(listCount));
        for (const auto& [member, data] : members->entries) hive.SetValue(listKey, NameOf(member), Value::String(data));
      });
    } catch (const StoreError& e) {
      result.reports.push_back(Report(Kind::StoreFailed, e.what()));
      break;
    }
    result.imported.push_back(std::move(name));
  }
  return result;
}

MessagesImport ImportMessages(Hive& hive, const std::string& path, const TextCodec& codec) {
  MessagesImport result;
  TransferReport failure{};
  auto text = ReadFileText(path, codec, failure);
  if (!text) {
    result.report = std::move(failure);
    return result;
  }
  SectionedText file(*text);

  // Everything is checked before the store is touched.
  const std::string prefix = RegKeyOfHivePath(kMessagesKey);
  std::vector<std::pair<std::string, const Section*>> keys;  // hive path, section
  for (const Section& s : file.sections()) {
    if (s.entries.empty()) continue;
    std::string_view name = s.name;
    bool ours = name.starts_with(prefix) && (name.size() == prefix.size() || name[prefix.size()] == '\\');
    if (!ours) {
      result.report = Report(Kind::ForeignEntries, path, "The section [" + s.name + "] is not one of saved messages.");
      return result;
    }
    std::string_view rest = name.size() > prefix.size() ? name.substr(prefix.size() + 1) : std::string_view();
    keys.emplace_back(JoinKeyPath(kMessagesKey, rest), &s);
    result.values += s.entries.size();
  }
  if (result.values == 0) {
    result.report = Report(Kind::NoMessagesInFile, path);
    return result;
  }

  try {
    hive.WriteTransaction([&] {
      hive.DeleteKey(kMessagesKey);
      hive.CreateKey(kMessagesKey);
      for (const auto& [key, section] : keys) {
        for (const auto& [entry, data] : section->entries) hive.SetValue(key, NameOf(entry), Value::String(data));
      }
    });
  } catch (const StoreError& e) {
    result.report = Report(Kind::StoreFailed, e.what());
    result.values = 0;
  }
  return result;
}

}  // namespace vantor::store
