// The paint panel, the warning pane, the picture viewer and the picture
// preview window.
#include <gtest/gtest.h>

#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QScreen>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStatusBar>

#include "editors/PicturePreview.h"
#include "platform/Clipboard.h"
#include "platform/Dialogs.h"
#include "tests/TestSupport.h"
#include "tests/editors/DialogControlsSupport.h"
#include "tests/ModalAnswers.h"

namespace {
int CountDark(const QImage& img, const QRect& area) {
  int n = 0;
  for (int y = area.top(); y <= area.bottom(); ++y)
    for (int x = area.left(); x <= area.right(); ++x) {
      QRgb c = img.pixel(x, y);
      if (qRed(c) < 100 && qGreen(c) < 100 && qBlue(c) < 100) ++n;
    }
  return n;
}

std::unique_ptr<TBitmap> MakeBitmap(int w, int h) {
  auto b = std::make_unique<TBitmap>();
  b->SetImage(MakeTestImage(w, h));
  return b;
}

QImage RenderViewport(TdxPSImageScrollBox& box) {
  QImage img(box.viewport()->size(), QImage::Format_RGB32);
  img.fill(Qt::magenta);
  QPainter p(&img);
  box.PaintViewport(p);
  return img;
}

// A warning pane that records the frames of its slides.
class RecordingPane : public TdxPSWarningPane {
 public:
  std::vector<int> frames;
  RecordingPane() { SetAnimationSpeed(0); }

 protected:
  void ShowFrame(int top) override {
    frames.push_back(top);
    TdxPSWarningPane::ShowFrame(top);
  }
};

// A graphic whose drawing fails.
class FailingGraphic : public TGraphic {
 public:
  static TGraphicClass Class() {
    static const TGraphicClassInfo info{"TFailingGraphic", "bad", [] { return std::unique_ptr<TGraphic>(); }};
    return &info;
  }
  TGraphicClass ClassType() const override { return Class(); }
  bool Empty() const override { return false; }
  int Width() const override { return 30; }
  int Height() const override { return 20; }
  void Draw(QPainter&, const QRectF&) const override { throw EInvalidGraphic("cannot draw"); }
  void LoadFromStream(TByteView) override {}
  TBytes SaveToStream() const override { return {}; }
  std::unique_ptr<TGraphic> Clone() const override { return std::make_unique<FailingGraphic>(); }
};
}  // namespace

// ---- Paint panel ----

TEST(DialogControlsPanel, FrameWidthFollowsEdgesAndSides) {
  TdxPSPaintPanel panel;
  panel.resize(50, 40);
  EXPECT_EQ(panel.EdgeInner(), esRaised);
  EXPECT_EQ(panel.EdgeOuter(), esSunken);
  EXPECT_EQ(panel.EdgeBorders(), dxAllEdgeBorders);
  EXPECT_EQ(panel.FrameWidth(), 2);
  EXPECT_EQ(panel.ClientRect(), TRect(2, 2, 48, 38));
  panel.SetEdgeBorders((1u << ebLeft) | (1u << ebTop));
  EXPECT_EQ(panel.ClientRect(), TRect(2, 2, 50, 40));
  panel.SetEdgeBorders(dxAllEdgeBorders);
  panel.SetEdgeInner(esNone);
  EXPECT_EQ(panel.ClientRect(), TRect(1, 1, 49, 39));
  panel.SetEdgeOuter(esNone);
  EXPECT_EQ(panel.ClientRect(), TRect(0, 0, 50, 40));
  panel.SetEdgeOuter(esRaised);
  panel.SetEdgeInner(esSunken);
  panel.SetCtl3D(false);
  EXPECT_EQ(panel.FrameWidth(), 1);
}

