// Class references, the class name list, class factories, class maps and
// object caches.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "report/ClassFactories.h"

namespace {
// Control classes that the maps serve: plain descriptors, no objects.
const TdxClassInfo TControlClass{"TControl", TdxObject::StaticClass()};
const TdxClassInfo TWinControlClass{"TWinControl", &TControlClass};
const TdxClassInfo TCustomEditClass{"TCustomEdit", &TWinControlClass};
const TdxClassInfo TEditClass{"TEdit", &TCustomEditClass};
const TdxClassInfo TPanelClass{"TPanel", &TWinControlClass};
const TdxClassInfo TLabelClass{"TLabel", &TControlClass};
const TdxClassInfo TFormClass{"TForm", &TWinControlClass};

class TWinControlItem : public TdxCustomClassMapItem {
  DX_CLASS(TWinControlItem, TdxCustomClassMapItem)

 public:
  static TdxClass ServedClass() { return &TWinControlClass; }
};
class TCustomEditItem : public TdxCustomClassMapItem {
  DX_CLASS(TCustomEditItem, TdxCustomClassMapItem)

 public:
  static TdxClass ServedClass() { return &TCustomEditClass; }
};
class TCustomEditItem2 : public TCustomEditItem {  // serves what its parent serves
  DX_CLASS(TCustomEditItem2, TCustomEditItem)
};
class TWinControlItem2 : public TdxCustomClassMapItem {
  DX_CLASS(TWinControlItem2, TdxCustomClassMapItem)

 public:
  static TdxClass ServedClass() { return &TWinControlClass; }
};
class TEditItem : public TdxCustomClassMapItem {
  DX_CLASS(TEditItem, TdxCustomClassMapItem)

 public:
  static TdxClass ServedClass() { return &TEditClass; }
};

class TTestMap : public TdxCustomClassMaps {
  DX_SINGLETON(TTestMap, TdxCustomClassMaps)
};
class TTestFactory : public TdxCustomClassFactory {
  DX_SINGLETON(TTestFactory, TdxCustomClassFactory)
};

// Objects of a small hierarchy, counting their destruction.
int g_destroyed = 0;
class TShape : public TdxObject {
  DX_CLASS(TShape, TdxObject)

 public:
  ~TShape() override { ++g_destroyed; }
};
class TCircle : public TShape {
  DX_CLASS(TCircle, TShape)
};
class TAbstractShape : public TShape {
  DX_CLASS(TAbstractShape, TShape)

 public:
  virtual void Paint() = 0;
};
class TArgShape : public TShape {
  DX_CLASS(TArgShape, TShape)

 public:
  explicit TArgShape(int) {}
};

class ClassMapTest : public ::testing::Test {
 protected:
  void TearDown() override { dxPSFinalizeSingletons(); }
};

template <class F>
std::string EngineMessage(F&& f) {
  try {
    f();
  } catch (const EdxPrintEngine& e) {
    return e.Message;
  }
  return "no EdxPrintEngine";
}
}  // namespace

TEST(ClassReferenceTest, ParentsNamesAndInheritance) {
  EXPECT_STREQ(TCircle::StaticClass()->ClassName(), "TCircle");
  EXPECT_EQ(TCircle::StaticClass()->ClassParent(), TShape::StaticClass());
  EXPECT_EQ(TShape::StaticClass()->ClassParent(), TdxObject::StaticClass());
  EXPECT_EQ(TdxObject::StaticClass()->ClassParent(), nullptr);

  EXPECT_TRUE(TEditClass.InheritsFrom(&TEditClass));
  EXPECT_TRUE(TEditClass.InheritsFrom(&TControlClass));
  EXPECT_FALSE(TControlClass.InheritsFrom(&TEditClass));
  EXPECT_FALSE(TPanelClass.InheritsFrom(&TCustomEditClass));
  EXPECT_FALSE(TEditClass.InheritsFrom(nullptr));
  EXPECT_FALSE(InheritsFrom(nullptr, &TControlClass));
  EXPECT_EQ(dxClassName(nullptr), "nil");
  EXPECT_EQ(dxClassName(&TPanelClass), "TPanel");

  TCircle circle;
  const TdxObject& object = circle;
  EXPECT_EQ(object.ClassType(), TCircle::StaticClass());
  EXPECT_EQ(object.ClassName(), "TCircle");
  EXPECT_TRUE(object.InheritsFrom(TShape::StaticClass()));
  EXPECT_FALSE(object.InheritsFrom(TAbstractShape::StaticClass()));
}

