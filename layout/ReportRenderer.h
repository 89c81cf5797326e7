// Pagination and page drawing of a report link's document.
//
// TdxPSReportRenderInfo cuts the document into a grid of pages for the
// link's printer page (page size, margins, scale, header and footer bands,
// title). TdxPSReportRenderer draws any one page of that grid on any canvas:
// a screen at any zoom, a printer at its resolution, a metafile.
//
// Units: page units are tenths of a millimetre; report units 1/UnitsPerInch
// inch; S is the link's scale in percent. R(x) = x * UnitsPerInch * 100 /
// (254 * S) turns page units into report units.
#pragma once

#include <algorithm>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "layout/RenderLink.h"
#include "platform/Canvas.h"
#include "report/ClassInfo.h"
#include "report/ReportCells.h"
#include "report/ReportStreamValues.h"
#include "report/RendererInterface.h"

// Report units per inch of the process: 4800 (Qt's coordinates are 32-bit).
int dxPSReportUnitsPerInch();
void dxPSSetReportUnitsPerInch(int value);

// The scale S in percent of a report reportWidth units wide on page: the
// page's ScaleFactor for smAdjust; for smFit the printable width over the
// report width, one percent under the exact ratio (at least 1; 100 for an
// empty report).
int dxPSCalcScaleFactor(const TdxPrinterPage& page, int reportWidth);

struct TdxTextLayout;

// One page of the grid.
struct TdxPSPageRenderInfo {
  TRect PageRect;
  TRect ContentRect;
  TPoint Offset;
  TPoint TitleOffset;
  bool IsFirstRow = false;
  bool IsLastRow = false;
  bool DrawHeaderCell = false;
  bool DrawFooterCell = false;
  bool IsEmpty = false;
  std::vector<std::pair<int, int>> Runs;         // first, last child of the root cell
  std::vector<std::vector<int>> OverlayIndexes;  // per overlay: child indexes
};

class TdxPSReportRenderInfo : public TdxObject {
  DX_CLASS(TdxPSReportRenderInfo, TdxObject)

 public:
  explicit TdxPSReportRenderInfo(TdxPSRenderLink* link = nullptr);
  ~TdxPSReportRenderInfo() override;

  TdxPSRenderLink* ReportLink() const { return link_; }
  void SetReportLink(TdxPSRenderLink* link) { link_ = link; }

  // Runs the whole pagination (nothing while locked).
  virtual void Calculate();
  void Lock() { ++lockCount_; }
  void Unlock() { if (lockCount_ > 0) --lockCount_; }
  bool IsLocked() const { return lockCount_ > 0; }
  // Frees the pages and clears every list and rectangle.
  void Clear();

  // Pages minus the empty ones when the link hides them.
  int PageCount() const;
  // Grid size (all pages).
  int GridPageCount() const { return int(pages_.size()); }
  int VisiblePageToIndex(int visiblePage) const;
  int IndexToVisiblePage(int index) const;
  bool IsPageShown(int index) const;
  bool HasTitle(int index) const;
  int ToReportUnits(int loMetric) const;
  int UnitsPerInch() const;
  int ColumnCount() const { return columnCount_; }
  int RowCount() const { return rowCount_; }
  int EmptyPageCount() const { return emptyPageCount_; }
  // Callers check the index (0 to GridPageCount - 1).
  const TdxPSPageRenderInfo& Page(int index) const { return pages_[std::size_t(index)]; }
  // 100 and S: report units times S / 100 give lengths on paper.
  int ScaleNumerator() const { return 100; }
  int ScaleDenominator() const { return scale_; }
  bool BandsFit() const { return bandsFit_; }

  const std::vector<int>& HorzBreaks() const { return horzBreaks_; }
  const std::vector<int>& VertBreaks() const { return vertBreaks_; }
  const std::vector<int>& ColumnBounds() const { return columnBounds_; }
  const std::vector<int>& RowBounds() const { return rowBounds_; }
  const TRect& HeaderCellRect() const { return headerCellRect_; }
  const TRect& FooterCellRect() const { return footerCellRect_; }
  const TRect& PageHeaderRect() const { return pageHeaderRect_; }
  const TRect& PageFooterRect() const { return pageFooterRect_; }
  const TRect& TitleRect() const { return titleRect_; }
  TPoint PageSize() const { return pageSize_; }
  TPoint ContentSize() const { return contentSize_; }
  const TFont& ReportFont() const { return reportFont_; }
  TColor DefaultBorderColor() const { return defaultBorderColor_; }
  const std::vector<int>& PreferredBreaks() const { return preferredBreaks_; }

