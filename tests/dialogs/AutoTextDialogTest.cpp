// The auto-text editor and the menu of auto-text entries: the list with Add
// and Delete driven by the typed text, the function buttons that put tokens
// into it, the three-part preview, and the builders the menu is made with.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <functional>

#include "dialogs/AutoTextMenu.h"
#include "dialogs/AutoTextDialog.h"
#include "dialogs/FunctionToolBar.h"
#include "layout/HeaderFooterFunctions.h"
#include "tests/TestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

class AutoTextDialogTest : public ::testing::Test {
 protected:
  void TearDown() override { AnswerModal<TCustomdxPSFmtDialog>(nullptr); }

  // Runs the editor on the entries; body drives the shown window.
  bool Run(std::vector<std::string>& entries, const std::function<void(TdxfmAutoText&)>& body) {
    AnswerModal<TCustomdxPSFmtDialog>([&](TCustomdxPSFmtDialog& dialog) {
      auto& editor = static_cast<TdxfmAutoText&>(dialog);
      editor.activateWindow();
      QApplication::processEvents();
      body(editor);
    });
    return EditAutoTextEntries(&entries);
  }

  static void Key(QWidget* target, int key) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier);
    QApplication::sendEvent(target, &press);
  }

  static std::vector<std::string> Rows(const QListWidget& list) {
    std::vector<std::string> rows;
    for (int i = 0; i < list.count(); ++i) rows.push_back(list.item(i)->text().toStdString());
    return rows;
  }
};

}  // namespace

TEST_F(AutoTextDialogTest, WithoutAnEntryListNothingOpens) {
  bool shown = false;
  AnswerModal<TCustomdxPSFmtDialog>([&](TCustomdxPSFmtDialog&) { shown = true; });
  EXPECT_FALSE(EditAutoTextEntries(nullptr));
  EXPECT_FALSE(shown);
}

TEST_F(AutoTextDialogTest, OpensSortedAndCancelKeepsTheEntries) {
  std::vector<std::string> entries = {"Printed By [User Name]", ", -[Page #]- ,", "Confidential, Page [Page #], x"};
  const std::vector<std::string> before = entries;
  EXPECT_FALSE(Run(entries, [](TdxfmAutoText& w) {
    EXPECT_EQ(w.windowTitle(), "Edit AutoText Entries");
    EXPECT_EQ(w.size(), QSize(394, 358));
    EXPECT_EQ(w.EntriesGroup()->title(), " Enter A&utoText Entries Here: ");
    EXPECT_EQ(w.PreviewLabel()->text(), "Preview");
    EXPECT_EQ(Rows(*w.EntryList()),
              (std::vector<std::string>{", -[Page #]- ,", "Confidential, Page [Page #], x", "Printed By [User Name]"}));
    EXPECT_EQ(w.EntryList()->currentRow(), 0);
    EXPECT_EQ(w.EntryEdit()->text(), ", -[Page #]- ,");
    // No help: OK and Cancel take the two places on the right.
    EXPECT_TRUE(w.HelpButton()->isHidden());
    EXPECT_EQ(w.CancelButton()->geometry().right(), 385);
    EXPECT_LT(w.OkButton()->geometry().right(), w.CancelButton()->geometry().left());
    // The function tool bar: one button per function of the library.
    EXPECT_EQ(int(dxHFToolBarFunctionButtons(*w.FunctionToolBar()).size()), GetHFFunctionLibrary()->Count());
    EXPECT_EQ(dxHFToolBarAutoTextButton(*w.FunctionToolBar()), nullptr);
    w.EntryEdit()->setText("Something new");
    w.AddEntry();
    Key(&w, Qt::Key_Escape);
  }));
  EXPECT_EQ(entries, before);
}

