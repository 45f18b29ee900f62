// Deleting a profile. Slots stay contiguous: every later slot moves down by
// one, and Active and ComboActive follow the profiles they pointed to.
#include "store/deletion.h"

#include "platform/code_page.h"
#include "store/profile_store.h"
#include "store/registry_access.h"

namespace store {

namespace {

using win::DWORD;

constexpr const char* kErrorCaption = "エラーメッセージ";
constexpr const char* kConfirmCaption = "確認メッセージ";
constexpr const char* kInformationCaption = "情報メッセージ";
constexpr const char* kEnterTitle = "登録名を入力してください。";
constexpr const char* kNotRegistered = "この登録名では登録されていません。";
constexpr const char* kAskDelete = "リストに表示されている登録を削除しますか？";
constexpr const char* kDeleted = "登録を抹消しました。";
constexpr const char* kNoProfile = "未設定";

void showError(const Context& ctx, const char* text) {
  ctx.messageBox(win::ansiFromUtf8(text), win::ansiFromUtf8(kErrorCaption), MB_OK | MB_ICONERROR);
}

// An index into the slots after slot `deleted` is gone: the deleted
// profile's own index falls back to the first profile, later ones move down.
DWORD followMove(DWORD index, DWORD deleted) {
  if (index == deleted) return 0;
  return index > deleted ? index - 1 : index;
}

}  // namespace

DeletionResult DeleteProfile(const Context& ctx, const std::string& title,
                             ProfileSelector* selector) {
  DeletionResult result;
  if (title.empty()) {
    showError(ctx, kEnterTitle);
    return result;
  }

  // The statuses do not matter here: a missing value reads as 0.
  int slotCount = 0;
  DWORD comboActive = 0;
  DWORD active = 0;
  ReadStoreInfo(ctx, slotCount, comboActive);
  ReadActive(ctx, active);

  TitleLookup lookup = FindProfileByTitle(ctx, title);
  if (lookup.interrupted) return result;
  if (!lookup.index) {
    showError(ctx, kNotRegistered);
    return result;
  }
  const int index = *lookup.index;
  if (ctx.messageBox(win::ansiFromUtf8(kAskDelete), win::ansiFromUtf8(kConfirmCaption),
                     MB_YESNO | MB_ICONWARNING) != IDYES)
    return result;

  {
    // Moving up to 255 slots is a great many writes: one batch for them all.
    win::RegistryBatch batch(ctx.registry());
    // Slot j takes over slot j+1 whole: Title, Count and the Data tree.
    for (int slot = index + 1; slot <= slotCount - 1; ++slot) {
      DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, SlotPath(slot));
      CopyKeyTree(ctx, HKEY_LOCAL_MACHINE, SlotPath(slot + 1), HKEY_LOCAL_MACHINE, SlotPath(slot));
    }
    DeleteKeyTree(ctx, HKEY_LOCAL_MACHINE, SlotPath(slotCount));
  }
  result.deleted = true;

  comboActive = followMove(comboActive, DWORD(index));
  WriteComboActive(ctx, comboActive);
  WriteActive(ctx, followMove(active, DWORD(index)));
  result.removeTitle = true;
  if (selector) selector->removeItem(title);

  if (slotCount == 1) {
    // The store is empty now; ComboActive is what says a profile exists.
    result.clearSelector = true;
    result.selectorText = win::ansiFromUtf8(kNoProfile);
    if (selector) {
      selector->clear();
      selector->setText(*result.selectorText);
    }
    win::HKEY setting = nullptr;
    if (ctx.registry().RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSettingKey, 0, KEY_READ | KEY_SET_VALUE,
                                     &setting) != ERROR_SUCCESS)
      return result;
    ctx.registry().RegDeleteValueA(setting, "ComboActive");
    ctx.registry().RegCloseKey(setting);
  } else {
    std::string selected;
    if (ReadStringValue(ctx, HKEY_LOCAL_MACHINE, SlotPath(int(comboActive) + 1), "Title",
                        selected) != 0)
      return result;
    result.selectorText = selected;
    if (selector) selector->setText(selected);
  }

  ctx.messageBox(win::ansiFromUtf8(kDeleted), win::ansiFromUtf8(kInformationCaption),
                 MB_OK | MB_ICONINFORMATION);
  return result;
}

}  // namespace store
