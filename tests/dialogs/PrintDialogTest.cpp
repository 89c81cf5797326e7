// The print dialog driven through its controls on printers described by hand:
// page ranges and their messages, the enabling rules, copies and the
// collation picture, print to file, the print styles panel, and printing
// through the component printer.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QAbstractItemView>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <optional>

#include "dialogs/PrintDialog.h"
#include "dialogs/PrintStyles.h"
#include "platform/Application.h"
#include "platform/Dialogs.h"
#include "platform/MessageDialogs.h"
#include "platform/Registry.h"
#include "report/EngineSettings.h"
#include "tests/editors/DialogControlsSupport.h"
#include "tests/dialogs/PrintDialogTestSupport.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/ModalAnswers.h"

namespace M = dxPSPrintDialogMessages;

namespace {

std::vector<std::string> g_errors;
void CollectError(const std::string&, const std::string& text) { g_errors.push_back(text); }

// The groups of columns that hold anything but the background: one per stack
// of the collation picture (left, width, height of each).
struct Stack {
  int Left, Width, Top, Bottom;
  int Height() const { return Bottom - Top + 1; }
};
std::vector<Stack> Stacks(const QImage& image) {
  const QRgb background = image.pixel(0, 0);
  std::vector<Stack> stacks;
  for (int x = 0; x < image.width(); ++x) {
    int top = -1, bottom = -1;
    for (int y = 0; y < image.height(); ++y)
      if (image.pixel(x, y) != background) {
        if (top < 0) top = y;
        bottom = y;
      }
    if (top < 0) continue;
    if (stacks.empty() || stacks.back().Left + stacks.back().Width != x) {
      stacks.push_back({x, 1, top, bottom});
    } else {
      Stack& s = stacks.back();
      ++s.Width;
      s.Top = std::min(s.Top, top);
      s.Bottom = std::max(s.Bottom, bottom);
    }
  }
  return stacks;
}

class PrintDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto device = std::make_unique<HandPrintDevice>();
    device->Printers = {{"Office", true, false}, {"Remote", false, true}, {"Plain", false, false}};
    device->Descriptions = {HandLetterPrinter("Office"), HandLetterPrinter("Remote"), HandLetterPrinter("Plain")};
    device->Default = "Office";
    device_.emplace(std::move(device));
    AnswerMessageBoxes([this](TMessageBoxKind kind, const std::string&, const std::string& text) {
      messages.push_back(text);
      kinds.push_back(kind);
      return answer;
    });
    g_errors.clear();
    AnswerErrorBoxes(CollectError);
  }
  void TearDown() override {
    AnswerModal<TdxfmPrintDialog>({});
    AnswerMessageBoxes({});
    AnswerErrorBoxes(nullptr);
    AnswerModal<QDialog>("DocumentProperties", nullptr);
    AnswerFileDialogs({});
  }

  TdxPrintDevice& Device() { return device_->Device(); }

  bool Run(const std::function<void(TdxfmPrintDialog&)>& drive) { return RunPrintDialog(records, drive); }

  std::optional<ScopedPrintDevice> device_;
  DialogRecords records;
  std::vector<std::string> messages;
  std::vector<TMessageBoxKind> kinds;
  bool answer = true;
  ScratchDir dir;
};

void TypeText(QWidget& w, const std::string& text) {
  for (char c : text) TypeChar(w, QChar(c));
}

}  // namespace

// ---- Page ranges ---------------------------------------------------------------------------

TEST(PrintDialogPageRanges, HugeRangesAreJudgedByArithmetic) {
  // 1-2000000000 is never built as a list: it is simply beyond page 10.
  std::vector<int> pages{7};
  EXPECT_EQ(dxPSCheckPageRanges("1-2000000000", 1, 10), prcOutOfRange);
  EXPECT_EQ(dxPSCheckPageRanges("1-2000000000", 1, 10, &pages), prcOutOfRange);
  EXPECT_TRUE(pages.empty());
  EXPECT_EQ(dxPSCheckPageRanges("5,1-2000000000,3", 1, -1), prcValid);
  // In range but too long to hold as a list.
  EXPECT_EQ(dxPSCheckPageRanges("1-2000000000", 1, -1, &pages), prcInvalid);
  EXPECT_EQ(dxPSCheckPageRanges("1-2147483647,1-2147483647", 1, 2147483647), prcValid);
  // The rules of the parser still hold.
  EXPECT_EQ(dxPSCheckPageRanges("5-", 1, 10), prcInvalid);  // page 0 first
  EXPECT_EQ(dxPSCheckPageRanges("1,5-", 1, 10), prcOutOfRange);  // page 0 later: below MinPage
  EXPECT_EQ(dxPSCheckPageRanges("2000000000-1", 1, -1), prcInvalid);
  EXPECT_EQ(dxPSCheckPageRanges("1,3,5-12", 1, 20, &pages), prcValid);
  EXPECT_EQ(pages, (std::vector<int>{1, 3, 5, 6, 7, 8, 9, 10, 11, 12}));
}

