// The items of the report document: TdxReportItem and TdxReportVisualItem
// (bounds, colour, font, borders, background, reading and writing).
#include "report/ReportItems.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "platform/Canvas.h"
#include "platform/Graphics.h"
#include "report/DataItems.h"
#include "report/EngineExceptions.h"
#include "report/ImageList.h"
#include "report/RendererInterface.h"
#include "report/ReportStreamValues.h"
#include "report/ReportCells.h"
#include "report/ReportItemHelpers.h"

using namespace ReportItemHelpers;

namespace {

int ClampToInt(std::int64_t v) { return int(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX)); }

}  // namespace

// ---- TdxReportItem -------------------------------------------------------------

TdxReportItem::~TdxReportItem() {
  if (parent_) parent_->RemoveItem(this);
}

void TdxReportItem::Assign(const TdxReportItem& source) { Data = source.Data; }

TdxReportCells* TdxReportItem::GetReportCells() const { return parent_ ? parent_->GetReportCells() : nullptr; }

void TdxReportItem::ReadData(TdxReportReader& reader) { Data = reader.ReadInteger(); }

void TdxReportItem::WriteData(TdxReportWriter& writer) const { writer.WriteInteger(Data); }

int TdxReportItem::Index() const { return parent_ ? parent_->IndexOf(this) : -1; }

void TdxReportItem::SetIndex(int index) {
  if (parent_) parent_->MoveItem(this, index);
}

void TdxReportItem::SetParent(TdxReportCell* cell) {
  if (cell == parent_) return;
  // A cell cannot go into itself or into one of its descendants.
  for (TdxReportItem* p = cell; p; p = p->parent_)
    if (p == this) throw EdxPrintEngine("A report cell cannot hold itself or its ancestors");
  if (cell && !IsCell() && !dynamic_cast<TAbstractdxReportCellData*>(this))
    throw EdxPrintEngine(::Format(dxPSReportMessages::NotAReportItem, ClassName().c_str()));
  if (parent_) parent_->RemoveItem(this);
  if (cell) cell->InsertItem(this);
}

// ---- TdxReportVisualItem -------------------------------------------------------

void TdxReportVisualItem::Assign(const TdxReportItem& source) {
  TdxReportItem::Assign(source);
  auto* s = dynamic_cast<const TdxReportVisualItem*>(&source);
  if (!s || s == this) return;
  backgroundBitmapIndex_ = s->backgroundBitmapIndex_;
  borderClass_ = s->borderClass_;
  borderColor_ = s->borderColor_;
  bounds_ = s->bounds_;
  color_ = s->color_;
  fontIndex_ = s->fontIndex_;
  format_ = s->format_;
  SetContentBkColor(s->GetContentBkColor());
  SetContentPattern(s->GetContentPattern());
}

void TdxReportVisualItem::ReadData(TdxReportReader& reader) {
  TdxReportItem::ReadData(reader);
  SetBackgroundBitmapIndex(reader.ReadInteger());
  bounds_ = dxReadBounds(reader);
  borderClass_ = dxBorderClassByName(reader.ReadString());
  borderColor_ = reader.ReadInteger();
  SetColor(reader.ReadInteger());
  SetContentBkColor(reader.ReadInteger());
  // "nil" is an item without a fill (a shape with no pattern); a pattern
  // that is not registered fills solid.
  const std::string pattern = reader.ReadString();
  SetContentPattern(pattern == dxClassName(nullptr) ? nullptr : dxFillPatternClassByName(pattern));
  SetFontIndex(reader.ReadInteger());
  format_ = reader.ReadRawUInt32();
}

void TdxReportVisualItem::WriteData(TdxReportWriter& writer) const {
  TdxReportItem::WriteData(writer);
  writer.WriteInteger(backgroundBitmapIndex_);
  writer.WriteRect(bounds_);
  writer.WriteString(dxClassName(borderClass_));
  writer.WriteInteger(GetBorderColor());
  writer.WriteInteger(color_);
  writer.WriteInteger(GetContentBkColor());
  writer.WriteString(dxClassName(GetContentPattern()));
  writer.WriteInteger(fontIndex_);
  writer.WriteRawUInt32(format_);
}

