// The small controls of the engine's dialogs and windows: the numeric spin box
// with a unit text and its spin buttons, the colour list, the paint panel, the
// sliding picture strip with its warning pane, and the scrollable picture
// viewer. The dialogs create them in code and set them up; every event is a
// plain callback whose first argument is the control that raises it.
#pragma once

#include <QAbstractScrollArea>
#include <QComboBox>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/EnumBits.h"
#include "platform/Graphics.h"
#include "platform/Types.h"

class QAction;
class QMenu;
class QTimer;

// The short warning sound of the controls (refused keys, read-only steps,
// state changes of the warning pane). Tests count the sounds through the hook;
// an empty hook restores the platform's beep.
void dxPSBeep();
void dxPSSetBeepHook(std::function<void()> hook);

// ---- Spin box ------------------------------------------------------------------

enum TdxSpinValueType { svtInteger, svtFloat };
enum TdxButtonType { btLine, btPage };
enum TUDBtnType { btNext, btPrev };
enum TdxScrollMouseSensetivity { msLow, msMedium, msHigh };
enum TAlignment { taLeftJustify, taRightJustify, taCenter };

class TdxPSSpinEdit;

// One pair of spin buttons (up above down) of a spin box: the line pair, or
// the page pair with UsePageIncr. A click steps once and repeats while held; a
// press on the band 2 pixels around the middle captures the mouse, and every
// vertical movement of the sensitivity threshold then makes one step.
class TdxUpDown : public QWidget {
 public:
  TdxUpDown(TdxPSSpinEdit* owner, TdxButtonType kind);
  TdxButtonType Kind() const { return kind_; }
  TdxScrollMouseSensetivity ScrollMouseSens() const { return sens_; }
  void SetScrollMouseSens(TdxScrollMouseSensetivity value) { sens_ = value; }
  // Pixels of vertical movement per step while dragging: 10, 5 or 1.
  int DragThreshold() const;
  // True on the band within 2 pixels above or below the vertical middle.
  bool InMiddleBand(int y) const;
  bool Dragging() const { return dragging_; }
  void CancelDrag();

 protected:
  void paintEvent(QPaintEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  void Click(bool up);
  void Repeat();
  TdxPSSpinEdit* owner_;
  TdxButtonType kind_;
  TdxScrollMouseSensetivity sens_ = msMedium;
  QTimer* repeat_;
  int pressed_ = -1;  // 0 up, 1 down, -1 none
  bool dragging_ = false;
  int lastY_ = 0;
};

// A one-line edit that shows a number followed by an optional unit text. The
// value lives in the text: reading parses the text before the legend, writing
// formats the number brought into the bounds and appends the legend.
class TdxPSSpinEdit : public QLineEdit {
 public:
  explicit TdxPSSpinEdit(QWidget* parent = nullptr);
  ~TdxPSSpinEdit() override;

  // The number the text shows; a text that does not parse reads as
  // DefaultValue (truncated for svtInteger). Writing clamps (with
  // CheckBounds) and formats.
  double Value() const;
  void SetValue(double value);
  int AsInteger() const;
  void SetInteger(int value) { SetValue(value); }

