// Saving keeps what the user wrote: unedited, a file is written back byte for
// byte; edited, only the lines of the edited records change, and the text
// loads as the edited document.

#include "entryline.h"
#include "keptlayout.h"
#include "linediff.h"
#include "opened.h"
#include "planfilereport.h"
#include "planmanager.h"
#include "randomplanfile.h"
#include "sectionedit.h"
#include "subsequence.h"
#include "testsupport.h"
#include "textmerge.h"
#include "unitclassrename.h"

#include <gtest/gtest.h>

#include <functional>
#include <random>
#include <set>
#include <tuple>

namespace {

using testsupport::Crlf;

// The 1-based numbers of the lines of `before` that `after` does not keep as
// they were (a longest common subsequence of the lines).
std::set<int> ChangedLines(const std::string& before, const std::string& after) {
    const auto a = SplitLines(before), b = SplitLines(after);
    std::set<int> changed;
    for (const SubsequenceStep& step :
         CommonSubsequence(a.size(), b.size(), [&](auto i, auto j) { return a[i] == b[j]; }))
        if (step.kind == '-') changed.insert(int(step.first + 1));
    return changed;
}

const std::string kCommented = Crlf("// My AI: defends first, then attacks.\n"
                                    "[Start]\n"
                                    "scrapCount = 40   // a little more than usual\n"
                                    "consClass = \"builder\"\n"
                                    "scavClass = \"gatherer\"\n"
                                    "author = \"me\"\n"
                                    "\n"
                                    "[Match]\n"
                                    "// tanks answer darters\n"
                                    "targetType1 = \"darter\"\n"
                                    "attackType1_1 = \"tank\"\n"
                                    "\n"
                                    "// the wall\n"
                                    "[Plan1]\n"
                                    "planType = \"Hold\"\n"
                                    "planPriority = 300\n"
                                    "holdPoint = \"gate\"\n"
                                    "\n"
                                    "[Plan2]\n"
                                    "planType = \"Attacker\"\n"
                                    "planPriority = 200\n"
                                    "//planPriority = 250\n"
                                    "\n"
                                    "[Notes]\n"
                                    "todo = more\n");

TEST(KeptLayout, AnEditChangesOnlyItsLines) {
    Opened file(kCommented);
    EXPECT_EQ(file.Saved(), kCommented);

    file.Plan(1)->priority = 260; // one value: one line
    std::string saved = file.Saved();
    EXPECT_EQ(ChangedLines(kCommented, saved), (std::set<int>{21}));
    EXPECT_NE(saved.find("planPriority = 260\r\n//planPriority = 250"), std::string::npos);

    file.Plan(1)->flags = PlanFlagDoNextOnFail; // a key added after the record's last key
    file.Plan(0)->parameters.clear();           // and a key removed, alone
    saved = file.Saved();
    EXPECT_EQ(ChangedLines(kCommented, saved), (std::set<int>{17, 21}));
    EXPECT_NE(saved.find("planPriority = 260\r\ndoNextOnFail = 1\r\n//planPriority = 250"),
              std::string::npos);
}

// A record can hold what no line gives back as it is: such a save is refused
// (the canonical layout is then the way), never written to read otherwise.
TEST(KeptLayout, AnEditNoLineGivesBackIsRefused) {
    const struct {
        const char* what;
        std::function<void(PlanEntry&)> edit;
    } cases[] = {
        {"a key that opens a section",
         [](PlanEntry& p) {
             p.parameters.push_back({"[Plan9]", "1"});
         }},
        {"a value a comment cuts",
         [](PlanEntry& p) { p.parameters[0].value = std::string("gate//x"); }},
        {"a value a blank splits",
         [](PlanEntry& p) { p.parameters[0].value = std::string("north gate"); }},
        {"a bracket left open", [](PlanEntry& p) { p.parameters[0].value = std::string("]"); }},
    };
    for (const auto& c : cases) {
        Opened file(kCommented);
        c.edit(*file.Plan(0));
        std::string saved;
        EXPECT_FALSE(file.kept.Write(file.data, saved)) << c.what << "\n" << saved;
    }
}

// Reading another file lets the first one's text go: an empty layout
// assigned over the old one kept its buffer, which the next read then handed
// to its caller's text, 8 MB held through a save's whole check.
TEST(KeptLayout, ReadingAgainLetsTheOldTextGo) {
    CKeptLayout kept;
    CPlanData data;
    std::string first = kCommented + "// " + std::string(100000, 'x') + "\n";
    ASSERT_TRUE(kept.Load(first, data, nullptr, nullptr));
    std::string second = kCommented;
    ASSERT_TRUE(kept.Load(second, data, nullptr, nullptr));
    EXPECT_LT(second.capacity(), 1000u);
    kept.Clear();
    EXPECT_LT(kept.Text().capacity(), 1000u);
}

TEST(KeptLayout, ADeletedPlanTakesItsCommentAlong) {
    Opened file(kCommented);
    file.data.plans.RemovePlan(file.Plan(0));
    const std::string saved = file.Saved();
    EXPECT_EQ(ChangedLines(kCommented, saved), (std::set<int>{13, 14, 15, 16, 17, 18}));
    EXPECT_EQ(saved.find("the wall"), std::string::npos);
    EXPECT_NE(saved.find("[Plan2]"), std::string::npos); // the others keep their numbers
}

TEST(KeptLayout, NewPlansAndMatchesGoWhereTheyBelong) {
    Opened file(kCommented);
    file.data.plans.AddPlan("Upgrade", 50);
    file.data.matches.AddTarget("scout")->attackers.push_back({"tank"});
    const std::string saved = file.Saved();
    EXPECT_TRUE(ChangedLines(kCommented, saved).empty()); // only lines added
    EXPECT_NE(saved.find(Crlf("attackType1_1 = \"tank\"\ntargetType2 = \"scout\"\n"
                              "attackType2_1 = \"tank\"\n\n// the wall")),
              std::string::npos);
    EXPECT_NE(saved.find(Crlf("//planPriority = 250\n\n[Plan3]\nplanType = \"Upgrade\"\n"
                              "planPriority = 50\n\n[Notes]")),
              std::string::npos);
}

// From Plan256 on the numbers must follow on: a deleted plan there moves the
// later headers down, and nothing else of them. A later namesake, which is
// not read, is not the one moved.
TEST(KeptLayout, DeletingPastTheDenseScanCloseTheGap) {
    std::string text;
    for (int n : {255, 256, 257, 258, 257})
        text += "[Plan" + std::to_string(n) +
                "]\r\nplanType = \"Hold\"\r\nplanPriority = " + std::to_string(n) + "\r\n";
    Opened file(text);
    file.data.plans.RemovePlan(file.Plan(1));
    const std::string saved = file.Saved();
    EXPECT_EQ(saved, Crlf("[Plan255]\nplanType = \"Hold\"\nplanPriority = 255\n"
                          "[Plan256]\nplanType = \"Hold\"\nplanPriority = 257\n"
                          "[Plan257]\nplanType = \"Hold\"\nplanPriority = 258\n"
                          "[Plan257]\nplanType = \"Hold\"\nplanPriority = 257\n"));
}

// What the model does not hold, and the file's own spelling, stay as written.
TEST(KeptLayout, WhatTheModelDoesNotHoldStays) {
    const std::string text = "[START]\nCONSCLASS='b'\nscavclass = g\n[Plan3]\nplanType=Hold\n"
                             "planPriority=5\n[Plan3]\nplanType=Dup\nplanPriority=6\n[Plan4]\n"
                             "planPriority=0\nplanType=Dropped\n[Plan9]\nplanType = Hold\n"
                             "planPriority = 9\ndoNextOnFail = 1\ndoNextOnFail = 0\n";
    Opened file(text);
    EXPECT_EQ(file.Saved(), text);
    file.Plan(0)->priority = 7;    // [Plan3], LF line ends
    file.Plan(1)->flags = 0;       // the first doNextOnFail goes; its repeat reads as 0
    file.Plan(1)->parameters = {}; // and the repeat, a parameter, goes too
    EXPECT_EQ(file.Saved(), "[START]\nCONSCLASS='b'\nscavclass = g\n[Plan3]\nplanType=Hold\n"
                            "planPriority=7\n[Plan3]\nplanType=Dup\nplanPriority=6\n[Plan4]\n"
                            "planPriority=0\nplanType=Dropped\n[Plan9]\nplanType = Hold\n"
                            "planPriority = 9\n");
}

// An edited line keeps what the user wrote on it: the key as spelled, the
// spacing, the quote character, a comment and what an LF comment runs on
// over; a removed key leaves its comment.
TEST(KeptLayout, AnEditedLineKeepsItsOwnSpelling) {
    const struct {
        const char* text;
        std::function<void(Opened&)> edit;
        const char* saved;
    } cases[] = {
        {"[Plan1]\nplanType = \"Hold\"\nplanPriority = 500   // top priority\n"
         "unitType = \"iu_gatherer\"\n",
         [](Opened& f) { f.Plan(0)->priority = 510; },
         "[Plan1]\nplanType = \"Hold\"\nplanPriority = 510   // top priority\n"
         "unitType = \"iu_gatherer\"\n"},
        {"[Plan1]\r\nplanType = 'Hold'\r\n  PLANPRIORITY  =  500\r\n",
         [](Opened& f) {
             f.Plan(0)->priority = 7;
             f.Plan(0)->planType = "Attacker";
         },
         "[Plan1]\r\nplanType = 'Attacker'\r\n  PLANPRIORITY  =  7\r\n"},
        {"[Start]\nconsClass=\nSCRAPCOUNT=40      // note\n",
         [](Opened& f) {
             f.data.start.scrapCount = 45;
             f.data.start.SetConsClass("iu_builder");
         },
         "[Start]\nconsClass= \"iu_builder\"\nSCRAPCOUNT=45      // note\n"},
        {"[Plan1]\r\nplanType=Hold\r\nplanPriority=5\r\nholdPoint = \"gate\"  // "
         "ridge\r\nmaxAttacks= 4 //x\r\n",
         [](Opened& f) {
             f.Plan(0)->parameters = {{"maxAttacks", "9"}};
         },
         "[Plan1]\r\nplanType=Hold\r\nplanPriority=5\r\n// ridge\r\nmaxAttacks= 9 //x\r\n"},
        // A new condition leaves the flag it does not touch as written.
        {"[Plan1]\nplanType=Hold\nplanPriority=5\nbuildIfNoIdle=0\n",
         [](Opened& f) { f.Plan(0)->condition.Set("Exists", "u", 2); },
         "[Plan1]\nplanType=Hold\nplanPriority=5\nbuildIfNoIdle=0\nplanCondition = \"Exists\"\n"
         "planConditionClass = \"u\"\nplanConditionCount = 2\n"},
        // In an LF file the removed key's comment ran on over the next line,
        // which stays unread.
        {"[Plan1]\nplanType=Hold\nplanPriority=5\nholdPoint = \"gate\"  // ridge\nmaxAttacks = 4\n",
         [](Opened& f) { f.Plan(0)->parameters.clear(); },
         "[Plan1]\nplanType=Hold\nplanPriority=5\n// ridge\n// maxAttacks = 4\n"},
    };
    for (const auto& c : cases) {
        Opened file(c.text);
        c.edit(file);
        EXPECT_EQ(file.Saved(), c.saved) << c.text;
    }
}

// A [Match] edit touches the keys whose class or number changed, and no other.
// A mapping renames a class wherever it names a unit (a parameter only when
// the catalog says it takes one), in one pass, ASCII case ignored; a save
// changes the value bytes alone.
TEST(KeptLayout, RenamedUnitClassesChangeOnlyTheirValues) {
    CPlanManager catalog;
    PlanTypeInfo* build = catalog.AddPlanType("BuildLoop");
    CPlanManager::AddParamDef(build, "buildType", ParamKindString | ParamMulti);
    CPlanManager::AddParamDef(build, "buildLoc", ParamKindString | ParamMulti);
    const std::string text =
        "[Start]\r\nconsClass = 'iu_rig'   // ours\r\nscavClass = \"IU_SCAV\"\r\n"
        "[Match]\r\ntargetType1 = \"va_tank\"\r\nattackType1_1 = \"iu_tank\"\r\n"
        "[Plan1]\r\nplanType = \"BuildLoop\"\r\nplanPriority = 5\r\nbuildType1 = \"iu_tank\"\r\n"
        "buildLoc1 = \"iu_tank\"\r\nplanCondition = \"Exists\"\r\nplanConditionClass = iu_rig\r\n"
        "[Plan2]\r\nplanType = \"Other\"\r\nplanPriority = 4\r\nbuildType1 = \"iu_tank\"\r\n";
    CPlanData data;
    CKeptLayout kept;
    ASSERT_TRUE(data.LoadText(text) && kept.Map(text, data.plans.InOrder()));
    CUnitClassRename rename;
    std::string error;
    for (const auto& [from, to] : {std::pair{"iu_tank", "va_tank"},
                                   {"va_tank", "iu_tank"},
                                   {"iu_rig", "va_rig"},
                                   {"iu_scav", "va_scav"}})
        ASSERT_TRUE(rename.Add(from, to, error)) << error;
    EXPECT_FALSE(rename.Add("IU_RIG", "x", error)); // given twice
    EXPECT_FALSE(rename.Add("a b", "x", error));
    EXPECT_FALSE(rename.Add("a", std::string(17, 'x'), error));

    std::vector<std::string> told;
    for (const auto& change : rename.Apply(data, &catalog))
        told.push_back((change.plan ? kept.SectionOf(change.plan) + " " : "") + change.where +
                       ": " + change.before + " -> " + change.after);
    EXPECT_EQ(told, (std::vector<std::string>{
                        "consClass: iu_rig -> va_rig", "scavClass: IU_SCAV -> va_scav",
                        "target 1: va_tank -> iu_tank", "attacker 1.1: iu_tank -> va_tank",
                        "Plan1 planConditionClass: iu_rig -> va_rig",
                        "Plan1 buildType1: iu_tank -> va_tank"}));
    std::string saved;
    ASSERT_TRUE(kept.Write(data, saved));
    EXPECT_EQ(ChangedLines(text, saved), (std::set<int>{2, 3, 5, 6, 10, 13}));
    EXPECT_NE(saved.find("consClass = 'va_rig'   // ours\r\n"), std::string::npos);
    EXPECT_NE(saved.find("buildLoc1 = \"iu_tank\""), std::string::npos); // not a unit: kept
}

TEST(KeptLayout, AMatchEditTouchesItsOwnKeys) {
    // CR LF: in an LF file each of these comments would run on over the next line.
    const std::string text = Crlf("[Match]\n"
                                  "targetType1 = \"iu_tank\"   // the heavies\n"
                                  "attackType1_1=\"iu_maul\"   // first\n"
                                  "attackType1_2 = \"iu_dart\" // second\n"
                                  "attackType1_3 = \"iu_spire\"\n"
                                  "targetType2 = 'iu_scout'  // fast ones\n");
    const struct {
        std::function<void(MatchList&)> edit;
        std::set<int> changed;
        const char* has;
    } cases[] = {
        {[](MatchList& m) { m.All()[0]->attackers[1].unitClass = "iu_hammer"; },
         {4},
         "attackType1_2 = \"iu_hammer\" // second\n"},
        {[](MatchList& m) {
             auto& a = m.All()[0]->attackers;
             a.erase(a.begin());
         },
         {3, 4, 5},
         "// first\nattackType1_1 = \"iu_dart\" // second\nattackType1_2 = \"iu_spire\"\n"},
        {[](MatchList& m) { m.All()[1]->attackers.push_back({"iu_dart"}); },
         {},
         "targetType2 = 'iu_scout'  // fast ones\nattackType2_1 = \"iu_dart\"\n"},
        {[](MatchList& m) { m.RemoveTarget(m.All()[0].get()); },
         {2, 3, 4, 5, 6},
         "targetType1 = 'iu_scout'  // fast ones\n"},
    };
    for (const auto& c : cases) {
        Opened file(text);
        c.edit(file.data.matches);
        const std::string saved = file.Saved();
        EXPECT_EQ(ChangedLines(text, saved), c.changed) << saved;
        EXPECT_NE(saved.find(Crlf(c.has)), std::string::npos) << saved;
    }
}

// The comments of a text: each "//" to the end of its line, with its line.
std::vector<std::pair<int, std::string>> Comments(const std::string& text) {
    std::vector<std::pair<int, std::string>> comments;
    const auto lines = SplitLines(text);
    for (std::size_t l = 0; l < lines.size(); ++l)
        if (const std::size_t at = CommentStart(lines[l]); at != std::string::npos)
            comments.emplace_back(int(l + 1), std::string(lines[l].substr(at)));
    return comments;
}

bool ReadsAs(const std::string& text, const CPlanData& data) {
    CPlanData loaded;
    if (!loaded.LoadText(text) || !(loaded.start == data.start)) return false;
    const auto& m = loaded.matches.All();
    const auto& n = data.matches.All();
    const auto a = loaded.plans.SortedByPriority(), b = data.plans.SortedByPriority();
    return std::equal(m.begin(), m.end(), n.begin(), n.end(),
                      [](auto& x, auto& y) { return *x == *y; }) &&
           std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](auto* x, auto* y) { return *x == *y; });
}

