#include "batch/interpreter.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>

#include <unicode/ucnv.h>

#include "base/case_folding.h"
#include "base/text.h"
#include "batch/file_operations.h"
#include "batch/wildcard.h"
#include "base/files.h"
#include "base/progress_protocol.h"

extern char** environ;

namespace shotsweep::batch {

namespace {

constexpr std::string_view kFileNotFound = "The system cannot find the file specified.";
constexpr std::string_view kPathNotFound = "The system cannot find the path specified.";
constexpr std::string_view kDuplicate = "A duplicate file name exists, or the file cannot be found.";
constexpr std::string_view kSyntax = "The syntax of the command is incorrect.";
constexpr std::string_view kBadName = "The filename, directory name, or volume label syntax is incorrect.";
constexpr std::string_view kAccessDenied = "Access is denied.";
constexpr std::string_view kInvalidCodePage = "Invalid code page";
constexpr std::string_view kNotADirectory = "The directory name is invalid.";
constexpr std::string_view kOntoItself = "The file cannot be copied onto itself.";

// Commands of the original interpreter that scripts for Shotsweep never need. Naming them as
// unsupported is clearer than "not recognized", and keeps a look-alike program on disk from
// being run in their place.
constexpr std::array<std::string_view, 32> kUnsupportedCommands{
    "assoc", "break", "call",  "cls",   "color",  "date",     "dir",    "else",
    "endlocal", "for", "ftype", "goto", "md",     "mkdir",    "mklink", "move",
    "path",  "pause", "popd",  "prompt", "pushd", "rd",       "rmdir",  "set",
    "setlocal", "shift", "start", "time", "title", "type",    "ver",    "verify"};

std::string ErrnoMessage(int error) {
  switch (error) {
    case ENOENT: return std::string(kFileNotFound);
    case ENOTDIR: return std::string(kPathNotFound);
    case EACCES:
    case EPERM:
    case EROFS:
    case EISDIR: return std::string(kAccessDenied);
    case EEXIST:
    case ENOTEMPTY: return std::string(kDuplicate);
    case EBUSY:
    case ETXTBSY: return "The process cannot access the file because it is being used by another process.";
    case ENOSPC: return "There is not enough space on the disk.";
    default: return std::strerror(error);
  }
}

bool IsValidCodePage(long n) {
  if (n <= 0 || n > 65535) return false;
  if (n == 65001 || n == 65000) return true;
  // UTF-16 and UTF-32 exist as code pages but a console cannot be switched to them.
  if (n == 1200 || n == 1201 || n == 12000 || n == 12001) return false;
  std::vector<std::string> names;
  const std::string number = std::to_string(n);
  for (const char* prefix : {"windows-", "ibm-", "cp"}) names.push_back(prefix + number);
  if (n > 28590 && n < 28606) names.push_back("iso-8859-" + std::to_string(n - 28590));
  for (const std::string& name : names) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* converter = ucnv_open(name.c_str(), &status);
    if (converter) ucnv_close(converter);
    if (U_SUCCESS(status)) return true;
  }
  return false;
}

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

// "/Y", "/q", "/-Y". Linux paths start with "/" too, so only such short words count as switches.
bool IsSwitch(std::string_view token) {
  return token.size() >= 2 && token.size() <= 3 && token[0] == '/' && token.find('/', 1) == std::string_view::npos;
}

std::string WithoutTrailingDotsAndBlanks(std::string name) {
  while (!name.empty() && (name.back() == '.' || name.back() == ' ')) name.pop_back();
  return name;
}

// The files a name or pattern stands for in a folder. Wildcards take files only: a folder is
// never caught by a pattern meant for photos.
std::vector<DirEntry> Named(const DirectoryIndex& index, std::string_view name, bool folderToo) {
  std::vector<DirEntry> found;
  if (HasWildcards(name)) {
    for (DirEntry& e : index.Match(NamePattern(FoldCase(name)))) {
      if (!e.isDir) found.push_back(std::move(e));
    }
  } else if (const DirEntry* e = index.Find(name); e && (folderToo || !e->isDir)) {
    found.push_back(*e);
  }
  return found;
}

}  // namespace

