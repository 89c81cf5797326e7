// The preferences dialog of the preview window: works on a copy of the
// record and writes it back only when closed with OK after a change.
#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QGroupBox>
#include <QPushButton>
#include <QTabWidget>
#include <algorithm>
#include <cmath>

#include "editors/DialogControls.h"
#include "platform/EnumBits.h"
#include "platform/Fonts.h"
#include "platform/QtStrings.h"
#include "preview/PreviewDialogs.h"
#include "layout/TextLayout.h"

namespace T = dxPSPreviewDialogTexts;

namespace {
}  // namespace

TdxfmOptions::TdxfmOptions(QWidget* parent) : TdxPSDialogForm(parent) {
  TFont font;
  font.Name = "Tahoma";
  font.SetSize(8);
  setFont(MakeQFont(font));
  setFixedSize(456, 246);
  CreateControls();
  SetTexts();
  ArrangeHelpButton(dxPreferencesDialogHelpContext, btnOk_, btnCancel_, btnHelp_);
}

TdxfmOptions::~TdxfmOptions() = default;

void TdxfmOptions::CreateControls() {
  pageControl_ = new QTabWidget(this);
  pageControl_->setGeometry(8, 8, 440, 198);
  tshGeneral_ = new QWidget;
  pageControl_->addTab(tshGeneral_, QString());

  gbxShow_ = new QGroupBox(tshGeneral_);
  gbxShow_->setGeometry(8, 8, 206, 92);
  chbxShowMargins_ = new QCheckBox(gbxShow_);
  chbxShowMargins_->setGeometry(10, 20, 190, 17);
  chbxShowMarginsHints_ = new QCheckBox(gbxShow_);
  chbxShowMarginsHints_->setGeometry(10, 43, 190, 17);
  chbxShowMarginsHintsWhileDragging_ = new QCheckBox(gbxShow_);
  chbxShowMarginsHintsWhileDragging_->setGeometry(10, 66, 190, 17);

  gbxZoomOpt_ = new QGroupBox(tshGeneral_);
  gbxZoomOpt_->setGeometry(8, 104, 206, 64);
  chbxZoomOnRoll_ = new QCheckBox(gbxZoomOpt_);
  chbxZoomOnRoll_->setGeometry(10, 18, 190, 17);
  lblZoomStep_ = new TdxPSFocusLabel(gbxZoomOpt_);
  lblZoomStep_->setGeometry(10, 40, 72, 17);
  bvlZoomStepHolder_ = new QFrame(gbxZoomOpt_);
  bvlZoomStepHolder_->setGeometry(86, 37, 65, 21);
  bvlZoomStepHolder_->hide();

  gbxMeasurementUnits_ = new QGroupBox(tshGeneral_);
  gbxMeasurementUnits_->setGeometry(222, 8, 202, 56);
  lblMeasurementUnits_ = new TdxPSFocusLabel(gbxMeasurementUnits_);
  lblMeasurementUnits_->setGeometry(10, 24, 104, 17);
  cbxMeasurementUnits_ = new QComboBox(gbxMeasurementUnits_);
  cbxMeasurementUnits_->setGeometry(116, 20, 78, 21);

  gbxMarginsColor_ = new QGroupBox(tshGeneral_);
  gbxMarginsColor_->setGeometry(222, 72, 202, 56);
  lblMarginsColor_ = new TdxPSFocusLabel(gbxMarginsColor_);
  lblMarginsColor_->setGeometry(10, 24, 84, 17);
  bvlMarginColorHolder_ = new QFrame(gbxMarginsColor_);
  bvlMarginColorHolder_->setGeometry(96, 20, 98, 21);
  bvlMarginColorHolder_->hide();

  // The colour box in its holder's place: "Auto" and the pure colours.
  colorBox_ = new TdxPSColorCombo(gbxMarginsColor_);
  colorBox_->setGeometry(bvlMarginColorHolder_->geometry());
  colorBox_->SetShowColorName(true);
  colorBox_->SetColorTypes(dxBit(ctPure));
  colorBox_->SetShowAutoColor(true);
  colorBox_->SetAutoColor(clWindowText);
  colorBox_->SetShowCustomColor(false);

  // The zoom-step box in its holder's place: 1 .. 20.
  zoomStepBox_ = new TdxPSSpinEdit(gbxZoomOpt_);
  zoomStepBox_->setGeometry(bvlZoomStepHolder_->geometry());
  zoomStepBox_->SetMaxValue(20);
  zoomStepBox_->SetMinValue(1);
  zoomStepBox_->SetDefaultValue(1);
  zoomStepBox_->SetLegendText("%");

  lblZoomStep_->setBuddy(zoomStepBox_);
  lblZoomStep_->OnClick = [this] { zoomStepBox_->setFocus(Qt::MouseFocusReason); };
  lblMeasurementUnits_->setBuddy(cbxMeasurementUnits_);
  lblMeasurementUnits_->OnClick = [this] {
    cbxMeasurementUnits_->setFocus(Qt::MouseFocusReason);
    cbxMeasurementUnits_->showPopup();
  };
  lblMarginsColor_->setBuddy(colorBox_);
  lblMarginsColor_->OnClick = [this] {
    colorBox_->setFocus(Qt::MouseFocusReason);
    colorBox_->showPopup();
  };

  for (QCheckBox* box : {chbxShowMargins_, chbxShowMarginsHints_, chbxShowMarginsHintsWhileDragging_, chbxZoomOnRoll_})
    QObject::connect(box, &QCheckBox::toggled, this, [this] { MarkChanged(); });
  QObject::connect(cbxMeasurementUnits_, &QComboBox::currentIndexChanged, this, [this] { MarkChanged(); });
  colorBox_->OnChange = [this](TdxPSColorCombo&) { MarkChanged(); };
  zoomStepBox_->OnChange = [this](TdxPSSpinEdit&) { MarkChanged(); };

  btnOk_ = new QPushButton(this);
  btnOk_->setGeometry(212, 214, 75, 23);
  btnCancel_ = new QPushButton(this);
  btnCancel_->setGeometry(292, 214, 75, 23);
  btnHelp_ = new QPushButton(this);
  btnHelp_->setGeometry(372, 214, 75, 23);
  SetDefaultButton(btnOk_);
  SetCancelButton(btnCancel_);
  SetButtonResult(btnOk_, mrOk);
  SetButtonResult(btnCancel_, mrCancel);
}

