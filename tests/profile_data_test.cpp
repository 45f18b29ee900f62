// The profile editor's load and save on a captured notebook profile: what
// the working set holds, which stored bytes a save rewrites, the static and
// DHCP branches, the printer question, and the values it refuses to store.
#include "views/profile_data.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"
#include "store/registry_access.h"
#include "store/registry_reports.h"
#include "tests/support/notebook_profile.h"
#include "tests/support/registry_snapshot.h"
#include "tests/support/scripted_prompter.h"

namespace {

using testing_support::NotebookProfile;
using testing_support::ScriptedPrompter;
using testing_support::Snapshot;

const std::string kInfo = "情報メッセージ";
const std::string kError = "エラーメッセージ";
const std::string kAskSave = "変更を登録しますか？";
const std::string kAskPrinter =
    "指定された通常使うプリンタは、現在のプリンタ一覧にありませんが、それでも変更を登録しますか？";
constexpr win::UINT kQuestion = MB_YESNO | MB_ICONINFORMATION;
constexpr win::UINT kRefusal = MB_OK | MB_ICONERROR;
const std::string kTooLongToShow =
    "[ローカル エリア接続] の設定には長すぎて読み込めない値があるため、正しく表示できません。\n"
    "このｲﾝﾀﾌｪｰｽの設定は、保存しても変更されません。";
const std::string kAdapters = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters";
const std::string kNetwork =
    "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}";

std::string multi(const std::vector<std::string>& items) {
  return views::MultiStringImage(items);
}

class ProfileDataTest : public ::testing::Test {
 protected:
  // Loads profile `slot` the way the editor opens it.
  views::ProfileContents load(int slot = 1, const std::string& utf8Title = "会社") {
    return views::LoadProfile(ctx, slot, win::ansiFromUtf8(utf8Title), *set);
  }
  // The editor's fields as the load leaves them, on tab `tab`.
  views::EditorFields fieldsFor(const views::ProfileContents& contents, int tab = 0) {
    views::EditorFields fields;
    fields.currentTab = tab;
    const views::InterfaceBuffers& shown = (*set)[std::size_t(tab)];
    fields.address = shown.addressText;
    fields.mask = shown.maskText;
    fields.gateway = shown.gatewayText;
    fields.dns = shown.dnsText;
    fields.printer = contents.printer;
    fields.domainName = contents.domainName;
    fields.domain = contents.domain;
    views::LoadProxyState(fields.proxy, contents.proxy);
    return fields;
  }
  // Loads profile 1 and shows what the load reports: one box with `utf8Text`.
  views::ProfileContents loadReporting(const std::string& utf8Text) {
    views::ProfileContents contents = load();
    prompter.expect(utf8Text, kInfo, MB_OK | MB_ICONINFORMATION);
    views::ReportLoadLimits(ctx, contents);
    return contents;
  }
  views::SaveOutcome save(const views::ProfileContents& contents,
                          const views::EditorFields& fields) {
    return views::SaveProfile(ctx, contents, *set, fields);
  }
  Snapshot profile(int slot = 1) {
    return testing_support::snapshot(notebook.machine().registry(), HKEY_LOCAL_MACHINE,
                                     store::SlotPath(slot));
  }
  std::string value(const std::string& key, const std::string& name, win::DWORD* type = nullptr) {
    Snapshot values =
        testing_support::snapshot(notebook.machine().registry(), HKEY_LOCAL_MACHINE, key);
    auto found = values.find("|" + name);
    if (found == values.end()) return "<missing>";
    if (type) *type = found->second.first;
    return found->second.second;
  }
  std::string wired(int slot = 1) {
    return NotebookProfile::interfaceKey(slot, NotebookProfile::kWired);
  }
  std::string wireless(int slot = 1) {
    return NotebookProfile::interfaceKey(slot, NotebookProfile::kWireless);
  }

