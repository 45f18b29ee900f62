#include "platform/emulated/emulated_internet.h"

#include "platform/emulated/emulation_counter.h"

namespace emu {

using namespace win;

namespace {

constexpr const char* kNotificationCounter = "InternetOptionNotifications";

bool isKnownConnectionOption(DWORD option) {
  return option == INTERNET_PER_CONN_FLAGS || option == INTERNET_PER_CONN_PROXY_SERVER ||
         option == INTERNET_PER_CONN_PROXY_BYPASS || option == INTERNET_PER_CONN_AUTOCONFIG_URL;
}

}  // namespace

BOOL EmulatedInternet::InternetSetOptionA(HINTERNET internet, DWORD option, void* buffer,
                                          DWORD length) {
  // Only the process-wide options the program uses are known here.
  if (internet) return fail(ERROR_INVALID_HANDLE);
  switch (option) {
    case INTERNET_OPTION_SETTINGS_CHANGED:
    case INTERNET_OPTION_REFRESH:
      if (!CountEmulationEvent(registry_, kNotificationCounter)) return fail(ERROR_ACCESS_DENIED);
      lastError_ = ERROR_SUCCESS;
      return TRUE;
    case INTERNET_OPTION_PER_CONNECTION_OPTION: {
      auto* list = static_cast<INTERNET_PER_CONN_OPTION_LISTA*>(buffer);
      if (!list || length != sizeof *list || list->dwSize != sizeof *list ||
          (list->dwOptionCount > 0 && !list->pOptions))
        return fail(ERROR_INVALID_PARAMETER);
      for (DWORD i = 0; i < list->dwOptionCount; ++i) {
        if (!isKnownConnectionOption(list->pOptions[i].dwOption)) {
          list->dwOptionError = i;
          return fail(ERROR_INVALID_PARAMETER);
        }
      }
      lastError_ = ERROR_SUCCESS;
      return TRUE;
    }
    default:
      return fail(ERROR_INTERNET_INVALID_OPTION);
  }
}

DWORD EmulatedInternet::notifications() {
  return EmulationCount(registry_, kNotificationCounter);
}

}  // namespace emu