  TdxSpinValueType ValueType() const { return valueType_; }
  // Switching to svtInteger rounds the increments (a step of 0 becomes 1).
  void SetValueType(TdxSpinValueType value);
  int Decimal() const { return decimal_; }
  void SetDecimal(int value);  // 0..255
  double MinValue() const { return minValue_; }
  void SetMinValue(double value);
  double MaxValue() const { return maxValue_; }
  void SetMaxValue(double value);
  bool CheckBounds() const { return checkBounds_; }
  void SetCheckBounds(bool value);
  double DefaultValue() const { return defaultValue_; }
  // Stores the value brought into the bounds.
  void SetDefaultValue(double value);
  double Increment() const { return increment_; }
  void SetIncrement(double value) { increment_ = value; }
  double PageIncrement() const { return pageIncrement_; }
  void SetPageIncrement(double value) { pageIncrement_ = value; }
  bool UsePageIncr() const { return pageButtons_ != nullptr; }
  void SetUsePageIncr(bool value);
  int IncrButtonWidth() const { return incrButtonWidth_; }
  void SetIncrButtonWidth(int value);  // below 9 becomes 9
  int PageIncrButtonWidth() const { return pageIncrButtonWidth_; }
  void SetPageIncrButtonWidth(int value);
  TdxScrollMouseSensetivity ScrollMouseSens() const { return sens_; }
  void SetScrollMouseSens(TdxScrollMouseSensetivity value);
  bool ArrowKeys() const { return arrowKeys_; }
  void SetArrowKeys(bool value) { arrowKeys_ = value; }
  bool EditorEnabled() const { return editorEnabled_; }
  void SetEditorEnabled(bool value);
  bool Flat() const { return flat_; }
  void SetFlat(bool value);
  const std::string& LegendText() const { return legendText_; }
  void SetLegendText(const std::string& value);
  // The legend as it follows the number: LegendText with a blank in front
  // unless it is empty or begins with one.
  std::string Legend() const;
  TAlignment Alignment() const { return alignment_; }
  void SetAlignment(TAlignment value);
  bool AutoSelect() const { return autoSelect_; }
  void SetAutoSelect(bool value) { autoSelect_ = value; }
  bool AutoSize() const { return autoSize_; }
  void SetAutoSize(bool value) { autoSize_ = value; }
  bool ReadOnly() const { return isReadOnly(); }
  void SetReadOnly(bool value) { setReadOnly(value); }

  // The platform's vertical scroll bar width (the default button width).
  static int DefaultButtonWidth();
  // The lowest height the box accepts: character height + 4 border heights + 1.
  int MinimumBoxHeight() const;
  // The number of pixels of each frame edge (2: a sunken 3D frame, or the two
  // one-pixel rings of the flat look).
  static constexpr int kFrameWidth = 2;
  TdxUpDown* LineButtons() const { return lineButtons_; }
  TdxUpDown* PageButtons() const { return pageButtons_; }

  // A click on a spin button: focuses the box when it can take the focus,
  // then steps as the button does.
  void ButtonClick(TdxButtonType pair, bool up);
  // One step: beeps and does nothing when read-only; otherwise changes the
  // value by delta, raises OnChange when the text changed and then
  // OnButtonClick with the given report.
  void Step(double delta, TdxButtonType type, TUDBtnType button);

  std::function<void(TdxPSSpinEdit& sender, TdxButtonType type, TUDBtnType button)> OnButtonClick;
  std::function<void(TdxPSSpinEdit& sender)> OnChange;
  // Focus gained and lost (after the value was re-written).
  std::function<void(TdxPSSpinEdit& sender)> OnEnter;
  std::function<void(TdxPSSpinEdit& sender)> OnExit;
  // Before the box handles a key; setting key to 0 consumes it.
  std::function<void(TdxPSSpinEdit& sender, int& key, Qt::KeyboardModifiers modifiers)> OnKeyDown;

 protected:
  // Typing: whether a character may be inserted.
  virtual bool IsValidChar(QChar c) const;
  // The number part of the text for a value that is already in the bounds.
  virtual QString FormatValue(double value) const;
  // The value of the number part, or nothing when it does not parse.
  virtual std::optional<double> ParseValue(const QString& numberText) const;
  // Brings a value into the bounds (with CheckBounds).
  virtual double CheckValue(double value) const;
  // The text without the legend (the whole text when the legend is absent).
  QString NumberText() const;

