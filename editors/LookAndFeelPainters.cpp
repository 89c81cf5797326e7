#include "editors/LookAndFeelPainters.h"

#include <QApplication>
#include <QPainter>
#include <QStyle>
#include <QStyleOption>
#include <algorithm>

#include "platform/Canvas.h"
#include "platform/QtStrings.h"

namespace {

void Frame(TCanvas& canvas, const TRect& r, TColor color) {
  TBrush brush;
  brush.Color = color;
  canvas.FrameRect(r, brush);
}

TRect Inflated(TRect r, int d) {
  r.Inflate(d, d);
  return r;
}

// a * weight% + b * (100 - weight)%, channel by channel.
TColor Mix(TColor a, TColor b, int weight) {
  std::uint32_t x = ColorToRGB(a), y = ColorToRGB(b);
  auto ch = [&](int cx, int cy) { return (cx * weight + cy * (100 - weight)) / 100; };
  return TColor(RGBValue(ch(GetRValue(x), GetRValue(y)), ch(GetGValue(x), GetGValue(y)),
                         ch(GetBValue(x), GetBValue(y))));
}

QStyle::State QtState(TcxButtonState state) {
  QStyle::State s = QStyle::State_None;
  if (state != cxbsDisabled) s |= QStyle::State_Enabled;
  if (state == cxbsHot) s |= QStyle::State_MouseOver;
  if (state == cxbsPressed) s |= QStyle::State_Sunken;
  else s |= QStyle::State_Raised;
  return s;
}

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

// The application's widget style, or null without a widget application (the
// native painter then draws as the standard one does).
QStyle* AppStyle() { return qobject_cast<QApplication*>(QCoreApplication::instance()) ? QApplication::style() : nullptr; }

}  // namespace

// ---- TcxCustomLookAndFeelPainter -----------------------------------------------

int TcxCustomLookAndFeelPainter::ButtonBorderSize(TcxButtonState) const { return 2; }

TColor TcxCustomLookAndFeelPainter::ButtonColor(TcxButtonState) const { return clBtnFace; }

TColor TcxCustomLookAndFeelPainter::ButtonSymbolColor(TcxButtonState state) const {
  return state == cxbsDisabled ? clBtnShadow : clBtnText;
}

void TcxCustomLookAndFeelPainter::DrawButton(TCanvas& canvas, const TRect& r, const std::string& caption,
                                             TcxButtonState state) const {
  if (r.IsEmpty()) return;
  DrawButtonBorder(canvas, r, state);
  TRect face = Inflated(r, -ButtonBorderSize(state));
  canvas.FillRect(face, ButtonColor(state));
  if (caption.empty() || face.IsEmpty()) return;
  TCanvasStateSaver saver(canvas);
  canvas.IntersectClipRect(face);
  canvas.SetBkMode(TRANSPARENT);
  canvas.SetTextColor(ButtonSymbolColor(state));
  TSize size = canvas.TextExtent(caption);
  int shift = state == cxbsPressed ? ButtonTextShift() : 0;
  canvas.TextOut((face.Left + face.Right - size.cx) / 2 + shift, (face.Top + face.Bottom - size.cy) / 2 + shift,
                 caption);
}

void TcxCustomLookAndFeelPainter::DrawArrow(TCanvas& canvas, const TRect& r, TcxArrowDirection direction,
                                            TColor color) const {
  int size = std::min(r.Width(), r.Height());
  if (size <= 0) return;
  // Half the base of the triangle; its height is half as much again.
  int half = std::max(1, size / 4);
  int cx = (r.Left + r.Right) / 2, cy = (r.Top + r.Bottom) / 2;
  TPoint p[3];
  switch (direction) {
    case adUp: p[0] = {cx - half, cy + half / 2}; p[1] = {cx + half, cy + half / 2}; p[2] = {cx, cy - half / 2 - (half & 1)}; break;
    case adDown: p[0] = {cx - half, cy - half / 2}; p[1] = {cx + half, cy - half / 2}; p[2] = {cx, cy + half / 2 + (half & 1)}; break;
    case adLeft: p[0] = {cx + half / 2, cy - half}; p[1] = {cx + half / 2, cy + half}; p[2] = {cx - half / 2 - (half & 1), cy}; break;
    case adRight: p[0] = {cx - half / 2, cy - half}; p[1] = {cx - half / 2, cy + half}; p[2] = {cx + half / 2 + (half & 1), cy}; break;
  }
  TCanvasStateSaver saver(canvas);
  canvas.SetPen(TPen{color, 1, psSolid});
  TBrush brush;
  brush.Color = color;
  canvas.SetBrush(brush);
  canvas.Polygon(p);
}

