// The paint panel, the sliding picture strip and its warning pane, and the
// picture viewer.
#include <QAction>
#include <QContextMenuEvent>
#include <QElapsedTimer>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QThread>
#include <QWheelEvent>

#include "editors/DialogControls.h"
#include "editors/PicturePreview.h"
#include "platform/Application.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "platform/EnumBits.h"
#include "platform/QtStrings.h"

namespace {
QRect ToQRect(const TRect& r) { return QRect(r.Left, r.Top, r.Width(), r.Height()); }

unsigned EdgeBits(TdxEdgeStyle style, unsigned raised, unsigned sunken) {
  return style == esRaised ? raised : style == esSunken ? sunken : 0;
}
}  // namespace

// ---- TdxPSPaintPanel --------------------------------------------------------------

TdxPSPaintPanel::TdxPSPaintPanel(QWidget* parent) : QWidget(parent) {}

void TdxPSPaintPanel::EdgesChanged() { update(); }

void TdxPSPaintPanel::SetEdgeInner(TdxEdgeStyle value) {
  edgeInner_ = value;
  EdgesChanged();
}

void TdxPSPaintPanel::SetEdgeOuter(TdxEdgeStyle value) {
  edgeOuter_ = value;
  EdgesChanged();
}

void TdxPSPaintPanel::SetEdgeBorders(TdxEdgeBorders value) {
  edgeBorders_ = value & dxAllEdgeBorders;
  EdgesChanged();
}

void TdxPSPaintPanel::SetCtl3D(bool value) {
  ctl3D_ = value;
  EdgesChanged();
}

int TdxPSPaintPanel::FrameWidth() const {
  int edges = (edgeInner_ != esNone ? 1 : 0) + (edgeOuter_ != esNone ? 1 : 0);
  if (!ctl3D_) return edges > 0 ? 1 : 0;
  return edges;
}

TRect TdxPSPaintPanel::ClientRect() const {
  TRect r(0, 0, width(), height());
  int w = FrameWidth();
  if (edgeBorders_ & dxBit(ebLeft)) r.Left += w;
  if (edgeBorders_ & dxBit(ebTop)) r.Top += w;
  if (edgeBorders_ & dxBit(ebRight)) r.Right -= w;
  if (edgeBorders_ & dxBit(ebBottom)) r.Bottom -= w;
  return r;
}

void TdxPSPaintPanel::paintEvent(QPaintEvent*) {
  QPainter p(this);
  TCanvas canvas(p);
  unsigned sides = (edgeBorders_ & dxBit(ebLeft) ? BF_LEFT : 0) | (edgeBorders_ & dxBit(ebTop) ? BF_TOP : 0) |
                   (edgeBorders_ & dxBit(ebRight) ? BF_RIGHT : 0) |
                   (edgeBorders_ & dxBit(ebBottom) ? BF_BOTTOM : 0);
  unsigned edge = EdgeBits(edgeInner_, BDR_RAISEDINNER, BDR_SUNKENINNER) |
                  EdgeBits(edgeOuter_, BDR_RAISEDOUTER, BDR_SUNKENOUTER);
  if (edge && sides) {
    if (ctl3D_)
      canvas.DrawEdge(TRect(0, 0, width(), height()), edge, sides);
    else
      canvas.DrawEdge(TRect(0, 0, width(), height()), BDR_SUNKENOUTER, sides | BF_MONO);
  }
  if (!OnPaint) return;
  TCanvasStateSaver saver(canvas);
  canvas.IntersectClipRect(ClientRect());
  OnPaint(*this, canvas);
}

void TdxPSPaintPanel::enterEvent(QEnterEvent* e) {
  QWidget::enterEvent(e);
  if (OnMouseEnter) OnMouseEnter(*this);
}

void TdxPSPaintPanel::leaveEvent(QEvent* e) {
  QWidget::leaveEvent(e);
  if (OnMouseLeave) OnMouseLeave(*this);
}

// ---- TdxPSBitmapAnimator ----------------------------------------------------------

