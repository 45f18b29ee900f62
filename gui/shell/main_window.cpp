#include "gui/shell/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLayout>
#include <QSaveFile>
#include <QStandardPaths>
#include <QStyle>

#include "gui/common/code_page_validator.h"
#include "gui/common/owner_handle.h"
#include "gui/common/qt_text.h"
#include "gui/shell/help_links.h"
#include "gui/shell/pictures.h"
#include "gui/shell/switch_view.h"
#include "gui/switching/confirmation_dialog.h"
#include "gui/switching/work_file_viewer.h"
#include "gui/views/marks_dialog.h"
#include "store/capture.h"
#include "store/deletion.h"
#include "store/messages.h"
#include "store/profile_file.h"
#include "store/profile_titles.h"
#include "store/program_options.h"
#include "switching/network_match.h"
#include "switching/switch_flow.h"
#include "switching/switch_undo.h"
#include "ui_main_window.h"

namespace {

constexpr int kClientWidth = 322;
constexpr int kClientHeight = 259;
constexpr const char* kUnusableTitle = "登録名に使用できない文字が含まれています。";
constexpr const char* kOptionNotStored = "設定を保存できませんでした。";
constexpr const char* kExportCaption = "登録内容のエクスポート";
constexpr const char* kImportCaption = "登録内容のインポート";
constexpr const char* kProfileFileFilter = "Verantu!登録ファイル (*.json);;すべてのファイル (*)";

}  // namespace

TForm1::TForm1(win::Machine& machine, win::Prompter& prompter, app::DialogRunner& dialogs,
               QWidget* parent)
    : QMainWindow(parent),
      ui_(std::make_unique<Ui::TForm1>()),
      machine_(machine),
      dialogs_(dialogs),
      ctx_{machine, prompter, app::OwnerHandle(this)} {
  ui_->setupUi(this);

  // The client area (everything below the menu, status bar included) keeps
  // its size whatever the fonts and style make of the bars.
  int statusHeight = ui_->StatusBar1->sizeHint().height();
  ui_->StatusBar1->setFixedHeight(statusHeight);
  centralWidget()->setFixedSize(kClientWidth, kClientHeight - statusHeight);
  layout()->setSizeConstraint(QLayout::SetFixedSize);
  setWindowFlag(Qt::WindowMaximizeButtonHint, false);

  statusPanel_ = new QLabel(QString::fromLatin1(app::kNormalStatusText), ui_->StatusBar1);
  statusPanel_->setObjectName("StatusBar1Panel");
  ui_->StatusBar1->addWidget(statusPanel_, 1);

  ui_->Image1->setPixmap(app::BackgroundPicture(centralWidget()->size()));
  ui_->Image2->setGeometry(centralWidget()->rect());
  ui_->SpeedButton1->setIcon(QIcon(app::SwitchGlyph(96)));
  ui_->BitBtn1->setIcon(style()->standardIcon(QStyle::SP_DialogCloseButton));
  app::SetIndicatorColour(*ui_->Label2, app::kIdleIndicator);
  // No completion: a typed title must stay as typed, or a new title could
  // silently become a longer existing one (or one in another letter case).
  ui_->ComboBox1->setCompleter(nullptr);
  // A title is stored in the ANSI code page; a character it lacks would be
  // stored as "?" and make another title.
  app::LimitTyping(ui_->ComboBox1);
  ui_->ComboBox1->setEditText(QStringLiteral("未設定"));

  connect(ui_->Export1, &QAction::triggered, this, &TForm1::Export1Click);
  connect(ui_->Import1, &QAction::triggered, this, &TForm1::Import1Click);
  connect(ui_->X1, &QAction::triggered, this, &TForm1::X1Click);
  connect(ui_->Option1, &QAction::triggered, this, &TForm1::Option1Click);
  connect(ui_->Delete1, &QAction::triggered, this, &TForm1::Delete1Click);
  connect(ui_->N1, &QAction::triggered, this, &TForm1::N1Click);
  connect(ui_->B1, &QAction::triggered, this, &TForm1::B1Click);
  connect(ui_->Contents1, &QAction::triggered, this, &TForm1::Contents1Click);
  connect(ui_->S1, &QAction::triggered, this, &TForm1::S1Click);
  connect(ui_->Button3, &QPushButton::clicked, this, &TForm1::Button3Click);
  connect(ui_->Button4, &QPushButton::clicked, this, &TForm1::Button4Click);
  connect(ui_->SpeedButton1, &QToolButton::clicked, this, &TForm1::SpeedButton1Click);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &TForm1::quitProgram);

  // The marks by which the selected profile's network is recognised.
  marksAction_ = new QAction(QStringLiteral("ﾈｯﾄﾜｰｸの目印...(&M)"), this);
  marksAction_->setObjectName("Marks1");
  ui_->Edit1->addAction(marksAction_);
  connect(marksAction_, &QAction::triggered, this, &TForm1::Marks1Click);
  marksDialog_ = new app::MarksDialog(this);
  // Closing the window leaves the program in the notification area.
  stayInTrayAction_ = new QAction(QStringLiteral("通知領域に常駐(&T)"), this);
  stayInTrayAction_->setObjectName("StayInTray1");
  stayInTrayAction_->setCheckable(true);
  stayInTrayAction_->setChecked(store::ReadStayInTray(ctx_));
  // The way back from the last switch, greyed while there is none; the
  // command line may have switched meanwhile, so it is looked at again
  // whenever the menu opens.
  undoAction_ = new QAction(QStringLiteral("直前の切り替えを元に戻す(&U)"), this);
  undoAction_->setObjectName("Undo1");
  ui_->Options1->addSeparator();
  ui_->Options1->addAction(undoAction_);
  connect(undoAction_, &QAction::triggered, this, &TForm1::Undo1Click);
  connect(ui_->Options1, &QMenu::aboutToShow, this, &TForm1::refreshUndo);
  refreshUndo();
  ui_->Options1->addSeparator();
  ui_->Options1->addAction(stayInTrayAction_);
  connect(stayInTrayAction_, &QAction::triggered, this, &TForm1::StayInTray1Click);

  ui_->Label6->setText(QStringLiteral("Ver 3.30"));
  ui_->Image2->setPixmap(ui_->Image1->pixmap());

  store::InitialSelection selection = store::ReadInitialSelection(ctx_);
  for (const std::string& title : selection.titles) appendSelectorItem(title);
  if (selection.selectorText) setSelectorText(*selection.selectorText);
  if (selection.appliedTitle) ui_->Label1->setText(app::fromAnsi(*selection.appliedTitle));
}

