// TForm2, the live view of the machine's network settings, read-only. Every
// opening reloads everything and shows the first interface; picking another
// interface tab reloads and shows that one. Its detail windows, TForm13 (the
// shown interface's lists) and TForm9 (the per-protocol proxies), are filled
// by each load and opened from here.
#pragma once

#include <QDialog>

#include <memory>

#include "gui/common/dialog_runner.h"
#include "store/context.h"

namespace Ui {
class TForm2;
}
class TForm9;
class TForm13;

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  enum class LoadMode {
    Full,  // rebuild the tabs and show the first interface
    Tab,   // keep the tabs and show the selected one
  };

  explicit TForm2(QWidget* parent = nullptr);
  ~TForm2() override;

  // What the view reads and the windows it fills and opens. Set once, when
  // every window exists; until then a load does nothing.
  void Attach(const store::Context& ctx, app::DialogRunner& dialogs, TForm13* details,
              TForm9* proxies);

  void Load(LoadMode mode);

 public slots:
  // Runs each time the window opens.
  void Show();
  void TabControl1Change();
  void Button1Click();
  void Button2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::TForm2> ui_;
  const store::Context* ctx_ = nullptr;
  app::DialogRunner* dialogs_ = nullptr;
  TForm13* details_ = nullptr;
  TForm9* proxies_ = nullptr;
};
