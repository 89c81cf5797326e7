// Typed access to the property values of form streams for the page model's
// readers: a value of the wrong type, an integer that does not fit into 32
// bits or an unknown enumeration identifier raises EReadError "Invalid
// property value".
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "platform/Exceptions.h"
#include "platform/Types.h"
#include "report/BaseObject.h"

namespace dxPropValues {

inline constexpr const char* InvalidValue = "Invalid property value";

inline int AsInt(const TdxPropertyValue& value) {
  const auto* v = std::get_if<std::int64_t>(&value);
  if (!v || *v < INT32_MIN || *v > INT32_MAX) throw EReadError(InvalidValue);
  return int(*v);
}

inline bool AsBool(const TdxPropertyValue& value) {
  const auto* v = std::get_if<bool>(&value);
  if (!v) throw EReadError(InvalidValue);
  return *v;
}

inline const std::string& AsString(const TdxPropertyValue& value) {
  const auto* v = std::get_if<std::string>(&value);
  if (!v) throw EReadError(InvalidValue);
  return *v;
}

inline const TBytes& AsBytes(const TdxPropertyValue& value) {
  const auto* v = std::get_if<TBytes>(&value);
  if (!v) throw EReadError(InvalidValue);
  return *v;
}

// The ordinal of an enumeration identifier among names (case ignored).
inline int AsEnum(const TdxPropertyValue& value, std::initializer_list<const char*> names) {
  const auto* v = std::get_if<TdxIdent>(&value);
  if (!v) throw EReadError(InvalidValue);
  int i = 0;
  for (const char* n : names) {
    if (SameText(v->Name, n)) return i;
    ++i;
  }
  throw EReadError(InvalidValue);
}

// The name after a prefix such as "Margins." (empty when name does not start
// with it).
inline std::string After(const std::string& name, const char* prefix) {
  const std::string p(prefix);
  return name.size() > p.size() && name.compare(0, p.size(), p) == 0 ? name.substr(p.size()) : std::string();
}

}  // namespace dxPropValues