TForm1::~TForm1() = default;

void TForm1::setWindows(const app::WindowSet& windows) {
  windows_ = windows;
  app::ConnectWindows(windows_, ctx_, dialogs_, [this] { return selectorText(); });
}

QString TForm1::statusText() const {
  return statusPanel_->text();
}

void TForm1::setStatusText(const QString& text) {
  statusPanel_->setText(text);
}

QString TForm1::appliedTitle() const {
  return ui_->Label1->text();
}

void TForm1::X1Click() {
  quitProgram();
}

void TForm1::quitProgram() {
  quitting_ = true;
  bool closed = close();
  quitting_ = false;
  // A window hidden in the notification area is not the last one closing:
  // the program has to be told to end.
  if (closed && !QApplication::quitOnLastWindowClosed()) QCoreApplication::quit();
}

void TForm1::showFromTray() {
  QApplication::setQuitOnLastWindowClosed(true);
  showNormal();
  raise();
  activateWindow();
}

void TForm1::closeEvent(QCloseEvent* event) {
  // Hidden only while the icon is there to bring it back.
  if (!quitting_ && trayShown_ && store::ReadStayInTray(ctx_)) {
    QApplication::setQuitOnLastWindowClosed(false);
    hide();
    event->ignore();
    return;
  }
  QMainWindow::closeEvent(event);
}

void TForm1::StayInTray1Click() {
  if (store::WriteStayInTray(ctx_, stayInTrayAction_->isChecked()) != 0)
    store::ShowError(ctx_, kOptionNotStored);
  stayInTrayAction_->setChecked(store::ReadStayInTray(ctx_));
}

