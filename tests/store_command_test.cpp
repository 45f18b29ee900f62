// The commands that change the profile store are all-or-nothing, one at a
// time and honest: a write that fails or a command cut short at any of its
// writes leaves the store exactly as before, says so, and the next command
// works; a second command waits for the first or gives up with a message;
// a registry that cannot be written is reported before anything is claimed.
#include "store/store_command.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "platform/emulated/emulated_machine.h"
#include "store/capture.h"
#include "store/deletion.h"
#include "store/profile_file.h"
#include "store/profile_store.h"
#include "store/registry_access.h"
#include "switching/switch_flow.h"
#include "tests/support/faulty_registry.h"
#include "tests/support/registry_snapshot.h"
#include "views/profile_data.h"

namespace {

namespace fs = std::filesystem;
using testing_support::FaultyMachine;
using testing_support::FaultyRegistry;
using testing_support::Snapshot;
using win::DWORD;

const std::string kErrorCaption = "エラーメッセージ";
const std::string kWired = "{8E3A5D21-6C4B-4F1A-9E27-3B5C8D0F1A42}";
const std::string kWireless = "{C1D7E4B9-2A63-4E58-B0F4-7A91D2C6E835}";
const std::string kAdapters = "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters";
const std::string kInterfaces =
    "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Interfaces";
const std::string kInternet = "Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings";

// Answers Yes to every question and keeps every box it was shown.
class AnsweringPrompter : public win::Prompter {
 public:
  struct Box {
    std::string text;     // UTF-8
    std::string caption;  // UTF-8
    win::UINT flags;
  };
  int messageBox(win::HWND, const std::string& text, const std::string& caption,
                 win::UINT flags) override {
    shown.push_back({win::ansiToUtf8(text), win::ansiToUtf8(caption), flags});
    if (whileShown) whileShown(shown.back());
    return (flags & MB_TYPEMASK) == MB_YESNO ? IDYES : IDOK;
  }
  bool showedText(const std::string& utf8) const {
    for (const Box& box : shown)
      if (box.text.find(utf8) != std::string::npos) return true;
    return false;
  }
  Box last() const { return shown.empty() ? Box{"", "", 0} : shown.back(); }
  std::vector<Box> shown;
  // Runs while a box is open, before it is answered.
  std::function<void(const Box&)> whileShown;
};

Snapshot storeOf(win::Machine& machine) {
  return testing_support::snapshot(machine.registry(), HKEY_LOCAL_MACHINE, store::kRootKey);
}

std::string ansi(const std::string& utf8) {
  return win::ansiFromUtf8(utf8);
}

std::string tcpip(const std::string& id) {
  return "SYSTEM\\CurrentControlSet\\Services\\" + id + "\\Parameters\\Tcpip";
}
std::string connection(const std::string& id) {
  return "SYSTEM\\CurrentControlSet\\Control\\Network\\{4D36E972-E325-11CE-BFC1-08002BE10318}\\" +
         id + "\\Connection";
}

// A small machine (two interfaces and a pseudo-adapter, proxy values, a
// printer, a workgroup) with three captured profiles, 会社, 自宅 and 出張,
// 自宅 applied last and selected. It is closed and kept as a folder, so that
// every run starts from a fresh copy of exactly the same store.
class StoreCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    base_ = dir_.path().toStdString() + "/base";
    std::string error;
    auto machine = emu::EmulatedMachine::create(base_, false, &error);
    ASSERT_TRUE(machine) << error;
    win::Registry& registry = machine->registry();
    for (const std::string& id : {kWired, kWireless, std::string("NdisWanIp")}) {
      set(registry, HKEY_LOCAL_MACHINE, kAdapters + "\\" + id, "IpConfig", REG_MULTI_SZ,
          "Tcpip\\Parameters\\Interfaces\\" + id + std::string("\0\0", 2));
      set(registry, HKEY_LOCAL_MACHINE, tcpip(id), "Domain", REG_SZ, std::string(1, '\0'));
      set(registry, HKEY_LOCAL_MACHINE, connection(id), "Name", REG_SZ, "LAN " + id + '\0');
    }
    const std::string wired = kInterfaces + "\\" + kWired;
    set(registry, HKEY_LOCAL_MACHINE, wired, "EnableDHCP", REG_DWORD, std::string("\0\0\0\0", 4));
    set(registry, HKEY_LOCAL_MACHINE, wired, "IPAddress", REG_MULTI_SZ,
        std::string("192.168.1.10\0\0", 14));
    set(registry, HKEY_LOCAL_MACHINE, wired, "SubnetMask", REG_MULTI_SZ,
        std::string("255.255.255.0\0\0", 15));
    set(registry, HKEY_LOCAL_MACHINE, kInterfaces + "\\" + kWireless, "EnableDHCP", REG_DWORD,
        std::string("\1\0\0\0", 4));
    set(registry, HKEY_CURRENT_USER, kInternet, "ProxyEnable", REG_DWORD,
        std::string("\1\0\0\0", 4));
    // A key name whose second byte is a backslash (表 in code page 932).
    set(registry, HKEY_CURRENT_USER, kInternet + "\\" + win::ansiFromUtf8("表"), "Kept", REG_SZ,
        std::string("1", 2));
    set(registry, HKEY_CURRENT_USER, kInternet + "\\Connections", "DefaultConnectionSettings",
        REG_BINARY, std::string("\x3c\0\0\0\xff", 5));
    set(registry, HKEY_CURRENT_USER, "Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows",
        "Device", REG_SZ, std::string("PrinterA,winspool,Ne00:", 24));
    set(registry, HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "JoinName", REG_SZ,
        std::string("WORKGROUP", 10));
    set(registry, HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation", "JoinStatus", REG_DWORD,
        std::string("\2\0\0\0", 4));

