#include "web/file_transfer.h"

#include <curl/curl.h>
#include <openssl/ssl.h>

#include <QCoreApplication>
#include <QLocale>
#include <QPointer>
#include <QSocketNotifier>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <climits>
#include <map>

namespace {

constexpr long kMaxRedirects = 20;
// Answers with a 1xx status before the real one: a server needs one or two.
constexpr int kMaxInterimAnswers = 8;
// One answer's head; larger is no file server's.
constexpr qint64 kMaxHeadBytes = 64 * 1024;
constexpr long kLowSpeedBytesPerSecond = 1024;
// What libcurl reads at a time: larger pieces cost fewer calls on a fast connection.
constexpr long kBufferBytes = 128 * 1024;

bool IsSuccess(int status) { return status >= 200 && status <= 299; }

// Stops a timer or a socket's watch now, and deletes it once the event that may be reporting
// it has returned.
void Drop(QSocketNotifier*& notifier) {
  if (!notifier) return;
  notifier->setEnabled(false);
  notifier->deleteLater();
  notifier = nullptr;
}
void Drop(QTimer* timer) {
  timer->stop();
  timer->deleteLater();
}

}  // namespace

struct FileTransfer::State {
  State(FileTransfer* owner, const Limits& limits, Sink sink)
      : owner(owner),
        limits(limits),
        sink(std::move(sink)),
        wake(new QTimer(owner)),
        stall(new QTimer(owner)) {
    wake->setSingleShot(true);
    stall->setSingleShot(true);
    stall->setInterval(limits.stallTimeoutMs);
  }
  ~State() { Stop(); }

  bool Configure(const QUrl& url);
  void Stop();
  // Ends the transfer for a reason of ours; what a libcurl callback returns to stop it.
  size_t Refuse(const QString& why) {
    if (refusal.isEmpty()) refusal = why;
    return 0;
  }
  bool EndOfHead();
  Result Outcome(CURLcode code) const;
  void Watch(QSocketNotifier*& notifier, curl_socket_t socket, QSocketNotifier::Type type, bool on);

  static size_t OnHeader(char* data, size_t, size_t length, void* user);
  static size_t OnBody(char* data, size_t, size_t length, void* user);
  static int OnSocket(CURL*, curl_socket_t socket, int what, void* user, void*);
  static int OnTimer(CURLM*, long ms, void* user);
  static CURLcode OnTlsContext(CURL*, void* context, void* user);
  static void OnTlsEvent(const SSL* tls, int where, int alert);

  FileTransfer* owner;
  Limits limits;
  Sink sink;
  CURLM* multi = nullptr;
  CURL* easy = nullptr;
  curl_slist* headers = nullptr;
  struct Watches {
    QSocketNotifier* read = nullptr;
    QSocketNotifier* write = nullptr;
  };
  std::map<curl_socket_t, Watches> sockets;
  QTimer* wake;   // when libcurl asked to be called again
  QTimer* stall;  // no byte for the stall time
  // The answer now arriving: interim answers and redirects come before the file's own.
  int status = 0;
  int interim = 0;
  qint64 headBytes = 0;
  bool lengthAnnounced = false;
  bool redirected = false;
  bool closeNotified = false;  // TLS said the server has sent all it will
  QByteArray codings, encoding, contentType;
  QString refusal;
  char error[CURL_ERROR_SIZE] = {};
  qint64 received = 0;
  qint64 reported = 0;
};

