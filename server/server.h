#pragma once

#include <httplib.h>

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>

#include "server/bounded_http.h"
#include "server/client_address.h"
#include "server/client_windows.h"
#include "server/pg_store.h"
#include "server/stores.h"

namespace sonaveil_server {

struct ServerOptions {
  std::string host = "127.0.0.1";
  int port = 0;  // 0: any free port
  std::filesystem::path content;
  std::filesystem::path boardFile;
  // A PostgreSQL database for the board and the online count, shared with other servers;
  // empty: the board file and a count of this server's own.
  std::string database;
  // The proxies whose X-Forwarded-For or X-Real-IP names the client.
  TrustedProxies trustedProxies;
  // The scheme and host that pages and the media-server script give out; empty: the Host the
  // request was sent to.
  std::string publicBase;
  size_t maxNameBytes = 120;
  size_t maxContentBytes = 2000;
  size_t postsPerMinute = 5;
  bool accessLog = false;  // one line per request on standard error
};

// Every web endpoint the player and the updater use, over one content folder.
class Server {
 public:
  explicit Server(ServerOptions options);
  ~Server();

  // Opens the board and binds the listening socket; false with *error said on failure.
  bool Bind(std::string* error);
  int port() const { return port_; }
  // Serves until Stop; returns false when the socket failed.
  bool Run();
  void Stop();

 private:
  httplib::Server::HandlerResponse Route(const httplib::Request& req, httplib::Response& res);
  void PostNote(const httplib::Request& req, httplib::Response& res);
  void ServeFile(const httplib::Request& req, httplib::Response& res);
  void Count(const httplib::Request& req, httplib::Response& res);
  void LyricSearch(const httplib::Request& req, httplib::Response& res);
  void LyricPage(const httplib::Request& req, httplib::Response& res);
  void MusicSearch(const httplib::Request& req, httplib::Response& res);
  void RingTones(const httplib::Request& req, httplib::Response& res);
  void ShowBoard(httplib::Response& res, const std::string& notice);
  std::string Base(const httplib::Request& req) const;
  // The address of the client a request is from, past the trusted proxies.
  std::string Client(const httplib::Request& req) const;
  bool OpenStores(std::string* error);
  void SetUpLog();
  // The address on this server of a catalog song's file in the given extension, or "".
  std::string ServedUrl(const CatalogSong& song, const std::string& base,
                        const std::string& extension) const;

  ServerOptions options_;
  std::filesystem::path root_;
  int port_ = 0;
  BoundedHttpServer http_;
  std::unique_ptr<PgPool> database_;
  std::unique_ptr<MessageBoard> board_;
  std::unique_ptr<OnlineCount> count_;
  std::unique_ptr<LyricStore> lyrics_;
  std::unique_ptr<PublishedCatalog> catalog_;
};

}  // namespace sonaveil_server
