#pragma once

#include <QObject>
#include <QString>
#include <QTimer>
#include <optional>

#include "web/inet.h"

class LyricBox;
struct SongRecord;
class MediaPlayer;
class QWidget;

// Finding the lyric of the current playlist entry: a local file's own lyric (a .lrc beside
// it, else one in its tags) first; else on the lyrics site, where the search page gives
// the entry's lyric id and the lyric page for that id gives the text. It is kept in the
// entry and shown in the lyric box. Its timer (Timer1) and its transfer (inetLrc) are its own.
class LyricLookup : public QObject {
  Q_OBJECT

 public:
  // Dialogs it opens belong to dialogParent.
  LyricLookup(LyricBox& box, MediaPlayer& player, QWidget* dialogParent, QObject* parent = nullptr);

  // Timer1: ticks every second from the start; Start() switches it on again.
  QTimer& timer() { return timer_; }
  // inetLrc: the transfer of the search and lyric pages.
  Inet& transfer() { return transfer_; }

  // An entry is about to play: its lyric is shown or looked up at the next tick.
  void Start() { timer_.start(); }

  // The timer's tick: shows a known lyric of the current entry, or, while it plays, starts
  // its next request. The timer switches itself off; waiting for the entry to play, it rests
  // until the player starts.
  void Tick();

  // The transfer has finished (12) or failed (11). The response belongs to the entry it was
  // asked for, whichever entry is current now.
  void TransferEnded(int state);

  // Lets the user correct the current entry's title and singer, then looks its lyric up
  // afresh. Closing the dialog by its close box changes nothing and searches nothing.
  void SearchAgain();

  // The current entry goes: a transfer for it is of no use.
  void CancelTransfer() { transfer_.Cancel(); }

 signals:
  // What the lookup keeps in an entry has changed: its lyric, or the title and singer the
  // user corrected.
  void EntryChanged();

 private:
  enum class Phase { kSearch, kLyric };
  // The request the transfer is carrying: which page, for the entry with which address.
  struct Request {
    Phase phase;
    QString path;
  };
  void Ask(Phase phase, const SongRecord& song);
  // A local file's own lyric, beside it (.lrc) or in it, becomes song's: the site is not
  // asked. False when it has none.
  static bool LyricFromDisk(SongRecord& song);
  bool Apply(const Request& request, SongRecord& song, bool current);
  void PlayerStateChanged(int state);

  LyricBox& box_;
  MediaPlayer& player_;
  QWidget* dialogParent_;
  QTimer timer_;
  Inet transfer_;
  std::optional<Request> pending_;
  // A tick found the entry not playing yet: the player's start wakes the timer.
  bool waitingToPlay_ = false;
};
