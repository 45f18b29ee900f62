// The printer, proxy and membership steps of a switch on a small machine:
// what each changes, what it leaves alone, and the messages of a failed
// membership change.
#include "switching/switch_steps.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/code_page.h"
#include "store/profile_store.h"
#include "store/registry_access.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/test_machine.h"

namespace {

using testing_support::ScriptedPrompter;
using testing_support::TestMachine;

const std::string kDevices = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Devices";
const std::string kWindows = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
const std::string kInternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const std::string kEmulation = "SYSTEM\\Emulation";

class SwitchStepsTest : public ::testing::Test {
 protected:
  SwitchStepsTest() {
    m.setString(HKEY_LOCAL_MACHINE, store::SlotPath(1), "Title", "A");
    m.createKey(HKEY_LOCAL_MACHINE, store::DataPath(1));
  }
  store::Context context() { return {m.machine(), prompter, nullptr}; }
  // A live or profile value as text; "-" when it is missing.
  std::string text(win::HKEY hive, const std::string& path, const std::string& name) {
    std::string value;
    store::Context ctx = context();
    return store::ReadStringValue(ctx, hive, path, name, value) == 0 ? win::ansiToUtf8(value) : "-";
  }
  std::string mirror() { return store::MirrorPath(1, kInternetSettings); }

  TestMachine m;
  ScriptedPrompter prompter;
};

TEST_F(SwitchStepsTest, TheDefaultPrinterChangesOnlyToAnInstalledOne) {
  m.setString(HKEY_CURRENT_USER, kDevices, "EPSON PX-V630", "winspool,Ne00:");
  m.setString(HKEY_CURRENT_USER, kWindows, "Device", "Canon,winspool,Ne01:");
  win::ProfileStrings& strings = m.machine().profileStrings();
  auto& emulated = m.machine().profileStrings();

  EXPECT_FALSE(switching::SetDefaultPrinter(context(), "HP LaserJet"));
  EXPECT_FALSE(switching::SetDefaultPrinter(context(), ""));
  EXPECT_EQ(text(HKEY_CURRENT_USER, kWindows, "Device"), "Canon,winspool,Ne01:");
  EXPECT_EQ(emulated.settingChangeBroadcasts(), 0u);

  EXPECT_TRUE(switching::SetDefaultPrinter(context(), "EPSON PX-V630"));
  char device[256];
  strings.GetProfileStringA("windows", "device", "", device, sizeof device);
  EXPECT_STREQ(device, "EPSON PX-V630,winspool,Ne00:");
  EXPECT_EQ(emulated.settingChangeBroadcasts(), 1u);
}

TEST_F(SwitchStepsTest, ProxyValuesAreCopiedWhereTheProfileHasThem) {
  m.setString(HKEY_CURRENT_USER, kInternetSettings, "ProxyServer", "live:80");
  m.setString(HKEY_CURRENT_USER, kInternetSettings, "ProxyOverride", "<local>");
  m.setDword(HKEY_CURRENT_USER, kInternetSettings, "ProxyEnable", 0);
  m.setString(HKEY_CURRENT_USER, kInternetSettings, "AutoConfigURL", "http://live/proxy.pac");

  // A profile without proxy values only loses the live script address.
  m.createKey(HKEY_LOCAL_MACHINE, mirror());
  switching::ApplyProxySettings(context(), 1);
  EXPECT_EQ(text(HKEY_CURRENT_USER, kInternetSettings, "ProxyServer"), "live:80");
  EXPECT_EQ(text(HKEY_CURRENT_USER, kInternetSettings, "ProxyOverride"), "<local>");
  EXPECT_EQ(text(HKEY_CURRENT_USER, kInternetSettings, "AutoConfigURL"), "-");

  m.setString(HKEY_LOCAL_MACHINE, mirror(), "ProxyServer", "http=office:8080;ftp=office:21");
  m.setDword(HKEY_LOCAL_MACHINE, mirror(), "ProxyEnable", 1);
  m.setString(HKEY_LOCAL_MACHINE, mirror(), "AutoConfigURL", "http://office/proxy.pac");
  switching::ApplyProxySettings(context(), 1);
  EXPECT_EQ(text(HKEY_CURRENT_USER, kInternetSettings, "ProxyServer"),
            "http=office:8080;ftp=office:21");
  EXPECT_EQ(text(HKEY_CURRENT_USER, kInternetSettings, "ProxyOverride"), "<local>");
  EXPECT_EQ(text(HKEY_CURRENT_USER, kInternetSettings, "AutoConfigURL"), "http://office/proxy.pac");
  win::DWORD enable = 0;
  store::Context ctx = context();
  (void)store::ReadDwordValue(ctx, HKEY_CURRENT_USER, kInternetSettings, "ProxyEnable", enable);
  EXPECT_EQ(enable, 1u);

  // Without a live key nothing is created.
  m.registry().SHDeleteKeyA(HKEY_CURRENT_USER, kInternetSettings.c_str());
  switching::ApplyProxySettings(context(), 1);
  EXPECT_FALSE(m.keyExists(HKEY_CURRENT_USER, kInternetSettings));
}

TEST_F(SwitchStepsTest, MembershipJoinsTheProfilesWorkgroupOrDomain) {
  m.setValue(HKEY_LOCAL_MACHINE, kEmulation, "Domains", REG_MULTI_SZ, std::string("CORP\0\0", 6));
  m.setDword(HKEY_LOCAL_MACHINE, kEmulation, "JoinStatus", NetSetupWorkgroupName);
  m.setString(HKEY_LOCAL_MACHINE, store::DataPath(1), "DomainName", win::ansiFromUtf8("営業部"));
  EXPECT_EQ(switching::ChangeMembership(context(), 1), NERR_Success);
  EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kEmulation, "JoinName"), "営業部");

  m.setDword(HKEY_LOCAL_MACHINE, store::DataPath(1), "DomainType", 1);
  m.setString(HKEY_LOCAL_MACHINE, store::DataPath(1), "DomainName", "corp");
  EXPECT_EQ(switching::ChangeMembership(context(), 1), NERR_Success);
  EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kEmulation, "JoinName"), "corp");

  // Joined now, a second join is refused, said so, and nothing changes.
  prompter.expect(
      "ドメインまたはワークグループの切替ができませんでした。\n詳細：既にドメインに接続済です。"
      "\n処理は継続されます。",
      "エラーメッセージ", MB_OK | MB_ICONERROR);
  EXPECT_EQ(switching::ChangeMembership(context(), 1), NERR_SetupAlreadyJoined);
  EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kEmulation, "JoinName"), "corp");
}

