#include "report/ShapeItems.h"

#include <algorithm>
#include <cstdint>

#include "platform/Canvas.h"
#include "report/RendererInterface.h"
#include "report/ReportStreamValues.h"

namespace {

bool Paints(TColor color) { return color != clNone && color != clDefault; }

TRect Inset(const TRect& r, int w) { return TRect(r.Left + w, r.Top + w, r.Right - w, r.Bottom - w); }

// The pen of an outline w wide kept inside the figure's rectangle.
TPen OutlinePen(TColor color, int w) {
  TPen pen;
  pen.Color = color;
  pen.Width = w;
  pen.Style = w > 0 && Paints(color) ? psInsideFrame : psClear;
  return pen;
}

}  // namespace

// ---- TCustomdxReportCellShape --------------------------------------------------

void TCustomdxReportCellShape::SetShapeBorderThickness(int value) { shapeBorderThickness_ = std::max(0, value); }

TPoint TCustomdxReportCellShape::GetShapeCenter() const { return {Left() + Width() / 2, Top() + Height() / 2}; }

TRect TCustomdxReportCellShape::GetShapeBounds() const {
  TPoint c = GetShapeCenter();
  int w = GetShapeWidth(), h = GetShapeHeight();
  int left = c.X - w / 2, top = c.Y - h / 2;
  return TRect(left, top, left + w, top + h);
}

void TCustomdxReportCellShape::Assign(const TdxReportItem& source) {
  TAbstractdxReportCellData::Assign(source);
  auto* s = dynamic_cast<const TCustomdxReportCellShape*>(&source);
  if (!s || s == this) return;
  shapeBorderColor_ = s->shapeBorderColor_;
  shapeBorderThickness_ = s->shapeBorderThickness_;
  shapeColor_ = s->shapeColor_;
}

void TCustomdxReportCellShape::ReadData(TdxReportReader& reader) {
  TAbstractdxReportCellData::ReadData(reader);
  shapeBorderColor_ = reader.ReadInteger();
  SetShapeBorderThickness(reader.ReadInteger());
  shapeColor_ = reader.ReadInteger();
}

void TCustomdxReportCellShape::WriteData(TdxReportWriter& writer) const {
  TAbstractdxReportCellData::WriteData(writer);
  writer.WriteInteger(shapeBorderColor_);
  writer.WriteInteger(shapeBorderThickness_);
  writer.WriteInteger(shapeColor_);
}

void TCustomdxReportCellShape::Draw(TCanvas& dc, int) {
  TCustomdxReportRenderer* renderer = Renderer();
  if (!renderer) return;
  // A thickness read from a stream may be anything: keep the outline within
  // the shape.
  TRect r = GetShapeBounds();
  std::int64_t w = std::int64_t(shapeBorderThickness_) * renderer->LineThickness();
  int limit = std::max(0, std::min(r.Width(), r.Height()) / 2 + 1);
  DrawShape(dc, r, int(std::min<std::int64_t>(w, limit)));
}

TBrush TCustomdxReportCellShape::ContentBrush(TCanvas& dc, const TRect& bounds) const {
  TBrush brush;
  brush.Style = bsClear;
  if (!contentPattern_) return brush;
  if (contentPattern_->IsSolid() || contentPattern_->PatternBits().empty()) {
    if (Paints(shapeColor_)) {
      brush.Style = bsSolid;
      brush.Color = shapeColor_;
    }
    return brush;
  }
  if (!Paints(shapeColor_)) return brush;
  TdxPSFillPatternItem* item = TdxPSFillPatternFactory::Instance()->GetItem(contentPattern_, dc.IsPrinter());
  brush = item->Brush();
  dc.SetTextColor(shapeColor_);
  dc.SetBkColor(Paints(contentBkColor_) ? contentBkColor_ : clWhite);
  if (contentPattern_->AlignsToDevice()) {
    TRect d = dc.DeviceRect(bounds);
    int cx = std::max(1, brush.Bitmap.width()), cy = std::max(1, brush.Bitmap.height());
    dc.SetBrushOrg(((d.Left % cx) + cx) % cx, ((d.Top % cy) + cy) % cy);
  }
  return brush;
}

