// The reference web server, started as built, answering in the forms the player cuts.
#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <memory>
#include <set>

#include "catalog/data.h"
#include "catalog/other_serach.h"
#include "lyrics/lyric_text.h"
#include "platform/endpoints.h"
#include "playback/playback_controller.h"
#include "server/server_process.h"
#include "support/test_env.h"
#include "web/text_decoding.h"

namespace {

const QString kContent = QStringLiteral(SONAVEIL_BINARY_DIR "/server/content");
const char kPlaceholder[] = "http://mediaserver.sonaveil.example";

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString Decoded(const Reply& reply) {
  return DecodeHttpBody(QByteArray::fromStdString(reply.body),
                        QByteArray::fromStdString(reply.Header("Content-Type")));
}

// The path and query of an absolute address on the server.
std::string Target(const QString& url) {
  const qsizetype slash = url.indexOf('/', url.indexOf("://") + 3);
  return url.mid(slash).toStdString();
}

bool LooksLikeAudio(const std::string& bytes, const QString& url) {
  if (url.endsWith(".wma")) return bytes.starts_with("\x30\x26\xB2\x75");  // ASF header GUID
  return bytes.starts_with("ID3") ||
         (bytes.size() > 1 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
          (static_cast<unsigned char>(bytes[1]) & 0xE0) == 0xE0);
}

class ServerTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    boardDir_ = new QTemporaryDir;
    server_ = new ServerProcess("", boardDir_->filePath("board.sqlite"));
  }
  static void TearDownTestSuite() {
    delete server_;
    delete boardDir_;
  }

  void SetUp() override {
    ASSERT_TRUE(server_->Started());
    const QString base = QString::fromStdString(server_->Base()) + "/";
    QString ini = "[endpoints]\n";
    for (const char* key :
         {"CounterHost", "LyricsSite", "MusicSearchSite", "MusicFileServer", "MediaScriptHost",
          "DownloadPrefix", "RingToneSite", "MessageBoardHost", "UpdateServer"})
      ini += QString(key) + "=" + base + "\n";
    ini += QString("PlaceholderHostPrefix=") + kPlaceholder + "\n";
    app_.Write("data/endpoints.ini", ini.toUtf8());
    app_.Write("data/db.dll", FileBytes(kContent + "/sonaveil/updatefile/db.rar"));
    ReloadEndpoints();
  }

  int Port() const { return server_->Port(); }

  static QTemporaryDir* boardDir_;
  static ServerProcess* server_;
  TempAppFolder app_;
};

QTemporaryDir* ServerTest::boardDir_ = nullptr;
ServerProcess* ServerTest::server_ = nullptr;

TEST_F(ServerTest, CounterCountsDistinctClientsAsABareNumber) {
  // Each test of the suite that reads the counter uses addresses of its own.
  const struct {
    const char* source;
    const char* count;
  } visits[] = {{"127.0.0.21", "1"}, {"127.0.0.22", "2"}, {"127.0.0.21", "2"}, {"127.0.0.23", "3"}};
  for (const auto& visit : visits) {
    const Reply reply = Get(Port(), "/sonaveil/count1/active.asp", "", visit.source);
    ASSERT_EQ(reply.status, 200) << visit.source;
    EXPECT_EQ(reply.body, visit.count) << visit.source;
    EXPECT_LT(Decoded(reply).size(), 10);
  }
}

TEST_F(ServerTest, MediaServerScriptRepairsPlaceholderAddresses) {
  const Reply script = Get(Port(), "/js/serverurl.js");
  ASSERT_EQ(script.status, 200);
  const std::optional<QString> base = PlaybackController::MediaServerBaseFrom(Decoded(script));
  ASSERT_TRUE(base);
  EXPECT_EQ(*base, QString::fromStdString(server_->Base()));
  const std::optional<QString> repaired = PlaybackController::RepairedPath(
      QString(kPlaceholder) + "/music/a001/fengyang_huagu.wma", kPlaceholder, *base);
  ASSERT_TRUE(repaired);
  const Reply song = Get(Port(), Target(*repaired));
  EXPECT_EQ(song.status, 200);
  EXPECT_TRUE(LooksLikeAudio(song.body, *repaired));
}

