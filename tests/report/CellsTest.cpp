// The report document: tree maintenance, the Format word, geometry, scaling,
// hit-testing, pools and streams.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "report/CheckItems.h"
#include "report/ReportCells.h"
#include "report/DataItems.h"
#include "report/EngineExceptions.h"
#include "report/ImageList.h"
#include "tests/TestSupport.h"
#include "tests/report/TestRenderer.h"
#include "tests/report/TestStream.h"

namespace {

struct Doc {
  Doc() {
    renderer.AddFont("Liberation Sans", 8);
    cells.SetRenderer(&renderer);
  }
  TTestRenderer renderer;
  TdxReportCells cells;
  TdxReportCell* root() { return cells.Cells(); }
};

TdxReportCell* NewCell(TdxReportCell* parent, TRect r) {
  auto* c = new TdxReportCell(parent);
  c->SetBoundsRect(r);
  return c;
}

template <class T>
T* NewItem(TdxReportCell* parent, TRect r) {
  auto* item = new T(parent);
  item->SetBoundsRect(r);
  return item;
}

}  // namespace

// ---- Tree maintenance ------------------------------------------------------------

TEST(ReportTree, ItemsGoToTheListTheirKindSelects) {
  Doc d;
  auto* cell = new TdxReportCell(d.root());
  auto* group = new TdxReportGroup(d.root());
  auto* text = new TdxReportCellString(d.root());
  auto* inner = new TdxReportCellCheck(cell);
  EXPECT_EQ(d.root()->CellCount(), 2);
  EXPECT_EQ(d.root()->DataItemCount(), 1);
  EXPECT_EQ(cell->DataItemCount(), 1);
  EXPECT_EQ(group->Index(), 1);
  EXPECT_EQ(text->Index(), 0);
  EXPECT_EQ(inner->Parent(), cell);
  EXPECT_EQ(inner->ReportCells(), &d.cells);
  EXPECT_EQ(cell->ReportCells(), &d.cells);
  EXPECT_EQ(TdxReportCell().Index(), -1);
}

TEST(ReportTree, SetIndexClampsAndSetParentMovesWholeSubtrees) {
  Doc d;
  TdxReportCellString* s[3];
  for (auto& p : s) p = new TdxReportCellString(d.root());
  s[0]->SetIndex(99);
  EXPECT_EQ(s[0]->Index(), 2);
  s[2]->SetIndex(-5);
  EXPECT_EQ(s[2]->Index(), 0);
  EXPECT_EQ(d.root()->DataItems(1), s[1]);

  // A detached subtree takes the document of the cell it joins.
  TdxReportCell* loose = new TdxReportCell();
  TdxReportCell* child = new TdxReportCell(loose);
  auto* item = new TdxReportCellBox(child);
  EXPECT_EQ(item->ReportCells(), nullptr);
  loose->SetParent(d.root());
  EXPECT_EQ(child->ReportCells(), &d.cells);
  EXPECT_EQ(item->ReportCells(), &d.cells);

  s[1]->SetParent(child);
  EXPECT_EQ(d.root()->DataItemCount(), 2);
  EXPECT_EQ(child->DataItemCount(), 2);
  s[1]->SetParent(child);  // same parent: nothing
  EXPECT_EQ(child->DataItemCount(), 2);
  EXPECT_EQ(s[1]->Index(), 1);
}

TEST(ReportTree, CellCannotHoldItselfOrItsAncestors) {
  Doc d;
  TdxReportCell* a = new TdxReportCell(d.root());
  TdxReportCell* b = new TdxReportCell(a);
  EXPECT_THROW(a->SetParent(b), EdxPrintEngine);
  EXPECT_THROW(a->SetParent(a), EdxPrintEngine);
  EXPECT_EQ(a->Parent(), d.root());
  EXPECT_EQ(b->Parent(), a);
}

TEST(ReportTree, FreeingItemsDetachesThemAndEmptiesLists) {
  Doc d;
  auto* cell = new TdxReportCell(d.root());
  auto* a = new TdxReportCellBox(cell);
  new TdxReportCellBox(cell);
  new TdxReportCell(cell);
  delete a;
  EXPECT_EQ(cell->DataItemCount(), 1);
  cell->ClearAll();
  EXPECT_EQ(cell->DataItemCount(), 0);
  EXPECT_EQ(cell->CellCount(), 0);
  delete cell;
  EXPECT_EQ(d.root()->CellCount(), 0);
}

TEST(ReportTree, AssignRebuildsContent) {
  Doc d;
  TdxReportCell* source = NewCell(d.root(), TRect(0, 0, 100, 100));
  source->SetColor(clRed);
  auto* group = new TdxReportGroup(source);
  group->Caption = "G";
  auto* text = new TdxReportCellString(group);
  text->SetText("hello");
  text->Data = 42;
  auto* check = new TdxReportCellCheck(source);
  check->SetChecked(true);

  TdxReportCell* target = NewCell(d.root(), TRect(5, 5, 10, 10));
  new TdxReportCellBox(target);
  target->Assign(*source);
  EXPECT_EQ(target->BoundsRect(), TRect(0, 0, 100, 100));
  EXPECT_EQ(target->Color(), clRed);
  ASSERT_EQ(target->CellCount(), 1);
  ASSERT_EQ(target->DataItemCount(), 1);
  // Child cells are rebuilt as plain cells, data items in their own class.
  EXPECT_EQ(target->Cells(0)->ClassType(), TdxReportCell::StaticClass());
  ASSERT_EQ(target->Cells(0)->DataItemCount(), 1);
  auto* copiedText = dynamic_cast<TdxReportCellString*>(target->Cells(0)->DataItems(0));
  ASSERT_NE(copiedText, nullptr);
  EXPECT_EQ(copiedText->GetText(), "hello");
  EXPECT_EQ(copiedText->Data, 42);
  auto* copiedCheck = dynamic_cast<TdxReportCellCheck*>(target->DataItems(0));
  ASSERT_NE(copiedCheck, nullptr);
  EXPECT_TRUE(copiedCheck->Checked());

  // A cell assigned from its own descendant keeps a copy, not freed memory.
  source->Assign(*group);
  EXPECT_EQ(source->CellCount(), 0);
  ASSERT_EQ(source->DataItemCount(), 1);
  EXPECT_EQ(dynamic_cast<TdxReportCellString*>(source->DataItems(0))->GetText(), "hello");
}