Interpreter::Interpreter(InterpreterOptions options, Output& output, ExternalProgramRunner& runner)
    : options_(std::move(options)), output_(output), runner_(runner) {
  if (!options_.environment) options_.environment = ProcessEnvironment;
  if (options_.workingDir.empty()) {
    char buffer[4096];
    options_.workingDir = ::getcwd(buffer, sizeof buffer) ? buffer : "/";
  }
  cwd_ = initialCwd_ = NormalizePath("/", options_.workingDir);
}

int Interpreter::Run(std::string_view scriptText) {
  return Run({ScriptText{options_.args.empty() ? std::string() : options_.args[0], scriptText}});
}

int Interpreter::Run(const std::vector<ScriptText>& scripts) {
  linesTotal_ = 0;
  for (const ScriptText& script : scripts) linesTotal_ += SplitLines(script.text).size();
  linesDone_ = 0;
  lastReport_ = lastFlush_ = std::chrono::steady_clock::now();
  if (options_.progressFd >= 0) ReportProgress();
  for (const ScriptText& script : scripts) {
    if (exitStatus_) break;
    if (options_.args.empty()) options_.args.emplace_back();
    options_.args[0] = script.path;
    scriptName_ = script.path.substr(script.path.rfind('/') + 1);
    cwd_ = initialCwd_;
    echo_ = true;
    scriptFailures_ = 0;
    RunLines(script.text);
  }
  if (options_.progressFd >= 0) ReportProgress();
  output_.Flush();
  return exitStatus_.value_or(failures_ > 0 ? 1 : 0);
}

