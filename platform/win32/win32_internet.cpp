// InternetSetOptionA through InternetSetOptionW: the per-connection texts are
// code page 932 and become UTF-16 here, so that a proxy name means the same
// whatever the system's ANSI code page is.
#include "platform/win32/win32_internet.h"

#include <optional>
#include <string>
#include <vector>

#include "platform/code_page.h"

namespace win32 {

namespace {

class Win32Internet : public win::Internet {
 public:
  BOOL InternetSetOptionA(HINTERNET internet, DWORD option, void* buffer, DWORD length) override {
    if (option != INTERNET_OPTION_PER_CONNECTION_OPTION)
      return ::InternetSetOptionW(internet, option, buffer, length);
    auto* list = static_cast<INTERNET_PER_CONN_OPTION_LISTA*>(buffer);
    if (!list || length != sizeof *list || list->dwSize != sizeof *list ||
        (list->dwOptionCount > 0 && !list->pOptions)) {
      ::SetLastError(ERROR_INVALID_PARAMETER);
      return FALSE;
    }
    // The texts live in `texts` until the call has returned; the options
    // point into them. Every option of the list carries either a number
    // (the flags) or a text.
    std::vector<std::wstring> texts;
    texts.reserve(list->dwOptionCount + 1);
    bool unconvertible = false;
    auto wide = [&](const char* ansi) -> wchar_t* {
      if (!ansi) return nullptr;
      std::optional<std::u16string> converted = win::ansiToWide(ansi);
      if (!converted) {
        unconvertible = true;
        converted.emplace();
      }
      texts.emplace_back(converted->begin(), converted->end());
      return texts.back().data();
    };
    std::vector<INTERNET_PER_CONN_OPTIONW> options(list->dwOptionCount);
    for (DWORD i = 0; i < list->dwOptionCount; ++i) {
      const INTERNET_PER_CONN_OPTIONA& from = list->pOptions[i];
      options[i].dwOption = from.dwOption;
      if (from.dwOption == INTERNET_PER_CONN_FLAGS)
        options[i].Value.dwValue = from.Value.dwValue;
      else
        options[i].Value.pszValue = wide(from.Value.pszValue);
    }
    INTERNET_PER_CONN_OPTION_LISTW wideList{};
    wideList.dwSize = sizeof wideList;
    wideList.pszConnection = wide(list->pszConnection);
    wideList.dwOptionCount = list->dwOptionCount;
    wideList.pOptions = options.data();
    // A text that code page 932 cannot hold is not passed on as another text.
    if (unconvertible) {
      ::SetLastError(ERROR_NO_UNICODE_TRANSLATION);
      return FALSE;
    }
    BOOL ok = ::InternetSetOptionW(internet, option, &wideList, sizeof wideList);
    list->dwOptionError = wideList.dwOptionError;
    return ok;
  }
  DWORD GetLastError() override { return ::GetLastError(); }
};

}  // namespace

std::unique_ptr<win::Internet> newWin32Internet() {
  return std::make_unique<Win32Internet>();
}

}  // namespace win32
