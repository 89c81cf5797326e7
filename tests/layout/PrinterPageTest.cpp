// The printer page: unit conversions and their rounding, clamping of margins,
// header/footer distances and page sizes, orientation, units switching,
// update codes and brackets, copy and compare, storage.
#include <gtest/gtest.h>

#include <QLocale>
#include <algorithm>
#include <cstdint>
#include <vector>

#include "layout/PaperTable.h"
#include "layout/PrinterPage.h"
#include "tests/layout/TestPage.h"

namespace {

// A page that records the update codes it hears while not locked, as the
// report link's page does.
class RecordingPage : public TdxPrinterPage {
 public:
  std::vector<int> Codes;
  void PageParamsChanged(TdxPageUpdateCodes codes) override {
    if (!IsLocked()) Codes.push_back(codes);
    TdxPrinterPage::PageParamsChanged(codes);
  }
};

// A page whose owner is reading its form description.
class LoadingPage : public TdxPrinterPage {
 public:
  bool Loading = false;
  bool IsOwnerLoading() const override { return Loading; }
};

class PrinterPage : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = QLocale();
    UseLocale(QLocale::German, QLocale::Germany);
  }
  void TearDown() override {
    QLocale::setDefault(saved_);
    ResetDefaultPrinterPage();
  }
  static void UseLocale(QLocale::Language language, QLocale::Territory territory) {
    QLocale::setDefault(QLocale(language, territory));
    ResetDefaultPrinterPage();
  }
  // A4 portrait in millimetre units with 12.7 mm margins, 6.35 mm header and
  // footer and no minimal margins.
  static void MakeA4(TdxPrinterPage& page) { SetUpTestPage(page, kTestA4); }

 private:
  QLocale saved_;
};

}  // namespace

// ---- Conversions ----------------------------------------------------------------------

TEST(PageUnits, MillimetersToInchesRoundsToTenthsOfAnInchHalvesToEven) {
  EXPECT_EQ(MillimetersToInches(12700), 500);
  EXPECT_EQ(MillimetersToInches(50000), 2000);   // 1968.5 -> 1969 (MulDiv) -> 19.69 -> 20
  EXPECT_EQ(MillimetersToInches(210000), 8300);
  EXPECT_EQ(MillimetersToInches(297000), 11700);
  EXPECT_EQ(MillimetersToInches(6350), 200);     // 250: 2.5 -> 2 (even)
  EXPECT_EQ(MillimetersToInches(8890), 400);     // 350: 3.5 -> 4 (even)
  EXPECT_EQ(MillimetersToInches(-6350), -200);
  EXPECT_EQ(MillimetersToInches(0), 0);
}

TEST(PageUnits, InchesToMillimetersRoundsToHundredthsHalvesToEven) {
  EXPECT_EQ(InchesToMillimeters(500), 12700);
  EXPECT_EQ(InchesToMillimeters(8300), 210820);
  EXPECT_EQ(InchesToMillimeters(11700), 297180);
  EXPECT_EQ(InchesToMillimeters(25), 640);    // 635: 63.5 -> 64
  EXPECT_EQ(InchesToMillimeters(75), 1900);   // 1905: 190.5 -> 190, not 191
  EXPECT_EQ(InchesToMillimeters(5), 130);     // 127 -> 12.7 -> 13
  EXPECT_EQ(InchesToMillimeters(TRect(500, 200, 8300, 0)), TRect(12700, 5080, 210820, 0));
  EXPECT_EQ(MillimetersToInches(TPoint{210000, 297000}), (TPoint{8300, 11700}));
}

TEST_F(PrinterPage, TenthsUseMulDivRoundingHalvesAwayFromZero) {
  TdxPrinterPage page;
  ASSERT_EQ(page.StoredUnits(), muMillimeters);
  EXPECT_EQ(page.ToLoMetric(250), 3);    // 2.5 -> 3, not 2
  EXPECT_EQ(page.ToLoMetric(149), 1);
  EXPECT_EQ(page.ToLoMetric(150), 2);
  EXPECT_EQ(page.ToLoMetric(-250), -3);
  page.SetMeasurementUnits(muInches);
  EXPECT_EQ(page.ToLoMetric(500), 127);  // 0.5 inch = 12.70 mm
  EXPECT_EQ(page.ToLoMetric(75), 19);    // 1900 hundredths
}

