#pragma once

#include <chrono>
#include <deque>
#include <mutex>
#include <string>
#include <unordered_map>

namespace sonaveil_server {

using Clock = std::chrono::steady_clock;

// The clients seen within a sliding window (the online count). Thread-safe. The number of
// remembered clients is capped so that a flood of addresses cannot grow it without bound.
class ActiveClients {
 public:
  explicit ActiveClients(Clock::duration window = std::chrono::minutes(5),
                         size_t maxClients = 100000);

  // Records client as seen at now and returns the number of distinct clients seen within the
  // window ending at now, client included (to within a second: the window is pruned once a
  // second).
  size_t SeenAndCount(const std::string& client, Clock::time_point now);

 private:
  void Prune(Clock::time_point now);

  const Clock::duration window_;
  const size_t maxClients_;
  std::mutex mutex_;
  std::unordered_map<std::string, Clock::time_point> lastSeen_;
  Clock::time_point lastPrune_{};
};

// The online count: the number of distinct clients seen in the last five minutes.
class OnlineCount {
 public:
  virtual ~OnlineCount() = default;
  // Records client as seen now and returns the count, client included.
  virtual size_t SeenAndCount(const std::string& client) = 0;
};

// The count of one server process, kept in its memory.
class LocalCount : public OnlineCount {
 public:
  size_t SeenAndCount(const std::string& client) override {
    return clients_.SeenAndCount(client, Clock::now());
  }

 private:
  ActiveClients clients_;
};

// At most `limit` events per client within a sliding window (posts to the board). Thread-safe.
class RateLimiter {
 public:
  RateLimiter(size_t limit, Clock::duration window, size_t maxClients = 100000);

  // True, and the event is counted, when client has had fewer than limit events in the window
  // ending at now; false otherwise (a refused event is not counted).
  bool Allow(const std::string& client, Clock::time_point now);

 private:
  const size_t limit_;
  const Clock::duration window_;
  const size_t maxClients_;
  std::mutex mutex_;
  std::unordered_map<std::string, std::deque<Clock::time_point>> events_;
};

}  // namespace sonaveil_server
