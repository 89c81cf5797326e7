// The main window's print command, end to end: the photo and the calendar
// of Form1 go through the component printer, the container link, the
// renderer and the print device into a PDF, checked with the poppler tools.
// The CupsPrint tests print through the private CUPS scheduler of
// tests/support/cups-sandbox.sh and skip without it.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QFileInfo>
#include <chrono>
#include <optional>
#include <thread>

#include "app/MainForm.h"
#include "dialogs/PageSetupDialog.h"
#include "dialogs/PrintDialog.h"
#include "preview/PreviewControl.h"
#include "preview/PreviewWindow.h"
#include "editors/ImageEditor.h"
#include "engine/ComponentPrinter.h"
#include "engine/ContainerReportLink.h"
#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/JpegCache.h"
#include "platform/MessageDialogs.h"
#include "report/EventBus.h"
#include "report/EventSubscribers.h"
#include "tests/TestSupport.h"
#include "tests/app/Form1TestSupport.h"
#include "tests/editors/DialogControlsSupport.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

std::vector<std::string> g_errors;
void CollectError(const std::string&, const std::string& text) { g_errors.push_back(text); }

class PrintCommandFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    Application::SetTitle("Ardel Sorvan");
    AnswerErrorBoxes(CollectError);
    g_errors.clear();
    AnswerMessageBoxes([this](TMessageBoxKind, const std::string&, const std::string& text) {
      boxes.push_back(text);
      return true;
    });
  }
  void TearDown() override {
    AnswerFileDialogs(nullptr);
    AnswerErrorBoxes(nullptr);
    AnswerMessageBoxes({});
  }
  void OpenForm() {
    form = std::make_unique<TForm1>();
    form->show();
    QApplication::processEvents();
  }
  // Loads a JPEG of the test picture into the photo through the menu.
  void ChoosePhoto(int width, int height) {
    ChoosePicture(*form, WriteTestJpeg(dir, "photo.jpg", width, height));
    ASSERT_FALSE(form->cxImage1->Picture().Empty());
  }

  ScratchDir dir;
  std::vector<std::string> boxes;
  std::unique_ptr<TForm1> form;
};

// The box of the pixels of the test picture's saturated colours, within
// area (the whole image when empty).
QRect PhotoBox(const QImage& image, QRect area = QRect()) {
  if (area.isEmpty()) area = image.rect();
  area &= image.rect();
  QRect box;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor c = image.pixelColor(x, y);
      const int hi = std::max({c.red(), c.green(), c.blue()}), lo = std::min({c.red(), c.green(), c.blue()});
      if (hi - lo > 120) box = box.united(QRect(x, y, 1, 1));
    }
  return box;
}

// Compares the photo as the window shows it with the printed one, point by
// point over a grid (the borders of both boxes left out); answers the share
// of matching points.
double PhotoMatch(const QImage& shown, const QRect& shownBox, const QImage& printed, const QRect& printedBox) {
  int match = 0, total = 0;
  for (int i = 1; i < 20; ++i)
    for (int j = 1; j < 20; ++j) {
      const QPoint s(shownBox.left() + shownBox.width() * i / 20, shownBox.top() + shownBox.height() * j / 20);
      const QPoint p(printedBox.left() + printedBox.width() * i / 20, printedBox.top() + printedBox.height() * j / 20);
      ++total;
      match += ColorNear(PixelRGB(shown, s.x(), s.y()), PixelRGB(printed, p.x(), p.y()), 70);
    }
  return double(match) / total;
}

// ---- On a printer described by hand ----------------------------------------------------

class PrintCommandTest : public PrintCommandFixture {
 protected:
  void SetUp() override {
    PrintCommandFixture::SetUp();
    auto device = std::make_unique<HandPrintDevice>();
    device->Printers = {{"Hand", true, false}};
    device->Descriptions = {HandLetterPrinter("Hand", 150)};
    device->Default = "Hand";
    device_.emplace(std::move(device));
  }
  std::optional<ScopedPrintDevice> device_;
};

