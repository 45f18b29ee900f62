#include "gui/views/key_press_filter.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "gui/common/code_page_validator.h"
#include "gui/common/qt_text.h"
#include "views/tcpip_lists.h"

namespace views {

KeyPressFilter::KeyPressFilter(KeyPressHandler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

void KeyPressFilter::install(QLineEdit* edit, KeyPressHandler handler, QObject* owner) {
  // A character pasted or committed by the input method is held to the
  // same rule as the key that would type it; a control character, which a
  // key press would not insert, is left out.
  app::FilterArrivingText(edit, [handler](const QString& character) {
    const std::string ansi = app::toAnsi(character);
    if (ansi.empty()) return true;
    if (static_cast<unsigned char>(ansi.front()) < 0x20) return false;
    return handler(ansi.front()) != kRefusedKey;
  });
  edit->installEventFilter(new KeyPressFilter(std::move(handler), owner));
}

bool KeyPressFilter::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
  const QString text = static_cast<QKeyEvent*>(event)->text();
  if (text.isEmpty()) return false;
  // A character the code page lacks arrives as "?", which the numeric
  // filters refuse, as on Windows.
  const std::string ansi = app::toAnsi(text);
  if (ansi.empty()) return false;
  // A refused character is swallowed: the field never sees it.
  return handler_(ansi.front()) == kRefusedKey;
}

}  // namespace views
