// The component printer: its links and current link, formats, long
// operations with the wait cursor and the beep, builds with notifications,
// the preview window's life, page and thumbnail drawing, page export and the
// custom-draw events.
#include <gtest/gtest.h>

#include <QApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <algorithm>

#include "engine/ComponentPrinter.h"
#include "engine/ContainerReportLink.h"
#include "layout/HeaderFooterFunctions.h"
#include "platform/EnumBits.h"
#include "platform/MessageDialogs.h"
#include "platform/ScopeExit.h"
#include "report/EventBus.h"
#include "report/EventSubscribers.h"
#include "tests/TestSupport.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

class ComponentPrinterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    FakePreviewWindow::OnExecute = nullptr;
    FakePreviewWindow::FailApplyOptions = false;
    FakePreviewWindow::Created = 0;
    dxPSRegisterPreviewWindow("TFakePreviewWindow", [] { return new FakePreviewWindow; });
    AnswerMessageBoxes([this](TMessageBoxKind, const std::string&, const std::string& text) {
      messages.push_back(text);
      return false;
    });
  }
  void TearDown() override {
    dxPSUnregisterPreviewWindow("TFakePreviewWindow");
    AnswerMessageBoxes({});
    FakePreviewWindow::OnExecute = nullptr;
  }

  // A link joined to the printer (which owns it).
  TestLink* AddLink(TCustomdxComponentPrinter& printer, int pages = 3) {
    auto* link = new TestLink;
    link->Pages = pages;
    printer.AddLink(link);
    return link;
  }

  std::vector<std::string> messages;
};

// ---- Links and current link --------------------------------------------------------

TEST_F(ComponentPrinterTest, FirstLinkBecomesCurrentAndRemovingTheCurrentPicksItsSuccessor) {
  TdxComponentPrinter printer;
  int changes = 0;
  std::vector<TBasedxReportLink*> deleted;
  printer.OnChangeCurrentLink = [&](TCustomdxComponentPrinter&) { ++changes; };
  printer.OnDeleteReportLink = [&](TCustomdxComponentPrinter&, TBasedxReportLink* l) { deleted.push_back(l); };

  TestLink* a = AddLink(printer);
  TestLink* b = AddLink(printer);
  TestLink* c = AddLink(printer);
  EXPECT_EQ(printer.CurrentLink(), a);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(a->ComponentPrinter(), &printer);

  printer.SetCurrentLink(b);
  EXPECT_EQ(changes, 2);
  printer.SetCurrentLink(b);  // already current
  EXPECT_EQ(changes, 2);
  TestLink stranger;
  printer.SetCurrentLink(&stranger);  // not one of the printer's links
  EXPECT_EQ(printer.CurrentLink(), b);

  // Removing the current link makes the link now at its index current.
  printer.RemoveLink(b);
  std::unique_ptr<TestLink> ownedB(b);
  EXPECT_EQ(b->ComponentPrinter(), nullptr);
  EXPECT_EQ(printer.CurrentLink(), c);
  ASSERT_EQ(deleted.size(), 1u);
  EXPECT_EQ(deleted[0], b);

  // ... or, beyond the end, the last link.
  printer.RemoveLink(c);
  std::unique_ptr<TestLink> ownedC(c);
  EXPECT_EQ(printer.CurrentLink(), a);

  const int before = changes;
  printer.RemoveLink(a);
  std::unique_ptr<TestLink> ownedA(a);
  EXPECT_EQ(printer.CurrentLink(), nullptr);
  EXPECT_EQ(changes, before + 1);
  EXPECT_EQ(printer.LinkCount(), 0);
}

TEST_F(ComponentPrinterTest, LinkJoiningThroughItsOwnSetterAndLeavingWhenDestroyed) {
  TdxComponentPrinter printer;
  auto* link = new TestLink;
  link->SetComponentPrinter(&printer);
  EXPECT_EQ(printer.LinkCount(), 1);
  EXPECT_EQ(printer.CurrentLink(), link);
  EXPECT_TRUE(link->IsCurrentLink());

  // Moving to another printer leaves the first one.
  TdxComponentPrinter other;
  link->SetComponentPrinter(&other);
  EXPECT_EQ(printer.LinkCount(), 0);
  EXPECT_EQ(printer.CurrentLink(), nullptr);
  EXPECT_EQ(other.IndexOfLink(link), 0);

  // A link destroyed by someone else leaves its printer behind it.
  other.RemoveLink(link);
  other.AddLink(link);
  delete link;
  EXPECT_EQ(other.LinkCount(), 0);
  EXPECT_EQ(other.CurrentLink(), nullptr);
}

