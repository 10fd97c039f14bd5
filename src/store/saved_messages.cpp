// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/saved_messages.h"

#include "common/text.h"
#include "store/key_path.h"
#include "store/settings.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

namespace vantor::store {

namespace {

constexpr std::string_view kNextNumber = "NextNumber";
const std::string kOrderKey = JoinKeyPath(kMessagesKey, "Order");

std::string SlotKey(int slot) { return JoinKeyPath(kMessagesKey, std::to_string(slot)); }

std::string Text(const NamedValue& v) {
  if (v.value.type != ValueType::String && v.value.type != ValueType::ExpandString) {
    throw StoreError(Format("Invalid data type for '%s'", {v.name}));
  }
  return v.value.data;
}

// A key's values by folded name, for the numbered runs ("0", "1", ...) that
// are read until the first gap.
class ValueIndex {
 public:
  ValueIndex(Hive& hive, const std::string& key) {
    for (NamedValue& v : hive.Values(key)) byName_.emplace(FoldCase(v.name), std::move(v));
  }
  std::optional<std::string> Get(std::string_view name) const {
    auto it = byName_.find(FoldCase(name));
    if (it == byName_.end()) return std::nullopt;
    return Text(it->second);
  }
  size_t size() const { return byName_.size(); }

 private:
  std::unordered_map<std::string, NamedValue> byName_;
};

// NextNumber as the store search starts from it: 1 when missing, not a
// number, or outside 1..1000 (1001 is written after slot 1000).
int NextNumber(Hive& hive) {
  int n = Settings(hive, std::string(kMessagesKey)).ReadInteger("", kNextNumber, 1);
  return n >= 1 && n <= kMaxSavedMessages ? n : 1;
}

bool SlotUsed(Hive& hive, int slot) { return hive.GetValue(SlotKey(slot), "Count").has_value(); }

// The slot number a key below Messages names, when it names one in the
// form the programs write ("7", never "07" or "+7").
std::optional<int> SlotOfKeyName(std::string_view name) {
  auto n = ParseInt32(name);
  if (!n || *n < 1 || *n > kMaxSavedMessages || std::to_string(*n) != name) return std::nullopt;
  return n;
}

SavedMessageRow RowOf(Hive& hive, int slot) {
  ValueIndex values(hive, SlotKey(slot));
  SavedMessageRow row{slot, "", 0};
  auto title = values.Get("Title");
  row.title = title ? std::move(*title) : "Message #" + std::to_string(slot);
  if (auto count = values.Get("Count")) row.count = ParseInt32(*count).value_or(0);
  return row;
}

}  // namespace

std::string StoreFullText() {
  return Format("Could not store this message: (%d limit)", {std::to_string(kMaxSavedMessages)});
}

std::string RecipientCountText(int count) { return count == 1 ? "1 Item" : std::to_string(count) + " Items"; }

std::optional<SavedMessageRow> SavedMessages::Store(const std::vector<std::string>& lines,
                                                    const std::vector<SavedRecipient>& recipients,
                                                    std::string_view signature, std::string_view alias) {
  std::optional<SavedMessageRow> row;
  hive_.WriteTransaction([&] {
    const int start = NextNumber(hive_);
    int slot = 0;
    for (int k = 0; k < kMaxSavedMessages && slot == 0; ++k) {
      int i = (start - 1 + k) % kMaxSavedMessages + 1;
      if (!SlotUsed(hive_, i)) slot = i;
    }
    if (slot == 0) return;

    const std::string key = SlotKey(slot);
    // A free slot may still hold values (an import, or a store made elsewhere
    // that ended before its Count): none of them may mix with this message.
    hive_.DeleteKey(key);
    auto put = [&](const std::string& k, std::string_view name, std::string_view data) {
      hive_.SetValue(k, name, Value::String(std::string(data)));
    };
    put(std::string(kMessagesKey), kNextNumber, std::to_string(slot + 1));
    const std::string texts = JoinKeyPath(key, "Texts");
    for (size_t j = 0; j < lines.size(); ++j) put(texts, std::to_string(j), lines[j]);
    const std::string names = JoinKeyPath(key, "Names");
    const std::string types = JoinKeyPath(key, "Types");
    const std::string comments = JoinKeyPath(key, "Comments");
    for (size_t r = 0; r < recipients.size(); ++r) {
      std::string n = std::to_string(r);
      put(names, n, recipients[r].name);
      put(types, n, std::to_string(recipients[r].kind));
      put(comments, n, recipients[r].comment);
    }
    put(key, "Signature", signature);
    put(key, "Alias", alias);
    std::string title = "Message #" + std::to_string(slot) + " - " + (lines.empty() ? "" : lines.front());
    put(key, "Title", title);
    put(key, "Count", std::to_string(recipients.size()));
    row = SavedMessageRow{slot, std::move(title), static_cast<int>(recipients.size())};
  });
  return row;
}

SavedMessage SavedMessages::Load(int slot) const {
  SavedMessage m;
  const std::string key = SlotKey(slot);
  hive_.ReadTransaction([&] {
    ValueIndex texts(hive_, JoinKeyPath(key, "Texts"));
    for (size_t j = 0;; ++j) {
      auto line = texts.Get(std::to_string(j));
      if (!line) break;
      m.lines.push_back(std::move(*line));
    }
    ValueIndex names(hive_, JoinKeyPath(key, "Names"));
    ValueIndex types(hive_, JoinKeyPath(key, "Types"));
    ValueIndex comments(hive_, JoinKeyPath(key, "Comments"));
    for (size_t r = 0;; ++r) {
      std::string n = std::to_string(r);
      auto name = names.Get(n);
      if (!name) break;
      auto type = types.Get(n);
      int kind = type ? ParseInt32(*type).value_or(2) : 2;
      m.recipients.push_back({std::move(*name), kind, comments.Get(n).value_or("")});
    }
    ValueIndex values(hive_, key);
    m.signature = values.Get("Signature");
    m.alias = values.Get("Alias");
  });
  return m;
}

void SavedMessages::Delete(int slot, bool viewNowEmpty) {
  hive_.WriteTransaction([&] {
    hive_.DeleteKey(SlotKey(slot));
    if (viewNowEmpty) hive_.SetValue(kMessagesKey, kNextNumber, Value::String("1"));
  });
}

bool SavedMessages::Rename(int slot, std::string_view oldTitle, std::string_view newTitle) {
  if (oldTitle == newTitle) return false;
  hive_.WriteTransaction([&] { hive_.SetValue(SlotKey(slot), "Title", Value::String(std::string(newTitle))); });
  return true;
}

void SavedMessages::WriteOrder(const std::vector<int>& slots) {
  hive_.WriteTransaction([&] {
    hive_.DeleteKey(kOrderKey);
    for (size_t k = 0; k < slots.size(); ++k) {
      hive_.SetValue(kOrderKey, std::to_string(k), Value::String(std::to_string(slots[k])));
    }
  });
}

std::vector<SavedMessageRow> SavedMessages::Fill() const {
  std::vector<SavedMessageRow> rows;
  hive_.ReadTransaction([&] {
    ValueIndex order(hive_, kOrderKey);
    std::unordered_set<int> named;
    for (size_t k = 0; k < order.size(); ++k) {
      std::string text = order.Get(std::to_string(k)).value_or("0");
      auto slot = ParseInt32(text);
      if (!slot) throw StoreError("'" + text + "' is not a valid integer value");
      named.insert(*slot);
      rows.push_back(RowOf(hive_, *slot));
    }

    // Slots stored after the last write of the order, oldest first: the
    // store hands out slots upwards from NextNumber, so the newest lies just
    // below it and the oldest furthest behind it.
    const int next = NextNumber(hive_);
    auto age = [&](int slot) {
      int behind = (next - slot + kMaxSavedMessages) % kMaxSavedMessages;
      return behind == 0 ? kMaxSavedMessages : behind;
    };
    std::vector<int> unlisted;
    for (const std::string& name : hive_.SubKeyNames(kMessagesKey)) {
      auto slot = SlotOfKeyName(name);
      if (slot && !named.contains(*slot) && SlotUsed(hive_, *slot)) unlisted.push_back(*slot);
    }
    std::sort(unlisted.begin(), unlisted.end(), [&](int a, int b) { return age(a) > age(b); });
    for (int slot : unlisted) rows.push_back(RowOf(hive_, slot));
  });
  return rows;
}

}  // namespace vantor::store
