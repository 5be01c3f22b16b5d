#pragma once
// shotsweep-batch: runs a generated .bat script on POSIX systems the way the system's command
// interpreter runs it on the system the scripts were written for. A failing line prints that
// interpreter's message on standard error and the script goes on; syntax it does not support
// is reported and the whole line skipped; nothing is ever handed to a shell.
//
// A line is expanded and lexed (line_parser.h), parsed into a Command (command_parser.h) and
// dispatched to its verb (verbs.cpp). Every file operation goes through a FileSystem, every
// program through an ExternalProgramRunner: both can be stood in for.

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/cleanup_record.h"
#include "base/unique_fd.h"
#include "batch/cleanup_book.h"
#include "batch/command_parser.h"
#include "batch/directory_index.h"
#include "batch/external_program.h"
#include "fs/file_system.h"
#include "batch/line_parser.h"
#include "batch/output.h"

namespace shotsweep::batch {

struct InterpreterOptions {
  std::vector<std::string> args;  // %0, %1, ...: the script as named, then its arguments
  std::string workingDir;         // absolute; empty: the process's current folder
  int inputFd = 0;                // answers to "Are you sure (Y/N)?"; -1: every answer is No
  int progressFd = -1;            // see base/progress_protocol.h; -1: no reports
  EnvironmentLookup environment;  // empty: the process environment
  // Once a line of a script has failed, no later "del" line of that script deletes anything:
  // a cleanup must not delete what a failed restore line left set aside.
  bool guardDeletes = false;
  // "del" moves the files to the user's trash instead of deleting them.
  bool trash = false;
  // A cleanup's run: the name of each file a wildcard "ren" sets aside is kept, so that a later
  // "ren" of it gives it back exactly that name, whatever spelling the line writes, and a
  // trashed file lies in the trash under it.
  bool exactNames = false;
  // A cleanup record of the files in `recordFolder` (base/cleanup_record.h): a "ren" of a file
  // it names as set aside gives it back its original name. With `recordIsPlan` it is the
  // cleanup's plan as well, and the run touches no other file: "ren" sets aside only planned
  // files and gives back only those the plan keeps, "del" removes only those it plans to
  // delete or trash, and their sidecars with them; any other file is left as it is, with a note.
  std::optional<CleanupRecord> record;
  std::string recordFolder;  // empty: the working folder
  bool recordIsPlan = false;
  // Told each failure as it is reported on progressFd (a run in this process has no pipe).
  std::function<void(const std::string& report)> onFailure;
  // Told each note (base/progress_protocol.h) as it is reported on progressFd.
  std::function<void(const std::string& report)> onNote;
  // Told of each program a line ran, once it has ended: the script line, its exit status (127:
  // it could not be started) and, while the output is kept in memory, what it wrote on standard
  // error (else nothing).
  std::function<void(std::size_t line, int status, std::string_view errors)> onProgramEnded;
  // Run(text) runs the script's blocks on up to this many workers at once (block_runner.h);
  // 0: one line after another. A cleanup's Run(scripts) never does.
  std::size_t jobs = 0;
  // With jobs: once it is set, no block begins and the lines after the last block are left out.
  const std::atomic<bool>* stop = nullptr;
  // With jobs: each worker's own program runner; empty: MakeProgramRunner's.
  std::function<std::unique_ptr<ExternalProgramRunner>()> makeRunner;
};

// One script of a run: its path (%0, and the name failures are reported under) and its text.
struct ScriptText {
  std::string path;
  std::string_view text;
};

// The same, read from an open file as it runs.
struct ScriptFile {
  std::string path;
  int fd = -1;
};

class Interpreter {
 public:
  Interpreter(InterpreterOptions options, Output& output, ExternalProgramRunner& runner, FileSystem& fileSystem);

  // Runs every line of the script, in blocks when options say `jobs`; returns the exit status:
  // the number an "exit" line gave; kStoppedStatus when a stop left blocks out; else 1 when a
  // line failed on a file that was there or could not run at all, 0 when every line did what
  // it asked or merely found nothing to act on.
  int Run(std::string_view scriptText);
  // Runs the scripts one after the other, each from the working folder on, as one run: one
  // progress count, one exit status.
  int Run(const std::vector<ScriptText>& scripts);
  // The same, the lines read from the files as they run. A file that cannot be read to its end
  // fails the run.
  int Run(const std::vector<ScriptFile>& scripts);

