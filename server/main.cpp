// sonaveil-server --listen ADDRESS:PORT [--content DIR] [--board FILE | --database URL]
//                 [--trusted-proxy ADDRESS[/BITS]]... [--public-url URL] [--quiet]
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <thread>

#include "server/server.h"

namespace {

namespace fs = std::filesystem;

constexpr char kUsage[] =
    "usage: sonaveil-server --listen ADDRESS:PORT [--content DIR]\n"
    "                       [--board FILE | --database postgresql://USER@HOST:PORT/DB]\n"
    "                       [--trusted-proxy ADDRESS[/BITS]]... [--public-url http://HOST[:PORT]]\n"
    "                       [--quiet]\n"
    "  --listen         address and port to listen on; port 0 picks a free one\n"
    "  --content        the folder served (default: content/ beside the program)\n"
    "  --board          the message board's SQLite file (default: board.sqlite beside the\n"
    "                   program); the online count is then this server's own\n"
    "  --database       a PostgreSQL database for the board and the online count, shared by\n"
    "                   every server that names it (its tables are made on the first start)\n"
    "  --trusted-proxy  a proxy (or a network of them) whose X-Forwarded-For or X-Real-IP\n"
    "                   names the client; may be given more than once\n"
    "  --public-url     scheme and host given out in pages and /js/serverurl.js\n"
    "                   (default: the Host each request was sent to)\n"
    "  --quiet          no line per request on standard error\n";

fs::path ProgramFolder(const char* argv0) {
  std::error_code error;
  fs::path self = fs::read_symlink("/proc/self/exe", error);
  if (error) self = fs::absolute(argv0);
  return self.parent_path();
}

bool SplitListen(const std::string& listen, std::string* host, int* port) {
  const size_t colon = listen.rfind(':');
  if (colon == std::string::npos || colon == 0) return false;
  *host = listen.substr(0, colon);
  if (host->size() > 2 && host->front() == '[' && host->back() == ']')
    *host = host->substr(1, host->size() - 2);
  const std::string digits = listen.substr(colon + 1);
  if (digits.empty() || digits.size() > 5 ||
      digits.find_first_not_of("0123456789") != std::string::npos)
    return false;
  *port = std::stoi(digits);
  return *port <= 65535;
}

// Reads the command line into *options; an exit status when the program is to end now.
std::optional<int> ReadArguments(int argc, char** argv, sonaveil_server::ServerOptions* options) {
  bool listenGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::string arg = argv[i];
    const bool hasValue = i + 1 < argc;
    if (arg == "--help" || arg == "-h") {
      std::cout << kUsage;
      return 0;
    } else if (arg == "--listen" && hasValue) {
      if (!SplitListen(argv[++i], &options->host, &options->port)) {
        std::cerr << "sonaveil-server: --listen wants ADDRESS:PORT\n";
        return 2;
      }
      listenGiven = true;
    } else if (arg == "--content" && hasValue) {
      options->content = argv[++i];
    } else if (arg == "--board" && hasValue) {
      options->boardFile = argv[++i];
    } else if (arg == "--database" && hasValue) {
      options->database = argv[++i];
    } else if (arg == "--trusted-proxy" && hasValue) {
      if (!options->trustedProxies.Add(argv[++i])) {
        std::cerr << "sonaveil-server: --trusted-proxy wants ADDRESS or ADDRESS/BITS\n";
        return 2;
      }
    } else if (arg == "--public-url" && hasValue) {
      options->publicBase = argv[++i];
      while (options->publicBase.ends_with('/')) options->publicBase.pop_back();
    } else if (arg == "--quiet") {
      options->accessLog = false;
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  if (listenGiven) return std::nullopt;
  std::cerr << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  sonaveil_server::ServerOptions options;
  const fs::path folder = ProgramFolder(argv[0]);
  options.content = folder / "content";
  options.boardFile = folder / "board.sqlite";
  options.accessLog = true;
  if (const auto status = ReadArguments(argc, argv, &options)) return *status;

  // A client that goes away mid-response must not end the server.
  signal(SIGPIPE, SIG_IGN);
  sigset_t stopSignals;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGINT);
  sigaddset(&stopSignals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);  // inherited by the worker threads

  sonaveil_server::Server server(options);
  std::string error;
  if (!server.Bind(&error)) {
    std::cerr << "sonaveil-server: " << error << "\n";
    return 1;
  }
  const bool v6 = options.host.find(':') != std::string::npos;
  std::printf("sonaveil-server: listening on http://%s:%d/\n",
              (v6 ? "[" + options.host + "]" : options.host).c_str(), server.port());
  std::fflush(stdout);

  std::thread waiter([&] {
    int received = 0;
    sigwait(&stopSignals, &received);
    server.Stop();
  });
  waiter.detach();
  const bool ok = server.Run();
  return ok ? 0 : 1;
}
