// The Japanese UI font every window uses: the Windows one where it exists,
// else the common CJK families of a Linux desktop.
#pragma once

#include <QFont>
#include <QStringList>

namespace app {

inline QFont JapaneseUiFont() {
  QFont font;
  font.setFamilies({QStringLiteral("MS UI Gothic"), QStringLiteral("Meiryo UI"),
                    QStringLiteral("Noto Sans CJK JP"), QStringLiteral("IPAPGothic"),
                    QStringLiteral("IPAGothic"), QStringLiteral("VL PGothic"),
                    QStringLiteral("TakaoPGothic")});
  font.setPointSize(9);
  return font;
}

}  // namespace app
