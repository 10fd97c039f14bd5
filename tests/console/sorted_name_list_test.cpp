// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/sorted_name_list.h"

#include <gtest/gtest.h>

#include <vector>

namespace vantor::console {
namespace {

std::vector<std::string> Names(const SortedNameList& l) { return {l.begin(), l.end()}; }

TEST(SortedNameList, KeepsOneOfEachNameInCaseInsensitiveOrder) {
  SortedNameList l;
  EXPECT_TRUE(l.Add("zed"));
  EXPECT_TRUE(l.Add("Amy"));
  EXPECT_TRUE(l.Add("bob"));
  EXPECT_FALSE(l.Add("BOB"));
  EXPECT_FALSE(l.Add("amy"));
  EXPECT_EQ(Names(l), (std::vector<std::string>{"Amy", "bob", "zed"}));
  EXPECT_TRUE(l.Contains("ZED"));
  EXPECT_FALSE(l.Contains("ze"));
  SortedNameList active;
  active.Add("2Jürgen");
  EXPECT_TRUE(active.Contains("2JÜRGEN"));
}

TEST(SplitNames, CutsAtCommasAndTrimsOnlyWhatFollowsAComma) {
  struct Case {
    std::string text;
    std::vector<std::string> names;
  };
  const std::vector<Case> cases = {
      {",bob,,alice,", {"alice", "bob"}},
      {"bob", {"bob"}},
      {"", {}},
      {",", {}},
      {" , ,\t,", {" "}},  // the blank before the first comma is a name
      {",, ,\t,", {}},
      // The part before a comma stands as it is, trailing spaces and all...
      {" zed ,amy", {" zed ", "amy"}},
      // ...what follows is trimmed of blanks and control characters first.
      {"a,  b  ,\t c \r\n", {"a", "b  ", "c"}},
      {"no comma  ", {"no comma  "}},
      {"SRV1,srv1", {"SRV1"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    SortedNameList l;
    EXPECT_EQ(SplitNames(c.text, l), c.names.size());
    EXPECT_EQ(Names(l), c.names);
  }
}

TEST(SplitNames, ReturnsTheSizeOfTheTargetAfterwards) {
  SortedNameList l;
  EXPECT_EQ(SplitNames("bob", l), 1u);
  EXPECT_EQ(SplitNames("BOB", l), 1u);  // no growth: the caller sees a duplicate
  EXPECT_EQ(SplitNames("carol,dave", l), 3u);
}

}  // namespace
}  // namespace vantor::console
