// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/settings.h"

#include "common/text.h"
#include "store/key_path.h"

namespace vantor::store {

namespace {

// Text as the settings read it: the registry's string types, or a failed read.
std::optional<std::string> AsText(std::string_view name, std::optional<Value> v) {
  if (!v) return std::nullopt;
  if (v->type != ValueType::String && v->type != ValueType::ExpandString) {
    throw StoreError(Format("Invalid data type for '%s'", {name}));
  }
  return std::move(v->data);
}

}  // namespace

Settings::Settings(Hive& hive, std::string baseKey) : hive_(hive), base_(std::move(baseKey)) {}

std::string Settings::KeyOf(std::string_view section) const {
  // A section that begins with a backslash is a path from the hive's root.
  if (!section.empty() && section.front() == '\\') return std::string(section.substr(1));
  return JoinKeyPath(base_, section);
}

std::int32_t Settings::ReadInteger(std::string_view section, std::string_view name, std::int32_t def) const {
  auto text = AsText(name, hive_.GetValue(KeyOf(section), name));
  if (!text) return def;
  return ParseInt32(*text).value_or(def);
}

bool Settings::ReadBool(std::string_view section, std::string_view name, bool def) const {
  return ReadInteger(section, name, def ? 1 : 0) != 0;
}

std::string Settings::ReadString(std::string_view section, std::string_view name, std::string_view def) const {
  auto text = AsText(name, hive_.GetValue(KeyOf(section), name));
  return text ? std::move(*text) : std::string(def);
}

void Settings::WriteInteger(std::string_view section, std::string_view name, std::int32_t value) {
  hive_.SetValue(KeyOf(section), name, Value::String(std::to_string(value)));
}

void Settings::WriteBool(std::string_view section, std::string_view name, bool value) {
  hive_.SetValue(KeyOf(section), name, Value::String(value ? "1" : "0"));
}

void Settings::WriteString(std::string_view section, std::string_view name, std::string_view value) {
  hive_.SetValue(KeyOf(section), name, Value::String(std::string(value)));
}

std::vector<std::string> Settings::ReadValueNames(std::string_view section) const {
  std::vector<std::string> names;
  for (NamedValue& v : hive_.Values(KeyOf(section))) names.push_back(std::move(v.name));
  return names;
}

std::vector<std::pair<std::string, std::string>> Settings::ReadNameValuePairs(std::string_view section) const {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (NamedValue& v : hive_.Values(KeyOf(section))) {
    std::string data = *AsText(v.name, std::move(v.value));
    pairs.emplace_back(std::move(v.name), std::move(data));
  }
  return pairs;
}

bool Settings::SectionExists(std::string_view section) const { return hive_.KeyExists(KeyOf(section)); }

void Settings::EraseSection(std::string_view section) { hive_.DeleteKey(KeyOf(section)); }

WindowPlace ReadWindowPlace(const Settings& settings, std::string_view section, const WindowPlace& defaults) {
  WindowPlace p;
  p.left = settings.ReadInteger(section, "Left", defaults.left);
  p.top = settings.ReadInteger(section, "Top", defaults.top);
  p.width = settings.ReadInteger(section, "Width", defaults.width);
  p.height = settings.ReadInteger(section, "Height", defaults.height);
  return p;
}

void WriteWindowPlace(Settings& settings, std::string_view section, const WindowPlace& place) {
  settings.WriteInteger(section, "Left", place.left);
  settings.WriteInteger(section, "Top", place.top);
  settings.WriteInteger(section, "Width", place.width);
  settings.WriteInteger(section, "Height", place.height);
}

}  // namespace vantor::store
