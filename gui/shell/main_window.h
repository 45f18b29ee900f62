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

class QAction;
class QCloseEvent;
class QLabel;

namespace app {
class MarksDialog;
}

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

  // What the notification-area icon works with: the store as the window's
  // commands see it, and the title of the profile applied last (Label1).
  const store::Context& context() const { return ctx_; }
  QString appliedTitle() const;
  // The switch button's command for `ansiTitle`, which the selector shows
  // first. `withoutConfirmation` answers the confirmation dialog with the
  // profile's remembered steps and every interface. Nothing happens while a
  // switch or another modal window is open.
  void switchTo(const std::string& ansiTitle, bool withoutConfirmation = false);
  // Set by the notification-area icon while it is shown: only then may
  // closing the window leave the program running there.
  void setTrayShown(bool shown) { trayShown_ = shown; }
  // Shows the window again from the notification area.
  void showFromTray();
  // Ends the program, whatever the option says.
  void quitProgram();

 signals:
  void switchStarting();
  void switchFinished();

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
  void Marks1Click();
  void StayInTray1Click();

 protected:
  void closeEvent(QCloseEvent* event) override;

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
  void runSwitch(bool withoutConfirmation);

  std::unique_ptr<Ui::TForm1> ui_;
  QLabel* statusPanel_ = nullptr;
  win::Machine& machine_;
  app::DialogRunner& dialogs_;
  store::Context ctx_;
  app::WindowSet windows_;
  Selector selector_{*this};
  QAction* marksAction_ = nullptr;
  QAction* stayInTrayAction_ = nullptr;
  app::MarksDialog* marksDialog_ = nullptr;
  bool trayShown_ = false;
  bool quitting_ = false;
  bool switching_ = false;
};
