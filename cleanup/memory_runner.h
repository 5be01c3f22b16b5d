#pragma once
// What a dry run puts in place of shotsweep-batch: the scripts a command wrote into a file
// system in memory laid over the disk are run there by the very interpreter shotsweep-batch
// is, in this process. Nothing on the disk changes.

#include <string>
#include <string_view>

#include "fs/memory_file_system.h"
#include "platform/script_runner.h"

namespace shotsweep {

// Runs a request's scripts, read from `fs`, over `fs`. External programs are never started:
// a line that names one fails, as no script a dry run covers has any.
class InMemoryScriptRunner final : public ScriptRunner {
 public:
  explicit InMemoryScriptRunner(MemoryFileSystem& fs) : fs_(fs) {}
  ScriptOutcome Run(const ScriptRequest& request) override;
  int runs() const { return runs_; }

 private:
  MemoryFileSystem& fs_;
  int runs_ = 0;
};

}  // namespace shotsweep
