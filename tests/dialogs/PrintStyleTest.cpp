// Print styles and the style manager: style defaults and copying, the copy
// caption rule, current-style rules, the update bracket and the bus
// notifications, a report link that takes its page from the manager, the
// storage file (round trip, other versions, damage, failed saves) and the
// auto-text entries.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QWidget>
#include <memory>
#include <string>
#include <vector>

#include "dialogs/PrintStyles.h"
#include "engine/ComponentPrinter.h"
#include "engine/ReportLink.h"
#include "layout/HeaderFooterFunctions.h"
#include "layout/PrintDevice.h"
#include "layout/StandardHeaderFooterFunctions.h"
#include "platform/Exceptions.h"
#include "platform/MessageDialogs.h"
#include "platform/Registry.h"
#include "report/EngineSettings.h"
#include "report/EventBus.h"
#include "report/EventSubscribers.h"
#include "tests/TestSupport.h"
#include "tests/dialogs/PrintStyleFixture.h"

namespace {

// ---- Test doubles -------------------------------------------------------------------

// Pagination stand-in that counts the calculations.
class TStyleTestRenderInfo : public TdxPSReportRenderInfo {
  DX_CLASS(TStyleTestRenderInfo, TdxPSReportRenderInfo)

 public:
  void Calculate() override { ++Calculations; }
  int Calculations = 0;
};

// A link with a one-cell report.
class TStyleTestLink : public TBasedxReportLink {
  DX_CLASS(TStyleTestLink, TBasedxReportLink)

 public:
  void ConstructReport(TdxReportCells& cells) override {
    TBasedxReportLink::ConstructReport(cells);
    cells.ClearItems();
    cells.Cells()->SetBounds(0, 0, 200, 100);
  }
  TdxClass RenderInfoClass() const override { return TStyleTestRenderInfo::StaticClass(); }
  int Calculations() { return dynamic_cast<TStyleTestRenderInfo&>(RenderInfo()).Calculations; }
};

// A style class with an options dialog that writes into the copy it gets.
class TOptionsStyle : public TBasedxPrintStyle {
  DX_CLASS(TOptionsStyle, TBasedxPrintStyle)
};

class TOptionsDialog : public TdxPrintStyleOptionsDialog {
  DX_CLASS(TOptionsDialog, TdxPrintStyleOptionsDialog)

 public:
  bool Execute(TBasedxPrintStyle& style) override {
    EditedSomeoneElse = style.StyleManager() != nullptr || style.parent() != nullptr;
    style.Description = "edited";
    return Accept;
  }
  static inline bool Accept = false;
  static inline bool EditedSomeoneElse = false;
};

// Records the manager's notifications, from its handlers and from the bus,
// in the order they come.
struct NotificationLog {
  explicit NotificationLog(TdxPrintStyleManager& manager) {
    manager.OnStyleListChanged = [this](TdxPrintStyleManager&) { Entries.push_back("list"); };
    manager.OnChangeCurrentStyle = [this](TdxPrintStyleManager&) { Entries.push_back("current"); };
    listSubscriber.OnStyleListChanged = [this](TdxObject*) { Entries.push_back("bus-list"); };
    pageSubscriber.OnPageParamsChanged = [this](TdxObject* page, TdxObject* style, std::uint8_t codes) {
      Pages.push_back({page, style, codes});
      Entries.push_back("page");
    };
    textSubscriber.OnHFTextEntriesChanged = [this] { ++TextEntryChanges; };
  }
  struct PageEvent {
    TdxObject* Page;
    TdxObject* Style;
    std::uint8_t Codes;
  };
  void Clear() {
    Entries.clear();
    Pages.clear();
    TextEntryChanges = 0;
  }
  int Count(const std::string& what) const { return int(std::count(Entries.begin(), Entries.end(), what)); }

