// The format and title dialogs driven through their controls: the value box
// with letters and Roman numerals, the date and time formats, the page number
// format, the report title, the report properties sheet, and the report
// link's operations that run them and re-render header, footer and title.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimer>
#include <memory>

#include "dialogs/FormatDialogs.h"
#include "engine/ComponentPrinter.h"
#include "engine/ReportLink.h"
#include "layout/HeaderFooterFunctions.h"
#include "layout/UserLocale.h"
#include "platform/EnumBits.h"
#include "platform/MessageDialogs.h"
#include "platform/Registry.h"
#include "report/EngineSettings.h"
#include "report/EngineUtilities.h"
#include "tests/TestSupport.h"
#include "tests/editors/DialogControlsSupport.h"
#include "tests/ModalAnswers.h"
#include "tests/dialogs/DialogAnswers.h"

namespace {

// ---- Driving controls ------------------------------------------------------------------

void ClickItem(QListWidget* list, int row) {
  const QPoint at = list->visualItemRect(list->item(row)).center();
  SendMouse(*list->viewport(), QEvent::MouseButtonPress, at);
  SendMouse(*list->viewport(), QEvent::MouseButtonRelease, at);
}

void DoubleClickItem(QListWidget* list, int row) {
  ClickItem(list, row);
  const QPoint at = list->visualItemRect(list->item(row)).center();
  SendMouse(*list->viewport(), QEvent::MouseButtonDblClick, at);
  SendMouse(*list->viewport(), QEvent::MouseButtonRelease, at);
}

void ClickWidget(QWidget* w) {
  const QPoint at(w->width() / 2, w->height() / 2);
  SendMouse(*w, QEvent::MouseButtonPress, at);
  SendMouse(*w, QEvent::MouseButtonRelease, at);
}

// Chooses a list entry the way the keyboard does (one step at a time).
void ChooseEntry(QComboBox* combo, int index) {
  combo->setFocus();
  while (combo->currentIndex() < index) SendKey(*combo, Qt::Key_Down);
  while (combo->currentIndex() > index) SendKey(*combo, Qt::Key_Up);
}

void TypeText(QWidget& w, const QString& text) {
  for (QChar c : text) TypeChar(w, c);
}

// Replaces the whole text of a value box by typing.
void RetypeValue(TdxPSSpinEdit* edit, const QString& text) {
  edit->setFocus();
  edit->selectAll();
  SendKey(*edit, Qt::Key_Backspace);
  TypeText(*edit, text);
}

// Runs every dialog shown meanwhile through a function instead of its loop.
struct DialogScope {
  int shown = 0;
  template <class F>
  explicit DialogScope(F drive) {
    AnswerModal<TCustomdxPSFmtDialog>([this, drive](TCustomdxPSFmtDialog& dialog) {
      ++shown;
      // The window becomes active (and can hold the focus) once its
      // activation has been processed.
      for (int i = 0; i < 50 && !dialog.isActiveWindow(); ++i) QApplication::processEvents();
      drive(dialog);
    });
  }
  ~DialogScope() { AnswerModal<TCustomdxPSFmtDialog>(nullptr); }
};

// Answers message boxes and records them.
struct MessageScope {
  struct Message {
    TMessageBoxKind kind;
    std::string text;
  };
  std::vector<Message> messages;
  bool answer = true;
  MessageScope() {
    AnswerMessageBoxes([this](TMessageBoxKind kind, const std::string&, const std::string& text) {
      messages.push_back({kind, text});
      return answer;
    });
  }
  ~MessageScope() { AnswerMessageBoxes(nullptr); }
};

template <class T>
T& As(TCustomdxPSFmtDialog& dialog) {
  return dynamic_cast<T&>(dialog);
}

// ---- Value box ---------------------------------------------------------------------------

TEST(PSValueEdit, WritesAndReadsLettersAndRomanNumeralsInBothCases) {
  TdxPSValueEdit edit;
  EXPECT_EQ(edit.MinValue(), 1);
  EXPECT_EQ(edit.DefaultValue(), 1);
  EXPECT_EQ(edit.text(), "1");

  edit.SetIntValueType(ivtRoman);
  edit.SetValue(1994);
  EXPECT_EQ(edit.text(), "mcmxciv");
  edit.setText("xiv");
  EXPECT_EQ(edit.AsInteger(), 14);
  edit.setText("  xiv ");
  EXPECT_EQ(edit.AsInteger(), 14);
  edit.setText("");
  EXPECT_EQ(edit.AsInteger(), 1);
  edit.setText("XIV");  // wrong case: not a number of this style
  EXPECT_EQ(edit.AsInteger(), 1);
  edit.setText("iiii");
  EXPECT_EQ(edit.AsInteger(), 1);

  edit.SetIntValueType(ivtCapitalRoman);
  edit.SetValue(3999);
  EXPECT_EQ(edit.text(), "MMMCMXCIX");
  EXPECT_EQ(edit.AsInteger(), 3999);

  edit.SetIntValueType(ivtLiteral);
  edit.SetValue(52);
  EXPECT_EQ(edit.text(), "zz");
  edit.setText("cc");
  EXPECT_EQ(edit.AsInteger(), 29);
  edit.setText("C");
  EXPECT_EQ(edit.AsInteger(), 1);

  edit.SetIntValueType(ivtCapitalLiteral);
  edit.SetValue(27);
  EXPECT_EQ(edit.text(), "AA");
  EXPECT_EQ(edit.AsInteger(), 27);
}

TEST(PSValueEdit, ValuesAreRoundedAndBroughtIntoTheRange) {
  TdxPSValueEdit edit;
  edit.SetMaxValue(10000);
  edit.SetValue(20000);
  EXPECT_EQ(edit.text(), "10000");
  edit.SetValue(-3);
  EXPECT_EQ(edit.text(), "1");
  edit.SetValue(6.6);
  EXPECT_EQ(edit.text(), "7");

  edit.SetIntValueType(ivtCapitalRoman);
  edit.setText("MMMMMMMMMMMM");  // 12000
  EXPECT_EQ(edit.AsInteger(), 10000);
  edit.SetIntValueType(ivtLiteral);
  EXPECT_EQ(edit.text(), QString(385, QChar('p')));  // 10000 in letters
  // 5000 letters stand for 129975, brought into the range.
  edit.setText(QString(5000, QChar('a')));
  EXPECT_EQ(edit.AsInteger(), 10000);
}

TEST(PSValueEdit, ChangingTheStyleKeepsTheNumber) {
  TdxPSValueEdit edit;
  edit.SetValue(4);
  edit.SetIntValueType(ivtRoman);
  EXPECT_EQ(edit.text(), "iv");
  edit.SetIntValueType(ivtCapitalLiteral);
  EXPECT_EQ(edit.text(), "D");
  edit.SetIntValueType(ivtDecimal);
  EXPECT_EQ(edit.text(), "4");
}

TEST(PSValueEdit, TypingAcceptsOnlyTheCharactersOfTheStyle) {
  BeepCounter beeps;
  TdxPSValueEdit edit;
  edit.show();
  edit.setFocus();
  edit.clear();

  TypeText(edit, "-5");
  EXPECT_EQ(edit.text(), "5");
  EXPECT_EQ(beeps.count, 1);

  edit.clear();
  edit.SetIntValueType(ivtRoman);
  edit.clear();
  TypeText(edit, "xaivX");
  EXPECT_EQ(edit.text(), "xiv");
  EXPECT_EQ(beeps.count, 3);
  EXPECT_EQ(edit.AsInteger(), 14);

  edit.SetIntValueType(ivtCapitalRoman);
  edit.clear();
  TypeText(edit, "MCDx");
  EXPECT_EQ(edit.text(), "MCD");
  EXPECT_EQ(edit.AsInteger(), 1400);

  edit.SetIntValueType(ivtLiteral);
  edit.clear();
  TypeText(edit, "bB1");
  EXPECT_EQ(edit.text(), "b");

  edit.SetIntValueType(ivtCapitalLiteral);
  edit.clear();
  TypeText(edit, "Qq");
  EXPECT_EQ(edit.text(), "Q");
  EXPECT_EQ(edit.AsInteger(), 17);
}

// ---- Common behaviour ----------------------------------------------------------------------

std::vector<std::string> kDates = {"yyyy-MM-dd", "d-MMM-yy", "d MMMM yyyy"};
std::vector<std::string> kTimes = {"h:mm tt", "HH:mm:ss"};

TdxDateTimeFormatDlgData DateTimeData() {
  TdxDateTimeFormatDlgData data;
  data.DateFormats = &kDates;
  data.DateFormatIndex = 1;
  data.TimeFormats = &kTimes;
  data.TimeFormatIndex = 0;
  data.AutoUpdateDateTime = true;
  data.ShowAsDefaultButton = true;
  return data;
}

TEST(FormatDialogs, HelpButtonShowsOnlyWithAHelpContextAndTheOthersMoveRight) {
  QRect okNoHelp, cancelNoHelp, ok, cancel, help;
  bool helpVisible = true, helpShown = false;
  {
    DialogScope scope([&](TCustomdxPSFmtDialog& d) {
      if (d.HelpContext() == 0) {
        helpVisible = d.HelpButton()->isVisible();
        okNoHelp = d.OkButton()->geometry();
        cancelNoHelp = d.CancelButton()->geometry();
      } else {
        helpShown = d.HelpButton()->isVisible();
        ok = d.OkButton()->geometry();
        cancel = d.CancelButton()->geometry();
        help = d.HelpButton()->geometry();
        EXPECT_TRUE(d.windowFlags() & Qt::WindowContextHelpButtonHint);
      }
      EXPECT_EQ(d.size(), QSize(282, 342));
      EXPECT_EQ(d.windowTitle(), "Date and Time");
    });
    TdxDateTimeFormatDlgData data = DateTimeData();
    DateTimeFormatsDialog(&data);
    data.HelpContext = 7;
    DateTimeFormatsDialog(&data);
    EXPECT_EQ(scope.shown, 2);
  }
  EXPECT_FALSE(helpVisible);
  EXPECT_TRUE(helpShown);
  EXPECT_EQ(okNoHelp, cancel);
  EXPECT_EQ(cancelNoHelp, help);
  EXPECT_LT(ok.right(), cancel.left());
  EXPECT_LT(cancel.right(), help.left());
  EXPECT_EQ(help.right(), 282 - 8 - 1);
}

TEST(FormatDialogs, TheMessageLoopEndsWithTheButtonThatClosedIt) {
  // No hook: the real modal loop runs until a button is clicked.
  TdxDateTimeFormatDlgData data = DateTimeData();
  int step = 0;
  std::function<void()> drive = [&] {
    for (QWidget* w : QApplication::topLevelWidgets()) {
      auto* dialog = dynamic_cast<TdxfmDateTimeFormats*>(w);
      if (!dialog || !dialog->isVisible()) continue;
      if (step++ == 0) {
        ClickItem(dialog->TimeList(), 1);
        dialog->OkButton()->click();
      }
      return;
    }
    if (step < 100) QTimer::singleShot(10, drive);
  };
  QTimer::singleShot(0, drive);
  EXPECT_TRUE(DateTimeFormatsDialog(&data));
  EXPECT_EQ(data.TimeFormatIndex, 1);
}

// ---- Date and time formats -----------------------------------------------------------------

TEST(DateTimeFormatsDialog, RefusesMissingListsAndIndexesOutsideThem) {
  DialogScope scope([](TCustomdxPSFmtDialog& d) { d.OkButton()->click(); });
  EXPECT_FALSE(DateTimeFormatsDialog(nullptr));
  TdxDateTimeFormatDlgData data = DateTimeData();
  data.DateFormats = nullptr;
  EXPECT_FALSE(DateTimeFormatsDialog(&data));
  data = DateTimeData();
  data.TimeFormats = nullptr;
  EXPECT_FALSE(DateTimeFormatsDialog(&data));
  data = DateTimeData();
  data.DateFormatIndex = 3;
  EXPECT_FALSE(DateTimeFormatsDialog(&data));
  data = DateTimeData();
  data.TimeFormatIndex = -1;
  EXPECT_FALSE(DateTimeFormatsDialog(&data));
  EXPECT_EQ(scope.shown, 0);
}

TEST(DateTimeFormatsDialog, ShowsNowInEveryPictureAndOkWithoutAChangeAnswersFalse) {
  TdxDateTimeFormatDlgData data = DateTimeData();
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmDateTimeFormats>(d);
    const double now = dxNow();
    ASSERT_EQ(dialog.DateList()->count(), 3);
    ASSERT_EQ(dialog.TimeList()->count(), 2);
    for (int i = 0; i < 3; ++i)
      EXPECT_EQ(dialog.DateList()->item(i)->text().toStdString(), dxFormatDate(now, kDates[std::size_t(i)]));
    EXPECT_EQ(dialog.DateList()->currentRow(), 1);
    EXPECT_EQ(dialog.TimeList()->currentRow(), 0);
    EXPECT_TRUE(dialog.AutoUpdateBox()->isChecked());
    EXPECT_TRUE(dialog.DefaultButton()->isVisible());
    EXPECT_TRUE(dialog.DefaultButton()->isEnabled());
    EXPECT_FALSE(dialog.Modified());
    dialog.OkButton()->click();
  });
  EXPECT_FALSE(DateTimeFormatsDialog(&data));
  EXPECT_EQ(data.DateFormatIndex, 1);
  EXPECT_EQ(data.TimeFormatIndex, 0);
  EXPECT_TRUE(data.AutoUpdateDateTime);
  EXPECT_FALSE(data.SetDateTimeFormatAsDefault);
}

