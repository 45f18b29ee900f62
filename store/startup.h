// The checks that run before any window exists: the debug log, the
// single-instance mutex, the Windows version, the installation and the
// once-only offer to discard a profile store left by an earlier
// installation. No widgets here; message boxes go through the prompter with
// no owner window.
#pragma once

#include <memory>
#include <string>

#include "platform/machine.h"
#include "platform/prompter.h"

namespace store {

struct StartupResult {
  bool proceed = false;  // false: end the process with exitCode
  int exitCode = 1;
  bool debug = false;                       // the command line asked for the debug log
  std::unique_ptr<win::TextFile> debugLog;  // open for the whole run when created
  win::HANDLE mutex = nullptr;              // held until the program ends
};

// The system version: Windows 2000 or later. When the
// version is older or cannot be read, shows the version message without an
// owner and returns false; the program then ends with exit code 1.
[[nodiscard]] bool CheckSystemVersion(win::Machine& machine, win::Prompter& prompter);
// Whether the process runs with an administrator's full rights: its token
// is elevated. A system that cannot tell (Windows before Vista, which has no
// elevation) counts as elevated; its own refusals then speak for it.
[[nodiscard]] bool IsProcessElevated(win::System& system);
// What the rights are needed for: the whole program (the window, which
// changes the store and the network from its start) or one command.
enum class AdministratorUse { Program, Command };
// The rights every change of the store or the machine needs. When the
// process is not elevated, shows the message that says to run as
// administrator (without an owner) and returns false: the program or the
// command then ends with exit code 1, having changed nothing.
[[nodiscard]] bool CheckAdministrator(win::Machine& machine, win::Prompter& prompter,
                                      AdministratorUse use);
// The installation: the root key "Software\Q\Tolvik" opens with `access`
// (full access for anything that may write the store, read access for what
// only reads it); it is opened and closed, never created. When it does not,
// shows the installation message without an owner and returns false; the
// program then ends with exit code 1.
[[nodiscard]] bool CheckInstallation(win::Machine& machine, win::Prompter& prompter,
                                     win::REGSAM access = KEY_ALL_ACCESS);

// `commandLine` is the argument text after the program name; only exactly
// "-debug" turns the debug log on.
StartupResult RunStartupChecks(win::Machine& machine, win::Prompter& prompter,
                               const std::string& commandLine);

// The argument text after the program name, as Windows hands it over: the
// arguments joined by single blanks.
std::string CommandLineText(int argc, char** argv);

// Lets the mutex go at the end of the run so that the next copy may start.
void ReleaseSingleInstance(win::Machine& machine, win::HANDLE mutex);

}  // namespace store
