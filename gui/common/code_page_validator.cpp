#include "gui/common/code_page_validator.h"

#include <QComboBox>
#include <QEvent>
#include <QLineEdit>

#include <algorithm>

namespace app {

namespace {

std::size_t ansiBytes(const QString& text) {
  return toAnsi(text).size();
}

// The length of the first character of `text` from `at`, in UTF-16 units.
qsizetype characterLength(const QString& text, qsizetype at) {
  return text.at(at).isHighSurrogate() && at + 1 < text.size() ? 2 : 1;
}

// Refuses a change by the user that makes the text longer than the limit
// and longer than it was; a shorter or equally long change always passes,
// so a field the program filled beyond the limit can still be corrected.
// What the user inserts (typed, pasted, dropped or from the input method)
// loses the characters the field's filter refuses and is cut to the room
// left. A text the program sets passes whole.
class TypingLimitValidator : public CodePageValidator {
 public:
  // `tracksUser`: the validator sees the field's events first, to tell the
  // user's changes from the program's.
  TypingLimitValidator(QLineEdit* edit, int maxBytes, bool tracksUser)
      : CodePageValidator(edit), maxBytes_(maxBytes), shown_(edit->text()) {
    // textChanged follows every accepted change, the program's and the
    // user's alike: the text a change starts from.
    connect(edit, &QLineEdit::textChanged, this, [this](const QString& text) { shown_ = text; });
    if (tracksUser) edit->installEventFilter(this);
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (watched != parent() || userEditing_) return false;
    switch (event->type()) {
      case QEvent::KeyPress:
      case QEvent::InputMethod:
      case QEvent::Drop:
      case QEvent::MouseButtonRelease:  // pastes the selection on X11
      case QEvent::ContextMenu:         // its paste runs while the menu is open
        break;
      default:
        return false;
    }
    // The field handles the event here, so that what it changes meanwhile
    // is known to be the user's; whether it took the event goes on as usual.
    userEditing_ = true;
    static_cast<QObject*>(watched)->event(event);
    userEditing_ = false;
    return true;
  }

  State validate(QString& input, int& pos) const override {
    if (settingText_) return Acceptable;
    if (CodePageValidator::validate(input, pos) == Invalid) return Invalid;
    if (!userEditing_) {
      const std::size_t bytes = ansiBytes(input);
      if (maxBytes_ > 0 && bytes > std::size_t(maxBytes_) && bytes > ansiBytes(shown_))
        return Invalid;
      return Acceptable;
    }

    // The change keeps a head and a tail of the text it starts from and puts
    // the characters it inserts between them, ending at the cursor.
    qsizetype tail = 0;
    const qsizetype maxTail =
        std::min(shown_.size(), input.size() - std::clamp<qsizetype>(pos, 0, input.size()));
    while (tail < maxTail &&
           input.at(input.size() - 1 - tail) == shown_.at(shown_.size() - 1 - tail))
      ++tail;
    qsizetype head = 0;
    const qsizetype maxHead = std::min(shown_.size(), input.size()) - tail;
    while (head < maxHead && input.at(head) == shown_.at(head)) ++head;
    const QString before = input.left(head);
    const QString after = input.right(tail);
    const QString inserted = input.mid(head, input.size() - head - tail);
    if (inserted.isEmpty()) return Acceptable;  // a deletion

    QString kept;
    for (qsizetype at = 0; at < inserted.size();) {
      const QString character = inserted.mid(at, characterLength(inserted, at));
      if (!accepts_ || accepts_(character)) kept += character;
      at += character.size();
    }
    const std::size_t bytes = ansiBytes(before) + ansiBytes(kept) + ansiBytes(after);
    if (maxBytes_ > 0 && bytes > std::size_t(maxBytes_) && bytes > ansiBytes(shown_)) {
      const std::size_t around = ansiBytes(before) + ansiBytes(after);
      std::size_t room = around < std::size_t(maxBytes_) ? std::size_t(maxBytes_) - around : 0;
      qsizetype fits = 0;
      while (fits < kept.size()) {
        const qsizetype length = characterLength(kept, fits);
        const std::size_t characterBytes = ansiBytes(kept.mid(fits, length));
        if (characterBytes > room) break;
        room -= characterBytes;
        fits += length;
      }
      kept.truncate(fits);
    }
    // Nothing left to insert: the change does not happen, as with a refused
    // key.
    if (kept.isEmpty()) return Invalid;
    input = before + kept + after;
    pos = int(before.size() + kept.size());
    return Acceptable;
  }

  // While set, the program is setting the text.
  mutable bool settingText_ = false;
  CharacterFilter accepts_;

 private:
  bool userEditing_ = false;

  int maxBytes_;
  QString shown_;
};

void limitTyping(QLineEdit* edit, int maxBytes, bool tracksUser) {
  edit->setMaxLength(32767);  // Qt's default: no cut of its own
  edit->setValidator(new TypingLimitValidator(edit, maxBytes, tracksUser));
}

}  // namespace

void LimitTyping(QLineEdit* edit, int maxBytes) {
  limitTyping(edit, maxBytes, true);
}

void LimitTyping(QComboBox* box, int maxBytes) {
  // The combo box watches its field's events itself: it keeps them first,
  // and changes in its field are all held to the limit as a whole.
  if (QLineEdit* edit = box->lineEdit()) limitTyping(edit, maxBytes, false);
}

void FilterArrivingText(QLineEdit* edit, CharacterFilter accepts) {
  auto* limit = dynamic_cast<TypingLimitValidator*>(const_cast<QValidator*>(edit->validator()));
  if (!limit) {
    LimitTyping(edit);
    limit = static_cast<TypingLimitValidator*>(const_cast<QValidator*>(edit->validator()));
  }
  limit->accepts_ = std::move(accepts);
}

void ShowFieldText(QLineEdit* edit, const QString& text) {
  if (edit->text() == text) return;
  auto* limit = dynamic_cast<const TypingLimitValidator*>(edit->validator());
  if (limit) limit->settingText_ = true;
  edit->setText(text);
  if (limit) limit->settingText_ = false;
}

}  // namespace app
