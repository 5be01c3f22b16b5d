#pragma once
// One exiftool process kept alive across a script's exiftool lines.
//
// exiftool is a Perl program that takes a good part of a second to load its writing modules,
// which an extraction script would pay once per RAW file. In its documented stay-open mode
// (`exiftool -stay_open True -@ -`) it reads one argument per line from its standard input
// and runs them as one command at each "-execute", so one process serves every line. A call
// the session cannot carry faithfully, or a session that fails, runs as a process of its own
// as before. SHOTSWEEP_EXIFTOOL_SESSION=0 turns the session off.

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/unique_fd.h"
#include "batch/external_program.h"

namespace shotsweep::batch {

inline constexpr const char* kExiftoolSessionVariable = "SHOTSWEEP_EXIFTOOL_SESSION";

// False when the environment turns the session off.
bool ExiftoolSessionEnabled();

// The argument file line that gives exiftool exactly `arg`, or nullopt when no line can
// (exiftool's escaped form turns "$" and "@" into "\$" and "\@").
std::optional<std::string> ArgfileLine(std::string_view arg);

// How far exiftool's reply to command `number` has come, judged from all it has written so
// far on standard output (`out`) and standard error (`err`). The reply is complete once both
// of the marks the session asks for are in; the command's own output and messages are then
// what stands before them.
struct ExiftoolReply {
  bool complete = false;
  std::size_t outputEnd = 0;    // where the "{readyN}" mark starts in `out`
  std::size_t messagesEnd = 0;  // where the mark carrying the exit status starts in `err`
  int exitStatus = 0;
};
ExiftoolReply ReadExiftoolReply(std::string_view out, std::string_view err, unsigned number);

// Whether a session can answer `call` exactly as its own process would: the program is
// exiftool, and no argument reads standard input, changes the session's own mode or cannot
// be written as an argument file line.
bool SessionCanServe(const ProgramCall& call);

class ExiftoolSession {
 public:
  // Starts `program` in stay-open mode in `workingDir` and checks that it answers; nullptr
  // when it cannot be started or does not answer within `answerTimeoutMs`.
  static std::unique_ptr<ExiftoolSession> Start(const std::string& program,
                                                const std::string& workingDir,
                                                int answerTimeoutMs = 20000);
  // Asks the process to end (-stay_open False) and waits for it; kills it if it will not.
  ~ExiftoolSession();
  ExiftoolSession(const ExiftoolSession&) = delete;
  ExiftoolSession& operator=(const ExiftoolSession&) = delete;

  // Runs one command; its standard error and then its standard output are written to the
  // two descriptors once it has finished. nullopt when the session broke down, after which
  // it serves no more calls.
  std::optional<ProgramResult> Execute(const std::vector<std::string>& args, int stdoutFd,
                                       int stderrFd, int timeoutMs = -1);

  pid_t pid() const { return pid_; }
  const std::string& program() const { return program_; }
  const std::string& workingDir() const { return workingDir_; }
  bool broken() const { return broken_; }
  // Whether the last Execute got its command to the process.
  bool commandSent() const { return commandSent_; }

 private:
  ExiftoolSession(std::string program, std::string workingDir)
      : program_(std::move(program)), workingDir_(std::move(workingDir)) {}
  bool Spawn();

  std::string program_;
  std::string workingDir_;
  pid_t pid_ = -1;
  UniqueFd input_;   // its standard input: the argument lines
  UniqueFd output_;  // its standard output
  UniqueFd errors_;  // its standard error
  unsigned sequence_ = 0;
  bool broken_ = false;
  bool commandSent_ = false;
};

// The interpreter's program runner with the session in front: exiftool calls go to the
// session (started on the first of them, started anew when the program or the folder
// changes), everything else, and whatever the session cannot serve, to `fallback`.
// The session ends with the runner, that is when the script has ended.
class ExiftoolSessionRunner final : public ExternalProgramRunner {
 public:
  explicit ExiftoolSessionRunner(std::unique_ptr<ExternalProgramRunner> fallback);
  ProgramResult Run(const ProgramCall& call) override;
  // Calls the session has answered so far.
  int served() const { return served_; }

 private:
  std::unique_ptr<ExternalProgramRunner> fallback_;
  std::unique_ptr<ExiftoolSession> session_;
  bool failed_ = false;  // the session could not be had: one process per line from now on
  int served_ = 0;
};

}  // namespace shotsweep::batch
