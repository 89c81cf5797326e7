// Sets of the values of an enumeration, kept as the bits of an unsigned: the
// value n is bit n. Option sets are stored in this form, so these numbers
// are part of the stream formats.
#pragma once

#include <type_traits>

#include "platform/EnumBits.h"

template <typename E>
  requires std::is_enum_v<E>
constexpr unsigned dxBit(E value) {
  return 1u << unsigned(value);
}

// The set of the values given.
template <typename E, typename... More>
constexpr unsigned dxBits(E first, More... more) {
  return (dxBit(first) | ... | dxBit(more));
}

// Every value from the first up to last.
template <typename E>
constexpr unsigned dxBitsUpTo(E last) {
  return dxBit(last) | (dxBit(last) - 1);
}