bool FileTransfer::State::Configure(const QUrl& url) {
  multi = curl_multi_init();
  easy = curl_easy_init();
  // The bytes as the server holds them, and from the server itself, not a cache.
  headers = curl_slist_append(headers, "Accept-Encoding: identity");
  headers = curl_slist_append(headers, "Cache-Control: no-cache");
  if (!multi || !easy || !headers) return false;
  const bool tls = url.scheme().toLower() == "https";
  curl_easy_setopt(easy, CURLOPT_URL, url.toEncoded().constData());
  curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
  // Never from HTTPS down to plain HTTP.
  curl_easy_setopt(easy, CURLOPT_REDIR_PROTOCOLS_STR, tls ? "https" : "http,https");
  curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 1L);
  curl_easy_setopt(easy, CURLOPT_MAXREDIRS, kMaxRedirects);
  curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
  curl_easy_setopt(easy, CURLOPT_USERAGENT, "Sonaveil/4.0");
  curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
  // One file gains nothing from HTTP/2, and HTTP/1.1 keeps the framing below plain.
  curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1);
  curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS, long(limits.stallTimeoutMs));
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, kLowSpeedBytesPerSecond);
  curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, std::max(1L, 2L * limits.stallTimeoutMs / 1000));
  curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, curl_off_t(limits.maxBytes));
  curl_easy_setopt(easy, CURLOPT_BUFFERSIZE, kBufferBytes);
  curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, error);
  curl_easy_setopt(easy, CURLOPT_SUPPRESS_CONNECT_HEADERS, 1L);
  curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &State::OnHeader);
  curl_easy_setopt(easy, CURLOPT_HEADERDATA, this);
  curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &State::OnBody);
  curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
  curl_easy_setopt(easy, CURLOPT_SSL_CTX_FUNCTION, &State::OnTlsContext);
  curl_easy_setopt(easy, CURLOPT_SSL_CTX_DATA, this);
  const QByteArray authorities = qgetenv("SSL_CERT_FILE");
  if (!authorities.isEmpty()) curl_easy_setopt(easy, CURLOPT_CAINFO, authorities.constData());
  curl_multi_setopt(multi, CURLMOPT_SOCKETFUNCTION, &State::OnSocket);
  curl_multi_setopt(multi, CURLMOPT_SOCKETDATA, this);
  curl_multi_setopt(multi, CURLMOPT_TIMERFUNCTION, &State::OnTimer);
  curl_multi_setopt(multi, CURLMOPT_TIMERDATA, this);
  return curl_multi_add_handle(multi, easy) == CURLM_OK;
}

void FileTransfer::State::Stop() {
  if (multi && easy) curl_multi_remove_handle(multi, easy);
  curl_easy_cleanup(easy);
  curl_multi_cleanup(multi);
  curl_slist_free_all(headers);
  easy = multi = nullptr;
  headers = nullptr;
  for (auto& [socket, watches] : sockets) {
    Drop(watches.read);
    Drop(watches.write);
  }
  sockets.clear();
  if (wake) Drop(wake);
  if (stall) Drop(stall);
  wake = stall = nullptr;
}

size_t FileTransfer::State::OnHeader(char* data, size_t, size_t length, void* user) {
  auto* s = static_cast<State*>(user);
  s->stall->start();
  const QByteArray line = QByteArray(data, qsizetype(length)).trimmed();
  if (line.startsWith("HTTP/")) {  // the status line of the next answer
    s->status = line.split(' ').value(1).toInt();
    s->headBytes = 0;
    s->lengthAnnounced = s->redirected = s->closeNotified = false;
    s->codings.clear();
    s->encoding.clear();
    s->contentType.clear();
    if (s->status / 100 == 1 && ++s->interim > kMaxInterimAnswers)
      return s->Refuse(
          QCoreApplication::translate("FileTransfer", "服务器在回答之前发来了超过 %1 个临时回答")
              .arg(kMaxInterimAnswers));
  }
  s->headBytes += qint64(length);
  if (s->headBytes > kMaxHeadBytes)
    return s->Refuse(QCoreApplication::translate("FileTransfer", "服务器回答的头部超过了 64 KB"));
  if (line.isEmpty()) return s->EndOfHead() ? length : 0;
  const qsizetype colon = line.indexOf(':');
  const QByteArray name = line.left(colon).trimmed().toLower();
  const QByteArray value = line.mid(colon + 1).trimmed();
  if (name == "transfer-encoding") s->codings = value.toLower();
  if (name == "content-encoding") s->encoding = value.toLower();
  if (name == "content-type") s->contentType = value;
  if (name == "content-length") s->lengthAnnounced = true;
  if (name == "location") s->redirected = !value.isEmpty();
  return length;
}

