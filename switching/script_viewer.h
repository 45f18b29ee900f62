// The commands of the last switch script, read-only. Shown modally from the window that owns it.
#pragma once

#include <QDialog>

class TForm12 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm12(QWidget* parent = nullptr);
};