// ---- Defaults and the locale --------------------------------------------------------------

TEST_F(PrinterPage, DefaultPageAndNewPagesFollowTheLocale) {
  TdxPrinterPage& defaults = GetDefaultPrinterPage();
  EXPECT_EQ(defaults.StoredUnits(), muMillimeters);
  EXPECT_EQ(defaults.Margins().Rect(), TRect(12700, 12700, 12700, 12700));
  EXPECT_EQ(defaults.Header(), 6350);
  EXPECT_EQ(defaults.Footer(), 6350);
  EXPECT_EQ(defaults.MinMargins().Rect(), TRect());
  EXPECT_EQ(defaults.Orientation(), poPortrait);
  const TdxPapers& papers = GetStandardPapers();
  int index = papers.FindKind(defaults.DMPaper());
  ASSERT_GE(index, 0);
  EXPECT_EQ(defaults.PageSize().Point(), (TPoint{papers[index].Size.X * 100, papers[index].Size.Y * 100}));

  TdxPrinterPage page;
  EXPECT_TRUE(page.IsCompatibleWith(&defaults));
  EXPECT_EQ(page.ScaleFactor(), 100);
  EXPECT_EQ(page.PaperSource(), 7);

  UseLocale(QLocale::English, QLocale::UnitedStates);
  EXPECT_EQ(defaults.StoredUnits(), muInches);
  EXPECT_EQ(defaults.Margins().Rect(), TRect(500, 500, 500, 500));
  EXPECT_EQ(defaults.Header(), 200);
  index = papers.FindKind(defaults.DMPaper());
  EXPECT_EQ(defaults.PageSize().X(), MulDiv(papers[index].Size.X * 100, 10, 254));  // not rounded to 0.1 inch
  TdxPrinterPage inchPage;
  EXPECT_EQ(inchPage.StoredUnits(), muInches);
  EXPECT_EQ(inchPage.Margins().Left(), 500);
}

TEST_F(PrinterPage, CheckLocaleUnitsConvertsOnlyDefaultUnits) {
  TdxPrinterPage page, fixed;
  MakeA4(page);
  MakeA4(fixed);
  fixed.SetMeasurementUnits(muMillimeters);
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  page.CheckLocaleUnits();
  fixed.CheckLocaleUnits();
  EXPECT_EQ(page.StoredUnits(), muInches);
  EXPECT_EQ(page.Margins().Left(), 500);
  EXPECT_EQ(page.PageSize().Point(), (TPoint{8300, 11700}));
  EXPECT_EQ(fixed.StoredUnits(), muMillimeters);
  EXPECT_EQ(fixed.Margins().Left(), 12700);
}

TEST_F(PrinterPage, SwitchingUnitsConvertsEveryLength) {
  TdxPrinterPage page;
  MakeA4(page);
  page.SetMeasurementUnits(muInches);
  EXPECT_EQ(page.StoredUnits(), muInches);
  EXPECT_EQ(page.Margins().Rect(), TRect(500, 500, 500, 500));
  EXPECT_EQ(page.Header(), 200);
  EXPECT_EQ(page.Footer(), 200);
  EXPECT_EQ(page.PageSize().Point(), (TPoint{8300, 11700}));
  EXPECT_EQ(page.MinPageSize(), 2000);
  page.SetMeasurementUnits(muDefault);  // metric locale: back to millimetres
  EXPECT_EQ(page.StoredUnits(), muMillimeters);
  EXPECT_EQ(page.PageSize().Point(), (TPoint{210820, 297180}));
  EXPECT_EQ(page.Margins().Left(), 12700);
  EXPECT_EQ(page.Header(), 5080);
  // Same real units: only the property changes.
  page.SetMeasurementUnits(muMillimeters);
  EXPECT_EQ(page.PageSize().Point(), (TPoint{210820, 297180}));
}

