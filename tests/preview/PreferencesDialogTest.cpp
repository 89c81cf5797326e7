// The preferences dialog: the record goes in, is edited through clicks and
// keys on the running dialog, and comes back only when OK follows a change.
#include <gtest/gtest.h>

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QTabWidget>
#include <functional>

#include "editors/DialogControls.h"
#include "preview/PreviewDialogs.h"
#include "tests/TestSupport.h"
#include "tests/preview/PreviewTestSupport.h"
#include "tests/ModalAnswers.h"

namespace {

using preview_test::WaitFor;

void SendMouse(QWidget* w, QEvent::Type type, QPoint p, Qt::MouseButton button, Qt::MouseButtons buttons) {
  QMouseEvent e(type, QPointF(p), w->mapToGlobal(QPointF(p)), button, buttons, Qt::NoModifier);
  QApplication::sendEvent(w, &e);
}

void Click(QWidget* w) {
  const QPoint p = qobject_cast<QCheckBox*>(w) ? QPoint(6, w->height() / 2) : w->rect().center();
  SendMouse(w, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
  SendMouse(w, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
}

void Key(int key, const QString& text = {}) {
  QWidget* target = QApplication::focusWidget();
  ASSERT_NE(target, nullptr);
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QApplication::sendEvent(target, &press);
}

void Type(const QString& digits) {
  for (QChar c : digits) Key(Qt::Key_0 + (c.unicode() - '0'), QString(c));
}

TdxPreviewPreferences SampleRecord() {
  TdxPreviewPreferences p;
  p.MarginColor = 0x000080;  // "Maroon"
  p.MeasurementUnits = 2;
  p.ShowMarginHintsWhileDragging = true;
  p.ShowMarginHints = false;
  p.ShowMargins = true;
  p.ZoomOnMouseRoll = false;
  p.ZoomStep = 7;
  return p;
}

bool Same(const TdxPreviewPreferences& a, const TdxPreviewPreferences& b) {
  return a.MarginColor == b.MarginColor && a.MeasurementUnits == b.MeasurementUnits &&
         a.ShowMarginHintsWhileDragging == b.ShowMarginHintsWhileDragging && a.ShowMarginHints == b.ShowMarginHints &&
         a.ShowMargins == b.ShowMargins && a.ZoomOnMouseRoll == b.ZoomOnMouseRoll && a.ZoomStep == b.ZoomStep;
}

class PreferencesDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { dxPSSetMouseWheelPresent(true); }
  void TearDown() override {
    AnswerModal<TdxPSDialogForm>({});
    dxPSSetMouseWheelPresent(std::nullopt);
  }

  bool Run(TdxPreviewPreferences* record, const std::function<void(TdxfmOptions&)>& script) {
    runs_ = 0;
    AnswerModal<TdxPSDialogForm>([&](TdxPSDialogForm& form) {
      auto* dialog = dynamic_cast<TdxfmOptions*>(&form);
      ASSERT_NE(dialog, nullptr);
      ++runs_;
      QApplication::setActiveWindow(dialog);
      ASSERT_TRUE(WaitFor([&] { return dialog->isActiveWindow(); }));
      script(*dialog);
    });
    return ShowPreferencesDialog(record);
  }

  int runs_ = 0;
};

TEST_F(PreferencesDialogTest, ControlsShowTheRecord) {
  TdxfmOptions dialog;
  const TdxPreviewPreferences record = SampleRecord();
  dialog.Load(record);
  EXPECT_TRUE(dialog.ShowMarginsCheck()->isChecked());
  EXPECT_FALSE(dialog.ShowMarginsHintsCheck()->isChecked());
  EXPECT_TRUE(dialog.ShowMarginsHintsWhileDraggingCheck()->isChecked());
  EXPECT_FALSE(dialog.ZoomOnRollCheck()->isChecked());
  EXPECT_EQ(dialog.UnitsList()->currentIndex(), 2);
  EXPECT_EQ(dialog.UnitsList()->currentText(), "Millimeters");
  EXPECT_EQ(dialog.ColorBox()->currentIndex(), 14);
  EXPECT_EQ(dialog.ColorBox()->ColorValue(), TColor(0x000080));
  EXPECT_EQ(dialog.ZoomStepBox()->Value(), 7);
  EXPECT_FALSE(dialog.Changed());
  EXPECT_TRUE(Same(dialog.Values(), record));
}

TEST_F(PreferencesDialogTest, TextsAndLayout) {
  TdxfmOptions dialog;
  dialog.Load(SampleRecord());
  EXPECT_EQ(dialog.windowTitle(), "Options");
  EXPECT_EQ(dialog.PageControl()->tabText(0), "General");
  EXPECT_EQ(dialog.ShowMarginsCheck()->text(), "&Margins ");
  EXPECT_EQ(dialog.ZoomOnRollCheck()->text(), "&Zoom on roll with IntelliMouse");
  ASSERT_EQ(dialog.UnitsList()->count(), 3);
  EXPECT_EQ(dialog.UnitsList()->itemText(0), "Default");
  EXPECT_EQ(dialog.UnitsList()->itemText(1), "Inches");
  // "Auto" and the twenty pure colours, no custom entry.
  ASSERT_EQ(dialog.ColorBox()->EntryCount(), 21);
  EXPECT_EQ(dialog.ColorBox()->EntryName(0), "Auto");
  EXPECT_EQ(dialog.ColorBox()->EntryColor(0), clWindowText);
  EXPECT_EQ(dialog.ColorBox()->EntryName(1), "Black");
  EXPECT_EQ(dialog.ColorBox()->EntryName(20), "White");
  EXPECT_EQ(dialog.ColorBox()->CustomColorIndex(), -1);
  EXPECT_EQ(dialog.ZoomStepBox()->text(), "7 %");
  EXPECT_EQ(dialog.size(), QSize(456, 246));
  EXPECT_TRUE(dialog.HelpButton()->isHidden());
  EXPECT_EQ(dialog.OkButton()->x(), 292);
  EXPECT_EQ(dialog.CancelButton()->x(), 372);
}

TEST_F(PreferencesDialogTest, ConfirmedChangesComeBack) {
  TdxPreviewPreferences record = SampleRecord();
  EXPECT_TRUE(Run(&record, [](TdxfmOptions& dialog) {
    Click(dialog.ShowMarginsCheck());
    Click(dialog.ShowMarginsHintsCheck());
    Click(dialog.ZoomOnRollCheck());
    EXPECT_TRUE(dialog.Changed());
    dialog.UnitsList()->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Up);  // Millimeters -> Inches
    dialog.ColorBox()->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Down);  // Maroon -> Purple
    dialog.ZoomStepBox()->setFocus(Qt::TabFocusReason);
    Type("15");
    Key(Qt::Key_Return);
  }));
  EXPECT_EQ(runs_, 1);
  EXPECT_FALSE(record.ShowMargins);
  EXPECT_TRUE(record.ShowMarginHints);
  EXPECT_TRUE(record.ShowMarginHintsWhileDragging);
  EXPECT_TRUE(record.ZoomOnMouseRoll);
  EXPECT_EQ(record.MeasurementUnits, 1);
  EXPECT_EQ(record.MarginColor, TColor(0x800080));
  EXPECT_EQ(record.ZoomStep, 15);
}