  NotebookProfile notebook;
  ScriptedPrompter prompter;
  int owner = 0;
  store::Context ctx{notebook.machine(), prompter, &owner};
  std::unique_ptr<views::WorkingSet> set = std::make_unique<views::WorkingSet>();
};

TEST(WorkingSetListTest, ComposesAndMeasuresLists) {
  using std::string;
  EXPECT_EQ(views::StoredImage(""), string("\0\0", 2));
  EXPECT_EQ(views::StoredImage(string("a\0b\0\0junk", 9)), string("a\0b\0\0", 5));
  EXPECT_EQ(views::StoredImage(string("a\0", 2)), string("a\0\0", 3));  // end supplied
  EXPECT_EQ(views::ReplaceFirstString(string("a\0b\0c\0\0", 7), "x"), string("x\0b\0c\0\0", 7));
  EXPECT_EQ(views::ReplaceFirstString("", "x"), string("x\0\0", 3));
  EXPECT_EQ(views::ReplaceFirstString(string("\0\0", 2), "x"), string("x\0\0", 3));
  EXPECT_EQ(views::MultiStringItems(string("a\0b\0\0c\0\0", 8)),
            (std::vector<string>{"a", "b"}));  // the first empty string ends the list
  EXPECT_EQ(views::MultiStringItems(string("\0a\0\0", 4)), (std::vector<string>{"", "a"}));
  EXPECT_EQ(views::MultiStringItems(""), (std::vector<string>{""}));
  EXPECT_EQ(views::MultiStringImage({}), string("\0\0", 2));
}

TEST_F(ProfileDataTest, LoadFillsTheWorkingSetFromTheProfile) {
  views::ProfileContents contents = load();
  ASSERT_EQ(contents.interfaces.size(), 2u);  // the dial-up adapter is no interface
  EXPECT_EQ(win::ansiToUtf8(contents.interfaces[0].name), "ローカル エリア接続");
  EXPECT_EQ(win::ansiToUtf8(contents.interfaces[1].name), "ワイヤレス ネットワーク接続");
  EXPECT_EQ(contents.omittedInterfaces, 0);

  const views::InterfaceBuffers& lan = (*set)[0];
  EXPECT_EQ(lan.addressText, "192.168.10.25");
  EXPECT_EQ(lan.maskText, "255.255.255.0");
  EXPECT_EQ(lan.gatewayText, "192.168.10.1");
  EXPECT_EQ(lan.gatewayMetricText, "0");
  EXPECT_EQ(lan.dnsText, "192.168.10.2,192.168.10.3");
  EXPECT_EQ(views::MultiStringItems(lan.addressList),
            (std::vector<std::string>{"192.168.10.25", "192.168.10.26"}));
  EXPECT_EQ(views::MultiStringItems(lan.gatewayMetricList), (std::vector<std::string>{"0", "20"}));
  EXPECT_EQ(lan.interfaceMetric, 20u);
  EXPECT_FALSE(views::IsStoredDhcp(ctx, contents.interfaces[0]));

  const views::InterfaceBuffers& wlan = (*set)[1];
  EXPECT_TRUE(views::IsStoredDhcp(ctx, contents.interfaces[1]));
  EXPECT_EQ(wlan.addressText, "0.0.0.0");
  EXPECT_EQ(wlan.maskText, "0.0.0.0");
  EXPECT_EQ(wlan.addressList, "");
  EXPECT_EQ(wlan.dnsText, "");
  EXPECT_EQ(wlan.interfaceMetric, 0u);

  EXPECT_EQ(contents.printer, "EPSON PX-V630");
  EXPECT_EQ(contents.domainName, "WORKGROUP");
  EXPECT_FALSE(contents.domain);
  EXPECT_EQ(contents.proxy.proxyServer, "proxy.example.co.jp:8080");
  EXPECT_EQ(contents.proxy.proxyEnable, 1u);
}

TEST_F(ProfileDataTest, LoadSkipsAdaptersWithoutConnectionNameAndNeverKeepsStaleLists) {
  // Another profile whose wired adapter has lost its connection name, and
  // whose wireless interface (on DHCP) then takes index 0.
  notebook.capture("自宅");
  (void)store::DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE,
                             store::MirrorPath(2, kNetwork + "\\" + NotebookProfile::kWired));
  load(1);  // fills index 0 with the wired interface's three-part lists

