// The report document: a tree of report items. Cells are rectangles that hold
// child cells and data items (the leaves: text, check marks, pictures...);
// groups are cells with a caption frame drawn by an exchangeable
// look-and-feel; TdxReportCells is the document that owns the tree.
//
// Geometry is in report units (1/UnitsPerInch inch), integers; every item
// keeps its bounds relative to its parent cell. A link builds the tree in
// screen pixels and scales it to report units (TdxReportCells::Scale).
//
// Painting: the renderer moves the canvas's window origin so that a top
// cell's top-left corner is at 0,0 and calls its DrawItself. A cell paints
// its background and borders, then its data items from the last to the first
// (the first ends on top), then its child cells in list order. A cell
// computes its geometry in its own coordinates (origin 0,0); a data item in
// its parent's.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Fonts.h"
#include "platform/Types.h"
#include "report/ClassInfo.h"
#include "report/CellBorders.h"
#include "report/ItemFormat.h"

class TBitmap;
class TCanvas;
class TCustomImageList;
class TCustomdxReportRenderer;
class TdxReportReader;
class TdxReportWriter;
class TdxReportCell;
class TdxReportCells;
class TdxReportGroup;
class TAbstractdxReportCellData;
class TdxPSReportGroupLookAndFeel;

// Messages of the report document.
namespace dxPSReportMessages {
inline constexpr const char* FontIndexOutOfRange = "Font index %d is out of range";
inline constexpr const char* BitmapIndexOutOfRange = "Background bitmap index %d is out of range";
inline constexpr const char* LookAndFeelIndexOutOfRange = "Look and feel index %d is out of range";
inline constexpr const char* ImageListIndexOutOfRange = "Image list index %d is out of range";
inline constexpr const char* ImageIndexOutOfRange = "Image index %d is out of range";
inline constexpr const char* ListIndexOutOfBounds = "List index out of bounds (%d)";
inline constexpr const char* NotAReportItem = "Class %s is not a report item class";
inline constexpr const char* NotALookAndFeel = "Class %s is not a group look and feel class";
inline constexpr const char* NestedTooDeeply = "Report cells are nested too deeply";
// A class name in a document stream that no class is registered under.
inline constexpr const char* AssertionFailure = "Assertion failure";
}  // namespace dxPSReportMessages

// Registers every report item, border, fill pattern and look-and-feel class
// of the report document for streams (once; further calls do nothing).
void dxPSRegisterReportClasses();

// ---- Items ---------------------------------------------------------------------

class TdxReportItem : public TdxObject {
  DX_CLASS(TdxReportItem, TdxObject)

 public:
  TdxReportItem() = default;
  // Detaches the item from its parent.
  ~TdxReportItem() override;
  TdxReportItem(const TdxReportItem&) = delete;
  TdxReportItem& operator=(const TdxReportItem&) = delete;

  // Copies the fields of source that this class shares with it.
  virtual void Assign(const TdxReportItem& source);
  // The item's document: the parent's, none without a parent.
  virtual TdxReportCells* GetReportCells() const;
  // Cells go into the child cell list of their parent, all else into the
  // data item list.
  virtual bool IsCell() const { return false; }
  virtual void ReadData(TdxReportReader& reader);
  virtual void WriteData(TdxReportWriter& writer) const;
  // Items that answer false are skipped when their cell is written.
  virtual bool IsSerializable() const { return true; }

  TdxReportCell* Parent() const { return parent_; }
  TdxReportCells* ReportCells() const { return GetReportCells(); }
  // Position in the parent's list; -1 without parent.
  int Index() const;
  // Moves the item within its list (clamped to the list).
  void SetIndex(int index);
  // Removes the item from its old parent and appends it to cell (the new
  // parent owns it). Same parent: nothing.
  void SetParent(TdxReportCell* cell);

  std::int32_t Data = 0;

 private:
  friend class TdxReportCell;
  TdxReportCell* parent_ = nullptr;
};

// An item with bounds, colours, borders and a font.
class TdxReportVisualItem : public TdxReportItem {
  DX_CLASS(TdxReportVisualItem, TdxReportItem)

 public:
  TdxReportVisualItem() = default;

  void Assign(const TdxReportItem& source) override;
  void ReadData(TdxReportReader& reader) override;
  void WriteData(TdxReportWriter& writer) const override;

