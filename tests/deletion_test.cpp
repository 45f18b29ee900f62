// Deleting a profile: later slots move down whole, and Active and
// ComboActive keep pointing to their profiles.
#include "store/deletion.h"

#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "store/profile_store.h"
#include "tests/support/registry_snapshot.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/test_machine.h"

namespace {

using testing_support::Snapshot;
using testing_support::snapshot;
using win::DWORD;

const std::string kAsk = "リストに表示されている登録を削除しますか？";

struct Store {
  testing_support::TestMachine m;
  testing_support::ScriptedPrompter prompter;
  store::Context ctx{m.machine(), prompter, nullptr};

  // Profiles P1..Pn, each with a Count, a Data value and a mirror subkey.
  explicit Store(int profiles) {
    for (int slot = 1; slot <= profiles; ++slot) {
      std::string n = std::to_string(slot);
      m.setString(HKEY_LOCAL_MACHINE, store::SlotPath(slot), "Title", "P" + n);
      m.setDword(HKEY_LOCAL_MACHINE, store::SlotPath(slot), "Count", DWORD(slot * 10));
      m.setString(HKEY_LOCAL_MACHINE, store::DataPath(slot), "DefPrinter", "Printer " + n);
      m.setString(HKEY_LOCAL_MACHINE, store::MirrorPath(slot, "SYSTEM\\X"), "V", n);
    }
  }
  Snapshot slot(int number) {
    return snapshot(m.registry(), HKEY_LOCAL_MACHINE, store::SlotPath(number));
  }
  std::optional<DWORD> setting(const std::string& name) {
    std::string bytes;
    if (!m.value(HKEY_LOCAL_MACHINE, store::kSettingKey, name, nullptr, &bytes)) return {};
    DWORD value = 0xFFFFFFFF;
    if (bytes.size() == 4) std::memcpy(&value, bytes.data(), 4);
    return value;
  }
  store::DeletionResult remove(const std::string& title) {
    prompter.expect(kAsk, "確認メッセージ", 0x34, IDYES)
        .expect("登録を抹消しました。", "情報メッセージ", MB_ICONINFORMATION);
    return store::DeleteProfile(ctx, title);
  }
};

TEST(DeletionTest, DeletingProfile2Of4MovesTheLaterSlotsAndIndexes) {
  struct Case {
    DWORD before, after;
    std::string selected;
  };
  for (const Case& c : {Case{3, 2, "P4"}, Case{0, 0, "P1"}, Case{1, 0, "P1"}}) {
    SCOPED_TRACE(c.before);
    Store s(4);
    s.m.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "ComboActive", c.before);
    s.m.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "Active", c.before);
    Snapshot first = s.slot(1), third = s.slot(3), fourth = s.slot(4);

    store::DeletionResult result = s.remove("P2");
    EXPECT_TRUE(result.deleted);
    EXPECT_TRUE(result.removeTitle);
    EXPECT_FALSE(result.clearSelector);
    EXPECT_EQ(result.selectorText, c.selected);
    EXPECT_EQ(s.slot(1), first);
    EXPECT_EQ(s.slot(2), third);
    EXPECT_EQ(s.slot(3), fourth);
    EXPECT_FALSE(s.m.keyExists(HKEY_LOCAL_MACHINE, store::SlotPath(4)));
    EXPECT_EQ(s.setting("ComboActive"), c.after);
    EXPECT_EQ(s.setting("Active"), c.after);
  }
}

TEST(DeletionTest, DeletingTheOnlyProfileLeavesAnEmptyStore) {
  Store s(1);
  s.m.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "ComboActive", 0);
  store::DeletionResult result = s.remove("P1");
  EXPECT_TRUE(result.clearSelector);
  EXPECT_EQ(result.selectorText, win::ansiFromUtf8("未設定"));
  EXPECT_TRUE(s.m.keyExists(HKEY_LOCAL_MACHINE, store::kSettingKey));
  int count = -1;
  DWORD combo = 0;
  EXPECT_EQ(store::ReadStoreInfo(s.ctx, count, combo), 1);  // no ComboActive
  EXPECT_EQ(count, 0);
  EXPECT_EQ(s.setting("Active"), 0u);  // absent before, written as 0
}

TEST(DeletionTest, DeletingTheLastOfSeveralMovesNothing) {
  Store s(3);
  s.m.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "ComboActive", 2);
  Snapshot first = s.slot(1), second = s.slot(2);
  EXPECT_EQ(s.remove("P3").selectorText, "P1");
  EXPECT_EQ(s.slot(1), first);
  EXPECT_EQ(s.slot(2), second);
  EXPECT_FALSE(s.m.keyExists(HKEY_LOCAL_MACHINE, store::SlotPath(3)));
  EXPECT_EQ(s.setting("ComboActive"), 0u);
}

TEST(DeletionTest, UnknownEmptyOrDeclinedTitlesChangeNothing) {
  Store s(2);
  s.m.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "ComboActive", 1);
  Snapshot before = snapshot(s.m.registry(), HKEY_LOCAL_MACHINE, store::kSettingKey);
  s.prompter.expect("登録名を入力してください。", "エラーメッセージ", MB_ICONERROR)
      .expect("この登録名では登録されていません。", "エラーメッセージ", MB_ICONERROR)
      .expect(kAsk, "確認メッセージ", 0x34, IDNO);
  EXPECT_FALSE(store::DeleteProfile(s.ctx, "").deleted);
  EXPECT_FALSE(store::DeleteProfile(s.ctx, "p2").deleted);
  EXPECT_FALSE(store::DeleteProfile(s.ctx, "P2").deleted);
  EXPECT_EQ(snapshot(s.m.registry(), HKEY_LOCAL_MACHINE, store::kSettingKey), before);
}

}  // namespace

// The selector follows the deletion before the final message is shown.
TEST(DeletionTest, SelectorChangesBeforeTheFinalMessage) {
  struct RecordingSelector : store::ProfileSelector {
    explicit RecordingSelector(const testing_support::ScriptedPrompter& p) : prompter(p) {}
    void appendItem(const std::string& t) override { log("append " + t); }
    void removeItem(const std::string& t) override { log("remove " + t); }
    void clear() override { log("clear"); }
    void setText(const std::string& t) override { log("text " + win::ansiToUtf8(t)); }
    void log(const std::string& call) {
      calls.push_back(call + " after " + std::to_string(prompter.shown().size()));
    }
    const testing_support::ScriptedPrompter& prompter;
    std::vector<std::string> calls;
  };
  Store several(2);
  several.m.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "ComboActive", 1);
  RecordingSelector selector(several.prompter);
  several.prompter.expect(kAsk, "確認メッセージ", 0x34, IDYES)
      .expect("登録を抹消しました。", "情報メッセージ", MB_ICONINFORMATION);
  store::DeleteProfile(several.ctx, "P2", &selector);
  EXPECT_EQ(selector.calls, (std::vector<std::string>{"remove P2 after 1", "text P1 after 1"}));

  Store only(1);
  only.m.setDword(HKEY_LOCAL_MACHINE, store::kSettingKey, "ComboActive", 0);
  RecordingSelector emptied(only.prompter);
  only.prompter.expect(kAsk, "確認メッセージ", 0x34, IDYES)
      .expect("登録を抹消しました。", "情報メッセージ", MB_ICONINFORMATION);
  store::DeleteProfile(only.ctx, "P1", &emptied);
  EXPECT_EQ(emptied.calls, (std::vector<std::string>{"remove P1 after 1", "clear after 1",
                                                     "text 未設定 after 1"}));
}
