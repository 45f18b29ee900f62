// Version and Windows directory from the registry, named mutexes across
// processes (lock files under the machine's folder, released by the kernel
// when their process dies), the process's elevation and the local time text.
//
// A Windows 10 machine keeps its version in CurrentMajorVersionNumber and
// CurrentMinorVersionNumber beside the frozen CurrentVersion "6.3";
// GetVersionExA answers 10.0 there, as it does on Windows for a program whose
// manifest declares Windows 10 (both of ours do).
//
// A process started with VERANTU_ELEVATED=0 in its environment runs as a
// standard user: its token is not elevated and the machine refuses its
// writes under HKEY_LOCAL_MACHINE. Any other value, or none, is an
// administrator's elevated process.
#pragma once

#include <map>
#include <set>
#include <string>

#include "platform/registry.h"
#include "platform/system.h"

namespace emu {

class EmulatedSystem : public win::System {
 public:
  EmulatedSystem(win::Registry& registry, std::string machineFolder);
  ~EmulatedSystem() override;

  [[nodiscard]] win::BOOL GetVersionExA(win::OSVERSIONINFOA* info) override;
  [[nodiscard]] win::UINT GetWindowsDirectoryA(char* buffer, win::UINT size) override;
  [[nodiscard]] win::HANDLE CreateMutexA(const void* security, win::BOOL initialOwner,
                                         const char* name) override;
  [[nodiscard]] win::DWORD WaitForSingleObject(win::HANDLE handle,
                                               win::DWORD milliseconds) override;
  [[nodiscard]] win::BOOL ReleaseMutex(win::HANDLE mutex) override;
  [[nodiscard]] win::BOOL CloseHandle(win::HANDLE handle) override;
  [[nodiscard]] win::DWORD GetLastError() override;
  [[nodiscard]] win::BOOL OpenProcessToken(win::HANDLE process, win::DWORD desiredAccess,
                                           win::HANDLE* token) override;
  [[nodiscard]] win::BOOL GetTokenInformation(win::HANDLE token,
                                              win::TOKEN_INFORMATION_CLASS informationClass,
                                              void* information, win::DWORD length,
                                              win::DWORD* returnLength) override;
  std::string localDateTimeText() override;

  bool elevated() const { return elevated_; }
  void setElevated(bool elevated) { elevated_ = elevated; }
  // What the environment says of this process: false only for
  // VERANTU_ELEVATED=0.
  static bool elevatedByEnvironment();

 private:
  struct Mutex {
    int fd = -1;  // holds the lock of the mutex's existence while >= 0
    std::string name;
  };
  // Ownership taken by waiting, per mutex name: the lock of a second file,
  // held while the process owns the mutex.
  struct Ownership {
    int fd = -1;
    int count = 0;
  };
  std::string lockFolder();
  // WaitForSingleObject on the mutex of that name.
  [[nodiscard]] win::DWORD takeOwnership(const std::string& name, win::DWORD milliseconds);
  win::Registry& registry_;
  std::string machineFolder_;
  std::map<std::uintptr_t, Mutex> mutexes_;
  std::map<std::string, Ownership> owned_;
  std::set<std::uintptr_t> tokens_;
  std::uintptr_t nextHandle_ = 0x100;
  bool elevated_ = elevatedByEnvironment();
};

}  // namespace emu
