#include "report/Singletons.h"

#include <algorithm>

#include "platform/ScopeExit.h"
#include "platform/ScopedValue.h"
#include "platform/Types.h"

namespace {
// The class whose instance GetInstance is constructing right now.
TdxClass g_creating = nullptr;
// The singleton registry.
TdxPSSingletonFactory* g_registry = nullptr;

[[noreturn]] void RaiseIllegalAccessCode(int code) {
  throw EdxPSSingleton(Format(dxPSMessages::IllegalAccessCode, code));
}
}  // namespace

TdxSingletonToken::TdxSingletonToken(TdxClass cls) {
  if (!cls || g_creating != cls)
    throw EdxPSSingleton(Format(dxPSMessages::SingletonAccess, dxClassName(cls).c_str()));
  g_creating = nullptr;  // consumed: nested creations need their own scope
}

// ---------------------------------------------------------------------------
// TdxSingletonClassInfo

TBasedxPSSingleton* TdxSingletonClassInfo::GetInstance(int accessCode) const {
  switch (accessCode) {
    case 0: {
      TdxPSSingletonFactory* registry = TdxPSSingletonFactory::GetInstance(0);
      return registry ? registry->Items(registry->IndexOf(this)) : nullptr;
    }
    case 1:
      if (TBasedxPSSingleton* instance = GetInstance(0)) return instance;
      return NewInstance();
    default:
      RaiseIllegalAccessCode(accessCode);
  }
}

TBasedxPSSingleton* TdxSingletonClassInfo::NewInstance() const {
  std::unique_ptr<TdxObject> object;
  {
    ScopedValue creating(g_creating, this);
    object = Create();
  }
  auto* instance = dynamic_cast<TBasedxPSSingleton*>(object.get());
  if (!instance) dxRaiseCannotCreate(this);
  object.release();
  ScopeFail destroy([instance] { instance->Destroy(); });
  instance->RegisterInstance();
  instance->InitializeInstance();
  return instance;
}

void TdxSingletonClassInfo::ReleaseInstance() const {
  if (TBasedxPSSingleton* instance = GetInstance(0)) instance->Destroy();
}

// ---------------------------------------------------------------------------
// TBasedxPSSingleton

const TdxSingletonClassInfo* TBasedxPSSingleton::StaticClass() {
  static const TdxSingletonClassInfo info("TBasedxPSSingleton", TdxObject::StaticClass(),
                                          ::dx_detail::FactoryOf<TBasedxPSSingleton>());
  return &info;
}

TBasedxPSSingleton::~TBasedxPSSingleton() {
  // Normally UnregisterInstance has already done this; a directly deleted
  // instance must not stay behind in the registry.
  if (g_registry == this)
    g_registry = nullptr;
  else if (g_registry)
    g_registry->Remove(this);
}

void TBasedxPSSingleton::RegisterInstance() { TdxPSSingletonFactory::Instance()->Add(this); }

void TBasedxPSSingleton::UnregisterInstance() {
  if (TdxPSSingletonFactory* registry = TdxPSSingletonFactory::GetInstance(0)) registry->Remove(this);
}

void TBasedxPSSingleton::Destroy() {
  // FinalizeInstance may fail; the instance goes all the same.
  struct Finish {
    TBasedxPSSingleton* self;
    ~Finish() {
      self->UnregisterInstance();
      delete self;
    }
  } finish{this};
  FinalizeInstance();
}

// ---------------------------------------------------------------------------
// TdxPSSingletonFactory

TBasedxPSSingleton* TdxSingletonFactoryClassInfo::GetInstance(int accessCode) const {
  switch (accessCode) {
    case 0:
      return g_registry;
    case 1:
      if (!g_registry) {
        TBasedxPSSingleton* instance = NewInstance();
        // RegisterInstance does nothing for the registry: it keeps itself here.
        g_registry = static_cast<TdxPSSingletonFactory*>(instance);
      }
      return g_registry;
    case 2:
      g_registry = nullptr;
      return nullptr;
    default:
      RaiseIllegalAccessCode(accessCode);
  }
}

int TdxPSSingletonFactory::IndexOf(TdxClass cls) const {
  for (std::size_t i = 0; i < instances_.size(); ++i)
    if (instances_[i]->ClassType() == cls) return int(i);
  return -1;
}

int TdxPSSingletonFactory::IndexOf(const TBasedxPSSingleton* instance) const {
  auto it = std::find(instances_.begin(), instances_.end(), instance);
  return it == instances_.end() ? -1 : int(it - instances_.begin());
}

void TdxPSSingletonFactory::Add(TBasedxPSSingleton* instance) {
  if (instance && instance != this && IndexOf(instance) < 0) instances_.push_back(instance);
}

void TdxPSSingletonFactory::Remove(TBasedxPSSingleton* instance) {
  auto it = std::find(instances_.begin(), instances_.end(), instance);
  if (it != instances_.end()) instances_.erase(it);
}

TBasedxPSSingleton* TdxPSSingletonFactory::Items(int index) const {
  return index >= 0 && index < Count() ? instances_[std::size_t(index)] : nullptr;
}

TdxClass TdxPSSingletonFactory::ItemClasses(int index) const {
  TBasedxPSSingleton* instance = Items(index);
  return instance ? instance->ClassType() : nullptr;
}

void TdxPSSingletonFactory::UnregisterInstance() {
  if (g_registry == this) g_registry = nullptr;
}

void TdxPSSingletonFactory::FinalizeInstance() {
  // A singleton whose finalisation creates another one adds it to the end of
  // the list; it is released in turn.
  while (!instances_.empty()) {
    TBasedxPSSingleton* last = instances_.back();
    try {
      if (auto* meta = dynamic_cast<const TdxSingletonClassInfo*>(last->ClassType()))
        meta->ReleaseInstance();
    } catch (...) {
      // The process is ending: a failing finalisation must not keep the
      // remaining singletons alive.
    }
    if (!instances_.empty() && instances_.back() == last) {
      try {
        last->Destroy();
      } catch (...) {
      }
    }
  }
}

TdxPSSingletonFactory* dxPSSingletonFactory() { return TdxPSSingletonFactory::Instance(); }

void dxPSFinalizeSingletons() { TdxPSSingletonFactory::ReleaseInstance(); }
