// Capturing the live settings as a profile: what is copied, what is asked,
// and what is refused before anything is written.
#include "store/capture.h"

#include <gtest/gtest.h>

#include <string>

#include "platform/code_page.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"
#include "tests/support/faulty_registry.h"
#include "tests/support/registry_snapshot.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/test_machine.h"

namespace {

using testing_support::snapshot;

const std::string kAdapters = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters";
const std::string kInterfaces =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";
const std::string kInternet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const std::string kWired = "{2D1A3C6E-0B3F-4E55-9A53-1F2C00000001}";
const std::string kWireless = "{2D1A3C6E-0B3F-4E55-9A53-1F2C00000002}";
const std::string kError = "エラーメッセージ";
const std::string kConfirm = "確認メッセージ";
const std::string kAskNew =
    "現在のネットワーク設定をコンボボックスに記述された名称で登録します。\n新規に登録します。";
const std::string kAskOverwrite =
    "現在のネットワーク設定をコンボボックスに記述された名称で登録します。\n"
    "登録名は既に使用されていますが上書きしますか？";
const std::string kTooLong = "登録名は半角255文字（全角127文字）以内で入力してください。";

std::string tcpip(const std::string& id) {
  return "SYSTEM\\CurrentControlSet\\Services\\" + id + "\\Parameters\\Tcpip";
}
std::string connection(const std::string& id) {
  return "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\" +
         id + "\\Connection";
}

class CaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    for (const std::string& id : {kWired, kWireless, std::string("NdisWanIp")}) {
      m.setValue(HKEY_LOCAL_MACHINE, kAdapters + "\\" + id, "IpConfig", REG_MULTI_SZ,
                 "Tcpip\\Parameters\\Interfaces\\" + id + std::string("\0\0", 2));
      m.setString(HKEY_LOCAL_MACHINE, tcpip(id), "Domain", "");
      m.setString(HKEY_LOCAL_MACHINE, connection(id), "Name", win::ansiFromUtf8("接続 " + id));
    }
    m.setValue(HKEY_LOCAL_MACHINE, kInterfaces + "\\" + kWired, "IPAddress", REG_MULTI_SZ,
               std::string("192.168.1.10\0"
                           "192.168.1.11\0\0",
                           27));
    m.setDword(HKEY_LOCAL_MACHINE, kInterfaces + "\\" + kWireless, "EnableDHCP", 1);
    m.setDword(HKEY_CURRENT_USER, kInternet, "ProxyEnable", 1);
    m.setString(HKEY_CURRENT_USER, kInternet, "", "default");
    m.setValue(HKEY_CURRENT_USER, kInternet + "\\Connections", "DefaultConnectionSettings",
               REG_BINARY, std::string("\x3c\0\0\0\xff", 5));
    m.setString(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                "Device", "PrinterA,winspool,Ne00:");
    setMembership("WORKGROUP", NetSetupWorkgroupName);
  }

  void setMembership(const std::string& utf8Name, win::DWORD status) {
    m.setString(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "JoinName", win::ansiFromUtf8(utf8Name));
    m.setDword(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "JoinStatus", status);
  }
  // Captures with the boxes of a confirmed capture (new or overwrite).
  store::CaptureResult capture(const std::string& utf8Title, const std::string& question) {
    prompter.expect(question, kConfirm, 0x34, IDYES)
        .expect("現在のﾈｯﾄﾜｰｸの設定を登録しました。", "情報メッセージ", MB_ICONINFORMATION);
    return store::CaptureProfile(ctx, win::ansiFromUtf8(utf8Title));
  }
  std::string bytes(const std::string& path, const std::string& name, win::DWORD type) {
    win::DWORD stored = 0;
    std::string data;
    if (!m.value(HKEY_LOCAL_MACHINE, path, name, &stored, &data)) return "<missing>";
    EXPECT_EQ(stored, type) << path << " " << name;
    return data;
  }
  std::string dword(win::DWORD value) { return std::string(reinterpret_cast<char*>(&value), 4); }
  bool hasSetting() { return m.keyExists(HKEY_LOCAL_MACHINE, store::kSettingKey); }

  testing_support::TestMachine m;
  testing_support::ScriptedPrompter prompter;
  store::Context ctx{m.machine(), prompter, nullptr};
};

