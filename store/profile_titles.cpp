#include "store/profile_titles.h"

#include "platform/code_page.h"
#include "store/messages.h"
#include "store/profile_store.h"
#include "store/registry_access.h"

namespace store {

int ReadSlotTitle(const Context& ctx, int slot, std::string& title) {
  return ReadStringValue(ctx, HKEY_LOCAL_MACHINE, SlotPath(slot), "Title", title);
}

TitleLookup FindProfileByTitle(const Context& ctx, const std::string& title) {
  TitleLookup lookup;
  int slotCount = 0;
  win::DWORD comboActive = 0;
  // Only the slot count matters here; a store without ComboActive is still
  // searched.
  (void)ReadStoreInfo(ctx, slotCount, comboActive);
  for (int i = 0; i < slotCount; ++i) {
    std::string stored;
    if (ReadSlotTitle(ctx, i + 1, stored) != 0) {
      // Slots are contiguous; one that cannot be read ends the scan, and the
      // caller decides whether that is silent or "not registered".
      lookup.interrupted = true;
      break;
    }
    if (stored == title) {
      lookup.index = i;
      break;
    }
  }
  return lookup;
}

InitialSelection ReadInitialSelection(const Context& ctx) {
  InitialSelection selection;
  ApplyStartupSelection(ctx);

  int slotCount = 0;
  win::DWORD comboActive = 0;
  if (ReadStoreInfo(ctx, slotCount, comboActive) != 0) {
    selection.selectorText = win::ansiFromUtf8("未設定");
    selection.appliedTitle = win::ansiFromUtf8("なし");
    return selection;
  }
  std::string selectedTitle;
  if (ReadSlotTitle(ctx, int(comboActive) + 1, selectedTitle) != 0) return selection;

  // After the reconciliation ComboActive equals Active whenever Active
  // exists, so the selected title is the one applied last.
  win::DWORD active = 0;
  selection.appliedTitle = ReadActive(ctx, active) == 0 ? selectedTitle : win::ansiFromUtf8("なし");

  SelectorFill fill = FillProfileSelector(ctx, slotCount, int(comboActive));
  selection.titles = std::move(fill.titles);
  selection.selectorText = std::move(fill.editText);
  return selection;
}

std::optional<int> LocateSelectedProfile(const Context& ctx, const std::string& title) {
  int slotCount = 0;
  win::DWORD comboActive = 0;
  if (ReadStoreInfo(ctx, slotCount, comboActive) != 0) {
    ShowError(ctx, "何も登録されていません。");
    return std::nullopt;
  }
  TitleLookup lookup = FindProfileByTitle(ctx, title);
  if (!lookup.index) ShowError(ctx, "この登録名では登録されていません。");
  return lookup.index;
}

std::optional<int> LocateProfileSlot(const Context& ctx, const std::string& title) {
  Context withoutOwner{ctx.machine, ctx.prompter, nullptr};
  std::optional<int> index = LocateSelectedProfile(withoutOwner, title);
  if (!index) return std::nullopt;
  return *index + 1;
}

}  // namespace store
