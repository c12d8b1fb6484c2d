// The edge of a routine that, when its work fails, writes an exception report
// and goes on with a neutral value, so that the work under it stays a plain
// function.
#pragma once

#include <exception>
#include <type_traits>

#include "support/exception_report.h"

// Runs `work`; when it throws, writes the report of a failure in `function`
// at checkpoint `trace` and returns `neutral` instead.
template <typename Work>
std::invoke_result_t<Work> Guarded(const char* function, int trace,
                                   std::type_identity_t<std::invoke_result_t<Work>> neutral,
                                   Work&& work) {
  try {
    return work();
  } catch (const std::exception& failure) {
    ReportCaughtFailure(function, failure, trace);
    return neutral;
  }
}
