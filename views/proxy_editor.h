// The proxy servers and exceptions of the profile being edited. Shown modally from the window that
// owns it.
#pragma once

#include <QDialog>

class TForm10 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm10(QWidget* parent = nullptr);
};
