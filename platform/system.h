// Version, Windows directory, named mutexes and the local time text.
#pragma once

#include <cstdint>
#include <string>

#include "platform/shell.h"  // the wait results WAIT_OBJECT_0, WAIT_TIMEOUT, WAIT_FAILED
#include "platform/win_types.h"

namespace win {

#ifdef _WIN32
using ::GetCurrentProcess;
using ::HANDLE;
using ::OSVERSIONINFOA;
using ::TOKEN_ELEVATION;
using ::TOKEN_INFORMATION_CLASS;
#else
struct OSVERSIONINFOA {
  DWORD dwOSVersionInfoSize = sizeof(OSVERSIONINFOA);
  DWORD dwMajorVersion = 0;
  DWORD dwMinorVersion = 0;
  DWORD dwBuildNumber = 0;
  DWORD dwPlatformId = 0;
  char szCSDVersion[128] = {};
};
static_assert(sizeof(OSVERSIONINFOA) == 148, "the record has the size Windows checks");

inline constexpr DWORD VER_PLATFORM_WIN32_NT = 2;

// A wait on a mutex whose owner ended without releasing it: the caller owns
// it now.
inline constexpr DWORD WAIT_ABANDONED = 0x00000080;
inline constexpr DWORD ERROR_NOT_OWNER = 288;

using HANDLE = void*;

// The calling process as its own handles name it (GetCurrentProcess()).
inline HANDLE GetCurrentProcess() {
  return reinterpret_cast<HANDLE>(static_cast<std::intptr_t>(-1));
}

// Access tokens: whether the process runs with an administrator's full
// rights (under UAC an administrator's programs run without them unless
// started elevated).
inline constexpr DWORD TOKEN_QUERY = 0x0008;
enum TOKEN_INFORMATION_CLASS { TokenElevation = 20 };
struct TOKEN_ELEVATION {
  DWORD TokenIsElevated = 0;
};
inline constexpr DWORD ERROR_INSUFFICIENT_BUFFER = 122;
#endif

class System {
 public:
  virtual ~System() = default;
  [[nodiscard]] virtual BOOL GetVersionExA(OSVERSIONINFOA* info) = 0;
  // Returns the length copied (without NUL), or the size needed when the
  // buffer is too small, or 0 on failure.
  [[nodiscard]] virtual UINT GetWindowsDirectoryA(char* buffer, UINT size) = 0;
  // Null on failure. When the mutex exists already a handle is still returned
  // and GetLastError() answers ERROR_ALREADY_EXISTS.
  [[nodiscard]] virtual HANDLE CreateMutexA(const void* security, BOOL initialOwner,
                                            const char* name) = 0;
  // Takes ownership of a mutex, waiting at most `milliseconds` for its owner
  // to release it: WAIT_OBJECT_0 or WAIT_ABANDONED when the caller owns it,
  // WAIT_TIMEOUT, or WAIT_FAILED for a bad handle. An owner may wait again;
  // it then releases as often as it waited.
  [[nodiscard]] virtual DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) = 0;
  [[nodiscard]] virtual BOOL ReleaseMutex(HANDLE mutex) = 0;
  [[nodiscard]] virtual BOOL CloseHandle(HANDLE handle) = 0;
  [[nodiscard]] virtual DWORD GetLastError() = 0;
  // The access token of a process (GetCurrentProcess() for the caller's own);
  // the caller closes it with CloseHandle.
  [[nodiscard]] virtual BOOL OpenProcessToken(HANDLE process, DWORD desiredAccess,
                                              HANDLE* token) = 0;
  // TokenElevation fills a TOKEN_ELEVATION. A buffer that is too small gets
  // ERROR_INSUFFICIENT_BUFFER with the size needed in `returnLength`.
  [[nodiscard]] virtual BOOL GetTokenInformation(HANDLE token,
                                                 TOKEN_INFORMATION_CLASS informationClass,
                                                 void* information, DWORD length,
                                                 DWORD* returnLength) = 0;
  // The local date and time as the system's short date format, a blank and
  // the long time format ("2026/12/08 9:05:03" on a Japanese system).
  virtual std::string localDateTimeText() = 0;
};

}  // namespace win

#ifndef _WIN32
// The constants keep their Win32 names and are visible unqualified, as
// windows.h makes them, so that code reads the same on both builds.
using win::ERROR_INSUFFICIENT_BUFFER;
using win::ERROR_NOT_OWNER;
using win::TOKEN_QUERY;
using win::TokenElevation;
using win::VER_PLATFORM_WIN32_NT;
using win::WAIT_ABANDONED;
#endif
