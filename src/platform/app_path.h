#pragma once

#include <QString>

// The application folder: every file the programs read or write is named from here.
// It is the folder of the running program unless a test has pointed it elsewhere.
QString AppPath();

// Points AppPath() at another folder (tests use a temporary folder of their own).
// An empty path returns to the folder of the running program.
void SetAppPath(const QString& folder);

// The program's title: the caption of message boxes that bring none of their own.
QString AppTitle();
void SetAppTitle(const QString& title);
