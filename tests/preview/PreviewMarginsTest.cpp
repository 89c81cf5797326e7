#include <gtest/gtest.h>

#include <QLocale>
#include <QScrollBar>

#include "platform/EnumBits.h"
#include "platform/Registry.h"
#include "preview/PreviewControl.h"
#include "tests/TestSupport.h"
#include "tests/preview/PreviewTestSupport.h"

using namespace preview_test;

namespace {
class CLocale {
 public:
  CLocale() : saved_(QLocale()) { QLocale::setDefault(QLocale::c()); }
  ~CLocale() { QLocale::setDefault(saved_); }

 private:
  QLocale saved_;
};

const char* KindName(TdxPreviewMarginType k) {
  static const char* names[] = {"left", "top", "right", "bottom", "gutter", "header", "footer"};
  return names[k];
}

// Records the drag and margin events in order.
struct MarginEventLog {
  std::vector<std::string> events;
  void Attach(TCustomdxPreview& p) {
    auto rec = [this](const char* what) {
      return [this, what](TCustomdxPreview&, TdxPreviewMargin& m) {
        events.push_back(std::string(what) + " " + KindName(m.Kind()));
      };
    };
    p.OnBeforeDragMargin = rec("before");
    p.OnDragMargin = rec("drag");
    p.OnMarginChanged = rec("changed");
    p.OnAfterDragMargin = rec("after");
  }
};
}  // namespace

// ---------------------------------------------------------------------------
// Dragging

TEST(PreviewMarginDrag, DraggingTheLeftMarginCommitsTheNewValue) {
  auto preview = MakeLargePreview();
  ASSERT_EQ(preview->Pages()[0].Bounds, TRect(53, 38, 847, 1161));
  ASSERT_EQ(preview->MarginPos(preview->Margins().Left()), 149);
  MarginEventLog log;
  log.Attach(*preview);
  Press(*preview, {149, 500});
  ASSERT_EQ(preview->DraggingMargin(), &preview->Margins().Left());
  Move(*preview, {169, 500}, Qt::LeftButton);
  EXPECT_EQ(preview->Margins().Left().DraggingPos(), 169);
  EXPECT_EQ(preview->Margins().Left().DraggingValue(), 307);  // 116 pixels at 96 dpi
  EXPECT_EQ(preview->Margins().Left().Value(), 254);          // not before the drop
  Release(*preview, {169, 500});
  EXPECT_EQ(preview->DraggingMargin(), nullptr);
  EXPECT_EQ(preview->Margins().Left().Value(), 307);
  EXPECT_EQ(log.events, (std::vector<std::string>{"before left", "drag left", "changed left", "after left"}));
}

TEST(PreviewMarginDrag, DragLineIsDrawnInvertedOverThePage) {
  auto preview = MakeLargePreview();
  Press(*preview, {149, 500});
  Move(*preview, {400, 500}, Qt::LeftButton);
  const QImage img = Grab(*preview);
  int black = 0;
  for (int y = 200; y < 800; ++y) black += PixelRGB(img, 400, y) == 0x000000u;
  EXPECT_GT(black, 250);  // every other pixel of the white page inverted
  EXPECT_LT(black, 350);
  EXPECT_EQ(PixelRGB(img, 401, 500), 0xFFFFFFu);
  Key(*preview, Qt::Key_Escape);
  EXPECT_EQ(PixelRGB(Grab(*preview), 400, 500), 0xFFFFFFu);
}

TEST(PreviewMarginDrag, DragStopsAtTheMarginLimits) {
  auto preview = MakeLargePreview();
  Press(*preview, {149, 500});
  Move(*preview, {2000, 500}, Qt::LeftButton);
  // Upper limit: 2100 - gutter 0 - useful 500 - right 254 = 1346 (509 pixels).
  EXPECT_EQ(preview->Margins().Left().DraggingPos(), 53 + 509);
  Release(*preview, {2000, 500});
  EXPECT_EQ(preview->Margins().Left().Value(), 1346);

  const int pos = preview->MarginPos(preview->Margins().Left());
  Press(*preview, {pos, 500});
  Move(*preview, {-100, 500}, Qt::LeftButton);
  EXPECT_EQ(preview->Margins().Left().DraggingPos(), 53);
  Release(*preview, {-100, 500});
  EXPECT_EQ(preview->Margins().Left().Value(), 0);
}

