// SPDX-License-Identifier: GPL-3.0-or-later
// The floor for `vantorc -f -b -su`: a program that only reads a simulated
// network file with the same JSON parser and the same parse flags as the
// simulated backend and writes the user names of its domains, one a line.
//   net_names_reader FILE
#include <rapidjson/reader.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <string_view>

namespace {

// Writes the "name" of every object in a "users" list below "domains".
class NameWriter : public rapidjson::BaseReaderHandler<rapidjson::UTF8<>, NameWriter> {
 public:
  bool StartObject() { return Push(); }
  bool EndObject(rapidjson::SizeType) { return Pop(); }
  bool StartArray() {
    if (depth_ == 1 && key_ == "domains") domainsAt_ = depth_ + 1;
    if (domainsAt_ && depth_ == domainsAt_ + 1 && key_ == "users") usersAt_ = depth_ + 1;
    return Push();
  }
  bool EndArray(rapidjson::SizeType) {
    if (depth_ == usersAt_) usersAt_ = 0;
    if (depth_ == domainsAt_) domainsAt_ = 0;
    return Pop();
  }
  bool Key(const char* s, rapidjson::SizeType n, bool) {
    key_ = {s, n};
    return true;
  }
  bool String(const char* s, rapidjson::SizeType n, bool) {
    if (usersAt_ && depth_ == usersAt_ + 1 && key_ == "name") {
      out_.append(s, n);
      out_ += "\r\n";
    }
    return true;
  }
  bool Default() { return true; }

  const std::string& out() const { return out_; }

 private:
  bool Push() {
    ++depth_;
    return true;
  }
  bool Pop() {
    --depth_;
    return true;
  }

  int depth_ = 0, domainsAt_ = 0, usersAt_ = 0;
  std::string_view key_;
  std::string out_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: net_names_reader FILE\n");
    return 2;
  }
  std::ifstream in(argv[1], std::ios::binary | std::ios::ate);
  if (!in) return 1;
  auto size = static_cast<std::size_t>(in.tellg());
  std::unique_ptr<char[]> text(new char[size + 1]);
  in.seekg(0);
  in.read(text.get(), static_cast<std::streamsize>(size));
  text[size] = '\0';

  NameWriter writer;
  rapidjson::Reader reader;
  rapidjson::InsituStringStream stream(text.get());
  if (reader.Parse<rapidjson::kParseInsituFlag | rapidjson::kParseValidateEncodingFlag>(stream, writer).IsError())
    return 1;
  std::fwrite(writer.out().data(), 1, writer.out().size(), stdout);
  return 0;
}
