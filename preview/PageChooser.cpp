// The page chooser: a borderless pop-up grid of page symbols that opens
// under a button and grows away from its anchor corner while the user drags
// out a block of pages. It runs a message loop of its own until the user
// chooses or leaves it, and repaints only the cells whose highlight changed.
#include <QApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/Graphics.h"
#include "platform/QtStrings.h"
#include "platform/ModalRun.h"
#include "preview/PreviewDialogs.h"
#include "report/EngineSettings.h"
#include "report/ImageList.h"

namespace {

// a / b rounded towards positive infinity (b > 0).
int CeilDiv(int a, int b) {
  const int q = a / b;
  return (a % b != 0 && a > 0) ? q + 1 : q;
}

QRect ToQ(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

}  // namespace

TfmPageChooser::TfmPageChooser(const TCustomImageList* images, int imageIndex, int maxColumns, int maxRows,
                               QWidget* parent)
    : QWidget(parent, Qt::Popup | Qt::FramelessWindowHint),
      images_(images),
      imageIndex_(imageIndex),
      maxColumns_(std::max(1, maxColumns)),
      maxRows_(std::max(1, maxRows)),
      workArea_(dxPSDesktopWorkArea()) {
  // Everything is painted; nothing is erased first.
  setAttribute(Qt::WA_OpaquePaintEvent);
  setAttribute(Qt::WA_NoSystemBackground);
  setMouseTracking(true);
  setFocusPolicy(Qt::StrongFocus);

  if (images_ && imageIndex_ >= 0 && imageIndex_ < images_->Count()) {
    image_ = std::make_unique<TBitmap>(images_->Image(imageIndex_));
    image_->SetTransparent(true);
    cellWidth_ = MulDiv(images_->Width(), 3, 2) + 2;
    cellHeight_ = MulDiv(images_->Height(), 3, 2) + 2;
  } else if (images_) {
    cellWidth_ = MulDiv(images_->Width(), 3, 2) + 2;
    cellHeight_ = MulDiv(images_->Height(), 3, 2) + 2;
  }
  font_.PixelsPerInch = TDeviceCaps::Screen().LogPixelsY;
  textLineHeight_ = MulDiv(-font_.Height, font_.PixelsPerInch, 72) + 6;
}

TfmPageChooser::~TfmPageChooser() = default;

bool TfmPageChooser::Flat() const { return dxPSEngine()->FormLook != 0; }

TColor TfmPageChooser::FrameColor() const { return Flat() ? clWindow : clBtnFace; }

// ---- Placement and growth --------------------------------------------------------------

void TfmPageChooser::Prepare(QPoint at, int buttonHeight, int columns, int rows) {
  columns = std::clamp(columns, 1, maxColumns_);
  rows = std::clamp(rows, 1, maxRows_);
  const int areaRight = workArea_.x() + workArea_.width();
  const int areaBottom = workArea_.y() + workArea_.height();
  const bool below = at.y() + rows * cellHeight_ + textLineHeight_ + 6 <= areaBottom;
  const bool right = at.x() + columns * cellWidth_ + 6 <= areaRight;
  direction_ = below ? (right ? cdDownRight : cdDownLeft) : (right ? cdUpRight : cdUpLeft);
  downward_ = below;
  anchorRight_ = areaRight;
  anchorBottom_ = at.y() - buttonHeight;
  move(at);

  shownColumns_ = shownRows_ = 0;
  SetShownColumns(columns);
  SetShownRows(rows);
  selColumns_ = shownColumns_ - 1;
  selRows_ = shownRows_ - 1;
  lastMousePos_ = QPoint(0, 0);
}

void TfmPageChooser::SetShownColumns(int n) {
  if ((shownColumns_ > 0 && n <= shownColumns_) || n > maxColumns_ || n < 1) return;
  shownColumns_ = n;
  const int w = n * cellWidth_ + 2 + 2 * kFrame;
  if (Rightward())
    setGeometry(x(), y(), w, height());
  else
    setGeometry(anchorRight_ - w, y(), w, height());
  update();
}

void TfmPageChooser::SetShownRows(int n) {
  if ((shownRows_ > 0 && n <= shownRows_) || n > maxRows_ || n < 1) return;
  shownRows_ = n;
  const int h = n * cellHeight_ + textLineHeight_ + 2 + 2 * kFrame;
  if (downward_)
    setGeometry(x(), y(), width(), h);
  else
    setGeometry(x(), anchorBottom_ - h, width(), h);
  update();
}

// ---- Selection -------------------------------------------------------------------------

void TfmPageChooser::Select(int columns, int rows, bool grow) {
  if (grow && selColumns_ > 0 && selRows_ > 0) {
    SetShownRows(rows);
    SetShownColumns(columns);
  }
  if (!grow) {
    if (columns > shownColumns_) columns = 0;
    if (rows > shownRows_) rows = 0;
  }
  columns = std::clamp(columns, 0, shownColumns_);
  rows = std::clamp(rows, 0, shownRows_);
  if (columns == selColumns_ && rows == selRows_) return;
  const int oldColumns = selColumns_, oldRows = selRows_;
  selColumns_ = columns;
  selRows_ = rows;
  for (int r = 0; r < shownRows_; ++r) {
    for (int c = 0; c < shownColumns_; ++c) {
      const bool was = c < oldColumns && r < oldRows;
      const bool now = c < columns && r < rows;
      if (was != now) InvalidateClient(CellRect(c, r));
    }
  }
  InvalidateClient(TextLineRect());
}

void TfmPageChooser::InvalidateClient(const TRect& clientRect) {
  update(ToQ(clientRect).translated(kFrame, kFrame));
}

std::string TfmPageChooser::Text() const {
  if (selColumns_ <= 0 || selRows_ <= 0) return dxPSPreviewDialogTexts::Cancel;
  char buffer[64];
  std::snprintf(buffer, sizeof buffer, "%d x %d %s", selRows_, selColumns_, dxPSPreviewDialogTexts::Pages);
  return buffer;
}

// ---- Geometry ---------------------------------------------------------------------------

TRect TfmPageChooser::CellRect(int column, int row) const {
  const int left = Rightward() ? column * cellWidth_ + 1 : ClientWidth() - (column + 1) * cellWidth_ - 1;
  const int top = downward_ ? row * cellHeight_ + 1 : ClientHeight() - (row + 1) * cellHeight_ - 1;
  return TRect(left, top, left + cellWidth_, top + cellHeight_);
}

TRect TfmPageChooser::TextLineRect() const {
  if (downward_) return TRect(1, shownRows_ * cellHeight_ + 1, ClientWidth() - 1, ClientHeight() - 1);
  return TRect(1, 1, ClientWidth() - 1, textLineHeight_ + 1);
}

// ---- Running -------------------------------------------------------------------------------

int TfmPageChooser::Execute() {
  result_ = crRunning;
  // A pop-up: it takes the input itself and is not activated.
  if (!RunModal(*this, {.Modality = Qt::NonModal, .Activate = false, .Shown = {}})) return crCancelled;
  // A run that ended without an answer cancels.
  if (result_ == crRunning) Finish(crCancelled);
  const int result = result_;
  hide();
  return result;
}

void TfmPageChooser::Finish(int result) {
  // The first answer stands.
  if (result_ != crRunning) return;
  result_ = result;
  EndModal(*this);
}

bool ShowPageChooser(const TCustomImageList* images, int imageIndex, QPoint at, int buttonHeight, int maxColumns,
                     int maxRows, int& columns, int& rows) {
  QWidget* opener = QApplication::activeModalWidget();
  if (!opener) opener = QApplication::activeWindow();
  TfmPageChooser chooser(images, imageIndex, maxColumns, maxRows, opener);
  chooser.Prepare(at, buttonHeight, columns, rows);
  if (chooser.Execute() != TfmPageChooser::crChosen) return false;
  if (chooser.SelectedColumns() <= 0 || chooser.SelectedRows() <= 0) return false;
  columns = chooser.SelectedColumns();
  rows = chooser.SelectedRows();
  return true;
}

// ---- Input -------------------------------------------------------------------------------

void TfmPageChooser::MouseMovedTo(QPoint p) {
  if (p == lastMousePos_) return;
  lastMousePos_ = p;
  int columns = Rightward() ? CeilDiv(p.x(), cellWidth_) : CeilDiv(width() - p.x() - 6, cellWidth_);
  int rows = downward_ ? CeilDiv(p.y(), cellHeight_) : CeilDiv(height() - p.y() - 6, cellHeight_);
  // A block that would push the chooser past the work area is one smaller.
  if (Rightward() && x() + columns * cellWidth_ + 6 > workArea_.x() + workArea_.width()) --columns;
  if (downward_ && y() + rows * cellHeight_ + textLineHeight_ + 6 > workArea_.y() + workArea_.height()) --rows;
  Select(columns, rows, pressed_);
}

void TfmPageChooser::mousePressEvent(QMouseEvent* event) {
  if (result_ != crRunning) return;
  const QPoint p = event->position().toPoint();
  const QRect client(kFrame, kFrame, ClientWidth(), ClientHeight());
  if (client.contains(p))
    pressed_ = true;
  else
    Finish(crCancelled);  // outside, or on the frame
  event->accept();
}

void TfmPageChooser::mouseMoveEvent(QMouseEvent* event) {
  if (result_ != crRunning) return;
  MouseMovedTo(event->position().toPoint() - QPoint(kFrame, kFrame));
  event->accept();
}

void TfmPageChooser::mouseReleaseEvent(QMouseEvent* event) {
  if (result_ != crRunning || event->button() != Qt::LeftButton) return;
  Finish(selColumns_ * selRows_ > 0 ? crChosen : crCancelled);
  event->accept();
}

void TfmPageChooser::keyPressEvent(QKeyEvent* event) {
  if (result_ != crRunning) return;
  const int key = event->key();
  event->accept();
  if (key == Qt::Key_Escape || (event->modifiers() & Qt::AltModifier)) {
    Finish(crCancelled);
    return;
  }
  if (key == Qt::Key_Return || key == Qt::Key_Enter) {
    Finish(crChosen);
    return;
  }
  int columns = selColumns_, rows = selRows_;
  const int columnsAway = Rightward() ? Qt::Key_Right : Qt::Key_Left;
  const int columnsBack = Rightward() ? Qt::Key_Left : Qt::Key_Right;
  const int rowsAway = downward_ ? Qt::Key_Down : Qt::Key_Up;
  const int rowsBack = downward_ ? Qt::Key_Up : Qt::Key_Down;
  if (key == columnsAway) {
    ++columns;
    rows = std::max(rows, 1);
  } else if (key == columnsBack) {
    columns = std::max(columns - 1, 1);
  } else if (key == rowsAway) {
    ++rows;
    columns = std::max(columns, 1);
  } else if (key == rowsBack) {
    rows = std::max(rows - 1, 1);
  } else {
    return;
  }
  Select(columns, rows, true);
}

void TfmPageChooser::hideEvent(QHideEvent* event) {
  // Closed by someone else (a click outside, the window system): cancelled.
  Finish(crCancelled);
  QWidget::hideEvent(event);
}

bool TfmPageChooser::event(QEvent* event) {
  // The focus moving to another window cancels; a popup's own focus moves
  // (opening over another window) do not.
  if (event->type() == QEvent::FocusOut && isVisible() &&
      static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
    Finish(crCancelled);
  return QWidget::event(event);
}

// ---- Painting ------------------------------------------------------------------------------

void TfmPageChooser::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  TCanvas canvas(painter);
  const QRegion& region = event->region();
  const QRect whole = rect();
  const QRect client(kFrame, kFrame, ClientWidth(), ClientHeight());

  // The frame (the window's non-client edge) and the client's own frame.
  if (!QRegion(whole).subtracted(client.adjusted(1, 1, -1, -1)).intersected(region).isEmpty()) {
    const TRect all(0, 0, width(), height());
    if (Flat()) {
      canvas.FrameRect(all, TBrush{clBtnShadow, bsSolid, {}});
      canvas.FrameRect(TRect(1, 1, width() - 1, height() - 1), TBrush{clWindow, bsSolid, {}});
    } else {
      canvas.DrawEdge(all, EDGE_RAISED, BF_RECT);
    }
    canvas.FrameRect(TRect(kFrame, kFrame, width() - kFrame, height() - kFrame), TBrush{FrameColor(), bsSolid, {}});
  }

  canvas.SetViewportOrg(kFrame, kFrame);
  for (int r = 0; r < shownRows_; ++r) {
    for (int c = 0; c < shownColumns_; ++c) {
      if (region.intersects(ToQ(CellRect(c, r)).translated(kFrame, kFrame))) PaintCell(canvas, c, r);
    }
  }
  if (region.intersects(ToQ(TextLineRect()).translated(kFrame, kFrame))) PaintTextLine(canvas);
}

void TfmPageChooser::PaintCell(TCanvas& canvas, int column, int row) {
  TRect r = CellRect(column, row);
  const TRect cell = r;
  canvas.FrameRect(r, TBrush{FrameColor(), bsSolid, {}});
  r.Inflate(-1, -1);
  canvas.FrameRect(r, TBrush{clBtnShadow, bsSolid, {}});
  r.Inflate(-1, -1);
  const bool selected = column < selColumns_ && row < selRows_;
  canvas.FillRect(r, selected ? clHighlight : clWindow);
  if (image_) canvas.Draw(cell.Left + 5, cell.Top + 5, *image_);
}

void TfmPageChooser::PaintTextLine(TCanvas& canvas) {
  TRect r = TextLineRect();
  const TColor frame = FrameColor();
  // The line along the side that faces the cells.
  if (downward_) {
    canvas.FillRect(TRect(r.Left, r.Top, r.Right, r.Top + 1), frame);
    r.Top += 1;
  } else {
    canvas.FillRect(TRect(r.Left, r.Bottom - 1, r.Right, r.Bottom), frame);
    r.Bottom -= 1;
  }
  canvas.FrameRect(r, TBrush{frame, bsSolid, {}});
  r.Inflate(-1, -1);
  if (Flat())
    canvas.FillRect(r, clWindow);
  else
    canvas.DrawEdge(r, BDR_SUNKENOUTER, BF_RECT | BF_MIDDLE);

  TCanvasStateSaver saver(canvas);
  canvas.SetFont(font_);
  canvas.SetTextColor(clWindowText);
  canvas.SetBkMode(TRANSPARENT);
  const std::string text = Text();
  const TSize extent = canvas.TextExtent(text);
  canvas.IntersectClipRect(r);
  canvas.TextOut(r.Left + (r.Width() - extent.cx) / 2, r.Top + (r.Height() - extent.cy) / 2, text);
}
