#include "report/DataItems.h"

#include <QImage>
#include <algorithm>
#include <climits>
#include <cstdint>

#include "platform/Canvas.h"
#include "report/CheckItems.h"
#include "platform/ScopeExit.h"
#include "report/EngineExceptions.h"
#include "report/ImageList.h"
#include "report/RendererInterface.h"
#include "report/ReportStreamValues.h"

// ---- TAbstractdxReportCellData -------------------------------------------------

TAbstractdxReportCellData::TAbstractdxReportCellData(TdxReportCell* parent) {
  format_ = dxDefaultDataItemFormat;
  if (parent) SetParent(parent);
}

bool TAbstractdxReportCellData::IsCustomDrawn() const {
  TCustomdxReportRenderer* renderer = Renderer();
  return renderer && renderer->IsCustomDrawn(*this);
}

bool TAbstractdxReportCellData::CustomDraw(TCanvas&) {
  TCustomdxReportRenderer* renderer = Renderer();
  return renderer && IsCustomDrawn() && renderer->CustomDrawItem(*this);
}

TRect TAbstractdxReportCellData::GetAbsoluteOutputRect(TCanvas& dc, int stage) const {
  TRect r = GetOutputRect(dc, stage);
  if (Parent()) {
    TPoint o = Parent()->AbsoluteOrigin();
    r.Offset(o.X, o.Y);
  }
  return r;
}

bool TAbstractdxReportCellData::IsDrawingNeeded(TCanvas& dc, int stage, const TRect& clip) const {
  return !IntersectRect(GetAbsoluteOutputRect(dc, stage), clip).IsEmpty();
}

void TAbstractdxReportCellData::DrawItemBackground(TCanvas& dc) {
  if (HasBackgroundBitmap())
    DrawBackgroundBitmap(dc);
  else if (!Transparent())
    DrawBackground(dc);
}

void TAbstractdxReportCellData::FillBackground(TCanvas& dc, const TRect& rect) {
  TCustomdxReportRenderer* renderer = Renderer();
  if (renderer && !rect.IsEmpty()) renderer->FillRectEx(dc, rect, GetContentPattern(), GetContentBkColor(), Color());
}

void TAbstractdxReportCellData::Draw(TCanvas& dc, int) {
  DrawItemBackground(dc);
  if (HasBorder()) DrawBorders(dc);
}

unsigned TAbstractdxReportCellData::GetTextFormat() const {
  unsigned flags = dxTextFlags::ItemTextBase;
  flags |= std::min(4u, FormatBits(dxFormatTextAlignX, dxFormatTextAlignXOffset));
  flags |= FormatBits(dxFormatTextAlignY, dxFormatTextAlignYOffset) << dxTextFlags::AlignYOffset;
  if (format_ & dxFormatEndEllipsis) flags |= dxTextFlags::EndEllipsis;
  if (format_ & dxFormatHidePrefix) flags |= dxTextFlags::HidePrefix;
  if (format_ & dxFormatKeepTextLeft) flags |= dxTextFlags::KeepLeft;
  if (format_ & dxFormatKeepTextTop) flags |= dxTextFlags::KeepTop;
  flags |= (format_ & dxFormatMultiline) ? dxTextFlags::WordBreak : dxTextFlags::SingleLine;
  return flags;
}

// ---- TdxReportCellText ---------------------------------------------------------

TdxReportCellText::TdxReportCellText(TdxReportCell* parent) : TAbstractdxReportCellData(parent) {
  format_ |= dxFormatKeepTextLeft | dxFormatKeepTextTop;
}

void TdxReportCellText::Assign(const TdxReportItem& source) {
  TAbstractdxReportCellData::Assign(source);
  auto* s = dynamic_cast<const TdxReportCellText*>(&source);
  if (!s || s == this) return;
  Indent = s->Indent;
  SetText(s->GetText());
}

void TdxReportCellText::ReadData(TdxReportReader& reader) {
  TAbstractdxReportCellData::ReadData(reader);
  Indent = dxReadLength(reader);
  SetText(reader.ReadString());
}

void TdxReportCellText::WriteData(TdxReportWriter& writer) const {
  TAbstractdxReportCellData::WriteData(writer);
  writer.WriteInteger(Indent);
  writer.WriteString(GetText());
}

TRect TdxReportCellText::GetSortMarkBounds(TCanvas& dc) const {
  TRect r = GetInnerBounds(dc);
  r.Left = r.Right - ScreenToUnits(16);
  return r;
}

TRect TdxReportCellText::GetTextBounds(TCanvas& dc) const {
  TRect r = GetInnerBounds(dc);
  if (SortOrder() != csoNone) r.Right = GetSortMarkBounds(dc).Left;
  return r;
}

void TdxReportCellText::Draw(TCanvas& dc, int) {
  DrawItemBackground(dc);
  if (HasText()) DrawText(dc);
  if (HasSortMark()) DrawSortMark(dc);
  if (HasBorder()) DrawBorders(dc);
}

void TdxReportCellText::DrawSortMark(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  TRect r = GetSortMarkBounds(dc);
  if (renderer && !r.IsEmpty()) renderer->DrawSortMark(dc, r, SortOrder());
}