TEST(PreviewMarginDrag, EscapeAndOtherButtonsCancel) {
  auto preview = MakeLargePreview();
  MarginEventLog log;
  log.Attach(*preview);
  Press(*preview, {149, 500});
  Move(*preview, {169, 500}, Qt::LeftButton);
  Key(*preview, Qt::Key_Escape);
  EXPECT_EQ(preview->DraggingMargin(), nullptr);
  EXPECT_EQ(preview->Margins().Left().Value(), 254);
  EXPECT_EQ(log.events, (std::vector<std::string>{"before left", "drag left", "after left"}));
  Release(*preview, {169, 500});
  EXPECT_EQ(preview->Margins().Left().Value(), 254);

  Press(*preview, {149, 500});
  Move(*preview, {189, 500}, Qt::LeftButton);
  Press(*preview, {189, 500}, Qt::RightButton);
  EXPECT_EQ(preview->DraggingMargin(), nullptr);
  EXPECT_EQ(preview->Margins().Left().Value(), 254);
}

TEST(PreviewMarginDrag, WheelDuringADragCommitsIt) {
  auto preview = MakeLargePreview();
  Press(*preview, {149, 500});
  Move(*preview, {169, 500}, Qt::LeftButton);
  Wheel(*preview, -1);
  EXPECT_EQ(preview->DraggingMargin(), nullptr);
  EXPECT_EQ(preview->Margins().Left().Value(), 307);
}

TEST(PreviewMarginDrag, HeaderDraggedPastTheTopPushesTheTopMargin) {
  auto preview = MakeLargePreview();
  ASSERT_EQ(preview->MarginPos(preview->Margins().Header()), 86);
  Press(*preview, {400, 86});
  ASSERT_EQ(preview->DraggingMargin(), &preview->Margins().Header());
  Move(*preview, {400, 151}, Qt::LeftButton);
  Release(*preview, {400, 151});
  EXPECT_EQ(preview->Margins().Header().Value(), 299);
  EXPECT_EQ(preview->Margins().Top().Value(), 299 + 127);
}

TEST(PreviewMarginDrag, DisallowedDraggingZoomsInstead) {
  auto preview = MakeLargePreview();
  preview->SetOptionsBehavior(preview->OptionsBehavior() & ~dxBit(pobAllowDragMargins));
  EXPECT_FALSE(preview->Margins().Left().Enabled());
  Click(*preview, {149, 500});
  EXPECT_EQ(preview->DraggingMargin(), nullptr);
  EXPECT_EQ(preview->ZoomFactor(), 50);  // the click toggled the zoom out
  preview->SetOptionsBehavior(preview->OptionsBehavior() | dxBit(pobAllowDragMargins));
  EXPECT_TRUE(preview->Margins().Footer().Enabled());
}

// ---------------------------------------------------------------------------
// Values and limits

TEST(PreviewMargins, ValuesAreClampedByTheOtherMarginsAndThePage) {
  TdxPreview preview;
  TdxPreviewMargins& m = preview.Margins();
  m.Left().SetValue(5000);
  EXPECT_EQ(m.Left().Value(), 1346);  // 2100 - 500 - 254
  m.Left().SetValue(254);
  m.Top().SetValue(0);                // not above header + minimum header size
  EXPECT_EQ(m.Top().Value(), 254);
  m.Left().SetMaxValue(200);
  EXPECT_EQ(m.Left().Value(), 200);
  m.Left().SetMaxValue(-1);
  m.Left().SetMinValue(300);
  EXPECT_EQ(m.Left().Value(), 300);
  m.Left().SetMinValue(-5);
  EXPECT_EQ(m.Left().MinValue(), 0);
  preview.SetMinHeaderSize(200);
  EXPECT_EQ(m.Top().Value(), 327);  // header 127 + 200
  preview.SetMinFooterSize(100000);
  EXPECT_LE(preview.MinFooterSize(), 2970);
}