// zeq set's one section read and written alone, or left to the whole
// document where its block does not read alone as it reads in the file.
TEST(KeptLayout, OneSectionAlone) {
    const std::string head = Crlf("[Start]\nscrapCount = 40\n");
    const std::string plan = Crlf("[Plan1]\nplanType = \"Hold\"\nplanPriority = 5 // five\n");
    const std::string changed = Crlf("[Plan1]\nplanType = \"Hold\"\nplanPriority = 7 // five\n");
    const std::string next = Crlf("[Plan2]\nplanType = \"Hold\"\nplanPriority = 3\n");
    struct Row {
        const char* name;
        std::string text, section, after; // after: empty where the text stays
        SectionEdit result;
    };
    // Past the dense scan every number up to the plan's must be there, in
    // any order, repeats counting once.
    std::string dense = head + Crlf("[Plan256]\n"), denseAfter;
    for (int n = 300; n >= 256; --n)
        dense += Crlf("[Plan" + std::to_string(n) + "]\nplanType = \"Hold\"\nplanPriority = 5\n");
    denseAfter = dense;
    denseAfter.replace(denseAfter.find("= 5"), 3, "= 7");
    const Row rows[] = {
        {"PastTheDenseScan", dense, "Plan300", denseAfter, SectionEdit::Done},
        {"BetweenSections", head + plan + next, "plan1", head + changed + next, SectionEdit::Done},
        {"Start", plan + head + next, "start", plan + Crlf("[Start]\nscrapCount = 41\n") + next,
         SectionEdit::Done},
        {"OpensTheText", plan + next, "Plan1", changed + next, SectionEdit::Done},
        {"LastWithItsLineEnd", head + plan, "Plan1", head + changed, SectionEdit::Done},
        {"LastWithoutALineEnd", head + plan.substr(0, plan.size() - 2), "Plan1", "",
         SectionEdit::NotAlone},
        // The comment takes the LF, and the priority line after it is the
        // header's lost tail: read alone, it would be the plan's priority.
        {"CommentAfterTheHeader",
         head + "[Plan1] // one\nplanPriority = 9\r\n" + plan.substr(9) + next, "Plan1", "",
         SectionEdit::NotAlone},
        {"NotAPlanName", head + plan + next, "Plan01", "", SectionEdit::NotAlone},
        {"PastTheGapAfterTheDenseScan", head + Crlf("[Plan300]") + plan.substr(7), "Plan300", "",
         SectionEdit::NotAlone},
        {"Refused", head + plan + next, "Plan1", "", SectionEdit::Refused},
    };
    for (const Row& row : rows) {
        std::string text = row.text;
        const SectionEdit result = EditSection(text, row.section, [&](CPlanData& d, PlanEntry* p) {
            (p ? p->priority : d.start.scrapCount) = p ? 7 : 41;
            return row.result != SectionEdit::Refused;
        });
        EXPECT_EQ(result, row.result) << row.name;
        EXPECT_EQ(text, row.after.empty() ? row.text : row.after) << row.name;
    }
}

