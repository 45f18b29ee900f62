// Starting programs, documents and addresses, following a started process,
// and pausing the calling thread: WinExec, CreateProcessA and the process
// handle calls, ShellExecuteA and Sleep.
#pragma once

#include "platform/win_types.h"

namespace win {

#ifdef _WIN32
using ::HANDLE;
using ::HINSTANCE;
using ::PROCESS_INFORMATION;
using ::STARTUPINFOA;
#else
// ShellExecuteA's result is an HINSTANCE that only carries a number: above 32
// means the document was handed to its program, 32 or less is an error code.
using HINSTANCE = void*;
using HANDLE = void*;

// The parts of STARTUPINFOA that the program sets; the rest stay zero.
struct STARTUPINFOA {
  DWORD cb = sizeof(STARTUPINFOA);
  DWORD dwFlags = 0;
  WORD wShowWindow = 0;
};
inline constexpr DWORD STARTF_USESHOWWINDOW = 0x00000001;
// A console program started without a console of its own or its parent's.
inline constexpr DWORD CREATE_NO_WINDOW = 0x08000000;

struct PROCESS_INFORMATION {
  HANDLE hProcess = nullptr;
  HANDLE hThread = nullptr;
  DWORD dwProcessId = 0;
  DWORD dwThreadId = 0;
};

inline constexpr DWORD INFINITE = 0xFFFFFFFF;
inline constexpr DWORD WAIT_OBJECT_0 = 0;
inline constexpr DWORD WAIT_TIMEOUT = 258;
inline constexpr DWORD WAIT_FAILED = 0xFFFFFFFF;
// GetExitCodeProcess's answer while the process runs.
inline constexpr DWORD STILL_ACTIVE = 259;
#endif

class Shell {
 public:
  virtual ~Shell() = default;
  // `verb` "open" (or null, which means the same), `file` a Windows path or an
  // "http://"/"https://" address; `params` and `dir` may be null.
  [[nodiscard]] virtual HINSTANCE ShellExecuteA(HWND owner, const char* verb, const char* file,
                                                const char* params, const char* dir, int show) = 0;
  virtual void Sleep(DWORD milliseconds) = 0;

  // Starts the command line and forgets it: above 31 when it was started,
  // otherwise an error code (2 when the program was not found).
  [[nodiscard]] virtual UINT WinExec(const char* commandLine, UINT show) = 0;
  // Starts the command line as a process the caller can follow. The caller
  // closes both handles of `info` (hThread may be null) with CloseHandle.
  [[nodiscard]] virtual BOOL CreateProcessA(const char* applicationName, char* commandLine,
                                            const void* processAttributes,
                                            const void* threadAttributes, BOOL inheritHandles,
                                            DWORD creationFlags, void* environment,
                                            const char* currentDirectory, STARTUPINFOA* startupInfo,
                                            PROCESS_INFORMATION* info) = 0;
  // WAIT_OBJECT_0 once the process has ended, WAIT_TIMEOUT while it still
  // runs after `milliseconds` (0 only asks), WAIT_FAILED for a bad handle.
  [[nodiscard]] virtual DWORD WaitForSingleObject(HANDLE process, DWORD milliseconds) = 0;
  // STILL_ACTIVE while the process runs, else its exit code.
  [[nodiscard]] virtual BOOL GetExitCodeProcess(HANDLE process, DWORD* exitCode) = 0;
  [[nodiscard]] virtual BOOL TerminateProcess(HANDLE process, UINT exitCode) = 0;
  // Closes a handle from CreateProcessA; the process itself runs on.
  [[nodiscard]] virtual BOOL CloseHandle(HANDLE handle) = 0;
};

}  // namespace win

#ifndef _WIN32
// The constants keep their Win32 names and are visible unqualified, as
// windows.h makes them, so that code reads the same on both builds.
using win::CREATE_NO_WINDOW;
using win::INFINITE;
using win::STARTF_USESHOWWINDOW;
using win::STILL_ACTIVE;
using win::WAIT_FAILED;
using win::WAIT_OBJECT_0;
using win::WAIT_TIMEOUT;
#endif
