// Downloads one large file over loopback with Downloader and with curl from the same server
// in the same run, and reports both throughputs and how far the process's resident memory
// rose while Downloader ran.
//
//   download_bench [megabytes=200] [rounds=3]

#include <netinet/in.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "download/downloader.h"

namespace {

// Answers every connection with size bytes of a fixed pattern, one connection at a time.
[[noreturn]] void Serve(int listener, qint64 size) {
  std::vector<char> block(1 << 20);
  for (size_t i = 0; i < block.size(); ++i) block[i] = static_cast<char>(i * 131 + i / 977);
  for (;;) {
    const int client = accept(listener, nullptr, nullptr);
    if (client < 0) continue;
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos) {
      const ssize_t n = read(client, buffer, sizeof buffer);
      if (n <= 0) break;
      request.append(buffer, n);
    }
    const std::string head = "HTTP/1.1 200 OK\r\nContent-Type: audio/x-ms-wma\r\nContent-Length: " +
                             std::to_string(size) + "\r\nConnection: close\r\n\r\n";
    bool ok = write(client, head.data(), head.size()) == static_cast<ssize_t>(head.size());
    for (qint64 sent = 0; ok && sent < size;) {
      const size_t want = static_cast<size_t>(std::min<qint64>(block.size(), size - sent));
      const ssize_t n = write(client, block.data(), want);
      ok = n > 0;
      sent += n;
    }
    close(client);
  }
}

// A field of /proc/self/status in KiB.
long StatusKib(const char* field) {
  QFile status("/proc/self/status");
  if (!status.open(QIODevice::ReadOnly)) return -1;
  for (const QByteArray& line : status.readAll().split('\n'))
    if (line.startsWith(field))
      return line.mid(std::strlen(field)).trimmed().split(' ')[0].toLong();
  return -1;
}

QByteArray Digest(const QString& path) {
  QFile file(path);
  QCryptographicHash hash(QCryptographicHash::Sha1);
  if (file.open(QIODevice::ReadOnly)) hash.addData(&file);
  return hash.result().toHex();
}

