#include "switching/confirmation_dialog.h"

TForm11::TForm11(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm11");
  setWindowTitle(QStringLiteral("情報ﾒｯｾｰｼﾞ"));
}
