// Painting documents into images: backgrounds, borders, opaque children,
// clipping, data item order, glyphs, pictures and background tiles. The
// documents are built in screen pixels, scaled to report units and painted
// at 50 report units per pixel, so that one screen pixel of the document is
// one pixel of the image.
#include <gtest/gtest.h>

#include "report/CheckItems.h"
#include "report/ReportCells.h"
#include "report/DataItems.h"
#include "tests/TestSupport.h"
#include "tests/report/TestRenderer.h"

namespace {

constexpr unsigned kWhite = 0xFFFFFF, kBlack = 0x000000, kRed = 0xFF0000, kBlue = 0x0000FF, kGreen = 0x00FF00,
                   kYellow = 0xFFFF00, kGray = 0x808080;

struct Doc {
  Doc(int width, int height) {
    renderer.AddFont("Liberation Sans", 8);
    cells.SetRenderer(&renderer);
    cells.Cells()->SetBoundsRect(TRect(0, 0, width, height));
    cells.Cells()->SetCellSides(0);
    image = WhiteImage(width, height);
  }
  // Scales the document from screen pixels to report units and paints it.
  void Paint() {
    cells.Scale(4800, 96);
    renderer.Paint(cells, image);
  }
  unsigned At(int x, int y) const { return PixelRGB(image, x, y); }

  TTestRenderer renderer;
  TdxReportCells cells;
  QImage image;
};

template <class T>
T* Add(TdxReportCell* parent, TRect r, TColor color = clNone, TdxItemSides sides = 0) {
  auto* item = new T(parent);
  item->SetBoundsRect(r);
  item->SetCellSides(sides);
  if (color != clNone) {
    item->SetColor(color);
    item->SetTransparent(false);
  }
  return item;
}

}  // namespace

TEST(ReportPaint, CellBackgroundInsideOneLineBorder) {
  Doc d(40, 30);
  Add<TdxReportCell>(d.cells.Cells(), TRect(5, 5, 25, 20), clRed, dxFormatSides);
  d.Paint();
  // The left and top lines lie just outside the bounds, the right and
  // bottom lines just inside.
  EXPECT_EQ(d.At(4, 10), kBlack);
  EXPECT_EQ(d.At(10, 4), kBlack);
  EXPECT_EQ(d.At(24, 10), kBlack);
  EXPECT_EQ(d.At(10, 19), kBlack);
  EXPECT_EQ(d.At(5, 5), kRed);
  EXPECT_EQ(d.At(23, 18), kRed);
  EXPECT_EQ(d.At(3, 10), kWhite);
  EXPECT_EQ(d.At(25, 10), kWhite);
  EXPECT_EQ(d.At(10, 20), kWhite);
}

TEST(ReportPaint, ShadowFallsRightAndDown) {
  Doc d(40, 40);
  auto* cell = Add<TdxReportCell>(d.cells.Cells(), TRect(5, 5, 25, 25), clRed, 0);
  cell->SetShadowed(true);
  d.cells.SetShadowDepth(3);
  d.Paint();
  EXPECT_EQ(d.At(10, 10), kRed);
  EXPECT_EQ(d.At(21, 10), kRed);
  EXPECT_EQ(d.At(23, 10), kBlack);  // shadow band inside the bounds
  EXPECT_EQ(d.At(23, 6), kWhite);   // corner square: no opaque ancestor
  EXPECT_EQ(d.At(10, 23), kBlack);
  EXPECT_EQ(d.At(6, 23), kWhite);
}

