// The switch command: applying a stored profile end to end. The main
// window's switch button and `verantu-cli switch` both run it; the window
// shows the progress, the command line prints it.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/shell.h"
#include "store/context.h"
#include "switching/switch_script.h"
#include "switching/switch_verification.h"

namespace switching {

// Bits of the step mask, as stored in a profile's InitCheck.
inline constexpr win::DWORD kStepNetwork = 1;
inline constexpr win::DWORD kStepPrinter = 2;
inline constexpr win::DWORD kStepProxy = 4;
inline constexpr win::DWORD kStepDomain = 8;
inline constexpr win::DWORD kDefaultSteps = 7;
inline constexpr win::DWORD kAllSteps = 15;

// What the confirmation dialog is filled with.
struct SwitchOffer {
  std::string title;                           // the profile's name (ANSI)
  win::DWORD rememberedSteps = kDefaultSteps;  // InitCheck (other bits dropped), default 7
  std::vector<InterfaceEntry> interfaces;      // the dialog's interface check-list
  std::optional<std::string> defaultPrinter;   // the profile's DefPrinter, none without one
  // The offer is the way back from the last switch: the dialog says so
  // (UndoHeading, UndoCaption) and the remember box means nothing.
  bool undo = false;
  bool redo = false;  // with undo: it brings back the profile `title` (it undoes an undo)
};

// What the user chose in it.
struct SwitchChoice {
  bool confirmed = false;              // closed with Yes
  win::DWORD steps = 0;                // ticked steps (kStep… bits)
  std::vector<bool> tickedInterfaces;  // one per offered interface; missing ones are unticked
  bool remember = true;                // store the ticked steps as InitCheck
};

// How the flow shows itself. The window implements it over its label,
// progress bar, status bar and cursor; the command line prints lines. The
// flow calls the progress and status setters only when what they show
// changes.
class SwitchView {
 public:
  virtual ~SwitchView() = default;
  // Shows the confirmation dialog and returns the user's choice.
  virtual SwitchChoice confirm(const SwitchOffer& offer) = 0;
  // Busy: the red indicator, pending window messages processed once, the
  // hourglass cursor. Not busy: the grey indicator and the saved cursor.
  virtual void setBusy(bool busy) = 0;
  virtual void setProgressRange(int maximum) = 0;  // 0 .. maximum
  virtual void setProgress(int position) = 0;
  virtual void setStatusText(const std::string& ansiText) = 0;  // empty: back to "Verantu!"
  virtual void setAppliedTitle(const std::string& ansiTitle) = 0;
  // Called at least every kKeepAliveInterval while the switch waits for its
  // script, whether or not anything changed: the window repaints and handles
  // what is not user input, so that it never looks hung. Nothing to do for
  // a view without an event loop.
  virtual void keepAlive() {}
  // What each ticked step came to and the lines added to the result file,
  // once, before the closing message. The window shows it through the
  // message and the result viewer; the command line prints it.
  virtual void showReport(const SwitchReport& report) { (void)report; }
};

inline constexpr std::chrono::milliseconds kKeepAliveInterval{50};

enum class SwitchOutcome {
  NotStarted,  // nothing registered, title unknown, dialog not confirmed, unsafe profile,
               // switch script not created
  Succeeded,
  Failed,
};

// How long the wait follows a script whose result file stops growing.
inline constexpr std::chrono::milliseconds kDefaultStallTimeout{60000};

struct SwitchOptions {
  // The script is given up (and ended) when its result file has gained no
  // line for this long; any new line starts the time again.
  std::chrono::milliseconds stallTimeout = kDefaultStallTimeout;
};

// Runs the switch command for the profile titled `title` (ANSI, the
// selector's text). Every message box goes through ctx.
SwitchOutcome RunSwitch(const store::Context& ctx, const std::string& title, SwitchView& view,
                        const SwitchOptions& options = {});

// Records a switch of the profile titled `title` in the store: Active after
// a success, `rememberedSteps` as the profile's ticked steps when given,
// and one more use, all at once or not at all. A profile gone meanwhile has
// nothing to record. False, after a message, when the record could not be
// written.
bool RecordSwitch(const store::Context& ctx, const std::string& title, bool succeeded,
                  std::optional<win::DWORD> rememberedSteps);

// Applies the undo state (store::kUndoKey) through the same dialog, steps,
// script and read-back as a switch, after keeping the state it replaces as
// the new undo state. No profile's record changes. NotStarted, after a
// message, when there is nothing to undo.
SwitchOutcome RunUndo(const store::Context& ctx, SwitchView& view,
                      const SwitchOptions& options = {});

// How the wait for the script ended.
enum class ScriptEnding {
  EndLine,       // the end line was read
  ProcessEnded,  // the script ended without writing it
  TimedOut,      // the result file stopped growing for the stall time-out
};
struct ScriptWait {
  ScriptEnding ending = ScriptEnding::EndLine;
  int countedLines = 0;  // lines of the last round that are neither blank nor "OK"
};
// Follows the result file at `resultPath` every few milliseconds until its last
// line is the end line, showing the section number of the last header as
// the progress and its text as the status. `process` (may be null) is the
// script's process: once it has ended, a round without the end line is the
// last.
ScriptWait WaitForScriptEnd(win::Machine& machine, const std::string& resultPath,
                            win::HANDLE process, SwitchView& view,
                            std::chrono::milliseconds stallTimeout);

// The status text for a result-file header line (ANSI): its text from the
// ninth character without the closing " === " and line break, followed by
// "中".
std::string HeaderStatusText(const std::string& headerLine);

}  // namespace switching
