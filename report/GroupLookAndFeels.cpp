// The look-and-feels of report groups and their painters.
#include "report/GroupLookAndFeels.h"

#include <algorithm>
#include <climits>
#include <cstdint>

#include "platform/Canvas.h"
#include "platform/Graphics.h"
#include "report/DataItems.h"
#include "report/EngineExceptions.h"
#include "report/ImageList.h"
#include "report/RendererInterface.h"
#include "report/ReportStreamValues.h"
#include "report/ReportCells.h"
#include "report/ReportItemHelpers.h"

using namespace ReportItemHelpers;

// ---- Look-and-feels ------------------------------------------------------------

TdxPSCellBorderClass TdxPSReportGroupLookAndFeel::DefaultBorderClass() {
  TdxPSCellBorderClass etched = dxAsBorderClass(dxFindClass("TdxPSCellEtchedBorder"));
  return etched ? etched : dxDefaultBorderClass();
}

TdxPSReportGroupLookAndFeelClass TdxPSReportGroupLookAndFeel::LookAndFeelClass() const {
  return static_cast<TdxPSReportGroupLookAndFeelClass>(ClassType());
}

void TdxPSReportGroupLookAndFeel::Assign(const TdxPSReportGroupLookAndFeel& source) {
  if (&source == this) return;
  captionHeight_ = source.captionHeight_;
  captionFontIndex_ = source.captionFontIndex_;
  captionIndent_ = source.captionIndent_;
  color_ = source.color_;
  fontIndex_ = source.fontIndex_;
  Data = source.Data;
}

void TdxPSReportGroupLookAndFeel::Scale(int numerator, int denominator) {
  if (denominator == 0) return;
  captionHeight_ = MulDiv(captionHeight_, numerator, denominator);
  captionIndent_ = MulDiv(captionIndent_, numerator, denominator);
}

void TdxPSReportGroupLookAndFeel::ReadData(TdxReportReader& reader) {
  captionHeight_ = dxReadLength(reader);
  SetCaptionFontIndex(reader.ReadInteger());
  captionIndent_ = dxReadLength(reader);
  SetColor(reader.ReadInteger());
  Data = reader.ReadInteger();
  SetFontIndex(reader.ReadInteger());
}

void TdxPSReportGroupLookAndFeel::WriteData(TdxReportWriter& writer) const {
  writer.WriteInteger(captionHeight_);
  writer.WriteInteger(captionFontIndex_);
  writer.WriteInteger(captionIndent_);
  writer.WriteInteger(GetColor());
  writer.WriteInteger(Data);
  writer.WriteInteger(fontIndex_);
}

int TdxPSReportGroupLookAndFeel::GetBorderThickness(const TdxReportGroup&, int) const {
  return LookAndFeelClass()->DefaultBorderClass()->Thickness();
}

TColor TdxPSReportGroupLookAndFeel::GetColor() const {
  if (color_ != clDefault) return color_;
  return reportCells_ ? reportCells_->GroupColor() : clBtnFace;
}

void TdxPSReportGroupLookAndFeel::SetColor(TColor color) { color_ = StoredColor(color); }

TRect TdxPSReportGroupLookAndFeel::GetCaptionBounds(const TdxReportGroup& group) const {
  return TRect(0, 0, group.Width(), CaptionHeight());
}

TRect TdxPSReportGroupLookAndFeel::GetCaptionTextBounds(const TdxReportGroup& group) const {
  if (!group.ShowCaption() || group.CaptionTextWidth <= 0) return {};
  int indent = CaptionIndent();
  int left = indent, right = group.Width() - indent;
  if (right <= left) return {};
  int width = group.CaptionTextWidth;
  switch (group.CaptionAlignment()) {
    case caCenter: left += (right - left - width) / 2; break;
    case caRight: left = right - width; break;
    default: break;
  }
  return TRect(left, 0, left + width, CaptionHeight());
}

TRect TdxPSReportGroupLookAndFeel::GetCaptionLeftRestBounds(const TdxReportGroup& group) const {
  if (group.Transparent() || !group.ShowCaption()) return {};
  TRect caption = GetCaptionBounds(group);
  TRect text = GetCaptionTextBounds(group);
  if (text.IsEmpty()) return caption;
  TRect r(caption.Left, caption.Top, std::min(text.Left, caption.Right), caption.Bottom);
  return r.IsEmpty() ? TRect() : r;
}

TRect TdxPSReportGroupLookAndFeel::GetCaptionRightRestBounds(const TdxReportGroup& group) const {
  if (group.Transparent() || !group.ShowCaption()) return {};
  TRect caption = GetCaptionBounds(group);
  TRect text = GetCaptionTextBounds(group);
  if (text.IsEmpty()) return {};
  TRect r(std::max(text.Right, caption.Left), caption.Top, caption.Right, caption.Bottom);
  return r.IsEmpty() ? TRect() : r;
}

