#include "download/downloader.h"

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <csignal>
#include <optional>

#include "platform/msgbox.h"
#include "support/test_env.h"
#include "support/test_http_server.h"

namespace {

QByteArray Pattern(int size) {
  QByteArray bytes(size, '\0');
  for (int i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + i / 251) & 0xff);
  return bytes;
}

// How a download reaches the server: directly or through a proxy, in plain HTTP or TLS.
struct Transport {
  const char* name;
  TestHttpServer::Tls tls;
  bool proxy;
};
const Transport kTransports[] = {{"plain", TestHttpServer::Tls::kNone, false},
                                 {"tls", TestHttpServer::Tls::kDirect, false},
                                 {"proxy", TestHttpServer::Tls::kNone, true},
                                 {"tls_proxy", TestHttpServer::Tls::kAfterConnect, true}};

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}

class DownloadTest : public ::testing::Test {
 protected:
  DownloadTest() {
    qputenv("SSL_CERT_FILE", TestHttpServer::CertificateFile().toUtf8());
    control.resize(176, 16);
    QObject::connect(&control, &Downloader::DownloadProgress,
                     [this](qint64 cur, qint64 max, const QString& file) {
                       log << QString("progress %1/%2 %3").arg(cur).arg(max).arg(Name(file));
                     });
    QObject::connect(&control, &Downloader::DownloadError,
                     [this](const QString& file) { log << "error " + Name(file); });
    QObject::connect(&control, &Downloader::DownloadComplete,
                     [this](qint64 max, const QString& file) {
                       log << QString("complete %1 %2").arg(max).arg(Name(file));
                     });
  }

  ~DownloadTest() override {
    for (const char* name : {"SSL_CERT_FILE", "http_proxy", "https_proxy"}) qunsetenv(name);
  }

  static QString Name(const QString& path) { return QFileInfo(path).fileName(); }

  QStringList Ends() const {
    QStringList ends;
    for (const QString& line : log)
      if (!line.startsWith("progress")) ends << line;
    return ends;
  }
  bool Completed(int count = 1) const {
    return log.filter(QRegularExpression("^complete")).size() >= count;
  }
  QStringList FolderFiles() const {
    return QDir(app.File("data")).entryList(QDir::Files | QDir::Hidden);
  }

  TempAppFolder app;
  TestHttpServer server;
  Downloader control;
  QStringList log;
};

// The same downloads over each transport, from a server of its kind.
class DownloadOverTransport : public DownloadTest, public ::testing::WithParamInterface<Transport> {
 protected:
  // Through a proxy, an address where nothing listens: only the proxy (host) can answer.
  QString Url(const QString& path) {
    qunsetenv("no_proxy");
    qputenv("http_proxy", GetParam().proxy ? host.Url("").toUtf8() : "");
    qputenv("https_proxy", GetParam().proxy ? host.Url("").toUtf8() : "");
    if (!GetParam().proxy) return host.Url(path);
    return (GetParam().tls == TestHttpServer::Tls::kNone ? "http" : "https") +
           QString("://127.0.0.1:9") + path;
  }

