// Text between the program's code page 932 and the W functions, shared by
// every area of the Win32 layer.
#pragma once

#include "platform/win_types.h"

#include <optional>
#include <string>
#include <string_view>

namespace win32 {

// Nothing when the system could not convert the text; a call then fails
// with kUnconvertible instead of acting on an empty name.
std::optional<std::wstring> toWide(std::string_view ansi);
std::optional<std::string> toAnsi(std::wstring_view wide);

inline constexpr DWORD kUnconvertible = ERROR_NO_UNICODE_TRANSLATION;

// An optional text argument: a null pointer stays null.
class WideArg {
 public:
  explicit WideArg(const char* ansi);
  // False when the text could not be converted.
  bool ok() const { return ok_; }
  const wchar_t* get() const { return text_ ? text_->c_str() : nullptr; }

 private:
  std::optional<std::wstring> text_;
  bool ok_ = true;
};

}  // namespace win32
