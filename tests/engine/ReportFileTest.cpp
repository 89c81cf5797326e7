// Report files: the file layout byte for byte, a report of every item kind
// that paints the same after a round trip, the operations that inspect a
// stream without a link, and refused files that leave the open report as
// it was.
#include <gtest/gtest.h>

#include <QDir>
#include <QFileInfo>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <cstring>
#include <map>

#include "engine/ComponentPrinter.h"
#include "engine/ReportFile.h"
#include "engine/ReportLink.h"
#include "platform/Exceptions.h"
#include "platform/MessageDialogs.h"
#include "platform/MetafileRecorder.h"
#include "report/CellBorders.h"
#include "report/CheckItems.h"
#include "report/DataItems.h"
#include "report/ImageList.h"
#include "report/ShapeItems.h"
#include "tests/HostileFiles.h"
#include "tests/TestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

const std::string kTitle = "Çıkış Raporu";

QImage SmallImage(QRgb color) {
  QImage image(8, 8, QImage::Format_RGB32);
  image.fill(QColor(Qt::white));
  for (int y = 2; y < 6; ++y)
    for (int x = 2; x < 6; ++x) image.setPixel(x, y, color);
  return image;
}

TBitmap SmallBitmap(QRgb color) {
  TBitmap bitmap;
  bitmap.SetImage(SmallImage(color));
  return bitmap;
}

// A link whose report holds every kind of item, built in screen pixels.
// NestDepth > 0 builds a chain of that many nested cells instead.
class TEveryItemLink : public TBasedxReportLink {
  DX_CLASS(TEveryItemLink, TBasedxReportLink)

 public:
  TEveryItemLink() : images_(8, 8) { images_.Add(SmallBitmap(qRgb(0, 160, 0))); }

