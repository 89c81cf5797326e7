// Cell border classes, their painters and fill patterns.
//
// Border classes, edge patterns and fill patterns are kinds without state:
// an item selects one by class reference and asks it through its class
// operations (the descriptor types below forward to the static members of
// the class). Border painters draw the sides and the shadow of one item at a
// time; the renderer keeps one of each painter class. The fill and edge
// pattern factories hold the registered patterns and the brushes built from
// them for the screen and the printer.
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

// ---- Edge patterns -------------------------------------------------------------

// A border class that also describes a line pattern: one 32-bit word for the
// even lines (index 0) and one for the odd lines (index 1).
class TdxPSEdgePatternClassInfo : public TdxPSCellBorderClassInfo {
 public:
  using TdxPSCellBorderClassInfo::TdxPSCellBorderClassInfo;
  virtual std::uint32_t PatternBits(int index) const = 0;
  virtual std::string PatternName() const = 0;
  virtual bool AlignsToDevice() const = 0;
  virtual bool ScalesForPrinter() const = 0;
  virtual int PatternSize() const = 0;
};
using TdxPSEdgePatternClass = const TdxPSEdgePatternClassInfo*;

template <class T>
class TdxPSEdgePatternMeta : public TdxPSCellBorderMeta<T, TdxPSEdgePatternClassInfo> {
 public:
  using TdxPSCellBorderMeta<T, TdxPSEdgePatternClassInfo>::TdxPSCellBorderMeta;
  std::uint32_t PatternBits(int index) const override { return T::PatternBits(index); }
  std::string PatternName() const override { return T::PatternName(); }
  bool AlignsToDevice() const override { return T::AlignsToDevice(); }
  bool ScalesForPrinter() const override { return T::ScalesForPrinter(); }
  int PatternSize() const override { return T::PatternSize(); }
};

class TdxPSEdgePattern : public TdxPSCustomCellBorder {
 public:
  template <class T>
  using dxMetaClass = TdxPSEdgePatternMeta<T>;
  DX_CLASS(TdxPSEdgePattern, TdxPSCustomCellBorder)

 public:
  static bool IsSolid() { return false; }
  static std::uint32_t PatternBits(int) { return 0; }
  static std::string PatternName() { return ""; }
  static bool AlignsToDevice() { return true; }
  static bool ScalesForPrinter() { return true; }
  static int PatternSize() { return 8; }
};

// Drawn by the plain painter as a one-line border.
class TdxPSSolidEdgePattern : public TdxPSEdgePattern {
  DX_CLASS(TdxPSSolidEdgePattern, TdxPSEdgePattern)

 public:
  static int Thickness() { return 1; }
  static bool IsSolid() { return true; }
  static std::uint32_t PatternBits(int) { return 0xFFFFFFFFu; }
  static std::string PatternName() { return "Solid"; }
  static bool AlignsToDevice() { return false; }
  static bool ScalesForPrinter() { return false; }
};

TdxPSEdgePatternClass dxAsEdgePatternClass(TdxClass cls);

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

// Draws no sides; the shadow as the plain painter does.
class TdxPSCellNullBorderPainter : public TdxPSCellBorderPainter {
  DX_CLASS(TdxPSCellNullBorderPainter, TdxPSCellBorderPainter)

 public:
  void Paint(TCanvas& dc) override;
};

// Two rings of width t: the outer pair of colours, then the inner pair.
class TdxPSCell3DBorderPainter : public TdxPSCellBorderPainter {
  DX_CLASS(TdxPSCell3DBorderPainter, TdxPSCellBorderPainter)

 public:
  void Paint(TCanvas& dc) override;
  virtual void DrawBorder(TCanvas& dc, const TRect& rect, unsigned sides, TColor outerTopLeft,
                          TColor outerBottomRight, TColor innerTopLeft, TColor innerBottomRight, int width) const;
  // DrawBorder with the four colours of borderClass (nothing when it is no
  // 3D class).
  void DrawBorders(TCanvas& dc, const TRect& rect, unsigned sides, TdxPSCellBorderClass borderClass,
                   int width) const;
};

// The inner ring at (Left + t, Top + t, Right, Bottom), then the outer ring
// at (Left, Top, Right - t, Bottom - t).
class TdxPSCellTwistedBorderPainter : public TdxPSCell3DBorderPainter {
  DX_CLASS(TdxPSCellTwistedBorderPainter, TdxPSCell3DBorderPainter)

 public:
  void DrawBorder(TCanvas& dc, const TRect& rect, unsigned sides, TColor outerTopLeft, TColor outerBottomRight,
                  TColor innerTopLeft, TColor innerBottomRight, int width) const override;
};

// The renderer's frame primitive for custom drawing. Kind 0: one ring of
// width t on sides in color (-1: the document's border color, which the
// caller resolves before). Kind 1: the raised (edgeStyle 0) or sunken
// (edgeStyle 1) 3D border, soft when soft is set. Other kinds and edge
// styles draw nothing.
void dxDrawBorderEdge(TCustomdxReportRenderer& renderer, TCanvas& dc, const TRect& rect, TColor color, bool soft,
                      unsigned sides, int edgeStyle, int kind);

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

class TdxPSHorizontalFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSHorizontalFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "Horizontal"; }
};

class TdxPSVerticalFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSVerticalFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "Vertical"; }
};

class TdxPSFDiagonalFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSFDiagonalFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "FDiagonal"; }
};

class TdxPSBDiagonalFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSBDiagonalFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "BDiagonal"; }
};

class TdxPSCrossFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSCrossFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "Cross"; }
};

class TdxPSDiagCrossFillPattern : public TdxPSFillPattern {
  DX_CLASS(TdxPSDiagCrossFillPattern, TdxPSFillPattern)

 public:
  static std::span<const std::uint16_t> PatternBits();
  static std::string PatternName() { return "DiagCros"; }
};

// ---- Pattern factories ---------------------------------------------------------

// The brush of one fill pattern for one target: a monochrome bitmap (white
// pixels take the fill's background colour, black ones its foreground).
class TdxPSFillPatternItem {
 public:
  // printerPixelsPerInch > 0: the printer item, stretched by that resolution
  // over the screen's when the pattern scales for the printer.
  TdxPSFillPatternItem(TdxPSFillPatternClass pattern, int printerPixelsPerInch);
  TdxPSFillPatternClass Pattern() const { return pattern_; }
  const QImage& Bitmap() const { return brush_.Bitmap; }
  const TBrush& Brush() const { return brush_; }

 private:
  TdxPSFillPatternClass pattern_;
  TBrush brush_;
};

// The two brushes of an edge pattern: for horizontal and for vertical edges.
class TdxPSEdgePatternItem {
 public:
  TdxPSEdgePatternItem(TdxPSEdgePatternClass pattern, int printerPixelsPerInch);
  TdxPSEdgePatternClass Pattern() const { return pattern_; }
  const TBrush& HorzBrush() const { return horz_; }
  const TBrush& VertBrush() const { return vert_; }

 private:
  TdxPSEdgePatternClass pattern_;
  TBrush horz_;
  TBrush vert_;
};

// Registered fill patterns (in order of registration, the built-in ones
// first) with their screen and printer items, built on first request.
class TdxPSFillPatternFactory : public TBasedxPSSingleton {
  DX_SINGLETON(TdxPSFillPatternFactory, TBasedxPSSingleton)

 public:
  // Appends the pattern (once) and registers it for streams.
  void Register(TdxPSFillPatternClass pattern);
  // Removes the pattern and frees its items.
  void Unregister(TdxPSFillPatternClass pattern);
  int Count() const { return int(patterns_.size()); }
  TdxPSFillPatternClass Patterns(int index) const;  // null out of range
  int IndexOf(TdxPSFillPatternClass pattern) const;
  // The item of pattern for the screen or the printer; null for no pattern.
  // Raises EdxPrintEngine "Pattern "%s" is not registered".
  TdxPSFillPatternItem* GetItem(TdxPSFillPatternClass pattern, bool forPrinter);
  // Frees every printer item (rebuilt on next request).
  void ResetPrinterItems();
  // Vertical pixels per inch of the print device the printer items are
  // built for (the screen's until set).
  void SetPrinterPixelsPerInch(int ppi) { printerPPI_ = ppi; }
  int PrinterPixelsPerInch() const { return printerPPI_; }

 protected:
  void InitializeInstance() override;
  void FinalizeInstance() override;

 private:
  std::vector<TdxPSFillPatternClass> patterns_;
  std::vector<std::unique_ptr<TdxPSFillPatternItem>> screenItems_;
  std::vector<std::unique_ptr<TdxPSFillPatternItem>> printerItems_;
  int printerPPI_ = 0;
};

class TdxPSEdgePatternFactory : public TBasedxPSSingleton {
  DX_SINGLETON(TdxPSEdgePatternFactory, TBasedxPSSingleton)

 public:
  // Appends the pattern (once) and registers it for streams.
  void Register(TdxPSEdgePatternClass pattern);
  void Unregister(TdxPSEdgePatternClass pattern);
  int Count() const { return int(patterns_.size()); }
  TdxPSEdgePatternClass Patterns(int index) const;
  int IndexOf(TdxPSEdgePatternClass pattern) const;
  // Raises EdxPrintEngine "Pattern "%s" is not registered"; null for none.
  TdxPSEdgePatternItem* GetItem(TdxPSEdgePatternClass pattern, bool forPrinter);
  void ResetPrinterItems();
  void SetPrinterPixelsPerInch(int ppi) { printerPPI_ = ppi; }

 protected:
  void InitializeInstance() override;
  void FinalizeInstance() override;

 private:
  std::vector<TdxPSEdgePatternClass> patterns_;
  std::vector<std::unique_ptr<TdxPSEdgePatternItem>> screenItems_;
  std::vector<std::unique_ptr<TdxPSEdgePatternItem>> printerItems_;
  int printerPPI_ = 0;
};

// Registers the fill patterns, the edge pattern and the border classes (in
// that order) for streams, and the shape items (report/ShapeItems.h). Runs
// once; called at start-up.
void dxPSRegisterBorderClasses();
