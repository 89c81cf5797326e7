// Header and footer functions: token expansion with every page-number format
// and its limits, dates and times by picture, the library, the format lists
// and the auto-text entries.
#include <gtest/gtest.h>

#include <QImage>
#include <QLocale>
#include <climits>
#include <cmath>
#include <limits>

#include "layout/HeaderFooterFunctions.h"
#include "layout/StandardHeaderFooterFunctions.h"
#include "layout/UserLocale.h"
#include "report/EngineExceptions.h"

namespace {

class HFFunctions : public ::testing::Test {
 protected:
  void SetUp() override {
    saved_ = QLocale();
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    format_.StartPageIndex = 1;
    format_.CurrentPage = 1;
    format_.TotalPages = 1;
    format_.DateTime = dxEncodeDateTime(2024, 3, 5, 14, 7, 9);  // a Tuesday
    format_.DateFormat = "yyyy-MM-dd";
    format_.TimeFormat = "HH:mm:ss";
    format_.UserName = "alice";
    format_.MachineName = "box7";
  }
  void TearDown() override { QLocale::setDefault(saved_); }

  std::string Expand(const std::string& text) { return library_.ProcessText(text, &format_); }

  TdxStandardHFFunctionLibrary library_;
  TdxHFFunctionFormatObject format_;

 private:
  QLocale saved_;
};

}  // namespace

// ---- Scanning ----------------------------------------------------------------------------

TEST_F(HFFunctions, TokensBecomeValuesWithABlankOnEachSide) {
  format_.CurrentPage = 3;
  EXPECT_EQ(Expand("Page [Page #]"), "Page  3 ");
  EXPECT_EQ(Expand("[page #]"), " 3 ");  // case is ignored
  EXPECT_EQ(Expand("[Page #]/[Total Pages]"), " 3 / 1 ");
  EXPECT_EQ(Expand("[User Name]@[Machine Name]"), " alice @ box7 ");
  EXPECT_EQ(Expand("no tokens"), "no tokens");
  EXPECT_EQ(Expand(""), "");
}

TEST_F(HFFunctions, UnknownAndIncompleteBracketsStay) {
  EXPECT_EQ(Expand("Left [x] right"), "Left [x] right");
  EXPECT_EQ(Expand("[]"), "[]");
  EXPECT_EQ(Expand("a [] [Page #]"), "a []  1 ");
  EXPECT_EQ(Expand("trailing ["), "trailing [");
  EXPECT_EQ(Expand("[Page #"), "[Page #");
  EXPECT_EQ(Expand("[[Page #]"), "[[Page #]");  // "[[Page #]" names no function
  EXPECT_EQ(Expand("[Page #]]"), " 1 ]");
  EXPECT_EQ(Expand("[ Page # ]"), "[ Page # ]");
  // Without a format object a function answers its token unchanged.
  EXPECT_EQ(library_.ProcessText("[Page #]", nullptr), " [Page #] ");
}

TEST_F(HFFunctions, EmptyValuesInsertNothing) {
  format_.UserName.clear();
  EXPECT_EQ(Expand("A[User Name]B"), "AB");
  // Scanning resumes two characters after the removed token.
  EXPECT_EQ(Expand("[User Name][User Name]"), "[User Name]");
}

// ---- Page numbers --------------------------------------------------------------------------

TEST_F(HFFunctions, PageNumberInEveryFormat) {
  format_.CurrentPage = 3;
  const std::pair<TdxPageNumberFormat, const char*> cases[] = {
      {pnfNumeral, " 3 "}, {pnfChars, " c "}, {pnfUpperChars, " C "}, {pnfRoman, " iii "}, {pnfUpperRoman, " III "}};
  for (const auto& c : cases) {
    format_.PageNumberFormat = c.first;
    EXPECT_EQ(Expand("[Page #]"), c.second) << c.first;
  }
}

