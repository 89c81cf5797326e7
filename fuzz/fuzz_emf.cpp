// Fuzz target: enhanced metafiles through TMetafile and the player.
#include <QImage>
#include <QPainter>
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "platform/Graphics.h"

// Text output reaches fontconfig, whose process-wide caches live until exit.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
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
  // The player also meets bytes that were never loaded (from a recording canvas).
  PlayEnhancedMetafile(painter, bytes, QRectF(2, 2, 60, 44));
  return 0;
}