  void ConstructReport(TdxReportCells& cells) override {
    TBasedxReportLink::ConstructReport(cells);
    cells.ClearItems();
    TdxReportCell* root = cells.Cells();
    root->SetBoundsRect(TRect(0, 0, 600, 760));
    root->SetCellSides(0);
    if (NestDepth > 0) {
      TdxReportCell* cell = root;
      for (int i = 0; i < NestDepth; ++i) {
        cell = new TdxReportCell(cell);
        cell->SetBoundsRect(TRect(1, 1, 300, 300));
        cell->SetCellSides(0);
        cell->SetTransparent(true);
      }
      return;
    }
    TFont bold = Font();
    bold.Name = "Liberation Sans";
    bold.SetSize(10);
    bold.Style = fsBold;
    bold.Color = clNavy;
    const int boldIndex = FontPool().Add(bold);
    const int tileIndex = BackgroundBitmapPool().Add(SmallBitmap(qRgb(250, 200, 0)));

    auto* panel = new TdxReportCell(root);
    panel->SetBoundsRect(TRect(10, 10, 590, 370));
    panel->SetBorderClass(TdxPSCellRaisedBorder::StaticClass());
    panel->SetColor(clSilver);
    panel->SetTransparent(false);
    panel->SetShadowed(true);

    auto* text = new TdxReportCellString(panel);
    text->SetBoundsRect(TRect(10, 10, 250, 34));
    text->SetText("Ocak Şubat Mart");
    text->SetFontIndex(boldIndex);
    text->SetTextAlignX(taCenterX);
    text->SetCellSides(dxFormatSides);
    auto* box = new TdxReportCellBox(panel);
    box->SetBoundsRect(TRect(260, 10, 300, 34));
    box->SetColor(clYellow);
    box->SetTransparent(false);
    box->SetContentPattern(TdxPSCrossFillPattern::StaticClass());
    auto* container = new TdxReportCellImageContainer(panel);
    container->SetBoundsRect(TRect(310, 10, 420, 34));
    container->SetText("Kap");
    auto* check = new TdxReportCellCheck(panel);
    check->SetBoundsRect(TRect(10, 40, 120, 60));
    check->SetText("Seçili");
    check->SetChecked(true);
    auto* radio = new TdxReportCellRadio(panel);
    radio->SetBoundsRect(TRect(130, 40, 240, 60));
    radio->SetText("Radyo");
    auto* checkImage = new TdxReportCellCheckImage(panel);
    checkImage->SetBoundsRect(TRect(250, 40, 360, 60));
    checkImage->Glyph().SetImage(SmallImage(qRgb(200, 0, 0)).scaled(24, 8));
    checkImage->SetGlyphCount(3);
    checkImage->SetChecked(true);
    auto* image = new TdxReportCellImage(panel);
    image->SetBoundsRect(TRect(10, 70, 120, 110));
    const TBitmap picture = SmallBitmap(qRgb(0, 0, 220));
    image->SetImage(&picture);
    image->SetText("Resim");
    auto* listImage = new TdxReportCellImage(panel);
    listImage->SetBoundsRect(TRect(130, 70, 160, 110));
    listImage->ImageList = &images_;
    listImage->ImageIndex = 0;
    auto* graphic = new TdxReportCellGraphic(panel);
    graphic->SetBoundsRect(TRect(170, 70, 290, 130));
    TMetafileRecorder recorder(60, 30);
    {
      QPainter painter(&recorder);
      painter.fillRect(QRect(0, 0, 60, 30), Qt::white);
      painter.fillRect(QRect(5, 5, 30, 20), Qt::magenta);
    }
    TMetafile metafile;
    metafile.SetEnhancedData(recorder.EnhancedData());
    graphic->SetImage(&metafile);
    graphic->SetPlacement(TdxPicturePlacement(1));
    auto* expand = new TdxReportCellExpandButton(panel);
    expand->SetBoundsRect(TRect(300, 70, 320, 90));
    expand->SetShowButton(true);
    expand->SetButtonBorder(true);
    expand->SetExpanded(true);
    auto* tiled = new TdxReportCellBox(panel);
    tiled->SetBoundsRect(TRect(330, 70, 400, 130));
    tiled->SetBackgroundBitmapIndex(tileIndex);

    const std::pair<TdxClass, TRect> shapes[] = {
        {TdxReportCellEllipse::StaticClass(), TRect(10, 150, 90, 200)},
        {TdxReportCellCircle::StaticClass(), TRect(100, 150, 160, 200)},
        {TdxReportCellRectangle::StaticClass(), TRect(170, 150, 250, 200)},
        {TdxReportCellSquare::StaticClass(), TRect(260, 150, 320, 200)},
        {TdxReportCellRoundRect::StaticClass(), TRect(330, 150, 410, 200)},
        {TdxReportCellRoundSquare::StaticClass(), TRect(420, 150, 480, 200)},
    };
    for (const auto& [cls, bounds] : shapes) {
      std::unique_ptr<TCustomdxReportCellShape> shape = dxCreateObject<TCustomdxReportCellShape>(cls);
      shape->SetBoundsRect(bounds);
      shape->SetShapeColor(clRed);
      shape->SetShapeBorderColor(clBlue);
      shape->SetShapeBorderThickness(2);
      shape->SetContentPattern(TdxPSSolidFillPattern::StaticClass());
      // Report streams do not carry the corner ellipse of rounded shapes (a
      // shape read back has 2 units); corners of 0 keep the pages equal.
      if (auto* round = dynamic_cast<TdxReportCellRoundRect*>(shape.get())) {
        round->SetEllipseWidth(0);
        round->SetEllipseHeight(0);
      }
      shape.release()->SetParent(panel);
    }

    auto* group = new TdxReportGroup(root);
    group->SetBoundsRect(TRect(10, 390, 290, 520));
    group->Caption = "Grup Başlığı";
    group->SetShowCaption(true);
    group->LookAndFeel = cells.CreateLookAndFeel(TdxPSReportGroupWebLookAndFeel::StaticClass());
    group->LookAndFeel->SetCaptionHeight(18);
    new TdxReportCellString(group);
    auto* office = new TdxReportGroup(root);
    office->SetBoundsRect(TRect(300, 390, 590, 520));
    office->Caption = "Office";
    office->SetShowCaption(true);
    office->LookAndFeel = cells.CreateLookAndFeel(TdxPSReportGroupOfficeLookAndFeel::StaticClass());
    office->LookAndFeel->SetCaptionHeight(16);
    auto* radios = new TdxReportRadioGroup(root);
    radios->SetBoundsRect(TRect(10, 540, 290, 640));
    radios->Caption = "Seçenek";
    radios->SetShowCaption(true);
    radios->Add("Bir");
    radios->Add("İki");
    radios->SetColumnCount(2);
    radios->SetItemIndex(1);
    TCanvas dc(TDeviceCaps::Screen());
    radios->LayoutButtons(dc);

    TdxReportCell* header = cells.HeaderCell();
    header->SetBoundsRect(TRect(0, 0, 600, 24));
    auto* headerText = new TdxReportCellString(header);
    headerText->SetBoundsRect(TRect(0, 0, 600, 24));
    headerText->SetText("Sütun");
    TdxReportCell* footer = cells.FooterCell();
    footer->SetBoundsRect(TRect(0, 0, 600, 20));
    auto* overlay = new TdxReportCellString(cells.AddOverlay());
    overlay->SetBoundsRect(TRect(400, 700, 590, 720));
    overlay->SetText("Üst katman");
  }

  int NestDepth = 0;

 private:
  TCustomImageList images_;
};

