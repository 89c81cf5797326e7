#include "report/ClassFactories.h"

#include <algorithm>

// ---------------------------------------------------------------------------
// TdxClassList

TdxClass TdxClassList::Items(int index) const {
  return index >= 0 && index < Count() ? items_[std::size_t(index)] : nullptr;
}

int TdxClassList::IndexOf(TdxClass cls) const {
  auto it = std::find(items_.begin(), items_.end(), cls);
  return it == items_.end() ? -1 : int(it - items_.begin());
}

void TdxClassList::Insert(int index, TdxClass cls) {
  index = std::clamp(index, 0, Count());
  items_.insert(items_.begin() + index, cls);
}

void TdxClassList::Remove(TdxClass cls) {
  auto it = std::find(items_.begin(), items_.end(), cls);
  if (it != items_.end()) items_.erase(it);
}

// ---------------------------------------------------------------------------
// TdxCustomClassFactory

void TdxCustomClassFactory::InitializeInstance() { classes_ = std::make_unique<TdxClassList>(); }

void TdxCustomClassFactory::FinalizeInstance() { classes_.reset(); }

void TdxCustomClassFactory::Register(TdxClass cls) {
  if (cls && classes_ && classes_->IndexOf(cls) < 0) classes_->Insert(0, cls);
}

void TdxCustomClassFactory::Unregister(TdxClass cls) {
  if (classes_) classes_->Remove(cls);
}

void TdxCustomClassFactory::UnregisterAll() {
  if (classes_) classes_->Clear();
}

int TdxCustomClassFactory::Count() const { return classes_ ? classes_->Count() : 0; }

TdxClass TdxCustomClassFactory::Items(int index) const { return classes_ ? classes_->Items(index) : nullptr; }

int TdxCustomClassFactory::IndexOf(TdxClass cls) const { return classes_ ? classes_->IndexOf(cls) : -1; }

// ---------------------------------------------------------------------------
// Class maps

TdxClass dxServedClass(TdxClass itemClass) {
  auto* meta = dynamic_cast<const TdxClassMapItemClassInfo*>(itemClass);
  return meta ? meta->ServedClass() : nullptr;
}

TdxClass TdxCustomClassMaps::FindItem(TdxClass cls) const {
  if (!cls) return nullptr;
  TdxClass result = nullptr;
  TdxClass resultServed = nullptr;
  // From the earliest registered (last index) to the most recent (index 0).
  for (int i = Count() - 1; i >= 0; --i) {
    TdxClass item = Items(i);
    TdxClass served = dxServedClass(item);
    if (served && cls->InheritsFrom(served) && (!result || served->InheritsFrom(resultServed))) {
      result = item;
      resultServed = served;
    }
    if (result && resultServed == cls) break;
  }
  return result;
}

// ---------------------------------------------------------------------------
// TdxCustomCache

TdxCustomCache::~TdxCustomCache() { TdxCustomCache::Clear(); }

void TdxCustomCache::Clear() {
  // Taken out first, so that a destructor that looks at the cache sees it empty.
  std::vector<std::unique_ptr<TdxObject>> items = std::move(items_);
  items_.clear();
  items.clear();
}

TdxObject* TdxCustomCache::Add(std::unique_ptr<TdxObject> object) {
  if (!object) return nullptr;
  items_.push_back(std::move(object));
  return items_.back().get();
}

TdxObject* TdxCustomCache::Items(int index) const {
  return index >= 0 && index < Count() ? items_[std::size_t(index)].get() : nullptr;
}

int TdxCustomCache::IndexOfClass(TdxClass cls) const {
  for (std::size_t i = 0; i < items_.size(); ++i)
    if (items_[i]->ClassType() == cls) return int(i);
  return -1;
}
