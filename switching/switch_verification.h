// How a switch learns whether it worked: every ticked step is read back
// from the live machine and compared with what it asked for, rather than
// trusted from what netsh or a call printed or returned. The differences
// are what the result viewer and verantu-cli show. Text is ANSI.
#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

#include "platform/files.h"
#include "store/context.h"
#include "store/live_tcpip.h"
#include "switching/switch_script.h"

namespace switching {

// One field of a ticked interface that does not hold what the script set.
struct TcpipDifference {
  std::string interfaceName;
  std::string field;  // "IPｱﾄﾞﾚｽ", "DNSｻｰﾊﾞ", …
  std::string asked;  // as shown: a comma list, "なし" for an empty one
  std::string found;
};
// Compares each target with the live interface of its connection name
// (matched without regard to case, as netsh matches it). Lists compare in
// order; a mask or metric list shorter than its partner repeats its last
// entry; metrics compare as numbers; blanks around values do not count. On
// DHCP only DHCP itself and the DNS servers are compared, since the address
// and gateways come from the DHCP server.
std::vector<TcpipDifference> CompareTcpip(const std::vector<InterfaceTarget>& targets,
                                          const std::vector<store::LiveTcpip>& live);
// The result-file line of a difference: the interface, the field, what was
// asked and what is there.
std::string DifferenceLine(const TcpipDifference& difference);
// The line that introduces the differences in the result file.
std::string DifferencesHeading();
// The line for a script given up after `stall` without progress (in whole
// seconds, rounded up).
std::string StallLine(std::chrono::milliseconds stall);

// Adds `lines` to the end of the result file (creating it when missing).
// False when it cannot be written.
bool AppendResultLines(win::Files& files, const std::string& path,
                       const std::vector<std::string>& lines);

// What became of one ticked step.
enum class StepState {
  Applied,  // it holds what was asked
  Skipped,  // there was nothing this machine could do, and that is no failure
  Failed,   // it does not hold what was asked
};
struct StepReport {
  win::DWORD step = 0;  // one kStep… bit
  StepState state = StepState::Applied;
  std::string reason;  // why it was skipped or failed; empty when applied
};
// The step's name as the confirmation dialog's box shows it.
std::string StepName(win::DWORD step);
// One line for verantu-cli: the step, and applied, skipped and why, or
// failed and why.
std::string StepLine(const StepReport& report);

// Everything a switch found, for the front ends to show besides the
// message box.
struct SwitchReport {
  std::vector<StepReport> steps;           // the ticked steps, in the order they ran
  std::vector<std::string> resultLines;    // the lines added to the result file
  std::optional<std::string> printerNote;  // said once after the switch, when set
  bool succeeded() const;
};
// The failure message: the network's own message when the network failed,
// and the other steps that did not take named after it.
std::string FailureMessage(const SwitchReport& report);

// The default printer as Windows reports it (GetDefaultPrinterA); nothing
// when there is none or it cannot be read.
std::optional<std::string> ReadBackDefaultPrinter(const store::Context& ctx);
// True on Windows 10 and later while "Let Windows manage my default
// printer" is on: Windows may then pick another default printer itself.
bool WindowsManagesDefaultPrinter(const store::Context& ctx);
// The note shown once after a switch that set the default printer there.
std::string PrinterManagedNote();

// The printer step: the profile's DefPrinter made the default and read
// back. A profile without a printer, or one whose printer is not installed
// here, is skipped.
StepReport RunPrinterStep(const store::Context& ctx, int slot);
// The proxy step: the profile's values written as one batch and read back.
StepReport RunProxyStep(const store::Context& ctx, int slot);
// The membership step: the join, then the membership read back.
StepReport RunMembershipStep(const store::Context& ctx, int slot);

}  // namespace switching
