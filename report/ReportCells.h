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
//
// The items (TdxReportItem, TdxReportVisualItem) are declared in
// report/ReportItems.h, the group look-and-feels and their painters in
// report/GroupLookAndFeels.h; both come with this header.
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
#include "report/GroupLookAndFeels.h"
#include "report/ItemFormat.h"
#include "report/ReportItems.h"

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
