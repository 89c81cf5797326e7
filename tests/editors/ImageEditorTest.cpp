#include <gtest/gtest.h>

#include <QContextMenuEvent>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>

#include "editors/ImageEditor.h"
#include "platform/Dialogs.h"
#include "platform/EnumBits.h"
#include "tests/TestSupport.h"
#include "tests/ModalAnswers.h"

namespace {
std::unique_ptr<TBitmap> MakeBitmap(int w, int h) {
  auto b = std::make_unique<TBitmap>();
  b->SetImage(MakeTestImage(w, h));
  return b;
}

QImage Render(TcxImage& editor) {
  QImage img(editor.size(), QImage::Format_RGB32);
  img.fill(Qt::magenta);
  QPainter p(&img);
  editor.PaintTo(p);
  return img;
}

constexpr unsigned kWindowRGB = 0xFFFFFF;  // clWindow of the classic scheme
}  // namespace

TEST(FitPictureRect, PhotoAreaWithFourByThreePictureFillsWidth) {
  TRect content(2, 2, 668, 504);  // 666 x 502
  TRect r = FitPictureRect(content, 1600, 1200);
  EXPECT_EQ(r.Width(), 666);
  EXPECT_EQ(r.Height(), 499);
  EXPECT_EQ(r.Left, 2);
  EXPECT_EQ(r.Top, 2);

  TcxImageViewInfo info;
  info.ContentRect = content;
  info.Stretch = true;
  info.Center = true;
  EXPECT_EQ(PictureRect(info, 1600, 1200), TRect(2, 3, 668, 502));
}

TEST(FitPictureRect, SmallPictureIsEnlargedAndTallPictureFillsHeight) {
  EXPECT_EQ(FitPictureRect(TRect(0, 0, 300, 300), 100, 50), TRect(0, 0, 300, 150));
  EXPECT_EQ(FitPictureRect(TRect(0, 0, 300, 300), 50, 100), TRect(0, 0, 150, 300));
  // Equal ratios: the height fills.
  EXPECT_EQ(FitPictureRect(TRect(0, 0, 400, 300), 800, 600), TRect(0, 0, 400, 300));
  // Degenerate inputs never divide by zero.
  EXPECT_EQ(FitPictureRect(TRect(5, 5, 5, 5), 100, 50), TRect(5, 5, 5, 5));
  EXPECT_EQ(FitPictureRect(TRect(0, 0, 10, 10), 0, 50), TRect(0, 0, 10, 10));
}

TEST(PictureRect, CenteredLargePictureIsCutEvenlyAndScrollOffsetsShiftIt) {
  TcxImageViewInfo info;
  info.ContentRect = TRect(0, 0, 400, 300);
  info.Center = true;
  EXPECT_EQ(PictureRect(info, 1000, 800), TRect(-300, -250, 700, 550));
  info.Center = false;
  info.TopLeftX = 16;
  info.TopLeftY = 8;
  EXPECT_EQ(PictureRect(info, 1000, 800), TRect(-16, -8, 984, 792));
}

TEST(cxImage, DefaultsOfANewEditor) {
  TcxImage editor;
  EXPECT_EQ(editor.width(), 140);
  EXPECT_EQ(editor.height(), 100);
  EXPECT_FALSE(editor.AutoSize());
  auto& p = editor.Properties();
  EXPECT_TRUE(p.Center());
  EXPECT_FALSE(p.Stretch());
  EXPECT_TRUE(p.ShowFocusRect());
  EXPECT_EQ(p.GraphicClassName(), "TBitmap");
  EXPECT_EQ(p.PopupMenuLayout().MenuItems(), 63u);
  EXPECT_TRUE(editor.Picture().Empty());
  EXPECT_FALSE(editor.PictureToValue().has_value());
}

TEST(cxImage, GraphicClassNameLookupIgnoresCaseAndKeepsUnknownNames) {
  TcxImage editor;
  auto& p = editor.Properties();
  p.SetGraphicClassName("tjpegimage");
  EXPECT_EQ(p.GraphicClass(), TJPEGImage::Class());
  p.SetGraphicClassName("TNoSuchGraphic");
  EXPECT_EQ(p.GraphicClass(), TJPEGImage::Class());
  p.SetGraphicClassName("");
  EXPECT_EQ(p.GraphicClass(), nullptr);
  EXPECT_TRUE(p.IsGraphicClassNameEmpty());
  EXPECT_EQ(p.GraphicClassName(), "");
}

