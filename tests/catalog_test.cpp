#include "planmanager.h"
#include "testsupport.h"
#include "unitlist.h"

#include <gtest/gtest.h>

namespace {

// A definition file for one test, removed afterwards.
class DefinitionFile {
public:
    explicit DefinitionFile(const std::string& text)
        : m_path(testsupport::OwnTempPath(
                     "zeq-def-" +
                     std::string(testing::UnitTest::GetInstance()->current_test_info()->name()) +
                     "-" + std::to_string(s_counter++)) += ".dat") {
        testsupport::WriteFile(m_path, text);
    }
    ~DefinitionFile() { std::filesystem::remove(m_path); }
    std::string Path() const { return m_path.string(); }

private:
    static inline int s_counter = 0;
    std::filesystem::path m_path;
};

CPlanManager LoadPlans(const std::string& text) {
    DefinitionFile file(text);
    CPlanManager manager;
    EXPECT_TRUE(manager.LoadPlanTypes(file.Path()));
    return manager;
}

TEST(PlanManager, TypeNamesAndCapabilities) {
    CPlanManager m = LoadPlans("CreatePlanType(\"" + std::string(35, 'N') +
                               "\") { bHasCondition = TRUE; }\n"
                               "CreatePlanType(\"\") { AddSingleParam(\"lost\", \"LONG\"); }\n"
                               "CreatePlanType() {}\n"
                               "CreatePlanType(\"Yes\") { bHasCondition = yes; bBuildIfNoIdle = 1;"
                               " bDoNextOnFail = \"true\"; nIconIndex = 4; }\n"
                               "CreatePlanType(\"Yes\") { nIconIndex = 9; }\n"
                               "Unknown(\"x\") { CreatePlanType(\"Nested\"); }\n");
    ASSERT_EQ(m.All().size(), 3u);
    const PlanTypeInfo& first = *m.All()[0];
    EXPECT_EQ(first.name, std::string(30, 'N'));
    EXPECT_EQ(first.flags, PlanTypeHasCondition);
    EXPECT_EQ(first.iconIndex, -1);
    const PlanTypeInfo* yes = m.FindPlanType("Yes");
    ASSERT_NE(yes, nullptr);
    EXPECT_EQ(yes->flags, PlanTypeDoNextOnFail);
    EXPECT_EQ(yes->iconIndex, 4); // the first of two types of one name
    EXPECT_EQ(m.FindPlanType("yes"), nullptr);
    EXPECT_EQ(m.FindPlanType(""), nullptr);
    EXPECT_EQ(m.FindPlanType("Nested"), nullptr);
}

TEST(PlanManager, ParameterDefinitions) {
    CPlanManager m = LoadPlans("CreatePlanType(\"T\") {\n"
                               "  szBuilds = \"holdPoint, BUILDTYPE x\";\n"
                               "  AddMultiParam(\"buildType\", \"STRING\");\n"
                               "  AddSingleParam(\"holdPoint\", STRING);\n"
                               "  AddSingleParam(\"count\", \"long\");\n"
                               "  AddSingleParam(\"flag\", \"Bool\");\n"
                               "  AddSingleParam(\"bad\", \"INT\");\n"
                               "  AddSingleParam(\"alone\");\n"
                               "  Other(\"x\", \"LONG\");\n"
                               "}\n");
    const PlanTypeInfo* type = m.FindPlanType("T");
    ASSERT_NE(type, nullptr);
    ASSERT_EQ(type->params.size(), 4u);
    EXPECT_EQ(type->params[0].kind, ParamKindString | ParamMulti);
    EXPECT_EQ(type->params[1].kind, ParamKindString);
    EXPECT_EQ(type->params[2].kind, ParamKindLong);
    EXPECT_EQ(type->params[3].kind, ParamKindBool);
    // What the plan builds: the names listed, case ignored.
    EXPECT_TRUE(type->params[0].builds && type->params[1].builds && m.DeclaresBuilds());
    EXPECT_FALSE(type->params[2].builds || type->params[3].builds);

    struct Lookup {
        const char* key;
        const char* found;
    };
    for (const Lookup& l : {Lookup{"buildType1", "buildType"}, Lookup{"buildType12", "buildType"},
                            Lookup{"holdPoint", "holdPoint"}, Lookup{"holdPoint1", nullptr},
                            Lookup{"buildtype1", nullptr}, Lookup{"", nullptr}}) {
        const PlanParamDef* def = CPlanManager::FindParamDef(type, l.key);
        if (l.found) {
            ASSERT_NE(def, nullptr) << l.key;
            EXPECT_EQ(def->name, l.found);
        } else {
            EXPECT_EQ(def, nullptr) << l.key;
        }
    }
    EXPECT_EQ(CPlanManager::FindParamDef(nullptr, "holdPoint"), nullptr);
}

TEST(PlanManager, BrokenFilesLeaveTheCatalogEmpty) {
    CPlanManager m = LoadPlans("CreatePlanType(\"A\");");
    ASSERT_EQ(m.All().size(), 1u);
    DefinitionFile broken("CreatePlanType(\"B\"); CreatePlanType(\"C\"(;");
    EXPECT_FALSE(m.LoadPlanTypes(broken.Path()));
    EXPECT_TRUE(m.All().empty());
    EXPECT_EQ(m.LoadError(), (Diagnostic{1, "Found '(' inside of parameter block."}));
    EXPECT_FALSE(m.LoadPlanTypes("/no/such/Plans.dat"));
}

// --- Units ---------------------------------------------------------------

CUnitList LoadUnits(const std::string& text) {
    DefinitionFile file(text);
    CUnitList units;
    EXPECT_TRUE(units.LoadUnits(file.Path()));
    return units;
}

TEST(UnitList, PickerIdsRunDepthFirstWithSubGroupsFirst) {
    CUnitList units = LoadUnits("CreateGroup(\"A\") { AddItem(\"a1\", \"Unit a1\");"
                                " AddItem(\"a2\", \"Unit a2\");"
                                " CreateGroup(\"A1\") { AddItem(\"b1\", \"Unit b1\"); } }\n"
                                "CreateGroup(\"B\") { AddItem(\"c1\", \"Unit c1\"); }\n"
                                "CreateGroup(\"Empty\") {}");
    const UnitPickerMenu picker = units.BuildUnitMenu();
    ASSERT_EQ(picker.menus.size(), 3u);
    const UnitMenu& a = picker.menus[0];
    EXPECT_EQ(a.title, "A");
    ASSERT_EQ(a.subMenus.size(), 1u);
    EXPECT_EQ(a.subMenus[0].items[0].text, "Unit b1");
    EXPECT_EQ(a.subMenus[0].items[0].commandId, 1024);
    EXPECT_EQ(a.items[0].commandId, 1025);
    EXPECT_EQ(a.items[1].commandId, 1026);
    EXPECT_EQ(picker.menus[1].items[0].commandId, 1027);
    EXPECT_TRUE(picker.menus[2].items.empty());
    ASSERT_NE(picker.UnitForCommand(1026), nullptr);
    EXPECT_EQ(picker.UnitForCommand(1026)->unitClass, "a2");
    EXPECT_EQ(picker.UnitForCommand(1023), nullptr);
    EXPECT_EQ(picker.UnitForCommand(1028), nullptr);
    EXPECT_EQ(picker.UnitForCommand(0), nullptr); // a dismissed menu
}

// The picker's search: a unit is kept when its display name or its class
// holds the text, case ignored; menu order stays.
TEST(UnitList, PickerSearchKeepsMatchingUnitsInMenuOrder) {
    CUnitList units = LoadUnits("CreateGroup(\"G\") { AddItem(\"iu_tank\", \"Heavy Tank\");"
                                " CreateGroup(\"S\") { AddItem(\"iu_scout\", \"Scout\"); }"
                                " AddItem(\"iu_gun\", \"Gun Tower\"); }");
    const UnitPickerMenu picker = units.BuildUnitMenu();
    struct Case {
        const char* text;
        std::vector<std::string> classes;
    };
    for (const Case& c :
         {Case{"", {"iu_scout", "iu_tank", "iu_gun"}}, Case{"TANK", {"iu_tank"}},
          Case{"iu_", {"iu_scout", "iu_tank", "iu_gun"}}, Case{"o", {"iu_scout", "iu_gun"}},
          Case{"tower", {"iu_gun"}}, Case{"xyz", {}}}) {
        std::vector<std::string> kept;
        for (int id : picker.Matching(c.text))
            kept.push_back(picker.UnitForCommand(id)->unitClass);
        EXPECT_EQ(kept, c.classes) << c.text;
    }
}

TEST(UnitList, ItemsAreCutAndStripped) {
    CUnitList units = LoadUnits("CreateGroup() {\n"
                                "  AddItem(\"abcdefghijklmnopqrst\", \"" +
                                std::string(200, 'D') +
                                "\");\n"
                                "  AddItem(\"a\"\"b\", \"it's\");\n"
                                "  AddItem(\"alone\");\n"
                                "  AddItem(\"\", \"No class\");\n"
                                "  Other(\"x\", \"y\") { AddItem(\"hidden\", \"Hidden\"); }\n"
                                "}\n"
                                "AddItem(\"top\", \"Top level\");");
    ASSERT_EQ(units.All().size(), 1u);
    const UnitGroup& group = *units.All()[0];
    EXPECT_EQ(group.name, "");
    ASSERT_EQ(group.units.size(), 2u);
    EXPECT_EQ(group.units[0]->unitClass, "abcdefghijklmnop");
    EXPECT_EQ(group.units[0]->displayName, std::string(127, 'D'));
    EXPECT_EQ(group.units[1]->unitClass, "ab");
    EXPECT_EQ(group.units[1]->displayName, "it's");
    EXPECT_EQ(units.FindUnitByClass("hidden"), nullptr);
    EXPECT_EQ(units.FindUnitByClass("top"), nullptr);
}

TEST(UnitList, BrokenFilesLeaveTheCatalogEmpty) {
    CUnitList units = LoadUnits("CreateGroup(\"A\") { AddItem(\"a\", \"A\"); }");
    DefinitionFile broken("CreateGroup(\"A\") { AddItem(\"a\", \"A\"); ");
    EXPECT_FALSE(units.LoadUnits(broken.Path()));
    EXPECT_TRUE(units.All().empty());
    EXPECT_EQ(units.BuildUnitMenu().menus.size(), 0u);
    EXPECT_EQ(units.GetUnitDisplayName("a"), "a");
}

// --- The shipped definition files ---------------------------------------

TEST(ShippedData, PlansDatDefinesEveryOfferedType) {
    CPlanManager m;
    ASSERT_TRUE(m.LoadPlanTypes(ZEQ_DATA_DIR "/Plans.dat")) << m.LoadError().message;
    const char* offered[] = {"CollectPool",    "CollectField", "BuildMinimums", "BaseBuildMinimums",
                             "Upgrade",        "DefendArea",   "ClearArea",     "Hold",
                             "Attacker",       "Recover",      "Service",       "BuildLoop",
                             "DistributeUnits"};
    std::vector<bool> iconUsed(13, false);
    for (const char* name : offered) {
        const PlanTypeInfo* type = m.FindPlanType(name);
        ASSERT_NE(type, nullptr) << name;
        ASSERT_GE(type->iconIndex, 0) << name;
        ASSERT_LT(type->iconIndex, 13) << name;
        EXPECT_FALSE(iconUsed[type->iconIndex]) << name;
        iconUsed[type->iconIndex] = true;
        EXPECT_FALSE(type->params.empty()) << name;
    }
    EXPECT_EQ(m.All().size(), 13u);
}

} // namespace
