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

}  // namespace
