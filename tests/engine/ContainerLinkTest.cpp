#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QTabWidget>

#include "engine/ComponentPrinter.h"
#include "engine/ContainerProducers.h"
#include "engine/ContainerReportLink.h"
#include "layout/ReportRenderer.h"
#include "report/CheckItems.h"
#include "report/ShapeItems.h"
#include "tests/engine/ContainerLinkTestSupport.h"

namespace {

// A widget that paints a fixed text: a control without a dedicated producer.
class TextPainter : public QWidget {
 public:
  using QWidget::QWidget;
  QString Text = "Sorvan picture";

 protected:
  void paintEvent(QPaintEvent*) override {
    QPainter p(this);
    p.fillRect(rect(), Qt::yellow);
    p.drawText(rect(), Qt::AlignCenter, Text);
  }
};

class ContainerLinkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    form = std::make_unique<QWidget>();
    form->setObjectName("Form");
    form->resize(400, 300);
    link.SetComponent(form.get());
  }
  void Show() {
    form->show();
    QApplication::processEvents();
  }
  // Builds the report; answers the root host.
  TdxReportCell* Build() {
    cells = std::make_unique<TdxReportCells>();
    link.ConstructReport(*cells);
    return cells->Cells()->CellCount() ? cells->Cells()->Cells(0) : nullptr;
  }
  template <class W>
  W* Add(QWidget* parent, const char* name, QRect geometry) {
    auto* w = new W(parent);
    w->setObjectName(name);
    w->setGeometry(geometry);
    return w;
  }

  std::unique_ptr<QWidget> form;
  TdxCustomContainerReportLink link;
  std::unique_ptr<TdxReportCells> cells;
};

}  // namespace

// ---- Control classes and producer resolution --------------------------------------

TEST(ContainerLinkClasses, QtWidgetsCountAsTheirControlClasses) {
  QWidget window;
  EXPECT_EQ(dxComponentClassOf(&window), &TFormClass);
  EXPECT_EQ(dxComponentClassOf(nullptr), nullptr);
  QObject plain;
  EXPECT_EQ(dxComponentClassOf(&plain), &TComponentClass);

  auto* label = new QLabel(&window);
  auto* edit = new QLineEdit(&window);
  auto* memo = new QPlainTextEdit(&window);
  auto* calendar = new QCalendarWidget(&window);
  auto* panel = new QFrame(&window);
  auto* line = new QFrame(&window);
  line->setFrameShape(QFrame::HLine);
  auto* generic = new TextPainter(&window);
  auto* tabs = new QTabWidget(&window);
  auto* sheet = new QWidget;
  tabs->addTab(sheet, "One");
  auto* stack = new QStackedWidget(&window);
  auto* page = new QWidget;
  stack->addWidget(page);
  auto* scroll = new QScrollArea(&window);

  EXPECT_EQ(dxComponentClassOf(label), &TCustomLabelClass);
  EXPECT_FALSE(dxIsWinControl(label));
  EXPECT_EQ(dxComponentClassOf(edit), &TCustomEditClass);
  EXPECT_EQ(dxComponentClassOf(memo), &TCustomMemoClass);
  EXPECT_EQ(dxComponentClassOf(calendar), &TMonthCalendarClass);
  EXPECT_EQ(dxComponentClassOf(panel), &TPanelClass);
  EXPECT_EQ(dxComponentClassOf(line), &TBevelClass);
  EXPECT_FALSE(dxIsWinControl(line));
  EXPECT_EQ(dxComponentClassOf(generic), &TCustomControlClass);
  EXPECT_TRUE(dxIsWinControl(generic));
  EXPECT_EQ(dxComponentClassOf(tabs), &TPageControlClass);
  EXPECT_EQ(dxComponentClassOf(sheet), &TTabSheetClass);
  EXPECT_EQ(dxComponentClassOf(stack), &TNotebookClass);
  EXPECT_EQ(dxComponentClassOf(page), &TPageClass);
  EXPECT_EQ(dxComponentClassOf(scroll), &TScrollBoxClass);
  EXPECT_TRUE(InheritsFrom(&TFormClass, &TScrollingWinControlClass));

  // A widget may name its class.
  generic->setProperty(dxControlClassProperty, "TShape");
  EXPECT_EQ(dxComponentClassOf(generic), &TShapeClass);
  generic->setProperty(dxControlClassProperty, "TNoSuchControl");
  EXPECT_EQ(dxComponentClassOf(generic), &TCustomControlClass);

  // Page parents: the tab widget, not its internal stack.
  EXPECT_EQ(dxControlParent(sheet), tabs);
  EXPECT_EQ(dxControlChildren(tabs), std::vector<QWidget*>{sheet});
}

