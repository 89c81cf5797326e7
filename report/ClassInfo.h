// Classes as values: the engine selects kinds (report items, borders, fill
// patterns, producers, preview windows, ...) by class, stores them by class
// name and asks whether one class descends from another.
//
// A class reference (TdxClass) is a pointer to the class's static descriptor,
// a TdxClassInfo: name, parent descriptor and a factory that creates an object
// of the class with its default constructor (null for abstract classes and
// classes without one). TdxObject is the root of the classes that carry a
// descriptor; DX_CLASS(T, Parent) at the top of a class body declares it:
//
//   class TdxPSCellRaisedBorder : public TdxPSCellBorder {
//     DX_CLASS(TdxPSCellRaisedBorder, TdxPSCellBorder)
//    public:
//     ...
//   };
//
// T::StaticClass() is the class reference, obj.ClassType() the class of an
// object. A descriptor can also stand alone for a class that is no TdxObject
// (a control class that a class map serves):
//
//   inline const TdxClassInfo TWinControlClass{"TWinControl", &TControlClass};
//
// Class operations: a family whose classes need operations that are called
// through a class reference declares a descriptor type derived from
// TdxClassInfo with virtual functions, and names it in its base class with
//   template <class T> using dxMetaClass = TMyMeta<T>;
// DX_CLASS then makes every descriptor of the family a TMyMeta<T>, where T is
// the class being described (so the descriptor can forward to T's static
// members, which descendants inherit or hide). TdxCustomClassMapItem and the
// singletons (ClassFactories.h, Singletons.h) are built this way.
//
// Classes that streams name are entered in a process-wide list by
// dxRegisterClass and found again by name ("nil" stands for no class).
#pragma once

#include <memory>
#include <string>
#include <type_traits>

class TdxObject;
class TdxClassInfo;
using TdxClass = const TdxClassInfo*;

class TdxClassInfo {
 public:
  using CreateFunc = TdxObject* (*)();

  constexpr TdxClassInfo(const char* name, TdxClass parent, CreateFunc create = nullptr) noexcept
      : name_(name), parent_(parent), create_(create) {}
  virtual ~TdxClassInfo() = default;
  TdxClassInfo(const TdxClassInfo&) = delete;
  TdxClassInfo& operator=(const TdxClassInfo&) = delete;

  const char* ClassName() const { return name_; }
  TdxClass ClassParent() const { return parent_; }
  // True when this class is ancestor or descends from it; false for no class.
  bool InheritsFrom(TdxClass ancestor) const;
  bool CanCreate() const { return create_ != nullptr; }
  // A new object of the class made by its default constructor. Raises
  // EdxPrintEngine "Cannot create an object of class %s" when the class has
  // no factory; the constructor's own exceptions pass through.
  std::unique_ptr<TdxObject> Create() const;

 private:
  const char* name_;
  TdxClass parent_;
  CreateFunc create_;
};

// True when cls is ancestor or descends from it (false when cls is null).
inline bool InheritsFrom(TdxClass cls, TdxClass ancestor) { return cls && cls->InheritsFrom(ancestor); }
// The class name, "nil" for no class (the form streams store).
std::string dxClassName(TdxClass cls);

class TdxObject {
 public:
  template <class T>
  using dxMetaClass = TdxClassInfo;

  TdxObject() = default;
  virtual ~TdxObject() = default;

  static const TdxClassInfo* StaticClass();
  virtual TdxClass ClassType() const { return StaticClass(); }
  std::string ClassName() const { return ClassType()->ClassName(); }
  bool InheritsFrom(TdxClass cls) const { return ClassType()->InheritsFrom(cls); }
  // The free InheritsFrom(cls, ancestor), also reachable unqualified inside
  // member functions (where the member above would hide it).
  static bool InheritsFrom(TdxClass cls, TdxClass ancestor) { return cls && cls->InheritsFrom(ancestor); }
};

namespace dx_detail {
template <class T>
TdxObject* CreateObject() {
  return new T();
}
template <class T>
constexpr TdxClassInfo::CreateFunc FactoryOf() {
  if constexpr (std::is_default_constructible_v<T> && !std::is_abstract_v<T>)
    return &CreateObject<T>;
  else
    return nullptr;
}
}  // namespace dx_detail

// Declares the class descriptor of T (first thing in the class body; leaves
// the access at private, like Qt's Q_OBJECT).
#define DX_CLASS(T, Parent)                                                              \
 public:                                                                                 \
  static const dxMetaClass<T>* StaticClass() {                                           \
    static const dxMetaClass<T> info(#T, Parent::StaticClass(), ::dx_detail::FactoryOf<T>()); \
    return &info;                                                                        \
  }                                                                                      \
  TdxClass ClassType() const override { return StaticClass(); }                          \
                                                                                         \
 private:

// Creates an object of cls and answers it as a T; raises EdxPrintEngine when
// cls is null, cannot be created or does not descend from T.
template <class T>
std::unique_ptr<T> dxCreateObject(TdxClass cls);

// Process-wide list of the classes that streams name.
void dxRegisterClass(TdxClass cls);  // once per class name (case ignored)
void dxUnregisterClass(TdxClass cls);
// The registered class of this name (case ignored); null for "nil", an empty
// name and an unknown name.
TdxClass dxFindClass(const std::string& name);
// As dxFindClass, but an unknown name raises EdxPrintEngine "Class %s not found".
TdxClass dxGetClass(const std::string& name);

// ---------------------------------------------------------------------------

[[noreturn]] void dxRaiseCannotCreate(TdxClass cls);

template <class T>
std::unique_ptr<T> dxCreateObject(TdxClass cls) {
  if (!cls || !cls->InheritsFrom(T::StaticClass())) dxRaiseCannotCreate(cls);
  std::unique_ptr<TdxObject> obj = cls->Create();
  T* typed = dynamic_cast<T*>(obj.get());
  if (!typed) dxRaiseCannotCreate(cls);
  obj.release();
  return std::unique_ptr<T>(typed);
}