  TestHttpServer host{GetParam().tls};
};
INSTANTIATE_TEST_SUITE_P(Transports, DownloadOverTransport, ::testing::ValuesIn(kTransports),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_P(DownloadOverTransport, WritesTheServedBytesWithOrWithoutAnAnnouncedTotal) {
  const QByteArray body = Pattern(300000);
  // Sent with a length, chunked, or ended by a clean close of the connection.
  for (int framing : {0, 1, 2}) {
    log.clear();
    host.Route("/song.wma", {.body = body,
                             .contentType = "audio/x-ms-wma",
                             .chunked = framing == 1,
                             .chunkBytes = 40000,
                             .noLength = framing == 2});
    const QString target = app.File("data/song.wma");
    control.BeginDownload(Url("/song.wma"), target);
    ASSERT_TRUE(WaitUntil([&] { return Completed(); })) << framing;
    EXPECT_EQ(ReadFile(target), body) << framing;
    EXPECT_EQ(Ends(), QStringList{"complete 300000 song.wma"}) << framing;
    const QStringList progress = log.filter(QRegularExpression("^progress"));
    if (framing != 0) {
      EXPECT_TRUE(progress.isEmpty()) << progress.join(", ").toStdString();
    } else {
      ASSERT_FALSE(progress.isEmpty());
      EXPECT_EQ(progress.last(), "progress 300000/300000 song.wma");
    }
    EXPECT_EQ(FolderFiles(), QStringList{"song.wma"});
    QFile::remove(target);
  }
}

TEST_F(DownloadTest, PercentageRoundsHalvesToEvenAndClearsAfterCompletion) {
  server.Route("/song.wma", {.body = Pattern(1000), .pauseAfterBytes = {25, 35}, .pauseMs = 400});
  QStringList shown;
  QObject::connect(&control, &Downloader::DownloadComplete,
                   [&] { shown << control.Label1->text(); });
  control.BeginDownload(server.Url("/song.wma"), app.File("data/song.wma"));
  ASSERT_TRUE(WaitUntil([&] { return control.Label1->text() == "已经下载了2%"; }))
      << control.Label1->text().toStdString();
  EXPECT_EQ(control.Shape1->width(), 4);  // 2.5 % of 176
  EXPECT_EQ(control.Shape1->height(), 16);
  ASSERT_TRUE(WaitUntil([&] { return control.Label1->text() == "已经下载了4%"; }))
      << control.Label1->text().toStdString();
  ASSERT_TRUE(WaitUntil([&] { return Completed(); }));
  EXPECT_EQ(shown, QStringList{"已经下载了100%"});
  EXPECT_TRUE(WaitUntil([&] { return control.Label1->text().isEmpty(); }, 200));
  EXPECT_EQ(control.Shape1->width(), 176);
}

TEST_F(DownloadTest, ReplacesALongerExistingFileWithExactlyTheServedBytes) {
  const QString target = app.File("data/song.wma");
  app.Write("data/song.wma", QByteArray(500000, 'o'));
  server.Route("/song.wma", {.body = Pattern(70000)});
  control.BeginDownload(server.Url("/song.wma"), target);
  ASSERT_TRUE(WaitUntil([&] { return Completed(); }));
  EXPECT_EQ(ReadFile(target), Pattern(70000));
  EXPECT_EQ(Ends(), QStringList{"complete 70000 song.wma"});
}

// Lets writes to files stop at a size, as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved_;
    limit.rlim_cur = bytes;
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, SIG_DFL);
  }

 private:
  rlimit saved_{};
};