TEST_F(ComponentPrinterTest, PrinterFreesItsLinksLastFirst) {
  std::vector<int> order;
  {
    TdxComponentPrinter printer;
    for (int i = 0; i < 3; ++i) {
      TestLink* link = AddLink(printer);
      link->OnDestroy = [&order, i](TBasedxReportLink&) { order.push_back(i); };
    }
  }
  EXPECT_EQ(order, (std::vector<int>{2, 1, 0}));
}

TEST_F(ComponentPrinterTest, MoveLinkAndFinding) {
  TdxComponentPrinter printer;
  TestLink* a = AddLink(printer);
  TestLink* b = AddLink(printer);
  TestLink* c = AddLink(printer);
  printer.MoveLink(0, 2);
  EXPECT_EQ(printer.ReportLink(0), b);
  EXPECT_EQ(printer.ReportLink(1), c);
  EXPECT_EQ(printer.ReportLink(2), a);
  printer.MoveLink(2, 0);
  EXPECT_EQ(printer.ReportLink(0), a);
  printer.MoveLink(0, 7);  // out of range: nothing
  EXPECT_EQ(printer.ReportLink(0), a);
  EXPECT_EQ(printer.FindLinkByComponent(nullptr), nullptr);
  EXPECT_EQ(printer.IndexOfLink(c), 2);
}

TEST_F(ComponentPrinterTest, PrinterWithoutLinksDoesNothing) {
  TdxComponentPrinter printer;
  EXPECT_FALSE(printer.Print(false));
  EXPECT_FALSE(printer.Print(true));
  EXPECT_NO_THROW(printer.Preview(true));
  EXPECT_FALSE(printer.Previewing());
  EXPECT_EQ(FakePreviewWindow::Created, 0);
  EXPECT_FALSE(printer.PrintPages("1-3", 0, 1, false));
  EXPECT_TRUE(messages.empty());
}

// ---- Properties and formats ------------------------------------------------------------

TEST_F(ComponentPrinterTest, SettersClampTheirValues) {
  TdxComponentPrinter printer;
  EXPECT_EQ(printer.LongOperationTime(), 5000);
  printer.SetLongOperationTime(-1);
  EXPECT_EQ(printer.LongOperationTime(), 0);

  const int lastDate = int(DateFormatList().size()) - 1;
  ASSERT_GE(lastDate, 0);
  printer.SetDateFormat(lastDate + 10);
  EXPECT_EQ(printer.DateFormat(), lastDate);
  printer.SetDateFormat(-3);
  EXPECT_EQ(printer.DateFormat(), 0);
  const int lastTime = int(TimeFormatList().size()) - 1;
  printer.SetTimeFormat(1000);
  EXPECT_EQ(printer.TimeFormat(), lastTime);
}

TEST_F(ComponentPrinterTest, DefaultsOfPrinterAndPreviewOptions) {
  TdxComponentPrinter printer;
  EXPECT_TRUE(printer.AutoUpdateDateTime);
  EXPECT_TRUE(printer.BeepAfterLongOperations);
  EXPECT_EQ(printer.Options, 0x1Fu);
  EXPECT_EQ(printer.PageNumberFormat(), pnfNumeral);
  const TdxPreviewOptions& o = printer.PreviewOptions();
  EXPECT_EQ(o.Caption, "Print Preview");
  EXPECT_EQ(o.EnableOptions & (1u << peoHelp), 0u);
  EXPECT_EQ(o.EnableOptions | (1u << peoHelp), 0x7Fu);
  EXPECT_EQ(o.VisibleOptions & (1u << pvoHelp), 0u);
  EXPECT_EQ(o.VisibleOptions | (1u << pvoHelp), 0xFFu);
  EXPECT_EQ(o.ThumbnailsOptions.Font.Name, "Tahoma");
  EXPECT_EQ(o.ThumbnailsOptions.Font.Size(), 48);
  EXPECT_EQ(o.ThumbnailsOptions.Font.Color, clBlue);
  EXPECT_TRUE(o.ThumbnailsOptions.ShowPageNumbers);
  EXPECT_EQ(o.ComponentPrinter, &printer);
  EXPECT_FALSE(o.Bounds.IsEmpty());  // the desktop's work area
}

TEST_F(ComponentPrinterTest, CurrentLinkHandsItsFormatsToTheHeaderAndFooterValues) {
  TdxComponentPrinter printer;
  const auto& dates = DateFormatList();
  ASSERT_GE(dates.size(), 2u);
  TestLink* a = AddLink(printer);
  TestLink* b = AddLink(printer);
  a->SetDateTime(38862.5);
  b->SetDateFormat(1);
  b->SetPageNumberFormat(pnfRoman);
  b->SetStartPageIndex(4);
  b->SetDateTime(40000.25);
  printer.SetCurrentLink(b);
  TdxHFFunctionFormatObject* formats = GetHFFormatObject();
  EXPECT_EQ(formats->DateFormat, dates[1]);
  EXPECT_EQ(formats->PageNumberFormat, pnfRoman);
  EXPECT_EQ(formats->StartPageIndex, 4);
  EXPECT_DOUBLE_EQ(formats->DateTime, 40000.25);
  printer.SetCurrentLink(a);
  EXPECT_DOUBLE_EQ(formats->DateTime, 38862.5);
  EXPECT_EQ(formats->PageNumberFormat, pnfNumeral);
}

