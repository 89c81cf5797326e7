#include "layout/PaperTable.h"

#include <cstdint>
#include <cstdlib>

#include "platform/Exceptions.h"

namespace {

struct PaperRow {
  int Kind;
  const char* ShortName;
  const char* Dimensions;  // as the platform's paper list prints them; may be empty
  int Width;
  int Height;
};

// Inch sizes are inches x 254, rounded.
constexpr PaperRow kRows[] = {
    {1, "Letter", "8 1/2 x 11 in", 2159, 2794},
    {2, "Letter Small", "8 1/2 x 11 in", 2159, 2794},
    {3, "Tabloid", "11 x 17 in", 2794, 4318},
    {4, "Ledger", "17 x 11 in", 4318, 2794},
    {5, "Legal", "8 1/2 x 14 in", 2159, 3556},
    {6, "Statement", "5 1/2 x 8 1/2 in", 1397, 2159},
    {7, "Executive", "7 1/4 x 10 1/2 in", 1842, 2667},
    {8, "A3", "297 x 420 mm", 2970, 4200},
    {9, "A4", "210 x 297 mm", 2100, 2970},
    {10, "A4 Small", "210 x 297 mm", 2100, 2970},
    {11, "A5", "148 x 210 mm", 1480, 2100},
    {12, "B4 (JIS)", "250 x 354", 2500, 3540},
    {13, "B5 (JIS)", "182 x 257 mm", 1820, 2570},
    {14, "Folio", "8 1/2 x 13 in", 2159, 3302},
    {15, "Quarto", "215 x 275 mm", 2150, 2750},
    {16, "10x14 in", "", 2540, 3556},
    {17, "11x17 in", "", 2794, 4318},
    {18, "Note", "8 1/2 x 11 in", 2159, 2794},
    {19, "Envelope #9", "3 7/8 x 8 7/8", 984, 2254},
    {20, "Envelope #10", "4 1/8 x 9 1/2", 1048, 2413},
    {21, "Envelope #11", "4 1/2 x 10 3/8", 1143, 2635},
    {22, "Envelope #12", "4 3/4 x 11", 1206, 2794},
    {23, "Envelope #14", "5 x 11 1/2", 1270, 2921},
    {24, "C sheet", "17 x 22 in", 4318, 5588},
    {25, "D sheet", "22 x 34 in", 5588, 8636},
    {26, "E sheet", "34 x 44 in", 8636, 11176},
    {27, "Envelope DL", "110 x 220 mm", 1100, 2200},
    {28, "Envelope C5", "162 x 229 mm", 1620, 2290},
    {29, "Envelope C3", "324 x 458 mm", 3240, 4580},
    {30, "Envelope C4", "229 x 324 mm", 2290, 3240},
    {31, "Envelope C6", "114 x 162 mm", 1140, 1620},
    {32, "Envelope 65", "114 x 229 mm", 1140, 2290},
    {33, "Envelope B4", "250 x 353 mm", 2500, 3530},
    {34, "Envelope B5", "176 x 250 mm", 1760, 2500},
    {35, "Envelope B6", "176 x 125 mm", 1760, 1250},
    {36, "Envelope 110", "x 230 mm", 1100, 2300},
    {37, "Envelope Monarch", "3 7/8 x 7 1/2 in", 984, 1905},
    {38, "6 3/4 Envelope", "3 5/8 x 6 1/2 in", 921, 1651},
    {39, "US Std Fanfold", "14 7/8 x 11 in", 3778, 2794},
    {40, "German Std Fanfold", "8 1/2 x 12 in", 2159, 3048},
    {41, "German Legal Fanfold", "8 1/2 x 13 in", 2159, 3302},
    {42, "B4 (ISO)", "250 x 353 mm", 2500, 3530},
    {43, "Japanese Postcard", "100 x 148 mm", 1000, 1480},
    {44, "9 x 11 in", "", 2286, 2794},
    {45, "10 x 11 in", "", 2540, 2794},
    {46, "15 x 11 in", "", 3810, 2794},
    {47, "Envelope Invite", "220 x 220 mm", 2200, 2200},
    {50, "Letter Extra", "9 1/2 x 12 in", 2413, 3048},
    {51, "Legal Extra", "9 1/2 x 15 in", 2413, 3810},
    {52, "Tabloid Extra", "11.69 x 18 in", 2969, 4572},
    {53, "A4 Extra", "9.27 x 12.69 in", 2355, 3223},
    {54, "Letter Transverse", "8 1/2 x 11 in", 2159, 2794},
    {55, "A4 Transverse", "210 x 297 mm", 2100, 2970},
    {56, "Letter Extra Transverse", "9 1/2 x 12 in", 2413, 3048},
    {57, "SuperASuperAA4", "227 x 356 mm", 2270, 3560},
    {58, "SuperBSuperBA3", "305 x 487 mm", 3050, 4870},
    {59, "Letter Plus", "8.5 x 12.69 in", 2159, 3223},
    {60, "A4 Plus", "210 x 330 mm", 2100, 3300},
    {61, "A5 Transverse", "148 x 210 mm", 1480, 2100},
    {62, "B5 (JIS) Transverse", "182 x 257 mm", 1820, 2570},
    {63, "A3 Extra", "322 x 445 mm", 3220, 4450},
    {64, "A5 Extra", "174 x 235 mm", 1740, 2350},
    {65, "B5 (ISO) Extra", "201 x 276 mm", 2010, 2760},
    {66, "A2", "420 x 594 mm", 4200, 5940},
    {67, "A3 Transverse", "297 x 420 mm", 2970, 4200},
    {68, "A3 Extra Transverse", "322 x 445 mm", 3220, 4450},
    {69, "Japanese Double Postcard", "200 x 148 mm", 2000, 1480},
    {70, "A6", "105 x 148 mm", 1050, 1480},
    {75, "Letter Rotated", "11 x 8 1/2 in", 2794, 2159},
    {76, "A3 Rotated", "420 x 297 mm", 4200, 2970},
    {77, "A4 Rotated", "297 x 210 mm", 2970, 2100},
    {78, "A5 Rotated", "210 x 148 mm", 2100, 1480},
    {79, "B4 (JIS) Rotated", "364 x 257 mm", 3640, 2570},
    {80, "B5 (JIS) Rotated", "257 x 182 mm", 2570, 1820},
    {81, "Japanese Postcard Rotated", "148 x 100 mm", 1480, 1000},
    {83, "A6 Rotated", "148 x 105 mm", 1480, 1050},
    {88, "B6 (JIS)", "128 x 182 mm", 1280, 1820},
    {89, "B6 (JIS) Rotated", "182 x 128 mm", 1820, 1280},
    {90, "12X11", "12 x 11 in", 3048, 2794},
    {93, "PRC 16K", "146 x 215 mm", 1460, 2150},
    {94, "PRC 32K", "97 x 151 mm", 970, 1510},
    {95, "PRC 32K(Big)", "97 x 151 mm", 970, 1510},
    {96, "PRC Envelope #1", "102 x 165 mm", 1020, 1650},
    {97, "PRC Envelope #2", "102 x 176 mm", 1020, 1760},
    {98, "PRC Envelope #3", "125 x 176 mm", 1250, 1760},
    {99, "PRC Envelope #4", "110 x 208 mm", 1100, 2080},
    {100, "PRC Envelope #5", "110 x 220 mm", 1100, 2200},
    {101, "PRC Envelope #6", "120 x 230 mm", 1200, 2300},
    {102, "PRC Envelope #7", "160 x 230 mm", 1600, 2300},
    {103, "PRC Envelope #8", "120 x 309 mm", 1200, 3090},
    {104, "PRC Envelope #9", "229 x 324 mm", 2290, 3240},
    {105, "PRC Envelope #10", "324 x 458 mm", 3240, 4580},
    {106, "PRC 16K Rotated", "", 1460, 2150},
    {107, "PRC 32K Rotated", "", 970, 1510},
    {108, "PRC 32K(Big) Rotated", "", 970, 1510},
    {109, "PRC Envelope #1 Rotated", "165 x 102 mm", 1650, 1020},
    {110, "PRC Envelope #2 Rotated", "176 x 102 mm", 1760, 1020},
    {111, "PRC Envelope #3 Rotated", "176 x 125 mm", 1760, 1250},
    {112, "PRC Envelope #4 Rotated", "208 x 110 mm", 2080, 1100},
    {113, "PRC Envelope #5 Rotated", "220 x 110 mm", 2200, 1100},
    {114, "PRC Envelope #6 Rotated", "230 x 120 mm", 2300, 1200},
    {115, "PRC Envelope #7 Rotated", "230 x 160 mm", 2300, 1600},
    {116, "PRC Envelope #8 Rotated", "309 x 120 mm", 3090, 1200},
    {117, "PRC Envelope #9 Rotated", "324 x 229 mm", 3240, 2290},
    {118, "PRC Envelope #10 Rotated", "458 x 324 mm", 4580, 3240},
    {256, "Custom", "", 0, 0},
};

}  // namespace

