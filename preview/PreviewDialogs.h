// The small dialogs of the preview window:
//
//   TfmZoom         the zoom dialog: fixed percentages, fit modes and a typed
//                   percentage, with a picture of the pages in the preview
//                   window and a sample of 12-point text at the chosen zoom
//   TfmPageChooser  a borderless drop-down grid of page symbols in which the
//                   user drags out how many page columns and rows to show
//   TdxfmOptions    the preferences: margin lines and hints, unit, margin
//                   colour, zoom on mouse roll and zoom step
//
// Each one works on a copy of the settings, runs modally (the page chooser in
// a message loop of its own) and tells the caller whether the user confirmed
// a change. The entry points are ShowZoomDialog, ShowPageChooser and
// ShowPreferencesDialog; dxPSRegisterPreviewDialogs hands them to the preview
// window.
#pragma once

#include <QLabel>
#include <QPoint>
#include <QRect>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "editors/DialogControls.h"
#include "engine/EngineWindow.h"
#include "platform/Canvas.h"
#include "platform/Types.h"
#include "preview/PreviewControl.h"
#include "preview/PreviewWindow.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QPushButton;
class QRadioButton;
class QTabWidget;
class TBitmap;
class TCustomImageList;
class TdxPSColorCombo;
class TdxPSPaintPanel;
class TdxPSSpinEdit;

// ---- Texts ---------------------------------------------------------------------

namespace dxPSPreviewDialogTexts {
inline constexpr const char* OK = "OK";
inline constexpr const char* Cancel = "Cancel";
inline constexpr const char* Help = "&Help";
// Zoom dialog.
inline constexpr const char* ZoomCaption = "Zoom";
inline constexpr const char* ZoomTo = " Zoom To ";
inline constexpr const char* PageWidth = "Page &Width";
inline constexpr const char* WholePage = "W&hole Page";
inline constexpr const char* TwoPages = "&Two Pages";
inline constexpr const char* FourPages = "&Four Pages";
inline constexpr const char* ManyPages = "&Many Pages:";
inline constexpr const char* Percent = "P&ercent:";
inline constexpr const char* Preview = " Preview ";
inline constexpr const char* FontPreview = " 12pt Times New Roman ";
inline constexpr const char* FontSampleLine = "AaBbCcDdEeXxYyZz";
// Page chooser.
inline constexpr const char* Pages = "Pages";
// Preferences dialog.
inline constexpr const char* OptionsCaption = "Options";
inline constexpr const char* General = "&General";
inline constexpr const char* Show = " &Show ";
inline constexpr const char* Margins = "&Margins ";
inline constexpr const char* MarginsHints = "Margins &Hints";
inline constexpr const char* MarginsHintsWhileDragging = "Margins Hints While &Dragging";
inline constexpr const char* MeasurementUnits = "Measurement &Units:";
inline constexpr const char* UnitDefault = "Default";
inline constexpr const char* UnitInches = "Inches";
inline constexpr const char* UnitMillimeters = "Millimeters";
inline constexpr const char* MarginsColor = "Margins &Color:";
inline constexpr const char* ZoomParameters = " Zoom &Parameters ";
inline constexpr const char* ZoomOnRoll = "&Zoom on roll with IntelliMouse";
inline constexpr const char* ZoomStep = "Zoom Ste&p:";
}  // namespace dxPSPreviewDialogTexts

// ---- Entry points --------------------------------------------------------------------

// Opens the zoom dialog for a preview control; when the user confirms a
// change, applies the chosen zoom mode, page grid and factor to the control
// and answers true.
bool ShowZoomDialog(TCustomdxPreview& preview);

// Shows the page chooser with its top-left corner at the screen point (the
// lower-left corner of the button that opens it, buttonHeight high). The
// grid opens with columns x rows cells and may grow up to the maxima; the
// images list gives the picture drawn in every cell (none without a list or
// with an index outside it). Answers true with the chosen columns and rows
// (both at least 1); otherwise false and the two values unchanged.
bool ShowPageChooser(const TCustomImageList* images, int imageIndex, QPoint at, int buttonHeight, int maxColumns,
                     int maxRows, int& columns, int& rows);

// The record the preferences dialog edits, as the preview window fills it.
using TdxPreviewPreferences = TdxPreviewWindowPreferences;

// Runs the preferences dialog on a copy of the record; answers true and the
// edited values when the user confirmed a change. False without a dialog when
// no record is given.
bool ShowPreferencesDialog(TdxPreviewPreferences* preferences);

// Makes the three dialogs the preview window's zoom setup, multiple pages and
// options commands (dxPSPreviewWindowDialogs). Call once at start-up.
void dxPSRegisterPreviewDialogs();

