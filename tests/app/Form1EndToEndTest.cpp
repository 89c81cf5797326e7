// The main window's report end to end, driven through the preview window's
// commands: a saved report loaded again after the program started anew shows
// the same page, also with a large photo, which the report keeps compressed;
// a photo dropped onto the window loads as a chosen one; "Format Report"
// leaves the calendar out of the printed page (and Cancel without Apply keeps
// it); the date and page number dialogs change the printed footer. Printing goes to a PDF file through a printer described
// by hand (Letter, 150 dpi), read back with the poppler tools.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDropEvent>
#include <QFileInfo>
#include <QListWidget>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>
#include <algorithm>
#include <functional>
#include <optional>

#include "app/MainForm.h"
#include "dialogs/FormatDialogs.h"
#include "dialogs/ReportFileDialogs.h"
#include "layout/HeaderFooterFunctions.h"
#include "layout/UserLocale.h"
#include "editors/ImageEditor.h"
#include "engine/ComponentPrinter.h"
#include "engine/ContainerDesignWindow.h"
#include "engine/ContainerReportLink.h"
#include "platform/Application.h"
#include "platform/JpegCache.h"
#include "platform/MessageDialogs.h"
#include "preview/PreviewControl.h"
#include "preview/PreviewWindow.h"
#include "tests/TestSupport.h"
#include "tests/app/Form1TestSupport.h"
#include "tests/editors/DialogControlsSupport.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

class Form1EndToEnd : public ::testing::Test {
 protected:
  void SetUp() override {
    Errors().clear();
    dxPSRegisterContainerDesignWindow();  // as the program has it
    AnswerErrorBoxes([](const std::string&, const std::string& text) { Errors().push_back(text); });
    AnswerMessageBoxes([](TMessageBoxKind, const std::string&, const std::string& text) {
      Errors().push_back(text);
      return true;
    });
    auto device = std::make_unique<HandPrintDevice>();
    device->Printers = {{"Hand", true, false}};
    device->Descriptions = {HandLetterPrinter("Hand", 150)};
    device->Default = "Hand";
    device_.emplace(std::move(device));
    photo_ = WriteTestJpeg(dir, "photo.jpg", 640, 480);
  }
  void TearDown() override {
    dxPSPreviewWindowDialogs().LoadReport = nullptr;
    dxPSPreviewWindowDialogs().SaveReport = nullptr;
    RegisterFileDialogs();
    AnswerErrorBoxes(nullptr);
    AnswerMessageBoxes({});
  }
  // The program as started: its window, with the photo when asked.
  std::unique_ptr<TForm1> Start(bool withPhoto) {
    auto form = std::make_unique<TForm1>();
    form->show();
    QApplication::processEvents();
    if (withPhoto) form->cxImage1->Picture().LoadFromFile(photo_);
    QApplication::processEvents();
    return form;
  }
  // The report file dialogs answer with path (nothing: Cancel).
  void AnswerFileDialogs(std::optional<std::string> path) {
    auto answer = [path](QWidget*, const std::string&) { return path; };
    dxPSPreviewWindowDialogs().LoadReport = answer;
    dxPSPreviewWindowDialogs().SaveReport = answer;
  }
  static void RegisterFileDialogs();

  // The first page as the preview shows it at 100 %, from its top left.
  static QImage ShownPage(TdxfmStdPreview& window) {
    TdxPreview* preview = window.PreviewControl();
    preview->SetZoomFactor(100);
    preview->SetSelectedPageIndex(0);
    QApplication::processEvents();
    return preview->grab().toImage().convertToFormat(QImage::Format_RGB32);
  }
  // Prints the window's report with "Yazdır" into a PDF; answers its path.
  std::string Printed(TForm1& form, const std::string& name) {
    const std::string pdf = dir.Path(name + ".pdf");
    GetPrintDevice().JobOutputFile = pdf;
    form.Yazdr1->trigger();
    EXPECT_EQ(PdfPageCount(pdf), 1) << name;
    return pdf;
  }
  std::string PrintedText(TForm1& form, const std::string& name) {
    return ShellOutput("pdftotext -layout '" + Printed(form, name) + "' -");
  }
  // The window with photo saves its report into file from the preview;
  // answers the page the preview showed.
  QImage SaveReportWithPhoto(const std::string& photo, const std::string& file) {
    QImage shown;
    std::unique_ptr<TForm1> form = Start(false);
    EXPECT_TRUE(form->LoadPicture(photo));
    RunPreviewCommand(*form, [&](TdxfmStdPreview& window) {
      shown = ShownPage(window);
      AnswerFileDialogs(file);
      window.Action(pcSave)->trigger();
    });
    return shown;
  }
  // The page a fresh window's preview shows after loading file.
  QImage LoadedReportPage(const std::string& file) {
    ClearJpegCache();  // nothing kept from before, as after a restart
    QImage shown;
    std::unique_ptr<TForm1> form = Start(false);
    RunPreviewCommand(*form, [&](TdxfmStdPreview& window) {
      AnswerFileDialogs(file);
      window.Action(pcLoad)->trigger();
      QApplication::processEvents();
      EXPECT_EQ(window.PageCount(), 1);
      shown = ShownPage(window);
    });
    return shown;
  }

