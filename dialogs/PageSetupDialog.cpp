// The page setup dialog: the component (which tabs, groups and buttons, Execute),
// the window's construction, preparing, units, loading, running and closing, its
// events and the entry points. Each tab is built and handled in a file of its
// own: PageSetupDialogPage.cpp, PageSetupDialogMargins.cpp,
// PageSetupDialogHeaderFooter.cpp and PageSetupDialogScaling.cpp.
#include "dialogs/PageSetupDialog.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QButtonGroup>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
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
#include "platform/ScopeExit.h"
#include "preview/PreviewControl.h"
#include "preview/PreviewWindow.h"
#include "report/EngineUtilities.h"
#include "dialogs/PageSetupDialogTabs.h"
#include "platform/Units.h"

using namespace dxPSPageSetupTexts;

namespace {

// ---- Sizes --------------------------------------------------------------------------------

constexpr int kWindowWidth = 530;
constexpr int kButtonPanelHeight = 39;
constexpr int kButtonWidth = 75;
constexpr int kWideButtonWidth = 86;
constexpr int kButtonHeight = 23;
constexpr int kMaxStyleCaption = 31;

}  // namespace

namespace PageSetupDialogTabs {

// ---- Pictures -------------------------------------------------------------------------------

QImage MakeImage(int w, int h) {
  QImage image(w, h, QImage::Format_ARGB32);
  image.fill(Qt::transparent);
  return image;
}

QGroupBox* NewGroup(const char* caption, QWidget* parent) { return new QGroupBox(ToQ(caption), parent); }

int AskWarning(TdxPageSetupWarning kind, const std::string& text, const std::vector<std::string>& buttons,
               QWidget* parent) {
  TdxPageSetupWarningBox box(kind, text, buttons, parent);
  RunModal(box);
  return box.Answer();
}

}  // namespace PageSetupDialogTabs

using namespace PageSetupDialogTabs;

// ---------------------------------------------------------------------------
// TdxPageSetupWarningBox

TdxPageSetupWarningBox::TdxPageSetupWarningBox(TdxPageSetupWarning kind, const std::string& text,
                                               const std::vector<std::string>& captions, QWidget* parent)
    : QMessageBox(QMessageBox::Warning, ToQ(Application::Title()), ToQ(text), QMessageBox::NoButton, parent),
      kind_(kind),
      captions_(captions) {
  for (const std::string& caption : captions) {
    if (caption == dxPSPageSetupTexts::Ignore)
      buttons_.push_back(addButton(QMessageBox::Ignore));
    else
      buttons_.push_back(addButton(ToQ(caption), QMessageBox::AcceptRole));
  }
}

int TdxPageSetupWarningBox::Answer() const {
  for (std::size_t i = 0; i < buttons_.size(); ++i)
    if (clickedButton() == buttons_[i]) return int(i);
  return int(buttons_.size()) - 1;
}

// ---------------------------------------------------------------------------
// TdxPageSetupDialog

TdxPageSetupDialog::TdxPageSetupDialog(QObject* owner) : QObject(owner) {}

TdxPageSetupDialog::~TdxPageSetupDialog() = default;

std::string TdxPageSetupDialog::DialogCaption(const TBasedxPrintStyle& style) const {
  std::string caption = Title;
  if (style.StyleManager()) {
    caption += ": " + style.StyleCaption();
    if (caption.size() >= 2 && caption[caption.size() - 2] == ':') caption.erase(caption.size() - 2, 1);
  }
  return caption;
}

bool TdxPageSetupDialog::Execute() {
  QPointer<TBasedxPrintStyle> style = printStyle_;
  if (!style) return false;
  TdxPageSetupDlgData data;
  data.PrintStyle = style;
  data.ActivePageIndex = ActivePageIndex;
  data.Caption = DialogCaption(*style);
  data.HelpContext = HelpContext;
  data.HFMode = HFMode;
  data.ButtonsEnabled = ButtonsEnabled;
  data.ButtonsVisible = ButtonsVisible;
  if (!style->HasOptions()) data.ButtonsVisible &= ~dxBit(psbStyleOptions);
  data.OptionsEnabled = OptionsEnabled;
  data.OptionsVisible = OptionsVisible;
  data.OnClose = [this] {
    if (OnClose) OnClose(*this);
  };
  data.OnShow = [this] {
    if (OnShow) OnShow(*this);
  };
  data.OnCustomDrawPreview = OnCustomDrawPreview;

  bool ok = false;
  {
    TdxfmPageSetupDialog window;
    window.Initialize(data);
    window.LoadValues();
    ok = window.Execute();
    // The style may have gone while the window was open.
    if (ok && style) {
      if (window.Modified()) style->Assign(window.WorkingStyle());
      if (data.PreviewBtnClicked || data.PrintBtnClicked) style->SetIsCurrentStyle(true);
    }
  }
  previewBtnClicked_ = data.PreviewBtnClicked;
  printBtnClicked_ = data.PrintBtnClicked;
  return ok;
}

