// The window tests run on Qt's offscreen platform: no display is needed.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdio>

#include "gui/common/japanese_font.h"
#include "gui/common/qt_translations.h"

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  application.setFont(app::JapaneseUiFont());
  // The windows are tested with the Japanese buttons the program shows.
  if (!app::InstallQtTranslations(application)) {
    std::fprintf(stderr, "qtbase_ja.qm not found (Debian package qt6-translations-l10n)\n");
    return 1;
  }
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
