// The page chooser: which way it opens near the edges of the work area, how
// it grows, selection by keys and mouse, the answers of ShowPageChooser, and
// painting only the cells whose highlight changed.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <map>
#include <memory>

#include "preview/PreviewDialogs.h"
#include "report/EngineSettings.h"
#include "report/ImageList.h"
#include "tests/TestSupport.h"
#include "tests/preview/PreviewTestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

using preview_test::WaitFor;

// With the 16 x 16 page symbol: cells 26 x 26, text line 21 (8-point font
// at 96 pixels per inch), frame 2.
constexpr int kCell = 26;
constexpr int kText = 21;

int Rgb(TColor color) { return int(ColorToQColor(color).rgb() & 0xFFFFFF); }

// Client point to widget point.
QPoint W(QPoint client) { return client + QPoint(TfmPageChooser::kFrame, TfmPageChooser::kFrame); }

void Mouse(TfmPageChooser& chooser, QEvent::Type type, QPoint client, Qt::MouseButton button,
           Qt::MouseButtons buttons) {
  const QPointF p(W(client));
  QMouseEvent e(type, p, chooser.mapToGlobal(p), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(&chooser, &e);
}
void Move(TfmPageChooser& chooser, QPoint client, Qt::MouseButtons held = Qt::NoButton) {
  Mouse(chooser, QEvent::MouseMove, client, Qt::NoButton, held);
}
void Press(TfmPageChooser& chooser, QPoint client) {
  Mouse(chooser, QEvent::MouseButtonPress, client, Qt::LeftButton, Qt::LeftButton);
}
void Release(TfmPageChooser& chooser, QPoint client) {
  Mouse(chooser, QEvent::MouseButtonRelease, client, Qt::LeftButton, Qt::NoButton);
}
void Key(TfmPageChooser& chooser, int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
  QKeyEvent e(QEvent::KeyPress, key, mods);
  QApplication::sendEvent(&chooser, &e);
}

// The middle of a cell of a down-right chooser, in client coordinates.
QPoint CellCentre(int column, int row) { return QPoint(column * kCell + 1 + kCell / 2, row * kCell + 1 + kCell / 2); }

class PageChooserTest : public ::testing::Test {
 protected:
  void SetUp() override { dxPSSetDesktopWorkArea(QRect(0, 0, 1024, 738)); }
  void TearDown() override {
    AnswerModal<TfmPageChooser>({});
    dxPSSetDesktopWorkArea(QRect());
  }

  std::unique_ptr<TfmPageChooser> Make(int maxColumns, int maxRows, QPoint at, int columns, int rows,
                                       int buttonHeight = 22) {
    auto chooser = std::make_unique<TfmPageChooser>(&dxPSPageChooserImages(), 0, maxColumns, maxRows);
    chooser->Prepare(at, buttonHeight, columns, rows);
    return chooser;
  }

  // ShowPageChooser with a script that drives the running chooser.
  bool Choose(const std::function<void(TfmPageChooser&)>& script, int& columns, int& rows,
              QPoint at = QPoint(100, 100), int maxColumns = 6, int maxRows = 4) {
    AnswerModal<TfmPageChooser>([&](TfmPageChooser& chooser) { script(chooser); });
    return ShowPageChooser(&dxPSPageChooserImages(), 0, at, 22, maxColumns, maxRows, columns, rows);
  }
};

// ---- Opening -------------------------------------------------------------------------

TEST_F(PageChooserTest, CellAndTextLineSizes) {
  auto chooser = Make(6, 4, QPoint(100, 100), 3, 2);
  EXPECT_EQ(chooser->CellWidth(), kCell);
  EXPECT_EQ(chooser->CellHeight(), kCell);
  EXPECT_EQ(chooser->TextLineHeight(), kText);
  EXPECT_EQ(chooser->size(), QSize(3 * kCell + 6, 2 * kCell + kText + 6));
  EXPECT_EQ(chooser->ClientWidth(), 3 * kCell + 2);

  // Without a list (or with an index outside it) the cells keep 26 x 26 and
  // show no picture.
  TfmPageChooser bare(nullptr, 0, 4, 4);
  EXPECT_EQ(bare.CellWidth(), 26);
  TCustomImageList large(32, 20);
  TfmPageChooser sized(&large, 5, 4, 4);
  EXPECT_EQ(sized.CellWidth(), 50);
  EXPECT_EQ(sized.CellHeight(), 32);
}

TEST_F(PageChooserTest, OpensDownRightWithRoom) {
  auto chooser = Make(6, 4, QPoint(100, 100), 3, 2);
  EXPECT_EQ(chooser->Direction(), TfmPageChooser::cdDownRight);
  EXPECT_TRUE(chooser->OpensDownward());
  EXPECT_EQ(chooser->pos(), QPoint(100, 100));
  EXPECT_EQ(chooser->SelectedColumns(), 2);
  EXPECT_EQ(chooser->SelectedRows(), 1);
  EXPECT_EQ(chooser->Text(), "1 x 2 Pages");
  EXPECT_EQ(chooser->CellRect(0, 0), TRect(1, 1, 27, 27));
  EXPECT_EQ(chooser->TextLineRect(), TRect(1, 53, 79, 74));
}

TEST_F(PageChooserTest, DirectionFollowsTheRoomLeft) {
  // Width 84, height 79 for 3 x 2; a point that just fits opens down-right.
  EXPECT_EQ(Make(6, 4, QPoint(1024 - 84, 738 - 79), 3, 2)->Direction(), TfmPageChooser::cdDownRight);

  // No room to the right: down-left, against the work area's right edge.
  auto downLeft = Make(6, 4, QPoint(1000, 100), 3, 2);
  EXPECT_EQ(downLeft->Direction(), TfmPageChooser::cdDownLeft);
  EXPECT_EQ(downLeft->geometry(), QRect(1024 - 84, 100, 84, 79));
  EXPECT_EQ(downLeft->CellRect(0, 0), TRect(3 * kCell - kCell + 1, 1, 3 * kCell + 1, 27));

  // No room below: up-right, its bottom on the button's top edge and the
  // text line at the top.
  auto upRight = Make(6, 4, QPoint(100, 700), 3, 2, 22);
  EXPECT_EQ(upRight->Direction(), TfmPageChooser::cdUpRight);
  EXPECT_FALSE(upRight->OpensDownward());
  EXPECT_EQ(upRight->geometry(), QRect(100, 678 - 79, 84, 79));
  EXPECT_EQ(upRight->TextLineRect(), TRect(1, 1, 79, 22));
  EXPECT_EQ(upRight->CellRect(0, 0), TRect(1, 75 - 27, 27, 74));

  // Lower-right corner: up-left.
  auto upLeft = Make(6, 4, QPoint(1000, 700), 3, 2, 22);
  EXPECT_EQ(upLeft->Direction(), TfmPageChooser::cdUpLeft);
  EXPECT_EQ(upLeft->geometry(), QRect(1024 - 84, 678 - 79, 84, 79));
  EXPECT_EQ(upLeft->TextLineRect().Top, 1);
}

TEST_F(PageChooserTest, InitialGridStaysWithinTheMaxima) {
  auto chooser = Make(2, 1, QPoint(100, 100), 5, 4);
  EXPECT_EQ(chooser->ShownColumns(), 2);
  EXPECT_EQ(chooser->ShownRows(), 1);
  EXPECT_EQ(chooser->SelectedRows(), 0);
  EXPECT_EQ(chooser->Text(), "Cancel");
}

// ---- Growth ----------------------------------------------------------------------------

TEST_F(PageChooserTest, GrowsAwayFromItsAnchor) {
  auto downRight = Make(6, 4, QPoint(100, 100), 3, 2);
  downRight->SetShownColumns(5);
  downRight->SetShownRows(3);
  EXPECT_EQ(downRight->geometry(), QRect(100, 100, 5 * kCell + 6, 3 * kCell + kText + 6));
  downRight->SetShownColumns(4);  // not larger
  downRight->SetShownColumns(7);  // above the maximum
  EXPECT_EQ(downRight->ShownColumns(), 5);

  auto upLeft = Make(6, 4, QPoint(1000, 700), 3, 2, 22);
  upLeft->SetShownColumns(4);
  upLeft->SetShownRows(4);
  EXPECT_EQ(upLeft->geometry(), QRect(1024 - (4 * kCell + 6), 678 - (4 * kCell + kText + 6), 4 * kCell + 6,
                                      4 * kCell + kText + 6));
}

// ---- Keys ---------------------------------------------------------------------------------

TEST_F(PageChooserTest, ArrowsInADownRightChooser) {
  auto chooser = Make(4, 3, QPoint(100, 100), 2, 2);
  chooser->Select(2, 1, false);
  Key(*chooser, Qt::Key_Right);
  EXPECT_EQ(chooser->SelectedColumns(), 3);
  EXPECT_EQ(chooser->SelectedRows(), 1);
  EXPECT_EQ(chooser->ShownColumns(), 3);  // grew to make room
  Key(*chooser, Qt::Key_Right);
  Key(*chooser, Qt::Key_Right);  // beyond the maximum of 4
  EXPECT_EQ(chooser->SelectedColumns(), 4);
  EXPECT_EQ(chooser->ShownColumns(), 4);
  Key(*chooser, Qt::Key_Down);
  EXPECT_EQ(chooser->SelectedRows(), 2);
  for (int i = 0; i < 5; ++i) Key(*chooser, Qt::Key_Left);
  EXPECT_EQ(chooser->SelectedColumns(), 1);
  Key(*chooser, Qt::Key_Up);
  Key(*chooser, Qt::Key_Up);
  EXPECT_EQ(chooser->SelectedRows(), 1);
  EXPECT_EQ(chooser->Text(), "1 x 1 Pages");
}

TEST_F(PageChooserTest, ArrowsPointAwayFromTheAnchorInAnUpLeftChooser) {
  auto chooser = Make(6, 4, QPoint(1000, 700), 3, 2);
  ASSERT_EQ(chooser->Direction(), TfmPageChooser::cdUpLeft);
  Key(*chooser, Qt::Key_Left);
  EXPECT_EQ(chooser->SelectedColumns(), 3);
  Key(*chooser, Qt::Key_Up);
  EXPECT_EQ(chooser->SelectedRows(), 2);
  Key(*chooser, Qt::Key_Up);
  EXPECT_EQ(chooser->SelectedRows(), 3);
  EXPECT_EQ(chooser->ShownRows(), 3);
  EXPECT_EQ(chooser->geometry().bottom() + 1, 678);  // still on the button
  Key(*chooser, Qt::Key_Right);
  Key(*chooser, Qt::Key_Down);
  EXPECT_EQ(chooser->SelectedColumns(), 2);
  EXPECT_EQ(chooser->SelectedRows(), 2);
}

TEST_F(PageChooserTest, ArrowFromAnEmptySelectionSelectsAtLeastOne) {
  auto chooser = Make(6, 4, QPoint(100, 100), 3, 1);
  ASSERT_EQ(chooser->SelectedRows(), 0);
  Key(*chooser, Qt::Key_Right);
  EXPECT_EQ(chooser->SelectedColumns(), 3);
  EXPECT_EQ(chooser->SelectedRows(), 1);
  EXPECT_EQ(chooser->ShownColumns(), 3);  // no growth from an empty selection
}

// ---- Mouse ------------------------------------------------------------------------------------

TEST_F(PageChooserTest, HoverSelectsWithinTheGridAndClearsBeyondIt) {
  auto chooser = Make(6, 4, QPoint(100, 100), 3, 2);
  Move(*chooser, CellCentre(2, 1));
  EXPECT_EQ(chooser->SelectedColumns(), 3);
  EXPECT_EQ(chooser->SelectedRows(), 2);
  Move(*chooser, CellCentre(0, 0));
  EXPECT_EQ(chooser->Text(), "1 x 1 Pages");
  // Past the grid without a button: nothing, and the grid does not grow.
  Move(*chooser, CellCentre(3, 0));
  EXPECT_EQ(chooser->SelectedColumns(), 0);
  EXPECT_EQ(chooser->Text(), "Cancel");
  EXPECT_EQ(chooser->ShownColumns(), 3);
  Move(*chooser, QPoint(-10, -10));
  EXPECT_EQ(chooser->SelectedColumns(), 0);
  EXPECT_EQ(chooser->SelectedRows(), 0);
}

TEST_F(PageChooserTest, DraggingGrowsCellByCellUpToTheMaxima) {
  auto chooser = Make(5, 3, QPoint(100, 100), 3, 2);
  Press(*chooser, CellCentre(0, 0));
  EXPECT_TRUE(chooser->Pressed());
  Move(*chooser, CellCentre(3, 2), Qt::LeftButton);
  EXPECT_EQ(chooser->ShownColumns(), 4);
  EXPECT_EQ(chooser->ShownRows(), 3);
  EXPECT_EQ(chooser->SelectedColumns(), 4);
  EXPECT_EQ(chooser->SelectedRows(), 3);
  // Beyond the maxima (5 x 3): the rows stay, the columns reach 5.
  Move(*chooser, CellCentre(4, 5), Qt::LeftButton);
  EXPECT_EQ(chooser->ShownColumns(), 5);
  EXPECT_EQ(chooser->ShownRows(), 3);
  EXPECT_EQ(chooser->SelectedRows(), 3);
  Move(*chooser, CellCentre(8, 1), Qt::LeftButton);
  EXPECT_EQ(chooser->ShownColumns(), 5);
  EXPECT_EQ(chooser->SelectedColumns(), 5);
  EXPECT_EQ(chooser->SelectedRows(), 2);
}

TEST_F(PageChooserTest, DraggingStopsAtTheWorkAreaEdge) {
  // Three columns fit at x = 930 (930 + 84 <= 1024); a fourth would not.
  auto chooser = Make(8, 4, QPoint(930, 100), 3, 2);
  ASSERT_EQ(chooser->Direction(), TfmPageChooser::cdDownRight);
  Press(*chooser, CellCentre(0, 0));
  Move(*chooser, CellCentre(3, 1), Qt::LeftButton);
  EXPECT_EQ(chooser->ShownColumns(), 3);
  EXPECT_EQ(chooser->SelectedColumns(), 3);
  EXPECT_EQ(chooser->SelectedRows(), 2);
}

TEST_F(PageChooserTest, LeftwardChooserCountsFromTheRight) {
  auto chooser = Make(6, 4, QPoint(1000, 100), 3, 2);
  ASSERT_EQ(chooser->Direction(), TfmPageChooser::cdDownLeft);
  // Column 0 is the rightmost one.
  const TRect rightmost = chooser->CellRect(0, 0);
  EXPECT_EQ(rightmost.Right, chooser->ClientWidth() - 1);
  const TRect leftmost = chooser->CellRect(2, 1);
  Move(*chooser, QPoint((leftmost.Left + leftmost.Right) / 2, (leftmost.Top + leftmost.Bottom) / 2));
  EXPECT_EQ(chooser->SelectedColumns(), 3);
  EXPECT_EQ(chooser->SelectedRows(), 2);
  Move(*chooser, QPoint((rightmost.Left + rightmost.Right) / 2, (rightmost.Top + rightmost.Bottom) / 2));
  EXPECT_EQ(chooser->SelectedColumns(), 1);
  EXPECT_EQ(chooser->SelectedRows(), 1);
}

// ---- Answers ------------------------------------------------------------------------------------

TEST_F(PageChooserTest, EnterAnswersTheInitialHighlight) {
  int columns = 3, rows = 2;
  EXPECT_TRUE(Choose([](TfmPageChooser& c) { Key(c, Qt::Key_Return); }, columns, rows));
  EXPECT_EQ(columns, 2);
  EXPECT_EQ(rows, 1);

  // One row opens with nothing highlighted: Enter answers false.
  columns = 3, rows = 1;
  EXPECT_FALSE(Choose(
      [](TfmPageChooser& c) {
        EXPECT_EQ(c.Text(), "Cancel");
        Key(c, Qt::Key_Enter);
        EXPECT_EQ(c.Result(), TfmPageChooser::crChosen);
      },
      columns, rows));
  EXPECT_EQ(columns, 3);
  EXPECT_EQ(rows, 1);
}

TEST_F(PageChooserTest, ReleaseOverASelectionChooses) {
  int columns = 3, rows = 2;
  EXPECT_TRUE(Choose(
      [](TfmPageChooser& c) {
        Move(c, CellCentre(1, 1));
        Press(c, CellCentre(1, 1));
        Move(c, CellCentre(3, 2), Qt::LeftButton);
        Release(c, CellCentre(3, 2));
        // Later input does not change the answer.
        Move(c, CellCentre(0, 0));
        Key(c, Qt::Key_Escape);
      },
      columns, rows));
  EXPECT_EQ(columns, 4);
  EXPECT_EQ(rows, 3);
}

TEST_F(PageChooserTest, EveryOtherWayOutCancels) {
  const std::function<void(TfmPageChooser&)> ways[] = {
      [](TfmPageChooser& c) { Key(c, Qt::Key_Escape); },
      [](TfmPageChooser& c) { Key(c, Qt::Key_Right, Qt::AltModifier); },
      [](TfmPageChooser& c) { Key(c, Qt::Key_Alt, Qt::AltModifier); },
      [](TfmPageChooser& c) { Press(c, QPoint(-20, 40)); },                     // outside
      [](TfmPageChooser& c) { Press(c, QPoint(-1, -1)); },                      // on the frame
      [](TfmPageChooser& c) { Move(c, CellCentre(5, 0)); Release(c, CellCentre(5, 0)); },  // past the grid
      [](TfmPageChooser& c) { c.close(); },
      [](TfmPageChooser&) {},  // still running when the script ends
  };
  int index = 0;
  for (const auto& way : ways) {
    int columns = 3, rows = 2;
    bool sawCancel = false;
    EXPECT_FALSE(Choose(
        [&](TfmPageChooser& c) {
          way(c);
          sawCancel = c.Result() != TfmPageChooser::crChosen;
        },
        columns, rows))
        << index;
    EXPECT_TRUE(sawCancel) << index;
    EXPECT_EQ(columns, 3) << index;
    EXPECT_EQ(rows, 2) << index;
    ++index;
  }
}

// ---- Painting ------------------------------------------------------------------------------------

class CountingChooser : public TfmPageChooser {
 public:
  using TfmPageChooser::TfmPageChooser;
  std::map<std::pair<int, int>, int> cells;
  int textLines = 0;
  void Reset() {
    cells.clear();
    textLines = 0;
  }
  int Painted(int column, int row) const {
    auto it = cells.find({column, row});
    return it == cells.end() ? 0 : it->second;
  }

 protected:
  void PaintCell(TCanvas& canvas, int column, int row) override {
    ++cells[{column, row}];
    TfmPageChooser::PaintCell(canvas, column, row);
  }
  void PaintTextLine(TCanvas& canvas) override {
    ++textLines;
    TfmPageChooser::PaintTextLine(canvas);
  }
};

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents(QEventLoop::AllEvents, 10);
}