  virtual void BoundsChanged() {}
  // Every bounds coordinate times numerator / denominator (rounding
  // multiply-divide); nothing for a zero denominator.
  virtual void Scale(int numerator, int denominator);
  // Tile (col, row) of the background bitmap, in the item's drawing
  // coordinates; tiles are anchored at the report's origin.
  virtual TRect GetBackgroundBitmapTileBounds(int col, int row) const;
  virtual TRect GetBackgroundBounds(TCanvas& dc) const;
  virtual TdxPSCellBorderClass GetBorderClass() const;
  virtual TdxPSCellBorderClass GetBorderClassForSide(int side) const;
  // The strip of rect that the border of side occupies.
  virtual TRect GetBorderEdgeBounds(int side, const TRect& rect) const;
  // Line thicknesses that the border of side reaches outside the bounds.
  virtual int GetBorderOuterExtent(int side, bool swapped) const;
  // Thickness of the border of side, in line thicknesses.
  virtual int GetBorderThickness(int side) const;
  // The rectangle the border geometry starts from: the bounds (cells: moved
  // to the origin).
  virtual TRect GetBorderRect() const;
  virtual TdxClass GetBorderPainterClass() const;
  virtual void InitBorderPainter(TdxPSCellBorderPainter& painter);
  virtual TColor GetContentBkColor() const { return color_; }
  virtual TdxPSFillPatternClass GetContentPattern() const;
  virtual TColor GetShadowColor() const;
  virtual int GetShadowDepth() const;
  virtual void SetContentBkColor(TColor color) {}
  virtual void SetContentPattern(TdxPSFillPatternClass pattern) {}
  virtual void SetFontIndex(int index);
  virtual void SetShadowColor(TColor color) {}
  virtual void SetShadowDepth(int depth) {}
  virtual bool HasBackgroundBitmap() const;
  virtual bool HasBackground() const { return !Transparent(); }
  virtual bool HasBorder() const { return CellSides() != 0 || Shadowed(); }
  virtual void DrawBackground(TCanvas& dc);
  virtual void DrawBackgroundBitmap(TCanvas& dc);
  virtual void DrawBackgroundBitmapTile(TCanvas& dc, const TRect& rect);
  virtual void DrawBorders(TCanvas& dc);
  // Where border painters draw the sides: outer bounds minus the shadow.
  virtual TRect GetBorderBounds(TCanvas& dc) const;
  // Inside the borders and the shadow.
  virtual TRect GetInnerBounds(TCanvas& dc) const;
  // Including the parts of the borders outside the bounds.
  virtual TRect GetOuterBounds(TCanvas& dc) const;
  // Stores the bounds and calls BoundsChanged (nothing when unchanged).
  virtual void SetBounds(int left, int top, int width, int height);
  virtual int GetBorderHeight() const;
  virtual int GetBorderWidth() const;
  virtual int MeasureContentHeight(TCanvas& dc) { return 0; }
  virtual int MeasureContentWidth(TCanvas& dc) { return 0; }
  virtual int MeasureHeight(TCanvas& dc) { return GetBorderHeight() + MeasureContentHeight(dc); }
  virtual int MeasureWidth(TCanvas& dc) { return GetBorderWidth() + MeasureContentWidth(dc); }

