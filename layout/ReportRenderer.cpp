#include "layout/ReportRenderer.h"

#include <QRegion>
#include <algorithm>
#include <climits>
#include <optional>

#include "layout/HeaderFooterFunctions.h"
#include "layout/TextLayout.h"
#include "platform/Exceptions.h"
#include "platform/Units.h"
#include "report/DataItems.h"
#include "report/EngineExceptions.h"
#include "platform/ScopeExit.h"

namespace {

int gUnitsPerInch = 4800;

constexpr TdxItemSides kAllSides = isdLeft | isdTop | isdRight | isdBottom;

bool Paints(TColor color) { return color != clNone && color != clDefault; }


// Sorted, duplicate-free values within [0, extent].
void Normalize(std::vector<int>& v, int extent) {
  std::sort(v.begin(), v.end());
  v.erase(std::unique(v.begin(), v.end()), v.end());
  v.erase(std::remove_if(v.begin(), v.end(), [extent](int x) { return x < 0 || x > extent; }), v.end());
}

// The extents of the report's items along one axis, in the root's
// coordinates. The root cell is the window's background, not content; so is
// a cell holding other items that shows nothing of its own (transparent, or
// in its parent's colour, as a panel or a scroll area's client does): its
// items count instead.
class ContentSpans {
 public:
  ContentSpans(const TdxReportCell& root, bool horizontal) : horizontal_(horizontal) { AddItemsOf(root); }
  // Whether an item reaches into [a, b).
  bool Meets(int a, int b) const {
    return std::any_of(spans_.begin(), spans_.end(), [&](const auto& s) { return s.first < b && s.second > a; });
  }

 private:
  void Add(const TRect& r) {
    const int lo = horizontal_ ? r.Left : r.Top, hi = horizontal_ ? r.Right : r.Bottom;
    if (hi > lo) spans_.emplace_back(lo, hi);
  }
  void AddItemsOf(const TdxReportCell& cell) {
    for (int i = 0; i < cell.CellCount(); ++i) {
      const TdxReportCell& child = *cell.Cells(i);
      const bool holder = child.CellCount() + child.DataItemCount() > 0 &&
                          (child.Transparent() || child.Color() == cell.Color());
      if (holder)
        AddItemsOf(child);
      else
        Add(child.AbsoluteRect());
    }
    for (int i = 0; i < cell.DataItemCount(); ++i)
      if (!ShowsNothing(*cell.DataItems(i))) Add(cell.DataItems(i)->AbsoluteRect());
  }
  // A plain item with no face of its own (a control's placeholder, not drawn
  // by the link): transparent, no border, no background bitmap.
  static bool ShowsNothing(const TAbstractdxReportCellData& item) {
    return item.ClassType() == TAbstractdxReportCellData::StaticClass() && item.Transparent() &&
           !item.HasBorder() && !item.HasBackgroundBitmap() && !item.IsCustomDrawn();
  }

  bool horizontal_;
  std::vector<std::pair<int, int>> spans_;
};

// Walks the break candidates from the last bound: the next bound is the last
// candidate whose distance, times S / 100, does not exceed the room the
// row (column) has; a forced cut at the room itself when no candidate lies
// within reach. room(index) answers the room of bound interval index in
// paper units at scale S; a room that is not positive gives the interval no
// body on the first interval and the whole rest on later ones. At most
// maxCount intervals are made; the last one then holds the rest.
//
// Where the report has items (content), no interval holds only the window's
// background while items follow, and none is a sliver under a hundredth of
// the room: such a candidate gives way to the forced cut at the room. A last
// interval of background or a sliver goes to the interval before it, whose
// page then shows what fits of it.
template <class RoomFn>
void WalkBounds(const std::vector<int>& candidates, int extent, int scale, int maxCount, RoomFn room,
                const std::vector<int>& preferred, bool earliest, std::vector<int>& bounds,
                const ContentSpans* content = nullptr) {
  auto sliver = [&](int from, int to, long long avail) { return (long long)(to - from) * scale < avail; };
  int b = bounds.back();
  while (b < extent) {
    int index = int(bounds.size()) - 1;
    if (index >= maxCount - 1) break;
    long long avail = room(index);
    if (avail <= 0) {
      if (index == 0) {
        bounds.push_back(b);
        continue;
      }
      break;
    }
    long long reach = avail * 100;  // (candidate - b) * S <= avail * 100
    auto it = std::upper_bound(candidates.begin(), candidates.end(), b);
    int next = b;
    int pref = -1;
    for (; it != candidates.end() && (long long)(*it - b) * scale <= reach; ++it) {
      next = *it;
      if (!preferred.empty() && std::binary_search(preferred.begin(), preferred.end(), *it) &&
          (pref < 0 || !earliest))
        pref = *it;
    }
    if (it == candidates.end()) break;  // the rest fits
    if (pref > b) next = pref;
    if (next > b && content && content->Meets(next, extent) &&
        (!content->Meets(b, next) || sliver(b, next, avail)))
      next = b;  // an empty page or a sliver: cut at the room instead
    if (next <= b) {
      // An item larger than the room: cut it at the room.
      long long step = std::max<long long>(1, MulDiv(int(std::min<long long>(avail, INT_MAX / 100)), 100, scale));
      next = int(std::min<long long>((long long)b + step, extent));
    }
    bounds.push_back(next);
    b = next;
  }
  if (bounds.back() < extent) bounds.push_back(extent);
  const std::size_t n = bounds.size();
  if (content && n >= 3) {
    const int last = bounds[n - 2];
    const long long avail = room(int(n) - 3);
    if (content->Meets(bounds[0], last) && (!content->Meets(last, extent) || sliver(last, extent, avail)))
      bounds.erase(bounds.end() - 2);
  }
}

// Range of grid intervals (of bounds) that the span [a0, a1) meets: positive
// overlap, or for an empty span (zeroMeets) the interval holding a0.
bool SpanCells(const std::vector<int>& bounds, int a0, int a1, bool zeroMeets, int& first, int& last) {
  int count = int(bounds.size()) - 1;
  if (count <= 0) return false;
  if (a1 <= a0) {
    if (!zeroMeets || a1 < a0) return false;
    int k = int(std::upper_bound(bounds.begin(), bounds.end(), a0) - bounds.begin());
    first = last = k - 1;
    return first >= 0 && first < count;
  }
  int k = int(std::upper_bound(bounds.begin(), bounds.end(), a0) - bounds.begin());
  first = std::max(0, k - 1);
  int k2 = int(std::lower_bound(bounds.begin(), bounds.end(), a1) - bounds.begin());
  last = std::min(count - 1, k2 - 1);
  return first <= last;
}

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '\r' || c == '\n') {
      lines.push_back(line);
      line.clear();
      if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    } else {
      line += c;
    }
  }
  lines.push_back(line);
  return lines;
}