TEST_F(PrintDialogTest, PageRangeMessagesKeepTheDialogOpen) {
  records.dialog.MaxPage = 10;
  bool result = Run([&](TdxfmPrintDialog& d) {
    QLineEdit* edit = d.PageRangesEdit();
    d.PageRangesButton()->click();
    EXPECT_TRUE(edit->hasFocus());

    d.OKButton()->click();  // nothing typed
    edit->setText("12-5");
    d.OKButton()->click();
    edit->setText("1,x");  // pasted: the keys would refuse the letter
    d.OKButton()->click();
    edit->setText("1,3,5-12");
    d.OKButton()->click();
    edit->setText("1-2000000000");
    d.OKButton()->click();
    EXPECT_EQ(d.ModalResult(), mrNone);
    EXPECT_TRUE(edit->hasFocus());
    d.CancelButton()->click();
  });
  EXPECT_FALSE(result);
  EXPECT_EQ(messages, (std::vector<std::string>{M::EnterPageNumbers, M::InvalidPageRanges, M::InvalidPageRanges,
                                                "Page numbers out of range (1 - 10)",
                                                "Page numbers out of range (1 - 10)"}));
  for (TMessageBoxKind kind : kinds) EXPECT_EQ(kind, TMessageBoxKind::Warning);
  // Cancelled: the caller's data is as it was.
  EXPECT_EQ(records.dialog.PageRangeKind, prkAll);
  EXPECT_EQ(records.dialog.PageRanges, "");
}

TEST_F(PrintDialogTest, ValidRangesAreStoredWithoutSpaces) {
  records.dialog.MaxPage = 20;
  EXPECT_TRUE(Run([&](TdxfmPrintDialog& d) {
    d.PageRangesButton()->click();
    d.PageRangesEdit()->setText(" 1 , 3,5-12 ");
    d.OKButton()->click();
  }));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(records.dialog.PageRangeKind, prkPageRanges);
  EXPECT_EQ(records.dialog.PageRanges, "1,3,5-12");
}

TEST_F(PrintDialogTest, EnterConfirmsAndEscapeCancels) {
  records.dialog.MaxPage = 5;
  EXPECT_FALSE(Run([&](TdxfmPrintDialog& d) {
    QLineEdit* edit = d.PageRangesEdit();
    edit->setFocus();
    TypeText(*edit, "7");
    SendKey(*edit, Qt::Key_Return, Qt::NoModifier, "\r");  // OK: the range is checked
    EXPECT_EQ(d.ModalResult(), mrNone);
    SendKey(*edit, Qt::Key_Escape);
    EXPECT_EQ(d.ModalResult(), mrCancel);
  }));
  EXPECT_EQ(messages, (std::vector<std::string>{"Page numbers out of range (1 - 5)"}));
  messages.clear();
  EXPECT_TRUE(Run([&](TdxfmPrintDialog& d) {
    QLineEdit* edit = d.PageRangesEdit();
    edit->setFocus();
    TypeText(*edit, "5");
    SendKey(*edit, Qt::Key_Enter, Qt::NoModifier, "\r");
  }));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(records.dialog.PageRanges, "5");
}

TEST_F(PrintDialogTest, WithoutValidationAnythingIsTaken) {
  records.data.Validate = false;
  EXPECT_TRUE(Run([&](TdxfmPrintDialog& d) {
    d.PageRangesButton()->click();
    d.PageRangesEdit()->setText("12-5");
    d.OKButton()->click();
  }));
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(records.dialog.PageRanges, "12-5");
}

TEST_F(PrintDialogTest, PageRangeKeysAndTyping) {
  Run([&](TdxfmPrintDialog& d) {
    BeepCounter beeps;
    QLineEdit* edit = d.PageRangesEdit();
    edit->setFocus();
    ASSERT_TRUE(edit->hasFocus());
    EXPECT_TRUE(d.AllPagesButton()->isChecked());
    // A dash, a comma or backspace into the empty edit is refused with a beep.
    TypeChar(*edit, '-');
    TypeChar(*edit, ',');
    SendKey(*edit, Qt::Key_Backspace, Qt::NoModifier, "\b");
    EXPECT_EQ(edit->text(), "");
    EXPECT_EQ(beeps.count, 3);
    // Digits always; typing chooses "Pages:".
    TypeText(*edit, "1-3,5");
    EXPECT_EQ(edit->text(), "1-3,5");
    EXPECT_TRUE(d.PageRangesButton()->isChecked());
    // Letters and blanks never.
    TypeChar(*edit, 'a');
    TypeChar(*edit, ' ');
    EXPECT_EQ(edit->text(), "1-3,5");
    EXPECT_EQ(beeps.count, 5);
    SendKey(*edit, Qt::Key_Backspace, Qt::NoModifier, "\b");
    EXPECT_EQ(edit->text(), "1-3,");
    EXPECT_EQ(beeps.count, 5);
    // Delete, with the text the window system gives it, edits like Backspace.
    edit->setCursorPosition(0);
    SendKey(*edit, Qt::Key_Delete, Qt::NoModifier, QString(QChar(0x7F)));
    EXPECT_EQ(edit->text(), "-3,");
    EXPECT_EQ(beeps.count, 5);
    d.CancelButton()->click();
  });
}

TEST_F(PrintDialogTest, LeavingTheEditChecksTheRanges) {
  Run([&](TdxfmPrintDialog& d) {
    QLineEdit* edit = d.PageRangesEdit();
    TdxPSWarningPane* pane = d.WarningPane();
    edit->setFocus();
    TypeText(*edit, "20");

    BeepCounter beeps;
    d.Copies()->setFocus();  // out of range
    EXPECT_TRUE(pane->State());
    EXPECT_FALSE(pane->isHidden());
    EXPECT_EQ(pane->Text(), "Page numbers out of range (1 - 10)");
    EXPECT_EQ(beeps.count, 2);  // the dialog's and the pane's own
    // It leaves the captions of the radio buttons beside it readable.
    for (QRadioButton* button : {d.AllPagesButton(), d.CurrentPageButton(), d.SelectionButton()})
      EXPECT_FALSE(pane->geometry().intersects(QRect(button->pos(), button->sizeHint())))
          << button->text().toStdString();

    // Towards the other kinds: no check; the kind then clears the edit.
    edit->setFocus();
    edit->setText("12-5");
    beeps.count = 0;
    d.CurrentPageButton()->setFocus();
    EXPECT_EQ(pane->Text(), "Page numbers out of range (1 - 10)");
    EXPECT_EQ(beeps.count, 0);

    // Towards OK: the message without the dialog's beep.
    edit->setFocus();
    d.OKButton()->setFocus();
    EXPECT_EQ(pane->Text(), M::InvalidPageRanges);
    EXPECT_EQ(beeps.count, 0);

    // Blanks go; a good text hides the pane.
    edit->setFocus();
    edit->setText("2 , 4");
    d.Copies()->setFocus();
    EXPECT_EQ(edit->text(), "2,4");
    EXPECT_FALSE(pane->State());

    // Another kind clears the edit and keeps the pane hidden.
    d.AllPagesButton()->click();
    EXPECT_EQ(edit->text(), "");
    EXPECT_TRUE(pane->isHidden());
    d.CancelButton()->click();
  });
}