void Interpreter::RunLines(std::string_view scriptText) {
  const std::vector<ScriptLine> lines = SplitLines(scriptText);
  for (size_t i = 0; i < lines.size() && !exitStatus_; ++i) {
    lineNumber_ = i + 1;
    lineText_ = lines[i].text;
    if (lines[i].refused) {
      Unsupported(*lines[i].refused);
    } else if (ContinuesOnNextLine(lines[i].text) && !lines[i].text.starts_with(':')) {
      // The lines joined by carets form one command; none of its parts may run alone.
      Unsupported("a caret at the end of the line, which joins the next line to it (skipped too)");
      while (i + 1 < lines.size() && ContinuesOnNextLine(lines[i + 1].text)) ++i;
      if (i + 1 < lines.size()) ++i;
    } else {
      RunLine(lines[i].text);
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
  const std::string line = ProgressLine(linesDone_, linesTotal_);
  ssize_t n;
  do {
    n = ::write(options_.progressFd, line.data(), line.size());
  } while (n < 0 && errno == EINTR);
  // A reader that went away does not stop the script; it only stops the reports.
  if (n < 0 && errno != EAGAIN) options_.progressFd = -1;
  lastReport_ = std::chrono::steady_clock::now();
}

void Interpreter::RunLine(std::string_view raw) {
  size_t i = 0;
  bool quiet = false;
  while (i < raw.size() && (raw[i] == ' ' || raw[i] == '\t' || raw[i] == '@')) quiet |= raw[i++] == '@';
  const std::string_view line = raw.substr(i);
  if (line.empty() || line.front() == ':') return;  // empty line, label or "::" comment

  Expansion expansion = ExpandPercents(line, options_.args, options_.environment);
  lineText_ = expansion.text;
  if (echo_ && !quiet) output_.Write(1, "\n" + cwd_ + ">" + expansion.text + "\n");
  if (expansion.unsupported) return Unsupported(*expansion.unsupported);
  if (IsRem(expansion.text)) return;

  LexedLine lexed = Lex(expansion.text);
  if (lexed.unsupported) return Unsupported(*lexed.unsupported);
  if (lexed.syntaxError) return Fail(Streams{}, kSyntax);
  Execute(Cursor(lexed.chars), lexed.redirections);
}

void Interpreter::Execute(Cursor cursor, const std::vector<Redirection>& redirections) {
  cursor.SkipDelimiters();
  Streams streams;
  std::vector<int> opened;
  auto closeOpened = [&opened] {
    for (int fd : opened) ::close(fd);
  };
  if (cursor.AtEnd()) {
    // A line of redirections alone still creates its files.
    OpenRedirections(redirections, &streams, &opened);
    return closeOpened();
  }
  if (cursor.Peek().Is('(') || cursor.Peek().Is(')')) return Unsupported("blocks in parentheses");

  const std::string word = cursor.PeekWord();
  std::string command = FoldCase(word);
  static constexpr std::array<std::string_view, 12> kInternal{"echo", "chcp", "cd",   "chdir", "ren",  "rename",
                                                             "del",  "erase", "copy", "if",    "exit", "rem"};
  if (std::find(kInternal.begin(), kInternal.end(), command) != kInternal.end() ||
      std::find(kUnsupportedCommands.begin(), kUnsupportedCommands.end(), command) != kUnsupportedCommands.end()) {
    cursor.Advance(word.size());
  } else {
    // "echo." or "cd..": these commands end where their argument begins.
    bool found = false;
    for (std::string_view prefix : {"echo", "chdir", "cd"}) {
      if (command.size() > prefix.size() && command.starts_with(prefix) &&
          std::string_view(".:/\\[]+").find(command[prefix.size()]) != std::string_view::npos) {
        command = prefix;
        cursor.Advance(prefix.size());
        found = true;
        break;
      }
    }
    if (!found) command.clear();
  }

  if (command == "rem") return;
  if (command == "if") {
    bool runRest = false;
    if (If(&cursor, Streams{}, &runRest) && runRest) Execute(cursor, redirections);
    return;
  }
  if (std::find(kUnsupportedCommands.begin(), kUnsupportedCommands.end(), command) != kUnsupportedCommands.end()) {
    return Unsupported("the \"" + command + "\" command");
  }
  if (command == "exit") {
    std::string token = cursor.Token();
    if (FoldCase(token) == "/b") token = cursor.Token();
    long code = 0;
    std::from_chars(token.data(), token.data() + token.size(), code);
    exitStatus_ = static_cast<int>(code);
    return;
  }

  if (!OpenRedirections(redirections, &streams, &opened)) return closeOpened();
  if (command == "echo") {
    Echo(cursor, streams);
  } else if (command == "chcp") {
    Chcp(cursor, streams);
  } else if (command == "cd" || command == "chdir") {
    Cd(cursor, streams);
  } else if (command == "ren" || command == "rename") {
    Ren(cursor, streams);
  } else if (command == "del" || command == "erase") {
    Del(cursor, streams);
  } else if (command == "copy") {
    Copy(cursor, streams);
  } else {
    const std::string program = cursor.Token();
    External(program, cursor, streams);
  }
  closeOpened();
}

bool Interpreter::OpenRedirections(const std::vector<Redirection>& redirections, Streams* streams,
                                   std::vector<int>* opened) {
  for (const Redirection& r : redirections) {
    Channel& channel = r.handle == 2 ? streams->err : streams->out;
    if (r.duplicateOf != 0) {
      channel = r.duplicateOf == 2 ? streams->err : streams->out;
      continue;
    }
    int fd = -1;
    if (FoldCase(r.target) == "nul") {
      fd = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
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
      fd = ::open(JoinPath(folder.real, realName).c_str(),
                  O_WRONLY | O_CREAT | O_CLOEXEC | (r.append ? O_APPEND : O_TRUNC), 0666);
      if (fd >= 0 && !entry) folder.index->Add(realName, false);
    }
    if (fd < 0) {
      Fail(Streams{}, ErrnoMessage(errno));
      return false;
    }
    opened->push_back(fd);
    channel = Channel{r.handle, fd};
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

void Interpreter::ReportFailure(std::string_view subject, std::string_view message) {
  ++failures_;
  ++scriptFailures_;
  if (options_.progressFd < 0) return;
  // The message alone rarely says which file; the report names it, or quotes the line.
  std::string text = scriptName_ + ", line " + std::to_string(lineNumber_) + ": ";
  text += subject.empty() ? lineText_ : std::string(subject);
  text += ": ";
  text += message;
  const std::string line = FailureLine(text);
  WriteAll(options_.progressFd, line);
}

void Interpreter::Echo(Cursor cursor, const Streams& s) {
  if (cursor.AtEnd()) return Print(s.out, echo_ ? "ECHO is on.\n" : "ECHO is off.\n");
  const Ch separator = cursor.Peek();
  cursor.Advance(1);
  const std::string text = cursor.Rest();
  const std::string trimmed(Trim(text));
  if (IsDelimiter(separator)) {
    const std::string folded = FoldCase(trimmed);
    if (trimmed.empty()) return Print(s.out, echo_ ? "ECHO is on.\n" : "ECHO is off.\n");
    if (folded == "on" || folded == "off") {
      echo_ = folded == "on";
      return;
    }
  }
  Print(s.out, text + "\n");
}

void Interpreter::Chcp(Cursor cursor, const Streams& s) {
  const std::string number = cursor.Token();
  if (number.empty()) return Print(s.out, "Active code page: " + std::to_string(codePage_) + "\n");
  long value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  cursor.SkipDelimiters();
  // File names keep their bytes whatever the code page; the number is only checked and shown.
  if (error != std::errc() || end != number.data() + number.size() || !cursor.AtEnd() || !IsValidCodePage(value)) {
    return Warn(s, kInvalidCodePage);
  }
  codePage_ = static_cast<int>(value);
  Print(s.out, "Active code page: " + std::to_string(codePage_) + "\n");
}

void Interpreter::Cd(Cursor cursor, const Streams& s) {
  std::string path = cursor.RestUnquoted();
  const bool driveSwitch = path.size() >= 2 && path[0] == '/' && (path[1] == 'd' || path[1] == 'D') &&
                           (path.size() == 2 || path[2] == ' ' || path[2] == '\t');
  if (driveSwitch) path = Trim(std::string_view(path).substr(2));
  if (path.empty()) return Print(s.out, cwd_ + "\n");
  const std::string normalized = NormalizePath(cwd_, path);
  if (const auto real = cache_.ResolveDirectory(normalized)) {
    cwd_ = *real;
    return;
  }
  const auto [dir, name] = SplitLast(normalized);
  const Folder folder = OpenFolder(dir);
  Fail(s, folder.index && folder.index->Find(name) ? kNotADirectory : kPathNotFound);
}

void Interpreter::Ren(Cursor cursor, const Streams& s) {
  const std::string source = cursor.Token();
  const std::string target = cursor.Token();
  if (source.empty() || target.empty() || !cursor.Token().empty() || target.find('/') != std::string::npos) {
    return Fail(s, kSyntax);
  }
  const auto [dir, pattern] = SplitLast(NormalizePath(cwd_, source));
  const Folder folder = OpenFolder(dir);
  if (!folder.index) return Fail(s, folder.error);
  const std::string& realDir = folder.real;
  DirectoryIndex* index = folder.index;
  const std::vector<DirEntry> sources = Named(*index, pattern, true);
  if (sources.empty()) return Warn(s, kFileNotFound);

  const bool mask = HasWildcards(target);
  for (const DirEntry& e : sources) {
    const std::string newName = mask ? ApplyTargetMask(e.name, target) : WithoutTrailingDotsAndBlanks(target);
    if (newName.empty()) {
      Fail(s, kSyntax);
      continue;
    }
    if (newName == e.name) continue;
    // The file itself may take another spelling of its own name; any other file blocks it.
    const std::string from = JoinPath(realDir, e.name);
    if (index->HasOtherThan(newName, e.name)) {
      Fail(s, kDuplicate, from);
      continue;
    }
    if (const int error = RenameNoReplace(from, JoinPath(realDir, newName))) {
      Fail(s, error == EEXIST ? kDuplicate : ErrnoMessage(error), from);
      if (error == ENOENT) index->Remove(e.name);
      continue;
    }
    index->Remove(e.name);
    index->Add(newName, e.isDir);
    if (e.isDir) {
      // Paths below the renamed folder now lead elsewhere.
      cache_.Forget();
      index = cache_.Get(realDir);
      if (!index) return;
    }
  }
}

void Interpreter::Del(Cursor cursor, const Streams& s) {
  std::vector<std::string> patterns;
  bool quiet = false;
  while (true) {
    std::string token = cursor.Token();
    if (token.empty()) break;
    if (IsSwitch(token)) {
      const std::string sw = FoldCase(token);
      if (sw == "/q") {
        quiet = true;
      } else if (sw == "/f") {
      } else if (sw == "/s" || sw == "/p" || sw[1] == 'a') {
        return Unsupported("the \"" + token + "\" switch of \"del\"");
      } else {
        return Fail(s, "Invalid switch - " + token);
      }
      continue;
    }
    patterns.push_back(std::move(token));
  }
  if (patterns.empty()) return Fail(s, kSyntax);

  for (const std::string& written : patterns) {
    const std::string normalized = NormalizePath(cwd_, written);
    auto [dir, name] = SplitLast(normalized);
    std::string shown = normalized;
    if (written.back() == '/') {
      dir = normalized;
      name = "*";
      shown = JoinPath(normalized, "*");
    }
    Folder folder = OpenFolder(dir);
    if (!folder.index) {
      Fail(s, folder.error);
      continue;
    }
    if (!HasWildcards(name)) {
      const DirEntry* entry = folder.index->Find(name);
      if (entry && entry->isDir) {
        // A folder named alone means every file in it, as the original interpreter has it.
        folder = OpenFolder(JoinPath(folder.real, entry->name));
        if (!folder.index) {
          Fail(s, folder.error);
          continue;
        }
        shown = JoinPath(shown, "*");
        name = "*";
      }
    }
    if (NamePattern(FoldCase(name)).MatchesEverything() && !quiet &&
        !Confirm(s, shown + ", Are you sure (Y/N)? ")) {
      continue;
    }
    const std::vector<DirEntry> files = Named(*folder.index, name, false);
    if (files.empty()) Warn(s, "Could Not Find " + shown);
    if (options_.guardDeletes && scriptFailures_ > 0 && !files.empty()) {
      // What is still set aside may be a twin whose restore line failed.
      Fail(s, "Nothing deleted: an earlier line of this script failed", shown);
      continue;
    }
    for (const DirEntry& e : files) {
      const std::string path = JoinPath(folder.real, e.name);
      if (const int error = Unlink(path)) {
        Warn(s, path);
        Fail(s, ErrnoMessage(error), path);
      } else {
        folder.index->Remove(e.name);
      }
    }
  }
}

void Interpreter::Copy(Cursor cursor, const Streams& s) {
  std::vector<std::string> paths;
  bool ask = false;
  while (true) {
    std::string token = cursor.Token();
    if (token.empty()) break;
    if (IsSwitch(token)) {
      const std::string sw = FoldCase(token);
      if (sw == "/y") {
        ask = false;
      } else if (sw == "/-y") {
        ask = true;
      } else if (sw == "/b" || sw == "/v" || sw == "/z") {
      } else {
        return Unsupported("the \"" + token + "\" switch of \"copy\"");
      }
      continue;
    }
    paths.push_back(std::move(token));
  }
  if (paths.empty() || paths.size() > 2) return Fail(s, kSyntax);
  for (const std::string& p : paths) {
    if (p.find('+') != std::string::npos) return Unsupported("joining files with \"copy\" (\"+\")");
  }
  auto copied = [&](int count) { Print(s.out, std::string(8, ' ') + std::to_string(count) + " file(s) copied.\n"); };
  auto fail = [&](std::string_view message) {
    Fail(s, message);
    copied(0);
  };
  // Nothing to copy is no failure: a RAW file without a third preview has no file for that
  // preview's copy line.
  auto nothing = [&] {
    Warn(s, kFileNotFound);
    copied(0);
  };

  const auto [sourceDir, sourceName] = SplitLast(NormalizePath(cwd_, paths[0]));
  const Folder source = OpenFolder(sourceDir);
  if (!source.index) return fail(source.error);
  const std::vector<DirEntry> sources = Named(*source.index, sourceName, false);
  if (sources.empty()) return nothing();

  // The target: a folder to copy into, or a name (a mask when it holds wildcards).
  const std::string targetPath = NormalizePath(cwd_, paths.size() == 2 ? paths[1] : ".");
  Folder target = OpenFolder(targetPath);
  std::string targetName;
  if (!target.index) {
    const auto [dir, name] = SplitLast(targetPath);
    target = OpenFolder(dir);
    if (!target.index) return fail(target.error);
    targetName = name;
    if (sources.size() > 1 && !HasWildcards(name)) return Unsupported("copying several files into one");
  }

  int count = 0;
  bool all = false;
  for (const DirEntry& e : sources) {
    std::string name = targetName.empty() ? e.name
                       : HasWildcards(targetName) ? ApplyTargetMask(e.name, targetName)
                                                   : WithoutTrailingDotsAndBlanks(targetName);
    if (name.empty()) {
      Fail(s, kSyntax);
      continue;
    }
    const DirEntry* existing = target.index->Find(name);
    if (existing && existing->isDir) {
      Fail(s, kAccessDenied, JoinPath(target.real, existing->name));
      continue;
    }
    if (existing) name = existing->name;  // an existing file keeps its spelling
    const std::string from = JoinPath(source.real, e.name);
    const std::string to = JoinPath(target.real, name);
    if (existing && SameFile(from, to)) {
      Fail(s, kOntoItself, from);
      continue;
    }
    if (existing && ask && !all) {
      const std::string answer = Ask(s, "Overwrite " + to + "? (Yes/No/All): ");
      if (answer == "a") all = true;
      if (answer != "y" && answer != "a") continue;
    }
    if (const int error = CopyFile(from, to)) {
      Fail(s, ErrnoMessage(error), to);
      continue;
    }
    if (!existing) target.index->Add(name, false);
    ++count;
  }
  copied(count);
}

bool Interpreter::If(Cursor* cursor, const Streams& s, bool* runRest) {
  std::string word = FoldCase(cursor->Token());
  bool negate = false;
  if (word == "not") {
    negate = true;
    word = FoldCase(cursor->Token());
  }
  if (word != "exist") {
    Unsupported("conditions of \"if\" other than \"exist\"");
    return false;
  }
  const std::string path = cursor->Token();
  cursor->SkipDelimiters();
  if (path.empty() || cursor->AtEnd()) {
    Fail(s, kSyntax);
    return false;
  }
  *runRest = Exists(path) != negate;
  return true;
}

Interpreter::Folder Interpreter::OpenFolder(const std::string& normalizedPath) {
  // Wildcards work in the last component only. Linux folder names may hold "*" and "?", so in
  // the folder part they are taken as written instead of being refused.
  const auto real = cache_.ResolveDirectory(normalizedPath);
  if (!real) return {{}, nullptr, kPathNotFound};
  DirectoryIndex* index = cache_.Get(*real);
  return {*real, index, index ? std::string_view() : kAccessDenied};
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

std::optional<std::string> Interpreter::FindProgram(const std::string& written, bool* folderMissing) {
  auto findIn = [&](const std::string& realDir, const std::string& name) -> std::optional<std::string> {
    DirectoryIndex* index = cache_.Get(realDir);
    if (!index) return std::nullopt;
    std::vector<std::string> candidates{name};
    // Scripts name the tools as the other system has them: "exiv2.exe" is "exiv2" here.
    if (name.size() > 4 && FoldCase(name.substr(name.size() - 4)) == ".exe") {
      candidates.push_back(name.substr(0, name.size() - 4));
    }
    for (const std::string& candidate : candidates) {
      const DirEntry* e = index->Find(candidate);
      if (e && !e->isDir) return JoinPath(realDir, e->name);
    }
    return std::nullopt;
  };
  if (written.find('/') != std::string::npos) {
    const auto [dir, name] = SplitLast(NormalizePath(cwd_, written));
    const auto realDir = cache_.ResolveDirectory(dir);
    if (!realDir) {
      *folderMissing = true;
      return std::nullopt;
    }
    return findIn(*realDir, name);
  }
  // A bare name: the current folder first, then PATH, as the original interpreter searches.
  if (auto found = findIn(cwd_, written)) return found;
  const auto path = options_.environment("PATH");
  if (!path) return std::nullopt;
  size_t start = 0;
  while (start <= path->size()) {
    size_t end = path->find(':', start);
    if (end == std::string::npos) end = path->size();
    const std::string dir = path->substr(start, end - start);
    if (!dir.empty() && dir.front() == '/') {
      if (auto found = findIn(NormalizePath("/", dir), written)) return found;
    }
    start = end + 1;
  }
  return std::nullopt;
}

void Interpreter::External(const std::string& written, Cursor cursor, const Streams& s) {
  const std::string folded = FoldCase(written);
  if (folded.ends_with(".bat") || folded.ends_with(".cmd")) return Unsupported("running another script");
  const std::string notRecognized =
      "'" + written + "' is not recognized as an internal or external command, operable program or batch file.";
  if (written.empty()) return Fail(s, notRecognized);
  bool folderMissing = false;
  const auto program = FindProgram(written, &folderMissing);
  if (!program) return Fail(s, folderMissing ? kPathNotFound : std::string_view(notRecognized));

  ProgramCall call;
  call.program = *program;
  call.argv.push_back(written);
  for (std::string& arg : SplitCommandLine(cursor.Rest())) call.argv.push_back(std::move(arg));
  call.workingDir = cwd_;
  call.stdoutFd = s.out.fd >= 0 ? s.out.fd : output_.fd(s.out.handle);
  call.stderrFd = s.err.fd >= 0 ? s.err.fd : output_.fd(s.err.handle);
  output_.Flush();
  const ProgramResult result = runner_.Run(call);
  // The program may have changed any folder.
  cache_.Forget();
  if (result.startError && (result.startError->number == ENOENT || result.startError->number == ENOEXEC)) {
    Fail(s, notRecognized);
  } else if (result.startError) {
    Fail(s, ErrnoMessage(result.startError->number));
  }
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
                  ExternalProgramRunner& runner, int progressFd) {
  std::string text;
  if (const auto error = ReadWholeFile(path, text)) {
    output.Write(2, "shotsweep-batch: cannot read the script \"" + path + "\": " +
                        std::strerror(error->number) + "\n");
    output.Flush();
    return 1;
  }
  InterpreterOptions options;
  args.insert(args.begin(), path);
  options.args = std::move(args);
  options.progressFd = progressFd;
  Interpreter interpreter(std::move(options), output, runner);
  return interpreter.Run(text);
}

int RunCleanupFiles(const std::string& renaming, const std::string& restoring, Output& output,
                    ExternalProgramRunner& runner, int progressFd) {
  std::string texts[2];
  const std::string* paths[2] = {&renaming, &restoring};
  for (int i = 0; i < 2; ++i) {
    if (const auto error = ReadWholeFile(*paths[i], texts[i])) {
      output.Write(2, "shotsweep-batch: cannot read the script \"" + *paths[i] + "\": " +
                          std::strerror(error->number) + "; nothing was run\n");
      output.Flush();
      return 1;
    }
  }
  InterpreterOptions options;
  options.args = {renaming};
  options.progressFd = progressFd;
  options.guardDeletes = true;
  Interpreter interpreter(std::move(options), output, runner);
  return interpreter.Run({ScriptText{renaming, texts[0]}, ScriptText{restoring, texts[1]}});
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
