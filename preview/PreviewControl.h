// The preview control: a scrollable window that lays out equally sized page
// rectangles in rows and columns at a zoom factor, selects one page, zooms,
// scrolls and pans, and shows and drags the margins of the selected page.
//
// The control knows nothing about what a page holds. Its owner tells it the
// page count and the page size and paints a page's content when the control
// asks (OnDrawPageContent), into the page rectangle at the current zoom.
// Nothing painted is kept: every paint asks for the pages that the paint
// region meets, and only for those.
//
// Page content and page frames are painted in device pixels: on a
// high-density screen the canvas handed to OnDrawPageContent and
// DrawPageFrame counts the screen's own pixels (PaintPixelRatio() of them to
// a client pixel) and the page rectangle is given in them, so that a page is
// rasterised at the screen's resolution and a one-pixel line stays one
// device pixel thin. At a ratio of 1 device and client pixels are the same.
// Backgrounds (DrawPageBackground, OnDrawPageBackground), selection frames
// and margin lines are painted in client pixels.
//
// Lengths that the control stores (page size, margins, minimum header and
// footer sizes) are tenths of a millimetre. A length L becomes
// MulDiv(MulDiv(L, dpi, 254), ZoomFactor, 100) pixels, dpi being the screen's
// horizontal density for both directions.
//
// Client coordinates: the client area is the widget minus its border and its
// scroll bars; ClientRect() tells where it lies in the widget. Page
// rectangles (Pages()) and hit tests use client coordinates.
#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "layout/Background.h"
#include "layout/ValueWrappers.h"
#include "platform/Canvas.h"
#include "platform/EnumBits.h"
#include "platform/Graphics.h"
#include "platform/Types.h"

class QMenu;
class QScrollBar;
class QTimer;
class TCustomdxPreview;

// ---- Enumerations and option sets ---------------------------------------------

enum TdxPreviewLookAndFeel { plfStandard, plfFlat, plfUltraFlat };
enum TdxPreviewMeasurementUnits { pmuDefault, pmuInches, pmuMillimeters, pmuCentimeters, pmuPoints, pmuPicas };
enum TdxPreviewMarginType { pmLeft, pmTop, pmRight, pmBottom, pmGutter, pmHeader, pmFooter };
enum TdxPreviewPaperOrientation { ppoPortrait, ppoLandscape };
enum TdxPreviewZoomMode { pzmNone, pzmPageWidth, pzmPages };
enum TBorderStyle { bsNone, bsSingle };
enum TScrollStyle { ssNone, ssHorizontal, ssVertical, ssBoth };

enum TdxPreviewOptionBehavior {
  pobAllowDragMargins,
  pobHotTrack,
  pobKeyNavigation,
  pobStoreInRegistry,
  pobThumbTracking,
  pobAutoSwapMargins,
  pobNonCenterizePages
};
enum TdxPreviewOptionHint { pohShowForMargins, pohShowOnDrag, pohShowOnScroll };
enum TdxPreviewOptionStore { posZoom };
enum TdxPreviewOptionView { povAutoHideScrollBars, povDefaultDrawPageBackground, povMargins, povPageSelection };
enum TdxPreviewOptionZoom { pozZoomOnClick, pozZoomOnMouseRoll };

// Bit sets over the ordinals of the enumerations above.
using TdxPreviewOptionsBehavior = unsigned;
using TdxPreviewOptionsHint = unsigned;
using TdxPreviewOptionsStore = unsigned;
using TdxPreviewOptionsView = unsigned;
using TdxPreviewOptionsZoom = unsigned;

inline constexpr TdxPreviewOptionsBehavior dxDefaultPreviewOptionsBehavior =
    dxBit(pobAllowDragMargins) | dxBit(pobKeyNavigation) | dxBit(pobThumbTracking) |
    dxBit(pobAutoSwapMargins);
inline constexpr TdxPreviewOptionsHint dxDefaultPreviewOptionsHint = dxBitsUpTo(pohShowOnScroll);
inline constexpr TdxPreviewOptionsStore dxDefaultPreviewOptionsStore = dxBit(posZoom);
inline constexpr TdxPreviewOptionsView dxDefaultPreviewOptionsView = dxBitsUpTo(povPageSelection);
inline constexpr TdxPreviewOptionsZoom dxDefaultPreviewOptionsZoom = dxBit(pozZoomOnClick);