  // The page grid in a report stream: HorzBreaks, then VertBreaks, each as a
  // count followed by the values. Reading checks the counts (at most
  // dxMaxStoredBreaks, else EReadError) and keeps the values within the
  // report length limits; the lists read are kept as LoadedHorzBreaks and
  // LoadedVertBreaks (a link that shows a loaded report answers them as its
  // delimiters) and replace the current candidate lists.
  void WriteBreaks(TdxReportWriter& writer) const;
  void ReadBreaks(TdxReportReader& reader);
  const std::vector<int>& LoadedHorzBreaks() const { return loadedHorz_; }
  const std::vector<int>& LoadedVertBreaks() const { return loadedVert_; }
  void ClearLoadedBreaks();

  // A document whose bounds are huge next to the page (a damaged report
  // file) would make millions of page records; the grid is kept within
  // these limits and the last column (row) then holds the rest.
  static constexpr int MaxColumns = 1 << 14;
  static constexpr int MaxPages = 1 << 18;
  static constexpr int dxMaxStoredBreaks = 1 << 20;

 protected:
  // Steps of Calculate.
  void CalculateSizes();
  void CalculateTitle();
  void CalculateBreakCandidates();
  void CalculateColumns();
  void CalculateRows();
  void CalculatePages();
  void CalculateOffsets();
  void CalculateItemLists();
  int TitleHeightOnPaper() const;  // title height x S / 100
  bool TitleShown() const;

  std::vector<int> loadedHorz_, loadedVert_;
  std::vector<int> nonEmpty_;  // indexes of the pages that are not empty

  TdxPSRenderLink* link_ = nullptr;
  int lockCount_ = 0;
  int scale_ = 100;
  bool bandsFit_ = true;
  int columnCount_ = 0;
  int rowCount_ = 0;
  int emptyPageCount_ = 0;
  std::vector<TdxPSPageRenderInfo> pages_;
  std::vector<int> horzBreaks_, vertBreaks_, preferredBreaks_, columnBounds_, rowBounds_;
  TRect headerCellRect_, footerCellRect_, pageHeaderRect_, pageFooterRect_, titleRect_;
  TPoint pageSize_, contentSize_;
  TFont reportFont_;
  TColor defaultBorderColor_ = clBlack;
};

// Solid brushes by colour, made once and kept for the renderer's life.
// clNone and clDefault give the empty brush.
class TdxPSReportBrushPool {
 public:
  const TBrush& Get(TColor color);
  int Count() const { return int(brushes_.size()); }
  void Clear() { brushes_.clear(); }

 private:
  std::vector<std::pair<std::uint32_t, TBrush>> brushes_;  // RGB, brush
  TBrush empty_{clWhite, bsClear, {}};
};

class TdxPSReportRenderer : public TdxObject, public TCustomdxReportRenderer {
  DX_CLASS(TdxPSReportRenderer, TdxObject)

 public:
  explicit TdxPSReportRenderer(TdxPSRenderLink* link = nullptr);
  ~TdxPSReportRenderer() override;

  TdxPSRenderLink* ReportLink() const { return link_; }
  void SetReportLink(TdxPSRenderLink* link) { link_ = link; }
  void SetRenderInfo(TdxPSReportRenderInfo* info) { renderInfo_ = info; }
  TdxPSReportRenderInfo* RenderInfo() const { return renderInfo_; }

  // Draws grid page pageIndex (visiblePageIndex for the page number) so that
  // the whole paper maps onto targetRect (device coordinates of canvas).
  virtual void RenderPage(TCanvas& canvas, const TRect& targetRect, int zoom, int pageIndex, int visiblePageIndex);

  // ---- TCustomdxReportRenderer ----
  TCanvas* Canvas() const override { return canvas_; }
  int LineThickness() const override { return lineThickness_; }
  int PixelSize() const override { return pixelSize_; }
  int UnitsPerInch() const override;
  int FontCount() const override;
  const TFont* FontAt(int index) const override;
  int BackgroundBitmapCount() const override;
  const TBitmap* BackgroundBitmapAt(int index) const override;
  // On the canvas of the page being drawn, texts are laid out with
  // TextLayoutPixel instead of the device pixel (see TdxTextReference), so
  // that a text breaks into the same lines on a screen at any zoom, on a
  // printer and in a metafile; elsewhere (measuring while a report is built)
  // with the device pixel.
  int TextOut(TCanvas& dc, const std::string& text, TRect& rect, unsigned flags, const TFont* font, int maxLines,
              int leftIndent, int rightIndent, TColor color = clDefault) override;
  // One pixel of the screen the report was built on, in report units: the
  // pixel of text margins and indents on every device (the device pixel of
  // the preview at 100 % and scale 100).
  int TextLayoutPixel() const { return std::max(1, ScreenToUnits(1)); }
  // Told every text that TextOut lays out while a page is drawn, in report
  // units of the page, whether it is drawn or measured (text search and
  // export read the lines from here).
  std::function<void(const TdxTextLayout&)> OnTextLayout;
  bool IsCustomDrawn(const TAbstractdxReportCellData& item) const override;
  // Clipped to the item's outer bounds, the link draws the item; answers
  // whether it did.
  bool CustomDrawItem(TAbstractdxReportCellData& item) override;