// ---------------------------------------------------------------------------
// TdxfmPageSetupDialog: construction

TdxfmPageSetupDialog::TdxfmPageSetupDialog(QWidget* parent) : TCustomdxPSForm(parent, Qt::Dialog) {
  setObjectName("dxfmPageSetupDialog");
  QPalette pal = palette();
  pal.setColor(QPalette::Window, ColorToQColor(clBtnFace));
  setPalette(pal);
  CreateControls();
}

TdxfmPageSetupDialog::~TdxfmPageSetupDialog() {
  finished_ = true;
  // Children outlive the working copy while the window is taken apart: no
  // handler may reach it any more.
  for (QPlainTextEdit* box : textBoxes_)
    if (box) box->removeEventFilter(this);
  for (TdxPSSpinEdit* box : {paperWidth_, paperHeight_, scaleFactor_, fitWide_, fitTall_, marginBoxes_[0],
                             marginBoxes_[1], marginBoxes_[2], marginBoxes_[3], marginBoxes_[4], marginBoxes_[5]}) {
    if (!box) continue;
    box->OnChange = nullptr;
    box->OnExit = nullptr;
    box->OnEnter = nullptr;
    box->OnButtonClick = nullptr;
  }
  for (TdxPreview* preview : {sample_, orientationPreview_}) {
    if (!preview) continue;
    preview->OnDrawPageContent = nullptr;
    preview->OnAfterDragMargin = nullptr;
  }
  for (QObject* child : findChildren<QObject*>()) child->disconnect(this);
}

void TdxfmPageSetupDialog::CreateControls() {
  setFixedWidth(kWindowWidth);
  auto* root = new QVBoxLayout(this);
  root->setContentsMargins(0, 0, 0, 0);
  root->setSpacing(0);

  stylePanel_ = new QWidget(this);
  stylePanel_->setFixedHeight(34);
  {
    auto* row = new QHBoxLayout(stylePanel_);
    row->setContentsMargins(8, 8, 8, 2);
    auto* label = new QLabel(ToQ(StyleName), stylePanel_);
    styleName_ = new QLineEdit(stylePanel_);
    styleName_->setMaxLength(kMaxStyleCaption);
    label->setBuddy(styleName_);
    row->addWidget(label);
    row->addWidget(styleName_, 1);
    connect(styleName_, &QLineEdit::textEdited, this, [this] { SetModified(); });
    connect(styleName_, &QLineEdit::editingFinished, this, [this] { StyleNameLeft(); });
  }
  root->addWidget(stylePanel_);

  auto* tabHolder = new QWidget(this);
  {
    auto* l = new QVBoxLayout(tabHolder);
    l->setContentsMargins(8, 8, 8, 0);
    tabs_ = new QTabWidget(tabHolder);
    l->addWidget(tabs_);
  }
  root->addWidget(tabHolder);
  sheets_[pstPage] = CreatePageTab();
  sheets_[pstMargins] = CreateMarginsTab();
  sheets_[pstHeaderFooter] = CreateHeaderFooterTab();
  sheets_[pstScaling] = CreateScalingTab();
  tabs_->addTab(sheets_[pstPage], ToQ(TabPage));
  tabs_->addTab(sheets_[pstMargins], ToQ(TabMargins));
  tabs_->addTab(sheets_[pstHeaderFooter], ToQ(TabHeaderFooter));
  tabs_->addTab(sheets_[pstScaling], ToQ(TabScaling));
  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) { TabChanged(index); });

  buttonPanel_ = new QWidget(this);
  buttonPanel_->setFixedHeight(kButtonPanelHeight);
  ok_ = new QPushButton(ToQ(OK), buttonPanel_);
  cancel_ = new QPushButton(ToQ(Cancel), buttonPanel_);
  help_ = new QPushButton(ToQ(Help), buttonPanel_);
  options_ = new QPushButton(ToQ(Options), buttonPanel_);
  preview_ = new QPushButton(ToQ(PrintPreview), buttonPanel_);
  print_ = new QPushButton(ToQ(Print), buttonPanel_);
  ok_->setDefault(true);
  connect(ok_, &QPushButton::clicked, this, [this] { CloseWithOK(); });
  connect(cancel_, &QPushButton::clicked, this, [this] { CloseWithCancel(); });
  connect(options_, &QPushButton::clicked, this, [this] {
    if (working_ && working_->EditOptions()) modified_ = true;
  });
  connect(preview_, &QPushButton::clicked, this, [this] {
    modified_ = true;
    previewChosen_ = true;
    CloseWithOK();
  });
  connect(print_, &QPushButton::clicked, this, [this] {
    modified_ = true;
    printChosen_ = true;
    CloseWithOK();
  });
  root->addWidget(buttonPanel_);
}

