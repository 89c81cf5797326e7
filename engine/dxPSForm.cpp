#include "engine/dxPSForm.h"

#include "engine/dxPSComponentPrinter.h"
#include "platform/Registry.h"
#include "report/dxPSEngn.h"

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

std::string TCustomdxPSForm::LayoutKey() const { return dxPSFormLayoutKey(FormClassName()); }

std::string TCustomdxPSForm::HelpFile() const { return dxPSEngine()->HelpFile; }

void TCustomdxPSForm::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  AfterConstruction();
  ReleaseWaitCursor();
}

void TCustomdxPSForm::LoadPlacement(const std::string& key) { RestoreWindowLayout(*this, key, Sizeable()); }

void TCustomdxPSForm::ReleaseWaitCursor() {
  if (!waiting_) return;
  waiting_ = false;
  dxPSStopWait();
}
