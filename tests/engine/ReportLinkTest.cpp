// The report link: properties and their rules, the build cycle through the
// component printer, page-parameter reactions, custom-draw forwarding, the
// report document, report files and the link registry.
#include <gtest/gtest.h>

#include <QFile>
#include <QDir>
#include <QPainter>
#include <QWidget>
#include <memory>

#include "engine/ComponentPrinter.h"
#include "engine/ReportLink.h"
#include "layout/HeaderFooterFunctions.h"
#include "layout/UserLocale.h"
#include "platform/EnumBits.h"
#include "platform/Exceptions.h"
#include "platform/MessageDialogs.h"
#include "report/EventBus.h"
#include "tests/TestSupport.h"
#include "tests/report/TestStream.h"
#include "tests/ModalAnswers.h"

namespace {

// Pagination stand-in: counts calculations and makes PageTotal pages.
class TFakeRenderInfo : public TdxPSReportRenderInfo {
  DX_CLASS(TFakeRenderInfo, TdxPSReportRenderInfo)

 public:
  TFakeRenderInfo() = default;
  void Calculate() override {
    ++Calculations;
    pages_.assign(std::size_t(PageTotal), TdxPSPageRenderInfo{});
  }
  int Calculations = 0;
  int PageTotal = 3;
};

// Drawing stand-in: paints the left half of the target red and records the call.
class TFakeRenderer : public TdxPSReportRenderer {
  DX_CLASS(TFakeRenderer, TdxPSReportRenderer)

 public:
  TFakeRenderer() = default;
  void RenderPage(TCanvas& canvas, const TRect& target, int zoom, int pageIndex, int visiblePageIndex) override {
    Calls.push_back({pageIndex, visiblePageIndex, zoom});
    canvas.FillRect(TRect(target.Left, target.Top, target.Left + target.Width() / 2, target.Bottom), clRed);
  }
  struct Call {
    int Page, Visible, Zoom;
  };
  std::vector<Call> Calls;
};

// A link whose report is one root cell with two child cells, in pixels.
class TTestReportLink : public TBasedxReportLink {
  DX_CLASS(TTestReportLink, TBasedxReportLink)

 public:
  void ConstructReport(TdxReportCells& cells) override {
    TBasedxReportLink::ConstructReport(cells);
    ++Constructions;
    if (FailBuild) throw EdxReportLink("The test report cannot be built");
    cells.ClearItems();
    cells.Cells()->SetBounds(0, 0, 200, 100);
    auto* a = new TdxReportCell(cells.Cells());
    a->SetBounds(10, 10, 50, 20);
    auto* b = new TdxReportCell(cells.Cells());
    b->SetBounds(100, 40, 96, 48);
  }
  bool NeedsRebuildOnPageParamsChanged(TdxPageUpdateCodes) const override { return RebuildOnPageParams; }
  void RefreshPreview() override {
    ++Refreshes;
    TBasedxReportLink::RefreshPreview();
  }
  TdxClass RenderInfoClass() const override { return TFakeRenderInfo::StaticClass(); }
  TdxClass RendererClass() const override { return TFakeRenderer::StaticClass(); }

  TFakeRenderInfo& FakeInfo() { return dynamic_cast<TFakeRenderInfo&>(RenderInfo()); }
  TFakeRenderer& FakeRenderer() { return dynamic_cast<TFakeRenderer&>(Renderer()); }

  int Constructions = 0;
  int Refreshes = 0;
  bool FailBuild = false;
  bool RebuildOnPageParams = false;
};

// The same report with the real pagination and renderer: one red cell.
class TPaintedReportLink : public TBasedxReportLink {
  DX_CLASS(TPaintedReportLink, TBasedxReportLink)

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

// Registered for no component class at all.
class TUnregisteredLink : public TBasedxReportLink {
  DX_CLASS(TUnregisteredLink, TBasedxReportLink)
};

// A toy report format: "RPT" then the title text.
void InstallToyStorage(int* writes = nullptr) {
  auto& storage = dxPSReportLinkStorage();
  storage.IsReportStream = [](TByteView data) {
    return data.size() >= 3 && data[0] == 'R' && data[1] == 'P' && data[2] == 'T';
  };
  storage.WriteReport = [writes](TBasedxReportLink& link, TBytes& data) {
    if (writes) ++*writes;
    const std::string text = "RPT" + link.ReportTitleText();
    data.assign(text.begin(), text.end());
  };
  storage.ReadReport = [](TBasedxReportLink& link, TByteView data) {
    const std::string text(data.begin(), data.end());
    if (text.find("broken") != std::string::npos) throw EReadError("Stream read error");
    link.SetReportTitleText(text.substr(3));
  };
}

std::string ReadFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll().toStdString();
}

// A preview window that shows nothing and counts what the printer asks of it.
class TFakePreviewWindow : public TBasedxPreviewWindow {
 public:
  void SetComponentPrinter(TCustomdxComponentPrinter* printer) override { printer_ = printer; }
  TCustomdxComponentPrinter* ComponentPrinter() const override { return printer_; }
  int SelectedPageIndex() const override { return selected_; }
  void SelectPage(int index) override { selected_ = index; }
  int PageCount() const override { return pageCount_; }
  void SetPageCount(int count) override { pageCount_ = count; }
  int ZoomFactor() const override { return 150; }
  void SetZoomFactor(int) override {}
  void BeginUpdate() override {}
  void EndUpdate() override {}
  void InitializeFromPage() override { ++Initializations; }
  void InvalidateContent() override {}
  void UpdateControls() override {}
  void ApplyOptions(const TdxPreviewOptions&) override {}
  void Execute(bool) override {}
  static inline int Initializations = 0;

