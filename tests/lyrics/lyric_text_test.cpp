#include "lyrics/lyric_text.h"

#include <gtest/gtest.h>

#include <QUrl>
#include <QUrlQuery>

#include "lyrics/synced_lyric.h"
#include "support/test_env.h"

namespace {

TEST(LyricText, SearchAddressKeepsEachValueWhole) {
  const struct {
    QString singer, title;
  } cases[] = {
      {"邓丽君", "月亮代表我的心"},
      {"Simon & Garfunkel", "Bridge #1 = over water"},
      {"", "100% 真心"},
      {"a+b", "x?y/z"},
  };
  for (const auto& c : cases) {
    const QUrl url(LyricText::SearchAddress("http://lrc.test/", c.singer, c.title));
    SCOPED_TRACE(url.toString().toStdString());
    EXPECT_EQ(url.host(), "lrc.test");
    EXPECT_EQ(url.path(), "/searchgc.asp");
    const QUrlQuery query(url);
    EXPECT_EQ(query.queryItems().size(), 2);
    EXPECT_EQ(query.queryItemValue("singername", QUrl::FullyDecoded), c.singer);
    EXPECT_EQ(query.queryItemValue("lyricname", QUrl::FullyDecoded), c.title);
  }
  EXPECT_EQ(LyricText::LyricAddress("http://lrc.test", "12345"),
            "http://lrc.test/showgeci.asp?lyricid=12345");
}

TEST(LyricText, LyricIdFromTheSearchPage) {
  const struct {
    QString page;
    std::optional<QString> id;
  } cases[] = {
      {R"(<a href="showgeci.asp?lyricid=12345" target=_blank>歌</a>)", "12345"},
      {R"(<a href="showgeci.asp?lyricid=7">a</a><a href="showgeci.asp?lyricid=8">)", "7"},
      {"see showgeci.asp?lyricid=42", "42"},
      {"<p>没有找到</p>", std::nullopt},
      {R"(<a href="showgeci.asp?lyricid=">)", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(LyricText::LyricIdFrom(c.page), c.id) << c.page.toStdString();
}

// The lyric is kept as the page's cut gives it; the box shows it with the page's markup read.
TEST(LyricText, LyricFromTheLyricPage) {
  const struct {
    QString page;
    std::optional<QString> kept;
    QString shown;
  } cases[] = {
      {"<td>歌名<br> <br>line one<br>line two</td></tr>", "line one\r\nline two",
       "line one\r\nline two"},
      {"<br> <br>第一句\u3000第二句</td>", "第一句\r\n第二句", "第一句\r\n第二句"},
      {"<br> <br>A &amp; B&nbsp;&#12345;&#x41;&lt;b&gt;&copy;</td>",
       "A &amp; B&nbsp;&#12345;&#x41;&lt;b&gt;&copy;", "A & B \u3039A<b>©"},
      {"<br> <br><font color=red>红</font>色<BR/>2 < 3</td>",
       "<font color=red>红</font>色<BR/>2 < 3", "红色\r\n2 < 3"},
      {"<br> <br><Chorus><!-- x --><p>啦啦啦啦啦啦</p></td>",
       "<Chorus><!-- x --><p>啦啦啦啦啦啦</p>", "<Chorus>啦啦啦啦啦啦"},
      {"<br> <br>only this<br> <br>not this</td>", "only this", "only this"},
      {"<br> <br>line one<br>line two", "line one\r\nline two", "line one\r\nline two"},
      {"line one<br>line two</td>", std::nullopt, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.page.toStdString());
    const std::optional<QString> kept = LyricText::LyricFrom(c.page);
    EXPECT_EQ(kept, c.kept);
    if (kept) {
      EXPECT_EQ(LyricText::Shown(*kept), c.shown);
    }
  }
}

TEST(SyncedLyric, TimeTagsMakeATimedLyric) {
  const QString lyric =
      "[ti:小城故事]\r\n[00:03.50]第二句\r\n[00:01.00][00:05.25]第一句\n"
      "no time here\n[01:02]第三句\r[00:04.5]";
  const std::optional<SyncedLyric> synced = ParseSyncedLyric(lyric);
  ASSERT_TRUE(synced);
  // Shown again, the lyric is not parsed again.
  EXPECT_TRUE(ParseSyncedLyric(lyric)->lines.isSharedWith(synced->lines));
  QStringList texts;
  QList<double> times;
  for (const SyncedLyric::Line& line : synced->lines) {
    texts << line.text;
    times << line.seconds;
  }
  EXPECT_EQ(texts, QStringList({"第一句", "第二句", "", "第一句", "第三句"}));
  EXPECT_EQ(times, QList<double>({1.0, 3.5, 4.5, 5.25, 62.0}));

  const struct {
    double seconds;
    int line;
  } at[] = {{0, -1}, {0.99, -1}, {1.0, 0}, {3.49, 0}, {3.5, 1}, {61.9, 3}, {500, 4}};
  for (const auto& c : at) EXPECT_EQ(synced->LineAt(c.seconds), c.line) << c.seconds;

  EXPECT_FALSE(ParseSyncedLyric("第一句\r\n第二句 [00:01.00]\r\n[ar:歌手]"));
}

}  // namespace