TEST(cxImage, StretchedPhotoFillsWidthAndBackgroundBelow) {
  TcxImage editor;
  editor.resize(670, 506);
  editor.Properties().SetStretch(true);
  editor.Picture().SetGraphic(MakeBitmap(1600, 1200));
  QImage img = Render(editor);
  // Picture occupies rows 3 .. 501 (content 2..503, shifted down by 1).
  EXPECT_TRUE(ColorNear(PixelRGB(img, 10, 250), 0xFF0000, 40));   // left half red
  EXPECT_TRUE(ColorNear(PixelRGB(img, 660, 250), 0x0000FF, 40));  // right half blue
  EXPECT_TRUE(ColorNear(PixelRGB(img, 335, 252), 0x00FF00, 40));  // centre green
  EXPECT_EQ(PixelRGB(img, 10, 2), kWindowRGB);                     // row above the picture
  EXPECT_EQ(PixelRGB(img, 10, 502), kWindowRGB);                   // rows below it
  EXPECT_EQ(PixelRGB(img, 10, 503), kWindowRGB);
  EXPECT_NE(PixelRGB(img, 10, 3), kWindowRGB);
  EXPECT_NE(PixelRGB(img, 10, 501), kWindowRGB);
  // No scroll bars when stretching.
  EXPECT_TRUE(editor.HorizontalScrollBar()->isHidden());
  EXPECT_TRUE(editor.VerticalScrollBar()->isHidden());
}

TEST(cxImage, EmptyEditorPaintsCaptionCentredOrFromTheLeftEdge) {
  TcxImage editor;
  editor.resize(300, 60);
  editor.Properties().SetCaption("Hint");
  QImage img = Render(editor);
  auto inkColumns = [&](const QImage& im) {
    int first = -1, last = -1;
    for (int x = 2; x < im.width() - 2; ++x)
      for (int y = 2; y < im.height() - 2; ++y)
        if (PixelRGB(im, x, y) != kWindowRGB) {
          if (first < 0) first = x;
          last = x;
          break;
        }
    return std::make_pair(first, last);
  };
  auto [first, last] = inkColumns(img);
  ASSERT_GE(first, 0) << "caption not drawn";
  EXPECT_NEAR((first + last) / 2.0, 150, 4);

  editor.Properties().SetCaption(std::string(200, 'W'));
  auto [f2, l2] = inkColumns(Render(editor));
  EXPECT_LE(f2, 4);      // starts at the content's left edge
  EXPECT_GE(l2, 290);    // and is clipped at the right

  editor.Properties().SetCaption("");
  EXPECT_EQ(inkColumns(Render(editor)).first, -1);
}

TEST(cxImage, ScrollBarsForALargePictureAtNaturalSize) {
  TcxImage editor;
  editor.resize(404, 304);  // content 400 x 300
  editor.Properties().SetCenter(false);
  editor.show();
  editor.Picture().SetGraphic(MakeBitmap(1000, 800));
  QScrollBar* h = editor.HorizontalScrollBar();
  QScrollBar* v = editor.VerticalScrollBar();
  ASSERT_FALSE(h->isHidden());
  ASSERT_FALSE(v->isHidden());
  int pageW = h->pageStep();
  EXPECT_EQ(pageW, 400 - v->width());
  EXPECT_EQ(h->maximum(), 1000 - pageW);
  EXPECT_EQ(h->singleStep(), 8);
  h->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  EXPECT_EQ(editor.ViewInfo().TopLeftX, 8);
  h->setValue(5000);
  EXPECT_EQ(h->value(), 1000 - pageW);
  // A new picture resets both positions.
  v->setValue(40);
  editor.Picture().SetGraphic(MakeBitmap(1000, 800));
  EXPECT_EQ(h->value(), 0);
  EXPECT_EQ(v->value(), 0);
  EXPECT_EQ(editor.ViewInfo().TopLeftX, 0);
}

TEST(cxImage, CenterWithoutStretchShowsNoScrollBars) {
  TcxImage editor;
  editor.resize(404, 304);
  editor.show();
  editor.Picture().SetGraphic(MakeBitmap(1000, 800));
  EXPECT_TRUE(editor.HorizontalScrollBar()->isHidden());
  EXPECT_TRUE(editor.VerticalScrollBar()->isHidden());
}

