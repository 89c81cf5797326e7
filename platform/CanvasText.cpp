// Text on the canvas: metrics, extents, tabbed text and the text runs drawn
// with the reference font; UTF-8 text with its byte <-> UTF-16 bookkeeping.
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
#include "platform/ScopeExit.h"

using namespace CanvasHelpers;

namespace {

// ---- UTF-8 text with byte <-> UTF-16 bookkeeping ----

struct TextChar {
  int byteStart;
  int byteLen;
  int u16Start;
  int u16Len;
  bool isBreak;  // a space
};

struct DecodedText {
  QString q;
  std::vector<TextChar> chars;
};

DecodedText Decode(const std::string& s) {
  DecodedText out;
  out.q.reserve(int(std::min<std::size_t>(s.size(), 1u << 24)));
  const auto* b = reinterpret_cast<const unsigned char*>(s.data());
  std::size_t n = s.size(), i = 0;
  while (i < n) {
    unsigned c = b[i];
    char32_t cp = 0xFFFD;
    int len = 1;
    auto cont = [&](std::size_t k) { return k < n && (b[k] & 0xC0) == 0x80; };
    if (c < 0x80) {
      cp = c;
    } else if (c >= 0xC2 && c <= 0xDF && cont(i + 1)) {
      cp = ((c & 0x1F) << 6) | (b[i + 1] & 0x3F);
      len = 2;
    } else if (c >= 0xE0 && c <= 0xEF && cont(i + 1) && cont(i + 2)) {
      char32_t v = ((c & 0x0F) << 12) | ((b[i + 1] & 0x3F) << 6) | (b[i + 2] & 0x3F);
      if (v >= 0x800 && (v < 0xD800 || v > 0xDFFF)) {
        cp = v;
        len = 3;
      }
    } else if (c >= 0xF0 && c <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
      char32_t v = ((c & 0x07) << 18) | ((b[i + 1] & 0x3F) << 12) | ((b[i + 2] & 0x3F) << 6) | (b[i + 3] & 0x3F);
      if (v >= 0x10000 && v <= 0x10FFFF) {
        cp = v;
        len = 4;
      }
    }
    if (cp < 0x20 || cp == 0x7F) cp = ' ';  // control characters take the room of a space
    TextChar ch{int(i), len, int(out.q.size()), 0, c == ' '};
    if (cp >= 0x10000) {
      out.q.append(QChar(QChar::highSurrogate(cp)));
      out.q.append(QChar(QChar::lowSurrogate(cp)));
    } else {
      out.q.append(QChar(char16_t(cp)));
    }
    ch.u16Len = int(out.q.size()) - ch.u16Start;
    out.chars.push_back(ch);
    i += std::size_t(len);
  }
  return out;
}

// Pen positions (reference pixels) at every UTF-16 index 0..size.
std::vector<double> RefPositions(const QFont& font, const QString& q) {
  std::vector<double> pos(std::size_t(q.size()) + 1, 0.0);
  if (q.isEmpty()) return pos;
  QTextLayout layout(q, font);
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setLineWidth(1e9);
  layout.endLayout();
  if (!line.isValid()) return pos;
  for (int i = 0; i <= q.size(); ++i) pos[std::size_t(i)] = line.cursorToX(i);
  for (std::size_t i = 1; i < pos.size(); ++i) pos[i] = std::max(pos[i], pos[i - 1]);
  return pos;
}

}  // namespace

// ---- Text -------------------------------------------------------------------------------------

TTextMetric TCanvas::GetTextMetrics() const { return Font_().tm; }

TSize TCanvas::TextExtent(const std::string& text) const {
  const FontData& fd = Font_();
  if (text.empty()) return {0, fd.tm.tmHeight};
  DecodedText t = Decode(text);
  std::vector<double> pos = RefPositions(fd.ref, t.q);
  return {RoundToInt(pos.back() * fd.k), fd.tm.tmHeight};
}

