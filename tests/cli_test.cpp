// Runs the zeq tool as a process on real files, as scripts will.

#include "plandata.h"
#include "testsupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
using testsupport::Crlf;

namespace {

struct ToolRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class ZeqTool : public testsupport::TempFolder {
protected:
    ToolRun Zeq(const std::string& args) const { return Run(std::string(ZEQ_TOOL) + " " + args); }
    // git in the folder "repo", made and set up as the documentation says;
    // false where there is no git.
    bool MakeRepository() const {
        fs::create_directory(Path("repo"));
        Write("repo/.gitattributes", "*.zeq diff=zeq merge=zeq\n");
        // No housekeeping in the background, whose locks a busy machine
        // could meet in the next command.
        return Git("init -q -b main && git config user.email t@example.org && git config "
                   "user.name T && git config gc.auto 0 && git config maintenance.auto false && "
                   "git config diff.zeq.command '" ZEQ_TOOL " diff' && git config "
                   "merge.zeq.driver '" ZEQ_TOOL " merge %O %A %B -o %A'")
                   .exitCode == 0;
    }
    ToolRun Git(const std::string& args) const {
        return Run("cd '" + Path("repo") + "' && export ZEQ='" ZEQ_TOOL "' && git " + args);
    }
    // A shell command, its output caught.
    ToolRun Run(const std::string& command) const {
        const std::string out = Path("stdout.txt"), err = Path("stderr.txt");
        const int status = std::system(
            ("{ " + command + "; } > '" + out + "' 2> '" + err + "' < /dev/null").c_str());
        ToolRun run;
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        run.out = Read(out);
        run.err = Read(err);
        return run;
    }
};

const char* const kSamples[] = {"ironclad_defence.zeq", "verdant_rush.zeq", "neutral_outpost.zeq"};

std::string Sample(const char* name) {
    return std::string(ZEQ_DATA_DIR) + "/samples/" + name;
}

// fmt says what the canonical layout drops, as check words it, and does
// not drop it from its own input unasked.
TEST_F(ZeqTool, FmtSaysWhatItDropsAndSparesItsInput) {
    const std::string text = "// mine\r\n[Start]\r\nconsClass = c\r\nscavClass = s\r\n"
                             "[Plan1]\r\nplanType = A\r\nplanPriority = high\r\n"
                             "[Plan2]\r\nplanType = B\r\nplanPriority = 5\r\n[PLAN2]\r\n";
    const std::string file = Write("plan.zeq", text);
    fs::create_hard_link(file, Path("other-name.zeq"));
    const ToolRun printed = Zeq("fmt " + file);
    EXPECT_EQ(printed.exitCode, 0);
    EXPECT_EQ(printed.err, Zeq("check --tidy " + file).out); // what it drops, as check says it
    EXPECT_NE(printed.err.find(":1: warning: this comment is not kept"), std::string::npos);

    for (const std::string& out : {file, Path("other-name.zeq")}) {
        const ToolRun refused = Zeq("fmt " + file + " -o " + out);
        EXPECT_EQ(refused.exitCode, 1);
        EXPECT_TRUE(refused.err.ends_with("give --force to write it all the same\n"));
        EXPECT_EQ(Read(file), text);
    }
    Write("copy.zeq", "old");
    const ToolRun copied = Zeq("fmt " + file + " -o " + Path("copy.zeq"));
    EXPECT_EQ(copied.exitCode, 0);
    EXPECT_EQ(copied.out, "");
    EXPECT_EQ(Read(Path("copy.zeq")), printed.out);
    const ToolRun failed = Zeq("fmt " + file + " -o " + Path("missing/dir/out.zeq"));
    EXPECT_NE(failed.err.find("error: cannot write"), std::string::npos) << failed.err;
    EXPECT_EQ(Zeq("fmt " + file + " -o " + file + " --force").exitCode, 0);
    EXPECT_EQ(Read(file), printed.out);
    EXPECT_EQ(Zeq("fmt " + file + " -o " + file).exitCode, 0); // nothing left to drop

    // A byte-order mark hides [Start]; the canonical layout leaves it out.
    const ToolRun marked = Zeq("fmt " + Write("marked.zeq", "\xEF\xBB\xBF" + text));
    std::string unmarked;
    ASSERT_TRUE(FormatPlanText(text, unmarked));
    EXPECT_EQ(marked.out, unmarked);
    EXPECT_NE(marked.err.find("byte-order mark"), std::string::npos) << marked.err;
}

// set changes values as the editor would and keeps everything else of the
// file; what it cannot do leaves the file as it was.
TEST_F(ZeqTool, SetChangesOnlyItsValues) {
    const std::string text = Crlf("// mine\n[Start]\nscrapCount = 40 // more\nconsClass = c\n"
                                  "[Plan4]\nplanType = \"Hold\"\nplanPriority = 5\n"
                                  "holdPoint = \"gate\"\n// end\n");
    const std::string file = Write("set.zeq", text);
    ToolRun run = Zeq("set " + file +
                      " Plan4.planPriority=6 PLAN4.holdPoint= 'start.scavClass=\"s\"' "
                      "Plan4.doNextOnFail=1 Match.targetType1=t Match.attackType1_1=a "
                      "Plan4.planCondition=Exists Plan4.planConditionClass=u "
                      "Plan4.planConditionCount=3");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Read(file), Crlf("// mine\n[Start]\nscrapCount = 40 // more\nconsClass = c\n"
                               "scavClass = \"s\"\n[Match]\ntargetType1 = \"t\"\n"
                               "attackType1_1 = \"a\"\n\n[Plan4]\nplanType = \"Hold\"\n"
                               "planPriority = 6\nplanCondition = \"Exists\"\n"
                               "planConditionClass = \"u\"\nplanConditionCount = 3\n"
                               "doNextOnFail = 1\n// end\n"));
    EXPECT_EQ(Zeq("set " + file + " Start.scrapCount=41 -o -").out,
              std::string(Read(file)).replace(Read(file).find("40"), 2, "41"));

