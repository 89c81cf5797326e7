// The parts of the preview window: the panel bar (the status bar and the
// margin bar) and the splitter of a pane.
#include "preview/PreviewWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QEventLoop>
#include <QKeyEvent>
#include <QFileInfo>
#include <QLabel>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPointer>
#include <QProgressBar>
#include <QSizeGrip>
#include <QToolButton>
#include <QToolTip>
#include <QUrl>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>

#include "editors/DialogControls.h"
#include "layout/PrintDevice.h"
#include "platform/Application.h"
#include "platform/MessageDialogs.h"
#include "platform/Registry.h"
#include "report/EngineSettings.h"
#include "report/EventBus.h"
#include "platform/ScopeExit.h"
#include "preview/PreviewWindowHelpers.h"
#include "platform/QtStrings.h"

using namespace dxPSPreviewWindowTexts;
using namespace PreviewWindowHelpers;

namespace {

QColor ToQColor(TColor color) {
  const std::uint32_t rgb = ColorToRGB(color);
  return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

}  // namespace

// ---- Panel bar ------------------------------------------------------------------------

TdxPSPanelBar::TdxPSPanelBar(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFixedHeight(fontMetrics().height() + 7);
}

int TdxPSPanelBar::AddPanel(const std::string& text, int width, bool lowered, bool fitText) {
  Panel panel{text, width, lowered};
  panel.BaseWidth = width;
  panel.Fit = fitText;
  if (fitText) panel.Width = std::max(width, TextWidth(text) + 6);
  panels_.push_back(panel);
  update();
  return PanelCount() - 1;
}

void TdxPSPanelBar::RemovePanel(int index) {
  if (index < 0 || index >= PanelCount()) return;
  panels_.erase(panels_.begin() + index);
  PlaceControls();
  update();
}

void TdxPSPanelBar::SetPanelText(int index, const std::string& text) {
  Panel& p = panels_.at(std::size_t(index));
  if (p.Text == text) return;
  p.Text = text;
  update(PanelRect(index));
}

void TdxPSPanelBar::SetPanelWidth(int index, int width) {
  Panel& panel = panels_.at(std::size_t(index));
  panel.Width = panel.BaseWidth = std::max(width, 0);
  PlaceControls();
  update();
}

int TdxPSPanelBar::TextWidth(const std::string& text) const {
  return fontMetrics().horizontalAdvance(ToQ(text));
}

QRect TdxPSPanelBar::PanelRect(int index) const {
  if (index < 0 || index >= PanelCount()) return QRect();
  int x = 0;
  for (int i = 0; i < index; ++i) x += panels_[std::size_t(i)].Width;
  int w = panels_[std::size_t(index)].Width;
  if (index == PanelCount() - 1) {
    const int grip = sizeGrip_ ? height() : 0;
    w = std::max(w, width() - x - grip);
  }
  return QRect(x, 0, w, height());
}

int TdxPSPanelBar::PanelAt(QPoint point) const {
  for (int i = 0; i < PanelCount(); ++i)
    if (PanelRect(i).contains(point)) return i;
  return -1;
}

void TdxPSPanelBar::SetPanelControl(int index, QWidget* control) {
  panels_.at(std::size_t(index)).Control = control;
  PlaceControls();
}

void TdxPSPanelBar::SetSizeGrip(bool value) {
  if (sizeGrip_ == value) return;
  sizeGrip_ = value;
  PlaceControls();
  update();
}

std::string TdxPSPanelBar::HintAt(QPoint point) const {
  const int panel = PanelAt(point);
  if (panel < 0 || !OnPanelHint) return std::string();
  return OnPanelHint(*this, panel);
}

void TdxPSPanelBar::PlaceControls() {
  for (int i = 0; i < PanelCount(); ++i)
    if (QWidget* c = panels_[std::size_t(i)].Control) c->setGeometry(PanelRect(i).adjusted(2, 2, -2, -2));
}

void TdxPSPanelBar::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), ToQColor(clBtnFace));
  TCanvas canvas(painter);
  painter.setFont(font());
  for (int i = 0; i < PanelCount(); ++i) {
    const QRect r = PanelRect(i);
    const Panel& p = panels_[std::size_t(i)];
    QRect inner = r.adjusted(1, 1, -1, -1);
    if (p.Lowered) canvas.DrawEdge(TRect(inner.left(), inner.top(), inner.right() + 1, inner.bottom() + 1),
                                   BDR_SUNKENOUTER, BF_RECT);
    if (p.Control) continue;
    if (OnDrawPanel && OnDrawPanel(*this, painter, i, inner)) continue;
    painter.setPen(ToQColor(clBtnText));
    const QRect textRect = inner.adjusted(2, 0, -1, 0);  // a fitted panel (text + 6) shows its whole text
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(ToQ(p.Text), Qt::ElideRight, textRect.width()));
  }
  if (sizeGrip_) {
    // Three diagonal ridges at the bottom-right corner.
    const int s = height();
    const QPoint corner(width() - 2, height() - 2);
    for (int k = 0; k < 3; ++k) {
      const int d = 4 + 4 * k;
      if (d > s) break;
      painter.setPen(ToQColor(clBtnHighlight));
      painter.drawLine(corner.x() - d, corner.y(), corner.x(), corner.y() - d);
      painter.setPen(ToQColor(clBtnShadow));
      painter.drawLine(corner.x() - d + 1, corner.y(), corner.x(), corner.y() - d + 1);
    }
  }
}

