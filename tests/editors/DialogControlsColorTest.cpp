// The colour list: its entries, selection by colour, the custom colour choice
// with the shared colour dialog, and the drawn entries.
#include <QColorDialog>
#include <gtest/gtest.h>

#include <QPainter>

#include "editors/ColorDialog.h"
#include "platform/EnumBits.h"
#include "report/EngineSettings.h"
#include "tests/TestSupport.h"
#include "tests/editors/DialogControlsSupport.h"
#include "tests/ModalAnswers.h"

namespace {
// Answers the shared colour dialog while it lives.
struct ColorDialogAnswer {
  int calls = 0;
  TColor initial = -1;
  explicit ColorDialogAnswer(std::optional<TColor> answer) {
    AnswerColorDialogs([this, answer](TColor start) {
      ++calls;
      initial = start;
      return answer;
    });
  }
  ~ColorDialogAnswer() { AnswerColorDialogs(nullptr); }
};

// Clicks an entry of the open list.
void ChooseEntry(TdxPSColorCombo& combo, int index) {
  combo.setCurrentIndex(index);
  emit combo.activated(index);
}

QImage DrawEntryImage(const TdxPSColorCombo& combo, int index, bool selected, bool editPart, int width = 150) {
  QImage img(width, combo.ItemHeight(), QImage::Format_RGB32);
  img.fill(Qt::magenta);
  QPainter p(&img);
  TCanvas canvas(p);
  combo.DrawEntry(canvas, index, TRect(0, 0, width, combo.ItemHeight()), selected, editPart);
  return img;
}

int CountPixels(const QImage& img, unsigned rgb, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x)
      if (PixelRGB(img, x, y) == rgb) ++n;
  return n;
}

// Pixels of text: every channel below 100.
int CountDark(const QImage& img, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      QRgb c = img.pixel(x, y);
      if (qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100) ++n;
    }
  return n;
}
}  // namespace

TEST(DialogControlsColor, DefaultListHasPureSystemAndCustomEntries) {
  TdxPSColorCombo combo;
  EXPECT_EQ(combo.ColorTypes(), dxBit(ctPure) | dxBit(ctSystem));
  ASSERT_EQ(combo.EntryCount(), 20 + 25 + 1);
  EXPECT_EQ(combo.count(), combo.EntryCount());
  EXPECT_EQ(combo.currentIndex(), 0);
  EXPECT_EQ(combo.ColorValue(), clBlack);
  EXPECT_EQ(combo.EntryName(0), "Black");
  EXPECT_EQ(combo.EntryName(4), "Money Green");
  EXPECT_EQ(combo.EntryColor(4), 0xC0DCC0);
  EXPECT_EQ(combo.EntryName(9), "Sky Blue");
  EXPECT_EQ(combo.EntryColor(9), 0xF0CAA6);
  EXPECT_EQ(combo.EntryName(19), "White");
  // The system colours 0 to 24 in order.
  for (int i = 0; i < 25; ++i) EXPECT_EQ(combo.EntryColor(20 + i), TColor(0xFF000000u | unsigned(i))) << i;
  EXPECT_EQ(combo.EntryName(20), "ScrollBar");
  EXPECT_EQ(combo.EntryName(41), "3DDk Shadow");
  EXPECT_EQ(combo.EntryName(44), "InfoBk");
  EXPECT_EQ(combo.EntryName(45), "Custom...");
  EXPECT_EQ(combo.EntryKind(45), dxColorEntryCustom);
  EXPECT_EQ(combo.EntryColor(45), clNone);
  EXPECT_EQ(combo.AutoColorIndex(), -1);
  EXPECT_EQ(combo.ItemHeight(), std::max(10, QFontMetrics(combo.font()).height() * 15 / 10));
}