// A change of a plan's values as the Plan Settings dialog makes one, drawn
// from `seed`: the same seed makes the same change.
void ChangePlan(PlanEntry& p, std::uint32_t seed) {
    std::mt19937 random(seed);
    auto pick = [&](std::size_t n) { return std::size_t(random() % std::max<std::size_t>(n, 1)); };
    p.priority = 1 + std::uint32_t(pick(16384));
    p.flags ^= 1u + std::uint32_t(pick(2));
    if (pick(2)) // whole, or none
        p.condition.Set("Exists", "u", 1 + std::uint32_t(pick(3)));
    else
        p.condition = {};
    if (!p.parameters.empty() && pick(2))
        p.parameters.erase(p.parameters.begin() + std::ptrdiff_t(pick(p.parameters.size())));
    else
        p.parameters.push_back({"maxTries", std::to_string(pick(9))});
}

// A change of one section's values, drawn from `seed`: the plan's, or those
// of [Start], [Cheat] or [Match] (`plan` null).
void ChangeSection(CPlanData& d, PlanEntry* plan, std::string_view name, std::uint32_t seed) {
    if (plan) return ChangePlan(*plan, seed);
    if (NamesEqual(name, "Start")) {
        d.start.scrapCount = seed % 3 * 50;
        d.start.SetScavClass(seed & 4 ? "s" : "");
    } else if (NamesEqual(name, "Cheat")) {
        d.start.moneyAmount = seed % 2 * 5;
        d.start.moneyDelay = seed / 2 % 2 * 30;
    } else if (auto& all = d.matches.All(); all.empty() || seed % 3 == 0) {
        d.matches.AddTarget("t")->attackers.push_back({"a"});
    } else if (seed % 3 == 1) {
        d.matches.RemoveTarget(all[seed / 3 % all.size()].get());
    } else {
        all[seed / 3 % all.size()]->unitClass = "retargeted";
    }
}