bool IsScreen(const TCanvas& canvas) { return !canvas.IsPrinter() && !canvas.IsMetafile(); }

}  // namespace

int dxPSReportUnitsPerInch() { return gUnitsPerInch; }
void dxPSSetReportUnitsPerInch(int value) { gUnitsPerInch = value > 0 ? value : 4800; }

int dxPSCalcScaleFactor(const TdxPrinterPage& page, int reportWidth) {
  if (page.ScaleMode() != smFit) return std::max(1, page.ScaleFactor());
  if (reportWidth <= 0) return 100;
  int width = LoMetricToPixels(page.PaintRect().Width(), dxPSReportUnitsPerInch());
  return std::max(1, MulDiv(width, 100, reportWidth) - 1);
}

// ---- TdxPSReportRenderInfo --------------------------------------------------------

TdxPSReportRenderInfo::TdxPSReportRenderInfo(TdxPSRenderLink* link) : link_(link) {}
TdxPSReportRenderInfo::~TdxPSReportRenderInfo() = default;

void TdxPSReportRenderInfo::Clear() {
  pages_.clear();
  nonEmpty_.clear();
  horzBreaks_.clear();
  vertBreaks_.clear();
  preferredBreaks_.clear();
  columnBounds_.clear();
  rowBounds_.clear();
  headerCellRect_ = footerCellRect_ = pageHeaderRect_ = pageFooterRect_ = titleRect_ = TRect();
  pageSize_ = contentSize_ = TPoint();
  columnCount_ = rowCount_ = emptyPageCount_ = 0;
  bandsFit_ = true;
  scale_ = 100;
}

int TdxPSReportRenderInfo::UnitsPerInch() const { return dxPSReportUnitsPerInch(); }

int TdxPSReportRenderInfo::ToReportUnits(int loMetric) const {
  return MulDiv(loMetric, UnitsPerInch() * 100, kLoMetricPerInch * std::max(1, scale_));
}

bool TdxPSReportRenderInfo::TitleShown() const {
  return link_ && link_->ReportTitle().Mode() != tmNone && !titleRect_.IsEmpty();
}

int TdxPSReportRenderInfo::TitleHeightOnPaper() const {
  return TitleShown() ? MulDiv(titleRect_.Height(), scale_, 100) : 0;
}

void TdxPSReportRenderInfo::Calculate() {
  if (IsLocked()) return;
  Lock();
  ScopeExit unlock([this] { Unlock(); });
  Clear();
  if (!link_ || !link_->ReportCells()) return;
  TdxReportCells& cells = *link_->ReportCells();

  defaultBorderColor_ = cells.BorderColor();
  reportFont_ = TFont();
  int rootFont = cells.Cells()->FontIndex();
  TdxPSReportFontPool& pool = link_->FontPool();
  if (rootFont >= 0 && rootFont < pool.Count()) reportFont_ = pool.Font(rootFont);

  CalculateSizes();
  CalculateTitle();
  if (link_->ShowHeaderCell() && cells.HasHeaderCell()) headerCellRect_ = cells.HeaderCellBounds();
  if (link_->ShowFooterCell() && cells.HasFooterCell()) footerCellRect_ = cells.FooterCellBounds();
  CalculateBreakCandidates();
  CalculateColumns();
  CalculateRows();
  CalculatePages();
  CalculateOffsets();

  TdxPrinterPage& page = link_->RealPrinterPage();
  auto toUnits = [this](const TRect& r) {
    return TRect(ToReportUnits(r.Left), ToReportUnits(r.Top), ToReportUnits(r.Right), ToReportUnits(r.Bottom));
  };
  if (link_->ShowPageHeader()) pageHeaderRect_ = toUnits(page.HeaderRectLoMetric());
  if (link_->ShowPageFooter()) pageFooterRect_ = toUnits(page.FooterRectLoMetric());

  CalculateItemLists();
}

void TdxPSReportRenderInfo::CalculateSizes() {
  TdxPrinterPage& page = link_->RealPrinterPage();
  // A fit to a tiny report could ask for any scale; the window extents of
  // the page must stay at least one unit.
  scale_ = std::clamp(link_->RealScaleFactor(), 1, 1000000);
  int upi = UnitsPerInch();
  TPoint size = page.OrientedPageSizeLoMetric();
  pageSize_ = TPoint{LoMetricToPixels(size.X, upi), LoMetricToPixels(size.Y, upi)};
  TRect paint = page.PaintRect();
  contentSize_ =
      TPoint{std::max(0, LoMetricToPixels(paint.Width(), upi)), std::max(0, LoMetricToPixels(paint.Height(), upi))};
}

void TdxPSReportRenderInfo::CalculateTitle() {
  TdxReportTitle& title = link_->ReportTitle();
  if (title.Mode() == tmNone) return;
  TDeviceCaps screen = TDeviceCaps::Screen();
  int ppi = std::max(1, screen.LogPixelsY);
  TRect paintPixels = link_->RealPrinterPage().PaintRectPixels();
  int h = 0;
  if (!title.Text().empty()) {
    TCanvas ic(screen);
    TFont font = title.Font();
    font.Height = -MulDiv(font.Size(), ppi, 72);
    if (title.AdjustOnReportScale()) font.Height = MulDiv(font.Height, scale_, 100);
    TRect r(0, 0, std::max(1, paintPixels.Width()), 0);
    ::TextOut(ic, title.Text(), r, tofCalcRect | tofWordBreak | tofHidePrefix, &font);
    h = r.Height() + 4;
  }
  link_->MeasureReportTitle(h);
  h = std::max(0, std::min(h, paintPixels.Height() / 2));
  titleRect_ = TRect(0, 0, MulDiv(contentSize_.X, 100, scale_),
                     int(std::min<long long>((long long)h * UnitsPerInch() * 100 / ((long long)scale_ * ppi),
                                             dxMaxReportLength)));
}

