// Edges and frame controls on the canvas: 3-D edges, push buttons, check
// boxes and radio buttons, and the focus rectangle.
#include "platform/Canvas.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>
#include <QPainterPath>
#include <QPrinter>
#include <QScreen>
#include <QTextLayout>
#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>

#include "platform/Exceptions.h"
#include "platform/Graphics.h"
#include "platform/CanvasHelpers.h"

using namespace CanvasHelpers;

// ---- Edges and controls -------------------------------------------------------------------------

namespace {
struct EdgeColors {
  TColor outerTL = clNone, outerBR = clNone, innerTL = clNone, innerBR = clNone;
};

EdgeColors EdgeColorsFor(unsigned edge, unsigned flags) {
  EdgeColors c;
  unsigned outer = edge & BDR_OUTER, inner = (edge & BDR_INNER) >> 2;
  if (flags & BF_MONO) {
    if (outer) c.outerTL = c.outerBR = clWindowFrame;
    if (inner) c.innerTL = c.innerBR = clWindow;
    return c;
  }
  if (flags & BF_FLAT) {
    if (outer) c.outerTL = c.outerBR = clBtnShadow;
    if (inner) c.innerTL = c.innerBR = clBtnFace;
    return c;
  }
  bool soft = flags & BF_SOFT;
  if (outer == 1) {  // raised
    c.outerTL = soft ? clBtnHighlight : cl3DLight;
    c.outerBR = cl3DDkShadow;
  } else if (outer == 2) {  // sunken
    c.outerTL = soft ? cl3DDkShadow : clBtnShadow;
    c.outerBR = clBtnHighlight;
  }
  if (inner == 1) {
    c.innerTL = soft ? cl3DLight : clBtnHighlight;
    c.innerBR = clBtnShadow;
  } else if (inner == 2) {
    c.innerTL = soft ? clBtnShadow : cl3DDkShadow;
    c.innerBR = cl3DLight;
  }
  return c;
}
}  // namespace

// One ring of an edge in device pixels: left and top first, then right and
// bottom over the shared corners; the rectangle shrinks by the ring.
void TCanvas::EdgeRing(TRect& d, unsigned sides, TColor tl, TColor br) {
  if (tl == clNone && br == clNone) return;
  int wx = std::max(1, RoundToInt(std::fabs(double(state_.viewportExt.cx) / state_.windowExt.cx)));
  int wy = std::max(1, RoundToInt(std::fabs(double(state_.viewportExt.cy) / state_.windowExt.cy)));
  auto fill = [&](int l, int t, int r, int b, TColor c) {
    if (c == clNone || r <= l || b <= t) return;
    TBrush brush;
    brush.Color = c;
    FillDeviceRect(QRect(l, t, r - l, b - t), brush);
  };
  if (sides & BF_LEFT) fill(d.Left, d.Top, d.Left + wx, d.Bottom, tl);
  if (sides & BF_TOP) fill(d.Left, d.Top, d.Right, d.Top + wy, tl);
  if (sides & BF_RIGHT) fill(d.Right - wx, d.Top, d.Right, d.Bottom, br);
  if (sides & BF_BOTTOM) fill(d.Left, d.Bottom - wy, d.Right, d.Bottom, br);
  if (sides & BF_LEFT) d.Left += wx;
  if (sides & BF_TOP) d.Top += wy;
  if (sides & BF_RIGHT) d.Right -= wx;
  if (sides & BF_BOTTOM) d.Bottom -= wy;
}

