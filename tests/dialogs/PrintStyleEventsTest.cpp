// What a print style hears from outside: its link being built and printed,
// and a change of the system's locale while the program runs.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEvent>
#include <QLocale>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/PrintStyles.h"
#include "engine/ComponentPrinter.h"
#include "layout/PrinterPage.h"
#include "platform/EnumBits.h"
#include "platform/MessageDialogs.h"
#include "platform/ScopeExit.h"
#include "tests/TestSupport.h"
#include "tests/dialogs/PrintStyleFixture.h"
#include "tests/engine/PrinterTestSupport.h"

namespace {

class PrintStyleEventsTest : public PrintStyleFixture {};

}  // namespace

TEST_F(PrintStyleEventsTest, StyleHearsItsLinkBeingBuiltAndPrinted) {
  ScopedPrintDevice device(std::make_unique<HandPrintDevice>());
  static_cast<HandPrintDevice&>(device.Device()).SetOnlyPrinter(HandLetterPrinter("Hand"));
  ScratchDir dir;
  TdxPrintStyleManager manager(&owner);
  auto* style = static_cast<TdxPSPrintStyle*>(Add(manager, "A"));
  TdxComponentPrinter printer;
  auto* link = new TestLink;
  link->Pages = 2;
  printer.AddLink(link);
  link->SetStyleManager(&manager);

  std::vector<std::string> events;
  auto record = [&](const char* name) {
    return [&events, &printer, name](TdxPSPrintStyle&) {
      events.push_back(std::string(name) + (printer.Building() ? " (building)" : ""));
    };
  };
  style->OnBeforeGenerating = record("before generating");
  style->OnAfterGenerating = record("after generating");
  style->OnBeforePrinting = record("before printing");
  style->OnAfterPrinting = record("after printing");
  printer.OnStartPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, int) { events.push_back("start"); };
  printer.OnEndPrint = [&](TCustomdxComponentPrinter&, TBasedxReportLink*) { events.push_back("end"); };

  printer.RebuildLink(link);
  EXPECT_EQ(events, (std::vector<std::string>{"before generating (building)", "after generating (building)"}));
  events.clear();
  device.Device().JobOutputFile = dir.Path("styled.pdf");
  link->Builds = 0;
  printer.Options &= ~dxBit(cpoAutoRebuildBeforePrint);
  EXPECT_TRUE(printer.Print(false));
  EXPECT_EQ(events, (std::vector<std::string>{"before printing", "start", "end", "after printing"}));

  // A build that fails and a job that cannot begin still end their brackets.
  events.clear();
  link->FailBuild = true;
  EXPECT_THROW(printer.RebuildLink(link), EdxReportLink);
  EXPECT_EQ(events, (std::vector<std::string>{"before generating (building)", "after generating (building)"}));
  link->FailBuild = false;
  printer.RebuildLink(link);
  events.clear();
  device.Device().JobOutputFile = dir.Path("missing/styled.pdf");
  EXPECT_FALSE(printer.Print(false));
  EXPECT_EQ(events, (std::vector<std::string>{"before printing", "after printing"}));

  // Without a style manager nothing is heard.
  events.clear();
  link->SetStyleManager(nullptr);
  printer.RebuildLink(link);
  EXPECT_TRUE(events.empty());
}

TEST_F(PrintStyleEventsTest, ALocaleChangeResetsTheDefaultPageAndConvertsEachStylesUnits) {
  const QLocale saved;
  ScopeExit restore([&] {
    QLocale::setDefault(saved);
    ResetDefaultPrinterPage();
  });
  QLocale::setDefault(QLocale(QLocale::Turkish, QLocale::Turkey));
  ResetDefaultPrinterPage();
  TdxPrintStyleManager manager(&owner);
  TBasedxPrintStyle* following = Add(manager, "A");
  TBasedxPrintStyle* fixed = Add(manager, "B");
  fixed->PrinterPage().SetMeasurementUnits(muMillimeters);
  ASSERT_EQ(following->PrinterPage().StoredUnits(), muMillimeters);
  following->PrinterPage().SetMargins(TRect(25400, 25400, 25400, 25400));
  GetDefaultPrinterPage().SetMargins(TRect(1000, 1000, 1000, 1000));

  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  QEvent change(QEvent::LocaleChange);
  QCoreApplication::sendEvent(qApp, &change);
  EXPECT_EQ(GetDefaultPrinterPage().StoredUnits(), muInches);
  EXPECT_EQ(GetDefaultPrinterPage().Margins().Rect(), TRect(500, 500, 500, 500));
  EXPECT_EQ(following->PrinterPage().StoredUnits(), muInches);
  EXPECT_EQ(following->PrinterPage().Margins().Rect(), TRect(1000, 1000, 1000, 1000));
  EXPECT_EQ(fixed->PrinterPage().StoredUnits(), muMillimeters);
}
