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
        {"NotExists", 2, "tank", "If Team Computer has NOT 2 unit(s) of type 'Tank'"},
        {"HisExists", 4, "scout", "If Team Human has 4 unit(s) of type 'scout'"},
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

TEST(PlanDescription, FlagWords) {
    EXPECT_EQ(DescribeFlags(0), "");
    EXPECT_EQ(DescribeFlags(PlanFlagDoNextOnFail), "doNextOnFail");
    EXPECT_EQ(DescribeFlags(PlanFlagBuildIfNoIdle), "buildIfNoIdle");
    EXPECT_EQ(DescribeFlags(PlanFlagBuildIfNoIdle | PlanFlagDoNextOnFail),
              "buildIfNoIdle, doNextOnFail");
}

} // namespace
