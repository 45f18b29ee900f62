// Version, Windows directory, named mutexes and the local time on Windows.
#pragma once

#include "platform/system.h"

namespace win32 {

class Win32System : public win::System {
 public:
  BOOL GetVersionExA(OSVERSIONINFOA* info) override;
  UINT GetWindowsDirectoryA(char* buffer, UINT size) override;
  HANDLE CreateMutexA(const void* security, BOOL initialOwner, const char* name) override;
  DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override;
  BOOL ReleaseMutex(HANDLE mutex) override;
  BOOL CloseHandle(HANDLE handle) override;
  DWORD GetLastError() override;
  BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) override {
    return ::OpenProcessToken(process, access, token);
  }
  BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass,
                           void* information, DWORD length, DWORD* returnLength) override {
    return ::GetTokenInformation(token, informationClass, information, length, returnLength);
  }
  std::string localDateTimeText() override;
};

}  // namespace win32