 private:
  TCustomdxComponentPrinter* printer_ = nullptr;
  int selected_ = -1;
  int pageCount_ = 0;
};

// Registers the test link for whatever class a plain widget counts as, and
// captures message boxes.
class ReportLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    componentClass_ = dxComponentClassOf(&widget);
    dxPSRegisterReportLink(TTestReportLink::StaticClass(), componentClass_, nullptr);
    AnswerMessageBoxes([this](TMessageBoxKind kind, const std::string&, const std::string& text) {
      Messages.push_back({kind, text});
      return QuestionAnswer;
    });
  }
  void TearDown() override {
    AnswerMessageBoxes(nullptr);
    dxPSUnregisterReportLink(TTestReportLink::StaticClass(), componentClass_, nullptr);
    dxPSReportLinkStorage() = TdxReportLinkStorage{};
    dxPSPrintStyleServices() = TdxPrintStyleServices{};
  }

  // A link owned by the printer (and its current link when it is the first).
  TTestReportLink* AddLink() {
    auto* link = new TTestReportLink;
    link->SetComponentPrinter(&printer);
    return link;
  }

  struct Message {
    TMessageBoxKind Kind;
    std::string Text;
  };
  std::vector<Message> Messages;
  bool QuestionAnswer = false;
  QWidget widget;
  TdxComponentPrinter printer;

 private:
  TdxClass componentClass_ = nullptr;
};

// ---- Simple properties --------------------------------------------------------------

TEST_F(ReportLinkTest, StartPageIndexStoresOneForZeroOrLess) {
  TTestReportLink link;
  EXPECT_EQ(link.StartPageIndex(), 1);
  link.SetStartPageIndex(0);
  EXPECT_EQ(link.StartPageIndex(), 1);
  link.SetStartPageIndex(7);
  EXPECT_EQ(link.StartPageIndex(), 7);
  link.SetStartPageIndex(-5);
  EXPECT_EQ(link.StartPageIndex(), 1);
}

TEST_F(ReportLinkTest, TitleIgnoresJustifiedAlignment) {
  TTestReportLink link;
  link.ReportTitle().SetTextAlignX(taRight);
  link.ReportTitle().SetTextAlignX(taJustifyX);
  EXPECT_EQ(link.ReportTitle().TextAlignX(), taRight);
  link.ReportTitle().SetTextAlignY(taDistributeY);
  EXPECT_EQ(link.ReportTitle().TextAlignY(), taCenterY);
}

TEST_F(ReportLinkTest, NameFillsAnEmptyCaptionOnly) {
  TTestReportLink link;
  link.SetName("yaziciLink1");
  EXPECT_EQ(link.Caption(), "yaziciLink1");
  link.SetCaption("Takvim");
  link.SetName("other");
  EXPECT_EQ(link.Caption(), "Takvim");
}

TEST_F(ReportLinkTest, DefaultReportFileNameReplacesForbiddenCharactersAndKeepsBlanks) {
  TTestReportLink link;
  EXPECT_EQ(link.DefaultReportFileName(), "NewReport");
  link.SetCaption("Doc: A");
  EXPECT_EQ(link.DefaultReportFileName(), "Doc_ A");
  link.SetReportTitleText("Ay / Yil: 2024 <x>|\"y\"\\z");
  EXPECT_EQ(link.DefaultReportFileName(), "Ay _ Yil_ 2024 _x___y__z");
}

TEST_F(ReportLinkTest, CurrentPageStaysWithinThePages) {
  TTestReportLink* link = AddLink();
  link->SetCurrentPage(5);
  EXPECT_EQ(link->CurrentPage(), 1);  // no report: one page at most
  link->SetComponent(&widget);
  link->SetActive(true);
  ASSERT_TRUE(link->Active());
  EXPECT_EQ(link->PageCount(), 3);
  link->SetCurrentPage(10);
  EXPECT_EQ(link->CurrentPage(), 3);
  link->SetCurrentPage(0);
  EXPECT_EQ(link->CurrentPage(), 1);
}

// ---- Formats -----------------------------------------------------------------------

TEST_F(ReportLinkTest, DateFormatWithoutPrinterIsClampedToTheList) {
  TTestReportLink link;
  const int last = int(DateFormatList().size()) - 1;
  ASSERT_GT(last, 0);
  link.SetDateFormat(1000);
  EXPECT_EQ(link.DateFormat(), last);
  EXPECT_TRUE(link.AssignedFormatValues() & dxBit(fvDate));
  link.SetDateFormat(-3);
  EXPECT_EQ(link.DateFormat(), 0);
  EXPECT_FALSE(link.AssignedFormatValues() & dxBit(fvDate));
  link.SetTimeFormat(1000);
  EXPECT_EQ(link.TimeFormat(), int(TimeFormatList().size()) - 1);
}

TEST_F(ReportLinkTest, FormatsFollowThePrinterUntilTheLinkSetsItsOwn) {
  TTestReportLink* link = AddLink();
  printer.SetDateFormat(2);
  EXPECT_EQ(link->DateFormat(), 2);
  // The printer's own value does not make the format the link's.
  link->SetDateFormat(2);
  EXPECT_FALSE(link->AssignedFormatValues() & dxBit(fvDate));
  printer.SetDateFormat(1);
  EXPECT_EQ(link->DateFormat(), 1);
  // A different value does, and sticks when the printer changes.
  link->SetDateFormat(3);
  EXPECT_TRUE(link->AssignedFormatValues() & dxBit(fvDate));
  printer.SetDateFormat(0);
  EXPECT_EQ(link->DateFormat(), 3);
  // Back to the printer's value: following again.
  link->SetDateFormat(0);
  EXPECT_FALSE(link->AssignedFormatValues() & dxBit(fvDate));
  printer.SetDateFormat(2);
  EXPECT_EQ(link->DateFormat(), 2);

  printer.SetPageNumberFormat(pnfRoman);
  EXPECT_EQ(link->PageNumberFormat(), pnfRoman);
  link->SetPageNumberFormat(pnfChars);
  printer.SetPageNumberFormat(pnfNumeral);
  EXPECT_EQ(link->PageNumberFormat(), pnfChars);
}

TEST_F(ReportLinkTest, AssignedFormatValuesDropFlagsOfFormatsAtTheirDefault) {
  TTestReportLink* link = AddLink();
  link->SetAssignedFormatValues(dxBit(fvDate) | dxBit(fvTime));
  EXPECT_EQ(link->AssignedFormatValues(), 0u);
  link->SetTimeFormat(1);
  link->SetAssignedFormatValues(dxBit(fvDate) | dxBit(fvTime));
  EXPECT_EQ(link->AssignedFormatValues(), dxBit(fvTime));
}