TdxPSBitmapAnimator::TdxPSBitmapAnimator(QWidget* parent) : QWidget(parent) {
  bitmap_ = QImage(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
  bitmap_.fill(Qt::white);
  top_ = height();
}

void TdxPSBitmapAnimator::FitBitmap() {
  if (bitmap_.size() == QSize(std::max(1, width()), std::max(1, height()))) return;
  QImage old = bitmap_;
  SetBitmap(old);
  if (!animating_) top_ = state_ ? 0 : height();
  UpdateBitmap();
}

void TdxPSBitmapAnimator::SetBitmap(const QImage& image) {
  QImage b(std::max(1, width()), std::max(1, height()), QImage::Format_RGB32);
  b.fill(Qt::white);
  if (!image.isNull()) {
    QPainter p(&b);
    p.drawImage(0, 0, image);
  }
  bitmap_ = b;
  update();
}

int TdxPSBitmapAnimator::StepHeight() const {
  int h = height(), n = animationStepCount_;
  return (h + n - 1) / n;
}

void TdxPSBitmapAnimator::SetState(bool value) {
  if (value == state_ || animating_) return;
  FitBitmap();
  state_ = value;
  animating_ = true;
  const int h = height(), step = StepHeight();
  QElapsedTimer clock;
  for (int i = 1; i <= animationStepCount_; ++i) {
    clock.start();
    ShowFrame(value ? std::max(0, h - i * step) : std::min(h, i * step));
    qint64 rest = animationSpeed_ - clock.elapsed();
    if (rest > 0) QThread::msleep(static_cast<unsigned long>(rest));
  }
  top_ = value ? 0 : h;
  animating_ = false;
  update();
  StateChanged();
}

void TdxPSBitmapAnimator::ShowFrame(int top) {
  top_ = top;
  if (isVisible()) repaint();
}

void TdxPSBitmapAnimator::paintEvent(QPaintEvent*) {
  if (!state_ && !animating_) return;
  if (!animating_) FitBitmap();
  QPainter p(this);
  p.setClipRect(rect());
  p.drawImage(0, top_, bitmap_);
  if (bitmap_.width() < width())
    p.fillRect(QRect(bitmap_.width(), 0, width() - bitmap_.width(), height()), ColorToQColor(clBtnFace));
}

void TdxPSBitmapAnimator::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  FitBitmap();
}

// ---- TdxPSWarningPane -------------------------------------------------------------

TdxPSWarningPane::TdxPSWarningPane(QWidget* parent) : TdxPSBitmapAnimator(parent) {
  TFont f;
  f.Name = "Tahoma";
  f.Height = -11;
  f.Color = clInfoText;
  setFont(MakeQFont(f));
  UpdateBitmap();
}

const QImage& TdxPSWarningPane::WarningGlyph() {
  static const QImage glyph = [] {
    QImage g(16, 16, QImage::Format_ARGB32);
    g.fill(Qt::transparent);
    QPainter p(&g);
    QPainterPath triangle;
    triangle.moveTo(7.5, 0.5);
    triangle.lineTo(15.5, 15.5);
    triangle.lineTo(-0.5, 15.5);
    triangle.closeSubpath();
    p.setRenderHint(QPainter::Antialiasing, true);
    p.fillPath(triangle, QColor(255, 204, 0));
    p.setPen(QPen(QColor(128, 96, 0), 1));
    p.drawPath(triangle);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.fillRect(7, 5, 2, 6, Qt::black);
    p.fillRect(7, 12, 2, 2, Qt::black);
    return g;
  }();
  return glyph;
}

void TdxPSWarningPane::SetText(const std::string& text) {
  if (text == text_) return;
  text_ = text;
  FitBitmap();
  UpdateBitmap();
  update();
}

void TdxPSWarningPane::SetStateAndText(bool show, const std::string& text) {
  if (show == State()) {
    SetText(text);
  } else if (!show) {
    SetState(false);
  } else {
    SetText(text);
    SetState(true);
  }
}

