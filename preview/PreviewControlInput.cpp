// Input of the preview control: margin dragging, the margin and page number
// hints, the keyboard and the mouse.
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
constexpr int kHintLifetime = 10000;    // ms a margin hint stays at most
constexpr int kHintOffset = 5;          // pixels between a margin line and its hint
}  // namespace

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
