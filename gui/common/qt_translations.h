// The program speaks Japanese whatever the system's language: Qt's own
// texts (the buttons of message boxes and standard dialogs) come from Qt's
// Japanese translations rather than from labels of our own.
#pragma once

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QString>
#include <QTranslator>

namespace app {

// Installs qtbase_ja.qm into `application`, looked up first in the folder
// "translations" beside the executable (where the Windows build deploys
// it), then in Qt's own translations folder. Without it Qt's texts stay
// English; false tells the caller so.
inline bool InstallQtTranslations(QCoreApplication& application) {
  auto* translator = new QTranslator(&application);
  const QString folders[] = {
      QCoreApplication::applicationDirPath() + QStringLiteral("/translations"),
      QLibraryInfo::path(QLibraryInfo::TranslationsPath)};
  for (const QString& folder : folders) {
    if (translator->load(QStringLiteral("qtbase_ja"), folder)) {
      QCoreApplication::installTranslator(translator);
      return true;
    }
  }
  delete translator;
  return false;
}

}  // namespace app
