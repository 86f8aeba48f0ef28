#include "state/shared_state.h"

#include <stdexcept>
#include <string>

namespace {
void CheckIndex(int index) {
  if (index < PlaylistArray::kLowerBound || index > PlaylistArray::kUpperBound)
    throw std::out_of_range("playlist index " + std::to_string(index) + " is out of range");
}
}  // namespace

SongRecord* PlaylistArray::Slot(int index) {
  if (index < kLowerBound || index > kUpperBound) return nullptr;
  return &slots_[static_cast<size_t>(index)];
}

const SongRecord* PlaylistArray::Slot(int index) const {
  return const_cast<PlaylistArray*>(this)->Slot(index);
}

SongRecord& PlaylistArray::operator[](int index) {
  CheckIndex(index);
  return slots_[static_cast<size_t>(index)];
}

const SongRecord& PlaylistArray::operator[](int index) const {
  CheckIndex(index);
  return slots_[static_cast<size_t>(index)];
}

void PlaylistArray::Clear() { slots_.fill(SongRecord{}); }

PlaylistArray Playlist;
int16_t PlaylistCount = 0;
int16_t CurrentIndex = 0;
float PlayingIndex = 0;
bool Paused = false;
int16_t AddSource = 0;
bool PlaylistLoaded = false;
bool PlaylistNeedsBackup = false;
QString MediaServerBase;
int16_t SelectedSingerType = 0;
int16_t SelectedLetter = 0;
int16_t SearchKind = 0;
std::array<QString, 21> SearchUrls;

int FindEntry(const QString& path, int preferred) {
  if (path.isEmpty()) return -1;
  if (preferred >= 0 && preferred < PlaylistCount && Playlist[preferred].Path == path)
    return preferred;
  for (int i = 0; i < PlaylistCount; ++i)
    if (Playlist[i].Path == path) return i;
  return -1;
}

void ResetSharedState() {
  Playlist.Clear();
  PlaylistCount = 0;
  CurrentIndex = 0;
  PlayingIndex = 0;
  Paused = false;
  AddSource = 0;
  PlaylistLoaded = false;
  PlaylistNeedsBackup = false;
  MediaServerBase.clear();
  SelectedSingerType = 0;
  SelectedLetter = 0;
  SearchKind = 0;
  SearchUrls.fill(QString());
}
