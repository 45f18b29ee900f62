// How a window shows another one modally. The program runs the dialog's own
// event loop; tests put a runner in its place that records which dialog was
// asked for and answers with a scripted modal result.
#pragma once

#include <QDialog>

namespace app {

class DialogRunner {
 public:
  virtual ~DialogRunner() = default;
  // The dialog's modal result (QDialog::Accepted, Rejected, or a value given
  // to done(), such as 4 for "show me again").
  virtual int run(QDialog& dialog) { return dialog.exec(); }
};

}  // namespace app
