// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/store_reader.h"

#include "common/text.h"
#include "store/settings.h"
#include "store/hive.h"

namespace vantor::console {

namespace {
const std::string kServersKey = std::string(store::kFormsKey) + "\\" + std::string(store::kServersSection);
}

StoreReader::StoreReader(std::unique_ptr<store::Hive> hive) : hive_(std::move(hive)) {}
StoreReader::~StoreReader() = default;

namespace {
// Reads see the last committed state without waiting for a writer; what can
// wait is creating a missing key while the windowed program or an import
// writes. That wait is kept short: the run reads on without the key.
constexpr int kStoreWaitMs = 500;
}  // namespace

std::unique_ptr<StoreReader> StoreReader::OpenDefault() {
  auto hive = store::OpenDefaultHive(kStoreWaitMs);
  // One read now, so that a damaged store file is found before the run has
  // printed or sent anything.
  hive->KeyExists(store::kRootKey);
  return std::make_unique<StoreReader>(std::move(hive));
}

void StoreReader::Open(std::string_view key) {
  // The registry creates a key that is opened for reading and missing; a
  // store that refuses the write is still read.
  try {
    if (!hive_->KeyExists(key)) hive_->CreateKey(key);
  } catch (const store::StoreError&) {
  }
}

std::vector<store::ListDirectoryEntry> StoreReader::ListDirectory() {
  Open(store::kRootKey);
  return store::ListsStore(*hive_).ListDirectory();
}

std::optional<std::vector<StoredMember>> StoreReader::ListMembers(std::string_view list) {
  Open(store::kListsKey);
  // A name the store cannot hold as a key (empty, or with a backslash that
  // would reach into another key) names no stored list.
  if (!store::ListsStore::IsValidListName(list)) return std::nullopt;
  auto values = store::ListsStore(*hive_).ListValues(list);
  if (!values) return std::nullopt;
  std::vector<StoredMember> members;
  members.reserve(values->size());
  for (auto& [name, data] : *values) {
    std::optional<store::ListMember> parsed = store::ListsStore::ParseMemberData(name, data);
    members.push_back({std::move(name), parsed ? std::optional<int>(parsed->kind) : std::nullopt});
  }
  return members;
}

CheckMark StoreReader::ServerCheckMark(std::string_view server) {
  Open(store::kFormsKey);
  std::optional<store::Value> v = hive_->GetValue(kServersKey, server);
  if (!v) return CheckMark::Unchecked;
  if (!v->IsString()) return CheckMark::Invalid;
  std::optional<std::int32_t> n = ParseInt32(v->data);
  return n && *n != 0 ? CheckMark::Checked : CheckMark::Unchecked;
}

}  // namespace vantor::console