void TcxCustomLookAndFeelPainter::DrawCheckMark(TCanvas& canvas, const TRect& inner, TColor color) {
  // A tick of three-pixel-thick strokes, scaled to the box.
  int w = inner.Width(), h = inner.Height();
  if (w < 5 || h < 5) {
    canvas.FillRect(Inflated(inner, -1), color);
    return;
  }
  int x0 = inner.Left + w / 6, y0 = inner.Top + h / 2 - 1;
  int x1 = inner.Left + w * 5 / 12, y1 = inner.Top + h * 3 / 4 - 1;
  int x2 = inner.Right - w / 6 - 1, y2 = inner.Top + h / 4 - 1;
  for (int dy = 0; dy < 3; ++dy) {
    canvas.SetPen(TPen{color, 1, psSolid});
    canvas.MoveTo(x0, y0 + dy);
    canvas.LineTo(x1, y1 + dy);
    canvas.LineTo(x2 + 1, y2 + dy - 1);
  }
}

void TcxCustomLookAndFeelPainter::DrawScrollBarPart(TCanvas& canvas, bool horizontal, const TRect& r,
                                                    TcxScrollBarPart part, TcxButtonState state) const {
  if (r.IsEmpty()) return;
  switch (part) {
    case sbpNone: break;
    case sbpLineUp:
    case sbpLineDown: {
      DrawButton(canvas, r, std::string(), state);
      TRect a = Inflated(r, -ButtonBorderSize(state));
      if (state == cxbsPressed) a.Offset(ButtonTextShift(), ButtonTextShift());
      TcxArrowDirection dir = horizontal ? (part == sbpLineUp ? adLeft : adRight) : (part == sbpLineUp ? adUp : adDown);
      DrawArrow(canvas, a, dir, ButtonSymbolColor(state));
      break;
    }
    case sbpThumbnail:
      DrawButton(canvas, r, std::string(), state == cxbsPressed ? cxbsNormal : state);
      break;
    case sbpPageUp:
    case sbpPageDown:
      canvas.FillRect(r, state == cxbsPressed ? cl3DDkShadow : clScrollBar);
      break;
  }
}

// ---- Standard --------------------------------------------------------------------

TcxLookAndFeelPainterClass TcxStandardLookAndFeelPainter::Class() {
  static const TcxStandardLookAndFeelPainter instance;
  return &instance;
}

