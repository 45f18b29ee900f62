// The confirmation dialog's logic: the remembered step mask and the four
// step boxes, and the texts it shows for a profile.
#include "switching/switch_choice.h"

#include <gtest/gtest.h>

#include "platform/code_page.h"
#include "switching/switch_flow.h"

namespace {

using switching::MaskFromStepBoxes;
using switching::StepBoxes;
using switching::StepBoxesFromMask;

TEST(SwitchChoiceTest, RememberedMaskTicksItsStepsOnly) {
  // The default: network, printer and proxy, but not the membership.
  EXPECT_EQ(StepBoxesFromMask(switching::kDefaultSteps), (StepBoxes{true, true, true, false}));
  EXPECT_EQ(StepBoxesFromMask(8), (StepBoxes{false, false, false, true}));
  EXPECT_EQ(StepBoxesFromMask(0), StepBoxes{});
  // Bits beyond the four steps mean nothing.
  EXPECT_EQ(StepBoxesFromMask(0xFFFFFFF0), StepBoxes{});
  EXPECT_EQ(StepBoxesFromMask(0x105), (StepBoxes{true, false, true, false}));
}

TEST(SwitchChoiceTest, TickedBoxesGiveBackTheMaskWithoutOtherBits) {
  for (win::DWORD mask = 0; mask < 16; ++mask)
    EXPECT_EQ(MaskFromStepBoxes(StepBoxesFromMask(mask)), mask) << mask;
  EXPECT_EQ(MaskFromStepBoxes(StepBoxesFromMask(0xFFFFFFFF)), 15u);
  EXPECT_EQ(MaskFromStepBoxes({false, true, false, true}),
            switching::kStepPrinter | switching::kStepDomain);
}

TEST(SwitchChoiceTest, HeadingAndPrinterNameTheProfile) {
  EXPECT_EQ(win::ansiToUtf8(switching::ConfirmationHeading(win::ansiFromUtf8("本社 LAN"))),
            "ﾈｯﾄﾜｰｸの設定を [ 本社 LAN ] に切り替えます。");
  const std::string printer = win::ansiFromUtf8("ｷﾔﾉﾝ LBP-1310");
  EXPECT_EQ(switching::PrinterCaption(printer), "[ " + printer + " ]");
  // An empty stored name still shows its brackets; only a missing one shows
  // nothing.
  EXPECT_EQ(switching::PrinterCaption(std::string()), "[  ]");
  EXPECT_EQ(switching::PrinterCaption(std::nullopt), "");
}

}  // namespace
