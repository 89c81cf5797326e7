// The page setup dialog: edits the printer page of a print style on four tabs
// (page, margins, header and footer, scaling).
//
//   TdxPageSetupDialog    the component: which tabs, groups and buttons are
//                         shown and enabled, the caption, the style to edit;
//                         Execute runs the window
//   TdxfmPageSetupDialog  the window: edits a working copy of the style; the
//                         copy goes back to the style only when the window
//                         is left with OK after a change
//
// Lengths are shown as page units / 1000 (inches or millimetres with two
// decimals). The sample page of the Margins tab and the orientation picture
// are preview controls.
//
// Start-up: dxPSRegisterPageSetupDialog() installs the dialog as the page
// setup of print styles and of report links (a link without a style manager
// is edited through a temporary style around its own page).
#pragma once

#include <QMessageBox>
#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/PrintStyles.h"
#include "engine/EngineWindow.h"
#include "platform/EnumBits.h"

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QToolBar;
class QToolButton;
class TdxPSSpinEdit;
class TdxPSWarningPane;
class TdxPreview;

namespace dxPSPageSetupTexts {
inline constexpr const char* Title = "Page Setup";
inline constexpr const char* TabPage = "&Page";
inline constexpr const char* TabMargins = "&Margins";
inline constexpr const char* TabHeaderFooter = "&Header\\Footer";
inline constexpr const char* TabScaling = "&Scaling";
inline constexpr const char* StyleName = "Style &Name:";
inline constexpr const char* Options = "&Options...";
inline constexpr const char* PrintPreview = "Print Pre&view...";
inline constexpr const char* Print = "Print...";
inline constexpr const char* OK = "OK";
inline constexpr const char* Cancel = "Cancel";
inline constexpr const char* Help = "&Help";
// Page tab.
inline constexpr const char* Paper = " Paper ";
inline constexpr const char* PaperType = "T&ype:";
inline constexpr const char* PaperWidth = "&Width:";
inline constexpr const char* PaperHeight = "H&eight:";
inline constexpr const char* PaperSource = "Paper so&urce";
inline constexpr const char* Orientation = " Orientation ";
inline constexpr const char* Portrait = "P&ortrait";
inline constexpr const char* Landscape = "&Landscape";
inline constexpr const char* PrintOrder = " Print Order ";
inline constexpr const char* OverThenDown = "O&ver, then down";
inline constexpr const char* DownThenOver = "&Down, then over";
inline constexpr const char* Shading = " Shading ";
inline constexpr const char* PrintUsingGrayShading = "Print using &gray shading";
// Margins tab.
inline constexpr const char* Margins = " Margins ";
inline constexpr const char* MarginTop = "&Top:";
inline constexpr const char* MarginBottom = "&Bottom:";
inline constexpr const char* MarginLeft = "&Left:";
inline constexpr const char* MarginRight = "&Right:";
inline constexpr const char* MarginHeader = "Hea&der:";
inline constexpr const char* MarginFooter = "Foo&ter:";
inline constexpr const char* CenterOnPage = "Center on page";
inline constexpr const char* Horizontally = "Hori&zontally";
inline constexpr const char* Vertically = "&Vertically";
inline constexpr const char* Fix = "&Fix";
inline constexpr const char* RestoreOriginal = "Restore &Original";
inline constexpr const char* Close = "Close";
inline constexpr const char* Ignore = "&Ignore";
inline constexpr const char* InvalidMargins = "One or more margins has invalid values";
inline constexpr const char* OutsideMargins = "One or more margins are set outside the printable area of the page";
// Header\Footer tab.
inline constexpr const char* Header = " Header ";
inline constexpr const char* Footer = " Footer ";
inline constexpr const char* HeaderFont = "&Font...";
inline constexpr const char* FooterFont = "Fo&nt...";
inline constexpr const char* HeaderBackground = "&Background";
inline constexpr const char* FooterBackground = "Back&ground";
inline constexpr const char* VerticalAlignment = " Vertical Alignment ";
inline constexpr const char* PredefinedFunctions = " Predefined Functions ";
inline constexpr const char* ReverseOnEvenPages = "&Reverse on even pages";
inline constexpr const char* NoFill = "&No Fill";
inline constexpr const char* Picture = "P&icture";
inline constexpr const char* AlignTop = "Top";
inline constexpr const char* AlignCenter = "Center";
inline constexpr const char* AlignBottom = "Bottom";
// Scaling tab.
inline constexpr const char* Scaling = " Scaling ";
inline constexpr const char* AdjustTo = "&Adjust To:";
inline constexpr const char* NormalSize = "% normal size";
inline constexpr const char* FitTo = "&Fit To:";
inline constexpr const char* PagesWideBy = "page(s) &wide by";
inline constexpr const char* Tall = "&tall";
// Messages.
inline constexpr const char* DuplicateStyleName = "The style name \"%s\" already exists. Please supply another name.";
inline constexpr const char* OutsidePrintableArea =
    "One or more margins are set outside the printable area of the page.\n"
    "Choose the Fix button to increase the appropriate margins.";
inline constexpr const char* InvalidMarginValues =
    "One or more margins are set to the invalid values.\n"
    "Choose the Fix button to correct this problem.\n"
    "Choose the Restore button to restore original values.";
}  // namespace dxPSPageSetupTexts

