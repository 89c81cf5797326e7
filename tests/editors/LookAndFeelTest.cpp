#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <functional>
#include <memory>
#include <vector>

#include "editors/LookAndFeelPainters.h"
#include "editors/LookAndFeels.h"
#include "platform/Canvas.h"
#include "tests/TestSupport.h"

namespace {

constexpr unsigned kKind = 1, kNative = 2;

// Classic scheme colours as 0xRRGGBB.
constexpr unsigned kShadowRGB = 0x808080, kHighlightRGB = 0x000080, kWhiteRGB = 0xFFFFFF, kFaceRGB = 0xC0C0C0,
                   kDarkRGB = 0x000000;

struct RecordingListener : IcxLookAndFeelNotificationListener {
  std::vector<std::pair<TcxLookAndFeel*, TcxLookAndFeelValues>> changes;
  std::vector<TcxLookAndFeel*> removals;
  std::function<void()> onChange;
  void NotifyLookAndFeelChange(TcxLookAndFeel& sender, TcxLookAndFeelValues changed) override {
    changes.push_back({&sender, changed});
    if (onChange) onChange();
  }
  void NotifyLookAndFeelRemoval(TcxLookAndFeel& sender) override { removals.push_back(&sender); }
};

// Every test leaves the process-wide state as it found it.
class LookAndFeel : public ::testing::Test {
 protected:
  void TearDown() override {
    RootLookAndFeel().SetAssignedValues(0);
    cxSetVisualStylesAvailable(false);
  }
};

QImage Canvas(int w, int h) {
  QImage img(w, h, QImage::Format_RGB32);
  img.fill(Qt::magenta);
  return img;
}

}  // namespace

TEST_F(LookAndFeel, DefaultIsUltraFlatWithoutVisualStylesAndNewOnesInheritIt) {
  TcxLookAndFeel& def = RootLookAndFeel();
  EXPECT_TRUE(def.IsDefault());
  EXPECT_EQ(DefaultLookAndFeel(), &def);
  EXPECT_EQ(def.Kind(), lfUltraFlat);
  EXPECT_FALSE(def.NativeStyle());
  EXPECT_EQ(def.AssignedValues(), 0u);
  EXPECT_EQ(def.Painter(), TcxUltraFlatLookAndFeelPainter::Class());

  TcxLookAndFeel laf;
  EXPECT_FALSE(laf.IsDefault());
  EXPECT_EQ(laf.ParentLookAndFeel(), nullptr);
  EXPECT_TRUE(def.HasChangeListener(&laf));  // registered with the default
  EXPECT_FALSE(laf.IsKindStored());
  def.SetKind(lfFlat);
  EXPECT_EQ(laf.Kind(), lfFlat);
  EXPECT_EQ(laf.Painter(), TcxFlatLookAndFeelPainter::Class());
  // The default ignores a parent.
  def.SetParentLookAndFeel(&laf);
  EXPECT_EQ(def.ParentLookAndFeel(), nullptr);
}

TEST_F(LookAndFeel, AssignedValuesOverrideTheParentAndClearingThemInheritsAgain) {
  TcxLookAndFeel parent, child;
  child.SetParentLookAndFeel(&parent);
  EXPECT_TRUE(parent.HasChangeListener(&child));
  EXPECT_FALSE(RootLookAndFeel().HasChangeListener(&child));
  parent.SetKind(lfStandard);
  EXPECT_EQ(child.Kind(), lfStandard);
  EXPECT_EQ(child.AssignedValues(), 0u);

  child.SetKind(lfFlat);
  EXPECT_EQ(child.AssignedValues(), kKind);
  EXPECT_TRUE(child.IsKindStored());
  parent.SetKind(lfUltraFlat);
  EXPECT_EQ(child.Kind(), lfFlat);

  // Assigning the value the parent gives still assigns it.
  child.SetNativeStyle(false);
  EXPECT_EQ(child.AssignedValues(), kKind | kNative);

  child.SetAssignedValues(0);
  EXPECT_EQ(child.Kind(), lfUltraFlat);

  // Self and the current parent are ignored; none falls back to the default.
  child.SetParentLookAndFeel(&child);
  EXPECT_EQ(child.ParentLookAndFeel(), &parent);
  RootLookAndFeel().SetKind(lfStandard);
  EXPECT_EQ(child.Kind(), lfUltraFlat);
  child.SetParentLookAndFeel(nullptr);
  EXPECT_EQ(child.Kind(), lfStandard);
  EXPECT_TRUE(RootLookAndFeel().HasChangeListener(&child));
  EXPECT_FALSE(parent.HasChangeListener(&child));
}