// ---- Window and enabling rules -------------------------------------------------------------

TEST_F(PrintDialogTest, WindowShowsTheRecords) {
  records.dialog.Copies = 3;
  records.dialog.Collate = true;
  records.dialog.NumberOfPages = dxPageFilterOdd;
  records.dialog.PageRangeKind = prkPageRanges;
  records.dialog.PageRanges = "2-4";
  records.data.Title = "Print the calendar";
  Run([&](TdxfmPrintDialog& d) {
    EXPECT_EQ(d.windowTitle(), "Print the calendar");
    EXPECT_EQ(d.OKButton()->text(), "Print");
    EXPECT_EQ(d.CancelButton()->text(), "Cancel");
    EXPECT_EQ(d.PreviewButton()->text(), "Pre&view...");
    EXPECT_EQ(d.PropertiesButton()->text(), "P&roperties...");
    EXPECT_EQ(d.NetworkButton()->text(), "Net&work...");
    EXPECT_EQ(d.DescriptionLabel()->text().toStdString(),
              "Enter page number and/or page ranges\nseparated by commas. For example: 1,3,5-12.");
    EXPECT_TRUE(d.PageRangesButton()->isChecked());
    EXPECT_EQ(d.PageRangesEdit()->text(), "2-4");
    EXPECT_EQ(d.NumberOfPages()->currentText(), "Odd");
    EXPECT_EQ(d.Copies()->AsInteger(), 3);
    EXPECT_EQ(d.Copies()->MaxValue(), 99);  // the printer's limit
    EXPECT_TRUE(d.CollateCheck()->isChecked());
    // Selection is neither visible nor enabled in the default options.
    EXPECT_TRUE(d.SelectionButton()->isHidden());
    EXPECT_FALSE(d.AllPagesButton()->isHidden());
    // The copies box has the focus.
    EXPECT_TRUE(d.Copies()->hasFocus());
    // The labels lead to their controls.
    SendMouse(*d.CopiesLabel(), QEvent::MouseButtonPress, QPoint(2, 2));
    EXPECT_TRUE(d.Copies()->hasFocus());
    SendMouse(*d.NameLabel(), QEvent::MouseButtonPress, QPoint(2, 2));
    EXPECT_TRUE(d.Printers()->view()->isVisible());
    d.Printers()->hidePopup();
    SendMouse(*d.NumberOfPagesLabel(), QEvent::MouseButtonPress, QPoint(2, 2));
    EXPECT_TRUE(d.NumberOfPages()->view()->isVisible());
    d.NumberOfPages()->hidePopup();
    // No style manager, no page setup handler: no bottom-left button.
    EXPECT_TRUE(d.PageSetupButton()->isHidden());
    EXPECT_TRUE(d.PrintStylesPanel()->isHidden());
    d.CancelButton()->click();
  });
}

TEST_F(PrintDialogTest, PrintToFileEnabling) {
  Run([&](TdxfmPrintDialog& d) {
    EXPECT_FALSE(d.PrintToFileCheck()->isChecked());
    EXPECT_FALSE(d.FileNames()->isEnabled());
    EXPECT_FALSE(d.BrowseButton()->isEnabled());
    EXPECT_EQ(d.FileNames()->palette().color(QPalette::Base), ColorToQColor(clBtnFace));
    EXPECT_TRUE(d.OKButton()->isEnabled());
    EXPECT_TRUE(d.Printers()->isEnabled());

    d.PrintToFileCheck()->click();
    EXPECT_TRUE(d.FileNames()->isEnabled());
    EXPECT_TRUE(d.BrowseButton()->isEnabled());
    EXPECT_TRUE(d.BrowseButton()->hasFocus());
    EXPECT_EQ(d.FileNames()->palette().color(QPalette::Base), ColorToQColor(clWindow));
    d.CancelButton()->click();
  });

  // Print to file shown but not enabled: the box stays disabled.
  records.data.OptionsEnabled &= ~pdoPrintToFile;
  records.dialog.PrintToFile = true;
  Run([&](TdxfmPrintDialog& d) {
    EXPECT_TRUE(d.PrintToFileCheck()->isChecked());
    EXPECT_FALSE(d.PrintToFileCheck()->isEnabled());
    EXPECT_FALSE(d.FileNames()->isEnabled());
    d.CancelButton()->click();
  });
}