// ---------------------------------------------------------------------------
// Preparing

void TdxfmPageSetupDialog::Initialize(TdxPageSetupDlgData& data) {
  data_ = &data;
  source_ = data.PrintStyle;
  manager_ = source_ ? source_->StyleManager() : nullptr;
  TdxClass cls = source_ ? source_->ClassType() : TdxPSPrintStyle::StaticClass();
  if (!cls->CanCreate()) cls = TdxPSPrintStyle::StaticClass();
  working_ = dxCreateObject<TBasedxPrintStyle>(cls);
  if (source_) working_->Assign(*source_);

  setWindowTitle(ToQ(data.Caption));
  helpContext_ = data.HelpContext;
  onShow_ = data.OnShow;
  onClose_ = data.OnClose;
  onCustomDrawPreview_ = data.OnCustomDrawPreview;

  options_->setEnabled(data.ButtonsEnabled & dxBit(psbStyleOptions));
  preview_->setEnabled(data.ButtonsEnabled & dxBit(psbPreview));
  print_->setEnabled(data.ButtonsEnabled & dxBit(psbPrint));
  options_->setVisible(data.ButtonsVisible & dxBit(psbStyleOptions));
  preview_->setVisible(data.ButtonsVisible & dxBit(psbPreview));
  print_->setVisible(data.ButtonsVisible & dxBit(psbPrint));

  ApplyOptions();
  ApplyPermissions();
  if (OptionVisible(psoHFFunctions)) BuildFunctionToolBar();

  const std::string unit = UnitText();
  for (TdxPSSpinEdit* box : {paperWidth_, paperHeight_}) box->SetLegendText(unit);
  for (TdxPSSpinEdit* box : marginBoxes_) box->SetLegendText(unit);
  LoadPaperSizeBoxes();

  int first = std::clamp(data.ActivePageIndex, 0, 3);
  if (!TabVisible(TdxPageSetupTab(first))) first = pstPage;
  tabReverting_ = true;
  tabs_->setCurrentIndex(first);
  tabReverting_ = false;
  currentTab_ = first;

  if (source_ && source_->IsCloning()) modified_ = true;
  PlaceButtons();
  adjustSize();
}

bool TdxfmPageSetupDialog::TabVisible(TdxPageSetupTab tab) const { return tabs_->isTabVisible(int(tab)); }

