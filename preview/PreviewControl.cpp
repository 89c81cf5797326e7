// The preview control: creation, appearance and page properties, zoom, layout,
// scrolling, pages and selection, updates, options, registry settings and the
// notifications. Painting is in PreviewControlPainting.cpp, hit testing and
// margin geometry in PreviewControlHitTesting.cpp, keyboard, mouse, margin
// dragging and hints in PreviewControlInput.cpp.
#include "preview/PreviewControl.h"

#include <QApplication>
#include <QDateTime>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPaintEngine>
#include <QPainter>
#include <QScreen>
#include <QScrollBar>
#include <QStyle>
#include <QTimer>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>
#include <optional>

#include "platform/Registry.h"
#include "report/EngineUtilities.h"

#include "preview/PreviewControlHelpers.h"
#include "platform/ScopeExit.h"
#include "platform/Units.h"

using namespace PreviewControlHelpers;

namespace {
constexpr int kLineSize = 30;           // pixels scrolled by one line
constexpr int kHintDelay = 500;         // ms before a margin hint shows
constexpr int kHintCheckInterval = 500; // ms between checks whether to remove it

// clBtnShadow lightened by a third towards white (the ultra-flat background).
TColor LightenedBtnShadow() {
  const std::uint32_t rgb = ColorToRGB(clBtnShadow);
  auto light = [](int c) { return c + (255 - c) / 3; };
  return TColor(RGBValue(light(GetRValue(rgb)), light(GetGValue(rgb)), light(GetBValue(rgb))));
}
}  // namespace

// ---------------------------------------------------------------------------
// Creation and destruction

TCustomdxPreview::TCustomdxPreview(QWidget* parent) : QWidget(parent) {
  margins_ = std::make_unique<TdxPreviewMargins>(this);
  pageBackground_ = std::make_unique<TdxPreviewPageBackground>(this);
  pixelsPerInch_ = TDeviceCaps::Screen().LogPixelsX;
  if (pixelsPerInch_ <= 0) pixelsPerInch_ = 96;

  originalPageSize_.SetPointSilently({2100, 2970});
  originalPageSize_.OnChanging = [this](TdxPointWrapper&, unsigned, TPoint& proposed) {
    proposed.X = std::max(proposed.X, minUsefulSize_.X);
    proposed.Y = std::max(proposed.Y, minUsefulSize_.Y);
  };
  originalPageSize_.OnChanged = [this](TdxPointWrapper&, unsigned) {
    BeginUpdate();
    CalcPageSize();
    ReapplyMargins();
    Layout();
    EndUpdate();
  };

  setFocusPolicy(Qt::ClickFocus);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(true);
  TFont font;
  font.Name = "Tahoma";
  setFont(MakeQFont(font));

  hScroll_ = new QScrollBar(Qt::Horizontal, this);
  vScroll_ = new QScrollBar(Qt::Vertical, this);
  for (QScrollBar* bar : {hScroll_, vScroll_}) {
    bar->hide();
    bar->setSingleStep(kLineSize);
    bar->setTracking(true);
    bar->setFocusPolicy(Qt::NoFocus);
    bar->setCursor(Qt::ArrowCursor);
  }
  connect(hScroll_, &QScrollBar::valueChanged, this, [this](int v) { ScrollBarMoved(Qt::Horizontal, v); });
  connect(vScroll_, &QScrollBar::valueChanged, this, [this](int v) { ScrollBarMoved(Qt::Vertical, v); });
  connect(vScroll_, &QScrollBar::sliderMoved, this, [this](int v) { VerticalSliderMoved(v); });
  connect(vScroll_, &QScrollBar::sliderReleased, this, [this] { VerticalSliderReleased(); });

  marginHintTimer_ = new QTimer(this);
  marginHintTimer_->setSingleShot(true);
  marginHintTimer_->setInterval(kHintDelay);
  connect(marginHintTimer_, &QTimer::timeout, this, [this] { MarginHintTimerFired(); });
  hintHideTimer_ = new QTimer(this);
  hintHideTimer_->setInterval(kHintCheckInterval);
  connect(hintHideTimer_, &QTimer::timeout, this, [this] { HintHideTimerFired(); });

  CalcPageSize();
  CalcIndent();
  resize(320, 460);
  Layout();
}

TCustomdxPreview::~TCustomdxPreview() {
  destroying_ = true;
  if ((optionsBehavior_ & dxBit(pobStoreInRegistry)) && !registryPath_.empty()) {
    try {
      SaveToRegistry(registryPath_);
    } catch (...) {
    }
  }
  marginHintTimer_->stop();
  hintHideTimer_->stop();
  hScroll_->disconnect(this);
  vScroll_->disconnect(this);
  delete marginHint_;
  delete pageNumberHint_;
  marginHint_ = pageNumberHint_ = nullptr;
}

// ---------------------------------------------------------------------------
// Appearance properties

void TCustomdxPreview::SetBorderStyle(TBorderStyle value) {
  if (borderStyle_ == value) return;
  borderStyle_ = value;
  Layout();
}

