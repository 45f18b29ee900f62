// The operating system as the program sees it: one object that hands out the
// platform interfaces. The emulated machine and the Win32 build each provide one.
#pragma once

#include "platform/files.h"
#include "platform/internet.h"
#include "platform/membership.h"
#include "platform/profile_strings.h"
#include "platform/registry.h"
#include "platform/shell.h"
#include "platform/system.h"

namespace win {

class Machine {
 public:
  virtual ~Machine() = default;
  virtual Registry& registry() = 0;
  virtual Files& files() = 0;
  virtual System& system() = 0;
  virtual Shell& shell() = 0;
  virtual ProfileStrings& profileStrings() = 0;
  virtual Membership& membership() = 0;
  virtual Internet& internet() = 0;
};

// Another machine with its registry seen through a decorator: the subclass
// says which registry; everything else is the inner machine's.
class MachineOverlay : public Machine {
 public:
  explicit MachineOverlay(Machine& inner) : inner_(inner) {}
  Files& files() override { return inner_.files(); }
  System& system() override { return inner_.system(); }
  Shell& shell() override { return inner_.shell(); }
  ProfileStrings& profileStrings() override { return inner_.profileStrings(); }
  Membership& membership() override { return inner_.membership(); }
  Internet& internet() override { return inner_.internet(); }

 private:
  Machine& inner_;
};

}  // namespace win
