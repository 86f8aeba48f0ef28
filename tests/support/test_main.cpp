#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>

int main(int argc, char** argv) {
  // Tests that need an X server skip themselves where there is none.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
      (qgetenv("QT_QPA_PLATFORM") == "xcb" && qEnvironmentVariableIsEmpty("DISPLAY")))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  // The message board's web engine: shared GL contexts before the application exists, and
  // no sandbox for root.
  QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
  if (geteuid() == 0 && qEnvironmentVariableIsEmpty("QTWEBENGINE_DISABLE_SANDBOX"))
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
