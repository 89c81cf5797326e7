// Shape data items: ellipse, circle, rectangle, square and rounded
// rectangles, as the container report link produces them for shape
// controls. A shape draws an outline ShapeBorderThickness lines wide and
// fills the inside with its content pattern (ShapeColor on ContentBkColor);
// it draws no item background and no item borders.
#pragma once

#include <string>

#include "report/CellBorders.h"
#include "report/FillPatterns.h"
#include "report/DataItems.h"
#include "report/ClassFactories.h"

class TdxReportCellShapeClassInfo : public TdxClassInfo {
 public:
  using TdxClassInfo::TdxClassInfo;
  virtual std::string ShapeName() const = 0;
};

template <class T>
class TdxReportCellShapeMeta : public TdxReportCellShapeClassInfo {
 public:
  using TdxReportCellShapeClassInfo::TdxReportCellShapeClassInfo;
  std::string ShapeName() const override { return T::ShapeName(); }
};

class TCustomdxReportCellShape : public TAbstractdxReportCellData {
 public:
  template <class T>
  using dxMetaClass = TdxReportCellShapeMeta<T>;
  DX_CLASS(TCustomdxReportCellShape, TAbstractdxReportCellData)

 public:
  explicit TCustomdxReportCellShape(TdxReportCell* parent = nullptr) : TAbstractdxReportCellData(parent) {}

  static std::string ShapeName() { return ""; }

  void Assign(const TdxReportItem& source) override;
  void ReadData(TdxReportReader& reader) override;
  void WriteData(TdxReportWriter& writer) const override;
  void Draw(TCanvas& dc, int stage) override;
  TColor GetContentBkColor() const override { return contentBkColor_; }
  TdxPSFillPatternClass GetContentPattern() const override { return contentPattern_; }
  void SetContentBkColor(TColor color) override { contentBkColor_ = color; }
  void SetContentPattern(TdxPSFillPatternClass pattern) override { contentPattern_ = pattern; }

  // (Left + Width div 2, Top + Height div 2) in the parent's coordinates.
  virtual TPoint GetShapeCenter() const;
  virtual int GetShapeHeight() const { return Height(); }
  // GetShapeWidth x GetShapeHeight around the centre.
  virtual TRect GetShapeBounds() const;
  virtual int GetShapeWidth() const { return Width(); }

  TColor ShapeBorderColor() const { return shapeBorderColor_; }
  void SetShapeBorderColor(TColor color) { shapeBorderColor_ = color; }
  int ShapeBorderThickness() const { return shapeBorderThickness_; }
  void SetShapeBorderThickness(int value);  // below 0: 0
  TColor ShapeColor() const { return shapeColor_; }
  void SetShapeColor(TColor color) { shapeColor_ = color; }

 protected:
  // Draws the figure in bounds: outline width w, then the inside.
  virtual void DrawShape(TCanvas& dc, const TRect& bounds, int w) {}
  // The brush of the content pattern on dc (pattern brushes need the text
  // and background colours set); bsClear without a pattern.
  TBrush ContentBrush(TCanvas& dc, const TRect& bounds) const;

 private:
  TColor contentBkColor_ = 0;
  TdxPSFillPatternClass contentPattern_ = nullptr;
  TColor shapeBorderColor_ = 0;
  int shapeBorderThickness_ = 1;
  TColor shapeColor_ = 0;
};

class TCustomdxReportCellEllipseShape : public TCustomdxReportCellShape {
  DX_CLASS(TCustomdxReportCellEllipseShape, TCustomdxReportCellShape)

 public:
  explicit TCustomdxReportCellEllipseShape(TdxReportCell* parent = nullptr) : TCustomdxReportCellShape(parent) {}

 protected:
  void DrawShape(TCanvas& dc, const TRect& bounds, int w) override;
};

class TdxReportCellEllipse : public TCustomdxReportCellEllipseShape {
  DX_CLASS(TdxReportCellEllipse, TCustomdxReportCellEllipseShape)