  ScratchDir dir;
  std::string photo_;
  static std::vector<std::string>& Errors() {
    static std::vector<std::string> list;
    return list;
  }
  std::vector<std::string>& errors = Errors();
  std::optional<ScopedPrintDevice> device_;
};

void Form1EndToEnd::RegisterFileDialogs() { dxPSRegisterReportFileDialogs(); }

// Drags the file onto target as the file manager does and drops it when the
// drag is taken; answers whether the drop was.
bool DropFile(QWidget* target, const std::string& path) {
  QMimeData data;
  data.setUrls({QUrl::fromLocalFile(QString::fromStdString(path))});
  QDragEnterEvent enter(QPoint(50, 50), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &enter);
  if (!enter.isAccepted()) return false;
  EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
  QDropEvent drop(QPointF(50, 50), Qt::CopyAction | Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(target, &drop);
  QApplication::processEvents();
  return drop.isAccepted();
}

qint64 FileSize(const std::string& path) { return QFileInfo(QString::fromStdString(path)).size(); }

int CountDifferent(const QImage& a, const QImage& b) {
  if (a.size() != b.size()) return a.width() * a.height();
  int n = 0;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x) n += a.pixel(x, y) != b.pixel(x, y);
  return n;
}

}  // namespace

TEST_F(Form1EndToEnd, SavedReportShowsTheSamePageAfterARestart) {
  const std::string file = dir.Path("calendar.rps");
  QImage saved;
  {
    std::unique_ptr<TForm1> form = Start(true);
    RunPreviewCommand(*form, [&](TdxfmStdPreview& window) {
      saved = ShownPage(window);
      AnswerFileDialogs(dir.Path("calendar.pdf"));  // the extension becomes .rps
      window.Action(pcSave)->trigger();
    });
  }
  ASSERT_TRUE(QFileInfo::exists(QString::fromStdString(file)));
  ASSERT_FALSE(saved.isNull());

  // Started again, without a photo: the loaded report shows the saved page.
  std::unique_ptr<TForm1> form = Start(false);
  RunPreviewCommand(*form, [&](TdxfmStdPreview& window) {
    const QImage empty = ShownPage(window);
    EXPECT_GT(CountDifferent(empty, saved), 10000);  // no photo yet
    AnswerFileDialogs(file);
    window.Action(pcLoad)->trigger();
    QApplication::processEvents();
    EXPECT_TRUE(errors.empty()) << errors.front();
    EXPECT_TRUE(form->yaziciLink1->IsExternalStorage());
    EXPECT_EQ(window.PageCount(), 1);
    EXPECT_EQ(CountDifferent(ShownPage(window), saved), 0);

    // A damaged file is refused and the loaded report stays.
    const std::string damaged = dir.Write("damaged.rps", std::string("not a report"));
    errors.clear();
    AnswerFileDialogs(damaged);
    window.Action(pcLoad)->trigger();
    QApplication::processEvents();
    EXPECT_EQ(errors.size(), 1u);
    EXPECT_EQ(CountDifferent(ShownPage(window), saved), 0);
    errors.clear();
  });
  EXPECT_TRUE(errors.empty()) << errors.front();

  // Dropped on the page view of a fresh window: a report file loads, any
  // other file is refused before the drop.
  std::unique_ptr<TForm1> again = Start(false);
  RunPreviewCommand(*again, [&](TdxfmStdPreview& window) {
    TdxPreview* view = window.PreviewControl();
    auto drag = [&](const std::string& path) { return DropFile(view, path); };
    EXPECT_FALSE(drag(photo_));
    EXPECT_FALSE(again->yaziciLink1->IsExternalStorage());
    EXPECT_TRUE(drag(file));
    EXPECT_TRUE(again->yaziciLink1->IsExternalStorage());
    EXPECT_EQ(again->yaziciLink1->StorageName(), file);
    EXPECT_EQ(CountDifferent(ShownPage(window), saved), 0);
  });
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// A 4000 x 3000 photo: the report file holds the JPEG, not its pixels (the
// page and the rest take well under a megabyte), and shows the same page
// when loaded again; paper gets the photo's full resolution.
TEST_F(Form1EndToEnd, ReportOfALargePhotoKeepsItCompressed) {
  const std::string photo = WriteTestJpeg(dir, "large.jpg", 4000, 3000);
  const std::string file = dir.Path("large.rps");
  const QImage saved = SaveReportWithPhoto(photo, file);
  EXPECT_GT(FileSize(file), FileSize(photo));
  EXPECT_LE(FileSize(file), FileSize(photo) + 1024 * 1024);
  EXPECT_EQ(CountDifferent(LoadedReportPage(file), saved), 0);

  std::unique_ptr<TForm1> form = Start(false);
  ASSERT_TRUE(form->LoadPicture(photo));
  const std::vector<PdfPicture> pictures = PdfPictures(Printed(*form, "large"));
  auto photoOnPaper = std::find_if(pictures.begin(), pictures.end(),
                                   [](const PdfPicture& p) { return p.Width == 4000 && p.Height == 3000; });
  ASSERT_NE(photoOnPaper, pictures.end());
  RecordProperty("PdfPhotoEncoding", photoOnPaper->Encoding);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// Reports that hold the photo as raw pixels (as every report did before
// photos were kept compressed, and as a bitmap photo still is) load as saved.
TEST_F(Form1EndToEnd, ReportWithThePhotoAsPixelsStillLoads) {
  TBitmap bitmap;
  bitmap.SetImage(MakeTestImage(400, 300));
  const std::string photo = dir.Write("photo.bmp", bitmap.SaveToStream());
  const std::string file = dir.Path("pixels.rps");
  const QImage saved = SaveReportWithPhoto(photo, file);
  EXPECT_GT(FileSize(file), 400 * 300 * 4);
  EXPECT_EQ(CountDifferent(LoadedReportPage(file), saved), 0);
  EXPECT_TRUE(errors.empty()) << errors.front();
}

// Dropped from the file manager onto the photo of the window: a photo loads
// as "Fotoğraf Seçiniz" loads it, with the same message for a damaged one,
// which leaves the photo as it was; other files are refused.
TEST_F(Form1EndToEnd, PhotoDroppedOnTheWindowLoadsAsAChosenOne) {
  std::unique_ptr<TForm1> chosen = Start(false);
  std::unique_ptr<TForm1> form = Start(false);
  ChoosePicture(*chosen, photo_);
  TcxImage* area = form->cxImage1;
  // The picture inside the frame and a focus frame.
  auto shown = [](TcxImage* image) { return image->grab().toImage().copy(image->rect().adjusted(4, 4, -4, -4)); };
  EXPECT_FALSE(DropFile(area, dir.Write("notes.txt", std::string("a note"))));
  EXPECT_TRUE(area->Picture().Empty());
  EXPECT_TRUE(DropFile(area, photo_));
  const QImage photo = shown(area);
  EXPECT_EQ(photo, shown(chosen->cxImage1));

  const std::string damaged = dir.Write("damaged.jpg", std::string("\xFF\xD8\xFF\xE0 cut short", 14));
  ChoosePicture(*chosen, damaged);
  ASSERT_EQ(errors.size(), 1u);
  EXPECT_TRUE(DropFile(area, damaged));
  ASSERT_EQ(errors.size(), 2u);
  EXPECT_EQ(errors[1], errors[0]);
  EXPECT_EQ(shown(area), photo);
  errors.clear();
}

TEST_F(Form1EndToEnd, FormatReportLeavesOutTheCalendarAndCancelKeepsIt) {
  std::unique_ptr<TForm1> form = Start(true);
  EXPECT_NE(PrintedText(*form, "before").find("2006"), std::string::npos);

  // Unchecking the calendar, then Cancel without Apply: nothing changes.
  auto uncheckCalendar = [&](TdxfmCustomContainerDesignWindow& window) {
    TdxPSControlsTree* tree = window.tvControls();
    QTreeWidgetItem* calendar = tree->Root()->child(1);
    ASSERT_EQ(TdxPSControlsTree::NodeObject(calendar)->Component, static_cast<QObject*>(form->MonthCalendar1));
    window.ToggleNode(tree, calendar);
  };
  int shown = 0;
  RunPreviewCommand(*form, [&](TdxfmStdPreview& window) {
    const QImage whole = ShownPage(window);
    AnswerModal<TAbstractdxReportLinkDesignWindow>([&](TAbstractdxReportLinkDesignWindow& w) {
      ++shown;
      auto& design = dynamic_cast<TdxfmCustomContainerDesignWindow&>(w);
      uncheckCalendar(design);
      design.btnCancel()->click();
    });
    window.Action(pcDesign)->trigger();
    EXPECT_EQ(CountDifferent(ShownPage(window), whole), 0);

    // Unchecked and applied: the preview shows the page without it; OK keeps it so.
    AnswerModal<TAbstractdxReportLinkDesignWindow>([&](TAbstractdxReportLinkDesignWindow& w) {
      ++shown;
      auto& design = dynamic_cast<TdxfmCustomContainerDesignWindow&>(w);
      uncheckCalendar(design);
      design.btnApply()->click();
      design.btnOK()->click();
    });
    window.Action(pcDesign)->trigger();
    AnswerModal<TAbstractdxReportLinkDesignWindow>(nullptr);
    EXPECT_GT(CountDifferent(ShownPage(window), whole), 1000);
  });
  EXPECT_EQ(shown, 2);
  EXPECT_EQ(form->yaziciLink1->ExcludedComponentNames(), std::vector<std::string>{"MonthCalendar1"});
  const std::string without = PrintedText(*form, "without");
  EXPECT_EQ(without.find("2006"), std::string::npos) << without;
  EXPECT_TRUE(errors.empty());
}

TEST_F(Form1EndToEnd, FormatDialogsChangeThePrintedFooter) {
  std::unique_ptr<TForm1> form = Start(true);
  TdxCustomContainerReportLink& link = *form->yaziciLink1;
  link.PrinterPage().PageFooter().SetCenterTitle({"[Date Printed] [Page #]"});
  link.SetDateTime(dxEncodeDateTime(2024, 3, 5, 14, 7, 9));
  form->yazici->AutoUpdateDateTime = false;
  const std::string before = PrintedText(*form, "before");
  EXPECT_EQ(before.find("2024-03-05"), std::string::npos) << before;
  EXPECT_EQ(before.find("XIV"), std::string::npos) << before;

  int shown = 0;
  AnswerModal<TCustomdxPSFmtDialog>([&](TCustomdxPSFmtDialog& d) {
    ++shown;
    for (int i = 0; i < 50 && !d.isActiveWindow(); ++i) QApplication::processEvents();
    if (auto* dates = dynamic_cast<TdxfmDateTimeFormats*>(&d)) {
      QListWidget* list = dates->DateList();
      const int iso = int(std::find(DateFormatList().begin(), DateFormatList().end(), "yyyy-MM-dd") -
                          DateFormatList().begin());
      ASSERT_LT(iso, list->count());
      const QPoint at = list->visualItemRect(list->item(iso)).center();
      SendMouse(*list->viewport(), QEvent::MouseButtonPress, at);
      SendMouse(*list->viewport(), QEvent::MouseButtonRelease, at);
      dates->OkButton()->click();
    } else {
      auto& pages = dynamic_cast<TdxfmPageNumberFormat&>(d);
      QComboBox* formats = pages.FormatList();
      formats->setFocus();
      while (formats->currentIndex() < 4) SendKey(*formats, Qt::Key_Down);  // I, II, III, ...
      TdxPSValueEdit* start = pages.StartAtEdit();
      start->setFocus();
      start->selectAll();
      SendKey(*start, Qt::Key_Backspace);
      for (QChar c : QString("XIV")) TypeChar(*start, c);
      pages.OkButton()->click();
    }
  });
  RunPreviewCommand(*form, [&](TdxfmStdPreview& window) {
    window.Action(pcDateTime)->trigger();
    window.Action(pcPageNumbering)->trigger();
  });
  AnswerModal<TCustomdxPSFmtDialog>(nullptr);
  EXPECT_EQ(shown, 2);
  const std::string after = PrintedText(*form, "after");
  EXPECT_NE(after.find("2024-03-05 XIV"), std::string::npos) << after;
  EXPECT_TRUE(errors.empty());
}
