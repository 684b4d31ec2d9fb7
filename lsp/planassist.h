#pragma once

#include "lspjson.h"

class CPlanManager;
class CUnitList;

// What the server tells at one place of a plan file, as the protocol's JSON:
// what may be typed there (the source editor's completions) and what the
// word under the caret is (a unit class's name and group, a plan type's
// parameters, a number's range).
class CPlanAssist {
public:
    CPlanAssist(const CTextDocument& doc, const CPlanManager* planTypes, const CUnitList* units)
        : m_doc(doc), m_planTypes(planTypes), m_units(units) {}

    lsp::Json Completion(TextPosition at) const;
    // Null where there is nothing to tell.
    lsp::Json Hover(TextPosition at) const;

private:
    std::string AboutValue(std::string_view key, std::string_view value,
                           std::string_view planType) const;
    std::string AboutKey(std::string_view key, std::string_view planType) const;

    const CTextDocument& m_doc;
    const CPlanManager* m_planTypes;
    const CUnitList* m_units;
};