TEST_F(PrintCommandTest, FormOwnsThePrinterAndItsActiveLink) {
  OpenForm();
  ASSERT_NE(form->yazici, nullptr);
  ASSERT_NE(form->yaziciLink1, nullptr);
  TdxComponentPrinter& printer = *form->yazici;
  TdxCustomContainerReportLink& link = *form->yaziciLink1;
  EXPECT_EQ(printer.objectName(), "yazici");
  EXPECT_EQ(printer.LinkCount(), 1);
  EXPECT_EQ(printer.CurrentLink(), &link);
  EXPECT_EQ(printer.Options, dxCPAllOptions);
  EXPECT_EQ(printer.Version, 0);
  const TFont& thumbnails = printer.PreviewOptions().ThumbnailsOptions.Font;
  EXPECT_EQ(thumbnails.Name, "Tahoma");
  EXPECT_EQ(thumbnails.Height, -64);
  EXPECT_EQ(thumbnails.Color, clBlue);

  EXPECT_EQ(link.Name(), "yaziciLink1");
  EXPECT_EQ(link.Component(), form.get());
  EXPECT_TRUE(link.Active());  // built when the form was read
  EXPECT_TRUE(link.BuiltInReportLink);
  EXPECT_TRUE(link.OptionsTransparent().Controls());
  EXPECT_EQ(link.Font().Name, "Times New Roman");
  EXPECT_EQ(link.ReportDocument().Caption(), "NewReport");
  EXPECT_EQ(link.ReportTitle().Font().Height, -19);
  EXPECT_EQ(link.ReportTitle().Font().Style, TFontStyles(fsBold));

  // The page in tenths of a millimetre, whatever the units of the locale.
  TdxPrinterPage& page = link.PrinterPage();
  EXPECT_EQ(page.PageSizeLoMetric(), (TPoint{2159, 2794}));
  EXPECT_EQ(page.MarginsLoMetric(), TRect(127, 127, 127, 64));
  EXPECT_EQ(page.HeaderLoMetric(), 48);  // 4.75 mm
  EXPECT_EQ(page.FooterLoMetric(), 46);
  EXPECT_EQ(page.MinMarginsLoMetric(), TRect(0, 0, 0, 0));
  EXPECT_EQ(page.PageHeader().Font().Name, "Tahoma");
  EXPECT_EQ(page.PageFooter().Font().Height, -11);
  EXPECT_EQ(page.MeasurementUnits(), muDefault);
  EXPECT_TRUE(g_errors.empty());
}

TEST_F(PrintCommandTest, PrintCommandPrintsLetterPagesWithPhotoAndCalendarOnTheFirst) {
  OpenForm();
  ChoosePhoto(400, 300);
  TdxPSPrintReportSubscriber bus;
  std::vector<std::string> heard;
  bus.OnStartPrint = [&](TdxObject*, TdxObject*, int count) { heard.push_back("start " + std::to_string(count)); };
  bus.OnNewPage = [&](TdxObject*, TdxObject*, int page) { heard.push_back("page " + std::to_string(page)); };
  bus.OnEndPrint = [&](TdxObject*, TdxObject*) { heard.push_back("end"); };
  const std::string pdf = dir.Path("form.pdf");
  GetPrintDevice().JobOutputFile = pdf;
  form->Yazdr1->trigger();
  EXPECT_TRUE(g_errors.empty());
  EXPECT_TRUE(boxes.empty());
  // Every page of the report once, in order.
  const int pageCount = form->yaziciLink1->PageCount();
  ASSERT_EQ(pageCount, 1);  // the whole window fits one Letter page
  std::vector<std::string> expected{"start " + std::to_string(pageCount)};
  for (int page = 1; page < pageCount; ++page) expected.push_back("page " + std::to_string(page));
  expected.push_back("end");
  EXPECT_EQ(heard, expected);

  ASSERT_EQ(PdfPageCount(pdf), pageCount);
  const std::string info = ShellOutput("pdfinfo -f 1 -l 9 '" + pdf + "'");
  EXPECT_NE(info.find("612 x 792 pts"), std::string::npos) << info;
  // The calendar prints as text.
  const std::string text = ShellOutput("pdftotext -f 1 -l 1 '" + pdf + "' -");
  EXPECT_NE(text.find("2006"), std::string::npos) << text;

  // The photo lies where the photo cell lies: the window's client area
  // starts at the page's margins (12.7 mm, 48 pixels at 96 dpi) and is
  // printed at its screen size; the photo control sits at (16, 0).
  int status = 0;
  const std::string png = dir.Path("form");
  ShellOutput("pdftoppm -f 1 -l 1 -r 96 -png -singlefile '" + pdf + "' '" + png + "'", &status);
  ASSERT_EQ(status, 0);
  const QImage printed = QImage(QString::fromStdString(png + ".png")).convertToFormat(QImage::Format_RGB32);
  ASSERT_FALSE(printed.isNull());
  const QImage shown = form->cxImage1->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect cell(48 + 16, 48, 670, 506);
  const QRect shownBox = PhotoBox(shown), printedBox = PhotoBox(printed, cell.adjusted(-4, -4, 4, 4));
  ASSERT_FALSE(shownBox.isEmpty());
  ASSERT_FALSE(printedBox.isEmpty());
  const QRect where = shownBox.translated(cell.topLeft());
  EXPECT_NEAR(printedBox.left(), where.left(), 3);
  EXPECT_NEAR(printedBox.top(), where.top(), 3);
  EXPECT_NEAR(printedBox.right(), where.right(), 3);
  EXPECT_NEAR(printedBox.bottom(), where.bottom(), 3);
  EXPECT_GT(PhotoMatch(shown, shownBox, printed, printedBox), 0.9);
}