TSize TCanvas::GetTextExtentExPoint(const std::string& text, int maxExtent, int* fit,
                                    std::vector<int>* partial) const {
  const FontData& fd = Font_();
  DecodedText t = Decode(text);
  std::vector<double> pos = RefPositions(fd.ref, t.q);
  if (partial) partial->assign(text.size(), 0);
  int fitBytes = 0;
  bool fitting = maxExtent >= 0;
  for (const TextChar& c : t.chars) {
    int ext = RoundToInt(pos[std::size_t(c.u16Start + c.u16Len)] * fd.k);
    if (partial)
      for (int b = 0; b < c.byteLen; ++b) (*partial)[std::size_t(c.byteStart + b)] = ext;
    if (fitting && ext <= maxExtent)
      fitBytes = c.byteStart + c.byteLen;
    else
      fitting = false;
  }
  if (fit) *fit = fitBytes;
  return {RoundToInt(pos.back() * fd.k), fd.tm.tmHeight};
}

TSize TCanvas::GetTabbedTextExtent(const std::string& text) const {
  const FontData& fd = Font_();
  int tab = std::max(1, 8 * fd.tm.tmAveCharWidth);
  long long x = 0;
  std::size_t start = 0;
  while (true) {
    std::size_t tabPos = text.find('\t', start);
    std::string part = text.substr(start, tabPos == std::string::npos ? std::string::npos : tabPos - start);
    x += TextExtent(part).cx;
    if (tabPos == std::string::npos) break;
    x = (x / tab + 1) * tab;
    start = tabPos + 1;
  }
  return {ClampInt(x), fd.tm.tmHeight};
}

TSize TCanvas::TabbedTextOut(int x, int y, const std::string& text) {
  const FontData& fd = Font_();
  int tab = std::max(1, 8 * fd.tm.tmAveCharWidth);
  long long pos = 0;
  std::size_t start = 0;
  unsigned oldAlign = state_.textAlign;
  state_.textAlign &= ~(TA_UPDATECP | TA_CENTER);  // segments are placed left-aligned from x
  ScopeExit restoreAlign([this, oldAlign] { state_.textAlign = oldAlign; });
  while (true) {
    std::size_t tabPos = text.find('\t', start);
    std::string part = text.substr(start, tabPos == std::string::npos ? std::string::npos : tabPos - start);
    if (!part.empty()) DrawTextRun(ClampInt(x + pos), y, 0, nullptr, part, {}, true);
    pos += TextExtent(part).cx;
    if (tabPos == std::string::npos) break;
    pos = (pos / tab + 1) * tab;
    start = tabPos + 1;
  }
  return {ClampInt(pos), fd.tm.tmHeight};
}

void TCanvas::TextOut(int x, int y, const std::string& text) { DrawTextRun(x, y, 0, nullptr, text, {}, true); }

void TCanvas::ExtTextOut(int x, int y, unsigned options, const TRect* rect, const std::string& text,
                         std::span<const int> dx) {
  DrawTextRun(x, y, options, rect, text, dx, dx.empty());
}

void TCanvas::TextRect(const TRect& rect, int x, int y, const std::string& text) {
  unsigned options = ETO_CLIPPED;
  if (state_.brush.Style != bsClear && state_.brush.Color != clNone) options |= ETO_OPAQUE;
  TColor oldBk = state_.bkColor;
  if (options & ETO_OPAQUE) state_.bkColor = state_.brush.Color;
  ScopeExit restoreBk([this, oldBk] { state_.bkColor = oldBk; });
  DrawTextRun(x, y, options, &rect, text, {}, true);
}

