#include "report/CellBorders.h"

#include <algorithm>

#include "platform/Canvas.h"
#include "report/Cell3DBorders.h"
#include "report/CellBorderPainters.h"
#include "report/EdgePatterns.h"
#include "report/FillPatterns.h"
#include "report/ReportCells.h"
#include "report/EngineExceptions.h"
#include "report/RendererInterface.h"
#include "report/ShapeItems.h"

// ---- Border classes ------------------------------------------------------------

int TdxPSCellBorderClassInfo::GetBorderExtent(int side, bool swapped) const {
  int t = Thickness();
  bool nearSide = side == csLeft || side == csTop;
  if (swapped) nearSide = !nearSide;
  if (nearSide) return Is3D() ? t / 2 : t / 2 + 1;
  return (t - 1) / 2;
}

TdxClass TdxPSCustomCellBorder::BorderPainterClass() { return TdxPSCellBorderPainter::StaticClass(); }
TdxClass TdxPSCellNullBorder::BorderPainterClass() { return TdxPSCellNullBorderPainter::StaticClass(); }
TdxClass TdxPSCustomCell3DBorder::BorderPainterClass() { return TdxPSCell3DBorderPainter::StaticClass(); }
TdxClass TdxPSCellTwistedBorder::BorderPainterClass() { return TdxPSCellTwistedBorderPainter::StaticClass(); }

TdxPSCell3DBorderClass dxAs3DBorderClass(TdxClass cls) {
  if (!cls || !cls->InheritsFrom(TdxPSCustomCell3DBorder::StaticClass())) return nullptr;
  return static_cast<TdxPSCell3DBorderClass>(cls);
}

TdxPSEdgePatternClass dxAsEdgePatternClass(TdxClass cls) {
  if (!cls || !cls->InheritsFrom(TdxPSEdgePattern::StaticClass())) return nullptr;
  return static_cast<TdxPSEdgePatternClass>(cls);
}

TdxPSCellBorderClass dxAsBorderClass(TdxClass cls) {
  if (!cls || !cls->InheritsFrom(TdxPSCustomCellBorder::StaticClass())) return nullptr;
  return static_cast<TdxPSCellBorderClass>(cls);
}

TdxPSCellBorderClass dxBorderClassByName(const std::string& name) {
  TdxPSCellBorderClass cls = dxAsBorderClass(dxFindClass(name));
  return cls ? cls : dxDefaultBorderClass();
}

TdxPSCellBorderClass dxDefaultBorderClass() { return TdxPSCellUltraFlatBorder::StaticClass(); }

// ---- Border painter ------------------------------------------------------------

TRect TdxPSCellBorderPainter::GetEdgeBounds(const TRect& r, int side, int width) {
  switch (side) {
    case csLeft: return TRect(r.Left, r.Top, r.Left + width, r.Bottom);
    case csTop: return TRect(r.Left, r.Top, r.Right, r.Top + width);
    case csRight: return TRect(r.Right - width, r.Top, r.Right, r.Bottom);
    default: return TRect(r.Left, r.Bottom - width, r.Right, r.Bottom);
  }
}

TRect TdxPSCellBorderPainter::InsetBySides(const TRect& rect, unsigned sides, int amount) {
  TRect r = rect;
  if (sides & isdLeft) r.Left += amount;
  if (sides & isdTop) r.Top += amount;
  if (sides & isdRight) r.Right -= amount;
  if (sides & isdBottom) r.Bottom -= amount;
  return r;
}

void TdxPSCellBorderPainter::DrawFrame(TCanvas& dc, const TRect& rect, unsigned sides, TColor topLeft,
                                       TColor bottomRight, int width, int count) const {
  if (!renderer_) return;
  TRect r = rect;
  for (int i = 0; i < count; ++i) {
    for (int side = csLeft; side <= csBottom; ++side) {
      if (!(sides & (1u << side))) continue;
      TRect strip = GetEdgeBounds(r, side, width);
      if (dc.RectVisible(strip))
        renderer_->FillRect(dc, strip, side == csLeft || side == csTop ? topLeft : bottomRight);
    }
    r = InsetBySides(r, sides, width);
  }
}

