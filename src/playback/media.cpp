#include "playback/media.h"

#include <QFileInfo>
#include <QListWidget>
#include <QTimer>
#include <cmath>
#include <stdexcept>

#include "catalog/list_control.h"
#include "platform/file_dialog.h"
#include "platform/msgbox.h"
#include "playback/legacy_text.h"
#include "playback/media_player.h"
#include "playback/playlist_file.h"
#include "state/main_controls.h"
#include "state/shared_state.h"
#include "web/inet.h"

namespace Media {

namespace {

constexpr char kFileFilter[] =
    "所有支持类型 (*.mp3 *.mid *.wav *.wmv *.wma *.mpeg *.mpg *.flac *.ogg *.opus *.m4a *.wv "
    "*.midi *.kar *.m3u *.m3u8 *.pls)";
constexpr const char* kFileTypes[] = {"mp3",  "mid",  "wav", "wmv",  "wma", "mpeg",
                                      "mpg",  "flac", "ogg", "opus", "m4a", "wv",
                                      "midi", "kar",  "m3u", "m3u8", "pls"};
constexpr char kAddFailed[] = "本地文件打开错误！";

bool IsPlaying(const MediaPlayer& player) {
  return player.playState() == MediaPlayer::wmppsPlaying;
}

QString SelectedText(const QListWidget* list) {
  const QListWidgetItem* item = list ? list->currentItem() : nullptr;
  return item ? item->text() : QString();
}

bool RowIsSelected(int row) {
  const QListWidget* list = MainForm().List1;
  const QListWidgetItem* item = list ? list->item(row) : nullptr;
  return item && item->isSelected();
}

// Runs an operation; a failure inside (the player refusing, an index outside the playlist)
// shows its message and gives the failure value.
template <typename T, typename F>
T Guarded(const char* message, T failure, F&& operation) {
  try {
    return operation();
  } catch (const MediaPlayerError&) {
  } catch (const std::out_of_range&) {
  }
  MsgBox(message, "Error!", vbOKOnly);
  return failure;
}

// The entry whose address the player has loaded: the one last handed to it, else the first
// with that address (rows may have moved since); -1 when the playlist no longer holds it.
int LoadedEntry(const MediaPlayer& player) {
  return FindEntry(player.URL(), static_cast<int>(PlayingIndex));
}

void Append(const PlaylistFile::Entry& entry) {
  SongRecord& song = Playlist[PlaylistCount];  // throws when the playlist is full
  song = SongRecord{};
  song.Path = entry.path;
  song.Name = entry.name.isEmpty() ? entry.path.mid(entry.path.lastIndexOf('/') + 1) : entry.name;
  song.Title = entry.title;
  song.Web = entry.network ? 0 : 1;
  ++PlaylistCount;
}

}  // namespace

int32_t RoundHalfEven(double value) { return static_cast<int32_t>(std::nearbyint(value)); }

bool AddLocalFiles(QWidget* dialogParent) {
  return AddFiles(FileDialog::OpenFiles(dialogParent, "打开本地文件", kFileFilter));
}

bool IsMediaFile(const QString& path) {
  const QString suffix = QFileInfo(path).suffix().toLower();
  for (const char* type : kFileTypes)
    if (suffix == type) return true;
  return false;
}

bool AddFiles(const QStringList& files) {
  const PlaylistFile::Expansion found =
      PlaylistFile::Expand(files, LegacyText::FallbackEncodings());
  return Guarded(kAddFailed, false, [&] {
    qsizetype added = 0;
    while (added < found.entries.size() && PlaylistCount < PlaylistArray::kSlots)
      Append(found.entries[added++]);
    // Stored once, with everything that fitted.
    ListControl::ShowPlaylist(MainForm().List1);
    if (const QString problems = PlaylistFile::ProblemText(found); !problems.isEmpty())
      MsgBox(problems, "提示！", vbOKOnly);
    // A single file that does not fit is left out without a word.
    if (added < found.entries.size() && found.entries.size() > 1) {
      MsgBox(kAddFailed, "Error!", vbOKOnly);
      return false;
    }
    return true;
  });
}

bool AddSongToList(const QString& url) {
  SongRecord& song = Playlist[PlaylistCount];
  song = SongRecord{};
  song.Path = url;
  song.Name = url.mid(url.lastIndexOf('/') + 1);
  song.Web = 0;
  if (AddSource == 0) {
    song.Title = SelectedText(MainForm().lstSong);
    song.Author = SelectedText(MainForm().lstSinger);
  } else if (AddSource == 1) {
    const QString result = SelectedText(MainForm().lstSearch);
    song.Title = result.section('\t', 0, 0);
    song.Author = result.section('\t', 1, 1);
  }
  ++PlaylistCount;
  ListControl::ShowPlaylist(MainForm().List1);
  return true;
}

bool PlayMedia(MediaPlayer& player) {
  return Guarded("文件播放错误！", false, [&] {
    if (MainForm().Timer1) MainForm().Timer1->start();
    if (CurrentIndex < PlaylistCount) {
      if (!Paused) player.setURL(Playlist[CurrentIndex].Path);
      player.controls.play();
      PlayingIndex = CurrentIndex;
    }
    return true;
  });
}

void PauseMedia(MediaPlayer& player) {
  Guarded("文件暂停错误！", false, [&] {
    if (IsPlaying(player)) player.controls.pause();
    return true;
  });
}

bool StopMedia(MediaPlayer& player) {
  return Guarded("文件停止错误！", false, [&] {
    player.controls.stop();
    return true;
  });
}

int32_t GetMediaPosition(MediaPlayer& player) {
  return Guarded("获取当前位置错误！", -1, [&] {
    return IsPlaying(player) ? RoundHalfEven(player.controls.currentPosition()) : 0;
  });
}

int32_t GetMediaLength(MediaPlayer& player, int16_t& index) {
  return Guarded("获取播放长度错误！", -1, [&] {
    if (!IsPlaying(player)) return 0;
    const int32_t length = RoundHalfEven(player.currentMedia.duration());
    Playlist[index].Length = QString::number(length);
    return length;
  });
}

bool SetMediaPosition(MediaPlayer& player, int32_t seconds) {
  return Guarded("设置当前时间错误！", false, [&] {
    if (IsPlaying(player)) player.controls.setCurrentPosition(seconds);
    return true;
  });
}

int32_t GetVolume(MediaPlayer& player) {
  return Guarded("获得音量错误！", -1,
                 [&] { return static_cast<int32_t>(player.settings.volume()); });
}

bool SetVolume(MediaPlayer& player, int32_t volume) {
  return Guarded("设置音量错误！", false, [&] {
    player.settings.setVolume(volume);
    return true;
  });
}

bool GetMediaInfo(MediaPlayer& player) {
  return Guarded("获得信息时出错！", false, [&] {
    // The selected row may be another entry than the one playing: the information goes to
    // the entry that was loaded.
    const int loaded = IsPlaying(player) ? LoadedEntry(player) : -1;
    if (loaded >= 0) {
      SongRecord& song = Playlist[loaded];
      if (song.Web == 1) {
        song.Author = player.currentMedia.getItemInfo("Author");
        song.Length = QString::number(player.currentMedia.duration());
        song.Title = player.currentMedia.getItemInfo("Title");
      } else if (song.Web == 0) {
        song.Length = QString::number(player.currentMedia.duration());
      }
    }
    ListControl::ShowPlaylist(MainForm().List1);
    return true;
  });
}

void DeleteSong() {
  Guarded("删除歌曲错误！", false, [&] {
    // Nothing there to delete: an empty list, or a current index past its end.
    if (CurrentIndex < 0 || CurrentIndex >= PlaylistCount) return false;
    if (RowIsSelected(CurrentIndex)) {
      if (MainForm().inetLrc) MainForm().inetLrc->Cancel();
      if (CurrentIndex == PlayingIndex && MainForm().WMP) StopMedia(*MainForm().WMP);
    }
    for (int i = CurrentIndex; i < PlaylistCount - 1; ++i) Playlist[i] = Playlist[i + 1];
    Playlist[PlaylistCount - 1] = SongRecord{};
    --PlaylistCount;
    ListControl::ShowPlaylist(MainForm().List1);  // redraws and stores
    return true;
  });
}

void DeleteAllSongs() {
  try {
    if (RowIsSelected(CurrentIndex)) {
      if (MainForm().inetLrc) MainForm().inetLrc->Cancel();
      if (MainForm().WMP) StopMedia(*MainForm().WMP);
    }
    for (int i = 0; i < PlaylistCount; ++i) Playlist[i] = SongRecord{};
    PlaylistCount = 0;
    ListControl::ShowPlaylist(MainForm().List1);
  } catch (const std::out_of_range&) {  // a count past the last slot
  }
}

}  // namespace Media