// ---- Through the private CUPS scheduler -----------------------------------------------

class CupsPrint : public PrintCommandFixture {
 protected:
  void SetUp() override {
    std::string why;
    const std::optional<std::string> pdfDir = CupsSandboxPdfFolder(&why);
    if (!pdfDir) GTEST_SKIP() << why;
    pdfDir_ = *pdfDir;
    unsetenv("LPDEST");
    unsetenv("PRINTER");
    PrintBackend::ResetServer();
    device_.emplace(std::make_unique<TdxPrintDevice>());  // a fresh device on the sandbox
    PrintCommandFixture::SetUp();
  }
  // A scheduler command (cupsdisable, cancel...) on the sandbox.
  static std::string Admin(const std::string& command) {
    int status = 0;
    const std::string out = ShellOutput(command + " -h '" + std::getenv("CUPS_SERVER") + "'", &status);
    EXPECT_EQ(status, 0) << command << ": " << out;
    return out;
  }
  // Runs "Önizleme"; inspect works the open modal window, which is closed
  // afterwards.
  void Preview(const std::function<void(TCustomdxPSPreviewWindow&)>& inspect) { RunPreviewCommand(*form, inspect); }
  // The preview window's "Print..." with the dialog worked by drive; answers
  // the job the command started (0: none).
  int PrintFromPreview(TCustomdxPSPreviewWindow& window, const std::function<void(TdxfmPrintDialog&)>& drive) {
    int jobId = 0, dialogs = 0;
    form->yazici->OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) {
      jobId = GetPrintDevice().JobId();
    };
    AnswerModal<TdxfmPrintDialog>([&](TdxfmPrintDialog& d) {
      ++dialogs;
      QApplication::setActiveWindow(&d);
      drive(d);
    });
    dynamic_cast<TdxfmStdPreview&>(window).Action(pcPrintDialog)->trigger();
    AnswerModal<TdxfmPrintDialog>({});
    form->yazici->OnStartPrint = nullptr;
    EXPECT_EQ(dialogs, 1);
    return jobId;
  }
  static void Choose(TdxfmPrintDialog& d, const QString& printer) {
    const int index = d.Printers()->findText(printer, Qt::MatchExactly);
    ASSERT_GE(index, 0) << printer.toStdString();
    d.Printers()->setCurrentIndex(index);
    emit d.Printers()->activated(index);
  }
  static std::string PageSizes(const std::string& pdf) {
    return ShellOutput("pdfinfo -f 1 -l 99 '" + pdf + "' | grep 'size:'");
  }

  std::string pdfDir_;
  std::optional<ScopedPrintDevice> device_;
};

