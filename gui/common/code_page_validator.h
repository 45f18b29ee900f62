// Text fields whose contents end up in ANSI (code page 932) values: a
// character the code page lacks would be stored as "?", a different value,
// so such a character is refused as it is typed or pasted.
#pragma once

#include <QValidator>

#include <functional>

#include "gui/common/qt_text.h"

class QComboBox;
class QLineEdit;

namespace app {

// True when the text survives the trip to code page 932 and back.
inline bool FitsCodePage(const QString& text) {
  return fromAnsi(toAnsi(text)) == text;
}

class CodePageValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return FitsCodePage(input) ? Acceptable : Invalid;
  }
};

// A field whose value the program stores: `edit` refuses what the code page
// lacks and, with `maxBytes` above 0, typing beyond that many bytes of ANSI
// text. The limit works as a Windows edit's MaxLength does: it holds the
// user back, never the program, and a paste that would pass it is cut to
// fit (a five-digit paste into an empty three-place box leaves its first
// three digits). Qt's own maxLength would also cut a longer stored value
// that the program shows (a metric of 12345 in a four-place field), and a
// save would then write the cut value back.
void LimitTyping(QLineEdit* edit, int maxBytes = 0);

// Whether a field takes one character (a single code point).
using CharacterFilter = std::function<bool(const QString& character)>;
// Holds text that reaches `edit` other than by a key press (a paste, a drop,
// the input method's committed text) to the same rule as typing: the
// characters `accepts` refuses are left out. Nothing changes when none is
// left. The field gets the code-page check of LimitTyping if it has none.
void FilterArrivingText(QLineEdit* edit, CharacterFilter accepts);
// The same for the field of an editable combo box, where a paste past the
// limit is refused whole.
void LimitTyping(QComboBox* box, int maxBytes = 0);

// Shows a text the program set in a field with a typing limit: whole, and
// with the field's cursor kept when the text did not change.
void ShowFieldText(QLineEdit* edit, const QString& text);

}  // namespace app