TEST(DateTimeFormatsDialog, ClickedEntriesAndTheCheckBoxComeBackOnOk) {
  TdxDateTimeFormatDlgData data = DateTimeData();
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmDateTimeFormats>(d);
    ClickItem(dialog.DateList(), 2);
    ClickItem(dialog.TimeList(), 1);
    dialog.AutoUpdateBox()->click();
    EXPECT_TRUE(dialog.Modified());
    dialog.OkButton()->click();
  });
  EXPECT_TRUE(DateTimeFormatsDialog(&data));
  EXPECT_EQ(data.DateFormatIndex, 2);
  EXPECT_EQ(data.TimeFormatIndex, 1);
  EXPECT_FALSE(data.AutoUpdateDateTime);
  EXPECT_FALSE(data.SetDateTimeFormatAsDefault);
}

TEST(DateTimeFormatsDialog, CancelAndEscapeHandNothingBack) {
  TdxDateTimeFormatDlgData data = DateTimeData();
  {
    DialogScope scope([](TCustomdxPSFmtDialog& d) {
      auto& dialog = As<TdxfmDateTimeFormats>(d);
      ClickItem(dialog.DateList(), 0);
      dialog.AutoUpdateBox()->click();
      dialog.CancelButton()->click();
    });
    EXPECT_FALSE(DateTimeFormatsDialog(&data));
  }
  {
    DialogScope scope([](TCustomdxPSFmtDialog& d) {
      auto& dialog = As<TdxfmDateTimeFormats>(d);
      ClickItem(dialog.DateList(), 0);
      SendKey(dialog, Qt::Key_Escape);
      EXPECT_EQ(dialog.ModalResult(), mrCancel);
    });
    EXPECT_FALSE(DateTimeFormatsDialog(&data));
  }
  EXPECT_EQ(data.DateFormatIndex, 1);
  EXPECT_TRUE(data.AutoUpdateDateTime);
}

