// Fuzz target: the ICO file reader (DIB and PNG entries).
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"
#include "platform/Graphics.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  EnsureFuzzApplication();
  TIcon graphic;
  try {
    graphic.LoadFromStream(TByteView(data, size));
    (void)graphic.SaveToStream();
  } catch (const Exception&) {
  }
  return 0;
}
