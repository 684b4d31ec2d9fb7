#pragma once

#include <cstddef>
#include <cstdint>

// The limits of the plan document: texts are cut and numbers clamped to them
// silently, on load and wherever a record is written.
constexpr std::size_t kUnitClassLimit = 16;
constexpr std::size_t kPlanTypeLimit = 30;
constexpr std::size_t kConditionKindLimit = 15;
constexpr std::uint32_t kMaxPriority = 16384;
constexpr std::uint32_t kMaxConditionCount = 255;
constexpr std::uint32_t kMaxScrap = 255;
constexpr std::uint32_t kMaxMoneyDelay = 3600;