// ---- Option sets -------------------------------------------------------------------

enum TdxPageSetupDlgButton { psbHelp, psbStyleOptions, psbPreview, psbPrint };
using TdxPageSetupDlgButtons = unsigned;  // bit n = button n
inline constexpr TdxPageSetupDlgButtons dxDefaultPageSetupDlgButtons =
    dxBit(psbStyleOptions) | dxBit(psbPreview) | dxBit(psbPrint);

enum TdxPageSetupDlgOption {
  psoCenterOnPage,
  psoMargins,
  psoPageOrder,
  psoShading,
  psoStyleCaption,
  psoHFAutoText,
  psoHFBackground,
  psoHFFont,
  psoHFText,
  psoHFFunctions,
  psoHFMargins,
  psoHFReverse,
  psoHFVertAlignment
};
using TdxPageSetupDlgOptions = unsigned;  // bit n = option n
inline constexpr TdxPageSetupDlgOptions dxAllPageSetupDlgOptions = (1u << 13) - 1;

// One section: only the left text boxes of header and footer.
enum TdxHFMode { hfmOneSection, hfmThreeSections };

// Replaces the default drawing of the sample page's content: the page, the
// content between the margin lines and the header and footer bands, in
// pixels of the canvas.
using TdxCustomDrawPreviewEvent =
    std::function<void(TBasedxPrintStyle& style, TCanvas& canvas, const TRect& pageRect, const TRect& contentRect,
                       const TRect& headerRect, const TRect& footerRect)>;

class TdxPageSetupDialog;

// What the component hands to the window; the window writes the two choices
// back.
struct TdxPageSetupDlgData {
  TBasedxPrintStyle* PrintStyle = nullptr;
  int ActivePageIndex = 0;
  std::string Caption;
  int HelpContext = 0;
  TdxHFMode HFMode = hfmThreeSections;
  TdxPageSetupDlgButtons ButtonsEnabled = dxDefaultPageSetupDlgButtons;
  TdxPageSetupDlgButtons ButtonsVisible = dxDefaultPageSetupDlgButtons;
  TdxPageSetupDlgOptions OptionsEnabled = dxAllPageSetupDlgOptions;
  TdxPageSetupDlgOptions OptionsVisible = dxAllPageSetupDlgOptions;
  std::function<void()> OnClose;
  TdxCustomDrawPreviewEvent OnCustomDrawPreview;
  std::function<void()> OnShow;
  bool PreviewBtnClicked = false;
  bool PrintBtnClicked = false;
};

// ---- The component ------------------------------------------------------------------

class TdxPageSetupDialog : public QObject, public TdxObject {
  DX_CLASS(TdxPageSetupDialog, TdxObject)

 public:
  explicit TdxPageSetupDialog(QObject* owner = nullptr);
  ~TdxPageSetupDialog() override;
  TdxPageSetupDialog(const TdxPageSetupDialog&) = delete;
  TdxPageSetupDialog& operator=(const TdxPageSetupDialog&) = delete;

  // ---- Published properties ----
  int ActivePageIndex = 0;
  TdxPageSetupDlgButtons ButtonsEnabled = dxDefaultPageSetupDlgButtons;
  TdxPageSetupDlgButtons ButtonsVisible = dxDefaultPageSetupDlgButtons;
  TdxHFMode HFMode = hfmThreeSections;
  int HelpContext = 0;
  TdxPageSetupDlgOptions OptionsEnabled = dxAllPageSetupDlgOptions;
  TdxPageSetupDlgOptions OptionsVisible = dxAllPageSetupDlgOptions;
  // The style to edit; forgotten when it is destroyed.
  TBasedxPrintStyle* PrintStyle() const { return printStyle_; }
  void SetPrintStyle(TBasedxPrintStyle* style) { printStyle_ = style; }
  std::string Title = dxPSPageSetupTexts::Title;
  bool IsTitleStored() const { return Title != dxPSPageSetupTexts::Title; }