  views::ProfileContents home = load(2, "自宅");
  ASSERT_EQ(home.interfaces.size(), 1u);
  EXPECT_EQ(home.interfaces[0].adapterId, NotebookProfile::kWireless);
  EXPECT_EQ((*set)[0].addressList, "");
  EXPECT_EQ((*set)[0].gatewayList, "");

  // Made static by typing an address: nothing of the other profile's
  // further addresses comes along.
  prompter.expect(kAskSave, kInfo, kQuestion, IDYES);
  views::EditorFields fields = fieldsFor(home);
  fields.address = "10.0.0.5";
  fields.mask = "255.0.0.0";
  EXPECT_TRUE(save(home, fields).completed);
  EXPECT_EQ(value(wireless(2), "IPAddress"), multi({"10.0.0.5"}));
  EXPECT_EQ(value(wireless(2), "SubnetMask"), multi({"255.0.0.0"}));
}

TEST_F(ProfileDataTest, UnchangedSaveRewritesOnlyTheEditedValues) {
  views::ProfileContents contents = load();
  Snapshot before = profile();
  prompter.expect(kAskSave, kInfo, kQuestion, IDYES);
  views::SaveOutcome outcome = save(contents, fieldsFor(contents));
  EXPECT_TRUE(outcome.completed);
  Snapshot after = profile();

  const std::string data = "Data\\";
  const std::string lan = data + wired().substr(store::DataPath(1).size() + 1) + "\\|";
  const std::string wlan = data + wireless().substr(store::DataPath(1).size() + 1) + "\\|";
  const std::string proxy = data + views::kInternetSettingsKey + std::string("\\|");
  std::set<std::string> allowed = {
      data + "|DefPrinter",  data + "|DomainName",    data + "|DomainType", proxy + "AutoConfigURL",
      proxy + "ProxyEnable", proxy + "ProxyOverride", proxy + "ProxyServer"};
  for (const char* name :
       {"EnableDHCP", "IPAddress", "DhcpIPAddress", "SubnetMask", "DhcpSubnetMask",
        "DefaultGateway", "DefaultGatewayMetric", "NameServer", "InterfaceMetric"})
    allowed.insert(wlan + name);
  // A text value is written without its NUL.
  allowed.insert(lan + "NameServer");
  std::set<std::string> keys;
  for (const auto& entry : before) keys.insert(entry.first);
  for (const auto& entry : after) keys.insert(entry.first);
  for (const std::string& key : keys) {
    if (before.count(key) == 0 || after.count(key) == 0 || before[key] != after[key]) {
      EXPECT_TRUE(allowed.count(key)) << "changed: " << key;
    }
  }

  // The static interface is written back byte for byte as it was stored.
  for (const char* name : {"IPAddress", "SubnetMask", "DefaultGateway", "DefaultGatewayMetric",
                           "InterfaceMetric", "EnableDHCP"})
    EXPECT_EQ(before.at(lan + name), after.at(lan + name)) << name;
  EXPECT_EQ(value(wired(), "NameServer"), "192.168.10.2,192.168.10.3");
  // The DHCP interface keeps its gateway list and takes the DHCP values.
  EXPECT_EQ(value(wireless(), "DhcpIPAddress"), "0.0.0.0");
  EXPECT_EQ(value(wireless(), "DefaultGateway"), std::string("\0\0", 2));

  // A second save of the same fields changes nothing more.
  prompter.expect(kAskSave, kInfo, kQuestion, IDYES);
  save(contents, fieldsFor(contents));
  EXPECT_EQ(profile(), after);
}

