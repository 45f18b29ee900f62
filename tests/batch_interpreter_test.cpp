// The emulated command interpreter: how it reads a line (redirections,
// operators, quotes, double-byte characters) and, end to end, a switch
// script run by `verantu-machine cmd /c` as a child process.
#include "tools/verantu-machine/batch_interpreter.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "platform/code_page.h"
#include "store/profile_store.h"
#include "store/registry_access.h"
#include "store/registry_reports.h"
#include "switching/switch_script.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/test_machine.h"
#include "tools/verantu-machine/netsh.h"
#include "tools/verantu-machine/reg_file.h"
#include "tools/verantu-machine/templates.h"

namespace {

using testing_support::ScriptedPrompter;
using testing_support::TestMachine;

const std::string kVersionKey = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";

std::string ansi(const std::string& utf8) {
  return win::ansiFromUtf8(utf8);
}

class BatchInterpreterTest : public ::testing::Test {
 protected:
  BatchInterpreterTest() {
    m.setString(HKEY_LOCAL_MACHINE, kVersionKey, "SystemRoot", "C:\\WINDOWS");
    EXPECT_TRUE(m.machine().files().createDirectory("C:\\WINDOWS"));
  }

  // Runs UTF-8 script lines as a batch file saved in the ANSI code page.
  int runScript(const std::string& utf8) {
    auto file = m.machine().files().openText("C:\\WINDOWS\\t.bat", win::TextMode::Write);
    EXPECT_TRUE(file && file->write(ansi(utf8)) && file->close());
    return interpreter.runBatchFile("C:\\WINDOWS\\t.bat");
  }
  std::string bytes(const std::string& windowsPath) {
    std::ifstream in(m.machine().files().hostPath(windowsPath), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }

  TestMachine m;
  std::string out;  // UTF-8
  std::string err;
  machinetool::BatchInterpreter interpreter{
      m.machine(),
      {[this](std::string_view t) { out += win::ansiToUtf8(t); },
       [this](std::string_view t) { err += win::ansiToUtf8(t); }}};
};

TEST_F(BatchInterpreterTest, EchoRedirectionsWriteAnsiLinesAsCmdDoes) {
  ASSERT_TRUE(m.machine().files().createDirectory("C:\\Program Files"));
  EXPECT_EQ(runScript("@echo off\n"
                      "rem nothing & echo hidden > C:\\WINDOWS\\r.txt\n"
                      "\n"
                      "echo s abc > C:\\WINDOWS\\r.txt\n"
                      "echo 100%% ポート表示タ >> C:\\WINDOWS\\r.txt\n"
                      "echo.>> C:\\WINDOWS\\r.txt\n"
                      "ECHO q >> \"C:\\Program Files\\r.txt\"\n"
                      "echo first > C:\\WINDOWS\\r2.txt\n"
                      "echo second > C:\\WINDOWS\\r2.txt\n"),
            0);
  // The blank before ">" stays; "ポ" (0x83 0x7C), "表" (0x95 0x5C) and "タ"
  // (0x83 0x5E) are characters, not a pipe, a backslash or an escape.
  EXPECT_EQ(bytes("C:\\WINDOWS\\r.txt"), ansi("s abc \r\n100% ポート表示タ \r\n\r\n"));
  EXPECT_EQ(bytes("C:\\Program Files\\r.txt"), "q \r\n");
  EXPECT_EQ(bytes("C:\\WINDOWS\\r2.txt"), "second \r\n");
  EXPECT_EQ(out, "");
  EXPECT_EQ(err, "");
}

TEST_F(BatchInterpreterTest, OperatorsActOnlyOutsideQuotes) {
  runScript(
      "@echo off\n"
      "echo a & echo b > C:\\WINDOWS\\1.txt\n"
      "echo \"x & y | z > w\" ^& ^| w > C:\\WINDOWS\\2.txt\n"
      "netsh interface ip nothing > NUL && echo no > C:\\WINDOWS\\3.txt || echo yes > "
      "C:\\WINDOWS\\3.txt\n"
      "echo piped | calc\n"
      "calc & echo after > C:\\WINDOWS\\4.txt\n"
      "echo lost > C:\\NOFOLDER\\5.txt\n"
      "echo 2> C:\\WINDOWS\\6.txt\n");
  EXPECT_EQ(out, "a \nECHO は <OFF> です。\n");
  EXPECT_EQ(bytes("C:\\WINDOWS\\1.txt"), "b \r\n");
  EXPECT_EQ(bytes("C:\\WINDOWS\\2.txt"), "\"x & y | z > w\" & | w \r\n");
  EXPECT_EQ(bytes("C:\\WINDOWS\\3.txt"), "yes \r\n");
  EXPECT_EQ(bytes("C:\\WINDOWS\\4.txt"), "after \r\n");
  EXPECT_FALSE(m.machine().files().exists("C:\\NOFOLDER\\5.txt"));
  EXPECT_EQ(bytes("C:\\WINDOWS\\6.txt"), "") << "2> takes the error output only";
  const std::string notFound =
      "'calc' は、内部コマンドまたは外部コマンド、操作可能なプログラムまたはバッチ "
      "ファイルとして認識"
      "されていません。\n";
  EXPECT_EQ(err, notFound + notFound + "指定されたパスが見つかりません。\n");
}

TEST_F(BatchInterpreterTest, PercentsExpandBeforeQuotesAreLookedAt) {
  runScript(
      "@echo off\n"
      "echo 100%% \"50%% a&b\" > C:\\WINDOWS\\p.txt\n"
      "echo 50% off >> C:\\WINDOWS\\p.txt\n"
      "echo [%windir%] [%nothing%] [%0] [%1] >> C:\\WINDOWS\\p.txt\n"
      "echo \"a %b c% d\" >> C:\\WINDOWS\\p.txt\n");
  // "%%" is one "%", also inside quotes; a lone "%" disappears; "%b c%" is a
  // variable that does not exist.
  EXPECT_EQ(bytes("C:\\WINDOWS\\p.txt"),
            "100% \"50% a&b\" \r\n50 off \r\n[C:\\WINDOWS] [] [C:\\WINDOWS\\t.bat] [] \r\n"
            "\"a  d\" \r\n");
  EXPECT_EQ(err, "");

  // Typed at the command line, "%%" and unknown variables stay as they are.
  interpreter.runCommandLine("echo 100%% %nothing% %windir% > C:\\WINDOWS\\q.txt");
  EXPECT_EQ(bytes("C:\\WINDOWS\\q.txt"), "100%% %nothing% C:\\WINDOWS \r\n");
}

TEST_F(BatchInterpreterTest, EchoOnShowsEachCommandWithItsPrompt) {
  EXPECT_EQ(runScript("echo hi\n@echo off\necho bye\n"), 0);
  EXPECT_EQ(out, "\nC:\\>echo hi\nhi\nbye\n");
  EXPECT_EQ(interpreter.runCommandLine("nothing-here"), 9009);
}

// A profile captured from the notebook machine, as capture stores it.
class SwitchEndToEnd : public ::testing::Test {
 protected:
  SwitchEndToEnd() {
    auto reg = machinetool::templateReg("notebook");
    std::string error;
    EXPECT_TRUE(reg &&
                regfile::importBytes(
                    m.registry(), std::string_view(reg->constData(), size_t(reg->size())), &error))
        << error;
    EXPECT_TRUE(m.machine().files().createDirectory("C:\\WINDOWS"));
    for (const std::string& key : {kAdapters, kTcpip + "Interfaces"})
      (void)store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE, key, HKEY_LOCAL_MACHINE,
                               store::MirrorPath(1, key));
    for (const std::string& id : {kWiredId, kWirelessId}) {
      for (const std::string& key :
           {kServices + id + "\\Parameters\\Tcpip", kNetwork + id + "\\Connection"})
        (void)store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE, key, HKEY_LOCAL_MACHINE,
                                 store::MirrorPath(1, key));
    }
  }

