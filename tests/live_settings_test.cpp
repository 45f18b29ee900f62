// What the live view and `verantu-cli show` read from the machine: the
// notebook sample machine as it comes, then the cases it does not have
// (missing leases, uneven lists, domains, per-protocol proxies).
#include "views/live_settings.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/code_page.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/test_machine.h"
#include "tools/verantu-machine/reg_file.h"
#include "tools/verantu-machine/templates.h"

namespace {

const std::string kInterfaces =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";
const std::string kWired = kInterfaces + "\\{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}";
const std::string kWireless = kInterfaces + "\\{C1D7E4B9-2A63-4E58-B0F4-7A91D2C6E835}";
const std::string kInternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

std::string u8(const std::string& ansi) {
  return win::ansiToUtf8(ansi);
}

std::vector<std::string> u8(const std::vector<std::string>& ansi) {
  std::vector<std::string> out;
  for (const std::string& text : ansi) out.push_back(u8(text));
  return out;
}

std::string MultiString(const std::vector<std::string>& items) {
  std::string image;
  for (const std::string& item : items) image += item + '\0';
  return image + '\0';
}

class LiveSettingsTest : public ::testing::Test {
 protected:
  LiveSettingsTest() {
    auto reg = machinetool::templateReg("notebook");
    std::string error;
    EXPECT_TRUE(reg && regfile::importBytes(machine.registry(),
                                            std::string_view(reg->constData(), size_t(reg->size())),
                                            &error))
        << error;
  }

  views::LiveSettings read() { return views::ReadLiveSettings(ctx); }
  void setList(const std::string& key, const char* name, const std::vector<std::string>& items) {
    machine.setValue(HKEY_LOCAL_MACHINE, key, name, REG_MULTI_SZ, MultiString(items));
  }
  void removeValue(win::HKEY hive, const std::string& path, const char* name) {
    win::HKEY key = nullptr;
    ASSERT_EQ(machine.registry().RegOpenKeyExA(hive, path.c_str(), 0, KEY_ALL_ACCESS, &key), 0);
    (void)machine.registry().RegDeleteValueA(key, name);  // whether or not it was there
    (void)machine.registry().RegCloseKey(key);
  }

