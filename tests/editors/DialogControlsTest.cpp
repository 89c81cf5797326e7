// The spin box: value and text, bounds, typing, steps and their reports, the
// spin buttons and the frame.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tests/TestSupport.h"
#include "tests/editors/DialogControlsSupport.h"

namespace {
struct StepReport {
  TdxButtonType type;
  TUDBtnType button;
  friend bool operator==(const StepReport&, const StepReport&) = default;
};

// A spin box that records its reports.
struct RecordingSpin {
  TdxPSSpinEdit box;
  std::vector<StepReport> reports;
  int changes = 0;
  RecordingSpin() {
    box.OnButtonClick = [this](TdxPSSpinEdit&, TdxButtonType t, TUDBtnType b) { reports.push_back({t, b}); };
    box.OnChange = [this](TdxPSSpinEdit&) { ++changes; };
  }
};

QString Text(const TdxPSSpinEdit& box) { return box.text(); }
}  // namespace

TEST(DialogControlsSpin, NewBoxDefaults) {
  TdxPSSpinEdit box;
  EXPECT_EQ(box.width(), 65);
  EXPECT_EQ(box.height(), 22);
  EXPECT_EQ(Text(box), "0");
  EXPECT_EQ(box.Value(), 0);
  EXPECT_EQ(box.ValueType(), svtInteger);
  EXPECT_EQ(box.Decimal(), 2);
  EXPECT_EQ(box.Increment(), 1);
  EXPECT_EQ(box.PageIncrement(), 10);
  EXPECT_TRUE(box.CheckBounds());
  EXPECT_TRUE(box.ArrowKeys());
  EXPECT_TRUE(box.EditorEnabled());
  EXPECT_FALSE(box.UsePageIncr());
  EXPECT_EQ(box.PageButtons(), nullptr);
  EXPECT_EQ(box.ScrollMouseSens(), msMedium);
  EXPECT_EQ(box.IncrButtonWidth(), TdxPSSpinEdit::DefaultButtonWidth());
  EXPECT_GE(TdxPSSpinEdit::DefaultButtonWidth(), 9);
}

TEST(DialogControlsSpin, PercentBoxClampsReadsLegendAndFallsBackToDefault) {
  TdxPSSpinEdit box;
  box.SetMinValue(10);
  box.SetMaxValue(500);
  box.SetLegendText("%");
  EXPECT_EQ(box.Legend(), " %");
  box.SetValue(7);
  EXPECT_EQ(Text(box), "10 %");
  box.SetValue(501);
  EXPECT_EQ(Text(box), "500 %");
  box.setText("250 %");
  EXPECT_EQ(box.Value(), 250);
  box.setText("abc");
  EXPECT_EQ(box.Value(), 0);  // DefaultValue, not brought into the bounds when read
  // Setting the default stores it within the bounds.
  box.SetDefaultValue(3);
  EXPECT_EQ(box.DefaultValue(), 10);
  box.setText("");
  EXPECT_EQ(box.Value(), 10);
  // Writing rounds to whole numbers.
  box.SetValue(123.5);
  EXPECT_EQ(Text(box), "124 %");
  box.SetValue(122.4);
  EXPECT_EQ(box.AsInteger(), 122);
}

TEST(DialogControlsSpin, LegendAndBoundChangesReformatAtOnce) {
  TdxPSSpinEdit box;
  box.SetMaxValue(1000);
  box.SetValue(300);
  box.SetLegendText("mm");
  EXPECT_EQ(Text(box), "300 mm");
  // The old legend is read before the new one is written.
  box.SetLegendText("\"");
  EXPECT_EQ(Text(box), "300 \"");
  box.SetLegendText(" pt");
  EXPECT_EQ(Text(box), "300 pt");
  box.SetMaxValue(200);
  EXPECT_EQ(Text(box), "200 pt");
  box.SetMinValue(250);
  EXPECT_EQ(Text(box), "250 pt");
  // Without bounds checking the value is written as it is.
  box.SetCheckBounds(false);
  box.SetValue(-40);
  EXPECT_EQ(Text(box), "-40 pt");
  box.SetCheckBounds(true);
  EXPECT_EQ(Text(box), "250 pt");
}