TEST_F(LookAndFeel, AssignCopiesOwnValuesAssignedSetAndParent) {
  TcxLookAndFeel parent, source, target;
  source.SetParentLookAndFeel(&parent);
  source.SetNativeStyle(true);
  parent.SetKind(lfFlat);
  RecordingListener listener;
  target.AddChangeListener(&listener);
  target.Assign(source);
  EXPECT_EQ(target.ParentLookAndFeel(), &parent);
  EXPECT_EQ(target.AssignedValues(), kNative);
  EXPECT_TRUE(target.NativeStyle());
  EXPECT_EQ(target.Kind(), lfFlat);
  ASSERT_EQ(listener.changes.size(), 1u);
  EXPECT_EQ(listener.changes[0].second, kKind | kNative);
  target.RemoveChangeListener(&listener);
}

TEST_F(LookAndFeel, ListenersAreToldWhatChangedOnlyWhenTheResolvedValuesChange) {
  TcxLookAndFeel laf;
  RecordingListener a;
  laf.AddChangeListener(&a);
  laf.AddChangeListener(&a);  // at most once
  EXPECT_EQ(laf.ChangeListenerCount(), 1);

  laf.SetKind(lfUltraFlat);  // assigns, but resolves as before
  EXPECT_TRUE(a.changes.empty());
  laf.SetKind(lfFlat);
  laf.SetNativeStyle(true);
  laf.SetNativeStyle(true);
  ASSERT_EQ(a.changes.size(), 2u);
  EXPECT_EQ(a.changes[0], std::make_pair(&laf, kKind));
  EXPECT_EQ(a.changes[1], std::make_pair(&laf, kNative));

  laf.SetAssignedValues(0);
  ASSERT_EQ(a.changes.size(), 3u);
  EXPECT_EQ(a.changes[2].second, kKind | kNative);

  // The owner's callback runs after the listeners.
  std::vector<std::string> order;
  a.onChange = [&] { order.push_back("listener"); };
  laf.OnChanged = [&](TcxLookAndFeel&, TcxLookAndFeelValues) { order.push_back("owner"); };
  laf.SetKind(lfStandard);
  EXPECT_EQ(order, (std::vector<std::string>{"listener", "owner"}));
  laf.RemoveChangeListener(&a);
}

TEST_F(LookAndFeel, AListenerRemovingItselfDoesNotMakeTheNextBeSkipped) {
  TcxLookAndFeel laf;
  RecordingListener first, second, third;
  laf.AddChangeListener(&first);
  laf.AddChangeListener(&second);
  laf.AddChangeListener(&third);
  first.onChange = [&] { laf.RemoveChangeListener(&first); };
  // A removed listener is not told any more.
  second.onChange = [&] { laf.RemoveChangeListener(&third); };
  laf.SetKind(lfFlat);
  EXPECT_EQ(first.changes.size(), 1u);
  EXPECT_EQ(second.changes.size(), 1u);
  EXPECT_TRUE(third.changes.empty());
  EXPECT_FALSE(laf.HasChangeListener(&first));
  laf.RemoveChangeListener(&second);
}

TEST_F(LookAndFeel, ChangesOfTheDefaultReachEveryInheritingDescendant) {
  TcxLookAndFeel top, middle, leaf, independent;
  middle.SetParentLookAndFeel(&top);
  leaf.SetParentLookAndFeel(&middle);
  independent.SetKind(lfStandard);
  RecordingListener onLeaf, onIndependent;
  leaf.AddChangeListener(&onLeaf);
  independent.AddChangeListener(&onIndependent);

  RootLookAndFeel().SetKind(lfFlat);
  EXPECT_EQ(leaf.Kind(), lfFlat);
  ASSERT_EQ(onLeaf.changes.size(), 1u);
  EXPECT_EQ(onLeaf.changes[0], std::make_pair(&leaf, kKind));
  // An assigned Kind does not follow, and nothing is said.
  EXPECT_EQ(independent.Kind(), lfStandard);
  EXPECT_TRUE(onIndependent.changes.empty());

  RootLookAndFeel().SetNativeStyle(true);
  EXPECT_TRUE(independent.NativeStyle());
  ASSERT_EQ(onIndependent.changes.size(), 1u);
  EXPECT_EQ(onIndependent.changes[0].second, kNative);
  leaf.RemoveChangeListener(&onLeaf);
  independent.RemoveChangeListener(&onIndependent);
}

