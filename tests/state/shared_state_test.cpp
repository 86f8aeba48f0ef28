#include "state/shared_state.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(SharedState, ResetRestoresEveryInitialValue) {
  Playlist[0].Title = "x";
  Playlist[5000].Path = "/y";
  PlaylistCount = 3;
  CurrentIndex = 2;
  PlayingIndex = 1.5f;
  Paused = true;
  AddSource = 1;
  PlaylistLoaded = true;
  MediaServerBase = "mms://s/";
  SelectedSingerType = 4;
  SelectedLetter = 7;
  SearchKind = 1;
  SearchUrls[20] = "http://a/b.wma";

  ResetSharedState();
  EXPECT_EQ(Playlist[0], SongRecord{});
  EXPECT_EQ(Playlist[5000], SongRecord{});
  EXPECT_EQ(PlaylistCount, 0);
  EXPECT_EQ(CurrentIndex, 0);
  EXPECT_EQ(PlayingIndex, 0.0f);
  EXPECT_FALSE(Paused);
  EXPECT_EQ(AddSource, 0);
  EXPECT_FALSE(PlaylistLoaded);
  EXPECT_TRUE(MediaServerBase.isEmpty());
  EXPECT_EQ(SelectedSingerType, 0);
  EXPECT_EQ(SelectedLetter, 0);
  EXPECT_EQ(SearchKind, 0);
  EXPECT_TRUE(SearchUrls[20].isEmpty());
}

TEST(SharedState, PlaylistHas5001CheckedSlots) {
  ResetSharedState();
  Playlist[5000].Name = "last slot";
  EXPECT_EQ(Playlist[5000].Name, "last slot");
  EXPECT_THROW(Playlist[5001], std::out_of_range);
  EXPECT_THROW(Playlist[-1], std::out_of_range);
  const PlaylistArray& constView = Playlist;
  EXPECT_THROW(constView[32767], std::out_of_range);
  EXPECT_EQ(constView[0].Web, 0);
  ResetSharedState();
}

TEST(SharedState, FindEntryPrefersTheGivenRowThenTheFirstWithTheAddress) {
  ResetSharedState();
  for (const char* path : {"/a", "/b", "/a"}) Playlist[PlaylistCount++].Path = path;
  EXPECT_EQ(FindEntry("/a", 2), 2);
  EXPECT_EQ(FindEntry("/a", 1), 0);
  EXPECT_EQ(FindEntry("/a", 4000), 0);  // past the used slots
  EXPECT_EQ(FindEntry("/c", 0), -1);
  EXPECT_EQ(FindEntry("", 0), -1);
  ResetSharedState();
}

}  // namespace
