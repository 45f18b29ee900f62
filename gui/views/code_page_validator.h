// Text fields whose contents end up in ANSI (code page 932) values: a
// character the code page lacks would be stored as "?", a different value,
// so such a character is refused as it is typed or pasted.
#pragma once

#include <QValidator>

#include "gui/common/qt_text.h"

namespace views {

// True when the text survives the trip to code page 932 and back.
inline bool FitsCodePage(const QString& text) {
  return app::fromAnsi(app::toAnsi(text)) == text;
}

class CodePageValidator : public QValidator {
 public:
  using QValidator::QValidator;
  State validate(QString& input, int&) const override {
    return FitsCodePage(input) ? Acceptable : Invalid;
  }
};

}  // namespace views
