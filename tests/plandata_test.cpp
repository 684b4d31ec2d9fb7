#include "plandata.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

using testsupport::PrintTo;

using testsupport::Crlf;

// Loads a plan file from text as File Open does.
CPlanData Load(const std::string& text) {
    CSectionFile file;
    EXPECT_TRUE(file.ParseText(text)) << file.LastError().message;
    CPlanData data;
    data.LoadFromSections(file);
    return data;
}

// The bytes File Save writes for the model.
std::string Save(const CPlanData& data) {
    return data.Text();
}

// The model on one line: "start 7 c s | cheat 1 2 | match t:a,b | plan T 5 f3
// Exists:u:2 k=v", so that each loading rule reads as one row of a table.
std::string Describe(const CPlanData& data) {
    const StartSection& s = data.start;
    std::string out = "start " + std::to_string(s.scrapCount) + " " + s.consClass + " " +
                      s.scavClass + " | cheat " + std::to_string(s.moneyAmount) + " " +
                      std::to_string(s.moneyDelay);
    for (const auto& match : data.matches.All()) {
        out += " | match " + match->unitClass + ":";
        for (const MatchAttacker& a : match->attackers)
            out += (&a == &match->attackers.front() ? "" : ",") + a.unitClass;
    }
    for (const auto& plan : data.plans.All()) {
        out += " | plan " + plan->planType + " " + std::to_string(plan->priority);
        if (plan->flags) out += " f" + std::to_string(plan->flags);
        const PlanCondition& c = plan->condition;
        if (!c.kind.empty() || !c.unitClass.empty())
            out += " " + c.kind + ":" + c.unitClass + ":" + std::to_string(c.count);
        for (const PlanParameter& p : plan->parameters)
            out += " " + p.key + "=" + p.value;
    }
    return out;
}

struct LoadCase {
    const char* name;
    std::string text;
    std::string model;
};

class LoadsTo : public testing::TestWithParam<LoadCase> {};

TEST_P(LoadsTo, Model) {
    EXPECT_EQ(Describe(Load(GetParam().text)), GetParam().model);
}

const std::string kNoStart = "start 0   | cheat 0 0";

std::string Plans(std::initializer_list<int> numbers) {
    std::string text;
    for (int n : numbers)
        text += "[Plan" + std::to_string(n) + "]\r\nplanType = P" + std::to_string(n) +
                "\r\nplanPriority = 1\r\n";
    return text;
}

