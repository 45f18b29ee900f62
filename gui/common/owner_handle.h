// The owner of a message box, as the logic passes it around: a window handle
// (win::HWND) that holds the QWidget raising the box, so that the Qt prompter
// can parent the box to it. On Windows HWND is the system's own pointer type,
// hence the explicit casts; the value is never given to the system as a
// handle (see NativeWindowHandle for that).
#pragma once

#include <QWidget>

#include "platform/win_types.h"

namespace app {

inline win::HWND OwnerHandle(QWidget* widget) {
  return reinterpret_cast<win::HWND>(widget);
}

inline QWidget* OwnerWidget(win::HWND owner) {
  return reinterpret_cast<QWidget*>(owner);
}

// The handle the system knows the window by, for the calls that go to the
// system itself (ShellExecute's owner window). Elsewhere the emulated machine
// takes the owner as the logic passes it.
inline win::HWND NativeWindowHandle(QWidget* widget) {
#ifdef _WIN32
  return reinterpret_cast<win::HWND>(widget->window()->winId());
#else
  return OwnerHandle(widget);
#endif
}

}  // namespace app
