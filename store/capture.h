// Capturing the machine's live network settings as a profile (the main
// window's "登録...(&R)" and `verantu-cli capture`).
#pragma once

#include <string>

#include "store/context.h"
#include "store/profile_selector.h"

namespace store {

struct CaptureResult {
  bool captured = false;     // the profile was written and the final message shown
  bool appendTitle = false;  // a new profile: the selector lists the title last
};

// `title` is the selector's text (ANSI). Every message box goes through ctx;
// a new title is appended to `selector` (when given) before the final message.
CaptureResult CaptureProfile(const Context& ctx, const std::string& title,
                             ProfileSelector* selector = nullptr);

// The default printer from WIN.INI "windows"/"device", cut at the first ",".
std::string ReadDefaultPrinter(const Context& ctx);

}  // namespace store
