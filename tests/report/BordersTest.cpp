// Cell borders, edge patterns, fill patterns and shapes: the class answers,
// lookup by name, the pixels each border kind paints around a cell, the
// pattern bitmaps and brushes, and the shapes' outlines and fills.
#include <gtest/gtest.h>

#include <string>

#include "report/CellBorders.h"
#include "report/ReportCells.h"
#include "report/DataItems.h"
#include "report/EngineExceptions.h"
#include "report/ShapeItems.h"
#include "tests/TestSupport.h"
#include "tests/report/TestRenderer.h"
#include "tests/report/TestStream.h"

namespace {

constexpr unsigned kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000, kBlue = 0x0000FF, kLime = 0x00FF00,
                   kShadow = 0x808080, kFace = 0xC0C0C0;

// A lime page with one red cell at (10, 10, 30, 30), all sides in blue,
// painted at one report pixel per image pixel (t = one pixel).
struct BorderDoc {
  explicit BorderDoc(TdxPSCellBorderClass border, int w = 40, int h = 40) {
    cells.SetRenderer(&renderer);
    TdxReportCell* root = cells.Cells();
    root->SetBoundsRect(TRect(0, 0, w, h));
    root->SetCellSides(0);
    root->SetColor(clLime);
    root->SetTransparent(false);
    cell = new TdxReportCell(root);
    cell->SetBoundsRect(TRect(10, 10, 30, 30));
    cell->SetCellSides(dxFormatSides);
    cell->SetColor(clRed);
    cell->SetTransparent(false);
    cell->SetBorderColor(clBlue);
    cell->SetBorderClass(border);
    image = WhiteImage(w, h);
  }
  void Paint() {
    cells.Scale(4800, 96);
    renderer.Paint(cells, image);
  }
  unsigned At(int x, int y) const { return PixelRGB(image, x, y); }
  int Count(unsigned rgb) const {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += At(x, y) == rgb;
    return n;
  }

  TTestRenderer renderer;
  TdxReportCells cells;
  TdxReportCell* cell = nullptr;
  QImage image;
};

// The colours of the vertical line through y = 20 from x = 8 to 31, and of
// the horizontal line through x = 20 from y = 8 to 31 (a border's profile).
std::vector<unsigned> Row(const BorderDoc& d, int y, int from, int to) {
  std::vector<unsigned> v;
  for (int x = from; x <= to; ++x) v.push_back(d.At(x, y));
  return v;
}
std::vector<unsigned> Column(const BorderDoc& d, int x, int from, int to) {
  std::vector<unsigned> v;
  for (int y = from; y <= to; ++y) v.push_back(d.At(x, y));
  return v;
}

TdxPSCellBorderClass B(TdxClass cls) { return dxAsBorderClass(cls); }

}  // namespace

// ---- Class answers and lookup --------------------------------------------------

TEST(Borders, ClassAnswersFollowTheFamilyTable) {
  struct Row {
    TdxClass cls;
    int thickness;
    bool soft, sunken, is3D, solid;
    TdxClass painter;
    int nearExtent, farExtent;
  };
  const TdxClass plain = TdxPSCellBorderPainter::StaticClass();
  const TdxClass threeD = TdxPSCell3DBorderPainter::StaticClass();
  const TdxClass twisted = TdxPSCellTwistedBorderPainter::StaticClass();
  const Row rows[] = {
      {TdxPSCustomCellBorder::StaticClass(), 0, false, false, false, true, plain, 1, 0},
      {TdxPSCellNullBorder::StaticClass(), 0, false, false, false, true, TdxPSCellNullBorderPainter::StaticClass(), 1, 0},
      {TdxPSCellFlatBorder::StaticClass(), 0, false, false, false, true, plain, 1, 0},
      {TdxPSCellBoldFlatBorder::StaticClass(), 2, false, false, false, true, plain, 2, 0},
      {TdxPSCellUltraFlatBorder::StaticClass(), 1, false, false, false, true, plain, 1, 0},
      {TdxPSCustomCell3DBorder::StaticClass(), 2, false, false, true, false, threeD, 1, 0},
      {TdxPSCellRaisedBorder::StaticClass(), 2, false, false, true, false, threeD, 1, 0},
      {TdxPSCellRaisedSoftBorder::StaticClass(), 2, true, false, true, false, threeD, 1, 0},
      {TdxPSCellSunkenBorder::StaticClass(), 2, false, true, true, false, threeD, 1, 0},
      {TdxPSCellSunkenSoftBorder::StaticClass(), 2, true, true, true, false, threeD, 1, 0},
      {TdxPSCellTwistedBorder::StaticClass(), 2, false, false, true, false, twisted, 1, 0},
      {TdxPSCellEtchedBorder::StaticClass(), 2, false, false, true, false, twisted, 1, 0},
      {TdxPSCellBumpedBorder::StaticClass(), 2, false, false, true, false, twisted, 1, 0},
      {TdxPSEdgePattern::StaticClass(), 0, false, false, false, false, plain, 1, 0},
      {TdxPSSolidEdgePattern::StaticClass(), 1, false, false, false, true, plain, 1, 0},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.cls->ClassName());
    TdxPSCellBorderClass b = B(r.cls);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Thickness(), r.thickness);
    EXPECT_EQ(b->IsSoft(), r.soft);
    EXPECT_EQ(b->IsSunken(), r.sunken);
    EXPECT_EQ(b->Is3D(), r.is3D);
    EXPECT_EQ(b->IsSolid(), r.solid);
    EXPECT_EQ(b->BorderPainterClass(), r.painter);
    for (int side : {csLeft, csTop}) {
      EXPECT_EQ(b->GetBorderExtent(side, false), r.nearExtent);
      EXPECT_EQ(b->GetBorderExtent(side, true), r.farExtent);
    }
    for (int side : {csRight, csBottom}) {
      EXPECT_EQ(b->GetBorderExtent(side, false), r.farExtent);
      EXPECT_EQ(b->GetBorderExtent(side, true), r.nearExtent);
    }
  }
}

