// Auto scrolling of the preview control (middle button) and the control's
// cursors: the round indicator, the private message loop and the direction
// rules.
#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QTimer>
#include <cmath>
#include <map>
#include <numbers>

#include "platform/ScopedValue.h"
#include "preview/PreviewControl.h"

// ---------------------------------------------------------------------------
// Directions

TdxPreviewAutoScrollDirection dxPreviewAutoScrollDirection(int dx, int dy, int halfWidth, bool canScrollX,
                                                           bool canScrollY, int* speed) {
  if (speed) *speed = 0;
  if (!canScrollX && !canScrollY) return asdNone;
  // The indicator's square, widened along an axis that cannot scroll.
  const bool insideX = !canScrollX || std::abs(dx) <= halfWidth;
  const bool insideY = !canScrollY || std::abs(dy) <= halfWidth;
  if (insideX && insideY) return asdNone;

  constexpr double pi = std::numbers::pi;
  const double distance = std::hypot(double(dx), double(dy));
  const double e = std::asin(std::min(1.0, halfWidth / distance));
  double angle = std::atan2(-double(dy), double(dx));  // counter-clockwise, 0 = right
  if (angle < 0) angle += 2 * pi;

  TdxPreviewAutoScrollDirection direction = asdNone;
  if (angle <= e || angle >= 2 * pi - e)
    direction = asdRight;
  else if (std::abs(angle - pi / 2) <= e)
    direction = asdUp;
  else if (std::abs(angle - pi) <= e)
    direction = asdLeft;
  else if (std::abs(angle - 3 * pi / 2) <= e)
    direction = asdDown;
  else if (angle < pi / 2)
    direction = asdUpRight;
  else if (angle < pi)
    direction = asdUpLeft;
  else if (angle < 3 * pi / 2)
    direction = asdDownLeft;
  else
    direction = asdDownRight;

  // Diagonals need both axes; an axis that cannot scroll gives way to the
  // one that can.
  const bool horizontal = direction == asdRight || direction == asdLeft;
  const bool vertical = direction == asdUp || direction == asdDown;
  const bool diagonal = !horizontal && !vertical;
  if ((diagonal && !(canScrollX && canScrollY)) || (horizontal && !canScrollX) || (vertical && !canScrollY)) {
    if (canScrollX)
      direction = dx > 0 ? asdRight : asdLeft;
    else
      direction = dy < 0 ? asdUp : asdDown;
  }
  if (speed) *speed = std::min(12, std::max(1, (std::max(std::abs(dx), std::abs(dy)) - halfWidth) / 5 + 1));
  return direction;
}

// ---------------------------------------------------------------------------
// Cursors and indicator pictures

namespace {
constexpr int kCursorSize = 32;

void DrawArrowHead(QPainter& p, QPointF tip, double angleDegrees, double size) {
  const double a = angleDegrees * std::numbers::pi / 180;
  const QPointF dir(std::cos(a), -std::sin(a)), normal(-dir.y(), dir.x());
  QPolygonF head;
  head << tip << tip - dir * size + normal * size * 0.8 << tip - dir * size - normal * size * 0.8;
  p.drawPolygon(head);
}

// The auto-scroll mark: a dot with arrow heads towards the given angles.
void PaintScrollMark(QPainter& p, int size, std::initializer_list<double> angles, bool framed) {
  p.setRenderHint(QPainter::Antialiasing);
  const QPointF c(size / 2.0, size / 2.0);
  if (framed) {
    p.setPen(QPen(ColorToQColor(clWindowText), 1));
    p.setBrush(ColorToQColor(clWindow));
    p.drawEllipse(QRectF(0.5, 0.5, size - 1, size - 1));
  }
  p.setPen(Qt::NoPen);
  p.setBrush(ColorToQColor(clWindowText));
  p.drawEllipse(c, 2, 2);
  const double reach = size / 2.0 - (framed ? 3 : 2);
  for (double angle : angles) {
    const double a = angle * std::numbers::pi / 180;
    DrawArrowHead(p, c + QPointF(std::cos(a), -std::sin(a)) * reach, angle, size / 6.0);
  }
}

QPixmap ScrollMark(int size, std::initializer_list<double> angles, bool framed) {
  return ScreenPixmap(size, size, [&](QPainter& p) { PaintScrollMark(p, size, angles, framed); });
}

void PaintMagnifier(QPainter& p, bool plus) {
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(Qt::black, 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(17, 17), QPointF(27, 27));
  p.setPen(QPen(Qt::black, 1.5));
  p.setBrush(Qt::white);
  p.drawEllipse(QPointF(11, 11), 8, 8);
  p.setPen(QPen(Qt::black, 2));
  p.drawLine(QPointF(7, 11), QPointF(15, 11));
  if (plus) p.drawLine(QPointF(11, 7), QPointF(11, 15));
}

QPixmap Magnifier(bool plus) {
  return ScreenPixmap(kCursorSize, kCursorSize, [plus](QPainter& p) { PaintMagnifier(p, plus); });
}

// Indicator pictures 30023 (both directions), 30024 (horizontal), 30025
// (vertical).
QPixmap IndicatorPicture(int id) {
  constexpr int size = 28;
  switch (id) {
    case 30024: return ScrollMark(size, {0, 180}, true);
    case 30025: return ScrollMark(size, {90, 270}, true);
    default: return ScrollMark(size, {0, 90, 180, 270}, true);
  }
}

int DirectionCursorId(TdxPreviewAutoScrollDirection direction, bool canX, bool canY) {
  switch (direction) {
    case asdRight: return 30037;
    case asdUpRight: return 30038;
    case asdUp: return 30039;
    case asdUpLeft: return 30040;
    case asdLeft: return 30041;
    case asdDownLeft: return 30042;
    case asdDown: return 30043;
    case asdDownRight: return 30044;
    default: return canX && canY ? 30034 : canX ? 30035 : 30036;
  }
}
}  // namespace

