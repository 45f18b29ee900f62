// The switch command on the notebook machine: a captured profile applied
// back over changed live settings, the store values it records, and every
// way the switch can stop or fail without hanging.
#include "switching/switch_flow.h"
#include "switching/switch_guard.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "store/capture.h"
#include "store/deletion.h"
#include "store/profile_store.h"
#include "store/registry_access.h"
#include "switching/switch_undo.h"
#include "switching/work_file_text.h"
#include "tests/support/faulty_registry.h"
#include "tests/support/registry_snapshot.h"
#include "tests/support/scripted_prompter.h"
#include "tools/verantu-machine/templates.h"

namespace {

using testing_support::ScriptedPrompter;

const std::string kInterfaces =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";
const std::string kWired = kInterfaces + "\\{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}";
const std::string kWireless = kInterfaces + "\\{C1D7E4B9-2A63-4E58-B0F4-7A91D2C6E835}";
const std::string kInternetSettings =
    "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";
const std::string kEmulation = "SYSTEM\\Emulation";

const char* kError = "エラーメッセージ";
const char* kInfo = "情報メッセージ";
const char* kDone = "ネットワーク設定の切り替え完了！";
const char* kFailed = "切り替えが失敗したようです。「ｵﾌﾟｼｮﾝ」から実行結果を確認してください。";
constexpr win::UINT kErrorFlags = MB_OK | MB_ICONERROR;
constexpr win::UINT kInfoFlags = MB_OK | MB_ICONINFORMATION;

std::string ansi(const std::string& utf8) {
  return win::ansiFromUtf8(utf8);
}

// Sets an environment variable for one test.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::string& value) : name_(name) {
    if (const char* old = std::getenv(name)) old_ = old;
    setenv(name, value.c_str(), 1);
  }
  ~ScopedEnv() {
    if (old_)
      setenv(name_, old_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> old_;
};

// Answers the confirmation dialog and records what the flow shows.
class FakeView : public switching::SwitchView {
 public:
  switching::SwitchChoice choice{true, 15, {true, true}, true};
  std::optional<switching::SwitchOffer> offer;
  std::vector<std::string> events;  // UTF-8
  std::string appliedTitle;         // UTF-8

  std::function<void()> whileConfirming;  // what happens elsewhere while the dialog is open

  switching::SwitchChoice confirm(const switching::SwitchOffer& shown) override {
    offer = shown;
    events.push_back("confirm");
    if (whileConfirming) whileConfirming();
    return choice;
  }
  void setBusy(bool busy) override { events.push_back(busy ? "busy" : "idle"); }
  void setProgressRange(int maximum) override {
    events.push_back("range " + std::to_string(maximum));
  }
  void setProgress(int position) override {
    events.push_back("progress " + std::to_string(position));
  }
  void setStatusText(const std::string& text) override {
    events.push_back("status " + win::ansiToUtf8(text));
  }
  void setAppliedTitle(const std::string& title) override { appliedTitle = win::ansiToUtf8(title); }
  bool saw(const std::string& event) const {
    return std::find(events.begin(), events.end(), event) != events.end();
  }
};

// The machine with a shell that notes every command line it starts.
class NotingShellMachine : public win::Machine, private win::Shell {
 public:
  explicit NotingShellMachine(win::Machine& inner) : inner_(inner) {}
  win::Registry& registry() override { return inner_.registry(); }
  win::Files& files() override { return inner_.files(); }
  win::System& system() override { return inner_.system(); }
  win::Shell& shell() override { return *this; }
  win::ProfileStrings& profileStrings() override { return inner_.profileStrings(); }
  win::Membership& membership() override { return inner_.membership(); }
  win::Internet& internet() override { return inner_.internet(); }
  std::vector<std::string> started;

 private:
  win::HINSTANCE ShellExecuteA(win::HWND owner, const char* verb, const char* file,
                               const char* params, const char* dir, int show) override {
    return inner_.shell().ShellExecuteA(owner, verb, file, params, dir, show);
  }
  void Sleep(win::DWORD milliseconds) override { inner_.shell().Sleep(milliseconds); }
  win::UINT WinExec(const char* commandLine, win::UINT show) override {
    started.push_back(commandLine);
    return inner_.shell().WinExec(commandLine, show);
  }
  win::BOOL CreateProcessA(const char* application, char* commandLine, const void* process,
                           const void* thread, win::BOOL inherit, win::DWORD flags, void* env,
                           const char* directory, win::STARTUPINFOA* startup,
                           win::PROCESS_INFORMATION* info) override {
    started.push_back(commandLine);
    return inner_.shell().CreateProcessA(application, commandLine, process, thread, inherit, flags,
                                         env, directory, startup, info);
  }
  win::DWORD WaitForSingleObject(win::HANDLE process, win::DWORD milliseconds) override {
    return inner_.shell().WaitForSingleObject(process, milliseconds);
  }
  win::BOOL GetExitCodeProcess(win::HANDLE process, win::DWORD* exitCode) override {
    return inner_.shell().GetExitCodeProcess(process, exitCode);
  }
  win::BOOL TerminateProcess(win::HANDLE process, win::UINT exitCode) override {
    return inner_.shell().TerminateProcess(process, exitCode);
  }
  win::BOOL CloseHandle(win::HANDLE handle) override { return inner_.shell().CloseHandle(handle); }

  win::Machine& inner_;
};

class SwitchFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto reg = machinetool::templateReg("notebook");
    ASSERT_TRUE(reg);
    std::string error;
    machine = machinetool::createMachine(
        folder, std::string_view(reg->constData(), size_t(reg->size())), "notebook", false, &error);
    ASSERT_TRUE(machine) << error;
    ASSERT_TRUE(machine->files().createDirectory("C:\\WINDOWS"));
  }

  store::Context context() { return {*machine, prompter, nullptr}; }

  // Captures the live settings as a new profile.
  void capture(const std::string& utf8Title) {
    prompter
        .expect(
            "現在のネットワーク設定をコンボボックスに記述された名称で登録します。\n新規に登録しま"
            "す。",
            "確認メッセージ", MB_YESNO | MB_ICONWARNING, IDYES)
        .expect("現在のﾈｯﾄﾜｰｸの設定を登録しました。", kInfo, kInfoFlags);
    ASSERT_TRUE(store::CaptureProfile(context(), ansi(utf8Title)).captured);
  }

  switching::SwitchOutcome runSwitch(const std::string& utf8Title,
                                     std::chrono::milliseconds stall = std::chrono::seconds(20)) {
    return switching::RunSwitch(context(), ansi(utf8Title), view, {stall});
  }

  void set(win::HKEY hive, const std::string& path, const std::string& name, win::DWORD type,
           const std::string& bytes) {
    win::HKEY key = nullptr;
    ASSERT_EQ(machine->registry().RegCreateKeyExA(hive, path.c_str(), 0, "", 0, KEY_ALL_ACCESS,
                                                  nullptr, &key, nullptr),
              ERROR_SUCCESS);
    machine->registry().RegSetValueExA(key, name.c_str(), 0, type,
                                       reinterpret_cast<const win::BYTE*>(bytes.data()),
                                       win::DWORD(bytes.size()));
    machine->registry().RegCloseKey(key);
  }
  void setString(win::HKEY hive, const std::string& path, const std::string& name,
                 const std::string& text) {
    set(hive, path, name, REG_SZ, text + '\0');
  }
  void setDword(win::HKEY hive, const std::string& path, const std::string& name,
                win::DWORD value) {
    set(hive, path, name, REG_DWORD, std::string(reinterpret_cast<char*>(&value), 4));
  }
  std::optional<win::DWORD> dword(win::HKEY hive, const std::string& path,
                                  const std::string& name) {
    auto values = testing_support::snapshot(machine->registry(), hive, path);
    auto it = values.find("|" + name);
    if (it == values.end() || it->second.second.size() != 4) return std::nullopt;
    win::DWORD value = 0;
    std::memcpy(&value, it->second.second.data(), 4);
    return value;
  }
  // The TCP/IP values the program reads, each as text, of both interfaces.
  // Masks are compared by address: netsh stores one for every address.
  std::vector<std::string> liveTcpip() {
    std::vector<std::string> values;
    store::Context ctx = context();
    for (const std::string& key : {kWired, kWireless}) {
      win::DWORD dhcp = 99;
      (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, key, "EnableDHCP", dhcp);
      values.push_back(std::to_string(dhcp));
      switching::StringList masks =
          switching::ReadStringList(ctx, HKEY_LOCAL_MACHINE, key, "SubnetMask");
      switching::StringList addresses =
          switching::ReadStringList(ctx, HKEY_LOCAL_MACHINE, key, "IPAddress");
      for (std::size_t i = 0; i < addresses.items.size(); ++i)
        values.push_back(addresses.items[i] + "/" + masks.at(i));
      for (const char* name : {"DefaultGateway", "DefaultGatewayMetric"})
        for (const std::string& item :
             switching::ReadStringList(ctx, HKEY_LOCAL_MACHINE, key, name).items)
          values.push_back(item);
      std::string dns;
      (void)store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, key, "NameServer", dns);
      values.push_back(dns);
    }
    return values;
  }
  // The proxy values as the program reads them; "-" for a missing one.
  std::vector<std::string> liveProxy() {
    std::vector<std::string> values;
    store::Context ctx = context();
    for (const char* name : {"ProxyServer", "ProxyOverride", "AutoConfigURL"}) {
      std::string text;
      values.push_back(
          store::ReadStringValue(ctx, HKEY_CURRENT_USER, kInternetSettings, name, text) == 0 ? text
                                                                                             : "-");
    }
    values.push_back(
        std::to_string(dword(HKEY_CURRENT_USER, kInternetSettings, "ProxyEnable").value_or(99)));
    return values;
  }
  testing_support::Snapshot liveNetwork() {
    return testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, kInterfaces);
  }
  std::string defaultPrinter() {
    char device[256] = {};
    machine->profileStrings().GetProfileStringA("windows", "device", "", device, sizeof device);
    return win::ansiToUtf8(device);
  }
  std::string membership() {
    std::u16string name;
    win::DWORD status = 0;
    machine->membership().NetGetJoinInformation(nullptr, &name, &status);
    return win::ansiToUtf8(win::wideToAnsi(name).value()) + "/" + std::to_string(status);
  }
  // Elsewhere: the wired card on DHCP, DNS on the wireless one, another
  // printer, no proxy but a configuration script, another workgroup.
  void moveElsewhere() {
    setDword(HKEY_LOCAL_MACHINE, kWired, "EnableDHCP", 1);
    set(HKEY_LOCAL_MACHINE, kWired, "IPAddress", REG_MULTI_SZ, std::string("0.0.0.0\0\0", 9));
    set(HKEY_LOCAL_MACHINE, kWired, "SubnetMask", REG_MULTI_SZ, std::string("0.0.0.0\0\0", 9));
    set(HKEY_LOCAL_MACHINE, kWired, "DefaultGateway", REG_MULTI_SZ, std::string(2, '\0'));
    set(HKEY_LOCAL_MACHINE, kWired, "DefaultGatewayMetric", REG_MULTI_SZ, std::string(2, '\0'));
    setString(HKEY_LOCAL_MACHINE, kWired, "NameServer", "");
    setString(HKEY_LOCAL_MACHINE, kWireless, "NameServer", "10.0.0.1");
    machine->profileStrings().WriteProfileStringA("windows", "device",
                                                  "Canon LBP3300,winspool,Ne01:");
    setDword(HKEY_CURRENT_USER, kInternetSettings, "ProxyEnable", 0);
    setString(HKEY_CURRENT_USER, kInternetSettings, "ProxyServer", "other:3128");
    setString(HKEY_CURRENT_USER, kInternetSettings, "AutoConfigURL", "http://wpad/wpad.dat");
    ASSERT_EQ(machine->membership().NetJoinDomain(nullptr, u"HOME", nullptr, nullptr, nullptr,
                                                  NETSETUP_JOIN_UNSECURE),
              NERR_Success);
  }
  // Every live value a switch may change.
  std::vector<std::string> liveState() {
    std::vector<std::string> state = liveTcpip();
    for (const std::string& value : liveProxy()) state.push_back(value);
    state.push_back(defaultPrinter());
    state.push_back(membership());
    return state;
  }
  testing_support::Snapshot undoState() {
    return testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, store::kUndoKey);
  }
  std::string driveC(const std::string& path) { return folder + "/drive_c/" + path; }
  std::string readHostFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
  }
  // A stand-in for the machine tool: a shell script with `body`.
  std::string fakeTool(const std::string& body) {
    std::string path = dir.path().toStdString() + "/tool";
    std::ofstream(path) << "#!/bin/sh\n" << body << "\n";
    QFile::setPermissions(QString::fromStdString(path),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return path;
  }
  // The wired interface unplugged: netsh fails on it.
  void unplugWired() {
    std::string list = ansi("ローカル エリア接続") + '\0' + '\0';
    set(HKEY_LOCAL_MACHINE, kEmulation, "UnavailableInterfaces", REG_MULTI_SZ, list);
  }

  QTemporaryDir dir;
  std::string folder = dir.path().toStdString() + "/machine";
  std::unique_ptr<emu::EmulatedMachine> machine;
  ScriptedPrompter prompter;
  FakeView view;
};

