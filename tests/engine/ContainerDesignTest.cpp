// The container link's design window ("Format Report"): opened through the
// component printer's DesignReport and driven while it runs: the control
// tree with its three check states and the link's lists behind it, the
// option boxes, Apply, OK and Cancel with the link's values kept and
// restored, the button row and the pop-up menu.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <QTreeWidgetItemIterator>
#include <set>

#include "engine/ComponentPrinter.h"
#include "engine/ContainerDesignWindow.h"
#include "engine/ContainerReportLink.h"
#include "platform/Application.h"
#include "platform/Canvas.h"
#include "platform/Exceptions.h"
#include "report/EngineSettings.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

using Window = TdxfmCustomContainerDesignWindow;

std::vector<std::string>& Errors() {
  static std::vector<std::string> errors;
  return errors;
}
void CollectError(const std::string&, const std::string& text) { Errors().push_back(text); }

void Click(QWidget* target, QPoint at, Qt::MouseButton button = Qt::LeftButton) {
  const QPointF local(at), global(target->mapToGlobal(at));
  QMouseEvent press(QEvent::MouseButtonPress, local, global, button, button, Qt::NoModifier);
  QApplication::sendEvent(target, &press);
  QMouseEvent release(QEvent::MouseButtonRelease, local, global, button, Qt::NoButton, Qt::NoModifier);
  QApplication::sendEvent(target, &release);
}

void PressKey(QWidget* target, int key, const QString& text = QString()) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
}

int State(const QTreeWidgetItem* item) { return TdxPSControlsTree::NodeObject(item)->State; }

class ContainerDesignTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dxPSRegisterContainerDesignWindow();
    Errors().clear();
    AnswerErrorBoxes(CollectError);
    FakePreviewWindow::OnExecute = nullptr;
    dxPSRegisterPreviewWindow("TFakePreviewWindow", [] { return new FakePreviewWindow; });

    form = std::make_unique<QWidget>();
    form->setObjectName("Form1");
    form->resize(400, 420);
    edit = Add<QLineEdit>(form.get(), "Edit1", {16, 0, 200, 24});
    calendar = Add<QCalendarWidget>(form.get(), "Calendar1", {16, 30, 300, 200});
    panel = Add<QFrame>(form.get(), "Panel1", {16, 240, 300, 120});
    panel->setFrameShape(QFrame::Panel);
    check = Add<QCheckBox>(panel, "CheckBox1", {8, 8, 120, 20});
    check->setText("Printed");
    inner = Add<QLineEdit>(panel, "Edit2", {8, 40, 120, 24});

    printer = std::make_unique<TdxComponentPrinter>();
    link = new TdxCustomContainerReportLink;
    link->SetName("yaziciLink1");
    printer->AddLink(link);
    link->SetComponent(form.get());
  }
  void TearDown() override {
    AnswerModal<TAbstractdxReportLinkDesignWindow>(nullptr);
    FakePreviewWindow::OnExecute = nullptr;
    dxPSUnregisterPreviewWindow("TFakePreviewWindow");
    dxPSReportLinkDialogs().TitleProperties = nullptr;
    AnswerErrorBoxes(nullptr);
    printer.reset();
    form.reset();
    dxPSUnregisterContainerDesignWindow();
  }

  template <class W>
  W* Add(QWidget* parent, const char* name, QRect geometry) {
    auto* w = new W(parent);
    w->setObjectName(name);
    w->setGeometry(geometry);
    return w;
  }

  // Runs the design window through the printer; drive() works on the shown
  // window. Answers DesignReport's result.
  bool Design(const std::function<void(Window&)>& drive) {
    int shown = 0;
    AnswerModal<TAbstractdxReportLinkDesignWindow>([&](TAbstractdxReportLinkDesignWindow& w) {
      ++shown;
      auto* window = dynamic_cast<Window*>(&w);
      ASSERT_NE(window, nullptr);
      EXPECT_TRUE(window->isVisible());
      EXPECT_EQ(window->ReportLink(), link);
      drive(*window);
    });
    struct CheckShown {
      int& shown;
      ~CheckShown() { EXPECT_EQ(shown, 1) << "the design window did not run"; }
    } checkShown{shown};
    return printer->DesignReport(link);
  }
  // The same inside a modal preview (Apply needs an open preview).
  bool DesignInPreview(const std::function<void(Window&)>& drive) {
    bool result = false;
    FakePreviewWindow::OnExecute = [&](FakePreviewWindow&, bool) { result = Design(drive); };
    printer->Preview(true);
    return result;
  }

  // The components the built report has items for.
  std::set<QObject*> PrintedComponents() {
    std::set<QObject*> found;
    std::function<void(TdxReportCell*)> walk = [&](TdxReportCell* cell) {
      if (QWidget* w = link->ComponentOf(*cell)) found.insert(w);
      for (int i = 0; i < cell->DataItemCount(); ++i)
        if (QWidget* w = link->ComponentOf(*cell->DataItems(i))) found.insert(w);
      for (int i = 0; i < cell->CellCount(); ++i) walk(cell->Cells(i));
    };
    if (link->ReportCells()) walk(link->ReportCells()->Cells());
    return found;
  }
  int HostCount() {
    int count = 0;
    std::function<void(TdxReportCell*)> walk = [&](TdxReportCell* cell) {
      if (cell->InheritsFrom(TdxReportWinControlHost::StaticClass())) ++count;
      for (int i = 0; i < cell->CellCount(); ++i) walk(cell->Cells(i));
    };
    if (link->ReportCells()) walk(link->ReportCells()->Cells());
    return count;
  }

  void ClickStateImage(Window& w, QObject* component) {
    QTreeWidgetItem* item = w.tvControls()->FindNode(component);
    ASSERT_NE(item, nullptr);
    Click(w.tvControls()->viewport(), w.tvControls()->StateImageRect(item).center());
  }

  std::unique_ptr<QWidget> form;
  QLineEdit* edit = nullptr;
  QCalendarWidget* calendar = nullptr;
  QFrame* panel = nullptr;
  QCheckBox* check = nullptr;
  QLineEdit* inner = nullptr;
  std::unique_ptr<TdxComponentPrinter> printer;
  TdxCustomContainerReportLink* link = nullptr;
};

}  // namespace