TRect TdxReportCellText::GetTextLayoutBounds(TCanvas& dc) const {
  TRect text = GetTextBounds(dc);
  TCustomdxReportRenderer* renderer = Renderer();
  // Only a page the renderer draws is in report units.
  if (text.IsEmpty() || !renderer || renderer->Canvas() != &dc) return text;
  // The inner bounds as GetInnerBounds makes them, with the reference line
  // thickness and unsnapped; the text bounds follow them side by side.
  const TRect device = GetInnerBounds(dc);
  const std::int64_t t = std::max(1, ScreenToUnits(1));
  const TdxItemSides sides = CellSides();
  const TRect border = GetBorderRect();
  std::int64_t l = border.Left, tp = border.Top, r = border.Right, b = border.Bottom;
  auto inset = [&](int side) {
    return t * (std::int64_t(GetBorderThickness(side)) - GetBorderOuterExtent(side, false));
  };
  if (sides & isdLeft) l += inset(csLeft);
  if (sides & isdTop) tp += inset(csTop);
  if (sides & isdRight) r -= inset(csRight);
  if (sides & isdBottom) b -= inset(csBottom);
  if (Shadowed()) {
    r -= GetShadowDepth();
    b -= GetShadowDepth();
  }
  auto clamp = [](std::int64_t v) { return int(std::clamp<std::int64_t>(v, INT_MIN / 2, INT_MAX / 2)); };
  return TRect(clamp(std::int64_t(text.Left) + l - device.Left), clamp(std::int64_t(text.Top) + tp - device.Top),
               clamp(std::int64_t(text.Right) + r - device.Right),
               clamp(std::int64_t(text.Bottom) + b - device.Bottom));
}

void TdxReportCellText::DrawText(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  if (!renderer) return;
  TRect r = GetTextLayoutBounds(dc);
  if (r.IsEmpty()) return;
  renderer->TextOut(dc, GetText(), r, GetTextFormat(), Font(), 0, Indent, 0);
}

int TdxReportCellText::MeasureTextHeight(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  std::string text = GetText();
  if (!renderer || text.empty()) return 0;
  return renderer->MeasureTextHeight(dc, text, Width() - Indent, Font(), Multiline());
}

int TdxReportCellText::MeasureTextWidth(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  std::string text = GetText();
  if (!renderer || text.empty()) return 0;
  return renderer->MeasureTextWidth(dc, text, Font());
}

int TdxReportCellText::MeasureContentHeight(TCanvas& dc) {
  int h = MeasureTextHeight(dc);
  return SortOrder() != csoNone ? std::max(h, 16) : h;
}

int TdxReportCellText::MeasureContentWidth(TCanvas& dc) {
  int w = Multiline() ? Width() : MeasureTextWidth(dc);
  return SortOrder() != csoNone ? w + 16 : w;
}

int TdxReportCellText::MeasureLineCount(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  std::string text = GetText();
  if (!renderer || text.empty()) return 0;
  return renderer->MeasureLineCount(dc, text, Width() - Indent, Font());
}

int TdxReportCellText::MeasureLineHeight(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  if (!renderer) return 0;
  int h = renderer->MeasureFontHeight(dc, Font());
  if (h <= 0) return 0;
  if (SortOrder() != csoNone) h = std::max(h, 16);
  return h + GetBorderHeight();
}

// ---- TdxReportCellImageContainer -----------------------------------------------

TdxReportCellImageContainer::TdxReportCellImageContainer(TdxReportCell* parent) : TdxReportCellString(parent) {
  format_ |= dxFormatImageTransparent;
}

TRect TdxReportCellImageContainer::GetImageAreaBounds(TCanvas& dc) const {
  TRect r = GetInnerBounds(dc);
  if (HasSortMark()) r.Right = GetSortMarkBounds(dc).Left;
  return r;
}

void TdxReportCellImageContainer::GetImageSize(int& width, int& height) const { width = height = 0; }

void TdxReportCellImageContainer::DrawImageAreaBackground(TCanvas& dc) { FillBackground(dc, GetImageAreaBounds(dc)); }

void TdxReportCellImageContainer::DrawTextBackground(TCanvas& dc) {
  TRect r = GetTextBounds(dc);
  if (r.IsEmpty()) return;
  if (HasSortMark()) r.Right = GetSortMarkBounds(dc).Right;
  FillBackground(dc, r);
}

void TdxReportCellImageContainer::Draw(TCanvas& dc, int) {
  if (HasBackgroundBitmap()) DrawBackgroundBitmap(dc);
  if (NeedsTextBackground()) DrawTextBackground(dc);
  if (HasText()) DrawText(dc);
  if (NeedsImageAreaBackground()) DrawImageAreaBackground(dc);
  if (IsImageDrawn()) DrawImage(dc);
  if (HasSortMark()) DrawSortMark(dc);
  if (HasBorder()) DrawBorders(dc);
}

// ---- Check boxes ---------------------------------------------------------------

TdxCustomReportCellCheck::TdxCustomReportCellCheck(TdxReportCell* parent) : TdxReportCellImageContainer(parent) {
  format_ |= dxFormatCheckEnabled;
  SetCheckEdgeStyle(cesSingle);
  SetFormatBits(dxFormatCheckPos, dxFormatCheckPosOffset, ccpCenter);
}

void TdxCustomReportCellCheck::SetCheckPos(TdxCheckPos v) {
  SetFormatBits(dxFormatCheckPos, dxFormatCheckPosOffset, unsigned(v));
  if (v == ccpCenter) SetText("");
}

void TdxCustomReportCellCheck::GetImageSize(int& width, int& height) const {
  TSize s = GlyphPixelSize();
  width = s.cx > 0 ? ScreenToUnits(s.cx) : 0;
  height = s.cy > 0 ? ScreenToUnits(s.cy) : 0;
}