// ---- Figures -------------------------------------------------------------------

void TCustomdxReportCellEllipseShape::DrawShape(TCanvas& dc, const TRect& r, int w) {
  if (r.IsEmpty()) return;
  TCanvasStateSaver saver(dc);
  dc.SetBrush(ContentBrush(dc, r));
  dc.SetPen(OutlinePen(ShapeBorderColor(), w));
  dc.Ellipse(r);
}

void TCustomdxReportCellRectangle::DrawShape(TCanvas& dc, const TRect& r, int w) {
  if (r.IsEmpty()) return;
  TCustomdxReportRenderer* renderer = Renderer();
  TRect inner = Inset(r, w);
  if (GetContentPattern() && !inner.IsEmpty())
    renderer->FillRectEx(dc, inner, GetContentPattern(), GetContentBkColor(), ShapeColor());
  if (w > 0) {
    TCustomdxReportRenderer& rr = *renderer;
    rr.FillRect(dc, TRect(r.Left, r.Top, r.Right, std::min(r.Bottom, r.Top + w)), ShapeBorderColor());
    rr.FillRect(dc, TRect(r.Left, std::max(r.Top, r.Bottom - w), r.Right, r.Bottom), ShapeBorderColor());
    rr.FillRect(dc, TRect(r.Left, r.Top + w, std::min(r.Right, r.Left + w), r.Bottom - w), ShapeBorderColor());
    rr.FillRect(dc, TRect(std::max(r.Left, r.Right - w), r.Top + w, r.Right, r.Bottom - w), ShapeBorderColor());
  }
}

void TdxReportCellRoundRect::Assign(const TdxReportItem& source) {
  TCustomdxReportCellRectangle::Assign(source);
  auto* s = dynamic_cast<const TdxReportCellRoundRect*>(&source);
  if (!s || s == this) return;
  ellipseHeight_ = s->ellipseHeight_;
  ellipseWidth_ = s->ellipseWidth_;
}

void TdxReportCellRoundRect::Scale(int numerator, int denominator) {
  TCustomdxReportCellRectangle::Scale(numerator, denominator);
  if (denominator == 0) return;
  SetEllipseHeight(MulDiv(ellipseHeight_, numerator, denominator));
  SetEllipseWidth(MulDiv(ellipseWidth_, numerator, denominator));
}

void TdxReportCellRoundRect::DrawShape(TCanvas& dc, const TRect& r, int w) {
  if (r.IsEmpty()) return;
  TCanvasStateSaver saver(dc);
  dc.SetBrush(ContentBrush(dc, r));
  dc.SetPen(OutlinePen(ShapeBorderColor(), w));
  dc.RoundRect(r, EllipseWidth(), EllipseHeight());
}

// ---- Registration --------------------------------------------------------------

namespace {
TdxClass const* ShapeClasses(int& count) {
  static const TdxClass classes[] = {
      TdxReportCellEllipse::StaticClass(),   TdxReportCellCircle::StaticClass(),
      TdxReportCellRectangle::StaticClass(), TdxReportCellSquare::StaticClass(),
      TdxReportCellRoundRect::StaticClass(), TdxReportCellRoundSquare::StaticClass(),
  };
  count = int(std::size(classes));
  return classes;
}
}  // namespace

void TdxPSShapeFactory::InitializeInstance() {
  TdxCustomClassFactory::InitializeInstance();
  int count = 0;
  TdxClass const* classes = ShapeClasses(count);
  for (int i = 0; i < count; ++i) Register(classes[i]);
}

const TdxReportCellShapeClassInfo* dxAsShapeClass(TdxClass cls) {
  if (!cls || !cls->InheritsFrom(TCustomdxReportCellShape::StaticClass())) return nullptr;
  return static_cast<const TdxReportCellShapeClassInfo*>(cls);
}

void dxPSRegisterShapeClasses() {
  int count = 0;
  TdxClass const* classes = ShapeClasses(count);
  for (int i = 0; i < count; ++i) dxRegisterClass(classes[i]);
}
