// The full address, gateway and metric lists of a live interface. Shown modally from the window
// that owns it.
#pragma once

#include <QDialog>

class TForm13 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm13(QWidget* parent = nullptr);
};