  void keyPressEvent(QKeyEvent*) override;
  void focusInEvent(QFocusEvent*) override;
  void focusOutEvent(QFocusEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void changeEvent(QEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;
  void contextMenuEvent(QContextMenuEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;

 private:
  double ReadValue(const QString& legend) const;
  void Rewrite();
  void UserWrite(double value);
  void UpdateLayout();
  bool IsHot() const;

  TdxSpinValueType valueType_ = svtInteger;
  int decimal_ = 2;
  double minValue_ = 0;
  double maxValue_ = 0;
  bool checkBounds_ = true;
  double defaultValue_ = 0;
  double increment_ = 1;
  double pageIncrement_ = 10;
  int incrButtonWidth_;
  int pageIncrButtonWidth_;
  TdxScrollMouseSensetivity sens_ = msMedium;
  bool arrowKeys_ = true;
  bool editorEnabled_ = true;
  bool flat_ = false;
  std::string legendText_;
  TAlignment alignment_ = taLeftJustify;
  bool autoSelect_ = true;
  bool autoSize_ = true;
  double enterValue_ = 0;
  int wheelDelta_ = 0;
  TdxUpDown* lineButtons_ = nullptr;
  TdxUpDown* pageButtons_ = nullptr;
};

// ---- Colour list ---------------------------------------------------------------

enum TdxColorType { ctPure, ctSystem };
using TdxColorTypes = unsigned;  // bit n = TdxColorType n

// Kinds of colour list entries as the name event reports them.
constexpr int dxColorEntryOther = 0;
constexpr int dxColorEntryAuto = 1;
constexpr int dxColorEntryCustom = 2;

class TdxPSColorCombo;
// Chooses a custom colour, starting from color; true when confirmed.
using TdxSelectColorProc = std::function<bool(TdxPSColorCombo& sender, TColor& color)>;

// The twenty pure colours of the list, in list order.
struct TdxColorListEntry {
  const char* Name;
  TColor Color;
};
extern const TdxColorListEntry dxPureColors[20];
extern const TdxColorListEntry dxSystemColors[25];

// An owner-drawn fixed list of colours: an optional automatic entry, the pure
// and system colours, and an optional custom entry that runs a colour choice.
class TdxPSColorCombo : public QComboBox {
 public:
  explicit TdxPSColorCombo(QWidget* parent = nullptr);
  ~TdxPSColorCombo() override;

  // The selected entry's colour (the automatic entry: AutoColor).
  TColor ColorValue() const;
  // Selects the first entry with exactly that colour; when none has it and
  // the custom entry is listed, the custom entry takes it; otherwise the
  // selection stays.
  void SetColorValue(TColor value);

  TdxColorTypes ColorTypes() const { return colorTypes_; }
  void SetColorTypes(TdxColorTypes value);  // an empty set becomes [ctPure]
  bool ShowAutoColor() const { return showAutoColor_; }
  void SetShowAutoColor(bool value);
  TColor AutoColor() const { return autoColor_; }
  void SetAutoColor(TColor value);
  const std::string& AutoColorText() const { return autoColorText_; }
  void SetAutoColorText(const std::string& value);
  bool ShowCustomColor() const { return showCustomColor_; }
  void SetShowCustomColor(bool value);
  const std::string& CustomColorText() const { return customColorText_; }
  void SetCustomColorText(const std::string& value);
  bool ShowColorName() const { return showColorName_; }
  void SetShowColorName(bool value);
  bool EndEllipsis() const { return endEllipsis_; }
  void SetEndEllipsis(bool value);
  int DropDownCount() const { return dropDownCount_; }
  void SetDropDownCount(int value);

  // The entries as listed.
  int EntryCount() const { return int(entries_.size()); }
  const std::string& EntryName(int index) const { return entries_.at(index).Name; }
  // The colour of an entry (the automatic entry: AutoColor).
  TColor EntryColor(int index) const;
  int EntryKind(int index) const { return entries_.at(index).Kind; }
  int AutoColorIndex() const;    // -1 when not listed
  int CustomColorIndex() const;  // -1 when not listed
  // Height of one entry: 15/10 of the font's character height, at least 10.
  int ItemHeight() const;

  // Draws one entry into rect: in the open list, or in the edit part of the
  // closed list (no separator line there).
  void DrawEntry(TCanvas& canvas, int index, const TRect& rect, bool selected, bool editPart) const;
  // Runs the colour choice of the custom entry, as choosing it does.
  void ChooseCustomColor();

  std::function<void(TdxPSColorCombo& sender, int index, std::string& name, int kind, TColor color)> OnGetColorName;
  std::function<void(TdxPSColorCombo& sender, TdxSelectColorProc& proc)> OnGetSelectColorProc;
  std::function<void(TdxPSColorCombo& sender)> OnChange;
  std::function<void(TdxPSColorCombo& sender)> OnClick;

 protected:
  void paintEvent(QPaintEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void changeEvent(QEvent*) override;

 private:
  struct Entry {
    std::string Name;
    TColor Color;
    int Kind;
  };
  void Rebuild();
  void Activated(int index);
  void SelectIndex(int index);
  int FindExact(TColor value, bool includeCustom) const;

  std::vector<Entry> entries_;
  TdxColorTypes colorTypes_ = dxBit(ctPure) | dxBit(ctSystem);
  bool showAutoColor_ = false;
  TColor autoColor_ = clWindowText;
  std::string autoColorText_ = "Auto";
  bool showCustomColor_ = true;
  std::string customColorText_ = "Custom...";
  bool showColorName_ = true;
  bool endEllipsis_ = false;
  int dropDownCount_ = 8;
  bool dropDownCountSet_ = false;
  TColor customColor_ = clNone;
  TColor previousColor_ = clNone;
  bool keyboardMove_ = false;
};

// ---- Paint panel ---------------------------------------------------------------

enum TdxEdgeStyle { esNone, esRaised, esSunken };
enum TdxEdgeBorder { ebLeft, ebTop, ebRight, ebBottom };
using TdxEdgeBorders = unsigned;  // bit n = TdxEdgeBorder n
constexpr TdxEdgeBorders dxAllEdgeBorders = dxBitsUpTo(ebBottom);

// A panel with an optional 3D frame whose inside its owner paints.
class TdxPSPaintPanel : public QWidget {
 public:
  explicit TdxPSPaintPanel(QWidget* parent = nullptr);

  TdxEdgeStyle EdgeInner() const { return edgeInner_; }
  void SetEdgeInner(TdxEdgeStyle value);
  TdxEdgeStyle EdgeOuter() const { return edgeOuter_; }
  void SetEdgeOuter(TdxEdgeStyle value);
  TdxEdgeBorders EdgeBorders() const { return edgeBorders_; }
  void SetEdgeBorders(TdxEdgeBorders value);
  bool Ctl3D() const { return ctl3D_; }
  void SetCtl3D(bool value);

  // Pixels reserved on each side named in EdgeBorders: one per enabled edge
  // (one in all with Ctl3D off).
  int FrameWidth() const;
  // The inside of the frame, in the panel's coordinates.
  TRect ClientRect() const;

  // Paints the inside; the canvas covers the panel and is clipped to the
  // client rectangle.
  std::function<void(TdxPSPaintPanel& sender, TCanvas& canvas)> OnPaint;
  std::function<void(TdxPSPaintPanel& sender)> OnMouseEnter;
  std::function<void(TdxPSPaintPanel& sender)> OnMouseLeave;

 protected:
  void paintEvent(QPaintEvent*) override;
  void enterEvent(QEnterEvent*) override;
  void leaveEvent(QEvent*) override;

 private:
  void EdgesChanged();
  TdxEdgeStyle edgeInner_ = esRaised;
  TdxEdgeStyle edgeOuter_ = esSunken;
  TdxEdgeBorders edgeBorders_ = dxAllEdgeBorders;
  bool ctl3D_ = true;
};

// ---- Sliding picture strip and warning pane -------------------------------------

// Shows a picture of its own size that slides up into view when State turns
// on and down out of view when it turns off.
class TdxPSBitmapAnimator : public QWidget {
 public:
  explicit TdxPSBitmapAnimator(QWidget* parent = nullptr);

  // Always as large as the control; assigning copies the picture's top-left
  // part (the rest white).
  const QImage& Bitmap() {
    FitBitmap();
    return bitmap_;
  }
  void SetBitmap(const QImage& image);
  bool State() const { return state_; }
  // Runs the slide (synchronously) when the state changes.
  void SetState(bool value);
  int AnimationSpeed() const { return animationSpeed_; }
  void SetAnimationSpeed(int ms) { animationSpeed_ = std::max(0, ms); }
  int AnimationStepCount() const { return animationStepCount_; }
  void SetAnimationStepCount(int count) { animationStepCount_ = std::max(1, count); }
  // Step height: height / step count, rounded up.
  int StepHeight() const;
  // The top of the bitmap as painted now (0 when fully shown).
  int BitmapTop() const { return top_; }

 protected:
  // One frame of a slide: the bitmap is painted with its top at top.
  virtual void ShowFrame(int top);
  virtual void StateChanged() {}
  // Redraws the bitmap (after a resize, for instance).
  virtual void UpdateBitmap() {}
  QImage& MutableBitmap() { return bitmap_; }
  // Brings the bitmap to the control's size (a hidden control learns of its
  // size only here) and redraws it when the size changed.
  void FitBitmap();
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;

 private:
  QImage bitmap_;
  bool state_ = false;
  bool animating_ = false;
  int animationSpeed_ = 10;
  int animationStepCount_ = 10;
  int top_ = 0;
};

// The yellow warning strip of the dialogs: a glyph and a text.
class TdxPSWarningPane : public TdxPSBitmapAnimator {
 public:
  explicit TdxPSWarningPane(QWidget* parent = nullptr);

  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  // Already in the requested state: only the text changes. Shown and hiding
  // requested: slides out, the text stays. Hidden and showing requested: the
  // text is set and the pane slides in.
  void SetStateAndText(bool show, const std::string& text);
  // The warning glyph (16 x 16, transparent outside the sign).
  static const QImage& WarningGlyph();
  // Whether the text is laid out word-wrapped (it does not fit on one line).
  bool TextWrapped() const { return wrapped_; }

 protected:
  void StateChanged() override;
  void UpdateBitmap() override;

 private:
  std::string text_;
  bool wrapped_ = false;
};

// ---- Picture viewer --------------------------------------------------------------

enum TdxImageScrollBoxMenuItem { ibmiPreview, ibmiCopy, ibmiSave };
using TdxImageScrollBoxMenuItems = unsigned;  // bit n = item n
constexpr TdxImageScrollBoxMenuItems dxAllImageScrollBoxMenuItems = dxBitsUpTo(ibmiSave);

// A scrollable picture at natural size: centred when smaller than the box,
// scrolled when larger; a hint text while empty; a menu to preview, copy and
// save the picture.
class TdxPSImageScrollBox : public QAbstractScrollArea {
 public:
  explicit TdxPSImageScrollBox(QWidget* parent = nullptr);
  ~TdxPSImageScrollBox() override;

  TPicture& Picture() { return *picture_; }
  const TPicture& Picture() const { return *picture_; }
  // Copies the source's graphic (null empties).
  void SetPicture(const TPicture* source) { picture_->Assign(source); }
  void SetGraphic(const TGraphic* source) { picture_->AssignGraphic(source); }
  bool Center() const { return center_; }
  void SetCenter(bool value);
  // Whether the picture is scaled to the box, keeping its proportions and
  // centred, instead of scrolling at its natural size.
  bool Fit() const { return fit_; }
  void SetFit(bool value);
  const std::string& HintText() const { return hintText_; }
  void SetHintText(const std::string& value);
  TdxImageScrollBoxMenuItems MenuItems() const { return menuItems_; }
  void SetMenuItems(TdxImageScrollBoxMenuItems value) { menuItems_ = value & dxAllImageScrollBoxMenuItems; }
  // The control's colour around the picture.
  TColor Color() const { return color_; }
  void SetColor(TColor value);

  // Where the picture lies in the viewport.
  TRect PictureRect() const;
  bool HasPicture() const { return !picture_->Empty(); }

  // The pop-up menu, built on first use and brought up to date as before
  // it opens.
  QMenu* PreparePopupMenu();
  QAction* MenuAction(TdxImageScrollBoxMenuItem item);

  // The menu commands.
  void PreviewPicture();
  void CopyPicture();
  void SavePicture();

  // Paints the viewport (also used by tests).
  void PaintViewport(QPainter& painter);

  std::function<void(TdxPSImageScrollBox& sender)> OnDblClick;

 protected:
  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void scrollContentsBy(int dx, int dy) override;
  void wheelEvent(QWheelEvent*) override;
  void contextMenuEvent(QContextMenuEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;

 private:
  void PictureChanged();
  void UpdateScrollBars();
  void PaintHint(QPainter& painter, const QRect& area);

  std::unique_ptr<TPicture> picture_;
  bool center_ = true;
  bool fit_ = false;
  std::string hintText_;
  TdxImageScrollBoxMenuItems menuItems_ = dxAllImageScrollBoxMenuItems;
  TColor color_ = clBtnFace;
  QMenu* menu_ = nullptr;
  QAction* actions_[3] = {nullptr, nullptr, nullptr};
  QAction* separators_[2] = {nullptr, nullptr};
};

// The glyphs of the picture viewer's menu and of the picture preview window:
// 16 x 16, transparent background. 0 preview, 1 copy, 2 save.
QImage dxPSImageBoxGlyph(int index);

// A label that, when clicked with the left button, runs OnClick or else
// focuses its buddy control (the caption of a box in the engine's dialogs).
class TdxPSFocusLabel : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> OnClick;

 protected:
  void mousePressEvent(QMouseEvent* event) override;
};