TEST_F(SwitchFlowTest, AppliesACapturedProfileOverChangedLiveSettings) {
  capture("オフィス");
  const std::vector<std::string> network = liveTcpip();
  const std::vector<std::string> proxy = liveProxy();

  moveElsewhere();
  ASSERT_NE(liveTcpip(), network);
  ASSERT_NE(liveProxy(), proxy);

  // The store holds the record, and the window the title, by the time the
  // success message is shown.
  std::vector<win::DWORD> seen;
  std::string titleAtBox;
  struct AtBox : win::Prompter {
    AtBox(win::Prompter& wrapped, std::function<void()> onBox) : inner(wrapped), note(onBox) {}
    int messageBox(win::HWND owner, const std::string& text, const std::string& caption,
                   win::UINT flags) override {
      note();
      return inner.messageBox(owner, text, caption, flags);
    }
    win::Prompter& inner;
    std::function<void()> note;
  } atBox(prompter, [&] {
    seen.push_back(dword(HKEY_LOCAL_MACHINE, store::kSettingKey, "Active").value_or(99));
    seen.push_back(dword(HKEY_LOCAL_MACHINE, store::SlotPath(1), "Count").value_or(99));
    titleAtBox = view.appliedTitle;
  });
  prompter.expect(kDone, kInfo, kInfoFlags);
  EXPECT_EQ(switching::RunSwitch({*machine, atBox, nullptr}, ansi("オフィス"), view,
                                 {std::chrono::seconds(20)}),
            switching::SwitchOutcome::Succeeded);
  EXPECT_EQ(seen, (std::vector<win::DWORD>{0, 1}));
  EXPECT_EQ(titleAtBox, "オフィス");

  EXPECT_EQ(liveTcpip(), network);
  EXPECT_EQ(liveProxy(), proxy);
  EXPECT_EQ(defaultPrinter(), "EPSON PX-V630,winspool,Ne00:");
  EXPECT_EQ(membership(), "WORKGROUP/2");

  // What the dialog offered, and how the window followed the switch.
  ASSERT_TRUE(view.offer);
  EXPECT_EQ(view.offer->rememberedSteps, switching::kDefaultSteps);
  ASSERT_EQ(view.offer->interfaces.size(), 2u);
  EXPECT_EQ(win::ansiToUtf8(view.offer->interfaces[0].name), "ローカル エリア接続");
  EXPECT_EQ(win::ansiToUtf8(view.offer->defaultPrinter.value_or("")), "EPSON PX-V630");
  EXPECT_EQ(view.events.front(), "confirm");
  EXPECT_EQ(view.events[1], "busy");
  EXPECT_TRUE(view.saw("range 6"));
  const std::vector<std::string> ending = {"idle", "status ", "progress 0"};
  EXPECT_TRUE(std::equal(ending.begin(), ending.end(), view.events.end() - 3));
  EXPECT_EQ(view.appliedTitle, "オフィス");

  // The store records the switch.
  EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, store::kSettingKey, "Active"), 0u);
  EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, store::DataPath(1), "InitCheck"), 15u);
  EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, store::SlotPath(1), "Count"), 1u);
}