void TdxfmPageSetupDialog::ApplyOptions() {
  const bool marginsGroup = OptionVisible(psoMargins);
  centerGroup_->setVisible(OptionVisible(psoCenterOnPage));
  marginsGroup_->setVisible(marginsGroup);
  distancePanel_->setVisible(marginsGroup && OptionVisible(psoHFMargins));
  orderGroup_->setVisible(OptionVisible(psoPageOrder));
  shadingGroup_->setVisible(OptionVisible(psoShading));
  stylePanel_->setVisible(OptionVisible(psoStyleCaption));
  functionsGroup_->setVisible(OptionVisible(psoHFFunctions));
  alignmentGroup_->setVisible(OptionVisible(psoHFVertAlignment));
  reverse_->setVisible(OptionVisible(psoHFReverse));
  const bool fontRow = OptionVisible(psoHFFont) || OptionVisible(psoHFBackground);
  for (int f = 0; f < 2; ++f) {
    fontButtons_[f]->setVisible(OptionVisible(psoHFFont));
    fontBoxes_[f]->setVisible(OptionVisible(psoHFFont));
    backgroundButtons_[f]->setVisible(OptionVisible(psoHFBackground));
    hfFontRows_[f]->setVisible(fontRow);
    hfTextRows_[f]->setVisible(OptionVisible(psoHFText));
    hfPanels_[f]->setVisible(fontRow || OptionVisible(psoHFText));
    for (int part = 1; part < 3; ++part)
      textBoxes_[f * 3 + part]->setVisible(data_ && data_->HFMode == hfmThreeSections);
  }
  const bool toolRow = OptionVisible(psoHFFunctions) || OptionVisible(psoHFVertAlignment);
  toolRow_->setVisible(toolRow);

  tabs_->setTabVisible(pstMargins, marginsGroup || OptionVisible(psoCenterOnPage));
  const bool panels = fontRow || OptionVisible(psoHFText);
  tabs_->setTabVisible(pstHeaderFooter, panels || toolRow || OptionVisible(psoHFReverse));
  tabs_->setTabVisible(pstScaling, working_ && working_->AllowChangeScale);

  centerH_->setEnabled(OptionEnabled(psoCenterOnPage));
  centerV_->setEnabled(OptionEnabled(psoCenterOnPage));
  overThenDown_->setEnabled(OptionEnabled(psoPageOrder));
  downThenOver_->setEnabled(OptionEnabled(psoPageOrder));
  orderPicture_->setEnabled(OptionEnabled(psoPageOrder));
  grayShading_->setEnabled(OptionEnabled(psoShading));
  for (int f = 0; f < 2; ++f) {
    backgroundButtons_[f]->setEnabled(OptionEnabled(psoHFBackground));
    fontButtons_[f]->setEnabled(OptionEnabled(psoHFFont));
  }
  reverse_->setEnabled(OptionEnabled(psoHFReverse));
}

bool TdxfmPageSetupDialog::MarginsEditable() const {
  return working_ && working_->AllowChangeMargins && OptionEnabled(psoMargins);
}

bool TdxfmPageSetupDialog::DistancesEditable() const { return MarginsEditable() && OptionEnabled(psoHFMargins); }

bool TdxfmPageSetupDialog::TextsEditable() const {
  return working_ && working_->AllowChangeHFText && OptionEnabled(psoHFText);
}

void TdxfmPageSetupDialog::SetBoxReadOnly(QWidget* box, bool readOnly) {
  if (auto* line = qobject_cast<QLineEdit*>(box)) line->setReadOnly(readOnly);
  if (auto* text = qobject_cast<QPlainTextEdit*>(box)) text->setReadOnly(readOnly);
  QPalette pal = box->palette();
  pal.setColor(QPalette::Base, ColorToQColor(readOnly ? clBtnFace : clWindow));
  box->setPalette(pal);
  box->setFocusPolicy(readOnly ? Qt::ClickFocus : Qt::StrongFocus);
}

void TdxfmPageSetupDialog::ApplyPermissions() {
  TBasedxPrintStyle& s = *working_;
  paperList_->setEnabled(s.AllowChangePaper);
  portrait_->setEnabled(s.AllowChangeOrientation);
  landscape_->setEnabled(s.AllowChangeOrientation);
  for (int i = mbTop; i <= mbRight; ++i) SetBoxReadOnly(marginBoxes_[i], !MarginsEditable());
  for (int i = mbHeader; i <= mbFooter; ++i) SetBoxReadOnly(marginBoxes_[i], !DistancesEditable());
  for (QPlainTextEdit* box : textBoxes_) SetBoxReadOnly(box, !TextsEditable());
  SetBoxReadOnly(paperWidth_, !s.AllowCustomPaperSizes);
  SetBoxReadOnly(paperHeight_, !s.AllowCustomPaperSizes);
  SetBoxReadOnly(styleName_, !source_ || source_->BuiltIn());
  sample_->SetOptionsBehavior(MarginsEditable() ? dxBit(pobAllowDragMargins) : 0u);
  UpdateSampleLineStates();
}