TEST(PreviewMargins, LandscapeRotatesTheFourPageMargins) {
  TdxPreview preview;
  TdxPreviewMargins& m = preview.Margins();
  preview.SetMinHeaderSize(0);
  preview.SetMinFooterSize(0);
  m.Header().SetValue(0);
  m.Footer().SetValue(0);
  m.Left().SetValue(100);
  m.Top().SetValue(200);
  m.Right().SetValue(300);
  m.Bottom().SetValue(400);
  int calcs = 0;
  preview.SetOnCalcPageCount([&](TCustomdxPreview&) { ++calcs; });
  calcs = 0;
  preview.SetOrientation(ppoLandscape);
  EXPECT_EQ(preview.PageSize(), (TPoint{2970, 2100}));
  EXPECT_EQ(m.Left().Value(), 400);
  EXPECT_EQ(m.Top().Value(), 100);
  EXPECT_EQ(m.Right().Value(), 200);
  EXPECT_EQ(m.Bottom().Value(), 300);
  EXPECT_EQ(calcs, 1);  // once, when the update ends
  preview.SetOrientation(ppoPortrait);
  EXPECT_EQ(m.Left().Value(), 100);
  EXPECT_EQ(m.Top().Value(), 200);
  EXPECT_EQ(m.Right().Value(), 300);
  EXPECT_EQ(m.Bottom().Value(), 400);
  preview.SetOptionsBehavior(preview.OptionsBehavior() & ~dxBit(pobAutoSwapMargins));
  preview.SetOrientation(ppoLandscape);
  EXPECT_EQ(m.Left().Value(), 100);
  EXPECT_EQ(m.Bottom().Value(), 400);
}

TEST(PreviewMargins, PageMarginChangesAskForThePageCount) {
  TdxPreview preview;
  int calcs = 0;
  preview.SetOnCalcPageCount([&](TCustomdxPreview&) { ++calcs; });
  EXPECT_EQ(calcs, 1);
  preview.Margins().Left().SetValue(300);
  EXPECT_EQ(calcs, 2);
  preview.Margins().Header().SetValue(100);
  EXPECT_EQ(calcs, 2);
  preview.BeginUpdate();
  preview.Margins().Right().SetValue(300);
  preview.Margins().Gutter().SetValue(50);
  EXPECT_EQ(calcs, 2);
  preview.EndUpdate();
  EXPECT_EQ(calcs, 3);
}

TEST(PreviewMargins, SmallerPageSizeReclampsTheMargins) {
  TdxPreview preview;
  preview.Margins().Left().SetValue(1000);
  preview.OriginalPageSize().SetX(1500);
  EXPECT_EQ(preview.Margins().Left().Value(), 1500 - 500 - 254);
  preview.OriginalPageSize().SetX(10);  // held at the useful width
  EXPECT_EQ(preview.OriginalPageSize().X(), 500);
}

TEST(PreviewMargins, StoredFormDataRoundTripsAndRejectsBadLengths) {
  TdxPreview source;
  source.Margins().Left().SetValue(300);
  source.Margins().Footer().SetMaxValue(200);
  source.Margins().Footer().SetVisible(false);
  const TBytes data = source.Margins().WriteData();
  ASSERT_EQ(data.size(), 98u);
  const TBytes left(data.begin(), data.begin() + 14);
  EXPECT_EQ(left, (TBytes{0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0x2C, 0x01, 0, 0, 1, 1}));

  TdxPreview target;
  target.Margins().ReadData(data);
  EXPECT_EQ(target.Margins().Left().Value(), 300);
  EXPECT_EQ(target.Margins().Footer().MaxValue(), 200);
  EXPECT_FALSE(target.Margins().Footer().Visible());

  TdxPreview untouched;
  const TBytes shortData(data.begin(), data.end() - 1);
  EXPECT_THROW(untouched.Margins().ReadData(shortData), EReadError);
  EXPECT_EQ(untouched.Margins().Left().Value(), 254);
  EXPECT_TRUE(untouched.Margins().Footer().Visible());
}

// ---------------------------------------------------------------------------
// Hints and unit texts

TEST(PreviewHints, LengthTextsInEveryUnit) {
  CLocale c;
  EXPECT_EQ(dxPreviewLengthText(254, pmuMillimeters), "25.4 mm");
  EXPECT_EQ(dxPreviewLengthText(250, pmuMillimeters), "25 mm");
  EXPECT_EQ(dxPreviewLengthText(254, pmuInches), "1 \"");
  EXPECT_EQ(dxPreviewLengthText(127, pmuInches), "0.5 \"");
  EXPECT_EQ(dxPreviewLengthText(100, pmuInches), "0.39 \"");
  EXPECT_EQ(dxPreviewLengthText(254, pmuCentimeters), "2.54 cm");
  EXPECT_EQ(dxPreviewLengthText(254, pmuPoints), "72 pt");
  EXPECT_EQ(dxPreviewLengthText(100, pmuPoints), "28.3 pt");
  EXPECT_EQ(dxPreviewLengthText(254, pmuPicas), "6 pi");
  EXPECT_EQ(dxPreviewLengthText(0, pmuPicas), "0 pi");
  EXPECT_EQ(dxPreviewActualUnits(pmuDefault), pmuMillimeters);  // the C locale is metric
}

