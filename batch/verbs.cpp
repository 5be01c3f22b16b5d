// The verbs a script line can name, each carried out on a parsed Command.
#include <charconv>
#include <cerrno>
#include <cstring>
#include <vector>

#include <unicode/ucnv.h>

#include "base/case_folding.h"
#include "base/text.h"
#include "batch/interpreter.h"
#include "batch/messages.h"
#include "batch/program_lookup.h"
#include "batch/wildcard.h"

namespace shotsweep::batch {

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
    case ENXIO: return std::string(kNotARegularFile);
    default: return std::strerror(error);
  }
}

namespace {

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

Interpreter::VerbHandler Interpreter::HandlerOf(Verb verb) {
  struct Entry {
    Verb verb;
    VerbHandler handler;
  };
  static constexpr Entry kHandlers[] = {
      {Verb::Echo, &Interpreter::Echo}, {Verb::Chcp, &Interpreter::Chcp}, {Verb::Cd, &Interpreter::Cd},
      {Verb::Ren, &Interpreter::Ren},   {Verb::Del, &Interpreter::Del},   {Verb::Copy, &Interpreter::Copy},
      {Verb::Program, &Interpreter::RunProgram}};
  for (const Entry& entry : kHandlers) {
    if (entry.verb == verb) return entry.handler;
  }
  return nullptr;
}

void Interpreter::Echo(const Command& command, const Streams& s) {
  switch (command.echo) {
    case Command::EchoAction::Show: return Print(s.out, echo_ ? "ECHO is on.\n" : "ECHO is off.\n");
    case Command::EchoAction::On: echo_ = true; return;
    case Command::EchoAction::Off: echo_ = false; return;
    case Command::EchoAction::Print: return Print(s.out, command.rest + "\n");
  }
}

void Interpreter::Chcp(const Command& command, const Streams& s) {
  if (command.arguments.empty()) return Print(s.out, "Active code page: " + std::to_string(codePage_) + "\n");
  const std::string& number = command.arguments[0];
  long value = 0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  const bool alone = command.arguments.size() == 1 && !command.cutShort;
  // File names keep their bytes whatever the code page; the number is only checked and shown.
  if (error != std::errc() || end != number.data() + number.size() || !alone || !IsValidCodePage(value)) {
    return Warn(s, kInvalidCodePage);
  }
  codePage_ = static_cast<int>(value);
  Print(s.out, "Active code page: " + std::to_string(codePage_) + "\n");
}

void Interpreter::Cd(const Command& command, const Streams& s) {
  std::string path = command.rest;
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

void Interpreter::Ren(const Command& command, const Streams& s) {
  const std::vector<std::string>& args = command.arguments;
  if (args.size() != 2 || args[1].find('/') != std::string::npos) return Fail(s, kSyntax);
  const std::string& source = args[0];
  const std::string& target = args[1];
  NormalizePath(cwd_, source, renPath_);
  const auto [dir, pattern] = SplitLastView(renPath_);
  const Folder folder = OpenFolder(dir);
  if (!folder.index) return Fail(s, folder.error);
  DirectoryIndex* index = folder.index;
  const std::vector<DirEntry> sources = Named(*index, pattern, true);
  if (sources.empty()) return Warn(s, kFileNotFound);

  const bool mask = HasWildcards(target);
  std::string& from = renFrom_;
  std::string& to = renTo_;
  for (const DirEntry& e : sources) {
    std::string newName = mask ? ApplyTargetMask(e.name, target) : WithoutTrailingDotsAndBlanks(target);
    if (newName.empty()) {
      Fail(s, kSyntax);
      continue;
    }
    JoinPath(index->path(), e.name, from);
    CleanupStep step;
    if (book_ && (step = PlanRename(s, *index, e, mask, from, newName)).move == CleanupStep::Skip) continue;
    if (newName == e.name) continue;
    // The file itself may take another spelling of its own name; any other file blocks it.
    if (index->HasOtherThan(newName, e.name)) {
      Fail(s, kDuplicate, from);
      continue;
    }
    JoinPath(index->path(), newName, to);
    if (const auto error = fs_.RenameNoReplace(from, to)) {
      Fail(s, error->number == EEXIST ? kDuplicate : ErrnoMessage(error->number), from);
      if (error->number == ENOENT) index->Remove(e.name);
      continue;
    }
    if (book_) Renamed(step, from, to, e.name);
    index->Remove(e.name);
    index->Add(newName, e.isDir);
    if (e.isDir) {
      // Paths below the renamed folder now lead elsewhere.
      const std::string realDir = index->path();
      cache_.Forget();
      index = cache_.Get(realDir);
      if (!index) return;
    }
  }
}

void Interpreter::Del(const Command& command, const Streams& s) {
  bool quiet = false;
  for (const std::string& token : command.switches) {
    const std::string sw = FoldCase(token);
    if (sw == "/q") {
      quiet = true;
    } else if (sw == "/f") {
    } else if (sw == "/s" || sw == "/p" || sw[1] == 'a') {
      return Unsupported("the \"" + token + "\" switch of \"del\"");
    } else {
      return Fail(s, "Invalid switch - " + token);
    }
  }
  const std::vector<std::string>& patterns = command.arguments;
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
        folder = OpenFolder(JoinPath(folder.real(), entry->name));
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
    if (book_) {
      DeleteInCleanup(s, *folder.index, files);
      continue;
    }
    for (const DirEntry& e : files) RemoveFile(s, *folder.index, e.name, options_.trash);
  }
}

bool Interpreter::RemoveFile(const Streams& s, DirectoryIndex& index, const std::string& name, bool trash,
                             bool goneIsFine) {
  const std::string path = JoinPath(index.path(), name);
  if (const auto error = trash ? fs_.Trash(path) : fs_.Unlink(path)) {
    if (goneIsFine && error->number == ENOENT) {
      index.Remove(name);
      return true;
    }
    Warn(s, path);
    Fail(s, trash && error->number != ENOENT ? error->description : ErrnoMessage(error->number), path);
    return false;
  }
  index.Remove(name);
  return true;
}

void Interpreter::Copy(const Command& command, const Streams& s) {
  bool ask = false;
  for (const std::string& token : command.switches) {
    const std::string sw = FoldCase(token);
    if (sw == "/y") {
      ask = false;
    } else if (sw == "/-y") {
      ask = true;
    } else if (sw == "/b" || sw == "/v" || sw == "/z") {
    } else {
      return Unsupported("the \"" + token + "\" switch of \"copy\"");
    }
  }
  const std::vector<std::string>& paths = command.arguments;
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
      Fail(s, kAccessDenied, JoinPath(target.real(), existing->name));
      continue;
    }
    if (existing) name = existing->name;  // an existing file keeps its spelling
    const std::string from = JoinPath(source.real(), e.name);
    const std::string to = JoinPath(target.real(), name);
    if (existing && fs_.SameFile(from, to)) {
      Fail(s, kOntoItself, from);
      continue;
    }
    if (existing && ask && !all) {
      const std::string answer = Ask(s, "Overwrite " + to + "? (Yes/No/All): ");
      if (answer == "a") all = true;
      if (answer != "y" && answer != "a") continue;
    }
    if (const auto error = fs_.CopyFile(from, to)) {
      Fail(s, ErrnoMessage(error->number), to);
      continue;
    }
    if (!existing) target.index->Add(name, false);
    ++count;
  }
  copied(count);
}

