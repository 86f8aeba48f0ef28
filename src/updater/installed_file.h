#pragma once

#include <QString>
#include <QVersionNumber>
#include <functional>

class QObject;

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

// A new, empty file beside target, under a name of its own that was free and that no link
// can redirect: made exclusively, so nothing that others planted is followed. "" when the
// folder takes no file.
QString NewStagingFile(const QString& target);

// What the program says its version is ("sonaveil 4.0" for --version), handed to done; a null
// version when it says nothing of the kind within a few seconds. done is not called once
// context is gone.
void AskVersion(const QString& program, QObject* context,
                const std::function<void(const QVersionNumber&)>& done);

// A version as the version texts write it ("4.0", "v4.1.2"); null for anything else.
QVersionNumber ParseVersion(QString text);

// Renames staged over target in one step, so the target is always either the old file or the
// new one. A program is left executable; otherwise the target's own permissions are kept.
// False, with staged left where it is, when the rename fails or staged is not a plain file.
bool Replace(const QString& staged, const QString& target, Kind kind);

}  // namespace InstalledFile
