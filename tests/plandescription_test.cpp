#include "plandescription.h"

#include <gtest/gtest.h>

namespace {

TEST(PlanDescription, ConditionWords) {
    CUnitList units;
    CUnitList::AddUnit(units.AddGroup("G"), "Tank", "tank");
    struct Case {
        const char* kind;
        std::uint32_t count;
        const char* unitClass;
        const char* text;
    };
    const Case cases[] = {
        {"Exists", 1, "tank", "If Team Computer has 1 unit(s) of type 'Tank'"},
        {"exists", 3, "TANK", "If Team Computer has 3 unit(s) of type 'Tank'"},
        {"HisExists", 4, "scout", "If Team Human has 4 unit(s) of type 'scout'"},
        {"HisExists", 0, "tank",
         "If Team Human has 0 unit(s) of type 'Tank' (always holds: every team has at least 0)"},
        {"NotExists", 0, "tank", "If Team Computer has NOT 0 unit(s) of type 'Tank'"},
        {"NotHisExists", 5, "tank", "If Team Human has NOT 5 unit(s) of type 'Tank'"},
        {"Custom", 1, "tank", "If 'Custom' 1 unit(s) of type 'Tank'"},
        {"", 1, "tank", ""},
    };
    for (const Case& c : cases) {
        PlanCondition condition;
        condition.Set(c.kind, c.unitClass, c.count);
        EXPECT_EQ(DescribeCondition(condition, units), c.text) << c.kind;
    }
}

TEST(PlanDescription, ParameterWords) {
    CUnitList units;
    CUnitList::AddUnit(units.AddGroup("G"), "Bulwark Tank", "iu_bulwark");
    CUnitList::AddUnit(units.AddGroup("H"), "Dynamo", "iu_dynamo");
    struct Case {
        const char* type;
        std::vector<PlanParameter> parameters;
        const char* text;
    };
    const Case cases[] = {
        {"Hold",
         {{"holdType1", "\"iu_bulwark\""}, {"holdCount1", "3"}, {"holdPoint", "\"north_ridge\""}},
         "3 \xD7 Bulwark Tank at north_ridge"},
        {"BuildMinimums",
         {{"buildType2", "\"iu_spire\""},
          {"buildType1", "iu_dynamo"},
          {"BUILDCOUNT1", "2"},
          {"buildLoc1", "\"base_power\""},
          {"buildCount2", "3"}},
         "build 2 \xD7 iu_dynamo (unquoted) at base_power, 3 \xD7 iu_spire"},
        {"Hold",
         {{"holdType1", "\"iu_bulwark\""}, {"holdCount1", "4x"}},
         "4x (read as 4) \xD7 Bulwark Tank"},
        {"CollectPool",
         {{"unitType", "\"iu_dynamo\""}, {"maxTries", "3"}, {"attackType1", "iu_bulwark"}},
         "attack iu_bulwark (unquoted); unit type Dynamo; max tries 3"},
        {"Hold", {{"holdPoint", "\"gate\""}}, "hold at gate"},
        {"Hold", {}, ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DescribeParameters(PlanEntry{c.type, 1, 0, {}, c.parameters}, units), c.text)
            << c.type;
}

} // namespace