TEST(ReportTree, TopLevelCellStopsBelowTheDocumentCells) {
  Doc d;
  TdxReportCell* a = new TdxReportCell(d.root());
  TdxReportCell* b = new TdxReportCell(a);
  auto* deep = new TdxReportCellBox(b);
  auto* shallow = new TdxReportCellBox(d.root());
  auto* inHeader = new TdxReportCellBox(new TdxReportCell(d.cells.HeaderCell()));
  TdxReportCellBox loose;
  EXPECT_EQ(d.cells.GetTopLevelCell(deep), a);
  EXPECT_EQ(d.cells.GetTopLevelCell(shallow), d.root());
  EXPECT_EQ(d.cells.GetTopLevelCell(inHeader), inHeader->Parent());
  EXPECT_EQ(d.cells.GetTopLevelCell(&loose), nullptr);
  EXPECT_EQ(d.cells.GetTopLevelCell(b), a);
}

TEST(ReportTree, DocumentDefaults) {
  TdxReportCells doc;
  EXPECT_EQ(doc.LookAndFeelCount(), 2);
  EXPECT_EQ(doc.LookAndFeels(0)->ClassType(), TdxPSReportGroupStandardLookAndFeel::StaticClass());
  EXPECT_EQ(doc.LookAndFeels(1)->ClassType(), TdxPSReportGroupNullLookAndFeel::StaticClass());
  EXPECT_EQ(doc.LookAndFeel(), doc.LookAndFeels(0));
  EXPECT_FALSE(doc.HasHeaderCell());
  EXPECT_EQ(doc.HeaderCellCount(), 0);
  EXPECT_EQ(doc.HeaderCell()->Color(), TColor(ColorToRGB(clBtnFace)));
  EXPECT_TRUE(doc.HasHeaderCell());
  EXPECT_EQ(doc.Cells()->Color(), clWhite);
  EXPECT_EQ(doc.TreeLineColor(), clGray);
  doc.SetBorderColor(clDefault);
  EXPECT_EQ(doc.BorderColor(), clBlack);
  doc.SetTreeLineColor(clDefault);
  EXPECT_EQ(doc.TreeLineColor(), clGray);
  doc.SetShadowDepth(-4);
  EXPECT_EQ(doc.ShadowDepth(), 0);
  // With reuse, the existing look-and-feel of that class.
  EXPECT_EQ(doc.CreateLookAndFeel(TdxPSReportGroupNullLookAndFeel::StaticClass()), doc.LookAndFeels(1));
  TdxPSReportGroupLookAndFeel* web = doc.CreateLookAndFeel(TdxPSReportGroupWebLookAndFeel::StaticClass());
  EXPECT_EQ(web, doc.LookAndFeels(2));
  EXPECT_NE(doc.CreateLookAndFeel(TdxPSReportGroupWebLookAndFeel::StaticClass(), false), web);
  EXPECT_EQ(doc.LookAndFeelCount(), 4);
  EXPECT_THROW(doc.CreateLookAndFeel(TdxReportCell::StaticClass()), EdxPrintEngine);
}

// ---- The Format word ---------------------------------------------------------------

TEST(ReportFormat, DefaultWordsOfEachKind) {
  TdxReportCells doc;
  TdxReportCell* root = doc.Cells();
  EXPECT_EQ(TdxFormat(root->Format()), 0x8000080Fu);
  EXPECT_EQ((new TdxReportGroup(root))->Format(), 0x9008080Fu);
  EXPECT_EQ((new TdxReportRadioGroup(root))->Format(), 0x9409080Fu);
  EXPECT_EQ((new TdxReportCellBox(root))->Format(), 0xC000080Fu);
  EXPECT_EQ((new TdxReportCellString(root))->Format(), 0xC030080Fu);
  EXPECT_EQ((new TdxReportCellCheck(root))->Format(), 0xC631280Fu);
  EXPECT_EQ((new TdxReportCellCheckImage(root))->Format(), 0x9631280Fu);
  EXPECT_EQ((new TdxReportCellImage(root))->Format(), 0xE330380Fu);
  EXPECT_EQ((new TdxReportCellGraphic(root))->Format(), 0xC230080Fu);
  EXPECT_EQ((new TdxReportCellExpandButton(root))->Format(), 0xC0000F0Fu);
}