TdxPapers::TdxPapers() {
  items_.reserve(std::size(kRows));
  for (const PaperRow& r : kRows) {
    std::string name = r.ShortName;
    if (*r.Dimensions) name += std::string(" ") + r.Dimensions;
    items_.emplace_back(name, r.ShortName, r.Kind, r.Width, r.Height);
  }
}

void TdxPapers::Assign(const TdxPapers* source) {
  if (source == this) return;
  items_.clear();
  if (source) items_ = source->items_;
}

const TdxPaper& TdxPapers::Items(int index) const {
  if (index < 0 || index >= Count()) throw Exception(Format("List index out of bounds (%d)", index));
  return items_[std::size_t(index)];
}

int TdxPapers::FindKind(int kind) const {
  for (int i = 0; i < Count(); ++i)
    if (items_[std::size_t(i)].DMPaper == kind) return i;
  return -1;
}

int TdxPapers::FindSize(int width, int height) const {
  for (int i = 0; i < Count(); ++i) {
    const TPoint& s = items_[std::size_t(i)].Size;
    if (std::llabs(std::int64_t(s.X) - width) <= 1 && std::llabs(std::int64_t(s.Y) - height) <= 1) return i;
  }
  return -1;
}

TdxPapers& GetStandardPapers() {
  static TdxPapers papers;
  return papers;
}