TEST_F(CaptureTest, NewProfileHoldsExactCopiesOfTheLiveSettings) {
  store::CaptureResult result = capture("Office", kAskNew);
  EXPECT_TRUE(result.captured);
  EXPECT_TRUE(result.appendTitle);
  EXPECT_EQ(bytes(store::SlotPath(1), "Title", REG_SZ), std::string("Office\0", 7));
  EXPECT_EQ(bytes(store::SlotPath(1), "Count", REG_DWORD), "<missing>");

  auto& r = m.registry();
  for (const std::string& key : {kAdapters, kInterfaces, tcpip(kWired), connection(kWired),
                                 tcpip(kWireless), connection(kWireless)})
    EXPECT_EQ(snapshot(r, HKEY_LOCAL_MACHINE, store::MirrorPath(1, key)),
              snapshot(r, HKEY_LOCAL_MACHINE, key))
        << key;
  EXPECT_EQ(snapshot(r, HKEY_LOCAL_MACHINE, store::MirrorPath(1, kInternet)),
            snapshot(r, HKEY_CURRENT_USER, kInternet));
  // The pseudo-adapter is listed in the Adapters mirror but gets no mirrors of its own.
  EXPECT_TRUE(m.keyExists(HKEY_LOCAL_MACHINE, store::MirrorPath(1, kAdapters + "\\NdisWanIp")));
  EXPECT_FALSE(m.keyExists(HKEY_LOCAL_MACHINE, store::MirrorPath(1, tcpip("NdisWanIp"))));
  EXPECT_FALSE(m.keyExists(HKEY_LOCAL_MACHINE, store::MirrorPath(1, connection("NdisWanIp"))));

  EXPECT_EQ(bytes(store::DataPath(1), "DefPrinter", REG_SZ), "PrinterA");
  EXPECT_EQ(bytes(store::DataPath(1), "DomainType", REG_DWORD), dword(0));
  EXPECT_EQ(bytes(store::DataPath(1), "DomainName", REG_SZ), "WORKGROUP");
  EXPECT_EQ(bytes(store::kSettingKey, "ComboActive", REG_DWORD), dword(0));
}

TEST_F(CaptureTest, BadTitlesAreRefusedBeforeAnythingIsWritten) {
  prompter.expect("登録名を入力してください。", kError, MB_ICONERROR);
  EXPECT_FALSE(store::CaptureProfile(ctx, "").captured);
  // 256 bytes, counted in the code page: a single-byte and a double-byte title.
  prompter.expect(kTooLong, kError, MB_ICONERROR).expect(kTooLong, kError, MB_ICONERROR);
  EXPECT_FALSE(store::CaptureProfile(ctx, std::string(256, 'a')).captured);
  std::string fullWidth;
  for (int i = 0; i < 128; ++i) fullWidth += "あ";
  EXPECT_FALSE(store::CaptureProfile(ctx, win::ansiFromUtf8(fullWidth)).captured);
  prompter.expect(kAskNew, kConfirm, 0x34, IDNO);
  EXPECT_FALSE(store::CaptureProfile(ctx, "Declined").captured);
  EXPECT_FALSE(hasSetting());

  // 255 bytes is the longest title that reads back.
  std::string longest = win::ansiFromUtf8(fullWidth).substr(0, 254) + "z";
  prompter.expect(kAskNew, kConfirm, 0x34, IDYES)
      .expect("現在のﾈｯﾄﾜｰｸの設定を登録しました。", "情報メッセージ", MB_ICONINFORMATION);
  ASSERT_TRUE(store::CaptureProfile(ctx, longest).captured);
  EXPECT_EQ(store::FindProfileByTitle(ctx, longest).index, 0);
}

