// What report items and cells ask of the renderer while they are measured and
// painted. The renderer of the layout layer implements the abstract part (the
// page being drawn, the pools, the text engine); the drawing helpers here
// have working defaults on top of the canvas, which a renderer may replace.
//
// All coordinates are report units on the canvas of the page being drawn
// (the renderer maps them to the device). t below is LineThickness(): one
// border line on the current device, in report units.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Fonts.h"
#include "platform/Types.h"
#include "report/ClassInfo.h"
#include "report/CellBorderPainters.h"
#include "report/CellBorders.h"
#include "report/FillPatterns.h"
#include "report/ItemFormat.h"

class TBitmap;
class TGraphic;
class TCustomImageList;
class TAbstractdxReportCellData;
class TdxPSReportGroupLookAndFeelPainter;

// Saves the clip region of a canvas and selects it again when it goes out of
// scope, also when an exception passes.
class TdxClipRegionSaver {
 public:
  explicit TdxClipRegionSaver(TCanvas& dc) : dc_(dc) { has_ = dc.GetClipRgn(region_); }
  ~TdxClipRegionSaver() { dc_.SelectClipRgn(has_ ? &region_ : nullptr); }
  TdxClipRegionSaver(const TdxClipRegionSaver&) = delete;
  TdxClipRegionSaver& operator=(const TdxClipRegionSaver&) = delete;

 private:
  TCanvas& dc_;
  TRegion region_;
  bool has_ = false;
};

class TCustomdxReportRenderer {
 public:
  TCustomdxReportRenderer();
  virtual ~TCustomdxReportRenderer();
  TCustomdxReportRenderer(const TCustomdxReportRenderer&) = delete;
  TCustomdxReportRenderer& operator=(const TCustomdxReportRenderer&) = delete;

  // ---- The page being drawn ----
  // The canvas of the page being drawn; null between pages.
  virtual TCanvas* Canvas() const = 0;
  // True while a page is being drawn (the line thickness is that device's).
  virtual bool IsPrepared() const { return Canvas() != nullptr; }
  // t: report units of one border line (at least 1).
  virtual int LineThickness() const = 0;
  // Report units per device pixel (at least 1).
  virtual int PixelSize() const = 0;
  // Report units per inch (4800 normally).
  virtual int UnitsPerInch() const = 0;
  // Pixels per inch of the screen the document was built on (the screen's).
  virtual int ScreenPixelsPerInch() const;
  // A length in screen pixels in report units (rounding multiply-divide).
  int ScreenToUnits(int pixels) const;

  // ---- Pools of the report link (callers check the index first) ----
  virtual int FontCount() const = 0;
  virtual const TFont* FontAt(int index) const = 0;
  virtual int BackgroundBitmapCount() const = 0;
  virtual const TBitmap* BackgroundBitmapAt(int index) const = 0;

  // ---- Text ----
  // The text layout routine: lays out text in rect with dxTextFlags; font
  // (null: the canvas's font) with its colour, or color unless clDefault;
  // maxLines > 0 limits the drawn lines; the indents are device pixels.
  // With CalcRect, rect becomes the extent and nothing is drawn. Answers the
  // height of the block, or with LineCount the number of lines.
  virtual int TextOut(TCanvas& dc, const std::string& text, TRect& rect, unsigned flags, const TFont* font,
                      int maxLines, int leftIndent, int rightIndent, TColor color = clDefault) = 0;
  // Measuring (width -1: no width); an empty text measures 0.
  int MeasureTextHeight(TCanvas& dc, const std::string& text, int width, const TFont* font, bool multiline);
  int MeasureTextWidth(TCanvas& dc, const std::string& text, const TFont* font);
  int MeasureFontHeight(TCanvas& dc, const TFont* font);
  int MeasureLineCount(TCanvas& dc, const std::string& text, int width, const TFont* font);
  // One caption line: rect filled with color first when fill is set, then
  // the text with flags plus the caption flags and the alignments.
  virtual void DrawCaption(TCanvas& dc, const TRect& rect, TdxTextAlignX alignX, TdxTextAlignY alignY, bool fill,
                           TColor color, const TFont* font, const std::string& text, unsigned flags);

  // ---- Fills and frames ----
  // Solid fill; clNone and clDefault fill nothing.
  virtual void FillRect(TCanvas& dc, const TRect& rect, TColor color);
  // Fill with a pattern: foreground pixels in color, background pixels in
  // bkColor; a solid pattern fills with color; no pattern fills nothing.
  virtual void FillRectEx(TCanvas& dc, const TRect& rect, TdxPSFillPatternClass pattern, TColor bkColor,
                          TColor color);
  // count nested frames, each a strip t wide along every side in sides.
  virtual void FrameRect(TCanvas& dc, const TRect& rect, int count, TdxItemSides sides, TColor color);

  // ---- Pictures ----
  // The graphic stretched into rect.
  virtual void DrawGraphic(TCanvas& dc, const TRect& rect, const TGraphic& graphic);
  // A picture item's picture: the image list entry imageIndex of imageList
  // when there is one, else graphic, stretched into imageRect and clipped to
  // clipRect (the image area). Unless noFill, the image area is filled with
  // the item's background (pattern, bkColor, color) first: all of it for a
  // transparent picture, only the part outside imageRect for an opaque one.
  virtual void DrawPicture(TCanvas& dc, const TRect& imageRect, TdxPSFillPatternClass pattern, TColor bkColor,
                           TColor color, bool noFill, bool transparent, const TGraphic* graphic, int imageIndex,
                           const TCustomImageList* imageList, const TRect& clipRect);

  // ---- Glyphs ----
  // A check box or radio button in rect (the glyph cell).
  virtual void DrawCheckGlyph(TCanvas& dc, const TRect& rect, TColor borderColor, TdxCheckEdgeStyle edgeStyle,
                              bool isRadio, bool enabled, bool checked);
  struct ExpandButtonStyle {
    bool Expanded = false;
    bool Border = true;       // frame and interior
    bool ThreeD = false;
    bool ThreeDSoft = false;
    bool Shadow = false;
    bool Transparent = true;  // interior not filled
    TColor BorderColor = clBlack;
    TColor InteriorColor = clNone;
  };
  // A tree expand button filling rect (a square), with its "+" or "-".
  virtual void DrawExpandButton(TCanvas& dc, const TRect& rect, const ExpandButtonStyle& style);
  // The ascending (1) or descending (2) sort triangle centred in rect.
  virtual void DrawSortMark(TCanvas& dc, const TRect& rect, int sortOrder);

  // ---- Custom drawing by the report link ----
  // Whether the link draws item itself (default: never).
  virtual bool IsCustomDrawn(const TAbstractdxReportCellData& item) const;
  // Lets the link draw item; answers whether it did (default: no).
  virtual bool CustomDrawItem(TAbstractdxReportCellData& item);

  // ---- Painters and pixel snapping ----
  // The renderer's one instance of a border painter class or look-and-feel
  // painter class, created on first request. Raise EdxPrintEngine when cls
  // is not such a class.
  TdxPSCellBorderPainter* GetBorderPainter(TdxClass cls);
  TdxPSReportGroupLookAndFeelPainter* GetLookAndFeelPainter(TdxClass cls);
  // rect converted to device pixels and back on dc.
  virtual TRect SnapToPixels(TCanvas& dc, const TRect& rect) const;

 private:
  std::vector<std::unique_ptr<TdxObject>> painters_;
};