  // ---- Fields ----
  int BackgroundBitmapIndex() const { return backgroundBitmapIndex_; }
  void SetBackgroundBitmapIndex(int index) { backgroundBitmapIndex_ = index < -1 ? -1 : index; }
  TdxPSCellBorderClass BorderClass() const { return borderClass_; }
  // No class sets TdxPSCellUltraFlatBorder.
  void SetBorderClass(TdxPSCellBorderClass cls);
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor color);
  // BorderColor, or the document's when it is clDefault.
  TColor GetBorderColor() const;
  const TRect& BoundsRect() const { return bounds_; }
  void SetBoundsRect(const TRect& r) { SetBounds(r.Left, r.Top, r.Width(), r.Height()); }
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int FontIndex() const { return fontIndex_; }
  TdxFormat Format() const { return format_; }
  void SetFormat(TdxFormat format) { format_ = format; }

  // ---- Format bits of all visual items ----
  TdxItemSides CellSides() const { return format_ & dxFormatSides; }
  void SetCellSides(TdxItemSides sides) { format_ = (format_ & ~dxFormatSides) | (sides & dxFormatSides); }
  bool Transparent() const { return format_ & dxFormatTransparent; }
  void SetTransparent(bool value) { SetFormatFlag(dxFormatTransparent, value); }
  bool Shadowed() const { return format_ & dxFormatShadowed; }
  void SetShadowed(bool value) { SetFormatFlag(dxFormatShadowed, value); }
  bool OpaqueToParent() const { return format_ & dxFormatOpaqueToParent; }
  void SetOpaqueToParent(bool value) { SetFormatFlag(dxFormatOpaqueToParent, value); }
  bool Visible() const { return format_ & dxFormatVisible; }
  void SetVisible(bool value) { SetFormatFlag(dxFormatVisible, value); }

  // ---- Geometry helpers ----
  // Sum of the Left/Top of the item and all its ancestors.
  TPoint AbsoluteOrigin() const;
  // The bounds moved to the absolute origin.
  TRect AbsoluteRect() const;
  int Left() const { return bounds_.Left; }
  int Top() const { return bounds_.Top; }
  int Width() const { return bounds_.Width(); }
  int Height() const { return bounds_.Height(); }
  void SetLeft(int value) { SetBounds(value, Top(), Width(), Height()); }
  void SetTop(int value) { SetBounds(Left(), value, Width(), Height()); }
  void SetWidth(int value) { SetBounds(Left(), Top(), value, Height()); }
  void SetHeight(int value) { SetBounds(Left(), Top(), Width(), value); }

  // The pool font of FontIndex; none for -1 or without document or
  // renderer. An index outside the pool raises EdxPrintEngine.
  const TFont* Font() const;
  // The renderer's line thickness; 1 without renderer.
  int LineThickness() const;
  // Colour of the nearest non-transparent ancestor; clNone when none.
  TColor ParentBackgroundColor() const;
  TCustomdxReportRenderer* Renderer() const;
  // A length in screen pixels in report units (4800 per inch without
  // renderer).
  int ScreenToUnits(int pixels) const;
  // One device pixel in report units (1 without renderer).
  int PixelSize() const;

 protected:
  void SetFormatFlag(TdxFormat flag, bool value) { format_ = dxSetFormatFlag(format_, flag, value); }
  unsigned FormatBits(TdxFormat mask, int offset) const { return dxGetFormatBits(format_, mask, offset); }
  void SetFormatBits(TdxFormat mask, int offset, unsigned value) {
    format_ = dxSetFormatBits(format_, mask, offset, value);
  }
  // The absolute position of the origin of the coordinates the item draws
  // in: the parent's absolute origin (cells: their own).
  TPoint DrawingOrigin() const;
  // The bounds grown by the outside parts of the borders, before snapping.
  TRect CalcOuterBounds() const;
  TRect Snap(TCanvas& dc, const TRect& r) const;

  TdxFormat format_ = dxDefaultVisualItemFormat;

 private:
  int backgroundBitmapIndex_ = -1;
  TdxPSCellBorderClass borderClass_ = dxDefaultBorderClass();
  TColor borderColor_ = clDefault;
  TRect bounds_;
  TColor color_ = clWhite;
  int fontIndex_ = 0;
};

// ---- Cells ---------------------------------------------------------------------

class TdxReportCell : public TdxReportVisualItem {
  DX_CLASS(TdxReportCell, TdxReportVisualItem)

 public:
  // Appends the new cell to parent (when given), which owns it.
  explicit TdxReportCell(TdxReportCell* parent = nullptr);
  // Frees the data items, then the child cells, each from the last.
  ~TdxReportCell() override;

  void Assign(const TdxReportItem& source) override;
  TdxReportCells* GetReportCells() const override { return reportCells_; }
  bool IsCell() const override { return true; }
  void ReadData(TdxReportReader& reader) override;
  void WriteData(TdxReportWriter& writer) const override;
  // Scales the data items and child cells, then itself.
  void Scale(int numerator, int denominator) override;
  TRect GetBorderRect() const override;
  int MeasureContentHeight(TCanvas& dc) override { return Height(); }
  int MeasureContentWidth(TCanvas& dc) override { return Width(); }

