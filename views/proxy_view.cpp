#include "views/proxy_view.h"

TForm9::TForm9(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm9");
  setWindowTitle(QStringLiteral("ﾌﾟﾛｷｼの設定確認"));
}
