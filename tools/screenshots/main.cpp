// verantu-screenshots OUTDIR: opens the program's windows on the machine at
// $VERANTU_MACHINE and saves a PNG of each into OUTDIR. The windows are
// reached through the main window's own commands, with a dialog runner that
// photographs a dialog and closes it instead of waiting for the user, so the
// pictures show what the program shows: the switch question declined with
// No, the profile editor and the live view closed unchanged.
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QThread>
#include <QWindow>

#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "gui/common/dialog_runner.h"
#include "gui/common/japanese_font.h"
#include "gui/shell/main_window.h"
#include "gui/shell/window_set.h"
#include "platform/code_page.h"
#include "platform/emulated/emulated_machine.h"

namespace {

// The windows photographed, by class, and their file names.
const std::map<std::string, QString> kShots = {
    {"TForm1", QStringLiteral("main-window.png")},
    {"TForm11", QStringLiteral("switch-confirmation.png")},
    {"TForm3", QStringLiteral("profile-editor.png")},
    {"TForm2", QStringLiteral("live-view.png")},
};

// Lets the window be mapped, laid out and painted before it is grabbed.
void settle(QWidget& window) {
  QElapsedTimer timer;
  timer.start();
  while (timer.elapsed() < 2000) {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    if (window.windowHandle() && window.windowHandle()->isExposed() && timer.elapsed() > 300) break;
    QThread::msleep(10);
  }
  QCoreApplication::processEvents();
}

class Camera {
 public:
  explicit Camera(QDir folder) : folder_(std::move(folder)) {}

  void shoot(QWidget& window) {
    const std::string name = window.metaObject()->className();
    auto shot = kShots.find(name);
    if (shot == kShots.end()) return;
    settle(window);
    const QString path = folder_.filePath(shot->second);
    if (!window.grab().save(path, "PNG")) {
      failures_.push_back("cannot write " + path.toStdString());
      return;
    }
    taken_.insert(name);
    std::printf("%s: %s\n", name.c_str(), path.toUtf8().constData());
  }

  // Complaints about the shots that are missing or failed; empty when all
  // were taken.
  std::vector<std::string> problems() const {
    std::vector<std::string> all = failures_;
    for (const auto& [name, file] : kShots)
      if (!taken_.count(name)) all.push_back(name + " was not shown (" + file.toStdString() + ")");
    return all;
  }

  void fail(std::string what) { failures_.push_back(std::move(what)); }

 private:
  QDir folder_;
  std::set<std::string> taken_;
  std::vector<std::string> failures_;
};

// Shows the dialog, photographs it and closes it with Cancel (No for the
// switch question), as if the user had looked and closed it.
class ShootingRunner : public app::DialogRunner {
 public:
  explicit ShootingRunner(Camera& camera) : camera_(camera) {}

  int run(QDialog& dialog) override {
    dialog.show();
    camera_.shoot(dialog);
    dialog.hide();
    return QDialog::Rejected;
  }

 private:
  Camera& camera_;
};

// Any message box means a window did not find what it should show (no
// profile, an unreadable machine); it is answered No and reported.
class ReportingPrompter : public win::Prompter {
 public:
  explicit ReportingPrompter(Camera& camera) : camera_(camera) {}

  int messageBox(win::HWND, const std::string& text, const std::string& caption,
                 win::UINT) override {
    camera_.fail("message box \"" + win::ansiToUtf8(caption) + "\": " + win::ansiToUtf8(text));
    return IDNO;
  }

 private:
  Camera& camera_;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  application.setFont(app::JapaneseUiFont());
  application.setApplicationName(QStringLiteral("Verantu!"));
  const QStringList args = QCoreApplication::arguments();
  if (args.size() != 2) {
    std::fprintf(stderr, "usage: verantu-screenshots OUTDIR   (machine: $VERANTU_MACHINE)\n");
    return 2;
  }
  QDir folder(args.at(1));
  if (!folder.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "verantu-screenshots: cannot create %s\n",
                 args.at(1).toUtf8().constData());
    return 1;
  }
  std::string error;
  auto machine = emu::EmulatedMachine::open(emu::defaultMachineFolder(), &error);
  if (!machine) {
    std::fprintf(stderr, "verantu-screenshots: %s\n", error.c_str());
    return 1;
  }

  Camera camera(folder);
  ReportingPrompter prompter(camera);
  ShootingRunner runner(camera);
  // Built as the program builds them: the main window first, then the rest.
  TForm1 mainWindow(*machine, prompter, runner);
  mainWindow.show();
  mainWindow.setWindows(app::CreateOtherWindows(&mainWindow, *machine));
  camera.shoot(mainWindow);

  // The selector shows the profile captured last; each command works on it.
  mainWindow.SpeedButton1Click();
  mainWindow.Button3Click();
  mainWindow.Button4Click();

  const std::vector<std::string> problems = camera.problems();
  for (const std::string& problem : problems)
    std::fprintf(stderr, "verantu-screenshots: %s\n", problem.c_str());
  return problems.empty() ? 0 : 1;
}
