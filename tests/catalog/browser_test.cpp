// The catalog panel and the song search on the real main window, with the demo catalog.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QStringEncoder>

#include "app/frmmain.h"
#include "catalog/catalog_fixture.h"
#include "catalog/data.h"
#include "catalog/list_control.h"
#include "catalog/other_serach.h"
#include "platform/endpoints.h"
#include "skin/picture_box.h"
#include "skin/skin.h"
#include "state/shared_state.h"
#include "support/fake_media_player.h"
#include "support/test_env.h"
#include "support/test_http_server.h"
#include "web/web_browser.h"

namespace {

QStringList Texts(const QListWidget* list) {
  QStringList texts;
  for (int i = 0; i < list->count(); ++i) texts << list->item(i)->text();
  return texts;
}

int RowOf(const QListWidget* list, const QString& text) {
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->text() == text) return i;
  return -1;
}

class BrowserTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ResetSharedState();
    frmmain::startupPauseMs = 0;
    folder.InstallSkinAndCatalog();
    folder.Write("data/endpoints.ini",
                 ("[endpoints]\nMusicSearchSite=" + server.Url("/") +
                  "\nMusicFileServer=http://files.test/\nCounterHost=" + server.Url("/") + "\n")
                     .toUtf8());
    ReloadEndpoints();
    window = std::make_unique<frmmain>(new FakeMediaPlayer);
    ui = Skin::FindFaceControls(window.get());
    WBYS = window->findChild<WebBrowser*>("WBYS");
    window->Form_Load();
    window->timButton.stop();
    window->show();
  }
  void TearDown() override {
    window.reset();
    ResetSharedState();
  }

  void Type(const QString& text) { ui.Text1->setText(text); }
  void PressEnter() {
    QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier, "\r");
    QApplication::sendEvent(ui.Text1, &press);
  }
  bool WaitForPage() {
    return WaitUntil([&] { return !WBYS->Busy() && WBYS->isHidden(); }, 10000);
  }

  TestHttpServer server;
  TempAppFolder folder;
  MsgBoxRecorder boxes;
  std::unique_ptr<frmmain> window;
  Skin::FaceControls ui;
  WebBrowser* WBYS = nullptr;
};

TEST_F(BrowserTest, LetterAndTypeLabelsRefilterTheSingers) {
  ASSERT_EQ(SelectedLetter, 26);
  ASSERT_EQ(SelectedSingerType, 10);
  ASSERT_EQ(ui.lbSingerType[2]->property("Tag").toString(), "3");
  StatementLog log;
  window->lbLetter_Click(1);      // «B»
  window->lbSingerType_Click(2);  // the third type
  window->lbLetter_Click(1);      // «B» again: the letter filter goes
  EXPECT_EQ(log.statements,
            (QStringList{
                "select NClass,NClassID from NNClass where Abcd='B' order by NClass",
                "select NClass,NClassID from NNClass where Abcd='B' and SClassID=3 order by NClass",
                "select NClass,NClassID from NNClass where SClassID=3 order by NClass",
            }));
  EXPECT_EQ(SelectedLetter, 26);
  EXPECT_EQ(SelectedSingerType, 2);
  EXPECT_TRUE(Skin::IsMarked(ui.lbSingerType[2]));
  EXPECT_FALSE(Skin::IsMarked(ui.lbLetter[1]));
  EXPECT_EQ(Texts(ui.lstSinger), (QStringList{"星河乐队", "青禾组合"}));  // by name

  // The selected type clicked again: only the type filter goes.
  window->lbLetter_Click(23);  // «X»
  log.statements.clear();
  window->lbSingerType_Click(2);
  EXPECT_EQ(log.statements,
            QStringList{"select NClass,NClassID from NNClass where Abcd='X' order by NClass"});
  EXPECT_EQ(SelectedLetter, 23);
  EXPECT_EQ(SelectedSingerType, 10);
  EXPECT_TRUE(boxes.Boxes().isEmpty());
}

