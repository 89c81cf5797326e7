// The report of the real main window, built by the container report link as
// the program's link is configured (OptionsTransparent.Controls on).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>

#include "app/MainForm.h"
#include "editors/ImageEditor.h"
#include "engine/ComponentPrinter.h"
#include "engine/ContainerProducers.h"
#include "engine/ContainerReportLink.h"
#include "layout/ReportRenderer.h"
#include "tests/engine/ContainerLinkTestSupport.h"

namespace {

class Form1ReportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<TForm1>();
    form->show();
    QApplication::processEvents();
    link.SetComponent(form.get());
    link.OptionsTransparent().SetControls(true);
  }
  TdxReportCell* Build() {
    cells = std::make_unique<TdxReportCells>();
    link.ConstructReport(*cells);
    return cells->Cells()->CellCount() == 1 ? cells->Cells()->Cells(0) : nullptr;
  }
  // The metafile of the single graphic in a control's host.
  const TMetafile* PictureOf(TdxReportCell* host) {
    if (!host || host->DataItemCount() != 1) return nullptr;
    auto* graphic = dynamic_cast<TdxReportCellGraphic*>(host->DataItems(0));
    return graphic ? dynamic_cast<const TMetafile*>(graphic->Image()) : nullptr;
  }

  std::unique_ptr<TForm1> form;
  TdxCustomContainerReportLink link;
  std::unique_ptr<TdxReportCells> cells;
};

}  // namespace

TEST_F(Form1ReportTest, FormIsTheRootAndBothControlsArePictures) {
  EXPECT_EQ(link.ProducerClassFor(form.get()), TdxPSCustomFormProducer::StaticClass());
  TdxReportCell* root = Build();
  ASSERT_NE(root, nullptr);

  // As wide as the window's client area (the window less its vertical
  // scroll bar), as high as its scroll range.
  EXPECT_EQ(root->ClassType(), TdxReportWinControlHost::StaticClass());
  const int bar = form->ScrollBox()->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, form->ScrollBox());
  const int clientWidth = 730 - bar - 2 * form->ScrollBox()->frameWidth();
  EXPECT_EQ(root->BoundsRect(), Bounds(0, 0, clientWidth, 978));
  EXPECT_GE(clientWidth, 689);  // the calendar's right edge
  EXPECT_EQ(cells->Cells()->Width(), clientWidth);
  EXPECT_EQ(cells->Cells()->Height(), 978);

  // The form's own item: first, at the origin, transparent, no sides.
  ASSERT_EQ(root->DataItemCount(), 1);
  TAbstractdxReportCellData* own = root->DataItems(0);
  EXPECT_EQ(own->ClassType(), TAbstractdxReportCellData::StaticClass());
  EXPECT_EQ(own->Left(), 0);
  EXPECT_EQ(own->Top(), 0);
  EXPECT_TRUE(own->Transparent());
  EXPECT_EQ(own->CellSides(), 0u);

  // The photo, then the calendar, each a host at its place with one picture.
  ASSERT_EQ(root->CellCount(), 2);
  TdxReportCell* photo = root->Cells(0);
  TdxReportCell* calendar = root->Cells(1);
  EXPECT_EQ(HostOf(link, form->cxImage1), photo);
  EXPECT_EQ(HostOf(link, form->MonthCalendar1), calendar);
  EXPECT_EQ(photo->ClassType(), TdxReportWinControlHost::StaticClass());
  EXPECT_EQ(photo->BoundsRect(), Bounds(16, 0, 670, 506));
  EXPECT_EQ(calendar->BoundsRect(), Bounds(16, 512, 673, 466));
  for (TdxReportCell* host : {photo, calendar}) {
    ASSERT_EQ(host->DataItemCount(), 1);
    auto* graphic = dynamic_cast<TdxReportCellGraphic*>(host->DataItems(0));
    ASSERT_NE(graphic, nullptr);
    EXPECT_EQ(graphic->BoundsRect(), Bounds(0, 0, host->Width(), host->Height()));
    EXPECT_TRUE(graphic->Transparent());
    EXPECT_EQ(graphic->CellSides(), 0u);
    EXPECT_EQ(host->CellCount(), 0);
  }

  // The calendar painted itself as vectors and text: the year and the days.
  const TMetafile* calendarPicture = PictureOf(calendar);
  ASSERT_NE(calendarPicture, nullptr);
  EXPECT_EQ(calendarPicture->Width(), 673);
  EXPECT_EQ(calendarPicture->Height(), 466);
  std::string texts = EmfTexts(*calendarPicture);
  EXPECT_NE(texts.find("2006"), std::string::npos) << texts;
  EXPECT_NE(texts.find("|25|"), std::string::npos) << texts;

  // The empty photo area shows its hint text.
  const TMetafile* photoPicture = PictureOf(photo);
  ASSERT_NE(photoPicture, nullptr);
  EXPECT_NE(EmfTexts(*photoPicture).find("Fotoğraf"), std::string::npos) << EmfTexts(*photoPicture);

  // Break positions at the controls' edges let a page break fall between them.
  std::vector<int> horz, vert;
  link.GetDelimiters(horz, vert);
  for (int y : {506, 512, 978}) EXPECT_NE(std::find(vert.begin(), vert.end(), y), vert.end()) << y;
}

