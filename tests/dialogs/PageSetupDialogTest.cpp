// The page setup dialog, driven through its controls on the offscreen
// platform: margin limits and the two margin checks, "Fix" and "Restore
// Original", paper choice and orientation, permissions and options, header
// and footer texts, fonts and backgrounds, scaling, the closing rules, the
// write-back to the style (only after OK with a change) and to a report link,
// and the background palette.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/FillEffectsDialog.h"
#include "dialogs/BackgroundPalette.h"
#include "editors/ColorDialog.h"
#include "dialogs/FormatDialogs.h"
#include "dialogs/FunctionToolBar.h"
#include "dialogs/PageSetupDialog.h"
#include "engine/ComponentPrinter.h"
#include "layout/HeaderFooterFunctions.h"
#include "layout/PrintDevice.h"
#include "platform/Clipboard.h"
#include "platform/EnumBits.h"
#include "platform/MessageDialogs.h"
#include "preview/PreviewControl.h"
#include "report/EngineUtilities.h"
#include "tests/TestSupport.h"
#include "tests/editors/DialogControlsSupport.h"
#include "tests/ModalAnswers.h"
#include "tests/dialogs/DialogAnswers.h"

namespace {

using namespace PrintBackend;

// ---- A printer described by hand ---------------------------------------------------------

class PgsPrintDevice : public TdxPrintDevice {
 public:
  std::vector<TPrinterEntry> Printers;
  std::map<std::string, TPrinter> Descriptions;
  std::string Default;

  void Add(const TPrinter& printer) {
    Printers.push_back({printer.Name(), true, false});
    Descriptions.insert_or_assign(printer.Name(), printer);
    Default = printer.Name();
  }
  std::string DefaultPrinterName() const override { return Default; }

 protected:
  std::vector<TPrinterEntry> EnumPrinters() override { return Printers; }
  std::unique_ptr<TPrinter> OpenPrinter(const std::string& name) override {
    auto it = Descriptions.find(name);
    return it == Descriptions.end() ? nullptr : std::make_unique<TPrinter>(it->second);
  }
};

TPrinterPaper MakePaper(int kind, const std::string& name, int width, int height, int margin) {
  TPrinterPaper p;
  p.Kind = kind;
  p.Name = name;
  p.Width = width;
  p.Height = height;
  p.Margins = TRect(margin, margin, margin, margin);
  p.Media = "media-" + std::to_string(kind);
  return p;
}

// A4 first (its default paper), 5 mm unprintable on every side at 300 dpi;
// custom sizes from 90 x 120 mm to 400 x 600 mm.
TPrinter MakeTestPrinter() {
  std::vector<TPrinterPaper> papers = {
      MakePaper(9, "A4", 2100, 2970, 500),
      MakePaper(1, "Letter", 2159, 2794, 500),
      MakePaper(20, "Envelope #10", 1048, 2413, 500),
      MakePaper(256, "Custom Size", 2100, 2970, 500),
  };
  std::vector<TPrinterBin> bins = {{7, "Automatically Select", ""}, {1, "Upper Tray", "upper"}};
  TPrinterSettings s;
  s.Fields = DM_ORIENTATION | DM_PAPERSIZE | DM_PAPERLENGTH | DM_PAPERWIDTH | DM_COPIES | DM_DEFAULTSOURCE |
             DM_PRINTQUALITY | DM_COLOR;
  s.PaperSize = 9;
  s.DefaultSource = 7;
  s.PrintQuality = 300;
  TPrinter printer("Test Printer", s, std::move(papers), std::move(bins));
  printer.SetLimits(99, TSize{4000, 6000}, TSize{900, 1200});
  return printer;
}

// ---- A report link with a counted pagination ---------------------------------------------

class TPgsTestRenderInfo : public TdxPSReportRenderInfo {
  DX_CLASS(TPgsTestRenderInfo, TdxPSReportRenderInfo)

 public:
  void Calculate() override { ++Calculations; }
  int Calculations = 0;
};

class TPgsTestLink : public TBasedxReportLink {
  DX_CLASS(TPgsTestLink, TBasedxReportLink)

 public:
  void ConstructReport(TdxReportCells& cells) override {
    TBasedxReportLink::ConstructReport(cells);
    cells.ClearItems();
    cells.Cells()->SetBounds(0, 0, 200, 100);
  }
  TdxClass RenderInfoClass() const override { return TPgsTestRenderInfo::StaticClass(); }
  int Calculations() { return dynamic_cast<TPgsTestRenderInfo&>(RenderInfo()).Calculations; }
};

// ---- Input ------------------------------------------------------------------------------

// Replaces the box's text as typing would.
void TypeInto(QLineEdit* box, const std::string& text) {
  box->setFocus();
  box->selectAll();
  for (char c : text) TypeChar(*box, QChar(c));
}

void DoubleClick(QWidget* w) {
  QMouseEvent e(QEvent::MouseButtonDblClick, QPointF(5, 5), QPointF(w->mapToGlobal(QPoint(5, 5))), Qt::LeftButton,
                Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

int RowOfKind(QListWidget* list, int kind) {
  for (int i = 0; i < list->count(); ++i)
    if (list->item(i)->data(Qt::UserRole + 2).toInt() == kind) return i;
  return -1;
}

// The window system activates a shown window a little later.
void Activate(QWidget& w) {
  w.activateWindow();
  for (int i = 0; i < 50 && !w.isActiveWindow(); ++i) QApplication::processEvents();
}

struct WarningCall {
  TdxPageSetupWarning Kind;
  std::string Text;
  std::vector<std::string> Buttons;
};

// ---- Fixture ----------------------------------------------------------------------------

class PageSetupDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dxPSRegisterPrintStyles();
    savedStyleDialog_ = dxPSPrintStyleDialogs().PageSetup;
    dxPSRegisterPageSetupDialog();
    auto device = std::make_unique<PgsPrintDevice>();
    if (withPrinter_) device->Add(MakeTestPrinter());
    savedDevice_ = dxReplacePrintDevice(std::move(device));
    AnswerMessageBoxes([this](TMessageBoxKind, const std::string&, const std::string& text) {
      Messages.push_back(text);
      return false;
    });
    dxPSSetBeepHook([this] { ++Beeps; });
    AnswerPageSetupWarnings([this](TdxPageSetupWarning kind, const std::string& text,
                                       const std::vector<std::string>& buttons) {
      Warnings.push_back({kind, text, buttons});
      return WarningAnswer;
    });
    style.PrinterPage().SetMeasurementUnits(muMillimeters);
    style.PrinterPage().SetDMPaper(9);
    style.PrinterPage().SetOrientation(poPortrait);
  }
  void TearDown() override {
    AnswerModal<TdxfmPageSetupDialog>(nullptr);
    AnswerPageSetupWarnings(nullptr);
    AnswerFontDialogs(nullptr);
    AnswerModal<TdxfmColorPalette>(nullptr);
    AnswerMessageBoxes(nullptr);
    dxPSSetBeepHook(nullptr);
    dxPSUnregisterPageSetupDialog();
    dxPSPrintStyleDialogs().PageSetup = savedStyleDialog_;
    dxReplacePrintDevice(std::move(savedDevice_));
  }

  // Runs the style's page setup; body drives the shown window.
  bool RunDialog(TBasedxPrintStyle& s, const std::function<void(TdxfmPageSetupDialog&)>& body, int page = 0,
           bool* preview = nullptr, bool* print = nullptr) {
    bool ran = false;
    AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
      ran = true;
      Activate(w);
      w.WarningPane()->SetAnimationSpeed(0);
      body(w);
    });
    const bool result = s.PageSetup(page, preview, print);
    AnswerModal<TdxfmPageSetupDialog>(nullptr);
    EXPECT_TRUE(ran);
    return result;
  }
  bool RunDialog(const std::function<void(TdxfmPageSetupDialog&)>& body, int page = 0) { return RunDialog(style, body, page); }

  static double Box(TdxfmPageSetupDialog& w, TdxMarginBox box) { return w.MarginBox(box)->Value(); }
  // Types a value into a margin box and leaves it.
  static void SetMargin(TdxfmPageSetupDialog& w, TdxMarginBox box, const std::string& text) {
    TypeInto(w.MarginBox(box), text);
    w.CancelButton()->setFocus();
  }

  bool withPrinter_ = true;
  LocaleScope locale_{QLocale::c()};
  QObject owner;
  TdxPSPrintStyle style;
  std::vector<std::string> Messages;
  std::vector<WarningCall> Warnings;
  int WarningAnswer = 0;
  int Beeps = 0;

 private:
  std::function<bool(TBasedxPrintStyle&, int, bool*, bool*)> savedStyleDialog_;
  std::unique_ptr<TdxPrintDevice> savedDevice_;
};

