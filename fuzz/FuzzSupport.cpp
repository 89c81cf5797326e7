#include "fuzz/FuzzSupport.h"

#include <QGuiApplication>
#include <cstdlib>

#include "platform/Application.h"

void EnsureFuzzApplication() {
  static QGuiApplication* app = [] {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static int argc = 1;
    static char arg0[] = "fuzz";
    static char* argv[] = {arg0, nullptr};
    auto* a = new QGuiApplication(argc, argv);
    InitializePlatform();
    return a;
  }();
  (void)app;
}