TEST(DateTimeFormatsDialog, DoubleClickClosesWithOk) {
  TdxDateTimeFormatDlgData data = DateTimeData();
  int result = mrNone;
  DialogScope scope([&](TCustomdxPSFmtDialog& d) {
    DoubleClickItem(As<TdxfmDateTimeFormats>(d).TimeList(), 1);
    result = d.ModalResult();
  });
  EXPECT_TRUE(DateTimeFormatsDialog(&data));
  EXPECT_EQ(result, mrOk);
  EXPECT_EQ(data.TimeFormatIndex, 1);
}

TEST(DateTimeFormatsDialog, LabelsFocusTheirLists) {
  TdxDateTimeFormatDlgData data = DateTimeData();
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmDateTimeFormats>(d);
    ClickWidget(dialog.TimeLabel());
    EXPECT_EQ(QApplication::focusWidget(), dialog.TimeList());
    ClickWidget(dialog.DateLabel());
    EXPECT_EQ(QApplication::focusWidget(), dialog.DateList());
    EXPECT_FALSE(dialog.Modified());
    dialog.OkButton()->click();
  });
  EXPECT_FALSE(DateTimeFormatsDialog(&data));
}

TEST(DateTimeFormatsDialog, DefaultAsksWithBothSelectedTextsAndYesMakesTheChoiceTheDefault) {
  MessageScope messages;
  TdxDateTimeFormatDlgData data = DateTimeData();
  data.DateFormatIndex = 0;
  std::string date, time;
  DialogScope scope([&](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmDateTimeFormats>(d);
    date = dialog.DateList()->item(0)->text().toStdString();
    time = dialog.TimeList()->item(0)->text().toStdString();
    EXPECT_TRUE(dialog.DefaultButton()->isEnabled());
    messages.answer = false;
    dialog.DefaultButton()->click();
    EXPECT_FALSE(dialog.Modified());
    messages.answer = true;
    dialog.DefaultButton()->click();
    EXPECT_TRUE(dialog.Modified());
    dialog.OkButton()->click();
  });
  EXPECT_TRUE(DateTimeFormatsDialog(&data));
  EXPECT_TRUE(data.SetDateTimeFormatAsDefault);
  ASSERT_EQ(messages.messages.size(), 2u);
  EXPECT_EQ(messages.messages[1].kind, TMessageBoxKind::Question);
  EXPECT_EQ(messages.messages[1].text,
            "Do you want to change the default date and time formats to match \"" + date + "\"  - \"" + time + "\" ?");
  EXPECT_EQ(date, dxFormatDate(dxNow(), kDates[0]));
}

TEST(DateTimeFormatsDialog, DefaultButtonIsHiddenWhenNotOffered) {
  TdxDateTimeFormatDlgData data = DateTimeData();
  data.ShowAsDefaultButton = false;
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    EXPECT_FALSE(As<TdxfmDateTimeFormats>(d).DefaultButton()->isVisible());
    d.CancelButton()->click();
  });
  EXPECT_FALSE(DateTimeFormatsDialog(&data));
}

// ---- Page number format --------------------------------------------------------------------

TdxPageNumberFormatDlgData PageNumberData() {
  TdxPageNumberFormatDlgData data;
  data.PageNumberFormats = &PageNumberFormatList();
  data.PageNumberFormat = pnfNumeral;
  data.StartPageIndex = 4;
  data.ShowAsDefaultButton = true;
  return data;
}

TEST(PageNumberFormatDialog, FillsTheControls) {
  TdxPageNumberFormatDlgData data = PageNumberData();
  data.PageNumberFormat = pnfUpperRoman;
  data.StartPageIndex = 12;
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmPageNumberFormat>(d);
    EXPECT_EQ(dialog.windowTitle(), "Page Number Format");
    EXPECT_EQ(dialog.size(), QSize(247, 209));
    ASSERT_EQ(dialog.FormatList()->count(), 5);
    EXPECT_EQ(dialog.FormatList()->itemText(3), "i, ii, iii, iv, v, ...");
    EXPECT_EQ(dialog.FormatList()->currentIndex(), 4);
    EXPECT_EQ(dialog.NumberingGroup()->title(), "Page Numbering");
    EXPECT_FALSE(dialog.ContinueButton()->isEnabled());
    EXPECT_TRUE(dialog.StartAtButton()->isChecked());
    EXPECT_EQ(dialog.StartAtEdit()->IntValueType(), ivtCapitalRoman);
    EXPECT_EQ(dialog.StartAtEdit()->text(), "XII");
    EXPECT_EQ(dialog.StartAtEdit()->MaxValue(), 10000);
    dialog.OkButton()->click();
  });
  EXPECT_FALSE(PageNumberFormatDialog(&data));
  EXPECT_EQ(data.StartPageIndex, 12);
}

