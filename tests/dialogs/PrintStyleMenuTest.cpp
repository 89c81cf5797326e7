// A preview window whose report link has a style manager: the print styles
// submenu and the page setup button's drop-down, the AutoText command, and
// the print style definition window that "Define Styles..." opens.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <functional>

#include "dialogs/AutoTextDialog.h"
#include "dialogs/DefineStylesDialog.h"
#include "dialogs/PrintStyles.h"
#include "platform/MessageDialogs.h"
#include "preview/PageSetupMenu.h"
#include "tests/TestSupport.h"
#include "tests/preview/PreviewTestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

class TStyledLink : public TBasedxReportLink {
  DX_CLASS(TStyledLink, TBasedxReportLink)
};

std::vector<std::string> Captions(const QMenu& menu) {
  std::vector<std::string> captions;
  for (QAction* a : menu.actions()) captions.push_back(a->isSeparator() ? "-" : a->text().toStdString());
  return captions;
}

QAction* ItemNamed(const QMenu& menu, const std::string& caption) {
  for (QAction* a : menu.actions())
    if (a->text().toStdString() == caption) return a;
  return nullptr;
}

class PrintStyleMenuTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dxPSRegisterPrintStyles();
    savedStyleDialogs_ = dxPSPrintStyleDialogs();
    env_.Device().SetOnlyPrinter(HandLetterPrinter("Hand"));
    env_.Device().RefreshPrinters();
    standard_ = manager_.AddStyle(TdxPSPrintStyle::StaticClass());
    standard_->SetStyleCaption("Standard");
    wide_ = manager_.AddStyle(TdxPSPrintStyle::StaticClass());
    wide_->SetStyleCaption("Wide");
    wide_->PrinterPage().SetOrientation(poLandscape);
    AnswerMessageBoxes([this](TMessageBoxKind, const std::string&, const std::string& text) {
      questions_.push_back(text);
      return true;
    });
  }
  void TearDown() override {
    printer_.reset();
    AnswerModal<TCustomdxPSFmtDialog>(nullptr);
    AnswerMessageBoxes({});
    dxPSPreviewWindowDialogs() = TdxPreviewWindowDialogs();
    dxPSPrintStyleDialogs() = savedStyleDialogs_;
    QApplication::processEvents();
  }

  TdxfmStdPreview* Open(bool withManager) {
    link_ = new TStyledLink;
    if (withManager) link_->SetStyleManager(&manager_);
    TdxfmStdPreview* window = preview_test::ShowPreview(*printer_, link_, component_);
    QApplication::processEvents();
    return window;
  }

  preview_test::PreviewWindowEnvironment env_;
  QWidget component_;
  QObject owner_;
  TdxPrintStyleManager manager_{&owner_};
  TBasedxPrintStyle* standard_ = nullptr;
  TBasedxPrintStyle* wide_ = nullptr;
  std::unique_ptr<TdxComponentPrinter> printer_ = std::make_unique<TdxComponentPrinter>();
  TStyledLink* link_ = nullptr;
  TdxPrintStyleDialogs savedStyleDialogs_;
  std::vector<std::string> questions_;
};

}  // namespace

TEST_F(PrintStyleMenuTest, WithoutAManagerNoStylesAreOffered) {
  TdxfmStdPreview* window = Open(false);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(window->PrintStylesOffered());
  EXPECT_FALSE(window->PrintStylesMenu()->menuAction()->isVisible());
  EXPECT_EQ(window->ToolButton(pcPageSetup)->menu(), nullptr);
  EXPECT_FALSE(window->Action(pcAutoText)->isVisible());
}

