// The profile store under HKEY_LOCAL_MACHINE "Software\Q\Tolvik": slots
// "Setting\1" .. "Setting\n", the selections Active and ComboActive and the
// list the main window's profile selector shows. Lookup by title is in
// profile_titles.h.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/context.h"

namespace store {

inline constexpr const char* kRootKey = "Software\\Q\\Tolvik";
inline constexpr const char* kSettingKey = "Software\\Q\\Tolvik\\Setting";
inline constexpr int kMaxProfiles = 256;
// The state a switch replaced, kept so that the switch can be undone. It
// has the shape of a slot but lives beside Setting, so that no reader of
// the slots ever sees it.
inline constexpr const char* kUndoKey = "Software\\Q\\Tolvik\\Undo";

std::string SlotPath(int slot);
std::string DataPath(int slot);
std::string MirrorPath(int slot, const std::string& systemPath);

// Where the content of a profile is read from: slot N of Setting, or any
// other key of the same shape (Title, Data and the mirrors below Data).
// A slot number converts to it, so that code written for slots reads a key
// of that shape elsewhere unchanged.
class ProfileKey {
 public:
  ProfileKey(int slot) : path_(SlotPath(slot)) {}  // NOLINT(google-explicit-constructor)
  static ProfileKey At(std::string path) { return ProfileKey(std::move(path)); }
  const std::string& path() const { return path_; }

 private:
  explicit ProfileKey(std::string path) : path_(std::move(path)) {}
  std::string path_;
};
std::string DataPath(const ProfileKey& profile);
std::string MirrorPath(const ProfileKey& profile, const std::string& systemPath);

// Sets `slotCount` from the number of subkeys of Setting, then reads
// ComboActive (up to 4 bytes). 0 when both succeed; when only ComboActive is
// missing the count is still set. Both outputs are preset to 0, so without
// Setting the count is 0 and a missing ComboActive reads as 0.
[[nodiscard]] int ReadStoreInfo(const Context& ctx, int& slotCount, win::DWORD& comboActive);
// Sets `index` to 0, then reads Active.
[[nodiscard]] int ReadActive(const Context& ctx, win::DWORD& index);
[[nodiscard]] int WriteActive(const Context& ctx, win::DWORD index);
[[nodiscard]] int WriteComboActive(const Context& ctx, win::DWORD index);

struct SelectorFill {
  int status = 0;
  std::vector<std::string> titles;      // the items, in slot order
  std::optional<std::string> editText;  // set when the selected slot was listed
};
// What the profile selector shows: every title in slot order (those read
// before a failure stay) and the selected one as the edit text.
SelectorFill FillProfileSelector(const Context& ctx, int slotCount, int selectedIndex);

// Reconciles ComboActive with Active when the program starts.
void ApplyStartupSelection(const Context& ctx);

}  // namespace store