  virtual void ReadCells(TdxReportReader& reader);
  virtual void ReadDataItems(TdxReportReader& reader);
  virtual void ReadProperties(TdxReportReader& reader) {}
  virtual void WriteCells(TdxReportWriter& writer) const;
  virtual void WriteDataItems(TdxReportWriter& writer) const;
  virtual void WriteProperties(TdxReportWriter& writer) const {}
  // Paints the cell and everything in it. rect: the cell at the origin;
  // clip: the visible area in absolute report coordinates; stage: 3 for a
  // single pass, else 1 then 2.
  virtual void DrawItself(TCanvas& dc, const TRect& rect, int stage, const TRect& clip);
  virtual void DrawBackgroundAndBorders(TCanvas& dc, int stage);
  virtual void DrawCells(TCanvas& dc, const TRect& rect, int stage, const TRect& clip);
  virtual void DrawDataItems(TCanvas& dc, const TRect& clip, int stage);
  // Excludes the outer bounds of opaque children from the clip region;
  // answers whether the region became empty.
  virtual bool ExcludeOpaqueChildren(TCanvas& dc, const TRect& clip);

  int CellCount() const { return int(cells_.size()); }
  // Child cell i; raises EdxPrintEngine out of range.
  TdxReportCell* Cells(int index) const;
  int DataItemCount() const { return int(dataItems_.size()); }
  TAbstractdxReportCellData* DataItems(int index) const;
  // Frees all child cells and data items (the last first).
  void ClearAll();
  void ClearCells();
  void ClearDataItems();
  // Position of item in its list; -1 when it is not a child.
  int IndexOf(const TdxReportItem* item) const;

  // The topmost visible item at p (the cell's own coordinates): child cells
  // from the last, their content first, then the data items from the first,
  // then the cell itself; none when p is outside.
  TdxReportVisualItem* HitTest(TPoint p);

  bool ClipChildren() const { return format_ & dxFormatClipChildren; }
  void SetClipChildren(bool value) { SetFormatFlag(dxFormatClipChildren, value); }

 protected:
  // Lists of the items in the order they were added.
  const std::vector<TdxReportCell*>& CellList() const { return cells_; }
  const std::vector<TAbstractdxReportCellData*>& DataItemList() const { return dataItems_; }
  // Bracket the reading of the data item list (nothing here).
  virtual void BeginReadDataItems() {}
  virtual void EndReadDataItems() {}

 private:
  friend class TdxReportItem;
  friend class TdxReportCells;
  friend class TAbstractdxReportCellData;
  void InsertItem(TdxReportItem* item);
  void RemoveItem(TdxReportItem* item);
  void MoveItem(TdxReportItem* item, int index);
  void SetReportCells(TdxReportCells* cells);
  void ReadItemList(TdxReportReader& reader);
  void WriteItemList(TdxReportWriter& writer, bool cells) const;

  TdxReportCells* reportCells_ = nullptr;
  std::vector<TdxReportCell*> cells_;
  std::vector<TAbstractdxReportCellData*> dataItems_;
};

// ---- Groups --------------------------------------------------------------------

class TdxReportGroup : public TdxReportCell {
  DX_CLASS(TdxReportGroup, TdxReportCell)

 public:
  explicit TdxReportGroup(TdxReportCell* parent = nullptr);

  void Assign(const TdxReportItem& source) override;
  void ReadData(TdxReportReader& reader) override;
  void WriteData(TdxReportWriter& writer) const override;
  void Scale(int numerator, int denominator) override;
  TdxPSCellBorderClass GetBorderClass() const override;
  int GetBorderOuterExtent(int side, bool swapped) const override;
  int GetBorderThickness(int side) const override;
  bool HasBorder() const override;
  void DrawBorders(TCanvas& dc) override;
  TRect GetBorderBounds(TCanvas& dc) const override;

  // CaptionTextWidth := the width of Caption in the caption font, plus 4
  // when positive.
  void Prepare(TCanvas& dc);
  // Own look-and-feel, else the nearest ancestor group's, else the
  // document's default.
  TdxPSReportGroupLookAndFeel* EffectiveLookAndFeel() const;

  std::string Caption;
  int CaptionTextWidth = 0;
  TdxPSReportGroupLookAndFeel* LookAndFeel = nullptr;  // owned by the document

  TdxCaptionAlignment CaptionAlignment() const {
    return TdxCaptionAlignment(FormatBits(dxFormatCaptionAlignment, dxFormatCaptionAlignmentOffset) % 3);
  }
  void SetCaptionAlignment(TdxCaptionAlignment value) {
    SetFormatBits(dxFormatCaptionAlignment, dxFormatCaptionAlignmentOffset, unsigned(value));
  }
  bool ShowCaption() const { return format_ & dxFormatShowCaption; }
  void SetShowCaption(bool value) { SetFormatFlag(dxFormatShowCaption, value); }
  bool CaptionTransparent() const { return format_ & dxFormatCaptionTransparent; }
  void SetCaptionTransparent(bool value) { SetFormatFlag(dxFormatCaptionTransparent, value); }
};