TEST_F(CupsPrint, PrintCommandSendsTheWindowOnLetterPagesToTheDefaultPrinter) {
  OpenForm();
  ChoosePhoto(640, 480);
  int jobId = 0;
  form->yazici->OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) {
    jobId = GetPrintDevice().JobId();
  };
  form->Yazdr1->trigger();
  EXPECT_TRUE(g_errors.empty());
  EXPECT_TRUE(boxes.empty());
  ASSERT_GT(jobId, 0);
  ASSERT_EQ(WaitForCupsJob(jobId), 9);
  const std::string pdf = CupsJobPdf(pdfDir_, jobId);
  ASSERT_FALSE(pdf.empty());
  ASSERT_EQ(PdfPageCount(pdf), 1);
  const std::string info = ShellOutput("pdfinfo -f 1 -l 9 '" + pdf + "'");
  EXPECT_NE(info.find("612 x 792 pts"), std::string::npos) << info;

  int status = 0;
  const std::string png = dir.Path("spooled");
  ShellOutput("pdftoppm -f 1 -l 1 -r 96 -png -singlefile '" + pdf + "' '" + png + "'", &status);
  ASSERT_EQ(status, 0);
  const QImage printed = QImage(QString::fromStdString(png + ".png")).convertToFormat(QImage::Format_RGB32);
  const QImage shown = form->cxImage1->grab().toImage().convertToFormat(QImage::Format_RGB32);
  const QRect cell(48 + 16, 48, 670, 506);
  const QRect shownBox = PhotoBox(shown), printedBox = PhotoBox(printed, cell.adjusted(-4, -4, 4, 4));
  ASSERT_FALSE(printedBox.isEmpty());
  const QRect where = shownBox.translated(cell.topLeft());
  EXPECT_NEAR(printedBox.left(), where.left(), 3);
  EXPECT_NEAR(printedBox.top(), where.top(), 3);
  EXPECT_NEAR(printedBox.right(), where.right(), 3);
  EXPECT_NEAR(printedBox.bottom(), where.bottom(), 3);
  EXPECT_GT(PhotoMatch(shown, shownBox, printed, printedBox), 0.9);

  // The page did not become one picture on its way through the spooler's
  // PostScript filters: the calendar is set in a font, and the pictures are
  // the photo and the calendar's small arrows, none partly transparent.
  EXPECT_GT(PdfFontCount(pdf), 0);
  const std::vector<PdfPicture> pictures = PdfPictures(pdf);
  EXPECT_FALSE(pictures.empty());
  for (const PdfPicture& p : pictures) {
    EXPECT_NE(p.Kind, "smask");
    EXPECT_LE(p.Width, 640);
    EXPECT_LE(p.Height, 480);
  }
}

