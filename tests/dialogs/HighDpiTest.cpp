// The page setup dialog's pictures on a high-density screen (device pixel
// ratio 2): the sample page's grid and margin lines and the orientation
// picture's page frame are one device pixel thin. These tests run in a
// second pass of the test program under QT_SCALE_FACTOR=2 and skip in the
// normal pass.
#include <gtest/gtest.h>

#include <QApplication>
#include <memory>
#include <vector>

#include "dialogs/PageSetupDialog.h"
#include "dialogs/PrintStyles.h"
#include "layout/PrintDevice.h"
#include "platform/MessageDialogs.h"
#include "preview/PreviewControl.h"
#include "tests/TestSupport.h"
#include "tests/editors/DialogControlsSupport.h"
#include "tests/ModalAnswers.h"

namespace {

unsigned Rgb(TColor color) { return unsigned(ColorToQColor(color).rgb()) & 0xFFFFFFu; }

// Runs of pixels of one colour along a row or a column: (start, length).
std::vector<std::pair<int, int>> Runs(const QImage& image, bool row, int at, int from, int to, unsigned rgb) {
  std::vector<std::pair<int, int>> runs;
  int start = -1;
  for (int i = from; i <= to; ++i) {
    const bool hit = i < to && PixelRGB(image, row ? i : at, row ? at : i) == rgb;
    if (hit && start < 0) start = i;
    if (!hit && start >= 0) {
      runs.emplace_back(start, i - start);
      start = -1;
    }
  }
  return runs;
}

class HighDpiPageSetup : public ::testing::Test {
 protected:
  void SetUp() override {
    dxPSRegisterPrintStyles();
    dxPSRegisterPageSetupDialog();
    AnswerMessageBoxes([](TMessageBoxKind, const std::string&, const std::string&) { return false; });
    style_.PrinterPage().SetMeasurementUnits(muMillimeters);
    style_.PrinterPage().SetDMPaper(9);
    style_.PrinterPage().SetOrientation(poPortrait);
  }
  void TearDown() override {
    AnswerModal<TdxfmPageSetupDialog>(nullptr);
    AnswerMessageBoxes(nullptr);
    dxPSUnregisterPageSetupDialog();
  }

  void Run(const std::function<void(TdxfmPageSetupDialog&)>& body) {
    bool ran = false;
    AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
      ran = true;
      body(w);
      w.CloseWithCancel();
    });
    style_.PageSetup(pstMargins, nullptr, nullptr);
    AnswerModal<TdxfmPageSetupDialog>(nullptr);
    EXPECT_TRUE(ran);
  }

  LocaleScope locale_{QLocale::c()};
  TdxPSPrintStyle style_;
};

}  // namespace

TEST_F(HighDpiPageSetup, SampleAndOrientationPictureDrawOneDevicePixelLines) {
  if (qApp->devicePixelRatio() != 2.0) GTEST_SKIP() << "needs a device pixel ratio of 2";
  Run([&](TdxfmPageSetupDialog& w) {
    TdxPreview& sample = *w.SamplePreview();
    const QImage image = sample.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(image.size(), sample.size() * 2);
    const TRect c = sample.ClientRect();
    const TRect page = sample.Pages()[0].Bounds;
    const TdxPreviewMargins& m = sample.Margins();
    auto dev = [&](int clientX) { return 2 * clientX; };
    const int left = dev(c.Left + sample.MarginPos(m[pmLeft])), right = dev(c.Left + sample.MarginPos(m[pmRight]));
    const int top = dev(c.Top + sample.MarginPos(m[pmTop])), bottom = dev(c.Top + sample.MarginPos(m[pmBottom]));
    ASSERT_GT(right - left, 80);
    ASSERT_GT(bottom - top, 80);

    // The grid's columns along a row inside the content: one device pixel
    // wide, 15 client (30 device) pixels apart.
    const unsigned face = Rgb(clBtnFace);
    const int row = (top + bottom) / 2 + 3;
    auto columns = Runs(image, true, row, left + 1, right - 1, face);
    ASSERT_GE(columns.size(), 3u);
    for (const auto& [start, length] : columns) EXPECT_EQ(length, 1) << start;
    for (std::size_t i = 1; i < columns.size(); ++i) EXPECT_EQ(columns[i].first - columns[i - 1].first, 30);
    // Its rows along a column: one device pixel, 7 client pixels apart.
    const int column = columns[0].first + 5;
    auto rows = Runs(image, false, column, top + 1, bottom - 1, face);
    ASSERT_GE(rows.size(), 3u);
    for (const auto& [start, length] : rows) EXPECT_EQ(length, 1) << start;
    for (std::size_t i = 1; i < rows.size(); ++i) EXPECT_EQ(rows[i].first - rows[i - 1].first, 14);

    // The dotted left margin line takes one device column.
    const unsigned line = Rgb(sample.MarginColor());
    int on = 0, beside = 0;
    for (int y = top + 4; y < bottom - 4; ++y) {
      on += PixelRGB(image, left, y) == line;
      beside += (PixelRGB(image, left - 1, y) == line) + (PixelRGB(image, left + 1, y) == line);
    }
    EXPECT_GT(on, 10);
    EXPECT_EQ(beside, 0);

    // The page's frame: a hairline between the background and the page.
    const int midY = c.Top * 2 + page.Top + page.Bottom;
    EXPECT_EQ(PixelRGB(image, dev(c.Left + page.Left) - 2, midY), Rgb(sample.Color()));
    EXPECT_EQ(PixelRGB(image, dev(c.Left + page.Left) - 1, midY), Rgb(clWindowFrame));
    EXPECT_EQ(PixelRGB(image, dev(c.Left + page.Left), midY), Rgb(clWindow));

    // The orientation picture's page the same.
    TdxPreview& orientation = *w.OrientationPreview();
    const QImage picture = orientation.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const TRect oc = orientation.ClientRect();
    const TRect op = orientation.Pages()[0].Bounds;
    const int oy = oc.Top * 2 + op.Top + op.Bottom;
    const int ox = 2 * (oc.Left + op.Left);
    EXPECT_EQ(PixelRGB(picture, ox - 2, oy), Rgb(orientation.Color()));
    EXPECT_EQ(PixelRGB(picture, ox - 1, oy), Rgb(clWindowFrame));
    EXPECT_EQ(PixelRGB(picture, ox, oy), Rgb(clWindow));
  });
}