  std::vector<std::string> Entries;
  std::vector<PageEvent> Pages;
  int TextEntryChanges = 0;
  TdxStyleListChangedSubscriber listSubscriber;
  TdxPageParamsChangedSubscriber pageSubscriber;
  TdxHFTextEntriesChangedSubscriber textSubscriber;
};

std::string ReadFile(const std::string& path) {
  QFile file(QString::fromStdString(path));
  if (!file.open(QIODevice::ReadOnly)) return "<missing>";
  return file.readAll().toStdString();
}

TBytes Int32Bytes(std::int32_t a, std::int32_t b) {
  TBytes bytes;
  for (std::int32_t v : {a, b})
    for (int i = 0; i < 4; ++i) bytes.push_back(std::uint8_t(std::uint32_t(v) >> (8 * i)));
  return bytes;
}

class PrintStyleTest : public PrintStyleFixture {
 protected:
  std::vector<std::string> Captions(const TdxPrintStyleManager& manager) const {
    std::vector<std::string> captions;
    for (int i = 0; i < manager.Count(); ++i) captions.push_back(manager.Styles(i)->StyleCaption());
    return captions;
  }
};

// ---- Styles ----------------------------------------------------------------------------

TEST_F(PrintStyleTest, StandardStyleDefaults) {
  TdxPSPrintStyle style;
  EXPECT_EQ(style.StyleCaption(), "Standard Style");
  EXPECT_EQ(style.ImageIndex, -1);
  EXPECT_TRUE(style.AllowChangeHFText && style.AllowChangeMargins && style.AllowChangeOrientation &&
              style.AllowChangePaper && style.AllowChangeScale && style.AllowCustomPaperSizes);
  EXPECT_EQ(style.StyleGlyph().Width(), 32);
  EXPECT_EQ(style.StyleGlyph().Height(), 32);
  EXPECT_EQ(style.PrinterPage().Owner(), static_cast<TdxObject*>(&style));

  // Page number in the centre of the footer, the date at its right.
  TdxHFFunctionLibrary* library = GetHFFunctionLibrary();
  const std::string page = library->FunctionByClass(TdxHFPageNumberFunction::StaticClass())->Token();
  const std::string date = library->FunctionByClass(TdxHFDateFunction::StaticClass())->Token();
  EXPECT_EQ(style.PrinterPage().PageFooter().CenterTitle(), TdxStrings{page});
  EXPECT_EQ(style.PrinterPage().PageFooter().RightTitle(), TdxStrings{date});

  TBasedxPrintStyle base;
  EXPECT_EQ(base.StyleCaption(), "Base Style");
  EXPECT_TRUE(base.StyleGlyph().Empty());
  EXPECT_TRUE(base.PrinterPage().PageFooter().CenterTitle().empty());
}

TEST_F(PrintStyleTest, AssignCopiesPermissionsTextsPageAndGlyph) {
  TdxPSPrintStyle source;
  source.AllowChangeMargins = false;
  source.AllowCustomPaperSizes = false;
  source.Description = "Raporlar";
  source.ImageIndex = 4;
  source.ShowPageSetupDlg = true;
  source.SetStyleCaption("Wide");
  source.PrinterPage().SetOrientation(poLandscape);
  source.PrinterPage().SetScaleFactor(75);
  TBitmap glyph;
  glyph.SetImage(MakeTestImage(8, 8));
  source.SetStyleGlyph(glyph);

  TBasedxPrintStyle target;
  target.Assign(source);
  EXPECT_FALSE(target.AllowChangeMargins);
  EXPECT_FALSE(target.AllowCustomPaperSizes);
  EXPECT_TRUE(target.AllowChangePaper);
  EXPECT_EQ(target.Description, "Raporlar");
  EXPECT_EQ(target.ImageIndex, 4);
  EXPECT_FALSE(target.ShowPageSetupDlg);  // not part of a copy
  EXPECT_EQ(target.StyleCaption(), "Wide");
  EXPECT_EQ(target.PrinterPage().Orientation(), poLandscape);
  EXPECT_EQ(target.PrinterPage().ScaleFactor(), 75);
  EXPECT_EQ(PixelRGB(target.StyleGlyph().Image(), 0, 0), 0xFF0000u);
  // A copy, not a share.
  source.PrinterPage().SetScaleFactor(90);
  EXPECT_EQ(target.PrinterPage().ScaleFactor(), 75);
}

TEST_F(PrintStyleTest, FilterPaperAlwaysKeepsThePagesOwnPaper) {
  TdxPSPrintStyle style;
  style.PrinterPage().SetDMPaper(9);
  TdxPaperInfo a4(nullptr, 9, "A4", {2100, 2970});
  TdxPaperInfo letter(nullptr, 1, "Letter", {2159, 2794});
  EXPECT_TRUE(style.FilterPaper(letter));  // no handler: everything
  int asked = 0;
  style.OnFilterPaper = [&](TBasedxPrintStyle& sender, const TdxPaperInfo&, bool& supported) {
    EXPECT_EQ(&sender, &style);
    ++asked;
    supported = false;
  };
  EXPECT_FALSE(style.FilterPaper(letter));
  EXPECT_TRUE(style.FilterPaper(a4));
  EXPECT_EQ(asked, 2);
}

TEST_F(PrintStyleTest, OptionsDialogEditsACopyAndOnlyAcceptedChangesComeBack) {
  RegisterPrintStyleClass(TOptionsStyle::StaticClass(), TOptionsDialog::StaticClass());
  TdxPrintStyleManager manager(&owner);
  auto* style = dynamic_cast<TOptionsStyle*>(manager.AddStyle(TOptionsStyle::StaticClass()));
  ASSERT_NE(style, nullptr);
  EXPECT_TRUE(style->HasOptions());
  EXPECT_FALSE(TdxPSPrintStyle().HasOptions());

  TOptionsDialog::Accept = false;
  EXPECT_FALSE(style->EditOptions());
  EXPECT_EQ(style->Description, "");
  TOptionsDialog::Accept = true;
  EXPECT_TRUE(style->EditOptions());
  EXPECT_EQ(style->Description, "edited");
  EXPECT_FALSE(TOptionsDialog::EditedSomeoneElse);  // the copy belongs to no manager
  EXPECT_EQ(manager.Count(), 1);
  UnregisterPrintStyleClass(TOptionsStyle::StaticClass(), TOptionsDialog::StaticClass());
  EXPECT_FALSE(style->HasOptions());
}

TEST_F(PrintStyleTest, ClassRegistryKeepsOneEntryPerPairAndADefault) {
  const std::size_t count = dxPSPrintStyleClasses().size();
  dxPSRegisterPrintStyles();
  RegisterPrintStyleClass(TdxPSPrintStyle::StaticClass(), nullptr, false);
  EXPECT_EQ(dxPSPrintStyleClasses().size(), count);
  EXPECT_EQ(DefaultPrintStyleClass(), TdxPSPrintStyle::StaticClass());
  EXPECT_TRUE(dxPSIsPrintStyleClass(TBasedxPrintStyle::StaticClass()));
  EXPECT_EQ(dxFindClass("TdxPSPrintStyle"), TdxPSPrintStyle::StaticClass());
}

TEST_F(PrintStyleTest, PageSetupAnswersFalseUntilTheDialogIsInstalled) {
  TdxPSPrintStyle style;
  EXPECT_FALSE(style.PageSetup());
  dxPSPrintStyleDialogs().PageSetup = [&](TBasedxPrintStyle& s, int page, bool* preview, bool*) {
    EXPECT_EQ(&s, &style);
    EXPECT_EQ(page, 2);
    if (preview) *preview = true;
    return true;
  };
  bool preview = false;
  EXPECT_TRUE(style.PageSetup(2, &preview));
  EXPECT_TRUE(preview);
  dxPSPrintStyleDialogs().PageSetup = nullptr;
}

// ---- Copy captions ------------------------------------------------------------------

TEST_F(PrintStyleTest, CopiesOfAStyleAreNumberedFromTwo) {
  TdxPrintStyleManager manager(&owner);
  manager.AddStyle(TdxPSPrintStyle::StaticClass());
  std::vector<std::string> captions;
  for (int i = 0; i < 3; ++i) {
    TBasedxPrintStyle* copy = manager.CloneStyle(0);
    manager.FinishClone(copy);
    captions.push_back(copy->StyleCaption());
  }
  EXPECT_EQ(captions, (std::vector<std::string>{"Copy of Standard Style", "Copy (2) of Standard Style",
                                                "Copy (3) of Standard Style"}));
}

TEST_F(PrintStyleTest, CopyOfACopyTakesTheNextFreeNumber) {
  TdxPrintStyleManager manager(&owner);
  Add(manager, "Copy of Standard Style");
  Add(manager, "Copy of Copy of Standard Style");
  TBasedxPrintStyle* copy = manager.CloneStyle(0);
  manager.FinishClone(copy);
  EXPECT_EQ(copy->StyleCaption(), "Copy (2) of Copy of Standard Style");
}

TEST_F(PrintStyleTest, FirstCopyCaptionsAreCutTo31Characters) {
  TdxPrintStyleManager manager(&owner);
  EXPECT_EQ(manager.CloneCaption("Aylik Muhasebe Raporu Genis Sayfa"), "Copy of Aylik Muhasebe Raporu G");
  Add(manager, "Copy of Aylik Muhasebe Raporu G");
  EXPECT_EQ(manager.CloneCaption("Aylik Muhasebe Raporu Genis Sayfa"),
            "Copy (2) of Aylik Muhasebe Raporu Genis Sayfa");
  // Characters, not bytes: a Turkish letter is one character.
  const std::string cut = manager.CloneCaption("Çıkış Çıkış Çıkış Çıkış Çıkış");
  EXPECT_EQ(QString::fromStdString(cut).size(), 31);
  EXPECT_EQ(cut.substr(0, 8), "Copy of ");
}

TEST_F(PrintStyleTest, CopyCaptionRuleWithUnusualPrefixesAndCaptions) {
  TdxPrintStyleManager manager(&owner);
  Add(manager, "Rapor");
  // A prefix without a number: the template is taken even when it is taken.
  manager.CloneStyleCaptionPrefix = "Kopya ";
  Add(manager, "Kopya Rapor");
  EXPECT_EQ(manager.CloneCaption("Rapor"), "Kopya Rapor");
  // A caption with a percent sign that is no number placeholder: formatting
  // fails and the template stands.
  manager.CloneStyleCaptionPrefix = "Copy (%d) of ";
  Add(manager, "Copy of 100% Scale");
  EXPECT_EQ(manager.CloneCaption("100% Scale"), "Copy (%d) of 100% Scale");
  // A width and a second placeholder.
  manager.CloneStyleCaptionPrefix = "Copy (%3d) of ";
  Add(manager, "Copy (%3d) of Rapor");
  EXPECT_EQ(manager.CloneCaption("Rapor"), "Copy (  2) of Rapor");
  // The first step removes the first pattern that occurs, "%d " here; two
  // placeholders cannot be formatted with one number.
  manager.CloneStyleCaptionPrefix = "%d-%d ";
  EXPECT_EQ(manager.CloneCaption("Rapor"), "%d-Rapor");
  Add(manager, "%d-Rapor");
  EXPECT_EQ(manager.CloneCaption("Rapor"), "%d-%d Rapor");
}

TEST_F(PrintStyleTest, CloneStylePlacesTheCopyAfterItsSourceInsideABracket) {
  TdxPrintStyleManager manager(&owner);
  Add(manager, "A");
  Add(manager, "B");
  TBasedxPrintStyle* source = manager.Styles(0);
  source->PrinterPage().SetScaleFactor(60);
  NotificationLog log(manager);
  TBasedxPrintStyle* copy = manager.CloneStyle(0);
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(manager.IndexOfStyle(copy), 1);
  EXPECT_TRUE(copy->IsCloning());
  EXPECT_EQ(copy->PrinterPage().ScaleFactor(), 60);
  EXPECT_EQ(copy->ClassType(), TdxPSPrintStyle::StaticClass());
  EXPECT_EQ(copy->parent(), &owner);
  EXPECT_EQ(log.Count("list"), 0);  // held back until FinishClone
  manager.FinishClone(copy);
  EXPECT_FALSE(copy->IsCloning());
  EXPECT_EQ(log.Count("list"), 1);
  EXPECT_EQ(log.Count("bus-list"), 1);

  EXPECT_EQ(manager.CloneStyle(3), nullptr);
  EXPECT_EQ(manager.CloneStyle(-2), nullptr);
  TBasedxPrintStyle* fresh = manager.CloneStyle(-1);  // the default class, first
  manager.FinishClone(fresh);
  EXPECT_EQ(manager.IndexOfStyle(fresh), 0);
  EXPECT_EQ(fresh->StyleCaption(), "Copy of Standard Style");
  EXPECT_FALSE(manager.IsUpdating());
}

// ---- Current style --------------------------------------------------------------------

TEST_F(PrintStyleTest, FirstStyleAddedBecomesCurrentWithAllPageCodes) {
  TdxPrintStyleManager manager(&owner);
  NotificationLog log(manager);
  TBasedxPrintStyle* style = manager.AddStyle(TdxPSPrintStyle::StaticClass());
  EXPECT_EQ(manager.CurrentStyle(), style);
  EXPECT_TRUE(style->IsCurrentStyle());
  EXPECT_EQ(log.Entries, (std::vector<std::string>{"page", "current", "list", "bus-list"}));
  ASSERT_EQ(log.Pages.size(), 1u);
  EXPECT_EQ(log.Pages[0].Style, static_cast<TdxObject*>(style));
  EXPECT_EQ(log.Pages[0].Page, static_cast<TdxObject*>(&style->PrinterPage()));
  EXPECT_EQ(log.Pages[0].Codes, ucAll);

  log.Clear();
  manager.AddStyle(TdxPSPrintStyle::StaticClass());
  EXPECT_EQ(manager.CurrentStyle(), style);
  EXPECT_EQ(log.Entries, (std::vector<std::string>{"list", "bus-list"}));
  EXPECT_EQ(manager.AddStyle(nullptr), nullptr);
}

TEST_F(PrintStyleTest, RemovingTheCurrentStyleSelectsItsNeighbour) {
  TdxPrintStyleManager manager(&owner);
  Add(manager, "A");
  Add(manager, "B");
  TBasedxPrintStyle* last = Add(manager, "C");
  manager.SetCurrentStyle(last);
  delete last;  // destroying a style takes it out of the list
  EXPECT_EQ(manager.Count(), 2);
  EXPECT_EQ(manager.CurrentStyleIndex(), 1);

  manager.SetCurrentStyleIndex(0);
  manager.DeleteStyle(0);
  EXPECT_EQ(manager.CurrentStyle()->StyleCaption(), "B");  // the one now at index 0

  NotificationLog log(manager);
  manager.DeleteStyle(5);  // outside: nothing
  EXPECT_TRUE(log.Entries.empty());
  manager.DeleteStyle(0);
  EXPECT_EQ(manager.CurrentStyle(), nullptr);
  EXPECT_EQ(manager.CurrentStyleIndex(), -1);
  EXPECT_EQ(log.Count("current"), 1);
  EXPECT_EQ(log.Count("list"), 1);
}

TEST_F(PrintStyleTest, CurrentStyleSetters) {
  TdxPrintStyleManager manager(&owner);
  TBasedxPrintStyle* a = Add(manager, "A");
  Add(manager, "B");
  TBasedxPrintStyle* c = Add(manager, "C");
  manager.SetCurrentStyleIndex(7);
  EXPECT_EQ(manager.CurrentStyle(), c);
  manager.SetCurrentStyleIndex(-3);
  EXPECT_EQ(manager.CurrentStyle(), a);

  NotificationLog log(manager);
  a->SetIsCurrentStyle(false);  // does nothing
  EXPECT_EQ(manager.CurrentStyle(), a);
  TdxPSPrintStyle stranger;
  manager.SetCurrentStyle(&stranger);  // not a member
  manager.SetCurrentStyle(nullptr);
  EXPECT_EQ(manager.CurrentStyle(), a);
  EXPECT_TRUE(log.Entries.empty());
  c->SetIsCurrentStyle(true);
  EXPECT_EQ(manager.CurrentStyle(), c);
  EXPECT_EQ(log.Entries, (std::vector<std::string>{"page", "current"}));
}

TEST_F(PrintStyleTest, IndexMovesAndNamesAreFoundIgnoringCase) {
  TdxPrintStyleManager manager(&owner);
  TBasedxPrintStyle* a = Add(manager, "A");
  Add(manager, "B");
  Add(manager, "C");
  a->setObjectName("psStandard");
  a->SetIndex(10);
  EXPECT_EQ(Captions(manager), (std::vector<std::string>{"B", "C", "A"}));
  a->SetIndex(-1);
  EXPECT_EQ(Captions(manager), (std::vector<std::string>{"A", "B", "C"}));
  EXPECT_EQ(manager.StyleByName("PSSTANDARD"), a);
  EXPECT_EQ(manager.StyleByName("other"), nullptr);

  // A style can change managers.
  TdxPrintStyleManager other(&owner);
  a->SetStyleManager(&other);
  EXPECT_EQ(manager.Count(), 2);
  EXPECT_EQ(other.CurrentStyle(), a);
  EXPECT_EQ(a->Index(), 0);
}

TEST_F(PrintStyleTest, BuiltInStylesSurviveDeleteNonBuiltIn) {
  TdxPrintStyleManager manager(&owner);
  Add(manager, "A")->SetBuiltIn(true);
  Add(manager, "B");
  Add(manager, "C");
  EXPECT_TRUE(manager.HasNonBuiltInStyles());
  NotificationLog log(manager);
  manager.DeleteNonBuiltInStyles();
  EXPECT_EQ(Captions(manager), std::vector<std::string>{"A"});
  EXPECT_FALSE(manager.HasNonBuiltInStyles());
  EXPECT_EQ(log.Count("list"), 1);
}

// ---- Update bracket and bus notifications -------------------------------------------

TEST_F(PrintStyleTest, BracketHoldsListAndCurrentNotificationsUntilTheLastEndUpdate) {
  TdxPrintStyleManager manager(&owner);
  NotificationLog log(manager);
  manager.BeginUpdate();
  manager.BeginUpdate();
  TBasedxPrintStyle* a = Add(manager, "A");
  Add(manager, "B");
  // The page notification is not held back: links must follow at once.
  EXPECT_EQ(log.Entries, std::vector<std::string>{"page"});
  EXPECT_EQ(log.Pages[0].Style, static_cast<TdxObject*>(a));
  manager.EndUpdate();
  EXPECT_EQ(log.Entries.size(), 1u);
  manager.EndUpdate();
  EXPECT_EQ(log.Entries, (std::vector<std::string>{"page", "list", "bus-list", "current"}));
  manager.EndUpdate();  // unbalanced: nothing
  EXPECT_EQ(log.Entries.size(), 4u);

  log.Clear();
  manager.Clear();
  EXPECT_EQ(manager.Count(), 0);
  EXPECT_EQ(log.Count("list"), 1);
  EXPECT_EQ(log.Count("bus-list"), 1);
}

TEST_F(PrintStyleTest, StylePageChangesReachTheBusWithTheirCodes) {
  TdxPrintStyleManager manager(&owner);
  TBasedxPrintStyle* a = Add(manager, "A");
  TBasedxPrintStyle* b = Add(manager, "B");
  NotificationLog log(manager);
  TdxPrinterPage& page = b->PrinterPage();
  page.Margins().SetRight(page.Margins().Right() + 1000);
  ASSERT_EQ(log.Pages.size(), 1u);
  EXPECT_EQ(log.Pages[0].Style, static_cast<TdxObject*>(b));  // not only the current style
  EXPECT_EQ(log.Pages[0].Page, static_cast<TdxObject*>(&page));
  EXPECT_EQ(log.Pages[0].Codes, ucMarginRight);

  // A locked page reports once, at the end, with everything.
  log.Clear();
  a->PrinterPage().BeginUpdate();
  a->PrinterPage().SetScaleFactor(50);
  a->PrinterPage().Margins().SetLeft(a->PrinterPage().Margins().Left() + 500);
  EXPECT_TRUE(log.Pages.empty());
  a->PrinterPage().EndUpdate();
  ASSERT_EQ(log.Pages.size(), 1u);
  EXPECT_EQ(log.Pages[0].Codes, ucAll);
  EXPECT_EQ(log.Entries, std::vector<std::string>{"page"});
}

TEST_F(PrintStyleTest, DefinePrintStylesNotifiesFromTheEventLoop) {
  TdxPrintStyleManager manager(&owner);
  Add(manager, "A");
  int runs = 0;
  dxPSPrintStyleDialogs().DefinePrintStyles = [&](TdxPrintStyleManager& m, bool* preview, bool*) {
    EXPECT_EQ(&m, &manager);
    ++runs;
    return true;
  };
  NotificationLog log(manager);
  EXPECT_TRUE(manager.DefinePrintStyles());
  EXPECT_EQ(runs, 1);
  EXPECT_TRUE(log.Entries.empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(log.Entries, (std::vector<std::string>{"list", "bus-list", "current"}));
  dxPSPrintStyleDialogs().DefinePrintStyles = nullptr;

  // A manager gone before the loop runs gets no call.
  auto gone = std::make_unique<TdxPrintStyleManager>(&owner);
  gone->DefinePrintStyles();
  gone.reset();
  QCoreApplication::processEvents();
}

// ---- The report link -------------------------------------------------------------------

class PrintStyleLinkTest : public PrintStyleTest {
 protected:
  void SetUp() override {
    PrintStyleTest::SetUp();
    componentClass_ = dxComponentClassOf(&widget);
    dxPSRegisterReportLink(TStyleTestLink::StaticClass(), componentClass_, nullptr);
    link = new TStyleTestLink;
    link->SetComponentPrinter(&printer);
    link->SetComponent(&widget);
    link->SetActive(true);
  }
  void TearDown() override {
    dxPSUnregisterReportLink(TStyleTestLink::StaticClass(), componentClass_, nullptr);
    PrintStyleTest::TearDown();
  }

  QWidget widget;
  TdxComponentPrinter printer;
  TStyleTestLink* link = nullptr;

 private:
  TdxClass componentClass_ = nullptr;
};

TEST_F(PrintStyleLinkTest, LinkTakesItsPageFromTheCurrentStyleAndFollowsItsChanges) {
  TdxPrintStyleManager manager(&owner);
  TBasedxPrintStyle* a = Add(manager, "A");
  TBasedxPrintStyle* b = Add(manager, "B");
  a->PrinterPage().SetScaleFactor(40);
  ASSERT_TRUE(link->Active());

  int calculations = link->Calculations();
  link->SetStyleManager(&manager);
  EXPECT_EQ(link->Calculations(), calculations + 1);
  EXPECT_EQ(&link->RealPrinterPage(), &a->PrinterPage());
  EXPECT_EQ(link->RealScaleFactor(), 40);

  // The current style's margins re-paginate; its paper source alone does not.
  calculations = link->Calculations();
  a->PrinterPage().Margins().SetRight(a->PrinterPage().Margins().Right() + 2000);
  EXPECT_EQ(link->Calculations(), calculations + 1);
  a->PrinterPage().SetPaperSource(3);
  EXPECT_EQ(link->Calculations(), calculations + 1);
  // Neither the link's own page nor another style counts now.
  link->PrinterPage().Margins().SetRight(link->PrinterPage().Margins().Right() + 2000);
  b->PrinterPage().Margins().SetRight(b->PrinterPage().Margins().Right() + 2000);
  EXPECT_EQ(link->Calculations(), calculations + 1);

  // Another current style: another page, laid out again.
  manager.SetCurrentStyle(b);
  EXPECT_EQ(&link->RealPrinterPage(), &b->PrinterPage());
  EXPECT_EQ(link->Calculations(), calculations + 2);
  // Deleting it brings the neighbour back, and the layout follows.
  delete b;
  EXPECT_EQ(&link->RealPrinterPage(), &a->PrinterPage());
  EXPECT_EQ(link->Calculations(), calculations + 3);
}

TEST_F(PrintStyleLinkTest, DestroyedManagerLeavesTheLinkWithItsOwnPage) {
  auto manager = std::make_unique<TdxPrintStyleManager>(&owner);
  Add(*manager, "A");
  link->SetStyleManager(manager.get());
  manager.reset();
  EXPECT_EQ(link->StyleManager(), nullptr);
  EXPECT_EQ(&link->RealPrinterPage(), &link->PrinterPage());

  // A link destroyed first is forgotten by its manager.
  manager = std::make_unique<TdxPrintStyleManager>(&owner);
  Add(*manager, "B");
  auto* other = new TStyleTestLink;
  other->SetComponentPrinter(&printer);
  other->SetStyleManager(manager.get());
  printer.RemoveLink(other);
  delete other;
  manager.reset();  // must not reach the link that is gone
  EXPECT_EQ(link->StyleManager(), nullptr);
}

// ---- Storage -------------------------------------------------------------------------------

class PrintStyleStorageTest : public PrintStyleTest {
 protected:
  // Three styles of both classes with values that differ from every default
  // (and some that equal the published ones but not the default page's).
  void Fill(TdxPrintStyleManager& manager) {
    TBasedxPrintStyle* a = Add(manager, "Dikey");
    a->setObjectName("psDikey");
    a->PrinterPage().SetDMPaper(1);
    a->PrinterPage().SetHeader(0);
    a->PrinterPage().PageFooter().SetCenterTitle({});  // cleared on purpose
    a->PrinterPage().PageHeader().SetLeftTitle({"Ardel", "Sorvan"});
    a->Description = "Ilk stil";
    a->ImageIndex = 2;
    TBitmap glyph;
    glyph.SetImage(MakeTestImage(12, 10));
    a->SetStyleGlyph(glyph);

    TBasedxPrintStyle* b = manager.AddStyle(TBasedxPrintStyle::StaticClass());
    b->setObjectName("psYatay");
    b->SetStyleCaption("Yatay %d");
    b->PrinterPage().SetOrientation(poLandscape);
    b->PrinterPage().SetScaleFactor(65);
    b->PrinterPage().Margins().SetLeft(b->PrinterPage().Margins().Left() + 3000);
    b->AllowChangePaper = false;
    b->AllowChangeScale = false;
    b->ShowPageSetupDlg = true;
    b->SetBuiltIn(true);

    TBasedxPrintStyle* c = Add(manager, "Sığdır");
    c->PrinterPage().SetScaleMode(smFit);
    c->PrinterPage().SetFitToPagesByWide(2);
    c->PrinterPage().SetPageOrder(poDownThenOver);
    manager.SetCurrentStyleIndex(1);
  }

  void ExpectSameStyles(TdxPrintStyleManager& expected, TdxPrintStyleManager& actual) {
    ASSERT_EQ(actual.Count(), expected.Count());
    EXPECT_EQ(actual.CurrentStyleIndex(), expected.CurrentStyleIndex());
    for (int i = 0; i < expected.Count(); ++i) {
      SCOPED_TRACE(i);
      TBasedxPrintStyle& e = *expected.Styles(i);
      TBasedxPrintStyle& a = *actual.Styles(i);
      EXPECT_EQ(a.ClassType(), e.ClassType());
      EXPECT_EQ(a.objectName(), e.objectName());
      EXPECT_EQ(a.StyleCaption(), e.StyleCaption());
      EXPECT_EQ(a.Description, e.Description);
      EXPECT_EQ(a.ImageIndex, e.ImageIndex);
      EXPECT_EQ(a.AllowChangePaper, e.AllowChangePaper);
      EXPECT_EQ(a.AllowChangeScale, e.AllowChangeScale);
      EXPECT_EQ(a.ShowPageSetupDlg, e.ShowPageSetupDlg);
      EXPECT_EQ(a.BuiltIn(), e.BuiltIn());
      EXPECT_EQ(a.StyleManager(), &actual);
      EXPECT_EQ(a.parent(), &owner);
      const TdxPrinterPage& ep = e.PrinterPage();
      const TdxPrinterPage& ap = a.PrinterPage();
      EXPECT_TRUE(ap.IsCompatibleWith(&ep));
      EXPECT_EQ(ap.DMPaper(), ep.DMPaper());
      EXPECT_EQ(ap.Header(), ep.Header());
      EXPECT_EQ(ap.Orientation(), ep.Orientation());
      EXPECT_EQ(ap.ScaleMode(), ep.ScaleMode());
      EXPECT_EQ(ap.FitToPagesByWide(), ep.FitToPagesByWide());
      EXPECT_EQ(ap.Margins().Rect(), ep.Margins().Rect());
      for (int part = tpLeft; part <= tpRight; ++part) {
        EXPECT_EQ(ap.PageHeader().Title(TdxPageTitlePart(part)), ep.PageHeader().Title(TdxPageTitlePart(part)));
        EXPECT_EQ(ap.PageFooter().Title(TdxPageTitlePart(part)), ep.PageFooter().Title(TdxPageTitlePart(part)));
      }
      EXPECT_EQ(a.StyleGlyph().Empty(), e.StyleGlyph().Empty());
      if (!e.StyleGlyph().Empty()) {
        EXPECT_EQ(a.StyleGlyph().Width(), e.StyleGlyph().Width());
        EXPECT_EQ(PixelRGB(a.StyleGlyph().Image(), 0, 0), PixelRGB(e.StyleGlyph().Image(), 0, 0));
      }
    }
  }

  ScratchDir dir;
};

TEST_F(PrintStyleStorageTest, SavedStylesLoadBackWithTheSamePages) {
  TdxPrintStyleManager source(&owner);
  source.Version = 7;
  Fill(source);
  const std::string file = dir.Path("styles.dat");
  ASSERT_TRUE(source.SaveToFile(file));
  const std::string bytes = ReadFile(file);
  ASSERT_GE(bytes.size(), 8u);
  EXPECT_EQ(bytes.substr(0, 8), std::string("\x07\0\0\0\x01\0\0\0", 8));  // version, current index

  TdxPrintStyleManager target(&owner);
  target.Version = 7;
  Add(target, "Eski");
  NotificationLog log(target);
  ASSERT_TRUE(target.LoadFromFile(file));
  ExpectSameStyles(source, target);
  EXPECT_TRUE(Messages.empty());
  // One list and one current notification, the page notification first.
  EXPECT_EQ(log.Entries, (std::vector<std::string>{"page", "list", "bus-list", "current"}));
  ASSERT_EQ(log.Pages.size(), 1u);
  EXPECT_EQ(log.Pages[0].Style, static_cast<TdxObject*>(target.CurrentStyle()));

  // And once more through the bytes (the stored file is stable).
  TdxPrintStyleManager again(&owner);
  again.Version = 7;
  ASSERT_TRUE(again.LoadFromBytes(target.SaveToBytes()));
  ExpectSameStyles(source, again);
  EXPECT_EQ(target.SaveToBytes(), source.SaveToBytes());
}

TEST_F(PrintStyleStorageTest, FileOfAnotherVersionIsIgnored) {
  TdxPrintStyleManager source(&owner);
  source.Version = 2;
  Fill(source);
  const std::string file = dir.Path("styles.dat");
  source.SaveToFile(file);

  TdxPrintStyleManager target(&owner);
  TBasedxPrintStyle* kept = Add(target, "Eski");
  NotificationLog log(target);
  EXPECT_FALSE(target.LoadFromFile(file));
  EXPECT_EQ(target.Count(), 1);
  EXPECT_EQ(target.Styles(0), kept);
  EXPECT_TRUE(Messages.empty());
  EXPECT_TRUE(log.Entries.empty());
  EXPECT_FALSE(target.LoadFromFile(dir.Path("missing.dat")));  // no file: nothing
  EXPECT_TRUE(Messages.empty());
}

TEST_F(PrintStyleStorageTest, EveryTruncationIsReportedAndKeepsThePreviousStyles) {
  TdxPrintStyleManager source(&owner);
  Fill(source);
  const TBytes bytes = source.SaveToBytes();

  TdxPrintStyleManager target(&owner);
  TBasedxPrintStyle* a = Add(target, "Eski A");
  TBasedxPrintStyle* b = Add(target, "Eski B");
  target.SetCurrentStyle(b);
  NotificationLog log(target);
  for (std::size_t size = 0; size < bytes.size(); ++size) {
    SCOPED_TRACE(size);
    EXPECT_THROW(target.LoadFromBytes(TByteView(bytes.data(), size)), Exception);
    ASSERT_EQ(target.Count(), 2);
  }
  EXPECT_EQ(target.Styles(0), a);
  EXPECT_EQ(target.Styles(1), b);
  EXPECT_EQ(target.CurrentStyle(), b);
  EXPECT_FALSE(target.IsUpdating());
  EXPECT_FALSE(target.IsLoading());
  EXPECT_TRUE(log.Entries.empty());

  // Through a file: a message that names the file, and the same styles.
  const std::string file = dir.Write("cut.dat", TByteView(bytes.data(), bytes.size() / 2));
  EXPECT_FALSE(target.LoadFromFile(file));
  ASSERT_EQ(Messages.size(), 1u);
  EXPECT_NE(Messages[0].find("Cannot load print styles from \"" + file + "\"."), std::string::npos);
  EXPECT_NE(Messages[0].find("The previous print styles are kept."), std::string::npos);
  EXPECT_EQ(target.Styles(0), a);
}

TEST_F(PrintStyleStorageTest, HostileContentIsRejected) {
  TdxPrintStyleManager target(&owner);
  TBasedxPrintStyle* kept = Add(target, "Eski");
  // The file: the two 32-bit fields, then what body writes.
  auto load = [&](void (*body)(TdxComponentStreamWriter&)) {
    TdxComponentStreamWriter writer;
    body(writer);
    TBytes bytes = Int32Bytes(0, 0);
    bytes.insert(bytes.end(), writer.Bytes().begin(), writer.Bytes().end());
    return dir.Write("hostile.dat", bytes);
  };
  int index = 0;
  // A count far beyond the bytes, a negative count, a class that is no print
  // style, a property of the wrong type, a glyph that is no picture, fewer
  // styles than counted, another kind of stream altogether.
  for (auto body : std::initializer_list<void (*)(TdxComponentStreamWriter&)>{
           [](TdxComponentStreamWriter& w) {
             w.BeginObject("TdxPrintStyleManager", "");
             w.WriteProperty("StyleCount", std::int64_t(2147483647));
             w.EndObject();
           },
           [](TdxComponentStreamWriter& w) {
             w.BeginObject("TdxPrintStyleManager", "");
             w.WriteProperty("StyleCount", std::int64_t(-1));
             w.EndObject();
           },
           [](TdxComponentStreamWriter& w) {
             w.BeginObject("TdxPrintStyleManager", "");
             w.WriteProperty("StyleCount", std::int64_t(1));
             w.BeginObject("TdxPrinterPage", "x");
             w.EndObject();
             w.EndObject();
           },
           [](TdxComponentStreamWriter& w) {
             w.BeginObject("TdxPrintStyleManager", "");
             w.WriteProperty("StyleCount", std::int64_t(1));
             w.BeginObject("TdxPSPrintStyle", "x");
             w.WriteProperty("StyleCaption", std::int64_t(5));
             w.EndObject();
             w.EndObject();
           },
           [](TdxComponentStreamWriter& w) {
             w.BeginObject("TdxPrintStyleManager", "");
             w.WriteProperty("StyleCount", std::int64_t(1));
             w.BeginObject("TdxPSPrintStyle", "x");
             w.WriteProperty("StyleGlyph", TBytes{'B', 'M', 1, 2, 3});
             w.EndObject();
             w.EndObject();
           },
           [](TdxComponentStreamWriter& w) {
             w.BeginObject("TdxPrintStyleManager", "");
             w.WriteProperty("StyleCount", std::int64_t(2));
             w.BeginObject("TdxPSPrintStyle", "x");
             w.EndObject();
             w.EndObject();
           },
           [](TdxComponentStreamWriter& w) {
             w.BeginObject("TdxSaver", "");
             w.EndObject();
           }}) {
    SCOPED_TRACE(index++);
    Messages.clear();
    EXPECT_FALSE(target.LoadFromFile(load(body)));
    EXPECT_EQ(Messages.size(), 1u);
    ASSERT_EQ(target.Count(), 1);
    EXPECT_EQ(target.Styles(0), kept);
  }
}

TEST_F(PrintStyleStorageTest, FailedSaveKeepsTheOldFile) {
  TdxPrintStyleManager manager(&owner);
  Fill(manager);
  const std::string file = dir.Path("styles.dat");
  ASSERT_TRUE(manager.SaveToFile(file));
  const std::string before = ReadFile(file);

  // A name the stream cannot hold: nothing is written.
  manager.Styles(0)->setObjectName(QString(300, QChar('x')));
  EXPECT_THROW(manager.SaveToFile(file), Exception);
  EXPECT_EQ(ReadFile(file), before);

  // A name that fails the file-name test is not even tried.
  EXPECT_FALSE(manager.SaveToFile(dir.Path("a|b.dat")));
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.Path("a|b.dat"))));

  // The target cannot be replaced: no temporary file stays behind.
  manager.Styles(0)->setObjectName("psDikey");
  const std::string blocked = dir.Path("blocked");
  ASSERT_TRUE(QDir().mkpath(QString::fromStdString(blocked)));
  EXPECT_THROW(manager.SaveToFile(blocked), Exception);
  const QStringList entries = QDir(QString::fromStdString(dir.Path(""))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries);
  EXPECT_EQ(entries, (QStringList{"blocked", "styles.dat"}));
}

