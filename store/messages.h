// What every command needs to tell the user something: the captions its
// boxes share, the error box itself and the filling of a message format.
// Texts here are UTF-8 literals; what reaches a box is ANSI.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/code_page.h"
#include "store/context.h"

namespace store {

inline constexpr const char* kErrorCaption = "エラーメッセージ";
inline constexpr const char* kConfirmCaption = "確認メッセージ";
inline constexpr const char* kInformationCaption = "情報メッセージ";

// An OK box with the error icon under the error caption; the text is UTF-8
// (ShowError) or already ANSI (ShowAnsiError). Returns the box's answer.
int ShowError(const Context& ctx, std::string_view utf8Text);
int ShowAnsiError(const Context& ctx, const std::string& ansiText);

// printf-style filling of a UTF-8 format whose result is ANSI; the arguments
// are ANSI texts (as const char*) and numbers. A format printf cannot fill
// comes back unfilled rather than as an empty message.
template <typename... Args>
std::string FormatAnsi(std::string_view utf8Format, const Args&... args) {
  const std::string format = win::ansiFromUtf8(utf8Format);
  const int size = std::snprintf(nullptr, 0, format.c_str(), args...);
  if (size < 0) return format;
  std::string text(std::size_t(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), format.c_str(), args...);
  text.resize(std::size_t(size));
  return text;
}

}  // namespace store
