// SPDX-License-Identifier: GPL-3.0-or-later
// REGEDIT4 scripts as vantor-reg imports them, against a real store:
// - a script either parses or is refused with a RegScriptError;
// - an import that fails leaves the store exactly as it was;
// - the export of what an import made imports again to the same export;
// - whatever an import made can be deleted again.
#include "store/reg_script.h"
#include "fuzz_support.h"
#include "store/hive.h"
#include "store/sqlite_hive.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>

namespace {

using namespace vantor;
using namespace vantor::store;

// What every run starts from: a store as the programs leave it.
constexpr std::string_view kBaseline =
    "REGEDIT4\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vantor\\ListNames]\r\n"
    "\"Sales\"=\"2\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vantor\\Lists\\Sales]\r\n"
    "\"alice\"=\"2,Alice\"\r\n"
    "\"pc7\"=\"3,\"\r\n"
    "[HKEY_CURRENT_USER\\Software\\Vantor\\Forms\\Main]\r\n"
    "\"Left\"=\"35\"\r\n"
    "\"Flags\"=dword:0000001f\r\n";

Hive& Store() {
  static std::unique_ptr<Hive> hive = OpenSqliteHive(fuzz::ScratchFile("store.db"));
  return *hive;
}

// Everything below the root goes; a failure here is a finding: the store
// holds something it cannot delete.
void Empty(Hive& hive) {
  try {
    hive.WriteTransaction([&] {
      for (const std::string& key : hive.SubKeyNames("")) hive.DeleteKey(key);
      for (const NamedValue& v : hive.Values("")) hive.DeleteValue("", v.name);
    });
  } catch (const StoreError& e) {
    fuzz::Fail(std::string("the store cannot be emptied: ") + e.what());
  }
}

std::string ExportAll(Hive& hive) {
  try {
    return RegScript::Export(hive, "");
  } catch (const StoreError& e) {
    fuzz::Fail(std::string("export failed: ") + e.what());
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view text(reinterpret_cast<const char*>(data), size);
  RegScript script;
  try {
    script = RegScript::Parse(text);
  } catch (const RegScriptError&) {
    return 0;
  } catch (const std::exception& e) {
    fuzz::Fail(std::string("parse threw something else: ") + e.what());
  }

  Hive& hive = Store();
  Empty(hive);
  RegScript::Parse(kBaseline).Apply(hive);
  static const std::string before = ExportAll(hive);
  try {
    script.Apply(hive);
  } catch (const RegScriptError&) {
    if (ExportAll(hive) != before) fuzz::Fail("a failed import changed the store");
    return 0;
  } catch (const std::exception& e) {
    fuzz::Fail(std::string("import threw something else: ") + e.what());
  }

  std::string first = ExportAll(hive);
  Empty(hive);
  try {
    RegScript::Parse(first).Apply(hive);
  } catch (const StoreError& e) {
    fuzz::Fail(std::string("an export does not import: ") + e.what() + "\n" + first);
  }
  if (ExportAll(hive) != first) fuzz::Fail("import of an export gave another export:\n" + first);
  return 0;
}
