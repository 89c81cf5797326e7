// The check items of the report tree: check boxes, radio buttons, the buttons
// of a group, check boxes with an image, and radio groups (groups whose radio
// buttons are their data items).
#pragma once

#include <string>

#include "report/DataItems.h"

class TdxReportRadioGroup;

// ---- Check boxes and radio buttons ---------------------------------------------

class TdxCustomReportCellCheck : public TdxReportCellImageContainer {
  DX_CLASS(TdxCustomReportCellCheck, TdxReportCellImageContainer)

 public:
  explicit TdxCustomReportCellCheck(TdxReportCell* parent = nullptr);

  TRect GetImageAreaBounds(TCanvas& dc) const override;
  TRect GetImageBounds(TCanvas& dc) const override { return GetCheckBounds(dc); }
  TRect GetTextBounds(TCanvas& dc) const override;
  void GetImageSize(int& width, int& height) const override;
  bool HasImage() const override { return true; }
  bool NeedsImageAreaBackground() const override { return !Transparent() && !HasBackgroundBitmap(); }
  void DrawImage(TCanvas& dc) override { DrawCheck(dc); }
  int MeasureContentHeight(TCanvas& dc) override;
  int MeasureContentWidth(TCanvas& dc) override;

  // The glyph centred in the check area, snapped to device pixels.
  virtual TRect GetCheckBounds(TCanvas& dc) const;
  virtual bool IsRadio() const { return false; }
  virtual void SetChecked(bool value) { SetFormatFlag(dxFormatCheckChecked, value); }
  virtual void DrawCheck(TCanvas& dc);

  bool Checked() const { return format_ & dxFormatCheckChecked; }
  bool Enabled() const { return format_ & dxFormatCheckEnabled; }
  void SetEnabled(bool v) { SetFormatFlag(dxFormatCheckEnabled, v); }
  TdxCheckEdgeStyle CheckEdgeStyle() const {
    return TdxCheckEdgeStyle(std::min(5u, FormatBits(dxFormatCheckEdgeStyle, dxFormatCheckEdgeStyleOffset)));
  }
  void SetCheckEdgeStyle(TdxCheckEdgeStyle v) {
    SetFormatBits(dxFormatCheckEdgeStyle, dxFormatCheckEdgeStyleOffset, unsigned(v));
  }
  TdxCheckPos CheckPos() const { return TdxCheckPos(std::min(2u, FormatBits(dxFormatCheckPos, dxFormatCheckPosOffset))); }
  // ccpCenter also clears the text.
  void SetCheckPos(TdxCheckPos v);

 protected:
  // The glyph size in screen pixels (0 x 0: no glyph).
  virtual TSize GlyphPixelSize() const { return {dxCheckGlyphSize, dxCheckGlyphSize}; }
};

class TdxReportCellCheck : public TdxCustomReportCellCheck {
  DX_CLASS(TdxReportCellCheck, TdxCustomReportCellCheck)

 public:
  explicit TdxReportCellCheck(TdxReportCell* parent = nullptr) : TdxCustomReportCellCheck(parent) {}
};

class TdxCustomReportCellRadio : public TdxReportCellCheck {
  DX_CLASS(TdxCustomReportCellRadio, TdxReportCellCheck)

 public:
  explicit TdxCustomReportCellRadio(TdxReportCell* parent = nullptr) : TdxReportCellCheck(parent) {}
  bool IsRadio() const override { return true; }
};

class TdxReportCellRadio : public TdxCustomReportCellRadio {
  DX_CLASS(TdxReportCellRadio, TdxCustomReportCellRadio)

 public:
  explicit TdxReportCellRadio(TdxReportCell* parent = nullptr) : TdxCustomReportCellRadio(parent) {}
};

// A button of a radio group: checking it selects it in its group.
class TdxReportCellGroupButton : public TdxCustomReportCellRadio {
  DX_CLASS(TdxReportCellGroupButton, TdxCustomReportCellRadio)

 public:
  explicit TdxReportCellGroupButton(TdxReportCell* parent = nullptr) : TdxCustomReportCellRadio(parent) {}
  void SetChecked(bool value) override;
  // The radio group that holds the button (none elsewhere).
  TdxReportRadioGroup* Group() const;
  // Position among the group's buttons; -1 outside a group.
  int ButtonIndex() const;
};

// A check box drawn with a bitmap of glyph cells instead of a box.
class TdxReportCellCheckImage : public TdxReportCellCheck {
  DX_CLASS(TdxReportCellCheckImage, TdxReportCellCheck)

