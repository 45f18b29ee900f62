// WinINet's options of the process as a whole (InternetSetOptionA with a
// null handle): telling running programs that the Internet settings
// changed, and setting the proxy of a connection the way Microsoft
// documents for programs, which keeps WinINet's own per-connection copy
// (Internet Settings\Connections\DefaultConnectionSettings) in step with the
// Internet Settings values.
#pragma once

#include "platform/win_types.h"

#ifdef _WIN32
#include <wininet.h>
#endif

namespace win {

#ifdef _WIN32
using ::HINTERNET;
using ::INTERNET_PER_CONN_OPTION_LISTA;
using ::INTERNET_PER_CONN_OPTIONA;
#else
using HINTERNET = void*;

// "The registry settings have been changed": programs that use WinINet
// read them again at their next request.
inline constexpr DWORD INTERNET_OPTION_REFRESH = 37;
inline constexpr DWORD INTERNET_OPTION_SETTINGS_CHANGED = 39;
inline constexpr DWORD INTERNET_OPTION_PER_CONNECTION_OPTION = 75;

// The options of INTERNET_OPTION_PER_CONNECTION_OPTION.
inline constexpr DWORD INTERNET_PER_CONN_FLAGS = 1;
inline constexpr DWORD INTERNET_PER_CONN_PROXY_SERVER = 2;
inline constexpr DWORD INTERNET_PER_CONN_PROXY_BYPASS = 3;
inline constexpr DWORD INTERNET_PER_CONN_AUTOCONFIG_URL = 4;
// INTERNET_PER_CONN_FLAGS: how the connection reaches the Internet.
inline constexpr DWORD PROXY_TYPE_DIRECT = 0x00000001;
inline constexpr DWORD PROXY_TYPE_PROXY = 0x00000002;
inline constexpr DWORD PROXY_TYPE_AUTO_PROXY_URL = 0x00000004;

inline constexpr DWORD ERROR_INTERNET_INVALID_OPTION = 12009;

struct INTERNET_PER_CONN_OPTIONA {
  DWORD dwOption = 0;
  union {
    DWORD dwValue;
    char* pszValue;
    FILETIME ftValue;
  } Value{};
};
struct INTERNET_PER_CONN_OPTION_LISTA {
  DWORD dwSize = sizeof(INTERNET_PER_CONN_OPTION_LISTA);
  char* pszConnection = nullptr;  // null: the LAN connection
  DWORD dwOptionCount = 0;
  DWORD dwOptionError = 0;
  INTERNET_PER_CONN_OPTIONA* pOptions = nullptr;
};
#endif

class Internet {
 public:
  virtual ~Internet() = default;
  // With a null `internet` handle: INTERNET_OPTION_SETTINGS_CHANGED and
  // INTERNET_OPTION_REFRESH without a buffer, or
  // INTERNET_OPTION_PER_CONNECTION_OPTION with an
  // INTERNET_PER_CONN_OPTION_LISTA (its texts ANSI) and its size. FALSE with
  // GetLastError() when the option is refused.
  [[nodiscard]] virtual BOOL InternetSetOptionA(HINTERNET internet, DWORD option, void* buffer,
                                                DWORD length) = 0;
  [[nodiscard]] virtual DWORD GetLastError() = 0;
};

}  // namespace win

#ifndef _WIN32
// The constants keep their Win32 names and are visible unqualified, as
// windows.h makes them, so that code reads the same on both builds.
using win::ERROR_INTERNET_INVALID_OPTION;
using win::INTERNET_OPTION_PER_CONNECTION_OPTION;
using win::INTERNET_OPTION_REFRESH;
using win::INTERNET_OPTION_SETTINGS_CHANGED;
using win::INTERNET_PER_CONN_AUTOCONFIG_URL;
using win::INTERNET_PER_CONN_FLAGS;
using win::INTERNET_PER_CONN_PROXY_BYPASS;
using win::INTERNET_PER_CONN_PROXY_SERVER;
using win::PROXY_TYPE_AUTO_PROXY_URL;
using win::PROXY_TYPE_DIRECT;
using win::PROXY_TYPE_PROXY;
#endif
