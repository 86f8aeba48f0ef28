#pragma once

#include <QString>

// Checks a downloaded file for what it claims to be and puts it in place of an installed one.
namespace InstalledFile {

enum class Kind { kProgram, kCatalog };

// A program: a whole ELF executable (its header tables, segments and sections all inside the
// file) whose class, byte order and machine are those of the running program, so that it can
// run here.
bool IsProgramForThisMachine(const QString& path);

// A catalog: an SQLite database holding the tables SClass, NNClass, NSpecial and NMusicList.
bool IsCatalog(const QString& path);

bool Is(Kind kind, const QString& path);

// Renames staged over target in one step, so the target is always either the old file or the
// new one. A program is left executable; otherwise the target's own permissions are kept.
// False, with staged left where it is, when the rename fails.
bool Replace(const QString& staged, const QString& target, Kind kind);

}  // namespace InstalledFile
