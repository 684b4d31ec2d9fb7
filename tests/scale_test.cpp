// The fast paths give what the straightforward algorithms give: a stable
// sort for the selection sort, one section index for the section-by-section
// search, on generated inputs with many ties, gaps, duplicates and case
// variants.

#include "plandata.h"
#include "textvalues.h"

#include <gtest/gtest.h>

#include <random>

namespace {

// Selection into a new chain: take the first highest priority each time.
std::vector<const PlanEntry*> SelectionSorted(const PlanList& plans) {
    std::vector<const PlanEntry*> rest;
    for (const auto& p : plans.All())
        rest.push_back(p.get());
    std::vector<const PlanEntry*> sorted;
    while (!rest.empty()) {
        std::size_t best = 0;
        for (std::size_t i = 1; i < rest.size(); ++i)
            if (rest[i]->priority > rest[best]->priority) best = i;
        sorted.push_back(rest[best]);
        rest.erase(rest.begin() + long(best));
    }
    return sorted;
}

std::vector<const PlanEntry*> Order(const PlanList& plans) {
    std::vector<const PlanEntry*> order;
    for (const auto& p : plans.All())
        order.push_back(p.get());
    return order;
}

TEST(Scale, StableSortEqualsSelectionSort) {
    std::mt19937 random(7);
    for (int round = 0; round < 50; ++round) {
        PlanList plans;
        const int count = std::uniform_int_distribution<int>(0, 300)(random);
        const int spread = std::uniform_int_distribution<int>(1, 20)(random); // many ties
        for (int i = 0; i < count; ++i)
            plans.AddPlan("P",
                          std::uint32_t(std::uniform_int_distribution<int>(1, spread)(random)));
        const auto expected = SelectionSorted(plans);
        plans.SortPlansByPriority();
        ASSERT_EQ(Order(plans), expected) << "round " << round;

        const auto arranged = SelectionSorted(plans);
        plans.ArrangePriorities(10);
        ASSERT_EQ(Order(plans), arranged);
        for (std::size_t i = 0; i < arranged.size(); ++i)
            ASSERT_EQ(arranged[i]->priority, (arranged.size() - i) * 10);
    }
}

// Loading as written out step by step: every lookup walks the tree from its
// head, and the first match wins.
std::string ReferenceLoad(CSectionFile& file) {
    auto number = [](const EntryNode* e, std::uint32_t max) {
        return std::min<std::uint32_t>(std::uint32_t(CSectionFile::GetValueInt(e, 0)), max);
    };
    auto text = [](const EntryNode* e, std::size_t limit) {
        return e ? CutText(UnquoteValue(e->value), limit) : std::string();
    };
    std::string out;
    if (SectionNode* s = file.FindSection("Start"))
        out += "start " + std::to_string(number(CSectionFile::FindEntry(s, "scrapCount"), 255)) +
               " " + text(CSectionFile::FindEntry(s, "consClass"), 16) + "\n";
    if (SectionNode* s = file.FindSection("Match")) {
        for (unsigned n = 1;; ++n) {
            const EntryNode* t = CSectionFile::FindEntry(s, "targetType" + std::to_string(n));
            if (!t) break;
            out += "target " + text(t, 16);
            for (unsigned m = 1;; ++m) {
                const EntryNode* a = CSectionFile::FindEntry(s, "attackType" + std::to_string(n) +
                                                                    "_" + std::to_string(m));
                if (!a) break;
                out += " " + text(a, 16);
            }
            out += "\n";
        }
    }
    for (unsigned n = 1;; ++n) {
        SectionNode* s = file.FindSection("Plan" + std::to_string(n));
        if (!s) {
            if (n < 256) continue;
            break;
        }
        const std::string type = text(CSectionFile::FindEntry(s, "planType"), 30);
        const std::uint32_t priority = number(CSectionFile::FindEntry(s, "planPriority"), 16384);
        if (type.empty() || priority == 0) continue;
        out += "plan " + type + " " + std::to_string(priority);
        const char* known[] = {"planType",           "planPriority",       "planCondition",
                               "planConditionClass", "planConditionCount", "buildIfNoIdle",
                               "doNextOnFail"};
        std::vector<const EntryNode*> firsts;
        for (const char* k : known)
            firsts.push_back(CSectionFile::FindEntry(s, k));
        for (const EntryNode& e : s->entries)
            if (std::find(firsts.begin(), firsts.end(), &e) == firsts.end())
                out += " " + e.key + "=" + e.value;
        out += "\n";
    }
    return out;
}

std::string Describe(const CPlanData& data) {
    std::string out;
    if (!data.start.consClass.empty() || data.start.scrapCount)
        out += "start " + std::to_string(data.start.scrapCount) + " " + data.start.consClass + "\n";
    for (const auto& t : data.matches.All()) {
        out += "target " + t->unitClass;
        for (const MatchAttacker& a : t->attackers)
            out += " " + a.unitClass;
        out += "\n";
    }
    for (const auto& p : data.plans.All()) {
        out += "plan " + p->planType + " " + std::to_string(p->priority);
        for (const EntryNode& e : p->parameters)
            out += " " + e.key + "=" + e.value;
        out += "\n";
    }
    return out;
}

std::string GeneratedFile(std::mt19937& random) {
    auto pick = [&random](int low, int high) {
        return std::uniform_int_distribution<int>(low, high)(random);
    };
    const char* starts[] = {"Start", "START", "start"};
    std::string text;
    const int sections = pick(1, 400);
    for (int s = 0; s < sections; ++s) {
        switch (pick(0, 9)) {
        case 0:
            text += std::string("[") + starts[pick(0, 2)] +
                    "]\nscrapCount=" + std::to_string(pick(0, 400)) + "\nconsClass=c" +
                    std::to_string(s) + "\n";
            break;
        case 1:
            text += "[Match]\n";
            for (int k = 0; k < pick(0, 12); ++k)
                text += (pick(0, 1) ? "targetType" : "TARGETTYPE") + std::to_string(pick(1, 6)) +
                        "=t" + std::to_string(k) + "\nattackType" + std::to_string(pick(1, 6)) +
                        "_" + std::to_string(pick(1, 3)) + "=a" + std::to_string(k) + "\n";
            break;
        default:
            text += "[" + std::string(pick(0, 1) ? "Plan" : "plan") +
                    std::to_string(pick(0, 1) ? pick(1, 300) : pick(240, 270)) + "]\n";
            for (int k = 0; k < pick(0, 6); ++k) {
                const char* keys[] = {"planType",   "planPriority", "holdPoint",
                                      "buildType1", "doNextOnFail", "x"};
                text += std::string(keys[pick(0, 5)]) + "=" + std::to_string(pick(0, 20)) + "\n";
            }
            text += "planType=T" + std::to_string(s) +
                    "\nplanPriority=" + std::to_string(pick(0, 30)) + "\n";
        }
    }
    return text;
}

TEST(Scale, IndexedLoadingEqualsWalkingTheTree) {
    std::mt19937 random(11);
    for (int round = 0; round < 60; ++round) {
        const std::string text = GeneratedFile(random);
        CSectionFile walked;
        ASSERT_TRUE(walked.ParseText(text));
        const std::string expected = ReferenceLoad(walked);
        CSectionFile indexed;
        ASSERT_TRUE(indexed.ParseText(text));
        CPlanData data;
        data.LoadFromSections(indexed);
        ASSERT_EQ(Describe(data), expected) << "round " << round;
    }
}

} // namespace