TEST_F(CaptureTest, OverwriteKeepsTitleAndCountAndReplacesTheMirrors) {
  capture("Office", kAskNew);
  capture("office", kAskNew);  // differs only in case: a second profile
  m.setDword(HKEY_LOCAL_MACHINE, store::SlotPath(1), "Count", 5);
  m.setValue(HKEY_LOCAL_MACHINE, kInterfaces + "\\" + kWired, "IPAddress", REG_MULTI_SZ,
             std::string("10.0.0.1\0\0", 10));
  ASSERT_EQ(m.registry().SHDeleteKeyA(HKEY_LOCAL_MACHINE, (kAdapters + "\\" + kWireless).c_str()),
            0u);

  prompter.expect(kAskOverwrite, kConfirm, 0x34, IDNO);
  EXPECT_FALSE(store::CaptureProfile(ctx, "Office").captured);
  auto& r = m.registry();
  EXPECT_NE(snapshot(r, HKEY_LOCAL_MACHINE, store::MirrorPath(1, kInterfaces)),
            snapshot(r, HKEY_LOCAL_MACHINE, kInterfaces));

  store::CaptureResult result = capture("Office", kAskOverwrite);
  EXPECT_TRUE(result.captured);
  EXPECT_FALSE(result.appendTitle);
  EXPECT_FALSE(m.keyExists(HKEY_LOCAL_MACHINE, store::SlotPath(3)));
  EXPECT_EQ(bytes(store::SlotPath(1), "Title", REG_SZ), std::string("Office\0", 7));
  EXPECT_EQ(bytes(store::SlotPath(1), "Count", REG_DWORD), dword(5));
  EXPECT_EQ(bytes(store::kSettingKey, "ComboActive", REG_DWORD), dword(0));
  for (const std::string& key : {kAdapters, kInterfaces})
    EXPECT_EQ(snapshot(r, HKEY_LOCAL_MACHINE, store::MirrorPath(1, key)),
              snapshot(r, HKEY_LOCAL_MACHINE, key));
  // The removed adapter's own mirror stays from before; readers start from Adapters.
  EXPECT_TRUE(m.keyExists(HKEY_LOCAL_MACHINE, store::MirrorPath(1, tcpip(kWireless))));
}

TEST_F(CaptureTest, StoreHoldsAtMost256ButAnExistingTitleStillOverwrites) {
  for (int slot = 1; slot <= 256; ++slot)
    m.setString(HKEY_LOCAL_MACHINE, store::SlotPath(slot), "Title", "P" + std::to_string(slot));
  prompter.expect("登録は２５６個までです。", kError, MB_ICONERROR);
  EXPECT_FALSE(store::CaptureProfile(ctx, "P257").captured);
  EXPECT_FALSE(m.keyExists(HKEY_LOCAL_MACHINE, store::SlotPath(257)));

  EXPECT_TRUE(capture("P256", kAskOverwrite).captured);
  EXPECT_EQ(bytes(store::kSettingKey, "ComboActive", REG_DWORD), dword(255));
  EXPECT_EQ(bytes(store::DataPath(256), "DefPrinter", REG_SZ), "PrinterA");
}

// Hides the membership as a machine whose network calls fail would.
class NoMembershipMachine : public testing_support::FaultyMachine {
 public:
  using FaultyMachine::FaultyMachine;
  win::Membership& membership() override { return failing_; }

 private:
  struct : win::Membership {
    win::DWORD NetGetJoinInformation(const char16_t*, std::u16string*, win::DWORD*) override {
      return 1722;  // RPC server unavailable
    }
    win::DWORD NetJoinDomain(const char16_t*, const char16_t*, const char16_t*, const char16_t*,
                             const char16_t*, win::DWORD) override {
      return 1722;
    }
  } failing_;
};

