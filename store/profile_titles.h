// Profiles by title: what the main window shows of the store when it opens,
// and how every command finds the profile a title names.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "store/context.h"

namespace store {

// Reads the Title of slot `slot` (1-based) into the 256-byte buffer; 0 or 1.
[[nodiscard]] int ReadSlotTitle(const Context& ctx, int slot, std::string& title);

// The selector and the "applied last" label as the main window opens. Texts
// are ANSI; a field left unset means the window keeps what it shows.
struct InitialSelection {
  std::vector<std::string> titles;          // the selector's items, in slot order
  std::optional<std::string> selectorText;  // the selector's edit text
  std::optional<std::string> appliedTitle;  // the profile applied last, or "なし"
};
// Reconciles ComboActive with Active first, then reads what to show.
InitialSelection ReadInitialSelection(const Context& ctx);

struct TitleLookup {
  std::optional<int> index;  // 0-based index of the first slot with the title
  bool interrupted = false;  // a slot or its Title could not be read
};
// Exact, case-sensitive comparison; the scan stops at an unreadable slot.
// Shows nothing.
TitleLookup FindProfileByTitle(const Context& ctx, const std::string& title);

// The index of the profile whose title is exactly `title`, for a command that
// acts on it. An empty store shows "何も登録されていません。", an unknown
// title (or a slot that cannot be read) "この登録名では登録されていません。".
std::optional<int> LocateSelectedProfile(const Context& ctx, const std::string& title);
// The same boxes without an owner window (the editors' lookup); the 1-based
// slot.
std::optional<int> LocateProfileSlot(const Context& ctx, const std::string& title);

}  // namespace store