void TCustomdxPreview::SetColor(TColor value) {
  if (color_ == value) return;
  color_ = value;
  InvalidatePages();
}

void TCustomdxPreview::SetLookAndFeel(TdxPreviewLookAndFeel value) {
  if (lookAndFeel_ == value) return;
  const TdxPreviewLookAndFeel old = lookAndFeel_;
  lookAndFeel_ = value;
  if (value == plfUltraFlat && color_ == clBtnShadow)
    color_ = LightenedBtnShadow();
  else if (old == plfUltraFlat && color_ == LightenedBtnShadow())
    color_ = clBtnShadow;
  Layout();
  update();
}

void TCustomdxPreview::SetMarginColor(TColor value) {
  if (marginColor_ == value) return;
  marginColor_ = value;
  InvalidateMargins(selPageIndex_);
}

void TCustomdxPreview::SetParentBackground(bool value) {
  if (parentBackground_ == value) return;
  parentBackground_ = value;
  InvalidatePages();
}

void TCustomdxPreview::SetScrollBars(TScrollStyle value) {
  if (scrollBars_ == value) return;
  scrollBars_ = value;
  Layout();
}

void TCustomdxPreview::SetTabStop(bool value) {
  tabStop_ = value;
  setFocusPolicy(value ? Qt::StrongFocus : Qt::ClickFocus);
}

// ---------------------------------------------------------------------------
// Page properties

void TCustomdxPreview::SetMeasurementUnits(TdxPreviewMeasurementUnits value) {
  if (units_ == value) return;
  units_ = value;
  if (marginHint_ && marginHint_->isVisible() && draggingMargin_) marginHint_->SetText(draggingMargin_->Hint());
}

void TCustomdxPreview::SetMinFooterSize(int value) {
  const TdxPreviewMargins& m = *margins_;
  value = MinMax(value, 0, pageSize_.Y - minUsefulSize_.Y - minHeaderSize_ - m[pmFooter].Value() - m[pmHeader].Value());
  if (value == minFooterSize_) return;
  minFooterSize_ = value;
  TdxPreviewMargin& bottom = margins_->Bottom();
  const int needed = value + margins_->Footer().Value();
  if (bottom.Value() < needed) bottom.SetValue(needed);
}

void TCustomdxPreview::SetMinHeaderSize(int value) {
  const TdxPreviewMargins& m = *margins_;
  value = MinMax(value, 0, pageSize_.Y - minUsefulSize_.Y - minFooterSize_ - m[pmFooter].Value() - m[pmHeader].Value());
  if (value == minHeaderSize_) return;
  minHeaderSize_ = value;
  TdxPreviewMargin& top = margins_->Top();
  const int needed = value + margins_->Header().Value();
  if (top.Value() < needed) top.SetValue(needed);
}

void TCustomdxPreview::SetOrientation(TdxPreviewPaperOrientation value) {
  if (orientation_ == value) return;
  std::array<int, 7> values{};
  for (int k = 0; k < TdxPreviewMargins::Count; ++k) values[k] = (*margins_)[TdxPreviewMarginType(k)].Value();
  if (optionsBehavior_ & dxBit(pobAutoSwapMargins)) {
    const int left = values[pmLeft], top = values[pmTop], right = values[pmRight], bottom = values[pmBottom];
    if (value == ppoLandscape) {
      values[pmLeft] = bottom, values[pmTop] = left, values[pmRight] = top, values[pmBottom] = right;
    } else {
      values[pmLeft] = top, values[pmTop] = right, values[pmRight] = bottom, values[pmBottom] = left;
    }
  }
  BeginUpdate();
  orientation_ = value;
  CalcPageSize();
  SetMarginValues(values);
  Layout();
  EndUpdate();
}

void TCustomdxPreview::SetMinUsefulSize(TPoint value) {
  const TdxPreviewMargins& m = *margins_;
  value.X = MinMax(value.X, 0, pageSize_.X - m[pmLeft].Value() - m[pmRight].Value() - m[pmGutter].Value());
  value.Y = MinMax(value.Y, 0, pageSize_.Y - m[pmTop].Value() - m[pmBottom].Value());
  minUsefulSize_ = value;
}

void TCustomdxPreview::CalcPageSize() {
  TPoint size = originalPageSize_.Point();
  if (orientation_ == ppoLandscape) std::swap(size.X, size.Y);
  pageSize_ = size;
  pageSizePx_ = {LoMetricToPixels(size.X, pixelsPerInch_), LoMetricToPixels(size.Y, pixelsPerInch_)};
}

int TCustomdxPreview::LengthToPixels(int tenthsOfMM) const { return LoMetricToPixels(tenthsOfMM, pixelsPerInch_); }

int TCustomdxPreview::LengthToZoomedPixels(int tenthsOfMM) const {
  return MulDiv(LengthToPixels(tenthsOfMM), zoomFactor_, 100);
}

// ---------------------------------------------------------------------------
// Zoom