// ---- Captions and the component --------------------------------------------------------

TEST_F(PageSetupDialogTest, CaptionTellsTheStyleOnlyUnderAManager) {
  TdxPageSetupDialog dialog;
  EXPECT_EQ(dialog.DialogCaption(style), "Page Setup");
  EXPECT_FALSE(dialog.IsTitleStored());
  TdxPrintStyleManager manager(&owner);
  TBasedxPrintStyle* managed = manager.AddStyle(TdxPSPrintStyle::StaticClass());
  managed->SetStyleCaption("Standard");
  EXPECT_EQ(dialog.DialogCaption(*managed), "Page Setup: Standard");
  managed->SetStyleCaption("");
  EXPECT_EQ(dialog.DialogCaption(*managed), "Page Setup ");

  // The window shows it, and forgets a style that is destroyed.
  managed->SetStyleCaption("Standard");
  std::string caption;
  RunDialog(*managed, [&](TdxfmPageSetupDialog& w) { caption = w.windowTitle().toStdString(); });
  EXPECT_EQ(caption, "Page Setup: Standard");
  dialog.SetPrintStyle(managed);
  delete managed;
  EXPECT_EQ(dialog.PrintStyle(), nullptr);
  EXPECT_FALSE(dialog.Execute());
}

// ---- Margins ----------------------------------------------------------------------------

TEST_F(PageSetupDialogTest, A4MillimetreMarginLimitsAndTheMarginCheck) {
  RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        EXPECT_EQ(w.Tabs()->currentIndex(), int(pstMargins));
        EXPECT_EQ(w.MarginBox(mbTop)->LegendText(), "mm");
        EXPECT_EQ(w.PaperWidthBox()->LegendText(), "mm");
        for (TdxMarginBox box : {mbTop, mbBottom, mbHeader, mbFooter}) {
          EXPECT_DOUBLE_EQ(w.MarginBox(box)->MinValue(), 0);
          EXPECT_DOUBLE_EQ(w.MarginBox(box)->MaxValue(), 247);
        }
        EXPECT_DOUBLE_EQ(w.MarginBox(mbLeft)->MaxValue(), 160);
        EXPECT_DOUBLE_EQ(Box(w, mbTop), 12.7);
        EXPECT_DOUBLE_EQ(Box(w, mbHeader), 6.35);
        EXPECT_FALSE(w.MarginsInvalid());
        EXPECT_FALSE(w.FixButton()->isEnabled());

        // With header 10 the footer may go up to 237.
        SetMargin(w, mbHeader, "10");
        SetMargin(w, mbFooter, "238");
        EXPECT_TRUE(w.MarginsInvalid());
        EXPECT_EQ(w.FirstInvalidMargin(), std::optional<TdxMarginBox>(mbFooter));
        EXPECT_TRUE(w.WarningPane()->State());
        EXPECT_EQ(w.WarningPane()->Text(), "One or more margins has invalid values");
        EXPECT_TRUE(w.FixButton()->isEnabled());
        SetMargin(w, mbFooter, "237");
        SetMargin(w, mbTop, "10");
        SetMargin(w, mbBottom, "237");
        EXPECT_FALSE(w.MarginsInvalid());
        EXPECT_FALSE(w.WarningPane()->State());

        // With header 10 and bottom 20 the top may range 10 .. 227.
        SetMargin(w, mbFooter, "5");
        SetMargin(w, mbBottom, "20");
        SetMargin(w, mbTop, "227");
        EXPECT_FALSE(w.MarginsInvalid());
        SetMargin(w, mbTop, "228");
        EXPECT_EQ(w.FirstInvalidMargin(), std::optional<TdxMarginBox>(mbTop));
        SetMargin(w, mbTop, "9");
        EXPECT_EQ(w.FirstInvalidMargin(), std::optional<TdxMarginBox>(mbTop));
        SetMargin(w, mbTop, "10");
        EXPECT_FALSE(w.MarginsInvalid());
        EXPECT_TRUE(w.MarginsEdited());
        EXPECT_TRUE(w.Modified());
        // A box takes nothing beyond its limits.
        SetMargin(w, mbLeft, "500");
        EXPECT_DOUBLE_EQ(Box(w, mbLeft), 160);
        w.CloseWithCancel();
      },
      pstMargins);
}

TEST_F(PageSetupDialogTest, FixBringsInvalidValuesBackAndRestorePutsTheOriginalsBack) {
  RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        EXPECT_FALSE(w.RestoreButton()->isEnabled());
        SetMargin(w, mbHeader, "100");
        SetMargin(w, mbTop, "50");
        ASSERT_TRUE(w.MarginsInvalid());
        EXPECT_FALSE(w.MarginsOutside());
        EXPECT_TRUE(w.RestoreButton()->isEnabled());
        // The sample hides its lines while the values are invalid.
        EXPECT_FALSE(w.SamplePreview()->Margins().Top().Visible());
        w.FixButton()->click();
        EXPECT_FALSE(w.MarginsInvalid());
        EXPECT_FALSE(w.FirstInvalidMargin());
        EXPECT_DOUBLE_EQ(Box(w, mbHeader), 100);
        EXPECT_DOUBLE_EQ(Box(w, mbTop), 100);
        EXPECT_FALSE(w.FixButton()->isEnabled());
        EXPECT_TRUE(w.SamplePreview()->Margins().Top().Visible());
        EXPECT_EQ(w.SamplePreview()->Margins().Top().Value(), 1000);
        EXPECT_EQ(w.SamplePreview()->Margins().Header().Value(), 1000);

        w.RestoreButton()->click();
        EXPECT_DOUBLE_EQ(Box(w, mbHeader), 6.35);
        EXPECT_DOUBLE_EQ(Box(w, mbTop), 12.7);
        EXPECT_EQ(w.SamplePreview()->Margins().Header().Value(), 64);
        EXPECT_FALSE(w.MarginsInvalid());
        w.CloseWithCancel();
      },
      pstMargins);
  EXPECT_EQ(style.PrinterPage().Header(), 6350);
}

