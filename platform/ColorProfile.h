// Colour management of decoded pictures: pixels described by an embedded ICC
// profile are converted to sRGB, the colour space of the screen and of the
// printed page. LittleCMS does the work; it reads only profiles, never files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

#include "platform/Graphics.h"

// How the decoded pixels that a profile describes are laid out.
enum class TDecodedPixels {
  Grey,          // 32-bit words 0xffRRGGBB whose three channels are equal
  Rgb,           // 32-bit words 0xffRRGGBB
  Cmyk,          // 4 bytes C, M, Y, K; 255 is full ink
  InvertedCmyk,  // 4 bytes C, M, Y, K; 0 is full ink (as Adobe's writers store it)
};

class TColorConversion {
 public:
  // The conversion from a profile's colours to sRGB, or null when the profile
  // cannot be read, does not describe pixels of this layout, or is sRGB
  // itself (nothing to convert).
  static std::unique_ptr<TColorConversion> FromIccProfile(TByteView profile, TDecodedPixels pixels);
  ~TColorConversion();
  TColorConversion(const TColorConversion&) = delete;
  TColorConversion& operator=(const TColorConversion&) = delete;

  // Converts n pixels of the profile's layout into 0xffRRGGBB words. Grey and
  // Rgb pixels may be converted in place (in == out).
  void Convert(const void* in, std::uint32_t* out, std::size_t n) const;

 private:
  struct Impl;
  explicit TColorConversion(std::unique_ptr<Impl> impl);
  std::unique_ptr<Impl> impl_;
};

// Naive conversion of CMYK pixels without a profile: each ink darkens its
// own channel, black darkens all three.
void CmykToRgb(const std::uint8_t* in, std::uint32_t* out, std::size_t n, bool inverted);