TEST(Borders, ThreeDColoursPerClass) {
  struct Row {
    TdxClass cls;
    TColor innerBR, outerBR, innerTL, outerTL;
  };
  const Row rows[] = {
      {TdxPSCustomCell3DBorder::StaticClass(), clNone, clNone, clNone, clNone},
      {TdxPSCellTwistedBorder::StaticClass(), clNone, clNone, clNone, clNone},
      {TdxPSCellRaisedBorder::StaticClass(), clBtnShadow, clWindowText, clBtnHighlight, clWindowText},
      {TdxPSCellRaisedSoftBorder::StaticClass(), clBtnFace, clWindowText, clBtnHighlight, clWindowText},
      {TdxPSCellSunkenBorder::StaticClass(), clBtnFace, clBtnHighlight, clBtnShadow, clWindowText},
      {TdxPSCellSunkenSoftBorder::StaticClass(), clBtnFace, clBtnHighlight, clBtnFace, clWindowText},
      {TdxPSCellEtchedBorder::StaticClass(), clBtnHighlight, clWindowText, clBtnHighlight, clWindowText},
      {TdxPSCellBumpedBorder::StaticClass(), clWindowText, clBtnHighlight, clWindowText, clBtnHighlight},
  };
  for (const Row& r : rows) {
    SCOPED_TRACE(r.cls->ClassName());
    TdxPSCell3DBorderClass b = dxAs3DBorderClass(r.cls);
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->InnerBottomRightColor(), r.innerBR);
    EXPECT_EQ(b->OuterBottomRightColor(), r.outerBR);
    EXPECT_EQ(b->InnerTopLeftColor(), r.innerTL);
    EXPECT_EQ(b->OuterTopLeftColor(), r.outerTL);
    EXPECT_EQ(b->InnerBottomRightBrush(), r.innerBR);
    EXPECT_EQ(b->OuterTopLeftBrush(), r.outerTL);
  }
  EXPECT_EQ(dxAs3DBorderClass(TdxPSCellUltraFlatBorder::StaticClass()), nullptr);
  EXPECT_EQ(dxAs3DBorderClass(nullptr), nullptr);
}

