// The full TCP/IP lists of one interface of the profile being edited. Shown modally from the window
// that owns it.
#pragma once

#include <QDialog>

class TForm14 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm14(QWidget* parent = nullptr);
};
