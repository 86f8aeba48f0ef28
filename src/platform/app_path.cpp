#include "platform/app_path.h"

#include <QCoreApplication>

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

namespace {
QString& Title() {
  static QString title;
  return title;
}
}  // namespace

QString AppTitle() { return Title().isEmpty() ? QCoreApplication::applicationName() : Title(); }

void SetAppTitle(const QString& title) { Title() = title; }