void TdxPSReportGroupLookAndFeel::Prepare(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  if (renderer) captionHeight_ = renderer->MeasureFontHeight(dc, CaptionFont());
}

void TdxPSReportGroupLookAndFeel::Paint(TCanvas& dc, TdxReportGroup& group) {
  TCustomdxReportRenderer* renderer = Renderer();
  TdxClass painterClass = LookAndFeelClass()->PainterClass();
  if (!renderer || !painterClass) return;
  TdxPSReportGroupLookAndFeelPainter* painter = renderer->GetLookAndFeelPainter(painterClass);
  painter->Initialize(this, &group);
  painter->Paint(dc);
}

const TFont* TdxPSReportGroupLookAndFeel::CaptionFont() const {
  int index = captionFontIndex_ != -1 ? captionFontIndex_ : fontIndex_;
  return reportCells_ ? reportCells_->GetFontByIndex(index) : nullptr;
}

TCustomdxReportRenderer* TdxPSReportGroupLookAndFeel::Renderer() const {
  return reportCells_ ? reportCells_->Renderer() : nullptr;
}

int TdxPSReportGroupLookAndFeel::LineThickness() const {
  TCustomdxReportRenderer* renderer = Renderer();
  return renderer ? std::max(1, renderer->LineThickness()) : 1;
}

TdxClass TdxPSReportGroupNullLookAndFeel::PainterClass() {
  return TdxPSReportGroupNullLookAndFeelPainter::StaticClass();
}

TdxClass TdxPSReportGroupStandardLookAndFeel::PainterClass() {
  return TdxPSReportGroupStandardLookAndFeelPainter::StaticClass();
}

TdxClass TdxPSReportGroupWebLookAndFeel::PainterClass() {
  return TdxPSReportGroupWebLookAndFeelPainter::StaticClass();
}

void TdxPSReportGroupWebLookAndFeel::Assign(const TdxPSReportGroupLookAndFeel& source) {
  TdxPSReportGroupLookAndFeel::Assign(source);
  auto* s = dynamic_cast<const TdxPSReportGroupWebLookAndFeel*>(&source);
  if (!s || s == this) return;
  borderColor_ = s->borderColor_;
  borderThickness_ = s->borderThickness_;
  captionColor_ = s->captionColor_;
  captionSeparatorColor_ = s->captionSeparatorColor_;
  captionSeparatorThickness_ = s->captionSeparatorThickness_;
}

void TdxPSReportGroupWebLookAndFeel::Scale(int numerator, int denominator) {
  if (denominator == 0) return;
  TdxPSReportGroupLookAndFeel::Scale(numerator, denominator);
  captionSeparatorThickness_ = MulDiv(captionSeparatorThickness_, numerator, denominator);
}

void TdxPSReportGroupWebLookAndFeel::ReadData(TdxReportReader& reader) {
  TdxPSReportGroupLookAndFeel::ReadData(reader);
  SetBorderColor(reader.ReadInteger());
  SetBorderThickness(dxReadLineCount(reader));
  SetCaptionColor(reader.ReadInteger());
  SetCaptionSeparatorColor(reader.ReadInteger());
  SetCaptionSeparatorThickness(dxReadLength(reader));
}

void TdxPSReportGroupWebLookAndFeel::WriteData(TdxReportWriter& writer) const {
  TdxPSReportGroupLookAndFeel::WriteData(writer);
  writer.WriteInteger(GetBorderColor());
  writer.WriteInteger(borderThickness_);
  writer.WriteInteger(GetCaptionColor());
  writer.WriteInteger(GetCaptionSeparatorColor());
  writer.WriteInteger(captionSeparatorThickness_);
}

int TdxPSReportGroupWebLookAndFeel::GetBorderThickness(const TdxReportGroup&, int) const {
  return borderThickness_;
}

TColor TdxPSReportGroupWebLookAndFeel::GetCaptionColor() const {
  if (captionColor_ != clDefault) return captionColor_;
  return ReportCells() ? ReportCells()->GroupCaptionColor() : clBtnFace;
}

TColor TdxPSReportGroupWebLookAndFeel::GetBorderColor() const {
  if (borderColor_ != clDefault) return borderColor_;
  return ReportCells() ? ReportCells()->GroupBorderColor() : clBtnFace;
}

TColor TdxPSReportGroupWebLookAndFeel::GetCaptionSeparatorColor() const {
  if (captionSeparatorColor_ != clDefault) return captionSeparatorColor_;
  return ReportCells() ? ReportCells()->GroupCaptionSeparatorColor() : clBtnFace;
}