// Every song of the published catalog plays: its address as the player makes it (relative
// addresses through GetSongUrl, placeholder ones through the media-server script, absolute
// ones at this server's port as scripts/run sets them) names an audio file here.
TEST_F(ServerTest, EverySongOfTheCatalogIsServed) {
  const QString base = QString::fromStdString(server_->Base());
  std::vector<int> ids;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "server_test_catalog");
    db.setDatabaseName(app_.File("data/db.dll"));
    ASSERT_TRUE(db.open());
    QSqlQuery query("select ID from NMusicList", db);
    while (query.next()) ids.push_back(query.value(0).toInt());
  }
  QSqlDatabase::removeDatabase("server_test_catalog");
  ASSERT_GE(ids.size(), 20u);
  std::set<QString> forms;
  for (const int id : ids) {
    QString url = Data::GetSongUrl(id);
    if (url.startsWith(kPlaceholder)) {
      forms.insert("placeholder");
      url = *PlaybackController::RepairedPath(url, kPlaceholder, base);
    } else if (url.startsWith("http://127.0.0.1:8731/")) {
      forms.insert("absolute");
      url.replace("http://127.0.0.1:8731", base);
    } else {
      forms.insert(url.startsWith(base + "/musicfiles/q731_com_music/") ? "relative" : "other");
    }
    const Reply head = Get(Port(), Target(url), "Range: bytes=0-15\r\n");
    EXPECT_EQ(head.status, 206) << url.toStdString();
    EXPECT_TRUE(LooksLikeAudio(head.body, url)) << url.toStdString();
  }
  EXPECT_EQ(forms, (std::set<QString>{"placeholder", "absolute", "relative"}));
}

TEST_F(ServerTest, MusicFilesAnswerRangeRequests) {
  const std::string path = "/musicfiles/q731_com_music/a016/greensleeves.mp3";
  const std::string file = FileBytes(kContent + QString::fromStdString(path)).toStdString();
  ASSERT_GT(file.size(), 1000u);
  const std::string size = std::to_string(file.size());
  const struct {
    std::string range;
    int status;
    std::string body;
    std::string contentRange;
  } cases[] = {
      {"", 200, file, ""},
      {"bytes=100-199", 206, file.substr(100, 100), "bytes 100-199/" + size},
      {"bytes=0-0", 206, file.substr(0, 1), "bytes 0-0/" + size},
      {"bytes=-50", 206, file.substr(file.size() - 50), ""},
      {"bytes=500-", 206, file.substr(500), ""},
      {"bytes=" + size + "-", 416, "", "bytes */" + size},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.range);
    const Reply reply = Get(Port(), path, c.range.empty() ? "" : "Range: " + c.range + "\r\n");
    EXPECT_EQ(reply.status, c.status);
    if (c.status == 416) {
      EXPECT_EQ(reply.Header("Content-Range"), c.contentRange);
      continue;
    }
    EXPECT_EQ(reply.body, c.body);
    EXPECT_EQ(reply.Header("Content-Type"), "audio/mpeg");
    if (!c.contentRange.empty()) {
      EXPECT_EQ(reply.Header("Content-Range"), c.contentRange);
    }
  }
}

