// Profiles as files: a profile exported on one notebook comes back on
// another byte for byte, its interfaces moved to that notebook's adapters of
// the same connection name; a file that is malformed or would smuggle
// commands into a switch script is refused with its place and changes
// nothing.
#include "store/profile_file.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <QTemporaryDir>

#include <functional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "store/capture.h"
#include "store/profile_store.h"
#include "store/system_keys.h"
#include "tests/support/notebook_profile.h"
#include "tests/support/registry_snapshot.h"
#include "tools/verantu-machine/templates.h"

namespace {

using json = nlohmann::ordered_json;
using testing_support::NotebookProfile;
using testing_support::Snapshot;
using win::DWORD;

constexpr const char* kErrorCaption = "エラーメッセージ";
// The second notebook's adapters: the wired one under another identifier
// with the same connection name, the wireless one renamed as well.
constexpr const char* kOtherWired = "{0F1E2D3C-4B5A-4968-8776-A5B4C3D2E1F0}";
constexpr const char* kOtherWireless = "{5A5A5A5A-1111-4222-8333-944455556666}";

std::string ansi(const std::string& utf8) {
  return win::ansiFromUtf8(utf8);
}

// Answers Yes and keeps every box (texts in UTF-8).
class RecordingPrompter : public win::Prompter {
 public:
  struct Box {
    std::string text;
    std::string caption;
  };
  int messageBox(win::HWND, const std::string& text, const std::string& caption,
                 win::UINT flags) override {
    shown.push_back({win::ansiToUtf8(text), win::ansiToUtf8(caption)});
    return (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
  }
  std::vector<Box> shown;
};

void set(win::Registry& registry, const std::string& path, const std::string& name, DWORD type,
         const std::string& bytes) {
  win::HKEY key = nullptr;
  ASSERT_EQ(registry.RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, "", 0, KEY_ALL_ACCESS,
                                     nullptr, &key, nullptr),
            ERROR_SUCCESS);
  EXPECT_EQ(registry.RegSetValueExA(key, name.c_str(), 0, type,
                                    reinterpret_cast<const win::BYTE*>(bytes.data()),
                                    DWORD(bytes.size())),
            ERROR_SUCCESS);
  (void)registry.RegCloseKey(key);
}

Snapshot slotOf(win::Machine& machine, int slot) {
  return testing_support::snapshot(machine.registry(), HKEY_LOCAL_MACHINE, store::SlotPath(slot));
}

std::string replaceAll(std::string text, const std::string& from, const std::string& to) {
  for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + 1))
    text.replace(at, from.size(), to);
  return text;
}

// The notebook profile 本社 with a value of every kind beside its mirrors:
// text with and without its NUL, a trail byte 0x5C, bytes that are no code
// page 932 text, odd sizes, types Windows has no name for.
class ProfileFileTest : public ::testing::Test {
 protected:
  ProfileFileTest() : source("本社") {
    win::Registry& registry = source.machine().registry();
    const std::string extra = store::DataPath(1) + "\\" + ansi("網");
    set(registry, extra, "", REG_SZ, ansi("既定"));
    set(registry, extra, ansi("ソ表"), REG_SZ, ansi("ソ表"));
    set(registry, extra, "Lone", REG_SZ, std::string("\x81\0", 2));
    set(registry, extra, "Expand", REG_EXPAND_SZ, std::string("%SystemRoot%\\x\0", 15));
    set(registry, extra, "Multi", REG_MULTI_SZ, ansi("a") + '\0' + ansi("ｶﾅ") + '\0' + '\0');
    set(registry, extra, "Short", REG_DWORD, std::string("\1\2\3", 3));
    set(registry, extra, "Dword", REG_DWORD, std::string("\xff\0\0\x80", 4));
    set(registry, extra, "Binary", REG_BINARY, std::string("\0\xff\x10", 3));
    set(registry, extra, "None", REG_NONE, "");
    set(registry, extra, "Odd", 0x12345678, "xyz");
    set(registry, extra, "Qword", REG_QWORD, std::string("\1\0\0\0\0\0\0\x80", 8));
    set(registry, extra + "\\Sub", "Deep", REG_SZ, std::string("1\0", 2));

    store::Context ctx{source.machine(), prompter, nullptr};
    std::optional<std::string> exported = store::ExportProfile(ctx, ansi("本社"));
    EXPECT_TRUE(exported);
    text = exported.value_or("");
  }

  // A notebook whose adapters have other identifiers, with one profile of
  // its own, 自宅.
  std::unique_ptr<emu::EmulatedMachine> otherNotebook(const std::string& wirelessName) {
    std::string reg = machinetool::templateReg("notebook")->toStdString();
    reg = replaceAll(reg, NotebookProfile::kWired, kOtherWired);
    reg = replaceAll(reg, NotebookProfile::kWireless, kOtherWireless);
    reg = replaceAll(reg, "\"Name\"=\"ワイヤレス ネットワーク接続\"",
                     "\"Name\"=\"" + wirelessName + "\"");
    std::string error;
    auto machine = machinetool::createMachine(dir.path().toStdString() + "/other", reg, "other",
                                              false, &error);
    EXPECT_TRUE(machine) << error;
    store::Context ctx{*machine, prompter, nullptr};
    EXPECT_TRUE(store::CaptureProfile(ctx, ansi("自宅")).captured);
    return machine;
  }