TEST_F(ContainerLinkTest, ProducersResolveAsRegistered) {
  auto* label = Add<QLabel>(form.get(), "Label1", {0, 0, 50, 20});
  auto* edit = Add<QLineEdit>(form.get(), "Edit1", {0, 30, 50, 20});
  auto* painter = Add<TextPainter>(form.get(), "Paint1", {0, 60, 50, 20});
  auto* calendar = Add<QCalendarWidget>(form.get(), "Calendar1", {0, 90, 200, 150});
  auto* panel = Add<QFrame>(form.get(), "Panel1", {100, 0, 50, 50});
  auto* splitter = new QSplitter(form.get());
  splitter->addWidget(new QWidget);
  splitter->addWidget(new QWidget);
  QWidget* handle = splitter->handle(1);

  EXPECT_EQ(link.ProducerClassFor(form.get()), TdxPSCustomFormProducer::StaticClass());
  EXPECT_EQ(link.ProducerClassFor(label), TdxPSCustomLabelProducer::StaticClass());
  EXPECT_EQ(link.ProducerClassFor(edit), TdxPSCustomEditProducer::StaticClass());
  EXPECT_EQ(link.ProducerClassFor(panel), TdxPSCustomPanelProducer::StaticClass());
  // No dedicated producer: the last one registered for TWinControl
  // (TControl), replaced by its metafile substitute.
  EXPECT_EQ(link.ProducerClassFor(painter), TdxPSWinControlAsMetafileProducer::StaticClass());
  EXPECT_EQ(link.ProducerClassFor(calendar), TdxPSWinControlAsMetafileProducer::StaticClass());
  EXPECT_EQ(link.ProducerClassFor(handle), TdxPSControlAsMetafileProducer::StaticClass());
  EXPECT_EQ(TdxPSContainerWinControlProducer::StaticClass()->SubstituteProducerClass(),
            TdxPSWinControlAsMetafileProducer::StaticClass());
  EXPECT_EQ(TdxPSContainerControlProducer::StaticClass()->SubstituteProducerClass(),
            TdxPSControlAsMetafileProducer::StaticClass());
  EXPECT_EQ(TdxPSCustomEditProducer::StaticClass()->SubstituteProducerClass(), nullptr);

  // Factories: each registration goes to the front.
  TdxPSContainerItemProducerFactory* producers = TdxPSContainerItemProducerFactory::Instance();
  EXPECT_EQ(producers->Count(), 30);
  EXPECT_EQ(producers->Items(0), TdxPSCustomComboBoxExProducer::StaticClass());
  EXPECT_EQ(producers->Items(producers->Count() - 1), TdxPSCustomContainerItemProducer::StaticClass());
  EXPECT_LT(producers->IndexOf(TdxPSCustomContainerProducer::StaticClass()), 0);
  EXPECT_LT(producers->IndexOf(TdxPSRootContainerProducer::StaticClass()), 0);
  EXPECT_EQ(TdxPSProducerHelperFactory::Instance()->Items(0), TdxPSWinControlAsMetafileProducer::StaticClass());
  EXPECT_EQ(TdxPSContainerBuilderFactory::Instance()->FindItem(&TPanelClass), TdxPSContainerBuilder::StaticClass());

  // Reenterable producers are cached once per class; the producing object
  // follows the request.
  TdxPSCustomProducer* a = link.ProducerFor(edit);
  auto* edit2 = Add<QLineEdit>(form.get(), "Edit2", {0, 0, 10, 10});
  TdxPSCustomProducer* b = link.ProducerFor(edit2);
  EXPECT_EQ(a, b);
  EXPECT_EQ(b->ProducingObject(), edit2);
}

TEST(ContainerLinkClasses, RegistryEntriesAndItemClasses) {
  EXPECT_EQ(dxFindClass("TdxReportWinControlHost"), TdxReportWinControlHost::StaticClass());
  EXPECT_EQ(dxFindClass("TdxReportNativePrintableControlHost"), TdxReportNativePrintableControlHost::StaticClass());
  std::vector<TdxClass> components;
  for (const TdxReportLinkRegistryEntry& e : dxPSReportLinkRegistry())
    if (e.LinkClass == TdxCustomContainerReportLink::StaticClass()) components.push_back(e.ComponentClass);
  // Registered in the order TPanel ... TCustomFrame, each at the front.
  const std::vector<TdxClass> expected = {&TCustomFrameClass,    &TCustomFormClass, &TNotebookClass, &TPageClass,
                                          &TTabbedNotebookClass, &TTabPageClass,    &TPageControlClass,
                                          &TTabSheetClass,       &TTabControlClass, &TScrollBoxClass, &TPanelClass};
  EXPECT_EQ(components, expected);
  EXPECT_FALSE(dxPSIsAggregatableReportLink(TdxCustomContainerReportLink::StaticClass()));
  EXPECT_FALSE(dxPSIsAggregatableReportLink(nullptr));
}

// ---- Building -----------------------------------------------------------------------

TEST_F(ContainerLinkTest, FormBecomesRootHostWithItsControls) {
  auto* label = Add<QLabel>(form.get(), "Label1", {10, 20, 80, 16});
  label->setText("Name:");
  label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  auto* edit = Add<QLineEdit>(form.get(), "Edit1", {100, 18, 120, 22});
  edit->setText("Ardel");
  Show();

  TdxReportCell* root = Build();
  ASSERT_NE(root, nullptr);
  EXPECT_EQ(root->ClassType(), TdxReportWinControlHost::StaticClass());
  EXPECT_EQ(root->BoundsRect(), TRect(0, 0, 400, 300));
  EXPECT_EQ(cells->Cells()->Width(), 400);
  EXPECT_EQ(cells->Cells()->Height(), 300);
  EXPECT_TRUE(root->Transparent());
  EXPECT_TRUE(root->OpaqueToParent());

  // Data items: the form's own item first, then the label.
  ASSERT_EQ(root->DataItemCount(), 2);
  TAbstractdxReportCellData* own = root->DataItems(0);
  EXPECT_EQ(own->ClassType(), TAbstractdxReportCellData::StaticClass());
  EXPECT_EQ(own->BoundsRect(), TRect(0, 0, 400, 300));
  EXPECT_EQ(own->CellSides(), 0u);  // RootBorders off
  EXPECT_TRUE(own->Transparent());  // OptionsTransparent.Root
  EXPECT_EQ(link.ComponentOf(*own), form.get());

  auto* text = dynamic_cast<TdxReportCellString*>(root->DataItems(1));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetText(), "Name:");
  EXPECT_EQ(text->BoundsRect(), Bounds(10, 20, 80, 16));
  EXPECT_EQ(text->TextAlignX(), taRight);
  EXPECT_EQ(text->TextAlignY(), taCenterY);
  EXPECT_EQ(text->CellSides(), 0u);
  EXPECT_EQ(link.ComponentOf(*text), label);

  // The edit: a host at its place holding a text item that fills it.
  ASSERT_EQ(root->CellCount(), 1);
  TdxReportCell* host = root->Cells(0);
  EXPECT_EQ(host->ClassType(), TdxReportWinControlHost::StaticClass());
  EXPECT_EQ(host->BoundsRect(), Bounds(100, 18, 120, 22));
  ASSERT_EQ(host->DataItemCount(), 1);
  auto* editText = dynamic_cast<TdxReportCellString*>(host->DataItems(0));
  ASSERT_NE(editText, nullptr);
  EXPECT_EQ(editText->GetText(), "Ardel");
  EXPECT_EQ(editText->BoundsRect(), Bounds(0, 0, 120, 22));
  EXPECT_EQ(editText->CellSides(), dxFormatSides);
  EXPECT_EQ(editText->BorderClass(), TdxPSCellSunkenBorder::StaticClass());
  EXPECT_FALSE(editText->Transparent());  // OptionsTransparent.Controls off

  // Definitions in production order: label, edit, then the form itself.
  ASSERT_EQ(link.DefinitionCount(), 3);
  EXPECT_EQ(link.Definitions(0)->Component(), label);
  EXPECT_EQ(link.Definitions(1)->Component(), edit);
  EXPECT_EQ(link.Definitions(2)->Component(), form.get());
  EXPECT_EQ(link.Definitions(1)->ClassType(), TdxPSContainerWinControlDefinition::StaticClass());
  EXPECT_EQ(link.Definitions(1)->SizeChangeItem(), host);
  EXPECT_EQ(link.Definitions(2)->ClassType(), TdxPSContainerDefinition::StaticClass());
  EXPECT_EQ(link.CurrentBuilder(), nullptr);
  EXPECT_EQ(link.ScreenDC(), nullptr);

  // A rebuild replaces the report.
  link.ConstructReport(*cells);
  EXPECT_EQ(cells->Cells()->CellCount(), 1);
  EXPECT_EQ(link.DefinitionCount(), 3);
}