// Damaged copies of a good file: another version, cut short, a huge length,
// an unknown item class, a bad tag.
std::vector<std::pair<std::string, TBytes>> DamagedFiles(const TBytes& good) {
  std::vector<std::pair<std::string, TBytes>> files;
  TBytes version2 = good;
  version2[37] = 2;
  files.push_back({"version2.rps", version2});
  for (std::size_t cut : {std::size_t(2), std::size_t(30), std::size_t(60), good.size() / 2, good.size() - 1})
    files.push_back({"cut" + std::to_string(cut) + ".rps", TBytes(good.begin(), good.begin() + std::ptrdiff_t(cut))});
  // The title text's length field made huge.
  TBytes huge = good;
  const TBytes title(kTitle.begin(), kTitle.end());
  auto at = std::search(huge.begin(), huge.end(), title.begin(), title.end());
  EXPECT_NE(at, huge.end());
  if (at != huge.end()) {
    EXPECT_EQ(*(at - 5), 0x14);
    const std::uint32_t length = 0x7FFFFFF0;
    std::memcpy(&*(at - 4), &length, 4);
  }
  files.push_back({"huge.rps", huge});
  // An item class that is not registered.
  TBytes renamed = good;
  const std::string name = "TdxReportCellCheckImage";
  auto item = std::search(renamed.begin(), renamed.end(), name.begin(), name.end());
  EXPECT_NE(item, renamed.end());
  if (item != renamed.end()) item[3] = 'Q';
  files.push_back({"unknown-class.rps", renamed});
  // A tag that no value has, where the font pool begins.
  TBytes badTag = good;
  badTag[badTag.size() - 1] = 0x07;
  files.push_back({"wrong-tag.rps", badTag});
  // Something else after the report.
  TBytes trailing = good;
  for (char c : std::string("trailing junk")) trailing.push_back(std::uint8_t(c));
  files.push_back({"trailing.rps", trailing});
  return files;
}

class ReportFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dxPSRegisterReportStorage();
    dxPSRegisterReportLink(TEveryItemLink::StaticClass(), dxComponentClassOf(&widget), nullptr);
    AnswerMessageBoxes([this](TMessageBoxKind, const std::string&, const std::string& text) {
      Messages.push_back(text);
      return false;
    });
  }
  void TearDown() override {
    AnswerMessageBoxes(nullptr);
    dxPSUnregisterReportLink(TEveryItemLink::StaticClass(), dxComponentClassOf(&widget), nullptr);
    dxPSReportLinkStorage() = TdxReportLinkStorage{};
  }

  // A link of printer built from the widget.
  TEveryItemLink* BuiltLink(TdxComponentPrinter& owner) {
    auto* link = new TEveryItemLink;
    link->SetComponentPrinter(&owner);
    link->SetComponent(&widget);
    link->SetReportTitleText(kTitle);
    link->SetCaption("Takvim Çıktısı");
    link->SetDescription("Açıklama");
    link->ReportDocument().SetCreator("Sınama");
    link->SetActive(true);
    return link;
  }

  static QImage Paint(TBasedxReportLink& link, int page = 0) {
    const TPoint size = link.PrinterPage().OrientedPageSizePixels();
    QImage image(size.X, size.Y, QImage::Format_RGB32);
    image.fill(Qt::white);
    TCanvas canvas(&image);
    link.PaintPage(canvas, TRect(0, 0, size.X, size.Y), 100, page);
    return image;
  }

  static int DifferentPixels(const QImage& a, const QImage& b) {
    if (a.size() != b.size()) return -1;
    int count = 0;
    for (int y = 0; y < a.height(); ++y)
      for (int x = 0; x < a.width(); ++x) count += a.pixel(x, y) != b.pixel(x, y);
    return count;
  }

  TBytes Saved(TBasedxReportLink& link) {
    TBytes data;
    EXPECT_TRUE(link.SaveToStream(data));
    return data;
  }

  static std::int32_t Raw32(const TBytes& data, std::size_t at) {
    std::int32_t v;
    std::memcpy(&v, &data[at], 4);
    return v;
  }

  QWidget widget;
  TdxComponentPrinter printer;
  std::vector<std::string> Messages;
};

// ---- Layout ------------------------------------------------------------------------------