void TForm1::Marks1Click() {
  std::string title = selectorText();
  if (!store::LocateSelectedProfile(ctx_, title)) return;
  marksDialog_->load(ctx_, title);
  if (dialogs_.run(*marksDialog_) == QDialog::Accepted) marksDialog_->save();
}

void TForm1::Export1Click() {
  if (refuseUnstorableTitle()) return;
  const std::string title = selectorText();
  std::optional<std::string> text = store::ExportProfile(ctx_, title);
  if (!text) return;
  QString path = chooseProfileFile(QFileDialog::AcceptSave, app::fromAnsi(title) + ".json");
  if (path.isEmpty()) return;
  const std::string shownPath = app::toAnsi(QDir::toNativeSeparators(path));
  // The file is written whole or not at all.
  QSaveFile file(path);
  if (!file.open(QIODevice::WriteOnly) ||
      file.write(text->data(), qint64(text->size())) != qint64(text->size()) || !file.commit()) {
    store::ReportProfileFileNotWritten(ctx_, shownPath);
    return;
  }
  store::ReportProfileFileWritten(ctx_, title, shownPath);
}

void TForm1::Import1Click() {
  QString path = chooseProfileFile(QFileDialog::AcceptOpen, QString());
  if (path.isEmpty()) return;
  QFile file(path);
  // One byte more than a profile file may hold, so that a larger one is
  // refused as such.
  QByteArray text;
  if (file.open(QIODevice::ReadOnly)) text = file.read(qint64(store::kMaxProfileFileBytes) + 1);
  if (!file.isOpen() || file.error() != QFileDevice::NoError) {
    store::ReportProfileFileNotRead(ctx_, app::toAnsi(QDir::toNativeSeparators(path)));
    return;
  }
  store::ImportProfile(ctx_, std::string_view(text.constData(), std::size_t(text.size())),
                       std::nullopt, &selector_);
}

void TForm1::Option1Click() {
  if (refuseUnstorableTitle()) return;
  store::CaptureProfile(ctx_, selectorText(), &selector_);
}

void TForm1::Delete1Click() {
  if (refuseUnstorableTitle()) return;
  store::DeleteProfile(ctx_, selectorText(), &selector_);
}

void TForm1::N1Click() {
  showModalWhileRetried(app::AsDialog(windows_.form4));
}

void TForm1::B1Click() {
  showModalWhileRetried(app::AsDialog(windows_.form12));
}

void TForm1::Contents1Click() {
  // Whether a reader could be started is not checked: there is nothing more
  // the program could do about it.
  std::string manual = app::ManualPath(ctx_);
  (void)machine_.shell().ShellExecuteA(app::NativeWindowHandle(this), "open", manual.c_str(),
                                       nullptr, nullptr, SW_SHOWNORMAL);
}

void TForm1::S1Click() {
  // Unchecked for the same reason as the manual.
  (void)machine_.shell().ShellExecuteA(app::NativeWindowHandle(this), "open",
                                       app::kSupportPageAddress, nullptr, nullptr, SW_SHOWNORMAL);
}

void TForm1::Button3Click() {
  // The editor finds the profile from the selector's text itself.
  if (store::LocateSelectedProfile(ctx_, selectorText()) && windows_.form3)
    dialogs_.run(*app::AsDialog(windows_.form3));
}

void TForm1::Button4Click() {
  if (windows_.form2) dialogs_.run(*app::AsDialog(windows_.form2));
}

void TForm1::SpeedButton1Click() {
  runSwitch(false);
}

void TForm1::switchTo(const std::string& ansiTitle, bool withoutConfirmation) {
  if (switching_ || QApplication::activeModalWidget()) return;
  setSelectorText(ansiTitle);
  runSwitch(withoutConfirmation);
}