// ---- Long operations --------------------------------------------------------------------

class LongOperationTest : public ComponentPrinterTest {
 protected:
  void SetUp() override {
    ComponentPrinterTest::SetUp();
    printer.TickCount = [this] { return now; };
    printer.Beep = [this] { ++beeps; };
  }
  TdxComponentPrinter printer;
  std::int64_t now = 1000;
  int beeps = 0;
};

TEST_F(LongOperationTest, BeepsOnceWhenTheOutermostOperationTookLonger) {
  printer.BeginLongOperation();
  now += 6000;
  printer.EndLongOperation();
  EXPECT_EQ(beeps, 1);

  // Nested: only the outermost end counts.
  printer.BeginLongOperation();
  printer.BeginLongOperation();
  now += 6000;
  printer.EndLongOperation();
  EXPECT_EQ(beeps, 1);
  now += 100;
  printer.EndLongOperation();
  EXPECT_EQ(beeps, 2);

  // An extra end does nothing.
  printer.EndLongOperation();
  EXPECT_EQ(beeps, 2);
}

TEST_F(LongOperationTest, NoBeepForShortOperationsOrWhenSwitchedOff) {
  printer.BeginLongOperation();
  now += 5000;  // not longer than 5000
  printer.EndLongOperation();
  EXPECT_EQ(beeps, 0);

  printer.BeepAfterLongOperations = false;
  printer.BeginLongOperation();
  now += 60000;
  printer.EndLongOperation();
  EXPECT_EQ(beeps, 0);

  printer.BeepAfterLongOperations = true;
  printer.SetLongOperationTime(-1);  // 0: any measurable time beeps
  printer.BeginLongOperation();
  now += 1;
  printer.EndLongOperation();
  EXPECT_EQ(beeps, 1);
}

TEST_F(LongOperationTest, WaitCursorIsSharedAndRestored) {
  ASSERT_EQ(dxPSWaitDepth(), 0);
  ASSERT_EQ(QGuiApplication::overrideCursor(), nullptr);
  TdxComponentPrinter other;
  printer.BeginLongOperation();
  ASSERT_NE(QGuiApplication::overrideCursor(), nullptr);
  EXPECT_EQ(QGuiApplication::overrideCursor()->shape(), Qt::WaitCursor);
  other.BeginLongOperation();
  printer.BeginLongOperation();
  EXPECT_EQ(dxPSWaitDepth(), 2);  // one entry per printer's outermost operation
  printer.EndLongOperation();
  printer.EndLongOperation();
  EXPECT_NE(QGuiApplication::overrideCursor(), nullptr);
  other.EndLongOperation();
  EXPECT_EQ(dxPSWaitDepth(), 0);
  EXPECT_EQ(QGuiApplication::overrideCursor(), nullptr);

  // Without the hourglass option the cursor stays.
  printer.Options &= ~dxBit(cpoShowHourGlass);
  printer.BeginLongOperation();
  EXPECT_EQ(dxPSWaitDepth(), 0);
  printer.EndLongOperation();
}

// ---- Builds -----------------------------------------------------------------------------------

struct BuildLog : TdxPSBuildReportSubscriber {
  std::vector<std::string> Entries;
  BuildLog() {
    OnStartBuild = [this](TdxObject*, TdxObject*) { Entries.push_back("start"); };
    OnBuildProgress = [this](TdxObject*, TdxObject*, double p) { Entries.push_back("progress " + std::to_string(int(p))); };
    OnEndBuild = [this](TdxObject*, TdxObject*) { Entries.push_back("end"); };
  }
};

