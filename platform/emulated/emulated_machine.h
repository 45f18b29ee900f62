// A Windows machine kept in a folder: registry.db and drive_c/.
#pragma once

#include <memory>
#include <string>

#include "platform/emulated/emulated_files.h"
#include "platform/emulated/emulated_internet.h"
#include "platform/emulated/emulated_membership.h"
#include "platform/emulated/emulated_profile_strings.h"
#include "platform/emulated/emulated_registry.h"
#include "platform/emulated/emulated_shell.h"
#include "platform/emulated/emulated_system.h"
#include "platform/machine.h"

namespace emu {

// $VERANTU_MACHINE, else ${XDG_DATA_HOME:-$HOME/.local/share}/verantu/machine.
std::string defaultMachineFolder();

class EmulatedMachine : public win::Machine {
 public:
  // Opens an existing machine. A missing folder or registry, or a damaged
  // one, is reported through `error`; nothing is created or changed. Only a
  // machine opened for writing has its whole registry file checked.
  static std::unique_ptr<EmulatedMachine> open(const std::string& folder, std::string* error,
                                               OpenFor purpose = OpenFor::Writing);
  // Creates a new machine with an empty registry. An existing machine is
  // refused unless `replace` is set, in which case its registry and drive C:
  // are removed first.
  static std::unique_ptr<EmulatedMachine> create(const std::string& folder, bool replace,
                                                 std::string* error);
  static bool exists(const std::string& folder);

  EmulatedRegistry& registry() override { return *registry_; }
  EmulatedFiles& files() override { return *files_; }
  EmulatedSystem& system() override { return *system_; }
  EmulatedShell& shell() override { return *shell_; }
  EmulatedProfileStrings& profileStrings() override { return *profileStrings_; }
  EmulatedMembership& membership() override { return *membership_; }
  EmulatedInternet& internet() override { return *internet_; }
  const std::string& folder() const { return folder_; }

  // Whether this process runs elevated: its token says so, and only then
  // may it write under HKEY_LOCAL_MACHINE. A machine opens as the
  // environment says (VERANTU_ELEVATED=0 is a standard user); the machine
  // tool, which stands for the machine's administrator, sets it.
  void setElevated(bool elevated);

 private:
  EmulatedMachine(std::string folder, std::unique_ptr<EmulatedRegistry> registry);

  std::string folder_;
  std::unique_ptr<EmulatedRegistry> registry_;
  std::unique_ptr<EmulatedFiles> files_;
  std::unique_ptr<EmulatedSystem> system_;
  std::unique_ptr<EmulatedShell> shell_;
  std::unique_ptr<EmulatedProfileStrings> profileStrings_;
  std::unique_ptr<EmulatedMembership> membership_;
  std::unique_ptr<EmulatedInternet> internet_;
};

}  // namespace emu
