#pragma once

#include "plandata.h"

#include <functional>
#include <string>
#include <string_view>

// A change to one section of a large file without a model of every plan or
// a layout of every line: the section's block (its header line up to the
// next header) is read and written on its own, the layout kept, and the
// rest of the text is copied as it is.
enum class SectionEdit {
    Done,    // the text now holds the change
    Refused, // `edit` said no; the text is as it was
    // The block cannot be taken on its own (the text does not parse, no
    // such section is read, its header line holds more than the header, it
    // ends the text without a line end, the change runs on into the next
    // header): the whole document is the way then. The text is as it was.
    NotAlone,
};

// Gives `edit` the document the section `name` reads as on its own (with
// the plan read from it, or null for [Start], [Cheat] and [Match]) and
// writes what it changed into `text`, as a layout-keeping save of the whole
// document writes it.
using EditOfSection = std::function<bool(CPlanData& document, PlanEntry* plan)>;
SectionEdit EditSection(std::string& text, std::string_view name, const EditOfSection& edit);