TEST_F(PageChooserTest, OnlyCellsWhoseHighlightChangedArePainted) {
  CountingChooser chooser(&dxPSPageChooserImages(), 0, 6, 4);
  chooser.Prepare(QPoint(100, 100), 22, 3, 3);
  AnswerModal<TfmPageChooser>([&](TfmPageChooser&) {
    ASSERT_TRUE(WaitFor([&] { return chooser.textLines > 0 && chooser.cells.size() == 9; }));
    Settle();
    for (const auto& [cell, count] : chooser.cells) EXPECT_GE(count, 1);

    // 2 x 2 -> 3 x 1: cells (2, 0) on, (0, 1) and (1, 1) off.
    chooser.Reset();
    Move(chooser, CellCentre(2, 0));
    ASSERT_TRUE(WaitFor([&] { return chooser.textLines > 0; }));
    Settle();
    std::map<std::pair<int, int>, int> expected = {{{2, 0}, 1}, {{0, 1}, 1}, {{1, 1}, 1}};
    for (int r = 0; r < 3; ++r)
      for (int c = 0; c < 3; ++c) {
        const auto it = expected.find({c, r});
        EXPECT_EQ(chooser.Painted(c, r), it == expected.end() ? 0 : 1) << c << "," << r;
      }
    EXPECT_EQ(chooser.textLines, 1);

    // A move inside the same cell changes nothing and paints nothing.
    chooser.Reset();
    Move(chooser, CellCentre(2, 0) + QPoint(3, 3));
    Settle();
    EXPECT_TRUE(chooser.cells.empty());
    EXPECT_EQ(chooser.textLines, 0);
    Key(chooser, Qt::Key_Escape);
  });
  EXPECT_EQ(chooser.Execute(), TfmPageChooser::crCancelled);
}

