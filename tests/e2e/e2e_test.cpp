// The built player and updater on a real X server, used with the X pointer and keyboard as a
// user would, against the real web server on loopback, with the player's sound going to a
// private PulseAudio server. Screenshots are left in the build folder (screenshots/e2e-*.png).
#include <gtest/gtest.h>
#include <signal.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QUrl>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <utility>

#include "catalog/catalog_fixture.h"
#include "server/server_process.h"
#include "support/test_env.h"
#include "support/test_media.h"
#include "support/test_sound.h"

namespace {

QString RunTool(const QString& program, const QStringList& args, bool* ok = nullptr) {
  QProcess process;
  process.start(program, args);
  const bool done = process.waitForFinished(5000) && process.exitCode() == 0;
  if (ok) *ok = done;
  return QString::fromUtf8(process.readAllStandardOutput()).trimmed();
}

bool Xdotool(const QStringList& args) {
  bool ok = false;
  RunTool("xdotool", args, &ok);
  return ok;
}

void Pause(int ms) {
  WaitUntil([] { return false; }, ms);
}

void Click(int x, int y, int button = 1) {
  Xdotool({"mousemove", QString::number(x), QString::number(y)});
  Pause(150);
  Xdotool({"click", QString::number(button)});
  Pause(400);
}

void DoubleClick(int x, int y) {
  Xdotool({"mousemove", QString::number(x), QString::number(y)});
  Pause(150);
  Xdotool({"click", "--repeat", "2", "--delay", "80", "1"});
  Pause(400);
}

void Keys(const QStringList& keys) {
  for (const QString& key : keys) {
    Xdotool({"key", key});
    Pause(120);
  }
}

void Type(const QString& text) {
  Xdotool({"type", "--delay", "30", text});
  Pause(200);
}

// The first visible window whose name matches (ignoring case) other than except, "" when
// there is none.
QString Window(const QString& namePattern, const QString& except = QString()) {
  const QString found = RunTool("xdotool", {"search", "--onlyvisible", "--name", namePattern});
  for (const QString& window : found.split('\n', Qt::SkipEmptyParts))
    if (window != except) return window;
  return QString();
}

QRect Geometry(const QString& window) {
  const QString out = RunTool("xdotool", {"getwindowgeometry", window});
  const auto m = QRegularExpression(R"(Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+))",
                                    QRegularExpression::DotMatchesEverythingOption)
                     .match(out);
  if (!m.hasMatch()) return {};
  return QRect(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt(),
               m.captured(4).toInt());
}

QImage Grab(const QRect& area) {
  return QGuiApplication::primaryScreen()
      ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
      .toImage()
      .convertToFormat(QImage::Format_RGB32);
}

void Screenshot(const QString& name, const QRect& area = QRect(0, 0, 1280, 1024)) {
  QDir(QString(SONAVEIL_BINARY_DIR)).mkpath("screenshots");
  Grab(area).save(QString(SONAVEIL_BINARY_DIR) + "/screenshots/e2e-" + name + ".png");
}

// Waits until the area has stopped changing (a panel has slid open, say).
bool Still(const QRect& area) {
  QImage last = Grab(area);
  return WaitUntil(
      [&] {
        Pause(300);
        const QImage now = Grab(area);
        return std::exchange(last, now) == now;
      },
      5000);
}

// Whether the picture has more than a few colours: text or a page drawn, not a blank area.
bool Drawn(const QImage& image) {
  QSet<QRgb> colours;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) colours.insert(image.pixel(x, y));
  return colours.size() > 8;
}

// Where the page draws the browser's focus ring; empty when no field has the keyboard.
QRect FocusRing(const QImage& page) {
  QRect ring;
  for (int y = 0; y < page.height(); ++y)
    for (int x = 0; x < page.width(); ++x)
      if (page.pixel(x, y) == qRgb(229, 151, 0)) ring |= QRect(x, y, 1, 1);
  return ring;
}