// ---- Clamping -------------------------------------------------------------------------------

TEST_F(PrinterPage, MarginsAreClampedIntoTheRoom) {
  TdxPrinterPage page;
  MakeA4(page);
  page.Margins().SetLeft(300000);
  EXPECT_EQ(page.Margins().Left(), 210000 - 50000 - 12700);  // 147300
  page.Margins().SetRight(100000);
  EXPECT_EQ(page.Margins().Right(), 12700);  // 160000 - 147300
  page.Margins().SetLeft(-5);
  EXPECT_EQ(page.Margins().Left(), 0);  // the minimal margin
  page.Margins().SetTop(1000);
  EXPECT_EQ(page.Margins().Top(), 6350);  // not above the header
  page.Margins().SetBottom(500000);
  EXPECT_EQ(page.Margins().Bottom(), 247000 - 6350);
  // The whole rectangle is clamped against the stored opposite sides.
  page.SetMargins(TRect(1, 1, 1, 1));
  EXPECT_EQ(page.Margins().Rect(), TRect(1, 6350, 1, 6350));
}

TEST_F(PrinterPage, HeaderAndFooterDistances) {
  TdxPrinterPage page;
  MakeA4(page);
  const int room = 297000 - 50000;
  page.SetHeader(room);  // above MarginRoomY - Margins.Bottom
  EXPECT_EQ(page.Header(), room - 12700);
  // The top margin follows the header (FitMargins).
  EXPECT_EQ(page.Margins().Top(), room - 12700);
  page.SetHeader(-100);
  EXPECT_EQ(page.Header(), 0);
  page.Margins().SetTop(12700);
  page.SetFooter(20000);
  EXPECT_EQ(page.Footer(), 20000);
  EXPECT_EQ(page.Margins().Bottom(), 20000);  // not below the footer
  page.MinMargins().SetTop(3000);
  EXPECT_EQ(page.Header(), 3000);
  page.SetHeader(1000);
  EXPECT_EQ(page.Header(), 3000);  // not below the minimal margin

  page.SetMargins(TRect(10000, 30000, 15000, 40000));
  page.SetHeader(5000);
  page.SetFooter(7000);
  EXPECT_EQ(page.HeaderRect(), TRect(10000, 5000, 195000, 30000));
  EXPECT_EQ(page.FooterRect(), TRect(10000, 257000, 195000, 290000));
  EXPECT_EQ(page.PaintRect(), TRect(100, 300, 1950, 2570));
  EXPECT_EQ(page.HeaderRectLoMetric(), TRect(100, 50, 1950, 300));
  page.SetOrientation(poLandscape);
  page.SetMargins(TRect(10000, 30000, 15000, 40000));
  EXPECT_EQ(page.OrientedPageSize(), (TPoint{297000, 210000}));
  EXPECT_EQ(page.FooterRect(), TRect(10000, 170000, 282000, 203000));
}

TEST_F(PrinterPage, SmallPageSizeIsRaisedAndMarginsFollow) {
  TdxPrinterPage page;
  MakeA4(page);
  page.MinMargins().SetLeft(1000);
  page.SetPageSize({30000, 30000});
  EXPECT_EQ(page.PageSize().Point(), (TPoint{50000, 50000}));
  EXPECT_EQ(page.MarginRoomX(), 0);
  EXPECT_EQ(page.MinMargins().Rect(), TRect());
  EXPECT_EQ(page.Margins().Rect(), TRect());
  EXPECT_EQ(page.Header(), 0);
  EXPECT_EQ(page.Footer(), 0);
  EXPECT_EQ(page.DMPaper(), 256);
}