  std::function<void(TdxPageSetupDialog& sender)> OnClose;
  TdxCustomDrawPreviewEvent OnCustomDrawPreview;
  std::function<void(TdxPageSetupDialog& sender)> OnShow;

  // Runs the window for PrintStyle (false at once without one); answers
  // whether it was left with OK.
  bool Execute();
  // The choices of the last run.
  bool PreviewBtnClicked() const { return previewBtnClicked_; }
  bool PrintBtnClicked() const { return printBtnClicked_; }

  // Title, and with a style manager ": " and the style's caption (a colon
  // that ends up second to last is removed).
  std::string DialogCaption(const TBasedxPrintStyle& style) const;

 private:
  QPointer<TBasedxPrintStyle> printStyle_;
  bool previewBtnClicked_ = false;
  bool printBtnClicked_ = false;
};

// ---- The window ----------------------------------------------------------------------

enum TdxMarginBox { mbTop, mbBottom, mbLeft, mbRight, mbHeader, mbFooter };
enum TdxPageSetupTab { pstPage, pstMargins, pstHeaderFooter, pstScaling };
enum TdxHFSectionBox { hfbHeaderLeft, hfbHeaderCenter, hfbHeaderRight, hfbFooterLeft, hfbFooterCenter, hfbFooterRight };

class TdxfmPageSetupDialog : public TCustomdxPSForm {
 public:
  explicit TdxfmPageSetupDialog(QWidget* parent = nullptr);
  ~TdxfmPageSetupDialog() override;

  std::string FormClassName() const override { return "TdxfmPageSetupDialog"; }
  bool Sizeable() const override { return false; }

  // Prepares the window from the record (working copy, caption, buttons,
  // options, permissions, tool bar, limits, first tab).
  void Initialize(TdxPageSetupDlgData& data);
  // Puts the working copy's values into the controls.
  void LoadValues();
  // Shows the window modally; true when it was left with OK. The choices go
  // back into the record.
  bool Execute();

  // ---- State ----
  TBasedxPrintStyle& WorkingStyle() { return *working_; }
  TdxPrinterPage& WorkingPage() { return working_->PrinterPage(); }
  TBasedxPrintStyle* SourceStyle() const { return source_; }
  bool Modified() const { return modified_; }
  bool MarginsEdited() const { return marginsEdited_; }
  bool MarginsInvalid() const { return invalid_; }
  bool MarginsOutside() const { return outside_; }
  bool PreviewChosen() const { return previewChosen_; }
  bool PrintChosen() const { return printChosen_; }
  // Shown and not yet closed.
  bool Running() const { return IsInRun() && !finished_; }

