#include "gui/switching/result_viewer.h"

#include "gui/switching/viewer_memo.h"
#include "switching/work_file_text.h"
#include "ui_result_viewer.h"

TForm4::TForm4(win::Machine& machine, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TForm4>()), machine_(machine) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  switching::StyleViewerMemo(*ui_->Memo1);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &TForm4::BitBtn1Click);
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &TForm4::BitBtn2Click);
}

TForm4::~TForm4() = default;

void TForm4::Show() {
  switching::ShowViewerLines(*ui_->Memo1, switching::ReadResultViewerLines(machine_));
}

void TForm4::BitBtn1Click() {
  reject();
}

void TForm4::BitBtn2Click() {
  Show();
  done(kRetryResult);
}

void TForm4::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) Show();
}