TEST_F(ServerTest, LyricPagesCutIntoTheLyric) {
  const QString site = Endpoints().lyricsSite;
  const struct {
    const char* singer;
    const char* title;
    const char* line;  // a line the lyric must hold; "" when no lyric is found
  } cases[] = {
      {"白云飞", "茉莉花", "[00:02.00]好一朵美丽的茉莉花"},
      {"", "Greensleeves", "[00:01.00]Alas, my love, you do me wrong,"},
      {"Brian O'Neil", "Rock'n'Roll", "One, two, three, rock'n'roll"},
      {"钟声乐团", "欢乐颂", "Freude, schöner Götterfunken,"},  // ö is not in GB2312
      {"", "no & such = song", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.title);
    const Reply search = Get(Port(), Target(LyricText::SearchAddress(site, c.singer, c.title)));
    ASSERT_EQ(search.status, 200);
    EXPECT_EQ(search.Header("Content-Type"), "text/html; charset=gb2312");
    EXPECT_NE(search.body.find("charset=gb2312\">"), std::string::npos);
    const std::optional<QString> id = LyricText::LyricIdFrom(Decoded(search));
    if (*c.line == 0) {
      EXPECT_FALSE(id);
      continue;
    }
    ASSERT_TRUE(id);
    const Reply page = Get(Port(), Target(LyricText::LyricAddress(site, *id)));
    ASSERT_EQ(page.status, 200);
    const std::optional<QString> lyric = LyricText::LyricFrom(Decoded(page));
    ASSERT_TRUE(lyric);
    const QString shown = LyricText::Shown(*lyric);
    EXPECT_TRUE(shown.split("\r\n").contains(QString::fromUtf8(c.line))) << shown.toStdString();
  }
  // The page is GB2312 itself, not UTF-8 under that name.
  const Reply page = Get(Port(), "/showgeci.asp?lyricid=moli_hua");
  EXPECT_NE(page.body.find("\xDC\xD4\xC0\xF2\xBB\xA8"), std::string::npos);  // 茉莉花
}

TEST_F(ServerTest, OnlineSearchListsCatalogSongsAsPlayableWmaResults) {
  const struct {
    const char* query;
    size_t results;
    const char* title;
  } cases[] = {{"sakura", 2, "sakura sakura"}, {"茉莉", 4, "茉莉花"}, {"no such tune", 0, ""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.query);
    const Reply page = Get(Port(), Target(OtherSerach::SearchAddress(c.query)));
    ASSERT_EQ(page.status, 200);
    const QList<OtherSerach::Result> results = OtherSerach::CutResults(Decoded(page));
    ASSERT_EQ(static_cast<size_t>(results.size()), c.results);
    for (const OtherSerach::Result& result : results) {
      EXPECT_EQ(result.title, QString::fromUtf8(c.title));
      EXPECT_TRUE(result.url.startsWith(QString::fromStdString(server_->Base()) + "/"));
      const Reply song = Get(Port(), Target(result.url), "Range: bytes=0-15\r\n");
      EXPECT_EQ(song.status, 206) << result.url.toStdString();
      EXPECT_TRUE(LooksLikeAudio(song.body, result.url)) << result.url.toStdString();
    }
  }
}

TEST_F(ServerTest, RingTonePageLinksTheSongsFiles) {
  const Reply page = Get(Port(), "/ring_search.php?key=Greensleeves&fid=95");
  ASSERT_EQ(page.status, 200);
  const std::string link = "href=\"" + server_->Base();
  const size_t at = page.body.find(link);
  ASSERT_NE(at, std::string::npos);
  const size_t end = page.body.find('"', at + 6);
  const QString url = QString::fromStdString(page.body.substr(at + 6, end - at - 6));
  EXPECT_TRUE(url.endsWith("greensleeves.mp3"));
  EXPECT_TRUE(LooksLikeAudio(Get(Port(), Target(url)).body, url));
}

TEST_F(ServerTest, PostedMessagesComeBackEscaped) {
  const Reply post = PostForm(Port(), "/note/",
                              "name=" + FormEncode("<b>Eve</b>") +
                                  "&content=" + FormEncode("<script>alert('x')</script> & 你好"),
                              "127.0.0.31");
  EXPECT_EQ(post.status, 303);
  EXPECT_EQ(post.Header("Location"), "/note/");
  const Reply board = Get(Port(), "/note/");
  ASSERT_EQ(board.status, 200);
  EXPECT_NE(board.body.find("&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; 你好"),
            std::string::npos);
  EXPECT_NE(board.body.find("&lt;b&gt;Eve&lt;/b&gt;"), std::string::npos);
  EXPECT_EQ(board.body.find("<script>"), std::string::npos);
  EXPECT_EQ(board.body.find("<b>Eve"), std::string::npos);
  // The form the board page offers posts the two fields back to the board.
  EXPECT_NE(board.body.find("<form method=\"post\" action=\"/note/\">"), std::string::npos);
  EXPECT_NE(board.body.find("name=\"name\""), std::string::npos);
  EXPECT_NE(board.body.find("name=\"content\""), std::string::npos);
}

