#include "plandata.h"
#include "planfilereport.h"
#include "planmanager.h"
#include "unitlist.h"

#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

using testsupport::PrintTo;

// The findings as "line:kind:message", kind e (error), l (loss), L (a whole
// plan lost) or w (warning), so that each rule reads as one row.
std::vector<std::string> Findings(const std::string& text, const CPlanManager* plans = nullptr,
                                  const CUnitList* units = nullptr,
                                  CPlanFileReport::Mode mode = CPlanFileReport::Mode::KeptLayout) {
    CPlanFileReport report(plans, units, mode);
    report.Check(text);
    std::vector<std::string> out;
    for (const Finding& f : report.Findings()) {
        const char* kind = f.planLost                       ? "L"
                           : f.IsError()                    ? "e"
                           : f.kind == FindingKind::Warning ? "w"
                                                            : "l";
        out.push_back(std::to_string(f.line) + ":" + kind + ":" + std::string(f.message));
    }
    return out;
}

bool Has(const std::vector<std::string>& findings, const std::string& prefix) {
    for (const std::string& f : findings)
        if (f.rfind(prefix, 0) == 0) return true;
    return false;
}

const std::string kStart = "[Start]\r\nconsClass = c\r\nscavClass = s\r\n";
const std::string kPlan = "[Plan1]\r\nplanType = A\r\nplanPriority = 1\r\n";

struct Rule {
    const char* name;
    std::string text;
    std::string finding; // the start of one expected finding
};

class ReportRule : public testing::TestWithParam<Rule> {};

// What the canonical layout (zeq fmt, Save Tidied) would not give back.
TEST_P(ReportRule, IsReported) {
    const auto findings = Findings(GetParam().text, nullptr, nullptr, CPlanFileReport::Mode::Tidy);
    EXPECT_TRUE(Has(findings, GetParam().finding)) << testing::PrintToString(findings);
}

