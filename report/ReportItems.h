// The items of the report document: TdxReportItem, the base of every node
// of the tree (its parent cell, its index, reading and writing), and
// TdxReportVisualItem, an item with bounds, colour, font, borders, sides and
// a background (cells and data items are visual items).
//
// Geometry is in report units; an item keeps its bounds relative to its
// parent cell.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Fonts.h"
#include "platform/Types.h"
#include "report/ClassInfo.h"
#include "report/Cell3DBorders.h"
#include "report/CellBorderPainters.h"
#include "report/CellBorders.h"
#include "report/EdgePatterns.h"
#include "report/FillPatterns.h"
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
