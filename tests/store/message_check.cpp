// SPDX-License-Identifier: GPL-3.0-or-later
#include "message_check.h"

#include "common/text.h"
#include "store/key_path.h"
#include "store/settings.h"

#include <cstdio>

namespace vantor::store::test {

namespace {

std::string Tag(int g, int i) { return "g" + std::to_string(g) + " m" + std::to_string(i); }
std::string Line(int g, int i, int j) { return Tag(g, i) + " line " + std::to_string(j); }
SavedRecipient Recipient(int g, int i, int r) {
  return {"user" + std::to_string(g) + "-" + std::to_string(i) + "-" + std::to_string(r), 2 + r % 3,
          Tag(g, i) + ", r" + std::to_string(r)};
}

// The data of the values, in the store's order.
std::vector<std::string> Data(Hive& hive, const std::string& key) {
  std::vector<std::string> out;
  for (NamedValue& v : hive.Values(key)) out.push_back(std::move(v.value.data));
  return out;
}

}  // namespace

std::optional<SavedMessageRow> StoreChurnMessage(SavedMessages& messages, int g, int i) {
  int lines = 1 + (g + i) % 2, recipients = (g + i) % 2;
  std::vector<std::string> text;
  for (int j = 0; j < lines; ++j) text.push_back(Line(g, i, j));
  std::vector<SavedRecipient> to;
  for (int r = 0; r < recipients; ++r) to.push_back(Recipient(g, i, r));
  std::string signature = "g" + std::to_string(g) + " m" + std::to_string(i) + " l" + std::to_string(lines) + " r" +
                          std::to_string(recipients);
  return messages.Store(text, to, signature, "alias " + Tag(g, i));
}

MessageCheck CheckMessages(Hive& hive) {
  MessageCheck check;
  hive.ReadTransaction([&] {
    check.orderEntries = static_cast<int>(hive.Values(JoinKeyPath(kMessagesKey, "Order")).size());
    for (const std::string& key : hive.SubKeyNames(kMessagesKey)) {
      if (key == "Order") continue;
      auto fail = [&](const std::string& what) { check.problems += "slot " + key + ": " + what + "\n"; };
      if (!ParseInt32(key)) {
        fail("not a slot number");
        continue;
      }
      ++check.slots;
      std::string path = JoinKeyPath(kMessagesKey, key);
      // Written in this order by every store and import.
      std::vector<std::string> values = Data(hive, path);
      int g = -1, i = -1, lines = -1, recipients = -1;
      if (values.size() != 4 || std::sscanf(values[0].c_str(), "g%d m%d l%d r%d", &g, &i, &lines, &recipients) != 4) {
        fail(std::to_string(values.size()) + " values, signature '" + (values.empty() ? "" : values[0]) + "'");
        continue;
      }
      check.generations.insert(g);
      std::vector<std::string> expected = {values[0], "alias " + Tag(g, i), "Message #" + key + " - " + Line(g, i, 0),
                                           std::to_string(recipients)};
      bool whole = values == expected;
      std::vector<std::string> texts, names, types, comments;
      for (int j = 0; j < lines; ++j) texts.push_back(Line(g, i, j));
      for (int r = 0; r < recipients; ++r) {
        SavedRecipient to = Recipient(g, i, r);
        names.push_back(to.name);
        types.push_back(std::to_string(to.kind));
        comments.push_back(to.comment);
      }
      whole = whole && Data(hive, JoinKeyPath(path, "Texts")) == texts &&
              Data(hive, JoinKeyPath(path, "Names")) == names && Data(hive, JoinKeyPath(path, "Types")) == types &&
              Data(hive, JoinKeyPath(path, "Comments")) == comments;
      if (!whole) fail("not whole: " + Tag(g, i));
    }
  });
  return check;
}

}  // namespace vantor::store::test