TEST(cxImage, BuiltInMenuFollowsMenuItems) {
  TcxImage editor;
  editor.Properties().PopupMenuLayout().SetMenuItems(dxBit(pmiLoad));
  QMenu* menu = editor.PrepareBuiltInMenu();
  auto a = menu->actions();
  ASSERT_EQ(a.size(), 9);
  std::vector<bool> visible;
  for (auto* act : a) visible.push_back(act->isVisible());
  EXPECT_EQ(visible, (std::vector<bool>{false, false, false, false, true, true, false, false, false}));
  EXPECT_EQ(a[5]->text(), "&Load...");

  editor.Properties().PopupMenuLayout().SetMenuItems(cxDefaultPopupMenuItems | dxBit(pmiCustom));
  editor.Properties().PopupMenuLayout().SetCustomMenuItemCaption("Mine");
  menu = editor.PrepareBuiltInMenu();
  a = menu->actions();
  QStringList texts;
  for (auto* act : a)
    if (!act->isSeparator()) texts << act->text();
  EXPECT_EQ(texts, QStringList({"Cu&t", "&Copy", "&Paste", "&Delete", "&Load...", "Save &As...", "Mine"}));
  EXPECT_TRUE(a[7]->isVisible());
  // Empty picture: cut, copy, delete, save disabled; load enabled.
  EXPECT_FALSE(a[0]->isEnabled());
  EXPECT_FALSE(a[1]->isEnabled());
  EXPECT_FALSE(a[3]->isEnabled());
  EXPECT_TRUE(a[5]->isEnabled());
  EXPECT_FALSE(a[6]->isEnabled());
  bool clicked = false;
  editor.Properties().OnCustomClick = [&](TcxImage&) { clicked = true; };
  a[8]->trigger();
  EXPECT_TRUE(clicked);
}

TEST(cxImage, OwnerMenuReplacesBuiltInMenuAndEmptyItemsShowNone) {
  TcxImage editor;
  editor.resize(200, 100);
  editor.show();
  QMenu owner;
  owner.addAction("Owner item");
  editor.SetPopupMenu(&owner);
  QContextMenuEvent inside(QContextMenuEvent::Mouse, QPoint(50, 50), editor.mapToGlobal(QPoint(50, 50)));
  QApplication::sendEvent(&editor, &inside);
  EXPECT_TRUE(owner.isVisible());
  EXPECT_EQ(editor.BuiltInMenu(), nullptr);
  owner.hide();
  // A right click on the border shows nothing.
  QContextMenuEvent border(QContextMenuEvent::Mouse, QPoint(1, 1), editor.mapToGlobal(QPoint(1, 1)));
  QApplication::sendEvent(&editor, &border);
  EXPECT_FALSE(owner.isVisible());

  editor.SetPopupMenu(nullptr);
  editor.Properties().PopupMenuLayout().SetMenuItems(0);
  QApplication::sendEvent(&editor, &inside);
  EXPECT_EQ(editor.BuiltInMenu(), nullptr);
}

TEST(cxImage, ReadOnlyOrRefusedEditingKeepsThePicture) {
  TcxImage editor;
  editor.Picture().SetGraphic(MakeBitmap(10, 10));
  editor.Properties().SetReadOnly(true);
  editor.ClearPicture();
  EXPECT_FALSE(editor.Picture().Empty());
  editor.Properties().SetReadOnly(false);
  editor.OnEditing = [](TcxImage&, bool& can) { can = false; };
  editor.ClearPicture();
  EXPECT_FALSE(editor.Picture().Empty());
  editor.OnEditing = nullptr;
  editor.ClearPicture();
  EXPECT_TRUE(editor.Picture().Empty());
}

TEST(cxImage, ChangeEventsFireOnceForEachChangeAndUserChangesMarkModified) {
  TcxImage editor;
  int changes = 0, valueChanges = 0;
  editor.Properties().OnChange = [&](TcxImage&) { ++changes; };
  editor.Properties().OnEditValueChanged = [&](TcxImage&) { ++valueChanges; };
  editor.Picture().SetGraphic(MakeBitmap(10, 10));
  EXPECT_EQ(changes, 1);
  EXPECT_EQ(valueChanges, 1);
  EXPECT_FALSE(editor.Modified());
  // A clipboard key is a user action.
  QApplication::clipboard()->clear();
  QKeyEvent cut(QEvent::KeyPress, Qt::Key_X, Qt::ControlModifier);
  QApplication::sendEvent(&editor, &cut);
  EXPECT_TRUE(editor.Picture().Empty());
  EXPECT_TRUE(editor.Modified());
  EXPECT_EQ(changes, 2);
  // Paste it back with Shift+Insert.
  QKeyEvent paste(QEvent::KeyPress, Qt::Key_Insert, Qt::ShiftModifier);
  QApplication::sendEvent(&editor, &paste);
  ASSERT_FALSE(editor.Picture().Empty());
  EXPECT_EQ(editor.Picture().Width(), 10);
  EXPECT_EQ(changes, 3);
}

