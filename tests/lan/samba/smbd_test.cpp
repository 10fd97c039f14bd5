// SPDX-License-Identifier: GPL-3.0-or-later
// Delivery to a real Samba server: a private smbd on 127.0.0.1 whose message
// command appends each message to a file.
#include "common/utf.h"
#include "lan/backend.h"
#include "lan/net_error_text.h"
#include "lan/samba/samba_net_api.h"
#include "support/private_smbd.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantor::lan::samba {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

class RealSmbd : public ::testing::Test {
 protected:
  // Starts smbd, or skips the test where Samba is missing (fails instead when
  // VANTOR_REQUIRE_SMBD is set).
  bool Start(bool messageCommand = true) {
    vantor::test::PrivateSmbd::Options o;
    o.messageCommand = messageCommand;
    smbd_ = std::make_unique<vantor::test::PrivateSmbd>(o);
    if (smbd_->Running()) return true;
    if (vantor::test::PrivateSmbd::Required()) ADD_FAILURE() << "smbd: " << smbd_->Why();
    return false;
  }
  std::unique_ptr<NetApi> Api() {
    std::string lmhosts = dir_.Write("lmhosts", "127.0.0.1 VANTORPEER\n");
    std::string conf = dir_.Write("lan.conf",
                                  "netbios name = DESK\n"
                                  "samba config =\n"
                                  "directory = no\n"
                                  "resolve order = lmhosts\n"
                                  "lmhosts file = " +
                                      lmhosts +
                                      "\n"
                                      "smb port = " +
                                      std::to_string(smbd_->Port()) +
                                      "\n"
                                      "reply timeout = 10\n");
    return CreateNetApi("samba:" + conf);
  }

  vantor::test::TempDir dir_;
  std::unique_ptr<vantor::test::PrivateSmbd> smbd_;
};

#define START_SMBD(...)                                    \
  do {                                                     \
    if (!Start(__VA_ARGS__)) GTEST_SKIP() << smbd_->Why(); \
  } while (0)

TEST_F(RealSmbd, DeliversTextInTheDosCodePage) {
  START_SMBD();
  auto api = Api();
  ASSERT_EQ(api->NetMessageBufferSend({}, "vantorpeer", "ALICE", u"Grüße aus Köln – Zoë\r\nZweite Zeile"),
            NERR_Success);
  std::string got = smbd_->Messages();
  EXPECT_THAT(got, HasSubstr("FROM=ALICE\n"));
  EXPECT_THAT(got, HasSubstr("Grüße aus Köln ? Zoë"));  // the dash is not in code page 850
  EXPECT_THAT(got, HasSubstr("Zweite Zeile\n--END--\n"));
}

TEST_F(RealSmbd, LongMessageInManyBlocksAndAnAliasAsSender) {
  START_SMBD();
  auto api = Api();
  ASSERT_EQ(api->NetMessageNameAdd({}, "OPS"), NERR_Success);
  std::string body;
  for (int i = 0; i < 60; ++i) body += "line " + std::to_string(i) + " ééé\n";
  std::u16string text = Utf8ToUtf16(body);
  ASSERT_EQ(api->NetMessageBufferSend({}, "VANTORPEER", "OPS", text), NERR_Success);
  std::string got = smbd_->Messages();
  EXPECT_THAT(got, HasSubstr("FROM=OPS\n"));
  EXPECT_THAT(got, HasSubstr("line 0 ééé\nline 1 ééé\n"));
  EXPECT_THAT(got, HasSubstr("line 59 ééé\n"));
}

TEST_F(RealSmbd, EmptyMessageIsDeliveredToo) {
  START_SMBD();
  auto api = Api();
  ASSERT_EQ(api->NetMessageBufferSend({}, "VANTORPEER", "ALICE", u""), NERR_Success);
  EXPECT_EQ(smbd_->Messages(), "FROM=ALICE\n\n--END--\n");
}

TEST_F(RealSmbd, PeerWithoutMessageCommandRefuses) {
  START_SMBD(false);
  auto api = Api();
  Status s = api->NetMessageBufferSend({}, "VANTORPEER", "ALICE", u"nobody reads this");
  EXPECT_EQ(s, NERR_MsgNotStarted);
  EXPECT_EQ(NetErrorText(s), "The messenger service is not running.");
  EXPECT_EQ(smbd_->Messages(), "");
}

TEST_F(RealSmbd, StoppedPeerIsRefused) {
  START_SMBD();
  auto api = Api();
  smbd_->Stop();
  Status s = api->NetMessageBufferSend({}, "VANTORPEER", "ALICE", u"too late");
  EXPECT_EQ(s, ERROR_CONNECTION_REFUSED);
  EXPECT_THAT(NetErrorText(s), Not(HasSubstr("Unrecognised")));
}

}  // namespace
}  // namespace vantor::lan::samba