TEST(PageNumberFormatDialog, ChoosingAFormatShowsTheNumberInItsStyle) {
  TdxPageNumberFormatDlgData data = PageNumberData();
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmPageNumberFormat>(d);
    EXPECT_EQ(dialog.StartAtEdit()->text(), "4");
    ChooseEntry(dialog.FormatList(), 3);
    EXPECT_EQ(dialog.StartAtEdit()->text(), "iv");
    ChooseEntry(dialog.FormatList(), 2);
    EXPECT_EQ(dialog.StartAtEdit()->text(), "D");
    dialog.OkButton()->click();
  });
  EXPECT_TRUE(PageNumberFormatDialog(&data));
  EXPECT_EQ(data.PageNumberFormat, pnfUpperChars);
  EXPECT_EQ(data.StartPageIndex, 4);
}

TEST(PageNumberFormatDialog, TypedRomanAndLetterNumbersBecomeTheStartPage) {
  TdxPageNumberFormatDlgData data = PageNumberData();
  data.PageNumberFormat = pnfRoman;
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmPageNumberFormat>(d);
    RetypeValue(dialog.StartAtEdit(), "xiv");
    EXPECT_TRUE(dialog.Modified());
    // Enter confirms without leaving the box.
    SendKey(*dialog.StartAtEdit(), Qt::Key_Return);
    SendKey(dialog, Qt::Key_Return);
  });
  EXPECT_TRUE(PageNumberFormatDialog(&data));
  EXPECT_EQ(data.StartPageIndex, 14);

  // And back: 14 in capital letters is N.
  data.PageNumberFormat = pnfUpperChars;
  DialogScope again([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmPageNumberFormat>(d);
    EXPECT_EQ(dialog.StartAtEdit()->text(), "N");
    RetypeValue(dialog.StartAtEdit(), "BB");
    dialog.FormatList()->setFocus();  // leaving the box stores the value
    dialog.OkButton()->click();
  });
  EXPECT_TRUE(PageNumberFormatDialog(&data));
  EXPECT_EQ(data.StartPageIndex, 28);
}

TEST(PageNumberFormatDialog, SwitchingBetweenContinuationAndStartAt) {
  TdxPageNumberFormatDlgData data = PageNumberData();
  data.ContinuousPageIndexesSupported = true;
  data.ContinuousPageIndexes = true;
  data.StartPageIndex = 9;
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmPageNumberFormat>(d);
    EXPECT_TRUE(dialog.ContinueButton()->isEnabled());
    EXPECT_TRUE(dialog.ContinueButton()->isChecked());
    EXPECT_TRUE(dialog.StartAtEdit()->text().isEmpty());
    // A format change keeps the empty box empty.
    ChooseEntry(dialog.FormatList(), 1);
    EXPECT_TRUE(dialog.StartAtEdit()->text().isEmpty());
    dialog.StartAtButton()->click();
    EXPECT_EQ(dialog.StartAtEdit()->text(), "a");  // 1, whatever the earlier start page was
    EXPECT_TRUE(dialog.StartAtEdit()->hasFocus());
    dialog.ContinueButton()->click();
    EXPECT_TRUE(dialog.StartAtEdit()->text().isEmpty());
    // Typing into the box picks "Start at".
    dialog.StartAtEdit()->setFocus();
    TypeChar(*dialog.StartAtEdit(), 'c');
    EXPECT_TRUE(dialog.StartAtButton()->isChecked());
    EXPECT_EQ(dialog.StartAtEdit()->text(), "c");
    dialog.OkButton()->click();
  });
  EXPECT_TRUE(PageNumberFormatDialog(&data));
  EXPECT_FALSE(data.ContinuousPageIndexes);
  EXPECT_EQ(data.StartPageIndex, 3);
  EXPECT_EQ(data.PageNumberFormat, pnfChars);

  DialogScope back([](TCustomdxPSFmtDialog& d) {
    As<TdxfmPageNumberFormat>(d).ContinueButton()->click();
    d.OkButton()->click();
  });
  EXPECT_TRUE(PageNumberFormatDialog(&data));
  EXPECT_TRUE(data.ContinuousPageIndexes);
  EXPECT_EQ(data.StartPageIndex, 3);
}

TEST(PageNumberFormatDialog, DefaultAsksWithTheSelectedCaption) {
  MessageScope messages;
  TdxPageNumberFormatDlgData data = PageNumberData();
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmPageNumberFormat>(d);
    ChooseEntry(dialog.FormatList(), 4);
    dialog.DefaultButton()->click();
    dialog.OkButton()->click();
  });
  EXPECT_TRUE(PageNumberFormatDialog(&data));
  EXPECT_TRUE(data.SetPageNumberFormatAsDefault);
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].text,
            "Do you want to change the default Page numbering format to match \"I, II, III, IV, V, ...\" ?");
}

TEST(PageNumberFormatDialog, CancelAndBadInputChangeNothing) {
  TdxPageNumberFormatDlgData data = PageNumberData();
  {
    DialogScope scope([](TCustomdxPSFmtDialog& d) {
      auto& dialog = As<TdxfmPageNumberFormat>(d);
      ChooseEntry(dialog.FormatList(), 3);
      RetypeValue(dialog.StartAtEdit(), "x");
      dialog.CancelButton()->click();
    });
    EXPECT_FALSE(PageNumberFormatDialog(&data));
    EXPECT_EQ(scope.shown, 1);
  }
  EXPECT_EQ(data.PageNumberFormat, pnfNumeral);
  EXPECT_EQ(data.StartPageIndex, 4);

  DialogScope scope([](TCustomdxPSFmtDialog& d) { d.OkButton()->click(); });
  EXPECT_FALSE(PageNumberFormatDialog(nullptr));
  data.PageNumberFormat = TdxPageNumberFormat(7);
  EXPECT_FALSE(PageNumberFormatDialog(&data));
  EXPECT_EQ(scope.shown, 0);
}

TEST(PageNumberFormatDialog, FormatLabelOpensTheList) {
  TdxPageNumberFormatDlgData data = PageNumberData();
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmPageNumberFormat>(d);
    ClickWidget(dialog.FormatLabel());
    EXPECT_TRUE(dialog.FormatList()->view()->isVisible());
    dialog.FormatList()->hidePopup();
    for (int i = 0; i < 50 && !dialog.isActiveWindow(); ++i) QApplication::processEvents();
    EXPECT_TRUE(dialog.FormatList()->hasFocus());
    dialog.CancelButton()->click();
  });
  EXPECT_FALSE(PageNumberFormatDialog(&data));
}

// ---- Report title --------------------------------------------------------------------------