// Help contexts of the zoom and preferences dialogs: engine-wide, 0 in this
// program. With a context the title bar gets its help button and the Help
// button is shown.
inline int dxZoomDialogHelpContext = 0;
inline int dxPreferencesDialogHelpContext = 0;

// ---- Environment -------------------------------------------------------------------

// The desktop work area in screen coordinates (the primary screen's
// available area). Tests fix it with dxPSSetDesktopWorkArea; an empty
// rectangle gives the screen's area back.
QRect dxPSDesktopWorkArea();
void dxPSSetDesktopWorkArea(const QRect& area);
// Whether the system reports a mouse wheel; tests fix the answer (nothing
// gives the system's answer back).
bool dxPSMouseWheelPresent();
void dxPSSetMouseWheelPresent(std::optional<bool> present);

// The page symbol of the page chooser's cells: 16 x 16, its lower-left pixel
// giving the transparent colour.
QImage dxPSPageChooserGlyph();
// A process-wide image list holding the page symbol at index 0.
const TCustomImageList& dxPSPageChooserImages();

// ---- Modal dialogs ------------------------------------------------------------------


// A fixed-size engine dialog that runs modally: buttons close it with their
// modal result, Enter clicks the focused push button or else the default
// button, Esc clicks the cancel button, closing the window cancels.
class TdxPSDialogForm : public TCustomdxPSForm {
 public:
  explicit TdxPSDialogForm(QWidget* parent = nullptr);
  ~TdxPSDialogForm() override;

  bool Sizeable() const override { return false; }

  int ModalResult() const { return modalResult_; }
  // A result other than mrNone ends ShowModal.
  void SetModalResult(int result);
  // Shows the dialog application-modal in the middle of the work area and
  // processes messages until a modal result is set; answers it.
  int ShowModal();
  bool IsRunning() const { return IsInRun(); }

  QPushButton* DefaultButton() const { return defaultButton_; }
  QPushButton* CancelButton() const { return cancelButton_; }

 protected:
  // A button that closes the dialog with a result when clicked.
  void SetButtonResult(QPushButton* button, int result);
  void SetDefaultButton(QPushButton* button);
  void SetCancelButton(QPushButton* button);
  // With a help context the title bar gets its help button and Help shows;
  // with 0 Help hides, OK moves to Cancel's place and Cancel to Help's.
  void ArrangeHelpButton(int helpContext, QPushButton* ok, QPushButton* cancel, QPushButton* help);

  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;

 private:
  int modalResult_ = mrNone;
  QPushButton* defaultButton_ = nullptr;
  QPushButton* cancelButton_ = nullptr;
};

// ---- Zoom dialog ----------------------------------------------------------------------

class TfmZoom : public TdxPSDialogForm {
 public:
  // Tags of the radio buttons.
  enum {
    ztPercent500,
    ztPercent200,
    ztPercent150,
    ztPercent100,
    ztPercent75,
    ztPercent50,
    ztPercent25,
    ztPercent10,
    ztPageWidth,
    ztWholePage,
    ztTwoPages,
    ztFourPages,
    ztManyPages,
    ztCount
  };
  // The percentages of tags 0 to 7, then the window picture's screen area
  // (left, top, right, bottom) and its horizontal and vertical margins.
  static constexpr int kZoomTable[14] = {500, 200, 150, 100, 75, 50, 25, 10, 12, 10, 170, 93, 10, 2};

  explicit TfmZoom(QWidget* parent = nullptr);
  ~TfmZoom() override;
  std::string FormClassName() const override { return "TfmZoom"; }

  // Copies the caller's preview control into the hidden preview and makes
  // the initial choice from it; clears the changed flag.
  void Initialize(TCustomdxPreview& preview);
  // Applies the dialog's zoom mode, grid and factor to a preview control.
  void ApplyTo(TCustomdxPreview& preview) const;

  bool Changed() const { return changed_; }
  TdxPreview* HiddenPreview() const { return hiddenPreview_; }
  TdxPSSpinEdit* PercentBox() const { return percentBox_; }
  QRadioButton* RadioButton(int tag) const { return radios_[tag]; }
  // The checked radio button's tag, -1 for none.
  int CheckedTag() const;
  QLabel* PercentLabel() const { return lblPercent_; }
  QPushButton* OkButton() const { return btnOK_; }
  QPushButton* CancelButton() const { return btnCancel_; }
  QPushButton* HelpButton() const { return btnHelp_; }
  QPushButton* ManyPagesButton() const { return btnManyPages_; }
  TdxPSPaintPanel* PreviewPanel() const { return previewPanel_; }
  TdxPSPaintPanel* FontPanel() const { return fontPanel_; }
  const TCustomImageList& StubImages() const { return *ilStub_; }
  // The size of the window that owns the caller's preview control.
  QSize OwnerSize() const { return ownerSize_; }
  void SetOwnerSize(QSize size) { ownerSize_ = size; }

