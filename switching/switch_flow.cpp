#include "switching/switch_flow.h"

#include <cstdio>
#include <functional>
#include <optional>

#include "platform/code_page.h"
#include "store/live_tcpip.h"
#include "store/messages.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"
#include "store/registry_access.h"
#include "store/store_command.h"
#include "switching/switch_guard.h"
#include "switching/switch_steps.h"
#include "switching/switch_undo.h"

namespace switching {

namespace {

using store::kInformationCaption;

using win::DWORD;

constexpr const char* kSucceeded = "ネットワーク設定の切り替え完了！";
constexpr const char* kScriptNotCreated = "一時ファイルが作成できませんでした。";
constexpr const char* kStatusSuffix = "中";
constexpr const char* kResultNotRemoved = "前回の実行結果ﾌｧｲﾙを削除できませんでした";
constexpr const char* kScriptNotStarted = "ｽｸﾘﾌﾟﾄを開始できませんでした";
constexpr const char* kScriptCutShort = "ｽｸﾘﾌﾟﾄが最後まで実行されませんでした";
constexpr const char* kUndoNotRead = "元に戻す設定を読み込めませんでした。";
constexpr const char* kDifferencesReason = "%lu 項目が指定どおりになっていません";

// The result file is read like fgets with this buffer: a longer line comes
// in pieces, each counted as a line of its own.
constexpr int kLineBufferSize = 256;
// A header's text starts at its ninth character; the closing " === " and
// the line break are its last six.
constexpr std::size_t kHeaderTextStart = 8;
constexpr std::size_t kHeaderTail = 6;
// A few milliseconds between rounds: the progress still follows the script
// at once, and a long netsh command no longer costs the wait a good part of
// a core in rereading a file that has not changed.
constexpr DWORD kPollIntervalMs = 5;

std::string differencesReason(std::size_t count) {
  return store::FormatAnsi(kDifferencesReason, static_cast<unsigned long>(count));
}

SwitchOffer prepareOffer(const store::Context& ctx, const store::ProfileKey& slot,
                         const std::string& title) {
  SwitchOffer offer;
  offer.title = title;
  const std::string data = store::DataPath(slot);
  // A value that cannot be read leaves the default in place.
  DWORD remembered = kDefaultSteps;
  (void)store::ReadDwordValue(ctx, HKEY_LOCAL_MACHINE, data, "InitCheck", remembered);
  offer.rememberedSteps = remembered & kAllSteps;
  offer.interfaces = BuildInterfaceList(ctx, slot);
  std::string printer;
  if (store::ReadStringValue(ctx, HKEY_LOCAL_MACHINE, data, "DefPrinter", printer) == 0)
    offer.defaultPrinter = std::move(printer);
  return offer;
}

// One reading of the result file from its start.
struct ResultRound {
  int countedLines = 0;
  int position = 0;      // the number of the last header read, 0 before one
  int allLines = 0;      // every piece read, to notice that the file grows
  std::string lastLine;  // empty when the file could not be opened or is empty
};

ResultRound readResultFile(win::Files& files, const std::string& path) {
  ResultRound round;
  std::unique_ptr<win::TextFile> file = files.openText(path, win::TextMode::Read);
  if (!file) return round;
  std::string line;
  while (file->readLine(line, kLineBufferSize)) {
    ++round.allLines;
    round.lastLine = line;
    // Only a line break or "OK" makes a line a success line: anything else,
    // a NUL included, is a message line that the user finds in the result
    // viewer.
    const char first = line.empty() ? '\0' : line.front();
    if (first == '\n' || line.starts_with("OK")) continue;
    ++round.countedLines;
    // "%s %d %s": a header carries its section number as its second word.
    char word[kLineBufferSize];
    char rest[kLineBufferSize];
    int number = 0;
    if (std::sscanf(line.c_str(), "%255s %d %255s", word, &number, rest) >= 2)
      round.position = number;
  }
  (void)file->close();  // only read: nothing is lost
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
  if (info.hThread) (void)shell.CloseHandle(info.hThread);
  return info.hProcess;
}

// The network step after the script was written: a clean result file, the
// script started and followed to its end, then every ticked interface read
// back. The step took when the end line was reached and every interface
// holds what the script set; what netsh printed does not decide it (today's
// netsh prints nothing on success, and a message may be harmless). Why it
// did not take is added to the result file, for the result viewer.
StepReport runScript(const store::Context& ctx, const WorkFiles& files, const ScriptResult& script,
                     SwitchView& view, const SwitchOptions& options,
                     std::vector<std::string>& resultLines) {
  StepReport report{kStepNetwork, StepState::Failed, {}};
  win::Files& disk = ctx.machine.files();
  (void)disk.DeleteFileA(files.result.c_str());
  // A result file that outlived its deletion would show the previous
  // switch's end line, and the wait would take it for this one's.
  if (disk.exists(files.result)) {
    report.reason = win::ansiFromUtf8(kResultNotRemoved);
    return report;
  }

  win::Shell& shell = ctx.machine.shell();
  win::HANDLE process = startScript(shell, files.script);
  if (!process) {
    report.reason = win::ansiFromUtf8(kScriptNotStarted);
    return report;
  }
  view.setProgressRange(script.sectionCount);
  ScriptWait wait =
      WaitForScriptEnd(ctx.machine, files.result, process, view, options.stallTimeout);
  // A script that stopped making progress is ended, so that it cannot
  // change the machine after the switch was reported as failed.
  if (wait.ending == ScriptEnding::TimedOut) (void)shell.TerminateProcess(process, 1);
  (void)shell.CloseHandle(process);

  if (wait.ending == ScriptEnding::TimedOut) {
    resultLines.push_back(StallLine(options.stallTimeout));
    report.reason = resultLines.back();
  } else if (wait.ending == ScriptEnding::ProcessEnded) {
    report.reason = win::ansiFromUtf8(kScriptCutShort);
  }
  const std::vector<TcpipDifference> differences =
      CompareTcpip(script.targets, store::ReadLiveTcpip(ctx));
  if (!differences.empty()) {
    resultLines.push_back(DifferencesHeading());
    for (const TcpipDifference& difference : differences)
      resultLines.push_back(DifferenceLine(difference));
    if (report.reason.empty()) report.reason = differencesReason(differences.size());
  }
  AppendResultLines(disk, files.result, resultLines);
  if (report.reason.empty()) report.state = StepState::Applied;
  return report;
}

}  // namespace

// The profile is looked up again under the store lock, since another
// command may have moved it while the script ran.
bool RecordSwitch(const store::Context& outer, const std::string& title, bool succeeded,
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
      return {ScriptEnding::EndLine, round.countedLines};
    if (ended) return {ScriptEnding::ProcessEnded, round.countedLines};

    const Clock::time_point now = Clock::now();
    if (round.allLines != linesSeen) {
      linesSeen = round.allLines;
      lastGrowth = now;
    } else if (now - lastGrowth >= stallTimeout) {
      return {ScriptEnding::TimedOut, round.countedLines};
    }
    view.keepAlive();
    shell.Sleep(kPollIntervalMs);
  }
}

