#include "playback/playback_controller.h"

#include <QListWidget>
#include <QUrl>
#include <algorithm>
#include <utility>

#include "catalog/list_control.h"
#include "platform/endpoints.h"
#include "platform/msgbox.h"
#include "playback/legacy_text.h"
#include "playback/media.h"
#include "playback/media_player.h"
#include "state/shared_state.h"

namespace {
constexpr int kAdvanceTickMs = 10;
constexpr int kMediaInfoTickMs = 100;
}  // namespace

PlaybackController::PlaybackController(MediaPlayer& player, QListWidget& playlist,
                                       MakeCurrent makeCurrent, QObject* parent)
    : QObject(parent),
      player_(player),
      playlist_(playlist),
      makeCurrent_(std::move(makeCurrent)),
      scriptFetch_(this) {
  advance_.setObjectName("timWMP");
  advance_.setInterval(kAdvanceTickMs);
  advance_.setSingleShot(true);
  connect(&advance_, &QTimer::timeout, this, &PlaybackController::AdvanceTick);
  mediaInfo_.setObjectName("timList");
  mediaInfo_.setInterval(kMediaInfoTickMs);
  connect(&mediaInfo_, &QTimer::timeout, this, &PlaybackController::MediaInfoTick);
  // Its first tick finds no end to act on.
  advance_.start();
  mediaInfo_.start();
  scriptFetch_.setObjectName("Inet2");
  connect(&player_, &MediaPlayer::PlayStateChange, this, &PlaybackController::PlayerStateChanged);
  connect(&player_, &MediaPlayer::Error, this, &PlaybackController::PlayerFailed);
  connect(&player_, &MediaPlayer::QueuedMediaStarted, this, &PlaybackController::QueuedStarted);
  connect(&player_, &MediaPlayer::MediaEnded, this, [this] {
    ended_ = true;
    advance_.start();
  });
  // A row becomes current by a click or by being selected; a click on the row that is
  // already current counts too.
  connect(&playlist_, &QListWidget::currentRowChanged, this, &PlaybackController::RowMadeCurrent);
  connect(&playlist_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { RowMadeCurrent(playlist_.row(item)); });
  // Every change of the playlist redraws the box, and every move selects a row: the entry
  // to follow is queued again.
  connect(&playlist_, &QListWidget::currentRowChanged, this, &PlaybackController::QueueAfter);
  connect(&tags_, &TagReader::BatchRead, this, &PlaybackController::TagsRead);
}

void PlaybackController::RowMadeCurrent(int row) {
  if (row < 0) return;
  if (makeCurrent_) makeCurrent_(row);
  emit CurrentEntryChanged();
}

void PlaybackController::Play() {
  emit PlayRequested();
  Media::PlayMedia(player_);
  QueueAfter(CurrentIndex);
}

void PlaybackController::QueueAfter(int row) {
  if (row < 0 || row >= PlaylistCount) return;
  queuedRow_ = row < PlaylistCount - 1 ? row + 1 : 0;
  const QString& next = Playlist[queuedRow_].Path;
  player_.QueueNext(CanFollowOn(next, Endpoints().placeholderHostPrefix) ? next : QString());
}

void PlaybackController::QueuedStarted(const QString& url) {
  // The entry queued, unless rows moved since; one no longer in the list is not selected.
  if (const int entry = FindEntry(url, queuedRow_); entry >= 0) {
    SelectRow(entry);
    PlayingIndex = CurrentIndex;
  }
  emit PlayRequested();
  mediaInfo_.start();
  QueueAfter(CurrentIndex);
}

bool PlaybackController::SelectRow(int row) {
  if (row < 0 || row >= playlist_.count()) return false;
  if (playlist_.currentRow() == row)
    RowMadeCurrent(row);  // selected already: the list says nothing
  else
    playlist_.setCurrentRow(row);
  return true;
}

void PlaybackController::ButtonTransport(Command command) {
  mediaInfo_.start();
  switch (command) {
    case Command::kPrevious:
      if (CurrentIndex < 1) return;
      SelectRow(CurrentIndex - 1);
      // Another entry: load it, even if the one before was paused.
      Paused = false;
      Play();
      break;
    case Command::kPlay:
      Play();
      Paused = false;
      break;
    case Command::kPause:
      Media::PauseMedia(player_);
      Paused = true;
      break;
    case Command::kStop:
      Media::StopMedia(player_);
      Paused = false;
      break;
    case Command::kNext:
      if (CurrentIndex >= PlaylistCount - 1) return;
      SelectRow(CurrentIndex + 1);
      Paused = false;
      Play();
      break;
  }
}

