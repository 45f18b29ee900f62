// The proxy server string and bypass list grammar, and the proxy editing
// state shared by the profile editor and the proxy editor: toggles, held
// entries, load and save.
#include "views/proxy_settings.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "store/registry_access.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/test_machine.h"

namespace {

using views::HostPort;
using views::ProxyForm;
using views::ProxyRows;

struct ServerCase {
  const char* text;
  ProxyForm form;
  HostPort single;
  ProxyRows rows;
};

TEST(ProxyServerGrammar, ParsesBothForms) {
  const HostPort proxy{"proxy", "8080"};
  const ServerCase cases[] = {
      {"proxy:8080", ProxyForm::Single, proxy, {proxy, proxy, proxy, proxy, {}}},
      {"proxy",
       ProxyForm::Single,
       {"proxy", ""},
       {{{"proxy", ""}, {"proxy", ""}, {"proxy", ""}, {"proxy", ""}, {}}}},
      {"a:1:2",
       ProxyForm::Single,
       {"a", "1:2"},
       {{{"a", "1:2"}, {"a", "1:2"}, {"a", "1:2"}, {"a", "1:2"}, {}}}},
      {"", ProxyForm::Single, {}, {}},
      {":80",
       ProxyForm::Single,
       {"", "80"},
       {{{"", "80"}, {"", "80"}, {"", "80"}, {"", "80"}, {}}}},
      {"http=a:1;ftp=b", ProxyForm::PerProtocol, {}, {{{"a", "1"}, {}, {"b", ""}, {}, {}}}},
      // "http=" is not found inside "https=".
      {"https=s:443", ProxyForm::PerProtocol, {}, {{{}, {"s", "443"}, {}, {}, {}}}},
      {"socks=k:1080;gopher=g;ftp=f:21;https=s;http=h:8",
       ProxyForm::PerProtocol,
       {},
       {{{"h", "8"}, {"s", ""}, {"f", "21"}, {"g", ""}, {"k", "1080"}}}},
      // Unknown entries are ignored; keys are case-sensitive.
      {"HTTP=x:1;wais=w;ftp=f", ProxyForm::PerProtocol, {}, {{{}, {}, {"f", ""}, {}, {}}}},
      // The first occurrence of a key wins; a piece runs to the next ";".
      {"http=a;http=b", ProxyForm::PerProtocol, {}, {{{"a", ""}, {}, {}, {}, {}}}},
      {"=", ProxyForm::PerProtocol, {}, {}},
      {"http=", ProxyForm::PerProtocol, {}, {}},
  };
  for (const ServerCase& c : cases) {
    SCOPED_TRACE(c.text);
    views::ProxyServerFields fields = views::ParseProxyServer(c.text);
    EXPECT_EQ(fields.form, c.form);
    EXPECT_EQ(fields.single, c.single);
    for (std::size_t row = 0; row < views::kProxyRowCount; ++row)
      EXPECT_EQ(fields.rows[row], c.rows[row]) << "row " << row;
  }
}

TEST(ProxyServerGrammar, ComposesBothForms) {
  struct Case {
    ProxyForm form;
    HostPort single;
    ProxyRows rows;
    const char* expected;
  };
  const Case cases[] = {
      {ProxyForm::Single, {"proxy", "8080"}, {}, "proxy:8080"},
      {ProxyForm::Single, {"proxy", ""}, {}, "proxy"},
      {ProxyForm::Single, {}, {{{"h", "1"}}}, ""},
      {ProxyForm::Single, {"", "80"}, {}, ":80"},
      // A row without a host is left out with its port and leaves no ";".
      {ProxyForm::PerProtocol, {}, {{{"", "80"}, {"s", ""}, {}, {}, {}}}, "https=s"},
      {ProxyForm::PerProtocol,
       {"ignored", "1"},
       {{{"h", "8"}, {"s", ""}, {"f", "21"}, {"g", ""}, {"k", "1080"}}},
       "http=h:8;https=s;ftp=f:21;gopher=g;socks=k:1080"},
      {ProxyForm::PerProtocol, {}, {}, ""},
      // Written as typed, blanks included.
      {ProxyForm::PerProtocol, {}, {{{" h ", " 1"}}}, "http= h : 1"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.expected);
    EXPECT_EQ(views::ComposeProxyServer(c.form, c.single, c.rows), c.expected);
  }
}

TEST(ProxyServerGrammar, UnchangedStringsComposeBackToThemselves) {
  for (const char* text : {"proxy:8080", "proxy", "a:1:2", "", "http=a:1;ftp=b", "https=s",
                           "http=h:8;https=s;ftp=f:21;gopher=g;socks=k:1080"}) {
    views::ProxyServerFields fields = views::ParseProxyServer(text);
    EXPECT_EQ(views::ComposeProxyServer(fields.form, fields.single, fields.rows), text);
  }
}

TEST(ProxyServerGrammar, SplitsDoubleByteHostsOnRealSeparatorsOnly) {
  // "ポ" is 0x83 0x7C and "・" 0x81 0x45: no trail byte is ":", ";" or "=".
  const std::string host = win::ansiFromUtf8("プロキシ・ポート");
  views::ProxyServerFields fields = views::ParseProxyServer("ftp=" + host + ":21");
  EXPECT_EQ(fields.rows[views::kFtp], (HostPort{host, "21"}));
}

TEST(ProxyOverrideGrammar, ParsesAndComposes) {
  struct Case {
    const char* text;
    bool bypassLocal;
    const char* exceptions;
    const char* composed;  // what saving it unchanged writes
  };
  const Case cases[] = {
      {"<local>", true, "", "<local>"},
      {"a.com;<local>", true, "a.com", "a.com;<local>"},
      {"a.com;<local>;b.com", true, "a.com;b.com", "a.com;b.com;<local>"},
      // Not preceded by ";": it stays in the list, and a save appends another.
      {"<local>;a.com", true, "<local>;a.com", "<local>;a.com;<local>"},
      {"a.com;b.com", false, "a.com;b.com", "a.com;b.com"},
      {"", false, "", ""},
      // Only the first ";<local>" goes.
      {"a;<local>;<local>", true, "a;<local>", "a;<local>;<local>"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    views::ProxyOverrideFields fields = views::ParseProxyOverride(c.text);
    EXPECT_EQ(fields.bypassLocal, c.bypassLocal);
    EXPECT_EQ(fields.exceptions, c.exceptions);
    EXPECT_EQ(views::ComposeProxyOverride(fields.bypassLocal, fields.exceptions), c.composed);
  }
  EXPECT_EQ(views::ComposeProxyOverride(false, ""), "");
  EXPECT_EQ(views::ComposeProxyOverride(false, "a.com"), "a.com");
}

views::ProxyEditState Loaded(const char* server, win::DWORD enable = 1, const char* bypass = "",
                             const char* script = "") {
  views::ProxyEditState state;
  views::LoadProxyState(state, {script, enable, server, bypass});
  return state;
}

TEST(ProxyEditState, LoadSetsFieldsAndFieldStates) {
  views::ProxyEditState single = Loaded("proxy:8080", 1, "a.com;<local>", "http://x/p.pac");
  EXPECT_TRUE(single.proxyOn);
  EXPECT_TRUE(single.sameProxy);
  EXPECT_EQ(single.single, (HostPort{"proxy", "8080"}));
  EXPECT_EQ(single.rows[views::kGopher], (HostPort{"proxy", "8080"}));
  EXPECT_EQ(single.rows[views::kSocks], HostPort{});
  EXPECT_TRUE(single.bypassLocal);
  EXPECT_EQ(single.exceptions, "a.com");
  EXPECT_EQ(single.scriptAddress, "http://x/p.pac");
  EXPECT_TRUE(views::SingleFieldsEnabled(single));
  EXPECT_TRUE(views::ProxyDetailsEnabled(single));
  EXPECT_TRUE(views::ProtocolRowEnabled(single, views::kHttp));
  EXPECT_FALSE(views::ProtocolRowEnabled(single, views::kSecure));

  views::ProxyEditState perProtocol = Loaded("http=a:1;ftp=b", 0);
  EXPECT_FALSE(perProtocol.sameProxy);
  EXPECT_EQ(perProtocol.single, HostPort{});
  EXPECT_EQ(perProtocol.rows[views::kFtp], (HostPort{"b", ""}));
  EXPECT_FALSE(views::SingleFieldsEnabled(perProtocol));
  EXPECT_FALSE(views::ProxyDetailsEnabled(perProtocol));
  EXPECT_TRUE(views::ProtocolRowEnabled(perProtocol, views::kSocks));

  // Proxy off keeps the single fields' contents but disables them.
  views::ProxyEditState off = Loaded("proxy:8080", 0);
  EXPECT_EQ(off.single, (HostPort{"proxy", "8080"}));
  EXPECT_FALSE(views::SingleFieldsEnabled(off));
  views::SetProxyOn(off, true);
  EXPECT_TRUE(views::SingleFieldsEnabled(off));
}

TEST(ProxyEditState, SameProxyToggleHoldsAndRestoresTheOtherRows) {
  views::ProxyEditState state = Loaded("http=h:8;https=s:443;ftp=f;gopher=g:70;socks=k:1080");
  const ProxyRows before = state.rows;

  views::SetSameProxy(state, true);
  EXPECT_EQ(state.single, (HostPort{"h", "8"}));
  for (std::size_t row : {views::kSecure, views::kFtp, views::kGopher})
    EXPECT_EQ(state.rows[row], (HostPort{"h", "8"}));
  EXPECT_EQ(state.rows[views::kSocks], HostPort{});

  // Setting the same state again runs nothing: the held rows stay.
  views::SetSameProxy(state, true);
  views::SetSameProxy(state, false);
  EXPECT_EQ(state.rows, before);
  EXPECT_EQ(state.single, HostPort{});
}

TEST(ProxyEditState, ALoadThatTurnsSameProxyOnHoldsTheRowsShownBefore) {
  views::ProxyEditState state = Loaded("http=h;https=s;socks=k");
  views::LoadProxyState(state, {"", 1, "proxy:8080", ""});
  views::SetSameProxy(state, false);
  EXPECT_EQ(state.rows[views::kSecure], (HostPort{"s", ""}));
  EXPECT_EQ(state.rows[views::kSocks], (HostPort{"k", ""}));
  EXPECT_EQ(state.rows[views::kHttp], (HostPort{"proxy", "8080"}));
}

TEST(ProxyEditState, EditorOpeningAndOkCarryTheSingleFields) {
  views::ProxyEditState state = Loaded("proxy:8080");
  state.single = {"typed", "3128"};  // edited in the profile editor
  views::ShowProxyEditor(state);
  EXPECT_TRUE(state.sameProxy);
  EXPECT_EQ(state.rows[views::kHttp], (HostPort{"typed", "3128"}));
  state.rows[views::kHttp] = {"edited", "81"};
  views::AcceptProxyEditor(state);
  EXPECT_EQ(state.single, (HostPort{"edited", "81"}));

  // With the single fields disabled the editor opens in the per-protocol form.
  views::ProxyEditState perProtocol = Loaded("http=a:1");
  views::ShowProxyEditor(perProtocol);
  EXPECT_FALSE(perProtocol.sameProxy);
  EXPECT_EQ(perProtocol.rows[views::kHttp], (HostPort{"a", "1"}));
  perProtocol.single = {"x", "1"};
  views::AcceptProxyEditor(perProtocol);
  EXPECT_EQ(perProtocol.single, (HostPort{"x", "1"}));
}

TEST(ProxyEditState, SaveComposesWhatWasLoaded) {
  const views::ProxyValues cases[] = {
      {"", 1, "proxy:8080", "<local>"},
      {"", 1, "proxy", "a.com;<local>"},
      {"http://x/p.pac", 0, "", ""},
      {"", 1, "http=a:1;ftp=b", "a.com"},
      // A single-server profile whose proxy was turned off keeps its form.
      {"", 0, "proxy:8080", "a;b"},
  };
  for (const views::ProxyValues& stored : cases) {
    SCOPED_TRACE(stored.proxyServer);
    views::ProxyEditState state;
    views::LoadProxyState(state, stored);
    views::ProxyValues saved = views::ComposeProxyValues(state);
    EXPECT_EQ(saved.autoConfigUrl, stored.autoConfigUrl);
    EXPECT_EQ(saved.proxyEnable, stored.proxyEnable);
    EXPECT_EQ(saved.proxyServer, stored.proxyServer);
    EXPECT_EQ(saved.proxyOverride, stored.proxyOverride);
  }
}

TEST(ProxyEditState, SaveTrimsTheScriptAddressAndFollowsTheToggles) {
  views::ProxyEditState state = Loaded("proxy:8080", 5);
  state.scriptAddress = " \t http://x/a b.pac\r\n ";
  state.bypassLocal = false;
  state.exceptions = "";
  views::ProxyValues saved = views::ComposeProxyValues(state);
  EXPECT_EQ(saved.autoConfigUrl, "http://x/a b.pac");
  EXPECT_EQ(saved.proxyEnable, 1u);
  EXPECT_EQ(saved.proxyOverride, "");

  // Double-byte text at the ends is not trimmed.
  state.scriptAddress = win::ansiFromUtf8("　x　");
  EXPECT_EQ(views::ComposeProxyValues(state).autoConfigUrl, state.scriptAddress);

  views::SetSameProxy(state, false);
  state.rows[views::kHttp] = {"", "80"};
  state.rows[views::kSecure] = {"s", ""};
  EXPECT_EQ(views::ComposeProxyValues(state).proxyServer, "https=s");
}

TEST(ProxyEditState, ValuesPastTheirBufferAreRefusedNotCut) {
  views::ProxyEditState state = Loaded("proxy:8080");
  EXPECT_FALSE(views::FindProxySaveProblem(state));

  state.single = {std::string(250, 'h'), "8080"};  // 255 characters exactly
  EXPECT_FALSE(views::FindProxySaveProblem(state));
  state.single.port = "80801";
  ASSERT_TRUE(views::FindProxySaveProblem(state));
  EXPECT_EQ(win::ansiToUtf8(*views::FindProxySaveProblem(state)),
            "ﾌﾟﾛｷｼｻｰﾊﾞの設定が長すぎます（半角255文字まで）。\n短くしてから保存してください。");

  state = Loaded("proxy:8080", 1, "<local>");
  state.exceptions = std::string(248, 'e');  // plus ";<local>" is 256
  EXPECT_TRUE(views::FindProxySaveProblem(state));
  state.bypassLocal = false;
  EXPECT_FALSE(views::FindProxySaveProblem(state));

  state.scriptAddress = "  " + std::string(255, 'u') + "  ";  // trimmed, it fits
  EXPECT_FALSE(views::FindProxySaveProblem(state));
  state.scriptAddress += "u";
  EXPECT_TRUE(views::FindProxySaveProblem(state));

  // Composed per-protocol strings count, not the fields one by one.
  state = Loaded("http=a");
  for (HostPort& row : state.rows) row = {std::string(40, 'x'), "8080"};
  EXPECT_TRUE(views::FindProxySaveProblem(state));
}

TEST(ProxyValuesStore, WritesInOrderAndReadsBack) {
  testing_support::TestMachine machine;
  testing_support::ScriptedPrompter prompter;
  store::Context ctx{machine.machine(), prompter, nullptr};
  const std::string key = "Software\\Q\\Tolvik\\Setting\\1\\Data\\Internet Settings";
  machine.createKey(HKEY_LOCAL_MACHINE, key);
  machine.setString(HKEY_LOCAL_MACHINE, key, "Other", "kept");

  views::WriteProxyValues(ctx, HKEY_LOCAL_MACHINE, key, {"u", 1, "p:1", "<local>"});
  // New values enumerate in the order they were created.
  std::vector<std::string> names;
  std::vector<win::DWORD> types;
  win::HKEY handle = nullptr;
  ASSERT_EQ(machine.registry().RegOpenKeyExA(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_READ, &handle),
            0);
  for (win::DWORD index = 0;; ++index) {
    char name[256];
    win::DWORD nameLength = sizeof name;
    win::DWORD type = 0;
    if (machine.registry().RegEnumValueA(handle, index, name, &nameLength, nullptr, &type, nullptr,
                                         nullptr) != 0)
      break;
    names.emplace_back(name, nameLength);
    types.push_back(type);
  }
  (void)machine.registry().RegCloseKey(handle);
  EXPECT_EQ(names, (std::vector<std::string>{"Other", "AutoConfigURL", "ProxyEnable",
                                             "ProxyOverride", "ProxyServer"}));
  EXPECT_EQ(types, (std::vector<win::DWORD>{REG_SZ, REG_SZ, REG_DWORD, REG_SZ, REG_SZ}));
  views::ProxyValues back = views::ReadProxyValues(ctx, HKEY_LOCAL_MACHINE, key);
  EXPECT_EQ(back.autoConfigUrl, "u");
  EXPECT_EQ(back.proxyEnable, 1u);
  EXPECT_EQ(back.proxyServer, "p:1");
  EXPECT_EQ(back.proxyOverride, "<local>");

  // No key: nothing is written and everything reads as empty.
  const std::string missing = "Software\\Q\\Tolvik\\Setting\\2\\Data\\Internet Settings";
  views::WriteProxyValues(ctx, HKEY_LOCAL_MACHINE, missing, {"u", 1, "p:1", "<local>"});
  EXPECT_FALSE(machine.keyExists(HKEY_LOCAL_MACHINE, missing));
  views::ProxyValues none = views::ReadProxyValues(ctx, HKEY_LOCAL_MACHINE, missing);
  EXPECT_EQ(none.proxyEnable, 0u);
  EXPECT_EQ(none.proxyServer, "");
}

}  // namespace
