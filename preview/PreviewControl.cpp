// The preview control: layout, zoom, scrolling, selection, painting,
// keyboard and mouse, margin dragging and hints, registry settings.
#include "platform/Units.h"
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

namespace {
constexpr int kLineSize = 30;           // pixels scrolled by one line
constexpr int kMarginHitZone = 3;       // pixels on each side of a margin line
constexpr int kHintDelay = 500;         // ms before a margin hint shows
constexpr int kHintCheckInterval = 500; // ms between checks whether to remove it
constexpr int kHintLifetime = 10000;    // ms a margin hint stays at most
constexpr int kHintOffset = 5;          // pixels between a margin line and its hint

QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

TBrush SolidBrush(TColor color) {
  TBrush b;
  b.Color = color;
  return b;
}

// A canvas in device pixels on the painter of a canvas in client pixels, for
// as long as it lives: the painter's transform is scaled down by the device
// pixel ratio underneath, and the capabilities scaled up by it.
class TDevicePixelCanvas {
 public:
  TDevicePixelCanvas(TCanvas& client, double ratio) : painter_(*client.Painter()) {
    TDeviceCaps caps = client.DeviceCaps();
    auto up = [ratio](int v) { return int(std::lround(v * ratio)); };
    caps.HorzRes = up(caps.HorzRes);
    caps.VertRes = up(caps.VertRes);
    caps.LogPixelsX = up(caps.LogPixelsX);
    caps.LogPixelsY = up(caps.LogPixelsY);
    caps.PhysicalWidth = up(caps.PhysicalWidth);
    caps.PhysicalHeight = up(caps.PhysicalHeight);
    caps.PhysicalOffsetX = up(caps.PhysicalOffsetX);
    caps.PhysicalOffsetY = up(caps.PhysicalOffsetY);
    painter_.save();
    painter_.scale(1 / ratio, 1 / ratio);
    canvas_.emplace(painter_, caps);
  }
  ~TDevicePixelCanvas() {
    canvas_.reset();
    painter_.restore();
  }
  TDevicePixelCanvas(const TDevicePixelCanvas&) = delete;
  TDevicePixelCanvas& operator=(const TDevicePixelCanvas&) = delete;
  TCanvas& Canvas() { return *canvas_; }

