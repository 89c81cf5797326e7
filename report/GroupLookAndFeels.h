// The look-and-feels of report groups and their painters: a group's caption
// frame (null, standard, office and web looks), its font, colours and
// caption geometry, and the painter that draws a group in that look.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/Fonts.h"
#include "platform/Types.h"
#include "report/ClassInfo.h"
#include "report/Cell3DBorders.h"
#include "report/CellBorders.h"
#include "report/ItemFormat.h"

class TBitmap;
class TCanvas;
class TCustomImageList;
class TCustomdxReportRenderer;
class TdxReportReader;
class TdxReportWriter;
class TdxReportCell;
class TdxReportCells;
class TdxReportGroup;
class TAbstractdxReportCellData;
class TdxPSReportGroupLookAndFeel;

// ---- Group look-and-feels ------------------------------------------------------

class TdxPSReportGroupLookAndFeelClassInfo : public TdxClassInfo {
 public:
  using TdxClassInfo::TdxClassInfo;
  virtual TdxPSCellBorderClass DefaultBorderClass() const = 0;
  virtual TdxItemSides DefaultSides() const = 0;
  virtual std::string DisplayName() const = 0;
  virtual TdxClass PainterClass() const = 0;
};
using TdxPSReportGroupLookAndFeelClass = const TdxPSReportGroupLookAndFeelClassInfo*;

template <class T, class Base = TdxPSReportGroupLookAndFeelClassInfo>
class TdxPSReportGroupLookAndFeelMeta : public Base {
 public:
  using Base::Base;
  TdxPSCellBorderClass DefaultBorderClass() const override { return T::DefaultBorderClass(); }
  TdxItemSides DefaultSides() const override { return T::DefaultSides(); }
  std::string DisplayName() const override { return T::DisplayName(); }
  TdxClass PainterClass() const override { return T::PainterClass(); }
};

class TdxPSReportGroupLookAndFeel : public TdxObject {
 public:
  template <class T>
  using dxMetaClass = TdxPSReportGroupLookAndFeelMeta<T>;
  DX_CLASS(TdxPSReportGroupLookAndFeel, TdxObject)

 public:
  TdxPSReportGroupLookAndFeel() = default;
  TdxPSReportGroupLookAndFeel(const TdxPSReportGroupLookAndFeel&) = delete;
  TdxPSReportGroupLookAndFeel& operator=(const TdxPSReportGroupLookAndFeel&) = delete;

  // Class operations (through LookAndFeelClass() for an object).
  // TdxPSCellEtchedBorder when that class is registered, else the default
  // one-line border.
  static TdxPSCellBorderClass DefaultBorderClass();
  static TdxItemSides DefaultSides() { return dxFormatSides; }
  static std::string DisplayName() { return ""; }
  static TdxClass PainterClass() { return nullptr; }
  TdxPSReportGroupLookAndFeelClass LookAndFeelClass() const;

  virtual void Assign(const TdxPSReportGroupLookAndFeel& source);
  // Caption height and indent (Web: also the separator thickness).
  virtual void Scale(int numerator, int denominator);
  virtual void ReadData(TdxReportReader& reader);
  virtual void WriteData(TdxReportWriter& writer) const;
  virtual int GetBorderThickness(const TdxReportGroup& group, int side) const;
  virtual int BorderThickness() const { return 0; }
  // Color, or the document's GroupColor for clDefault.
  virtual TColor GetColor() const;
  virtual void SetBorderThickness(int value) {}
  virtual int GetCaptionAreaHeight() const { return CaptionHeight(); }
  virtual TColor GetCaptionColor() const { return GetColor(); }
  virtual int CaptionHeight() const { return captionHeight_; }
  virtual int CaptionIndent() const { return captionIndent_; }
  virtual TRect GetCaptionBounds(const TdxReportGroup& group) const;
  virtual TRect GetCaptionLeftRestBounds(const TdxReportGroup& group) const;
  virtual TRect GetCaptionRightRestBounds(const TdxReportGroup& group) const;
  virtual TRect GetCaptionTextBounds(const TdxReportGroup& group) const;
  // CaptionHeight := the height of one line of the caption font.
  virtual void Prepare(TCanvas& dc);
  // Draws the group's frame and caption with the renderer's painter.
  void Paint(TCanvas& dc, TdxReportGroup& group);

  // The caption font: CaptionFontIndex, else FontIndex, of the pool; none
  // when both are -1.
  const TFont* CaptionFont() const;

  void SetCaptionHeight(int value) { captionHeight_ = value; }
  int CaptionFontIndex() const { return captionFontIndex_; }
  void SetCaptionFontIndex(int value) { captionFontIndex_ = value < -1 ? -1 : value; }
  void SetCaptionIndent(int value) { captionIndent_ = value; }
  TColor Color() const { return color_; }
  void SetColor(TColor color);
  int FontIndex() const { return fontIndex_; }
  void SetFontIndex(int value) { fontIndex_ = value < -1 ? -1 : value; }
  TdxReportCells* ReportCells() const { return reportCells_; }
  void SetReportCells(TdxReportCells* cells) { reportCells_ = cells; }

  std::int32_t Data = 0;

 protected:
  TCustomdxReportRenderer* Renderer() const;
  int LineThickness() const;

 private:
  int captionHeight_ = 0;
  int captionFontIndex_ = -1;
  int captionIndent_ = 5;
  TColor color_ = clBtnFace;
  int fontIndex_ = -1;
  TdxReportCells* reportCells_ = nullptr;
};

class TdxPSReportGroupNullLookAndFeel : public TdxPSReportGroupLookAndFeel {
  DX_CLASS(TdxPSReportGroupNullLookAndFeel, TdxPSReportGroupLookAndFeel)