TEST(ReportTitleDialog, FillsTheControlsFromTheTitle) {
  TdxReportTitle title;
  title.SetText("Sales\nQ3");
  title.SetMode(tmOnFirstPage);
  title.SetTextAlignX(taRight);
  title.SetTextAlignY(taTop);
  title.SetTransparent(false);
  title.SetColor(clYellow);
  title.SetAdjustOnReportScale(true);
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmReportTitleProperties>(d);
    EXPECT_EQ(dialog.windowTitle(), "Report Title");
    EXPECT_EQ(dialog.size(), QSize(364, 393));
    EXPECT_EQ(dialog.OkButton()->text(), "&OK");
    EXPECT_EQ(dialog.Tabs()->tabText(0), "&Text");
    EXPECT_EQ(dialog.Tabs()->tabText(1), "&Properties");
    EXPECT_EQ(dialog.ModeList()->itemText(2), "On Every Top Page");
    EXPECT_EQ(dialog.ModeList()->currentIndex(), 1);
    EXPECT_EQ(dialog.TextBox()->toPlainText(), "Sales\nQ3");
    EXPECT_EQ(dialog.HorzList()->currentText(), "Right");
    EXPECT_EQ(dialog.VertList()->currentText(), "Top");
    EXPECT_FALSE(dialog.TransparentBox()->isChecked());
    EXPECT_TRUE(dialog.ColorList()->isEnabled());
    EXPECT_EQ(dialog.ColorList()->ColorValue(), clYellow);
    EXPECT_TRUE(dialog.AdjustBox()->isChecked());
    EXPECT_EQ(dialog.FontInfo()->text().toStdString(), FormatFontInfo(dialog.Title().Font()));
    EXPECT_EQ(dialog.Title().Font().Name, "Times New Roman");
    EXPECT_TRUE(dialog.FontInfo()->isReadOnly());
    // The colour list: automatic (white), the twenty pure colours, custom.
    EXPECT_EQ(dialog.ColorList()->EntryCount(), 22);
    EXPECT_EQ(dialog.ColorList()->EntryColor(0), clWhite);
    EXPECT_FALSE(dialog.Modified());
    dialog.OkButton()->click();
  });
  EXPECT_FALSE(ReportTitleDialog(0, title));
}

TEST(ReportTitleDialog, AlignmentListsShareThePropertiesPageAndShowPictures) {
  TdxReportTitle title;
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmReportTitleProperties>(d);
    dialog.Tabs()->setCurrentIndex(1);
    QApplication::processEvents();
    const QRect h = dialog.HorzList()->geometry(), v = dialog.VertList()->geometry();
    EXPECT_EQ(h.top(), v.top());
    EXPECT_LE(std::abs(h.width() - v.width()), 1);
    EXPECT_LT(h.right(), v.left());
    EXPECT_GT(h.width(), 100);
    EXPECT_FALSE(dialog.HorzList()->itemIcon(0).isNull());
    EXPECT_FALSE(dialog.VertList()->itemIcon(2).isNull());
    // Six different pictures: 3 x list + entry.
    for (int i = 0; i < 6; ++i)
      for (int j = i + 1; j < 6; ++j)
        EXPECT_NE(TdxfmReportTitleProperties::AlignmentGlyph(i), TdxfmReportTitleProperties::AlignmentGlyph(j));
    d.CancelButton()->click();
  });
  ReportTitleDialog(0, title);
}

TEST(ReportTitleDialog, EditedTextAlignmentFontAndColourReachTheTitle) {
  TdxReportTitle title;
  TFont chosen = title.Font();
  chosen.Name = "Courier New";
  chosen.SetSize(20);
  chosen.Style = fsItalic;
  AnswerFontDialogs([&](const TFont& initial) -> std::optional<TFont> {
    EXPECT_EQ(initial.Name, "Times New Roman");
    return chosen;
  });
  DialogScope scope([&](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmReportTitleProperties>(d);
    dialog.TextBox()->setFocus();
    TypeText(*dialog.TextBox(), "Annual");
    ChooseEntry(dialog.ModeList(), 1);
    dialog.Tabs()->setCurrentIndex(1);
    ChooseEntry(dialog.HorzList(), 0);
    ChooseEntry(dialog.VertList(), 2);
    dialog.TransparentBox()->click();
    EXPECT_TRUE(dialog.ColorList()->isEnabled());
    dialog.ColorList()->setCurrentIndex(17);  // "Red"
    emit dialog.ColorList()->activated(17);
    dialog.FontButton()->click();
    EXPECT_EQ(dialog.FontInfo()->text().toStdString(), FormatFontInfo(chosen));
    EXPECT_EQ(FormatFontInfo(chosen).substr(0, 20), "20 pt. Courier New  ");
    dialog.AdjustBox()->click();
    dialog.OkButton()->click();
  });
  EXPECT_TRUE(ReportTitleDialog(0, title));
  AnswerFontDialogs(nullptr);
  EXPECT_EQ(title.Text(), "Annual");
  EXPECT_EQ(title.Mode(), tmOnFirstPage);
  EXPECT_EQ(title.TextAlignX(), taLeft);
  EXPECT_EQ(title.TextAlignY(), taBottom);
  EXPECT_FALSE(title.Transparent());
  EXPECT_EQ(title.Color(), clRed);
  EXPECT_EQ(title.Font(), chosen);
  EXPECT_TRUE(title.AdjustOnReportScale());
}

TEST(ReportTitleDialog, TransparentDisablesTheColourWhichIsStillWrittenBack) {
  TdxReportTitle title;
  title.SetTransparent(false);
  title.SetColor(clAqua);
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmReportTitleProperties>(d);
    dialog.ColorList()->setCurrentIndex(6);  // "Lime"
    emit dialog.ColorList()->activated(6);
    dialog.TransparentBox()->click();
    EXPECT_FALSE(dialog.ColorList()->isEnabled());
    dialog.OkButton()->click();
  });
  EXPECT_TRUE(ReportTitleDialog(0, title));
  EXPECT_TRUE(title.Transparent());
  EXPECT_EQ(title.Color(), clLime);
}