void TdxfmPageSetupDialog::BuildFunctionToolBar() {
  TdxHFToolBarParams params;
  params.Centered = true;
  params.AvailableWidth = kWindowWidth - 16 - 24 - 140;  // the group beside the alignment buttons
  params.OnFunctionClick = [this](int index) { InsertFunction(index); };
  params.WithAutoTextButton = manager_ != nullptr && OptionVisible(psoHFAutoText);
  if (params.WithAutoTextButton) {
    params.AvailableWidth = kWindowWidth - 16;
    params.AutoTextEntries = &manager_->AutoHFTextEntries();
    params.OnAutoTextClick = [this](int index) { InsertAutoText(index); };
  }
  BuildHFToolBar(*functionBar_, *GetHFFunctionLibrary(), params);
  functionBar_->setEnabled(OptionEnabled(psoHFFunctions));
}

void TdxfmPageSetupDialog::PlaceButtons() {
  const int y = (kButtonPanelHeight - kButtonHeight) / 2;
  const int w = kWindowWidth;
  const int slot0 = w - 8 - kButtonWidth, slot1 = slot0 - kButtonWidth - 6, slot2 = slot1 - kButtonWidth - 6;
  const bool help = helpContext_ != 0;
  help_->setVisible(help);
  ok_->setGeometry(help ? slot2 : slot1, y, kButtonWidth, kButtonHeight);
  cancel_->setGeometry(help ? slot1 : slot0, y, kButtonWidth, kButtonHeight);
  help_->setGeometry(slot0, y, kButtonWidth, kButtonHeight);
  const int left0 = 8, left1 = left0 + kWideButtonWidth + 4, left2 = left1 + kWideButtonWidth + 4;
  options_->setGeometry(left0, y, kWideButtonWidth, kButtonHeight);
  print_->setGeometry(left1, y, kWideButtonWidth, kButtonHeight);
  const bool previewTakesPrintPlace = print_->isHidden() && !preview_->isHidden();
  preview_->setGeometry(previewTakesPrintPlace ? left1 : left2, y, kWideButtonWidth, kButtonHeight);
}

// ---------------------------------------------------------------------------
// Units

bool TdxfmPageSetupDialog::Inches() const { return working_->PrinterPage().StoredUnits() == muInches; }

std::string TdxfmPageSetupDialog::UnitText() const { return Inches() ? "\"" : "mm"; }

int TdxfmPageSetupDialog::FromBox(double value) {
  const double v = std::round(value * 1000);
  if (v >= 2147483647.0) return 2147483647;
  if (v <= -2147483648.0) return -2147483647 - 1;
  return int(v);
}

int TdxfmPageSetupDialog::BoxToLoMetric(double value) const {
  return Inches() ? MulDiv(FromBox(value), kLoMetricPerInch, 1000) : FromBox(value) / 100;
}

double TdxfmPageSetupDialog::LoMetricToBox(int tenths) const { return Inches() ? tenths / 254.0 : tenths / 10.0; }

int TdxfmPageSetupDialog::BoxUnits(TdxMarginBox box) const { return FromBox(marginBoxes_[box]->Value()); }

void TdxfmPageSetupDialog::SetBoxLimits(TdxPSSpinEdit* box, double minValue, double maxValue) {
  box->SetCheckBounds(false);
  box->SetMinValue(minValue);
  box->SetMaxValue(std::max(minValue, maxValue));
  box->SetCheckBounds(true);
}

// ---------------------------------------------------------------------------
// Loading

