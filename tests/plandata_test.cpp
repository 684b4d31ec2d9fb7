#include "plandata.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace {

// Loads a plan file from text as File Open does.
CPlanData Load(const std::string& text) {
    CSectionFile file;
    EXPECT_TRUE(file.ParseText(text)) << file.LastError().reason;
    CPlanData data;
    data.LoadFromSections(file);
    return data;
}

// The bytes File Save writes for the model.
std::string Save(CPlanData& data) {
    CSectionFile file;
    data.SaveToSections(file);
    return file.WriteText();
}

std::string Crlf(std::string text) {
    std::string out;
    for (char c : text) {
        if (c == '\n') out += '\r';
        out += c;
    }
    return out;
}

std::vector<std::string> Types(const CPlanData& data) {
    std::vector<std::string> types;
    for (const auto& plan : data.plans.All())
        types.push_back(plan->planType);
    return types;
}

// --- The lists ---------------------------------------------------------

TEST(PlanList, AddPlanRefusesEmptyTypeAndZeroPriorityAndClamps) {
    PlanList plans;
    EXPECT_EQ(plans.AddPlan("", 10), nullptr);
    EXPECT_EQ(plans.AddPlan("Hold", 0), nullptr);
    EXPECT_EQ(plans.CountPlans(), 0u);
    EXPECT_EQ(plans.AddPlan("Hold", 20000)->priority, 16384u);
    EXPECT_EQ(plans.AddPlan(std::string(40, 'T'), 5)->planType, std::string(30, 'T'));
}

TEST(PlanList, SortIsStableAndDescending) {
    PlanList plans;
    for (auto [type, priority] : {std::pair{"A", 50}, {"B", 70}, {"C", 50}, {"D", 90}})
        plans.AddPlan(type, priority);
    plans.SortPlansByPriority();
    std::string order;
    for (const auto& plan : plans.All())
        order += plan->planType;
    EXPECT_EQ(order, "DBAC");
}

TEST(PlanList, ArrangePrioritiesRespacesFromTheTop) {
    PlanList plans;
    plans.AddPlan("first5", 5);
    plans.AddPlan("big", 500);
    plans.AddPlan("second5", 5);
    plans.ArrangePriorities(10);
    ASSERT_EQ(plans.CountPlans(), 3u);
    EXPECT_EQ(plans.All()[0]->planType, "big");
    EXPECT_EQ(plans.All()[0]->priority, 30u);
    EXPECT_EQ(plans.All()[1]->planType, "first5");
    EXPECT_EQ(plans.All()[1]->priority, 20u);
    EXPECT_EQ(plans.All()[2]->priority, 10u);
}

TEST(PlanList, ArrangePrioritiesDoesNotClamp) {
    PlanList plans;
    for (int i = 0; i < 2000; ++i)
        plans.AddPlan("P", 1);
    plans.ArrangePriorities(10);
    EXPECT_EQ(plans.All().front()->priority, 20000u);
    EXPECT_EQ(plans.All().back()->priority, 10u);
}

TEST(PlanList, RemoveHandsThePlanOver) {
    PlanList plans;
    PlanEntry* only = plans.AddPlan("Hold", 1);
    std::unique_ptr<PlanEntry> removed = plans.RemovePlan(only);
    EXPECT_EQ(removed.get(), only);
    EXPECT_EQ(plans.CountPlans(), 0u);
    EXPECT_EQ(plans.RemovePlan(nullptr), nullptr);
}

TEST(MatchList, TargetsAndAttackers) {
    MatchList matches;
    MatchEntry* a = matches.AddTarget("a");
    matches.AddTarget("b");
    matches.AddTarget("c");
    EXPECT_NE(matches.AddTarget(""), nullptr); // an empty class still gives an entry
    EXPECT_EQ(matches.CountMatches(), 4u);
    EXPECT_EQ(MatchList::AddAttacker(nullptr, "x"), nullptr);
    EXPECT_EQ(MatchList::AddAttacker(a, "abcdefghijklmnopqrst")->unitClass, "abcdefghijklmnop");
    MatchList::SetTargetClass(a, "renamed");
    EXPECT_EQ(a->unitClass, "renamed");
    MatchList::ClearAttackers(a);
    EXPECT_TRUE(a->attackers.empty());
    matches.RemoveTarget(a);
    EXPECT_EQ(matches.All().front()->unitClass, "b");
}

