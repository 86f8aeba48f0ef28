#include "skin/skin_pictures.h"

#include <QBitmap>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QSet>
#include <QtEndian>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/app_path.h"

namespace SkinPictures {

namespace {

QHash<QString, QPixmap>& Cache() {
  static QHash<QString, QPixmap> cache;
  return cache;
}

// Keyed by cacheKey() of the pixmap, so a region is computed once per decoded picture.
QHash<qint64, QRegion>& Regions() {
  static QHash<qint64, QRegion> regions;
  return regions;
}

QImage Read(const QString& path) {
  const QImage image(path);
  return image.isNull() ? image : KeyOut(image);
}

// Pictures being read on the preloading thread, and those it has read and no Load has taken.
class Preloads {
 public:
  ~Preloads() { Wait(); }

  void Start(const QStringList& paths) {
    Wait();
    std::lock_guard lock(mutex_);
    for (const QString& path : paths) pending_.insert(path);
    worker_ = std::thread([this, paths] {
      for (const QString& path : paths) {
        QImage image = Read(path);
        std::lock_guard lock(mutex_);
        ready_.insert(path, std::move(image));
        pending_.remove(path);
        done_.notify_all();
      }
    });
  }

  // The picture at path when it was preloaded, waiting for it if it is still being read.
  bool Take(const QString& path, QImage* image) {
    std::unique_lock lock(mutex_);
    done_.wait(lock, [&] { return !pending_.contains(path); });
    auto it = ready_.find(path);
    if (it == ready_.end()) return false;
    *image = std::move(*it);
    ready_.erase(it);
    return true;
  }

  void Wait() {
    if (worker_.joinable()) worker_.join();
  }
  void Forget() {
    Wait();
    std::lock_guard lock(mutex_);
    ready_.clear();
  }

 private:
  std::mutex mutex_;
  std::condition_variable done_;
  QSet<QString> pending_;
  QHash<QString, QImage> ready_;
  std::thread worker_;
};

Preloads& ThePreloads() {
  static Preloads preloads;
  return preloads;
}

// The picture's shape is worked out when a window first asks for it (Opaque).
const QPixmap* Decode(const QString& path) {
  auto it = Cache().constFind(path);
  if (it != Cache().constEnd()) return &*it;
  QImage image;
  if (!ThePreloads().Take(path, &image)) image = Read(path);
  if (image.isNull()) return nullptr;
  return &*Cache().insert(path, QPixmap::fromImage(std::move(image)));
}

}  // namespace

QImage KeyOut(const QImage& image) {
  QImage out = image.convertToFormat(QImage::Format_ARGB32);
  const QRgb key = kColourKey.rgb();
  // (QImage::width() is a call into the library: once per picture, not once per pixel.)
  const int width = out.width();
  for (int y = 0; y < out.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(out.scanLine(y));
    for (int x = 0; x < width; ++x)
      if ((line[x] | 0xff000000u) == key && qAlpha(line[x]) == 255) line[x] = 0;
  }
  return out;
}

QPixmap Load(const QString& name, bool* ok) {
  const QPixmap* picture = Decode(ResourcePath() + "/skin/" + name);
  if (ok) *ok = picture != nullptr;
  return picture ? *picture : QPixmap();
}

void Preload(const QStringList& names) {
  QStringList paths;
  for (const QString& name : names) paths << ResourcePath() + "/skin/" + name;
  ThePreloads().Start(paths);
}

QPixmap LoadIcon(const QString& name) {
  const QString path = ResourcePath() + "/skin/" + name;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return QPixmap();
  const QByteArray data = file.readAll();
  // An icon whose first picture is stored as PNG is read by the built-in PNG reader. Qt's icon
  // reader reads it too, but first loads every image plugin there is to ask whether one of them
  // takes PNG.
  constexpr qsizetype kHeader = 6, kEntry = 16;
  if (data.size() >= kHeader + kEntry && qFromLittleEndian<quint16>(data.constData() + 2) == 1 &&
      qFromLittleEndian<quint16>(data.constData() + 4) >= 1) {
    const quint32 size = qFromLittleEndian<quint32>(data.constData() + kHeader + 8);
    const quint32 offset = qFromLittleEndian<quint32>(data.constData() + kHeader + 12);
    const QByteArray png("\x89PNG\r\n\x1a\n", 8);
    if (offset < static_cast<quint64>(data.size()) && size <= data.size() - offset &&
        data.mid(offset, png.size()) == png) {
      QBuffer entry;
      entry.setData(data.mid(offset, size));
      QImageReader reader(&entry, "png");
      reader.setAutoDetectImageFormat(false);
      const QImage picture = reader.read();
      if (!picture.isNull()) return QPixmap::fromImage(picture);
    }
  }
  return QPixmap(path, "ICO");
}

QPixmap Builtin(const QString& name) {
  const QPixmap* picture = Decode(":/skin/" + name);
  return picture ? *picture : QPixmap();
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
  ThePreloads().Forget();
  Cache().clear();
  Regions().clear();
  ++generation;
}

int Generation() { return generation; }

}  // namespace SkinPictures
