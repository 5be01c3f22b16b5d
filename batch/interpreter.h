#pragma once
// shotsweep-batch: runs a generated .bat script on POSIX systems the way the system's command
// interpreter runs it on the system the scripts were written for. A failing line prints that
// interpreter's message on standard error and the script goes on; syntax it does not support
// is reported and the whole line skipped; nothing is ever handed to a shell.

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "batch/directory_index.h"
#include "batch/external_program.h"
#include "batch/line_parser.h"
#include "batch/output.h"

namespace shotsweep::batch {

struct InterpreterOptions {
  std::vector<std::string> args;  // %0, %1, ...: the script as named, then its arguments
  std::string workingDir;         // absolute; empty: the process's current folder
  int inputFd = 0;                // answers to "Are you sure (Y/N)?"; -1: every answer is No
  int progressFd = -1;            // see platform/script_runner.h; -1: no progress lines
  EnvironmentLookup environment;  // empty: the process environment
};

class Interpreter {
 public:
  Interpreter(InterpreterOptions options, Output& output, ExternalProgramRunner& runner);

  // Runs every line of the script; returns the exit status: 0 when it ran to its end, or the
  // number an "exit" line gave.
  int Run(std::string_view scriptText);

  const std::string& workingDir() const { return cwd_; }

 private:
  struct Channel {
    int handle = 1;  // where the main output goes: 1 or 2
    int fd = -1;     // a redirection file instead, when >= 0
  };
  struct Streams {
    Channel out{1, -1};
    Channel err{2, -1};
  };

  void RunLine(std::string_view raw);
  void Execute(Cursor cursor, const std::vector<Redirection>& redirections);
  bool OpenRedirections(const std::vector<Redirection>& redirections, Streams* streams, std::vector<int>* opened);

  void Echo(Cursor cursor, const Streams& s);
  void Chcp(Cursor cursor, const Streams& s);
  void Cd(Cursor cursor, const Streams& s);
  void Ren(Cursor cursor, const Streams& s);
  void Del(Cursor cursor, const Streams& s);
  void Copy(Cursor cursor, const Streams& s);
  bool If(Cursor* cursor, const Streams& s, bool* runRest);
  void External(const std::string& written, Cursor cursor, const Streams& s);

  // A folder a line names: its real path and index, or the message telling why it cannot be used.
  struct Folder {
    std::string real;
    DirectoryIndex* index = nullptr;
    std::string_view error;
  };
  Folder OpenFolder(const std::string& normalizedPath);

  bool Exists(const std::string& path);
  std::optional<std::string> FindProgram(const std::string& written, bool* folderMissing);
  // Asks on standard output and reads a line of input: its first letter, folded; empty at the
  // end of input.
  std::string Ask(const Streams& s, const std::string& question);
  bool Confirm(const Streams& s, const std::string& question);

  void Print(const Channel& channel, std::string_view text);
  void Fail(const Streams& s, std::string_view message);
  void Unsupported(std::string_view what);
  void ReportProgress();

  InterpreterOptions options_;
  Output& output_;
  ExternalProgramRunner& runner_;
  DirectoryCache cache_;
  std::string cwd_;
  bool echo_ = true;
  int codePage_ = 65001;
  std::optional<int> exitStatus_;
  size_t lineNumber_ = 0;
  size_t linesDone_ = 0;
  size_t linesTotal_ = 0;
  std::chrono::steady_clock::time_point lastReport_;
  std::chrono::steady_clock::time_point lastFlush_;
};

// What shotsweep-batch's main does: reads SCRIPT and runs it. When the file cannot be read,
// says so on standard error and returns 1.
int RunScriptFile(const std::string& path, std::vector<std::string> args, Output& output,
                  ExternalProgramRunner& runner, int progressFd);

// The file descriptor named by SHOTSWEEP_PROGRESS_FD when it is open, else -1.
int ProgressFdFromEnvironment();

}  // namespace shotsweep::batch