TEST_F(PageSetupDialogTest, PrintableCheckUsesThePrintersOffsetsAndFixRaisesToThem) {
  RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        TdxPrintDevice& device = GetPrintDevice();
        const TDeviceCaps& caps = device.InfoContext();
        const double x = device.PhysicalOffset(0) * 25.4 / caps.LogPixelsX;
        const double y = device.PhysicalOffset(1) * 25.4 / caps.LogPixelsY;
        EXPECT_NEAR(x, 5.0, 0.1);
        EXPECT_DOUBLE_EQ(w.PrintableOffsets().first, x);
        EXPECT_DOUBLE_EQ(w.PrintableOffsets().second, y);
        EXPECT_FALSE(w.MarginsOutside());

        SetMargin(w, mbLeft, "3");
        EXPECT_TRUE(w.MarginsOutside());
        EXPECT_FALSE(w.MarginsInvalid());
        EXPECT_EQ(w.FirstOutsideMargin(), std::optional<TdxMarginBox>(mbLeft));
        EXPECT_EQ(w.WarningPane()->Text(), "One or more margins are set outside the printable area of the page");
        SetMargin(w, mbFooter, "2");
        EXPECT_EQ(w.FirstOutsideMargin(), std::optional<TdxMarginBox>(mbFooter));
        // Top and bottom are not measured against the printer.
        SetMargin(w, mbTop, "7");
        w.FixButton()->click();
        EXPECT_FALSE(w.MarginsOutside());
        EXPECT_GE(Box(w, mbLeft), x);
        EXPECT_LT(Box(w, mbLeft), x + 0.2);
        EXPECT_GE(Box(w, mbFooter), y);
        EXPECT_DOUBLE_EQ(Box(w, mbRight), 12.7);  // was inside already
        EXPECT_FALSE(w.WarningPane()->State());
        w.CloseWithCancel();
      },
      pstMargins);
}

TEST_F(PageSetupDialogTest, OKWithMarginsOutsideThePrintableAreaOffersFixOrIgnore) {
  WarningAnswer = 0;  // "&Fix"
  EXPECT_TRUE(RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        SetMargin(w, mbLeft, "2");
        w.OKButton()->click();
        EXPECT_FALSE(w.Running());
      },
      pstMargins));
  ASSERT_EQ(Warnings.size(), 1u);
  EXPECT_EQ(Warnings[0].Kind, pswOutsidePrintableArea);
  EXPECT_EQ(Warnings[0].Text,
            "One or more margins are set outside the printable area of the page.\n"
            "Choose the Fix button to increase the appropriate margins.");
  EXPECT_EQ(Warnings[0].Buttons, (std::vector<std::string>{"&Fix", "&Ignore"}));
  EXPECT_GE(style.PrinterPage().Margins().Left(), 4900);
  EXPECT_GT(Beeps, 0);

  // Ignore goes on to the margin check: "Restore Original" there, and the
  // dialog closes with the source's values.
  Warnings.clear();
  int answers = 0;
  AnswerPageSetupWarnings([&](TdxPageSetupWarning kind, const std::string&, const std::vector<std::string>& b) {
    Warnings.push_back({kind, "", b});
    return answers++ == 0 ? 1 : 1;  // Ignore, then Restore Original
  });
  const int leftBefore = style.PrinterPage().Margins().Left();
  EXPECT_TRUE(RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        SetMargin(w, mbHeader, "2");
        SetMargin(w, mbTop, "1");
        ASSERT_TRUE(w.MarginsInvalid());
        w.OKButton()->click();
      },
      pstMargins));
  ASSERT_EQ(Warnings.size(), 2u);
  EXPECT_EQ(Warnings[1].Kind, pswInvalidMargins);
  EXPECT_EQ(Warnings[1].Buttons, (std::vector<std::string>{"&Fix", "Restore &Original", "Close"}));
  EXPECT_EQ(style.PrinterPage().Header(), 6350);
  EXPECT_EQ(style.PrinterPage().Margins().Top(), 12700);
  EXPECT_EQ(style.PrinterPage().Margins().Left(), leftBefore);
}

TEST_F(PageSetupDialogTest, LeavingTheMarginsTabWithInvalidValuesIsRefused) {
  RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        SetMargin(w, mbHeader, "100");
        SetMargin(w, mbTop, "50");
        WarningAnswer = 2;  // "Close": nothing changes
        w.Tabs()->setCurrentIndex(pstPage);
        EXPECT_EQ(w.Tabs()->currentIndex(), int(pstMargins));
        ASSERT_EQ(Warnings.size(), 1u);
        EXPECT_EQ(Warnings[0].Kind, pswInvalidMargins);
        EXPECT_TRUE(w.MarginsInvalid());
        EXPECT_EQ(QApplication::focusWidget(), w.MarginBox(mbTop));
        WarningAnswer = 0;  // "&Fix": fixed, but the tab still stays
        w.Tabs()->setCurrentIndex(pstPage);
        EXPECT_EQ(w.Tabs()->currentIndex(), int(pstMargins));
        EXPECT_FALSE(w.MarginsInvalid());
        w.Tabs()->setCurrentIndex(pstPage);
        EXPECT_EQ(w.Tabs()->currentIndex(), int(pstPage));
        w.CloseWithCancel();
      },
      pstMargins);
}

TEST_F(PageSetupDialogTest, SampleDrawsTheGridBetweenTheMarginLinesOnlyWhileValid) {
  RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        TdxPreview* sample = w.SamplePreview();
        ASSERT_EQ(sample->PageCount(), 1);
        const TRect page = sample->Pages()[0].Bounds;
        auto px = [&](int tenths) { return sample->LengthToZoomedPixels(tenths); };
        const TdxPreviewMargins& m = sample->Margins();
        const int left = page.Left + px(m[pmLeft].Value()), top = page.Top + px(m[pmTop].Value());
        auto paint = [&] {
          QImage image(sample->width(), sample->height(), QImage::Format_RGB32);
          image.fill(Qt::white);
          QPainter painter(&image);
          {
            TCanvas canvas(painter);
            w.DrawSampleContent(canvas, page);
          }
          painter.end();
          return image;
        };
        QImage image = paint();
        EXPECT_EQ(PixelRGB(image, left, top), kBtnFace);
        EXPECT_EQ(PixelRGB(image, left + 15, top + 3), kBtnFace);  // the second column
        EXPECT_EQ(PixelRGB(image, left + 5, top + 7), kBtnFace);   // the second row
        EXPECT_EQ(PixelRGB(image, left + 7, top + 3), 0xFFFFFFu);  // inside a cell
        EXPECT_EQ(PixelRGB(image, left - 2, top + 3), 0xFFFFFFu);  // the left margin stays empty

        // Centring moves the grid.
        w.CenterHorizontallyBox()->click();
        EXPECT_TRUE(w.WorkingPage().CenterOnPageH());
        const int width = page.Right - px(m[pmRight].Value()) - left;
        const int shift = (width - (width - 1) / 15 * 15) / 2;
        image = paint();
        EXPECT_EQ(PixelRGB(image, left + shift, top + 3), kBtnFace);
        if (shift > 0) {
          EXPECT_EQ(PixelRGB(image, left, top + 3), 0xFFFFFFu);
        }

        SetMargin(w, mbHeader, "100");
        SetMargin(w, mbTop, "50");
        image = paint();
        EXPECT_EQ(PixelRGB(image, left, top), 0xFFFFFFu);
        w.CloseWithCancel();
      },
      pstMargins);
}

TEST_F(PageSetupDialogTest, DraggingASampleLineSetsItsBoxAndHoldsTheWindowOpen) {
  EXPECT_TRUE(RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        TdxPreview* sample = w.SamplePreview();
        TdxPreviewMargin& left = sample->Margins().Left();
        ASSERT_TRUE(sample->OptionsBehavior() & dxBit(pobAllowDragMargins));
        const TRect page = sample->Pages()[0].Bounds;
        const TPoint start{sample->MarginPos(left), (page.Top + page.Bottom) / 2};
        sample->BeginDragMargin(&left, start);
        // No closing in the middle of a drag.
        EXPECT_FALSE(w.CloseWithOK());
        w.CloseWithCancel();
        EXPECT_TRUE(w.Running());
        const TRect client = sample->ClientRect();
        SendMouse(*sample, QEvent::MouseMove, QPoint(start.X + client.Left + 10, start.Y + client.Top));
        sample->EndDragMargin(true);
        EXPECT_GT(left.Value(), 127);
        EXPECT_DOUBLE_EQ(Box(w, mbLeft), std::round(left.Value() * 10.0) / 100.0);
        EXPECT_TRUE(w.MarginsEdited());
        EXPECT_TRUE(w.RestoreButton()->isEnabled());
        w.OKButton()->click();
        EXPECT_FALSE(w.Running());
      },
      pstMargins));
  EXPECT_GT(style.PrinterPage().Margins().Left(), 12700);
}