    const std::string saved = Read(file);
    for (const auto& [args, why] :
         {std::pair{"Plan9.planPriority=1", "there is no plan section [Plan9] that is read"},
          {"Plan4.planPriority=0", "'planPriority = 0': a whole number from 1 to 16384"},
          {"Start.scrapCount=256", "a whole number from 0 to 255"},
          {"Start.consClass=a\"b", "without quotes inside"},
          {"Start.consClass=\"", "without quotes inside"},
          {"Plan4.doNextOnFail=2", "0 or 1"},
          {"Plan4.holdPoint=two words", "it would read back as"},
          {"Start.difficulty=3", "[Start] has no key 'difficulty'"},
          {"Plan4", "'Plan4' is not SECTION.KEY=VALUE"}}) {
        run = Zeq("set " + file + " 'Start.scrapCount=9' '" + args + "'");
        EXPECT_EQ(run.exitCode, 1) << args << run.err;
        EXPECT_NE(run.err.find(why), std::string::npos) << run.err;
        EXPECT_EQ(Read(file), saved);
    }
}

// Copies that interrupted saves left are named, listed, restored and
// deleted; an in-place save makes the recovery folder the user's alone.
TEST_F(ZeqTool, BackupsOfInterruptedSaves) {
    const std::string file = Write("plan.zeq", Read(Sample(kSamples[2])));
    fs::create_hard_link(file, Path("link.zeq")); // so saves go in place
    const std::string copy = Write("plan.zeq.backup", "// before\r\n" + Read(file));
    const std::string zeq = "XDG_DATA_HOME='" + Path("data") + "' " + ZEQ_TOOL;
    ToolRun run = Run(zeq + " set " + file + " Start.scrapCount=9");
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_NE(run.err.find("kept in " + copy + " ('zeq backup"), std::string::npos) << run.err;
    EXPECT_EQ(fs::status(Path("data/zeq-editor/recovery")).permissions(), fs::perms::owner_all);
    EXPECT_EQ(Zeq("backup " + file).out, copy + "\n");
    EXPECT_EQ(Zeq("backup " + file + " --restore 2").exitCode, 1);
    EXPECT_EQ(Zeq("backup " + file + " --restore 1").exitCode, 0);
    EXPECT_EQ(Read(Path("link.zeq")), "// before\r\n" + Read(Sample(kSamples[2])));
    Write("plan.zeq.backup", "older");
    EXPECT_EQ(Zeq("backup " + file + " --delete").exitCode, 0);
    EXPECT_EQ(Zeq("backup " + file).out, "");
}