// A portrait photo from a phone, stored landscape (the test picture, red
// left and blue right) with EXIF orientation 6 (turn clockwise to view):
// upright it is taller than wide with the red half on top, in the photo area,
// the preview, on paper from the CUPS test printer and in a report file saved
// and loaded again.
TEST_F(CupsPrint, PortraitPhonePhotoIsUprightEverywhere) {
  TBitmap stored;
  stored.SetImage(MakeTestImage(400, 300));
  TJPEGImage compressed;
  compressed.AssignBitmap(stored, 95);
  const std::string photo = dir.Write("phone.jpg", WithExifOrientation(compressed.SaveToStream(), 6));
  TJPEGImage probe;
  probe.LoadFromFile(photo);
  ASSERT_LT(probe.Width(), probe.Height()) << "the picture is the upright one";

  auto expectUpright = [](const QImage& image, const QRect& area, const char* where) {
    const QRect box = PhotoBox(image.convertToFormat(QImage::Format_RGB32), area);
    ASSERT_FALSE(box.isEmpty()) << where;
    EXPECT_GT(box.height(), box.width()) << where;
    const int x = box.center().x();
    EXPECT_TRUE(ColorNear(PixelRGB(image, x, box.top() + box.height() / 8), 0xFF0000, 60)) << where;
    EXPECT_TRUE(ColorNear(PixelRGB(image, x, box.bottom() - box.height() / 8), 0x0000FF, 60)) << where;
  };
  // The photo cell of the page at 100 %, clear of the window's frame and
  // the calendar's title bar.
  const QRect previewCell(60, 45, 690, 515);
  OpenForm();
  ChoosePicture(*form, photo);
  EXPECT_EQ(form->cxImage1->Picture().Width(), 300);
  expectUpright(form->cxImage1->grab().toImage(), QRect(), "photo area");
  Preview([&](TCustomdxPSPreviewWindow& window) {
    TdxPreview* view = dynamic_cast<TdxfmStdPreview&>(window).PreviewControl();
    view->SetZoomFactor(100);
    QApplication::processEvents();
    expectUpright(view->grab().toImage(), previewCell, "preview");
  });

  int jobId = 0;
  form->yazici->OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) {
    jobId = GetPrintDevice().JobId();
  };
  form->Yazdr1->trigger();
  ASSERT_GT(jobId, 0);
  ASSERT_EQ(WaitForCupsJob(jobId), 9);
  const std::string pdf = CupsJobPdf(pdfDir_, jobId);
  const std::string png = dir.Path("phone");
  int status = 0;
  ShellOutput("pdftoppm -f 1 -l 1 -r 96 -png -singlefile '" + pdf + "' '" + png + "'", &status);
  ASSERT_EQ(status, 0);
  expectUpright(QImage(QString::fromStdString(png + ".png")), QRect(48 + 16, 48, 670, 506), "paper");

  // Saved, and loaded into the window of a program started anew.
  const std::string report = dir.Path("phone.rps");
  ASSERT_TRUE(form->yaziciLink1->SaveToFile(report));
  ClearJpegCache();
  OpenForm();
  Preview([&](TCustomdxPSPreviewWindow& window) {
    form->yaziciLink1->LoadFromFile(report);
    TdxPreview* view = dynamic_cast<TdxfmStdPreview&>(window).PreviewControl();
    view->SetZoomFactor(100);
    QApplication::processEvents();
    expectUpright(view->grab().toImage(), previewCell, "report file");
  });
  EXPECT_TRUE(g_errors.empty());
}

