#include <gtest/gtest.h>

#include <QFile>
#include <climits>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>

#include "platform/Fonts.h"

namespace {
bool WineFont(const char* file) { return QFile::exists(QString("/usr/share/wine/fonts/") + file); }

QString Resolved(const std::string& name) {
  TFont f;
  f.Name = name;
  return QFontInfo(MakeQFont(f)).family();
}
}  // namespace

TEST(Fonts, RegistrationIsIdempotent) {
  RegisterSubstituteFonts();  // already done by the test main
  int families = QFontDatabase::families().size();
  RegisterSubstituteFonts();
  EXPECT_EQ(QFontDatabase::families().size(), families);
}

TEST(Fonts, SubstitutesResolveToInstalledFamilies) {
  EXPECT_EQ(Resolved("Times New Roman"), "Liberation Serif");
  EXPECT_EQ(Resolved("Arial"), "Liberation Sans");
  EXPECT_EQ(Resolved("courier new"), "Liberation Mono");
  // The wine "MS Sans Serif" holds one bitmap size only and is never chosen.
  EXPECT_EQ(Resolved("MS Sans Serif"), "Liberation Sans");
  EXPECT_EQ(SubstituteFontName("MS Sans Serif"), "Liberation Sans");
  if (WineFont("tahoma.ttf")) {
    EXPECT_EQ(Resolved("Tahoma"), "Tahoma");
    TFont bold;
    bold.Name = "Tahoma";
    bold.Style = fsBold;
    QFontInfo info(MakeQFont(bold));
    EXPECT_EQ(info.family(), "Tahoma");
    EXPECT_TRUE(info.bold());
  } else {
    EXPECT_EQ(Resolved("Tahoma"), "DejaVu Sans");
  }
  if (WineFont("marlett.ttf")) {
    EXPECT_EQ(Resolved("Marlett"), "Marlett");
  }
  if (WineFont("symbol.ttf")) {
    EXPECT_EQ(Resolved("Symbol"), "Symbol");
  }
  EXPECT_EQ(SubstituteFontName("Some Unknown Face"), "Some Unknown Face");
  EXPECT_FALSE(Resolved("Some Unknown Face").isEmpty());  // fontconfig falls back
}

TEST(Fonts, SizeAndHeightFollowPixelsPerInch) {
  TFont f;
  EXPECT_EQ(f.Height, -11);
  EXPECT_EQ(f.Size(), 8);
  f.SetSize(10);
  EXPECT_EQ(f.Height, -13);
  f.SetPixelsPerInch(600);
  EXPECT_EQ(f.Size(), 10);
  EXPECT_EQ(f.Height, -83);
  f.PixelsPerInch = 0;  // never divides by zero
  f.SetSize(12);
  EXPECT_EQ(f.Height, -16);
}

TEST(Fonts, MakeQFontHonoursHeightAndStyle) {
  TFont f;
  f.Name = "Arial";
  f.Height = -20;
  f.Style = fsItalic | fsUnderline | fsStrikeOut;
  QFont q = MakeQFont(f);
  EXPECT_EQ(q.pixelSize(), 20);
  EXPECT_TRUE(q.italic());
  EXPECT_TRUE(q.underline());
  EXPECT_TRUE(q.strikeOut());
  EXPECT_FALSE(q.bold());
  EXPECT_FALSE(q.kerning());
  // A positive height is the cell height: the em is smaller.
  f.Height = 20;
  QFont cell = MakeQFont(f);
  EXPECT_LT(cell.pixelSize(), 20);
  QFontMetricsF m(cell);
  EXPECT_NEAR(m.ascent() + m.descent(), 20, 1.5);
  // Hostile heights do not overflow.
  f.Height = INT_MIN;
  EXPECT_GT(MakeQFont(f).pixelSize(), 0);
  f.Height = 0;
  EXPECT_EQ(MakeQFont(f).pixelSize(), 12);
  EXPECT_EQ(MakeQFont(f, 2048, true).pixelSize(), 2048);
  EXPECT_EQ(MakeQFont(f, 2048, true).hintingPreference(), QFont::PreferNoHinting);
}