TEST_F(ProfileDataTest, StaticSaveComposesListsFromTheFields) {
  views::ProfileContents contents = load();
  views::EditorFields fields = fieldsFor(contents);
  fields.address = "172.16.0.9";
  fields.gateway = "172.16.0.1";
  fields.dns = "172.16.0.2";
  // Nothing of an answer other than Yes is written.
  prompter.expect(kAskSave, kInfo, kQuestion, IDNO);
  Snapshot before = profile();
  EXPECT_FALSE(save(contents, fields).confirmed);
  EXPECT_EQ(profile(), before);

  prompter.expect(kAskSave, kInfo, kQuestion, IDYES);
  EXPECT_TRUE(save(contents, fields).completed);
  EXPECT_EQ(value(wired(), "IPAddress"), multi({"172.16.0.9", "192.168.10.26"}));
  EXPECT_EQ(value(wired(), "DefaultGateway"), multi({"172.16.0.1", "192.168.10.254"}));
  EXPECT_EQ(value(wired(), "DefaultGatewayMetric"), multi({"0", "20"}));
  EXPECT_EQ(value(wired(), "NameServer"), "172.16.0.2");
}

TEST_F(ProfileDataTest, StaticSaveOfAPlainStringAddressGivesOneStringList) {
  (void)store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE, wired(), "IPAddress", "192.168.10.25");
  (void)store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE, wired(), "DefaultGatewayMetric", "5");
  views::ProfileContents contents = load();
  EXPECT_EQ((*set)[0].addressList, "");
  prompter.expect(kAskSave, kInfo, kQuestion, IDYES);
  save(contents, fieldsFor(contents));
  win::DWORD type = 0;
  EXPECT_EQ(value(wired(), "IPAddress", &type), multi({"192.168.10.25"}));
  EXPECT_EQ(type, REG_MULTI_SZ);
  // A gateway never goes without its metric: the plain metric is kept.
  EXPECT_EQ(value(wired(), "DefaultGatewayMetric"), multi({"5"}));
}

TEST_F(ProfileDataTest, GatewayTypedWithoutStoredMetricGetsAutomaticMetric) {
  views::ProfileContents contents = load();
  // The wireless interface on DHCP has neither gateways nor metrics.
  views::EditorFields fields = fieldsFor(contents, 1);
  fields.address = "192.168.1.50";
  fields.mask = "255.255.255.0";
  fields.gateway = "192.168.1.1";
  prompter.expect(kAskSave, kInfo, kQuestion, IDYES);
  save(contents, fields);
  EXPECT_EQ(value(wireless(), "EnableDHCP"), std::string("\0\0\0\0", 4));
  EXPECT_EQ(value(wireless(), "DefaultGateway"), multi({"192.168.1.1"}));
  EXPECT_EQ(value(wireless(), "DefaultGatewayMetric"), multi({"0"}));
}

TEST_F(ProfileDataTest, DhcpSaveForZeroAddressOrEmptyField) {
  for (const std::string address : {"0.0.0.0", "0.0.0.0.1", ""}) {
    SCOPED_TRACE(address);
    views::ProfileContents contents = load();
    views::EditorFields fields = fieldsFor(contents);
    fields.address = address;
    fields.gateway = "10.9.9.9";  // not written by a DHCP save
    prompter.expect(kAskSave, kInfo, kQuestion, IDYES);
    views::SaveOutcome outcome = save(contents, fields);
    EXPECT_EQ(outcome.currentTabSetToDhcp, address.empty());
    EXPECT_EQ(value(wired(), "EnableDHCP"), std::string("\1\0\0\0", 4));
    for (const char* name : {"IPAddress", "DhcpIPAddress", "SubnetMask", "DhcpSubnetMask"}) {
      win::DWORD type = 0;
      EXPECT_EQ(value(wired(), name, &type), "0.0.0.0") << name;
      EXPECT_EQ(type, REG_SZ);
    }
    EXPECT_EQ(value(wired(), "DefaultGateway"), multi({"192.168.10.1", "192.168.10.254"}));
    if (address.empty()) {
      EXPECT_EQ((*set)[0].addressText, "0.0.0.0");
      EXPECT_EQ((*set)[0].maskText, "0.0.0.0");
      EXPECT_EQ((*set)[0].addressList, multi({"0.0.0.0"}));
    }
    (void)store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, wired(), "EnableDHCP", 0);
  }
}