TEST(ReportFormat, EachSetterChangesOnlyItsOwnBits) {
  TdxReportCellImage image;
  TdxReportCellExpandButton button;
  TdxReportCellCheckImage check;
  TdxReportGroup group;
  TdxReportCellGraphic graphic;
  struct Case {
    TdxReportVisualItem* item;
    std::function<void()> set;
    TdxFormat mask;
    TdxFormat expected;  // the masked bits after set
  };
  const Case cases[] = {
      {&image, [&] { image.SetTransparent(false); }, 1u << 11, 0},
      {&image, [&] { image.SetShadowed(true); }, 1u << 17, 1u << 17},
      {&image, [&] { image.SetOpaqueToParent(true); }, 1u << 18, 1u << 18},
      {&image, [&] { image.SetVisible(false); }, 1u << 31, 0},
      {&image, [&] { image.SetCellSides(isdLeft | isdBottom); }, 0xF, 0x9},
      {&image, [&] { image.SetTextAlignX(taDistributeX); }, 0x70, 0x40},
      {&image, [&] { image.SetTextAlignY(taDistributeY); }, 0x180, 0x180},
      {&image, [&] { image.SetEndEllipsis(true); }, 1u << 9, 1u << 9},
      {&image, [&] { image.SetMultiline(true); }, 1u << 10, 1u << 10},
      {&image, [&] { image.SetImagePosition(ipBottomRight); }, 0xF000, 0x8000},
      {&image, [&] { image.SetHidePrefix(true); }, 1u << 19, 1u << 19},
      {&image, [&] { image.SetKeepTextLeft(false); }, 1u << 20, 0},
      {&image, [&] { image.SetKeepTextTop(false); }, 1u << 21, 0},
      {&image, [&] { image.SetSortOrder(csoDown); }, 0xC00000, 0x800000},
      {&image, [&] { image.SetKeepImageSpace(false); }, 1u << 24, 0},
      {&image, [&] { image.SetImageTransparent(false); }, 1u << 25, 0},
      {&image, [&] { image.SetTextOverImage(true); }, 1u << 28, 1u << 28},
      {&image, [&] { image.SetImageBand(false); }, 1u << 29, 0},
      {&graphic, [&] { graphic.SetPlacement(plFitCenter); }, 0x70, 0x40},
      {&button, [&] { button.SetButton3D(true); }, 1u << 4, 1u << 4},
      {&button, [&] { button.SetButtonShadow(true); }, 1u << 5, 1u << 5},
      {&button, [&] { button.SetButton3DSoft(true); }, 1u << 6, 1u << 6},
      {&button, [&] { button.SetExpanded(true); }, 1u << 7, 1u << 7},
      {&button, [&] { button.SetButtonTransparent(false); }, 1u << 9, 0},
      {&button, [&] { button.SetButtonBorder(false); }, 1u << 10, 0},
      {&button, [&] { button.SetShowButton(true); }, 1u << 12, 1u << 12},
      {&button, [&] { button.SetTreeLineMode(tlmBottomRightCorner); }, 0x1C00000, 0x1000000},
      {&check, [&] { check.SetChecked(true); }, 1u << 12, 1u << 12},
      {&check, [&] { check.SetEnabled(false); }, 1u << 13, 0},
      {&check, [&] { check.SetCheckEdgeStyle(cesColored); }, 0x1C000, 0x14000},
      {&check, [&] { check.SetCheckPos(ccpRight); }, 0xC000000, 0x8000000},
      {&check, [&] { check.SetGlyphCount(6); }, 0x70000000, 0x60000000},
      {&group, [&] { group.SetCaptionAlignment(caRight); }, 0x70, 0x20},
      {&group, [&] { group.SetClipChildren(false); }, 1u << 19, 0},
      {&group, [&] { group.SetShowCaption(false); }, 1u << 28, 0},
      {&group, [&] { group.SetCaptionTransparent(true); }, 1u << 29, 1u << 29},
  };
  for (const Case& c : cases) {
    for (TdxFormat start : {0x00000000u, 0xFFFFFFFFu, 0x5A5A5A5Au}) {
      c.item->SetFormat(start);
      c.set();
      TdxFormat f = c.item->Format();
      EXPECT_EQ(f & ~c.mask, start & ~c.mask) << std::hex << c.mask;
      EXPECT_EQ(f & c.mask, c.expected) << std::hex << c.mask;
    }
  }
}

TEST(ReportFormat, EnumerationsReadBackAndClamp) {
  TdxReportCellCheckImage check;
  check.SetGlyphCount(0);
  EXPECT_EQ(check.GlyphCount(), 1);
  check.SetGlyphCount(9);
  EXPECT_EQ(check.GlyphCount(), 6);
  check.SetFormat(0);  // a zero count in a stored word still reads as 1
  EXPECT_EQ(check.GlyphCount(), 1);
  check.SetFormat(0xFFFFFFFF);  // out-of-range values read clamped
  EXPECT_EQ(check.GlyphCount(), 6);
  EXPECT_EQ(check.CheckEdgeStyle(), cesColored);
  EXPECT_EQ(check.CheckPos(), ccpRight);
  EXPECT_EQ(check.SortOrder(), csoDown);
  EXPECT_EQ(check.TextAlignX(), taDistributeX);

  TdxReportCellString s;
  s.SetFontIndex(-7);
  EXPECT_EQ(s.FontIndex(), -1);
  s.SetBackgroundBitmapIndex(-3);
  EXPECT_EQ(s.BackgroundBitmapIndex(), -1);
  s.SetBorderClass(nullptr);
  EXPECT_EQ(s.BorderClass(), TdxPSCellUltraFlatBorder::StaticClass());
  s.SetColor(clBtnFace);
  EXPECT_EQ(s.Color(), TColor(ColorToRGB(clBtnFace)));
}

// ---- Geometry ------------------------------------------------------------------------

