#include "switching/result_viewer.h"

TForm4::TForm4(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm4");
  setWindowTitle(QStringLiteral("実行結果"));
}
