// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/codepage.h"

#include <gtest/gtest.h>

namespace vantor {
namespace {

TEST(TextCodec, AsciiReplacesWhatItCannotHold) {
  TextCodec ascii("ANSI_X3.4-1968");
  ASSERT_TRUE(ascii.Valid());
  EXPECT_EQ(ascii.FromUtf8("Grüße, Zoë"), "Gr??e, Zo?");
  EXPECT_EQ(ascii.FromUtf8("\xF0\x9F\x98\x80!"), "?!");
}

TEST(TextCodec, DosCodePageRoundTrip) {
  TextCodec cp850("CP850");
  ASSERT_TRUE(cp850.Valid());
  std::string dos = cp850.FromUtf8("Grüße");
  EXPECT_EQ(dos,
            "Gr\x81\xE1"
            "e");
  EXPECT_EQ(cp850.ToUtf8(dos), "Grüße");
  EXPECT_EQ(cp850.FromUtf8("€ and ☃"), "? and ?");  // neither is in code page 850

  // A long text is converted in pieces; no character is cut at their seams.
  std::string odd = "x" + std::string(30000, '\x81');
  std::string expected = "x";
  for (int i = 0; i < 30000; ++i) expected += "ü";
  EXPECT_EQ(cp850.ToUtf8(odd), expected);
}

TEST(TextCodec, Utf8PassesThroughAndRepairsBadBytes) {
  TextCodec utf8("UTF-8");
  EXPECT_TRUE(utf8.IsUtf8());
  EXPECT_EQ(utf8.FromUtf8("Grüße"), "Grüße");
  EXPECT_EQ(utf8.FromUtf8("a\xFF"
                          "b"),
            "a?b");
}

TEST(TextCodec, UnknownCharsetFallsBackToAscii) {
  TextCodec bogus("NO-SUCH-CHARSET");
  EXPECT_FALSE(bogus.Valid());
  EXPECT_EQ(bogus.FromUtf8("é"), "?");
}

TEST(CodePage, OnlySingleByteSetsThatKeepAsciiCanCarryMessages) {
  for (const char* ok : {"CP850", "cp437", "CP1252", "ISO-8859-15", "KOI8-R", "ASCII"})
    EXPECT_EQ(CodePageProblem(ok), "") << ok;
  EXPECT_EQ(CodePageProblem("NO-SUCH-CHARSET"), "is not known to this system");
  // Zero bytes in every character, other letters, an escape for "+", a yen sign for the backslash.
  for (const char* foreign : {"UTF-16", "UTF-16LE", "UCS-4", "IBM037", "UTF-7", "SHIFT_JIS"})
    EXPECT_EQ(CodePageProblem(foreign), "does not keep the ASCII characters as they are") << foreign;
  for (const char* multi : {"UTF-8", "utf8", "EUC-JP", "CP932", "GB18030", "BIG5"})
    EXPECT_EQ(CodePageProblem(multi), "takes more than one byte for some characters") << multi;
}

TEST(CodePage, LengthCountsCharactersOfTheCodePageNotBytesOfUtf8) {
  TextCodec cp850("CP850");
  std::string e448;
  for (int i = 0; i < 448; ++i) e448 += "é";
  EXPECT_EQ(e448.size(), 896u);
  EXPECT_EQ(CodePageLength(e448, cp850), 448u);
  // A character the code page lacks still takes one: it travels as "?".
  EXPECT_EQ(CodePageLength("€ ☃ \xF0\x9F\x98\x80", cp850), 5u);
}

}  // namespace
}  // namespace vantor
