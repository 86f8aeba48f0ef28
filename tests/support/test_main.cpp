#include <gtest/gtest.h>

#include <QApplication>

int main(int argc, char** argv) {
  // Tests that need an X server skip themselves where there is none.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") ||
      (qgetenv("QT_QPA_PLATFORM") == "xcb" && qEnvironmentVariableIsEmpty("DISPLAY")))
    qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