TEST_F(ProfileDataTest, PrinterNotInstalledAsksAndNoStopsAfterTheInterfaces) {
  views::ProfileContents contents = load();
  views::EditorFields fields = fieldsFor(contents);
  fields.address = "192.168.10.99";
  fields.printer = "Missing Printer";
  fields.domainName = "CORP";
  fields.domain = true;
  prompter.expect(kAskSave, kInfo, kQuestion, IDYES).expect(kAskPrinter, kInfo, kQuestion, IDNO);
  views::SaveOutcome outcome = save(contents, fields);
  EXPECT_TRUE(outcome.interfacesWritten);
  EXPECT_FALSE(outcome.completed);
  EXPECT_EQ(value(wired(), "IPAddress"), multi({"192.168.10.99", "192.168.10.26"}));
  EXPECT_EQ(value(store::DataPath(1), "DefPrinter"), "EPSON PX-V630");
  EXPECT_EQ(value(store::DataPath(1), "DomainName"), "WORKGROUP");

  prompter.expect(kAskSave, kInfo, kQuestion, IDYES).expect(kAskPrinter, kInfo, kQuestion, IDYES);
  EXPECT_TRUE(save(contents, fields).completed);
  EXPECT_EQ(value(store::DataPath(1), "DefPrinter"), "Missing Printer");
  EXPECT_EQ(value(store::DataPath(1), "DomainName"), "CORP");
  EXPECT_EQ(value(store::DataPath(1), "DomainType"), std::string("\1\0\0\0", 4));
}

TEST_F(ProfileDataTest, EmptyDomainNameKeepsTheStoredName) {
  views::ProfileContents contents = load();
  views::EditorFields fields = fieldsFor(contents);
  fields.domainName = "";
  fields.domain = true;
  prompter.expect(kAskSave, kInfo, kQuestion, IDYES);
  save(contents, fields);
  EXPECT_EQ(value(store::DataPath(1), "DomainName"), "WORKGROUP");
  EXPECT_EQ(value(store::DataPath(1), "DomainType"), std::string("\1\0\0\0", 4));
}

