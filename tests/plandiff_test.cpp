// Diff and merge by records: plans paired by content, renumbering no change,
// changes of different records merged, the same field changed twice a
// conflict that keeps ours.

#include "linediff.h"
#include "opened.h"
#include "plandiff.h"
#include "planmerge.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

const std::string kStart = "[Start]\nscrapCount = 40\nconsClass = c\nscavClass = s\n";

struct DiffRow {
    const char* name;
    std::string before, after;
    const char* changes; // CPlanDiff::Text(), with what the documents do not hold
};

class Diff : public testing::TestWithParam<DiffRow> {};

TEST_P(Diff, NamesEachChange) {
    const DiffRow& row = GetParam();
    Opened a(testsupport::Crlf(kStart + row.before)), b(testsupport::Crlf(kStart + row.after));
    CPlanDiff diff;
    diff.Compare(a.data, b.data, &a.kept, &b.kept, true);
    EXPECT_EQ(diff.Text(), row.changes);
}

INSTANTIATE_TEST_SUITE_P(
    PlanDiff, Diff,
    testing::Values(
        DiffRow{
            "RenumberedAndReordered",
            "[Plan1]\nplanType = A\nplanPriority = 10\n[Plan2]\nplanType = B\nplanPriority = 9\n",
            "[Plan1]\nplanType = B\nplanPriority = 9\n\n[Plan2]\nplanType = A\nplanPriority = 10\n",
            ""},
        DiffRow{"PriorityOfTheMostAlike",
                "[Plan1]\nplanType = A\nplanPriority = 10\nx = 1\n"
                "[Plan2]\nplanType = A\nplanPriority = 10\nx = 2\ny = 1\n",
                "[Plan1]\nplanType = A\nplanPriority = 10\nx = 2\ny = 1\n"
                "[Plan2]\nplanType = A\nplanPriority = 12\nx = 1\n",
                "plan 'A' (priority 12) [Plan1] -> [Plan2]\n  planPriority: 10 -> 12\n"},
        DiffRow{
            "AlikeButPriorityPairInPriorityOrder",
            "[Plan1]\nplanType = A\nplanPriority = 10\n[Plan2]\nplanType = A\nplanPriority = 30\n",
            "[Plan1]\nplanType = A\nplanPriority = 29\n[Plan2]\nplanType = A\nplanPriority = 31\n",
            "plan 'A' (priority 29) [Plan1]\n  planPriority: 10 -> 29\n"
            "plan 'A' (priority 31) [Plan2]\n  planPriority: 30 -> 31\n"},
        DiffRow{
            "NearestPriorityAmongEqualPlans",
            "[Plan1]\nplanType = A\nplanPriority = 10\n[Plan2]\nplanType = A\nplanPriority = 50\n",
            "[Plan1]\nplanType = A\nplanPriority = 11\n[Plan2]\nplanType = A\nplanPriority = 50\n",
            "plan 'A' (priority 11) [Plan1]\n  planPriority: 10 -> 11\n"},
        DiffRow{"FieldsAndParameters",
                "[Plan1]\nplanType = A\nplanPriority = 5\nx = 1\ny = 2\ny = 3\n",
                "[Plan1]\nplanType = A\nplanPriority = 5\nplanCondition = Exists\n"
                "planConditionClass = u\ndoNextOnFail = 1\nx = 1\ny = 2\nz = \"q r\"\n",
                "plan 'A' (priority 5) [Plan1]\n  + planCondition: \"Exists\"\n"
                "  + planConditionClass: \"u\"\n  + doNextOnFail: 1\n  + z: \"q r\"\n"
                "  - y: 3\n"},
        DiffRow{"AKeyLikeACountedRepeatIsItsOwn", // found by fuzzing
                "[Plan1]\nplanType = A\nplanPriority = 5\nx = 1\nx#2 = 5\n",
                "[Plan1]\nplanType = A\nplanPriority = 5\nx = 1\nx = 5\n",
                "plan 'A' (priority 5) [Plan1]\n  + x: 5\n  - x#2: 5\n"},
        DiffRow{"KeyCaseIsNoChange", "[Plan1]\nplanType = A\nplanPriority = 5\nunitType = u\n",
                "[Plan1]\nplanType = A\nplanPriority = 5\nUNITTYPE = u\n", ""},
        DiffRow{"PlansComeAndGo", "[Plan1]\nplanType = A\nplanPriority = 5\n",
                "[Plan1]\nplanType = B\nplanPriority = 5\n",
                "+ plan 'B' (priority 5) [Plan1]\n- plan 'A' (priority 5) [Plan1]\n"},
        DiffRow{"StartCheatAndMatches",
                "[Cheat]\nmoneyAmount = 5\nmoneyDelay = 9\n[Match]\ntargetType1 = t\n"
                "attackType1_1 = a\nattackType1_2 = b\ntargetType2 = g\nattackType2_1 = a\n"
                "targetType3 = r\nattackType3_1 = a\nattackType3_2 = b\n",
                "[Cheat]\nmoneyAmount = 6\nmoneyDelay = 9\n[Match]\ntargetType1 = t\n"
                "attackType1_1 = a\nattackType1_2 = c\ntargetType2 = n\nattackType2_1 = a\n"
                "targetType3 = r\nattackType3_1 = b\nattackType3_2 = a\n",
                "[Cheat]\n  moneyAmount: 5 -> 6\nmatch 't'\n  + attackers: \"c\"\n"
                "  - attackers: \"b\"\n+ match 'n': \"a\"\nmatch 'r'\n"
                "  attackers' order: \"a\", \"b\" -> \"b\", \"a\"\n- match 'g': \"a\"\n"},
        DiffRow{"WhatTheDocumentsDoNotHold",
                "// old\n[Plan1]\nplanType = A\nplanPriority = 5 // five\n",
                "[Plan1]\nplanType = A\nplanPriority = 5 // five\n[Extra]\nk = v\n",
                "Not held by the document (comments, unknown keys and sections):\n"
                "  - line 5: // old\n  + line 8: [Extra]\n  + line 9: k = v\n"}),
    testsupport::RowName());

