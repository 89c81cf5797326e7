// Where the dialogs open (in the middle of the window they belong to, not in
// a corner of the screen) and what the font dialog chooses: face and size,
// underline, strike-out and colour.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QFontDialog>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <algorithm>
#include <functional>
#include <memory>
#include <optional>

#include "dialogs/FontDialog.h"
#include "editors/DialogControls.h"
#include "dialogs/FormatDialogs.h"
#include "dialogs/PageSetupDialog.h"
#include "dialogs/PrintStyles.h"
#include "engine/ComponentPrinter.h"
#include "tests/TestSupport.h"
#include "tests/dialogs/PrintDialogTestSupport.h"
#include "tests/engine/PrinterTestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

class TPlacementLink : public TBasedxReportLink {
  DX_CLASS(TPlacementLink, TBasedxReportLink)
};

// The window the dialogs belong to: active, away from the screen's middle.
class DialogPlacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto device = std::make_unique<HandPrintDevice>();
    device->SetOnlyPrinter(HandLetterPrinter("Hand"));
    devices_.emplace(std::move(device));
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    owner.setGeometry(area.left() + area.width() / 2, area.top() + 40, area.width() / 2 - 20, area.height() - 80);
    owner.show();
    QApplication::setActiveWindow(&owner);
    QApplication::processEvents();
  }
  void TearDown() override {
    AnswerModal<TdxfmPrintDialog>({});
    AnswerModal<TCustomdxPSFmtDialog>(nullptr);
    AnswerModal<TdxfmPageSetupDialog>(nullptr);
  }

  // The middle of the owner, kept on the screen.
  void ExpectCentredOnOwner(const QWidget& dialog, const char* name) {
    SCOPED_TRACE(name);
    ASSERT_TRUE(dialog.isVisible());
    const QRect area = owner.screen()->availableGeometry();
    const QRect d = dialog.frameGeometry(), o = owner.frameGeometry();
    const int x = std::clamp(o.left() + (o.width() - d.width()) / 2, area.left(), area.right() + 1 - d.width());
    const int y = std::clamp(o.top() + (o.height() - d.height()) / 2, area.top(), area.bottom() + 1 - d.height());
    // Within the few pixels of a window frame.
    EXPECT_NEAR(d.left(), std::max(x, area.left()), 4);
    EXPECT_NEAR(d.top(), std::max(y, area.top()), 4);
  }

  std::optional<ScopedPrintDevice> devices_;
  QWidget owner;
};

}  // namespace

TEST_F(DialogPlacementTest, PrintAndFormatDialogsOpenInTheMiddleOfTheirWindow) {
  DialogRecords records;
  RunPrintDialog(records, [&](TdxfmPrintDialog& d) {
    ExpectCentredOnOwner(d, "Print");
    d.CancelButton()->click();
  });

  // The owner is the active window again, as it is when a person closes the
  // print dialog (the offscreen screen leaves no window active).
  QApplication::setActiveWindow(&owner);
  dxPSRegisterFormatDialogs();
  QWidget component;
  TdxComponentPrinter printer;
  const TdxClass componentClass = dxComponentClassOf(&component);
  dxPSRegisterReportLink(TPlacementLink::StaticClass(), componentClass, nullptr);
  auto* link = new TPlacementLink;
  link->SetComponentPrinter(&printer);
  link->SetComponent(&component);
  dxPSUnregisterReportLink(TPlacementLink::StaticClass(), componentClass, nullptr);
  int shown = 0;
  AnswerModal<TCustomdxPSFmtDialog>([&](TCustomdxPSFmtDialog& dialog) {
    ++shown;
    ExpectCentredOnOwner(dialog, dialog.windowTitle().toUtf8().constData());
    dialog.close();
  });
  link->ShowDateTimeFormatsDialog();
  link->ShowPageNumberFormatsDialog();
  link->ShowTitlePropertiesDialog();
  EXPECT_EQ(shown, 3);
}

TEST_F(DialogPlacementTest, PageSetupOpensInTheMiddleOfItsWindow) {
  dxPSRegisterPrintStyles();
  dxPSRegisterPageSetupDialog();
  TdxPSPrintStyle style;
  bool ran = false;
  AnswerModal<TdxfmPageSetupDialog>([&](TdxfmPageSetupDialog& w) {
    ran = true;
    ExpectCentredOnOwner(w, "Page Setup");
  });
  style.PageSetup(0);
  dxPSUnregisterPageSetupDialog();
  EXPECT_TRUE(ran);
}

// The font dialog opens over its owner, shows the font's effects and colour
// and hands back what the user chose there.
TEST_F(DialogPlacementTest, TheFontDialogChoosesEffectsAndColour) {
  TFont font;
  font.Name = "Arial";
  font.SetSize(10);
  font.Style = fsUnderline;
  font.Color = clBlue;
  bool ran = false;
  QTimer::singleShot(0, [&] {
    QWidget* modal = QApplication::activeModalWidget();
    auto* dialog = dynamic_cast<TdxPSFontDialog*>(modal);
    if (!dialog) {
      if (modal) modal->close();
      return;
    }
    ran = true;
    struct Close {
      QDialog* dialog;
      ~Close() {
        if (dialog->isVisible()) dialog->reject();
      }
    } close{dialog};
    ExpectCentredOnOwner(*dialog, "Font");
    EXPECT_EQ(dialog->ColorBox()->ColorValue(), clBlue);
    QCheckBox* underline = nullptr;
    QCheckBox* strikeOut = nullptr;
    for (QCheckBox* box : dialog->FontChooser()->findChildren<QCheckBox*>()) {
      const QString text = box->text().remove('&');
      if (text.compare("Underline", Qt::CaseInsensitive) == 0) underline = box;
      if (text.compare("Strikeout", Qt::CaseInsensitive) == 0) strikeOut = box;
    }
    ASSERT_NE(underline, nullptr);
    ASSERT_NE(strikeOut, nullptr);
    EXPECT_TRUE(underline->isChecked());
    strikeOut->click();
    // The colour list by keys: Home to its first entry, then down to red.
    TdxPSColorCombo* colors = dialog->ColorBox();
    auto key = [&](int k) {
      QKeyEvent press(QEvent::KeyPress, k, Qt::NoModifier);
      QApplication::sendEvent(colors, &press);
    };
    key(Qt::Key_Home);
    for (int i = 0; i < colors->count() && colors->ColorValue() != clRed; ++i) key(Qt::Key_Down);
    dialog->accept();
  });
  ASSERT_TRUE(dxPSExecuteFontDialog(font, &owner));
  EXPECT_TRUE(ran);
  EXPECT_EQ(font.Color, clRed);
  EXPECT_EQ(font.Style, TFontStyles(fsUnderline | fsStrikeOut));
  EXPECT_EQ(font.Size(), 10);
  EXPECT_EQ(font.Name, "Arial");
}
