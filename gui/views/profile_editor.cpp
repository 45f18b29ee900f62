#include "gui/views/profile_editor.h"

#include <QKeyEvent>
#include <QPushButton>
#include <QShowEvent>
#include <QSignalBlocker>

#include "gui/common/code_page_validator.h"
#include "gui/common/owner_handle.h"
#include "gui/common/qt_text.h"
#include "gui/views/key_press_filter.h"
#include "gui/views/proxy_editor.h"
#include "gui/views/radio_group.h"
#include "gui/views/read_only_field.h"
#include "gui/views/tcpip_editor.h"
#include "store/profile_titles.h"
#include "ui_profile_editor.h"

namespace {

// A stored single value holds at most 255 bytes.
constexpr int kValueBytes = 255;

void showText(QLineEdit* edit, const std::string& ansi) {
  app::ShowFieldText(edit, app::fromAnsi(ansi));
}

}  // namespace

TForm3::TForm3(QWidget* parent)
    : QDialog(parent),
      ui_(std::make_unique<Ui::TForm3>()),
      workingSet_(std::make_unique<views::WorkingSet>()) {
  ui_->setupUi(this);
  setObjectName("TForm3");
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);
  ui_->TabControl1->setExpanding(false);
  ui_->TabControl1->setDrawBase(false);

  connect(ui_->TabControl1, &QTabBar::currentChanged, this, &TForm3::tabChanged);
  connect(ui_->Button1, &QPushButton::clicked, this, &TForm3::Button1Click);
  connect(ui_->Button2, &QPushButton::clicked, this, &TForm3::Button2Click);
  connect(ui_->Button3, &QPushButton::clicked, this, &TForm3::Button3Click);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &QDialog::reject);
  // clicked fires for the user only; the load sets the boxes through the
  // proxy state, whose operations run the toggles' effects themselves.
  connect(ui_->CheckBox1, &QCheckBox::clicked, this, &TForm3::CheckBox1Click);
  connect(ui_->CheckBox2, &QCheckBox::clicked, this,
          [this](bool checked) { proxyState().bypassLocal = checked; });
  connect(ui_->Edit2, &QLineEdit::textEdited, this,
          [this](const QString& text) { proxyState().scriptAddress = app::toAnsi(text); });
  connect(ui_->Edit4, &QLineEdit::textEdited, this,
          [this](const QString& text) { proxyState().single.host = app::toAnsi(text); });
  connect(ui_->Edit9, &QLineEdit::textEdited, this,
          [this](const QString& text) { proxyState().single.port = app::toAnsi(text); });

  // The profile's name is shown, not edited: it takes no Tab stop, so the
  // window opens on the membership.
  views::MakeReadOnly(ui_->Edit10);
  ui_->Edit10->setFocusPolicy(Qt::ClickFocus);
  views::TabToCheckedButton({ui_->RadioButton1, ui_->RadioButton2});

  // Every field is saved into the profile.
  for (QLineEdit* edit : {ui_->Edit1, ui_->Edit2, ui_->Edit4, ui_->Edit5, ui_->Edit6, ui_->Edit7,
                          ui_->Edit8, ui_->Edit9})
    app::LimitTyping(edit, kValueBytes);
  app::LimitTyping(ui_->ComboBox1, kValueBytes);
  for (QLineEdit* edit : {ui_->Edit5, ui_->Edit6, ui_->Edit7})
    views::KeyPressFilter::install(
        edit, [this](char key) { return Edit5KeyPress(key); }, this);
  views::KeyPressFilter::install(
      ui_->Edit8, [this](char key) { return Edit8Press(key); }, this);
  views::KeyPressFilter::install(
      ui_->Edit9, [this](char key) { return Edit9KeyPress(key); }, this);

  // Enter presses only the focused button here, so no button may look like
  // the default one.
  for (QPushButton* button : findChildren<QPushButton*>()) button->setAutoDefault(false);

  // Nothing to save or edit until a profile has been loaded.
  ui_->Button1->setEnabled(false);
  ui_->Button3->setEnabled(false);
  showProxyState();
}