TEST_F(CaptureTest, MembershipSetsDomainTypeOnlyForKnownStatuses) {
  setMembership("営業部", NetSetupDomainName);
  capture("Office", kAskNew);
  EXPECT_EQ(bytes(store::DataPath(1), "DomainType", REG_DWORD), dword(1));
  EXPECT_EQ(bytes(store::DataPath(1), "DomainName", REG_SZ), win::ansiFromUtf8("営業部"));

  setMembership("HOME", NetSetupUnknownStatus);
  capture("Office", kAskOverwrite);
  EXPECT_EQ(bytes(store::DataPath(1), "DomainType", REG_DWORD), dword(1));
  EXPECT_EQ(bytes(store::DataPath(1), "DomainName", REG_SZ), "HOME");

  // An unreadable membership leaves the stored one as it was.
  NoMembershipMachine machine(m.machine());
  store::Context failing{machine, prompter, nullptr};
  prompter.expect(kAskOverwrite, kConfirm, 0x34, IDYES)
      .expect("現在のﾈｯﾄﾜｰｸの設定を登録しました。", "情報メッセージ", MB_ICONINFORMATION);
  EXPECT_TRUE(store::CaptureProfile(failing, "Office").captured);
  EXPECT_EQ(bytes(store::DataPath(1), "DomainName", REG_SZ), "HOME");
}

TEST_F(CaptureTest, FailedTitleWriteLeavesNoUnreadableSlot) {
  testing_support::FaultyMachine faulty(m.machine());
  faulty.registry().failSet("HKLM\\" + store::SlotPath(1), "Title", ERROR_ACCESS_DENIED);
  store::Context failing{faulty, prompter, nullptr};
  prompter.expect(kAskNew, kConfirm, 0x34, IDYES)
      .expect(
          "レジストリに書き込めません（書き込みが許可されていません）。\n"
          "現在のﾈｯﾄﾜｰｸの設定は登録されていません。",
          kError, MB_OK | MB_ICONERROR);
  EXPECT_FALSE(store::CaptureProfile(failing, "Office").captured);
  EXPECT_FALSE(m.keyExists(HKEY_LOCAL_MACHINE, store::SlotPath(1)));
  EXPECT_TRUE(capture("Home", kAskNew).captured);  // the store is still usable
}

TEST_F(CaptureTest, MachineWithoutNetworkKeysStillStoresPrinterAndMembership) {
  testing_support::TestMachine bare;
  bare.setString(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                 "Device", "Solo");
  bare.setString(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "JoinName", "WG");
  bare.setDword(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "JoinStatus", 2);
  store::Context bareCtx{bare.machine(), prompter, nullptr};
  EXPECT_EQ(store::ReadDefaultPrinter(bareCtx), "Solo");
  prompter.expect(kAskNew, kConfirm, 0x34, IDYES)
      .expect("現在のﾈｯﾄﾜｰｸの設定を登録しました。", "情報メッセージ", MB_ICONINFORMATION);
  EXPECT_TRUE(store::CaptureProfile(bareCtx, "Empty").captured);
  std::string name;
  EXPECT_TRUE(bare.value(HKEY_LOCAL_MACHINE, store::DataPath(1), "DefPrinter", nullptr, &name));
  EXPECT_EQ(name, "Solo");
  EXPECT_TRUE(bare.value(HKEY_LOCAL_MACHINE, store::DataPath(1), "DomainName", nullptr, &name));
  EXPECT_EQ(name, "WG");
}

TEST_F(CaptureTest, NoDeviceEntryMeansNoDefaultPrinter) {
  testing_support::TestMachine bare;
  store::Context bareCtx{bare.machine(), prompter, nullptr};
  EXPECT_EQ(store::ReadDefaultPrinter(bareCtx), "");
  bare.setString(HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
                 "Device", "");
  EXPECT_EQ(store::ReadDefaultPrinter(bareCtx), "");

  // The capture still records the printer, as an empty name.
  prompter.expect(kAskNew, kConfirm, 0x34, IDYES)
      .expect("現在のﾈｯﾄﾜｰｸの設定を登録しました。", "情報メッセージ", MB_ICONINFORMATION);
  EXPECT_TRUE(store::CaptureProfile(bareCtx, "Empty").captured);
  win::DWORD type = 0;
  std::string name = "<unset>";
  EXPECT_TRUE(bare.value(HKEY_LOCAL_MACHINE, store::DataPath(1), "DefPrinter", &type, &name));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(name.substr(0, name.find('\0')), "");
}

}  // namespace