TEST(DialogControlsColor, AutoAndPureColoursWithAnUnlistedColourInTheCustomEntry) {
  TdxPSColorCombo combo;
  combo.SetColorTypes(dxBit(ctPure));
  combo.SetShowAutoColor(true);
  ASSERT_EQ(combo.EntryCount(), 22);
  EXPECT_EQ(combo.EntryName(0), "Auto");
  EXPECT_EQ(combo.EntryKind(0), dxColorEntryAuto);
  EXPECT_EQ(combo.EntryColor(0), clWindowText);
  EXPECT_EQ(combo.ColorValue(), clWindowText);

  combo.SetColorValue(clRed);
  EXPECT_EQ(combo.EntryName(combo.currentIndex()), "Red");
  combo.SetColorValue(0x123456);
  EXPECT_EQ(combo.currentIndex(), 21);
  EXPECT_EQ(combo.ColorValue(), 0x123456);
  EXPECT_EQ(combo.EntryColor(21), 0x123456);

  // Without a custom entry an unlisted colour leaves the selection alone.
  combo.SetShowCustomColor(false);
  EXPECT_EQ(combo.EntryCount(), 21);
  combo.SetColorValue(clTeal);
  combo.SetColorValue(0x654321);
  EXPECT_EQ(combo.ColorValue(), clTeal);
  // An empty set of colour groups lists the pure colours.
  combo.SetColorTypes(0);
  EXPECT_EQ(combo.ColorTypes(), dxBit(ctPure));
  combo.SetAutoColorText("Automatic");
  EXPECT_EQ(combo.EntryName(0), "Automatic");
}

TEST(DialogControlsColor, RebuildingKeepsTheSelectedColour) {
  TdxPSColorCombo combo;
  combo.SetColorValue(clRed);
  combo.SetShowAutoColor(true);
  EXPECT_EQ(combo.ColorValue(), clRed);
  EXPECT_EQ(combo.EntryName(combo.currentIndex()), "Red");
  // A system colour is matched by its plain colour when its group goes.
  combo.SetColorValue(clWindowText);
  EXPECT_EQ(combo.currentIndex(), 0);  // the automatic entry comes first
  combo.SetColorValue(clBtnFace);
  EXPECT_EQ(combo.EntryName(combo.currentIndex()), "Button Face");
  combo.SetColorTypes(dxBit(ctPure));
  EXPECT_EQ(combo.EntryName(combo.currentIndex()), "Silver");
  // A colour that is no longer listed gives way to the first entry.
  combo.SetColorValue(0x010203);
  combo.SetShowCustomColor(false);
  EXPECT_EQ(combo.currentIndex(), 0);
}

TEST(DialogControlsColor, CustomChoiceSelectsListedColoursTakesOthersAndRestoresOnCancel) {
  TdxPSColorCombo combo;
  combo.SetColorTypes(dxBit(ctPure));
  combo.SetColorValue(clGreen);
  std::optional<TColor> answer;
  TColor startedWith = -1;
  int changes = 0, clicks = 0;
  combo.OnChange = [&](TdxPSColorCombo&) { ++changes; };
  combo.OnClick = [&](TdxPSColorCombo&) { ++clicks; };
  combo.OnGetSelectColorProc = [&](TdxPSColorCombo&, TdxSelectColorProc& proc) {
    proc = [&](TdxPSColorCombo&, TColor& color) {
      startedWith = color;
      if (!answer) return false;
      color = *answer;
      return true;
    };
  };
  const int custom = combo.CustomColorIndex();
  ASSERT_EQ(custom, 20);

  answer = clNavy;  // listed
  ChooseEntry(combo, custom);
  EXPECT_EQ(startedWith, clNone);
  EXPECT_EQ(combo.EntryName(combo.currentIndex()), "Navy");
  EXPECT_EQ(combo.EntryColor(custom), clNone);

  answer = 0x336699;  // not listed
  ChooseEntry(combo, custom);
  EXPECT_EQ(combo.currentIndex(), custom);
  EXPECT_EQ(combo.ColorValue(), 0x336699);

  combo.SetColorValue(clYellow);
  answer.reset();  // cancelled
  ChooseEntry(combo, custom);
  EXPECT_EQ(startedWith, 0x336699);
  EXPECT_EQ(combo.ColorValue(), clYellow);
  EXPECT_EQ(changes, 3);
  EXPECT_EQ(clicks, 3);
}