  void netsh(const std::string& utf8) {
    auto result = machinetool::RunNetsh(m.machine(), machinetool::SplitCommandLine(ansi(utf8)));
    ASSERT_EQ(result.exitCode, 0) << win::ansiToUtf8(result.output);
  }

  // Writes the script for every interface and runs it as the switch does.
  int runSwitch() {
    auto list = switching::BuildInterfaceList(ctx, 1);
    auto script = switching::WriteSwitchScript(ctx, 1, list, std::vector<bool>(list.size(), true));
    EXPECT_EQ(script.status, switching::ScriptStatus::Created);
    auto files = switching::WorkFilePaths(m.machine().system());
    (void)m.machine().files().DeleteFileA(files.result.c_str());  // may not exist yet

    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VERANTU_MACHINE", QString::fromStdString(m.folder()));
    process.setProcessEnvironment(env);
    process.start(VERANTU_MACHINE_TOOL,
                  {"cmd", "/c", QString::fromStdString(win::ansiToUtf8(files.script))});
    EXPECT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();

    // The result file as the switch reads it.
    lines.clear();
    auto file = m.machine().files().openText(files.result, win::TextMode::Read);
    EXPECT_TRUE(file);
    std::string line;
    while (file && file->readLine(line, 256)) lines.push_back(win::ansiToUtf8(line));
    return script.sectionCount;
  }
  int countedLines() const {
    int counted = 0;
    for (const std::string& line : lines)
      if (line != "\n" && line.rfind("OK", 0) != 0) ++counted;
    return counted;
  }
  void expectLiveEqualsProfile(const std::string& id, const std::vector<std::string>& names) {
    const std::string live = kTcpip + "Interfaces\\" + id;
    for (const std::string& name : names) {
      std::string liveBytes;
      std::string profileBytes;
      EXPECT_TRUE(m.value(HKEY_LOCAL_MACHINE, live, name, nullptr, &liveBytes)) << name;
      EXPECT_TRUE(
          m.value(HKEY_LOCAL_MACHINE, store::MirrorPath(1, live), name, nullptr, &profileBytes));
      EXPECT_EQ(liveBytes, profileBytes) << id << " " << name;
    }
  }

