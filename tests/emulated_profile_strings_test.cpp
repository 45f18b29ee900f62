// WIN.INI on the emulated machine: the registry-mapped sections with the
// buffer, default and list rules of GetProfileStringA and WriteProfileStringA.
#include "platform/emulated/emulated_profile_strings.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_machine.h"

namespace {

const std::string kWindows = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";

class EmulatedProfileStringsTest : public ::testing::Test {
 protected:
  std::string get(const char* app, const char* key, const char* fallback, win::DWORD size,
                  win::DWORD* length) {
    std::string out(size + 1, '#');
    *length = m.machine().profileStrings().GetProfileStringA(app, key, fallback, out.data(), size);
    return out.substr(0, size);
  }
  testing_support::TestMachine m;
};

TEST_F(EmulatedProfileStringsTest, ReadsEntriesDefaultsAndListsWithinTheBuffer) {
  m.setString(HKEY_CURRENT_USER, kWindows, "Device", "PrinterA,winspool,Ne00:");
  m.setString(HKEY_CURRENT_USER, kWindows, "Spooler", "yes");
  win::DWORD length = 0;
  EXPECT_EQ(get("WINDOWS", "device", "", 64, &length).c_str(),
            std::string("PrinterA,winspool,Ne00:"));
  EXPECT_EQ(length, 23u);
  // Cut to fit with its NUL.
  EXPECT_EQ(get("windows", "Device", "", 5, &length), std::string("Prin\0", 5));
  EXPECT_EQ(length, 4u);
  // A missing entry, or a section Windows keeps elsewhere, gives the default without trailing
  // blanks.
  EXPECT_EQ(get("windows", "Missing", "none  ", 16, &length).c_str(), std::string("none"));
  EXPECT_EQ(length, 4u);
  EXPECT_EQ(get("Mail", "MAPI", "0", 16, &length).c_str(), std::string("0"));

  EXPECT_EQ(get("windows", nullptr, "", 32, &length).substr(0, 16),
            std::string("Device\0Spooler\0\0", 16));
  EXPECT_EQ(length, 15u);
  EXPECT_EQ(get("windows", nullptr, "", 10, &length), std::string("Device\0S\0\0", 10));
  EXPECT_EQ(length, 8u);
}

TEST_F(EmulatedProfileStringsTest, WritesAndDeletesEntriesInTheMappedKey) {
  win::ProfileStrings& ini = m.machine().profileStrings();
  EXPECT_EQ(ini.WriteProfileStringA("windows", "device", "P,drv,port"), TRUE);
  win::DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(m.value(HKEY_CURRENT_USER, kWindows, "device", &type, &bytes));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(bytes, std::string("P,drv,port\0", 11));

  EXPECT_EQ(ini.WriteProfileStringA("Devices", "P", "winspool,Ne00:"), TRUE);
  EXPECT_EQ(ini.WriteProfileStringA("Devices", "Q", "winspool,Ne01:"), TRUE);
  EXPECT_EQ(ini.WriteProfileStringA("Devices", "P", nullptr), TRUE);
  EXPECT_EQ(ini.WriteProfileStringA("Devices", "P", nullptr), TRUE);  // already gone
  win::DWORD length = 0;
  EXPECT_EQ(get("devices", nullptr, "", 16, &length).substr(0, 3), std::string("Q\0\0", 3));
  EXPECT_EQ(ini.WriteProfileStringA("Devices", nullptr, nullptr), TRUE);
  EXPECT_EQ(get("devices", nullptr, "", 16, &length).substr(0, 1), std::string(1, '\0'));
  EXPECT_EQ(length, 0u);
  EXPECT_EQ(ini.WriteProfileStringA("Mail", "MAPI", "1"), FALSE);
}

}  // namespace