TEST_F(ComponentPrinterTest, BuildRaisesNotificationsAndEventsAroundTheLinksBuild) {
  TdxComponentPrinter printer;
  TestLink* link = AddLink(printer);
  BuildLog log;
  std::vector<std::string> events;
  printer.OnStartGenerateReport = [&](TCustomdxComponentPrinter& p, TBasedxReportLink*) {
    events.push_back(p.Building() ? "start building" : "start");
  };
  printer.OnGenerateReportProgress = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, double p) {
    events.push_back("progress " + std::to_string(int(p)));
  };
  printer.OnEndGenerateReport = [&](TCustomdxComponentPrinter& p, TBasedxReportLink*) {
    events.push_back(p.Building() ? "end building" : "end");
  };
  link->SetDateTime(1.0);
  printer.RebuildLink();
  EXPECT_EQ(link->Builds, 1);
  EXPECT_TRUE(link->Active());
  EXPECT_EQ(events, (std::vector<std::string>{"start building", "end"}));
  EXPECT_EQ(log.Entries, (std::vector<std::string>{"start", "end"}));
  EXPECT_GT(link->DateTime(), 38000.0);  // now
  EXPECT_FALSE(printer.Building());

  printer.GenerateReportProgress(link, 40);
  EXPECT_EQ(events.back(), "progress 40");
  EXPECT_EQ(log.Entries.back(), "progress 40");

  // Without the option the printer's events stay quiet; the bus still hears.
  events.clear();
  log.Entries.clear();
  printer.Options &= ~dxBit(cpoGenerateReportProgressEvent);
  printer.RebuildLink(link);
  EXPECT_TRUE(events.empty());
  EXPECT_EQ(log.Entries, (std::vector<std::string>{"start", "end"}));
}

TEST_F(ComponentPrinterTest, FailedBuildRunsTheEndStepsAndPassesTheFailureOn) {
  TdxComponentPrinter printer;
  printer.Beep = [] {};
  TestLink* link = AddLink(printer);
  BuildLog log;
  link->FailBuild = true;
  link->SetDateTime(1.0);
  EXPECT_THROW(printer.RebuildLink(link), EdxReportLink);
  EXPECT_FALSE(printer.Building());
  EXPECT_FALSE(link->Active());
  EXPECT_EQ(log.Entries, (std::vector<std::string>{"start", "end"}));
  EXPECT_EQ(dxPSWaitDepth(), 0);  // the long operation was closed
  EXPECT_DOUBLE_EQ(link->DateTime(), 1.0);
}

TEST_F(ComponentPrinterTest, AContainerLinkReportsTheProgressOfItsBuild) {
  TdxComponentPrinter printer;
  QWidget form;
  form.resize(400, 300);
  for (int i = 0; i < 12; ++i) {
    auto* label = new QLabel(QString("Gün %1").arg(i + 1), &form);
    label->setGeometry(10, 10 + 20 * i, 100, 16);
  }
  form.show();
  QApplication::processEvents();
  auto* link = new TdxCustomContainerReportLink;
  printer.AddLink(link);
  link->SetComponent(&form);
  std::vector<double> percents;
  printer.OnGenerateReportProgress = [&](TCustomdxComponentPrinter& p, TBasedxReportLink* l, double percent) {
    EXPECT_TRUE(p.Building());
    EXPECT_EQ(l, link);
    percents.push_back(percent);
  };
  BuildLog log;
  printer.RebuildLink(link);
  ASSERT_GE(percents.size(), 3u) << "a build of 13 controls goes by in steps";
  EXPECT_GT(percents.front(), 0);
  EXPECT_LE(percents.back(), 100);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_EQ(std::adjacent_find(percents.begin(), percents.end()), percents.end()) << "no step is told twice";
  // The bus hears the same steps between the start and the end.
  ASSERT_EQ(log.Entries.size(), percents.size() + 2);
  EXPECT_EQ(log.Entries.front(), "start");
  EXPECT_EQ(log.Entries[1], "progress " + std::to_string(int(percents.front())));
  EXPECT_EQ(log.Entries.back(), "end");
}

TEST_F(ComponentPrinterTest, ALocaleChangeResetsTheDefaultPageAndConvertsEachLinksUnits) {
  const QLocale saved;
  ScopeExit restore([&] {
    QLocale::setDefault(saved);
    ResetDefaultPrinterPage();
  });
  QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
  ResetDefaultPrinterPage();
  TdxComponentPrinter printer;
  TestLink* following = AddLink(printer);
  TestLink* fixed = AddLink(printer);
  fixed->PrinterPage().SetMeasurementUnits(muMillimeters);
  ASSERT_EQ(following->PrinterPage().StoredUnits(), muMillimeters);
  following->PrinterPage().SetMargins(TRect(25400, 25400, 25400, 25400));
  GetDefaultPrinterPage().SetMargins(TRect(1000, 1000, 1000, 1000));

  // The user switches the system to a locale that measures in inches.
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  QEvent change(QEvent::LocaleChange);
  QCoreApplication::sendEvent(qApp, &change);
  EXPECT_EQ(GetDefaultPrinterPage().StoredUnits(), muInches);
  EXPECT_EQ(GetDefaultPrinterPage().Margins().Rect(), TRect(500, 500, 500, 500));
  EXPECT_EQ(following->PrinterPage().StoredUnits(), muInches);
  EXPECT_EQ(following->PrinterPage().Margins().Rect(), TRect(1000, 1000, 1000, 1000));
  EXPECT_EQ(fixed->PrinterPage().StoredUnits(), muMillimeters);
}

