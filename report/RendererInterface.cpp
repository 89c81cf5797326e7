#include "report/RendererInterface.h"

#include <algorithm>

#include "platform/Canvas.h"
#include "platform/Graphics.h"
#include "report/ReportCells.h"
#include "report/DataItems.h"
#include "report/EngineExceptions.h"
#include "report/ImageList.h"

namespace {

// Rows of a pattern (bit c = column c, 1 = background) as the canvas's
// monochrome pattern rows (bit 7 = column 0, 1 = background).
std::vector<std::uint8_t> MonoRows(std::span<const std::uint16_t> bits) {
  std::vector<std::uint8_t> rows;
  for (std::uint16_t row : bits) {
    std::uint8_t b = 0;
    for (int c = 0; c < 8; ++c)
      if (row & (1u << c)) b |= std::uint8_t(0x80 >> c);
    rows.push_back(b);
  }
  return rows;
}

// The part i/n of the extent [a, b).
int Part(int a, int b, int i, int n) { return a + MulDiv(i, b - a, n); }

// A rectangle of the 13 x 13 glyph grid of a check box in r.
TRect GlyphCell(const TRect& r, int x0, int y0, int x1, int y1) {
  return TRect(Part(r.Left, r.Right, x0, 13), Part(r.Top, r.Bottom, y0, 13), Part(r.Left, r.Right, x1, 13),
               Part(r.Top, r.Bottom, y1, 13));
}

}  // namespace

TCustomdxReportRenderer::TCustomdxReportRenderer() = default;
TCustomdxReportRenderer::~TCustomdxReportRenderer() = default;

int TCustomdxReportRenderer::ScreenPixelsPerInch() const { return TDeviceCaps::Screen().LogPixelsY; }

int TCustomdxReportRenderer::ScreenToUnits(int pixels) const {
  int ppi = ScreenPixelsPerInch();
  return ppi > 0 ? MulDiv(pixels, UnitsPerInch(), ppi) : pixels;
}

// ---- Text ----------------------------------------------------------------------

int TCustomdxReportRenderer::MeasureTextHeight(TCanvas& dc, const std::string& text, int width, const TFont* font,
                                               bool multiline) {
  if (text.empty()) return 0;
  TRect r(0, 0, width < 0 ? 5 : width, 5);
  unsigned flags = dxTextFlags::CalcRect | dxTextFlags::BreakInWords | dxTextFlags::Margins |
                   (multiline ? dxTextFlags::WordBreak | dxTextFlags::ExpandTabs : dxTextFlags::SingleLine);
  TextOut(dc, text, r, flags, font, 0, 0, 0);
  return r.Height();
}

int TCustomdxReportRenderer::MeasureTextWidth(TCanvas& dc, const std::string& text, const TFont* font) {
  if (text.empty()) return 0;
  TRect r(0, 0, 5, 5);
  TextOut(dc, text, r,
          dxTextFlags::CalcRect | dxTextFlags::BreakInWords | dxTextFlags::Margins | dxTextFlags::SingleLine, font,
          0, 0, 0);
  return r.Width();
}

int TCustomdxReportRenderer::MeasureFontHeight(TCanvas& dc, const TFont* font) {
  return MeasureTextHeight(dc, "Wg", -1, font, false);
}

int TCustomdxReportRenderer::MeasureLineCount(TCanvas& dc, const std::string& text, int width, const TFont* font) {
  if (text.empty()) return 0;
  TRect r(0, 0, width < 0 ? 5 : width, 5);
  return TextOut(dc, text, r,
                 dxTextFlags::CalcRect | dxTextFlags::BreakInWords | dxTextFlags::Margins |
                     dxTextFlags::WordBreak | dxTextFlags::ExpandTabs | dxTextFlags::LineCount,
                 font, 0, 0, 0);
}

void TCustomdxReportRenderer::DrawCaption(TCanvas& dc, const TRect& rect, TdxTextAlignX alignX,
                                          TdxTextAlignY alignY, bool fill, TColor color, const TFont* font,
                                          const std::string& text, unsigned flags) {
  if (fill) FillRect(dc, rect, color);
  if (text.empty()) return;
  TRect r = rect;
  flags |= dxTextFlags::CaptionBase | (unsigned(alignX) & dxTextFlags::AlignXMask) |
           ((unsigned(alignY) << dxTextFlags::AlignYOffset) & dxTextFlags::AlignYMask);
  TextOut(dc, text, r, flags, font, 0, 0, 0);
}

// ---- Fills ---------------------------------------------------------------------

void TCustomdxReportRenderer::FillRect(TCanvas& dc, const TRect& rect, TColor color) {
  if (color == clNone || color == clDefault || rect.IsEmpty()) return;
  dc.FillRect(rect, color);
}

