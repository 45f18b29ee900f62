#include "gui/views/tcpip_editor.h"

#include <QListWidget>
#include <QShowEvent>

#include "gui/common/code_page_validator.h"
#include "gui/common/owner_handle.h"
#include "gui/common/qt_text.h"
#include "gui/views/address_dialogs.h"
#include "gui/views/key_press_filter.h"
#include "store/messages.h"
#include "ui_tcpip_editor.h"

namespace {

using store::kErrorCaption;
using store::kInformationCaption;

constexpr const char* kSelectItem = "項目を選択してください。";
constexpr const char* kRemoveQuestion = "選択された設定を削除します。";
// The interface metric field takes four places.
constexpr int kMetricPlaces = 4;

std::vector<std::string> itemsOf(const QListWidget* list) {
  std::vector<std::string> items;
  for (int row = 0; row < list->count(); ++row)
    items.push_back(app::toAnsi(list->item(row)->text()));
  return items;
}

void showItems(QListWidget* list, const std::vector<std::string>& items) {
  list->clear();
  for (const std::string& item : items) list->addItem(app::fromAnsi(item));
}

}  // namespace

TForm14::TForm14(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm14>()) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  connect(ui_->Button1, &QPushButton::clicked, this, &TForm14::Button1Click);
  connect(ui_->Button2, &QPushButton::clicked, this, &TForm14::Button2Click);
  connect(ui_->Button3, &QPushButton::clicked, this, &TForm14::Button3Click);
  connect(ui_->Button4, &QPushButton::clicked, this, &TForm14::Button4Click);
  connect(ui_->Button5, &QPushButton::clicked, this, &TForm14::Button5Click);
  connect(ui_->Button6, &QPushButton::clicked, this, &TForm14::Button6Click);
  connect(ui_->Button7, &QPushButton::clicked, this, &TForm14::Button7Click);
  connect(ui_->Button8, &QPushButton::clicked, this, &TForm14::Button8Click);
  connect(ui_->Button9, &QPushButton::clicked, this, &TForm14::Button9Click);
  connect(ui_->CheckBox1, &QCheckBox::clicked, this, &TForm14::CheckBox1Click);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &TForm14::BitBtn1Click);
  connect(ui_->BitBtn2, &QPushButton::clicked, this, &QDialog::reject);
  app::LimitTyping(ui_->Edit1, kMetricPlaces);
  views::KeyPressFilter::install(
      ui_->Edit1, [this](char key) { return Edit1KeyPress(key); }, this);
  // A group's accelerator takes the user to its list.
  ui_->GroupBox1->setFocusProxy(ui_->ListBox1);
  ui_->GroupBox2->setFocusProxy(ui_->ListBox2);
  ui_->GroupBox3->setFocusProxy(ui_->ListBox3);
}

TForm14::~TForm14() = default;

void TForm14::attach(views::TcpipEditorHost* profileEditor, TForm15* addressDialog,
                     TForm16* gatewayDialog, TForm17* dnsDialog, win::Prompter& prompter,
                     app::DialogRunner& dialogs) {
  profileEditor_ = profileEditor;
  addressDialog_ = addressDialog;
  gatewayDialog_ = gatewayDialog;
  dnsDialog_ = dnsDialog;
  prompter_ = &prompter;
  dialogs_ = &dialogs;
  if (addressDialog_) addressDialog_->setTarget(ui_->ListBox1);
  if (gatewayDialog_) gatewayDialog_->setTarget(ui_->ListBox2);
  if (dnsDialog_) dnsDialog_->setTarget(ui_->ListBox3);
}

char TForm14::Edit1KeyPress(char key) {
  return views::FilterKey(key, views::kDigits);
}

void TForm14::Show() {
  if (!profileEditor_ || tag_ < 0 || tag_ >= views::kMaxInterfaces) return;
  views::AddressBoxes boxes = profileEditor_->addressBoxes();
  views::TcpipLists lists = views::OpenTcpipLists(profileEditor_->workingSet()[std::size_t(tag_)],
                                                  boxes, profileEditor_->currentTab() == tag_);
  profileEditor_->setAddressBoxes(boxes);

  showItems(ui_->ListBox1, lists.addresses);
  showItems(ui_->ListBox2, lists.gateways);
  showItems(ui_->ListBox3, lists.dnsServers);
  ui_->CheckBox1->setChecked(lists.automaticMetric);
  app::ShowFieldText(ui_->Edit1, app::fromAnsi(lists.metricText));
  showMetricState(lists.automaticMetric);
}

void TForm14::Button1Click() {
  addItem(ui_->ListBox1, addressDialog_);
}