bool FileTransfer::State::EndOfHead() {
  if (status / 100 == 1 || (status / 100 == 3 && redirected)) return true;  // more follows
  if (!IsSuccess(status))
    return Refuse(QCoreApplication::translate("FileTransfer", "服务器回答 HTTP %1").arg(status));
  // Chunks are the one coding that libcurl takes off: any other would leave bytes that are
  // not the file's.
  if (!codings.isEmpty() && codings != "chunked")
    return Refuse(QCoreApplication::translate("FileTransfer",
                                              "服务器发来的内容经过了编码（%1），不是文件本身")
                      .arg(QString::fromLatin1(codings)));
  if (!encoding.isEmpty() && encoding != "identity")
    return Refuse(QCoreApplication::translate("FileTransfer",
                                              "服务器发来的内容经过了压缩（%1），不是文件本身")
                      .arg(QString::fromLatin1(encoding)));
  if (limits.requireAnnouncedEnd && !lengthAnnounced && codings != "chunked")
    return Refuse(QCoreApplication::translate("FileTransfer",
                                              "服务器没有说明文件有多长，无法确认文件是完整的"));
  return true;
}

size_t FileTransfer::State::OnBody(char* data, size_t, size_t length, void* user) {
  auto* s = static_cast<State*>(user);
  s->stall->start();
  if (s->received + qint64(length) > s->limits.maxBytes)
    return s->Refuse(QCoreApplication::translate("FileTransfer", "文件超过了 %1 的上限")
                         .arg(QLocale::c().formattedDataSize(s->limits.maxBytes, 1)));
  if (!s->sink(data, qint64(length)))
    return s->Refuse(QCoreApplication::translate("FileTransfer", "无法写入文件"));
  s->received += qint64(length);
  return length;
}

int FileTransfer::State::OnSocket(CURL*, curl_socket_t socket, int what, void* user, void*) {
  auto* s = static_cast<State*>(user);
  Watches& watches = s->sockets[socket];
  s->Watch(watches.read, socket, QSocketNotifier::Read,
           what == CURL_POLL_IN || what == CURL_POLL_INOUT);
  s->Watch(watches.write, socket, QSocketNotifier::Write,
           what == CURL_POLL_OUT || what == CURL_POLL_INOUT);
  if (what == CURL_POLL_REMOVE) s->sockets.erase(socket);
  return 0;
}

void FileTransfer::State::Watch(QSocketNotifier*& notifier, curl_socket_t socket,
                                QSocketNotifier::Type type, bool on) {
  if (!on) {
    Drop(notifier);
  } else if (!notifier) {
    notifier = new QSocketNotifier(socket, type, owner);
    const int events = type == QSocketNotifier::Read ? CURL_CSELECT_IN : CURL_CSELECT_OUT;
    QObject::connect(notifier, &QSocketNotifier::activated, owner,
                     [transfer = owner, socket, events] { transfer->Act(socket, events); });
  }
}

int FileTransfer::State::OnTimer(CURLM*, long ms, void* user) {
  auto* s = static_cast<State*>(user);
  if (ms < 0)
    s->wake->stop();
  else
    s->wake->start(int(std::min<long>(ms, INT_MAX)));
  return 0;
}

// Where each TLS context of a transfer keeps the transfer's state.
int TlsStateIndex() {
  static const int index = SSL_CTX_get_ex_new_index(0, nullptr, nullptr, nullptr, nullptr);
  return index;
}

CURLcode FileTransfer::State::OnTlsContext(CURL*, void* context, void* user) {
  SSL_CTX_set_ex_data(static_cast<SSL_CTX*>(context), TlsStateIndex(), user);
  SSL_CTX_set_info_callback(static_cast<SSL_CTX*>(context), &State::OnTlsEvent);
  return CURLE_OK;
}

void FileTransfer::State::OnTlsEvent(const SSL* tls, int where, int alert) {
  if (where != SSL_CB_READ_ALERT || (alert & 0xff) != SSL_AD_CLOSE_NOTIFY) return;
  auto* s = static_cast<State*>(SSL_CTX_get_ex_data(SSL_get_SSL_CTX(tls), TlsStateIndex()));
  if (s) s->closeNotified = true;
}

