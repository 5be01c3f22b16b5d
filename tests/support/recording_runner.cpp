#include "tests/support/recording_runner.h"

#include <filesystem>
#include <utility>

#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;

namespace shotsweep::testing {

ScriptOutcome RecordingRunner::Run(const ScriptRequest& request) {
  Call call{request, {}};
  std::error_code ec;
  for (fs::directory_iterator it(fs::path(request.scriptPath).parent_path(), ec), end; !ec && it != end;
       it.increment(ec)) {
    if (it->is_regular_file(ec)) call.files[it->path().filename().string()] = ReadFile(it->path());
  }
  calls.push_back(std::move(call));
  if (auto act = std::exchange(duringNextRun, nullptr)) act();
  if (outcomes.empty()) return {};
  ScriptOutcome outcome = std::move(outcomes.front());
  outcomes.pop_front();
  return outcome;
}

}  // namespace shotsweep::testing
