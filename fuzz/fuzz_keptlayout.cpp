// The kept layout on any text: mapped plan by plan, it holds what a whole
// read holds; an unedited document is written back byte for byte, and after
// edits the text written loads as the edited document. A rename of a unit
// class in the text reads as the rename of the document. One section changed
// on its own writes what a save of the whole document writes.
#include "keptlayout.h"
#include "planmanager.h"
#include "sectionedit.h"
#include "unitclassrename.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <random>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    std::mt19937 random(data[0] | data[1] << 8); // the edits
    const std::string text(reinterpret_cast<const char*>(data) + 2, size - 2);
    CPlanData doc;
    if (!doc.LoadText(text)) return 0;
    CKeptLayout kept;
    if (!kept.Map(text, doc.plans.InOrder())) std::abort();
    // Mapped plan by plan as when read whole: the same lines held by no record.
    CKeptLayout opened;
    CPlanData openedDoc;
    std::string openedText = text;
    if (!opened.Load(openedText, openedDoc) || opened.Unheld() != kept.Unheld()) std::abort();
    std::string written;
    if (!kept.Write(doc, written) || written != text) std::abort();

    auto pick = [&](std::size_t n) { return n ? std::size_t(random() % n) : 0; };

    static const CPlanManager catalog = [] {
        CPlanManager c;
        for (const char* type : {"Hold", "BuildLoop"})
            CPlanManager::AddParamDef(c.AddPlanType(type), "buildType",
                                      ParamKindString | ParamMulti);
        return c;
    }();
    // A NUL byte ends a line for the parser, so a value around one is not
    // the bytes the text holds there: a rename by the bytes cannot reach it.
    const bool textual = text.find('\0') == std::string::npos;
    if (const auto uses = CUnitClassRename::Uses(text, &catalog); textual && !uses.empty()) {
        CUnitClassRename rename;
        std::string error;
        if (rename.Add(uses[pick(uses.size())].unitClass, "zq_new", error)) {
            CPlanData expected, renamed;
            expected.LoadText(text);
            rename.Apply(expected, &catalog);
            if (!renamed.LoadText(rename.Rewrite(text, uses))) std::abort();
            const auto a = renamed.plans.InOrder(), b = expected.plans.InOrder();
            const auto& m = renamed.matches.All();
            const auto& n = expected.matches.All();
            if (!(renamed.start == expected.start) ||
                !std::equal(a.begin(), a.end(), b.begin(), b.end(),
                            [](auto* x, auto* y) { return *x == *y; }) ||
                !std::equal(m.begin(), m.end(), n.begin(), n.end(),
                            [](auto& x, auto& y) { return *x == *y; }))
                std::abort();
        }
    }
    { // zeq set's one section, against the same change through the whole document
        const auto& list = doc.plans.All();
        const std::size_t which = pick(list.size() + 3);
        const std::string name = which < 3 ? std::array{"Start", "Cheat", "Match"}[which]
                                           : kept.SectionOf(list[which - 3].get());
        const std::uint32_t value = 1 + std::uint32_t(pick(500));
        const auto change = [&](CPlanData& d, PlanEntry* plan) {
            if (plan)
                plan->priority = value;
            else if (which == 0)
                d.start.scrapCount = value;
            else if (which == 1)
                d.start.moneyDelay = value;
            else
                d.matches.AddTarget("t")->attackers.push_back({"a"});
        };
        CPlanData whole;
        CKeptLayout wholeKept;
        std::string expected = text, edited = text;
        if (!wholeKept.Load(expected, whole)) std::abort();
        change(whole, const_cast<PlanEntry*>(which < 3 ? nullptr : wholeKept.PlanOfSection(name)));
        const bool writes = wholeKept.Write(whole, expected);
        switch (EditSection(edited, name, [&](CPlanData& d, PlanEntry* plan) {
            change(d, plan);
            return true;
        })) {
        case SectionEdit::Done:
            if (!writes || edited != expected) std::abort();
            break;
        case SectionEdit::Refused:
            std::abort();
        case SectionEdit::NotAlone:
            if (edited != text) std::abort();
        }
    }
    for (std::size_t n = 1 + pick(4); n-- > 0;) {
        const auto& list = doc.plans.All();
        PlanEntry* plan = list.empty() ? nullptr : list[pick(list.size())].get();
        switch (pick(6)) {
        case 0:
            doc.plans.AddPlan("Hold", 1 + std::uint32_t(pick(500)));
            break;
        case 1:
            if (plan) doc.plans.RemovePlan(plan);
            break;
        case 2:
            if (plan) {
                plan->priority = 1 + std::uint32_t(pick(16384));
                plan->flags ^= 1u + std::uint32_t(pick(2));
                if (!plan->parameters.empty()) plan->parameters.pop_back();
            }
            break;
        case 3:
            doc.matches.AddTarget("t")->attackers.push_back({"a"});
            break;
        case 4:
            doc.start.scrapCount = std::uint32_t(pick(256));
            doc.start.SetConsClass(pick(2) ? "c" : "");
            break;
        default:
            doc.plans.ArrangePriorities(10);
        }
    }
    if (!kept.Write(doc, written)) return 0; // saved in the canonical layout then
    CPlanData reloaded;
    if (!reloaded.LoadText(written) || !(reloaded.start == doc.start) ||
        reloaded.plans.CountPlans() != doc.plans.CountPlans() ||
        reloaded.matches.CountMatches() != doc.matches.CountMatches())
        std::abort();
    return 0;
}
