// TForm4, the result file of the last switch, read-only: the messages of
// failed netsh commands can be read here after a failed switch. Shown
// modally from the main window; its refresh button closes it with the
// retry result, and every showing reloads the file.
#pragma once

#include <QDialog>

#include <memory>

#include "platform/machine.h"

namespace Ui {
class TForm4;
}

class TForm4 : public QDialog {
  Q_OBJECT

 public:
  // The modal result that asks the opener to show the dialog again.
  static constexpr int kRetryResult = 4;

  TForm4(win::Machine& machine, QWidget* parent = nullptr);
  ~TForm4() override;

 public slots:
  // Loads the result file; runs at every showing.
  void Show();
  void BitBtn1Click();
  void BitBtn2Click();

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::unique_ptr<Ui::TForm4> ui_;
  win::Machine& machine_;
};
