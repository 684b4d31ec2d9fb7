#pragma once

#include <span>

// What the source editor's Start, Cheat, Match, Plan and Parameters menus
// insert: ready-made lines and whole blocks, each with the caret placed where
// its value goes.
struct SourceSnippet {
    const char* menu; // the menu's title
    int id;           // the command id; 0 stands for a separator
    const char* item;
    const char* text;
    int offset; // where the caret goes, counted back from the text's end
};

// The two that begin a plan section, whose number the editor fills in.
constexpr int kPlanHeaderSnippet = 32801, kPlanBlockSnippet = 32808;

std::span<const SourceSnippet> SourceSnippets();
