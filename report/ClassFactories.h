// Class lists, class factories, class maps and object caches.
//
// A class factory is a singleton holding a list of classes; Register puts a
// new class at index 0, so the list runs from the most recently registered to
// the earliest. A class map holds class map items: classes whose class
// operation ServedClass names the class they serve, and FindItem answers the
// item that serves a given class most specifically:
//
//   class TdxPSEditProducer : public TdxCustomClassMapItem {
//     DX_CLASS(TdxPSEditProducer, TdxCustomClassMapItem)
//    public:
//     static TdxClass ServedClass() { return &TCustomEditClass; }
//   };
//   TdxPSContainerItemProducerFactory::Instance()->Register(TdxPSEditProducer::StaticClass());
//
// A descendant that declares no ServedClass of its own serves its parent's.
#pragma once

#include <memory>
#include <vector>

#include "report/ClassInfo.h"
#include "report/Singletons.h"

class TdxClassList {
 public:
  int Count() const { return int(items_.size()); }
  TdxClass Items(int index) const;  // null out of range
  int IndexOf(TdxClass cls) const;
  void Insert(int index, TdxClass cls);  // index limited to 0..Count
  void Add(TdxClass cls) { Insert(Count(), cls); }
  void Remove(TdxClass cls);             // the first occurrence
  void Clear() { items_.clear(); }

 private:
  std::vector<TdxClass> items_;
};

class TdxCustomClassFactory : public TBasedxPSSingleton {
  DX_SINGLETON(TdxCustomClassFactory, TBasedxPSSingleton)

 public:
  // Nothing when the class is already present (or null); otherwise it goes
  // to index 0.
  virtual void Register(TdxClass cls);
  virtual void Unregister(TdxClass cls);
  virtual void UnregisterAll();
  int Count() const;
  TdxClass Items(int index) const;
  int IndexOf(TdxClass cls) const;

 protected:
  void InitializeInstance() override;
  void FinalizeInstance() override;

 private:
  std::unique_ptr<TdxClassList> classes_;
};

// Class operations of class map items.
class TdxClassMapItemClassInfo : public TdxClassInfo {
 public:
  using TdxClassInfo::TdxClassInfo;
  // The class the item serves (none for the base).
  virtual TdxClass ServedClass() const { return nullptr; }
};

template <class T>
class TdxClassMapItemMeta : public TdxClassMapItemClassInfo {
 public:
  using TdxClassMapItemClassInfo::TdxClassMapItemClassInfo;
  TdxClass ServedClass() const override { return T::ServedClass(); }
};

class TdxCustomClassMapItem : public TdxObject {
 public:
  template <class T>
  using dxMetaClass = TdxClassMapItemMeta<T>;
  DX_CLASS(TdxCustomClassMapItem, TdxObject)

 public:
  static TdxClass ServedClass() { return nullptr; }
};

// The served class of an item class; none for classes that are no items.
TdxClass dxServedClass(TdxClass itemClass);

class TdxCustomClassMaps : public TdxCustomClassFactory {
  DX_SINGLETON(TdxCustomClassMaps, TdxCustomClassFactory)

 public:
  // The registered item class whose served class is cls or its nearest
  // ancestor; null when none serves cls or an ancestor, or cls is null. Among
  // items serving exactly cls the earliest registered wins; among items
  // serving the same ancestor the most recently registered.
  virtual TdxClass FindItem(TdxClass cls) const;
};

// An owning list of objects.
class TdxCustomCache {
 public:
  TdxCustomCache() = default;
  virtual ~TdxCustomCache();
  TdxCustomCache(const TdxCustomCache&) = delete;
  TdxCustomCache& operator=(const TdxCustomCache&) = delete;

  // Destroys every held object, then empties the list.
  virtual void Clear();
  // Takes ownership; answers the object.
  TdxObject* Add(std::unique_ptr<TdxObject> object);
  int Count() const { return int(items_.size()); }
  TdxObject* Items(int index) const;  // null out of range
  // Index of the first object of exactly this class, or -1.
  int IndexOfClass(TdxClass cls) const;

 private:
  std::vector<std::unique_ptr<TdxObject>> items_;
};