void TCustomdxReportRenderer::FillRectEx(TCanvas& dc, const TRect& rect, TdxPSFillPatternClass pattern,
                                         TColor bkColor, TColor color) {
  if (!pattern || rect.IsEmpty()) return;
  std::span<const std::uint16_t> bits = pattern->PatternBits();
  if (pattern->IsSolid() || bits.empty()) {
    FillRect(dc, rect, color);
    return;
  }
  if (color == clNone || color == clDefault) return;
  std::vector<std::uint8_t> rows = MonoRows(bits);
  TBrush brush;
  brush.Bitmap = CreateMonoPattern(rows);
  TColor oldText = dc.GetTextColor();
  TColor oldBk = dc.GetBkColor();
  TPoint oldOrg = dc.GetBrushOrg();
  dc.SetTextColor(color);
  dc.SetBkColor(bkColor == clNone || bkColor == clDefault ? clWhite : bkColor);
  if (pattern->AlignsToDevice()) {
    TRect d = dc.DeviceRect(rect);
    TSize size = pattern->PatternSize();
    dc.SetBrushOrg(((d.Left % size.cx) + size.cx) % size.cx, ((d.Top % size.cy) + size.cy) % size.cy);
  }
  dc.FillRect(rect, brush);
  dc.SetBrushOrg(oldOrg.X, oldOrg.Y);
  dc.SetBkColor(oldBk);
  dc.SetTextColor(oldText);
}

void TCustomdxReportRenderer::FrameRect(TCanvas& dc, const TRect& rect, int count, TdxItemSides sides,
                                        TColor color) {
  int t = LineThickness();
  TRect r = rect;
  for (int i = 0; i < count; ++i) {
    for (int side = csLeft; side <= csBottom; ++side)
      if (sides & (1u << side)) FillRect(dc, TdxPSCellBorderPainter::GetEdgeBounds(r, side, t), color);
    r = TdxPSCellBorderPainter::InsetBySides(r, sides, t);
  }
}

// ---- Pictures ------------------------------------------------------------------

void TCustomdxReportRenderer::DrawGraphic(TCanvas& dc, const TRect& rect, const TGraphic& graphic) {
  if (rect.IsEmpty() || graphic.Empty()) return;
  dc.StretchDraw(rect, graphic);
}

void TCustomdxReportRenderer::DrawPicture(TCanvas& dc, const TRect& imageRect, TdxPSFillPatternClass pattern,
                                          TColor bkColor, TColor color, bool noFill, bool transparent,
                                          const TGraphic* graphic, int imageIndex,
                                          const TCustomImageList* imageList, const TRect& clipRect) {
  const TBitmap* listImage = nullptr;
  if (imageList && imageIndex >= 0 && imageIndex < imageList->Count()) listImage = &imageList->Image(imageIndex);
  const TGraphic* picture = listImage ? listImage : graphic;
  if (picture && picture->Empty()) picture = nullptr;

  TdxClipRegionSaver clipSaver(dc);
  if (imageRect.Left < clipRect.Left || imageRect.Top < clipRect.Top || imageRect.Right > clipRect.Right ||
      imageRect.Bottom > clipRect.Bottom)
    dc.IntersectClipRect(clipRect);

  bool isIcon = picture && picture->ClassType() == TIcon::Class();
  bool pictureTransparent = listImage || isIcon || (picture && transparent);
  if (!noFill) {
    if (!picture || pictureTransparent || imageRect.IsEmpty()) {
      FillRectEx(dc, clipRect, pattern, bkColor, color);
    } else {
      TdxClipRegionSaver fillClip(dc);
      dc.ExcludeClipRect(imageRect);
      FillRectEx(dc, clipRect, pattern, bkColor, color);
    }
  }
  if (!picture || imageRect.IsEmpty()) return;

  // Bitmaps show their mask only when the item asks for transparency (image
  // list entries always do); other kinds are drawn as they are, metafiles as
  // vectors.
  bool wantMask = listImage ? true : (transparent && !isIcon);
  if (picture->ClassType() == TBitmap::Class() && picture->Transparent() != wantMask) {
    std::unique_ptr<TGraphic> copy = picture->Clone();
    copy->SetTransparent(wantMask);
    DrawGraphic(dc, imageRect, *copy);
  } else {
    DrawGraphic(dc, imageRect, *picture);
  }
}

// ---- Glyphs --------------------------------------------------------------------