  // ---- Controls ----
  QTabWidget* Tabs() const { return tabs_; }
  QWidget* TabSheet(TdxPageSetupTab tab) const { return sheets_[tab]; }
  bool TabVisible(TdxPageSetupTab tab) const;
  QWidget* StyleCaptionPanel() const { return stylePanel_; }
  QLineEdit* StyleNameBox() const { return styleName_; }
  QPushButton* OKButton() const { return ok_; }
  QPushButton* CancelButton() const { return cancel_; }
  QPushButton* HelpButton() const { return help_; }
  QPushButton* OptionsButton() const { return options_; }
  QPushButton* PreviewButton() const { return preview_; }
  QPushButton* PrintButton() const { return print_; }
  // Page tab.
  QListWidget* PaperList() const { return paperList_; }
  TdxPSSpinEdit* PaperWidthBox() const { return paperWidth_; }
  TdxPSSpinEdit* PaperHeightBox() const { return paperHeight_; }
  QComboBox* PaperSourceBox() const { return paperSource_; }
  QLabel* PaperSourceLabel() const { return paperSourceLabel_; }
  QRadioButton* PortraitButton() const { return portrait_; }
  QRadioButton* LandscapeButton() const { return landscape_; }
  TdxPreview* OrientationPreview() const { return orientationPreview_; }
  QGroupBox* PrintOrderGroup() const { return orderGroup_; }
  QRadioButton* OverThenDownButton() const { return overThenDown_; }
  QRadioButton* DownThenOverButton() const { return downThenOver_; }
  QWidget* PrintOrderPicture() const { return orderPicture_; }
  QGroupBox* ShadingGroup() const { return shadingGroup_; }
  QCheckBox* GrayShadingBox() const { return grayShading_; }
  // Margins tab.
  TdxPSSpinEdit* MarginBox(TdxMarginBox box) const { return marginBoxes_[box]; }
  QLabel* MarginLabel(TdxMarginBox box) const { return marginLabels_[box]; }
  QGroupBox* MarginsGroup() const { return marginsGroup_; }
  QWidget* DistancePanel() const { return distancePanel_; }
  TdxPSWarningPane* WarningPane() const { return warningPane_; }
  TdxPreview* SamplePreview() const { return sample_; }
  QPushButton* FixButton() const { return fix_; }
  QPushButton* RestoreButton() const { return restore_; }
  QGroupBox* CenterGroup() const { return centerGroup_; }
  QCheckBox* CenterHorizontallyBox() const { return centerH_; }
  QCheckBox* CenterVerticallyBox() const { return centerV_; }
  // Header\Footer tab.
  QPlainTextEdit* TextBox(TdxHFSectionBox box) const { return textBoxes_[box]; }
  QGroupBox* HeaderPanel() const { return hfPanels_[0]; }
  QGroupBox* FooterPanel() const { return hfPanels_[1]; }
  QPushButton* FontButton(bool footer) const { return fontButtons_[footer ? 1 : 0]; }
  QLineEdit* FontDescriptionBox(bool footer) const { return fontBoxes_[footer ? 1 : 0]; }
  QPushButton* BackgroundButton(bool footer) const { return backgroundButtons_[footer ? 1 : 0]; }
  QGroupBox* FunctionsGroup() const { return functionsGroup_; }
  QToolBar* FunctionToolBar() const { return functionBar_; }
  QGroupBox* AlignmentGroup() const { return alignmentGroup_; }
  QToolButton* AlignmentButton(TdxTextAlignY align) const;
  QCheckBox* ReverseBox() const { return reverse_; }
  // Scaling tab.
  QRadioButton* AdjustToButton() const { return adjustTo_; }
  QRadioButton* FitToButton() const { return fitTo_; }
  TdxPSSpinEdit* ScaleFactorBox() const { return scaleFactor_; }
  TdxPSSpinEdit* FitWideBox() const { return fitWide_; }
  TdxPSSpinEdit* FitTallBox() const { return fitTall_; }

  // ---- Operations the controls run ----
  // The margin check on the values shown: the first failing box, or none.
  std::optional<TdxMarginBox> FirstInvalidMargin() const;
  // The printable check: the first box below the printer's unprintable
  // offsets (header, footer, left, right), or none.
  std::optional<TdxMarginBox> FirstOutsideMargin() const;
  // The printer's unprintable offsets in the units shown (x, y); 0 without
  // printers.
  std::pair<double, double> PrintableOffsets() const;
  // "&Fix": the printable area when outside, else the values when invalid.
  void Fix();
  void FixPrintableArea();
  void FixValues();
  // "Restore &Original".
  void RestoreOriginal();
  // Closing with OK (the OK button, a double click on an orientation button,
  // "Print Preview..." and "Print..."); false when closing was refused.
  bool CloseWithOK();
  void CloseWithCancel();
  // The section box whose text is edited now (the last text box entered
  // while it has the focus), or none.
  std::optional<TdxHFSectionBox> ActiveTextBox() const { return activeText_; }
  // What the function tool bar's buttons and the auto-text menu do.
  void InsertFunction(int functionIndex);
  void InsertAutoText(int entryIndex);
  // The picture of a background button (95 pixels wide, the button's height
  // - 10 high).
  QImage BackgroundPicture(bool footer) const;
  // Paints the sample page's content for the page rectangle in pixels.
  void DrawSampleContent(TCanvas& canvas, const TRect& pageRect);