TEST_F(ZeqTool, FmtAndDumpReportUnloadableFiles) {
    for (const auto& [file, line] :
         {std::pair{Path("missing.zeq"), "missing.zeq: error: cannot read the file: "},
          {Write("broken.zeq", "[Start]\r\n\r\na = 1]\r\n"),
           "broken.zeq:3: error: ']' without an open '['\n"}})
        for (const char* command : {"fmt ", "dump "}) {
            const ToolRun run = Zeq(command + file);
            EXPECT_EQ(run.exitCode, 1) << command << file;
            EXPECT_TRUE(run.out.empty());
            EXPECT_EQ(run.err.rfind(m_dir.string() + "/" + line, 0), 0u) << run.err;
            EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1);
        }
}

// dump, script and catalog print JSON: the model in file order, a
// definition file's tree (or its error), and both catalogs.
TEST_F(ZeqTool, JsonOfTheModelTheScriptsAndTheCatalogs) {
    const std::string plans =
        Write("p.dat", "ConfigurePlanManager() { dwTransparent16 = \"1,0,0\"; }"
                       "CreatePlanType(\"T\") { bHasCondition = true;"
                       " AddMultiParam(\"b\", \"LONG\"); }");
    const std::string units = Write("u.dat", "CreateGroup(\"G\") { CreateGroup(\"S\") {}"
                                             " AddItem(\"c\", \"Name\"); }");
    const std::pair<std::string, const char*> runs[] = {
        {"dump " + Write("d.zeq", "[Start]\r\nscrapCount = 7\r\nconsClass = \"c\xe9\x01\"\r\n"
                                  "[Match]\r\ntargetType1 = t\r\nattackType1_1 = a\r\n"
                                  "[Plan2]\r\nplanType = B\r\nplanPriority = 9\r\n"
                                  "buildIfNoIdle = 1\r\n[Plan1]\r\nplanType = A\r\n"
                                  "planPriority = 1\r\nplanCondition = Exists\r\n"
                                  "planConditionClass = u\r\nplanConditionCount = 3\r\n"
                                  "holdPoint = \"p\"\r\n"),
         "{\"start\":{\"scrapCount\":7,\"consClass\":\"c\\u00e9\\u0001\",\"scavClass\":\"\","
         "\"moneyAmount\":0,\"moneyDelay\":0},"
         "\"matches\":[{\"target\":\"t\",\"attackers\":[\"a\"]}],"
         "\"plans\":[{\"planType\":\"A\",\"priority\":1,\"flags\":0,"
         "\"condition\":{\"kind\":\"Exists\",\"unitClass\":\"u\",\"count\":3},"
         "\"parameters\":[[\"holdPoint\",\"\\\"p\\\"\"]]},"
         "{\"planType\":\"B\",\"priority\":9,\"flags\":2,"
         "\"condition\":{\"kind\":\"\",\"unitClass\":\"\",\"count\":0},\"parameters\":[]}]}\n"},
        {"script " + Write("s.dat", "F(\"a b\", 2) { x = 5; G(1); } H();"),
         "{\"ok\":true,\"error\":0,\"line\":0,\"nodes\":["
         "{\"name\":\"F\",\"params\":[\"\\\"a b\\\"\",\"2\"],"
         "\"properties\":[[\"x\",\"5\"]],\"children\":["
         "{\"name\":\"G\",\"params\":[\"1\"],\"properties\":[],\"children\":[]}]},"
         "{\"name\":\"H\",\"params\":[],\"properties\":[],\"children\":[]}]}\n"},
        {"script " + Write("bad.dat", "F(1);\n\nG(H(2));"),
         "{\"ok\":false,\"error\":3,\"line\":3,\"nodes\":[]}\n"},
        {"catalog --units " + units + " --plans " + plans,
         "{\"plansLoaded\":true,\"iconImage32\":\"\",\"iconImage16\":\"\","
         "\"transparent32\":0,\"transparent16\":1,\"types\":[{\"name\":\"T\","
         "\"flags\":1,\"iconIndex\":-1,\"params\":[{\"name\":\"b\",\"kind\":18}]}],"
         "\"unitsLoaded\":true,\"groups\":[{\"name\":\"G\",\"groups\":[{\"name\":"
         "\"S\",\"groups\":[],\"units\":[]}],\"units\":[{\"displayName\":\"Name\","
         "\"unitClass\":\"c\"}]}]}\n"}};
    for (const auto& [args, json] : runs) {
        const ToolRun run = Zeq(args);
        EXPECT_EQ(run.exitCode, 0) << args;
        EXPECT_EQ(run.out, json) << args;
    }
}