namespace {

void FillEllipseShape(TCanvas& dc, const TRect& r, TColor color, int pixel) {
  if (color == clNone || r.IsEmpty()) return;
  TCanvasStateSaver saver(dc);
  dc.Pen().Style = psClear;
  dc.Brush().Style = bsSolid;
  dc.Brush().Bitmap = QImage();
  dc.Brush().Color = color;
  // Without a pen the figure leaves out its last column and row.
  dc.Ellipse(TRect(r.Left, r.Top, r.Right + pixel, r.Bottom + pixel));
}

// The upper-left half of the ellipse in r.
void FillUpperLeftHalf(TCanvas& dc, const TRect& r, TColor color, int pixel) {
  if (color == clNone || r.IsEmpty()) return;
  TCanvasStateSaver saver(dc);
  dc.Pen().Style = psClear;
  dc.Brush().Style = bsSolid;
  dc.Brush().Bitmap = QImage();
  dc.Brush().Color = color;
  TRect e(r.Left, r.Top, r.Right + pixel, r.Bottom + pixel);
  dc.Chord(e, TPoint{e.Right, e.Top}, TPoint{e.Left, e.Bottom});
}

}  // namespace

void TCustomdxReportRenderer::DrawCheckGlyph(TCanvas& dc, const TRect& rect, TColor borderColor,
                                             TdxCheckEdgeStyle edgeStyle, bool isRadio, bool enabled,
                                             bool checked) {
  if (rect.IsEmpty()) return;
  if (edgeStyle == cesControl) {
    unsigned state = (isRadio ? DFCS_BUTTONRADIO : DFCS_BUTTONCHECK) | DFCS_TRANSPARENT;
    if (!enabled) state |= DFCS_INACTIVE | DFCS_BUTTON3STATE;
    if (checked) state |= DFCS_CHECKED;
    dc.DrawFrameControl(rect, DFC_BUTTON, state);
    return;
  }
  // Colours of the two frame rings: ring 0 is the outer one, ring 1 lies
  // one glyph pixel inside it.
  TColor ring0TL = clNone, ring0BR = clNone, ring1TL = clNone, ring1BR = clNone;
  switch (edgeStyle) {
    case cesGlyph3D:
      ring0TL = clBtnShadow;
      ring0BR = clBtnHighlight;
      ring1TL = ring1BR = clBtnFace;
      break;
    case cesDouble: ring0TL = ring0BR = ring1TL = ring1BR = borderColor; break;
    case cesSingle: ring1TL = ring1BR = clWindowText; break;
    case cesColored: ring1TL = ring1BR = borderColor; break;
    default: break;
  }
  if (ring0TL == clDefault) ring0TL = ring0BR = clBlack;
  if (ring1TL == clDefault) ring1TL = ring1BR = clBlack;
  TColor interior = enabled ? clWindow : clBtnFace;

  if (isRadio) {
    TRect r = rect;
    int t = LineThickness();
    r.Offset(0, t);
    int p = std::max(1, PixelSize());
    auto inset = [&](int n) { return GlyphCell(r, n, n, 12 - n, 12 - n); };
    if (ring0TL != clNone) {
      FillEllipseShape(dc, inset(0), ring0BR, p);
      FillUpperLeftHalf(dc, inset(0), ring0TL, p);
    }
    if (ring1TL != clNone) {
      FillEllipseShape(dc, inset(1), ring1BR, p);
      FillUpperLeftHalf(dc, inset(1), ring1TL, p);
    }
    FillEllipseShape(dc, inset(2), interior, p);
    if (checked) {
      FillRect(dc, GlyphCell(r, 5, 4, 7, 8), clWindowText);
      FillRect(dc, GlyphCell(r, 4, 5, 8, 7), clWindowText);
    }
    return;
  }

  FillRect(dc, GlyphCell(rect, 2, 2, 11, 11), interior);
  if (checked) {
    static const int kTop[7] = {2, 3, 4, 3, 2, 1, 0};
    for (int i = 0; i < 7; ++i) FillRect(dc, GlyphCell(rect, 3 + i, 3 + kTop[i], 4 + i, 6 + kTop[i]), clWindowText);
  }
  if (ring0TL != clNone) {
    FillRect(dc, GlyphCell(rect, 0, 0, 1, 12), ring0TL);
    FillRect(dc, GlyphCell(rect, 0, 0, 12, 1), ring0TL);
    FillRect(dc, GlyphCell(rect, 12, 0, 13, 13), ring0BR);
    FillRect(dc, GlyphCell(rect, 0, 12, 13, 13), ring0BR);
  }
  if (ring1TL != clNone) {
    FillRect(dc, GlyphCell(rect, 1, 1, 2, 11), ring1TL);
    FillRect(dc, GlyphCell(rect, 1, 1, 11, 2), ring1TL);
    FillRect(dc, GlyphCell(rect, 11, 1, 12, 12), ring1BR);
    FillRect(dc, GlyphCell(rect, 1, 11, 12, 12), ring1BR);
  }
}

