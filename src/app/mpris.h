#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QVariantMap>

#include "playback/playback_controller.h"

class frmmain;

// The player as desktops see it on the session bus (MPRIS2): media keys, panel and
// lock-screen widgets and playerctl drive playback as the window's own buttons do.
// What the bus reads is sampled from the window on its bar-refresh tick, so changes made
// by the buttons, the playlist or the automatic advance are announced as well.
class Mpris : public QObject {
  Q_OBJECT

 public:
  static constexpr char kServiceName[] = "org.mpris.MediaPlayer2.sonaveil";
  static constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";

  explicit Mpris(frmmain* window);
  ~Mpris() override;

  // Offers the player on the session bus. Without a session bus, or when the name is
  // taken, the player goes on without it, quietly; returns whether it is offered.
  bool Register();

  // What the bus reads.
  QString PlaybackStatus() const { return status_; }
  QVariantMap Metadata() const { return metadata_; }
  double Volume() const;
  qlonglong Position() const;
  bool CanGoNext() const;
  bool CanGoPrevious() const;
  bool CanPlay() const;
  bool CanSeek() const;

  // What the bus asks for.
  void Raise();
  void Quit();
  void Play();
  void Pause();
  void PlayPause();
  void Stop();
  void Next();
  void Previous();
  void Seek(qlonglong offsetUs);
  void SetPosition(const QString& trackId, qlonglong positionUs);
  void OpenUri(const QString& uri);
  void SetVolume(double volume);

  // Compares the window's state with what the bus was last told and announces changes.
  void Sample();

 signals:
  void Seeked(qlonglong positionUs);

 private:
  void Transport(PlaybackController::Command command);
  // The entry the bus calls current: the one the player has loaded, else the selected one.
  int CurrentEntry() const;
  double LengthSeconds(int entry) const;
  QVariantMap MetadataOf(int entry) const;
  void AnnounceChanges(const QVariantMap& changed);
  void SeekTo(double seconds);

  frmmain* window_;
  bool registered_ = false;
  QString status_ = "Stopped";
  QVariantMap metadata_;
  QVariantMap announced_;  // every property as last announced
  double lastPosition_ = 0;
  QElapsedTimer sinceLastSample_;
};
