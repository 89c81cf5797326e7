// Holds an object's BeginUpdate for a scope: EndUpdate runs when the scope
// ends, also when an exception passes (see ScopeExit for failures of
// EndUpdate itself).
#pragma once

#include <exception>

#include "platform/ScopeExit.h"

template <typename T>
class UpdateLock {
 public:
  explicit UpdateLock(T& object) : object_(object), exceptions_(std::uncaught_exceptions()) { object_.BeginUpdate(); }
  ~UpdateLock() noexcept(false) {
    auto end = [this] { object_.EndUpdate(); };
    scope_guard_detail::RunOnExit(end, exceptions_);
  }
  UpdateLock(const UpdateLock&) = delete;
  UpdateLock& operator=(const UpdateLock&) = delete;

 private:
  T& object_;
  int exceptions_;
};