TEST(Borders, EveryClassIsFoundByName) {
  dxPSRegisterBorderClasses();
  const TdxClass classes[] = {
      TdxPSSolidFillPattern::StaticClass(),       TdxPSGray50FillPattern::StaticClass(),
      TdxPSHorizontalFillPattern::StaticClass(),  TdxPSVerticalFillPattern::StaticClass(),
      TdxPSFDiagonalFillPattern::StaticClass(),   TdxPSBDiagonalFillPattern::StaticClass(),
      TdxPSCrossFillPattern::StaticClass(),       TdxPSDiagCrossFillPattern::StaticClass(),
      TdxPSSolidEdgePattern::StaticClass(),       TdxPSCustomCellBorder::StaticClass(),
      TdxPSCellNullBorder::StaticClass(),         TdxPSCellFlatBorder::StaticClass(),
      TdxPSCellBoldFlatBorder::StaticClass(),     TdxPSCellUltraFlatBorder::StaticClass(),
      TdxPSCustomCell3DBorder::StaticClass(),     TdxPSCellRaisedBorder::StaticClass(),
      TdxPSCellRaisedSoftBorder::StaticClass(),   TdxPSCellSunkenBorder::StaticClass(),
      TdxPSCellSunkenSoftBorder::StaticClass(),   TdxPSCellTwistedBorder::StaticClass(),
      TdxPSCellEtchedBorder::StaticClass(),       TdxPSCellBumpedBorder::StaticClass(),
      TdxReportCellEllipse::StaticClass(),        TdxReportCellCircle::StaticClass(),
      TdxReportCellRectangle::StaticClass(),      TdxReportCellSquare::StaticClass(),
      TdxReportCellRoundRect::StaticClass(),      TdxReportCellRoundSquare::StaticClass(),
  };
  for (TdxClass cls : classes) {
    SCOPED_TRACE(cls->ClassName());
    EXPECT_EQ(dxFindClass(cls->ClassName()), cls);
    std::string lower = cls->ClassName();
    for (char& c : lower) c = char(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(dxFindClass(lower), cls);
  }
  // Border and pattern lookups fall back to the defaults for other names.
  EXPECT_EQ(dxBorderClassByName("TdxPSCellBumpedBorder"), TdxPSCellBumpedBorder::StaticClass());
  EXPECT_EQ(dxBorderClassByName("TdxPSSolidEdgePattern"), TdxPSSolidEdgePattern::StaticClass());
  EXPECT_EQ(dxBorderClassByName("TdxPSCrossFillPattern"), dxDefaultBorderClass());
  EXPECT_EQ(dxBorderClassByName("TdxPSCellNoSuchBorder"), dxDefaultBorderClass());
  EXPECT_EQ(dxFillPatternClassByName("TdxPSDiagCrossFillPattern"), TdxPSDiagCrossFillPattern::StaticClass());
  EXPECT_EQ(dxFillPatternClassByName("TdxPSCellRaisedBorder"), TdxPSSolidFillPattern::StaticClass());
  // Shapes are created by name, as streams create them.
  auto shape = dxCreateObject<TCustomdxReportCellShape>(dxFindClass("TdxReportCellRoundSquare"));
  EXPECT_EQ(shape->ClassType(), TdxReportCellRoundSquare::StaticClass());
}

// ---- Painted borders -----------------------------------------------------------

TEST(BordersPaint, BoldFlatDrawsTwoRingsOutsideLeftAndTop) {
  BorderDoc d(B(TdxPSCellBoldFlatBorder::StaticClass()));
  d.Paint();
  // Outer bounds (8, 8, 30, 30): rings at 8 and 9 near, 29 and 28 far.
  EXPECT_EQ(Row(d, 20, 7, 11), (std::vector<unsigned>{kLime, kBlue, kBlue, kRed, kRed}));
  EXPECT_EQ(Row(d, 20, 27, 30), (std::vector<unsigned>{kRed, kBlue, kBlue, kLime}));
  EXPECT_EQ(Column(d, 20, 7, 10), (std::vector<unsigned>{kLime, kBlue, kBlue, kRed}));
  EXPECT_EQ(Column(d, 20, 27, 30), (std::vector<unsigned>{kRed, kBlue, kBlue, kLime}));
}

TEST(BordersPaint, FlatAndNullDrawNoLines) {
  for (TdxClass cls : std::initializer_list<TdxClass>{TdxPSCellFlatBorder::StaticClass(), TdxPSCellNullBorder::StaticClass(),
                       TdxPSCustomCellBorder::StaticClass()}) {
    SCOPED_TRACE(cls->ClassName());
    BorderDoc d(B(cls));
    d.Paint();
    EXPECT_EQ(d.Count(kBlue), 0);
    EXPECT_EQ(d.At(20, 20), kRed);
    EXPECT_EQ(d.At(8, 20), kLime);
  }
}

TEST(BordersPaint, SolidEdgePatternIsOneLine) {
  BorderDoc d(B(TdxPSSolidEdgePattern::StaticClass()));
  d.Paint();
  EXPECT_EQ(Row(d, 20, 8, 11), (std::vector<unsigned>{kLime, kBlue, kRed, kRed}));
  EXPECT_EQ(Row(d, 20, 28, 30), (std::vector<unsigned>{kRed, kBlue, kLime}));
  EXPECT_EQ(Column(d, 20, 8, 10), (std::vector<unsigned>{kLime, kBlue, kRed}));
}

TEST(BordersPaint, RaisedAndSunkenRings) {
  struct Case {
    TdxClass cls;
    unsigned outerTL, outerBR, innerTL, innerBR;
  };
  const Case cases[] = {
      {TdxPSCellRaisedBorder::StaticClass(), kBlack, kBlack, kWhite, kShadow},
      {TdxPSCellRaisedSoftBorder::StaticClass(), kBlack, kBlack, kWhite, kFace},
      {TdxPSCellSunkenBorder::StaticClass(), kBlack, kWhite, kShadow, kFace},
      {TdxPSCellSunkenSoftBorder::StaticClass(), kBlack, kWhite, kFace, kFace},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cls->ClassName());
    BorderDoc d(B(c.cls));
    d.Paint();
    // Border bounds (9, 9, 30, 30): outer ring on 9 and 29, inner on 10 and 28.
    EXPECT_EQ(Row(d, 20, 8, 11), (std::vector<unsigned>{kLime, c.outerTL, c.innerTL, kRed}));
    EXPECT_EQ(Row(d, 20, 27, 30), (std::vector<unsigned>{kRed, c.innerBR, c.outerBR, kLime}));
    EXPECT_EQ(Column(d, 20, 8, 11), (std::vector<unsigned>{kLime, c.outerTL, c.innerTL, kRed}));
    EXPECT_EQ(Column(d, 20, 27, 30), (std::vector<unsigned>{kRed, c.innerBR, c.outerBR, kLime}));
    // Right and bottom strips are drawn last and take the corners.
    EXPECT_EQ(d.At(10, 28), c.innerBR);
    EXPECT_EQ(d.At(28, 10), c.innerBR);
    EXPECT_EQ(d.At(9, 29), c.outerBR);
    EXPECT_EQ(d.At(29, 9), c.outerBR);
    EXPECT_EQ(d.Count(kBlue), 0);  // 3D borders ignore the border colour
  }
}

TEST(BordersPaint, EtchedAndBumpedRingsAreOffsetByOneLine) {
  // Etched: a black ring at (9, 9, 29, 29) over a white ring at (10, 10, 30, 30).
  {
    BorderDoc d(B(TdxPSCellEtchedBorder::StaticClass()));
    d.Paint();
    EXPECT_EQ(Row(d, 20, 8, 11), (std::vector<unsigned>{kLime, kBlack, kWhite, kRed}));
    EXPECT_EQ(Row(d, 20, 27, 30), (std::vector<unsigned>{kRed, kBlack, kWhite, kLime}));
    EXPECT_EQ(Column(d, 20, 8, 11), (std::vector<unsigned>{kLime, kBlack, kWhite, kRed}));
    EXPECT_EQ(Column(d, 20, 27, 30), (std::vector<unsigned>{kRed, kBlack, kWhite, kLime}));
    EXPECT_EQ(d.At(29, 9), kLime);  // neither ring reaches this corner
    EXPECT_EQ(d.At(9, 29), kLime);
  }
  {
    BorderDoc d(B(TdxPSCellBumpedBorder::StaticClass()));
    d.Paint();
    EXPECT_EQ(Row(d, 20, 8, 11), (std::vector<unsigned>{kLime, kWhite, kBlack, kRed}));
    EXPECT_EQ(Row(d, 20, 27, 30), (std::vector<unsigned>{kRed, kWhite, kBlack, kLime}));
  }
}

TEST(BordersPaint, OnlyTheCellsSidesAreDrawn) {
  BorderDoc d(B(TdxPSCellRaisedBorder::StaticClass()));
  d.cell->SetCellSides(isdLeft | isdBottom);
  d.Paint();
  EXPECT_EQ(Row(d, 20, 8, 10), (std::vector<unsigned>{kLime, kBlack, kWhite}));
  EXPECT_EQ(d.At(20, 9), kLime);   // no top side: the outer bounds start at 10
  EXPECT_EQ(d.At(20, 10), kRed);
  EXPECT_EQ(d.At(29, 20), kRed);   // no right side
  EXPECT_EQ(Column(d, 20, 27, 30), (std::vector<unsigned>{kRed, kShadow, kBlack, kLime}));
}

