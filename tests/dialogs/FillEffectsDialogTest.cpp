// The background palette as a pop-up of the window that opens it, taking
// input through the window system (as real clicks and keys arrive) while an
// application-modal window is open; and the fill-effects dialog driven
// through its controls: opening on a background, textures, patterns and
// colours, pictures from files and the clipboard, OK, Cancel, Apply and the
// remembered folder and tab.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QWindow>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "dialogs/FillEffectsDialog.h"
#include "dialogs/FillEffectsPictures.h"
#include "dialogs/BackgroundPalette.h"
#include "editors/DialogControls.h"
#include "editors/ColorDialog.h"
#include "platform/Dialogs.h"
#include "platform/MessageDialogs.h"
#include "platform/Registry.h"
#include "report/EngineSettings.h"
#include "tests/TestSupport.h"
#include "tests/editors/DialogControlsSupport.h"
#include "tests/ModalAnswers.h"

namespace {

constexpr TColor kRed = TColor(RGBValue(255, 4, 0));

// ---- The palette under window-system input -------------------------------------------------

// What a person does with the shown palette, through the window system.
struct PaletteCase {
  const char* name;
  std::function<void(TdxfmColorPalette& palette, QWindow* window)> act;
  bool changed;
  TdxBackgroundMode mode;
};

void Click(QWindow* window, QPoint at) { QTest::mouseClick(window, Qt::LeftButton, Qt::NoModifier, at); }

TEST(BackgroundPalettePopup, TakesClicksAndKeysWhileAModalWindowIsOpenAndTheOwnerKeepsWorking) {
  const PaletteCase cases[] = {
      {"colour", [](TdxfmColorPalette& p, QWindow* w) { Click(w, p.ColorButton(16)->geometry().center()); }, true,
       bmBrush},
      {"no fill", [](TdxfmColorPalette& p, QWindow* w) { Click(w, p.NoFillButton()->geometry().center()); }, true,
       bmNone},
      {"escape", [](TdxfmColorPalette&, QWindow* w) { QTest::keyClick(w, Qt::Key_Escape); }, false, bmBrush},
      {"alt with a key", [](TdxfmColorPalette&, QWindow* w) { QTest::keyClick(w, Qt::Key_Q, Qt::AltModifier); },
       false, bmBrush},
      {"click outside", [](TdxfmColorPalette& p, QWindow* w) { Click(w, QPoint(p.width() + 40, p.height() + 40)); },
       false, bmBrush},
      {"more colors", [](TdxfmColorPalette& p, QWindow* w) { Click(w, p.MoreColorsButton()->geometry().center()); },
       true, bmBrush},
  };
  AnswerColorDialogs([](TColor) -> std::optional<TColor> { return kRed; });
  for (const PaletteCase& c : cases) {
    SCOPED_TRACE(c.name);
    QDialog owner;
    owner.setWindowTitle("Owner");
    owner.resize(400, 300);
    TdxBackground background;
    background.SetMode(bmBrush);
    background.SetBrushColor(clBlue);
    bool answered = false, shown = false;
    AnswerModal<TdxfmColorPalette>([&](TdxfmColorPalette& palette) {
      shown = true;
      EXPECT_EQ(palette.parentWidget(), &owner);
      EXPECT_EQ(palette.windowType(), Qt::Popup);
      ASSERT_TRUE(palette.windowHandle());
      c.act(palette, palette.windowHandle());
    });
    QTimer::singleShot(0, &owner, [&] {
      answered = ChooseBackground(background, owner.mapToGlobal(QPoint(10, 10)), nullptr, &owner);
      owner.accept();  // the owner's own modal run ends as usual
    });
    EXPECT_EQ(owner.exec(), QDialog::Accepted);
    EXPECT_TRUE(shown);
    EXPECT_EQ(answered, c.changed);
    EXPECT_EQ(background.Mode(), c.mode);
    if (c.changed && c.mode == bmBrush) EXPECT_EQ(background.Brush().Color, kRed);
    if (!c.changed) EXPECT_EQ(background.Brush().Color, clBlue);
  }
  AnswerModal<TdxfmColorPalette>(nullptr);
  AnswerColorDialogs(nullptr);
}

TEST(BackgroundPalettePopup, OffersFillEffectsAndAnswersWhatTheDialogDid) {
  TdxBackground background;
  for (bool accept : {false, true}) {
    AnswerModal<TdxfmColorPalette>([](TdxfmColorPalette& palette) {
      EXPECT_FALSE(palette.FillEffectsButton()->isHidden());
      EXPECT_EQ(palette.height(), 182);
      palette.FillEffectsButton()->click();
    });
    AnswerModal<TdxPSDialogForm>([accept](TdxPSDialogForm& form) {
      auto& dialog = dynamic_cast<TdxFEFDialog&>(form);
      dialog.SelectTexture(5);
      (accept ? dialog.OKButton() : dialog.CancelButton())->click();
    });
    EXPECT_EQ(ChooseBackground(background, QPoint(10, 10)), accept);
    EXPECT_EQ(background.Mode(), accept ? bmBrushBitmap : bmNone);
  }
  EXPECT_EQ(background.Picture().Image().convertToFormat(QImage::Format_RGB32), dxTextureCell(5));
  AnswerModal<TdxPSDialogForm>(nullptr);
  AnswerModal<TdxfmColorPalette>(nullptr);
}

// ---- The fill-effects dialog -----------------------------------------------------------------

class FillEffectsTest : public ::testing::Test {
 protected:
  void TearDown() override {
    AnswerModal<TdxPSDialogForm>(nullptr);
    AnswerFileDialogs({});
    AnswerMessageBoxes(nullptr);
  }
  // Runs the dialog on the background with the actions; answers Execute.
  bool Run(TdxBackground& background, const std::function<void(TdxFEFDialog&)>& act) {
    AnswerModal<TdxPSDialogForm>([&](TdxPSDialogForm& form) { act(dynamic_cast<TdxFEFDialog&>(form)); });
    return EditFillEffects(background);
  }
  std::string WriteBitmap(const std::string& name, const QImage& image) {
    TBitmap bitmap;
    bitmap.SetImage(image);
    return dir_.Write(name, bitmap.SaveToStream());
  }
  ScratchDir dir_;
};

TEST_F(FillEffectsTest, OpensOnTheTabAndEntryOfTheBackground) {
  TdxBackground background;  // white on white: the pattern foreground becomes black
  Run(background, [](TdxFEFDialog& d) {
    EXPECT_EQ(d.windowTitle().toStdString(), "Fill Effects");
    EXPECT_EQ(d.size(), QSize(392, 301));
    EXPECT_EQ(d.ForegroundColor(), clBlack);
    EXPECT_EQ(d.BackgroundColor(), clWhite);
    EXPECT_EQ(d.Tabs()->tabText(0).toStdString() + d.Tabs()->tabText(1).toStdString() +
                  d.Tabs()->tabText(2).toStdString(),
              "&Texture&PatternP&icture");
    EXPECT_TRUE(d.ApplyButton()->isHidden());  // no OnApply handler
    EXPECT_EQ(d.Choice(), TdxFEFDialog::fcNone);
    d.OKButton()->click();
  });
  EXPECT_EQ(background.Mode(), bmNone);  // OK without a change changes nothing

  struct Opening {
    std::function<void(TdxBackground&)> set;
    int tab;
    TdxFEFDialog::TChoice choice;
    int entry;
  };
  const Opening openings[] = {
      {[](TdxBackground& b) {
         b.SetBkColor(clYellow);
         b.SetBrushColor(clRed);
         TBitmap cell;
         cell.SetImage(dxPatternCell(20, clRed, clYellow));
         b.SetPicture(&cell);
         b.SetMode(bmBrushBitmap);
       },
       TdxFEFDialog::fpPattern, TdxFEFDialog::fcPattern, 20},
      {[](TdxBackground& b) {
         TBitmap cell;
         cell.SetImage(dxTextureCell(11));
         b.SetPicture(&cell);
         b.SetMode(bmBrushBitmap);
       },
       TdxFEFDialog::fpTexture, TdxFEFDialog::fcTexture, 11},
      {[](TdxBackground& b) {
         TBitmap picture;
         picture.SetImage(MakeTestImage(30, 20));
         b.SetPicture(&picture);
         b.SetPictureMode(ppmTile);
         b.SetMode(bmPicture);
       },
       TdxFEFDialog::fpPicture, TdxFEFDialog::fcPicture, -1},
  };
  for (const Opening& o : openings) {
    TdxBackground b;
    o.set(b);
    Run(b, [&](TdxFEFDialog& d) {
      EXPECT_EQ(d.Tabs()->currentIndex(), o.tab);
      EXPECT_EQ(d.Choice(), o.choice);
      if (o.choice == TdxFEFDialog::fcPattern) {
        EXPECT_EQ(d.PatternGrid()->Selected(), o.entry);
        EXPECT_EQ(d.PatternName()->text().toStdString(), "Narrow vertical");
      }
      if (o.choice == TdxFEFDialog::fcTexture) EXPECT_EQ(d.TextureName()->text().toStdString(), "Walnut");
      if (o.choice == TdxFEFDialog::fcPicture) {
        EXPECT_TRUE(d.PictureBox()->HasPicture());
        EXPECT_EQ(d.PaintModeCombo()->currentText().toStdString(), "Tile");
        EXPECT_TRUE(d.PaintModeCombo()->isEnabled());
      }
      d.CancelButton()->click();
    });
  }
}

TEST_F(FillEffectsTest, GridCellsBearTheirNamesColumnByColumn) {
  TdxBackground background;
  EXPECT_TRUE(Run(background, [](TdxFEFDialog& d) {
    TdxFEFGrid* grid = d.TextureGrid();
    // Column 1, row 0 holds name number 6: a click there chooses it.
    const QRect cell = grid->CellRect(6);
    EXPECT_EQ(cell.topLeft(), QPoint(64, 0));
    SendMouse(*grid->viewport(), QEvent::MouseButtonPress, cell.center());
    EXPECT_EQ(d.TextureName()->text().toStdString(), "Recycled paper");
    SendKey(*grid, Qt::Key_Down);  // row 1 of the same column
    EXPECT_EQ(d.TextureName()->text().toStdString(), "White marble");
    d.OKButton()->click();
  }));
  EXPECT_EQ(background.Mode(), bmBrushBitmap);
  EXPECT_EQ(background.Picture().Image().convertToFormat(QImage::Format_RGB32), dxTextureCell(7));
  EXPECT_EQ(background.Brush().Color, clBlack);
  EXPECT_EQ(std::string(dxPatternNames[6 * 7 + 5]), "Solid diamond");
}

TEST_F(FillEffectsTest, PatternsTakeTheChosenColoursAndInvert) {
  TdxBackground background;
  EXPECT_TRUE(Run(background, [](TdxFEFDialog& d) {
    d.Tabs()->setCurrentIndex(TdxFEFDialog::fpPattern);
    d.SelectPattern(6);  // "50%"
    EXPECT_EQ(d.PatternName()->text().toStdString(), "50%");
    d.SetColors(clRed, clRed);
    EXPECT_FALSE(d.InvertButton()->isEnabled());  // equal colours
    d.SetColors(clRed, clYellow);
    EXPECT_TRUE(d.InvertButton()->isEnabled());
    d.InvertButton()->click();
    EXPECT_EQ(d.ForegroundColor(), clYellow);
    EXPECT_EQ(d.BackgroundColor(), clRed);
    // The grid shows every pattern in the colours.
    EXPECT_EQ(PixelRGB(d.PatternGrid()->Cell(6), 0, 0), 0xFFFF00u);
    d.OKButton()->click();
  }));
  EXPECT_EQ(background.Mode(), bmBrushBitmap);
  EXPECT_EQ(background.BkColor(), clRed);
  EXPECT_EQ(background.Brush().Color, clYellow);
  const QImage cell = background.Picture().Image();
  ASSERT_EQ(cell.size(), QSize(8, 8));
  EXPECT_EQ(PixelRGB(cell, 0, 0), 0xFFFF00u);  // foreground
  EXPECT_EQ(PixelRGB(cell, 1, 0), 0xFF0000u);  // background
}

TEST_F(FillEffectsTest, PicturesComeFromFilesByExtensionAndThroughTheClipboard) {
  const std::string good = WriteBitmap("green.bmp", QImage(MakeTestImage(300, 200)));
  const std::string other = dir_.Write("green.png", std::string("not loaded"));
  const std::string broken = dir_.Write("broken.bmp", std::string("BM broken"));
  std::vector<std::string> messages;
  AnswerMessageBoxes([&](TMessageBoxKind, const std::string&, const std::string& text) {
    messages.push_back(text);
    return true;
  });
  std::string offered;
  AnswerFileDialogs([&](TFileDialog& dialog) -> std::optional<std::string> {
    offered = dialog.Filter;
    return good;
  });
  TdxBackground background;
  EXPECT_TRUE(Run(background, [&](TdxFEFDialog& d) {
    d.Tabs()->setCurrentIndex(TdxFEFDialog::fpPicture);
    EXPECT_FALSE(d.PaintModeCombo()->isEnabled());
    EXPECT_FALSE(d.PreviewButton()->isEnabled());
    d.SelectPictureButton()->click();
    EXPECT_NE(offered.find("*.bmp"), std::string::npos);
    EXPECT_EQ(offered.find("*.ico"), std::string::npos);
    EXPECT_EQ(d.PictureBox()->Picture().Width(), 300);
    EXPECT_TRUE(d.PreviewButton()->isEnabled());  // larger than the box
    EXPECT_FALSE(d.LoadPicture(other));
    EXPECT_TRUE(messages.empty());
    EXPECT_FALSE(d.LoadPicture(broken));
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(d.PictureBox()->Picture().Width(), 300);  // the previous picture stays
    d.PaintModeCombo()->setCurrentIndex(1);             // "Stretch"
    // Cut empties the box, Paste brings the picture back.
    d.CutPicture();
    EXPECT_FALSE(d.PictureBox()->HasPicture());
    d.PastePicture();
    EXPECT_EQ(d.PictureBox()->Picture().Width(), 300);
    d.OKButton()->click();
  }));
  EXPECT_EQ(background.Mode(), bmPicture);
  EXPECT_EQ(background.PictureMode(), ppmStretch);
  EXPECT_EQ(background.Picture().Width(), 300);
  EXPECT_EQ(PixelRGB(background.Picture().Image(), 150, 100), PixelRGB(MakeTestImage(300, 200), 150, 100));
}

TEST_F(FillEffectsTest, OtherTextureIsCutToOneCellOfItsOwn) {
  const std::string file = WriteBitmap("My Stone.bmp", MakeTestImage(100, 90));
  AnswerFileDialogs([&](TFileDialog&) -> std::optional<std::string> { return file; });
  TdxBackground background;
  EXPECT_TRUE(Run(background, [&](TdxFEFDialog& d) {
    d.OtherTextureButton()->click();
    TdxFEFGrid* grid = d.TextureGrid();
    EXPECT_EQ(grid->Selected(), dxTextureCount);
    EXPECT_EQ(grid->CellRect(dxTextureCount).left(), 0);  // column 0 of an extra row
    EXPECT_EQ(d.TextureName()->text().toStdString(), "My Stone");
    d.OKButton()->click();
  }));
  EXPECT_EQ(background.Mode(), bmBrushBitmap);
  EXPECT_EQ(background.Picture().Image().size(), QSize(64, 64));
  EXPECT_EQ(PixelRGB(background.Picture().Image(), 5, 5), PixelRGB(MakeTestImage(100, 90), 5, 5));
}

TEST_F(FillEffectsTest, ApplyWritesAtOnceAndCancelBecomesClose) {
  TdxBackground background;
  int applied = 0;
  background.OnApply = [&](TdxBackground& values) {
    ++applied;
    EXPECT_EQ(values.Mode(), bmBrushBitmap);
  };
  EXPECT_TRUE(Run(background, [&](TdxFEFDialog& d) {
    EXPECT_FALSE(d.ApplyButton()->isHidden());
    EXPECT_FALSE(d.ApplyButton()->isEnabled());
    d.SelectTexture(3);
    EXPECT_TRUE(d.ApplyButton()->isEnabled());
    d.ApplyButton()->click();
    EXPECT_EQ(applied, 1);
    EXPECT_EQ(background.Mode(), bmBrushBitmap);
    EXPECT_EQ(d.CancelButton()->text().toStdString(), "Close");
    EXPECT_FALSE(d.ApplyButton()->isEnabled());
    d.CancelButton()->click();
  }));
  EXPECT_EQ(background.Picture().Image().convertToFormat(QImage::Format_RGB32), dxTextureCell(3));
  // Cancel without Apply answers false and changes nothing.
  TdxBackground untouched;
  EXPECT_FALSE(Run(untouched, [](TdxFEFDialog& d) {
    d.SelectPattern(1);
    d.CancelButton()->click();
  }));
  EXPECT_EQ(untouched.Mode(), bmNone);
}

TEST_F(FillEffectsTest, KeepsTheFolderAndTabOnlyWithARegistryPath) {
  const std::string file = WriteBitmap("tile.bmp", MakeTestImage(20, 20));
  std::string startedIn;
  AnswerFileDialogs([&](TFileDialog& dialog) -> std::optional<std::string> {
    startedIn = dialog.InitialDir;
    return file;
  });
  dxPSEngine()->RegistryPath = "Software\\FillEffectsTest";
  TdxBackground background;
  Run(background, [](TdxFEFDialog& d) {
    d.Tabs()->setCurrentIndex(TdxFEFDialog::fpPattern);
    d.ChoosePicture();
    d.CancelButton()->click();
  });
  Run(background, [&](TdxFEFDialog& d) {
    EXPECT_EQ(d.Tabs()->currentIndex(), TdxFEFDialog::fpPattern);
    d.ChoosePicture();
    EXPECT_EQ(startedIn, std::filesystem::path(file).parent_path().string());
    d.CancelButton()->click();
  });
  TRegistry registry;
  EXPECT_TRUE(registry.OpenKeyReadOnly("\\Software\\FillEffectsTest\\dxFEFDialog"));
  EXPECT_EQ(registry.ReadInteger("ActivePage"), TdxFEFDialog::fpPattern);
  dxPSEngine()->RegistryPath.clear();
  Run(background, [](TdxFEFDialog& d) {
    EXPECT_EQ(d.Tabs()->currentIndex(), TdxFEFDialog::fpTexture);
    d.CancelButton()->click();
  });
}

}  // namespace