TEST(ClassReferenceTest, CreatingObjectsByClass) {
  g_destroyed = 0;
  {
    std::unique_ptr<TdxObject> obj = TCircle::StaticClass()->Create();
    EXPECT_EQ(obj->ClassType(), TCircle::StaticClass());
    std::unique_ptr<TShape> shape = dxCreateObject<TShape>(TCircle::StaticClass());
    EXPECT_EQ(shape->ClassName(), "TCircle");
  }
  EXPECT_EQ(g_destroyed, 2);

  EXPECT_FALSE(TAbstractShape::StaticClass()->CanCreate());
  EXPECT_FALSE(TArgShape::StaticClass()->CanCreate());
  EXPECT_FALSE(TPanelClass.CanCreate());
  EXPECT_EQ(EngineMessage([] { TAbstractShape::StaticClass()->Create(); }),
            "Cannot create an object of class TAbstractShape");
  EXPECT_EQ(EngineMessage([] { TPanelClass.Create(); }), "Cannot create an object of class TPanel");
  // Asking for the wrong family or for no class.
  EXPECT_EQ(EngineMessage([] { dxCreateObject<TCircle>(TShape::StaticClass()); }),
            "Cannot create an object of class TShape");
  EXPECT_EQ(EngineMessage([] { dxCreateObject<TShape>(nullptr); }), "Cannot create an object of class nil");
}

TEST(ClassReferenceTest, ClassesByName) {
  dxRegisterClass(TCircle::StaticClass());
  dxRegisterClass(TCircle::StaticClass());
  dxRegisterClass(TShape::StaticClass());
  EXPECT_EQ(dxFindClass("TCircle"), TCircle::StaticClass());
  EXPECT_EQ(dxFindClass("tcircle"), TCircle::StaticClass());
  EXPECT_EQ(dxGetClass("TSHAPE"), TShape::StaticClass());
  EXPECT_EQ(dxFindClass("nil"), nullptr);
  EXPECT_EQ(dxGetClass("nil"), nullptr);
  EXPECT_EQ(dxGetClass(""), nullptr);
  EXPECT_EQ(dxFindClass("TSquare"), nullptr);
  EXPECT_EQ(EngineMessage([] { dxGetClass("TSquare"); }), "Class TSquare not found");
  EXPECT_EQ(EngineMessage([] { dxGetClass(std::string("T\0x", 3)); }).substr(0, 7), "Class T");

  dxUnregisterClass(TCircle::StaticClass());
  EXPECT_EQ(dxFindClass("TCircle"), nullptr);
  dxUnregisterClass(TShape::StaticClass());
}

TEST_F(ClassMapTest, FactoryRegistersOnceMostRecentFirst) {
  TTestFactory* f = TTestFactory::Instance();
  f->Register(TShape::StaticClass());
  f->Register(TCircle::StaticClass());
  f->Register(TShape::StaticClass());  // already there: nothing
  f->Register(nullptr);
  ASSERT_EQ(f->Count(), 2);
  EXPECT_EQ(f->Items(0), TCircle::StaticClass());
  EXPECT_EQ(f->Items(1), TShape::StaticClass());
  EXPECT_EQ(f->Items(2), nullptr);
  EXPECT_EQ(f->IndexOf(TShape::StaticClass()), 1);
  f->Unregister(TCircle::StaticClass());
  f->Unregister(TCircle::StaticClass());
  EXPECT_EQ(f->Count(), 1);
  EXPECT_EQ(f->IndexOf(TCircle::StaticClass()), -1);
  f->UnregisterAll();
  EXPECT_EQ(f->Count(), 0);
  // Each factory class is a singleton of its own.
  EXPECT_NE(static_cast<TdxCustomClassFactory*>(TTestMap::Instance()), static_cast<TdxCustomClassFactory*>(f));
}