TEST_F(ReportFileTest, AFileStartsWithItsHeaderAndTheLinkInformation) {
  TEveryItemLink* link = BuiltLink(printer);
  ASSERT_TRUE(link->Active());
  const TBytes data = Saved(*link);
  ASSERT_GT(data.size(), 200u);
  EXPECT_EQ(TBytes(data.begin(), data.begin() + 4), (TBytes{0x20, 0, 0, 0}));
  EXPECT_EQ(Raw32(data, 4), 36);
  EXPECT_EQ(TBytes(data.begin() + 20, data.begin() + 36), TBytes(16, 0));
  EXPECT_EQ(TBytes(data.begin() + 36, data.begin() + 38), (TBytes{0x02, 0x01}));
  EXPECT_EQ(Raw32(data, 38), 3);
  EXPECT_EQ(Raw32(data, 42), 0);
  EXPECT_EQ(Raw32(data, 46), 2);
  const std::string linkName = "TEveryItemLink";
  EXPECT_EQ(data[50], 0x06);
  EXPECT_EQ(std::string(data.begin() + 52, data.begin() + 52 + std::ptrdiff_t(linkName.size())), linkName);

  // The sections follow each other in the order of their offsets.
  const TdxPSReportFileHeader header = [&] {
    TdxByteViewStream stream(data);
    return TdxPSReportFile::ExtractHeader(stream, true);
  }();
  EXPECT_EQ(header.LinkInfoOffset, 36);
  EXPECT_LT(header.LinkInfoOffset, header.DocumentOffset);
  EXPECT_LT(header.DocumentOffset, header.TitleOffset);
  EXPECT_LT(header.TitleOffset, header.ReportDataOffset);
  EXPECT_LT(header.ReportDataOffset, std::int32_t(data.size()));
  EXPECT_EQ(Raw32(data, 8), header.DocumentOffset);
  EXPECT_EQ(Raw32(data, 12), header.TitleOffset);
  EXPECT_EQ(Raw32(data, 16), header.ReportDataOffset);
  // The title section starts with AdjustOnReportScale (false).
  EXPECT_EQ(data[std::size_t(header.TitleOffset)], 0x08);

  TdxByteViewStream stream(data);
  const TdxPSReportLinkInfo info = TdxPSReportFile::ExtractLinkInfo(stream, true);
  EXPECT_EQ(info.StreamVersion, 1);
  EXPECT_EQ(info.Version, (TdxPSVersionTriple{3, 0, 2}));
  EXPECT_EQ(info.LinkClassName, linkName);
  EXPECT_EQ(info.LinkClass, TEveryItemLink::StaticClass());
  const TdxClass componentClass = dxComponentClassOf(&widget);
  const bool componentStreamed = dxFindClass(componentClass->ClassName()) == componentClass;
  EXPECT_EQ(info.ComponentClassName, componentStreamed ? std::string(componentClass->ClassName()) : "nil");
}

// ---- Round trip -----------------------------------------------------------------------------

TEST_F(ReportFileTest, AReportOfEveryItemKindPaintsTheSameAfterARoundTrip) {
  TEveryItemLink* source = BuiltLink(printer);
  ASSERT_TRUE(source->Active());
  ASSERT_GE(source->PageCount(), 1);
  const QImage before = Paint(*source);
  const TBytes data = Saved(*source);

  TdxComponentPrinter otherPrinter;
  auto* target = new TEveryItemLink;
  target->SetComponentPrinter(&otherPrinter);
  target->LoadFromStream(data);
  ASSERT_EQ(target->DataSource(), dsExternalStorage);
  target->Rebuild();
  ASSERT_TRUE(target->Active());
  EXPECT_TRUE(Messages.empty());
  EXPECT_EQ(target->ReportTitleText(), kTitle);
  EXPECT_EQ(target->Caption(), "Takvim Çıktısı");
  EXPECT_EQ(target->Description(), "Açıklama");
  EXPECT_EQ(target->ReportDocument().Creator(), "Sınama");
  EXPECT_EQ(target->DateTime(), source->DateTime());
  EXPECT_FALSE(target->ReportDocument().Preview().Empty());
  ASSERT_EQ(target->FontPool().Count(), source->FontPool().Count());
  for (int i = 0; i < source->FontPool().Count(); ++i) {
    EXPECT_EQ(target->FontPool().Font(i).Name, source->FontPool().Font(i).Name);
    EXPECT_EQ(target->FontPool().PointSize(i), source->FontPool().PointSize(i));
    EXPECT_EQ(target->FontPool().Font(i).Style, source->FontPool().Font(i).Style);
  }
  ASSERT_EQ(target->BackgroundBitmapPool().Count(), 1);
  EXPECT_EQ(target->BackgroundBitmapPool().Bitmap(0)->Image(), source->BackgroundBitmapPool().Bitmap(0)->Image());
  EXPECT_EQ(target->RenderInfo().LoadedHorzBreaks(), source->RenderInfo().HorzBreaks());
  EXPECT_EQ(target->RenderInfo().LoadedVertBreaks(), source->RenderInfo().VertBreaks());
  ASSERT_EQ(target->ReportCells()->ImageListCount(), 1);
  EXPECT_EQ(target->PageCount(), source->PageCount());

  const QImage after = Paint(*target);
  EXPECT_EQ(DifferentPixels(before, after), 0);
  // The page really shows the report: the silver panel and the blue picture.
  const int left = source->PrinterPage().MarginsLoMetric().Left * 96 / 254;
  const int top = source->PrinterPage().MarginsLoMetric().Top * 96 / 254;
  int silver = 0;
  for (int y = top; y < top + 300 && y < after.height(); ++y)
    for (int x = left; x < left + 300 && x < after.width(); ++x) silver += PixelRGB(after, x, y) == 0xC0C0C0u;
  EXPECT_GT(silver, 1000);

  // Written again from the loaded report, the file reads back the same.
  const TBytes again = Saved(*target);
  TdxComponentPrinter thirdPrinter;
  auto* third = new TEveryItemLink;
  third->SetComponentPrinter(&thirdPrinter);
  third->LoadFromStream(again);
  third->Rebuild();
  EXPECT_EQ(DifferentPixels(before, Paint(*third)), 0);
}