void TdxPSReportRenderInfo::CalculateBreakCandidates() {
  TdxReportCells& cells = *link_->ReportCells();
  int width = std::max(0, cells.BoundsWidth());
  int height = std::max(0, cells.BoundsHeight());
  link_->GetDelimiters(horzBreaks_, vertBreaks_);
  horzBreaks_.push_back(0);
  horzBreaks_.push_back(width);
  vertBreaks_.push_back(0);
  vertBreaks_.push_back(height);
  Normalize(horzBreaks_, width);
  Normalize(vertBreaks_, height);
  link_->GetPreferredBreaks(preferredBreaks_);
  Normalize(preferredBreaks_, height);
}

void TdxPSReportRenderInfo::CalculateColumns() {
  int width = horzBreaks_.empty() ? 0 : horzBreaks_.back();
  columnBounds_ = {0};
  int room = contentSize_.X;
  const ContentSpans content(*link_->ReportCells()->Cells(), true);
  WalkBounds(horzBreaks_, width, scale_, MaxColumns, [room](int) { return (long long)room; }, {}, false,
             columnBounds_, &content);
  if (columnBounds_.size() == 1) columnBounds_.clear();
  columnCount_ = std::max(0, int(columnBounds_.size()) - 1);
}

void TdxPSReportRenderInfo::CalculateRows() {
  int height = vertBreaks_.empty() ? 0 : vertBreaks_.back();
  const long long contentH = contentSize_.Y;
  const long long title = TitleHeightOnPaper();
  const long long header = headerCellRect_.IsEmpty() ? 0 : MulDiv(headerCellRect_.Height(), scale_, 100);
  const long long footer = footerCellRect_.IsEmpty() ? 0 : MulDiv(footerCellRect_.Height(), scale_, 100);
  bandsFit_ = header + footer + title < contentH;
  int maxRows = std::max(1, MaxPages / std::max(1, columnCount_));
  bool earliest = link_->PreferEarliestBreak();

  rowBounds_ = {0};
  const ContentSpans content(*link_->ReportCells()->Cells(), false);
  if (bandsFit_) {
    // Header and footer cells repeat on every page; the title takes its
    // room on the first row.
    WalkBounds(vertBreaks_, height, scale_, maxRows,
               [&](int row) { return contentH - header - footer - (row == 0 ? title : 0); }, preferredBreaks_,
               earliest, rowBounds_, &content);
  } else {
    // The header cell only on the first row, the footer cell only on the
    // last: the first row gives room to title and header; when the last row
    // then has no room for the footer, the rows from the last one on are cut
    // again with the footer's room kept free.
    WalkBounds(vertBreaks_, height, scale_, maxRows,
               [&](int row) { return contentH - (row == 0 ? title + header : 0); }, preferredBreaks_, earliest,
               rowBounds_, &content);
    std::size_t rows = rowBounds_.size() - 1;
    if (rows > 0 && footer > 0 && footer < contentH) {
      std::size_t last = rows - 1;
      long long body = MulDiv(rowBounds_[last + 1] - rowBounds_[last], scale_, 100);
      long long room = contentH - (last == 0 ? title + header : 0);
      if (body + footer > room) {
        rowBounds_.resize(last + 1);
        WalkBounds(vertBreaks_, height, scale_, maxRows,
                   [&](int row) { return contentH - footer - (row == 0 ? title + header : 0); }, preferredBreaks_,
                   earliest, rowBounds_, &content);
      }
    }
  }
  if (rowBounds_.size() == 1) rowBounds_.clear();
  rowCount_ = std::max(0, int(rowBounds_.size()) - 1);
}

void TdxPSReportRenderInfo::CalculatePages() {
  if (columnCount_ <= 0 || rowCount_ <= 0) {
    columnCount_ = rowCount_ = 0;
    return;
  }
  int count = columnCount_ * rowCount_;
  pages_.resize(std::size_t(count));
  int headerH = headerCellRect_.Height(), footerH = footerCellRect_.Height();
  int pageBody = MulDiv(contentSize_.Y, 100, scale_);
  const int pageWidth = MulDiv(contentSize_.X, 100, scale_);
  for (int i = 0; i < count; ++i) {
    TdxPSPageRenderInfo& p = pages_[std::size_t(i)];
    int col = i % columnCount_, row = i / columnCount_;
    p.IsFirstRow = i < columnCount_;
    p.IsLastRow = i >= count - columnCount_;
    p.DrawFooterCell = !footerCellRect_.IsEmpty() && (bandsFit_ || p.IsLastRow);
    p.DrawHeaderCell = !headerCellRect_.IsEmpty() && (bandsFit_ || p.IsFirstRow);
    p.ContentRect = TRect(columnBounds_[std::size_t(col)], rowBounds_[std::size_t(row)],
                          columnBounds_[std::size_t(col) + 1], rowBounds_[std::size_t(row) + 1]);
    p.PageRect = p.ContentRect;
    // A column that took the background or a sliver after it shows what fits.
    p.PageRect.Right = std::min(p.PageRect.Right, p.PageRect.Left + pageWidth);
    p.PageRect.Bottom += (p.DrawHeaderCell ? headerH : 0) + (p.DrawFooterCell ? footerH : 0);
    int avail = std::max(0, pageBody - (HasTitle(i) ? titleRect_.Height() : 0));
    p.PageRect.Bottom = std::min(p.PageRect.Bottom, p.PageRect.Top + avail);
  }
}

void TdxPSReportRenderInfo::CalculateOffsets() {
  TdxPrinterPage& page = link_->RealPrinterPage();
  TRect paint = page.PaintRect();
  TPoint origin{ToReportUnits(paint.Left), ToReportUnits(paint.Top)};
  int titlePaper = TitleHeightOnPaper();
  for (int i = 0; i < int(pages_.size()); ++i) {
    TdxPSPageRenderInfo& p = pages_[std::size_t(i)];
    bool title = HasTitle(i);
    p.Offset = origin;
    if (title) {
      p.TitleOffset = p.Offset;
      p.Offset.Y += titleRect_.Height();
    }
    if (page.CenterOnPageH()) {
      int w = MulDiv(p.PageRect.Width(), scale_, 100);
      if (w < contentSize_.X) p.Offset.X += MulDiv((contentSize_.X - w) / 2, 100, scale_);
    }
    if (page.CenterOnPageV()) {
      int h = MulDiv(p.PageRect.Height(), scale_, 100);
      int room = contentSize_.Y - (title ? titlePaper : 0);
      if (h < room) p.Offset.Y += MulDiv((room - h) / 2, 100, scale_);
    }
  }
}