void TCustomdxPreview::SetMaxZoomFactor(int value) {
  value = std::max(value, minZoomFactor_);
  if (value == maxZoomFactor_) return;
  maxZoomFactor_ = value;
  if (zoomMode_ != pzmNone)
    Layout();
  else
    SetZoomFactor(zoomFactor_);
}

void TCustomdxPreview::SetMinZoomFactor(int value) {
  value = std::min(std::max(value, 5), maxZoomFactor_);
  if (value == minZoomFactor_) return;
  minZoomFactor_ = value;
  if (zoomMode_ != pzmNone)
    Layout();
  else
    SetZoomFactor(zoomFactor_);
}

void TCustomdxPreview::SetZoomFactor(int value) {
  value = MinMax(value, minZoomFactor_, maxZoomFactor_);
  if (value == zoomFactor_) return;
  zoomFactor_ = value;
  if (!fitting_) zoomMode_ = pzmNone;
  if (!toggling_) zoomedIn_ = zoomFactor_ >= 100;
  CalcIndent();
  DropDragSnapshot();
  if (zoomMode_ == pzmNone)
    Layout();
  else
    update();
  DoZoomFactorChanged();
}

void TCustomdxPreview::SetZoomMode(TdxPreviewZoomMode value) {
  if (zoomMode_ == value) return;
  zoomMode_ = value;
  Layout();
  DoZoomModeChanged();
}

void TCustomdxPreview::SetZoomStep(int value) { zoomStep_ = std::max(1, value); }

void TCustomdxPreview::SetPageXCount(int value) {
  value = std::max(1, value);
  const bool changed = value != pageXCount_;
  pageXCount_ = value;
  if (zoomMode_ != pzmPages)
    SetZoomMode(pzmPages);
  else if (changed)
    Layout();
}

void TCustomdxPreview::SetPageYCount(int value) {
  value = std::max(1, value);
  const bool changed = value != pageYCount_;
  pageYCount_ = value;
  if (zoomMode_ != pzmPages)
    SetZoomMode(pzmPages);
  else if (changed)
    Layout();
}

void TCustomdxPreview::SetPageXYCount(int x, int y) {
  BeginUpdate();
  SetPageXCount(x);
  SetPageYCount(y);
  EndUpdate();
}

void TCustomdxPreview::ToggleZoom(bool zoomIn) {
  toggling_ = true;
  {
    ScopeExit endToggling([this] { toggling_ = false; });
    if (zoomIn && !zoomedIn_) {
      savedZoomFactor_ = zoomFactor_;
      savedZoomMode_ = zoomMode_;
      zoomedIn_ = true;
      SetZoomFactor(100);
    } else if (zoomedIn_) {
      if (zoomFactor_ == 100) {
        zoomedIn_ = false;
        SetZoomMode(savedZoomMode_);
        SetZoomFactor(savedZoomFactor_);
      } else {
        SetZoomFactor(100);
      }
    }
  }
  if (isVisible()) repaint();
}

int TCustomdxPreview::FitZoomFactor() const {
  const TRect client = ClientRect();
  if (zoomMode_ == pzmPageWidth) return MulDiv(client.Width(), 100, pageSizePx_.X + 26);
  auto fit = [this](int clientExtent, int pageExtent, int count) {
    for (int x = count; x >= 1; --x) {
      const int f = MulDiv(clientExtent - 4 * x - 4, 100, x * (pageExtent + 9) + 9);
      if (f >= minZoomFactor_) return f;
    }
    return minZoomFactor_;
  };
  return std::min(fit(client.Width(), pageSizePx_.X, pageXCount_), fit(client.Height(), pageSizePx_.Y, pageYCount_));
}

// ---------------------------------------------------------------------------
// Layout

int TCustomdxPreview::BorderWidth() const {
  if (borderStyle_ == bsNone) return 0;
  return lookAndFeel_ == plfStandard ? 2 : 1;
}

int TCustomdxPreview::ScrollBarExtent() const {
  return style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, vScroll_);
}

TRect TCustomdxPreview::ClientRect() const {
  const int bw = BorderWidth(), sb = ScrollBarExtent();
  const int right = std::max(bw, width() - bw - (vScrollVisible_ ? sb : 0));
  const int bottom = std::max(bw, height() - bw - (hScrollVisible_ ? sb : 0));
  return TRect(bw, bw, right, bottom);
}

void TCustomdxPreview::CalcColumnsAndTotals() {
  const int count = PageCount();
  const int zw = ZoomedPageWidth(), zh = ZoomedPageHeight();
  const int cw = ClientWidth();
  int cols = 1;
  switch (zoomMode_) {
    case pzmPageWidth: cols = 1; break;
    case pzmPages: cols = (MulDiv(cw, 100, zoomFactor_) - 13) / (pageSizePx_.X + 13); break;
    default: cols = (cw - indent_) / std::max(1, zw + indent_); break;
  }
  cols = std::max(1, std::min(cols, count));
  if (zoomMode_ == pzmPages) cols = std::min(cols, pageXCount_);
  columnCount_ = cols;
  rowCount_ = count == 0 ? 0 : (count + cols - 1) / cols;
  totalWidth_ = (count == 0 || zoomMode_ == pzmPageWidth) ? cw : (zw + indent_) * cols + indent_;
  totalHeight_ = (zh + indent_) * rowCount_ + indent_;
}

