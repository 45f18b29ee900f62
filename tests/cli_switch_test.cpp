// verantu-cli switch and script end to end: the notebook machine made by
// verantu-machine, a profile captured and applied back by the front end run
// as a child process, with its script run by the machine's own cmd.
#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <string>

#include <signal.h>

#include "tests/support/program_run.h"

namespace {

using ProcessRun = testing_support::ProgramRun;
using testing_support::runProgram;

const QString kWiredKey = QStringLiteral(
    "HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces\\"
    "{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}");
const QString kDone = QStringLiteral("情報メッセージ: ネットワーク設定の切り替え完了！");
const QString kAsk =
    QStringLiteral("情報ﾒｯｾｰｼﾞ: ﾈｯﾄﾜｰｸの設定を [ オフィス ] に切り替えます。 [y/N] ");

class CliSwitchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(tool({"init"}).code, 0);
    // The Windows directory that holds the work files.
    ASSERT_TRUE(QDir().mkpath(machine + "/drive_c/WINDOWS"));
    ASSERT_EQ(cli({"capture", "オフィス", "--yes"}).code, 0);
  }
  ProcessRun cli(const QStringList& arguments) {
    return runProgram(VERANTU_CLI, arguments, machine);
  }
  ProcessRun tool(const QStringList& arguments) {
    return runProgram(VERANTU_MACHINE_TOOL, arguments, machine);
  }
  QString exported(const QString& key) { return tool({"export", key, "--utf8"}).out; }
  bool workFileExists(const char* name) {
    return QFile::exists(machine + "/drive_c/WINDOWS/" + name);
  }

  QTemporaryDir dir;
  QString machine = dir.path() + "/machine";
};

TEST_F(CliSwitchTest, SwitchAppliesTheProfileAndReportsItsProgress) {
  ASSERT_EQ(
      tool({"netsh", "interface", "ip", "set", "address", "name=ローカル エリア接続", "dhcp"}).code,
      0);
  ASSERT_TRUE(exported(kWiredKey).contains("\"EnableDHCP\"=dword:00000001"));

  ProcessRun run = cli({"switch", "オフィス", "--yes"});
  EXPECT_EQ(run.code, 0);
  ASSERT_GE(run.lines.size(), 9);
  EXPECT_EQ(run.lines.mid(0, 7),
            QStringList({"[x] ﾈｯﾄﾜｰｸ", "    [x] ローカル エリア接続",
                         "    [x] ワイヤレス ネットワーク接続",
                         "[x] 通常使うﾌﾟﾘﾝﾀ [ EPSON PX-V630 ]", "[x] IEﾌﾟﾛｷｼｻｰﾊﾞ",
                         "[ ] ﾄﾞﾒｲﾝまたはﾜｰｸｸﾞﾙｰﾌﾟ", "[x] ﾁｪｯｸﾎﾞｯｸｽの状態を記憶する。（設定毎）"}));
  EXPECT_EQ(run.lines.at(7), kAsk + "y");
  // One line per step, as it was read back, before the closing message.
  ASSERT_GE(run.lines.size(), 12);
  EXPECT_EQ(run.lines.mid(run.lines.size() - 4),
            QStringList({"通常使うﾌﾟﾘﾝﾀ：切り替えました。", "IEﾌﾟﾛｷｼｻｰﾊﾞ：切り替えました。",
                         "ﾈｯﾄﾜｰｸ：切り替えました。", kDone}));
  // Progress lines in between name the sections the script reached.
  for (const QString& line : run.lines.mid(8, run.lines.size() - 12))
    EXPECT_TRUE(line.startsWith('(') && line.endsWith("中")) << line.toStdString();

  const QString wired = exported(kWiredKey);
  EXPECT_TRUE(wired.contains("\"EnableDHCP\"=dword:00000000"));
  EXPECT_TRUE(wired.contains("\"NameServer\"=\"192.168.10.2,192.168.10.3\""));
  const QString slot = exported("HKEY_LOCAL_MACHINE\\Software\\Q\\Tolvik\\Setting\\1");
  EXPECT_TRUE(slot.contains("\"Count\"=dword:00000001"));
  EXPECT_TRUE(slot.contains("\"InitCheck\"=dword:00000007"));
}