TEST_F(PrintStyleMenuTest, TheStylesAreOfferedInBothMenusAndOnThePageSetupButton) {
  TdxfmStdPreview* window = Open(true);
  ASSERT_NE(window, nullptr);
  QMenu* menu = window->PrintStylesMenu();
  EXPECT_TRUE(window->PrintStylesOffered());
  EXPECT_TRUE(menu->menuAction()->isVisible());
  EXPECT_EQ(Captions(*menu), (std::vector<std::string>{"Standard", "Wide", "-", "&Define Styles..."}));
  EXPECT_TRUE(window->FileMenu()->actions().contains(menu->menuAction()));
  EXPECT_TRUE(window->PreviewPopupMenu()->actions().contains(menu->menuAction()));
  QToolButton* button = window->ToolButton(pcPageSetup);
  EXPECT_EQ(button->menu(), menu);
  EXPECT_EQ(button->popupMode(), QToolButton::MenuButtonPopup);
  const int plainWidth = window->ToolButton(pcPrint)->width();
  EXPECT_GT(button->width(), plainWidth);  // room for the arrow
  EXPECT_TRUE(ItemNamed(*menu, "Standard")->isChecked());
  EXPECT_EQ(window->PreviewControl()->Orientation(), ppoPortrait);

  // Choosing a style makes it current; the window takes its page.
  ItemNamed(*menu, "Wide")->trigger();
  EXPECT_EQ(manager_.CurrentStyle(), wide_);
  EXPECT_EQ(window->PreviewControl()->Orientation(), ppoLandscape);
  EXPECT_TRUE(ItemNamed(*menu, "Wide")->isChecked());

  // A change made elsewhere is checked when the menu opens.
  manager_.SetCurrentStyle(standard_);
  emit menu->aboutToShow();
  EXPECT_TRUE(ItemNamed(*menu, "Standard")->isChecked());
  EXPECT_FALSE(ItemNamed(*menu, "Wide")->isChecked());

  // A changed list makes the menu again; hiding the option takes it away.
  manager_.AddStyle(TdxPSPrintStyle::StaticClass())->SetStyleCaption("Third");
  manager_.BeginUpdate();
  manager_.EndUpdate();
  EXPECT_EQ(Captions(*menu), (std::vector<std::string>{"Standard", "Wide", "Third", "-", "&Define Styles..."}));
  window->SetVisibleOptions(window->VisibleOptions() & ~(1u << pvoPrintStyles));
  EXPECT_FALSE(window->PrintStylesOffered());
  EXPECT_EQ(button->menu(), nullptr);
  EXPECT_EQ(button->width(), plainWidth);
  window->close();
}

TEST_F(PrintStyleMenuTest, AutoTextEditsTheEntriesOfTheManager) {
  dxPSRegisterAutoTextDialog();
  TdxfmStdPreview* window = Open(true);
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(window->Action(pcAutoText)->isVisible());
  ASSERT_TRUE(window->Action(pcAutoText)->isEnabled());
  const std::size_t before = manager_.AutoHFTextEntries().size();
  bool shown = false;
  AnswerModal<TCustomdxPSFmtDialog>([&](TCustomdxPSFmtDialog& dialog) {
    auto* editor = dynamic_cast<TdxfmAutoText*>(&dialog);
    ASSERT_NE(editor, nullptr);
    shown = true;
    editor->EntryEdit()->setText("Kept For [User Name]");
    editor->AddEntry();
    editor->OkButton()->click();
  });
  window->Action(pcAutoText)->trigger();
  EXPECT_TRUE(shown);
  const std::vector<std::string>& entries = manager_.AutoHFTextEntries();
  EXPECT_EQ(entries.size(), before + 1);
  EXPECT_NE(std::find(entries.begin(), entries.end(), "Kept For [User Name]"), entries.end());
  window->close();
}