void TdxPSWarningPane::StateChanged() { dxPSBeep(); }

void TdxPSWarningPane::UpdateBitmap() {
  QImage& b = MutableBitmap();
  if (b.isNull()) return;
  const int w = b.width(), h = b.height();
  QPainter p(&b);
  {
    TCanvas canvas(p);
    canvas.SetPen(TPen{clBtnShadow, 1, psSolid});
    canvas.SetBrush(TBrush{clInfoBk, bsSolid, {}});
    canvas.Rectangle(TRect(0, 0, w, h));
  }
  const QImage& glyph = WarningGlyph();
  p.drawImage(2, (h - glyph.height()) / 2, glyph);

  TRect inner(0, 0, w, h);
  inner.Inflate(-2, -2);
  inner.Left = 2 + glyph.width() + 6;
  QRect textRect = ToQRect(inner);
  QString text = ToQ(text_);
  QFontMetrics fm(font());
  wrapped_ = fm.horizontalAdvance(text) >= textRect.width();
  if (textRect.width() <= 0 || textRect.height() <= 0) return;
  p.setFont(font());
  p.setPen(ColorToQColor(clInfoText));
  p.setClipRect(textRect);
  if (!wrapped_)
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
  else
    p.drawText(textRect, Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap, text);
}

// ---- Glyphs -------------------------------------------------------------------------

QImage dxPSImageBoxGlyph(int index) {
  QImage g(16, 16, QImage::Format_ARGB32);
  g.fill(Qt::transparent);
  QPainter p(&g);
  const QColor ink(0, 0, 0), paper(255, 255, 255), blue(0, 0, 128), gray(128, 128, 128);
  switch (index) {
    case 0: {  // preview: a magnifier over a picture
      p.fillRect(1, 1, 11, 11, paper);
      p.setPen(gray);
      p.drawRect(1, 1, 10, 10);
      p.setPen(QPen(blue, 1));
      p.drawEllipse(3, 3, 6, 6);
      p.setPen(QPen(ink, 2));
      p.drawLine(9, 9, 14, 14);
      break;
    }
    case 1: {  // copy: two sheets
      p.fillRect(1, 1, 8, 10, paper);
      p.setPen(ink);
      p.drawRect(1, 1, 8, 10);
      p.fillRect(6, 5, 8, 10, paper);
      p.drawRect(6, 5, 8, 10);
      p.setPen(gray);
      for (int y = 8; y <= 12; y += 2) p.drawLine(8, y, 12, y);
      break;
    }
    default: {  // save: a disk
      p.fillRect(1, 1, 14, 14, blue);
      p.fillRect(4, 1, 8, 5, paper);
      p.fillRect(4, 9, 8, 6, QColor(192, 192, 192));
      p.fillRect(9, 2, 2, 3, blue);
      break;
    }
  }
  return g;
}

// ---- TdxPSImageScrollBox ------------------------------------------------------------

TdxPSImageScrollBox::TdxPSImageScrollBox(QWidget* parent)
    : QAbstractScrollArea(parent), picture_(std::make_unique<TPicture>()) {
  picture_->OnChange = [this](TPicture&) { PictureChanged(); };
  QFont f = font();
  f.setBold(true);
  setFont(f);
  setFocusPolicy(Qt::StrongFocus);
  for (QScrollBar* bar : {horizontalScrollBar(), verticalScrollBar()}) {
    bar->setTracking(true);
    bar->setSingleStep(8);
  }
  UpdateScrollBars();
}

TdxPSImageScrollBox::~TdxPSImageScrollBox() { picture_->OnChange = nullptr; }

void TdxPSImageScrollBox::SetCenter(bool value) {
  center_ = value;
  viewport()->update();
}

void TdxPSImageScrollBox::SetFit(bool value) {
  fit_ = value;
  PictureChanged();
}

void TdxPSImageScrollBox::SetHintText(const std::string& value) {
  hintText_ = value;
  viewport()->update();
}

