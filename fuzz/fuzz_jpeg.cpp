// Fuzz target: the JPEG decoder (libjpeg behind its error manager, with the
// EXIF orientation and ICC profiles of the file), and the EXIF reader on the
// raw input as well, so that its checks meet every kind of block.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "platform/ExifOrientation.h"
#include "platform/Graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  EnsureFuzzApplication();
  (void)ExifOrientation(TByteView(data, size));
  TJPEGImage graphic;
  try {
    graphic.LoadFromStream(TByteView(data, size));
    (void)graphic.SaveToStream();
  } catch (const Exception&) {
  }
  return 0;
}