TEST_F(LookAndFeel, DestructionTellsListenersAndOrphansFallBackToTheDefault) {
  RecordingListener listener;
  auto parent = std::make_unique<TcxLookAndFeel>();
  TcxLookAndFeel child;
  child.SetParentLookAndFeel(parent.get());
  parent->SetKind(lfFlat);
  parent->AddChangeListener(&listener);
  RecordingListener onChild;
  child.AddChangeListener(&onChild);
  RootLookAndFeel().SetKind(lfStandard);
  EXPECT_EQ(child.Kind(), lfFlat);

  TcxLookAndFeel* gone = parent.get();
  parent.reset();
  ASSERT_EQ(listener.removals.size(), 1u);
  EXPECT_EQ(listener.removals[0], gone);
  EXPECT_EQ(child.ParentLookAndFeel(), nullptr);
  EXPECT_EQ(child.Kind(), lfStandard);
  EXPECT_TRUE(RootLookAndFeel().HasChangeListener(&child));
  ASSERT_EQ(onChild.changes.size(), 1u);
  EXPECT_EQ(onChild.changes[0].second, kKind);
  child.RemoveChangeListener(&onChild);
}

TEST_F(LookAndFeel, PainterFollowsKindAndNativeStyleOnlyWithVisualStyles) {
  TcxLookAndFeel laf;
  laf.SetKind(lfStandard);
  EXPECT_EQ(laf.Painter(), TcxStandardLookAndFeelPainter::Class());
  laf.SetKind(lfFlat);
  EXPECT_EQ(laf.Painter(), TcxFlatLookAndFeelPainter::Class());
  laf.SetNativeStyle(true);
  // No visual styles in this system: NativeStyle alone changes nothing.
  EXPECT_FALSE(cxAreVisualStylesAvailable());
  EXPECT_FALSE(laf.UsesVisualStyles());
  EXPECT_EQ(laf.Painter(), TcxFlatLookAndFeelPainter::Class());

  RecordingListener listener;
  laf.AddChangeListener(&listener);
  cxSetVisualStylesAvailable(true);  // told as a system change
  ASSERT_EQ(listener.changes.size(), 1u);
  EXPECT_EQ(listener.changes[0].second, 0u);
  EXPECT_TRUE(laf.UsesVisualStyles());
  EXPECT_EQ(laf.Painter(), TcxWinXPLookAndFeelPainter::Class());
  EXPECT_EQ(laf.Painter()->LookAndFeelStyle(), lfsNative);
  EXPECT_STREQ(laf.Painter()->ClassName(), "TcxWinXPLookAndFeelPainter");
  laf.RemoveChangeListener(&listener);
}

TEST_F(LookAndFeel, ControllersWriteTheDefaultAndTheLastOneResetsIt) {
  TcxLookAndFeel laf;
  EXPECT_EQ(TcxLookAndFeelController::ControllerCount(), 0);
  auto first = std::make_unique<TcxLookAndFeelController>();
  auto second = std::make_unique<TcxLookAndFeelController>();
  EXPECT_TRUE(RootLookAndFeel().HasChangeListener(first.get()));
  EXPECT_FALSE(first->IsKindStored());
  first->SetKind(lfStandard);
  second->SetNativeStyle(true);
  EXPECT_EQ(RootLookAndFeel().Kind(), lfStandard);
  EXPECT_EQ(second->Kind(), lfStandard);
  EXPECT_TRUE(first->NativeStyle());
  EXPECT_EQ(laf.Kind(), lfStandard);
  EXPECT_TRUE(first->IsKindStored());

  first.reset();
  EXPECT_EQ(laf.Kind(), lfStandard);  // another controller still holds it
  second.reset();
  EXPECT_EQ(TcxLookAndFeelController::ControllerCount(), 0);
  EXPECT_EQ(RootLookAndFeel().AssignedValues(), 0u);
  EXPECT_EQ(laf.Kind(), lfUltraFlat);
  EXPECT_FALSE(laf.NativeStyle());
}