FileTransfer::Result FileTransfer::State::Outcome(CURLcode code) const {
  const char* scheme = nullptr;
  curl_easy_getinfo(easy, CURLINFO_SCHEME, &scheme);
  // libcurl takes a TLS stream that TCP closed before TLS said it was done as a clean end:
  // for a body that only the close ends, that is how a cut one looks.
  const bool cut = scheme && qstricmp(scheme, "https") == 0 && !lengthAnnounced &&
                   codings != "chunked" && !closeNotified;
  Result result{.contentType = contentType};
  if (!refusal.isEmpty())
    result.error = refusal;
  else if (code != CURLE_OK)
    result.error = QString::fromUtf8(error[0] ? error : curl_easy_strerror(code));
  else if (!IsSuccess(status))
    result.error = QCoreApplication::translate("FileTransfer", "服务器回答 HTTP %1").arg(status);
  else if (cut)
    result.error = QCoreApplication::translate(
        "FileTransfer", "TLS 连接没有正常结束（没有 close_notify），文件可能不完整");
  else
    result.whole = true;
  return result;
}

FileTransfer::FileTransfer(QObject* parent) : QObject(parent) {}

FileTransfer::~FileTransfer() { Abort(); }

std::optional<FileTransfer::Refusal> FileTransfer::Start(const QString& address,
                                                         const Limits& limits, Sink sink) {
  Abort();
  const QUrl url(address, QUrl::StrictMode);
  const QString scheme = url.scheme().toLower();
  if (!url.isValid() || url.host().isEmpty() || (scheme != "http" && scheme != "https")) {
    if (url.isValid() && !scheme.isEmpty())
      return Refusal{
          CURLE_UNSUPPORTED_PROTOCOL,
          QCoreApplication::translate("FileTransfer", "不支持的协议 %1: %2").arg(scheme, address)};
    return Refusal{CURLE_URL_MALFORMAT,
                   QCoreApplication::translate("FileTransfer", "无效的地址: ") + address};
  }
  static const CURLcode started = curl_global_init(CURL_GLOBAL_DEFAULT);
  state_ = std::make_unique<State>(this, limits, std::move(sink));
  connect(state_->wake, &QTimer::timeout, this, [this] { Act(CURL_SOCKET_TIMEOUT, 0); });
  connect(state_->stall, &QTimer::timeout, this, [this] {
    Fail(state_->refusal.isEmpty()
             ? QCoreApplication::translate("FileTransfer", "超过 %1 秒没有收到任何数据")
                   .arg(state_->limits.stallTimeoutMs / 1000.0)
             : state_->refusal);
  });
  // A transfer libcurl cannot even begin is reported from the event loop, as every other is.
  if (started != CURLE_OK || !state_->Configure(url)) {
    state_->refusal = QCoreApplication::translate("FileTransfer", "无法开始下载（libcurl）");
    state_->stall->start(0);
  } else {
    state_->stall->start();
  }
  return std::nullopt;
}

void FileTransfer::Abort() { state_.reset(); }

void FileTransfer::Act(int socket, int events) {
  if (!state_) return;
  int running = 0;
  curl_multi_socket_action(state_->multi, socket, events, &running);
  Report();
}

void FileTransfer::Report() {
  if (state_->received != state_->reported) {
    state_->reported = state_->received;
    curl_off_t announced = -1;
    curl_easy_getinfo(state_->easy, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced);
    QPointer<FileTransfer> alive(this);
    emit Progress(state_->received, qint64(announced));
    if (!alive || !state_) return;  // stopped by whoever heard it
  }
  int left = 0;
  CURLMsg* message = nullptr;
  do {
    message = curl_multi_info_read(state_->multi, &left);
  } while (message && message->msg != CURLMSG_DONE);
  if (message) {
    const Result result = state_->Outcome(message->data.result);
    Abort();
    emit Finished(result);
  }
}

void FileTransfer::Fail(const QString& error) {
  Abort();
  emit Finished({.error = error});
}