TEST_F(SwitchFlowTest, AFailingNetshCommandFailsTheSwitchButItIsCounted) {
  capture("A");
  capture("B");
  // The failed commands matter: the wired DNS is not the profile's.
  setString(HKEY_LOCAL_MACHINE, kWired, "NameServer", "9.9.9.9");
  unplugWired();
  view.choice.remember = false;
  prompter.expect(kFailed, kError, kErrorFlags);
  EXPECT_EQ(runSwitch("B"), switching::SwitchOutcome::Failed);

  EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, store::SlotPath(2), "Count"), 1u);
  EXPECT_FALSE(dword(HKEY_LOCAL_MACHINE, store::kSettingKey, "Active"));
  EXPECT_FALSE(dword(HKEY_LOCAL_MACHINE, store::DataPath(2), "InitCheck"));
  EXPECT_EQ(view.appliedTitle, "");
  // The message stays visible in the result file.
  std::string result = win::ansiToUtf8(readHostFile(driveC("WINDOWS/relay4err.txt")));
  EXPECT_NE(result.find("e ○○○ 切り替え処理の終了"), std::string::npos);

  // Remembered steps come back the next time; Count keeps adding up.
  view.choice = {true, switching::kStepPrinter, {}, true};
  prompter.expect(kDone, kInfo, kInfoFlags);
  EXPECT_EQ(runSwitch("B"), switching::SwitchOutcome::Succeeded);
  EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, store::SlotPath(2), "Count"), 2u);
  EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, store::DataPath(2), "InitCheck"), switching::kStepPrinter);
  EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, store::kSettingKey, "Active"), 1u);
  view.choice.confirmed = false;
  runSwitch("B");
  EXPECT_EQ(view.offer->rememberedSteps, switching::kStepPrinter);
}

// The verdict rests on what the interfaces hold afterwards, not on what
// netsh printed. Wine's netsh, for one, is a stub that changes nothing; the
// netsh of today's Windows prints only blank lines, and messages of its
// that change nothing of the outcome.
TEST_F(SwitchFlowTest, TheVerdictRestsOnTheSettingsReadBack) {
  capture("A");
  const std::string windows = driveC("WINDOWS");
  struct Case {
    const char* what;
    const char* sed;  // what becomes of the script (code page 932 bytes) before it runs
    bool succeeds;
    std::vector<std::string> added;  // the lines the result viewer ends with
  };
  const std::vector<Case> cases = {
      {"blank lines and no change",
       "s/^netsh [^>]*>>/echo. >>/",
       false,
       {"※切り替え後に読み直した設定が、指定と違います。",
        "[ローカル エリア接続] DNSｻｰﾊﾞ：指定 192.168.10.2,192.168.10.3 ／ 現在 9.9.9.9",
        "[ワイヤレス ネットワーク接続] DNSｻｰﾊﾞ：指定 なし ／ 現在 10.0.0.1"}},
      {"a harmless message with the settings in place",
       "s/^\\(netsh .*\\) >> \\(.*\\)$/\\1 >> \\2\\necho Warning: not validated >> \\2/",
       true,
       {"Warning: not validated ", " ○○○ 切り替え処理の終了 "}},
  };
  win::DWORD count = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    setString(HKEY_LOCAL_MACHINE, kWired, "NameServer", "9.9.9.9");
    setString(HKEY_LOCAL_MACHINE, kWireless, "NameServer", "10.0.0.1");
    ScopedEnv tool("VERANTU_MACHINE_TOOL",
                   fakeTool(std::string("LC_ALL=C sed '") + c.sed + "' '" + windows +
                            "/relay4.bat' > '" + windows + "/edited.bat' && exec '" +
                            VERANTU_MACHINE_TOOL + "' cmd /c 'C:\\WINDOWS\\edited.bat'"));
    prompter.expect(c.succeeds ? kDone : kFailed, c.succeeds ? kInfo : kError,
                    c.succeeds ? kInfoFlags : kErrorFlags);
    EXPECT_EQ(runSwitch("A"),
              c.succeeds ? switching::SwitchOutcome::Succeeded : switching::SwitchOutcome::Failed);
    std::vector<std::string> shown;
    for (const std::string& line : switching::ReadResultViewerLines(*machine))
      shown.push_back(win::ansiToUtf8(line));
    ASSERT_GE(shown.size(), c.added.size());
    std::vector<std::string> added(shown.end() - std::ptrdiff_t(c.added.size()), shown.end());
    EXPECT_EQ(added, c.added);
    EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, store::SlotPath(1), "Count"), ++count);
  }
}

