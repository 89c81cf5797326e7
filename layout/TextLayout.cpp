#include "layout/TextLayout.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "platform/Canvas.h"

namespace {

// Coordinates are kept well inside the int range so that sums of a few of
// them (rectangle plus line steps, widths, margins) cannot overflow.
constexpr std::int64_t kCoordLimit = std::int64_t(1) << 28;
constexpr std::int64_t kPosLimit = std::int64_t(1) << 30;

int ClampCoord(std::int64_t v, std::int64_t limit = kCoordLimit) {
  return int(std::clamp(v, -limit, limit));
}

constexpr std::size_t npos = std::string::npos;

// Bytes of the UTF-8 character at i (an invalid byte counts as one
// character, as the canvas decodes it).
std::size_t CharLen(std::string_view s, std::size_t i) {
  auto b = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
  auto cont = [&](std::size_t k) { return k < s.size() && (b(k) & 0xC0) == 0x80; };
  unsigned c = b(i);
  if (c < 0x80) return 1;
  if (c >= 0xC2 && c <= 0xDF && cont(i + 1)) return 2;
  if (c >= 0xE0 && c <= 0xEF && cont(i + 1) && cont(i + 2)) {
    unsigned v = ((c & 0x0F) << 12) | ((b(i + 1) & 0x3F) << 6) | (b(i + 2) & 0x3F);
    if (v >= 0x800 && (v < 0xD800 || v > 0xDFFF)) return 3;
    return 1;
  }
  if (c >= 0xF0 && c <= 0xF4 && cont(i + 1) && cont(i + 2) && cont(i + 3)) {
    unsigned v = ((c & 0x07) << 18) | ((b(i + 1) & 0x3F) << 12) | ((b(i + 2) & 0x3F) << 6) | (b(i + 3) & 0x3F);
    if (v >= 0x10000 && v <= 0x10FFFF) return 4;
  }
  return 1;
}

bool IsLineEnd(char c) { return c == '\r' || c == '\n'; }

// The 8 x 8 patterns of greeked text: a 50% checker for normal fonts, solid
// (all text colour) for bold ones.
const QImage& GreekPattern(bool bold) {
  static const std::array<std::uint8_t, 8> checkerRows{0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
  static const std::array<std::uint8_t, 8> solidRows{};
  static const QImage checker = CreateMonoPattern(checkerRows);
  static const QImage solid = CreateMonoPattern(solidRows);
  return bold ? solid : checker;
}

// Widths of the growing prefixes of a line, measured by the canvas in
// chunks (the chunk doubles when the walk needs more), so that breaking a
// long paragraph stays linear. With tabs, every tab advances to the next
// multiple of the canvas's tab width measured from the line's start.
class TPrefixWidths {
 public:
  // tabWidth > 0 expands tabs.
  TPrefixWidths(const TCanvas& canvas, std::string_view text, std::size_t start, int tabWidth)
      : canvas_(canvas), text_(text), start_(start), tabs_(tabWidth > 0), tabWidth_(tabWidth) {}

  // The width of text[start, end); end > start lies on a character boundary.
  // Calls come with growing ends.
  int Width(std::size_t end) {
    std::size_t n = end - start_;
    if (n > partial_.size()) Measure(end);
    int plain = partial_[n - 1];
    if (!tabs_) return plain;
    for (; scanned_ < n; ++scanned_) {
      if (text_[start_ + scanned_] != '\t') continue;
      std::int64_t before = scanned_ == 0 ? 0 : PlainAfterTab(partial_[scanned_ - 1]);
      tabBase_ = (before / tabWidth_ + 1) * tabWidth_;
      lastTab_ = scanned_;
    }
    return ClampCoord(PlainAfterTab(plain), kPosLimit);
  }

 private:
  std::int64_t PlainAfterTab(int plain) const {
    if (lastTab_ == npos) return plain;
    return tabBase_ + plain - partial_[lastTab_];
  }

  void Measure(std::size_t end) {
    std::size_t size = std::max<std::size_t>({end - start_, 2 * partial_.size(), 256});
    std::size_t stop = std::min(text_.size(), start_ + size);
    while (stop < text_.size() && (static_cast<unsigned char>(text_[stop]) & 0xC0) == 0x80) ++stop;
    std::string chunk(text_.substr(start_, stop - start_));
    int fit = 0;
    canvas_.GetTextExtentExPoint(chunk, -1, &fit, &partial_);
    if (partial_.size() != chunk.size()) partial_.resize(chunk.size(), partial_.empty() ? 0 : partial_.back());
  }

  const TCanvas& canvas_;
  std::string_view text_;
  std::size_t start_;
  bool tabs_;
  int tabWidth_;
  std::vector<int> partial_;
  std::size_t scanned_ = 0;
  std::size_t lastTab_ = npos;
  std::int64_t tabBase_ = 0;
};

// Lays out one text on a canvas whose font is selected.
class TLayouter {
 public:
  TLayouter(TCanvas& canvas, std::string text, const TRect& rect, unsigned format, int maxLineCount,
            int leftIndent, int rightIndent, const TdxTextReference& reference)
      : c_(canvas), format_(format), maxLines_(std::max(0, maxLineCount)) {
    r_.Text = std::move(text);
    alignX_ = dxTextAlignX(format);
    alignY_ = dxTextAlignY(format);
    single_ = Has(tofSingleLine);
    calc_ = Has(tofCalcRect);
    tabs_ = Has(tofExpandTabs);
    noClip_ = Has(tofNoClip);
    stretch_ = alignX_ == taJustifyX || alignX_ == taDistributeX;
    wrap_ = !single_ && (Has(tofWordBreak) || stretch_);
    inWords_ = wrap_ && Has(tofBreakInWords);

    Metrics(reference);
    WorkingRect(rect, leftIndent, rightIndent);
  }

  TdxTextLayout Run() {
    r_.Extent = original_;
    const TRect& b = r_.Bounds;
    bool empty = calc_ ? b.Right <= b.Left : b.IsEmpty();
    // Line records hold int offsets.
    if (r_.Text.empty() || r_.Text.size() > std::size_t(INT_MAX) || empty) return std::move(r_);

    width_ = b.Width();
    height_ = std::int64_t(b.Bottom) - b.Top;
    BreakLines();
    if (calc_) {
      int widest = 0;
      for (const TdxTextLine& line : r_.Lines) widest = std::max(widest, line.Width);
      if (!single_ && widest > 0 && widest != width_) {
        width_ = widest;
        BreakLines();
      }
      r_.Bounds.Right = ClampCoord(std::int64_t(b.Left) + widest);
      width_ = r_.Bounds.Width();
    } else {
      Ellipsis();
    }
    PlaceVertically();
    PlaceHorizontally();
    if (calc_) {
      const TdxTextLine& last = r_.Lines.back();
      r_.Extent.Right = ClampCoord(std::int64_t(r_.Bounds.Right) + marginX_ + rightIndent_, kPosLimit);
      r_.Extent.Bottom = ClampCoord(std::int64_t(last.Y) + r_.FontHeight + marginY_, kPosLimit);
    }
    return std::move(r_);
  }

 private:
  bool Has(unsigned flag) const { return (format_ & flag) != 0; }
  bool IsBreak(char c) const { return c == breakChar_ || c == '\t'; }

  void Metrics(const TdxTextReference& reference) {
    r_.FontHeight = std::max(0, c_.TextExtent("Wg").cy);
    TTextMetric tm = c_.GetTextMetrics();
    r_.Leading = Has(tofExternalLeading) ? std::max(0, tm.tmExternalLeading) : 0;
    r_.LineStep = ClampCoord(std::int64_t(r_.FontHeight) + r_.Leading, kPosLimit);
    r_.EllipsisWidth = c_.TextWidth("...");
    breakChar_ = tm.tmBreakChar;
    if (tabs_) tabWidth_ = std::max(1, c_.GetTabbedTextExtent("\t").cx);
    r_.Bold = tm.tmWeight >= 700;
    // One device pixel in logical units, averaged over a thousand pixels for
    // precision; at least one unit.
    TPoint o = c_.DPtoLP(TPoint{0, 0}), k = c_.DPtoLP(TPoint{1000, 1000});
    r_.PixelX = int(std::max<std::int64_t>(1, (std::llabs(std::int64_t(k.X) - o.X) + 500) / 1000));
    r_.PixelY = int(std::max<std::int64_t>(1, (std::llabs(std::int64_t(k.Y) - o.Y) + 500) / 1000));
    std::int64_t sixPixels = (std::llabs(std::int64_t(k.Y) - o.Y) * 6 + 500) / 1000;
    r_.Greek = Has(tofGreekSmallText) && r_.FontHeight < sixPixels;
    bool device = reference.IsDevice();
    r_.LayoutPixelX = device ? r_.PixelX : ClampCoord(reference.PixelX);
    r_.LayoutPixelY = device ? r_.PixelY : ClampCoord(reference.PixelY);
  }

  void WorkingRect(const TRect& rect, int leftIndent, int rightIndent) {
    auto lim = [](int v) { return std::clamp<std::int64_t>(v, -kCoordLimit, kCoordLimit); };
    std::int64_t l = lim(rect.Left), t = lim(rect.Top), r = lim(rect.Right), b = lim(rect.Bottom);
    original_ = TRect(int(l), int(t), int(r), int(b));
    if (Has(tofMargins)) {
      marginX_ = 2 * std::int64_t(r_.LayoutPixelX);
      marginY_ = 2 * std::int64_t(r_.LayoutPixelY);
    }
    std::int64_t li = std::clamp<std::int64_t>(leftIndent, -kCoordLimit, kCoordLimit) * r_.LayoutPixelX;
    rightIndent_ = std::clamp<std::int64_t>(rightIndent, -kCoordLimit, kCoordLimit) * r_.LayoutPixelX;
    r_.Bounds = TRect(ClampCoord(l + marginX_ + li), ClampCoord(t + marginY_), ClampCoord(r - marginX_ - rightIndent_),
                      ClampCoord(b - marginY_));
  }

  struct TBreak {
    std::size_t end;
    bool atLineEnd;
  };

  // Finds where the line starting at start ends.
  TBreak BreakLine(std::size_t start, bool isLast) const {
    const std::string& text = r_.Text;
    std::size_t n = text.size();
    bool ellipsisCut = EllipsisCut(isLast);
    if (!wrap_ && !ellipsisCut && !single_) {
      std::size_t e = text.find_first_of("\r\n", start);
      return e == npos ? TBreak{n, false} : TBreak{e, true};
    }
    if (single_ && calc_) return {n, false};

    TPrefixWidths widths(c_, text, start, tabWidth_);
    std::size_t lastBreak = npos;
    for (std::size_t i = start; i < n;) {
      char ch = text[i];
      std::size_t next = i + CharLen(text, i);
      if (IsBreak(ch)) lastBreak = i;
      // A line end ends the line, also the last line that gets the ellipsis
      // (the text after it is hidden: see Ellipsis); single-line text keeps
      // them, the canvas shows them as spaces.
      if (!single_ && IsLineEnd(ch)) return {i, true};
      int w = widths.Width(next);
      if (w < width_) {
        i = next;
        continue;
      }
      bool fitsExactly = w == width_ && (next == n || IsBreak(text[next]) || IsLineEnd(text[next]));
      if (ellipsisCut || single_ || fitsExactly) return {next, false};
      if (lastBreak != npos) return {lastBreak + 1, false};
      if (inWords_) return {i > start ? i : next, false};
      i = next;  // a word longer than the line runs on to its next break
    }
    return {n, false};
  }

  // The last line is cut where it reaches the right side, for the ellipsis.
  bool EllipsisCut(bool isLast) const { return isLast && Has(tofEndEllipsis) && !noClip_ && !stretch_; }

  void BreakLines() {
    r_.Lines.clear();
    hiddenText_ = false;
    const std::string& text = r_.Text;
    std::size_t n = text.size(), pos = 0;
    std::int64_t sum = 0;
    bool llfv = Has(tofLastLineFullyVisible) && !noClip_;
    while (pos < n) {
      sum += r_.LineStep;
      bool isLast;
      if (single_)
        isLast = true;
      else if (alignY_ != taTop || calc_)
        isLast = false;
      else if (llfv)
        isLast = sum + r_.LineStep > height_;
      else
        isLast = sum > height_;
      if (!calc_ && maxLines_ > 0 && r_.Lines.size() + 1 >= std::size_t(maxLines_)) isLast = true;

      TBreak br = BreakLine(pos, isLast);
      std::size_t end = br.end;
      if (stretch_)
        while (end > pos && IsBreak(text[end - 1])) --end;
      std::size_t next = end;
      while (next < n && text[next] == breakChar_) ++next;
      if (next < n && text[next] == '\t') ++next;
      if (next < n && text[next] == '\r') ++next;
      if (next < n && text[next] == '\n') ++next;
      if (next <= pos) next = pos + CharLen(text, pos);

      TdxTextLine line;
      line.Start = int(pos);
      line.Length = int(end - pos);
      std::string s = r_.LineText(line);
      TSize ext = Measure(s);
      line.Width = ext.cx;
      line.Height = ext.cy;
      bool noStretch = alignX_ == taJustifyX && (br.atLineEnd || next >= n);
      if (stretch_ && !noStretch)
        line.Spaces = int(std::count_if(s.begin(), s.end(), [&](char c) { return IsBreak(c); }));
      r_.Lines.push_back(line);
      pos = next;
      if (isLast || (maxLines_ > 0 && r_.Lines.size() >= std::size_t(maxLines_))) {
        hiddenText_ = EllipsisCut(isLast) && pos < n;
        break;
      }
    }
  }

  TSize Measure(const std::string& s) const {
    if (tabs_ && s.find('\t') != npos) return c_.GetTabbedTextExtent(s);
    return c_.TextExtent(s);
  }

  // The last line gets "..." when it is wider than the rectangle, or when it
  // was cut for the ellipsis and text follows it that is not shown (after a
  // line end, or a line that fills the width exactly). It is shortened to
  // what fits before "..." (at least one character) when needed.
  void Ellipsis() {
    if (!Has(tofEndEllipsis) || r_.Lines.empty()) return;
    TdxTextLine& line = r_.Lines.back();
    if (line.Length <= 0 || (line.Width <= width_ && !hiddenText_)) return;
    line.Ellipsis = true;
    line.Spaces = 0;
    std::int64_t room = std::max<std::int64_t>(0, std::int64_t(width_) - r_.EllipsisWidth);
    if (line.Width <= room) return;
    std::size_t start = std::size_t(line.Start), stop = start + std::size_t(line.Length), fit = start;
    TPrefixWidths widths(c_, r_.Text, start, tabWidth_);
    for (std::size_t i = start; i < stop;) {
      std::size_t next = std::min(stop, i + CharLen(r_.Text, i));
      if (widths.Width(next) > room) break;
      fit = next;
      i = next;
    }
    if (fit == start) fit = std::min(stop, start + CharLen(r_.Text, start));
    line.Length = int(fit - start);
    line.Width = Measure(r_.LineText(line)).cx;
  }

  void PlaceVertically() {
    const TRect& b = r_.Bounds;
    std::int64_t n = std::int64_t(r_.Lines.size());
    std::int64_t h = r_.FontHeight, step = r_.LineStep, extra = 0;
    TdxTextAlignY alignY = calc_ ? taTop : alignY_;
    if (alignY == taDistributeY && n > 1) {
      std::int64_t gap = height_ - h;
      if (h * (n - 1) < gap) {
        step = gap / (n - 1);
        extra = gap % (n - 1);
      }
    }
    std::int64_t y = b.Top;
    if (alignY == taCenterY)
      y = b.Top + (height_ - n * step) / 2;
    else if (alignY == taBottom)
      y = b.Bottom - n * step + r_.Leading;
    if (Has(tofKeepTop)) y = std::max<std::int64_t>(y, b.Top);
    r_.LineStep = ClampCoord(step, kPosLimit);
    for (std::int64_t i = 0; i < n; ++i) {
      r_.Lines[std::size_t(i)].Y = ClampCoord(y, kPosLimit);
      y += step + (i < extra ? 1 : 0);
    }
  }

  void PlaceHorizontally() {
    const TRect& b = r_.Bounds;
    for (TdxTextLine& line : r_.Lines) {
      // A line with an ellipsis is aligned together with its "...".
      std::int64_t w = std::int64_t(line.Width) + (line.Ellipsis ? r_.EllipsisWidth : 0);
      std::int64_t x = b.Left;
      if (alignX_ == taCenterX)
        x = b.Left + (std::int64_t(width_) - w) / 2;
      else if (alignX_ == taRight)
        x = std::int64_t(b.Right) - w;
      if (Has(tofKeepLeft)) x = std::max<std::int64_t>(x, b.Left);
      line.X = ClampCoord(x, kPosLimit);
    }
  }

  TCanvas& c_;
  unsigned format_;
  int maxLines_;
  TdxTextLayout r_;
  TRect original_;
  TdxTextAlignX alignX_ = taLeft;
  TdxTextAlignY alignY_ = taTop;
  bool single_ = false, calc_ = false, tabs_ = false, noClip_ = false;
  bool stretch_ = false, wrap_ = false, inWords_ = false;
  char breakChar_ = ' ';
  int tabWidth_ = 0;  // the distance of tab stops with tofExpandTabs
  std::int64_t marginX_ = 0, marginY_ = 0, rightIndent_ = 0;
  int width_ = 0;
  std::int64_t height_ = 0;
  bool hiddenText_ = false;  // text remains after the last line, which was cut for the ellipsis
};

TdxTextLayout LayoutSelected(TCanvas& canvas, const std::string& text, const TRect& rect, unsigned format,
                             int maxLineCount, int leftIndent, int rightIndent, const TdxTextReference& reference) {
  std::string prepared = format & tofHidePrefix ? dxRemovePrefix(text) : text;
  return TLayouter(canvas, std::move(prepared), rect, format, maxLineCount, leftIndent, rightIndent, reference).Run();
}

void SelectFont(TCanvas& canvas, const TFont* font) {
  if (font)
    canvas.SetFont(*font);
  else
    canvas.SetTextColor(canvas.Font().Color);
}

// Narrows the clip region to a rectangle while it lives (null: no change)
// and then restores the previous clip region.
class TClipScope {
 public:
  TClipScope(TCanvas& canvas, const TRect* box) : canvas_(canvas), active_(box != nullptr) {
    if (!active_) return;
    had_ = canvas_.GetClipRgn(saved_);
    canvas_.IntersectClipRect(*box);
  }
  ~TClipScope() {
    if (active_) canvas_.SelectClipRgn(had_ ? &saved_ : nullptr);
  }
  TClipScope(const TClipScope&) = delete;
  TClipScope& operator=(const TClipScope&) = delete;

 private:
  TCanvas& canvas_;
  bool active_;
  bool had_ = false;
  TRegion saved_;
};

void Draw(TCanvas& canvas, const TdxTextLayout& L, unsigned format) {
  const TRect& b = L.Bounds;
  bool noClip = format & tofNoClip;
  bool tabs = format & tofExpandTabs;
  TdxTextAlignX alignX = dxTextAlignX(format);
  bool stretch = alignX == taJustifyX || alignX == taDistributeX;
  canvas.SetBkMode(TRANSPARENT);
  canvas.SetTextAlign(TA_LEFT | TA_TOP | TA_NOUPDATECP);
  if (L.Greek) canvas.SetBkColor(clWindow);
  char breakChar = canvas.GetTextMetrics().tmBreakChar;

  for (const TdxTextLine& line : L.Lines) {
    if (line.Length <= 0) continue;
    std::int64_t bottom = std::int64_t(line.Y) + L.LineStep;
    TRect box(b.Left, line.Y, b.Right, ClampCoord(bottom, kPosLimit));
    if (!canvas.RectVisible(box)) continue;

    if (L.Greek) {
      std::int64_t top = std::int64_t(line.Y) + L.PixelY;
      std::int64_t barBottom = std::max(bottom - L.PixelY, top + L.PixelY);
      std::int64_t left = std::max<std::int64_t>(line.X, b.Left);
      std::int64_t right = std::min<std::int64_t>(std::int64_t(line.X) + line.Width, b.Right);
      if (right > left) {
        TBrush brush;
        brush.Bitmap = GreekPattern(L.Bold);
        canvas.FillRect(TRect(int(left), ClampCoord(top, kPosLimit), int(right), ClampCoord(barBottom, kPosLimit)),
                        brush);
      }
      continue;
    }

    std::string s = L.LineText(line);
    TRect lineClip = IntersectRect(box, b);
    bool clip = !noClip && (line.X < b.Left || std::int64_t(line.X) + line.Width > b.Right || line.Y < b.Top ||
                            bottom > b.Bottom);
    int spare = b.Width() - line.Width;
    // The canvas stretches the break characters of each output run; tabbed
    // output is several runs, so lines with expanded tabs stay unstretched.
    int spaces = int(std::count(s.begin(), s.end(), breakChar));
    bool tabbed = tabs && s.find('\t') != std::string::npos;
    bool justify = stretch && !line.Ellipsis && !tabbed && line.Spaces > 0 && spare > 0 && spaces > 0;
    {
      TClipScope scope(canvas, clip ? &lineClip : nullptr);
      if (justify) canvas.SetTextJustification(spare, spaces);
      if (tabbed)
        canvas.TabbedTextOut(line.X, line.Y, s);
      else
        canvas.TextOut(line.X, line.Y, s);
      if (justify) canvas.SetTextJustification(0, 0);
    }

    if (line.Ellipsis) {
      std::int64_t x = std::int64_t(line.X) + line.Width;
      if (x >= b.Right) continue;
      bool fits = x + L.EllipsisWidth <= b.Right && line.Y >= b.Top && bottom <= b.Bottom;
      TClipScope scope(canvas, noClip || fits ? nullptr : &lineClip);
      canvas.TextOut(int(x), line.Y, "...");
    }
  }
}

}  // namespace

TdxTextAlignX dxTextAlignX(unsigned format) {
  unsigned v = format & tofAlignXMask;
  return v <= unsigned(taDistributeX) ? TdxTextAlignX(v) : taLeft;
}

TdxTextAlignY dxTextAlignY(unsigned format) {
  return TdxTextAlignY((format & tofAlignYMask) >> tofAlignYShift);
}

std::string dxRemovePrefix(const std::string& text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '&') {
      out += text[i];
    } else if (i + 1 < text.size() && text[i + 1] == '&') {
      out += '&';
      ++i;
    }
  }
  return out;
}