TEST_F(PrintDialogTest, HiddenPartsShrinkAndMoveTheWindow) {
  int fullHeight = 0, okLeft = 0, cancelLeft = 0;
  Run([&](TdxfmPrintDialog& d) {
    fullHeight = d.height();
    okLeft = d.OKButton()->x();
    cancelLeft = d.CancelButton()->x();
    EXPECT_TRUE(d.HelpButton()->isHidden());  // no help context
    EXPECT_GT(cancelLeft, okLeft);
    // With a help context, Help takes the last place and OK and Cancel move left.
    d.SetHelpContext(7);
    EXPECT_FALSE(d.HelpButton()->isHidden());
    EXPECT_EQ(d.HelpButton()->x(), cancelLeft);
    EXPECT_EQ(d.CancelButton()->x(), okLeft);
    EXPECT_LT(d.OKButton()->x(), okLeft);
    // Preview is in the first place, Page Setup being hidden.
    EXPECT_EQ(d.PreviewButton()->x(), 8);
    d.CancelButton()->click();
  });

  records.data.OptionsVisible &= ~pdoPrintToFile;
  records.data.ButtonsVisible &= ~(pdbNetwork | pdbPreview);
  Run([&](TdxfmPrintDialog& d) {
    EXPECT_TRUE(d.PrintToFilePanel()->isHidden());
    EXPECT_EQ(d.height(), fullHeight - 32);
    EXPECT_TRUE(d.NetworkButton()->isHidden());
    EXPECT_TRUE(d.PreviewButton()->isHidden());
    d.CancelButton()->click();
  });

  // All four kinds hidden: the page range group goes.
  records.data.OptionsVisible = 0;
  Run([&](TdxfmPrintDialog& d) {
    EXPECT_TRUE(d.PageRangeGroup()->isHidden());
    d.CancelButton()->click();
  });
}

TEST_F(PrintDialogTest, DisabledOptionsAndButtons) {
  records.data.ButtonsEnabled = pdbAll & ~(pdbPrinterProperties | pdbPreview | pdbNetwork);
  records.data.OptionsEnabled = pdoAllPages | pdoPageRange;
  Run([&](TdxfmPrintDialog& d) {
    EXPECT_FALSE(d.PropertiesButton()->isEnabled());
    EXPECT_FALSE(d.PreviewButton()->isEnabled());
    EXPECT_FALSE(d.NetworkButton()->isEnabled());
    EXPECT_FALSE(d.CurrentPageButton()->isEnabled());
    EXPECT_FALSE(d.PrintToFileCheck()->isEnabled());
    EXPECT_TRUE(d.PageRangesEdit()->isEnabled());
    EXPECT_TRUE(d.DescriptionLabel()->isEnabled());
    d.CancelButton()->click();
  });
  records.data.ButtonsEnabled = pdbAll;
  records.data.OptionsEnabled = pdoAllPages;
  records.dialog.PageRanges = "3";
  Run([&](TdxfmPrintDialog& d) {
    EXPECT_FALSE(d.PageRangesEdit()->isEnabled());
    EXPECT_FALSE(d.DescriptionLabel()->isEnabled());
    EXPECT_EQ(d.PageRangesEdit()->text(), "");  // a disabled edit does not get the text
    EXPECT_EQ(d.NetworkButton()->isEnabled(), PrintBackend::NetworkPresent());
    d.CancelButton()->click();
  });
}

TEST_F(PrintDialogTest, PrinterListAndChoosingAPrinter) {
  Run([&](TdxfmPrintDialog& d) {
    QComboBox* list = d.Printers();
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->itemText(0), "Office");
    EXPECT_EQ(list->itemText(1), "Remote");
    EXPECT_EQ(list->currentIndex(), 0);  // the default printer
    // Default and network marks make the images differ.
    const QImage office = list->itemIcon(0).pixmap(16, 16).toImage();
    const QImage remote = list->itemIcon(1).pixmap(16, 16).toImage();
    const QImage plain = list->itemIcon(2).pixmap(16, 16).toImage();
    EXPECT_NE(office, plain);
    EXPECT_NE(remote, plain);
    EXPECT_NE(office, remote);

    list->setCurrentIndex(2);
    emit list->activated(2);
    EXPECT_EQ(Device().SelectedPrinter(), 2);
    EXPECT_EQ(d.CancelButton()->text(), "Close");
    d.CancelButton()->click();
  });
  // Cancelled, yet the printer stays chosen: it is the device's.
  EXPECT_EQ(*Device().DeviceName(), "Plain");
}

TEST_F(PrintDialogTest, AVanishedPrinterIsReported) {
  auto& hand = static_cast<HandPrintDevice&>(Device());
  Run([&](TdxfmPrintDialog& d) {
    hand.Descriptions.pop_back();  // "Plain" can no longer be opened
    d.Printers()->setCurrentIndex(2);
    emit d.Printers()->activated(2);
    EXPECT_EQ(g_errors, (std::vector<std::string>{"Printer selected is not valid."}));
    EXPECT_EQ(d.Printers()->currentIndex(), Device().SelectedPrinter());
    EXPECT_EQ(d.CancelButton()->text(), "Cancel");
    d.CancelButton()->click();
  });
}

TEST_F(PrintDialogTest, PropertiesTakeCopiesAndCollationBack) {
  int shown = 0;
  AnswerModal<QDialog>("DocumentProperties", [&](QDialog& dialog) {
    ++shown;
    EXPECT_EQ(dialog.windowTitle().toStdString(), "Office Document Properties");
    auto* copies = dialog.findChild<QSpinBox*>("Copies");
    auto* collate = dialog.findChild<QCheckBox*>("Collate");
    ASSERT_NE(copies, nullptr);
    ASSERT_NE(collate, nullptr);
    EXPECT_EQ(copies->value(), 2);  // the dialog's copies went to the device
    copies->setValue(4);
    collate->setChecked(true);
    dialog.accept();
  });
  EXPECT_TRUE(Run([&](TdxfmPrintDialog& d) {
    d.Copies()->SetValue(2);
    d.PropertiesButton()->click();
    EXPECT_EQ(d.Copies()->AsInteger(), 4);
    EXPECT_TRUE(d.CollateCheck()->isChecked());
    EXPECT_EQ(d.CancelButton()->text(), "Close");
    d.OKButton()->click();
  }));
  EXPECT_EQ(shown, 1);
  EXPECT_EQ(records.dialog.Copies, 4);
  EXPECT_TRUE(records.dialog.Collate);
}

