// Border painters: they draw the sides and the shadow of one item at a time
// (plain, null, 3-D and twisted borders); the renderer keeps one of each
// painter class. Also the renderer's frame primitive for custom drawing.
#pragma once

#include "report/Cell3DBorders.h"
#include "report/CellBorders.h"

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
