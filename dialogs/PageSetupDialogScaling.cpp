// The Scaling tab of the page setup dialog: adjust to a percentage of normal
// size or fit to a number of pages wide and tall.
#include "dialogs/PageSetupDialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QEventLoop>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cmath>
#include <limits>

#include "editors/DialogControls.h"
#include "dialogs/BackgroundPalette.h"
#include "dialogs/FormatDialogs.h"
#include "dialogs/FunctionToolBar.h"
#include "engine/ComponentPrinter.h"
#include "layout/HeaderFooterFunctions.h"
#include "layout/PrintDevice.h"
#include "platform/Application.h"
#include "platform/Exceptions.h"
#include "platform/MessageDialogs.h"
#include "preview/PreviewControl.h"
#include "preview/PreviewWindow.h"
#include "report/EngineUtilities.h"
#include "dialogs/PageSetupDialogTabs.h"

using namespace dxPSPageSetupTexts;
using namespace PageSetupDialogTabs;

namespace {

TdxPSSpinEdit* NewIntegerBox(QWidget* parent, int minValue, int maxValue) {
  auto* box = new TdxPSSpinEdit(parent);
  box->SetValueType(svtInteger);
  box->SetMinValue(minValue);
  box->SetMaxValue(maxValue);
  box->SetIncrement(1);
  box->setMinimumWidth(60);
  return box;
}

}  // namespace

QWidget* TdxfmPageSetupDialog::CreateScalingTab() {
  auto* sheet = new QWidget;
  auto* col = new QVBoxLayout(sheet);
  auto* group = NewGroup(Scaling, sheet);
  auto* grid = new QGridLayout(group);
  adjustTo_ = new QRadioButton(ToQ(AdjustTo), group);
  fitTo_ = new QRadioButton(ToQ(FitTo), group);
  scaleFactor_ = NewIntegerBox(group, 10, 500);
  fitWide_ = NewIntegerBox(group, 1, 100);
  fitTall_ = NewIntegerBox(group, 1, 100);
  auto* normal = new QLabel(ToQ(NormalSize), group);
  auto* wideBy = new QLabel(ToQ(PagesWideBy), group);
  auto* tall = new QLabel(ToQ(Tall), group);
  wideBy->setBuddy(fitTall_);
  tall->setBuddy(fitTall_);
  grid->addWidget(adjustTo_, 0, 0);
  grid->addWidget(scaleFactor_, 0, 1);
  grid->addWidget(normal, 0, 2, 1, 3);
  grid->addWidget(fitTo_, 1, 0);
  grid->addWidget(fitWide_, 1, 1);
  grid->addWidget(wideBy, 1, 2);
  grid->addWidget(fitTall_, 1, 3);
  grid->addWidget(tall, 1, 4);
  grid->setColumnStretch(5, 1);
  col->addWidget(group);
  col->addStretch(1);

  connect(adjustTo_, &QRadioButton::clicked, this, [this] {
    SetModified();
    SetScaleMode(smAdjust, true);
  });
  connect(fitTo_, &QRadioButton::clicked, this, [this] {
    SetModified();
    SetScaleMode(smFit, true);
  });
  // The boxes take their values into the page when they are left after an
  // edit; typing chooses the matching mode.
  scaleFactor_->OnChange = [this](TdxPSSpinEdit& box) {
    if (loading_) return;
    SetModified();
    box.setProperty("dxEdited", true);
    if (!adjustTo_->isChecked()) SetScaleMode(smAdjust, false);
  };
  scaleFactor_->OnExit = [this](TdxPSSpinEdit& box) {
    if (loading_ || !working_ || !box.property("dxEdited").toBool()) return;
    box.setProperty("dxEdited", false);
    SetScaleMode(smAdjust, false);
    WorkingPage().SetScaleFactor(box.AsInteger());
  };
  for (TdxPSSpinEdit* box : {fitWide_, fitTall_}) {
    box->OnChange = [this](TdxPSSpinEdit& b) {
      if (loading_) return;
      SetModified();
      b.setProperty("dxEdited", true);
      if (!fitTo_->isChecked()) SetScaleMode(smFit, false);
    };
    box->OnExit = [this](TdxPSSpinEdit& b) {
      if (loading_ || !working_ || !b.property("dxEdited").toBool()) return;
      b.setProperty("dxEdited", false);
      TdxPrinterPage& page = WorkingPage();
      page.SetFitToPagesByWide(fitWide_->AsInteger());
      page.SetFitToPagesByTall(fitTall_->AsInteger());
      // The counts alone do not change the chosen mode.
      page.SetScaleMode(adjustTo_->isChecked() ? smAdjust : smFit);
    };
  }
  return sheet;
}

// ---- Scaling ----

void TdxfmPageSetupDialog::SetScaleMode(TdxScaleMode mode, bool focus) {
  if (!working_) return;
  if (!loading_) WorkingPage().SetScaleMode(mode);
  const bool wasLoading = loading_;
  loading_ = true;
  (mode == smAdjust ? adjustTo_ : fitTo_)->setChecked(true);
  loading_ = wasLoading;
  if (!focus) return;
  if (mode == smAdjust)
    scaleFactor_->setFocus();
  else
    (fitWide_->isEnabled() ? fitWide_ : fitTall_)->setFocus();
}
