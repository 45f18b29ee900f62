// TForm12, the netsh commands of the last switch script, numbered in the
// order of the result file's sections. Shown modally from the main window;
// its refresh button closes it with the retry result, and every showing
// reloads the file.
#pragma once

#include <QDialog>

#include <memory>

#include "platform/machine.h"

namespace Ui {
class TForm12;
}

class TForm12 : public QDialog {
  Q_OBJECT

 public:
  // The modal result that asks the opener to show the dialog again.
  static constexpr int kRetryResult = 4;

  TForm12(win::Machine& machine, QWidget* parent = nullptr);
  ~TForm12() override;

 public slots:
  // Loads the switch script; runs at every showing.
  void Show();
  void BitBtn1Click();
  void BitBtn2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::TForm12> ui_;
  win::Machine& machine_;
};