void TdxfmPageSetupDialog::LoadValues() {
  TdxPrinterPage& page = WorkingPage();
  loading_ = true;
  FillPapers();
  FillBins();
  UpdateBackgroundPictures();
  styleName_->setText(source_ ? ToQ(source_->StyleCaption()).left(kMaxStyleCaption) : QString());
  styleName_->setModified(false);
  grayShading_->setChecked(page.GrayShading());
  SetToolBarsEnabled(false);

  RecalcMarginLimits();
  LoadMarginBoxes();
  LoadSamplePages();
  portrait_->setChecked(page.Orientation() == poPortrait);
  landscape_->setChecked(page.Orientation() == poLandscape);

  centerH_->setChecked(page.CenterOnPageH());
  centerV_->setChecked(page.CenterOnPageV());
  overThenDown_->setChecked(page.PageOrder() == poOverThenDown);
  downThenOver_->setChecked(page.PageOrder() == poDownThenOver);
  static_cast<OrderPicture*>(orderPicture_)->SetOrder(page.PageOrder());
  for (int i = 0; i < 6; ++i) {
    const auto box = TdxHFSectionBox(i);
    const TdxStrings& lines = SectionObject(box).Title(SectionPart(box));
    QStringList list;
    for (const std::string& line : lines) list << ToQ(line);
    textBoxes_[i]->setPlainText(list.join('\n'));
    textBoxes_[i]->document()->setModified(false);
  }
  UpdateFontDescription(false);
  UpdateFontDescription(true);
  adjustTo_->setChecked(page.ScaleMode() == smAdjust);
  fitTo_->setChecked(page.ScaleMode() == smFit);
  scaleFactor_->SetValue(page.ScaleFactor());
  fitWide_->SetValue(page.FitToPagesByWide());
  fitTall_->SetValue(page.FitToPagesByTall());
  reverse_->setChecked(page.ReverseTitlesOnEvenPages());
  PlaceButtons();
  loading_ = false;
  UpdateMarginStates(true);

  if (manager_ && !stylePanel_->isHidden() && !styleName_->isReadOnly())
    styleName_->setFocus();
  else if (currentTab_ == pstPage)
    paperList_->setFocus();
  else if (currentTab_ == pstMargins && !marginBoxes_[mbTop]->isReadOnly())
    marginBoxes_[mbTop]->setFocus();
}

// ---- Style name ----

void TdxfmPageSetupDialog::StyleNameLeft() {
  if (finished_ || !working_ || styleName_->isReadOnly()) return;
  working_->SetStyleCaption(FromQ(styleName_->text()));
  if (manager_ && manager_->PageSetupDialog)
    setWindowTitle(ToQ(manager_->PageSetupDialog->DialogCaption(*working_)));
  else
    setWindowTitle(ToQ(std::string(Title) + ": " + working_->StyleCaption()));
}

// ---------------------------------------------------------------------------
// Running and closing

bool TdxfmPageSetupDialog::Execute() {
  if (!RunModal()) return false;
  // A run that ended without an answer cancels.
  if (!finished_) FinishClose(false);
  hide();
  if (data_) {
    data_->PreviewBtnClicked = accepted_ && previewChosen_;
    data_->PrintBtnClicked = accepted_ && printChosen_;
  }
  return accepted_;
}

void TdxfmPageSetupDialog::FinishClose(bool ok) {
  finished_ = true;
  accepted_ = ok;
  if (!ok) previewChosen_ = printChosen_ = false;
  EndRun();
}

void TdxfmPageSetupDialog::CloseWithCancel() {
  if (finished_) return;
  if (sample_->DraggingMargin()) return;
  FinishClose(false);
}

void TdxfmPageSetupDialog::DeliverFocusedSpinExit() {
  // A value typed into the focused box counts before anything is checked.
  auto* box = dynamic_cast<TdxPSSpinEdit*>(QApplication::focusWidget());
  if (!box || !isAncestorOf(box)) return;
  box->SetValue(box->Value());
  if (box->OnExit) box->OnExit(*box);
}

void TdxfmPageSetupDialog::StoreFocusedText() {
  if (activeText_) StoreText(*activeText_);
}

int TdxfmPageSetupDialog::TabOf(QWidget* control) const {
  for (int i = 0; i < 4; ++i)
    if (sheets_[i]->isAncestorOf(control)) return i;
  return -1;
}

void TdxfmPageSetupDialog::ShowControl(QWidget* control) {
  const int tab = TabOf(control);
  if (tab >= 0 && tab != tabs_->currentIndex()) {
    tabReverting_ = true;
    tabs_->setCurrentIndex(tab);
    tabReverting_ = false;
    currentTab_ = tab;
  }
  control->setFocus();
}

