// Cell border classes: the flat, ultra-flat, bold flat and null borders and
// the lookup of a border class by class reference or name.
//
// Border classes, edge patterns and fill patterns are kinds without state:
// an item selects one by class reference and asks it through its class
// operations (the descriptor types below forward to the static members of
// the class). The 3-D borders are in report/Cell3DBorders.h, the edge
// patterns in report/EdgePatterns.h, the border painters in
// report/CellBorderPainters.h and the fill patterns in report/FillPatterns.h.
#pragma once

#include <QImage>
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "platform/Types.h"
#include "platform/Canvas.h"
#include "report/ClassInfo.h"
#include "report/Singletons.h"

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

class TdxPSCellBoldFlatBorder : public TdxPSCellFlatBorder {
  DX_CLASS(TdxPSCellBoldFlatBorder, TdxPSCellFlatBorder)

 public:
  static int Thickness() { return 2; }
};

// Draws no lines (the shadow only).
class TdxPSCellNullBorder : public TdxPSCustomCellBorder {
  DX_CLASS(TdxPSCellNullBorder, TdxPSCustomCellBorder)

 public:
  static TdxClass BorderPainterClass();
};

// The border class of cls when it is one; null otherwise.
TdxPSCellBorderClass dxAsBorderClass(TdxClass cls);
// The border class registered under name; TdxPSCellUltraFlatBorder when the
// name is "nil", unknown or names no border class.
TdxPSCellBorderClass dxBorderClassByName(const std::string& name);
// The default border of every item.
TdxPSCellBorderClass dxDefaultBorderClass();

// Registers the fill patterns, the edge pattern and the border classes (in
// that order) for streams, and the shape items (report/ShapeItems.h). Runs
// once; called at start-up.
void dxPSRegisterBorderClasses();
