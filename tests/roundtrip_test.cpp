// Files that load must save to text that loads again: checked here on the
// fuzzers' old findings (fuzz_roundtrip checks it on everything else, the
// tool's tests on the shipped samples).

#include "plandata.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// Inputs the fuzzers once broke the round trip with: each must now load and
// save to text that loads the same.
TEST(RoundTrip, FuzzFindingsStayFixed) {
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(ZEQ_TEST_DATA_DIR "/findings")) {
        std::ifstream in(entry.path(), std::ios::binary);
        const std::string text{std::istreambuf_iterator<char>(in), {}};
        ++files;
        std::string first, second;
        if (!FormatPlanText(text, first)) continue;
        ASSERT_TRUE(FormatPlanText(first, second)) << entry.path();
        CSectionFile reparsed;
        EXPECT_TRUE(reparsed.ParseText(first)) << entry.path();
    }
    EXPECT_GE(files, 3);
}

} // namespace
