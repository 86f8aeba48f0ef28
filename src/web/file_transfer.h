#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

// One HTTP or HTTPS GET of a file on libcurl's multi interface, driven by the event loop of
// the thread that starts it: nothing waits, and libcurl is called only between other events.
// The body goes to a sink as it arrives; Finished then says once whether it came whole.
//
// Whole means: a 2xx answer whose body met its Content-Length, reached a chunked body's last
// chunk, or (unless an announced end is required) ended with a clean close of the connection
// (a reset, or TLS closed without its close_notify, cuts it). Proxies come from the
// environment (http_proxy, https_proxy, no_proxy); SSL_CERT_FILE, when set, names the
// authorities trusted instead of the system's.
class FileTransfer : public QObject {
  Q_OBJECT

 public:
  struct Limits {
    // No byte for this long, connecting included, ends the transfer; so does less than 1 KiB
    // a second over twice this time, so that a server dribbling a byte now and then is
    // given up too.
    int stallTimeoutMs = 15000;
    // A larger body is refused, announced or not.
    qint64 maxBytes = qint64(512) * 1024 * 1024;
    // Only a body whose end the server announced (a length, or chunks) counts as whole.
    bool requireAnnouncedEnd = false;
  };
  struct Result {
    bool whole = false;
    QString error;  // why not
    QByteArray contentType;
  };
  // An address no transfer is started for: libcurl's number for the fault, and what it is.
  struct Refusal {
    int number;
    QString description;
  };
  // Keeps the next bytes of the body; false when they cannot be kept, which ends the transfer.
  using Sink = std::function<bool(const char* data, qint64 size)>;

  explicit FileTransfer(QObject* parent = nullptr);
  ~FileTransfer() override;

  // Starts fetching address, after stopping a transfer still running. An address that is not
  // an http or https URL with a host is refused, and nothing follows.
  std::optional<Refusal> Start(const QString& address, const Limits& limits, Sink sink);
  // Stops the transfer; nothing follows.
  void Abort();
  bool Running() const { return state_ != nullptr; }

 signals:
  // More of the body has arrived; announced is its Content-Length, or -1.
  void Progress(qint64 received, qint64 announced);
  void Finished(const FileTransfer::Result& result);

 private:
  struct State;
  // Runs libcurl on what is ready, then reports what came of it.
  void Act(int socket, int events);
  void Report();
  void Fail(const QString& error);

  std::unique_ptr<State> state_;
};