// ---- Inspecting streams ---------------------------------------------------------------------

TEST_F(ReportFileTest, ExtractOperationsRestoreThePositionAlsoAfterAnError) {
  TEveryItemLink* link = BuiltLink(printer);
  const TBytes data = Saved(*link);
  TdxByteViewStream stream(data);
  stream.SetPosition(11);
  EXPECT_EQ(TdxPSReportFile::ExtractHeader(stream, true).LinkInfoOffset, 36);
  EXPECT_EQ(stream.Position(), 11);
  EXPECT_EQ(TdxPSReportFile::ExtractVersion(stream, true), 1);
  EXPECT_EQ(stream.Position(), 11);
  std::unique_ptr<TdxPSReportDocument> document = TdxPSReportFile::ExtractReportDocument(stream, true);
  EXPECT_EQ(stream.Position(), 11);
  ASSERT_TRUE(document);
  EXPECT_EQ(document->Caption(), "Takvim Çıktısı");
  EXPECT_EQ(document->CreationDate(), link->DateTime());
  EXPECT_FALSE(document->Preview().Empty());
  EXPECT_TRUE(TdxPSReportFile::IsReportStream(&stream, true));
  EXPECT_FALSE(TdxPSReportFile::IsReportStream(nullptr, true));

  // Shorter than the header.
  const TBytes shortData(data.begin(), data.begin() + 10);
  TdxByteViewStream shortStream(shortData);
  shortStream.SetPosition(3);
  EXPECT_EQ(TdxPSReportFile::ExtractVersion(shortStream, false), -1);
  EXPECT_EQ(shortStream.Position(), 3);
  EXPECT_THROW(TdxPSReportFile::ExtractVersion(shortStream, true), EReadError);
  EXPECT_EQ(shortStream.Position(), 3);
  EXPECT_EQ(TdxPSReportFile::ExtractHeader(shortStream, false), TdxPSReportFileHeader{});
  EXPECT_EQ(TdxPSReportFile::ExtractLinkInfo(shortStream, false).StreamVersion, 0);
  EXPECT_EQ(TdxPSReportFile::ExtractReportDocument(shortStream, false), nullptr);
  EXPECT_FALSE(TdxPSReportFile::IsReportStream(&shortStream, false));
  EXPECT_EQ(shortStream.Position(), 3);

  // A header of another length, and offsets beyond the end.
  TBytes longerHeader = data;
  longerHeader[0] = 33;
  EXPECT_FALSE(dxPSIsReportStream(longerHeader));
  TBytes farOffset = data;
  std::int32_t beyond = std::int32_t(data.size());
  std::memcpy(&farOffset[8], &beyond, 4);
  EXPECT_FALSE(dxPSIsReportStream(farOffset));
}

TEST_F(ReportFileTest, ReportFilesAreRecognisedByTheirVersionAlone) {
  ScratchDir dir;
  TEveryItemLink* link = BuiltLink(printer);
  const TBytes data = Saved(*link);
  const std::string path = dir.Write("takvim.rps", data);
  EXPECT_TRUE(TdxPSReportFile::IsReportFile(path, true));
  EXPECT_FALSE(TdxPSReportFile::IsReportFile(dir.Path("absent.rps"), true));
  EXPECT_FALSE(TdxPSReportFile::IsReportFile(dir.Path(""), false));
  EXPECT_FALSE(TdxPSReportFile::IsReportFile(dir.Write("picture.bmp", std::string("BM not a report")), false));

  // The link information names classes that the reading side need not know.
  TBytes foreign = data;
  const std::string name = "TEveryItemLink";
  auto at = std::search(foreign.begin(), foreign.end(), name.begin(), name.end());
  ASSERT_NE(at, foreign.end());
  at[0] = 'X';
  EXPECT_TRUE(dxPSIsReportStream(foreign));

  // Another StreamVersion: no report for a link, but the open dialog can
  // still show its document.
  TBytes version2 = data;
  version2[37] = 2;
  const std::string path2 = dir.Write("v2.rps", version2);
  EXPECT_FALSE(TdxPSReportFile::IsReportFile(path2, false));
  TdxFileStream file(path2, TdxFileStreamMode::Read);
  EXPECT_EQ(TdxPSReportFile::ExtractVersion(file, true), 2);
  std::unique_ptr<TdxPSReportDocument> document = TdxPSReportFile::ExtractReportDocument(file, true);
  ASSERT_TRUE(document);
  EXPECT_FALSE(document->Preview().Empty());
}

// ---- Refused files --------------------------------------------------------------------------

