#pragma once

// The player's process-wide working state. Every window and module reads and writes these
// directly, always on the user-interface thread. Nothing here knows of windows or widgets.

#include <QString>
#include <array>
#include <cstdint>

// One playlist entry. Length and LyricId are never stored with the playlist.
struct SongRecord {
  QString Name;     // file name, or the last "/" segment of a network address
  QString Path;     // local path or network address handed to the player
  QString Length;   // duration in seconds, filled while the entry plays
  QString Lyric;    // lyric text fetched for the entry
  QString Author;   // singer or artist
  QString Title;    // song title
  int16_t Web = 0;  // 1 = local file added from disk, 0 = catalog or online search
  QString LyricId;  // the entry's lyric page on the lyrics site

  // What lists and labels show for the entry: its title, or its name when it has none.
  const QString& ShownTitle() const { return Title.isEmpty() ? Name : Title; }

  bool operator==(const SongRecord&) const = default;
};

// Slots 0 to 5000. An index that may lie outside them is looked up with Slot(); operator[]
// is for indices known to be inside, and throws std::out_of_range when one is not (a fault
// of the caller, never caught).
class PlaylistArray {
 public:
  static constexpr int kLowerBound = 0;
  static constexpr int kUpperBound = 5000;
  static constexpr int kSlots = kUpperBound + 1;

  // The slot at index; nullptr outside slots 0..5000.
  SongRecord* Slot(int index);
  const SongRecord* Slot(int index) const;
  SongRecord& operator[](int index);
  const SongRecord& operator[](int index) const;
  void Clear();

 private:
  std::array<SongRecord, kSlots> slots_{};
};

extern PlaylistArray Playlist;
extern int16_t PlaylistCount;               // used slots: 0 .. PlaylistCount-1
extern int16_t CurrentIndex;                // the selected entry, follows List1's selection
extern float PlayingIndex;                  // the index PlayMedia last handed to the player
extern bool Paused;                         // paused through the Pause command
extern int16_t AddSource;                   // 0 = catalog lists, 1 = search result list
extern bool PlaylistLoaded;                 // the stored playlist has been read once
extern bool PlaylistNeedsBackup;            // it could not be read: copy it before a save
extern QString MediaServerBase;             // stream-server base from the media-server script
extern int16_t SelectedSingerType;          // 0..9, 10 = none
extern int16_t SelectedLetter;              // 0..25, 26 = none
extern int16_t SearchKind;                  // 1 = online search, 0 = catalog search
extern std::array<QString, 21> SearchUrls;  // addresses of the online search results

// The entry whose address is path: preferred if it is that one, else the first with it (rows
// may have moved); -1 when the playlist holds no such entry, or path is empty.
int FindEntry(const QString& path, int preferred);

// Puts every variable back to its initial value (tests start from here).
void ResetSharedState();
