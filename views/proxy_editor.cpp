#include "views/proxy_editor.h"

TForm10::TForm10(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm10");
  setWindowTitle(QStringLiteral("ﾌﾟﾛｷｼの設定"));
}