TEST_F(PreferencesDialogTest, CancelEscapeAndCloseKeepTheRecord) {
  const std::function<void(TdxfmOptions&)> leaves[] = {
      [](TdxfmOptions& d) { Click(d.CancelButton()); },
      [](TdxfmOptions&) { Key(Qt::Key_Escape); },
      [](TdxfmOptions& d) { d.close(); },
  };
  for (const auto& leave : leaves) {
    TdxPreviewPreferences record = SampleRecord();
    EXPECT_FALSE(Run(&record, [&](TdxfmOptions& dialog) {
      Click(dialog.ShowMarginsCheck());
      dialog.ZoomStepBox()->ButtonClick(btLine, true);
      EXPECT_TRUE(dialog.Changed());
      leave(dialog);
    }));
    EXPECT_TRUE(Same(record, SampleRecord()));
  }
}

TEST_F(PreferencesDialogTest, OkWithoutChangeAnswersFalse) {
  TdxPreviewPreferences record = SampleRecord();
  EXPECT_FALSE(Run(&record, [](TdxfmOptions& dialog) { Click(dialog.OkButton()); }));
  EXPECT_EQ(runs_, 1);
  EXPECT_TRUE(Same(record, SampleRecord()));
}

TEST_F(PreferencesDialogTest, NoRecordNoDialog) {
  EXPECT_FALSE(Run(nullptr, [](TdxfmOptions& dialog) { Click(dialog.OkButton()); }));
  EXPECT_EQ(runs_, 0);
}

