// Stand-in until the store library is part of the build: every store
// operation fails with a clear message. Removed when the store arrives.
#include "console/store_reader.h"

namespace vantor::console {

StoreReader::StoreReader(std::unique_ptr<store::Hive> hive) : hive_(std::move(hive)) {}
StoreReader::~StoreReader() = default;

std::unique_ptr<StoreReader> StoreReader::OpenDefault() {
  throw store::StoreError("The store is not part of this build yet");
}

std::vector<store::ListDirectoryEntry> StoreReader::ListDirectory() { return {}; }
std::optional<std::vector<StoredMember>> StoreReader::ListMembers(std::string_view) { return std::nullopt; }
CheckMark StoreReader::ServerCheckMark(std::string_view) { return CheckMark::Unchecked; }

}  // namespace vantor::console
