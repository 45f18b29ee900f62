// The machine the conformance tests state Win32 behaviour on: on Linux the
// emulated machine in a temporary folder, on Windows the Win32 layer with
// HKEY_LOCAL_MACHINE and HKEY_CURRENT_USER redirected to scratch keys and a
// scratch folder for files. The tests are written once against win::Machine
// and must pass on both.
#pragma once

#include <memory>
#include <string>

#include "platform/machine.h"

namespace conformance {

class ConformanceMachine {
 public:
  virtual ~ConformanceMachine() = default;
  virtual win::Machine& machine() = 0;
  // A folder of its own for the test's files, as a Windows path without a
  // trailing backslash.
  virtual std::string scratchFolder() = 0;
  // Lines for a batch script that start a process which writes
  // `file`.started at once and, about `seconds` seconds later, `file` (names
  // in the script's folder).
  virtual std::string slowChildLines(int seconds, const std::string& file) = 0;
  // Gives the machine what every Windows has apart from the registry the
  // tests write: a version of Windows 10 and membership of a workgroup.
  // Windows has them already.
  virtual void setUpSystem() {}
};

std::unique_ptr<ConformanceMachine> newConformanceMachine();

// True when the Windows build runs under Wine rather than on Windows. Where
// Wine's behaviour differs from Windows', a test states Windows' behaviour
// and names Wine's difference in an expectation of its own.
bool runningUnderWine();

}  // namespace conformance