TEST(PreviewHints, MarginHintTexts) {
  CLocale c;
  TdxPreview preview;
  preview.SetMeasurementUnits(pmuMillimeters);
  EXPECT_EQ(preview.Margins().Left().Hint(), "Left Margin: 25.4 mm");
  EXPECT_EQ(preview.Margins().Header().Hint(), "Header: 12.7 mm");
  preview.SetMeasurementUnits(pmuInches);
  EXPECT_EQ(preview.Margins().Bottom().Hint(), "Bottom Margin: 1 \"");
}

TEST(PreviewHints, DragHintFollowsTheDraggedValue) {
  CLocale c;
  auto preview = MakeLargePreview();
  preview->SetMeasurementUnits(pmuMillimeters);
  Press(*preview, {149, 500});
  Move(*preview, {169, 500}, Qt::LeftButton);
  ASSERT_NE(preview->MarginHintWindow(), nullptr);
  EXPECT_EQ(preview->MarginHintWindow()->Text(), "Left Margin: 30.7 mm");
  Release(*preview, {169, 500});
  EXPECT_EQ(preview->MarginHintWindow(), nullptr);
  // Without pohShowOnDrag no hint comes with a drag.
  preview->SetOptionsHint(preview->OptionsHint() & ~dxBit(pohShowOnDrag));
  Press(*preview, {preview->MarginPos(preview->Margins().Left()), 500});
  Move(*preview, {200, 500}, Qt::LeftButton);
  EXPECT_EQ(preview->MarginHintWindow(), nullptr);
  Release(*preview, {200, 500});
}

TEST(PreviewHints, HoveringOverAMarginShowsItsHintAfterTheDelay) {
  CLocale c;
  auto preview = MakeLargePreview();
  preview->move(0, 0);
  preview->SetMeasurementUnits(pmuMillimeters);
  Move(*preview, {149, 300});
  EXPECT_EQ(preview->MarginHintWindow(), nullptr);  // not at once
  ASSERT_TRUE(WaitFor([&] { return preview->MarginHintWindow() != nullptr; }));
  TdxPreviewHintWindow* hint = preview->MarginHintWindow();
  EXPECT_EQ(hint->Text(), "Left Margin: 25.4 mm");
  // Left of the line, 5 pixels off.
  EXPECT_LE(hint->geometry().right() + 1, preview->mapToGlobal(QPoint(149, 300)).x() - 5);
  EXPECT_EQ(hint->size(), hint->CalcHintSize(hint->Text()));
  // Leaving the margin removes it.
  Move(*preview, {400, 300});
  EXPECT_EQ(preview->MarginHintWindow(), nullptr);
  // So does the form losing its activity.
  Move(*preview, {149, 310});
  ASSERT_TRUE(WaitFor([&] { return preview->MarginHintWindow() != nullptr; }));
  preview->active = false;
  EXPECT_TRUE(WaitFor([&] { return preview->MarginHintWindow() == nullptr; }));
}

TEST(PreviewHints, RefusedOrInactiveMarginHintsNeverShow) {
  auto preview = MakeLargePreview();
  preview->OnCanShowMarginHint = [](TCustomdxPreview&, bool& can) { can = false; };
  Move(*preview, {149, 300});
  WaitFor([] { return false; }, 800);
  EXPECT_EQ(preview->MarginHintWindow(), nullptr);
  preview->OnCanShowMarginHint = nullptr;
  preview->active = false;
  Move(*preview, {149, 310});
  WaitFor([] { return false; }, 800);
  EXPECT_EQ(preview->MarginHintWindow(), nullptr);
}

TEST(PreviewHints, PageNumberHintTexts) {
  TdxPreview preview;
  EXPECT_EQ(preview.PageNumberHintText(1, 4), "Page:  1 - 4");
  EXPECT_EQ(preview.PageNumberHintText(3, 3), "Page:  3");
  preview.OnGetPageNumberHint = [](TCustomdxPreview&, int start, int end, std::string& text) {
    text += " of " + std::to_string(end - start + 1);
  };
  EXPECT_EQ(preview.PageNumberHintText(2, 3), "Page:  2 - 3 of 2");
}