TEST(DialogControlsSpin, FloatValuesUseTheLocaleSeparatorAndTwoDecimals) {
  TdxPSSpinEdit box;
  box.SetMaxValue(100);
  box.SetValueType(svtFloat);
  box.SetValue(12.7);
  EXPECT_EQ(Text(box), "12.70");
  ASSERT_TRUE(SendKey(box, Qt::Key_Up));
  EXPECT_DOUBLE_EQ(box.Value(), 13.7);
  EXPECT_EQ(Text(box), "13.70");
  box.SetDecimal(1);
  EXPECT_EQ(Text(box), "13.7");
  box.SetDecimal(0);
  EXPECT_EQ(Text(box), "14");
  box.SetDecimal(3);
  box.SetValue(-0.0001);
  EXPECT_EQ(Text(box), "0.000");  // no negative zero

  LocaleScope german(QLocale(QLocale::German, QLocale::Germany));
  box.SetDecimal(2);
  box.SetValue(12.7);
  EXPECT_EQ(Text(box), "12,70");
  box.setText("12,5");
  EXPECT_DOUBLE_EQ(box.Value(), 12.5);
  // The point is no separator here: the text does not parse.
  box.setText("12.5");
  EXPECT_EQ(box.Value(), 0);
}

TEST(DialogControlsSpin, BadTextNeverRaisesAndReadsAsDefault) {
  TdxPSSpinEdit box;
  box.SetCheckBounds(false);
  box.SetDefaultValue(7.9);
  for (const char* text : {"abc", "", "-", "+", "4 2", "12abc", "0x", "$", "99999999999999999999999", "1.5"}) {
    box.setText(text);
    EXPECT_EQ(box.Value(), 7) << text;  // truncated default for whole numbers
  }
  box.setText(" 42 ");
  EXPECT_EQ(box.Value(), 42);
  box.setText("$1F");
  EXPECT_EQ(box.Value(), 31);
  box.setText("-0x10");
  EXPECT_EQ(box.Value(), -16);

  box.SetValueType(svtFloat);
  for (const char* text : {"1e400", "nan", "inf", "1e", "1..2", ".", "--1"}) {
    box.setText(text);
    EXPECT_DOUBLE_EQ(box.Value(), 7.9) << text;
  }
  box.setText("2.5e2");
  EXPECT_DOUBLE_EQ(box.Value(), 250);
  box.setText(".5");
  EXPECT_DOUBLE_EQ(box.Value(), 0.5);
  // A value that is not a number is written as the default.
  box.SetValue(std::nan(""));
  EXPECT_EQ(Text(box), "7.90");
}

TEST(DialogControlsSpin, SwitchingToIntegerRoundsTheSteps) {
  TdxPSSpinEdit box;
  box.SetMaxValue(100);
  box.SetValueType(svtFloat);
  box.SetIncrement(0.4);
  box.SetPageIncrement(2.6);
  box.SetValue(12.7);
  box.SetValueType(svtInteger);
  EXPECT_EQ(box.Increment(), 1);  // 0.4 rounds to 0, which becomes 1
  EXPECT_EQ(box.PageIncrement(), 3);
  // The value is read in the old form and written in the new one.
  EXPECT_EQ(Text(box), "13");
}

TEST(DialogControlsSpin, TypingRefusesForeignCharactersWithABeep) {
  BeepCounter beeps;
  TdxPSSpinEdit box;
  box.SetMaxValue(1000);
  box.SetLegendText("mm");
  box.clear();
  EXPECT_TRUE(TypeChar(box, '1'));
  EXPECT_TRUE(TypeChar(box, 'x'));  // consumed, refused
  EXPECT_EQ(beeps.count, 1);
  EXPECT_EQ(Text(box), "1");
  EXPECT_TRUE(TypeChar(box, ' '));  // the blank of the legend
  EXPECT_TRUE(TypeChar(box, 'm'));
  EXPECT_EQ(Text(box), "1 m");
  EXPECT_EQ(beeps.count, 1);
  // The decimal separator only for real numbers.
  box.clear();
  TypeChar(box, '.');
  EXPECT_EQ(Text(box), "");
  EXPECT_EQ(beeps.count, 2);
  box.SetValueType(svtFloat);
  box.clear();
  TypeChar(box, '-');
  TypeChar(box, '2');
  TypeChar(box, '.');
  TypeChar(box, '5');
  EXPECT_EQ(Text(box), "-2.5");
  EXPECT_EQ(beeps.count, 2);
}

TEST(DialogControlsSpin, TypingRaisesOnChange) {
  RecordingSpin s;
  s.box.SetMaxValue(100);
  s.box.clear();
  TypeChar(s.box, '4');
  EXPECT_EQ(s.changes, 1);
  EXPECT_TRUE(s.box.isModified());
  // Writing the value in code is no change of the user's.
  s.box.SetValue(5);
  EXPECT_EQ(s.changes, 1);
}