TEST_F(PageSetupDialogTest, CustomDrawingGetsTheContentAndTheBands) {
  TdxPageSetupDialog dialog;
  dialog.SetPrintStyle(&style);
  dialog.ActivePageIndex = pstMargins;
  TRect content, header, footer, page;
  TBasedxPrintStyle* drawn = nullptr;
  dialog.OnCustomDrawPreview = [&](TBasedxPrintStyle& s, TCanvas&, const TRect& p, const TRect& c, const TRect& h,
                                   const TRect& f) {
    drawn = &s;
    page = p, content = c, header = h, footer = f;
  };
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
    QImage image(200, 200, QImage::Format_RGB32);
    QPainter painter(&image);
    {
      TCanvas canvas(painter);
      w.DrawSampleContent(canvas, w.SamplePreview()->Pages()[0].Bounds);
    }
    painter.end();
    EXPECT_EQ(drawn, &w.WorkingStyle());
    w.CloseWithCancel();
  });
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(header.Bottom, content.Top);
  EXPECT_EQ(footer.Top, content.Bottom);
  EXPECT_LT(header.Top, header.Bottom);
  EXPECT_GT(footer.Bottom, footer.Top);
  EXPECT_GT(content.Left, page.Left);
}

// ---- Page tab ---------------------------------------------------------------------------

TEST_F(PageSetupDialogTest, PaperListFollowsThePrinterAndAChoiceSetsSizeAndLimits) {
  RunDialog([&](TdxfmPageSetupDialog& w) {
    QListWidget* list = w.PaperList();
    ASSERT_EQ(list->count(), 4);
    EXPECT_TRUE(list->isEnabled());
    EXPECT_EQ(list->currentRow(), RowOfKind(list, 9));
    EXPECT_TRUE(list->item(RowOfKind(list, 20))->data(Qt::UserRole + 1).toBool());  // an envelope
    EXPECT_FALSE(list->item(RowOfKind(list, 9))->data(Qt::UserRole + 1).toBool());
    // The user-defined paper took the page's size.
    EXPECT_EQ(GetPrintDevice().PaperEntries()->back().Size(), (TPoint{2100, 2970}));
    EXPECT_DOUBLE_EQ(w.PaperWidthBox()->Value(), 210);
    EXPECT_DOUBLE_EQ(w.PaperHeightBox()->Value(), 297);
    EXPECT_DOUBLE_EQ(w.PaperWidthBox()->MinValue(), 90);
    EXPECT_DOUBLE_EQ(w.PaperWidthBox()->MaxValue(), 400);
    EXPECT_DOUBLE_EQ(w.PaperHeightBox()->MinValue(), 120);
    EXPECT_DOUBLE_EQ(w.PaperHeightBox()->MaxValue(), 600);
    EXPECT_EQ(w.PaperSourceBox()->count(), 2);
    EXPECT_EQ(w.PaperSourceBox()->currentIndex(), 0);

    list->setCurrentRow(RowOfKind(list, 1));  // Letter
    EXPECT_EQ(w.WorkingPage().DMPaper(), 1);
    EXPECT_DOUBLE_EQ(w.PaperWidthBox()->Value(), 215.9);
    EXPECT_DOUBLE_EQ(w.MarginBox(mbLeft)->MaxValue(), 165.9);
    EXPECT_EQ(w.SamplePreview()->OriginalPageSize().Point(), (TPoint{2159, 2794}));
    EXPECT_TRUE(w.Modified());

    // A size typed by hand takes the page to the matching paper.
    TypeInto(w.PaperWidthBox(), "210");
    TypeInto(w.PaperHeightBox(), "297");
    w.PaperSourceBox()->setFocus();
    EXPECT_EQ(w.WorkingPage().DMPaper(), 9);
    EXPECT_EQ(list->currentRow(), RowOfKind(list, 9));
    TypeInto(w.PaperWidthBox(), "150");
    w.PaperSourceBox()->setFocus();
    EXPECT_EQ(w.WorkingPage().OrientedPageSize(), (TPoint{150000, 297000}));
    EXPECT_DOUBLE_EQ(w.MarginBox(mbLeft)->MaxValue(), 100);

    // A paper source choice goes to the page.
    w.PaperSourceBox()->setCurrentIndex(1);
    emit w.PaperSourceBox()->activated(1);
    EXPECT_EQ(w.WorkingPage().PaperSource(), 1);
    w.CloseWithCancel();
  });
  EXPECT_EQ(style.PrinterPage().DMPaper(), 9);
}

TEST_F(PageSetupDialogTest, LandscapeExchangesWidthAndHeightWithTheirLimits) {
  EXPECT_TRUE(RunDialog([&](TdxfmPageSetupDialog& w) {
    EXPECT_TRUE(w.PortraitButton()->isChecked());
    w.LandscapeButton()->click();
    EXPECT_EQ(w.WorkingPage().Orientation(), poLandscape);
    EXPECT_EQ(w.OrientationPreview()->Orientation(), ppoLandscape);
    EXPECT_EQ(w.SamplePreview()->Orientation(), ppoLandscape);
    EXPECT_DOUBLE_EQ(w.PaperWidthBox()->Value(), 297);
    EXPECT_DOUBLE_EQ(w.PaperHeightBox()->Value(), 210);
    EXPECT_DOUBLE_EQ(w.PaperWidthBox()->MinValue(), 120);
    EXPECT_DOUBLE_EQ(w.PaperWidthBox()->MaxValue(), 600);
    EXPECT_DOUBLE_EQ(w.PaperHeightBox()->MinValue(), 90);
    EXPECT_DOUBLE_EQ(w.PaperHeightBox()->MaxValue(), 400);
    EXPECT_DOUBLE_EQ(w.MarginBox(mbLeft)->MaxValue(), 247);
    EXPECT_DOUBLE_EQ(w.MarginBox(mbTop)->MaxValue(), 160);
    w.PortraitButton()->click();
    EXPECT_DOUBLE_EQ(w.PaperWidthBox()->Value(), 210);
    EXPECT_DOUBLE_EQ(w.PaperWidthBox()->MaxValue(), 400);
    w.LandscapeButton()->click();
    w.OKButton()->click();
  }));
  EXPECT_EQ(style.PrinterPage().Orientation(), poLandscape);
  EXPECT_EQ(style.PrinterPage().OrientedPageSize(), (TPoint{297000, 210000}));
}

TEST_F(PageSetupDialogTest, DoubleClickOnAnOrientationButtonClosesWithOK) {
  EXPECT_TRUE(RunDialog([&](TdxfmPageSetupDialog& w) {
    w.LandscapeButton()->click();
    DoubleClick(w.LandscapeButton());
    EXPECT_FALSE(w.Running());
  }));
  EXPECT_EQ(style.PrinterPage().Orientation(), poLandscape);
}

TEST_F(PageSetupDialogTest, PrintOrderAndShadingGoToThePage) {
  EXPECT_TRUE(RunDialog([&](TdxfmPageSetupDialog& w) {
    EXPECT_TRUE(w.OverThenDownButton()->isChecked());
    DoubleClick(w.PrintOrderPicture());
    EXPECT_TRUE(w.DownThenOverButton()->isChecked());
    w.GrayShadingBox()->click();
    w.OKButton()->click();
  }));
  EXPECT_EQ(style.PrinterPage().PageOrder(), poDownThenOver);
  EXPECT_TRUE(style.PrinterPage().GrayShading());
}

