// Deleting a profile. Slots stay contiguous: every later slot moves down by
// one, and Active and ComboActive follow the profiles they pointed to.
#include "store/deletion.h"

#include "platform/code_page.h"
#include "store/messages.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"
#include "store/registry_access.h"
#include "store/registry_reports.h"
#include "store/store_command.h"

namespace store {

namespace {

using win::DWORD;

constexpr const char* kEnterTitle = "登録名を入力してください。";
constexpr const char* kNotRegistered = "この登録名では登録されていません。";
constexpr const char* kAskDelete = "リストに表示されている登録を削除しますか？";
constexpr const char* kDeleted = "登録を抹消しました。";
constexpr const char* kNoProfile = "未設定";

// An index into the slots after slot `deleted` is gone: the deleted
// profile's own index falls back to the first profile, later ones move down.
DWORD followMove(DWORD index, DWORD deleted) {
  if (index == deleted) return 0;
  return index > deleted ? index - 1 : index;
}

}  // namespace

DeletionResult DeleteProfile(const Context& outer, const std::string& title,
                             ProfileSelector* selector) {
  DeletionResult result;
  if (title.empty()) {
    ShowError(outer, kEnterTitle);
    return result;
  }

  // Asked before the store lock is taken, so that no other command waits
  // for the answer; the title is looked up again under the lock and the
  // profile deleted wherever it is by then.
  {
    TitleLookup asked = FindProfileByTitle(outer, title);
    if (asked.interrupted) return result;
    if (!asked.index) {
      ShowError(outer, kNotRegistered);
      return result;
    }
    if (outer.messageBox(win::ansiFromUtf8(kAskDelete), win::ansiFromUtf8(kConfirmCaption),
                         MB_YESNO | MB_ICONWARNING) != IDYES)
      return result;
  }

  // The count, the selections and the slot found must stay what they were
  // read as until the last move is written.
  StoreCommand command(outer, StoreChange::Deletion);
  if (!command.locked()) return result;
  const Context& ctx = command.context();

  // The statuses do not matter here: a missing value reads as 0.
  int slotCount = 0;
  DWORD comboActive = 0;
  DWORD active = 0;
  (void)ReadStoreInfo(ctx, slotCount, comboActive);
  (void)ReadActive(ctx, active);

  TitleLookup lookup = FindProfileByTitle(ctx, title);
  if (lookup.interrupted) return result;
  if (!lookup.index) {
    ShowError(ctx, kNotRegistered);
    return result;
  }
  const int index = *lookup.index;

  // The moves and both selections are one change: a deletion cut short
  // leaves every profile where it was.
  if (!command.beginWrites()) return result;
  // Slot j takes over slot j+1 whole: Title, Count and the Data tree. The
  // old content of every later slot is by then held by the slot below it,
  // which is what the journal is told instead of copying it; so the moves
  // stop at the first that fails.
  bool moved = true;
  for (int slot = index + 1; moved && slot <= slotCount - 1; ++slot) {
    moved = (slot == index + 1 || command.slotHeldBy(slot, slot - 1)) &&
            DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, SlotPath(slot)) == 0 &&
            CopyKeyTree(ctx, HKEY_LOCAL_MACHINE, SlotPath(slot + 1), HKEY_LOCAL_MACHINE,
                        SlotPath(slot)) == 0;
  }
  if (moved && slotCount > index + 1) moved = command.slotHeldBy(slotCount, slotCount - 1);
  if (moved) moved = DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, SlotPath(slotCount)) == 0;
  // A copy can also fail for want of memory, which no registry call saw.
  if (!moved) command.noteFailure(ERROR_NOT_ENOUGH_MEMORY);

  // A write that fails here is seen by the command, which then undoes all.
  comboActive = followMove(comboActive, DWORD(index));
  (void)WriteComboActive(ctx, comboActive);
  (void)WriteActive(ctx, followMove(active, DWORD(index)));

  // What the selector shows next. When it cannot be found the deletion
  // still stands, but ends without the final message.
  bool complete = true;
  if (slotCount == 1) {
    // The store is empty now; ComboActive is what says a profile exists.
    result.clearSelector = true;
    result.selectorText = win::ansiFromUtf8(kNoProfile);
    win::HKEY setting = nullptr;
    if (ctx.registry().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingKey, 0, KEY_READ | KEY_SET_VALUE,
                                     &setting) == ERROR_SUCCESS) {
      // A failure here is seen by the command, which then undoes it all.
      (void)ctx.registry().RegDeleteValueA(setting, "ComboActive");
      (void)ctx.registry().RegCloseKey(setting);
    } else {
      complete = false;
    }
  } else {
    std::string selected;
    if (ReadStringValue(ctx, HKEY_LOCAL_MACHINE, SlotPath(int(comboActive) + 1), "Title",
                        selected) == 0)
      result.selectorText = selected;
    else
      complete = false;
  }
  if (!command.commitWrites()) {
    result.clearSelector = false;
    result.selectorText.reset();
    return result;
  }
  result.deleted = true;
  result.removeTitle = true;

  if (selector) {
    selector->removeItem(title);
    if (result.clearSelector) selector->clear();
    if (result.selectorText) selector->setText(*result.selectorText);
  }
  if (!complete) return result;
  ctx.messageBox(win::ansiFromUtf8(kDeleted), win::ansiFromUtf8(kInformationCaption),
                 MB_OK | MB_ICONINFORMATION);
  return result;
}

}  // namespace store
