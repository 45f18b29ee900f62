#include "gui/shell/switch_view.h"

#include <QApplication>
#include <QLabel>
#include <QProgressBar>
#include <QWindow>

#include <algorithm>

#include "gui/common/qt_text.h"
#include "gui/switching/confirmation_dialog.h"

namespace app {

void SetIndicatorColour(QLabel& indicator, const QColor& colour) {
  QPalette palette = indicator.palette();
  palette.setColor(QPalette::WindowText, colour);
  indicator.setPalette(palette);
}

// While a switch runs the main window takes no input: clicks, keys and close
// requests aimed at it are dropped, so that nothing the user does meanwhile
// starts a second command once the switch ends. Message boxes that the
// switch raises are windows of their own and work as usual.
class WindowSwitchView::InputBlocker : public QObject {
 public:
  explicit InputBlocker(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
  ~InputBlocker() override { qApp->removeEventFilter(this); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (!event->isInputEvent() && type != QEvent::Close && type != QEvent::Shortcut) return false;
    if (!belongsToWindow(watched)) return false;
    // A refused close must be ignored, or the window would close all the
    // same; an accepted shortcut override keeps a key from any shortcut.
    if (type == QEvent::Close)
      event->ignore();
    else
      event->accept();
    return true;
  }

 private:
  bool belongsToWindow(QObject* object) const {
    if (!window_) return false;
    if (object->isWindowType()) return object == window_->windowHandle();
    for (; object; object = object->parent())
      if (object->isWidgetType()) return static_cast<QWidget*>(object)->window() == window_;
    return false;
  }

  QWidget* window_;
};

WindowSwitchView::WindowSwitchView(const Widgets& widgets, TForm11* dialog, DialogRunner& dialogs)
    : widgets_(widgets), dialog_(dialog), dialogs_(dialogs) {}

WindowSwitchView::~WindowSwitchView() {
  setBusy(false);
}

switching::SwitchChoice WindowSwitchView::confirm(const switching::SwitchOffer& offer) {
  if (!dialog_) return {};
  dialog_->prepare(offer);
  const int result = dialogs_.run(*dialog_);
  switching::SwitchChoice choice = dialog_->choice();
  choice.confirmed = result == TForm11::kYesResult;
  return choice;
}

void WindowSwitchView::setBusy(bool busy) {
  if (busy == bool(blocker_)) return;
  if (busy) {
    blocker_ = std::make_unique<InputBlocker>(widgets_.window);
    SetIndicatorColour(*widgets_.indicator, kBusyIndicator);
    repaintWindow();
    QApplication::setOverrideCursor(Qt::WaitCursor);
  } else {
    SetIndicatorColour(*widgets_.indicator, kIdleIndicator);
    widgets_.status->setText(QString::fromLatin1(kNormalStatusText));
    QApplication::restoreOverrideCursor();
    // Input that queued up during the switch is delivered now, while the
    // blocker still drops it; the window repaints on the way.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    blocker_.reset();
  }
}

void WindowSwitchView::setProgressRange(int maximum) {
  // A bar whose range is 0..0 shows a moving busy pattern instead of an
  // empty bar, so a script without sections gets 0..1.
  widgets_.progress->setRange(0, std::max(maximum, 1));
  repaintWindow();
}

void WindowSwitchView::setProgress(int position) {
  // Out of range the bar would keep its old position; it stops at its ends
  // instead.
  widgets_.progress->setValue(
      std::clamp(position, widgets_.progress->minimum(), widgets_.progress->maximum()));
  repaintWindow();
}

void WindowSwitchView::setStatusText(const std::string& ansiText) {
  widgets_.status->setText(ansiText.empty() ? QString::fromLatin1(kNormalStatusText)
                                            : fromAnsi(ansiText));
  repaintWindow();
}

void WindowSwitchView::setAppliedTitle(const std::string& ansiTitle) {
  widgets_.appliedTitle->setText(fromAnsi(ansiTitle));
}

// Also while nothing changes: a window that handles no messages for a few
// seconds is marked as not responding.
void WindowSwitchView::keepAlive() {
  repaintWindow();
}

// The switch waits on this thread, so the window paints only here. User
// input stays queued (and is dropped when the switch ends).
void WindowSwitchView::repaintWindow() {
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace app