TEST_F(PageSetupDialogTest, WithoutPrintersOnlyTheCustomPaperIsOfferedAndTheCheckPasses) {
  dxReplacePrintDevice(std::make_unique<PgsPrintDevice>());
  RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        ASSERT_EQ(w.PaperList()->count(), 1);
        EXPECT_EQ(RowOfKind(w.PaperList(), 256), 0);
        EXPECT_EQ(w.WorkingPage().OrientedPageSize(), (TPoint{210000, 297000}));
        EXPECT_EQ(w.PrintableOffsets(), (std::pair<double, double>{0, 0}));
        SetMargin(w, mbLeft, "0");
        SetMargin(w, mbHeader, "0");
        EXPECT_FALSE(w.MarginsOutside());
        w.CloseWithCancel();
      },
      pstMargins);
  // Without custom sizes nothing is left: the list is empty and disabled.
  style.AllowCustomPaperSizes = false;
  RunDialog([&](TdxfmPageSetupDialog& w) {
    EXPECT_EQ(w.PaperList()->count(), 0);
    EXPECT_FALSE(w.PaperList()->isEnabled());
    EXPECT_EQ(w.WorkingPage().DMPaper(), 9);
    w.CloseWithCancel();
  });
}

// ---- Permissions and options ------------------------------------------------------------

TEST_F(PageSetupDialogTest, PermissionsLockTheirControls) {
  style.AllowChangePaper = false;
  style.AllowChangeOrientation = false;
  style.AllowChangeMargins = false;
  style.AllowCustomPaperSizes = false;
  style.AllowChangeHFText = false;
  style.AllowChangeScale = false;
  RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        // The Scaling tab is gone, so the Page tab opens.
        EXPECT_FALSE(w.TabVisible(pstScaling));
        EXPECT_EQ(w.Tabs()->currentIndex(), int(pstPage));
        EXPECT_FALSE(w.PaperList()->isEnabled());
        EXPECT_EQ(RowOfKind(w.PaperList(), 256), -1);  // no user-defined paper
        EXPECT_EQ(w.PaperList()->count(), 3);
        EXPECT_FALSE(w.PortraitButton()->isEnabled());
        EXPECT_FALSE(w.LandscapeButton()->isEnabled());
        EXPECT_TRUE(w.PaperWidthBox()->isReadOnly());
        for (TdxMarginBox box : {mbTop, mbBottom, mbLeft, mbRight, mbHeader, mbFooter}) {
          EXPECT_TRUE(w.MarginBox(box)->isReadOnly());
          EXPECT_EQ(w.MarginBox(box)->focusPolicy(), Qt::ClickFocus);
          EXPECT_EQ(w.MarginBox(box)->palette().color(QPalette::Base), ColorToQColor(clBtnFace));
        }
        EXPECT_FALSE(w.SamplePreview()->OptionsBehavior() & dxBit(pobAllowDragMargins));
        // A spin step on a locked box only beeps.
        const int beeps = Beeps;
        w.MarginBox(mbTop)->Step(1, btLine, btNext);
        EXPECT_EQ(Beeps, beeps + 1);
        EXPECT_DOUBLE_EQ(Box(w, mbTop), 12.7);
        EXPECT_FALSE(w.RestoreButton()->isEnabled());
        EXPECT_TRUE(w.TextBox(hfbHeaderLeft)->isReadOnly());
        w.CloseWithCancel();
      },
      pstScaling);
}

TEST_F(PageSetupDialogTest, OptionsHideAndDisableGroupsAndTabs) {
  TdxPageSetupDialog dialog;
  dialog.SetPrintStyle(&style);
  dialog.OptionsVisible = dxAllPageSetupDlgOptions & ~(dxBit(psoMargins) | dxBit(psoCenterOnPage) |
                                                       dxBit(psoStyleCaption) | dxBit(psoHFFunctions));
  dialog.OptionsEnabled = dxAllPageSetupDlgOptions & ~(dxBit(psoPageOrder) | dxBit(psoHFBackground));
  dialog.HFMode = hfmOneSection;
  dialog.ActivePageIndex = pstMargins;
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
    EXPECT_FALSE(w.TabVisible(pstMargins));
    EXPECT_EQ(w.Tabs()->currentIndex(), int(pstPage));
    EXPECT_TRUE(w.TabVisible(pstHeaderFooter));
    EXPECT_FALSE(w.OverThenDownButton()->isEnabled());
    EXPECT_FALSE(w.PrintOrderPicture()->isEnabled());
    EXPECT_FALSE(w.BackgroundButton(false)->isEnabled());
    EXPECT_TRUE(w.FontButton(false)->isEnabled());
    EXPECT_TRUE(w.StyleCaptionPanel()->isHidden());
    EXPECT_TRUE(w.FunctionsGroup()->isHidden());
    EXPECT_FALSE(w.TextBox(hfbHeaderLeft)->isHidden());
    EXPECT_TRUE(w.TextBox(hfbHeaderCenter)->isHidden());
    EXPECT_TRUE(w.TextBox(hfbFooterRight)->isHidden());
    w.CloseWithCancel();
  });
  dialog.Execute();

  // The header and footer tab goes when everything on it is hidden.
  dialog.OptionsVisible = dxAllPageSetupDlgOptions &
                          ~(dxBit(psoHFText) | dxBit(psoHFFont) | dxBit(psoHFBackground) |
                            dxBit(psoHFFunctions) | dxBit(psoHFVertAlignment) | dxBit(psoHFReverse));
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
    EXPECT_FALSE(w.TabVisible(pstHeaderFooter));
    EXPECT_TRUE(w.TabVisible(pstMargins));
    w.CloseWithCancel();
  });
  dialog.Execute();
}

TEST_F(PageSetupDialogTest, HiddenStyleNamePanelMakesTheWindowShorter) {
  TdxPageSetupDialog dialog;
  dialog.SetPrintStyle(&style);
  int withPanel = 0, withoutPanel = 0, panel = 0;
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
    withPanel = w.height();
    panel = w.StyleCaptionPanel()->height();
    w.CloseWithCancel();
  });
  dialog.Execute();
  dialog.OptionsVisible &= ~dxBit(psoStyleCaption);
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
    withoutPanel = w.height();
    w.CloseWithCancel();
  });
  dialog.Execute();
  EXPECT_GT(panel, 0);
  EXPECT_EQ(withPanel - withoutPanel, panel);
}

TEST_F(PageSetupDialogTest, ButtonsMoveWhenTheirNeighboursAreHidden) {
  TdxPageSetupDialog dialog;
  dialog.SetPrintStyle(&style);
  QRect print, preview, ok, cancel, help;
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
    print = w.PrintButton()->geometry();
    preview = w.PreviewButton()->geometry();
    ok = w.OKButton()->geometry();
    cancel = w.CancelButton()->geometry();
    help = w.HelpButton()->geometry();
    EXPECT_TRUE(w.HelpButton()->isHidden());
    EXPECT_TRUE(w.OptionsButton()->isHidden());  // the standard style has no options dialog
    EXPECT_FALSE(w.PreviewButton()->isHidden());
    w.CloseWithCancel();
  });
  dialog.Execute();
  EXPECT_NE(print.x(), preview.x());
  // Without a help context OK and Cancel take the places of Cancel and Help.
  EXPECT_EQ(cancel.x(), help.x());

  dialog.ButtonsVisible &= ~dxBit(psbPrint);
  dialog.HelpContext = 7;
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
    EXPECT_TRUE(w.PrintButton()->isHidden());
    EXPECT_EQ(w.PreviewButton()->geometry().x(), print.x());
    EXPECT_FALSE(w.HelpButton()->isHidden());
    EXPECT_EQ(w.OKButton()->geometry().x() + w.OKButton()->width() + 6, w.CancelButton()->geometry().x());
    EXPECT_EQ(w.CancelButton()->geometry().x(), ok.x());
    w.CloseWithCancel();
  });
  dialog.Execute();

  // Without a wish for a preview result the style's entry hides the button.
  RunDialog(style, [&](TdxfmPageSetupDialog& w) {
    EXPECT_TRUE(w.PreviewButton()->isHidden());
    EXPECT_TRUE(w.PrintButton()->isHidden());
    w.CloseWithCancel();
  });
}