// A line diff, as recovery and backups show it: each run of changes with a
// line of context either side.
TEST(LineDiff, RunsWithTheirContext) {
    EXPECT_EQ(LineDiff("a\nb\nc\nd\n", "x\nb\nc\ny\n"),
              "@@ line 1\n- a\n+ x\n  b\n@@ line 4\n  c\n- d\n+ y\n");
}

struct MergeRow {
    const char* name;
    std::string base, ours, theirs;
    std::string merged; // a text that loads as the merged document
    std::vector<std::string> conflicts;
};

class Merge : public testing::TestWithParam<MergeRow> {};

TEST_P(Merge, TakesTheirsChangesWhereOursKeptTheBase) {
    const MergeRow& row = GetParam();
    Opened base(kStart + row.base), theirs(kStart + row.theirs), expected(kStart + row.merged);
    for (auto winner : {CPlanMerge::Winner::Ours, CPlanMerge::Winner::Theirs}) {
        Opened ours(kStart + row.ours);
        std::vector<std::string> told;
        for (const MergeConflict& c : CPlanMerge::Merge(base.data, ours.data, theirs.data, winner))
            told.push_back(c.record + ": " + c.field + ": " + c.base + " " + c.ours + " " +
                           c.theirs);
        EXPECT_EQ(told, row.conflicts);
        if (winner == CPlanMerge::Winner::Theirs) continue;
        CPlanDiff diff;
        diff.Compare(expected.data, ours.data);
        EXPECT_EQ(diff.Text(), "") << "merged:\n" << ours.data.Text();
        // Written with ours' layout, the merge loads as itself.
        Opened written(ours.Saved());
        diff.Compare(ours.data, written.data);
        EXPECT_EQ(diff.Text(), "");
    }
}

