// Cell border classes, their painters and fill patterns.
//
// Border classes and fill patterns are kinds without state: an item selects
// one by class reference and asks it through its class operations (the
// descriptor types below forward to the static members of the class). This
// file holds the family bases and the kinds every item needs by default:
// the flat borders (TdxPSCellUltraFlatBorder draws one line) with the plain
// painter, and the solid and 50% gray fill patterns. Further kinds join by
// deriving from the bases and registering under their class names.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "platform/Types.h"
#include "report/dxClasses.h"

class TCanvas;
class TCustomdxReportRenderer;
class TdxReportVisualItem;

// ---- Border classes ------------------------------------------------------------

class TdxPSCellBorderClassInfo : public TdxClassInfo {
 public:
  using TdxClassInfo::TdxClassInfo;
  virtual bool IsSoft() const = 0;
  virtual bool IsSunken() const = 0;
  virtual bool Is3D() const = 0;
  virtual bool IsSolid() const = 0;
  // Border thickness in line thicknesses.
  virtual int Thickness() const = 0;
  virtual TdxClass BorderPainterClass() const = 0;
  // How many line thicknesses the border of side (0 left, 1 top, 2 right,
  // 3 bottom) reaches outside the item's bounds. Flat kinds: T div 2 + 1 on
  // the near sides (left, top) and (T - 1) div 2 on the far sides; 3D kinds:
  // T div 2 and (T - 1) div 2. swapped exchanges the near and far rules.
  int GetBorderExtent(int side, bool swapped) const;
};
using TdxPSCellBorderClass = const TdxPSCellBorderClassInfo*;

// The descriptor of border class T. Families that add class operations
// derive their descriptor info from TdxPSCellBorderClassInfo and pass it as
// Base.
template <class T, class Base = TdxPSCellBorderClassInfo>
class TdxPSCellBorderMeta : public Base {
 public:
  using Base::Base;
  bool IsSoft() const override { return T::IsSoft(); }
  bool IsSunken() const override { return T::IsSunken(); }
  bool Is3D() const override { return T::Is3D(); }
  bool IsSolid() const override { return T::IsSolid(); }
  int Thickness() const override { return T::Thickness(); }
  TdxClass BorderPainterClass() const override { return T::BorderPainterClass(); }
};

class TdxPSCustomCellBorder : public TdxObject {
 public:
  template <class T>
  using dxMetaClass = TdxPSCellBorderMeta<T>;
  DX_CLASS(TdxPSCustomCellBorder, TdxObject)

 public:
  static bool IsSoft() { return false; }
  static bool IsSunken() { return false; }
  static bool Is3D() { return false; }
  static bool IsSolid() { return true; }
  static int Thickness() { return 0; }
  static TdxClass BorderPainterClass();
};

class TdxPSCellFlatBorder : public TdxPSCustomCellBorder {
  DX_CLASS(TdxPSCellFlatBorder, TdxPSCustomCellBorder)
};

class TdxPSCellUltraFlatBorder : public TdxPSCellFlatBorder {
  DX_CLASS(TdxPSCellUltraFlatBorder, TdxPSCellFlatBorder)

 public:
  static int Thickness() { return 1; }
};

// The border class of cls when it is one; null otherwise.
TdxPSCellBorderClass dxAsBorderClass(TdxClass cls);
// The border class registered under name; TdxPSCellUltraFlatBorder when the
// name is "nil", unknown or names no border class.
TdxPSCellBorderClass dxBorderClassByName(const std::string& name);
// The default border of every item.
TdxPSCellBorderClass dxDefaultBorderClass();

// ---- Border painters -----------------------------------------------------------

// Draws the sides and the shadow of one item at a time. The renderer keeps
// one instance per painter class.
class TdxPSCellBorderPainter : public TdxObject {
  DX_CLASS(TdxPSCellBorderPainter, TdxObject)

 public:
  TdxPSCellBorderPainter() = default;