TEST_F(ServerTest, RefusedPostsAreNotKept) {
  const struct {
    std::string body;
    int status;
  } cases[] = {
      {"name=a&content=", 400},
      {"name=a", 400},
      {"name=a&content=" + std::string(2001, 'x'), 413},
      {"name=" + std::string(121, 'n') + "&content=hi-long-name", 413},
      {"name=a&content=" + std::string(9000, 'y'), 413},
      {"name=a&content=bad%FF%FEutf8", 400},
  };
  int source = 40;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.body.substr(0, 40));
    const Reply reply = PostForm(Port(), "/note/", c.body, "127.0.0." + std::to_string(source++));
    EXPECT_EQ(reply.status, c.status);
  }
  const std::string board = Get(Port(), "/note/").body;
  EXPECT_EQ(board.find("xxxxxxxx"), std::string::npos);
  EXPECT_EQ(board.find("hi-long-name"), std::string::npos);
  EXPECT_EQ(board.find("bad"), std::string::npos);
}

TEST_F(ServerTest, PostsAreLimitedPerClientPerMinute) {
  for (int i = 1; i <= 5; ++i)
    EXPECT_EQ(
        PostForm(Port(), "/note/", "name=r&content=post" + std::to_string(i), "127.0.0.61").status,
        303)
        << i;
  EXPECT_EQ(PostForm(Port(), "/note/", "name=r&content=post6", "127.0.0.61").status, 429);
  EXPECT_EQ(PostForm(Port(), "/note/", "name=s&content=other", "127.0.0.62").status, 303);
  const std::string board = Get(Port(), "/note/").body;
  EXPECT_NE(board.find("post5"), std::string::npos);
  EXPECT_EQ(board.find("post6"), std::string::npos);
}

TEST_F(ServerTest, UpdateSetPublishesTheBuiltProgramAndCatalog) {
  const struct {
    const char* file;
    QString built;
  } cases[] = {
      {"sonaveil.rar", QStringLiteral(SONAVEIL_APP_DIR "/sonaveil")},
      {"db.rar", kContent + "/sonaveil/updatefile/db.rar"},
      {"sonaveil.txt", QStringLiteral(SONAVEIL_BINARY_DIR "/server/sonaveil.txt")},
      {"db.txt", QStringLiteral(SONAVEIL_SOURCE_DIR "/server/demo/db_version.txt")},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const Reply reply = Get(Port(), std::string("/sonaveil/updatefile/") + c.file);
    ASSERT_EQ(reply.status, 200);
    const QByteArray built = FileBytes(c.built);
    ASSERT_FALSE(built.isEmpty());
    EXPECT_TRUE(reply.body == built.toStdString());
  }
  EXPECT_EQ(Get(Port(), "/sonaveil/updatefile/sonaveil.txt").body, "4.0\n");
}