  const std::string& workingDir() const { return cwd_; }

  // For a script run in blocks by several interpreters (block_runner.h). BeginScript does what
  // Run does before a script's first line; RunLines runs lines [begin, end), numbered as in the
  // script; ContinueFrom takes on the folder, echo and code page that another's lines left.
  void BeginScript(const std::string& path);
  void RunLines(const std::vector<ScriptLine>& lines, std::size_t begin, std::size_t end);
 private:
  // Runs the lines `next` gives (bool(ScriptLine&), false after the last), the first of them
  // numbered `number` + 1.
  template <typename NextLine>
  void RunEach(NextLine next, std::size_t number);
  // Once linesTotal_ is counted: the progress starts from nothing done.
  void StartRun();
  // Before the lines of script `n` of a run of `count`.
  void BeginScriptOfRun(std::size_t n, std::size_t count, const std::string& path);
  int EndRun();

 public:
  void ContinueFrom(const Interpreter& other);
  // Another interpreter may have changed the folders since this one last read them.
  void ForgetChangedFolders() { cache_.KeepUnchanged(); }
  const InterpreterOptions& options() const { return options_; }
  std::size_t failures() const { return failures_; }
  // The number an "exit" line gave, once one has run.
  const std::optional<int>& exitStatus() const { return exitStatus_; }
  // What the cleanup record should say after the run: the files of its folder still set
  // aside, with the names they had; nullopt when there is none (or no record was in use).
  std::optional<CleanupRecord> RecordLeft();

 private:
  struct Channel {
    int handle = 1;  // where the main output goes: 1 or 2
    int fd = -1;     // a redirection file instead, when >= 0
  };
  struct Streams {
    Channel out{1, -1};
    Channel err{2, -1};
  };
  using VerbHandler = void (Interpreter::*)(const Command&, const Streams&);

  void RunLine(std::string_view raw);
  void Execute(const Command& command);
  bool OpenRedirections(const std::vector<Redirection>& redirections, Streams* streams,
                        std::vector<UniqueFd>* opened);

  // The verbs, in verbs.cpp.
  void Echo(const Command& command, const Streams& s);
  void Chcp(const Command& command, const Streams& s);
  void Cd(const Command& command, const Streams& s);
  void Ren(const Command& command, const Streams& s);
  void Del(const Command& command, const Streams& s);
  void Copy(const Command& command, const Streams& s);
  void RunProgram(const Command& command, const Streams& s);
  static VerbHandler HandlerOf(Verb verb);
  // Removes (trashes) the file `name` of the folder; says why not when it cannot, unless it is
  // merely gone and `goneIsFine`.
  bool RemoveFile(const Streams& s, DirectoryIndex& index, const std::string& name, bool trash,
                  bool goneIsFine = false);

  // A cleanup's side of "ren" and "del", in cleanup_verbs.cpp.
  struct CleanupStep {
    enum Move { Skip, AsIs, SetAside, GiveBack } move = AsIs;
    const CleanupRecord::Raw* planned = nullptr;
  };
  // Whether and how the file `e` at `from` is renamed; `newName` may become its own old name.
  CleanupStep PlanRename(const Streams& s, const DirectoryIndex& index, const DirEntry& e, bool wildcard,
                         const std::string& from, std::string& newName);
  void Renamed(const CleanupStep& step, const std::string& from, const std::string& to, const std::string& oldName);
  void DeleteInCleanup(const Streams& s, DirectoryIndex& index, const std::vector<DirEntry>& files);
  bool TrashUnderOriginal(const Streams& s, DirectoryIndex& index, const std::string& aside,
                          const std::string& original);
  void RemoveSidecars(const Streams& s, DirectoryIndex& index, const CleanupRecord::Raw& owner, bool trash);