TEST(BordersPaint, NullBorderStillDrawsTheShadow) {
  BorderDoc d(B(TdxPSCellNullBorder::StaticClass()));
  d.cell->SetShadowed(true);
  d.cells.SetShadowDepth(3);
  d.Paint();
  EXPECT_EQ(d.Count(kBlue), 0);
  EXPECT_EQ(d.At(20, 28), kBlack);   // shadow below
  EXPECT_EQ(d.At(28, 20), kBlack);   // shadow right
  EXPECT_EQ(d.At(10, 28), kLime);    // corner square: the page's colour
  EXPECT_EQ(d.At(28, 10), kLime);
}

TEST(BordersPaint, ThreeDPainterDrawsLinesOfTheGivenWidth) {
  TTestRenderer renderer;
  // Paints with the painter of painterClass into a fresh 30 x 30 image.
  auto paint = [&](TdxClass painterClass, TdxClass borderClass, int width) {
    QImage image = WhiteImage(30, 30);
    {
      TCanvas dc(&image);
      auto* painter = static_cast<TdxPSCell3DBorderPainter*>(renderer.GetBorderPainter(painterClass));
      painter->DrawBorders(dc, TRect(2, 2, 28, 28), dxFormatSides, B(borderClass), width);
    }
    return image;
  };
  auto row = [](const QImage& image, int y, int x0, int x1) {
    std::vector<unsigned> v;
    for (int x = x0; x <= x1; ++x) v.push_back(PixelRGB(image, x, y));
    return v;
  };
  QImage sunken = paint(TdxPSCell3DBorderPainter::StaticClass(), TdxPSCellSunkenBorder::StaticClass(), 3);
  EXPECT_EQ(row(sunken, 15, 1, 9), (std::vector<unsigned>{kWhite, kBlack, kBlack, kBlack, kShadow, kShadow,
                                                          kShadow, kWhite, kWhite}));
  EXPECT_EQ(row(sunken, 15, 20, 28), (std::vector<unsigned>{kWhite, kWhite, kFace, kFace, kFace, kWhite, kWhite,
                                                            kWhite, kWhite}));
  EXPECT_EQ(PixelRGB(sunken, 15, 1), kWhite);
  EXPECT_EQ(PixelRGB(sunken, 15, 4), kBlack);
  EXPECT_EQ(PixelRGB(sunken, 15, 5), kShadow);
  // A twisted painter shifts the inner ring: etched at width 2.
  QImage etched = paint(TdxPSCellTwistedBorderPainter::StaticClass(), TdxPSCellEtchedBorder::StaticClass(), 2);
  EXPECT_EQ(row(etched, 15, 1, 6), (std::vector<unsigned>{kWhite, kBlack, kBlack, kWhite, kWhite, kWhite}));
  EXPECT_EQ(row(etched, 15, 24, 28), (std::vector<unsigned>{kBlack, kBlack, kWhite, kWhite, kWhite}));
  EXPECT_EQ(PixelRGB(etched, 3, 27), kWhite);  // the inner ring's bottom edge
  // A class that is not 3D draws nothing.
  QImage none = paint(TdxPSCellTwistedBorderPainter::StaticClass(), TdxPSCellUltraFlatBorder::StaticClass(), 2);
  for (int x = 0; x < 30; ++x) EXPECT_EQ(PixelRGB(none, x, 15), kWhite);
}

TEST(BordersPaint, DrawBorderEdgeKinds) {
  TTestRenderer renderer;
  renderer.IdleThickness = 2;
  auto paint = [&](TColor color, bool soft, int edgeStyle, int kind) {
    QImage image = WhiteImage(20, 20);
    {
      TCanvas dc(&image);
      dxDrawBorderEdge(renderer, dc, TRect(2, 2, 18, 18), color, soft, dxFormatSides, edgeStyle, kind);
    }
    return image;
  };
  QImage flat = paint(clRed, false, 0, 0);
  EXPECT_EQ(PixelRGB(flat, 2, 10), kRed);
  EXPECT_EQ(PixelRGB(flat, 3, 10), kRed);
  EXPECT_EQ(PixelRGB(flat, 4, 10), kWhite);
  EXPECT_EQ(PixelRGB(flat, 16, 10), kRed);
  QImage raised = paint(clRed, false, 0, 1);
  EXPECT_EQ(PixelRGB(raised, 2, 10), kBlack);
  EXPECT_EQ(PixelRGB(raised, 14, 10), kShadow);
  QImage raisedSoft = paint(clRed, true, 0, 1);
  EXPECT_EQ(PixelRGB(raisedSoft, 14, 10), kFace);
  QImage sunken = paint(clRed, false, 1, 1);
  EXPECT_EQ(PixelRGB(sunken, 4, 10), kShadow);
  EXPECT_EQ(PixelRGB(sunken, 16, 10), kWhite);
  QImage sunkenSoft = paint(clRed, true, 1, 1);
  EXPECT_EQ(PixelRGB(sunkenSoft, 4, 10), kFace);
  for (QImage none : {paint(clRed, false, 0, 2), paint(clRed, false, 7, 1), paint(clRed, false, -1, 1)})
    for (int x = 0; x < 20; ++x) EXPECT_EQ(PixelRGB(none, x, 10), kWhite);
}

// ---- Fill patterns -------------------------------------------------------------