TEST(PlanCondition, ClassGovernsTheCount) {
    PlanCondition condition;
    condition.Set("Exists", "", 5);
    EXPECT_EQ(condition.count, 0u);
    EXPECT_FALSE(condition.IsComplete());
    condition.Set("Exists-and-more-text", "unit", 999);
    EXPECT_EQ(condition.kind, "Exists-and-more");
    EXPECT_EQ(condition.count, 255u);
    EXPECT_TRUE(condition.IsComplete());
}

// --- Loading -----------------------------------------------------------

TEST(PlanLoad, NamesMatchWithoutCaseAndNumbersClamp) {
    CPlanData data = Load("[start]\r\nSCRAPCOUNT = 300\r\n[Cheat]\r\nmoneyDelay = 5000\r\n"
                          "moneyAmount = 12abc\r\n");
    EXPECT_EQ(data.start.scrapCount, 255u);
    EXPECT_EQ(data.start.moneyDelay, 3600u);
    EXPECT_EQ(data.start.moneyAmount, 12u);
    EXPECT_TRUE(data.start.consClass.empty());
}

TEST(PlanLoad, ClassesLoseTheirQuotesAndAreCut) {
    for (const char* value : {"\"abc\"", "'abc'", "abc"}) {
        CPlanData data = Load(std::string("[Start]\r\nconsClass = ") + value + "\r\n");
        EXPECT_EQ(data.start.consClass, "abc") << value;
    }
    CPlanData data = Load("[Start]\r\nscavClass = \"abcdefghijklmnopqrst\"\r\n");
    EXPECT_EQ(data.start.scavClass, "abcdefghijklmnop");
}

TEST(PlanLoad, PrioritiesMustBeginWithADigit) {
    CPlanData data = Load("[Plan1]\r\nplanType = \"A\"\r\nplanPriority = \"50\"\r\n"
                          "[Plan2]\r\nplanType = \"B\"\r\nplanPriority = 12abc\r\n"
                          "[Plan3]\r\nplanType = \"\"\r\nplanPriority = 5\r\n"
                          "[Plan4]\r\nplanPriority = 5\r\n");
    EXPECT_EQ(Types(data), std::vector<std::string>{"B"});
    EXPECT_EQ(data.plans.All()[0]->priority, 12u);
}

TEST(PlanLoad, ConditionCountNeedsAClass) {
    CPlanData data = Load("[Plan1]\r\nplanType=A\r\nplanPriority=1\r\nplanCondition=\"Exists\"\r\n"
                          "planConditionClass=\"u\"\r\nplanConditionCount=999\r\n"
                          "[Plan2]\r\nplanType=B\r\nplanPriority=1\r\nplanConditionCount=999\r\n");
    ASSERT_EQ(data.plans.CountPlans(), 2u);
    EXPECT_EQ(data.plans.All()[0]->condition.count, 255u);
    EXPECT_EQ(data.plans.All()[0]->condition.kind, "Exists");
    EXPECT_EQ(data.plans.All()[1]->condition.count, 0u);
}

TEST(PlanLoad, FlagsAreSetByPositiveNumbers) {
    struct Case {
        const char* value;
        bool set;
    };
    for (const Case& c : {Case{"0", false}, Case{"2", true}, Case{"-1", false}, Case{"1", true},
                          Case{"\"1\"", false}}) {
        CPlanData data =
            Load(std::string("[Plan1]\r\nplanType=A\r\nplanPriority=1\r\n") +
                 "doNextOnFail = " + c.value + "\r\nbuildIfNoIdle = " + c.value + "\r\n");
        const std::uint32_t expected = c.set ? PlanFlagDoNextOnFail | PlanFlagBuildIfNoIdle : 0;
        EXPECT_EQ(data.plans.All()[0]->flags, expected) << c.value;
    }
}

TEST(PlanLoad, UnknownKeysBecomeParametersVerbatimAndInOrder) {
    CPlanData data = Load("[Plan1]\r\nbuildType1 = \"iu_dynamo\"\r\nplanType = \"A\"\r\n"
                          "planType = \"Second\"\r\nplanPriority = 3\r\nbuildCount1 = 2\r\n"
                          "doNextOnFail = 1\r\n");
    const PlanEntry& plan = *data.plans.All()[0];
    EXPECT_EQ(plan.planType, "A");
    ASSERT_EQ(plan.parameters.size(), 3u);
    EXPECT_EQ(plan.parameters[0].key, "buildType1");
    EXPECT_EQ(plan.parameters[0].value, "\"iu_dynamo\"");
    EXPECT_EQ(plan.parameters[1].key, "planType"); // the duplicate stays as a parameter
    EXPECT_EQ(plan.parameters[1].value, "\"Second\"");
    EXPECT_EQ(plan.parameters[2].key, "buildCount1");
}