TEST_F(AutoTextDialogTest, TheTypedTextDrivesAddDeleteAndTheSelection) {
  std::vector<std::string> entries = {"Alpha", "Beta", "Created By [User Name]", "Gamma"};
  EXPECT_TRUE(Run(entries, [](TdxfmAutoText& w) {
    struct Case {
      const char* typed;
      bool add, del;
      int selected;  // the row the typed text selects (-1: stays where it was)
    };
    const Case cases[] = {
        {"", false, false, -1},
        {"New entry", true, false, -1},
        {"created by [user name]", false, true, 2},
        {"Gamma", false, true, 3},
        {"Gamm", true, false, -1},
    };
    for (const Case& c : cases) {
      const int before = w.EntryList()->currentRow();
      w.EntryEdit()->setText(c.typed);
      EXPECT_EQ(w.AddButton()->isEnabled(), c.add) << c.typed;
      EXPECT_EQ(w.DeleteButton()->isEnabled(), c.del) << c.typed;
      EXPECT_EQ(w.EntryList()->currentRow(), c.selected < 0 ? before : c.selected) << c.typed;
    }

    // Enter in the edit adds, clears it and keeps the focus in the list box.
    w.EntryEdit()->setFocus();
    w.EntryEdit()->setText("Delta");
    Key(w.EntryEdit(), Qt::Key_Return);
    EXPECT_EQ(Rows(*w.EntryList()), (std::vector<std::string>{"Alpha", "Beta", "Created By [User Name]", "Delta", "Gamma"}));
    EXPECT_EQ(w.EntryEdit()->text(), "");
    EXPECT_TRUE(w.ListBoxFocused());
    EXPECT_TRUE(w.isVisible()) << "Enter closed the window";
    // Enter with nothing to add neither adds nor closes.
    Key(w.EntryList(), Qt::Key_Return);
    EXPECT_EQ(w.EntryList()->count(), 5);

    // Delete selects the entry that takes the place, or the last one.
    w.EntryList()->setCurrentRow(1);
    w.DeleteButton()->click();
    EXPECT_EQ(w.EntryList()->currentItem()->text(), "Created By [User Name]");
    EXPECT_EQ(w.EntryEdit()->text(), "Created By [User Name]");
    w.EntryList()->setCurrentRow(3);
    w.DeleteButton()->click();
    EXPECT_EQ(w.EntryList()->currentItem()->text(), "Delta");
    w.OkButton()->click();
  }));
  EXPECT_EQ(entries, (std::vector<std::string>{"Alpha", "Created By [User Name]", "Delta"}));
}

TEST_F(AutoTextDialogTest, FunctionButtonsPutTheirTokenOnlyIntoTheFocusedListBox) {
  std::vector<std::string> entries = {"Page"};
  EXPECT_TRUE(Run(entries, [](TdxfmAutoText& w) {
    std::vector<QToolButton*> buttons = dxHFToolBarFunctionButtons(*w.FunctionToolBar());
    ASSERT_GE(buttons.size(), 2u);
    w.EntryEdit()->setFocus();
    QApplication::processEvents();
    ASSERT_TRUE(w.ListBoxFocused());
    EXPECT_TRUE(buttons[0]->isEnabled());
    w.EntryEdit()->setText("Page X of Y");
    w.EntryEdit()->setSelection(5, 1);  // the X
    buttons[0]->click();
    EXPECT_EQ(w.EntryEdit()->text(), "Page [Page #] of Y");

    w.OkButton()->setFocus();
    QApplication::processEvents();
    EXPECT_FALSE(buttons[0]->isEnabled());
    w.InsertFunction(1);
    EXPECT_EQ(w.EntryEdit()->text(), "Page [Page #] of Y");
    w.EntryEdit()->setFocus();
    Key(w.EntryEdit(), Qt::Key_Return);
    w.OkButton()->click();
  }));
  EXPECT_EQ(entries, (std::vector<std::string>{"Page", "Page [Page #] of Y"}));
}

TEST_F(AutoTextDialogTest, ThePreviewShowsTheThreePartsExpandedInTheirThirds) {
  TdxHFFunctionFormatObject& format = *GetHFFormatObject();
  const TdxHFFunctionFormatObject saved = format;
  format.StartPageIndex = 1;
  format.CurrentPage = 3;
  format.TotalPages = 12;
  format.PageNumberFormat = pnfUpperRoman;
  std::vector<std::string> entries = {"Left &Side, [Page #], [Total Pages]"};
  Run(entries, [](TdxfmAutoText& w) {
    const std::vector<TdxfmAutoText::TPreviewPart> parts = w.PreviewParts();
    ASSERT_EQ(parts.size(), 3u);
    EXPECT_EQ(parts[0].Text, "Left &Side");
    EXPECT_EQ(parts[1].Text, " III ");
    EXPECT_EQ(parts[2].Text, " XII ");
    // 2 pixels in from the 1-pixel frame; the thirds of that area.
    const QRect box = w.PreviewBox()->rect();
    const QRect area = box.adjusted(3, 3, -3, -3);
    EXPECT_EQ(parts[0].Bounds, area);
    EXPECT_EQ(parts[0].Alignment & Qt::AlignHorizontal_Mask, int(Qt::AlignLeft));
    EXPECT_EQ(parts[1].Bounds.left(), area.left() + area.width() / 3);
    EXPECT_EQ(parts[1].Bounds.width(), area.width() / 3);
    EXPECT_EQ(parts[1].Alignment & Qt::AlignHorizontal_Mask, int(Qt::AlignHCenter));
    EXPECT_EQ(parts[2].Bounds.right(), area.right());
    EXPECT_EQ(parts[2].Alignment & Qt::AlignHorizontal_Mask, int(Qt::AlignRight));

    // Frame in the window text colour, the window colour inside, ink in each third.
    const QImage shown = w.PreviewBox()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QPalette palette = w.PreviewBox()->palette();
    EXPECT_EQ(QColor(shown.pixel(0, 0)), palette.color(QPalette::WindowText));
    EXPECT_EQ(QColor(shown.pixel(box.width() - 1, box.height() / 2)), palette.color(QPalette::WindowText));
    EXPECT_EQ(QColor(shown.pixel(1, 1)), palette.color(QPalette::Base));
    auto inked = [&](int from, int to) {
      for (int y = 2; y < box.height() - 2; ++y)
        for (int x = from; x < to; ++x)
          if (QColor(shown.pixel(x, y)) != palette.color(QPalette::Base)) return true;
      return false;
    };
    const int third = box.width() / 3;
    EXPECT_TRUE(inked(2, third));
    EXPECT_TRUE(inked(third, 2 * third));
    EXPECT_TRUE(inked(2 * third, box.width() - 2));
    // Without a selected entry the box is empty.
    w.EntryList()->setCurrentRow(-1);
    EXPECT_TRUE(w.PreviewParts().empty());
  });
  format = saved;
}

