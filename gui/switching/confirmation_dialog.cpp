#include "gui/switching/confirmation_dialog.h"

#include <QFontMetrics>
#include <QListWidgetItem>

#include "gui/common/qt_text.h"
#include "gui/views/read_only_field.h"
#include "switching/switch_choice.h"
#include "switching/switch_undo.h"
#include "ui_confirmation_dialog.h"

namespace {

constexpr int kMemoLines = 5;

}  // namespace

TForm11::TForm11(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm11>()) {
  ui_->setupUi(this);
  caption_ = windowTitle();
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  // The note is read, not edited, and looks it; it shows its five lines
  // whole, without scrolling.
  views::MakeReadOnly(ui_->Memo1);
  const QMargins margins = ui_->Memo1->contentsMargins();
  const int lineHeight = QFontMetrics(ui_->Memo1->font()).lineSpacing();
  ui_->Memo1->setFixedHeight(kMemoLines * lineHeight + margins.top() + margins.bottom() +
                             2 * int(ui_->Memo1->document()->documentMargin()) + 2);

  // The printer name stands out in blue while it is enabled; disabled it
  // greys like any other text.
  QPalette palette = ui_->Label3->palette();
  palette.setColor(QPalette::Active, QPalette::WindowText, QColor(0, 0, 255));
  palette.setColor(QPalette::Inactive, QPalette::WindowText, QColor(0, 0, 255));
  ui_->Label3->setPalette(palette);

  // toggled fires only when the state changes, whether by a click or by
  // prepare(), so the dependent controls always follow their box.
  connect(ui_->CheckBox1, &QCheckBox::toggled, this, &TForm11::CheckBox1Click);
  connect(ui_->CheckBox2, &QCheckBox::toggled, this, &TForm11::CheckBox2Click);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &TForm11::BitBtn1Click);
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &TForm11::BitBtn2Click);
  CheckBox1Click();
  CheckBox2Click();
}

TForm11::~TForm11() = default;

void TForm11::prepare(const switching::SwitchOffer& offer) {
  const switching::StepBoxes boxes = switching::StepBoxesFromMask(offer.rememberedSteps);
  ui_->CheckBox1->setChecked(boxes.network);
  ui_->CheckBox2->setChecked(boxes.printer);
  ui_->CheckBox3->setChecked(boxes.proxy);
  ui_->CheckBox5->setChecked(boxes.domain);

  ui_->CheckListBox1->clear();
  for (const switching::InterfaceEntry& entry : offer.interfaces) {
    auto* item = new QListWidgetItem(app::fromAnsi(entry.name), ui_->CheckListBox1);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Checked);
  }

  ui_->Label3->setText(app::fromAnsi(switching::PrinterCaption(offer.defaultPrinter)));
  ui_->Label1->setText(app::fromAnsi(switching::ConfirmationHeading(offer.title)));

  // The way back from the last switch says so, and offers only the steps
  // whose earlier state it holds; it is no use of a profile, so there is
  // nothing to remember.
  setWindowTitle(offer.undo ? app::fromAnsi(switching::UndoCaption()) : caption_);
  if (offer.undo)
    ui_->Label1->setText(app::fromAnsi(switching::UndoHeading(offer.title, offer.redo)));
  ui_->CheckBox1->setEnabled(!offer.undo || boxes.network);
  ui_->CheckBox2->setEnabled(!offer.undo || boxes.printer);
  ui_->CheckBox3->setEnabled(!offer.undo || boxes.proxy);
  ui_->CheckBox5->setEnabled(!offer.undo || boxes.domain);
  ui_->CheckBox4->setEnabled(!offer.undo);
}

switching::SwitchChoice TForm11::choice() const {
  switching::StepBoxes boxes;
  boxes.network = ui_->CheckBox1->isChecked();
  boxes.printer = ui_->CheckBox2->isChecked();
  boxes.proxy = ui_->CheckBox3->isChecked();
  boxes.domain = ui_->CheckBox5->isChecked();

  switching::SwitchChoice choice;
  choice.steps = switching::MaskFromStepBoxes(boxes);
  for (int i = 0; i < ui_->CheckListBox1->count(); ++i)
    choice.tickedInterfaces.push_back(ui_->CheckListBox1->item(i)->checkState() == Qt::Checked);
  choice.remember = ui_->CheckBox4->isChecked();
  return choice;
}

void TForm11::CheckBox1Click() {
  const bool enabled = ui_->CheckBox1->isChecked();
  ui_->Label2->setEnabled(enabled);
  ui_->CheckListBox1->setEnabled(enabled);
  ui_->Memo1->setEnabled(enabled);
}

void TForm11::CheckBox2Click() {
  ui_->Label3->setEnabled(ui_->CheckBox2->isChecked());
}

void TForm11::BitBtn1Click() {
  done(kYesResult);
}

void TForm11::BitBtn2Click() {
  done(kNoResult);
}
