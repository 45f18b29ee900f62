#include "gui/views/proxy_editor.h"

#include <QShowEvent>
#include <QSignalBlocker>
#include <QTextCursor>

#include <algorithm>

#include "gui/common/code_page_validator.h"
#include "gui/common/qt_text.h"
#include "ui_proxy_editor.h"

namespace {

// The memo shows line breaks as the user types them; the text it stands for
// keeps them as CR LF, as a Windows memo hands them over.
QString MemoTextFromAnsi(const std::string& ansi) {
  return app::fromAnsi(ansi).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

std::string AnsiFromMemoText(QString text) {
  return app::toAnsi(text.replace(QStringLiteral("\n"), QStringLiteral("\r\n")));
}

// Only a different text is set, so a field keeps its cursor and selection
// when the state did not change it.
void ShowText(QLineEdit* edit, const std::string& ansi) {
  QString text = app::fromAnsi(ansi);
  if (edit->text() != text) edit->setText(text);
}

}  // namespace

TForm10::TForm10(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm10>()) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  // Typing goes straight into the shared state; textEdited fires for the
  // user only, so showing the state never writes it back converted.
  QLineEdit* hosts[] = {ui_->LabeledEdit1, ui_->LabeledEdit2, ui_->LabeledEdit3, ui_->LabeledEdit4,
                        ui_->LabeledEdit5};
  QLineEdit* ports[] = {ui_->Edit6, ui_->Edit7, ui_->Edit8, ui_->Edit9, ui_->Edit10};
  auto* validator = new app::CodePageValidator(this);
  for (std::size_t row = 0; row < views::kProxyRowCount; ++row) {
    hosts[row]->setValidator(validator);
    ports[row]->setValidator(validator);
    connect(hosts[row], &QLineEdit::textEdited, this,
            [this, row](const QString& text) { state_.rows[row].host = app::toAnsi(text); });
    connect(ports[row], &QLineEdit::textEdited, this,
            [this, row](const QString& text) { state_.rows[row].port = app::toAnsi(text); });
  }
  connect(ui_->Memo1, &QPlainTextEdit::textChanged, this, &TForm10::readMemo);
  // clicked fires for the user's click (mouse, space or Alt+U) only; changes
  // made by the program go through the state and ShowState.
  connect(ui_->CheckBox1, &QCheckBox::clicked, this, &TForm10::CheckBox1Click);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &TForm10::BitBtn1Click);
  ShowState();
}

TForm10::~TForm10() = default;

void TForm10::ShowState() {
  QLineEdit* hosts[] = {ui_->LabeledEdit1, ui_->LabeledEdit2, ui_->LabeledEdit3, ui_->LabeledEdit4,
                        ui_->LabeledEdit5};
  QLineEdit* ports[] = {ui_->Edit6, ui_->Edit7, ui_->Edit8, ui_->Edit9, ui_->Edit10};
  QWidget* labels[] = {ui_->LabeledEdit1Label, ui_->LabeledEdit2Label, ui_->LabeledEdit3Label,
                       ui_->LabeledEdit4Label, ui_->LabeledEdit5Label};
  QWidget* colons[] = {ui_->ColonLabel1, ui_->ColonLabel2, ui_->ColonLabel3, ui_->ColonLabel4,
                       ui_->ColonLabel5};
  for (std::size_t row = 0; row < views::kProxyRowCount; ++row) {
    ShowText(hosts[row], state_.rows[row].host);
    ShowText(ports[row], state_.rows[row].port);
    const bool enabled = views::ProtocolRowEnabled(state_, row);
    for (QWidget* widget : {static_cast<QWidget*>(hosts[row]), static_cast<QWidget*>(ports[row]),
                            labels[row], colons[row]})
      widget->setEnabled(enabled);
  }
  ui_->CheckBox1->setChecked(state_.sameProxy);
  QString memo = MemoTextFromAnsi(state_.exceptions);
  if (ui_->Memo1->toPlainText() != memo) {
    const QSignalBlocker blocker(ui_->Memo1);
    ui_->Memo1->setPlainText(memo);
  }
}

void TForm10::Show() {
  views::ShowProxyEditor(state_);
  ShowState();
  emit SingleFieldsChanged();
}

void TForm10::CheckBox1Click() {
  views::SetSameProxy(state_, ui_->CheckBox1->isChecked());
  ShowState();
  emit SingleFieldsChanged();
}

void TForm10::BitBtn1Click() {
  views::AcceptProxyEditor(state_);
  emit SingleFieldsChanged();
  accept();
}

void TForm10::showEvent(QShowEvent* event) {
  // The window's own opening, not the window system's restoring of it.
  if (!event->spontaneous()) Show();
  QDialog::showEvent(event);
}

void TForm10::readMemo() {
  const QString text = ui_->Memo1->toPlainText();
  if (app::FitsCodePage(text)) {
    state_.exceptions = AnsiFromMemoText(text);
    return;
  }
  // A character the code page lacks is refused, as the fields' validator
  // refuses it: the memo goes back to the list it stands for.
  QTextCursor cursor = ui_->Memo1->textCursor();
  const int position = cursor.position();
  const QString kept = MemoTextFromAnsi(state_.exceptions);
  {
    const QSignalBlocker blocker(ui_->Memo1);
    ui_->Memo1->setPlainText(kept);
  }
  cursor = ui_->Memo1->textCursor();
  cursor.setPosition(std::clamp(position - int(text.size() - kept.size()), 0, int(kept.size())));
  ui_->Memo1->setTextCursor(cursor);
}
