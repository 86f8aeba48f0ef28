#pragma once

#include <QString>
#include <QStringList>

// The application folder, the folder of the programs: the player, the updater and the board
// are started from here. It is the folder of the running program unless a test has pointed it
// elsewhere.
QString AppPath();

// Points AppPath() at another folder (tests use a temporary folder of their own).
// An empty path returns to the folder of the running program.
void SetAppPath(const QString& folder);

// The programs come in one of two layouts. A self-contained folder (a build's app/, a copy of
// it unpacked anywhere, a test's folder) holds everything: the programs, skin/, help.html,
// translations/ and data/ with the catalog and endpoints.ini. An install keeps only the
// programs in <prefix>/lib/sonaveil; the files they read but never write are in
// <prefix>/share/sonaveil, the deployment settings in <prefix>/etc/sonaveil (/etc/sonaveil for
// /usr), and each user's data in $XDG_DATA_HOME/sonaveil. A folder with skin/ is self-contained.
bool SelfContained();

// The folder of the files the programs read but never write: skin/, help.html, translations/,
// and data/db.dll, the catalog a user's first start copies. The application folder when it is
// self-contained, else <prefix>/share/sonaveil.
QString ResourcePath();

// The deployment settings files, in the order they are read; a key set in a later one wins.
// A self-contained folder has its own data/endpoints.ini alone. An install has the system's
// <prefix>/etc/sonaveil/endpoints.ini (/etc/sonaveil/endpoints.ini for /usr), then the user's
// $XDG_CONFIG_HOME/sonaveil/endpoints.ini.
QStringList SettingsFiles();

// The folder whose data/ holds the catalog and the stored playlist: a self-contained
// application folder when the program may write there and no package owns it, else the
// user's own copy in $XDG_DATA_HOME/sonaveil. The user's first start copies the catalog from
// ResourcePath()'s data/ to it; files already there are kept. Decided once per run (tests that
// point AppPath() elsewhere get that folder).
QString DataPath();

// True when the package manager owns the program in the application folder: the package
// marks the folder it installs by a file "package-managed" there that names that folder
// (so a copy unpacked elsewhere is not taken for it). Such a program is updated only through
// the package manager.
bool PackageManaged();

// The program's title: the caption of message boxes that bring none of their own.
QString AppTitle();
void SetAppTitle(const QString& title);
