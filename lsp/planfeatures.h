#pragma once

#include "lspjson.h"

class CPlanManager;
class CUnitList;

// What the server tells of a whole plan file, as the protocol's JSON: its
// diagnostics (zeq check's findings, with their codes), its outline, its
// folds, its canonical layout, and the fixes for the findings that have an
// obvious one.
class CPlanFeatures {
public:
    CPlanFeatures(const CTextDocument& doc, const CPlanManager* planTypes, const CUnitList* units)
        : m_doc(doc), m_planTypes(planTypes), m_units(units) {}

    // At most `limit` findings, the errors first; one more then says how
    // many were left out. The checks that a missing catalog turns off are
    // named at the top of the file.
    lsp::Json Diagnostics(std::size_t limit = 1000) const;
    // The outline, as the JSON text of an array of symbols.
    std::string Symbols() const;
    lsp::Json Folding() const;
    // The edits that give the canonical layout; empty when the text has it.
    // False with `why` set when it would drop something or does not load.
    bool Formatting(lsp::Json& edits, std::string& why) const;
    // The fixes for those of `diagnostics` (as the client sends them back)
    // that have one.
    lsp::Json CodeActions(const std::string& uri, const lsp::Json& diagnostics) const;

private:
    lsp::Json Fix(const std::string& uri, const lsp::Json& diagnostic) const;
    // The whole line's range, from its first non-blank byte.
    lsp::Json LineRange(std::size_t line) const;
    // A finding's own part of its line (1-based; 0: the file's start): the
    // key or the value it is about, else the line.
    lsp::Json FindingRange(int line, std::string_view code) const;

    const CTextDocument& m_doc;
    const CPlanManager* m_planTypes;
    const CUnitList* m_units;
};