bool TdxfmPageSetupDialog::CloseWithOK() {
  if (finished_) return true;
  if (sample_->DraggingMargin()) return false;
  DeliverFocusedSpinExit();
  StoreFocusedText();
  QWidget* refused = nullptr;
  if (manager_ && !styleName_->isReadOnly()) {
    const QString name = styleName_->text();
    for (int i = 0; i < manager_->Count(); ++i) {
      TBasedxPrintStyle* other = manager_->Styles(i);
      if (!other || other == source_) continue;
      if (ToQ(other->StyleCaption()).compare(name, Qt::CaseInsensitive) == 0) {
        MessageWarning(Format(DuplicateStyleName, FromQ(name).c_str()));
        refused = styleName_;
        break;
      }
    }
  }
  if (!refused) {
    bool fixedPrintable = false;
    if (FirstOutsideMargin()) {
      dxPSBeep();
      if (AskWarning(pswOutsidePrintableArea, OutsidePrintableArea, {dxPSPageSetupTexts::Fix, dxPSPageSetupTexts::Ignore}, this) == 0) {
        FixPrintableArea();
        fixedPrintable = true;
      }
    }
    if (!fixedPrintable && FirstInvalidMargin()) {
      dxPSBeep();
      AskInvalidMargins();
    }
  }
  if (refused) {
    previewChosen_ = printChosen_ = false;
    ShowControl(refused);
    return false;
  }
  WriteBack();
  FinishClose(true);
  return true;
}

void TdxfmPageSetupDialog::WriteBack() {
  if (!styleName_->isReadOnly() && styleName_->isModified())
    working_->SetStyleCaption(FromQ(styleName_->text()));
  WriteMarginsToPage();
}

void TdxfmPageSetupDialog::TabChanged(int index) {
  if (tabReverting_ || finished_) return;
  if (currentTab_ == pstMargins && index != pstMargins && working_) {
    if (const std::optional<TdxMarginBox> bad = FirstInvalidMargin()) {
      dxPSBeep();
      AskInvalidMargins();
      tabReverting_ = true;
      tabs_->setCurrentIndex(pstMargins);
      tabReverting_ = false;
      marginBoxes_[*bad]->setFocus();
      return;
    }
  }
  currentTab_ = index;
}

// ---------------------------------------------------------------------------
// Events

void TdxfmPageSetupDialog::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Escape && e->modifiers() == Qt::NoModifier) {
    CloseWithCancel();
    return;
  }
  if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) &&
      !qobject_cast<QPlainTextEdit*>(QApplication::focusWidget())) {
    CloseWithOK();
    return;
  }
  TCustomdxPSForm::keyPressEvent(e);
}

void TdxfmPageSetupDialog::closeEvent(QCloseEvent* e) {
  if (!finished_) {
    if (sample_->DraggingMargin()) {
      e->ignore();
      return;
    }
    CloseWithCancel();
  }
  e->accept();
}

void TdxfmPageSetupDialog::showEvent(QShowEvent* e) {
  TCustomdxPSForm::showEvent(e);
  if (onShow_) onShow_();
}

void TdxfmPageSetupDialog::hideEvent(QHideEvent* e) {
  TCustomdxPSForm::hideEvent(e);
  if (onClose_) onClose_();
}

void TdxfmPageSetupDialog::changeEvent(QEvent* e) {
  TCustomdxPSForm::changeEvent(e);
  if (e->type() == QEvent::PaletteChange && working_ && backgroundButtons_[0]) UpdateBackgroundPictures();
}

bool TdxfmPageSetupDialog::eventFilter(QObject* watched, QEvent* e) {
  for (int i = 0; i < 6; ++i) {
    if (watched != textBoxes_[i]) continue;
    if (e->type() == QEvent::FocusIn) TextBoxEntered(TdxHFSectionBox(i));
    if (e->type() == QEvent::FocusOut) TextBoxLeft(TdxHFSectionBox(i));
    if (e->type() == QEvent::KeyPress) {
      auto* key = static_cast<QKeyEvent*>(e);
      if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
        CloseWithCancel();
        return true;
      }
    }
    return false;
  }
  if (e->type() == QEvent::MouseButtonDblClick && (watched == portrait_ || watched == landscape_)) {
    if (static_cast<QWidget*>(watched)->isEnabled()) CloseWithOK();
    return true;
  }
  if (e->type() == QEvent::MouseButtonDblClick && watched == orderPicture_) {
    if (orderPicture_->isEnabled()) (overThenDown_->isChecked() ? downThenOver_ : overThenDown_)->setChecked(true);
    return true;
  }
  if (e->type() == QEvent::MouseButtonPress) {
    if (watched == paperSourceLabel_ && paperSource_->isEnabled()) {
      paperSource_->setFocus();
      paperSource_->showPopup();
      return true;
    }
    for (int i = 0; i < 6; ++i) {
      if (watched == marginLabels_[i] && marginBoxes_[i]->isEnabled()) {
        marginBoxes_[i]->setFocus();
        return true;
      }
    }
  }
  return TCustomdxPSForm::eventFilter(watched, e);
}

