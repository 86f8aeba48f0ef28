#include "updater/installed_file.h"

#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QUuid>
#include <cstdio>
#include <optional>

namespace InstalledFile {

namespace {

// The fields of an ELF header that decide whether this machine can run the file: the first
// 20 bytes hold the magic, class, byte order, file type and machine.
struct ElfIdentity {
  char elfClass;
  char byteOrder;
  int type;
  int machine;
};

std::optional<ElfIdentity> ReadElfIdentity(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray head = file.read(20);
  if (head.size() < 20 || !head.startsWith("\x7f"
                                           "ELF"))
    return std::nullopt;
  const bool little = head[5] == 1;
  auto half = [&](int at) {
    const auto lo = static_cast<unsigned char>(head[little ? at : at + 1]);
    const auto hi = static_cast<unsigned char>(head[little ? at + 1 : at]);
    return lo | (hi << 8);
  };
  return ElfIdentity{head[4], head[5], half(16), half(18)};
}

constexpr int kElfExecutable = 2;
constexpr int kElfSharedObject = 3;  // what a position-independent executable is

}  // namespace

bool IsProgramForThisMachine(const QString& path) {
  static const std::optional<ElfIdentity> own = ReadElfIdentity("/proc/self/exe");
  const std::optional<ElfIdentity> file = ReadElfIdentity(path);
  if (!own || !file) return false;
  return file->elfClass == own->elfClass && file->byteOrder == own->byteOrder &&
         file->machine == own->machine &&
         (file->type == kElfExecutable || file->type == kElfSharedObject);
}

bool IsCatalog(const QString& path) {
  {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.read(16) != QByteArray("SQLite format 3", 16))
      return false;
  }
  const QString name = "catalog-check-" + QUuid::createUuid().toString(QUuid::WithoutBraces);
  int tables = 0;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", name);
    db.setDatabaseName(path);
    db.setConnectOptions("QSQLITE_OPEN_READONLY");
    if (db.open()) {
      QSqlQuery query(db);
      if (query.exec("select count(*) from sqlite_master where type='table' and name in "
                     "('SClass','NNClass','NSpecial','NMusicList')") &&
          query.next())
        tables = query.value(0).toInt();
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
  return tables == 4;
}

bool Is(Kind kind, const QString& path) {
  return kind == Kind::kProgram ? IsProgramForThisMachine(path) : IsCatalog(path);
}

bool Replace(const QString& staged, const QString& target, Kind kind) {
  QFileDevice::Permissions permissions = QFile::permissions(staged);
  if (QFileInfo::exists(target)) permissions = QFile::permissions(target);
  if (kind == Kind::kProgram) {
    // Whoever may read the program may run it.
    permissions |= QFileDevice::ExeOwner | QFileDevice::ExeUser;
    if (permissions & QFileDevice::ReadGroup) permissions |= QFileDevice::ExeGroup;
    if (permissions & QFileDevice::ReadOther) permissions |= QFileDevice::ExeOther;
  }
  if (!QFile::setPermissions(staged, permissions)) return false;
  // rename(2) replaces an existing target atomically; QFile::rename would refuse it.
  return std::rename(QFile::encodeName(staged).constData(),
                     QFile::encodeName(target).constData()) == 0;
}

}  // namespace InstalledFile