  // Sets the percent box and the hidden preview's factor (10 .. 500) and
  // repaints the two pictures.
  void SetZoom(int value);
  // Suppresses the pictures; the last EndUpdate repaints them once.
  void BeginUpdate() { ++updateCount_; }
  void EndUpdate();
  bool IsUpdateLocked() const { return updateCount_ > 0; }

  // The rectangle of the preview window in the window picture, for a work
  // area and an owner size.
  static TRect WindowPictureRect(QSize workArea, QSize owner);
  // The two pictures (also used by tests).
  void PaintWindowPicture(TCanvas& canvas, const TRect& bounds);
  void PaintFontSample(TCanvas& canvas, const TRect& bounds);
  // The font of the sample: "Times New Roman" at ZoomFactor x 12 / 100
  // points, rounded.
  TFont FontSampleFont() const;
  // The grid and position of the page chooser that btnManyPages opens.
  void ManyPagesChooserParams(int& maxColumns, int& maxRows, int& columns, int& rows) const;

 private:
  void CreateControls();
  void SetTexts();
  void RadioClicked(int tag);
  void ChooseManyPages();
  void SetRadioChecked(QRadioButton* radio, bool checked);
  void PercentBoxKeyDown(int key);
  void RepaintPictures();

  TdxPreview* hiddenPreview_ = nullptr;
  QGroupBox* gbxZoomTo_ = nullptr;
  QGroupBox* gbxPreview_ = nullptr;
  QRadioButton* radios_[ztCount] = {};
  TdxPSFocusLabel* lblPercent_ = nullptr;
  QFrame* bvlPercentHolder_ = nullptr;
  QFrame* bvlPreviewHolder_ = nullptr;
  QFrame* bvlFontPreviewHolder_ = nullptr;
  QFrame* bvlSeparator_ = nullptr;
  QLabel* stxtFontPreview_ = nullptr;
  TdxPSSpinEdit* percentBox_ = nullptr;
  TdxPSPaintPanel* previewPanel_ = nullptr;
  TdxPSPaintPanel* fontPanel_ = nullptr;
  QPushButton* btnOK_ = nullptr;
  QPushButton* btnCancel_ = nullptr;
  QPushButton* btnHelp_ = nullptr;
  QPushButton* btnManyPages_ = nullptr;
  std::unique_ptr<TCustomImageList> ilStub_;
  QSize ownerSize_;
  bool changed_ = false;
  bool loading_ = false;
  int updateCount_ = 0;
};

// ---- Page chooser ---------------------------------------------------------------------

class TfmPageChooser : public QWidget {
 public:
  enum TResult { crRunning = 0, crChosen = 1, crCancelled = 2 };
  enum TDirection { cdUpLeft = 0, cdUpRight = 1, cdDownRight = 2, cdDownLeft = 3 };
  // The frame around the client area, in pixels on every side.
  static constexpr int kFrame = 2;

  // The work area is read here. A parent (the window that opens the chooser)
  // keeps the chooser usable above a modal window.
  TfmPageChooser(const TCustomImageList* images, int imageIndex, int maxColumns, int maxRows,
                 QWidget* parent = nullptr);
  ~TfmPageChooser() override;

  // Places the chooser at the point under a button, chooses the direction
  // and sizes the grid (with (columns - 1) x (rows - 1) cells highlighted).
  void Prepare(QPoint at, int buttonHeight, int columns, int rows);
  // Shows the chooser and processes messages until the user chose or
  // cancelled; answers the result.
  int Execute();

  int Result() const { return result_; }
  TDirection Direction() const { return direction_; }
  bool Rightward() const { return direction_ == cdUpRight || direction_ == cdDownRight; }
  bool OpensDownward() const { return downward_; }
  const QRect& WorkArea() const { return workArea_; }
  int MaxColumns() const { return maxColumns_; }
  int MaxRows() const { return maxRows_; }
  int ShownColumns() const { return shownColumns_; }
  int ShownRows() const { return shownRows_; }
  int SelectedColumns() const { return selColumns_; }
  int SelectedRows() const { return selRows_; }
  bool Pressed() const { return pressed_; }
  // The flat look (the engine's FormLook not 0).
  bool Flat() const;

  int CellWidth() const { return cellWidth_; }
  int CellHeight() const { return cellHeight_; }
  int TextLineHeight() const { return textLineHeight_; }
  int ClientWidth() const { return width() - 2 * kFrame; }
  int ClientHeight() const { return height() - 2 * kFrame; }
  // Client coordinates (the widget's, less the frame).
  TRect CellRect(int column, int row) const;
  TRect TextLineRect() const;
  // "Cancel" when nothing is selected, otherwise "rows x columns Pages".
  std::string Text() const;

