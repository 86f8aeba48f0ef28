#include "app/mpris.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <cmath>

#include "lyrics/lyric_text.h"
#include "playback/media.h"
#include "playback/media_player.h"
#include "playback/now_playing.h"
#include "playback/playback_controller.h"
#include "state/shared_state.h"

namespace {

constexpr char kRootInterface[] = "org.mpris.MediaPlayer2";
constexpr char kPlayerInterface[] = "org.mpris.MediaPlayer2.Player";
constexpr char kNoTrack[] = "/org/mpris/MediaPlayer2/TrackList/NoTrack";
constexpr double kMicroseconds = 1e6;

QDBusObjectPath TrackId(int entry) {
  return QDBusObjectPath(entry < 0 ? QString(kNoTrack)
                                   : QString("/org/sonaveil/track/%1").arg(entry));
}

class RootAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
  Q_PROPERTY(bool CanQuit READ CanQuit)
  Q_PROPERTY(bool CanRaise READ CanRaise)
  Q_PROPERTY(bool HasTrackList READ HasTrackList)
  Q_PROPERTY(QString Identity READ Identity)
  Q_PROPERTY(QString DesktopEntry READ DesktopEntry)
  Q_PROPERTY(QStringList SupportedUriSchemes READ SupportedUriSchemes)
  Q_PROPERTY(QStringList SupportedMimeTypes READ SupportedMimeTypes)

 public:
  explicit RootAdaptor(Mpris* mpris) : QDBusAbstractAdaptor(mpris), mpris_(mpris) {}
  bool CanQuit() const { return true; }
  bool CanRaise() const { return true; }
  bool HasTrackList() const { return false; }
  QString Identity() const { return "Sonaveil"; }
  QString DesktopEntry() const { return "sonaveil"; }
  QStringList SupportedUriSchemes() const { return {"file"}; }
  QStringList SupportedMimeTypes() const {
    // The types the desktop entry claims: a music player's, no video.
    return {"audio/mpeg",
            "audio/midi",
            "audio/x-wav",
            "audio/x-ms-wma",
            "audio/flac",
            "audio/ogg",
            "audio/x-vorbis+ogg",
            "audio/x-opus+ogg",
            "audio/mp4",
            "audio/x-wavpack",
            "audio/x-mpegurl",
            "audio/x-scpls",
            "application/vnd.apple.mpegurl"};
  }

 public slots:
  void Raise() { mpris_->Raise(); }
  void Quit() { mpris_->Quit(); }

 private:
  Mpris* mpris_;
};

class PlayerAdaptor : public QDBusAbstractAdaptor {
  Q_OBJECT
  Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
  Q_PROPERTY(QString PlaybackStatus READ PlaybackStatus)
  Q_PROPERTY(double Rate READ Rate WRITE SetRate)
  Q_PROPERTY(double MinimumRate READ Rate)
  Q_PROPERTY(double MaximumRate READ Rate)
  Q_PROPERTY(QVariantMap Metadata READ Metadata)
  Q_PROPERTY(double Volume READ Volume WRITE SetVolume)
  Q_PROPERTY(qlonglong Position READ Position)
  Q_PROPERTY(bool CanGoNext READ CanGoNext)
  Q_PROPERTY(bool CanGoPrevious READ CanGoPrevious)
  Q_PROPERTY(bool CanPlay READ CanPlay)
  Q_PROPERTY(bool CanPause READ CanControl)
  Q_PROPERTY(bool CanSeek READ CanSeek)
  Q_PROPERTY(bool CanControl READ CanControl)

 public:
  explicit PlayerAdaptor(Mpris* mpris) : QDBusAbstractAdaptor(mpris), mpris_(mpris) {
    connect(mpris, &Mpris::Seeked, this, &PlayerAdaptor::Seeked);
  }
  QString PlaybackStatus() const { return mpris_->PlaybackStatus(); }
  // The player plays at its one speed.
  double Rate() const { return 1.0; }
  void SetRate(double) {}
  QVariantMap Metadata() const { return mpris_->Metadata(); }
  double Volume() const { return mpris_->Volume(); }
  void SetVolume(double volume) { mpris_->SetVolume(volume); }
  qlonglong Position() const { return mpris_->Position(); }
  bool CanGoNext() const { return mpris_->CanGoNext(); }
  bool CanGoPrevious() const { return mpris_->CanGoPrevious(); }
  bool CanPlay() const { return mpris_->CanPlay(); }
  bool CanSeek() const { return mpris_->CanSeek(); }
  bool CanControl() const { return true; }

