#include "server/server_process.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <algorithm>
#include <cctype>
#include <cstdlib>

ServerProcess::ServerProcess(const QString& content, const QString& board, bool log) {
  QStringList args{"--listen", "127.0.0.1:0", "--board", board};
  if (!log) args << "--quiet";
  if (!content.isEmpty()) args << "--content" << content;
  process_.setProgram(QStringLiteral(SONAVEIL_BINARY_DIR "/server/sonaveil-server"));
  process_.setArguments(args);
  process_.setProcessChannelMode(log ? QProcess::SeparateChannels
                                     : QProcess::ForwardedErrorChannel);
  process_.start();
  if (!process_.waitForStarted(5000)) return;
  QByteArray said;
  while (!said.contains('\n') && process_.waitForReadyRead(5000)) said += process_.readAll();
  const QByteArray marker = "listening on http://127.0.0.1:";
  const qsizetype at = said.indexOf(marker);
  if (at >= 0) port_ = said.mid(at + marker.size()).split('/').first().toInt();
}

QStringList ServerProcess::Log() {
  log_ += process_.readAllStandardError();
  return QString::fromUtf8(log_).split('\n', Qt::SkipEmptyParts);
}

ServerProcess::~ServerProcess() {
  process_.terminate();
  if (!process_.waitForFinished(5000)) process_.kill();
  process_.waitForFinished(2000);
}

std::string Reply::Header(const std::string& name) const {
  const auto lower = [](std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
  };
  const std::string wanted = lower(name) + ":";
  size_t start = head.find("\r\n");
  while (start != std::string::npos && start + 2 < head.size()) {
    start += 2;
    const size_t end = head.find("\r\n", start);
    const std::string line = head.substr(start, end - start);
    if (lower(line.substr(0, wanted.size())) == wanted) {
      size_t value = wanted.size();
      while (value < line.size() && line[value] == ' ') ++value;
      return line.substr(value);
    }
    start = end;
  }
  return "";
}

int Connect(int port, const std::string& source, int timeoutMs) {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) return -1;
  timeval timeout{timeoutMs / 1000, (timeoutMs % 1000) * 1000};
  setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
  sockaddr_in from{};
  from.sin_family = AF_INET;
  inet_pton(AF_INET, source.c_str(), &from.sin_addr);
  sockaddr_in to{};
  to.sin_family = AF_INET;
  to.sin_port = htons(static_cast<uint16_t>(port));
  inet_pton(AF_INET, "127.0.0.1", &to.sin_addr);
  if (bind(fd, reinterpret_cast<sockaddr*>(&from), sizeof from) != 0 ||
      connect(fd, reinterpret_cast<sockaddr*>(&to), sizeof to) != 0) {
    close(fd);
    return -1;
  }
  return fd;
}

Reply SendRaw(int port, const std::string& raw, const std::string& source, int timeoutMs,
              bool halfClose) {
  Reply reply;
  const int fd = Connect(port, source, timeoutMs);
  if (fd < 0) return reply;
  for (size_t sent = 0; sent < raw.size();) {
    const ssize_t n = send(fd, raw.data() + sent, raw.size() - sent, MSG_NOSIGNAL);
    if (n <= 0) break;  // the server may refuse before it has read everything
    sent += static_cast<size_t>(n);
  }
  if (halfClose) shutdown(fd, SHUT_WR);
  // Read until the head and as many body bytes as it announces have come, or the end.
  std::string all;
  char buffer[64 * 1024];
  size_t end = std::string::npos;
  for (ssize_t n; (n = recv(fd, buffer, sizeof buffer, 0)) > 0;) {
    all.append(buffer, n);
    if (end == std::string::npos) {
      end = all.find("\r\n\r\n");
      if (end != std::string::npos) {
        reply.head = all.substr(0, end + 2);
        const std::string length = reply.Header("Content-Length");
        if (length.empty()) continue;
        reply.body.resize(std::strtoull(length.c_str(), nullptr, 10));
      }
    }
    if (end != std::string::npos && !reply.Header("Content-Length").empty() &&
        all.size() - (end + 4) >= reply.body.size())
      break;
  }
  close(fd);
  if (end == std::string::npos || !all.starts_with("HTTP/1.")) return Reply{};
  reply.body = all.substr(end + 4);
  reply.status = std::atoi(all.c_str() + all.find(' ') + 1);
  return reply;
}

Reply Get(int port, const std::string& target, const std::string& extraHeaders,
          const std::string& source) {
  return SendRaw(port,
                 "GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) + "\r\n" +
                     extraHeaders + "Connection: close\r\n\r\n",
                 source);
}

Reply PostForm(int port, const std::string& target, const std::string& body,
               const std::string& source) {
  return SendRaw(port,
                 "POST " + target + " HTTP/1.1\r\nHost: 127.0.0.1:" + std::to_string(port) +
                     "\r\nContent-Type: application/x-www-form-urlencoded\r\nContent-Length: " +
                     std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" + body,
                 source);
}

std::string FormEncode(const std::string& value) {
  static const char hex[] = "0123456789ABCDEF";
  std::string out;
  for (const unsigned char c : value) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.' || c == '~') {
      out += static_cast<char>(c);
    } else {
      out += '%';
      out += hex[c >> 4];
      out += hex[c & 15];
    }
  }
  return out;
}