  NotebookProfile source;
  RecordingPrompter prompter;
  std::string text;
  QTemporaryDir dir;
};

TEST_F(ProfileFileTest, RoundTripOnAnotherNotebookMovesInterfacesByConnectionName) {
  auto other = otherNotebook("無線LAN");
  RecordingPrompter answers;
  store::Context ctx{*other, answers, nullptr};
  store::ImportResult result = store::ImportProfile(ctx, text, std::nullopt);
  ASSERT_TRUE(result.imported);
  EXPECT_TRUE(result.appendTitle);
  EXPECT_EQ(result.title, ansi("本社"));

  // Every value of the slot, byte for byte, under the second slot; the wired
  // interface's keys and its IpConfig renamed to this notebook's adapter.
  Snapshot expected;
  const std::string ipConfigOf = std::string(store::kAdaptersKey) + "\\" + NotebookProfile::kWired;
  for (auto [path, value] : slotOf(source.machine(), 1)) {
    if (path.find(ipConfigOf + "\\|IpConfig") != std::string::npos)
      value.second = replaceAll(value.second, NotebookProfile::kWired, kOtherWired);
    expected[replaceAll(path, NotebookProfile::kWired, kOtherWired)] = value;
  }
  EXPECT_EQ(slotOf(*other, 2), expected);
  DWORD comboActive = 9;
  int slotCount = 0;
  ASSERT_EQ(store::ReadStoreInfo(ctx, slotCount, comboActive), 0);
  EXPECT_EQ(slotCount, 2);
  EXPECT_EQ(comboActive, 1u);

  const std::vector<std::string> lines = {
      ansi("[ローカル エリア接続] アダプタ ") + NotebookProfile::kWired +
          ansi(" の設定を、このパソコンの同じ接続名のアダプタ ") + kOtherWired +
          ansi(" の設定として読み込みました。"),
      ansi(
          "[ワイヤレス ネットワーク接続] 同じ接続名のアダプタがこのパソコンにないため、アダプタ ") +
          NotebookProfile::kWireless + ansi(" の設定のまま読み込みました。"),
  };
  EXPECT_EQ(result.interfaceLines, lines);
  ASSERT_EQ(answers.shown.size(), 1u);
  EXPECT_EQ(answers.shown[0].text, "登録ファイルの内容を「本社」として登録しました。\n" +
                                       win::ansiToUtf8(lines[0]) + "\n" +
                                       win::ansiToUtf8(lines[1]));

  // Imported again over itself, after the capture's question, it stays the
  // same; under another title it takes the next slot.
  answers.shown.clear();
  ASSERT_TRUE(store::ImportProfile(ctx, text, std::nullopt).imported);
  EXPECT_NE(answers.shown.front().text.find("上書きしますか？"), std::string::npos);
  EXPECT_EQ(slotOf(*other, 2), expected);
  ASSERT_TRUE(store::ImportProfile(ctx, text, ansi("本社2")).imported);
  expected[std::string("|Title")].second = ansi("本社2") + '\0';
  EXPECT_EQ(slotOf(*other, 3), expected);
}

