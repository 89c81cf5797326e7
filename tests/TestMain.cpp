// Shared main of the test programs: a headless application object, so that
// widgets, fonts and painting work as in the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstdlib>

#include "platform/Application.h"

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  InitializePlatform();
  return RUN_ALL_TESTS();
}