// Which of the texts a label of this font, alignment and colour shows in the picture of it:
// each text is drawn as such a label draws it, on the picture's commonest colour, and the
// drawing nearest the picture wins.
QString ShownText(const QImage& shot, const QStringList& texts, int pixelSize,
                  Qt::Alignment alignment, const QColor& ink) {
  QHash<QRgb, int> uses;
  for (int y = 0; y < shot.height(); ++y)
    for (int x = 0; x < shot.width(); ++x) ++uses[shot.pixel(x, y)];
  QRgb back = 0;
  for (auto use = uses.cbegin(); use != uses.cend(); ++use)
    if (use.value() > uses.value(back)) back = use.key();
  QString best;
  long bestScore = LONG_MAX;
  for (const QString& text : texts) {
    QLabel label;
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixelSize);
    label.setFont(font);
    label.setAlignment(alignment);
    QPalette palette = label.palette();
    palette.setColor(QPalette::WindowText, ink);
    label.setPalette(palette);
    label.setText(text);
    label.setAttribute(Qt::WA_TranslucentBackground);
    label.resize(shot.size());
    QImage drawn(shot.size(), QImage::Format_RGB32);
    drawn.fill(back);
    label.render(&drawn, QPoint(), QRegion(), QWidget::DrawChildren);
    long score = 0;
    for (int y = 0; y < shot.height(); ++y)
      for (int x = 0; x < shot.width(); ++x) {
        const QRgb a = shot.pixel(x, y), b = drawn.pixel(x, y);
        score += std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) +
                 std::abs(qBlue(a) - qBlue(b));
      }
    if (score < bestScore) {
      bestScore = score;
      best = text;
    }
  }
  return best;
}