void TdxPSCellBorderPainter::DrawShadow(TCanvas& dc, const TRect& r, TColor cornerColor, TColor shadowColor,
                                        int depth) const {
  if (!renderer_ || depth <= 0) return;
  renderer_->FillRect(dc, TRect(r.Left + depth, r.Bottom, r.Right + depth, r.Bottom + depth), shadowColor);
  renderer_->FillRect(dc, TRect(r.Left, r.Bottom, r.Left + depth, r.Bottom + depth), cornerColor);
  renderer_->FillRect(dc, TRect(r.Right, r.Top + depth, r.Right + depth, r.Bottom + depth), shadowColor);
  renderer_->FillRect(dc, TRect(r.Right, r.Top, r.Right + depth, r.Top + depth), cornerColor);
}

TdxPSCellBorderClass TdxPSCellBorderPainter::BorderClass() const {
  return item_ ? item_->GetBorderClass() : dxDefaultBorderClass();
}

void TdxPSCellBorderPainter::DrawItemShadow(TCanvas& dc, const TRect& borderBounds) const {
  if (!item_ || !item_->Shadowed()) return;
  int depth = item_->GetShadowDepth();
  if (depth != 0) DrawShadow(dc, borderBounds, item_->ParentBackgroundColor(), item_->GetShadowColor(), depth);
}

void TdxPSCellBorderPainter::Paint(TCanvas& dc) {
  if (!item_ || !renderer_) return;
  TRect r = item_->GetBorderBounds(dc);
  TColor color = item_->GetBorderColor();
  DrawFrame(dc, r, item_->CellSides(), color, color, renderer_->LineThickness(), BorderClass()->Thickness());
  DrawItemShadow(dc, r);
}

void TdxPSCellNullBorderPainter::Paint(TCanvas& dc) {
  if (!Item() || !Renderer()) return;
  DrawItemShadow(dc, Item()->GetBorderBounds(dc));
}

void TdxPSCell3DBorderPainter::Paint(TCanvas& dc) {
  if (!Item() || !Renderer()) return;
  TRect r = Item()->GetBorderBounds(dc);
  DrawBorders(dc, r, Item()->CellSides(), BorderClass(), Renderer()->LineThickness());
  DrawItemShadow(dc, r);
}

void TdxPSCell3DBorderPainter::DrawBorder(TCanvas& dc, const TRect& rect, unsigned sides, TColor outerTopLeft,
                                          TColor outerBottomRight, TColor innerTopLeft, TColor innerBottomRight,
                                          int width) const {
  DrawFrame(dc, rect, sides, outerTopLeft, outerBottomRight, width, 1);
  DrawFrame(dc, InsetBySides(rect, sides, width), sides, innerTopLeft, innerBottomRight, width, 1);
}

void TdxPSCell3DBorderPainter::DrawBorders(TCanvas& dc, const TRect& rect, unsigned sides,
                                           TdxPSCellBorderClass borderClass, int width) const {
  TdxPSCell3DBorderClass cls = dxAs3DBorderClass(borderClass);
  if (!cls) return;
  DrawBorder(dc, rect, sides, cls->OuterTopLeftBrush(), cls->OuterBottomRightBrush(), cls->InnerTopLeftBrush(),
             cls->InnerBottomRightBrush(), width);
}

void TdxPSCellTwistedBorderPainter::DrawBorder(TCanvas& dc, const TRect& rect, unsigned sides,
                                               TColor outerTopLeft, TColor outerBottomRight, TColor innerTopLeft,
                                               TColor innerBottomRight, int width) const {
  TRect r(rect.Left + width, rect.Top + width, rect.Right, rect.Bottom);
  DrawFrame(dc, r, sides, innerTopLeft, innerBottomRight, width, 1);
  r = TRect(rect.Left, rect.Top, rect.Right - width, rect.Bottom - width);
  DrawFrame(dc, r, sides, outerTopLeft, outerBottomRight, width, 1);
}

void dxDrawBorderEdge(TCustomdxReportRenderer& renderer, TCanvas& dc, const TRect& rect, TColor color, bool soft,
                      unsigned sides, int edgeStyle, int kind) {
  int t = renderer.LineThickness();
  if (kind == 0) {
    TdxPSCellBorderPainter* painter = renderer.GetBorderPainter(TdxPSCellBorderPainter::StaticClass());
    painter->DrawFrame(dc, rect, sides, color, color, t, 1);
  } else if (kind == 1 && (edgeStyle == 0 || edgeStyle == 1)) {
    TdxPSCellBorderClass cls;
    if (edgeStyle == 0)
      cls = soft ? TdxPSCellBorderClass(TdxPSCellRaisedSoftBorder::StaticClass())
                 : TdxPSCellBorderClass(TdxPSCellRaisedBorder::StaticClass());
    else
      cls = soft ? TdxPSCellBorderClass(TdxPSCellSunkenSoftBorder::StaticClass())
                 : TdxPSCellBorderClass(TdxPSCellSunkenBorder::StaticClass());
    auto* painter =
        static_cast<TdxPSCell3DBorderPainter*>(renderer.GetBorderPainter(TdxPSCell3DBorderPainter::StaticClass()));
    painter->DrawBorders(dc, rect, sides, cls, t);
  }
}