TEST_F(ReportLinkTest, CurrentLinkCopiesItsFormatsIntoHeaderAndFooterValues) {
  TTestReportLink* link = AddLink();
  ASSERT_TRUE(link->IsCurrentLink());
  TdxHFFunctionFormatObject* hf = GetHFFormatObject();
  link->SetDateFormat(1);
  EXPECT_EQ(hf->DateFormat, DateFormatList()[1]);
  link->SetTimeFormat(1);
  EXPECT_EQ(hf->TimeFormat, TimeFormatList()[1]);
  link->SetPageNumberFormat(pnfUpperRoman);
  EXPECT_EQ(hf->PageNumberFormat, pnfUpperRoman);
  link->SetStartPageIndex(4);
  EXPECT_EQ(hf->StartPageIndex, 4);
  link->SetDateTime(45000.5);
  EXPECT_EQ(hf->DateTime, 45000.5);

  // A link that is not current leaves the shared values alone.
  TTestReportLink* other = AddLink();
  ASSERT_FALSE(other->IsCurrentLink());
  other->SetStartPageIndex(9);
  other->SetDateTime(1.0);
  EXPECT_EQ(hf->StartPageIndex, 4);
  EXPECT_EQ(hf->DateTime, 45000.5);
}

// ---- Component and activity ---------------------------------------------------------

TEST_F(ReportLinkTest, ActiveWithoutPrinterStaysFalse) {
  TTestReportLink link;
  link.SetComponent(&widget);
  link.SetActive(true);
  EXPECT_FALSE(link.Active());
  link.Rebuild();
  EXPECT_FALSE(link.Active());
  EXPECT_EQ(link.Constructions, 0);
  EXPECT_EQ(link.ReportCells(), nullptr);
}

TEST_F(ReportLinkTest, UnsupportedComponentIsRefusedWithItsClassName) {
  auto* link = new TUnregisteredLink;
  link->SetComponentPrinter(&printer);
  try {
    link->SetComponent(&widget);
    FAIL() << "no exception";
  } catch (const EdxReportLink& e) {
    EXPECT_STREQ(e.what(), "Component \"QWidget\" not supported by TdxComponentPrinter");
  }
  EXPECT_EQ(link->Component(), nullptr);
}

TEST_F(ReportLinkTest, ActiveReadWhileLoadingBuildsOnceLoadingEnds) {
  TTestReportLink* link = AddLink();
  link->BeginLoading();
  link->SetActive(true);
  link->SetComponent(&widget);
  EXPECT_FALSE(link->Active());
  EXPECT_EQ(link->Constructions, 0);
  link->EndLoading();
  EXPECT_TRUE(link->Active());
  EXPECT_EQ(link->Constructions, 1);
  EXPECT_EQ(link->Component(), &widget);
  ASSERT_NE(link->ReportCells(), nullptr);
}

TEST_F(ReportLinkTest, ComponentAssignedAfterActivationBuildsAtOnce) {
  TTestReportLink* link = AddLink();
  int changes = 0;
  link->OnChangeComponent = [&](TBasedxReportLink&) { ++changes; };
  link->SetComponent(&widget);
  EXPECT_FALSE(link->Active());
  link->SetActive(true);
  EXPECT_TRUE(link->Active());
  QWidget second;
  link->SetComponent(&second);  // an active link rebuilds on the new component
  EXPECT_TRUE(link->Active());
  EXPECT_EQ(link->Constructions, 2);
  link->SetComponent(nullptr);
  EXPECT_FALSE(link->Active());
  EXPECT_EQ(link->ReportCells(), nullptr);
  EXPECT_EQ(changes, 3);
}

TEST_F(ReportLinkTest, RebuildWithoutComponentFailsAndLeavesTheLinkInactive) {
  TTestReportLink* link = AddLink();
  try {
    link->Rebuild();
    FAIL() << "no exception";
  } catch (const EdxReportLink& e) {
    EXPECT_STREQ(e.what(), "Missing \"Component\" property");
  }
  EXPECT_FALSE(link->Active());
  EXPECT_EQ(link->ReportCells(), nullptr);
  EXPECT_FALSE(printer.Building());
}

TEST_F(ReportLinkTest, FailedBuildClearsTheReportAndPassesTheErrorOn) {
  TTestReportLink* link = AddLink();
  link->SetComponent(&widget);
  link->SetActive(true);
  ASSERT_TRUE(link->Active());
  link->FailBuild = true;
  EXPECT_THROW(link->Rebuild(), EdxReportLink);
  EXPECT_FALSE(link->Active());
  EXPECT_EQ(link->ReportCells(), nullptr);
  EXPECT_EQ(link->PageCount(), 0);
  // The next good build works again.
  link->FailBuild = false;
  link->Rebuild();
  EXPECT_TRUE(link->Active());
}

TEST_F(ReportLinkTest, AttachFailureClearsTheComponentAgain) {
  TTestReportLink* link = AddLink();
  QWidget first;
  link->SetComponent(&first);
  link->SetActive(true);
  link->FailBuild = true;
  EXPECT_THROW(link->SetComponent(&widget), EdxReportLink);
  EXPECT_EQ(link->Component(), nullptr);
  EXPECT_FALSE(link->Active());
}

TEST_F(ReportLinkTest, DestroyedComponentIsForgotten) {
  TTestReportLink* link = AddLink();
  {
    QWidget temporary;
    link->SetComponent(&temporary);
    EXPECT_EQ(link->Component(), &temporary);
  }
  EXPECT_EQ(link->Component(), nullptr);
  EXPECT_FALSE(link->DataProviderPresent());
}

TEST_F(ReportLinkTest, BuildScalesScreenPixelsToReportUnits) {
  TTestReportLink* link = AddLink();
  link->SetComponent(&widget);
  link->SetActive(true);
  ASSERT_NE(link->ReportCells(), nullptr);
  const int factor = link->RenderInfo().UnitsPerInch() / TDeviceCaps::Screen().LogPixelsY;
  ASSERT_EQ(factor * TDeviceCaps::Screen().LogPixelsY, link->RenderInfo().UnitsPerInch());
  TdxReportCell* root = link->ReportCells()->Cells();
  EXPECT_EQ(root->Cells(0)->BoundsRect(), TRect(10 * factor, 10 * factor, 60 * factor, 30 * factor));
  EXPECT_EQ(root->Cells(1)->BoundsRect(), TRect(100 * factor, 40 * factor, 196 * factor, 88 * factor));
  EXPECT_EQ(link->ReportWidth(), link->ReportCells()->BoundsWidth());
  // The base ConstructReport entered the link's font first.
  ASSERT_GE(link->FontPool().Count(), 1);
  EXPECT_EQ(link->FontPool().Font(0).Name, "Times New Roman");
  EXPECT_EQ(link->FakeInfo().Calculations, 1);
}

