#include "Engine/Foundation/Assert.h"

#include <gtest/gtest.h>

// The test build checks its invariants: a call made out of order stops where it was made, with the
// condition and what the caller did wrong; one that holds passes.
TEST(AssertDeathTest, ABrokenInvariantStopsTheCallWithWhatItDidWrong)
{
#ifdef NDEBUG
    GTEST_SKIP() << "a release build checks no invariants";
#endif
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    [[maybe_unused]] const int stopped = 11;
    LUMVEK_ASSERT(stopped == 11, "never said");
    EXPECT_DEATH(LUMVEK_ASSERT(stopped != 11, "asked to enter state {} after it stopped", 3),
                 "AssertTests.cpp:[0-9]+: stopped != 11 failed: asked to enter state 3 after it stopped");
}