class RefusedFileTest : public ReportFileTest {
 protected:
  // The link's open report as it is now.
  struct Snapshot {
    TdxReportLinkDataSource Source;
    TdxReportCells* Cells;
    TBytes Stored;
    std::string StorageName;
    std::string Title;
    QImage Page;
  };
  Snapshot Take(TBasedxReportLink& link) {
    return {link.DataSource(), link.ReportCells(), link.StoredReport(), link.StorageName(), link.ReportTitleText(),
            Paint(link)};
  }
  void ExpectUnchanged(TBasedxReportLink& link, const Snapshot& before) {
    EXPECT_EQ(link.DataSource(), before.Source);
    EXPECT_EQ(link.ReportCells(), before.Cells);
    EXPECT_EQ(link.StoredReport(), before.Stored);
    EXPECT_EQ(link.StorageName(), before.StorageName);
    EXPECT_EQ(link.ReportTitleText(), before.Title);
    EXPECT_TRUE(link.Active());
    EXPECT_EQ(DifferentPixels(Paint(link), before.Page), 0);
  }
  // Loads each file into the link and expects one message per file and no
  // change.
  void ExpectRefused(TBasedxReportLink& link, const std::vector<std::pair<std::string, TBytes>>& files) {
    ScratchDir dir;
    const Snapshot before = Take(link);
    for (const auto& [name, bytes] : files) {
      Messages.clear();
      const std::string path = dir.Write(name, bytes);
      EXPECT_NO_THROW(link.LoadFromFile(path)) << name;
      ASSERT_EQ(Messages.size(), 1u) << name;
      EXPECT_EQ(Messages[0].rfind("Cannot load Report File \"" + path + "\".\n", 0), 0u) << Messages[0];
      ExpectUnchanged(link, before);
      Messages.clear();
      EXPECT_NO_THROW(link.LoadFromStream(bytes)) << name;
      ExpectUnchanged(link, before);
    }
  }

};

TEST_F(RefusedFileTest, EveryFaultIsAReadErrorWithItsOwnMessage) {
  const TBytes good = Saved(*BuiltLink(printer));
  std::map<std::string, std::string> messages;
  for (const auto& [name, bytes] : DamagedFiles(good)) {
    try {
      dxPSCheckReport(bytes);
      messages[name] = "<read>";
    } catch (const EReadError& e) {
      messages[name] = e.Message;
    }
  }
  EXPECT_EQ(messages["version2.rps"], "<read>");  // readable, only no report of this version
  EXPECT_EQ(messages["cut2.rps"], "Stream read error");
  EXPECT_EQ(messages["huge.rps"], "Stream read error");
  EXPECT_EQ(messages["unknown-class.rps"], "Assertion failure");
  EXPECT_EQ(messages["wrong-tag.rps"], "Invalid property value");
  EXPECT_EQ(messages["trailing.rps"], dxPSStorageMessages::DataAfterReport);
}

TEST_F(RefusedFileTest, DamagedFilesLeaveTheReportBuiltFromTheComponent) {
  TEveryItemLink* link = BuiltLink(printer);
  ASSERT_TRUE(link->Active());
  link->SetStorageName("earlier.rps");
  const TBytes good = Saved(*link);
  ExpectRefused(*link, DamagedFiles(good));
}

TEST_F(RefusedFileTest, DamagedFilesLeaveAShownStoredReport) {
  ScratchDir dir;
  TEveryItemLink* source = BuiltLink(printer);
  const TBytes good = Saved(*source);
  TdxComponentPrinter otherPrinter;
  auto* link = new TEveryItemLink;
  link->SetComponentPrinter(&otherPrinter);
  link->LoadFromFile(dir.Write("good.rps", good));
  link->Rebuild();
  ASSERT_TRUE(link->Active());
  ASSERT_EQ(link->DataSource(), dsExternalStorage);
  ASSERT_TRUE(Messages.empty());
  ExpectRefused(*link, DamagedFiles(good));
}

TEST_F(RefusedFileTest, CellsNestedBeyondTheLimitAreRefused) {
  TEveryItemLink* deep = BuiltLink(printer);
  deep->NestDepth = 400;
  deep->Rebuild();
  ASSERT_TRUE(deep->Active());
  const TBytes data = Saved(*deep);
  try {
    dxPSCheckReport(data);
    FAIL() << "read";
  } catch (const EReadError& e) {
    EXPECT_EQ(e.Message, "Report cells are nested too deeply");
  }
  TdxComponentPrinter otherPrinter;
  TEveryItemLink* link = BuiltLink(otherPrinter);
  ExpectRefused(*link, {{"deep.rps", data}});
}