void TdxPSPanelBar::resizeEvent(QResizeEvent* e) {
  QWidget::resizeEvent(e);
  PlaceControls();
}

void TdxPSPanelBar::mouseDoubleClickEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  const int panel = PanelAt(e->position().toPoint());
  if (panel >= 0 && OnPanelDblClick) OnPanelDblClick(*this, panel);
}

void TdxPSPanelBar::FitPanels() {
  for (Panel& p : panels_)
    if (p.Fit) p.Width = std::max(p.BaseWidth, TextWidth(p.Text) + 6);
  PlaceControls();
  update();
}

bool TdxPSPanelBar::event(QEvent* e) {
  // The font a window finally shows with arrives after the panels were
  // made (style polish, font propagation): fit the captions again.
  if (e->type() == QEvent::FontChange || e->type() == QEvent::Polish) FitPanels();
  if (e->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(e);
    const std::string hint = HintAt(help->pos());
    if (hint.empty())
      QToolTip::hideText();
    else
      QToolTip::showText(help->globalPos(), ToQ(hint), this, PanelRect(PanelAt(help->pos())));
    return true;
  }
  return QWidget::event(e);
}

// ---- Splitter -----------------------------------------------------------------------------

TdxPSPaneSplitter::TdxPSPaneSplitter(QWidget* parent, bool paneOnLeft) : QWidget(parent), paneOnLeft_(paneOnLeft) {
  setCursor(Qt::SplitHCursor);
  setFixedWidth(kSplitterWidth);
}

void TdxPSPaneSplitter::mousePressEvent(QMouseEvent* e) {
  if (e->button() != Qt::LeftButton) return;
  dragging_ = true;
  startX_ = int(e->globalPosition().x());
  startWidth_ = PaneWidth ? PaneWidth() : 0;
}

void TdxPSPaneSplitter::mouseMoveEvent(QMouseEvent* e) {
  if (!dragging_) return;
  const int dx = int(e->globalPosition().x()) - startX_;
  if (OnDragged) OnDragged(paneOnLeft_ ? startWidth_ + dx : startWidth_ - dx);
}

void TdxPSPaneSplitter::mouseReleaseEvent(QMouseEvent* e) {
  if (e->button() == Qt::LeftButton) dragging_ = false;
}

void TdxPSPaneSplitter::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.fillRect(rect(), ToQColor(clBtnFace));
}
