#include "cli/cli.h"

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <string_view>

#include "base/file_names.h"
#include "base/files.h"
#include "cleanup/cleanup_plan.h"
#include "cli/arguments.h"
#include "platform/posix_script_runner.h"
#include "extraction/extraction_command.h"
#include "settings/settings.h"
#include "settings/settings_reader.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;

// What cannot be written to a closed stream is lost either way; the exit status still tells.
void Write(int fd, std::string_view text) { WriteAll(fd, text); }

// A folder or file named on the command line as the window would hold it: absolute, without
// "." and "..", no separator at the end but at the root. Resolved as the system resolves it:
// "link/../raw" is the folder the system finds there, not the one the text suggests.
std::string AsTheWindowHoldsIt(FileSystem& disk, const std::string& given) {
  if (auto resolved = disk.ResolvePath((fs::current_path() / given).string())) return *resolved;
  std::string path = (fs::current_path() / given).lexically_normal().string();
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

// Counts the script lines on the terminal once a run has lasted a second.
class ProgressCounter {
 public:
  ProgressCounter(int err, bool enabled) : err_(err), enabled_(enabled), start_(Clock::now()) {}
  ~ProgressCounter() {
    if (shown_) Write(err_, "\n");
  }
  void Show(int done, int total) {
    if (!enabled_ || total <= 0 || Clock::now() - start_ < std::chrono::seconds(1)) return;
    shown_ = true;
    Write(err_, "\rshotsweep-cli: " + std::to_string(done) + " of " + std::to_string(total) + " script lines");
  }

 private:
  using Clock = std::chrono::steady_clock;
  int err_;
  bool enabled_;
  Clock::time_point start_;
  bool shown_ = false;
};

int Fail(int err, const std::string& message) {
  Write(err, "shotsweep-cli: " + message + "\n");
  return 1;
}

// A dry run's listing, when its scripts would run at all, and the error it would end with.
int PrintPlan(const RunPlan& plan, int out, int err) {
  if (plan.ran) Write(out, FormatPlan(plan));
  if (plan.error) return Fail(err, plan.error->Text());
  return 0;
}

}  // namespace

int RunCli(const std::vector<std::string>& args, FileSystem& disk, int out, int err, bool showProgress) {
  const ParsedArguments parsed = ParseArguments(args);
  if (!parsed.request) {
    Write(err, "shotsweep-cli: " + parsed.error + "\n" + std::string(kCliUsage));
    return 2;
  }
  const CliRequest& request = *parsed.request;
  if (request.kind == CliRequest::Help) {
    Write(out, kCliUsage);
    return 0;
  }
  if (request.kind == CliRequest::Version) {
    Write(out, "shotsweep " SHOTSWEEP_VERSION "\n");
    return 0;
  }

  // The current folder is the start folder, as for the window started from a terminal.
  const std::string startFolder = fs::current_path().string();
  Settings settings;
  settings.deleteScripts = true;
  for (const std::string& warning : ReadSettingsIn(disk, startFolder, settings)) {
    Write(err, "shotsweep-cli: " + std::string(kSettingsFileName) + ": " + warning + "\n");
  }
  if (request.trash) settings.trash = true;

  const std::string raw = AsTheWindowHoldsIt(disk, request.rawDir);
  if (!disk.IsDirectory(raw)) return Fail(err, "2 The RAW folder does not exist: " + raw);
  std::string second = request.second.empty() ? std::string() : AsTheWindowHoldsIt(disk, request.second);
  CleanupRequest cleanup{CleanupRequest::Source::JpgFolder, raw, second, {}, request.keep};
  if (request.kind == CliRequest::ByList) {
    // The JPG folder serves only the pairing record here: the list's own folder.
    cleanup.source = CleanupRequest::Source::PhotoList;
    cleanup.photoList = second;
    cleanup.jpgFolder = fs::path(second).parent_path().string();
  } else if (request.kind != CliRequest::Restore && !disk.IsDirectory(second)) {
    return Fail(err, "2 The JPG folder does not exist: " + second);
  }

  PosixScriptRunner runner;
  ProgressCounter counter(err, showProgress);
  runner.onProgress = [&](ScriptProcess& process) { counter.Show(process.done(), process.total()); };
  // An extraction's result: which RAW files got a JPG.
  runner.onSummary = [&](const ScriptSummary& summary) { Write(out, summary.text + "\n"); };

  CommandResult result;
  switch (request.kind) {
    case CliRequest::ByFolder:
    case CliRequest::ByList: {
      const CleanupPlan plan = PlanCleanup(cleanup, settings, disk);
      if (request.dryRun) return PrintPlan(plan, out, err);
      result = CarryOutCleanup(plan, settings, runner, disk);
      break;
    }
    case CliRequest::Restore:
      if (request.dryRun) return PrintPlan(PlanRestore({raw}, settings, disk), out, err);
      result = RestoreSetAside({raw}, settings, runner, disk);
      break;
    case CliRequest::Extract:
      result = ExtractPreviews({raw, second, startFolder, request.exif}, settings, runner, disk);
      break;
    default:
      return 2;
  }
  for (const CommandError& error : result.errors) Fail(err, error.Text());
  if (!result.errors.empty()) return 1;
  if (!result.done()) return Fail(err, "the command ended without doing anything");
  return 0;
}

}  // namespace shotsweep