TEST_F(SwitchStepsTest, AnEmptyNameIsPassedOnAndTheSystemsAnswerIsShown) {
  m.setValue(HKEY_LOCAL_MACHINE, kEmulation, "Domains", REG_MULTI_SZ, std::string("CORP\0\0", 6));
  m.setDword(HKEY_LOCAL_MACHINE, kEmulation, "JoinStatus", NetSetupWorkgroupName);
  m.setString(HKEY_LOCAL_MACHINE, kEmulation, "JoinName", "HOME");
  const std::string head = "ドメインまたはワークグループの切替ができませんでした。\n詳細：";
  const std::string tail = "\n処理は継続されます。";

  // A workgroup with an empty name, stored empty.
  m.setString(HKEY_LOCAL_MACHINE, store::DataPath(1), "DomainName", "");
  prompter.expect(head + "ワークグループ名が正しくありません。" + tail, "エラーメッセージ",
                  MB_OK | MB_ICONERROR);
  EXPECT_EQ(switching::ChangeMembership(context(), 1), NERR_InvalidWorkgroupName);

  // A domain whose name is not stored at all reads as empty too.
  m.setString(HKEY_LOCAL_MACHINE, store::SlotPath(2), "Title", "B");
  m.setDword(HKEY_LOCAL_MACHINE, store::DataPath(2), "DomainType", 1);
  prompter.expect(head + "NetJoinDominのパラメータ誤りです。" + tail, "エラーメッセージ",
                  MB_OK | MB_ICONERROR);
  EXPECT_EQ(switching::ChangeMembership(context(), 2), win::DWORD(ERROR_INVALID_PARAMETER));
  EXPECT_EQ(text(HKEY_LOCAL_MACHINE, kEmulation, "JoinName"), "HOME");
}

TEST(MembershipFailureMessage, NamesEachKnownCodeAndTheNumberOfOthers) {
  const std::pair<win::DWORD, const char*> cases[] = {
      {87, "NetJoinDominのパラメータ誤りです。"},
      {1355, "指定されたドメインがみつかりません。"},
      {2691, "既にドメインに接続済です。"},
      {2695, "ワークグループ名が正しくありません。"},
      {1326, "エラーコード 1326"},
  };
  for (const auto& [code, detail] : cases)
    EXPECT_EQ(win::ansiToUtf8(switching::MembershipFailureMessage(code)),
              std::string("ドメインまたはワークグループの切替ができませんでした。\n詳細：") +
                  detail + "\n処理は継続されます。");
}

}  // namespace
