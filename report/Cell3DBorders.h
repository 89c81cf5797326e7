// The 3-D cell borders: raised and sunken (hard or soft), twisted, etched and
// bumped, with their class operations.
#pragma once

#include "report/CellBorders.h"

// 3D borders: two rings, each in a top-left and a bottom-right colour. The
// brush of a pair is the system colour itself (the canvas resolves it).
class TdxPSCell3DBorderClassInfo : public TdxPSCellBorderClassInfo {
 public:
  using TdxPSCellBorderClassInfo::TdxPSCellBorderClassInfo;
  virtual TColor InnerBottomRightColor() const = 0;
  virtual TColor OuterBottomRightColor() const = 0;
  virtual TColor InnerTopLeftColor() const = 0;
  virtual TColor OuterTopLeftColor() const = 0;
  TColor InnerBottomRightBrush() const { return InnerBottomRightColor(); }
  TColor OuterBottomRightBrush() const { return OuterBottomRightColor(); }
  TColor InnerTopLeftBrush() const { return InnerTopLeftColor(); }
  TColor OuterTopLeftBrush() const { return OuterTopLeftColor(); }
};
using TdxPSCell3DBorderClass = const TdxPSCell3DBorderClassInfo*;

template <class T>
class TdxPSCell3DBorderMeta : public TdxPSCellBorderMeta<T, TdxPSCell3DBorderClassInfo> {
 public:
  using TdxPSCellBorderMeta<T, TdxPSCell3DBorderClassInfo>::TdxPSCellBorderMeta;
  TColor InnerBottomRightColor() const override { return T::InnerBottomRightColor(); }
  TColor OuterBottomRightColor() const override { return T::OuterBottomRightColor(); }
  TColor InnerTopLeftColor() const override { return T::InnerTopLeftColor(); }
  TColor OuterTopLeftColor() const override { return T::OuterTopLeftColor(); }
};

class TdxPSCustomCell3DBorder : public TdxPSCustomCellBorder {
 public:
  template <class T>
  using dxMetaClass = TdxPSCell3DBorderMeta<T>;
  DX_CLASS(TdxPSCustomCell3DBorder, TdxPSCustomCellBorder)

 public:
  static bool Is3D() { return true; }
  static bool IsSolid() { return false; }
  static int Thickness() { return 2; }
  static TdxClass BorderPainterClass();
  static TColor InnerBottomRightColor() { return clNone; }
  static TColor OuterBottomRightColor() { return clNone; }
  static TColor InnerTopLeftColor() { return clNone; }
  static TColor OuterTopLeftColor() { return clNone; }
};

class TdxPSCellRaisedBorder : public TdxPSCustomCell3DBorder {
  DX_CLASS(TdxPSCellRaisedBorder, TdxPSCustomCell3DBorder)

 public:
  static TColor InnerBottomRightColor() { return clBtnShadow; }
  static TColor OuterBottomRightColor() { return clWindowText; }
  static TColor InnerTopLeftColor() { return clBtnHighlight; }
  static TColor OuterTopLeftColor() { return clWindowText; }
};

class TdxPSCellRaisedSoftBorder : public TdxPSCellRaisedBorder {
  DX_CLASS(TdxPSCellRaisedSoftBorder, TdxPSCellRaisedBorder)

 public:
  static bool IsSoft() { return true; }
  static TColor InnerBottomRightColor() { return clBtnFace; }
};

class TdxPSCellSunkenBorder : public TdxPSCustomCell3DBorder {
  DX_CLASS(TdxPSCellSunkenBorder, TdxPSCustomCell3DBorder)

 public:
  static bool IsSunken() { return true; }
  static TColor InnerBottomRightColor() { return clBtnFace; }
  static TColor OuterBottomRightColor() { return clBtnHighlight; }
  static TColor InnerTopLeftColor() { return clBtnShadow; }
  static TColor OuterTopLeftColor() { return clWindowText; }
};

class TdxPSCellSunkenSoftBorder : public TdxPSCellSunkenBorder {
  DX_CLASS(TdxPSCellSunkenSoftBorder, TdxPSCellSunkenBorder)

 public:
  static bool IsSoft() { return true; }
  static TColor InnerTopLeftColor() { return clBtnFace; }
};

// Twisted borders: the inner ring one line right and down of the outer one.
class TdxPSCellTwistedBorder : public TdxPSCustomCell3DBorder {
  DX_CLASS(TdxPSCellTwistedBorder, TdxPSCustomCell3DBorder)

 public:
  static TdxClass BorderPainterClass();
};

class TdxPSCellEtchedBorder : public TdxPSCellTwistedBorder {
  DX_CLASS(TdxPSCellEtchedBorder, TdxPSCellTwistedBorder)

 public:
  static TColor InnerBottomRightColor() { return clBtnHighlight; }
  static TColor OuterBottomRightColor() { return clWindowText; }
  static TColor InnerTopLeftColor() { return clBtnHighlight; }
  static TColor OuterTopLeftColor() { return clWindowText; }
};

class TdxPSCellBumpedBorder : public TdxPSCellTwistedBorder {
  DX_CLASS(TdxPSCellBumpedBorder, TdxPSCellTwistedBorder)

 public:
  static TColor InnerBottomRightColor() { return clWindowText; }
  static TColor OuterBottomRightColor() { return clBtnHighlight; }
  static TColor InnerTopLeftColor() { return clWindowText; }
  static TColor OuterTopLeftColor() { return clBtnHighlight; }
};

// The 3D border class of cls when it is one; null otherwise.
TdxPSCell3DBorderClass dxAs3DBorderClass(TdxClass cls);