TEST_F(ReportLinkTest, LinkLeavesItsPrinterWhenDestroyed) {
  TTestReportLink* link = AddLink();
  TTestReportLink* second = AddLink();
  bool destroyed = false;
  link->OnDestroy = [&](TBasedxReportLink&) { destroyed = true; };
  ASSERT_EQ(printer.LinkCount(), 2);
  ASSERT_TRUE(link->IsCurrentLink());
  delete link;
  EXPECT_TRUE(destroyed);
  EXPECT_EQ(printer.LinkCount(), 1);
  EXPECT_TRUE(second->IsCurrentLink());
  EXPECT_EQ(second->Index(), 0);
}

// ---- Layout reactions -----------------------------------------------------------------

TEST_F(ReportLinkTest, TitleColorDoesNotRecalculateButTextDoes) {
  TTestReportLink* link = AddLink();
  link->SetComponent(&widget);
  link->SetActive(true);
  const int before = link->FakeInfo().Calculations;
  link->ReportTitle().SetColor(clRed);
  link->ReportTitle().SetTransparent(false);
  EXPECT_EQ(link->FakeInfo().Calculations, before);
  link->SetReportTitleText("Takvim");
  EXPECT_EQ(link->FakeInfo().Calculations, before + 1);
  link->SetShowPageHeader(false);
  EXPECT_EQ(link->FakeInfo().Calculations, before + 2);
}

TEST_F(ReportLinkTest, MarginChangeRepaginatesAndRefreshesButPaperSourceDoesNot) {
  TTestReportLink* link = AddLink();
  link->SetComponent(&widget);
  link->SetActive(true);
  const int calculations = link->FakeInfo().Calculations;
  const int refreshes = link->Refreshes;
  link->PrinterPage().SetPaperSource(3);
  EXPECT_EQ(link->FakeInfo().Calculations, calculations);
  EXPECT_EQ(link->Refreshes, refreshes);

  link->PrinterPage().Margins().SetRight(link->PrinterPage().Margins().Right() + 5000);
  EXPECT_EQ(link->FakeInfo().Calculations, calculations + 1);
  EXPECT_EQ(link->Refreshes, refreshes + 1);
  EXPECT_EQ(link->Constructions, 1);

  // A descendant that asks for it is rebuilt instead.
  link->RebuildOnPageParams = true;
  link->PrinterPage().Margins().SetRight(link->PrinterPage().Margins().Right() + 1000);
  EXPECT_EQ(link->Constructions, 2);
  EXPECT_EQ(link->Refreshes, refreshes + 2);
}

TEST_F(ReportLinkTest, PageChangesOfALinkThatIsNotCurrentAreIgnored) {
  TTestReportLink* current = AddLink();
  TTestReportLink* link = AddLink();
  ASSERT_TRUE(current->IsCurrentLink());
  link->SetComponent(&widget);
  link->SetActive(true);
  const int calculations = link->FakeInfo().Calculations;
  link->PrinterPage().Margins().SetRight(link->PrinterPage().Margins().Right() + 5000);
  EXPECT_EQ(link->FakeInfo().Calculations, calculations);
  EXPECT_EQ(link->Refreshes, 0);
}

TEST_F(ReportLinkTest, CurrentStyleOfTheStyleManagerSuppliesThePage) {
  TTestReportLink* link = AddLink();
  link->SetComponent(&widget);
  link->SetActive(true);
  TdxPrinterPage stylePage;
  stylePage.SetScaleFactor(50);
  int managerObject = 0, styleObject = 0;
  auto* manager = reinterpret_cast<TdxPrintStyleManager*>(&managerObject);
  auto* style = reinterpret_cast<TdxPrintStyle*>(&styleObject);
  auto& services = dxPSPrintStyleServices();
  services.CurrentStyle = [=](TdxPrintStyleManager* m) { return m == manager ? style : nullptr; };
  services.StylePrinterPage = [&](TdxPrintStyle* s) { return s == style ? &stylePage : nullptr; };

  int calculations = link->FakeInfo().Calculations;
  link->SetStyleManager(manager);  // the page changed as a whole
  EXPECT_EQ(link->FakeInfo().Calculations, calculations + 1);
  EXPECT_EQ(&link->RealPrinterPage(), &stylePage);
  EXPECT_EQ(link->RealScaleFactor(), 50);

  // The style's page changes arrive through the event bus; the link's own
  // page no longer counts.
  calculations = link->FakeInfo().Calculations;
  dxPSEventSystem()->ProcessEvent(
      std::make_unique<TdxSMPageParamsChangedEvent>(nullptr, nullptr, ucMarginRight, &stylePage));
  EXPECT_EQ(link->FakeInfo().Calculations, calculations + 1);
  link->PrinterPage().Margins().SetRight(link->PrinterPage().Margins().Right() + 5000);
  EXPECT_EQ(link->FakeInfo().Calculations, calculations + 1);

  link->StyleManagerDestroyed(manager);
  EXPECT_EQ(link->StyleManager(), nullptr);
  EXPECT_EQ(&link->RealPrinterPage(), &link->PrinterPage());
}

TEST_F(ReportLinkTest, OpenPreviewMakesDataSourceSwitchesRebuild) {
  ScratchDir dir;
  InstallToyStorage();
  dxPSRegisterPreviewWindow("TFakePreviewWindow", [] { return new TFakePreviewWindow; });
  TTestReportLink* link = AddLink();
  link->SetComponent(&widget);
  link->SetReportTitleText("Canli");
  printer.Preview(false);
  ASSERT_TRUE(printer.Previewing());
  EXPECT_EQ(link->Constructions, 1);

  link->LoadFromFile(dir.Write("takvim.rps", std::string("RPTKayitli")));
  EXPECT_EQ(link->DataSource(), dsExternalStorage);
  EXPECT_TRUE(link->Active());
  EXPECT_EQ(link->ReportTitleText(), "Kayitli");
  EXPECT_EQ(link->Constructions, 1);

  link->SetDataSource(dsComponent);
  EXPECT_EQ(link->ReportTitleText(), "Canli");
  EXPECT_TRUE(link->Active());
  EXPECT_EQ(link->Constructions, 2);

  // Page custom drawing gets 100 to the preview's zoom.
  int nom = 0, denom = 0;
  printer.OnCustomDrawPage = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, TCanvas&, int, const TRect&, int n,
                                 int d) {
    nom = n;
    denom = d;
  };
  QImage image(10, 10, QImage::Format_RGB32);
  {
    TCanvas canvas(&image);
    link->CustomDrawPage(canvas, 0, TRect(0, 0, 10, 10));
  }
  EXPECT_EQ(nom, 100);
  EXPECT_EQ(denom, 150);

  // Margin changes refresh the open preview.
  const int initializations = TFakePreviewWindow::Initializations;
  link->PrinterPage().Margins().SetLeft(link->PrinterPage().Margins().Left() + 1000);
  EXPECT_EQ(TFakePreviewWindow::Initializations, initializations + 1);

  // A new component closes the preview first.
  QWidget other;
  link->SetComponent(&other);
  EXPECT_FALSE(printer.Previewing());
  dxPSUnregisterPreviewWindow("TFakePreviewWindow");
}