TEST_F(PrintDialogTest, PropertiesWhilePrintingOnlyWarn) {
  int shown = 0;
  AnswerModal<QDialog>("DocumentProperties", [&](QDialog& dialog) {
    ++shown;
    dialog.accept();
  });
  Device().JobOutputFile = dir.Path("busy.pdf");
  ASSERT_GT(Device().BeginJob(), 0);
  Run([&](TdxfmPrintDialog& d) {
    d.PropertiesButton()->click();
    d.CancelButton()->click();
  });
  Device().AbortJob();
  EXPECT_EQ(shown, 0);
  EXPECT_EQ(messages, (std::vector<std::string>{"Printer is currently printing.\n\rPlease wait."}));
}

TEST_F(PrintDialogTest, NoPrintersNoDialog) {
  auto& hand = static_cast<HandPrintDevice&>(Device());
  hand.Printers.clear();
  hand.RefreshPrinters();
  bool ran = false;
  AnswerModal<TdxfmPrintDialog>([&](TdxfmPrintDialog&) { ran = true; });
  EXPECT_FALSE(dxShowPrintDialog(records.data));
  EXPECT_FALSE(ran);
  EXPECT_EQ(messages, (std::vector<std::string>{M::NoPrinters}));
  // Without dialog data nothing is shown at all.
  messages.clear();
  records.data.DialogData = nullptr;
  EXPECT_FALSE(dxShowPrintDialog(records.data));
  EXPECT_TRUE(messages.empty());
}

TEST_F(PrintDialogTest, PreviewCancelsAndRequests) {
  EXPECT_FALSE(Run([&](TdxfmPrintDialog& d) {
    d.CollateCheck()->click();
    d.PreviewButton()->click();
    EXPECT_EQ(d.ModalResult(), mrCancel);
  }));
  EXPECT_TRUE(records.data.Requested);
  EXPECT_FALSE(records.dialog.Collate);  // the change did not go back
}

TEST_F(PrintDialogTest, HandlersOfTheCaller) {
  std::vector<std::string> calls;
  records.events.OnShow = [&](QWidget* w) {
    calls.push_back("show");
    EXPECT_TRUE(w->isVisible());
  };
  records.events.OnHide = [&](QWidget* w) {
    calls.push_back("hide");
    EXPECT_TRUE(w->isVisible());
  };
  records.events.OnPageSetup = [&](QWidget*, bool& done, bool* previewChosen, bool& requested) {
    calls.push_back("setup");
    EXPECT_TRUE(done);
    EXPECT_EQ(previewChosen, nullptr);
    if (calls.size() == 4) throw EdxPrintEngine("no page setup today");
    if (calls.size() == 5) requested = true;
  };
  EXPECT_TRUE(Run([&](TdxfmPrintDialog& d) {
    calls.push_back("drive");
    EXPECT_FALSE(d.PageSetupButton()->isHidden());
    EXPECT_EQ(d.PageSetupButton()->text(), "Pa&ge Setup...");
    EXPECT_EQ(d.PreviewButton()->x(), 8 + 84 + 6);  // beside Page Setup
    d.PageSetupButton()->click();  // done
    EXPECT_EQ(d.CancelButton()->text(), "Close");
    EXPECT_EQ(d.ModalResult(), mrNone);
    d.PageSetupButton()->click();  // fails: reported, the dialog goes on
    EXPECT_EQ(g_errors, (std::vector<std::string>{"no page setup today."}));
    d.PageSetupButton()->click();  // asks for more: closes as confirmed
    EXPECT_EQ(d.ModalResult(), mrOk);
  }));
  EXPECT_TRUE(records.data.Requested);
  EXPECT_EQ(calls, (std::vector<std::string>{"show", "drive", "setup", "setup", "setup", "hide"}));
}

// ---- Copies and collation -----------------------------------------------------------------

TEST(PrintDialogCollation, PictureStacks) {
  for (bool collate : {true, false}) {
    QImage image(200, 46, QImage::Format_RGB32);
    image.fill(QColor(192, 192, 192));
    {
      TCanvas canvas(&image);
      dxPSDrawCollatePicture(canvas, TRect(0, 0, 200, 46), collate);
    }
    const std::vector<Stack> stacks = Stacks(image);
    ASSERT_EQ(stacks.size(), collate ? 2u : 3u);
    for (std::size_t i = 0; i < stacks.size(); ++i) {
      // Pages of 19 x 24, each 10 right and 8 up from the one before.
      EXPECT_EQ(stacks[i].Width, collate ? 39 : 29);
      EXPECT_EQ(stacks[i].Height(), collate ? 40 : 32);
      // Spread evenly: equal gaps before, between and after.
      const int gap = collate ? 40 : 28;  // (200 - stacks x width) / (stacks + 1)
      EXPECT_EQ(stacks[i].Left, gap + int(i) * (stacks[i].Width + gap));
      // Centred vertically; the front page is white with its number dark at
      // the bottom right.
      const int top = (46 - stacks[i].Height()) / 2, front = top + stacks[i].Height() - 24;
      EXPECT_EQ(stacks[i].Top, top);
      EXPECT_EQ(PixelRGB(image, stacks[i].Left + 5, front + 8), 0xFFFFFFu);
      bool dark = false;
      for (int y = front + 12; y < front + 23; ++y)
        for (int x = stacks[i].Left + 9; x < stacks[i].Left + 17; ++x) dark |= qGray(image.pixel(x, y)) < 96;
      EXPECT_TRUE(dark);
      EXPECT_EQ(PixelRGB(image, stacks[i].Left, front + 12), 0x000000u);  // the frame
    }
  }
}