INSTANTIATE_TEST_SUITE_P(
    Report, ReportRule,
    testing::Values(
        Rule{"ParseError", "[Start]\r\na = 1]\r\n", "2:e:']' without an open '['"},
        // What File Save would not give back.
        Rule{"Comment", kStart + "// mine\r\n", "4:l:this comment is not kept"},
        Rule{"CommentBlock", "// a\r\n// b\r\n" + kStart, "1:l:2 comments (lines 1 to 2)"},
        Rule{"TextAfterHeader", "[Start]x\r\nconsClass = c\r\nscavClass = s\r\n",
             "1:l:the text after ']' on this line is not kept"},
        Rule{"LineWithoutEquals", kStart + "junk\r\n", "4:l:this line is not a 'key = value'"},
        Rule{"UnknownSection", kStart + "[Notes]\r\n", "4:l:section [Notes] is not part"},
        Rule{"RepeatedStart", kStart + "[START]\r\n", "4:l:only the first [START] section"},
        Rule{"RepeatedPlan", kStart + kPlan + "[PLAN1]\r\n", "7:L:only the first [PLAN1] section"},
        Rule{"PlanPastTheGap", kStart + "[Plan300]\r\nplanType = A\r\nplanPriority = 1\r\n",
             "4:L:plan section [Plan300] is never read: after Plan256"},
        Rule{"LeadingZero", kStart + "[Plan01]\r\n", "4:L:plan section [Plan01] is never read"},
        Rule{"NoPlanType", kStart + "[Plan1]\r\nplanPriority = 1\r\n",
             "4:L:plan [Plan1] is not kept: it has no planType"},
        Rule{"QuotedPriority", kStart + "[Plan1]\r\nplanType = A\r\nplanPriority = \"5\"\r\n",
             "6:L:plan [Plan1] is not kept: planPriority must be a number from 1 to 16384 (a "
             "quoted number reads as 0)"},
        Rule{"UnknownStartKey", kStart + "difficulty = 3\r\n",
             "4:l:'difficulty' is not read from [Start]"},
        Rule{"RepeatedStartKey", kStart + "consClass = d\r\n", "4:l:'consClass' appears again"},
        Rule{"MatchGap",
             kStart + "[Match]\r\ntargetType1 = a\r\nattackType1_1 = b\r\n"
                      "targetType3 = c\r\n",
             "7:l:'targetType3' is not read and is not kept"},
        Rule{"AttackerGap", kStart + "[Match]\r\ntargetType1 = a\r\nattackType1_2 = b\r\n",
             "6:l:'attackType1_2' is not read"},
        Rule{"LongClass", "[Start]\r\nconsClass = abcdefghijklmnopqrst\r\n",
             "2:l:'consClass' is cut to 16 characters: 'abcdefghijklmnop'"},
        Rule{"QuoteInsideText", "[Start]\r\nconsClass = \"it's\"\r\n",
             "2:l:the text of 'consClass' holds a quote character; only 'it' is kept"},
        Rule{"Clamped", kStart + "[Cheat]\r\nmoneyAmount = 5\r\nmoneyDelay = 5000\r\n",
             "6:l:'moneyDelay' is cut from 5000 to 3600"},
        Rule{"DigitsThenText", "[Start]\r\nscrapCount = 12abc\r\n",
             "2:l:'scrapCount = 12abc' reads as 12"},
        Rule{"SignedNumber", "[Start]\r\nscrapCount = -5\r\n", "2:l:'scrapCount = -5' reads as 0"},
        // The line quoted is the one the parser counted, whatever ends the lines.
        Rule{"LoneCrLineEnds", "[Start]\rconsClass = a\n\rscrapCount = 7x\r",
             "4:l:'scrapCount = 7x' reads as 7"},
        Rule{"CheatDropped", kStart + "[Cheat]\r\nmoneyAmount = 5\r\n",
             "4:l:[Cheat] is not kept unless"},
        Rule{"RepeatedPlanKey", kStart + kPlan + "doNextOnFail=1\r\nDONEXTONFAIL=0\r\n",
             "8:l:only the first 'DONEXTONFAIL' of [Plan1] is read; this one is not kept"},
        Rule{"IncompleteCondition", kStart + kPlan + "planCondition=Exists\r\n",
             "7:l:the condition needs both"},
        // Read differently from how it looks, or kept where nothing shows it.
        Rule{"MatchWithoutAttackers", kStart + "[Match]\r\ntargetType1 = a\r\n",
             "5:w:the match for 'a' has no attackers"},
        Rule{"NoStart", kPlan, "1:w:the file has no [Start] section"},
        Rule{"ByteOrderMark", "\xEF\xBB\xBF" + kStart,
             "1:w:the file starts with a UTF-8 byte-order mark, which hides [Start]"},
        Rule{"MissingClass", "[Start]\r\nconsClass = c\r\n", "1:w:[Start] has no scavClass"},
        Rule{"OpenQuote", "[Start]\r\nconsClass = \"abc\r\n", "2:w:a quote is not closed"},
        Rule{"UnknownConditionKind",
             kStart + kPlan + "planCondition=Maybe\r\nplanConditionClass=u\r\n",
             "7:w:condition 'Maybe' is not one of"},

        // Bytes beyond ASCII, named as Windows shows them; a comment's are not read.
        Rule{"Windows1252", "[Start]\r\nconsClass = \x80\xE9\x81\xE9 // \xFF\r\n",
             "2:w:this line holds '\x80' (byte 0x80), '\xE9' (byte 0xE9), byte 0x81 beyond"},
        Rule{"Utf8Text", "\xEF\xBB\xBF[Start]\r\nconsClass = \xC3\xA9\r\n",
             "2:w:this line holds UTF-8 text"},
        Rule{"CommentJoinsLines", "[Start]\nconsClass = c // who\nscavClass = s\n",
             "2:w:this comment swallows its line break"}),
    testsupport::RowName());