    AnsweringPrompter yes;
    store::Context ctx{*machine, yes, nullptr};
    for (const char* title : {"会社", "自宅", "出張"})
      ASSERT_TRUE(store::CaptureProfile(ctx, ansi(title)).captured);
    (void)store::WriteActive(ctx, 1);
    (void)store::WriteComboActive(ctx, 1);
    // The live settings move on, so that a capture over a profile changes
    // it: values change and appear, a subtree appears and one goes.
    set(registry, HKEY_CURRENT_USER, kInternet, "ProxyServer", REG_SZ,
        std::string("proxy.example:8081", 19));
    set(registry, HKEY_LOCAL_MACHINE, wired, "IPAddress", REG_MULTI_SZ,
        std::string("192.168.1.20\0\0", 14));
    set(registry, HKEY_CURRENT_USER, kInternet + "\\ZoneMap\\Domains\\example.jp", "http",
        REG_DWORD, std::string("\2\0\0\0", 4));
    set(registry, HKEY_CURRENT_USER, kInternet + "\\" + win::ansiFromUtf8("表") + "\\New", "Added",
        REG_SZ, std::string("2", 2));
    ASSERT_EQ(registry.SHDeleteKeyA(HKEY_LOCAL_MACHINE, connection(kWireless).c_str()),
              win::DWORD(ERROR_SUCCESS));
  }

  static void set(win::Registry& registry, win::HKEY hive, const std::string& path,
                  const std::string& name, DWORD type, const std::string& bytes) {
    win::HKEY key = nullptr;
    ASSERT_EQ(registry.RegCreateKeyExA(hive, path.c_str(), 0, "", 0, KEY_ALL_ACCESS, nullptr, &key,
                                       nullptr),
              ERROR_SUCCESS);
    registry.RegSetValueExA(key, name.c_str(), 0, type,
                            reinterpret_cast<const win::BYTE*>(bytes.data()), DWORD(bytes.size()));
    registry.RegCloseKey(key);
  }

  std::unique_ptr<emu::EmulatedMachine> freshCopy() {
    std::string target = dir_.path().toStdString() + "/run" + std::to_string(++copies_);
    fs::copy(base_, target, fs::copy_options::recursive);
    std::string error;
    auto machine = emu::EmulatedMachine::open(target, &error);
    EXPECT_TRUE(machine) << error;
    return machine;
  }

  // A command run on a machine; true when it claimed success.
  using Command = std::function<bool(emu::EmulatedMachine& plain, const store::Context& ctx)>;

  // Runs `command` once to count its writes and see the store after it,
  // then once for every write N with write N failing, and once with the
  // command cut short at write N, as a killed process is: with the
  // registry's batches and without them, as on Windows, where only the
  // journal keeps the store whole. The next start must find the store
  // exactly as before (a failure must also say what was not done), or
  // exactly as after when the changes already stood; from before, the same
  // command must then succeed to exactly the store the first run left.
  void checkEveryWriteFault(const Command& command, const std::string& unchangedText) {
    Snapshot before;
    Snapshot after;
    for (bool batches : {true, false}) {
      // Without batches a tree copy is made of single writes, as on Windows.
      int writes = 0;
      {
        auto machine = freshCopy();
        before = storeOf(*machine);
        FaultyMachine counting(*machine);
        if (!batches) counting.registry().switchOffBatches();
        AnsweringPrompter prompter;
        store::Context ctx{counting, prompter, nullptr};
        ASSERT_TRUE(command(*machine, ctx));
        writes = counting.registry().writeCount();
        after = storeOf(*machine);
        ASSERT_NE(before, after);
        ASSERT_GT(writes, 0);
      }
      for (int n = 1; n <= writes; ++n) {
        for (bool abort : {false, true}) {
          SCOPED_TRACE("write " + std::to_string(n) + (abort ? ", cut short" : ", failing") +
                       (batches ? "" : ", without batches"));
          auto machine = freshCopy();
          AnsweringPrompter prompter;
          bool claimed = false;
          {
            FaultyMachine faulty(*machine);
            if (!batches) faulty.registry().switchOffBatches();
            faulty.registry().failWriteAt(n, ERROR_REGISTRY_IO_FAILED, abort);
            store::Context ctx{faulty, prompter, nullptr};
            try {
              claimed = command(*machine, ctx);
            } catch (const FaultyRegistry::WriteAborted&) {
              EXPECT_TRUE(abort);
            }
          }
          // Only a stop after the write that makes the changes stand (the
          // removal of the journal's copies, which the next command
          // finishes) leaves the store as after.
          AnsweringPrompter next;
          store::Context ctx{*machine, next, nullptr};
          EXPECT_TRUE(store::RecoverStore(ctx));
          const Snapshot now = storeOf(*machine);
          if (now == after) {
            EXPECT_TRUE(abort || claimed);
            continue;
          }
          EXPECT_EQ(now, before);
          EXPECT_FALSE(claimed);
          if (!abort) {
            EXPECT_EQ(prompter.last().caption, kErrorCaption);
            EXPECT_NE(prompter.last().text.find(unchangedText), std::string::npos)
                << prompter.last().text;
          }
          EXPECT_TRUE(command(*machine, ctx));
          EXPECT_EQ(storeOf(*machine), after);
        }
      }
    }
  }

  QTemporaryDir dir_;
  std::string base_;
  int copies_ = 0;
};

