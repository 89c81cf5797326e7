#include "engine/EngineWindow.h"

#include <QApplication>
#include <QScreen>
#include <algorithm>

#include "engine/ComponentPrinter.h"
#include "platform/Registry.h"
#include "report/EngineSettings.h"

TCustomdxPSForm::TCustomdxPSForm(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {
  dxPSStartWait();
  waiting_ = true;
}

TCustomdxPSForm::~TCustomdxPSForm() {
  ReleaseWaitCursor();
  // Virtual calls no longer reach the derived class here: the key and the
  // kind of window were taken when the window was finished.
  if (!layoutKey_.empty()) SaveWindowLayout(*this, layoutKey_, sizeable_);
}

void TCustomdxPSForm::AfterConstruction() {
  if (constructed_) return;
  constructed_ = true;
  layoutKey_ = LayoutKey();
  sizeable_ = Sizeable();
  if (!layoutKey_.empty()) LoadPlacement(layoutKey_);
}

void TCustomdxPSForm::CentreOnOwner() {
  // The window it belongs to; when that is hidden, the window the user works in.
  auto shown = [this](QWidget* w) { return w && w != this && w->isVisible() ? w : nullptr; };
  QWidget* owner = shown(parentWidget() ? parentWidget()->window() : nullptr);
  if (!owner) owner = shown(QApplication::activeWindow());
  QScreen* screen = owner ? owner->screen() : QGuiApplication::primaryScreen();
  if (!screen) return;
  const QRect area = screen->availableGeometry();
  const QRect around = owner ? owner->frameGeometry() : area;
  const QSize size = frameGeometry().size();
  QPoint topLeft(around.left() + (around.width() - size.width()) / 2,
                 around.top() + (around.height() - size.height()) / 2);
  // Kept on the screen: the top left corner wins when the window is larger.
  topLeft.setX(std::max(area.left(), std::min(topLeft.x(), area.right() + 1 - size.width())));
  topLeft.setY(std::max(area.top(), std::min(topLeft.y(), area.bottom() + 1 - size.height())));
  move(topLeft);
  centred_ = QRect(topLeft, size);
}

bool TCustomdxPSForm::RunModal(const TModalRunOptions& options, bool centre) {
  if (centre) CentreOnOwner();
  AfterConstruction();
  return ::RunModal(*this, options);
}

std::string TCustomdxPSForm::LayoutKey() const { return dxPSFormLayoutKey(FormClassName()); }

std::string TCustomdxPSForm::HelpFile() const { return dxPSEngine()->HelpFile; }

void TCustomdxPSForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  AfterConstruction();
  if (centred_) {
    const QRect centred = *centred_;
    centred_.reset();
    if (pos() == centred.topLeft() && size() != centred.size()) CentreOnOwner();
    centred_.reset();
  }
  ReleaseWaitCursor();
}

void TCustomdxPSForm::LoadPlacement(const std::string& key) { RestoreWindowLayout(*this, key, Sizeable()); }

void TCustomdxPSForm::ReleaseWaitCursor() {
  if (!waiting_) return;
  waiting_ = false;
  dxPSStopWait();
}
