// ICC profiles of decoded pictures, converted to sRGB with LittleCMS.
#include "platform/ColorProfile.h"

#include <QtGlobal>
#include <array>
#include <cmath>

#include <lcms2.h>

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
constexpr cmsUInt32Number PixelWordFormat = TYPE_BGRA_8;  // 0xffRRGGBB in memory order
#else
constexpr cmsUInt32Number PixelWordFormat = TYPE_ARGB_8;
#endif
constexpr std::uint32_t OpaqueAlpha = 0xFF000000u;

struct ProfileCloser {
  void operator()(void* profile) const { cmsCloseProfile(profile); }
};
using ProfileHandle = std::unique_ptr<void, ProfileCloser>;

// The sRGB profile, and a grey profile with sRGB's tone curve (grey pictures
// stay grey: their tones are converted, never their hue).
struct TargetProfiles {
  ProfileHandle srgb{cmsCreate_sRGBProfile()};
  ProfileHandle srgbGrey;
  TargetProfiles() {
    const cmsFloat64Number params[5] = {2.4, 1.0 / 1.055, 0.055 / 1.055, 1.0 / 12.92, 0.04045};
    cmsToneCurve* curve = cmsBuildParametricToneCurve(nullptr, 4, params);
    srgbGrey.reset(cmsCreateGrayProfile(cmsD50_xyY(), curve));
    cmsFreeToneCurve(curve);
  }
};
const TargetProfiles& Targets() {
  static const TargetProfiles targets;
  return targets;
}

bool Near(double a, double b) { return std::fabs(a - b) < 0.003; }

// True for a matrix profile with sRGB's primaries and tone curves (the
// profile most cameras embed): converting would change nothing.
bool IsSrgb(cmsHPROFILE profile) {
  cmsHPROFILE srgb = Targets().srgb.get();
  if (!cmsIsMatrixShaper(profile) || cmsIsTag(profile, cmsSigAToB0Tag) || cmsIsTag(profile, cmsSigAToB1Tag))
    return false;
  for (cmsTagSignature tag : {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag}) {
    const auto* a = static_cast<const cmsCIEXYZ*>(cmsReadTag(profile, tag));
    const auto* b = static_cast<const cmsCIEXYZ*>(cmsReadTag(srgb, tag));
    if (!a || !b || !Near(a->X, b->X) || !Near(a->Y, b->Y) || !Near(a->Z, b->Z)) return false;
  }
  for (cmsTagSignature tag : {cmsSigRedTRCTag, cmsSigGreenTRCTag, cmsSigBlueTRCTag}) {
    const auto* a = static_cast<const cmsToneCurve*>(cmsReadTag(profile, tag));
    const auto* b = static_cast<const cmsToneCurve*>(cmsReadTag(srgb, tag));
    if (!a || !b) return false;
    for (int i = 0; i <= 16; ++i) {
      const cmsFloat32Number v = cmsFloat32Number(i) / 16;
      if (!Near(cmsEvalToneCurveFloat(a, v), cmsEvalToneCurveFloat(b, v))) return false;
    }
  }
  return true;
}

cmsColorSpaceSignature ColorSpaceOf(TDecodedPixels pixels) {
  switch (pixels) {
    case TDecodedPixels::Grey: return cmsSigGrayData;
    case TDecodedPixels::Rgb: return cmsSigRgbData;
    case TDecodedPixels::Cmyk:
    case TDecodedPixels::InvertedCmyk: break;
  }
  return cmsSigCmykData;
}

}  // namespace

struct TColorConversion::Impl {
  TDecodedPixels pixels = TDecodedPixels::Rgb;
  cmsHTRANSFORM transform = nullptr;
  std::array<std::uint32_t, 256> grey{};
  ~Impl() {
    if (transform) cmsDeleteTransform(transform);
  }
};

TColorConversion::TColorConversion(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}
TColorConversion::~TColorConversion() = default;

