// TForm14, the advanced TCP/IP editor: the address and mask list, the
// gateway and metric list, the DNS servers in order of use and the
// interface metric of one interface of the profile open in the profile
// editor (TForm3, reached through views::TcpipEditorHost). The profile editor sets `Tag` to the
// interface's index and opens it modally. It works on the profile editor's working set and its
// address, mask, gateway and DNS fields; nothing reaches the registry before the profile editor
// saves. The entry dialogs (TForm15 to TForm17) change its lists while it is open.
#pragma once

#include <QDialog>

#include <memory>

#include "gui/common/dialog_runner.h"
#include "platform/prompter.h"
#include "views/tcpip_lists.h"

class QListWidget;
class TForm15;
class TForm16;
class TForm17;

namespace views {
class EntryDialog;
}

namespace Ui {
class TForm14;
}

class TForm14 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm14(QWidget* parent = nullptr);
  ~TForm14() override;

  void attach(views::TcpipEditorHost* profileEditor, TForm15* addressDialog, TForm16* gatewayDialog,
              TForm17* dnsDialog, win::Prompter& prompter, app::DialogRunner& dialogs);

  // The index of the interface in the working set.
  void setTag(int tag) { tag_ = tag; }
  int tag() const { return tag_; }

  // The interface metric field's key filter: digits only.
  char Edit1KeyPress(char key);

 public slots:
  // Runs each time the window opens: fills the lists.
  void Show();
  void Button1Click();
  void Button2Click();
  void Button3Click();
  void Button4Click();
  void Button5Click();
  void Button6Click();
  void Button7Click();
  void Button8Click();
  void Button9Click();
  void CheckBox1Click();
  void BitBtn1Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void addItem(QListWidget* list, views::EntryDialog* dialog);
  // The selected row, or -1 after telling the user to select one.
  int selectedRow(QListWidget* list);
  void editItem(QListWidget* list, views::EntryDialog* dialog);
  void removeItem(QListWidget* list);
  void showMetricState(bool automatic);
  int messageBox(const char* utf8Text, const char* utf8Caption, win::UINT flags);

  std::unique_ptr<Ui::TForm14> ui_;
  views::TcpipEditorHost* profileEditor_ = nullptr;
  TForm15* addressDialog_ = nullptr;
  TForm16* gatewayDialog_ = nullptr;
  TForm17* dnsDialog_ = nullptr;
  win::Prompter* prompter_ = nullptr;
  app::DialogRunner* dialogs_ = nullptr;
  int tag_ = 0;
};