// ---- Opening -------------------------------------------------------------------------

TEST_F(ContainerDesignTest, RegistrationNamesTheWindowForFormsAndOtherLinksHaveNone) {
  EXPECT_EQ(link->DesignWindowClass(), TdxfmCustomContainerDesignWindow::StaticClass());
  EXPECT_TRUE(link->CanDesign());
  EXPECT_EQ(dxPSDesignWindowClassByComponentClass(&TPanelClass), TdxfmCustomContainerDesignWindow::StaticClass());

  // A link of another class on the same form gets no container window.
  TestLink other;
  other.BeginLoading();  // takes the component unchecked
  other.SetComponent(form.get());
  EXPECT_EQ(other.DesignWindowClass(), nullptr);
  EXPECT_FALSE(other.CanDesign());
  EXPECT_FALSE(dxPSDesignReportLink(other));
  other.SetComponent(nullptr);

  dxPSUnregisterContainerDesignWindow();
  EXPECT_EQ(link->DesignWindowClass(), nullptr);
  EXPECT_FALSE(link->CanDesign());
  EXPECT_FALSE(printer->DesignReport(link));
  dxPSRegisterContainerDesignWindow();
  EXPECT_TRUE(link->CanDesign());
}

TEST_F(ContainerDesignTest, OpensWithOptionsAndControlsTabsAndTheCheckedControlTree) {
  TAbstractdxReportLinkDesignWindow* before = nullptr;
  std::vector<bool> doneFlags;
  printer->OnBeforeDesignReport = [&](TCustomdxComponentPrinter&, TBasedxReportLink* l,
                                      TAbstractdxReportLinkDesignWindow* w) {
    EXPECT_EQ(l, link);
    before = w;
  };
  printer->OnDesignReport = [&](TCustomdxComponentPrinter&, TBasedxReportLink*, bool& done) {
    doneFlags.push_back(done);
  };
  bool designing = false;
  const bool result = Design([&](Window& w) {
    designing = printer->DesigningReport();
    EXPECT_EQ(before, &w);
    EXPECT_EQ(w.windowTitle(), "Format Report");
    EXPECT_TRUE(w.IsTabVisible(w.tshOptions()));
    EXPECT_TRUE(w.IsTabVisible(w.tshControls()));
    EXPECT_FALSE(w.IsTabVisible(w.tshReportLinks()));
    EXPECT_FALSE(w.IsTabVisible(w.tshHiddenControls()));
    EXPECT_EQ(w.PageControl1()->tabText(w.PageControl1()->indexOf(w.tshControls())), "Controls");
    EXPECT_GE(w.width(), 590);
    EXPECT_GE(w.height(), 342);

    // The form is the root, its three controls follow in child order.
    QTreeWidgetItem* root = w.tvControls()->Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(TdxPSControlsTree::NodeObject(root)->Component, form.get());
    EXPECT_EQ(root->text(0), "Form1");
    EXPECT_TRUE(root->isExpanded());
    ASSERT_EQ(root->childCount(), 3);
    EXPECT_EQ(TdxPSControlsTree::NodeObject(root->child(0))->Component, edit);
    EXPECT_EQ(TdxPSControlsTree::NodeObject(root->child(1))->Component, calendar);
    EXPECT_EQ(TdxPSControlsTree::NodeObject(root->child(2))->Component, panel);
    EXPECT_EQ(root->child(2)->childCount(), 2);
    for (QTreeWidgetItemIterator it(w.tvControls()); *it; ++it) EXPECT_EQ(State(*it), TdxNodeObject::Checked);

    // The root is not toggled, neither by a click nor by Space.
    Click(w.tvControls()->viewport(), w.tvControls()->StateImageRect(root).center());
    w.tvControls()->setCurrentItem(root);
    PressKey(w.tvControls(), Qt::Key_Space, " ");
    EXPECT_EQ(State(root), TdxNodeObject::Checked);
    EXPECT_FALSE(w.Modified());

    // Nothing to apply; everything checked; the tree can be expanded.
    EXPECT_FALSE(w.btnApply()->isEnabled());
    EXPECT_FALSE(w.btnControlsCheckAll()->isEnabled());
    EXPECT_TRUE(w.btnControlsExpandAll()->isEnabled());
    EXPECT_FALSE(w.btnDesign()->isEnabled());
    w.btnCancel()->click();
  });
  EXPECT_TRUE(designing);
  EXPECT_FALSE(printer->DesigningReport());
  EXPECT_FALSE(result);
  EXPECT_EQ(doneFlags, std::vector<bool>{false});
}

