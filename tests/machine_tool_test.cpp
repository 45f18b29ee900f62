// verantu-machine run as the user runs it: a child process on a machine in a
// temporary folder.
#include <gtest/gtest.h>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <algorithm>
#include <string>

namespace {

struct ToolRun {
  int exitCode = -1;
  std::string out;
  std::string err;
};

class MachineTool : public ::testing::Test {
 protected:
  void SetUp() override { machine_ = dir_.path() + "/machine"; }

  ToolRun run(const QStringList& args, const QStringList& environment = {}) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const QString& setting : environment)
      env.insert(setting.section('=', 0, 0), setting.section('=', 1));
    env.insert("VERANTU_MACHINE", machine_);
    process.setProcessEnvironment(env);
    process.start(VERANTU_MACHINE_TOOL, args);
    EXPECT_TRUE(process.waitForFinished(30000)) << args.join(' ').toStdString();
    ToolRun result;
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.out = process.readAllStandardOutput().toStdString();
    result.err = process.readAllStandardError().toStdString();
    return result;
  }

  QString file(const char* name, const std::string& bytes) {
    QString path = dir_.path() + "/" + name;
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes.data(), qint64(bytes.size()));
    return path;
  }

  QByteArray registryBytes() {
    QFile db(machine_ + "/registry.db");
    return db.open(QIODevice::ReadOnly) ? db.readAll() : QByteArray();
  }

  std::string exportAll() {
    ToolRun r = run({"export", "--utf8"});
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return r.out;
  }

  QTemporaryDir dir_;
  QString machine_;
};

}  // namespace

TEST_F(MachineTool, InitRefusesToReplaceAMachineWithoutForce) {
  ToolRun first = run({"init"});
  ASSERT_EQ(first.exitCode, 0) << first.err;
  ToolRun q = run({"export", "HKEY_LOCAL_MACHINE\\Software\\Q", "--utf8"});
  EXPECT_NE(q.out.find("\"InsDir\"=\"C:\\\\Program Files\\\\Verantu\\\\\""), std::string::npos);

  QByteArray before = registryBytes();
  ToolRun again = run({"init", "--template", "bare"});
  EXPECT_EQ(again.exitCode, 1);
  EXPECT_NE(again.err.find("--force"), std::string::npos) << again.err;
  EXPECT_EQ(registryBytes(), before);

  ToolRun forced = run({"init", "--template", "bare", "--force"});
  ASSERT_EQ(forced.exitCode, 0) << forced.err;
  ToolRun gone = run({"export", "HKLM\\Software\\Q"});
  EXPECT_EQ(gone.exitCode, 1);
  EXPECT_NE(gone.err.find("no such key"), std::string::npos) << gone.err;
}

TEST_F(MachineTool, InitFromAFileAndUsageErrors) {
  QString reg = file("own.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\Own]\r\n\"v\"=dword:7\r\n");
  ASSERT_EQ(run({"init", "--template", reg}).exitCode, 0);
  EXPECT_NE(exportAll().find("\"v\"=dword:00000007"), std::string::npos);

  EXPECT_EQ(run({"init", "--template", "laptop", "--force"}).exitCode, 2);
  EXPECT_EQ(run({"frobnicate"}).exitCode, 2);
  EXPECT_EQ(run({}).exitCode, 2);
  EXPECT_EQ(run({"export", "--utf8", "--regedit4"}).exitCode, 2);
  EXPECT_EQ(run({"import"}).exitCode, 2);
  EXPECT_EQ(run({"export", "HKEY_USERS\\x"}).exitCode, 2);
}