// ---- Units ------------------------------------------------------------------------

// pmuDefault resolved through the locale: millimetres when it is metric,
// otherwise inches; other units unchanged.
TdxPreviewMeasurementUnits dxPreviewActualUnits(TdxPreviewMeasurementUnits units);
// The unit text: a double quotation mark, "mm", "cm", "pt", "pi".
std::string dxPreviewUnitText(TdxPreviewMeasurementUnits units);
// A length in tenths of a millimetre as text in the unit: one decimal for
// millimetres and points, two for inches, centimetres and picas, trailing
// zeros dropped, then a blank and the unit text ("25.4 mm", "1 \"").
std::string dxPreviewLengthText(int tenthsOfMM, TdxPreviewMeasurementUnits units);

// ---- Margins ----------------------------------------------------------------------

class TdxPreviewMargins;

class TdxPreviewMargin {
 public:
  TdxPreviewMargin(TdxPreviewMargins* owner, TdxPreviewMarginType kind);
  TdxPreviewMargin(const TdxPreviewMargin&) = delete;
  TdxPreviewMargin& operator=(const TdxPreviewMargin&) = delete;

  TdxPreviewMarginType Kind() const { return kind_; }
  TdxPreviewMargins* Owner() const { return owner_; }
  TCustomdxPreview* Preview() const;
  // Vertical lines: left, right, gutter; the others are horizontal.
  bool IsVertical() const { return kind_ == pmLeft || kind_ == pmRight || kind_ == pmGutter; }

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool value);
  bool Visible() const { return visible_; }
  void SetVisible(bool value);
  int MinValue() const { return minValue_; }
  void SetMinValue(int value);
  // -1: no maximum. A maximum below MinValue or Value pulls them down.
  int MaxValue() const { return maxValue_; }
  void SetMaxValue(int value);
  int Value() const { return value_; }
  // Clamped into the limits that the other margins and the page leave.
  void SetValue(int value);
  int DefaultValue() const;
  bool IsValueStored() const { return value_ != DefaultValue(); }

  // The allowed range of Value now (tenths of a millimetre).
  int MinLimit() const;
  int MaxLimit() const;

  // While the margin is dragged: the line's position in client pixels and
  // the value it stands for.
  bool IsDragged() const;
  int DraggingPos() const { return dragPos_; }
  int DraggingValue() const;

  // "Left Margin", "Top Margin", "Right Margin", "Bottom Margin", "Gutter",
  // "Header", "Footer".
  std::string Caption() const;
  // Caption, ": " and the value (the drag value while dragged) in the
  // control's unit.
  std::string Hint() const;
  // The owner's name path and the kind's name: "Preview.Margins[pmLeft]".
  std::string NamePath() const;

  void Assign(const TdxPreviewMargin& source);

 private:
  friend class TCustomdxPreview;
  friend class TdxPreviewMargins;
  TdxPreviewMargins* owner_;
  TdxPreviewMarginType kind_;
  bool enabled_ = true;
  bool visible_ = true;
  int minValue_ = 0;
  int maxValue_ = -1;
  int value_ = 0;
  int dragPos_ = 0;
};

// Exactly seven margins, addressed by kind.
class TdxPreviewMargins {
 public:
  explicit TdxPreviewMargins(TCustomdxPreview* preview);
  TdxPreviewMargins(const TdxPreviewMargins&) = delete;
  TdxPreviewMargins& operator=(const TdxPreviewMargins&) = delete;

  TCustomdxPreview* Preview() const { return preview_; }
  TdxPreviewMargin& operator[](TdxPreviewMarginType kind) { return *items_[kind]; }
  const TdxPreviewMargin& operator[](TdxPreviewMarginType kind) const { return *items_[kind]; }
  TdxPreviewMargin& Left() { return *items_[pmLeft]; }
  TdxPreviewMargin& Top() { return *items_[pmTop]; }
  TdxPreviewMargin& Right() { return *items_[pmRight]; }
  TdxPreviewMargin& Bottom() { return *items_[pmBottom]; }
  TdxPreviewMargin& Gutter() { return *items_[pmGutter]; }
  TdxPreviewMargin& Header() { return *items_[pmHeader]; }
  TdxPreviewMargin& Footer() { return *items_[pmFooter]; }
  static constexpr int Count = 7;

