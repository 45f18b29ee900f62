#include "gui/views/key_press_filter.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "gui/common/qt_text.h"
#include "views/tcpip_lists.h"

namespace views {

KeyPressFilter::KeyPressFilter(KeyPressHandler handler, QObject* parent)
    : QObject(parent), handler_(std::move(handler)) {}

void KeyPressFilter::install(QLineEdit* edit, KeyPressHandler handler, QObject* owner) {
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