void TdxPSReportRenderInfo::CalculateItemLists() {
  if (pages_.empty()) return;
  TdxReportCells& cells = *link_->ReportCells();
  const int overlayCount = cells.OverlayCount();
  for (TdxPSPageRenderInfo& p : pages_) p.OverlayIndexes.assign(std::size_t(overlayCount), {});

  // Each child is entered on the pages its rectangle meets (found by
  // binary search in the bounds), so the lists come out in child order.
  auto distribute = [&](TdxReportCell& parent, auto&& add) {
    for (int i = 0; i < parent.CellCount(); ++i) {
      TRect r = parent.Cells(i)->AbsoluteRect();
      int c0, c1, r0, r1;
      if (!SpanCells(columnBounds_, r.Left, r.Right, false, c0, c1)) continue;
      if (!SpanCells(rowBounds_, r.Top, r.Bottom, true, r0, r1)) continue;
      for (int row = r0; row <= r1; ++row)
        for (int col = c0; col <= c1; ++col) add(row * columnCount_ + col, i);
    }
  };

  std::vector<std::vector<int>> lists(pages_.size());
  distribute(*cells.Cells(), [&](int page, int child) { lists[std::size_t(page)].push_back(child); });
  for (std::size_t n = 0; n < pages_.size(); ++n) {
    TdxPSPageRenderInfo& p = pages_[n];
    for (int child : lists[n]) {
      if (!p.Runs.empty() && p.Runs.back().second == child - 1)
        p.Runs.back().second = child;
      else
        p.Runs.emplace_back(child, child);
    }
  }
  for (int o = 0; o < overlayCount; ++o)
    distribute(*cells.Overlays(o), [&](int page, int child) {
      pages_[std::size_t(page)].OverlayIndexes[std::size_t(o)].push_back(child);
    });

  bool supportsEmpty = link_->SupportsEmptyPages();
  for (std::size_t n = 0; n < pages_.size(); ++n) {
    TdxPSPageRenderInfo& p = pages_[n];
    p.IsEmpty = supportsEmpty && p.Runs.empty();
    if (p.IsEmpty)
      ++emptyPageCount_;
    else
      nonEmpty_.push_back(int(n));
  }
}

bool TdxPSReportRenderInfo::IsPageShown(int index) const {
  if (index < 0 || index >= int(pages_.size())) return false;
  return !pages_[std::size_t(index)].IsEmpty || !link_ || link_->ShowEmptyPages();
}

int TdxPSReportRenderInfo::PageCount() const {
  bool hide = link_ && !link_->ShowEmptyPages();
  return int(pages_.size()) - (hide ? emptyPageCount_ : 0);
}

int TdxPSReportRenderInfo::VisiblePageToIndex(int visiblePage) const {
  if (visiblePage < 0) return -1;
  if (!link_ || link_->ShowEmptyPages()) return visiblePage < int(pages_.size()) ? visiblePage : -1;
  return visiblePage < int(nonEmpty_.size()) ? nonEmpty_[std::size_t(visiblePage)] : -1;
}

int TdxPSReportRenderInfo::IndexToVisiblePage(int index) const {
  if (index < 0 || index >= int(pages_.size())) return -1;
  if (!link_ || link_->ShowEmptyPages()) return index;
  auto it = std::lower_bound(nonEmpty_.begin(), nonEmpty_.end(), index);
  return it != nonEmpty_.end() && *it == index ? int(it - nonEmpty_.begin()) : -1;
}

bool TdxPSReportRenderInfo::HasTitle(int index) const {
  if (!link_ || index < 0 || index >= int(pages_.size())) return false;
  switch (link_->ReportTitle().Mode()) {
    case tmOnFirstPage: return index == 0;
    case tmOnEveryTopPage: return index < columnCount_;
    default: return false;
  }
}

void TdxPSReportRenderInfo::WriteBreaks(TdxReportWriter& writer) const {
  for (const std::vector<int>* list : {&horzBreaks_, &vertBreaks_}) {
    writer.WriteInteger(std::int32_t(list->size()));
    for (int v : *list) writer.WriteInteger(v);
  }
}

void TdxPSReportRenderInfo::ReadBreaks(TdxReportReader& reader) {
  std::vector<int> lists[2];
  for (std::vector<int>& list : lists) {
    std::int32_t count = reader.ReadInteger();
    if (count < 0 || count > dxMaxStoredBreaks)
      throw EReadError(Format("Invalid page break count %d in report data", int(count)));
    for (std::int32_t i = 0; i < count; ++i) list.push_back(dxReadLength(reader));
    Normalize(list, dxMaxReportLength);
  }
  // Only a complete read replaces anything.
  loadedHorz_ = lists[0];
  loadedVert_ = lists[1];
  horzBreaks_ = std::move(lists[0]);
  vertBreaks_ = std::move(lists[1]);
}

void TdxPSReportRenderInfo::ClearLoadedBreaks() {
  loadedHorz_.clear();
  loadedVert_.clear();
}

// ---- TdxPSReportBrushPool -----------------------------------------------------------

const TBrush& TdxPSReportBrushPool::Get(TColor color) {
  if (!Paints(color)) return empty_;
  std::uint32_t rgb = ColorToRGB(color);
  for (auto& [key, brush] : brushes_)
    if (key == rgb) return brush;
  brushes_.emplace_back(rgb, TBrush{TColor(rgb), bsSolid, {}});
  return brushes_.back().second;
}

// ---- TdxPSReportRenderer ------------------------------------------------------------

TdxPSReportRenderer::TdxPSReportRenderer(TdxPSRenderLink* link) : link_(link) {
  const struct {
    const char* name;
    int points;
  } glyphs[3] = {{"Marlett", 10}, {"Marlett", 8}, {"Symbol", 7}};
  for (int i = 0; i < 3; ++i) {
    glyphFonts_[i].Name = glyphs[i].name;
    glyphFonts_[i].Charset = SYMBOL_CHARSET;
    glyphFonts_[i].Color = clWindowText;
    glyphFonts_[i].SetSize(glyphs[i].points);
  }
}

