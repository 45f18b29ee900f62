#include "gui/views/code_page_validator.h"

#include <QComboBox>
#include <QLineEdit>

namespace views {

namespace {

// Refuses a change by the user that makes the text longer than the limit
// and longer than it was; a shorter or equally long change always passes,
// so a field the program filled beyond the limit can still be corrected.
// A text the program sets passes whole.
class TypingLimitValidator : public CodePageValidator {
 public:
  TypingLimitValidator(QLineEdit* edit, int maxBytes)
      : CodePageValidator(edit), maxBytes_(maxBytes), shown_(edit->text()) {
    // textChanged follows every accepted change, the program's and the
    // user's alike: the text a change starts from.
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { shown_ = text; });
  }

  State validate(QString& input, int& pos) const override {
    if (settingText_) return Acceptable;
    if (CodePageValidator::validate(input, pos) == Invalid) return Invalid;
    if (maxBytes_ <= 0) return Acceptable;
    const std::size_t bytes = app::toAnsi(input).size();
    if (bytes > std::size_t(maxBytes_) && bytes > app::toAnsi(shown_).size()) return Invalid;
    return Acceptable;
  }

  // While set, the program is setting the text.
  mutable bool settingText_ = false;

 private:
  int maxBytes_;
  QString shown_;
};

}  // namespace

void LimitTyping(QLineEdit* edit, int maxBytes) {
  edit->setMaxLength(32767);  // Qt's default: no cut of its own
  edit->setValidator(new TypingLimitValidator(edit, maxBytes));
}

void LimitTyping(QComboBox* box, int maxBytes) {
  if (QLineEdit* edit = box->lineEdit()) LimitTyping(edit, maxBytes);
}

void ShowFieldText(QLineEdit* edit, const QString& text) {
  if (edit->text() == text) return;
  auto* limit = dynamic_cast<const TypingLimitValidator*>(edit->validator());
  if (limit) limit->settingText_ = true;
  edit->setText(text);
  if (limit) limit->settingText_ = false;
}

}  // namespace views
