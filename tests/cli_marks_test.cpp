// verantu-cli marks and match end to end: the notebook captured at one
// place, carried elsewhere by importing what it sees there, and the marks
// edited from the command line.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include "tests/support/program_run.h"

namespace {

using testing_support::ProgramRun;
using testing_support::runProgram;

class CliMarksTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(runProgram(VERANTU_MACHINE_TOOL, {"init"}, machine).code, 0); }
  ProgramRun cli(const QStringList& arguments) {
    return runProgram(VERANTU_CLI, arguments, machine);
  }
  // Carries the notebook to a place where it sees only `neighbors`.
  void moveTo(const QString& neighbors) {
    QString text =
        "Windows Registry Editor Version 5.00\r\n\r\n"
        "[HKEY_LOCAL_MACHINE\\SYSTEM\\Emulation]\r\n"
        "\"WirelessNetworks\"=-\r\n\"DnsSuffixes\"=-\r\n\"Neighbors\"=hex(7):";
    QByteArray image =
        QByteArray(reinterpret_cast<const char*>(neighbors.utf16()), neighbors.size() * 2) +
        QByteArray(4, '\0');
    for (int i = 0; i < image.size(); ++i)
      text += QString::asprintf(i ? ",%02x" : "%02x", static_cast<unsigned char>(image[i]));
    QFile file(dir.path() + "/place.reg");
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text.toUtf8() + "\r\n");
    file.close();
    ASSERT_EQ(runProgram(VERANTU_MACHINE_TOOL, {"import", file.fileName()}, machine).code, 0);
  }

  QTemporaryDir dir;
  QString machine = dir.path() + "/machine";
};

TEST_F(CliMarksTest, MarksAreShownEditedAndMatchedAsTheNotebookMoves) {
  ASSERT_EQ(cli({"capture", "本社", "--yes"}).code, 0);
  ProgramRun run = cli({"match"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "本社\n");

  run = cli({"marks", "本社", "--json"});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  QJsonObject document = QJsonDocument::fromJson(run.out.toUtf8()).object();
  EXPECT_EQ(document["onMatch"].toString(), "offer");
  EXPECT_EQ(document["marks"].toArray().first().toObject(),
            QJsonObject({{"kind", "ssid"},
                         {"connection", "ワイヤレス ネットワーク接続"},
                         {"value", "verantu-home"}}));
  EXPECT_EQ(document["marks"].toArray().size(), 5);

  moveTo("192.168.10.1=00-AA-BB-CC-DD-EE");
  EXPECT_EQ(cli({"match"}).code, 1);

  // A mark that cannot be stored changes nothing.
  run = cli({"marks", "本社", "--add-gateway-mac", "ローカル エリア接続=00-AA-BB"});
  EXPECT_EQ(run.code, 1);
  EXPECT_EQ(
      run.lines,
      QStringList({"エラーメッセージ: MACアドレスは 00-11-22-33-44-55 の形で入力してください。"}));
  run = cli({"marks", "本社", "--remove", "ローカル エリア接続=nowhere"});
  EXPECT_EQ(run.code, 1);

  run = cli({"marks", "本社", "--remove", "ワイヤレス ネットワーク接続=verantu-home", "--remove",
             "ローカル エリア接続=office.example.co.jp", "--remove",
             "ワイヤレス ネットワーク接続=home.example.jp", "--remove",
             "ワイヤレス ネットワーク接続=00-1D-73-4A-2B-10", "--add-gateway-mac",
             "ローカル エリア接続=00:aa:bb:cc:dd:ee", "--on-match", "switch"});
  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  EXPECT_EQ(run.out,
            "gateway-mac: ローカル エリア接続=00-0C-29-5E-81-3F\n"
            "gateway-mac: ローカル エリア接続=00-AA-BB-CC-DD-EE\n"
            "on-match: switch\n");
  run = cli({"match"});
  EXPECT_EQ(run.code, 0);
  EXPECT_EQ(run.out, "本社\n");
}

}  // namespace