TEST_F(ContainerDesignTest, HiddenComponentsAreAbsentAndExcludedOnesUnchecked) {
  link->AddHiddenComponent(edit);
  link->AddExcludedComponent(panel);
  Design([&](Window& w) {
    QTreeWidgetItem* root = w.tvControls()->Root();
    EXPECT_EQ(w.tvControls()->FindNode(edit), nullptr);
    ASSERT_EQ(root->childCount(), 2);
    // An excluded container is unchecked; its children keep their own state
    // and the root counts as partly checked.
    EXPECT_EQ(State(w.tvControls()->FindNode(panel)), TdxNodeObject::Unchecked);
    EXPECT_EQ(State(w.tvControls()->FindNode(check)), TdxNodeObject::Checked);
    EXPECT_EQ(State(root), TdxNodeObject::PartlyChecked);
    EXPECT_TRUE(w.btnControlsCheckAll()->isEnabled());
    // The hidden-controls tree (design environment only) lists all of them.
    EXPECT_NE(w.tvHiddenControls()->FindNode(edit), nullptr);
    EXPECT_EQ(State(w.tvHiddenControls()->FindNode(edit)), TdxNodeObject::Unchecked);
  });
}

// ---- Checking and unchecking --------------------------------------------------------------

TEST_F(ContainerDesignTest, UncheckingTheCalendarAndApplyingRemovesItFromTheReport) {
  printer->RebuildLink(link);
  ASSERT_TRUE(PrintedComponents().count(calendar));
  const int hostsBefore = HostCount();

  const bool result = DesignInPreview([&](Window& w) {
    ASSERT_TRUE(printer->Previewing());
    ClickStateImage(w, calendar);
    EXPECT_EQ(State(w.tvControls()->FindNode(calendar)), TdxNodeObject::Unchecked);
    EXPECT_EQ(State(w.tvControls()->Root()), TdxNodeObject::PartlyChecked);
    EXPECT_EQ(link->ExcludedComponentNames(), std::vector<std::string>{"Calendar1"});
    EXPECT_TRUE(w.Modified());
    ASSERT_TRUE(w.btnApply()->isEnabled());
    EXPECT_TRUE(w.btnControlsCheckAll()->isEnabled());

    w.btnApply()->click();
    EXPECT_TRUE(w.Applied());
    EXPECT_FALSE(w.Modified());
    EXPECT_FALSE(w.btnApply()->isEnabled());
    EXPECT_FALSE(PrintedComponents().count(calendar));
    EXPECT_TRUE(PrintedComponents().count(edit));
    EXPECT_EQ(HostCount(), hostsBefore - 1);
    w.btnCancel()->click();
  });
  EXPECT_FALSE(result);
  // Cancel after Apply keeps the change.
  EXPECT_EQ(link->ExcludedComponentNames(), std::vector<std::string>{"Calendar1"});
  printer->RebuildLink(link);
  EXPECT_FALSE(PrintedComponents().count(calendar));
}

