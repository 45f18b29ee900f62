// Opening documents and addresses on the emulated machine: what reaches the
// desktop's opener, and the results ShellExecuteA gives.
#include "platform/emulated/emulated_shell.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QThread>

#include <cstdlib>
#include <fstream>
#include <string>

#include "tests/support/test_machine.h"

namespace {

class EmulatedShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // An opener that records its argument, one line per start.
    std::ofstream script(opener.toStdString());
    script << "#!/bin/sh\nprintf '%s\\n' \"$1\" >> '" << record.toStdString() << "'\n";
    script.close();
    QFile::setPermissions(opener, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    setenv("VERANTU_OPENER", opener.toLocal8Bit().constData(), 1);
  }
  void TearDown() override { unsetenv("VERANTU_OPENER"); }

  std::intptr_t open(const char* file, const char* verb = "open") {
    return reinterpret_cast<std::intptr_t>(
        m.machine().shell().ShellExecuteA(nullptr, verb, file, nullptr, nullptr, SW_SHOWNORMAL));
  }
  // The lines recorded once `count` starts have written theirs.
  QStringList recorded(int count) {
    QStringList lines;
    for (int tries = 0; tries < 500 && lines.size() < count; ++tries) {
      QThread::msleep(10);
      QFile file(record);
      if (file.open(QIODevice::ReadOnly))
        lines = QString::fromUtf8(file.readAll()).split('\n', Qt::SkipEmptyParts);
    }
    return lines;
  }

  testing_support::TestMachine m;
  QTemporaryDir dir;
  QString opener = dir.path() + "/opener";
  QString record = dir.path() + "/record";
};

TEST_F(EmulatedShellTest, OpensDriveCFilesByHostPathAndAddressesAsTheyAre) {
  QString folder = QString::fromStdString(m.folder()) + "/drive_c/Program Files/Verantu";
  ASSERT_TRUE(QDir().mkpath(folder));
  QFile manual(folder + "/verantu.pdf");
  ASSERT_TRUE(manual.open(QIODevice::WriteOnly));
  manual.close();

  EXPECT_GT(open("C:\\PROGRAM FILES\\verantu\\VERANTU.PDF"), 32);
  // The openers run detached: let the first one write before the second starts.
  EXPECT_EQ(recorded(1).size(), 1);
  EXPECT_GT(open("https://example.org/verantu/", nullptr), 32);
  EXPECT_EQ(recorded(2), QStringList({folder + "/verantu.pdf", "https://example.org/verantu/"}));

  EXPECT_EQ(open("C:\\Program Files\\Verantu\\missing.pdf"), 2);
  EXPECT_EQ(open("D:\\verantu.pdf"), 2);
  EXPECT_LE(open("C:\\Program Files\\Verantu\\verantu.pdf", "print"), 32);
  setenv("VERANTU_OPENER", (dir.path() + "/no-such-opener").toLocal8Bit().constData(), 1);
  EXPECT_EQ(open("https://example.org/"), 2);
}

}  // namespace
