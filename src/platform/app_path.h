#pragma once

#include <QString>

// The application folder: every file the programs read or write is named from here.
// It is the folder of the running program unless a test has pointed it elsewhere.
QString AppPath();

// Points AppPath() at another folder (tests use a temporary folder of their own).
// An empty path returns to the folder of the running program.
void SetAppPath(const QString& folder);

// The folder whose data/ holds the catalog and the stored playlist: the application folder
// when the program may write there and no package owns it, else the user's own copy of it.
// A system-wide install is read-only to its users, so their first start copies the installed
// data/ to $XDG_DATA_HOME/sonaveil/data; files already there are kept. Decided once per run
// (tests that point AppPath() elsewhere get that folder).
QString DataPath();

// True when the package manager owns the program in the application folder: the package
// marks the folder it installs by a file "package-managed" there that names that folder
// (so a copy unpacked elsewhere is not taken for it). Such a program is updated only through
// the package manager, and its data/ is left as the package laid it out.
bool PackageManaged();

// The program's title: the caption of message boxes that bring none of their own.
QString AppTitle();
void SetAppTitle(const QString& title);
