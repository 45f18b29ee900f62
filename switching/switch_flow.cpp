#include "switching/switch_flow.h"

#include <cstdio>
#include <optional>

#include "platform/code_page.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"
#include "store/registry_access.h"
#include "store/store_command.h"
#include "switching/switch_steps.h"

namespace switching {

namespace {

using win::DWORD;

constexpr const char* kErrorCaption = "エラーメッセージ";
constexpr const char* kInfoCaption = "情報メッセージ";
constexpr const char* kSucceeded = "ネットワーク設定の切り替え完了！";
constexpr const char* kFailed =
    "切り替えが失敗したようです。「ｵﾌﾟｼｮﾝ」から実行結果を確認してください。";
constexpr const char* kScriptNotCreated = "一時ファイルが作成できませんでした。";
constexpr const char* kStatusSuffix = "中";

// The result file is read like fgets with this buffer: a longer line comes
// in pieces, each counted as a line of its own.
constexpr int kLineBufferSize = 256;
// A header's text starts at its ninth character; the closing " === " and
// the line break are its last six.
constexpr std::size_t kHeaderTextStart = 8;
constexpr std::size_t kHeaderTail = 6;

void showError(const store::Context& ctx, const char* utf8Text) {
  ctx.messageBox(win::ansiFromUtf8(utf8Text), win::ansiFromUtf8(kErrorCaption),
                 MB_OK | MB_ICONERROR);
}

SwitchOffer prepareOffer(const store::Context& ctx, int slot, const std::string& title) {
  SwitchOffer offer;
  offer.title = title;
  const std::string data = store::DataPath(slot);
  // A value that cannot be read leaves the default in place.
  DWORD remembered = kDefaultSteps;
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, data, "InitCheck", remembered);
  offer.rememberedSteps = remembered & kAllSteps;
  offer.interfaces = BuildInterfaceList(ctx, slot);
  (void)store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, data, "DefPrinter", offer.defaultPrinter);
  return offer;
}

// One reading of the result file from its start.
struct ResultRound {
  int countedLines = 0;
  int position = 0;  // the number of the last header read, 0 before one
  int allLines = 0;  // every piece read, to notice that the file grows
  int unansweredSections = 0;
  std::string lastLine;  // empty when the file could not be opened or is empty
};

ResultRound readResultFile(win::Files& files, const std::string& path) {
  ResultRound round;
  std::unique_ptr<win::TextFile> file = files.openText(path, win::TextMode::Read);
  if (!file) return round;
  std::string line;
  bool awaitingAnswer = false;  // a header was read and no "OK" after it yet
  while (file->readLine(line, kLineBufferSize)) {
    ++round.allLines;
    round.lastLine = line;
    if (line.starts_with("OK")) awaitingAnswer = false;
    if (line.front() == '\n' || line.starts_with("OK")) continue;
    ++round.countedLines;
    if (awaitingAnswer && (line.front() == '=' || line.front() == 'e')) ++round.unansweredSections;
    if (line.front() == '=') awaitingAnswer = true;
    if (line.front() == 'e') awaitingAnswer = false;
    // "%s %d %s": a header carries its section number as its second word.
    char word[kLineBufferSize];
    char rest[kLineBufferSize];
    int number = 0;
    if (std::sscanf(line.c_str(), "%255s %d %255s", word, &number, rest) >= 2)
      round.position = number;
  }
  file->close();
  return round;
}

// The command line that runs the script. The path is always quoted, so that
// it stays one word and cmd acts on nothing in it: a Windows directory may
// hold blanks, "&" or "^".
std::string scriptCommandLine(const std::string& scriptPath) {
  return "\"" + scriptPath + "\"";
}

