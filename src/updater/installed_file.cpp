#include "updater/installed_file.h"

#include <QFile>
#include <QFileInfo>
#include <QPointer>
#include <QProcess>
#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QTimer>
#include <QUuid>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>

namespace InstalledFile {

namespace {

// The fields of an ELF header that decide whether this machine can run the file: its class,
// byte order, file type and machine.
struct ElfIdentity {
  char elfClass;
  char byteOrder;
  int type;
  int machine;
};

// Reads an unsigned field of `bytes` bytes at `at`; nothing past the end.
std::optional<quint64> Field(const QByteArray& elf, quint64 at, int bytes) {
  if (at > quint64(elf.size()) || quint64(elf.size()) - at < quint64(bytes)) return std::nullopt;
  const bool little = elf[5] == 1;
  quint64 value = 0;
  for (int i = 0; i < bytes; ++i) {
    const auto byte = static_cast<unsigned char>(elf[qsizetype(at) + (little ? bytes - 1 - i : i)]);
    value = value << 8 | byte;
  }
  return value;
}

bool Within(const QByteArray& elf, quint64 offset, quint64 length) {
  return offset <= quint64(elf.size()) && length <= quint64(elf.size()) - offset;
}

// Whether the headers and the tables they point to lie inside the file, with every segment and
// every section that has content: a file cut short anywhere fails here.
bool IsWhole(const QByteArray& elf) {
  const bool wide = elf[4] == 2;
  const int word = wide ? 8 : 4;
  const quint64 header = wide ? 64 : 52;
  const auto phoff = Field(elf, wide ? 32 : 28, word), shoff = Field(elf, wide ? 40 : 32, word);
  const auto phentsize = Field(elf, header - 10, 2), phnum = Field(elf, header - 8, 2);
  const auto shentsize = Field(elf, header - 6, 2), shnum = Field(elf, header - 4, 2);
  if (!phoff || !shoff || !phentsize || !phnum || !shentsize || !shnum) return false;
  if (*phnum > 0 && (*phentsize < (wide ? 56u : 32u) || !Within(elf, *phoff, *phnum * *phentsize)))
    return false;
  if (*shoff != 0 && (*shentsize < (wide ? 64u : 40u) ||
                      !Within(elf, *shoff, std::max<quint64>(*shnum, 1) * *shentsize)))
    return false;
  for (quint64 i = 0; i < *phnum; ++i) {
    const quint64 at = *phoff + i * *phentsize;
    const auto offset = Field(elf, at + (wide ? 8 : 4), word);
    const auto size = Field(elf, at + (wide ? 32 : 16), word);
    if (!offset || !size || !Within(elf, *offset, *size)) return false;
  }
  constexpr quint64 kNoBits = 8;  // a section that takes no room in the file
  for (quint64 i = 0; *shoff != 0 && i < *shnum; ++i) {
    const quint64 at = *shoff + i * *shentsize;
    const auto type = Field(elf, at + 4, 4);
    const auto offset = Field(elf, at + (wide ? 24 : 16), word);
    const auto size = Field(elf, at + (wide ? 32 : 20), word);
    if (!type || !offset || !size || (*type != kNoBits && !Within(elf, *offset, *size)))
      return false;
  }
  return true;
}

// The identity of a whole ELF file; nothing for anything else.
std::optional<ElfIdentity> ReadElfIdentity(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return std::nullopt;
  const QByteArray elf = file.readAll();
  if (elf.size() < 64 ||
      !elf.startsWith("\x7f"
                      "ELF") ||
      (elf[4] != 1 && elf[4] != 2) || (elf[5] != 1 && elf[5] != 2) || !IsWhole(elf))
    return std::nullopt;
  return ElfIdentity{elf[4], elf[5], int(*Field(elf, 16, 2)), int(*Field(elf, 18, 2))};
}

// How long a program may take to say its version.
constexpr int kVersionAnswerMs = 5000;

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

QString NewStagingFile(const QString& target) {
  // QTemporaryFile creates its file with O_CREAT | O_EXCL, which follows no link.
  QTemporaryFile file(target + ".XXXXXX.download");
  file.setAutoRemove(false);
  return file.open() ? file.fileName() : QString();
}

QVersionNumber ParseVersion(QString text) {
  text = text.trimmed();
  if (text.startsWith(u'v', Qt::CaseInsensitive)) text.remove(0, 1);
  if (!QRegularExpression(R"(^\d+(\.\d+)*$)").match(text).hasMatch()) return {};
  return QVersionNumber::fromString(text);
}

void AskVersion(const QString& program, QObject* context,
                const std::function<void(const QVersionNumber&)>& done) {
  auto* process = new QProcess(context);
  auto answered = std::make_shared<bool>(false);
  auto answer = [process, answered, done](const QVersionNumber& version) {
    if (*answered) return;
    *answered = true;
    process->deleteLater();
    done(version);
  };
  QObject::connect(process, &QProcess::finished, context, [process, answer] {
    const QString said = QString::fromUtf8(process->readAllStandardOutput()).trimmed();
    answer(said.startsWith("sonaveil ") ? ParseVersion(said.mid(9)) : QVersionNumber());
  });
  QObject::connect(process, &QProcess::errorOccurred, context,
                   [answer](QProcess::ProcessError error) {
                     if (error == QProcess::FailedToStart) answer({});
                   });
  // A program that hangs says nothing; it is ended, and its end answers.
  QTimer::singleShot(kVersionAnswerMs, process, [process] { process->kill(); });
  process->setStandardInputFile(QProcess::nullDevice());
  process->start(program, {"--version"});
}

bool Replace(const QString& staged, const QString& target, Kind kind) {
  if (!QFileInfo(staged).isFile() || QFileInfo(staged).isSymLink()) return false;
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