TEST(DialogControlsPanel, OwnerPaintsTheInsideOfTheFrame) {
  TdxPSPaintPanel panel;
  panel.resize(50, 40);
  int paints = 0;
  panel.OnPaint = [&](TdxPSPaintPanel& sender, TCanvas& canvas) {
    ++paints;
    EXPECT_EQ(&sender, &panel);
    canvas.FillRect(TRect(0, 0, 50, 40), clLime);  // clipped to the inside
  };
  QImage img = Grab(panel);
  EXPECT_GE(paints, 1);
  EXPECT_EQ(PixelRGB(img, 0, 20), kBtnShadow);      // sunken outer edge
  EXPECT_EQ(PixelRGB(img, 1, 20), kBtnHighlight);   // raised inner edge
  EXPECT_EQ(PixelRGB(img, 49, 20), kBtnHighlight);
  EXPECT_EQ(PixelRGB(img, 48, 20), kBtnShadow);
  EXPECT_EQ(PixelRGB(img, 2, 20), 0x00FF00u);
  EXPECT_EQ(PixelRGB(img, 47, 37), 0x00FF00u);

  panel.SetEdgeOuter(esRaised);
  panel.SetEdgeInner(esSunken);
  img = Grab(panel);
  EXPECT_EQ(PixelRGB(img, 0, 20), kBtnFace);  // raised outer: 3D light
  EXPECT_EQ(PixelRGB(img, 1, 20), 0x000000u);  // sunken inner: dark shadow

  panel.SetCtl3D(false);
  img = Grab(panel);
  EXPECT_EQ(PixelRGB(img, 0, 20), 0x000000u);  // one mono line
  EXPECT_EQ(PixelRGB(img, 1, 20), 0x00FF00u);
}

// ---- Warning pane ----

TEST(DialogControlsWarning, PictureHasFrameInfoColourGlyphAndText) {
  TdxPSWarningPane pane;
  pane.resize(300, 30);
  pane.SetText("One or more margins has invalid values");
  const QImage& b = pane.Bitmap();
  ASSERT_EQ(b.size(), QSize(300, 30));
  EXPECT_EQ(PixelRGB(b, 0, 0), kBtnShadow);
  EXPECT_EQ(PixelRGB(b, 299, 29), kBtnShadow);
  EXPECT_EQ(PixelRGB(b, 296, 3), kInfoBk);
  EXPECT_FALSE(pane.TextWrapped());
  // The glyph 2 pixels from the left, vertically centred.
  QRgb glyph = b.pixel(2 + 4, 7 + 13);
  EXPECT_GT(qRed(glyph), 200);
  EXPECT_LT(qBlue(glyph), 100);
  // The text starts 6 pixels after the glyph.
  EXPECT_EQ(CountDark(b, QRect(19, 2, 5, 26)), 0);
  EXPECT_GT(CountDark(b, QRect(24, 2, 200, 26)), 20);

  // Another text redraws the picture.
  QImage before = b.copy();
  pane.SetText("One or more margins are set outside the printable area of the page");
  EXPECT_NE(pane.Bitmap(), before);
}

TEST(DialogControlsWarning, LongTextWraps) {
  TdxPSWarningPane pane;
  pane.resize(120, 60);
  pane.SetText("One or more margins are set outside the printable area of the page");
  EXPECT_TRUE(pane.TextWrapped());
  const QImage& b = pane.Bitmap();
  // Lines of text in the upper and in the lower half.
  EXPECT_GT(CountDark(b, QRect(24, 2, 94, 14)), 10);
  EXPECT_GT(CountDark(b, QRect(24, 30, 94, 28)), 10);
}

TEST(DialogControlsWarning, SlidesInAndOutInStepsAndBeeps) {
  BeepCounter beeps;
  RecordingPane pane;
  pane.resize(200, 30);
  EXPECT_FALSE(pane.State());
  EXPECT_EQ(pane.StepHeight(), 3);
  pane.SetStateAndText(true, "first");
  std::vector<int> in = {27, 24, 21, 18, 15, 12, 9, 6, 3, 0};
  EXPECT_EQ(pane.frames, in);
  EXPECT_TRUE(pane.State());
  EXPECT_EQ(pane.Text(), "first");
  EXPECT_EQ(pane.BitmapTop(), 0);
  EXPECT_EQ(beeps.count, 1);

  // Already shown: only the text changes.
  pane.frames.clear();
  pane.SetStateAndText(true, "second");
  EXPECT_TRUE(pane.frames.empty());
  EXPECT_EQ(pane.Text(), "second");
  EXPECT_EQ(beeps.count, 1);

  // Hiding keeps the text.
  pane.SetStateAndText(false, "third");
  std::vector<int> out = {3, 6, 9, 12, 15, 18, 21, 24, 27, 30};
  EXPECT_EQ(pane.frames, out);
  EXPECT_FALSE(pane.State());
  EXPECT_EQ(pane.Text(), "second");
  EXPECT_EQ(beeps.count, 2);

  pane.frames.clear();
  pane.SetStateAndText(false, "fourth");
  EXPECT_TRUE(pane.frames.empty());
  EXPECT_EQ(pane.Text(), "fourth");

  // A height that the step count does not divide ends flush at the top.
  pane.resize(200, 25);
  pane.SetAnimationStepCount(4);
  EXPECT_EQ(pane.StepHeight(), 7);
  pane.frames.clear();
  pane.SetState(true);
  EXPECT_EQ(pane.frames, (std::vector<int>{18, 11, 4, 0}));
}

