// SPDX-License-Identifier: GPL-3.0-or-later
// Choosing the backend from VANTOR_LAN.
#include "lan/backend.h"
#include "common/text.h"
#include "lan/directory.h"
#include "lan/local_net_api.h"
#include "support/office_network.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace vantor::lan {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

std::string ErrorOf(std::string_view spec) {
  try {
    CreateNetApi(spec);
  } catch (const BackendError& e) {
    return e.what();
  }
  return {};
}

TEST(Backend, SimulatedNetworkFromAFile) {
  test::TempDir dir;
  auto api = CreateNetApi("sim:" + dir.Write("office.json", test::OfficeNetwork()));
  EXPECT_EQ(GetLocalComputerName(*api), "PC5");
}

TEST(Backend, UnknownFormsAreRefusedWithTheAcceptedOnes) {
  EXPECT_THAT(ErrorOf("samba-ish"), AllOf(HasSubstr("VANTOR_LAN"), HasSubstr("samba-ish"), HasSubstr("sim:PATH")));
  EXPECT_THAT(ErrorOf("sim:"), AllOf(HasSubstr("VANTOR_LAN"), HasSubstr("path")));
  EXPECT_THAT(ErrorOf("sim:/no/such/net.json"), AllOf(HasSubstr("VANTOR_LAN"), HasSubstr("/no/such/net.json")));
}

TEST(Backend, ThisComputerAlone) {
  auto api = CreateNetApi("");
  std::string name = GetLocalComputerName(*api);
  EXPECT_FALSE(name.empty());
  EXPECT_EQ(name, AsciiUpper(name));
  EXPECT_EQ(GetDomainControllerName(*api, ""), "");
  EXPECT_EQ(api->NetMessageBufferSend({}, "someone", name, u"hi"), NERR_MsgNotStarted);
  std::vector<std::string> names;
  EXPECT_EQ(GetMessengerNames(*api, names), NERR_MsgNotStarted);
  EXPECT_EQ(GetHostAddress(*api, "www.example.com"), "");  // asks no name server
  NetBuffer<SessionInfo10> sessions;
  std::uint32_t total = 0, resume = 0;
  EXPECT_EQ(api->NetSessionEnum("\\\\ELSEWHERE", {}, {}, 10, 64000, sessions, total, resume), ERROR_BAD_NETPATH);
}

TEST(Backend, NetbiosNameFromHostName) {
  EXPECT_EQ(NetbiosNameFromHostName("build-07.example.org"), "BUILD-07");
  EXPECT_EQ(NetbiosNameFromHostName("averyveryverylonghostname"), "AVERYVERYVERYLO");
}

}  // namespace
}  // namespace vantor::lan
