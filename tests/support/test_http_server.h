#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QTcpServer>

// How the test server answers one path.
struct TestRoute {
  int status = 200;
  QByteArray body;
  QByteArray contentType = "text/html";  // sent as given, charset and all; empty sends none
  int delayMs = 0;                       // wait before answering
  bool neverAnswer = false;              // read the request, then stay silent
  bool chunked = false;                  // Transfer-Encoding: chunked, in pieces of chunkBytes
  int chunkBytes = 16;
  int chunkDelayMs = 0;  // pause between pieces
  QByteArray location;   // Location header (for redirects)
  QByteArray headers;    // more header lines, each ending in CRLF
  // With Content-Length: the body goes out in pieces that end at these offsets, pauseMs
  // apart, then the rest.
  QList<qint64> pauseAfterBytes;
  int pauseMs = 0;
  // Closes the connection once this much of the body is out, whatever the headers promised.
  qint64 dropAfterBytes = -1;
  bool noLength = false;  // neither Content-Length nor chunked: the close ends the body
  bool reset = false;     // the connection ends with a reset instead of a clean close
  bool cutTls = false;    // TLS: TCP closes cleanly, but without TLS's close_notify
  QByteArray before;      // sent ahead of the head (interim answers, say)
};

// Hands out every connection as a QSslSocket, which speaks plain TCP until told otherwise.
class TlsCapableServer : public QTcpServer {
 protected:
  void incomingConnection(qintptr descriptor) override;
};

// An HTTP/1.1 server on loopback for the tests, running on the test's own event loop.
// Paths are matched without their query; unknown paths get 404. It also answers as a proxy
// would: requests that name a whole URL are served from their path, and a CONNECT opens a
// tunnel to this server itself.
class TestHttpServer : public QObject {
  Q_OBJECT

 public:
  // kDirect speaks TLS from the first byte; kAfterConnect once a CONNECT has opened a tunnel.
  enum class Tls { kNone, kDirect, kAfterConnect };
  explicit TestHttpServer(Tls tls = Tls::kNone);

  quint16 Port() const { return server_.serverPort(); }
  // "http://127.0.0.1:<port>" (https with TLS) followed by path.
  QString Url(const QString& path) const;
  // The self-signed certificate that the TLS servers show, made once per test program.
  static QString CertificateFile();
  void Route(const QString& path, const TestRoute& route);
  // The request targets (path and query, or what a CONNECT named) in the order they arrived.
  QStringList Requests() const { return requests_; }

 private:
  void Serve(class QTcpSocket* socket, const TestRoute& route);

  TlsCapableServer server_;
  Tls tls_;
  QHash<QString, TestRoute> routes_;
  QStringList requests_;
};
