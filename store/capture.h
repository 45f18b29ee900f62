// Capturing the machine's live network settings as a profile (the main
// window's "登録...(&R)" and `verantu-cli capture`).
#pragma once

#include <string>

#include "store/context.h"
#include "store/profile_selector.h"

namespace store {

// Texts (UTF-8) that the profile import shows as a capture does: the
// title's limit, the full store, and the question before an existing
// profile is overwritten.
inline constexpr const char* kTitleTooLongText =
    "登録名は半角255文字（全角127文字）以内で入力してください。";
inline constexpr const char* kStoreFullText = "登録は２５６個までです。";
inline constexpr const char* kAskOverwriteText =
    "現在のネットワーク設定をコンボボックスに記述された名称で登録します。\n"
    "登録名は既に使用されていますが上書きしますか？";

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