TEST_F(StoreCommandTest, CaptureOfANewProfileIsWholeOrAbsent) {
  checkEveryWriteFault(
      [](emu::EmulatedMachine&, const store::Context& ctx) {
        return store::CaptureProfile(ctx, ansi("新規")).captured;
      },
      "現在のﾈｯﾄﾜｰｸの設定は登録されていません。");
}

TEST_F(StoreCommandTest, CaptureOverAProfileKeepsTheOldOneWholeOrTheNewOne) {
  checkEveryWriteFault(
      [](emu::EmulatedMachine&, const store::Context& ctx) {
        return store::CaptureProfile(ctx, ansi("自宅")).captured;
      },
      "現在のﾈｯﾄﾜｰｸの設定は登録されていません。");
}

TEST_F(StoreCommandTest, DeletionMovesEverySlotOrNone) {
  checkEveryWriteFault(
      [](emu::EmulatedMachine&, const store::Context& ctx) {
        return store::DeleteProfile(ctx, ansi("自宅")).deleted;
      },
      "登録は抹消されていません。");
}

TEST_F(StoreCommandTest, DeletionOfTheFirstMovesEverySlotOrNone) {
  checkEveryWriteFault(
      [](emu::EmulatedMachine&, const store::Context& ctx) {
        return store::DeleteProfile(ctx, ansi("会社")).deleted;
      },
      "登録は抹消されていません。");
}