INSTANTIATE_TEST_SUITE_P(
    PlanLoad, LoadsTo,
    testing::Values(
        LoadCase{"NamesMatchWithoutCaseAndNumbersClamp",
                 "[start]\r\nSCRAPCOUNT = 300\r\n[Cheat]\r\nmoneyDelay = 5000\r\n"
                 "moneyAmount = 12abc\r\n",
                 "start 255   | cheat 12 3600"},
        LoadCase{"ClassesLoseTheirQuotesAndAreCut",
                 "[Start]\r\nconsClass = 'abc'\r\nscavClass = \"abcdefghijklmnopqrst\"\r\n",
                 "start 0 abc abcdefghijklmnop | cheat 0 0"},
        LoadCase{"FirstSectionAndKeyOfANameWin",
                 "[Start]\r\nscrapCount = 1\r\nconsClass = a\r\nCONSCLASS = b\r\n"
                 "[START]\r\nscrapCount = 2\r\n",
                 "start 1 a  | cheat 0 0"},
        LoadCase{"PrioritiesMustBeginWithADigit",
                 "[Plan1]\r\nplanType = \"A\"\r\nplanPriority = \"50\"\r\n"
                 "[Plan2]\r\nplanType = \"B\"\r\nplanPriority = 12abc\r\n"
                 "[Plan3]\r\nplanType = \"\"\r\nplanPriority = 5\r\n"
                 "[Plan4]\r\nplanPriority = 5\r\n[Plan5]\r\nplanType = C\r\n"
                 "planPriority = 99999\r\n",
                 kNoStart + " | plan B 12 | plan C 16384"},
        LoadCase{"ConditionCountNeedsAClass",
                 "[Plan1]\r\nplanType=A\r\nplanPriority=1\r\nplanCondition=\"Exists\"\r\n"
                 "planConditionClass=\"u\"\r\nplanConditionCount=999\r\n"
                 "[Plan2]\r\nplanType=B\r\nplanPriority=1\r\nplanCondition=Maybe\r\n"
                 "planConditionCount=9\r\n",
                 kNoStart + " | plan A 1 Exists:u:255 | plan B 1 Maybe::0"},
        LoadCase{"FlagsAreSetByPositiveNumbers",
                 "[Plan1]\r\nplanType=A\r\nplanPriority=1\r\ndoNextOnFail=2\r\nbuildIfNoIdle=0\r\n"
                 "[Plan2]\r\nplanType=B\r\nplanPriority=1\r\ndoNextOnFail=-1\r\n"
                 "buildIfNoIdle=1\r\n[Plan3]\r\nplanType=C\r\nplanPriority=1\r\n"
                 "doNextOnFail=\"1\"\r\n",
                 kNoStart + " | plan A 1 f1 | plan B 1 f2 | plan C 1"},
        LoadCase{"UnknownKeysAndRepeatedKnownKeysBecomeParametersInOrder",
                 "[Plan1]\r\nbuildType1 = \"iu_dynamo\"\r\nplanType = \"A\"\r\n"
                 "planType = \"Second\"\r\nplanPriority = 3\r\nbuildCount1 = 2\r\n",
                 kNoStart + " | plan A 3 buildType1=\"iu_dynamo\" planType=\"Second\" "
                            "buildCount1=2"},
        // 1..256 are all looked for; after 256 the first gap (258) ends the
        // scan. Of two Plan3 sections only the first is read.
        LoadCase{"PlanSectionScan", Plans({257, 3, 300, 256, 200, 1, 3}),
                 kNoStart + " | plan P1 1 | plan P3 1 | plan P200 1 | plan P256 1 | plan P257 1"},
        LoadCase{"MatchNumberingStopsAtTheFirstGap",
                 "[Match]\r\ntargetType1 = \"a\"\r\nattackType1_1 = \"x\"\r\n"
                 "attackType1_3 = \"z\"\r\ntargetType4 = \"d\"\r\ntargetType2 = \"\"\r\n",
                 kNoStart + " | match a:x | match :"},
        LoadCase{"MatchWithoutTheFirstTarget", "[Match]\r\ntargetType2 = \"b\"\r\n", kNoStart}),
    testsupport::RowName());

// --- The lists ---------------------------------------------------------

TEST(PlanList, AddPlanRefusesEmptyTypeAndZeroPriorityAndClamps) {
    PlanList plans;
    EXPECT_EQ(plans.AddPlan("", 10), nullptr);
    EXPECT_EQ(plans.AddPlan("Hold", 0), nullptr);
    EXPECT_EQ(plans.CountPlans(), 0u);
    EXPECT_EQ(plans.AddPlan("Hold", 20000)->priority, 16384u);
    EXPECT_EQ(plans.AddPlan(std::string(40, 'T'), 5)->planType, std::string(30, 'T'));
    std::unique_ptr<PlanEntry> removed = plans.RemovePlan(plans.All()[0].get());
    EXPECT_EQ(removed->planType, "Hold");
    EXPECT_EQ(plans.RemovePlan(nullptr), nullptr);
    EXPECT_EQ(plans.CountPlans(), 1u);
}

