// Runs a function when leaving the scope, also when an exception passes
// (ScopeExit), or only when an exception passes (ScopeFail).
//
// On a normal exit a failure of the function goes on to the caller. While an
// exception is already leaving the scope, that exception is the one passed
// on and a failure of the clean-up is dropped.
#pragma once

#include <exception>
#include <utility>

namespace scope_guard_detail {
template <typename F>
void RunOnExit(F& f, int exceptionsBefore) {
  if (std::uncaught_exceptions() <= exceptionsBefore) {
    f();
    return;
  }
  try {
    f();
  } catch (...) {
    // The exception already leaving the scope wins.
  }
}
}  // namespace scope_guard_detail

template <typename F>
class ScopeExit {
 public:
  explicit ScopeExit(F f) : f_(std::move(f)), exceptions_(std::uncaught_exceptions()) {}
  ~ScopeExit() noexcept(false) { scope_guard_detail::RunOnExit(f_, exceptions_); }
  ScopeExit(const ScopeExit&) = delete;
  ScopeExit& operator=(const ScopeExit&) = delete;

 private:
  F f_;
  int exceptions_;
};

// Undoes a step that is only kept when the scope ends normally.
template <typename F>
class ScopeFail {
 public:
  explicit ScopeFail(F f) : f_(std::move(f)), exceptions_(std::uncaught_exceptions()) {}
  ~ScopeFail() {
    if (std::uncaught_exceptions() <= exceptions_) return;
    try {
      f_();
    } catch (...) {
      // The exception already leaving the scope wins.
    }
  }
  ScopeFail(const ScopeFail&) = delete;
  ScopeFail& operator=(const ScopeFail&) = delete;

 private:
  F f_;
  int exceptions_;
};