TEST(DialogControlsWarning, PaintsItsPictureOnlyWhileShown) {
  QWidget parent;
  parent.resize(320, 60);
  QPalette pal = parent.palette();
  pal.setColor(QPalette::Window, QColor(10, 20, 30));
  parent.setPalette(pal);
  parent.setAutoFillBackground(true);
  TdxPSWarningPane pane(&parent);
  pane.setGeometry(10, 10, 300, 30);
  pane.SetAnimationSpeed(0);
  pane.SetText("Warning");
  QImage img = Grab(parent);
  EXPECT_EQ(PixelRGB(img, 10 + 296, 10 + 3), 0x0A141Eu);
  pane.SetState(true);
  img = Grab(parent);
  EXPECT_EQ(PixelRGB(img, 10 + 296, 10 + 3), kInfoBk);
  EXPECT_EQ(PixelRGB(img, 10, 10), kBtnShadow);
  pane.SetState(false);
  img = Grab(parent);
  EXPECT_EQ(PixelRGB(img, 10 + 296, 10 + 3), 0x0A141Eu);
}

// ---- Picture viewer ----

TEST(DialogControlsImageBox, CentresASmallPicture) {
  TdxPSImageScrollBox box;
  box.resize(200, 150);
  box.show();
  box.SetGraphic(MakeBitmap(40, 30).get());
  const QSize vs = box.viewport()->size();
  EXPECT_EQ(box.PictureRect(), Bounds((vs.width() - 40) / 2, (vs.height() - 30) / 2, 40, 30));
  EXPECT_EQ(box.horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(box.verticalScrollBar()->maximum(), 0);
  QImage img = RenderViewport(box);
  TRect r = box.PictureRect();
  EXPECT_EQ(PixelRGB(img, r.Left + 2, r.Top + 2), 0xFF0000u);    // left half red
  EXPECT_EQ(PixelRGB(img, r.Right - 2, r.Top + 2), 0x0000FFu);   // right half blue
  EXPECT_EQ(PixelRGB(img, r.Left - 1, r.Top + 2), kBtnFace);     // the strips around
  EXPECT_EQ(PixelRGB(img, r.Left + 2, r.Bottom), kBtnFace);
  EXPECT_EQ(PixelRGB(img, 0, 0), kBtnFace);
  EXPECT_EQ(PixelRGB(img, vs.width() - 1, vs.height() - 1), kBtnFace);

  box.SetCenter(false);
  EXPECT_EQ(box.PictureRect(), Bounds(0, 0, 40, 30));
  box.SetColor(clWhite);
  img = RenderViewport(box);
  EXPECT_EQ(PixelRGB(img, 0, 0), 0xFF0000u);
  EXPECT_EQ(PixelRGB(img, 41, 0), 0xFFFFFFu);
}

TEST(DialogControlsImageBox, ScrollsALargePicture) {
  TdxPSImageScrollBox box;
  box.resize(200, 150);
  box.show();
  box.SetGraphic(MakeBitmap(600, 500).get());
  QApplication::processEvents();
  const QSize vs = box.viewport()->size();
  EXPECT_EQ(box.horizontalScrollBar()->maximum(), 600 - vs.width());
  EXPECT_EQ(box.verticalScrollBar()->maximum(), 500 - vs.height());
  EXPECT_EQ(box.PictureRect(), Bounds(0, 0, 600, 500));

  box.horizontalScrollBar()->setValue(320);
  box.verticalScrollBar()->setValue(50);
  EXPECT_EQ(box.PictureRect(), Bounds(-320, -50, 600, 500));
  QImage img = RenderViewport(box);
  EXPECT_EQ(PixelRGB(img, 0, 0), 0x0000FFu);  // picture (320, 50): right half
  box.horizontalScrollBar()->setValue(0);
  img = RenderViewport(box);
  EXPECT_EQ(PixelRGB(img, 0, 0), 0xFF0000u);

  // The wheel scrolls the vertical bar by one line.
  int v = box.verticalScrollBar()->value();
  SendWheel(*box.viewport(), -1);
  EXPECT_EQ(box.verticalScrollBar()->value(), v + box.verticalScrollBar()->singleStep());
  SendWheel(*box.viewport(), 1);
  EXPECT_EQ(box.verticalScrollBar()->value(), v);

  // A wide, low picture: the wheel moves the horizontal bar.
  box.SetGraphic(MakeBitmap(600, 20).get());
  QApplication::processEvents();
  EXPECT_EQ(box.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(box.PictureRect().Top, (box.viewport()->height() - 20) / 2);
  box.horizontalScrollBar()->setValue(0);
  SendWheel(*box.viewport(), -1);
  EXPECT_EQ(box.horizontalScrollBar()->value(), box.horizontalScrollBar()->singleStep());
}

TEST(DialogControlsImageBox, APictureThatFitsTheWholeAreaShowsNoBars) {
  TdxPSImageScrollBox box;
  box.resize(200, 150);
  box.show();
  box.SetGraphic(MakeBitmap(600, 500).get());
  QApplication::processEvents();
  ASSERT_GT(box.horizontalScrollBar()->maximum(), 0);
  // From bars shown to a picture exactly as large as the area without them.
  const QSize full = box.maximumViewportSize();
  box.SetGraphic(MakeBitmap(full.width(), full.height()).get());
  QApplication::processEvents();
  EXPECT_EQ(box.horizontalScrollBar()->maximum(), 0);
  EXPECT_EQ(box.verticalScrollBar()->maximum(), 0);
  EXPECT_EQ(box.viewport()->size(), full);
  EXPECT_EQ(box.PictureRect(), Bounds(0, 0, full.width(), full.height()));
  // One pixel wider: both bars, since the horizontal bar takes the height.
  box.SetGraphic(MakeBitmap(full.width() + 1, full.height()).get());
  QApplication::processEvents();
  EXPECT_GT(box.horizontalScrollBar()->maximum(), 0);
  EXPECT_GT(box.verticalScrollBar()->maximum(), 0);
}

TEST(DialogControlsImageBox, HintWithoutPictureAndWhenDrawingFails) {
  TdxPSImageScrollBox box;
  box.resize(200, 150);
  box.show();
  box.SetHintText("(None)");
  QImage img = RenderViewport(box);
  const QSize vs = box.viewport()->size();
  EXPECT_EQ(PixelRGB(img, 0, 0), kBtnFace);
  EXPECT_GT(CountDark(img, QRect(vs.width() / 4, vs.height() / 2 - 10, vs.width() / 2, 20)), 10);
  EXPECT_EQ(CountDark(img, QRect(0, 0, vs.width(), vs.height() / 4)), 0);

  box.Picture().SetGraphic(std::make_unique<FailingGraphic>());
  ASSERT_TRUE(box.HasPicture());
  img = RenderViewport(box);
  EXPECT_EQ(PixelRGB(img, vs.width() / 2, vs.height() / 4), kBtnFace);
  EXPECT_GT(CountDark(img, QRect(vs.width() / 4, vs.height() / 2 - 10, vs.width() / 2, 20)), 10);
}

TEST(DialogControlsImageBox, MenuItemsFollowTheSetAndThePicture) {
  TdxPSImageScrollBox box;
  QMenu* menu = box.PreparePopupMenu();
  ASSERT_NE(menu, nullptr);
  QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), 5);
  EXPECT_EQ(actions[0]->text(), "Previe&w");
  EXPECT_TRUE(actions[1]->isSeparator());
  EXPECT_EQ(actions[2]->text(), "&Copy");
  EXPECT_EQ(actions[2]->shortcut(), QKeySequence("Ctrl+C"));
  EXPECT_EQ(actions[4]->text(), "&Save...");
  EXPECT_EQ(actions[4]->shortcut(), QKeySequence("Ctrl+S"));
  for (int i : {0, 2, 4}) {
    EXPECT_TRUE(actions[i]->isVisible());
    EXPECT_FALSE(actions[i]->isEnabled());
  }
  box.SetGraphic(MakeBitmap(10, 10).get());
  box.SetMenuItems((1u << ibmiCopy) | (1u << ibmiSave));
  EXPECT_EQ(box.PreparePopupMenu(), menu);  // built once
  EXPECT_FALSE(actions[0]->isVisible());
  EXPECT_FALSE(actions[1]->isVisible());
  EXPECT_TRUE(actions[2]->isEnabled());
  EXPECT_TRUE(actions[3]->isVisible());
  box.SetMenuItems(1u << ibmiSave);
  box.PreparePopupMenu();
  EXPECT_FALSE(actions[3]->isVisible());
  EXPECT_TRUE(actions[4]->isVisible());
}