// With the layout kept nothing is lost: the report tells what the game does
// not read, and a comment is no finding at all.
TEST(Report, KeptLayoutSaysWhatIsNotRead) {
    EXPECT_EQ(Findings(kStart + "// mine\r\ndifficulty = 3\r\n; old\r\n[Plan1]\r\nplanType = A\r\n"
                                "[Notes]\r\n"),
              (std::vector<std::string>{
                  "5:w:'difficulty' is not read from [Start]",
                  "6:w:';' does not start a comment in plan files; use //",
                  "7:L:plan [Plan1] is not read: planPriority must be a number from 1 to 16384",
                  "9:w:section [Notes] is not part of a plan file and is not read"}));
}

// A merge left unfinished is one error, not what its lines happen to read as.
TEST(Report, ConflictMarkersAreOneFinding) {
    EXPECT_EQ(
        Findings(kStart + ">>>>>>> x\r\n<<<<<<< ours\r\nscrapCount = 1\r\n=======\r\n"
                          "scrapCount = 2\r\n>>>>>>> theirs\r\njunk\r\n<<<<<<<\r\n"),
        (std::vector<std::string>{"4:w:this line is not a 'key = value' line of a section and "
                                  "is not read",
                                  "5:e:unresolved merge conflict, lines 5 to 9",
                                  "10:w:2 lines (10 to 11) are not 'key = value' lines of a "
                                  "section and are not read"}));
}

// "// zeq: ignore CODE..." alone on the line above a finding's line keeps it
// untold, and at the top of the file anywhere; not a trailing comment, not a
// merge left unfinished, and never what a tidy save would drop.
TEST(Report, IgnoreCommentsSilenceTheirCodes) {
    const std::string text = "// notes\r\n// zeq: ignore line-ignored\r\n" + kStart +
                             "// zeq: ignore key-unknown, number-too-large\r\nfoo = 1\r\n"
                             "bar = 2\r\nscrapCount = 9999 // zeq: ignore key-unknown\r\n"
                             "// zeq: ignored key-unknown\r\nbaz = 3\r\n// zeq: ignore x\r\n"
                             "junk\r\n// zeq: ignore merge-conflict\r\n<<<<<<< ours\r\n"
                             "=======\r\n>>>>>>> theirs\r\n";
    EXPECT_EQ(Findings(text),
              (std::vector<std::string>{"8:w:'bar' is not read from [Start]",
                                        "9:w:'scrapCount' is cut from 9999 to 255",
                                        "11:w:'baz' is not read from [Start]",
                                        "15:e:unresolved merge conflict, lines 15 to 17"}));
    EXPECT_TRUE(Has(Findings(text, nullptr, nullptr, CPlanFileReport::Mode::Tidy),
                    "7:l:'foo' is not read from [Start] and is not kept"));
}

// The computer's own units (its classes, attackers, conditions on its own
// units) from two factions: the fewer are told; targets, His... conditions
// and Neutral units are not its own faction's.
TEST(Report, OwnUnitsOfTwoFactionsAreTold) {
    CUnitList units;
    CUnitList::AddUnit(CUnitList::AddSubGroup(units.AddGroup("Iron"), "Tanks"), "Rig", "iu_rig");
    CUnitList::AddUnit(units.AddGroup("Verdant"), "Dart", "va_dart");
    CUnitList::AddUnit(units.AddGroup("Neutral Things"), "Crate", "crate");
    const std::string text =
        "[Start]\r\nconsClass = iu_rig\r\nscavClass = va_dart\r\n[Match]\r\n"
        "targetType1 = va_dart\r\nattackType1_1 = iu_rig\r\nattackType1_2 = crate\r\n"
        "[Plan1]\r\nplanType = A\r\nplanPriority = 1\r\nplanCondition = HisExists\r\n"
        "planConditionClass = va_dart\r\n";
    EXPECT_EQ(Findings(text, nullptr, &units),
              (std::vector<std::string>{"3:w:'va_dart' is a unit of Verdant, while most of the "
                                        "computer's own units here are of Iron"}));
    std::string oneFaction = text;
    oneFaction.replace(oneFaction.find("= va_dart"), 9, "= iu_rig");
    EXPECT_EQ(Findings(oneFaction, nullptr, &units).size(), 0u);
}

