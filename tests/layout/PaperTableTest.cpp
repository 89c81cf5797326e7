// The standard paper table: every row exactly as the platform's paper list
// has it, and the lookups that the page model relies on.
#include <gtest/gtest.h>

#include <climits>

#include "layout/PaperTable.h"
#include "platform/Exceptions.h"

namespace {

struct Row {
  int Kind;
  const char* ShortName;
  int Width;
  int Height;
};

// Transcribed from the platform's paper list (tenths of a mm, portrait).
const Row kExpected[] = {
    {1, "Letter", 2159, 2794}, {2, "Letter Small", 2159, 2794}, {3, "Tabloid", 2794, 4318},
    {4, "Ledger", 4318, 2794}, {5, "Legal", 2159, 3556}, {6, "Statement", 1397, 2159},
    {7, "Executive", 1842, 2667}, {8, "A3", 2970, 4200}, {9, "A4", 2100, 2970},
    {10, "A4 Small", 2100, 2970}, {11, "A5", 1480, 2100}, {12, "B4 (JIS)", 2500, 3540},
    {13, "B5 (JIS)", 1820, 2570}, {14, "Folio", 2159, 3302}, {15, "Quarto", 2150, 2750},
    {16, "10x14 in", 2540, 3556}, {17, "11x17 in", 2794, 4318}, {18, "Note", 2159, 2794},
    {19, "Envelope #9", 984, 2254}, {20, "Envelope #10", 1048, 2413}, {21, "Envelope #11", 1143, 2635},
    {22, "Envelope #12", 1206, 2794}, {23, "Envelope #14", 1270, 2921}, {24, "C sheet", 4318, 5588},
    {25, "D sheet", 5588, 8636}, {26, "E sheet", 8636, 11176}, {27, "Envelope DL", 1100, 2200},
    {28, "Envelope C5", 1620, 2290}, {29, "Envelope C3", 3240, 4580}, {30, "Envelope C4", 2290, 3240},
    {31, "Envelope C6", 1140, 1620}, {32, "Envelope 65", 1140, 2290}, {33, "Envelope B4", 2500, 3530},
    {34, "Envelope B5", 1760, 2500}, {35, "Envelope B6", 1760, 1250}, {36, "Envelope 110", 1100, 2300},
    {37, "Envelope Monarch", 984, 1905}, {38, "6 3/4 Envelope", 921, 1651}, {39, "US Std Fanfold", 3778, 2794},
    {40, "German Std Fanfold", 2159, 3048}, {41, "German Legal Fanfold", 2159, 3302},
    {42, "B4 (ISO)", 2500, 3530}, {43, "Japanese Postcard", 1000, 1480}, {44, "9 x 11 in", 2286, 2794},
    {45, "10 x 11 in", 2540, 2794}, {46, "15 x 11 in", 3810, 2794}, {47, "Envelope Invite", 2200, 2200},
    {50, "Letter Extra", 2413, 3048}, {51, "Legal Extra", 2413, 3810}, {52, "Tabloid Extra", 2969, 4572},
    {53, "A4 Extra", 2355, 3223}, {54, "Letter Transverse", 2159, 2794}, {55, "A4 Transverse", 2100, 2970},
    {56, "Letter Extra Transverse", 2413, 3048}, {57, "SuperASuperAA4", 2270, 3560},
    {58, "SuperBSuperBA3", 3050, 4870}, {59, "Letter Plus", 2159, 3223}, {60, "A4 Plus", 2100, 3300},
    {61, "A5 Transverse", 1480, 2100}, {62, "B5 (JIS) Transverse", 1820, 2570}, {63, "A3 Extra", 3220, 4450},
    {64, "A5 Extra", 1740, 2350}, {65, "B5 (ISO) Extra", 2010, 2760}, {66, "A2", 4200, 5940},
    {67, "A3 Transverse", 2970, 4200}, {68, "A3 Extra Transverse", 3220, 4450},
    {69, "Japanese Double Postcard", 2000, 1480}, {70, "A6", 1050, 1480}, {75, "Letter Rotated", 2794, 2159},
    {76, "A3 Rotated", 4200, 2970}, {77, "A4 Rotated", 2970, 2100}, {78, "A5 Rotated", 2100, 1480},
    {79, "B4 (JIS) Rotated", 3640, 2570}, {80, "B5 (JIS) Rotated", 2570, 1820},
    {81, "Japanese Postcard Rotated", 1480, 1000}, {83, "A6 Rotated", 1480, 1050}, {88, "B6 (JIS)", 1280, 1820},
    {89, "B6 (JIS) Rotated", 1820, 1280}, {90, "12X11", 3048, 2794}, {93, "PRC 16K", 1460, 2150},
    {94, "PRC 32K", 970, 1510}, {95, "PRC 32K(Big)", 970, 1510}, {96, "PRC Envelope #1", 1020, 1650},
    {97, "PRC Envelope #2", 1020, 1760}, {98, "PRC Envelope #3", 1250, 1760}, {99, "PRC Envelope #4", 1100, 2080},
    {100, "PRC Envelope #5", 1100, 2200}, {101, "PRC Envelope #6", 1200, 2300},
    {102, "PRC Envelope #7", 1600, 2300}, {103, "PRC Envelope #8", 1200, 3090},
    {104, "PRC Envelope #9", 2290, 3240}, {105, "PRC Envelope #10", 3240, 4580},
    {106, "PRC 16K Rotated", 1460, 2150}, {107, "PRC 32K Rotated", 970, 1510},
    {108, "PRC 32K(Big) Rotated", 970, 1510}, {109, "PRC Envelope #1 Rotated", 1650, 1020},
    {110, "PRC Envelope #2 Rotated", 1760, 1020}, {111, "PRC Envelope #3 Rotated", 1760, 1250},
    {112, "PRC Envelope #4 Rotated", 2080, 1100}, {113, "PRC Envelope #5 Rotated", 2200, 1100},
    {114, "PRC Envelope #6 Rotated", 2300, 1200}, {115, "PRC Envelope #7 Rotated", 2300, 1600},
    {116, "PRC Envelope #8 Rotated", 3090, 1200}, {117, "PRC Envelope #9 Rotated", 3240, 2290},
    {118, "PRC Envelope #10 Rotated", 4580, 3240}, {256, "Custom", 0, 0},
};

}  // namespace

