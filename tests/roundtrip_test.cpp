// Files that load must save to text that loads again, and saving what was
// saved must change nothing: checked on the shipped samples and on generated
// files.

#include "plandata.h"
#include "planformat.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace {

class Generator {
public:
    explicit Generator(unsigned seed) : m_random(seed) {}

    // `wild` allows anything; otherwise quotes only wrap whole values and no
    // plan repeats a known key, the two cases whose text changes on every save.
    std::string PlanFile(bool wild) {
        std::string text;
        const int sections = Pick(0, 12);
        for (int s = 0; s < sections; ++s) {
            text += Blanks() + "[" + SectionName() + "]" + Blanks() + LineEnd();
            const int entries = Pick(0, 8);
            std::vector<std::string> used;
            for (int e = 0; e < entries; ++e) {
                std::string key = Key(wild);
                if (!wild && std::find(used.begin(), used.end(), key) != used.end()) continue;
                used.push_back(key);
                text += Blanks() + key + Blanks() + "=" + Blanks() + Value(wild) + Comment() +
                        LineEnd();
            }
        }
        return text;
    }

private:
    int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }

    template <typename T> const T& OneOf(const std::vector<T>& items) {
        return items[static_cast<std::size_t>(Pick(0, int(items.size()) - 1))];
    }

    std::string SectionName() {
        static const std::vector<std::string> names = {"Start", "Cheat", "Match", "START", "Other"};
        if (Pick(0, 2) == 0) return OneOf(names);
        return (Pick(0, 1) ? "Plan" : "plan") + std::to_string(Pick(0, 300));
    }

    std::string Key(bool wild) {
        static const std::vector<std::string> keys = [] {
            std::vector<std::string> all = {
                TargetKey(1), TargetKey(2), AttackerKey(1, 1), AttackerKey(2, 1), "buildType1",
                "holdPoint",  "x"};
            all.insert(all.end(), kStartKeys.begin(), kStartKeys.end());
            all.insert(all.end(), kCheatKeys.begin(), kCheatKeys.end());
            all.insert(all.end(), kPlanKeys.begin(), kPlanKeys.end());
            return all;
        }();
        std::string key = OneOf(keys);
        if (wild && Pick(0, 6) == 0) key += OneOf(std::vector<std::string>{"'", "\"", "[a]", ""});
        return key;
    }

    std::string Word() {
        static const std::vector<std::string> words = {
            "0",     "1",      "50",        "300",
            "20000", "12abc",  "-1",        "iu_builder",
            "",      "Exists", "HisExists", "abcdefghijklmnopqrstuvwxyz0123456789",
            "[1]",   "a/b",    "\xe9\xff",  "x']"};
        return OneOf(words);
    }

    std::string Value(bool wild) {
        std::string word = Word();
        if (Pick(0, 3) == 0) word += " " + Word();
        switch (Pick(0, wild ? 5 : 2)) {
        case 0:
            return word;
        case 1:
            return "\"" + word + "\"";
        case 2:
            return "'" + word + "'";
        case 3:
            return "\"" + word; // closed at the line end
        case 4:
            return word + "'" + Word();
        default:
            return "\"" + word + "\"" + Word() + "\"";
        }
    }

    std::string Blanks() { return std::string(std::size_t(Pick(0, 2)), Pick(0, 1) ? ' ' : '\t'); }
    std::string Comment() { return Pick(0, 4) == 0 ? " // note" : ""; }
    std::string LineEnd() { return Pick(0, 3) == 0 ? "\r\n\r\n" : "\r\n"; }

    std::mt19937 m_random;
};

TEST(RoundTrip, ShippedSamplesAreStable) {
    for (const char* name : {"ironclad_defence.zeq", "verdant_rush.zeq", "neutral_outpost.zeq"}) {
        CPlanData data;
        ASSERT_TRUE(data.LoadPlanFile(std::string(ZEQ_DATA_DIR) + "/samples/" + name)) << name;
        CSectionFile out;
        data.SaveToSections(out);
        std::string again;
        ASSERT_TRUE(FormatPlanText(out.WriteText(), again)) << name;
        EXPECT_EQ(again, out.WriteText()) << name;
    }
}

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

TEST(RoundTrip, GeneratedFilesSaveToTextThatLoadsTheSame) {
    for (unsigned seed = 1; seed <= 400; ++seed) {
        Generator generator(seed);
        const std::string text = generator.PlanFile(false);
        std::string first, second;
        if (!FormatPlanText(text, first)) continue;
        ASSERT_TRUE(FormatPlanText(first, second)) << "seed " << seed << "\n" << text;
        ASSERT_EQ(second, first) << "seed " << seed << "\n" << text;
    }
}

TEST(RoundTrip, WildFilesStillSaveToTextThatLoads) {
    int loaded = 0;
    for (unsigned seed = 1; seed <= 400; ++seed) {
        Generator generator(seed);
        const std::string text = generator.PlanFile(true);
        std::string first, second, third;
        if (!FormatPlanText(text, first)) continue;
        ++loaded;
        ASSERT_TRUE(FormatPlanText(first, second)) << "seed " << seed << "\n" << text;
        ASSERT_TRUE(FormatPlanText(second, third)) << "seed " << seed << "\n" << text;
    }
    EXPECT_GT(loaded, 100); // the generator must mostly make loadable files
}

} // namespace
