// verantu-cli show end to end: the live settings of a machine made by
// verantu-machine, as text and as JSON.
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
       {"Computer name:      VERANTU-NB", "Workgroup:          WORKGROUP",
        "Default printer:    EPSON PX-V630", "Interface:          ローカル エリア接続",
        "  Addresses:        192.168.10.25 --- 255.255.255.0",
        "                    192.168.10.26 --- 255.255.255.0",
        "  Gateways:         192.168.10.1 --- 自動",
        "Interface:          ワイヤレス ネットワーク接続", "  Kind:             DHCP",
        "  DNS servers:      none", "  Addresses:        DHCP有効", "  Metric:           自動",
        "  Address:          proxy.example.co.jp",
        "  Socks:", "  Exceptions:       *.example.co.jp"})
    EXPECT_TRUE(lines.contains(QString::fromUtf8(expected))) << expected;
  // The membership's kind is the label; the name stands once.
  EXPECT_EQ(run.out.count("WORKGROUP"), 1) << run.out.toStdString();
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
  // Scripts get the stored metric as a number, not its display text.
  const QJsonArray gateways = wired["gateways"].toArray();
  ASSERT_EQ(gateways.size(), 2);
  EXPECT_TRUE(gateways[0].toObject()["metric"].isDouble());
  EXPECT_EQ(gateways[0].toObject()["metric"].toInt(-1), 0);
  EXPECT_EQ(gateways[1].toObject()["gateway"].toString(), "192.168.10.254");
  EXPECT_EQ(gateways[1].toObject()["metric"].toInt(-1), 20);
  EXPECT_TRUE(wired["interfaceMetric"].isDouble());
  EXPECT_EQ(wired["interfaceMetric"].toInt(), 20);
  // DNS servers are a list, not the stored comma text.
  EXPECT_EQ(wired["dnsServers"].toArray(),
            QJsonArray({QStringLiteral("192.168.10.2"), QStringLiteral("192.168.10.3")}));
  EXPECT_FALSE(wired.contains("dns"));
  QJsonObject wireless = interfaces[1].toObject();
  EXPECT_TRUE(wireless["dhcp"].toBool());
  EXPECT_EQ(wireless["address"].toString(), "192.168.1.34");
  EXPECT_TRUE(wireless["interfaceMetric"].isDouble());
  EXPECT_EQ(wireless["interfaceMetric"].toInt(-1), 0);
  // No gateway and no configured DNS server: null and empty lists, not the
  // text form's "none".
  EXPECT_TRUE(wireless["gateway"].isNull());
  EXPECT_TRUE(wireless["gateways"].isArray());
  EXPECT_TRUE(wireless["gateways"].toArray().isEmpty());
  EXPECT_TRUE(wireless["addresses"].isArray());
  EXPECT_TRUE(wireless["dnsServers"].isArray());
  EXPECT_TRUE(wireless["dnsServers"].toArray().isEmpty());

  QJsonObject proxy = root["proxy"].toObject();
  EXPECT_TRUE(proxy["enabled"].toBool());
  EXPECT_TRUE(proxy["proxyEnable"].isDouble());
  EXPECT_EQ(proxy["proxyEnable"].toInt(-1), 1);
  EXPECT_TRUE(proxy["bypassLocal"].toBool());
  EXPECT_TRUE(proxy["autoConfigUrl"].isNull());
  EXPECT_EQ(proxy["servers"].toObject()["ftp"].toObject()["port"].toString(), "8080");
  EXPECT_TRUE(proxy["servers"].toObject()["socks"].toObject()["host"].isNull());
  EXPECT_TRUE(proxy["servers"].toObject()["socks"].toObject()["port"].isNull());
  EXPECT_EQ(proxy["exceptions"].toString(), "*.example.co.jp");
}

TEST_F(ShowCommandTest, MissingValuesAreNullInJson) {
  // The wired card's gateway metrics and the machine's proxy switch and
  // description removed; another DNS list separated by blanks.
  QFile reg(dir.path() + "/missing.reg");
  ASSERT_TRUE(reg.open(QIODevice::WriteOnly));
  reg.write(
      "Windows Registry Editor Version 5.00\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\"
      "Interfaces\\{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}]\r\n"
      "\"DefaultGatewayMetric\"=-\r\n"
      "\"NameServer\"=\"10.0.0.1 10.0.0.2\"\r\n\r\n"
      "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings]\r\n"
      "\"ProxyEnable\"=-\r\n\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\lanmanserver\\parameters]\r\n"
      "\"srvcomment\"=-\r\n");
  reg.close();
  ASSERT_EQ(runProgram(VERANTU_MACHINE_TOOL, {"import", reg.fileName()}, machine).code, 0);

  ProgramRun run = show({"--json"});
  ASSERT_EQ(run.code, 0) << run.err.toStdString();
  QJsonParseError error;
  const QJsonObject root = QJsonDocument::fromJson(run.out.toUtf8(), &error).object();
  ASSERT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString();
  EXPECT_TRUE(root["description"].isNull());
  const QJsonObject wired = root["interfaces"].toArray()[0].toObject();
  const QJsonArray gateways = wired["gateways"].toArray();
  ASSERT_EQ(gateways.size(), 2);
  EXPECT_EQ(gateways[0].toObject()["gateway"].toString(), "192.168.10.1");
  EXPECT_TRUE(gateways[0].toObject()["metric"].isNull());
  EXPECT_TRUE(gateways[1].toObject()["metric"].isNull());
  EXPECT_EQ(wired["dnsServers"].toArray(),
            QJsonArray({QStringLiteral("10.0.0.1"), QStringLiteral("10.0.0.2")}));
  const QJsonObject proxy = root["proxy"].toObject();
  EXPECT_TRUE(proxy["proxyEnable"].isNull());
  EXPECT_FALSE(proxy["enabled"].toBool());
}

TEST_F(ShowCommandTest, ExtraArgumentsAreAUsageError) {
  ProgramRun run = show({"Office", "Home"});
  EXPECT_EQ(run.code, 2);
  EXPECT_TRUE(run.err.startsWith("verantu-cli: show: ")) << run.err.toStdString();
}

}  // namespace