  // Copies all seven (inside one update of the control).
  void Assign(const TdxPreviewMargins& source);
  std::string NamePath() const;

  // The stored form of the margins: seven records of 14 bytes in kind order
  // (maximum, MinValue, Value as 32-bit little-endian signed integers, then
  // Enabled and Visible bytes).
  TBytes WriteData() const;
  // Raises EReadError for data of another length; nothing changes then.
  void ReadData(TByteView data);

 private:
  TCustomdxPreview* preview_;
  std::array<std::unique_ptr<TdxPreviewMargin>, 7> items_;
};

// ---- Page background ---------------------------------------------------------------

// The background of every page of one control: a change repaints the visible
// pages (not while the control is updating). A centred picture keeps its size
// relative to the page: it is scaled by the zoom factor.
class TdxPreviewPageBackground : public TdxBackground {
  DX_CLASS(TdxPreviewPageBackground, TdxBackground)

 public:
  TdxPreviewPageBackground() = default;
  explicit TdxPreviewPageBackground(TCustomdxPreview* preview) : preview_(preview) {}
  TCustomdxPreview* Preview() const { return preview_; }
  void Paint(TCanvas& canvas, const TRect& rect) override;

 protected:
  void DoChange(TdxBackgroundParams codes) override;

 private:
  TCustomdxPreview* preview_ = nullptr;
};

// ---- Hint window ------------------------------------------------------------------

// A borderless tool pop-up with a raised edge that shows one line of text in
// the tooltip colours, in the status-bar font (8 points when it cannot be
// read). It is its text's size plus 6 pixels each way.
class TdxPreviewHintWindow : public QWidget {
 public:
  explicit TdxPreviewHintWindow(QWidget* owner);
  const std::string& Text() const { return text_; }
  void SetText(const std::string& text);
  QSize CalcHintSize(const std::string& text) const;

 protected:
  void paintEvent(QPaintEvent*) override;

 private:
  std::string text_;
};

// ---- Auto scrolling ---------------------------------------------------------------

enum TdxPreviewAutoScrollDirection {
  asdNone,
  asdRight,
  asdUpRight,
  asdUp,
  asdUpLeft,
  asdLeft,
  asdDownLeft,
  asdDown,
  asdDownRight
};

// The direction and speed (1 .. 12) of auto scrolling for the pointer at
// offset (dx, dy) from the press point (y grows downwards), with an
// indicator halfWidth pixels in radius. Inside the indicator's square
// (widened to the whole screen along an axis that cannot scroll) nothing
// scrolls and speed is 0.
TdxPreviewAutoScrollDirection dxPreviewAutoScrollDirection(int dx, int dy, int halfWidth, bool canScrollX,
                                                           bool canScrollY, int* speed = nullptr);

// Cursors of the control, by resource number: 30030 (sizing across a
// vertical margin line), 30031 (across a horizontal line), 30032 (zoom in),
// 30033 (zoom out), 30034 .. 30044 (auto scrolling: both ways, horizontal,
// vertical, then right, up-right, up, up-left, left, down-left, down,
// down-right). Made once per process.
QCursor dxPreviewCursor(int id);

// ---- Page records -----------------------------------------------------------------

struct TdxPreviewPage {
  TRect Bounds;  // client pixels, recomputed by every layout
};

// ---- The control ------------------------------------------------------------------

class TCustomdxPreview : public QWidget {
  Q_OBJECT

 public:
  explicit TCustomdxPreview(QWidget* parent = nullptr);
  ~TCustomdxPreview() override;

