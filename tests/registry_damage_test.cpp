// A registry.db with a damaged page: writing commands refuse it and leave it
// byte for byte as it was; `verantu-machine check` names the damage.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QFile>
#include <QTemporaryDir>

#include <string>

#include "platform/emulated/emulated_machine.h"
#include "tests/support/program_run.h"

namespace {

using testing_support::ProgramRun;
using testing_support::runProgram;

class RegistryDamage : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = dir_.path() + "/machine";
    ASSERT_EQ(runProgram(VERANTU_MACHINE_TOOL, {"init"}, machine_).code, 0);
    registryPath_ = (machine_ + "/registry.db").toStdString();
  }

  // The page where SQLite keeps the root of the table of keys: every path
  // lookup starts there.
  int keysRootPage() {
    sqlite3* db = nullptr;
    int page = 0;
    if (sqlite3_open_v2(registryPath_.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
      sqlite3_stmt* stmt = nullptr;
      sqlite3_prepare_v2(db, "SELECT rootpage FROM sqlite_schema WHERE name = 'keys'", -1, &stmt,
                         nullptr);
      if (sqlite3_step(stmt) == SQLITE_ROW) page = sqlite3_column_int(stmt, 0);
      sqlite3_finalize(stmt);
    }
    sqlite3_close(db);
    return page;
  }

  // Zeroes one page of the file, as a bad sector or a stray write would.
  void zeroPage(int page) {
    QByteArray bytes = fileBytes();
    ASSERT_GT(bytes.size(), 100);
    int pageSize =
        (static_cast<unsigned char>(bytes[16]) << 8) | static_cast<unsigned char>(bytes[17]);
    if (pageSize == 1) pageSize = 65536;
    ASSERT_GE(qsizetype(page) * pageSize, pageSize);
    ASSERT_LE(qsizetype(page) * pageSize, bytes.size());
    bytes.replace((page - 1) * pageSize, pageSize, QByteArray(pageSize, '\0'));
    QFile file(QString::fromStdString(registryPath_));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(file.write(bytes), bytes.size());
  }

  QByteArray fileBytes() {
    QFile file(QString::fromStdString(registryPath_));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }

  QTemporaryDir dir_;
  QString machine_;
  std::string registryPath_;
};

TEST_F(RegistryDamage, ASoundRegistryPassesBothChecks) {
  std::string error;
  EXPECT_NE(emu::EmulatedMachine::open(machine_.toStdString(), &error), nullptr) << error;
  ProgramRun check = runProgram(VERANTU_MACHINE_TOOL, {"check"}, machine_);
  EXPECT_EQ(check.code, 0) << check.err.toStdString();
  EXPECT_TRUE(check.out.startsWith("ok")) << check.out.toStdString();
}

TEST_F(RegistryDamage, AZeroedPageIsRefusedForWritingAndLeftAsItIs) {
  int page = keysRootPage();
  ASSERT_GT(page, 1);
  zeroPage(page);
  const QByteArray damaged = fileBytes();

  std::string error;
  EXPECT_EQ(emu::EmulatedMachine::open(machine_.toStdString(), &error), nullptr);
  EXPECT_NE(error.find("registry"), std::string::npos) << error;
  EXPECT_NE(error.find("damaged"), std::string::npos) << error;
  EXPECT_EQ(fileBytes(), damaged);
  // Reading stays possible, so what is left can still be looked at.
  EXPECT_NE(emu::EmulatedMachine::open(machine_.toStdString(), &error, emu::OpenFor::Reading),
            nullptr)
      << error;

  QFile reg(dir_.path() + "/one.reg");
  ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
  reg.write("REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Added]\r\n\"V\"=\"1\"\r\n");
  reg.close();
  struct Writer {
    const char* program;
    QStringList arguments;
  };
  for (const Writer& writer : {Writer{VERANTU_CLI, {"capture", "Office", "--yes"}},
                               Writer{VERANTU_CLI, {"delete", "Office", "--yes"}},
                               Writer{VERANTU_MACHINE_TOOL, {"import", reg.fileName()}},
                               Writer{VERANTU_MACHINE_TOOL,
                                      {"netsh", "interface", "ip", "set", "dns",
                                       "name=\"ローカル エリア接続\"", "static", "10.0.0.1"}}}) {
    ProgramRun run = runProgram(writer.program, writer.arguments, machine_);
    SCOPED_TRACE(writer.arguments.join(' ').toStdString());
    EXPECT_EQ(run.code, 1) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("registry")) << run.err.toStdString();
    EXPECT_TRUE(run.err.contains("damaged")) << run.err.toStdString();
    EXPECT_EQ(fileBytes(), damaged);
  }

  ProgramRun check = runProgram(VERANTU_MACHINE_TOOL, {"check"}, machine_);
  EXPECT_EQ(check.code, 1);
  EXPECT_TRUE(check.err.contains("damaged")) << check.err.toStdString();
  EXPECT_GE(check.lines.size(), 2) << check.err.toStdString();  // the verdict and a finding
  EXPECT_TRUE(check.out.isEmpty());
  EXPECT_EQ(fileBytes(), damaged);
}

}  // namespace
