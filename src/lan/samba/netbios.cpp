// SPDX-License-Identifier: GPL-3.0-or-later
#include "lan/samba/netbios.h"

#include "lan/samba/bytes.h"

namespace vantor::lan::samba {

std::string EncodeNetbiosName(std::string_view name, std::uint8_t suffix) {
  std::string raw(name.substr(0, kNetbiosNameMax));
  raw.resize(kNetbiosNameMax, ' ');
  raw.push_back(static_cast<char>(suffix));
  std::string out;
  out.reserve(kEncodedNameSize);
  PutU8(out, 32);
  for (char c : raw) {
    auto b = static_cast<std::uint8_t>(c);
    out.push_back(static_cast<char>('A' + (b >> 4)));
    out.push_back(static_cast<char>('A' + (b & 0x0F)));
  }
  PutU8(out, 0);
  return out;
}

std::optional<std::string> DecodeNetbiosName(std::string_view encoded) {
  if (encoded.size() != kEncodedNameSize || U8At(encoded, 0) != 32 || U8At(encoded, 33) != 0) return std::nullopt;
  std::string raw;
  for (std::size_t i = 1; i < 33; i += 2) {
    char hi = encoded[i], lo = encoded[i + 1];
    if (hi < 'A' || hi > 'P' || lo < 'A' || lo > 'P') return std::nullopt;
    raw.push_back(static_cast<char>(((hi - 'A') << 4) | (lo - 'A')));
  }
  return raw;
}

namespace {
std::string SessionPacket(std::uint8_t type, std::string_view payload) {
  std::string out;
  out.reserve(4 + payload.size());
  PutU8(out, type);
  PutU8(out, static_cast<std::uint8_t>((payload.size() >> 16) & 0x01));
  PutBe16(out, static_cast<std::uint16_t>(payload.size() & 0xFFFF));
  out.append(payload);
  return out;
}
}  // namespace

std::string SessionRequest(std::string_view calledEncoded, std::string_view callingEncoded) {
  std::string names(calledEncoded);
  names.append(callingEncoded);
  return SessionPacket(session::kRequest, names);
}

std::string SessionMessage(std::string_view payload) { return SessionPacket(session::kMessage, payload); }

std::optional<SessionHeader> ParseSessionHeader(std::string_view header) {
  if (header.size() < 4) return std::nullopt;
  std::uint8_t flags = U8At(header, 1);
  if (flags & 0xFE) return std::nullopt;
  SessionHeader h;
  h.type = U8At(header, 0);
  h.length = (static_cast<std::uint32_t>(flags & 0x01) << 16) | Be16At(header, 2);
  return h;
}

Status NegativeSessionStatus(std::uint8_t code) {
  switch (code) {
    case 0x80:  // not listening on the called name
    case 0x82:  // called name not present
      return NERR_NameNotFound;
    case 0x81:  // not listening for the calling name
      return ERROR_NETWORK_ACCESS_DENIED;
    case 0x83:  // called name present, but no resources
      return ERROR_REQ_NOT_ACCEP;
    default:  // 0x8F unspecified, or a code that does not exist
      return ERROR_UNEXP_NET_ERR;
  }
}

// ---- Name service ----

namespace {
constexpr std::uint16_t kFlagResponse = 0x8000;
constexpr std::uint16_t kFlagRecursionDesired = 0x0100;
constexpr std::uint16_t kFlagBroadcast = 0x0010;
constexpr std::uint16_t kOpcodeMask = 0x7800;
constexpr std::uint16_t kOpcodeWack = 0x3800;  // wait for acknowledgement: the real answer follows
constexpr std::uint16_t kTypeNb = 0x0020;
constexpr std::uint16_t kClassIn = 0x0001;
}  // namespace

std::string NameQueryRequest(std::uint16_t id, std::string_view encodedName, bool broadcast) {
  std::string out;
  PutBe16(out, id);
  PutBe16(out, static_cast<std::uint16_t>(kFlagRecursionDesired | (broadcast ? kFlagBroadcast : 0)));
  PutBe16(out, 1);  // one question
  PutBe16(out, 0);
  PutBe16(out, 0);
  PutBe16(out, 0);
  out.append(encodedName);
  PutBe16(out, kTypeNb);
  PutBe16(out, kClassIn);
  return out;
}

NameQueryAnswer ParseNameQueryResponse(std::string_view p, std::uint16_t id, std::string_view encodedName) {
  using Kind = NameQueryAnswer::Kind;
  if (p.size() < 12 || Be16At(p, 0) != id) return {Kind::kNotOurs, 0};
  std::uint16_t flags = Be16At(p, 2);
  if (!(flags & kFlagResponse)) return {Kind::kNotOurs, 0};  // a query, perhaps our own broadcast
  if ((flags & kOpcodeMask) == kOpcodeWack) return {Kind::kNotOurs, 0};
  if ((flags & kOpcodeMask) != 0) return {Kind::kMalformed, 0};
  if ((flags & 0x000F) != 0) return {Kind::kNegative, 0};
  if (Be16At(p, 6) < 1) return {Kind::kMalformed, 0};
  // Skip any echoed questions, then read the first answer record.
  std::size_t pos = 12;
  auto skipName = [&](bool& matches) -> bool {
    if (pos >= p.size()) return false;
    std::uint8_t len = U8At(p, pos);
    if ((len & 0xC0) == 0xC0) {  // a pointer back to the question's name
      if (pos + 2 > p.size()) return false;
      matches = true;
      pos += 2;
      return true;
    }
    if (pos + kEncodedNameSize > p.size()) return false;
    matches = p.substr(pos, kEncodedNameSize) == encodedName;
    // A scope would follow the name's first label; it is not ours either way.
    std::size_t q = pos;
    while (q < p.size() && U8At(p, q) != 0) {
      if (U8At(p, q) > 63) return false;
      q += 1 + U8At(p, q);
    }
    if (q >= p.size()) return false;
    pos = q + 1;
    return true;
  };
  for (std::uint16_t q = Be16At(p, 4); q > 0; --q) {
    bool ignored = false;
    if (!skipName(ignored) || pos + 4 > p.size()) return {Kind::kMalformed, 0};
    pos += 4;
  }
  bool matches = false;
  if (!skipName(matches)) return {Kind::kMalformed, 0};
  if (!matches) return {Kind::kNotOurs, 0};
  if (pos + 10 > p.size()) return {Kind::kMalformed, 0};
  std::uint16_t type = Be16At(p, pos), cls = Be16At(p, pos + 2), rdLength = Be16At(p, pos + 8);
  pos += 10;
  if (type != kTypeNb || cls != kClassIn || rdLength < 6 || pos + rdLength > p.size()) return {Kind::kMalformed, 0};
  // Each entry: two bytes of flags, four of address; the first one serves.
  std::uint32_t address = Be32At(p, pos + 2);
  if (address == 0 || address == 0xFFFFFFFFu) return {Kind::kMalformed, 0};
  return {Kind::kPositive, address};
}

// ---- Datagram service ----

std::string DirectGroupDatagram(std::uint16_t id, std::uint32_t sourceAddress, std::uint16_t sourcePort,
                                std::string_view sourceEncoded, std::string_view destinationEncoded,
                                std::string_view userData) {
  std::string out;
  PutU8(out, 0x11);  // direct group datagram
  PutU8(out, 0x02);  // first (and only) fragment, sent by a B node
  PutBe16(out, id);
  PutBe16(out, static_cast<std::uint16_t>(sourceAddress >> 16));
  PutBe16(out, static_cast<std::uint16_t>(sourceAddress & 0xFFFF));
  PutBe16(out, sourcePort);
  PutBe16(out, static_cast<std::uint16_t>(sourceEncoded.size() + destinationEncoded.size() + userData.size()));
  PutBe16(out, 0);  // packet offset
  out.append(sourceEncoded);
  out.append(destinationEncoded);
  out.append(userData);
  return out;
}

}  // namespace vantor::lan::samba
