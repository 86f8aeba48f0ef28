#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

// The program's texts are written in Chinese; an English translation is shipped beside them.
// Qt's own texts (the buttons of message boxes and file dialogs, the context menus of text
// boxes) come from Qt's translations.

// The translation of the program's own texts for a reader of these languages, most wanted
// first (BCP 47 tags, as QLocale::uiLanguages() gives them): "en" when English comes before
// any Chinese, else empty, for the Chinese texts the program is written in.
QString ProgramLanguage(const QStringList& languages);

// Installs the translations for the desktop's languages (QLocale::system(), which Qt reads from
// LANGUAGE, LC_ALL, LC_MESSAGES and LANG): Qt's catalogs named in qtCatalogs ("qtbase", say)
// from Qt's translations folder, and the program's own from ResourcePath() + "/translations".
// A translation that is missing leaves those texts as they are written. Call once, after the
// application object is made.
void LoadTranslations(const QLocale& desktop, const QStringList& qtCatalogs);