TEST_F(MachineTool, InitMakesTheNotebookAWindows10Machine) {
  EXPECT_EQ(run({"init", "--windows", "95"}).exitCode, 2);
  ToolRun init = run({"init", "--template", "notebook", "--windows", "10"}, {"VERANTU_ELEVATED=0"});
  ASSERT_EQ(init.exitCode, 0) << init.err;
  ToolRun version = run(
      {"export", "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "--utf8"});
  for (const char* line :
       {"\"CurrentVersion\"=\"6.3\"", "\"CurrentMajorVersionNumber\"=dword:0000000a",
        "\"CurrentMinorVersionNumber\"=dword:00000000", "\"SystemRoot\"=\"C:\\\\Windows\""})
    EXPECT_NE(version.out.find(line), std::string::npos) << line;
  EXPECT_EQ(version.out.find("CSDVersion"), std::string::npos);
  EXPECT_TRUE(QFile::exists(machine_ + "/drive_c/Windows"));
  // The profiles' program is installed as on the XP notebook.
  EXPECT_NE(run({"export", "HKEY_LOCAL_MACHINE\\Software\\Q\\Tolvik", "--utf8"}).out.find("InsDir"),
            std::string::npos);

  // Its netsh speaks as Windows 10's does, and refuses a standard user.
  const QStringList dns = {"netsh",  "interface", "ip", "set", "dns", "name=ローカル エリア接続",
                           "static", "10.9.9.9"};
  ToolRun standard = run(dns, {"VERANTU_ELEVATED=0"});
  EXPECT_EQ(standard.exitCode, 1);
  EXPECT_EQ(standard.out, "The requested operation requires elevation (Run as administrator).\n");
  ToolRun unchecked = run(dns + QStringList{"validate=no"});
  EXPECT_EQ(unchecked.exitCode, 0) << unchecked.err;
  EXPECT_EQ(unchecked.out, "\n");
}

TEST_F(MachineTool, ImportOfAMalformedFileNamesTheLineAndChangesNothing) {
  ASSERT_EQ(run({"init", "--template", "bare"}).exitCode, 0);
  std::string before = exportAll();
  QByteArray dbBefore = registryBytes();
  QString bad = file("bad.reg",
                     "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[-HKEY_LOCAL_MACHINE\\SOFTWARE]\r\n"
                     "[HKEY_CURRENT_USER\\New]\r\n"
                     "\"a\"=\"1\"\r\n"
                     "\"b\"=hex:01,\\\r\n"
                     "  02,x3\r\n");
  ToolRun r = run({"import", bad});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("bad.reg:7: bad hex byte \"x3\""), std::string::npos) << r.err;
  EXPECT_EQ(exportAll(), before);
  EXPECT_EQ(registryBytes(), dbBefore);
}

TEST_F(MachineTool, ImportPastAWindowsLimitNamesTheLineAndChangesNothing) {
  ASSERT_EQ(run({"init", "--template", "bare"}).exitCode, 0);
  std::string before = exportAll();
  std::string deep = "[HKEY_CURRENT_USER\\x";
  for (int i = 1; i < 600; ++i) deep += "\\x";
  QString tooDeep = file(
      "deep.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\New]\r\n\"a\"=\"1\"\r\n" + deep + "]\r\n");
  ToolRun r = run({"import", tooDeep});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.err.find("deep.reg:5: the key path is 600 levels deep"), std::string::npos) << r.err;
  EXPECT_EQ(exportAll(), before);
}

TEST_F(MachineTool, ImportAndExportInEachFormat) {
  ASSERT_EQ(run({"init", "--template", "bare"}).exitCode, 0);
  QString reg = file("good.reg",
                     "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_CURRENT_USER\\Software\\Q]\r\n"
                     "\"Name\"=\"ワイヤレス ネットワーク接続\"\r\n");
  ToolRun imported = run({"import", reg});
  ASSERT_EQ(imported.exitCode, 0) << imported.err;

  QString out = dir_.path() + "/out.reg";
  ASSERT_EQ(run({"export", "HKEY_CURRENT_USER\\software\\q", "-o", out}).exitCode, 0);
  QFile written(out);
  ASSERT_TRUE(written.open(QIODevice::ReadOnly));
  QByteArray bytes = written.readAll();
  ASSERT_TRUE(bytes.startsWith("\xFF\xFE"));  // UTF-16LE with BOM, as regedit writes
  const std::string expected =
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Q]\r\n"
      "\"Name\"=\"ワイヤレス ネットワーク接続\"\r\n\r\n";
  EXPECT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(bytes.constData() + 2),
                               (bytes.size() - 2) / 2)
                .toStdString(),
            expected);

  ToolRun ansi = run({"export", "HKCU\\Software\\Q", "--regedit4"});
  ASSERT_EQ(ansi.exitCode, 0) << ansi.err;
  EXPECT_NE(ansi.out.find("\"Name\"=\"\x83\x8F\x83\x43\x83\x84\x83\x8C\x83\x58 "),
            std::string::npos);

  // The whole machine survives a trip through a file and a fresh machine.
  std::string whole = exportAll();
  QString copy = file("whole.reg", whole);
  ASSERT_EQ(run({"init", "--template", copy, "--force"}).exitCode, 0);
  EXPECT_EQ(exportAll(), whole);
}

TEST_F(MachineTool, ADamagedRegistryIsReportedAndLeftAlone) {
  EXPECT_EQ(run({"export"}).exitCode, 1);  // no machine yet
  ASSERT_EQ(run({"init", "--template", "bare"}).exitCode, 0);
  QByteArray garbage(8192, '\0');
  for (int i = 0; i < garbage.size(); ++i) garbage[i] = char((i * 131 + 7) & 0xFF);
  {
    QFile db(machine_ + "/registry.db");
    ASSERT_TRUE(db.open(QIODevice::WriteOnly | QIODevice::Truncate));
    db.write(garbage);
  }
  QString reg = file("ok.reg", "REGEDIT4\r\n\r\n[HKEY_CURRENT_USER\\X]\r\n");
  for (const QStringList& args : {QStringList{"export"}, QStringList{"import", reg}}) {
    ToolRun r = run(args);
    EXPECT_EQ(r.exitCode, 1) << args.join(' ').toStdString();
    EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
    EXPECT_NE(r.err.find("registry.db"), std::string::npos) << r.err;
    EXPECT_TRUE(r.out.empty());
    EXPECT_EQ(registryBytes(), garbage);
  }
}
