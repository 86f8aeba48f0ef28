#include "lyrics/lyric_lookup.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QPushButton>
#include <QStringEncoder>
#include <QTextBlock>
#include <QTimer>
#include <QUrlQuery>
#include <limits>

#include "lyrics/frm_lrc.h"
#include "lyrics/lyric_box.h"
#include "platform/endpoints.h"
#include "playback/gst_media_player.h"
#include "state/shared_state.h"
#include "support/fake_media_player.h"
#include "support/test_env.h"
#include "support/test_http_server.h"
#include "support/test_media.h"
#include "web/inet.h"

namespace {

const QString kHead =
    "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=gb2312\">"
    "</head><body><table><tr>";

QByteArray Gb2312(const QString& text) {
  QStringEncoder encoder("GB18030");
  return encoder.encode(text);
}

QByteArray SearchPage(const QString& id) {
  return Gb2312(kHead + "<td>1</td><td><a href=\"showgeci.asp?lyricid=" + id +
                "\" target=_blank>月亮代表我的心</a></td></tr></table></body></html>");
}

QByteArray LyricPage(const QString& text) {
  return Gb2312(kHead + "<td class=lrc>月亮代表我的心 - 邓丽君<br> <br>" + text +
                "</td></tr></table></body></html>");
}

// The lookup on a lyric box and a player made by the test: its timer (Timer1) ticks only
// when the test calls Tick(), its transfer (inetLrc) fetches from the loopback server.
class LyricLookupTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSharedState();
    folder.Write("data/endpoints.ini",
                 ("[endpoints]\nLyricsSite=" + server.Url("/") + "\n").toUtf8());
    ReloadEndpoints();
    timer.stop();
    timer.setInterval(std::numeric_limits<int>::max());
    box.setPlainText("歌词：\r\n");
    player.state = MediaPlayer::wmppsPlaying;
  }
  void TearDown() override { ResetSharedState(); }

  void Add(const QString& title, const QString& singer, const QString& lyric = QString()) {
    SongRecord& song = Playlist[PlaylistCount];
    song.Name = QString("%1.mp3").arg(PlaylistCount);
    song.Path = "http://files.test/" + song.Name;
    song.Title = title;
    song.Author = singer;
    song.Lyric = lyric;
    ++PlaylistCount;
  }
  void Tick() { lookup.Tick(); }
  bool WaitResponse() {
    return WaitUntil([&] { return !inet.StillExecuting(); });
  }
  // The query values of the request at index.
  QString Asked(int index, const QString& key) const {
    const QString target = server.Requests().value(index);
    return QUrlQuery(target.section('?', 1)).queryItemValue(key, QUrl::FullyDecoded);
  }
  QString Box() const { return box.toPlainText(); }

  TestHttpServer server;
  TempAppFolder folder;
  FakeMediaPlayer player;
  QPlainTextEdit box;
  LyricBox lyricBox{box, player};
  LyricLookup lookup{lyricBox, player, nullptr};
  QTimer& timer = lookup.timer();
  Inet& inet = lookup.transfer();
};

