#include "batch/interpreter.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstring>

#include "base/case_folding.h"
#include "base/files.h"
#include "base/progress_protocol.h"
#include "batch/script_reader.h"
#include "base/text.h"
#include "batch/block_runner.h"
#include "batch/messages.h"
#include "batch/record_file.h"
#include "batch/wildcard.h"

extern char** environ;

namespace shotsweep::batch {

namespace {

std::optional<std::string> ProcessEnvironment(std::string_view name) {
  if (name.empty()) return std::nullopt;
  const std::string key(name);
  if (const char* value = std::getenv(key.c_str())) return std::string(value);
  // Variable names are case-insensitive where the scripts come from.
  const std::string folded = FoldCase(name);
  for (char** e = environ; e && *e; ++e) {
    const std::string_view entry = *e;
    const size_t eq = entry.find('=');
    if (eq != std::string_view::npos && FoldCase(entry.substr(0, eq)) == folded) {
      return std::string(entry.substr(eq + 1));
    }
  }
  return std::nullopt;
}

bool IsRem(std::string_view text) {
  if (text.size() < 3 || FoldCase(text.substr(0, 3)) != "rem") return false;
  return text.size() == 3 || std::string_view(" \t,;=").find(text[3]) != std::string_view::npos;
}

}  // namespace

Interpreter::Interpreter(InterpreterOptions options, Output& output, ExternalProgramRunner& runner,
                         FileSystem& fileSystem)
    : options_(std::move(options)), output_(output), runner_(runner), fs_(fileSystem), cache_(fileSystem) {
  if (!options_.environment) options_.environment = ProcessEnvironment;
  if (options_.workingDir.empty()) {
    char buffer[4096];
    options_.workingDir = ::getcwd(buffer, sizeof buffer) ? buffer : "/";
  }
  cwd_ = initialCwd_ = NormalizePath("/", options_.workingDir);
  if (options_.exactNames || options_.record) {
    // The record's names are matched against the folder as the indexes spell it.
    std::string folder;
    if (options_.record) {
      folder = NormalizePath(cwd_, options_.recordFolder);
      folder = cache_.ResolveDirectory(folder).value_or(folder);
    }
    book_ = std::make_unique<CleanupBook>(std::move(options_.record), std::move(folder), options_.recordIsPlan);
    options_.record.reset();
  }
}

int Interpreter::Run(std::string_view scriptText) {
  const ScriptText script{options_.args.empty() ? std::string() : options_.args[0], scriptText};
  // A record's names are the one interpreter's to keep.
  if (options_.jobs > 0 && !options_.record) return RunInBlocks(script, options_, output_, runner_, fs_);
  return Run(std::vector<ScriptText>{script});
}

int Interpreter::Run(const std::vector<ScriptText>& scripts) {
  // Counted, not split: the lines are read one at a time as they run.
  linesTotal_ = 0;
  for (const ScriptText& script : scripts) linesTotal_ += CountLines(script.text);
  StartRun();
  for (std::size_t n = 0; n < scripts.size() && !exitStatus_; ++n) {
    BeginScriptOfRun(n, scripts.size(), scripts[n].path);
    LineReader reader(scripts[n].text);
    RunEach([&reader](ScriptLine& line) { return reader.Next(line); }, 0);
  }
  return EndRun();
}

int Interpreter::Run(const std::vector<ScriptFile>& scripts) {
  linesTotal_ = 0;
  for (const ScriptFile& script : scripts) {
    std::optional<CommandError> error;
    const auto lines = CountFileLines(script.fd, error);
    if (!lines) {
      output_.Write(2, "shotsweep-batch: cannot read the script \"" + script.path + "\": " + std::strerror(error->number) +
                   "; nothing was run\n");
      output_.Flush();
      return 1;
    }
    linesTotal_ += *lines;
  }
  StartRun();
  for (std::size_t n = 0; n < scripts.size() && !exitStatus_; ++n) {
    BeginScriptOfRun(n, scripts.size(), scripts[n].path);
    FileLineReader reader(scripts[n].fd);
    RunEach([&reader](ScriptLine& line) { return reader.Next(line); }, 0);
    // A script that could not be read to its end did not run to its end.
    if (reader.error()) {
      output_.Write(2, "shotsweep-batch: the script \"" + scripts[n].path + "\" could not be read to its end: " +
                   std::strerror(reader.error()->number) + "\n");
      if (!exitStatus_) exitStatus_ = 1;
    }
  }
  return EndRun();
}

void Interpreter::StartRun() {
  linesDone_ = 0;
  lastReport_ = lastFlush_ = std::chrono::steady_clock::now();
  if (options_.progressFd >= 0) ReportProgress();
}

void Interpreter::BeginScriptOfRun(std::size_t n, std::size_t count, const std::string& path) {
  BeginScript(path);
  if (options_.progressFd >= 0 && count > 1) {
    if (const auto error = WriteAll(options_.progressFd, ScriptBeginLine(n + 1)); error && error->number != EAGAIN) {
      options_.progressFd = -1;
    }
  }
}

int Interpreter::EndRun() {
  if (options_.progressFd >= 0) ReportProgress();
  output_.Flush();
  return exitStatus_.value_or(failures_ > 0 ? 1 : 0);
}

void Interpreter::BeginScript(const std::string& path) {
  if (options_.args.empty()) options_.args.emplace_back();
  options_.args[0] = path;
  scriptName_ = path.substr(path.rfind('/') + 1);
  cwd_ = initialCwd_;
  echo_ = true;
  scriptFailures_ = 0;
}

void Interpreter::ContinueFrom(const Interpreter& other) {
  cwd_ = other.cwd_;
  echo_ = other.echo_;
  codePage_ = other.codePage_;
}

void Interpreter::RunLines(const std::vector<ScriptLine>& lines, size_t begin, size_t end) {
  size_t i = begin;
  RunEach(
      [&](ScriptLine& line) {
        if (i >= end) return false;
        line = lines[i++];
        return true;
      },
      begin);
}

template <typename NextLine>
void Interpreter::RunEach(NextLine next, std::size_t number) {
  ScriptLine line;
  while (!exitStatus_ && next(line)) {
    lineNumber_ = ++number;
    lineText_ = line.text;
    if (line.refused) {
      Unsupported(line.refused);
    } else if (ContinuesOnNextLine(line.text) && !line.text.starts_with(':')) {
      // The lines joined by carets form one command; none of its parts may run alone.
      Unsupported("a caret at the end of the line, which joins the next line to it (skipped too)");
      // Skipped up to and with the first line that does not go on.
      for (ScriptLine joined; next(joined);) {
        ++number;
        if (!ContinuesOnNextLine(joined.text)) break;
      }
    } else {
      RunLine(line.text);
    }
    ++linesDone_;
    const auto now = std::chrono::steady_clock::now();
    if (now - lastFlush_ >= std::chrono::milliseconds(50)) {
      // Whoever shows the output live should not wait for a full buffer.
      output_.Flush();
      lastFlush_ = now;
    }
    if (options_.progressFd >= 0 && now - lastReport_ >= std::chrono::milliseconds(50)) ReportProgress();
  }
}

void Interpreter::ReportProgress() {
  // A reader that went away does not stop the script; it only stops the reports.
  const auto error = WriteAll(options_.progressFd, ProgressLine(linesDone_, linesTotal_));
  if (error && error->number != EAGAIN) options_.progressFd = -1;
  lastReport_ = std::chrono::steady_clock::now();
}

void Interpreter::RunLine(std::string_view raw) {
  size_t i = 0;
  bool quiet = false;
  while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t' || raw[i] == '@')) quiet |= raw[i++] == '@';
  const std::string_view line = raw.substr(i);
  if (line.empty() || line.front() == ':') return;  // empty line, label or "::" comment

  // The buffers are members, kept from line to line: a restoring script has tens of thousands.
  ExpandPercents(line, options_.args, options_.environment, expansion_);
  lineText_ = expansion_.text;
  if (echo_ && !quiet) {
    for (std::string_view piece : {std::string_view("\n"), std::string_view(cwd_), std::string_view(">"),
                                   std::string_view(expansion_.text), std::string_view("\n")}) {
      output_.Write(1, piece);
    }
  }
  if (expansion_.unsupported) return Unsupported(*expansion_.unsupported);
  if (IsRem(expansion_.text)) return;

  Lex(expansion_.text, lexed_);
  if (lexed_.unsupported) return Unsupported(*lexed_.unsupported);
  if (lexed_.syntaxError) return Fail(Streams{}, kSyntax);
  ParseCommand(lexed_, command_);
  Execute(command_);
}

void Interpreter::Execute(const Command& command) {
  for (const Condition& condition : command.conditions) {
    if (Exists(condition.path) == condition.negate) return;
  }
  Streams streams;
  std::vector<UniqueFd> opened;
  switch (command.verb) {
    case Verb::Rem:
      return;
    case Verb::Unsupported:
      return Unsupported(command.problem);
    case Verb::BadSyntax:
      return Fail(streams, kSyntax);
    case Verb::Exit: {
      const std::vector<std::string>& args = command.arguments;
      const std::size_t at = !args.empty() && FoldCase(args[0]) == "/b" ? 1 : 0;
      long code = 0;
      if (at < args.size()) std::from_chars(args[at].data(), args[at].data() + args[at].size(), code);
      exitStatus_ = static_cast<int>(code);
      return;
    }
    case Verb::Nothing:
      // A line of redirections alone still creates its files.
      OpenRedirections(command.redirections, &streams, &opened);
      return;
    default:
      if (OpenRedirections(command.redirections, &streams, &opened)) (this->*HandlerOf(command.verb))(command, streams);
  }
}

bool Interpreter::OpenRedirections(const std::vector<Redirection>& redirections, Streams* streams,
                                   std::vector<UniqueFd>* opened) {
  for (const Redirection& r : redirections) {
    Channel& channel = r.handle == 2 ? streams->err : streams->out;
    if (r.duplicateOf != 0) {
      channel = r.duplicateOf == 2 ? streams->err : streams->out;
      continue;
    }
    UniqueFd fd;
    if (FoldCase(r.target) == "nul") {
      fd.reset(::open("/dev/null", O_WRONLY | O_CLOEXEC));
      if (!fd) {
        Fail(Streams{}, ErrnoMessage(errno));
        return false;
      }
    } else {
      if (HasWildcards(r.target)) {
        Fail(Streams{}, kBadName);
        return false;
      }
      const auto [dir, name] = SplitLast(NormalizePath(cwd_, r.target));
      const Folder folder = OpenFolder(dir);
      if (!folder.index) {
        Fail(Streams{}, folder.error);
        return false;
      }
      const DirEntry* entry = folder.index->Find(name);
      if (name.empty() || (entry && entry->isDir)) {
        Fail(Streams{}, kAccessDenied);
        return false;
      }
      const std::string realName = entry ? entry->name : name;
      const std::string path = JoinPath(folder.real(), realName);
      if (const auto error = fs_.OpenForOutput(path, r.append, fd)) {
        Fail(Streams{}, ErrnoMessage(error->number), path);
        return false;
      }
      if (!entry) folder.index->Add(realName, false);
    }
    channel = Channel{r.handle, fd.get()};
    opened->push_back(std::move(fd));
  }
  return true;
}

void Interpreter::Print(const Channel& channel, std::string_view text) {
  if (channel.fd >= 0) {
    WriteAll(channel.fd, text);
  } else {
    output_.Write(channel.handle, text);
  }
}

void Interpreter::Fail(const Streams& s, std::string_view message, std::string_view subject) {
  Warn(s, message);
  ReportFailure(subject, message);
}

void Interpreter::Warn(const Streams& s, std::string_view message) {
  if (s.err.fd < 0) {  // buffered: no need to join the line first
    output_.Write(s.err.handle, message);
    output_.Write(s.err.handle, "\n");
    return;
  }
  std::string line(message);
  line += '\n';
  Print(s.err, line);
}

void Interpreter::Unsupported(std::string_view what) {
  const std::string message = "Not supported by shotsweep-batch, line " + std::to_string(lineNumber_) +
                              " skipped: " + std::string(what);
  output_.Write(2, message + "\n");
  ReportFailure({}, message);
}

std::string Interpreter::ReportText(std::string_view subject, std::string_view message) const {
  // The message alone rarely says which file; the report names it, or quotes the line.
  std::string text = scriptName_ + ", line " + std::to_string(lineNumber_) + ": ";
  text += subject.empty() ? lineText_ : std::string(subject);
  text += ": ";
  text += message;
  return text;
}

void Interpreter::ReportFailure(std::string_view subject, std::string_view message) {
  ++failures_;
  ++scriptFailures_;
  if (options_.progressFd < 0 && !options_.onFailure) return;
  const std::string text = ReportText(subject, message);
  if (options_.onFailure) options_.onFailure(EscapeControls(text));
  if (options_.progressFd >= 0) WriteAll(options_.progressFd, FailureLine(text));
}

void Interpreter::Note(const Streams& s, std::string_view subject, std::string_view message) {
  Warn(s, std::string(subject) + ": " + std::string(message));
  if (options_.progressFd < 0 && !options_.onNote) return;
  const std::string text = ReportText(subject, message);
  if (options_.onNote) options_.onNote(EscapeControls(text));
  if (options_.progressFd >= 0) WriteAll(options_.progressFd, NoteLine(text));
}

Interpreter::Folder Interpreter::OpenFolder(std::string_view normalizedPath) {
  // A restoring script names one folder on tens of thousands of lines in a row.
  if (lastFolder_.index && lastFolderGeneration_ == cache_.generation() && lastFolderPath_ == normalizedPath) {
    return lastFolder_;
  }
  lastFolder_ = OpenFolderUncached(std::string(normalizedPath));
  lastFolderPath_ = normalizedPath;
  lastFolderGeneration_ = cache_.generation();
  return lastFolder_;
}

Interpreter::Folder Interpreter::OpenFolderUncached(const std::string& normalizedPath) {
  // Wildcards work in the last component only. Linux folder names may hold "*" and "?", so in
  // the folder part they are taken as written instead of being refused.
  const auto real = cache_.ResolveDirectory(normalizedPath);
  if (!real) return {nullptr, kPathNotFound};
  DirectoryIndex* index = cache_.Get(*real);
  return {index, index ? std::string_view() : kAccessDenied};
}

bool Interpreter::Exists(const std::string& path) {
  const std::string normalized = NormalizePath(cwd_, path);
  if (path.back() == '/') return cache_.ResolveDirectory(normalized).has_value();
  const auto [dir, name] = SplitLast(normalized);
  const Folder folder = OpenFolder(dir);
  if (!folder.index) return false;
  if (name.empty()) return true;
  // Folders count here, also for patterns.
  if (HasWildcards(name)) return !folder.index->Match(NamePattern(FoldCase(name))).empty();
  return folder.index->Find(name) != nullptr;
}

std::string Interpreter::Ask(const Streams& s, const std::string& question) {
  Print(s.out, question);
  output_.Flush();
  std::string answer;
  if (options_.inputFd >= 0) {
    char c;
    while (true) {
      const ssize_t n = ::read(options_.inputFd, &c, 1);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0 || c == '\n') break;
      answer += c;
    }
  }
  Print(s.out, "\n");
  const std::string trimmed = FoldCase(Trim(answer));
  return trimmed.empty() ? std::string() : trimmed.substr(0, 1);
}

