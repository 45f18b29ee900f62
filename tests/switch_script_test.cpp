// The switch script: work-file paths, the interface list, the script text
// byte for byte, the quoting of connection names and the refusal of stored values
// the script cannot carry.
#include "switching/switch_script.h"

#include <gtest/gtest.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "store/profile_store.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/test_machine.h"

namespace {

using testing_support::ScriptedPrompter;
using testing_support::TestMachine;

const std::string kVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
const std::string kAdapters = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters";
const std::string kInterfaces =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";
const std::string kNetwork =
    "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}";
const std::string kWired = "{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}";
const std::string kWireless = "{C1D7E4B9-2A63-4E58-B0F4-7A91D2C6E835}";

std::string ansi(const std::string& utf8) {
  return win::ansiFromUtf8(utf8);
}

std::string multi(const std::vector<std::string>& items) {
  std::string image;
  for (const std::string& item : items) image += item + '\0';
  return image + '\0';
}

// The bytes a text-mode file holds for UTF-8 lines ending in "\n".
std::string fileImage(const std::string& utf8) {
  std::string bytes;
  for (char c : ansi(utf8)) {
    if (c == '\n') bytes += '\r';
    bytes += c;
  }
  return bytes;
}

class SwitchScriptTest : public ::testing::Test {
 protected:
  SwitchScriptTest() { setWindowsDirectory("C:\\WINDOWS"); }

  void setWindowsDirectory(const std::string& path) {
    m.setString(HKEY_LOCAL_MACHINE, kVersionKey, "SystemRoot", path);
    EXPECT_TRUE(m.machine().files().createDirectory(path));
  }

  // An interface of profile 1; returns the profile's interface key.
  std::string addInterface(const std::string& id, const std::string& utf8Name) {
    m.setValue(HKEY_LOCAL_MACHINE, store::MirrorPath(1, kAdapters + "\\" + id), "IpConfig",
               REG_MULTI_SZ, multi({"Tcpip\\Parameters\\Interfaces\\" + id}));
    m.setString(HKEY_LOCAL_MACHINE, store::MirrorPath(1, kNetwork + "\\" + id + "\\Connection"),
                "Name", ansi(utf8Name));
    return store::MirrorPath(1, kInterfaces + "\\" + id);
  }
  // A static interface with one address, mask and gateway.
  std::string addStatic(const std::string& id, const std::string& utf8Name,
                        const std::string& nameServer) {
    std::string key = addInterface(id, utf8Name);
    m.setDword(HKEY_LOCAL_MACHINE, key, "EnableDHCP", 0);
    m.setString(HKEY_LOCAL_MACHINE, key, "IPAddress", "192.168.1.10");
    m.setString(HKEY_LOCAL_MACHINE, key, "SubnetMask", "255.255.255.0");
    m.setValue(HKEY_LOCAL_MACHINE, key, "DefaultGateway", REG_MULTI_SZ, multi({"192.168.1.1"}));
    m.setValue(HKEY_LOCAL_MACHINE, key, "DefaultGatewayMetric", REG_MULTI_SZ, multi({"0"}));
    m.setString(HKEY_LOCAL_MACHINE, key, "NameServer", nameServer);
    return key;
  }
  std::string addDhcp(const std::string& id, const std::string& utf8Name,
                      const std::string& nameServer, win::DWORD liveDhcp) {
    std::string key = addInterface(id, utf8Name);
    m.setDword(HKEY_LOCAL_MACHINE, key, "EnableDHCP", 1);
    m.setString(HKEY_LOCAL_MACHINE, key, "NameServer", nameServer);
    m.setDword(HKEY_LOCAL_MACHINE, kInterfaces + "\\" + id, "EnableDHCP", liveDhcp);
    return key;
  }