bool TCanvas::DrawEdge(TRect& rect, unsigned edge, unsigned flags) {
  TRect d = DeviceRect(rect);
  EdgeColors c = EdgeColorsFor(edge, flags);
  EdgeRing(d, flags & BF_RECT, c.outerTL, c.outerBR);
  EdgeRing(d, flags & BF_RECT, c.innerTL, c.innerBR);
  if ((flags & BF_MIDDLE) && d.Right > d.Left && d.Bottom > d.Top) {
    TBrush b;
    b.Color = flags & BF_MONO ? clWindow : clBtnFace;
    FillDeviceRect(ToQRect(d), b);
  }
  if (flags & BF_ADJUST) {
    // Back to logical units, keeping which logical side maps to which device side.
    TPoint a = DPtoLP(TPoint{d.Left, d.Top}), b = DPtoLP(TPoint{d.Right, d.Bottom});
    bool flipX = state_.viewportExt.cx / double(state_.windowExt.cx) < 0;
    bool flipY = state_.viewportExt.cy / double(state_.windowExt.cy) < 0;
    rect.Left = flipX ? b.X : a.X;
    rect.Right = flipX ? a.X : b.X;
    rect.Top = flipY ? b.Y : a.Y;
    rect.Bottom = flipY ? a.Y : b.Y;
  }
  return true;
}

