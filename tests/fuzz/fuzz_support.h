// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the fuzz targets share: a private scratch folder, file helpers, the
// way a target reports a finding, and the guard that keeps every target off
// the network.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace vantor::fuzz {

// Reads an input front to back in a layout that a seed file can be written
// in by hand; past the end every read gives zeros or nothing.
class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : rest_(reinterpret_cast<const char*>(data), size) {}
  std::uint8_t Byte();
  std::uint16_t Be16();
  std::string Take(std::size_t n);
  // Up to the next '\n' (which is dropped), or the rest.
  std::string Line();
  std::string Rest();
  bool empty() const { return rest_.empty(); }

 private:
  std::string_view rest_;
};

// A folder of this process's own below $TMPDIR (else /dev/shm, else /tmp),
// removed when the process exits normally.
const std::string& Scratch();
std::string ScratchFile(std::string_view name);

void WriteFile(const std::string& path, std::string_view bytes);
std::string ReadFile(const std::string& path);

// A finding: what was wrong goes to standard error and the process aborts,
// so that libFuzzer keeps the input.
[[noreturn]] void Fail(const std::string& what);

// Every TCP connection the code under test opens goes to 127.0.0.1:port
// instead of where it was aimed (0, the default: every connection is
// refused). Datagrams and name look-ups are always refused.
void RedirectConnections(std::uint16_t port);

}  // namespace vantor::fuzz
