#include "layout/ValueWrappers.h"

namespace {
int& SideRef(TRect& r, unsigned side) {
  switch (side) {
    case rwsTop: return r.Top;
    case rwsRight: return r.Right;
    case rwsBottom: return r.Bottom;
    default: return r.Left;
  }
}
}  // namespace

int TdxRectWrapper::Side(unsigned side) const {
  switch (side) {
    case rwsTop: return rect_.Top;
    case rwsRight: return rect_.Right;
    case rwsBottom: return rect_.Bottom;
    default: return rect_.Left;
  }
}

void TdxRectWrapper::SetSide(unsigned side, int value) {
  if (side != rwsLeft && side != rwsTop && side != rwsRight && side != rwsBottom) return;
  if (Side(side) == value) return;
  TRect proposed = rect_;
  SideRef(proposed, side) = value;
  if (OnChanging) OnChanging(*this, side, proposed);
  SideRef(rect_, side) = SideRef(proposed, side);
  if (OnChanged) OnChanged(*this, side);
}

void TdxRectWrapper::SetRect(const TRect& value) {
  if (rect_ == value) return;
  TRect proposed = value;
  if (OnChanging) OnChanging(*this, rwsAll, proposed);
  rect_ = proposed;
  if (OnChanged) OnChanged(*this, rwsAll);
}

void TdxPointWrapper::Change(unsigned coords, TPoint proposed) {
  if (OnChanging) OnChanging(*this, coords, proposed);
  if (coords & pwcX) point_.X = proposed.X;
  if (coords & pwcY) point_.Y = proposed.Y;
  if (OnChanged) OnChanged(*this, coords);
}

void TdxPointWrapper::SetX(int value) {
  if (point_.X == value) return;
  Change(pwcX, TPoint{value, point_.Y});
}

void TdxPointWrapper::SetY(int value) {
  if (point_.Y == value) return;
  Change(pwcY, TPoint{point_.X, value});
}

void TdxPointWrapper::SetPoint(const TPoint& value) {
  if (point_ == value) return;
  Change(pwcAll, value);
}
