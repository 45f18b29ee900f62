#include "views/live_view.h"

TForm2::TForm2(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm2");
  setWindowTitle(QStringLiteral("現在のﾈｯﾄﾜｰｸ情報"));
}
