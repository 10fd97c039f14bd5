// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file system side of the export and import files on Windows, where a
// finished file takes the place of the old one by MoveFileExW rather than by
// rename(2). Paths are UTF-8.

#include "store/transfer_files.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace vantor::store::win32 {

// Writes the file beside its target and moves it over the target once it is
// complete and flushed to disk; nullopt on success.
std::optional<TransferReport> WriteFileSafely(const std::string& path, std::string_view bytes);

// At most limit bytes of the file; a file that does not exist reads as empty.
// nullopt, with failure set, when it cannot be read or is no regular file.
std::optional<std::string> ReadFileBytes(const std::string& path, std::size_t limit, TransferReport& failure);

}  // namespace vantor::store::win32
