#include "support/failures.h"

#include <typeinfo>

#include "platform/platform.h"

std::string FailureClassName(const std::exception& failure) {
  if (const auto* own = dynamic_cast<const VarnoError*>(&failure)) return own->ClassName();
  return platform::ReadableTypeName(typeid(failure).name());
}
