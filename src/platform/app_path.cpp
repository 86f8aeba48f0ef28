#include "platform/app_path.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
QString& OverridePath() {
  static QString path;
  return path;
}
}  // namespace

QString AppPath() {
  if (!OverridePath().isEmpty()) return OverridePath();
  return QCoreApplication::applicationDirPath();
}

void SetAppPath(const QString& folder) { OverridePath() = folder; }

bool PackageManaged() {
  QFile mark(AppPath() + "/package-managed");
  return mark.open(QIODevice::ReadOnly) &&
         QDir::cleanPath(QFile::decodeName(mark.readAll().trimmed())) == QDir::cleanPath(AppPath());
}

namespace {
bool Writable(const QString& path) {
  const QFileInfo info(path);
  return info.exists() && info.isWritable();
}

QString ChooseDataPath() {
  const QString installed = QCoreApplication::applicationDirPath();
  const QDir data(installed + "/data");
  bool writable = Writable(data.path());
  for (const QString& name : data.entryList(QDir::Files))
    writable = writable && Writable(data.filePath(name));
  if (writable && !PackageManaged()) return installed;

  const QString user =
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/sonaveil";
  // A copy that fails leaves the file missing; the first read of it reports that.
  QDir().mkpath(user + "/data");
  for (const QString& name : data.entryList(QDir::Files)) {
    const QString copy = user + "/data/" + name;
    if (QFile::exists(copy)) continue;
    if (QFile::copy(data.filePath(name), copy))
      QFile::setPermissions(copy, QFile::permissions(copy) | QFile::WriteOwner);
  }
  return user;
}
}  // namespace

QString DataPath() {
  if (!OverridePath().isEmpty()) return OverridePath();
  static const QString path = ChooseDataPath();
  return path;
}

namespace {
QString& Title() {
  static QString title;
  return title;
}
}  // namespace

QString AppTitle() { return Title().isEmpty() ? QCoreApplication::applicationName() : Title(); }

void SetAppTitle(const QString& title) { Title() = title; }