// Starts the script hidden. Null when it could not be started.
win::HANDLE startScript(win::Shell& shell, const std::string& scriptPath) {
  std::string commandLine = scriptCommandLine(scriptPath);
  win::STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESHOWWINDOW;
  startup.wShowWindow = SW_HIDE;
  win::PROCESS_INFORMATION info{};
  // Not in the caller's console: a script started from the command line
  // would echo every command it runs into the command line's output.
  if (!shell.CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                            nullptr, nullptr, &startup, &info))
    return nullptr;
  if (info.hThread) shell.CloseHandle(info.hThread);
  return info.hProcess;
}

// The network step after the script was written: a clean result file, the
// script started and followed to its end. True when the result file shows
// every section succeeded.
bool runScript(const store::Context& ctx, const WorkFiles& files, int sectionCount,
               SwitchView& view, const SwitchOptions& options) {
  win::Files& disk = ctx.machine.files();
  disk.DeleteFileA(files.result.c_str());
  // A result file that outlived its deletion would show the previous
  // switch's end line, and the wait would take it for this one's.
  if (disk.exists(files.result)) return false;

  win::Shell& shell = ctx.machine.shell();
  win::HANDLE process = startScript(shell, files.script);
  if (!process) return false;
  view.setProgressRange(sectionCount);
  ScriptWait wait =
      WaitForScriptEnd(ctx.machine, files.result, process, view, options.stallTimeout);
  // A script that stopped making progress is ended, so that it cannot
  // change the machine after the switch was reported as failed.
  if (wait.ending == ScriptEnding::TimedOut) shell.TerminateProcess(process, 1);
  shell.CloseHandle(process);
  // Every section needs netsh's "OK": no message line alone is not proof
  // that a command was applied.
  return wait.ending == ScriptEnding::EndLine && wait.countedLines == sectionCount + 2 &&
         wait.unansweredSections == 0;
}

// Records the switch in the store: Active after a success, the ticked
// steps as InitCheck when asked to remember them, and one more use in
// Count, all at once or not at all. The profile is looked up again under
// the store lock, since another command may have moved it while the script
// ran; one that is gone by now has nothing to record. False when the record
// could not be written (the user was told).
bool recordSwitch(const store::Context& outer, const std::string& title, bool succeeded,
                  std::optional<DWORD> rememberedSteps) {
  store::StoreCommand command(outer, store::StoreChange::SwitchRecord);
  if (!command.locked()) return false;
  const store::Context& ctx = command.context();
  store::TitleLookup lookup = store::FindProfileByTitle(ctx, title);
  if (!lookup.index) return true;
  const int slot = *lookup.index + 1;

  if (!command.beginWrites()) return false;
  // A write that fails is seen by the command, which then undoes the record.
  if (succeeded) (void)store::WriteActive(ctx, DWORD(slot - 1));
  if (rememberedSteps)
    (void)store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, store::DataPath(slot), "InitCheck",
                                 *rememberedSteps);
  DWORD count = 0;  // a profile never used has no Count yet
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, store::SlotPath(slot), "Count", count);
  (void)store::WriteDwordValue(ctx, HKEY_LOCAL_MACHINE, store::SlotPath(slot), "Count", count + 1);
  return command.commitWrites();
}

}  // namespace

std::string HeaderStatusText(const std::string& headerLine) {
  std::string text;
  if (headerLine.size() > kHeaderTextStart + kHeaderTail)
    text = headerLine.substr(kHeaderTextStart, headerLine.size() - kHeaderTextStart - kHeaderTail);
  static const std::string suffix = win::ansiFromUtf8(kStatusSuffix);
  return text + suffix;
}