TEST_F(ComponentPrinterTest, NeedsRebuild) {
  TdxComponentPrinter printer;
  EXPECT_TRUE(printer.NeedsRebuild(cpoAutoRebuildBeforePreview));
  printer.Options = 0;
  EXPECT_FALSE(printer.NeedsRebuild(cpoAutoRebuildBeforePreview));
  TestLink* link = AddLink(printer);
  EXPECT_FALSE(printer.NeedsRebuild(cpoAutoRebuildBeforePrint));
  link->RebuildNeeded = true;
  EXPECT_TRUE(printer.NeedsRebuild(cpoAutoRebuildBeforePrint));
}

// ---- Preview ---------------------------------------------------------------------------------

TEST_F(ComponentPrinterTest, PreviewWithoutRegisteredWindowClassFails) {
  dxPSUnregisterPreviewWindow("TFakePreviewWindow");
  ASSERT_FALSE(dxPSHasPreviewWindowClass());
  TdxComponentPrinter printer;
  AddLink(printer);
  try {
    printer.Preview(true);
    FAIL() << "no failure";
  } catch (const EdxComponentPrinter& e) {
    EXPECT_STREQ(e.what(), "There is no registered preview form");
  }
  EXPECT_FALSE(printer.Previewing());
}

TEST_F(ComponentPrinterTest, ModalPreviewRebuildsShowsAndDestroysTheWindow) {
  TdxComponentPrinter printer;
  printer.PreviewOptions().Caption = "Sorvan";
  TestLink* link = AddLink(printer);
  std::vector<std::string> events;
  printer.OnBeforePreview = [&](TCustomdxComponentPrinter& p, TBasedxReportLink* l) {
    events.push_back(std::string("before") + (p.Previewing() && l == link ? " previewing" : ""));
  };
  printer.OnAfterPreview = [&](TCustomdxComponentPrinter&, TBasedxReportLink* l) {
    events.push_back(l == link ? "after" : "after ?");
  };
  FakePreviewWindow::OnExecute = [&](FakePreviewWindow& w, bool modal) {
    events.push_back(modal ? "modal" : "modeless");
    EXPECT_EQ(w.Printer, &printer);
    EXPECT_EQ(w.UpdateDepth, 0);
    EXPECT_EQ(w.AppliedCaption, "Sorvan");
    EXPECT_EQ(printer.PreviewWindow(), &w);
    EXPECT_TRUE(printer.Previewing());
  };
  printer.Preview(true);
  EXPECT_EQ(link->Builds, 1);
  EXPECT_EQ(events, (std::vector<std::string>{"before previewing", "modal", "after"}));
  EXPECT_EQ(FakePreviewWindow::Alive, 0);
  EXPECT_FALSE(printer.Previewing());
  EXPECT_EQ(printer.PreviewWindow(), nullptr);
}

TEST_F(ComponentPrinterTest, ModelessPreviewStaysOpenAndIsBroughtToTheFront) {
  TdxComponentPrinter printer;
  TestLink* link = AddLink(printer);
  int after = 0;
  printer.OnAfterPreview = [&](TCustomdxComponentPrinter&, TBasedxReportLink*) { ++after; };
  printer.Preview(false);
  ASSERT_TRUE(printer.Previewing());
  FakePreviewWindow* window = FakePreviewWindow::Last;
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(window->isVisible());

  // A second preview only brings the open window forward (and restores it).
  window->showMinimized();
  printer.Preview(false);
  EXPECT_EQ(FakePreviewWindow::Created, 1);
  EXPECT_EQ(link->Builds, 1);
  EXPECT_FALSE(window->isMinimized());
  EXPECT_TRUE(window->isVisible());

  // The window freeing itself ends the preview.
  delete window;
  EXPECT_FALSE(printer.Previewing());
  EXPECT_EQ(after, 1);
}

TEST_F(ComponentPrinterTest, ChangingTheCurrentLinkClosesTheOpenPreview) {
  TdxComponentPrinter printer;
  TestLink* a = AddLink(printer);
  TestLink* b = AddLink(printer);
  printer.Preview(false, a);
  ASSERT_TRUE(printer.Previewing());
  printer.SetCurrentLink(b);
  EXPECT_FALSE(printer.Previewing());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_EQ(FakePreviewWindow::Alive, 0);
}

TEST_F(ComponentPrinterTest, FailedRebuildBeforePreviewOpensNoWindowAndReportsNothing) {
  TdxComponentPrinter printer;
  printer.Beep = [] {};
  TestLink* link = AddLink(printer);
  link->FailBuild = true;
  EXPECT_NO_THROW(printer.Preview(true));
  EXPECT_EQ(FakePreviewWindow::Created, 0);
  EXPECT_FALSE(printer.Previewing());
  EXPECT_TRUE(messages.empty());
}