// Plans taken out (as Delete does) go back as the same records, where they were.
TEST(PlanList, TakenPlansGoBackWhereTheyWere) {
    PlanList plans;
    std::vector<const PlanEntry*> all;
    for (std::uint32_t p = 1; p <= 5; ++p)
        all.push_back(plans.AddPlan("Hold", p));
    Taken<PlanEntry> taken = plans.Take({all[3], all[0]});
    EXPECT_EQ(plans.InOrder(), (std::vector<const PlanEntry*>{all[1], all[2], all[4]}));
    EXPECT_EQ(plans.Put(taken), (std::vector<PlanEntry*>{const_cast<PlanEntry*>(all[0]),
                                                         const_cast<PlanEntry*>(all[3])}));
    EXPECT_EQ(plans.InOrder(), all);
    EXPECT_EQ(ComparePlanPriority(nullptr, all[0]), 0); // a missing plan has no order
}

// Priorities above 16384 would be clamped on the next load: long lists get
// the largest step that fits, and past 16384 plans an even spread.
// Plan 0 moved past plan 1: exchanged, or past an equal priority one on,
// the plans in its way moving on; never past 16384 or below 1.
TEST(PlanList, MovedPriorities) {
    const std::tuple<std::vector<std::uint32_t>, bool, const char*> cases[] = {
        {{3, 5}, true, "5 3 "},
        {{5, 5, 6, 7, 9}, true, "6 5 7 8 9 "},
        {{5, 5, 4, 3, 1}, false, "4 5 3 2 1 "},
        {{1, 1}, false, "none"},
        {{16383, 16383, 16384}, true, "none"},
        {{2, 2, 1}, false, "none"},
    };
    for (const auto& [priorities, up, expected] : cases) {
        std::vector<PlanEntry> plans;
        for (std::uint32_t p : priorities)
            plans.push_back({"Hold", p, 0, {}, {}});
        std::vector<const PlanEntry*> all;
        for (const PlanEntry& plan : plans)
            all.push_back(&plan);
        std::string result = "none";
        if (const auto moves = MovedPriorities(all, all[0], all[1], up)) {
            for (const auto& [plan, priority] : *moves)
                plans[std::size_t(plan - all[0])].priority = priority;
            result.clear();
            for (const PlanEntry& plan : plans)
                result += std::to_string(plan.priority) + " ";
        }
        EXPECT_EQ(result, expected);
    }
}

TEST(PlanList, ArrangedPrioritiesStayInRangeAndInOrder) {
    struct Case {
        std::uint32_t plans, first, last;
    };
    for (const Case& c : {Case{1638, 16380, 10}, Case{2000, 16000, 8}, Case{16384, 16384, 1},
                          Case{20000, 16384, 1}}) {
        PlanList plans;
        for (std::uint32_t i = 0; i < c.plans; ++i)
            plans.AddPlan(std::to_string(i), 1);
        plans.ArrangePriorities(10);
        EXPECT_EQ(plans.All().front()->priority, c.first) << c.plans;
        EXPECT_EQ(plans.All().back()->priority, c.last) << c.plans;
        EXPECT_EQ(plans.All()[1]->planType, "1"); // the order is kept
        for (std::size_t i = 1; i < plans.All().size(); ++i)
            ASSERT_LE(plans.All()[i]->priority, plans.All()[i - 1]->priority);
    }
}

// --- Files -------------------------------------------------------------

using PlanFiles = testsupport::TempFolder;

TEST_F(PlanFiles, UnreadableFilesLeaveTheModelEmptyAndSayWhy) {
    CPlanData data = Load(Plans({1}));
    Diagnostic error;
    EXPECT_FALSE(data.LoadPlanFile(Write("empty.zeq", ""), &error));
    EXPECT_EQ(data.plans.CountPlans(), 0u);
    EXPECT_EQ(error.line, 0);
    EXPECT_EQ(error.message, "the file is empty");
    EXPECT_FALSE(data.LoadPlanFile(Write("broken.zeq", "[Start]\r\nscrapCount = 1]\r\n"), &error));
    EXPECT_EQ(error.line, 2);

    std::string saveError;
    EXPECT_FALSE(data.SavePlanFile(Path("missing/x.zeq"), &saveError));
    EXPECT_FALSE(saveError.empty());
}