TEST_F(SwitchFlowTest, AMembershipFailureIsShownTheSwitchGoesOnAndFailsNamingIt) {
  capture("Corp");
  setDword(HKEY_LOCAL_MACHINE, store::DataPath(1), "DomainType", 1);
  setString(HKEY_LOCAL_MACHINE, store::DataPath(1), "DomainName", "NOWHERE");
  setString(HKEY_LOCAL_MACHINE, kWireless, "NameServer", "10.0.0.1");
  prompter
      .expect(
          "ドメインまたはワークグループの切替ができませんでした。\n詳細：指定されたドメインがみつ"
          "かりません。\n処理は継続されます。",
          kError, kErrorFlags)
      .expect("次の設定が切り替えられませんでした：ﾄﾞﾒｲﾝまたはﾜｰｸｸﾞﾙｰﾌﾟ", kError, kErrorFlags);
  EXPECT_EQ(runSwitch("Corp"), switching::SwitchOutcome::Failed);
  EXPECT_EQ(membership(), "WORKGROUP/2");
  EXPECT_EQ(testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, kWireless)
                .at("|NameServer")
                .second,
            std::string(1, '\0'));
}

TEST_F(SwitchFlowTest, AScriptThatCannotBeWrittenStopsWithTheStepsBeforeItApplied) {
  capture("A");
  machine->profileStrings().WriteProfileStringA("windows", "device",
                                                "Canon LBP3300,winspool,Ne01:");
  std::filesystem::remove_all(driveC("WINDOWS"));
  const auto before =
      testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, store::kSettingKey);
  prompter.expect("一時ファイルが作成できませんでした。", kError, kErrorFlags);
  // The message is shown while the window is still busy, and only then is
  // the busy state left.
  struct Recording : win::Prompter {
    Recording(win::Prompter& wrapped, FakeView& seenBy) : inner(wrapped), view(seenBy) {}
    int messageBox(win::HWND owner, const std::string& text, const std::string& caption,
                   win::UINT flags) override {
      view.events.push_back("box");
      return inner.messageBox(owner, text, caption, flags);
    }
    win::Prompter& inner;
    FakeView& view;
  } recording(prompter, view);
  store::Context ctx{*machine, recording, nullptr};
  EXPECT_EQ(switching::RunSwitch(ctx, ansi("A"), view), switching::SwitchOutcome::NotStarted);

  ASSERT_GE(view.events.size(), 2u);
  EXPECT_EQ(view.events[view.events.size() - 2], "box");
  EXPECT_EQ(view.events.back(), "idle");
  EXPECT_EQ(defaultPrinter(), "EPSON PX-V630,winspool,Ne00:");
  EXPECT_EQ(testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, store::kSettingKey),
            before);
}

TEST_F(SwitchFlowTest, ARecordThatCannotBeWrittenFailsTheSwitchAndKeepsTheStore) {
  capture("A");
  const auto before =
      testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, store::kSettingKey);
  testing_support::FaultyMachine faulty(*machine);
  faulty.registry().failSet("HKLM\\" + store::SlotPath(1), "Count", ERROR_REGISTRY_IO_FAILED);
  view.choice = {true, switching::kStepPrinter, {}, true};
  // The message says the switch was made; no success message follows it.
  prompter.expect(
      "レジストリへの書き込みに失敗しました。（ｴﾗｰｺｰﾄﾞ : 1016）\n"
      "切り替えは実行されましたが、その記録（使用回数など）は保存されていません。",
      kError, kErrorFlags);
  store::Context ctx{faulty, prompter, nullptr};
  EXPECT_EQ(switching::RunSwitch(ctx, ansi("A"), view), switching::SwitchOutcome::Failed);
  // Active, InitCheck and Count go together: none of them was written.
  EXPECT_EQ(testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, store::kSettingKey),
            before);
}

TEST_F(SwitchFlowTest, AScriptThatNeverStartsDiesOrHangsIsAFailureWithoutHanging) {
  capture("A");
  const testing_support::Snapshot network = liveNetwork();
  struct Case {
    const char* what;
    std::string tool;
  };
  const std::vector<Case> cases = {
      {"never starts", dir.path().toStdString() + "/missing-tool"},
      {"dies after its first line",
       fakeTool(std::string("exec '") + VERANTU_MACHINE_TOOL +
                "' cmd /c 'echo s started > C:\\WINDOWS\\relay4err.txt'")},
      {"hangs", fakeTool("exec sleep 30")},
  };
  win::DWORD count = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ScopedEnv tool("VERANTU_MACHINE_TOOL", c.tool);
    prompter.expect(kFailed, kError, kErrorFlags);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(runSwitch("A", std::chrono::milliseconds(300)), switching::SwitchOutcome::Failed);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, store::SlotPath(1), "Count"), ++count);
    EXPECT_EQ(view.events.back(), "progress 0");
  }
  // The script given up at the stall limit says so in the result viewer.
  const std::vector<std::string> shown = switching::ReadResultViewerLines(*machine);
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(win::ansiToUtf8(shown.front()),
            "※スクリプトが 1 秒間進まなかったため、途中で打ち切りました。");
  EXPECT_EQ(liveNetwork(), network);
  EXPECT_FALSE(dword(HKEY_LOCAL_MACHINE, store::kSettingKey, "Active"));
}

TEST_F(SwitchFlowTest, StepsWithoutTheNetworkLeaveTheWorkFilesAlone) {
  capture("A");
  std::ofstream(driveC("WINDOWS/relay4.bat")) << "old script\r\n";
  std::ofstream(driveC("WINDOWS/relay4err.txt")) << "old result\r\n";
  machine->profileStrings().WriteProfileStringA("windows", "device",
                                                "Canon LBP3300,winspool,Ne01:");
  const win::DWORD broadcasts = machine->profileStrings().settingChangeBroadcasts();
  view.choice.steps = switching::kStepPrinter;
  prompter.expect(kDone, kInfo, kInfoFlags);
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::Succeeded);

  EXPECT_EQ(defaultPrinter(), "EPSON PX-V630,winspool,Ne00:");
  EXPECT_EQ(machine->profileStrings().settingChangeBroadcasts(), broadcasts + 1);
  EXPECT_EQ(readHostFile(driveC("WINDOWS/relay4.bat")), "old script\r\n");
  EXPECT_EQ(readHostFile(driveC("WINDOWS/relay4err.txt")), "old result\r\n");
  EXPECT_FALSE(view.saw("range 0"));
  EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, store::DataPath(1), "InitCheck"), switching::kStepPrinter);
}