TEST(DialogControlsImageBox, CopyAndSaveThePicture) {
  ScratchDir dir;
  TdxPSImageScrollBox box;
  box.SetGraphic(MakeBitmap(24, 16).get());
  QApplication::clipboard()->clear();
  EXPECT_TRUE(SendKey(box, Qt::Key_C, Qt::ControlModifier));
  auto copied = BitmapFromClipboard();
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->Width(), 24);

  std::string path = dir.Path("saved.bmp");
  std::string filter, ext;
  AnswerFileDialogs([&](TFileDialog& d) -> std::optional<std::string> {
    filter = d.Filter;
    ext = d.DefaultExt;
    EXPECT_EQ(d.Kind, TFileDialogKind::SavePicture);
    EXPECT_TRUE(d.OverwritePrompt);
    return path;
  });
  box.MenuAction(ibmiSave)->trigger();
  AnswerFileDialogs(nullptr);
  EXPECT_EQ(filter, GraphicFilter(TBitmap::Class()));
  EXPECT_EQ(ext, GraphicExtension(TBitmap::Class()));
  TPicture reread;
  reread.LoadFromFile(path);
  EXPECT_EQ(reread.Width(), 24);
  EXPECT_EQ(reread.Height(), 16);
}

// ---- Picture preview window ----