TEST_F(ContainerDesignTest, CancelWithoutApplyRestoresTheListsAndOptions) {
  link->AddHiddenComponent(inner);
  printer->RebuildLink(link);
  const bool result = Design([&](Window& w) {
    // Space on the selected node toggles it.
    w.tvControls()->setCurrentItem(w.tvControls()->FindNode(calendar));
    PressKey(w.tvControls(), Qt::Key_Space, " ");
    EXPECT_TRUE(link->IsExcludedComponent(calendar));
    w.chbxTransparentControls()->click();
    EXPECT_TRUE(link->OptionsTransparent().Controls());
    w.chbxPaginateByControls()->click();
    EXPECT_FALSE(link->OptionsPagination().Controls());
    // Without an open preview there is nothing to apply to.
    EXPECT_FALSE(w.btnApply()->isEnabled());
    PressKey(&w, Qt::Key_Escape);
  });
  EXPECT_FALSE(result);
  EXPECT_EQ(link->ExcludedComponentCount(), 0);
  EXPECT_EQ(link->HiddenComponentNames(), std::vector<std::string>{"Edit2"});
  EXPECT_FALSE(link->OptionsTransparent().Controls());
  EXPECT_TRUE(link->OptionsPagination().Controls());
  printer->RebuildLink(link);
  EXPECT_TRUE(PrintedComponents().count(calendar));
  EXPECT_FALSE(PrintedComponents().count(inner));
}

TEST_F(ContainerDesignTest, OkKeepsTheChangesAndRebuilds) {
  printer->RebuildLink(link);
  bool rebuilt = false;
  printer->OnEndGenerateReport = [&](TCustomdxComponentPrinter&, TBasedxReportLink*) { rebuilt = true; };
  const bool result = Design([&](Window& w) {
    ClickStateImage(w, calendar);
    w.btnOK()->click();
  });
  EXPECT_TRUE(result);
  EXPECT_TRUE(rebuilt);
  EXPECT_EQ(link->ExcludedComponentNames(), std::vector<std::string>{"Calendar1"});
  EXPECT_FALSE(PrintedComponents().count(calendar));

  // A handler that clears the flag prevents the rebuild; Enter is OK.
  rebuilt = false;
  printer->OnDesignReport = [](TCustomdxComponentPrinter&, TBasedxReportLink*, bool& done) { done = false; };
  EXPECT_TRUE(Design([&](Window& w) {
    ClickStateImage(w, calendar);
    PressKey(&w, Qt::Key_Return);
  }));
  EXPECT_FALSE(rebuilt);
  EXPECT_EQ(link->ExcludedComponentCount(), 0);
}

