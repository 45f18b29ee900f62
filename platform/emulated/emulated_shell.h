// Starting programs and opening documents on the emulated machine. Its only
// program is the command interpreter: a command line given to WinExec or
// CreateProcessA runs as `verantu-machine cmd /c LINE`, hidden (no terminal
// output), as a child process on the same machine. A document on drive C:
// is handed, by its host path, to the desktop's opener, an address as it is.
#pragma once

#include <sys/types.h>

#include <cstdint>
#include <map>
#include <string>

#include "platform/emulated/emulated_files.h"
#include "platform/shell.h"

namespace emu {

// The machine tool that runs command lines: $VERANTU_MACHINE_TOOL when set,
// else verantu-machine next to the running program, else the one built with
// this program, else verantu-machine on the PATH. Empty when none exists.
std::string machineToolPath();

// For a program that CreateProcessA started: ends this process as soon as
// the process that started it ends while it still holds its handle, the
// way Windows ends the processes of a kill-on-close job. Nothing happens in
// a process started otherwise, or once the starter has closed its handle.
void EndWithStarter();

class EmulatedShell : public win::Shell {
 public:
  EmulatedShell(EmulatedFiles& files, std::string machineFolder)
      : files_(files), machineFolder_(std::move(machineFolder)) {}
  // Children whose handles are still open end with it, as they would with
  // the program; none is left unreaped.
  ~EmulatedShell() override;
  EmulatedShell(const EmulatedShell&) = delete;
  EmulatedShell& operator=(const EmulatedShell&) = delete;

  // The opener is the command in $VERANTU_OPENER, else xdg-open, started
  // detached with the host path or the address as its last argument.
  [[nodiscard]] win::HINSTANCE ShellExecuteA(win::HWND owner, const char* verb, const char* file,
                                             const char* params, const char* dir,
                                             int show) override;
  void Sleep(win::DWORD milliseconds) override;

  [[nodiscard]] win::UINT WinExec(const char* commandLine, win::UINT show) override;
  // `applicationName` must be null: the command line names what runs. The
  // child works on this machine, in `currentDirectory` (a Windows path) or
  // the caller's current directory. hThread is always null.
  [[nodiscard]] win::BOOL CreateProcessA(const char* applicationName, char* commandLine,
                                         const void* processAttributes,
                                         const void* threadAttributes, win::BOOL inheritHandles,
                                         win::DWORD creationFlags, void* environment,
                                         const char* currentDirectory,
                                         win::STARTUPINFOA* startupInfo,
                                         win::PROCESS_INFORMATION* info) override;
  [[nodiscard]] win::DWORD WaitForSingleObject(win::HANDLE process,
                                               win::DWORD milliseconds) override;
  [[nodiscard]] win::BOOL GetExitCodeProcess(win::HANDLE process, win::DWORD* exitCode) override;
  [[nodiscard]] win::BOOL TerminateProcess(win::HANDLE process, win::UINT exitCode) override;
  [[nodiscard]] win::BOOL CloseHandle(win::HANDLE handle) override;

 private:
  struct Child {
    pid_t pid = -1;
    int link = -1;  // this side of the link that ends the child with its starter
    bool ended = false;
    win::DWORD exitCode = STILL_ACTIVE;
    bool terminated = false;  // TerminateProcess chose the exit code
  };
  Child* find(win::HANDLE handle);
  // Reaps the child if it has ended; true when it has.
  bool poll(Child& child, bool block);

  EmulatedFiles& files_;
  std::string machineFolder_;
  std::map<std::uintptr_t, Child> children_;
  std::uintptr_t nextHandle_ = 0x2000;
};

}  // namespace emu