TEST(ReportGeometry, UltraFlatBordersAroundTheBounds) {
  Doc d;
  d.renderer.IdleThickness = 4;
  TCanvas dc(TDeviceCaps::Screen());
  auto* box = NewItem<TdxReportCellBox>(d.root(), TRect(0, 0, 100, 50));
  EXPECT_EQ(box->GetOuterBounds(dc), TRect(-4, -4, 100, 50));
  EXPECT_EQ(box->GetInnerBounds(dc), TRect(0, 0, 96, 46));
  EXPECT_EQ(box->GetBorderBounds(dc), TRect(-4, -4, 100, 50));
  EXPECT_EQ(box->GetBorderEdgeBounds(csRight, box->BoundsRect()), TRect(96, 0, 100, 50));
  EXPECT_EQ(box->GetBorderEdgeBounds(csTop, box->BoundsRect()), TRect(0, 0, 100, 4));
  EXPECT_EQ(box->GetBorderHeight(), 0);

  box->SetShadowed(true);
  EXPECT_EQ(box->GetInnerBounds(dc), TRect(0, 0, 93, 43));
  EXPECT_EQ(box->GetBorderBounds(dc), TRect(-4, -4, 97, 47));
  EXPECT_EQ(box->GetBorderHeight(), 3);

  box->SetCellSides(0);
  EXPECT_TRUE(box->HasBorder());  // the shadow alone is a border
  EXPECT_EQ(box->GetOuterBounds(dc), TRect(0, 0, 100, 50));
  box->SetShadowed(false);
  EXPECT_FALSE(box->HasBorder());

  // A cell computes the same in its own coordinates.
  TdxReportCell* cell = NewCell(d.root(), TRect(10, 20, 110, 70));
  EXPECT_EQ(cell->GetOuterBounds(dc), TRect(-4, -4, 100, 50));
  EXPECT_EQ(cell->AbsoluteRect(), TRect(10, 20, 110, 70));
  auto* inner = NewItem<TdxReportCellBox>(cell, TRect(5, 5, 15, 15));
  EXPECT_EQ(inner->AbsoluteOrigin(), (TPoint{15, 25}));
}

TEST(ReportGeometry, GroupCaptionBandIsPartOfTheTopBorder) {
  Doc d;
  TCanvas dc(TDeviceCaps::Screen());
  auto* group = new TdxReportGroup(d.root());
  group->SetBoundsRect(TRect(0, 0, 200, 100));
  TdxPSReportGroupLookAndFeel* lf = d.cells.LookAndFeel();
  lf->SetCaptionHeight(22);
  EXPECT_EQ(group->EffectiveLookAndFeel(), lf);
  EXPECT_FALSE(group->HasBorder() && group->CellSides() == 0);
  EXPECT_EQ(group->GetBorderThickness(csTop), 22);  // not prepared: not divided
  d.renderer.IdleThickness = 4;
  d.renderer.Prepared = true;
  EXPECT_EQ(group->GetBorderThickness(csTop), 5);  // 22 div 4
  EXPECT_EQ(group->GetBorderOuterExtent(csLeft, false), 0);
  EXPECT_EQ(group->GetBorderOuterExtent(csLeft, true), group->GetBorderThickness(csLeft));
  EXPECT_EQ(group->GetOuterBounds(dc), TRect(0, 0, 200, 100));
  EXPECT_EQ(group->GetInnerBounds(dc).Top, 20);
  EXPECT_EQ(group->GetBorderBounds(dc).Top, 11);  // half the caption band
  group->SetShowCaption(false);
  EXPECT_EQ(group->GetBorderThickness(csTop), 0);
  EXPECT_EQ(group->GetBorderBounds(dc).Top, 0);
  group->SetShowCaption(true);

  // Caption boxes.
  group->SetTransparent(false);
  lf->SetCaptionHeight(20);
  group->CaptionTextWidth = 50;
  EXPECT_EQ(lf->GetCaptionTextBounds(*group), TRect(5, 0, 55, 20));
  EXPECT_EQ(lf->GetCaptionLeftRestBounds(*group), TRect(0, 0, 5, 20));
  EXPECT_EQ(lf->GetCaptionRightRestBounds(*group), TRect(55, 0, 200, 20));
  group->SetCaptionAlignment(caCenter);
  EXPECT_EQ(lf->GetCaptionTextBounds(*group), TRect(75, 0, 125, 20));
  group->SetCaptionAlignment(caRight);
  EXPECT_EQ(lf->GetCaptionTextBounds(*group), TRect(145, 0, 195, 20));
  group->SetTransparent(true);
  EXPECT_TRUE(lf->GetCaptionLeftRestBounds(*group).IsEmpty());
  group->CaptionTextWidth = 0;
  EXPECT_TRUE(lf->GetCaptionTextBounds(*group).IsEmpty());

  // An empty caption measures 0 but the frame still starts half a band down.
  d.renderer.Prepared = false;
  d.renderer.IdleThickness = 1;
  group->Caption = "";
  group->Prepare(dc);
  EXPECT_EQ(group->CaptionTextWidth, 0);
  EXPECT_EQ(group->GetBorderBounds(dc).Top, 10);
  group->Caption = "Caption";
  group->Prepare(dc);
  EXPECT_GT(group->CaptionTextWidth, 4);
  EXPECT_TRUE(group->HasBorder());
}

TEST(ReportGeometry, LookAndFeelKindsAndNesting) {
  Doc d;
  TCanvas dc(TDeviceCaps::Screen());
  auto* web = static_cast<TdxPSReportGroupWebLookAndFeel*>(
      d.cells.CreateLookAndFeel(TdxPSReportGroupWebLookAndFeel::StaticClass()));
  auto* outer = new TdxReportGroup(d.root());
  auto* inner = new TdxReportGroup(new TdxReportCell(outer));
  outer->LookAndFeel = web;
  EXPECT_EQ(inner->EffectiveLookAndFeel(), web);
  inner->SetBoundsRect(TRect(0, 0, 100, 60));
  web->SetBorderThickness(-2);
  EXPECT_EQ(web->BorderThickness(), 0);
  web->SetBorderThickness(2);
  web->SetCaptionHeight(10);
  web->SetCaptionSeparatorThickness(3);
  d.renderer.IdleThickness = 3;
  EXPECT_EQ(web->GetCaptionBounds(*inner), TRect(6, 6, 94, 16));
  EXPECT_EQ(web->GetCaptionSeparatorBounds(*inner), TRect(6, 16, 94, 19));
  EXPECT_EQ(web->GetCaptionTextBounds(*inner), web->GetCaptionBounds(*inner));
  EXPECT_EQ(inner->GetBorderThickness(csLeft), 2);
  EXPECT_EQ(web->GetCaptionAreaHeight(), 13);
  EXPECT_EQ(web->GetBorderColor(), d.cells.GroupBorderColor());

  auto* office = d.cells.CreateLookAndFeel(TdxPSReportGroupOfficeLookAndFeel::StaticClass());
  EXPECT_EQ(office->CaptionIndent(), 0);
  EXPECT_EQ(office->LookAndFeelClass()->DefaultSides(), TdxItemSides(isdTop));
  EXPECT_EQ(office->LookAndFeelClass()->DisplayName(), "Office");
  auto* null = d.cells.LookAndFeels(1);
  null->SetCaptionHeight(40);
  EXPECT_EQ(null->CaptionHeight(), 0);
  EXPECT_EQ(null->BorderThickness(), 1);
  EXPECT_EQ(null->LookAndFeelClass()->DefaultSides(), 0u);
}

