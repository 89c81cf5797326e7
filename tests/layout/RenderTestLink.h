// A report link for the pagination and rendering tests: it owns a document,
// a printer page (US Letter, half-inch margins, so that the printable area is
// 7.5 x 10 inches = 36000 x 48000 report units at 100 %), a title and the
// pools, and answers break candidates and events from plain fields.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "layout/ReportRenderer.h"
#include "layout/RenderLink.h"
#include "layout/PrinterPage.h"
#include "tests/layout/TestPage.h"
#include "report/ReportCells.h"

class TRenderTestLink : public TdxPSRenderLink {
 public:
  TRenderTestLink() : cells(std::make_unique<TdxReportCells>()), title(this), info(this), renderer(this) {
    page.SetMeasurementUnits(muMillimeters);
    SetUpTestPage(page, kTestLetter);
    title.SetMode(tmNone);
    renderer.SetRenderInfo(&info);
    cells->SetRenderer(&renderer);
    TFont font;
    font.Name = "Liberation Sans";
    font.SetSize(10);
    font.Color = clBlack;
    fontPool.Add(font);
    cells->Cells()->SetFontIndex(0);
  }

  // The root cell's size, in report units.
  void SetReportSize(int width, int height) { cells->Cells()->SetBoundsRect(TRect(0, 0, width, height)); }
  // A child of the root cell (transparent, no sides) at r.
  TdxReportCell* AddCell(const TRect& r, TColor color = clNone) {
    auto* cell = new TdxReportCell(cells->Cells());
    cell->SetBoundsRect(r);
    cell->SetCellSides(0);
    if (color != clNone) {
      cell->SetColor(color);
      cell->SetTransparent(false);
    }
    return cell;
  }

  // ---- TdxPSRenderLink ----
  TdxReportCells* ReportCells() const override { return cells.get(); }
  TdxPrinterPage& RealPrinterPage() override { return page; }
  int RealScaleFactor() override { return dxPSCalcScaleFactor(page, cells->BoundsWidth()); }
  TdxReportTitle& ReportTitle() override { return title; }
  TdxPSReportFontPool& FontPool() override { return fontPool; }
  TdxPSBackgroundBitmapPool& BackgroundBitmapPool() override { return bitmapPool; }
  bool ScaleFonts() const override { return true; }
  bool ShowPageHeader() const override { return showPageHeader; }
  bool ShowPageFooter() const override { return showPageFooter; }
  bool SupportsEmptyPages() const override { return supportsEmptyPages; }
  bool ShowEmptyPages() const override { return showEmptyPages; }
  void GetDelimiters(std::vector<int>& horz, std::vector<int>& vert) override {
    horz.insert(horz.end(), horzDelimiters.begin(), horzDelimiters.end());
    vert.insert(vert.end(), vertDelimiters.begin(), vertDelimiters.end());
  }
  void GetPreferredBreaks(std::vector<int>& vert) override { vert = preferredBreaks; }
  bool PreferEarliestBreak() const override { return preferEarliest; }
  void MeasureReportTitle(int& height) override {
    if (titleHeight) height = *titleHeight;
  }
  void ReportTitleChanged() override { ++titleChanges; }
  void CustomDrawPageHeaderOrFooter(bool isHeader, TCanvas& canvas, int pageIndex, TRect& rect, int nom, int denom,
                                    bool& defaultDrawText, bool& defaultDrawBackground) override {
    if (onBand) onBand(isHeader, canvas, rect);
  }
  void CustomDrawPage(TCanvas& canvas, int pageIndex, const TRect& rect) override { pagesDrawn.push_back(pageIndex); }

  std::unique_ptr<TdxReportCells> cells;
  TdxPrinterPage page;
  TdxReportTitle title;
  TdxPSReportFontPool fontPool;
  TdxPSBackgroundBitmapPool bitmapPool;
  TdxPSReportRenderInfo info;
  TdxPSReportRenderer renderer;

  std::vector<int> horzDelimiters, vertDelimiters, preferredBreaks;
  bool preferEarliest = false;
  bool showPageHeader = false, showPageFooter = false;
  bool supportsEmptyPages = false, showEmptyPages = true;
  std::optional<int> titleHeight;  // screen pixels the title-measuring event answers
  int titleChanges = 0;
  std::function<void(bool isHeader, TCanvas&, const TRect&)> onBand;
  std::vector<int> pagesDrawn;
};