// What a report tells, a finding a line.
std::string Told(const CPlanFileReport& report) {
    std::string told;
    for (const Finding& f : report.Findings())
        told.append(std::to_string(f.line))
            .append(" ")
            .append(f.code)
            .append(" ")
            .append(f.message)
            .append("\n");
    return told;
}

// Every path that writes a user's file, over random annotated files and
// random edits: Save with the kept layout (which zeq set and zeq rename
// write through too), the recovery copy, a plan copied and pasted, zeq merge with the edit
// on either side or both, and the canonical layout. Each result reads as the
// edited document; every line outside the edited records comes back in
// order as it was; every comment outside a deleted plan is still there; and
// writing the unedited document again gives the file back byte for byte.
TEST(KeptLayout, EveryWritingPathKeepsEveryByte) {
    testsupport::RandomPlanFile files(31);
    std::mt19937 random(17);
    auto pick = [&](std::size_t n) { return std::size_t(random() % std::max<std::size_t>(n, 1)); };
    int cases = 0, fallbacks = 0, merges = 0, lineMerges = 0, pastes = 0, pastesKept = 0,
        pasteFallbacks = 0, renamed = 0, alone = 0, inPieces = 0;
    CPlanManager catalog; // buildType1 takes a unit class
    for (const char* type : {"Hold", "Attacker", "BuildLoop"})
        CPlanManager::AddParamDef(catalog.AddPlanType(type), "buildType",
                                  ParamKindString | ParamMulti);
    for (int i = 0; i < 4000; ++i) {
        const std::string text = files.Next();
        CPlanData data;
        if (!data.LoadText(text)) continue;
        // The canonical layout (Save Tidied, zeq fmt) is what a save of the
        // model writes, and it changes nothing a second time. It reads the
        // file plan by plan, and tells the report what a whole read tells.
        std::string once, twice;
        CPlanFileReport byPlan(nullptr, nullptr, CPlanFileReport::Mode::Tidy),
            wholeRead(nullptr, nullptr, CPlanFileReport::Mode::Tidy);
        ASSERT_TRUE(FormatPlanText(text, once, nullptr, &byPlan) && once == data.Text()) << text;
        CPlanData read;
        wholeRead.Check(text, &read);
        ASSERT_EQ(Told(byPlan), Told(wholeRead)) << text;
        ASSERT_TRUE(FormatPlanText(once, twice) && twice == once);
        // Mapped plan by plan (a text just saved) as when read whole (opened):
        // the same blocks, the same lines held by no record, the same report.
        CKeptLayout kept, opened;
        CPlanData openedData;
        std::string openedText = text;
        CPlanFileReport mapped(nullptr, nullptr), loaded(nullptr, nullptr);
        std::vector<const MatchEntry*> matches;
        for (const auto& match : data.matches.All())
            matches.push_back(match.get());
        ASSERT_TRUE(kept.Map(text, data.plans.InOrder(), mapped, matches)) << text;
        ASSERT_TRUE(opened.Load(openedText, openedData, &loaded));
        ASSERT_EQ(Told(mapped), Told(loaded)) << text;
        ASSERT_EQ(kept.Unheld(), opened.Unheld()) << text;
        for (std::size_t p = 0; p < data.plans.CountPlans(); ++p)
            ASSERT_EQ(kept.BlockOf(data.plans.InOrder()[p]),
                      opened.BlockOf(openedData.plans.InOrder()[p]))
                << text;
        ASSERT_EQ(kept.BlockOf(nullptr), std::make_pair(0, 0)); // no plan chosen: no block
        std::string saved;
        ASSERT_TRUE(kept.Write(data, saved)) << text;
        ASSERT_EQ(saved, text);
        { // the editor's Rename Unit Classes: each use's bytes rewritten in place
            CUnitClassRename rename;
            std::string error;
            ASSERT_TRUE(rename.Add("BULWARK", "va_tank", error) && rename.Add("scav", "s2", error));
            CPlanData expected;
            ASSERT_TRUE(expected.LoadText(text));
            renamed += int(rename.Apply(expected, &catalog).size());
            const std::string rewritten =
                rename.Rewrite(text, CUnitClassRename::Uses(text, &catalog));
            ASSERT_TRUE(ReadsAs(rewritten, expected)) << text << "\n---- renamed as\n" << rewritten;
        }

        { // zeq set on one section: its block alone, as a save of the whole writes it
            const std::size_t which = pick(data.plans.CountPlans() + 3);
            const std::string name = which < 3
                                         ? std::string(std::array{"Start", "Cheat", "Match"}[which])
                                         : kept.SectionOf(data.plans.All()[which - 3].get());
            const std::uint32_t seed = std::uint32_t(random());
            CPlanData whole;
            CKeptLayout wholeKept;
            std::string expected = text, edited = text;
            ASSERT_TRUE(wholeKept.Load(expected, whole));
            ChangeSection(
                whole, const_cast<PlanEntry*>(which < 3 ? nullptr : wholeKept.PlanOfSection(name)),
                name, seed);
            const bool writes = wholeKept.Write(whole, expected);
            const SectionEdit result = EditSection(edited, name, [&](CPlanData& d, PlanEntry* p) {
                ChangeSection(d, p, name, seed);
                return true;
            });
            ASSERT_NE(result, SectionEdit::Refused);
            if (result == SectionEdit::Done) {
                ASSERT_TRUE(writes) << text;
                ASSERT_EQ(edited, expected) << name << " in\n" << text;
                ++alone;
            } else {
                ASSERT_EQ(edited, text);
            }
        }

        std::set<std::pair<int, int>> edited; // the blocks of the records edited
        std::set<std::pair<int, int>> deleted;
        auto plan = [&] { return data.plans.All()[pick(data.plans.CountPlans())].get(); };
        auto touch = [&](const PlanEntry* p) { edited.insert(kept.BlockOf(p)); };
        const std::function<void()> edits[] = {
            [&] { data.plans.AddPlan("Hold", 1 + std::uint32_t(pick(90))); },
            [&] {
                if (!data.plans.CountPlans()) return;
                PlanEntry* p = plan();
                touch(p);
                deleted.insert(kept.BlockOf(p));
                data.plans.RemovePlan(p);
            },
            [&] {
                if (!data.plans.CountPlans()) return;
                PlanEntry* p = plan();
                touch(p);
                ChangePlan(*p, std::uint32_t(random()));
            },
            [&] { data.plans.ArrangePriorities(10); }, // priorities only: each plan's block
            [&] {
                edited.insert(kept.BlockOf("Match"));
                auto& all = data.matches.All();
                switch (all.empty() ? 0 : pick(4)) {
                case 0:
                    data.matches.AddTarget("t")->attackers.push_back({"a"});
                    break;
                case 1:
                    data.matches.RemoveTarget(all[pick(all.size())].get());
                    break;
                case 2:
                    all[pick(all.size())]->unitClass = "retargeted";
                    break;
                default:
                    if (auto& a = all[pick(all.size())]->attackers; !a.empty())
                        a.erase(a.begin() + std::ptrdiff_t(pick(a.size())));
                }
            },
            [&] {
                edited.insert(kept.BlockOf("Start"));
                edited.insert(kept.BlockOf("Cheat"));
                data.start.scrapCount = std::uint32_t(pick(3) * 50);
                data.start.SetScavClass(pick(2) ? "s" : "");
                data.start.moneyDelay = std::uint32_t(pick(2) * 30);
            },
            [&] { // zeq rename: classes renamed wherever they stand, two swapped
                CUnitClassRename rename;
                std::string error;
                const char* classes[] = {"bulwark", "dynamo", "scav", "BULWARK"};
                ASSERT_TRUE(rename.Add(classes[pick(4)], "va_tank", error) &&
                            rename.Add("gun_spire", "north_ridge", error) &&
                            rename.Add("north_ridge", "gun_spire", error));
                for (const auto& change : rename.Apply(data, &catalog))
                    if (++renamed; change.plan)
                        touch(change.plan);
                    else
                        edited.insert(kept.BlockOf(
                            change.where.find(' ') != std::string::npos ? "Match" : "Start"));
            },
        };
        for (std::size_t n = 1 + pick(3); n-- > 0;) {
            const std::size_t which = pick(std::size(edits));
            if (which == 3)
                for (const auto& p : data.plans.All())
                    touch(p.get());
            edits[which]();
        }
        ++cases;
        std::vector<const PlanEntry*> savedOrder, piecesOrder;
        if (!kept.Write(data, saved, &savedOrder)) { // the canonical layout saves it then
            ASSERT_FALSE(kept.WritesInPieces(data, nullptr));
            ++fallbacks;
            continue;
        }
        const std::string shown = text + "\n---- saved as\n" + saved;
        ASSERT_TRUE(ReadsAs(saved, data)) << shown;
        std::string recovered; // the recovery copy is what Save would write
        ASSERT_TRUE(kept.WriteUnchecked(data, recovered));
        ASSERT_EQ(recovered, saved);
        // A save made as it is written (where it is sure to load) writes the same.
        if (kept.WritesInPieces(data, &piecesOrder)) {
            std::string pieces;
            ASSERT_TRUE(kept.WriteTo(data, [&](std::string_view piece) {
                pieces += piece;
                return true;
            }));
            ASSERT_EQ(pieces, saved);
            ASSERT_EQ(piecesOrder, savedOrder);
            ++inPieces;
        }

        // The lines of no edited record (headers of plans past Plan255 aside,
        // which a deletion may renumber) come back in order, as they were.
        auto inside = [](const std::set<std::pair<int, int>>& blocks, int line) {
            return std::any_of(blocks.begin(), blocks.end(), [line](auto block) {
                return line >= block.first && line <= block.second;
            });
        };
        const auto before = SplitLines(text), after = SplitLines(saved);
        std::size_t at = 0;
        for (std::size_t l = 0; l < before.size(); ++l) {
            const int line = int(l + 1);
            if (inside(edited, line) || before[l].find("[Plan2") != std::string::npos) continue;
            while (at < after.size() && after[at] != before[l])
                ++at;
            ASSERT_LT(at++, after.size()) << "line " << line << " of\n" << shown;
        }
        // Every comment outside a deleted plan stays.
        for (const auto& [line, comment] : Comments(text)) {
            if (inside(deleted, line)) continue;
            ASSERT_NE(saved.find(comment), std::string::npos)
                << comment << " of line " << line << " in\n"
                << shown;
        }

        // A plan copied as written and pasted into the file as it was
        // opened brings its comments.
        std::vector<const PlanEntry*> order;
        CKeptLayout written;
        if (kept.Write(data, saved, &order) && !order.empty() && written.Map(saved, order)) {
            const PlanEntry* copied = order[pick(order.size())];
            CPlanData target;
            CKeptLayout into;
            ASSERT_TRUE(target.LoadText(text) && into.Map(text, target.plans.InOrder()));
            into.Pasted(*copied, written.BlockText(copied));
            target.plans.Append(*copied);
            std::string pasted;
            if (!into.Write(target, pasted)) { // where no added plan can go: canonical
                ++pasteFallbacks;
                continue;
            }
            const auto comments = Comments(written.BlockText(copied));
            pastesKept += std::all_of(comments.begin(), comments.end(), [&](const auto& c) {
                return pasted.find(c.second) != std::string::npos;
            });
            ++pastes;
        }
        // The merge driver (on every fourth file: it is the slowest path)
        // gives either side back where the other made no change, and the
        // change where both made it.
        if (cases % 4) continue;
        using Sides = std::tuple<const std::string*, const std::string*, const std::string*>;
        for (const auto& [b, o, t] : {Sides{&text, &saved, &text}, Sides{&text, &text, &saved},
                                      Sides{&text, &saved, &saved}}) {
            const TextMerge merge = MergeTexts(*b, *o, *t);
            ASSERT_TRUE(merge.Clean()) << shown;
            ASSERT_EQ(merge.text, saved) << shown;
        }
        ++merges;
        // Both sides edited (theirs adds a commented plan and a comment): the
        // merge reads as both edits, and every comment of both sides stays.
        std::string theirs = text;
        if (!theirs.empty() && theirs.back() != '\n' && theirs.back() != '\r') theirs += "\r\n";
        theirs += "// theirs: the late attack\r\n[Plan200]\r\nplanType = \"Attacker\"\r\n"
                  "planPriority = 77   // theirs: late\r\n";
        const TextMerge both = MergeTexts(text, saved, theirs);
        if (!both.loaded || !both.conflicts.empty()) continue;
        // (Theirs removed nothing: every comment ours kept, and theirs' own.)
        auto comments = Comments(saved);
        comments.emplace_back(0, "// theirs: the late attack");
        comments.emplace_back(0, "// theirs: late");
        for (const auto& [line, comment] : comments)
            ASSERT_NE(both.text.find(comment), std::string::npos) << comment << "\n" << both.text;
        lineMerges += both.leftOver ? 0 : 1;
    }
    // Files rich in plans: some edits have no place in the text as written,
    // and the canonical layout saves those (the only plan of a file deleted
    // leaves no text that loads; a comment that takes a lone LF reads the
    // next line into its own, and a new value there cannot keep that).
    EXPECT_GT(cases, 3300);
    EXPECT_GT(alone, cases / 2) << alone << " of " << cases;
    EXPECT_GT(inPieces, cases / 8) << inPieces << " of " << cases;
    EXPECT_GT(renamed, 1500);
    EXPECT_GT(merges, 750);
    EXPECT_GT(lineMerges, 520);
    EXPECT_GT(pastes, 2300);
    EXPECT_GT(pastesKept, pastes * 95 / 100) << pastesKept << " of " << pastes;
    EXPECT_LT(pasteFallbacks, pastes / 8) << pasteFallbacks << " of " << pastes;
    EXPECT_LT(fallbacks, cases / 100) << fallbacks << " of " << cases;
}

} // namespace