void TdxfmOptions::SetTexts() {
  setWindowTitle(ToQ(T::OptionsCaption));
  pageControl_->setTabText(0, ToQ(dxRemovePrefix(T::General)));
  gbxShow_->setTitle(ToQ(T::Show));
  chbxShowMargins_->setText(ToQ(T::Margins));
  chbxShowMarginsHints_->setText(ToQ(T::MarginsHints));
  chbxShowMarginsHintsWhileDragging_->setText(ToQ(T::MarginsHintsWhileDragging));
  gbxMeasurementUnits_->setTitle(QString());
  lblMeasurementUnits_->setText(ToQ(T::MeasurementUnits));
  loading_ = true;
  cbxMeasurementUnits_->clear();
  cbxMeasurementUnits_->addItems({ToQ(T::UnitDefault), ToQ(T::UnitInches), ToQ(T::UnitMillimeters)});
  loading_ = false;
  gbxMarginsColor_->setTitle(QString());
  lblMarginsColor_->setText(ToQ(T::MarginsColor));
  gbxZoomOpt_->setTitle(ToQ(T::ZoomParameters));
  chbxZoomOnRoll_->setText(ToQ(T::ZoomOnRoll));
  lblZoomStep_->setText(ToQ(T::ZoomStep));
  btnOk_->setText(ToQ(T::OK));
  btnCancel_->setText(ToQ(T::Cancel));
  btnHelp_->setText(ToQ(T::Help));
}

void TdxfmOptions::Load(const TdxPreviewPreferences& preferences) {
  preferences_ = preferences;
  loading_ = true;
  chbxShowMargins_->setChecked(preferences_.ShowMargins);
  chbxShowMarginsHints_->setChecked(preferences_.ShowMarginHints);
  chbxShowMarginsHintsWhileDragging_->setChecked(preferences_.ShowMarginHintsWhileDragging);
  chbxZoomOnRoll_->setChecked(preferences_.ZoomOnMouseRoll);
  // A unit the list does not know shows as "Default" (and is written back
  // as such only when the user confirms a change).
  const int units = preferences_.MeasurementUnits;
  cbxMeasurementUnits_->setCurrentIndex(units < cbxMeasurementUnits_->count() ? units : 0);
  // A colour that is not in the list leaves "Auto" selected.
  colorBox_->setCurrentIndex(colorBox_->AutoColorIndex());
  colorBox_->SetColorValue(preferences_.MarginColor);
  zoomStepBox_->SetValue(preferences_.ZoomStep);
  loading_ = false;
  changed_ = false;
  UpdateControlsState();
}

TdxPreviewPreferences TdxfmOptions::Values() const {
  TdxPreviewPreferences result = preferences_;
  result.MeasurementUnits = static_cast<unsigned char>(std::max(0, cbxMeasurementUnits_->currentIndex()));
  result.MarginColor = colorBox_->ColorValue();
  // The box limits a typed value only when it loses the focus.
  const double step = std::clamp(zoomStepBox_->Value(), zoomStepBox_->MinValue(), zoomStepBox_->MaxValue());
  result.ZoomStep = int(std::lround(step));
  result.ShowMargins = chbxShowMargins_->isChecked();
  result.ShowMarginHints = chbxShowMarginsHints_->isChecked();
  result.ShowMarginHintsWhileDragging = chbxShowMarginsHintsWhileDragging_->isChecked();
  result.ZoomOnMouseRoll = chbxZoomOnRoll_->isChecked();
  return result;
}

void TdxfmOptions::MarkChanged() {
  if (loading_) return;
  changed_ = true;
  UpdateControlsState();
}

void TdxfmOptions::UpdateControlsState() { chbxZoomOnRoll_->setEnabled(dxPSMouseWheelPresent()); }

bool ShowPreferencesDialog(TdxPreviewPreferences* preferences) {
  if (!preferences) return false;
  TdxfmOptions dialog;
  dialog.Load(*preferences);
  if (dialog.ShowModal() != mrOk || !dialog.Changed()) return false;
  *preferences = dialog.Values();
  return true;
}