// ---- Fill patterns -------------------------------------------------------------

std::span<const std::uint16_t> TdxPSSolidFillPattern::PatternBits() {
  static const std::uint16_t bits[8] = {0, 0, 0, 0, 0, 0, 0, 0};
  return bits;
}

std::span<const std::uint16_t> TdxPSGray50FillPattern::PatternBits() {
  static const std::uint16_t bits[8] = {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA};
  return bits;
}

TdxPSFillPatternClass dxAsFillPatternClass(TdxClass cls) {
  if (!cls || !cls->InheritsFrom(TdxPSFillPattern::StaticClass())) return nullptr;
  return static_cast<TdxPSFillPatternClass>(cls);
}

TdxPSFillPatternClass dxFillPatternClassByName(const std::string& name) {
  TdxPSFillPatternClass cls = dxAsFillPatternClass(dxFindClass(name));
  return cls ? cls : TdxPSSolidFillPattern::StaticClass();
}

std::span<const std::uint16_t> TdxPSHorizontalFillPattern::PatternBits() {
  static const std::uint16_t bits[8] = {0xFFFF, 0x0000, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF};
  return bits;
}

std::span<const std::uint16_t> TdxPSVerticalFillPattern::PatternBits() {
  static const std::uint16_t bits[8] = {0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF};
  return bits;
}

std::span<const std::uint16_t> TdxPSFDiagonalFillPattern::PatternBits() {
  static const std::uint16_t bits[8] = {0xFFFE, 0xFFFD, 0xFFFB, 0xFFF7, 0xFFEF, 0xFFDF, 0xFFBF, 0xFF7F};
  return bits;
}

std::span<const std::uint16_t> TdxPSBDiagonalFillPattern::PatternBits() {
  static const std::uint16_t bits[8] = {0xFF7F, 0xFFBF, 0xFFDF, 0xFFEF, 0xFFF7, 0xFFFB, 0xFFFD, 0xFFFE};
  return bits;
}

std::span<const std::uint16_t> TdxPSCrossFillPattern::PatternBits() {
  static const std::uint16_t bits[8] = {0xFFBF, 0x0000, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF};
  return bits;
}

std::span<const std::uint16_t> TdxPSDiagCrossFillPattern::PatternBits() {
  static const std::uint16_t bits[8] = {0xFF7E, 0xFFBD, 0xFFDB, 0xFFE7, 0xFFE7, 0xFFDB, 0xFFBD, 0xFF7E};
  return bits;
}

// ---- Pattern items -------------------------------------------------------------