TEST_F(PrintStyleStorageTest, AutoSaveWritesOnDestructionAndLoadsAfterLoading) {
  const std::string file = dir.Path("auto.dat");
  {
    TdxPrintStyleManager manager(&owner);
    manager.AutoSave = true;
    manager.StorageName = file;
    Fill(manager);
  }
  ASSERT_TRUE(QFile::exists(QString::fromStdString(file)));
  // The styles outlived the manager: they belong to the owner.
  EXPECT_EQ(owner.findChildren<TBasedxPrintStyle*>().size(), 3);
  qDeleteAll(owner.findChildren<TBasedxPrintStyle*>());

  TdxPrintStyleManager loaded(&owner);
  loaded.AutoSave = true;
  loaded.StorageName = file;
  loaded.Loaded();
  ASSERT_EQ(loaded.Count(), 3);
  EXPECT_EQ(loaded.CurrentStyleIndex(), 1);
  EXPECT_EQ(loaded.Styles(2)->StyleCaption(), "Sığdır");
  loaded.AutoSave = false;
}

// ---- Auto-text entries ----------------------------------------------------------------

TEST_F(PrintStyleTest, AutoTextEntriesStartWithTheDefaultsAndIgnoreDuplicates) {
  TdxPrintStyleManager manager(&owner);
  std::vector<std::string> defaults;
  DefaultAutoTextEntries(defaults);
  NotificationLog log(manager);
  EXPECT_EQ(manager.AutoHFTextEntries(), defaults);
  EXPECT_FALSE(defaults.empty());
  EXPECT_FALSE(manager.AddAutoHFTextEntry(defaults[0]));
  std::string shouted = defaults[1];
  for (char& c : shouted) c = char(std::toupper(static_cast<unsigned char>(c)));
  EXPECT_FALSE(manager.AddAutoHFTextEntry(shouted));
  EXPECT_EQ(log.TextEntryChanges, 0);
  EXPECT_TRUE(manager.AddAutoHFTextEntry("Gizli"));
  EXPECT_EQ(log.TextEntryChanges, 1);
  manager.SetAutoHFTextEntries({"A", "B", "a"});
  EXPECT_EQ(manager.AutoHFTextEntries(), (std::vector<std::string>{"A", "B"}));
  manager.DeleteAutoHFTextEntry(9);
  manager.DeleteAutoHFTextEntry(0);
  EXPECT_EQ(manager.AutoHFTextEntries(), std::vector<std::string>{"B"});
  EXPECT_EQ(log.TextEntryChanges, 3);
}