TForm3::~TForm3() = default;

void TForm3::attach(win::Machine& machine, win::Prompter& prompter, app::DialogRunner& dialogs,
                    TForm10* proxyEditor, TForm14* tcpipEditor,
                    std::function<std::string()> selectedTitle) {
  machine_ = &machine;
  prompter_ = &prompter;
  dialogs_ = &dialogs;
  proxyEditor_ = proxyEditor;
  tcpipEditor_ = tcpipEditor;
  selectedTitle_ = std::move(selectedTitle);
  if (proxyEditor_)
    connect(proxyEditor_, &TForm10::SingleFieldsChanged, this, &TForm3::showProxyState,
            Qt::UniqueConnection);
  showProxyState();
}

views::AddressBoxes TForm3::addressBoxes() const {
  return {app::toAnsi(ui_->Edit5->text()), app::toAnsi(ui_->Edit6->text()),
          app::toAnsi(ui_->Edit7->text()), app::toAnsi(ui_->Edit8->text())};
}

void TForm3::setAddressBoxes(const views::AddressBoxes& boxes) {
  showText(ui_->Edit5, boxes.address);
  showText(ui_->Edit6, boxes.mask);
  showText(ui_->Edit7, boxes.gateway);
  showText(ui_->Edit8, boxes.dns);
}

int TForm3::currentTab() const {
  return ui_->TabControl1->currentIndex();
}

char TForm3::Edit5KeyPress(char key) {
  return views::FilterKey(key, views::kAddressKeys);
}

char TForm3::Edit8Press(char key) {
  return views::FilterKey(key, views::kDnsKeys);
}

char TForm3::Edit9KeyPress(char key) {
  return views::FilterKey(key, views::kDigits);
}

void TForm3::Show() {
  if (!machine_) return;
  const std::string title = selectedTitle_ ? selectedTitle_() : std::string();
  const store::Context ctx = context();
  std::optional<int> slot = store::LocateProfileSlot(ctx, title);
  if (!slot) {
    // The window shows what it showed before, but a save must not write it
    // into whatever profile now has the slot it came from.
    contents_.slot = 0;
    ui_->Button3->setEnabled(false);
    return;
  }
  contents_ = views::LoadProfile(ctx, *slot, title, *workingSet_);

  setWindowTitle(QStringLiteral("[%1]の詳細").arg(app::fromAnsi(title)));
  showText(ui_->Edit10, title);

  {
    const QSignalBlocker blocker(ui_->TabControl1);
    while (ui_->TabControl1->count() > 0) ui_->TabControl1->removeTab(0);
    for (const views::ProfileInterface& iface : contents_.interfaces)
      ui_->TabControl1->addTab(app::fromAnsi(iface.name));
    ui_->TabControl1->setCurrentIndex(contents_.interfaces.empty() ? -1 : 0);
  }
  shownTab_ = currentTab();
  Change();

  ui_->ComboBox1->clear();
  for (const std::string& printer : views::ReadPrinterNames(ctx))
    ui_->ComboBox1->addItem(app::fromAnsi(printer));
  ui_->ComboBox1->setEditText(app::fromAnsi(contents_.printer));

  showText(ui_->Edit1, contents_.domainName);
  (contents_.domain ? ui_->RadioButton1 : ui_->RadioButton2)->setChecked(true);

  views::LoadProxyState(proxyState(), contents_.proxy);
  if (proxyEditor_) proxyEditor_->ShowState();
  showProxyState();

  ui_->Button1->setEnabled(!contents_.interfaces.empty());
  ui_->Button3->setEnabled(true);
  views::ReportLoadLimits(ctx, contents_);
}

void TForm3::Changing() {
  if (shownTab_ < 0 || shownTab_ >= int(contents_.interfaces.size())) return;
  views::InterfaceBuffers& buffers = (*workingSet_)[std::size_t(shownTab_)];
  views::AddressBoxes boxes = addressBoxes();
  buffers.addressText = boxes.address;
  buffers.maskText = boxes.mask;
  buffers.gatewayText = boxes.gateway;
  buffers.dnsText = boxes.dns;
}