 private:
  QPainter& painter_;
  std::optional<TCanvas> canvas_;
};

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
  try {
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
  } catch (...) {
    toggling_ = false;
    throw;
  }
  toggling_ = false;
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

TRect TCustomdxPreview::PageCell(int index) const {
  if (index < 0 || index >= PageCount()) return TRect();
  TRect r = pages_[index].Bounds;
  r.Left -= 2;
  r.Top -= 2;
  r.Right += indent_ - 2;
  r.Bottom += indent_ - 2;
  return r;
}

int TCustomdxPreview::PageIndexFromPoint(TPoint p) const {
  if (pages_.empty() || !TRect(0, 0, ClientWidth(), ClientHeight()).Contains(p)) return -1;
  // Cells tile the page block: find the row and column arithmetically.
  const TRect first = PageCell(0);
  const int stepX = ZoomedPageWidth() + indent_, stepY = ZoomedPageHeight() + indent_;
  if (p.X < first.Left || p.Y < first.Top || stepX <= 0 || stepY <= 0) return -1;
  const int c = (p.X - first.Left) / stepX, r = (p.Y - first.Top) / stepY;
  if (c >= columnCount_) return -1;
  const int index = r * columnCount_ + c;
  if (index >= PageCount() || !PageCell(index).Contains(p)) return -1;
  return index;
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
// Margins

void TCustomdxPreview::MarginLimits(const TdxPreviewMargin& margin, int& lower, int& upper) const {
  const TdxPreviewMargins& m = *margins_;
  const int W = pageSize_.X, H = pageSize_.Y, MX = minUsefulSize_.X, MY = minUsefulSize_.Y;
  auto v = [&m](TdxPreviewMarginType k) { return m[k].Value(); };
  auto mn = [&m](TdxPreviewMarginType k) { return m[k].MinValue(); };
  lower = margin.MinValue();
  switch (margin.Kind()) {
    case pmLeft: upper = std::max(lower, W - v(pmGutter) - MX - v(pmRight)); break;
    case pmRight: upper = std::max(lower, W - v(pmGutter) - v(pmLeft) - MX); break;
    case pmGutter: upper = W - v(pmLeft) - MX - v(pmRight); break;
    case pmTop:
      upper = H - MY - std::max({v(pmBottom), mn(pmBottom), mn(pmFooter) + minFooterSize_});
      lower = std::max(lower, std::min(v(pmHeader) + minHeaderSize_, upper));
      break;
    case pmBottom:
      upper = H - MY - std::max({v(pmTop), mn(pmTop), mn(pmHeader) + minHeaderSize_});
      lower = std::max(lower, std::min(v(pmFooter) + minFooterSize_, upper));
      break;
    case pmHeader: upper = H - v(pmBottom) - minHeaderSize_ - MY; break;
    case pmFooter: upper = H - v(pmTop) - MY - minFooterSize_; break;
  }
  if (margin.MaxValue() != -1) upper = std::min(upper, margin.MaxValue());
}

void TCustomdxPreview::MarginValueSet(TdxPreviewMargin& margin, int value) {
  int lower, upper;
  MarginLimits(margin, lower, upper);
  value = MinMax(value, lower, upper);
  if (value == margin.value_) return;
  const int oldPos = MarginPos(margin);
  const int oldLeftPos = MarginPos(margins_->Left());
  margin.value_ = value;
  DoMarginChanged(margin);
  if (margin.Kind() == pmHeader) {
    TdxPreviewMargin& top = margins_->Top();
    if (top.Value() - value < minHeaderSize_) top.SetValue(value + minHeaderSize_);
  } else if (margin.Kind() == pmFooter) {
    TdxPreviewMargin& bottom = margins_->Bottom();
    if (bottom.Value() - value < minFooterSize_) bottom.SetValue(value + minFooterSize_);
  }
  InvalidateMargin(margin, oldPos);
  InvalidateMargin(margin, MarginPos(margin));
  if (margin.Kind() == pmGutter) {
    // The left margin's line stands on the gutter.
    InvalidateMargin(margins_->Left(), oldLeftPos);
    InvalidateMargin(margins_->Left(), MarginPos(margins_->Left()));
  }
}

void TCustomdxPreview::SetMarginValues(const std::array<int, 7>& proposed) {
  std::array<int, 7> old{};
  for (int k = 0; k < TdxPreviewMargins::Count; ++k) {
    TdxPreviewMargin& m = (*margins_)[TdxPreviewMarginType(k)];
    old[k] = m.value_;
    m.value_ = proposed[k];
  }
  // Each limit depends on the others: two rounds settle them.
  for (int round = 0; round < 2; ++round) {
    for (int k = 0; k < TdxPreviewMargins::Count; ++k) {
      TdxPreviewMargin& m = (*margins_)[TdxPreviewMarginType(k)];
      int lower, upper;
      MarginLimits(m, lower, upper);
      m.value_ = MinMax(m.value_, lower, upper);
    }
  }
  for (int k = 0; k < TdxPreviewMargins::Count; ++k) {
    TdxPreviewMargin& m = (*margins_)[TdxPreviewMarginType(k)];
    if (m.value_ != old[k]) DoMarginChanged(m);
  }
  if (updateCount_ == 0) InvalidatePages();
}

void TCustomdxPreview::ReapplyMargins() {
  std::array<int, 7> values{};
  for (int k = 0; k < TdxPreviewMargins::Count; ++k) values[k] = (*margins_)[TdxPreviewMarginType(k)].value_;
  SetMarginValues(values);
}

int TCustomdxPreview::MarginValueToPos(const TdxPreviewMargin& margin, int value) const {
  const int page = MarginPageIndex();
  if (page >= PageCount()) return 0;
  return MarginPosOnPage(margin, value, pages_[page].Bounds);
}

int TCustomdxPreview::MarginPosOnPage(const TdxPreviewMargin& margin, int value, const TRect& r) const {
  const int p = LengthToZoomedPixels(value + (margin.Kind() == pmLeft ? margins_->Gutter().Value() : 0));
  switch (margin.Kind()) {
    case pmLeft:
    case pmGutter: return r.Left + p;
    case pmTop:
    case pmHeader: return r.Top + p;
    case pmRight: return r.Right - p - 1;
    default: return r.Bottom - p - 1;
  }
}

int TCustomdxPreview::MarginPosToValue(const TdxPreviewMargin& margin, int pos) const {
  const int page = MarginPageIndex();
  if (page >= PageCount()) return margin.Value();
  const TRect& r = pages_[page].Bounds;
  int p = 0;
  switch (margin.Kind()) {
    case pmLeft:
    case pmGutter: p = pos - r.Left; break;
    case pmTop:
    case pmHeader: p = pos - r.Top; break;
    case pmRight: p = r.Right - 1 - pos; break;
    default: p = r.Bottom - 1 - pos; break;
  }
  int value = MulDiv(p, kLoMetricPerInch * 100, pixelsPerInch_ * zoomFactor_);
  if (margin.Kind() == pmLeft) value -= margins_->Gutter().Value();
  int lower, upper;
  MarginLimits(margin, lower, upper);
  return MinMax(value, lower, upper);
}

TRect TCustomdxPreview::MarginLineRect(const TdxPreviewMargin& margin, int pos) const {
  const int page = MarginPageIndex();
  if (page >= PageCount()) return TRect();
  const TRect& r = pages_[page].Bounds;
  return margin.IsVertical() ? TRect(pos, r.Top, pos + 1, r.Bottom) : TRect(r.Left, pos, r.Right, pos + 1);
}

TdxPreviewMargin* TCustomdxPreview::MarginFromPoint(TPoint p) const {
  const int page = MarginPageIndex();
  if (page >= PageCount()) return nullptr;
  const TRect& r = pages_[page].Bounds;
  auto hit = [&](const TdxPreviewMargin& m) {
    if (!m.Visible()) return false;
    const int pos = MarginPos(m);
    const TRect zone = m.IsVertical() ? TRect(pos - kMarginHitZone, r.Top, pos + kMarginHitZone + 1, r.Bottom)
                                      : TRect(r.Left, pos - kMarginHitZone, r.Right, pos + kMarginHitZone + 1);
    return zone.Contains(p);
  };
  for (int k = pmFooter; k >= pmLeft; --k) {
    TdxPreviewMargin& m = (*margins_)[TdxPreviewMarginType(k)];
    if (!hit(m)) continue;
    if (k == pmGutter && hit(margins_->Left())) return &margins_->Left();
    return &m;
  }
  return nullptr;
}

// ---------------------------------------------------------------------------
// Margin dragging

void TCustomdxPreview::ClampDragPos(const TdxPreviewMargin& margin, int& pos) const {
  int lower, upper;
  MarginLimits(margin, lower, upper);
  const int a = MarginValueToPos(margin, lower), b = MarginValueToPos(margin, upper);
  pos = MinMax(pos, std::min(a, b), std::max(a, b));
}

void TCustomdxPreview::BeginDragMargin(TdxPreviewMargin* margin, TPoint p) {
  if (!margin || draggingMargin_ || pages_.empty()) return;
  marginHintTimer_->stop();
  draggingMargin_ = margin;
  DoBeforeDragMargin(*margin);
  if (draggingMargin_ != margin) return;  // the handler ended it
  if (optionsHint_ & dxBit(pohShowOnDrag)) {
    if (!marginHint_) marginHint_ = new TdxPreviewHintWindow(this);
  } else {
    delete marginHint_;
    marginHint_ = nullptr;
  }
  const int linePos = MarginPos(*margin);
  const int mouse = margin->IsVertical() ? p.X : p.Y;
  dragGrabOffset_ = linePos - mouse;
  int pos = mouse + dragGrabOffset_;
  ClampDragPos(*margin, pos);
  dragStartPos_ = pos;
  margin->dragPos_ = pos;
  // The client as it is now: the moving line is drawn over these pixels.
  const qreal dpr = devicePixelRatioF();
  const TRect c = ClientRect();
  QImage snapshot(QSize(qRound(c.Width() * dpr), qRound(c.Height() * dpr)), QImage::Format_RGB32);
  snapshot.setDevicePixelRatio(dpr);
  snapshot.fill(ColorToQColor(color_));
  {
    QPainter painter(&snapshot);
    PaintClient(painter, QRegion(0, 0, c.Width(), c.Height()));
  }
  dragSnapshot_ = snapshot;
  update(ToQRect(MarginLineRect(*margin, pos)).translated(c.Left, c.Top));
  if (marginHint_) ShowMarginHint(*margin, p);
}

void TCustomdxPreview::DragMarginTo(TPoint p) {
  TdxPreviewMargin* margin = draggingMargin_;
  if (!margin) return;
  int pos = (margin->IsVertical() ? p.X : p.Y) + dragGrabOffset_;
  ClampDragPos(*margin, pos);
  if (pos == margin->dragPos_) return;
  const TRect c = ClientRect();
  update(ToQRect(MarginLineRect(*margin, margin->dragPos_)).translated(c.Left, c.Top));
  margin->dragPos_ = pos;
  update(ToQRect(MarginLineRect(*margin, pos)).translated(c.Left, c.Top));
  if (marginHint_ && (optionsHint_ & dxBit(pohShowOnDrag))) ShowMarginHint(*margin, p);
  DoDragMargin(*margin);
}

void TCustomdxPreview::EndDragMargin(bool commit) {
  TdxPreviewMargin* margin = draggingMargin_;
  if (!margin) return;
  const int pos = margin->dragPos_;
  const bool moved = pos != dragStartPos_;
  const int value = MarginPosToValue(*margin, pos);
  draggingMargin_ = nullptr;
  const TRect c = ClientRect();
  update(ToQRect(MarginLineRect(*margin, pos)).translated(c.Left, c.Top));
  if (commit && moved) margin->SetValue(value);
  DropDragSnapshot();
  delete marginHint_;
  marginHint_ = nullptr;
  hintHideTimer_->stop();
  DoAfterDragMargin(*margin);
}

// ---------------------------------------------------------------------------
// Hints

TdxPreviewHintWindow* TCustomdxPreview::MarginHintWindow() const {
  return marginHint_ && marginHint_->isVisible() ? marginHint_ : nullptr;
}

TdxPreviewHintWindow* TCustomdxPreview::PageNumberHintWindow() const {
  return pageNumberHint_ && pageNumberHint_->isVisible() ? pageNumberHint_ : nullptr;
}

void TCustomdxPreview::HideHints() {
  marginHintTimer_->stop();
  hintHideTimer_->stop();
  if (marginHint_) marginHint_->hide();
  if (pageNumberHint_) pageNumberHint_->hide();
}

QPoint TCustomdxPreview::MarginHintPos(const TdxPreviewMargin& margin, QSize size, TPoint p) const {
  const int pos = margin.IsDragged() ? margin.DraggingPos() : MarginPos(margin);
  QPoint at;
  switch (margin.Kind()) {
    case pmLeft:
    case pmGutter: at = QPoint(pos - size.width() - kHintOffset, p.Y); break;
    case pmRight: at = QPoint(pos + kHintOffset, p.Y + kHintOffset); break;
    case pmTop:
    case pmHeader: at = QPoint(p.X, pos - size.height() - kHintOffset); break;
    default: at = QPoint(p.X + kHintOffset, pos + kHintOffset); break;
  }
  const TRect c = ClientRect();
  at = mapToGlobal(at + QPoint(c.Left, c.Top));
  if (QScreen* s = screen()) {
    const QRect area = s->geometry();
    at.setX(std::max(area.left(), std::min(at.x(), area.right() + 1 - size.width())));
    at.setY(std::max(area.top(), std::min(at.y(), area.bottom() + 1 - size.height())));
  }
  return at;
}

void TCustomdxPreview::ShowMarginHint(TdxPreviewMargin& margin, TPoint p) {
  const std::string text = margin.Hint();
  if (!marginHint_) marginHint_ = new TdxPreviewHintWindow(this);
  QSize size = marginHint_->CalcHintSize(text);
  const bool shown = marginHint_->isVisible();
  if (shown) size = size.expandedTo(marginHint_->size());
  // A hover hint keeps its first place; a drag hint follows the line.
  const QPoint at = (shown && !margin.IsDragged()) ? marginHint_->pos() : MarginHintPos(margin, size, p);
  marginHint_->SetText(text);
  marginHint_->resize(size);
  marginHint_->move(at);
  if (!shown) {
    marginHint_->show();
    marginHintShownAt_ = QDateTime::currentMSecsSinceEpoch();
  }
  hintHideTimer_->start();
}

void TCustomdxPreview::ScheduleMarginHint(TPoint p) {
  if (!(optionsHint_ & dxBit(pohShowForMargins)) || !IsFormActive()) return;
  TdxPreviewMargin* margin = selPageIndex_ >= 0 ? MarginFromPoint(p) : nullptr;
  if (!margin) {
    marginHintTimer_->stop();
    if (marginHint_ && !draggingMargin_) marginHint_->hide();
    return;
  }
  bool canShow = true;
  DoCanShowMarginHint(canShow);
  if (canShow) marginHintTimer_->start();
}

void TCustomdxPreview::MarginHintTimerFired() {
  if (lastMousePos_.X < 0 || selPageIndex_ < 0) return;
  TdxPreviewMargin* margin = MarginFromPoint(lastMousePos_);
  if (!margin) return;
  if (margin == draggingMargin_ && !(optionsHint_ & dxBit(pohShowOnDrag))) return;
  ShowMarginHint(*margin, lastMousePos_);
}

void TCustomdxPreview::HintHideTimerFired() {
  if (!marginHint_ || !marginHint_->isVisible()) {
    hintHideTimer_->stop();
    return;
  }
  if (draggingMargin_) return;
  const qint64 age = QDateTime::currentMSecsSinceEpoch() - marginHintShownAt_;
  if (!IsFormActive() || age >= kHintLifetime) {
    marginHint_->hide();
    hintHideTimer_->stop();
  }
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

void TCustomdxPreview::DrawPageBackground(TCanvas& canvas, const TRect& rect, int pageIndex) {
  if (OnDrawPageBackground) {
    OnDrawPageBackground(*this, canvas, rect, pageIndex);
    return;
  }
  if (!(optionsView_ & dxBit(povDefaultDrawPageBackground))) return;
  const TdxBackgroundMode mode = pageBackground_->Mode();
  // Whatever the background leaves uncovered shows the window colour.
  if (mode != bmBrush || pageBackground_->Brush().Style == bsClear) canvas.FillRect(rect, clWindow);
  if (mode != bmNone) pageBackground_->Paint(canvas, rect);
}

void TCustomdxPreview::DrawPageFrame(TCanvas& canvas, const TRect& page, int pageIndex) {
  if (pageIndex == selPageIndex_ && (optionsView_ & dxBit(povPageSelection))) {
    // Two client pixels wide.
    const int w = std::max(1, int(std::lround(2 * paintRatio_)));
    const TBrush highlight = SolidBrush(clHighlight);
    canvas.FillRect(TRect(page.Left - w, page.Top - w, page.Right + w, page.Top), highlight);
    canvas.FillRect(TRect(page.Left - w, page.Bottom, page.Right + w, page.Bottom + w), highlight);
    canvas.FillRect(TRect(page.Left - w, page.Top, page.Left, page.Bottom), highlight);
    canvas.FillRect(TRect(page.Right, page.Top, page.Right + w, page.Bottom), highlight);
  } else {
    // A hairline: one device pixel.
    canvas.FrameRect(TRect(page.Left - 1, page.Top - 1, page.Right + 1, page.Bottom + 1), SolidBrush(clWindowFrame));
  }
}

TRect TCustomdxPreview::ClientToPaintPixels(const TRect& r) const {
  const double k = paintRatio_;
  auto d = [k](int v) { return int(std::lround(v * k)); };
  return TRect(d(r.Left), d(r.Top), d(r.Right), d(r.Bottom));
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

// ---------------------------------------------------------------------------
// Painting

void TCustomdxPreview::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  PaintBorder(painter);
  const TRect c = ClientRect();
  QRegion region = event->region() & ToQRect(c);
  if (region.isEmpty()) return;
  region.translate(-c.Left, -c.Top);
  painter.save();
  painter.translate(c.Left, c.Top);
  painter.setClipRegion(region);
  const qreal dpr = devicePixelRatioF();
  if (draggingMargin_ && !dragSnapshot_.isNull() &&
      dragSnapshot_.size() == QSize(qRound(c.Width() * dpr), qRound(c.Height() * dpr))) {
    painter.drawImage(QPoint(0, 0), dragSnapshot_);
  } else {
    PaintClient(painter, region);
  }
  PaintDragLine(painter);
  painter.restore();
}

void TCustomdxPreview::PaintBorder(QPainter& painter) {
  const int bw = BorderWidth();
  TCanvas canvas(painter);
  if (bw > 0) {
    const TRect r(0, 0, width(), height());
    if (lookAndFeel_ == plfStandard)
      canvas.DrawEdge(r, EDGE_SUNKEN, BF_RECT);
    else
      canvas.FrameRect(r, SolidBrush(clBtnShadow));
  }
  if (hScrollVisible_ && vScrollVisible_) {
    const int sb = ScrollBarExtent();
    canvas.FillRect(Bounds(width() - bw - sb, height() - bw - sb, sb, sb), clBtnFace);
  }
}

void TCustomdxPreview::PaintClient(QPainter& painter, const QRegion& region) {
  const QRect client(0, 0, ClientWidth(), ClientHeight());
  if (pages_.empty()) {
    PaintNoPages(painter, client);
    return;
  }
  // The ratio of the device the painter finally paints on: a widget paints
  // into its window's backing store, or into whatever it is rendered or
  // grabbed into.
  const QPaintDevice* device = painter.paintEngine() ? painter.paintEngine()->paintDevice() : nullptr;
  if (!device) device = painter.device();
  paintRatio_ = device && device->devType() != QInternal::Printer ? std::max(1.0, device->devicePixelRatioF()) : 1.0;
  TCanvas canvas(painter);
  PaintPages(canvas, region);
}

void TCustomdxPreview::PaintNoPages(QPainter& painter, const QRect& client) {
  painter.fillRect(client, ColorToQColor(color_));
  painter.setFont(font());
  painter.setPen(ColorToQColor(clWindow));
  painter.drawText(client, Qt::AlignCenter | Qt::TextWordWrap, QStringLiteral("There are no pages to display"));
}

void TCustomdxPreview::PaintPages(TCanvas& canvas, const QRegion& region) {
  const QRect bounds = region.boundingRect();
  TColor background = color_;
  if (parentBackground_ && parentWidget()) {
    const QColor c = parentWidget()->palette().color(QPalette::Window);
    background = TColor(RGBValue(c.red(), c.green(), c.blue()));
  }
  canvas.FillRect(TRect(bounds.left(), bounds.top(), bounds.right() + 1, bounds.bottom() + 1), background);

  std::vector<int> painted;
  const TRect client(0, 0, ClientWidth(), ClientHeight());
  for (int i = 0; i < PageCount(); ++i) {
    const TRect cell = PageCell(i);
    if (IntersectRect(cell, client).IsEmpty() || !region.intersects(ToQRect(cell))) continue;
    const TRect& page = pages_[i].Bounds;
    TCanvasStateSaver saver(canvas);
    canvas.IntersectClipRect(cell);
    {
      // The shadow, two client pixels wide, starts right past the frame's
      // hairline; both in device pixels.
      TDevicePixelCanvas device(canvas, paintRatio_);
      const TRect d = ClientToPaintPixels(page);
      const int one = std::max(1, int(std::lround(paintRatio_)));
      const int two = std::max(1, int(std::lround(2 * paintRatio_)));
      device.Canvas().FillRect(TRect(d.Right + 1, d.Top + one, d.Right + 1 + two, d.Bottom + 1 + two), clWindowText);
      device.Canvas().FillRect(TRect(d.Left + one, d.Bottom + 1, d.Right + 1 + two, d.Bottom + 1 + two), clWindowText);
      DrawPageFrame(device.Canvas(), d, i);
    }
    if (region.intersects(ToQRect(page))) {
      DrawPageBackground(canvas, page, i);
      painted.push_back(i);
    }
  }

  for (int i : painted) {
    const TRect page = pages_[i].Bounds;
    {
      TCanvasStateSaver saver(canvas);
      canvas.IntersectClipRect(page);
      TDevicePixelCanvas device(canvas, paintRatio_);
      TRect rect = ClientToPaintPixels(page);
      DoDrawPageContent(device.Canvas(), rect, i);
    }
    if (i == selPageIndex_ && (optionsView_ & dxBit(povPageSelection)) && selectionFrameWidth_ > 2) {
      // Wider selection frames grow inwards, over the page's edge.
      TRect r = page;
      for (int k = 0; k < selectionFrameWidth_ - 1; ++k) {
        canvas.FrameRect(r, SolidBrush(clHighlight));
        r.Inflate(-1, -1);
      }
    }
  }

  if (selPageIndex_ >= 0 && selPageIndex_ < PageCount() && (optionsView_ & dxBit(povMargins))) {
    const TRect page = pages_[selPageIndex_].Bounds;
    if (region.intersects(ToQRect(page))) {
      TCanvasStateSaver saver(canvas);
      canvas.IntersectClipRect(page);
      TPen pen;
      pen.Color = marginColor_;
      pen.Width = 1;
      pen.Style = psDot;
      canvas.SetPen(pen);
      canvas.SetBkMode(TRANSPARENT);
      for (int k = 0; k < TdxPreviewMargins::Count; ++k) {
        const TdxPreviewMargin& m = (*margins_)[TdxPreviewMarginType(k)];
        if (!m.Visible()) continue;
        const int pos = MarginPos(m);
        if (m.IsVertical()) {
          canvas.MoveTo(pos, page.Top);
          canvas.LineTo(pos, page.Bottom);
        } else {
          canvas.MoveTo(page.Left, pos);
          canvas.LineTo(page.Right, pos);
        }
      }
    }
  }
}

void TCustomdxPreview::PaintDragLine(QPainter& painter) {
  const TdxPreviewMargin* margin = draggingMargin_;
  if (!margin) return;
  const int page = MarginPageIndex();
  if (page >= PageCount()) return;
  const QRect strip =
      ToQRect(IntersectRect(MarginLineRect(*margin, margin->dragPos_), pages_[page].Bounds)) &
      QRect(0, 0, ClientWidth(), ClientHeight());
  if (strip.isEmpty()) return;
  if (dragSnapshot_.isNull()) {
    // A cosmetic pen: one device pixel thin.
    QPen pen(ColorToQColor(marginColor_), 0, Qt::DotLine);
    painter.setPen(pen);
    painter.drawLine(strip.topLeft(), strip.bottomRight());
    return;
  }
  // Every other device pixel of a one-device-pixel line along the strip
  // inverted: a dotted line that shows on any page content.
  const qreal dpr = dragSnapshot_.devicePixelRatio();
  const bool vertical = margin->IsVertical();
  const QRect source(qRound(strip.x() * dpr), qRound(strip.y() * dpr),
                     vertical ? 1 : qMax(1, qRound(strip.width() * dpr)),
                     vertical ? qMax(1, qRound(strip.height() * dpr)) : 1);
  QImage line = dragSnapshot_.copy(source).convertToFormat(QImage::Format_RGB32);
  for (int y = 0; y < line.height(); ++y) {
    auto* row = reinterpret_cast<QRgb*>(line.scanLine(y));
    for (int x = 0; x < line.width(); ++x) {
      const int along = vertical ? y : x;
      if (along % 2 == 0) row[x] = row[x] ^ 0x00FFFFFFu;
    }
  }
  line.setDevicePixelRatio(dpr);
  painter.drawImage(strip.topLeft(), line);
}

// ---------------------------------------------------------------------------
// Keyboard

bool TCustomdxPreview::event(QEvent* e) {
  if (e->type() == QEvent::ShortcutOverride) {
    auto* key = static_cast<QKeyEvent*>(e);
    const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
    switch (key->key()) {
      case Qt::Key_Left:
      case Qt::Key_Right:
      case Qt::Key_Up:
      case Qt::Key_Down:
        if (!(optionsBehavior_ & dxBit(pobKeyNavigation))) break;
        [[fallthrough]];
      case Qt::Key_Home:
      case Qt::Key_End:
      case Qt::Key_PageUp:
      case Qt::Key_PageDown:
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (plain) {
          e->accept();
          return true;
        }
        break;
      case Qt::Key_Escape:
        if (draggingMargin_) {
          e->accept();
          return true;
        }
        break;
      default: break;
    }
  }
  return QWidget::event(e);
}

void TCustomdxPreview::keyPressEvent(QKeyEvent* e) {
  const Qt::KeyboardModifiers mods = e->modifiers();
  const bool ctrl = mods & Qt::ControlModifier;
  const bool alt = mods & Qt::AltModifier;
  const bool keyNavigation = optionsBehavior_ & dxBit(pobKeyNavigation);
  const int cols = std::max(1, columnCount_);
  const int sel = selPageIndex_;
  switch (e->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      // Enter zooms like a click on the selected page, so only with zoom on click.
      if (sel >= 0 && !draggingMargin_ && (optionsZoom_ & dxBit(pozZoomOnClick))) {
        HideHints();
        ToggleZoom(!zoomedIn_);
      }
      break;
    case Qt::Key_Alt:
      if (!draggingMargin_) HideHints();
      break;
    case Qt::Key_Escape:
      if (draggingMargin_) EndDragMargin(false);
      break;
    case Qt::Key_PageUp:
      if (ctrl) {
        if (CanScrollVertically()) ScrollLines(0, -2);
      } else {
        SelectPrevPage();
      }
      break;
    case Qt::Key_PageDown:
      if (ctrl) {
        if (CanScrollVertically()) ScrollLines(0, 2);
      } else {
        SelectNextPage();
      }
      break;
    case Qt::Key_Home: SelectFirstPage(); break;
    case Qt::Key_End: SelectLastPage(); break;
    case Qt::Key_Left:
    case Qt::Key_Right: {
      if (!keyNavigation) return e->ignore();
      const int step = e->key() == Qt::Key_Left ? -1 : 1;
      if (ctrl || cols == 1) {
        ScrollLines(step, 0);
      } else if (sel < 0) {
        SelectFirstPage();
      } else {
        const int next = sel + step;
        if (next >= 0 && next < PageCount() && next / cols == sel / cols) SetSelectedPageIndex(next);
      }
      break;
    }
    case Qt::Key_Up:
    case Qt::Key_Down: {
      if (!keyNavigation) return e->ignore();
      const bool up = e->key() == Qt::Key_Up;
      if (alt) {
        up ? ZoomIn() : ZoomOut();
      } else if (ctrl || cols == 1) {
        ScrollLines(0, up ? -1 : 1);
      } else if (sel < 0) {
        SelectFirstPage();
      } else if (up) {
        if (sel - cols >= 0) SetSelectedPageIndex(sel - cols);
      } else {
        // Down from a row above the last one lands on the last page at worst.
        if (sel / cols < rowCount_ - 1) SetSelectedPageIndex(std::min(sel + cols, PageCount() - 1));
      }
      break;
    }
    case Qt::Key_Menu:
      if (popupMenu_) HideHints();
      return QWidget::keyPressEvent(e);
    case Qt::Key_Plus:
    case Qt::Key_Minus:
      if (!(mods & Qt::KeypadModifier)) return QWidget::keyPressEvent(e);
      if (sel >= 0 && !draggingMargin_) {
        HideHints();
        const bool plus = e->key() == Qt::Key_Plus;
        if (ctrl)
          plus ? ZoomIn() : ZoomOut();
        else if (plus && !zoomedIn_)
          ToggleZoom(true);
        else if (!plus && zoomedIn_)
          ToggleZoom(false);
      }
      break;
    default: return QWidget::keyPressEvent(e);
  }
  e->accept();
}

// ---------------------------------------------------------------------------
// Mouse

TPoint TCustomdxPreview::ToClient(QPointF widgetPoint) const {
  const TRect c = ClientRect();
  const QPoint p = widgetPoint.toPoint();
  return TPoint{p.x() - c.Left, p.y() - c.Top};
}

void TCustomdxPreview::mousePressEvent(QMouseEvent* e) { HandleMouseDown(e, false); }

void TCustomdxPreview::mouseDoubleClickEvent(QMouseEvent* e) {
  HandleMouseDown(e, true);
  if (e->button() == Qt::LeftButton && OnDblClick) OnDblClick(*this);
}

void TCustomdxPreview::HandleMouseDown(QMouseEvent* e, bool doubleClick) {
  const TPoint p = ToClient(e->position());
  e->accept();
  if (draggingMargin_) {
    // Another button while dragging drops the drag.
    if (e->button() != Qt::LeftButton) EndDragMargin(false);
    return;
  }
  if (!IsFormActive()) {
    window()->activateWindow();
    if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
    if (PageIndexFromPoint(p) >= 0) return;  // the click only activated the window
  }
  if (focusPolicy() != Qt::NoFocus) setFocus(Qt::MouseFocusReason);
  if (e->button() == Qt::LeftButton) {
    const int page = PageIndexFromPoint(p);
    if (page < 0) return;
    if (page != selPageIndex_) {
      SetSelectedPageIndex(page);
      return;
    }
    TdxPreviewMargin* margin = MarginFromPoint(p);
    if (margin && margin->Enabled() && (optionsBehavior_ & dxBit(pobAllowDragMargins)) && !doubleClick) {
      HideHints();
      BeginDragMargin(margin, p);
    } else if (optionsZoom_ & dxBit(pozZoomOnClick)) {
      HideHints();
      ToggleZoom(!zoomedIn_);
      UpdateCursor(p);
    }
  } else if (e->button() == Qt::MiddleButton) {
    if (CanScrollHorizontally() || CanScrollVertically()) RunAutoScroll(e->globalPosition().toPoint());
  }
}

void TCustomdxPreview::mouseMoveEvent(QMouseEvent* e) {
  const TPoint p = ToClient(e->position());
  if (draggingMargin_) {
    DragMarginTo(p);
    return;
  }
  if (autoScroll_) return;
  lastMousePos_ = p;
  UpdateCursor(p);
  ScheduleMarginHint(p);
  if ((optionsBehavior_ & dxBit(pobHotTrack)) && IsFormActive()) {
    const int page = PageIndexFromPoint(p);
    if (page >= 0) SetSelectedPageIndex(page);
  }
}

void TCustomdxPreview::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  if (draggingMargin_) {
    DragMarginTo(ToClient(e->position()));
    EndDragMargin(true);
    return;
  }
  if (OnClick) OnClick(*this);
}

void TCustomdxPreview::wheelEvent(QWheelEvent* e) {
  if (draggingMargin_) EndDragMargin(true);
  HideHints();
  const int delta = e->angleDelta().y();
  e->accept();
  if (delta == 0) return;
  if ((optionsZoom_ & dxBit(pozZoomOnMouseRoll)) || (e->modifiers() & Qt::ControlModifier)) {
    delta > 0 ? ZoomIn() : ZoomOut();
  } else if (CanScrollVertically()) {
    ScrollLines(0, delta > 0 ? -1 : 1);
  }
}

void TCustomdxPreview::focusOutEvent(QFocusEvent* e) {
  marginHintTimer_->stop();
  lastMousePos_ = TPoint{-1, -1};
  if (draggingMargin_ && e->reason() != Qt::PopupFocusReason) EndDragMargin(false);
  QWidget::focusOutEvent(e);
}

void TCustomdxPreview::leaveEvent(QEvent* e) {
  marginHintTimer_->stop();
  if (marginHint_ && !draggingMargin_) marginHint_->hide();
  QWidget::leaveEvent(e);
}

void TCustomdxPreview::contextMenuEvent(QContextMenuEvent* e) {
  if (!popupMenu_ || draggingMargin_ || autoScroll_) return QWidget::contextMenuEvent(e);
  HideHints();
  popupMenu_->popup(e->globalPos());
  e->accept();
}

void TCustomdxPreview::UpdateCursor(TPoint p) {
  if (autoScroll_) return;
  if (draggingMargin_) {
    setCursor(dxPreviewCursor(draggingMargin_->IsVertical() ? 30030 : 30031));
    return;
  }
  const int page = p.X >= 0 ? PageIndexFromPoint(p) : -1;
  if (page < 0 || page != selPageIndex_) {
    unsetCursor();
    return;
  }
  TdxPreviewMargin* margin = MarginFromPoint(p);
  if (margin && margin->Enabled() && (optionsBehavior_ & dxBit(pobAllowDragMargins)))
    setCursor(dxPreviewCursor(margin->IsVertical() ? 30030 : 30031));
  else if (optionsZoom_ & dxBit(pozZoomOnClick))
    setCursor(dxPreviewCursor(zoomedIn_ ? 30033 : 30032));
  else
    unsetCursor();
}
