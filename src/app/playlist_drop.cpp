#include "app/playlist_drop.h"

#include <QCollator>
#include <QDirIterator>
#include <QDropEvent>
#include <QFileInfo>
#include <QListWidget>
#include <QMimeData>
#include <algorithm>

#include "playback/media.h"
#include "playback/playback_controller.h"
#include "playback/playlist_file.h"
#include "state/shared_state.h"

namespace {

bool HasLocalFiles(const QMimeData* mime) {
  if (!mime || !mime->hasUrls()) return false;
  const QList<QUrl> urls = mime->urls();
  return std::any_of(urls.begin(), urls.end(), [](const QUrl& url) { return url.isLocalFile(); });
}

}  // namespace

PlaylistDrop::PlaylistDrop(QListWidget* list, PlaybackController& playback)
    : QObject(list), playback_(playback) {
  list->viewport()->setAcceptDrops(true);
  list->viewport()->installEventFilter(this);
}

QStringList PlaylistDrop::MediaFiles(const QList<QUrl>& urls) {
  QStringList files;
  for (const QUrl& url : urls) {
    if (!url.isLocalFile()) continue;
    const QFileInfo info(url.toLocalFile());
    if (info.isDir()) {
      QDirIterator it(info.filePath(), QDir::Files, QDirIterator::Subdirectories);
      // The playlist holds no more than this; a huge tree is not walked to its end.
      while (it.hasNext() && files.size() <= PlaylistArray::kSlots) {
        const QString file = it.next();
        // A folder's playlist lists songs the walk finds anyway.
        if (Media::IsMediaFile(file) && !PlaylistFile::IsPlaylist(file)) files << file;
      }
      for (const QString& file : PlaylistFile::FilesWithUndecodableNames(info.filePath()))
        if (Media::IsMediaFile(file)) files << file;
    } else if (info.isFile() && Media::IsMediaFile(info.filePath())) {
      files << info.filePath();
    } else if (Media::IsMediaFile(info.filePath())) {
      files << url.toString(QUrl::FullyEncoded);  // a name that is not UTF-8, in its bytes
    }
  }
  // In the user's language, "Track 2" before "Track 10", as a file manager shows them.
  QCollator collator;
  collator.setNumericMode(true);
  std::sort(files.begin(), files.end(), collator);
  files.removeDuplicates();
  return files;
}

bool PlaylistDrop::eventFilter(QObject* watched, QEvent* event) {
  switch (event->type()) {
    case QEvent::DragEnter:
    case QEvent::DragMove: {
      auto* drag = static_cast<QDropEvent*>(event);
      if (!HasLocalFiles(drag->mimeData())) return false;
      drag->setDropAction(Qt::CopyAction);
      drag->accept();
      return true;
    }
    case QEvent::Drop: {
      auto* drop = static_cast<QDropEvent*>(event);
      if (!HasLocalFiles(drop->mimeData())) return false;
      drop->setDropAction(Qt::CopyAction);
      drop->accept();
      const QStringList files = MediaFiles(drop->mimeData()->urls());
      if (!files.isEmpty()) playback_.AddFiles(files);
      return true;
    }
    default:
      return QObject::eventFilter(watched, event);
  }
}