void Interpreter::RunProgram(const Command& command, const Streams& s) {
  const std::string& written = command.name;
  const std::string folded = FoldCase(written);
  if (folded.ends_with(".bat") || folded.ends_with(".cmd")) return Unsupported("running another script");
  const auto notStarted = [&](std::string_view message) {
    Fail(s, message);
    if (options_.onProgramEnded) options_.onProgramEnded(lineNumber_, 127, message);
  };
  const std::string notRecognized =
      "'" + written + "' is not recognized as an internal or external command, operable program or batch file.";
  if (written.empty()) return notStarted(notRecognized);
  const ProgramLookup lookup = FindProgram(cache_, cwd_, written, options_.environment("PATH"));
  if (!lookup.path) return notStarted(lookup.folderMissing ? kPathNotFound : std::string_view(notRecognized));

  ProgramCall call;
  call.program = *lookup.path;
  call.argv.push_back(written);
  for (std::string& arg : SplitCommandLine(command.rest)) call.argv.push_back(std::move(arg));
  call.workingDir = cwd_;
  // Into memory when the interpreter's own output is kept there; a program that writes both
  // streams to one place keeps their order.
  ProgramStream out(s.out.fd >= 0 ? s.out.fd : output_.fd(s.out.handle));
  const bool together = s.err.fd == s.out.fd && s.err.handle == s.out.handle;
  ProgramStream err(together ? out.fd() : s.err.fd >= 0 ? s.err.fd : output_.fd(s.err.handle));
  call.stdoutFd = out.fd();
  call.stderrFd = err.fd();
  output_.Flush();
  const ProgramResult result = runner_.Run(call);
  // The program may have changed any folder; the program folders it had no business in stay
  // known, so the next line's lookup need not read them again.
  cache_.KeepUnchanged();
  // Its messages before its output, as a program writing both to one pipe mostly has them.
  const std::string errors = err.Take();
  output_.Write(s.err.handle, errors);
  output_.Write(s.out.handle, out.Take());
  if (result.startError && (result.startError->number == ENOENT || result.startError->number == ENOEXEC)) {
    notStarted(notRecognized);
  } else if (result.startError) {
    notStarted(ErrnoMessage(result.startError->number));
  } else if (options_.onProgramEnded) {
    options_.onProgramEnded(lineNumber_, result.exitStatus, errors);
  }
}

}  // namespace shotsweep::batch