TEST_F(LookAndFeel, SystemColourChangesReachEveryLookAndFeelPrimaryFirst) {
  std::vector<std::string> order;
  TcxSystemPaletteChangedNotifier secondary(false), primary(true);
  secondary.OnSystemPaletteChanged = [&] { order.push_back("secondary"); };
  primary.OnSystemPaletteChanged = [&] { order.push_back("primary"); };
  TcxLookAndFeel a, b;
  b.SetKind(lfFlat);
  RecordingListener onA, onB;
  a.AddChangeListener(&onA);
  b.AddChangeListener(&onB);

  cxSystemPaletteChanged();
  EXPECT_EQ(order, (std::vector<std::string>{"primary", "secondary"}));
  ASSERT_EQ(onA.changes.size(), 1u);
  EXPECT_EQ(onA.changes[0], std::make_pair(&a, 0u));
  EXPECT_EQ(onB.changes.size(), 1u);

  // The application's palette change is the platform's system colour change.
  const QPalette saved = QApplication::palette();
  QPalette changed = saved;
  changed.setColor(QPalette::Window, Qt::darkGreen);
  QApplication::setPalette(changed);
  QApplication::setPalette(saved);
  EXPECT_GE(onA.changes.size(), 2u);
  EXPECT_GE(order.size(), 4u);
  a.RemoveChangeListener(&onA);
  b.RemoveChangeListener(&onB);
}

// ---- Painters -------------------------------------------------------------------------

TEST(LookAndFeelPainters, BordersOfEachFamily) {
  auto border = [](TcxLookAndFeelPainterClass painter, TRect& inner) {
    QImage img = Canvas(20, 20);
    TCanvas canvas(&img);
    inner = TRect(0, 0, 20, 20);
    painter->DrawBorder(canvas, inner);
    return img;
  };
  TRect inner;
  QImage ultra = border(TcxUltraFlatLookAndFeelPainter::Class(), inner);
  EXPECT_EQ(inner, TRect(1, 1, 19, 19));
  EXPECT_EQ(PixelRGB(ultra, 0, 10), kShadowRGB);
  EXPECT_EQ(PixelRGB(ultra, 19, 10), kShadowRGB);
  EXPECT_EQ(PixelRGB(ultra, 1, 10), 0xFF00FFu);  // inside untouched

  QImage flat = border(TcxFlatLookAndFeelPainter::Class(), inner);
  EXPECT_EQ(inner, TRect(2, 2, 18, 18));
  EXPECT_EQ(PixelRGB(flat, 0, 10), kShadowRGB);
  EXPECT_EQ(PixelRGB(flat, 10, 0), kShadowRGB);
  EXPECT_EQ(PixelRGB(flat, 19, 10), kWhiteRGB);
  EXPECT_EQ(PixelRGB(flat, 10, 19), kWhiteRGB);
  EXPECT_EQ(PixelRGB(flat, 1, 10), kFaceRGB);
  EXPECT_EQ(PixelRGB(flat, 18, 10), kFaceRGB);

  QImage standard = border(TcxStandardLookAndFeelPainter::Class(), inner);
  EXPECT_EQ(inner, TRect(2, 2, 18, 18));
  EXPECT_EQ(PixelRGB(standard, 0, 10), kShadowRGB);
  EXPECT_EQ(PixelRGB(standard, 19, 10), kWhiteRGB);
  EXPECT_EQ(PixelRGB(standard, 1, 10), kDarkRGB);
  EXPECT_EQ(PixelRGB(standard, 18, 10), kFaceRGB);  // cl3DLight
}