void TdxPSImageScrollBox::SetColor(TColor value) {
  color_ = value;
  viewport()->update();
}

void TdxPSImageScrollBox::PictureChanged() {
  UpdateScrollBars();
  viewport()->update();
}

void TdxPSImageScrollBox::UpdateScrollBars() {
  // Each bar spans the picture: its maximum is the part that does not fit.
  // Whether a bar is needed is decided on the area without bars, so that a
  // picture that fits the whole area never shows bars that would make it not
  // fit; a bar that is needed takes its room from the other direction.
  const bool scrolls = HasPicture() && !fit_;
  const int pw = scrolls ? picture_->Width() : 0, ph = scrolls ? picture_->Height() : 0;
  const QSize full = maximumViewportSize();
  const int hExtent = horizontalScrollBar()->sizeHint().height();
  const int vExtent = verticalScrollBar()->sizeHint().width();
  bool needH = pw > full.width(), needV = ph > full.height();
  if (needH && !needV) needV = ph > full.height() - hExtent;
  if (needV && !needH) needH = pw > full.width() - vExtent;
  const int vw = std::max(0, full.width() - (needV ? vExtent : 0));
  const int vh = std::max(0, full.height() - (needH ? hExtent : 0));
  horizontalScrollBar()->setRange(0, needH ? pw - vw : 0);
  horizontalScrollBar()->setPageStep(std::max(1, vw));
  verticalScrollBar()->setRange(0, needV ? ph - vh : 0);
  verticalScrollBar()->setPageStep(std::max(1, vh));
}

TRect TdxPSImageScrollBox::PictureRect() const {
  const int pw = picture_->Width(), ph = picture_->Height();
  const int vw = viewport()->width(), vh = viewport()->height();
  if (fit_ && pw > 0 && ph > 0) {
    // The larger of the two ratios decides the scale.
    const bool byWidth = (long long)pw * vh >= (long long)ph * vw;
    const int w = byWidth ? vw : MulDiv(pw, vh, ph), h = byWidth ? MulDiv(ph, vw, pw) : vh;
    return Bounds((vw - w) / 2, (vh - h) / 2, w, h);
  }
  int left = pw > vw ? -horizontalScrollBar()->value() : center_ ? (vw - pw) / 2 : 0;
  int top = ph > vh ? -verticalScrollBar()->value() : center_ ? (vh - ph) / 2 : 0;
  return Bounds(left, top, pw, ph);
}

void TdxPSImageScrollBox::PaintHint(QPainter& p, const QRect& area) {
  p.fillRect(area, ColorToQColor(clBtnFace));
  if (hintText_.empty()) return;
  p.setFont(font());
  p.setPen(ColorToQColor(clWindowText));
  p.drawText(area, Qt::AlignCenter | Qt::TextWordWrap, ToQ(hintText_));
}

void TdxPSImageScrollBox::PaintViewport(QPainter& p) {
  const QRect area(QPoint(0, 0), viewport()->size());
  if (!HasPicture()) {
    PaintHint(p, area);
    return;
  }
  p.save();
  try {
    QRect pic = ToQRect(PictureRect());
    // The strips around the picture, then the picture at natural size.
    const QColor back = ColorToQColor(color_);
    for (const QRect& r : QRegion(area).subtracted(QRegion(pic))) p.fillRect(r, back);
    picture_->Graphic()->Draw(p, QRectF(pic));
    p.restore();
  } catch (const std::exception&) {
    p.restore();
    PaintHint(p, area);
  }
}

void TdxPSImageScrollBox::paintEvent(QPaintEvent*) {
  QPainter p(viewport());
  PaintViewport(p);
}

void TdxPSImageScrollBox::resizeEvent(QResizeEvent* e) {
  QAbstractScrollArea::resizeEvent(e);
  UpdateScrollBars();
}

void TdxPSImageScrollBox::scrollContentsBy(int, int) { viewport()->update(); }