ScriptWait WaitForScriptEnd(win::Machine& machine, const std::string& resultPath,
                            win::HANDLE process, SwitchView& view,
                            std::chrono::milliseconds stallTimeout) {
  using Clock = std::chrono::steady_clock;
  win::Shell& shell = machine.shell();
  std::optional<int> shownPosition;
  std::string shownStatus;
  int linesSeen = -1;
  Clock::time_point lastGrowth = Clock::now();

  while (true) {
    // Asked before the file is read: a script that ended has written all it
    // ever will, so this round then sees its last line.
    const bool ended = process != nullptr && shell.WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
    ResultRound round = readResultFile(machine.files(), resultPath);

    if (shownPosition != round.position) {
      shownPosition = round.position;
      view.setProgress(round.position);
    }
    if (!round.lastLine.empty() && round.lastLine.front() == '=') {
      std::string status = HeaderStatusText(round.lastLine);
      if (status != shownStatus) {
        shownStatus = status;
        view.setStatusText(status);
      }
    }
    if (!round.lastLine.empty() && round.lastLine.front() == 'e')
      return {ScriptEnding::EndLine, round.countedLines, round.unansweredSections};
    if (ended) return {ScriptEnding::ProcessEnded, round.countedLines, round.unansweredSections};

    const Clock::time_point now = Clock::now();
    if (round.allLines != linesSeen) {
      linesSeen = round.allLines;
      lastGrowth = now;
    } else if (now - lastGrowth >= stallTimeout) {
      return {ScriptEnding::TimedOut, round.countedLines, round.unansweredSections};
    }
    shell.Sleep(1);
  }
}

SwitchOutcome RunSwitch(const store::Context& ctx, const std::string& title, SwitchView& view,
                        const SwitchOptions& options) {
  std::optional<int> index = store::LocateSelectedProfile(ctx, title);
  if (!index) return SwitchOutcome::NotStarted;
  const int slot = *index + 1;

  const SwitchOffer offer = prepareOffer(ctx, slot, title);
  const SwitchChoice choice = view.confirm(offer);
  if (!choice.confirmed) return SwitchOutcome::NotStarted;

  // A stored value that would add commands to the script stops the switch
  // before anything is changed.
  if (choice.steps & kStepNetwork) {
    if (auto unsafe = FindUnsafeValue(ctx, slot, offer.interfaces, choice.tickedInterfaces)) {
      ReportUnsafeValue(ctx, *unsafe);
      return SwitchOutcome::NotStarted;
    }
  }

  view.setBusy(true);
  DWORD steps = 0;
  if (choice.steps & kStepPrinter) {
    steps |= kStepPrinter;
    std::string printer;
    if (store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, store::DataPath(slot), "DefPrinter",
                               printer) == 0)
      SetDefaultPrinter(ctx, printer);
  }
  if (choice.steps & kStepProxy) {
    steps |= kStepProxy;
    ApplyProxySettings(ctx, slot);
  }
  if (choice.steps & kStepDomain) {
    steps |= kStepDomain;
    ChangeMembership(ctx, slot);
  }

  bool succeeded = true;
  if (choice.steps & kStepNetwork) {
    steps |= kStepNetwork;
    ScriptResult script = WriteSwitchScript(ctx, slot, offer.interfaces, choice.tickedInterfaces);
    if (script.status != ScriptStatus::Created) {
      // The message comes while the window still shows it is busy; the
      // busy state ends once it is answered.
      if (script.status == ScriptStatus::Unsafe && script.unsafe)
        ReportUnsafeValue(ctx, *script.unsafe);
      else
        showError(ctx, kScriptNotCreated);
      view.setBusy(false);
      return SwitchOutcome::NotStarted;
    }
    succeeded =
        runScript(ctx, WorkFilePaths(ctx.machine.system()), script.sectionCount, view, options);
  }

  view.setBusy(false);
  view.setStatusText({});
  if (succeeded) {
    view.setAppliedTitle(title);
    ctx.messageBox(win::ansiFromUtf8(kSucceeded), win::ansiFromUtf8(kInfoCaption),
                   MB_OK | MB_ICONINFORMATION);
  } else {
    showError(ctx, kFailed);
  }
  view.setProgress(0);

  // A record that could not be written makes the command fail as a whole,
  // even after the machine itself was switched.
  if (!recordSwitch(ctx, title, succeeded,
                    choice.remember ? std::optional<DWORD>(steps) : std::nullopt))
    return SwitchOutcome::Failed;
  return succeeded ? SwitchOutcome::Succeeded : SwitchOutcome::Failed;
}

}  // namespace switching
