// SPDX-License-Identifier: GPL-3.0-or-later
#include "console/output.h"

#include "common/codepage.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>

namespace vantor::console {
namespace {

// Output into memory, with standard input read from a string.
class Captured {
 public:
  explicit Captured(std::string input = {}) : input_(std::move(input)) {
    out_ = open_memstream(&buf_, &size_);
    in_ = fmemopen(input_.data(), input_.size() + 1, "r");
  }
  ~Captured() {
    std::fclose(out_);
    std::fclose(in_);
    std::free(buf_);
  }
  std::FILE* out() { return out_; }
  std::FILE* in() { return in_; }
  std::string Text() {
    std::fflush(out_);
    return std::string(buf_, size_);
  }
  long InputLeft() { return static_cast<long>(input_.size()) - std::ftell(in_); }

 private:
  std::string input_;
  char* buf_ = nullptr;
  std::size_t size_ = 0;
  std::FILE* out_;
  std::FILE* in_;
};

TEST(Output, EndsLinesWithCrLfAndConvertsToTheLocaleCharset) {
  Captured cap;
  TextCodec latin1("ISO-8859-1");
  ASSERT_TRUE(latin1.Valid());
  {
    Output out(cap.out(), cap.in(), latin1);
    out.Line("Jürgen");
    out.Text("\n\rTitle");
    out.Line();
    out.Line("東京");
  }
  EXPECT_EQ(cap.Text(), "J\xfcrgen\r\n\n\rTitle\r\n??\r\n");
}

TEST(Output, NothingIsWrittenBeforeAFlushOrAPause) {
  Captured cap("first line\nsecond\n");
  TextCodec utf8("UTF-8");
  Output out(cap.out(), cap.in(), utf8);
  out.Line("before");
  EXPECT_EQ(cap.Text(), "");
  out.WaitForEnter();  // shows what came before, then takes one line
  EXPECT_EQ(cap.Text(), "before\r\n");
  EXPECT_EQ(cap.InputLeft(), 7);
  out.WaitForEnter();
  out.WaitForEnter();  // the end of input counts as Enter
  out.WaitForEnter();
  out.Line("after");
  out.Flush();
  EXPECT_EQ(cap.Text(), "before\r\nafter\r\n");
}

TEST(PadRight, PadsByCharactersAndNeverCuts) {
  EXPECT_EQ(PadRight("bob", 6), "bob   ");
  EXPECT_EQ(PadRight("Jürgen", 8), "Jürgen  ");
  EXPECT_EQ(PadRight("Maximilian_Fitzgerald1", 20), "Maximilian_Fitzgerald1");
  EXPECT_EQ(PadRight("", 3), "   ");
}

}  // namespace
}  // namespace vantor::console