TEST_F(ContainerLinkTest, NonWindowedChildrenAreProducedFromTheLast) {
  Add<QLabel>(form.get(), "A", {0, 0, 20, 10});
  Add<QLabel>(form.get(), "B", {0, 20, 20, 10});
  Add<QLabel>(form.get(), "C", {0, 40, 20, 10});
  Show();
  TdxReportCell* root = Build();
  ASSERT_EQ(root->DataItemCount(), 4);
  EXPECT_EQ(link.ComponentOf(*root->DataItems(0)), form.get());
  EXPECT_EQ(link.ComponentOf(*root->DataItems(1))->objectName(), "C");
  EXPECT_EQ(link.ComponentOf(*root->DataItems(3))->objectName(), "A");
}

TEST_F(ContainerLinkTest, InvisibleChildIsSkippedUntilShown) {
  auto* edit = Add<QLineEdit>(form.get(), "Edit1", {10, 10, 100, 20});
  auto* empty = Add<QLineEdit>(form.get(), "Empty", {10, 40, 0, 20});
  edit->hide();
  Show();
  TdxReportCell* root = Build();
  EXPECT_EQ(root->CellCount(), 0);
  EXPECT_EQ(ItemOf(link, edit), nullptr);
  EXPECT_EQ(ItemOf(link, empty), nullptr);

  edit->show();
  root = Build();
  ASSERT_EQ(root->CellCount(), 1);
  EXPECT_EQ(HostOf(link, edit), root->Cells(0));
}

TEST_F(ContainerLinkTest, HiddenAndExcludedChildrenAreNotPrinted) {
  auto* a = Add<QLineEdit>(form.get(), "A", {0, 0, 50, 20});
  auto* b = Add<QLineEdit>(form.get(), "B", {0, 30, 50, 20});
  auto* c = Add<QLineEdit>(form.get(), "C", {0, 60, 50, 20});
  QWidget outsider;
  Show();

  EXPECT_TRUE(link.AddExcludedComponent(a));
  EXPECT_FALSE(link.AddExcludedComponent(a));  // once
  EXPECT_TRUE(link.AddHiddenComponent(b));
  EXPECT_FALSE(link.AddHiddenComponent(&outsider));   // not inside the component
  EXPECT_FALSE(link.AddHiddenComponent(form.get()));  // nor the component itself
  EXPECT_TRUE(link.IsExcludedComponent(a));
  EXPECT_FALSE(link.IsHiddenComponent(a));

  Build();
  EXPECT_EQ(ItemOf(link, a), nullptr);
  EXPECT_EQ(ItemOf(link, b), nullptr);
  EXPECT_NE(ItemOf(link, c), nullptr);
  EXPECT_FALSE(link.IsComponentProcessed(a));
  EXPECT_TRUE(link.IsComponentProcessed(c));

  link.RemoveExcludedComponent(a);
  link.ClearHiddenComponents();
  Build();
  EXPECT_NE(ItemOf(link, a), nullptr);
  EXPECT_NE(ItemOf(link, b), nullptr);

  // The event has the last word.
  link.OnIsComponentProcessed = [c](TdxCustomContainerReportLink&, QObject* x, bool& processed) {
    if (x == c) processed = false;
  };
  Build();
  EXPECT_EQ(ItemOf(link, c), nullptr);
}

TEST_F(ContainerLinkTest, ListsForgetDestroyedComponentsAndClearOnNewComponent) {
  auto* a = Add<QLineEdit>(form.get(), "A", {0, 0, 50, 20});
  auto* b = Add<QLineEdit>(form.get(), "B", {0, 30, 50, 20});
  link.AddHiddenComponent(a);
  link.AddExcludedComponent(b);
  delete a;
  EXPECT_EQ(link.HiddenComponentCount(), 0);
  EXPECT_EQ(link.ExcludedComponentCount(), 1);

  QWidget other;
  link.SetComponent(&other);
  EXPECT_EQ(link.ExcludedComponentCount(), 0);
}

TEST_F(ContainerLinkTest, HideStandardControlsHidesScrollBarsAndToolBars) {
  auto* bar = Add<QScrollBar>(form.get(), "ScrollBar1", {0, 0, 16, 100});
  auto* edit = Add<QLineEdit>(form.get(), "Edit1", {20, 0, 50, 20});
  link.HideStandardControls();
  EXPECT_TRUE(link.IsHiddenComponent(bar));
  EXPECT_FALSE(link.IsHiddenComponent(edit));
  link.UnhideStandardControls();
  EXPECT_EQ(link.HiddenComponentCount(), 0);
}

TEST_F(ContainerLinkTest, StoredListsAreResolvedAfterLoading) {
  auto* a = Add<QLineEdit>(form.get(), "EditA", {0, 0, 50, 20});
  auto* b = Add<QLineEdit>(form.get(), "EditB", {0, 30, 50, 20});
  link.AddHiddenComponent(a);
  link.AddExcludedComponent(b);
  TBytes hidden = link.WriteHiddenComponents();
  EXPECT_EQ(std::string(hidden.begin(), hidden.end()), "EditA\r\n");
  TdxCustomContainerReportLink empty;
  EXPECT_TRUE(empty.WriteExcludedComponents().empty());

  // Read back with a name whose component no longer exists.
  TdxCustomContainerReportLink loaded;
  std::string excluded = "EditB\r\nVanished\r\n";
  loaded.BeginLoading();
  loaded.ReadHiddenComponents(hidden);
  loaded.ReadExcludedComponents(TByteView(reinterpret_cast<const std::uint8_t*>(excluded.data()), excluded.size()));
  loaded.SetComponent(form.get());
  EXPECT_EQ(loaded.ExcludedComponentNames(), (std::vector<std::string>{"EditB", "Vanished"}));
  loaded.EndLoading();  // attaches the component: names are looked up
  EXPECT_TRUE(loaded.IsHiddenComponent(a));
  EXPECT_TRUE(loaded.IsExcludedComponent(b));
  EXPECT_EQ(loaded.ExcludedComponentNames(), std::vector<std::string>{"EditB"});

  // Damaged blocks: stray bytes and missing line ends are names or nothing.
  std::string junk = std::string("\0\r\n\n\rEditA", 10);
  loaded.ReadHiddenComponents(TByteView(reinterpret_cast<const std::uint8_t*>(junk.data()), junk.size()));
  loaded.Loaded();
  EXPECT_TRUE(loaded.IsHiddenComponent(a));
  EXPECT_EQ(loaded.HiddenComponentCount(), 1);
}

