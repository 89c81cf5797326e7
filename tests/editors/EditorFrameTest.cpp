#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPainter>
#include <array>
#include <memory>

#include "editors/EditorContainer.h"
#include "editors/ImageEditor.h"
#include "platform/EnumBits.h"
#include "tests/TestSupport.h"

namespace {

// Classic scheme colours as 0xRRGGBB.
constexpr unsigned kShadowRGB = 0x808080, kHighlightRGB = 0x000080, kWhiteRGB = 0xFFFFFF, kFaceRGB = 0xC0C0C0,
                   kBlackRGB = 0x000000, kYellowRGB = 0xFFFF00;

// A parent in the button-face colour holding an editor where the main
// window holds its photo area.
struct Host {
  explicit Host(int w = 670, int h = 506) {
    parent.resize(w + 40, h + 60);
    QPalette pal = parent.palette();
    pal.setColor(QPalette::Window, ColorToQColor(clBtnFace));
    parent.setPalette(pal);
    parent.setAutoFillBackground(true);
    editor = new TcxImage(&parent);
    editor->setGeometry(16, 0, w, h);
  }
  void Show() {
    parent.move(300, 200);
    parent.show();
    QApplication::setActiveWindow(&parent);
    parent.setFocus();  // not the editor, which the window gives the focus first
    QApplication::processEvents();
  }
  QImage Render() {
    QImage img(editor->size(), QImage::Format_RGB32);
    img.fill(Qt::magenta);
    QPainter p(&img);
    editor->PaintTo(p);
    return img;
  }
  void Enter(QPoint at) {
    QEnterEvent enter(at, editor->mapTo(&parent, at), editor->mapToGlobal(at));
    QApplication::sendEvent(editor, &enter);
  }
  void Move(QPoint at, Qt::MouseButtons buttons = Qt::NoButton) {
    QMouseEvent move(QEvent::MouseMove, at, editor->mapToGlobal(at), Qt::NoButton, buttons, Qt::NoModifier);
    QApplication::sendEvent(editor, &move);
  }

  QWidget parent;
  TcxImage* editor;
};

// The colour of pixel ring n at the middle of each side: left, top, right, bottom.
std::array<unsigned, 4> Ring(const QImage& img, int n) {
  int w = img.width(), h = img.height();
  return {PixelRGB(img, n, h / 2), PixelRGB(img, w / 2, n), PixelRGB(img, w - 1 - n, h / 2),
          PixelRGB(img, w / 2, h - 1 - n)};
}
std::array<unsigned, 4> All(unsigned rgb) { return {rgb, rgb, rgb, rgb}; }

class EditorFrame : public ::testing::Test {
 protected:
  void TearDown() override {
    RootLookAndFeel().SetAssignedValues(0);
    cxSetVisualStylesAvailable(false);
  }
};

}  // namespace

// ---- Geometry and the drawn border style --------------------------------------------------

TEST(EditorFrameTable, DrawnBorderStyleFollowsTheHotTrackState) {
  struct Row {
    TcxContainerBorderStyle style, off, inactive, active;
  };
  const Row rows[] = {
      {cbsNone, cbsNone, cbsNone, cbsFlat},       {cbsSingle, cbsSingle, cbsSingle, cbsThick},
      {cbsThick, cbsThick, cbsThick, cbsThick},   {cbsFlat, cbsFlat, cbsFlat, cbs3D},
      {cbs3D, cbs3D, cbs3D, cbs3D},               {cbsUltraFlat, cbsSingle, cbsSingle, cbsSingle},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(cxDrawnBorderStyle(r.style, chsNoHotTrack), r.off) << r.style;
    EXPECT_EQ(cxDrawnBorderStyle(r.style, chsNormal), r.inactive) << r.style;
    EXPECT_EQ(cxDrawnBorderStyle(r.style, chsSelected), r.active) << r.style;
  }
  EXPECT_EQ(cxBorderWidth(cbsNone), 0);
  EXPECT_EQ(cxBorderWidth(cbsSingle), 1);
  EXPECT_EQ(cxBorderWidth(cbsThick), 2);
  EXPECT_EQ(cxBorderWidth(cbsFlat), 2);
  EXPECT_EQ(cxBorderWidth(cbs3D), 2);
  EXPECT_EQ(cxBorderWidth(cbsUltraFlat), 1);
}

