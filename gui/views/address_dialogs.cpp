#include "gui/views/address_dialogs.h"

#include <QListWidget>
#include <QPushButton>

#include "gui/common/code_page_validator.h"
#include "gui/common/qt_text.h"
#include "gui/views/key_press_filter.h"
#include "ui_address_dialog.h"
#include "ui_dns_dialog.h"
#include "ui_gateway_dialog.h"
#include "views/tcpip_lists.h"

namespace {

// Each octet box takes three places, the gateway metric box four.
constexpr int kOctetPlaces = 3;
constexpr int kMetricPlaces = 4;

template <std::size_t N>
std::array<std::string, N> boxTexts(const std::array<QLineEdit*, N>& boxes) {
  std::array<std::string, N> texts;
  for (std::size_t k = 0; k < N; ++k) texts[k] = app::toAnsi(boxes[k]->text());
  return texts;
}

template <std::size_t N>
void showBoxTexts(const std::array<QLineEdit*, N>& boxes, const std::array<std::string, N>& texts) {
  for (std::size_t k = 0; k < N; ++k) app::ShowFieldText(boxes[k], app::fromAnsi(texts[k]));
}

}  // namespace

namespace views {

void EntryDialog::setMode(const QString& caption, int flag) {
  if (okButton_) okButton_->setText(caption);
  mode_ = flag;
}

char EntryDialog::KeyPress(char key) {
  return FilterKey(key, kDigits);
}

void EntryDialog::Button1Click() {
  if (target_) {
    const QString item = app::fromAnsi(composeItem());
    if (mode_ == kAddMode) {
      target_->addItem(item);
    } else if (mode_ == kEditMode) {
      if (QListWidgetItem* selected = target_->item(target_->currentRow())) selected->setText(item);
    }
  }
  accept();
}

void EntryDialog::BitBtn1Click() {
  reject();
}

void EntryDialog::setUp(QPushButton* okButton, QPushButton* cancelButton,
                        const std::vector<QLineEdit*>& octetBoxes, QLineEdit* metricBox) {
  okButton_ = okButton;
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  connect(okButton, &QPushButton::clicked, this, &EntryDialog::Button1Click);
  connect(cancelButton, &QPushButton::clicked, this, &EntryDialog::BitBtn1Click);
  std::vector<QLineEdit*> boxes = octetBoxes;
  if (metricBox) boxes.push_back(metricBox);
  for (QLineEdit* box : boxes) {
    app::LimitTyping(box, box == metricBox ? kMetricPlaces : kOctetPlaces);
    // Numbers only: the input method stays off in these boxes.
    box->setAttribute(Qt::WA_InputMethodEnabled, false);
    KeyPressFilter::install(
        box, [this](char key) { return KeyPress(key); }, this);
  }
}

}  // namespace views

TForm15::TForm15(QWidget* parent) : EntryDialog(parent), ui_(std::make_unique<Ui::TForm15>()) {
  ui_->setupUi(this);
  setUp(ui_->Button1, ui_->BitBtn1,
        {ui_->Edit1, ui_->Edit2, ui_->Edit3, ui_->Edit4, ui_->Edit5, ui_->Edit6, ui_->Edit7,
         ui_->Edit8});
}

TForm15::~TForm15() = default;

void TForm15::setBoxes(const std::array<std::string, 8>& boxes) {
  showBoxTexts<8>({ui_->Edit1, ui_->Edit2, ui_->Edit3, ui_->Edit4, ui_->Edit5, ui_->Edit6,
                   ui_->Edit7, ui_->Edit8},
                  boxes);
}

std::string TForm15::composeItem() const {
  return views::AddressMaskItem(boxTexts<8>({ui_->Edit1, ui_->Edit2, ui_->Edit3, ui_->Edit4,
                                             ui_->Edit5, ui_->Edit6, ui_->Edit7, ui_->Edit8}));
}

TForm16::TForm16(QWidget* parent) : EntryDialog(parent), ui_(std::make_unique<Ui::TForm16>()) {
  ui_->setupUi(this);
  setUp(ui_->Button1, ui_->BitBtn1, {ui_->Edit1, ui_->Edit2, ui_->Edit3, ui_->Edit4}, ui_->Edit5);
}

TForm16::~TForm16() = default;

void TForm16::setBoxes(const std::array<std::string, 4>& octets, const std::string& metric) {
  showBoxTexts<4>({ui_->Edit1, ui_->Edit2, ui_->Edit3, ui_->Edit4}, octets);
  app::ShowFieldText(ui_->Edit5, app::fromAnsi(metric));
}

std::string TForm16::composeItem() const {
  return views::GatewayItem(boxTexts<4>({ui_->Edit1, ui_->Edit2, ui_->Edit3, ui_->Edit4}),
                            app::toAnsi(ui_->Edit5->text()));
}

TForm17::TForm17(QWidget* parent) : EntryDialog(parent), ui_(std::make_unique<Ui::TForm17>()) {
  ui_->setupUi(this);
  setUp(ui_->Button1, ui_->BitBtn1, {ui_->Edit1, ui_->Edit2, ui_->Edit3, ui_->Edit4});
}

TForm17::~TForm17() = default;

void TForm17::setBoxes(const std::array<std::string, 4>& octets) {
  showBoxTexts<4>({ui_->Edit1, ui_->Edit2, ui_->Edit3, ui_->Edit4}, octets);
}

std::string TForm17::composeItem() const {
  return views::DnsItem(boxTexts<4>({ui_->Edit1, ui_->Edit2, ui_->Edit3, ui_->Edit4}));
}