TEST_F(ReportLinkTest, ShrinkToPageWidthFitsTheReportToOnePageWidth) {
  TTestReportLink* link = AddLink();
  link->SetComponent(&widget);
  link->SetActive(true);
  link->PrinterPage().SetScaleFactor(150);
  EXPECT_FALSE(link->ShrinkToPageWidth());
  EXPECT_EQ(link->RealScaleFactor(), 150);
  const int calculations = link->FakeInfo().Calculations;

  link->SetShrinkToPageWidth(true);
  EXPECT_TRUE(link->ShrinkToPageWidth());
  EXPECT_EQ(link->PrinterPage().ScaleMode(), smFit);
  EXPECT_EQ(link->PrinterPage().FitToPagesByWide(), 1);
  EXPECT_EQ(link->PrinterPage().FitToPagesByTall(), 1);
  EXPECT_EQ(link->FakeInfo().Calculations, calculations + 1);  // one notice for the whole change

  const int paint = MulDiv(link->PrinterPage().PaintRect().Width(), link->RenderInfo().UnitsPerInch(), 254);
  const int expected = MulDiv(paint, 100, link->ReportWidth()) - 1;
  EXPECT_EQ(link->FitScaleFactor(), expected);
  EXPECT_EQ(link->RealScaleFactor(), expected);

  link->SetShrinkToPageWidth(false);
  EXPECT_EQ(link->PrinterPage().ScaleMode(), smAdjust);
  EXPECT_EQ(link->RealScaleFactor(), 150);
}

TEST_F(ReportLinkTest, PageCountIsCopiedIntoTheTotalPagesOfTheCurrentLink) {
  TTestReportLink* link = AddLink();
  link->SetComponent(&widget);
  link->SetActive(true);
  GetHFFormatObject()->TotalPages = 0;
  EXPECT_EQ(link->PageCount(), 3);
  EXPECT_EQ(GetHFFormatObject()->TotalPages, 3);
}

TEST_F(ReportLinkTest, CheckMarginsAsksAndFixesOnlyOnYes) {
  TTestReportLink link;
  link.PrinterPage().SetMargins(TRect(0, 0, 0, 0));
  ASSERT_FALSE(link.PrinterPage().MarginsInPrintableArea());
  const TRect before = link.PrinterPage().Margins().Rect();
  QuestionAnswer = false;
  EXPECT_FALSE(link.CheckMarginsInPrintableArea());
  EXPECT_EQ(link.PrinterPage().Margins().Rect(), before);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Kind, TMessageBoxKind::Question);
  EXPECT_NE(Messages[0].Text.find("One or more margins are set outside the printable area of the page."),
            std::string::npos);
  EXPECT_NE(Messages[0].Text.find("Do you want to continue ?"), std::string::npos);
  TdxPrinterPage expected;
  expected.Assign(&link.PrinterPage());
  expected.FixMargins();
  QuestionAnswer = true;
  EXPECT_TRUE(link.CheckMarginsInPrintableArea());
  EXPECT_EQ(link.PrinterPage().Margins().Rect(), expected.Margins().Rect());
  EXPECT_EQ(link.PrinterPage().Header(), expected.Header());
}

// ---- Custom drawing and painting ---------------------------------------------------------

TEST_F(ReportLinkTest, HeaderCustomDrawAsksThePrinterFirst) {
  TTestReportLink* link = AddLink();
  std::vector<std::string> order;
  bool printerClearsBoth = true;
  printer.OnCustomDrawPageHeader = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, TCanvas&, int, TRect&, int,
                                       int, bool& text, bool& background) {
    order.push_back("printer");
    text = false;
    if (printerClearsBoth) background = false;
  };
  link->OnCustomDrawPageHeader = [&](TBasedxReportLink&, TCanvas&, int, TRect&, int, int, bool&, bool&) {
    order.push_back("link");
  };
  link->OnCustomDrawPageFooter = [&](TBasedxReportLink&, TCanvas&, int, TRect&, int, int, bool&, bool&) {
    order.push_back("footer");
  };
  QImage image(10, 10, QImage::Format_RGB32);
  TCanvas canvas(&image);
  TRect rect(0, 0, 10, 10);
  bool text = true, background = true;
  link->CustomDrawPageHeaderOrFooter(true, canvas, 0, rect, 1, 1, text, background);
  EXPECT_EQ(order, (std::vector<std::string>{"printer"}));
  printerClearsBoth = false;
  text = background = true;
  link->CustomDrawPageHeaderOrFooter(true, canvas, 0, rect, 1, 1, text, background);
  EXPECT_EQ(order, (std::vector<std::string>{"printer", "printer", "link"}));
  text = background = true;
  link->CustomDrawPageHeaderOrFooter(false, canvas, 0, rect, 1, 1, text, background);
  EXPECT_EQ(order.back(), "footer");
}

