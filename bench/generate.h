#pragma once

#include <string>

// Plan files and definition files of a given size for the benchmarks.
std::string GeneratePlanFile(std::size_t plans, std::size_t matches);
std::string GeneratePlanText(std::size_t bytes);
std::string GenerateUnitScript(std::size_t bytes);