TEST_F(ComponentPrinterTest, WindowThatCannotBeConfiguredIsDestroyedAndTheFailurePassesOn) {
  TdxComponentPrinter printer;
  AddLink(printer);
  FakePreviewWindow::FailApplyOptions = true;
  EXPECT_THROW(printer.Preview(true), EdxComponentPrinter);
  FakePreviewWindow::FailApplyOptions = false;
  EXPECT_EQ(FakePreviewWindow::Created, 1);
  EXPECT_EQ(FakePreviewWindow::Alive, 0);
  EXPECT_FALSE(printer.Previewing());
}

TEST_F(ComponentPrinterTest, PreviewWithoutRebuildRefreshesTheDate) {
  TdxComponentPrinter printer;
  printer.Options &= ~dxBit(cpoAutoRebuildBeforePreview);
  TestLink* link = AddLink(printer);
  link->SetDateTime(1.0);
  printer.Preview(true);
  EXPECT_EQ(link->Builds, 0);
  EXPECT_GT(link->DateTime(), 38000.0);
}

TEST_F(ComponentPrinterTest, StoredReportReturnsToItsComponentAfterThePreview) {
  TdxComponentPrinter printer;
  printer.Options &= ~dxBit(cpoAutoRebuildBeforePreview);
  TestLink* link = AddLink(printer);
  link->SetDataSource(dsExternalStorage);
  printer.Preview(true);
  EXPECT_EQ(link->DataSource(), dsComponent);

  printer.Options &= ~dxBit(cpoDropStorageModeAfterPreview);
  link->SetDataSource(dsExternalStorage);
  printer.Preview(true);
  EXPECT_EQ(link->DataSource(), dsExternalStorage);
}

TEST_F(ComponentPrinterTest, RebuildUnderAnOpenPreviewKeepsTheSelectedPage) {
  TdxComponentPrinter printer;
  TestLink* link = AddLink(printer, 5);
  printer.Preview(false);
  FakePreviewWindow* window = FakePreviewWindow::Last;
  ASSERT_NE(window, nullptr);
  // The preview learned the page count from the build; the user picks page 3.
  EXPECT_EQ(window->Count, 5);
  window->Selected = 3;

  // A rebuild clears the report first (the preview shows no pages), then
  // the pages come back with the page the user was on.
  printer.RebuildLink();
  EXPECT_EQ(window->Count, 5);
  EXPECT_EQ(window->Selected, 3);

  // A build without a clear and with the same page count repaints.
  const int invalidated = window->Invalidated;
  printer.BuildLink(link);
  EXPECT_EQ(window->Count, 5);
  EXPECT_EQ(window->Selected, 3);
  EXPECT_GT(window->Invalidated, invalidated);

  // Fewer pages: the remembered page is selected again, or else page 0.
  link->Pages = 2;
  printer.RebuildLink();
  EXPECT_EQ(window->Count, 2);
  ASSERT_GE(window->SelectCalls.size(), 2u);
  EXPECT_EQ(window->SelectCalls[window->SelectCalls.size() - 2], 3);
  EXPECT_EQ(window->Selected, 0);

  // Without a preview nothing is remembered: the first page is selected.
  delete window;
  printer.ReportCleared(link);
  printer.Options &= ~dxBit(cpoAutoRebuildBeforePreview);
  printer.Preview(false);
  window = FakePreviewWindow::Last;
  ASSERT_NE(window, nullptr);
  link->Pages = 6;
  printer.BuildLink(link);
  EXPECT_EQ(window->SelectCalls, (std::vector<int>{-1, 0}));
  EXPECT_EQ(window->Selected, 0);
  delete window;
}

// ---- Drawing -----------------------------------------------------------------------------------

TEST_F(ComponentPrinterTest, PageZoomComesFromThePreviewOnlyOnTheScreen) {
  TdxComponentPrinter printer;
  TestLink* link = AddLink(printer);
  QImage image(200, 200, QImage::Format_RGB32);
  image.fill(Qt::white);
  TCanvas screen(&image);
  printer.PaintLinkPage(screen, 1, TRect(0, 0, 200, 200));
  ASSERT_EQ(link->Painted.size(), 1u);
  EXPECT_EQ(link->Painted.back(), std::make_pair(1, 100));

  printer.Preview(false);
  FakePreviewWindow::Last->Zoom = 37;
  printer.PaintLinkPage(screen, 2, TRect(0, 0, 200, 200));
  EXPECT_EQ(link->Painted.back(), std::make_pair(2, 37));

  TDeviceCaps printerCaps;
  printerCaps.Technology = DT_RASPRINTER;
  QImage sheet(200, 200, QImage::Format_RGB32);
  TCanvas printCanvas(&sheet, printerCaps);
  printer.PaintLinkPage(printCanvas, 0, TRect(0, 0, 200, 200));
  EXPECT_EQ(link->Painted.back(), std::make_pair(0, 100));
  delete FakePreviewWindow::Last;
}

