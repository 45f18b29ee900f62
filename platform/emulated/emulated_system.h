// Version and Windows directory from the registry, named mutexes across
// processes (lock files under the machine's folder, released by the kernel
// when their process dies) and the local time text.
#pragma once

#include <map>
#include <string>

#include "platform/registry.h"
#include "platform/system.h"

namespace emu {

class EmulatedSystem : public win::System {
 public:
  EmulatedSystem(win::Registry& registry, std::string machineFolder);
  ~EmulatedSystem() override;

  win::BOOL GetVersionExA(win::OSVERSIONINFOA* info) override;
  win::UINT GetWindowsDirectoryA(char* buffer, win::UINT size) override;
  win::HANDLE CreateMutexA(const void* security, win::BOOL initialOwner, const char* name) override;
  win::DWORD WaitForSingleObject(win::HANDLE handle, win::DWORD milliseconds) override;
  win::BOOL ReleaseMutex(win::HANDLE mutex) override;
  win::BOOL CloseHandle(win::HANDLE handle) override;
  win::DWORD GetLastError() override;
  std::string localDateTimeText() override;

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
  win::DWORD takeOwnership(const std::string& name, win::DWORD milliseconds);
  win::Registry& registry_;
  std::string machineFolder_;
  std::map<std::uintptr_t, Mutex> mutexes_;
  std::map<std::string, Ownership> owned_;
  std::uintptr_t nextHandle_ = 0x100;
};

}  // namespace emu