TRect TdxCustomReportCellCheck::GetImageAreaBounds(TCanvas& dc) const {
  int gw, gh;
  GetImageSize(gw, gh);
  if (gw <= 0 || gh <= 0) return {};
  TRect r = TdxReportCellImageContainer::GetImageAreaBounds(dc);
  // The gap beside the glyph is two pixels of the screen the report was built
  // on, like the glyph itself: a caption beside the box is then laid out
  // alike on every device.
  const int p = std::max(1, ScreenToUnits(1));
  switch (CheckPos()) {
    case ccpLeft: r.Right = r.Left + 2 * p + gw; break;
    case ccpRight: r.Left = r.Right - 2 * p - gw; break;
    default: break;
  }
  return r;
}

TRect TdxCustomReportCellCheck::GetCheckBounds(TCanvas& dc) const {
  int gw, gh;
  GetImageSize(gw, gh);
  TRect area = GetImageAreaBounds(dc);
  if (area.IsEmpty()) return {};
  int left = area.Left + (area.Width() - gw) / 2, top = area.Top + (area.Height() - gh) / 2;
  return Snap(dc, TRect(left, top, left + gw, top + gh));
}

TRect TdxCustomReportCellCheck::GetTextBounds(TCanvas& dc) const {
  if (CheckPos() == ccpCenter) return {};
  TRect r = TdxReportCellImageContainer::GetTextBounds(dc);
  TRect area = GetImageAreaBounds(dc);
  if (area.IsEmpty()) return r;
  if (CheckPos() == ccpLeft)
    r.Left = area.Right;
  else
    r.Right = area.Left;
  return r;
}

void TdxCustomReportCellCheck::DrawCheck(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  TRect r = GetCheckBounds(dc);
  if (!renderer || r.IsEmpty() || !dc.RectVisible(r)) return;
  renderer->DrawCheckGlyph(dc, r, GetBorderColor(), CheckEdgeStyle(), IsRadio(), Enabled(), Checked());
}

int TdxCustomReportCellCheck::MeasureContentHeight(TCanvas& dc) {
  return std::max(GlyphPixelSize().cy + 2, CheckPos() == ccpCenter ? 0 : MeasureTextHeight(dc));
}

int TdxCustomReportCellCheck::MeasureContentWidth(TCanvas& dc) {
  int gw = GlyphPixelSize().cx;
  if (CheckPos() == ccpCenter) return gw + 2;
  return gw + MeasureTextWidth(dc) + 2;
}

// ---- Group buttons -------------------------------------------------------------

TdxReportRadioGroup* TdxReportCellGroupButton::Group() const { return dynamic_cast<TdxReportRadioGroup*>(Parent()); }

int TdxReportCellGroupButton::ButtonIndex() const {
  TdxReportRadioGroup* group = Group();
  return group ? group->IndexOfButton(this) : -1;
}

void TdxReportCellGroupButton::SetChecked(bool value) {
  TdxReportRadioGroup* group = Group();
  if (!group || group->indexLock_ > 0) {
    TdxCustomReportCellRadio::SetChecked(value);
    return;
  }
  if (value)
    group->SetItemIndex(ButtonIndex());
  else if (Checked())
    group->SetItemIndex(-1);
}

// ---- Check images --------------------------------------------------------------

TdxReportCellCheckImage::TdxReportCellCheckImage(TdxReportCell* parent) : TdxReportCellCheck(parent) {
  SetGlyphCount(1);
}

TdxReportCellCheckImage::~TdxReportCellCheckImage() = default;

TBitmap& TdxReportCellCheckImage::Glyph() {
  if (!glyph_) glyph_ = std::make_unique<TBitmap>();
  return *glyph_;
}

int TdxReportCellCheckImage::GlyphCount() const {
  return std::clamp(int(FormatBits(dxFormatGlyphCount, dxFormatGlyphCountOffset)), 1, 6);
}

void TdxReportCellCheckImage::SetGlyphCount(int count) {
  SetFormatBits(dxFormatGlyphCount, dxFormatGlyphCountOffset, unsigned(std::clamp(count, 1, 6)));
}

TSize TdxReportCellCheckImage::GlyphPixelSize() const {
  if (!HasGlyph()) return TdxReportCellCheck::GlyphPixelSize();
  return {glyph_->Width() / GlyphCount(), glyph_->Height()};
}

int TdxReportCellCheckImage::GetGlyphIndex() const {
  int index = !Enabled() ? 2 : (Checked() ? 1 : 0);
  return std::min(index, GlyphCount() - 1);
}

void TdxReportCellCheckImage::DrawCheck(TCanvas& dc) {
  if (HasGlyph())
    DrawGlyph(dc);
  else
    TdxReportCellCheck::DrawCheck(dc);
}

void TdxReportCellCheckImage::DrawGlyph(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  TRect bounds = GetCheckBounds(dc);
  if (!renderer || !HasGlyph() || bounds.IsEmpty() || !dc.RectVisible(bounds)) return;
  // The glyph cell copied onto a white square, drawn transparently.
  const QImage& source = glyph_->Image();
  int cellWidth = source.width() / GlyphCount(), side = source.height();
  if (cellWidth <= 0 || side <= 0) return;
  QImage scratch(side, side, QImage::Format_RGB32);
  scratch.fill(Qt::white);
  {
    TCanvas canvas(&scratch);
    int x = GetGlyphIndex() * cellWidth;
    canvas.CopyRect(TRect(0, 0, cellWidth, side), source, TRect(x, 0, x + cellWidth, side));
  }
  TBitmap cell;
  cell.SetImage(scratch);
  cell.SetTransparent(true);
  TdxClipRegionSaver saver(dc);
  dc.IntersectClipRect(GetImageAreaBounds(dc));
  renderer->DrawGraphic(dc, bounds, cell);
}

