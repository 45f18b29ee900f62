// Store commands of verantu-cli processes on one machine: two at once never
// interleave, and each one's exit code tells what happened to the store; a
// machine folder that cannot be written gets no claim of success.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "tests/support/program_run.h"

namespace {

using testing_support::runProgram;

class StoreCommandCliTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(runProgram(VERANTU_MACHINE_TOOL, {"init"}, machine).code, 0);
    for (const char* title : {"P1", "P2", "P3", "P4"}) {
      ASSERT_EQ(cli({"capture", title, "--yes"}), 0);
      model << title;
    }
  }
  int cli(const QStringList& arguments) { return runProgram(VERANTU_CLI, arguments, machine).code; }
  QStringList list() {
    return runProgram(VERANTU_CLI, {"list"}, machine).out.split('\n', Qt::SkipEmptyParts);
  }
  // Starts verantu-cli without waiting for it.
  std::unique_ptr<QProcess> start(const QStringList& arguments) {
    auto process = std::make_unique<QProcess>();
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VERANTU_MACHINE"), machine);
    process->setProcessEnvironment(env);
    process->start(VERANTU_CLI, arguments);
    process->closeWriteChannel();
    return process;
  }
  static int finish(QProcess& process) {
    EXPECT_TRUE(process.waitForFinished(60000));
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

  QTemporaryDir dir;
  QString machine = dir.path() + "/machine";
  QStringList model;  // the titles the store should hold, in slot order
};

TEST_F(StoreCommandCliTest, TwoProcessesAtOnceDoExactlyWhatTheyReport) {
  int next = 5;
  for (int round = 0; round < 6; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    QStringList a;
    QStringList b;
    const int kind = round % 3;
    const QString newA = QStringLiteral("P%1").arg(next++);
    const QString newB = QStringLiteral("P%1").arg(next++);
    if (kind == 0) {  // a capture and a deletion
      a = {"capture", newA, "--yes"};
      b = {"delete", model.value(1), "--yes"};
    } else if (kind == 1) {  // two deletions
      a = {"delete", model.value(1), "--yes"};
      b = {"delete", model.value(2), "--yes"};
    } else {  // two captures
      a = {"capture", newA, "--yes"};
      b = {"capture", newB, "--yes"};
    }
    auto first = start(a);
    auto second = start(b);
    const int codeA = finish(*first);
    const int codeB = finish(*second);
    EXPECT_EQ(codeA, 0);
    EXPECT_EQ(codeB, 0);

    // What each one reported, applied to the model: deletions take their
    // title out, captures add theirs at the end in whichever order they ran.
    QStringList added;
    for (const auto& [arguments, code] : {std::pair{a, codeA}, std::pair{b, codeB}}) {
      if (code != 0) continue;
      if (arguments[0] == "delete") model.removeOne(arguments[1]);
      if (arguments[0] == "capture") added << arguments[1];
    }
    QStringList stored = list();
    ASSERT_EQ(stored.size(), model.size() + added.size()) << stored.join(' ').toStdString();
    EXPECT_EQ(stored.mid(0, model.size()), model);
    QStringList tail = stored.mid(model.size());
    std::sort(tail.begin(), tail.end());
    std::sort(added.begin(), added.end());
    EXPECT_EQ(tail, added);
    model = stored;
  }
}

TEST_F(StoreCommandCliTest, UnwritableMachineFolderGetsNoClaimOfSuccess) {
  const std::string folder = machine.toStdString();
  ::chmod(folder.c_str(), 0555);
  bool immutable = false;
  if (::geteuid() == 0)
    immutable = std::system(("chattr +i '" + folder + "' 2>/dev/null").c_str()) == 0;
  if (::geteuid() == 0 && !immutable) {
    ::chmod(folder.c_str(), 0755);
    GTEST_SKIP() << "root without chattr: nothing makes the folder read-only";
  }
  testing_support::ProgramRun capture =
      runProgram(VERANTU_CLI, {"capture", "P9", "--yes"}, machine);
  testing_support::ProgramRun removal = runProgram(VERANTU_CLI, {"delete", "P1", "--yes"}, machine);
  if (immutable) std::system(("chattr -i '" + folder + "'").c_str());
  ::chmod(folder.c_str(), 0755);

  EXPECT_EQ(capture.code, 1);
  EXPECT_EQ(removal.code, 1);
  EXPECT_FALSE(capture.err.contains(QStringLiteral("登録しました。"))) << capture.err.toStdString();
  EXPECT_FALSE(removal.err.contains(QStringLiteral("抹消しました。"))) << removal.err.toStdString();
  EXPECT_EQ(list(), model);
}

}  // namespace

// The editor's save as a process of its own: it changes the profile as the
// editor does, the count mode tells its writes, and a process ended after
// any one of them leaves the next command the store as before or as after.
TEST_F(StoreCommandCliTest, EditSavesAsTheEditorAndAStopAnywhereLeavesBeforeOrAfter) {
  namespace fs = std::filesystem;
  const QString setting = "HKEY_LOCAL_MACHINE\\Software\\Q\\Tolvik\\Setting";
  const auto store = [&] {
    return runProgram(VERANTU_MACHINE_TOOL, {"export", setting}, machine).out;
  };
  const fs::path folder = machine.toStdString();
  const fs::path saved = (dir.path() + "/saved").toStdString();
  fs::copy(folder, saved, fs::copy_options::recursive);
  const QString before = store();
  const QStringList edit{"edit", "P2", "--dns", "10.9.8.7", "--yes"};
  const auto counted =
      runProgram(VERANTU_CLI, edit, machine, {"VERANTU_FAULT_INJECTION=count-writes"});
  ASSERT_EQ(counted.code, 0) << counted.err.toStdString();
  const QString after = store();
  EXPECT_NE(after, before);
  EXPECT_TRUE(runProgram(VERANTU_CLI, {"show", "P2"}, machine).out.contains("10.9.8.7"));
  ASSERT_FALSE(counted.lines.isEmpty());
  bool ok = false;
  const int writes = counted.lines.last().section(": ", 1).toInt(&ok);
  ASSERT_TRUE(ok && writes > 3) << counted.err.toStdString();

  for (int n = 1; n <= writes; ++n) {
    SCOPED_TRACE("stopped after write " + std::to_string(n));
    fs::remove_all(folder);
    fs::copy(saved, folder, fs::copy_options::recursive);
    const auto stopped = runProgram(VERANTU_CLI, edit, machine,
                                    {"VERANTU_FAULT_INJECTION=kill-after-writes",
                                     "VERANTU_FAULT_AFTER_WRITES=" + QString::number(n)});
    EXPECT_EQ(stopped.code, 86);
    EXPECT_EQ(cli({"list"}), 0);
    const QString now = store();
    EXPECT_TRUE(now == before || now == after);
  }
}
