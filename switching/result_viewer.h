// The result file of the last switch, read-only. Shown modally from the window that owns it.
#pragma once

#include <QDialog>

class TForm4 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm4(QWidget* parent = nullptr);
};
