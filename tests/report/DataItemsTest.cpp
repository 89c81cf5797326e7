// Data items: text flags, measuring, picture placement, check and image
// areas, radio groups and expand buttons.
#include <gtest/gtest.h>

#include "report/CheckItems.h"
#include "report/ReportCells.h"
#include "report/DataItems.h"
#include "report/EngineExceptions.h"
#include "report/ImageList.h"
#include "tests/TestSupport.h"
#include "tests/report/TestRenderer.h"

namespace {

struct Doc {
  Doc() {
    renderer.AddFont("Liberation Sans", 8);
    cells.SetRenderer(&renderer);
  }
  TTestRenderer renderer;
  TdxReportCells cells;
  TCanvas dc{TDeviceCaps::Screen()};
  TdxReportCell* root() { return cells.Cells(); }
};

template <class T>
T* Add(TdxReportCell* parent, TRect r, TdxItemSides sides = 0) {
  auto* item = new T(parent);
  item->SetBoundsRect(r);
  item->SetCellSides(sides);
  return item;
}

}  // namespace

TEST(ReportDataItems, TextFormatFlags) {
  TdxReportCellString s;
  EXPECT_EQ(s.GetTextFormat(), 0xF5600u);
  s.SetMultiline(true);
  s.SetEndEllipsis(true);
  s.SetHidePrefix(true);
  s.SetKeepTextLeft(false);
  s.SetTextAlignX(taRight);
  s.SetTextAlignY(taBottom);
  EXPECT_EQ(s.GetTextFormat(), 0x35400u | 0x80000u | 0x100u | 0x800u | 0x1000000u | 0x2u | 0x20u);
  s.SetTextAlignX(taDistributeX);
  s.SetTextAlignY(taDistributeY);
  EXPECT_EQ(s.GetTextFormat() & 0x37u, 0x34u);
}

TEST(ReportDataItems, TextMeasuresThroughTheRenderer) {
  Doc d;
  auto* s = Add<TdxReportCellString>(d.root(), TRect(0, 0, 200, 20));
  EXPECT_EQ(s->MeasureContentHeight(d.dc), 0);
  EXPECT_EQ(s->MeasureLineCount(d.dc), 0);
  s->SetText("one two three four five six");
  int oneLine = s->MeasureContentHeight(d.dc);
  EXPECT_GT(oneLine, 0);
  int width = s->MeasureContentWidth(d.dc);
  EXPECT_GT(width, 50);
  s->SetMultiline(true);
  s->SetWidth(60);
  EXPECT_GT(s->MeasureLineCount(d.dc), 1);
  EXPECT_GT(s->MeasureContentHeight(d.dc), oneLine);
  EXPECT_EQ(s->MeasureContentWidth(d.dc), 60);  // multi-line: the current width
  s->SetSortOrder(csoUp);
  EXPECT_EQ(s->MeasureContentWidth(d.dc), 76);
  s->SetText("x");
  s->SetMultiline(false);
  EXPECT_GE(s->MeasureContentHeight(d.dc), 16);
  EXPECT_GE(s->MeasureLineHeight(d.dc), 16);

  // The sort mark takes the right 16 screen pixels of the inner bounds.
  s->SetBoundsRect(TRect(0, 0, 2000, 500));
  EXPECT_EQ(s->GetSortMarkBounds(d.dc), TRect(1200, 0, 2000, 500));
  EXPECT_EQ(s->GetTextBounds(d.dc), TRect(0, 0, 1200, 500));
  s->SetSortOrder(csoNone);
  EXPECT_EQ(s->GetTextBounds(d.dc), TRect(0, 0, 2000, 500));
}

TEST(ReportDataItems, PicturePlacement) {
  const TRect box(0, 0, 100, 100);
  EXPECT_EQ(dxPlacePicture(box, 200, 100, plFit), TRect(0, 0, 100, 50));
  EXPECT_EQ(dxPlacePicture(box, 200, 100, plFitCenter), TRect(0, 25, 100, 75));
  EXPECT_EQ(dxPlacePicture(box, 200, 100, plStretch), box);
  EXPECT_EQ(dxPlacePicture(box, 200, 100, plCenter), TRect(-50, 0, 150, 100));
  EXPECT_EQ(dxPlacePicture(box, 200, 100, plTopLeft), TRect(0, 0, 200, 100));
  EXPECT_EQ(dxPlacePicture(box, 10, 40, plFitCenter), TRect(37, 0, 62, 100));
  // Smaller pictures are scaled up as well.
  EXPECT_EQ(dxPlacePicture(box, 10, 5, plFit), TRect(0, 0, 100, 50));
  // Nothing divides by zero.
  EXPECT_TRUE(dxPlacePicture(box, 0, 100, plFit).IsEmpty());
  EXPECT_TRUE(dxPlacePicture(box, 100, 0, plCenter).IsEmpty());
  EXPECT_TRUE(dxPlacePicture(TRect(0, 0, 0, 100), 10, 10, plFit).IsEmpty());
  EXPECT_TRUE(dxPlacePicture(TRect(0, 0, 100, 0), 10, 10, plFitCenter).IsEmpty());
}

