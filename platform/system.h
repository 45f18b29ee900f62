// Version, Windows directory, named mutexes and the local time text.
#pragma once

#include <string>

#include "platform/win_types.h"

namespace win {

#ifdef _WIN32
using ::HANDLE;
using ::OSVERSIONINFOA;
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

using HANDLE = void*;
#endif

class System {
 public:
  virtual ~System() = default;
  virtual BOOL GetVersionExA(OSVERSIONINFOA* info) = 0;
  // Returns the length copied (without NUL), or the size needed when the
  // buffer is too small, or 0 on failure.
  virtual UINT GetWindowsDirectoryA(char* buffer, UINT size) = 0;
  // Null on failure. When the mutex exists already a handle is still returned
  // and GetLastError() answers ERROR_ALREADY_EXISTS.
  virtual HANDLE CreateMutexA(const void* security, BOOL initialOwner, const char* name) = 0;
  virtual BOOL ReleaseMutex(HANDLE mutex) = 0;
  virtual BOOL CloseHandle(HANDLE handle) = 0;
  virtual DWORD GetLastError() = 0;
  // The local date and time as the system's short date format, a blank and
  // the long time format ("2026/12/08 9:05:03" on a Japanese system).
  virtual std::string localDateTimeText() = 0;
};

}  // namespace win

#ifndef _WIN32
// The constants keep their Win32 names and are visible unqualified, as
// windows.h makes them, so that code reads the same on both builds.
using win::VER_PLATFORM_WIN32_NT;
#endif