int TCustomdxPreview::VisibleRowCount() const {
  if (zoomMode_ == pzmPageWidth) return 1;
  int rows = (MulDiv(ClientHeight(), 100, zoomFactor_) - 13) / (pageSizePx_.Y + 13);
  rows = std::max(1, rows);
  if (zoomMode_ == pzmPages) rows = std::min(rows, pageYCount_);
  return rows;
}

int TCustomdxPreview::ScrollExtentWidth() const { return totalWidth_ - (zoomMode_ == pzmPages ? indent_ : 0); }
int TCustomdxPreview::ScrollExtentHeight() const { return totalHeight_ - (zoomMode_ == pzmPages ? indent_ : 0); }
int TCustomdxPreview::MaxLeftPos() const { return std::max(0, ScrollExtentWidth() - ClientWidth()); }
int TCustomdxPreview::MaxTopPos() const {
  if (pages_.empty()) return 0;
  return std::max(0, ScrollExtentHeight() - ClientHeight());
}

bool TCustomdxPreview::UpdateScrollBarVisibility() {
  const bool allowH = scrollBars_ == ssHorizontal || scrollBars_ == ssBoth;
  const bool allowV = scrollBars_ == ssVertical || scrollBars_ == ssBoth;
  bool h = allowH, v = allowV;
  if (optionsView_ & dxBit(povAutoHideScrollBars)) {
    const int bw = BorderWidth(), sb = ScrollBarExtent();
    const int w0 = width() - 2 * bw, h0 = height() - 2 * bw;
    // The width a page-width view needs follows the client; it never scrolls sideways.
    const int needW = (pages_.empty() || zoomMode_ == pzmPageWidth) ? 0 : ScrollExtentWidth();
    const int needH = pages_.empty() ? 0 : ScrollExtentHeight();
    v = allowV && needH > h0;
    h = allowH && needW > w0 - (v ? sb : 0);
    v = allowV && needH > h0 - (h ? sb : 0);
  }
  const bool changed = h != hScrollVisible_ || v != vScrollVisible_;
  hScrollVisible_ = h;
  vScrollVisible_ = v;
  return changed;
}

void TCustomdxPreview::PlaceScrollBars() {
  const int bw = BorderWidth(), sb = ScrollBarExtent();
  const int w = width(), h = height();
  hScroll_->setGeometry(bw, h - bw - sb, std::max(0, w - 2 * bw - (vScrollVisible_ ? sb : 0)), sb);
  vScroll_->setGeometry(w - bw - sb, bw, sb, std::max(0, h - 2 * bw - (hScrollVisible_ ? sb : 0)));
  hScroll_->setVisible(hScrollVisible_);
  vScroll_->setVisible(vScrollVisible_);
}

void TCustomdxPreview::UpdateScrollBars() {
  settingScrollBars_ = true;
  const bool tracking = optionsBehavior_ & dxBit(pobThumbTracking);
  auto set = [tracking](QScrollBar* bar, int max, int page, int pos) {
    bar->setRange(0, max);
    bar->setPageStep(std::max(1, page));
    bar->setValue(pos);
    bar->setEnabled(max > 0);
    bar->setTracking(tracking);
  };
  set(hScroll_, MaxLeftPos(), ClientWidth(), leftPos_);
  set(vScroll_, MaxTopPos(), ClientHeight(), topPos_);
  settingScrollBars_ = false;
}

void TCustomdxPreview::CalcPagesBounds() {
  const int zw = ZoomedPageWidth(), zh = ZoomedPageHeight();
  const int cw = ClientWidth(), ch = ClientHeight();
  const bool nonCentered = optionsBehavior_ & dxBit(pobNonCenterizePages);
  int ox = (totalWidth_ > cw || nonCentered) ? indent_ : (cw - totalWidth_ + 2 * indent_) / 2;
  int oy = (totalHeight_ > ch || nonCentered) ? indent_ : (ch - totalHeight_ + 2 * indent_) / 2;
  if (zoomFactor_ == minZoomFactor_) {
    ox = std::max(ox, indent_);
    oy = std::max(oy, indent_);
  }
  const int cols = std::max(1, columnCount_);
  for (int i = 0; i < PageCount(); ++i) {
    const int r = i / cols, c = i % cols;
    pages_[i].Bounds = Bounds(ox + c * (zw + indent_) - leftPos_, oy + r * (zh + indent_) - topPos_, zw, zh);
  }
}

bool TCustomdxPreview::IsPageVisible(int index) const {
  if (index < 0 || index >= PageCount()) return false;
  const TRect& b = pages_[index].Bounds;
  return !b.IsEmpty() && !IntersectRect(b, TRect(0, 0, ClientWidth(), ClientHeight())).IsEmpty();
}