TEST_F(PrinterPage, MinimalMarginsPushMarginsAndAreLimited) {
  TdxPrinterPage page;
  MakeA4(page);
  page.MinMargins().SetLeft(20000);
  EXPECT_EQ(page.Margins().Left(), 20000);
  page.MinMargins().SetRight(500000);
  EXPECT_EQ(page.MinMargins().Right(), 160000 - 20000);
  EXPECT_EQ(page.Margins().Right(), 140000);
  EXPECT_EQ(page.Margins().Left(), 20000);
  page.MinMargins().SetBottom(9000);
  EXPECT_EQ(page.Footer(), 9000);
  EXPECT_EQ(page.Margins().Bottom(), 12700);
  page.MinMargins().SetLeft(-10);
  EXPECT_EQ(page.MinMargins().Left(), 0);
}

TEST_F(PrinterPage, OrientationRotatesMarginsBothWays) {
  TdxPrinterPage page;
  MakeA4(page);
  page.SetHeader(0);
  page.SetFooter(0);
  page.SetMargins(TRect(10000, 20000, 30000, 40000));
  page.SetMinMargins(TRect(1000, 2000, 3000, 4000));
  page.SetOrientation(poLandscape);
  EXPECT_EQ(page.Margins().Rect(), TRect(40000, 10000, 20000, 30000));
  EXPECT_EQ(page.MinMargins().Rect(), TRect(4000, 1000, 2000, 3000));
  page.SetOrientation(poPortrait);
  EXPECT_EQ(page.Margins().Rect(), TRect(10000, 20000, 30000, 40000));
  EXPECT_EQ(page.MinMargins().Rect(), TRect(1000, 2000, 3000, 4000));

  page.SetAutoSwapMargins(false);
  page.SetOrientation(poLandscape);
  EXPECT_EQ(page.Margins().Rect(), TRect(10000, 20000, 30000, 40000));
  page.SetOrientation(poPortrait);

  LoadingPage loading;
  MakeA4(loading);
  loading.SetMargins(TRect(10000, 20000, 30000, 40000));
  loading.Loading = true;
  loading.SetOrientation(poLandscape);
  EXPECT_EQ(loading.Margins().Rect(), TRect(10000, 20000, 30000, 40000));
}

TEST_F(PrinterPage, OwnerLoadingSkipsTheHooks) {
  LoadingPage page;
  MakeA4(page);
  page.Loading = true;
  page.Margins().SetLeft(300000);
  EXPECT_EQ(page.Margins().Left(), 300000);
  page.SetPageSize({1000, 1000});
  EXPECT_EQ(page.PageSize().Point(), (TPoint{1000, 1000}));
  EXPECT_EQ(page.DMPaper(), 9);  // no paper lookup while loading
  page.SetHeader(-4);
  EXPECT_EQ(page.Header(), 0);  // the setter still clamps negatives
}

TEST_F(PrinterPage, PaperKindAndSize) {
  TdxPrinterPage page;
  MakeA4(page);
  page.SetDMPaper(1);
  EXPECT_EQ(page.PageSize().Point(), (TPoint{215900, 279400}));
  page.SetDMPaper(9);
  EXPECT_EQ(page.PageSize().Point(), (TPoint{210000, 297000}));
  page.SetPageSize({215900, 279400});
  EXPECT_EQ(page.DMPaper(), 1);  // Letter, not Letter Small or Note
  page.SetPageSize({123456, 234567});
  EXPECT_EQ(page.DMPaper(), 256);
  page.SetDMPaper(9);
  page.SetDMPaper(256);  // the custom row has no size: nothing changes
  EXPECT_EQ(page.PageSize().Point(), (TPoint{210000, 297000}));
  page.SetDMPaper(1);
  page.SetMeasurementUnits(muInches);
  page.SetDMPaper(9);
  EXPECT_EQ(page.PageSize().Point(), (TPoint{8300, 11700}));
  page.SetOrientation(poLandscape);
  page.SetOrientedPageSize(11000, 8500);
  EXPECT_EQ(page.PageSize().Point(), (TPoint{8500, 11000}));
  EXPECT_EQ(page.DMPaper(), 1);
}

