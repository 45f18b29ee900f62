// verantu-cli's start-up checks: before any command
// the system version and the installation, with the window's texts as
// message lines and exit code 1; the command line never creates the root
// key that only the installation creates. --help and --version need
// neither.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "tests/support/program_run.h"

namespace {

using testing_support::ProgramRun;
using testing_support::runProgram;

const QString kInstall = QStringLiteral("エラーメッセージ: 正しくインストールしてください。");
const QString kAdministrator = QStringLiteral(
    "エラーメッセージ: この操作には管理者権限が必要です。 管理者として実行してください。");
const QString kVersion =
    QStringLiteral("エラーメッセージ: このプログラムはＷｉｎｄｏｗｓ２０００/ＸＰ専用です。");

// Every verb with arguments it would otherwise act on.
const QList<QStringList> kEveryVerb = {
    {"list"},
    {"capture", "オフィス", "--yes"},
    {"delete", "オフィス", "--yes"},
    {"switch", "オフィス", "--yes"},
    {"switch", "オフィス", "--steps", "printer", "--yes"},
    {"script", "オフィス"},
    {"show"},
    {"show", "--json"},
    {"show", "オフィス"},
};

class CliStartupTest : public ::testing::Test {
 protected:
  ProgramRun cli(const QStringList& arguments, const QStringList& environment = {}) {
    return runProgram(VERANTU_CLI, arguments, machine, environment);
  }
  ProgramRun tool(const QStringList& arguments) {
    return runProgram(VERANTU_MACHINE_TOOL, arguments, machine);
  }
  // Whether the registry holds HKLM\Software\Q (the program's key and its
  // parent) in any spelling.
  bool hasProgramKey() {
    ProgramRun run = tool({"export", "HKEY_LOCAL_MACHINE\\SOFTWARE", "--utf8"});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    return run.out.contains("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Q]", Qt::CaseInsensitive) ||
           run.out.contains("[HKEY_LOCAL_MACHINE\\SOFTWARE\\Q\\", Qt::CaseInsensitive);
  }
  void import(const QString& regText) {
    QFile reg(dir.path() + "/change.reg");
    ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
    reg.write(("Windows Registry Editor Version 5.00\r\n\r\n" + regText).toUtf8());
    reg.close();
    ASSERT_EQ(tool({"import", reg.fileName()}).code, 0);
  }

  QTemporaryDir dir;
  QString machine = dir.path() + "/machine";
};

TEST_F(CliStartupTest, EveryVerbRefusesAMachineWithoutTheInstallation) {
  ASSERT_EQ(tool({"init", "--template", "bare"}).code, 0);
  ASSERT_FALSE(hasProgramKey());
  for (const QStringList& arguments : kEveryVerb) {
    ProgramRun run = cli(arguments);
    const std::string what = arguments.join(' ').toStdString();
    EXPECT_EQ(run.code, 1) << what;
    EXPECT_EQ(run.lines, QStringList({kInstall})) << what;
    EXPECT_EQ(run.out, "") << what;
  }
  EXPECT_FALSE(hasProgramKey());
}

TEST_F(CliStartupTest, AStandardUserMayReadButNotChange) {
  ASSERT_EQ(tool({"init", "--windows", "10"}).code, 0);
  ASSERT_EQ(cli({"capture", "オフィス", "--yes"}).code, 0);
  const QString before = tool({"export", "--utf8"}).out;
  for (const QStringList& arguments : kEveryVerb) {
    ProgramRun run = cli(arguments, {"VERANTU_ELEVATED=0"});
    const std::string what = arguments.join(' ').toStdString();
    const bool changes = QStringList({"capture", "delete", "switch"}).contains(arguments.front());
    EXPECT_EQ(run.code, changes ? 1 : 0) << what << run.err.toStdString();
    if (changes) {
      EXPECT_EQ(run.lines, QStringList({kAdministrator})) << what;
      EXPECT_EQ(run.out, "") << what;
    }
  }
  EXPECT_EQ(tool({"export", "--utf8"}).out, before);
}

TEST_F(CliStartupTest, HelpVersionAndUsageErrorsNeedNoInstallation) {
  ASSERT_EQ(tool({"init", "--template", "bare"}).code, 0);
  ProgramRun run = cli({"capture", "--help"});
  EXPECT_EQ(run.code, 0);
  EXPECT_TRUE(run.out.startsWith("Usage: verantu-cli capture [options] TITLE\n"));
  run = cli({"--version"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "Verantu! 3.30\n");
  // The command line is checked before the machine.
  EXPECT_EQ(cli({"capture"}).code, 2);
  EXPECT_EQ(cli({"list", "--bogus"}).code, 2);
  EXPECT_FALSE(hasProgramKey());
}

TEST_F(CliStartupTest, EveryVerbRefusesWindowsBefore2000BeforeTheInstallation) {
  ASSERT_EQ(tool({"init"}).code, 0);
  ASSERT_EQ(cli({"capture", "オフィス", "--yes"}).code, 0);
  import(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
      "\"CurrentVersion\"=\"4.0\"\r\n");
  for (const QStringList& arguments : kEveryVerb) {
    ProgramRun run = cli(arguments);
    const std::string what = arguments.join(' ').toStdString();
    EXPECT_EQ(run.code, 1) << what;
    EXPECT_EQ(run.lines, QStringList({kVersion})) << what;
  }
  // Nothing was deleted or switched.
  import(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
      "\"CurrentVersion\"=\"5.1\"\r\n");
  ProgramRun run = cli({"list"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "オフィス\n");
  EXPECT_FALSE(tool({"export", "HKEY_LOCAL_MACHINE\\Software\\Q\\Tolvik\\Setting\\1", "--utf8"})
                   .out.contains("Count"));

  // A version check ahead of the installation check: a bare machine of an
  // older Windows gets the version text alone.
  ASSERT_EQ(tool({"init", "--template", "bare", "--force"}).code, 0);
  import(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
      "\"CurrentVersion\"=\"4.0\"\r\n");
  run = cli({"capture", "オフィス", "--yes"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.lines, QStringList({kVersion}));
  EXPECT_FALSE(hasProgramKey());
}

TEST_F(CliStartupTest, AMachineWithoutAVersionIsRefused) {
  ASSERT_EQ(tool({"init"}).code, 0);
  import(
      "[HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion]\r\n"
      "\"CurrentVersion\"=-\r\n");
  ProgramRun run = cli({"list"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.lines, QStringList({kVersion}));
}

}  // namespace
