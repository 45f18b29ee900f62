// TForm3, the detail editor of one stored profile: per interface the
// address, mask, gateway and DNS fields and the DHCP or static kind, the
// default printer, the proxy settings and the membership. The main window
// opens it modally; each opening reloads the profile named in the main
// window's selector, and nothing is written until the user saves. It owns
// the interface working set, which the advanced TCP/IP editor (TForm14)
// changes while it is open, and shares the proxy editing state of the proxy
// editor (TForm10).
#pragma once

#include <QDialog>

#include <functional>
#include <memory>
#include <string>

#include "gui/common/dialog_runner.h"
#include "platform/machine.h"
#include "platform/prompter.h"
#include "store/context.h"
#include "views/profile_data.h"
#include "views/tcpip_lists.h"

class TForm10;
class TForm14;

namespace Ui {
class TForm3;
}

class TForm3 : public QDialog, public views::TcpipEditorHost {
  Q_OBJECT

 public:
  explicit TForm3(QWidget* parent = nullptr);
  ~TForm3() override;

  // What the editor works with: the machine and its message boxes, the
  // runner that shows the windows it opens, those windows, and the title
  // of the profile to open (the main window's selector text, ANSI).
  void attach(win::Machine& machine, win::Prompter& prompter, app::DialogRunner& dialogs,
              TForm10* proxyEditor, TForm14* tcpipEditor,
              std::function<std::string()> selectedTitle);

  // The interface working set and the fields of the shown interface, for
  // the advanced TCP/IP editor.
  views::WorkingSet& workingSet() override { return *workingSet_; }
  views::AddressBoxes addressBoxes() const override;
  void setAddressBoxes(const views::AddressBoxes& boxes) override;
  // The shown interface's index, -1 without interfaces.
  int currentTab() const override;

  // Key filters (see views::FilterKey): Edit5, Edit6 and Edit7 take digits
  // and "."; Edit8 also ","; the proxy port Edit9 digits only.
  char Edit5KeyPress(char key);
  char Edit8Press(char key);
  char Edit9KeyPress(char key);

 public slots:
  // Runs each time the window opens: finds the profile and loads it.
  void Show();
  // Before and after the tab changes.
  void Changing();
  void Change();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void CheckBox1Click();

 protected:
  void showEvent(QShowEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  store::Context context();
  views::ProxyEditState& proxyState();
  void showProxyState();
  void tabChanged(int index);

  std::unique_ptr<Ui::TForm3> ui_;
  win::Machine* machine_ = nullptr;
  win::Prompter* prompter_ = nullptr;
  app::DialogRunner* dialogs_ = nullptr;
  TForm10* proxyEditor_ = nullptr;
  TForm14* tcpipEditor_ = nullptr;
  std::function<std::string()> selectedTitle_;

  std::unique_ptr<views::WorkingSet> workingSet_;
  views::ProfileContents contents_;  // slot 0 until a profile is loaded
  int shownTab_ = -1;                // the tab whose fields Edit5..Edit8 show
  // Used only while no proxy editor is attached.
  views::ProxyEditState ownProxyState_;
};
