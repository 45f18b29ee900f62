// The emulated netsh: what each `interface ip` command does to the live
// TCP/IP values of the notebook machine, and that every failure prints one
// message and changes nothing.
#include "tools/verantu-machine/netsh.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "tests/support/test_machine.h"
#include "tools/verantu-machine/reg_file.h"
#include "tools/verantu-machine/templates.h"

namespace {

using machinetool::NetshResult;
using testing_support::TestMachine;

const std::string kInterfaces =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";
const std::string kWiredId = "{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}";
const std::string kWired = kInterfaces + "\\" + kWiredId;
const std::string kWiredLegacy =
    "SYSTEM\\CurrentControlSet\\Services\\" + kWiredId + "\\Parameters\\Tcpip";
const std::string kWireless = kInterfaces + "\\{C1D7E4B9-2A63-4E58-B0F4-7A91D2C6E835}";
const std::string kLan = "name=\"ローカル エリア接続\"";
const std::string kWifi = "name=\"ワイヤレス ネットワーク接続\"";

std::string ansi(const std::string& utf8) {
  return win::ansiFromUtf8(utf8);
}

class NetshTest : public ::testing::Test {
 protected:
  NetshTest() {
    auto reg = machinetool::templateReg("notebook");
    std::string error;
    EXPECT_TRUE(reg &&
                regfile::importBytes(
                    m.registry(), std::string_view(reg->constData(), size_t(reg->size())), &error))
        << error;
  }

  // Runs netsh with UTF-8 arguments (split as a command line) and returns
  // its output in UTF-8.
  NetshResult run(const std::string& utf8CommandLine) {
    NetshResult result =
        machinetool::RunNetsh(m.machine(), machinetool::SplitCommandLine(ansi(utf8CommandLine)));
    result.output = win::ansiToUtf8(result.output);
    return result;
  }

  // A REG_MULTI_SZ as its strings; a REG_SZ or DWORD as its text or number.
  std::vector<std::string> list(const std::string& key, const std::string& name) {
    win::DWORD type = 0;
    std::string bytes;
    if (!m.value(HKEY_LOCAL_MACHINE, key, name, &type, &bytes)) return {"<missing>"};
    if (type == REG_DWORD) return {std::to_string(static_cast<unsigned char>(bytes[0]))};
    std::vector<std::string> items;
    std::size_t pos = 0;
    while (pos < bytes.size() && bytes[pos] != '\0') {
      std::size_t end = bytes.find('\0', pos);
      if (end == std::string::npos) end = bytes.size();
      items.push_back(bytes.substr(pos, end - pos));
      pos = end + 1;
    }
    return items;
  }
  using L = std::vector<std::string>;

