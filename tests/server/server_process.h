#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <string>

// The built sonaveil-server, started on a free loopback port for one test or suite.
class ServerProcess {
 public:
  // content: the folder served (the built demo content when empty); board: the board file.
  // With log, the server's line for each request is kept for Log().
  ServerProcess(const QString& content, const QString& board, bool log = false);
  ~ServerProcess();
  bool Started() const { return port_ > 0; }
  int Port() const { return port_; }
  bool Running() const { return process_.state() == QProcess::Running; }
  qint64 Pid() const { return process_.processId(); }
  std::string Base() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // The request lines logged so far.
  QStringList Log();

 private:
  QProcess process_;
  int port_ = 0;
  QByteArray log_;
};

// One HTTP exchange over a fresh connection, read to its end.
struct Reply {
  int status = 0;  // 0: no parsable answer
  std::string head;
  std::string body;
  // The value of a response header, "" when absent (names ignore case).
  std::string Header(const std::string& name) const;
};

// A connection to the server from the loopback address source, with timeoutMs on each send
// and receive; -1 when it failed.
int Connect(int port, const std::string& source, int timeoutMs = 5000);
// Sends raw bytes from the loopback address source and reads one answer (at most timeoutMs
// of waiting for it). halfClose ends the sending side at once, for requests the server would
// otherwise wait to see completed.
Reply SendRaw(int port, const std::string& raw, const std::string& source = "127.0.0.1",
              int timeoutMs = 5000, bool halfClose = false);
Reply Get(int port, const std::string& target, const std::string& extraHeaders = "",
          const std::string& source = "127.0.0.1");
Reply PostForm(int port, const std::string& target, const std::string& body,
               const std::string& source = "127.0.0.1");
// application/x-www-form-urlencoded value.
std::string FormEncode(const std::string& value);