  // ---- Drawing operations (logical units of dc) ----
  // Solid fills come from the brush pool.
  void FillRect(TCanvas& dc, const TRect& rect, TColor color) override;
  // Non-solid patterns use the pattern factory's brush (the printer's on
  // printers) with bkColor and color on the context during the fill,
  // anchored at the rectangle's top-left device pixel when the pattern
  // aligns to the device.
  void FillRectEx(TCanvas& dc, const TRect& rect, TdxPSFillPatternClass pattern, TColor bkColor,
                  TColor color) override;
  // A region in logical units; the brush is anchored at its bounding box.
  void FillRegion(TCanvas& dc, const TRegion& region, TdxPSFillPatternClass pattern, TColor bkColor,
                  TColor color);
  void FillEllipse(TCanvas& dc, const TRect& rect, TdxPSFillPatternClass pattern, TColor bkColor, TColor color);
  void FillRoundRect(TCanvas& dc, const TRect& rect, TdxPSFillPatternClass pattern, TColor bkColor, TColor color,
                     int ellipseHeight, int ellipseWidth);
  // The ring between the ellipse of rect and that of rect inset by
  // thickness x LineThickness.
  void FrameEllipse(TCanvas& dc, const TRect& rect, int thickness, TColor color);
  // The same with rounded rectangles; the inner corners are scaled down with
  // the inner size.
  void FrameRoundRect(TCanvas& dc, const TRect& rect, int thickness, TColor color, int ellipseHeight,
                      int ellipseWidth);
  // Frame of thickness lines in frameColor, then the inset interior filled.
  void DrawEllipse(TCanvas& dc, const TRect& rect, int thickness, TColor frameColor,
                   TdxPSFillPatternClass pattern, TColor bkColor, TColor color);
  void DrawRoundRect(TCanvas& dc, const TRect& rect, int thickness, TColor frameColor,
                     TdxPSFillPatternClass pattern, TColor bkColor, TColor color, int ellipseHeight,
                     int ellipseWidth);
  void DrawRect(TCanvas& dc, const TRect& rect, int thickness, TColor frameColor, TdxPSFillPatternClass pattern,
                TColor bkColor, TColor color);
  // Flat (kind 0) or 3D (kind 1) frame, as the borders draw it.
  void DrawBorderEdge(TCanvas& dc, const TRect& rect, TColor color, bool soft, TdxItemSides sides, int edgeStyle,
                      int kind);

  // Glyph fonts: 0 "Marlett" 10 pt, 1 "Marlett" 8 pt, 2 "Symbol" 7 pt, their
  // heights in report units while a page is drawn.
  const TFont& GlyphFont(int index) const { return glyphFonts_[std::size_t(index) % 3]; }
  TdxPSReportBrushPool& BrushPool() { return brushPool_; }

  int Zoom() const { return zoom_; }
  int PageIndex() const { return pageIndex_; }
  const TRect& TargetRect() const { return targetRect_; }
  // 3 for a single pass, 1 or 2 during two passes, 0 between pages.
  int RenderStage() const { return stage_; }

 protected:
  // Steps of RenderPage, on the prepared canvas.
  virtual void PrepareCanvas(TCanvas& canvas, const TRect& targetRect, int zoom);
  virtual void PreparePoolFonts();
  virtual void RenderPageBackground(TCanvas& canvas);
  virtual void RenderPageHeaderOrFooter(TCanvas& canvas, bool isHeader, int pageIndex, int pageNumber);
  virtual void RenderReportTitle(TCanvas& canvas);
  virtual void RenderPageContent(TCanvas& canvas, int stage);
  // Draws one top-level cell with its top-left at (x, y) of the current
  // logical coordinates.
  void RenderCell(TCanvas& canvas, TdxReportCell& cell, int x, int y, int stage, const TRect& clip);
  // Fill of a region in device pixels (clipped to it) with the brush of
  // pattern anchored at the region's box.
  void FillDeviceRegion(TCanvas& dc, const TRegion& deviceRegion, TdxPSFillPatternClass pattern, TColor bkColor,
                        TColor color);
  void FillWithPattern(TCanvas& dc, const TRect& rect, const TRect& anchor, TdxPSFillPatternClass pattern,
                       TColor bkColor, TColor color);
  int Scale() const;

  TdxPSReportBrushPool brushPool_;
  TFont glyphFonts_[3];
  TRect targetRect_;
  int stage_ = 0;

  TdxPSRenderLink* link_ = nullptr;
  TdxPSReportRenderInfo* renderInfo_ = nullptr;
  TCanvas* canvas_ = nullptr;
  int lineThickness_ = 1;
  int pixelSize_ = 1;
  int zoom_ = 100;
  int pageIndex_ = -1;
};
