#include "gui/shell/tray_icon.h"

#include <QApplication>
#include <QSystemTrayIcon>

#include "gui/common/qt_text.h"
#include "gui/shell/main_window.h"
#include "gui/shell/pictures.h"
#include "store/profile_store.h"

namespace app {

TrayMenu::TrayMenu(TForm1& window, QWidget* parent) : QMenu(parent), window_(window) {
  setObjectName("TrayMenu");
  connect(this, &QMenu::aboutToShow, this, &TrayMenu::refresh);
  refresh();
}

void TrayMenu::refresh() {
  clear();
  const store::Context& ctx = window_.context();
  int slotCount = 0;
  win::DWORD comboActive = 0;
  // A store that cannot be read offers no profile.
  (void)store::ReadStoreInfo(ctx, slotCount, comboActive);
  const QString applied = window_.appliedTitle();
  bool ticked = false;
  for (const std::string& title : store::FillProfileSelector(ctx, slotCount, -1).titles) {
    const QString text = fromAnsi(title);
    // A title's "&" is shown, not taken for a keyboard shortcut.
    QAction* action = addAction(QString(text).replace('&', QStringLiteral("&&")));
    action->setCheckable(true);
    // Only the first of two equal titles is the profile a switch applies.
    if (!ticked && text == applied) action->setChecked(ticked = true);
    connect(action, &QAction::triggered, this, [this, title] { window_.switchTo(title); });
  }
  addSeparator();
  QAction* open = addAction(QStringLiteral("Verantu! を開く(&O)"));
  open->setObjectName("TrayOpen");
  connect(open, &QAction::triggered, &window_, &TForm1::showFromTray);
  QAction* undo = addAction(QStringLiteral("直前の切り替えを元に戻す(&U)"));
  undo->setObjectName("TrayUndo");
  undo->setEnabled(window_.undoAvailable());
  connect(undo, &QAction::triggered, &window_, &TForm1::Undo1Click);
  addSeparator();
  QAction* quit = addAction(QStringLiteral("終了"));
  quit->setObjectName("TrayQuit");
  connect(quit, &QAction::triggered, &window_, &TForm1::quitProgram);
}

TrayIcon::TrayIcon(TForm1& window) : window_(window) {
  if (!QSystemTrayIcon::isSystemTrayAvailable()) return;
  menu_ = new TrayMenu(window_, &window_);
  icon_ = new QSystemTrayIcon(QIcon(SwitchGlyph(32)), this);
  icon_->setContextMenu(menu_);
  updateToolTip();
  connect(icon_, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason why) {
    if (why == QSystemTrayIcon::DoubleClick || why == QSystemTrayIcon::Trigger)
      window_.showFromTray();
  });
  connect(icon_, &QSystemTrayIcon::messageClicked, this, [this] {
    if (!offered_.empty()) window_.switchTo(offered_);
  });
  connect(&window_, &TForm1::switchStarting, this, [this] { watch_.switchStarted(); });
  connect(&window_, &TForm1::switchFinished, this, [this] {
    watch_.switchEnded(switching::NetworkWatch::Clock::now());
    updateToolTip();
  });
  icon_->show();
  window_.setTrayShown(true);

  poll_.setInterval(kPollIntervalMs);
  // The poll is not time-critical; the system may batch it with other
  // wake-ups.
  poll_.setTimerType(Qt::VeryCoarseTimer);
  connect(&poll_, &QTimer::timeout, this, &TrayIcon::checkNetwork);
  poll_.start();
}

TrayIcon::~TrayIcon() {
  window_.setTrayShown(false);
}

QString TrayIcon::toolTip() const {
  return QStringLiteral("Verantu! - ") + window_.appliedTitle();
}

void TrayIcon::updateToolTip() {
  if (icon_) icon_->setToolTip(toolTip());
}

void TrayIcon::checkNetwork() {
  // A switch or a dialog in progress owns the screen; the network is looked
  // at again on the next round.
  if (QApplication::activeModalWidget()) return;
  std::optional<switching::NetworkSuggestion> suggestion =
      switching::CheckNetwork(window_.context(), watch_, switching::NetworkWatch::Clock::now());
  if (!suggestion) return;
  const switching::ProfileMatch& profile = suggestion->profile;
  switch (profile.action) {
    case store::MatchAction::Offer:
      offer(profile.title);
      break;
    case store::MatchAction::SwitchAfterConfirmation:
      window_.switchTo(profile.title);
      break;
    case store::MatchAction::SwitchWithoutConfirmation:
      window_.switchTo(profile.title, true);
      break;
  }
}

void TrayIcon::offer(const std::string& ansiTitle) {
  offered_ = ansiTitle;
  if (icon_)
    icon_->showMessage(QStringLiteral("Verantu!"), fromAnsi(switching::OfferText(ansiTitle)),
                       QSystemTrayIcon::Information);
}

}  // namespace app
