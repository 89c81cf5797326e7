// The iterators of the container report link.
#include "engine/ContainerIterators.h"

#include "engine/ControlClasses.h"
#include "engine/ControlProducers.h"

TdxPSWinControlIterator::TdxPSWinControlIterator(QWidget* control, const TdxPSCustomProducer* producer) {
  for (QWidget* child : dxControlChildren(control))
    if (!producer || producer->IsChildAccepted(child)) controls_.push_back(child);
}

QWidget* TdxPSWinControlIterator::Controls(int index) const {
  return index >= 0 && index < ControlCount() ? controls_[std::size_t(index)] : nullptr;
}

QWidget* TdxPSWinControlIterator::Next() {
  if (index_ < ControlCount()) ++index_;
  return Controls(index_);
}

QWidget* TdxPSWinControlIterator::Prior() {
  if (index_ >= 0) --index_;
  return Controls(index_);
}

namespace {
std::vector<QWidget*> ActivePageList(QWidget* control) {
  QWidget* page = dxControlActivePage(control);
  return page ? std::vector<QWidget*>{page} : std::vector<QWidget*>{};
}
}  // namespace

TdxPSPageControlIterator::TdxPSPageControlIterator(QWidget* control)
    : TdxPSWinControlIterator(ActivePageList(control)) {}