namespace {

// What the ticked steps came to.
struct AppliedSteps {
  bool started = false;  // false: stopped before anything was changed
  DWORD steps = 0;       // the steps that ran
  SwitchReport report;
};

// The ticked steps of `choice`, read from `source`: the printer, the proxy,
// the membership and then the script, each read back. The state they are
// about to change is kept as the undo state just before the first of them
// changes anything, so that a switch stopped before that keeps the earlier
// undo. `release` ends the store lock once the source has been read for
// every step.
AppliedSteps applySteps(const store::Context& ctx, const store::ProfileKey& source,
                        const SwitchOffer& offer, const SwitchChoice& choice, const UndoPlan& undo,
                        SwitchView& view, const SwitchOptions& options,
                        const std::function<void()>& release) {
  AppliedSteps applied;
  // A stored value that would add commands to the script stops the switch
  // before anything is changed.
  if (choice.steps & kStepNetwork) {
    if (auto unsafe = FindUnsafeValue(ctx, source, offer.interfaces, choice.tickedInterfaces)) {
      release();
      ReportUnsafeValue(ctx, *unsafe);
      return applied;
    }
  }
  // Once, before the first change. A state that cannot be kept leaves
  // nothing to undo; the switch the user asked for still runs.
  bool undoKept = !PlanChangesAnything(undo);
  auto keepUndo = [&] {
    if (!undoKept) KeepUndoState(ctx, undo);
    undoKept = true;
  };

  view.setBusy(true);
  SwitchReport& report = applied.report;
  if (choice.steps & kStepPrinter) {
    keepUndo();
    applied.steps |= kStepPrinter;
    report.steps.push_back(RunPrinterStep(ctx, source));
  }
  if (choice.steps & kStepProxy) {
    keepUndo();
    applied.steps |= kStepProxy;
    report.steps.push_back(RunProxyStep(ctx, source));
  }
  if (choice.steps & kStepDomain) {
    keepUndo();
    applied.steps |= kStepDomain;
    report.steps.push_back(RunMembershipStep(ctx, source));
  }

  if (choice.steps & kStepNetwork) {
    applied.steps |= kStepNetwork;
    ScriptResult script = WriteSwitchScript(ctx, source, offer.interfaces, choice.tickedInterfaces);
    release();
    if (script.status != ScriptStatus::Created) {
      // The message comes while the window still shows it is busy; the
      // busy state ends once it is answered.
      if (script.status == ScriptStatus::Unsafe && script.unsafe)
        ReportUnsafeValue(ctx, *script.unsafe);
      else
        store::ShowError(ctx, kScriptNotCreated);
      view.setBusy(false);
      return applied;
    }
    keepUndo();
    report.steps.push_back(runScript(ctx, WorkFilePaths(ctx.machine.system()), script, view,
                                     options, report.resultLines));
  }
  for (const StepReport& step : report.steps)
    if (step.step == kStepPrinter && step.state == StepState::Applied &&
        WindowsManagesDefaultPrinter(ctx))
      report.printerNote = PrinterManagedNote();

  release();
  view.setBusy(false);
  view.setStatusText({});
  applied.started = true;
  return applied;
}

// The end every switch shows: the report, the closing message, the
// printer note. `recorded` is false when the switch's record could not be
// written (the user was told), which fails the command as a whole.
SwitchOutcome closeSwitch(const store::Context& ctx, const SwitchReport& report, SwitchView& view,
                          bool recorded) {
  const bool succeeded = report.succeeded();
  view.showReport(report);
  if (!succeeded)
    store::ShowAnsiError(ctx, FailureMessage(report));
  else if (recorded)
    ctx.messageBox(win::ansiFromUtf8(kSucceeded), win::ansiFromUtf8(kInformationCaption),
                   MB_OK | MB_ICONINFORMATION);
  if (report.printerNote)
    ctx.messageBox(*report.printerNote, win::ansiFromUtf8(kInformationCaption),
                   MB_OK | MB_ICONINFORMATION);
  view.setProgress(0);
  if (!recorded) return SwitchOutcome::Failed;
  return succeeded ? SwitchOutcome::Succeeded : SwitchOutcome::Failed;
}

std::vector<std::string> tickedNames(const SwitchOffer& offer, const SwitchChoice& choice) {
  std::vector<std::string> names;
  for (std::size_t i = 0; i < offer.interfaces.size(); ++i)
    if (i < choice.tickedInterfaces.size() && choice.tickedInterfaces[i])
      names.push_back(offer.interfaces[i].name);
  return names;
}

}  // namespace

