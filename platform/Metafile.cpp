// TMetafile: EMF bytes in memory (or WMF bytes as read), with the natural size
// taken from the header. Playing is done by MetafilePlayer.cpp.
#include <QPainter>
#include <QRectF>
#include <climits>
#include <cstdlib>

#include "platform/Graphics.h"
#include "platform/MetafileRecords.h"

namespace {

// v * num / den rounded to the nearest integer, halves away from zero; false
// when the result does not fit into an int.
bool Scale(std::int64_t v, std::int64_t num, std::int64_t den, int& out) {
  if (den <= 0) return false;
  const std::int64_t p = v * num;
  const std::int64_t r = (p >= 0 ? p + den / 2 : p - den / 2) / den;
  if (r < INT_MIN / 2 || r > INT_MAX / 2) return false;
  out = int(r);
  return true;
}

struct Sizes {
  bool enhanced = true;
  int mmWidth = 0, mmHeight = 0;  // 0.01 mm
  int pxWidth = 0, pxHeight = 0;  // at 96 pixels per inch
};

bool FromMillimetres(Sizes& s) {
  return Scale(s.mmWidth, 96, 2540, s.pxWidth) && Scale(s.mmHeight, 96, 2540, s.pxHeight);
}

bool EmfSizes(TByteView data, Sizes& s) {
  metafile::EmfHeader h;
  if (!metafile::ValidEmf(data, h)) return false;
  s.enhanced = true;
  std::int64_t w = std::llabs(std::int64_t(h.frame[2]) - h.frame[0]);
  std::int64_t ht = std::llabs(std::int64_t(h.frame[3]) - h.frame[1]);
  if ((w == 0 || ht == 0) && h.deviceCx > 0 && h.deviceCy > 0 && h.millimetersCx > 0 &&
      h.millimetersCy > 0 && h.millimetersCx < 1000000 && h.millimetersCy < 1000000) {
    // No frame: the bounds (device pixels, inclusive) through the reference device.
    w = (std::llabs(std::int64_t(h.bounds[2]) - h.bounds[0]) + 1) * h.millimetersCx * 100 / h.deviceCx;
    ht = (std::llabs(std::int64_t(h.bounds[3]) - h.bounds[1]) + 1) * h.millimetersCy * 100 / h.deviceCy;
  }
  if (w < 0 || ht < 0 || w > INT_MAX / 4 || ht > INT_MAX / 4) return false;
  s.mmWidth = int(w), s.mmHeight = int(ht);
  return FromMillimetres(s);
}

bool WmfSizes(TByteView data, Sizes& s) {
  metafile::WmfHeader h;
  if (!metafile::ValidWmf(data, h)) return false;
  s.enhanced = false;
  std::int64_t w, ht, perInch;
  if (h.placeable) {
    w = std::llabs(std::int64_t(h.box[2]) - h.box[0]);
    ht = std::llabs(std::int64_t(h.box[3]) - h.box[1]);
    perInch = h.inch;
  } else {
    // Units of the window: those of a metric mapping mode set before it,
    // otherwise screen pixels.
    w = std::abs(h.windowExtX), ht = std::abs(h.windowExtY);
    switch (h.mapMode) {
      case 2: perInch = 254; break;    // MM_LOMETRIC
      case 3: perInch = 2540; break;   // MM_HIMETRIC
      case 4: perInch = 100; break;    // MM_LOENGLISH
      case 5: perInch = 1000; break;   // MM_HIENGLISH
      case 6: perInch = 1440; break;   // MM_TWIPS
      default: perInch = 96; break;
    }
  }
  return Scale(w, 2540, perInch, s.mmWidth) && Scale(ht, 2540, perInch, s.mmHeight) &&
         Scale(w, 96, perInch, s.pxWidth) && Scale(ht, 96, perInch, s.pxHeight);
}

}  // namespace

TMetafile::TMetafile() = default;

TMetafile::TMetafile(const TMetafile& other)
    : TGraphic(),
      data_(other.data_),
      enhanced_(other.enhanced_),
      mmWidth_(other.mmWidth_),
      mmHeight_(other.mmHeight_),
      pxWidth_(other.pxWidth_),
      pxHeight_(other.pxHeight_) {
  transparent_ = other.transparent_;
}

TMetafile::~TMetafile() = default;

TGraphicClass TMetafile::Class() {
  static const TGraphicClassInfo info{"TMetafile", "emf",
                                      []() -> std::unique_ptr<TGraphic> { return std::make_unique<TMetafile>(); }};
  return &info;
}

bool TMetafile::Empty() const { return data_.empty(); }
int TMetafile::Width() const { return pxWidth_; }
int TMetafile::Height() const { return pxHeight_; }

void TMetafile::SetMMSize(int mmWidth, int mmHeight) {
  Sizes s;
  s.mmWidth = std::max(0, mmWidth), s.mmHeight = std::max(0, mmHeight);
  if (!FromMillimetres(s)) return;
  if (s.mmWidth == mmWidth_ && s.mmHeight == mmHeight_) return;
  mmWidth_ = s.mmWidth, mmHeight_ = s.mmHeight;
  pxWidth_ = s.pxWidth, pxHeight_ = s.pxHeight;
  Changed();
}

void TMetafile::Draw(QPainter& painter, const QRectF& dest) const {
  if (Empty() || dest.isEmpty()) return;
  painter.save();
  if (enhanced_) PlayEnhancedMetafile(painter, data_, dest);
  else PlayWindowsMetafile(painter, data_, dest);
  painter.restore();
}

void TMetafile::LoadFromStream(TByteView data) {
  Sizes s;
  if (!EmfSizes(data, s) && !WmfSizes(data, s)) throw EInvalidGraphic(GraphicsMessages::InvalidMetafile);
  data_.assign(data.begin(), data.end());
  enhanced_ = s.enhanced;
  mmWidth_ = s.mmWidth, mmHeight_ = s.mmHeight;
  pxWidth_ = s.pxWidth, pxHeight_ = s.pxHeight;
  Changed();
}

TBytes TMetafile::SaveToStream() const { return data_; }

std::unique_ptr<TGraphic> TMetafile::Clone() const { return std::make_unique<TMetafile>(*this); }

void TMetafile::SetEnhancedData(TBytes emf) {
  Sizes s;
  if (!EmfSizes(emf, s)) throw EInvalidGraphic(GraphicsMessages::InvalidMetafile);
  data_ = std::move(emf);
  enhanced_ = true;
  mmWidth_ = s.mmWidth, mmHeight_ = s.mmHeight;
  pxWidth_ = s.pxWidth, pxHeight_ = s.pxHeight;
  Changed();
}