namespace {
// The box of the pixels that are not white and not the thumbnail's grey.
QRect InkBox(const QImage& image, int& blue, int& white) {
  QRect box;
  blue = white = 0;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      const unsigned rgb = PixelRGB(image, x, y);
      if (ColorNear(rgb, 0x0000FF, 40)) {
        ++blue;
        box = box.united(QRect(x, y, 1, 1));
      }
    }
  return box;
}
}  // namespace

TEST_F(ComponentPrinterTest, ThumbnailNumberIsAHalftoneAtHalfSizeForSmallThumbnails) {
  TdxComponentPrinter printer;
  TestLink* link = AddLink(printer, 12);
  link->Pages = 12;
  TFont& font = printer.PreviewOptions().ThumbnailsOptions.Font;
  ASSERT_EQ(font.Size(), 48);

  auto draw = [&](bool small, int& blue, QImage& image) {
    image = QImage(300, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    printer.Preview(false);
    FakePreviewWindow::Last->Small = small;
    {
      TCanvas canvas(&image);
      printer.PaintThumbnail(canvas, 7, TRect(0, 0, 300, 300));  // shows "8"
    }
    delete FakePreviewWindow::Last;
    int white = 0;
    return InkBox(image, blue, white);
  };

  QImage smallImage, largeImage;
  int smallBlue = 0, largeBlue = 0;
  const QRect small = draw(true, smallBlue, smallImage);
  EXPECT_EQ(font.Size(), 48);  // restored
  EXPECT_EQ(link->Painted.back(), std::make_pair(7, 5));
  const QRect large = draw(false, largeBlue, largeImage);
  EXPECT_EQ(link->Painted.back(), std::make_pair(7, 10));
  ASSERT_FALSE(small.isEmpty());
  ASSERT_FALSE(large.isEmpty());
  // A 24-point digit is half as tall as a 48-point one, centred alike.
  EXPECT_NEAR(double(small.height()) / large.height(), 0.5, 0.08);
  EXPECT_NEAR(small.center().x(), 150, 3);
  EXPECT_NEAR(large.center().y(), 150, 40);

  // Dotted: no two blue pixels side by side.
  int neighbours = 0;
  for (int y = large.top(); y <= large.bottom(); ++y)
    for (int x = large.left(); x < large.right(); ++x)
      if (ColorNear(PixelRGB(largeImage, x, y), 0x0000FF, 40) &&
          ColorNear(PixelRGB(largeImage, x + 1, y), 0x0000FF, 40))
        ++neighbours;
  EXPECT_EQ(neighbours, 0);
  EXPECT_GT(largeBlue, 100);

  // The overlay leaves the page as it was where the number is not: the
  // page's black bar (left) and text are still there.
  EXPECT_EQ(PixelRGB(largeImage, 35, 63), 0x000000u);

  printer.PreviewOptions().ThumbnailsOptions.ShowPageNumbers = false;
  int none = 0;
  draw(false, none, largeImage);
  EXPECT_EQ(none, 0);
}

TEST_F(ComponentPrinterTest, HalftoneIsCombinedByAndWithThePage) {
  TdxComponentPrinter printer;
  AddLink(printer, 1);
  printer.PreviewOptions().ThumbnailsOptions.Font.Color = clWhite;  // AND with white changes nothing
  QImage image(120, 120, QImage::Format_RGB32);
  image.fill(QColor(0x80, 0x40, 0xC0));
  QImage before = image;
  {
    TCanvas canvas(&image);
    printer.PaintThumbnail(canvas, 0, TRect(60, 60, 60, 60));  // an empty page rectangle: nothing of the page
  }
  int changed = 0;
  for (int y = 0; y < 120; ++y)
    for (int x = 0; x < 120; ++x) changed += PixelRGB(image, x, y) != PixelRGB(before, x, y);
  EXPECT_EQ(changed, 0);
}

// ---- Export -------------------------------------------------------------------------------------

TEST_F(ComponentPrinterTest, ExportPagesDrawsEachPageIntoAPicture) {
  TdxComponentPrinter printer;
  TestLink* link = AddLink(printer, 3);
  const TPoint size = link->RealPrinterPage().OrientedPageSizePixels();

  std::vector<std::pair<int, int>> seen;  // (page index, position)
  std::vector<QImage> images;
  TdxExportPageCallback keep = [&](TCustomdxComponentPrinter&, TBasedxReportLink* l, bool&, TGraphic& picture,
                                   int pageIndex, int position, void* data) {
    EXPECT_EQ(l, link);
    EXPECT_EQ(data, &seen);
    seen.emplace_back(pageIndex, position);
    images.push_back(picture.ToImage());
    EXPECT_EQ(picture.ClassType(), TBitmap::Class());
  };
  int progress = 0;
  printer.OnExportProgress = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int count, int, int, void*) {
    EXPECT_EQ(count, 3);
    ++progress;
  };
  printer.ExportPages(link, {-1}, 0, false, TBitmap::Class(), keep, &seen);
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {2, 2}}));
  EXPECT_EQ(progress, 3);
  ASSERT_EQ(images.size(), 3u);
  EXPECT_EQ(images[0].width(), size.X);
  EXPECT_EQ(images[0].height(), size.Y);
  // Page 3's bar reaches further down than page 1's.
  const int x = size.X / 10 + 2, y = size.Y / 5 + size.Y / 40 + 3;
  EXPECT_EQ(PixelRGB(images[0], x, y), 0xFFFFFFu);
  EXPECT_EQ(PixelRGB(images[2], x, y), 0x000000u);

  // A callback that stops ends the export; an entry beyond the report is a
  // white page.
  seen.clear();
  images.clear();
  TdxExportPageCallback stop = [&](TCustomdxComponentPrinter& p, TBasedxReportLink* l, bool& go, TGraphic& g,
                                   int pageIndex, int position, void* data) {
    keep(p, l, go, g, pageIndex, position, data);
    go = false;
  };
  printer.ExportPages(link, {9, 1}, 1, false, TBitmap::Class(), stop, &seen);
  EXPECT_EQ(seen, (std::vector<std::pair<int, int>>{{9, 0}}));
  EXPECT_EQ(PixelRGB(images[0], x, size.Y / 5 + 1), 0xFFFFFFu);
}