// ---- Group look-and-feels ------------------------------------------------------

class TdxPSReportGroupLookAndFeelClassInfo : public TdxClassInfo {
 public:
  using TdxClassInfo::TdxClassInfo;
  virtual TdxPSCellBorderClass DefaultBorderClass() const = 0;
  virtual TdxItemSides DefaultSides() const = 0;
  virtual std::string DisplayName() const = 0;
  virtual TdxClass PainterClass() const = 0;
};
using TdxPSReportGroupLookAndFeelClass = const TdxPSReportGroupLookAndFeelClassInfo*;

template <class T, class Base = TdxPSReportGroupLookAndFeelClassInfo>
class TdxPSReportGroupLookAndFeelMeta : public Base {
 public:
  using Base::Base;
  TdxPSCellBorderClass DefaultBorderClass() const override { return T::DefaultBorderClass(); }
  TdxItemSides DefaultSides() const override { return T::DefaultSides(); }
  std::string DisplayName() const override { return T::DisplayName(); }
  TdxClass PainterClass() const override { return T::PainterClass(); }
};

class TdxPSReportGroupLookAndFeel : public TdxObject {
 public:
  template <class T>
  using dxMetaClass = TdxPSReportGroupLookAndFeelMeta<T>;
  DX_CLASS(TdxPSReportGroupLookAndFeel, TdxObject)

 public:
  TdxPSReportGroupLookAndFeel() = default;
  TdxPSReportGroupLookAndFeel(const TdxPSReportGroupLookAndFeel&) = delete;
  TdxPSReportGroupLookAndFeel& operator=(const TdxPSReportGroupLookAndFeel&) = delete;

  // Class operations (through LookAndFeelClass() for an object).
  // TdxPSCellEtchedBorder when that class is registered, else the default
  // one-line border.
  static TdxPSCellBorderClass DefaultBorderClass();
  static TdxItemSides DefaultSides() { return dxFormatSides; }
  static std::string DisplayName() { return ""; }
  static TdxClass PainterClass() { return nullptr; }
  TdxPSReportGroupLookAndFeelClass LookAndFeelClass() const;

  virtual void Assign(const TdxPSReportGroupLookAndFeel& source);
  // Caption height and indent (Web: also the separator thickness).
  virtual void Scale(int numerator, int denominator);
  virtual void ReadData(TdxReportReader& reader);
  virtual void WriteData(TdxReportWriter& writer) const;
  virtual int GetBorderThickness(const TdxReportGroup& group, int side) const;
  virtual int BorderThickness() const { return 0; }
  // Color, or the document's GroupColor for clDefault.
  virtual TColor GetColor() const;
  virtual void SetBorderThickness(int value) {}
  virtual int GetCaptionAreaHeight() const { return CaptionHeight(); }
  virtual TColor GetCaptionColor() const { return GetColor(); }
  virtual int CaptionHeight() const { return captionHeight_; }
  virtual int CaptionIndent() const { return captionIndent_; }
  virtual TRect GetCaptionBounds(const TdxReportGroup& group) const;
  virtual TRect GetCaptionLeftRestBounds(const TdxReportGroup& group) const;
  virtual TRect GetCaptionRightRestBounds(const TdxReportGroup& group) const;
  virtual TRect GetCaptionTextBounds(const TdxReportGroup& group) const;
  // CaptionHeight := the height of one line of the caption font.
  virtual void Prepare(TCanvas& dc);
  // Draws the group's frame and caption with the renderer's painter.
  void Paint(TCanvas& dc, TdxReportGroup& group);

  // The caption font: CaptionFontIndex, else FontIndex, of the pool; none
  // when both are -1.
  const TFont* CaptionFont() const;

  void SetCaptionHeight(int value) { captionHeight_ = value; }
  int CaptionFontIndex() const { return captionFontIndex_; }
  void SetCaptionFontIndex(int value) { captionFontIndex_ = value < -1 ? -1 : value; }
  void SetCaptionIndent(int value) { captionIndent_ = value; }
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int FontIndex() const { return fontIndex_; }
  void SetFontIndex(int value) { fontIndex_ = value < -1 ? -1 : value; }
  TdxReportCells* ReportCells() const { return reportCells_; }
  void SetReportCells(TdxReportCells* cells) { reportCells_ = cells; }

