// SPDX-License-Identifier: GPL-3.0-or-later
// What a peer or a name server sends back, read by the parsers of the Samba
// backend: SMB replies to the message commands, session-service headers,
// name-query responses and encoded names. The first byte chooses the parser
// (its value modulo 4), the rest is laid out as each function below says;
// each parser must stay inside the bytes it was given and keep its promises.
#include "fuzz_support.h"
#include "lan/samba/netbios.h"
#include "lan/samba/smb_message.h"

#include <cstddef>
#include <cstdint>

namespace {

using namespace vantor;
using namespace vantor::lan;
using namespace vantor::lan::samba;

// The command (byte), the multiplex id (big-endian), the reply.
void SmbReplies(fuzz::Input& in) {
  std::uint8_t command = in.Byte();
  std::uint16_t mid = in.Be16();
  // Bytes of their own, so that reading past them is seen.
  std::string reply = in.Rest();
  SmbReply r = ParseReply(reply, command, mid);
  if (r.status == NERR_Success) {
    if (reply.size() < smb::kHeaderSize + 3 || static_cast<std::uint8_t>(reply[4]) != command)
      fuzz::Fail("a reply to another command or too short to be one was taken");
    if (r.words.size() != static_cast<std::uint8_t>(reply[smb::kHeaderSize]))
      fuzz::Fail("the parameter words do not match their count");
  } else if (!r.words.empty()) {
    fuzz::Fail("a failed reply carries words");
  }
}

void SessionHeaders(fuzz::Input& in) {
  std::string header = in.Rest();
  if (auto h = ParseSessionHeader(header); h && h->length > session::kMaxLength) {
    fuzz::Fail("a session length beyond 17 bits");
  }
}

// The query's id (big-endian), the name's suffix (byte), its length (byte,
// at most 15 taken) and bytes, then the response.
void NameQueryResponses(fuzz::Input& in) {
  std::uint16_t id = in.Be16();
  std::uint8_t suffix = in.Byte();
  std::string name = EncodeNetbiosName(in.Take(in.Byte() % 16), suffix);
  std::string packet = in.Rest();
  NameQueryAnswer a = ParseNameQueryResponse(packet, id, name);
  if (a.kind != NameQueryAnswer::Kind::kPositive && a.address != 0) fuzz::Fail("an address without an answer");
}

void EncodedNames(fuzz::Input& in) {
  std::string encoded = in.Rest();
  if (auto raw = DecodeNetbiosName(encoded)) {
    if (raw->size() != 16) fuzz::Fail("a decoded name is not 16 bytes");
    if (EncodeNetbiosName(raw->substr(0, 15), static_cast<std::uint8_t>((*raw)[15])) != encoded)
      fuzz::Fail("a decoded name does not encode back to its bytes");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzz::Input in(data, size);
  switch (in.Byte() % 4) {
    case 0: SmbReplies(in); break;
    case 1: SessionHeaders(in); break;
    case 2: NameQueryResponses(in); break;
    case 3: EncodedNames(in); break;
  }
  return 0;
}
