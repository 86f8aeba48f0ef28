#include "server/bounded_http.h"

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
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
constexpr size_t kNoLength = std::string_view::npos;

Clock::duration Duration(time_t sec, time_t usec) {
  return std::chrono::seconds(sec) + std::chrono::microseconds(usec);
}

// The Content-Length a head announces; kNoLength when it names none, or not as a plain number.
size_t ContentLength(std::string_view head) {
  constexpr std::string_view kName = "content-length:";
  for (size_t start = head.find('\n'); start != std::string_view::npos;
       start = head.find('\n', start)) {
    ++start;
    std::string_view line = head.substr(start, head.find('\n', start) - start);
    if (line.size() < kName.size() ||
        !std::equal(kName.begin(), kName.end(), line.begin(), [](char want, char c) {
          return want == std::tolower(static_cast<unsigned char>(c));
        }))
      continue;
    line.remove_prefix(kName.size());
    const size_t first = line.find_first_not_of(" \t");
    const size_t last = line.find_last_not_of(" \t\r");
    if (first == std::string_view::npos || last - first >= 18) return kNoLength;
    const std::string digits(line.substr(first, last - first + 1));
    if (digits.find_first_not_of("0123456789") != std::string::npos) return kNoLength;
    return std::stoull(digits);
  }
  return kNoLength;
}

}  // namespace

// Workers are started as tasks wait for one, up to a limit; an idle worker waits for the next.
// Connections with nothing to read, once all but the reserved workers wait on clients, are
// watched by one thread and handed back as tasks when they have something to read.
class ElasticPool : public httplib::TaskQueue {
 public:
  using Serve = std::function<void(const std::shared_ptr<Connection>&)>;
  ElasticPool(const HttpLimits& limits, Serve serve);
  ~ElasticPool() override;

  void enqueue(std::function<void()> fn) override;
  // Called once the server accepts no more connections: the tasks taken are finished, and
  // the connections set aside closed.
  void shutdown() override;

  // A turn to wait on a client in a worker, while fewer than all but the reserved workers do.
  bool TryWait() {
    if (waiting_.fetch_add(1) < maxWaiting_) return true;
    EndWait();
    return false;
  }
  void EndWait() { waiting_.fetch_sub(1); }
  // Watches the connection until it has something to read, then serves it in a worker.
  void Park(const std::shared_ptr<Connection>& connection);

 private:
  void Work();
  void Watch();

  const size_t max_;
  const size_t maxWaiting_;
  const Serve serve_;
  std::mutex mutex_;
  std::condition_variable ready_;
  std::deque<std::function<void()>> jobs_;
  std::vector<std::thread> workers_;
  size_t idle_ = 0;
  bool stopping_ = false;
  std::atomic<size_t> waiting_{0};

  std::mutex parkMutex_;
  std::vector<std::shared_ptr<Connection>> arriving_;
  std::atomic<bool> watching_{true};
  int wake_[2] = {-1, -1};
  std::thread watcher_;
};

// One client's connection. What has been received and not yet read is kept, so that a request
// gathered under the limits is then read again by the library's parser. A connection is
// served by one worker at a time, or watched while set aside.
class Connection : public httplib::Stream {
 public:
  enum class Step { kReady, kPark, kClose };

  Connection(int fd, const std::atomic<socket_t>& listening, const HttpLimits& limits,
             Clock::duration readTimeout, Clock::duration writeTimeout, Clock::duration keepAlive,
             size_t maxRequests)
      : fd_(fd),
        listening_(listening),
        limits_(limits),
        readTimeout_(readTimeout),
        writeTimeout_(writeTimeout),
        keepAlive_(keepAlive),
        requestsLeft_(std::max<size_t>(maxRequests, 1)) {
    Begin(Stage::kIdle, keepAlive_);
  }
  ~Connection() override {
    ::shutdown(fd_, SHUT_RDWR);
    ::close(fd_);
  }
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  int fd() const { return fd_; }
  Clock::time_point deadline() const { return deadline_; }
  bool Last() const { return requestsLeft_ == 1; }

  // Receives until a whole request (head and announced body) waits to be read (kReady), the
  // connection would wait with no turn to wait left in the pool (kPark), or is done (kClose).
  Step Gather(ElasticPool& pool) {
    for (;;) {
      if (listening_ == INVALID_SOCKET) return Step::kClose;
      const Step step = Check();
      if (step != Step::kPark) return step;  // kPark here: more is wanted
      const ssize_t n = ReceiveNow();
      if (n > 0) continue;
      if (n == 0) {
        if (stage_ == Stage::kIdle || stage_ == Stage::kDrain) return Step::kClose;
        ended_ = true;  // cut short by the client's close: the parser answers it 400
        return Step::kReady;
      }
      if (n != kNothing) return Step::kClose;
      if (Clock::now() >= deadline_) {
        if (!Expire()) return Step::kClose;
        continue;
      }
      if (!pool.TryWait()) return Step::kPark;
      WaitReadable(deadline_);
      pool.EndWait();
    }
  }