int TCustomdxPreview::FirstVisiblePage() const {
  const TRect client(0, 0, ClientWidth(), ClientHeight());
  int partly = -1;
  for (int i = 0; i < PageCount(); ++i) {
    const TRect& b = pages_[i].Bounds;
    if (b.IsEmpty()) continue;
    if (b.Left >= 0 && b.Top >= 0 && b.Right <= client.Right && b.Bottom <= client.Bottom) return i;
    if (partly < 0 && !IntersectRect(b, client).IsEmpty()) partly = i;
  }
  return partly;
}

void TCustomdxPreview::EnsureLayout() const {
  if (size() != layoutSize_ && !relayouting_ && !destroying_) const_cast<TCustomdxPreview*>(this)->Layout();
}

void TCustomdxPreview::Layout() {
  if (relayouting_ || destroying_) return;
  relayouting_ = true;
  layoutSize_ = size();
  const int remembered = FirstVisiblePage();
  const int selectedVisible = IsPageVisible(selPageIndex_) ? selPageIndex_ : -1;
  auto fitAndMeasure = [this] {
    if (zoomMode_ != pzmNone) {
      fitting_ = true;
      SetZoomFactor(FitZoomFactor());
      fitting_ = false;
    }
    CalcColumnsAndTotals();
  };
  // A scroll bar that appears narrows the client, which changes the fit and
  // may make the other bar necessary; settle within three rounds, keeping
  // every bar that was needed on the way.
  bool anyH = false, anyV = false;
  for (int pass = 0;; ++pass) {
    fitAndMeasure();
    const bool changed = UpdateScrollBarVisibility();
    anyH |= hScrollVisible_;
    anyV |= vScrollVisible_;
    if (!changed) break;
    if (pass >= 2) {
      hScrollVisible_ = anyH;
      vScrollVisible_ = anyV;
      fitAndMeasure();
      break;
    }
  }
  PlaceScrollBars();
  leftPos_ = MinMax(leftPos_, 0, MaxLeftPos());
  topPos_ = MinMax(topPos_, 0, MaxTopPos());
  CalcPagesBounds();
  UpdateScrollBars();
  if (remembered >= 0 && remembered < PageCount()) MakePageVisible(remembered);
  if (selectedVisible >= 0 && selectedVisible < PageCount()) MakePageVisible(selectedVisible);
  relayouting_ = false;
  DropDragSnapshot();
  update();
}

void TCustomdxPreview::resizeEvent(QResizeEvent*) { Layout(); }

// ---------------------------------------------------------------------------
// Scrolling

void TCustomdxPreview::ScrollTo(int left, int top) {
  left = MinMax(left, 0, MaxLeftPos());
  top = MinMax(top, 0, MaxTopPos());
  const int dx = leftPos_ - left, dy = topPos_ - top;
  if (dx == 0 && dy == 0) return;
  leftPos_ = left;
  topPos_ = top;
  CalcPagesBounds();
  UpdateScrollBars();
  DropDragSnapshot();
  if (relayouting_ || !isVisible() || draggingMargin_) {
    update();
  } else {
    // Move what is on screen and paint only the uncovered strips.
    const TRect c = ClientRect();
    scroll(dx, dy, ToQRect(c));
  }
}

void TCustomdxPreview::SetLeftPos(int value) { ScrollTo(value, topPos_); }
void TCustomdxPreview::SetTopPos(int value) { ScrollTo(leftPos_, value); }

void TCustomdxPreview::ScrollLines(int dx, int dy) {
  ScrollTo(leftPos_ + dx * kLineSize, topPos_ + dy * kLineSize);
}

void TCustomdxPreview::ScrollBarMoved(Qt::Orientation orientation, int value) {
  if (settingScrollBars_) return;
  if (orientation == Qt::Horizontal)
    ScrollTo(value, topPos_);
  else
    ScrollTo(leftPos_, value);
}

void TCustomdxPreview::PagesVisibleAt(int topPos, int& first, int& last) const {
  first = last = -1;
  const int count = PageCount(), cols = std::max(1, columnCount_);
  if (count == 0) return;
  const int zw = ZoomedPageWidth(), zh = ZoomedPageHeight();
  const int cw = ClientWidth(), ch = ClientHeight();
  // Page 0's position without the vertical offset gives the row origin.
  const int oy = pages_[0].Bounds.Top + topPos_;
  const int ox = pages_[0].Bounds.Left;
  for (int r = 0; r < rowCount_; ++r) {
    const int top = oy + r * (zh + indent_) - topPos;
    if (top + zh <= 0) continue;
    if (top >= ch) break;
    for (int c = 0; c < cols; ++c) {
      const int index = r * cols + c;
      if (index >= count) break;
      const int left = ox + c * (zw + indent_);
      if (left + zw <= 0 || left >= cw) continue;
      if (first < 0) first = index;
      last = index;
    }
  }
}

std::string TCustomdxPreview::PageNumberHintText(int startPage, int endPage) {
  return GetPageNumberHintText(startPage, endPage);
}

