// What the renderer and the pagination need of a report link, and the parts
// of a link that the renderer draws: the report title and the two pools that
// report items index into (fonts, background bitmaps).
//
// The report link itself lives in the engine layer and derives from
// TdxPSRenderLink; the layout layer knows it only through this interface.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "layout/TextLayout.h"
#include "layout/PrinterPage.h"
#include "platform/Canvas.h"
#include "platform/Fonts.h"
#include "platform/Graphics.h"
#include "report/BaseObject.h"

class TdxReportCells;
class TAbstractdxReportCellData;
class TdxReportReader;
class TdxReportWriter;
class TdxPSRenderLink;

enum TdxReportTitleMode { tmNone, tmOnFirstPage, tmOnEveryTopPage };

// ---- Report title ---------------------------------------------------------------

class TdxReportTitle : public TdxBaseObject {
  DX_CLASS(TdxReportTitle, TdxBaseObject)

 public:
  // Defaults; link may be none (a free-standing copy).
  explicit TdxReportTitle(TdxPSRenderLink* link = nullptr);

  // Sets every default: not adjusted, clWhite, "Times New Roman" 14 pt bold,
  // tmOnEveryTopPage, no text, centred both ways, transparent.
  virtual void RestoreDefaults();
  virtual void ReadData(TdxReportReader& reader);
  virtual void WriteData(TdxReportWriter& writer) const;

  TdxPSRenderLink* ReportLink() const { return link_; }
  // Copies all eight properties; the link hears of it once, at the end.
  void Assign(const TdxObject* source) override;
  // Ends an update bracket; the last one tells the link of the changes made
  // inside it (once).
  void EndUpdate();

  // Changing AdjustOnReportScale, Mode, Text or Font tells the link
  // (TdxPSRenderLink::ReportTitleChanged) unless updates are locked; Color,
  // Transparent and the alignments change silently.
  bool AdjustOnReportScale() const { return adjustOnReportScale_; }
  void SetAdjustOnReportScale(bool value);
  TColor Color() const { return color_; }
  void SetColor(TColor value) { color_ = value; }
  const TFont& Font() const { return font_; }
  void SetFont(const TFont& value);
  TdxReportTitleMode Mode() const { return mode_; }
  void SetMode(TdxReportTitleMode value);
  const std::string& Text() const { return text_; }
  void SetText(const std::string& value);
  // Only taLeft, taCenterX, taRight (taTop, taCenterY, taBottom) are taken.
  TdxTextAlignX TextAlignX() const { return textAlignX_; }
  void SetTextAlignX(TdxTextAlignX value);
  TdxTextAlignY TextAlignY() const { return textAlignY_; }
  void SetTextAlignY(TdxTextAlignY value);
  bool Transparent() const { return transparent_; }
  void SetTransparent(bool value) { transparent_ = value; }

 protected:
  // All eight properties under one lock, one notification at the end.
  void DoAssign(const TdxBaseObject& source) override;

 private:
  void TitleChanged();

  TdxPSRenderLink* link_ = nullptr;
  bool adjustOnReportScale_ = false;
  TColor color_ = clWhite;
  TFont font_;
  TdxReportTitleMode mode_ = tmOnEveryTopPage;
  std::string text_;
  TdxTextAlignX textAlignX_ = taCenterX;
  TdxTextAlignY textAlignY_ = taCenterY;
  bool transparent_ = true;
  bool pending_ = false;  // changed while locked
};

// ---- Pools ----------------------------------------------------------------------

// Fonts of a report, shared by index (FontIndex of the items). Each entry
// keeps the point size its font had when it was added.
class TdxPSReportFontPool {
 public:
  // The index of an equal entry (colour, name compared exactly, pitch, style
  // and point size; the character set is not compared), else a copy is
  // appended.
  int Add(const TFont& font);
  void Clear();
  int Count() const { return int(entries_.size()); }
  // Callers check the index.
  const TFont& Font(int index) const { return entries_[std::size_t(index)].font; }
  TFont& Font(int index) { return entries_[std::size_t(index)].font; }
  int PointSize(int index) const { return entries_[std::size_t(index)].points; }
  // Every entry's height := -(points x unitsPerInch / 72), multiply-divide.
  void Scale(int unitsPerInch);

