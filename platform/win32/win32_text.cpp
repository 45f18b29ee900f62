#include "platform/win32/win32_text.h"

#include "platform/code_page.h"

namespace win32 {

std::optional<std::wstring> toWide(std::string_view ansi) {
  std::optional<std::u16string> wide = win::ansiToWide(ansi);
  if (!wide) return std::nullopt;
  return std::wstring(wide->begin(), wide->end());
}

std::optional<std::string> toAnsi(std::wstring_view wide) {
  return win::wideToAnsi(
      std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

WideArg::WideArg(const char* ansi) {
  if (!ansi) return;
  text_ = toWide(ansi);
  ok_ = text_.has_value();
}

}  // namespace win32