TRect TdxPSReportGroupWebLookAndFeel::GetCaptionBounds(const TdxReportGroup& group) const {
  if (!group.ShowCaption()) return {};
  int inset = borderThickness_ * LineThickness();
  TRect r(inset, inset, group.Width() - inset, group.Height() - inset);
  r.Bottom = r.Top + CaptionHeight();
  return r;
}

TRect TdxPSReportGroupWebLookAndFeel::GetCaptionSeparatorBounds(const TdxReportGroup& group) const {
  if (!group.ShowCaption()) return {};
  TRect caption = GetCaptionBounds(group);
  return TRect(caption.Left, caption.Bottom, caption.Right, caption.Bottom + captionSeparatorThickness_);
}

void TdxPSReportGroupWebLookAndFeel::SetBorderColor(TColor color) { borderColor_ = StoredColor(color); }
void TdxPSReportGroupWebLookAndFeel::SetCaptionColor(TColor color) { captionColor_ = StoredColor(color); }
void TdxPSReportGroupWebLookAndFeel::SetCaptionSeparatorColor(TColor color) {
  captionSeparatorColor_ = StoredColor(color);
}

// ---- Look-and-feel painters ----------------------------------------------------

void TdxPSReportGroupLookAndFeelPainter::Initialize(TdxPSReportGroupLookAndFeel* lookAndFeel,
                                                    TdxReportGroup* group) {
  lookAndFeel_ = lookAndFeel;
  group_ = group;
}

void TdxPSReportGroupLookAndFeelPainter::DrawBorders(TCanvas& dc) {
  if (!group_ || !renderer_) return;
  TdxPSCellBorderPainter* painter = renderer_->GetBorderPainter(group_->GetBorderPainterClass());
  group_->InitBorderPainter(*painter);
  painter->Paint(dc);
}

void TdxPSReportGroupLookAndFeelPainter::DrawCaptionText(TCanvas& dc) {
  if (!group_ || !lookAndFeel_ || !renderer_) return;
  TRect r = lookAndFeel_->GetCaptionTextBounds(*group_);
  if (r.IsEmpty() || !dc.RectVisible(r)) return;
  static const TdxTextAlignX kAlign[3] = {taLeft, taCenterX, taRight};
  renderer_->DrawCaption(dc, r, kAlign[group_->CaptionAlignment()], taCenterY, !group_->CaptionTransparent(),
                         lookAndFeel_->GetCaptionColor(), lookAndFeel_->CaptionFont(), group_->Caption,
                         dxTextFlags::SingleLine | dxTextFlags::HidePrefix);
}

void TdxPSReportGroupStandardLookAndFeelPainter::DrawCaptionRest(TCanvas& dc) {
  if (!Group() || !LookAndFeel() || !Renderer()) return;
  TColor color = LookAndFeel()->GetColor();
  for (TRect r : {LookAndFeel()->GetCaptionLeftRestBounds(*Group()), LookAndFeel()->GetCaptionRightRestBounds(*Group())})
    if (!r.IsEmpty() && dc.RectVisible(r)) Renderer()->FillRect(dc, r, color);
}

void TdxPSReportGroupStandardLookAndFeelPainter::Paint(TCanvas& dc) {
  if (!Group() || !LookAndFeel()) return;
  DrawCaptionRest(dc);
  DrawCaptionText(dc);
  if (!Group()->HasBorder()) return;
  TdxClipRegionSaver saver(dc);
  TRect text = LookAndFeel()->GetCaptionTextBounds(*Group());
  if (!text.IsEmpty()) dc.ExcludeClipRect(text);
  DrawBorders(dc);
}

void TdxPSReportGroupWebLookAndFeelPainter::DrawBorders(TCanvas& dc) {
  auto* lf = dynamic_cast<TdxPSReportGroupWebLookAndFeel*>(LookAndFeel());
  if (!Group() || !lf || !Renderer()) return;
  TRect r(0, 0, Group()->Width(), Group()->Height());
  Renderer()->FrameRect(dc, r, lf->BorderThickness(), Group()->CellSides(), lf->GetBorderColor());
}

void TdxPSReportGroupWebLookAndFeelPainter::DrawCaptionSeparator(TCanvas& dc) {
  auto* lf = dynamic_cast<TdxPSReportGroupWebLookAndFeel*>(LookAndFeel());
  if (!Group() || !lf || !Renderer()) return;
  TRect r = lf->GetCaptionSeparatorBounds(*Group());
  if (!r.IsEmpty()) Renderer()->FillRect(dc, r, lf->GetCaptionSeparatorColor());
}

void TdxPSReportGroupWebLookAndFeelPainter::Paint(TCanvas& dc) {
  DrawBorders(dc);
  DrawCaptionText(dc);
  DrawCaptionSeparator(dc);
}