void PlaybackController::MenuTransport(Command command) {
  mediaInfo_.start();
  switch (command) {
    case Command::kPrevious:
      playlist_.clearSelection();
      // On the first entry there is no row above: the current entry plays again.
      if (CurrentIndex >= 0) {
        SelectRow(CurrentIndex - 1);
        Play();
      }
      break;
    case Command::kPlay:
      Play();
      break;
    case Command::kPause:
      Media::PauseMedia(player_);
      break;
    case Command::kStop:
      Media::StopMedia(player_);
      break;
    case Command::kNext:
      if (CurrentIndex < PlaylistCount - 1) {
        SelectRow(CurrentIndex + 1);
        Play();
        Paused = false;
      }
      break;
  }
}

void PlaybackController::PlayPause() {
  const int state = player_.playState();
  const bool playing = state == MediaPlayer::wmppsPlaying || state == MediaPlayer::wmppsBuffering;
  ButtonTransport(playing ? Command::kPause : Command::kPlay);
}

void PlaybackController::SeekBy(double seconds) {
  const int32_t length = Media::GetMediaLength(player_, CurrentIndex);
  const int32_t position = length > 0 ? Media::GetMediaPosition(player_) : -1;
  if (position < 0) return;  // nothing plays
  const double target = std::clamp(position + seconds, 0.0, double(length));
  Media::SetMediaPosition(player_, Media::RoundHalfEven(target));
}

void PlaybackController::StepVolume(int delta) {
  const int32_t volume = Media::GetVolume(player_);
  if (volume >= 0) Media::SetVolume(player_, std::clamp(volume + delta, 0, 100));
}

void PlaybackController::PlayCurrent() {
  if (CurrentIndex != PlayingIndex) Paused = false;
  Play();
  mediaInfo_.start();
}

bool PlaybackController::AddLocalFiles(QWidget* dialogParent) {
  const int before = PlaylistCount;
  const bool added = Media::AddLocalFiles(dialogParent, &playlist_);
  ReadTagsFrom(before);
  return PrepareFor(added);
}

bool PlaybackController::AddFiles(const QStringList& files) {
  const int before = PlaylistCount;
  const bool added = Media::AddFiles(files, &playlist_);
  ReadTagsFrom(before);
  return PrepareFor(added);
}

void PlaybackController::ReadTagsFrom(int first) {
  QList<TagReader::File> files;
  for (int i = first; i < PlaylistCount; ++i)
    if (Playlist[i].Web == 1) files.append({Playlist[i].Path, i});
  tags_.Read(files, LegacyText::FallbackEncodings());
}

void PlaybackController::TagsRead(const QList<TagReader::Result>& results) {
  // The entry the player has loaded gets what the player says of it.
  const int loaded = FindEntry(player_.URL(), static_cast<int>(PlayingIndex));
  bool changed = false;
  for (const TagReader::Result& result : results) {
    const int entry = FindEntry(result.file.path, result.file.row);
    if (entry < 0 || entry == loaded) continue;
    SongRecord& song = Playlist[entry];
    if (!result.tags.title.isEmpty()) song.Title = result.tags.title;
    if (!result.tags.artist.isEmpty()) song.Author = result.tags.artist;
    if (result.tags.seconds > 0) song.Length = QString::number(result.tags.seconds);
    changed = true;
  }
  // Shown and stored at once, in one transaction.
  if (!changed) return;
  ListControl::ShowPlaylist(&playlist_);
  emit PlaylistChanged();
}

bool PlaybackController::AddSong(const QString& url, const QString& title, const QString& author) {
  return PrepareFor(Media::AddSongToList(url, title, author, &playlist_));
}

bool PlaybackController::PrepareFor(bool added) {
  // Something to play: the sound system starts now, in the background.
  if (PlaylistCount > 0) player_.Prepare();
  emit PlaylistChanged();
  return added;
}

void PlaybackController::DeleteCurrent() {
  Media::DeleteSong(player_, &playlist_, [this] { emit CurrentEntryLeaving(); });
  emit PlaylistChanged();
}

void PlaybackController::DeleteAll() {
  Media::DeleteAllSongs(player_, &playlist_, [this] { emit CurrentEntryLeaving(); });
  emit PlaylistChanged();
}

