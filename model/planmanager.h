#pragma once

#include "script.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

// What a plan type allows. Numbered differently from a plan's own flags.
enum PlanTypeFlags : std::uint32_t {
    PlanTypeHasCondition = 1,
    PlanTypeBuildIfNoIdle = 2,
    PlanTypeDoNextOnFail = 4,
};

enum ParamKind : std::uint32_t {
    ParamKindBool = 1,
    ParamKindLong = 2,
    ParamKindString = 3,
    ParamMulti = 0x10, // repeated under numbered names: buildType1, buildType2, ...
};

struct PlanParamDef {
    std::string name; // for a multi parameter the stem the numbers follow
    std::uint32_t kind = 0;
    bool builds = false; // names units the plan builds (the catalog says so)

    bool IsMulti() const { return (kind & ParamMulti) != 0; }
    std::uint32_t ValueKind() const { return kind & 0x0F; }
};

// What a value of the parameter's kind must be, when `value` (as written,
// quotes included) is not that: its finding's code and the words the Issues
// panel and Plan Settings both say ("the parameter takes 0 or 1"); no code
// for a value that is.
struct ParamValueProblem {
    std::string_view code;
    std::string words;
};
ParamValueProblem CheckParamValue(const PlanParamDef& def, std::string_view key,
                                  std::string_view value);

struct PlanTypeInfo {
    std::string name;
    std::uint32_t flags = 0;
    std::int32_t iconIndex = 0; // -1 for none
    std::vector<PlanParamDef> params;
};

// The plan types the editor knows, read from Plans.dat.
class CPlanManager {
public:
    using Types = std::vector<std::unique_ptr<PlanTypeInfo>>;

    // Empties the catalog and reads the definition file. False when the file
    // cannot be read or has a syntax error; the catalog then stays empty and
    // LoadError() tells why.
    bool LoadPlanTypes(const std::string& path);
    void Clear();

    PlanTypeInfo* AddPlanType(std::string_view name);
    // Null for a null type, an empty name, or a kind with none of the bits 0x13.
    static PlanParamDef* AddParamDef(PlanTypeInfo* type, std::string_view name, std::uint32_t kind);

    // Exact name, with case; the first of duplicates.
    const PlanTypeInfo* FindPlanType(std::string_view name) const;
    // Whether any plan type says which of its parameters name what it builds.
    bool DeclaresBuilds() const;
    // A multi definition matches every key that begins with its name, a
    // single one only its exact name; both with case.
    static const PlanParamDef* FindParamDef(const PlanTypeInfo* type, std::string_view key);

    const Types& All() const { return m_types; }

    std::string iconImage32;
    std::string iconImage16;
    std::uint32_t transparent32 = 0; // 0x00BBGGRR
    std::uint32_t transparent16 = 0;

    const Diagnostic& LoadError() const { return m_script.LastError(); }

private:
    void ReadPlanType(const ScriptNode& call);
    void ReadConfiguration(const ScriptNode& call);

    Types m_types;
    CScript m_script;
};