TEST(PlanLoad, PlanSectionScan) {
    std::string text;
    for (int n : {257, 3, 300, 256, 200, 1, 3})
        text += "[Plan" + std::to_string(n) + "]\r\nplanType = \"P" + std::to_string(n) +
                "\"\r\nplanPriority = 1\r\n";
    // 1..256 are all looked for; after 256 the first gap (258) ends the scan.
    // Of two Plan3 sections only the first is read; numbers are not kept.
    CPlanData data = Load(text);
    EXPECT_EQ(Types(data), (std::vector<std::string>{"P1", "P3", "P200", "P256", "P257"}));
}

TEST(PlanLoad, MatchNumberingStopsAtTheFirstGap) {
    CPlanData data = Load("[Match]\r\ntargetType1 = \"a\"\r\nattackType1_1 = \"x\"\r\n"
                          "attackType1_3 = \"z\"\r\ntargetType4 = \"d\"\r\ntargetType2 = \"\"\r\n");
    ASSERT_EQ(data.matches.CountMatches(), 2u);
    EXPECT_EQ(data.matches.All()[0]->attackers.size(), 1u);
    EXPECT_EQ(data.matches.All()[1]->unitClass, ""); // an empty value is still a target

    EXPECT_EQ(Load("[Match]\r\ntargetType2 = \"b\"\r\n").matches.CountMatches(), 0u);
}

TEST(PlanLoad, CheatAloneLeavesStartEmpty) {
    CPlanData data = Load("[Cheat]\r\nmoneyAmount = 5\r\nmoneyDelay = 30\r\n");
    EXPECT_EQ(data.start.moneyAmount, 5u);
    EXPECT_EQ(data.start.moneyDelay, 30u);
    EXPECT_FALSE(data.start.IsValid());
}

TEST(PlanLoad, FirstSectionOfANameWins) {
    CPlanData data = Load("[Start]\r\nscrapCount = 1\r\n[START]\r\nscrapCount = 2\r\n");
    EXPECT_EQ(data.start.scrapCount, 1u);
}

TEST(PlanLoad, LoadingEmptiesTheModelFirst) {
    CPlanData data = Load("[Plan1]\r\nplanType=A\r\nplanPriority=1\r\n");
    CSectionFile empty;
    data.LoadFromSections(empty);
    EXPECT_EQ(data.plans.CountPlans(), 0u);
}

TEST(PlanLoad, UnreadableFilesLeaveTheModelEmptyAndSayWhy) {
    const auto dir = std::filesystem::temp_directory_path();
    const std::string empty = (dir / "zeq-empty.zeq").string();
    std::ofstream(empty, std::ios::binary).close();
    CPlanData data = Load("[Plan1]\r\nplanType=A\r\nplanPriority=1\r\n");
    ParseError error;
    EXPECT_FALSE(data.LoadPlanFile(empty, &error));
    EXPECT_EQ(data.plans.CountPlans(), 0u);
    EXPECT_EQ(error.line, 1);
    EXPECT_EQ(error.reason, "the file is empty");

    const std::string broken = (dir / "zeq-broken.zeq").string();
    std::ofstream(broken, std::ios::binary) << "[Start]\r\nscrapCount = 1]\r\n";
    EXPECT_FALSE(data.LoadPlanFile(broken, &error));
    EXPECT_EQ(error.line, 2);
    std::filesystem::remove(empty);
    std::filesystem::remove(broken);
}

// --- Saving ------------------------------------------------------------

TEST(PlanSave, OnePlanAndNothingElse) {
    CPlanData data;
    data.plans.AddPlan("BuildLoop", 10);
    EXPECT_EQ(Save(data), Crlf("[Start]\nconsClass = \nscavClass = \n\n"
                               "[Plan1]\nplanType = \"BuildLoop\"\nplanPriority = 10\n\n"));
}

