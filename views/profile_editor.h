// The detail editor of one stored profile. Shown modally from the window that owns it.
#pragma once

#include <QDialog>

class TForm3 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm3(QWidget* parent = nullptr);
};
