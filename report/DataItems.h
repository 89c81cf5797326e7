// Data items: the leaves of the report tree. Each kind measures itself (in
// screen pixels, before the document is scaled) and paints itself through
// the renderer (in report units).
//
// The check boxes, radio buttons, group buttons, check images and radio
// groups are in report/CheckItems.h.
#pragma once

#include <algorithm>
#include <memory>
#include <string>

#include "platform/Graphics.h"
#include "report/ReportCells.h"
#include "report/ItemFormat.h"

class TCustomImageList;

// The size of the platform's check box glyph cell, in screen pixels.
constexpr int dxCheckGlyphSize = 13;

class TAbstractdxReportCellData : public TdxReportVisualItem {
  DX_CLASS(TAbstractdxReportCellData, TdxReportVisualItem)

 public:
  // Appends the new item to parent's data items (when given).
  explicit TAbstractdxReportCellData(TdxReportCell* parent = nullptr);

  int MeasureContentHeight(TCanvas& dc) override { return Height(); }
  int MeasureContentWidth(TCanvas& dc) override { return Width(); }

  // Lets the link draw the item when it wants to; answers whether it did.
  virtual bool CustomDraw(TCanvas& dc);
  virtual TRect GetAbsoluteOutputRect(TCanvas& dc, int stage) const;
  // The outer bounds.
  virtual TRect GetOutputRect(TCanvas& dc, int stage) const { return GetOuterBounds(dc); }
  virtual bool IsCustomDrawn() const;
  virtual bool IsDrawingNeeded(TCanvas& dc, int stage, const TRect& clip) const;
  // Background (bitmap) and borders here.
  virtual void Draw(TCanvas& dc, int stage);
  // Flags of the text layout routine from the text bits of Format.
  virtual unsigned GetTextFormat() const;
  virtual int MeasureLineCount(TCanvas& dc) { return 1; }
  virtual int MeasureLineHeight(TCanvas& dc) { return Height(); }

 protected:
  // The background bitmap when there is one, else the background unless
  // transparent.
  void DrawItemBackground(TCanvas& dc);
  // The item's background fill (content pattern and colours) over rect.
  void FillBackground(TCanvas& dc, const TRect& rect);
};

class TdxReportCellBox : public TAbstractdxReportCellData {
  DX_CLASS(TdxReportCellBox, TAbstractdxReportCellData)

 public:
  explicit TdxReportCellBox(TdxReportCell* parent = nullptr) : TAbstractdxReportCellData(parent) {}
};

// ---- Text ----------------------------------------------------------------------

class TdxReportCellText : public TAbstractdxReportCellData {
  DX_CLASS(TdxReportCellText, TAbstractdxReportCellData)

 public:
  explicit TdxReportCellText(TdxReportCell* parent = nullptr);

  void Assign(const TdxReportItem& source) override;
  void ReadData(TdxReportReader& reader) override;
  void WriteData(TdxReportWriter& writer) const override;
  void Draw(TCanvas& dc, int stage) override;
  int MeasureContentHeight(TCanvas& dc) override;
  int MeasureContentWidth(TCanvas& dc) override;
  int MeasureLineCount(TCanvas& dc) override;
  int MeasureLineHeight(TCanvas& dc) override;

  virtual std::string GetText() const { return {}; }
  virtual void SetText(const std::string& text) {}
  // The inner bounds' right 16 screen pixels.
  virtual TRect GetSortMarkBounds(TCanvas& dc) const;
  // The inner bounds left of the sort mark.
  virtual TRect GetTextBounds(TCanvas& dc) const;
  virtual bool HasSortMark() const { return SortOrder() != csoNone; }
  virtual bool HasText() const { return !GetText().empty(); }
  virtual void DrawSortMark(TCanvas& dc);
  virtual void DrawText(TCanvas& dc);
  // The rectangle the text's lines are laid out in when drawn: GetTextBounds
  // moved, side by side, to where borders one screen pixel thick put it
  // without snapping to device pixels. Line breaks depend on it alone, so
  // they are the same on a screen at any zoom and on a printer (the text may
  // reach a fraction of a device pixel into a border, which is drawn over it).
  // GetTextBounds itself on a canvas other than the renderer's page.
  TRect GetTextLayoutBounds(TCanvas& dc) const;

  // Inset of the text from the left edge, in pixels of the screen the report
  // was built on (device pixels when the renderer lays text out on the
  // device).
  int Indent = 0;