// From the preview window: page setup to landscape with 20 mm margins
// re-paginates the preview; the print dialog then prints page 1 twice,
// collated, in landscape; print to file writes the file; a bad page range or
// file name prints nothing; a stopped printer shows as "Paused".
TEST_F(CupsPrint, PreviewPageSetupThenPrintDialog) {
  OpenForm();
  ChoosePhoto(640, 480);
  Preview([&](TCustomdxPSPreviewWindow& window) {
    ASSERT_EQ(window.PageCount(), 1);
    TdxPrinterPage& page = form->yaziciLink1->RealPrinterPage();
    EXPECT_EQ(page.Orientation(), poPortrait);

    // Page setup: landscape, 20 mm on every side.
    int setups = 0;
    AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
      ++setups;
      w.activateWindow();
      w.LandscapeButton()->click();
      ASSERT_EQ(w.MarginBox(mbTop)->LegendText(), "mm");
      for (TdxMarginBox box : {mbTop, mbBottom, mbLeft, mbRight}) {
        TdxPSSpinEdit* edit = w.MarginBox(box);
        edit->setFocus();
        edit->selectAll();
        for (char c : std::string("20")) TypeChar(*edit, QChar(c));
      }
      w.OKButton()->setFocus();
      EXPECT_FALSE(w.MarginsInvalid());
      w.OKButton()->click();
    });
    dynamic_cast<TdxfmStdPreview&>(window).Action(pcPageSetup)->trigger();
    AnswerModal<TdxfmPageSetupDialog>(nullptr);
    ASSERT_EQ(setups, 1);
    EXPECT_EQ(page.Orientation(), poLandscape);
    EXPECT_EQ(page.MarginsLoMetric(), TRect(200, 200, 200, 200));
    // The window does not fit one landscape page in height any more.
    QApplication::processEvents();
    EXPECT_EQ(window.PageCount(), 2);
    EXPECT_EQ(window.StatusBar()->PanelText(TCustomdxPSPreviewWindow::spPageCount), "2");

    // Page "1", two copies, collated.
    const int job = PrintFromPreview(window, [&](TdxfmPrintDialog& d) {
      Choose(d, "ArdelPDF");
      d.PageRangesButton()->click();
      d.PageRangesEdit()->setText("1");
      d.Copies()->SetValue(2);
      if (!d.CollateCheck()->isChecked()) d.CollateCheck()->click();
      d.OKButton()->click();
    });
    ASSERT_GT(job, 0);
    ASSERT_EQ(WaitForCupsJob(job), 9);
    const std::string pdf = CupsJobPdf(pdfDir_, job);
    ASSERT_FALSE(pdf.empty());
    EXPECT_EQ(PdfPageCount(pdf), 2);
    // The printer feeds Letter sheets upright: the landscape page lies on
    // the sheet turned a quarter counter-clockwise, its top along the sheet's
    // left edge, so the photo's left half (red) is below its right half (blue).
    const std::string sizes = PageSizes(pdf);
    EXPECT_EQ(sizes.find("792 x 612"), std::string::npos) << sizes;
    for (int n = 1; n <= 2; ++n) {
      const std::string png = dir.Path("copy" + std::to_string(n));
      ShellOutput("pdftoppm -f " + std::to_string(n) + " -l " + std::to_string(n) + " -r 48 -png -singlefile '" +
                  pdf + "' '" + png + "'");
      const QImage image = QImage(QString::fromStdString(png + ".png")).convertToFormat(QImage::Format_RGB32);
      ASSERT_FALSE(image.isNull());
      const QRect photo = PhotoBox(image);
      ASSERT_FALSE(photo.isEmpty()) << "copy " << n;
      const QPoint c = photo.center();
      EXPECT_TRUE(ColorNear(PixelRGB(image, c.x(), photo.top() + 4), 0x0000FF, 60)) << "copy " << n;
      EXPECT_TRUE(ColorNear(PixelRGB(image, c.x(), photo.bottom() - 4), 0xFF0000, 60)) << "copy " << n;
      // 20 mm from the sheet's left edge: the page's top margin.
      EXPECT_NEAR(photo.left(), 20 * 48 / 25.4, 3) << "copy " << n;
    }
    EXPECT_TRUE(boxes.empty());

    // An invalid page range: the message, and no job.
    boxes.clear();
    EXPECT_EQ(PrintFromPreview(window, [&](TdxfmPrintDialog& d) {
      d.PageRangesButton()->click();
      d.PageRangesEdit()->setText("3-7");
      d.OKButton()->click();
      EXPECT_TRUE(d.isVisible());
      d.CancelButton()->click();
    }), 0);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Page numbers out of range (1 - 2)"}));

    // An invalid file name: the message, and no file.
    boxes.clear();
    EXPECT_EQ(PrintFromPreview(window, [&](TdxfmPrintDialog& d) {
      d.PrintToFileCheck()->click();
      d.FileNames()->setEditText("out|put");
      d.OKButton()->click();
      d.CancelButton()->click();
    }), 0);
    EXPECT_EQ(boxes, (std::vector<std::string>{"Invalid File Name \"out|put\""}));

    // Print to file: the whole report as the spooler would get it.
    boxes.clear();
    const std::string file = dir.Path("calendar.pdf");
    PrintFromPreview(window, [&](TdxfmPrintDialog& d) {
      d.AllPagesButton()->click();
      d.Copies()->SetValue(1);
      d.PrintToFileCheck()->click();
      d.FileNames()->setEditText(QString::fromStdString(file));
      d.OKButton()->click();
    });
    EXPECT_TRUE(boxes.empty());
    ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(file)));
    EXPECT_EQ(PdfPageCount(file), 2);
    EXPECT_NE(PageSizes(file).find("792 x 612"), std::string::npos);

    // A stopped printer.
    Admin("cupsdisable ArdelPDF");
    PrintFromPreview(window, [&](TdxfmPrintDialog& d) {
      Choose(d, "ArdelPDF");
      EXPECT_EQ(d.StatusValue()->text(), "Paused");
      d.CancelButton()->click();
    });
    Admin("cupsenable ArdelPDF");
  });
  EXPECT_TRUE(g_errors.empty());
}

}  // namespace