TEST(DialogControlsPicturePreview, SizesItselfToThePictureAndShowsItsSize) {
  std::vector<std::tuple<std::string, QSize, std::string, bool>> seen;
  AnswerModal<TdxfmPicturePreview>([&](TdxfmPicturePreview& w) {
    seen.emplace_back(w.windowTitle().toStdString(), w.size(), w.PanelText(0),
                      w.ImageBox()->MenuAction(ibmiPreview)->isVisible());
    EXPECT_EQ(w.minimumSize(), QSize(200, 200));
  });
  auto big = MakeBitmap(300, 250);
  TdxPSImageScrollBox box;
  box.SetGraphic(big.get());
  box.MenuAction(ibmiPreview)->trigger();
  dxShowPicturePreview(MakeBitmap(40, 30).get());
  dxShowPicturePreview(nullptr);
  AnswerModal<TdxfmPicturePreview>(nullptr);

  ASSERT_EQ(seen.size(), 3u);
  TdxfmPicturePreview probe;
  const int statusHeight = probe.StatusBar()->sizeHint().height();
  EXPECT_EQ(std::get<0>(seen[0]), "Picture Preview");
  EXPECT_EQ(std::get<1>(seen[0]), QSize(310, 250 + statusHeight + 10));
  EXPECT_EQ(std::get<2>(seen[0]), "Width: 300   Height: 250");
  EXPECT_FALSE(std::get<3>(seen[0]));  // its own viewer offers no preview
  EXPECT_EQ(std::get<1>(seen[1]), QSize(200, 200));  // never below the minimum
  EXPECT_EQ(std::get<2>(seen[1]), "Width: 40   Height: 30");
  EXPECT_EQ(std::get<1>(seen[2]), QSize(400, 400));
  EXPECT_EQ(std::get<2>(seen[2]), "");

  probe.ShowGraphic(nullptr);
  EXPECT_EQ(probe.ImageBox()->HintText(), "(None)");
  // A picture larger than the work area is limited to it.
  probe.ShowGraphic(MakeBitmap(5000, 4000).get());
  QRect work = QGuiApplication::primaryScreen()->availableGeometry();
  EXPECT_EQ(probe.size(), QSize(work.width(), work.height()));
}
