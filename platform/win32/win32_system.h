// Version, Windows directory, named mutexes and the local time on Windows.
#pragma once

#include "platform/system.h"

namespace win32 {

class Win32System : public win::System {
 public:
  [[nodiscard]] BOOL GetVersionExA(OSVERSIONINFOA* info) override;
  [[nodiscard]] UINT GetWindowsDirectoryA(char* buffer, UINT size) override;
  [[nodiscard]] HANDLE CreateMutexA(const void* security, BOOL initialOwner,
                                    const char* name) override;
  [[nodiscard]] DWORD WaitForSingleObject(HANDLE handle, DWORD milliseconds) override;
  [[nodiscard]] BOOL ReleaseMutex(HANDLE mutex) override;
  [[nodiscard]] BOOL CloseHandle(HANDLE handle) override;
  [[nodiscard]] DWORD GetLastError() override;
  [[nodiscard]] BOOL OpenProcessToken(HANDLE process, DWORD access, HANDLE* token) override {
    return ::OpenProcessToken(process, access, token);
  }
  [[nodiscard]] BOOL GetTokenInformation(HANDLE token, TOKEN_INFORMATION_CLASS informationClass,
                                         void* information, DWORD length,
                                         DWORD* returnLength) override {
    return ::GetTokenInformation(token, informationClass, information, length, returnLength);
  }
  std::string localDateTimeText() override;
};

}  // namespace win32
