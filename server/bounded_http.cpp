#include "server/bounded_http.h"

#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace sonaveil_server {

namespace {

using Clock = std::chrono::steady_clock;

// How often a wait looks whether the server is stopping.
constexpr std::chrono::milliseconds kStopCheck{100};
// After a refusal, what the client still sends is read and dropped for this long (or this
// much) before the close, so that the client reads the refusal rather than a reset.
constexpr std::chrono::milliseconds kDrainTime{1000};
constexpr size_t kDrainBytes = 1 << 20;
constexpr size_t kReceiveBytes = 16 * 1024;

Clock::duration Duration(time_t sec, time_t usec) {
  return std::chrono::seconds(sec) + std::chrono::microseconds(usec);
}

// Workers are started as tasks wait for one, up to a limit; an idle worker waits for the next.
class ElasticPool : public httplib::TaskQueue {
 public:
  explicit ElasticPool(size_t maxWorkers) : max_(maxWorkers) {}

  void enqueue(std::function<void()> fn) override {
    std::lock_guard lock(mutex_);
    jobs_.push_back(std::move(fn));
    if (idle_ < jobs_.size() && workers_.size() < max_) {
      try {
        workers_.emplace_back([this] { Work(); });
      } catch (const std::system_error&) {  // no thread to be had: the workers there take it
      }
    }
    ready_.notify_one();
  }

  // Called once the server accepts no more connections: the tasks taken are finished.
  void shutdown() override {
    {
      std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    ready_.notify_all();
    for (std::thread& worker : workers_) worker.join();
  }

 private:
  void Work() {
    std::unique_lock lock(mutex_);
    for (;;) {
      ++idle_;
      ready_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      --idle_;
      if (jobs_.empty()) return;
      std::function<void()> job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      job();
      lock.lock();
    }
  }

  const size_t max_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> jobs_;
  std::vector<std::thread> workers_;
  size_t idle_ = 0;
  bool stopping_ = false;
};

// One client's connection. What has been received and not yet read is kept, so that the head
// read under the limits is then read again by the library's parser.
class Connection : public httplib::Stream {
 public:
  enum class Head { kWhole, kTooLarge, kLate, kEnded };

  Connection(int fd, const std::atomic<socket_t>& listening, Clock::duration readTimeout,
             Clock::duration writeTimeout)
      : fd_(fd), listening_(listening), readTimeout_(readTimeout), writeTimeout_(writeTimeout) {}

  // Waits for the first byte of the next request; false when none comes within idle.
  bool AwaitRequest(Clock::duration idle) {
    return pos_ < buffer_.size() || Receive(Clock::now() + idle) > 0;
  }

  // Receives until a whole head (up to its empty line) waits to be read.
  Head ReadHead(Clock::time_point deadline, const HttpLimits& limits) {
    buffer_.erase(0, pos_);
    pos_ = 0;
    size_t lineStart = 0, searched = 0, lines = 0;
    for (;;) {
      const size_t newline = buffer_.find('\n', searched);
      if (newline == std::string::npos) {
        searched = buffer_.size();
        if (buffer_.size() > limits.maxHeadBytes) return Head::kTooLarge;
        const ssize_t n = Receive(deadline);
        if (n == kTimedOut) return Head::kLate;
        if (n <= 0) return Head::kEnded;
        continue;
      }
      if (newline == lineStart + 1 && buffer_[lineStart] == '\r') return Head::kWhole;
      // The request line and the header fields.
      if (++lines > limits.maxHeaderLines + 1 || newline >= limits.maxHeadBytes)
        return Head::kTooLarge;
      lineStart = searched = newline + 1;
    }
  }

  // Answers status and closes the sending side, then drops what the client still sends.
  void Refuse(int status, const char* reason) {
    const std::string body = std::to_string(status) + "\n";
    const std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + reason +
                               "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                               std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    ::send(fd_, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(fd_, SHUT_WR);
    std::string().swap(buffer_);
    pos_ = 0;
    const Clock::time_point until = Clock::now() + kDrainTime;
    std::array<char, kReceiveBytes> scratch;
    for (size_t drained = 0; drained < kDrainBytes && WaitReadable(until);) {
      const ssize_t n = ::recv(fd_, scratch.data(), scratch.size(), 0);
      if (n <= 0) break;
      drained += static_cast<size_t>(n);
    }
  }