TEST(ReportPaint, OpaqueChildrenSuppressTheParentsOwnPainting) {
  // The child covers the parent's whole clip area (ClipChildren widens it by
  // one line to the left and top; the child's border covers that strip).
  auto build = [](Doc& d, TRect childRect, bool opaqueToParent) {
    auto* parent = Add<TdxReportCell>(d.cells.Cells(), TRect(0, 0, 20, 20), clBlue, 0);
    parent->SetClipChildren(true);
    Add<TdxReportCellBox>(parent, TRect(2, 2, 8, 8), clLime, 0);
    auto* child = Add<TdxReportCell>(parent, childRect, clRed, dxFormatSides);
    child->SetOpaqueToParent(opaqueToParent);
  };
  {
    Doc d(30, 30);
    build(d, TRect(0, 0, 20, 20), true);
    d.Paint();
    EXPECT_FALSE(d.renderer.HasFill(clBlue));
    EXPECT_FALSE(d.renderer.HasFill(clLime));
    EXPECT_TRUE(d.renderer.HasFill(clRed));
    EXPECT_EQ(d.At(10, 10), kRed);
  }
  {
    Doc d(30, 30);
    build(d, TRect(0, 0, 20, 20), false);
    d.Paint();
    EXPECT_TRUE(d.renderer.HasFill(clBlue));
    EXPECT_TRUE(d.renderer.HasFill(clLime));
    EXPECT_EQ(d.At(10, 10), kRed);
  }
  {
    Doc d(30, 30);
    build(d, TRect(0, 0, 10, 20), true);
    d.Paint();
    EXPECT_TRUE(d.renderer.HasFill(clBlue));
    EXPECT_EQ(d.At(5, 10), kRed);
    EXPECT_EQ(d.At(15, 10), kBlue);
  }
}

TEST(ReportPaint, FirstDataItemEndsOnTop) {
  Doc d(20, 20);
  Add<TdxReportCellBox>(d.cells.Cells(), TRect(2, 2, 12, 12), clRed);
  Add<TdxReportCellBox>(d.cells.Cells(), TRect(6, 6, 16, 16), clBlue);
  d.Paint();
  EXPECT_EQ(d.At(3, 3), kRed);
  EXPECT_EQ(d.At(8, 8), kRed);
  EXPECT_EQ(d.At(14, 14), kBlue);
}

TEST(ReportPaint, ChildIsClippedAtTheEdgeOfAClippingParent) {
  for (bool clip : {false, true}) {
    Doc d(40, 30);
    auto* parent = Add<TdxReportCell>(d.cells.Cells(), TRect(0, 0, 20, 20));
    parent->SetClipChildren(clip);
    Add<TdxReportCell>(parent, TRect(10, 5, 30, 15), clRed);
    d.Paint();
    EXPECT_EQ(d.At(15, 10), kRed);
    EXPECT_EQ(d.At(19, 10), kRed);
    EXPECT_EQ(d.At(20, 10), clip ? kWhite : kRed);
    EXPECT_EQ(d.At(25, 10), clip ? kWhite : kRed);
    EXPECT_EQ(d.At(15, 16), kWhite);
  }
}

TEST(ReportPaint, CheckMarkPixels) {
  // A 13 x 13 glyph centred in a 19 x 19 item at (5, 5): glyph pixel (i, j)
  // is image pixel (8 + i, 8 + j).
  auto paint = [](bool checked, bool enabled) {
    auto d = std::make_unique<Doc>(30, 30);
    auto* check = Add<TdxReportCellCheck>(d->cells.Cells(), TRect(5, 5, 24, 24));
    check->SetChecked(checked);
    check->SetEnabled(enabled);
    d->Paint();
    return d;
  };
  auto d = paint(true, true);
  // The single frame: the second ring of the glyph.
  EXPECT_EQ(d->At(9, 13), kBlack);
  EXPECT_EQ(d->At(19, 13), kBlack);
  EXPECT_EQ(d->At(13, 9), kBlack);
  EXPECT_EQ(d->At(13, 19), kBlack);
  EXPECT_EQ(d->At(8, 13), kWhite);
  EXPECT_EQ(d->At(20, 13), kWhite);
  // The mark: columns 3..9 of the glyph, three pixels high, lowest at 5.
  EXPECT_EQ(d->At(11, 13), kBlack);
  EXPECT_EQ(d->At(11, 15), kBlack);
  EXPECT_EQ(d->At(11, 16), kWhite);
  EXPECT_EQ(d->At(11, 12), kWhite);
  EXPECT_EQ(d->At(13, 16), kBlack);
  EXPECT_EQ(d->At(13, 17), kBlack);
  EXPECT_EQ(d->At(13, 14), kWhite);
  EXPECT_EQ(d->At(17, 11), kBlack);
  EXPECT_EQ(d->At(17, 13), kBlack);
  EXPECT_EQ(d->At(17, 16), kWhite);
  EXPECT_EQ(d->At(10, 10), kWhite);
  EXPECT_EQ(d->At(18, 18), kWhite);

  auto unchecked = paint(false, true);
  EXPECT_EQ(unchecked->At(13, 16), kWhite);
  EXPECT_EQ(unchecked->At(9, 13), kBlack);

  auto disabled = paint(true, false);
  unsigned face = ColorToRGB(clBtnFace);
  unsigned faceRGB = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  EXPECT_EQ(disabled->At(10, 10), faceRGB);
  EXPECT_EQ(disabled->At(13, 16), kBlack);
}

