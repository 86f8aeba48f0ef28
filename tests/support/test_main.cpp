#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QDir>
#include <QFile>
#include <cstdio>
#include <string>

namespace {

// Ends what still runs under this process: the programs a test started and whatever they
// left behind, which this process adopts (see main).
void EndChildren(const std::string& when) {
  for (int round = 0, any = 1; any && round < 20; ++round) {
    any = 0;
    for (const QString& pid : QDir("/proc").entryList({"[0-9]*"}, QDir::Dirs)) {
      QFile file("/proc/" + pid + "/stat");  // "pid (name) state ppid ..."
      const QByteArray stat = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
      const qsizetype nameEnd = stat.lastIndexOf(')');
      if (nameEnd < 0 || stat.mid(nameEnd + 2).split(' ').value(1).toInt() != getpid()) continue;
      std::fprintf(stderr, "%s: ending %s\n", when.c_str(), stat.left(nameEnd + 1).constData());
      ::kill(pid.toInt(), SIGKILL);
      ::waitpid(pid.toInt(), nullptr, 0);
      any = 1;
    }
  }
}

class EndStartedPrograms : public ::testing::EmptyTestEventListener {
  void OnTestEnd(const ::testing::TestInfo& test) override {
    EndChildren(std::string(test.test_suite_name()) + "." + test.name());
  }
};

// The tests run in a child of this process, which ends what they leave running once they
// end, however they end (a crash included). Returns in the child only.
void Supervise() {
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  const pid_t tests = fork();
  if (tests <= 0) return;
  int status = 0;
  waitpid(tests, &status, 0);
  EndChildren("after the tests");
  _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status));
}

}  // namespace

int main(int argc, char** argv) {
  // Every program a test starts ends with the test, whether it passed or not.
  Supervise();
  prctl(PR_SET_CHILD_SUBREAPER, 1);
  // Tests that need an X server skip themselves where there is none.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
      (qgetenv("QT_QPA_PLATFORM") == "xcb" && qEnvironmentVariableIsEmpty("DISPLAY")))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES"}) qunsetenv(name);
  qputenv("LANG", "zh_CN.UTF-8");  // the language of the tests and of the programs they start
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  ::testing::UnitTest::GetInstance()->listeners().Append(new EndStartedPrograms);
  return RUN_ALL_TESTS();
}
