#include "app/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QUuid>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <latch>
#include <thread>
#include <vector>

#include "support/test_env.h"

namespace {

QString UniqueTitle() { return "Sonaveil test " + QUuid::createUuid().toString(); }

TEST(SingleInstance, SecondClaimHandsItsRequestToTheFirst) {
  const QString title = UniqueTitle();
  SingleInstance first(title);
  QList<StartRequest> heard;
  QObject::connect(&first, &SingleInstance::Requested,
                   [&](const StartRequest& request) { heard << request; });
  ASSERT_TRUE(first.Claim());
  // The title is compared without regard to letter case.
  SingleInstance second(title.toUpper());
  const StartRequest request{
      {"/music/甜蜜蜜.mp3", "http://radio.test/live"}, true, StartRequest::Transport::kNext};
  EXPECT_FALSE(second.Claim(request));
  ASSERT_TRUE(WaitUntil([&] { return heard.size() == 1; }));
  EXPECT_EQ(heard[0].items, request.items);
  EXPECT_TRUE(heard[0].enqueue);
  EXPECT_EQ(heard[0].transport, StartRequest::Transport::kNext);
}

// The command line, read as the system gives it: options, names relative to the folder of
// the start, addresses, names that are not UTF-8, and what is wrong with it.
TEST(CommandLine, ReadsOptionsFilesAndAddresses) {
  TempAppFolder folder;
  folder.Write("a.mp3", "x");
  folder.Write("list.m3u", "a.mp3\n");
  const QByteArray gbk = QFile::encodeName(folder.Path()) + "/\xd4\xc2.mp3";  // 月.mp3 in GBK
  std::fclose(std::fopen(gbk.constData(), "w"));
  using Outcome = ParsedCommandLine::Outcome;
  struct Case {
    std::vector<const char*> argv;
    Outcome outcome;
    QStringList items;
    bool enqueue;
    StartRequest::Transport transport;
    QStringList missing;
  } cases[] = {
      {{"a.mp3", "http://radio.test/x", "gone.mp3"},
       Outcome::kRun,
       {folder.File("a.mp3"), "http://radio.test/x"},
       false,
       {},
       {"gone.mp3"}},
      {{"-e", "list.m3u", "--next"},
       Outcome::kRun,
       {folder.File("list.m3u")},
       true,
       StartRequest::Transport::kNext,
       {}},
      {{"-platform", "offscreen", "--play-pause", "--", "-e"},
       Outcome::kRun,
       {},
       false,
       StartRequest::Transport::kPlayPause,
       {"-e"}},
      {{gbk.constData()}, Outcome::kRun, {"file://" + gbk.toPercentEncoding("/")}, false, {}, {}},
      {{"a.mp3", "--version"}, Outcome::kVersion, {}, false, {}, {}},
      {{"-h"}, Outcome::kHelp, {}, false, {}, {}},
      {{"--shuffle", "a.mp3"}, Outcome::kUsageError, {}, false, {}, {}},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv{"sonaveil"};
    argv.insert(argv.end(), c.argv.begin(), c.argv.end());
    SCOPED_TRACE(argv[1]);
    const ParsedCommandLine parsed =
        ParseCommandLine(int(argv.size()), argv.data(), QFile::encodeName(folder.Path()));
    EXPECT_EQ(parsed.outcome, c.outcome);
    if (c.outcome != Outcome::kRun) continue;
    EXPECT_EQ(parsed.request.items, c.items);
    EXPECT_EQ(parsed.request.enqueue, c.enqueue);
    EXPECT_EQ(parsed.request.transport, c.transport);
    EXPECT_EQ(parsed.missing, c.missing);
  }
  std::remove(gbk.constData());
}

TEST(SingleInstance, NamesArePerTitleAndPerUser) {
  EXPECT_EQ(SingleInstance::SocketName("Sonaveil v4.0"),
            SingleInstance::SocketName("SONAVEIL V4.0"));
  EXPECT_NE(SingleInstance::SocketName("Sonaveil v4.0"), SingleInstance::SocketName("Other"));
  EXPECT_TRUE(SingleInstance::SocketName("Sonaveil v4.0").contains(QString::number(getuid())));
}

TEST(SingleInstance, StaleSocketOfACrashedInstanceDoesNotBlockTheNextStart) {
  const QString title = UniqueTitle();
  // What a killed instance leaves: a bound socket file that nobody listens on.
  const QByteArray path =
      QFile::encodeName(QDir::tempPath() + '/' + SingleInstance::SocketName(title));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  ASSERT_LT(static_cast<size_t>(path.size()), sizeof(address.sun_path));
  std::memcpy(address.sun_path, path.constData(), static_cast<size_t>(path.size()));
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
  ::close(fd);
  ASSERT_TRUE(QFileInfo::exists(QString::fromLocal8Bit(path)));

  SingleInstance next(title);
  QSignalSpy shown(&next, &SingleInstance::Requested);
  EXPECT_TRUE(next.Claim());
  SingleInstance later(title);
  EXPECT_FALSE(later.Claim());
  EXPECT_TRUE(WaitUntil([&] { return shown.size() == 1; }));
}

// Starts racing for the name: in every round exactly one of them runs.
TEST(SingleInstance, SimultaneousClaimsLeaveExactlyOneRunning) {
  for (int round = 0; round < 10; ++round) {
    const QString title = UniqueTitle();
    std::latch ready(3), done(3);
    std::atomic<int> running = 0;
    auto start = [&] {
      SingleInstance instance(title);
      ready.arrive_and_wait();
      if (instance.Claim()) ++running;
      done.arrive_and_wait();
    };
    std::thread a(start), b(start), c(start);
    a.join();
    b.join();
    c.join();
    ASSERT_EQ(running, 1) << "round " << round;
  }
}

}  // namespace
