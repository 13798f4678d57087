#pragma once
// Whole-number option values, refused with a usage error that names the option.
#include <cstdint>
#include <optional>
#include <string>

#include "app/cli/CliArguments.h"

namespace vorla::cli {

// The option's value as a whole number within [least, most]; `fallback` when it is not given.
std::int64_t WholeOption(const CliArguments& arguments, const std::string& option, std::int64_t least,
                         std::int64_t most, std::int64_t fallback);

// The option's value as a number of years above 0 (at most 1000); `fallback` when it is not given.
double YearsOption(const CliArguments& arguments, const std::string& option, double fallback);

// A confidence level: 90, 95 or 99; 95 when --level is not given.
int LevelOption(const CliArguments& arguments);
// --jobs N: how many cases are worked on at once, from 1 to 256; default the number of cores.
int JobsOption(const CliArguments& arguments);

// A seed: any whole number from 0 to 2^64 - 1.
std::uint64_t SeedOption(const CliArguments& arguments, const std::string& option, std::uint64_t fallback);

}  // namespace vorla::cli
