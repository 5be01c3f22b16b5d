#pragma once
// What a dry run puts in place of the disk and of shotsweep-batch: the files a command writes
// go into a file system in memory laid over the disk, and its scripts are run there by the
// very interpreter shotsweep-batch is, in this process. Nothing on the disk changes.

#include <string>
#include <string_view>

#include "fs/memory_file_system.h"
#include "platform/command_files.h"
#include "platform/script_runner.h"

namespace shotsweep {

class MemoryCommandFiles final : public CommandFiles {
 public:
  explicit MemoryCommandFiles(MemoryFileSystem& fs) : fs_(fs) {}
  std::optional<CommandError> Write(const std::string& path, std::string_view content) override;
  std::optional<CommandError> Delete(const std::string& path) override;
  std::optional<CommandError> ListFiles(const std::string& folder, std::vector<std::string>& names) override;

 private:
  MemoryFileSystem& fs_;
};

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