TEST_F(ReportLinkTest, TitleCustomDrawAndMeasureGoThroughPrinterThenLink) {
  TTestReportLink* link = AddLink();
  bool printerDone = true;
  int linkDraws = 0;
  printer.OnCustomDrawReportTitle = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, TCanvas&, const TRect&, int,
                                        int, TdxTextAlignX&, TdxTextAlignY&, TColor&, TFont&, bool& done) {
    done = printerDone;
  };
  link->OnCustomDrawReportLinkTitle = [&](TBasedxReportLink&, TCanvas&, const TRect&, int, int, TdxTextAlignX&,
                                          TdxTextAlignY&, TColor&, TFont&, bool&) { ++linkDraws; };
  QImage image(10, 10, QImage::Format_RGB32);
  TCanvas canvas(&image);
  TdxTextAlignX ax = taLeft;
  TdxTextAlignY ay = taTop;
  TColor color = clWhite;
  TFont font;
  bool done = false;
  link->CustomDrawReportTitle(canvas, TRect(0, 0, 5, 5), 1, 1, ax, ay, color, font, done);
  EXPECT_EQ(linkDraws, 0);
  printerDone = false;
  done = false;
  link->CustomDrawReportTitle(canvas, TRect(0, 0, 5, 5), 1, 1, ax, ay, color, font, done);
  EXPECT_EQ(linkDraws, 1);

  printer.OnMeasureReportTitle = [](TCustomdxComponentPrinter&, TBasedxReportLink*, int& height) { height += 10; };
  link->OnMeasureReportLinkTitle = [](TBasedxReportLink&, int& height) { height *= 2; };
  int height = 5;
  link->MeasureReportTitle(height);
  EXPECT_EQ(height, 30);
}

TEST_F(ReportLinkTest, PaintPageDrawsOnlyExistingPagesThroughTheRenderer) {
  TTestReportLink* link = AddLink();
  QImage image(40, 20, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    TCanvas canvas(&image);
    link->PaintPage(canvas, TRect(0, 0, 40, 20), 100, 0);  // no report yet
  }
  EXPECT_EQ(PixelRGB(image, 5, 5), 0xFFFFFFu);
  link->SetComponent(&widget);
  link->SetActive(true);
  {
    TCanvas canvas(&image);
    link->PaintPage(canvas, TRect(0, 0, 40, 20), 100, 7);  // beyond the grid
    EXPECT_TRUE(link->FakeRenderer().Calls.empty());
    link->PaintPage(canvas, TRect(0, 0, 40, 20), 250, 2);
  }
  ASSERT_EQ(link->FakeRenderer().Calls.size(), 1u);
  EXPECT_EQ(link->FakeRenderer().Calls[0].Page, 2);
  EXPECT_EQ(link->FakeRenderer().Calls[0].Visible, 2);
  EXPECT_EQ(link->FakeRenderer().Calls[0].Zoom, 250);
  EXPECT_EQ(PixelRGB(image, 5, 5), 0xFF0000u);
  EXPECT_EQ(PixelRGB(image, 35, 5), 0xFFFFFFu);
}

TEST_F(ReportLinkTest, BuiltReportIsPaginatedAndPaintedAtItsPlaceOnThePage) {
  dxPSRegisterReportLink(TPaintedReportLink::StaticClass(), dxComponentClassOf(&widget), nullptr);
  auto* link = new TPaintedReportLink;
  link->SetComponentPrinter(&printer);
  link->SetComponent(&widget);
  link->SetActive(true);
  dxPSUnregisterReportLink(TPaintedReportLink::StaticClass(), dxComponentClassOf(&widget), nullptr);
  ASSERT_TRUE(link->Active());
  ASSERT_EQ(link->PageCount(), 1);
  // The whole page at screen size: the 12.7 mm margins are 48 pixels, the
  // cell 10 pixels further in, 50 x 20 pixels large.
  const TPoint size = link->PrinterPage().OrientedPageSizePixels();
  QImage image(size.X, size.Y, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    TCanvas canvas(&image);
    link->PaintPage(canvas, TRect(0, 0, size.X, size.Y), 100, 0);
  }
  const int margin = link->PrinterPage().MarginsLoMetric().Left * 96 / 254;
  const int top = link->PrinterPage().MarginsLoMetric().Top * 96 / 254;
  EXPECT_EQ(PixelRGB(image, margin + 35, top + 20), 0xFF0000u);
  EXPECT_EQ(PixelRGB(image, margin + 5, top + 5), 0xFFFFFFu);
  EXPECT_EQ(PixelRGB(image, margin + 65, top + 20), 0xFFFFFFu);
  EXPECT_EQ(PixelRGB(image, margin + 35, top + 35), 0xFFFFFFu);
}

// ---- The report document ---------------------------------------------------------------

TEST_F(ReportLinkTest, DocumentNotifiesOncePerChangeAndNotWhileLocked) {
  TdxPSReportDocument doc;
  int changes = 0;
  doc.OnDocumentChanged = [&](TdxPSReportDocument&) { ++changes; };
  doc.SetCaption("A");
  doc.SetCaption("A");
  doc.SetCreator("me");
  doc.SetCreationDate(2.5);
  doc.SetDescription("d");
  EXPECT_EQ(changes, 4);
  doc.BeginUpdate();
  doc.SetCaption("B");
  EXPECT_EQ(changes, 4);
  doc.CancelUpdate();

  TdxPSReportDocument copy;
  int copyChanges = 0;
  copy.OnDocumentChanged = [&](TdxPSReportDocument&) { ++copyChanges; };
  copy.Assign(&doc);
  EXPECT_EQ(copyChanges, 1);
  EXPECT_EQ(copy.Caption(), "B");
  EXPECT_EQ(copy.Creator(), "me");
  EXPECT_EQ(copy.CreationDate(), 2.5);
  EXPECT_EQ(copy.Description(), "d");
}

TEST_F(ReportLinkTest, DocumentAsTextListsTheFilledLines) {
  TdxPSReportDocument doc;
  doc.SetCreationDate(dxEncodeDateTime(2024, 3, 5, 14, 7, 9));
  std::string text = doc.AsText();
  EXPECT_EQ(text.rfind("Created: ", 0), 0u) << text;
  EXPECT_EQ(text.find("\r\n"), std::string::npos);
  EXPECT_NE(text.find("14:07:09"), std::string::npos) << text;

  doc.SetCaption("Takvim");
  doc.SetDescription("Mart");
  text = doc.AsText();
  EXPECT_EQ(text.rfind("Caption: Takvim\r\nCreated: ", 0), 0u) << text;
  EXPECT_NE(text.find("\r\nDescription: Mart"), std::string::npos);
  EXPECT_EQ(text.find("Creator"), std::string::npos);
  doc.SetCreator("Ali");
  EXPECT_NE(doc.AsText().find("Caption: Takvim\r\nCreator: Ali\r\nCreated: "), std::string::npos);
}