TEST_F(PrinterPage, ScaleFactorAndPaperSourceAreClamped) {
  TdxPrinterPage page;
  page.SetScaleFactor(5);
  EXPECT_EQ(page.ScaleFactor(), 10);
  page.SetScaleFactor(900);
  EXPECT_EQ(page.ScaleFactor(), 500);
  EXPECT_EQ(page.ScaleMode(), smAdjust);
  page.SetFitToPagesByWide(0);  // not clamped
  EXPECT_EQ(page.FitToPagesByWide(), 0);
  EXPECT_EQ(page.ScaleMode(), smFit);
  const int in[] = {0, -3, 1, 15, 16, 100, 255, 256, 260};
  const int out[] = {1, 1, 1, 15, 15, 15, 15, 256, 260};
  for (int i = 0; i < 9; ++i) {
    page.SetPaperSource(in[i]);
    EXPECT_EQ(page.PaperSource(), out[i]) << in[i];
  }
}

// ---- Notifications -------------------------------------------------------------------------

TEST_F(PrinterPage, UpdateCodesForEachChange) {
  RecordingPage page;
  MakeA4(page);
  page.Codes.clear();
  page.Margins().SetLeft(20000);
  page.Margins().SetTop(20000);
  page.Margins().SetRight(20000);
  page.Margins().SetBottom(20000);
  page.Margins().SetBottom(20000);  // no change, no code
  page.SetMargins(TRect(1000, 20000, 20000, 20000));
  page.SetScaleFactor(120);
  page.SetScaleFactor(120);
  page.SetFitToPagesByWide(2);
  page.SetFitToPagesByTall(3);
  EXPECT_EQ(page.Codes, (std::vector<int>{ucMarginLeft, ucMarginTop, ucMarginRight, ucMarginBottom, 15, ucScale,
                                          ucScale, ucScale}));
  // Header, page size and orientation changes work in a bracket: one 127.
  page.Codes.clear();
  page.SetHeader(7000);
  EXPECT_EQ(page.Codes, (std::vector<int>{ucAll}));
  page.Codes.clear();
  page.SetOrientation(poLandscape);
  EXPECT_EQ(page.Codes, (std::vector<int>{ucAll}));
}

TEST_F(PrinterPage, OneNotificationForAnUpdateBracket) {
  RecordingPage page;
  MakeA4(page);
  page.Codes.clear();
  int objectChanges = 0, paramsEvents = 0;
  page.OnPageObjectChanged = [&](TdxPrinterPage&) { ++objectChanges; };
  page.OnPageParamsChanged = [&](TdxPrinterPage&, TdxPageUpdateCodes codes) {
    ++paramsEvents;
    EXPECT_EQ(codes, ucAll);
  };
  page.BeginUpdate();
  page.Margins().SetLeft(300000);  // not clamped while locked
  page.SetScaleFactor(50);
  page.SetHeader(1000);
  page.PageHeader().SetLeftTitle({"x"});
  page.Background().SetMode(bmBrush);
  page.SetPageSize({100000, 100000});
  EXPECT_TRUE(page.Codes.empty());
  EXPECT_EQ(objectChanges, 0);
  page.EndUpdate();
  EXPECT_EQ(page.Codes, (std::vector<int>{ucAll}));
  EXPECT_EQ(objectChanges, 1);
  EXPECT_EQ(paramsEvents, 1);
  EXPECT_EQ(page.Margins().Left(), 300000);
}

TEST_F(PrinterPage, ScalingAloneDoesNotRaiseTheParamsEvent) {
  TdxPrinterPage page;
  int events = 0;
  page.OnPageParamsChanged = [&](TdxPrinterPage&, TdxPageUpdateCodes) { ++events; };
  page.SetScaleFactor(77);  // bit 6 only
  EXPECT_EQ(events, 0);
  MakeA4(page);
  events = 0;
  page.Margins().SetLeft(15000);
  EXPECT_EQ(events, 1);
}

