#include "views/tcpip_details.h"

TForm13::TForm13(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm13");
  setWindowTitle(QStringLiteral("TCP/IPの詳細"));
}
