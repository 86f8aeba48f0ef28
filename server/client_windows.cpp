#include "server/client_windows.h"

#include <algorithm>

namespace sonaveil_server {

ActiveClients::ActiveClients(Clock::duration window, size_t maxClients)
    : window_(window), maxClients_(maxClients) {}

void ActiveClients::Prune(Clock::time_point now) {
  std::erase_if(lastSeen_, [&](const auto& entry) { return now - entry.second >= window_; });
  lastPrune_ = now;
}

size_t ActiveClients::SeenAndCount(const std::string& client, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (now - lastPrune_ >= std::chrono::seconds(1) || lastSeen_.size() >= maxClients_) Prune(now);
  if (lastSeen_.size() >= maxClients_ && !lastSeen_.contains(client)) {
    // Still full of live clients: forget the one seen longest ago.
    auto oldest =
        std::min_element(lastSeen_.begin(), lastSeen_.end(),
                         [](const auto& a, const auto& b) { return a.second < b.second; });
    lastSeen_.erase(oldest);
  }
  lastSeen_[client] = now;
  return lastSeen_.size();
}

RateLimiter::RateLimiter(size_t limit, Clock::duration window, size_t maxClients)
    : limit_(limit), window_(window), maxClients_(maxClients) {}

bool RateLimiter::Allow(const std::string& client, Clock::time_point now) {
  std::lock_guard lock(mutex_);
  if (events_.size() >= maxClients_) {
    std::erase_if(events_, [&](const auto& entry) {
      return entry.second.empty() || now - entry.second.back() >= window_;
    });
  }
  // Under a flood of new addresses the ones already known keep their turn.
  if (events_.size() >= maxClients_ && !events_.contains(client)) return false;
  std::deque<Clock::time_point>& times = events_[client];
  while (!times.empty() && now - times.front() >= window_) times.pop_front();
  if (times.size() >= limit_) return false;
  times.push_back(now);
  return true;
}

}  // namespace sonaveil_server
