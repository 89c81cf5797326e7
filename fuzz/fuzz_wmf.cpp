// Fuzz target: Windows metafiles (placeable or not) through TMetafile and the player.
#include <cstddef>
#include <cstdint>

#include "fuzz/FuzzSupport.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzMetafile(data, size, false);
  return 0;
}