TEST_F(PrintDialogTest, CollationFollowsTheCheckBoxAndThePicture) {
  EXPECT_TRUE(Run([&](TdxfmPrintDialog& d) {
    QWidget* picture = d.CollatePicture();
    EXPECT_EQ(Stacks(picture->grab().toImage()).size(), 3u);  // not collated
    d.CollateCheck()->click();
    EXPECT_EQ(Stacks(picture->grab().toImage()).size(), 2u);
    // A double click on the picture toggles it back.
    SendMouse(*picture, QEvent::MouseButtonDblClick, QPoint(20, 20));
    EXPECT_FALSE(d.CollateCheck()->isChecked());
    EXPECT_EQ(Stacks(picture->grab().toImage()).size(), 3u);
    SendMouse(*picture, QEvent::MouseButtonDblClick, QPoint(20, 20));

    d.Copies()->SetValue(150);  // beyond the printer's 99
    EXPECT_EQ(d.Copies()->AsInteger(), 99);
    d.Copies()->SetValue(5);
    d.NumberOfPages()->setCurrentIndex(1);
    emit d.NumberOfPages()->activated(1);
    d.OKButton()->click();
  }));
  EXPECT_TRUE(records.dialog.Collate);
  EXPECT_EQ(records.dialog.Copies, 5);
  EXPECT_EQ(records.dialog.NumberOfPages, dxPageFilterEven);
}

// ---- Print to file ----------------------------------------------------------------------------

TEST(PrintDialogFileNames, Completion) {
  ScratchDir dir;
  std::string completed, shown;
  const std::string base = dir.Path("report");
  ASSERT_TRUE(dxPSCompletePrintFileName(base, completed, shown));
  EXPECT_EQ(completed, base + ".prn");
  ASSERT_TRUE(dxPSCompletePrintFileName("\"" + base + "\"", completed, shown));
  EXPECT_EQ(completed, base);
  ASSERT_TRUE(dxPSCompletePrintFileName("  " + base + ".pdf ", completed, shown));
  EXPECT_EQ(completed, base + ".pdf");
  for (const char* bad : {"a<b", "a>b", "a[1]", "a|b", "x\"y", "\"\"", "   "}) {
    EXPECT_FALSE(dxPSCompletePrintFileName(bad, completed, shown)) << bad;
  }
  EXPECT_FALSE(dxPSCompletePrintFileName("\"a|b\"", completed, shown));
  EXPECT_EQ(shown, "a|b");
  // Places a job cannot write to.
  EXPECT_FALSE(dxPSCompletePrintFileName(dir.Path("missing/report"), completed, shown));
  QDir().mkpath(QString::fromStdString(dir.Path("folder.d")));
  EXPECT_FALSE(dxPSCompletePrintFileName(dir.Path("folder.d"), completed, shown));
}

TEST_F(PrintDialogTest, PrintToFileChecksTheName) {
  const std::string existing = dir.Write("old.prn", std::string("x"));
  records.dialog.FileNames = {"first.prn", existing, "third.prn"};
  answer = false;  // do not overwrite
  EXPECT_TRUE(Run([&](TdxfmPrintDialog& d) {
    QComboBox* names = d.FileNames();
    ASSERT_EQ(names->count(), 3);
    EXPECT_EQ(names->currentText(), "first.prn");
    d.PrintToFileCheck()->click();
    // An invalid page range does not matter when printing to a file.
    d.PageRangesButton()->click();
    d.PageRangesEdit()->setText("12-5");

    names->setEditText("");
    d.OKButton()->click();
    names->setEditText("a|b");
    d.OKButton()->click();
    names->setEditText(QString::fromStdString(dir.Path("old")));  // completes to the existing file
    d.OKButton()->click();
    EXPECT_EQ(d.ModalResult(), mrNone);
    EXPECT_TRUE(names->hasFocus());
    answer = true;
    d.OKButton()->click();
  }));
  EXPECT_EQ(messages, (std::vector<std::string>{M::EnterFileName, "Invalid File Name \"a|b\"",
                                                "File \"" + existing + "\" already exists. Overwrite ?",
                                                "File \"" + existing + "\" already exists. Overwrite ?"}));
  EXPECT_EQ(kinds[2], TMessageBoxKind::Question);
  EXPECT_TRUE(records.dialog.PrintToFile);
  EXPECT_EQ(records.dialog.FileName, existing);
  // A known name exchanges places with the first.
  EXPECT_EQ(records.dialog.FileNames, (std::vector<std::string>{existing, "first.prn", "third.prn"}));
  EXPECT_EQ(records.dialog.PageRanges, "12-5");
}

TEST_F(PrintDialogTest, NewFileNamesGoOnTop) {
  records.dialog.FileNames = {"first.prn"};
  const std::string name = dir.Path("fresh");
  // Quotes count only around the whole text.
  const std::string blanks = "  \"" + name + "\"  ";
  EXPECT_FALSE(Run([&](TdxfmPrintDialog& d) {
    d.PrintToFileCheck()->click();
    d.FileNames()->setEditText(QString::fromStdString(blanks));
    d.OKButton()->click();
    d.CancelButton()->click();
  }));
  EXPECT_EQ(messages, (std::vector<std::string>{"Invalid File Name \"" + blanks + "\""}));
  // A name in quotes is used as typed, without an extension.
  EXPECT_TRUE(Run([&](TdxfmPrintDialog& d) {
    d.PrintToFileCheck()->click();
    d.FileNames()->setEditText(QString::fromStdString("\"" + name + "\""));
    d.OKButton()->click();
  }));
  EXPECT_EQ(records.dialog.FileName, name);
  EXPECT_EQ(records.dialog.FileNames, (std::vector<std::string>{name, "first.prn"}));
}