std::string TdxTextLayout::LineText(const TdxTextLine& line) const {
  std::size_t start = std::min(Text.size(), std::size_t(std::max(0, line.Start)));
  std::size_t length = std::min(Text.size() - start, std::size_t(std::max(0, line.Length)));
  return Text.substr(start, length);
}

int TdxTextLayout::BlockHeight() const {
  if (Lines.empty()) return 0;
  return ClampCoord(std::int64_t(Lines.back().Y) + FontHeight - Bounds.Top, kPosLimit);
}

TdxTextLayout dxLayoutText(TCanvas& canvas, const std::string& text, const TRect& rect, unsigned format,
                           const TFont* font, int maxLineCount, int leftIndent, int rightIndent,
                           const TdxTextReference& reference) {
  TCanvasStateSaver saver(canvas);
  SelectFont(canvas, font);
  return LayoutSelected(canvas, text, rect, format, maxLineCount, leftIndent, rightIndent, reference);
}

int TextOut(TCanvas& canvas, const std::string& text, TRect& rect, unsigned format, const TFont* font,
            int maxLineCount, int leftIndent, int rightIndent, TColor color, const TdxTextReference& reference,
            TdxTextLayout* laidOut) {
  TCanvasStateSaver saver(canvas);
  SelectFont(canvas, font);
  if (color != clDefault) canvas.SetTextColor(color);
  TdxTextLayout layout = LayoutSelected(canvas, text, rect, format, maxLineCount, leftIndent, rightIndent, reference);
  int count = int(layout.Lines.size());
  int result = 0;
  if (count > 0) {
    if (format & tofCalcRect) {
      rect.Right = layout.Extent.Right;
      rect.Bottom = layout.Extent.Bottom;
    } else if (canvas.CanDraw()) {
      Draw(canvas, layout, format);
    }
    int height = layout.BlockHeight();
    result = (format & tofLineCount) || height == 0 ? count : height;
  }
  if (laidOut) *laidOut = std::move(layout);
  return result;
}