TEST(PlanSave, SectionsAppearOnlyWhenTheyHoldSomething) {
    CPlanData data;
    data.start.moneyAmount = 10; // with a delay of 0 there is no Cheat section
    EXPECT_EQ(Save(data), Crlf("[Start]\nconsClass = \nscavClass = \n\n"));

    data.start = {7, "cons", "scav", 10, 20};
    MatchEntry* first = data.matches.AddTarget("t1");
    MatchList::AddAttacker(first, "a1");
    MatchList::AddAttacker(first, "a2");
    data.matches.AddTarget("t2");
    EXPECT_EQ(Save(data), Crlf("[Start]\nscrapCount = 7\nconsClass = \"cons\"\n"
                               "scavClass = \"scav\"\n\n"
                               "[Cheat]\nmoneyAmount = 10\nmoneyDelay = 20\n\n"
                               "[Match]\ntargetType1 = \"t1\"\nattackType1_1 = \"a1\"\n"
                               "attackType1_2 = \"a2\"\ntargetType2 = \"t2\"\n\n"));
}

TEST(PlanSave, PlansAreSortedInTheModelAndRenumbered) {
    CPlanData data = Load("[Plan2]\r\nplanType=A\r\nplanPriority=20\r\n"
                          "[Plan7]\r\nplanType=B\r\nplanPriority=50\r\n"
                          "[Plan9]\r\nplanType=C\r\nplanPriority=20\r\n");
    const std::string saved = Save(data);
    EXPECT_EQ(Types(data), (std::vector<std::string>{"B", "A", "C"}));
    EXPECT_NE(saved.find("[Plan1]\r\nplanType = \"B\""), std::string::npos);
    EXPECT_NE(saved.find("[Plan3]\r\nplanType = \"C\""), std::string::npos);
}

TEST(PlanSave, PlanKeysInOrderAndIncompleteConditionsDropped) {
    CPlanData data;
    PlanEntry* full = data.plans.AddPlan("Full", 3);
    full->condition.Set("Exists", "unit", 2);
    full->flags = PlanFlagDoNextOnFail | PlanFlagBuildIfNoIdle;
    full->parameters = {{"holdPoint", "bare", 0}, {"maxTries", "3", 0}};
    PlanEntry* kindOnly = data.plans.AddPlan("KindOnly", 2);
    kindOnly->condition.Set("Exists", "", 0);
    PlanEntry* classOnly = data.plans.AddPlan("ClassOnly", 1);
    classOnly->condition.Set("", "unit", 4);
    PlanEntry* zeroCount = data.plans.AddPlan("ZeroCount", 1);
    zeroCount->condition.Set("Exists", "unit", 0);

    EXPECT_EQ(Save(data), Crlf("[Start]\nconsClass = \nscavClass = \n\n"
                               "[Plan1]\nplanType = \"Full\"\nplanPriority = 3\n"
                               "planCondition = \"Exists\"\nplanConditionClass = \"unit\"\n"
                               "planConditionCount = 2\nholdPoint = bare\nmaxTries = 3\n"
                               "buildIfNoIdle = 1\ndoNextOnFail = 1\n\n"
                               "[Plan2]\nplanType = \"KindOnly\"\nplanPriority = 2\n\n"
                               "[Plan3]\nplanType = \"ClassOnly\"\nplanPriority = 1\n\n"
                               "[Plan4]\nplanType = \"ZeroCount\"\nplanPriority = 1\n"
                               "planCondition = \"Exists\"\nplanConditionClass = \"unit\"\n\n"));
}

TEST(PlanSave, ReloadDropsWhatTheModelDoesNotHold) {
    CPlanData data = Load("// comment\r\n[Other]\r\nx = 1\r\n[Start]\r\nextra = 1\r\n"
                          "consClass = c\r\nscavClass = s\r\n[Plan5]\r\nplanType = T\r\n"
                          "planPriority = 1\r\nbuildIfNoIdle = 0\r\ncustom = 1\r\n");
    EXPECT_EQ(Save(data), Crlf("[Start]\nconsClass = \"c\"\nscavClass = \"s\"\n\n"
                               "[Plan1]\nplanType = \"T\"\nplanPriority = 1\ncustom = 1\n\n"));
}

TEST(PlanSave, SavePlanFileReportsWriteFailures) {
    CPlanData data;
    std::string error;
    EXPECT_FALSE(data.SavePlanFile("/nonexistent-folder/x.zeq", &error));
    EXPECT_FALSE(error.empty());
}

} // namespace