void TForm14::Button2Click() {
  if (!addressDialog_) return;
  int row = selectedRow(ui_->ListBox1);
  if (row < 0) return;
  addressDialog_->setBoxes(views::AddressMaskBoxes(app::toAnsi(ui_->ListBox1->item(row)->text())));
  editItem(ui_->ListBox1, addressDialog_);
}

void TForm14::Button3Click() {
  removeItem(ui_->ListBox1);
}

void TForm14::Button4Click() {
  addItem(ui_->ListBox2, gatewayDialog_);
}

void TForm14::Button5Click() {
  if (!gatewayDialog_) return;
  int row = selectedRow(ui_->ListBox2);
  if (row < 0) return;
  auto [octets, metric] = views::GatewayBoxes(app::toAnsi(ui_->ListBox2->item(row)->text()));
  gatewayDialog_->setBoxes(octets, metric);
  editItem(ui_->ListBox2, gatewayDialog_);
}

void TForm14::Button6Click() {
  removeItem(ui_->ListBox2);
}

void TForm14::Button7Click() {
  addItem(ui_->ListBox3, dnsDialog_);
}

void TForm14::Button8Click() {
  if (!dnsDialog_) return;
  int row = selectedRow(ui_->ListBox3);
  if (row < 0) return;
  dnsDialog_->setBoxes(views::DnsBoxes(app::toAnsi(ui_->ListBox3->item(row)->text())));
  editItem(ui_->ListBox3, dnsDialog_);
}

void TForm14::Button9Click() {
  removeItem(ui_->ListBox3);
}

void TForm14::CheckBox1Click() {
  showMetricState(ui_->CheckBox1->isChecked());
}

void TForm14::BitBtn1Click() {
  if (!profileEditor_ || tag_ < 0 || tag_ >= views::kMaxInterfaces) return;
  views::TcpipLists lists;
  lists.addresses = itemsOf(ui_->ListBox1);
  lists.gateways = itemsOf(ui_->ListBox2);
  lists.dnsServers = itemsOf(ui_->ListBox3);
  lists.automaticMetric = ui_->CheckBox1->isChecked();
  lists.metricText = app::toAnsi(ui_->Edit1->text());
  // A list that cannot be stored as it is keeps the window open.
  if (std::optional<std::string> problem = views::FindTcpipListProblem(lists)) {
    prompter_->messageBox(app::OwnerHandle(this), *problem, win::ansiFromUtf8(kErrorCaption),
                          MB_OK | MB_ICONERROR);
    return;
  }
  views::AddressBoxes boxes = profileEditor_->addressBoxes();
  views::AcceptTcpipLists(lists, profileEditor_->workingSet()[std::size_t(tag_)], boxes);
  profileEditor_->setAddressBoxes(boxes);
  accept();
}

void TForm14::showEvent(QShowEvent* event) {
  // The window's own opening, not the window system's restoring of it.
  if (!event->spontaneous()) Show();
  QDialog::showEvent(event);
}

void TForm14::addItem(QListWidget* list, views::EntryDialog* dialog) {
  if (!dialog || !dialogs_ || list->count() >= views::kMaxListItems) return;
  dialog->setMode(QStringLiteral("追加(&A)"), views::EntryDialog::kAddMode);
  dialogs_->run(*dialog);
}

int TForm14::selectedRow(QListWidget* list) {
  QList<QListWidgetItem*> selected = list->selectedItems();
  if (selected.isEmpty()) {
    messageBox(kSelectItem, kErrorCaption, MB_OK | MB_ICONERROR);
    return -1;
  }
  return list->row(selected.front());
}

void TForm14::editItem(QListWidget* list, views::EntryDialog* dialog) {
  if (!dialogs_) return;
  list->setCurrentRow(list->row(list->selectedItems().front()));
  dialog->setMode(QStringLiteral("編集(&E)"), views::EntryDialog::kEditMode);
  dialogs_->run(*dialog);
}

void TForm14::removeItem(QListWidget* list) {
  int row = selectedRow(list);
  if (row < 0) return;
  if (messageBox(kRemoveQuestion, kInformationCaption, MB_YESNO | MB_ICONINFORMATION) != IDYES)
    return;
  delete list->takeItem(row);
  // As in a Windows list box, nothing is selected after a removal.
  list->clearSelection();
  list->setCurrentRow(-1);
}

void TForm14::showMetricState(bool automatic) {
  ui_->Label1->setEnabled(!automatic);
  ui_->Edit1->setEnabled(!automatic);
}

int TForm14::messageBox(const char* utf8Text, const char* utf8Caption, win::UINT flags) {
  if (!prompter_) return IDNO;
  return prompter_->messageBox(app::OwnerHandle(this), win::ansiFromUtf8(utf8Text),
                               win::ansiFromUtf8(utf8Caption), flags);
}
