#include "support/then_always.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>

// The state a failure is reported with is taken over once on either path,
// and the failure itself still reaches the caller.
TEST(RunThenAlways, TakesTheStateOverOnceWhetherTheWorkRanThroughOrFailed) {
  std::string steps;
  RunThenAlways([&] { steps += "work "; }, [&] { steps += "afterwards"; });
  EXPECT_EQ(steps, "work afterwards");

  steps.clear();
  EXPECT_THROW(RunThenAlways(
                   [&] {
                     steps += "work ";
                     throw std::runtime_error("failed");
                   },
                   [&] { steps += "afterwards"; }),
               std::runtime_error);
  EXPECT_EQ(steps, "work afterwards");
}
