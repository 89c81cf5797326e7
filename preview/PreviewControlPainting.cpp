// Painting of the preview control: the border, the client, the pages with
// their background, frame and content, and the line of a dragged margin.
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
#include "platform/EnumBits.h"

using namespace PreviewControlHelpers;

namespace {

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
}  // namespace

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