// Random damage to a good file: every read either fails with an engine
// error or gives a report that loads and paints.
TEST_F(RefusedFileTest, RandomlyDamagedFilesAreRefusedOrLoadCleanly) {
  TEveryItemLink* source = BuiltLink(printer);
  source->PrinterPage().SetScaleFactor(25);
  source->Rebuild();
  const TBytes good = Saved(*source);
  TdxComponentPrinter otherPrinter;
  auto* link = new TEveryItemLink;
  link->SetComponentPrinter(&otherPrinter);
  std::mt19937 random(20261210);
  int refused = 0, loaded = 0;
  for (int round = 0; round < 300; ++round) {
    TBytes bytes = good;
    const int edits = 1 + int(random() % 4);
    for (int e = 0; e < edits; ++e) {
      // Damage lands in the sections after the preview picture as often as
      // in the rest.
      const std::size_t from = random() % 2 ? 0 : bytes.size() / 2;
      const std::size_t at = from + random() % (bytes.size() - from);
      switch (random() % 4) {
        case 0: bytes[at] = std::uint8_t(random()); break;
        case 1: bytes[at] ^= std::uint8_t(1u << (random() % 8)); break;
        case 2:
          std::fill_n(bytes.begin() + std::ptrdiff_t(at), std::min<std::size_t>(4, bytes.size() - at), 0xFF);
          break;
        default: bytes.resize(std::max<std::size_t>(at, 1)); break;
      }
    }
    TdxByteViewStream stream(bytes);
    (void)TdxPSReportFile::ExtractReportDocument(stream, false);
    (void)TdxPSReportFile::ExtractLinkInfo(stream, false);
    bool reads = dxPSIsReportStream(bytes);
    if (reads) {
      try {
        dxPSCheckReport(bytes);
      } catch (const Exception&) {
        reads = false;
      }
    }
    if (!reads) {
      ++refused;
      continue;
    }
    ++loaded;
    Messages.clear();
    link->LoadFromStream(bytes);
    try {
      link->Rebuild();
      if (link->Active()) Paint(*link);
    } catch (const Exception&) {
    }
  }
  EXPECT_GT(refused, 50);
  EXPECT_GT(loaded, 10);
}

// ---- Hostile and endless files, full disks -------------------------------------------------

constexpr std::int64_t kGigabyte = std::int64_t(1) << 30;
constexpr std::int64_t kMemoryBound = std::int64_t(64) << 20;

// Names that lead to no report file at all are refused at once, with the
// reason, before anything is read (a FIFO would otherwise wait for a writer
// for ever, /dev/zero fill memory until it runs out).
TEST_F(RefusedFileTest, FifosAndDevicesNamedLikeReportsAreRefusedAtOnce) {
  TEveryItemLink* link = BuiltLink(printer);
  const Snapshot before = Take(*link);
  ScratchDir dir;
  const std::pair<std::string, std::string> names[] = {
      {MakeFifo(dir, "fifo.rps"), "FIFO"},
      {MakeLink(dir, "zero.rps", "/dev/zero"), "character device"},
  };
  for (const auto& [name, reason] : names) {
    try {
      link->LoadFromFile(name);
      ADD_FAILURE() << "loaded " << name;
    } catch (const EFOpenError& e) {
      EXPECT_NE(e.Message.find(reason), std::string::npos) << e.Message;
    }
    EXPECT_FALSE(TdxPSReportFile::IsReportFile(name, false)) << name;
    EXPECT_THROW(TdxFileStream(name, TdxFileStreamMode::Read), EFOpenError) << name;
    ExpectUnchanged(*link, before);
  }
}

// Huge files are refused without being read whole: a gigabyte of zeros on
// its header, a valid report with a gigabyte after it on its size (after its
// header), and a report whose title claims a string reaching far past its
// section on that section's end. Time and memory are printed; memory is
// bounded.
TEST_F(RefusedFileTest, GigabyteFilesAreRefusedWithoutBeingRead) {
  TEveryItemLink* link = BuiltLink(printer);
  const TBytes good = Saved(*link);
  TBytes claiming = good;
  const TBytes title(kTitle.begin(), kTitle.end());
  auto at = std::search(claiming.begin(), claiming.end(), title.begin(), title.end());
  ASSERT_NE(at, claiming.end());
  ASSERT_EQ(*(at - 5), 0x14);  // a UTF-8 string: its 4-byte length before it
  const std::uint32_t length = 0x0C000000;  // 192 MB: within the file, past the section
  std::memcpy(&*(at - 4), &length, 4);
  ScratchDir dir;
  struct Case {
    std::string name;
    std::string reason;
    bool raised;  // an open error, else a message box
  };
  const Case files[] = {
      {MakeSparseFile(dir, "zeros.rps", TBytes(64, 0), kGigabyte), "not a report file", false},
      {MakeSparseFile(dir, "trailing.rps", good, kGigabyte), "too large", true},
      {MakeSparseFile(dir, "claiming.rps", claiming, kGigabyte / 4), dxPSStorageMessages::StreamReadError, false},
  };
  const Snapshot before = Take(*link);
  for (const Case& c : files) {
    Messages.clear();
    std::string raised;
    const auto start = std::chrono::steady_clock::now();
    const std::int64_t grown = PeakMemoryGrowth([&] {
      try {
        link->LoadFromFile(c.name);
      } catch (const EFOpenError& e) {
        raised = e.Message;
      }
    });
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%lld MB report file %s: refused in %.4f s, peak memory grew by %.1f MB\n",
                static_cast<long long>(QFileInfo(QString::fromStdString(c.name)).size() >> 20),
                QFileInfo(QString::fromStdString(c.name)).fileName().toStdString().c_str(), seconds,
                double(grown) / (1 << 20));
    EXPECT_LT(grown, kMemoryBound) << c.name;
    const std::string said = c.raised ? raised : (Messages.size() == 1 ? Messages[0] : std::string());
    EXPECT_EQ(Messages.size(), c.raised ? 0u : 1u) << c.name;
    EXPECT_NE(said.find(c.reason), std::string::npos) << c.name << ": " << said;
    ExpectUnchanged(*link, before);
  }
}