TEST_F(HFFunctions, TotalPagesAndPageOfPagesCountFromTheStartIndex) {
  format_.StartPageIndex = 5;
  format_.TotalPages = 10;
  EXPECT_EQ(Expand("[Total Pages]"), " 14 ");
  format_.StartPageIndex = 1;
  format_.CurrentPage = 2;
  format_.TotalPages = 28;
  format_.PageNumberFormat = pnfChars;
  EXPECT_EQ(Expand("[Page # of Pages #]"), " b Of bb ");
  format_.PageNumberFormat = pnfUpperRoman;
  format_.StartPageIndex = 1990;
  EXPECT_EQ(Expand("[Page # of Pages #]"), " MCMXCI Of MMXVII ");
}

TEST_F(HFFunctions, PageNumbersBeyondTheLimits) {
  format_.PageNumberFormat = pnfRoman;
  format_.CurrentPage = 3999;
  EXPECT_EQ(Expand("[Page #]"), " mmmcmxcix ");
  format_.CurrentPage = 4000;
  EXPECT_EQ(Expand("[Page #]"), " mmmm ");  // no upper limit
  format_.CurrentPage = 0;                   // page value 0: no Roman numeral
  EXPECT_EQ(Expand("<[Page #]>"), "<>");
  format_.PageNumberFormat = pnfUpperChars;
  format_.CurrentPage = 27;
  EXPECT_EQ(Expand("[Page #]"), " AA ");
  format_.CurrentPage = 79;
  EXPECT_EQ(Expand("[Page #]"), " AAAA ");
  format_.CurrentPage = -3;
  EXPECT_EQ(Expand("<[Page #]>"), "<>");
  format_.PageNumberFormat = pnfNumeral;
  EXPECT_EQ(Expand("[Page #]"), " -3 ");
  // Sums beyond the integer range stop at its end instead of wrapping.
  format_.StartPageIndex = INT_MAX;
  format_.CurrentPage = INT_MAX;
  EXPECT_EQ(Expand("[Page #]"), " 2147483647 ");
  format_.StartPageIndex = INT_MIN;
  format_.CurrentPage = INT_MIN;
  EXPECT_EQ(Expand("[Page #]"), " -2147483648 ");
}

TEST(HFConversions, LettersAndRomanBothWays) {
  EXPECT_EQ(NumberToLetters(26, false), "z");
  EXPECT_EQ(NumberToLetters(27, false), "aa");
  EXPECT_EQ(NumberToLetters(52, true), "ZZ");
  EXPECT_EQ(NumberToLetters(53, false), "aaa");
  EXPECT_EQ(LettersToNumber("z", false), 26);
  EXPECT_EQ(LettersToNumber("zz", false), 52);
  EXPECT_EQ(LettersToNumber("cc", false), 29);
  EXPECT_EQ(NumberToRoman(1994, false), "mcmxciv");
  EXPECT_EQ(RomanToNumber("mmmcmxcix", false), 3999);
  EXPECT_EQ(RomanToNumber("IIII", true), -1);
  EXPECT_EQ(RomanToNumber("", true), 0);
  EXPECT_EQ(RomanToNumber("mmmm", false), 4000);
}

// ---- Dates and times -----------------------------------------------------------------------

TEST_F(HFFunctions, DateAndTimeByPicture) {
  EXPECT_EQ(Expand("[Date Printed]"), " 2024-03-05 ");
  EXPECT_EQ(Expand("[Time Printed]"), " 14:07:09 ");
  EXPECT_EQ(Expand("[Date & Time Printed]"), " 2024-03-05 14:07:09 ");
  const double t = format_.DateTime;
  EXPECT_EQ(dxFormatDate(t, "d-MMM-yy"), "5-Mar-24");
  EXPECT_EQ(dxFormatDate(t, "dddd, MMMM d, yyyy"), "Tuesday, March 5, 2024");
  EXPECT_EQ(dxFormatDate(t, "ddd dd/MM/y"), "Tue 05/03/24");
  EXPECT_EQ(dxFormatDate(t, "'day' d 'o''clock' h"), "day 5 o'clock h");  // time letters are text here
  EXPECT_EQ(dxFormatTime(t, "h:mm tt"), "2:07 PM");
  EXPECT_EQ(dxFormatTime(t, "hh:mm:ss t"), "02:07:09 P");
  EXPECT_EQ(dxFormatTime(t, "H 'h' m 'min' yyyy"), "14 h 7 min yyyy");
  const double morning = dxEncodeDateTime(2001, 12, 31, 0, 5, 0);
  EXPECT_EQ(dxFormatTime(morning, "h:mm tt"), "12:05 AM");
  EXPECT_EQ(dxFormatDate(morning, "yyyy-MM-dd"), "2001-12-31");
  // Before the epoch the fraction still counts forward from the day's start.
  const double old = dxEncodeDateTime(1899, 12, 29, 6, 0, 0);
  EXPECT_DOUBLE_EQ(old, -1.25);
  EXPECT_EQ(dxFormatDate(old, "yyyy-MM-dd"), "1899-12-29");
  EXPECT_EQ(dxFormatTime(old, "HH:mm"), "06:00");
}