TEST_F(ClassMapTest, FindItemAnswersTheMostSpecificServedClass) {
  TTestMap* map = TTestMap::Instance();
  map->Register(TWinControlItem::StaticClass());
  map->Register(TCustomEditItem::StaticClass());
  EXPECT_EQ(map->FindItem(&TEditClass), TCustomEditItem::StaticClass());
  EXPECT_EQ(map->FindItem(&TCustomEditClass), TCustomEditItem::StaticClass());
  EXPECT_EQ(map->FindItem(&TPanelClass), TWinControlItem::StaticClass());
  EXPECT_EQ(map->FindItem(&TWinControlClass), TWinControlItem::StaticClass());
  EXPECT_EQ(map->FindItem(&TLabelClass), nullptr);  // no item serves an ancestor
  EXPECT_EQ(map->FindItem(&TControlClass), nullptr);
  EXPECT_EQ(map->FindItem(nullptr), nullptr);

  // Registration order does not matter for specificity.
  map->UnregisterAll();
  map->Register(TCustomEditItem::StaticClass());
  map->Register(TWinControlItem::StaticClass());
  EXPECT_EQ(map->FindItem(&TEditClass), TCustomEditItem::StaticClass());
  map->Register(TEditItem::StaticClass());
  EXPECT_EQ(map->FindItem(&TEditClass), TEditItem::StaticClass());
  EXPECT_EQ(map->FindItem(&TFormClass), TWinControlItem::StaticClass());
}

TEST_F(ClassMapTest, FindItemTieBreaks) {
  TTestMap* map = TTestMap::Instance();
  // Two items serving exactly the class asked for: the earliest registered.
  map->Register(TCustomEditItem::StaticClass());
  map->Register(TCustomEditItem2::StaticClass());
  EXPECT_EQ(dxServedClass(TCustomEditItem2::StaticClass()), &TCustomEditClass);  // inherited
  EXPECT_EQ(map->FindItem(&TCustomEditClass), TCustomEditItem::StaticClass());
  // ... but for a descendant both serve the same ancestor: the most recent.
  EXPECT_EQ(map->FindItem(&TEditClass), TCustomEditItem2::StaticClass());

  map->UnregisterAll();
  map->Register(TWinControlItem::StaticClass());
  map->Register(TWinControlItem2::StaticClass());
  EXPECT_EQ(map->FindItem(&TPanelClass), TWinControlItem2::StaticClass());
  EXPECT_EQ(map->FindItem(&TWinControlClass), TWinControlItem::StaticClass());
}

TEST_F(ClassMapTest, ClassesThatAreNoItemsAreIgnored) {
  TTestMap* map = TTestMap::Instance();
  map->Register(TCircle::StaticClass());                 // not a class map item
  map->Register(TdxCustomClassMapItem::StaticClass());  // serves nothing
  map->Register(TWinControlItem::StaticClass());
  EXPECT_EQ(dxServedClass(TCircle::StaticClass()), nullptr);
  EXPECT_EQ(dxServedClass(nullptr), nullptr);
  EXPECT_EQ(map->FindItem(&TPanelClass), TWinControlItem::StaticClass());
  EXPECT_EQ(map->FindItem(TCircle::StaticClass()), nullptr);
}

TEST_F(ClassMapTest, FactoryListGoesWithItsSingleton) {
  TTestMap::Instance()->Register(TWinControlItem::StaticClass());
  TTestMap::ReleaseInstance();
  EXPECT_EQ(TTestMap::Instance()->Count(), 0);
}

TEST(CacheTest, OwnsItsObjectsAndFindsByExactClass) {
  g_destroyed = 0;
  {
    TdxCustomCache cache;
    EXPECT_EQ(cache.Add(nullptr), nullptr);
    TdxObject* shape = cache.Add(std::make_unique<TShape>());
    TdxObject* circle = cache.Add(std::make_unique<TCircle>());
    EXPECT_EQ(cache.Count(), 2);
    EXPECT_EQ(cache.Items(0), shape);
    EXPECT_EQ(cache.Items(1), circle);
    EXPECT_EQ(cache.Items(2), nullptr);
    EXPECT_EQ(cache.Items(-1), nullptr);
    EXPECT_EQ(cache.IndexOfClass(TCircle::StaticClass()), 1);
    EXPECT_EQ(cache.IndexOfClass(TShape::StaticClass()), 0);
    EXPECT_EQ(cache.IndexOfClass(TAbstractShape::StaticClass()), -1);
    cache.Clear();
    EXPECT_EQ(g_destroyed, 2);
    EXPECT_EQ(cache.Count(), 0);
    cache.Add(std::make_unique<TCircle>());
  }
  EXPECT_EQ(g_destroyed, 3);  // destroying the cache clears it
}
