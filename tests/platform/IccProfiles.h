// ICC profiles made with LittleCMS for the picture tests, the JPEG seeds and
// the benchmarks: wide-gamut RGB spaces, sRGB and linear grey.
#pragma once

#include <lcms2.h>

#include <cstdint>
#include <vector>

namespace iccprofiles {

using Bytes = std::vector<std::uint8_t>;

// The profile's bytes; closes the profile.
inline Bytes Save(cmsHPROFILE profile) {
  cmsUInt32Number size = 0;
  cmsSaveProfileToMem(profile, nullptr, &size);
  Bytes bytes(size);
  cmsSaveProfileToMem(profile, bytes.data(), &size);
  cmsCloseProfile(profile);
  return bytes;
}

// A matrix profile of D65 white, the given primaries and one tone curve
// (which it frees).
inline Bytes Rgb(cmsCIExyYTRIPLE primaries, cmsToneCurve* curve) {
  cmsCIExyY white;
  cmsWhitePointFromTemp(&white, 6504);
  cmsToneCurve* curves[3] = {curve, curve, curve};
  const Bytes bytes = Save(cmsCreateRGBProfile(&white, &primaries, curves));
  cmsFreeToneCurve(curve);
  return bytes;
}
inline cmsToneCurve* SrgbCurve() {
  const cmsFloat64Number params[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
  return cmsBuildParametricToneCurve(nullptr, 4, params);
}
inline Bytes AdobeRgb() {
  return Rgb({{0.64, 0.33, 1}, {0.21, 0.71, 1}, {0.15, 0.06, 1}}, cmsBuildGamma(nullptr, 563.0 / 256));
}
inline Bytes DisplayP3() { return Rgb({{0.680, 0.320, 1}, {0.265, 0.690, 1}, {0.150, 0.060, 1}}, SrgbCurve()); }
inline Bytes Srgb() { return Rgb({{0.64, 0.33, 1}, {0.30, 0.60, 1}, {0.15, 0.06, 1}}, SrgbCurve()); }

inline Bytes LinearGrey() {
  cmsToneCurve* linear = cmsBuildGamma(nullptr, 1.0);
  const Bytes bytes = Save(cmsCreateGrayProfile(cmsD50_xyY(), linear));
  cmsFreeToneCurve(linear);
  return bytes;
}

}  // namespace iccprofiles