TEST_F(HFFunctions, DateTextsOverNinetyNineCharactersOrInvalidDatesAreEmpty) {
  const double t = format_.DateTime;
  EXPECT_EQ(dxFormatDate(t, std::string(99, 'x')), std::string(99, 'x'));
  EXPECT_EQ(dxFormatDate(t, std::string(100, 'x')), "");
  std::string longPicture;
  for (int i = 0; i < 20; ++i) longPicture += "dddd ";  // "Tuesday " x 20
  EXPECT_EQ(dxFormatDate(t, longPicture), "");
  format_.DateFormat = longPicture;
  EXPECT_EQ(Expand("<[Date Printed]>"), "<>");
  EXPECT_EQ(dxFormatDate(std::numeric_limits<double>::quiet_NaN(), "yyyy"), "");
  EXPECT_EQ(dxFormatDate(std::numeric_limits<double>::infinity(), "yyyy"), "");
  EXPECT_EQ(dxFormatTime(1e12, "HH"), "");
  EXPECT_EQ(dxFormatDate(-1e9, "yyyy"), "");
}

// ---- The library ------------------------------------------------------------------------------

TEST(HFLibrary, StandardLibraryContentsAndClassOperations) {
  TdxStandardHFFunctionLibrary library;
  const char* tokens[] = {"[Page #]",           "[Total Pages]", "[Page # of Pages #]", "[Date & Time Printed]",
                          "[Date Printed]",     "[Time Printed]", "[User Name]",        "[Machine Name]"};
  const char* hints[] = {"Page Number",  "Total Pages",  "Page # of Pages #", "Date and Time Printed",
                         "Date Printed", "Time Printed", "User Name",         "Machine Name"};
  const char* names[] = {"Page Number", "Total Pages", "Page # of Pages #", "Date and Time",
                         "Date",        "Time",        "User Name",         "Machine Name"};
  ASSERT_EQ(library.Count(), 8);
  for (int i = 0; i < 8; ++i) {
    EXPECT_EQ(library.Tokens(i), tokens[i]);
    EXPECT_EQ(library.Functions(i)->Token(), tokens[i]);
    EXPECT_EQ(library.Functions(i)->Hint(), hints[i]);
    EXPECT_EQ(library.Functions(i)->DisplayName(), names[i]);
  }
  EXPECT_EQ(library.Functions(0)->Category(), TdxHFFunctionPagesCategory::StaticClass());
  EXPECT_EQ(library.Functions(4)->Category(), TdxHFFunctionDateTimeCategory::StaticClass());
  EXPECT_EQ(library.Functions(7)->Category(), TdxHFFunctionAuthenticationCategory::StaticClass());
  TdxHFFunction base;
  EXPECT_EQ(base.Category(), TdxHFFunctionUnknownCategory::StaticClass());
  EXPECT_EQ(base.DisplayName(), "Unknown");
  TdxHFFunctionFormatObject format;
  EXPECT_EQ(base.ProcessText("[x]", &format), "[x]");
  EXPECT_TRUE(base.Glyph().Empty());
  EXPECT_EQ(library.Functions(8), nullptr);
  EXPECT_EQ(library.Tokens(-1), "");
}

