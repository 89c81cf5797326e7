// Hit testing of the preview control: the cell of a page, the page under a
// point, the margins with their limits, positions and values, and the margin
// under a point.
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
#include "platform/Units.h"

using namespace PreviewControlHelpers;

namespace {
constexpr int kMarginHitZone = 3;       // pixels on each side of a margin line
}  // namespace

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