void TCustomdxPreview::VerticalSliderMoved(int value) {
  if (!(optionsHint_ & dxBit(pohShowOnScroll)) || rowCount_ < 2) return;
  int first, last;
  PagesVisibleAt(MinMax(value, 0, MaxTopPos()), first, last);
  if (first < 0) return;
  const std::string text = PageNumberHintText(first + 1, last + 1);
  if (!pageNumberHint_) pageNumberHint_ = new TdxPreviewHintWindow(this);
  const QSize size = pageNumberHint_->CalcHintSize(text);
  pageNumberHint_->SetText(text);
  pageNumberHint_->resize(size);
  pageNumberHint_->move(QCursor::pos() - QPoint(size.width() + ScrollBarExtent(), 0));
  pageNumberHint_->show();
}

void TCustomdxPreview::VerticalSliderReleased() {
  if (pageNumberHint_) pageNumberHint_->hide();
}

// ---------------------------------------------------------------------------
// Pages and selection

void TCustomdxPreview::SetPageCount(int value) {
  value = std::max(0, value);
  if (value == PageCount()) return;
  const int oldSelection = selPageIndex_;
  pages_.resize(std::size_t(value));
  Layout();  // a vanished selected index stays until the repair below reports it
  RepairSelection(oldSelection);
}

void TCustomdxPreview::RepairSelection(int oldSelection) {
  const int count = PageCount();
  int selection = -1;
  if (count > 0) {
    for (int i = std::min(oldSelection, count - 1); i >= 0 && selection < 0; --i)
      if (CanSelectPage(i)) selection = i;
    for (int i = 0; i < count && selection < 0; ++i)
      if (CanSelectPage(i)) selection = i;
  }
  if (selection != selPageIndex_) ChangeSelection(selection);
}

bool TCustomdxPreview::CanSelectPage(int index) {
  bool canSelect = true;
  DoCanSelectPage(index, canSelect);
  return canSelect;
}

void TCustomdxPreview::SetSelectedPageIndex(int value) {
  value = MinMax(value, -1, PageCount() - 1);
  if (value == selPageIndex_) return;
  if (value != -1 && !CanSelectPage(value)) return;
  ChangeSelection(value);
}

void TCustomdxPreview::ChangeSelection(int index) {
  DoSelectedPageChanging(selPageIndex_);
  InvalidatePageRing(selPageIndex_);
  InvalidateMargins(selPageIndex_);
  selPageIndex_ = index;
  InvalidatePageRing(index);
  InvalidateMargins(index);
  if (index >= 0) MakePageVisible(index);
  DoSelectedPageChanged(index);
}

void TCustomdxPreview::SelectFirstPage() {
  for (int i = 0; i < PageCount(); ++i) {
    if (i == selPageIndex_) return;
    if (CanSelectPage(i)) return ChangeSelection(i);
  }
}

void TCustomdxPreview::SelectLastPage() {
  for (int i = PageCount() - 1; i >= 0; --i) {
    if (i == selPageIndex_) return;
    if (CanSelectPage(i)) return ChangeSelection(i);
  }
}

void TCustomdxPreview::SelectNextPage() {
  for (int i = selPageIndex_ + 1; i < PageCount(); ++i)
    if (CanSelectPage(i)) return ChangeSelection(i);
}

void TCustomdxPreview::SelectPrevPage() {
  const int start = selPageIndex_ < 0 ? PageCount() - 1 : selPageIndex_ - 1;
  for (int i = start; i >= 0; --i)
    if (CanSelectPage(i)) return ChangeSelection(i);
}

void TCustomdxPreview::SetSelectionFrameWidth(int value) {
  value = std::max(2, value);
  if (value == selectionFrameWidth_) return;
  InvalidatePageRing(selPageIndex_);
  selectionFrameWidth_ = value;
  InvalidatePageRing(selPageIndex_);
}

void TCustomdxPreview::MakePageVisible(int index) {
  if (index < 0 || index >= PageCount()) return;
  const TRect cell = PageCell(index);
  const int cw = ClientWidth(), ch = ClientHeight();
  int dx = 0, dy = 0;
  if (cell.Width() > cw)
    dx = cell.Left;
  else if (cell.Right > cw)
    dx = cell.Right - cw;
  else if (cell.Left < 0)
    dx = cell.Left;
  if (cell.Height() > ch)
    dy = cell.Top;
  else if (cell.Bottom > ch)
    dy = cell.Bottom - ch;
  else if (cell.Top < 0)
    dy = cell.Top;
  if (dx != 0 || dy != 0) ScrollTo(leftPos_ + dx, topPos_ + dy);
}

// ---------------------------------------------------------------------------
// Updates

void TCustomdxPreview::BeginUpdate() { ++updateCount_; }

void TCustomdxPreview::EndUpdate() {
  if (updateCount_ == 0) return;
  if (--updateCount_ > 0) return;
  if (!loading_) DoCalcPageCount();
  InvalidatePages();
}

void TCustomdxPreview::Loaded() {
  loading_ = false;
  DoCalcPageCount();
  if ((optionsBehavior_ & dxBit(pobStoreInRegistry)) && !registryPath_.empty())
    LoadFromRegistry(registryPath_);
}