TEST(DialogControlsSpin, DisabledEditorTakesNoTypingButSteps) {
  BeepCounter beeps;
  TdxPSSpinEdit box;
  box.SetMaxValue(100);
  box.SetEditorEnabled(false);
  box.SetValue(5);
  box.end(false);
  TypeChar(box, '7');
  SendKey(box, Qt::Key_Backspace, Qt::NoModifier, QString(QChar(8)));
  SendKey(box, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
  EXPECT_EQ(Text(box), "5");
  EXPECT_EQ(beeps.count, 3);
  SendKey(box, Qt::Key_Up);
  EXPECT_EQ(Text(box), "6");
}

// Delete carries the text U+007F from the window system; it is an editing
// key, not a character to refuse: in integer, decimal and unit boxes alike it
// removes the character after the cursor, without a beep.
TEST(DialogControlsSpin, DeleteRemovesTheNextCharacter) {
  LocaleScope locale(QLocale::c());
  const struct {
    TdxSpinValueType type;
    const char* legend;
    const char* before;
    const char* after;
  } cases[] = {{svtInteger, "", "123", "13"}, {svtFloat, "", "1.5", "15"}, {svtFloat, "mm", "25.4 mm", "2.4 mm"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.before);
    BeepCounter beeps;
    TdxPSSpinEdit box;
    box.SetValueType(c.type);
    box.SetMaxValue(1000);
    box.SetLegendText(c.legend);
    box.setText(c.before);
    box.setCursorPosition(1);
    SendKey(box, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
    EXPECT_EQ(Text(box), c.after);
    EXPECT_EQ(beeps.count, 0);
  }
}

TEST(DialogControlsSpin, KeysStepAndReportAsTheTableSays) {
  RecordingSpin s;
  s.box.SetMaxValue(1000);
  s.box.SetValue(100);
  EXPECT_TRUE(SendKey(s.box, Qt::Key_Up));
  EXPECT_EQ(s.box.Value(), 101);
  SendKey(s.box, Qt::Key_Down);
  EXPECT_EQ(s.box.Value(), 100);
  SendKey(s.box, Qt::Key_Up, Qt::ControlModifier);
  EXPECT_EQ(s.box.Value(), 110);
  SendKey(s.box, Qt::Key_Down, Qt::ControlModifier);
  EXPECT_EQ(s.box.Value(), 100);
  SendKey(s.box, Qt::Key_PageUp);
  EXPECT_EQ(s.box.Value(), 110);
  SendKey(s.box, Qt::Key_PageDown);
  EXPECT_EQ(s.box.Value(), 100);
  std::vector<StepReport> expected = {{btLine, btNext}, {btLine, btPrev}, {btPage, btNext},
                                      {btPage, btPrev}, {btPage, btPrev}, {btPage, btNext}};
  EXPECT_EQ(s.reports, expected);
  EXPECT_EQ(s.changes, 6);

  SendKey(s.box, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(s.box.Value(), 1000);
  SendKey(s.box, Qt::Key_Home, Qt::ControlModifier);
  EXPECT_EQ(s.box.Value(), 0);
  EXPECT_EQ(s.reports.size(), 6u);

  // Without ArrowKeys the keys do not step.
  s.box.SetArrowKeys(false);
  SendKey(s.box, Qt::Key_Up);
  SendKey(s.box, Qt::Key_PageUp);
  EXPECT_EQ(s.box.Value(), 0);
  EXPECT_EQ(s.reports.size(), 6u);
}

TEST(DialogControlsSpin, AStepThatChangesNoTextStillReportsButRaisesNoChange) {
  RecordingSpin s;
  s.box.SetMaxValue(10);
  s.box.SetValue(10);
  SendKey(s.box, Qt::Key_Up);
  EXPECT_EQ(s.box.Value(), 10);
  EXPECT_EQ(s.changes, 0);
  EXPECT_EQ(s.reports.size(), 1u);
}

TEST(DialogControlsSpin, ReadOnlyBoxBeepsAndDoesNotStep) {
  BeepCounter beeps;
  RecordingSpin s;
  s.box.SetMaxValue(10);
  s.box.SetValue(5);
  s.box.SetReadOnly(true);
  SendKey(s.box, Qt::Key_Up);
  s.box.ButtonClick(btLine, true);
  SendKey(s.box, Qt::Key_End, Qt::ControlModifier);
  EXPECT_EQ(s.box.Value(), 5);
  EXPECT_EQ(beeps.count, 3);
  EXPECT_TRUE(s.reports.empty());
  EXPECT_EQ(s.changes, 0);
}

TEST(DialogControlsSpin, EnterRewritesTheValueAndLeavesTheKeyToTheForm) {
  TdxPSSpinEdit box;
  box.SetMinValue(10);
  box.SetMaxValue(500);
  box.SetLegendText("%");
  box.setText("7");
  EXPECT_FALSE(SendKey(box, Qt::Key_Return));
  EXPECT_EQ(Text(box), "10 %");
  EXPECT_EQ(box.selectedText(), "10 %");
  EXPECT_FALSE(SendKey(box, Qt::Key_Escape));
  // Leaving the box re-writes the value as well.
  box.setText("900");
  QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
  QApplication::sendEvent(&box, &out);
  EXPECT_EQ(Text(box), "500 %");
}

TEST(DialogControlsSpin, OnKeyDownCanConsumeAKey) {
  TdxPSSpinEdit box;
  box.SetMaxValue(10);
  int seen = 0;
  box.OnKeyDown = [&](TdxPSSpinEdit&, int& key, Qt::KeyboardModifiers) {
    seen = key;
    if (key == Qt::Key_Up) key = 0;
  };
  EXPECT_TRUE(SendKey(box, Qt::Key_Up));
  EXPECT_EQ(seen, Qt::Key_Up);
  EXPECT_EQ(box.Value(), 0);
}

TEST(DialogControlsSpin, WheelStepsLikeTheButtons) {
  RecordingSpin s;
  s.box.SetMaxValue(100);
  s.box.SetValue(50);
  SendWheel(s.box, 1);
  EXPECT_EQ(s.box.Value(), 51);
  SendWheel(s.box, -2);
  EXPECT_EQ(s.box.Value(), 49);
  SendWheel(s.box, 1, Qt::ControlModifier);
  EXPECT_EQ(s.box.Value(), 59);
  SendWheel(s.box, -1, Qt::ControlModifier);
  EXPECT_EQ(s.box.Value(), 49);
  std::vector<StepReport> expected = {
      {btLine, btNext}, {btLine, btPrev}, {btLine, btPrev}, {btPage, btPrev}, {btPage, btNext}};
  EXPECT_EQ(s.reports, expected);
}

TEST(DialogControlsSpin, ButtonPairsStandAtTheRightEdge) {
  TdxPSSpinEdit box;
  box.resize(120, 24);
  box.SetIncrButtonWidth(4);
  EXPECT_EQ(box.IncrButtonWidth(), 9);
  box.SetIncrButtonWidth(15);
  box.SetUsePageIncr(true);
  box.SetPageIncrButtonWidth(12);
  ASSERT_NE(box.PageButtons(), nullptr);
  const int f = TdxPSSpinEdit::kFrameWidth;
  EXPECT_EQ(box.PageButtons()->geometry(), QRect(120 - f - 12, f, 12, 24 - 2 * f));
  EXPECT_EQ(box.LineButtons()->geometry(), QRect(120 - f - 12 - 15, f, 15, 24 - 2 * f));
  // The text ends 2 pixels before the buttons.
  EXPECT_EQ(box.textMargins().right(), f + 15 + 12 + 2);

  box.setLayoutDirection(Qt::RightToLeft);
  EXPECT_EQ(box.PageButtons()->geometry().left(), f);
  EXPECT_EQ(box.LineButtons()->geometry().left(), f + 12);
  EXPECT_EQ(box.textMargins().left(), f + 27 + 1);

  box.SetUsePageIncr(false);
  EXPECT_EQ(box.PageButtons(), nullptr);
}

TEST(DialogControlsSpin, ClickingTheButtonsSteps) {
  RecordingSpin s;
  s.box.resize(100, 24);
  s.box.SetMaxValue(1000);
  s.box.SetValue(100);
  s.box.SetUsePageIncr(true);
  TdxUpDown* line = s.box.LineButtons();
  TdxUpDown* page = s.box.PageButtons();
  const int h = line->height();
  SendMouse(*line, QEvent::MouseButtonPress, QPoint(3, 1));
  SendMouse(*line, QEvent::MouseButtonRelease, QPoint(3, 1));
  EXPECT_EQ(s.box.Value(), 101);
  SendMouse(*line, QEvent::MouseButtonPress, QPoint(3, h - 1));
  SendMouse(*line, QEvent::MouseButtonRelease, QPoint(3, h - 1));
  EXPECT_EQ(s.box.Value(), 100);
  SendMouse(*page, QEvent::MouseButtonPress, QPoint(3, 1));
  SendMouse(*page, QEvent::MouseButtonRelease, QPoint(3, 1));
  EXPECT_EQ(s.box.Value(), 110);
  SendMouse(*page, QEvent::MouseButtonPress, QPoint(3, h - 1));
  SendMouse(*page, QEvent::MouseButtonRelease, QPoint(3, h - 1));
  EXPECT_EQ(s.box.Value(), 100);
  std::vector<StepReport> expected = {{btLine, btNext}, {btLine, btPrev}, {btPage, btPrev}, {btPage, btNext}};
  EXPECT_EQ(s.reports, expected);
}

TEST(DialogControlsSpin, DraggingTheMiddleBandStepsPerThreshold) {
  RecordingSpin s;
  s.box.resize(100, 60);
  s.box.SetMaxValue(1000);
  s.box.SetValue(100);
  TdxUpDown* line = s.box.LineButtons();
  const int mid = line->height() / 2;
  EXPECT_TRUE(line->InMiddleBand(mid - 2));
  EXPECT_TRUE(line->InMiddleBand(mid + 2));
  EXPECT_FALSE(line->InMiddleBand(mid + 3));

  SendMouse(*line, QEvent::MouseButtonPress, QPoint(3, mid));
  EXPECT_TRUE(line->Dragging());
  EXPECT_EQ(s.box.Value(), 100);  // a press on the band does not step
  SendMouse(*line, QEvent::MouseMove, QPoint(3, mid - 5));
  EXPECT_EQ(s.box.Value(), 101);
  SendMouse(*line, QEvent::MouseMove, QPoint(3, mid - 9));
  EXPECT_EQ(s.box.Value(), 101);
  SendMouse(*line, QEvent::MouseMove, QPoint(3, mid - 10));
  EXPECT_EQ(s.box.Value(), 102);
  SendMouse(*line, QEvent::MouseMove, QPoint(3, mid + 5));
  EXPECT_EQ(s.box.Value(), 101);
  // Esc ends the capture.
  SendKey(s.box, Qt::Key_Escape);
  EXPECT_FALSE(line->Dragging());
  SendMouse(*line, QEvent::MouseMove, QPoint(3, mid + 20));
  EXPECT_EQ(s.box.Value(), 101);

  s.box.SetScrollMouseSens(msHigh);
  EXPECT_EQ(line->DragThreshold(), 1);
  SendMouse(*line, QEvent::MouseButtonPress, QPoint(3, mid));
  SendMouse(*line, QEvent::MouseMove, QPoint(3, mid - 1));
  SendMouse(*line, QEvent::MouseMove, QPoint(3, mid - 2));
  SendMouse(*line, QEvent::MouseButtonRelease, QPoint(3, mid - 2));
  EXPECT_EQ(s.box.Value(), 103);
  EXPECT_FALSE(line->Dragging());
  s.box.SetScrollMouseSens(msLow);
  EXPECT_EQ(line->DragThreshold(), 10);
}

TEST(DialogControlsSpin, NeverLowerThanItsFont) {
  TdxPSSpinEdit box;
  box.resize(65, 5);
  EXPECT_EQ(box.height(), box.MinimumBoxHeight());
  EXPECT_EQ(box.MinimumBoxHeight(), QFontMetrics(box.font()).height() + 5);
}

TEST(DialogControlsSpin, FramePixels) {
  TdxPSSpinEdit box;
  box.resize(80, 24);
  QImage img = Grab(box);
  // A sunken 3D frame.
  EXPECT_EQ(PixelRGB(img, 0, 10), kBtnShadow);
  EXPECT_EQ(PixelRGB(img, 1, 10), 0x000000u);
  EXPECT_EQ(PixelRGB(img, 79, 10), kBtnHighlight);
  EXPECT_EQ(PixelRGB(img, 78, 10), kBtnFace);
  // The buttons show their face.
  QRect b = box.LineButtons()->geometry();
  EXPECT_EQ(PixelRGB(img, b.left() + 3, b.top() + 3), kBtnFace);

  box.SetFlat(true);
  img = Grab(box);
  EXPECT_EQ(PixelRGB(img, 0, 10), kBtnFace);
  EXPECT_EQ(PixelRGB(img, 1, 10), kBtnFace);
  box.setEnabled(false);
  img = Grab(box);
  EXPECT_EQ(PixelRGB(img, 0, 10), kBtnFace);
  EXPECT_EQ(PixelRGB(img, 1, 10), kBtnHighlight);
}
