// Singletons: classes with exactly one instance per process, reached through
// Instance, created on first use and destroyed in reverse order of creation
// when the program calls dxPSFinalizeSingletons at its end (after the event
// loop, while the application object still exists).
//
// A singleton class derives from TBasedxPSSingleton (or a descendant) and
// starts its body with DX_SINGLETON(T, Parent). It has no constructor of its
// own: InitializeInstance runs right after creation, FinalizeInstance first
// when it is released; default member initializers set the fields.
//
//   class TdxPSEngine : public TBasedxPSSingleton {
//     DX_SINGLETON(TdxPSEngine, TBasedxPSSingleton)
//    protected:
//     void InitializeInstance() override;
//   };
//   TdxPSEngine::Instance()->...;
//
// Constructing one directly (T() or T::StaticClass()->Create()) raises
// EdxPSSingleton "Access class T through Instance only".
#pragma once

#include <vector>

#include "report/ClassInfo.h"
#include "report/EngineExceptions.h"

class TBasedxPSSingleton;

// Class operations of singletons, callable through a class reference.
class TdxSingletonClassInfo : public TdxClassInfo {
 public:
  using TdxClassInfo::TdxClassInfo;
  // 0: the live instance of exactly this class or null; 1: that instance,
  // created first when there is none. Other codes raise EdxPSSingleton
  // "Illegal AccessCode %d in GetInstance".
  virtual TBasedxPSSingleton* GetInstance(int accessCode) const;
  TBasedxPSSingleton* Instance() const { return GetInstance(1); }
  // Destroys the instance that GetInstance(0) answers (nothing when none).
  void ReleaseInstance() const;

 protected:
  // Creates the instance: registers it, then runs InitializeInstance (an
  // instance whose initialisation fails is released again).
  TBasedxPSSingleton* NewInstance() const;
};

// Proof that GetInstance creates the object; the public constructor that
// DX_SINGLETON declares raises EdxPSSingleton otherwise.
class TdxSingletonToken {
 public:
  explicit TdxSingletonToken(TdxClass cls);
};

class TBasedxPSSingleton : public TdxObject {
 public:
  template <class T>
  using dxMetaClass = TdxSingletonClassInfo;

  static const TdxSingletonClassInfo* StaticClass();
  TdxClass ClassType() const override { return StaticClass(); }

  TBasedxPSSingleton() : TBasedxPSSingleton(TdxSingletonToken(StaticClass())) {}
  TBasedxPSSingleton(const TBasedxPSSingleton&) = delete;
  TBasedxPSSingleton& operator=(const TBasedxPSSingleton&) = delete;
  // Deleting an instance directly skips FinalizeInstance but still removes it
  // from the registry; ReleaseInstance is the regular way.
  ~TBasedxPSSingleton() override;

  static TBasedxPSSingleton* GetInstance(int accessCode) { return StaticClass()->GetInstance(accessCode); }
  static TBasedxPSSingleton* Instance() { return GetInstance(1); }
  static void ReleaseInstance() { StaticClass()->ReleaseInstance(); }

 protected:
  explicit TBasedxPSSingleton(const TdxSingletonToken&) {}
  // Enters the new instance in the singleton registry.
  virtual void RegisterInstance();
  // Removes it from the registry.
  virtual void UnregisterInstance();
  // Hook run first when the instance is released (default: nothing).
  virtual void FinalizeInstance() {}
  // Hook run right after creation (default: nothing).
  virtual void InitializeInstance() {}

 private:
  friend class TdxSingletonClassInfo;
  friend class TdxSingletonFactoryClassInfo;
  friend class TdxPSSingletonFactory;
  // FinalizeInstance, UnregisterInstance, delete.
  void Destroy();
};

#define DX_SINGLETON(T, Parent)                                                                       \
  DX_CLASS(T, Parent)                                                                                 \
 public:                                                                                              \
  T() : T(TdxSingletonToken(StaticClass())) {}                                                        \
  static T* GetInstance(int accessCode) { return static_cast<T*>(StaticClass()->GetInstance(accessCode)); } \
  static T* Instance() { return GetInstance(1); }                                                     \
  static void ReleaseInstance() { StaticClass()->ReleaseInstance(); }                                 \
                                                                                                      \
 protected:                                                                                           \
  explicit T(const TdxSingletonToken& token) : Parent(token) {}                                       \
                                                                                                      \
 private:

class TdxSingletonFactoryClassInfo : public TdxSingletonClassInfo {
 public:
  using TdxSingletonClassInfo::TdxSingletonClassInfo;
  // 0: the registry or null; 1: the registry, created when there is none;
  // 2: forget the registry (without destroying it) and answer null.
  TBasedxPSSingleton* GetInstance(int accessCode) const override;
};

// The singleton registry: the live singletons in order of creation. It is a
// singleton itself, kept in one process-wide variable and not in its own list.
class TdxPSSingletonFactory : public TBasedxPSSingleton {
 public:
  template <class T>
  using dxMetaClass = TdxSingletonFactoryClassInfo;
  DX_SINGLETON(TdxPSSingletonFactory, TBasedxPSSingleton)

 public:
  // Index of the instance whose class is exactly cls (first match), or -1.
  int IndexOf(TdxClass cls) const;
  int IndexOf(const TBasedxPSSingleton* instance) const;
  void Add(TBasedxPSSingleton* instance);  // once
  void Remove(TBasedxPSSingleton* instance);
  int Count() const { return int(instances_.size()); }
  TBasedxPSSingleton* Items(int index) const;  // null out of range
  TdxClass ItemClasses(int index) const;       // null out of range

 protected:
  void RegisterInstance() override {}
  void UnregisterInstance() override;
  // Releases every registered singleton, the most recently created first,
  // through its class's ReleaseInstance.
  void FinalizeInstance() override;

 private:
  std::vector<TBasedxPSSingleton*> instances_;
};

TdxPSSingletonFactory* dxPSSingletonFactory();

// Releases the registry and with it every singleton, most recent first. The
// program calls it once after its event loop; tests may call it at any time
// (singletons are created anew on their next use).
void dxPSFinalizeSingletons();
