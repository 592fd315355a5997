#pragma once

#include <utility>

// Runs a function when the scope is left, also by an exception: the "in every case" cleanup of
// update locks, history steps and cursors.
template <typename F>
class TScopeGuard {
public:
  explicit TScopeGuard(F f) : f_(std::move(f)) {}
  ~TScopeGuard() {
    if (active_) f_();
  }
  TScopeGuard(const TScopeGuard&) = delete;
  TScopeGuard& operator=(const TScopeGuard&) = delete;
  void Dismiss() { active_ = false; }

private:
  F f_;
  bool active_ = true;
};

// Runs `body`, then `finally` also when `body` throws. Unlike a scope guard, `finally` may itself
// throw (it ends an update lock, which recalculates, or calls the workbook's handlers) without
// ending the program; an error of `body` is then replaced by that of `finally`.
template <typename Body, typename Finally>
void TryFinally(Body&& body, Finally&& finally) {
  try {
    body();
  } catch (...) {
    finally();
    throw;
  }
  finally();
}