TEST_F(PrinterPage, HeaderFooterAndBackgroundChangesReachThePage) {
  TdxPrinterPage page;
  int changes = 0;
  page.OnPageObjectChanged = [&](TdxPrinterPage&) { ++changes; };
  page.PageHeader().SetCenterTitle({"[Page #]"});
  page.PageHeader().SetCenterTitle({"[Page #]"});  // equal: nothing
  page.PageFooter().SetRightTextAlignY(taBottom);
  TFont font = page.PageFooter().Font();
  font.Style = fsBold;
  page.PageFooter().SetFont(font);
  page.PageFooter().Background().SetMode(bmBrush);
  page.Background().SetBrushColor(clRed);
  EXPECT_EQ(changes, 5);
  page.PageHeader().BeginUpdate();
  page.PageHeader().SetLeftTitle({"a"});
  page.PageHeader().SetRightTitle({"b"});
  page.PageHeader().EndUpdate();
  EXPECT_EQ(changes, 6);
}

// ---- Copy, compare, storage -------------------------------------------------------------------

TEST_F(PrinterPage, AssignCopiesAndConvertsToTheSourceUnits) {
  TdxPrinterPage a;
  MakeA4(a);
  a.SetMeasurementUnits(muInches);
  a.SetMargins(TRect(600, 700, 800, 900));
  a.SetCenterOnPageH(true);
  a.SetGrayShading(true);
  a.SetPageOrder(poDownThenOver);
  a.SetPaperSource(3);
  a.SetReverseTitlesOnEvenPages(true);
  a.SetFitToPagesByWide(2);
  a.SetFitToPagesByTall(4);
  a.PageHeader().SetLeftTitle({"left", "second"});
  a.PageFooter().SetCenterTextAlignY(taTop);
  a.Background().SetMode(bmBrush);
  a.SetOrientation(poLandscape);

  TdxPrinterPage b;
  MakeA4(b);
  b.Assign(&a);
  EXPECT_TRUE(b.IsCompatibleWith(&a));
  EXPECT_EQ(b.StoredUnits(), muInches);
  EXPECT_EQ(b.Margins().Rect(), a.Margins().Rect());  // no rotation while assigning
  EXPECT_EQ(b.ScaleMode(), smFit);
  EXPECT_EQ(b.FitToPagesByTall(), 4);
  EXPECT_EQ(b.PageHeader().LeftTitle(), (TdxStrings{"left", "second"}));
  EXPECT_EQ(b.PageFooter().CenterTextAlignY(), taTop);

  // Titles and fonts do not count for compatibility; margins do.
  b.PageHeader().SetLeftTitle({"other"});
  EXPECT_TRUE(b.IsCompatibleWith(&a));
  b.Margins().SetLeft(601);
  EXPECT_FALSE(b.IsCompatibleWith(&a));
  b.Assign(&a);
  b.SetScaleMode(smAdjust);  // not compared
  b.SetAutoSwapMargins(false);
  EXPECT_TRUE(b.IsCompatibleWith(&a));
  b.SetPaperSource(4);
  EXPECT_FALSE(b.IsCompatibleWith(&a));
  // AutoSwapMargins is not part of a copy.
  a.SetAutoSwapMargins(false);
  b.SetAutoSwapMargins(true);
  b.Assign(&a);
  EXPECT_TRUE(b.AutoSwapMargins());
}

