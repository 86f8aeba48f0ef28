// Requests per second against one address on loopback: a fixed number of client threads,
// each sending requests one after another for a fixed time and reading every body whole.
// With slow clients, that many connections are opened first, each sending one byte of its
// request's head every second for the whole run, and the slowest request is reported.
//   server_bench http://127.0.0.1:PORT/path [seconds] [threads] [keep-alive|close] [slow]
#include <arpa/inet.h>
#include <httplib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: server_bench URL [seconds] [threads] [keep-alive|close]\n");
    return 2;
  }
  const std::string url = argv[1];
  const int seconds = argc > 2 ? std::clamp(std::atoi(argv[2]), 1, 60) : 5;
  const int threads = argc > 3 ? std::clamp(std::atoi(argv[3]), 1, 16) : 2;
  const bool keepAlive = argc > 4 ? std::string(argv[4]) == "keep-alive" : true;
  const int slow = argc > 5 ? std::clamp(std::atoi(argv[5]), 0, 500) : 0;
  const size_t slash = url.find('/', url.find("://") + 3);
  const std::string host = url.substr(0, slash), path = url.substr(slash);

  std::atomic<long> done{0}, failed{0}, bytes{0};
  std::atomic<long> slowestUs{0};
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  std::vector<int> trickling;
  sockaddr_in server{};
  server.sin_family = AF_INET;
  server.sin_port =
      htons(static_cast<uint16_t>(std::atoi(host.substr(host.rfind(':') + 1).c_str())));
  inet_pton(AF_INET, "127.0.0.1", &server.sin_addr);
  for (int i = 0; i < slow; ++i) {
    const int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (connect(fd, reinterpret_cast<sockaddr*>(&server), sizeof server) == 0 &&
        send(fd, "GET / HTTP/1.1\r\nX-Slow: ", 25, MSG_NOSIGNAL) == 25)
      trickling.push_back(fd);
    else
      close(fd);
  }
  std::thread trickle([&] {
    while (std::chrono::steady_clock::now() < until) {
      for (int fd : trickling) send(fd, "s", 1, MSG_NOSIGNAL);
      std::this_thread::sleep_for(std::chrono::seconds(1));
    }
  });
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      httplib::Client client(host);
      client.set_keep_alive(keepAlive);
      client.set_read_timeout(5);
      while (std::chrono::steady_clock::now() < until) {
        const auto start = std::chrono::steady_clock::now();
        const httplib::Result result = client.Get(path);
        const long us = std::chrono::duration_cast<std::chrono::microseconds>(
                            std::chrono::steady_clock::now() - start)
                            .count();
        for (long was = slowestUs; us > was && !slowestUs.compare_exchange_weak(was, us);) {
        }
        if (result && result->status == 200) {
          ++done;
          bytes += static_cast<long>(result->body.size());
        } else {
          ++failed;
        }
      }
    });
  }
  for (std::thread& worker : workers) worker.join();
  trickle.join();
  for (int fd : trickling) close(fd);
  std::printf(
      "%s %s threads=%d slow=%zu: %.0f requests/s, %.1f MB/s, %ld failed, slowest %.1f ms\n",
      url.c_str(), keepAlive ? "keep-alive" : "close", threads, trickling.size(),
      done / double(seconds), bytes / double(seconds) / 1e6, failed.load(), slowestUs / 1e3);
  return failed > 0 ? 1 : 0;
}
