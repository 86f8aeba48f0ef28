#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <optional>

#include "playback/song_tags.h"
#include "web/inet.h"

class MediaPlayer;
class QListWidget;
class QWidget;

// What the window's buttons, the popup menus, MPRIS, the keyboard and the command line ask
// of playback: transport, the automatic advance, recovery from playback errors and changes
// of the playlist. It plays through the window's player, and moves the current entry by
// selecting rows of the playlist box; a row that is selected, by the program or the user,
// is made current by the window's own handler. The entry after the current one is queued in
// the player ahead, so that it follows without a gap; local files added have their tags read
// in the background and stored.
class PlaybackController : public QObject {
  Q_OBJECT

 public:
  enum class Command { kPrevious, kPlay, kPause, kStop, kNext };
  // Makes a row of the playlist box the current entry (its click handler).
  using MakeCurrent = std::function<void(int row)>;

  PlaybackController(MediaPlayer& player, QListWidget& playlist, MakeCurrent makeCurrent,
                     QObject* parent = nullptr);

  // The window's transport buttons (and MPRIS, the keyboard, the command line). A move to
  // another entry and play clear Paused, pause sets it: play after pause resumes, play after
  // stop starts the entry over. Previous on the first row and next on the last do nothing.
  void ButtonTransport(Command command);
  // The popup menus' transport entries. Only a move by next clears Paused: after the menu's
  // pause, play leaves Paused as it was. Previous is tried down to the first row, where the
  // current entry plays again.
  void MenuTransport(Command command);
  // Pauses what plays, else plays, as the window's buttons do.
  void PlayPause();
  // A double-click on a row: plays the current entry, or resumes it when it is the paused one.
  void PlayCurrent();
  // Moves the playing entry's position by seconds (within the song), as the position bar does.
  void SeekBy(double seconds);
  // Changes the volume by delta, kept within 0..100, as the volume bar does.
  void StepVolume(int delta);
  // Makes row current the way a click on it does, also when it is current already. False
  // when there is no such row.
  bool SelectRow(int row);

  // Changes of the playlist; each redraws and stores it. The tags of local files added are
  // read in the background and stored when they have been read.
  bool AddLocalFiles(QWidget* dialogParent);
  bool AddFiles(const QStringList& files);
  bool AddSong(const QString& url, const QString& title, const QString& author);
  void DeleteCurrent();
  void DeleteAll();

  // The automatic advance, once what played has ended and nothing queued followed it: the
  // next row (the first after the last) is selected and played. The player's end starts the
  // tick once; a tick with no end to act on does nothing.
  void AdvanceTick();
  // Copies the playing entry's length and tags into it once playback has begun, then rests
  // until the next transport command.
  void MediaInfoTick();

  QTimer& advanceTimer() { return advance_; }
  QTimer& mediaInfoTimer() { return mediaInfo_; }

  // The decisions below need nothing of the player.

  // The status line for an open-state change; nothing for states without one.
  static std::optional<QString> OpenStateText(int state);
  // The lyric box while a stream buffers (start) and after.
  static QString BufferingText(bool start, const QString& lyric);
  // Whether an entry's address can be queued to follow the one before without a gap: a local
  // file or a file on a web server. A media server's stream (mms) and an address behind the
  // placeholder host (which must fail before it is repaired) wait for the end instead.
  static bool CanFollowOn(const QString& path, const QString& placeholder);
  // The stream-server base in the media-server script: its first double-quoted text, trimmed
  // of spaces. Nothing when the script has no quoted text.
  static std::optional<QString> MediaServerBaseFrom(const QString& script);
  // The entry's address with the placeholder host replaced by the stream server. Nothing
  // when that changes nothing, or when there is no stream server to put in.
  static std::optional<QString> RepairedPath(const QString& path, const QString& placeholder,
                                             const QString& serverBase);

 signals:
  // An entry is about to be handed to the player (or resumed): its lyric is looked up.
  void PlayRequested();
  // The current entry is about to leave the playlist: its lyric transfer is of no use.
  void CurrentEntryLeaving();
  // A row has been made current.
  void CurrentEntryChanged();
  // Entries were added or removed, or their tags read.
  void PlaylistChanged();

 private:
  // Gets the player ready once the playlist holds something; gives back added.
  bool PrepareFor(bool added);
  void Play();
  void PlayerStateChanged(int state);
  // The queued entry plays now: it becomes the current one, as the advance makes it, without
  // being loaded again.
  void QueuedStarted(const QString& url);
  // Queues the entry that the advance would play after row, or nothing.
  void QueueAfter(int row);
  // Reads the tags of the local files from row first on.
  void ReadTagsFrom(int first);
  void TagsRead(const QList<TagReader::Result>& results);
  // The player could not open or play what it was given: a catalog address is repaired from
  // the media-server script and tried once more.
  void PlayerFailed();
  struct PendingRepair {
    QString address;
    int16_t hint;  // the row it was played from
  };
  void Repair(const PendingRepair& repair);

  void RowMadeCurrent(int row);

  MediaPlayer& player_;
  QListWidget& playlist_;
  MakeCurrent makeCurrent_;
  QTimer advance_;
  QTimer mediaInfo_;
  // The media-information tick found nothing playing and rests until the player starts.
  bool mediaInfoWaiting_ = false;
  // The player said that what it played has ended: the advance tick acts on it.
  bool ended_ = false;
  // The row whose entry was queued last.
  int queuedRow_ = -1;
  TagReader tags_;
  Inet scriptFetch_;
  QList<PendingRepair> pendingRepairs_;
};