TEST_F(StoreCommandTest, EditorSaveWritesEveryValueOrNone) {
  checkEveryWriteFault(
      [](emu::EmulatedMachine& plain, const store::Context& ctx) {
        AnsweringPrompter quiet;
        store::Context loader{plain, quiet, nullptr};
        auto set = std::make_unique<views::WorkingSet>();
        views::ProfileContents contents = views::LoadProfile(loader, 2, ansi("自宅"), *set);
        views::EditorFields fields;
        fields.currentTab = 0;
        fields.address = "10.1.2.3";
        fields.mask = "255.0.0.0";
        fields.gateway = "10.0.0.1";
        fields.dns = "10.0.0.2";
        fields.printer = contents.printer;
        fields.domainName = "ELSEWHERE";
        fields.proxy.proxyOn = true;
        return views::SaveProfile(ctx, contents, *set, fields).completed;
      },
      "変更は登録されていません。");
}

TEST_F(StoreCommandTest, SwitchRecordWritesActiveStepsAndCountOrNone) {
  checkEveryWriteFault(
      [](emu::EmulatedMachine&, const store::Context& ctx) {
        return switching::RecordSwitch(ctx, ansi("出張"), true, switching::kStepPrinter);
      },
      "切り替えは実行されましたが、その記録（使用回数など）は保存されていません。");
}

// An import over a profile deletes its mirrors before it writes the file's:
// cut short anywhere, the old profile is still there whole.
TEST_F(StoreCommandTest, ImportOverAProfileKeepsTheOldOneWholeOrTheNewOne) {
  checkEveryWriteFault(
      [](emu::EmulatedMachine& plain, const store::Context& ctx) {
        AnsweringPrompter quiet;
        store::Context reader{plain, quiet, nullptr};
        std::optional<std::string> file = store::ExportProfile(reader, ansi("会社"));
        if (!file) return false;
        // Another address, so that the import changes what 自宅 holds.
        std::size_t address = file->find("192.168.1.10");
        if (address == std::string::npos) return false;
        file->replace(address, 12, "192.168.1.99");
        return store::ImportProfile(ctx, *file, ansi("自宅")).imported;
      },
      "登録ファイルの内容は登録されていません。");
}

TEST_F(StoreCommandTest, FailedCopyDuringTheMovesKeepsEveryProfile) {
  auto machine = freshCopy();
  Snapshot before = storeOf(*machine);
  FaultyMachine faulty(*machine);
  // Slot 3 moving down to slot 2: its Title cannot be written there.
  faulty.registry().failSet("HKLM\\" + store::SlotPath(2), "Title", ERROR_ACCESS_DENIED);
  AnsweringPrompter prompter;
  store::Context ctx{faulty, prompter, nullptr};
  store::DeletionResult result = store::DeleteProfile(ctx, ansi("会社"));
  EXPECT_FALSE(result.deleted);
  EXPECT_FALSE(result.removeTitle);
  EXPECT_FALSE(prompter.showedText("登録を抹消しました。"));
  EXPECT_EQ(prompter.last().text,
            "レジストリに書き込めません（書き込みが許可されていません）。\n"
            "登録は抹消されていません。");
  EXPECT_EQ(storeOf(*machine), before);
}