QCursor dxPreviewCursor(int id) {
  // Made once and kept to the end of the process: pixmaps must not outlive
  // the application object, so the table is never destroyed.
  static auto& cursors = *new std::map<int, QCursor>;
  if (cursors.empty()) {
    const int hot = kCursorSize / 2;
    cursors[30030] = QCursor(Qt::SplitHCursor);
    cursors[30031] = QCursor(Qt::SplitVCursor);
    cursors[30032] = QCursor(Magnifier(true), 11, 11);
    cursors[30033] = QCursor(Magnifier(false), 11, 11);
    cursors[30034] = QCursor(ScrollMark(kCursorSize, {0, 90, 180, 270}, false), hot, hot);
    cursors[30035] = QCursor(ScrollMark(kCursorSize, {0, 180}, false), hot, hot);
    cursors[30036] = QCursor(ScrollMark(kCursorSize, {90, 270}, false), hot, hot);
    const double angles[8] = {0, 45, 90, 135, 180, 225, 270, 315};
    for (int i = 0; i < 8; ++i) cursors[30037 + i] = QCursor(ScrollMark(kCursorSize, {angles[i]}, false), hot, hot);
  }
  auto it = cursors.find(id);
  return it != cursors.end() ? it->second : QCursor(Qt::ArrowCursor);
}

// ---------------------------------------------------------------------------
// The auto-scroll loop

class TCustomdxPreview::AutoScroller : public QObject {
 public:
  AutoScroller(TCustomdxPreview* preview, QPoint center) : preview_(preview), center_(center) {}

  void Run() {
    canX_ = preview_->CanScrollHorizontally();
    canY_ = preview_->CanScrollVertically();
    const QPixmap picture = IndicatorPicture(canX_ && canY_ ? 30023 : canX_ ? 30024 : 30025);
    const QSize size = picture.deviceIndependentSize().toSize();
    halfWidth_ = size.width() / 2;

    auto* indicator = new QLabel(nullptr, Qt::ToolTip | Qt::FramelessWindowHint);
    indicator->setAttribute(Qt::WA_ShowWithoutActivating);
    indicator->setAttribute(Qt::WA_TransparentForMouseEvents);
    indicator->setFixedSize(size);
    indicator->setMask(QRegion(0, 0, size.width(), size.height(), QRegion::Ellipse));
    indicator->setPixmap(picture);
    indicator->move(center_ - QPoint(size.width() / 2, size.height() / 2));
    indicator->show();
    indicator_ = indicator;

    preview_->setCursor(dxPreviewCursor(DirectionCursorId(asdNone, canX_, canY_)));
    if (preview_->isVisible()) {
      preview_->grabMouse();
      grabbed_ = true;
    }
    qApp->installEventFilter(this);
    const auto quitConnection = QObject::connect(qApp, &QCoreApplication::aboutToQuit, [this] { Quit(); });
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [this] { Tick(); });
    timer.start();

    loop_.exec();

