// SPDX-License-Identifier: GPL-3.0-or-later
// The directory side of the samba backend without a network: the NDR
// bodies of the session and trust calls (also against malformed replies),
// the credentials file, and the helper pool's deadline and cancel.
#include "lan/samba/credentials_file.h"
#include "lan/samba/helper_pool.h"
#include "lan/samba/ndr.h"
#include "lan/samba/samba_config.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <thread>

namespace vantor::lan::samba {
namespace {

using ::testing::HasSubstr;
using namespace std::chrono_literals;

void U32(std::string& b, std::uint32_t v) {
  while (b.size() % 4) b.push_back('\0');
  for (int i = 0; i < 4; ++i) b.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
}
void Str(std::string& b, std::u16string_view s) {
  U32(b, static_cast<std::uint32_t>(s.size() + 1));
  U32(b, 0);
  U32(b, static_cast<std::uint32_t>(s.size() + 1));
  for (char16_t c : s) b += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  b += std::string(2, '\0');
}

// A level 1 reply as Samba sends it: two sessions, the second without a user.
std::string SessionReply() {
  std::string b;
  U32(b, 1);
  U32(b, 1);
  U32(b, 0x20000);  // container
  U32(b, 2);
  U32(b, 0x20004);  // array
  U32(b, 2);
  for (std::uint32_t user : {0x20010u, 0u}) {
    U32(b, 0x2000c);
    U32(b, user);
    U32(b, 1);   // open files
    U32(b, 60);  // time
    U32(b, 5);   // idle
    U32(b, 0);   // flags
  }
  Str(b, u"\\\\10.0.0.2");
  Str(b, u"OFFICE\\b\u00f6b");
  Str(b, u"\\\\PC9");
  U32(b, 2);  // total
  U32(b, 0x20020);
  U32(b, 0);  // resume
  U32(b, 0);  // WERROR
  return b;
}

TEST(Ndr, SessionReplyDecodesAndEveryTruncationIsRefused) {
  ndr::SessionReply r;
  std::string body = SessionReply();
  ASSERT_TRUE(ndr::DecodeNetSessEnum(body, r));
  ASSERT_EQ(r.sessions.size(), 2u);
  EXPECT_EQ(r.sessions[0].client, "\\\\10.0.0.2");
  EXPECT_EQ(r.sessions[0].user,
            "OFFICE\\b\xc3\xb6"
            "b");
  EXPECT_EQ(r.sessions[0].time, 60u);
  EXPECT_EQ(r.sessions[1].client, "\\\\PC9");
  EXPECT_EQ(r.sessions[1].user, "");
  EXPECT_EQ(r.totalEntries, 2u);
  for (std::size_t n = 0; n < body.size(); ++n) EXPECT_FALSE(ndr::DecodeNetSessEnum(body.substr(0, n), r)) << n;
  // A count the body cannot hold is refused before anything is allocated for it.
  std::string huge = body;
  huge[12] = '\xff', huge[13] = '\xff', huge[14] = '\xff', huge[15] = '\x7f';
  EXPECT_FALSE(ndr::DecodeNetSessEnum(huge, r));
}

TEST(Ndr, RequestsCarryTheServerLevelAndResumeHandle) {
  std::string req = ndr::EncodeNetSessEnum("\\\\DC1", 10, 64000, 7);
  // referent, 3 counts, 6 UTF-16 characters with the zero, then the filters and level.
  ASSERT_EQ(req.size(), 4 + 12 + 12 + 4 * 10u);
  EXPECT_EQ(req.substr(16, 2), std::string("\\\0", 2));
  EXPECT_EQ(static_cast<unsigned char>(req[req.size() - 4]), 7u);
  ndr::PolicyHandle h{};
  h[0] = 9;
  std::string e = ndr::EncodeLsaEnumTrustDom(h, 3, 0x10000);
  EXPECT_EQ(e.size(), 28u);
  EXPECT_EQ(e[0], 9);
  EXPECT_EQ(e[20], 3);
}

TEST(Ndr, TrustReplyGivesTheNames) {
  std::string b;
  U32(b, 1);  // resume
  U32(b, 1);
  U32(b, 0x20000);
  U32(b, 1);
  b += std::string("\x0a\x00\x0c\x00", 4);  // length 10, size 12
  U32(b, 0x20004);
  U32(b, 0x20008);
  U32(b, 6);
  U32(b, 0);
  U32(b, 5);
  for (char16_t c : std::u16string(u"SALES")) b += std::string{static_cast<char>(c), '\0'};
  U32(b, 1);  // sid: one sub-authority
  b += std::string("\x01\x01\x00\x00\x00\x00\x00\x05", 8);
  U32(b, 21);
  U32(b, ndr::kStatusMoreEntries);
  ndr::TrustReply t;
  ASSERT_TRUE(ndr::DecodeLsaEnumTrustDom(b, t));
  EXPECT_THAT(t.names, ::testing::ElementsAre("SALES"));
  EXPECT_EQ(t.ntstatus, ndr::kStatusMoreEntries);
  for (std::size_t n = 0; n < b.size(); ++n) EXPECT_FALSE(ndr::DecodeLsaEnumTrustDom(b.substr(0, n), t)) << n;
}

TEST(Credentials, FileFormsAndPermissions) {
  Credentials c = ParseCredentials("# mine\nusername = OFFICE\\ann\npassword =  p=w d \n", "f");
  EXPECT_EQ(c.user, "ann");
  EXPECT_EQ(c.domain, "OFFICE");
  EXPECT_EQ(c.password, "p=w d");
  EXPECT_THROW(ParseCredentials("password = x\n", "f"), ConfigError);

  vantor::test::TempDir dir;
  std::string path = dir.Write("ann.cred", "username = ann\npassword = secret\n");
  ::chmod(path.c_str(), 0600);
  EXPECT_EQ(LoadCredentialsFile(path).password, "secret");
  ::chmod(path.c_str(), 0640);
  try {
    LoadCredentialsFile(path);
    ADD_FAILURE() << "a file others may read was accepted";
  } catch (const ConfigError& e) {
    EXPECT_THAT(e.what(), HasSubstr("chmod 600"));
    EXPECT_THAT(e.what(), ::testing::Not(HasSubstr("secret")));
  }
  EXPECT_THROW(LoadCredentialsFile(dir.File("missing")), ConfigError);
}

TEST(LanConfigKeys, BackendCredentialsKerberosAndTimeout) {
  LanConfig c =
      ParseLanConfig("backend = Samba\ncredentials file = /x\nkerberos = no\ndirectory timeout = 500 ms\n", "lan.conf");
  EXPECT_EQ(c.backend, "samba");
  EXPECT_EQ(c.credentialsFile, "/x");
  EXPECT_EQ(c.kerberos, KerberosUse::kNo);
  EXPECT_EQ(c.directoryTimeout, 500ms);
  EXPECT_THROW(ParseLanConfig("backend = windows\n", "lan.conf"), ConfigError);
  EXPECT_THROW(ParseLanConfig("kerberos = maybe\n", "lan.conf"), ConfigError);
}

// A helper that never answers: calls end at their deadline or at once on cancel.
TEST(HelperPool, DeadlineAndCancelEndASilentHelper) {
  vantor::test::TempDir dir;
  std::string program = dir.Write("silent", "#!/bin/sh\nexec sleep 30\n");
  ::chmod(program.c_str(), 0700);
  HelperOptions o;
  o.program = program;
  o.hello = "hi";
  o.timeout = 300ms;
  HelperPool pool(o);
  std::string reply;
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(pool.Call("x", reply), ERROR_TIMEOUT);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);

  o.timeout = 20s;
  HelperPool slow(o);
  Status a = 0, b = 0;
  std::thread t1([&] { a = slow.Call("x", reply); });
  std::string reply2;
  std::thread t2([&] { b = slow.Call("y", reply2); });
  std::this_thread::sleep_for(200ms);
  start = std::chrono::steady_clock::now();
  slow.Cancel();
  t1.join();
  t2.join();
  EXPECT_EQ(a, ERROR_CANCELLED);
  EXPECT_EQ(b, ERROR_CANCELLED);
  EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
  EXPECT_EQ(slow.Call("z", reply), ERROR_CANCELLED);

  o.program = dir.File("none");
  HelperPool missing(o);
  EXPECT_EQ(missing.Call("x", reply), ERROR_SERVICE_NOT_ACTIVE);
}

}  // namespace
}  // namespace vantor::lan::samba
