#include "app/window_set.h"

#include "switching/confirmation_dialog.h"
#include "switching/result_viewer.h"
#include "switching/script_viewer.h"
#include "views/address_dialogs.h"
#include "views/live_view.h"
#include "views/profile_editor.h"
#include "views/proxy_editor.h"
#include "views/proxy_view.h"
#include "views/tcpip_details.h"
#include "views/tcpip_editor.h"

namespace app {

WindowSet CreateOtherWindows(QWidget* mainWindow, win::Machine& machine) {
  WindowSet windows;
  windows.form2 = new TForm2(mainWindow);
  windows.form3 = new TForm3(mainWindow);
  windows.form4 = new TForm4(machine, mainWindow);
  windows.form9 = new TForm9(mainWindow);
  windows.form10 = new TForm10(mainWindow);
  windows.form11 = new TForm11(mainWindow);
  windows.form12 = new TForm12(machine, mainWindow);
  windows.form13 = new TForm13(mainWindow);
  windows.form14 = new TForm14(mainWindow);
  windows.form15 = new TForm15(mainWindow);
  windows.form16 = new TForm16(mainWindow);
  windows.form17 = new TForm17(mainWindow);
  return windows;
}

}  // namespace app