// ---- Scaling -----------------------------------------------------------------------------

TEST(ReportScale, DocumentScalesTreeLookAndFeelsAndBands) {
  Doc d;
  TdxReportCell* cell = NewCell(d.root(), TRect(1, 2, 11, 22));
  auto* group = new TdxReportGroup(cell);
  group->SetBoundsRect(TRect(-3, 3, 5, 7));
  group->CaptionTextWidth = 7;
  auto* text = NewItem<TdxReportCellString>(group, TRect(0, 0, 8, 4));
  NewCell(d.cells.HeaderCell(), TRect(0, 0, 2, 2));
  d.cells.AddOverlay()->SetBoundsRect(TRect(0, 0, 3, 3));
  d.cells.LookAndFeel()->SetCaptionHeight(13);

  d.cells.Scale(4800, 96);
  EXPECT_EQ(cell->BoundsRect(), TRect(50, 100, 550, 1100));
  EXPECT_EQ(group->BoundsRect(), TRect(-150, 150, 250, 350));
  EXPECT_EQ(group->CaptionTextWidth, 350);
  EXPECT_EQ(text->BoundsRect(), TRect(0, 0, 400, 200));
  EXPECT_EQ(d.cells.ShadowDepth(), 150);
  EXPECT_EQ(d.cells.LookAndFeel()->CaptionHeight(), 650);
  EXPECT_EQ(d.cells.LookAndFeel()->CaptionIndent(), 250);
  EXPECT_EQ(d.cells.HeaderCell()->Cells(0)->BoundsRect(), TRect(0, 0, 100, 100));
  EXPECT_EQ(d.cells.Overlays(0)->BoundsRect(), TRect(0, 0, 150, 150));

  // Halves round away from zero; a zero denominator changes nothing.
  group->Scale(1, 100);
  EXPECT_EQ(group->BoundsRect(), TRect(-2, 2, 3, 4));  // -1.5, 1.5, 2.5, 3.5
  group->Scale(5, 0);
  EXPECT_EQ(group->BoundsRect(), TRect(-2, 2, 3, 4));
}

// ---- Hit-testing ---------------------------------------------------------------------------

TEST(ReportHitTest, TopmostItemAndExclusiveEdges) {
  Doc d;
  d.root()->SetBoundsRect(TRect(0, 0, 1000, 1000));
  TdxReportCell* a = NewCell(d.root(), TRect(100, 100, 300, 300));
  auto* first = NewItem<TdxReportCellBox>(a, TRect(10, 10, 50, 50));
  auto* second = NewItem<TdxReportCellBox>(a, TRect(30, 30, 80, 80));
  TdxReportCell* b = NewCell(d.root(), TRect(200, 200, 400, 400));

  EXPECT_EQ(d.cells.HitTest({250, 250}), b);  // later cell over earlier
  EXPECT_EQ(d.cells.HitTest({299, 150}), a);
  EXPECT_EQ(d.cells.HitTest({300, 150}), d.root());
  EXPECT_EQ(d.cells.HitTest({140, 140}), first);  // first data item on top
  EXPECT_EQ(d.cells.HitTest({160, 160}), second);
  EXPECT_EQ(d.cells.HitTest({110, 110}), first);
  EXPECT_EQ(d.cells.HitTest({109, 110}), a);
  EXPECT_EQ(d.cells.HitTest({179, 179}), second);
  EXPECT_EQ(d.cells.HitTest({180, 179}), a);
  EXPECT_EQ(d.cells.HitTest({1000, 5}), nullptr);
  EXPECT_EQ(d.cells.HitTest({-1, 5}), nullptr);

  b->SetVisible(false);
  EXPECT_EQ(d.cells.HitTest({250, 250}), a);
  first->SetVisible(false);
  EXPECT_EQ(d.cells.HitTest({140, 140}), second);

  // A child sticking out of its parent is hit outside it unless the parent
  // clips its children.
  TdxReportCell* c = NewCell(a, TRect(150, 150, 260, 160));
  EXPECT_EQ(d.cells.HitTest({350, 255}), c);
  a->SetClipChildren(true);
  EXPECT_EQ(d.cells.HitTest({350, 255}), d.root());
  EXPECT_EQ(d.cells.HitTest({299, 255}), c);

  // Overlays lie over the report.
  TdxReportCell* overlay = d.cells.AddOverlay();
  overlay->SetBoundsRect(TRect(0, 0, 1000, 1000));
  auto* mark = NewItem<TdxReportCellBox>(overlay, TRect(100, 100, 120, 120));
  EXPECT_EQ(d.cells.HitTest({110, 110}), mark);
  EXPECT_EQ(d.cells.HitTest({130, 130}), overlay);
}

// ---- Pools ----------------------------------------------------------------------------------

