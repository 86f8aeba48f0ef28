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

// Where the files of the application folder's layout are. Worked out once for each
// application folder: skin pictures are named through it on every hover tick.
struct Layout {
  QString app;
  bool selfContained = false;
  QString resources;
  QString systemSettings;
};

const Layout& CurrentLayout() {
  static Layout layout;
  const QString app = AppPath();
  if (layout.app == app && !app.isEmpty()) return layout;
  layout.app = app;
  layout.selfContained = QFileInfo(app + "/skin").isDir();
  // The programs are in <prefix>/lib/sonaveil.
  const QString prefix = QDir::cleanPath(app + "/../..");
  layout.resources = layout.selfContained ? app : QDir::cleanPath(prefix + "/share/sonaveil");
  const QString etc = prefix == "/usr" ? QString("/etc") : QDir::cleanPath(prefix + "/etc");
  layout.systemSettings = etc + "/sonaveil/endpoints.ini";
  return layout;
}
}  // namespace

QString AppPath() {
  if (!OverridePath().isEmpty()) return OverridePath();
  return QCoreApplication::applicationDirPath();
}

void SetAppPath(const QString& folder) { OverridePath() = folder; }

bool SelfContained() { return CurrentLayout().selfContained; }

QString ResourcePath() { return CurrentLayout().resources; }

QStringList SettingsFiles() {
  if (SelfContained()) return {AppPath() + "/data/endpoints.ini"};
  return {CurrentLayout().systemSettings,
          QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
              "/sonaveil/endpoints.ini"};
}

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
  const QString app = AppPath();
  if (SelfContained()) {
    const QDir data(app + "/data");
    bool writable = Writable(data.path());
    for (const QString& name : data.entryList(QDir::Files))
      writable = writable && Writable(data.filePath(name));
    if (writable && !PackageManaged()) return app;
  }

  const QDir shipped(ResourcePath() + "/data");
  const QString user =
      QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/sonaveil";
  // A copy that fails leaves the file missing; the first read of it reports that.
  QDir().mkpath(user + "/data");
  for (const QString& name : shipped.entryList(QDir::Files)) {
    const QString copy = user + "/data/" + name;
    if (QFile::exists(copy)) continue;
    if (QFile::copy(shipped.filePath(name), copy))
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
