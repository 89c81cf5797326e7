#include "report/dxClasses.h"

#include <algorithm>
#include <vector>

#include "platform/Types.h"
#include "report/dxPSExcept.h"

bool TdxClassInfo::InheritsFrom(TdxClass ancestor) const {
  if (!ancestor) return false;
  for (TdxClass c = this; c; c = c->parent_)
    if (c == ancestor) return true;
  return false;
}

std::unique_ptr<TdxObject> TdxClassInfo::Create() const {
  if (!create_) dxRaiseCannotCreate(this);
  return std::unique_ptr<TdxObject>(create_());
}

std::string dxClassName(TdxClass cls) { return cls ? cls->ClassName() : "nil"; }

const TdxClassInfo* TdxObject::StaticClass() {
  static const TdxClassInfo info("TdxObject", nullptr, ::dx_detail::FactoryOf<TdxObject>());
  return &info;
}

void dxRaiseCannotCreate(TdxClass cls) {
  throw EdxPrintEngine(Format(dxPSMessages::CannotCreateClass, dxClassName(cls).c_str()));
}

namespace {
std::vector<TdxClass>& RegisteredClasses() {
  static std::vector<TdxClass> classes;
  return classes;
}
}  // namespace

void dxRegisterClass(TdxClass cls) {
  if (!cls) return;
  auto& list = RegisteredClasses();
  for (TdxClass c : list)
    if (c == cls || SameText(c->ClassName(), cls->ClassName())) return;
  list.push_back(cls);
}

void dxUnregisterClass(TdxClass cls) {
  auto& list = RegisteredClasses();
  list.erase(std::remove(list.begin(), list.end(), cls), list.end());
}

TdxClass dxFindClass(const std::string& name) {
  if (name.empty() || SameText(name, "nil")) return nullptr;
  for (TdxClass c : RegisteredClasses())
    if (SameText(c->ClassName(), name)) return c;
  return nullptr;
}

TdxClass dxGetClass(const std::string& name) {
  if (name.empty() || SameText(name, "nil")) return nullptr;
  TdxClass cls = dxFindClass(name);
  if (!cls) throw EdxPrintEngine(Format(dxPSMessages::ClassNotFound, name.c_str()));
  return cls;
}