TEST_F(ContainerDesignTest, ParentsShowPartlyCheckedStatesAndPrintedControlsKeepTheirContainers) {
  Design([&](Window& w) {
    TdxPSControlsTree* tree = w.tvControls();
    QTreeWidgetItem* root = tree->Root();
    QTreeWidgetItem* panelNode = tree->FindNode(panel);
    QTreeWidgetItem* checkNode = tree->FindNode(check);
    QTreeWidgetItem* innerNode = tree->FindNode(inner);
    w.ExpandAll(tree);
    ASSERT_TRUE(panelNode->isExpanded());

    ClickStateImage(w, inner);
    EXPECT_EQ(State(innerNode), TdxNodeObject::Unchecked);
    EXPECT_EQ(State(panelNode), TdxNodeObject::PartlyChecked);
    EXPECT_EQ(State(root), TdxNodeObject::PartlyChecked);
    EXPECT_EQ(link->ExcludedComponentNames(), std::vector<std::string>{"Edit2"});

    // A partly checked node becomes checked, with all it holds.
    ClickStateImage(w, panel);
    EXPECT_EQ(State(panelNode), TdxNodeObject::Checked);
    EXPECT_EQ(State(innerNode), TdxNodeObject::Checked);
    EXPECT_EQ(State(root), TdxNodeObject::Checked);
    EXPECT_EQ(link->ExcludedComponentCount(), 0);

    // Unchecked, it takes its children along.
    ClickStateImage(w, panel);
    EXPECT_EQ(State(checkNode), TdxNodeObject::Unchecked);
    EXPECT_EQ(State(innerNode), TdxNodeObject::Unchecked);
    EXPECT_EQ(State(root), TdxNodeObject::PartlyChecked);
    EXPECT_EQ(link->ExcludedComponentCount(), 3);

    // Checking a child inside it brings the panel back into the report.
    ClickStateImage(w, check);
    EXPECT_EQ(State(checkNode), TdxNodeObject::Checked);
    EXPECT_EQ(State(panelNode), TdxNodeObject::PartlyChecked);
    EXPECT_FALSE(link->IsExcludedComponent(panel));
    EXPECT_TRUE(link->IsExcludedComponent(inner));

    // Check All: every node, the lists empty.
    ASSERT_TRUE(w.btnControlsCheckAll()->isEnabled());
    w.btnControlsCheckAll()->click();
    for (QTreeWidgetItemIterator it(tree); *it; ++it) EXPECT_EQ(State(*it), TdxNodeObject::Checked);
    EXPECT_EQ(link->ExcludedComponentCount(), 0);
    EXPECT_FALSE(w.btnControlsCheckAll()->isEnabled());
  });
  link->ClearExcludedComponents();
  printer->RebuildLink(link);
  EXPECT_TRUE(PrintedComponents().count(inner));
}

TEST_F(ContainerDesignTest, PopupMenuWorksOnTheNodeUnderTheMouse) {
  Design([&](Window& w) {
    TdxPSControlsTree* tree = w.tvControls();
    w.ExpandAll(tree);
    QTreeWidgetItem* panelNode = tree->FindNode(panel);
    Click(tree->viewport(), tree->visualItemRect(panelNode).center(), Qt::RightButton);
    EXPECT_EQ(tree->currentItem(), panelNode);
    ASSERT_TRUE(w.pmControls()->isVisible());
    EXPECT_FALSE(w.miControlsCheckAll()->isEnabled());
    EXPECT_TRUE(w.miControlsExpandAll()->isEnabled());
    EXPECT_FALSE(w.miControlsCheckAllChildren()->isEnabled());
    EXPECT_TRUE(w.miControlsUncheckAllChildren()->isEnabled());
    EXPECT_FALSE(w.miControlsCheckStandardControls()->isVisible());

    w.miControlsUncheckAllChildren()->trigger();
    w.pmControls()->hide();
    EXPECT_EQ(State(panelNode), TdxNodeObject::Unchecked);
    EXPECT_EQ(State(tree->FindNode(inner)), TdxNodeObject::Unchecked);
    EXPECT_TRUE(link->IsExcludedComponent(panel));
    EXPECT_TRUE(w.Modified());

    w.UpdateControlsMenu(tree);
    EXPECT_TRUE(w.miControlsCheckAll()->isEnabled());
    EXPECT_TRUE(w.miControlsCheckAllChildren()->isEnabled());
    EXPECT_FALSE(w.miControlsUncheckAllChildren()->isEnabled());

    // On the root: its children, the root itself stays derived.
    tree->setCurrentItem(tree->Root());
    w.SetNodeStateRecursive(tree, tree->Root(), TdxNodeObject::Unchecked);
    EXPECT_EQ(State(tree->Root()), TdxNodeObject::PartlyChecked);
    EXPECT_EQ(link->ExcludedComponentCount(), 5);
    w.miControlsCheckAllChildren()->trigger();
    EXPECT_EQ(State(tree->Root()), TdxNodeObject::Checked);
    EXPECT_EQ(link->ExcludedComponentCount(), 0);
  });
}

// ---- Options ---------------------------------------------------------------------------------

