#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>

namespace sonaveil_server {

// What one client may make the server hold.
struct HttpLimits {
  std::chrono::milliseconds headDeadline{10000};
  size_t maxHeadBytes = 64 * 1024;
  size_t maxHeaderLines = 100;
  size_t maxWorkers = 256;
};

// cpp-httplib's server with bounds on what one client can make it hold:
// - each request's head (request line and header fields) must arrive whole within a deadline
//   and within a size and a number of lines; a late head is answered 408, a large one 431,
//   and the connection is closed, its buffer freed;
// - workers are started as connections wait for them, up to a high limit, so clients that
//   are slow to send hold only their own workers, never the others'.
class BoundedHttpServer : public httplib::Server {
 public:
  explicit BoundedHttpServer(HttpLimits limits = {});

  // After binding: lets a burst of connections wait to be accepted, beyond the library's five.
  void WidenBacklog();

 private:
  // Serves one connection: its requests one after another, as the library does, but with each
  // head read under the limits before the library parses it.
  bool process_and_close_socket(socket_t sock) override;

  HttpLimits limits_;
};

}  // namespace sonaveil_server