bool Ended(QProcess& process) {
  return WaitUntil([&] { return process.state() == QProcess::NotRunning; }, 10000);
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class E2e : public ::testing::Test {
 protected:
  void SetUp() override {
    if (QGuiApplication::platformName() != "xcb") GTEST_SKIP() << "needs an X server";
    ASSERT_TRUE(server_.Started()) << "sonaveil-server did not start";
    ASSERT_TRUE(sound_.Ok()) << "pulseaudio did not start";
    program_ = app_.InstallProgram();
    ASSERT_TRUE(QFile::copy(QString(SONAVEIL_APP_DIR) + "/update", app_.File("update")));
    const QString base = QString::fromStdString(server_.Base()) + "/";
    QByteArray ini = "[endpoints]\n";
    for (const char* key :
         {"CounterHost", "LyricsSite", "MusicSearchSite", "MusicFileServer", "MediaScriptHost",
          "DownloadPrefix", "RingToneSite", "MessageBoardHost", "UpdateServer"})
      ini += QByteArray(key) + "=" + base.toUtf8() + "\n";
    ini += "PlaceholderHostPrefix=http://mediaserver.sonaveil.example\n";
    app_.Write("data/endpoints.ini", ini);
  }

  void TearDown() override {
    // The updater was started by the player, not by this test: it is found by its window.
    const QString update = Window("^update$");
    const int updatePid =
        update.isEmpty() ? 0 : RunTool("xdotool", {"getwindowpid", update}).toInt();
    if (updatePid > 0) ::kill(static_cast<pid_t>(updatePid), SIGKILL);
    if (player_.state() != QProcess::NotRunning) {
      ::kill(static_cast<pid_t>(player_.processId()), SIGKILL);
      player_.waitForFinished(5000);
    }
  }

  // Starts the player from the private application folder and waits for its window, which
  // stands at the origin of the screen.
  void StartPlayer(const QStringList& arguments = {}) {
    player_.setProcessEnvironment(PlayerEnvironment());
    player_.setProcessChannelMode(QProcess::ForwardedChannels);
    player_.start(program_, arguments);
    ASSERT_TRUE(player_.waitForStarted(5000));
    ASSERT_TRUE(WaitUntil([&] { return !(main_ = Window("^Sonaveil V4.0$")).isEmpty(); }, 15000));
    Pause(1500);  // the window has drawn itself
  }

  QProcessEnvironment PlayerEnvironment() const {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();  // PULSE_SERVER too
    env.insert("TMPDIR", tmp_.path());
    env.insert("XDG_RUNTIME_DIR", tmp_.path());
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.remove("SONAVEIL_AUDIO_SINK");
    return env;
  }

  // Another start of the player, as from a second shell; its exit code.
  int StartAgain(const QStringList& arguments) {
    QProcess again;
    again.setProcessEnvironment(PlayerEnvironment());
    again.start(program_, arguments);
    return again.waitForFinished(10000) ? again.exitCode() : -1;
  }

  // What the sound server heard in the last second: its pitch (0 for silence) and level.
  HeardTone Lately() const {
    const QList<float> heard = sound_.Heard();
    const QList<HeardTone> tones =
        Tones(heard.mid(std::max<qsizetype>(0, heard.size() - TestSoundServer::kRate)));
    return tones.isEmpty() ? HeardTone{0, 0, 0} : tones.last();
  }
  bool Hearing(int frequency) const {
    return WaitUntil([&] { return std::abs(Lately().frequency - frequency) < 30; }, 15000);
  }

  // Ends the player with its close button; the stored playlist afterwards.
  QStringList ClosePlayer() {
    Click(227, 15);
    EXPECT_TRUE(Ended(player_)) << "the player is still running";
    EXPECT_EQ(player_.exitCode(), 0);
    return Rows(app_.File("data/user.dll"), "select Title,author,Path,Lyric from NUser");
  }

  // Top buttons, by index: 1 upgrade, 2 catalog panel, 3 playlist panel.
  static void TopButton(int index) {
    static constexpr int kCentre[6] = {17, 157, 178, 195, 211, 227};
    Click(kCentre[index], 15);
  }

  // The playlist panel's first row, the catalog panel's lists' first rows.
  static constexpr QPoint kPlaylistRow{60, 336};
  static constexpr QRect kPlaylistPanel{0, 322, 242, 174};
  static constexpr QPoint kSingerRow{300, 119};
  static constexpr QPoint kAlbumRow{456, 119};
  static constexpr QPoint kSongRow{608, 119};
  static constexpr QPoint kSearchRow{760, 116};

  // Opens the playlist's menu on its first row and picks the entry that many places down.
  static void PlaylistMenu(int entry) {
    const QRect below(kPlaylistRow, QSize(120, 240));
    const QImage before = Grab(below);
    Click(kPlaylistRow.x(), kPlaylistRow.y(), 3);
    EXPECT_TRUE(WaitUntil([&] { return Grab(below) != before; }, 5000)) << "no menu";
    Pause(300);
    Screenshot(QString("menu-%1").arg(entry), QRect(0, 0, 500, 700));
    for (int i = 0; i < entry; ++i) Keys({"Down"});
    Keys({"Return"});
  }

  // Waits for a message box with this caption and answers it with Return.
  bool AnswerBox(const QString& caption, int timeoutMs = 10000) {
    const QString name = "^" + caption + "$";
    QString box;
    if (!WaitUntil([&] { return !(box = Window(name, main_)).isEmpty(); }, timeoutMs)) return false;
    Xdotool({"windowfocus", box});
    Pause(200);
    Keys({"Return"});
    return WaitUntil([&] { return Window(name, main_).isEmpty(); }, 5000);
  }

  QTemporaryDir tmp_;
  ServerProcess server_{QString(), tmp_.filePath("board.sqlite"), /*log=*/true};
  TestSoundServer sound_;
  TempAppFolder app_;
  QString program_;
  QProcess player_;
  QString main_;  // the player's window
};

TEST_F(E2e, BrowseAddPlayHearLyricAndDownload) {
  StartPlayer();
  TopButton(2);  // the catalog panel
  Pause(500);
  Click(352 + 25, 38);  // singer type 华语女歌手
  Click(440 + 3, 70);   // letter L
  Click(kSingerRow.x(), kSingerRow.y());
  Click(kAlbumRow.x(), kAlbumRow.y());
  Screenshot("catalog", QRect(0, 0, 920, 330));
  DoubleClick(kSongRow.x(), kSongRow.y());

  TopButton(3);  // the playlist panel slides open
  ASSERT_TRUE(Still(kPlaylistPanel));
  ASSERT_TRUE(sound_.StartRecording());
  DoubleClick(kPlaylistRow.x(), kPlaylistRow.y());
  Pause(7000);  // heard, and its lyric fetched meanwhile
  const QList<float> heard = sound_.StopRecording();
  Screenshot("playing", QRect(0, 0, 920, 500));
  // At least a second of sound above silence, in 50 ms windows.
  const int window = TestSoundServer::kRate / 20;
  int loudWindows = 0;
  for (qsizetype at = 0; at + window <= heard.size(); at += window) {
    double sum = 0;
    for (qsizetype i = at; i < at + window; ++i) sum += double(heard[i]) * heard[i];
    if (std::sqrt(sum / window) > 0.003) ++loudWindows;
  }
  EXPECT_GE(loudWindows, 20) << heard.size() << " samples heard, " << loudWindows
                             << " loud windows";

  // The song downloaded through the playlist's menu, its file named in the save dialog.
  const QString saved = tmp_.filePath("saved.mp3");
  PlaylistMenu(4);  // 下载当前歌曲
  QString down;
  ASSERT_TRUE(WaitUntil([&] { return !(down = Window("^歌曲下载$")).isEmpty(); }, 10000));
  Pause(500);
  const QRect dialog = Geometry(down);
  Click(dialog.x() + 280, dialog.y() + 32);  // 浏览...
  QString saveAs;
  ASSERT_TRUE(WaitUntil([&] { return !(saveAs = Window("^另存为$")).isEmpty(); }, 10000));
  Pause(800);
  Screenshot("save-dialog");
  Xdotool({"windowfocus", saveAs});
  Keys({"ctrl+a"});
  Type(saved);
  Keys({"Return"});
  ASSERT_TRUE(WaitUntil([&] { return Window("^另存为$").isEmpty(); }, 5000));
  Click(dialog.x() + 280, dialog.y() + 64);  // 开始
  EXPECT_TRUE(AnswerBox("Sonaveil v4.0", 20000)) << "no message that the download ended";
  Screenshot("downloaded", QRect(0, 0, 920, 500));
  Xdotool({"windowfocus", down});
  Keys({"Escape"});
  ASSERT_TRUE(WaitUntil([&] { return Window("^歌曲下载$").isEmpty(); }, 5000));

  const QStringList rows = ClosePlayer();
  ASSERT_EQ(rows.size(), 1) << rows.join('\n').toStdString();
  const QStringList row = rows.first().split('|');
  EXPECT_EQ(row[0], "月儿弯弯照九州");
  EXPECT_EQ(row[1], "林晚星");
  EXPECT_TRUE(row[2].startsWith(QString::fromStdString(server_.Base())) &&
              row[2].endsWith("/a009/yuer_wanwan.mp3"))
      << row[2].toStdString();
  // The lyric came from the lyrics site and was kept with the entry.
  EXPECT_TRUE(rows.first().contains("几家欢乐几家愁")) << rows.first().toStdString();

  const Reply served = Get(server_.Port(), QUrl(row[2]).path().toStdString());
  ASSERT_EQ(served.status, 200);
  EXPECT_GT(served.body.size(), 1000u);
  EXPECT_TRUE(ReadFile(saved) == QByteArray::fromStdString(served.body))
      << "the saved file is not the served one";
}

TEST_F(E2e, SearchTheOutsideSiteAndAddAResult) {
  StartPlayer();
  TopButton(2);
  Pause(500);
  Click(715 + 56, 69);  // the search box
  Type("yisou:Danny");
  Keys({"Return"});
  Pause(3000);  // the result page has come and been cut into the list
  Screenshot("search", QRect(0, 0, 920, 330));
  DoubleClick(kSearchRow.x(), kSearchRow.y());
  const QStringList rows = ClosePlayer();

  // The entry is the first song the search page lists.
  const Reply page = Get(server_.Port(), "/search?p=Danny");
  ASSERT_EQ(page.status, 200);
  const auto first =
      QRegularExpression(R"re(<li><a href="([^"]+)")re").match(QString::fromStdString(page.body));
  ASSERT_TRUE(first.hasMatch()) << page.body;
  ASSERT_EQ(rows.size(), 1) << rows.join('\n').toStdString();
  const QStringList row = rows.first().split('|');
  EXPECT_TRUE(row[0].contains("Danny Boy", Qt::CaseInsensitive)) << row[0].toStdString();
  EXPECT_EQ(row[2], first.captured(1));
  EXPECT_EQ(Get(server_.Port(), QUrl(row[2]).path().toStdString()).status, 200);
}

TEST_F(E2e, CountTheClientAndPostOnTheBoard) {
  const std::string counter = "/sonaveil/count1/active.asp";
  // Before the player starts, the counter has seen only this visit (from another address).
  EXPECT_EQ(Get(server_.Port(), counter, "", "127.0.0.2").body, "1");
  StartPlayer();
  // Every ten seconds the player asks the counter and shows the number: the visit above and
  // the player itself.
  const QRect countLabel(152, 296, 75, 13);
  const QStringList counts{"在线人数： 人", "在线人数1人", "在线人数2人", "在线人数3人"};
  const QColor faceText(178, 186, 216);
  QString shown;
  EXPECT_TRUE(WaitUntil(
      [&] {
        shown = ShownText(Grab(countLabel), counts, 11, Qt::AlignLeft | Qt::AlignVCenter, faceText);
        return shown == "在线人数2人";
      },
      15000))
      << shown.toStdString();
  Screenshot("count", QRect(0, 0, 242, 322));
  EXPECT_EQ(Get(server_.Port(), counter, "", "127.0.0.2").body, "2");

  // The board, opened from the playlist's menu, posts a message to the server.
  TopButton(3);
  ASSERT_TRUE(Still(kPlaylistPanel));
  PlaylistMenu(9);  // 打开留言板
  QString board;
  ASSERT_TRUE(WaitUntil([&] { return !(board = Window("^Sonaveil留言簿$")).isEmpty(); }, 10000));
  const QRect frame = Geometry(board);
  const QRect page(frame.x() + 3, frame.y() + 32, 694, 369);
  ASSERT_TRUE(WaitUntil([&] { return Drawn(Grab(page)); }, 30000)) << "the board page is blank";
  // The field that has the keyboard is the one the browser draws its focus ring round. A click
  // on the page's margin gives the board the keyboard and takes it from any field; the Tab
  // after it goes to the name field, and each Tab after that to the next field down.
  QRect field;
  bool hasField = false;
  for (int tries = 0; !hasField && tries < 3; ++tries) {
    Xdotool({"windowfocus", "--sync", board});
    Click(page.x() + 3, page.y() + 3);
    Keys({"Tab"});
    hasField = WaitUntil([&] { return !(field = FocusRing(Grab(page))).isEmpty(); }, 5000);
  }
  ASSERT_TRUE(hasField) << "no field of the board takes the keyboard";
  const auto next = [&] {
    const QRect from = field;
    Keys({"Tab"});
    return WaitUntil([&] { return (field = FocusRing(Grab(page))).top() > from.bottom(); }, 5000);
  };
  Type("e2e");
  ASSERT_TRUE(next()) << "the message box does not take the keyboard";
  const QString message = QString("Hello from the desktop %1").arg(server_.Port());
  Type(message);
  ASSERT_TRUE(next()) << "the button does not take the keyboard";
  Keys({"Return"});
  EXPECT_TRUE(WaitUntil(
      [&] {
        const QString listed = QString::fromStdString(Get(server_.Port(), "/note/").body);
        return listed.contains("<b>e2e</b>") && listed.contains(message);
      },
      15000))
      << "the server's board does not list the message under its name";
  Still(page);
  Screenshot("board", frame);
  Click(frame.x() + 676, frame.y() + 16);  // the board's close mark
  EXPECT_TRUE(WaitUntil([] { return Window("^Sonaveil留言簿$").isEmpty(); }, 5000));
  ClosePlayer();
}

// One song in three files, tagged as Windows-era taggers did (UTF-16, GBK in frames declared
// ISO-8859-1, GBK in ID3v1), the last also named in GBK bytes and stored as a drop stores it:
// each plays from the stored playlist, its title and singer shown, stored and sent for its lyric.
TEST_F(E2e, LegacyTaggedFilesPlayFromTheStoredPlaylist) {
  const QString title = "月亮代表我的心", singer = "邓丽君";
  QStringList rows{
      "create table NUser(ID integer, Name text, Path text, Title text, Web integer,"
      " author text, Lyric text)"};
  for (int i = 0; i < 3; ++i) {
    QString path = TestMedia::Id3Tagged(QString("moon%1").arg(i), 5.0, 440 + 220 * i, title, singer,
                                        i ? "GBK" : "UTF-16", i == 2);
    if (i == 2) {
      const QByteArray gbk =
          QFile::encodeName(TestMedia::Folder()) + QStringEncoder("GBK")(u"/月.mp3");
      ASSERT_EQ(std::rename(QFile::encodeName(path).constData(), gbk.constData()), 0);
      path = "file://" + gbk.toPercentEncoding("/");
    }
    rows << QString("insert into NUser values (%1,'%1.mp3','%2','',1,'','')").arg(i + 1).arg(path);
  }
  RunSql(app_.File("data/user.dll"), rows);
  StartPlayer();
  TopButton(3);
  ASSERT_TRUE(Still(kPlaylistPanel));
  ASSERT_TRUE(sound_.StartRecording());
  DoubleClick(kPlaylistRow.x(), kPlaylistRow.y());
  // Each entry's lyric search comes a second after it starts; meanwhile the label shows it.
  const QStringList right{"歌曲标题：" + title, "艺术家：" + singer};
  QStringList searches, shown;
  for (int entry = 0; entry < 3; ++entry) {
    ASSERT_TRUE(WaitUntil(
        [&] { return (searches = server_.Log().filter("/searchgc.asp")).size() > entry; }, 15000));
    EXPECT_TRUE(WaitUntil([&] {
      shown.clear();
      for (int line : {0, 1})  // each against itself garbled, as Latin-1
        shown << ShownText(Grab(QRect(32, 48 + 13 * line, 177, 13)),
                           {right[line], QString::fromLatin1(QStringEncoder("GBK")(right[line]))},
                           12, Qt::AlignLeft | Qt::AlignVCenter, QColor(29, 34, 64));
      return shown == right;
    })) << shown.join(" / ").toStdString();
  }
  Screenshot("legacy-tags", QRect(0, 0, 242, 500));
  QList<int> heard;  // the third song, just begun, is heard a little later
  WaitUntil([&] { return Tones(sound_.Heard()).size() >= 3; }, 10000);
  for (const HeardTone& tone : Tones(sound_.StopRecording()))
    heard << std::lround(tone.frequency / 110) * 110;
  EXPECT_EQ(heard.mid(0, 3), (QList<int>{440, 660, 880}));
  for (const QString& search : searches)
    EXPECT_TRUE(search.contains("lyricname=" + title) && search.contains("singername=" + singer))
        << search.toStdString();
  std::printf("the lyric request: %s\n", qUtf8Printable(searches.last()));
  EXPECT_EQ(ClosePlayer().filter(title + "|" + singer + "|").size(), 3);
}

TEST_F(E2e, UpgradeStartsTheUpdaterWithTheServedVersions) {
  StartPlayer();
  TopButton(1);
  ASSERT_TRUE(AnswerBox("提示！"));  // Return answers yes
  QString update;
  ASSERT_TRUE(WaitUntil([&] { return !(update = Window("^update$")).isEmpty(); }, 15000));
  // The player makes way for it.
  EXPECT_TRUE(Ended(player_));
  EXPECT_EQ(player_.exitCode(), 0);

  const Reply data = Get(server_.Port(), "/sonaveil/updatefile/db.txt");
  const Reply program = Get(server_.Port(), "/sonaveil/updatefile/sonaveil.txt");
  ASSERT_EQ(data.status, 200);
  ASSERT_EQ(program.status, 200);
  const QString dataVersion = QString::fromStdString(data.body).trimmed();
  const QString programVersion = QString::fromStdString(program.body).trimmed();
  const QRect frame = Geometry(update);
  const QColor ink(38, 42, 70);
  const Qt::Alignment topLeft = Qt::AlignLeft | Qt::AlignTop;
  QString shownData, shownProgram;
  EXPECT_TRUE(WaitUntil(
      [&] {
        shownData = ShownText(Grab(QRect(frame.topLeft() + QPoint(112, 48), QSize(64, 13))),
                              {dataVersion, "读取中…", "无法连接"}, 12, topLeft, ink);
        shownProgram = ShownText(Grab(QRect(frame.topLeft() + QPoint(264, 48), QSize(56, 13))),
                                 {programVersion, "读取中…", "无法连接"}, 12, topLeft, ink);
        return shownData == dataVersion && shownProgram == programVersion;
      },
      10000))
      << shownData.toStdString() << " / " << shownProgram.toStdString();
  Screenshot("update", frame);

  // The demo catalog is signed with the key the build put into the updater.
  const std::string catalog = Get(server_.Port(), "/sonaveil/updatefile/db.rar").body;
  app_.Write("data/db.dll", "an older catalog");
  Click(frame.x() + 248 + 36, frame.y() + 104 + 12);  // 升级歌曲库
  EXPECT_TRUE(AnswerBox("提示！")) << "no message that the catalog was updated";
  EXPECT_TRUE(ReadFile(app_.File("data/db.dll")).toStdString() == catalog);
}

// Driven by the keyboard alone: a stored playlist of three tones.
TEST_F(E2e, TheKeyboardPlaysSkipsRaisesTheVolumeAndDeletes) {
  const QList<int> frequencies{440, 660, 880};
  QStringList rows{
      "create table NUser(ID integer, Name text, Path text, Title text, Web integer,"
      " author text, Lyric text)"};
  for (int i = 0; i < 3; ++i)
    rows << QString("insert into NUser values (%1,'t%1.wav','%2','',1,'','')")
                .arg(i)
                .arg(TestMedia::Tone(QString("key%1").arg(i), "wav", 8.0, frequencies[i]));
  RunSql(app_.File("data/user.dll"), rows);
  StartPlayer();
  ASSERT_TRUE(Xdotool({"windowfocus", "--sync", main_}));
  ASSERT_TRUE(sound_.StartRecording());
  Keys({"space"});
  EXPECT_TRUE(Hearing(440)) << "space played nothing";
  Keys({"ctrl+Right"});
  ASSERT_TRUE(Hearing(660)) << "ctrl+Right did not move on";
  const double before = Lately().rms;
  Keys({"Up", "Up", "Up", "Up"});
  EXPECT_TRUE(WaitUntil([&] { return Lately().rms > before * 1.5; }, 10000))
      << "Up left the level at " << before;
  Keys({"ctrl+p", "Delete"});  // the playlist panel, in focus; its current row goes
  EXPECT_TRUE(WaitUntil([&] { return Lately().frequency == 0; }, 10000));
  Keys({"ctrl+q"});
  ASSERT_TRUE(Ended(player_));
  EXPECT_EQ(Rows(app_.File("data/user.dll"), "select Name from NUser"),
            (QStringList{"t0.wav", "t2.wav"}));
}

// From the command line: the song given to a first start is heard; a second start adds a
// playlist without playing it, a third moves on to its first song.
TEST_F(E2e, TheCommandLinePlaysEnqueuesAndMovesOn) {
  const QString list = tmp_.filePath("list.m3u");
  QFile m3u(list);
  ASSERT_TRUE(m3u.open(QIODevice::WriteOnly));
  const QStringList tags{"第660首|命令行", "第880首|命令行"};
  for (int frequency : {660, 880})
    m3u.write((TestMedia::Tone(QString("cl%1").arg(frequency), "mp3", 20.0, frequency,
                               QString("第%1首").arg(frequency), "命令行") +
               "\n")
                  .toUtf8());
  m3u.close();
  ASSERT_TRUE(sound_.StartRecording());
  StartPlayer({TestMedia::Tone("cl440", "mp3", 20.0, 440)});
  EXPECT_TRUE(Hearing(440)) << "the song on the command line was not heard";
  EXPECT_EQ(StartAgain({"--enqueue", list}), 0);
  // Stored with their tags before they have played.
  EXPECT_TRUE(WaitUntil([&] {
    return Rows(app_.File("data/user.dll"), "select Title,author from NUser").mid(1) == tags;
  }));
  EXPECT_TRUE(Hearing(440)) << "enqueued, yet the song was interrupted";
  EXPECT_EQ(StartAgain({"--next"}), 0);
  EXPECT_TRUE(Hearing(660)) << "--next did not move on";
}

// "Open with" from the desktop: installed into a prefix, made the default for MP3, and
// opened with xdg-open, the player starts and the song is heard.
TEST_F(E2e, XdgOpenStartsTheInstalledPlayerAndPlaysTheSong) {
  const QString prefix = tmp_.filePath("prefix");
  ASSERT_EQ(QProcess::execute("cmake", {"--install", SONAVEIL_BINARY_DIR, "--prefix", prefix}), 0);
  QProcessEnvironment env = PlayerEnvironment();
  env.insert("XDG_DATA_DIRS", prefix + "/share:/usr/share");
  env.insert("XDG_DATA_HOME", tmp_.filePath("data"));
  env.insert("XDG_CONFIG_HOME", tmp_.filePath("config"));
  env.remove("XDG_CURRENT_DESKTOP");
  QProcess mime, open;
  for (QProcess* step : {&mime, &open}) step->setProcessEnvironment(env);
  mime.start("xdg-mime", {"default", "sonaveil.desktop", "audio/mpeg"});
  ASSERT_TRUE(mime.waitForFinished(10000) && mime.exitCode() == 0);
  ASSERT_TRUE(sound_.StartRecording());
  open.start("xdg-open", {TestMedia::Tone("opened", "mp3", 20.0, 550)});
  EXPECT_TRUE(Hearing(550)) << "xdg-open did not play the song";
  // The player, xdg-open's child, ends with a logout's signal; xdg-open with it.
  const int pid = RunTool("xdotool", {"getwindowpid", Window("^Sonaveil V4.0$")}).toInt();
  if (pid > 0) ::kill(static_cast<pid_t>(pid), SIGTERM);
  EXPECT_TRUE(Ended(open));
  if (open.state() != QProcess::NotRunning) open.kill();
}

}  // namespace