TEST(HFLibrary, LookupAddDeleteAssign) {
  TdxStandardHFFunctionLibrary library;
  EXPECT_EQ(library.IndexOfToken("[TIME PRINTED]"), 5);
  EXPECT_EQ(library.IndexOfToken("Time Printed"), -1);
  EXPECT_EQ(library.IndexOfFunctionClass(TdxHFUserNameFunction::StaticClass()), 6);
  EXPECT_EQ(library.IndexOfFunctionClass(TdxHFPagesFunctions::StaticClass()), -1);  // exact classes only
  EXPECT_EQ(library.FunctionByClass(TdxHFDateFunction::StaticClass()), library.Functions(4));

  library.Delete(0);
  library.Delete(99);
  EXPECT_EQ(library.Count(), 7);
  EXPECT_EQ(library.IndexOfToken("[Page #]"), -1);
  TdxHFFunctionFormatObject format;
  EXPECT_EQ(library.ProcessText("[Page #]", &format), "[Page #]");

  TdxHFFunctionLibrary copy;
  copy.AddFunction(TdxHFMachineNameFunction::StaticClass());
  copy.Assign(library);
  ASSERT_EQ(copy.Count(), 7);
  for (int i = 0; i < 7; ++i) {
    EXPECT_EQ(copy.Functions(i)->ClassType(), library.Functions(i)->ClassType());
    EXPECT_NE(copy.Functions(i), library.Functions(i));
  }
  EXPECT_THROW(copy.AddFunction(TdxHFFunctionPagesCategory::StaticClass()), EdxPrintEngine);
  EXPECT_THROW(copy.AddFunction(nullptr), EdxPrintEngine);
  EXPECT_EQ(copy.Count(), 7);

  std::vector<std::string> visited;
  copy.ForEachFunction([&](TdxHFFunctionLibrary& lib, TdxHFFunction& f) {
    EXPECT_EQ(&lib, &copy);
    visited.push_back(f.Token());
  });
  EXPECT_EQ(visited.size(), 7u);
  copy.ForEachFunction(nullptr);
  std::vector<std::pair<std::string, TdxHFFunction*>> list{{"keep", nullptr}};
  copy.FillFunctionList(list);
  ASSERT_EQ(list.size(), 8u);
  EXPECT_EQ(list[1].first, "[Total Pages]");
  EXPECT_EQ(list[1].second, copy.Functions(0));
}

TEST(HFLibrary, TokensAreBracketedOnce) {
  TdxHFFunction f;
  f.SetToken("Name");
  EXPECT_EQ(f.Token(), "[Name]");
  f.SetToken("[Name");
  EXPECT_EQ(f.Token(), "[Name]");
  f.SetToken("Name]");
  EXPECT_EQ(f.Token(), "[Name]");
  f.SetToken("[Name]");
  EXPECT_EQ(f.Token(), "[Name]");
  f.SetToken("");
  EXPECT_EQ(f.Token(), "[]");
  f.SetToken("[");
  EXPECT_EQ(f.Token(), "[]");

  TdxHFPageNumberFunction source;
  f.Assign(source);
  EXPECT_EQ(f.Token(), "[Page #]");
  EXPECT_EQ(f.Hint(), "Page Number");
  EXPECT_FALSE(f.Glyph().Empty());
}

TEST(HFLibrary, GlyphsAreSixteenSquareWithATransparentCorner) {
  TdxStandardHFFunctionLibrary library;
  for (int i = 0; i < library.Count(); ++i) {
    const TBitmap& glyph = library.Functions(i)->Glyph();
    ASSERT_EQ(glyph.Width(), 16) << i;
    ASSERT_EQ(glyph.Height(), 16);
    EXPECT_EQ(glyph.Image().pixel(0, 15) & 0xFFFFFF, 0xFF00FFu);
    int drawn = 0;
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) drawn += (glyph.Image().pixel(x, y) & 0xFFFFFF) != 0xFF00FFu;
    EXPECT_GT(drawn, 20) << i;
  }
}

