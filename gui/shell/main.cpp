// verantu: the windowed program. Start-up checks, every window created in
// order, the message loop, and the single-instance mutex let go at the end.
#include <QApplication>
#include <QMessageBox>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <memory>
#include <string>

#include "gui/common/dialog_runner.h"
#include "gui/common/japanese_font.h"
#include "gui/common/qt_prompter.h"
#include "gui/common/qt_translations.h"
#include "gui/shell/main_window.h"
#include "gui/shell/tray_icon.h"
#include "gui/shell/window_set.h"
#include "store/startup.h"
#ifdef _WIN32
#include "platform/win32/win32_machine.h"
#else
#include "platform/emulated/emulated_machine.h"
#endif

namespace {

#ifdef _WIN32

// On Windows the program runs on the machine it was started on, and there is
// always a desktop to show the window on.
std::unique_ptr<win::Machine> openMachine() {
  return win32::openWin32Machine();
}

#else

bool hasDisplay() {
  for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
    const char* value = std::getenv(name);
    if (value && *value) return true;
  }
  return false;
}

// Elsewhere the program runs on the emulated machine named by VERANTU_MACHINE,
// and needs a display, which a login over ssh or a CI job may lack.
std::unique_ptr<win::Machine> openMachine() {
  std::string folder = emu::defaultMachineFolder();
  std::string error;
  std::unique_ptr<win::Machine> machine = emu::EmulatedMachine::open(folder, &error);
  if (!machine) {
    // A damaged machine is replaced by a new one, which loses every profile
    // kept in it: the way out names the export that saves them first.
    if (emu::EmulatedMachine::exists(folder) && error.find(" is damaged") != std::string::npos)
      error +=
          " (to start again, save the profiles with 'verantu-machine export -o FILE.reg', then "
          "'verantu-machine init --force' and 'verantu-machine import FILE.reg')";
    std::fprintf(stderr, "verantu: %s\n", error.c_str());
    return nullptr;
  }
  if (!hasDisplay()) {
    std::fprintf(stderr,
                 "verantu: no display to open the window on (DISPLAY and WAYLAND_DISPLAY are "
                 "unset); run it under a virtual display with 'xvfb-run -a verantu', or use "
                 "verantu-cli\n");
    return nullptr;
  }
  return machine;
}

#endif

// An exception that escapes a handler ends the message loop; it is shown
// once the loop has stopped, and the program then ends as after a close.
class Application : public QApplication {
 public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
      escaped_ = QString::fromLocal8Bit(error.what());
    } catch (...) {
      escaped_ = QStringLiteral("Unknown exception");
    }
    exit(0);
    return false;
  }

  const QString& escapedException() const { return escaped_; }

 private:
  QString escaped_;
};

}  // namespace

int main(int argc, char** argv) {
  // Read before the toolkit takes the arguments it knows out of argv.
  std::string commandLine = store::CommandLineText(argc, argv);

  std::unique_ptr<win::Machine> machine = openMachine();
  if (!machine) return 1;

  // The toolkit is needed for the message boxes of the start-up checks.
  Application application(argc, argv);
  application.setFont(app::JapaneseUiFont());
  // A missing translation leaves Qt's buttons in English; the program still
  // works.
  app::InstallQtTranslations(application);
  app::QtPrompter prompter;

  store::StartupResult startup = store::RunStartupChecks(*machine, prompter, commandLine);
  if (!startup.proceed) return startup.exitCode;

  // The title goes into applicationName, not applicationDisplayName, which
  // Qt would append to every dialog's caption.
  application.setApplicationName(QStringLiteral("Verantu!"));
  // A help file of the old kind; nothing opens it (the Help menu opens the
  // PDF manual).
  application.setProperty("helpFile", QStringLiteral("C:\\Program Files\\Verantu\\VERANTU.HLP"));

  app::DialogRunner dialogs;
  TForm1 mainWindow(*machine, prompter, dialogs);
  mainWindow.show();
  mainWindow.setWindows(app::CreateOtherWindows(&mainWindow, *machine));
  app::TrayIcon tray(mainWindow);

  application.exec();
  if (!application.escapedException().isEmpty())
    QMessageBox::critical(nullptr, application.applicationName(), application.escapedException());

  store::ReleaseSingleInstance(*machine, startup.mutex);
  return 0;
}