void PlaybackController::AdvanceTick() {
  advance_.stop();
  // Only a real end moves on: a live stream plays until it ends or the user moves.
  if (!std::exchange(ended_, false) || PlaylistCount <= 0) return;
  SelectRow(CurrentIndex < PlaylistCount - 1 ? CurrentIndex + 1 : 0);
  // The entry that ended is not one to resume.
  Paused = false;
  Play();
  mediaInfo_.start();
}

void PlaybackController::MediaInfoTick() {
  mediaInfo_.stop();
  // Waiting for playback: the player's start wakes this again.
  mediaInfoWaiting_ = player_.playState() != MediaPlayer::wmppsPlaying;
  if (!mediaInfoWaiting_) Media::GetMediaInfo(player_, &playlist_);
}

void PlaybackController::PlayerStateChanged(int state) {
  if (state != MediaPlayer::wmppsPlaying) return;
  const bool waiting = std::exchange(mediaInfoWaiting_, false);
  if (mediaInfo_.isActive() || waiting) mediaInfo_.start(kMediaInfoTickMs);
}

void PlaybackController::PlayerFailed() {
  // The entry that failed, by its address: by the time the script arrives the user may have
  // moved on, rows may have moved, and other entries may have failed too. Each failure gets
  // its own outcome; one fetch of the script serves all that wait for it.
  const bool fetching = !pendingRepairs_.isEmpty();
  pendingRepairs_.append({player_.URL(), static_cast<int16_t>(PlayingIndex)});
  if (fetching) return;
  scriptFetch_.OpenURL(JoinUrl(Endpoints().mediaScriptHost, "/js/serverurl.js"),
                       [this](bool ok, const QString& script) {
                         if (ok) {
                           if (const std::optional<QString> base = MediaServerBaseFrom(script))
                             MediaServerBase = *base;
                         }
                         const QList<PendingRepair> repairs = std::exchange(pendingRepairs_, {});
                         for (const PendingRepair& repair : repairs) Repair(repair);
                       });
}

void PlaybackController::Repair(const PendingRepair& repair) {
  const int entry = FindEntry(repair.address, repair.hint);
  if (entry < 0) return;  // the entry is gone
  SongRecord& song = Playlist[entry];
  const std::optional<QString> repaired =
      RepairedPath(song.Path, Endpoints().placeholderHostPrefix, MediaServerBase);
  if (!repaired) {
    MsgBox(tr("无法播放，请删除本歌曲！"), tr("播放错误！"), vbOKOnly);
    return;
  }
  song.Path = *repaired;
  if (CurrentIndex == entry) Play();
}

std::optional<QString> PlaybackController::OpenStateText(int state) {
  switch (state) {
    case 0:
      return tr("已经关闭");
    case 1:
      return tr("正在装入ASX文件");
    case 2:
      return tr("正在装入NSC文件");
    case 3:
      return tr("正在寻找Media Server");
    case 4:
      return tr("正在与Media Server建立连接");
    case 5:
      return tr("正在打开或侦听流信息 ");
    case 6:
      return tr("流信息已经打开");
    default:
      return std::nullopt;
  }
}

QString PlaybackController::BufferingText(bool start, const QString& lyric) {
  const QString lyricText = tr("歌词：\r\n") + lyric;
  return start ? tr("正在缓冲，请稍后...\r\n") + lyricText : lyricText;
}

bool PlaybackController::CanFollowOn(const QString& path, const QString& placeholder) {
  if (path.isEmpty() || (!placeholder.isEmpty() && path.startsWith(placeholder))) return false;
  if (!path.contains("://")) return true;
  const QString scheme = QUrl(path).scheme().toLower();
  return scheme == "file" || scheme == "http" || scheme == "https";
}

std::optional<QString> PlaybackController::MediaServerBaseFrom(const QString& script) {
  const QStringList pieces = script.split('"');
  if (pieces.size() < 2) return std::nullopt;
  QString base = pieces[1];
  while (base.startsWith(' ')) base.remove(0, 1);
  while (base.endsWith(' ')) base.chop(1);
  return base;
}

std::optional<QString> PlaybackController::RepairedPath(const QString& path,
                                                        const QString& placeholder,
                                                        const QString& serverBase) {
  if (placeholder.isEmpty() || serverBase.isEmpty()) return std::nullopt;
  QString repaired = path;
  repaired.replace(placeholder, serverBase, Qt::CaseSensitive);
  if (repaired == path) return std::nullopt;
  return repaired;
}