void TForm1::runSwitch(bool withoutConfirmation) {
  switching_ = true;
  emit switchStarting();
  app::WindowSwitchView view({this, ui_->Label2, ui_->ProgressBar1, statusPanel_, ui_->Label1},
                             windows_.form11, dialogs_);
  switching::PreconfirmedSwitchView preconfirmed(view);
  switching::SwitchView& shown =
      withoutConfirmation ? static_cast<switching::SwitchView&>(preconfirmed) : view;
  switching::RunSwitch(ctx_, selectorText(), shown);
  switching_ = false;
  refreshUndo();
  emit switchFinished();
}

bool TForm1::undoAvailable() const {
  return switching::UndoAvailable(ctx_);
}

void TForm1::refreshUndo() {
  undoAction_->setEnabled(undoAvailable());
}

void TForm1::Undo1Click() {
  if (switching_ || QApplication::activeModalWidget()) return;
  switching_ = true;
  emit switchStarting();
  app::WindowSwitchView view({this, ui_->Label2, ui_->ProgressBar1, statusPanel_, ui_->Label1},
                             windows_.form11, dialogs_);
  switching::RunUndo(ctx_, view);
  switching_ = false;
  refreshUndo();
  emit switchFinished();
}

// Typing cannot put such a character into the selector, but a text the
// program set there can hold one (a stored title that is not valid code
// page 932 text shows with a replacement character): capture and deletion
// would then act on another title.
bool TForm1::refuseUnstorableTitle() {
  if (app::FitsCodePage(ui_->ComboBox1->currentText())) return false;
  store::ShowError(ctx_, kUnusableTitle);
  return true;
}

// The standard file dialog for a profile file, starting in the user's
// documents; an empty path when the user cancels.
QString TForm1::chooseProfileFile(int acceptMode, const QString& suggestedName) {
  const bool saving = acceptMode == QFileDialog::AcceptSave;
  QFileDialog dialog(this, QString::fromUtf8(saving ? kExportCaption : kImportCaption),
                     QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation),
                     QString::fromUtf8(kProfileFileFilter));
  dialog.setObjectName(saving ? "ExportDialog" : "ImportDialog");
  dialog.setAcceptMode(QFileDialog::AcceptMode(acceptMode));
  dialog.setFileMode(saving ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (saving) {
    dialog.setDefaultSuffix("json");
    dialog.selectFile(suggestedName);
  }
  if (dialogs_.run(dialog) != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
  return dialog.selectedFiles().front();
}

std::string TForm1::selectorText() const {
  return app::toAnsi(ui_->ComboBox1->currentText());
}

void TForm1::setSelectorText(const std::string& ansi) {
  ui_->ComboBox1->setEditText(app::fromAnsi(ansi));
}

// Adding or removing an item must not change what the user sees in the edit
// field, though QComboBox moves its current item (and text) when the list
// becomes non-empty or the current item goes.
void TForm1::appendSelectorItem(const std::string& ansi) {
  QString text = ui_->ComboBox1->currentText();
  ui_->ComboBox1->addItem(app::fromAnsi(ansi));
  ui_->ComboBox1->setEditText(text);
}

void TForm1::removeSelectorItem(const std::string& ansi) {
  int index =
      ui_->ComboBox1->findText(app::fromAnsi(ansi), Qt::MatchExactly | Qt::MatchCaseSensitive);
  if (index < 0) return;
  QString text = ui_->ComboBox1->currentText();
  ui_->ComboBox1->removeItem(index);
  ui_->ComboBox1->setEditText(text);
}

void TForm1::Selector::appendItem(const std::string& ansiTitle) {
  window_.appendSelectorItem(ansiTitle);
}

void TForm1::Selector::removeItem(const std::string& ansiTitle) {
  window_.removeSelectorItem(ansiTitle);
}

void TForm1::Selector::clear() {
  window_.ui_->ComboBox1->clear();
}

void TForm1::Selector::setText(const std::string& ansiText) {
  window_.setSelectorText(ansiText);
}

// The viewers' refresh button closes them with the retry result; showing
// them again reloads their file.
void TForm1::showModalWhileRetried(QDialog* dialog) {
  if (!dialog) return;
  while (dialogs_.run(*dialog) == WorkFileViewer::kRetryResult) {
  }
}
