#include "planfilechecker.h"

#include <gtest/gtest.h>

namespace {

// The findings as "line:e|w:message" so that each rule reads as one row.
std::vector<std::string> Findings(const std::string& text, const CPlanManager* plans = nullptr,
                                  const CUnitList* units = nullptr) {
    std::vector<std::string> out;
    for (const CheckFinding& f : CPlanFileChecker(plans, units).Check(text))
        out.push_back(std::to_string(f.line) + (f.error ? ":e:" : ":w:") + f.message);
    return out;
}

bool Has(const std::vector<std::string>& findings, const std::string& prefix) {
    for (const std::string& f : findings)
        if (f.rfind(prefix, 0) == 0) return true;
    return false;
}

const std::string kStart = "[Start]\r\nconsClass = c\r\nscavClass = s\r\n";

struct Rule {
    const char* name;
    std::string text;
    std::string finding; // the start of one expected finding
};

void PrintTo(const Rule& r, std::ostream* os) {
    *os << r.name;
}

class CheckerRule : public testing::TestWithParam<Rule> {};

TEST_P(CheckerRule, IsReported) {
    const auto findings = Findings(GetParam().text);
    EXPECT_TRUE(Has(findings, GetParam().finding)) << testing::PrintToString(findings);
}

INSTANTIATE_TEST_SUITE_P(
    Check, CheckerRule,
    testing::Values(
        Rule{"ParseError", "[Start]\r\na = 1]\r\n", "2:e:']' without an open '['"},
        Rule{"NoPlanType", kStart + "[Plan1]\r\nplanPriority = 1\r\n",
             "4:e:plan [Plan1] is dropped: it has no planType"},
        Rule{"QuotedPriority", kStart + "[Plan1]\r\nplanType = A\r\nplanPriority = \"5\"\r\n",
             "6:e:plan [Plan1] is dropped: planPriority must be a number from 1 to 16384 (a "
             "quoted"},
        Rule{"UnreachedPlan", kStart + "[Plan300]\r\nplanType = A\r\nplanPriority = 1\r\n",
             "4:e:plan section [Plan300] is never read"},
        Rule{"LeadingZero", kStart + "[Plan01]\r\n", "4:e:plan section [Plan01] is never read"},
        Rule{"DuplicatePlan", kStart + "[Plan1]\r\nplanType=A\r\nplanPriority=1\r\n[PLAN1]\r\n",
             "7:e:only the first [PLAN1] section is read"},
        Rule{"OtherSection", kStart + "[Notes]\r\n", "4:w:section [Notes] is not part"},
        Rule{"UnknownStartKey", kStart + "extra = 1\r\n", "4:w:'extra' is not read from [Start]"},
        Rule{"RepeatedStartKey", kStart + "consClass = d\r\n", "4:w:'consClass' appears again"},
        Rule{"MissingClass", "[Start]\r\nconsClass = c\r\n", "1:w:[Start] has no scavClass"},
        Rule{"NoStart", "[Cheat]\r\nmoneyAmount=1\r\nmoneyDelay=1\r\n",
             "1:w:the file has no [Start] section"},
        Rule{"CheatDropped", kStart + "[Cheat]\r\nmoneyAmount = 5\r\n",
             "4:w:[Cheat] is dropped on saving"},
        Rule{"Clamped", kStart + "[Cheat]\r\nmoneyAmount = 5\r\nmoneyDelay = 5000\r\n",
             "6:w:'moneyDelay' is cut from 5000 to 3600"},
        Rule{"DigitsThenText", "[Start]\r\nscrapCount = 12abc\r\n",
             "2:w:'scrapCount = 12abc' reads as 12"},
        Rule{"SignedNumber", "[Start]\r\nscrapCount = -5\r\n", "2:w:'scrapCount = -5' reads as 0"},
        Rule{"LongClass", "[Start]\r\nconsClass = abcdefghijklmnopqrst\r\n",
             "2:w:'consClass' is cut to 16 characters: 'abcdefghijklmnop'"},
        Rule{"QuoteInsideText", "[Start]\r\nconsClass = \"it's\"\r\n",
             "2:w:the text of 'consClass' holds a quote character"},
        Rule{"OpenQuote", "[Start]\r\nconsClass = \"abc\r\n", "2:w:a quote is not closed"},
        Rule{"MatchGap", kStart + "[Match]\r\ntargetType1 = a\r\ntargetType3 = c\r\n",
             "6:w:'targetType3' is not read"},
        Rule{"IncompleteCondition",
             kStart + "[Plan1]\r\nplanType=A\r\nplanPriority=1\r\nplanCondition=Exists\r\n",
             "7:w:the condition needs both"},
        Rule{"UnknownConditionKind",
             kStart + "[Plan1]\r\nplanType=A\r\nplanPriority=1\r\nplanCondition=Maybe\r\n"
                      "planConditionClass=u\r\n",
             "7:w:condition 'Maybe' is not one of"},
        Rule{"RepeatedPlanKey",
             kStart + "[Plan1]\r\nplanType=A\r\nplanPriority=1\r\ndoNextOnFail=1\r\n"
                      "doNextOnFail=0\r\n",
             "8:w:'doNextOnFail' appears again: the first is used and this one becomes a "
             "parameter"},
        Rule{"CommentJoinsLines", "[Start]\nconsClass = c // who\nscavClass = s\n",
             "2:w:this comment swallows its line break"}),
    [](const auto& info) { return info.param.name; });

TEST(Check, CleanFilesHaveNoFindings) {
    EXPECT_TRUE(Findings(kStart + "[Plan1]\r\nplanType = \"A\"\r\nplanPriority = 5\r\n"
                                  "// a comment on its own line\r\n"
                                  "planCondition = \"exists\"\r\nplanConditionClass = u\r\n")
                    .empty());
    // A comment on a line of its own swallows an LF harmlessly.
    EXPECT_TRUE(Findings("// head\n[Start]\nconsClass = c\nscavClass = s\n").empty());
}

TEST(Check, CatalogsAddTheirChecks) {
    CPlanManager plans;
    PlanTypeInfo* hold = plans.AddPlanType("Hold");
    CPlanManager::AddParamDef(hold, "holdType", ParamKindString | ParamMulti);
    CUnitList units;
    CUnitList::AddUnit(units.AddGroup("G"), "Tank", "tank");

    const auto findings =
        Findings("[Start]\r\nconsClass = TANK\r\nscavClass = scav\r\n"
                 "[Plan1]\r\nplanType = Hold\r\nplanPriority = 1\r\nholdType1 = tank\r\n"
                 "holdPoint = p\r\nplanCondition = Exists\r\nplanConditionClass = tank\r\n"
                 "[Plan2]\r\nplanType = Other\r\nplanPriority = 1\r\nanything = 1\r\n",
                 &plans, &units);
    EXPECT_EQ(findings, (std::vector<std::string>{
                            "3:w:unit class 'scav' is not in the unit catalog",
                            "8:w:'holdPoint' is not a parameter of plan type 'Hold'",
                            "9:w:plan type 'Hold' takes no condition; the editor clears it "
                            "when the plan is edited",
                            "12:w:plan type 'Other' is not in the plan-type catalog"}));
}

} // namespace
