// The profile store: slots "Setting\1" .. "Setting\n" under
// HKEY_LOCAL_MACHINE "Software\Q\Tolvik", the selections Active and
// ComboActive, and the lookups every command of the main window starts with.
#include "store/profile_store.h"

#include "store/open_key.h"
#include "store/registry_access.h"

namespace store {

namespace {

using win::DWORD;
using win::HKEY;

constexpr const char* kActive = "Active";
constexpr const char* kComboActive = "ComboActive";
constexpr const char* kTitle = "Title";

}  // namespace

std::string SlotPath(int slot) {
  return std::string(kSettingKey) + "\\" + std::to_string(slot);
}

std::string DataPath(int slot) {
  return SlotPath(slot) + "\\Data";
}

std::string MirrorPath(int slot, const std::string& systemPath) {
  return DataPath(slot) + "\\" + systemPath;
}

std::string DataPath(const ProfileKey& profile) {
  return profile.path() + "\\Data";
}

std::string MirrorPath(const ProfileKey& profile, const std::string& systemPath) {
  return DataPath(profile) + "\\" + systemPath;
}

int ReadStoreInfo(const Context& ctx, int& slotCount, DWORD& comboActive) {
  // Both outputs start from 0 so that callers which do not consult the status
  // (deletion, the title lookup) never work with a value left from before.
  slotCount = 0;
  comboActive = 0;
  OpenKey setting(ctx.registry());
  if (setting.open(HKEY_LOCAL_MACHINE, kSettingKey, KEY_READ) != ERROR_SUCCESS) return 1;
  DWORD subKeys = 0;
  if (ctx.registry().RegQueryInfoKeyA(setting.get(), nullptr, nullptr, nullptr, &subKeys, nullptr,
                                      nullptr, nullptr, nullptr, nullptr, nullptr,
                                      nullptr) != ERROR_SUCCESS)
    return 1;
  slotCount = int(subKeys);
  // ComboActive is read into 4 bytes; its absence means "no profile selected
  // yet", which callers take as an empty store.
  return QueryDwordValue(ctx.registry(), setting.get(), kComboActive, comboActive);
}

int ReadActive(const Context& ctx, DWORD& index) {
  index = 0;
  return ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, kSettingKey, kActive, index);
}

int WriteActive(const Context& ctx, DWORD index) {
  return WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, kSettingKey, kActive, index);
}

int WriteComboActive(const Context& ctx, DWORD index) {
  return WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, kSettingKey, kComboActive, index);
}

SelectorFill FillProfileSelector(const Context& ctx, int slotCount, int selectedIndex) {
  SelectorFill fill;
  win::Registry& registry = ctx.registry();
  OpenKey setting(registry);
  if (setting.open(HKEY_LOCAL_MACHINE, kSettingKey, KEY_READ) != ERROR_SUCCESS) {
    fill.status = 1;
    return fill;
  }
  for (int i = 0; i < slotCount; ++i) {
    OpenKey slot(registry);
    std::string title;
    if (slot.open(setting.get(), std::to_string(i + 1), KEY_READ) != ERROR_SUCCESS ||
        QueryStringValue(registry, slot.get(), kTitle, title) != 0) {
      // The titles listed so far stay in the selector.
      fill.status = 1;
      return fill;
    }
    fill.titles.push_back(title);
    if (i == selectedIndex) fill.editText = title;
  }
  return fill;
}

void ApplyStartupSelection(const Context& ctx) {
  int slotCount = 0;
  DWORD comboActive = 0;
  DWORD active = 0;
  if (ReadStoreInfo(ctx, slotCount, comboActive) != 0) return;
  if (ReadActive(ctx, active) != 0) return;
  // The selection is only a convenience: a write that fails leaves the
  // selector on the profile it showed before.
  if (active < DWORD(slotCount)) {
    (void)WriteComboActive(ctx, active);
    return;
  }
  // Active names a slot that no longer exists: forget it and select the
  // first profile. Failures are ignored, as for every write of the store.
  {
    OpenKey setting(ctx.registry());
    if (setting.open(HKEY_LOCAL_MACHINE, kSettingKey, KEY_READ | KEY_SET_VALUE) == ERROR_SUCCESS)
      (void)ctx.registry().RegDeleteValueA(setting.get(), kActive);
  }
  (void)WriteComboActive(ctx, 0);
}

}  // namespace store