void TCustomdxPreview::InvalidatePages() {
  DropDragSnapshot();
  update();
}

void TCustomdxPreview::InvalidatePage(int index) {
  if (index < 0 || index >= PageCount()) return;
  DropDragSnapshot();
  QRect r = ToQRect(PageCell(index));
  const TRect c = ClientRect();
  update(r.translated(c.Left, c.Top) & ToQRect(c));
}

void TCustomdxPreview::InvalidatePageRing(int index) {
  if (index < 0 || index >= PageCount() || updateCount_ > 0) return;
  DropDragSnapshot();
  const TRect c = ClientRect();
  TRect inner = pages_[index].Bounds;
  const int innerFrames = std::max(selectionFrameWidth_, 2) - 1;
  inner.Inflate(-innerFrames, -innerFrames);
  QRegion ring = QRegion(ToQRect(PageCell(index))).subtracted(QRegion(ToQRect(inner)));
  ring.translate(c.Left, c.Top);
  update(ring & ToQRect(c));
}

void TCustomdxPreview::InvalidateMargin(const TdxPreviewMargin& margin, int pos) {
  if (updateCount_ > 0 || pages_.empty()) return;
  DropDragSnapshot();
  const TRect c = ClientRect();
  update(ToQRect(MarginLineRect(margin, pos)).translated(c.Left, c.Top) & ToQRect(c));
}

void TCustomdxPreview::InvalidateMargins(int pageIndex) {
  if (pageIndex < 0 || pageIndex >= PageCount() || updateCount_ > 0) return;
  DropDragSnapshot();
  const TRect c = ClientRect();
  const TRect& page = pages_[pageIndex].Bounds;
  QRegion region;
  for (int k = 0; k < TdxPreviewMargins::Count; ++k) {
    const TdxPreviewMargin& m = (*margins_)[TdxPreviewMarginType(k)];
    const int pos = MarginPosOnPage(m, m.Value(), page);
    region += m.IsVertical() ? QRect(pos, page.Top, 1, page.Height()) : QRect(page.Left, pos, page.Width(), 1);
  }
  region.translate(c.Left, c.Top);
  update(region & ToQRect(c));
}

// ---------------------------------------------------------------------------
// Options

void TCustomdxPreview::SetOptionsBehavior(TdxPreviewOptionsBehavior value) {
  value &= dxBitsUpTo(pobNonCenterizePages);
  const unsigned changed = value ^ optionsBehavior_;
  if (!changed) return;
  optionsBehavior_ = value;
  if (changed & dxBit(pobAllowDragMargins)) {
    const bool enabled = value & dxBit(pobAllowDragMargins);
    for (int k = 0; k < TdxPreviewMargins::Count; ++k) (*margins_)[TdxPreviewMarginType(k)].SetEnabled(enabled);
  }
  if (changed & dxBit(pobThumbTracking)) UpdateScrollBars();
  if (changed & dxBit(pobNonCenterizePages)) Layout();
}

void TCustomdxPreview::SetOptionsHint(TdxPreviewOptionsHint value) {
  value &= dxBitsUpTo(pohShowOnScroll);
  if (value == optionsHint_) return;
  optionsHint_ = value;
  if (!(value & dxBit(pohShowForMargins)) && !draggingMargin_) HideHints();
}

void TCustomdxPreview::SetOptionsView(TdxPreviewOptionsView value) {
  value &= dxBitsUpTo(povPageSelection);
  const unsigned changed = value ^ optionsView_;
  if (!changed) return;
  optionsView_ = value;
  if (changed & dxBit(povMargins)) {
    const bool visible = value & dxBit(povMargins);
    for (int k = 0; k < TdxPreviewMargins::Count; ++k) (*margins_)[TdxPreviewMarginType(k)].SetVisible(visible);
  }
  if (changed & dxBit(povAutoHideScrollBars)) Layout();
  InvalidatePages();
}

void TCustomdxPreview::SetOptionsZoom(TdxPreviewOptionsZoom value) {
  optionsZoom_ = value & 3u;
  UpdateCursor(lastMousePos_);
}

// ---------------------------------------------------------------------------
// Registry

void TCustomdxPreview::SaveToRegistry(const std::string& path) const {
  try {
    TRegistry reg;
    if (!reg.OpenKey(path, true)) return;
    reg.WriteInteger("OptionHint", int(optionsHint_));
    reg.WriteInteger("OptionView", int(optionsView_));
    reg.WriteInteger("OptionZoom", int(optionsZoom_));
    reg.WriteInteger("ZoomStep", zoomStep_);
    reg.WriteInteger("MarginColor", marginColor_);
    reg.WriteInteger("MeasurementUnits", int(units_));
    reg.WriteInteger("Orientation", int(orientation_));
    if (optionsStore_ & dxBit(posZoom)) {
      reg.WriteInteger("ZoomFactor", zoomFactor_);
      reg.WriteInteger("ZoomMode", int(zoomMode_));
      if (zoomMode_ == pzmPages) {
        reg.WriteInteger("PageXCount", pageXCount_);
        reg.WriteInteger("PageYCount", pageYCount_);
      }
    }
  } catch (const ERegistryException&) {
  }
}