TEST_F(StoreCommandTest, SecondCommandWaitsForTheFirstOrGivesUpChangingNothing) {
  auto machine = freshCopy();
  Snapshot before = storeOf(*machine);
  // Another process holds the store lock, as a command in progress does.
  std::string error;
  auto other = emu::EmulatedMachine::open(machine->folder(), &error);
  ASSERT_TRUE(other) << error;
  win::System& system = other->system();
  win::HANDLE held = system.CreateMutexA(nullptr, FALSE, store::kStoreMutexName);
  ASSERT_EQ(system.WaitForSingleObject(held, 0), WAIT_OBJECT_0);

  AnsweringPrompter prompter;
  store::Context ctx{*machine, prompter, nullptr};
  EXPECT_FALSE(store::DeleteProfile(ctx, ansi("会社")).deleted);
  // The question is asked without the lock; the refusal follows it.
  ASSERT_EQ(prompter.shown.size(), 2u);
  EXPECT_EQ(prompter.last().caption, kErrorCaption);
  EXPECT_EQ(prompter.last().flags, MB_OK | MB_ICONERROR);
  EXPECT_EQ(prompter.last().text,
            "他のVerantu!が登録内容を変更中のため、実行できませんでした。\n"
            "しばらくしてからもう一度実行してください。");
  EXPECT_EQ(storeOf(*machine), before);

  // Once released, the lock is free again, and an owner may take it twice.
  system.ReleaseMutex(held);
  system.CloseHandle(held);
  EXPECT_TRUE(store::DeleteProfile(ctx, ansi("会社")).deleted);
  win::HANDLE mine = machine->system().CreateMutexA(nullptr, FALSE, store::kStoreMutexName);
  EXPECT_EQ(machine->system().WaitForSingleObject(mine, 0), WAIT_OBJECT_0);
  EXPECT_EQ(machine->system().WaitForSingleObject(mine, 0), WAIT_OBJECT_0);
  EXPECT_EQ(
      system.WaitForSingleObject(system.CreateMutexA(nullptr, FALSE, store::kStoreMutexName), 0),
      WAIT_TIMEOUT);
  EXPECT_TRUE(machine->system().ReleaseMutex(mine));
  EXPECT_TRUE(machine->system().ReleaseMutex(mine));
  machine->system().CloseHandle(mine);
}

TEST_F(StoreCommandTest, DeletionWithoutActiveFromSeveralProfilesWritesActiveZero) {
  auto machine = freshCopy();
  win::HKEY setting = nullptr;
  ASSERT_EQ(machine->registry().RegOpenKeyExA(HKEY_LOCAL_MACHINE, store::kSettingKey, 0,
                                              KEY_ALL_ACCESS, &setting),
            ERROR_SUCCESS);
  machine->registry().RegDeleteValueA(setting, "Active");
  machine->registry().RegCloseKey(setting);

  AnsweringPrompter prompter;
  store::Context ctx{*machine, prompter, nullptr};
  EXPECT_TRUE(store::DeleteProfile(ctx, ansi("自宅")).deleted);
  DWORD active = 99;
  EXPECT_EQ(store::ReadActive(ctx, active), 0);
  EXPECT_EQ(active, 0u);
  int slotCount = 0;
  DWORD combo = 99;
  (void)store::ReadStoreInfo(ctx, slotCount, combo);
  EXPECT_EQ(slotCount, 2);
  EXPECT_EQ(combo, 0u);  // it pointed to the deleted profile
  EXPECT_EQ(prompter.last().text, "登録を抹消しました。");
}

