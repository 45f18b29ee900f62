// The question before a switch: which steps and interfaces to apply. Shown modally from the window
// that owns it.
#pragma once

#include <QDialog>

class TForm11 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm11(QWidget* parent = nullptr);
};
