// The printer, proxy and membership steps of a switch on a small machine:
// what each changes, what it leaves alone, and the messages of a failed
// membership change.
#include "switching/switch_steps.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "store/profile_store.h"
#include "store/registry_access.h"
#include "store/store_command.h"
#include "store/store_journal.h"
#include "tests/support/faulty_registry.h"
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

// Notes every WinINet option set (the per-connection list as text) and
// passes it on to the machine.
class RecordingInternet : public win::MachineOverlay, public win::Internet {
 public:
  explicit RecordingInternet(win::Machine& inner) : MachineOverlay(inner), inner_(inner) {}
  win::Registry& registry() override { return inner_.registry(); }
  win::Internet& internet() override { return *this; }
  win::BOOL InternetSetOptionA(win::HINTERNET handle, win::DWORD option, void* buffer,
                               win::DWORD length) override {
    std::string call = std::to_string(option);
    if (option == INTERNET_OPTION_PER_CONNECTION_OPTION) {
      auto* list = static_cast<win::INTERNET_PER_CONN_OPTION_LISTA*>(buffer);
      call += list->pszConnection ? " RAS" : " LAN";
      for (win::DWORD i = 0; i < list->dwOptionCount; ++i) {
        const win::INTERNET_PER_CONN_OPTIONA& o = list->pOptions[i];
        call += " " + std::to_string(o.dwOption) + "=" +
                (o.dwOption == INTERNET_PER_CONN_FLAGS ? std::to_string(o.Value.dwValue)
                                                       : std::string(o.Value.pszValue));
      }
    }
    calls.push_back(call);
    return inner_.internet().InternetSetOptionA(handle, option, buffer, length);
  }
  win::DWORD GetLastError() override { return inner_.internet().GetLastError(); }
  std::vector<std::string> calls;

 private:
  win::Machine& inner_;
};

TEST_F(SwitchStepsTest, TheProxyStepTellsWinInetWhatTheLiveKeyHolds) {
  m.setString(HKEY_CURRENT_USER, kInternetSettings, "ProxyServer", "live:80");
  m.setString(HKEY_CURRENT_USER, kInternetSettings, "ProxyOverride", "<local>");
  m.setString(HKEY_CURRENT_USER, kInternetSettings, "AutoConfigURL", "http://live/proxy.pac");
  m.createKey(HKEY_LOCAL_MACHINE, mirror());
  RecordingInternet machine(m.machine());
  store::Context ctx{machine, prompter, nullptr};
  // Per connection (option 75: 1 flags, 2 server, 3 bypass, 4 script), then
  // SETTINGS_CHANGED (39) and REFRESH (37). Flags: 1 direct, 2 proxy, 4 script.
  struct Step {
    const char* what;
    std::function<void()> arrange;
    std::vector<std::string> calls;
  };
  const std::vector<Step> steps = {
      {"no profile values: the script address goes, ProxyEnable is missing",
       [] {},
       {"75 LAN 1=1 2=live:80 3=<local>", "39", "37"}},
      {"proxy on",
       [&] {
         m.setDword(HKEY_LOCAL_MACHINE, mirror(), "ProxyEnable", 1);
         m.setString(HKEY_LOCAL_MACHINE, mirror(), "ProxyServer", "office:8080");
       },
       {"75 LAN 1=3 2=office:8080 3=<local>", "39", "37"}},
      {"proxy off with a script",
       [&] {
         m.setDword(HKEY_LOCAL_MACHINE, mirror(), "ProxyEnable", 0);
         m.setString(HKEY_LOCAL_MACHINE, mirror(), "AutoConfigURL", "http://office/proxy.pac");
       },
       {"75 LAN 1=5 2=office:8080 3=<local> 4=http://office/proxy.pac", "39", "37"}},
      {"no live key: only the notifications",
       [&] { m.registry().SHDeleteKeyA(HKEY_CURRENT_USER, kInternetSettings.c_str()); },
       {"39", "37"}},
  };
  win::DWORD counted = 0;
  for (const Step& step : steps) {
    step.arrange();
    machine.calls.clear();
    switching::ApplyProxySettings(ctx, 1);
    EXPECT_EQ(machine.calls, step.calls) << step.what;
    // The emulated machine counts the two notifications.
    counted += 2;
    EXPECT_EQ(m.machine().internet().notifications(), counted) << step.what;
  }
}

