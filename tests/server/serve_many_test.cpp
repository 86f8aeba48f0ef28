// Many listeners: server/deploy/serve-many as a user runs it (PostgreSQL, two instances and
// nginx on loopback), and what the listeners see through it.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <atomic>
#include <set>
#include <thread>

#include "server/server_process.h"
#include "support/test_env.h"

namespace {

// PostgreSQL does not run as root: run as root, the script has it run as nobody.
QStringList AsOrdinaryUser(QStringList command) {
  if (getuid() == 0)
    command = QStringList{"setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", "--"} +
              command;
  return command;
}

int Run(const QStringList& command, QByteArray* out = nullptr) {
  QProcess process;
  process.start(command.first(), command.mid(1));
  if (!process.waitForFinished(120000)) return -1;
  if (out) *out = process.readAllStandardOutput();
  return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

int FreePort() {
  const int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t size = sizeof address;
  bind(fd, reinterpret_cast<sockaddr*>(&address), size);
  getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size);
  close(fd);
  return ntohs(address.sin_port);
}

std::string Forwarded(int n) {
  return "X-Forwarded-For: 198.51." + std::to_string(n / 256 % 256) + "." +
         std::to_string(n % 256) + "\r\n";
}

Reply Post(int port, const std::string& content, const std::string& headers,
           const std::string& source = "127.0.0.1") {
  const std::string body = "name=t&content=" + FormEncode(content);
  return SendRaw(port,
                 "POST /note/ HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                 "application/x-www-form-urlencoded\r\nContent-Length: " +
                     std::to_string(body.size()) + "\r\n" + headers + "Connection: close\r\n\r\n" +
                     body,
                 source);
}

// The script, started on a free port with a state folder of the test's own; what it says.
class ServeMany {
 public:
  ServeMany() {
    nginx_ = FreePort();
    script_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    const QStringList command =
        QStringList({"bash", SONAVEIL_SOURCE_DIR "/server/deploy/serve-many", "--listen",
                     "127.0.0.1:" + QString::number(nginx_), "--build", SONAVEIL_BINARY_DIR,
                     "--state", state_.path(), "--quiet"});
    script_.start(command.first(), command.mid(1));
    while (!said_.contains("Ctrl+C") && script_.waitForReadyRead(120000))
      said_ += QString::fromUtf8(script_.readAllStandardOutput());
    const QRegularExpression instance("instance http://127.0.0.1:(\\d+)/ \\(pid (\\d+)");
    for (auto match = instance.globalMatch(said_); match.hasNext();) {
      const auto m = match.next();
      instances_.push_back({m.captured(1).toInt(), m.captured(2).toInt()});
    }
    const auto db =
        QRegularExpression("database (\\S+) \\(cluster (\\S+) -D (\\S+)\\)").match(said_);
    database_ = db.captured(1);
    pgCtl_ = db.captured(2);
    cluster_ = db.captured(3);
  }
  bool Serving() const { return said_.contains("serving on") && instances_.size() == 2; }
  // Ends it as Ctrl+C does; its exit status.
  int Interrupt() {
    ::kill(static_cast<pid_t>(script_.processId()), SIGINT);
    return script_.waitForFinished(60000) ? script_.exitCode() : -1;
  }
  int Database(const char* action) {
    return Run(AsOrdinaryUser({pgCtl_, "-D", cluster_, "-m", "immediate", "-w", "-l",
                               QFileInfo(cluster_).dir().filePath("postgres.log"), action}));
  }
  std::set<std::string> StoredContents() {
    QByteArray out;
    Run({QFileInfo(pgCtl_).dir().filePath("psql"), "-XAt", database_, "-c",
         "SELECT content FROM messages"},
        &out);
    std::set<std::string> contents;
    for (const QByteArray& line : out.split('\n')) contents.insert(line.toStdString());
    return contents;
  }