TEST_F(SwitchFlowTest, NoInTheDialogChangesNothing) {
  capture("A");
  machine->profileStrings().WriteProfileStringA("windows", "device",
                                                "Canon LBP3300,winspool,Ne01:");
  const auto hklm = testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, "");
  const auto hkcu = testing_support::snapshot(machine->registry(), HKEY_CURRENT_USER, "");
  view.choice.confirmed = false;
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::NotStarted);
  EXPECT_EQ(view.events, std::vector<std::string>{"confirm"});
  EXPECT_EQ(testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, ""), hklm);
  EXPECT_EQ(testing_support::snapshot(machine->registry(), HKEY_CURRENT_USER, ""), hkcu);
  EXPECT_FALSE(std::filesystem::exists(driveC("WINDOWS/relay4.bat")));
}

TEST_F(SwitchFlowTest, NoTickedInterfaceGivesAScriptOfTwoLinesThatSucceeds) {
  capture("A");
  view.choice = {true, switching::kStepNetwork, {false, false}, true};
  prompter.expect(kDone, kInfo, kInfoFlags);
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::Succeeded);
  EXPECT_TRUE(view.saw("range 0"));
  EXPECT_EQ(win::ansiToUtf8(readHostFile(driveC("WINDOWS/relay4err.txt"))),
            "s ○○○ 切り替え処理の開始 \r\ne ○○○ 切り替え処理の終了 \r\n");
}

TEST_F(SwitchFlowTest, AnUnsafeStoredValueStopsTheSwitchBeforeAnythingChanges) {
  capture("A");
  const std::string connection =
      store::MirrorPath(1,
                        "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-"
                        "08002BE10318}\\{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}\\Connection");
  setString(HKEY_LOCAL_MACHINE, connection, "Name", "LAN\" & del C:\\x & \"");
  machine->profileStrings().WriteProfileStringA("windows", "device",
                                                "Canon LBP3300,winspool,Ne01:");
  prompter.expect(
      "登録内容に使用できない文字が含まれているため切り替えできません。\n[LAN\" & del C:\\x & "
      "\"] Name : LAN\" & del C:\\x & \"",
      kError, kErrorFlags);
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::NotStarted);
  EXPECT_EQ(defaultPrinter(), "Canon LBP3300,winspool,Ne01:");
  EXPECT_FALSE(dword(HKEY_LOCAL_MACHINE, store::SlotPath(1), "Count"));
  EXPECT_FALSE(view.saw("busy"));

  // Unticked, the interface is not in the script and the switch goes ahead.
  view.choice.tickedInterfaces = {false, true};
  prompter.expect(kDone, kInfo, kInfoFlags);
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::Succeeded);
}

TEST_F(SwitchFlowTest, ConnectionNamesWithAmpersandAndPercentAreSwitched) {
  const std::string network =
      "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\";
  setString(HKEY_LOCAL_MACHINE, network + "{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}\\Connection",
            "Name", "R&D LAN");
  setString(HKEY_LOCAL_MACHINE, network + "{C1D7E4B9-2A63-4E58-B0F4-7A91D2C6E835}\\Connection",
            "Name", ansi("100% 無線"));
  capture("A");
  const std::vector<std::string> captured = liveTcpip();
  setString(HKEY_LOCAL_MACHINE, kWired, "NameServer", "9.9.9.9");
  setString(HKEY_LOCAL_MACHINE, kWireless, "NameServer", "10.0.0.1");
  ASSERT_NE(liveTcpip(), captured);

  view.choice = {true, switching::kStepNetwork, {true, true}, false};
  prompter.expect(kDone, kInfo, kInfoFlags);
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::Succeeded);
  EXPECT_EQ(liveTcpip(), captured);
  // The headers show the names as they are.
  const std::string result = win::ansiToUtf8(readHostFile(driveC("WINDOWS/relay4err.txt")));
  EXPECT_NE(result.find(" [R&D LAN] DNS の設定 === \r\n"), std::string::npos);
  EXPECT_NE(result.find(" [100% 無線] DNS の設定 === \r\n"), std::string::npos);
}

TEST_F(SwitchFlowTest, WindowsDirectoryAtTheDriveRootHoldsTheWorkFiles) {
  capture("A");
  const std::vector<std::string> captured = liveTcpip();
  setString(HKEY_LOCAL_MACHINE, kWired, "NameServer", "9.9.9.9");
  setString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot",
            "C:\\");

  view.choice = {true, switching::kStepNetwork, {true, true}, false};
  prompter.expect(kDone, kInfo, kInfoFlags);
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::Succeeded);
  EXPECT_EQ(liveTcpip(), captured);
  // One backslash between the root and each file name, in the script too.
  const std::string script = readHostFile(driveC("relay4.bat"));
  EXPECT_NE(script.find("> C:\\relay4err.txt\r\n"), std::string::npos);
  EXPECT_EQ(script.find("C:\\\\"), std::string::npos);
  EXPECT_TRUE(readHostFile(driveC("relay4err.txt")).starts_with(ansi("s ○○○ 切り替え処理の開始 ")));
  EXPECT_FALSE(std::filesystem::exists(driveC("WINDOWS/relay4.bat")));
}

TEST_F(SwitchFlowTest, TheScriptIsStartedByItsQuotedPath) {
  capture("A");
  const std::vector<std::string> captured = liveTcpip();
  setString(HKEY_LOCAL_MACHINE, kWired, "NameServer", "9.9.9.9");
  // Unquoted, cmd would run "C:\\R" and then "D\\relay4.bat".
  setString(HKEY_LOCAL_MACHINE, "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", "SystemRoot",
            "C:\\R&D");
  ASSERT_TRUE(machine->files().createDirectory("C:\\R&D"));

  NotingShellMachine noting(*machine);
  view.choice = {true, switching::kStepNetwork, {true, true}, false};
  prompter.expect(kDone, kInfo, kInfoFlags);
  EXPECT_EQ(
      switching::RunSwitch({noting, prompter, nullptr}, "A", view, {std::chrono::seconds(20)}),
      switching::SwitchOutcome::Succeeded);
  EXPECT_EQ(noting.started, std::vector<std::string>{"\"C:\\R&D\\relay4.bat\""});
  EXPECT_EQ(liveTcpip(), captured);
}

