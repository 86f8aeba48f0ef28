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
#include <cstring>
#include <latch>
#include <thread>

#include "support/test_env.h"

namespace {

QString UniqueTitle() { return "Sonaveil test " + QUuid::createUuid().toString(); }

TEST(SingleInstance, SecondClaimAsksTheFirstToShow) {
  const QString title = UniqueTitle();
  SingleInstance first(title);
  QSignalSpy shown(&first, &SingleInstance::ShowRequested);
  ASSERT_TRUE(first.Claim());
  // The title is compared without regard to letter case.
  SingleInstance second(title.toUpper());
  EXPECT_FALSE(second.Claim());
  EXPECT_TRUE(WaitUntil([&] { return shown.size() == 1; }));
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
  QSignalSpy shown(&next, &SingleInstance::ShowRequested);
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