  TdxTextAlignX TextAlignX() const { return TdxTextAlignX(std::min(4u, FormatBits(dxFormatTextAlignX, dxFormatTextAlignXOffset))); }
  void SetTextAlignX(TdxTextAlignX v) { SetFormatBits(dxFormatTextAlignX, dxFormatTextAlignXOffset, unsigned(v)); }
  TdxTextAlignY TextAlignY() const { return TdxTextAlignY(FormatBits(dxFormatTextAlignY, dxFormatTextAlignYOffset)); }
  void SetTextAlignY(TdxTextAlignY v) { SetFormatBits(dxFormatTextAlignY, dxFormatTextAlignYOffset, unsigned(v)); }
  bool EndEllipsis() const { return format_ & dxFormatEndEllipsis; }
  void SetEndEllipsis(bool v) { SetFormatFlag(dxFormatEndEllipsis, v); }
  bool Multiline() const { return format_ & dxFormatMultiline; }
  void SetMultiline(bool v) { SetFormatFlag(dxFormatMultiline, v); }
  bool HidePrefix() const { return format_ & dxFormatHidePrefix; }
  void SetHidePrefix(bool v) { SetFormatFlag(dxFormatHidePrefix, v); }
  bool KeepTextLeft() const { return format_ & dxFormatKeepTextLeft; }
  void SetKeepTextLeft(bool v) { SetFormatFlag(dxFormatKeepTextLeft, v); }
  bool KeepTextTop() const { return format_ & dxFormatKeepTextTop; }
  void SetKeepTextTop(bool v) { SetFormatFlag(dxFormatKeepTextTop, v); }
  TdxCellSortOrder SortOrder() const {
    return TdxCellSortOrder(std::min(2u, FormatBits(dxFormatSortOrder, dxFormatSortOrderOffset)));
  }
  void SetSortOrder(TdxCellSortOrder v) { SetFormatBits(dxFormatSortOrder, dxFormatSortOrderOffset, unsigned(v)); }

 protected:
  // Height of the text laid out at the item's width minus Indent.
  int MeasureTextHeight(TCanvas& dc);
  // One-line width of the text.
  int MeasureTextWidth(TCanvas& dc);
};

class TdxReportCellString : public TdxReportCellText {
  DX_CLASS(TdxReportCellString, TdxReportCellText)

 public:
  explicit TdxReportCellString(TdxReportCell* parent = nullptr) : TdxReportCellText(parent) {}
  std::string GetText() const override { return text_; }
  void SetText(const std::string& text) override { text_ = text; }

 private:
  std::string text_;
};

// ---- Image containers ----------------------------------------------------------

// A string with an image area beside it.
class TdxReportCellImageContainer : public TdxReportCellString {
  DX_CLASS(TdxReportCellImageContainer, TdxReportCellString)

 public:
  explicit TdxReportCellImageContainer(TdxReportCell* parent = nullptr);

  void Draw(TCanvas& dc, int stage) override;

  // The inner bounds left of the sort mark.
  virtual TRect GetImageAreaBounds(TCanvas& dc) const;
  virtual TRect GetImageBounds(TCanvas& dc) const { return {}; }
  // The picture size in report units (0 x 0 without picture).
  virtual void GetImageSize(int& width, int& height) const;
  virtual bool HasImage() const { return false; }
  virtual bool NeedsImageAreaBackground() const { return false; }
  virtual bool IsImageDrawn() const { return HasImage(); }
  virtual bool NeedsTextBackground() const { return !Transparent() && !HasBackgroundBitmap(); }
  virtual void DrawImage(TCanvas& dc) {}
  virtual void DrawImageAreaBackground(TCanvas& dc);
  virtual void DrawTextBackground(TCanvas& dc);

  bool ImageTransparent() const { return format_ & dxFormatImageTransparent; }
  void SetImageTransparent(bool v) { SetFormatFlag(dxFormatImageTransparent, v); }
};

// ---- Pictures ------------------------------------------------------------------

// A picture from an image list entry or an own graphic.
class TCustomdxReportCellImageContainer : public TdxReportCellImageContainer {
  DX_CLASS(TCustomdxReportCellImageContainer, TdxReportCellImageContainer)

 public:
  explicit TCustomdxReportCellImageContainer(TdxReportCell* parent = nullptr);
  ~TCustomdxReportCellImageContainer() override;

  void Assign(const TdxReportItem& source) override;
  void ReadData(TdxReportReader& reader) override;
  void WriteData(TdxReportWriter& writer) const override;
  void GetImageSize(int& width, int& height) const override;
  bool HasImage() const override;
  bool NeedsImageAreaBackground() const override;
  void DrawImage(TCanvas& dc) override;

  TGraphic* Image() const { return image_.get(); }
  // Copies graphic (none: removes the picture); the item takes the
  // graphic's size when its own width or height is 0.
  void SetImage(const TGraphic* graphic);
  // The picture size in screen pixels: the image list's entry size, else
  // the graphic's; 0 x 0 without either.
  TSize PictureSize() const;

  int ImageIndex = -1;
  TCustomImageList* ImageList = nullptr;  // not owned

 private:
  bool HasListImage() const;
  std::unique_ptr<TGraphic> image_;
};

class TdxReportCellImage : public TCustomdxReportCellImageContainer {
  DX_CLASS(TdxReportCellImage, TCustomdxReportCellImageContainer)

 public:
  explicit TdxReportCellImage(TdxReportCell* parent = nullptr);

  void Draw(TCanvas& dc, int stage) override;
  TRect GetImageAreaBounds(TCanvas& dc) const override;
  TRect GetImageBounds(TCanvas& dc) const override;
  TRect GetTextBounds(TCanvas& dc) const override;
  bool HasText() const override;
  bool NeedsTextBackground() const override;
  bool NeedsImageAreaBackground() const override;
  int MeasureContentHeight(TCanvas& dc) override;
  int MeasureContentWidth(TCanvas& dc) override;