TEST_F(EditorFrame, PhotoAreaDefaultsGiveAOnePixelShadowLineInsideATransparentRing) {
  Host host;
  TcxImage& e = *host.editor;
  const TcxContainerViewInfo& vi = e.ContainerViewInfo();
  EXPECT_EQ(e.Style().BorderStyle(), ebsUltraFlat);
  EXPECT_EQ(e.Style().AssignedValues(), 0u);
  EXPECT_EQ(vi.BorderStyle, cbsSingle);
  EXPECT_EQ(vi.BorderWidth, 1);
  EXPECT_EQ(vi.ContentMargins, TRect(2, 2, 2, 2));
  EXPECT_EQ(vi.ClientRect, TRect(2, 2, 668, 504));
  EXPECT_EQ(vi.BorderOuterRect, TRect(1, 1, 669, 505));
  EXPECT_EQ(e.mask(), QRegion(1, 1, 668, 504));
  EXPECT_EQ(vi.BorderColor, clBtnShadow);
  EXPECT_EQ(vi.BackgroundColor, clWindow);
  EXPECT_EQ(e.Color(), clWindow);

  QImage img = host.Render();
  EXPECT_EQ(Ring(img, 0), All(kFaceRGB));  // the parent's
  EXPECT_EQ(Ring(img, 1), All(kShadowRGB));
  EXPECT_EQ(Ring(img, 2), All(kWhiteRGB));
  EXPECT_EQ(PixelRGB(img, 1, 1), kShadowRGB);
  EXPECT_EQ(PixelRGB(img, 668, 504), kShadowRGB);
}

TEST_F(EditorFrame, FocusAndHoverTurnThePhotoFrameToTheHighlightColour) {
  Host host;
  host.Show();
  TcxImage& e = *host.editor;
  host.parent.setFocus();
  QApplication::processEvents();
  ASSERT_FALSE(e.hasFocus());
  EXPECT_EQ(Ring(host.Render(), 1), All(kShadowRGB));

  // The pointer comes in: hot, and the tracking timer runs.
  QCursor::setPos(e.mapToGlobal(QPoint(300, 200)));
  host.Enter(QPoint(300, 200));
  EXPECT_TRUE(e.ContainerViewInfo().Hot);
  EXPECT_TRUE(e.IsMouseTracking());
  QImage hot = host.Render();
  EXPECT_EQ(Ring(hot, 1), All(kHighlightRGB));
  EXPECT_EQ(Ring(hot, 0), All(kFaceRGB));
  EXPECT_EQ(Ring(hot, 2), All(kWhiteRGB));  // the content does not move

  // On the outermost ring the pointer is over the parent, not the border.
  host.Move(QPoint(0, 250));
  EXPECT_FALSE(e.ContainerViewInfo().Hot);
  EXPECT_EQ(Ring(host.Render(), 1), All(kShadowRGB));
  host.Move(QPoint(1, 250));
  EXPECT_TRUE(e.ContainerViewInfo().Hot);
  // A button held down that was pressed elsewhere: not hot.
  host.Move(QPoint(300, 250), Qt::LeftButton);
  EXPECT_FALSE(e.ContainerViewInfo().Hot);
  host.Move(QPoint(300, 250));
  EXPECT_TRUE(e.ContainerViewInfo().Hot);

  // A tick of the timer after the pointer has left sends the leave.
  QCursor::setPos(host.parent.mapToGlobal(QPoint(5, 540)));
  e.CheckMouseTracking();
  EXPECT_FALSE(e.IsMouseTracking());
  EXPECT_FALSE(e.ContainerViewInfo().Hot);
  EXPECT_EQ(Ring(host.Render(), 1), All(kShadowRGB));

  // Focus alone highlights too.
  e.setFocus();
  QApplication::processEvents();
  ASSERT_TRUE(e.hasFocus());
  EXPECT_TRUE(e.ContainerViewInfo().Focused);
  EXPECT_EQ(Ring(host.Render(), 1), All(kHighlightRGB));
  host.parent.setFocus();
  QApplication::processEvents();
  EXPECT_EQ(Ring(host.Render(), 1), All(kShadowRGB));
}