  // The growth rule: widens (or heightens) the grid to n when it is larger
  // than the shown size (or nothing is shown yet) and within the maximum.
  void SetShownColumns(int n);
  void SetShownRows(int n);
  // Highlights a block; with grow (and a selection that is not empty) the
  // grid grows first. Repaints the cells whose highlight changed and the
  // text line.
  void Select(int columns, int rows, bool grow);

 protected:
  virtual void PaintCell(TCanvas& canvas, int column, int row);
  virtual void PaintTextLine(TCanvas& canvas);

  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool event(QEvent* event) override;

 private:
  void Finish(int result);
  void MouseMovedTo(QPoint clientPoint);
  void InvalidateClient(const TRect& clientRect);
  TColor FrameColor() const;

  const TCustomImageList* images_;
  int imageIndex_;
  std::unique_ptr<TBitmap> image_;  // the cell picture, drawn transparent
  TFont font_;
  int maxColumns_;
  int maxRows_;
  int shownColumns_ = 0;
  int shownRows_ = 0;
  int selColumns_ = 0;
  int selRows_ = 0;
  TDirection direction_ = cdDownRight;
  bool downward_ = true;
  bool pressed_ = false;
  QPoint lastMousePos_{0, 0};
  QRect workArea_;
  int anchorRight_ = 0;   // kept right edge (exclusive) of leftward choosers
  int anchorBottom_ = 0;  // kept bottom edge (exclusive) of upward choosers
  int cellWidth_ = 26;
  int cellHeight_ = 26;
  int textLineHeight_ = 0;
  int result_ = crRunning;
};

// ---- Preferences dialog -------------------------------------------------------------------

class TdxfmOptions : public TdxPSDialogForm {
 public:
  explicit TdxfmOptions(QWidget* parent = nullptr);
  ~TdxfmOptions() override;
  std::string FormClassName() const override { return "TdxfmOptions"; }

  // Copies the record into the dialog and loads the controls from it
  // (nothing counts as a change); clears the changed flag.
  void Load(const TdxPreviewPreferences& preferences);
  // The record as the controls show it.
  TdxPreviewPreferences Values() const;
  bool Changed() const { return changed_; }

  QTabWidget* PageControl() const { return pageControl_; }
  QCheckBox* ShowMarginsCheck() const { return chbxShowMargins_; }
  QCheckBox* ShowMarginsHintsCheck() const { return chbxShowMarginsHints_; }
  QCheckBox* ShowMarginsHintsWhileDraggingCheck() const { return chbxShowMarginsHintsWhileDragging_; }
  QCheckBox* ZoomOnRollCheck() const { return chbxZoomOnRoll_; }
  QComboBox* UnitsList() const { return cbxMeasurementUnits_; }
  TdxPSColorCombo* ColorBox() const { return colorBox_; }
  TdxPSSpinEdit* ZoomStepBox() const { return zoomStepBox_; }
  QLabel* UnitsLabel() const { return lblMeasurementUnits_; }
  QLabel* ColorLabel() const { return lblMarginsColor_; }
  QLabel* ZoomStepLabel() const { return lblZoomStep_; }
  QPushButton* OkButton() const { return btnOk_; }
  QPushButton* CancelButton() const { return btnCancel_; }
  QPushButton* HelpButton() const { return btnHelp_; }

 private:
  void CreateControls();
  void SetTexts();
  void MarkChanged();
  void UpdateControlsState();

  TdxPreviewPreferences preferences_;
  QTabWidget* pageControl_ = nullptr;
  QWidget* tshGeneral_ = nullptr;
  QGroupBox* gbxShow_ = nullptr;
  QGroupBox* gbxZoomOpt_ = nullptr;
  QGroupBox* gbxMeasurementUnits_ = nullptr;
  QGroupBox* gbxMarginsColor_ = nullptr;
  QCheckBox* chbxShowMargins_ = nullptr;
  QCheckBox* chbxShowMarginsHints_ = nullptr;
  QCheckBox* chbxShowMarginsHintsWhileDragging_ = nullptr;
  QCheckBox* chbxZoomOnRoll_ = nullptr;
  TdxPSFocusLabel* lblZoomStep_ = nullptr;
  TdxPSFocusLabel* lblMeasurementUnits_ = nullptr;
  TdxPSFocusLabel* lblMarginsColor_ = nullptr;
  QComboBox* cbxMeasurementUnits_ = nullptr;
  QFrame* bvlZoomStepHolder_ = nullptr;
  QFrame* bvlMarginColorHolder_ = nullptr;
  TdxPSSpinEdit* zoomStepBox_ = nullptr;
  TdxPSColorCombo* colorBox_ = nullptr;
  QPushButton* btnOk_ = nullptr;
  QPushButton* btnCancel_ = nullptr;
  QPushButton* btnHelp_ = nullptr;
  bool changed_ = false;
  bool loading_ = false;
};