TEST_F(ProfileDataTest, RefusesValuesItCannotStoreOrTheSwitchCouldNotApply) {
  struct Case {
    const char* what;
    void (*change)(views::EditorFields&, views::InterfaceBuffers&);
    std::string message;
  };
  const std::string lan = "[ローカル エリア接続] の";
  const Case cases[] = {
      {"command character", [](auto& f, auto&) { f.address = "192.168.0.1&del"; },
       lan + "IPｱﾄﾞﾚｽに使用できない文字が含まれているため登録できません。\n192.168.0.1&del"},
      {"DNS piece with a quote", [](auto& f, auto&) { f.dns = "1.1.1.1,\"x"; },
       lan + "DNSｻｰﾊﾞに使用できない文字が含まれているため登録できません。\n1.1.1.1,\"x"},
      // Blanks around a server are allowed: only one inside a piece is not.
      {"DNS piece with a blank inside", [](auto& f, auto&) { f.dns = "1.1.1.1 2.2.2.2, 3.3.3.3"; },
       lan +
           "DNSｻｰﾊﾞに使用できない文字が含まれているため登録できません。\n1.1.1.1 2.2.2.2, 3.3.3.3"},
      {"metric that is no number",
       [](auto&, auto& b) {
         b.gatewayMetricList = views::MultiStringImage({"1", "20%"});
       },
       lan + "ｹﾞｰﾄｳｪｲﾒﾄﾘｯｸに使用できない文字が含まれているため登録できません。\n20%"},
      {"text past 255 bytes", [](auto& f, auto&) { f.gateway = std::string(256, '1'); },
       lan + "ﾃﾞﾌｫﾙﾄｹﾞｰﾄｳｪｲが長すぎるため登録できません。\n255ﾊﾞｲﾄ以内で入力してください。"},
      {"list the switch cannot read",
       [](auto&, auto& b) {
         std::vector<std::string> items(17, "255.255.255.255");
         b.maskList = views::MultiStringImage(items);
       },
       lan + "ｱﾄﾞﾚｽﾏｽｸの一覧が長すぎるため登録できません。\n"
             "TCP/IPの詳細設定で、256ﾊﾞｲﾄ以内に収まるように項目を減らしてください。"},
      {"printer name past 255 bytes", [](auto& f, auto&) { f.printer = std::string(300, 'P'); },
       "通常使うﾌﾟﾘﾝﾀが長すぎるため登録できません。\n255ﾊﾞｲﾄ以内で入力してください。"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    views::ProfileContents contents = load();
    views::EditorFields fields = fieldsFor(contents);
    c.change(fields, (*set)[0]);
    Snapshot before = profile();
    prompter.expect(kAskSave, kInfo, kQuestion, IDYES).expect(c.message, kError, kRefusal);
    views::SaveOutcome outcome = save(contents, fields);
    EXPECT_FALSE(outcome.interfacesWritten);
    EXPECT_EQ(profile(), before);
  }
}

TEST_F(ProfileDataTest, MoreThan32InterfacesShowsTheFirstAndLeavesTheRest) {
  // 33 adapters in the profile, each with its own interface key.
  for (int i = 0; i < 33; ++i) {
    char id[64];
    std::snprintf(id, sizeof id, "{00000000-0000-0000-0000-%012d}", i);
    std::string ipConfig = std::string("Tcpip\\Parameters\\Interfaces\\") + id;
    (void)store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE, wired(), HKEY_LOCAL_MACHINE,
                             NotebookProfile::interfaceKey(1, id));
    (void)store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE,
                             store::MirrorPath(1, kAdapters + "\\" + NotebookProfile::kWired),
                             HKEY_LOCAL_MACHINE, store::MirrorPath(1, kAdapters + "\\" + id));
    (void)store::WriteMultiStringValue(ctx, HKEY_LOCAL_MACHINE,
                                       store::MirrorPath(1, kAdapters + "\\" + id), "IpConfig",
                                       multi({ipConfig}));
    (void)store::CopyKeyTree(ctx, HKEY_LOCAL_MACHINE,
                             store::MirrorPath(1, kNetwork + "\\" + NotebookProfile::kWired),
                             HKEY_LOCAL_MACHINE, store::MirrorPath(1, kNetwork + "\\" + id));
    (void)store::WriteStringValue(ctx, HKEY_LOCAL_MACHINE,
                                  store::MirrorPath(1, kNetwork + "\\" + id + "\\Connection"),
                                  "Name", "LAN " + std::to_string(i));
  }
  views::ProfileContents contents = load();
  EXPECT_EQ(contents.interfaces.size(), 32u);
  EXPECT_EQ(contents.omittedInterfaces, 3);  // 35 in all with the notebook's own two
  prompter.expect(
      "ﾈｯﾄﾜｰｸｲﾝﾀﾌｪｰｽが35個あるため、先頭の32個だけを表示します。\n"
      "残りの3個の設定は、保存しても変更されません。",
      kInfo, MB_OK | MB_ICONINFORMATION);
  views::ReportLoadLimits(ctx, contents);

  // The last one in enumeration order is past the working set.
  const std::string last = NotebookProfile::interfaceKey(1, NotebookProfile::kWireless);
  Snapshot before =
      testing_support::snapshot(notebook.machine().registry(), HKEY_LOCAL_MACHINE, last);
  prompter.expect(kAskSave, kInfo, kQuestion, IDYES);
  views::EditorFields fields = fieldsFor(contents);
  fields.address = "";  // the first tab goes to DHCP
  EXPECT_TRUE(save(contents, fields).completed);
  EXPECT_EQ(testing_support::snapshot(notebook.machine().registry(), HKEY_LOCAL_MACHINE, last),
            before);
}

TEST_F(ProfileDataTest, OversizedStoredListLeavesItsInterfaceAlone) {
  std::vector<std::string> addresses(20, "192.168.100.100");
  (void)store::WriteMultiStringValue(ctx, HKEY_LOCAL_MACHINE, wired(), "IPAddress",
                                     multi(addresses));
  views::ProfileContents contents = loadReporting(kTooLongToShow);
  ASSERT_TRUE(contents.interfaces[0].unreadable);
  EXPECT_EQ((*set)[0].addressText, "");  // as the switch reads it: absent

  // An empty address would otherwise turn it into a DHCP interface.
  prompter.expect(kAskSave, kInfo, kQuestion, IDYES);
  save(contents, fieldsFor(contents));
  EXPECT_EQ(value(wired(), "IPAddress"), multi(addresses));
  EXPECT_EQ(value(wired(), "EnableDHCP"), std::string("\0\0\0\0", 4));
}

