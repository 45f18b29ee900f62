#include "platform/win32/win32_system.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <iterator>

#include "platform/win32/win32_text.h"

namespace win32 {

namespace {

// RtlGetVersion tells the version Windows really has; GetVersionEx answers
// what the program's manifest allows it to know.
using RtlGetVersionFunction = LONG(WINAPI*)(OSVERSIONINFOW*);

}  // namespace

BOOL Win32System::GetVersionExA(OSVERSIONINFOA* info) {
  if (!info || info->dwOSVersionInfoSize != sizeof(OSVERSIONINFOA)) {
    ::SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  OSVERSIONINFOW version{};
  version.dwOSVersionInfoSize = sizeof version;
  auto rtlGetVersion = reinterpret_cast<RtlGetVersionFunction>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "RtlGetVersion")));
  if (!rtlGetVersion || rtlGetVersion(&version) != 0) return FALSE;
  std::optional<std::string> servicePack = toAnsi(version.szCSDVersion);
  if (!servicePack) {
    ::SetLastError(kUnconvertible);
    return FALSE;
  }
  info->dwMajorVersion = version.dwMajorVersion;
  info->dwMinorVersion = version.dwMinorVersion;
  info->dwBuildNumber = version.dwBuildNumber;
  info->dwPlatformId = version.dwPlatformId;
  servicePack->resize(std::min(servicePack->size(), sizeof info->szCSDVersion - 1));
  std::memcpy(info->szCSDVersion, servicePack->c_str(), servicePack->size() + 1);
  return TRUE;
}

UINT Win32System::GetWindowsDirectoryA(char* buffer, UINT size) {
  wchar_t folder[MAX_PATH + 1];
  UINT length = ::GetWindowsDirectoryW(folder, UINT(std::size(folder)));
  if (length == 0 || length >= std::size(folder)) return 0;
  std::optional<std::string> ansi = toAnsi(std::wstring_view(folder, length));
  if (!ansi) {
    ::SetLastError(kUnconvertible);
    return 0;
  }
  if (!buffer || size < ansi->size() + 1) return UINT(ansi->size() + 1);
  std::memcpy(buffer, ansi->c_str(), ansi->size() + 1);
  return UINT(ansi->size());
}

HANDLE Win32System::CreateMutexA(const void* security, BOOL initialOwner, const char* name) {
  WideArg wideName(name);
  if (!wideName.ok()) {
    ::SetLastError(kUnconvertible);
    return nullptr;
  }
  return ::CreateMutexW(static_cast<LPSECURITY_ATTRIBUTES>(const_cast<void*>(security)),
                        initialOwner, wideName.get());
}

DWORD Win32System::WaitForSingleObject(HANDLE handle, DWORD milliseconds) {
  return ::WaitForSingleObject(handle, milliseconds);
}

BOOL Win32System::ReleaseMutex(HANDLE mutex) {
  return ::ReleaseMutex(mutex);
}

BOOL Win32System::CloseHandle(HANDLE handle) {
  return ::CloseHandle(handle);
}

DWORD Win32System::GetLastError() {
  return ::GetLastError();
}

// In the user's formats; should they not convert, in numbers alone.
std::string Win32System::localDateTimeText() {
  wchar_t date[80] = {};
  wchar_t time[80] = {};
  ::GetDateFormatW(LOCALE_USER_DEFAULT, DATE_SHORTDATE, nullptr, nullptr, date,
                   int(std::size(date)));
  ::GetTimeFormatW(LOCALE_USER_DEFAULT, 0, nullptr, nullptr, time, int(std::size(time)));
  std::optional<std::string> ansiDate = toAnsi(date);
  std::optional<std::string> ansiTime = toAnsi(time);
  if (ansiDate && ansiTime) return *ansiDate + " " + *ansiTime;
  SYSTEMTIME now{};
  ::GetLocalTime(&now);
  char text[40];
  std::snprintf(text, sizeof text, "%04u/%02u/%02u %u:%02u:%02u", now.wYear, now.wMonth, now.wDay,
                now.wHour, now.wMinute, now.wSecond);
  return text;
}

}  // namespace win32
