// The profile store: slot paths, the store information, the
// selections Active and ComboActive, the title lookup and the selector list.
#include "store/profile_store.h"
#include "store/profile_titles.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/code_page.h"
#include "tests/support/faulty_registry.h"
#include "tests/support/scripted_prompter.h"
#include "tests/support/test_machine.h"

namespace {

using namespace std::string_literals;
using testing_support::FaultyMachine;
using testing_support::ScriptedPrompter;
using testing_support::TestMachine;
using win::DWORD;

const std::string kSetting = "Software\\Q\\Tolvik\\Setting";

class ProfileStoreTest : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(m.registry().openHandleCount(), 0u) << "a helper left a key handle open";
  }

  // Slots 1..n with these titles, each stored with its NUL as capture does.
  void addSlots(const std::vector<std::string>& titles) {
    for (std::size_t i = 0; i < titles.size(); ++i)
      m.setString(HKEY_LOCAL_MACHINE, store::SlotPath(int(i) + 1), "Title", titles[i]);
  }
  bool hasValue(const std::string& name) {
    return m.value(HKEY_LOCAL_MACHINE, kSetting, name, nullptr, nullptr);
  }
  DWORD dword(const std::string& name) {
    std::string bytes;
    EXPECT_TRUE(m.value(HKEY_LOCAL_MACHINE, kSetting, name, nullptr, &bytes)) << name;
    DWORD value = 0;
    if (bytes.size() == 4) std::memcpy(&value, bytes.data(), 4);
    return value;
  }

  TestMachine m;
  ScriptedPrompter prompter;  // the store shows no boxes: any box fails
  store::Context ctx{m.machine(), prompter, nullptr};
};

TEST_F(ProfileStoreTest, PathsFollowTheSlotFormats) {
  EXPECT_EQ(store::SlotPath(1), "Software\\Q\\Tolvik\\Setting\\1");
  EXPECT_EQ(store::SlotPath(256), "Software\\Q\\Tolvik\\Setting\\256");
  EXPECT_EQ(store::DataPath(10), "Software\\Q\\Tolvik\\Setting\\10\\Data");
  EXPECT_EQ(
      store::MirrorPath(3, "SYSTEM\\CurrentControlSet\\Services\\Tcpip\\Parameters\\Adapters"),
      "Software\\Q\\Tolvik\\Setting\\3\\Data\\SYSTEM\\CurrentControlSet\\Services\\Tcpip\\"
      "Parameters\\Adapters");
}

// --- ReadStoreInfo, ReadActive, WriteActive, WriteComboActive --------------

TEST_F(ProfileStoreTest, ReadStoreInfoWithoutSettingReportsNoSlots) {
  int count = 99;
  DWORD combo = 99;
  EXPECT_EQ(store::ReadStoreInfo(ctx, count, combo), 1);
  EXPECT_EQ(count, 0);
  EXPECT_EQ(combo, 0u);
}

TEST_F(ProfileStoreTest, ReadStoreInfoCountsSlotsEvenWithoutComboActive) {
  addSlots({"A", "B", "C"});
  int count = 0;
  DWORD combo = 99;
  EXPECT_EQ(store::ReadStoreInfo(ctx, count, combo), 1);
  EXPECT_EQ(count, 3);

  m.setDword(HKEY_LOCAL_MACHINE, kSetting, "ComboActive", 2);
  EXPECT_EQ(store::ReadStoreInfo(ctx, count, combo), 0);
  EXPECT_EQ(count, 3);
  EXPECT_EQ(combo, 2u);

  // ComboActive is read into 4 bytes: a longer value fails, the count stays.
  m.setValue(HKEY_LOCAL_MACHINE, kSetting, "ComboActive", REG_BINARY, "\1\0\0\0\0"s);
  EXPECT_EQ(store::ReadStoreInfo(ctx, count, combo), 1);
  EXPECT_EQ(count, 3);
}

