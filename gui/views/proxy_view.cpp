#include "gui/views/proxy_view.h"

#include "gui/common/qt_text.h"
#include "gui/views/read_only_field.h"
#include "ui_proxy_view.h"

TForm9::TForm9(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm9>()) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  for (QLineEdit* edit : findChildren<QLineEdit*>()) views::MakeReadOnly(edit);
  views::MakeReadOnly(ui_->Memo1);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

TForm9::~TForm9() = default;

void TForm9::ShowProxy(const views::ProxyRows& rows, const std::string& exceptions) {
  QLineEdit* hosts[] = {ui_->Edit1, ui_->Edit2, ui_->Edit3, ui_->Edit4, ui_->Edit5};
  QLineEdit* ports[] = {ui_->Edit6, ui_->Edit7, ui_->Edit8, ui_->Edit9, ui_->Edit10};
  for (std::size_t row = 0; row < views::kProxyRowCount; ++row) {
    hosts[row]->setText(app::fromAnsi(rows[row].host));
    ports[row]->setText(app::fromAnsi(rows[row].port));
  }
  ui_->Memo1->setPlainText(
      app::fromAnsi(exceptions).replace(QStringLiteral("\r\n"), QStringLiteral("\n")));
}
