// The sliding windows behind the online count and the board's rate limit.
#include "server/client_windows.h"

#include <gtest/gtest.h>

namespace sonaveil_server {
namespace {

using std::chrono::minutes;
using std::chrono::seconds;

TEST(ActiveClients, CountsEachClientOnceWithinFiveMinutes) {
  ActiveClients clients;
  const Clock::time_point t0{};
  EXPECT_EQ(clients.SeenAndCount("a", t0), 1u);
  EXPECT_EQ(clients.SeenAndCount("b", t0 + minutes(1)), 2u);
  EXPECT_EQ(clients.SeenAndCount("a", t0 + minutes(2)), 2u);
  // a was last seen at 2 min, b at 1 min: at 6 min 30 s only a is still counted.
  EXPECT_EQ(clients.SeenAndCount("c", t0 + minutes(6) + seconds(30)), 2u);
  EXPECT_EQ(clients.SeenAndCount("c", t0 + minutes(12)), 1u);
}

TEST(ActiveClients, KeepsAtMostItsCapacity) {
  ActiveClients clients(minutes(5), 3);
  const Clock::time_point t0{};
  for (int i = 0; i < 10; ++i) clients.SeenAndCount(std::to_string(i), t0 + seconds(i));
  EXPECT_EQ(clients.SeenAndCount("9", t0 + seconds(10)), 3u);
}

TEST(RateLimiter, AllowsLimitEventsPerWindowAndCountsNoRefusal) {
  RateLimiter limiter(2, minutes(1));
  const Clock::time_point t0{};
  EXPECT_TRUE(limiter.Allow("a", t0));
  EXPECT_TRUE(limiter.Allow("a", t0 + seconds(10)));
  EXPECT_FALSE(limiter.Allow("a", t0 + seconds(20)));
  EXPECT_TRUE(limiter.Allow("b", t0 + seconds(20)));
  // The first event leaves the window at 60 s; the refused one at 20 s never counted.
  EXPECT_FALSE(limiter.Allow("a", t0 + seconds(59)));
  EXPECT_TRUE(limiter.Allow("a", t0 + seconds(60)));
  EXPECT_FALSE(limiter.Allow("a", t0 + seconds(65)));
}

}  // namespace
}  // namespace sonaveil_server