TEST(ReportDataItems, GraphicItemGeometry) {
  Doc d;
  TBitmap picture;
  picture.SetImage(MakeTestImage(200, 100));
  auto* g = Add<TdxReportCellGraphic>(d.root(), TRect(0, 0, 5000, 5000));
  EXPECT_FALSE(g->HasImage());
  EXPECT_TRUE(g->GetImageBounds(d.dc).IsEmpty());
  EXPECT_EQ(g->MeasureContentWidth(d.dc), 0);
  g->SetImage(&picture);
  EXPECT_TRUE(g->HasImage());
  EXPECT_EQ(g->BoundsRect(), TRect(0, 0, 5000, 5000));  // a set size is kept
  EXPECT_EQ(g->MeasureContentWidth(d.dc), 200);
  EXPECT_EQ(g->MeasureContentHeight(d.dc), 100);
  g->SetPlacement(plFit);
  EXPECT_EQ(g->GetImageBounds(d.dc), TRect(0, 0, 5000, 2500));
  g->SetPlacement(plFitCenter);
  EXPECT_EQ(g->GetImageBounds(d.dc), TRect(0, 1250, 5000, 3750));
  EXPECT_TRUE(g->GetTextBounds(d.dc).IsEmpty());
  g->SetText("ignored");
  EXPECT_FALSE(g->HasText());

  // An empty graphic gives no picture.
  TBitmap empty;
  g->SetImage(&empty);
  EXPECT_FALSE(g->HasImage());
  EXPECT_TRUE(g->GetImageBounds(d.dc).IsEmpty());
  g->SetImage(nullptr);
  EXPECT_EQ(g->Image(), nullptr);
}

TEST(ReportDataItems, ImageListPictures) {
  Doc d;
  TCustomImageList list(16, 12);
  TBitmap b;
  b.SetImage(MakeTestImage(32, 24));
  list.Add(b);
  EXPECT_EQ(list.Image(0).Width(), 16);
  auto* image = Add<TdxReportCellImage>(d.root(), TRect(0, 0, 3000, 1000));
  image->ImageList = &list;
  image->ImageIndex = 1;  // not in the list: no picture, but the space is kept
  EXPECT_FALSE(image->HasImage());
  image->SetText("label");
  int p = d.renderer.PixelSize();
  // Left column: the text starts right of the image area.
  EXPECT_EQ(image->GetImageAreaBounds(d.dc), TRect(0, 0, 2 * p + 800, 1000));
  EXPECT_EQ(image->GetTextBounds(d.dc).Left, 2 * p + 800);
  image->SetKeepImageSpace(false);
  EXPECT_EQ(image->GetTextBounds(d.dc).Left, 0);
  image->ImageIndex = 0;
  EXPECT_TRUE(image->HasImage());
  EXPECT_EQ(image->GetTextBounds(d.dc).Left, 2 * p + 800);
  // The picture sits in the middle of its area, vertically centred.
  EXPECT_EQ(image->GetImageBounds(d.dc), TRect(p, 200, p + 800, 800));

  image->SetImagePosition(ipTopCenter);
  EXPECT_EQ(image->GetImageAreaBounds(d.dc), TRect(0, 0, 3000, 2 * p + 600));
  EXPECT_EQ(image->GetTextBounds(d.dc).Top, 2 * p + 600);
  image->SetImageBand(false);
  EXPECT_EQ(image->GetImageAreaBounds(d.dc), TRect(p + 1100, 0, p + 1100 + 800 + p, 2 * p + 600));
  EXPECT_EQ(image->GetTextBounds(d.dc).Top, 0);

  image->SetImagePosition(ipCenter);
  EXPECT_FALSE(image->HasText());
  image->SetTextOverImage(true);
  EXPECT_TRUE(image->HasText());
  EXPECT_FALSE(image->NeedsTextBackground());

  // Measuring in screen pixels: picture + 2 beside the text.
  image->SetImagePosition(ipCenterRight);
  image->SetText("");
  EXPECT_EQ(image->MeasureContentWidth(d.dc), 18);
  EXPECT_EQ(image->MeasureContentHeight(d.dc), 14);
  image->SetImagePosition(ipCenter);
  image->SetTextOverImage(false);
  EXPECT_EQ(image->MeasureContentWidth(d.dc), 18);
}

