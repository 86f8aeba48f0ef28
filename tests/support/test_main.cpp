#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <cerrno>
#include <cstdio>
#include <string>

namespace {

// The processes whose parent is this one: those a test started, and those they left
// behind (this process adopts them, see main).
QList<pid_t> Children() {
  QList<pid_t> children;
  const QString me = QString::number(getpid());
  for (const QString& pid : QDir("/proc").entryList({"[0-9]*"}, QDir::Dirs)) {
    QFile status("/proc/" + pid + "/status");
    if (!status.open(QIODevice::ReadOnly)) continue;
    for (const QByteArray& line : status.readAll().split('\n'))
      if (line.startsWith("PPid:") && line.mid(5).trimmed() == me.toLatin1())
        children << pid.toInt();
  }
  return children;
}

// Ends every program still running under this one, and what those leave behind in turn.
void EndChildren(const char* when) {
  for (int round = 0; round < 20; ++round) {
    const QList<pid_t> children = Children();
    if (children.isEmpty()) return;
    for (pid_t child : children) {
      QFile name(QString("/proc/%1/cmdline").arg(child));
      if (name.open(QIODevice::ReadOnly))
        std::fprintf(stderr, "%s: ending pid %d, %s\n", when, child,
                     name.readAll().replace('\0', ' ').constData());
      ::kill(child, SIGKILL);
      ::waitpid(child, nullptr, 0);
    }
  }
}

// Every program a test started ends with the test, whether it passed or not.
class EndStartedPrograms : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo& test) override {
    EndChildren((std::string(test.test_suite_name()) + "." + test.name()).c_str());
  }
};

pid_t testsPid = 0;

// The tests run in a child of this process, which adopts whatever the tests leave running;
// once the child has ended, however it ended (a crash included), those programs are ended
// too. Returns in the child only.
void Supervise() {
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  testsPid = fork();
  if (testsPid <= 0) return;
  // A request to stop is passed on; the tests' end is awaited all the same.
  for (int sig : {SIGINT, SIGTERM, SIGHUP}) signal(sig, [](int sig) { ::kill(testsPid, sig); });
  int status = 0;
  while (waitpid(testsPid, &status, 0) < 0 && errno == EINTR) {
  }
  EndChildren("after the tests");
  if (WIFSIGNALED(status)) {
    signal(WTERMSIG(status), SIG_DFL);
    raise(WTERMSIG(status));
  }
  _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 1);
}

}  // namespace

int main(int argc, char** argv) {
  Supervise();
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  // Tests that need an X server skip themselves where there is none.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
      (qgetenv("QT_QPA_PLATFORM") == "xcb" && qEnvironmentVariableIsEmpty("DISPLAY")))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new EndStartedPrograms);
  return RUN_ALL_TESTS();
}