TEST_F(BrowserTest, SingerAlbumSongChain) {
  window->lbLetter_Click(1);  // «B»
  ui.lstSinger->setCurrentRow(RowOf(ui.lstSinger, "白云飞"));
  EXPECT_EQ(Texts(ui.lstSpecial), (QStringList{"云上的歌", "远方"}));
  ui.lstSpecial->setCurrentRow(0);
  EXPECT_EQ(Texts(ui.lstSong), (QStringList{"茉莉花", "康定情歌", "凤阳花鼓"}));

  // Another singer: new albums, but the old album's songs stay until an album is chosen.
  ui.lstSinger->setCurrentRow(RowOf(ui.lstSinger, "Bella Stone"));
  EXPECT_EQ(Texts(ui.lstSpecial), (QStringList{"Greensleeves Live", "Stone Road"}));
  EXPECT_EQ(Texts(ui.lstSong), (QStringList{"茉莉花", "康定情歌", "凤阳花鼓"}));
}

TEST_F(BrowserTest, AddingACatalogSongStoresItsRealAddress) {
  window->lbLetter_Click(1);
  ui.lstSinger->setCurrentRow(RowOf(ui.lstSinger, "白云飞"));
  ui.lstSpecial->setCurrentRow(0);
  ui.lstSong->setCurrentRow(0);  // 茉莉花: a relative address in the catalog
  window->lstSong_DblClick();
  ASSERT_EQ(PlaylistCount, 1);
  EXPECT_EQ(Playlist[0].Path, "http://files.test/musicfiles/q731_com_music/a001/moli_hua.wma");
  EXPECT_EQ(Playlist[0].Name, "moli_hua.wma");
  EXPECT_EQ(Playlist[0].Title, "茉莉花");
  EXPECT_EQ(Playlist[0].Author, "白云飞");
  EXPECT_EQ(Playlist[0].Web, 0);
  EXPECT_EQ(Rows(ListControl::UserDatabaseFile(), "select Name,Path,Title,Web,author from NUser"),
            QStringList{"moli_hua.wma|http://files.test/musicfiles/q731_com_music/a001/"
                        "moli_hua.wma|茉莉花|0|白云飞"});
  EXPECT_EQ(Rows(Data::CatalogFile(), "select URL from NMusicList where ID=1"),
            QStringList{"q731_com_music/a001/moli_hua.wma"});

  // The add button does the same; with no singer selected the singer is empty.
  ui.lstSinger->setCurrentRow(-1);
  ui.lstSong->setCurrentRow(2);
  window->cmdAdd_Click(0);
  ASSERT_EQ(PlaylistCount, 2);
  EXPECT_EQ(Playlist[1].Title, "凤阳花鼓");
  EXPECT_EQ(Playlist[1].Author, "");
  // No song selected: nothing.
  ui.lstSong->setCurrentRow(-1);
  window->cmdAdd_Click(0);
  EXPECT_EQ(PlaylistCount, 2);
}

TEST_F(BrowserTest, CatalogSearchAndTheHiddenPhrase) {
  Type("茉莉花");
  window->Go_Click();
  EXPECT_EQ(SearchKind, 0);
  EXPECT_EQ(ui.lstSearch->count(), 4);
  EXPECT_TRUE(Texts(ui.lstSearch).contains("茉莉花\t白云飞"));
  ui.lstSearch->setCurrentRow(RowOf(ui.lstSearch, "茉莉花\t白云飞"));
  window->lstSearch_DblClick();
  ASSERT_EQ(PlaylistCount, 1);
  EXPECT_EQ(Playlist[0].Title, "茉莉花");
  EXPECT_EQ(Playlist[0].Author, "白云飞");

  // Leading blanks or a capital Y: the catalog is searched, not the web.
  for (const QString& text : {QString("  yisou:love"), QString("Yisou:love")}) {
    Type(text);
    window->Go_Click();
    EXPECT_EQ(SearchKind, 0) << text.toStdString();
    EXPECT_FALSE(WBYS->Busy());
  }
  EXPECT_TRUE(server.Requests().filter("search").isEmpty());
  EXPECT_EQ(boxes.Texts().filter("查找不到任何数据").size(), 2);

  // The phrase greets on Enter and searches nothing; Go searches the catalog for it.
  const int before = boxes.Boxes().size();
  ui.lstSearch->addItem("left alone");
  Type("春风吹过绿色山");
  PressEnter();
  ASSERT_EQ(boxes.Boxes().size(), before + 1);
  EXPECT_EQ(boxes.Boxes().last().text, "送给你的礼物！");
  EXPECT_EQ(boxes.Boxes().last().caption, "一生一世的爱恋");
  EXPECT_EQ(Texts(ui.lstSearch), QStringList{"left alone"});
  window->Go_Click();
  EXPECT_EQ(boxes.Boxes().last().caption, "查找提醒");
  EXPECT_EQ(ui.lstSearch->count(), 0);
  // Enter on an empty box does nothing.
  Type("");
  PressEnter();
  EXPECT_EQ(boxes.Boxes().last().caption, "查找提醒");
}

