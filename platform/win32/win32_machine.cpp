// The platform layer on Windows: one object per area, each calling the
// Unicode (W) functions and converting text from and to code page 932, so
// the program behaves the same on a Japanese and on any other Windows.
#include "platform/win32/win32_machine.h"

#include "platform/win32/win32_files.h"
#include "platform/win32/win32_internet.h"
#include "platform/win32/win32_membership.h"
#include "platform/win32/win32_profile_strings.h"
#include "platform/win32/win32_registry.h"
#include "platform/win32/win32_shell.h"
#include "platform/win32/win32_system.h"

namespace win32 {

namespace {

class Win32Machine : public win::Machine {
 public:
  win::Registry& registry() override { return registry_; }
  win::Files& files() override { return files_; }
  win::System& system() override { return system_; }
  win::Shell& shell() override { return shell_; }
  win::ProfileStrings& profileStrings() override { return profileStrings_; }
  win::Membership& membership() override { return membership_; }
  win::Internet& internet() override { return *internet_; }

 private:
  Win32Registry registry_;
  Win32Files files_;
  Win32System system_;
  Win32Shell shell_;
  Win32ProfileStrings profileStrings_;
  Win32Membership membership_;
  std::unique_ptr<win::Internet> internet_ = newWin32Internet();
};

}  // namespace

std::unique_ptr<win::Machine> openWin32Machine() {
  return std::make_unique<Win32Machine>();
}

}  // namespace win32
