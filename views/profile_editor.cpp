#include "views/profile_editor.h"

TForm3::TForm3(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm3");
  setWindowTitle(QStringLiteral("設定の詳細"));
}