TEST_F(ProfileStoreTest, ActiveReadsAsZeroWhenAbsentAndWritesAsDword) {
  DWORD active = 9;
  EXPECT_EQ(store::ReadActive(ctx, active), 1);
  EXPECT_EQ(active, 0u);
  // The writes never create Setting.
  EXPECT_EQ(store::WriteActive(ctx, 1), 1);
  EXPECT_EQ(store::WriteComboActive(ctx, 1), 1);
  EXPECT_FALSE(m.keyExists(HKEY_LOCAL_MACHINE, kSetting));

  addSlots({"A", "B"});
  EXPECT_EQ(store::WriteActive(ctx, 1), 0);
  EXPECT_EQ(store::WriteComboActive(ctx, 0), 0);
  EXPECT_EQ(store::ReadActive(ctx, active), 0);
  EXPECT_EQ(active, 1u);
  DWORD type = 0;
  std::string bytes;
  ASSERT_TRUE(m.value(HKEY_LOCAL_MACHINE, kSetting, "ComboActive", &type, &bytes));
  EXPECT_EQ(type, REG_DWORD);
  EXPECT_EQ(bytes, "\0\0\0\0"s);
}

// --- FindProfileByTitle ----------------------------------------------------

TEST_F(ProfileStoreTest, FindProfileByTitleComparesWholeTitlesCaseSensitively) {
  addSlots({"Office", "office", "Home", "Office"});
  EXPECT_EQ(store::FindProfileByTitle(ctx, "office").index, 1);
  EXPECT_EQ(store::FindProfileByTitle(ctx, "Office").index, 0);  // the first equal slot wins
  EXPECT_EQ(store::FindProfileByTitle(ctx, "Home").index, 2);
  for (const char* other : {"OFFICE", "Hom", "Home ", ""}) {
    store::TitleLookup lookup = store::FindProfileByTitle(ctx, other);
    EXPECT_FALSE(lookup.index) << other;
    EXPECT_FALSE(lookup.interrupted) << other;
  }
}

TEST_F(ProfileStoreTest, FindProfileByTitleMatchesTitlesWithAndWithoutTheirNul) {
  // Capture stores the NUL; a title saved by WriteStringValue has none.
  m.setValue(HKEY_LOCAL_MACHINE, store::SlotPath(1), "Title", REG_SZ, "Plain");
  const std::string japanese = win::ansiFromUtf8("本社\\表");  // 0x5C trail byte inside
  m.setString(HKEY_LOCAL_MACHINE, store::SlotPath(2), "Title", japanese);
  EXPECT_EQ(store::FindProfileByTitle(ctx, "Plain").index, 0);
  EXPECT_EQ(store::FindProfileByTitle(ctx, japanese).index, 1);
}

TEST_F(ProfileStoreTest, FindProfileByTitleStopsAtAnUnreadableSlot) {
  addSlots({"A", "B", "C"});
  m.setString(HKEY_LOCAL_MACHINE, store::SlotPath(2), "Title", std::string(256, 'x'));  // 257 bytes

  store::TitleLookup before = store::FindProfileByTitle(ctx, "A");
  EXPECT_EQ(before.index, 0);
  EXPECT_FALSE(before.interrupted);
  store::TitleLookup after = store::FindProfileByTitle(ctx, "C");
  EXPECT_FALSE(after.index);
  EXPECT_TRUE(after.interrupted);  // callers can tell this from "not registered"

  store::TitleLookup empty = store::FindProfileByTitle(ctx, "Z");
  EXPECT_TRUE(empty.interrupted);
  EXPECT_EQ(m.registry().SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSetting.c_str()), 0u);
  empty = store::FindProfileByTitle(ctx, "A");
  EXPECT_FALSE(empty.index);
  EXPECT_FALSE(empty.interrupted);
}

// --- FillProfileSelector ---------------------------------------------------

TEST_F(ProfileStoreTest, FillProfileSelectorListsTitlesInSlotOrder) {
  addSlots({"Office", "Home", "Customer"});
  store::SelectorFill fill = store::FillProfileSelector(ctx, 3, 1);
  EXPECT_EQ(fill.status, 0);
  EXPECT_EQ(fill.titles, (std::vector<std::string>{"Office", "Home", "Customer"}));
  EXPECT_EQ(fill.editText, "Home");

  fill = store::FillProfileSelector(ctx, 3, 3);  // out of range: nothing shown
  EXPECT_EQ(fill.status, 0);
  EXPECT_FALSE(fill.editText);
}

TEST_F(ProfileStoreTest, FillProfileSelectorUsesSlotNumbersNotEnumerationOrder) {
  // Subkeys enumerate "1", "10", "11", "2", ...; the selector must not.
  std::vector<std::string> titles;
  for (int i = 1; i <= 12; ++i) titles.push_back("P" + std::to_string(i));
  addSlots(titles);
  store::SelectorFill fill = store::FillProfileSelector(ctx, 12, 9);
  EXPECT_EQ(fill.status, 0);
  EXPECT_EQ(fill.titles, titles);
  EXPECT_EQ(fill.editText, "P10");
}

