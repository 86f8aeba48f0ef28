#pragma once

#include <httplib.h>

#include <chrono>
#include <cstddef>
#include <memory>

namespace sonaveil_server {

// What one client may make the server hold.
struct HttpLimits {
  std::chrono::milliseconds headDeadline{10000};
  // A request's body, when it announces one of at most maxBodyBytes, must arrive whole within
  // this of its head.
  std::chrono::milliseconds bodyDeadline{10000};
  size_t maxHeadBytes = 64 * 1024;
  size_t maxHeaderLines = 100;
  size_t maxBodyBytes = 64 * 1024;
  size_t maxWorkers = 256;
  // Workers that never wait on a client: with the others all waiting, these still serve the
  // requests that have arrived.
  size_t reservedWorkers = 16;
};

class Connection;
class ElasticPool;

// cpp-httplib's server with bounds on what one client can make it hold:
// - each request's head (request line and header fields) must arrive whole within a deadline
//   and within a size and a number of lines; a late head is answered 408, a large one 431,
//   and the connection is closed, its buffer freed;
// - a body of announced length must arrive whole within its own deadline (else 408), before
//   the request is handled;
// - workers are started as connections wait for them, up to a high limit, so clients that
//   are slow to send hold only their own workers, never the others'; once all but the
//   reserved workers wait on clients, a connection that would wait too is watched by one
//   thread for all of them, and goes back to a worker when it has something to read.
class BoundedHttpServer : public httplib::Server {
 public:
  explicit BoundedHttpServer(HttpLimits limits = {});

  // After binding: lets a burst of connections wait to be accepted, beyond the library's five.
  void WidenBacklog();

 private:
  bool process_and_close_socket(socket_t sock) override;
  // Serves the connection's requests, one after another, until it ends or is set aside.
  void Serve(const std::shared_ptr<Connection>& connection);

  HttpLimits limits_;
  ElasticPool* pool_ = nullptr;  // while listening; owned by the library
};

}  // namespace sonaveil_server
