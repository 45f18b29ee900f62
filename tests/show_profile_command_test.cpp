// verantu-cli show TITLE end to end: a profile captured on a machine made by
// verantu-machine, shown as the profile editor shows it, as text and JSON.
#include <gtest/gtest.h>

#include <QFile>
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
       {"Profile:            会社", "Workgroup:          WORKGROUP",
        "Interface:          ローカル エリア接続", "  Kind:             STATIC",
        "  Addresses:        192.168.10.25 --- 255.255.255.0",
        "                    192.168.10.26 --- 255.255.255.0",
        "  Gateways:         192.168.10.1 --- 0", "                    192.168.10.254 --- 20",
        "  DNS servers:      192.168.10.2", "  Metric:           20",
        "Interface:          ワイヤレス ネットワーク接続", "  Kind:             DHCP",
        "  Metric:           自動", "  Port:             8080",
        "  Exceptions:       *.example.co.jp"})
    EXPECT_TRUE(lines.contains(QString::fromUtf8(expected))) << expected;
  EXPECT_EQ(run.out.count("WORKGROUP"), 1) << run.out.toStdString();

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
  EXPECT_EQ(lan["dnsServers"].toArray(),
            QJsonArray({QStringLiteral("192.168.10.2"), QStringLiteral("192.168.10.3")}));
  EXPECT_TRUE(lan["interfaceMetric"].isDouble());
  EXPECT_EQ(lan["interfaceMetric"].toInt(), 20);
  const QJsonArray gateways = lan["gateways"].toArray();
  ASSERT_EQ(gateways.size(), 2);
  EXPECT_EQ(gateways[0].toObject()["gateway"].toString(), "192.168.10.1");
  EXPECT_TRUE(gateways[0].toObject()["metric"].isDouble());
  EXPECT_EQ(gateways[0].toObject()["metric"].toInt(-1), 0);
  EXPECT_EQ(gateways[1].toObject()["metric"].toInt(-1), 20);
  const QJsonObject wireless = interfaces[1].toObject();
  EXPECT_TRUE(wireless["dhcp"].toBool());
  EXPECT_TRUE(wireless["addresses"].isArray());
  EXPECT_TRUE(wireless["dnsServers"].isArray());
  EXPECT_TRUE(wireless["interfaceMetric"].isDouble());
  EXPECT_EQ(wireless["interfaceMetric"].toInt(-1), 0);
  const QJsonObject proxy = root["proxy"].toObject();
  EXPECT_EQ(proxy["single"].toObject()["port"].toString(), "8080");
  EXPECT_TRUE(proxy["enabled"].toBool());
  EXPECT_TRUE(proxy["proxyEnable"].isDouble());
  EXPECT_EQ(proxy["proxyEnable"].toInt(-1), 1);
  EXPECT_TRUE(proxy["autoConfigUrl"].isNull());
  EXPECT_TRUE(proxy["servers"].toObject()["socks"].toObject()["host"].isNull());
  EXPECT_EQ(root["membership"].toObject()["kind"].toString(), "workgroup");
  EXPECT_EQ(root["membership"].toObject()["name"].toString(), "WORKGROUP");
  // Never switched to: no use count and no remembered steps yet.
  EXPECT_TRUE(root.contains("useCount"));
  EXPECT_TRUE(root["useCount"].isNull());
  EXPECT_TRUE(root.contains("rememberedSteps"));
  EXPECT_TRUE(root["rememberedSteps"].isNull());
  EXPECT_TRUE(root["omittedInterfaces"].isDouble());
}

TEST_F(ShowProfileCommandTest, StoredNumbersAreNumbersAndADomainShowsOnce) {
  QFile reg(dir.path() + "/slot.reg");
  ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
  reg.write(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Q\\Tolvik\\Setting\\1]\r\n"
      "\"Count\"=dword:0000000c\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\Software\\Q\\Tolvik\\Setting\\1\\Data]\r\n"
      "\"InitCheck\"=dword:00000005\r\n"
      "\"DomainType\"=dword:00000001\r\n"
      "\"DomainName\"=\"EXAMPLE\"\r\n");
  reg.close();
  ASSERT_EQ(runProgram(VERANTU_MACHINE_TOOL, {"import", reg.fileName()}, machine).code, 0);

  ProgramRun run = show({"会社", "--json"});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8()).object();
  EXPECT_TRUE(root["useCount"].isDouble());
  EXPECT_EQ(root["useCount"].toInt(-1), 12);
  EXPECT_EQ(root["rememberedSteps"].toInt(-1), 5);
  EXPECT_EQ(root["membership"].toObject()["kind"].toString(), "domain");
  EXPECT_EQ(root["membership"].toObject()["name"].toString(), "EXAMPLE");

  run = show({"会社"});
  ASSERT_EQ(run.code, 0);
  EXPECT_TRUE(run.out.split('\n').contains("Domain:             EXAMPLE")) << run.out.toStdString();
  EXPECT_EQ(run.out.count("EXAMPLE"), 1);
}

TEST_F(ShowProfileCommandTest, UnknownTitleFails) {
  ProgramRun run = show({"自宅"});
  EXPECT_EQ(run.code, 1);
  EXPECT_TRUE(run.err.contains(QStringLiteral("この登録名では登録されていません。")) ||
              run.out.contains(QStringLiteral("この登録名では登録されていません。")));
  EXPECT_EQ(show({"a", "b"}).code, 2);
}

}  // namespace