TEST_F(PrintDialogTest, BrowseFillsTheFileName) {
  std::optional<TFileDialog> seen;
  AnswerFileDialogs([&](TFileDialog& dialog) -> std::optional<std::string> {
    seen = dialog;
    return dir.Path("chosen.prn");
  });
  Run([&](TdxfmPrintDialog& d) {
    d.PrintToFileCheck()->click();
    d.FileNames()->setEditText("start.prn");
    d.BrowseButton()->click();
    EXPECT_EQ(d.FileNames()->currentText().toStdString(), dir.Path("chosen.prn"));
    d.CancelButton()->click();
  });
  ASSERT_TRUE(seen);
  EXPECT_EQ(seen->Title, "Choose File Name");
  EXPECT_EQ(seen->Filter, "All Files (*.*)|*.*|Printer Files (*.prn)|*.PRN");
  EXPECT_EQ(seen->FilterIndex, 2);
  EXPECT_EQ(seen->DefaultExt, "prn");
  EXPECT_EQ(seen->FileName, "start.prn");
}

// ---- Printing through the component printer -------------------------------------------------

TEST_F(PrintDialogTest, ComponentPrinterPrintsToTheCompletedFile) {
  dxPSRegisterPrintDialog();
  TdxComponentPrinter printer;
  auto* link = new TestLink;
  link->Pages = 3;
  printer.AddLink(link);
  const std::string name = dir.Path("calendar");
  AnswerModal<TdxfmPrintDialog>([&](TdxfmPrintDialog& d) {
    QApplication::setActiveWindow(&d);
    d.PrintToFileCheck()->click();
    d.FileNames()->setEditText(QString::fromStdString(name));
    d.PageRangesButton()->click();
    TypeText(*d.PageRangesEdit(), "3,1");
    d.OKButton()->click();
  });
  EXPECT_TRUE(printer.Print(true));
  AnswerModal<TdxfmPrintDialog>({});
  dxPSSetShowPrintDialog({});
  EXPECT_TRUE(messages.empty());
  EXPECT_EQ(PdfPageNumbers(name + ".prn"), (std::vector<int>{3, 1}));
  EXPECT_EQ(printer.PrintDialogFiles, (std::vector<std::string>{name + ".prn"}));
  EXPECT_TRUE(printer.PrintToFile);
}

TEST_F(PrintDialogTest, InvalidInputPrintsNothing) {
  dxPSRegisterPrintDialog();
  TdxComponentPrinter printer;
  auto* link = new TestLink;
  link->Pages = 3;
  printer.AddLink(link);
  int started = 0;
  printer.OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) { ++started; };
  const std::string name = dir.Path("never");
  AnswerModal<TdxfmPrintDialog>([&](TdxfmPrintDialog& d) {
    d.PageRangesButton()->click();
    d.PageRangesEdit()->setText("2-9");  // a 3-page report
    d.OKButton()->click();
    d.PrintToFileCheck()->click();
    d.FileNames()->setEditText(QString::fromStdString(name + "[1]"));
    d.OKButton()->click();
    d.CancelButton()->click();
  });
  EXPECT_FALSE(printer.Print(true));
  AnswerModal<TdxfmPrintDialog>({});
  dxPSSetShowPrintDialog({});
  EXPECT_EQ(messages, (std::vector<std::string>{"Page numbers out of range (1 - 3)",
                                                "Invalid File Name \"" + name + "[1]\""}));
  EXPECT_EQ(started, 0);
  EXPECT_TRUE(QDir(QString::fromStdString(dir.Path(""))).entryList(QDir::Files).isEmpty());
}

// ---- Print styles -------------------------------------------------------------------------------

class PrintDialogStylesTest : public PrintDialogTest {
 protected:
  void SetUp() override {
    PrintDialogTest::SetUp();
    dxPSRegisterPrintStyles();
    savedDialogs_ = dxPSPrintStyleDialogs();
    manager = new TdxPrintStyleManager(&owner);
    for (const char* caption : {"Standard", "Wide"}) {
      TBasedxPrintStyle* style = manager->AddStyle(TdxPSPrintStyle::StaticClass());
      style->SetStyleCaption(caption);
    }
    records.dialog.StyleManager = manager;
    records.data.OptionsVisible |= pdoPrintStyles;
  }
  void TearDown() override {
    dxPSPrintStyleDialogs() = savedDialogs_;
    PrintDialogTest::TearDown();
  }

  QObject owner;
  TdxPrintStyleManager* manager = nullptr;
  TdxPrintStyleDialogs savedDialogs_;
};