// The proxy values change together: a write that fails, or a process that
// ends at any of the step's writes, leaves the old values or the new ones,
// never a mix, and the step says whether the new ones hold. Without
// batches, as on Windows, the next start puts back what an ended step left.
TEST_F(SwitchStepsTest, TheProxyStepLeavesTheOldValuesOrTheNew) {
  auto setOld = [&] {
    m.setString(HKEY_CURRENT_USER, kInternetSettings, "ProxyServer", "live:80");
    m.setString(HKEY_CURRENT_USER, kInternetSettings, "ProxyOverride", "<local>");
    m.setDword(HKEY_CURRENT_USER, kInternetSettings, "ProxyEnable", 0);
    m.setString(HKEY_CURRENT_USER, kInternetSettings, "AutoConfigURL", "http://live/proxy.pac");
  };
  auto live = [&] {
    std::string values;
    for (const char* name : {"ProxyServer", "ProxyOverride", "AutoConfigURL"})
      values += text(HKEY_CURRENT_USER, kInternetSettings, name) + "|";
    win::DWORD enable = 99;
    store::Context ctx = context();
    (void)store::ReadDwordValue(ctx, HKEY_CURRENT_USER, kInternetSettings, "ProxyEnable", enable);
    return values + std::to_string(enable);
  };
  m.setString(HKEY_LOCAL_MACHINE, mirror(), "ProxyServer", "office:8080");
  m.setString(HKEY_LOCAL_MACHINE, mirror(), "ProxyOverride", "intra;<local>");
  m.setDword(HKEY_LOCAL_MACHINE, mirror(), "ProxyEnable", 1);
  m.setString(HKEY_LOCAL_MACHINE, mirror(), "AutoConfigURL", "http://office/proxy.pac");
  setOld();
  const std::string old = live();
  int writes = 0;
  {
    testing_support::FaultyMachine faulty(m.machine());
    EXPECT_TRUE(switching::ApplyProxySettings({faulty, prompter, nullptr}, 1));
    writes = faulty.registry().writeCount();
  }
  const std::string fresh = live();
  ASSERT_NE(fresh, old);
  ASSERT_GE(writes, 5);
  for (bool batches : {true, false}) {
    for (bool abort : {false, true}) {
      for (int n = 1; n <= writes; ++n) {
        SCOPED_TRACE((batches ? "" : "no batches, ") +
                     std::string(abort ? "ended at write " : "failed write ") + std::to_string(n));
        setOld();
        bool holds = false;
        bool ended = false;
        {
          testing_support::FaultyMachine faulty(m.machine());
          if (!batches) faulty.registry().switchOffBatches();
          faulty.registry().failWriteAt(n, ERROR_DISK_FULL, abort);
          try {
            holds = switching::ApplyProxySettings({faulty, prompter, nullptr}, 1);
          } catch (const testing_support::FaultyRegistry::WriteAborted&) {
            EXPECT_TRUE(abort);
            ended = true;
          }
        }
        const std::string left = live();
        // What a finished step leaves of its journal changes nothing more.
        EXPECT_TRUE(store::RecoverStore(context()));
        const std::string now = live();
        EXPECT_TRUE(now == old || now == fresh) << now;
        if (!ended) {
          EXPECT_EQ(now, left);
          EXPECT_EQ(holds, now == fresh);
        }
        EXPECT_FALSE(m.keyExists(HKEY_LOCAL_MACHINE, store::kJournalKey));
      }
    }
  }
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