  std::int32_t Data = 0;

 protected:
  TCustomdxReportRenderer* Renderer() const;
  int LineThickness() const;

 private:
  int captionHeight_ = 0;
  int captionFontIndex_ = -1;
  int captionIndent_ = 5;
  TColor color_ = clBtnFace;
  int fontIndex_ = -1;
  TdxReportCells* reportCells_ = nullptr;
};

class TdxPSReportGroupNullLookAndFeel : public TdxPSReportGroupLookAndFeel {
  DX_CLASS(TdxPSReportGroupNullLookAndFeel, TdxPSReportGroupLookAndFeel)

 public:
  static TdxPSCellBorderClass DefaultBorderClass() { return dxDefaultBorderClass(); }
  static TdxItemSides DefaultSides() { return 0; }
  static std::string DisplayName() { return "Null"; }
  static TdxClass PainterClass();
  int BorderThickness() const override { return 1; }
  int CaptionHeight() const override { return 0; }
};

class TdxPSReportGroupStandardLookAndFeel : public TdxPSReportGroupLookAndFeel {
  DX_CLASS(TdxPSReportGroupStandardLookAndFeel, TdxPSReportGroupLookAndFeel)

 public:
  static std::string DisplayName() { return "Standard"; }
  static TdxClass PainterClass();
};

class TdxPSReportGroupOfficeLookAndFeel : public TdxPSReportGroupStandardLookAndFeel {
  DX_CLASS(TdxPSReportGroupOfficeLookAndFeel, TdxPSReportGroupStandardLookAndFeel)

 public:
  static TdxItemSides DefaultSides() { return isdTop; }
  static std::string DisplayName() { return "Office"; }
  int CaptionIndent() const override { return 0; }
};

class TdxPSReportGroupWebLookAndFeel : public TdxPSReportGroupLookAndFeel {
  DX_CLASS(TdxPSReportGroupWebLookAndFeel, TdxPSReportGroupLookAndFeel)

 public:
  static TdxPSCellBorderClass DefaultBorderClass() { return dxDefaultBorderClass(); }
  static std::string DisplayName() { return "Web"; }
  static TdxClass PainterClass();

  void Assign(const TdxPSReportGroupLookAndFeel& source) override;
  void Scale(int numerator, int denominator) override;
  void ReadData(TdxReportReader& reader) override;
  void WriteData(TdxReportWriter& writer) const override;
  int GetBorderThickness(const TdxReportGroup& group, int side) const override;
  int BorderThickness() const override { return borderThickness_; }
  void SetBorderThickness(int value) override { borderThickness_ = value < 0 ? 0 : value; }
  int GetCaptionAreaHeight() const override { return CaptionHeight() + captionSeparatorThickness_; }
  TColor GetCaptionColor() const override;
  TRect GetCaptionBounds(const TdxReportGroup& group) const override;
  TRect GetCaptionLeftRestBounds(const TdxReportGroup& group) const override { return {}; }
  TRect GetCaptionRightRestBounds(const TdxReportGroup& group) const override { return {}; }
  TRect GetCaptionTextBounds(const TdxReportGroup& group) const override { return GetCaptionBounds(group); }
  virtual TColor GetBorderColor() const;
  virtual TColor GetCaptionSeparatorColor() const;
  virtual TRect GetCaptionSeparatorBounds(const TdxReportGroup& group) const;

  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor color);
  TColor CaptionColor() const { return captionColor_; }
  void SetCaptionColor(TColor color);
  TColor CaptionSeparatorColor() const { return captionSeparatorColor_; }
  void SetCaptionSeparatorColor(TColor color);
  int CaptionSeparatorThickness() const { return captionSeparatorThickness_; }
  void SetCaptionSeparatorThickness(int value) { captionSeparatorThickness_ = value < 0 ? 0 : value; }

 private:
  TColor borderColor_ = clDefault;
  int borderThickness_ = 1;
  TColor captionColor_ = clDefault;
  TColor captionSeparatorColor_ = clDefault;
  int captionSeparatorThickness_ = 0;
};

// ---- Look-and-feel painters ----------------------------------------------------

class TdxPSReportGroupLookAndFeelPainter : public TdxObject {
  DX_CLASS(TdxPSReportGroupLookAndFeelPainter, TdxObject)

