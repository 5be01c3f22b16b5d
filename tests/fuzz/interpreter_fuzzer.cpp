// The interpreter running one whole script on a file system in memory. No program ever starts
// (the runner only records), nothing is asked (no input: every answer is No), the output goes
// to /dev/null, and the disk is never touched.
//
// Input: a flag byte (bit 0: deletions guarded as in a cleanup run; bit 1: exact names; bit 2:
// a cleanup's plan for the RAW folder), then the script.

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/unique_fd.h"
#include "batch/external_program.h"
#include "batch/interpreter.h"
#include "fs/memory_file_system.h"
#include "batch/output.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"

namespace shotsweep::batch {
namespace {

// No script line can name this folder: a line end never reaches a command, and wildcards
// work in the last component only.
const std::string kUnreachable = "/kept\nout";

const std::vector<std::string> kFiles{
    "/photos/raw/a.nef",       "/photos/raw/B.NEF",     "/photos/raw/trip.day1.nef", "/photos/raw/x.cr2",
    "/photos/raw/y.CRW",       "/photos/raw/z.arw",     "/photos/raw/w.orf",         "/photos/raw/c.nbak",
    "/photos/raw/é.nef",       "/photos/raw/notes.txt", "/photos/raw/exiv2",         "/photos/raw/sub/d.nef",
    "/photos/jpg/a.jpg",       "/photos/jpg/b.jpg",     "/photos/jpg/list.txt",      kUnreachable + "/a.nef",
    kUnreachable + "/sub/b.nef", "/photos/raw/line\nbreak.nef", "/photos/raw/bad\xFF.nef"};

// Links in the RAW folder, which are entries of their own: one that dangles, one to a file the
// scripts cannot name, one to a folder.
const std::vector<std::pair<std::string, std::string>> kLinks{
    {"/photos/raw/dangling.nef", "/nowhere/x.nef"},
    {"/photos/raw/outside.nef", kUnreachable + "/a.nef"},
    {"/photos/raw/folder.nef", "/photos/jpg"}};

// Checks, at each deletion, that a guarded run has not failed yet: in a cleanup, what is still
// set aside after a failed line may be a twin whose restore line failed.
class GuardedFileSystem : public MemoryFileSystem {
 public:
  GuardedFileSystem(int progressFd, bool guarded) : progressFd_(progressFd), guarded_(guarded) {}

  std::optional<CommandError> Unlink(const std::string& path) override {
    if (guarded_) FUZZ_CHECK(!FailureReported());
    return MemoryFileSystem::Unlink(path);
  }

 private:
  bool FailureReported() const {
    std::string reports;
    char buffer[4096];
    ssize_t n;
    for (off_t at = 0; (n = ::pread(progressFd_, buffer, sizeof buffer, at)) > 0; at += n) {
      reports.append(buffer, static_cast<std::size_t>(n));
    }
    return reports.starts_with("! ") || reports.find("\n! ") != std::string::npos;
  }

  int progressFd_;
  bool guarded_;
};

class RecordingRunner : public ExternalProgramRunner {
 public:
  explicit RecordingRunner(MemoryFileSystem& fs) : fs_(fs) {}
  ProgramResult Run(const ProgramCall& call) override {
    // Only a file that is there is ever started, and in a folder that is there.
    FUZZ_CHECK(fs_.Content(call.program).has_value());
    FUZZ_CHECK(fs_.IsDirectory(call.workingDir));
    FUZZ_CHECK(!call.argv.empty());
    return {};
  }