TEST_F(EditorFrame, TheTrackingTimerEndsHotTrackingWhenThePointerLeaves) {
  Host host;
  host.Show();
  TcxImage& e = *host.editor;
  QCursor::setPos(e.mapToGlobal(QPoint(100, 100)));
  QApplication::processEvents();
  host.Enter(QPoint(100, 100));
  ASSERT_TRUE(e.IsMouseTracking());
  QObject* timer = e.findChild<QObject*>("cxMouseTrackingTimer");
  ASSERT_NE(timer, nullptr);
  EXPECT_EQ(timer->property("interval").toInt(), TcxContainer::kMouseTrackingInterval);

  // Still inside: the timer keeps running and the frame stays hot.
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < 50) QApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_TRUE(e.IsMouseTracking());
  EXPECT_TRUE(e.ContainerViewInfo().Hot);

  // Out of the editor but still inside the same window: no window-system
  // event tells the editor; the timer does.
  QCursor::setPos(host.parent.mapToGlobal(QPoint(5, 540)));
  clock.restart();
  while (e.IsMouseTracking() && clock.elapsed() < 5000) QApplication::processEvents(QEventLoop::AllEvents, 10);
  EXPECT_FALSE(e.IsMouseTracking());
  EXPECT_FALSE(e.ContainerViewInfo().Hot);
  EXPECT_EQ(Ring(host.Render(), 1), All(kShadowRGB));
}

TEST_F(EditorFrame, EachLookAndFeelKindDrawsItsOwnFrame) {
  Host host(200, 100);
  TcxImage& e = *host.editor;

  e.Style().LookAndFeel().SetKind(lfFlat);
  EXPECT_EQ(e.Style().BorderStyle(), ebsFlat);
  EXPECT_EQ(e.ContainerViewInfo().BorderStyle, cbsFlat);
  EXPECT_EQ(e.ContainerViewInfo().ClientRect, TRect(2, 2, 198, 98));
  EXPECT_EQ(e.mask(), QRegion(0, 0, 200, 100));
  QImage flat = host.Render();
  EXPECT_EQ(Ring(flat, 0), (std::array<unsigned, 4>{kShadowRGB, kShadowRGB, kWhiteRGB, kWhiteRGB}));
  EXPECT_EQ(Ring(flat, 1), All(kFaceRGB));
  EXPECT_EQ(Ring(flat, 2), All(kWhiteRGB));
  // Hot: the flat border becomes 3D.
  host.Enter(QPoint(50, 50));
  EXPECT_EQ(e.ContainerViewInfo().BorderStyle, cbs3D);
  QImage flatHot = host.Render();
  EXPECT_EQ(Ring(flatHot, 0), (std::array<unsigned, 4>{kShadowRGB, kShadowRGB, kWhiteRGB, kWhiteRGB}));
  EXPECT_EQ(Ring(flatHot, 1), (std::array<unsigned, 4>{kBlackRGB, kBlackRGB, kFaceRGB, kFaceRGB}));
  EXPECT_EQ(Ring(flatHot, 2), All(kWhiteRGB));
  EXPECT_EQ(e.LookAndFeel().Painter(), TcxFlatLookAndFeelPainter::Class());

  // Standard: 3D whatever the state.
  e.Style().LookAndFeel().SetKind(lfStandard);
  EXPECT_EQ(e.ContainerViewInfo().BorderStyle, cbs3D);
  EXPECT_EQ(e.LookAndFeel().Painter(), TcxStandardLookAndFeelPainter::Class());
  QImage standardHot = host.Render();
  EXPECT_EQ(Ring(standardHot, 1), (std::array<unsigned, 4>{kBlackRGB, kBlackRGB, kFaceRGB, kFaceRGB}));
  QEvent leave(QEvent::Leave);
  QApplication::sendEvent(&e, &leave);
  EXPECT_EQ(Ring(host.Render(), 1), Ring(standardHot, 1));

  // Ultra-flat again: the one-pixel line, hot in the highlight colour.
  e.Style().LookAndFeel().SetKind(lfUltraFlat);
  EXPECT_EQ(e.mask(), QRegion(1, 1, 198, 98));
  EXPECT_EQ(Ring(host.Render(), 1), All(kShadowRGB));
  host.Enter(QPoint(50, 50));
  EXPECT_EQ(Ring(host.Render(), 1), All(kHighlightRGB));
  EXPECT_EQ(e.LookAndFeel().Painter(), TcxUltraFlatLookAndFeelPainter::Class());
}