TEST(StandardPapers, EveryRowInOrder) {
  const TdxPapers& papers = GetStandardPapers();
  ASSERT_EQ(papers.Count(), int(std::size(kExpected)));
  for (int i = 0; i < papers.Count(); ++i) {
    const Row& r = kExpected[i];
    const TdxPaper& p = papers[i];
    SCOPED_TRACE(r.ShortName);
    EXPECT_EQ(p.DMPaper, r.Kind);
    EXPECT_EQ(p.ShortName, r.ShortName);
    EXPECT_EQ(p.Size, (TPoint{r.Width, r.Height}));
    // The full name starts with the short name.
    EXPECT_EQ(p.Name.rfind(r.ShortName, 0), 0u) << p.Name;
    if (i > 0) {
      EXPECT_LT(papers[i - 1].DMPaper, p.DMPaper);
    }
  }
  EXPECT_EQ(papers[papers.Count() - 1].DMPaper, 256);
  EXPECT_EQ(papers[papers.FindKind(9)].Name, "A4 210 x 297 mm");
  EXPECT_EQ(&GetStandardPapers(), &papers);
}

TEST(StandardPapers, KindsMissingFromTheTable) {
  const TdxPapers& papers = GetStandardPapers();
  for (int kind : {0, 48, 49, 71, 72, 73, 74, 82, 84, 85, 86, 87, 91, 92, 119, 255, 257, -1, INT_MIN, INT_MAX})
    EXPECT_EQ(papers.FindKind(kind), -1) << kind;
}

TEST(StandardPapers, FindSizePrefersTheLowerKindWithinOneTenth) {
  const TdxPapers& papers = GetStandardPapers();
  auto kindOf = [&](int w, int h) {
    int i = papers.FindSize(w, h);
    return i < 0 ? -1 : papers[i].DMPaper;
  };
  EXPECT_EQ(kindOf(2100, 2970), 9);   // not A4 Small or A4 Transverse
  EXPECT_EQ(kindOf(2101, 2971), 9);
  EXPECT_EQ(kindOf(2099, 2969), 9);
  EXPECT_EQ(kindOf(2102, 2970), -1);
  EXPECT_EQ(kindOf(2100, 2968), -1);
  EXPECT_EQ(kindOf(2159, 2794), 1);   // not Letter Small or Note
  EXPECT_EQ(kindOf(2794, 2159), 75);
  EXPECT_EQ(kindOf(2794, 4318), 3);   // Tabloid before 11x17
  EXPECT_EQ(kindOf(0, 0), 256);
  EXPECT_EQ(kindOf(1, 1), 256);
  // Extreme values neither overflow nor match.
  EXPECT_EQ(papers.FindSize(INT_MIN, INT_MIN), -1);
  EXPECT_EQ(papers.FindSize(INT_MAX, INT_MAX), -1);
}

TEST(StandardPapers, AssignCopiesOrClears) {
  TdxPapers copy;
  copy.Clear();
  copy.Add(TdxPaper("X 1 x 1", "X", 300, 10, 20));
  copy.Assign(&GetStandardPapers());
  ASSERT_EQ(copy.Count(), GetStandardPapers().Count());
  EXPECT_EQ(copy.FindKind(300), -1);
  EXPECT_EQ(copy[copy.FindKind(70)].Size, (TPoint{1050, 1480}));

  copy.Assign(&copy);  // assigning itself keeps the rows
  EXPECT_EQ(copy.Count(), GetStandardPapers().Count());
  copy.Assign(nullptr);
  EXPECT_EQ(copy.Count(), 0);
  EXPECT_EQ(copy.FindKind(9), -1);
  EXPECT_EQ(copy.FindSize(2100, 2970), -1);
  EXPECT_THROW(copy.Items(0), Exception);

  TdxPaper a("A4 210 x 297 mm", "A4", 9, 2100, 2970), b;
  b.Assign(a);
  EXPECT_EQ(b.Name, a.Name);
  EXPECT_EQ(b.ShortName, a.ShortName);
  EXPECT_EQ(b.DMPaper, 9);
  EXPECT_EQ(b.Size, a.Size);
}

TEST(StandardPapers, RowAccessOutOfRangeRaises) {
  const TdxPapers& papers = GetStandardPapers();
  EXPECT_THROW(papers.Items(-1), Exception);
  EXPECT_THROW(papers.Items(papers.Count()), Exception);
  try {
    papers.Items(1000);
  } catch (const Exception& e) {
    EXPECT_EQ(e.Message, "List index out of bounds (1000)");
  }
}
