#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

#include "playback/playback_controller.h"

class MediaPlayer;

// What the bus may ask of the program beyond playback.
class MprisHost {
 public:
  virtual ~MprisHost() = default;
  // Brings the main window to the front.
  virtual void Raise() = 0;
  // Ends the program as its exit command does.
  virtual void Quit() = 0;
};

// The player as desktops see it on the session bus (MPRIS2): media keys, panel and
// lock-screen widgets and playerctl drive playback as the window's own buttons do. It
// announces what changes as the player and the playlist say so, whoever changed it: the
// state, the volume, the current entry and what is known of it, and each seek.
class Mpris : public QObject {
  Q_OBJECT

 public:
  static constexpr char kServiceName[] = "org.mpris.MediaPlayer2.sonaveil";
  static constexpr char kObjectPath[] = "/org/mpris/MediaPlayer2";

  Mpris(PlaybackController& playback, MediaPlayer& player, MprisHost& host,
        QObject* parent = nullptr);
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

  // Compares what the bus reads now with what it was last told and announces changes.
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

  PlaybackController& playback_;
  MediaPlayer& player_;
  MprisHost& host_;
  bool registered_ = false;
  QString status_ = "Stopped";
  QVariantMap metadata_;
  QVariantMap announced_;  // every property as last announced
};