namespace {

class TTestStripeFillPattern : public TdxPSFillPattern {
  DX_CLASS(TTestStripeFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits() {
    static const std::uint16_t bits[8] = {0xFFFE, 0xFFFE, 0xFFFE, 0xFFFE, 0xFFFE, 0xFFFE, 0xFFFE, 0xFFFE};
    return bits;
  }
  static std::string PatternName() { return "Test stripe"; }
};

struct PatternRow {
  TdxClass cls;
  const char* name;
  std::uint16_t rows[8];
};

const PatternRow kPatterns[] = {
    {TdxPSSolidFillPattern::StaticClass(), "Solid", {0, 0, 0, 0, 0, 0, 0, 0}},
    {TdxPSGray50FillPattern::StaticClass(), "50% Gray",
     {0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA, 0x5555, 0xAAAA}},
    {TdxPSHorizontalFillPattern::StaticClass(), "Horizontal",
     {0xFFFF, 0x0000, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF, 0xFFFF}},
    {TdxPSVerticalFillPattern::StaticClass(), "Vertical",
     {0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF}},
    {TdxPSFDiagonalFillPattern::StaticClass(), "FDiagonal",
     {0xFFFE, 0xFFFD, 0xFFFB, 0xFFF7, 0xFFEF, 0xFFDF, 0xFFBF, 0xFF7F}},
    {TdxPSBDiagonalFillPattern::StaticClass(), "BDiagonal",
     {0xFF7F, 0xFFBF, 0xFFDF, 0xFFEF, 0xFFF7, 0xFFFB, 0xFFFD, 0xFFFE}},
    {TdxPSCrossFillPattern::StaticClass(), "Cross", {0xFFBF, 0x0000, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF, 0xFFBF}},
    {TdxPSDiagCrossFillPattern::StaticClass(), "DiagCros",
     {0xFF7E, 0xFFBD, 0xFFDB, 0xFFE7, 0xFFE7, 0xFFDB, 0xFFBD, 0xFF7E}},
};

}  // namespace

TEST(FillPatterns, AnswersAndBitmapsFollowTheRows) {
  auto* factory = TdxPSFillPatternFactory::Instance();
  ASSERT_GE(factory->Count(), 8);
  for (int i = 0; i < 8; ++i) {
    const PatternRow& p = kPatterns[i];
    SCOPED_TRACE(p.name);
    TdxPSFillPatternClass cls = dxAsFillPatternClass(p.cls);
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(factory->Patterns(i), cls);  // registration order
    EXPECT_EQ(cls->PatternName(), p.name);
    bool solid = i == 0;
    EXPECT_EQ(cls->IsSolid(), solid);
    EXPECT_EQ(cls->AlignsToDevice(), !solid);
    EXPECT_EQ(cls->ScalesForPrinter(), !solid);
    EXPECT_EQ(cls->PatternSize(), (TSize{8, 8}));
    ASSERT_EQ(cls->PatternBits().size(), 8u);
    const QImage& bitmap = factory->GetItem(cls, false)->Bitmap();
    ASSERT_EQ(bitmap.size(), QSize(8, 8));
    for (int r = 0; r < 8; ++r) {
      EXPECT_EQ(cls->PatternBits()[std::size_t(r)], p.rows[r]);
      for (int c = 0; c < 8; ++c)
        EXPECT_EQ(qGray(bitmap.pixel(c, r)) >= 128, bool((p.rows[r] >> c) & 1)) << c << "," << r;
    }
  }
}

TEST(FillPatterns, FillsPaintForegroundOnBackgroundAlignedToTheArea) {
  TTestRenderer renderer;
  for (int i = 1; i < 8; ++i) {
    const PatternRow& p = kPatterns[i];
    SCOPED_TRACE(p.name);
    QImage image = WhiteImage(24, 24);
    {
      TCanvas dc(&image);
      // The fill starts at (3, 5): the pattern's origin is there.
      renderer.FillRectEx(dc, TRect(3, 5, 19, 21), dxAsFillPatternClass(p.cls), clYellow, clBlue);
    }
    for (int y = 5; y < 21; ++y)
      for (int x = 3; x < 19; ++x) {
        int c = (x - 3) % 8, r = (y - 5) % 8;
        unsigned expected = (p.rows[r] >> c) & 1 ? 0xFFFF00u : kBlue;
        ASSERT_EQ(PixelRGB(image, x, y), expected) << x << "," << y;
      }
    EXPECT_EQ(PixelRGB(image, 2, 10), kWhite);
    EXPECT_EQ(PixelRGB(image, 19, 10), kWhite);
  }
}

TEST(FillPatterns, PrinterItemsScaleAndAreRebuiltAfterReset) {
  auto* factory = TdxPSFillPatternFactory::Instance();
  TdxPSFillPatternClass gray = TdxPSGray50FillPattern::StaticClass();
  TdxPSFillPatternClass solid = TdxPSSolidFillPattern::StaticClass();
  int screen = TDeviceCaps::Screen().LogPixelsY;
  factory->SetPrinterPixelsPerInch(screen * 3);
  factory->ResetPrinterItems();
  TdxPSFillPatternItem* item = factory->GetItem(gray, true);
  ASSERT_EQ(item->Bitmap().size(), QSize(24, 24));
  // Each pattern pixel becomes a 3 x 3 block.
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 24; ++x)
      ASSERT_EQ(qGray(item->Bitmap().pixel(x, y)) >= 128, ((x / 3 + y / 3) % 2) == 0) << x << "," << y;
  EXPECT_EQ(factory->GetItem(gray, true), item);  // cached
  EXPECT_EQ(factory->GetItem(solid, true)->Bitmap().size(), QSize(8, 8));  // solid does not scale
  EXPECT_EQ(factory->GetItem(gray, false)->Bitmap().size(), QSize(8, 8));
  // A new printer: the next request rebuilds at its resolution.
  factory->SetPrinterPixelsPerInch(screen * 2);
  factory->ResetPrinterItems();
  EXPECT_EQ(factory->GetItem(gray, true)->Bitmap().size(), QSize(16, 16));
  // A bogus resolution cannot make a huge bitmap.
  factory->SetPrinterPixelsPerInch(1 << 30);
  factory->ResetPrinterItems();
  EXPECT_LE(factory->GetItem(gray, true)->Bitmap().width(), 1024);
  factory->SetPrinterPixelsPerInch(0);
  factory->ResetPrinterItems();
  EXPECT_EQ(factory->GetItem(nullptr, false), nullptr);
}

