#include "store/profile_titles.h"

#include "platform/code_page.h"
#include "store/profile_store.h"
#include "store/registry_access.h"

namespace store {

int ReadSlotTitle(const Context& ctx, int slot, std::string& title) {
  return ReadStringValue(ctx, HKEY_LOCAL_MACHINE, SlotPath(slot), "Title", title);
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
    ctx.messageBox(win::ansiFromUtf8("何も登録されていません。"),
                   win::ansiFromUtf8("エラーメッセージ"), MB_OK | MB_ICONERROR);
    return std::nullopt;
  }
  TitleLookup lookup = FindProfileByTitle(ctx, title);
  if (!lookup.index)
    ctx.messageBox(win::ansiFromUtf8("この登録名では登録されていません。"),
                   win::ansiFromUtf8("エラーメッセージ"), MB_OK | MB_ICONERROR);
  return lookup.index;
}

}  // namespace store
