// "Format Report" for the main window's link as the program configures it:
// the tabs shown, the form with the photo area and the calendar in the
// control tree, the stored transparency in the option boxes, and the
// calendar left out of the report after OK.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QPushButton>

#include "app/MainForm.h"
#include "editors/ImageEditor.h"
#include "engine/ComponentPrinter.h"
#include "engine/ContainerDesignWindow.h"
#include "engine/ContainerReportLink.h"
#include "tests/ModalAnswers.h"

TEST(Form1Design, FormatReportShowsThePhotoAndTheCalendarAndLeavesOutAnUncheckedCalendar) {
  dxPSRegisterContainerDesignWindow();
  auto form = std::make_unique<TForm1>();
  form->show();
  QApplication::processEvents();
  TdxCustomContainerReportLink* link = form->yaziciLink1;
  ASSERT_NE(link, nullptr);
  ASSERT_TRUE(link->CanDesign());

  int shown = 0;
  AnswerModal<TAbstractdxReportLinkDesignWindow>([&](TAbstractdxReportLinkDesignWindow& w) {
    ++shown;
    auto& window = dynamic_cast<TdxfmCustomContainerDesignWindow&>(w);
    EXPECT_EQ(window.windowTitle(), "Format Report");
    EXPECT_TRUE(window.IsTabVisible(window.tshOptions()));
    EXPECT_TRUE(window.IsTabVisible(window.tshControls()));
    EXPECT_FALSE(window.IsTabVisible(window.tshReportLinks()));
    EXPECT_FALSE(window.IsTabVisible(window.tshHiddenControls()));
    // The form description turns OptionsTransparent.Controls on.
    EXPECT_TRUE(window.chbxTransparentControls()->isChecked());
    EXPECT_FALSE(window.btnHelp()->isVisible());

    TdxPSControlsTree* tree = window.tvControls();
    QTreeWidgetItem* root = tree->Root();
    ASSERT_NE(root, nullptr);
    EXPECT_EQ(TdxPSControlsTree::NodeObject(root)->Component, form.get());
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(TdxPSControlsTree::NodeObject(root->child(0))->Component, form->cxImage1);
    EXPECT_EQ(TdxPSControlsTree::NodeObject(root->child(1))->Component, form->MonthCalendar1);
    EXPECT_EQ(TdxPSControlsTree::NodeObject(root->child(1))->State, TdxNodeObject::Checked);

    window.ToggleNode(tree, root->child(1));
    EXPECT_EQ(TdxPSControlsTree::NodeObject(root)->State, TdxNodeObject::PartlyChecked);
    window.btnOK()->click();
  });
  const bool result = form->yazici->DesignReport();
  AnswerModal<TAbstractdxReportLinkDesignWindow>(nullptr);

  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(result);
  EXPECT_EQ(link->ExcludedComponentNames(), std::vector<std::string>{"MonthCalendar1"});
  // Rebuilt: the form's host holds the photo's host only.
  ASSERT_NE(link->ReportCells(), nullptr);
  ASSERT_EQ(link->ReportCells()->Cells()->CellCount(), 1);
  TdxReportCell* root = link->ReportCells()->Cells()->Cells(0);
  ASSERT_EQ(root->CellCount(), 1);
  ASSERT_EQ(root->Cells(0)->DataItemCount(), 1);
  EXPECT_EQ(link->ComponentOf(*root->Cells(0)->DataItems(0)), form->cxImage1);

  form.reset();
}
