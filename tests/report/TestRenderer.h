// A small renderer for the report tests: plain canvas calls, text through
// TCanvas::TextRect, fonts kept in points and given to the items in the
// units of the moment (screen pixels while measuring, report units while
// painting), and a log of the solid fills it made.
#pragma once

#include <QImage>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Canvas.h"
#include "platform/Graphics.h"
#include "report/ReportCells.h"
#include "report/RendererInterface.h"

class TTestRenderer : public TCustomdxReportRenderer {
 public:
  TCanvas* Canvas() const override { return canvas_; }
  bool IsPrepared() const override { return canvas_ || Prepared; }
  int LineThickness() const override { return canvas_ ? pixelSize_ : IdleThickness; }
  int PixelSize() const override { return canvas_ ? pixelSize_ : 1; }
  int UnitsPerInch() const override { return 4800; }
  int ScreenPixelsPerInch() const override { return 96; }
  int FontCount() const override { return int(fonts_.size()); }
  const TFont* FontAt(int index) const override;
  int BackgroundBitmapCount() const override { return int(bitmaps_.size()); }
  const TBitmap* BackgroundBitmapAt(int index) const override { return bitmaps_[std::size_t(index)].get(); }
  int TextOut(TCanvas& dc, const std::string& text, TRect& rect, unsigned flags, const TFont* font, int maxLines,
              int leftIndent, int rightIndent, TColor color) override;
  void FillRect(TCanvas& dc, const TRect& rect, TColor color) override;
  bool IsCustomDrawn(const TAbstractdxReportCellData& item) const override;
  bool CustomDrawItem(TAbstractdxReportCellData& item) override;

  // Line thickness and preparedness outside Paint (geometry tests).
  int IdleThickness = 1;
  bool Prepared = false;

  // Pool entries.
  int AddFont(const std::string& name, int points, TColor color = clBlack);
  int AddBitmap(const QImage& image);

  // Paints the document's root cell into image: unitsPerPixel report units
  // per pixel, report point (0, 0) at pixel (originPx, originPx).
  void Paint(TdxReportCells& doc, QImage& image, int unitsPerPixel = 50, int originPx = 0);

  // Solid fills made while painting: rectangle in device pixels and colour.
  struct Fill {
    TRect DeviceRect;
    TColor Color;
  };
  std::vector<Fill> Fills;
  bool HasFill(TColor color) const;

  // Items whose class is this one are custom-drawn; the handler answers
  // whether it did the drawing.
  TdxClass CustomDrawnClass = nullptr;
  std::function<bool(TAbstractdxReportCellData&, TCanvas&)> OnCustomDraw;

 private:
  TCanvas* canvas_ = nullptr;
  int pixelSize_ = 1;
  struct FontEntry {
    TFont font;
    int points;
  };
  std::vector<FontEntry> fonts_;
  mutable std::vector<TFont> scaled_;
  std::vector<std::unique_ptr<TBitmap>> bitmaps_;
};

// A white image of the given size.
QImage WhiteImage(int width, int height);