// Where the catalog says what plans build: a wait for the computer's own
// units no plan builds (not its constructor or scavenger) can never end, and
// an attacker no plan builds never attacks; nothing said where it is silent.
TEST(Report, WhatNoPlanBuildsIsTold) {
    CPlanManager plans;
    PlanTypeInfo* loop = plans.AddPlanType("BuildLoop");
    CPlanManager::AddParamDef(loop, "buildType", ParamKindString | ParamMulti);
    loop->flags |= PlanTypeHasCondition;
    const std::string text =
        "[Start]\r\nconsClass = rig\r\nscavClass = scav\r\n[Match]\r\ntargetType1 = x\r\n"
        "attackType1_1 = TANK\r\nattackType1_2 = dart\r\n"
        "[Plan1]\r\nplanType = BuildLoop\r\nplanPriority = 1\r\nbuildType1 = \"tank\"\r\n"
        "planCondition = Exists\r\nplanConditionClass = forge\r\n"
        "[Plan2]\r\nplanType = BuildLoop\r\nplanPriority = 2\r\nplanCondition = Exists\r\n"
        "planConditionClass = Rig\r\n[Plan3]\r\nplanType = BuildLoop\r\nplanPriority = 3\r\n"
        "planCondition = NotExists\r\nplanConditionClass = forge\r\n";
    EXPECT_EQ(Findings(text, &plans), std::vector<std::string>{}); // not declared: silent
    loop->params[0].builds = true;
    EXPECT_EQ(Findings(text, &plans),
              (std::vector<std::string>{
                  "7:w:no plan of this file builds 'dart', so this attacker never attacks",
                  "13:w:the plan waits for its own 'forge', which no plan of this file builds and "
                  "which is not its constructor or scavenger: the plan can never run"}));
}

TEST(Report, CatalogsAddTheirChecks) {
    CPlanManager plans;
    PlanTypeInfo* hold = plans.AddPlanType("Hold");
    CPlanManager::AddParamDef(hold, "holdType", ParamKindString | ParamMulti);
    CPlanManager::AddParamDef(hold, "maxTries", ParamKindLong);
    CPlanManager::AddParamDef(hold, "holdForever", ParamKindBool);
    CUnitList units;
    CUnitList::AddUnit(units.AddGroup("G"), "Tank", "tank");

    const auto findings = Findings(
        "[Start]\r\nconsClass = TANK\r\nscavClass = scav\r\n"
        "[Plan1]\r\nplanType = Hold\r\nplanPriority = 1\r\nholdType1 = tank\r\n"
        "holdPoint = p\r\nplanCondition = Exists\r\nplanConditionClass = tank\r\n"
        "holdType2 = \"tonk\"\r\n  maxTries=3x    ; three\r\nholdForever = 2\r\nmaxTries2 = 3\r\n"
        "[Plan2]\r\nplanType = Other\r\nplanPriority = 1\r\nanything = 1\r\n",
        &plans, &units);
    EXPECT_EQ(findings,
              (std::vector<std::string>{
                  "3:w:unit class 'scav' is not in the unit catalog",
                  "7:w:'holdType1 = tank': the parameter takes a text in double quotes "
                  "(holdType1 = \"tank\")",
                  "8:w:'holdPoint' is not a parameter of plan type 'Hold'",
                  "9:w:plan type 'Hold' takes no condition; the editor clears it "
                  "when the plan is edited",
                  "11:w:unit class 'tonk' is not in the unit catalog",
                  "12:w:'maxTries=3x    ; three': the parameter takes a whole number, 0 or more",
                  "13:w:'holdForever = 2': the parameter takes 0 or 1",
                  "14:w:'maxTries2' is not a parameter of plan type 'Hold'",
                  "16:w:plan type 'Other' is not in the plan-type catalog"}));
}

} // namespace
