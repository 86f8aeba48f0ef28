#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

#include "lyrics/synced_lyric.h"

class MediaPlayer;
class QPlainTextEdit;

// The main window's lyric box (Text2): a lyric, or a status line. A lyric with time tags
// shows its lines without the tags, and while its entry plays the line being sung is marked
// and kept in view, until something else is written into the box.
class LyricBox : public QObject {
  Q_OBJECT

 public:
  LyricBox(QPlainTextEdit& box, const MediaPlayer& player, QObject* parent = nullptr);

  // Shows "歌词" and the lyric.
  void ShowLyric(const QString& lyric);
  // Shows a status line in place of the lyric.
  void ShowStatus(const QString& text);

  // Marks the line for the player's position now; the box's own timer calls it while a
  // timed lyric shows.
  void FollowPlayer();
  // The index of the marked line of the shown timed lyric, -1 when none is marked.
  int MarkedLine() const { return lyric_ ? marked_ : -1; }

 private:
  void StopFollowing();
  void Mark(int line);

  QPlainTextEdit& box_;
  const MediaPlayer& player_;
  QTimer follow_;
  std::optional<SyncedLyric> lyric_;  // the timed lyric in the box, while it shows
  int marked_ = -1;
  QMetaObject::Connection boxChanged_;
};
