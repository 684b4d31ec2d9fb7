#pragma once

#include <string>

// What a reader refused or a check found, and where: the one shape in which
// the section parser, the call-script reader and the plan-file report speak.
// Lines are 1-based; line 0 stands for the whole file.
struct Diagnostic {
    int line = 0;
    std::string message;

    bool operator==(const Diagnostic&) const = default;
};
