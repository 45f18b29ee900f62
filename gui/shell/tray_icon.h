// The notification-area icon while the main window runs: its tooltip names
// the profile applied last, its menu switches to any profile exactly as the
// switch button does, and it watches the network, offering (or switching
// to) the profile whose marks match the place the notebook was carried to.
#pragma once

#include <QMenu>
#include <QObject>
#include <QTimer>

#include <string>

#include "switching/network_match.h"

class QSystemTrayIcon;
class TForm1;

namespace app {

// The icon's menu: the profiles in slot order (the one applied last
// ticked), then the main window and 終了. Rebuilt from the store each time
// it opens.
class TrayMenu : public QMenu {
  Q_OBJECT

 public:
  explicit TrayMenu(TForm1& window, QWidget* parent = nullptr);
  void refresh();

 private:
  TForm1& window_;
};

class TrayIcon : public QObject {
  Q_OBJECT

 public:
  // How often the network is looked at when Windows does not say it
  // changed: often enough to notice a move within seconds, seldom enough to
  // cost nothing while idle.
  static constexpr int kPollIntervalMs = 4000;

  // Shows the icon and starts watching the network when the system has a
  // notification area; otherwise does nothing at all, and the window keeps
  // behaving as it does without an icon.
  explicit TrayIcon(TForm1& window);
  ~TrayIcon() override;

  bool shown() const { return icon_ != nullptr; }
  QString toolTip() const;

 public slots:
  // One look at the network; acts on what it finds.
  void checkNetwork();

 private:
  void updateToolTip();
  void offer(const std::string& ansiTitle);

  TForm1& window_;
  TrayMenu* menu_ = nullptr;
  QSystemTrayIcon* icon_ = nullptr;
  QTimer poll_;
  switching::NetworkWatch watch_;
  std::string offered_;  // the title the last message offered, ANSI
};

}  // namespace app