TEST_F(ReportLinkTest, DocumentWritesAndReadsItsFields) {
  TdxPSReportDocument doc;
  doc.SetCaption("Takvim");
  doc.SetCreationDate(45123.25);
  doc.SetCreator("Ali");
  doc.SetDescription("Mart");
  TTestWriter writer;
  doc.WriteData(writer);
  TTestReader reader(writer.Values);
  TdxPSReportDocument read;
  int changes = 0;
  read.OnDocumentChanged = [&](TdxPSReportDocument&) { ++changes; };
  read.ReadData(reader);
  EXPECT_EQ(read.Caption(), "Takvim");
  EXPECT_EQ(read.CreationDate(), 45123.25);
  EXPECT_EQ(read.Creator(), "Ali");
  EXPECT_EQ(read.Description(), "Mart");
  EXPECT_EQ(changes, 1);
}

TEST_F(ReportLinkTest, RetrievePreviewPicturesTheFirstPage) {
  TTestReportLink* link = AddLink();
  link->SetComponent(&widget);
  link->SetActive(true);
  link->ReportDocument().RetrievePreview();
  TMetafile& preview = link->ReportDocument().Preview();
  ASSERT_FALSE(preview.Empty());
  const TPoint size = link->PrinterPage().OrientedPageSizePixels();
  EXPECT_EQ(preview.Width(), size.X);
  EXPECT_EQ(preview.Height(), size.Y);
  ASSERT_EQ(link->FakeRenderer().Calls.size(), 1u);
  EXPECT_EQ(link->FakeRenderer().Calls[0].Page, 0);
  EXPECT_EQ(link->FakeRenderer().Calls[0].Zoom, 100);
  // Played back: the fake renderer's red left half on a white page.
  QImage image(size.X, size.Y, QImage::Format_RGB32);
  image.fill(Qt::black);
  {
    QPainter painter(&image);
    preview.Draw(painter, QRectF(0, 0, size.X, size.Y));
  }
  EXPECT_TRUE(ColorNear(PixelRGB(image, size.X / 4, size.Y / 2), 0xFF0000, 8));
  EXPECT_TRUE(ColorNear(PixelRGB(image, size.X * 3 / 4, size.Y / 2), 0xFFFFFF, 8));
}

// ---- Report files -------------------------------------------------------------------

TEST_F(ReportLinkTest, SaveToFileWritesTheReportAndLeavesNoScratchFile) {
  ScratchDir dir;
  InstallToyStorage();
  TTestReportLink* link = AddLink();
  link->SetComponent(&widget);
  link->SetReportTitleText("Mart");
  const std::string path = dir.Write("takvim.rps", std::string("old contents"));
  EXPECT_TRUE(link->SaveToFile(path));  // builds first: there is data but no report
  EXPECT_TRUE(link->Active());
  EXPECT_EQ(ReadFile(path), "RPTMart");
  EXPECT_TRUE(Messages.empty());
  const QStringList entries = QDir(QString::fromStdString(dir.Path(""))).entryList(QDir::Files);
  EXPECT_EQ(entries, QStringList{"takvim.rps"});
}

TEST_F(ReportLinkTest, FailedSaveKeepsTheOldFileAndReportsIt) {
  ScratchDir dir;
  InstallToyStorage();
  dxPSReportLinkStorage().WriteReport = [](TBasedxReportLink&, TBytes& data) {
    data = {'R', 'P'};
    throw EWriteError("Stream write error");
  };
  TTestReportLink* link = AddLink();
  link->SetComponent(&widget);
  link->SetActive(true);
  const std::string path = dir.Write("takvim.rps", std::string("old contents"));
  EXPECT_FALSE(link->SaveToFile(path));
  EXPECT_EQ(ReadFile(path), "old contents");
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Kind, TMessageBoxKind::Error);
  EXPECT_NE(Messages[0].Text.find(path), std::string::npos);
  EXPECT_NE(Messages[0].Text.find("Stream write error"), std::string::npos);
  EXPECT_EQ(QDir(QString::fromStdString(dir.Path(""))).entryList(QDir::Files), QStringList{"takvim.rps"});

  // A folder that does not exist: reported, nothing created.
  Messages.clear();
  InstallToyStorage();
  const std::string nowhere = dir.Path("missing/takvim.rps");
  EXPECT_FALSE(link->SaveToFile(nowhere));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].Text.find(nowhere), std::string::npos);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(nowhere)));
}

TEST_F(ReportLinkTest, SaveWithoutReportOrFormatIsReported) {
  ScratchDir dir;
  TTestReportLink link;  // no printer, no component: nothing to write
  InstallToyStorage();
  EXPECT_FALSE(link.SaveToFile(dir.Path("a.rps")));
  dxPSReportLinkStorage() = TdxReportLinkStorage{};
  EXPECT_FALSE(link.SaveToFile(dir.Path("b.rps")));
  EXPECT_EQ(Messages.size(), 2u);
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.Path("a.rps"))));
}

TEST_F(ReportLinkTest, MissingDataIsNamedAfterTheDataSource) {
  TTestReportLink link;
  EXPECT_EQ(link.DataProviderErrorText(), "Missing \"Component\" property");
  link.SetDataSource(dsExternalStorage);
  EXPECT_FALSE(link.DataProviderPresent());
  EXPECT_EQ(link.DataProviderErrorText(), "Invalid External Storage");
  EXPECT_THROW(link.RaiseDataProviderError(), EdxReportLink);
}

TEST_F(ReportLinkTest, LoadingSomethingThatIsNoReportChangesNothing) {
  ScratchDir dir;
  InstallToyStorage();
  TTestReportLink* link = AddLink();
  const std::string path = dir.Write("picture.bmp", std::string("BM not a report"));
  link->SetStorageName("earlier.rps");
  link->LoadFromFile(path);
  EXPECT_EQ(link->DataSource(), dsComponent);
  EXPECT_TRUE(link->StoredReport().empty());
  EXPECT_EQ(link->StorageName(), "earlier.rps");
  link->LoadFromStream(TByteView());
  EXPECT_EQ(link->DataSource(), dsComponent);
  EXPECT_THROW(link->LoadFromFile(dir.Path("absent.rps")), EFOpenError);
  EXPECT_EQ(link->DataSource(), dsComponent);
}