void TdxReportCellCheckImage::Assign(const TdxReportItem& source) {
  TdxReportCellCheck::Assign(source);
  auto* s = dynamic_cast<const TdxReportCellCheckImage*>(&source);
  if (!s || s == this) return;
  if (s->glyph_)
    glyph_ = std::make_unique<TBitmap>(*s->glyph_);
  else
    glyph_.reset();
}

void TdxReportCellCheckImage::ReadData(TdxReportReader& reader) {
  TdxReportCellCheck::ReadData(reader);
  if (reader.ReadBoolean()) {
    auto glyph = std::make_unique<TBitmap>();
    reader.ReadPicture(*glyph);
    glyph_ = std::move(glyph);
  } else {
    glyph_.reset();
  }
}

void TdxReportCellCheckImage::WriteData(TdxReportWriter& writer) const {
  TdxReportCellCheck::WriteData(writer);
  writer.WriteBoolean(HasGlyph());
  if (HasGlyph()) writer.WritePicture(*glyph_);
}

// ---- Picture containers --------------------------------------------------------

namespace {
// Kinds of a picture in a stream.
constexpr int kPictureFromReportList = 0;
constexpr int kPictureOwnGraphic = 3;
}  // namespace

TCustomdxReportCellImageContainer::TCustomdxReportCellImageContainer(TdxReportCell* parent)
    : TdxReportCellImageContainer(parent) {}

TCustomdxReportCellImageContainer::~TCustomdxReportCellImageContainer() = default;

bool TCustomdxReportCellImageContainer::HasListImage() const {
  return ImageList && ImageIndex >= 0 && ImageIndex < ImageList->Count();
}

bool TCustomdxReportCellImageContainer::HasImage() const {
  return (image_ && !image_->Empty()) || HasListImage();
}

TSize TCustomdxReportCellImageContainer::PictureSize() const {
  if (ImageList) return {ImageList->Width(), ImageList->Height()};
  if (image_ && !image_->Empty()) return {image_->Width(), image_->Height()};
  return {};
}

void TCustomdxReportCellImageContainer::GetImageSize(int& width, int& height) const {
  TSize s = PictureSize();
  width = s.cx > 0 ? ScreenToUnits(s.cx) : 0;
  height = s.cy > 0 ? ScreenToUnits(s.cy) : 0;
}

bool TCustomdxReportCellImageContainer::NeedsImageAreaBackground() const {
  // A drawn picture fills its own area (DrawPicture).
  return !Transparent() && !HasBackgroundBitmap() && !IsImageDrawn();
}

void TCustomdxReportCellImageContainer::SetImage(const TGraphic* graphic) {
  if (!graphic) {
    image_.reset();
    return;
  }
  if (graphic == image_.get()) return;
  image_ = graphic->Clone();
  if (Width() == 0 || Height() == 0)
    SetBounds(Left(), Top(), Width() == 0 ? graphic->Width() : Width(), Height() == 0 ? graphic->Height() : Height());
}

void TCustomdxReportCellImageContainer::DrawImage(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  if (!renderer) return;
  renderer->DrawPicture(dc, GetImageBounds(dc), GetContentPattern(), GetContentBkColor(), Color(),
                        HasBackgroundBitmap() || Transparent(), ImageTransparent(), image_.get(), ImageIndex,
                        ImageList, GetImageAreaBounds(dc));
}

void TCustomdxReportCellImageContainer::Assign(const TdxReportItem& source) {
  TdxReportCellImageContainer::Assign(source);
  auto* s = dynamic_cast<const TCustomdxReportCellImageContainer*>(&source);
  if (!s || s == this) return;
  image_ = s->image_ ? s->image_->Clone() : nullptr;
  ImageIndex = s->ImageIndex;
  ImageList = s->ImageList;
}

void TCustomdxReportCellImageContainer::ReadData(TdxReportReader& reader) {
  TdxReportCellImageContainer::ReadData(reader);
  image_.reset();
  ImageList = nullptr;
  ImageIndex = -1;
  if (!reader.ReadBoolean()) return;
  int kind = reader.ReadInteger();
  if (kind == kPictureFromReportList) {
    int listIndex = reader.ReadInteger();
    int imageIndex = reader.ReadInteger();
    TdxReportCells* doc = ReportCells();
    ImageList = doc ? doc->GetImageList(listIndex) : nullptr;
    ImageIndex = imageIndex;
  } else if (kind >= 1 && kind <= kPictureOwnGraphic) {
    TGraphicClass cls = FindGraphicClass(reader.ReadString());
    if (!cls) {
      reader.SkipPicture();
      return;
    }
    std::unique_ptr<TGraphic> graphic = cls->Create();
    reader.ReadPicture(*graphic);
    image_ = std::move(graphic);
  }
}

