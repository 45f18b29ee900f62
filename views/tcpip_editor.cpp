#include "views/tcpip_editor.h"

TForm14::TForm14(QWidget* parent) : QDialog(parent) {
  setObjectName("TForm14");
  setWindowTitle(QStringLiteral("TCP/IPの詳細設定"));
}