  // At the deadline with nothing more: a request still arriving is refused (true, the
  // refusal then drained); an idle or drained connection is done (false).
  bool Expire() {
    if (stage_ != Stage::kHead && stage_ != Stage::kBody) return false;
    Refuse(408, "Request Timeout");
    return true;
  }

  // After a request: makes ready for the next one; false when there is to be none.
  bool Next() {
    if (ended_ || --requestsLeft_ == 0) return false;
    buffer_.erase(0, pos_);
    pos_ = 0;
    Begin(Stage::kIdle, keepAlive_);
    return true;
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
      if (ended_) return 0;
      if (!WaitReadable(Clock::now() + readTimeout_)) return -1;
      const ssize_t n = ReceiveNow();
      if (n <= 0) return n == 0 ? 0 : -1;
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
  enum class Stage { kIdle, kHead, kBody, kDrain };
  static constexpr ssize_t kNothing = -2;

  void Begin(Stage stage, Clock::duration within) {
    stage_ = stage;
    deadline_ = Clock::now() + within;
    scanned_ = lineStart_ = lines_ = 0;
  }

  // Whether what has been received completes the stage: kReady, kClose, or kPark for more.
  Step Check() {
    switch (stage_) {
      case Stage::kIdle:
        if (pos_ == buffer_.size()) return Step::kPark;
        Begin(Stage::kHead, limits_.headDeadline);
        return CheckHead();
      case Stage::kHead:
        return CheckHead();
      case Stage::kBody:
        return buffer_.size() >= wanted_ ? Step::kReady : Step::kPark;
      case Stage::kDrain:
        drained_ += buffer_.size();
        buffer_.clear();
        return drained_ > kDrainBytes ? Step::kClose : Step::kPark;
    }
    return Step::kClose;
  }

  // Looks for the head's empty line in what came since the last look (the head starts the
  // buffer); then for the body it announces.
  Step CheckHead() {
    for (;;) {
      const size_t newline = buffer_.find('\n', scanned_);
      if (newline == std::string::npos) {
        scanned_ = buffer_.size();
        if (buffer_.size() > limits_.maxHeadBytes)
          return Refuse(431, "Request Header Fields Too Large");
        return Step::kPark;
      }
      if (newline == lineStart_ + 1 && buffer_[lineStart_] == '\r') {
        const size_t length = ContentLength(std::string_view(buffer_).substr(0, newline + 1));
        if (length == 0 || length == kNoLength || length > limits_.maxBodyBytes)
          return Step::kReady;
        Begin(Stage::kBody, limits_.bodyDeadline);
        wanted_ = newline + 1 + length;
        return Check();
      }
      // The request line and the header fields.
      if (++lines_ > limits_.maxHeaderLines + 1 || newline >= limits_.maxHeadBytes)
        return Refuse(431, "Request Header Fields Too Large");
      lineStart_ = scanned_ = newline + 1;
    }
  }

  // Answers status and closes the sending side; what the client still sends is then dropped.
  Step Refuse(int status, const char* reason) {
    const std::string body = std::to_string(status) + "\n";
    const std::string answer = "HTTP/1.1 " + std::to_string(status) + " " + reason +
                               "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                               std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body;
    ::send(fd_, answer.data(), answer.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    ::shutdown(fd_, SHUT_WR);
    std::string().swap(buffer_);
    pos_ = 0;
    drained_ = 0;
    Begin(Stage::kDrain, kDrainTime);
    return Step::kPark;
  }

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

  // Appends what has arrived, without waiting: its size, 0 at the end, kNothing when nothing
  // waits, -1 on an error.
  ssize_t ReceiveNow() {
    if (pos_ == buffer_.size()) {
      buffer_.clear();
      pos_ = 0;
    }
    const size_t had = buffer_.size();
    buffer_.resize(had + kReceiveBytes);
    const ssize_t n = ::recv(fd_, buffer_.data() + had, kReceiveBytes, MSG_DONTWAIT);
    buffer_.resize(had + static_cast<size_t>(std::max<ssize_t>(n, 0)));
    if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR)) return kNothing;
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
  const HttpLimits& limits_;
  const Clock::duration readTimeout_;
  const Clock::duration writeTimeout_;
  const Clock::duration keepAlive_;
  size_t requestsLeft_;
  Stage stage_ = Stage::kIdle;
  Clock::time_point deadline_;
  std::string buffer_;
  size_t pos_ = 0;
  // The head's scan so far, and the end of its body in the buffer.
  size_t scanned_ = 0, lineStart_ = 0, lines_ = 0, wanted_ = 0;
  size_t drained_ = 0;
  bool ended_ = false;
};

ElasticPool::ElasticPool(const HttpLimits& limits, Serve serve)
    : max_(limits.maxWorkers),
      maxWaiting_(limits.maxWorkers - std::min(limits.reservedWorkers, limits.maxWorkers - 1)),
      serve_(std::move(serve)) {
  if (::pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0)
    throw std::system_error(errno, std::generic_category());
  watcher_ = std::thread([this] { Watch(); });
}

ElasticPool::~ElasticPool() {
  if (watcher_.joinable()) shutdown();
  ::close(wake_[0]);
  ::close(wake_[1]);
}

void ElasticPool::enqueue(std::function<void()> fn) {
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

void ElasticPool::shutdown() {
  watching_ = false;
  (void)!::write(wake_[1], "x", 1);
  if (watcher_.joinable()) watcher_.join();
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  ready_.notify_all();
  for (std::thread& worker : workers_) worker.join();
  workers_.clear();
  std::lock_guard lock(parkMutex_);
  arriving_.clear();
}

void ElasticPool::Park(const std::shared_ptr<Connection>& connection) {
  if (!watching_) return;  // stopping: dropped, and so closed
  {
    std::lock_guard lock(parkMutex_);
    arriving_.push_back(connection);
  }
  (void)!::write(wake_[1], "x", 1);
}

void ElasticPool::Work() {
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

void ElasticPool::Watch() {
  std::vector<std::shared_ptr<Connection>> parked, kept;
  std::vector<pollfd> fds;
  while (watching_) {
    {
      std::lock_guard lock(parkMutex_);
      for (auto& connection : arriving_) parked.push_back(std::move(connection));
      arriving_.clear();
    }
    fds.assign(1, pollfd{wake_[0], POLLIN, 0});
    Clock::time_point next = Clock::now() + kStopCheck;
    for (const auto& connection : parked) {
      fds.push_back({connection->fd(), POLLIN, 0});
      next = std::min(next, connection->deadline());
    }
    const auto wait = std::chrono::ceil<std::chrono::milliseconds>(next - Clock::now());
    ::poll(fds.data(), fds.size(), static_cast<int>(std::max<int64_t>(wait.count(), 0)));
    char scratch[64];
    while (::read(wake_[0], scratch, sizeof scratch) > 0) {
    }
    const Clock::time_point now = Clock::now();
    kept.clear();
    for (size_t i = 0; i < parked.size(); ++i) {
      std::shared_ptr<Connection>& connection = parked[i];
      if (fds[i + 1].revents != 0) {
        enqueue([this, connection] { serve_(connection); });
      } else if (now < connection->deadline() || connection->Expire()) {
        kept.push_back(std::move(connection));
      }
    }
    parked.swap(kept);
  }
}

BoundedHttpServer::BoundedHttpServer(HttpLimits limits) : limits_(limits) {
  new_task_queue = [this] {
    pool_ = new ElasticPool(
        limits_, [this](const std::shared_ptr<Connection>& connection) { Serve(connection); });
    return pool_;
  };
}

void BoundedHttpServer::WidenBacklog() { ::listen(svr_sock_, SOMAXCONN); }

bool BoundedHttpServer::process_and_close_socket(socket_t sock) {
  Serve(std::make_shared<Connection>(
      sock, svr_sock_, limits_, Duration(read_timeout_sec_, read_timeout_usec_),
      Duration(write_timeout_sec_, write_timeout_usec_),
      std::chrono::seconds(keep_alive_timeout_sec_), keep_alive_max_count_));
  return true;
}

void BoundedHttpServer::Serve(const std::shared_ptr<Connection>& connection) {
  for (;;) {
    const Connection::Step step = connection->Gather(*pool_);
    if (step == Connection::Step::kPark) return pool_->Park(connection);
    if (step == Connection::Step::kClose) return;
    bool closed = false;
    const bool ok = process_request(*connection, connection->Last(), closed, nullptr);
    if (!ok || closed || svr_sock_ == INVALID_SOCKET || !connection->Next()) return;
  }
}

}  // namespace sonaveil_server
