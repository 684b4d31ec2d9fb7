#include "sourcesnippets.h"

namespace {

const SourceSnippet kSnippets[] = {
    {"&Start", 32794, "[Start]", "[Start]\r\n", 0},
    {"&Start", 32795, "scrapCount =", "scrapCount = \r\n", -2},
    {"&Start", 32796, "scavClass =", "scavClass = \"\"\r\n", -3},
    {"&Start", 32797, "consClass =", "consClass = \"\"\r\n", -3},
    {"&Start", 0, nullptr, nullptr, 0},
    {"&Start", 32798, "Complete Block",
     "[Start]\r\nscrapCount = \r\nscavClass = \"\"\r\nconsClass = \"\"\r\n\r\n", -36},
    {"&Cheat", 32799, "[Cheat]", "[Cheat]\r\n", 0},
    {"&Cheat", 32802, "moneyAmount =", "moneyAmount = \r\n", -2},
    {"&Cheat", 32803, "moneyDelay =", "moneyDelay = \r\n", -2},
    {"&Cheat", 0, nullptr, nullptr, 0},
    {"&Cheat", 32804, "Complete Block", "[Cheat]\r\nmoneyAmount = \r\nmoneyDelay = \r\n\r\n", -19},
    {"&Match", 32800, "[Match]", "[Match]\r\n", 0},
    {"&Match", 32805, "targetType1 =", "targetType1 = \"\"\r\n", -3},
    {"&Match", 32806, "attackType1_1 =", "attackType1_1 = \"\"\r\n", -3},
    {"&Match", 0, nullptr, nullptr, 0},
    {"&Match", 32807, "Complete Block",
     "[Match]\r\ntargetType1 = \"\"\r\nattackType1_1 = \"\"\r\n\r\n", -25},
    {"&Plan", kPlanHeaderSnippet, "[Plan1]", "[Plan1]\r\n", 0},
    {"&Plan", 32809, "planType =", "planType = \"\"\r\n", -3},
    {"&Plan", 32810, "planPriority =", "planPriority = \r\n", -2},
    {"&Plan", 0, nullptr, nullptr, 0},
    {"&Plan", 32811, "planCondition =", "planCondition = \"\"\r\n", -3},
    {"&Plan", 32812, "planConditionClass =", "planConditionClass = \"\"\r\n", -3},
    {"&Plan", 32813, "planConditionCount =", "planConditionCount = \r\n", -2},
    {"&Plan", 0, nullptr, nullptr, 0},
    {"&Plan", 32815, "buildIfNoIdle = 1", "buildIfNoIdle = 1\r\n", 0},
    {"&Plan", 32814, "doNextOnFail = 1", "doNextOnFail = 1\r\n", 0},
    {"&Plan", 0, nullptr, nullptr, 0},
    {"&Plan", kPlanBlockSnippet, "Complete Block",
     "[Plan1]\r\nplanType = \"\"\r\nplanPriority = \r\nplanCondition = \"\"\r\n"
     "planConditionClass = \"\"\r\nplanConditionCount = \r\n\r\n",
     -90},
    {"P&arameters", 32823, "defendType1 =", "defendType1 = \"\"\r\n", -3},
    {"P&arameters", 32824, "defendCount1 =", "defendCount1 = \r\n", -2},
    {"P&arameters", 0, nullptr, nullptr, 0},
    {"P&arameters", 32825, "buildType1 =", "buildType1 = \"\"\r\n", -3},
    {"P&arameters", 32826, "buildCount1 =", "buildCount1 = \r\n", -2},
    {"P&arameters", 32827, "buildLoc1 =", "buildLoc1 = \"\"\r\n", -3},
    {"P&arameters", 0, nullptr, nullptr, 0},
    {"P&arameters", 32828, "holdType1 =", "holdType1 = \"\"\r\n", -3},
    {"P&arameters", 32829, "holdCount1 =", "holdCount1 = \r\n", -2},
    {"P&arameters", 32830, "holdPoint =", "holdPoint = \"\"\r\n", -3},
    {"P&arameters", 0, nullptr, nullptr, 0},
    {"P&arameters", 32831, "unitType =", "unitType = \"\"\r\n", -3},
    {"P&arameters", 32832, "targetType =", "targetType = \"\"\r\n", -3},
    {"P&arameters", 0, nullptr, nullptr, 0},
    {"P&arameters", 32833, "attackType1 =", "attackType1 = \"\"\r\n", -3},
    {"P&arameters", 32834, "maxAttacks =", "maxAttacks = \r\n", -2},
    {"P&arameters", 0, nullptr, nullptr, 0},
    {"P&arameters", 32835, "serviceUnit =", "serviceUnit = \"\"\r\n", -3},
    {"P&arameters", 32836, "unitType1 =", "unitType1 = \"\"\r\n", -3},
    {"P&arameters", 0, nullptr, nullptr, 0},
    {"P&arameters", 32837, "loopDelay =", "loopDelay = \r\n", -2},
    {"P&arameters", 32838, "maxTries =", "maxTries = \r\n", -2},
    {"P&arameters", 32839, "maxTimes =", "maxTimes = \r\n", -2},
};

} // namespace

std::span<const SourceSnippet> SourceSnippets() {
    return kSnippets;
}
