#pragma once
// A script runner that runs nothing: it records each request with the files beside the script
// as they were when it was started, read through the file system the command wrote them to,
// lets a test act while a script "runs", and answers from a queue. A clean answer deletes the
// cleanup record, as a run that leaves nothing set aside does.

#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "fs/file_system.h"
#include "platform/script_runner.h"

namespace shotsweep::testing {

class RecordingRunner : public ScriptRunner {
 public:
  explicit RecordingRunner(FileSystem& fs) : fs_(fs) {}

  struct Call {
    ScriptRequest request;
    std::map<std::string, std::string> files;  // the script folder's files by name, with content
  };
  ScriptOutcome Run(const ScriptRequest& request) override;

  std::vector<Call> calls;
  std::deque<ScriptOutcome> outcomes;   // the answers in turn; when none is left, a clean run
  std::function<void()> duringNextRun;  // called inside the next run only

 private:
  FileSystem& fs_;
};

}  // namespace shotsweep::testing