TEST_F(ProfileStoreTest, FillProfileSelectorKeepsTheTitlesReadBeforeAFailure) {
  addSlots({"First", "Second", "Third"});
  m.setString(HKEY_LOCAL_MACHINE, store::SlotPath(2), "Title", std::string(300, 'x'));
  store::SelectorFill fill = store::FillProfileSelector(ctx, 3, 0);
  EXPECT_EQ(fill.status, 1);
  EXPECT_EQ(fill.titles, (std::vector<std::string>{"First"}));
  EXPECT_EQ(fill.editText, "First");

  // More slots asked for than exist.
  fill = store::FillProfileSelector(ctx, 1, 2);
  EXPECT_EQ(fill.status, 0);
  EXPECT_EQ(m.registry().SHDeleteKeyA(HKEY_LOCAL_MACHINE, store::SlotPath(2).c_str()), 0u);
  fill = store::FillProfileSelector(ctx, 3, 2);
  EXPECT_EQ(fill.status, 1);
  EXPECT_EQ(fill.titles, (std::vector<std::string>{"First"}));
  EXPECT_FALSE(fill.editText);
}

TEST_F(ProfileStoreTest, FillProfileSelectorWithoutSettingChangesNothing) {
  store::SelectorFill fill = store::FillProfileSelector(ctx, 0, 0);
  EXPECT_EQ(fill.status, 1);
  EXPECT_TRUE(fill.titles.empty());
  EXPECT_FALSE(fill.editText);
}

// --- Selection at start-up -------------------------------------------------

TEST_F(ProfileStoreTest, StartupSelectionFollowsAnExistingActive) {
  addSlots({"A", "B", "C"});
  m.setDword(HKEY_LOCAL_MACHINE, kSetting, "ComboActive", 0);
  m.setDword(HKEY_LOCAL_MACHINE, kSetting, "Active", 2);
  store::ApplyStartupSelection(ctx);
  EXPECT_EQ(dword("ComboActive"), 2u);
  EXPECT_EQ(dword("Active"), 2u);
}

TEST_F(ProfileStoreTest, StartupSelectionForgetsAnActivePastTheLastSlot) {
  addSlots({"A", "B", "C"});
  m.setDword(HKEY_LOCAL_MACHINE, kSetting, "ComboActive", 2);
  for (DWORD stale : {5u, 3u}) {
    m.setDword(HKEY_LOCAL_MACHINE, kSetting, "Active", stale);
    FaultyMachine faulty(m.machine());
    store::Context logged{faulty, prompter, nullptr};
    store::ApplyStartupSelection(logged);
    EXPECT_FALSE(hasValue("Active")) << stale;
    EXPECT_EQ(dword("ComboActive"), 0u) << stale;
    // Active is deleted through a key opened for reading and setting values.
    int del = faulty.registry().indexOf("delete", "HKLM\\" + kSetting, "Active");
    ASSERT_GE(del, 0);
    bool opened = false;
    for (const auto& call : faulty.registry().calls())
      if (call.op == "open" && call.path == "HKLM\\" + kSetting &&
          call.number == (KEY_READ | KEY_SET_VALUE))
        opened = true;
    EXPECT_TRUE(opened);
  }
}

TEST_F(ProfileStoreTest, StartupSelectionChangesNothingWhenAReadFails) {
  addSlots({"A", "B", "C"});
  // No Active: ComboActive stays as it is.
  m.setDword(HKEY_LOCAL_MACHINE, kSetting, "ComboActive", 1);
  store::ApplyStartupSelection(ctx);
  EXPECT_EQ(dword("ComboActive"), 1u);
  EXPECT_FALSE(hasValue("Active"));

  // No ComboActive: even a stale Active is left alone.
  EXPECT_EQ(m.registry().SHDeleteKeyA(HKEY_LOCAL_MACHINE, kSetting.c_str()), 0u);
  addSlots({"A"});
  m.setDword(HKEY_LOCAL_MACHINE, kSetting, "Active", 7);
  store::ApplyStartupSelection(ctx);
  EXPECT_FALSE(hasValue("ComboActive"));
  EXPECT_EQ(dword("Active"), 7u);
}

}  // namespace
