// Processes on Windows: WinExec, ShellExecute and processes started inside
// a job object of their own.
#pragma once

#include <map>
#include <mutex>

#include "platform/shell.h"

namespace win32 {

class Win32Shell : public win::Shell {
 public:
  ~Win32Shell() override;
  [[nodiscard]] HINSTANCE ShellExecuteA(HWND owner, const char* verb, const char* file,
                                        const char* params, const char* dir, int show) override;
  void Sleep(DWORD milliseconds) override;
  [[nodiscard]] UINT WinExec(const char* commandLine, UINT show) override;
  [[nodiscard]] BOOL CreateProcessA(const char* applicationName, char* commandLine,
                                    const void* processAttributes, const void* threadAttributes,
                                    BOOL inheritHandles, DWORD creationFlags, void* environment,
                                    const char* currentDirectory, STARTUPINFOA* startupInfo,
                                    PROCESS_INFORMATION* info) override;
  [[nodiscard]] DWORD WaitForSingleObject(HANDLE process, DWORD milliseconds) override;
  [[nodiscard]] BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) override;
  [[nodiscard]] BOOL TerminateProcess(HANDLE process, UINT exitCode) override;
  [[nodiscard]] BOOL CloseHandle(HANDLE handle) override;

 private:
  HANDLE jobOf(HANDLE process);

  std::mutex mutex_;
  std::map<HANDLE, HANDLE> jobs_;  // process handle -> its job
};

}  // namespace win32