TEST_F(EditorFrame, AStylesKindChangesOnlyThatEditor) {
  Host a(120, 80), b(120, 80);
  a.editor->Style().LookAndFeel().SetKind(lfFlat);
  EXPECT_EQ(a.editor->ContainerViewInfo().BorderStyle, cbsFlat);
  EXPECT_EQ(b.editor->ContainerViewInfo().BorderStyle, cbsSingle);
  EXPECT_EQ(b.editor->Style().BorderStyle(), ebsUltraFlat);
  EXPECT_EQ(b.editor->LookAndFeel().Painter(), TcxUltraFlatLookAndFeelPainter::Class());
}

TEST_F(EditorFrame, SingleBorderWithHotTrackGrowsOutwardAndTheContentStays) {
  Host host(120, 80);
  TcxImage& e = *host.editor;
  e.Style().SetBorderStyle(ebsSingle);
  EXPECT_EQ(e.ContainerViewInfo().BorderColor, clWindowFrame);
  QImage inactive = host.Render();
  EXPECT_EQ(Ring(inactive, 0), All(kFaceRGB));
  EXPECT_EQ(Ring(inactive, 1), All(kBlackRGB));
  EXPECT_EQ(Ring(inactive, 2), All(kWhiteRGB));
  host.Enter(QPoint(60, 40));
  EXPECT_EQ(e.ContainerViewInfo().BorderStyle, cbsThick);
  EXPECT_EQ(e.mask(), QRegion(0, 0, 120, 80));
  QImage active = host.Render();
  EXPECT_EQ(Ring(active, 0), All(kBlackRGB));
  EXPECT_EQ(Ring(active, 1), All(kBlackRGB));
  EXPECT_EQ(Ring(active, 2), All(kWhiteRGB));
  EXPECT_EQ(e.ContainerViewInfo().ClientRect, TRect(2, 2, 118, 78));
}

TEST_F(EditorFrame, WithoutHotTrackAndTransparentBorderTheFrameIsTheOutermostRing) {
  Host host(120, 80);
  TcxImage& e = *host.editor;
  e.Style().BeginUpdate();
  e.Style().SetHotTrack(false);
  e.Style().SetTransparentBorder(false);
  e.Style().SetBorderStyle(ebsSingle);
  e.Style().EndUpdate();
  const TcxContainerViewInfo& vi = e.ContainerViewInfo();
  EXPECT_EQ(vi.ContentMargins, TRect(1, 1, 1, 1));
  EXPECT_EQ(vi.HotState, chsNoHotTrack);
  EXPECT_EQ(e.mask(), QRegion(0, 0, 120, 80));
  QImage img = host.Render();
  EXPECT_EQ(Ring(img, 0), All(kBlackRGB));
  EXPECT_EQ(Ring(img, 1), All(kWhiteRGB));
  // Hovering changes nothing without hot tracking.
  host.Enter(QPoint(60, 40));
  EXPECT_EQ(e.ContainerViewInfo().BorderStyle, cbsSingle);
}

TEST_F(EditorFrame, NoBorderWithHotTrackShowsAFlatBorderOnlyWhileActive) {
  Host host(120, 80);
  TcxImage& e = *host.editor;
  e.Style().SetBorderStyle(ebsNone);
  EXPECT_EQ(e.ContainerViewInfo().BorderWidth, 0);
  EXPECT_EQ(e.mask(), QRegion(2, 2, 116, 76));
  QImage inactive = host.Render();
  EXPECT_EQ(Ring(inactive, 0), All(kFaceRGB));
  EXPECT_EQ(Ring(inactive, 1), All(kFaceRGB));
  EXPECT_EQ(Ring(inactive, 2), All(kWhiteRGB));
  host.Enter(QPoint(60, 40));
  EXPECT_EQ(e.ContainerViewInfo().BorderStyle, cbsFlat);
  QImage active = host.Render();
  EXPECT_EQ(Ring(active, 0), (std::array<unsigned, 4>{kShadowRGB, kShadowRGB, kWhiteRGB, kWhiteRGB}));
  EXPECT_EQ(Ring(active, 1), All(kFaceRGB));
}

