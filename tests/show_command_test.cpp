// verantu-cli show end to end: the live settings of a machine made by
// verantu-machine, as text and as JSON.
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

class ShowCommandTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(runProgram(VERANTU_MACHINE_TOOL, {"init"}, machine).code, 0); }
  ProgramRun show(const QStringList& arguments = {}) {
    return runProgram(VERANTU_CLI, QStringList{"show"} + arguments, machine);
  }

  QTemporaryDir dir;
  QString machine = dir.path() + "/machine";
};

TEST_F(ShowCommandTest, PrintsTheLiveSettingsAsText) {
  ProgramRun run = show();
  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  const QStringList lines = run.out.split('\n');
  for (const char* expected :
       {"Computer name:      VERANTU-NB", "Membership:         WORKGROUP WORKGROUP",
        "Default printer:    EPSON PX-V630", "Interface:          ローカル エリア接続",
        "  Addresses:        192.168.10.25 --- 255.255.255.0",
        "                    192.168.10.26 --- 255.255.255.0",
        "  Gateways:         192.168.10.1 --- 自動",
        "Interface:          ワイヤレス ネットワーク接続", "  Kind:             DHCP",
        "  DNS servers:      none", "  Addresses:        DHCP有効", "  Metric:           自動",
        "  Address:          proxy.example.co.jp",
        "  Socks:", "  Exceptions:       *.example.co.jp"})
    EXPECT_TRUE(lines.contains(QString::fromUtf8(expected))) << expected;
}

TEST_F(ShowCommandTest, PrintsOneJsonDocumentForScripts) {
  ProgramRun run = show({"--json"});
  EXPECT_EQ(run.code, 0) << run.err.toStdString();
  QJsonParseError error;
  QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();

  EXPECT_EQ(root["computerName"].toString(), "VERANTU-NB");
  EXPECT_EQ(root["membership"].toObject()["kind"].toString(), "workgroup");
  QJsonArray interfaces = root["interfaces"].toArray();
  ASSERT_EQ(interfaces.size(), 2);
  QJsonObject wired = interfaces[0].toObject();
  EXPECT_EQ(wired["name"].toString(), "ローカル エリア接続");
  EXPECT_FALSE(wired["dhcp"].toBool());
  EXPECT_EQ(wired["addresses"].toArray().size(), 2);
  EXPECT_EQ(wired["addresses"].toArray()[1].toObject()["mask"].toString(), "255.255.255.0");
  // Scripts get the stored metric, not its display text.
  EXPECT_EQ(wired["gateways"].toArray()[0].toObject()["metric"].toString(), "0");
  EXPECT_EQ(wired["interfaceMetric"].toInt(), 20);
  QJsonObject wireless = interfaces[1].toObject();
  EXPECT_TRUE(wireless["dhcp"].toBool());
  EXPECT_EQ(wireless["address"].toString(), "192.168.1.34");
  EXPECT_EQ(wireless["interfaceMetric"].toInt(), 0);

  QJsonObject proxy = root["proxy"].toObject();
  EXPECT_TRUE(proxy["enabled"].toBool());
  EXPECT_TRUE(proxy["bypassLocal"].toBool());
  EXPECT_EQ(proxy["servers"].toObject()["ftp"].toObject()["port"].toString(), "8080");
  EXPECT_EQ(proxy["servers"].toObject()["socks"].toObject()["host"].toString(), "");
  EXPECT_EQ(proxy["exceptions"].toString(), "*.example.co.jp");
}

TEST_F(ShowCommandTest, ExtraArgumentsAreAUsageError) {
  ProgramRun run = show({"Office", "Home"});
  EXPECT_EQ(run.code, 2);
  EXPECT_TRUE(run.err.startsWith("verantu-cli: show: ")) << run.err.toStdString();
}

}  // namespace