TEST_F(ZeqTool, CheckReportsAndSetsTheExitCode) {
    const std::string clean = Write("clean.zeq", "[Start]\r\nconsClass = \"iu_builder\"\r\n"
                                                 "scavClass = \"iu_gatherer\"\r\n");
    ToolRun run = Zeq("check " + clean);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "");

    // Without a catalog the check says what it left out, which --werror
    // fails on; a catalog beside the file is the file's own.
    run = Zeq("check --werror " + clean);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("no unit catalog (Units.dat) was found"), std::string::npos);
    fs::copy_file(std::string(ZEQ_DATA_DIR) + "/Units.dat", Path("Units.dat"));
    const std::string warned = Write("warned.zeq", "[Start]\r\nconsClass = \"x\"\r\n"
                                                   "scavClass = \"iu_gatherer\"\r\n");
    run = Zeq("check " + clean + " " + warned);
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, warned + ":2: warning: unit class 'x' is not in the unit catalog\n");
    EXPECT_EQ(run.err.find("units: "), std::string::npos); // only with -v:
    EXPECT_NE(Zeq("check -v " + warned).err.find("units: " + Path("Units.dat")), std::string::npos);

    const std::string lost = Write("lost.zeq", "[Plan1]\r\nplanPriority = 5\r\n");
    run = Zeq("check " + lost);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_TRUE(
        run.out.ends_with(lost + ":1: error: plan [Plan1] is not read: it has no planType\n"));

    run = Zeq("check " + Path("missing.zeq") + " " + clean);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.rfind(Path("missing.zeq") + ": error: cannot read", 0), 0u);

    const std::string plans = Write("bad.dat", "CreatePlanType(\"A\"\n;");
    run = Zeq("check " + clean + " --plans " + plans);
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out.rfind(plans + ":2: error: Found ';' inside of parameter block", 0), 0u)
        << run.out;
}

// A folder is every plan file under it, hidden folders left out, in name
// order; a mod's catalogs are found above a file, up to the folder named.
TEST_F(ZeqTool, CheckTakesAModFolder) {
    const std::string plan = "[Start]\r\nconsClass = \"x\"\r\nscavClass = \"iu_gatherer\"\r\n";
    for (const char* folder : {"mod", "mod/iron", "mod/iron/hard", "mod/.git", "mod/b", "empty"})
        fs::create_directory(Path(folder));
    for (const char* name : {"mod/b/z.zeq", "mod/iron/hard/a.ZEQ", "mod/iron/a.zeq",
                             "mod/.git/hidden.zeq", "mod/iron/notes.txt"})
        Write(name, plan);
    fs::copy_file(std::string(ZEQ_DATA_DIR) + "/Units.dat", Path("mod/Units.dat"));
    const ToolRun run = Zeq("check " + Path("mod"));
    EXPECT_EQ(run.exitCode, 0) << run.err;
    std::string expected;
    for (const char* name : {"mod/b/z.zeq", "mod/iron/a.zeq", "mod/iron/hard/a.ZEQ"})
        expected += Path(name) + ":2: warning: unit class 'x' is not in the unit catalog\n";
    EXPECT_EQ(run.out, expected);
    EXPECT_EQ(run.err.find("no unit catalog"), std::string::npos);
    // Named on its own, a file's catalogs are looked for beside it only.
    EXPECT_NE(Zeq("check " + Path("mod/b/z.zeq")).err.find("no unit catalog"), std::string::npos);

    const ToolRun empty = Zeq("check " + Path("empty") + " " + Path("mod/b"));
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_NE(empty.err.find(Path("empty") + ": error: the folder holds no plan file"),
              std::string::npos);
}