TEST(ReportPaint, RadioDotPixels) {
  for (bool checked : {false, true}) {
    Doc d(30, 30);
    auto* radio = Add<TdxReportCellRadio>(d.cells.Cells(), TRect(5, 5, 24, 24));
    radio->SetChecked(checked);
    d.Paint();
    // Moved down by one line: the dot covers glyph (4..7, 5..8).
    EXPECT_EQ(d.At(13, 14), checked ? kBlack : kWhite);
    EXPECT_EQ(d.At(14, 15), checked ? kBlack : kWhite);
    EXPECT_EQ(d.At(12, 17), kWhite);
    EXPECT_EQ(d.At(8, 9), kWhite);  // outside the round frame
    EXPECT_TRUE(ColorNear(d.At(14, 10), kBlack, 100));  // top of the frame ring
  }
}

TEST(ReportPaint, GraphicItemPixels) {
  TBitmap picture;
  picture.SetImage(MakeTestImage(20, 10));  // red | blue, green square at (9..10, 4..5)
  {
    Doc d(40, 30);
    auto* g = Add<TdxReportCellGraphic>(d.cells.Cells(), TRect(2, 2, 22, 12));
    g->SetImage(&picture);
    g->SetImageTransparent(false);
    d.Paint();
    EXPECT_EQ(d.At(4, 4), kRed);
    EXPECT_EQ(d.At(19, 4), kBlue);
    EXPECT_EQ(d.At(11, 6), kGreen);
    EXPECT_EQ(d.At(12, 7), kGreen);
    EXPECT_EQ(d.At(23, 5), kWhite);
    EXPECT_EQ(d.At(4, 12), kWhite);
  }
  {
    // Transparent: the colour of the lower-left pixel is left out.
    Doc d(40, 30);
    auto* g = Add<TdxReportCellGraphic>(d.cells.Cells(), TRect(2, 2, 22, 12));
    g->SetImage(&picture);
    d.Paint();
    EXPECT_EQ(d.At(4, 4), kWhite);
    EXPECT_EQ(d.At(19, 4), kBlue);
  }
  {
    Doc d(50, 30);
    auto* g = Add<TdxReportCellGraphic>(d.cells.Cells(), TRect(2, 2, 42, 22));
    g->SetImage(&picture);
    g->SetImageTransparent(false);
    g->SetPlacement(plStretch);
    d.Paint();
    EXPECT_EQ(d.At(6, 6), kRed);
    EXPECT_EQ(d.At(38, 12), kBlue);
    EXPECT_EQ(d.At(21, 11), kGreen);
  }
  {
    // An opaque item fills the area around a centred picture.
    Doc d(40, 30);
    auto* g = Add<TdxReportCellGraphic>(d.cells.Cells(), TRect(0, 0, 30, 20), clYellow);
    g->SetImage(&picture);
    g->SetImageTransparent(false);
    g->SetPlacement(plCenter);
    d.Paint();
    EXPECT_EQ(d.At(1, 1), kYellow);
    EXPECT_EQ(d.At(6, 6), kRed);
    EXPECT_EQ(d.At(23, 13), kBlue);
    EXPECT_EQ(d.At(26, 16), kYellow);
    EXPECT_EQ(d.At(31, 5), kWhite);
  }
}

