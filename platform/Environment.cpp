#include "platform/Environment.h"

#include "platform/FixedPlatform.h"

namespace {
std::shared_ptr<const TcxEnvironment>& DefaultSlot() {
  static std::shared_ptr<const TcxEnvironment> environment =
      MakeFixedEnvironment(TRegionalSettings::English());
  return environment;
}
}  // namespace

std::shared_ptr<const TcxEnvironment> TcxEnvironment::Default() { return DefaultSlot(); }

void TcxEnvironment::SetDefault(std::shared_ptr<const TcxEnvironment> environment) {
  if (environment) DefaultSlot() = std::move(environment);
}