TEST_F(PrintStyleTest, AutoTextEntriesGoThroughTheSettingsStoreOnlyWithARegistryPath) {
  ScratchDir dir;
  SetRegistryFile(dir.Path("registry.ini"));
  const std::string savedPath = dxPSEngine()->RegistryPath;
  std::vector<std::string> entries;
  for (int i = 0; i < 12; ++i) entries.push_back("Entry " + std::to_string(i));

  // Without a path nothing is stored.
  {
    TdxPrintStyleManager manager(&owner);
    manager.setObjectName("psm");
    EXPECT_EQ(manager.AutoHFTextEntriesKey(), "");
    manager.SetAutoHFTextEntries(entries);
  }
  EXPECT_FALSE(QFile::exists(QString::fromStdString(dir.Path("registry.ini"))));

  dxPSEngine()->RegistryPath = "Software\\Ardel";
  {
    TdxPrintStyleManager manager(&owner);
    manager.setObjectName("psm");
    EXPECT_EQ(manager.AutoHFTextEntriesKey(), "Software\\Ardel\\AutoHFTextEntries\\psm");
    manager.SetAutoHFTextEntries(entries);
  }
  {
    TRegistry registry;
    ASSERT_TRUE(registry.OpenKeyReadOnly("Software\\Ardel\\AutoHFTextEntries\\psm"));
    EXPECT_EQ(registry.ReadString("11"), "Entry 11");
  }
  TdxPrintStyleManager manager(&owner);
  manager.setObjectName("psm");
  NotificationLog log(manager);
  manager.Loaded();
  EXPECT_EQ(manager.AutoHFTextEntries(), entries);  // in index order, "10" after "9"
  EXPECT_EQ(log.TextEntryChanges, 1);

  dxPSEngine()->RegistryPath = savedPath;
  SetRegistryFile("");
}

}  // namespace