TEST(ReportPaint, BackgroundTilesContinueFromCellToCell) {
  Doc d(30, 12);
  QImage tile(4, 4, QImage::Format_RGB32);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) tile.setPixel(x, y, x < 2 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
  int index = d.renderer.AddBitmap(tile);
  Add<TdxReportCell>(d.cells.Cells(), TRect(2, 0, 12, 10))->SetBackgroundBitmapIndex(index);
  auto* second = Add<TdxReportCell>(d.cells.Cells(), TRect(12, 0, 22, 10));
  second->SetBackgroundBitmapIndex(index);
  d.Paint();
  for (int x = 2; x < 22; ++x) EXPECT_EQ(d.At(x, 5), x % 4 < 2 ? kRed : kBlue) << x;
  EXPECT_EQ(d.At(1, 5), kWhite);
  EXPECT_EQ(d.At(22, 5), kWhite);
  EXPECT_EQ(d.At(5, 10), kWhite);
}

TEST(ReportPaint, CustomDrawnItemIsRestoredAfterwards) {
  for (bool done : {true, false}) {
    Doc d(40, 40);
    auto* text = Add<TdxReportCellString>(d.cells.Cells(), TRect(2, 2, 38, 38), clBlue);
    text->SetText("keep");
    d.renderer.CustomDrawnClass = TdxReportCellString::StaticClass();
    d.renderer.OnCustomDraw = [&](TAbstractdxReportCellData& item, TCanvas& dc) {
      auto& s = static_cast<TdxReportCellString&>(item);
      s.SetText("changed");
      s.SetColor(clYellow);
      if (done) dc.FillRect(item.BoundsRect(), clLime);
      return done;
    };
    d.Paint();
    EXPECT_EQ(text->GetText(), "keep");
    EXPECT_EQ(text->Color(), clBlue);
    // Drawing done: the item's own painting is skipped; otherwise it paints
    // itself as the link left it.
    EXPECT_EQ(d.At(32, 32), done ? kGreen : kYellow);
  }
}

TEST(ReportPaint, ExpandButtonAndTreeLines) {
  Doc d(25, 25);
  d.cells.SetTreeLineStyle(0);
  auto* b = Add<TdxReportCellExpandButton>(d.cells.Cells(), TRect(0, 0, 21, 21));
  b->SetShowButton(true);
  b->SetTreeLineMode(tlmCross);
  d.Paint();
  // A 9-pixel button at (6, 6) with a "+" whose bars cross at (10, 10).
  EXPECT_EQ(d.At(6, 10), kBlack);
  EXPECT_EQ(d.At(14, 10), kBlack);
  EXPECT_EQ(d.At(10, 6), kBlack);
  EXPECT_EQ(d.At(8, 10), kBlack);
  EXPECT_EQ(d.At(10, 8), kBlack);
  EXPECT_EQ(d.At(7, 7), kWhite);
  EXPECT_EQ(d.At(15, 10), kWhite);  // the line stops a line short of the button
  // Tree lines above, below and to the right.
  EXPECT_EQ(d.At(10, 2), kGray);
  EXPECT_EQ(d.At(10, 18), kGray);
  EXPECT_EQ(d.At(18, 10), kGray);
  EXPECT_EQ(d.At(2, 10), kWhite);

  b->SetExpanded(true);
  b->SetTreeLineMode(tlmNone);
  d.image = WhiteImage(25, 25);
  d.renderer.Paint(d.cells, d.image);
  EXPECT_EQ(d.At(10, 8), kWhite);
  EXPECT_EQ(d.At(8, 10), kBlack);
  EXPECT_EQ(d.At(10, 2), kWhite);
}

TEST(ReportPaint, TextGoesThroughTheRenderer) {
  Doc d(60, 20);
  auto* text = Add<TdxReportCellString>(d.cells.Cells(), TRect(0, 0, 60, 20), clYellow);
  text->SetText("WWW");
  d.Paint();
  bool dark = false;
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 60; ++x)
      if (ColorNear(d.At(x, y), kBlack, 80)) dark = true;
  EXPECT_TRUE(dark);
  EXPECT_EQ(d.At(58, 18), kYellow);
}