INSTANTIATE_TEST_SUITE_P(
    PlanMerge, Merge,
    testing::Values(
        MergeRow{"DifferentPlansAndFields",
                 "[Plan1]\nplanType = A\nplanPriority = 5\nx = 1\n[Plan2]\nplanType = "
                 "B\nplanPriority = 4\n",
                 "[Plan1]\nplanType = A\nplanPriority = 6\nx = 1\n[Plan2]\nplanType = "
                 "B\nplanPriority = 4\n",
                 "[Plan1]\nplanType = B\nplanPriority = 4\ny = 1\n[Plan2]\nplanType = "
                 "A\nplanPriority = 5\nx = 2\n",
                 "[Plan1]\nplanType = A\nplanPriority = 6\nx = 2\n[Plan2]\nplanType = "
                 "B\nplanPriority = 4\ny = 1\n",
                 {}},
        MergeRow{"SameFieldTwice",
                 "[Plan1]\nplanType = A\nplanPriority = 5\nx = 1\n",
                 "[Plan1]\nplanType = A\nplanPriority = 5\nx = 2\n",
                 "[Plan1]\nplanType = A\nplanPriority = 5\nx = 3\n",
                 "[Plan1]\nplanType = A\nplanPriority = 5\nx = 2\n",
                 {"plan 'A' (priority 5): x: 1 2 3"}},
        MergeRow{"RepeatedKeyRemoved",
                 "[Plan1]\nplanType = A\nplanPriority = 5\nx = 1\nx = 2\ny = 3\n",
                 "[Plan1]\nplanType = A\nplanPriority = 5\nx = 1\nx = 2\ny = 4\n",
                 "[Plan1]\nplanType = A\nplanPriority = 5\ny = 3\n",
                 "[Plan1]\nplanType = A\nplanPriority = 5\ny = 4\n",
                 {}},
        MergeRow{
            "NewPlansOnBothSides",
            "",
            "[Plan1]\nplanType = A\nplanPriority = 5\n[Plan2]\nplanType = C\nplanPriority = 1\n",
            "[Plan1]\nplanType = B\nplanPriority = 5\n[Plan2]\nplanType = C\nplanPriority = 1\n",
            "[Plan1]\nplanType = A\nplanPriority = 5\n[Plan2]\nplanType = C\nplanPriority = 1\n"
            "[Plan3]\nplanType = B\nplanPriority = 5\n",
            {}},
        MergeRow{
            "RemovedOnOneSide",
            "[Plan1]\nplanType = A\nplanPriority = 5\n[Plan2]\nplanType = B\nplanPriority = 5\n",
            "[Plan1]\nplanType = A\nplanPriority = 5\n[Plan2]\nplanType = B\nplanPriority = 5\nk = "
            "1\n",
            "",
            "[Plan1]\nplanType = B\nplanPriority = 5\nk = 1\n",
            {"plan 'B' (priority 5): :  changed removed"}},
        MergeRow{"ChangedOnOneSideRemovedOnTheOther",
                 "[Plan1]\nplanType = A\nplanPriority = 5\n",
                 "",
                 "[Plan1]\nplanType = A\nplanPriority = 7\n",
                 "",
                 {"plan 'A' (priority 7): :  removed changed"}},
        MergeRow{"StartAndMatches",
                 "[Match]\ntargetType1 = t\nattackType1_1 = a\n",
                 "[Cheat]\nmoneyAmount = 5\nmoneyDelay = 5\n[Match]\ntargetType1 = t\n"
                 "attackType1_1 = a\nattackType1_2 = b\ntargetType2 = n\nattackType2_1 = a\n",
                 "[Cheat]\nmoneyAmount = 5\nmoneyDelay = 6\n[Match]\ntargetType1 = t\n"
                 "attackType1_1 = c\ntargetType2 = n\nattackType2_1 = a\n",
                 "[Cheat]\nmoneyAmount = 5\nmoneyDelay = 5\n[Match]\ntargetType1 = t\n"
                 "attackType1_1 = a\nattackType1_2 = b\ntargetType2 = n\nattackType2_1 = a\n",
                 {"[Cheat]: moneyDelay: 0 5 6", "match 't': attackers: \"a\" \"a\", \"b\" \"c\""}}),
    testsupport::RowName());

} // namespace