TEST_F(StoreCommandTest, UnreadableTitleAfterTheMovesEndsWithoutTheFinalMessage) {
  auto machine = freshCopy();
  // 自宅, the selection, moves to slot 1 with a Title too long to read.
  set(machine->registry(), HKEY_LOCAL_MACHINE, store::SlotPath(2), "Title", REG_SZ,
      std::string(300, 'x') + '\0');

  AnsweringPrompter prompter;
  store::Context ctx{*machine, prompter, nullptr};
  store::DeletionResult result = store::DeleteProfile(ctx, ansi("会社"));
  EXPECT_TRUE(result.deleted);
  EXPECT_FALSE(result.selectorText);
  EXPECT_FALSE(prompter.showedText("登録を抹消しました。"));
  int slotCount = 0;
  DWORD combo = 99;
  (void)store::ReadStoreInfo(ctx, slotCount, combo);
  EXPECT_EQ(slotCount, 2);
  EXPECT_EQ(combo, 0u);
}

// A file the test makes unwritable, even for root, and writable again when
// it ends so that the temporary folder can be removed.
class Unwritable {
 public:
  explicit Unwritable(const std::string& path, mode_t mode) : path_(path) {
    ::chmod(path.c_str(), mode);
    if (::geteuid() == 0)
      immutable_ = std::system(("chattr +i '" + path + "' 2>/dev/null").c_str()) == 0;
  }
  ~Unwritable() {
    if (immutable_) std::system(("chattr -i '" + path_ + "'").c_str());
    ::chmod(path_.c_str(), 0755);
  }
  // Whether writing really fails now: root ignores the mode bits.
  bool effective() const { return ::geteuid() != 0 || immutable_; }

 private:
  std::string path_;
  bool immutable_ = false;
};

TEST_F(StoreCommandTest, ReadOnlyRegistryFileIsReportedAndNothingIsClaimed) {
  auto writable = freshCopy();
  const std::string folder = writable->folder();
  Snapshot before = storeOf(*writable);
  Unwritable file(folder + "/registry.db", 0444);
  if (!file.effective()) GTEST_SKIP() << "root without chattr: nothing makes the file read-only";

  std::string error;
  auto machine = emu::EmulatedMachine::open(folder, &error);
  ASSERT_TRUE(machine) << error;
  for (bool capture : {true, false}) {
    AnsweringPrompter prompter;
    store::Context ctx{*machine, prompter, nullptr};
    if (capture) {
      EXPECT_FALSE(store::CaptureProfile(ctx, ansi("自宅")).captured);
      EXPECT_EQ(prompter.last().text,
                "レジストリに書き込めません（書き込みが許可されていません）。\n"
                "現在のﾈｯﾄﾜｰｸの設定は登録されていません。");
    } else {
      EXPECT_FALSE(store::DeleteProfile(ctx, ansi("会社")).deleted);
      EXPECT_EQ(prompter.last().text,
                "レジストリに書き込めません（書き込みが許可されていません）。\n"
                "登録は抹消されていません。");
    }
    // Said at once, before any key is tried.
    EXPECT_EQ(prompter.shown.size(), 2u);
  }
  EXPECT_EQ(storeOf(*machine), before);
}

// Every connection opened from here on may not grow its database, as on a
// disk with no room left.
int limitPages(sqlite3* db, const char**, const struct sqlite3_api_routines*) {
  sqlite3_exec(db, "PRAGMA max_page_count = 1", nullptr, nullptr, nullptr);
  return SQLITE_OK;
}
using AutoExtension = void (*)();