// A loaded report keeps a buffer of its own size only: loading a smaller one
// after a larger one gives the larger one's memory back.
TEST_F(ReportFileTest, AStoredReportKeepsNoMoreThanItsOwnBytes) {
  TEveryItemLink* source = BuiltLink(printer);
  const TBytes small = Saved(*source);
  TBitmap large;
  QImage image(600, 600, QImage::Format_RGB32);
  image.fill(Qt::darkCyan);
  large.SetImage(image);
  source->BackgroundBitmapPool().Add(large);
  const TBytes big = Saved(*source);
  ASSERT_GT(big.size(), small.size() + 100000);
  TdxComponentPrinter otherPrinter;
  auto* link = new TEveryItemLink;
  link->SetComponentPrinter(&otherPrinter);
  ScratchDir dir;
  link->LoadFromFile(dir.Write("big.rps", big));
  ASSERT_EQ(link->StoredReport().size(), big.size());
  link->LoadFromFile(dir.Write("small.rps", small));
  ASSERT_TRUE(Messages.empty()) << Messages[0];
  EXPECT_EQ(link->StoredReport().size(), small.size());
  EXPECT_EQ(link->StoredReport().capacity(), small.size());
  link->FreeStoredReport();
  EXPECT_EQ(link->StoredReport().capacity(), 0u);
}

// A save that does not fit says what the system said and keeps the old file;
// nothing half-written is left beside it.
TEST_F(ReportFileTest, ASaveOnAFullDiskSaysSoAndKeepsTheOldFile) {
  SmallDisk disk(256);
  SKIP_WITHOUT_SMALL_DISK(disk);
  TEveryItemLink* link = BuiltLink(printer);
  const std::string name = disk.Path("March.rps");
  ASSERT_TRUE(link->SaveToFile(name)) << (Messages.empty() ? "" : Messages[0]);
  QFile saved(QString::fromStdString(name));
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  const QByteArray old = saved.readAll();
  saved.close();
  disk.Fill();
  link->SetReportTitleText("Nisan");
  link->Rebuild();
  EXPECT_FALSE(link->SaveToFile(name));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].rfind("Cannot save the report file \"" + name + "\".\n", 0), 0u) << Messages[0];
  EXPECT_NE(Messages[0].find("No space left on device"), std::string::npos) << Messages[0];
  ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
  EXPECT_EQ(saved.readAll(), old);
  EXPECT_EQ(disk.Listing(), "filler March.rps");
}

// ---- Seeds of the fuzz target --------------------------------------------------------------

// With ARDEL_WRITE_REPORT_SEEDS set, writes the seed corpus of the report
// fuzz target (fuzz/corpus/report); otherwise checks that the valid seeds
// there still read, so that a format change cannot leave them stale.
TEST_F(ReportFileTest, FuzzSeedsAreWrittenByTheCurrentWriter) {
  const std::string folder = SourcePath("fuzz/corpus/report");
  if (std::getenv("ARDEL_WRITE_REPORT_SEEDS")) {
    QDir().mkpath(QString::fromStdString(folder));
    auto write = [&](const std::string& name, const TBytes& bytes) {
      QFile file(QString::fromStdString(folder + "/" + name));
      ASSERT_TRUE(file.open(QIODevice::WriteOnly));
      file.write(reinterpret_cast<const char*>(bytes.data()), qint64(bytes.size()));
    };
    TEveryItemLink* link = BuiltLink(printer);
    link->PrinterPage().SetScaleFactor(25);  // a small preview picture
    link->Rebuild();
    const TBytes good = Saved(*link);
    ASSERT_LT(good.size(), 65536u);
    write("valid-every-item.rps", good);
    link->NestDepth = 20;
    link->Rebuild();
    write("valid-nested.rps", Saved(*link));
    for (const auto& [name, bytes] : DamagedFiles(good))
      write("bad-" + name, bytes);
    link->NestDepth = 300;
    link->Rebuild();
    const TBytes deep = Saved(*link);
    EXPECT_LT(deep.size(), 65536u);
    write("bad-deep.rps", deep);
  }
  QDir dir(QString::fromStdString(folder));
  const QStringList valid = dir.entryList({"valid-*.rps"}, QDir::Files);
  ASSERT_FALSE(valid.isEmpty()) << "no seeds in " << folder;
  for (const QString& name : valid) {
    QFile file(dir.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    const TByteView view(reinterpret_cast<const std::uint8_t*>(bytes.constData()), std::size_t(bytes.size()));
    EXPECT_NO_THROW(dxPSCheckReport(view)) << name.toStdString();
  }
}

}  // namespace
