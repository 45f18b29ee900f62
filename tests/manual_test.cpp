// The user manual the Help menu opens: laid out at build time, refused when
// its font cannot show the text, and put by verantu-machine init where the
// program looks for it ("<InsDir>verantu.pdf").
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <memory>
#include <string>

#include "platform/emulated/emulated_machine.h"

namespace {

struct ToolResult {
  int exitCode = -1;
  std::string err;
};

ToolResult runTool(const QString& program, const QStringList& args, const QString& machine = {}) {
  QProcess process;
  QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
  if (!machine.isEmpty()) env.insert("VERANTU_MACHINE", machine);
  process.setProcessEnvironment(env);
  process.start(program, args);
  EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
  ToolResult result;
  result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  result.err = process.readAllStandardError().toStdString();
  return result;
}

QByteArray readAll(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isCompletePdf(const QByteArray& bytes) {
  return bytes.startsWith("%PDF-") && bytes.right(16).contains("%%EOF");
}

// The host path of "<InsDir>verantu.pdf" on the machine, read as the Help
// menu reads it; empty when the machine records no installation folder.
QString manualOnMachine(const QString& folder) {
  std::string error;
  auto machine = emu::EmulatedMachine::open(folder.toStdString(), &error);
  EXPECT_TRUE(machine) << error;
  if (!machine) return {};
  win::HKEY key = nullptr;
  if (machine->registry().RegOpenKeyExA(HKEY_LOCAL_MACHINE, "Software\\Q\\Tolvik", 0, KEY_READ,
                                        &key) != ERROR_SUCCESS)
    return {};
  char insDir[256] = {};
  win::DWORD size = sizeof insDir - 1;
  win::LONG status = machine->registry().RegQueryValueExA(
      key, "InsDir", nullptr, nullptr, reinterpret_cast<win::BYTE*>(insDir), &size);
  (void)machine->registry().RegCloseKey(key);
  if (status != ERROR_SUCCESS) return {};
  return QString::fromStdString(machine->files().hostPath(std::string(insDir) + "verantu.pdf"));
}

class Manual : public ::testing::Test {
 protected:
  QString machine() const { return dir_.path() + "/machine"; }
  ToolResult init(const QStringList& args) {
    return runTool(VERANTU_MACHINE_TOOL, QStringList{"init"} + args, machine());
  }
  QString file(const char* name, const QByteArray& bytes) {
    QString path = dir_.path() + "/" + name;
    QFile out(path);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write(bytes);
    return path;
  }

  QTemporaryDir dir_;
};

}  // namespace

TEST_F(Manual, TheSampleMachineHoldsTheBuiltManualWhereHelpLooks) {
  const QByteArray built = readAll(VERANTU_MANUAL_PDF);
  ASSERT_TRUE(isCompletePdf(built)) << "the build did not lay out " << VERANTU_MANUAL_PDF;

  ToolResult created = init({});
  ASSERT_EQ(created.exitCode, 0) << created.err;
  const QString expected = machine() + "/drive_c/Program Files/Verantu/verantu.pdf";
  ASSERT_TRUE(QFile::exists(expected));
  EXPECT_EQ(QDir::cleanPath(manualOnMachine(machine())), QDir::cleanPath(expected));
  EXPECT_EQ(readAll(expected), built);

  // Replacing the machine with one without the program leaves no manual;
  // replacing it again brings the manual back.
  ASSERT_EQ(init({"--template", "bare", "--force"}).exitCode, 0);
  EXPECT_FALSE(QFile::exists(expected));
  EXPECT_TRUE(manualOnMachine(machine()).isEmpty());
  ASSERT_EQ(init({"--template", "notebook", "--force"}).exitCode, 0);
  EXPECT_EQ(readAll(expected), built);
}

TEST_F(Manual, AnInstallationFolderOfAnOwnTemplateGetsTheManual) {
  // A Japanese folder name: the registry holds it in the ANSI code page, the
  // host folder is named in UTF-8.
  QString reg = file("own.reg",
                     "Windows Registry Editor Version 5.00\r\n\r\n"
                     "[HKEY_LOCAL_MACHINE\\Software\\Q\\Tolvik]\r\n"
                     "\"InsDir\"=\"C:\\\\ツール\\\\ベラント\\\\\"\r\n");
  ToolResult created = init({"--template", reg});
  ASSERT_EQ(created.exitCode, 0) << created.err;
  const QString path = manualOnMachine(machine());
  EXPECT_EQ(QDir::cleanPath(path),
            QDir::cleanPath(machine() + "/drive_c/ツール/ベラント/verantu.pdf"));
  EXPECT_TRUE(isCompletePdf(readAll(path)));
}

TEST_F(Manual, TheLayoutToolRefusesTextItsFontCannotShow) {
  const QString pdf = dir_.path() + "/out.pdf";
  QString fine = file("fine.md", "# 目次\n\nﾈｯﾄﾜｰｸの設定を切り替えます。\n");
  ToolResult laidOut = runTool(VERANTU_MAKE_MANUAL, {fine, pdf});
  ASSERT_EQ(laidOut.exitCode, 0) << laidOut.err;
  QByteArray bytes = readAll(pdf);
  EXPECT_TRUE(isCompletePdf(bytes));
  EXPECT_TRUE(bytes.contains("/FontFile2")) << "the font is not embedded";

  // No gothic face for Japanese has the emoji; the manual would show a box.
  QFile::remove(pdf);
  QString emoji = file("emoji.md", "# 目次\n\n切り替え完了 \xF0\x9F\x98\x80\n");
  ToolResult refused = runTool(VERANTU_MAKE_MANUAL, {emoji, pdf});
  EXPECT_EQ(refused.exitCode, 1);
  EXPECT_NE(refused.err.find("no glyphs"), std::string::npos) << refused.err;
  EXPECT_FALSE(QFile::exists(pdf));

  ToolResult missing = runTool(VERANTU_MAKE_MANUAL, {dir_.path() + "/none.md", pdf});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_FALSE(QFile::exists(pdf));
}
