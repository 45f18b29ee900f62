#include "gui/views/tcpip_details.h"

#include "gui/common/qt_text.h"
#include "gui/views/read_only_field.h"
#include "ui_tcpip_details.h"

namespace {

void ShowItems(QListWidget* list, const std::vector<std::string>& items) {
  list->clear();
  for (const std::string& item : items) list->addItem(app::fromAnsi(item));
}

}  // namespace

TForm13::TForm13(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm13>()) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  views::MakeReadOnly(ui_->Edit1);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

TForm13::~TForm13() = default;

void TForm13::ShowInterface(const views::LiveInterface& entry) {
  ShowItems(ui_->ListBox1, entry.addressItems);
  ShowItems(ui_->ListBox2, entry.gatewayItems);
  ui_->Edit1->setText(app::fromAnsi(entry.interfaceMetric));
}