 public:
  explicit TdxReportCellCheckImage(TdxReportCell* parent = nullptr);
  ~TdxReportCellCheckImage() override;

  void Assign(const TdxReportItem& source) override;
  void ReadData(TdxReportReader& reader) override;
  void WriteData(TdxReportWriter& writer) const override;
  void DrawCheck(TCanvas& dc) override;

  // 0 enabled and unchecked, 1 enabled and checked, 2 disabled; at most
  // GlyphCount - 1.
  virtual int GetGlyphIndex() const;
  virtual void DrawGlyph(TCanvas& dc);

  // The glyph bitmap, created on first access.
  TBitmap& Glyph();
  bool HasGlyph() const { return glyph_ && !glyph_->Empty(); }
  int GlyphCount() const;
  // Clamped to 1..6.
  void SetGlyphCount(int count);

 protected:
  TSize GlyphPixelSize() const override;

 private:
  std::unique_ptr<TBitmap> glyph_;
};
// ---- Radio groups --------------------------------------------------------------

class TdxReportRadioGroup : public TdxReportGroup {
  DX_CLASS(TdxReportRadioGroup, TdxReportGroup)

 public:
  explicit TdxReportRadioGroup(TdxReportCell* parent = nullptr);

  void Assign(const TdxReportItem& source) override;
  void ReadData(TdxReportReader& reader) override;
  void WriteData(TdxReportWriter& writer) const override;
  void Scale(int numerator, int denominator) override;
  int MeasureContentHeight(TCanvas& dc) override;
  int MeasureContentWidth(TCanvas& dc) override;

  virtual void InitializeButton(TdxReportCellGroupButton& button);
  virtual TdxClass ButtonClass() const { return TdxReportCellGroupButton::StaticClass(); }
  // Places the buttons column by column in the group (nothing without
  // buttons or room).
  virtual void LayoutButtons(TCanvas& dc);

  // A new button with text, bounds (0, 0, -1, 0), initialised from the group.
  TdxReportCellGroupButton* Add(const std::string& text);
  int ButtonCount() const;
  // Raises EdxPrintEngine out of range.
  TdxReportCellGroupButton* Buttons(int index) const;
  int IndexOfButton(const TdxReportCellGroupButton* button) const;
  // The first checked button; -1 for none.
  int ItemIndex() const;
  // Clamped to -1..count-1; unchecks the old button and checks the new one.
  void SetItemIndex(int index);
  int RowCount() const;

  TdxCheckEdgeStyle CheckEdgeStyle() const {
    return TdxCheckEdgeStyle(std::min(5u, FormatBits(dxFormatCheckEdgeStyle, dxFormatCheckEdgeStyleOffset)));
  }
  // Also sets every button's.
  void SetCheckEdgeStyle(TdxCheckEdgeStyle v);
  TdxCheckPos CheckPos() const { return TdxCheckPos(std::min(2u, FormatBits(dxFormatCheckPos, dxFormatCheckPosOffset))); }
  // ccpCenter also clears every button's text.
  void SetCheckPos(TdxCheckPos v);

  int ColumnCount() const { return columnCount_; }
  void SetColumnCount(int v) { columnCount_ = v < 1 ? 1 : v; }
  int InterColumnsMinSpace() const { return interColumnsMinSpace_; }
  void SetInterColumnsMinSpace(int v) { interColumnsMinSpace_ = v < 0 ? 0 : v; }
  int InterRowsMinSpace() const { return interRowsMinSpace_; }
  void SetInterRowsMinSpace(int v) { interRowsMinSpace_ = v < 0 ? 0 : v; }
  const TRect& ButtonsRegionMargins() const { return margins_; }
  void SetButtonsRegionMargins(const TRect& v);
  // Computed by LayoutButtons.
  int MaxButtonWidth() const { return maxButtonWidth_; }
  int ButtonHeight() const { return buttonHeight_; }

 protected:
  void BeginReadDataItems() override { ++indexLock_; }
  void EndReadDataItems() override { --indexLock_; }

 private:
  friend class TdxReportCellGroupButton;
  int columnCount_ = 1;
  int interColumnsMinSpace_ = 1;
  int interRowsMinSpace_ = 1;
  TRect margins_{2, 2, 2, 2};
  int maxButtonWidth_ = 0;
  int buttonHeight_ = 0;
  int indexLock_ = 0;
};