// ---- Header\Footer ----------------------------------------------------------------------

TEST_F(PageSetupDialogTest, HeaderAndFooterTextsAreEditedAndStored) {
  EXPECT_TRUE(RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        QToolBar* bar = w.FunctionToolBar();
        const std::vector<QToolButton*> functions = dxHFToolBarFunctionButtons(*bar);
        ASSERT_EQ(int(functions.size()), GetHFFunctionLibrary()->Count());
        EXPECT_EQ(dxHFToolBarAutoTextButton(*bar), nullptr);  // no manager
        EXPECT_FALSE(bar->isEnabled());
        EXPECT_EQ(functions[0]->toolTip().toStdString(), GetHFFunctionLibrary()->Functions(0)->Hint());

        QPlainTextEdit* left = w.TextBox(hfbHeaderLeft);
        left->setFocus();
        EXPECT_EQ(w.ActiveTextBox(), std::optional<TdxHFSectionBox>(hfbHeaderLeft));
        EXPECT_TRUE(bar->isEnabled());
        EXPECT_TRUE(w.AlignmentButton(taCenterY)->isChecked());
        left->insertPlainText("Report\nPage ");
        functions[0]->click();  // the page number
        w.AlignmentButton(taBottom)->click();

        // Moving to another text box keeps the tool bars.
        QPlainTextEdit* right = w.TextBox(hfbFooterRight);
        right->setFocus();
        right->selectAll();
        EXPECT_TRUE(bar->isEnabled());
        EXPECT_EQ(w.ActiveTextBox(), std::optional<TdxHFSectionBox>(hfbFooterRight));
        right->insertPlainText("Footer text");
        w.ReverseBox()->setFocus();
        EXPECT_FALSE(bar->isEnabled());
        EXPECT_FALSE(w.AlignmentButton(taTop)->isEnabled());
        EXPECT_FALSE(w.ActiveTextBox());
        w.ReverseBox()->click();
        w.OKButton()->click();
      },
      pstHeaderFooter));
  const TdxPrinterPage& page = style.PrinterPage();
  EXPECT_EQ(page.PageHeader().LeftTitle(), (TdxStrings{"Report", "Page [Page #]"}));
  EXPECT_EQ(page.PageHeader().LeftTextAlignY(), taBottom);
  EXPECT_EQ(page.PageFooter().RightTitle(), (TdxStrings{"Footer text"}));
  EXPECT_TRUE(page.ReverseTitlesOnEvenPages());
}

TEST_F(PageSetupDialogTest, EscapeInATextBoxCancels) {
  const TdxStrings before = style.PrinterPage().PageFooter().CenterTitle();
  EXPECT_FALSE(RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        w.TextBox(hfbFooterCenter)->setFocus();
        w.TextBox(hfbFooterCenter)->insertPlainText("changed");
        SendKey(*w.TextBox(hfbFooterCenter), Qt::Key_Escape);
        EXPECT_FALSE(w.Running());
      },
      pstHeaderFooter));
  EXPECT_EQ(style.PrinterPage().PageFooter().CenterTitle(), before);
}

TEST_F(PageSetupDialogTest, AutoTextFillsTheFooterBoxesOrTheFocusedBox) {
  TdxPrintStyleManager manager(&owner);
  TBasedxPrintStyle* managed = manager.AddStyle(TdxPSPrintStyle::StaticClass());
  managed->SetStyleCaption("Standard");
  const std::vector<std::string>& entries = manager.AutoHFTextEntries();
  const auto three = std::find(entries.begin(), entries.end(), "[User Name], Page [Page #], [Date Printed]");
  const auto one = std::find(entries.begin(), entries.end(), "Created By [User Name]");
  ASSERT_NE(three, entries.end());
  ASSERT_NE(one, entries.end());
  EXPECT_TRUE(RunDialog(
      *managed,
      [&](TdxfmPageSetupDialog& w) {
        EXPECT_FALSE(w.StyleCaptionPanel()->isHidden());
        EXPECT_EQ(w.StyleNameBox()->text(), "Standard");
        QToolButton* autoText = dxHFToolBarAutoTextButton(*w.FunctionToolBar());
        ASSERT_NE(autoText, nullptr);
        ASSERT_NE(autoText->menu(), nullptr);
        EXPECT_EQ(autoText->menu()->actions().size(), qsizetype(entries.size()));
        for (int i = 0; i < 6; ++i) w.TextBox(TdxHFSectionBox(i))->clear();

        w.TextBox(hfbFooterLeft)->setFocus();
        autoText->menu()->actions()[int(three - entries.begin())]->trigger();
        EXPECT_EQ(w.TextBox(hfbFooterLeft)->toPlainText(), "[User Name]");
        EXPECT_EQ(w.TextBox(hfbFooterCenter)->toPlainText(), "Page [Page #]");
        EXPECT_EQ(w.TextBox(hfbFooterRight)->toPlainText(), "[Date Printed]");
        EXPECT_EQ(w.TextBox(hfbHeaderLeft)->toPlainText(), "");

        w.TextBox(hfbHeaderCenter)->setFocus();
        w.InsertAutoText(int(one - entries.begin()));
        EXPECT_EQ(w.TextBox(hfbHeaderCenter)->toPlainText(), "Created By [User Name]");
        EXPECT_EQ(w.TextBox(hfbHeaderLeft)->toPlainText(), "");
        w.OKButton()->click();
      },
      pstHeaderFooter));
  EXPECT_EQ(managed->PrinterPage().PageFooter().CenterTitle(), (TdxStrings{"Page [Page #]"}));
  EXPECT_EQ(managed->PrinterPage().PageHeader().CenterTitle(), (TdxStrings{"Created By [User Name]"}));
}

TEST_F(PageSetupDialogTest, FontsAndBackgroundsOfTheBands) {
  TFont chosen;
  chosen.Name = "Arial";
  chosen.SetSize(14);
  chosen.Style = fsBold;
  chosen.Color = clRed;
  TFont offered;
  AnswerFontDialogs([&](const TFont& initial) -> std::optional<TFont> {
    offered = initial;
    return chosen;
  });
  AnswerModal<TdxfmColorPalette>([](TdxfmColorPalette& palette) {
    EXPECT_TRUE(palette.Options().BorderNone);
    EXPECT_TRUE(palette.NoFillButton()->isChecked());  // the band had no fill
    palette.ColorButton(16)->click();                   // "Red"
  });
  EXPECT_TRUE(RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        const QImage before = w.BackgroundPicture(false);
        EXPECT_EQ(before.width(), 95);
        EXPECT_EQ(before.height(), w.BackgroundButton(false)->height() - 10);
        // No fill: button face behind the "[No Fill]" text, and the arrow part.
        EXPECT_EQ(PixelRGB(before, 2, 1), kBtnFace);
        EXPECT_EQ(PixelRGB(before, 75 + 2, 1), kBtnShadow);
        EXPECT_EQ(PixelRGB(before, 75 + 3, 1), kBtnHighlight);

        w.FontButton(false)->click();
        EXPECT_EQ(w.FontDescriptionBox(false)->text().toStdString(), FormatFontInfo(chosen));
        EXPECT_EQ(w.FontDescriptionBox(false)->palette().color(QPalette::Text), ColorToQColor(clRed));
        w.BackgroundButton(false)->click();
        const QImage after = w.BackgroundPicture(false);
        EXPECT_EQ(PixelRGB(after, 37, after.height() / 2), 0xFF0400u);
        EXPECT_EQ(PixelRGB(after, 1, 1), kBtnShadow);
        w.OKButton()->click();
      },
      pstHeaderFooter));
  EXPECT_EQ(offered.Name, "Tahoma");
  EXPECT_EQ(style.PrinterPage().PageHeader().Font(), chosen);
  EXPECT_EQ(style.PrinterPage().PageHeader().Background().Mode(), bmBrush);
  EXPECT_EQ(ColorToRGB(style.PrinterPage().PageHeader().Background().Brush().Color), RGBValue(255, 4, 0));
  EXPECT_EQ(style.PrinterPage().PageFooter().Background().Mode(), bmNone);
}