TEST_F(ContainerLinkTest, ScrolledFormPrintsAtUnscrolledPlacesOverTheWholeRange) {
  auto* area = Add<QScrollArea>(form.get(), "Scroll", form->rect());
  area->setFrameShape(QFrame::NoFrame);
  auto* content = new QWidget;
  content->resize(380, 1200);
  auto* top = Add<QLineEdit>(content, "Top", {10, 5, 100, 20});
  auto* bottom = Add<QLineEdit>(content, "Bottom", {10, 900, 100, 20});
  area->setWidget(content);
  Show();
  area->verticalScrollBar()->setValue(500);
  QApplication::processEvents();
  ASSERT_EQ(area->verticalScrollBar()->value(), 500);

  EXPECT_EQ(dxControlParent(bottom), form.get());
  EXPECT_EQ(dxControlBounds(bottom).Top, 400);  // where it shows now
  TdxReportCell* root = Build();
  // The window's client area: its width less the vertical scroll bar.
  EXPECT_EQ(root->Width(), 400 - area->verticalScrollBar()->width());
  EXPECT_EQ(root->Height(), 1200);
  EXPECT_EQ(HostOf(link, top)->BoundsRect(), Bounds(10, 5, 100, 20));
  EXPECT_EQ(HostOf(link, bottom)->BoundsRect(), Bounds(10, 900, 100, 20));
  EXPECT_EQ(ItemOf(link, area), nullptr);  // the form's own scroller is no control
}

TEST_F(ContainerLinkTest, ScrollBoxIsAScrollingContainer) {
  auto* box = Add<QScrollArea>(form.get(), "ScrollBox1", {20, 20, 200, 150});
  box->setFrameShape(QFrame::NoFrame);
  auto* content = new QWidget;
  content->resize(180, 600);
  auto* edit = Add<QLineEdit>(content, "Edit1", {5, 500, 80, 20});
  box->setWidget(content);
  Add<QLabel>(form.get(), "Label1", {250, 20, 50, 20});
  Show();
  box->verticalScrollBar()->setValue(450);
  QApplication::processEvents();

  EXPECT_EQ(link.ProducerClassFor(box), TdxPSScrollingWinControlProducer::StaticClass());
  Build();
  TdxReportCell* boxHost = HostOf(link, box);
  ASSERT_NE(boxHost, nullptr);
  EXPECT_EQ(boxHost->Left(), 20);
  EXPECT_EQ(boxHost->Height(), 600);
  EXPECT_EQ(HostOf(link, edit)->Parent(), boxHost);
  EXPECT_EQ(HostOf(link, edit)->Top(), 500);
}

TEST_F(ContainerLinkTest, PageControlPrintsOnlyTheActivePage) {
  auto* tabs = Add<QTabWidget>(form.get(), "PageControl1", {10, 10, 300, 200});
  auto* first = new QWidget;
  first->setObjectName("Sheet1");
  auto* second = new QWidget;
  second->setObjectName("Sheet2");
  auto* edit1 = Add<QLineEdit>(first, "Edit1", {5, 5, 80, 20});
  auto* edit2 = Add<QLineEdit>(second, "Edit2", {5, 5, 80, 20});
  tabs->addTab(first, "One");
  tabs->addTab(second, "Two");
  tabs->setCurrentIndex(1);
  Show();

  Build();
  TdxReportCell* tabsHost = HostOf(link, tabs);
  ASSERT_NE(tabsHost, nullptr);
  ASSERT_EQ(tabsHost->CellCount(), 1);
  EXPECT_EQ(HostOf(link, second), tabsHost->Cells(0));
  EXPECT_EQ(HostOf(link, first), nullptr);
  EXPECT_EQ(ItemOf(link, edit1), nullptr);
  ASSERT_NE(HostOf(link, edit2), nullptr);
  EXPECT_EQ(HostOf(link, edit2)->Parent(), HostOf(link, second));
  // The sheet sits where it shows inside the tab widget (below the tabs).
  QPoint sheetAt = second->mapTo(tabs, QPoint(0, 0));
  EXPECT_EQ(HostOf(link, second)->Top(), sheetAt.y());
  EXPECT_GT(sheetAt.y(), 0);
}

TEST_F(ContainerLinkTest, NotebookPrintsOnlyThePageAtItsIndex) {
  auto* book = Add<QStackedWidget>(form.get(), "Notebook1", {10, 10, 300, 200});
  auto* p1 = new QWidget;
  auto* p2 = new QWidget;
  auto* l1 = Add<QLabel>(p1, "L1", {0, 0, 40, 20});
  auto* l2 = Add<QLabel>(p2, "L2", {0, 0, 40, 20});
  book->addWidget(p1);
  book->addWidget(p2);
  book->setCurrentIndex(0);
  Show();
  Build();
  EXPECT_NE(ItemOf(link, l1), nullptr);
  EXPECT_EQ(ItemOf(link, l2), nullptr);
  EXPECT_EQ(link.ProducerClassFor(p1), TdxPSNotebookPageProducer::StaticClass());
}

