#include "gui/views/marks_dialog.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include <algorithm>

#include "gui/common/code_page_validator.h"
#include "gui/common/qt_text.h"
#include "store/messages.h"
#include "store/profile_store.h"
#include "store/profile_titles.h"
#include "views/live_settings.h"

namespace app {

namespace {

QString kindCaption(store::MarkKind kind) {
  switch (kind) {
    case store::MarkKind::Ssid:
      return QStringLiteral("SSID");
    case store::MarkKind::DnsSuffix:
      return QStringLiteral("DNSｻﾌｨｯｸｽ");
    case store::MarkKind::GatewayMac:
      return QStringLiteral("ｹﾞｰﾄｳｪｲMAC");
  }
  return {};
}

}  // namespace

MarksDialog::MarksDialog(QWidget* parent) : QDialog(parent) {
  setObjectName("MarksDialog");
  setWindowTitle(QStringLiteral("ﾈｯﾄﾜｰｸの目印"));

  titleLabel_ = new QLabel(this);
  table_ = new QTableWidget(0, 3, this);
  table_->setObjectName("MarksTable");
  table_->setHorizontalHeaderLabels(
      {QStringLiteral("種類"), QStringLiteral("接続名"), QStringLiteral("値")});
  table_->horizontalHeader()->setStretchLastSection(true);
  table_->verticalHeader()->hide();
  table_->setSelectionBehavior(QAbstractItemView::SelectRows);
  table_->setEditTriggers(QAbstractItemView::NoEditTriggers);

  kindBox_ = new QComboBox(this);
  kindBox_->setObjectName("KindBox");
  for (store::MarkKind kind : store::kMarkKinds) kindBox_->addItem(kindCaption(kind), int(kind));
  connectionBox_ = new QComboBox(this);
  connectionBox_->setObjectName("ConnectionBox");
  connectionBox_->setEditable(true);
  app::LimitTyping(connectionBox_);
  valueEdit_ = new QLineEdit(this);
  valueEdit_->setObjectName("ValueEdit");
  app::LimitTyping(valueEdit_);
  auto* addButton = new QPushButton(QStringLiteral("追加(&A)"), this);
  addButton->setObjectName("AddButton");
  auto* removeButton = new QPushButton(QStringLiteral("削除(&D)"), this);
  removeButton->setObjectName("RemoveButton");
  auto* addLiveButton = new QPushButton(QStringLiteral("現在のﾈｯﾄﾜｰｸから追加(&N)"), this);
  addLiveButton->setObjectName("AddLiveButton");

  auto* actionGroup = new QGroupBox(QStringLiteral("一致したとき"), this);
  offerRadio_ = new QRadioButton(QStringLiteral("切り替えを提案する(&O)"), actionGroup);
  offerRadio_->setObjectName("OfferRadio");
  switchRadio_ = new QRadioButton(QStringLiteral("すぐに切り替える（確認あり）(&S)"), actionGroup);
  switchRadio_->setObjectName("SwitchRadio");
  silentRadio_ = new QRadioButton(QStringLiteral("すぐに切り替える（確認なし）(&W)"), actionGroup);
  silentRadio_->setObjectName("SilentRadio");
  auto* actionLayout = new QVBoxLayout(actionGroup);
  actionLayout->addWidget(offerRadio_);
  actionLayout->addWidget(switchRadio_);
  actionLayout->addWidget(silentRadio_);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);

  auto* entry = new QHBoxLayout;
  entry->addWidget(kindBox_);
  entry->addWidget(connectionBox_, 1);
  entry->addWidget(valueEdit_, 1);
  entry->addWidget(addButton);
  auto* listButtons = new QHBoxLayout;
  listButtons->addWidget(removeButton);
  listButtons->addWidget(addLiveButton);
  listButtons->addStretch();
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(titleLabel_);
  layout->addWidget(table_);
  layout->addLayout(listButtons);
  layout->addLayout(entry);
  layout->addWidget(actionGroup);
  layout->addWidget(buttons);
  resize(520, 400);

  connect(addButton, &QPushButton::clicked, this, &MarksDialog::AddButtonClick);
  connect(removeButton, &QPushButton::clicked, this, &MarksDialog::RemoveButtonClick);
  connect(addLiveButton, &QPushButton::clicked, this, &MarksDialog::AddLiveButtonClick);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}

void MarksDialog::load(const store::Context& ctx, const std::string& ansiTitle) {
  ctx_.emplace(ctx);
  title_ = ansiTitle;
  marks_ = {};
  titleLabel_->setText(QStringLiteral("登録名：") + fromAnsi(ansiTitle));
  if (std::optional<int> index = store::FindProfileByTitle(ctx, ansiTitle).index)
    marks_ = store::ReadProfileMarks(ctx, *index + 1);
  switch (marks_.action) {
    case store::MatchAction::Offer:
      offerRadio_->setChecked(true);
      break;
    case store::MatchAction::SwitchAfterConfirmation:
      switchRadio_->setChecked(true);
      break;
    case store::MatchAction::SwitchWithoutConfirmation:
      silentRadio_->setChecked(true);
      break;
  }
  // The live interfaces' names are offered for typing a new mark.
  connectionBox_->clear();
  for (const views::LiveInterface& live : views::ReadLiveSettings(ctx).interfaces)
    connectionBox_->addItem(fromAnsi(live.name));
  valueEdit_->clear();
  showMarks();
}

bool MarksDialog::save() {
  if (!ctx_) return false;
  marks_.action = silentRadio_->isChecked()   ? store::MatchAction::SwitchWithoutConfirmation
                  : switchRadio_->isChecked() ? store::MatchAction::SwitchAfterConfirmation
                                              : store::MatchAction::Offer;
  const store::ProfileMarks edited = marks_;
  return store::UpdateProfileMarks(*ctx_, title_,
                                   [&](store::ProfileMarks& stored) { stored = edited; });
}

void MarksDialog::AddButtonClick() {
  store::NetworkMark mark{store::MarkKind(kindBox_->currentData().toInt()),
                          toAnsi(connectionBox_->currentText()), toAnsi(valueEdit_->text())};
  if (std::optional<std::string> problem = store::NormaliseMark(mark)) {
    if (ctx_) store::ShowError(*ctx_, *problem);
    return;
  }
  addMark(mark);
  valueEdit_->clear();
  showMarks();
}

void MarksDialog::RemoveButtonClick() {
  int row = table_->currentRow();
  if (row < 0 || row >= int(marks_.marks.size())) return;
  marks_.marks.erase(marks_.marks.begin() + row);
  showMarks();
}

void MarksDialog::AddLiveButtonClick() {
  if (!ctx_) return;
  for (const store::NetworkMark& mark : store::ReadLiveMarks(*ctx_)) addMark(mark);
  showMarks();
}

void MarksDialog::addMark(const store::NetworkMark& mark) {
  if (std::find(marks_.marks.begin(), marks_.marks.end(), mark) == marks_.marks.end())
    marks_.marks.push_back(mark);
}

void MarksDialog::showMarks() {
  table_->setRowCount(int(marks_.marks.size()));
  for (int row = 0; row < int(marks_.marks.size()); ++row) {
    const store::NetworkMark& mark = marks_.marks[std::size_t(row)];
    table_->setItem(row, 0, new QTableWidgetItem(kindCaption(mark.kind)));
    table_->setItem(row, 1, new QTableWidgetItem(fromAnsi(mark.connection)));
    table_->setItem(row, 2, new QTableWidgetItem(fromAnsi(mark.value)));
  }
}

}  // namespace app