TEST(FillPatterns, RegisterAndUnregisterKeepTheListsParallel) {
  auto* factory = TdxPSFillPatternFactory::Instance();
  TdxPSFillPatternClass stripe = TTestStripeFillPattern::StaticClass();
  TdxPSFillPatternClass cross = TdxPSCrossFillPattern::StaticClass();
  try {
    factory->GetItem(stripe, false);
    FAIL() << "no error";
  } catch (const EdxPrintEngine& e) {
    EXPECT_STREQ(e.what(), "Pattern \"TTestStripeFillPattern\" is not registered");
  }
  int count = factory->Count();
  factory->Register(stripe);
  factory->Register(stripe);
  EXPECT_EQ(factory->Count(), count + 1);
  EXPECT_EQ(factory->Patterns(count), stripe);
  EXPECT_EQ(dxFindClass("TTestStripeFillPattern"), stripe);  // registered for streams too
  EXPECT_EQ(qGray(factory->GetItem(stripe, false)->Bitmap().pixel(0, 3)), 0);
  // Removing a pattern in the middle keeps every other pattern's items.
  TdxPSFillPatternItem* strItem = factory->GetItem(stripe, false);
  factory->Unregister(cross);
  EXPECT_EQ(factory->IndexOf(cross), -1);
  EXPECT_EQ(factory->GetItem(stripe, false), strItem);
  EXPECT_EQ(factory->GetItem(stripe, false)->Pattern(), stripe);
  EXPECT_THROW(factory->GetItem(cross, true), EdxPrintEngine);
  factory->Unregister(stripe);
  EXPECT_EQ(factory->Count(), count - 1);
  factory->Register(cross);
  EXPECT_EQ(factory->GetItem(cross, false)->Pattern(), cross);
  dxUnregisterClass(stripe);
}

TEST(EdgePatterns, SolidEdgePatternFactory) {
  auto* factory = TdxPSEdgePatternFactory::Instance();
  TdxPSEdgePatternClass solid = dxAsEdgePatternClass(TdxPSSolidEdgePattern::StaticClass());
  ASSERT_NE(solid, nullptr);
  EXPECT_EQ(solid->PatternBits(0), 0xFFFFFFFFu);
  EXPECT_EQ(solid->PatternBits(1), 0xFFFFFFFFu);
  EXPECT_EQ(solid->PatternName(), "Solid");
  EXPECT_FALSE(solid->AlignsToDevice());
  EXPECT_FALSE(solid->ScalesForPrinter());
  EXPECT_EQ(solid->PatternSize(), 8);
  EXPECT_EQ(factory->IndexOf(solid), 0);
  TdxPSEdgePatternItem* item = factory->GetItem(solid, false);
  EXPECT_EQ(item->HorzBrush().Bitmap.size(), QSize(8, 2));
  EXPECT_EQ(item->VertBrush().Bitmap.size(), QSize(2, 8));
  factory->ResetPrinterItems();
  EXPECT_NE(factory->GetItem(solid, true), nullptr);
  try {
    factory->GetItem(dxAsEdgePatternClass(TdxPSEdgePattern::StaticClass()), false);
    FAIL() << "no error";
  } catch (const EdxPrintEngine& e) {
    EXPECT_STREQ(e.what(), "Pattern \"TdxPSEdgePattern\" is not registered");
  }
  EXPECT_EQ(dxAsEdgePatternClass(TdxPSCellRaisedBorder::StaticClass()), nullptr);
}

// ---- Shapes --------------------------------------------------------------------

namespace {

struct ShapeDoc {
  ShapeDoc(int w, int h) {
    cells.SetRenderer(&renderer);
    TdxReportCell* root = cells.Cells();
    root->SetBoundsRect(TRect(0, 0, w, h));
    root->SetCellSides(0);
    root->SetColor(clLime);
    root->SetTransparent(false);
    image = WhiteImage(w, h);
  }
  template <class T>
  T* Add(TRect r, TColor border, TColor fill, TdxPSFillPatternClass pattern, int thickness = 1) {
    auto* s = new T(cells.Cells());
    s->SetBoundsRect(r);
    s->SetCellSides(dxFormatSides);  // ignored: shapes draw no item borders
    s->SetShapeBorderColor(border);
    s->SetShapeColor(fill);
    s->SetContentBkColor(clYellow);
    s->SetContentPattern(pattern);
    s->SetShapeBorderThickness(thickness);
    return s;
  }
  void Paint() {
    cells.Scale(4800, 96);
    renderer.Paint(cells, image);
  }
  unsigned At(int x, int y) const { return PixelRGB(image, x, y); }

  TTestRenderer renderer;
  TdxReportCells cells;
  QImage image;
};

}  // namespace