TEST(ReportTitleDialog, CancelEscapeAndACancelledFontDialogChangeNothing) {
  TdxReportTitle title;
  title.SetText("Keep");
  AnswerFontDialogs([](const TFont&) -> std::optional<TFont> { return std::nullopt; });
  {
    DialogScope scope([](TCustomdxPSFmtDialog& d) {
      auto& dialog = As<TdxfmReportTitleProperties>(d);
      dialog.FontButton()->click();
      EXPECT_FALSE(dialog.Modified());
      dialog.TextBox()->setFocus();
      TypeText(*dialog.TextBox(), "x");
      dialog.CancelButton()->click();
    });
    EXPECT_FALSE(ReportTitleDialog(0, title));
  }
  AnswerFontDialogs(nullptr);
  {
    // Escape in the text box closes as Cancel; with Shift it does not.
    DialogScope scope([](TCustomdxPSFmtDialog& d) {
      auto& dialog = As<TdxfmReportTitleProperties>(d);
      dialog.TextBox()->setFocus();
      TypeText(*dialog.TextBox(), "y");
      SendKey(*dialog.TextBox(), Qt::Key_Escape, Qt::ShiftModifier);
      EXPECT_EQ(dialog.ModalResult(), mrNone);
      SendKey(*dialog.TextBox(), Qt::Key_Escape);
      EXPECT_EQ(dialog.ModalResult(), mrCancel);
    });
    EXPECT_FALSE(ReportTitleDialog(0, title));
  }
  EXPECT_EQ(title.Text(), "Keep");
  EXPECT_EQ(title.Font().Name, "Times New Roman");
}

TEST(ReportTitleDialog, RestoreDefaultsRefillsTheControls) {
  TdxReportTitle title;
  title.SetText("Old");
  title.SetTextAlignX(taLeft);
  title.SetMode(tmNone);
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmReportTitleProperties>(d);
    dialog.RestoreDefaultsButton()->click();
    EXPECT_TRUE(dialog.TextBox()->toPlainText().isEmpty());
    EXPECT_EQ(dialog.HorzList()->currentText(), "Center");
    EXPECT_EQ(dialog.ModeList()->currentIndex(), 2);
    EXPECT_TRUE(dialog.Modified());
    dialog.OkButton()->click();
  });
  EXPECT_TRUE(ReportTitleDialog(0, title));
  EXPECT_EQ(title.Text(), "");
  EXPECT_EQ(title.TextAlignX(), taCenterX);
  EXPECT_EQ(title.Mode(), tmOnEveryTopPage);
}

TEST(ReportTitleDialog, KeepsTheLastTabOnlyWithARegistryPath) {
  ScratchDir dir;
  SetRegistryFile(dir.Path("registry.ini"));
  TdxReportTitle title;
  int opened = -1;
  auto drive = [&](int choose) {
    return [&, choose](TCustomdxPSFmtDialog& d) {
      auto& dialog = As<TdxfmReportTitleProperties>(d);
      opened = dialog.Tabs()->currentIndex();
      dialog.Tabs()->setCurrentIndex(choose);
      dialog.CancelButton()->click();
    };
  };
  {
    DialogScope scope(drive(1));
    ReportTitleDialog(0, title);
  }
  {
    DialogScope scope(drive(0));
    ReportTitleDialog(0, title);
    EXPECT_EQ(opened, 0);  // nothing kept without a path
  }
  dxPSEngine()->RegistryPath = "Software\\FormatDialogsTest";
  {
    DialogScope scope(drive(1));
    ReportTitleDialog(0, title);
  }
  {
    DialogScope scope(drive(0));
    ReportTitleDialog(0, title);
    EXPECT_EQ(opened, 1);
  }
  TRegistry registry;
  EXPECT_TRUE(registry.OpenKeyReadOnly("\\Software\\FormatDialogsTest\\dxfmReportTitleProperties"));
  EXPECT_EQ(registry.ReadInteger("ActivePage"), 0);
  dxPSEngine()->RegistryPath.clear();
  SetRegistryFile("");
}

// ---- Report properties --------------------------------------------------------------------

class TestStorageItem : public TdxPSReportPropertiesItem {
 public:
  TdxPSReportDocument Document;
  bool ReadOnly = false;
  std::vector<std::string> Taken = {"Budget"};
  TdxPSReportDocument& ReportDocument() override { return Document; }
  bool IsReadOnly() const override { return ReadOnly; }
  bool CanRename(const std::string& name) const override {
    return !name.empty() && std::find(Taken.begin(), Taken.end(), name) == Taken.end();
  }
  std::string RenameErrorText(const std::string& name) const override {
    return "A report named \"" + name + "\" already exists";
  }
};

TEST(ReportPropertiesSheet, CaptionAndCreationDate) {
  EXPECT_EQ(TdxfmPSReportProperties::CaptionFor("Sales"), "\"Sales\"  Properties");
  EXPECT_EQ(TdxfmPSReportProperties::CaptionFor(""), "Properties");
  LocaleScope locale(QLocale(QLocale::English, QLocale::UnitedStates));
  const std::string text = TdxfmPSReportProperties::CreationText(dxEncodeDateTime(2024, 3, 5, 14, 7, 9));
  EXPECT_EQ(text.substr(0, text.find(",   ")), dxFormatDate(dxEncodeDateTime(2024, 3, 5), dxLocaleLongDateFormat()));
  EXPECT_NE(text.find(",   2:07:09"), std::string::npos) << text;
  EXPECT_NE(text.find("PM"), std::string::npos) << text;
}

TEST(ReportPropertiesSheet, FillsTheSummaryAndWritesNameAndDescriptionBack) {
  TestStorageItem item;
  item.Document.SetCaption("Sales");
  item.Document.SetCreator("ayse");
  item.Document.SetDescription("First quarter");
  item.Document.SetCreationDate(dxEncodeDateTime(2024, 3, 5, 9, 30));
  int changes = 0;
  item.Document.OnDocumentChanged = [&](TdxPSReportDocument&) { ++changes; };
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& sheet = As<TdxfmPSReportProperties>(d);
    EXPECT_EQ(sheet.windowTitle(), "\"Sales\"  Properties");
    EXPECT_EQ(sheet.size(), QSize(359, 475));
    EXPECT_EQ(sheet.Tabs()->tabText(0), "Summary");
    EXPECT_EQ(sheet.InnerTabs()->tabText(0), "Description");
    EXPECT_EQ(sheet.InnerTabs()->tabText(1), "Preview");
    EXPECT_EQ(sheet.NameBox()->text(), "Sales");
    EXPECT_FALSE(sheet.NameBox()->isReadOnly());
    EXPECT_EQ(sheet.NameBox()->palette().color(QPalette::Base), ColorToQColor(clWindow));
    EXPECT_EQ(sheet.CreatorBox()->text(), "ayse");
    EXPECT_TRUE(sheet.CreatorBox()->isReadOnly());
    EXPECT_EQ(sheet.CreatedBox()->text().toStdString(),
              TdxfmPSReportProperties::CreationText(dxEncodeDateTime(2024, 3, 5, 9, 30)));
    EXPECT_EQ(sheet.DescriptionBox()->toPlainText(), "First quarter");
    EXPECT_FALSE(sheet.PreviewButton()->isEnabled());  // no picture
    sheet.NameBox()->setText("Sales 2024");
    sheet.DescriptionBox()->setPlainText("All quarters");
    sheet.OkButton()->click();
  });
  EXPECT_TRUE(ReportPropertiesSheet(item));
  EXPECT_EQ(item.Document.Caption(), "Sales 2024");
  EXPECT_EQ(item.Document.Description(), "All quarters");
  EXPECT_EQ(changes, 1);  // one bracket
}