TEST_F(ComponentPrinterTest, ExportPagesAsMetafile) {
  TdxComponentPrinter printer;
  TestLink* link = AddLink(printer, 2);
  QImage drawn;
  TdxExportPageCallback keep = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, bool&, TGraphic& picture, int,
                                   int, void*) {
    ASSERT_EQ(picture.ClassType(), TMetafile::Class());
    EXPECT_FALSE(picture.Empty());
    drawn = picture.ToImage();
  };
  printer.ExportPages(link, {1}, 0, false, TMetafile::Class(), keep, nullptr);
  ASSERT_FALSE(drawn.isNull());
  // Drawn for a metafile, so at 100 whatever the preview says.
  EXPECT_EQ(link->Painted.back(), std::make_pair(1, 100));
  const TPoint size = link->RealPrinterPage().OrientedPageSizePixels();
  EXPECT_EQ(PixelRGB(drawn, size.X / 10 + 2, size.Y / 5 + 2), 0x000000u);
}

// ---- Custom drawing -----------------------------------------------------------------------------

TEST_F(ComponentPrinterTest, CustomDrawHandlersGetCopiesAndTheResolutions) {
  TdxComponentPrinter printer;
  TestLink* link = AddLink(printer);
  QImage image(10, 10, QImage::Format_RGB32);
  TCanvas canvas(&image);
  int headerNom = 0, headerDenom = 0, footers = 0;
  printer.OnCustomDrawPageHeader = [&](TCustomdxComponentPrinter&, TBasedxReportLink* l, TCanvas&, int page,
                                       TRect& r, int nom, int denom, bool& text, bool&) {
    EXPECT_EQ(l, link);
    EXPECT_EQ(page, 4);
    headerNom = nom;
    headerDenom = denom;
    r = TRect(0, 0, 1, 1);
    text = false;
  };
  printer.OnCustomDrawPageFooter = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, TCanvas&, int, TRect&, int,
                                       int, bool&, bool&) { ++footers; };
  TRect rect(10, 20, 30, 40);
  bool text = true, background = true;
  printer.CustomDrawPageHeaderOrFooter(link, canvas, 4, true, rect, text, background);
  EXPECT_EQ(headerNom, dxPSReportUnitsPerInch());
  EXPECT_EQ(headerDenom, TDeviceCaps::Screen().LogPixelsY);
  EXPECT_EQ(rect, TRect(10, 20, 30, 40));
  EXPECT_FALSE(text);
  EXPECT_TRUE(background);
  printer.CustomDrawPageHeaderOrFooter(link, canvas, 4, false, rect, text, background);
  EXPECT_EQ(footers, 1);

  int height = 5;
  printer.OnMeasureReportTitle = [](TCustomdxComponentPrinter&, TBasedxReportLink*, int& h) { h = 77; };
  printer.MeasureReportTitle(link, height);
  EXPECT_EQ(height, 77);
}

}  // namespace