TEST_F(SwitchFlowTest, AResultFileThatOutlivesItsDeletionIsNotTakenForThisSwitch) {
  capture("A");
  unplugWired();  // would make the script fail, if it ran
  std::filesystem::create_directories(driveC("WINDOWS/relay4err.txt"));
  prompter.expect(kFailed, kError, kErrorFlags);
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::Failed);
  EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, store::SlotPath(1), "Count"), 1u);
}

// Another command deletes a profile while the confirmation is open: the
// switch applies the confirmed profile from the slot it moved to, or stops
// without changing anything once it is gone.
TEST_F(SwitchFlowTest, ADeletionWhileTheDialogIsOpenIsFollowedOrStopsTheSwitch) {
  capture("First");
  setString(HKEY_LOCAL_MACHINE, kWired, "NameServer", "10.9.9.9");
  capture("Second");
  setString(HKEY_LOCAL_MACHINE, kWired, "NameServer", "10.7.7.7");
  auto deleteWhileConfirming = [&](const char* title) {
    prompter.expect("リストに表示されている登録を削除しますか？", "確認メッセージ", 0x34, IDYES)
        .expect("登録を抹消しました。", kInfo, kInfoFlags);
    view.whileConfirming = [this, title] { store::DeleteProfile(context(), ansi(title)); };
  };
  view.choice = {true, switching::kStepNetwork | switching::kStepPrinter, {true, true}, true};

  // "First" goes: "Second" moves from slot 2 to slot 1 and is applied there.
  deleteWhileConfirming("First");
  prompter.expect(kDone, kInfo, kInfoFlags);
  EXPECT_EQ(runSwitch("Second"), switching::SwitchOutcome::Succeeded);
  std::string dns;
  (void)store::ReadStringValue(context(), HKEY_LOCAL_MACHINE, kWired, "NameServer", dns);
  EXPECT_EQ(dns, "10.9.9.9");
  EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, store::SlotPath(1), "Count"), 1u);
  EXPECT_EQ(dword(HKEY_LOCAL_MACHINE, store::kSettingKey, "Active"), 0u);

  // "Second" itself goes: nothing is applied, no work file is written.
  setString(HKEY_LOCAL_MACHINE, kWired, "NameServer", "10.7.7.7");
  machine->profileStrings().WriteProfileStringA("windows", "device",
                                                "Canon LBP3300,winspool,Ne01:");
  std::filesystem::remove(driveC("WINDOWS/relay4.bat"));
  const auto hklm = testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, kInterfaces);
  view.events.clear();
  deleteWhileConfirming("Second");
  prompter.expect("この登録名では登録されていません。", kError, kErrorFlags);
  EXPECT_EQ(runSwitch("Second"), switching::SwitchOutcome::NotStarted);
  EXPECT_EQ(view.events, std::vector<std::string>{"confirm"});
  EXPECT_EQ(testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, kInterfaces), hklm);
  EXPECT_EQ(defaultPrinter(), "Canon LBP3300,winspool,Ne01:");
  EXPECT_FALSE(std::filesystem::exists(driveC("WINDOWS/relay4.bat")));
}

// Another process's switch holds the machine: this one is refused before
// it looks at anything, and goes ahead once the other has ended.
TEST_F(SwitchFlowTest, ASecondSwitchIsRefusedWhileOneRuns) {
  capture("A");
  std::string error;
  auto other = emu::EmulatedMachine::open(folder, &error);
  ASSERT_TRUE(other) << error;
  win::System& system = other->system();
  win::HANDLE running = system.CreateMutexA(nullptr, FALSE, switching::kSwitchMutexName);
  ASSERT_EQ(system.WaitForSingleObject(running, 0), WAIT_OBJECT_0);

  view.choice = {true, switching::kStepPrinter, {}, true};
  prompter.expect(
      "他のVerantu!がネットワーク設定を切り替え中のため、切り替えできませんでした。\n"
      "切り替えが終わってからもう一度実行してください。",
      kError, kErrorFlags);
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::NotStarted);
  EXPECT_TRUE(view.events.empty());
  EXPECT_FALSE(dword(HKEY_LOCAL_MACHINE, store::SlotPath(1), "Count"));

  system.ReleaseMutex(running);
  system.CloseHandle(running);
  prompter.expect(kDone, kInfo, kInfoFlags);
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::Succeeded);
}

TEST_F(SwitchFlowTest, UnknownTitlesAndAnEmptyStoreAreReported) {
  prompter.expect("何も登録されていません。", kError, kErrorFlags);
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::NotStarted);
  capture("A");
  prompter.expect("この登録名では登録されていません。", kError, kErrorFlags);
  EXPECT_EQ(runSwitch("a"), switching::SwitchOutcome::NotStarted);
  EXPECT_TRUE(view.events.empty());
}

// The printer step is read back; on Windows 10 and later, while Windows
// manages the default printer, the user is told once that it may change.
TEST_F(SwitchFlowTest, ThePrinterIsReadBackAndWindowsManagementIsToldOnce) {
  capture("A");
  const std::string version = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
  const std::string windowsKey = "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows";
  const char* note =
      "Windows が通常使うプリンターを管理する設定になっているため、Windows "
      "が別のプリンターを通常使うプリンターにすることがあります。\n"
      "この設定は、Windows の［設定］→［Bluetooth とデバイス］（Windows 10 "
      "では［デバイス］）→［プリンターとスキャナー］の「Windows "
      "で通常使うプリンターを管理する」をオフにすると止められます。";
  struct Case {
    const char* what;
    win::DWORD major;                  // 0: an XP-era machine without the value
    std::optional<win::DWORD> legacy;  // LegacyDefaultPrinterMode
    const char* printer;               // the profile's DefPrinter
    bool told;
  };
  const Case cases[] = {
      {"XP", 0, std::nullopt, "EPSON PX-V630", false},
      {"10, managed by Windows", 10, std::nullopt, "EPSON PX-V630", true},
      {"10, managed explicitly", 10, 0, "EPSON PX-V630", true},
      {"10, chosen by the user", 10, 1, "EPSON PX-V630", false},
      {"10, a printer not installed here", 10, std::nullopt, "Nowhere", false},
  };
  view.choice = {true, switching::kStepPrinter, {}, false};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    if (c.major) setDword(HKEY_LOCAL_MACHINE, version, "CurrentMajorVersionNumber", c.major);
    if (c.legacy) setDword(HKEY_CURRENT_USER, windowsKey, "LegacyDefaultPrinterMode", *c.legacy);
    setString(HKEY_LOCAL_MACHINE, store::DataPath(1), "DefPrinter", c.printer);
    machine->profileStrings().WriteProfileStringA("windows", "device",
                                                  "Canon LBP3300,winspool,Ne01:");
    prompter.expect(kDone, kInfo, kInfoFlags);
    if (c.told) prompter.expect(note, kInfo, kInfoFlags);
    EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::Succeeded);
    EXPECT_EQ(defaultPrinter(), std::string(c.printer) == "Nowhere"
                                    ? "Canon LBP3300,winspool,Ne01:"
                                    : "EPSON PX-V630,winspool,Ne00:");
  }
}

