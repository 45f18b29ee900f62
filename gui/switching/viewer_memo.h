// What the two work-file viewers share: the look of their text and how
// lines are put into it.
#pragma once

#include <QPlainTextEdit>
#include <QStringList>

#include <string>
#include <vector>

#include "gui/common/qt_text.h"

namespace switching {

// White 11-pixel text on the inactive-caption colour (Windows XP's default,
// as the machine the program runs against has it).
inline void StyleViewerMemo(QPlainTextEdit& memo) {
  QPalette palette = memo.palette();
  for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
    palette.setColor(group, QPalette::Base, QColor(122, 150, 223));
    palette.setColor(group, QPalette::Text, QColor(255, 255, 255));
  }
  memo.setPalette(palette);
  QFont font = memo.font();
  font.setPixelSize(11);
  memo.setFont(font);
}

// Replaces the memo's text with `ansiLines`, one line each.
inline void ShowViewerLines(QPlainTextEdit& memo, const std::vector<std::string>& ansiLines) {
  QStringList lines;
  lines.reserve(int(ansiLines.size()));
  for (const std::string& line : ansiLines) lines << app::fromAnsi(line);
  memo.setPlainText(lines.join(QLatin1Char('\n')));
}

}  // namespace switching