TdxPSReportRenderer::~TdxPSReportRenderer() = default;

int TdxPSReportRenderer::UnitsPerInch() const { return dxPSReportUnitsPerInch(); }
int TdxPSReportRenderer::FontCount() const { return link_ ? link_->FontPool().Count() : 0; }

const TFont* TdxPSReportRenderer::FontAt(int index) const {
  return link_ && index >= 0 && index < link_->FontPool().Count() ? &link_->FontPool().Font(index) : nullptr;
}

int TdxPSReportRenderer::BackgroundBitmapCount() const { return link_ ? link_->BackgroundBitmapPool().Count() : 0; }

const TBitmap* TdxPSReportRenderer::BackgroundBitmapAt(int index) const {
  return link_ ? link_->BackgroundBitmapPool().Bitmap(index) : nullptr;
}

int TdxPSReportRenderer::TextOut(TCanvas& dc, const std::string& text, TRect& rect, unsigned flags, const TFont* font,
                                 int maxLines, int leftIndent, int rightIndent, TColor color) {
  TdxTextReference reference;
  if (canvas_ == &dc) reference = {TextLayoutPixel(), TextLayoutPixel()};
  if (!OnTextLayout || canvas_ != &dc)
    return ::TextOut(dc, text, rect, flags, font, maxLines, leftIndent, rightIndent, color, reference);
  TdxTextLayout layout;
  int result = ::TextOut(dc, text, rect, flags, font, maxLines, leftIndent, rightIndent, color, reference, &layout);
  OnTextLayout(layout);
  return result;
}

bool TdxPSReportRenderer::IsCustomDrawn(const TAbstractdxReportCellData& item) const {
  return link_ && link_->IsCustomDrawn(item);
}

bool TdxPSReportRenderer::CustomDrawItem(TAbstractdxReportCellData& item) {
  if (!link_ || !canvas_) return false;
  TCanvas& dc = *canvas_;
  TRect outer = item.GetOuterBounds(dc);
  TdxClipRegionSaver clip(dc);
  dc.IntersectClipRect(outer);
  return link_->CustomDrawItem(item, dc, item.BoundsRect(), outer);
}

int TdxPSReportRenderer::Scale() const { return renderInfo_ ? std::max(1, renderInfo_->ScaleDenominator()) : 100; }

// ---- Pages --------------------------------------------------------------------------

void TdxPSReportRenderer::RenderPage(TCanvas& canvas, const TRect& targetRect, int zoom, int pageIndex,
                                     int visiblePageIndex) {
  TdxPSReportRenderInfo* info = renderInfo_;
  if (!info || !link_ || targetRect.IsEmpty()) return;
  if (!info->IsPageShown(pageIndex)) return;
  int pageNumber = link_->PageNumberForHF(visiblePageIndex);
  GetHFFormatObject()->CurrentPage = pageNumber;
  TdxReportCells* cells = link_->ReportCells();
  if (cells && cells->Renderer() != this) cells->SetRenderer(this);

  info->Lock();
  {
    ScopeExit done([&] {
      canvas_ = nullptr;
      lineThickness_ = 1;
      pixelSize_ = 1;
      stage_ = 0;
      info->Unlock();
    });
    TCanvasStateSaver saver(canvas);
    canvas_ = &canvas;
    pageIndex_ = pageIndex;
    zoom_ = zoom;
    targetRect_ = targetRect;
    PrepareCanvas(canvas, targetRect, zoom);
    PreparePoolFonts();
    if (canvas.IsPrinter()) RenderPageBackground(canvas);
    if (!info->PageHeaderRect().IsEmpty()) RenderPageHeaderOrFooter(canvas, true, pageIndex, pageNumber);
    if (!info->PageFooterRect().IsEmpty()) RenderPageHeaderOrFooter(canvas, false, pageIndex, pageNumber);
    if (info->HasTitle(pageIndex)) RenderReportTitle(canvas);
    if (cells) {
      if (link_->IsTwoPassRendering()) {
        RenderPageContent(canvas, 1);
        RenderPageContent(canvas, 2);
      } else {
        RenderPageContent(canvas, 3);
      }
    }
  }
  TdxClipRegionSaver clip(canvas);
  canvas.IntersectClipRect(canvas.DPtoLP(targetRect));
  link_->CustomDrawPage(canvas, pageIndex, targetRect);
}

void TdxPSReportRenderer::PrepareCanvas(TCanvas& canvas, const TRect& targetRect, int zoom) {
  int s = Scale();
  TPoint size = renderInfo_->PageSize();
  int wx = int(std::clamp<long long>((long long)size.X * 100 / s, 1, INT_MAX));
  int wy = int(std::clamp<long long>((long long)size.Y * 100 / s, 1, INT_MAX));
  canvas.SetMapMode(MM_ANISOTROPIC);
  canvas.SetWindowOrg(0, 0);
  canvas.SetWindowExt(wx, wy);
  canvas.SetViewportOrg(targetRect.Left, targetRect.Top);
  canvas.SetViewportExt(targetRect.Width(), targetRect.Height());
  pixelSize_ = std::max(1, MulDiv(wx, 1, targetRect.Width()));
  if (canvas.IsPrinter()) {
    // Half a point.
    lineThickness_ = std::max(1, pixelSize_ * canvas.GetDeviceCaps(LOGPIXELSX) / 72 / 2);
  } else {
    lineThickness_ = pixelSize_;
    if (zoom > 100) lineThickness_ *= zoom / 100;
  }
}

void TdxPSReportRenderer::PreparePoolFonts() {
  int upi = UnitsPerInch();
  int s = Scale();
  link_->FontPool().Scale(link_->ScaleFonts() || s == 100 ? upi : MulDiv(upi, 100, s));
  static const int points[3] = {10, 8, 7};
  for (int i = 0; i < 3; ++i) glyphFonts_[i].Height = -MulDiv(points[i], upi, 72);
}