  // ---- Appearance ----
  TBorderStyle BorderStyle() const { return borderStyle_; }
  void SetBorderStyle(TBorderStyle value);
  TColor Color() const { return color_; }
  void SetColor(TColor value);
  TdxPreviewLookAndFeel LookAndFeel() const { return lookAndFeel_; }
  void SetLookAndFeel(TdxPreviewLookAndFeel value);
  TColor MarginColor() const { return marginColor_; }
  void SetMarginColor(TColor value);
  bool ParentBackground() const { return parentBackground_; }
  void SetParentBackground(bool value);
  TScrollStyle ScrollBars() const { return scrollBars_; }
  void SetScrollBars(TScrollStyle value);
  bool TabStop() const { return tabStop_; }
  void SetTabStop(bool value);
  // The owner's context menu (not owned); shown on a right click or the
  // context-menu key.
  QMenu* PopupMenu() const { return popupMenu_; }
  void SetPopupMenu(QMenu* menu) { popupMenu_ = menu; }

  // ---- Page ----
  TdxPreviewMargins& Margins() { return *margins_; }
  const TdxPreviewMargins& Margins() const { return *margins_; }
  void SetMargins(const TdxPreviewMargins& value) { margins_->Assign(value); }
  TdxPreviewMeasurementUnits MeasurementUnits() const { return units_; }
  void SetMeasurementUnits(TdxPreviewMeasurementUnits value);
  int MinFooterSize() const { return minFooterSize_; }
  void SetMinFooterSize(int value);
  int MinHeaderSize() const { return minHeaderSize_; }
  void SetMinHeaderSize(int value);
  TdxPreviewPaperOrientation Orientation() const { return orientation_; }
  void SetOrientation(TdxPreviewPaperOrientation value);
  // Portrait page size; X is held at least at the minimum useful width, Y
  // at least at the minimum useful height.
  TdxPointWrapper& OriginalPageSize() { return originalPageSize_; }
  const TdxPointWrapper& OriginalPageSize() const { return originalPageSize_; }
  TdxPreviewPageBackground& PageBackground() { return *pageBackground_; }
  void SetPageBackground(const TdxBackground& value) { pageBackground_->Assign(&value); }
  // The page after orientation, tenths of a millimetre and pixels at 100 %.
  TPoint PageSize() const { return pageSize_; }
  TPoint PageSizeInPixels() const { return pageSizePx_; }
  // The smallest area (tenths of a millimetre) left between opposite margins.
  TPoint MinUsefulSize() const { return minUsefulSize_; }
  void SetMinUsefulSize(TPoint value);

  // ---- Zoom ----
  int MaxZoomFactor() const { return maxZoomFactor_; }
  void SetMaxZoomFactor(int value);
  int MinZoomFactor() const { return minZoomFactor_; }
  void SetMinZoomFactor(int value);
  int ZoomFactor() const { return EnsureLayout(), zoomFactor_; }
  void SetZoomFactor(int value);
  TdxPreviewZoomMode ZoomMode() const { return zoomMode_; }
  void SetZoomMode(TdxPreviewZoomMode value);
  int ZoomStep() const { return zoomStep_; }
  void SetZoomStep(int value);
  int PageXCount() const { return pageXCount_; }
  void SetPageXCount(int value);
  int PageYCount() const { return pageYCount_; }
  void SetPageYCount(int value);
  void SetPageXYCount(int x, int y);
  void ZoomIn() { SetZoomFactor(zoomFactor_ + zoomStep_); }
  void ZoomOut() { SetZoomFactor(zoomFactor_ - zoomStep_); }
  // The click-to-zoom toggle between 100 % and the previous view.
  void ToggleZoom(bool zoomIn);
  bool ZoomedIn() const { return zoomedIn_; }

  // ---- Options ----
  TdxPreviewOptionsBehavior OptionsBehavior() const { return optionsBehavior_; }
  void SetOptionsBehavior(TdxPreviewOptionsBehavior value);
  TdxPreviewOptionsHint OptionsHint() const { return optionsHint_; }
  void SetOptionsHint(TdxPreviewOptionsHint value);
  TdxPreviewOptionsStore OptionsStore() const { return optionsStore_; }
  void SetOptionsStore(TdxPreviewOptionsStore value) { optionsStore_ = value & 1u; }
  TdxPreviewOptionsView OptionsView() const { return optionsView_; }
  void SetOptionsView(TdxPreviewOptionsView value);
  TdxPreviewOptionsZoom OptionsZoom() const { return optionsZoom_; }
  void SetOptionsZoom(TdxPreviewOptionsZoom value);