  QTemporaryDir state_;
  QProcess script_;
  QString said_, database_, pgCtl_, cluster_;
  int nginx_ = 0;
  struct Instance {
    int port, pid;
  };
  std::vector<Instance> instances_;
};

TEST(ServeMany, TwoInstancesBehindNginxShareOneDatabaseAndTheClientsAddresses) {
  ServeMany many;
  ASSERT_TRUE(many.Serving()) << many.said_.toStdString();
  const int nginx = many.nginx_;
  const auto count = [&](int client, int port, const std::string& source = "127.0.0.1") {
    return std::atoi(
        Get(port, "/sonaveil/count1/active.asp", Forwarded(client), source).body.c_str());
  };
  // Each listener counted once, whichever instance nginx gave it to.
  for (int client = 0; client < 200; ++client)
    ASSERT_EQ(Get(nginx, "/sonaveil/count1/active.asp", Forwarded(client)).status, 200);
  EXPECT_TRUE(WaitUntil([&] { return count(7, nginx) == 200; }, 30000)) << count(7, nginx);

  // A post on one instance is on the other's board, and stays there with the first one gone.
  const int first = many.instances_[0].port, second = many.instances_[1].port;
  ASSERT_EQ(Post(first, "posted-on-one", Forwarded(900)).status, 303);
  EXPECT_NE(Get(second, "/note/").body.find("posted-on-one"), std::string::npos);
  ASSERT_EQ(::kill(many.instances_[0].pid, SIGKILL), 0);
  for (int i = 0; i < 10; ++i) {
    const Reply board = Get(nginx, "/note/");
    EXPECT_EQ(board.status, 200);
    EXPECT_NE(board.body.find("posted-on-one"), std::string::npos);
  }

  // From an untrusted peer, X-Forwarded-For is not taken: its posts are limited as one
  // client's, and it is counted as itself, once.
  std::vector<int> statuses;
  for (int i = 0; i < 6; ++i)
    statuses.push_back(Post(second, "untrusted", Forwarded(1000 + i), "127.0.0.2").status);
  EXPECT_EQ(statuses, (std::vector<int>{303, 303, 303, 303, 303, 429}));
  for (int i = 0; i < 3; ++i) count(2000 + i, second, "127.0.0.2");
  EXPECT_TRUE(WaitUntil([&] { return count(3000, nginx) >= 202; }, 30000));
  EXPECT_EQ(count(3000, nginx), 202);  // the 200, 127.0.0.2, and this one

  // The database stopped while posts arrive: each post is stored or refused, never said stored
  // and then missing.
  std::atomic<int> stored = 0, refused = 0, other = 0;
  std::atomic<bool> stop = false;
  std::vector<std::string> storedContents;
  std::thread poster([&] {
    for (int n = 0; !stop; ++n) {
      const std::string content = "outage-" + std::to_string(n);
      const int status = Post(nginx, content, Forwarded(5000 + n)).status;
      if (status == 303) storedContents.push_back(content);
      (status == 303 ? stored : status == 503 ? refused : other)++;
    }
  });
  EXPECT_TRUE(WaitUntil([&] { return stored >= 5; }, 30000));
  EXPECT_EQ(many.Database("stop"), 0);
  const int storedBefore = stored;
  EXPECT_TRUE(WaitUntil([&] { return refused >= 5; }, 30000));
  EXPECT_EQ(many.Database("start"), 0);
  EXPECT_TRUE(WaitUntil([&] { return stored >= storedBefore + 5; }, 30000));
  stop = true;
  poster.join();
  EXPECT_EQ(other, 0);
  const std::set<std::string> kept = many.StoredContents();
  for (const std::string& content : storedContents) EXPECT_TRUE(kept.contains(content)) << content;
  std::printf("posts through the outage: %d stored (all found), %d refused 503\n", stored.load(),
              refused.load());

  EXPECT_EQ(many.Interrupt(), 0);
  EXPECT_LT(Connect(nginx, "127.0.0.1"), 0);
  EXPECT_LT(Connect(second, "127.0.0.1"), 0);
}

}  // namespace