  testing_support::TestMachine machine;
  testing_support::ScriptedPrompter prompter;
  store::Context ctx{machine.machine(), prompter, nullptr};
};

TEST_F(LiveSettingsTest, ReadsTheNotebookMachine) {
  views::LiveSettings live = read();
  EXPECT_EQ(live.computerName, "VERANTU-NB");
  EXPECT_EQ(u8(live.description), "営業部 表計算用ノートPC");
  EXPECT_EQ(live.joinKind, views::JoinKind::Workgroup);
  EXPECT_EQ(live.joinName, "WORKGROUP");
  EXPECT_EQ(live.printer, "EPSON PX-V630");

  EXPECT_TRUE(live.proxyOn);
  EXPECT_EQ(live.single, (views::HostPort{"proxy.example.co.jp", "8080"}));
  EXPECT_EQ(live.rows[views::kGopher], live.single);
  EXPECT_EQ(live.rows[views::kSocks], views::HostPort{});
  EXPECT_TRUE(live.bypassLocal);
  EXPECT_EQ(live.exceptions, "*.example.co.jp");
  EXPECT_EQ(live.autoConfigUrl, "");

  // One entry per "{…}" adapter with a connection name, in enumeration
  // order; the dial-up adapter has neither.
  ASSERT_EQ(live.interfaces.size(), 2u);
  const views::LiveInterface& wired = live.interfaces[0];
  EXPECT_EQ(u8(wired.name), "ローカル エリア接続");
  EXPECT_FALSE(wired.dhcp);
  EXPECT_EQ(wired.kindText, "STATIC");
  EXPECT_EQ(wired.address, "192.168.10.25");
  EXPECT_EQ(wired.mask, "255.255.255.0");
  EXPECT_EQ(wired.gateway, "192.168.10.1");
  EXPECT_EQ(wired.dns, "192.168.10.2,192.168.10.3");
  // Two addresses, one mask: the mask repeats.
  EXPECT_EQ(wired.addressItems, (std::vector<std::string>{"192.168.10.25 --- 255.255.255.0",
                                                          "192.168.10.26 --- 255.255.255.0"}));
  EXPECT_EQ(u8(wired.gatewayItems),
            (std::vector<std::string>{"192.168.10.1 --- 自動", "192.168.10.254 --- 20"}));
  EXPECT_EQ(wired.interfaceMetric, "20");

  const views::LiveInterface& wireless = live.interfaces[1];
  EXPECT_EQ(u8(wireless.name), "ワイヤレス ネットワーク接続");
  EXPECT_EQ(wireless.kindText, "DHCP");
  EXPECT_EQ(wireless.address, "192.168.1.34");
  EXPECT_EQ(wireless.mask, "255.255.255.0");
  EXPECT_EQ(wireless.gateway, "");
  EXPECT_EQ(wireless.dns, "none");
  EXPECT_EQ(u8(wireless.addressItems), std::vector<std::string>{"DHCP有効"});
  EXPECT_TRUE(wireless.gatewayItems.empty());
  EXPECT_EQ(u8(wireless.interfaceMetric), "自動");
}

TEST_F(LiveSettingsTest, DhcpWithoutALeaseAndStaticWithoutValues) {
  removeValue(HKEY_LOCAL_MACHINE, kWireless, "DhcpIPAddress");
  removeValue(HKEY_LOCAL_MACHINE, kWireless, "DhcpSubnetMask");
  machine.setString(HKEY_LOCAL_MACHINE, kWireless, "NameServer", "192.168.1.1");
  setList(kWireless, "DefaultGateway", {"192.168.1.1"});
  machine.setDword(HKEY_LOCAL_MACHINE, kWireless, "InterfaceMetric", 0);
  for (const char* name :
       {"IPAddress", "SubnetMask", "DefaultGateway", "NameServer", "InterfaceMetric", "EnableDHCP"})
    removeValue(HKEY_LOCAL_MACHINE, kWired, name);

  views::LiveSettings live = read();
  const views::LiveInterface& wireless = live.interfaces[1];
  EXPECT_EQ(wireless.address, "0.0.0.0");
  EXPECT_EQ(wireless.mask, "0.0.0.0");
  EXPECT_EQ(wireless.dns, "192.168.1.1");
  EXPECT_EQ(wireless.gateway, "192.168.1.1");
  // The configured gateway is listed, with no metric to show.
  EXPECT_EQ(wireless.gatewayItems, std::vector<std::string>{"192.168.1.1 --- "});
  EXPECT_EQ(u8(wireless.interfaceMetric), "自動");

  // A missing EnableDHCP reads as static; missing lists give empty boxes.
  const views::LiveInterface& wired = live.interfaces[0];
  EXPECT_EQ(wired.kindText, "STATIC");
  EXPECT_EQ(wired.address, "");
  EXPECT_EQ(wired.mask, "");
  EXPECT_EQ(wired.gateway, "");
  EXPECT_EQ(wired.dns, "");
  EXPECT_TRUE(wired.addressItems.empty());
  EXPECT_TRUE(wired.gatewayItems.empty());
}

TEST_F(LiveSettingsTest, GatewayMetricsPairByPosition) {
  // "0" reads as automatic on the first gateway only; a shorter metric list
  // repeats its last metric.
  setList(kWired, "DefaultGateway", {"10.0.0.1", "10.0.0.2", "10.0.0.3"});
  setList(kWired, "DefaultGatewayMetric", {"5", "0"});
  EXPECT_EQ(read().interfaces[0].gatewayItems,
            (std::vector<std::string>{"10.0.0.1 --- 5", "10.0.0.2 --- 0", "10.0.0.3 --- 0"}));

  setList(kWired, "DefaultGatewayMetric", {"0"});
  EXPECT_EQ(u8(read().interfaces[0].gatewayItems),
            (std::vector<std::string>{"10.0.0.1 --- 自動", "10.0.0.2 --- 0", "10.0.0.3 --- 0"}));

  // Plain strings count as one-item lists.
  machine.setString(HKEY_LOCAL_MACHINE, kWired, "IPAddress", "10.0.0.9");
  machine.setString(HKEY_LOCAL_MACHINE, kWired, "SubnetMask", "255.0.0.0");
  EXPECT_EQ(read().interfaces[0].addressItems, std::vector<std::string>{"10.0.0.9 --- 255.0.0.0"});
}

TEST_F(LiveSettingsTest, AdaptersWithoutAConnectionNameGetNoEntry) {
  const std::string network =
      "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\";
  removeValue(HKEY_LOCAL_MACHINE, network + "{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}\\Connection",
              "Name");
  // A "{" adapter whose identifier is too long to hold is left out too.
  const std::string longId = "{" + std::string(62, 'A') + "}";
  machine.createKey(HKEY_LOCAL_MACHINE, std::string(views::kAdaptersKey) + "\\" + longId);
  machine.setString(HKEY_LOCAL_MACHINE, network + longId + "\\Connection", "Name", "long");

  views::LiveSettings live = read();
  ASSERT_EQ(live.interfaces.size(), 1u);
  EXPECT_EQ(u8(live.interfaces[0].name), "ワイヤレス ネットワーク接続");
}

TEST_F(LiveSettingsTest, PerProtocolProxyAndLocalOnlyBypass) {
  machine.setString(HKEY_CURRENT_USER, kInternetSettings, "ProxyServer", "http=a:1;ftp=b");
  machine.setString(HKEY_CURRENT_USER, kInternetSettings, "ProxyOverride", "<local>");
  machine.setDword(HKEY_CURRENT_USER, kInternetSettings, "ProxyEnable", 0);
  machine.setString(HKEY_CURRENT_USER, kInternetSettings, "AutoConfigURL", "http://w/p.pac");

  views::LiveSettings live = read();
  EXPECT_FALSE(live.proxyOn);
  EXPECT_EQ(live.single, views::HostPort{});
  EXPECT_EQ(live.rows[views::kHttp], (views::HostPort{"a", "1"}));
  EXPECT_EQ(live.rows[views::kSecure], views::HostPort{});
  EXPECT_EQ(live.rows[views::kFtp], (views::HostPort{"b", ""}));
  EXPECT_TRUE(live.bypassLocal);
  EXPECT_EQ(live.exceptions, "");
  EXPECT_EQ(live.autoConfigUrl, "http://w/p.pac");
}

TEST_F(LiveSettingsTest, MembershipKinds) {
  const std::string emulation = "SYSTEM\\Emulation";
  machine.setDword(HKEY_LOCAL_MACHINE, emulation, "JoinStatus", 3);
  machine.setString(HKEY_LOCAL_MACHINE, emulation, "JoinName", "CORP");
  views::LiveSettings live = read();
  EXPECT_EQ(live.joinKind, views::JoinKind::Domain);
  EXPECT_EQ(live.joinName, "CORP");

  machine.setDword(HKEY_LOCAL_MACHINE, emulation, "JoinStatus", 1);
  live = read();
  EXPECT_EQ(live.joinKind, views::JoinKind::Other);
  EXPECT_EQ(live.joinName, "");
}

TEST(MultiStringImage, SplitsUpToTheFirstEmptyString) {
  using views::SplitMultiString;
  EXPECT_EQ(SplitMultiString(std::string("a\0b\0\0", 5), 5), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(SplitMultiString(std::string("\0\0", 2), 2), std::vector<std::string>{});
  EXPECT_EQ(SplitMultiString(std::string("a\0\0b\0\0", 6), 6), std::vector<std::string>{"a"});
  // Without its final NULs the image still gives what it holds.
  EXPECT_EQ(SplitMultiString("ab", 2), std::vector<std::string>{"ab"});
  // Length 0: one plain text, none when it is empty.
  EXPECT_EQ(SplitMultiString(std::string("a\0", 2), 0), std::vector<std::string>{"a"});
  EXPECT_EQ(SplitMultiString("", 0), std::vector<std::string>{});
}

}  // namespace