TEST(LookAndFeelPainters, ButtonsShowTheirState) {
  auto button = [](TcxLookAndFeelPainterClass painter, TcxButtonState state) {
    QImage img = Canvas(30, 20);
    TCanvas canvas(&img);
    painter->DrawButton(canvas, TRect(0, 0, 30, 20), "", state);
    return img;
  };
  auto ultra = TcxUltraFlatLookAndFeelPainter::Class();
  QImage normal = button(ultra, cxbsNormal), hot = button(ultra, cxbsHot), pressed = button(ultra, cxbsPressed);
  EXPECT_EQ(PixelRGB(normal, 0, 10), kShadowRGB);
  EXPECT_EQ(PixelRGB(normal, 15, 10), kFaceRGB);
  EXPECT_EQ(PixelRGB(hot, 0, 10), kHighlightRGB);
  const std::uint32_t tint = ColorToRGB(TcxUltraFlatLookAndFeelPainter::HotColor());
  EXPECT_EQ(PixelRGB(hot, 15, 10), unsigned(GetRValue(tint) << 16 | GetGValue(tint) << 8 | GetBValue(tint)));
  const unsigned hotFace = PixelRGB(hot, 15, 10), pressedFace = PixelRGB(pressed, 15, 10);
  EXPECT_NE(hotFace, kFaceRGB);
  EXPECT_NE(pressedFace, hotFace);
  // The tints lie between the highlight and the window colour, pressed darker.
  EXPECT_LT(pressedFace & 0xFF00, hotFace & 0xFF00);

  auto standard = TcxStandardLookAndFeelPainter::Class();
  QImage raised = button(standard, cxbsNormal), sunken = button(standard, cxbsPressed);
  EXPECT_EQ(PixelRGB(raised, 0, 10), kWhiteRGB);
  EXPECT_EQ(PixelRGB(raised, 29, 10), kDarkRGB);
  EXPECT_EQ(PixelRGB(sunken, 29, 10), kWhiteRGB);

  auto flat = TcxFlatLookAndFeelPainter::Class();
  EXPECT_EQ(flat->ButtonBorderSize(cxbsNormal), 1);
  QImage flatNormal = button(flat, cxbsNormal);
  EXPECT_EQ(PixelRGB(flatNormal, 0, 10), kWhiteRGB);
  EXPECT_EQ(PixelRGB(flatNormal, 29, 10), kShadowRGB);
  EXPECT_EQ(PixelRGB(flatNormal, 1, 10), kFaceRGB);
}

TEST(LookAndFeelPainters, ArrowsAndCheckMarksAreDrawnInsideTheirBoxes) {
  auto count = [](const QImage& img, unsigned rgb) {
    int n = 0;
    for (int y = 0; y < img.height(); ++y)
      for (int x = 0; x < img.width(); ++x) n += PixelRGB(img, x, y) == rgb;
    return n;
  };
  for (auto painter : {TcxUltraFlatLookAndFeelPainter::Class(), TcxFlatLookAndFeelPainter::Class(),
                       TcxStandardLookAndFeelPainter::Class()}) {
    QImage img = Canvas(17, 17);
    {
      TCanvas canvas(&img);
      painter->DrawScrollBarPart(canvas, false, TRect(0, 0, 17, 17), sbpLineDown, cxbsNormal);
    }
    // A downward arrow: its widest row lies above its tip.
    int top = -1, widthTop = 0, widthBottom = 0;
    for (int y = 2; y < 15; ++y) {
      int w = 0;
      for (int x = 2; x < 15; ++x) w += PixelRGB(img, x, y) == 0;
      if (w > 0) {
        if (top < 0) top = y, widthTop = w;
        widthBottom = w;
      }
    }
    ASSERT_GE(top, 0) << painter->ClassName();
    EXPECT_GT(widthTop, widthBottom) << painter->ClassName();

    QImage box = Canvas(13, 13);
    {
      TCanvas canvas(&box);
      painter->DrawCheckButton(canvas, TRect(0, 0, 13, 13), cxbsNormal, cbsChecked);
    }
    EXPECT_GT(count(box.copy(3, 3, 7, 7), 0x000000), 5) << painter->ClassName();
    QImage empty = Canvas(13, 13);
    {
      TCanvas canvas(&empty);
      painter->DrawCheckButton(canvas, TRect(0, 0, 13, 13), cxbsNormal, cbsUnchecked);
    }
    EXPECT_EQ(PixelRGB(empty, 6, 6), kWhiteRGB) << painter->ClassName();
  }
}

TEST(LookAndFeelPainters, NativePainterDrawsWithTheApplicationStyle) {
  auto native = TcxWinXPLookAndFeelPainter::Class();
  EXPECT_GE(native->BorderSize(), 1);
  QImage img = Canvas(40, 24);
  {
    TCanvas canvas(&img);
    native->DrawButton(canvas, TRect(0, 0, 40, 24), "Ok", cxbsNormal);
    TRect r(0, 0, 40, 24);
    native->DrawBorder(canvas, r);
    EXPECT_EQ(r, TRect(native->BorderSize(), native->BorderSize(), 40 - native->BorderSize(), 24 - native->BorderSize()));
  }
  int painted = 0;
  for (int y = 0; y < 24; ++y)
    for (int x = 0; x < 40; ++x) painted += PixelRGB(img, x, y) != 0xFF00FFu;
  EXPECT_GT(painted, 40 * 24 / 2);
}