// CPU seconds (user + system) used so far by who: this process, or its ended children.
double CpuSeconds(int who) {
  rusage usage{};
  getrusage(who, &usage);
  return usage.ru_utime.tv_sec + usage.ru_stime.tv_sec +
         (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  const qint64 megabytes = argc > 1 ? std::atoll(argv[1]) : 200;
  const int rounds = argc > 2 ? std::atoi(argv[2]) : 3;
  const qint64 size = megabytes * 1000 * 1000;

  // The server is a process of its own, so its memory does not count as ours.
  const int listener = socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 8) != 0 ||
      getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
    std::perror("listen");
    return 1;
  }
  const pid_t server = fork();
  if (server == 0) Serve(listener, size);
  close(listener);

  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  const QString url = QString("http://127.0.0.1:%1/song.wma").arg(ntohs(address.sin_port));
  QTemporaryDir folder(QDir::currentPath() + "/download-bench-XXXXXX");
  const QString curlFile = folder.filePath("curl.wma");
  const QString ourFile = folder.filePath("sonaveil.wma");

  Downloader control;
  control.resize(176, 16);
  QEventLoop loop;
  qint64 completed = -1;
  // When the last byte was handed to the file, before the file is made durable and renamed.
  QElapsedTimer clock;
  double lastByteSeconds = 0;
  QObject::connect(&control, &Downloader::DownloadProgress,
                   [&](qint64 bytes, qint64 total, const QString&) {
                     if (bytes == total) lastByteSeconds = clock.nsecsElapsed() / 1e9;
                   });
  QObject::connect(&control, &Downloader::DownloadComplete, [&](qint64 bytes, const QString&) {
    completed = bytes;
    loop.quit();
  });

  std::vector<double> curlRates, ourRates, ratios, curlCpu, ourCpu, durableCurlRates,
      lastByteRates;
  const long rssBefore = StatusKib("VmRSS:");
  long peak = 0;
  for (int round = 0; round < rounds; ++round) {
    QFile::remove(curlFile);
    double cpu = CpuSeconds(RUSAGE_CHILDREN);
    clock.start();
    const int curlExit = QProcess::execute("curl", {"-s", "-o", curlFile, url});
    const double curlSeconds = clock.nsecsElapsed() / 1e9;
    if (curlExit != 0 || QFile(curlFile).size() != size) {
      std::fprintf(stderr, "curl failed (exit %d)\n", curlExit);
      return 1;
    }
    curlRates.push_back(size / 1e6 / curlSeconds);
    curlCpu.push_back(CpuSeconds(RUSAGE_CHILDREN) - cpu);
    // The same download made durable, as ours is before it replaces the target.
    QFile::remove(curlFile);
    clock.restart();
    QProcess::execute("sh", {"-c", "curl -s -o \"$0\" \"$1\" && sync -d \"$0\"", curlFile, url});
    durableCurlRates.push_back(size / 1e6 / (clock.nsecsElapsed() / 1e9));

    QFile::remove(ourFile);
    {
      QFile reset("/proc/self/clear_refs");
      if (reset.open(QIODevice::WriteOnly)) reset.write("5");
    }
    // The peak is measured afresh for each round.
    const long roundStart = StatusKib("VmRSS:");
    completed = -1;
    cpu = CpuSeconds(RUSAGE_SELF);
    clock.restart();
    control.BeginDownload(url, ourFile);
    loop.exec();
    const double ourSeconds = clock.nsecsElapsed() / 1e9;
    if (completed != size || QFile(ourFile).size() != size) {
      std::fprintf(stderr, "Downloader failed (%lld bytes)\n", static_cast<long long>(completed));
      return 1;
    }
    ourRates.push_back(size / 1e6 / ourSeconds);
    lastByteRates.push_back(size / 1e6 / lastByteSeconds);
    ourCpu.push_back(CpuSeconds(RUSAGE_SELF) - cpu);
    const long roundPeak = StatusKib("VmHWM:");
    peak = std::max(peak, roundPeak);
    ratios.push_back(ourRates.back() / curlRates.back());
    std::printf(
        "round %d: curl %.0f MB/s (%.2f s CPU; %.0f MB/s synced), Downloader %.0f MB/s (last "
        "byte written at %.0f MB/s; %.2f s CPU, resident %.1f MiB at start, peak %.1f MiB)\n",
        round + 1, curlRates.back(), curlCpu.back(), durableCurlRates.back(), ourRates.back(),
        lastByteRates.back(), ourCpu.back(), roundStart / 1024.0, roundPeak / 1024.0);
  }
  const bool same = Digest(curlFile) == Digest(ourFile);

  kill(server, SIGTERM);
  waitpid(server, nullptr, 0);

  const double curlRate = Median(curlRates), ourRate = Median(ourRates);
  std::printf("file: %lld MB, identical to curl's: %s\n", static_cast<long long>(megabytes),
              same ? "yes" : "NO");
  std::printf("median of %d rounds: curl %.0f MB/s, Downloader %.0f MB/s, ratio %.2f\n", rounds,
              curlRate, ourRate, Median(ratios));
  std::printf("medians, made durable: curl + sync -d %.0f MB/s, Downloader %.0f MB/s, ratio %.2f\n",
              Median(durableCurlRates), ourRate, ourRate / Median(durableCurlRates));
  std::printf("median to the last byte written (before the sync and rename): %.0f MB/s, "
              "%.2f x curl\n",
              Median(lastByteRates), Median(lastByteRates) / curlRate);
  std::printf("median CPU per download: curl %.2f s, Downloader %.2f s\n", Median(curlCpu),
              Median(ourCpu));
  std::printf("resident memory: %.1f MiB before, peak %.1f MiB, growth %.1f MiB\n",
              rssBefore / 1024.0, peak / 1024.0, (peak - rssBefore) / 1024.0);
  return same ? 0 : 1;
}