void TdxPSReportRenderer::RenderPageBackground(TCanvas& canvas) {
  TdxPageBackground& background = link_->RealPrinterPage().Background();
  TSize ext = canvas.GetWindowExt();
  TRect paper(0, 0, ext.cx, ext.cy);
  bool white = background.Mode() == bmNone ||
               (background.Mode() == bmPicture &&
                (background.PictureMode() == ppmCenter || background.PictureMode() == ppmProportional));
  if (white) FillRect(canvas, paper, clWhite);
  // Pictures keep their size on paper whatever the scale.
  background.PaintEx(canvas, paper, UnitsPerInch() * 100, ScreenPixelsPerInch() * Scale());
}

void TdxPSReportRenderer::RenderPageHeaderOrFooter(TCanvas& canvas, bool isHeader, int pageIndex, int pageNumber) {
  TRect rect = isHeader ? renderInfo_->PageHeaderRect() : renderInfo_->PageFooterRect();
  if (IsScreen(canvas) && !canvas.RectVisible(rect)) return;
  TdxPrinterPage& page = link_->RealPrinterPage();
  TCustomdxPageObject& band = isHeader ? static_cast<TCustomdxPageObject&>(page.PageHeader())
                                       : static_cast<TCustomdxPageObject&>(page.PageFooter());
  int s = Scale();
  TCanvasStateSaver saver(canvas);
  TFont font = band.Font();
  font.Height = -MulDiv(font.Size(), MulDiv(UnitsPerInch(), 100, s), 72);
  canvas.SetBkMode(TRANSPARENT);
  canvas.IntersectClipRect(rect);
  bool drawText = true, drawBackground = true;
  TRect r = rect;
  link_->CustomDrawPageHeaderOrFooter(isHeader, canvas, pageIndex, r, 100, s, drawText, drawBackground);
  if (drawBackground) band.Background().PaintEx(canvas, r, UnitsPerInch() * 100, ScreenPixelsPerInch() * s);
  if (!drawText) return;

  canvas.SetFont(font);
  canvas.SetBkMode(TRANSPARENT);
  bool reverse = page.ReverseTitlesOnEvenPages() && pageNumber % 2 == 0;
  int lineHeight = std::max(1, canvas.TextHeight("Hg"));
  // Left, right, centre: each line drawn is taken out of the clip region so
  // that a section drawn later cannot cover an earlier one.
  for (TdxPageTitlePart part : {tpLeft, tpRight, tpCenter}) {
    TdxPageTitlePart source = part;
    if (reverse && part == tpLeft) source = tpRight;
    if (reverse && part == tpRight) source = tpLeft;
    std::string text = band.TitleText(source);
    if (text.empty()) continue;
    text = GetHFFunctionLibrary()->ProcessText(text, GetHFFormatObject());
    std::vector<std::string> lines = SplitLines(text);
    long long total = (long long)lineHeight * (long long)lines.size();
    long long top = r.Top;
    switch (band.TextAlignY(source)) {
      case taCenterY: top = r.Top + (r.Height() - total) / 2; break;
      case taBottom:
      case taDistributeY: top = r.Bottom - total; break;
      default: break;
    }
    int y = int(std::max<long long>(top, r.Top));
    for (const std::string& line : lines) {
      if (y >= r.Bottom) break;
      if (!line.empty()) {
        int w = canvas.TextWidth(line);
        int x = r.Left;
        if (w < r.Width()) {
          if (part == tpCenter) x = r.Left + (r.Width() - w) / 2;
          if (part == tpRight) x = r.Right - w;
        }
        int textH = canvas.TextHeight(line);
        canvas.TextOut(x, y + (lineHeight - textH) / 2, line);
        // One device pixel more all round: the glyphs' smoothed edges reach
        // into the pixels the line's rectangle only partly covers.
        TRect used(x, y, x + w, y + lineHeight);
        used.Inflate(pixelSize_, pixelSize_);
        canvas.ExcludeClipRect(used);
      }
      y += lineHeight;
    }
  }
}

void TdxPSReportRenderer::RenderReportTitle(TCanvas& canvas) {
  TdxReportTitle& title = link_->ReportTitle();
  const TRect rect = renderInfo_->TitleRect();
  TPoint offset = renderInfo_->Page(pageIndex_).TitleOffset;
  canvas.OffsetWindowOrg(-offset.X, -offset.Y);
  ScopeExit back([&] { canvas.OffsetWindowOrg(offset.X, offset.Y); });
  if (rect.IsEmpty() || (IsScreen(canvas) && !canvas.RectVisible(rect))) return;

  int s = Scale();
  TCanvasStateSaver saver(canvas);
  TFont font = title.Font();
  font.Height = -MulDiv(font.Size(), title.AdjustOnReportScale() ? UnitsPerInch() : MulDiv(UnitsPerInch(), 100, s), 72);
  canvas.IntersectClipRect(rect);
  TdxTextAlignX alignX = title.TextAlignX();
  TdxTextAlignY alignY = title.TextAlignY();
  TColor color = title.Color();
  bool done = false;
  link_->CustomDrawReportTitle(canvas, rect, 100, s, alignX, alignY, color, font, done);
  if (done) return;
  if (!title.Transparent()) FillRect(canvas, rect, color);
  TRect r = rect;
  canvas.SetBkMode(TRANSPARENT);
  ::TextOut(canvas, title.Text(), r,
            dxTextFormat(alignX, alignY,
                         tofWordBreak | tofKeepLeft | tofKeepTop | tofHidePrefix | dxTextFlags::CaptionBase),
            &font);
}

void TdxPSReportRenderer::RenderCell(TCanvas& canvas, TdxReportCell& cell, int x, int y, int stage,
                                     const TRect& clip) {
  if (!cell.Visible()) return;
  if (IsScreen(canvas)) {
    // Borders and shadows reach outside the bounds (a cell's outer bounds
    // are in its own coordinates).
    TRect outer = cell.GetOuterBounds(canvas);
    outer.Offset(x, y);
    outer.Inflate(lineThickness_, lineThickness_);
    if (!canvas.RectVisible(outer)) return;
  }
  canvas.OffsetWindowOrg(-x, -y);
  ScopeExit back([&] { canvas.OffsetWindowOrg(x, y); });
  cell.DrawItself(canvas, TRect(0, 0, cell.Width(), cell.Height()), stage, clip);
}