TEST(ReportDataItems, CheckAreasAndText) {
  Doc d;
  auto* check = Add<TdxReportCellCheck>(d.root(), TRect(0, 0, 3000, 1000));
  check->SetText("gone");
  check->SetCheckPos(ccpCenter);
  EXPECT_EQ(check->GetText(), "");
  EXPECT_TRUE(check->GetTextBounds(d.dc).IsEmpty());
  EXPECT_EQ(check->GetImageAreaBounds(d.dc), TRect(0, 0, 3000, 1000));
  EXPECT_EQ(check->GetCheckBounds(d.dc), TRect(1175, 175, 1825, 825));
  EXPECT_EQ(check->MeasureContentWidth(d.dc), 15);
  EXPECT_EQ(check->MeasureContentHeight(d.dc), 15);

  // The gap beside the glyph is two pixels of the screen, not of the device.
  const int p = d.renderer.ScreenToUnits(1);
  check->SetCheckPos(ccpLeft);
  check->SetText("Label");
  EXPECT_EQ(check->GetImageAreaBounds(d.dc), TRect(0, 0, 2 * p + 650, 1000));
  EXPECT_EQ(check->GetTextBounds(d.dc), TRect(2 * p + 650, 0, 3000, 1000));
  EXPECT_GT(check->MeasureContentWidth(d.dc), 15);
  check->SetCheckPos(ccpRight);
  EXPECT_EQ(check->GetImageAreaBounds(d.dc), TRect(3000 - 2 * p - 650, 0, 3000, 1000));
  EXPECT_EQ(check->GetTextBounds(d.dc), TRect(0, 0, 3000 - 2 * p - 650, 1000));

  EXPECT_FALSE(check->IsRadio());
  TdxReportCellRadio radio;
  EXPECT_TRUE(radio.IsRadio());
}

TEST(ReportDataItems, CheckImageGlyphs) {
  Doc d;
  auto* check = Add<TdxReportCellCheckImage>(d.root(), TRect(0, 0, 1000, 1000));
  EXPECT_FALSE(check->HasGlyph());
  EXPECT_EQ(check->MeasureContentWidth(d.dc), 15);  // the standard box
  check->Glyph().SetImage(MakeTestImage(24, 8));
  check->SetGlyphCount(3);
  EXPECT_EQ(check->MeasureContentWidth(d.dc), 10);
  EXPECT_EQ(check->GetGlyphIndex(), 0);
  check->SetChecked(true);
  EXPECT_EQ(check->GetGlyphIndex(), 1);
  check->SetEnabled(false);
  EXPECT_EQ(check->GetGlyphIndex(), 2);
  check->SetGlyphCount(2);
  EXPECT_EQ(check->GetGlyphIndex(), 1);
  check->SetGlyphCount(1);
  EXPECT_EQ(check->GetGlyphIndex(), 0);
}

TEST(ReportDataItems, RadioGroupLayoutFillsColumnByColumn) {
  Doc d;
  auto* group = new TdxReportRadioGroup(d.root());
  group->SetBoundsRect(TRect(0, 0, 200, 90));
  group->SetShowCaption(false);
  group->SetColumnCount(2);
  for (const char* t : {"a", "b", "c", "d", "e"}) group->Add(t);
  EXPECT_EQ(group->ButtonCount(), 5);
  EXPECT_EQ(group->RowCount(), 3);
  TdxReportCellGroupButton* b0 = group->Buttons(0);
  EXPECT_EQ(b0->CellSides(), 0u);
  EXPECT_TRUE(b0->Transparent());
  EXPECT_EQ(b0->TextAlignY(), taCenterY);
  EXPECT_EQ(b0->CheckEdgeStyle(), cesSingle);
  EXPECT_EQ(b0->GetText(), "");  // the group's CheckPos 1 clears texts
  EXPECT_EQ(b0->BoundsRect(), TRect(0, 0, -1, 0));

  group->LayoutButtons(d.dc);
  EXPECT_EQ(group->ButtonHeight(), 15);
  EXPECT_EQ(group->MaxButtonWidth(), 15);
  // Area (2, 2, 198, 88): columns 98 wide, rows 28 high.
  for (int i = 0; i < 5; ++i) {
    TRect r = group->Buttons(i)->BoundsRect();
    EXPECT_EQ(r.Left, 2 + (i / 3) * 98) << i;
    EXPECT_EQ(r.Width(), 98) << i;
    EXPECT_EQ(r.Top, 2 + (i % 3) * 28 + 6) << i;
    EXPECT_EQ(r.Height(), 16) << i;
    EXPECT_TRUE(group->Buttons(i)->Visible());
  }
  EXPECT_EQ(group->MeasureContentHeight(d.dc), 3 * (15 + 1) + 4 - 1);
  EXPECT_EQ(group->MeasureContentWidth(d.dc), (15 + 1) * 2 + 4 - 1);
  EXPECT_THROW(group->Buttons(5), EdxPrintEngine);

  // Buttons that do not fit are hidden.
  group->SetBoundsRect(TRect(0, 0, 200, 40));
  group->SetColumnCount(1);
  group->LayoutButtons(d.dc);
  EXPECT_TRUE(group->Buttons(0)->Visible());
  EXPECT_FALSE(group->Buttons(4)->Visible());

  // Nothing happens without room or buttons.
  group->SetBoundsRect(TRect(0, 0, 3, 3));
  group->LayoutButtons(d.dc);
  TdxReportRadioGroup empty;
  empty.LayoutButtons(d.dc);
  EXPECT_EQ(empty.ButtonHeight(), 0);
}

