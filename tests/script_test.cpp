#include "script.h"

#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

using testsupport::PrintTo;

// A node tree as "Name(p1,p2){prop=value;Child(...);}" in the script's own shape.
std::string Dump(const CScript::NodeList& nodes) {
    std::string out;
    for (const auto& node : nodes) {
        out += node->name + '(';
        for (std::size_t i = 0; i < node->parameters.size(); ++i)
            out += (i ? "," : "") + node->parameters[i];
        out += ')';
        if (!node->properties.empty() || !node->children.empty()) {
            out += '{';
            for (const auto& p : node->properties)
                out += p.name + '=' + p.value + ';';
            out += Dump(node->children);
            out += '}';
        } else {
            out += ';';
        }
    }
    return out;
}

struct LoadCase {
    const char* name;
    std::string text;
    std::string tree;
};

class ScriptLoads : public testing::TestWithParam<LoadCase> {};

TEST_P(ScriptLoads, Tree) {
    CScript script;
    ASSERT_TRUE(script.LoadText(GetParam().text)) << script.LastError().message;
    EXPECT_EQ(Dump(script.Nodes()), GetParam().tree);
    EXPECT_EQ(script.ErrorCode(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Script, ScriptLoads,
    testing::Values(
        LoadCase{"Example", "F(\"a b\", 2) { x = 5; G(1); } H();", "F(\"a b\",2){x=5;G(1);}H();"},
        LoadCase{"OneParam", "F(1);", "F(1);"}, LoadCase{"NoParams", "F();", "F();"},
        LoadCase{"EmptyParamsVanish", "F(a,,b);", "F(a,b);"},
        LoadCase{"BlanksRemovedOutsideStrings", "Create Group ( \"My Units\" ) ;",
                 "CreateGroup(\"My Units\");"},
        LoadCase{"LaterAssignmentReplaces", "F(1) { x = 1; x = 2; }", "F(1){x=2;}"},
        LoadCase{"EmptyValueStoresNothing", "F(1) { x = ; }", "F(1);"},
        LoadCase{"TopLevelAssignmentDropped", "x = 1; F();", "F();"},
        LoadCase{"ParenInValueMakesACall", "F(1) { x = g(2); }", "F(1){x(g,2);}"},
        LoadCase{"AdjacentStringsJoin", "F(1) { x = \"a\" \"b\"; }", "F(1){x=\"a\"\"b\";}"},
        LoadCase{"CommaInsideStringValue", "F(1) { x = \"1,2\"; }", "F(1){x=\"1,2\";}"},
        LoadCase{"SemicolonInsideString", "F(\"a;b\") { x = \"c;d\"; }", "F(\"a;b\"){x=\"c;d\";}"},
        LoadCase{"LineComments", "F(1); // then G\nH(); // to the end", "F(1);H();"},
        LoadCase{"LineCommentEndsAtCr", "F(1); // G(2);\rH();", "F(1);H();"},
        LoadCase{"BlockComment", "F(/* note */ 1);", "F(1);"},
        LoadCase{"UnclosedBlockCommentDropsTheRest", "F(1); /* G(2);", "F(1);"},
        LoadCase{"SlashesInsideString", "F(\"a // b\");", "F(\"a // b\");"},
        LoadCase{"LoneSlashIsOrdinary", "F(a/b);", "F(a/b);"},
        LoadCase{"HighBytesDropped", "F\xe9(1);", "F(1);"},
        LoadCase{"HighBytesKeptInStrings", "F(\"\xe9\");", "F(\"\xe9\");"},
        LoadCase{"NestedBlocks", "A() { B() { C(); } D(); }", "A(){B(){C();}D();}"},
        LoadCase{"EmptyBlock", "A() {}", "A();"},
        LoadCase{"LineEndsInsideStringsKept", "F(\"a\r\nb\");", "F(\"a\r\nb\");"}),
    testsupport::RowName());

struct ErrorCase {
    const char* name;
    std::string text;
    int code;
    int line;
};

class ScriptRefuses : public testing::TestWithParam<ErrorCase> {};

TEST_P(ScriptRefuses, WithCodeAndLine) {
    CScript script;
    EXPECT_FALSE(script.LoadText(GetParam().text));
    EXPECT_EQ(script.ErrorCode(), GetParam().code) << script.LastError().message;
    EXPECT_EQ(script.LastError().line, GetParam().line) << script.LastError().message;
    EXPECT_FALSE(script.LastError().message.empty());
}

INSTANTIATE_TEST_SUITE_P(
    Script, ScriptRefuses,
    testing::Values(
        ErrorCase{"BraceInParams", "F({);", 1, 1},
        ErrorCase{"BraceInAssignment", "F() {\n x = {; }", 1, 2},
        ErrorCase{"CloseBraceInAssignment", "F() { x = 1 }", 2, 1},
        ErrorCase{"LoneCloseBrace", "}", 2, 1}, ErrorCase{"NestedParen", "F(G(1));", 3, 1},
        ErrorCase{"UnopenedParen", "F);", 4, 1},
        ErrorCase{"CommaInAssignment", "F(1) {\r\n x = 1, 2; }", 5, 2},
        ErrorCase{"CommaAtTopLevel", "a,b", 5, 1}, ErrorCase{"SemicolonInParams", "F(1;", 6, 1},
        ErrorCase{"StringAtTopLevel", "\"a\";", 7, 1},
        ErrorCase{"UnclosedString", "\n\nF(\"abc);\n", 8, 3},
        ErrorCase{"MissingCloseBrace", "F(1) { x = 1;", 9, 1},
        ErrorCase{"DoubleAssign", "F(1) { a = b = c; }", 11, 1},
        // Statements that are neither call nor assignment.
        ErrorCase{"DoubleSemicolon", "F(1);;", 0, 1},
        ErrorCase{"SemicolonAfterBlock", "F(1) {\n G(2); \n};", 0, 3},
        ErrorCase{"BytesAfterParams", "F(1)x;", 0, 1}, ErrorCase{"TwoParamLists", "F(1)(2);", 0, 1},
        ErrorCase{"CallRunsIntoEnd", "F(1);\nG(1)", 0, 2}, ErrorCase{"BareName", "F;", 0, 1},
        ErrorCase{"EmptyName", "();", 0, 1}, ErrorCase{"AssignmentWithBlock", "x = 1 { }", 1, 1},
        ErrorCase{"EmptyText", "", 0, 0}),
    testsupport::RowName());

TEST(Script, DiagnosticNamesTheSyntaxError) {
    CScript script;
    EXPECT_FALSE(script.LoadText("F(G(1));"));
    EXPECT_EQ(script.DiagnosticText(), "ERROR in CScript::Load()\nSyntax Error in Script:\n"
                                       "Found '(' inside of parameter block.\n");
    EXPECT_FALSE(script.LoadText("F(1);;"));
    EXPECT_EQ(script.DiagnosticText(), "");
}

TEST(Script, FailureKeepsWhatWasBuilt) {
    CScript script;
    EXPECT_FALSE(script.LoadText("A(1); B() { C(); } ;"));
    EXPECT_EQ(Dump(script.Nodes()), "A(1);B(){C();}");
    EXPECT_FALSE(script.LoadText("A(1); }"));
    EXPECT_TRUE(script.Nodes().empty());
}

TEST(Script, DeepNestingIsBounded) {
    auto nested = [](int depth) {
        std::string text;
        for (int i = 0; i < depth; ++i)
            text += "A(){";
        return text + std::string(std::size_t(depth), '}');
    };
    CScript script;
    EXPECT_FALSE(script.LoadText(nested(2000))); // more than the mark stack holds
    EXPECT_TRUE(script.LoadText(nested(500)));
}

// Numbers, flags and colours as the catalogs write them, and what each
// reader makes of a value it cannot read.
TEST(Script, ValueReaders) {
    const std::pair<const char*, bool> bools[] = {
        {"TRUE", true},   {"\"true\"", true}, {"True", true}, {"false", false},
        {"FaLsE", false}, {"1", true},        {"yes", true},  {"", true}};
    for (const auto& [value, expected] : bools) {
        const ScriptProperty p{"p", value};
        EXPECT_EQ(CScript::GetBool(&p, true), expected) << value;
    }
    const ScriptProperty one{"p", "1"};
    EXPECT_FALSE(CScript::GetBool(&one, false));
    EXPECT_FALSE(CScript::GetBool(nullptr, false));

    const std::pair<const char*, std::int32_t> ints[] = {{"-1", -1},
                                                         {"\"7\"", 7},
                                                         {"abc", 0},
                                                         {"+12x", 12},
                                                         {"\" 42\"", 42},
                                                         {"", 99},
                                                         {"99999999999", INT32_MAX},
                                                         {"-99999999999", INT32_MIN}};
    for (const auto& [value, expected] : ints) {
        const ScriptProperty p{"p", value};
        EXPECT_EQ(CScript::GetInt(&p, 99), expected) << value;
    }
    EXPECT_EQ(CScript::GetInt(nullptr, -1), -1);

    const std::pair<const char*, std::uint32_t> colours[] = {
        {"\"255,0,255\"", 0x00FF00FFu}, {"1,2", 0xDEADu},  {"256,0,0", 0u},
        {"1,2,3", 0x030201u},           {"-1,0,0", 0xFFu}, {"1,2,3,4", 0x030201u},
        {"\"10, 20, 30\"", 0x1E140Au},  {",,", 0u}};
    for (const auto& [value, expected] : colours) {
        const ScriptProperty p{"p", value};
        EXPECT_EQ(CScript::GetColor(&p, 0xDEAD), expected) << value;
    }
    EXPECT_EQ(CScript::GetColor(nullptr, 7u), 7u);
}

} // namespace