// ---- Scaling ------------------------------------------------------------------------------

TEST_F(PageSetupDialogTest, ScalingToFitAndBackToAPercentage) {
  EXPECT_TRUE(RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        EXPECT_TRUE(w.AdjustToButton()->isChecked());
        EXPECT_EQ(w.ScaleFactorBox()->AsInteger(), 100);
        w.FitToButton()->click();
        EXPECT_EQ(QApplication::focusWidget(), w.FitWideBox());
        EXPECT_EQ(w.WorkingPage().ScaleMode(), smFit);
        TypeInto(w.FitWideBox(), "2");
        TypeInto(w.FitTallBox(), "3");
        w.OKButton()->setFocus();
        w.OKButton()->click();
      },
      pstScaling));
  EXPECT_EQ(style.PrinterPage().ScaleMode(), smFit);
  EXPECT_EQ(style.PrinterPage().FitToPagesByWide(), 2);
  EXPECT_EQ(style.PrinterPage().FitToPagesByTall(), 3);

  EXPECT_TRUE(RunDialog(
      [&](TdxfmPageSetupDialog& w) {
        EXPECT_TRUE(w.FitToButton()->isChecked());
        TypeInto(w.ScaleFactorBox(), "50");
        EXPECT_TRUE(w.AdjustToButton()->isChecked());
        // Enter takes the focused box's value before closing.
        SendKey(*w.ScaleFactorBox(), Qt::Key_Return);
        EXPECT_FALSE(w.Running());
      },
      pstScaling));
  EXPECT_EQ(style.PrinterPage().ScaleMode(), smAdjust);
  EXPECT_EQ(style.PrinterPage().ScaleFactor(), 50);
  EXPECT_EQ(style.PrinterPage().FitToPagesByWide(), 2);
}

// ---- Closing and writing back ------------------------------------------------------------

TEST_F(PageSetupDialogTest, OnlyOKAfterAChangeWritesBack) {
  int changes = 0;
  style.PrinterPage().OnPageParamsChanged = [&](TdxPrinterPage&, TdxPageUpdateCodes) { ++changes; };

  // Cancel after a change: nothing.
  EXPECT_FALSE(RunDialog([&](TdxfmPageSetupDialog& w) {
    SetMargin(w, mbLeft, "30");
    w.GrayShadingBox()->click();
    w.CancelButton()->click();
  }, pstMargins));
  EXPECT_EQ(changes, 0);
  EXPECT_EQ(style.PrinterPage().Margins().Left(), 12700);
  EXPECT_FALSE(style.PrinterPage().GrayShading());

  // OK without a change: nothing either.
  EXPECT_TRUE(RunDialog([&](TdxfmPageSetupDialog& w) {
    EXPECT_FALSE(w.Modified());
    w.OKButton()->click();
  }));
  EXPECT_EQ(changes, 0);

  // OK after a change: the values arrive in one notification.
  EXPECT_TRUE(RunDialog([&](TdxfmPageSetupDialog& w) {
    SetMargin(w, mbLeft, "30");
    SetMargin(w, mbRight, "25.5");
    w.OKButton()->click();
  }, pstMargins));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(style.PrinterPage().Margins().Left(), 30000);
  EXPECT_EQ(style.PrinterPage().Margins().Right(), 25500);
  style.PrinterPage().OnPageParamsChanged = nullptr;
}

TEST_F(PageSetupDialogTest, ShowAndCloseAreReportedByTheComponent) {
  TdxPageSetupDialog dialog;
  dialog.SetPrintStyle(&style);
  std::vector<std::string> events;
  dialog.OnShow = [&](TdxPageSetupDialog& sender) {
    EXPECT_EQ(&sender, &dialog);
    events.push_back("show");
  };
  dialog.OnClose = [&](TdxPageSetupDialog&) { events.push_back("close"); };
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
    events.push_back("run");
    w.CloseWithCancel();
  });
  EXPECT_FALSE(dialog.Execute());
  EXPECT_EQ(events, (std::vector<std::string>{"show", "run", "close"}));
}

TEST_F(PageSetupDialogTest, PreviewButtonClosesWithOKAndMakesTheStyleCurrent) {
  TdxPrintStyleManager manager(&owner);
  TBasedxPrintStyle* a = manager.AddStyle(TdxPSPrintStyle::StaticClass());
  TBasedxPrintStyle* b = manager.AddStyle(TdxPSPrintStyle::StaticClass());
  a->SetStyleCaption("A");
  b->SetStyleCaption("B");
  ASSERT_EQ(manager.CurrentStyle(), a);
  bool preview = false, print = false;
  EXPECT_TRUE(RunDialog(*b, [&](TdxfmPageSetupDialog& w) {
    EXPECT_FALSE(w.PreviewButton()->isHidden());
    w.PreviewButton()->click();
  }, 0, &preview, &print));
  EXPECT_TRUE(preview);
  EXPECT_FALSE(print);
  EXPECT_EQ(manager.CurrentStyle(), b);
}

TEST_F(PageSetupDialogTest, DuplicateStyleNameIsRefused) {
  TdxPrintStyleManager manager(&owner);
  TBasedxPrintStyle* a = manager.AddStyle(TdxPSPrintStyle::StaticClass());
  TBasedxPrintStyle* b = manager.AddStyle(TdxPSPrintStyle::StaticClass());
  a->SetStyleCaption("Alpha");
  b->SetStyleCaption("Beta");
  bool preview = false;
  EXPECT_TRUE(RunDialog(
      *a,
      [&](TdxfmPageSetupDialog& w) {
        EXPECT_EQ(QApplication::focusWidget(), w.StyleNameBox());
        TypeInto(w.StyleNameBox(), "beta");
        w.PreviewButton()->click();
        EXPECT_TRUE(w.Running());
        EXPECT_FALSE(w.PreviewChosen());
        ASSERT_EQ(Messages.size(), 1u);
        EXPECT_EQ(Messages[0], "The style name \"beta\" already exists. Please supply another name.");
        EXPECT_EQ(QApplication::focusWidget(), w.StyleNameBox());
        TypeInto(w.StyleNameBox(), "Gamma");
        w.OKButton()->setFocus();
        EXPECT_EQ(w.windowTitle(), "Page Setup: Gamma");
        w.OKButton()->click();
      },
      pstMargins, &preview));
  EXPECT_FALSE(preview);
  EXPECT_EQ(a->StyleCaption(), "Gamma");
  EXPECT_EQ(b->StyleCaption(), "Beta");
}

TEST_F(PageSetupDialogTest, ACopyBeingMadeCountsAsModified) {
  TdxPrintStyleManager manager(&owner);
  manager.AddStyle(TdxPSPrintStyle::StaticClass());
  TBasedxPrintStyle* copy = manager.CloneStyle(0);
  ASSERT_TRUE(copy && copy->IsCloning());
  RunDialog(*copy, [&](TdxfmPageSetupDialog& w) {
    EXPECT_TRUE(w.Modified());
    w.CloseWithCancel();
  });
  manager.FinishClone(copy);
}

// ---- The report link -------------------------------------------------------------------