  TdxImagePosition ImagePosition() const {
    return TdxImagePosition(std::min(8u, FormatBits(dxFormatImagePosition, dxFormatImagePositionOffset)));
  }
  void SetImagePosition(TdxImagePosition v) {
    SetFormatBits(dxFormatImagePosition, dxFormatImagePositionOffset, unsigned(v));
  }
  bool KeepImageSpace() const { return format_ & dxFormatKeepImageSpace; }
  void SetKeepImageSpace(bool v) { SetFormatFlag(dxFormatKeepImageSpace, v); }
  bool TextOverImage() const { return format_ & dxFormatTextOverImage; }
  void SetTextOverImage(bool v) { SetFormatFlag(dxFormatTextOverImage, v); }
  bool ImageBand() const { return format_ & dxFormatImageBand; }
  void SetImageBand(bool v) { SetFormatFlag(dxFormatImageBand, v); }
};

// A picture alone (a printed control is one).
class TdxReportCellGraphic : public TCustomdxReportCellImageContainer {
  DX_CLASS(TdxReportCellGraphic, TCustomdxReportCellImageContainer)

 public:
  explicit TdxReportCellGraphic(TdxReportCell* parent = nullptr) : TCustomdxReportCellImageContainer(parent) {}

  TRect GetImageBounds(TCanvas& dc) const override;
  TRect GetTextBounds(TCanvas& dc) const override { return {}; }
  bool HasText() const override { return false; }
  int MeasureContentHeight(TCanvas& dc) override { return PictureSize().cy; }
  int MeasureContentWidth(TCanvas& dc) override { return PictureSize().cx; }

  TdxPicturePlacement Placement() const {
    return TdxPicturePlacement(std::min(4u, FormatBits(dxFormatPlacement, dxFormatPlacementOffset)));
  }
  void SetPlacement(TdxPicturePlacement v) { SetFormatBits(dxFormatPlacement, dxFormatPlacementOffset, unsigned(v)); }
};

// The rectangle of a picture of size w x h placed in box.
TRect dxPlacePicture(const TRect& box, int w, int h, TdxPicturePlacement placement);

// ---- Expand buttons ------------------------------------------------------------

class TdxReportCellExpandButton : public TAbstractdxReportCellData {
  DX_CLASS(TdxReportCellExpandButton, TAbstractdxReportCellData)

 public:
  explicit TdxReportCellExpandButton(TdxReportCell* parent = nullptr);

  void Assign(const TdxReportItem& source) override;
  void ReadData(TdxReportReader& reader) override;
  void WriteData(TdxReportWriter& writer) const override;
  void Scale(int numerator, int denominator) override;
  void Draw(TCanvas& dc, int stage) override;

  // A square centred in the bounds (empty unless ShowButton), its side
  // ButtonSize rounded to a multiple of the line thickness.
  virtual TRect GetButtonBounds(TCanvas& dc) const;
  virtual void DrawButton(TCanvas& dc);
  virtual void DrawTreeLines(TCanvas& dc);

  TColor ButtonInteriorColor = clNone;
  int ButtonSize = 9;

  bool Button3D() const { return format_ & dxFormatButton3D; }
  void SetButton3D(bool v) { SetFormatFlag(dxFormatButton3D, v); }
  bool ButtonShadow() const { return format_ & dxFormatButtonShadow; }
  void SetButtonShadow(bool v) { SetFormatFlag(dxFormatButtonShadow, v); }
  bool Button3DSoft() const { return format_ & dxFormatButton3DSoft; }
  void SetButton3DSoft(bool v) { SetFormatFlag(dxFormatButton3DSoft, v); }
  bool Expanded() const { return format_ & dxFormatExpanded; }
  void SetExpanded(bool v) { SetFormatFlag(dxFormatExpanded, v); }
  bool ButtonTransparent() const { return format_ & dxFormatButtonTransparent; }
  void SetButtonTransparent(bool v) { SetFormatFlag(dxFormatButtonTransparent, v); }
  bool ButtonBorder() const { return format_ & dxFormatButtonBorder; }
  void SetButtonBorder(bool v) { SetFormatFlag(dxFormatButtonBorder, v); }
  bool ShowButton() const { return format_ & dxFormatShowButton; }
  void SetShowButton(bool v) { SetFormatFlag(dxFormatShowButton, v); }
  TdxTreeLineMode TreeLineMode() const {
    return TdxTreeLineMode(std::min(4u, FormatBits(dxFormatTreeLineMode, dxFormatTreeLineModeOffset)));
  }
  void SetTreeLineMode(TdxTreeLineMode v) {
    SetFormatBits(dxFormatTreeLineMode, dxFormatTreeLineModeOffset, unsigned(v));
  }
};

// value rounded to the nearest multiple of step (halves up); value for a
// step below 1.
int dxRoundToMultiple(int value, int step);