 public:
  TdxPSReportGroupLookAndFeelPainter() = default;
  virtual void DrawBorders(TCanvas& dc);
  virtual void DrawCaptionText(TCanvas& dc);
  virtual void Initialize(TdxPSReportGroupLookAndFeel* lookAndFeel, TdxReportGroup* group);
  virtual void Paint(TCanvas& dc) {}
  TdxReportGroup* Group() const { return group_; }
  TdxPSReportGroupLookAndFeel* LookAndFeel() const { return lookAndFeel_; }
  TCustomdxReportRenderer* Renderer() const { return renderer_; }
  void SetRenderer(TCustomdxReportRenderer* renderer) { renderer_ = renderer; }

 private:
  TCustomdxReportRenderer* renderer_ = nullptr;
  TdxPSReportGroupLookAndFeel* lookAndFeel_ = nullptr;
  TdxReportGroup* group_ = nullptr;
};

class TdxPSReportGroupNullLookAndFeelPainter : public TdxPSReportGroupLookAndFeelPainter {
  DX_CLASS(TdxPSReportGroupNullLookAndFeelPainter, TdxPSReportGroupLookAndFeelPainter)
};

class TdxPSReportGroupStandardLookAndFeelPainter : public TdxPSReportGroupLookAndFeelPainter {
  DX_CLASS(TdxPSReportGroupStandardLookAndFeelPainter, TdxPSReportGroupLookAndFeelPainter)

 public:
  void Paint(TCanvas& dc) override;
  virtual void DrawCaptionRest(TCanvas& dc);
};

class TdxPSReportGroupWebLookAndFeelPainter : public TdxPSReportGroupLookAndFeelPainter {
  DX_CLASS(TdxPSReportGroupWebLookAndFeelPainter, TdxPSReportGroupLookAndFeelPainter)

 public:
  void DrawBorders(TCanvas& dc) override;
  void Paint(TCanvas& dc) override;
  virtual void DrawCaptionSeparator(TCanvas& dc);
};

// ---- The document --------------------------------------------------------------

class TdxReportCells : public TdxObject {
  DX_CLASS(TdxReportCells, TdxObject)

 public:
  // The root cell, the Standard and Null look-and-feels (Standard the
  // default), no header, footer or overlays.
  TdxReportCells();
  ~TdxReportCells() override;
  TdxReportCells(const TdxReportCells&) = delete;
  TdxReportCells& operator=(const TdxReportCells&) = delete;

  // The renderer of the owning link (pools, drawing); may be none.
  TCustomdxReportRenderer* Renderer() const { return renderer_; }
  void SetRenderer(TCustomdxReportRenderer* renderer) { renderer_ = renderer; }

  virtual void AfterReadData(TdxReportReader& reader);
  virtual void AfterWriteData(TdxReportWriter& writer);
  virtual void BeforeReadData(TdxReportReader& reader);
  virtual void BeforeWriteData(TdxReportWriter& writer);
  // The root cell (recursively), ShadowDepth, every look-and-feel, the
  // header and footer cells and the overlays; nothing for a zero
  // denominator.
  virtual void Scale(int numerator, int denominator);
  // The cell below the root, header, footer or an overlay that holds item.
  virtual TdxReportCell* GetTopLevelCell(const TdxReportItem* item) const;

  // Reading clears the root cell and the look-and-feels first; a failed
  // read leaves the root cell empty and passes the error on.
  void ReadData(TdxReportReader& reader);
  void WriteData(TdxReportWriter& writer);
  // Frees all children and data items of the root cell.
  void ClearItems();

  TdxReportCell* Cells() const { return root_.get(); }
  // Created on first access (colour clBtnFace).
  TdxReportCell* HeaderCell();
  TdxReportCell* FooterCell();
  bool HasHeaderCell() const { return bool(header_); }
  bool HasFooterCell() const { return bool(footer_); }
  int HeaderCellCount() const;
  int FooterCellCount() const;
  TRect HeaderCellBounds() const;
  TRect FooterCellBounds() const;

  // The topmost visible item at an absolute report position: overlays (the
  // last first), then the root cell's tree. Header and footer cells are not
  // searched.
  TdxReportVisualItem* HitTest(TPoint p) const;
  // Every item of the root cell's tree, parents before their children
  // (child cells before data items).
  void EnumerateItems(const std::function<void(TdxReportItem&)>& visit) const;

