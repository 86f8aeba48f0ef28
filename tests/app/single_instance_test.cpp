#include "app/single_instance.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/un.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
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

// A socket made on this thread, as whoever runs it: listening at path, or connected to it.
int SocketAt(const QString& path, bool listening) {
  sockaddr_un address{AF_UNIX, {}};
  const QByteArray name = QFile::encodeName(path);
  std::memcpy(address.sun_path, name.constData(), std::min<size_t>(107, name.size()));
  const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
  const auto* at = reinterpret_cast<const sockaddr*>(&address);
  const bool failed = listening ? ::bind(fd, at, sizeof(address)) || ::listen(fd, 4)
                                : ::connect(fd, at, sizeof(address));
  return failed ? -1 : fd;
}

// Runs body as the user nobody on a thread of its own (raw calls: the C library's change every
// thread); with filesAsRoot it still reaches root's folders, as a squatter with a way in.
void AsNobody(bool filesAsRoot, const std::function<void()>& body) {
  std::thread([&] {
    ASSERT_EQ(::syscall(SYS_setresuid, -1, 65534, -1), 0);
    if (filesAsRoot) ::syscall(SYS_setfsuid, 0);
    body();
  }).join();
}

TEST(SingleInstance, SecondClaimHandsItsRequestToTheFirst) {
  const QString title = UniqueTitle();
  SingleInstance first(title);
  QList<StartRequest> heard;
  QObject::connect(&first, &SingleInstance::Requested,
                   [&](const StartRequest& request) { heard << request; });
  ASSERT_EQ(first.Claim(), SingleInstance::Outcome::kRunning);
  // The title is compared without regard to letter case.
  SingleInstance second(title.toUpper());
  StartRequest request{
      {"/music/甜蜜蜜.mp3", "http://radio.test/live"}, true, StartRequest::Transport::kNext};
  // 10,000 files (600 KB), handed over while the first's thread is busy: here, in this call.
  for (int i = 0; i < 10000; ++i) request.items << QString("/music/%1/甜蜜蜜 邓丽君.mp3").arg(i);
  EXPECT_EQ(second.Claim(request), SingleInstance::Outcome::kHandedOver);
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
  const QString here = SingleInstance::SocketName("Sonaveil v4.0");
  const QByteArray display = qgetenv("DISPLAY");
  const bool hadDisplay = qEnvironmentVariableIsSet("DISPLAY");
  qputenv("DISPLAY", ":97.0");  // and per display
  EXPECT_NE(SingleInstance::SocketName("Sonaveil v4.0"), here);
  if (hadDisplay)
    qputenv("DISPLAY", display);
  else
    qunsetenv("DISPLAY");
}

TEST(SingleInstance, StaleSocketOfACrashedInstanceDoesNotBlockTheNextStart) {
  const QString title = UniqueTitle();
  // What a killed instance leaves: a bound socket file that nobody listens on.
  const QByteArray path =
      QFile::encodeName(SingleInstance::SocketFolder() + '/' + SingleInstance::SocketName(title));
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
  EXPECT_EQ(next.Claim(), SingleInstance::Outcome::kRunning);
  SingleInstance later(title);
  EXPECT_EQ(later.Claim(), SingleInstance::Outcome::kHandedOver);
  EXPECT_TRUE(WaitUntil([&] { return shown.size() == 1; }));
}

// Another user can neither receive what a start hands over, by making its socket first, nor
// hand a request to the running player.
TEST(SingleInstance, AnotherUserNeitherReceivesNorHandsInRequests) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs root, to act as another user";
  QTemporaryDir tmp, runtime;
  ::chmod(QFile::encodeName(tmp.path()).constData(), 01777);  // as /tmp is
  const QByteArray tmpdir = qgetenv("TMPDIR"), xdg = qgetenv("XDG_RUNTIME_DIR");
  qputenv("TMPDIR", tmp.path().toUtf8());
  qunsetenv("XDG_RUNTIME_DIR");
  const QString title = UniqueTitle(), name = SingleInstance::SocketName(title);
  const QString own = tmp.filePath(QString("sonaveil-%1").arg(getuid()));
  int squats[3];
  AsNobody(false, [&] {
    squats[0] = SocketAt(tmp.filePath(name), true);
    ::mkdir(QFile::encodeName(own).constData(), 0700);  // before the user's first start
    squats[1] = SocketAt(own + '/' + name, true);
  });
  EXPECT_EQ(SingleInstance(title).Claim({{"/music/私人.mp3"}}), SingleInstance::Outcome::kRunning);
  EXPECT_EQ(SingleInstance::SocketFolder(), "");  // the squatter's is not taken for the user's
  // In the user's folder, one with a way in is replaced, and what it sends is turned away.
  qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
  AsNobody(true, [&] { squats[2] = SocketAt(runtime.filePath(name), true); });
  SingleInstance player(title);
  QSignalSpy heard(&player, &SingleInstance::Requested);
  EXPECT_EQ(player.Claim({{"/music/私人.mp3"}}), SingleInstance::Outcome::kRunning);
  char byte;
  for (int fd : squats) EXPECT_LE(::read(::accept(fd, nullptr, nullptr), &byte, 1), 0);
  int client = -1;
  AsNobody(true, [&] { client = SocketAt(runtime.filePath(name), false); });
  ::send(client, "{}\n", 3, MSG_NOSIGNAL);
  EXPECT_EQ(SingleInstance(title).Claim(), SingleInstance::Outcome::kHandedOver);  // the user's
  EXPECT_TRUE(WaitUntil([&] { return heard.size() == 1; }));  // that one alone, not 2
  qputenv("TMPDIR", tmpdir), qputenv("XDG_RUNTIME_DIR", xdg);
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
      if (instance.Claim() == SingleInstance::Outcome::kRunning) ++running;
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