// A result page in the search site's layout, with the markers in capitals.
QByteArray ResultPage(int results, bool gb2312, const QString& extra = QString()) {
  QString body = "<HTML><HEAD>";
  if (gb2312) body += "<META http-equiv=Content-Type content=\"text/html; charset=gb2312\">";
  body += "</HEAD><BODY><DIV class=results>";
  for (int i = 1; i <= results; ++i)
    body += QString(
                "<LI><A TITLE=\"http://media.test/songs/%1/Song%1.WMA\" "
                "HREF=\"/play?i=%1\" TARGET=_BLANK>第%1首 <FONT COLOR=red>Love</FONT> 歌</A>"
                " 来源网址：media.test 请注意：此内容可能受到版权保护</LI>")
                .arg(i);
  body += extra + "</DIV></BODY></HTML>";
  if (!gb2312) return body.toUtf8();
  QStringEncoder encoder("GB18030");
  return encoder.encode(body);
}

TEST_F(BrowserTest, OnlineSearchCutsTheResultPage) {
  struct Case {
    int results;
    bool gb2312;
  } cases[] = {{20, true}, {7, false}, {0, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.results);
    server.Route("/search", {.body = ResultPage(c.results, c.gb2312),
                             .contentType = c.gb2312 ? "text/html" : "text/html; charset=utf-8",
                             .delayMs = 50});
    Type("yisou:love");
    window->Go_Click();
    EXPECT_EQ(SearchKind, 1);
    EXPECT_TRUE(WBYS->isVisible());  // shown while the page loads
    ASSERT_TRUE(WaitForPage());
    ASSERT_EQ(ui.lstSearch->count(), c.results);
    if (c.results == 0) continue;
    EXPECT_EQ(ui.lstSearch->item(0)->text(), "第1首 love 歌");
    EXPECT_EQ(SearchUrls[1], "http://media.test/songs/1/song1.wma");
    EXPECT_EQ(SearchUrls[c.results],
              QString("http://media.test/songs/%1/song%1.wma").arg(c.results));
    EXPECT_EQ(Data::ItemData(ui.lstSearch, c.results - 1), c.results);
  }
  EXPECT_EQ(server.Requests().last(), "/search?p=love&mimetype=wma&source=yisou_music_hp_search");
}

TEST_F(BrowserTest, AddingAnOnlineResult) {
  server.Route("/search", {.body = ResultPage(7, false), .contentType = "text/html"});
  Type("yisou:love");
  window->Go_Click();
  ASSERT_TRUE(WaitForPage());
  ui.lstSearch->setCurrentRow(2);
  window->lstSearch_DblClick();
  ASSERT_EQ(PlaylistCount, 1);
  EXPECT_EQ(Playlist[0].Path, "http://media.test/songs/3/song3.wma");
  EXPECT_EQ(Playlist[0].Name, "song3.wma");
  EXPECT_EQ(Playlist[0].Title, "第3首 love 歌");
  EXPECT_EQ(ui.List1->item(0)->text(), "第3首 love 歌");
  EXPECT_EQ(Rows(ListControl::UserDatabaseFile(), "select Title from NUser"),
            QStringList{"第3首 love 歌"});
  ui.lstSearch->setCurrentRow(-1);
  window->cmdAdd_Click(1);  // nothing selected: nothing added
  EXPECT_EQ(PlaylistCount, 1);
}

