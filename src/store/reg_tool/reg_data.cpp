// SPDX-License-Identifier: GPL-3.0-or-later
#include "store/reg_tool/reg_data.h"

#include "common/text.h"

#include <array>
#include <charconv>
#include <utility>

namespace vantor::store {

namespace {

constexpr std::array<std::pair<ValueType, std::string_view>, 9> kTypeNames = {{
    {ValueType::None, "REG_NONE"},
    {ValueType::String, "REG_SZ"},
    {ValueType::ExpandString, "REG_EXPAND_SZ"},
    {ValueType::Binary, "REG_BINARY"},
    {ValueType::DWord, "REG_DWORD"},
    {ValueType::DWordBigEndian, "REG_DWORD_BIG_ENDIAN"},
    {ValueType::Link, "REG_LINK"},
    {ValueType::MultiString, "REG_MULTI_SZ"},
    {ValueType::QWord, "REG_QWORD"},
}};

std::string HexDigits(std::string_view bytes, bool upper) {
  const char* digits = upper ? "0123456789ABCDEF" : "0123456789abcdef";
  std::string out;
  for (char c : bytes) {
    auto b = static_cast<unsigned char>(c);
    out += digits[b >> 4];
    out += digits[b & 15];
  }
  return out;
}

std::string LittleEndianNumber(std::string_view bytes) {
  std::uint64_t n = 0;
  for (size_t i = bytes.size(); i-- > 0;) n = (n << 8) | static_cast<unsigned char>(bytes[i]);
  char buf[24];
  auto res = std::to_chars(buf, buf + sizeof buf, n, 16);
  return "0x" + std::string(buf, res.ptr);
}

// Decimal, or hex after 0x, up to max.
std::optional<std::uint64_t> ParseNumber(std::string_view text, std::uint64_t max) {
  int base = 10;
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text.remove_prefix(2);
  }
  if (text.empty()) return std::nullopt;
  std::uint64_t n = 0;
  auto [ptr, ec] = std::from_chars(text.data(), text.data() + text.size(), n, base);
  if (ec != std::errc() || ptr != text.data() + text.size() || n > max) return std::nullopt;
  return n;
}

std::string Bytes(std::uint64_t n, int count, bool bigEndian) {
  std::string out(static_cast<size_t>(count), '\0');
  for (int i = 0; i < count; ++i) {
    auto at = static_cast<size_t>(bigEndian ? count - 1 - i : i);
    out[at] = static_cast<char>((n >> (8 * i)) & 0xff);
  }
  return out;
}

}  // namespace

std::string RegTypeName(ValueType type) {
  for (auto& [t, name] : kTypeNames) {
    if (t == type) return std::string(name);
  }
  return "REG_TYPE_" + std::to_string(static_cast<std::uint32_t>(type));
}

std::optional<ValueType> RegTypeOfName(std::string_view name) {
  for (auto& [t, n] : kTypeNames) {
    if (EqualsNoCase(n, name)) return t;
  }
  return std::nullopt;
}

std::string RegDisplayData(const Value& value) {
  const std::string& d = value.data;
  switch (value.type) {
    case ValueType::String:
    case ValueType::ExpandString: return d;
    case ValueType::MultiString: {
      std::string out;
      std::string_view rest = d;
      if (rest.ends_with('\0')) rest.remove_suffix(1);
      for (char c : rest) {
        if (c == '\0') {
          out += "\\0";
        } else {
          out += c;
        }
      }
      return out;
    }
    case ValueType::DWord:
    case ValueType::QWord:
      if (d.size() == (value.type == ValueType::DWord ? 4u : 8u)) return LittleEndianNumber(d);
      return HexDigits(d, true);
    case ValueType::DWordBigEndian:
      if (d.size() == 4) return LittleEndianNumber(std::string(d.rbegin(), d.rend()));
      return HexDigits(d, true);
    default: return HexDigits(d, true);
  }
}

Value RegDataOfText(ValueType type, std::string_view text, std::string_view separator) {
  switch (type) {
    case ValueType::String:
    case ValueType::ExpandString: return {type, std::string(text)};
    case ValueType::MultiString: {
      if (separator.empty()) throw StoreError("The separator of REG_MULTI_SZ strings cannot be empty.");
      std::string data;
      while (!text.empty()) {
        size_t cut = text.find(separator);
        std::string_view part = text.substr(0, cut);
        if (part.empty()) throw StoreError("REG_MULTI_SZ data cannot hold an empty string.");
        data += part;
        data += '\0';
        if (cut == std::string_view::npos) break;
        text.remove_prefix(cut + separator.size());
        if (text.empty()) throw StoreError("REG_MULTI_SZ data cannot end with a separator.");
      }
      return {type, std::move(data)};
    }
    case ValueType::DWord:
    case ValueType::DWordBigEndian: {
      auto n = ParseNumber(text, 0xffffffffu);
      if (!n) throw StoreError("'" + std::string(text) + "' is not a REG_DWORD number (0 to 4294967295, or 0x hex).");
      return {type, Bytes(*n, 4, type == ValueType::DWordBigEndian)};
    }
    case ValueType::QWord: {
      auto n = ParseNumber(text, ~std::uint64_t{0});
      if (!n) throw StoreError("'" + std::string(text) + "' is not a REG_QWORD number (decimal, or 0x hex).");
      return {type, Bytes(*n, 8, false)};
    }
    case ValueType::Binary:
    case ValueType::None: {
      if (text.size() % 2 != 0) throw StoreError("Binary data needs two hex digits per byte.");
      std::string data;
      for (size_t i = 0; i < text.size(); i += 2) {
        auto b = ParseNumber("0x" + std::string(text.substr(i, 2)), 0xff);
        if (!b) {
          throw StoreError("'" + std::string(text) + "' is not binary data: only hex digits are allowed.");
        }
        data += static_cast<char>(*b);
      }
      return {type, std::move(data)};
    }
    default: throw StoreError("Values of type " + RegTypeName(type) + " cannot be added.");
  }
}

}  // namespace vantor::store