void TdxPSReportRenderer::RenderPageContent(TCanvas& canvas, int stage) {
  TdxReportCells& cells = *link_->ReportCells();
  const TdxPSPageRenderInfo& page = renderInfo_->Page(pageIndex_);
  const TRect& content = page.ContentRect;
  const int t = lineThickness_;
  stage_ = stage;

  TCanvasStateSaver saver(canvas);
  canvas.OffsetWindowOrg(-(page.Offset.X + t), -(page.Offset.Y + t));
  canvas.IntersectClipRect(TRect(-t, -t, page.PageRect.Width(), page.PageRect.Height()));
  canvas.SetBkMode(TRANSPARENT);
  canvas.SetFont(renderInfo_->ReportFont());

  int bodyTop = 0;
  if (page.DrawHeaderCell && cells.HasHeaderCell()) {
    TdxReportCell& header = *cells.HeaderCell();
    const TRect hr = renderInfo_->HeaderCellRect();
    const TRect clip(content.Left, hr.Top, content.Right, hr.Bottom);
    for (int i = 0; i < header.CellCount(); ++i) {
      TdxReportCell& c = *header.Cells(i);
      RenderCell(canvas, c, hr.Left + c.Left() - content.Left, c.Top(), stage, clip);
    }
    canvas.ExcludeClipRect(TRect(hr.Left - content.Left, 0, hr.Right - content.Left, hr.Height()));
    bodyTop = hr.Height();
  }

  // The body stays within its part of the page: cells that cross a cut do
  // not reach into the header or footer cell.
  std::optional<TdxClipRegionSaver> bodyClip(std::in_place, canvas);
  canvas.IntersectClipRect(
      TRect(-t, bodyTop > 0 ? bodyTop : -t, page.PageRect.Width(), bodyTop + content.Height()));

  TdxReportCell& root = *cells.Cells();
  int lowest = content.Top;
  bool drawn = false;
  auto drawChild = [&](TdxReportCell& c) {
    if (!c.Visible()) return;
    TRect a = c.AbsoluteRect();
    RenderCell(canvas, c, a.Left - content.Left, bodyTop + a.Top - content.Top, stage, content);
    lowest = std::max(lowest, a.Bottom);
    drawn = true;
  };
  for (const auto& [first, last] : page.Runs)
    for (int i = first; i <= last && i < root.CellCount(); ++i) drawChild(*root.Cells(i));
  for (int o = 0; o < int(page.OverlayIndexes.size()) && o < cells.OverlayCount(); ++o) {
    TdxReportCell& overlay = *cells.Overlays(o);
    for (int i : page.OverlayIndexes[std::size_t(o)])
      if (i >= 0 && i < overlay.CellCount()) drawChild(*overlay.Cells(i));
  }

  bodyClip.reset();

  if (page.DrawFooterCell && cells.HasFooterCell()) {
    int bodyHeight = page.IsLastRow ? (drawn ? std::min(lowest, content.Bottom) - content.Top : 0) : content.Height();
    int footerTop = bodyTop + bodyHeight;
    TdxReportCell& footer = *cells.FooterCell();
    const TRect fr = renderInfo_->FooterCellRect();
    const TRect clip(content.Left, fr.Top, content.Right, fr.Bottom);
    for (int i = 0; i < footer.CellCount(); ++i) {
      TdxReportCell& c = *footer.Cells(i);
      RenderCell(canvas, c, fr.Left + c.Left() - content.Left, footerTop + c.Top(), stage, clip);
    }
  }
}

// ---- Drawing operations -------------------------------------------------------------

void TdxPSReportRenderer::FillRect(TCanvas& dc, const TRect& rect, TColor color) {
  if (!Paints(color) || rect.IsEmpty()) return;
  dc.FillRect(rect, brushPool_.Get(color));
}

void TdxPSReportRenderer::FillWithPattern(TCanvas& dc, const TRect& rect, const TRect& anchor,
                                          TdxPSFillPatternClass pattern, TColor bkColor, TColor color) {
  if (!pattern || rect.IsEmpty()) return;
  if (pattern->IsSolid() || pattern->PatternBits().empty()) {
    FillRect(dc, rect, color);
    return;
  }
  if (!Paints(color)) return;
  TdxPSFillPatternFactory* factory = TdxPSFillPatternFactory::Instance();
  if (factory->IndexOf(pattern) < 0) {
    // A pattern class nobody registered still fills, from its rows.
    TCustomdxReportRenderer::FillRectEx(dc, rect, pattern, bkColor, color);
    return;
  }
  const TBrush& brush = factory->GetItem(pattern, dc.IsPrinter())->Brush();
  TColor oldText = dc.SetTextColor(color);
  TColor oldBk = dc.SetBkColor(Paints(bkColor) ? bkColor : clWhite);
  TPoint oldOrg = dc.GetBrushOrg();
  if (pattern->AlignsToDevice()) {
    int cx = std::max(1, brush.Bitmap.width()), cy = std::max(1, brush.Bitmap.height());
    dc.SetBrushOrg(((anchor.Left % cx) + cx) % cx, ((anchor.Top % cy) + cy) % cy);
  }
  dc.FillRect(rect, brush);
  dc.SetBrushOrg(oldOrg.X, oldOrg.Y);
  dc.SetBkColor(oldBk);
  dc.SetTextColor(oldText);
}

void TdxPSReportRenderer::FillRectEx(TCanvas& dc, const TRect& rect, TdxPSFillPatternClass pattern, TColor bkColor,
                                     TColor color) {
  if (!pattern || rect.IsEmpty()) return;
  FillWithPattern(dc, rect, dc.DeviceRect(rect), pattern, bkColor, color);
}

void TdxPSReportRenderer::FillDeviceRegion(TCanvas& dc, const TRegion& deviceRegion, TdxPSFillPatternClass pattern,
                                           TColor bkColor, TColor color) {
  if (!pattern || deviceRegion.IsEmpty()) return;
  TdxClipRegionSaver clip(dc);
  if (dc.ExtSelectClipRgn(&deviceRegion, RGN_AND) == NULLREGION) return;
  TRect box = deviceRegion.Box();
  TRect logical = dc.DPtoLP(box);
  if (logical.Left > logical.Right) std::swap(logical.Left, logical.Right);
  if (logical.Top > logical.Bottom) std::swap(logical.Top, logical.Bottom);
  // The clip region holds the shape; the rectangle only has to cover it.
  logical.Inflate(pixelSize_, pixelSize_);
  FillWithPattern(dc, logical, box, pattern, bkColor, color);
}

