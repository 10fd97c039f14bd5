// SPDX-License-Identifier: GPL-3.0-or-later
// Loading network files: every fault is refused with the file and the fault named.
#include "lan/sim/sim_network.h"
#include "support/office_network.h"
#include "support/temp_dir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace vantor::lan::sim {
namespace {

using ::testing::AllOf;
using ::testing::HasSubstr;

class NetworkFile : public ::testing::Test {
 protected:
  // Loads text as a network file and returns the error message ("" if none).
  std::string ErrorOf(const std::string& text) {
    std::string path = dir_.Write("net.json", text);
    try {
      LoadNetwork(path);
    } catch (const LoadError& e) {
      EXPECT_THAT(e.what(), HasSubstr(path));
      return e.what();
    }
    return {};
  }

  std::string WithHost(const std::string& host) { return R"({"local": {"computer": "PC5"}, "hosts": [)" + host + "]}"; }

  test::TempDir dir_;
};

TEST_F(NetworkFile, LoadsTheExampleShape) {
  Network net = LoadNetwork(dir_.Write("office.json", test::OfficeNetwork(2)));
  EXPECT_EQ(net.local.computer, "PC5");
  EXPECT_EQ(net.batch, 2u);
  ASSERT_EQ(net.domains.size(), 3u);
  EXPECT_EQ(net.domains[0].directory.groups[0].members[1], "PC7$");
  // Hosts come out in ascending order of name, ignoring case.
  ASSERT_GE(net.hosts.size(), 3u);
  EXPECT_EQ(net.hosts[0].name, "DC1");
  EXPECT_EQ(net.hosts.back().name, "UNIX1");
  EXPECT_EQ(net.deliveriesPath, (dir_.path() / "deliveries.jsonl").string());
}

TEST_F(NetworkFile, TypeWordsAndNumbersGiveTheSameBits) {
  Network net = LoadNetwork(dir_.Write("n.json", WithHost(R"({"name": "A", "type": ["nt", "windows"]},
                                                              {"name": "B", "type": 4198400})")));
  EXPECT_EQ(net.hosts[0].type, 0x401000u);
  EXPECT_EQ(net.hosts[1].type, 0x401000u);
}

TEST_F(NetworkFile, DefaultsForOptionalKeys) {
  // Keys in any order: the hosts come before the local computer whose domain
  // they default to. A byte order mark and keys the format does not know are
  // passed over; escapes are resolved.
  Network net = LoadNetwork(dir_.Write("plain.json", "\xEF\xBB\xBF" R"({"hosts": [{"name": "X", "extra": [{"a": [1]}]}],
      "local": {"computer": "PC5", "domain": "W", "users": [{"name": "b\u00f6b", "comment": "tab\there \"q\""}]},
      "more": {"nested": [[], {}]}})"));
  EXPECT_EQ(net.batch, 1000u);
  EXPECT_TRUE(net.local.messenger);
  EXPECT_EQ(net.hosts[0].domain, "W");  // a host without a domain is in the local one
  EXPECT_EQ(net.deliveriesPath, (dir_.path() / "plain.deliveries.jsonl").string());
  ASSERT_EQ(net.local.directory.users.size(), 1u);
  EXPECT_EQ(net.local.directory.users[0].name, "b\xC3\xB6" "b");
  EXPECT_EQ(net.local.directory.users[0].comment, "tab\there \"q\"");
}

TEST_F(NetworkFile, MissingFileAndFolderAreNamed) {
  std::string missing = dir_.File("nope.json");
  try {
    LoadNetwork(missing);
    FAIL();
  } catch (const LoadError& e) {
    EXPECT_THAT(e.what(), AllOf(HasSubstr(missing), HasSubstr("no such file")));
  }
  EXPECT_THROW(LoadNetwork(dir_.path().string()), LoadError);
}

TEST_F(NetworkFile, NotJsonGivesTheParserPosition) {
  EXPECT_THAT(ErrorOf("{\"local\": {\"computer\": \"PC5\",}"), AllOf(HasSubstr("not valid JSON"), HasSubstr("line 1")));
  EXPECT_THAT(ErrorOf(""), HasSubstr("not valid JSON"));
  EXPECT_THAT(ErrorOf("\x89PNG\r\n"), HasSubstr("not valid JSON"));
  // Numbers beyond what the reader holds, and zero bytes, are faults of the
  // file like any other.
  EXPECT_THAT(ErrorOf("{\"local\": {\"computer\": \"PC5\"},\n \"batch\": 1e400}"),
              AllOf(HasSubstr("not valid JSON at line 2, column 11"), HasSubstr("too large")));
  EXPECT_THAT(ErrorOf(std::string("{\"local\": {\"computer\": \"PC5\"}}\0 trailing", 38)),
              HasSubstr("line 1, column 31: a zero byte"));
  // A file that ends inside a UTF-8 sequence: the check of the sequence
  // reads no further than the file (under AddressSanitizer it read past it).
  for (const char* cut : {"{\"local\": {\"computer\": \"PC\xE2", "{\"local\": {\"computer\": \"PC\xF0\x9F"})
    EXPECT_THAT(ErrorOf(cut), HasSubstr("not valid JSON at line 1"));
  // Lines are those of the file as written, whatever escapes came before.
  EXPECT_THAT(ErrorOf("{\"local\": {\"computer\": \"PC5\", \"address\": \"a\\nb\\nc\"},\n\n \"hosts\": [}"),
              HasSubstr("at line 3, column 12"));
}

TEST_F(NetworkFile, WrongTypesNameTheirPlace) {
  EXPECT_THAT(ErrorOf("[]"), HasSubstr("expected an object"));
  EXPECT_THAT(ErrorOf("{}"), HasSubstr("\"local\" is missing"));
  EXPECT_THAT(ErrorOf(R"({"local": {"computer": 5}})"), AllOf(HasSubstr("local.computer"), HasSubstr("a number")));
  EXPECT_THAT(ErrorOf(R"({"local": {"computer": "PC5", "messenger": "yes"}})"), HasSubstr("local.messenger"));
  EXPECT_THAT(ErrorOf(R"({"local": {"computer": "PC5"}, "hosts": {}})"), HasSubstr("hosts: expected a list"));
  EXPECT_THAT(ErrorOf(WithHost(R"({"name": "A", "latency_ms": -5})")),
              AllOf(HasSubstr("hosts[0].latency_ms"), HasSubstr("negative")));
  EXPECT_THAT(ErrorOf(WithHost(R"({"name": "A", "latency_ms": 1.5})")), HasSubstr("hosts[0].latency_ms"));
  EXPECT_THAT(ErrorOf(WithHost(R"({"name": "A", "type": ["nt", "toaster"]})")),
              AllOf(HasSubstr("hosts[0].type[1]"), HasSubstr("toaster")));
  EXPECT_THAT(ErrorOf(R"({"local": {"computer": "PC5"}, "batch": 0})"), HasSubstr("batch"));
  EXPECT_THAT(ErrorOf(R"({"local": {"computer": "PC5"}, "deliveries": 3})"), HasSubstr("deliveries"));
}

TEST_F(NetworkFile, MembersAndSessionsMustNameSomething) {
  auto group = [](const std::string& members) {
    return R"({"local": {"computer": "PC5", "groups": [{"name": "G", "members": )" + members + "}]}}";
  };
  EXPECT_THAT(ErrorOf(group(R"([""])")),
              AllOf(HasSubstr("local.groups[0].members[0]"), HasSubstr("not a usable name")));
  EXPECT_THAT(ErrorOf(group(R"(["ok", 7])")), HasSubstr("local.groups[0].members[1]"));
  EXPECT_THAT(ErrorOf(group(R"(["a\\b"])")), HasSubstr("members[0]"));
  EXPECT_THAT(ErrorOf(group(R"(["tab\there"])")), HasSubstr("\\x09"));
  EXPECT_THAT(ErrorOf(group(R"([" padded "])")), HasSubstr("members[0]"));
  EXPECT_THAT(ErrorOf(group(R"({"bob": 1})")), HasSubstr("expected a list"));
  EXPECT_THAT(ErrorOf(WithHost(R"({"name": "A", "sessions": [{"user": "bob"}]})")),
              AllOf(HasSubstr("hosts[0].sessions[0]"), HasSubstr("\"client\" is missing")));
  EXPECT_THAT(ErrorOf(WithHost(R"({"name": "A", "sessions": [{"client": "PC1", "user": ""}]})")),
              HasSubstr("hosts[0].sessions[0].user"));
  EXPECT_THAT(ErrorOf(WithHost(R"({"name": "A", "sessions": ["PC1"]})")), HasSubstr("expected an object"));
}

TEST_F(NetworkFile, DuplicatesAreRefused) {
  EXPECT_THAT(ErrorOf(WithHost(R"({"name": "A"}, {"name": "a"})")), AllOf(HasSubstr("hosts[1]"), HasSubstr("listed twice")));
  EXPECT_THAT(ErrorOf(R"({"local": {"computer": "PC5", "users": [{"name": "x"}, {"name": "\u00e9"}, {"name": "\u00c9"}]}})"),
              AllOf(HasSubstr("local.users[2]"), HasSubstr("listed twice")));
  EXPECT_THAT(ErrorOf(WithHost(R"({"name": "A", "comment": "1", "comment": "2"})")),
              HasSubstr("hosts[0].comment: given twice"));
}

TEST_F(NetworkFile, HugeAndDeepFilesAreRefused) {
  std::string big = dir_.File("huge.json");
  { std::ofstream out(big); }
  std::filesystem::resize_file(big, kMaxFileSize + 1);
  try {
    LoadNetwork(big);
    FAIL();
  } catch (const LoadError& e) {
    EXPECT_THAT(e.what(), AllOf(HasSubstr(big), HasSubstr("too large")));
  }
  std::string deep(100000, '[');
  EXPECT_THAT(ErrorOf(deep), HasSubstr("nested"));
}

TEST_F(NetworkFile, InvalidUtf8IsRefused) {
  EXPECT_THAT(ErrorOf("{\"local\": {\"computer\": \"PC\xFF\"}}"), HasSubstr("UTF-8"));
}

}  // namespace
}  // namespace vantor::lan::sim