// Renames across a folder from pairs and a map, printing each change; every
// file is read before one is written, and none is when one does not load.
TEST_F(ZeqTool, RenameChangesOnlyUnitValuesAcrossAMod) {
    fs::create_directories(Path("mod/iron"));
    const std::string a = Write("mod/iron/a.zeq", "[Start]\r\nconsClass = 'iu_rig' // ours\r\n"
                                                  "scavClass = \"iu_scav\"\r\n");
    const std::string b = Write("mod/b.zeq", "[Match]\r\ntargetType1 = \"IU_RIG\"\r\n"
                                             "attackType1_1 = \"va_dart\"\r\n");
    const std::string map = Write("map.txt", "# faction port\r\niu_rig = va_rig\r\n\r\n");
    fs::copy_file(std::string(ZEQ_DATA_DIR) + "/Units.dat", Path("mod/Units.dat"));

    ToolRun run = Zeq("rename --dry-run --map " + map + " " + Path("mod") + " iu_scav=va_scav");
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, b + ": target 1: IU_RIG -> va_rig (not in the unit catalog)\n" + a +
                           ": consClass: iu_rig -> va_rig (not in the unit catalog)\n" + a +
                           ": scavClass: iu_scav -> va_scav (not in the unit catalog)\n");
    EXPECT_EQ(Read(a).find("va_"), std::string::npos); // a dry run writes nothing

    Write("mod/broken.zeq", "[Plan1\r\n");
    run = Zeq("rename iu_rig=va_rig " + Path("mod"));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.err.find("nothing was written"), std::string::npos);
    EXPECT_EQ(Read(a).find("va_"), std::string::npos);

    fs::remove(Path("mod/broken.zeq"));
    EXPECT_EQ(Zeq("rename iu_rig=va_rig va_dart=iu_dart " + Path("mod")).exitCode, 0);
    EXPECT_EQ(Read(a), "[Start]\r\nconsClass = 'va_rig' // ours\r\nscavClass = \"iu_scav\"\r\n");
    EXPECT_EQ(Read(b), "[Match]\r\ntargetType1 = \"va_rig\"\r\nattackType1_1 = \"iu_dart\"\r\n");
    EXPECT_EQ(Zeq("rename 'a b=c' " + a).exitCode, 2);
}

// A copy of a plan file with its plan sections in reverse order, renumbered.
std::string Reordered(const std::string& text) {
    std::vector<std::string> blocks{""};
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t end = std::min(text.find('\n', at), text.size() - 1) + 1;
        if (text.compare(at, 5, "[Plan") == 0) blocks.emplace_back();
        blocks.back() += text.substr(at, end - at);
        at = end;
    }
    std::string out = blocks.front();
    for (std::size_t i = blocks.size() - 1; i >= 1; --i) {
        const std::string& block = blocks[i];
        out += "[Plan" + std::to_string(blocks.size() - i) + block.substr(block.find(']'));
    }
    return out;
}

TEST_F(ZeqTool, DiffComparesTheDocumentsNotTheirText) {
    for (const char* name : kSamples) {
        const std::string text = Read(Sample(name));
        const std::string moved = Write("moved.zeq", Reordered(text));
        ASSERT_NE(Read(moved), text);
        EXPECT_EQ(Zeq("diff " + Sample(name) + " " + moved).exitCode, 0) << name;

        const std::size_t at = text.find("planPriority = ") + 15;
        const std::string old = text.substr(at, text.find_first_not_of("0123456789", at) - at);
        const std::string changed =
            Write("changed.zeq", text.substr(0, at) + "7" + text.substr(at + old.size()));
        ToolRun run = Zeq("diff " + moved + " " + changed);
        EXPECT_EQ(run.exitCode, 1);
        EXPECT_NE(run.out.find("(priority 7)"), std::string::npos) << run.out;
        EXPECT_NE(run.out.find("planPriority: " + old + " -> 7\n"), std::string::npos) << run.out;

        run = Zeq("diff --json " + Sample(name) + " " + changed);
        const auto json = nlohmann::json::parse(run.out);
        EXPECT_EQ(json["same"], false);
        ASSERT_EQ(json["changes"].size(), 1u);
        EXPECT_EQ(json["changes"][0]["old"], old);
        EXPECT_EQ(json["changes"][0]["newSection"], "Plan1");
    }
    const std::string binary = Write("binary.zeq", std::string("[Start]\0", 8));
    fs::create_directory(Path("folder"));
    for (const std::string& bad : {Path("missing.zeq"), Path("folder"), binary}) {
        const ToolRun run = Zeq("diff " + bad + " " + Sample(kSamples[0]));
        EXPECT_EQ(run.exitCode, 2) << bad;
        EXPECT_EQ(run.err.rfind(bad + (bad == binary ? ":1" : "") + ": error: ", 0), 0u) << run.err;
    }
}

