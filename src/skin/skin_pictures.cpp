#include "skin/skin_pictures.h"

#include <QBitmap>
#include <QFileInfo>
#include <QHash>
#include <QImage>

#include "platform/app_path.h"

namespace SkinPictures {

namespace {

struct Entry {
  QPixmap picture;
  QRegion opaque;
};

QHash<QString, Entry>& Cache() {
  static QHash<QString, Entry> cache;
  return cache;
}

// Keyed by cacheKey() of the pixmap, so a region is computed once per decoded picture.
QHash<qint64, QRegion>& Regions() {
  static QHash<qint64, QRegion> regions;
  return regions;
}

const Entry* Decode(const QString& path) {
  auto it = Cache().constFind(path);
  if (it != Cache().constEnd()) return &*it;
  QImage image(path);
  if (image.isNull()) return nullptr;
  const QPixmap picture = QPixmap::fromImage(KeyOut(image));
  return &*Cache().insert(path, {picture, Opaque(picture)});
}

}  // namespace

QImage KeyOut(const QImage& image) {
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = kColourKey.rgb();
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < out.width(); ++x)
      if ((line[x] | 0xff000000u) == key && qAlpha(line[x]) == 255) line[x] = 0;
  }
  return out;
}

QPixmap Load(const QString& name, bool* ok) {
  const Entry* entry = Decode(AppPath() + "/skin/" + name);
  if (ok) *ok = entry != nullptr;
  return entry ? entry->picture : QPixmap();
}

QPixmap Builtin(const QString& name) {
  const Entry* entry = Decode(":/skin/" + name);
  return entry ? entry->picture : QPixmap();
}

QRegion Opaque(const QPixmap& picture) {
  if (picture.isNull()) return QRegion();
  auto it = Regions().constFind(picture.cacheKey());
  if (it != Regions().constEnd()) return *it;
  const QRegion region =
      picture.hasAlphaChannel() ? QRegion(picture.mask()) : QRegion(picture.rect());
  Regions().insert(picture.cacheKey(), region);
  return region;
}

namespace {
int generation = 0;
}  // namespace

void Clear() {
  Cache().clear();
  Regions().clear();
  ++generation;
}

int Generation() { return generation; }

}  // namespace SkinPictures