void TForm3::Change() {
  const int tab = currentTab();
  if (tab < 0 || tab >= int(contents_.interfaces.size())) {
    setAddressBoxes({});
    ui_->Label1->clear();
    return;
  }
  const views::InterfaceBuffers& buffers = (*workingSet_)[std::size_t(tab)];
  setAddressBoxes({buffers.addressText, buffers.maskText, buffers.gatewayText, buffers.dnsText});
  ui_->Label1->setText(views::IsStoredDhcp(context(), contents_.interfaces[std::size_t(tab)])
                           ? QStringLiteral("DHCP")
                           : QStringLiteral("STATIC"));
}

void TForm3::Button1Click() {
  if (!tcpipEditor_ || !dialogs_ || currentTab() < 0) return;
  tcpipEditor_->setTag(currentTab());
  dialogs_->run(*tcpipEditor_);
}

void TForm3::Button2Click() {
  if (!proxyEditor_ || !dialogs_) return;
  dialogs_->run(*proxyEditor_);
  showProxyState();
}

void TForm3::Button3Click() {
  if (!machine_ || contents_.slot == 0) return;
  views::EditorFields fields;
  fields.currentTab = currentTab();
  views::AddressBoxes boxes = addressBoxes();
  fields.address = boxes.address;
  fields.mask = boxes.mask;
  fields.gateway = boxes.gateway;
  fields.dns = boxes.dns;
  fields.printer = app::toAnsi(ui_->ComboBox1->currentText());
  fields.domainName = app::toAnsi(ui_->Edit1->text());
  fields.domain = ui_->RadioButton1->isChecked();
  fields.proxy = proxyState();

  views::SaveOutcome outcome = views::SaveProfile(context(), contents_, *workingSet_, fields);
  if (outcome.currentTabSetToDhcp) {
    showText(ui_->Edit5, "0.0.0.0");
    showText(ui_->Edit6, "0.0.0.0");
  }
}

void TForm3::CheckBox1Click() {
  views::SetProxyOn(proxyState(), ui_->CheckBox1->isChecked());
  showProxyState();
}

void TForm3::showEvent(QShowEvent* event) {
  // The window's own opening, not the window system's restoring of it.
  if (!event->spontaneous()) Show();
  QDialog::showEvent(event);
}

void TForm3::keyPressEvent(QKeyEvent* event) {
  // Enter presses the focused button and nothing else: the editor has no
  // default action, and saving is always asked for with its own button.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    if (auto* button = qobject_cast<QPushButton*>(focusWidget())) button->click();
    return;
  }
  QDialog::keyPressEvent(event);
}

store::Context TForm3::context() {
  return store::Context{*machine_, *prompter_, app::OwnerHandle(this)};
}

views::ProxyEditState& TForm3::proxyState() {
  return proxyEditor_ ? proxyEditor_->state() : ownProxyState_;
}

void TForm3::showProxyState() {
  const views::ProxyEditState& state = proxyState();
  ui_->CheckBox1->setChecked(state.proxyOn);
  ui_->CheckBox2->setChecked(state.bypassLocal);
  showText(ui_->Edit2, state.scriptAddress);
  showText(ui_->Edit4, state.single.host);
  ui_->Edit4->setCursorPosition(0);  // a long host shows its beginning
  showText(ui_->Edit9, state.single.port);
  const bool single = views::SingleFieldsEnabled(state);
  for (QWidget* widget : {static_cast<QWidget*>(ui_->Edit4), static_cast<QWidget*>(ui_->Label4),
                          static_cast<QWidget*>(ui_->Edit9), static_cast<QWidget*>(ui_->Label9)})
    widget->setEnabled(single);
  const bool details = views::ProxyDetailsEnabled(state);
  ui_->Button2->setEnabled(details);
  ui_->CheckBox2->setEnabled(details);
}

void TForm3::tabChanged(int index) {
  Changing();
  shownTab_ = index;
  Change();
}
