// The live per-protocol proxy servers and exceptions, read-only. Shown modally from the window that
// owns it.
#pragma once

#include <QDialog>

class TForm9 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm9(QWidget* parent = nullptr);
};
