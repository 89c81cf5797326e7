// Shared main of the test programs: a headless application object, so that
// widgets, fonts and painting work as in the program.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <cstdlib>

#include "platform/Application.h"
#include "platform/Registry.h"
#include "report/Singletons.h"

int main(int argc, char** argv) {
  if (!std::getenv("QT_QPA_PLATFORM")) setenv("QT_QPA_PLATFORM", "offscreen", 1);
  ::testing::InitGoogleTest(&argc, argv);
  QApplication app(argc, argv);
  InitializePlatform();
  // Tests never touch the user's own settings.
  QTemporaryDir settings;
  SetRegistryFile((settings.path() + "/registry.ini").toStdString());
  int result = RUN_ALL_TESTS();
  dxPSFinalizeSingletons();
  return result;
}