TEST_F(ProfileDataTest, InterfaceWithoutIpConfigIsReportedForWhatItLacks) {
  const std::string adapter = store::MirrorPath(1, kAdapters + "\\" + NotebookProfile::kWired);
  win::Registry& registry = notebook.machine().registry();
  win::HKEY key = nullptr;
  ASSERT_EQ(registry.RegOpenKeyExA(HKEY_LOCAL_MACHINE, adapter.c_str(), 0, KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  (void)registry.RegDeleteValueA(key, "IpConfig");  // whether or not it was there
  (void)registry.RegCloseKey(key);
  const Snapshot before =
      testing_support::snapshot(notebook.machine().registry(), HKEY_LOCAL_MACHINE, wired());
  views::ProfileContents contents = loadReporting(
      "[ローカル エリア接続] の登録内容にTCP/IP設定の場所(IpConfig)がないため、"
      "設定を表示できません。\n"
      "このｲﾝﾀﾌｪｰｽの設定は、保存しても変更されません。");
  ASSERT_TRUE(contents.interfaces[0].unreadable);
  EXPECT_TRUE(contents.interfaces[0].withoutIpConfig);
  prompter.expect(kAskSave, kInfo, kQuestion, IDYES);
  save(contents, fieldsFor(contents));
  EXPECT_EQ(testing_support::snapshot(notebook.machine().registry(), HKEY_LOCAL_MACHINE, wired()),
            before);

  // An IpConfig too long to read is a value too long, not a missing one.
  (void)store::WriteMultiStringValue(ctx, HKEY_LOCAL_MACHINE, adapter, "IpConfig",
                                     multi({std::string(300, 'x')}));
  contents = loadReporting(kTooLongToShow);
  EXPECT_TRUE(contents.interfaces[0].unreadable);
  EXPECT_FALSE(contents.interfaces[0].withoutIpConfig);
}

TEST_F(ProfileDataTest, LocateReportsWithoutOwner) {
  prompter.expect("この登録名では登録されていません。", kError, kRefusal);
  EXPECT_FALSE(store::LocateProfileSlot(ctx, "kaisha"));
  EXPECT_EQ(prompter.shown().back().owner, nullptr);
  EXPECT_EQ(store::LocateProfileSlot(ctx, win::ansiFromUtf8("会社")), 1);

  (void)store::DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, store::kSettingKey);
  prompter.expect("何も登録されていません。", kError, kRefusal);
  EXPECT_FALSE(store::LocateProfileSlot(ctx, win::ansiFromUtf8("会社")));
}

TEST_F(ProfileDataTest, SummaryShowsInterfacesAsTheEditorDoes) {
  views::ProfileSummary summary = views::SummarizeProfile(ctx, 1, win::ansiFromUtf8("会社"));
  ASSERT_EQ(summary.interfaces.size(), 2u);
  const views::InterfaceSummary& lan = summary.interfaces[0];
  EXPECT_FALSE(lan.dhcp);
  ASSERT_EQ(lan.addresses.size(), 2u);
  EXPECT_EQ(lan.addresses[1].left, "192.168.10.26");
  EXPECT_EQ(lan.addresses[1].right, "255.255.255.0");  // the single mask serves both
  ASSERT_EQ(lan.gateways.size(), 2u);
  EXPECT_EQ(lan.gateways[1].right, "20");
  EXPECT_EQ(lan.dnsServers, (std::vector<std::string>{"192.168.10.2", "192.168.10.3"}));
  EXPECT_TRUE(summary.interfaces[1].dhcp);
  EXPECT_TRUE(summary.interfaces[1].gateways.empty());
  EXPECT_EQ(summary.proxy.single.host, "proxy.example.co.jp");
  EXPECT_TRUE(summary.proxy.bypassLocal);
}

}  // namespace
