// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/transfer_files_win32.h"

#include "common/text.h"
#include "common/utf.h"

#include <atomic>
#include <vector>

#include <windows.h>

namespace vantor::store::win32 {

namespace {

using Kind = TransferReport::Kind;

std::wstring Wide(std::string_view utf8) {
  std::u16string u = Utf8ToUtf16(utf8);
  return std::wstring(u.begin(), u.end());
}

std::string SystemText(DWORD code) {
  wchar_t* buf = nullptr;
  DWORD n =
      ::FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                       nullptr, code, 0, reinterpret_cast<LPWSTR>(&buf), 0, nullptr);
  std::wstring w = n > 0 && buf ? std::wstring(buf, n) : std::wstring();
  if (buf) ::LocalFree(buf);
  std::string text(TrimBlanks(Utf16ToUtf8(std::u16string(w.begin(), w.end()))));
  return text.empty() ? "System error " + std::to_string(code) + "." : text;
}

class Handle {
 public:
  explicit Handle(HANDLE h) : h_(h) {}
  ~Handle() { Close(); }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  HANDLE get() const { return h_; }
  bool valid() const { return h_ != INVALID_HANDLE_VALUE; }
  bool Close() {
    bool ok = true;
    if (valid()) ok = ::CloseHandle(h_) != 0;
    h_ = INVALID_HANDLE_VALUE;
    return ok;
  }

 private:
  HANDLE h_;
};

}  // namespace

std::optional<TransferReport> WriteFileSafely(const std::string& path, std::string_view bytes) {
  std::wstring target = Wide(path);
  DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY)) {
    return TransferReport{Kind::CannotCreate, path, "It is a folder."};
  }
  std::wstring temp;
  static std::atomic<unsigned> counter{0};
  HANDLE h = INVALID_HANDLE_VALUE;
  for (int attempt = 0; attempt < 100 && h == INVALID_HANDLE_VALUE; ++attempt) {
    temp = target + L"." + std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(counter++) + L".tmp";
    h = ::CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_HIDDEN, nullptr);
    if (h == INVALID_HANDLE_VALUE && ::GetLastError() != ERROR_FILE_EXISTS) {
      return TransferReport{Kind::CannotCreate, path, SystemText(::GetLastError())};
    }
  }
  if (h == INVALID_HANDLE_VALUE) return TransferReport{Kind::CannotCreate, path, SystemText(ERROR_FILE_EXISTS)};
  Handle file(h);
  auto fail = [&](DWORD err) {
    file.Close();
    ::DeleteFileW(temp.c_str());
    return TransferReport{Kind::WriteFailed, path, SystemText(err)};
  };
  while (!bytes.empty()) {
    DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(bytes.size(), 1u << 20));
    DWORD written = 0;
    if (!::WriteFile(file.get(), bytes.data(), chunk, &written, nullptr)) return fail(::GetLastError());
    bytes.remove_prefix(written);
  }
  if (!::FlushFileBuffers(file.get())) return fail(::GetLastError());
  if (!file.Close()) return fail(::GetLastError());
  // The new file shows like the one it replaces.
  ::SetFileAttributesW(temp.c_str(), attributes != INVALID_FILE_ATTRIBUTES ? attributes : FILE_ATTRIBUTE_NORMAL);
  if (!::MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    DWORD err = ::GetLastError();
    ::DeleteFileW(temp.c_str());
    return TransferReport{Kind::WriteFailed, path, SystemText(err)};
  }
  return std::nullopt;
}

std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t limit, TransferReport& failure) {
  Handle file(::CreateFileW(Wide(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) {
    DWORD err = ::GetLastError();
    if (err == ERROR_FILE_NOT_FOUND) return std::string();
    failure = {Kind::CannotRead, path, SystemText(err)};
    return std::nullopt;
  }
  if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
    failure = {Kind::CannotRead, path, "It is not a regular file."};
    return std::nullopt;
  }
  std::string bytes;
  std::vector<char> buf(65536);
  while (bytes.size() < limit) {
    DWORD got = 0;
    if (!::ReadFile(file.get(), buf.data(), static_cast<DWORD>(buf.size()), &got, nullptr)) {
      failure = {Kind::CannotRead, path, SystemText(::GetLastError())};
      return std::nullopt;
    }
    if (got == 0) break;
    bytes.append(buf.data(), got);
  }
  if (bytes.size() > limit) bytes.resize(limit);
  return bytes;
}

}  // namespace vantor::store::win32
