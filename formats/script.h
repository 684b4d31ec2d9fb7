#pragma once

#include "diagnostic.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// One "name = value;" assignment of a call's block, value as written
// (blanks outside strings removed, double quotes kept).
struct ScriptProperty {
    std::string name;
    std::string value;
};

// One call statement: Name(param, ...); or Name(param, ...) { ... }
struct ScriptNode {
    std::string name;
    std::vector<std::string> parameters; // as written, double quotes kept
    std::vector<ScriptProperty> properties;
    std::vector<std::unique_ptr<ScriptNode>> children;
};

// Syntax errors found while the text is compacted; each has a fixed message.
enum ScriptError : int {
    ScriptOk = 0,
    ScriptBraceInParams = 1,
    ScriptUnopenedBrace = 2,
    ScriptParenInParams = 3,
    ScriptUnopenedParen = 4,
    ScriptCommaOutsideParams = 5,
    ScriptSemicolonInParams = 6,
    ScriptStringOutsideParams = 7,
    ScriptUnclosedString = 8,
    ScriptUnexpectedEnd = 9,
    ScriptStackAlloc = 10,
    ScriptDoubleAssign = 11,
};

// The message of an error code, ending in a line feed; empty for 0 and
// unknown codes.
std::string_view ScriptErrorMessage(int code);

// Reader of the call-script language of the definition files (Plans.dat,
// Units.dat): a sequence of calls, each ended by ';' or followed by a block in
// braces holding assignments and further calls.
class CScript {
public:
    using NodeList = std::vector<std::unique_ptr<ScriptNode>>;

    bool Load(const std::string& path);
    bool LoadText(std::string_view text);
    void RemoveAll();

    const NodeList& Nodes() const { return m_nodes; }

    // Why the last load failed: the code is one of ScriptError for syntax
    // errors and 0 for file errors and statements that are not calls.
    int ErrorCode() const { return m_errorCode; }
    const Diagnostic& LastError() const { return m_error; }
    // "ERROR in CScript::Load()\nSyntax Error in Script:\n" and the message,
    // for syntax errors; empty otherwise.
    std::string DiagnosticText() const;

    // A null parent appends at top level. Null for an empty name.
    ScriptNode* AddNode(std::string_view name, ScriptNode* parent);
    static bool AddParam(ScriptNode* node, std::string_view text);
    // Replaces the value of a property of the same name, else appends one.
    // Null for a null node or an empty name or value.
    static ScriptProperty* SetProperty(ScriptNode* node, std::string_view name,
                                       std::string_view value);
    // Names compare byte for byte, with case.
    static const ScriptProperty* FindProperty(std::string_view name, const ScriptNode* node);

    static std::string GetString(const ScriptProperty* property, std::string_view defaultText);
    // Signed decimal after leading blanks and one optional sign; no digits
    // give 0; numbers beyond 32 bits saturate.
    static std::int32_t GetInt(const ScriptProperty* property, std::int32_t defaultNumber);
    // "true" / "false" in any ASCII case; anything else gives the default.
    static bool GetBool(const ScriptProperty* property, bool defaultFlag);
    // "red,green,blue", each cut to 8 bits, as 0x00BBGGRR.
    static std::uint32_t GetColor(const ScriptProperty* property, std::uint32_t defaultColor);
    // The text with every double quote removed.
    static std::string Unquote(std::string_view text);

private:
    bool Fail(int code, int line, std::string text);

    NodeList m_nodes;
    int m_errorCode = 0;
    Diagnostic m_error;
};