void TCustomdxPreview::LoadFromRegistry(const std::string& path) {
  try {
    TRegistry reg;
    if (!reg.OpenKeyReadOnly(path)) return;
    // Only the values that exist, through the setters; values outside their
    // range are not taken.
    auto read = [&reg](const char* name, auto apply) {
      if (reg.ValueExists(name)) apply(reg.ReadInteger(name));
    };
    read("OptionHint", [this](int v) { SetOptionsHint(TdxPreviewOptionsHint(v)); });
    read("OptionView", [this](int v) { SetOptionsView(TdxPreviewOptionsView(v)); });
    read("OptionZoom", [this](int v) { SetOptionsZoom(TdxPreviewOptionsZoom(v)); });
    read("ZoomStep", [this](int v) { SetZoomStep(v); });
    read("MarginColor", [this](int v) { SetMarginColor(TColor(v)); });
    read("MeasurementUnits", [this](int v) {
      if (v >= pmuDefault && v <= pmuPicas) units_ = TdxPreviewMeasurementUnits(v);
    });
    read("Orientation", [this](int v) {
      if (v == ppoPortrait || v == ppoLandscape) SetOrientation(TdxPreviewPaperOrientation(v));
    });
    if (optionsStore_ & dxBit(posZoom)) {
      read("ZoomFactor", [this](int v) { SetZoomFactor(v); });
      read("ZoomMode", [this](int v) {
        if (v >= pzmNone && v <= pzmPages) SetZoomMode(TdxPreviewZoomMode(v));
      });
      if (zoomMode_ == pzmPages) {
        read("PageXCount", [this](int v) { SetPageXCount(v); });
        read("PageYCount", [this](int v) { SetPageYCount(v); });
      }
    }
  } catch (const ERegistryException&) {
  }
}

// ---------------------------------------------------------------------------
// Virtual operations and notifications

void TCustomdxPreview::DoDrawPageContent(TCanvas& canvas, TRect& rect, int pageIndex) {
  if (OnDrawPageContent) OnDrawPageContent(*this, canvas, rect, pageIndex);
}

void TCustomdxPreview::DoDragMargin(TdxPreviewMargin& margin) {
  if (OnDragMargin) OnDragMargin(*this, margin);
}

void TCustomdxPreview::DoZoomFactorChanged() {
  if (OnZoomFactorChanged) OnZoomFactorChanged(*this);
}

void TCustomdxPreview::DoZoomModeChanged() {
  if (OnZoomModeChanged) OnZoomModeChanged(*this);
}

void TCustomdxPreview::DoCanShowMarginHint(bool& canShowHint) {
  if (OnCanShowMarginHint) OnCanShowMarginHint(*this, canShowHint);
}

std::string TCustomdxPreview::GetPageNumberHintText(int startPage, int endPage) {
  std::string text = RemoveAmpersands("&Page") + ":  " + std::to_string(startPage);
  if (endPage != startPage) text += " - " + std::to_string(endPage);
  if (OnGetPageNumberHint) OnGetPageNumberHint(*this, startPage, endPage, text);
  return text;
}

void TCustomdxPreview::DoCanSelectPage(int pageIndex, bool& canSelect) {
  if (OnSelectingPage) OnSelectingPage(*this, pageIndex, canSelect);
}

void TCustomdxPreview::DoAfterDragMargin(TdxPreviewMargin& margin) {
  if (OnAfterDragMargin) OnAfterDragMargin(*this, margin);
}

void TCustomdxPreview::DoBeforeDragMargin(TdxPreviewMargin& margin) {
  if (OnBeforeDragMargin) OnBeforeDragMargin(*this, margin);
}

void TCustomdxPreview::DoCalcPageCount() {
  if (updateCount_ == 0 && OnCalcPageCount) OnCalcPageCount(*this);
}

void TCustomdxPreview::SetOnCalcPageCount(std::function<void(TCustomdxPreview& sender)> handler) {
  OnCalcPageCount = std::move(handler);
  DoCalcPageCount();
}

void TCustomdxPreview::DoMarginChanged(TdxPreviewMargin& margin) {
  if (OnMarginChanged) OnMarginChanged(*this, margin);
  switch (margin.Kind()) {
    case pmLeft:
    case pmTop:
    case pmRight:
    case pmBottom:
    case pmGutter: DoCalcPageCount(); break;
    default: break;
  }
}

void TCustomdxPreview::DoSelectedPageChanging(int pageIndex) {
  if (OnSelectedPageChanging) OnSelectedPageChanging(*this, pageIndex);
}

void TCustomdxPreview::DoSelectedPageChanged(int pageIndex) {
  if (OnSelectedPageChanged) OnSelectedPageChanged(*this, pageIndex);
}

bool TCustomdxPreview::IsFormActive() const { return window()->isActiveWindow(); }