void TCanvas::DrawTextRun(int x, int y, unsigned options, const TRect* rect, const std::string& text,
                          std::span<const int> dx, bool justify) {
  const FontData& fd = Font_();
  const TTextMetric& tm = fd.tm;
  DecodedText t = Decode(text);
  std::vector<double> pos = RefPositions(fd.ref, t.q);
  if (dx.size() < text.size()) dx = {};

  // Advances per character (logical units) when they are not the natural ones.
  std::vector<long long> charX;  // start of each character, logical
  long long width = RoundToInt(pos.back() * fd.k);
  bool perChar = false;
  if (!dx.empty() || (justify && state_.justifyCount > 0)) {
    perChar = true;
    charX.reserve(t.chars.size());
    long long cx = 0;
    int breaks = 0;
    for (const TextChar& c : t.chars) {
      charX.push_back(cx);
      if (!dx.empty()) {
        for (int b = 0; b < c.byteLen; ++b) cx += dx[std::size_t(c.byteStart + b)];
      } else {
        cx += RoundToInt(pos[std::size_t(c.u16Start + c.u16Len)] * fd.k) - RoundToInt(pos[std::size_t(c.u16Start)] * fd.k);
        if (c.isBreak && breaks < state_.justifyCount) {
          int share = state_.justifyExtra / state_.justifyCount;
          int rest = state_.justifyExtra % state_.justifyCount;
          cx += share + (breaks < std::abs(rest) ? (rest > 0 ? 1 : -1) : 0);
          ++breaks;
        }
      }
    }
    width = cx;
  }

  unsigned align = state_.textAlign;
  bool updateCP = align & TA_UPDATECP;
  if (updateCP) {
    x = state_.penPos.X;
    y = state_.penPos.Y;
  }
  double x0 = 0;
  if ((align & TA_CENTER) == TA_CENTER)
    x0 = -double(width) / 2;
  else if (align & TA_RIGHT)
    x0 = -double(width);
  double baseline = tm.tmAscent;
  if ((align & TA_BASELINE) == TA_BASELINE)
    baseline = 0;
  else if (align & TA_BOTTOM)
    baseline = -tm.tmDescent;
  if (updateCP) {
    if ((align & TA_CENTER) == TA_CENTER) {
    } else if (align & TA_RIGHT) {
      state_.penPos.X = ClampInt(state_.penPos.X - width);
    } else {
      state_.penPos.X = ClampInt(state_.penPos.X + width);
    }
  }
  if (!painter_) return;

  // Local frame: logical offsets from the reference point, y downwards on
  // the device, rotated by the font's orientation.
  double sx = std::fabs(double(state_.viewportExt.cx) / state_.windowExt.cx);
  double sy = std::fabs(double(state_.viewportExt.cy) / state_.windowExt.cy);
  QTransform local = QTransform().rotate(-state_.font.Orientation / 10.0) * QTransform::fromScale(sx, sy) *
                     QTransform::fromTranslate(MapX(x), MapY(y));

  painter_->save();
  painter_->setWorldTransform(base_);
  if (options & ETO_OPAQUE) {
    if (rect && state_.bkColor != clNone) painter_->fillRect(ToQRect(DeviceRect(*rect)), ToQColor(state_.bkColor));
  } else if (state_.bkMode == OPAQUE && state_.bkColor != clNone && !text.empty()) {
    QRectF box(x0, baseline - tm.tmAscent, double(width), double(tm.tmHeight));
    QPolygonF poly = local.map(QPolygonF(box));
    if (state_.font.Orientation % 3600 == 0) {
      QRectF b = poly.boundingRect();
      QRect ib(QPoint(RoundToInt(b.left()), RoundToInt(b.top())), QPoint(RoundToInt(b.right()) - 1, RoundToInt(b.bottom()) - 1));
      painter_->fillRect(ib, ToQColor(state_.bkColor));
    } else {
      painter_->setPen(Qt::NoPen);
      painter_->setBrush(ToQColor(state_.bkColor));
      painter_->drawPolygon(poly);
    }
  }
  if ((options & ETO_CLIPPED) && rect) {
    QRect clip = ToQRect(DeviceRect(*rect));
    painter_->setClipRect(clip, painter_->hasClipping() ? Qt::IntersectClip : Qt::ReplaceClip);
  }
  if (state_.textColor != clNone && !t.q.isEmpty() && fd.k > 0) {
    painter_->setFont(fd.ref);
    painter_->setPen(ToQColor(state_.textColor));
    painter_->setBrush(Qt::NoBrush);
    painter_->setWorldTransform(QTransform::fromScale(fd.k, fd.k) * local * base_);
    double by = baseline / fd.k;
    if (!perChar) {
      painter_->drawText(QPointF(x0 / fd.k, by), t.q);
    } else {
      for (std::size_t i = 0; i < t.chars.size(); ++i) {
        const TextChar& c = t.chars[i];
        if (c.isBreak) continue;
        painter_->drawText(QPointF((x0 + double(charX[i])) / fd.k, by), t.q.mid(c.u16Start, c.u16Len));
      }
    }
  }
  painter_->restore();
}