SwitchOutcome RunSwitch(const store::Context& ctx, const std::string& title, SwitchView& view,
                        const SwitchOptions& options) {
  const SwitchMutex running(ctx);
  if (!running.owned()) return SwitchOutcome::NotStarted;
  std::optional<int> index = store::LocateSelectedProfile(ctx, title);
  if (!index) return SwitchOutcome::NotStarted;

  const SwitchOffer offer = prepareOffer(ctx, *index + 1, title);
  const SwitchChoice choice = view.confirm(offer);
  if (!choice.confirmed) return SwitchOutcome::NotStarted;
  // Every step reads the profile where it is now, under the store lock.
  ConfirmedProfile profile(ctx, *index + 1, title);
  if (!profile.slot()) return SwitchOutcome::NotStarted;

  const UndoPlan undo{title, false, choice.steps & kAllSteps, tickedNames(offer, choice)};
  const AppliedSteps applied = applySteps(ctx, *profile.slot(), offer, choice, undo, view, options,
                                          [&profile] { profile.release(); });
  if (!applied.started) return SwitchOutcome::NotStarted;
  const bool succeeded = applied.report.succeeded();
  // The record comes before the closing message, so that the store already
  // holds it while the message waits for its answer. One that cannot be
  // written has said so (the switch was made, only its record is missing).
  const bool recorded = RecordSwitch(
      ctx, title, succeeded, choice.remember ? std::optional<DWORD>(applied.steps) : std::nullopt);
  if (succeeded) view.setAppliedTitle(title);
  return closeSwitch(ctx, applied.report, view, recorded);
}

SwitchOutcome RunUndo(const store::Context& ctx, SwitchView& view, const SwitchOptions& options) {
  const SwitchMutex running(ctx);
  if (!running.owned()) return SwitchOutcome::NotStarted;
  if (!UndoAvailable(ctx)) {
    ctx.messageBox(NothingToUndoMessage(), win::ansiFromUtf8(kInformationCaption),
                   MB_OK | MB_ICONINFORMATION);
    return SwitchOutcome::NotStarted;
  }
  const UndoSummary summary = ReadUndoSummary(ctx);
  SwitchOffer offer = prepareOffer(ctx, store::ProfileKey::At(store::kUndoKey), summary.title);
  offer.undo = true;
  offer.redo = summary.redo;
  SwitchChoice choice = view.confirm(offer);
  if (!choice.confirmed) return SwitchOutcome::NotStarted;
  // Only what the undo state holds can be changed back.
  choice.steps &= offer.rememberedSteps;

  // Applied from a copy, since the undo key is about to receive the state
  // this undo replaces: undoing twice returns to where the user was.
  if (!CopyUndoSource(ctx)) {
    RemoveUndoSource(ctx);
    store::ShowError(ctx, kUndoNotRead);
    return SwitchOutcome::NotStarted;
  }
  const UndoPlan undo{summary.title, !summary.redo, choice.steps, tickedNames(offer, choice)};
  const AppliedSteps applied = applySteps(ctx, store::ProfileKey::At(kUndoSourceKey), offer, choice,
                                          undo, view, options, [] {});
  RemoveUndoSource(ctx);
  if (!applied.started) return SwitchOutcome::NotStarted;
  // An undo is no use of a profile: no slot's count, selection or
  // remembered steps change.
  return closeSwitch(ctx, applied.report, view, true);
}

}  // namespace switching