  // ---- Pages and selection ----
  int PageCount() const { return int(pages_.size()); }
  void SetPageCount(int value);
  const std::vector<TdxPreviewPage>& Pages() const { return EnsureLayout(), pages_; }
  int SelectedPageIndex() const { return selPageIndex_; }
  void SetSelectedPageIndex(int value);
  void SelectFirstPage();
  void SelectLastPage();
  void SelectNextPage();
  void SelectPrevPage();
  int SelectionFrameWidth() const { return selectionFrameWidth_; }
  void SetSelectionFrameWidth(int value);
  // Scrolls so that the page's cell lies inside the client area.
  void MakePageVisible(int index);

  // ---- Updates ----
  void BeginUpdate();
  void EndUpdate();
  bool IsUpdateLocked() const { return updateCount_ > 0; }
  // Stored-form loading: between BeginLoading and Loaded, EndUpdate does not
  // recalculate the page count; Loaded recalculates it and, with
  // pobStoreInRegistry and a registry path, loads the registry settings.
  void BeginLoading() { loading_ = true; }
  void Loaded();
  bool IsLoading() const { return loading_; }
  // Repaints the pages (the owner's content changed).
  void InvalidatePages();
  void InvalidatePage(int index);

  // ---- Geometry ----
  // A hidden control gets no resize notifications: the geometry getters
  // recompute the layout first when the size changed since the last one (the
  // fit of a zoom mode may change the zoom factor then).
  void EnsureLayout() const;
  // The client area in widget coordinates.
  TRect ClientRect() const;
  int ClientWidth() const { return ClientRect().Width(); }
  int ClientHeight() const { return ClientRect().Height(); }
  int Indent() const { return EnsureLayout(), indent_; }
  int ColumnCount() const { return EnsureLayout(), columnCount_; }
  int RowCount() const { return EnsureLayout(), rowCount_; }
  // The visible-row count used by the zoom dialog.
  int VisibleRowCount() const;
  // The scrollable extents (page block) in pixels.
  int TotalWidth() const { return EnsureLayout(), totalWidth_; }
  int TotalHeight() const { return EnsureLayout(), totalHeight_; }
  int LeftPos() const { return EnsureLayout(), leftPos_; }
  void SetLeftPos(int value);
  int TopPos() const { return EnsureLayout(), topPos_; }
  void SetTopPos(int value);
  bool CanScrollHorizontally() const { return MaxLeftPos() > 0; }
  bool CanScrollVertically() const { return MaxTopPos() > 0; }
  void ScrollLines(int dx, int dy);
  // A page's cell: its rectangle grown by 2 pixels to the left and top and
  // indent - 2 pixels to the right and bottom.
  TRect PageCell(int index) const;
  // The page whose cell holds the client point, -1 for none.
  int PageIndexFromPoint(TPoint clientPoint) const;
  // The visible margin of the selected page whose line (widened by 3 pixels
  // each side) holds the client point; null for none.
  TdxPreviewMargin* MarginFromPoint(TPoint clientPoint) const;
  // Position of a margin's line in client pixels (x for vertical lines, y
  // for horizontal ones) on the selected page (page 0 without a selection),
  // for a value in tenths of a millimetre, and back.
  int MarginValueToPos(const TdxPreviewMargin& margin, int value) const;
  int MarginPosToValue(const TdxPreviewMargin& margin, int pos) const;
  int MarginPos(const TdxPreviewMargin& margin) const { return MarginValueToPos(margin, margin.Value()); }
  // The one-pixel strip of a margin's line at pos across its page.
  TRect MarginLineRect(const TdxPreviewMargin& margin, int pos) const;
  // Tenths of a millimetre to pixels at 100 % and at the current zoom.
  int LengthToPixels(int tenthsOfMM) const;
  int LengthToZoomedPixels(int tenthsOfMM) const;
  int ScreenPixelsPerInch() const { return pixelsPerInch_; }
  // Device pixels per client pixel of the paint in progress (or of the last
  // one): the widget's device pixel ratio, or that of the image a snapshot
  // is painted into.
  double PaintPixelRatio() const { return paintRatio_; }
  // A client rectangle in the device pixels of the paint in progress.
  TRect ClientToPaintPixels(const TRect& client) const;