TEST_F(ContainerDesignTest, OptionBoxesStartFromTheLinkAndChangeItAtOnce) {
  link->OptionsTransparent().SetControls(true);
  link->OptionsTransparent().SetRoot(false);
  link->OptionsPagination().SetControlDetails(false);
  Design([&](Window& w) {
    EXPECT_TRUE(w.chbxTransparentControls()->isChecked());
    EXPECT_FALSE(w.chbxTransparentRoot()->isChecked());
    EXPECT_TRUE(w.chbxTransparentContainers()->isChecked());
    EXPECT_FALSE(w.chbxTransparentGraphics()->isChecked());
    EXPECT_FALSE(w.chbxPaginateByControlDetails()->isChecked());
    EXPECT_TRUE(w.chbxPaginateByControls()->isChecked());
    EXPECT_EQ(w.chbxTransparentControls()->text(), "&Controls");
    EXPECT_EQ(w.chbxPaginateByControlDetails()->text(), "Control Details");
    // The boxes that do not apply to containers are hidden.
    EXPECT_TRUE(w.chbxTransparentGroups()->isHidden());
    EXPECT_TRUE(w.chbxTransparentItems()->isHidden());
    EXPECT_TRUE(w.chbxPaginateByGroups()->isHidden());
    EXPECT_TRUE(w.chbxPaginateByItems()->isHidden());
    EXPECT_TRUE(w.SizeGroup()->isHidden());

    struct Case {
      QCheckBox* box;
      std::function<bool()> value;
    };
    const Case cases[] = {
        {w.chbxTransparentRoot(), [&] { return link->OptionsTransparent().Root(); }},
        {w.chbxTransparentControls(), [&] { return link->OptionsTransparent().Controls(); }},
        {w.chbxTransparentContainers(), [&] { return link->OptionsTransparent().Containers(); }},
        {w.chbxTransparentGraphics(), [&] { return link->OptionsTransparent().Graphics(); }},
        {w.chbxPaginateByControlDetails(), [&] { return link->OptionsPagination().ControlDetails(); }},
        {w.chbxPaginateByControls(), [&] { return link->OptionsPagination().Controls(); }},
    };
    for (const Case& c : cases) {
      const bool before = c.value();
      c.box->click();
      EXPECT_EQ(c.value(), !before) << c.box->text().toStdString();
      EXPECT_EQ(c.box->isChecked(), c.value());
    }
    EXPECT_TRUE(w.Modified());
    EXPECT_TRUE(link->RebuildNeeded);

    // While the controls are locked (as during initialisation) clicks change
    // nothing.
    w.BeginUpdateControls();
    const bool root = link->OptionsTransparent().Root();
    w.chbxTransparentRoot()->click();
    EXPECT_EQ(link->OptionsTransparent().Root(), root);
    w.EndUpdateControls();
    w.btnOK()->click();
  });
  // OK kept them.
  EXPECT_TRUE(link->OptionsTransparent().Root());
  EXPECT_FALSE(link->OptionsTransparent().Controls());
  EXPECT_TRUE(link->OptionsTransparent().Graphics());
  EXPECT_TRUE(link->OptionsPagination().ControlDetails());
}

// ---- Buttons -----------------------------------------------------------------------------------

TEST_F(ContainerDesignTest, ButtonRowFollowsTheHelpContext) {
  auto rowOf = [&](Window& w) {
    std::vector<QRect> row;
    for (QPushButton* b : {w.btnOK(), w.btnCancel(), w.btnApply(), w.btnHelp()}) row.push_back(b->geometry());
    return row;
  };
  std::vector<QRect> withoutHelp, withHelp;
  bool helpShown = true, titleShown = false;
  Design([&](Window& w) {
    withoutHelp = rowOf(w);
    helpShown = w.btnHelp()->isVisible();
    titleShown = w.btnTitleProperties()->isVisible();
    EXPECT_EQ(w.btnTitleProperties()->geometry().size(), QSize(115, 23));
    EXPECT_LT(w.btnTitleProperties()->x(), 20);
    EXPECT_EQ(w.btnTitleProperties()->text(), "Title Properties...");
    EXPECT_FALSE(w.btnRestoreOriginal()->isVisible());
    EXPECT_TRUE(w.btnOK()->isDefault());
    EXPECT_EQ(w.btnOK()->geometry().bottom() + 1, w.height() - 6);
  });
  EXPECT_FALSE(helpShown);
  EXPECT_TRUE(titleShown);
  // OK, Cancel, Apply from left to right, 75 x 23, 4 apart; Apply at the
  // right edge less the margin.
  EXPECT_EQ(withoutHelp[0].size(), QSize(75, 23));
  EXPECT_EQ(withoutHelp[1].left(), withoutHelp[0].right() + 1 + 4);
  EXPECT_EQ(withoutHelp[2].left(), withoutHelp[1].right() + 1 + 4);

  link->DesignerHelpContext = 7;
  Design([&](Window& w) {
    withHelp = rowOf(w);
    helpShown = w.btnHelp()->isVisible();
    EXPECT_EQ(w.HelpContext(), 7);
  });
  EXPECT_TRUE(helpShown);
  // With Help, OK, Cancel and Apply sit one place further left.
  EXPECT_EQ(withHelp[3], withoutHelp[2]);
  EXPECT_EQ(withHelp[2], withoutHelp[1]);
  EXPECT_EQ(withHelp[1], withoutHelp[0]);
}