bool TCanvas::DrawFrameControl(TRect& rect, unsigned type, unsigned state) {
  if (type != DFC_BUTTON) return false;
  TRect d = DeviceRect(rect);
  unsigned kind = state & 0xFF;
  unsigned look = (state & DFCS_MONO ? BF_MONO : 0) | (state & DFCS_FLAT ? BF_FLAT : 0);
  bool dim = state & DFCS_INACTIVE;
  bool pushed = state & DFCS_PUSHED;
  bool checked = state & DFCS_CHECKED;

  if (kind == DFCS_BUTTONPUSH) {
    EdgeColors c = EdgeColorsFor(pushed || checked ? EDGE_SUNKEN : EDGE_RAISED, BF_SOFT | look);
    EdgeRing(d, BF_RECT, c.outerTL, c.outerBR);
    EdgeRing(d, BF_RECT, c.innerTL, c.innerBR);
    if (d.Right > d.Left && d.Bottom > d.Top) {
      TBrush b;
      b.Color = look & BF_MONO ? clWindow : clBtnFace;
      FillDeviceRect(ToQRect(d), b);
    }
    if (state & DFCS_ADJUSTRECT) {
      TPoint a = DPtoLP(TPoint{d.Left, d.Top}), b = DPtoLP(TPoint{d.Right, d.Bottom});
      rect = TRect(std::min(a.X, b.X), std::min(a.Y, b.Y), std::max(a.X, b.X), std::max(a.Y, b.Y));
    }
    return true;
  }

  bool radio = kind == DFCS_BUTTONRADIO || kind == DFCS_BUTTONRADIOIMAGE;
  bool check = kind == DFCS_BUTTONCHECK || kind == DFCS_BUTTON3STATE;
  if (!radio && !check) return false;
  int s = std::min(d.Width(), d.Height());
  if (s <= 0 || !painter_) return true;
  TRect sq = Bounds(d.Left + (d.Width() - s) / 2, d.Top + (d.Height() - s) / 2, s, s);
  TColor face = pushed || dim ? clBtnFace : clWindow;
  TColor mark = dim || kind == DFCS_BUTTON3STATE ? clBtnShadow : clWindowText;
  if (look & BF_MONO) {
    face = clWindow;
    mark = clWindowText;
  }

  if (check) {
    int u = std::max(1, s / 13);
    EdgeColors c = EdgeColorsFor(EDGE_SUNKEN, look);
    auto ring = [&](TRect& r, TColor tl, TColor br) {
      if (tl == clNone && br == clNone) return;
      auto fill = [&](int l, int t, int rr, int b, TColor col) {
        if (col == clNone || rr <= l || b <= t) return;
        TBrush brush;
        brush.Color = col;
        FillDeviceRect(QRect(l, t, rr - l, b - t), brush);
      };
      fill(r.Left, r.Top, r.Left + u, r.Bottom, tl);
      fill(r.Left, r.Top, r.Right, r.Top + u, tl);
      fill(r.Right - u, r.Top, r.Right, r.Bottom, br);
      fill(r.Left, r.Bottom - u, r.Right, r.Bottom, br);
      r.Inflate(-u, -u);
    };
    TRect in = sq;
    ring(in, c.outerTL, c.outerBR);
    ring(in, c.innerTL, c.innerBR);
    if (in.IsEmpty()) return true;
    TBrush fb;
    fb.Color = face;
    FillDeviceRect(ToQRect(in), fb);
    if (checked) {
      // The classic mark: seven columns, three pixels high, on a 9 x 9 grid.
      static const int top[7] = {2, 3, 4, 3, 2, 1, 0};
      int n = std::min(in.Width(), in.Height());
      TBrush mb;
      mb.Color = mark;
      for (int col = 0; col < 7; ++col) {
        int x0 = in.Left + (1 + col) * n / 9, x1 = in.Left + (2 + col) * n / 9;
        int y0 = in.Top + (1 + top[col]) * n / 9, y1 = in.Top + (4 + top[col]) * n / 9;
        FillDeviceRect(QRect(x0, y0, std::max(1, x1 - x0), std::max(1, y1 - y0)), mb);
      }
    }
    return true;
  }

  // Radio button: two rings of half circles, the interior and the dot.
  int u = std::max(1, s / 12);
  EdgeColors c = EdgeColorsFor(EDGE_SUNKEN, look);
  DeviceSpace ds(*this);
  painter_->save();
  painter_->setPen(Qt::NoPen);
  QPolygon upperLeft;
  upperLeft << QPoint(sq.Left, sq.Top) << QPoint(sq.Right, sq.Top) << QPoint(sq.Left, sq.Bottom);
  auto disc = [&](const TRect& r, TColor tl, TColor br) {
    if (r.IsEmpty()) return;
    QRectF e(r.Left, r.Top, r.Width(), r.Height());
    painter_->setBrush(ToQColor(br));
    painter_->drawEllipse(e);
    painter_->save();
    painter_->setClipRegion(QRegion(upperLeft), Qt::IntersectClip);
    painter_->setBrush(ToQColor(tl));
    painter_->drawEllipse(e);
    painter_->restore();
  };
  TRect r = sq;
  if (c.outerTL != clNone) {
    disc(r, c.outerTL, c.outerBR);
    r.Inflate(-u, -u);
  }
  if (c.innerTL != clNone) {
    disc(r, c.innerTL, c.innerBR);
    r.Inflate(-u, -u);
  }
  if (!r.IsEmpty()) {
    painter_->setBrush(ToQColor(face));
    painter_->drawEllipse(QRectF(r.Left, r.Top, r.Width(), r.Height()));
  }
  if (checked) {
    double dot = std::max(2.0, s / 3.0);
    painter_->setBrush(ToQColor(mark));
    painter_->drawEllipse(QRectF(sq.Left + (s - dot) / 2, sq.Top + (s - dot) / 2, dot, dot));
  }
  painter_->restore();
  return true;
}

void TCanvas::DrawFocusRect(const TRect& r) {
  if (!painter_) return;
  TRect d = DeviceRect(r);
  if (d.IsEmpty()) return;
  bool raster = IsRasterDevice(painter_);
  QImage tex(2, 2, QImage::Format_ARGB32_Premultiplied);
  tex.fill(raster ? qRgb(0, 0, 0) : 0);
  QRgb on = raster ? qRgb(255, 255, 255) : qRgb(0, 0, 0);
  tex.setPixel(0, 0, on);
  tex.setPixel(1, 1, on);
  QRegion frame(ToQRect(d));
  if (d.Width() > 2 && d.Height() > 2) frame -= QRegion(d.Left + 1, d.Top + 1, d.Width() - 2, d.Height() - 2);
  DeviceSpace ds(*this);
  painter_->save();
  painter_->setBrushOrigin(d.Left, d.Top);
  if (raster) painter_->setCompositionMode(QPainter::RasterOp_SourceXorDestination);
  for (const QRect& rect : frame) painter_->fillRect(rect, QBrush(tex));
  painter_->restore();
}
