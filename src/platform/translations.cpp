#include "platform/translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "platform/app_path.h"

namespace {
// Installs the translator if it found its translation, else drops it.
void Install(QTranslator* translator, bool loaded) {
  if (loaded && QCoreApplication::installTranslator(translator)) return;
  delete translator;
}
}  // namespace

QString ProgramLanguage(const QStringList& languages) {
  for (const QString& tag : languages) {
    const QLocale::Language language = QLocale(tag).language();
    if (language == QLocale::English) return "en";
    if (language == QLocale::Chinese) return QString();
  }
  return QString();
}

void LoadTranslations(const QLocale& desktop, const QStringList& qtCatalogs) {
  QCoreApplication* app = QCoreApplication::instance();
  const QString qtFolder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
  for (const QString& catalog : qtCatalogs) {
    auto* translator = new QTranslator(app);
    Install(translator, translator->load(desktop, catalog, "_", qtFolder));
  }
  const QString language = ProgramLanguage(desktop.uiLanguages());
  if (language.isEmpty()) return;
  auto* translator = new QTranslator(app);
  Install(translator, translator->load("sonaveil_" + language, ResourcePath() + "/translations"));
}
