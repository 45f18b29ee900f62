#include "views/address_dialogs.h"

TForm15::TForm15(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm15");
  setWindowTitle(QStringLiteral("TCP/IPｱﾄﾞﾚｽ"));
}

TForm16::TForm16(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm16");
  setWindowTitle(QStringLiteral("ﾃﾞﾌｫﾙﾄｹﾞｰﾄｳｪｲ"));
}

TForm17::TForm17(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm17");
  setWindowTitle(QStringLiteral("DNSｻｰﾊﾞｱﾄﾞﾚｽ"));
}