TEST_F(LyricLookupTest, SearchPageThenLyricPageStoreAndShowTheLyric) {
  const struct {
    const char* name;
    QByteArray search, lyric, contentType;
  } cases[] = {
      {"gb2312", SearchPage("12345"), LyricPage("line one<br>line two\u3000第三行"), "text/html"},
      {"utf-8", "<a href=\"showgeci.asp?lyricid=12345\">",
       QString("<td><br> <br>line one<br>line two\u3000第三行</td>").toUtf8(),
       "text/html; charset=utf-8"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetSharedState();
    server.Route("/searchgc.asp", {.body = c.search, .contentType = c.contentType});
    server.Route("/showgeci.asp", {.body = c.lyric, .contentType = c.contentType});
    const int before = server.Requests().size();
    Add("月亮 代表&我的心", "邓丽君");

    timer.start();
    Tick();
    EXPECT_FALSE(timer.isActive());
    ASSERT_TRUE(WaitResponse());
    ASSERT_EQ(server.Requests().size(), before + 1);
    EXPECT_TRUE(server.Requests().last().startsWith("/searchgc.asp?"));
    EXPECT_EQ(Asked(before, "singername"), "邓丽君");
    EXPECT_EQ(Asked(before, "lyricname"), "月亮 代表&我的心");
    EXPECT_EQ(Box(), "正在查找音乐id...");
    EXPECT_EQ(Playlist[0].LyricId, "12345");
    EXPECT_TRUE(timer.isActive());

    Tick();
    EXPECT_EQ(Box(), "正在查找歌词...");
    ASSERT_TRUE(WaitResponse());
    EXPECT_EQ(server.Requests().last(), "/showgeci.asp?lyricid=12345");
    EXPECT_EQ(Box(), "正在查找歌词...");
    EXPECT_EQ(Playlist[0].Lyric, "line one\r\nline two\r\n第三行");
    EXPECT_TRUE(timer.isActive());

    Tick();
    EXPECT_EQ(Box(), "歌词\nline one\nline two\n第三行");
    EXPECT_FALSE(timer.isActive());
    EXPECT_EQ(server.Requests().size(), before + 2);
  }
}

TEST_F(LyricLookupTest, PagesWithoutMarkersOrTooLargeGiveNoLyric) {
  const struct {
    const char* name;
    QByteArray search, lyric;
    bool idFound;
  } cases[] = {
      {"no id", Gb2312(kHead + "<td>没有找到歌词</td>"), {}, false},
      {"no lyric start", SearchPage("7"), Gb2312(kHead + "<td>歌词 line one</td>"), true},
      {"under ten characters", SearchPage("7"), Gb2312(kHead + "<td><br> <br>line one</td>"), true},
      {"above 256 KiB", SearchPage("7"), LyricPage(QString(256 * 1024, 'x')), true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetSharedState();
    server.Route("/searchgc.asp", {.body = c.search});
    server.Route("/showgeci.asp", {.body = c.lyric});
    Add("甜蜜蜜", "邓丽君");
    Tick();
    ASSERT_TRUE(WaitResponse());
    EXPECT_EQ(Playlist[0].LyricId, c.idFound ? "7" : "");
    if (c.idFound) {
      Tick();
      ASSERT_TRUE(WaitResponse());
    }
    EXPECT_EQ(Box(), "暂无歌词");
    EXPECT_EQ(Playlist[0].Lyric, "");
    EXPECT_FALSE(timer.isActive());
  }
}

TEST_F(LyricLookupTest, WhenNoRequestIsMade) {
  const struct {
    const char* name;
    QString songName, lyric;
    int playState;
    QString box;   // the box after the tick
    bool timerOn;  // after the player starts
  } cases[] = {
      {"known lyric", "a.mp3", "我只在乎你的歌词全文", MediaPlayer::wmppsStopped,
       "歌词\n我只在乎你的歌词全文", false},
      {"empty name", "", "", MediaPlayer::wmppsPlaying, "歌词：\n", false},
      {"paused", "a.mp3", "", MediaPlayer::wmppsPaused, "歌词：\n", true},
      {"stopped", "a.mp3", "", MediaPlayer::wmppsStopped, "歌词：\n", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ResetSharedState();
    box.setPlainText("歌词：\r\n");
    Add("我只在乎你", "邓丽君", c.lyric);
    Playlist[0].Name = c.songName;
    player.state = c.playState;
    timer.start();
    Tick();
    EXPECT_FALSE(inet.StillExecuting());
    EXPECT_EQ(Box(), c.box);
    // Waiting for the entry to play, the timer rests until the player starts.
    EXPECT_FALSE(timer.isActive());
    emit player.PlayStateChange(MediaPlayer::wmppsPlaying);
    EXPECT_EQ(timer.isActive(), c.timerOn);
  }
  QCoreApplication::processEvents();
  EXPECT_TRUE(server.Requests().isEmpty());
}

TEST_F(LyricLookupTest, AResponseBelongsToTheEntryItWasAskedFor) {
  for (const bool removed : {false, true}) {
    SCOPED_TRACE(removed ? "entry removed" : "entry switched");
    ResetSharedState();
    server.Route("/searchgc.asp", {.body = SearchPage("12345"), .delayMs = 300});
    const int before = server.Requests().size();
    Add("甜蜜蜜", "邓丽君");
    Add("小城故事", "邓丽君", "旧");
    Tick();
    ASSERT_TRUE(inet.StillExecuting());
    box.setPlainText("歌词\r\n旧");

    // Another entry starts to play while the search for the first is on its way.
    if (removed) {
      Playlist[0] = Playlist[1];
      Playlist[1] = SongRecord{};
      PlaylistCount = 1;
    }
    CurrentIndex = removed ? 0 : 1;
    timer.start();
    Tick();
    EXPECT_FALSE(timer.isActive());
    ASSERT_TRUE(WaitResponse());

    SongRecord& other = Playlist[CurrentIndex];
    EXPECT_EQ(other.LyricId, "");
    EXPECT_EQ(other.Lyric, "旧");
    EXPECT_EQ(Box(), "歌词\n旧");
    if (!removed) {
      EXPECT_EQ(Playlist[0].LyricId, "12345");
    }
    // The entry now playing gets its own search.
    EXPECT_TRUE(timer.isActive());
    Tick();
    ASSERT_TRUE(WaitResponse());
    ASSERT_EQ(server.Requests().size(), before + 2);
    EXPECT_EQ(Asked(before + 1, "lyricname"), "小城故事");
    EXPECT_EQ(other.LyricId, "12345");
  }
}

// Answers the song information dialog once it is up.
void WhenDialogShows(std::function<void(frmLrc&)> act) {
  QTimer::singleShot(0, [act] {
    frmLrc* dialog = LrcForm(nullptr);
    ASSERT_TRUE(dialog->isVisible());
    act(*dialog);
  });
}

TEST_F(LyricLookupTest, ReLrcSearchesAgainWithTheEditedTitleAndSinger) {
  server.Route("/searchgc.asp", {.body = SearchPage("555")});
  Add("月亮代表我的心", "邓丽君", "很久以前的旧歌词内容");
  Add("甜蜜蜜", "邓丽君");
  Playlist[0].LyricId = "12345";
  QString shownTitle, shownSinger;
  WhenDialogShows([&](frmLrc& dialog) {
    shownTitle = dialog.Text1->text();
    shownSinger = dialog.Text2->text();
    dialog.Text1->setText("月亮代表我的心 (live)");
    dialog.Text2->setText("");
    dialog.Command1->click();
  });
  timer.start();
  lookup.SearchAgain();
  EXPECT_EQ(shownTitle, "月亮代表我的心");
  EXPECT_EQ(shownSinger, "邓丽君");
  EXPECT_EQ(Playlist[0].Title, "月亮代表我的心 (live)");
  EXPECT_EQ(Playlist[0].Author, "");
  EXPECT_EQ(Playlist[0].Lyric, "");
  EXPECT_FALSE(timer.isActive());
  ASSERT_TRUE(WaitResponse());
  ASSERT_EQ(server.Requests().size(), 1);
  EXPECT_EQ(Asked(0, "lyricname"), "月亮代表我的心 (live)");
  EXPECT_EQ(Asked(0, "singername"), "");
  EXPECT_EQ(Playlist[0].LyricId, "555");

  // Shown again for another entry, the dialog reads that entry; confirming unedited keeps it.
  CurrentIndex = 1;
  WhenDialogShows([&](frmLrc& dialog) {
    shownTitle = dialog.Text1->text();
    dialog.Command1->click();
  });
  lookup.SearchAgain();
  EXPECT_EQ(shownTitle, "甜蜜蜜");
  EXPECT_EQ(Playlist[1].Title, "甜蜜蜜");
  EXPECT_EQ(Playlist[1].Author, "邓丽君");
}

TEST_F(LyricLookupTest, TheDialogsCloseBoxChangesNothing) {
  Add("月亮代表我的心", "邓丽君", "很久以前的旧歌词内容");
  Playlist[0].LyricId = "12345";
  const SongRecord before = Playlist[0];
  QPointer<frmLrc> closed;
  WhenDialogShows([&](frmLrc& dialog) {
    closed = &dialog;
    dialog.Text1->setText("别的歌");
    dialog.Text2->setText("别人");
    dialog.close();
  });
  timer.start();
  lookup.SearchAgain();
  EXPECT_EQ(Playlist[0], before);
  EXPECT_FALSE(inet.StillExecuting());
  EXPECT_TRUE(timer.isActive());
  EXPECT_TRUE(WaitUntil([&] { return closed.isNull(); }));
  EXPECT_TRUE(server.Requests().isEmpty());
}

// Lines longer than the box shows are cut where it is full, as are lines past the most it shows.
TEST_F(LyricLookupTest, LongLinesAndManyAreCutWhereTheBoxIsFull) {
  const QString line(256 * 1024, u'长'), cut = QString(511, u'长') + u'…';
  for (const auto& [lyric, shown] : std::initializer_list<std::pair<QString, QString>>{
           {line, cut},
           {"[00:01]" + line + "\r\n[00:02]短", cut + "\n短"},
           {QString("😀").repeated(200000), QString("😀").repeated(255) + u'…'},
           {QString("\r\n").repeated(256 * 1024), QString(999, u'\n') + u'…'}}) {
    lyricBox.ShowLyric(lyric);
    EXPECT_EQ(Box(), "歌词\n" + shown);
  }
}

// A timed lyric in the box follows a real player through a generated file.
TEST_F(LyricLookupTest, TimedLyricFollowsThePlayingFile) {
  qputenv("SONAVEIL_AUDIO_SINK", "fakesink sync=true");
  const QString file = TestMedia::Tone("lyric_follow", "wav", 4.0);
  ASSERT_FALSE(file.isEmpty());
  GstMediaPlayer gst;
  LyricBox followed(box, gst);
  const QStringList texts = {"第一句", "第二句", "第三句", "第四句", "第五句", "第六句"};
  const QList<double> times = {0.0, 0.8, 1.6, 2.4, 3.0, 3.5};
  QString lyric = "[ti:测试]\r\n";
  for (int i = 0; i < texts.size(); ++i)
    lyric += QString("[00:%1]%2\r\n").arg(times[i], 5, 'f', 2, QChar('0')).arg(texts[i]);
  Add("测试", "歌手", lyric);
  box.resize(200, 40);  // about two lines: the box has to scroll
  box.show();

  gst.setURL(file);
  ASSERT_TRUE(WaitUntil([&] { return gst.playState() == MediaPlayer::wmppsPlaying; }, 10000));
  followed.ShowLyric(Playlist[0].Lyric);
  EXPECT_EQ(Box(), "歌词\n" + texts.join('\n'));

  QList<int> seen;
  const auto expectedAt = [&](double seconds) {
    int line = -1;
    while (line + 1 < times.size() && times[line + 1] <= seconds) ++line;
    return line;
  };
  for (;;) {
    WaitUntil([] { return false; }, 60);
    if (gst.playState() != MediaPlayer::wmppsPlaying) break;
    const double at = gst.controls.currentPosition();
    followed.FollowPlayer();
    // The position read by FollowPlayer lies between these two readings; near a line's start,
    // or where the player cannot tell its position, it could be either line.
    if (expectedAt(at) != expectedAt(gst.controls.currentPosition())) continue;
    const int line = followed.MarkedLine();
    EXPECT_EQ(line, expectedAt(at)) << "at " << at;
    const QList<QTextEdit::ExtraSelection> marks = box.extraSelections();
    ASSERT_EQ(marks.size(), 1);
    const QTextBlock block = marks[0].cursor.block();
    EXPECT_EQ(block.text(), texts.value(line)) << "at " << at;
    EXPECT_TRUE(box.viewport()->rect().contains(box.cursorRect(QTextCursor(block)).center()))
        << "line " << line << " is out of view";
    if (seen.isEmpty() || seen.last() != line) seen << line;
  }
  EXPECT_EQ(seen, QList<int>({0, 1, 2, 3, 4, 5}));
  qunsetenv("SONAVEIL_AUDIO_SINK");
}

// A local file's own lyric comes first, with no request to the site: a .lrc beside it (named in
// any case; GBK, or UTF-8 with or without a BOM), else the lyric in its tags (ID3v2 in GBK, a
// Vorbis comment). The site is asked for a file with neither.
TEST_F(LyricLookupTest, ALocalFilesOwnLyricComesBeforeTheSite) {
  server.Route("/searchgc.asp", {.body = SearchPage("1")});
  const QString lyric = "[00:01.00]月亮代表我的心\r\n[00:03.00]你问我爱你有多深";
  const std::pair<QString, QByteArray> cases[] = {
      {TestMedia::Tone("gbk", "wav", 0.5), Gb2312(lyric)},
      {TestMedia::Tone("Bom", "wav", 0.5), "\xef\xbb\xbf" + lyric.toUtf8()},
      {TestMedia::Tone("utf8", "wav", 0.5), lyric.toUtf8()},
      {TestMedia::Id3Tagged("uslt_gbk", 0.5, 440, "t", "a", "GBK", false, lyric), {}},
      {TestMedia::Tone("vorbis", "ogg", 0.5, 440, "t", "a", lyric), {}},
      {TestMedia::Tone("none", "ogg", 0.5), {}}};
  for (const auto& [file, lrc] : cases) {
    SCOPED_TRACE(file.toStdString());
    QFile beside(QFileInfo(file).path() + "/" + QFileInfo(file).baseName().toLower() +
                 (file.contains("Bom") ? ".LRC" : ".lrc"));
    ASSERT_TRUE(lrc.isEmpty() || (beside.open(QIODevice::WriteOnly) && beside.write(lrc)));
    beside.close();
    ResetSharedState();
    Add("月亮代表我的心", "邓丽君");
    Playlist[0].Path = file;
    Tick();
    const bool own = !file.contains("none");
    EXPECT_EQ(Playlist[0].Lyric, own ? lyric : QString());
    EXPECT_TRUE(!own || Box() == "歌词\n月亮代表我的心\n你问我爱你有多深") << Box().toStdString();
    EXPECT_EQ(inet.StillExecuting() || !server.Requests().isEmpty(), !own);
  }
}

}  // namespace
