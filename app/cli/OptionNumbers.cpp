#include "app/cli/OptionNumbers.h"

#include <charconv>

#include "params/ParallelWork.h"

namespace vorla::cli {

std::int64_t WholeOption(const CliArguments& arguments, const std::string& option, std::int64_t least,
                         std::int64_t most, std::int64_t fallback) {
  const std::optional<std::string> text = arguments.Value(option);
  if (!text) return fallback;
  std::int64_t value = 0;
  const auto r = std::from_chars(text->data(), text->data() + text->size(), value);
  if (r.ec != std::errc() || r.ptr != text->data() + text->size() || value < least || value > most)
    throw UsageError(option + " takes a whole number from " + std::to_string(least) + " to " + std::to_string(most) +
                     ", not " + *text);
  return value;
}

double YearsOption(const CliArguments& arguments, const std::string& option, double fallback) {
  const std::optional<std::string> text = arguments.Value(option);
  if (!text) return fallback;
  double value = 0.0;
  const auto r = std::from_chars(text->data(), text->data() + text->size(), value);
  if (r.ec != std::errc() || r.ptr != text->data() + text->size() || !(value > 0.0) || value > 1000.0)
    throw UsageError(option + " takes a number of years above 0 and at most 1000, not " + *text);
  return value;
}

int LevelOption(const CliArguments& arguments) {
  const std::optional<std::string> level = arguments.Value("--level");
  if (!level) return 95;
  if (*level != "90" && *level != "95" && *level != "99") throw UsageError("--level is 90, 95 or 99");
  return std::stoi(*level);
}

int JobsOption(const CliArguments& arguments) {
  return static_cast<int>(WholeOption(arguments, "--jobs", 1, 256, DefaultJobs()));
}

std::uint64_t SeedOption(const CliArguments& arguments, const std::string& option, std::uint64_t fallback) {
  const std::optional<std::string> text = arguments.Value(option);
  if (!text) return fallback;
  std::uint64_t value = 0;
  const auto r = std::from_chars(text->data(), text->data() + text->size(), value);
  if (r.ec != std::errc() || r.ptr != text->data() + text->size())
    throw UsageError(option + " takes a whole number from 0 to 18446744073709551615, not " + *text);
  return value;
}

}  // namespace vorla::cli