TEST_F(Form1ReportTest, ScrolledWindowPrintsTheWholeUnscrolledContent) {
  QScrollBar* bar = form->ScrollBox()->verticalScrollBar();
  ASSERT_GT(bar->maximum(), 0);  // the calendar reaches below the client area
  bar->setValue(bar->maximum());
  QApplication::processEvents();
  ASSERT_GT(bar->value(), 0);

  TdxReportCell* root = Build();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->Height(), 978);
  EXPECT_EQ(HostOf(link, form->cxImage1)->BoundsRect(), Bounds(16, 0, 670, 506));
  EXPECT_EQ(HostOf(link, form->MonthCalendar1)->BoundsRect(), Bounds(16, 512, 673, 466));
}

TEST_F(Form1ReportTest, PicturesPlayBackAtReportScale) {
  Build();
  const TMetafile* photo = PictureOf(HostOf(link, form->cxImage1));
  ASSERT_NE(photo, nullptr);
  // Played at twice the size the picture still fills its place: the
  // control's background covers the corner and the centre shows the hint.
  QImage image(1340, 1012, QImage::Format_RGB32);
  image.fill(Qt::magenta);
  {
    QPainter p(&image);
    photo->Draw(p, QRectF(0, 0, 1340, 1012));
  }
  EXPECT_NE(image.pixel(1330, 1000), QColor(Qt::magenta).rgb());
  EXPECT_NE(image.pixel(670, 506), QColor(Qt::magenta).rgb());
}

TEST_F(Form1ReportTest, BuildThroughThePrinterScalesToReportUnits) {
  auto* printer = new TdxComponentPrinter(form.get());
  auto* printed = new TdxCustomContainerReportLink;
  printer->AddLink(printed);
  printed->SetComponent(form.get());
  printed->OptionsTransparent().SetControls(true);
  // The program's page: Letter with its stored margins (millimetre units).
  TdxPrinterPage& page = printed->PrinterPage();
  page.SetMeasurementUnits(muMillimeters);
  page.SetMinMargins(TRect());
  page.SetPageSize(TPoint(215900, 279400));
  page.SetMargins(TRect(12700, 12700, 12700, 6400));
  page.SetHeader(4750);
  page.SetFooter(4600);
  EXPECT_EQ(printed->Owner(), form.get());
  printer->RebuildLink(printed);
  ASSERT_TRUE(printed->Active());
  ASSERT_NE(printed->ReportCells(), nullptr);

  int factor = dxPSReportUnitsPerInch() / 96;
  TdxReportCell* root = printed->ReportCells()->Cells()->Cells(0);
  EXPECT_LT(root->Width(), 730 * factor);
  EXPECT_GE(root->Width(), 689 * factor);
  EXPECT_EQ(root->Height(), 978 * factor);
  EXPECT_EQ(root->Cells(1)->Top(), 512 * factor);
  std::vector<int> horz, vert;
  printed->GetDelimiters(horz, vert);
  EXPECT_NE(std::find(vert.begin(), vert.end(), 512 * factor), vert.end());
  // The whole window fits one Letter page at 100 %.
  EXPECT_EQ(printed->PageCount(), 1);
}