TEST(ReportPools, IndexesOutsideThePoolsRaise) {
  Doc d;
  EXPECT_NE(d.cells.GetFontByIndex(0), nullptr);
  EXPECT_EQ(d.cells.GetFontByIndex(-1), nullptr);
  EXPECT_THROW(d.cells.GetFontByIndex(1), EdxPrintEngine);
  EXPECT_THROW(d.cells.GetFontByIndex(-2), EdxPrintEngine);
  EXPECT_THROW(d.cells.GetBackgroundBitmap(0), EdxPrintEngine);
  EXPECT_EQ(d.cells.GetBackgroundBitmap(-1), nullptr);
  EXPECT_THROW(d.cells.LookAndFeels(2), EdxPrintEngine);
  EXPECT_THROW(d.cells.LookAndFeels(-1), EdxPrintEngine);
  EXPECT_EQ(d.cells.GetImageList(-1), nullptr);
  EXPECT_THROW(d.cells.GetImageList(0), EdxPrintEngine);
  EXPECT_THROW(d.root()->Cells(0), EdxPrintEngine);
  EXPECT_THROW(d.root()->DataItems(-1), EdxPrintEngine);
  EXPECT_THROW(d.cells.Overlays(0), EdxPrintEngine);

  auto* text = NewItem<TdxReportCellString>(d.root(), TRect(0, 0, 500, 500));
  text->SetText("x");
  text->SetFontIndex(5);
  TCanvas dc(TDeviceCaps::Screen());
  try {
    text->MeasureContentHeight(dc);
    FAIL() << "no exception";
  } catch (const EdxPrintEngine& e) {
    EXPECT_EQ(e.Message, "Font index 5 is out of range");
  }
  text->SetFontIndex(0);
  text->SetBackgroundBitmapIndex(3);
  EXPECT_THROW(text->HasBackgroundBitmap(), EdxPrintEngine);
  QImage image = WhiteImage(10, 10);
  EXPECT_THROW(d.renderer.Paint(d.cells, image), EdxPrintEngine);

  // Without a renderer there are no pools: nothing to look up.
  TdxReportCells bare;
  EXPECT_EQ(bare.GetFontByIndex(7), nullptr);

  TCustomImageList list(16, 16);
  EXPECT_THROW(list.Image(0), EdxPrintEngine);
  TBitmap empty;
  EXPECT_THROW(list.Add(empty), EInvalidGraphic);
}

// ---- Streams --------------------------------------------------------------------------------

namespace {

// A document with one of everything, built in code.
void BuildSample(Doc& d, TCustomImageList& list) {
  d.cells.SetBorderColor(clRed);
  d.cells.SetShadowDepth(7);
  d.cells.SetTreeLineStyle(0);
  auto* web = d.cells.CreateLookAndFeel(TdxPSReportGroupWebLookAndFeel::StaticClass());
  web->SetCaptionHeight(17);
  TdxReportCell* cell = NewCell(d.root(), TRect(1, 2, 300, 200));
  cell->SetColor(clYellow);
  cell->SetTransparent(false);
  auto* group = new TdxReportGroup(cell);
  group->SetBoundsRect(TRect(10, 10, 200, 150));
  group->Caption = "Group &1";
  group->CaptionTextWidth = 33;
  group->LookAndFeel = web;
  auto* text = NewItem<TdxReportCellString>(group, TRect(5, 20, 100, 40));
  text->SetText("Ünïcode text");
  text->Indent = 3;
  text->SetFormat(0xA5A5A5A5);
  auto* check = NewItem<TdxReportCellCheck>(group, TRect(5, 40, 100, 60));
  check->SetChecked(true);
  check->SetBorderColor(clBlue);
  auto* graphic = NewItem<TdxReportCellGraphic>(cell, TRect(0, 0, 0, 0));
  TBitmap bitmap;
  bitmap.SetImage(MakeTestImage(8, 6));
  graphic->SetImage(&bitmap);
  graphic->SetPlacement(plFitCenter);
  auto* image = NewItem<TdxReportCellImage>(cell, TRect(0, 100, 50, 120));
  list.Add(bitmap);
  image->ImageList = &list;
  image->ImageIndex = 0;
  image->SetText("img");
  auto* expand = NewItem<TdxReportCellExpandButton>(cell, TRect(0, 0, 20, 20));
  expand->ButtonSize = 11;
  expand->ButtonInteriorColor = clLime;
  auto* radio = new TdxReportRadioGroup(cell);
  radio->SetColumnCount(2);
  radio->SetButtonsRegionMargins(TRect(1, 2, 3, 4));
  radio->Add("a");
  radio->Add("b");
  radio->Add("c");
  radio->SetItemIndex(2);
  auto* glyphCheck = NewItem<TdxReportCellCheckImage>(cell, TRect(0, 0, 20, 20));
  glyphCheck->Glyph().SetImage(MakeTestImage(24, 8));
  glyphCheck->SetGlyphCount(3);
  NewCell(d.cells.FooterCell(), TRect(0, 0, 5, 5));
  NewCell(d.cells.AddOverlay(), TRect(1, 1, 4, 4));
}

std::vector<TStreamValue> Write(TdxReportCells& cells) {
  TTestWriter w;
  cells.WriteData(w);
  return w.Values;
}

}  // namespace