TEST(cxImage, ValueWithHeaderLoadsFromByteEightAndBadValuesEmptyThePicture) {
  TcxImage editor;
  TBytes bmp = MakeBitmap(7, 5)->SaveToStream();
  TBytes withHeader = {1, 0, 0, 1};
  std::uint32_t len = std::uint32_t(bmp.size());
  for (int i = 0; i < 4; ++i) withHeader.push_back(std::uint8_t(len >> (8 * i)));
  withHeader.insert(withHeader.end(), bmp.begin(), bmp.end());
  editor.ValueToPicture(withHeader);
  ASSERT_FALSE(editor.Picture().Empty());
  EXPECT_EQ(editor.Picture().Width(), 7);
  EXPECT_FALSE(editor.Modified());

  // Wrong length in the header: read from byte 0, which is not a bitmap.
  withHeader[4] ^= 1;
  editor.ValueToPicture(withHeader);
  EXPECT_TRUE(editor.Picture().Empty());

  editor.ValueToPicture(bmp);
  EXPECT_FALSE(editor.Picture().Empty());
  auto value = editor.PictureToValue();
  ASSERT_TRUE(value.has_value());
  editor.ValueToPicture(std::nullopt);
  EXPECT_TRUE(editor.Picture().Empty());
}

TEST(cxImage, LoadWithDialogUsesTheClassFilterAndKeepsPictureOnError) {
  ScratchDir dir;
  TcxImage editor;
  editor.Picture().SetGraphic(MakeBitmap(12, 9));
  std::string seenFilter;
  std::string bad = dir.Write("bad.bmp", std::string("BM not really a bitmap"));
  AnswerFileDialogs([&](TFileDialog& d) -> std::optional<std::string> {
    seenFilter = d.Filter;
    return bad;
  });
  EXPECT_THROW(editor.LoadPictureWithDialog(), EInvalidGraphic);
  AnswerFileDialogs(nullptr);
  EXPECT_EQ(seenFilter, "Bitmaps (*.bmp)|*.bmp");
  EXPECT_EQ(editor.Picture().Width(), 12);
}

TEST(cxImage, LoadWithDialogAsksTheOwnerOnlyAfterTheUserChoseAFile) {
  ScratchDir dir;
  const std::string good = dir.Write("good.bmp", MakeBitmap(5, 4)->SaveToStream());
  struct Case {
    const char* name;
    bool readOnly;
    bool userConfirms;
    bool ownerAllows;
    bool dialogShown;
    int ownerAsked;
    int widthAfter;
  };
  const Case cases[] = {
      {"confirmed and allowed", false, true, true, true, 1, 5},
      {"confirmed, owner refuses", false, true, false, true, 1, 12},
      {"cancelled", false, false, true, true, 0, 12},
      {"read-only", true, true, true, false, 0, 12},
  };
  for (const Case& c : cases) {
    TcxImage editor;
    editor.Picture().SetGraphic(MakeBitmap(12, 9));
    editor.Properties().SetReadOnly(c.readOnly);
    int asked = 0;
    bool shown = false;
    editor.OnEditing = [&](TcxImage&, bool& can) {
      ++asked;
      can = c.ownerAllows;
    };
    AnswerFileDialogs([&](TFileDialog&) -> std::optional<std::string> {
      shown = true;
      EXPECT_EQ(asked, 0) << c.name << ": asked before the file was chosen";
      if (!c.userConfirms) return std::nullopt;
      return good;
    });
    editor.LoadPictureWithDialog();
    AnswerFileDialogs(nullptr);
    EXPECT_EQ(shown, c.dialogShown) << c.name;
    EXPECT_EQ(asked, c.ownerAsked) << c.name;
    EXPECT_EQ(editor.Picture().Width(), c.widthAfter) << c.name;
  }
}

TEST(cxImage, AutoSizeFitsTheContentToThePicture) {
  TcxImage editor;
  editor.SetAutoSize(true);
  editor.Picture().SetGraphic(MakeBitmap(33, 21));
  EXPECT_EQ(editor.size(), QSize(37, 25));
  editor.Picture().SetGraphic(nullptr);
  EXPECT_EQ(editor.size(), QSize(4, 4));
}
