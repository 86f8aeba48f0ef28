// The sliding windows behind the online count and the board's rate limit, and the client
// address they are kept by.
#include "server/client_windows.h"

#include <gtest/gtest.h>

#include "server/client_address.h"

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

TEST(TrustedProxies, TakeTheForwardedClientOnlyFromATrustedPeer) {
  TrustedProxies proxies;
  for (const char* range : {"127.0.0.1", "10.0.0.0/8", "::1"}) ASSERT_TRUE(proxies.Add(range));
  for (const char* range : {"10.0.0.0/33", "::1/129", "1.2.3.4/", "1.2.3.4/x", "host", ""})
    EXPECT_FALSE(proxies.Add(range)) << range;
  const struct {
    const char* peer;
    std::vector<std::string> forwardedFor;
    const char* realIp;
    const char* client;
  } cases[] = {
      {"192.0.2.7", {"203.0.113.1"}, "203.0.113.2", "192.0.2.7"},  // untrusted: its own
      {"127.0.0.1", {"203.0.113.1"}, "", "203.0.113.1"},
      {"127.0.0.1", {"198.51.100.9, 203.0.113.1, 10.1.2.3"}, "", "203.0.113.1"},
      {"127.0.0.1", {"198.51.100.9", "10.0.0.5"}, "", "198.51.100.9"},  // fields in order
      {"127.0.0.1", {"nonsense, 203.0.113.1"}, "", "203.0.113.1"},
      {"127.0.0.1", {"203.0.113.1, nonsense"}, "", "127.0.0.1"},  // unreadable next to us
      {"127.0.0.1", {"10.0.0.1,10.0.0.2"}, "", "10.0.0.1"},       // all trusted: the first
      {"127.0.0.1", {}, " 203.0.113.8 ", "203.0.113.8"},
      {"127.0.0.1", {}, "bogus", "127.0.0.1"},
      {"::1", {"[2001:db8::1]"}, "", "2001:db8::1"},
      {"::ffff:127.0.0.1", {"::ffff:203.0.113.4"}, "", "203.0.113.4"},
      {"10.200.3.4", {"2001:DB8:0::7"}, "", "2001:db8::7"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(proxies.ClientOf(c.peer, c.forwardedFor, c.realIp), c.client) << c.peer;
  EXPECT_EQ(TrustedProxies().ClientOf("127.0.0.1", {"203.0.113.1"}, ""), "127.0.0.1");
}

}  // namespace
}  // namespace sonaveil_server