TEST_F(PrintStyleMenuTest, DefineStylesWorksOnTheManagersStyles) {
  dxPSRegisterDefinePrintStylesDialog();
  TdxfmStdPreview* window = Open(true);
  ASSERT_NE(window, nullptr);
  bool shown = false;
  AnswerModal<TCustomdxPSFmtDialog>([&](TCustomdxPSFmtDialog& dialog) {
    auto* w = dynamic_cast<TdxfmDefinePrintStyles*>(&dialog);
    ASSERT_NE(w, nullptr);
    shown = true;
    EXPECT_EQ(w->windowTitle(), "Define Print Styles");
    EXPECT_EQ(w->CancelButton()->text(), "Close");
    EXPECT_TRUE(w->OkButton()->isHidden());
    ASSERT_EQ(w->StyleList()->count(), 2);
    EXPECT_EQ(w->StyleList()->currentRow(), 0);  // the current style
    EXPECT_FALSE(w->SetCurrentButton()->isEnabled());

    // Copy goes right after its source, named by the copy rule.
    w->StyleList()->setCurrentRow(0);
    w->CopyButton()->click();
    EXPECT_EQ(manager_.Styles(1)->StyleCaption(), "Copy of Standard");
    EXPECT_EQ(w->StyleList()->currentRow(), 1);
    // New comes last with a caption of its own.
    w->NewButton()->click();
    EXPECT_EQ(manager_.Styles(3)->StyleCaption(), "Standard Style");
    w->NewButton()->click();
    EXPECT_EQ(manager_.Styles(4)->StyleCaption(), "Standard Style (2)");
    // The new style's caption is open for editing; what is typed is taken,
    // an empty caption is not.
    QLineEdit* editor = nullptr;
    for (QLineEdit* open : w->StyleList()->viewport()->findChildren<QLineEdit*>())
      if (open->isVisible()) editor = open;
    ASSERT_NE(editor, nullptr);
    EXPECT_EQ(editor->text(), "Standard Style (2)");
    editor->setText("  Posters ");
    QKeyEvent enter(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
    QApplication::sendEvent(editor, &enter);
    QApplication::processEvents();
    EXPECT_EQ(manager_.Styles(4)->StyleCaption(), "Posters");
    w->StyleList()->item(4)->setText("   ");
    QApplication::processEvents();
    EXPECT_EQ(manager_.Styles(4)->StyleCaption(), "Posters");
    EXPECT_EQ(w->StyleList()->item(4)->text(), "Posters");
    // Set Current, then Delete (asked first) of the current style.
    w->StyleList()->setCurrentRow(2);
    w->SetCurrentButton()->click();
    EXPECT_EQ(manager_.CurrentStyle(), wide_);
    w->DeleteButton()->click();
    ASSERT_EQ(questions_.size(), 1u);
    EXPECT_EQ(questions_[0], "Delete the print style \"Wide\" ?");
    EXPECT_EQ(manager_.Count(), 4);
    EXPECT_EQ(manager_.IndexOfStyle(wide_), -1);
    EXPECT_EQ(w->StyleList()->currentItem()->text(), "Standard Style");
    w->CancelButton()->click();
  });
  QAction* define = ItemNamed(*window->PrintStylesMenu(), "&Define Styles...");
  ASSERT_NE(define, nullptr);
  define->trigger();
  EXPECT_TRUE(shown);
  // The window hears of the changes once the event loop is back.
  QApplication::processEvents();
  EXPECT_EQ(Captions(*window->PrintStylesMenu()),
            (std::vector<std::string>{"Standard", "Copy of Standard", "Standard Style", "Posters", "-",
                                      "&Define Styles..."}));
  window->close();
}

TEST_F(PrintStyleMenuTest, PreviewChosenInAStylesPageSetupClosesTheDefinitionWindow) {
  int setups = 0;
  dxPSPrintStyleDialogs().PageSetup = [&](TBasedxPrintStyle& style, int page, bool* previewChosen, bool*) {
    ++setups;
    EXPECT_EQ(&style, wide_);
    EXPECT_EQ(page, 0);
    if (previewChosen) *previewChosen = true;
    return true;
  };
  bool closedByPreview = false;
  AnswerModal<TCustomdxPSFmtDialog>([&](TCustomdxPSFmtDialog& dialog) {
    auto& w = static_cast<TdxfmDefinePrintStyles&>(dialog);
    // The last style is kept: Delete is offered only while there are two.
    EXPECT_TRUE(w.DeleteButton()->isEnabled());
    w.StyleList()->setCurrentRow(1);
    w.PageSetupButton()->click();
    closedByPreview = w.ModalResult() != mrNone;
  });
  bool previewChosen = false;
  EXPECT_TRUE(DefinePrintStylesDialog(manager_, &previewChosen, nullptr));
  EXPECT_EQ(setups, 1);
  EXPECT_TRUE(previewChosen);
  EXPECT_TRUE(closedByPreview);

  manager_.DeleteStyle(1);
  AnswerModal<TCustomdxPSFmtDialog>([&](TCustomdxPSFmtDialog& dialog) {
    auto& w = static_cast<TdxfmDefinePrintStyles&>(dialog);
    EXPECT_FALSE(w.DeleteButton()->isEnabled());
    w.DeleteStyle();
  });
  EXPECT_FALSE(DefinePrintStylesDialog(manager_, nullptr, nullptr));
  EXPECT_EQ(manager_.Count(), 1);
}