TEST(ReportStream, DocumentRoundTrip) {
  Doc d;
  TCustomImageList list(8, 6);
  BuildSample(d, list);
  std::vector<TStreamValue> values = Write(d.cells);

  Doc e;
  new TdxReportCellBox(e.root());  // replaced by the read
  TTestReader reader(values);
  e.cells.ReadData(reader);
  EXPECT_EQ(reader.Position(), values.size());
  EXPECT_EQ(e.cells.BorderColor(), clRed);
  EXPECT_EQ(e.cells.ShadowDepth(), 7);
  EXPECT_EQ(e.cells.TreeLineStyle(), 0);
  ASSERT_EQ(e.cells.LookAndFeelCount(), 3);
  EXPECT_EQ(e.cells.LookAndFeels(2)->ClassType(), TdxPSReportGroupWebLookAndFeel::StaticClass());
  EXPECT_EQ(e.cells.LookAndFeels(2)->CaptionHeight(), 17);
  EXPECT_EQ(e.cells.LookAndFeel(), e.cells.LookAndFeels(0));
  ASSERT_EQ(e.root()->CellCount(), 1);
  EXPECT_EQ(e.root()->DataItemCount(), 0);

  TdxReportCell* cell = e.root()->Cells(0);
  EXPECT_EQ(cell->BoundsRect(), TRect(1, 2, 300, 200));
  EXPECT_EQ(cell->Color(), clYellow);
  EXPECT_FALSE(cell->Transparent());
  ASSERT_EQ(cell->CellCount(), 2);
  auto* group = dynamic_cast<TdxReportGroup*>(cell->Cells(0));
  ASSERT_NE(group, nullptr);
  EXPECT_EQ(group->Caption, "Group &1");
  EXPECT_EQ(group->CaptionTextWidth, 33);
  EXPECT_EQ(group->LookAndFeel, e.cells.LookAndFeels(2));
  ASSERT_EQ(group->DataItemCount(), 2);
  auto* text = dynamic_cast<TdxReportCellString*>(group->DataItems(0));
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->GetText(), "Ünïcode text");
  EXPECT_EQ(text->Indent, 3);
  EXPECT_EQ(text->Format(), 0xA5A5A5A5u);
  // clDefault is written as the document's colour.
  EXPECT_EQ(text->BorderColor(), clRed);
  auto* check = dynamic_cast<TdxReportCellCheck*>(group->DataItems(1));
  ASSERT_NE(check, nullptr);
  EXPECT_TRUE(check->Checked());
  EXPECT_EQ(check->BorderColor(), clBlue);

  ASSERT_EQ(cell->DataItemCount(), 4);
  auto* graphic = dynamic_cast<TdxReportCellGraphic*>(cell->DataItems(0));
  ASSERT_NE(graphic, nullptr);
  ASSERT_TRUE(graphic->HasImage());
  EXPECT_EQ(graphic->BoundsRect(), TRect(0, 0, 8, 6));  // took the picture's size
  EXPECT_EQ(graphic->Placement(), plFitCenter);
  EXPECT_EQ(PixelRGB(graphic->Image()->ToImage(), 0, 0), 0xFF0000u);
  auto* image = dynamic_cast<TdxReportCellImage*>(cell->DataItems(1));
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(e.cells.ImageListCount(), 1);
  EXPECT_EQ(image->ImageList, e.cells.GetImageList(0));
  EXPECT_EQ(image->ImageIndex, 0);
  EXPECT_EQ(image->ImageList->Count(), 1);
  auto* expand = dynamic_cast<TdxReportCellExpandButton*>(cell->DataItems(2));
  ASSERT_NE(expand, nullptr);
  EXPECT_EQ(expand->ButtonSize, 11);
  EXPECT_EQ(expand->ButtonInteriorColor, clLime);
  auto* glyphCheck = dynamic_cast<TdxReportCellCheckImage*>(cell->DataItems(3));
  ASSERT_NE(glyphCheck, nullptr);
  EXPECT_TRUE(glyphCheck->HasGlyph());
  EXPECT_EQ(glyphCheck->GlyphCount(), 3);

  auto* radio = dynamic_cast<TdxReportRadioGroup*>(cell->Cells(1));
  ASSERT_NE(radio, nullptr);
  EXPECT_EQ(radio->ButtonCount(), 3);
  EXPECT_EQ(radio->ItemIndex(), 2);
  EXPECT_EQ(radio->ColumnCount(), 2);
  EXPECT_EQ(radio->ButtonsRegionMargins(), TRect(1, 2, 3, 4));

  EXPECT_EQ(e.cells.FooterCellCount(), 1);
  EXPECT_FALSE(e.cells.HasHeaderCell());
  ASSERT_EQ(e.cells.OverlayCount(), 1);
  EXPECT_EQ(e.cells.Overlays(0)->Cells(0)->BoundsRect(), TRect(1, 1, 4, 4));

  // Writing the read document gives the same stream.
  std::vector<TStreamValue> again = Write(e.cells);
  EXPECT_EQ(again.size(), values.size());
}

namespace {
// The stream with the first string equal to from replaced by to.
std::vector<TStreamValue> Replace(std::vector<TStreamValue> values, const std::string& from, const std::string& to) {
  for (auto& v : values)
    if (auto* s = std::get_if<std::string>(&v); s && *s == from) {
      *s = to;
      break;
    }
  return values;
}
}  // namespace

TEST(ReportStream, UnknownItemClassRaisesAndLeavesAnEmptyDocument) {
  Doc d;
  TCustomImageList list(8, 6);
  BuildSample(d, list);
  std::vector<TStreamValue> values = Write(d.cells);

  // Class names that no class is registered under end the read, for items
  // and look-and-feels alike; so does a known class of the wrong kind.
  struct Case {
    const char* from;
    const char* to;
    const char* message;
  };
  const Case cases[] = {
      {"TdxReportCellString", "TNoSuchItem", "Assertion failure"},
      {"TdxPSReportGroupStandardLookAndFeel", "TNoSuchLookAndFeel", "Assertion failure"},
      {"TdxPSReportGroupNullLookAndFeel", "TdxReportCell", "Class TdxReportCell is not a group look and feel class"},
  };
  for (const Case& c : cases) {
    Doc e;
    TTestReader reader(Replace(values, c.from, c.to));
    try {
      e.cells.ReadData(reader);
      ADD_FAILURE() << c.to << ": no exception";
    } catch (const EdxPrintEngine& ex) {
      EXPECT_EQ(ex.Message, c.message) << c.to;
    }
    EXPECT_EQ(e.root()->CellCount(), 0) << c.to;
    EXPECT_EQ(e.root()->DataItemCount(), 0) << c.to;
  }

  Doc e;

  TTestReader notAnItem(Replace(values, "TdxReportCellString", "TdxPSCellUltraFlatBorder"));
  EXPECT_THROW(e.cells.ReadData(notAnItem), EdxPrintEngine);
  TTestReader abstractRoot(Replace(values, "TdxReportCell", "TdxReportItem"));
  EXPECT_THROW(e.cells.ReadData(abstractRoot), EdxPrintEngine);

  // Unknown border and pattern names fall back to the defaults.
  TTestReader border(Replace(values, "TdxPSCellUltraFlatBorder", "TNoBorder"));
  e.cells.ReadData(border);
  EXPECT_EQ(e.root()->BorderClass(), TdxPSCellUltraFlatBorder::StaticClass());
  EXPECT_EQ(e.root()->CellCount(), 1);
}

