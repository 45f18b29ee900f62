// Every window besides the main one. They are created once, after the main
// window and in the order of their numbers, and live until the program ends;
// each is shown modally when a command asks for it.
#pragma once

#include <functional>
#include <string>

class QDialog;
class QWidget;
namespace win {
class Machine;
}
namespace store {
struct Context;
}
class TForm2;
class TForm3;
class TForm4;
class TForm9;
class TForm10;
class TForm11;
class TForm12;
class TForm13;
class TForm14;
class TForm15;
class TForm16;
class TForm17;

namespace app {

struct WindowSet {
  TForm2* form2 = nullptr;
  TForm3* form3 = nullptr;
  TForm4* form4 = nullptr;
  TForm9* form9 = nullptr;
  TForm10* form10 = nullptr;
  TForm11* form11 = nullptr;
  TForm12* form12 = nullptr;
  TForm13* form13 = nullptr;
  TForm14* form14 = nullptr;
  TForm15* form15 = nullptr;
  TForm16* form16 = nullptr;
  TForm17* form17 = nullptr;
};

// Creates the windows with `mainWindow` as their parent, which owns them;
// those that read the machine's files get `machine`.
WindowSet CreateOtherWindows(QWidget* mainWindow, win::Machine& machine);

class DialogRunner;

// Introduces the windows to those they open and to what they share with the
// main window: its machine and message boxes (`ctx`), the runner that shows
// every dialog, and the title in its profile selector.
void ConnectWindows(const WindowSet& windows, const store::Context& ctx, DialogRunner& dialogs,
                    std::function<std::string()> selectedTitle);

// The windows the main window opens itself, as the dialogs they are.
QDialog* AsDialog(TForm2* window);
QDialog* AsDialog(TForm3* window);
QDialog* AsDialog(TForm4* window);
QDialog* AsDialog(TForm12* window);

}  // namespace app
