// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/text.h"
#include "common/clock.h"
#include "common/utf.h"

#include <gtest/gtest.h>

#include <set>

namespace vantor {
namespace {

TEST(NoCaseCompare, NamesDifferingOnlyInCaseAreEqual) {
  EXPECT_TRUE(EqualsNoCase("Main\\servers", "MAIN\\Servers"));
  EXPECT_TRUE(EqualsNoCase("pc17", "PC17"));
  EXPECT_FALSE(EqualsNoCase("pc17", "PC171"));
  EXPECT_TRUE(EqualsNoCase("Jürgen", "JÜRGEN"));
  EXPECT_TRUE(EqualsNoCase("Σοφία", "ΣΟΦΊΑ"));
  EXPECT_TRUE(EqualsNoCase("Борис", "БОРИС"));
  EXPECT_EQ(FoldCase("straße"), FoldCase("STRAßE"));
}

// One code point upper-cased to one, for every script that has letter case.
TEST(NoCaseCompare, EveryScriptWithLetterCaseFoldsOneToOne) {
  EXPECT_TRUE(EqualsNoCase("Nguyễn Thị Ánh", "NGUYỄN THỊ ÁNH"));  // Vietnamese
  EXPECT_EQ(FoldCase("ǅ"), "Ǆ");                                  // titlecase digraph
  EXPECT_TRUE(EqualsNoCase("ǆokić", "Ǆokić"));
  EXPECT_TRUE(EqualsNoCase("ǅokić", "ǄOKIĆ"));
  EXPECT_TRUE(EqualsNoCase("Ὀδυσσεύς ς", "ὈΔΥΣΣΕΎΣ Σ"));      // Greek, final sigma
  EXPECT_TRUE(EqualsNoCase("Հայաստան", "ՀԱՅԱՍՏԱՆ"));          // Armenian
  EXPECT_TRUE(EqualsNoCase("ⴀⴁ", "ႠႡ"));                      // Georgian Nuskhuri
  EXPECT_TRUE(EqualsNoCase("ꭰꭱ", "ᎠᎡ"));                  // Cherokee
  EXPECT_TRUE(EqualsNoCase("ｖａｎｔｏｒ", "ＶＡＮＴＯＲ"));  // full width
  EXPECT_EQ(FoldCase("µ ſ ÿ"), "Μ S Ÿ");
  // No letter turns into two: the sharp s stays, and one in capitals
  // (U+1E9E) is another name.
  EXPECT_EQ(FoldCase("Straße"), "STRAßE");
  EXPECT_FALSE(EqualsNoCase("STRASSE", "straße"));
  EXPECT_FALSE(EqualsNoCase("STRAẞE", "straße"));
  // Turkish: dotless i upper-cases to I, like i; capital İ has no other case.
  EXPECT_EQ(FoldCase("ıi"), "II");
  EXPECT_EQ(FoldCase("İ"), "İ");
  EXPECT_FALSE(EqualsNoCase("İ", "i"));
  // Letters beyond the first plane keep their case, as in the registry.
  EXPECT_FALSE(EqualsNoCase("𐐨", "𐐀"));
  // Bad bytes still fold (each to U+FFFD) rather than fail.
  EXPECT_EQ(FoldCase(std::string("a\xFF") + "b"), "A\uFFFDB");
  // The ordering of the views is the fold's.
  EXPECT_LT(CompareNoCase("ǆ", "Ǆa"), 0);
  EXPECT_EQ(CompareNoCase("nguyễn", "NGUYỄN"), 0);
}

TEST(NoCaseCompare, OrdersByUpperCaseAndLength) {
  EXPECT_LT(CompareNoCase("amy", "Bob"), 0);
  EXPECT_GT(CompareNoCase("zed", "Amy"), 0);
  EXPECT_LT(CompareNoCase("bob", "bobby"), 0);
  std::set<std::string, LessNoCase> names{"zed", "Amy", "bob", "AMY"};
  ASSERT_EQ(names.size(), 3u);
  EXPECT_EQ(*names.begin(), "Amy");
}

TEST(ParseInt32, AcceptsOnlyWholeDecimalNumbers) {
  EXPECT_EQ(ParseInt32("20"), 20);
  EXPECT_EQ(ParseInt32("-35"), -35);
  EXPECT_EQ(ParseInt32("+7"), 7);
  EXPECT_EQ(ParseInt32("007"), 7);
  EXPECT_EQ(ParseInt32("2147483647"), 2147483647);
  EXPECT_FALSE(ParseInt32("2147483648"));
  EXPECT_FALSE(ParseInt32("abc"));
  EXPECT_FALSE(ParseInt32(""));
  EXPECT_FALSE(ParseInt32(" 5"));
  EXPECT_FALSE(ParseInt32("5 "));
  EXPECT_FALSE(ParseInt32("0x10"));
  EXPECT_FALSE(ParseInt32("+-5"));
  EXPECT_FALSE(ParseInt32("1.5"));
}

TEST(SplitLines, CutsAtCrLfAndCrLfWithoutTrimming) {
  EXPECT_EQ(SplitLines("a\rb\nc\r\nd"), (std::vector<std::string>{"a", "b", "c", "d"}));
  EXPECT_EQ(SplitLines(" a \r\n"), (std::vector<std::string>{" a "}));
  EXPECT_EQ(SplitLines("a\n\nb\n"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_TRUE(SplitLines("").empty());
  EXPECT_EQ(SplitLines("\n"), (std::vector<std::string>{""}));
}

TEST(Utf, RoundTripsAndRepairsBadBytes) {
  std::string s = "Grüße \xF0\x9F\x98\x80";
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16(s)), s);
  EXPECT_EQ(Utf8ToUtf16(s).size(), 8u);  // the emoji takes a surrogate pair
  EXPECT_FALSE(IsValidUtf8("ab\xFF"));
  EXPECT_EQ(Utf16ToUtf8(Utf8ToUtf16("ab\xFF")), "ab\xEF\xBF\xBD");
  EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));  // overlong slash
}

TEST(Format, FillsPlaceholdersInOrder) {
  EXPECT_EQ(Format("Message to %s failed (%s)", {"bob", "boom"}), "Message to bob failed (boom)");
  EXPECT_EQ(Format("%d in Net Items", {"12"}), "12 in Net Items");
  EXPECT_EQ(Format("100%%", {}), "100%");
}

TEST(Clock, IsoTimeHasColonInOffset) {
  std::string t = FormatIso8601Local(std::chrono::system_clock::time_point{});
  ASSERT_EQ(t.size(), 25u) << t;
  EXPECT_EQ(t[10], 'T');
  EXPECT_EQ(t[22], ':');
}

}  // namespace
}  // namespace vantor
