// Fuzz target: the BMP file reader.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "platform/Graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  EnsureFuzzApplication();
  TBitmap graphic;
  try {
    graphic.LoadFromStream(TByteView(data, size));
    (void)graphic.SaveToStream();
  } catch (const Exception&) {
  }
  return 0;
}