 public slots:
  void Play() { mpris_->Play(); }
  void Pause() { mpris_->Pause(); }
  void PlayPause() { mpris_->PlayPause(); }
  void Stop() { mpris_->Stop(); }
  void Next() { mpris_->Next(); }
  void Previous() { mpris_->Previous(); }
  void Seek(qlonglong Offset) { mpris_->Seek(Offset); }
  void SetPosition(const QDBusObjectPath& TrackId, qlonglong Position) {
    mpris_->SetPosition(TrackId.path(), Position);
  }
  void OpenUri(const QString& Uri) { mpris_->OpenUri(Uri); }

 signals:
  void Seeked(qlonglong Position);

 private:
  Mpris* mpris_;
};

}  // namespace

Mpris::Mpris(PlaybackController& playback, MediaPlayer& player, MprisHost& host, QObject* parent)
    : QObject(parent), playback_(playback), player_(player), host_(host) {
  new RootAdaptor(this);
  new PlayerAdaptor(this);
  metadata_ = MetadataOf(-1);
}

Mpris::~Mpris() {
  if (!registered_) return;
  QDBusConnection bus = QDBusConnection::sessionBus();
  bus.unregisterService(kServiceName);
  bus.unregisterObject(kObjectPath);
}

bool Mpris::Register() {
  QDBusConnection bus = QDBusConnection::sessionBus();
  if (!bus.isConnected()) return false;
  if (!bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) return false;
  if (!bus.registerService(kServiceName)) {
    bus.unregisterObject(kObjectPath);
    return false;
  }
  registered_ = true;
  for (auto changed : {&MediaPlayer::PlayStateChange, &MediaPlayer::VolumeChanged})
    connect(&player_, changed, this, &Mpris::Sample);
  connect(&player_, &MediaPlayer::MediaInfoChanged, this, &Mpris::Sample);
  connect(&player_, &MediaPlayer::PositionSet, this,
          [this](double seconds) { emit Seeked(std::llround(seconds * kMicroseconds)); });
  connect(&playback_, &PlaybackController::CurrentEntryChanged, this, &Mpris::Sample);
  connect(&playback_, &PlaybackController::PlaylistChanged, this, &Mpris::Sample);
  Sample();
  return true;
}

int Mpris::CurrentEntry() const {
  const QString url = player_.URL();
  const int handed = static_cast<int>(PlayingIndex);
  if (!url.isEmpty() && handed >= 0 && handed < PlaylistCount && Playlist[handed].Path == url)
    return handed;
  if (CurrentIndex >= 0 && CurrentIndex < PlaylistCount) return CurrentIndex;
  return -1;
}

double Mpris::LengthSeconds(int entry) const {
  if (entry < 0) return 0;
  if (Playlist[entry].Path == player_.URL()) {
    const double duration = player_.currentMedia.duration();
    if (duration > 0) return duration;
  }
  return std::max(0.0, Playlist[entry].Length.toDouble());
}

QVariantMap Mpris::MetadataOf(int entry) const {
  QVariantMap map{{"mpris:trackid", QVariant::fromValue(TrackId(entry))}};
  if (entry < 0) return map;
  const SongRecord song = NowPlaying::AsPlaying(Playlist[entry], player_);
  const bool loaded = song.Path == player_.URL();
  auto tag = [&](const QString& kept, const char* name) {
    if (!kept.isEmpty() || !loaded) return kept;
    return player_.currentMedia.getItemInfo(name);
  };
  const QString title = tag(song.Title, "Title");
  const QString artist = tag(song.Author, "Author");
  map["xesam:title"] = title.isEmpty() ? song.Name : title;
  if (!artist.isEmpty()) map["xesam:artist"] = QStringList{artist};
  if (const double length = LengthSeconds(entry); length > 0)
    map["mpris:length"] = static_cast<qlonglong>(std::llround(length * kMicroseconds));
  const bool network = song.Path.contains("://");
  map["xesam:url"] = network ? song.Path : QUrl::fromLocalFile(song.Path).toString();
  if (!song.Lyric.isEmpty()) map["xesam:asText"] = LyricText::Shown(song.Lyric);
  return map;
}

double Mpris::Volume() const { return player_.settings.volume() / 100.0; }

qlonglong Mpris::Position() const {
  // A seek takes the player through a change of state: the position holds meanwhile.
  switch (player_.playState()) {
    case MediaPlayer::wmppsPlaying:
    case MediaPlayer::wmppsPaused:
    case MediaPlayer::wmppsTransitioning:
    case MediaPlayer::wmppsBuffering:
      return std::llround(player_.controls.currentPosition() * kMicroseconds);
    default:
      return 0;
  }
}