std::unique_ptr<TColorConversion> TColorConversion::FromIccProfile(TByteView data, TDecodedPixels pixels) {
  if (data.empty() || data.size() > 0xFFFFFFFFu) return nullptr;
  ProfileHandle profile(cmsOpenProfileFromMem(data.data(), cmsUInt32Number(data.size())));
  if (!profile || cmsGetColorSpace(profile.get()) != ColorSpaceOf(pixels)) return nullptr;
  switch (cmsGetDeviceClass(profile.get())) {
    case cmsSigInputClass:
    case cmsSigDisplayClass:
    case cmsSigOutputClass:
    case cmsSigColorSpaceClass: break;
    default: return nullptr;  // links, abstract and named-colour profiles describe no pixels
  }
  auto impl = std::make_unique<Impl>();
  impl->pixels = pixels;
  const TargetProfiles& targets = Targets();
  switch (pixels) {
    case TDecodedPixels::Grey: {
      cmsHTRANSFORM t = cmsCreateTransform(profile.get(), TYPE_GRAY_8, targets.srgbGrey.get(), TYPE_GRAY_8,
                                           INTENT_PERCEPTUAL, cmsFLAGS_NOCACHE);
      if (!t) return nullptr;
      std::array<std::uint8_t, 256> in, out;
      for (int i = 0; i < 256; ++i) in[i] = std::uint8_t(i);
      cmsDoTransform(t, in.data(), out.data(), 256);
      cmsDeleteTransform(t);
      for (int i = 0; i < 256; ++i) impl->grey[i] = OpaqueAlpha | std::uint32_t(out[i]) * 0x010101u;
      break;
    }
    case TDecodedPixels::Rgb:
      if (IsSrgb(profile.get())) return nullptr;
      impl->transform = cmsCreateTransform(profile.get(), PixelWordFormat, targets.srgb.get(), PixelWordFormat,
                                           INTENT_PERCEPTUAL, cmsFLAGS_COPY_ALPHA);
      if (!impl->transform) return nullptr;
      break;
    case TDecodedPixels::Cmyk:
    case TDecodedPixels::InvertedCmyk:
      impl->transform = cmsCreateTransform(profile.get(),
                                           pixels == TDecodedPixels::InvertedCmyk ? TYPE_CMYK_8_REV : TYPE_CMYK_8,
                                           targets.srgb.get(), PixelWordFormat, INTENT_PERCEPTUAL, 0);
      if (!impl->transform) return nullptr;
      break;
  }
  return std::unique_ptr<TColorConversion>(new TColorConversion(std::move(impl)));
}

void TColorConversion::Convert(const void* in, std::uint32_t* out, std::size_t n) const {
  switch (impl_->pixels) {
    case TDecodedPixels::Grey: {
      const auto* words = static_cast<const std::uint32_t*>(in);
      for (std::size_t i = 0; i < n; ++i) out[i] = impl_->grey[words[i] & 0xFF];
      break;
    }
    case TDecodedPixels::Rgb:
      cmsDoTransform(impl_->transform, in, out, cmsUInt32Number(n));
      break;
    case TDecodedPixels::Cmyk:
    case TDecodedPixels::InvertedCmyk:
      cmsDoTransform(impl_->transform, in, out, cmsUInt32Number(n));
      for (std::size_t i = 0; i < n; ++i) out[i] |= OpaqueAlpha;  // LittleCMS leaves the fourth byte alone
      break;
  }
}

void CmykToRgb(const std::uint8_t* in, std::uint32_t* out, std::size_t n, bool inverted) {
  for (std::size_t i = 0; i < n; ++i, in += 4) {
    int c = in[0], m = in[1], y = in[2], k = in[3];
    if (!inverted) c = 255 - c, m = 255 - m, y = 255 - y, k = 255 - k;
    out[i] = OpaqueAlpha | std::uint32_t(c * k / 255) << 16 | std::uint32_t(m * k / 255) << 8 | std::uint32_t(y * k / 255);
  }
}
