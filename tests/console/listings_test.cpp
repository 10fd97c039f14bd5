// SPDX-License-Identifier: GPL-3.0-or-later
// The listings through the real vantorc: layout plain and bare, the active
// filter, the fixed order, and continued batches.

#include "console/vantorc_runner.h"
#include "support/office_network.h"

#include <gtest/gtest.h>

namespace vantor::test {
namespace {

const std::string kDomains = ListingHeader("Domains", "=======") + Lines({"OFFICE", "SALES", "LAB"});
const std::string kUsers = ListingHeader("Users               Comments", "============================") +
                           Lines({
                               "alice               Reception",
                               "bob                 Sales desk",
                               "carol               ",
                               "Christopher_MontagueTwenty characters",
                               "dave                IT",
                               "Maximilian_Fitzgerald1Name of 22",
                               "erin                Accounts",
                           });
const std::string kComputers = ListingHeader("Computers           Comments", "============================") +
                               Lines({
                                   "DC1                 Main controller",
                                   "DC2                 Backup controller",
                                   "FILES               File server",
                                   "PC17                Lab PC",
                                   "PC5                 Reception",
                                   "PC7                 Bob's desk",
                                   "PC9                 ",
                               });
const std::string kGroups = ListingHeader("Groups              Comments", "============================") +
                            Lines({
                                "Staff               Office staff",
                                "Domain Admins       ",
                                "Machines            Computer accounts",
                                "Empty               No one",
                            });
const std::string kBare = Lines({"OFFICE",
                                 "SALES",
                                 "LAB",
                                 "alice",
                                 "bob",
                                 "carol",
                                 "Christopher_Montague",
                                 "dave",
                                 "Maximilian_Fitzgerald1",
                                 "erin",
                                 "DC1",
                                 "DC2",
                                 "FILES",
                                 "PC17",
                                 "PC5",
                                 "PC7",
                                 "PC9",
                                 "Staff",
                                 "Domain Admins",
                                 "Machines",
                                 "Empty"});

TEST(Listings, PlainListingsInTheirFixedOrderWhateverTheBatchSize) {
  for (int batch : {1000, 3, 2}) {
    SCOPED_TRACE(batch);
    ConsoleFixture net(OfficeNetwork(batch));
    RunResult r = net.Vantorc({"-f", "-sg", "-sp", "-su", "-sd"});
    EXPECT_EQ(r.out, kDomains + kUsers + kComputers + kGroups);
    EXPECT_EQ(r.status, 0);
    r = net.Vantorc({"-f", "-se"});
    EXPECT_EQ(r.out, kDomains + kUsers + kComputers + kGroups);
    r = net.Vantorc({"-f", "-b", "-se"});
    EXPECT_EQ(r.out, kBare);
  }
}

TEST(Listings, EachListingAlone) {
  ConsoleFixture net(OfficeNetwork());
  EXPECT_EQ(net.Vantorc({"-f", "-sd"}).out, kDomains);
  EXPECT_EQ(net.Vantorc({"-f", "-su"}).out, kUsers);
  EXPECT_EQ(net.Vantorc({"-f", "-sp"}).out, kComputers);
  EXPECT_EQ(net.Vantorc({"-f", "-sg"}).out, kGroups);
  EXPECT_EQ(net.Vantorc({"-f", "-sg", "-b"}).out, Lines({"Staff", "Domain Admins", "Machines", "Empty"}));
  EXPECT_EQ(net.Vantorc({"-f", "-b", "-sd"}).out, Lines({"OFFICE", "SALES", "LAB"}));
  // The default query prints nothing without -v; the listing follows it.
  EXPECT_EQ(net.Vantorc({"-sg"}).out, kGroups);
}

TEST(Listings, ActiveOnlyShowsWhoTheQueryFound) {
  ConsoleFixture net(OfficeNetwork(2));
  const std::string users = ListingHeader("Users               Comments", "============================");
  const std::string computers = ListingHeader("Computers           Comments", "============================");
  // Without a query nobody is active: the headers alone.
  EXPECT_EQ(net.Vantorc({"-f", "-sa"}).out, users + computers);
  // UNIX1 holds a session but is of neither family the listing shows.
  RunResult r = net.Vantorc({"-sa"});
  EXPECT_EQ(r.out, users + Lines({"bob                 Sales desk", "dave                IT"}) + computers +
                       Lines({"PC17                Lab PC", "PC7                 Bob's desk", "PC9                 "}));
  EXPECT_EQ(net.Vantorc({"-b", "-sa"}).out, Lines({"bob", "dave", "PC17", "PC7", "PC9"}));
  // With -se the users and computers are filtered, the rest is not.
  EXPECT_EQ(net.Vantorc({"-b", "-sa", "-se"}).out, Lines({"OFFICE", "SALES", "LAB", "bob", "dave", "PC17", "PC7", "PC9",
                                                          "Staff", "Domain Admins", "Machines", "Empty"}));
}

TEST(Listings, WithoutAControllerTheOwnComputerAnswers) {
  ConsoleFixture wg(WorkgroupNetwork());
  EXPECT_EQ(wg.Vantorc({"-f", "-sd"}).out, ListingHeader("Domains", "=======") + Lines({"NEIGHBOURS"}));
  EXPECT_EQ(wg.Vantorc({"-f", "-b", "-su", "-sg", "-sp"}).out, Lines({"kim", "LAPTOP", "Family"}));
}

TEST(Listings, TextTheLocaleCannotHoldBecomesQuestionMarks) {
  ConsoleFixture net(R"({
    "local": { "computer": "PC1", "user": "jörg", "domain": "WG",
               "users": [ { "name": "Jürgen", "comment": "Müller's desk" }, { "name": "Łucja", "comment": "東京" } ] },
    "hosts": []
  })");
  RunResult ascii = net.Vantorc({"-f", "-su"});
  EXPECT_EQ(ascii.out, ListingHeader("Users               Comments", "============================") +
                           Lines({"J?rgen              M?ller's desk", "?ucja               ??"}));
  // Padding counts characters, not bytes.
  RunResult utf8 = net.Vantorc({"-f", "-su"}, {}, {{"LC_ALL", "C.UTF-8"}});
  EXPECT_EQ(utf8.out, ListingHeader("Users               Comments", "============================") +
                          Lines({"Jürgen              Müller's desk", "Łucja               東京"}));
  RunResult header = net.Vantorc({"-v", "-f"});
  EXPECT_NE(header.out.find("User              : j?rg\r\n"), std::string::npos);
}

}  // namespace
}  // namespace vantor::test