// A whole burst of broken requests, each on its own connection, then a plain one.
TEST_F(ServerTest, SurvivesABurstOfMalformedRequests) {
  const std::string longPath(20000, 'a');
  const std::string longHeader = "X-Big: " + std::string(100000, 'h') + "\r\n";
  const std::string kinds[] = {
      std::string("\x00\x01\x02\xff\xfe garbage\r\n\r\n", 17),
      "GET /" + longPath + " HTTP/1.1\r\nHost: x\r\n\r\n",
      "GET / HTTP/1.1\r\nHost: x\r\n" + longHeader + "\r\n",
      "BREW /pot HTTP/1.1\r\nHost: x\r\n\r\n",
      "GET /%zz%%%2 HTTP/1.1\r\nHost: x\r\n\r\n",
      "GET /music/a001/fengyang_huagu.wma HTTP/1.1\r\nRange: bytes=zzz\r\n\r\n",
      "GET /music/a001/fengyang_huagu.wma HTTP/1.1\r\nRange: bytes=9-3,-,5-\r\n\r\n",
      "POST /note/ HTTP/1.1\r\nContent-Length: 999999999999\r\n\r\nname=a",
      "POST /note/ HTTP/1.1\r\nContent-Length: -5\r\n\r\n",
      "POST /note/ HTTP/1.1\r\nContent-Length: 40\r\nContent-Type: "
      "application/x-www-form-urlencoded\r\n\r\ncontent=short",                        // cut short
      "GET /sonaveil/count1/active.asp HTTP/1.1\r\nHost: x\r\nX-Unfinished: yes\r\n",  // no end
      "POST /note/ HTTP/1.1\r\nTransfer-Encoding: chunked\r\n\r\nzz\r\nxx\r\n",
      "GET /searchgc.asp?singername=%ff%fe%80&lyricname=%c3 HTTP/1.1\r\n\r\n",
      "GET /search?p=%00%01 HTTP/9.9\r\n\r\n",
      "GET\r\n\r\n",
      std::string(70000, 'Z') + "\r\n\r\n",
      "GET /showgeci.asp?lyricid=../../etc/passwd HTTP/1.1\r\n\r\n",
  };
  constexpr int kRequests = 1000;
  const auto started = std::chrono::steady_clock::now();
  int answered = 0;
  for (int i = 0; i < kRequests; ++i) {
    const std::string& kind = kinds[i % std::size(kinds)];
    // Requests the server would wait to see completed are ended by closing the sending side.
    const bool cutShort =
        kind.find("short") != std::string::npos || kind.find("Unfinished") != std::string::npos;
    const Reply reply = SendRaw(Port(), kind, "127.0.0.1", 3000, cutShort);
    answered += reply.status != 0;
    ASSERT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(90));
  }
  EXPECT_GT(answered, kRequests / 2);
  EXPECT_TRUE(server_->Running());
  const Reply after = Get(Port(), "/sonaveil/count1/active.asp", "", "127.0.0.71");
  EXPECT_EQ(after.status, 200);
  EXPECT_FALSE(after.body.empty());
}

// True once the server has answered or closed the connection.
bool Ended(int fd) {
  char byte;
  return recv(fd, &byte, 1, MSG_PEEK | MSG_DONTWAIT) >= 0 || errno != EAGAIN;
}

TEST_F(ServerTest, SlowClientsDoNotHoldUpOthersAndAreCutAtTheirDeadline) {
  std::vector<int> slow;
  for (int i = 0; i < 12; ++i) {
    slow.push_back(Connect(Port(), "127.0.0.91"));
    ASSERT_GT(send(slow.back(), "GET /note/ HTTP/1.1\r\nHo", 23, MSG_NOSIGNAL), 0);
  }
  EXPECT_EQ(Get(Port(), "/sonaveil/count1/active.asp", "", "127.0.0.92").status, 200);
  for (int fd : slow) EXPECT_FALSE(Ended(fd));  // answered while they all wait
  // A byte a second does not keep a request's head open for ever.
  for (int second = 0; second < 60; ++second) {
    std::vector<pollfd> waiting;
    for (int fd : slow)
      if (!Ended(fd)) waiting.push_back({fd, POLLIN, 0});
    if (waiting.empty()) break;
    poll(waiting.data(), waiting.size(), 1000);
    for (const pollfd& p : waiting) send(p.fd, "s", 1, MSG_NOSIGNAL);
  }
  for (int fd : slow) {
    EXPECT_TRUE(Ended(fd));
    close(fd);
  }
}

// Bodies that stall, one for every worker the server may start: a worker is still there for
// others, and each stalled body is refused at its deadline.
TEST_F(ServerTest, StalledBodiesLeaveAWorkerForOthersAndAreCutAtTheirDeadline) {
  const std::string head =
      "POST /note/ HTTP/1.1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
      "Content-Length: 100\r\n\r\ncontent=";
  std::vector<int> slow;
  for (int i = 0; i < 256; ++i) {
    slow.push_back(Connect(Port(), "127.0.0.94", 60000));
    ASSERT_GT(send(slow.back(), head.data(), head.size(), MSG_NOSIGNAL), 0);
  }
  EXPECT_EQ(Get(Port(), "/sonaveil/count1/active.asp", "", "127.0.0.95").status, 200);
  EXPECT_EQ(std::count_if(slow.begin(), slow.end(), Ended), 0);  // answered while they wait
  for (int fd : slow) {
    char answer[12] = {};
    recv(fd, answer, sizeof answer, MSG_WAITALL);
    EXPECT_EQ(std::string(answer, sizeof answer), "HTTP/1.1 408");
    close(fd);
  }
}