 public:
  explicit TdxReportCellEllipse(TdxReportCell* parent = nullptr) : TCustomdxReportCellEllipseShape(parent) {}
  static std::string ShapeName() { return "Ellipse"; }
};

class TdxReportCellCircle : public TCustomdxReportCellEllipseShape {
  DX_CLASS(TdxReportCellCircle, TCustomdxReportCellEllipseShape)

 public:
  explicit TdxReportCellCircle(TdxReportCell* parent = nullptr) : TCustomdxReportCellEllipseShape(parent) {}
  static std::string ShapeName() { return "Circle"; }
  int GetShapeHeight() const override { return std::min(Width(), Height()); }
  int GetShapeWidth() const override { return std::min(Width(), Height()); }
};

class TCustomdxReportCellRectangle : public TCustomdxReportCellShape {
  DX_CLASS(TCustomdxReportCellRectangle, TCustomdxReportCellShape)

 public:
  explicit TCustomdxReportCellRectangle(TdxReportCell* parent = nullptr) : TCustomdxReportCellShape(parent) {}

 protected:
  void DrawShape(TCanvas& dc, const TRect& bounds, int w) override;
};

class TdxReportCellRectangle : public TCustomdxReportCellRectangle {
  DX_CLASS(TdxReportCellRectangle, TCustomdxReportCellRectangle)

 public:
  explicit TdxReportCellRectangle(TdxReportCell* parent = nullptr) : TCustomdxReportCellRectangle(parent) {}
  static std::string ShapeName() { return "Rectangle"; }
};

class TdxReportCellSquare : public TCustomdxReportCellRectangle {
  DX_CLASS(TdxReportCellSquare, TCustomdxReportCellRectangle)

 public:
  explicit TdxReportCellSquare(TdxReportCell* parent = nullptr) : TCustomdxReportCellRectangle(parent) {}
  static std::string ShapeName() { return "Square"; }
  int GetShapeHeight() const override { return std::min(Width(), Height()); }
  int GetShapeWidth() const override { return std::min(Width(), Height()); }
};

class TdxReportCellRoundRect : public TCustomdxReportCellRectangle {
  DX_CLASS(TdxReportCellRoundRect, TCustomdxReportCellRectangle)

 public:
  explicit TdxReportCellRoundRect(TdxReportCell* parent = nullptr) : TCustomdxReportCellRectangle(parent) {}
  static std::string ShapeName() { return "RoundRect"; }

  void Assign(const TdxReportItem& source) override;
  void Scale(int numerator, int denominator) override;

  int EllipseHeight() const { return ellipseHeight_; }
  void SetEllipseHeight(int value) { ellipseHeight_ = std::max(0, value); }
  int EllipseWidth() const { return ellipseWidth_; }
  void SetEllipseWidth(int value) { ellipseWidth_ = std::max(0, value); }

 protected:
  void DrawShape(TCanvas& dc, const TRect& bounds, int w) override;

 private:
  int ellipseHeight_ = 2;
  int ellipseWidth_ = 2;
};

class TdxReportCellRoundSquare : public TdxReportCellRoundRect {
  DX_CLASS(TdxReportCellRoundSquare, TdxReportCellRoundRect)

 public:
  explicit TdxReportCellRoundSquare(TdxReportCell* parent = nullptr) : TdxReportCellRoundRect(parent) {}
  static std::string ShapeName() { return "RoundSquare"; }
  int GetShapeHeight() const override { return std::min(Width(), Height()); }
  int GetShapeWidth() const override { return std::min(Width(), Height()); }
};

// The shape classes (a class factory: the most recently registered first);
// the six shapes are registered when it is created.
class TdxPSShapeFactory : public TdxCustomClassFactory {
  DX_SINGLETON(TdxPSShapeFactory, TdxCustomClassFactory)

 protected:
  void InitializeInstance() override;
};

// The shape class of cls when it is one; null otherwise.
const TdxReportCellShapeClassInfo* dxAsShapeClass(TdxClass cls);
// Registers the six shape classes for streams (once).
void dxPSRegisterShapeClasses();
