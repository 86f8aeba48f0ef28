// Requests per second against one address on loopback: a fixed number of client threads,
// each sending requests one after another for a fixed time and reading every body whole.
//   server_bench http://127.0.0.1:PORT/path [seconds] [threads] [keep-alive|close]
#include <httplib.h>

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
  const size_t slash = url.find('/', url.find("://") + 3);
  const std::string host = url.substr(0, slash), path = url.substr(slash);

  std::atomic<long> done{0}, failed{0}, bytes{0};
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  std::vector<std::thread> workers;
  for (int t = 0; t < threads; ++t) {
    workers.emplace_back([&] {
      httplib::Client client(host);
      client.set_keep_alive(keepAlive);
      client.set_read_timeout(5);
      while (std::chrono::steady_clock::now() < until) {
        const httplib::Result result = client.Get(path);
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
  std::printf("%s %s threads=%d: %.0f requests/s, %.1f MB/s, %ld failed\n", url.c_str(),
              keepAlive ? "keep-alive" : "close", threads, done / double(seconds),
              bytes / double(seconds) / 1e6, failed.load());
  return failed > 0 ? 1 : 0;
}
