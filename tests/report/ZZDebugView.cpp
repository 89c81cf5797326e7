#include <gtest/gtest.h>
#include <cstdlib>
#include "report/dxPSCore.h"
#include "report/dxPSDataItems.h"
#include "tests/TestSupport.h"
#include "tests/report/TestRenderer.h"
TEST(ZZDebug, View) {
  if (!std::getenv("ARDEL_VIEW")) GTEST_SKIP();
  TTestRenderer r; r.AddFont("Liberation Sans", 8);
  TdxReportCells doc; doc.SetRenderer(&r);
  TCanvas dc(TDeviceCaps::Screen());
  auto* root = doc.Cells(); root->SetBoundsRect(TRect(0,0,300,200)); root->SetCellSides(0);
  auto* g = new TdxReportGroup(root); g->SetBoundsRect(TRect(10,10,150,150)); g->Caption = "Gr&oup"; g->SetTransparent(false); g->SetColor(clWhite);
  doc.LookAndFeel()->Prepare(dc); g->Prepare(dc);
  auto* s = new TdxReportCellString(g); s->SetBoundsRect(TRect(5,20,130,40)); s->SetText("Hello world"); s->SetSortOrder(csoUp);
  auto* c = new TdxReportCellCheck(g); c->SetBoundsRect(TRect(5,45,130,65)); c->SetCheckPos(ccpLeft); c->SetText("Check me"); c->SetChecked(true);
  auto* rd = new TdxReportCellRadio(g); rd->SetBoundsRect(TRect(5,70,130,90)); rd->SetCheckPos(ccpLeft); rd->SetText("Radio"); rd->SetChecked(true);
  auto* c3 = new TdxReportCellCheck(g); c3->SetBoundsRect(TRect(5,95,40,115)); c3->SetCheckEdgeStyle(cesGlyph3D); c3->SetChecked(true);
  auto* c4 = new TdxReportCellCheck(g); c4->SetBoundsRect(TRect(45,95,80,115)); c4->SetCheckEdgeStyle(cesControl); c4->SetChecked(true);
  auto* web = doc.CreateLookAndFeel(TdxPSReportGroupWebLookAndFeel::StaticClass()); web->Prepare(dc);
  auto* g2 = new TdxReportGroup(root); g2->SetBoundsRect(TRect(160,10,290,100)); g2->Caption = "Web"; g2->LookAndFeel = web; g2->Prepare(dc);
  auto* e = new TdxReportCellExpandButton(g2); e->SetBoundsRect(TRect(5,30,25,50)); e->SetShowButton(true); e->SetTreeLineMode(tlmCross);
  auto* e2 = new TdxReportCellExpandButton(g2); e2->SetBoundsRect(TRect(5,50,25,70)); e2->SetShowButton(true); e2->SetButton3D(true); e2->SetExpanded(true); e2->SetTreeLineMode(tlmBottomRightCorner);
  TBitmap pic; pic.SetImage(MakeTestImage(60,40));
  auto* gr = new TdxReportCellGraphic(root); gr->SetBoundsRect(TRect(160,110,290,190)); gr->SetImage(&pic); gr->SetPlacement(plFitCenter); gr->SetImageTransparent(false); gr->SetShadowed(true);
  doc.Scale(4800, 96);
  QImage img = WhiteImage(600, 400);
  r.Paint(doc, img, 25, 4);
  img.save("/tmp/ardel-cells-view.png");
}
