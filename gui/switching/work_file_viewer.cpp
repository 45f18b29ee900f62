#include "gui/switching/work_file_viewer.h"

#include <QPlainTextEdit>
#include <QShowEvent>
#include <QStringList>

#include "gui/common/qt_text.h"
#include "switching/work_file_text.h"
#include "ui_result_viewer.h"
#include "ui_script_viewer.h"

WorkFileViewer::WorkFileViewer(win::Machine& machine, LineReader readLines, QWidget* parent)
    : QDialog(parent), machine_(machine), readLines_(readLines) {}

// White 11-pixel text on the inactive-caption colour (Windows XP's default,
// as the machine the program runs against has it).
void WorkFileViewer::attach(QPlainTextEdit& memo, QAbstractButton& closeButton,
                            QAbstractButton& refreshButton) {
  memo_ = &memo;
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  QPalette palette = memo.palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Base, QColor(122, 150, 223));
    palette.setColor(group, QPalette::Text, QColor(255, 255, 255));
  }
  memo.setPalette(palette);
  QFont font = memo.font();
  font.setPixelSize(11);
  memo.setFont(font);
  connect(&closeButton, &QAbstractButton::clicked, this, &WorkFileViewer::BitBtn1Click);
  connect(&refreshButton, &QAbstractButton::clicked, this, &WorkFileViewer::BitBtn2Click);
}

void WorkFileViewer::Show() {
  if (!memo_) return;
  QStringList lines;
  for (const std::string& line : readLines_(machine_)) lines << app::fromAnsi(line);
  memo_->setPlainText(lines.join(QLatin1Char('\n')));
}

void WorkFileViewer::BitBtn1Click() {
  reject();
}

// The opener shows the viewer again, which reloads the file.
void WorkFileViewer::BitBtn2Click() {
  done(kRetryResult);
}

void WorkFileViewer::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous()) Show();
}

TForm4::TForm4(win::Machine& machine, QWidget* parent)
    : WorkFileViewer(machine, switching::ReadResultViewerLines, parent),
      ui_(std::make_unique<Ui::TForm4>()) {
  ui_->setupUi(this);
  attach(*ui_->Memo1, *ui_->BitBtn1, *ui_->BitBtn2);
}

TForm4::~TForm4() = default;

TForm12::TForm12(win::Machine& machine, QWidget* parent)
    : WorkFileViewer(machine, switching::ReadScriptViewerLines, parent),
      ui_(std::make_unique<Ui::TForm12>()) {
  ui_->setupUi(this);
  attach(*ui_->Memo1, *ui_->BitBtn1, *ui_->BitBtn2);
}

TForm12::~TForm12() = default;
