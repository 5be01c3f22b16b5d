#include "platform/script_runner.h"

#include <cerrno>

namespace shotsweep {

std::string ListFailures(const std::vector<std::string>& failures, std::size_t shown) {
  std::string text;
  for (std::size_t i = 0; i < failures.size() && i < shown; ++i) text += failures[i] + "\n";
  if (failures.size() > shown) text += "and " + std::to_string(failures.size() - shown) + " more.\n";
  return text;
}

void KeepHeadAndTail(std::string& output, std::size_t kept) {
  // Trimmed only well past the mark, so that a run pays for the cut once per `kept` bytes.
  if (output.size() <= 3 * kept) return;
  static constexpr std::string_view kMark = "\n[... output left out ...]\n";
  output.replace(kept, output.size() - 2 * kept, kMark);
}

std::optional<CommandError> ScriptFailure(const ScriptOutcome& outcome, const std::string& script) {
  if (outcome.error) return outcome.error;
  if (outcome.exitStatus == 0) return std::nullopt;
  if (outcome.stopped) return CommandError{ECANCELED, "The script " + script + " was stopped, as asked, before its end"};
  if (!outcome.failures.empty()) {
    return CommandError{EIO, "Not every line of " + script + " could be carried out:\n" +
                                 ListFailures(outcome.failures)};
  }
  std::string description = "The script " + script + " did not run to its end";
  const std::string firstLine = outcome.output.substr(0, outcome.output.find_first_of("\r\n"));
  if (!firstLine.empty()) description += ": " + firstLine;
  return CommandError{outcome.exitStatus, description};
}

}  // namespace shotsweep
