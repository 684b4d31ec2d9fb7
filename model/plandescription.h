#pragma once

#include "planlist.h"
#include "unitlist.h"

#include <string>

// The plan list's words for a plan's condition and flags.

// "If Team Computer has 2 unit(s) of type 'Tank'"; empty without a kind.
std::string DescribeCondition(const PlanCondition& condition, const CUnitList& units);

// "buildIfNoIdle, doNextOnFail", either part alone, or empty.
std::string DescribeFlags(std::uint32_t flags);