TEST_F(ServerTest, AnEndlessHeadIsRefusedAndTheServerStaysSmall) {
  const int fd = Connect(Port(), "127.0.0.93");
  ASSERT_GE(fd, 0);
  const std::string line = "X-Flood: " + std::string(8000, 'f') + "\r\n";
  send(fd, "GET / HTTP/1.1\r\n", 16, MSG_NOSIGNAL);
  // Sends until the server answers, or 100 MB have gone.
  pollfd answer{fd, POLLIN, 0};
  for (size_t sent = 0; sent < 100 << 20 && poll(&answer, 1, 0) == 0; sent += line.size())
    if (send(fd, line.data(), line.size(), MSG_NOSIGNAL) <= 0) break;
  std::ifstream status("/proc/" + std::to_string(server_->Pid()) + "/status");
  std::string key;
  long residentKb = 0;
  while (status >> key && key != "VmRSS:") status.ignore(1 << 10, '\n');
  status >> residentKb;
  EXPECT_GT(residentKb, 0);
  EXPECT_LT(residentKb, 50 * 1024);
  char head[12] = {};
  recv(fd, head, sizeof head, MSG_WAITALL);
  EXPECT_EQ(std::string(head, sizeof head), "HTTP/1.1 431");
  close(fd);
}

// Refusals, on a content folder of the test's own with links pointing out of it.
TEST(ServerPaths, NothingOutsideTheContentFolderIsServed) {
  QTemporaryDir dir;
  QDir().mkpath(dir.filePath("site/inside"));
  QDir().mkpath(dir.filePath("secret"));
  QFile secret(dir.filePath("secret/key.txt"));
  ASSERT_TRUE(secret.open(QIODevice::WriteOnly));
  secret.write("SECRET-BYTES");
  secret.close();
  QFile page(dir.filePath("site/inside/page.txt"));
  ASSERT_TRUE(page.open(QIODevice::WriteOnly));
  page.write("public text");
  page.close();
  ASSERT_TRUE(QFile::link(dir.filePath("secret/key.txt"), dir.filePath("site/out.txt")));
  ASSERT_TRUE(QFile::link(dir.filePath("secret"), dir.filePath("site/outdir")));
  ASSERT_TRUE(QFile::link(dir.filePath("site/inside/page.txt"), dir.filePath("site/alias.txt")));
  ServerProcess server(dir.filePath("site"), dir.filePath("board.sqlite"));
  ASSERT_TRUE(server.Started());

  EXPECT_EQ(Get(server.Port(), "/inside/page.txt").body, "public text");
  EXPECT_EQ(Get(server.Port(), "/alias.txt").body, "public text");  // a link within is fine
  const std::string secretPath = dir.filePath("secret/key.txt").toStdString();
  const std::string refused[] = {
      "/../secret/key.txt",
      "/inside/../../secret/key.txt",
      "/%2e%2e/secret/key.txt",
      "/%2E%2E%2Fsecret%2Fkey.txt",
      "/inside/..%2f..%2fsecret/key.txt",
      "/inside/%252e%252e/%252e%252e/secret/key.txt",
      "/..\\secret\\key.txt",
      secretPath,
      "/" + secretPath,
      "http://127.0.0.1" + secretPath,
      "/out.txt",
      "/outdir/key.txt",
      "/inside/page.txt%00.mp3",
  };
  for (const std::string& target : refused) {
    SCOPED_TRACE(target);
    const Reply reply = Get(server.Port(), target);
    EXPECT_TRUE(reply.status >= 400 && reply.status < 500) << reply.status;
    EXPECT_EQ(reply.body.find("SECRET"), std::string::npos);
  }
}

}  // namespace