  // A folder a line names: its real path and index, or the message telling why it cannot be used.
  struct Folder {
    DirectoryIndex* index = nullptr;
    std::string_view error;
    // The folder's path on disk, each component spelled as there; valid as long as the index.
    const std::string& real() const { return index->path(); }
  };
  Folder OpenFolder(std::string_view normalizedPath);
  Folder OpenFolderUncached(const std::string& normalizedPath);

  bool Exists(const std::string& path);
  // Asks on standard output and reads a line of input: its first letter, folded; empty at the
  // end of input.
  std::string Ask(const Streams& s, const std::string& question);
  bool Confirm(const Streams& s, const std::string& question);

  void Print(const Channel& channel, std::string_view text);
  // The line could not do what it asks with a file that is there, or could not run at all:
  // the message goes to the line's error stream, and the failure, naming `subject` (the file)
  // when there is one, is counted and reported.
  void Fail(const Streams& s, std::string_view message, std::string_view subject = {});
  // The line found nothing to act on, or asked for something harmless that cannot be done
  // here ("chcp 0"): the message only.
  void Warn(const Streams& s, std::string_view message);
  void Unsupported(std::string_view what);
  void ReportFailure(std::string_view subject, std::string_view message);
  // Something done otherwise than the line says, on purpose and without harm: on the line's
  // error stream, and reported as a note.
  void Note(const Streams& s, std::string_view subject, std::string_view message);
  // "SCRIPT, line N: SUBJECT: MESSAGE", the line itself standing in for an empty subject.
  std::string ReportText(std::string_view subject, std::string_view message) const;
  void ReportProgress();

  InterpreterOptions options_;
  Output& output_;
  ExternalProgramRunner& runner_;
  FileSystem& fs_;
  DirectoryCache cache_;
  std::unique_ptr<CleanupBook> book_;  // in a cleanup's run, or with a record
  std::string cwd_;
  bool echo_ = true;
  int codePage_ = 65001;
  std::optional<int> exitStatus_;
  std::string initialCwd_;
  std::string scriptName_;   // the running script's file name, for reports
  std::string lineText_;     // the running line as expanded, for reports
  Expansion expansion_;      // the running line's buffers, kept from line to line
  LexedLine lexed_;
  Command command_;
  Folder lastFolder_;  // the folder the last line named, while the cache holds it
  std::string lastFolderPath_;
  std::string renPath_, renFrom_, renTo_;  // Ren's buffers, kept from line to line
  unsigned lastFolderGeneration_ = 0;
  size_t failures_ = 0;        // in the whole run
  size_t scriptFailures_ = 0;  // in the running script
  size_t lineNumber_ = 0;
  size_t linesDone_ = 0;
  size_t linesTotal_ = 0;
  std::chrono::steady_clock::time_point lastReport_;
  std::chrono::steady_clock::time_point lastFlush_;
};

// What shotsweep-batch's main does: reads SCRIPT and runs it, its blocks on `jobs` workers when
// that is not 0. When the file cannot be read, says so on standard error and returns 1. With
// `recordPath` (`--record FILE`), the cleanup record there gives set-aside files their original
// names back, and is rewritten afterwards with what is still set aside, or deleted; a record
// that is not there is no error, one that cannot be read is, and then nothing runs.
int RunScriptFile(const std::string& path, std::vector<std::string> args, Output& output,
                  ExternalProgramRunner& runner, FileSystem& fs, int progressFd, const std::string& recordPath = {},
                  std::size_t jobs = 0, const std::atomic<bool>* stop = nullptr);

// `shotsweep-batch --cleanup [--trash] [--record FILE] RENAMING RESTORING`: reads both scripts
// (and the record, the cleanup's plan) before it runs either: a restoring script that cannot
// be read must not leave every RAW file set aside. Then runs them in turn with guarded
// deletions and exact names, to the trash with `trash`, and rewrites the record. Returns 1
// without running anything when one cannot be read.
int RunCleanupFiles(const std::string& renaming, const std::string& restoring, bool trash, Output& output,
                    ExternalProgramRunner& runner, FileSystem& fs, int progressFd,
                    const std::string& recordPath = {});

// The file descriptor named by SHOTSWEEP_PROGRESS_FD when it is open, else -1.
int ProgressFdFromEnvironment();

}  // namespace shotsweep::batch