TEST_F(ReportLinkTest, StoredReportIsShownAndTheLiveTitleComesBack) {
  ScratchDir dir;
  InstallToyStorage();
  TTestReportLink* link = AddLink();
  link->SetComponent(&widget);
  link->SetReportTitleText("Canli");
  int switches = 0;
  link->OnDataSourceChanged = [&](TBasedxReportLink&) { ++switches; };
  const std::string path = dir.Write("takvim.rps", std::string("RPTKayitli"));
  link->LoadFromFile(path);
  EXPECT_EQ(link->DataSource(), dsExternalStorage);
  EXPECT_EQ(link->StorageName(), path);
  EXPECT_EQ(switches, 1);
  EXPECT_TRUE(link->DataProviderPresent());

  link->Rebuild();
  EXPECT_TRUE(link->Active());
  EXPECT_EQ(link->ReportTitleText(), "Kayitli");
  EXPECT_EQ(link->Constructions, 0);  // read, not built from the component

  link->SetDataSource(dsComponent);
  EXPECT_EQ(switches, 2);
  EXPECT_EQ(link->ReportTitleText(), "Canli");
  EXPECT_FALSE(link->Active());  // no preview: the link is deactivated
}

TEST_F(ReportLinkTest, UnreadableStoredReportRestoresTheLiveReportAndSaysSo) {
  ScratchDir dir;
  InstallToyStorage();
  TTestReportLink* link = AddLink();
  link->SetComponent(&widget);
  link->SetReportTitleText("Canli");
  link->SetCaption("Belge");
  const std::string path = dir.Write("bozuk.rps", std::string("RPTbroken"));
  link->LoadFromFile(path);
  ASSERT_EQ(link->DataSource(), dsExternalStorage);
  EXPECT_NO_THROW(link->Rebuild());
  EXPECT_EQ(link->DataSource(), dsComponent);
  EXPECT_EQ(link->ReportTitleText(), "Canli");
  EXPECT_EQ(link->Caption(), "Belge");
  EXPECT_FALSE(link->Active());
  EXPECT_EQ(link->ReportCells(), nullptr);
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_EQ(Messages[0].Text, "Cannot load Report File \"" + path +
                                  "\".\nFile is corruted or is locked by another User or Application.\n\n"
                                  "Original Report will be restored.");
}

// ---- Assign ------------------------------------------------------------------------------

TEST_F(ReportLinkTest, AssignCopiesTheLookAndThePage) {
  TTestReportLink source;
  source.SetCaption("Takvim");
  source.SetDescription("Mart");
  source.SetColor(clRed);
  TFont font;
  font.Name = "Arial";
  source.SetFont(font);
  source.SetDateFormat(2);
  source.SetReportTitleText("Baslik");
  source.SetShowPageFooter(false);
  source.SetScaleFonts(false);
  source.PrinterPage().Margins().SetLeft(20000);
  source.SetShrinkToPageWidth(true);
  source.SetContinuousPageIndexes(true);

  TTestReportLink target;
  target.Assign(source);
  EXPECT_TRUE(target.ContinuousPageIndexes());
  EXPECT_EQ(target.Caption(), "Takvim");
  EXPECT_EQ(target.Description(), "Mart");
  EXPECT_EQ(target.Color(), clRed);
  EXPECT_EQ(target.Font().Name, "Arial");
  EXPECT_EQ(target.DateFormat(), 2);
  EXPECT_EQ(target.ReportTitleText(), "Baslik");
  EXPECT_FALSE(target.ShowPageFooter());
  EXPECT_FALSE(target.ScaleFonts());
  EXPECT_EQ(target.PrinterPage().Margins().Left(), 20000);
  EXPECT_TRUE(target.ShrinkToPageWidth());
}

// ---- Link registry ---------------------------------------------------------------------

inline const TdxClassInfo FakeControlClass{"TFakeControl", nullptr};
inline const TdxClassInfo FakeWinControlClass{"TFakeWinControl", &FakeControlClass};
inline const TdxClassInfo FakeFormClass{"TFakeForm", &FakeWinControlClass};
inline const TdxClassInfo FakeDesignerClass{"TFakeDesigner", nullptr};

TEST(ReportLinkRegistry, MostSpecificRegisteredClassWinsAndEntriesGoInFront) {
  const std::size_t before = dxPSReportLinkRegistry().size();
  dxPSRegisterReportLink(TUnregisteredLink::StaticClass(), &FakeControlClass, &FakeDesignerClass);
  dxPSRegisterReportLink(TTestReportLink::StaticClass(), &FakeWinControlClass, nullptr);
  dxPSRegisterReportLink(TTestReportLink::StaticClass(), &FakeWinControlClass, nullptr);  // identical: skipped
  ASSERT_EQ(dxPSReportLinkRegistry().size(), before + 2);
  EXPECT_EQ(dxPSReportLinkRegistry().front().ComponentClass, &FakeWinControlClass);

  EXPECT_EQ(dxPSLinkClassByComponentClass(&FakeControlClass), TUnregisteredLink::StaticClass());
  EXPECT_EQ(dxPSLinkClassByComponentClass(&FakeWinControlClass), TTestReportLink::StaticClass());
  EXPECT_EQ(dxPSLinkClassByComponentClass(&FakeFormClass), TTestReportLink::StaticClass());
  EXPECT_EQ(dxPSDesignWindowClassByComponentClass(&FakeControlClass), &FakeDesignerClass);
  EXPECT_EQ(dxPSLinkClassByComponentClass(&FakeDesignerClass), nullptr);

  TTestReportLink link;
  EXPECT_TRUE(link.Supports(&FakeFormClass));
  EXPECT_FALSE(link.Supports(&FakeControlClass));
  // Link classes become known to streams.
  EXPECT_EQ(dxFindClass("TTestReportLink"), TTestReportLink::StaticClass());

  dxPSUnregisterReportLink(TTestReportLink::StaticClass(), &FakeWinControlClass, nullptr);
  EXPECT_EQ(dxPSLinkClassByComponentClass(&FakeFormClass), TUnregisteredLink::StaticClass());
  dxPSUnregisterReportLink(TUnregisteredLink::StaticClass(), &FakeControlClass, &FakeDesignerClass);
  EXPECT_EQ(dxPSReportLinkRegistry().size(), before);
}

}  // namespace