  std::vector<switching::InterfaceEntry> interfaces() {
    return switching::BuildInterfaceList(ctx, 1);
  }
  // The script text for every interface ticked, as ANSI.
  switching::ScriptText compose() {
    auto list = interfaces();
    return switching::ComposeSwitchScript(ctx, 1, list, std::vector<bool>(list.size(), true),
                                          "C:\\WINDOWS\\relay4err.txt");
  }
  std::string hostBytes(const std::string& windowsPath) {
    std::ifstream in(m.machine().files().hostPath(windowsPath), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  TestMachine m;
  ScriptedPrompter prompter;
  store::Context ctx{m.machine(), prompter, nullptr};
};

const std::string R = " >> C:\\WINDOWS\\relay4err.txt\n";
const std::string kStart = "echo s ○○○ 切り替え処理の開始 > C:\\WINDOWS\\relay4err.txt\n";
const std::string kEnd = "echo e ○○○ 切り替え処理の終了" + R;

TEST_F(SwitchScriptTest, WorkFilesSitInTheWindowsDirectory) {
  auto files = switching::WorkFilePaths(m.machine().system());
  EXPECT_EQ(files.script, "C:\\WINDOWS\\relay4.bat");
  EXPECT_EQ(files.result, "C:\\WINDOWS\\relay4err.txt");

  setWindowsDirectory("C:\\");
  files = switching::WorkFilePaths(m.machine().system());
  EXPECT_EQ(files.script, "C:\\relay4.bat");
  EXPECT_EQ(files.result, "C:\\relay4err.txt");

  // "表" ends in the byte 0x5C, which is not a backslash of its own.
  struct JapaneseDirectory : win::System {
    win::BOOL GetVersionExA(win::OSVERSIONINFOA*) override { return FALSE; }
    win::UINT GetWindowsDirectoryA(char* buffer, win::UINT size) override {
      const std::string directory = ansi("C:\\表");
      if (size <= directory.size()) return win::UINT(directory.size() + 1);
      std::memcpy(buffer, directory.c_str(), directory.size() + 1);
      return win::UINT(directory.size());
    }
    win::HANDLE CreateMutexA(const void*, win::BOOL, const char*) override { return nullptr; }
    win::DWORD WaitForSingleObject(win::HANDLE, win::DWORD) override { return WAIT_FAILED; }
    win::BOOL ReleaseMutex(win::HANDLE) override { return FALSE; }
    win::BOOL CloseHandle(win::HANDLE) override { return FALSE; }
    win::DWORD GetLastError() override { return 0; }
    win::BOOL OpenProcessToken(win::HANDLE, win::DWORD, win::HANDLE*) override { return FALSE; }
    win::BOOL GetTokenInformation(win::HANDLE, win::TOKEN_INFORMATION_CLASS, void*, win::DWORD,
                                  win::DWORD*) override {
      return FALSE;
    }
    std::string localDateTimeText() override { return {}; }
  } japanese;
  files = switching::WorkFilePaths(japanese);
  EXPECT_EQ(files.script, ansi("C:\\表\\relay4.bat"));
}

TEST_F(SwitchScriptTest, InterfaceListKeepsNamedBraceAdaptersInRegistryOrder) {
  EXPECT_TRUE(interfaces().empty()) << "a profile without adapters has no interfaces";

  addInterface("{B}", "ワイヤレス");
  addInterface("{A}", "ローカル");
  m.createKey(HKEY_LOCAL_MACHINE, store::MirrorPath(1, kAdapters + "\\NdisWanIp"));
  m.createKey(HKEY_LOCAL_MACHINE, store::MirrorPath(1, kAdapters + "\\{NoConnectionName}"));
  std::string longId = "{" + std::string(63, 'X') + "}";
  addInterface(longId, "長すぎる");

  auto list = interfaces();
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[0].adapterId, "{A}");
  EXPECT_EQ(list[0].name, ansi("ローカル"));
  EXPECT_EQ(list[1].adapterId, "{B}");
  EXPECT_EQ(list[1].name, ansi("ワイヤレス"));
}

TEST_F(SwitchScriptTest, ProfileWithoutInterfacesWritesOnlyStartAndEnd) {
  m.createKey(HKEY_LOCAL_MACHINE, store::MirrorPath(1, kAdapters + "\\NdisWanIp"));
  auto result = switching::WriteSwitchScript(ctx, 1, interfaces(), {});
  EXPECT_EQ(result.status, switching::ScriptStatus::Created);
  EXPECT_EQ(result.sectionCount, 0);
  EXPECT_EQ(hostBytes("C:\\WINDOWS\\relay4.bat"), fileImage(kStart + kEnd));
}

TEST_F(SwitchScriptTest, SectionsAreNumberedAcrossInterfaces) {
  addStatic(kWired, "ローカル エリア接続", "192.168.1.2,192.168.1.3");
  addDhcp(kWireless, "無線", "10.0.0.1", 0);
  auto result = switching::WriteSwitchScript(ctx, 1, interfaces(), {true, true});
  ASSERT_EQ(result.status, switching::ScriptStatus::Created);
  EXPECT_EQ(result.sectionCount, 5);
  const std::string lan = "[ローカル エリア接続] ";
  const std::string lanName = "name=\"ローカル エリア接続\"";
  EXPECT_EQ(
      hostBytes("C:\\WINDOWS\\relay4.bat"),
      fileImage(kStart + "echo ====  1 " + lan + "IPｱﾄﾞﾚｽ/ﾏｽｸ/ｹﾞｰﾄｳｪｲ の設定 ===" + R +
                "netsh interface ip set address " + lanName +
                " static addr=192.168.1.10 mask=255.255.255.0 gateway=192.168.1.1 "
                "gwmetric=0" +
                R + "echo ====  2 " + lan + "DNS の設定 ===" + R + "netsh interface ip set dns " +
                lanName + " static 192.168.1.2" + R + "echo ====  3 " + lan +
                "DNS2 の追加 ===" + R + "netsh interface ip add dns " + lanName + " 192.168.1.3" +
                R + "echo ====  4 [無線] DHCP へ切替 ===" + R +
                "netsh interface ip set address name=\"無線\" dhcp" + R +
                "echo ====  5 [無線] DNS の設定 ===" + R +
                "netsh interface ip set dns name=\"無線\" static 10.0.0.1" + R + kEnd));

  // Unticked interfaces write nothing, and the numbering starts again.
  auto onlyWireless = switching::ComposeSwitchScript(ctx, 1, interfaces(), {false, true},
                                                     "C:\\WINDOWS\\relay4err.txt");
  EXPECT_EQ(onlyWireless.sectionCount, 2);
  EXPECT_NE(onlyWireless.text.find(ansi("echo ====  1 [無線] DHCP へ切替")), std::string::npos);
}

TEST_F(SwitchScriptTest, AddressListsFollowTheirStoredKind) {
  std::string key = addStatic(kWired, "LAN", "");

  // Three addresses and one mask: both further addresses use that mask. An
  // empty first gateway gives gateway=none; the gateways after it still
  // pair with their metrics, the last metric repeating.
  m.setValue(HKEY_LOCAL_MACHINE, key, "IPAddress", REG_MULTI_SZ,
             multi({"10.0.0.1", "10.0.0.2", "10.0.0.3"}));
  m.setValue(HKEY_LOCAL_MACHINE, key, "SubnetMask", REG_MULTI_SZ, multi({"255.0.0.0"}));
  m.setValue(HKEY_LOCAL_MACHINE, key, "DefaultGateway", REG_MULTI_SZ,
             std::string("\0"
                         "10.0.0.254\0"
                         "10.0.0.253\0\0",
                         24));
  m.setValue(HKEY_LOCAL_MACHINE, key, "DefaultGatewayMetric", REG_MULTI_SZ, multi({"1", "2"}));
  auto script = compose();
  EXPECT_EQ(script.sectionCount, 6);
  EXPECT_EQ(script.text,
            ansi(kStart + "echo ====  1 [LAN] IPｱﾄﾞﾚｽ/ﾏｽｸ/ｹﾞｰﾄｳｪｲ の設定 ===" + R +
                 "netsh interface ip set address name=\"LAN\" static addr=10.0.0.1 "
                 "mask=255.0.0.0 gateway=none" +
                 R + "echo ====  2 [LAN] IPｱﾄﾞﾚｽ/ﾏｽｸ の追加 ===" + R +
                 "netsh interface ip add address name=\"LAN\" addr=10.0.0.2 mask=255.0.0.0" + R +
                 "echo ====  3 [LAN] IPｱﾄﾞﾚｽ/ﾏｽｸ の追加 ===" + R +
                 "netsh interface ip add address name=\"LAN\" addr=10.0.0.3 mask=255.0.0.0" + R +
                 "echo ====  4 [LAN] ｹﾞｰﾄｳｪｲ/ｹﾞｰﾄｳｪｲﾒﾄﾘｯｸ の追加 ===" + R +
                 "netsh interface ip add address name=\"LAN\" gateway=10.0.0.254 gwmetric=2" + R +
                 "echo ====  5 [LAN] ｹﾞｰﾄｳｪｲ/ｹﾞｰﾄｳｪｲﾒﾄﾘｯｸ の追加 ===" + R +
                 "netsh interface ip add address name=\"LAN\" gateway=10.0.0.253 gwmetric=2" + R +
                 "echo ====  6 [LAN] DNS の設定 ===" + R +
                 "netsh interface ip set dns name=\"LAN\" static none" + R + kEnd));

  // Missing values become empty texts, for netsh to report.
  m.registry().SHDeleteKeyA(HKEY_LOCAL_MACHINE, key.c_str());
  m.setDword(HKEY_LOCAL_MACHINE, key, "EnableDHCP", 0);
  m.setString(HKEY_LOCAL_MACHINE, key, "DefaultGateway", "10.0.0.254");
  EXPECT_NE(compose().text.find("static addr= mask= gateway=10.0.0.254 gwmetric= >>"),
            std::string::npos);

  // A value that fills the 256-byte buffer is read; one byte more and it
  // counts as absent.
  std::vector<std::string> addresses(28, "10.0.0.1");
  addresses.push_back("10");  // 28 * 9 + 3 + 1 = 256 bytes
  m.setValue(HKEY_LOCAL_MACHINE, key, "IPAddress", REG_MULTI_SZ, multi(addresses));
  std::string servers;
  for (int i = 0; i < 31; ++i) servers += "1.1.1.1,";
  m.setString(HKEY_LOCAL_MACHINE, key, "NameServer", servers + "1.1.1.1");  // 255 + NUL
  EXPECT_EQ(compose().sectionCount, 1 + 28 + 32);

  addresses.back() = "100";
  m.setValue(HKEY_LOCAL_MACHINE, key, "IPAddress", REG_MULTI_SZ, multi(addresses));
  m.setString(HKEY_LOCAL_MACHINE, key, "NameServer", servers + "1.1.1.10");
  script = compose();
  EXPECT_EQ(script.sectionCount, 2);
  EXPECT_NE(script.text.find("static addr= mask= gateway=10.0.0.254 gwmetric= >>"),
            std::string::npos);
  EXPECT_NE(script.text.find("set dns name=\"LAN\" static none >>"), std::string::npos);
}

TEST_F(SwitchScriptTest, DnsListGivesOneSectionPerPiece) {
  addDhcp(kWired, "LAN", "1.1.1.1,2.2.2.2,", 1);
  auto script = compose();
  // Already on DHCP: only the DNS sections; the trailing comma adds an
  // empty server.
  EXPECT_EQ(script.sectionCount, 3);
  EXPECT_EQ(script.text, ansi(kStart + "echo ====  1 [LAN] DNS の設定 ===" + R +
                              "netsh interface ip set dns name=\"LAN\" static 1.1.1.1" + R +
                              "echo ====  2 [LAN] DNS2 の追加 ===" + R +
                              "netsh interface ip add dns name=\"LAN\" 2.2.2.2" + R +
                              "echo ====  3 [LAN] DNS3 の追加 ===" + R +
                              "netsh interface ip add dns name=\"LAN\" " + R + kEnd));

  EXPECT_EQ(switching::SplitDnsList(""), std::vector<std::string>{""});
  EXPECT_EQ(switching::SplitDnsList(" a , b"), (std::vector<std::string>{" a ", " b"}));
  auto many = switching::SplitDnsList(std::string(200, ','));
  EXPECT_EQ(many.size(), switching::kMaxDnsPieces);
  EXPECT_EQ(switching::SplitDnsList(std::string(200, 'x')).front().size(),
            switching::kMaxDnsPieceLength);
}

TEST_F(SwitchScriptTest, DnsCommandsWithAServerSkipTheCheckOfWindows7AndLater) {
  addStatic(kWired, "LAN", "1.1.1.1,,2.2.2.2");
  addDhcp(kWireless, "WiFi", "", 1);
  struct Version {
    const char* currentVersion;
    win::DWORD major10;  // CurrentMajorVersionNumber, 0 for none
    bool validateNo;
  };
  for (const Version& v : {Version{"5.1", 0, false}, Version{"6.0", 0, false},
                           Version{"6.1", 0, true}, Version{"6.3", 10, true}}) {
    m.setString(HKEY_LOCAL_MACHINE, kVersionKey, "CurrentVersion", v.currentVersion);
    if (v.major10) m.setDword(HKEY_LOCAL_MACHINE, kVersionKey, "CurrentMajorVersionNumber", 10);
    const std::string no = v.validateNo ? " validate=no" : "";
    EXPECT_EQ(
        compose().text,
        ansi(kStart + "echo ====  1 [LAN] IPｱﾄﾞﾚｽ/ﾏｽｸ/ｹﾞｰﾄｳｪｲ の設定 ===" + R +
             "netsh interface ip set address name=\"LAN\" static addr=192.168.1.10 "
             "mask=255.255.255.0 gateway=192.168.1.1 gwmetric=0" +
             R + "echo ====  2 [LAN] DNS の設定 ===" + R +
             "netsh interface ip set dns name=\"LAN\" static 1.1.1.1" + no + R +
             "echo ====  3 [LAN] DNS2 の追加 ===" + R + "netsh interface ip add dns name=\"LAN\" " +
             R + "echo ====  4 [LAN] DNS3 の追加 ===" + R +
             "netsh interface ip add dns name=\"LAN\" 2.2.2.2" + no + R +
             "echo ====  5 [WiFi] DNS の設定 ===" + R +
             "netsh interface ip set dns name=\"WiFi\" static none" + R + kEnd))
        << v.currentVersion;
  }
}

TEST_F(SwitchScriptTest, ResultPathWithBlanksIsQuoted) {
  setWindowsDirectory("C:\\Program Files\\Win");
  m.createKey(HKEY_LOCAL_MACHINE, store::MirrorPath(1, kAdapters));
  auto result = switching::WriteSwitchScript(ctx, 1, {}, {});
  ASSERT_EQ(result.status, switching::ScriptStatus::Created);
  EXPECT_EQ(
      hostBytes("C:\\Program Files\\Win\\relay4.bat"),
      fileImage("echo s ○○○ 切り替え処理の開始 > \"C:\\Program Files\\Win\\relay4err.txt\"\n"
                "echo e ○○○ 切り替え処理の終了 >> \"C:\\Program Files\\Win\\relay4err.txt\"\n"));
}

TEST_F(SwitchScriptTest, ScriptThatCannotBeCreatedIsReported) {
  m.setString(HKEY_LOCAL_MACHINE, kVersionKey, "SystemRoot", "C:\\NOWHERE");
  auto result = switching::WriteSwitchScript(ctx, 1, {}, {});
  EXPECT_EQ(result.status, switching::ScriptStatus::NotCreated);
}

TEST_F(SwitchScriptTest, NamesWithCommandCharactersAreQuotedAndEscaped) {
  addStatic(kWired, "R&D LAN", "");
  addDhcp(kWireless, "100% 無線 a^b|c<d>ポ\\", "", 0);
  auto script = compose();
  ASSERT_FALSE(script.unsafe);
  // In a header the name is echoed outside quotes; in a command it is
  // quoted, where only "%" needs doubling, and the trailing backslash is
  // doubled before the closing quote. "ポ" (0x83 0x7C) keeps its second byte.
  const std::string wifiHeader = "[100%% 無線 a^^b^|c^<d^>ポ\\] ";
  const std::string wifiName = "name=\"100%% 無線 a^b|c<d>ポ\\\\\"";
  EXPECT_EQ(win::ansiToUtf8(script.text),
            kStart + "echo ====  1 [R^&D LAN] IPｱﾄﾞﾚｽ/ﾏｽｸ/ｹﾞｰﾄｳｪｲ の設定 ===" + R +
                "netsh interface ip set address name=\"R&D LAN\" static addr=192.168.1.10 "
                "mask=255.255.255.0 gateway=192.168.1.1 gwmetric=0" +
                R + "echo ====  2 [R^&D LAN] DNS の設定 ===" + R +
                "netsh interface ip set dns name=\"R&D LAN\" static none" + R + "echo ====  3 " +
                wifiHeader + "DHCP へ切替 ===" + R + "netsh interface ip set address " + wifiName +
                " dhcp" + R + "echo ====  4 " + wifiHeader + "DNS の設定 ===" + R +
                "netsh interface ip set dns " + wifiName + " static none" + R + kEnd);
}

TEST_F(SwitchScriptTest, ValuesThatCannotBeCarriedAreRefused) {
  EXPECT_TRUE(switching::IsScriptSafeText(ansi("ポート")));  // 0x83 0x7C
  EXPECT_TRUE(switching::IsScriptSafeText(ansi("表示")));    // 0x95 0x5C
  EXPECT_TRUE(switching::IsScriptSafeText(ansi("タ")));      // 0x83 0x5E
  EXPECT_TRUE(switching::IsScriptSafeText(ansi("ﾛｰｶﾙ (1) = x.y")));
  EXPECT_TRUE(switching::IsScriptSafeText(ansi("R&D 100% a|b<c>d^e\\")));
  for (const std::string& bad :
       std::vector<std::string>{"\"", "\r", "\n", "\t", std::string(1, '\0'), "\x7F"})
    EXPECT_FALSE(switching::IsScriptSafeText("a" + bad + "b")) << int(bad[0]);
  EXPECT_FALSE(switching::IsScriptSafeText("abc\x83")) << "a cut double-byte character";
  EXPECT_FALSE(switching::IsScriptSafeText("\x83\"")) << "a quote is no second byte";

  // Values that netsh takes unquoted hold digits and dots, or nothing;
  // blanks around them only separate them in the command.
  for (std::string good : {"192.168.0.1", "", "1.1.1.1 ", " 10.0.0.1", "  "})
    EXPECT_TRUE(switching::IsAddressText(good)) << good;
  for (std::string bad : {"1 .1", "1,2", "10%", "1&2", "none", "0x1", "-1", "\xEF\xBC\x91"})
    EXPECT_FALSE(switching::IsAddressText(bad)) << bad;

  // The check names the first bad value of a ticked interface, in script
  // order; an unticked interface is not looked at.
  std::string wired = addStatic(kWired, "ローカル", "1.1.1.1,2.2.2.2");
  std::string wireless = addDhcp(kWireless, "無線", "", 1);
  m.setString(HKEY_LOCAL_MACHINE, wireless, "NameServer", "1.1.1.1&calc");
  EXPECT_FALSE(switching::FindUnsafeValue(ctx, 1, interfaces(), {true, false}));
  auto unsafe = switching::FindUnsafeValue(ctx, 1, interfaces(), {false, true});
  ASSERT_TRUE(unsafe);
  EXPECT_EQ(unsafe->text, "1.1.1.1&calc");

  m.setString(HKEY_LOCAL_MACHINE, wired, "NameServer", "1.1.1.1,2.2.2.2 > C:\\x");
  unsafe = switching::FindUnsafeValue(ctx, 1, interfaces(), {true, true});
  ASSERT_TRUE(unsafe);
  EXPECT_EQ(unsafe->interfaceName, ansi("ローカル"));
  EXPECT_EQ(unsafe->valueName, "NameServer");
  EXPECT_EQ(unsafe->text, "2.2.2.2 > C:\\x");

  m.setValue(HKEY_LOCAL_MACHINE, wired, "DefaultGatewayMetric", REG_MULTI_SZ,
             multi({"0\r\nnetsh"}));
  unsafe = switching::FindUnsafeValue(ctx, 1, interfaces(), {true, true});
  ASSERT_TRUE(unsafe);
  EXPECT_EQ(unsafe->valueName, "DefaultGatewayMetric");
  EXPECT_EQ(win::ansiToUtf8(switching::UnsafeValueMessage(*unsafe)),
            "登録内容に使用できない文字が含まれているため切り替えできません。\n"
            "[ローカル] DefaultGatewayMetric : 0\\r\\nnetsh");

  m.setString(HKEY_LOCAL_MACHINE, store::MirrorPath(1, kNetwork + "\\" + kWired + "\\Connection"),
              "Name", "LAN\" & calc & \"");
  unsafe = switching::FindUnsafeValue(ctx, 1, interfaces(), {true, true});
  ASSERT_TRUE(unsafe);
  EXPECT_EQ(unsafe->valueName, "Name");

  // Writing refuses too, and leaves any earlier script alone.
  auto result = switching::WriteSwitchScript(ctx, 1, interfaces(), {true, true});
  EXPECT_EQ(result.status, switching::ScriptStatus::Unsafe);
  EXPECT_FALSE(m.machine().files().exists("C:\\WINDOWS\\relay4.bat"));

  prompter.expect(
      "登録内容に使用できない文字が含まれているため切り替えできません。\n"
      "[LAN\" & calc & \"] Name : LAN\" & calc & \"",
      "エラーメッセージ", MB_OK | MB_ICONERROR);
  switching::ReportUnsafeValue(ctx, *result.unsafe);
}

}  // namespace