  bool is_readable() const override {
    return pos_ < buffer_.size() || WaitReadable(Clock::now() + readTimeout_);
  }

  bool is_writable() const override {
    pollfd p{fd_, POLLOUT, 0};
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(writeTimeout_);
    return ::poll(&p, 1, static_cast<int>(ms.count())) > 0 && !(p.revents & (POLLERR | POLLHUP));
  }

  ssize_t read(char* ptr, size_t size) override {
    if (pos_ == buffer_.size()) {
      const ssize_t n = Receive(Clock::now() + readTimeout_);
      if (n <= 0) return n == kTimedOut ? -1 : n;
    }
    const size_t n = std::min(size, buffer_.size() - pos_);
    std::memcpy(ptr, buffer_.data() + pos_, n);
    pos_ += n;
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, size_t size) override {
    if (!is_writable()) return -1;
    return ::send(fd_, ptr, size, MSG_NOSIGNAL);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override {
    Address(::getpeername, ip, port);
  }
  void get_local_ip_and_port(std::string& ip, int& port) const override {
    Address(::getsockname, ip, port);
  }
  socket_t socket() const override { return fd_; }

 private:
  static constexpr ssize_t kTimedOut = -2;

  // Waits until there is something to receive; false at the deadline or when the server stops.
  bool WaitReadable(Clock::time_point deadline) const {
    for (;;) {
      const auto left =
          std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
      if (left.count() <= 0 || listening_ == INVALID_SOCKET) return false;
      pollfd p{fd_, POLLIN, 0};
      if (::poll(&p, 1, static_cast<int>(std::min(left, kStopCheck).count())) != 0) return true;
    }
  }

  // Appends what arrives before the deadline: its size, 0 at the end, -1 on an error, or
  // kTimedOut.
  ssize_t Receive(Clock::time_point deadline) {
    if (pos_ == buffer_.size()) {
      buffer_.clear();
      pos_ = 0;
    }
    if (!WaitReadable(deadline)) return kTimedOut;
    const size_t had = buffer_.size();
    buffer_.resize(had + kReceiveBytes);
    const ssize_t n = ::recv(fd_, buffer_.data() + had, kReceiveBytes, 0);
    buffer_.resize(had + static_cast<size_t>(std::max<ssize_t>(n, 0)));
    return n;
  }

  template <typename Name>
  void Address(Name name, std::string& ip, int& port) const {
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    if (name(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) return;
    std::array<char, NI_MAXHOST> host{};
    std::array<char, NI_MAXSERV> service{};
    if (::getnameinfo(reinterpret_cast<sockaddr*>(&address), size, host.data(), host.size(),
                      service.data(), service.size(), NI_NUMERICHOST | NI_NUMERICSERV) != 0)
      return;
    ip = host.data();
    port = std::atoi(service.data());
  }

  const int fd_;
  const std::atomic<socket_t>& listening_;
  const Clock::duration readTimeout_;
  const Clock::duration writeTimeout_;
  std::string buffer_;
  size_t pos_ = 0;
};

}  // namespace

BoundedHttpServer::BoundedHttpServer(HttpLimits limits) : limits_(limits) {
  new_task_queue = [max = limits.maxWorkers] { return new ElasticPool(max); };
}

void BoundedHttpServer::WidenBacklog() { ::listen(svr_sock_, SOMAXCONN); }

bool BoundedHttpServer::process_and_close_socket(socket_t sock) {
  Connection connection(sock, svr_sock_, Duration(read_timeout_sec_, read_timeout_usec_),
                        Duration(write_timeout_sec_, write_timeout_usec_));
  bool ok = false;
  for (size_t left = keep_alive_max_count_; left > 0 && svr_sock_ != INVALID_SOCKET; --left) {
    if (!connection.AwaitRequest(std::chrono::seconds(keep_alive_timeout_sec_))) break;
    const Connection::Head head = connection.ReadHead(Clock::now() + limits_.headDeadline, limits_);
    if (head == Connection::Head::kTooLarge) {
      connection.Refuse(431, "Request Header Fields Too Large");
      break;
    }
    if (head == Connection::Head::kLate) {
      connection.Refuse(408, "Request Timeout");
      break;
    }
    // A head cut short by the client's close goes to the parser, which answers it 400.
    bool closed = false;
    ok = process_request(connection, left == 1, closed, nullptr);
    if (!ok || closed || head == Connection::Head::kEnded) break;
  }
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return ok;
}

}  // namespace sonaveil_server