TEST_F(ContainerLinkTest, PanelBecomesNestedHostWithItsChildren) {
  auto* panel = Add<QFrame>(form.get(), "Panel1", {30, 40, 200, 120});
  panel->setFrameShape(QFrame::StyledPanel);
  panel->setFrameShadow(QFrame::Raised);
  panel->setProperty("text", "Panel1");
  auto* label = Add<QLabel>(panel, "Label1", {8, 8, 60, 16});
  auto* edit = Add<QLineEdit>(panel, "Edit1", {8, 40, 100, 22});
  Show();

  TdxReportCell* root = Build();
  TdxReportCell* host = HostOf(link, panel);
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(host->Parent(), root);
  EXPECT_EQ(host->ClassType(), TdxReportWinControlHost::StaticClass());
  EXPECT_EQ(host->BoundsRect(), Bounds(30, 40, 200, 120));
  auto* own = dynamic_cast<TdxReportCellString*>(host->DataItems(0));
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(own->GetText(), "Panel1");
  EXPECT_EQ(own->BoundsRect(), Bounds(0, 0, 200, 120));
  EXPECT_TRUE(own->Transparent());  // OptionsTransparent.Containers
  EXPECT_EQ(ItemOf(link, label)->Parent(), host);
  EXPECT_EQ(ItemOf(link, label)->BoundsRect(), Bounds(8, 8, 60, 16));
  EXPECT_EQ(HostOf(link, edit)->Parent(), host);
  EXPECT_EQ(HostOf(link, edit)->AbsoluteRect(), Bounds(38, 80, 100, 22));

  // Nested containers are opaque when asked.
  link.OptionsTransparent().SetContainers(false);
  Build();
  EXPECT_FALSE(HostOf(link, panel)->DataItems(0)->Transparent());
}

TEST_F(ContainerLinkTest, GroupBoxAndRadioGroupItems) {
  auto* group = Add<QGroupBox>(form.get(), "Group1", {10, 10, 200, 100});
  group->setTitle("&Options");
  auto* check = Add<QCheckBox>(group, "Check1", {10, 20, 100, 20});
  check->setText("Bold");
  check->setChecked(true);
  auto* radios = Add<QGroupBox>(form.get(), "Radios", {10, 120, 200, 100});
  radios->setProperty(dxControlClassProperty, "TCustomRadioGroup");
  Add<QRadioButton>(radios, "R1", {10, 20, 80, 20})->setText("Left");
  Add<QRadioButton>(radios, "R2", {10, 45, 80, 20})->setText("Right");
  radios->findChild<QRadioButton*>("R2")->setChecked(true);
  Show();

  Build();
  auto* groupItem = dynamic_cast<TdxReportGroup*>(ItemOf(link, group));
  ASSERT_NE(groupItem, nullptr);
  EXPECT_EQ(groupItem->Caption, "Options");
  EXPECT_EQ(groupItem->Index(), 0);  // first among the host's cells
  auto* checkItem = dynamic_cast<TdxReportCellCheck*>(ItemOf(link, check));
  ASSERT_NE(checkItem, nullptr);
  EXPECT_TRUE(checkItem->Checked());
  EXPECT_EQ(checkItem->GetText(), "Bold");
  EXPECT_EQ(checkItem->CellSides(), 0u);

  auto* radioGroup = dynamic_cast<TdxReportRadioGroup*>(ItemOf(link, radios));
  ASSERT_NE(radioGroup, nullptr);
  ASSERT_EQ(radioGroup->ButtonCount(), 2);
  EXPECT_EQ(radioGroup->Buttons(1)->GetText(), "Right");
  EXPECT_EQ(radioGroup->ItemIndex(), 1);
  // The buttons are the group's own: no items of their own.
  EXPECT_EQ(ItemOf(link, radios->findChild<QRadioButton*>("R1")), nullptr);
}

TEST_F(ContainerLinkTest, ProducerFamiliesFillTheirItems) {
  auto* line = Add<QFrame>(form.get(), "Bevel1", {0, 0, 200, 4});
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);
  auto* shape = Add<QWidget>(form.get(), "Shape1", {0, 10, 40, 40});
  shape->setProperty(dxControlClassProperty, "TShape");
  shape->setProperty("Shape", "stEllipse");
  shape->setProperty("BrushColor", QColor(0, 128, 0));
  auto* combo = Add<QComboBox>(form.get(), "Combo1", {0, 60, 100, 22});
  combo->addItems({"Alpha", "Beta"});
  combo->setCurrentIndex(-1);
  auto* editable = Add<QComboBox>(form.get(), "Combo2", {0, 90, 100, 22});
  editable->setEditable(true);
  editable->setEditText("typed");
  auto* memo = Add<QPlainTextEdit>(form.get(), "Memo1", {120, 0, 100, 60});
  memo->setPlainText("one\ntwo");
  auto* picker = Add<QDateTimeEdit>(form.get(), "Picker1", {120, 70, 100, 22});
  picker->setProperty("ShowCheckbox", true);
  picker->setProperty("Checked", true);
  auto* stat = Add<QLabel>(form.get(), "Static1", {120, 100, 100, 20});
  stat->setProperty(dxControlClassProperty, "TCustomStaticText");
  stat->setFrameShape(QFrame::Box);
  stat->setText("static");
  auto* flat = Add<QLineEdit>(form.get(), "Flat1", {120, 130, 100, 20});
  flat->setFrame(false);
  auto* secret = Add<QLineEdit>(form.get(), "Secret", {120, 160, 100, 20});
  secret->setEchoMode(QLineEdit::Password);
  secret->setText("hunter2");
  Show();
  Build();

  TdxReportVisualItem* bevel = ItemOf(link, line);
  EXPECT_EQ(bevel->ClassType(), TdxReportCellBox::StaticClass());
  EXPECT_EQ(bevel->CellSides(), unsigned(isdTop));
  EXPECT_EQ(bevel->BorderClass(), TdxPSCellSunkenBorder::StaticClass());

  auto* ellipse = dynamic_cast<TdxReportCellEllipse*>(ItemOf(link, shape));
  ASSERT_NE(ellipse, nullptr);
  EXPECT_EQ(ellipse->ShapeColor(), TColor(RGBValue(0, 128, 0)));
  EXPECT_EQ(ellipse->Parent(), cells->Cells()->Cells(0));  // not windowed: no host

  EXPECT_EQ(dynamic_cast<TdxReportCellString*>(ItemOf(link, combo))->GetText(), "");
  EXPECT_EQ(dynamic_cast<TdxReportCellString*>(ItemOf(link, editable))->GetText(), "typed");
  auto* memoText = dynamic_cast<TdxReportCellString*>(ItemOf(link, memo));
  EXPECT_EQ(memoText->GetText(), "one\ntwo");
  EXPECT_TRUE(memoText->Multiline());
  auto* check = dynamic_cast<TdxReportCellCheck*>(ItemOf(link, picker));
  ASSERT_NE(check, nullptr);
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ(check->GetText(), picker->text().toStdString());
  auto* staticText = dynamic_cast<TdxReportCellString*>(ItemOf(link, stat));
  ASSERT_NE(staticText, nullptr);
  EXPECT_EQ(staticText->GetText(), "static");
  EXPECT_EQ(staticText->CellSides(), dxFormatSides);
  EXPECT_EQ(ItemOf(link, flat)->BorderClass(), TdxPSCellUltraFlatBorder::StaticClass());
  // A password is printed as the control shows it.
  EXPECT_EQ(dynamic_cast<TdxReportCellString*>(ItemOf(link, secret))->GetText().find("hunter2"), std::string::npos);
}

