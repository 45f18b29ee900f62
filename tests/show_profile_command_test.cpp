// verantu-cli show TITLE end to end: a profile captured on a machine made by
// verantu-machine, shown as the profile editor shows it, as text and JSON.
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "tests/support/program_run.h"

namespace {

using testing_support::ProgramRun;
using testing_support::runProgram;

class ShowProfileCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(runProgram(VERANTU_MACHINE_TOOL, {"init"}, machine).code, 0);
    ASSERT_EQ(runProgram(VERANTU_CLI, {"capture", "会社", "--yes"}, machine).code, 0);
  }
  ProgramRun show(const QStringList& arguments) {
    return runProgram(VERANTU_CLI, QStringList{"show"} + arguments, machine);
  }

  QTemporaryDir dir;
  QString machine = dir.path() + "/machine";
};

TEST_F(ShowProfileCommandTest, PrintsTheProfileAsTheEditorShowsIt) {
  ProgramRun run = show({"会社"});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QStringList lines = run.out.split('\n');
  for (const char* expected :
       {"Profile:            会社", "Membership:         WORKGROUP WORKGROUP",
        "Interface:          ローカル エリア接続", "  Kind:             STATIC",
        "  Addresses:        192.168.10.25 --- 255.255.255.0",
        "                    192.168.10.26 --- 255.255.255.0",
        "  Gateways:         192.168.10.1 --- 0", "                    192.168.10.254 --- 20",
        "  DNS servers:      192.168.10.2", "  Metric:           20",
        "Interface:          ワイヤレス ネットワーク接続", "  Kind:             DHCP",
        "  Metric:           自動", "  Port:             8080",
        "  Exceptions:       *.example.co.jp"})
    EXPECT_TRUE(lines.contains(QString::fromUtf8(expected))) << expected;

  run = show({"会社", "--json"});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
  EXPECT_EQ(root["title"].toString(), QStringLiteral("会社"));
  EXPECT_EQ(root["defaultPrinter"].toString(), "EPSON PX-V630");
  const QJsonArray interfaces = root["interfaces"].toArray();
  ASSERT_EQ(interfaces.size(), 2);
  const QJsonObject lan = interfaces[0].toObject();
  EXPECT_FALSE(lan["dhcp"].toBool());
  EXPECT_EQ(lan["addresses"].toArray()[1].toObject()["mask"].toString(), "255.255.255.0");
  EXPECT_EQ(lan["dnsServers"].toArray().size(), 2);
  EXPECT_EQ(lan["interfaceMetric"].toInt(), 20);
  EXPECT_TRUE(interfaces[1].toObject()["dhcp"].toBool());
  EXPECT_EQ(root["proxy"].toObject()["single"].toObject()["port"].toString(), "8080");
  EXPECT_EQ(root["membership"].toObject()["kind"].toString(), "workgroup");
}

TEST_F(ShowProfileCommandTest, UnknownTitleFails) {
  ProgramRun run = show({"自宅"});
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.err.contains(QStringLiteral("この登録名では登録されていません。")) ||
              run.out.contains(QStringLiteral("この登録名では登録されていません。")));
  EXPECT_EQ(show({"a", "b"}).code, 2);
}

}  // namespace