TEST(DialogControlsColor, SharedDialogStartsWithTheCustomColourAndKeepsCustomColours) {
  std::vector<std::string> saved = dxPSCustomColors();
  dxPSCustomColors() = {"ColorA=0000FF", "Other=x", "ColorB=zz", "colorp=00ff00"};
  TdxPSColorCombo combo;
  combo.SetColorValue(0x102030);
  {
    ColorDialogAnswer dialog(TColor(0x405060));
    AnswerColorDialogs([&](TColor start) -> std::optional<TColor> {
      ++dialog.calls;
      dialog.initial = start;
      EXPECT_EQ(dxPSDialogCustomColors()[0], clRed);    // read from the list
      EXPECT_EQ(dxPSDialogCustomColors()[15], clLime);  // names ignore case
      EXPECT_EQ(QColorDialog::customColor(0), ColorToQColor(clRed));  // given to the dialog
      QColorDialog::setCustomColor(2, ColorToQColor(TColor(0x00AB00)));  // the user adds one
      return TColor(0x405060);
    });
    ChooseEntry(combo, combo.CustomColorIndex());
    EXPECT_EQ(dialog.calls, 1);
    EXPECT_EQ(dialog.initial, 0x102030);
  }
  EXPECT_EQ(combo.ColorValue(), 0x405060);
  const auto& lines = dxPSCustomColors();
  auto has = [&](const std::string& l) { return std::find(lines.begin(), lines.end(), l) != lines.end(); };
  EXPECT_TRUE(has("ColorA=0000FF"));
  EXPECT_TRUE(has("Other=x"));
  EXPECT_TRUE(has("ColorC=00AB00"));
  EXPECT_FALSE(has("ColorB=zz"));  // a damaged line is replaced by the slot's value
  EXPECT_EQ(lines.size(), 17u);
  EXPECT_EQ(lines[3], "ColorP=00FF00");  // replaced in place

  // Cancel writes nothing back.
  std::vector<std::string> before = lines;
  {
    ColorDialogAnswer dialog(std::nullopt);
    TColor c = clRed;
    EXPECT_FALSE(dxPSExecuteColorDialog(c));
    EXPECT_EQ(c, clRed);
  }
  EXPECT_EQ(dxPSCustomColors(), before);
  dxPSCustomColors() = saved;
}

TEST(DialogControlsColor, EnterOnTheClosedCustomEntryChoosesButArrowKeysDoNot) {
  TdxPSColorCombo combo;
  combo.SetColorTypes(dxBit(ctPure));
  ColorDialogAnswer dialog(TColor(0x0A0B0C));
  combo.SetColorValue(clWhite);  // the last colour before the custom entry
  SendKey(combo, Qt::Key_Down);
  EXPECT_EQ(combo.currentIndex(), combo.CustomColorIndex());
  EXPECT_EQ(dialog.calls, 0);
  SendKey(combo, Qt::Key_Return);
  EXPECT_EQ(dialog.calls, 1);
  EXPECT_EQ(combo.ColorValue(), 0x0A0B0C);
}