// The wait on its own, over result files written by the test.

TEST_F(SwitchFlowTest, UndoPutsBackWhatTheSwitchChangedAndUndoingTheUndoReturns) {
  capture("オフィス");
  const auto storedSlots = [&] {
    return testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, store::kSettingKey);
  };
  struct Case {
    const char* name;
    win::DWORD steps;
  };
  for (const Case& c : {Case{"every step", switching::kAllSteps},
                        Case{"the network alone", switching::kStepNetwork}}) {
    SCOPED_TRACE(c.name);
    moveElsewhere();
    const std::vector<std::string> elsewhere = liveState();
    view.choice = {true, c.steps, {true, true}, true};
    prompter.expect(kDone, kInfo, kInfoFlags);
    ASSERT_EQ(runSwitch("オフィス"), switching::SwitchOutcome::Succeeded);
    const std::vector<std::string> switched = liveState();
    ASSERT_NE(switched, elsewhere);

    // The undo offers what the switch changed, under its own heading, and
    // puts every value back; no profile's record changes.
    const auto recorded = storedSlots();
    view.choice = {true, switching::kAllSteps, {true, true}, true};
    prompter.expect(kDone, kInfo, kInfoFlags);
    EXPECT_EQ(switching::RunUndo(context(), view, {std::chrono::seconds(20)}),
              switching::SwitchOutcome::Succeeded);
    ASSERT_TRUE(view.offer);
    EXPECT_TRUE(view.offer->undo);
    EXPECT_FALSE(view.offer->redo);
    EXPECT_EQ(view.offer->rememberedSteps, c.steps);
    EXPECT_EQ(view.offer->interfaces.size(), 2u);
    EXPECT_EQ(win::ansiToUtf8(switching::UndoHeading(view.offer->title, view.offer->redo)),
              "[ オフィス ] への切り替えを元に戻し、ﾈｯﾄﾜｰｸの設定を切り替える前の状態に戻します。");
    EXPECT_EQ(liveState(), elsewhere);
    EXPECT_EQ(storedSlots(), recorded);

    // Undoing the undo returns to the switch.
    prompter.expect(kDone, kInfo, kInfoFlags);
    EXPECT_EQ(switching::RunUndo(context(), view, {std::chrono::seconds(20)}),
              switching::SwitchOutcome::Succeeded);
    EXPECT_TRUE(view.offer->redo);
    EXPECT_EQ(liveState(), switched);
    EXPECT_EQ(storedSlots(), recorded);
    EXPECT_FALSE(machine->registry().RegOpenKeyExA(HKEY_LOCAL_MACHINE, switching::kUndoSourceKey, 0,
                                                   KEY_READ, nullptr) == ERROR_SUCCESS);
  }
}

TEST_F(SwitchFlowTest, OnlyASwitchThatChangesSomethingReplacesTheUndo) {
  capture("A");
  const char* nothing = "元に戻せる切り替えはありません。";
  prompter.expect(nothing, kInfo, kInfoFlags);
  EXPECT_EQ(switching::RunUndo(context(), view), switching::SwitchOutcome::NotStarted);
  EXPECT_FALSE(view.offer);

  view.choice = {true, switching::kStepPrinter, {}, false};
  prompter.expect(kDone, kInfo, kInfoFlags);
  ASSERT_EQ(runSwitch("A"), switching::SwitchOutcome::Succeeded);
  ASSERT_TRUE(switching::UndoAvailable(context()));
  const auto kept = undoState();

  // No; a network step without a ticked interface; a value refused before
  // any step.
  view.choice = {false, switching::kAllSteps, {true, true}, false};
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::NotStarted);
  EXPECT_EQ(undoState(), kept);
  view.choice = {true, switching::kStepNetwork, {false, false}, false};
  prompter.expect(kDone, kInfo, kInfoFlags);
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::Succeeded);
  EXPECT_EQ(undoState(), kept);
  setString(HKEY_LOCAL_MACHINE, store::MirrorPath(1, kWired), "IPAddress", "1.2.3.4 & del x");
  view.choice = {true, switching::kAllSteps, {true, true}, false};
  prompter.expect(
      "登録内容に使用できない文字が含まれているため切り替えできません。\n[ローカル エリア接続] "
      "IPAddress : 1.2.3.4 & del x",
      kError, kErrorFlags);
  EXPECT_EQ(runSwitch("A"), switching::SwitchOutcome::NotStarted);
  EXPECT_EQ(undoState(), kept);

  // A state without its completion mark is nothing to undo.
  win::HKEY key = nullptr;
  ASSERT_EQ(machine->registry().RegOpenKeyExA(HKEY_LOCAL_MACHINE, store::kUndoKey, 0,
                                              KEY_ALL_ACCESS, &key),
            ERROR_SUCCESS);
  machine->registry().RegDeleteValueA(key, "Complete");
  machine->registry().RegCloseKey(key);
  view.offer.reset();
  prompter.expect(nothing, kInfo, kInfoFlags);
  EXPECT_EQ(switching::RunUndo(context(), view), switching::SwitchOutcome::NotStarted);
  EXPECT_FALSE(view.offer);
}

// Windows' registry: no batches, each write stands by itself.
class UnbatchedRegistry : public testing_support::FaultyRegistry {
 public:
  using FaultyRegistry::FaultyRegistry;
  win::LONG beginBatch() override { return ERROR_SUCCESS; }
  win::LONG endBatch(bool) override { return ERROR_SUCCESS; }
};