TEST_F(PrinterPage, StreamRoundTripAndPseudoProperties) {
  TdxPrinterPage a;
  MakeA4(a);
  a.SetMargins(TRect(12700, 12700, 12700, 6400));
  a.SetHeader(4750);
  a.SetFooter(4600);
  a.SetAutoSwapMargins(false);
  a.SetScaleFactor(80);
  a.PageHeader().SetCenterTitle({"Page [Page #]", ""});
  TFont font = a.PageHeader().Font();
  font.Style = fsItalic | fsUnderline;
  a.PageHeader().SetFont(font);
  a.PageFooter().SetLeftTextAlignY(taDistributeY);

  struct Names : TdxPropertyWriter {
    std::vector<std::string> List;
    void BeginObject(const std::string&, const std::string&) override {}
    void WriteProperty(const std::string& name, const TdxPropertyValue&) override { List.push_back(name); }
    void EndObject() override {}
  } names;
  a.WriteProperties(names, "");
  ASSERT_GE(names.List.size(), 2u);
  EXPECT_EQ(names.List[names.List.size() - 2], "_dxMeasurementUnits_");
  EXPECT_EQ(names.List.back(), "_dxLastMU_");
  EXPECT_EQ(std::count(names.List.begin(), names.List.end(), "PaperSource"), 0);  // default, not written

  TdxComponentStreamWriter writer;
  a.SaveToStream(writer);
  TdxPrinterPage b;
  TdxComponentStreamReader reader(writer.Bytes());
  b.LoadFromStream(reader);
  EXPECT_TRUE(b.IsCompatibleWith(&a));
  EXPECT_FALSE(b.AutoSwapMargins());
  EXPECT_EQ(b.ScaleFactor(), 80);
  EXPECT_EQ(b.PageHeader().CenterTitle(), (TdxStrings{"Page [Page #]", ""}));
  EXPECT_EQ(b.PageHeader().Font(), font);
  EXPECT_EQ(b.PageFooter().LeftTextAlignY(), taDistributeY);

  // A description with millimetre numbers read where the locale uses inches.
  UseLocale(QLocale::English, QLocale::UnitedStates);
  TdxPrinterPage c;
  TdxComponentStreamReader again(writer.Bytes());
  c.LoadFromStream(again);
  EXPECT_EQ(c.StoredUnits(), muInches);
  EXPECT_EQ(c.Margins().Rect(), TRect(500, 500, 500, 300));
  EXPECT_EQ(c.Header(), 200);  // 4750 -> 187 -> 200
  EXPECT_EQ(c.PageSize().Point(), (TPoint{8300, 11700}));
}

TEST_F(PrinterPage, HostileDescriptionsAreRejectedOrMadeConsistent) {
  TdxPrinterPage page;
  MakeA4(page);
  TdxPrinterPage before;
  before.Assign(&page);
  auto load = [&](const std::vector<std::pair<std::string, TdxPropertyValue>>& props) {
    TdxComponentStreamWriter writer;
    writer.BeginObject("TdxSaver", "");
    for (const auto& p : props) writer.WriteProperty("Persistent." + p.first, p.second);
    writer.EndObject();
    TdxComponentStreamReader reader(writer.Bytes());
    page.LoadFromStream(reader);
  };
  EXPECT_THROW(load({{"Margins.Left", std::int64_t(1)}, {"_dxLastMU_", std::int64_t(7)}}), EReadError);
  EXPECT_THROW(load({{"Orientation", TdxIdent{"poSideways"}}}), EReadError);
  EXPECT_THROW(load({{"Margins.Middle", std::int64_t(1)}}), EReadError);
  EXPECT_THROW(load({{"PageHeader.Font.Style", TdxSet{{"fsBold", "fsBlink"}}}}), EReadError);
  EXPECT_THROW(load({{"Header", std::string("x")}}), EReadError);
  EXPECT_TRUE(page.IsCompatibleWith(&before));

  load({{"PageSize.X", std::int64_t(10)},
        {"PageSize.Y", std::int64_t(-5)},
        {"Margins.Left", std::int64_t(INT32_MIN)},
        {"Margins.Right", std::int64_t(INT32_MAX)},
        {"MinMargins.Top", std::int64_t(INT32_MAX)},
        {"Footer", std::int64_t(-7)},
        {"ScaleFactor", std::int64_t(100000)}});
  EXPECT_EQ(page.PageSize().Point(), (TPoint{50000, 50000}));
  EXPECT_EQ(page.Margins().Rect(), TRect());
  EXPECT_EQ(page.MinMargins().Rect(), TRect());
  EXPECT_EQ(page.Footer(), 0);
  EXPECT_EQ(page.ScaleFactor(), 500);
}