  // ---- Margin dragging ----
  TdxPreviewMargin* DraggingMargin() const { return draggingMargin_; }
  // Starts a drag of the margin with the mouse at the client point.
  void BeginDragMargin(TdxPreviewMargin* margin, TPoint clientPoint);
  // Ends a drag; commit takes the dragged value when it moved.
  void EndDragMargin(bool commit);

  // ---- Hints ----
  // The margin hint and the page-number hint while shown, else null.
  TdxPreviewHintWindow* MarginHintWindow() const;
  TdxPreviewHintWindow* PageNumberHintWindow() const;
  // "Page:  first" or "Page:  first - last" (1-based), through the virtual
  // operation and OnGetPageNumberHint.
  std::string PageNumberHintText(int startPage, int endPage);
  // The first and last page partly visible with the vertical offset topPos.
  void PagesVisibleAt(int topPos, int& first, int& last) const;
  void HideHints();

  // ---- Registry ----
  const std::string& RegistryPath() const { return registryPath_; }
  void SetRegistryPath(const std::string& path) { registryPath_ = path; }
  // Values "OptionHint", "OptionView", "OptionZoom", "ZoomStep",
  // "MarginColor", "MeasurementUnits", "Orientation", with posZoom also
  // "ZoomFactor", "ZoomMode" and in pzmPages "PageXCount", "PageYCount".
  // Registry errors are ignored.
  void LoadFromRegistry(const std::string& path);
  void SaveToRegistry(const std::string& path) const;

  // ---- Auto scrolling (middle button) ----
  bool IsAutoScrolling() const { return autoScroll_ != nullptr; }
  // Runs the auto-scroll loop around the global point; returns when it ends.
  void RunAutoScroll(QPoint globalCenter);
  TdxPreviewAutoScrollDirection AutoScrollDirection() const;

  // ---- Events (a missing handler means the default behaviour) ----
  std::function<void(TCustomdxPreview& sender, TdxPreviewMargin& margin)> OnAfterDragMargin;
  std::function<void(TCustomdxPreview& sender, TdxPreviewMargin& margin)> OnBeforeDragMargin;
  std::function<void(TCustomdxPreview& sender, TdxPreviewMargin& margin)> OnDragMargin;
  std::function<void(TCustomdxPreview& sender, TdxPreviewMargin& margin)> OnMarginChanged;
  std::function<void(TCustomdxPreview& sender)> OnCalcPageCount;
  std::function<void(TCustomdxPreview& sender, bool& canShowHint)> OnCanShowMarginHint;
  std::function<void(TCustomdxPreview& sender, TCanvas& canvas, const TRect& rect, int pageIndex)>
      OnDrawPageBackground;
  std::function<void(TCustomdxPreview& sender, TCanvas& canvas, TRect& rect, int pageIndex)> OnDrawPageContent;
  std::function<void(TCustomdxPreview& sender, int startPage, int endPage, std::string& hint)> OnGetPageNumberHint;
  std::function<void(TCustomdxPreview& sender, int pageIndex)> OnSelectedPageChanging;
  std::function<void(TCustomdxPreview& sender, int pageIndex)> OnSelectedPageChanged;
  std::function<void(TCustomdxPreview& sender, int pageIndex, bool& canSelect)> OnSelectingPage;
  std::function<void(TCustomdxPreview& sender)> OnZoomFactorChanged;
  std::function<void(TCustomdxPreview& sender)> OnZoomModeChanged;
  std::function<void(TCustomdxPreview& sender)> OnClick;
  std::function<void(TCustomdxPreview& sender)> OnDblClick;
  // Assigns OnCalcPageCount and raises it.
  void SetOnCalcPageCount(std::function<void(TCustomdxPreview& sender)> handler);

  // Whether the control's form is the active window (hints, hot tracking and
  // mouse activation ask).
  virtual bool IsFormActive() const;