TEST_P(DownloadOverTransport, FailedTransfersLeaveTheOldFileAndReportErrorThenCompletion) {
  const QByteArray old = "the song as it was before";
  QList<qint64> dribble;  // a byte every 100 ms
  for (qint64 offset = 1; offset <= 100; ++offset) dribble << offset;
  const QByteArray interim = QByteArray("HTTP/1.1 100 Continue\r\n\r\n").repeated(20000);
  struct Case {
    const char* name;
    TestRoute route;
    const char* reason;  // in LastError
    bool fullDisk = false;
  };
  const Case cases[] = {
      {"not found", {.status = 404, .body = "<html>no such song</html>"}, "HTTP 404"},
      {"server error", {.status = 500, .body = Pattern(5000)}, "HTTP 500"},
      {"dropped with a length", {.body = Pattern(400000), .dropAfterBytes = 150000}, "remaining"},
      {"dropped chunked",
       {.body = Pattern(400000), .chunked = true, .chunkBytes = 50000, .dropAfterBytes = 150000},
       "outstanding read data"},
      {"cut by a reset, no length",
       {.body = Pattern(40000), .dropAfterBytes = 10000, .noLength = true, .reset = true},
       "Recv failure"},
      {"TLS closed without close_notify",
       {.body = Pattern(4000), .noLength = true, .cutTls = true},
       "close_notify"},
      {"stalled", {.body = Pattern(10000), .pauseAfterBytes = {3000}, .pauseMs = 5000}, "0.5 秒"},
      {"a byte now and then",
       {.body = Pattern(2000), .pauseAfterBytes = dribble, .pauseMs = 100},
       "too slow"},
      {"disk full", {.body = Pattern(400000)}, "无法写入", true},
      {"an HTML page", {.body = "\r\n<!DOCTYPE html><title>no song</title>"}, "网页"},
      {"compressed", {.body = Pattern(50), .headers = "Content-Encoding: gzip\r\n"}, "压缩"},
      {"announced too large", {.body = Pattern(600000)}, "size exceeded"},
      {"too large, no length", {.body = Pattern(600000), .noLength = true}, "488.3 KiB"},
      {"a flood of interim answers", {.body = Pattern(50), .before = interim}, "临时回答"},
  };
  control.SetStallTimeoutMs(500);
  control.SetMaxBytes(500000);
  control.SetRefusePages(true);
  const QString target = app.File("data/song.wma");
  for (const Case& c : cases) {
    if (c.route.cutTls && GetParam().tls == TestHttpServer::Tls::kNone) continue;
    log.clear();
    app.Write("data/song.wma", old);
    TestRoute route = c.route;
    route.contentType = "audio/x-ms-wma";
    host.Route("/song.wma", route);
    std::optional<FileSizeLimit> limit;
    if (c.fullDisk) limit.emplace(64 * 1024);
    control.BeginDownload(Url("/song.wma"), target);
    ASSERT_TRUE(WaitUntil([&] { return Completed(); })) << c.name;
    limit.reset();
    EXPECT_EQ(Ends(), (QStringList{"error song.wma", "complete 0 song.wma"})) << c.name;
    EXPECT_TRUE(control.LastError().contains(c.reason))
        << c.name << ": " << control.LastError().toStdString();
    EXPECT_EQ(ReadFile(target), old) << c.name;
    EXPECT_EQ(FolderFiles(), QStringList{"song.wma"}) << c.name;
    EXPECT_EQ(control.PendingReads(), 0) << c.name;
  }
}

TEST_F(DownloadTest, TwoDownloadsOnOneControlEachEndWithTheirOwnEvents) {
  server.Route("/a.wma", {.body = Pattern(90000), .pauseAfterBytes = {1000}, .pauseMs = 300});
  server.Route("/b.wma", {.body = Pattern(20000)});
  control.BeginDownload(server.Url("/a.wma"), app.File("data/a.wma"));
  control.BeginDownload(server.Url("/b.wma"), app.File("data/b.wma"));
  ASSERT_TRUE(WaitUntil([&] { return Completed(2); }));
  EXPECT_EQ(Ends(), (QStringList{"complete 20000 b.wma", "complete 90000 a.wma"}));
  EXPECT_EQ(ReadFile(app.File("data/a.wma")), Pattern(90000));
  EXPECT_EQ(ReadFile(app.File("data/b.wma")), Pattern(20000));
}

TEST_F(DownloadTest, AnAddressThatCannotBeFetchedIsRefusedWithAMessageAndNoEvent) {
  MsgBoxRecorder boxes;
  control.BeginDownload("mms://stream.sonaveil.example/a/b.wma", app.File("data/song.wma"));
  ASSERT_EQ(boxes.Boxes().size(), 1);
  EXPECT_EQ(boxes.Boxes()[0].caption, "错误");
  EXPECT_TRUE(
      boxes.Boxes()[0].text.contains(QRegularExpression("^\\d+开始下载数据失败！\r\n\r\n错误：.+")))
      << boxes.Boxes()[0].text.toStdString();
  EXPECT_EQ(boxes.Boxes()[0].buttons, vbOKOnly | vbCritical);
  WaitUntil([] { return false; }, 200);
  EXPECT_TRUE(log.isEmpty()) << log.join(", ").toStdString();
  EXPECT_FALSE(QFile::exists(app.File("data/song.wma")));
}

}  // namespace