namespace {

constexpr const char* kPatternNotRegistered = "Pattern \"%s\" is not registered";
constexpr int kMaxPatternPixels = 1024;

QImage MonoImage(int width, int height) {
  QImage image(width, height, QImage::Format_Mono);
  image.setColorTable({qRgb(0, 0, 0), qRgb(255, 255, 255)});
  image.fill(1);
  return image;
}

// The screen bitmap stretched (nearest pixel) to size x P / S for the
// printer, when the pattern scales.
QImage ForTarget(const QImage& bitmap, bool scales, int printerPPI) {
  int screenPPI = TDeviceCaps::Screen().LogPixelsY;
  if (!scales || printerPPI <= 0 || screenPPI <= 0 || printerPPI == screenPPI) return bitmap;
  const auto stretched = [&](int size) {
    return int(std::clamp<std::int64_t>(std::int64_t(size) * printerPPI / screenPPI, 1, kMaxPatternPixels));
  };
  int w = stretched(bitmap.width());
  int h = stretched(bitmap.height());
  QImage out = MonoImage(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      out.setPixel(x, y, bitmap.pixelIndex(x * bitmap.width() / w, y * bitmap.height() / h));
  return out;
}

int ScreenPPI() { return TDeviceCaps::Screen().LogPixelsY; }

}  // namespace

TdxPSFillPatternItem::TdxPSFillPatternItem(TdxPSFillPatternClass pattern, int printerPixelsPerInch)
    : pattern_(pattern) {
  TSize size = pattern->PatternSize();
  int w = std::clamp(int(size.cx), 8, 16);
  int h = std::clamp(int(size.cy), 8, 16);
  std::span<const std::uint16_t> bits = pattern->PatternBits();
  QImage bitmap = MonoImage(w, h);
  for (int r = 0; r < h; ++r) {
    std::uint16_t row = std::size_t(r) < bits.size() ? bits[std::size_t(r)] : 0xFFFF;
    for (int c = 0; c < w; ++c) bitmap.setPixel(c, r, (row >> c) & 1u);
  }
  brush_.Bitmap = printerPixelsPerInch > 0 ? ForTarget(bitmap, pattern->ScalesForPrinter(), printerPixelsPerInch)
                                           : bitmap;
}

TdxPSEdgePatternItem::TdxPSEdgePatternItem(TdxPSEdgePatternClass pattern, int printerPixelsPerInch)
    : pattern_(pattern) {
  int size = std::clamp(pattern->PatternSize(), 1, 32);
  QImage horz = MonoImage(size, 2);
  QImage vert = MonoImage(2, size);
  for (int line = 0; line < 2; ++line) {
    std::uint32_t word = pattern->PatternBits(line);
    for (int i = 0; i < size; ++i) {
      unsigned bit = (word >> i) & 1u;
      horz.setPixel(i, line, bit);
      vert.setPixel(line, i, bit);
    }
  }
  bool scales = printerPixelsPerInch > 0 && pattern->ScalesForPrinter();
  horz_.Bitmap = scales ? ForTarget(horz, true, printerPixelsPerInch) : horz;
  vert_.Bitmap = scales ? ForTarget(vert, true, printerPixelsPerInch) : vert;
}

// ---- Pattern factories ---------------------------------------------------------

void TdxPSFillPatternFactory::InitializeInstance() {
  for (TdxPSFillPatternClass p :
       {static_cast<TdxPSFillPatternClass>(TdxPSSolidFillPattern::StaticClass()),
        static_cast<TdxPSFillPatternClass>(TdxPSGray50FillPattern::StaticClass()),
        static_cast<TdxPSFillPatternClass>(TdxPSHorizontalFillPattern::StaticClass()),
        static_cast<TdxPSFillPatternClass>(TdxPSVerticalFillPattern::StaticClass()),
        static_cast<TdxPSFillPatternClass>(TdxPSFDiagonalFillPattern::StaticClass()),
        static_cast<TdxPSFillPatternClass>(TdxPSBDiagonalFillPattern::StaticClass()),
        static_cast<TdxPSFillPatternClass>(TdxPSCrossFillPattern::StaticClass()),
        static_cast<TdxPSFillPatternClass>(TdxPSDiagCrossFillPattern::StaticClass())})
    Register(p);
}

void TdxPSFillPatternFactory::FinalizeInstance() {
  screenItems_.clear();
  printerItems_.clear();
  patterns_.clear();
}

void TdxPSFillPatternFactory::Register(TdxPSFillPatternClass pattern) {
  if (!pattern || IndexOf(pattern) >= 0) return;
  patterns_.push_back(pattern);
  screenItems_.emplace_back();
  printerItems_.emplace_back();
  dxRegisterClass(pattern);
}

void TdxPSFillPatternFactory::Unregister(TdxPSFillPatternClass pattern) {
  int i = IndexOf(pattern);
  if (i < 0) return;
  patterns_.erase(patterns_.begin() + i);
  screenItems_.erase(screenItems_.begin() + i);
  printerItems_.erase(printerItems_.begin() + i);
}

TdxPSFillPatternClass TdxPSFillPatternFactory::Patterns(int index) const {
  return index >= 0 && index < Count() ? patterns_[std::size_t(index)] : nullptr;
}

int TdxPSFillPatternFactory::IndexOf(TdxPSFillPatternClass pattern) const {
  auto it = std::find(patterns_.begin(), patterns_.end(), pattern);
  return it == patterns_.end() ? -1 : int(it - patterns_.begin());
}

TdxPSFillPatternItem* TdxPSFillPatternFactory::GetItem(TdxPSFillPatternClass pattern, bool forPrinter) {
  if (!pattern) return nullptr;
  int i = IndexOf(pattern);
  if (i < 0) throw EdxPrintEngine(Format(kPatternNotRegistered, pattern->ClassName()));
  auto& slot = forPrinter ? printerItems_[std::size_t(i)] : screenItems_[std::size_t(i)];
  if (!slot)
    slot = std::make_unique<TdxPSFillPatternItem>(pattern, forPrinter ? (printerPPI_ > 0 ? printerPPI_ : ScreenPPI())
                                                                      : 0);
  return slot.get();
}

void TdxPSFillPatternFactory::ResetPrinterItems() {
  for (auto& item : printerItems_) item.reset();
}

void TdxPSEdgePatternFactory::InitializeInstance() { Register(TdxPSSolidEdgePattern::StaticClass()); }

void TdxPSEdgePatternFactory::FinalizeInstance() {
  screenItems_.clear();
  printerItems_.clear();
  patterns_.clear();
}

void TdxPSEdgePatternFactory::Register(TdxPSEdgePatternClass pattern) {
  if (!pattern || IndexOf(pattern) >= 0) return;
  patterns_.push_back(pattern);
  screenItems_.emplace_back();
  printerItems_.emplace_back();
  dxRegisterClass(pattern);
}

void TdxPSEdgePatternFactory::Unregister(TdxPSEdgePatternClass pattern) {
  int i = IndexOf(pattern);
  if (i < 0) return;
  patterns_.erase(patterns_.begin() + i);
  screenItems_.erase(screenItems_.begin() + i);
  printerItems_.erase(printerItems_.begin() + i);
}

TdxPSEdgePatternClass TdxPSEdgePatternFactory::Patterns(int index) const {
  return index >= 0 && index < Count() ? patterns_[std::size_t(index)] : nullptr;
}

int TdxPSEdgePatternFactory::IndexOf(TdxPSEdgePatternClass pattern) const {
  auto it = std::find(patterns_.begin(), patterns_.end(), pattern);
  return it == patterns_.end() ? -1 : int(it - patterns_.begin());
}

TdxPSEdgePatternItem* TdxPSEdgePatternFactory::GetItem(TdxPSEdgePatternClass pattern, bool forPrinter) {
  if (!pattern) return nullptr;
  int i = IndexOf(pattern);
  if (i < 0) throw EdxPrintEngine(Format(kPatternNotRegistered, pattern->ClassName()));
  auto& slot = forPrinter ? printerItems_[std::size_t(i)] : screenItems_[std::size_t(i)];
  if (!slot)
    slot = std::make_unique<TdxPSEdgePatternItem>(pattern, forPrinter ? (printerPPI_ > 0 ? printerPPI_ : ScreenPPI())
                                                                      : 0);
  return slot.get();
}

void TdxPSEdgePatternFactory::ResetPrinterItems() {
  for (auto& item : printerItems_) item.reset();
}

// ---- Registration --------------------------------------------------------------

void dxPSRegisterBorderClasses() {
  static bool done = false;
  if (done) return;
  done = true;
  const TdxClass classes[] = {
      TdxPSSolidFillPattern::StaticClass(),     TdxPSGray50FillPattern::StaticClass(),
      TdxPSHorizontalFillPattern::StaticClass(), TdxPSVerticalFillPattern::StaticClass(),
      TdxPSFDiagonalFillPattern::StaticClass(), TdxPSBDiagonalFillPattern::StaticClass(),
      TdxPSCrossFillPattern::StaticClass(),     TdxPSDiagCrossFillPattern::StaticClass(),
      TdxPSSolidEdgePattern::StaticClass(),     TdxPSCustomCellBorder::StaticClass(),
      TdxPSCellNullBorder::StaticClass(),       TdxPSCellFlatBorder::StaticClass(),
      TdxPSCellBoldFlatBorder::StaticClass(),   TdxPSCellUltraFlatBorder::StaticClass(),
      TdxPSCustomCell3DBorder::StaticClass(),   TdxPSCellRaisedBorder::StaticClass(),
      TdxPSCellRaisedSoftBorder::StaticClass(), TdxPSCellSunkenBorder::StaticClass(),
      TdxPSCellSunkenSoftBorder::StaticClass(), TdxPSCellTwistedBorder::StaticClass(),
      TdxPSCellEtchedBorder::StaticClass(),     TdxPSCellBumpedBorder::StaticClass(),
      TdxPSCellBorderPainter::StaticClass(),    TdxPSCellNullBorderPainter::StaticClass(),
      TdxPSCell3DBorderPainter::StaticClass(),  TdxPSCellTwistedBorderPainter::StaticClass(),
  };
  for (TdxClass cls : classes) dxRegisterClass(cls);
  dxPSRegisterShapeClasses();
}

namespace {
// Classes that streams name are known from the start of the program.
[[maybe_unused]] const bool registered = (dxPSRegisterBorderClasses(), true);
}  // namespace