TEST_F(PreferencesDialogTest, UnlistedColourComesBackAsAuto) {
  TdxPreviewPreferences record = SampleRecord();
  record.MarginColor = 0x123456;
  EXPECT_TRUE(Run(&record, [](TdxfmOptions& dialog) {
    EXPECT_EQ(dialog.ColorBox()->currentIndex(), 0);
    EXPECT_EQ(dialog.ColorBox()->currentText().toStdString(), "Auto");
    Click(dialog.ShowMarginsCheck());
    Click(dialog.OkButton());
  }));
  EXPECT_EQ(record.MarginColor, clWindowText);
  EXPECT_FALSE(record.ShowMargins);
}

TEST_F(PreferencesDialogTest, ZoomStepIsLimited) {
  TdxPreviewPreferences record = SampleRecord();
  record.ZoomStep = 0;  // as in a zeroed record
  EXPECT_TRUE(Run(&record, [](TdxfmOptions& dialog) {
    EXPECT_EQ(dialog.ZoomStepBox()->Value(), 1);
    dialog.ZoomStepBox()->setFocus(Qt::TabFocusReason);
    Type("35");
    Click(dialog.OkButton());
  }));
  EXPECT_EQ(record.ZoomStep, 20);

  EXPECT_TRUE(Run(&record, [](TdxfmOptions& dialog) {
    dialog.ZoomStepBox()->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Backspace);
    Key(Qt::Key_Return);
  }));
  EXPECT_EQ(record.ZoomStep, 1);
}

TEST_F(PreferencesDialogTest, ZoomOnRollNeedsAWheel) {
  dxPSSetMouseWheelPresent(false);
  TdxfmOptions without;
  without.Load(SampleRecord());
  EXPECT_FALSE(without.ZoomOnRollCheck()->isEnabled());
  dxPSSetMouseWheelPresent(true);
  TdxfmOptions with;
  with.Load(SampleRecord());
  EXPECT_TRUE(with.ZoomOnRollCheck()->isEnabled());
}

TEST_F(PreferencesDialogTest, LabelsFocusTheirControls) {
  TdxPreviewPreferences record = SampleRecord();
  Run(&record, [](TdxfmOptions& dialog) {
    SendMouse(dialog.ZoomStepLabel(), QEvent::MouseButtonPress, QPoint(3, 3), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(QApplication::focusWidget(), dialog.ZoomStepBox());
    SendMouse(dialog.UnitsLabel(), QEvent::MouseButtonPress, QPoint(3, 3), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(dialog.UnitsList()->view()->isVisible(), true);
    dialog.UnitsList()->hidePopup();
    EXPECT_EQ(QApplication::focusWidget(), dialog.UnitsList());
    Key(Qt::Key_Escape);
  });
}

}  // namespace