void TCustomdxReportRenderer::DrawExpandButton(TCanvas& dc, const TRect& r, const ExpandButtonStyle& style) {
  if (r.IsEmpty()) return;
  int t = LineThickness();
  auto ring = [&](const TRect& box, TColor topLeft, TColor bottomRight) {
    FillRect(dc, TRect(box.Left, box.Top, box.Left + t, box.Bottom - t), topLeft);
    FillRect(dc, TRect(box.Left, box.Top, box.Right - t, box.Top + t), topLeft);
    FillRect(dc, TRect(box.Right - t, box.Top, box.Right, box.Bottom), bottomRight);
    FillRect(dc, TRect(box.Left, box.Bottom - t, box.Right, box.Bottom), bottomRight);
  };
  if (style.Border) {
    TRect inner = r;
    inner.Inflate(-t, -t);
    if (style.ThreeD) {
      ring(r, style.BorderColor, style.BorderColor);
      if (!style.Transparent) {
        TRect i2 = inner;
        i2.Inflate(-t, -t);
        FillRect(dc, i2, style.InteriorColor);
      }
      ring(inner, clBtnHighlight, style.ThreeDSoft ? clBtnFace : clBtnShadow);
    } else {
      if (!style.Transparent) FillRect(dc, inner, style.InteriorColor);
      ring(r, style.BorderColor, style.BorderColor);
      if (style.Shadow) {
        TRect s = r;
        s.Offset(t, t);
        FillRect(dc, TRect(s.Right - t, s.Top, s.Right, s.Bottom), clBtnShadow);
        FillRect(dc, TRect(s.Left, s.Bottom - t, s.Right, s.Bottom), clBtnShadow);
      }
    }
  }
  // The sign: a bar of five ninths of the button, one line thick, centred.
  int side = r.Width();
  int margin = MulDiv(side, 2, 9);
  int cy = r.Top + (r.Height() - t) / 2;
  int cx = r.Left + (r.Width() - t) / 2;
  if (r.Width() - 2 * margin >= t) FillRect(dc, TRect(r.Left + margin, cy, r.Right - margin, cy + t), clWindowText);
  if (!style.Expanded && r.Height() - 2 * margin >= t)
    FillRect(dc, TRect(cx, r.Top + margin, cx + t, r.Bottom - margin), clWindowText);
}

void TCustomdxReportRenderer::DrawSortMark(TCanvas& dc, const TRect& rect, int sortOrder) {
  if (rect.IsEmpty() || (sortOrder != 1 && sortOrder != 2)) return;
  int w = std::min(rect.Width(), ScreenToUnits(8));
  int h = std::min(rect.Height(), ScreenToUnits(4));
  int cx = rect.Left + rect.Width() / 2, cy = rect.Top + rect.Height() / 2;
  TPoint pts[3];
  if (sortOrder == 1)
    pts[0] = {cx - w / 2, cy + h / 2}, pts[1] = {cx + w / 2, cy + h / 2}, pts[2] = {cx, cy - h / 2};
  else
    pts[0] = {cx - w / 2, cy - h / 2}, pts[1] = {cx + w / 2, cy - h / 2}, pts[2] = {cx, cy + h / 2};
  TCanvasStateSaver saver(dc);
  dc.Pen().Style = psClear;
  dc.Brush().Style = bsSolid;
  dc.Brush().Bitmap = QImage();
  dc.Brush().Color = clWindowText;
  dc.Polygon(pts);
}

// ---- Custom drawing, painters, snapping ----------------------------------------

bool TCustomdxReportRenderer::IsCustomDrawn(const TAbstractdxReportCellData&) const { return false; }

bool TCustomdxReportRenderer::CustomDrawItem(TAbstractdxReportCellData&) { return false; }

namespace {
// One painter object per painter class, made on first use and kept by the
// renderer.
template <class TPainter>
TPainter* CachedPainter(std::vector<std::unique_ptr<TdxObject>>& painters, TdxClass cls,
                        TCustomdxReportRenderer* renderer) {
  if (!TdxObject::InheritsFrom(cls, TPainter::StaticClass())) dxRaiseCannotCreate(cls);
  for (auto& p : painters)
    if (p->ClassType() == cls) return static_cast<TPainter*>(p.get());
  auto painter = dxCreateObject<TPainter>(cls);
  painter->SetRenderer(renderer);
  TPainter* result = painter.get();
  painters.push_back(std::move(painter));
  return result;
}
}  // namespace

TdxPSCellBorderPainter* TCustomdxReportRenderer::GetBorderPainter(TdxClass cls) {
  return CachedPainter<TdxPSCellBorderPainter>(painters_, cls, this);
}

TdxPSReportGroupLookAndFeelPainter* TCustomdxReportRenderer::GetLookAndFeelPainter(TdxClass cls) {
  return CachedPainter<TdxPSReportGroupLookAndFeelPainter>(painters_, cls, this);
}

TRect TCustomdxReportRenderer::SnapToPixels(TCanvas& dc, const TRect& rect) const {
  return dc.DPtoLP(dc.LPtoDP(rect));
}