void TCustomdxReportCellImageContainer::WriteData(TdxReportWriter& writer) const {
  TdxReportCellImageContainer::WriteData(writer);
  writer.WriteBoolean(HasImage());
  if (!HasImage()) return;
  TdxReportCells* doc = ReportCells();
  if (HasListImage()) {
    int listIndex = doc ? doc->IndexOfImageList(ImageList) : -1;
    if (listIndex >= 0) {
      writer.WriteInteger(kPictureFromReportList);
      writer.WriteInteger(listIndex);
      writer.WriteInteger(ImageIndex);
      return;
    }
    // A list the document does not know: the entry goes as an own bitmap.
    writer.WriteInteger(kPictureOwnGraphic);
    const TBitmap& entry = ImageList->Image(ImageIndex);
    writer.WriteString(entry.ClassName());
    writer.WritePicture(entry);
    return;
  }
  writer.WriteInteger(kPictureOwnGraphic);
  writer.WriteString(image_->ClassName());
  writer.WritePicture(*image_);
}

// ---- TdxReportCellImage --------------------------------------------------------

namespace {
bool LeftColumn(TdxImagePosition p) { return p == ipTopLeft || p == ipCenterLeft || p == ipBottomLeft; }
bool RightColumn(TdxImagePosition p) { return p == ipTopRight || p == ipCenterRight || p == ipBottomRight; }
bool CentredColumn(TdxImagePosition p) { return p == ipTopCenter || p == ipCenter || p == ipBottomCenter; }
}  // namespace

TdxReportCellImage::TdxReportCellImage(TdxReportCell* parent) : TCustomdxReportCellImageContainer(parent) {
  SetImagePosition(ipCenterLeft);
  format_ |= dxFormatKeepImageSpace | dxFormatImageBand;
}

TRect TdxReportCellImage::GetImageAreaBounds(TCanvas& dc) const {
  int w, h;
  GetImageSize(w, h);
  if (w <= 0 || h <= 0) return {};
  TRect inner = GetInnerBounds(dc);
  TRect a = TCustomdxReportCellImageContainer::GetImageAreaBounds(dc);
  int p = PixelSize();
  TdxImagePosition pos = ImagePosition();
  auto centreHorizontally = [&] {
    a.Left += p + (a.Width() - w) / 2;
    a.Right = a.Left + w + p;
  };
  if (LeftColumn(pos)) {
    a.Right = a.Left + 2 * p + w;
  } else if (RightColumn(pos)) {
    a.Left = a.Right - w - 2 * p;
  } else if (pos == ipTopCenter) {
    if (!ImageBand()) centreHorizontally();
    a.Bottom = a.Top + 2 * p + h;
  } else if (pos == ipBottomCenter) {
    if (!ImageBand()) centreHorizontally();
    a.Top = a.Bottom - h - 2 * p;
  } else if (!ImageBand()) {  // ipCenter
    centreHorizontally();
    a.Top += p + (a.Height() - h) / 2;
    a.Bottom = a.Top + h + p;
  }
  return IntersectRect(a, inner);
}

TRect TdxReportCellImage::GetImageBounds(TCanvas& dc) const {
  int w, h;
  GetImageSize(w, h);
  TRect a = GetImageAreaBounds(dc);
  if (a.IsEmpty()) return {};
  int t = LineThickness();
  int left = a.Left + (a.Width() - w) / 2;
  int top;
  switch (ImagePosition()) {
    case ipTopLeft: case ipTopCenter: case ipTopRight: top = a.Top + t; break;
    case ipBottomLeft: case ipBottomCenter: case ipBottomRight: top = a.Bottom - t - h; break;
    default: top = a.Top + (a.Height() - h) / 2; break;
  }
  return TRect(left, top, left + w, top + h);
}

TRect TdxReportCellImage::GetTextBounds(TCanvas& dc) const {
  TRect r = TCustomdxReportCellImageContainer::GetTextBounds(dc);
  if (!IsImageDrawn() && !KeepImageSpace()) return r;
  TdxImagePosition pos = ImagePosition();
  if (CentredColumn(pos) && !ImageBand()) return r;
  if (pos == ipCenter) return TdxReportCellString::GetText().empty() ? TRect() : r;
  TRect a = GetImageAreaBounds(dc);
  if (a.IsEmpty()) return r;
  if (LeftColumn(pos))
    r.Left = a.Right;
  else if (RightColumn(pos))
    r.Right = a.Left;
  else if (pos == ipTopCenter)
    r.Top = a.Bottom;
  else if (pos == ipBottomCenter)
    r.Bottom = a.Top;
  return r;
}

bool TdxReportCellImage::HasText() const {
  if (ImagePosition() == ipCenter && !TextOverImage()) return false;
  return TCustomdxReportCellImageContainer::HasText();
}

bool TdxReportCellImage::NeedsTextBackground() const {
  if (ImagePosition() == ipCenter && TextOverImage() && HasImage()) return false;
  return TCustomdxReportCellImageContainer::NeedsTextBackground();
}

bool TdxReportCellImage::NeedsImageAreaBackground() const {
  if (Transparent() || HasBackgroundBitmap() || !KeepImageSpace()) return false;
  return !CentredColumn(ImagePosition()) || ImageBand();
}

void TdxReportCellImage::Draw(TCanvas& dc, int stage) {
  if (!(ImagePosition() == ipCenter && TextOverImage())) {
    TCustomdxReportCellImageContainer::Draw(dc, stage);
    return;
  }
  // Text over the picture: the picture goes first.
  if (HasBackgroundBitmap()) DrawBackgroundBitmap(dc);
  if (NeedsTextBackground()) DrawTextBackground(dc);
  if (NeedsImageAreaBackground()) DrawImageAreaBackground(dc);
  if (IsImageDrawn()) DrawImage(dc);
  if (HasText()) DrawText(dc);
  if (HasSortMark()) DrawSortMark(dc);
  if (HasBorder()) DrawBorders(dc);
}