TEST_F(BrowserTest, QueryIsSentExactlyAsTyped) {
  server.Route("/search", {.body = ResultPage(1, false), .contentType = "text/html"});
  Type("yisou:rock & roll 月亮");
  window->Go_Click();
  ASSERT_TRUE(WaitForPage());
  EXPECT_EQ(
      server.Requests().last(),
      "/search?p=rock%20%26%20roll%20%E6%9C%88%E4%BA%AE&mimetype=wma&source=yisou_music_hp_search");
  Type("yisou:   ");
  window->Go_Click();
  ASSERT_TRUE(WaitForPage());
  EXPECT_EQ(server.Requests().last(), "/search?p=&mimetype=wma&source=yisou_music_hp_search");
}

TEST_F(BrowserTest, ALaterSearchWinsOverAPageStillLoading) {
  server.Route("/search",
               {.body = ResultPage(20, true), .contentType = "text/html", .delayMs = 600});
  Type("yisou:slow");
  window->Go_Click();
  ASSERT_TRUE(WaitUntil([&] { return server.Requests().filter("/search").size() == 1; }));
  server.Route("/search", {.body = ResultPage(3, false), .contentType = "text/html"});
  Type("yisou:fast");
  window->Go_Click();
  ASSERT_TRUE(WaitForPage());
  EXPECT_EQ(ui.lstSearch->count(), 3);
  WaitUntil([] { return false; }, 900);  // well past the first page's answer
  EXPECT_EQ(ui.lstSearch->count(), 3);

  // A catalog search while a page loads: the page never lands in the catalog results.
  server.Route("/search",
               {.body = ResultPage(20, true), .contentType = "text/html", .delayMs = 400});
  Type("yisou:again");
  window->Go_Click();
  Type("茉莉花");
  window->Go_Click();
  WaitUntil([] { return false; }, 700);
  EXPECT_EQ(SearchKind, 0);
  EXPECT_EQ(ui.lstSearch->count(), 4);
  EXPECT_TRUE(WBYS->isHidden());
}

TEST(CutResults, MarkersAndTheExamplePiece) {
  const auto one = OtherSerach::CutResults(
      "before title=\"/a/b.WMA target=_blank>My <font color=red>Song</font></a>");
  ASSERT_EQ(one.size(), 1);
  EXPECT_EQ(one[0].url, "/a/b.wma");
  EXPECT_EQ(one[0].title, "my song");

  // References are read as the characters they stand for, before the page is lower-cased;
  // those that stand for markup never cut the text.
  const auto named = OtherSerach::CutResults(
      "title=\"/R&amp;B/&Eacute;t&eacute;.wma\" target=_blank>Rock&#39;n&#x27;Roll "
      "&Eacute;t&eacute; "
      "&lt;/a&gt; R&amp;B&nbsp;&copy;&bogus;</a>");
  ASSERT_EQ(named.size(), 1);
  EXPECT_EQ(named[0].url, "/r&b/été.wma");
  EXPECT_EQ(named[0].title, "rock'n'roll été </a> r&b ©&bogus;");

  // Pieces without their markers are passed over; the rest keep their page order.
  const auto mixed = OtherSerach::CutResults(
      "x TITLE=no address here blank>t</a> TITLE=/c.wma no marker TITLE=/d.wma _BLANK>D</A>");
  ASSERT_EQ(mixed.size(), 1);
  EXPECT_EQ(mixed[0].url, "/d.wma");
  EXPECT_EQ(mixed[0].title, "d");

  // Never more than twenty.
  QString page;
  for (int i = 0; i < 25; ++i) page += QString(" title=/%1.wma _blank>%1</a>").arg(i);
  EXPECT_EQ(OtherSerach::CutResults(page).size(), 20);
  EXPECT_TRUE(OtherSerach::CutResults("").isEmpty());
}

}  // namespace