TEST(ReportDataItems, RadioGroupSelection) {
  Doc d;
  auto* group = new TdxReportRadioGroup(d.root());
  group->SetCheckPos(ccpLeft);
  for (const char* t : {"a", "b", "c"}) group->Add(t);
  EXPECT_EQ(group->Buttons(1)->GetText(), "b");
  EXPECT_EQ(group->ItemIndex(), -1);
  group->SetItemIndex(1);
  EXPECT_EQ(group->ItemIndex(), 1);
  EXPECT_TRUE(group->Buttons(1)->Checked());
  group->Buttons(2)->SetChecked(true);
  EXPECT_EQ(group->ItemIndex(), 2);
  EXPECT_FALSE(group->Buttons(1)->Checked());
  group->Buttons(0)->SetChecked(false);  // not the selected one: nothing
  EXPECT_EQ(group->ItemIndex(), 2);
  group->Buttons(2)->SetChecked(false);
  EXPECT_EQ(group->ItemIndex(), -1);
  group->SetItemIndex(99);
  EXPECT_EQ(group->ItemIndex(), 2);
  group->SetItemIndex(-5);
  EXPECT_EQ(group->ItemIndex(), -1);
  for (int i = 0; i < 3; ++i) EXPECT_FALSE(group->Buttons(i)->Checked());

  group->SetCheckEdgeStyle(cesGlyph3D);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(group->Buttons(i)->CheckEdgeStyle(), cesGlyph3D);
  group->SetCheckPos(ccpCenter);
  for (int i = 0; i < 3; ++i) EXPECT_EQ(group->Buttons(i)->GetText(), "");
  group->SetColumnCount(0);
  EXPECT_EQ(group->ColumnCount(), 1);
  group->SetInterRowsMinSpace(-4);
  EXPECT_EQ(group->InterRowsMinSpace(), 0);
  group->SetButtonsRegionMargins(TRect(-1, 5, -2, 3));
  EXPECT_EQ(group->ButtonsRegionMargins(), TRect(0, 5, 0, 3));

  // A group button outside a radio group is a plain radio button.
  TdxReportCellGroupButton loose;
  loose.SetChecked(true);
  EXPECT_TRUE(loose.Checked());
  EXPECT_EQ(loose.ButtonIndex(), -1);
}

TEST(ReportDataItems, ExpandButtonSideIsAMultipleOfTheLine) {
  EXPECT_EQ(dxRoundToMultiple(9, 4), 8);
  EXPECT_EQ(dxRoundToMultiple(9, 2), 10);
  EXPECT_EQ(dxRoundToMultiple(9, 1), 9);
  EXPECT_EQ(dxRoundToMultiple(9, 3), 9);
  EXPECT_EQ(dxRoundToMultiple(11, 4), 12);
  EXPECT_EQ(dxRoundToMultiple(9, 0), 9);

  Doc d;
  auto* b = Add<TdxReportCellExpandButton>(d.root(), TRect(0, 0, 20, 20));
  EXPECT_TRUE(b->GetButtonBounds(d.dc).IsEmpty());
  b->SetShowButton(true);
  d.renderer.IdleThickness = 4;
  EXPECT_EQ(b->GetButtonBounds(d.dc), TRect(6, 6, 14, 14));
  d.renderer.IdleThickness = 2;
  EXPECT_EQ(b->GetButtonBounds(d.dc), TRect(5, 5, 15, 15));
  // Bounds smaller than the button: the square starts at the corner.
  b->SetBoundsRect(TRect(0, 0, 4, 4));
  EXPECT_EQ(b->GetButtonBounds(d.dc), TRect(0, 0, 10, 10));
  b->Scale(3, 1);
  EXPECT_EQ(b->ButtonSize, 27);
}