TEST_F(StoreCommandTest, FullDiskIsReportedAndNothingIsLost) {
  auto writable = freshCopy();
  const std::string folder = writable->folder();
  // Live settings bigger than any free room the store has left.
  win::HKEY key = nullptr;
  writable->registry().RegOpenKeyExA(HKEY_CURRENT_USER, kInternet.c_str(), 0, KEY_ALL_ACCESS, &key);
  std::string big(256 * 1024, '\x5a');
  writable->registry().RegSetValueExA(key, "Large", 0, REG_BINARY,
                                      reinterpret_cast<const win::BYTE*>(big.data()),
                                      DWORD(big.size()));
  writable->registry().RegCloseKey(key);
  Snapshot before = storeOf(*writable);
  writable.reset();

  ASSERT_EQ(sqlite3_auto_extension(reinterpret_cast<AutoExtension>(&limitPages)), SQLITE_OK);
  std::string error;
  auto machine = emu::EmulatedMachine::open(folder, &error);
  sqlite3_cancel_auto_extension(reinterpret_cast<AutoExtension>(&limitPages));
  ASSERT_TRUE(machine) << error;
  for (const char* title : {"新規", "自宅"}) {
    AnsweringPrompter prompter;
    store::Context ctx{*machine, prompter, nullptr};
    EXPECT_FALSE(store::CaptureProfile(ctx, ansi(title)).captured) << title;
    EXPECT_EQ(prompter.last().text,
              "ディスクの空き容量が足りないため、レジストリに書き込めません。\n"
              "現在のﾈｯﾄﾜｰｸの設定は登録されていません。");
  }
  EXPECT_EQ(storeOf(*machine), before);

  // With room again the same capture goes through.
  machine.reset();
  machine = emu::EmulatedMachine::open(folder, &error);
  ASSERT_TRUE(machine) << error;
  AnsweringPrompter prompter;
  store::Context ctx{*machine, prompter, nullptr};
  EXPECT_TRUE(store::CaptureProfile(ctx, ansi("新規")).captured);
}

}  // namespace

namespace {

std::vector<std::string> titlesOf(win::Machine& machine) {
  AnsweringPrompter quiet;
  store::Context ctx{machine, quiet, nullptr};
  int slotCount = 0;
  DWORD combo = 0;
  (void)store::ReadStoreInfo(ctx, slotCount, combo);
  std::vector<std::string> titles;
  for (const std::string& title : store::FillProfileSelector(ctx, slotCount, 0).titles)
    titles.push_back(win::ansiToUtf8(title));
  return titles;
}

}  // namespace

// While a command's question waits for the user, another copy of the
// program captures a profile at once; the command then does what was
// asked, on the profile wherever it is by then.
TEST_F(StoreCommandTest, QuestionsWaitWithoutHoldingTheStore) {
  struct Case {
    const char* question;
    Command command;
    std::vector<std::string> titlesAfter;
  };
  const std::vector<Case> cases = {
      {"上書きしますか？",
       [](emu::EmulatedMachine&, const store::Context& ctx) {
         return store::CaptureProfile(ctx, ansi("自宅")).captured;
       },
       {"会社", "自宅", "出張", "新規"}},
      {"削除しますか？",
       [](emu::EmulatedMachine&, const store::Context& ctx) {
         return store::DeleteProfile(ctx, ansi("会社")).deleted;
       },
       {"自宅", "出張", "新規"}},
      {"それでも変更を登録しますか？",
       [](emu::EmulatedMachine& plain, const store::Context& ctx) {
         AnsweringPrompter quiet;
         store::Context loader{plain, quiet, nullptr};
         auto set = std::make_unique<views::WorkingSet>();
         views::ProfileContents contents = views::LoadProfile(loader, 2, ansi("自宅"), *set);
         views::EditorFields fields;
         fields.currentTab = -1;
         fields.printer = "NoSuchPrinter";
         return views::SaveProfile(ctx, contents, *set, fields).completed;
       },
       {"会社", "自宅", "出張", "新規"}},
  };
  for (const Case& test : cases) {
    SCOPED_TRACE(test.question);
    auto machine = freshCopy();
    std::string error;
    auto other = emu::EmulatedMachine::open(machine->folder(), &error);
    ASSERT_TRUE(other) << error;
    AnsweringPrompter prompter;
    AnsweringPrompter otherPrompter;
    bool otherCaptured = false;
    prompter.whileShown = [&](const AnsweringPrompter::Box& box) {
      if (box.text.find(test.question) == std::string::npos || otherCaptured) return;
      store::Context otherCtx{*other, otherPrompter, nullptr};
      otherCaptured = store::CaptureProfile(otherCtx, ansi("新規")).captured;
    };
    store::Context ctx{*machine, prompter, nullptr};
    EXPECT_TRUE(test.command(*machine, ctx));
    EXPECT_TRUE(otherCaptured) << otherPrompter.last().text;
    EXPECT_EQ(titlesOf(*machine), test.titlesAfter);
  }
}