// ---- The entry menu ------------------------------------------------------------------------

namespace {

class TCountingMenuBuilder : public TdxPSAutoHFTextMenuBuilder {
  DX_CLASS(TCountingMenuBuilder, TdxPSAutoHFTextMenuBuilder)

 public:
  static int& Builds() {
    static int n = 0;
    return n;
  }
  void BuildAutoHFTextEntriesMenu(QMenu& menu, const std::vector<std::string>&, const std::function<void(int)>&, bool,
                                  const std::function<void()>&) override {
    ++Builds();
    menu.clear();
  }
};

std::vector<std::string> Captions(const QMenu& menu) {
  std::vector<std::string> captions;
  for (QAction* a : menu.actions()) captions.push_back(a->isSeparator() ? "-" : a->text().toStdString());
  return captions;
}

}  // namespace

TEST(AutoTextMenu, EntriesThenTheAutoTextItemWhenAsked) {
  struct Case {
    std::vector<std::string> entries;
    bool withItem;
    std::vector<std::string> captions;
  };
  const Case cases[] = {
      {{"One", "Two & Three"}, false, {"One", "Two && Three"}},
      {{"One", "Two & Three"}, true, {"One", "Two && Three", "-", "AutoTe&xt..."}},
      {{}, true, {"AutoTe&xt..."}},
      {{}, false, {}},
  };
  for (const Case& c : cases) {
    QMenu menu;
    menu.addAction("left over");
    int chosen = -1, opened = 0;
    BuildAutoTextMenu(menu, c.entries, [&](int i) { chosen = i; }, c.withItem, [&] { ++opened; });
    EXPECT_EQ(Captions(menu), c.captions);
    if (c.entries.size() > 1) {
      menu.actions()[1]->trigger();
      EXPECT_EQ(chosen, 1);
      EXPECT_EQ(menu.actions()[1]->data().toInt(), 1);
    }
    if (c.withItem) {
      menu.actions().back()->trigger();
      EXPECT_EQ(opened, 1);
    }
  }
}

TEST(AutoTextMenu, TheBuilderRegisteredLastMakesTheMenu) {
  auto* factory = TdxPSAutoHFTextMenuBuilderFactory::Instance();
  EXPECT_EQ(factory->Items(0), TdxStandardPSAutoHFTextMenuBuilder::StaticClass());
  factory->Register(TdxObject::StaticClass());  // no builder: not taken
  EXPECT_EQ(factory->IndexOf(TdxObject::StaticClass()), -1);

  factory->Register(TCountingMenuBuilder::StaticClass());
  QMenu menu;
  BuildAutoTextMenu(menu, {"One"}, nullptr);
  EXPECT_EQ(TCountingMenuBuilder::Builds(), 1);
  EXPECT_TRUE(menu.actions().isEmpty());

  // The tool bar's Insert AutoText button drops down the same menu.
  factory->Unregister(TCountingMenuBuilder::StaticClass());
  QWidget parent;
  parent.resize(400, 40);
  QToolBar bar(&parent);
  const std::vector<std::string> entries = {"First", "Second"};
  int chosen = -1;
  TdxHFToolBarParams params;
  params.WithAutoTextButton = true;
  params.AutoTextEntries = &entries;
  params.OnAutoTextClick = [&](int i) { chosen = i; };
  BuildHFToolBar(bar, *GetHFFunctionLibrary(), params);
  QToolButton* button = dxHFToolBarAutoTextButton(bar);
  ASSERT_NE(button, nullptr);
  ASSERT_NE(button->menu(), nullptr);
  EXPECT_EQ(Captions(*button->menu()), entries);
  button->menu()->actions()[1]->trigger();
  EXPECT_EQ(chosen, 1);
  EXPECT_EQ(TCountingMenuBuilder::Builds(), 1);
}
