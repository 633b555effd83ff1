#include <gtest/gtest.h>

#include "app/environment.h"

TEST(Environment, VersionTestIsHierarchical) {
  // Whatever Wine reports, 5.1 is at most the current version and 99.0 is not.
  EXPECT_TRUE(IsOsVersionAtLeast(5, 1, 0));
  EXPECT_FALSE(IsOsVersionAtLeast(99, 0, 0));
}
