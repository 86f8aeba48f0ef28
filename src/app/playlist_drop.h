#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

class PlaybackController;
class QListWidget;

// Files and folders dropped on the playlist are added as the add-files button adds them:
// the media files among them, folders opened down to their sub-folders, in name order.
class PlaylistDrop : public QObject {
  Q_OBJECT

 public:
  // Takes drops on list, which owns this, and adds them through playback.
  PlaylistDrop(QListWidget* list, PlaybackController& playback);

  // The media files among dropped urls, in name order.
  static QStringList MediaFiles(const QList<QUrl>& urls);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  PlaybackController& playback_;
};
