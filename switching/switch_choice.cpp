#include "switching/switch_choice.h"

#include "platform/code_page.h"
#include "switching/switch_flow.h"

namespace switching {

StepBoxes StepBoxesFromMask(win::DWORD mask) {
  StepBoxes boxes;
  boxes.network = (mask & kStepNetwork) != 0;
  boxes.printer = (mask & kStepPrinter) != 0;
  boxes.proxy = (mask & kStepProxy) != 0;
  boxes.domain = (mask & kStepDomain) != 0;
  return boxes;
}

win::DWORD MaskFromStepBoxes(const StepBoxes& boxes) {
  win::DWORD mask = 0;
  if (boxes.network) mask |= kStepNetwork;
  if (boxes.printer) mask |= kStepPrinter;
  if (boxes.proxy) mask |= kStepProxy;
  if (boxes.domain) mask |= kStepDomain;
  return mask;
}

std::string ConfirmationHeading(const std::string& ansiTitle) {
  return win::ansiFromUtf8("ﾈｯﾄﾜｰｸの設定を [ ") + ansiTitle +
         win::ansiFromUtf8(" ] に切り替えます。");
}

std::string PrinterCaption(const std::optional<std::string>& ansiPrinter) {
  if (!ansiPrinter) return {};
  return "[ " + *ansiPrinter + " ]";
}

}  // namespace switching