int TdxReportCellImage::MeasureContentHeight(TCanvas& dc) {
  TSize s = PictureSize();
  int h = s.cy > 0 && s.cx > 0 ? s.cy + 2 : 0;
  TdxImagePosition pos = ImagePosition();
  if ((pos == ipTopCenter || pos == ipBottomCenter) && ImageBand()) return h + MeasureTextHeight(dc);
  if (pos == ipCenter && !TextOverImage()) return h;
  return std::max(h, MeasureTextHeight(dc));
}

int TdxReportCellImage::MeasureContentWidth(TCanvas& dc) {
  TSize s = PictureSize();
  int w = s.cy > 0 && s.cx > 0 ? s.cx + 2 : 0;
  TdxImagePosition pos = ImagePosition();
  if (CentredColumn(pos)) {
    bool shares = pos != ipCenter || TextOverImage();
    return shares ? std::max(w, TdxReportCellText::MeasureContentWidth(dc)) : w;
  }
  return w + TdxReportCellText::MeasureContentWidth(dc);
}

// ---- TdxReportCellGraphic ------------------------------------------------------

TRect dxPlacePicture(const TRect& box, int w, int h, TdxPicturePlacement placement) {
  if (w <= 0 || h <= 0) return {};
  int bw = box.Width(), bh = box.Height();
  switch (placement) {
    case plCenter: {
      int left = box.Left + (bw - w) / 2, top = box.Top + (bh - h) / 2;
      return TRect(left, top, left + w, top + h);
    }
    case plStretch: return box;
    case plFit:
    case plFitCenter: {
      if (bw <= 0 || bh <= 0) return {};
      int fw, fh;
      if (double(bw) / bh >= double(w) / h) {
        fh = bh;
        fw = MulDiv(bh, w, h);
      } else {
        fw = bw;
        fh = MulDiv(bw, h, w);
      }
      int left = box.Left, top = box.Top;
      if (placement == plFitCenter) {
        left += (bw - fw) / 2;
        top += (bh - fh) / 2;
      }
      return TRect(left, top, left + fw, top + fh);
    }
    default: return TRect(box.Left, box.Top, box.Left + w, box.Top + h);
  }
}

TRect TdxReportCellGraphic::GetImageBounds(TCanvas& dc) const {
  int w, h;
  GetImageSize(w, h);
  return dxPlacePicture(GetImageAreaBounds(dc), w, h, Placement());
}

// ---- TdxReportCellExpandButton -------------------------------------------------

int dxRoundToMultiple(int value, int step) {
  if (step < 1) return value;
  int remainder = value % step;
  int result = value - remainder;
  if (remainder > 0 && 2 * remainder >= step) result += step;
  return result;
}

TdxReportCellExpandButton::TdxReportCellExpandButton(TdxReportCell* parent) : TAbstractdxReportCellData(parent) {
  format_ |= dxFormatButtonStored | dxFormatButtonTransparent | dxFormatButtonBorder;
}

void TdxReportCellExpandButton::Assign(const TdxReportItem& source) {
  TAbstractdxReportCellData::Assign(source);
  auto* s = dynamic_cast<const TdxReportCellExpandButton*>(&source);
  if (!s || s == this) return;
  ButtonInteriorColor = s->ButtonInteriorColor;
  ButtonSize = s->ButtonSize;
}

void TdxReportCellExpandButton::ReadData(TdxReportReader& reader) {
  TAbstractdxReportCellData::ReadData(reader);
  ButtonInteriorColor = reader.ReadInteger();
  ButtonSize = std::max(0, dxReadLength(reader));
}

void TdxReportCellExpandButton::WriteData(TdxReportWriter& writer) const {
  TAbstractdxReportCellData::WriteData(writer);
  writer.WriteInteger(ButtonInteriorColor);
  writer.WriteInteger(ButtonSize);
}

void TdxReportCellExpandButton::Scale(int numerator, int denominator) {
  if (denominator == 0) return;
  TAbstractdxReportCellData::Scale(numerator, denominator);
  ButtonSize = MulDiv(ButtonSize, numerator, denominator);
}

TRect TdxReportCellExpandButton::GetButtonBounds(TCanvas& dc) const {
  if (!ShowButton()) return {};
  int s = std::max(0, dxRoundToMultiple(ButtonSize, LineThickness()));
  const TRect& b = BoundsRect();
  int left = b.Left + std::max(0, b.Width() - s) / 2, top = b.Top + std::max(0, b.Height() - s) / 2;
  return Snap(dc, TRect(left, top, left + s, top + s));
}

void TdxReportCellExpandButton::Draw(TCanvas& dc, int) {
  DrawItemBackground(dc);
  if (ShowButton()) DrawButton(dc);
  if (TreeLineMode() != tlmNone) DrawTreeLines(dc);
  if (HasBorder()) DrawBorders(dc);
}

void TdxReportCellExpandButton::DrawButton(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  TRect r = GetButtonBounds(dc);
  if (!renderer || r.IsEmpty() || !dc.RectVisible(r)) return;
  TCustomdxReportRenderer::ExpandButtonStyle style;
  style.Expanded = Expanded();
  style.Border = ButtonBorder();
  style.ThreeD = Button3D();
  style.ThreeDSoft = Button3DSoft();
  style.Shadow = ButtonShadow();
  style.Transparent = ButtonTransparent();
  TdxReportCells* doc = ReportCells();
  style.BorderColor = doc ? doc->ExpandButtonBorderColor() : clBlack;
  style.InteriorColor = ButtonInteriorColor;
  renderer->DrawExpandButton(dc, r, style);
}