bool Interpreter::Confirm(const Streams& s, const std::string& question) { return Ask(s, question) == "y"; }

int RunScriptFile(const std::string& path, std::vector<std::string> args, Output& output,
                  ExternalProgramRunner& runner, FileSystem& fs, int progressFd, const std::string& recordPath,
                  std::size_t jobs, const std::atomic<bool>* stop) {
  std::string text;
  if (const auto error = fs.ReadFile(path, text)) {
    output.Write(2, "shotsweep-batch: cannot read the script \"" + path + "\": " +
                        std::strerror(error->number) + "\n");
    output.Flush();
    return 1;
  }
  InterpreterOptions options;
  bool recorded = false;
  if (!recordPath.empty() && !TakeRecord(fs, recordPath, RecordUse::Names, options, output, recorded)) return 1;
  args.insert(args.begin(), path);
  options.args = std::move(args);
  options.progressFd = progressFd;
  options.jobs = jobs;
  options.stop = stop;
  Interpreter interpreter(std::move(options), output, runner, fs);
  const int status = interpreter.Run(text);
  return recorded ? LeaveRecord(fs, recordPath, interpreter, status, output, progressFd) : status;
}

int RunCleanupFiles(const std::string& renaming, const std::string& restoring, bool trash, Output& output,
                    ExternalProgramRunner& runner, FileSystem& fs, int progressFd, const std::string& recordPath) {
  std::string texts[2];
  const std::string* paths[2] = {&renaming, &restoring};
  // Read as they run where the file system can open them: a restoring script may be larger
  // than the memory there is.
  UniqueFd fds[2];
  const bool streamed = !fs.OpenForReading(renaming, fds[0]) && !fs.OpenForReading(restoring, fds[1]);
  for (int i = 0; i < 2 && !streamed; ++i) {
    if (const auto error = fs.ReadFile(*paths[i], texts[i])) {
      output.Write(2, "shotsweep-batch: cannot read the script \"" + *paths[i] + "\": " +
                          std::strerror(error->number) + "; nothing was run\n");
      output.Flush();
      return 1;
    }
  }
  InterpreterOptions options;
  bool recorded = false;
  if (!recordPath.empty() && !TakeRecord(fs, recordPath, RecordUse::Plan, options, output, recorded)) return 1;
  options.args = {renaming};
  options.progressFd = progressFd;
  options.guardDeletes = true;
  options.exactNames = true;
  options.trash = trash;
  Interpreter interpreter(std::move(options), output, runner, fs);
  const int status = streamed ? interpreter.Run({ScriptFile{renaming, fds[0].get()}, ScriptFile{restoring, fds[1].get()}})
                              : interpreter.Run({ScriptText{renaming, texts[0]}, ScriptText{restoring, texts[1]}});
  return recorded ? LeaveRecord(fs, recordPath, interpreter, status, output, progressFd) : status;
}

int ProgressFdFromEnvironment() {
  const char* value = std::getenv(kProgressFdVariable);
  if (!value || !*value) return -1;
  int fd = -1;
  const std::string_view text = value;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), fd);
  if (error != std::errc() || end != text.data() + text.size() || fd < 0) return -1;
  const int flags = ::fcntl(fd, F_GETFD);
  if (flags < 0) return -1;
  // The programs a script runs have no business with it.
  ::fcntl(fd, F_SETFD, flags | FD_CLOEXEC);
  return fd;
}

}  // namespace shotsweep::batch
