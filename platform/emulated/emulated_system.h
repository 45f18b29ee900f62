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
  win::BOOL ReleaseMutex(win::HANDLE mutex) override;
  win::BOOL CloseHandle(win::HANDLE handle) override;
  win::DWORD GetLastError() override;
  std::string localDateTimeText() override;

 private:
  struct Mutex {
    int fd = -1;  // holds the lock while >= 0
  };
  win::Registry& registry_;
  std::string machineFolder_;
  std::map<std::uintptr_t, Mutex> mutexes_;
  std::uintptr_t nextHandle_ = 0x100;
};

}  // namespace emu
