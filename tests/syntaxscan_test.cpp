#include "syntaxscan.h"

#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

using testsupport::PrintTo;

// The tokens as "H[Plan1] N-5 S\"x\" C//c", so each rule reads as one row.
std::string Tokens(std::string_view text) {
    std::string out;
    for (const ColourRun& run : ScanColours(text)) {
        static const char kLetters[] = "NHSNC";
        const char letter = run.token == TokenClass::Number ? 'N' : kLetters[int(run.token)];
        if (!out.empty()) out += ' ';
        out += letter;
        out += text.substr(run.start, run.length);
    }
    return out;
}

struct ScanCase {
    const char* name;
    std::string text;
    std::string tokens;
};

class Scan : public testing::TestWithParam<ScanCase> {};

TEST_P(Scan, FindsTheTokens) {
    EXPECT_EQ(Tokens(GetParam().text), GetParam().tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Colouring, Scan,
    testing::Values(ScanCase{"Header", "[Plan1]", "H[Plan1]"},
                    ScanCase{"BracketAfterGraphicIsNoHeader", "x[1]", "N1"},
                    ScanCase{"UnclosedHeaderRunsToLineEnd", "[Plan1\r\nx", "H[Plan1"},
                    ScanCase{"HeaderAfterBlank", "a [b] c", "H[b]"},
                    ScanCase{"NegativeNumber", "planPriority = -5", "N-5"},
                    ScanCase{"FloatWithF", "loopDelay = 1.5f", "N1.5f"},
                    ScanCase{"LeadingPoint", "x = .5", "N.5"},
                    ScanCase{"LetterAfterDigits", "maxTries = 10x", ""},
                    ScanCase{"Exponent", "x = 10e5", ""},
                    ScanCase{"DigitsInNames", "targetType1 = \"\"", "S\"\""},
                    ScanCase{"NameWithUnderscore", "attackType1_1 = \"a\"", "S\"a\""},
                    ScanCase{"QuoteClosedByApostrophe", "a = \"x'y\"", "S\"x' S\""},
                    ScanCase{"UnclosedStringStopsAtLineEnd", "a = \"xy\r\nb", "S\"xy"},
                    ScanCase{"CommentLine", "// [x] \"y\" 12", "C// [x] \"y\" 12"},
                    ScanCase{"LoneSlash", "a = 1/2", "N1 N2"},
                    ScanCase{"CommentGluedToName", "x1//note here", ""},
                    ScanCase{"CommentAfterNumber", "x = 5 // five", "N5 C// five"},
                    ScanCase{"DigitAfterHighByte",
                             "\xe9"
                             "5",
                             "N5"},
                    ScanCase{"NumberBeforeEquals", "x1=5", "N5"},
                    ScanCase{"TokensStopAtTheEnd", "\"abc", "S\"abc"},
                    ScanCase{"SlashAtEnd", "a /", ""}, ScanCase{"Empty", "", ""}),
    testsupport::RowName());

} // namespace

#include "planmanager.h"
#include "sourceassist.h"
#include "unitlist.h"

namespace {

TEST(SourceAssist, PartnersOfBracketsAndQuotes) {
    struct Case {
        const char* line;
        std::size_t pos;
        std::optional<std::size_t> partner;
    };
    const Case cases[] = {
        {"[Plan1]", 0, 6},           {"[Plan1]", 6, 0},
        {"a = [x[1]]", 4, 9},        {"a = [x[1]]", 6, 8},
        {"a = \"xy\"", 4, 7},        {"a = \"xy\"", 7, 4},
        {"a = 'x\" \"y'", 8, 10},    {"a = \"open", 4, std::nullopt},
        {"[Plan1", 0, std::nullopt}, {"abc", 1, std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PartnerOf(c.line, c.pos), c.partner) << c.line << " @" << c.pos;
}

std::vector<std::string> Texts(const std::vector<Completion>& completions) {
    std::vector<std::string> texts;
    for (const Completion& c : completions)
        texts.push_back(c.text);
    return texts;
}

// Keys of the section the caret is in (with the plan type's parameters),
// headers at a '[', and after '=' the unit classes with their names.
TEST(SourceAssist, CompletionsKnowTheCatalogs) {
    CPlanManager plans;
    PlanTypeInfo* hold = plans.AddPlanType("Hold");
    CPlanManager::AddParamDef(hold, "holdType", ParamKindString | ParamMulti);
    CPlanManager::AddParamDef(hold, "holdPoint", ParamKindString);
    CUnitList units;
    CUnitList::AddUnit(units.AddGroup("G"), "Gun Spire", "iu_spire");
    CUnitList::AddUnit(units.AddGroup("H"), "Builder", "iu_builder");

    EXPECT_EQ(Texts(CompletionsAt({"Plan3", "Hold", "hold"}, &plans, &units)),
              (std::vector<std::string>{"holdType1 = ", "holdPoint = "}));
    EXPECT_EQ(Texts(CompletionsAt({"Plan3", "Hold", "planC"}, &plans, &units)),
              (std::vector<std::string>{
                  "planCondition = ", "planConditionClass = ", "planConditionCount = "}));
    const auto classes = CompletionsAt({"Plan3", "Hold", "holdType2 = \"iu_s"}, &plans, &units);
    ASSERT_EQ(Texts(classes), std::vector<std::string>{"\"iu_spire\""});
    EXPECT_EQ(classes[0].detail, "Gun Spire");
    EXPECT_EQ(Texts(CompletionsAt({"Start", "", "consClass = iu"}, &plans, &units)),
              (std::vector<std::string>{"\"iu_spire\"", "\"iu_builder\""}));
    EXPECT_TRUE(CompletionsAt({"Plan3", "Hold", "holdPoint = "}, &plans, &units).empty());
    EXPECT_EQ(Texts(CompletionsAt({"Cheat", "", "[p", 7}, &plans, &units)),
              std::vector<std::string>{"[Plan7]"});
    EXPECT_EQ(CompletionPrefix("  buildType1 = \"iu_b"), "\"iu_b");
    EXPECT_EQ(Texts(CompletionsAt({"Plan3", "Hold", "doNextOnFail = "}, &plans, &units)),
              (std::vector<std::string>{"1", "0"}));
    EXPECT_TRUE(CompletionsAt({"Plan3", "Hold", "x = 1 // hold"}, &plans, &units).empty());
}

} // namespace
