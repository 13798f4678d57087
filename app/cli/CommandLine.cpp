#include "app/cli/CommandLine.h"

#include <QCommandLineParser>
#include <QStringList>
#include <algorithm>
#include <charconv>

#include "params/ParallelWork.h"

namespace vorla::cli {

namespace {

// Arguments are bytes (a file name need not be UTF-8): each byte is carried
// as one character through the parser and back, unchanged.
QString Wide(const std::string& text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Narrow(const QString& text) {
  const QByteArray bytes = text.toLatin1();
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

bool Among(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// What the parser refused, said with the argument as it was given.
std::string Refusal(const QCommandLineParser& parser, const std::vector<std::string>& args, const OptionNames& names) {
  const QStringList unknown = parser.unknownOptionNames();
  for (const std::string& arg : args) {
    if (arg == "--") return "unknown option --";
    if (arg.size() < 2 || arg[0] != '-') continue;
    if (arg[1] == '-') {
      const std::size_t eq = arg.find('=');
      const std::string name = arg.substr(0, eq);
      // A flag given a value is no option of the command.
      if (unknown.contains(Wide(name.substr(2))) || (eq != std::string::npos && Among(names.flags, name)))
        return "unknown option " + arg;
    } else {
      for (std::size_t i = 1; i < arg.size(); ++i)
        if (unknown.contains(Wide(arg.substr(i, 1)))) return "unknown option " + arg;
    }
  }
  // Otherwise the last argument is an option that takes a value, without one.
  if (args.empty()) return Narrow(parser.errorText());
  return "the option " + args.back() + " needs a value";
}

}  // namespace

CommandLine::CommandLine(const std::vector<std::string>& args, const OptionNames& names) {
  QCommandLineParser parser;
  const auto add = [&parser](const std::vector<std::string>& options, bool takesValue) {
    for (const std::string& option : options)
      parser.addOption(takesValue ? QCommandLineOption(Wide(option.substr(2)), QString(), QStringLiteral("value"))
                                  : QCommandLineOption(Wide(option.substr(2))));
  };
  add(names.values, true);
  add(names.repeated, true);
  add(names.flags, false);
  // The parser skips the first argument, the program's name.
  QStringList line{QStringLiteral("vorla-cli")};
  for (const std::string& arg : args) line << Wide(arg);
  if (!parser.parse(line)) throw UsageError(Refusal(parser, args, names));
  for (const std::string& option : names.values)
    if (parser.values(Wide(option.substr(2))).size() > 1) throw UsageError("the option " + option + " is given twice");

  for (const auto* options : {&names.values, &names.repeated})
    for (const std::string& option : *options)
      for (const QString& value : parser.values(Wide(option.substr(2)))) values_[option].push_back(Narrow(value));
  for (const std::string& option : names.flags)
    if (parser.isSet(Wide(option.substr(2)))) values_[option].push_back({});
  for (const QString& word : parser.positionalArguments()) words_.push_back(Narrow(word));
  // "--" is no option of any command: the parser took it for the end of the
  // options unless it is an option's value.
  const auto dashes = [](const std::vector<std::string>& list) { return std::count(list.begin(), list.end(), "--"); };
  std::ptrdiff_t given = dashes(args);
  for (const auto& [option, values] : values_) given -= dashes(values);
  if (given > 0) throw UsageError("unknown option --");
}

std::optional<std::string> CommandLine::Value(const std::string& option) const {
  const auto it = values_.find(option);
  if (it == values_.end()) return std::nullopt;
  return it->second.back();
}

std::vector<std::string> CommandLine::Values(const std::string& option) const {
  const auto it = values_.find(option);
  return it == values_.end() ? std::vector<std::string>{} : it->second;
}

std::optional<std::string> TakeProgramOption(std::vector<std::string>& args, const std::string& name,
                                             const std::string& missing) {
  std::vector<std::string> rest;
  std::optional<std::string> value;
  for (std::size_t i = 0; i < args.size(); ++i) {
    if (args[i].starts_with(name + "=")) {
      value = args[i].substr(name.size() + 1);
    } else if (args[i] == name) {
      // The next option is no value: "--analyst --dir D" lacks the name.
      value = i + 1 < args.size() && !args[i + 1].starts_with("--") ? args[++i] : std::string();
    } else {
      rest.push_back(args[i]);
      continue;
    }
    if (value->empty()) throw UsageError(missing);
  }
  args = std::move(rest);
  return value;
}

void CommandLine::NoWords() const {
  if (!words_.empty()) throw UsageError("unexpected argument " + words_.front());
}

std::int64_t CommandLine::Whole(const std::string& option, std::int64_t least, std::int64_t most,
                                std::int64_t fallback) const {
  const std::optional<std::string> text = Value(option);
  if (!text) return fallback;
  std::int64_t value = 0;
  const auto r = std::from_chars(text->data(), text->data() + text->size(), value);
  if (r.ec != std::errc() || r.ptr != text->data() + text->size() || value < least || value > most)
    throw UsageError(option + " takes a whole number from " + std::to_string(least) + " to " + std::to_string(most) +
                     ", not " + *text);
  return value;
}

double CommandLine::Years(const std::string& option, double fallback) const {
  const std::optional<std::string> text = Value(option);
  if (!text) return fallback;
  double value = 0.0;
  const auto r = std::from_chars(text->data(), text->data() + text->size(), value);
  if (r.ec != std::errc() || r.ptr != text->data() + text->size() || !(value > 0.0) || value > 1000.0)
    throw UsageError(option + " takes a number of years above 0 and at most 1000, not " + *text);
  return value;
}

std::uint64_t CommandLine::Seed(const std::string& option, std::uint64_t fallback) const {
  const std::optional<std::string> text = Value(option);
  if (!text) return fallback;
  std::uint64_t value = 0;
  const auto r = std::from_chars(text->data(), text->data() + text->size(), value);
  if (r.ec != std::errc() || r.ptr != text->data() + text->size())
    throw UsageError(option + " takes a whole number from 0 to 18446744073709551615, not " + *text);
  return value;
}

int CommandLine::Level() const {
  static const int levels[] = {90, 95, 99};
  return levels[Choice("--level", {"90", "95", "99"}, 1, "--level is 90, 95 or 99")];
}

int CommandLine::Jobs() const {
  return static_cast<int>(Whole("--jobs", 1, 256, DefaultJobs()));
}

std::size_t CommandLine::Choice(const std::string& option, std::initializer_list<const char*> words,
                                std::size_t fallback, const std::string& refusal) const {
  const std::optional<std::string> text = Value(option);
  if (!text) return fallback;
  std::size_t index = 0;
  for (const char* word : words) {
    if (*text == word) return index;
    ++index;
  }
  throw UsageError(refusal);
}

}  // namespace vorla::cli