TEST_F(PageChooserTest, PaintsHighlightPictureAndText) {
  auto chooser = Make(6, 4, QPoint(100, 100), 3, 2);
  const QImage image = chooser->grab().toImage().convertToFormat(QImage::Format_RGB32);
  ASSERT_EQ(image.size(), QSize(84, 79));
  auto at = [&](QPoint client) { return int(image.pixel(W(client)) & 0xFFFFFF); };
  // Cell (0, 0) is highlighted, (2, 0) is not: look inside the cell, away
  // from the picture (which starts 5 pixels in).
  EXPECT_EQ(at(QPoint(3, 3)), Rgb(clHighlight));
  EXPECT_EQ(at(QPoint(2 * kCell + 3, 3)), Rgb(clWindow));
  EXPECT_EQ(at(QPoint(1 * kCell + 3, kCell + 3)), Rgb(clWindow));
  // Each cell: a frame in the frame colour, then a button-shadow frame.
  EXPECT_EQ(at(QPoint(1, 1)), Rgb(clBtnFace));
  EXPECT_EQ(at(QPoint(2, 2)), Rgb(clBtnShadow));
  // The page symbol shows at 5 pixels in: its white sheet, and its key
  // colour stays transparent.
  EXPECT_EQ(at(QPoint(1 + 5 + 5, 1 + 5 + 7)), 0xFFFFFF);
  EXPECT_EQ(at(QPoint(1 + 5, 1 + 5 + 15)), Rgb(clHighlight));
  // Ink in the text line ("1 x 2 Pages").
  const TRect text = chooser->TextLineRect();
  int ink = 0;
  for (int y = text.Top + 2; y < text.Bottom - 2; ++y)
    for (int x = text.Left + 2; x < text.Right - 2; ++x) ink += qGray(image.pixel(W(QPoint(x, y)))) < 100;
  EXPECT_GT(ink, 10);
}

TEST_F(PageChooserTest, FlatLookFramesInWindowColour) {
  const unsigned char saved = dxPSEngine()->FormLook;
  dxPSEngine()->FormLook = 1;
  auto chooser = Make(6, 4, QPoint(100, 100), 3, 2);
  EXPECT_TRUE(chooser->Flat());
  const QImage image = chooser->grab().toImage().convertToFormat(QImage::Format_RGB32);
  dxPSEngine()->FormLook = saved;
  EXPECT_EQ(int(image.pixel(0, 0) & 0xFFFFFF), Rgb(clBtnShadow));
  EXPECT_EQ(int(image.pixel(1, 1) & 0xFFFFFF), Rgb(clWindow));
  EXPECT_EQ(int(image.pixel(W(QPoint(1, 1))) & 0xFFFFFF), Rgb(clWindow));
}

}  // namespace