// The same network switch on both kinds of machine: XP's netsh answers each
// command with "OK", Windows 10's with an empty line, and its DNS commands
// carry validate=no. The settings read back decide, so both succeed.
TEST(CliSwitchMachinesTest, TheSameSwitchSucceedsOnXpAndOnWindows10) {
  struct Kind {
    const char* windows;
    const char* directory;  // the Windows directory under drive_c
    bool xp;
  };
  for (const Kind& kind : {Kind{"xp", "WINDOWS", true}, Kind{"10", "Windows", false}}) {
    SCOPED_TRACE(kind.windows);
    QTemporaryDir dir;
    const QString machine = dir.path() + "/machine";
    auto tool = [&](const QStringList& arguments) {
      return runProgram(VERANTU_MACHINE_TOOL, arguments, machine);
    };
    auto cli = [&](const QStringList& arguments) {
      return runProgram(VERANTU_CLI, arguments, machine);
    };
    ASSERT_EQ(tool({"init", "--windows", kind.windows}).code, 0);
    const QString windows = machine + "/drive_c/" + kind.directory;
    ASSERT_TRUE(QDir().mkpath(windows));
    ASSERT_EQ(cli({"capture", "オフィス", "--yes"}).code, 0);
    ASSERT_EQ(
        tool({"netsh", "interface", "ip", "set", "address", "name=ローカル エリア接続", "dhcp"})
            .code,
        0);

    ProcessRun run = cli({"switch", "オフィス", "--yes", "--steps", "network"});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    ASSERT_FALSE(run.lines.isEmpty());
    EXPECT_EQ(run.lines.last(), kDone);
    EXPECT_TRUE(runProgram(VERANTU_MACHINE_TOOL, {"export", kWiredKey, "--utf8"}, machine)
                    .out.contains("\"NameServer\"=\"192.168.10.2,192.168.10.3\""));

    QFile result(windows + "/relay4err.txt");
    ASSERT_TRUE(result.open(QIODevice::ReadOnly));
    EXPECT_EQ(result.readAll().contains("\nOK"), kind.xp);
    QFile script(windows + "/relay4.bat");
    ASSERT_TRUE(script.open(QIODevice::ReadOnly));
    EXPECT_EQ(script.readAll().contains(" validate=no >>"), !kind.xp);
  }
}

