#include "gui/shell/window_set.h"

#include "gui/switching/confirmation_dialog.h"
#include "gui/switching/work_file_viewer.h"
#include "gui/views/address_dialogs.h"
#include "gui/views/live_view.h"
#include "gui/views/profile_editor.h"
#include "gui/views/proxy_editor.h"
#include "gui/views/proxy_view.h"
#include "gui/views/tcpip_details.h"
#include "gui/views/tcpip_editor.h"
#include "store/context.h"

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

void ConnectWindows(const WindowSet& windows, const store::Context& ctx, DialogRunner& dialogs,
                    std::function<std::string()> selectedTitle) {
  if (windows.form2) windows.form2->Attach(ctx, dialogs, windows.form13, windows.form9);
  // The profile editor loads the profile named in the selector.
  if (windows.form3)
    windows.form3->attach(ctx.machine, ctx.prompter, dialogs, windows.form10, windows.form14,
                          std::move(selectedTitle));
  if (windows.form14)
    windows.form14->attach(windows.form3, windows.form15, windows.form16, windows.form17,
                           ctx.prompter, dialogs);
}

QDialog* AsDialog(TForm2* window) {
  return window;
}

QDialog* AsDialog(TForm3* window) {
  return window;
}

QDialog* AsDialog(TForm4* window) {
  return window;
}

QDialog* AsDialog(TForm12* window) {
  return window;
}

}  // namespace app