// ---------------------------------------------------------------------------
// Entry points

bool dxPSPrintStylePageSetup(TBasedxPrintStyle& style, int activePageIndex, bool* previewChosen, bool* printChosen) {
  TdxPrintStyleManager* manager = style.StyleManager();
  TdxPageSetupDialog* dialog = manager ? manager->PageSetupDialog : nullptr;
  std::unique_ptr<TdxPageSetupDialog> temporary;
  if (!dialog) {
    temporary = std::make_unique<TdxPageSetupDialog>();
    dialog = temporary.get();
  }
  // The component's own settings come back afterwards: one run without the
  // follow-ups must not hide them for the next.
  TBasedxPrintStyle* savedStyle = dialog->PrintStyle();
  const int savedPage = dialog->ActivePageIndex;
  const TdxPageSetupDlgButtons savedButtons = dialog->ButtonsVisible;
  const TdxPageSetupDlgOptions savedOptions = dialog->OptionsVisible;
  auto restore = [&] {
    dialog->SetPrintStyle(savedStyle);
    dialog->ActivePageIndex = savedPage;
    dialog->ButtonsVisible = savedButtons;
    dialog->OptionsVisible = savedOptions;
  };
  dialog->SetPrintStyle(&style);
  dialog->ActivePageIndex = activePageIndex;
  if (!previewChosen) dialog->ButtonsVisible &= ~dxBit(psbPreview);
  if (!printChosen) dialog->ButtonsVisible &= ~dxBit(psbPrint);
  if (!manager) dialog->OptionsVisible &= ~dxBit(psoStyleCaption);
  ScopeExit restoreSettings(restore);
  const bool result = dialog->Execute();
  if (previewChosen) *previewChosen = dialog->PreviewBtnClicked();
  if (printChosen) *printChosen = dialog->PrintBtnClicked();
  return result;
}

bool dxPSReportLinkPageSetup(TBasedxReportLink& link, int activePageIndex, bool* previewChosen, bool* printChosen) {
  TBasedxPrintStyle* style = nullptr;
  if (TdxPrintStyleManager* manager = link.StyleManager()) style = manager->CurrentStyle();
  std::unique_ptr<TdxPSPrintStyle> temporary;
  bool pageChanged = false;
  if (!style) {
    temporary = std::make_unique<TdxPSPrintStyle>();
    temporary->SetPrinterPage(link.PrinterPage());
    temporary->PrinterPage().OnPageParamsChanged = [&pageChanged](TdxPrinterPage&, TdxPageUpdateCodes) {
      pageChanged = true;
    };
    temporary->PrinterPage().OnPageObjectChanged = [&pageChanged](TdxPrinterPage&) { pageChanged = true; };
    style = temporary.get();
  }
  const bool hasData = link.DataProviderPresent();
  bool preview = false, print = false;
  const bool done = style->PageSetup(activePageIndex, previewChosen && hasData ? &preview : nullptr,
                                     printChosen && hasData ? &print : nullptr);
  if (temporary) {
    temporary->PrinterPage().OnPageParamsChanged = nullptr;
    temporary->PrinterPage().OnPageObjectChanged = nullptr;
    // The link re-paginates through its page's notifications.
    if (done && pageChanged) link.SetPrinterPage(temporary->PrinterPage());
  }
  if (previewChosen) *previewChosen = preview;
  if (printChosen) *printChosen = print;
  return done;
}

void dxPSRegisterPageSetupDialog() {
  dxPSPrintStyleDialogs().PageSetup = &dxPSPrintStylePageSetup;
  dxPSSetPageSetupDialog(&dxPSReportLinkPageSetup);
  dxPSPreviewWindowDialogs().PageSetup = true;
}

void dxPSUnregisterPageSetupDialog() {
  dxPSPrintStyleDialogs().PageSetup = nullptr;
  dxPSSetPageSetupDialog(nullptr);
  dxPSPreviewWindowDialogs().PageSetup = false;
}
