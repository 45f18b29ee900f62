#include "gui/views/live_view.h"

#include <QShowEvent>
#include <QSignalBlocker>

#include "gui/common/qt_text.h"
#include "gui/views/proxy_view.h"
#include "gui/views/read_only_field.h"
#include "gui/views/tcpip_details.h"
#include "ui_live_view.h"
#include "views/live_settings.h"

namespace {

void SetTextColour(QWidget* widget, const QColor& colour) {
  QPalette palette = widget->palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
    palette.setColor(group, QPalette::Text, colour);
    palette.setColor(group, QPalette::WindowText, colour);
  }
  widget->setPalette(palette);
}

}  // namespace

TForm2::TForm2(QWidget* parent) : QDialog(parent), ui_(std::make_unique<Ui::TForm2>()) {
  ui_->setupUi(this);
  setWindowFlag(Qt::WindowContextHelpButtonHint, false);

  // Every box shows the machine's values; only the description takes typing,
  // and what is typed there is never used.
  for (QLineEdit* edit : findChildren<QLineEdit*>())
    if (edit != ui_->Edit1) views::MakeReadOnly(edit);
  QFont bold = ui_->Edit2->font();
  bold.setBold(true);
  ui_->Edit2->setFont(bold);
  SetTextColour(ui_->Edit2, QColor(0, 128, 128));
  QFont kindFont = ui_->Label2->font();
  kindFont.setBold(true);
  kindFont.setUnderline(true);
  ui_->Label2->setFont(kindFont);
  SetTextColour(ui_->Label2, QColor(255, 0, 0));
  ui_->Edit5->setText(QStringLiteral("0.0.0.0"));
  ui_->Edit6->setText(QStringLiteral("255.255.255.0"));
  ui_->Edit7->setText(QStringLiteral("0.0.0.0"));

  // A tab picked by mouse or keyboard reloads; a load blocks the signal
  // while it rebuilds the tabs.
  connect(ui_->TabControl1, &QTabBar::currentChanged, this, &TForm2::TabControl1Change);
  connect(ui_->Button1, &QPushButton::clicked, this, &TForm2::Button1Click);
  connect(ui_->Button2, &QPushButton::clicked, this, &TForm2::Button2Click);
  connect(ui_->BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

TForm2::~TForm2() = default;

void TForm2::Attach(const store::Context& ctx, app::DialogRunner& dialogs, TForm13* details,
                    TForm9* proxies) {
  ctx_ = &ctx;
  dialogs_ = &dialogs;
  details_ = details;
  proxies_ = proxies;
}

void TForm2::Load(LoadMode mode) {
  if (!ctx_) return;
  const views::LiveSettings live = views::ReadLiveSettings(*ctx_);

  ui_->Edit2->setText(app::fromAnsi(live.computerName));
  ui_->Edit1->setText(app::fromAnsi(live.description));
  ui_->Edit10->setText(app::fromAnsi(live.joinName));
  if (live.joinKind == views::JoinKind::Workgroup) ui_->RadioButton2->setChecked(true);
  if (live.joinKind == views::JoinKind::Domain) ui_->RadioButton1->setChecked(true);
  ui_->Edit3->setText(app::fromAnsi(live.printer));

  ui_->Edit11->setText(app::fromAnsi(live.autoConfigUrl));
  ui_->CheckBox1->setChecked(live.proxyOn);
  for (QWidget* widget : {static_cast<QWidget*>(ui_->Edit4), static_cast<QWidget*>(ui_->Edit9),
                          static_cast<QWidget*>(ui_->Label4), static_cast<QWidget*>(ui_->Label9),
                          static_cast<QWidget*>(ui_->Button2), static_cast<QWidget*>(ui_->Label10)})
    widget->setEnabled(live.proxyOn);
  ui_->CheckBox2->setChecked(live.bypassLocal);
  ui_->Edit4->setText(app::fromAnsi(live.single.host));
  ui_->Edit9->setText(app::fromAnsi(live.single.port));
  if (proxies_) proxies_->ShowProxy(live.rows, live.exceptions);

  int shown = 0;
  if (mode == LoadMode::Full) {
    const QSignalBlocker blocker(ui_->TabControl1);
    while (ui_->TabControl1->count() > 0) ui_->TabControl1->removeTab(0);
    for (const views::LiveInterface& entry : live.interfaces)
      ui_->TabControl1->addTab(app::fromAnsi(entry.name));
    ui_->TabControl1->setCurrentIndex(0);
  } else {
    shown = ui_->TabControl1->currentIndex();
  }
  // With no interface to show (none qualifies, or the selected tab's has
  // gone since the tabs were built) the boxes keep what they show.
  if (shown < 0 || std::size_t(shown) >= live.interfaces.size()) return;
  const views::LiveInterface& entry = live.interfaces[std::size_t(shown)];
  if (details_) details_->ShowInterface(entry);
  ui_->Label2->setText(app::fromAnsi(entry.kindText));
  ui_->Edit5->setText(app::fromAnsi(entry.address));
  ui_->Edit6->setText(app::fromAnsi(entry.mask));
  ui_->Edit7->setText(app::fromAnsi(entry.gateway));
  ui_->Edit8->setText(app::fromAnsi(entry.dns));
}

void TForm2::Show() {
  Load(LoadMode::Full);
}

void TForm2::TabControl1Change() {
  Load(LoadMode::Tab);
}

void TForm2::Button1Click() {
  if (dialogs_ && details_) dialogs_->run(*details_);
}

void TForm2::Button2Click() {
  if (dialogs_ && proxies_) dialogs_->run(*proxies_);
}

void TForm2::showEvent(QShowEvent* event) {
  // The window's own opening, not the window system's restoring of it.
  if (!event->spontaneous()) Show();
  QDialog::showEvent(event);
}
