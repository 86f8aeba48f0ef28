#include "web/inet.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QSignalSpy>
#include <QStringEncoder>
#include <QTcpServer>
#include <QTimer>

#include "support/test_env.h"
#include "support/test_http_server.h"

namespace {

// Reads a completed response the way the lyric lookup does: 1024 characters at a time.
QString ReadAll(Inet& inet) {
  QString all;
  for (QString chunk = inet.GetChunk(1024, 0); !chunk.isEmpty(); chunk = inet.GetChunk(1024, 0))
    all += chunk;
  return all;
}

class InetTest : public ::testing::Test {
 protected:
  TestHttpServer server;
  Inet inet;
  QSignalSpy states{&inet, &Inet::StateChanged};

  int WaitForState() {
    if (states.isEmpty()) states.wait(20000);
    return states.isEmpty() ? -1 : states.takeFirst().at(0).toInt();
  }
};

TEST_F(InetTest, Gb2312PageIsDecodedToItsChineseText) {
  const QString lyric = "我的歌声里 曲婉婷\n你存在我深深的脑海里";
  server.Route("/lrc", {.body = "<html><head><meta http-equiv=Content-Type "
                                "content=\"text/html; charset=gb2312\"></head><body>" +
                                Gb(lyric) + "</body></html>",
                        .contentType = "text/html"});
  inet.Execute(server.Url("/lrc?id=1"), "GET");
  EXPECT_TRUE(inet.StillExecuting());
  ASSERT_EQ(WaitForState(), Inet::icResponseCompleted);
  EXPECT_FALSE(inet.StillExecuting());
  EXPECT_TRUE(ReadAll(inet).contains(lyric));
  EXPECT_EQ(server.Requests(), QStringList{"/lrc?id=1"});
}

TEST_F(InetTest, ErrorStatusesAreFailures) {
  for (int status : {404, 500}) {
    server.Route("/page", {.status = status, .body = "<html><body>oops</body></html>"});
    inet.Execute(server.Url("/page"));
    EXPECT_EQ(WaitForState(), Inet::icError) << status;
    EXPECT_TRUE(inet.LastError().contains(QString::number(status)))
        << inet.LastError().toStdString();
    EXPECT_EQ(inet.GetChunk(1024, 0), "");
  }
  inet.Execute(server.Url("/never-routed"));
  EXPECT_EQ(WaitForState(), Inet::icError);
}

TEST_F(InetTest, SilentServerTimesOutWhileTheEventLoopRuns) {
  server.Route("/silent", {.neverAnswer = true});
  // The window's timers run while the transfer waits: a tick comes before its end.
  int ticksWhileWaiting = 0;
  QTimer ticker;
  QObject::connect(&ticker, &QTimer::timeout, [&] { ticksWhileWaiting += inet.StillExecuting(); });
  ticker.start(20);
  inet.SetTimeoutMs(600);
  QElapsedTimer clock;
  clock.start();
  inet.Execute(server.Url("/silent"));
  ASSERT_EQ(WaitForState(), Inet::icError);
  EXPECT_GE(clock.elapsed(), 550);
  EXPECT_GT(ticksWhileWaiting, 0);
  EXPECT_FALSE(inet.StillExecuting());
}

TEST_F(InetTest, RedirectsAreFollowed) {
  server.Route("/old", {.status = 302, .location = "/new"});
  server.Route("/new", {.body = "arrived", .contentType = "text/plain"});
  inet.Execute(server.Url("/old"));
  ASSERT_EQ(WaitForState(), Inet::icResponseCompleted);
  EXPECT_EQ(ReadAll(inet), "arrived");
  EXPECT_EQ(server.Requests(), (QStringList{"/old", "/new"}));
}

TEST_F(InetTest, ChunkedBodyIsReadWholeInOrder) {
  QString text;
  for (int i = 0; i < 400; ++i) text += QString("第%1行歌词\n").arg(i);
  server.Route("/chunked", {.body = text.toUtf8(),
                            .contentType = "text/plain; charset=utf-8",
                            .chunked = true,
                            .chunkBytes = 333,
                            .chunkDelayMs = 1});
  inet.Execute(server.Url("/chunked"));
  ASSERT_EQ(WaitForState(), Inet::icResponseCompleted);
  const QString first = inet.GetChunk(1024, 0);
  EXPECT_EQ(first.size(), 1024);
  EXPECT_EQ(first + ReadAll(inet), text);
}

TEST_F(InetTest, CancelStopsARunningTransferWithoutReport) {
  server.Route("/slow", {.body = "late", .delayMs = 800});
  inet.Execute(server.Url("/slow"));
  ASSERT_TRUE(WaitUntil([&] { return server.Requests().size() == 1; }));
  inet.Cancel();
  EXPECT_FALSE(inet.StillExecuting());
  WaitUntil([] { return false; }, 1200);
  EXPECT_TRUE(states.isEmpty());
  EXPECT_EQ(inet.GetChunk(1024, 0), "");
}

TEST_F(InetTest, PagesOverTheCapAreRefused) {
  server.Route("/huge", {.body = QByteArray(9 * 1024 * 1024, 'x'), .contentType = "text/plain"});
  inet.Execute(server.Url("/huge"));
  ASSERT_EQ(WaitForState(), Inet::icError);
  EXPECT_TRUE(inet.LastError().contains("8 MiB"));
}

TEST_F(InetTest, OpenUrlGivesTheWholeBodyOrFails) {
  server.Route("/js/serverurl.js", {.body = "var url=\"mms://stream.example/\";",
                                    .contentType = "application/javascript"});
  std::optional<std::pair<bool, QString>> result;
  inet.OpenURL(server.Url("/js/serverurl.js"), [&](bool ok, const QString& body) {
    result = {ok, body};
  });
  ASSERT_TRUE(WaitUntil([&] { return result.has_value(); }));
  EXPECT_TRUE(result->first);
  EXPECT_EQ(result->second, "var url=\"mms://stream.example/\";");

  // A port nobody listens on: refused at once.
  QTcpServer closed;
  closed.listen(QHostAddress::LocalHost, 0);
  const quint16 port = closed.serverPort();
  closed.close();
  result.reset();
  inet.OpenURL(QString("http://127.0.0.1:%1/x").arg(port), [&](bool ok, const QString& body) {
    result = {ok, body};
  });
  ASSERT_TRUE(WaitUntil([&] { return result.has_value(); }));
  EXPECT_FALSE(result->first);
  EXPECT_TRUE(result->second.isEmpty());

  result.reset();
  inet.OpenURL("not an address", [&](bool ok, const QString& body) { result = {ok, body}; });
  ASSERT_TRUE(WaitUntil([&] { return result.has_value(); }));
  EXPECT_FALSE(result->first);

  // A bad address dropped for a good one reports nothing of its own.
  QList<bool> outcomes;
  inet.OpenURL("not an address", [&](bool ok, const QString&) { outcomes << ok; });
  inet.OpenURL(server.Url("/js/serverurl.js"), [&](bool ok, const QString&) { outcomes << ok; });
  ASSERT_TRUE(WaitUntil([&] { return !outcomes.isEmpty(); }));
  WaitUntil([] { return false; }, 200);
  EXPECT_EQ(outcomes, QList<bool>{true});
}

// The built-in limit itself: a server that never answers is given up on after 15 s.
TEST_F(InetTest, OpenUrlGivesUpOnASilentServerAfterFifteenSeconds) {
  server.Route("/silent", {.neverAnswer = true});
  std::optional<bool> ok;
  QElapsedTimer clock;
  clock.start();
  inet.OpenURL(server.Url("/silent"), [&](bool success, const QString&) { ok = success; });
  ASSERT_TRUE(WaitUntil([&] { return ok.has_value(); }, 25000));
  EXPECT_FALSE(*ok);
  EXPECT_GE(clock.elapsed(), 14500);
}

}  // namespace
