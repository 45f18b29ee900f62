// The switch as the main window shows it: the confirmation dialog, the busy
// indicator and cursor, the progress bar, the status bar and the label of
// the profile applied last.
#pragma once

#include <QColor>

#include <memory>

#include "gui/common/dialog_runner.h"
#include "switching/switch_flow.h"

class QLabel;
class QProgressBar;
class TForm11;

namespace app {

// The indicator's colours: grey while idle, red while a switch runs.
inline const QColor kIdleIndicator{128, 128, 128};
inline const QColor kBusyIndicator{255, 0, 0};
void SetIndicatorColour(QLabel& indicator, const QColor& colour);

// The status bar's text while nothing is going on.
inline constexpr const char* kNormalStatusText = "Verantu!";

class WindowSwitchView : public switching::SwitchView {
 public:
  struct Widgets {
    QWidget* window = nullptr;  // the main window; it takes no input while busy
    QLabel* indicator = nullptr;
    QProgressBar* progress = nullptr;
    QLabel* status = nullptr;
    QLabel* appliedTitle = nullptr;
  };
  // `dialog` may be null, which declines every switch.
  WindowSwitchView(const Widgets& widgets, TForm11* dialog, DialogRunner& dialogs);
  // Leaves the busy state if the switch did not.
  ~WindowSwitchView() override;

  switching::SwitchChoice confirm(const switching::SwitchOffer& offer) override;
  void setBusy(bool busy) override;
  void setProgressRange(int maximum) override;
  void setProgress(int position) override;
  void setStatusText(const std::string& ansiText) override;
  void setAppliedTitle(const std::string& ansiTitle) override;
  void keepAlive() override;

 private:
  class InputBlocker;
  void repaintWindow();

  Widgets widgets_;
  TForm11* dialog_;
  DialogRunner& dialogs_;
  std::unique_ptr<InputBlocker> blocker_;  // present while busy
};

}  // namespace app