TEST(Shapes, BoundsFollowTheShapeKind) {
  TdxReportCellCircle circle;
  circle.SetBoundsRect(TRect(0, 0, 100, 40));
  EXPECT_EQ(circle.GetShapeCenter(), (TPoint{50, 20}));
  EXPECT_EQ(circle.GetShapeBounds(), TRect(30, 0, 70, 40));
  TdxReportCellSquare square;
  square.SetBoundsRect(TRect(10, 10, 41, 81));
  EXPECT_EQ(square.GetShapeBounds(), TRect(10, 30, 41, 61));
  TdxReportCellRoundSquare roundSquare;
  roundSquare.SetBoundsRect(TRect(-21, 0, 0, 7));
  EXPECT_EQ(roundSquare.GetShapeBounds(), TRect(-14, 0, -7, 7));
  TdxReportCellEllipse ellipse;
  ellipse.SetBoundsRect(TRect(5, 6, 25, 17));
  EXPECT_EQ(ellipse.GetShapeBounds(), TRect(5, 6, 25, 17));
  EXPECT_EQ(dxAsShapeClass(TdxReportCellRoundSquare::StaticClass())->ShapeName(), "RoundSquare");
  EXPECT_EQ(dxAsShapeClass(TdxReportCellCircle::StaticClass())->ShapeName(), "Circle");
  EXPECT_EQ(dxAsShapeClass(TCustomdxReportCellShape::StaticClass())->ShapeName(), "");
  EXPECT_EQ(dxAsShapeClass(TdxReportCellBox::StaticClass()), nullptr);
}

TEST(Shapes, FieldsClampAssignAndScale) {
  TdxReportCellRoundRect a;
  EXPECT_EQ(a.ShapeBorderThickness(), 1);
  EXPECT_EQ(a.EllipseWidth(), 2);
  EXPECT_EQ(a.GetContentPattern(), nullptr);
  a.SetShapeBorderThickness(-5);
  a.SetEllipseWidth(-1);
  EXPECT_EQ(a.ShapeBorderThickness(), 0);
  EXPECT_EQ(a.EllipseWidth(), 0);
  a.SetShapeBorderThickness(3);
  a.SetEllipseWidth(10);
  a.SetEllipseHeight(7);
  a.SetShapeColor(clRed);
  a.SetShapeBorderColor(clBlue);
  a.SetContentBkColor(clYellow);
  a.SetContentPattern(TdxPSCrossFillPattern::StaticClass());
  a.Scale(3, 2);
  EXPECT_EQ(a.EllipseWidth(), 15);
  EXPECT_EQ(a.EllipseHeight(), 11);  // rounding multiply-divide
  a.Scale(1, 0);                     // ignored
  EXPECT_EQ(a.EllipseWidth(), 15);
  TdxReportCellRoundSquare b;
  b.Assign(a);
  EXPECT_EQ(b.ShapeBorderThickness(), 3);
  EXPECT_EQ(b.ShapeColor(), clRed);
  EXPECT_EQ(b.ShapeBorderColor(), clBlue);
  EXPECT_EQ(b.EllipseWidth(), 15);
  EXPECT_EQ(b.GetContentBkColor(), clYellow);
  EXPECT_EQ(b.GetContentPattern(), TdxPSCrossFillPattern::StaticClass());
  TdxReportCellEllipse e;
  e.Assign(a);  // the shape fields only
  EXPECT_EQ(e.ShapeBorderThickness(), 3);
}

TEST(Shapes, StreamsKeepShapeFieldsButNotCornerSizes) {
  TdxReportCellRoundRect a;
  a.SetBoundsRect(TRect(1, 2, 30, 40));
  a.SetShapeBorderColor(clBlue);
  a.SetShapeBorderThickness(4);
  a.SetShapeColor(clRed);
  a.SetContentBkColor(clYellow);
  a.SetContentPattern(TdxPSGray50FillPattern::StaticClass());
  a.SetEllipseWidth(9);
  a.SetEllipseHeight(8);
  TTestWriter writer;
  a.WriteData(writer);
  TdxReportCellRoundRect b;
  b.SetEllipseWidth(5);
  TTestReader reader(writer.Values);
  b.ReadData(reader);
  EXPECT_EQ(b.BoundsRect(), a.BoundsRect());
  EXPECT_EQ(b.ShapeBorderColor(), clBlue);
  EXPECT_EQ(b.ShapeBorderThickness(), 4);
  EXPECT_EQ(b.ShapeColor(), clRed);
  EXPECT_EQ(b.GetContentBkColor(), clYellow);
  EXPECT_EQ(b.GetContentPattern(), TdxPSGray50FillPattern::StaticClass());
  EXPECT_EQ(b.EllipseWidth(), 5);  // not in the stream: untouched here
  TdxReportCellRoundRect fresh;
  TTestReader reader2(writer.Values);
  fresh.ReadData(reader2);
  EXPECT_EQ(fresh.EllipseWidth(), 2);
  EXPECT_EQ(fresh.EllipseHeight(), 2);
  // A negative thickness in a stream is clamped.
  TTestWriter w2;
  TdxReportCellRectangle r;
  r.SetShapeBorderThickness(2);
  r.WriteData(w2);
  w2.Values[w2.Values.size() - 2] = std::int32_t(-7);
  TdxReportCellRectangle r2;
  TTestReader reader3(w2.Values);
  r2.ReadData(reader3);
  EXPECT_EQ(r2.ShapeBorderThickness(), 0);
}

TEST(Shapes, RectangleOutlineAndFill) {
  ShapeDoc d(40, 40);
  d.Add<TdxReportCellRectangle>(TRect(10, 10, 30, 30), clBlue, clRed, TdxPSSolidFillPattern::StaticClass(), 2);
  d.Paint();
  auto row = [&](int y, int x0, int x1) {
    std::vector<unsigned> v;
    for (int x = x0; x <= x1; ++x) v.push_back(d.At(x, y));
    return v;
  };
  EXPECT_EQ(row(20, 9, 13), (std::vector<unsigned>{kLime, kBlue, kBlue, kRed, kRed}));
  EXPECT_EQ(row(20, 26, 30), (std::vector<unsigned>{kRed, kRed, kBlue, kBlue, kLime}));
  EXPECT_EQ(d.At(20, 9), kLime);
  EXPECT_EQ(d.At(20, 10), kBlue);
  EXPECT_EQ(d.At(20, 12), kRed);
  EXPECT_EQ(d.At(20, 29), kBlue);
  EXPECT_EQ(d.At(20, 30), kLime);
}