bool Mpris::CanGoNext() const { return CurrentIndex < PlaylistCount - 1; }
bool Mpris::CanGoPrevious() const { return CurrentIndex >= 1 && CurrentIndex < PlaylistCount; }
bool Mpris::CanPlay() const { return CurrentIndex >= 0 && CurrentIndex < PlaylistCount; }
bool Mpris::CanSeek() const { return LengthSeconds(CurrentEntry()) > 0; }

void Mpris::Sample() {
  switch (player_.playState()) {
    case MediaPlayer::wmppsPlaying:
    case MediaPlayer::wmppsBuffering:
      status_ = "Playing";
      break;
    case MediaPlayer::wmppsPaused:
      status_ = "Paused";
      break;
    case MediaPlayer::wmppsTransitioning:
      break;  // on its way: the state it reaches is announced then
    default:
      status_ = "Stopped";
  }
  metadata_ = MetadataOf(CurrentEntry());

  const QVariantMap now{{"PlaybackStatus", status_},
                        {"Metadata", metadata_},
                        {"Volume", Volume()},
                        {"CanGoNext", CanGoNext()},
                        {"CanGoPrevious", CanGoPrevious()},
                        {"CanPlay", CanPlay()},
                        {"CanSeek", CanSeek()}};
  QVariantMap changed;
  for (auto it = now.cbegin(); it != now.cend(); ++it)
    if (announced_.value(it.key()) != it.value()) changed.insert(it.key(), it.value());
  announced_ = now;
  if (registered_ && !changed.isEmpty()) AnnounceChanges(changed);
}

void Mpris::AnnounceChanges(const QVariantMap& changed) {
  QDBusMessage signal = QDBusMessage::createSignal(kObjectPath, "org.freedesktop.DBus.Properties",
                                                   "PropertiesChanged");
  signal << QString(kPlayerInterface) << changed << QStringList();
  QDBusConnection::sessionBus().send(signal);
}

void Mpris::Raise() { host_.Raise(); }

void Mpris::Quit() {
  // After the reply has gone out.
  QTimer::singleShot(0, this, [this] { host_.Quit(); });
}

// The transport commands act as the window's own buttons do.
void Mpris::Transport(PlaybackController::Command command) {
  playback_.ButtonTransport(command);
  Sample();
}

void Mpris::Previous() { Transport(PlaybackController::Command::kPrevious); }
void Mpris::Play() { Transport(PlaybackController::Command::kPlay); }
void Mpris::Pause() { Transport(PlaybackController::Command::kPause); }
void Mpris::Stop() { Transport(PlaybackController::Command::kStop); }
void Mpris::Next() { Transport(PlaybackController::Command::kNext); }

void Mpris::PlayPause() {
  Sample();
  if (status_ == "Playing")
    Pause();
  else
    Play();
}

void Mpris::SeekTo(double seconds) {
  Media::SetMediaPosition(player_, Media::RoundHalfEven(seconds));
  Sample();
}

void Mpris::Seek(qlonglong offsetUs) {
  const double target = std::max(0.0, (Position() + offsetUs) / kMicroseconds);
  const double length = LengthSeconds(CurrentEntry());
  if (length > 0 && target > length) {
    Next();
    return;
  }
  SeekTo(target);
}

void Mpris::SetPosition(const QString& trackId, qlonglong positionUs) {
  if (trackId != TrackId(CurrentEntry()).path()) return;
  const double target = positionUs / kMicroseconds;
  if (target < 0 || target > LengthSeconds(CurrentEntry())) return;
  SeekTo(target);
}

void Mpris::OpenUri(const QString& uri) {
  const QUrl url(uri);
  const QString path = url.isLocalFile() ? url.toLocalFile() : QString();
  if (path.isEmpty() || !QFileInfo(path).isFile() || !Media::IsMediaFile(path)) return;
  const int before = PlaylistCount;
  if (!playback_.AddFiles({path}) || PlaylistCount == before) return;
  // As if the user double-clicked the first new row (a playlist file adds several).
  playback_.SelectRow(before);
  playback_.PlayCurrent();
  Sample();
}

void Mpris::SetVolume(double volume) {
  Media::SetVolume(player_, Media::RoundHalfEven(100 * std::clamp(volume, 0.0, 1.0)));
  Sample();
}

#include "mpris.moc"