TEST_F(EditorFrame, ShadowWidensTheRightAndBottomMarginsAndTheRegion) {
  Host host(120, 80);
  TcxImage& e = *host.editor;
  e.Style().SetShadow(true);
  const TcxContainerViewInfo& vi = e.ContainerViewInfo();
  EXPECT_EQ(vi.ContentMargins, TRect(2, 2, 5, 5));
  EXPECT_EQ(vi.ClientRect, TRect(2, 2, 115, 75));
  EXPECT_EQ(vi.BorderOuterRect, TRect(1, 1, 116, 76));
  QRegion expected = QRegion(1, 1, 115, 75).united(QRegion(4, 4, 115, 75));
  EXPECT_EQ(e.mask(), expected);
  QImage img = host.Render();
  EXPECT_EQ(PixelRGB(img, 115, 40), kShadowRGB);  // the border's right line
  for (int x = 116; x < 119; ++x) EXPECT_EQ(PixelRGB(img, x, 40), kShadowRGB) << x;  // the shadow
  for (int y = 76; y < 79; ++y) EXPECT_EQ(PixelRGB(img, 60, y), kShadowRGB) << y;
  // Offset 3 from the top-left: beside the border's top the parent shows.
  EXPECT_EQ(PixelRGB(img, 117, 2), kFaceRGB);
  EXPECT_EQ(PixelRGB(img, 117, 5), kShadowRGB);
  EXPECT_EQ(PixelRGB(img, 2, 77), kFaceRGB);
  EXPECT_EQ(PixelRGB(img, 119, 40), kFaceRGB);
}

TEST_F(EditorFrame, EdgesWithoutTheRightSideLeaveTheRightLineOutsideTheWindow) {
  Host host(120, 80);
  TcxImage& e = *host.editor;
  e.Style().SetEdges(dxBit(bLeft) | dxBit(bTop) | dxBit(bBottom));
  const TcxContainerViewInfo& vi = e.ContainerViewInfo();
  EXPECT_EQ(vi.BorderOuterRect, TRect(1, 1, 118, 79));
  EXPECT_EQ(e.mask().boundingRect().right() + 1, vi.ClientRect.Right);
  QImage img = host.Render();
  EXPECT_EQ(PixelRGB(img, 1, 40), kShadowRGB);
  EXPECT_EQ(PixelRGB(img, 117, 40), kWhiteRGB);  // content up to the region's edge
  EXPECT_EQ(PixelRGB(img, 118, 40), kFaceRGB);   // outside: the parent
}

TEST_F(EditorFrame, DisabledEditorPaintsButtonFaceAndIgnoresTheMouse) {
  Host host(120, 80);
  TcxImage& e = *host.editor;
  e.setEnabled(false);
  const TcxContainerViewInfo& vi = e.ContainerViewInfo();
  EXPECT_EQ(vi.BackgroundColor, clBtnFace);
  EXPECT_EQ(vi.TextColor, clBtnShadow);
  EXPECT_EQ(e.ViewInfo().BackgroundColor, clBtnFace);
  host.Enter(QPoint(60, 40));
  EXPECT_FALSE(e.ContainerViewInfo().Hot);
  QImage img = host.Render();
  EXPECT_EQ(Ring(img, 1), All(kShadowRGB));
  EXPECT_EQ(PixelRGB(img, 60, 40), kFaceRGB);
}

TEST_F(EditorFrame, StyleColourAndParentColour) {
  Host host(120, 80);
  TcxImage& e = *host.editor;
  e.Style().SetColor(clYellow);
  EXPECT_TRUE(e.Style().IsValueAssigned(csvColor));
  EXPECT_EQ(e.Color(), clYellow);
  EXPECT_EQ(PixelRGB(host.Render(), 60, 40), kYellowRGB);

  e.SetParentColor(true);
  EXPECT_FALSE(e.Style().IsValueAssigned(csvColor));
  EXPECT_EQ(ColorToRGB(e.Style().Color()), ColorToRGB(clBtnFace));
  EXPECT_EQ(PixelRGB(host.Render(), 60, 40), kFaceRGB);

  // Setting the control's colour assigns the style's and ends ParentColor.
  e.SetColor(clWhite);
  EXPECT_FALSE(e.ParentColor());
  EXPECT_TRUE(e.Style().IsValueAssigned(csvColor));
  EXPECT_EQ(e.Style().Color(), clWhite);
}