TEST(ReportPropertiesSheet, ARefusedNameKeepsTheSheetOpenWithTheItemsMessage) {
  MessageScope messages;
  TestStorageItem item;
  item.Document.SetCaption("Sales");
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& sheet = As<TdxfmPSReportProperties>(d);
    sheet.NameBox()->setText("Budget");
    sheet.OkButton()->click();
    EXPECT_EQ(sheet.ModalResult(), mrNone);
    EXPECT_TRUE(sheet.NameBox()->hasFocus());
    EXPECT_EQ(sheet.NameBox()->selectedText(), "Budget");
    sheet.NameBox()->setText("Forecast");
    sheet.OkButton()->click();
    EXPECT_EQ(sheet.ModalResult(), mrOk);
  });
  EXPECT_TRUE(ReportPropertiesSheet(item));
  ASSERT_EQ(messages.messages.size(), 1u);
  EXPECT_EQ(messages.messages[0].kind, TMessageBoxKind::Error);
  EXPECT_EQ(messages.messages[0].text, "A report named \"Budget\" already exists");
  EXPECT_EQ(item.Document.Caption(), "Forecast");
}

TEST(ReportPropertiesSheet, ReadOnlyItemsAndCancel) {
  TestStorageItem item;
  item.ReadOnly = true;
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& sheet = As<TdxfmPSReportProperties>(d);
    EXPECT_EQ(sheet.windowTitle(), "Properties");
    EXPECT_TRUE(sheet.NameBox()->isReadOnly());
    EXPECT_EQ(sheet.NameBox()->palette().color(QPalette::Base), ColorToQColor(clBtnFace));
    sheet.CancelButton()->click();
  });
  EXPECT_FALSE(ReportPropertiesSheet(item));
  EXPECT_EQ(item.Document.Caption(), "");
}

// ---- Through the report link ----------------------------------------------------------------

// A report of one red cell, laid out and painted by the real renderer.
class TFormatTestLink : public TBasedxReportLink {
  DX_CLASS(TFormatTestLink, TBasedxReportLink)

 public:
  void ConstructReport(TdxReportCells& cells) override {
    TBasedxReportLink::ConstructReport(cells);
    cells.ClearItems();
    cells.Cells()->SetBounds(0, 0, 200, 100);
    cells.Cells()->SetTransparent(true);
    auto* cell = new TdxReportCell(cells.Cells());
    cell->SetBounds(10, 10, 50, 20);
    cell->SetColor(clRed);
    cell->SetTransparent(false);
  }
};

class LinkDialogsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dxPSReportLinkDialogs() = TdxReportLinkDialogs{};
    componentClass_ = dxComponentClassOf(&widget);
    dxPSRegisterReportLink(TFormatTestLink::StaticClass(), componentClass_, nullptr);
    link = new TFormatTestLink;
    link->SetComponentPrinter(&printer);
    link->SetComponent(&widget);
  }
  void TearDown() override {
    dxPSUnregisterReportLink(TFormatTestLink::StaticClass(), componentClass_, nullptr);
    dxPSReportLinkDialogs() = TdxReportLinkDialogs{};
  }

  // The first page at screen size.
  QImage Paint() {
    const TPoint size = link->PrinterPage().OrientedPageSizePixels();
    QImage image(size.X, size.Y, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    link->PaintPage(canvas, TRect(0, 0, size.X, size.Y), 100, 0);
    return image;
  }
  // The rows above the top margin, where the header band lies.
  QImage HeaderBand(const QImage& page) {
    const int top = link->PrinterPage().MarginsLoMetric().Top * 96 / 254;
    return page.copy(0, 0, page.width(), top);
  }
  static int CountColor(const QImage& image, unsigned rgb) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
      for (int x = 0; x < image.width(); ++x) n += PixelRGB(image, x, y) == rgb;
    return n;
  }

  QWidget widget;
  TdxComponentPrinter printer;
  TFormatTestLink* link = nullptr;
  TdxClass componentClass_ = nullptr;
};

TEST_F(LinkDialogsTest, WithoutInstalledDialogsTheOperationsAnswerFalse) {
  EXPECT_FALSE(link->ShowDateTimeFormatsDialog());
  EXPECT_FALSE(link->ShowPageNumberFormatsDialog());
  EXPECT_FALSE(link->ShowTitlePropertiesDialog());
}

TEST_F(LinkDialogsTest, ChosenDateAndTimeFormatsReachTheLinkAndTheHeader) {
  dxPSRegisterFormatDialogs();
  ASSERT_TRUE(link->IsCurrentLink());
  link->PrinterPage().PageHeader().SetCenterTitle({"[Date Printed]"});
  link->PrinterPage().PageFooter().SetCenterTitle({"[Time Printed]"});
  link->SetActive(true);
  ASSERT_TRUE(link->Active());
  link->SetDateTime(dxEncodeDateTime(2024, 3, 5, 14, 7, 9));
  const int isoDate = 4;  // "yyyy-MM-dd"
  ASSERT_EQ(DateFormatList()[isoDate], "yyyy-MM-dd");
  const QImage before = Paint();
  const QImage band = HeaderBand(before);
  EXPECT_LT(CountColor(band, 0xFFFFFF), band.width() * band.height());  // the date is drawn there

  DialogScope scope([&](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmDateTimeFormats>(d);
    EXPECT_EQ(dialog.DateList()->currentRow(), 0);
    ClickItem(dialog.DateList(), isoDate);
    ClickItem(dialog.TimeList(), 3);
    dialog.AutoUpdateBox()->click();
    dialog.OkButton()->click();
  });
  EXPECT_TRUE(link->ShowDateTimeFormatsDialog());
  EXPECT_EQ(link->DateFormat(), isoDate);
  EXPECT_EQ(link->TimeFormat(), 3);
  EXPECT_FALSE(printer.AutoUpdateDateTime);
  EXPECT_EQ(printer.DateFormat(), 0);  // not made the default
  EXPECT_TRUE(link->AssignedFormatValues() & dxBit(fvDate));
  EXPECT_EQ(ExpandHFText("[Date Printed]"), " 2024-03-05 ");
  EXPECT_EQ(ExpandHFText("[Time Printed]"), " " + dxFormatTime(link->DateTime(), TimeFormatList()[3]) + " ");
  EXPECT_NE(HeaderBand(Paint()), HeaderBand(before));
}

