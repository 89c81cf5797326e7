#include "layout/RenderLink.h"

#include <cstring>

#include <algorithm>

#include "platform/Types.h"
#include "report/ReportStreamValues.h"

namespace {

// Font record of report streams: character set, colour, face name, pitch,
// point size, style bits.
void WriteFontRecord(TdxReportWriter& writer, const TFont& font) {
  writer.WriteInteger(font.Charset);
  writer.WriteInteger(std::int32_t(font.Color));
  writer.WriteString(font.Name);
  writer.WriteInteger(int(font.Pitch));
  writer.WriteInteger(font.Size());
  writer.WriteInteger(int(font.Style & (fsBold | fsItalic | fsUnderline | fsStrikeOut)));
}

void ReadFontRecord(TdxReportReader& reader, TFont& font) {
  font.Charset = std::clamp(int(reader.ReadInteger()), 0, 255);
  font.Color = TColor(reader.ReadInteger());
  font.Name = reader.ReadString();
  int pitch = reader.ReadInteger();
  font.Pitch = pitch >= fpDefault && pitch <= fpFixed ? TFontPitch(pitch) : fpDefault;
  font.SetSize(std::clamp(int(reader.ReadInteger()), -1638, 1638));
  font.Style = TFontStyles(reader.ReadInteger()) & (fsBold | fsItalic | fsUnderline | fsStrikeOut);
}

}  // namespace

// ---- TdxReportTitle ---------------------------------------------------------------

namespace {
TFont DefaultTitleFont() {
  TFont font;
  font.Name = "Times New Roman";
  font.SetSize(14);
  font.Style = fsBold;
  font.Color = clBlack;
  return font;
}
}  // namespace

TdxReportTitle::TdxReportTitle(TdxPSRenderLink* link) : link_(link), font_(DefaultTitleFont()) {}

void TdxReportTitle::RestoreDefaults() {
  BeginUpdate();
  SetAdjustOnReportScale(false);
  color_ = clWhite;
  SetFont(DefaultTitleFont());
  SetMode(tmOnEveryTopPage);
  SetText("");
  textAlignX_ = taCenterX;
  textAlignY_ = taCenterY;
  transparent_ = true;
  EndUpdate();
}

void TdxReportTitle::EndUpdate() {
  TdxBaseObject::EndUpdate();
  if (!IsLocked() && pending_) TitleChanged();
}

void TdxReportTitle::TitleChanged() {
  if (IsLocked()) {
    pending_ = true;
    return;
  }
  pending_ = false;
  if (link_) link_->ReportTitleChanged();
}

void TdxReportTitle::SetAdjustOnReportScale(bool value) {
  if (adjustOnReportScale_ == value) return;
  adjustOnReportScale_ = value;
  TitleChanged();
}

void TdxReportTitle::SetFont(const TFont& value) {
  if (font_ == value) return;
  font_ = value;
  TitleChanged();
}

void TdxReportTitle::SetMode(TdxReportTitleMode value) {
  if (value < tmNone || value > tmOnEveryTopPage || mode_ == value) return;
  mode_ = value;
  TitleChanged();
}

void TdxReportTitle::SetText(const std::string& value) {
  if (text_ == value) return;
  text_ = value;
  TitleChanged();
}

void TdxReportTitle::SetTextAlignX(TdxTextAlignX value) {
  if (value == taLeft || value == taCenterX || value == taRight) textAlignX_ = value;
}

void TdxReportTitle::SetTextAlignY(TdxTextAlignY value) {
  if (value == taTop || value == taCenterY || value == taBottom) textAlignY_ = value;
}

void TdxReportTitle::Assign(const TdxObject* source) {
  TdxBaseObject::Assign(source);
  if (!IsLocked() && pending_) TitleChanged();
}

void TdxReportTitle::DoAssign(const TdxBaseObject& source) {
  auto* title = dynamic_cast<const TdxReportTitle*>(&source);
  if (!title) return;
  // Assign brackets this with BeginUpdate/EndUpdate; the notification that
  // was held back goes out once, after the last property.
  SetAdjustOnReportScale(title->adjustOnReportScale_);
  color_ = title->color_;
  SetFont(title->font_);
  SetMode(title->mode_);
  SetText(title->text_);
  SetTextAlignX(title->textAlignX_);
  SetTextAlignY(title->textAlignY_);
  transparent_ = title->transparent_;
}

void TdxReportTitle::ReadData(TdxReportReader& reader) {
  // Everything is read before anything changes: a damaged stream leaves the
  // title as it was.
  bool adjust = reader.ReadBoolean();
  TColor color = TColor(reader.ReadInteger());
  TFont font = font_;
  ReadFontRecord(reader, font);
  int mode = reader.ReadInteger();
  std::string text = reader.ReadString();
  int alignX = reader.ReadInteger();
  int alignY = reader.ReadInteger();
  bool transparent = reader.ReadBoolean();

  BeginUpdate();
  SetAdjustOnReportScale(adjust);
  color_ = color;
  SetFont(font);
  if (mode >= tmNone && mode <= tmOnEveryTopPage) SetMode(TdxReportTitleMode(mode));
  SetText(text);
  SetTextAlignX(TdxTextAlignX(alignX));
  SetTextAlignY(TdxTextAlignY(alignY));
  transparent_ = transparent;
  EndUpdate();
}

void TdxReportTitle::WriteData(TdxReportWriter& writer) const {
  writer.WriteBoolean(adjustOnReportScale_);
  writer.WriteInteger(std::int32_t(color_));
  WriteFontRecord(writer, font_);
  writer.WriteInteger(int(mode_));
  writer.WriteString(text_);
  writer.WriteInteger(int(textAlignX_));
  writer.WriteInteger(int(textAlignY_));
  writer.WriteBoolean(transparent_);
}

// ---- Pools -------------------------------------------------------------------------

int TdxPSReportFontPool::Add(const TFont& font) {
  int points = font.Size();
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const TFont& f = entries_[i].font;
    if (f.Color == font.Color && f.Name == font.Name && f.Pitch == font.Pitch && f.Style == font.Style &&
        entries_[i].points == points)
      return int(i);
  }
  entries_.push_back({font, points});
  return int(entries_.size()) - 1;
}

void TdxPSReportFontPool::Clear() { entries_.clear(); }

void TdxPSReportFontPool::Scale(int unitsPerInch) {
  for (Entry& e : entries_) e.font.Height = -MulDiv(e.points, unitsPerInch, 72);
}

int TdxPSBackgroundBitmapPool::Add(const TBitmap& bitmap) {
  const QImage& image = bitmap.Image();
  for (std::size_t i = 0; i < bitmaps_.size(); ++i) {
    const QImage& other = bitmaps_[i]->Image();
    if (other.size() == image.size() && other.convertToFormat(QImage::Format_ARGB32) ==
                                            image.convertToFormat(QImage::Format_ARGB32))
      return int(i);
  }
  bitmaps_.push_back(std::make_unique<TBitmap>(bitmap));
  return int(bitmaps_.size()) - 1;
}

void TdxPSBackgroundBitmapPool::Clear() { bitmaps_.clear(); }

const TBitmap* TdxPSBackgroundBitmapPool::Bitmap(int index) const {
  if (index < 0 || index >= int(bitmaps_.size())) return nullptr;
  return bitmaps_[std::size_t(index)].get();
}
