#include "cli/arguments.h"

#include <array>
#include <optional>
#include <string>

namespace shotsweep {
namespace {

struct CommandShape {
  std::string_view name;
  CliRequest::Kind kind;
  std::size_t operands;
  std::array<std::string_view, 4> options;
};

constexpr std::array<CommandShape, 4> kCommands{{
    {"by-folder", CliRequest::ByFolder, 2, {"--keep", "--trash", "--dry-run", "--all"}},
    {"by-list", CliRequest::ByList, 2, {"--keep", "--trash", "--dry-run", "--all"}},
    {"extract", CliRequest::Extract, 2, {"--exif", "", "", ""}},
    {"restore", CliRequest::Restore, 1, {"--dry-run", "", "", ""}},
}};

ParsedArguments Refuse(std::string error) { return {std::nullopt, std::move(error)}; }

bool IsHelp(const std::string& arg) { return arg == "--help" || arg == "-h"; }

// A count of workers: 1 to 256, in decimal, as many as the interpreter takes.
std::optional<std::size_t> JobCount(std::string_view text) {
  if (text.empty() || text.size() > 4 || text.find_first_not_of("0123456789") != std::string_view::npos) {
    return std::nullopt;
  }
  const std::size_t n = std::stoul(std::string(text));
  if (n < 1 || n > 256) return std::nullopt;
  return n;
}

}  // namespace

ParsedArguments ParseArguments(const std::vector<std::string>& args) {
  if (args.empty()) return Refuse("no command given");
  const bool askedForHelp = IsHelp(args[0]);
  if (askedForHelp && args.size() == 1) return {CliRequest{CliRequest::Help}, {}};
  if (args.size() == 1 && args[0] == "--version") return {CliRequest{CliRequest::Version}, {}};

  if (askedForHelp && args.size() > 2) return Refuse("--help takes one command at most");
  // "--help by-folder" asks the same as "by-folder --help".
  const std::string& command = askedForHelp && args.size() == 2 ? args[1] : args[0];
  const CommandShape* shape = nullptr;
  for (const CommandShape& candidate : kCommands) {
    if (command == candidate.name) shape = &candidate;
  }
  if (!shape) return Refuse("unknown command \"" + command + "\"");
  if (askedForHelp) return {CliRequest{CliRequest::Help, shape->kind}, {}};

  CliRequest request;
  request.kind = shape->kind;
  // Help first: a line that is still being put together is the very one to ask about.
  for (std::size_t i = 1; i < args.size() && args[i] != "--"; ++i) {
    if (IsHelp(args[i])) return {CliRequest{CliRequest::Help, shape->kind}, {}};
  }
  std::vector<std::string> operands;
  bool optionsEnded = false;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (optionsEnded || !arg.starts_with("-") || arg == "-") {
      operands.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    if (shape->kind == CliRequest::Extract && (arg == "--jobs" || arg.starts_with("--jobs="))) {
      std::string_view value;
      if (arg == "--jobs") {
        if (i + 1 == args.size()) return Refuse("--jobs needs a number");
        value = args[++i];
      } else {
        value = std::string_view(arg).substr(7);
      }
      const auto jobs = JobCount(value);
      if (!jobs) return Refuse("--jobs takes a number from 1 to 256, not \"" + std::string(value) + "\"");
      request.jobs = *jobs;
      continue;
    }
    // Options every command takes.
    if (arg == "--quiet" || arg == "-q") {
      request.quiet = true;
      continue;
    }
    bool known = false;
    for (std::string_view option : shape->options) known |= !option.empty() && arg == option;
    if (!known) return Refuse("\"" + arg + "\" is not an option of " + std::string(shape->name));
    if (arg == "--keep") request.keep = true;
    if (arg == "--trash") request.trash = true;
    if (arg == "--dry-run") request.dryRun = true;
    if (arg == "--exif") request.exif = true;
    if (arg == "--all") request.all = true;
  }
  if (operands.size() != shape->operands) {
    return Refuse(std::string(shape->name) + " takes " + (shape->operands == 1 ? "one folder" : "two operands") +
                  ", not " + std::to_string(operands.size()));
  }
  if (request.keep && request.trash) return Refuse("--keep and --trash exclude each other");
  request.rawDir = operands[0];
  if (operands.size() > 1) request.second = operands[1];
  return {request, {}};
}

}  // namespace shotsweep