// --- Saving ------------------------------------------------------------

TEST(PlanSave, OnePlanAndNothingElse) {
    CPlanData data;
    data.plans.AddPlan("BuildLoop", 10);
    data.start.moneyAmount = 10; // with a delay of 0 there is no Cheat section
    EXPECT_EQ(Save(data), Crlf("[Start]\nconsClass = \nscavClass = \n\n"
                               "[Plan1]\nplanType = \"BuildLoop\"\nplanPriority = 10\n\n"));
}

TEST(PlanSave, EverySectionInOrder) {
    CPlanData data;
    data.start = {7, "cons", "scav", 10, 20};
    MatchEntry* first = data.matches.AddTarget("t1");
    MatchList::AddAttacker(first, "a1");
    MatchList::AddAttacker(first, "a2");
    data.matches.AddTarget("t2");
    PlanEntry* full = data.plans.AddPlan("Full", 3);
    full->condition.Set("Exists", "unit", 2);
    full->flags = PlanFlagDoNextOnFail | PlanFlagBuildIfNoIdle;
    full->parameters = {{"holdPoint", "bare"}, {"maxTries", "3"}};
    data.plans.AddPlan("KindOnly", 2)->condition.Set("Exists", "", 0);
    data.plans.AddPlan("ClassOnly", 4)->condition.Set("", "unit", 4);
    data.plans.AddPlan("ZeroCount", 2)->condition.Set("Exists", "unit", 0);

    EXPECT_EQ(Save(data), Crlf("[Start]\nscrapCount = 7\nconsClass = \"cons\"\n"
                               "scavClass = \"scav\"\n\n"
                               "[Cheat]\nmoneyAmount = 10\nmoneyDelay = 20\n\n"
                               "[Match]\ntargetType1 = \"t1\"\nattackType1_1 = \"a1\"\n"
                               "attackType1_2 = \"a2\"\ntargetType2 = \"t2\"\n\n"
                               "[Plan1]\nplanType = \"ClassOnly\"\nplanPriority = 4\n\n"
                               "[Plan2]\nplanType = \"Full\"\nplanPriority = 3\n"
                               "planCondition = \"Exists\"\nplanConditionClass = \"unit\"\n"
                               "planConditionCount = 2\nholdPoint = bare\nmaxTries = 3\n"
                               "buildIfNoIdle = 1\ndoNextOnFail = 1\n\n"
                               "[Plan3]\nplanType = \"KindOnly\"\nplanPriority = 2\n\n"
                               "[Plan4]\nplanType = \"ZeroCount\"\nplanPriority = 2\n"
                               "planCondition = \"Exists\"\nplanConditionClass = \"unit\"\n\n"));
    // zeq fmt gives that text back: plans of equal priority stay in the order read.
    std::string formatted;
    ASSERT_TRUE(FormatPlanText(Save(data), formatted));
    EXPECT_EQ(formatted, Save(data));
}

TEST(PlanSave, ReloadDropsWhatTheModelDoesNotHold) {
    CPlanData data = Load("// comment\r\n[Other]\r\nx = 1\r\n[Start]\r\nextra = 1\r\n"
                          "consClass = c\r\nscavClass = s\r\n[Plan5]\r\nplanType = T\r\n"
                          "planPriority = 1\r\nbuildIfNoIdle = 0\r\ncustom = 1\r\n"
                          "BUILDIFNOIDLE = 43\r\nplanType = U\r\n");
    EXPECT_EQ(Save(data), Crlf("[Start]\nconsClass = \"c\"\nscavClass = \"s\"\n\n"
                               "[Plan1]\nplanType = \"T\"\nplanPriority = 1\ncustom = 1\n\n"));
}

} // namespace
