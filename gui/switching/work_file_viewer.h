// The two read-only viewers of the last switch's work files: TForm4 shows
// the result file, so that the messages of failed netsh commands can be read
// after a failed switch; TForm12 shows the netsh commands of the switch
// script, numbered in the order of the result file's sections. Both are shown
// modally from the main window; the refresh button closes the viewer with the
// retry result, and every showing reloads the file.
#pragma once

#include <QDialog>

#include <memory>
#include <string>
#include <vector>

#include "platform/machine.h"

class QAbstractButton;
class QPlainTextEdit;

namespace Ui {
class TForm4;
class TForm12;
}  // namespace Ui

class WorkFileViewer : public QDialog {
  Q_OBJECT

 public:
  // The modal result that asks the opener to show the viewer again.
  static constexpr int kRetryResult = 4;

 public slots:
  // Loads the file; runs at every showing.
  void Show();
  void BitBtn1Click();
  void BitBtn2Click();

 protected:
  // The lines to show, ANSI, one per memo line.
  using LineReader = std::vector<std::string> (*)(win::Machine&);

  WorkFileViewer(win::Machine& machine, LineReader readLines, QWidget* parent);
  // Called by the form once its widgets exist.
  void attach(QPlainTextEdit& memo, QAbstractButton& closeButton, QAbstractButton& refreshButton);
  void showEvent(QShowEvent* event) override;

 private:
  win::Machine& machine_;
  LineReader readLines_;
  QPlainTextEdit* memo_ = nullptr;
};

class TForm4 : public WorkFileViewer {
  Q_OBJECT

 public:
  TForm4(win::Machine& machine, QWidget* parent = nullptr);
  ~TForm4() override;

 private:
  std::unique_ptr<Ui::TForm4> ui_;
};

class TForm12 : public WorkFileViewer {
  Q_OBJECT

 public:
  TForm12(win::Machine& machine, QWidget* parent = nullptr);
  ~TForm12() override;

 private:
  std::unique_ptr<Ui::TForm12> ui_;
};
