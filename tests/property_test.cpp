// Properties over many random plan files (randomplanfile.h).

#include "plandata.h"
#include "randomplanfile.h"

#include <gtest/gtest.h>

namespace {

// What File Save writes, File Open and File Save give back unchanged: a
// second save never changes what a plan means.
TEST(Property, SavingWhatWasSavedChangesNothing) {
    testsupport::RandomPlanFile files(24);
    int loaded = 0;
    for (int i = 0; i < 10000; ++i) {
        const std::string text = files.Next();
        std::string once, twice;
        if (!FormatPlanText(text, once)) continue;
        ++loaded;
        ASSERT_TRUE(FormatPlanText(once, twice)) << text;
        ASSERT_EQ(twice, once) << text;
    }
    EXPECT_GT(loaded, 5000);
}

} // namespace