TEST(Shapes, PatternFillAndNoFill) {
  ShapeDoc d(60, 30);
  d.Add<TdxReportCellRectangle>(TRect(5, 5, 25, 25), clBlue, clRed, TdxPSGray50FillPattern::StaticClass());
  d.Add<TdxReportCellSquare>(TRect(30, 5, 54, 25), clBlue, clRed, nullptr);  // 20 x 20 at x 32
  d.Paint();
  // Gray 50%: red on yellow, alternating, starting at the filled area.
  for (int y = 6; y < 24; ++y)
    for (int x = 6; x < 24; ++x)
      ASSERT_EQ(d.At(x, y), ((x - 6) + (y - 6)) % 2 == 0 ? 0xFFFF00u : kRed) << x << "," << y;
  EXPECT_EQ(d.At(31, 15), kLime);
  EXPECT_EQ(d.At(32, 15), kBlue);
  EXPECT_EQ(d.At(40, 15), kLime);  // no pattern: the inside is not filled
  EXPECT_EQ(d.At(51, 15), kBlue);
  EXPECT_EQ(d.At(52, 15), kLime);
}

TEST(Shapes, CircleIsCentredInItsBounds) {
  ShapeDoc d(100, 40);
  d.Add<TdxReportCellCircle>(TRect(0, 0, 100, 40), clBlue, clRed, TdxPSSolidFillPattern::StaticClass());
  d.Paint();
  EXPECT_EQ(d.At(50, 20), kRed);
  EXPECT_EQ(d.At(40, 20), kRed);
  EXPECT_EQ(d.At(25, 20), kLime);
  EXPECT_EQ(d.At(75, 20), kLime);
  EXPECT_EQ(d.At(31, 3), kLime);  // outside the circle, inside the square
  auto bluish = [&](int x0, int x1, int y0, int y1) {
    for (int y = y0; y <= y1; ++y)
      for (int x = x0; x <= x1; ++x)
        if (d.At(x, y) == kBlue) return true;
    return false;
  };
  EXPECT_TRUE(bluish(29, 32, 19, 21));  // left of the outline
  EXPECT_TRUE(bluish(67, 70, 19, 21));  // right
  EXPECT_TRUE(bluish(49, 51, 0, 2));    // top
  EXPECT_FALSE(bluish(0, 28, 0, 39));
}

TEST(Shapes, RoundRectAndEllipseWithoutOutline) {
  ShapeDoc d(60, 30);
  auto* rr = d.Add<TdxReportCellRoundRect>(TRect(5, 5, 25, 25), clBlue, clRed,
                                            TdxPSSolidFillPattern::StaticClass(), 0);
  rr->SetEllipseWidth(8);
  rr->SetEllipseHeight(8);
  d.Add<TdxReportCellEllipse>(TRect(30, 5, 56, 25), clBlue, clRed, TdxPSSolidFillPattern::StaticClass(), 0);
  d.Paint();
  EXPECT_EQ(d.At(15, 15), kRed);
  EXPECT_EQ(d.At(6, 15), kRed);    // straight part of the edge
  EXPECT_EQ(d.At(5, 5), kLime);    // the corner is rounded off
  EXPECT_EQ(d.At(43, 15), kRed);
  EXPECT_EQ(d.At(31, 6), kLime);
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 60; ++x) ASSERT_NE(d.At(x, y), kBlue);  // thickness 0: no outline
}

TEST(Shapes, HugeThicknessStaysInsideTheShape) {
  ShapeDoc d(40, 40);
  d.Add<TdxReportCellRectangle>(TRect(10, 10, 30, 30), clBlue, clRed, TdxPSSolidFillPattern::StaticClass(),
                                 1000000000);
  d.Add<TdxReportCellEllipse>(TRect(0, 32, 40, 40), clBlue, clRed, TdxPSSolidFillPattern::StaticClass(),
                               1000000000);
  d.Paint();
  EXPECT_EQ(d.At(20, 20), kBlue);
  EXPECT_EQ(d.At(9, 20), kLime);
  EXPECT_EQ(d.At(30, 20), kLime);
}

TEST(Shapes, ShapeFactoryHoldsTheSixShapes) {
  auto* factory = TdxPSShapeFactory::Instance();
  EXPECT_EQ(factory->Count(), 6);
  for (TdxClass cls : std::initializer_list<TdxClass>{TdxReportCellEllipse::StaticClass(), TdxReportCellCircle::StaticClass(),
                       TdxReportCellRectangle::StaticClass(), TdxReportCellSquare::StaticClass(),
                       TdxReportCellRoundRect::StaticClass(), TdxReportCellRoundSquare::StaticClass()})
    EXPECT_GE(factory->IndexOf(cls), 0) << cls->ClassName();
  EXPECT_EQ(factory->Items(0), TdxReportCellRoundSquare::StaticClass());  // most recent first
}

TEST(Shapes, EllipsePatternStartsAtTheShapesCorner) {
  ShapeDoc d(40, 40);
  d.Add<TdxReportCellEllipse>(TRect(3, 3, 37, 37), clBlue, clRed, TdxPSGray50FillPattern::StaticClass());
  d.Paint();
  for (int y = 14; y < 26; ++y)
    for (int x = 14; x < 26; ++x)
      ASSERT_EQ(d.At(x, y), ((x - 3) + (y - 3)) % 2 == 0 ? 0xFFFF00u : kRed) << x << "," << y;
  EXPECT_EQ(d.At(1, 1), kLime);
}