TEST_F(ContainerLinkTest, ControlWithoutProducerIsAPictureAndALabelIsText) {
  auto* painter = Add<TextPainter>(form.get(), "Painter1", {10, 10, 160, 40});
  auto* label = Add<QLabel>(form.get(), "Label1", {10, 60, 100, 16});
  label->setText("Plain text");
  link.OptionsTransparent().SetControls(true);
  Show();

  Build();
  TdxReportCell* host = HostOf(link, painter);
  ASSERT_NE(host, nullptr);
  ASSERT_EQ(host->DataItemCount(), 1);
  auto* graphic = dynamic_cast<TdxReportCellGraphic*>(host->DataItems(0));
  ASSERT_NE(graphic, nullptr);
  EXPECT_EQ(graphic->BoundsRect(), Bounds(0, 0, 160, 40));
  EXPECT_EQ(graphic->CellSides(), 0u);
  EXPECT_TRUE(graphic->Transparent());
  EXPECT_FALSE(graphic->ImageTransparent());
  auto* metafile = dynamic_cast<TMetafile*>(graphic->Image());
  ASSERT_NE(metafile, nullptr);
  EXPECT_EQ(metafile->Width(), 160);
  EXPECT_EQ(metafile->Height(), 40);
  EXPECT_NE(EmfTexts(*metafile).find("Sorvan picture"), std::string::npos) << EmfTexts(*metafile);

  // The picture plays back with the control's colours.
  QImage image(160, 40, QImage::Format_RGB32);
  image.fill(Qt::white);
  {
    QPainter p(&image);
    metafile->Draw(p, QRectF(0, 0, 160, 40));
  }
  EXPECT_EQ(QColor(image.pixel(3, 3)), QColor(Qt::yellow));

  EXPECT_NE(dynamic_cast<TdxReportCellString*>(ItemOf(link, label)), nullptr);
}

TEST_F(ContainerLinkTest, NonTrueTypeFontIsReplacedByTheLinksFont) {
  TFont linkFont;
  linkFont.Name = "Times New Roman";
  linkFont.SetSize(8);
  link.SetFont(linkFont);
  auto* odd = Add<QLabel>(form.get(), "Odd", {0, 0, 80, 20});
  odd->setFont(QFont("NoSuchFace Zq", 12));
  auto* good = Add<QLabel>(form.get(), "Good", {0, 30, 80, 20});
  QFont dejavu("DejaVu Sans");
  dejavu.setPixelSize(15);
  dejavu.setBold(true);
  good->setFont(dejavu);
  Show();

  EXPECT_FALSE(dxIsTrueTypeFont("NoSuchFace Zq"));
  EXPECT_TRUE(dxIsTrueTypeFont("DejaVu Sans"));
  EXPECT_TRUE(dxIsTrueTypeFont("dejavu sans"));  // cached, case ignored
  EXPECT_TRUE(dxIsTrueTypeFont("Arial"));        // stands in by a TrueType face

  Build();
  const TFont& replaced = link.FontPool().Font(ItemOf(link, odd)->FontIndex());
  EXPECT_EQ(replaced.Name, "Times New Roman");
  const TFont& kept = link.FontPool().Font(ItemOf(link, good)->FontIndex());
  EXPECT_EQ(kept.Name, "DejaVu Sans");
  EXPECT_EQ(kept.Height, -15);
  EXPECT_EQ(kept.Style, unsigned(fsBold));
}

TEST_F(ContainerLinkTest, DisabledControlGetsButtonColours) {
  auto* on = Add<QLineEdit>(form.get(), "On", {0, 0, 80, 20});
  auto* off = Add<QLineEdit>(form.get(), "Off", {0, 30, 80, 20});
  QPalette pal = on->palette();
  pal.setColor(QPalette::Base, QColor(10, 20, 30));
  pal.setColor(QPalette::Text, QColor(200, 0, 0));
  on->setPalette(pal);
  off->setPalette(pal);
  off->setEnabled(false);
  Show();

  Build();
  TdxReportVisualItem* onItem = ItemOf(link, on);
  TdxReportVisualItem* offItem = ItemOf(link, off);
  EXPECT_EQ(onItem->Color(), TColor(RGBValue(10, 20, 30)));
  EXPECT_EQ(link.FontPool().Font(onItem->FontIndex()).Color, TColor(RGBValue(200, 0, 0)));
  EXPECT_EQ(offItem->Color(), TColor(ColorToRGB(clBtnFace)));  // items keep plain colours
  EXPECT_EQ(link.FontPool().Font(offItem->FontIndex()).Color, clBtnText);
}

TEST_F(ContainerLinkTest, BreakPositionsFollowControlsAndScaleWithTheReport) {
  auto* edit = Add<QLineEdit>(form.get(), "Edit1", {10, 50, 100, 20});
  Show();
  Build();
  std::vector<int> horz, vert;
  link.GetDelimiters(horz, vert);
  EXPECT_EQ(horz, (std::vector<int>{0, 10, 110, 400}));
  EXPECT_EQ(vert, (std::vector<int>{0, 50, 70, 300}));

  link.ConvertCoords();
  link.GetDelimiters(horz, vert);
  int factor = dxPSReportUnitsPerInch() / 96;
  EXPECT_EQ(vert, (std::vector<int>{0, 50 * factor, 70 * factor, 300 * factor}));

  link.OptionsPagination().SetControls(false);
  Build();
  link.GetDelimiters(horz, vert);
  EXPECT_TRUE(horz.empty());
  EXPECT_TRUE(vert.empty());
  (void)edit;
}

