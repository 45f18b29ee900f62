// The program holds text in the ANSI code page; widgets hold QString. These
// convert at the widget's edge and nowhere else.
#pragma once

#include <QString>

#include <string>
#include <string_view>

#include "platform/code_page.h"

namespace app {

inline QString fromAnsi(std::string_view ansi) {
  return QString::fromStdString(win::ansiToUtf8(ansi));
}

inline std::string toAnsi(const QString& text) {
  return win::ansiFromUtf8(text.toStdString());
}

}  // namespace app