TEST_F(PrintDialogStylesTest, StyleListAndPanel) {
  Run([&](TdxfmPrintDialog& d) {
    QListWidget* list = d.PrintStyles();
    EXPECT_FALSE(d.PrintStylesPanel()->isHidden());
    ASSERT_EQ(list->count(), 2);
    EXPECT_EQ(list->item(1)->text(), "Wide");
    EXPECT_EQ(list->currentRow(), 0);
    EXPECT_EQ(list->visualItemRect(list->item(0)).height(), 34);
    EXPECT_TRUE(d.StylePageSetupButton()->isEnabled());
    EXPECT_TRUE(d.StyleOptionsButton()->isHidden());  // the standard style has no options
    EXPECT_EQ(d.PageSetupButton()->text(), "Print Styles");

    list->setCurrentRow(1);
    EXPECT_EQ(manager->CurrentStyleIndex(), 1);
    EXPECT_EQ(d.CancelButton()->text(), "Close");

    // The list follows the manager.
    manager->AddStyle(TdxPSPrintStyle::StaticClass())->SetStyleCaption("Narrow");
    EXPECT_EQ(list->count(), 3);

    // The bottom-left button folds the panel away and back.
    const int height = d.height();
    d.PageSetupButton()->click();
    EXPECT_FALSE(d.PrintStylesShown());
    EXPECT_TRUE(d.PrintStylesPanel()->isHidden());
    EXPECT_LT(d.height(), height);
    d.PageSetupButton()->click();
    EXPECT_EQ(d.height(), height);
    d.CancelButton()->click();
  });
}

TEST_F(PrintDialogStylesTest, StylePageSetupThatAsksForThePreviewConfirms) {
  std::vector<std::string> setups;
  dxPSPrintStyleDialogs().PageSetup = [&](TBasedxPrintStyle& style, int page, bool* previewChosen, bool* printChosen) {
    setups.push_back(style.StyleCaption());
    EXPECT_EQ(page, 0);
    EXPECT_NE(printChosen, nullptr);
    if (setups.size() == 2 && previewChosen) *previewChosen = true;
    return true;
  };
  EXPECT_TRUE(Run([&](TdxfmPrintDialog& d) {
    d.PrintStyles()->setCurrentRow(1);
    d.StylePageSetupButton()->click();
    EXPECT_EQ(d.ModalResult(), mrNone);
    // The menu's items follow the buttons.
    QMenu* menu = d.PrintStylesMenu();
    emit d.PrintStyles()->customContextMenuRequested(QPoint(5, 5));
    for (QAction* a : menu->actions()) {
      if (a->objectName() == "miStyleOptions") {
        EXPECT_FALSE(a->isEnabled());
      } else if (a->objectName() == "miPageSetup") {
        EXPECT_TRUE(a->isEnabled());
      }
    }
    menu->hide();
    emit d.PrintStyles()->itemDoubleClicked(d.PrintStyles()->item(1));
  }));
  EXPECT_EQ(setups, (std::vector<std::string>{"Wide", "Wide"}));
  EXPECT_TRUE(records.data.Requested);
}

TEST_F(PrintDialogStylesTest, PanelStateIsKeptInTheRegistry) {
  const std::string oldPath = dxPSEngine()->RegistryPath;
  const std::string oldFile = RegistryFile();
  SetRegistryFile(dir.Path("registry.ini"));
  dxPSEngine()->RegistryPath = "Software\\Test";
  Run([&](TdxfmPrintDialog& d) {
    EXPECT_TRUE(d.PrintStylesShown());
    d.PageSetupButton()->click();
    d.CancelButton()->click();
  });
  {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly("Software\\Test\\FormLayouts\\dxfmPrintDialog"));
    EXPECT_FALSE(registry.ReadBool("Maximized"));
  }
  Run([&](TdxfmPrintDialog& d) {
    EXPECT_FALSE(d.PrintStylesShown());
    EXPECT_TRUE(d.PrintStylesPanel()->isHidden());
    d.CancelButton()->click();
  });
  dxPSEngine()->RegistryPath = oldPath;
  SetRegistryFile(oldFile);
}

TEST_F(PrintDialogStylesTest, WithoutTheStylesOptionThereIsNoPanel) {
  records.data.OptionsVisible &= ~pdoPrintStyles;
  Run([&](TdxfmPrintDialog& d) {
    EXPECT_TRUE(d.PrintStylesPanel()->isHidden());
    // The style manager takes the place of the page setup handler.
    EXPECT_TRUE(d.PageSetupButton()->isHidden());
    d.CancelButton()->click();
  });
}

TEST(PrintDialogStatus, Texts) {
  EXPECT_EQ(dxPSPrinterStatusText(0), "Ready");
  EXPECT_EQ(dxPSPrinterStatusText(1), "Paused");
  EXPECT_EQ(dxPSPrinterStatusText(0x10), "Paper Out");
  EXPECT_EQ(dxPSPrinterStatusText(0x8), "Paper Jam");
  EXPECT_EQ(dxPSPrinterStatusText(0x20000), "Toner Low");
  EXPECT_EQ(dxPSPrinterStatusText(0x80), "Offline");
  EXPECT_EQ(dxPSPrinterStatusText(0x400000), "Door Open");
  EXPECT_EQ(dxPSPrinterStatusText(0x11), "");  // combinations show nothing
  EXPECT_EQ(dxPSPrinterStatusText(0x800000), "");
  // The spooler's states and reasons in these terms.
  using namespace PrintBackend;
  EXPECT_EQ(dxPSPrinterStatusText(StatusFromState(3, {"none"})), "Ready");
  EXPECT_EQ(dxPSPrinterStatusText(StatusFromState(5, {"paused"})), "Paused");
  EXPECT_EQ(dxPSPrinterStatusText(StatusFromState(4, {"none"})), "Printing");
  EXPECT_EQ(dxPSPrinterStatusText(StatusFromState(3, {"media-empty-error"})), "Paper Out");
  EXPECT_EQ(dxPSPrinterStatusText(StatusFromState(3, {"media-jam-error"})), "Paper Jam");
  EXPECT_EQ(dxPSPrinterStatusText(StatusFromState(3, {"toner-low-report"})), "Toner Low");
  EXPECT_EQ(dxPSPrinterStatusText(StatusFromState(3, {"offline-report"})), "Offline");
}