 protected:
  void keyPressEvent(QKeyEvent*) override;
  void closeEvent(QCloseEvent*) override;
  void showEvent(QShowEvent*) override;
  void hideEvent(QHideEvent*) override;
  void changeEvent(QEvent*) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void CreateControls();
  QWidget* CreatePageTab();
  QWidget* CreateMarginsTab();
  QWidget* CreateHeaderFooterTab();
  QWidget* CreateScalingTab();
  void PlaceButtons();
  void ApplyOptions();
  void ApplyPermissions();
  void BuildFunctionToolBar();
  void SetBoxReadOnly(QWidget* box, bool readOnly);
  bool OptionVisible(TdxPageSetupDlgOption o) const { return data_ && (data_->OptionsVisible & dxBit(o)); }
  bool OptionEnabled(TdxPageSetupDlgOption o) const { return data_ && (data_->OptionsEnabled & dxBit(o)); }
  bool MarginsEditable() const;
  bool DistancesEditable() const;
  bool TextsEditable() const;

  // Units and conversions.
  bool Inches() const;
  std::string UnitText() const;
  double ToBox(int pageUnits) const { return pageUnits / 1000.0; }
  static int FromBox(double value);
  int BoxToLoMetric(double value) const;
  double LoMetricToBox(int tenths) const;
  int BoxUnits(TdxMarginBox box) const;
  void SetBoxLimits(TdxPSSpinEdit* box, double minValue, double maxValue);

  // Page tab.
  void FillPapers();
  void FillBins();
  void ApplyPaper(int row);
  void SelectPaperOfPage();
  void PaperSizeChanged();
  void LoadPaperSizeBoxes();
  void OrientationClicked(TdxPrinterOrientation orientation);
  void LoadSamplePages();
  // Margins tab.
  void RecalcMarginLimits();
  void LoadMarginBoxes();
  void WriteMarginsToPage();
  void MarginBoxChanged();  // typed
  void MarginBoxLeft();     // left or spun
  void UpdateMarginStates(bool repaintAlways);
  void UpdateWarning();
  void UpdateMarginButtons();
  void SetSampleLines(int header, int top, int footer, int bottom, int left, int right);
  void SetSampleLinesFromBoxes();
  void SetBoxValue(TdxMarginBox box, double value);
  void UpdateSampleLineStates();
  bool AskInvalidMargins();  // the three-button box; true unless "Close" was chosen
  void SampleMarginDragged(int kind);
  // Header\Footer tab.
  TCustomdxPageObject& SectionObject(TdxHFSectionBox box);
  TdxPageTitlePart SectionPart(TdxHFSectionBox box) const { return TdxPageTitlePart(int(box) % 3); }
  void TextBoxEntered(TdxHFSectionBox box);
  void TextBoxLeft(TdxHFSectionBox box);
  void StoreText(TdxHFSectionBox box);
  void SetToolBarsEnabled(bool enabled);
  void PressAlignmentButton(TdxTextAlignY align);
  void AlignmentClicked(TdxTextAlignY align);
  void ReplaceSelection(TdxHFSectionBox box, const std::string& text);
  void ChooseFont(bool footer);
  void UpdateFontDescription(bool footer);
  void ChooseSectionBackground(bool footer);
  void UpdateBackgroundPictures();
  // Scaling tab.
  void SetScaleMode(TdxScaleMode mode, bool focus);
  // Style name.
  void StyleNameLeft();
  // Closing.
  void FinishClose(bool ok);
  void WriteBack();
  void DeliverFocusedSpinExit();
  void StoreFocusedText();
  void ShowControl(QWidget* control);
  int TabOf(QWidget* control) const;
  void TabChanged(int index);
  void SetModified() {
    if (!loading_) modified_ = true;
  }

  TdxPageSetupDlgData* data_ = nullptr;
  std::unique_ptr<TBasedxPrintStyle> working_;
  QPointer<TBasedxPrintStyle> source_;
  TdxPrintStyleManager* manager_ = nullptr;
  TdxCustomDrawPreviewEvent onCustomDrawPreview_;
  std::function<void()> onShow_, onClose_;
  int helpContext_ = 0;

  bool modified_ = false, marginsEdited_ = false, invalid_ = false, outside_ = false;
  bool loading_ = false, fixing_ = false, checking_ = false;
  bool previewChosen_ = false, printChosen_ = false;
  bool accepted_ = false, finished_ = false;
  bool tabReverting_ = false;
  int currentTab_ = 0;
  std::optional<TdxHFSectionBox> activeText_;
  std::vector<int> paperRows_;  // list row -> index into the device's papers
  std::vector<int> binRows_;    // combo row -> index into the device's bins

