#pragma once

#include <functional>
#include <string>
#include <utility>

#include "platform/fault_injection.h"

namespace vaultara::store {

// A platform that runs a hook, once, when a named checkpoint is reached
// (for example to start a competing process in the middle of a commit).
class HookedPlatform : public platform::FaultInjection {
 public:
  HookedPlatform(platform::Platform& base, std::string point, std::function<void()> hook)
      : FaultInjection(base), point_(std::move(point)), hook_(std::move(hook)) {}

  void Checkpoint(const char* name) override {
    if (hook_ && point_ == name) {
      auto hook = std::move(hook_);
      hook_ = nullptr;
      hook();
    }
    FaultInjection::Checkpoint(name);
  }

 private:
  std::string point_;
  std::function<void()> hook_;
};

}  // namespace vaultara::store