class PageSetupLinkTest : public PageSetupDialogTest {
 protected:
  void SetUp() override {
    PageSetupDialogTest::SetUp();
    componentClass_ = dxComponentClassOf(&widget);
    dxPSRegisterReportLink(TPgsTestLink::StaticClass(), componentClass_, nullptr);
    link = new TPgsTestLink;
    link->SetComponentPrinter(&printer);
    link->SetComponent(&widget);
    link->SetActive(true);
    link->PrinterPage().SetMeasurementUnits(muMillimeters);
  }
  void TearDown() override {
    dxPSUnregisterReportLink(TPgsTestLink::StaticClass(), componentClass_, nullptr);
    PageSetupDialogTest::TearDown();
  }

  QWidget widget;
  TdxComponentPrinter printer;
  TPgsTestLink* link = nullptr;

 private:
  TdxClass componentClass_ = nullptr;
};

TEST_F(PageSetupLinkTest, AcceptedChangesReachTheLinksPageAndRepaginate) {
  ASSERT_TRUE(link->Active());
  int calculations = link->Calculations();
  std::vector<bool> pageSetupEvents;
  printer.OnPageSetup = [&](TCustomdxComponentPrinter& p, TBasedxReportLink*, bool done) {
    EXPECT_FALSE(p.InPageSetup());
    pageSetupEvents.push_back(done);
  };

  // Cancel: the link's page stays and nothing is laid out again.
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
    EXPECT_TRUE(printer.InPageSetup());
    EXPECT_EQ(w.windowTitle(), "Page Setup");
    SetMargin(w, mbLeft, "40");
    w.CloseWithCancel();
  });
  EXPECT_FALSE(printer.PageSetup(pstMargins));
  EXPECT_EQ(link->PrinterPage().Margins().Left(), 12700);
  EXPECT_EQ(link->Calculations(), calculations);

  // OK after a change: taken back, laid out once.
  bool preview = true, print = true;
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
    EXPECT_FALSE(w.PreviewButton()->isHidden());
    SetMargin(w, mbLeft, "40");
    w.OKButton()->click();
  });
  EXPECT_TRUE(printer.PageSetup(pstMargins, &preview, &print));
  EXPECT_FALSE(preview);
  EXPECT_FALSE(print);
  EXPECT_EQ(link->PrinterPage().Margins().Left(), 40000);
  EXPECT_EQ(link->Calculations(), calculations + 1);
  EXPECT_EQ(pageSetupEvents, (std::vector<bool>{false, true}));

  // OK without a change: nothing to take back.
  calculations = link->Calculations();
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) { w.OKButton()->click(); });
  EXPECT_TRUE(printer.PageSetup(0));
  EXPECT_EQ(link->Calculations(), calculations);
}

TEST_F(PageSetupLinkTest, LinkWithAManagerEditsTheCurrentStyle) {
  TdxPrintStyleManager manager(&owner);
  TBasedxPrintStyle* current = manager.AddStyle(TdxPSPrintStyle::StaticClass());
  current->PrinterPage().SetMeasurementUnits(muMillimeters);
  link->SetStyleManager(&manager);
  const int calculations = link->Calculations();
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
    EXPECT_EQ(w.SourceStyle(), current);
    SetMargin(w, mbRight, "33");
    w.OKButton()->click();
  });
  EXPECT_TRUE(printer.PageSetup(pstMargins));
  EXPECT_EQ(current->PrinterPage().Margins().Right(), 33000);
  EXPECT_EQ(link->PrinterPage().Margins().Right(), 12700);
  EXPECT_EQ(link->Calculations(), calculations + 1);
}

// ---- The background palette ---------------------------------------------------------------

TEST(BackgroundPaletteTest, OpensWithTheMatchingButtonDown) {
  TdxBackground background;
  background.SetMode(bmBrush);
  background.SetBrushColor(TColor(RGBValue(255, 4, 0)));
  {
    TdxfmColorPalette palette(background, TdxBackgroundDlgData{});
    EXPECT_EQ(palette.DownColorIndex(), 16);
    EXPECT_EQ(std::string(dxPSPaletteColors[16].Hint), "Red");
    EXPECT_FALSE(palette.NoFillButton()->isChecked());
    EXPECT_EQ(palette.width(), 148);
  }
  background.SetBrushColor(TColor(RGBValue(255, 0, 0)));
  {
    TdxfmColorPalette palette(background, TdxBackgroundDlgData{});
    EXPECT_EQ(palette.DownColorIndex(), -1);
  }
  background.SetMode(bmNone);
  TdxfmColorPalette palette(background, TdxBackgroundDlgData{});
  EXPECT_TRUE(palette.NoFillButton()->isChecked());
  EXPECT_FALSE(palette.FillEffectsButton()->isHidden());
  EXPECT_FALSE(palette.MoreColorsButton()->isHidden());
  EXPECT_EQ(palette.height(), 182);
}

TEST(BackgroundPaletteTest, StaysInsideTheWorkArea) {
  const QRect work(0, 0, 1000, 800);
  const QSize size(148, 182);
  EXPECT_EQ(TdxfmColorPalette::PlaceWithin({950, 100}, size, work), QPoint(852, 100));
  EXPECT_EQ(TdxfmColorPalette::PlaceWithin({-20, 100}, size, work), QPoint(0, 100));
  EXPECT_EQ(TdxfmColorPalette::PlaceWithin({10, 700}, size, work), QPoint(10, 618));
}

TEST(BackgroundPaletteTest, ChoicesChangeTheBackgroundAndDismissingDoesNot) {
  TdxBackground background;
  background.SetMode(bmBrush);
  background.SetBrushColor(clBlue);
  AnswerModal<TdxfmColorPalette>([](TdxfmColorPalette& palette) { palette.NoFillButton()->click(); });
  EXPECT_TRUE(ChooseBackground(background, QPoint(10, 10)));
  EXPECT_EQ(background.Mode(), bmNone);

  AnswerModal<TdxfmColorPalette>([](TdxfmColorPalette& palette) { SendKey(palette, Qt::Key_Escape); });
  EXPECT_FALSE(ChooseBackground(background, QPoint(10, 10)));
  EXPECT_EQ(background.Mode(), bmNone);

  // "More Colors..." through the colour dialog; a hatched brush becomes solid.
  background.SetMode(bmBrush);
  background.SetBrushStyle(bsCross);
  AnswerColorDialogs([](TColor) -> std::optional<TColor> { return TColor(0x123456); });
  AnswerModal<TdxfmColorPalette>([](TdxfmColorPalette& palette) { palette.MoreColorsButton()->click(); });
  EXPECT_TRUE(ChooseBackground(background, QPoint(10, 10)));
  EXPECT_EQ(background.Brush().Color, TColor(0x123456));
  EXPECT_EQ(background.Brush().Style, bsSolid);
  AnswerColorDialogs([](TColor) -> std::optional<TColor> { return std::nullopt; });
  EXPECT_FALSE(ChooseBackground(background, QPoint(10, 10)));
  AnswerColorDialogs(nullptr);

  // "Fill Effects..." runs the fill-effects dialog and answers what it did.
  AnswerModal<TdxPSDialogForm>([](TdxPSDialogForm& form) {
    auto& dialog = dynamic_cast<TdxFEFDialog&>(form);
    dialog.Tabs()->setCurrentIndex(TdxFEFDialog::fpPicture);
    dialog.PastePicture();
    dialog.OKButton()->click();
  });
  TBitmap pasted;
  pasted.SetImage(MakeTestImage(20, 10));
  CopyGraphicToClipboard(pasted);
  AnswerModal<TdxfmColorPalette>([](TdxfmColorPalette& palette) {
    EXPECT_FALSE(palette.FillEffectsButton()->isHidden());
    palette.FillEffectsButton()->click();
  });
  EXPECT_TRUE(ChooseBackground(background, QPoint(10, 10)));
  EXPECT_EQ(background.Mode(), bmPicture);
  AnswerModal<TdxPSDialogForm>(nullptr);
  AnswerModal<TdxfmColorPalette>(nullptr);
}

}  // namespace
