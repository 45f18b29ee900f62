// The live view of the machine's network settings, read-only. Shown modally from the window that
// owns it.
#pragma once

#include <QDialog>

class TForm2 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm2(QWidget* parent = nullptr);
};