void TdxReportCellExpandButton::DrawTreeLines(TCanvas& dc) {
  TCustomdxReportRenderer* renderer = Renderer();
  if (!renderer) return;
  TdxTreeLineMode mode = TreeLineMode();
  bool upper = mode == tlmVertical || mode == tlmCross || mode == tlmBottomRightCorner;
  bool lower = mode == tlmVertical || mode == tlmCross || mode == tlmTopRightCorner;
  bool right = mode == tlmCross || mode == tlmTopRightCorner || mode == tlmBottomRightCorner;
  int t = LineThickness();
  const TRect& b = BoundsRect();
  int cx = b.Left + dxRoundToMultiple(std::max(0, b.Width() - t) / 2, t);
  int cy = b.Top + dxRoundToMultiple(std::max(0, b.Height() - t) / 2, t);
  TdxItemSides sides = CellSides();
  TRect button = GetButtonBounds(dc);
  bool shown = !button.IsEmpty();

  TdxReportCells* doc = ReportCells();
  TdxPSFillPatternClass pattern = TdxPSGray50FillPattern::StaticClass();
  if (doc && doc->TreeLineStyle() == 0) pattern = TdxPSSolidFillPattern::StaticClass();
  TColor color = doc ? doc->TreeLineColor() : clGray;
  TColor bk = Transparent() ? clWindow : Color();
  auto fill = [&](TRect r) {
    if (!r.IsEmpty()) renderer->FillRectEx(dc, r, pattern, bk, color);
  };
  if (upper) {
    TRect r(cx, b.Top - ((sides & isdTop) ? t : 0), cx + t, cy + t);
    if (shown) r.Bottom = std::min(r.Bottom, button.Top - t);
    fill(r);
  }
  if (right) {
    TRect r(cx, cy, b.Right - ((sides & isdRight) ? t : 0), cy + t);
    if (shown) r.Left = std::max(r.Left, button.Right + t);
    fill(r);
  }
  if (lower) {
    TRect r(cx, cy, cx + t, b.Bottom - ((sides & isdBottom) ? t : 0));
    if (shown) r.Top = std::max(r.Top, button.Bottom + t);
    fill(r);
  }
}

// ---- TdxReportRadioGroup -------------------------------------------------------

TdxReportRadioGroup::TdxReportRadioGroup(TdxReportCell* parent) : TdxReportGroup(parent) {
  SetFormatBits(dxFormatCheckEdgeStyle, dxFormatCheckEdgeStyleOffset, cesSingle);
  SetFormatBits(dxFormatCheckPos, dxFormatCheckPosOffset, ccpCenter);
}

void TdxReportRadioGroup::Assign(const TdxReportItem& source) {
  {
    ++indexLock_;
    ScopeExit unlockIndex([this] { --indexLock_; });
    TdxReportGroup::Assign(source);
  }

  auto* s = dynamic_cast<const TdxReportRadioGroup*>(&source);
  if (!s || s == this) return;
  columnCount_ = s->columnCount_;
  interColumnsMinSpace_ = s->interColumnsMinSpace_;
  interRowsMinSpace_ = s->interRowsMinSpace_;
  margins_ = s->margins_;
  maxButtonWidth_ = s->maxButtonWidth_;
  buttonHeight_ = s->buttonHeight_;
}

void TdxReportRadioGroup::ReadData(TdxReportReader& reader) {
  TdxReportGroup::ReadData(reader);
  SetColumnCount(std::clamp(int(reader.ReadInteger()), 1, 1000));
  SetInterColumnsMinSpace(dxReadLength(reader));
  SetInterRowsMinSpace(dxReadLength(reader));
  SetButtonsRegionMargins(dxReadBounds(reader));
}

void TdxReportRadioGroup::WriteData(TdxReportWriter& writer) const {
  TdxReportGroup::WriteData(writer);
  writer.WriteInteger(columnCount_);
  writer.WriteInteger(interColumnsMinSpace_);
  writer.WriteInteger(interRowsMinSpace_);
  writer.WriteRect(margins_);
}

void TdxReportRadioGroup::Scale(int numerator, int denominator) {
  if (denominator == 0) return;
  TdxReportGroup::Scale(numerator, denominator);
  auto scale = [&](int v) { return std::max(0, MulDiv(v, numerator, denominator)); };
  margins_ = TRect(scale(margins_.Left), scale(margins_.Top), scale(margins_.Right), scale(margins_.Bottom));
  interColumnsMinSpace_ = scale(interColumnsMinSpace_);
  interRowsMinSpace_ = scale(interRowsMinSpace_);
  maxButtonWidth_ = scale(maxButtonWidth_);
  buttonHeight_ = scale(buttonHeight_);
}

void TdxReportRadioGroup::SetButtonsRegionMargins(const TRect& v) {
  margins_ = TRect(std::max(0, v.Left), std::max(0, v.Top), std::max(0, v.Right), std::max(0, v.Bottom));
}

void TdxReportRadioGroup::InitializeButton(TdxReportCellGroupButton& button) {
  button.SetCheckEdgeStyle(CheckEdgeStyle());
  button.SetCellSides(0);
  button.SetCheckPos(CheckPos());
  button.SetColor(Color());
  button.SetFontIndex(FontIndex());
  button.SetTextAlignY(taCenterY);
  button.SetTransparent(true);
}