TEST_F(SwitchFlowTest, AnUndoStateCutShortLeavesTheEarlierOneOrNone) {
  capture("A");
  store::Context ctx = context();
  const switching::UndoPlan earlierPlan{ansi("A"), false, switching::kStepPrinter, {}};
  const switching::UndoPlan plan{
      ansi("A"),
      false,
      switching::kAllSteps,
      {ansi("ローカル エリア接続"), ansi("ワイヤレス ネットワーク接続")}};
  ASSERT_TRUE(switching::KeepUndoState(ctx, earlierPlan));
  const auto earlier = undoState();

  testing_support::FaultyMachine batched(*machine);
  struct Unbatched : win::MachineOverlay {
    explicit Unbatched(win::Machine& inner) : MachineOverlay(inner), registry_(inner.registry()) {}
    UnbatchedRegistry& registry() override { return registry_; }
    UnbatchedRegistry registry_;
  } unbatched(*machine);
  struct Case {
    const char* name;
    win::Machine& machine;
    testing_support::FaultyRegistry& registry;
  };
  for (const Case& c : {Case{"in one batch", batched, batched.registry()},
                        Case{"write by write", unbatched, unbatched.registry()}}) {
    SCOPED_TRACE(c.name);
    const store::Context faulty{c.machine, prompter, nullptr};
    const int start = c.registry.writeCount();
    ASSERT_TRUE(switching::KeepUndoState(faulty, plan));
    const int writes = c.registry.writeCount() - start;
    ASSERT_GT(writes, 10);
    for (int n = 1; n <= writes; ++n) {
      ASSERT_TRUE(switching::KeepUndoState(ctx, earlierPlan));
      c.registry.failWriteAt(n, ERROR_ACCESS_DENIED, true);
      EXPECT_THROW(switching::KeepUndoState(faulty, plan),
                   testing_support::FaultyRegistry::WriteAborted);
      EXPECT_TRUE(!switching::UndoAvailable(ctx) || undoState() == earlier) << "write " << n;
    }
  }

  // A write that fails leaves no state at all, and the switch still runs.
  batched.registry().restart();
  batched.registry().failSet("HKLM\\" + std::string(store::kUndoKey), "Complete",
                             ERROR_ACCESS_DENIED);
  view.choice = {true, switching::kStepPrinter, {}, false};
  prompter.expect(kDone, kInfo, kInfoFlags);
  EXPECT_EQ(switching::RunSwitch({batched, prompter, nullptr}, ansi("A"), view),
            switching::SwitchOutcome::Succeeded);
  EXPECT_FALSE(switching::UndoAvailable(ctx));
  EXPECT_TRUE(undoState().empty());
}

class ScriptWaitTest : public SwitchFlowTest {
 protected:
  switching::ScriptWait wait(const std::string& utf8Content,
                             std::chrono::milliseconds stall = std::chrono::seconds(5)) {
    std::string bytes;
    for (char c : ansi(utf8Content)) {
      if (c == '\n') bytes += '\r';
      bytes += c;
    }
    std::ofstream(driveC("WINDOWS/relay4err.txt"), std::ios::binary) << bytes;
    return switching::WaitForScriptEnd(*machine, "C:\\WINDOWS\\relay4err.txt", nullptr, view,
                                       stall);
  }
};

TEST_F(ScriptWaitTest, CountsMessageLinesAndFollowsTheLastHeader) {
  switching::ScriptWait result = wait(
      "s ○○○ 切り替え処理の開始 \n"
      "====  1 [LAN] IPｱﾄﾞﾚｽ/ﾏｽｸ/ｹﾞｰﾄｳｪｲ の設定 === \n"
      "OK\n\n"
      "==== 12 [LAN] DNS の設定 === \n"
      "指定されたインターフェイスは使用できません。\n"
      "e ○○○ 切り替え処理の終了 \n");
  EXPECT_EQ(result.ending, switching::ScriptEnding::EndLine);
  EXPECT_EQ(result.countedLines, 5);
  EXPECT_EQ(view.events, (std::vector<std::string>{"progress 12"}));

  // The status follows a header that is the last line so far.
  view.events.clear();
  result = wait("s x \n====  3 [ワイヤレス] DNS2 の追加 === \n", std::chrono::milliseconds(30));
  EXPECT_EQ(result.ending, switching::ScriptEnding::TimedOut);
  EXPECT_EQ(view.events,
            (std::vector<std::string>{"progress 3", "status [ワイヤレス] DNS2 の追加中"}));
}

// The wait only follows the script: whatever its sections printed, it ends
// at the end line, and the read-back judges the switch.
TEST_F(ScriptWaitTest, EndsAtTheEndLineWhateverTheSectionsPrinted) {
  struct Case {
    const char* what;
    const char* body;  // between the start and the end line
    int counted;
  };
  const Case cases[] = {
      {"every section answered", "====  1 [LAN] A === \nOK\n\n====  2 [LAN] B === \nOK\n", 4},
      {"silent commands", "====  1 [LAN] A === \n\n====  2 [LAN] B === \n\n", 4},
      {"a message instead of OK", "====  1 [LAN] A === \nfailed\n", 4},
      {"no sections", "", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    switching::ScriptWait result =
        wait(std::string("s start \n") + c.body + "e ○○○ 切り替え処理の終了 \n");
    EXPECT_EQ(result.ending, switching::ScriptEnding::EndLine);
    EXPECT_EQ(result.countedLines, c.counted);
  }
}

TEST_F(ScriptWaitTest, ALineLongerThanTheBufferCountsAsSeveral) {
  const std::string longMessage(300, 'x');
  switching::ScriptWait result = wait("s start \n" + longMessage + "\ne end \n");
  EXPECT_EQ(result.countedLines, 4);
  // Without a result file the wait gives up once the stall time has passed.
  std::filesystem::remove(driveC("WINDOWS/relay4err.txt"));
  result = switching::WaitForScriptEnd(*machine, "C:\\WINDOWS\\relay4err.txt", nullptr, view,
                                       std::chrono::milliseconds(20));
  EXPECT_EQ(result.ending, switching::ScriptEnding::TimedOut);
  EXPECT_EQ(result.countedLines, 0);
}

// Bytes a failing command may leave in the result file: a NUL is a message
// line like any other, and what a Ctrl+Z hides never passes for an end.
TEST_F(ScriptWaitTest, NulAndCtrlZLinesAreNeverTakenForSuccess) {
  using namespace std::string_literals;
  struct Case {
    const char* what;
    std::string body;
    switching::ScriptEnding ending;
    int counted;
  };
  const Case cases[] = {
      {"a NUL line", "====  1 [LAN] A === \n\0OK\nOK\n"s, switching::ScriptEnding::EndLine, 4},
      {"a NUL alone", "====  1 [LAN] A === \nOK\n\0\n"s, switching::ScriptEnding::EndLine, 4},
      {"a Ctrl+Z", "====  1 [LAN] A === \nOK\x1A"s, switching::ScriptEnding::TimedOut, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    switching::ScriptWait result =
        wait("s start \n" + c.body + "e ○○○ 切り替え処理の終了 \n", std::chrono::milliseconds(30));
    EXPECT_EQ(result.ending, c.ending);
    EXPECT_EQ(result.countedLines, c.counted);
  }
}

TEST(HeaderStatusText, TakesTheTextBetweenTheNumberAndTheClosingMarks) {
  EXPECT_EQ(win::ansiToUtf8(switching::HeaderStatusText(
                ansi("====  1 [ローカル エリア接続] IPｱﾄﾞﾚｽ/ﾏｽｸ/ｹﾞｰﾄｳｪｲ の設定 === \n"))),
            "[ローカル エリア接続] IPｱﾄﾞﾚｽ/ﾏｽｸ/ｹﾞｰﾄｳｪｲ の設定中");
  EXPECT_EQ(win::ansiToUtf8(switching::HeaderStatusText("=== \n")), "中");
}

}  // namespace