TEST(DialogControlsColor, EntryPixels) {
  TdxPSColorCombo combo;
  combo.SetColorTypes(dxBit(ctPure));
  combo.SetShowAutoColor(true);
  const int h = combo.ItemHeight();
  const int red = 1 + 16;  // "Red" after the automatic entry

  QImage img = DrawEntryImage(combo, red, false, false);
  EXPECT_EQ(PixelRGB(img, 0, 0), 0xFFFFFFu);   // the entry's background
  EXPECT_EQ(PixelRGB(img, 2, 2), kBtnShadow);  // the swatch outline
  EXPECT_EQ(PixelRGB(img, 23, h / 2), kBtnShadow);
  EXPECT_EQ(PixelRGB(img, 12, h / 2), 0xFF0000u);  // filled with the colour
  EXPECT_EQ(PixelRGB(img, 24, h / 2), 0xFFFFFFu);  // the swatch is 22 pixels wide
  // The name is drawn beside it.
  EXPECT_GT(CountDark(img, QRect(30, 0, 120, h)), 5);
  EXPECT_EQ(CountPixels(img, 0x000000, QRect(0, h - 1, 150, 1)), 0);  // no separator below "Red"

  img = DrawEntryImage(combo, red, true, false);
  EXPECT_EQ(PixelRGB(img, 0, 0), 0x000080u);  // highlight
  EXPECT_EQ(PixelRGB(img, 12, h / 2), 0xFF0000u);

  // The automatic entry: its colour, and a line below it in the list only.
  img = DrawEntryImage(combo, 0, false, false);
  EXPECT_EQ(PixelRGB(img, 12, h / 2), 0x000000u);
  EXPECT_EQ(CountPixels(img, 0x000000, QRect(0, h - 1, 150, 1)), 150);
  img = DrawEntryImage(combo, 0, false, true);
  EXPECT_EQ(CountPixels(img, 0x000000, QRect(0, h - 1, 150, 1)), 0);

  // The custom entry without a colour is not filled while the automatic entry shows.
  img = DrawEntryImage(combo, combo.CustomColorIndex(), false, false);
  EXPECT_EQ(PixelRGB(img, 12, h / 2), 0xFFFFFFu);
  EXPECT_EQ(PixelRGB(img, 2, 2), kBtnShadow);

  // Without names a colour's swatch fills the entry.
  combo.SetShowColorName(false);
  img = DrawEntryImage(combo, red, false, false);
  EXPECT_EQ(PixelRGB(img, 140, h / 2), 0xFF0000u);
  EXPECT_EQ(PixelRGB(img, 147, h / 2), kBtnShadow);
  // The automatic and custom entries keep their names.
  img = DrawEntryImage(combo, 0, false, false);
  EXPECT_EQ(PixelRGB(img, 140, h / 2), 0xFFFFFFu);
}

TEST(DialogControlsColor, NameEventChangesTheDrawnName) {
  TdxPSColorCombo combo;
  combo.SetColorTypes(dxBit(ctPure));
  std::vector<std::tuple<int, std::string, int, TColor>> calls;
  combo.OnGetColorName = [&](TdxPSColorCombo&, int index, std::string& name, int kind, TColor color) {
    calls.emplace_back(index, name, kind, color);
    name.clear();
  };
  QImage img = DrawEntryImage(combo, 16, false, false);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0], std::make_tuple(16, std::string("Red"), dxColorEntryOther, clRed));
  EXPECT_EQ(CountDark(img, QRect(30, 0, 120, combo.ItemHeight())), 0);
  DrawEntryImage(combo, combo.CustomColorIndex(), false, false);
  EXPECT_EQ(std::get<2>(calls[1]), dxColorEntryCustom);
}

TEST(DialogControlsColor, ClosedListShowsTheSelectedSwatch) {
  TdxPSColorCombo combo;
  combo.resize(160, 24);
  combo.SetColorValue(clRed);
  QImage img = Grab(combo);
  EXPECT_GT(CountPixels(img, 0xFF0000, img.rect()), 100);
  combo.SetColorValue(clLime);
  img = Grab(combo);
  EXPECT_EQ(CountPixels(img, 0xFF0000, img.rect()), 0);
  EXPECT_GT(CountPixels(img, 0x00FF00, img.rect()), 100);
}

TEST(DialogControlsColor, DropDownCountShowsAllUnlessSet) {
  TdxPSColorCombo combo;
  EXPECT_EQ(combo.maxVisibleItems(), combo.EntryCount());
  combo.SetDropDownCount(8);
  EXPECT_EQ(combo.maxVisibleItems(), 8);
  combo.SetShowAutoColor(true);
  EXPECT_EQ(combo.maxVisibleItems(), 8);
}
