// SPDX-License-Identifier: GPL-3.0-or-later
// The simulated network file, read as the backend reads it: whatever the
// bytes, loading gives a network or a LoadError that names the file; no
// other exception, crash or sanitizer report.
#include "fuzz_support.h"
#include "lan/sim/sim_network.h"

#include <cstddef>
#include <cstdint>
#include <exception>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace vantor;
  static const std::string path = fuzz::ScratchFile("net.json");
  fuzz::WriteFile(path, std::string_view(reinterpret_cast<const char*>(data), size));
  try {
    lan::sim::LoadNetwork(path);
  } catch (const lan::sim::LoadError& e) {
    if (std::string_view(e.what()).find(path) == std::string_view::npos) fuzz::Fail("the error does not name the file");
  } catch (const std::exception& e) {
    fuzz::Fail(std::string("an error that is not a LoadError: ") + e.what());
  }
  return 0;
}
