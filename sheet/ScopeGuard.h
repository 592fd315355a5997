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
