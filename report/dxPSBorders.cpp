#include "report/dxPSBorders.h"

#include "platform/Canvas.h"
#include "report/dxPSCore.h"
#include "report/dxPSRenderIntf.h"

// ---- Border classes ------------------------------------------------------------

int TdxPSCellBorderClassInfo::GetBorderExtent(int side, bool swapped) const {
  int t = Thickness();
  bool nearSide = side == csLeft || side == csTop;
  if (swapped) nearSide = !nearSide;
  if (nearSide) return Is3D() ? t / 2 : t / 2 + 1;
  return (t - 1) / 2;
}

TdxClass TdxPSCustomCellBorder::BorderPainterClass() { return TdxPSCellBorderPainter::StaticClass(); }

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
