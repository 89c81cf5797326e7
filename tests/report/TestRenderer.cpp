#include "tests/report/TestRenderer.h"

#include <algorithm>
#include <climits>
#include <cstdlib>

#include "platform/ScopeExit.h"
#include "report/DataItems.h"

namespace {

std::string RemovePrefix(const std::string& s) {
  std::string out;
  for (std::size_t i = 0; i < s.size(); ++i) {
    if (s[i] == '&') {
      if (i + 1 < s.size() && s[i + 1] == '&') {
        out += '&';
        ++i;
      }
      continue;
    }
    out += s[i];
  }
  return out;
}

std::vector<std::string> WrapWords(TCanvas& dc, const std::string& text, int width) {
  std::vector<std::string> lines;
  std::string line;
  std::size_t pos = 0;
  while (pos < text.size()) {
    std::size_t end = text.find(' ', pos);
    std::string word = text.substr(pos, end == std::string::npos ? std::string::npos : end - pos);
    pos = end == std::string::npos ? text.size() : end + 1;
    std::string candidate = line.empty() ? word : line + " " + word;
    if (!line.empty() && dc.TextWidth(candidate) > width) {
      lines.push_back(line);
      line = word;
    } else {
      line = candidate;
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

}  // namespace

QImage WhiteImage(int width, int height) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(Qt::white);
  return image;
}

const TFont* TTestRenderer::FontAt(int index) const {
  if (scaled_.size() != fonts_.size()) scaled_.resize(fonts_.size());
  TFont& f = scaled_[std::size_t(index)];
  f = fonts_[std::size_t(index)].font;
  int points = fonts_[std::size_t(index)].points;
  f.Height = -MulDiv(points, canvas_ ? UnitsPerInch() : ScreenPixelsPerInch(), 72);
  return &f;
}

int TTestRenderer::AddFont(const std::string& name, int points, TColor color) {
  TFont f;
  f.Name = name;
  f.Color = color;
  fonts_.push_back({f, points});
  scaled_.resize(fonts_.size());
  return int(fonts_.size()) - 1;
}

int TTestRenderer::AddBitmap(const QImage& image) {
  auto b = std::make_unique<TBitmap>();
  b->SetImage(image);
  bitmaps_.push_back(std::move(b));
  return int(bitmaps_.size()) - 1;
}

int TTestRenderer::TextOut(TCanvas& dc, const std::string& text, TRect& rect, unsigned flags, const TFont* font,
                           int maxLines, int leftIndent, int rightIndent, TColor color) {
  TCanvasStateSaver saver(dc);
  if (font) dc.SetFont(*font);
  if (color != clDefault) dc.SetTextColor(color);
  std::string s = (flags & dxTextFlags::HidePrefix) ? RemovePrefix(text) : text;
  int p = std::max(1, std::abs(dc.DPtoLP(TPoint{1, 0}).X - dc.DPtoLP(TPoint{0, 0}).X));
  int margin = (flags & dxTextFlags::Margins) ? 2 * p : 0;
  TRect r(rect.Left + margin + leftIndent * p, rect.Top + margin, rect.Right - margin - rightIndent * p,
          rect.Bottom - margin);
  int lineHeight = dc.TextExtent("Wg").cy;
  std::vector<std::string> lines;
  if (!s.empty()) {
    bool wrap = !(flags & dxTextFlags::SingleLine) && (flags & dxTextFlags::WordBreak);
    lines = wrap ? WrapWords(dc, s, std::max(1, r.Width())) : std::vector<std::string>{s};
  }
  if (maxLines > 0 && int(lines.size()) > maxLines) lines.resize(std::size_t(maxLines));
  int height = int(lines.size()) * lineHeight;
  if (flags & dxTextFlags::CalcRect) {
    int width = 0;
    for (const std::string& line : lines) width = std::max(width, dc.TextWidth(line));
    rect.Right = rect.Left + width + 2 * margin + (leftIndent + rightIndent) * p;
    rect.Bottom = rect.Top + (lines.empty() ? 0 : height) + 2 * margin;
    return (flags & dxTextFlags::LineCount) ? int(lines.size()) : height;
  }
  if (lines.empty() || r.IsEmpty()) return 0;
  int alignX = int(flags & dxTextFlags::AlignXMask);
  int alignY = int((flags & dxTextFlags::AlignYMask) >> dxTextFlags::AlignYOffset);
  int y = r.Top;
  if (alignY == taCenterY) y = r.Top + (r.Height() - height) / 2;
  if (alignY == taBottom) y = r.Bottom - height;
  dc.SetBkMode(TRANSPARENT);
  dc.Brush().Style = bsClear;
  for (const std::string& line : lines) {
    int w = dc.TextWidth(line);
    int x = r.Left;
    if (alignX == taCenterX) x = r.Left + (r.Width() - w) / 2;
    if (alignX == taRight) x = r.Right - w;
    dc.TextRect(r, x, y, line);
    y += lineHeight;
  }
  return height;
}

void TTestRenderer::FillRect(TCanvas& dc, const TRect& rect, TColor color) {
  if (color != clNone && color != clDefault && !rect.IsEmpty()) Fills.push_back({dc.DeviceRect(rect), color});
  TCustomdxReportRenderer::FillRect(dc, rect, color);
}

bool TTestRenderer::HasFill(TColor color) const {
  return std::any_of(Fills.begin(), Fills.end(), [&](const Fill& f) { return f.Color == color; });
}

bool TTestRenderer::IsCustomDrawn(const TAbstractdxReportCellData& item) const {
  return CustomDrawnClass && item.ClassType() == CustomDrawnClass;
}

bool TTestRenderer::CustomDrawItem(TAbstractdxReportCellData& item) {
  return OnCustomDraw && canvas_ ? OnCustomDraw(item, *canvas_) : false;
}

void TTestRenderer::Paint(TdxReportCells& doc, QImage& image, int unitsPerPixel, int originPx) {
  TCanvas canvas(&image);
  canvas.SetMapMode(MM_ANISOTROPIC);
  canvas.SetWindowExt(unitsPerPixel, unitsPerPixel);
  canvas.SetViewportExt(1, 1);
  canvas.SetViewportOrg(originPx, originPx);
  canvas.SetBkMode(TRANSPARENT);
  canvas_ = &canvas;
  pixelSize_ = unitsPerPixel;
  // The report font, as the renderer selects it for the page content.
  if (!fonts_.empty()) canvas.SetFont(*FontAt(0));
  TdxReportCell* root = doc.Cells();
  const TRect everything(INT_MIN / 4, INT_MIN / 4, INT_MAX / 4, INT_MAX / 4);
  canvas.OffsetWindowOrg(-root->Left(), -root->Top());
  ScopeExit detach([this] {
    canvas_ = nullptr;
    pixelSize_ = 1;
  });
  root->DrawItself(canvas, TRect(0, 0, root->Width(), root->Height()), 3, everything);
}
