// SPDX-License-Identifier: GPL-3.0-or-later
#include "receive/history.h"

#include "common/text.h"

#include <ctime>

namespace vantor::receive {

namespace {

std::string KeyOf(std::string_view id) { return std::string(kReceivedKey) + "\\" + std::string(id); }

std::string Text(const std::vector<store::NamedValue>& values, std::string_view name) {
  for (const store::NamedValue& v : values)
    if (v.value.IsString() && EqualsNoCase(v.name, name)) return v.value.data;
  return {};
}

int Digits(std::string_view s, std::size_t pos, std::size_t n, bool& ok) {
  int v = 0;
  for (std::size_t i = pos; i < pos + n; ++i) {
    if (i >= s.size() || s[i] < '0' || s[i] > '9') {
      ok = false;
      return 0;
    }
    v = v * 10 + (s[i] - '0');
  }
  return v;
}

}  // namespace

std::optional<Clock::TimePoint> ParseIsoTime(std::string_view s) {
  bool ok = s.size() >= 20 && s[4] == '-' && s[7] == '-' && s[10] == 'T' && s[13] == ':' && s[16] == ':';
  std::tm tm{};
  tm.tm_year = Digits(s, 0, 4, ok) - 1900;
  tm.tm_mon = Digits(s, 5, 2, ok) - 1;
  tm.tm_mday = Digits(s, 8, 2, ok);
  tm.tm_hour = Digits(s, 11, 2, ok);
  tm.tm_min = Digits(s, 14, 2, ok);
  tm.tm_sec = Digits(s, 17, 2, ok);
  long offset = 0;
  std::string_view zone = ok ? s.substr(19) : std::string_view();
  if (zone == "Z") {
    offset = 0;
  } else if (zone.size() == 6 && (zone[0] == '+' || zone[0] == '-') && zone[3] == ':') {
    offset = (Digits(zone, 1, 2, ok) * 60L + Digits(zone, 4, 2, ok)) * 60L * (zone[0] == '-' ? -1 : 1);
  } else {
    ok = false;
  }
  if (!ok || tm.tm_mon > 11 || tm.tm_mday < 1 || tm.tm_mday > 31 || tm.tm_hour > 23 || tm.tm_min > 59 ||
      tm.tm_sec > 60)
    return std::nullopt;
  std::time_t utc = ::timegm(&tm);
  if (utc == static_cast<std::time_t>(-1)) return std::nullopt;
  return std::chrono::system_clock::from_time_t(utc - offset);
}

std::string ShownTime(const std::string& iso) {
  std::optional<Clock::TimePoint> t = ParseIsoTime(iso);
  return t ? FormatShortDate(*t) + " " + FormatLongTime(*t) : iso;
}

bool ReceivedHistory::Add(const SpooledMessage& m) {
  if (!IsMessageId(m.id)) return false;
  bool added = false;
  hive_.WriteTransaction([&] {
    const std::string key = KeyOf(m.id);
    if (hive_.KeyExists(key)) return;
    hive_.SetValues(key, {{"From", store::Value::String(m.from)},
                          {"To", store::Value::String(m.to)},
                          {"Time", store::Value::String(m.time)},
                          {"Text", store::Value::String(m.text)}});
    std::vector<std::string> kept = hive_.SubKeyNames(kReceivedKey);
    for (std::size_t i = 0; i + kMaxKept < kept.size(); ++i) hive_.DeleteKey(KeyOf(kept[i]));
    added = true;
  });
  return added;
}

std::vector<SpooledMessage> ReceivedHistory::Load() const {
  std::vector<SpooledMessage> out;
  hive_.ReadTransaction([&] {
    for (const std::string& id : hive_.SubKeyNames(kReceivedKey)) {
      if (!IsMessageId(id)) continue;
      std::vector<store::NamedValue> values = hive_.Values(KeyOf(id));
      out.push_back({id, Text(values, "From"), Text(values, "To"), Text(values, "Time"), Text(values, "Text")});
    }
  });
  return out;
}

bool ReceivedHistory::Delete(const std::string& id) { return IsMessageId(id) && hive_.DeleteKey(KeyOf(id)); }

std::string ReceivedHistory::Newest() const {
  std::vector<std::string> ids = hive_.SubKeyNames(kReceivedKey);
  return ids.empty() ? std::string() : ids.back();
}

}  // namespace vantor::receive