void TdxPSReportRenderer::FillRegion(TCanvas& dc, const TRegion& region, TdxPSFillPatternClass pattern,
                                     TColor bkColor, TColor color) {
  if (!pattern || region.IsEmpty()) return;
  std::vector<QRect> rects;
  for (const TRect& r : region.Rects()) {
    TRect d = dc.DeviceRect(r);
    if (!d.IsEmpty()) rects.emplace_back(d.Left, d.Top, d.Width(), d.Height());
  }
  QRegion device;
  device.setRects(rects.data(), int(rects.size()));
  FillDeviceRegion(dc, TRegion(device), pattern, bkColor, color);
}

void TdxPSReportRenderer::FillEllipse(TCanvas& dc, const TRect& rect, TdxPSFillPatternClass pattern, TColor bkColor,
                                      TColor color) {
  if (rect.IsEmpty()) return;
  FillDeviceRegion(dc, TRegion::Ellipse(dc.DeviceRect(rect)), pattern, bkColor, color);
}

namespace {
// Corner ellipse sizes in device pixels.
TSize DeviceCorner(TCanvas& dc, int width, int height) {
  TRect d = dc.DeviceRect(TRect(0, 0, width, height));
  return TSize{d.Width(), d.Height()};
}
}  // namespace

void TdxPSReportRenderer::FillRoundRect(TCanvas& dc, const TRect& rect, TdxPSFillPatternClass pattern,
                                        TColor bkColor, TColor color, int ellipseHeight, int ellipseWidth) {
  if (rect.IsEmpty()) return;
  TSize corner = DeviceCorner(dc, std::max(0, ellipseWidth), std::max(0, ellipseHeight));
  FillDeviceRegion(dc, TRegion::RoundRect(dc.DeviceRect(rect), corner.cx, corner.cy), pattern, bkColor, color);
}

void TdxPSReportRenderer::FrameEllipse(TCanvas& dc, const TRect& rect, int thickness, TColor color) {
  if (rect.IsEmpty() || !Paints(color) || thickness <= 0) return;
  int w = int(std::min<long long>((long long)thickness * lineThickness_, INT_MAX / 4));
  TRegion ring = TRegion::Ellipse(dc.DeviceRect(rect));
  TRect inner = rect;
  inner.Inflate(-w, -w);
  if (!inner.IsEmpty()) ring.Combine(TRegion::Ellipse(dc.DeviceRect(inner)), RGN_DIFF);
  FillDeviceRegion(dc, ring, TdxPSSolidFillPattern::StaticClass(), clNone, color);
}

void TdxPSReportRenderer::FrameRoundRect(TCanvas& dc, const TRect& rect, int thickness, TColor color,
                                         int ellipseHeight, int ellipseWidth) {
  if (rect.IsEmpty() || !Paints(color) || thickness <= 0) return;
  int w = int(std::min<long long>((long long)thickness * lineThickness_, INT_MAX / 4));
  ellipseHeight = std::max(0, ellipseHeight);
  ellipseWidth = std::max(0, ellipseWidth);
  TSize corner = DeviceCorner(dc, ellipseWidth, ellipseHeight);
  TRegion ring = TRegion::RoundRect(dc.DeviceRect(rect), corner.cx, corner.cy);
  TRect inner = rect;
  inner.Inflate(-w, -w);
  if (!inner.IsEmpty()) {
    int H = rect.Height(), W = rect.Width();
    TSize innerCorner = DeviceCorner(dc, MulDiv(ellipseWidth, W - 2 * w, W), MulDiv(ellipseHeight, H - 2 * w, H));
    ring.Combine(TRegion::RoundRect(dc.DeviceRect(inner), innerCorner.cx, innerCorner.cy), RGN_DIFF);
  }
  FillDeviceRegion(dc, ring, TdxPSSolidFillPattern::StaticClass(), clNone, color);
}

void TdxPSReportRenderer::DrawEllipse(TCanvas& dc, const TRect& rect, int thickness, TColor frameColor,
                                      TdxPSFillPatternClass pattern, TColor bkColor, TColor color) {
  FrameEllipse(dc, rect, thickness, frameColor);
  int w = std::max(0, thickness) * lineThickness_;
  TRect inner = rect;
  inner.Inflate(-w, -w);
  FillEllipse(dc, inner, pattern, bkColor, color);
}

void TdxPSReportRenderer::DrawRoundRect(TCanvas& dc, const TRect& rect, int thickness, TColor frameColor,
                                        TdxPSFillPatternClass pattern, TColor bkColor, TColor color,
                                        int ellipseHeight, int ellipseWidth) {
  FrameRoundRect(dc, rect, thickness, frameColor, ellipseHeight, ellipseWidth);
  int w = std::max(0, thickness) * lineThickness_;
  TRect inner = rect;
  inner.Inflate(-w, -w);
  if (inner.IsEmpty()) return;
  int H = rect.Height(), W = rect.Width();
  FillRoundRect(dc, inner, pattern, bkColor, color, MulDiv(ellipseHeight, H - 2 * w, H),
                MulDiv(ellipseWidth, W - 2 * w, W));
}

void TdxPSReportRenderer::DrawRect(TCanvas& dc, const TRect& rect, int thickness, TColor frameColor,
                                   TdxPSFillPatternClass pattern, TColor bkColor, TColor color) {
  FrameRect(dc, rect, std::max(0, thickness), kAllSides, frameColor);
  int w = std::max(0, thickness) * lineThickness_;
  TRect inner = rect;
  inner.Inflate(-w, -w);
  FillRectEx(dc, inner, pattern, bkColor, color);
}

void TdxPSReportRenderer::DrawBorderEdge(TCanvas& dc, const TRect& rect, TColor color, bool soft, TdxItemSides sides,
                                         int edgeStyle, int kind) {
  if (color == TColor(-1) || color == clDefault)
    color = renderInfo_ ? renderInfo_->DefaultBorderColor() : clBlack;
  dxDrawBorderEdge(*this, dc, rect, color, soft, sides, edgeStyle, kind);
}
