#include "generate.h"

namespace {

const char* const kTypes[] = {"BuildLoop", "Attacker", "DefendArea", "Hold", "CollectPool"};

} // namespace

std::string GeneratePlanFile(std::size_t plans, std::size_t matches) {
    std::string text =
        "// generated\r\n[Start]\r\nscrapCount = 40\r\nconsClass = \"iu_builder\"\r\n"
        "scavClass = \"iu_gatherer\"\r\n\r\n[Cheat]\r\nmoneyAmount = 5\r\n"
        "moneyDelay = 30\r\n\r\n[Match]\r\n";
    for (std::size_t m = 1; m <= matches; ++m) {
        const std::string n = std::to_string(m);
        text += "targetType" + n + " = \"unit_" + std::to_string(m % 997) + "\"\r\n";
        text += "attackType" + n + "_1 = \"iu_bulwark\"\r\nattackType" + n + "_2 = \"iu_maul\"\r\n";
    }
    text += "\r\n";
    for (std::size_t p = 1; p <= plans; ++p) {
        const std::string n = std::to_string(p);
        text += "[Plan" + n + "]\r\nplanType = \"" + kTypes[p % 5] +
                "\"\r\nplanPriority = " + std::to_string(1 + (p * 7919) % 16000) + "\r\n";
        if (p % 3 == 0)
            text += "planCondition = \"Exists\"\r\nplanConditionClass = \"iu_forge\"\r\n"
                    "planConditionCount = 2\r\n";
        text += "buildType1 = \"iu_bulwark\" // main force\r\nbuildCount1 = 4\r\n"
                "holdPoint = \"north_ridge\"\r\ndoNextOnFail = 1\r\n\r\n";
    }
    return text;
}

std::string GeneratePlanText(std::size_t bytes) {
    std::string text;
    std::size_t plans = 0;
    while (text.size() < bytes)
        text = GeneratePlanFile(plans += plans / 2 + 64, 32);
    return text;
}

std::string GenerateUnitScript(std::size_t bytes) {
    std::string text = "// generated units\r\n";
    std::size_t group = 0;
    while (text.size() < bytes) {
        text += "CreateGroup(\"Group " + std::to_string(++group) + "\")\r\n{\r\n";
        text += "    CreateGroup(\"Sub\") { AddItem(\"sub_" + std::to_string(group) +
                "\", \"Sub unit\"); }\r\n";
        for (int u = 0; u < 40; ++u)
            text += "    AddItem(\"u" + std::to_string(group) + "_" + std::to_string(u) +
                    "\", \"Unit number " + std::to_string(u) + "\"); /* note */\r\n";
        text += "}\r\n";
    }
    return text;
}