TEST_F(CliSwitchTest, OptionsChooseStepsInterfacesAndRemembering) {
  // Without --yes and without a terminal the answer is No.
  ProcessRun run = cli({"switch", "オフィス"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.lines.last(), kAsk + "n");
  EXPECT_FALSE(workFileExists("relay4.bat"));

  run = cli({"switch", "オフィス", "--steps", "printer, proxy", "--no-remember", "--yes"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.lines.first(), "[ ] ﾈｯﾄﾜｰｸ");
  EXPECT_EQ(run.lines.last(), kDone);
  EXPECT_FALSE(workFileExists("relay4.bat"));
  EXPECT_FALSE(
      exported("HKEY_LOCAL_MACHINE\\Software\\Q\\Tolvik\\Setting\\1\\Data").contains("InitCheck"));

  run = cli({"switch", "オフィス", "--steps", "network", "--interface",
             "ワイヤレス ネットワーク接続", "--yes"});
  EXPECT_EQ(run.code, 0);
  EXPECT_TRUE(run.lines.contains("    [ ] ローカル エリア接続"));
  EXPECT_TRUE(exported("HKEY_LOCAL_MACHINE\\Software\\Q\\Tolvik\\Setting\\1\\Data")
                  .contains("\"InitCheck\"=dword:00000001"));

  EXPECT_EQ(cli({"switch", "オフィス", "--interface", "LAN", "--yes"}).code, 2);
  EXPECT_EQ(cli({"switch", "オフィス", "--steps", "network,dns"}).code, 2);
  EXPECT_EQ(cli({"switch", "オフィス", "--remember", "--no-remember"}).code, 2);
  EXPECT_EQ(cli({"switch"}).code, 2);
  run = cli({"switch", "Home", "--yes"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.lines, QStringList({"エラーメッセージ: この登録名では登録されていません。"}));
}

TEST_F(CliSwitchTest, AFailedSwitchExitsWithOne) {
  // The wired card is unplugged: its netsh commands fail.
  QFile reg(dir.path() + "/unplug.reg");
  ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
  QString hex;
  for (QChar c : QStringLiteral("ローカル エリア接続")) {
    hex += QStringLiteral("%1,%2,")
               .arg(c.unicode() & 0xFF, 2, 16, QChar('0'))
               .arg(c.unicode() >> 8, 2, 16, QChar('0'));
  }
  reg.write(QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n"
                           "[HKEY_LOCAL_MACHINE\\SYSTEM\\Emulation]\r\n"
                           "\"UnavailableInterfaces\"=hex(7):%100,00,00,00\r\n")
                .arg(hex)
                .toUtf8());
  reg.close();
  // What makes the failure matter: the live DNS is not the profile's.
  ASSERT_EQ(tool({"netsh", "interface", "ip", "set", "dns", "name=ローカル エリア接続", "static",
                  "9.9.9.9"})
                .code,
            0);
  ASSERT_EQ(tool({"import", reg.fileName()}).code, 0);

  ProcessRun run = cli({"switch", "オフィス", "--yes", "--steps", "network"});
  EXPECT_EQ(run.code, 1);
  // The step, then the differences as the result file has them.
  const QStringList tail = {
      "ﾈｯﾄﾜｰｸ：切り替えられませんでした（1 項目が指定どおりになっていません）。",
      "※切り替え後に読み直した設定が、指定と違います。",
      "[ローカル エリア接続] DNSｻｰﾊﾞ：指定 192.168.10.2,192.168.10.3 ／ 現在 9.9.9.9",
      "エラーメッセージ: 切り替えが失敗したようです。"
      "「ｵﾌﾟｼｮﾝ」から実行結果を確認してください。"};
  EXPECT_EQ(run.lines.mid(run.lines.size() - tail.size()), tail);
  EXPECT_TRUE(exported("HKEY_LOCAL_MACHINE\\Software\\Q\\Tolvik\\Setting\\1")
                  .contains("\"Count\"=dword:00000001"));
}

// Processes of this user whose environment names `machine` and whose
// command line runs the machine's command interpreter: scripts of a switch.
QList<int> scriptProcesses(const QString& machine) {
  QList<int> found;
  const QByteArray machineEntry = "VERANTU_MACHINE=" + machine.toUtf8();
  for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
    bool number = false;
    const int pid = entry.toInt(&number);
    if (!number) continue;
    QFile environ("/proc/" + entry + "/environ");
    QFile cmdline("/proc/" + entry + "/cmdline");
    if (!environ.open(QIODevice::ReadOnly) || !cmdline.open(QIODevice::ReadOnly)) continue;
    const QList<QByteArray> words = cmdline.readAll().split('\0');
    if (words.size() > 1 && words[1] == "cmd" &&
        environ.readAll().split('\0').contains(machineEntry))
      found << pid;
  }
  return found;
}

// A switch killed while its script runs takes the script with it; another
// switch meanwhile is refused; the next one after the kill runs alone.
TEST_F(CliSwitchTest, ASwitchRunsAloneAndItsScriptDoesNotOutliveIt) {
  QFile reg(dir.path() + "/slow.reg");
  ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
  reg.write(
      "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\SYSTEM\\Emulation]\r\n"
      "\"NetshDelay\"=dword:000001f4\r\n");
  reg.close();
  ASSERT_EQ(tool({"import", reg.fileName()}).code, 0);

  QProcess first;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  env.insert(QStringLiteral("VERANTU_MACHINE"), machine);
  env.insert(QStringLiteral("VERANTU_MACHINE_TOOL"), QStringLiteral(VERANTU_MACHINE_TOOL));
  first.setProcessEnvironment(env);
  first.start(VERANTU_CLI, {"switch", "オフィス", "--yes"});
  first.closeWriteChannel();
  // Until the script has begun its first section (netsh takes 0.5 s each).
  const QString result = machine + "/drive_c/WINDOWS/relay4err.txt";
  QElapsedTimer clock;
  clock.start();
  auto resultText = [&] {
    QFile file(result);
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
  };
  while (!resultText().contains("====") && clock.elapsed() < 20000) QThread::msleep(10);
  ASSERT_TRUE(resultText().contains("====")) << first.readAllStandardError().toStdString();
  ASSERT_FALSE(scriptProcesses(machine).isEmpty());

  ProcessRun second = cli({"switch", "オフィス", "--yes"});
  EXPECT_EQ(second.code, 1);
  EXPECT_EQ(
      second.lines,
      QStringList({"エラーメッセージ: "
                   "他のVerantu!がネットワーク設定を切り替え中のため、切り替えできませんでした"
                   "。 切り替えが終わってからもう一度実行してください。"}));

  ::kill(pid_t(first.processId()), SIGKILL);
  ASSERT_TRUE(first.waitForFinished(5000));
  clock.restart();
  while (!scriptProcesses(machine).isEmpty() && clock.elapsed() < 2000) QThread::msleep(20);
  EXPECT_TRUE(scriptProcesses(machine).isEmpty());

  // The next switch's result file is its own from start to end.
  ProcessRun next = cli({"switch", "オフィス", "--yes"});
  EXPECT_EQ(next.code, 0) << next.err.toStdString();
  const QStringList lines = resultText().split(QStringLiteral("\r\n"), Qt::SkipEmptyParts);
  ASSERT_FALSE(lines.isEmpty());
  EXPECT_TRUE(lines.first().startsWith("s "));
  EXPECT_TRUE(lines.last().startsWith("e "));
  EXPECT_EQ(lines.filter(QRegularExpression("^[se] ")).size(), 2) << resultText().toStdString();
}

TEST_F(CliSwitchTest, ScriptPrintsWhatTheNetworkStepWouldRunAndChangesNothing) {
  ProcessRun run = cli({"script", "オフィス", "--interface", "ワイヤレス ネットワーク接続"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out,
            "echo s ○○○ 切り替え処理の開始 > C:\\WINDOWS\\relay4err.txt\n"
            "echo ====  1 [ワイヤレス ネットワーク接続] DNS の設定 === >> "
            "C:\\WINDOWS\\relay4err.txt\n"
            "netsh interface ip set dns name=\"ワイヤレス ネットワーク接続\" static none >> "
            "C:\\WINDOWS\\relay4err.txt\n"
            "echo e ○○○ 切り替え処理の終了 >> C:\\WINDOWS\\relay4err.txt\n");
  EXPECT_TRUE(run.lines.isEmpty());

  run = cli({"script", "オフィス"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out.count("\nnetsh "), 6);
  EXPECT_FALSE(workFileExists("relay4.bat"));
  EXPECT_FALSE(exported("HKEY_LOCAL_MACHINE\\Software\\Q\\Tolvik\\Setting\\1").contains("Count"));

  EXPECT_EQ(cli({"script", "オフィス", "--interface", "LAN"}).code, 2);
  EXPECT_EQ(cli({"script", "Home"}).code, 1);
}

TEST_F(CliSwitchTest, ConnectionNamesWithAmpersandAndPercentSwitchTheirInterfaces) {
  const QString network = QStringLiteral(
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Control\\Network\\"
      "{4D36E972-E325-11CE-BFC1-08002BE10318}\\%1\\Connection]\r\n\"Name\"=\"%2\"\r\n\r\n");
  QFile reg(dir.path() + "/names.reg");
  ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
  reg.write((QStringLiteral("Windows Registry Editor Version 5.00\r\n\r\n") +
             network.arg("{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}", "R&D LAN") +
             network.arg("{C1D7E4B9-2A63-4E58-B0F4-7A91D2C6E835}", "100% 無線"))
                .toUtf8());
  reg.close();
  ASSERT_EQ(tool({"import", reg.fileName()}).code, 0);
  ASSERT_EQ(cli({"capture", "研究所", "--yes"}).code, 0);
  ASSERT_EQ(tool({"netsh", "interface", "ip", "set", "address", "name=R&D LAN", "dhcp"}).code, 0);
  ASSERT_EQ(
      tool({"netsh", "interface", "ip", "set", "dns", "name=100% 無線", "static", "9.9.9.9"}).code,
      0);

  ProcessRun run = cli({"switch", "研究所", "--steps", "network", "--yes"});
  EXPECT_EQ(run.code, 0) << run.out.toStdString();
  EXPECT_EQ(run.lines.last(), kDone);
  const QString wired = exported(kWiredKey);
  EXPECT_TRUE(wired.contains("\"EnableDHCP\"=dword:00000000"));
  EXPECT_TRUE(wired.contains("\"NameServer\"=\"192.168.10.2,192.168.10.3\""));
  EXPECT_TRUE(exported(QStringLiteral("HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\"
                                      "Tcpip\\Parameters\\Interfaces\\"
                                      "{C1D7E4B9-2A63-4E58-B0F4-7A91D2C6E835}"))
                  .contains("\"NameServer\"=\"\""));
  // The result file shows the names as they are.
  QFile result(machine + "/drive_c/WINDOWS/relay4err.txt");
  ASSERT_TRUE(result.open(QIODevice::ReadOnly));
  const QByteArray text = result.readAll();
  EXPECT_TRUE(text.contains("[R&D LAN]"));
  EXPECT_TRUE(text.contains("[100% "));
}

}  // namespace