 public:
  static TdxPSCellBorderClass DefaultBorderClass() { return dxDefaultBorderClass(); }
  static TdxItemSides DefaultSides() { return 0; }
  static std::string DisplayName() { return "Null"; }
  static TdxClass PainterClass();
  int BorderThickness() const override { return 1; }
  int CaptionHeight() const override { return 0; }
};

class TdxPSReportGroupStandardLookAndFeel : public TdxPSReportGroupLookAndFeel {
  DX_CLASS(TdxPSReportGroupStandardLookAndFeel, TdxPSReportGroupLookAndFeel)

 public:
  static std::string DisplayName() { return "Standard"; }
  static TdxClass PainterClass();
};

class TdxPSReportGroupOfficeLookAndFeel : public TdxPSReportGroupStandardLookAndFeel {
  DX_CLASS(TdxPSReportGroupOfficeLookAndFeel, TdxPSReportGroupStandardLookAndFeel)

 public:
  static TdxItemSides DefaultSides() { return isdTop; }
  static std::string DisplayName() { return "Office"; }
  int CaptionIndent() const override { return 0; }
};

class TdxPSReportGroupWebLookAndFeel : public TdxPSReportGroupLookAndFeel {
  DX_CLASS(TdxPSReportGroupWebLookAndFeel, TdxPSReportGroupLookAndFeel)

 public:
  static TdxPSCellBorderClass DefaultBorderClass() { return dxDefaultBorderClass(); }
  static std::string DisplayName() { return "Web"; }
  static TdxClass PainterClass();

  void Assign(const TdxPSReportGroupLookAndFeel& source) override;
  void Scale(int numerator, int denominator) override;
  void ReadData(TdxReportReader& reader) override;
  void WriteData(TdxReportWriter& writer) const override;
  int GetBorderThickness(const TdxReportGroup& group, int side) const override;
  int BorderThickness() const override { return borderThickness_; }
  void SetBorderThickness(int value) override { borderThickness_ = value < 0 ? 0 : value; }
  int GetCaptionAreaHeight() const override { return CaptionHeight() + captionSeparatorThickness_; }
  TColor GetCaptionColor() const override;
  TRect GetCaptionBounds(const TdxReportGroup& group) const override;
  TRect GetCaptionLeftRestBounds(const TdxReportGroup& group) const override { return {}; }
  TRect GetCaptionRightRestBounds(const TdxReportGroup& group) const override { return {}; }
  TRect GetCaptionTextBounds(const TdxReportGroup& group) const override { return GetCaptionBounds(group); }
  virtual TColor GetBorderColor() const;
  virtual TColor GetCaptionSeparatorColor() const;
  virtual TRect GetCaptionSeparatorBounds(const TdxReportGroup& group) const;

  TColor BorderColor() const { return borderColor_; }
  void SetBorderColor(TColor color);
  TColor CaptionColor() const { return captionColor_; }
  void SetCaptionColor(TColor color);
  TColor CaptionSeparatorColor() const { return captionSeparatorColor_; }
  void SetCaptionSeparatorColor(TColor color);
  int CaptionSeparatorThickness() const { return captionSeparatorThickness_; }
  void SetCaptionSeparatorThickness(int value) { captionSeparatorThickness_ = value < 0 ? 0 : value; }

 private:
  TColor borderColor_ = clDefault;
  int borderThickness_ = 1;
  TColor captionColor_ = clDefault;
  TColor captionSeparatorColor_ = clDefault;
  int captionSeparatorThickness_ = 0;
};

// ---- Look-and-feel painters ----------------------------------------------------

class TdxPSReportGroupLookAndFeelPainter : public TdxObject {
  DX_CLASS(TdxPSReportGroupLookAndFeelPainter, TdxObject)

 public:
  TdxPSReportGroupLookAndFeelPainter() = default;
  virtual void DrawBorders(TCanvas& dc);
  virtual void DrawCaptionText(TCanvas& dc);
  virtual void Initialize(TdxPSReportGroupLookAndFeel* lookAndFeel, TdxReportGroup* group);
  virtual void Paint(TCanvas& dc) {}
  TdxReportGroup* Group() const { return group_; }
  TdxPSReportGroupLookAndFeel* LookAndFeel() const { return lookAndFeel_; }
  TCustomdxReportRenderer* Renderer() const { return renderer_; }
  void SetRenderer(TCustomdxReportRenderer* renderer) { renderer_ = renderer; }

 private:
  TCustomdxReportRenderer* renderer_ = nullptr;
  TdxPSReportGroupLookAndFeel* lookAndFeel_ = nullptr;
  TdxReportGroup* group_ = nullptr;
};

class TdxPSReportGroupNullLookAndFeelPainter : public TdxPSReportGroupLookAndFeelPainter {
  DX_CLASS(TdxPSReportGroupNullLookAndFeelPainter, TdxPSReportGroupLookAndFeelPainter)
};

class TdxPSReportGroupStandardLookAndFeelPainter : public TdxPSReportGroupLookAndFeelPainter {
  DX_CLASS(TdxPSReportGroupStandardLookAndFeelPainter, TdxPSReportGroupLookAndFeelPainter)

 public:
  void Paint(TCanvas& dc) override;
  virtual void DrawCaptionRest(TCanvas& dc);
};

class TdxPSReportGroupWebLookAndFeelPainter : public TdxPSReportGroupLookAndFeelPainter {
  DX_CLASS(TdxPSReportGroupWebLookAndFeelPainter, TdxPSReportGroupLookAndFeelPainter)

 public:
  void DrawBorders(TCanvas& dc) override;
  void Paint(TCanvas& dc) override;
  virtual void DrawCaptionSeparator(TCanvas& dc);
};
