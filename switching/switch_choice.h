// What the confirmation dialog shows before a switch and how its step boxes
// map to the step mask, kept apart from the widgets so that the mapping can
// be checked without a window.
#pragma once

#include <optional>
#include <string>

#include "platform/win_types.h"

namespace switching {

// The four step boxes of the dialog: network, default printer, proxy, and
// domain or workgroup.
struct StepBoxes {
  bool network = false;
  bool printer = false;
  bool proxy = false;
  bool domain = false;
  bool operator==(const StepBoxes&) const = default;
};

// The boxes a remembered mask ticks. Bits other than the four steps mean
// nothing and are ignored.
StepBoxes StepBoxesFromMask(win::DWORD mask);
// The mask of the ticked boxes; it never holds any other bit.
win::DWORD MaskFromStepBoxes(const StepBoxes& boxes);

// The dialog's heading for the profile `ansiTitle`, in ANSI.
std::string ConfirmationHeading(const std::string& ansiTitle);
// The printer shown beside the printer box: "[ name ]" (an empty stored
// name gives "[  ]"), or nothing for a profile without a DefPrinter value.
std::string PrinterCaption(const std::optional<std::string>& ansiPrinter);

}  // namespace switching