 protected:
  // ---- Virtual operations, in slot order ----
  virtual void DoDrawPageContent(TCanvas& canvas, TRect& rect, int pageIndex);
  virtual void DoDragMargin(TdxPreviewMargin& margin);
  virtual void DoZoomFactorChanged();
  virtual void DoZoomModeChanged();
  virtual void DoCanShowMarginHint(bool& canShowHint);
  virtual std::string GetPageNumberHintText(int startPage, int endPage);
  virtual void DrawPageBackground(TCanvas& canvas, const TRect& rect, int pageIndex);
  // canvas and pageRect in device pixels (see the header comment).
  virtual void DrawPageFrame(TCanvas& canvas, const TRect& pageRect, int pageIndex);
  // ---- Further notifications ----
  virtual void DoCanSelectPage(int pageIndex, bool& canSelect);
  virtual void DoAfterDragMargin(TdxPreviewMargin& margin);
  virtual void DoBeforeDragMargin(TdxPreviewMargin& margin);
  virtual void DoCalcPageCount();
  virtual void DoMarginChanged(TdxPreviewMargin& margin);
  virtual void DoSelectedPageChanging(int pageIndex);
  virtual void DoSelectedPageChanged(int pageIndex);

  void paintEvent(QPaintEvent*) override;
  void resizeEvent(QResizeEvent*) override;
  void keyPressEvent(QKeyEvent*) override;
  void mousePressEvent(QMouseEvent*) override;
  void mouseDoubleClickEvent(QMouseEvent*) override;
  void mouseMoveEvent(QMouseEvent*) override;
  void mouseReleaseEvent(QMouseEvent*) override;
  void wheelEvent(QWheelEvent*) override;
  void focusOutEvent(QFocusEvent*) override;
  void leaveEvent(QEvent*) override;
  void contextMenuEvent(QContextMenuEvent*) override;
  bool event(QEvent*) override;

 private:
  friend class TdxPreviewMargin;
  friend class TdxPreviewMargins;
  friend class TdxPreviewPageBackground;
  class AutoScroller;

  // Layout.
  int BorderWidth() const;
  int ScrollBarExtent() const;
  void CalcPageSize();
  void CalcIndent() { indent_ = zoomFactor_ * 9 / 100 + 4; }
  int ZoomedPageWidth() const { return MulDiv(pageSizePx_.X, zoomFactor_, 100); }
  int ZoomedPageHeight() const { return MulDiv(pageSizePx_.Y, zoomFactor_, 100); }
  int FitZoomFactor() const;
  void CalcColumnsAndTotals();
  bool UpdateScrollBarVisibility();
  void UpdateScrollBars();
  int ScrollExtentWidth() const;
  int ScrollExtentHeight() const;
  int MaxLeftPos() const;
  int MaxTopPos() const;
  void CalcPagesBounds();
  void Layout();
  void PlaceScrollBars();
  void ScrollTo(int left, int top);
  void ScrollBarMoved(Qt::Orientation orientation, int value);
  void VerticalSliderMoved(int value);
  void VerticalSliderReleased();
  bool IsPageVisible(int index) const;
  int FirstVisiblePage() const;

  // Margins.
  void MarginLimits(const TdxPreviewMargin& margin, int& lower, int& upper) const;
  void MarginValueSet(TdxPreviewMargin& margin, int value);
  void SetMarginValues(const std::array<int, 7>& proposed);
  void ReapplyMargins();
  void InvalidateMargin(const TdxPreviewMargin& margin, int pos);
  void InvalidateMargins(int pageIndex);
  void InvalidatePageRing(int pageIndex);
  int MarginPosOnPage(const TdxPreviewMargin& margin, int value, const TRect& page) const;
  int MarginPageIndex() const { return selPageIndex_ >= 0 ? selPageIndex_ : 0; }
  void DragMarginTo(TPoint clientPoint);
  void ClampDragPos(const TdxPreviewMargin& margin, int& pos) const;
  QPoint MarginHintPos(const TdxPreviewMargin& margin, QSize hintSize, TPoint clientPoint) const;
  void ShowMarginHint(TdxPreviewMargin& margin, TPoint clientPoint);
  void ScheduleMarginHint(TPoint clientPoint);
  void MarginHintTimerFired();
  void HintHideTimerFired();

  // Selection.
  bool CanSelectPage(int index);
  void ChangeSelection(int index);
  void RepairSelection(int oldSelection);