TEST_F(EditorFrame, TheDefaultLookAndFeelReachesEveryEditorThroughAController) {
  Host a(120, 80), b(120, 80);
  b.editor->Style().SetBorderStyle(ebsUltraFlat);  // assigned: does not follow
  auto controller = std::make_unique<TcxLookAndFeelController>();
  controller->SetKind(lfStandard);
  EXPECT_EQ(a.editor->ContainerViewInfo().BorderStyle, cbs3D);
  EXPECT_EQ(b.editor->ContainerViewInfo().BorderStyle, cbsSingle);
  QImage standard = a.Render();
  EXPECT_EQ(Ring(standard, 0), (std::array<unsigned, 4>{kShadowRGB, kShadowRGB, kWhiteRGB, kWhiteRGB}));
  EXPECT_EQ(Ring(standard, 1), (std::array<unsigned, 4>{kBlackRGB, kBlackRGB, kFaceRGB, kFaceRGB}));
  EXPECT_EQ(a.editor->mask(), QRegion(0, 0, 120, 80));
  EXPECT_EQ(Ring(b.Render(), 1), All(kShadowRGB));

  controller.reset();
  EXPECT_EQ(a.editor->ContainerViewInfo().BorderStyle, cbsSingle);
  QImage back = a.Render();
  EXPECT_EQ(Ring(back, 0), All(kFaceRGB));
  EXPECT_EQ(Ring(back, 1), All(kShadowRGB));
  EXPECT_EQ(a.editor->mask(), QRegion(1, 1, 118, 78));
}

TEST_F(EditorFrame, VisualStylesDrawTheEditFieldWithoutAWindowRegion) {
  Host host(120, 80);
  TcxImage& e = *host.editor;
  e.Style().LookAndFeel().SetNativeStyle(true);
  EXPECT_FALSE(e.ContainerViewInfo().NativeStyle);  // none in this system
  cxSetVisualStylesAvailable(true);                 // reaches the editor as a system change
  const TcxContainerViewInfo& vi = e.ContainerViewInfo();
  EXPECT_TRUE(vi.NativeStyle);
  EXPECT_FALSE(vi.Shadow);
  EXPECT_TRUE(e.mask().isEmpty());
  int m = TcxWinXPLookAndFeelPainter::Class()->BorderSize() + 1;
  EXPECT_EQ(vi.ClientRect, TRect(m, m, 120 - m, 80 - m));
  EXPECT_EQ(vi.NativeState, 1);
  e.Properties().SetReadOnly(true);
  EXPECT_EQ(e.ContainerViewInfo().NativeState, 6);
  QImage img = host.Render();
  EXPECT_EQ(PixelRGB(img, 60, 40), kWhiteRGB);
  EXPECT_NE(PixelRGB(img, 0, 40), 0xFF00FFu);

  cxSetVisualStylesAvailable(false);
  EXPECT_FALSE(e.ContainerViewInfo().NativeStyle);
  EXPECT_EQ(e.mask(), QRegion(1, 1, 118, 78));
}

TEST_F(EditorFrame, AutoSizeAndScrollBarsFollowTheFrameMargins) {
  Host host(120, 80);
  TcxImage& e = *host.editor;
  e.Style().SetShadow(true);
  e.SetAutoSize(true);
  auto bitmap = std::make_unique<TBitmap>();
  bitmap->SetImage(MakeTestImage(30, 20));
  e.Picture().SetGraphic(std::move(bitmap));
  EXPECT_EQ(e.size(), QSize(37, 27));
  EXPECT_EQ(e.ViewInfo().ContentRect, TRect(2, 2, 32, 22));
}

// ---- Styles and controllers ---------------------------------------------------------------