// A live key too deep to be mirrored in a profile is left out, the rest
// is stored, and the final message names it.
TEST_F(StoreCommandTest, CaptureLeavesOutASubtreeTooDeepForTheProfile) {
  auto machine = freshCopy();
  std::string deep = kInternet + "\\Deep";
  std::string tooDeep;
  for (int level = 2; level <= 502; ++level) {
    deep += "\\L";
    if (level == 501) set(machine->registry(), HKEY_CURRENT_USER, deep, "Kept", REG_SZ, "k");
  }
  tooDeep = deep;
  set(machine->registry(), HKEY_CURRENT_USER, tooDeep, "Lost", REG_SZ, "x");

  AnsweringPrompter prompter;
  store::Context ctx{*machine, prompter, nullptr};
  ASSERT_TRUE(store::CaptureProfile(ctx, ansi("深い")).captured);
  EXPECT_EQ(prompter.last().text,
            "現在のﾈｯﾄﾜｰｸの設定を登録しました。\n登録できないため除いたキー : HKEY_CURRENT_USER\\" +
                tooDeep);
  std::string kept;
  const std::string mirror = store::MirrorPath(4, deep.substr(0, deep.size() - 2));
  EXPECT_EQ(store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, mirror, "Kept", kept), 0);
  EXPECT_EQ(kept, "k");
  EXPECT_EQ(store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, store::MirrorPath(4, kInternet),
                                   "ProxyServer", kept),
            0);
  EXPECT_EQ(kept, "proxy.example:8081");
}

// A journal entry naming a key outside the profiles is not the journal's: the
// recovery refuses it and touches nothing, whatever the entry asks for.
TEST_F(StoreCommandTest, RecoveryRefusesAnEntryNamingAKeyOutsideTheProfiles) {
  const std::string setting = store::kSettingKey;
  for (const std::string& entry :
       std::vector<std::string>{"notree\\SYSTEM\\Emulation", "notree\\" + setting,
                                "keyvalues\\" + setting + "\\\\1", "tree\\Software\\Q\\Tolvik"}) {
    SCOPED_TRACE(entry);
    auto machine = freshCopy();
    const Snapshot store = storeOf(*machine);
    const Snapshot system =
        testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation");
    set(machine->registry(), HKEY_LOCAL_MACHINE, store::kJournalKey, "Open", REG_DWORD,
        std::string("\1\0\0\0", 4));
    set(machine->registry(), HKEY_LOCAL_MACHINE, store::kJournalKey, "1", REG_SZ, entry + '\0');
    set(machine->registry(), HKEY_LOCAL_MACHINE, std::string(store::kJournalKey) + "\\1", "",
        REG_SZ, std::string(1, '\0'));

    AnsweringPrompter prompter;
    store::Context ctx{*machine, prompter, nullptr};
    EXPECT_FALSE(store::RecoverStore(ctx));
    EXPECT_EQ(
        testing_support::snapshot(machine->registry(), HKEY_LOCAL_MACHINE, "SYSTEM\\Emulation"),
        system);
    Snapshot now = storeOf(*machine);
    for (auto it = now.begin(); it != now.end();)
      it = it->first.rfind("Journal\\", 0) == 0 ? now.erase(it) : std::next(it);
    EXPECT_EQ(now, store);
  }
}
