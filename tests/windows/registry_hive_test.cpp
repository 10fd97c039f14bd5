// SPDX-License-Identifier: GPL-3.0-or-later
// What the registry backend adds to the hive's rules: the store is the
// registry itself, readable and writable by any other program, and a unit
// holds against other openings of the store until it ends.
#include "store/registry_hive.h"
#include "store/settings.h"
#include "store/store_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include <windows.h>

namespace vantor::store::test {
namespace {

using ::testing::HasSubstr;
using ::testing::ThrowsMessage;

std::wstring Wide(const std::string& ascii) { return std::wstring(ascii.begin(), ascii.end()); }

class Registry : public StoreTest {
 protected:
  std::wstring Full(const std::string& key) { return Wide(root_.path() + "\\" + key); }
};

TEST_F(Registry, TheStoreIsTheRegistryThatOtherProgramsRead) {
  Settings settings(hive());
  settings.WriteInteger(kServersSection, "DC1", 1);
  // Read back the way any other program would: a string value of the
  // registry, with its terminating zero.
  wchar_t buf[16] = {};
  DWORD size = sizeof buf, type = 0;
  ASSERT_EQ(::RegGetValueW(HKEY_CURRENT_USER, Full("Software\\Vantor\\Forms\\Main\\Servers").c_str(), L"DC1",
                           RRF_RT_ANY, &type, buf, &size),
            ERROR_SUCCESS);
  EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
  EXPECT_EQ(std::wstring(buf), L"1");
  EXPECT_EQ(size, 2 * sizeof(wchar_t));

  // And what another program writes, the settings read; a DWORD there is
  // not a setting's type.
  const wchar_t text[] = L"\u00c4rzte";
  HKEY k = nullptr;
  ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, Full("Software\\Vantor\\Forms\\Main").c_str(), 0, nullptr, 0,
                              KEY_SET_VALUE, nullptr, &k, nullptr),
            ERROR_SUCCESS);
  ::RegSetValueExW(k, L"Note", 0, REG_SZ, reinterpret_cast<const BYTE*>(text), sizeof text);
  DWORD seven = 7;
  ::RegSetValueExW(k, L"Width", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&seven), sizeof seven);
  ::RegCloseKey(k);
  EXPECT_EQ(settings.ReadString(kMainSection, "note", ""), "\xc3\x84rzte");
  EXPECT_THAT([&] { settings.ReadInteger(kMainSection, "Width", 384); },
              ThrowsMessage<StoreError>(HasSubstr("Invalid data type for 'Width'")));
}

TEST_F(Registry, AUnitHoldsOtherOpeningsOffUntilItEnds) {
  hive().SetValue("K", "a", Value::String("0"));
  std::mutex m;
  std::condition_variable cv;
  bool written = false, release = false;
  std::thread writer([&] {
    hive().WriteTransaction([&] {
      hive().SetValue("K", "a", Value::String("1"));
      std::unique_lock lock(m);
      written = true;
      cv.notify_all();
      cv.wait_for(lock, std::chrono::seconds(20), [&] { return release; });
      hive().SetValue("K", "b", Value::String("1"));
    });
  });
  {
    std::unique_lock lock(m);
    ASSERT_TRUE(cv.wait_for(lock, std::chrono::seconds(20), [&] { return written; }));
  }
  // Another opening (as another process would make) waits, and gives up
  // after its time-out rather than read half a unit.
  auto other = OpenAgain(200);
  EXPECT_THAT([&] { other->GetValue("K", "a"); }, ThrowsMessage<StoreError>(HasSubstr("busy")));
  {
    std::lock_guard lock(m);
    release = true;
  }
  cv.notify_all();
  auto patient = OpenAgain(20000);
  std::optional<Value> b;
  patient->ReadTransaction([&] { b = patient->GetValue("K", "b"); });
  writer.join();
  EXPECT_EQ(b, Value::String("1")) << "the read waited for the whole unit";
}

TEST_F(Registry, AFailedUnitPutsBackADeletedSubtree) {
  hive().SetValue("Lists\\Sales", "alice", Value::String("2,Alice"));
  hive().SetValue("Lists\\Sales\\Deep", "x", {ValueType::Binary, std::string("\0\1", 2)});
  EXPECT_THROW(hive().WriteTransaction([&] {
    hive().DeleteKey("Lists");
    hive().SetValue("Lists\\Sales", "bob", Value::String("2,"));
    throw StoreError("stop");
  }),
               StoreError);
  EXPECT_EQ(hive().GetValue("Lists\\Sales", "alice"), Value::String("2,Alice"));
  EXPECT_EQ(hive().GetValue("Lists\\Sales", "bob"), std::nullopt);
  EXPECT_EQ(hive().GetValue("Lists\\Sales\\Deep", "x"), (Value{ValueType::Binary, std::string("\0\1", 2)}));
}

}  // namespace
}  // namespace vantor::store::test