TEST_F(ZeqTool, ChecksForCi) {
    const std::string formatted = Write("formatted.zeq", Zeq("fmt " + Sample(kSamples[0])).out);
    ToolRun run = Zeq("fmt --check " + formatted + " " + Sample(kSamples[0]));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.out, Sample(kSamples[0]) + "\n");
    EXPECT_EQ(Zeq("fmt --check " + formatted).exitCode, 0);
    EXPECT_EQ(Zeq("fmt --check " + Path("missing.zeq")).exitCode, 2);

    const std::string warned =
        Write("warned.zeq", "[Start]\r\nconsClass = c\r\nscavClass = s\r\nx = 1\r\n");
    run = Zeq("check --format=json " + warned);
    EXPECT_EQ(run.exitCode, 0);
    const auto finding = nlohmann::json::parse(run.out);
    EXPECT_EQ(finding,
              nlohmann::json::parse(R"({"file":")" + warned +
                                    R"(","line":4,"severity":"warning","code":"key-unknown",)"
                                    R"("message":"'x' is not read from [Start]"})"));
    EXPECT_EQ(Zeq("check --werror " + warned).exitCode, 1);
}

// A plan ours removed and theirs changed is a conflict: theirs' lines come
// back between markers at the end, and nothing of ours is lost.
TEST_F(ZeqTool, MergeKeepsBothSidesOfAConflict) {
    const std::string base = Crlf("[Start]\nconsClass = c\nscavClass = s\n[Plan1]\nplanType = A\n"
                                  "planPriority = 5\n[Plan2]\nplanType = B\nplanPriority = 6\n");
    const std::string ours =
        std::string(base).erase(base.find("[Plan1]"), base.find("[Plan2]") - base.find("[Plan1]"));
    const std::string theirs = std::string(base).replace(base.find("= 5"), 3, "= 7");
    const std::string files = Write("b.zeq", base) + " " + Write("o.zeq", ours) + " ";
    const ToolRun run = Zeq("merge " + files + Write("t.zeq", theirs));
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(Zeq("merge " + files + Write("x.zeq", "[Plan")).err.find(Path("x.zeq") + ":1:"), 0u);
    EXPECT_TRUE(run.out.starts_with(ours + "<<<<<<< ours\r\n=======\r\n[Plan")) << run.out;
    EXPECT_TRUE(
        run.out.ends_with("planType = \"A\"\r\nplanPriority = 7\r\n\r\n>>>>>>> theirs\r\n"));
    EXPECT_NE(run.err.find("(priority 7): ours removed it, theirs changed it"), std::string::npos);
}