TEST(ReportStream, UnregisteredGraphicClassDropsOnlyThePicture) {
  Doc d;
  TCustomImageList list(8, 6);
  BuildSample(d, list);
  Doc e;
  TTestReader reader(Replace(Write(d.cells), "TBitmap", "TNoGraphic"));
  e.cells.ReadData(reader);
  auto* graphic = dynamic_cast<TdxReportCellGraphic*>(e.root()->Cells(0)->DataItems(0));
  ASSERT_NE(graphic, nullptr);
  EXPECT_FALSE(graphic->HasImage());
  EXPECT_EQ(e.root()->Cells(0)->DataItemCount(), 4);
}

TEST(ReportStream, EveryTruncationFailsCleanly) {
  Doc d;
  TCustomImageList list(8, 6);
  BuildSample(d, list);
  std::vector<TStreamValue> values = Write(d.cells);
  for (std::size_t n = 0; n < values.size(); ++n) {
    Doc e;
    TTestReader reader(std::vector<TStreamValue>(values.begin(), values.begin() + std::ptrdiff_t(n)));
    EXPECT_THROW(e.cells.ReadData(reader), Exception) << n;
    EXPECT_EQ(e.root()->CellCount(), 0);
  }
}

TEST(ReportStream, OutOfRangeIndexesInAStreamRaise) {
  Doc d;
  TCustomImageList list(8, 6);
  BuildSample(d, list);
  std::vector<TStreamValue> values = Write(d.cells);
  // The default look-and-feel index comes right after the look-and-feel list.
  std::size_t i = 0;
  int depth = 0;
  for (; i < values.size(); ++i) {  // skip the image list list
    if (std::holds_alternative<TListBegin>(values[i])) ++depth;
    if (std::holds_alternative<TListEnd>(values[i]) && --depth == 0) break;
  }
  for (++i; i < values.size(); ++i) {
    if (std::holds_alternative<TListBegin>(values[i])) ++depth;
    if (std::holds_alternative<TListEnd>(values[i]) && --depth == 0) break;
  }
  ASSERT_TRUE(std::holds_alternative<std::int32_t>(values[i + 1]));
  values[i + 1] = std::int32_t(9);
  Doc e;
  TTestReader reader(values);
  try {
    e.cells.ReadData(reader);
    FAIL() << "no exception";
  } catch (const EdxPrintEngine& ex) {
    EXPECT_EQ(ex.Message, "Look and feel index 9 is out of range");
  }
}

TEST(ReportStream, NestingBeyondAnyReportIsRefused) {
  Doc d;
  TdxReportCell* c = d.root();
  for (int i = 0; i < 300; ++i) c = new TdxReportCell(c);
  std::vector<TStreamValue> values = Write(d.cells);
  Doc e;
  TTestReader reader(values);
  try {
    e.cells.ReadData(reader);
    FAIL() << "no exception";
  } catch (const EdxPrintEngine& ex) {
    EXPECT_EQ(ex.Message, "Report cells are nested too deeply");
  }
  // The guard is released again: a normal document still reads.
  Doc f;
  TCustomImageList list(8, 6);
  BuildSample(f, list);
  TTestReader ok(Write(f.cells));
  e.cells.ReadData(ok);
  EXPECT_EQ(e.root()->CellCount(), 1);
}

TEST(ReportStream, HostileNumbersAreKeptInRange) {
  Doc d;
  TCustomImageList list(8, 6);
  BuildSample(d, list);
  d.cells.Cells()->SetBoundsRect(TRect(0, 0, 400, 300));
  std::vector<TStreamValue> values = Write(d.cells);
  // Every rectangle and every integer after the look-and-feels at its extreme.
  for (auto& v : values) {
    if (auto* r = std::get_if<TRect>(&v)) *r = TRect(INT_MIN, INT_MIN, INT_MAX, INT_MAX);
  }
  values[values.size() - 3] = std::int32_t(INT_MAX);  // ShadowDepth
  Doc e;
  TTestReader reader(values);
  e.cells.ReadData(reader);
  EXPECT_EQ(e.cells.ShadowDepth(), dxMaxReportLength);
  TRect r = e.root()->BoundsRect();
  EXPECT_EQ(r, TRect(-dxMaxReportLength, -dxMaxReportLength, dxMaxReportLength, dxMaxReportLength));
  // Geometry, measuring, hit-testing and painting stay defined.
  TCanvas dc(TDeviceCaps::Screen());
  e.cells.EnumerateItems([&](TdxReportItem& item) {
    auto& v = static_cast<TdxReportVisualItem&>(item);
    v.GetInnerBounds(dc);
    v.AbsoluteRect();
    v.MeasureHeight(dc);
    v.MeasureWidth(dc);
  });
  e.cells.HitTest({0, 0});
  for (int i = 0; i < e.root()->Cells(0)->DataItemCount(); ++i) e.root()->Cells(0)->DataItems(i)->Visible();
  QImage image = WhiteImage(20, 20);
  e.renderer.Paint(e.cells, image);
}
