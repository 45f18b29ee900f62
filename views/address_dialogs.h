// The small entry dialogs of the TCP/IP editor, each adding or changing one
// list item.
#pragma once

#include <QDialog>

// One address and subnet mask.
class TForm15 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm15(QWidget* parent = nullptr);
};

// One default gateway and its metric.
class TForm16 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm16(QWidget* parent = nullptr);
};

// One DNS server address.
class TForm17 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm17(QWidget* parent = nullptr);
};