TEST_F(ContainerLinkTest, PlaceOptionsResizeHostsToTheirContent) {
  auto* panel = Add<QFrame>(form.get(), "Panel1", {0, 0, 300, 200});
  Add<QLineEdit>(panel, "Edit1", {10, 10, 100, 40});
  int seen = 0;
  link.OnInitializeItemOptionsPlace = [&](TdxCustomContainerReportLink&, TdxReportVisualItem&, QObject* c,
                                          TdxCustomContainerReportLinkOptionsItemPlace& place) {
    ++seen;
    if (c == panel) {
      place.SetShrinkHeight(true);
      place.SetShrinkWidth(true);
    }
  };
  Show();
  Build();
  EXPECT_EQ(seen, 3);
  TdxReportCell* host = HostOf(link, panel);
  EXPECT_EQ(host->Height(), 50);
  EXPECT_EQ(host->Width(), 110);
  EXPECT_EQ(host->DataItems(0)->Height(), 50);  // the panel's item follows its host
}

TEST_F(ContainerLinkTest, OptionsDefaultsChangesAndCopies) {
  EXPECT_TRUE(link.OptionsBehavior().ConsumeExistingLinks());
  EXPECT_TRUE(link.OptionsDesignerTabs().AutoHideReportLinksIfEmpty());
  EXPECT_TRUE(link.OptionsPagination().ControlDetails());
  EXPECT_FALSE(link.OptionsRefinements().RootBorders());
  EXPECT_TRUE(link.OptionsTransparent().Containers());
  EXPECT_FALSE(link.OptionsTransparent().Controls());
  EXPECT_TRUE(link.OptionsTransparent().Root());
  EXPECT_FALSE(link.SupportedCustomDraw());
  EXPECT_TRUE(link.SupportsEmptyPages());

  link.RebuildNeeded = false;
  link.OptionsTransparent().SetControls(true);
  EXPECT_TRUE(link.RebuildNeeded);
  link.RebuildNeeded = false;
  link.OptionsTransparent().SetControls(true);  // unchanged
  EXPECT_FALSE(link.RebuildNeeded);

  TdxCustomContainerReportLinkOptionsTransparent copy;
  copy.Assign(&link.OptionsTransparent());
  EXPECT_TRUE(copy.Controls());

  // Only values that differ from the defaults are stored.
  TdxComponentStreamWriter writer;
  writer.BeginObject("TdxSaver", "");
  link.OptionsTransparent().WriteProperties(writer, "OptionsTransparent.");
  writer.EndObject();
  TdxComponentStreamReader reader(writer.Bytes());
  std::string cls, name, prop;
  TdxPropertyValue value;
  reader.BeginObject(cls, name);
  ASSERT_TRUE(reader.ReadProperty(prop, value));
  EXPECT_EQ(prop, "OptionsTransparent.Controls");
  EXPECT_FALSE(reader.ReadProperty(prop, value));

  link.SetSupportedCustomDraw(true);
  link.RestoreDefaults();
  EXPECT_FALSE(link.OptionsTransparent().Controls());
  EXPECT_FALSE(link.SupportedCustomDraw());
}

TEST_F(ContainerLinkTest, RootBordersAndCustomDraw) {
  auto* edit = Add<QLineEdit>(form.get(), "Edit1", {10, 10, 80, 20});
  link.OptionsRefinements().SetRootBorders(true);
  std::vector<QObject*> initialized;
  link.OnInitializeItem = [&](TdxCustomContainerReportLink&, TdxReportVisualItem&, QObject* c) {
    initialized.push_back(c);
  };
  Show();
  TdxReportCell* root = Build();
  EXPECT_EQ(root->DataItems(0)->CellSides(), dxFormatSides);
  EXPECT_EQ(initialized, (std::vector<QObject*>{edit, form.get()}));

  auto* item = dynamic_cast<TAbstractdxReportCellData*>(ItemOf(link, edit));
  ASSERT_NE(item, nullptr);
  EXPECT_FALSE(link.IsSupportedCustomDraw(*item));
  link.RebuildNeeded = false;
  link.SetSupportedCustomDraw(true);
  EXPECT_TRUE(link.RebuildNeeded);
  EXPECT_TRUE(link.IsSupportedCustomDraw(*item));
  QObject* drawn = nullptr;
  link.SetOnCustomDrawItem([&](TdxCustomContainerReportLink&, TCanvas&, TAbstractdxReportCellData&, QObject* c,
                               bool& done) {
    drawn = c;
    done = true;
  });
  TCanvas canvas(TDeviceCaps::Screen());
  EXPECT_TRUE(link.CustomDrawItem(*item, canvas, {}, {}));
  EXPECT_EQ(drawn, edit);
  // An item from elsewhere refers to nothing.
  TdxReportCellString stranger;
  stranger.Data = item->Data;
  EXPECT_FALSE(link.IsSupportedCustomDraw(stranger));
}

TEST_F(ContainerLinkTest, FailingProductionEndsTheConstructionCleanly) {
  Add<QLineEdit>(form.get(), "Edit1", {10, 10, 80, 20});
  link.OnInitializeItem = [](TdxCustomContainerReportLink&, TdxReportVisualItem&, QObject*) {
    throw EdxReportLink("producer failed");
  };
  Show();
  cells = std::make_unique<TdxReportCells>();
  EXPECT_THROW(link.ConstructReport(*cells), EdxReportLink);
  EXPECT_EQ(link.ScreenDC(), nullptr);
  EXPECT_EQ(link.CurrentBuilder(), nullptr);
  EXPECT_EQ(link.ConstructedCells(), nullptr);
}

// ---- Embedding the report of another link ------------------------------------------

namespace {

// A link of another kind: its report is one cell with a text.
class TTestEmbeddedLink : public TBasedxReportLink {
  DX_CLASS(TTestEmbeddedLink, TBasedxReportLink)

 public:
  static inline int Builds = 0;
  static inline int Alive = 0;
  TTestEmbeddedLink() { ++Alive; }
  ~TTestEmbeddedLink() override { --Alive; }

