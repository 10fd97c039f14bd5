// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Little helpers for packing and reading wire integers. NetBIOS fields are
// big-endian ("network order"), SMB fields little-endian.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::lan::samba {

inline void PutU8(std::string& out, std::uint8_t v) { out.push_back(static_cast<char>(v)); }
inline void PutBe16(std::string& out, std::uint16_t v) {
  PutU8(out, static_cast<std::uint8_t>(v >> 8));
  PutU8(out, static_cast<std::uint8_t>(v & 0xFF));
}
inline void PutLe16(std::string& out, std::uint16_t v) {
  PutU8(out, static_cast<std::uint8_t>(v & 0xFF));
  PutU8(out, static_cast<std::uint8_t>(v >> 8));
}
inline void PutLe32(std::string& out, std::uint32_t v) {
  PutLe16(out, static_cast<std::uint16_t>(v & 0xFFFF));
  PutLe16(out, static_cast<std::uint16_t>(v >> 16));
}

inline std::uint8_t U8At(std::string_view b, std::size_t i) { return static_cast<std::uint8_t>(b[i]); }
inline std::uint16_t Be16At(std::string_view b, std::size_t i) {
  return static_cast<std::uint16_t>((U8At(b, i) << 8) | U8At(b, i + 1));
}
inline std::uint16_t Le16At(std::string_view b, std::size_t i) {
  return static_cast<std::uint16_t>(U8At(b, i) | (U8At(b, i + 1) << 8));
}
inline std::uint32_t Le32At(std::string_view b, std::size_t i) {
  return static_cast<std::uint32_t>(Le16At(b, i)) | (static_cast<std::uint32_t>(Le16At(b, i + 2)) << 16);
}
inline std::uint32_t Be32At(std::string_view b, std::size_t i) {
  return (static_cast<std::uint32_t>(Be16At(b, i)) << 16) | Be16At(b, i + 2);
}

}  // namespace vantor::lan::samba
