// The main window's report on pages that are narrower or shorter than the
// window: every page shows a part of the photo or the calendar (none only
// the window's background) and none is a sliver of a few pixels.
#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <algorithm>
#include <memory>
#include <string>

#include "app/MainForm.h"
#include "editors/ImageEditor.h"
#include "engine/ComponentPrinter.h"
#include "engine/ContainerReportLink.h"
#include "layout/ReportRenderer.h"
#include "platform/Canvas.h"
#include "tests/TestSupport.h"
#include "tests/layout/TestPage.h"

TEST(Form1Pagination, EveryPageShowsPartOfTheWindow) {
  ScratchDir dir;
  TForm1 form;
  form.show();
  QApplication::processEvents();
  form.cxImage1->Picture().LoadFromFile(WriteTestJpeg(dir, "photo.jpg", 800, 600));
  QApplication::processEvents();

  const struct {
    const char* what;
    TTestPaper paper;
    int left, right, topBottom;  // thousandths of a millimetre
    int scale;
  } cases[] = {
      {"A4 with 20 mm side margins", kTestA4, 20000, 20000, 12700, 100},
      {"Letter with the left margin at 27 mm", kTestLetter, 27000, 12700, 10000, 100},
      {"A4 at 200 %", kTestA4, 12700, 12700, 12700, 200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    TdxPrinterPage& page = form.yaziciLink1->PrinterPage();
    page.BeginUpdate();
    page.SetMeasurementUnits(muMillimeters);
    SetUpTestPage(page, c.paper);
    page.Margins().SetLeft(c.left);
    page.Margins().SetRight(c.right);
    page.Margins().SetTop(c.topBottom);
    page.Margins().SetBottom(c.topBottom);
    page.SetScaleFactor(c.scale);
    page.EndUpdate();
    form.yazici->RebuildLink(form.yaziciLink1);
    TdxPSReportRenderInfo& info = form.yaziciLink1->RenderInfo();
    ASSERT_GT(info.GridPageCount(), 1);
    const int pixel = info.UnitsPerInch() / 96;
    for (int i = 0; i < info.GridPageCount(); ++i) {
      const TdxPSPageRenderInfo& p = info.Page(i);
      EXPECT_GT(p.ContentRect.Width(), 10 * pixel) << "page " << i + 1;
      EXPECT_GT(p.ContentRect.Height(), 10 * pixel) << "page " << i + 1;
      // What the sheet shows: ink (photo, calendar text) on at least 1 % of
      // it, not the window's pale background alone.
      const int w = MulDiv(c.paper.Size.X, 96, 25400), h = MulDiv(c.paper.Size.Y, 96, 25400);
      QImage sheet(w, h, QImage::Format_RGB32);
      sheet.fill(Qt::white);
      {
        TCanvas canvas(&sheet);
        form.yazici->PaintLinkPage(canvas, i, TRect(0, 0, w, h), form.yaziciLink1);
      }
      int ink = 0;
      for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
          const QRgb rgb = sheet.pixel(x, y);
          if (std::min({qRed(rgb), qGreen(rgb), qBlue(rgb)}) < 200) ++ink;
        }
      EXPECT_GT(ink, w * h / 100) << "page " << i + 1 << " of " << info.GridPageCount() << " shows nothing";
    }
  }
}