// git with the documented attributes and drivers: changes to different
// plans merge cleanly through the driver, the same value changed on both
// branches stops the merge with markers.
TEST_F(ZeqTool, GitMergesThroughTheDriver) {
    if (!MakeRepository()) GTEST_SKIP() << "no git";
    auto git = [this](const std::string& args) { return Git(args).exitCode; };
    fs::copy_file(Sample(kSamples[0]), Path("repo/ai.zeq"));
    const std::string file = Path("repo/ai.zeq");
    ASSERT_EQ(git("add . && git commit -qm base && git branch other && git branch third"), 0);
    EXPECT_EQ(Zeq("set " + file + " Plan1.planPriority=501").exitCode, 0);
    ASSERT_EQ(git("commit -qam ours && git checkout -q other"), 0);
    Write("repo/ai.zeq", Reordered(Read(file))); // and renumbered
    EXPECT_EQ(Zeq("set " + file + " Plan2.planPriority=402 Start.scrapCount=41").exitCode, 0);
    ASSERT_EQ(git("commit -qam theirs && git checkout -q main"), 0);

    EXPECT_EQ(git("merge -q --no-edit other"), 0);
    const ToolRun diff = Zeq("diff " + Sample(kSamples[0]) + " " + file);
    EXPECT_EQ(diff.out.find("<<<"), std::string::npos);
    for (const char* change : {"scrapCount: 40 -> 41", "planPriority: 500 -> 501", "-> 402"})
        EXPECT_NE(diff.out.find(change), std::string::npos) << change << "\n" << diff.out;

    ASSERT_EQ(git("checkout -q third"), 0);
    EXPECT_EQ(Zeq("set " + file + " Plan1.planPriority=502").exitCode, 0);
    ASSERT_EQ(git("commit -qam third && git checkout -q main"), 0);
    EXPECT_NE(git("merge -q --no-edit third"), 0);
    // Marked as git marks it: ours, then theirs; and zeq check says so.
    const std::string merged = Read(file);
    EXPECT_LT(merged.find("<<<<<<< ours\r\n"), merged.find("planPriority = 501"));
    EXPECT_LT(merged.find("planPriority = 501"), merged.find("=======\r\n"));
    EXPECT_NE(Zeq("check " + file).out.find("unresolved merge conflict"), std::string::npos);
}

// The diff driver on added, deleted and renamed files, and the sample hook
// with the repository's own staged catalogs.
TEST_F(ZeqTool, GitDiffsAndChecksWithTheModsCatalogs) {
    if (!MakeRepository()) GTEST_SKIP() << "no git";
    auto git = [this](const std::string& args) { return Git(args); };
    fs::copy_file(Sample(kSamples[0]), Path("repo/a.zeq"));
    fs::copy_file(Sample(kSamples[1]), Path("repo/b.zeq"));
    ASSERT_EQ(git("add . && git commit -qm base --no-verify").exitCode, 0);
    ASSERT_EQ(git("rm -q a.zeq && git mv b.zeq c.zeq").exitCode, 0);
    fs::copy_file(Sample(kSamples[2]), Path("repo/d.zeq"));
    ASSERT_EQ(git("add d.zeq").exitCode, 0);
    for (const char* renames : {"--no-renames", "-M"}) {
        const ToolRun diff = git(std::string("diff --cached ") + renames);
        EXPECT_EQ(diff.exitCode, 0) << diff.err;
        EXPECT_NE(diff.out.find("zeq diff a.zeq\n"), std::string::npos) << diff.out;
        EXPECT_NE(diff.out.find("zeq diff d.zeq\n"), std::string::npos);
        EXPECT_NE(diff.out.find("+ plan 'Hold' (priority 50) [Plan1]"), std::string::npos);
        EXPECT_NE(diff.out.find("- plan 'CollectPool' (priority 500) [Plan1]"), std::string::npos);
    }
    EXPECT_NE(git("diff --cached -M").out.find("zeq diff b.zeq -> c.zeq\n"), std::string::npos);

    // The hook: a unit the mod added is known, a typo is not, and without
    // the mod's catalogs nothing is taken for checked.
    const std::string hook = Path("repo/.git/hooks/pre-commit");
    fs::copy_file(std::string(ZEQ_DATA_DIR) + "/../resources/git/pre-commit", hook);
    fs::permissions(hook, fs::perms::owner_all);
    const std::string units = Read(std::string(ZEQ_DATA_DIR) + "/Units.dat");
    const std::string modUnits =
        units.substr(0, units.rfind('}')) + "AddItem(\"iu_mender\", \"Mender\");\n}\n";
    const std::string mine = Read(Sample(kSamples[0]));
    const std::size_t gatherer = mine.find("iu_gatherer");
    auto withUnit = [&](const char* unit) {
        return std::string(mine).replace(gatherer, std::strlen("iu_gatherer"), unit);
    };
    Write("repo/d.zeq", withUnit("iu_mender"));
    ToolRun commit = git("add d.zeq && git commit -qm mod");
    EXPECT_NE(commit.exitCode, 0);
    EXPECT_NE(commit.err.find("Plans.dat is not in the repository"), std::string::npos);
    fs::create_directory(Path("repo/data"));
    fs::copy_file(std::string(ZEQ_DATA_DIR) + "/Plans.dat", Path("repo/data/Plans.dat"));
    Write("repo/data/Units.dat", modUnits);
    commit = git("config zeq.plans data/Plans.dat && git config zeq.units data/Units.dat && "
                 "git add data && git commit -qm mod");
    EXPECT_EQ(commit.exitCode, 0) << commit.out << commit.err; // its comments too
    Write("repo/d.zeq", withUnit("iu_mendr"));
    commit = git("commit -qam typo");
    EXPECT_NE(commit.exitCode, 0);
    EXPECT_NE(commit.err.find("d.zeq:"), std::string::npos)
        << commit.err; // git's hooks say on stderr
    Write("repo/d.zeq", mine);
    commit = git("config zeq.canonicalLayout true && git commit -qam layout");
    EXPECT_NE(commit.exitCode, 0);
    EXPECT_NE(commit.err.find("canonical layout"), std::string::npos) << commit.err;
}