TEST_F(PrinterPage, NoPrintersMeansNoDeviceChanges) {
  TdxPrinterPage page;
  MakeA4(page);
  page.SetMinMargins(TRect(100, 200, 300, 400));
  const TRect pm = page.PrinterMinMargins();
  EXPECT_GE(pm.Left, 100);
  EXPECT_GE(pm.Top, 200);
  EXPECT_GE(pm.Right, 300);
  EXPECT_GE(pm.Bottom, 400);
  EXPECT_NO_THROW(page.ApplyToPrintDevice());
  page.SetMinMargins(TRect());
  page.SetHeader(0);
  page.FixMargins();
  EXPECT_GE(page.Header(), page.PrinterMinMargins().Top);
  EXPECT_GE(page.Margins().Left(), page.PrinterMinMargins().Left);
}

TEST_F(PrinterPage, FixedMarginsLieInThePrintableArea) {
  // Whatever the device, margins moved into the printable area must then
  // pass the printable-area check (in both unit systems).
  for (TdxMeasurementUnits units : {muMillimeters, muInches}) {
    TdxPrinterPage page;
    MakeA4(page);
    page.SetMeasurementUnits(units);
    page.SetMinMargins(TRect());
    page.SetHeader(0);
    page.SetFooter(0);
    page.SetMargins(TRect(0, page.Margins().Top(), 0, page.Margins().Bottom()));
    EXPECT_FALSE(page.MarginsInPrintableArea());
    page.FixMargins();
    EXPECT_TRUE(page.MarginsInPrintableArea()) << "units " << int(units);
  }
}

TEST_F(PrinterPage, MarginsInPrintableAreaWithoutAPrinter) {
  if (IsPrintDeviceReady() && GetPrintDevice().PrinterCount() > 0) GTEST_SKIP() << "a printer is installed";
  TdxPrinterPage page;
  MakeA4(page);
  page.SetMargins(TRect(6250, 12700, 6250, 12700));  // 62.5 tenths round to 63
  page.SetHeader(6250);
  page.SetFooter(6250);
  EXPECT_TRUE(page.MarginsInPrintableArea());
  page.Margins().SetRight(6249);
  EXPECT_FALSE(page.MarginsInPrintableArea());
  page.Margins().SetRight(6250);
  page.SetFooter(6000);
  EXPECT_FALSE(page.MarginsInPrintableArea());
}

TEST_F(PrinterPage, UnitedKingdomCountsAsMetric) {
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedKingdom));
  EXPECT_EQ(LocaleMeasurementUnits(), muMillimeters);
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  EXPECT_EQ(LocaleMeasurementUnits(), muInches);
}

TEST(PageWrappers, HooksSeeAndCorrectProposedValues) {
  TdxRectWrapper r;
  std::vector<unsigned> changed;
  r.OnChanging = [](TdxRectWrapper& w, unsigned sides, TRect& proposed) {
    EXPECT_EQ(w.Rect(), TRect());  // not stored yet
    if (sides & rwsLeft) proposed.Left = std::min(proposed.Left, 10);
    proposed.Top = 99;  // another side: ignored for single-side changes
  };
  r.OnChanged = [&](TdxRectWrapper&, unsigned sides) { changed.push_back(sides); };
  r.SetLeft(50);
  EXPECT_EQ(r.Rect(), TRect(10, 0, 0, 0));
  r.OnChanging = nullptr;
  r.SetLeft(10);  // equal: nothing
  r.SetRect(TRect(1, 2, 3, 4));
  r.SetRect(TRect(1, 2, 3, 4));
  r.Assign(nullptr);
  EXPECT_EQ(r.Rect(), TRect());
  EXPECT_EQ(changed, (std::vector<unsigned>{rwsLeft, rwsAll, rwsAll}));

  TdxPointWrapper p;
  std::vector<unsigned> coords;
  p.OnChanging = [](TdxPointWrapper&, unsigned, TPoint& proposed) { proposed.X = std::max(proposed.X, 5); };
  p.OnChanged = [&](TdxPointWrapper&, unsigned c) { coords.push_back(c); };
  p.SetX(1);
  p.SetY(7);
  p.SetPoint({7, 8});
  p.SetPoint({7, 8});
  EXPECT_EQ(p.Point(), (TPoint{7, 8}));
  EXPECT_EQ(coords, (std::vector<unsigned>{pwcX, pwcY, pwcAll}));
}