 private:
  struct Entry {
    TFont font;
    int points;
  };
  std::vector<Entry> entries_;
};

// Background bitmaps of a report, shared by index; -1 gives none.
class TdxPSBackgroundBitmapPool {
 public:
  // The index of an equal bitmap (same size and pixels), else a copy is
  // appended.
  int Add(const TBitmap& bitmap);
  void Clear();
  int Count() const { return int(bitmaps_.size()); }
  const TBitmap* Bitmap(int index) const;

 private:
  std::vector<std::unique_ptr<TBitmap>> bitmaps_;
};

// ---- The link as the renderer sees it -------------------------------------------

class TdxPSRenderLink {
 public:
  virtual ~TdxPSRenderLink() = default;

  // The built report; none before a build.
  virtual TdxReportCells* ReportCells() const = 0;
  // The page that governs layout and printing.
  virtual TdxPrinterPage& RealPrinterPage() = 0;
  // The scale S in percent (fit computation for smFit).
  virtual int RealScaleFactor() = 0;
  virtual TdxReportTitle& ReportTitle() = 0;
  virtual TdxPSReportFontPool& FontPool() = 0;
  virtual TdxPSBackgroundBitmapPool& BackgroundBitmapPool() = 0;
  // Scale fonts with the report (True for the links of this program).
  virtual bool ScaleFonts() const = 0;
  virtual bool ShowPageHeader() const = 0;
  virtual bool ShowPageFooter() const = 0;
  // Empty pages: links that support it may hide them.
  virtual bool SupportsEmptyPages() const { return false; }
  virtual bool ShowEmptyPages() const { return true; }
  // Page-break candidates in report units.
  virtual void GetDelimiters(std::vector<int>& horz, std::vector<int>& vert) {}
  // Vertical positions where a cut is preferred (none for most links), and
  // whether the earliest preferred position within reach is taken instead of
  // the last one.
  virtual void GetPreferredBreaks(std::vector<int>& vert) {}
  virtual bool PreferEarliestBreak() const { return false; }
  // Whether the document's header and footer cells are printed (when the
  // document has them).
  virtual bool ShowHeaderCell() const { return true; }
  virtual bool ShowFooterCell() const { return true; }
  // Content drawn in two passes (stage 1, then stage 2) instead of one.
  virtual bool IsTwoPassRendering() const { return false; }
  virtual bool IsCustomDrawn(const TAbstractdxReportCellData& item) const { return false; }
  // Draws item instead of the renderer; answers whether it did.
  virtual bool CustomDrawItem(TAbstractdxReportCellData& item, TCanvas& canvas, const TRect& bounds,
                              const TRect& clientBounds) {
    return false;
  }
  // After a page was drawn, clipped to the target rectangle.
  virtual void CustomDrawPage(TCanvas& canvas, int pageIndex, const TRect& rect) {}
  // A page header (isHeader) or footer band; may switch off the default
  // text and background.
  virtual void CustomDrawPageHeaderOrFooter(bool isHeader, TCanvas& canvas, int pageIndex, TRect& rect, int nom,
                                            int denom, bool& defaultDrawText, bool& defaultDrawBackground) {}
  // The report title; done = the link drew it all.
  virtual void CustomDrawReportTitle(TCanvas& canvas, const TRect& rect, int nom, int denom, TdxTextAlignX& alignX,
                                     TdxTextAlignY& alignY, TColor& color, TFont& font, bool& done) {}
  // May change the title height (screen pixels).
  virtual void MeasureReportTitle(int& height) {}
  // The page number that header and footer functions show for a page
  // (continuous numbering across links may change it).
  virtual int PageNumberForHF(int visiblePageIndex) const { return visiblePageIndex + 1; }
  // The title's Mode, Text, font or AdjustOnReportScale changed.
  virtual void ReportTitleChanged() {}
};