TEST_F(LinkDialogsTest, DefaultMakesThePrinterTakeTheFormats) {
  dxPSRegisterFormatDialogs();
  MessageScope messages;
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmDateTimeFormats>(d);
    ClickItem(dialog.DateList(), 5);
    ClickItem(dialog.TimeList(), 2);
    dialog.DefaultButton()->click();
    dialog.OkButton()->click();
  });
  EXPECT_TRUE(link->ShowDateTimeFormatsDialog());
  EXPECT_EQ(printer.DateFormat(), 5);
  EXPECT_EQ(printer.TimeFormat(), 2);
  EXPECT_EQ(link->DateFormat(), 5);
  // Equal to the printer's: the link follows the printer again.
  EXPECT_FALSE(link->AssignedFormatValues() & (dxBit(fvDate) | dxBit(fvTime)));
}

TEST_F(LinkDialogsTest, CancelledFormatDialogsChangeNothingAndTheHeaderStays) {
  dxPSRegisterFormatDialogs();
  link->PrinterPage().PageHeader().SetCenterTitle({"[Date Printed] [Page #]"});
  link->SetActive(true);
  link->SetDateTime(dxEncodeDateTime(2024, 3, 5));
  const QImage before = Paint();
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    if (auto* dates = dynamic_cast<TdxfmDateTimeFormats*>(&d)) {
      ClickItem(dates->DateList(), 4);
      dates->AutoUpdateBox()->click();
    } else {
      auto& pages = As<TdxfmPageNumberFormat>(d);
      ChooseEntry(pages.FormatList(), 4);
      RetypeValue(pages.StartAtEdit(), "X");
    }
    d.CancelButton()->click();
  });
  EXPECT_FALSE(link->ShowDateTimeFormatsDialog());
  EXPECT_FALSE(link->ShowPageNumberFormatsDialog());
  EXPECT_EQ(scope.shown, 2);
  EXPECT_EQ(link->DateFormat(), 0);
  EXPECT_TRUE(printer.AutoUpdateDateTime);
  EXPECT_EQ(link->PageNumberFormat(), pnfNumeral);
  EXPECT_EQ(link->StartPageIndex(), 1);
  EXPECT_EQ(link->AssignedFormatValues(), 0u);
  EXPECT_EQ(HeaderBand(Paint()), HeaderBand(before));
}

TEST_F(LinkDialogsTest, PageNumberFormatAndStartPageReachTheLinkAndThePrinterOnRequest) {
  dxPSRegisterFormatDialogs();
  MessageScope messages;
  link->PrinterPage().PageHeader().SetCenterTitle({"[Page #]"});
  link->SetActive(true);
  const QImage before = Paint();
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmPageNumberFormat>(d);
    EXPECT_FALSE(dialog.ContinueButton()->isEnabled());  // the base link has no continuation
    ChooseEntry(dialog.FormatList(), 4);
    RetypeValue(dialog.StartAtEdit(), "XIV");
    dialog.DefaultButton()->click();
    dialog.OkButton()->click();
  });
  EXPECT_TRUE(link->ShowPageNumberFormatsDialog());
  EXPECT_EQ(link->PageNumberFormat(), pnfUpperRoman);
  EXPECT_EQ(printer.PageNumberFormat(), pnfUpperRoman);
  EXPECT_EQ(link->StartPageIndex(), 14);
  GetHFFormatObject()->CurrentPage = 1;
  EXPECT_EQ(ExpandHFText("[Page #]"), " XIV ");
  EXPECT_NE(HeaderBand(Paint()), HeaderBand(before));

  // The dialog opens on the link's values, in their style.
  DialogScope again([](TCustomdxPSFmtDialog& d) {
    EXPECT_EQ(As<TdxfmPageNumberFormat>(d).StartAtEdit()->text(), "XIV");
    d.CancelButton()->click();
  });
  EXPECT_FALSE(link->ShowPageNumberFormatsDialog());
}

TEST_F(LinkDialogsTest, AcceptedTitleReachesTheLinkAndIsPainted) {
  dxPSRegisterFormatDialogs();
  link->SetActive(true);
  const QImage before = Paint();
  EXPECT_EQ(CountColor(before, 0x00FF00), 0);
  TFont font = link->ReportTitle().Font();
  font.SetSize(24);
  AnswerFontDialogs([&](const TFont&) -> std::optional<TFont> { return font; });
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmReportTitleProperties>(d);
    dialog.TextBox()->setFocus();
    TypeText(*dialog.TextBox(), "Sales");
    dialog.TransparentBox()->click();
    dialog.ColorList()->setCurrentIndex(6);  // "Lime"
    emit dialog.ColorList()->activated(6);
    ChooseEntry(dialog.HorzList(), 2);
    dialog.FontButton()->click();
    dialog.OkButton()->click();
  });
  EXPECT_TRUE(link->ShowTitlePropertiesDialog());
  AnswerFontDialogs(nullptr);
  EXPECT_EQ(link->ReportTitleText(), "Sales");
  EXPECT_EQ(link->ReportTitle().TextAlignX(), taRight);
  EXPECT_EQ(link->ReportTitle().Color(), clLime);
  EXPECT_EQ(link->ReportTitle().Font().Size(), 24);
  // The layout was re-calculated with a title: its area is painted lime.
  const QImage after = Paint();
  EXPECT_GT(CountColor(after, 0x00FF00), 1000);
}

TEST_F(LinkDialogsTest, CancelledTitleDialogChangesNothing) {
  dxPSRegisterFormatDialogs();
  link->SetReportTitleText("Old");
  DialogScope scope([](TCustomdxPSFmtDialog& d) {
    auto& dialog = As<TdxfmReportTitleProperties>(d);
    dialog.TextBox()->setFocus();
    TypeText(*dialog.TextBox(), "New");
    dialog.TransparentBox()->click();
    d.CancelButton()->click();
  });
  EXPECT_FALSE(link->ShowTitlePropertiesDialog());
  EXPECT_EQ(link->ReportTitleText(), "Old");
  EXPECT_TRUE(link->ReportTitle().Transparent());
}

TEST_F(LinkDialogsTest, TitleOfAStoredReportCannotBeEdited) {
  dxPSRegisterFormatDialogs();
  DialogScope scope([](TCustomdxPSFmtDialog& d) { d.OkButton()->click(); });
  TdxReportLinkStorage saved = dxPSReportLinkStorage();
  dxPSReportLinkStorage().IsReportStream = [](TByteView) { return true; };
  dxPSReportLinkStorage().ReadReport = [](TBasedxReportLink&, TByteView) {};
  const std::string bytes = "RPT";
  link->LoadFromStream(TByteView(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size()));
  ASSERT_TRUE(link->IsExternalStorage());
  EXPECT_FALSE(link->CanChangeTitle());
  EXPECT_FALSE(link->ShowTitlePropertiesDialog());
  EXPECT_EQ(scope.shown, 0);
  dxPSReportLinkStorage() = saved;
}

}  // namespace