TEST(ReportPaint, NestedDocumentBuiltScaledHitTestedAndPainted) {
  TTestRenderer r;
  r.AddFont("Liberation Sans", 8);
  TdxReportCells doc;
  doc.SetRenderer(&r);
  TCanvas dc(TDeviceCaps::Screen());
  TdxReportCell* root = doc.Cells();
  root->SetBoundsRect(TRect(0, 0, 300, 200));
  root->SetCellSides(0);
  auto* group = new TdxReportGroup(root);
  group->SetBoundsRect(TRect(10, 10, 150, 150));
  group->Caption = "Gr&oup";
  group->SetTransparent(false);
  doc.LookAndFeel()->Prepare(dc);
  group->Prepare(dc);
  auto* inner = new TdxReportCell(group);
  inner->SetBoundsRect(TRect(5, 20, 135, 130));
  inner->SetCellSides(0);
  auto* text = new TdxReportCellString(inner);
  text->SetBoundsRect(TRect(0, 0, 130, 20));
  text->SetText("Hello");
  auto* check = new TdxReportCellCheck(inner);
  check->SetBoundsRect(TRect(0, 30, 130, 50));
  check->SetCheckPos(ccpLeft);
  check->SetText("Check");
  check->SetChecked(true);
  TBitmap picture;
  picture.SetImage(MakeTestImage(60, 40));
  auto* graphic = new TdxReportCellGraphic(root);
  graphic->SetBoundsRect(TRect(160, 110, 290, 190));
  graphic->SetImage(&picture);
  graphic->SetPlacement(plFitCenter);
  graphic->SetImageTransparent(false);
  int captionHeight = doc.LookAndFeel()->CaptionHeight();
  EXPECT_GT(captionHeight, 8);
  EXPECT_GT(group->CaptionTextWidth, 4);

  doc.Scale(4800, 96);
  auto centre = [](const TdxReportVisualItem* item) {
    TRect a = item->AbsoluteRect();
    return TPoint{(a.Left + a.Right) / 2, (a.Top + a.Bottom) / 2};
  };
  EXPECT_EQ(doc.HitTest(centre(check)), check);
  EXPECT_EQ(doc.HitTest(centre(text)), text);
  EXPECT_EQ(doc.HitTest(centre(graphic)), graphic);
  EXPECT_EQ(doc.HitTest({(10 + 2) * 50, (10 + 2) * 50}), group);
  EXPECT_EQ(doc.HitTest({(10 + 5 + 1) * 50, (10 + 20 + 25) * 50}), inner);
  EXPECT_EQ(doc.GetTopLevelCell(check), group);

  // Painted at 200%: report point (x, y) is pixel (x / 25 + 4, y / 25 + 4).
  QImage image = WhiteImage(600, 400);
  r.Paint(doc, image, 25, 4);
  auto px = [&](int reportX, int reportY) { return PixelRGB(image, reportX / 25 + 4, reportY / 25 + 4); };
  unsigned face = ColorToRGB(clBtnFace);
  unsigned faceRGB = (GetRValue(face) << 16) | (GetGValue(face) << 8) | GetBValue(face);
  // The caption band left of the caption text.
  EXPECT_EQ(px(11 * 50, 11 * 50), faceRGB);
  // The frame line runs through the middle of the band, except behind the
  // caption text.
  int frameY = 10 * 50 + captionHeight * 50 / 2;
  EXPECT_EQ(px(10 * 50 + 2 * 50, frameY), kBlack);
  EXPECT_EQ(px(10 * 50 + 5 * 50 + 10, frameY), faceRGB);
  EXPECT_EQ(px(140 * 50, frameY), kBlack);
  // The graphic's picture, fitted and centred: its middle is green.
  TPoint g = centre(graphic);
  EXPECT_EQ(px(g.X, g.Y), kGreen);
  EXPECT_EQ(px(graphic->AbsoluteRect().Left + 100, g.Y), kWhite);  // 120 x 80 in 130 x 80
  EXPECT_EQ(px(graphic->AbsoluteRect().Left + 500, g.Y - 500), kRed);
  // Somewhere inside the check glyph there is the black mark.
  TRect checkRect = check->AbsoluteRect();
  int dark = 0;
  for (int y = checkRect.Top; y < checkRect.Bottom; y += 25)
    for (int x = checkRect.Left; x < checkRect.Left + 15 * 50; x += 25)
      if (px(x, y) == kBlack) ++dark;
  EXPECT_GT(dark, 20);
}
