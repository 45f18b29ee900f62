// verantu-screenshots, which makes the README's pictures: it must reach every
// window through the main window's commands, and say so when a window could
// not be shown instead of leaving an old or empty picture behind.
#include <gtest/gtest.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSize>
#include <QTemporaryDir>
#include <QtEndian>

#include <string>

namespace {

class ScreenshotTool : public ::testing::Test {
 protected:
  void SetUp() override {
    machine_ = dir_.path() + "/machine";
    out_ = dir_.path() + "/shots";
    ASSERT_EQ(run(VERANTU_MACHINE_TOOL, {"init"}), 0) << err_;
  }

  int run(const QString& program, const QStringList& args) {
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("VERANTU_MACHINE", machine_);
    env.insert("QT_QPA_PLATFORM", "offscreen");
    process.setProcessEnvironment(env);
    process.start(program, args);
    EXPECT_TRUE(process.waitForFinished(60000)) << program.toStdString();
    err_ = process.readAllStandardError().toStdString();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
  }

  // Width and height from the PNG header; 0 x 0 when it is not a PNG.
  QSize pngSize(const QString& name) const {
    QFile file(out_ + "/" + name);
    if (!file.open(QIODevice::ReadOnly)) return {};
    QByteArray head = file.read(24);
    if (head.size() < 24 || !head.startsWith("\x89PNG\r\n\x1a\n")) return {};
    return QSize(int(qFromBigEndian<quint32>(head.constData() + 16)),
                 int(qFromBigEndian<quint32>(head.constData() + 20)));
  }

  QTemporaryDir dir_;
  QString machine_;
  QString out_;
  std::string err_;
};

}  // namespace

TEST_F(ScreenshotTool, PhotographsTheFourWindowsOfTheSampleMachine) {
  ASSERT_EQ(run(VERANTU_CLI, {"capture", "--yes", "本社"}), 0) << err_;
  ASSERT_EQ(run(VERANTU_SCREENSHOTS_TOOL, {out_}), 0) << err_;
  for (const char* name :
       {"main-window.png", "switch-confirmation.png", "profile-editor.png", "live-view.png"}) {
    QSize size = pngSize(name);
    EXPECT_GT(size.width(), 200) << name;
    EXPECT_GT(size.height(), 200) << name;
  }
  // Declining the switch question changed nothing.
  EXPECT_FALSE(QFile::exists(machine_ + "/drive_c/WINDOWS/relay4.bat"));
}

TEST_F(ScreenshotTool, AnEmptyStoreFailsNamingTheMessageInsteadOfPictures) {
  EXPECT_EQ(run(VERANTU_SCREENSHOTS_TOOL, {out_}), 1);
  EXPECT_NE(err_.find("何も登録されていません。"), std::string::npos) << err_;
  EXPECT_NE(err_.find("TForm11 was not shown"), std::string::npos) << err_;
  EXPECT_NE(err_.find("TForm3 was not shown"), std::string::npos) << err_;
  // The live view needs no profile.
  EXPECT_TRUE(pngSize("live-view.png").isValid());
  EXPECT_FALSE(QFile::exists(out_ + "/profile-editor.png"));
}
