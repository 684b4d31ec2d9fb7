#pragma once

#include "planlist.h"
#include "unitlist.h"

#include <string>

// The plan list's words for a plan's condition and flags.

// "If Team Computer has 2 unit(s) of type 'Tank'"; empty without a kind.
std::string DescribeCondition(const PlanCondition& condition, const CUnitList& units);

// "buildIfNoIdle, doNextOnFail", either part alone, or empty.
std::string DescribeFlags(std::uint32_t flags);

// A plan's parameters in words, unit classes by their names: numbered keys
// of one stem as a list ("build 2 x Dynamo, 3 x Gun Spire at base_gate"), a
// location said where it goes, other keys as words ("max tries 3"); "x" is
// the times sign of the plan files' 8-bit text.
// Parts are joined with "; ".
std::string DescribeParameters(const PlanEntry& plan, const CUnitList& units);
