// Gives a variable a value for a scope and puts its old value back when the
// scope ends, also when an exception passes.
#pragma once

#include <type_traits>
#include <utility>

template <typename T>
class ScopedValue {
 public:
  ScopedValue(T& variable, std::type_identity_t<T> value) : variable_(variable), saved_(variable) {
    variable_ = std::move(value);
  }
  ~ScopedValue() { variable_ = std::move(saved_); }
  ScopedValue(const ScopedValue&) = delete;
  ScopedValue& operator=(const ScopedValue&) = delete;

 private:
  T& variable_;
  T saved_;
};