  // ---- Look-and-feels ----
  int LookAndFeelCount() const { return int(lookAndFeels_.size()); }
  // Raises EdxPrintEngine out of range.
  TdxPSReportGroupLookAndFeel* LookAndFeels(int index) const;
  TdxPSReportGroupLookAndFeel* LookAndFeel() const { return lookAndFeel_; }
  void SetLookAndFeel(TdxPSReportGroupLookAndFeel* lookAndFeel);
  // With reuse, the first owned look-and-feel of exactly cls; otherwise a
  // new one appended to the list. Raises EdxPrintEngine when cls is no
  // look-and-feel class.
  TdxPSReportGroupLookAndFeel* CreateLookAndFeel(TdxClass cls, bool reuse = true);
  TdxPSReportGroupLookAndFeel* FindLookAndFeel(TdxClass cls) const;
  int IndexOfLookAndFeel(const TdxPSReportGroupLookAndFeel* lookAndFeel) const;

  // ---- Image lists ----
  int ImageListCount() const { return int(imageLists_.size()); }
  // -1 gives none; raises EdxPrintEngine out of range.
  TCustomImageList* GetImageList(int index) const;
  int IndexOfImageList(const TCustomImageList* list) const;
  // Appends unless present or none.
  void AddImageList(TCustomImageList* list);

  // ---- Overlays ----
  TdxReportCell* AddOverlay();
  int OverlayCount() const { return int(overlays_.size()); }
  TdxReportCell* Overlays(int index) const;
  // Copies every overlay of source, moving each copied overlay's children
  // and data items by dx, dy; Assign replaces the current overlays first.
  void AddOverlays(const TdxReportCells& source, int dx = 0, int dy = 0);
  void AssignOverlays(const TdxReportCells& source, int dx = 0, int dy = 0);
  void ClearOverlays();

  // ---- Pools of the link, range-checked ----
  // -1 or no renderer: none. Out of range: EdxPrintEngine.
  const TFont* GetFontByIndex(int index) const;
  const TBitmap* GetBackgroundBitmap(int index) const;

  int BoundsHeight() const;
  int BoundsWidth() const;

  // ---- Document properties ----
  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor color);
  std::int32_t StoredInteger = 1;  // kept for the stream layout only
  TColor ExpandButtonBorderColor() const { return expandButtonBorderColor_; }
  void SetExpandButtonBorderColor(TColor color);
  TColor GroupBorderColor() const { return groupBorderColor_; }
  void SetGroupBorderColor(TColor color);
  TColor GroupCaptionColor() const { return groupCaptionColor_; }
  void SetGroupCaptionColor(TColor color);
  TColor GroupCaptionSeparatorColor() const { return groupCaptionSeparatorColor_; }
  void SetGroupCaptionSeparatorColor(TColor color);
  TColor GroupColor() const { return groupColor_; }
  void SetGroupColor(TColor color);
  TColor ShadowColor() const { return shadowColor_; }
  void SetShadowColor(TColor color);
  int ShadowDepth() const { return shadowDepth_; }
  void SetShadowDepth(int value) { shadowDepth_ = value < 0 ? 0 : value; }
  TColor TreeLineColor() const { return treeLineColor_; }
  void SetTreeLineColor(TColor color);
  int TreeLineStyle() const { return treeLineStyle_; }  // 0 solid, 1 dotted
  void SetTreeLineStyle(int value) { treeLineStyle_ = value == 0 ? 0 : 1; }

 private:
  void ClearLookAndFeels();
  void CollectImageLists();

  TCustomdxReportRenderer* renderer_ = nullptr;
  std::unique_ptr<TdxReportCell> root_;
  std::unique_ptr<TdxReportCell> header_;
  std::unique_ptr<TdxReportCell> footer_;
  std::vector<std::unique_ptr<TdxReportCell>> overlays_;
  std::vector<std::unique_ptr<TdxPSReportGroupLookAndFeel>> lookAndFeels_;
  TdxPSReportGroupLookAndFeel* lookAndFeel_ = nullptr;
  std::vector<TCustomImageList*> imageLists_;
  std::vector<std::unique_ptr<TCustomImageList>> ownedImageLists_;

  TColor borderColor_ = clBlack;
  TColor expandButtonBorderColor_ = clBlack;
  TColor groupBorderColor_ = clBtnFace;
  TColor groupCaptionColor_ = clBtnFace;
  TColor groupCaptionSeparatorColor_ = clBtnFace;
  TColor groupColor_ = clBtnFace;
  TColor shadowColor_ = clBlack;
  int shadowDepth_ = 3;
  TColor treeLineColor_ = clGray;
  int treeLineStyle_ = 1;
};
