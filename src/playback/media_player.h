#pragma once

#include <QObject>
#include <QString>

// The player the playback logic drives. Members are reached the way the logic names them:
// player.URL, player.playState(), player.controls.play(), player.currentMedia.duration(),
// player.settings.volume(). Positions and durations are seconds; volume runs 0..100.
class MediaPlayer : public QObject {
  Q_OBJECT

 public:
  // playState values
  enum PlayState {
    wmppsUndefined = 0,
    wmppsStopped = 1,
    wmppsPaused = 2,
    wmppsPlaying = 3,
    wmppsBuffering = 6,
    wmppsMediaEnded = 8,
    wmppsTransitioning = 9,
    wmppsReady = 10,
  };
  // OpenStateChange values
  enum OpenState {
    osClosed = 0,
    osLocatingServer = 3,
    osConnecting = 4,
    osOpening = 5,
    osOpen = 6,
  };

  struct Controls {
    MediaPlayer& p;
    void play() { p.DoPlay(); }
    void pause() { p.DoPause(); }
    void stop() { p.DoStop(); }
    double currentPosition() const { return p.Position(); }
    void setCurrentPosition(double seconds) { p.SeekAndTell(seconds); }
    // "mm:ss"
    QString currentPositionString() const;
  };
  struct CurrentMedia {
    MediaPlayer& p;
    double duration() const { return p.Duration(); }
    // "Title" or "Author" from the media's tags; "" when it has none.
    QString getItemInfo(const QString& name) const { return p.ItemInfo(name); }
  };
  struct Settings {
    MediaPlayer& p;
    int volume() const { return p.Volume(); }
    void setVolume(int volume) { p.SetVolumeAndTell(volume); }
  };

  explicit MediaPlayer(QObject* parent = nullptr) : QObject(parent) {}
  MediaPlayer(const MediaPlayer&) = delete;
  MediaPlayer& operator=(const MediaPlayer&) = delete;

  // Gets ready to play without waiting for it (a player may start its sound system lazily,
  // or in the background); nothing else changes. likelyUrl, when given, is what will most
  // likely be loaded next: the player may open it ahead, silently.
  virtual void Prepare(const QString& likelyUrl = QString()) { Q_UNUSED(likelyUrl); }

  // Loads media (a local path or a network address) in place of what was loaded, and starts
  // playing it. What was queued is forgotten.
  virtual void setURL(const QString& url) = 0;
  // What is to follow the loaded media without a gap when it plays to its end; "" for
  // nothing. Replaces what was queued before. A player that cannot follow on ignores it, and
  // says MediaEnded instead.
  virtual void QueueNext(const QString& url) { Q_UNUSED(url); }
  virtual QString URL() const = 0;
  // 3 while playing.
  virtual int playState() const = 0;

  Controls controls{*this};
  CurrentMedia currentMedia{*this};
  Settings settings{*this};

 signals:
  void OpenStateChange(int NewState);
  // playState() has changed to NewState.
  void PlayStateChange(int NewState);
  void Buffering(bool Start);
  // The loaded media could not be opened or played.
  void Error();
  // What currentMedia says of the loaded media (its tags or its duration) has changed.
  void MediaInfoChanged();
  // settings.setVolume has set the volume (0..100).
  void VolumeChanged(int volume);
  // controls.setCurrentPosition moved the position to seconds.
  void PositionSet(double seconds);
  // The media queued by QueueNext has taken the place of the one that ended; URL() is url.
  void QueuedMediaStarted(const QString& url);
  // The loaded media has played to its end, and nothing queued followed it.
  void MediaEnded();

 protected:
  virtual void DoPlay() = 0;
  virtual void DoPause() = 0;
  virtual void DoStop() = 0;
  virtual double Position() const = 0;
  virtual void Seek(double seconds) = 0;
  virtual double Duration() const = 0;
  virtual QString ItemInfo(const QString& name) const = 0;
  virtual int Volume() const = 0;
  virtual void SetVolume(int volume) = 0;

 private:
  void SeekAndTell(double seconds) {
    Seek(seconds);
    emit PositionSet(seconds);
  }
  void SetVolumeAndTell(int volume) {
    SetVolume(volume);
    emit VolumeChanged(Volume());
  }
};

// Seconds as "mm:ss" (minutes keep counting past 99).
QString FormatPosition(double seconds);