// A file is refused whole, naming where it goes wrong, and the store stays
// exactly as it was.
TEST_F(ProfileFileTest, MalformedOrHostileFilesAreRefusedWithTheirPlace) {
  const json good = json::parse(text);
  // The value `name` of the key at `path` (names from the slot down).
  auto valueAt = [](json& document, const std::vector<std::string>& path,
                    const std::string& name) -> json& {
    json* key = &document["profile"];
    for (const std::string& part : path)
      for (json& child : (*key)["keys"])
        if (child["name"] == part) key = &child;
    for (json& value : (*key)["values"])
      if (value["name"] == name) return value;
    throw std::runtime_error("no value " + name);
  };
  const std::vector<std::string> wiredInterface = {
      "Data",  "SYSTEM",     "CurrentControlSet", "Services",
      "Tcpip", "Parameters", "Interfaces",        NotebookProfile::kWired};
  const std::vector<std::string> wiredConnection = {"Data",
                                                    "SYSTEM",
                                                    "CurrentControlSet",
                                                    "Control",
                                                    "Network",
                                                    "{4D36E972-E325-11CE-BFC1-08002BE10318}",
                                                    NotebookProfile::kWired,
                                                    "Connection"};
  auto edited = [&](const std::function<void(json&)>& edit) {
    json document = good;
    edit(document);
    return document.dump();
  };
  struct Case {
    const char* what;
    std::string file;
    std::string place;   // part of the message that names the place
    std::string reason;  // part of the message that says what is wrong
  };
  const std::vector<Case> cases = {
      {"truncated", text.substr(0, text.size() / 2), "行目", "途中で切れています"},
      {"a .reg file", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\Software\\Q\\Tolvik\\Setting\\1]\n",
       "1行目 1文字目", "JSONの書式"},
      {"another format", edited([](json& d) { d["format"] = "other"; }), "項目 /format",
       "登録ファイルではありません"},
      {"a later version", edited([](json& d) { d["version"] = 2; }), "項目 /version", "版"},
      {"no version", edited([](json& d) { d.erase("version"); }), "項目 /version", "ありません"},
      {"values not a list", edited([](json& d) { d["profile"]["values"] = json::object(); }),
       "項目 /profile/values", "配列"},
      {"a type that is none", edited([&](json& d) { valueAt(d, {}, "Title")["type"] = true; }),
       "項目 /profile/values/0/type", "種類"},
      {"a number as text", edited([&](json& d) {
         json& v = valueAt(d, {"Data"}, "DomainType");
         v.erase("dword");
         v["text"] = "7";
       }),
       "/text", "\"text\""},
      {"a number out of range", edited([&](json& d) {
         valueAt(d, {"Data", "網"}, "Dword")["dword"] = 4294967296ull;
       }),
       "/dword", "4294967295"},
      {"odd hex digits", edited([&](json& d) {
         valueAt(d, {"Data", "網"}, "Binary")["hex"] = "abc";
       }),
       "/hex", "16進数"},
      {"two kinds of data", edited([&](json& d) {
         valueAt(d, {"Data", "網"}, "Expand")["hex"] = "00";
       }),
       "項目 /profile", "どれか一つ"},
      {"a name outside code page 932", edited([&](json& d) {
         valueAt(d, {"Data", "網"}, "None")["name"] = "caf\u00e9";
       }),
       "/name", "コードページ932"},
      {"the same value twice", edited([&](json& d) {
         valueAt(d, {"Data", "網"}, "None")["name"] = "BINARY";
       }),
       "/name", "二度"},
      {"a key name of 256 characters", edited([](json& d) {
         d["profile"]["keys"].push_back(
             {{"name", std::string(256, 'k')}, {"values", json::array()}, {"keys", json::array()}});
       }),
       "/name", "255文字"},
      {"a value name of 16,384 characters", edited([](json& d) {
         d["profile"]["values"].push_back(
             {{"name", std::string(16384, 'v')}, {"type", "REG_NONE"}, {"hex", ""}});
       }),
       "/name", "16383文字"},
      {"keys 513 levels deep", edited([](json& d) {
         json deepest = {{"name", "k"}, {"values", json::array()}, {"keys", json::array()}};
         for (int level = 0; level < 507; ++level)
           deepest = {{"name", "k"}, {"values", json::array()}, {"keys", json::array({deepest})}};
         d["profile"]["keys"].push_back(deepest);
       }),
       "/keys/0", "512段"},
      {"a connection name that ends the quotes", edited([&](json& d) {
         valueAt(d, wiredConnection, "Name")["text"] = std::string("LAN\" & del C:\\x &\0", 18);
       }),
       "/values/", "コマンドに使えない"},
      {"an address with a command behind it", edited([&](json& d) {
         valueAt(d, wiredInterface, "IPAddress")["text"] =
             std::string("192.168.0.10\0192.168.0.11 & format c:\0\0", 39);
       }),
       "/values/", "コマンドに使えない"},
      {"a DNS server with a pipe",
       edited([&](json& d) { valueAt(d, wiredInterface, "NameServer")["text"] = "1.1.1.1|calc"; }),
       "/values/", "コマンドに使えない"},
      {"no title", edited([&](json& d) { d["profile"]["values"].erase(0); }), "/profile/values",
       "Title"},
  };

  store::Context plain{source.machine(), prompter, nullptr};
  const Snapshot before =
      testing_support::snapshot(source.machine().registry(), HKEY_LOCAL_MACHINE, store::kRootKey);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    RecordingPrompter refusal;
    store::Context ctx{source.machine(), refusal, nullptr};
    EXPECT_FALSE(store::ImportProfile(ctx, c.file, std::nullopt).imported);
    ASSERT_EQ(refusal.shown.size(), 1u);
    EXPECT_EQ(refusal.shown[0].caption, kErrorCaption);
    EXPECT_NE(refusal.shown[0].text.find(c.place), std::string::npos) << refusal.shown[0].text;
    EXPECT_NE(refusal.shown[0].text.find(c.reason), std::string::npos) << refusal.shown[0].text;
    EXPECT_EQ(
        testing_support::snapshot(source.machine().registry(), HKEY_LOCAL_MACHINE, store::kRootKey),
        before);
  }
  // The untouched file is taken, so each refusal was the edit's doing.
  EXPECT_TRUE(store::ImportProfile(plain, good.dump(), ansi("新規")).imported);
}

}  // namespace