 private:
  MemoryFileSystem& fs_;
};

// A plan for some of the RAW folder's files: under it no other file is ever renamed or
// deleted, and no file it keeps is deleted, whatever the script says.
CleanupRecord Plan() {
  CleanupRecord plan;
  plan.raws = {{PlannedAction::Keep, "a.nef", "a.nbak"},
               {PlannedAction::Delete, "B.NEF", "B.nbak"},
               {PlannedAction::Trash, "x.cr2", "x.cbak"},
               {PlannedAction::Delete, "", "c.nbak"}};
  plan.sidecars = {{PlannedAction::Delete, "notes.txt", "B.NEF"}};
  return plan;
}

void CheckPlanKept(MemoryFileSystem& fs) {
  const CleanupRecord plan = Plan();
  std::set<std::string> planned, kept;
  for (const CleanupRecord::Raw& raw : plan.raws) {
    for (const std::string* name : {&raw.original, &raw.aside}) {
      if (name->empty()) continue;
      planned.insert("/photos/raw/" + *name);
      if (raw.action == PlannedAction::Keep) kept.insert("/photos/raw/" + *name);
    }
  }
  for (const CleanupRecord::Sidecar& sidecar : plan.sidecars) planned.insert("/photos/raw/" + sidecar.name);
  for (const MemoryFileSystem::Fate& fate : fs.Touched()) {
    FUZZ_CHECK(planned.count(fate.origin));
    if (fate.now.empty()) FUZZ_CHECK(!kept.count(fate.origin));
  }
}

std::optional<std::string> Variables(std::string_view name) {
  if (name == "X") return std::string("a b.nef");
  if (name == "JPG") return std::string("/photos/jpg");
  return std::nullopt;  // no PATH: programs are found by their folder only
}

}  // namespace
}  // namespace shotsweep::batch

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace shotsweep;
  using namespace shotsweep::batch;
  std::string_view input = fuzz::AsText(data, size);
  const unsigned flags = fuzz::TakeByte(input);
  const bool guarded = flags & 1;
  const bool planned = flags & 4;

  const UniqueFd progress(::memfd_create("progress", MFD_CLOEXEC));
  const UniqueFd devNull(::open("/dev/null", O_WRONLY | O_CLOEXEC));
  FUZZ_CHECK(progress && devNull);
  GuardedFileSystem fs(progress.get(), guarded);
  for (const std::string& file : kFiles) fs.AddFile(file, "content of " + file);
  fs.AddFolder("/photos/empty");
  for (const auto& [link, target] : kLinks) fs.AddLink(link, target);

  int status = 0;
  {
    Output output(devNull.get(), devNull.get());
    RecordingRunner runner(fs);
    InterpreterOptions options;
    options.args = {"/photos/raw/script.bat", "*.nef"};
    options.workingDir = "/photos/raw";
    options.inputFd = -1;
    options.progressFd = progress.get();
    options.environment = Variables;
    options.guardDeletes = guarded;
    options.exactNames = flags & 2;
    if (planned) {
      options.record = Plan();
      options.recordFolder = "/photos/raw";
      options.recordIsPlan = true;
    }
    Interpreter interpreter(std::move(options), output, runner, fs);
    status = interpreter.Run(input);
  }
  (void)status;
  if (planned) CheckPlanKept(fs);

  // The folder no line can name is as it was.
  std::vector<DirEntry> entries;
  FUZZ_CHECK(!fs.List(kUnreachable, entries));
  FUZZ_CHECK(entries.size() == 2);
  FUZZ_CHECK(fs.Content(kUnreachable + "/a.nef") == "content of " + kUnreachable + "/a.nef");
  FUZZ_CHECK(fs.Content(kUnreachable + "/sub/b.nef") == "content of " + kUnreachable + "/sub/b.nef");

  // Files move by renaming only, never across folders but with a folder renamed, and keep
  // what they hold; copies hold what their source held, and a redirection leaves a file empty.
  std::set<std::string> contents{""};
  for (const std::string& file : kFiles) contents.insert("content of " + file);
  for (const MemoryFileSystem::Fate& fate : fs.Touched()) {
    FUZZ_CHECK(!fate.origin.empty());
    if (fate.now.empty() || fate.origin == kLinks[0].first) continue;  // a dangling link has nothing to read
    const auto content = fs.Content(fate.now);
    FUZZ_CHECK(content.has_value());
    FUZZ_CHECK(contents.count(*content));
  }
  return 0;
}