// Each wrong call says what is wrong, then the usage, and exits 2.
TEST_F(ZeqTool, WrongCallsPrintUsageAndExit2) {
    // clang-format off
    const std::pair<const char*, const char*> calls[] = {
        {"", "no command given"}, {"bogus", "unknown command 'bogus'"},
        {"fmt a b", "fmt takes one file"}, {"fmt a -x b", "unknown option '-x'"},
        {"fmt a -o x -o y", "option '-o' is given twice"},
        {"fmt a -o ''", "option '-o' needs a value, not an empty one"},
        {"fmt --check", "fmt --check needs at least one file"}, {"dump", "dump takes one file"},
        {"script", "script takes one file"},
        {"catalog extra", "catalog takes no files, only --plans and --units"},
        {"catalog --plans", "option '--plans' needs a value"},
        {"check", "check needs at least one file or folder"}, {"check a --format=xml", "--format takes gcc or json"},
        {"check a --werror=1", "option '--werror' takes no value"},
        {"set a", "set needs a file and at least one SECTION.KEY=VALUE"},
        {"diff a", "diff takes two files, OLD and NEW"},
        {"diff a b --color=red", "--color takes auto, always or never"},
        {"merge a b", "merge takes three files, BASE OURS THEIRS"}, {"backup", "backup takes one file"},
        {"backup a --restore 1 --delete", "backup takes --restore or --delete, not both"}};
    // clang-format on
    for (const auto& [args, why] : calls) {
        const ToolRun run = Zeq(args);
        EXPECT_EQ(run.exitCode, 2) << args;
        EXPECT_TRUE(run.out.empty()) << args;
        EXPECT_EQ(run.err.rfind(std::string("zeq: ") + why + "\n\nUsage: zeq", 0), 0u) << run.err;
    }
}

// Output that cannot be written is a failure, never a success.
TEST_F(ZeqTool, UnwritableOutputFails) {
    for (const std::string& args :
         {"fmt " + Sample(kSamples[0]), "dump " + Sample(kSamples[0]), std::string("--version")}) {
        const std::string command =
            std::string(ZEQ_TOOL) + " " + args + " > /dev/full 2> '" + Path("err.txt") + "'";
        const int status = std::system(command.c_str());
        EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 1) << args;
        EXPECT_TRUE(Read(Path("err.txt"))
                        .ends_with("zeq: cannot write output: No space left on "
                                   "device\n"));
    }
    const ToolRun script = Zeq("script " + Path("none.dat"));
    EXPECT_EQ(script.out, "{\"ok\":false,\"error\":0,\"line\":0,\"nodes\":[]}\n");
    EXPECT_EQ(script.err, "zeq: cannot read " + Path("none.dat") +
                              ": cannot read the file: No such file or directory\n");
}

TEST_F(ZeqTool, HelpAndVersion) {
    for (const char* args :
         {"--help", "fmt --help", "dump --help", "script --help", "catalog --help", "check --help",
          "set --help", "diff --help", "merge --help", "backup --help", "--version"})
        EXPECT_EQ(Run("o=$(" ZEQ_TOOL " " + std::string(args) + ") && [ -n \"$o\" ]").exitCode, 0);
}

} // namespace
