// Shared pieces of the fuzz targets.
#pragma once

#include <cstddef>
#include <cstdint>

// A headless application object, made on first use.
void EnsureFuzzApplication();

// Loads the bytes as a metafile and draws it, then hands the same bytes to
// the player directly, as bytes that were never loaded (a recording canvas's
// output) would reach it.
void FuzzMetafile(const std::uint8_t* data, std::size_t size, bool enhanced);
