// TForm1, the main window: the profile applied last, the profile selector,
// the switch button and the menu from which every other window is opened.
#pragma once

#include <QMainWindow>

#include <memory>
#include <string>

#include "gui/common/dialog_runner.h"
#include "gui/shell/window_set.h"
#include "store/context.h"
#include "store/profile_selector.h"

class QLabel;

namespace Ui {
class TForm1;
}

class TForm1 : public QMainWindow {
  Q_OBJECT

 public:
  // Reads the store and fills the selector before the window is shown.
  TForm1(win::Machine& machine, win::Prompter& prompter, app::DialogRunner& dialogs,
         QWidget* parent = nullptr);
  ~TForm1() override;

  // The windows the commands open; they are created after this one.
  // Gives each of them what it reads and the windows it opens.
  void setWindows(const app::WindowSet& windows);
  const app::WindowSet& windows() const { return windows_; }

  // The status bar's single panel, which the switch writes its progress into.
  QString statusText() const;
  void setStatusText(const QString& text);

 public slots:
  void Export1Click();
  void Import1Click();
  void X1Click();
  void Option1Click();
  void Delete1Click();
  void N1Click();
  void B1Click();
  void Contents1Click();
  void S1Click();
  void Button3Click();
  void Button4Click();
  void SpeedButton1Click();

 private:
  // ComboBox1 as the capture and deletion commands change it.
  class Selector : public store::ProfileSelector {
   public:
    explicit Selector(TForm1& window) : window_(window) {}
    void appendItem(const std::string& ansiTitle) override;
    void removeItem(const std::string& ansiTitle) override;
    void clear() override;
    void setText(const std::string& ansiText) override;

   private:
    TForm1& window_;
  };

  // True, after telling the user, when the selector's text holds a
  // character the code page lacks.
  bool refuseUnstorableTitle();
  QString chooseProfileFile(int acceptMode, const QString& suggestedName);
  std::string selectorText() const;
  void setSelectorText(const std::string& ansi);
  void appendSelectorItem(const std::string& ansi);
  void removeSelectorItem(const std::string& ansi);
  void showModalWhileRetried(QDialog* dialog);

  std::unique_ptr<Ui::TForm1> ui_;
  QLabel* statusPanel_ = nullptr;
  win::Machine& machine_;
  app::DialogRunner& dialogs_;
  store::Context ctx_;
  app::WindowSet windows_;
  Selector selector_{*this};
};