TEST(PreviewHints, DraggingTheVerticalThumbShowsWhichPagesComeIntoView) {
  TestPreview preview;
  preview.SetBorderStyle(bsNone);
  preview.resize(400, 300);
  preview.SetZoomFactor(20);
  preview.SetPageCount(1000);
  preview.show();
  ASSERT_EQ(preview.ColumnCount(), 2);
  QScrollBar* vertical = nullptr;
  for (QScrollBar* bar : preview.findChildren<QScrollBar*>())
    if (bar->orientation() == Qt::Vertical) vertical = bar;
  ASSERT_NE(vertical, nullptr);
  ASSERT_TRUE(vertical->isVisible());
  emit vertical->sliderMoved(2300);
  ASSERT_NE(preview.PageNumberHintWindow(), nullptr);
  EXPECT_EQ(preview.PageNumberHintWindow()->Text(), "Page:  21 - 24");
  emit vertical->sliderReleased();
  EXPECT_EQ(preview.PageNumberHintWindow(), nullptr);
}

// ---------------------------------------------------------------------------
// Registry

TEST(PreviewRegistry, NothingIsStoredWithoutARegistryPath) {
  TRegistry reg;
  const std::vector<std::string> before = reg.GetKeyNames();
  {
    TdxPreview preview;
    preview.SetOptionsBehavior(preview.OptionsBehavior() | dxBit(pobStoreInRegistry));
    preview.SetZoomFactor(75);
  }
  EXPECT_EQ(TRegistry().GetKeyNames(), before);
}

TEST(PreviewRegistry, SettingsAreSavedOnDestructionAndLoadedAfterLoading) {
  const std::string path = "\\Software\\ArdelTest\\PreviewSettings";
  {
    TdxPreview preview;
    preview.SetOptionsBehavior(preview.OptionsBehavior() | dxBit(pobStoreInRegistry));
    preview.SetRegistryPath(path);
    preview.SetZoomFactor(75);
    preview.SetMeasurementUnits(pmuCentimeters);
    preview.SetMarginColor(clRed);
    preview.SetZoomStep(25);
  }
  TRegistry reg;
  ASSERT_TRUE(reg.OpenKeyReadOnly(path));
  EXPECT_EQ(reg.ReadInteger("ZoomFactor"), 75);
  EXPECT_EQ(reg.ReadInteger("ZoomMode"), int(pzmNone));
  EXPECT_EQ(reg.ReadInteger("MeasurementUnits"), int(pmuCentimeters));
  EXPECT_EQ(reg.ReadInteger("OptionView"), 15);
  EXPECT_FALSE(reg.ValueExists("PageXCount"));

  TdxPreview loaded;
  loaded.BeginLoading();
  loaded.SetOptionsBehavior(loaded.OptionsBehavior() | dxBit(pobStoreInRegistry));
  loaded.SetRegistryPath(path);
  loaded.Loaded();
  EXPECT_EQ(loaded.ZoomFactor(), 75);
  EXPECT_EQ(loaded.MeasurementUnits(), pmuCentimeters);
  EXPECT_EQ(loaded.MarginColor(), clRed);
  EXPECT_EQ(loaded.ZoomStep(), 25);
  loaded.SetOptionsBehavior(loaded.OptionsBehavior() & ~dxBit(pobStoreInRegistry));
}

TEST(PreviewRegistry, PageGridIsStoredInPagesModeAndBadValuesAreSkipped) {
  const std::string path = "\\Software\\ArdelTest\\PreviewGrid";
  {
    TdxPreview preview;
    preview.SetPageXYCount(3, 2);
    preview.SaveToRegistry(path);
  }
  {
    TdxPreview preview;
    preview.LoadFromRegistry(path);
    EXPECT_EQ(preview.ZoomMode(), pzmPages);
    EXPECT_EQ(preview.PageXCount(), 3);
    EXPECT_EQ(preview.PageYCount(), 2);
  }
  {
    TRegistry reg;
    ASSERT_TRUE(reg.OpenKey(path, true));
    reg.WriteInteger("MeasurementUnits", 42);
    reg.WriteInteger("Orientation", -3);
    reg.WriteInteger("OptionHint", 1);
    reg.WriteString("ZoomStep", "many");
  }
  TdxPreview preview;
  EXPECT_NO_THROW(preview.LoadFromRegistry(path));
  EXPECT_EQ(preview.MeasurementUnits(), pmuDefault);
  EXPECT_EQ(preview.OptionsHint(), 1u);   // read before the bad value
  EXPECT_EQ(preview.ZoomStep(), 10);
  EXPECT_EQ(preview.Orientation(), ppoPortrait);
  // A missing key leaves everything as it is.
  EXPECT_NO_THROW(preview.LoadFromRegistry("\\Software\\ArdelTest\\Missing"));
}
