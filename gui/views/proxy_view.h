// TForm9, the live per-protocol proxy servers and exceptions, read-only.
// The live view fills it on every load; shown modally from there, it shows
// what the last load put in.
#pragma once

#include <QDialog>

#include <memory>
#include <string>

#include "views/proxy_settings.h"

namespace Ui {
class TForm9;
}

class TForm9 : public QDialog {
  Q_OBJECT

 public:
  explicit TForm9(QWidget* parent = nullptr);
  ~TForm9() override;

  // The five rows (HTTP, Secure, FTP, Gopher, Socks) and the exception list
  // as one memo text.
  void ShowProxy(const views::ProxyRows& rows, const std::string& exceptions);

 private:
  std::unique_ptr<Ui::TForm9> ui_;
};
