#include "switching/script_viewer.h"

TForm12::TForm12(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm12");
  setWindowTitle(QStringLiteral("実行ﾊﾞｯﾁﾌｧｲﾙ内容"));
}
