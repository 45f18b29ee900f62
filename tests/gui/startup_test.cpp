// Start-up: the single-instance guard, the refusals, the first-run offer and
// the debug log.
#include "store/startup.h"

#include <gtest/gtest.h>

#include "tests/gui/gui_support.h"
#include "tests/support/faulty_registry.h"
#include "tests/support/scripted_prompter.h"

namespace {

using gui_testing::ansi;
using gui_testing::installProgram;
using testing_support::ScriptedPrompter;
using testing_support::TestMachine;

constexpr const char* kOffer = "以前使用していた設定内容が見つかりました。\n設定を引き継ぎますか？";

class StartupTest : public ::testing::Test {
 protected:
  store::StartupResult start(ScriptedPrompter& prompter, const std::string& commandLine = "") {
    return store::RunStartupChecks(machine.machine(), prompter, commandLine);
  }
  void finish(store::StartupResult& result) {
    store::ReleaseSingleInstance(machine.machine(), result.mutex);
  }
  std::string readFile(const std::string& path) {
    auto file = machine.machine().files().openText(path, win::TextMode::Read);
    if (!file) return "<missing>";
    std::string text;
    std::string line;
    while (file->readLine(line, 4096)) text += line;
    return text;
  }

  TestMachine machine;
};

TEST_F(StartupTest, SecondCopyEndsSilentlyUntilTheFirstLetsGo) {
  installProgram(machine);
  ScriptedPrompter prompter;  // no box may appear
  store::StartupResult first = start(prompter);
  ASSERT_TRUE(first.proceed);
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_NE(first.mutex, nullptr);

  // Another process on the same machine.
  auto other = machine.reopen();
  store::StartupResult second = store::RunStartupChecks(*other, prompter, "");
  EXPECT_FALSE(second.proceed);
  EXPECT_EQ(second.exitCode, 1);

  finish(first);
  store::StartupResult third = store::RunStartupChecks(*other, prompter, "");
  EXPECT_TRUE(third.proceed);
  store::ReleaseSingleInstance(*other, third.mutex);
}

// Creating a new mutex may leave an older error code behind; only
// ERROR_ALREADY_EXISTS tells of another copy.
TEST_F(StartupTest, AnOlderErrorCodeAfterCreatingTheMutexIsNoSecondCopy) {
  installProgram(machine);
  class StaleErrorSystem : public win::System {
   public:
    explicit StaleErrorSystem(win::System& inner) : inner_(inner) {}
    win::BOOL GetVersionExA(win::OSVERSIONINFOA* info) override {
      return inner_.GetVersionExA(info);
    }
    win::UINT GetWindowsDirectoryA(char* buffer, win::UINT size) override {
      return inner_.GetWindowsDirectoryA(buffer, size);
    }
    win::HANDLE CreateMutexA(const void* security, win::BOOL owner, const char* name) override {
      return inner_.CreateMutexA(security, owner, name);
    }
    win::DWORD WaitForSingleObject(win::HANDLE handle, win::DWORD ms) override {
      return inner_.WaitForSingleObject(handle, ms);
    }
    win::BOOL ReleaseMutex(win::HANDLE mutex) override { return inner_.ReleaseMutex(mutex); }
    win::BOOL CloseHandle(win::HANDLE handle) override { return inner_.CloseHandle(handle); }
    win::DWORD GetLastError() override {
      const win::DWORD error = inner_.GetLastError();
      return error == win::DWORD(ERROR_SUCCESS) ? win::DWORD(ERROR_FILE_NOT_FOUND) : error;
    }
    win::BOOL OpenProcessToken(win::HANDLE process, win::DWORD access,
                               win::HANDLE* token) override {
      return inner_.OpenProcessToken(process, access, token);
    }
    win::BOOL GetTokenInformation(win::HANDLE token, win::TOKEN_INFORMATION_CLASS informationClass,
                                  void* information, win::DWORD length,
                                  win::DWORD* returnLength) override {
      return inner_.GetTokenInformation(token, informationClass, information, length, returnLength);
    }
    std::string localDateTimeText() override { return inner_.localDateTimeText(); }

   private:
    win::System& inner_;
  };
  class StaleErrorMachine : public win::MachineOverlay {
   public:
    explicit StaleErrorMachine(win::Machine& inner)
        : MachineOverlay(inner), inner_(inner), system_(inner.system()) {}
    win::Registry& registry() override { return inner_.registry(); }
    win::System& system() override { return system_; }

   private:
    win::Machine& inner_;
    StaleErrorSystem system_;
  };
  StaleErrorMachine stale(machine.machine());
  ScriptedPrompter prompter;
  store::StartupResult first = store::RunStartupChecks(stale, prompter, "");
  ASSERT_TRUE(first.proceed);
  // A second copy is still told apart.
  auto other = machine.reopen();
  StaleErrorMachine otherStale(*other);
  EXPECT_FALSE(store::RunStartupChecks(otherStale, prompter, "").proceed);
  store::ReleaseSingleInstance(stale, first.mutex);
}

TEST_F(StartupTest, RefusesWindowsBefore2000AndAMachineWithoutVersion) {
  const char* text = "このプログラムはＷｉｎｄｏｗｓ２０００/ＸＰ専用です。";
  {
    // No version recorded at all: GetVersionExA fails.
    machine.createKey(HKEY_LOCAL_MACHINE, "Software\\Q\\Tolvik");
    ScriptedPrompter prompter;
    prompter.expect(text, "エラーメッセージ", MB_ICONERROR);
    store::StartupResult result = start(prompter);
    EXPECT_FALSE(result.proceed);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(prompter.shown().at(0).owner, nullptr);
  }
  {
    installProgram(machine, "4.0");
    ScriptedPrompter prompter;
    prompter.expect(text, "エラーメッセージ", MB_ICONERROR);
    EXPECT_EQ(start(prompter).exitCode, 1);
  }
  {
    // Newer systems pass, and the refusals above did not keep the mutex.
    installProgram(machine, "6.1");
    ScriptedPrompter prompter;
    store::StartupResult result = start(prompter);
    EXPECT_TRUE(result.proceed);
    finish(result);
  }
}

TEST_F(StartupTest, RefusesAMachineWithoutTheProgramsKey) {
  installProgram(machine);
  machine.registry().SHDeleteKeyA(HKEY_LOCAL_MACHINE, "Software\\Q");
  ScriptedPrompter prompter;
  prompter.expect("正しくインストールしてください。", "エラーメッセージ", MB_ICONERROR);
  store::StartupResult result = start(prompter);
  EXPECT_FALSE(result.proceed);
  EXPECT_EQ(result.exitCode, 1);
  EXPECT_FALSE(machine.keyExists(HKEY_LOCAL_MACHINE, "Software\\Q\\Tolvik"));
}

TEST_F(StartupTest, AStandardUserIsToldToRunAsAdministratorAndNothingIsWritten) {
  installProgram(machine, "6.3");
  machine.machine().setElevated(false);
  ScriptedPrompter prompter;
  prompter.expect("このプログラムを使うには管理者権限が必要です。\n管理者として実行してください。",
                  "エラーメッセージ", MB_ICONERROR);
  store::StartupResult result = start(prompter);
  EXPECT_FALSE(result.proceed);
  EXPECT_EQ(result.exitCode, 1);
  // Not even the first-run marker.
  win::DWORD type = 0;
  std::string bytes;
  EXPECT_FALSE(
      machine.value(HKEY_LOCAL_MACHINE, "Software\\Q\\Tolvik", "FirstExecuted", &type, &bytes));
}

TEST_F(StartupTest, DecliningTheEarlierStoreRemovesOnlySettingAndIsNotAskedAgain) {
  installProgram(machine);
  machine.setString(HKEY_LOCAL_MACHINE, "Software\\Q\\Tolvik", "InsDir", "C:\\Verantu\\");
  gui_testing::addProfiles(machine, {"Office", "Home"});

  {
    ScriptedPrompter prompter;
    prompter.expect(kOffer, "情報メッセージ", MB_YESNO | MB_ICONWARNING, IDNO);
    store::StartupResult result = start(prompter);
    EXPECT_TRUE(result.proceed);
    finish(result);
  }
  EXPECT_FALSE(machine.keyExists(HKEY_LOCAL_MACHINE, "Software\\Q\\Tolvik\\Setting"));
  win::DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(machine.value(HKEY_LOCAL_MACHINE, "Software\\Q\\Tolvik", "InsDir", &type, &bytes));
  EXPECT_EQ(bytes, std::string("C:\\Verantu\\", 12));
  ASSERT_TRUE(
      machine.value(HKEY_LOCAL_MACHINE, "Software\\Q\\Tolvik", "FirstExecuted", &type, &bytes));
  EXPECT_EQ(type, REG_SZ);
  EXPECT_EQ(bytes, "");

  // A store made after that first start is kept without a question.
  gui_testing::addProfiles(machine, {"Office"});
  ScriptedPrompter silent;
  store::StartupResult again = start(silent);
  EXPECT_TRUE(again.proceed);
  finish(again);
  EXPECT_TRUE(machine.keyExists(HKEY_LOCAL_MACHINE, store::SlotPath(1)));
}

TEST_F(StartupTest, AMarkerThatCannotBeWrittenLetsTheOfferComeAgain) {
  installProgram(machine);
  gui_testing::addProfiles(machine, {"Office"});
  testing_support::FaultyMachine faulty(machine.machine());
  faulty.registry().failSet("HKLM\\Software\\Q\\Tolvik", "FirstExecuted", ERROR_ACCESS_DENIED);
  for (int run = 0; run < 2; ++run) {
    ScriptedPrompter prompter;
    prompter.expect(kOffer, "情報メッセージ", 0x34, IDYES);
    store::StartupResult result = store::RunStartupChecks(faulty, prompter, "");
    EXPECT_TRUE(result.proceed) << run;
    store::ReleaseSingleInstance(faulty, result.mutex);
    EXPECT_FALSE(machine.value(HKEY_LOCAL_MACHINE, "Software\\Q\\Tolvik", "FirstExecuted", nullptr,
                               nullptr));
  }
  EXPECT_TRUE(machine.keyExists(HKEY_LOCAL_MACHINE, store::SlotPath(1)));

  // Once the marker can be written, the offer is made one last time.
  ScriptedPrompter prompter;
  prompter.expect(kOffer, "情報メッセージ", 0x34, IDYES);
  store::StartupResult result = start(prompter);
  finish(result);
  ScriptedPrompter silent;
  result = start(silent);
  EXPECT_TRUE(result.proceed);
  finish(result);
}

TEST_F(StartupTest, AcceptingTheEarlierStoreKeepsIt) {
  installProgram(machine);
  gui_testing::addProfiles(machine, {"Office"});
  ScriptedPrompter prompter;
  prompter.expect(kOffer, "情報メッセージ", 0x34, IDYES);
  store::StartupResult result = start(prompter);
  finish(result);
  EXPECT_TRUE(machine.keyExists(HKEY_LOCAL_MACHINE, store::SlotPath(1)));
}

TEST_F(StartupTest, SettingWithoutComboActiveIsNoEarlierStore) {
  installProgram(machine);
  machine.setString(HKEY_LOCAL_MACHINE, store::SlotPath(1), "Title", "Office");
  ScriptedPrompter prompter;  // nothing is asked
  store::StartupResult result = start(prompter);
  EXPECT_TRUE(result.proceed);
  finish(result);
  EXPECT_TRUE(machine.keyExists(HKEY_LOCAL_MACHINE, store::SlotPath(1)));
}

TEST_F(StartupTest, OnlyExactlyDashDebugWritesTheDebugLog) {
  installProgram(machine);
  ScriptedPrompter prompter;
  for (const char* other : {"-DEBUG", "-debug x", " -debug", ""}) {
    store::StartupResult result = start(prompter, other);
    EXPECT_FALSE(result.debug) << other;
    EXPECT_EQ(readFile("verantu.dbg"), "<missing>") << other;
    finish(result);
  }

  store::StartupResult result = start(prompter, "-debug");
  EXPECT_TRUE(result.debug);
  ASSERT_TRUE(result.debugLog);
  result.debugLog->close();
  std::string log = readFile("C:\\verantu.dbg");
  std::string stamp = machine.machine().system().localDateTimeText().substr(0, 10);
  EXPECT_EQ(log.rfind("VERANTU DEBUG MODE START [" + stamp, 0), 0u) << log;
  EXPECT_EQ(log.back(), '\n');
  EXPECT_EQ(log.find('\n'), log.size() - 1) << "one line only";
  EXPECT_EQ(log.substr(log.size() - 2), "]\n");
  finish(result);

  // A log that cannot be created leaves the switch on and the start going.
  machine.machine().files().setCurrentDirectory("C:\\no such folder\\");
  store::StartupResult unlogged = start(prompter, "-debug");
  EXPECT_TRUE(unlogged.debug);
  EXPECT_FALSE(unlogged.debugLog);
  EXPECT_TRUE(unlogged.proceed);
  finish(unlogged);
}

}  // namespace