    timer.stop();
    QObject::disconnect(quitConnection);
    qApp->removeEventFilter(this);
    if (grabbed_) preview_->releaseMouse();
    delete indicator_;
    indicator_ = nullptr;
  }

  void Quit() { loop_.quit(); }
  bool CloseRequested() const { return closeRequested_; }
  TdxPreviewAutoScrollDirection Direction() const { return direction_; }

 protected:
  bool eventFilter(QObject* object, QEvent* e) override {
    switch (e->type()) {
      case QEvent::MouseMove:
        PointerAt(static_cast<QMouseEvent*>(e)->globalPosition().toPoint());
        return true;
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonDblClick:
      case QEvent::Wheel:
        Quit();
        return true;
      case QEvent::MouseButtonRelease:
        // Releasing the middle button before the pointer left the indicator
        // keeps the mode on: the user clicked rather than dragged.
        if (static_cast<QMouseEvent*>(e)->button() != Qt::MiddleButton || leftIndicator_) Quit();
        return true;
      case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent*>(e)->key();
        QPoint move;
        switch (key) {
          case Qt::Key_Alt:
          case Qt::Key_Escape:
          case Qt::Key_Menu: Quit(); return true;
          case Qt::Key_Left: move = {-10, 0}; break;
          case Qt::Key_Right: move = {10, 0}; break;
          case Qt::Key_Up: move = {0, -10}; break;
          case Qt::Key_Down: move = {0, 10}; break;
          case Qt::Key_Home: move = {-10, -10}; break;
          case Qt::Key_PageUp: move = {10, -10}; break;
          case Qt::Key_End: move = {-10, 10}; break;
          case Qt::Key_PageDown: move = {10, 10}; break;
          default: return true;
        }
        pointer_ += move;
        QCursor::setPos(pointer_);
        PointerAt(pointer_);
        return true;
      }
      case QEvent::KeyRelease:
      case QEvent::ShortcutOverride:
      case QEvent::Shortcut:
        return true;
      case QEvent::Close:
        if (object == preview_->window()) {
          closeRequested_ = true;
          e->ignore();
          Quit();
          return true;
        }
        return false;
      case QEvent::WindowDeactivate:
        if (object == preview_->window()) Quit();
        return false;
      default: return false;
    }
  }

 private:
  void PointerAt(QPoint global) {
    pointer_ = global;
    const int dx = global.x() - center_.x(), dy = global.y() - center_.y();
    if (std::abs(dx) > halfWidth_ || std::abs(dy) > halfWidth_) leftIndicator_ = true;
    direction_ = dxPreviewAutoScrollDirection(dx, dy, halfWidth_, canX_, canY_, &speed_);
    preview_->setCursor(dxPreviewCursor(DirectionCursorId(direction_, canX_, canY_)));
  }

  void Tick() {
    ++ticks_;
    if (direction_ == asdNone || speed_ <= 0 || ticks_ % (13 - speed_) != 0) return;
    int dx = 0, dy = 0;
    switch (direction_) {
      case asdRight: dx = 1; break;
      case asdUpRight: dx = 1, dy = -1; break;
      case asdUp: dy = -1; break;
      case asdUpLeft: dx = -1, dy = -1; break;
      case asdLeft: dx = -1; break;
      case asdDownLeft: dx = -1, dy = 1; break;
      case asdDown: dy = 1; break;
      case asdDownRight: dx = 1, dy = 1; break;
      default: break;
    }
    preview_->ScrollLines(dx, dy);
  }

  TCustomdxPreview* preview_;
  QPoint center_;
  QPoint pointer_ = center_;
  QEventLoop loop_;
  QWidget* indicator_ = nullptr;
  int halfWidth_ = 14;
  bool canX_ = false;
  bool canY_ = false;
  bool grabbed_ = false;
  bool leftIndicator_ = false;
  bool closeRequested_ = false;
  TdxPreviewAutoScrollDirection direction_ = asdNone;
  int speed_ = 0;
  int ticks_ = 0;
};

void TCustomdxPreview::RunAutoScroll(QPoint globalCenter) {
  if (autoScroll_ || draggingMargin_) return;
  HideHints();
  AutoScroller scroller(this, globalCenter);
  {
    ScopedValue scrolling(autoScroll_, &scroller);
    scroller.Run();
  }
  unsetCursor();
  UpdateCursor(lastMousePos_);
  if (scroller.CloseRequested()) window()->close();
}

TdxPreviewAutoScrollDirection TCustomdxPreview::AutoScrollDirection() const {
  return autoScroll_ ? autoScroll_->Direction() : asdNone;
}
