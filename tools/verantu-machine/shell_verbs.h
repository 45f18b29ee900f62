// The machine tool's "cmd" and "netsh" verbs: the command interpreter and
// netsh of the emulated machine, as the emulated WinExec starts them and as
// a user runs them from a terminal. The terminal speaks UTF-8; files on the
// machine stay in the ANSI code page.
#pragma once

#include <QStringList>

namespace machinetool {

// `cmd /c LINE`: runs LINE (a batch file path, or a command line). Returns
// the interpreter's exit code, 1 when the machine cannot be opened and 2 for
// a usage error.
int RunCmdVerb(const QStringList& args);
// `netsh ARGS`: 0 when the command succeeded, 1 otherwise.
int RunNetshVerb(const QStringList& args);

}  // namespace machinetool
