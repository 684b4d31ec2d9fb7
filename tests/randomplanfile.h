#pragma once

// Random plan files for the property tests: what modders write and what the
// format lets through besides, in one generator (sections of every kind,
// repeated and misnumbered ones, known keys in any case and repeated,
// parameters, comments, blank lines, stray lines, quotes, brackets and split
// slashes, mixed line ends, a missing last line end).

#include <random>
#include <string>

namespace testsupport {

class RandomPlanFile {
public:
    explicit RandomPlanFile(unsigned seed) : m_random(seed) {}

    std::string Next() {
        std::string text;
        const int sections = Int(0, 12);
        if (Chance(20)) text += Comment() + End();
        for (int s = 0; s < sections; ++s) {
            if (Chance(15)) text += End();
            if (Chance(20)) text += Comment() + End();
            const int kind = Int(0, 9);
            std::string name =
                kind == 0   ? "Start"
                : kind == 1 ? "Cheat"
                : kind == 2 ? "Match"
                : kind == 3 ? Pick({"Notes", "start", "PLAN1", "Plan01", ""})
                            : "Plan" + std::to_string(Chance(10) ? Int(250, 270) : Int(1, 9));
            text += Maybe(" ") + "[" + name + "]" + (Chance(5) ? "tail" : "") + End();
            // Most plan sections read as plans: a type and a priority first.
            if (kind > 3 && Chance(75))
                text.append("planType = ")
                    .append(Pick({"\"Hold\"", "Attacker", "'BuildLoop'"}))
                    .append(End())
                    .append("planPriority=")
                    .append(std::to_string(Int(1, 20000)))
                    .append(End());
            const int keys = Int(0, 7);
            for (int k = 0; k < keys; ++k) {
                if (Chance(8)) text += Comment() + End();
                if (Chance(5)) text += Pick({"junk", "; ini comment", "x y"}) + End();
                text.append(Key(kind)).append(Pick({" = ", "=", "  =  ", " ="}));
                text.append(Value()).append(Chance(10) ? " // note" : "").append(End());
            }
        }
        if (Chance(30) && !text.empty())
            text.erase(text.size() - 1); // no last line end, or a lone CR
        return text;
    }

    int Int(int low, int high) { return std::uniform_int_distribution<int>(low, high)(m_random); }
    bool Chance(int percent) { return Int(1, 100) <= percent; }
    std::string Pick(std::initializer_list<const char*> choices) {
        auto it = choices.begin();
        std::advance(it, Int(0, int(choices.size()) - 1));
        return *it;
    }

private:
    // Built by appending: g++ 12 warns falsely on '"' + std::string + '"'.
    static std::string Quoted(const std::string& text) {
        return std::string("\"").append(text).append("\"");
    }
    std::string Maybe(const char* text) { return Chance(10) ? text : ""; }
    std::string End() {
        if (m_lineEnd == 0 || Chance(5)) m_lineEnd = Int(1, 3);
        return m_lineEnd == 1 ? "\r\n" : m_lineEnd == 2 ? "\n" : Chance(50) ? "\r\n" : "\n";
    }
    std::string Comment() { return Pick({"// why", "//", "// [Plan9] off", "//x=1"}); }
    std::string Key(int sectionKind) {
        if (Chance(10)) return Pick({"custom", "doN\"x", "a/ /b", "Key With Blanks"});
        switch (sectionKind) {
        case 0:
            return Pick({"scrapCount", "consClass", "scavClass", "CONSCLASS", "extra"});
        case 1:
            return Pick({"moneyAmount", "moneyDelay", "moneydelay"});
        case 2:
            return Pick({"targetType", "attackType"})
                .append(std::to_string(Int(1, 3)))
                .append(Chance(50) ? Pick({"_1", "_2", "_3"}) : "");
        default:
            return Pick({"planType", "planPriority", "planCondition", "planConditionClass",
                         "planConditionCount", "buildIfNoIdle", "doNextOnFail", "DONEXTONFAIL",
                         "buildType1", "buildCount1", "holdPoint", "maxAttacks", "buildType2"});
        }
    }
    std::string Value() {
        switch (Int(0, 9)) {
        case 0:
            return "";
        case 1:
            return std::to_string(Int(0, 20000));
        case 2:
            return Quoted(std::to_string(Int(0, 50)));
        case 3:
            return Pick({"\"Hold\"", "\"Attacker\"", "'BuildLoop'", "Upgrade", "\"Exists\""});
        case 4:
            return Pick(
                {"\"it's\"", "\"open", "[1]", "a/ /b", "'x\"", "\"two words\"", "12abc", "-3"});
        default:
            return Quoted(Pick({"bulwark", "dynamo", "gun_spire", "north_ridge", "scav"}));
        }
    }

    std::mt19937 m_random;
    int m_lineEnd = 0;
};

} // namespace testsupport