TEST(cxContainerStyle, DefaultsSettersAndAssignedValues) {
  TcxEditStyle style(nullptr);
  EXPECT_EQ(style.AssignedValues(), 0u);
  EXPECT_EQ(style.BorderColor(), clWindowFrame);
  EXPECT_EQ(style.BorderStyle(), ebsUltraFlat);
  EXPECT_EQ(style.Color(), clWindow);
  EXPECT_EQ(style.Edges(), cxBordersAll);
  EXPECT_TRUE(style.HotTrack());
  EXPECT_FALSE(style.Shadow());
  EXPECT_TRUE(style.TransparentBorder());
  EXPECT_EQ(style.ButtonStyle(), btsDefault);
  EXPECT_EQ(style.ButtonTransparency(), ebtNone);
  EXPECT_EQ(style.PopupBorderStyle(), epbsDefault);
  EXPECT_EQ(style.ValueCount(), 11);
  EXPECT_STREQ(TcxContainerStyle::ValueName(0), "BorderColor");
  EXPECT_STREQ(TcxContainerStyle::ValueName(7), "TransparentBorder");
  EXPECT_STREQ(TcxContainerStyle::ValueName(10), "PopupBorderStyle");
  EXPECT_STREQ(TcxContainerStyle::ValueName(11), "");

  int changes = 0;
  style.OnChanged = [&](TcxContainerStyle&) { ++changes; };
  style.SetHotTrack(true);  // the default value, still assigned and a change
  EXPECT_TRUE(style.IsValueStored(csvHotTrack));
  EXPECT_EQ(changes, 1);
  style.SetHotTrack(true);  // assigned and unchanged: nothing
  EXPECT_EQ(changes, 1);
  style.SetButtonStyle(btsFlat);
  EXPECT_EQ(style.AssignedValues(), StyleValue(csvHotTrack) | StyleValue(csvButtonStyle));
  style.SetAssignedValues(StyleValue(csvHotTrack) | StyleValue(csvButtonStyle));
  EXPECT_EQ(changes, 2);

  // The border style's default follows the look and feel at reading time.
  style.LookAndFeel().SetKind(lfStandard);
  EXPECT_EQ(style.BorderStyle(), ebs3D);
  style.LookAndFeel().SetKind(lfFlat);
  EXPECT_EQ(style.BorderStyle(), ebsFlat);
  EXPECT_EQ(changes, 4);  // look-and-feel changes are style changes

  // Updates batch changes into one.
  style.BeginUpdate();
  style.BeginUpdate();
  style.SetShadow(true);
  style.SetEdges(dxBit(bLeft));
  style.EndUpdate();
  EXPECT_EQ(changes, 4);
  style.EndUpdate();
  EXPECT_EQ(changes, 5);

  style.SetAssignedValues(StyleValue(csvEdges));
  EXPECT_FALSE(style.Shadow());
  EXPECT_EQ(style.Edges(), dxBit(bLeft));
}

TEST(cxContainerStyle, ControllerStylesGiveWhatAStyleDoesNotAssign) {
  TcxEditStyleController controller;
  TcxEditStyleController outer;
  TcxEditStyle style(nullptr);
  outer.Style().SetShadow(true);
  outer.Style().SetFont([] {
    TFont f;
    f.Name = "Times New Roman";
    f.Color = clRed;
    return f;
  }());
  controller.Style().SetStyleController(&outer);
  controller.Style().SetBorderColor(clRed);
  controller.Style().SetHotTrack(false);
  style.SetStyleController(&controller);
  EXPECT_EQ(style.StyleController(), &controller);
  EXPECT_EQ(controller.AttachedStyles(), std::vector<TcxContainerStyle*>{&style});
  EXPECT_EQ(style.BorderColor(), clRed);
  EXPECT_FALSE(style.HotTrack());
  EXPECT_TRUE(style.Shadow());  // through the chain of controllers
  EXPECT_TRUE(style.IsFontGiven());
  EXPECT_EQ(style.Font().Name, "Times New Roman");
  EXPECT_EQ(style.AssignedValues(), 0u);
  style.SetHotTrack(true);
  EXPECT_TRUE(style.HotTrack());

  // The look and feel follows the controller style's; the border style's
  // default is the one at the top of the chain of controllers.
  EXPECT_EQ(style.LookAndFeel().ParentLookAndFeel(), &controller.Style().LookAndFeel());
  outer.Style().LookAndFeel().SetKind(lfStandard);
  EXPECT_EQ(style.LookAndFeel().Kind(), lfStandard);
  EXPECT_EQ(style.BorderStyle(), ebs3D);

  // Cycles are refused silently.
  controller.Style().SetStyleController(&controller);
  outer.Style().SetStyleController(&controller);
  EXPECT_EQ(outer.Style().StyleController(), nullptr);
  EXPECT_EQ(controller.Style().StyleController(), &outer);

  // Changes of the controller's style reach the attached styles in order.
  std::vector<const TcxContainerStyle*> told;
  int styleChanges = 0;
  controller.OnStyleChanged = [&](TcxStyleController&, TcxContainerStyle& s) { told.push_back(&s); };
  style.OnChanged = [&](TcxContainerStyle&) { ++styleChanges; };
  controller.Style().SetBorderColor(clBlue);
  EXPECT_EQ(told, (std::vector<const TcxContainerStyle*>{&controller.Style(), &style}));
  EXPECT_GE(styleChanges, 1);
  EXPECT_EQ(style.BorderColor(), clBlue);

  style.SetStyleController(nullptr);
  EXPECT_EQ(style.LookAndFeel().ParentLookAndFeel(), nullptr);
  EXPECT_EQ(style.BorderColor(), clWindowFrame);
  EXPECT_TRUE(controller.AttachedStyles().empty());
  controller.OnStyleChanged = nullptr;
  style.OnChanged = nullptr;
}