void TdxReportVisualItem::Scale(int numerator, int denominator) {
  if (denominator == 0) return;
  bounds_ = TRect(MulDiv(bounds_.Left, numerator, denominator), MulDiv(bounds_.Top, numerator, denominator),
                  MulDiv(bounds_.Right, numerator, denominator), MulDiv(bounds_.Bottom, numerator, denominator));
}

TPoint TdxReportVisualItem::DrawingOrigin() const {
  if (IsCell()) return AbsoluteOrigin();
  return Parent() ? Parent()->AbsoluteOrigin() : TPoint{};
}

namespace {
// Tile size of a background bitmap in report units (0 x 0 without one).
TSize TileSize(const TBitmap* bitmap, int pixelSize) {
  if (!bitmap || bitmap->Empty()) return {};
  return {ClampToInt(std::int64_t(bitmap->Width()) * pixelSize),
          ClampToInt(std::int64_t(bitmap->Height()) * pixelSize)};
}
std::int64_t FloorDiv(std::int64_t a, std::int64_t b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
}  // namespace

TRect TdxReportVisualItem::GetBackgroundBitmapTileBounds(int col, int row) const {
  TdxReportCells* doc = ReportCells();
  TSize tile = TileSize(doc ? doc->GetBackgroundBitmap(backgroundBitmapIndex_) : nullptr, PixelSize());
  TPoint o = DrawingOrigin();
  std::int64_t x = std::int64_t(col) * tile.cx - o.X, y = std::int64_t(row) * tile.cy - o.Y;
  return TRect(ClampToInt(x), ClampToInt(y), ClampToInt(x + tile.cx), ClampToInt(y + tile.cy));
}

TRect TdxReportVisualItem::GetBackgroundBounds(TCanvas& dc) const { return GetInnerBounds(dc); }

TdxPSCellBorderClass TdxReportVisualItem::GetBorderClass() const { return borderClass_; }

TdxPSCellBorderClass TdxReportVisualItem::GetBorderClassForSide(int) const { return GetBorderClass(); }

TRect TdxReportVisualItem::GetBorderEdgeBounds(int side, const TRect& rect) const {
  return TdxPSCellBorderPainter::GetEdgeBounds(rect, side, GetBorderThickness(side) * LineThickness());
}

int TdxReportVisualItem::GetBorderOuterExtent(int side, bool swapped) const {
  return GetBorderClassForSide(side)->GetBorderExtent(side, swapped);
}

int TdxReportVisualItem::GetBorderThickness(int side) const { return GetBorderClassForSide(side)->Thickness(); }

TRect TdxReportVisualItem::GetBorderRect() const { return bounds_; }

TdxClass TdxReportVisualItem::GetBorderPainterClass() const { return GetBorderClass()->BorderPainterClass(); }

void TdxReportVisualItem::InitBorderPainter(TdxPSCellBorderPainter& painter) { painter.SetItem(this); }

TdxPSFillPatternClass TdxReportVisualItem::GetContentPattern() const {
  return TdxPSSolidFillPattern::StaticClass();
}

TColor TdxReportVisualItem::GetShadowColor() const {
  TdxReportCells* doc = ReportCells();
  return doc ? doc->ShadowColor() : 0;
}

int TdxReportVisualItem::GetShadowDepth() const {
  TdxReportCells* doc = ReportCells();
  return doc ? doc->ShadowDepth() : 3;
}

void TdxReportVisualItem::SetFontIndex(int index) { fontIndex_ = index < -1 ? -1 : index; }

bool TdxReportVisualItem::HasBackgroundBitmap() const {
  if (backgroundBitmapIndex_ == -1) return false;
  TdxReportCells* doc = ReportCells();
  const TBitmap* bitmap = doc ? doc->GetBackgroundBitmap(backgroundBitmapIndex_) : nullptr;
  return bitmap && !bitmap->Empty();
}

void TdxReportVisualItem::DrawBackground(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  if (!renderer) return;
  TRect r = GetBackgroundBounds(dc);
  if (!r.IsEmpty()) renderer->FillRectEx(dc, r, GetContentPattern(), GetContentBkColor(), color_);
}

void TdxReportVisualItem::DrawBackgroundBitmap(TCanvas& dc) {
  TdxReportCells* doc = ReportCells();
  TCustomdxReportRenderer* renderer = Renderer();
  if (!doc || !renderer) return;
  TSize tile = TileSize(doc->GetBackgroundBitmap(backgroundBitmapIndex_), PixelSize());
  if (tile.cx <= 0 || tile.cy <= 0) return;
  TRect background = GetBackgroundBounds(dc);
  if (background.IsEmpty()) return;
  TdxClipRegionSaver saver(dc);
  dc.IntersectClipRect(background);
  TRect clipBox;
  if (dc.GetClipBox(clipBox) == NULLREGION) return;
  TRect visible = IntersectRect(background, clipBox);
  if (visible.IsEmpty()) return;
  // Only the tiles that meet the visible part; they are anchored at the
  // report's origin, so neighbouring items continue one pattern.
  TPoint o = DrawingOrigin();
  std::int64_t c0 = FloorDiv(std::int64_t(visible.Left) + o.X, tile.cx);
  std::int64_t c1 = FloorDiv(std::int64_t(visible.Right) - 1 + o.X, tile.cx);
  std::int64_t r0 = FloorDiv(std::int64_t(visible.Top) + o.Y, tile.cy);
  std::int64_t r1 = FloorDiv(std::int64_t(visible.Bottom) - 1 + o.Y, tile.cy);
  for (std::int64_t r = r0; r <= r1; ++r)
    for (std::int64_t c = c0; c <= c1; ++c) {
      TRect t = GetBackgroundBitmapTileBounds(int(c), int(r));
      if (dc.RectVisible(t)) DrawBackgroundBitmapTile(dc, t);
    }
}

void TdxReportVisualItem::DrawBackgroundBitmapTile(TCanvas& dc, const TRect& rect) {
  TdxReportCells* doc = ReportCells();
  TCustomdxReportRenderer* renderer = Renderer();
  if (!doc || !renderer) return;
  const TBitmap* bitmap = doc->GetBackgroundBitmap(backgroundBitmapIndex_);
  if (!bitmap) return;
  renderer->DrawPicture(dc, rect, nullptr, clNone, clNone, true, false, bitmap, -1, nullptr,
                        GetBackgroundBounds(dc));
}

void TdxReportVisualItem::DrawBorders(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  if (!renderer) return;
  TdxPSCellBorderPainter* painter = renderer->GetBorderPainter(GetBorderPainterClass());
  InitBorderPainter(*painter);
  painter->Paint(dc);
}

TRect TdxReportVisualItem::CalcOuterBounds() const {
  TRect r = GetBorderRect();
  int t = LineThickness();
  TdxItemSides sides = CellSides();
  if (sides & isdLeft) r.Left -= t * GetBorderOuterExtent(csLeft, false);
  if (sides & isdTop) r.Top -= t * GetBorderOuterExtent(csTop, false);
  if (sides & isdRight) r.Right += t * GetBorderOuterExtent(csRight, false);
  if (sides & isdBottom) r.Bottom += t * GetBorderOuterExtent(csBottom, false);
  return r;
}

TRect TdxReportVisualItem::Snap(TCanvas& dc, const TRect& r) const {
  TCustomdxReportRenderer* renderer = Renderer();
  return renderer ? renderer->SnapToPixels(dc, r) : r;
}

TRect TdxReportVisualItem::GetBorderBounds(TCanvas& dc) const {
  TRect r = CalcOuterBounds();
  if (Shadowed()) {
    int d = GetShadowDepth();
    r.Right -= d;
    r.Bottom -= d;
  }
  return Snap(dc, r);
}

TRect TdxReportVisualItem::GetInnerBounds(TCanvas& dc) const {
  TRect r = CalcOuterBounds();
  int t = LineThickness();
  TdxItemSides sides = CellSides();
  if (sides & isdLeft) r.Left += t * GetBorderThickness(csLeft);
  if (sides & isdTop) r.Top += t * GetBorderThickness(csTop);
  if (sides & isdRight) r.Right -= t * GetBorderThickness(csRight);
  if (sides & isdBottom) r.Bottom -= t * GetBorderThickness(csBottom);
  if (Shadowed()) {
    int d = GetShadowDepth();
    r.Right -= d;
    r.Bottom -= d;
  }
  return Snap(dc, r);
}

TRect TdxReportVisualItem::GetOuterBounds(TCanvas& dc) const { return Snap(dc, CalcOuterBounds()); }

void TdxReportVisualItem::SetBounds(int left, int top, int width, int height) {
  TRect r(left, top, ClampToInt(std::int64_t(left) + width), ClampToInt(std::int64_t(top) + height));
  if (r == bounds_) return;
  bounds_ = r;
  BoundsChanged();
}

int TdxReportVisualItem::GetBorderHeight() const {
  int h = 0;
  if (CellSides() & isdTop) h += GetBorderThickness(csTop) - 1;
  if (CellSides() & isdBottom) h += GetBorderThickness(csBottom) - 1;
  if (Shadowed()) h += GetShadowDepth();
  return h;
}

int TdxReportVisualItem::GetBorderWidth() const {
  int w = 0;
  if (CellSides() & isdLeft) w += GetBorderThickness(csLeft) - 1;
  if (CellSides() & isdRight) w += GetBorderThickness(csRight) - 1;
  if (Shadowed()) w += GetShadowDepth();
  return w;
}

void TdxReportVisualItem::SetBorderClass(TdxPSCellBorderClass cls) { borderClass_ = cls ? cls : dxDefaultBorderClass(); }

void TdxReportVisualItem::SetBorderColor(TColor color) { borderColor_ = StoredColor(color); }

TColor TdxReportVisualItem::GetBorderColor() const {
  if (borderColor_ != clDefault) return borderColor_;
  TdxReportCells* doc = ReportCells();
  return doc ? doc->BorderColor() : clBlack;
}

void TdxReportVisualItem::SetColor(TColor color) { color_ = StoredColor(color); }

TPoint TdxReportVisualItem::AbsoluteOrigin() const {
  std::int64_t x = bounds_.Left, y = bounds_.Top;
  for (const TdxReportCell* p = Parent(); p; p = p->Parent()) {
    x += p->Left();
    y += p->Top();
  }
  return {ClampToInt(x), ClampToInt(y)};
}

TRect TdxReportVisualItem::AbsoluteRect() const {
  TPoint o = AbsoluteOrigin();
  return TRect(o.X, o.Y, ClampToInt(std::int64_t(o.X) + Width()), ClampToInt(std::int64_t(o.Y) + Height()));
}

const TFont* TdxReportVisualItem::Font() const {
  TdxReportCells* doc = ReportCells();
  return doc ? doc->GetFontByIndex(fontIndex_) : nullptr;
}

int TdxReportVisualItem::LineThickness() const {
  TCustomdxReportRenderer* renderer = Renderer();
  return renderer ? std::max(1, renderer->LineThickness()) : 1;
}

int TdxReportVisualItem::PixelSize() const {
  TCustomdxReportRenderer* renderer = Renderer();
  return renderer ? std::max(1, renderer->PixelSize()) : 1;
}

int TdxReportVisualItem::ScreenToUnits(int pixels) const {
  TCustomdxReportRenderer* renderer = Renderer();
  if (renderer) return renderer->ScreenToUnits(pixels);
  return MulDiv(pixels, 4800, TDeviceCaps::Screen().LogPixelsY);
}

TColor TdxReportVisualItem::ParentBackgroundColor() const {
  for (const TdxReportCell* p = Parent(); p; p = p->Parent())
    if (!p->Transparent()) return p->Color();
  return clNone;
}

TCustomdxReportRenderer* TdxReportVisualItem::Renderer() const {
  TdxReportCells* doc = ReportCells();
  return doc ? doc->Renderer() : nullptr;
}
