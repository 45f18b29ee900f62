// Deleting a profile (the main window's "削除...(&E)" and `verantu-cli delete`).
#pragma once

#include <optional>
#include <string>

#include "store/context.h"
#include "store/profile_selector.h"

namespace store {

struct DeletionResult {
  bool deleted = false;        // the profile is gone and the later slots have moved down
  bool removeTitle = false;    // remove the first selector item equal to the title
  bool clearSelector = false;  // the store is empty: clear items and text first
  std::optional<std::string> selectorText;  // the selector's new text ("未設定" in ANSI when empty)
};

// The selector (when given) follows the deletion before the final message.
DeletionResult DeleteProfile(const Context& ctx, const std::string& title,
                             ProfileSelector* selector = nullptr);

}  // namespace store