TEST_F(ContainerDesignTest, TitlePropertiesCountsAsAppliedSoCancelKeepsTheChanges) {
  int titles = 0;
  dxPSReportLinkDialogs().TitleProperties = [&](TBasedxReportLink& l) {
    ++titles;
    l.SetReportTitleText("Sorvan");
    return true;
  };
  const bool result = Design([&](Window& w) {
    ClickStateImage(w, calendar);
    w.btnTitleProperties()->click();
    EXPECT_TRUE(w.Applied());
    w.btnCancel()->click();
  });
  EXPECT_FALSE(result);
  EXPECT_EQ(titles, 1);
  EXPECT_EQ(link->ReportTitleText(), "Sorvan");
  EXPECT_TRUE(link->IsExcludedComponent(calendar));

  // A later change that is cancelled goes back to the state of the title
  // dialog, not to the state before the window opened.
  Design([&](Window& w) {
    ClickStateImage(w, edit);
    w.btnTitleProperties()->click();
    ClickStateImage(w, panel);
    EXPECT_FALSE(w.Applied());
    w.btnCancel()->click();
  });
  EXPECT_TRUE(link->IsExcludedComponent(edit));
  EXPECT_FALSE(link->IsExcludedComponent(panel));
}

TEST_F(ContainerDesignTest, FailingApplyIsShownOnceEndsTheWindowAndRestoresTheReport) {
  printer->RebuildLink(link);
  int failures = 0;
  link->OnInitializeItem = [&](TdxCustomContainerReportLink&, TdxReportVisualItem&, QObject*) {
    if (failures > 0) {
      --failures;
      throw EdxReportLink("the calendar cannot be painted");
    }
  };
  bool windowOpenAfterApply = true;
  EXPECT_THROW(DesignInPreview([&](Window& w) {
                 ClickStateImage(w, calendar);
                 failures = 1;
                 w.btnApply()->click();
                 windowOpenAfterApply = w.ModalResult() == mrNone;
               }),
               EAbort);
  EXPECT_FALSE(windowOpenAfterApply);
  EXPECT_EQ(Errors(), std::vector<std::string>{"the calendar cannot be painted."});
  // The link is back as before and its report built again.
  EXPECT_EQ(link->ExcludedComponentCount(), 0);
  EXPECT_TRUE(PrintedComponents().count(calendar));
}

// ---- Node captions ---------------------------------------------------------------------------

TEST(ContainerDesignCaptions, CaptionsAreCutAndLoseTheirAccelerators) {
  EXPECT_EQ(Window::NodeCaption("&File && Edit"), "File & Edit");
  EXPECT_EQ(Window::NodeCaption("a&&&b"), "a&b");
  EXPECT_EQ(Window::NodeCaption("Calendar1"), "Calendar1");
  const std::string exact(255, 'x');
  EXPECT_EQ(Window::NodeCaption(exact), exact);
  const std::string longer = std::string(250, 'y') + "0123456789";
  const std::string cut = Window::NodeCaption(longer);
  EXPECT_EQ(cut.size(), 255u);
  EXPECT_EQ(cut.substr(245), "yyyyy01...");
}

// ---- Drawing ---------------------------------------------------------------------------------