  void ConstructReport(TdxReportCells& cells) override {
    TBasedxReportLink::ConstructReport(cells);
    auto* cell = new TdxReportCell(cells.Cells());
    cell->SetBounds(0, 0, 150, 60);
    auto* text = new TdxReportCellString(cell);
    text->SetBounds(5, 5, 100, 20);
    text->SetText("embedded " + Component()->objectName().toStdString());
    TFont font;
    font.Name = "DejaVu Serif";
    font.SetSize(10);
    text->SetFontIndex(FontPool().Add(font));
    cells.Cells()->SetBounds(0, 0, 150, 60);
  }
  // Builds in report units, as a link's build does.
  void BuildReport() override {
    ++Builds;
    reportCells_ = std::make_unique<TdxReportCells>();
    ConstructReport(*reportCells_);
    reportCells_->Scale(dxPSReportUnitsPerInch(), 96);
  }
  void GetDelimiters(std::vector<int>& horz, std::vector<int>& vert) override {
    horz = {};
    vert = {20 * dxPSReportUnitsPerInch() / 96};
  }
};

}  // namespace

TEST_F(ContainerLinkTest, NativePrintableControlEmbedsTheReportOfItsLink) {
  dxPSRegisterReportLink(TTestEmbeddedLink::StaticClass(), &TCustomMemoClass, nullptr);
  if (dxPSLinkClassByComponentClass(&TCustomMemoClass) != TTestEmbeddedLink::StaticClass()) {
    dxPSUnregisterReportLink(TTestEmbeddedLink::StaticClass(), &TCustomMemoClass, nullptr);
    GTEST_SKIP() << "the link registry does not answer registered classes yet";
  }
  auto* memo = Add<QPlainTextEdit>(form.get(), "Memo1", {20, 30, 120, 50});
  std::vector<TdxPSReportLinkProcessingStage> stages;
  link.OnInitializeReportLink = [&](TdxCustomContainerReportLink&, TBasedxReportLink& embedded,
                                    TdxPSReportLinkProcessingStage stage) {
    EXPECT_EQ(dxPSAggregatingReportLink(&embedded), &link);
    stages.push_back(stage);
  };
  Show();
  int builds = TTestEmbeddedLink::Builds;

  EXPECT_EQ(link.ProducerClassFor(memo), TdxPSNativePrintableControlProducer::StaticClass());
  Build();
  EXPECT_EQ(TTestEmbeddedLink::Builds, builds + 1);
  EXPECT_EQ(TTestEmbeddedLink::Alive, 0);  // the temporary link is gone
  EXPECT_EQ(stages, (std::vector<TdxPSReportLinkProcessingStage>{psBefore, psAfter}));
  TdxReportCell* host = HostOf(link, memo);
  ASSERT_NE(host, nullptr);
  EXPECT_EQ(host->ClassType(), TdxReportNativePrintableControlHost::StaticClass());
  // The host grew to the embedded report; the copy is back in screen pixels.
  EXPECT_EQ(host->BoundsRect(), Bounds(20, 30, 150, 60));
  auto* item = dynamic_cast<TdxReportCell*>(ItemOf(link, memo));
  ASSERT_NE(item, nullptr);
  ASSERT_EQ(item->CellCount(), 1);
  auto* text = dynamic_cast<TdxReportCellString*>(item->Cells(0)->DataItems(0));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetText(), "embedded Memo1");
  EXPECT_EQ(text->BoundsRect(), Bounds(5, 5, 100, 20));
  EXPECT_EQ(link.FontPool().Font(text->FontIndex()).Name, "DejaVu Serif");
  EXPECT_EQ(text->Data, 0);
  // The embedded report's break position, moved to the control's place.
  std::vector<int> horz, vert;
  link.GetDelimiters(horz, vert);
  EXPECT_NE(std::find(vert.begin(), vert.end(), 30 + 20), vert.end());

  // A link handed in by the event is used and listed, not destroyed.
  TTestEmbeddedLink existing;
  link.OnGetComponentReportLink = [&](TdxCustomContainerReportLink&, QObject*, TBasedxReportLink*& l) {
    l = &existing;
  };
  Build();
  EXPECT_EQ(link.AggregatedReportLinkCount(), 1);
  EXPECT_EQ(link.AggregatedReportLinks(0), &existing);
  EXPECT_EQ(existing.Component(), nullptr);  // detached again
  dxPSUnregisterReportLink(TTestEmbeddedLink::StaticClass(), &TCustomMemoClass, nullptr);
}

TEST_F(ContainerLinkTest, ExistingLinkOfThePrinterIsConsumedAndForgottenWhenRemoved) {
  dxPSRegisterReportLink(TTestEmbeddedLink::StaticClass(), &TCustomMemoClass, nullptr);
  if (dxPSLinkClassByComponentClass(&TCustomMemoClass) != TTestEmbeddedLink::StaticClass()) {
    dxPSUnregisterReportLink(TTestEmbeddedLink::StaticClass(), &TCustomMemoClass, nullptr);
    GTEST_SKIP() << "the link registry does not answer registered classes yet";
  }
  auto* memo = Add<QPlainTextEdit>(form.get(), "Memo1", {20, 30, 120, 50});
  Show();
  auto* printer = new TdxComponentPrinter(form.get());
  auto* container = new TdxCustomContainerReportLink;
  printer->AddLink(container);
  container->SetComponent(form.get());
  auto* own = new TTestEmbeddedLink;
  printer->AddLink(own);
  own->SetComponent(memo);

  TdxReportCells report;
  container->ConstructReport(report);
  ASSERT_EQ(container->AggregatedReportLinkCount(), 1);
  EXPECT_EQ(container->AggregatedReportLinks(0), own);
  EXPECT_EQ(own->Component(), memo);  // it was attached already and stays so

  printer->RemoveLink(own);
  delete own;
  EXPECT_EQ(container->AggregatedReportLinkCount(), 0);
  EXPECT_EQ(container->AggregatedReportLinks(0), nullptr);

  // Without consuming, a temporary link prints the control.
  container->OptionsBehavior().SetConsumeExistingLinks(false);
  int alive = TTestEmbeddedLink::Alive;
  container->ConstructReport(report);
  EXPECT_EQ(TTestEmbeddedLink::Alive, alive);
  EXPECT_EQ(container->AggregatedReportLinkCount(), 0);
  auto* text = dynamic_cast<TdxReportCellString*>(
      dynamic_cast<TdxReportCell*>(ItemOf(*container, memo))->Cells(0)->DataItems(0));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetText(), "embedded Memo1");
  dxPSUnregisterReportLink(TTestEmbeddedLink::StaticClass(), &TCustomMemoClass, nullptr);
}