TEST(HFLibrary, SharedObjectsAndExpandHFText) {
  TdxHFFunctionFormatObject* shared = GetHFFormatObject();
  ASSERT_NE(shared, nullptr);
  EXPECT_EQ(shared, GetHFFormatObject());
  EXPECT_EQ(GetHFFunctionLibrary()->Count(), 8);
  const TdxHFFunctionFormatObject saved = *shared;
  shared->StartPageIndex = 1;
  shared->CurrentPage = 7;
  shared->PageNumberFormat = pnfUpperRoman;
  EXPECT_EQ(ExpandHFText("-[Page #]-"), "- VII -");
  *shared = saved;
  // The names come from the system once.
  EXPECT_EQ(TdxHFFunctionFormatObject().UserName, dxUserName());
  EXPECT_EQ(TdxHFFunctionFormatObject().MachineName, dxMachineName());
  EXPECT_FALSE(dxMachineName().empty());
}

// ---- Format lists --------------------------------------------------------------------------------

TEST(HFFormatLists, DateFormatsFromUSSettings) {
  EXPECT_EQ(dxBuildDateFormatList("M/d/yy", "dddd, MMMM d, yyyy", "/"),
            (std::vector<std::string>{"M/d/yy", "dddd, MMMM d, yyyy", "MMMM d, yyyy", "M/d/yyyy", "yyyy-MM-dd",
                                      "d-MMM-yy", "M.d.yy", "MMMM , yyyy", "d MMMM yyyy", "MMMM yy", "MMM-yy"}));
}

TEST(HFFormatLists, DateFormatsFromGermanSettings) {
  EXPECT_EQ(dxBuildDateFormatList("dd.MM.yyyy", " d. MMMM yyyy ", "."),
            (std::vector<std::string>{"dd.MM.yyyy", "dddd, d. MMMM yyyy", "d. MMMM yyyy", "dd.MM.yy",
                                      "yyyy-MM-dd", "d-MMM-yy", "dd/MM/yyyy", "MMMM yyyy", "d MMMM yyyy",
                                      "MMMM yy", "MMM-yy"}));
}

TEST(HFFormatLists, TimeAndPageNumberFormats) {
  EXPECT_EQ(dxBuildTimeFormatList(true), (std::vector<std::string>{"hh:mm tt", "hh:mm:ss tt", "HH:mm", "HH:mm:ss"}));
  EXPECT_EQ(dxBuildTimeFormatList(false), (std::vector<std::string>{"h:mm tt", "h:mm:ss tt", "H:mm", "H:mm:ss"}));
  const std::vector<std::string>& pages = PageNumberFormatList();
  ASSERT_EQ(pages.size(), 5u);
  EXPECT_EQ(pages[pnfNumeral], "1, 2, 3, 4, 5, ...");
  EXPECT_EQ(pages[pnfUpperRoman], "I, II, III, IV, V, ...");
  EXPECT_EQ(DateFormatList().size(), 11u);
  EXPECT_EQ(TimeFormatList().size(), 4u);
  EXPECT_EQ(&DateFormatList(), &DateFormatList());  // built once
}

// ---- Auto text ---------------------------------------------------------------------------------

TEST(HFAutoText, DefaultEntries) {
  std::vector<std::string> entries{"existing"};
  DefaultAutoTextEntries(entries);
  EXPECT_EQ(entries, (std::vector<std::string>{"existing", ", -[Page #]- ,",
                                               "[User Name], Page [Page #], [Date Printed]",
                                               "Confidential, Page [Page #], [Date Printed]", "Created By [User Name]",
                                               "Created On [Date & Time Printed]", "Printed By [User Name]",
                                               "Printed On [Date & Time Printed]", "Last Printed [Date & Time Printed]",
                                               "Page [Page # of Pages #]"}));
}

TEST(HFAutoText, SplitEntries) {
  std::string l, c, r;
  SplitAutoTextEntry(", -[Page #]- ,", l, c, r);
  EXPECT_EQ(l, "");
  EXPECT_EQ(c, "-[Page #]-");
  EXPECT_EQ(r, "");
  SplitAutoTextEntry("  a , b", l, c, r);
  EXPECT_EQ(l, "a");
  EXPECT_EQ(c, "b");
  EXPECT_EQ(r, "");
  SplitAutoTextEntry("a,b,c,d", l, c, r);
  EXPECT_EQ(r, "c");  // text after a third comma is dropped
  SplitAutoTextEntry("", l, c, r);
  EXPECT_EQ(l + c + r, "");
  SplitAutoTextEntry(",,", l, c, r);
  EXPECT_EQ(l + c + r, "");
}