TEST_F(ContainerDesignTest, TreeDrawsStateImagesAndTheRootInReadableBoldText) {
  link->AddExcludedComponent(calendar);
  Design([&](Window& w) {
    TdxPSControlsTree* tree = w.tvControls();
    tree->clearSelection();
    tree->setCurrentItem(nullptr);
    QApplication::processEvents();
    const QImage image = tree->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    auto darkest = [&](const QRect& r) {
      int result = 255;
      for (int y = std::max(r.top(), 0); y <= std::min(r.bottom(), image.height() - 1); ++y)
        for (int x = std::max(r.left(), 0); x <= std::min(r.right(), image.width() - 1); ++x)
          result = std::min(result, qGray(image.pixel(x, y)));
      return result;
    };
    auto textRect = [&](QTreeWidgetItem* item) {
      QRect r = tree->visualItemRect(item);
      r.setLeft(tree->StateImageRect(item).right() + 2);
      return r;
    };
    // The root is no disabled item: its text is as dark as a child's, and
    // bolder (more dark pixels per letter).
    const int gray = qGray(ColorToQColor(clGrayText).rgb());
    const int rootText = darkest(textRect(tree->Root()));
    const int childText = darkest(textRect(tree->FindNode(edit)));
    EXPECT_LT(rootText, gray - 40);
    EXPECT_LT(childText, gray - 40);

    // Selected in the focused tree, the root reads in the highlighted-text
    // colour on the highlight.
    tree->setFocus();
    tree->setCurrentItem(tree->Root());
    QApplication::processEvents();
    if (tree->hasFocus()) {
      const QImage selected = tree->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
      const QRect r = textRect(tree->Root());
      const QRgb highlight = tree->palette().color(QPalette::Highlight).rgb() & 0xFFFFFF;
      const QRgb highlightedText = tree->palette().color(QPalette::HighlightedText).rgb() & 0xFFFFFF;
      int back = 0, text = 0;
      for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x < std::min(r.right(), r.left() + 40); ++x) {
          const QRgb p = selected.pixel(x, y) & 0xFFFFFF;
          back += p == highlight;
          text += p == highlightedText;
        }
      EXPECT_GT(back, 20);
      EXPECT_GT(text, 3);
    }

    // The state images of a checked and an unchecked node differ.
    const QRect checkedImage = tree->StateImageRect(tree->FindNode(edit));
    const QRect uncheckedImage = tree->StateImageRect(tree->FindNode(calendar));
    ASSERT_EQ(checkedImage.size(), uncheckedImage.size());
    int differing = 0;
    for (int y = 0; y < checkedImage.height(); ++y)
      for (int x = 0; x < checkedImage.width(); ++x)
        if (image.pixel(checkedImage.topLeft() + QPoint(x, y)) != image.pixel(uncheckedImage.topLeft() + QPoint(x, y)))
          ++differing;
    EXPECT_GT(differing, 4);
  });
}

// ---- Design environment and remembered tab -------------------------------------------------

TEST_F(ContainerDesignTest, InsideADesignEnvironmentHiddenControlsLeaveTheControlsTree) {
  dxPSIsDesignTime = true;
  struct Reset {
    ~Reset() { dxPSIsDesignTime = false; }
  } reset;
  Design([&](Window& w) {
    EXPECT_EQ(w.windowTitle(), "Format Report : Form1");
    EXPECT_TRUE(w.IsTabVisible(w.tshHiddenControls()));
    EXPECT_FALSE(w.btnTitleProperties()->isVisible());
    EXPECT_TRUE(w.btnRestoreOriginal()->isVisible());
    EXPECT_TRUE(w.btnRestoreDefaults()->isVisible());
    EXPECT_EQ(w.btnRestoreDefaults()->x(), w.btnRestoreOriginal()->geometry().right() + 1 + 4);

    w.ActivateTab(w.tshHiddenControls());
    TdxPSControlsTree* hidden = w.tvHiddenControls();
    w.ToggleNode(hidden, hidden->FindNode(edit));
    EXPECT_TRUE(link->IsHiddenComponent(edit));
    EXPECT_FALSE(link->IsExcludedComponent(edit));
    // Back on the Controls tab the tree is built again without it.
    ASSERT_NE(w.tvControls()->FindNode(edit), nullptr);
    w.ActivateTab(w.tshControls());
    EXPECT_EQ(w.tvControls()->FindNode(edit), nullptr);
    EXPECT_EQ(w.tvControls()->Root()->childCount(), 2);
    w.btnCancel()->click();
  });
  EXPECT_FALSE(link->IsHiddenComponent(edit));

  // The next window opens on the tab the last one showed.
  Design([&](Window& w) { EXPECT_EQ(w.PageControl1()->currentWidget(), w.tshControls()); });
  dxPSIsDesignTime = false;
  Design([&](Window& w) {
    EXPECT_EQ(w.PageControl1()->currentWidget(), w.tshControls());
    w.ActivateTab(w.tshOptions());
  });
  Design([&](Window& w) { EXPECT_EQ(w.PageControl1()->currentWidget(), w.tshOptions()); });
}
