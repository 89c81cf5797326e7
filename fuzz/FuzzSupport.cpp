#include "fuzz/FuzzSupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <cstdlib>

#include "platform/Application.h"
#include "platform/Graphics.h"

// Fonts reach fontconfig, whose process-wide caches live until exit.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

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

void FuzzMetafile(const std::uint8_t* data, std::size_t size, bool enhanced) {
  EnsureFuzzApplication();
  const TByteView bytes(data, size);
  TMetafile metafile;
  try {
    metafile.LoadFromStream(bytes);
  } catch (const Exception&) {
  }
  QImage image(64, 48, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  if (!metafile.Empty()) metafile.Draw(painter, QRectF(0, 0, 64, 48));
  if (enhanced)
    PlayEnhancedMetafile(painter, bytes, QRectF(2, 2, 60, 44));
  else
    PlayWindowsMetafile(painter, bytes, QRectF(2, 2, 60, 44));
}