  std::string snapshot() {
    std::string text;
    std::string error;
    EXPECT_TRUE(regfile::exportKeys(m.registry(),
                                    {{HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Services"}},
                                    {}, &text, &error))
        << error;
    return text;
  }

  TestMachine m;
};

TEST_F(NetshTest, SetAddressStaticReplacesTheLists) {
  NetshResult r = run("interface ip set address " + kLan +
                      " static addr=10.1.2.3 mask=255.255.0.0 gateway=10.1.0.1 gwmetric=5");
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.output, "OK\n\n");
  for (const std::string& key : {kWired, kWiredLegacy}) {
    EXPECT_EQ(list(key, "EnableDHCP"), L{"0"});
    EXPECT_EQ(list(key, "IPAddress"), L{"10.1.2.3"});
    EXPECT_EQ(list(key, "SubnetMask"), L{"255.255.0.0"});
    EXPECT_EQ(list(key, "DefaultGateway"), L{"10.1.0.1"});
    EXPECT_EQ(list(key, "DefaultGatewayMetric"), L{"5"});
  }

  // Positional values, abbreviated words and a name in another letter case.
  m.setString(
      HKEY_LOCAL_MACHINE,
      "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\" +
          kWiredId + "\\Connection",
      "Name", "Office LAN");
  r = run("int ip set addr \"office lan\" static 172.16.0.9 255.255.255.0 none");
  EXPECT_EQ(r.output, "OK\n\n");
  EXPECT_EQ(list(kWired, "IPAddress"), L{"172.16.0.9"});
  EXPECT_EQ(list(kWired, "DefaultGateway"), L{});
  EXPECT_EQ(list(kWired, "DefaultGatewayMetric"), L{});
}

TEST_F(NetshTest, DhcpAndAddingCommands) {
  EXPECT_EQ(run("interface ip set address " + kLan + " dhcp").output, "OK\n\n");
  EXPECT_EQ(list(kWired, "EnableDHCP"), L{"1"});
  EXPECT_EQ(list(kWired, "IPAddress"), L{"0.0.0.0"});
  EXPECT_EQ(list(kWired, "SubnetMask"), L{"0.0.0.0"});
  EXPECT_EQ(list(kWired, "DefaultGateway"), L{});

  run("interface ip set address " + kLan + " static addr=10.0.0.1 mask=255.0.0.0 gateway=none");
  EXPECT_EQ(run("interface ip add address " + kLan + " addr=10.0.0.2 mask=255.255.0.0").output,
            "OK\n\n");
  EXPECT_EQ(run("interface ip add address " + kLan + " gateway=10.0.0.254 gwmetric=0").output,
            "OK\n\n");
  EXPECT_EQ(run("interface ip add address " + kLan + " gateway=10.0.0.253 gwmetric=20").output,
            "OK\n\n");
  EXPECT_EQ(list(kWired, "IPAddress"), (L{"10.0.0.1", "10.0.0.2"}));
  EXPECT_EQ(list(kWired, "SubnetMask"), (L{"255.0.0.0", "255.255.0.0"}));
  EXPECT_EQ(list(kWired, "DefaultGateway"), (L{"10.0.0.254", "10.0.0.253"}));
  EXPECT_EQ(list(kWired, "DefaultGatewayMetric"), (L{"0", "20"}));

  EXPECT_EQ(run("interface ip set dns " + kWifi + " static 8.8.8.8").output, "OK\n\n");
  EXPECT_EQ(run("interface ip add dns " + kWifi + " 8.8.4.4").output, "OK\n\n");
  EXPECT_EQ(run("interface ip add dns " + kWifi + " addr=1.1.1.1").output, "OK\n\n");
  EXPECT_EQ(list(kWireless, "NameServer"), L{"8.8.8.8,8.8.4.4,1.1.1.1"});
  EXPECT_EQ(run("interface ip set dns " + kWifi + " source=static addr=none").output, "OK\n\n");
  EXPECT_EQ(list(kWireless, "NameServer"), L{});
  EXPECT_EQ(run("interface ip add dns " + kWifi + " 8.8.4.4").output, "OK\n\n");
  EXPECT_EQ(list(kWireless, "NameServer"), L{"8.8.4.4"}) << "no comma before the first server";
}

TEST_F(NetshTest, FailuresPrintOneLineAndChangeNothing) {
  m.setValue(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "UnavailableInterfaces", REG_MULTI_SZ,
             std::string(ansi("ワイヤレス ネットワーク接続")) + std::string("\0\0", 2));
  struct Case {
    std::string args;
    std::string message;
  };
  const std::vector<Case> cases = {
      {"set address " + kLan + " static addr=256.1.1.1 mask=255.0.0.0 gateway=none",
       "指定された IP アドレスは無効です: 256.1.1.1"},
      {"set address " + kLan + " static addr=1.2.3 mask=255.0.0.0 gateway=none",
       "指定された IP アドレスは無効です: 1.2.3"},
      {"set address " + kLan + " static addr=1.2.3.4 mask=255.0.255.0 gateway=none",
       "指定されたサブネット マスクは無効です: 255.0.255.0"},
      {"set address " + kLan + " static addr=1.2.3.4 mask=255.0.0.0 gateway=1.2.3.x gwmetric=1",
       "指定されたゲートウェイ アドレスは無効です: 1.2.3.x"},
      {"set address " + kLan + " static addr=1.2.3.4 mask=255.0.0.0 gateway=1.2.3.1 gwmetric=10000",
       "ゲートウェイ メトリックには 0 から 9999 の値を指定してください: 10000"},
      {"set address " + kLan + " static addr=1.2.3.4 mask=255.0.0.0 gateway=1.2.3.1 gwmetric=",
       "1 つ以上の必須パラメータが入力されていません。"},
      {"set address " + kLan + " static addr=1.2.3.4 mask=255.0.0.0",
       "1 つ以上の必須パラメータが入力されていません。"},
      {"add address " + kLan + " gateway=1.2.3.1",
       "1 つ以上の必須パラメータが入力されていません。"},
      {"add dns " + kLan + " ", "1 つ以上の必須パラメータが入力されていません。"},
      {"set dns " + kLan + " static 1.2.3", "指定された DNS サーバーのアドレスは無効です: 1.2.3"},
      {"set dns " + kLan + " static 1.1.1.1 bogus=1", "次のパラメータは無効です: bogus=1"},
      {"set address name=どこにもない dhcp",
       "この名前のインターフェイスはルーターに登録されていません。"},
      {"set address name= dhcp", "1 つ以上の必須パラメータが入力されていません。"},
      {"set dns " + kWifi + " static 1.1.1.1",
       "インターフェイスが使用できる状態にないため、構成できませんでした。"},
      {"set address " + kWifi + " static addr=1.2.3.4 mask=255.0.0.0 gateway=none",
       "インターフェイスが使用できる状態にないため、構成できませんでした。"},
  };
  const std::string before = snapshot();
  for (const Case& c : cases) {
    NetshResult r = run("interface ip " + c.args);
    EXPECT_EQ(r.exitCode, 1) << c.args;
    EXPECT_EQ(r.output, c.message + "\n") << c.args;
  }
  EXPECT_EQ(snapshot(), before);

  // DHCP on an interface that is on DHCP already fails as Windows does.
  m.setValue(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "UnavailableInterfaces", REG_MULTI_SZ,
             std::string(1, '\0'));
  NetshResult r = run("interface ip set address " + kWifi + " dhcp");
  EXPECT_EQ(r.output, "このインターフェイスでは DHCP は既に有効です。\n");
  EXPECT_EQ(snapshot(), before);

  r = run("interface ip show address");
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(
      r.output.rfind("次のコマンドが見つかりませんでした: interface ip show address\n使用法:", 0),
      0u);
}

// The same commands on an XP machine and on a Windows 10 machine: what each
// netsh prints, its exit code and what it leaves in the live values.
TEST(NetshOfEachWindows, SpeaksAsItsWindowsDoes) {
  enum Setup { Plain, Reachable, StandardUser };
  struct Case {
    const char* windows;
    Setup setup;
    std::string args;
    int exitCode;
    std::string output;
    std::string key;  // where the effect shows
    const char* value;
    std::vector<std::string> after;
  };
  const std::string unanswered = "\nThe configured DNS server is incorrect or does not exist.\n\n";
  const std::string elevation =
      "The requested operation requires elevation (Run as administrator).\n";
  const std::vector<std::string> dnsBefore = {"192.168.10.2,192.168.10.3"};
  const std::vector<Case> cases = {
      {"xp",
       Plain,
       "set address " + kLan + " static 10.1.2.3 255.0.0.0 none",
       0,
       "OK\n\n",
       kWired,
       "IPAddress",
       {"10.1.2.3"}},
      {"10",
       Plain,
       "set address " + kLan + " static 10.1.2.3 255.0.0.0 none",
       0,
       "\n",
       kWired,
       "IPAddress",
       {"10.1.2.3"}},
      // A server that does not answer is stored all the same.
      {"xp",
       Plain,
       "set dns " + kLan + " static 10.9.9.9",
       0,
       "OK\n\n",
       kWired,
       "NameServer",
       {"10.9.9.9"}},
      {"10",
       Plain,
       "set dns " + kLan + " static 10.9.9.9",
       1,
       unanswered,
       kWired,
       "NameServer",
       {"10.9.9.9"}},
      {"10",
       Plain,
       "add dns " + kLan + " 10.9.9.9 validate=yes",
       1,
       unanswered,
       kWired,
       "NameServer",
       {dnsBefore[0] + ",10.9.9.9"}},
      {"10",
       Plain,
       "set dns " + kLan + " static 10.9.9.9 validate=no",
       0,
       "\n",
       kWired,
       "NameServer",
       {"10.9.9.9"}},
      {"10",
       Plain,
       "add dns " + kLan + " 10.9.9.9 validate=no",
       0,
       "\n",
       kWired,
       "NameServer",
       {dnsBefore[0] + ",10.9.9.9"}},
      {"10",
       Reachable,
       "add dns " + kLan + " 10.9.9.9",
       0,
       "\n",
       kWired,
       "NameServer",
       {dnsBefore[0] + ",10.9.9.9"}},
      {"10", Plain, "set dns " + kLan + " static none", 0, "\n", kWired, "NameServer", {}},
      {"10", Plain, "set dns " + kLan + " static 10.9.9.9 validate=maybe", 1,
       "次のパラメータは無効です: validate=maybe\n", kWired, "NameServer", dnsBefore},
      // XP's netsh knows no validate.
      {"xp", Plain, "set dns " + kLan + " static 10.9.9.9 validate=no", 1,
       "次のパラメータは無効です: validate=no\n", kWired, "NameServer", dnsBefore},
      {"xp",
       Plain,
       "set address " + kWifi + " dhcp",
       1,
       "このインターフェイスでは DHCP は既に有効です。\n",
       kWireless,
       "EnableDHCP",
       {"1"}},
      {"10",
       Plain,
       "set address " + kWifi + " dhcp",
       1,
       "DHCP is already enabled on this interface.\n",
       kWireless,
       "EnableDHCP",
       {"1"}},
      // A standard user: XP's netsh fails at the write, today's asks for
      // elevation first.
      {"xp", StandardUser, "set dns " + kLan + " static 10.9.9.9", 1,
       "構成を保存できませんでした。\n", kWired, "NameServer", dnsBefore},
      {"10", StandardUser, "set dns " + kLan + " static 10.9.9.9 validate=no", 1, elevation, kWired,
       "NameServer", dnsBefore},
      {"10",
       StandardUser,
       "set address " + kLan + " dhcp",
       1,
       elevation,
       kWired,
       "EnableDHCP",
       {"0"}},
  };
  for (const Case& c : cases) {
    const std::string what = std::string(c.windows) + ": " + c.args;
    TestMachine m;
    std::string error;
    auto reg = machinetool::templateReg("notebook");
    auto overlay = machinetool::windowsOverlay(c.windows);
    ASSERT_TRUE(reg && overlay);
    ASSERT_TRUE(regfile::importBytes(m.registry(), reg->toStdString(), &error)) << error;
    if (!overlay->isEmpty()) {
      ASSERT_TRUE(regfile::importBytes(m.registry(), overlay->toStdString(), &error)) << error;
    }
    if (c.setup == Reachable)
      m.setValue(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "ReachableAddresses", REG_MULTI_SZ,
                 std::string("10.0.0.1") + '\0' + "10.9.9.9" + std::string(2, '\0'));
    if (c.setup == StandardUser) m.machine().setElevated(false);

    NetshResult r = machinetool::RunNetsh(
        m.machine(), machinetool::SplitCommandLine(ansi("interface ip " + c.args)));
    EXPECT_EQ(r.exitCode, c.exitCode) << what;
    EXPECT_EQ(win::ansiToUtf8(r.output), c.output) << what;
    win::DWORD type = 0;
    std::string bytes;
    ASSERT_TRUE(m.value(HKEY_LOCAL_MACHINE, c.key, c.value, &type, &bytes)) << what;
    std::vector<std::string> after;
    if (type == REG_DWORD) {
      after.push_back(std::to_string(static_cast<unsigned char>(bytes[0])));
    } else {
      for (std::size_t pos = 0; pos < bytes.size() && bytes[pos] != '\0';) {
        std::size_t end = std::min(bytes.find('\0', pos), bytes.size());
        after.push_back(bytes.substr(pos, end - pos));
        pos = end + 1;
      }
    }
    EXPECT_EQ(after, c.after) << what;
  }
}

TEST_F(NetshTest, WaitsTheMachinesDelayBeforeActing) {
  m.setDword(HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "NetshDelay", 120);
  auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(run("interface ip set dns " + kLan + " static none").exitCode, 0);
  EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(120));
}

TEST(NetshCommandLine, SplitsAsTheRuntimeDoes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(machinetool::SplitCommandLine("  a \"b c\"\td "), (V{"a", "b c", "d"}));
  EXPECT_EQ(machinetool::SplitCommandLine("name=\"x y\" addr="), (V{"name=x y", "addr="}));
  EXPECT_EQ(machinetool::SplitCommandLine("a\\\"b \\\\\"c d\""), (V{"a\"b", "\\c d"}));
  // "表" ends in 0x5C: it does not escape the closing quote.
  EXPECT_EQ(machinetool::SplitCommandLine(ansi("name=\"表\" dhcp")), (V{ansi("name=表"), "dhcp"}));
}

}  // namespace