  const std::string kServices = "SYSTEM\\CurrentControlSet\\Services\\";
  const std::string kTcpip = kServices + "Tcpip\\Parameters\\";
  const std::string kAdapters = kTcpip + "Adapters";
  const std::string kNetwork =
      "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\";
  const std::string kWiredId = "{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}";
  const std::string kWirelessId = "{C1D7E4B9-2A63-4E58-B0F4-7A91D2C6E835}";

  TestMachine m;
  ScriptedPrompter prompter;
  store::Context ctx{m.machine(), prompter, nullptr};
  std::vector<std::string> lines;  // UTF-8, with their "\n"
};

TEST_F(SwitchEndToEnd, ScriptRestoresTheProfilesTcpIpSettings) {
  netsh("interface ip set address name=\"ローカル エリア接続\" dhcp");
  netsh("interface ip set dns name=\"ローカル エリア接続\" static 9.9.9.9");
  netsh(
      "interface ip set address name=\"ワイヤレス ネットワーク接続\" static 10.9.9.9 "
      "255.255.255.0 none");
  netsh("interface ip set dns name=\"ワイヤレス ネットワーク接続\" static 9.9.9.9");

  const int sections = runSwitch();
  EXPECT_EQ(sections, 7);
  const std::string lan = "[ローカル エリア接続] ";
  const std::string wifi = "[ワイヤレス ネットワーク接続] ";
  std::vector<std::string> expected = {"s ○○○ 切り替え処理の開始 \n"};
  for (const std::string& header :
       {"====  1 " + lan + "IPｱﾄﾞﾚｽ/ﾏｽｸ/ｹﾞｰﾄｳｪｲ の設定 === \n",
        "====  2 " + lan + "IPｱﾄﾞﾚｽ/ﾏｽｸ の追加 === \n",
        "====  3 " + lan + "ｹﾞｰﾄｳｪｲ/ｹﾞｰﾄｳｪｲﾒﾄﾘｯｸ の追加 === \n",
        "====  4 " + lan + "DNS の設定 === \n", "====  5 " + lan + "DNS2 の追加 === \n",
        "====  6 " + wifi + "DHCP へ切替 === \n", "====  7 " + wifi + "DNS の設定 === \n"}) {
    expected.push_back(header);
    expected.push_back("OK\n");
    expected.push_back("\n");
  }
  expected.push_back("e ○○○ 切り替え処理の終了 \n");
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(countedLines(), sections + 2);

  expectLiveEqualsProfile(kWiredId, {"EnableDHCP", "IPAddress", "DefaultGateway",
                                     "DefaultGatewayMetric", "NameServer"});
  // The profile's one mask serves both addresses.
  std::string masks;
  m.value(HKEY_LOCAL_MACHINE, kTcpip + "Interfaces\\" + kWiredId, "SubnetMask", nullptr, &masks);
  EXPECT_EQ(masks, std::string("255.255.255.0\0"
                               "255.255.255.0\0\0",
                               29));
  expectLiveEqualsProfile(kWirelessId, {"EnableDHCP", "NameServer"});
}

