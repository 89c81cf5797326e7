#include "report/ClassInfo.h"

#include <algorithm>
#include <string>
#include <unordered_map>

#include "platform/Types.h"
#include "report/EngineExceptions.h"

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
// Registered classes by their name in lower case (names compare without
// case): report streams name a class per item, so lookups must be cheap.
std::unordered_map<std::string, TdxClass>& RegisteredClasses() {
  static std::unordered_map<std::string, TdxClass> classes;
  return classes;
}

std::string Key(const std::string& name) {
  std::string key = name;
  for (char& c : key)
    if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
  return key;
}
}  // namespace

void dxRegisterClass(TdxClass cls) {
  if (!cls) return;
  RegisteredClasses().emplace(Key(cls->ClassName()), cls);  // the first of a name stays
}

void dxUnregisterClass(TdxClass cls) {
  if (!cls) return;
  auto& map = RegisteredClasses();
  auto it = map.find(Key(cls->ClassName()));
  if (it != map.end() && it->second == cls) map.erase(it);
}

TdxClass dxFindClass(const std::string& name) {
  if (name.empty() || SameText(name, "nil")) return nullptr;
  const auto& map = RegisteredClasses();
  auto it = map.find(Key(name));
  return it == map.end() ? nullptr : it->second;
}

TdxClass dxGetClass(const std::string& name) {
  if (name.empty() || SameText(name, "nil")) return nullptr;
  TdxClass cls = dxFindClass(name);
  if (!cls) throw EdxPrintEngine(Format(dxPSMessages::ClassNotFound, name.c_str()));
  return cls;
}
