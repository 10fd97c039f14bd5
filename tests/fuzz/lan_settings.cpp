// SPDX-License-Identifier: GPL-3.0-or-later
// The Samba backend's settings: lan.conf, lmhosts and smb.conf text, and
// lan.conf read from a file through VANTOR_LAN=samba:PATH, naming whatever
// lmhosts and smb.conf it likes. Each gives settings or a ConfigError
// (BackendError through the backend) naming the file; a byte-order mark in
// front of lan.conf changes nothing. The first byte chooses the reader.
#include "fuzz_support.h"
#include "lan/backend.h"
#include "lan/samba/name_resolver.h"
#include "lan/samba/samba_config.h"

#include <cstddef>
#include <cstdint>
#include <exception>

namespace {

using namespace vantor;
using namespace vantor::lan;
using namespace vantor::lan::samba;

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// "ok" or the error's message.
std::string ParseOutcome(std::string_view text) {
  try {
    LanConfig c = ParseLanConfig(text, "lan.conf");
    return "ok " + c.netbiosName + "|" + c.workgroup + "|" + c.codePage + "|" + std::to_string(c.smbPort);
  } catch (const ConfigError& e) {
    if (!std::string_view(e.what()).starts_with("lan.conf:")) fuzz::Fail(std::string("unnamed error: ") + e.what());
    return e.what();
  }
}

void ThroughTheBackend(std::string_view text) {
  static const std::string path = fuzz::ScratchFile("lan.conf");
  fuzz::WriteFile(path, text);
  try {
    std::unique_ptr<NetApi> api = CreateNetApi("samba:" + path);
    std::string name;
    api->GetComputerName(name);
  } catch (const BackendError&) {
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size == 0) return 0;
  std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);
  try {
    switch (data[0] % 4) {
      case 0:
        if (!text.starts_with(kBom) && ParseOutcome(text) != ParseOutcome(std::string(kBom) + std::string(text))) {
          fuzz::Fail("a byte-order mark changes how lan.conf reads");
        }
        break;
      case 1: try { ParseLmhosts(text, "lmhosts");
        } catch (const ConfigError& e) {
          if (!std::string_view(e.what()).starts_with("lmhosts:"))
            fuzz::Fail(std::string("unnamed error: ") + e.what());
        }
        break;
      case 2: ParseSmbConf(text); break;
      case 3: ThroughTheBackend(text); break;
    }
  } catch (const std::exception& e) {
    fuzz::Fail(std::string("an unexpected error: ") + e.what());
  }
  return 0;
}
