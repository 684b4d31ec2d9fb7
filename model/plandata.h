#pragma once

#include "matchlist.h"
#include "planlist.h"
#include "sectionfile.h"

#include <cstdint>
#include <functional>
#include <string>

class CKeptLayout;
class CPlanFileReport;

// The values of both the [Start] and the [Cheat] section.
struct StartSection {
    std::uint32_t scrapCount = 0;  // 0..255
    std::string consClass;         // Constructor unit class, at most 16 characters
    std::string scavClass;         // Scavenger unit class, at most 16 characters
    std::uint32_t moneyAmount = 0; // 0..255
    std::uint32_t moneyDelay = 0;  // seconds, 0..3600

    // The classes as a plan file can keep them: cut at 16 characters and at
    // the first quote character.
    void SetConsClass(std::string_view unitClass);
    void SetScavClass(std::string_view unitClass);

    // Saving asks for the Start values until both classes are set.
    bool IsValid() const { return !consClass.empty() && !scavClass.empty(); }
    bool operator==(const StartSection&) const = default;
};

// One plan file in memory: start values, matches and plans.
class CPlanData {
public:
    StartSection start;
    MatchList matches;
    PlanList plans;

    void Clear();

    // Fills the model from a parsed tree, telling the report and the kept
    // layout (when given) what it reads. The plan sections' entries are
    // released from the tree as they are read. Always succeeds.
    // With `each`, every plan is handed to it as it is read, with the section
    // it was read from (its entries released), and not kept: a large file is
    // then checked or fingerprinted without a model of it all.
    using EachPlan = std::function<void(const PlanEntry&, const SectionNode&)>;
    bool LoadFromSections(CSectionFile& file, CPlanFileReport* report = nullptr,
                          CKeptLayout* layout = nullptr, const EachPlan* each = nullptr);
    // The same for a tree parsed by ParsePlanSectionsApart from `text`: each
    // plan section is parsed on its own from its block of the text (its
    // header up to the next one) when the scan reaches it, so that the parse
    // holds one plan at a time. Fails, saying where, if a block does not
    // read as its one section.
    bool LoadFromSections(CSectionFile& file, std::string_view text, CPlanFileReport* report,
                          CKeptLayout* layout, const EachPlan* each = nullptr,
                          Diagnostic* error = nullptr);
    // Empties the model, then reads and parses the file. On failure the model
    // is empty and `error` (when given) tells why and where.
    bool LoadPlanFile(const std::string& path, Diagnostic* error = nullptr,
                      CPlanFileReport* report = nullptr);
    // The same for a plan file's text (the source editor's, the clipboard's).
    bool LoadText(std::string_view text, Diagnostic* error = nullptr,
                  CPlanFileReport* report = nullptr);
    // The same, each plan handed to `each` in the order read instead of kept.
    bool ReadText(std::string_view text, const EachPlan& each, CPlanFileReport* report = nullptr,
                  Diagnostic* error = nullptr);
    // The same, read one plan at a time (as LoadFromSections with the text).
    bool ReadTextByPlan(std::string_view text, const EachPlan& each,
                        CPlanFileReport* report = nullptr, Diagnostic* error = nullptr);

    // The text File Save writes: plans by descending priority, written
    // straight into one buffer of the text's size.
    std::string Text() const;
    // Sorts the plans by descending priority (in the model, not only in the
    // file), then writes the text to the file; `written` (when given) gets
    // the text, so that a caller need not write it a second time.
    bool SavePlanFile(const std::string& path, std::string* error = nullptr,
                      std::string* written = nullptr);

private:
    bool Read(std::string_view text, Diagnostic* error, CPlanFileReport* report,
              const EachPlan* each, bool byPlan = false);
};

// What File Save writes for a plan file's text after File Open: false, with
// `error` set when given, when the text does not load. The report (when
// given) is told what is read, as by LoadText. Made without a model of every
// plan, which a large file's text would be outgrown by.
// `read` (when given) is called once the text is read and the report
// complete, before the text written grows: a caller done with the report
// lets it go there.
bool FormatPlanText(std::string_view text, std::string& saved, Diagnostic* error = nullptr,
                    CPlanFileReport* report = nullptr, const std::function<void()>& read = {});

// Parses a plan file's text keeping the entries of every section but the
// plan sections, which keep their names and lines: for LoadFromSections with
// the text, which reads each from its own lines.
bool ParsePlanSectionsApart(CSectionFile& file, std::string_view text);

// Plan-file text of the given plans, as sections numbered from `first` in the
// order given, each written as a save writes it (the clipboard's plans).
std::string PlanSectionsText(const std::vector<const PlanEntry*>& plans, unsigned long first = 1);
// A [Match] section of the given matches, numbered from 1.
std::string MatchSectionText(const std::vector<const MatchEntry*>& matches);