TEST(cxContainerStyle, DestroyingAControllerDetachesItsStyles) {
  TcxEditStyle style(nullptr);
  auto controller = std::make_unique<TcxEditStyleController>();
  controller->Style().SetBorderColor(clRed);
  style.SetStyleController(controller.get());
  EXPECT_EQ(style.BorderColor(), clRed);
  int changes = 0;
  style.OnChanged = [&](TcxContainerStyle&) { ++changes; };
  controller.reset();
  EXPECT_EQ(style.StyleController(), nullptr);
  EXPECT_EQ(style.LookAndFeel().ParentLookAndFeel(), nullptr);
  EXPECT_EQ(style.BorderColor(), clWindowFrame);
  EXPECT_GE(changes, 1);
}

TEST(cxContainerStyle, AssignCopiesEverythingInOneChangeAndResetToDefaultsClearsIt) {
  TcxEditStyleController controller;
  TcxEditStyle source(nullptr), target(nullptr);
  source.SetStyleController(&controller);
  source.SetBorderStyle(ebsThick);
  source.SetColor(clYellow);
  source.SetPopupBorderStyle(epbsFlat);
  source.ChangeFont([](TFont& f) { f.Color = clGreen; });
  source.LookAndFeel().SetKind(lfFlat);
  int changes = 0;
  target.OnChanged = [&](TcxContainerStyle&) { ++changes; };
  target.Assign(source);
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(target.StyleController(), &controller);
  EXPECT_EQ(target.AssignedValues(), source.AssignedValues());
  EXPECT_EQ(target.BorderStyle(), ebsThick);
  EXPECT_EQ(target.Color(), clYellow);
  EXPECT_EQ(target.PopupBorderStyle(), epbsFlat);
  EXPECT_EQ(target.Font().Color, clGreen);
  EXPECT_EQ(target.LookAndFeel().Kind(), lfFlat);
  EXPECT_TRUE(target.LookAndFeel().IsKindStored());

  Host host(120, 80);
  TcxImage& e = *host.editor;
  e.SetStyle(target);
  EXPECT_EQ(e.Color(), clYellow);
  EXPECT_EQ(e.ContainerViewInfo().TextColor, clGreen);
  e.SetParentColor(true);
  e.Style().ResetToDefaults();
  EXPECT_FALSE(e.ParentColor());
  EXPECT_TRUE(e.ParentFont());
  EXPECT_EQ(e.Style().AssignedValues(), 0u);
  EXPECT_EQ(e.Style().LookAndFeel().AssignedValues(), 0u);
}

TEST_F(EditorFrame, AssignedFontReachesTheControlAndItsCaptionColour) {
  Host host(200, 60);
  TcxImage& e = *host.editor;
  EXPECT_TRUE(e.ParentFont());
  EXPECT_FALSE(e.Style().IsFontGiven());
  TFont f;
  f.Name = "Times New Roman";
  f.Height = -20;
  f.Color = clRed;
  e.Style().SetFont(f);
  EXPECT_TRUE(e.Style().IsValueAssigned(csvFont));
  EXPECT_FALSE(e.ParentFont());
  EXPECT_EQ(e.font().pixelSize(), 20);
  EXPECT_EQ(e.ContainerViewInfo().TextColor, clRed);
  EXPECT_EQ(e.ViewInfo().TextColor, clRed);

  e.Properties().SetCaption("Hint");
  QImage img = host.Render();
  int red = 0;
  for (int y = 2; y < 58; ++y)
    for (int x = 2; x < 198; ++x) red += ColorNear(PixelRGB(img, x, y), 0xFF0000, 60);
  EXPECT_GT(red, 10);

  e.Style().SetAssignedValues(0);
  EXPECT_TRUE(e.ParentFont());
  EXPECT_EQ(e.ContainerViewInfo().TextColor, clWindowText);
}