void TdxPSImageScrollBox::wheelEvent(QWheelEvent* e) {
  int delta = e->angleDelta().y();
  if (delta == 0) delta = e->angleDelta().x();
  if (delta == 0) return;
  // One line per notch: the vertical bar when it shows, else the horizontal.
  QScrollBar* bar = verticalScrollBar()->maximum() > 0 ? verticalScrollBar() : horizontalScrollBar();
  bar->triggerAction(delta > 0 ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
  e->accept();
}

QMenu* TdxPSImageScrollBox::PreparePopupMenu() {
  if (!menu_) {
    menu_ = new QMenu(this);
    auto icon = [](int i) { return QIcon(QPixmap::fromImage(dxPSImageBoxGlyph(i))); };
    actions_[ibmiPreview] = menu_->addAction(icon(0), "Previe&w", [this] { PreviewPicture(); });
    separators_[0] = menu_->addSeparator();
    actions_[ibmiCopy] = menu_->addAction(icon(1), "&Copy", [this] { CopyPicture(); });
    actions_[ibmiCopy]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    separators_[1] = menu_->addSeparator();
    actions_[ibmiSave] = menu_->addAction(icon(2), "&Save...", [this] { SavePicture(); });
    actions_[ibmiSave]->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  }
  for (int i = 0; i < 3; ++i) {
    actions_[i]->setVisible(menuItems_ & (1u << i));
    actions_[i]->setEnabled(HasPicture());
  }
  separators_[0]->setVisible(actions_[ibmiPreview]->isVisible());
  separators_[1]->setVisible(actions_[ibmiCopy]->isVisible());
  return menu_;
}

QAction* TdxPSImageScrollBox::MenuAction(TdxImageScrollBoxMenuItem item) {
  PreparePopupMenu();
  return actions_[item];
}

void TdxPSImageScrollBox::contextMenuEvent(QContextMenuEvent* e) {
  PreparePopupMenu()->exec(e->globalPos());
}

void TdxPSImageScrollBox::keyPressEvent(QKeyEvent* e) {
  if (e->modifiers() == Qt::ControlModifier && (e->key() == Qt::Key_C || e->key() == Qt::Key_S)) {
    TdxImageScrollBoxMenuItem item = e->key() == Qt::Key_C ? ibmiCopy : ibmiSave;
    if ((menuItems_ & dxBit(item)) && HasPicture()) {
      item == ibmiCopy ? CopyPicture() : SavePicture();
      e->accept();
      return;
    }
  }
  QAbstractScrollArea::keyPressEvent(e);
}

void TdxPSImageScrollBox::mousePressEvent(QMouseEvent* e) {
  if (isEnabled() && (focusPolicy() & Qt::ClickFocus)) setFocus(Qt::MouseFocusReason);
  QAbstractScrollArea::mousePressEvent(e);
}

void TdxPSImageScrollBox::mouseDoubleClickEvent(QMouseEvent* e) {
  QAbstractScrollArea::mouseDoubleClickEvent(e);
  if (OnDblClick) OnDblClick(*this);
}

void TdxPSImageScrollBox::PreviewPicture() {
  if (!HasPicture()) return;
  dxShowPicturePreview(picture_->Graphic(), this);
}

void TdxPSImageScrollBox::CopyPicture() {
  if (!HasPicture()) return;
  try {
    CopyGraphicToClipboard(*picture_->Graphic());
  } catch (const std::exception& e) {
    Application::ShowException(e);
  }
}

void TdxPSImageScrollBox::SavePicture() {
  if (!HasPicture()) return;
  TGraphicClass cls = picture_->Graphic()->ClassType();
  TFileDialog dialog(TFileDialogKind::SavePicture);
  dialog.Filter = GraphicFilter(cls);
  dialog.DefaultExt = GraphicExtension(cls);
  dialog.OverwritePrompt = true;
  if (!dialog.Execute(this)) return;
  try {
    picture_->SaveToFile(dialog.FileName);
  } catch (const std::exception& e) {
    Application::ShowException(e);
  }
}
