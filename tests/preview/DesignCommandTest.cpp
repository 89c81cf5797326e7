// The preview window's design command with the container link's design
// window: offered once the window is registered, it opens "Format Report"
// through the component printer, whose Apply rebuilds the previewed report.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCalendarWidget>
#include <QLineEdit>
#include <QPushButton>

#include "engine/ComponentPrinter.h"
#include "engine/ContainerDesignWindow.h"
#include "engine/ContainerReportLink.h"
#include "preview/PreviewWindow.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/ModalAnswers.h"

TEST(PreviewDesignCommand, OpensTheContainerDesignWindowOnceItIsRegistered) {
  dxPSRegisterStdPreviewWindow();
  ScopedPrintDevice devices(std::make_unique<HandPrintDevice>());
  QWidget form;
  form.setObjectName("Form1");
  form.resize(360, 300);
  auto* edit = new QLineEdit(&form);
  edit->setObjectName("Edit1");
  edit->setGeometry(16, 0, 200, 24);
  auto* calendar = new QCalendarWidget(&form);
  calendar->setObjectName("Calendar1");
  calendar->setGeometry(16, 30, 300, 200);

  TdxComponentPrinter printer;
  auto* link = new TdxCustomContainerReportLink;
  printer.AddLink(link);
  link->SetComponent(&form);
  printer.Preview(false);
  auto* window = dynamic_cast<TdxfmStdPreview*>(printer.PreviewWindow());
  ASSERT_NE(window, nullptr);

  // No design window: the command is off.
  EXPECT_FALSE(window->Action(pcDesign)->isEnabled());
  printer.ClosePreview();
  QApplication::processEvents();
  ASSERT_EQ(printer.PreviewWindow(), nullptr);

  // Registered (at start-up in the program), the next preview offers it.
  dxPSRegisterContainerDesignWindow();
  printer.Preview(false);
  window = dynamic_cast<TdxfmStdPreview*>(printer.PreviewWindow());
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->Action(pcDesign)->isEnabled());
  EXPECT_EQ(window->Action(pcDesign)->shortcut(), QKeySequence("Ctrl+D"));

  int shown = 0;
  bool designing = false, applied = false;
  AnswerModal<TAbstractdxReportLinkDesignWindow>([&](TAbstractdxReportLinkDesignWindow& w) {
    ++shown;
    designing = printer.DesigningReport();
    auto& design = dynamic_cast<TdxfmCustomContainerDesignWindow&>(w);
    TdxPSControlsTree* tree = design.tvControls();
    QTreeWidgetItem* node = tree->FindNode(calendar);
    ASSERT_NE(node, nullptr);
    design.ToggleNode(tree, node);
    applied = design.btnApply()->isEnabled();
    design.btnApply()->click();
    design.btnOK()->click();
  });
  window->Action(pcDesign)->trigger();
  AnswerModal<TAbstractdxReportLinkDesignWindow>(nullptr);

  EXPECT_EQ(shown, 1);
  EXPECT_TRUE(designing);
  EXPECT_TRUE(applied);  // the preview is open: Apply is offered
  EXPECT_EQ(link->ExcludedComponentNames(), std::vector<std::string>{"Calendar1"});
  // The report shown no longer holds the calendar.
  bool calendarPrinted = false;
  std::function<void(TdxReportCell*)> walk = [&](TdxReportCell* cell) {
    for (int i = 0; i < cell->DataItemCount(); ++i)
      if (link->ComponentOf(*cell->DataItems(i)) == calendar) calendarPrinted = true;
    for (int i = 0; i < cell->CellCount(); ++i) walk(cell->Cells(i));
  };
  ASSERT_NE(link->ReportCells(), nullptr);
  walk(link->ReportCells()->Cells());
  EXPECT_FALSE(calendarPrinted);

  dxPSUnregisterContainerDesignWindow();
  window->UpdateControls();
  EXPECT_FALSE(window->Action(pcDesign)->isEnabled());
  printer.ClosePreview();
  QApplication::processEvents();
}
