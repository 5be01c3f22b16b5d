#include "tests/support/recording_runner.h"

#include <utility>

namespace shotsweep::testing {

ScriptOutcome RecordingRunner::Run(const ScriptRequest& request) {
  Call call{request, {}};
  const std::string folder = request.scriptPath.substr(0, request.scriptPath.rfind('/'));
  std::vector<DirEntry> entries;
  fs_.List(folder.empty() ? "/" : folder, entries);
  for (const DirEntry& entry : entries) {
    std::string content;
    if (entry.isFile && !fs_.ReadFile(folder + "/" + entry.name, content)) call.files[entry.name] = std::move(content);
  }
  calls.push_back(std::move(call));
  if (auto act = std::exchange(duringNextRun, nullptr)) act();
  if (outcomes.empty()) {
    // A clean run that set nothing aside leaves no record, as the interpreter's does.
    if (!request.recordPath.empty()) fs_.Unlink(request.recordPath);
    return {};
  }
  ScriptOutcome outcome = std::move(outcomes.front());
  outcomes.pop_front();
  return outcome;
}

}  // namespace shotsweep::testing