TdxReportCellGroupButton* TdxReportRadioGroup::Add(const std::string& text) {
  std::unique_ptr<TdxReportCellGroupButton> button = dxCreateObject<TdxReportCellGroupButton>(ButtonClass());
  button->SetParent(this);
  TdxReportCellGroupButton* b = button.release();
  b->SetText(text);
  b->SetBounds(0, 0, -1, 0);
  InitializeButton(*b);
  return b;
}

int TdxReportRadioGroup::ButtonCount() const {
  int n = 0;
  for (TAbstractdxReportCellData* d : DataItemList())
    if (dynamic_cast<TdxReportCellGroupButton*>(d)) ++n;
  return n;
}

TdxReportCellGroupButton* TdxReportRadioGroup::Buttons(int index) const {
  int n = 0;
  if (index >= 0)
    for (TAbstractdxReportCellData* d : DataItemList())
      if (auto* b = dynamic_cast<TdxReportCellGroupButton*>(d))
        if (n++ == index) return b;
  throw EdxPrintEngine(::Format(dxPSReportMessages::ListIndexOutOfBounds, index));
}

int TdxReportRadioGroup::IndexOfButton(const TdxReportCellGroupButton* button) const {
  int n = 0;
  for (TAbstractdxReportCellData* d : DataItemList())
    if (auto* b = dynamic_cast<TdxReportCellGroupButton*>(d)) {
      if (b == button) return n;
      ++n;
    }
  return -1;
}

int TdxReportRadioGroup::ItemIndex() const {
  int n = 0;
  for (TAbstractdxReportCellData* d : DataItemList())
    if (auto* b = dynamic_cast<TdxReportCellGroupButton*>(d)) {
      if (b->Checked()) return n;
      ++n;
    }
  return -1;
}

void TdxReportRadioGroup::SetItemIndex(int index) {
  if (indexLock_ > 0) return;
  index = std::clamp(index, -1, ButtonCount() - 1);
  int current = ItemIndex();
  if (index == current) return;
  ++indexLock_;
  if (current >= 0) Buttons(current)->TdxCustomReportCellRadio::SetChecked(false);
  if (index >= 0) Buttons(index)->TdxCustomReportCellRadio::SetChecked(true);
  --indexLock_;
}

int TdxReportRadioGroup::RowCount() const {
  int count = ButtonCount();
  return (count + columnCount_ - 1) / columnCount_;
}

void TdxReportRadioGroup::SetCheckEdgeStyle(TdxCheckEdgeStyle v) {
  SetFormatBits(dxFormatCheckEdgeStyle, dxFormatCheckEdgeStyleOffset, unsigned(v));
  for (int i = 0, n = ButtonCount(); i < n; ++i) Buttons(i)->SetCheckEdgeStyle(v);
}

void TdxReportRadioGroup::SetCheckPos(TdxCheckPos v) {
  SetFormatBits(dxFormatCheckPos, dxFormatCheckPosOffset, unsigned(v));
  if (v == ccpCenter)
    for (int i = 0, n = ButtonCount(); i < n; ++i) Buttons(i)->SetText("");
}

void TdxReportRadioGroup::LayoutButtons(TCanvas& dc) {
  int count = ButtonCount();
  if (count == 0) return;
  int widest = 0;
  for (int i = 0; i < count; ++i) widest = std::max(widest, Buttons(i)->MeasureContentWidth(dc));
  int buttonHeight = Buttons(0)->MeasureContentHeight(dc);
  maxButtonWidth_ = widest;
  buttonHeight_ = buttonHeight;

  TRect area(0, 0, Width(), Height());
  if (ShowCaption()) area = GetInnerBounds(dc);
  area = TRect(area.Left + margins_.Left, area.Top + margins_.Top, area.Right - margins_.Right,
               area.Bottom - margins_.Bottom);
  if (area.IsEmpty()) return;

  int rows = RowCount();
  int columnWidth = std::max(area.Width() / columnCount_, widest + interColumnsMinSpace_);
  int rowHeight = area.Height() / rows;
  if (rows > 1 && rowHeight < rows + buttonHeight + interRowsMinSpace_)
    rowHeight = buttonHeight - rows + interRowsMinSpace_;
  for (int i = 0; i < count; ++i) {
    TdxReportCellGroupButton* b = Buttons(i);
    std::int64_t left = std::int64_t(area.Left) + std::int64_t(i / rows) * columnWidth;
    std::int64_t top = std::int64_t(area.Top) + std::int64_t(i % rows) * rowHeight;
    int shrink = (rowHeight - buttonHeight) / 2;
    TRect r(int(std::clamp<std::int64_t>(left, INT32_MIN / 2, INT32_MAX / 2)),
            int(std::clamp<std::int64_t>(top + shrink, INT32_MIN / 2, INT32_MAX / 2)), 0, 0);
    r.Right = r.Left + std::clamp(columnWidth, 0, INT32_MAX / 2);
    r.Bottom = r.Top + std::clamp(rowHeight - 2 * shrink, 0, INT32_MAX / 2);
    b->SetBoundsRect(r);
    b->SetVisible(!IntersectRect(r, area).IsEmpty());
  }
}

int TdxReportRadioGroup::MeasureContentHeight(TCanvas&) {
  return RowCount() * (buttonHeight_ + interRowsMinSpace_) + margins_.Top + margins_.Bottom - interRowsMinSpace_;
}

int TdxReportRadioGroup::MeasureContentWidth(TCanvas&) {
  return (maxButtonWidth_ + interColumnsMinSpace_) * columnCount_ + margins_.Left + margins_.Right -
         interColumnsMinSpace_;
}
