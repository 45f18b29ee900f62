// verantu-cli end to end: a machine made by verantu-machine, the front end
// run as a child process, its output, message lines and exit codes.
#include <gtest/gtest.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <string>

#include "tests/support/program_run.h"

namespace {

using ProcessRun = testing_support::ProgramRun;
using testing_support::runProgram;

class CliTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(runProgram(VERANTU_MACHINE_TOOL, {"init"}, machine).code, 0); }
  ProcessRun cli(const QStringList& arguments) {
    return runProgram(VERANTU_CLI, arguments, machine);
  }

  QTemporaryDir dir;
  QString machine = dir.path() + "/machine";
};

const QString kAskNew = QStringLiteral(
    "確認メッセージ: 現在のネットワーク設定をコンボボックスに記述された名称で登録します。 "
    "新規に登録します。 [y/N] ");
const QString kCaptured = QStringLiteral("情報メッセージ: 現在のﾈｯﾄﾜｰｸの設定を登録しました。");

TEST_F(CliTest, CaptureListAndDeleteWorkOnTheMachine) {
  ProcessRun run = cli({"capture", "オフィス", "--yes"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.lines, QStringList({kAskNew + "y", kCaptured}));
  EXPECT_EQ(cli({"capture", "--yes", "Home"}).code, 0);

  run = cli({"capture", "オフィス", "--yes"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.lines.value(0),
            "確認メッセージ: 現在のネットワーク設定をコンボボックスに記述された名称で登録します。 "
            "登録名は既に使用されていますが上書きしますか？ [y/N] y");

  run = cli({"list"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "オフィス\nHome\n");

  run = cli({"delete", "オフィス", "--yes"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.lines,
            QStringList({"確認メッセージ: リストに表示されている登録を削除しますか？ [y/N] y",
                         "情報メッセージ: 登録を抹消しました。"}));
  EXPECT_EQ(cli({"list"}).out, "Home\n");
}

TEST_F(CliTest, QuestionsAreAnsweredNoWithoutATerminal) {
  ProcessRun run = cli({"capture", "Home"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.lines, QStringList({kAskNew + "n"}));
  run = cli({"list"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "");
}

TEST_F(CliTest, ErrorsEndWith1AndUsageErrorsWith2) {
  ProcessRun run = cli({"capture", ""});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.lines, QStringList({"エラーメッセージ: 登録名を入力してください。"}));
  run = cli({"delete", "Nowhere", "--yes"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.lines, QStringList({"エラーメッセージ: この登録名では登録されていません。"}));
  EXPECT_EQ(cli({"capture", QString(256, 'a'), "--yes"}).code, 1);

  for (const QStringList& usage : {QStringList{}, QStringList{"frobnicate"}, QStringList{"capture"},
                                   QStringList{"delete", "a", "b"}, QStringList{"list", "--bogus"},
                                   QStringList{"capture", "絵文字😀"}})
    EXPECT_EQ(cli(usage).code, 2) << usage.join(' ').toStdString();
  EXPECT_EQ(cli({"list"}).out, "");

  run = runProgram(VERANTU_CLI, {"list"}, dir.path() + "/none");
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.lines.size(), 1);
}

TEST_F(CliTest, UsageErrorsSayWhatIsWrongAndWhereTheHelpIs) {
  struct Case {
    QStringList arguments;
    const char* line;
  };
  const Case cases[] = {
      {{"list", "--bogus"},
       "verantu-cli: list: Unknown option 'bogus'. (see: verantu-cli list --help)"},
      {{"capture", "-xy", "T"},
       "verantu-cli: capture: Unknown options: x, y. (see: verantu-cli capture --help)"},
      {{"capture", "--yes=1", "T"},
       "verantu-cli: capture: Unexpected value after '--yes'. (see: verantu-cli capture --help)"},
      {{"switch", "T", "--steps"},
       "verantu-cli: switch: Missing value after '--steps'. (see: verantu-cli switch --help)"},
      {{"switch", "T", "--steps", "network,dns"},
       "verantu-cli: switch: --steps takes a comma list of network, printer, proxy and domain "
       "(see: verantu-cli switch --help)"},
      {{"capture"}, "verantu-cli: capture: TITLE is missing (see: verantu-cli capture --help)"},
      {{"delete", "a", "b"},
       "verantu-cli: delete: only one TITLE is taken (see: verantu-cli delete --help)"},
      {{"list", "x"}, "verantu-cli: list: takes no arguments (see: verantu-cli list --help)"},
      {{"script", "T", "--yes"},
       "verantu-cli: script: Unknown option 'yes'. (see: verantu-cli script --help)"},
  };
  for (const Case& test : cases) {
    ProcessRun run = cli(test.arguments);
    EXPECT_EQ(run.code, 2) << test.line;
    EXPECT_EQ(run.lines, QStringList({QString::fromUtf8(test.line)}));
  }

  ProcessRun run = cli({"frobnicate"});
  EXPECT_EQ(run.code, 2);
  EXPECT_EQ(run.lines.value(0), "verantu-cli: unknown command \"frobnicate\"");
  EXPECT_EQ(run.lines.value(1), "Usage: verantu-cli COMMAND [options] [arguments]");
}

TEST_F(CliTest, AValueIsTakenAsGivenEvenWhenItLooksLikeAnOption) {
  // The value after --steps is "--yes", not the flag; "--" ends the options.
  ProcessRun run = cli({"switch", "T", "--steps", "--yes"});
  EXPECT_EQ(run.code, 2);
  EXPECT_TRUE(run.err.contains("--steps takes a comma list")) << run.err.toStdString();
  run = cli({"capture", "--", "--yes"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(run.lines, QStringList({kAskNew + "n"}));
  // Brackets and commas are part of a title, not a list.
  EXPECT_EQ(cli({"capture", "[a,b]", "--yes"}).code, 0);
  EXPECT_EQ(cli({"capture", "--yes", "[]"}).code, 0);
  EXPECT_EQ(cli({"list"}).out, "[a,b]\n[]\n");
  run = cli({"script", "[a,b]", "--interface", "[LAN]"});
  EXPECT_EQ(run.code, 2);
  EXPECT_TRUE(run.err.contains("no interface \"[LAN]\"")) << run.err.toStdString();
}

// One title a line: what would break a line or hide a character is escaped.
TEST_F(CliTest, ListEscapesControlCharactersAndBackslashes) {
  for (const char* title : {"two\nlines", "C:\\dir", "ctl\x1A\x7F", "tab\tcr\r"})
    ASSERT_EQ(cli({"capture", QString::fromUtf8(title), "--yes"}).code, 0) << title;
  EXPECT_EQ(cli({"list"}).out, "two\\nlines\nC:\\\\dir\nctl\\u001a\\u007f\ntab\\tcr\\r\n");
}

TEST_F(CliTest, HelpAndVersion) {
  ProcessRun run = cli({"--version"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "Verantu! 3.30\n");
  EXPECT_TRUE(run.lines.isEmpty());

  run = cli({"--help"});
  EXPECT_EQ(run.code, 0);
  EXPECT_TRUE(
      run.out.startsWith("Usage: verantu-cli COMMAND [options] [arguments]\n"
                         "       verantu-cli --version\n"))
      << run.out.toStdString();
  for (const char* verb : {"list", "capture", "delete", "switch", "script", "show"})
    EXPECT_TRUE(run.out.contains(QStringLiteral("\n  %1 ").arg(verb))) << verb;

  run = cli({"switch", "--help"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out,
            "Usage: verantu-cli switch [options] TITLE\n"
            "Applies the profile TITLE to the machine: its network interfaces, default printer, "
            "proxy settings and domain or workgroup, as the switch button does.\n"
            "\n"
            "Options:\n"
            "  -h, --help          Displays help for this command.\n"
            "  --yes               Answers Yes to every question.\n"
            "  --steps <LIST>      The steps to apply, a comma list of network, printer,\n"
            "                      proxy and domain (default: the ones remembered for the\n"
            "                      profile, else network,printer,proxy).\n"
            "  --interface <NAME>  Ticks only the interface with connection name NAME\n"
            "                      (repeatable; default: every interface of the profile).\n"
            "  --remember          Remembers the steps for the profile (the default).\n"
            "  --no-remember       Leaves the remembered steps as they are.\n"
            "\n"
            "Arguments:\n"
            "  TITLE               The profile's title.\n");
  // Help wins over everything but a malformed command line.
  EXPECT_EQ(cli({"delete", "-h", "a", "b"}).code, 0);
  EXPECT_EQ(cli({"delete", "-h", "--bogus"}).code, 2);
}

}  // namespace