  // The strip of rect that a line of width along side covers.
  static TRect GetEdgeBounds(const TRect& rect, int side, int width);
  // Moves each side present in sides inward by amount.
  static TRect InsetBySides(const TRect& rect, unsigned sides, int amount);
  // count nested rings of width on sides: left and top strips in topLeft,
  // then right and bottom strips in bottomRight (so they cover the corners).
  // Strips that are not visible on dc are skipped.
  void DrawFrame(TCanvas& dc, const TRect& rect, unsigned sides, TColor topLeft, TColor bottomRight, int width,
                 int count) const;
  // The shadow of depth to the right of and below rect; the two uncovered
  // corner squares take cornerColor (nothing for clNone).
  void DrawShadow(TCanvas& dc, const TRect& rect, TColor cornerColor, TColor shadowColor, int depth) const;

  virtual void Paint(TCanvas& dc);
  TdxPSCellBorderClass BorderClass() const;
  TdxReportVisualItem* Item() const { return item_; }
  TCustomdxReportRenderer* Renderer() const { return renderer_; }

  void SetRenderer(TCustomdxReportRenderer* renderer) { renderer_ = renderer; }
  void SetItem(TdxReportVisualItem* item) { item_ = item; }

 protected:
  // The shadow of the current item, when it has one.
  void DrawItemShadow(TCanvas& dc, const TRect& borderBounds) const;

 private:
  TCustomdxReportRenderer* renderer_ = nullptr;
  TdxReportVisualItem* item_ = nullptr;
};

// ---- Fill patterns -------------------------------------------------------------

class TdxPSFillPatternClassInfo : public TdxClassInfo {
 public:
  using TdxClassInfo::TdxClassInfo;
  // Rows of the 8 x 8 pattern, top to bottom: bit c of a row is column c; a
  // 1 bit is a background pixel, a 0 bit a foreground pixel. Empty: none.
  virtual std::span<const std::uint16_t> PatternBits() const = 0;
  virtual std::string PatternName() const = 0;
  virtual bool AlignsToDevice() const = 0;
  virtual bool ScalesForPrinter() const = 0;
  virtual bool IsSolid() const = 0;
  TSize PatternSize() const { return {8, 8}; }
};
using TdxPSFillPatternClass = const TdxPSFillPatternClassInfo*;

template <class T, class Base = TdxPSFillPatternClassInfo>
class TdxPSFillPatternMeta : public Base {
 public:
  using Base::Base;
  std::span<const std::uint16_t> PatternBits() const override { return T::PatternBits(); }
  std::string PatternName() const override { return T::PatternName(); }
  bool AlignsToDevice() const override { return T::AlignsToDevice(); }
  bool ScalesForPrinter() const override { return T::ScalesForPrinter(); }
  bool IsSolid() const override { return T::IsSolid(); }
};

class TdxPSFillPattern : public TdxObject {
 public:
  template <class T>
  using dxMetaClass = TdxPSFillPatternMeta<T>;
  DX_CLASS(TdxPSFillPattern, TdxObject)

 public:
  static std::span<const std::uint16_t> PatternBits() { return {}; }
  static std::string PatternName() { return ""; }
  static bool AlignsToDevice() { return true; }
  static bool ScalesForPrinter() { return true; }
  static bool IsSolid() { return false; }
};

class TdxPSSolidFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSSolidFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "Solid"; }
  static bool AlignsToDevice() { return false; }
  static bool ScalesForPrinter() { return false; }
  static bool IsSolid() { return true; }
};

class TdxPSGray50FillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSGray50FillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "50% Gray"; }
};

// The fill pattern class of cls when it is one; null otherwise.
TdxPSFillPatternClass dxAsFillPatternClass(TdxClass cls);
// The fill pattern registered under name; TdxPSSolidFillPattern when the name
// is "nil", unknown or names no fill pattern.
TdxPSFillPatternClass dxFillPatternClassByName(const std::string& name);