TEST_F(SwitchEndToEnd, NamesWithAmpersandAndPercentSwitchTheirOwnInterfaces) {
  // Windows lets a user name connections so; the live machine and the
  // profile carry the same names.
  for (const auto& [id, name] : {std::pair{kWiredId, std::string("R&D LAN")},
                                 std::pair{kWirelessId, std::string("100% 無線")}}) {
    const std::string connection = kNetwork + id + "\\Connection";
    m.setString(HKEY_LOCAL_MACHINE, connection, "Name", ansi(name));
    m.setString(HKEY_LOCAL_MACHINE, store::MirrorPath(1, connection), "Name", ansi(name));
  }
  netsh("interface ip set address name=\"R&D LAN\" dhcp");
  netsh("interface ip set dns name=\"R&D LAN\" static 9.9.9.9");
  netsh("interface ip set address name=\"100% 無線\" static 10.9.9.9 255.255.255.0 none");

  const int sections = runSwitch();
  EXPECT_EQ(sections, 7);
  EXPECT_EQ(countedLines(), sections + 2) << "every netsh command succeeded";
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[1], "====  1 [R&D LAN] IPｱﾄﾞﾚｽ/ﾏｽｸ/ｹﾞｰﾄｳｪｲ の設定 === \n");
  EXPECT_NE(std::find(lines.begin(), lines.end(), "====  6 [100% 無線] DHCP へ切替 === \n"),
            lines.end());
  expectLiveEqualsProfile(kWiredId, {"EnableDHCP", "IPAddress", "DefaultGateway",
                                     "DefaultGatewayMetric", "NameServer"});
  expectLiveEqualsProfile(kWirelessId, {"EnableDHCP", "NameServer"});
}

TEST_F(SwitchEndToEnd, UnavailableInterfaceFailsTheCountInAQuotedWindowsDirectory) {
  m.setString(HKEY_LOCAL_MACHINE, kVersionKey, "SystemRoot", "C:\\Win Dir");
  ASSERT_TRUE(m.machine().files().createDirectory("C:\\Win Dir"));
  m.setValue(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "UnavailableInterfaces", REG_MULTI_SZ,
             ansi("ワイヤレス ネットワーク接続") + std::string("\0\0", 2));

  const int sections = runSwitch();
  EXPECT_EQ(sections, 6) << "the wireless interface is on DHCP already";
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "e ○○○ 切り替え処理の終了 \n");
  EXPECT_EQ(lines[lines.size() - 2],
            "インターフェイスが使用できる状態にないため、構成できませんでした。\n");
  EXPECT_EQ(countedLines(), sections + 3);
}

}  // namespace