  // Controls.
  QWidget* stylePanel_ = nullptr;
  QLineEdit* styleName_ = nullptr;
  QTabWidget* tabs_ = nullptr;
  QWidget* sheets_[4] = {};
  QWidget* buttonPanel_ = nullptr;
  QPushButton *ok_ = nullptr, *cancel_ = nullptr, *help_ = nullptr;
  QPushButton *options_ = nullptr, *preview_ = nullptr, *print_ = nullptr;
  QListWidget* paperList_ = nullptr;
  TdxPSSpinEdit *paperWidth_ = nullptr, *paperHeight_ = nullptr;
  QComboBox* paperSource_ = nullptr;
  QLabel* paperSourceLabel_ = nullptr;
  QGroupBox* orientationGroup_ = nullptr;
  QRadioButton *portrait_ = nullptr, *landscape_ = nullptr;
  TdxPreview* orientationPreview_ = nullptr;
  QGroupBox* orderGroup_ = nullptr;
  QRadioButton *overThenDown_ = nullptr, *downThenOver_ = nullptr;
  QWidget* orderPicture_ = nullptr;
  QGroupBox* shadingGroup_ = nullptr;
  QCheckBox* grayShading_ = nullptr;
  TdxPSWarningPane* warningPane_ = nullptr;
  QGroupBox* marginsGroup_ = nullptr;
  QWidget* distancePanel_ = nullptr;
  TdxPSSpinEdit* marginBoxes_[6] = {};
  QLabel* marginLabels_[6] = {};
  TdxPreview* sample_ = nullptr;
  QPushButton *fix_ = nullptr, *restore_ = nullptr;
  QGroupBox* centerGroup_ = nullptr;
  QCheckBox *centerH_ = nullptr, *centerV_ = nullptr;
  QGroupBox* hfPanels_[2] = {};
  QWidget* hfFontRows_[2] = {};
  QWidget* hfTextRows_[2] = {};
  QPlainTextEdit* textBoxes_[6] = {};
  QPushButton* fontButtons_[2] = {};
  QLineEdit* fontBoxes_[2] = {};
  QPushButton* backgroundButtons_[2] = {};
  QWidget* toolRow_ = nullptr;
  QGroupBox* functionsGroup_ = nullptr;
  QToolBar* functionBar_ = nullptr;
  QGroupBox* alignmentGroup_ = nullptr;
  QToolButton* alignButtons_[3] = {};
  QCheckBox* reverse_ = nullptr;
  QRadioButton *adjustTo_ = nullptr, *fitTo_ = nullptr;
  TdxPSSpinEdit *scaleFactor_ = nullptr, *fitWide_ = nullptr, *fitTall_ = nullptr;
};

// ---- Entry points ----------------------------------------------------------------------

// The page setup of a style: the manager's dialog component when there is
// one, else a temporary one; the preview and print buttons are offered only
// when their result is asked for.
bool dxPSPrintStylePageSetup(TBasedxPrintStyle& style, int activePageIndex, bool* previewChosen, bool* printChosen);
// The page setup of a link: on the current style of its manager, or on a
// temporary style around the link's own page, which the link takes back when
// the dialog changed it. The follow-ups are offered only when the link has
// data.
bool dxPSReportLinkPageSetup(TBasedxReportLink& link, int activePageIndex, bool* previewChosen, bool* printChosen);
// Installs both (and tells the preview window); idempotent.
void dxPSRegisterPageSetupDialog();
void dxPSUnregisterPageSetupDialog();

// ---- Warnings -------------------------------------------------------------------------

// The two warning boxes of the margins (after a beep): the text and a button
// for each caption, in order ("&Ignore" is the box's own Ignore button). The
// answer is the index of the button chosen; the last one when the box was
// closed otherwise.
enum TdxPageSetupWarning { pswOutsidePrintableArea, pswInvalidMargins };
class TdxPageSetupWarningBox : public QMessageBox {
 public:
  TdxPageSetupWarningBox(TdxPageSetupWarning kind, const std::string& text, const std::vector<std::string>& captions,
                         QWidget* parent = nullptr);
  TdxPageSetupWarning Kind() const { return kind_; }
  const std::vector<std::string>& Captions() const { return captions_; }
  QAbstractButton* Button(int index) const { return buttons_.at(index); }
  int Answer() const;

 private:
  TdxPageSetupWarning kind_;
  std::vector<std::string> captions_;
  std::vector<QAbstractButton*> buttons_;
};

// The "&Font..." buttons use the engine's font dialog (dxPSExecuteFontDialog,
// dialogs/FormatDialogs.h).