void TcxStandardLookAndFeelPainter::DrawBorder(TCanvas& canvas, TRect& r) const {
  canvas.DrawEdge(r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
}

void TcxStandardLookAndFeelPainter::DrawButtonBorder(TCanvas& canvas, const TRect& r, TcxButtonState state) const {
  canvas.DrawEdge(r, state == cxbsPressed ? EDGE_SUNKEN : EDGE_RAISED, BF_RECT | BF_SOFT);
}

void TcxStandardLookAndFeelPainter::DrawCheckButton(TCanvas& canvas, const TRect& r, TcxButtonState state,
                                                    TcxCheckBoxState checkState) const {
  TRect inner = r;
  canvas.DrawEdge(inner, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  bool dim = state == cxbsDisabled || state == cxbsPressed || checkState == cbsGrayed;
  canvas.FillRect(inner, dim ? clBtnFace : clWindow);
  if (checkState != cbsUnchecked)
    DrawCheckMark(canvas, inner, state == cxbsDisabled || checkState == cbsGrayed ? clBtnShadow : clWindowText);
}

// ---- Flat --------------------------------------------------------------------------

TcxLookAndFeelPainterClass TcxFlatLookAndFeelPainter::Class() {
  static const TcxFlatLookAndFeelPainter instance;
  return &instance;
}

void TcxFlatLookAndFeelPainter::DrawBorder(TCanvas& canvas, TRect& r) const {
  canvas.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT | BF_ADJUST);
  Frame(canvas, r, clBtnFace);
  r.Inflate(-1, -1);
}

void TcxFlatLookAndFeelPainter::DrawButtonBorder(TCanvas& canvas, const TRect& r, TcxButtonState state) const {
  canvas.DrawEdge(r, state == cxbsPressed ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
}

void TcxFlatLookAndFeelPainter::DrawCheckButton(TCanvas& canvas, const TRect& r, TcxButtonState state,
                                                TcxCheckBoxState checkState) const {
  TRect inner = r;
  DrawBorder(canvas, inner);
  bool dim = state == cxbsDisabled || state == cxbsPressed || checkState == cbsGrayed;
  canvas.FillRect(inner, dim ? clBtnFace : clWindow);
  if (checkState != cbsUnchecked)
    DrawCheckMark(canvas, inner, state == cxbsDisabled || checkState == cbsGrayed ? clBtnShadow : clWindowText);
}

// ---- Ultra-flat --------------------------------------------------------------------

TcxLookAndFeelPainterClass TcxUltraFlatLookAndFeelPainter::Class() {
  static const TcxUltraFlatLookAndFeelPainter instance;
  return &instance;
}

TColor TcxUltraFlatLookAndFeelPainter::HotColor() { return Mix(clHighlight, clWindow, 30); }

TColor TcxUltraFlatLookAndFeelPainter::PressedColor() { return Mix(clHighlight, clWindow, 50); }

void TcxUltraFlatLookAndFeelPainter::DrawBorder(TCanvas& canvas, TRect& r) const {
  Frame(canvas, r, clBtnShadow);
  r.Inflate(-1, -1);
}

TColor TcxUltraFlatLookAndFeelPainter::ButtonColor(TcxButtonState state) const {
  switch (state) {
    case cxbsHot: return HotColor();
    case cxbsPressed: return PressedColor();
    default: return clBtnFace;
  }
}

void TcxUltraFlatLookAndFeelPainter::DrawButtonBorder(TCanvas& canvas, const TRect& r, TcxButtonState state) const {
  Frame(canvas, r, state == cxbsHot || state == cxbsPressed ? clHighlight : clBtnShadow);
}

void TcxUltraFlatLookAndFeelPainter::DrawCheckButton(TCanvas& canvas, const TRect& r, TcxButtonState state,
                                                     TcxCheckBoxState checkState) const {
  bool active = state == cxbsHot || state == cxbsPressed;
  Frame(canvas, r, active ? clHighlight : clBtnShadow);
  TRect inner = Inflated(r, -1);
  TColor face = state == cxbsDisabled || checkState == cbsGrayed ? clBtnFace
                : active                                          ? ButtonColor(state)
                                                                  : clWindow;
  canvas.FillRect(inner, face);
  if (checkState != cbsUnchecked)
    DrawCheckMark(canvas, inner, state == cxbsDisabled || checkState == cbsGrayed ? clBtnShadow : clWindowText);
}

// ---- Native (the application's widget style) ---------------------------------------

TcxLookAndFeelPainterClass TcxWinXPLookAndFeelPainter::Class() {
  static const TcxWinXPLookAndFeelPainter instance;
  return &instance;
}

int TcxWinXPLookAndFeelPainter::BorderSize() const {
  QStyle* style = AppStyle();
  return style ? std::max(1, style->pixelMetric(QStyle::PM_DefaultFrameWidth)) : 2;
}

void TcxWinXPLookAndFeelPainter::DrawBorder(TCanvas& canvas, TRect& r) const {
  QStyle* style = AppStyle();
  if (!style || !canvas.Painter()) {
    TcxStandardLookAndFeelPainter::DrawBorder(canvas, r);
    return;
  }
  QStyleOptionFrame option;
  option.rect = ToQRect(r);
  option.lineWidth = BorderSize();
  option.state = QStyle::State_Enabled | QStyle::State_Sunken;
  option.palette = QApplication::palette();
  QPainter& p = *canvas.Painter();
  p.save();
  style->drawPrimitive(QStyle::PE_FrameLineEdit, &option, &p);
  p.restore();
  r.Inflate(-option.lineWidth, -option.lineWidth);
}

void TcxWinXPLookAndFeelPainter::DrawButtonBorder(TCanvas& canvas, const TRect& r, TcxButtonState state) const {
  QStyle* style = AppStyle();
  if (!style || !canvas.Painter()) {
    TcxStandardLookAndFeelPainter::DrawButtonBorder(canvas, r, state);
    return;
  }
  QStyleOptionButton option;
  option.rect = ToQRect(r);
  option.state = QtState(state);
  option.palette = QApplication::palette();
  QPainter& p = *canvas.Painter();
  p.save();
  style->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &p);
  p.restore();
}

void TcxWinXPLookAndFeelPainter::DrawButton(TCanvas& canvas, const TRect& r, const std::string& caption,
                                            TcxButtonState state) const {
  QStyle* style = AppStyle();
  if (!style || !canvas.Painter()) {
    TcxStandardLookAndFeelPainter::DrawButton(canvas, r, caption, state);
    return;
  }
  QStyleOptionButton option;
  option.rect = ToQRect(r);
  option.state = QtState(state);
  option.text = ToQ(caption);
  option.palette = QApplication::palette();
  option.fontMetrics = QFontMetrics(MakeQFont(canvas.Font()));
  QPainter& p = *canvas.Painter();
  p.save();
  p.setFont(MakeQFont(canvas.Font()));
  style->drawControl(QStyle::CE_PushButton, &option, &p);
  p.restore();
}

void TcxWinXPLookAndFeelPainter::DrawCheckButton(TCanvas& canvas, const TRect& r, TcxButtonState state,
                                                 TcxCheckBoxState checkState) const {
  QStyle* style = AppStyle();
  if (!style || !canvas.Painter()) {
    TcxStandardLookAndFeelPainter::DrawCheckButton(canvas, r, state, checkState);
    return;
  }
  QStyleOptionButton option;
  option.rect = ToQRect(r);
  option.state = QtState(state);
  option.state |= checkState == cbsChecked ? QStyle::State_On
                  : checkState == cbsGrayed ? QStyle::State_NoChange
                                            : QStyle::State_Off;
  option.palette = QApplication::palette();
  QPainter& p = *canvas.Painter();
  p.save();
  style->drawPrimitive(QStyle::PE_IndicatorCheckBox, &option, &p);
  p.restore();
}

void TcxWinXPLookAndFeelPainter::DrawScrollBarPart(TCanvas& canvas, bool horizontal, const TRect& r,
                                                   TcxScrollBarPart part, TcxButtonState state) const {
  QStyle* style = AppStyle();
  if (!style || !canvas.Painter() || r.IsEmpty()) {
    TcxStandardLookAndFeelPainter::DrawScrollBarPart(canvas, horizontal, r, part, state);
    return;
  }
  QPainter& p = *canvas.Painter();
  QStyleOption option;
  option.rect = ToQRect(r);
  option.state = QtState(state);
  if (horizontal) option.state |= QStyle::State_Horizontal;
  option.palette = QApplication::palette();
  p.save();
  switch (part) {
    case sbpNone: break;
    case sbpLineUp:
    case sbpLineDown: {
      style->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &p);
      QStyle::PrimitiveElement arrow = horizontal ? (part == sbpLineUp ? QStyle::PE_IndicatorArrowLeft
                                                                       : QStyle::PE_IndicatorArrowRight)
                                                  : (part == sbpLineUp ? QStyle::PE_IndicatorArrowUp
                                                                       : QStyle::PE_IndicatorArrowDown);
      style->drawPrimitive(arrow, &option, &p);
      break;
    }
    case sbpThumbnail: style->drawPrimitive(QStyle::PE_PanelButtonBevel, &option, &p); break;
    case sbpPageUp:
    case sbpPageDown:
      p.fillRect(option.rect, option.palette.color(state == cxbsPressed ? QPalette::Dark : QPalette::Mid));
      break;
  }
  p.restore();
}