  // Painting.
  void PaintClient(QPainter& painter, const QRegion& region);
  void PaintPages(TCanvas& canvas, const QRegion& region);
  void PaintNoPages(QPainter& painter, const QRect& client);
  void PaintDragLine(QPainter& painter);
  void PaintBorder(QPainter& painter);
  void UpdateCursor(TPoint clientPoint);
  void DropDragSnapshot() { dragSnapshot_ = QImage(); }

  // Input.
  void HandleMouseDown(QMouseEvent* event, bool doubleClick);
  TPoint ToClient(QPointF widgetPoint) const;

  std::unique_ptr<TdxPreviewMargins> margins_;
  std::unique_ptr<TdxPreviewPageBackground> pageBackground_;
  TdxPointWrapper originalPageSize_;
  std::vector<TdxPreviewPage> pages_;

  TBorderStyle borderStyle_ = bsSingle;
  TColor color_ = clBtnShadow;
  TdxPreviewLookAndFeel lookAndFeel_ = plfStandard;
  TColor marginColor_ = clWindowText;
  bool parentBackground_ = false;
  TScrollStyle scrollBars_ = ssBoth;
  bool tabStop_ = false;
  TdxPreviewMeasurementUnits units_ = pmuDefault;
  int minFooterSize_ = 127;
  int minHeaderSize_ = 127;
  TdxPreviewPaperOrientation orientation_ = ppoPortrait;
  int maxZoomFactor_ = 500;
  int minZoomFactor_ = 5;
  int zoomFactor_ = 100;
  TdxPreviewZoomMode zoomMode_ = pzmNone;
  int zoomStep_ = 10;
  int pageXCount_ = 1;
  int pageYCount_ = 1;
  TdxPreviewOptionsBehavior optionsBehavior_ = dxDefaultPreviewOptionsBehavior;
  TdxPreviewOptionsHint optionsHint_ = dxDefaultPreviewOptionsHint;
  TdxPreviewOptionsStore optionsStore_ = dxDefaultPreviewOptionsStore;
  TdxPreviewOptionsView optionsView_ = dxDefaultPreviewOptionsView;
  TdxPreviewOptionsZoom optionsZoom_ = dxDefaultPreviewOptionsZoom;
  std::string registryPath_;

  int pixelsPerInch_ = 96;
  double paintRatio_ = 1.0;
  TPoint pageSize_;
  TPoint pageSizePx_;
  TPoint minUsefulSize_{500, 500};
  int selPageIndex_ = -1;
  int leftPos_ = 0;
  int topPos_ = 0;
  int indent_ = 13;
  int columnCount_ = 1;
  int rowCount_ = 0;
  int totalWidth_ = 0;
  int totalHeight_ = 0;
  int selectionFrameWidth_ = 2;
  int updateCount_ = 0;
  bool loading_ = false;
  bool zoomedIn_ = true;
  int savedZoomFactor_ = 50;
  TdxPreviewZoomMode savedZoomMode_ = pzmNone;
  bool fitting_ = false;
  bool toggling_ = false;
  bool relayouting_ = false;
  bool settingScrollBars_ = false;
  bool hScrollVisible_ = false;
  bool vScrollVisible_ = false;
  bool destroying_ = false;
  QSize layoutSize_;

  QMenu* popupMenu_ = nullptr;
  QScrollBar* hScroll_ = nullptr;
  QScrollBar* vScroll_ = nullptr;

  TdxPreviewMargin* draggingMargin_ = nullptr;
  int dragGrabOffset_ = 0;
  int dragStartPos_ = 0;
  QImage dragSnapshot_;

  TdxPreviewHintWindow* marginHint_ = nullptr;
  TdxPreviewHintWindow* pageNumberHint_ = nullptr;
  QTimer* marginHintTimer_ = nullptr;
  QTimer* hintHideTimer_ = nullptr;
  qint64 marginHintShownAt_ = 0;
  QPoint marginHintOrigin_;
  TPoint lastMousePos_{-1, -1};

  AutoScroller* autoScroll_ = nullptr;
};

// The control as the engine's windows place it.
class TdxPreview : public TCustomdxPreview {
  Q_OBJECT
 public:
  using TCustomdxPreview::TCustomdxPreview;
};
