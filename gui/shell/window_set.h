// Every window besides the main one. They are created once, after the main
// window and in the order of their numbers, and live until the program ends;
// each is shown modally when a command asks for it.
#pragma once

class QWidget;
namespace win {
class Machine;
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

}  // namespace app
