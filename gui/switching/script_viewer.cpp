#include "gui/switching/script_viewer.h"

#include "gui/switching/viewer_memo.h"
#include "switching/work_file_text.h"
#include "ui_script_viewer.h"

TForm12::TForm12(win::Machine& machine, QWidget* parent)
    : QDialog(parent), ui_(std::make_unique<Ui::TForm12>()), machine_(machine) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  switching::StyleViewerMemo(*ui_->Memo1);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &TForm12::BitBtn1Click);
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &TForm12::BitBtn2Click);
}

TForm12::~TForm12() = default;

void TForm12::Show() {
  switching::ShowViewerLines(*ui_->Memo1, switching::ReadScriptViewerLines(machine_));
}

void TForm12::BitBtn1Click() {
  reject();
}

// The opener shows the dialog again, which reloads the script.
void TForm12::BitBtn2Click() {
  done(kRetryResult);
}

void TForm12::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) Show();
}
