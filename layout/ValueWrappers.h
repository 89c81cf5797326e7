// Small value objects with change hooks: a rectangle and a point whose
// sides (coordinates) are set one at a time or all at once. The printer page
// keeps its margins, minimal margins, header/footer distances and paper size
// in them and validates every change through the hooks.
//
// Protocol of a setter: setting a side to its current value does nothing;
// otherwise the proposed value goes through the changing hook (which may
// correct the proposed rectangle), is stored, and the changed hook runs with
// that side's flag. Setting the whole rectangle (point) works the same way
// with all flags, and does nothing when it is equal.
#pragma once

#include <functional>

#include "platform/Types.h"

// Sides of a TdxRectWrapper.
enum : unsigned {
  rwsLeft = 1,
  rwsTop = 2,
  rwsRight = 4,
  rwsBottom = 8,
  rwsAll = 15,
};
// Coordinates of a TdxPointWrapper.
enum : unsigned {
  pwcX = 1,
  pwcY = 2,
  pwcAll = 3,
};

class TdxRectWrapper {
 public:
  TdxRectWrapper() = default;
  TdxRectWrapper(const TdxRectWrapper&) = delete;
  TdxRectWrapper& operator=(const TdxRectWrapper&) = delete;

  int Left() const { return rect_.Left; }
  int Top() const { return rect_.Top; }
  int Right() const { return rect_.Right; }
  int Bottom() const { return rect_.Bottom; }
  const TRect& Rect() const { return rect_; }

  void SetLeft(int value) { SetSide(rwsLeft, value); }
  void SetTop(int value) { SetSide(rwsTop, value); }
  void SetRight(int value) { SetSide(rwsRight, value); }
  void SetBottom(int value) { SetSide(rwsBottom, value); }
  void SetRect(const TRect& value);
  // One side by flag (rwsLeft, rwsTop, rwsRight or rwsBottom).
  int Side(unsigned side) const;
  void SetSide(unsigned side, int value);

  // The whole rectangle of source; (0, 0, 0, 0) for none.
  void Assign(const TdxRectWrapper* source) { SetRect(source ? source->rect_ : TRect()); }
  // Stores without hooks.
  void SetRectSilently(const TRect& value) { rect_ = value; }

  bool operator==(const TdxRectWrapper& other) const { return rect_ == other.rect_; }

  std::function<void(TdxRectWrapper& sender, unsigned sides, TRect& proposed)> OnChanging;
  std::function<void(TdxRectWrapper& sender, unsigned sides)> OnChanged;

 private:
  TRect rect_;
};

class TdxPointWrapper {
 public:
  TdxPointWrapper() = default;
  TdxPointWrapper(const TdxPointWrapper&) = delete;
  TdxPointWrapper& operator=(const TdxPointWrapper&) = delete;

  int X() const { return point_.X; }
  int Y() const { return point_.Y; }
  const TPoint& Point() const { return point_; }

  void SetX(int value);
  void SetY(int value);
  void SetPoint(const TPoint& value);

  // The point of source; (0, 0) for none.
  void Assign(const TdxPointWrapper* source) { SetPoint(source ? source->point_ : TPoint()); }
  void SetPointSilently(const TPoint& value) { point_ = value; }

  bool operator==(const TdxPointWrapper& other) const { return point_ == other.point_; }

  std::function<void(TdxPointWrapper& sender, unsigned coords, TPoint& proposed)> OnChanging;
  std::function<void(TdxPointWrapper& sender, unsigned coords)> OnChanged;

 private:
  void Change(unsigned coords, TPoint proposed);
  TPoint point_;
};
