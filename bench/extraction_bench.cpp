// Preview extraction of 200 generated RAW files through the whole command (Extr.bat run by
// shotsweep-batch with its stay-open exiftool) against the tools' own cost: the same exiv2
// command lines run by a plain shell loop (the floor), and the same exiftool command lines
// fed to one stay-open exiftool. The tools' run, with the previews copied in between, gives
// the reference the command's JPGs must equal byte for byte.
//
// With --jobs N the command runs twice, its script's blocks on one worker and on N, and each is
// set against the other and against the tools' processor time shared out over the machine's
// processors: the least a run that keeps them all busy can take.
//
// Usage: extraction_bench [FILES] [FOLDER] [exif] [--jobs N]
//   FOLDER: where the scratch folders go (default /tmp); "exif": with "Export EXIF data" ticked,
//   which adds two exiv2 lines per file writing metadata dumps into the JPG folder.

#include <fcntl.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <thread>
#include <vector>

#include "base/process.h"
#include "platform/posix_script_runner.h"
#include "extraction/extraction_command.h"
#include "settings/settings.h"
#include "tests/support/disk.h"
#include "tests/support/raw_like_file.h"
#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;
using namespace shotsweep;

namespace {

constexpr const char* kKinds[] = {".nef", ".NEF", ".cr2", ".arw", ".orf"};

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

void MakeRawFiles(const fs::path& raw, int count) {
  fs::create_directories(raw);
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "DSC_%04d%s", i, kKinds[i % 5]);
    testing::RawLikeFile shot{"MAKE " + std::to_string(i % 7), "MODEL " + std::to_string(i), 100 + i,
                               {{160, 120}, {320 + 8 * (i % 5), 240}, {640, 480}}};
    testing::WriteRawLikeFile(raw / name, shot);
  }
}

// The window's runner, with the script's blocks run on `jobs` workers (0: one line after another).
class RunnerWithJobs : public ScriptRunner {
 public:
  explicit RunnerWithJobs(std::size_t jobs) : jobs_(jobs) {}
  ScriptOutcome Run(const ScriptRequest& request) override {
    ScriptRequest withJobs = request;
    withJobs.jobs = jobs_;
    return runner_.Run(withJobs);
  }

 private:
  PosixScriptRunner runner_;
  std::size_t jobs_;
};

// One extraction through the command, in `folder`/RAW and `folder`/JPG.
double ExtractWithTheCommand(const fs::path& folder, bool exif, std::size_t jobs) {
  const ExtractionRequest request{(folder / "RAW").string(), (folder / "JPG").string(), folder.string(), exif};
  RunnerWithJobs runner(jobs);
  const auto start = std::chrono::steady_clock::now();
  const ExtractionResult extraction = ExtractPreviews(request, Settings{}, runner, shotsweep::testing::TestDisk());
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  const CommandResult& result = extraction.command;
  if (!result.done() || !result.errors.empty()) {
    std::fprintf(stderr, "extraction failed: %s\n",
                 result.errors.empty() ? "not done" : result.errors[0].Text().c_str());
    std::exit(1);
  }
  // The rows are read from the JPG folder after the run: part of what the command costs.
  if (!extraction.AllWell()) {
    std::fprintf(stderr, "extraction left RAW files without a JPG:\n%s\n", CountsText(extraction.counts).c_str());
    std::exit(1);
  }
  return seconds;
}

// Runs `program` with `args`, its standard input from `input` when given; returns the seconds
// it took.
double Run(const std::string& program, std::vector<std::string> args, const fs::path& input = {}) {
  SpawnRequest request;
  request.program = program;
  request.argv = std::move(args);
  request.argv.insert(request.argv.begin(), program);
  UniqueFd in;
  if (!input.empty()) {
    in.reset(::open(input.c_str(), O_RDONLY | O_CLOEXEC));
    request.in = Stream::To(in.get());
  }
  request.out = Stream::ToNull();
  request.err = Stream::ToNull();
  const auto start = std::chrono::steady_clock::now();
  const Spawned child = Spawn(request);
  if (child.error || WaitForExit(child.pid) != 0) {
    std::fprintf(stderr, "%s failed\n", program.c_str());
    std::exit(1);
  }
  return Seconds(std::chrono::steady_clock::now() - start);
}

std::string Quoted(const fs::path& path) { return "'" + path.string() + "'"; }

// The processor time, user and system, that the finished children have taken so far.
double ChildrenCpuSeconds() {
  rusage usage{};
  ::getrusage(RUSAGE_CHILDREN, &usage);
  const auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
  return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

struct ToolTimes {
  double exiv2 = 0;     // the exiv2 lines, one process each, from a shell loop
  double exiftool = 0;  // the exiftool lines, through one stay-open exiftool
  double cpu = 0;       // the processor time of both
};

// What the script does for each file, by the tools alone: the exiv2 lines from /bin/sh, the
// previews copied as "copy /Y" does (the last one there wins), the exiftool lines through
// one stay-open exiftool.
ToolTimes ExtractWithTheToolsAlone(const fs::path& folder, bool exif) {
  const fs::path raw = folder / "RAW", jpg = folder / "JPG";
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(raw)) files.push_back(e.path());
  const fs::path shellLoop = folder / "exiv2.sh", exiftoolArgs = folder / "exiftool.args";
  const fs::path previews = folder / "previews";
  fs::create_directories(previews);
  {
    std::ofstream sh(shellLoop);
    for (const fs::path& file : files) {
      sh << "/usr/bin/exiv2 -f -l " << Quoted(previews) << " -ep2,3,4 " << Quoted(file) << "\n";
      if (!exif) continue;
      const fs::path dump = jpg / file.stem();
      sh << "/usr/bin/exiv2 -pv " << Quoted(file) << " >" << Quoted(dump.string() + ".txt") << "\n";
      sh << "/usr/bin/exiv2 -pt " << Quoted(file) << " >" << Quoted(dump.string() + ".asc") << "\n";
    }
  }
  ToolTimes times;
  const double cpuBefore = ChildrenCpuSeconds();
  times.exiv2 = Run("/bin/sh", {shellLoop.string()});

  std::ofstream args(exiftoolArgs);
  for (const fs::path& file : files) {
    const std::string stem = file.stem().string();
    const fs::path target = jpg / (stem + ".jpg");
    bool copied = false;
    for (const char* n : {"2", "3", "4"}) {
      std::error_code ec;
      copied |= fs::copy_file(previews / (stem + "-preview" + n + ".jpg"), target, fs::copy_options::overwrite_existing, ec);
      fs::remove(previews / (stem + "-preview" + n + ".jpg"), ec);
    }
    if (copied) {
      args << "-overwrite_original\n-all=\n-tagsfromfile\n" << file.string() << "\n-exif:all\n" << target.string()
           << "\n-execute\n";
    }
  }
  args << "-stay_open\nFalse\n";
  args.close();
  times.exiftool = Run("/usr/bin/exiftool", {"-stay_open", "True", "-@", "-"}, exiftoolArgs);
  times.cpu = ChildrenCpuSeconds() - cpuBefore;
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string_view> positional;
  std::size_t jobs = 0;
  for (int i = 1; i < argc; ++i) {
    if (std::string_view(argv[i]) == "--jobs" && i + 1 < argc) {
      jobs = static_cast<std::size_t>(std::atoi(argv[++i]));
    } else {
      positional.push_back(argv[i]);
    }
  }
  const int count = positional.size() > 0 ? std::atoi(positional[0].data()) : 200;
  const bool exif = positional.size() > 2 && positional[2] == "exif";
  const fs::path base = fs::absolute(positional.size() > 1 && !positional[1].empty() ? positional[1] : "/tmp");
  std::string scratch = (base / "shotsweep-extraction-XXXXXX").string();
  if (!mkdtemp(scratch.data())) return 1;
  const fs::path root = scratch;
  // Removed however the benchmark ends, a failed extraction included.
  static fs::path removeAtExit;
  removeAtExit = root;
  std::atexit([] {
    std::error_code ignored;
    fs::remove_all(removeAtExit, ignored);
  });
  // One line after another, or one worker then N.
  const std::vector<std::size_t> runs = jobs == 0 ? std::vector<std::size_t>{0} : std::vector<std::size_t>{1, jobs};
  MakeRawFiles(root / "tools/RAW", count);
  fs::create_directories(root / "tools/JPG");
  for (std::size_t run : runs) {
    const fs::path folder = root / ("command" + std::to_string(run));
    fs::create_directories(folder / "JPG");
    fs::copy(root / "tools/RAW", folder / "RAW");
  }

  std::vector<double> command;
  for (std::size_t run : runs) {
    command.push_back(ExtractWithTheCommand(root / ("command" + std::to_string(run)), exif, run));
  }
  const ToolTimes tools = ExtractWithTheToolsAlone(root / "tools", exif);

  const auto reference = testing::Snapshot(root / "tools/JPG");
  std::size_t made = 0;
  bool identical = true;
  for (std::size_t run : runs) {
    const auto jpgs = testing::Snapshot(root / ("command" + std::to_string(run)) / "JPG");
    identical = identical && jpgs == reference;
    made = jpgs.size();
  }
  const double perFile = 1000.0 / count;
  const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
  std::printf("%d RAW files%s, milliseconds per file\n", count, exif ? " with metadata dumps" : "");
  const auto row = [](const std::string& what, double milliseconds) {
    std::printf("  %-46s %7.2f\n", what.c_str(), milliseconds);
  };
  for (std::size_t i = 0; i < runs.size(); ++i) {
    row(runs[i] == 0 ? "the whole command (one stay-open exiftool)"
                     : "the whole command, --jobs " + std::to_string(runs[i]),
        command[i] * perFile);
  }
  row("exiv2 lines from a shell loop (the floor)", tools.exiv2 * perFile);
  row("exiftool lines through one stay-open exiftool", tools.exiftool * perFile);
  row("their processor time / " + std::to_string(cores) + " processors", tools.cpu / cores * perFile);
  std::printf("command / exiv2 floor: %.2f   command / (exiv2 + exiftool alone): %.2f\n",
              command[0] / tools.exiv2, command[0] / (tools.exiv2 + tools.exiftool));
  if (runs.size() > 1) {
    std::printf("--jobs %zu / --jobs 1: %.2f   --jobs %zu / (their processor time / %u): %.2f\n", jobs,
                command[1] / command[0], jobs, cores, command[1] / (tools.cpu / cores));
  }
  std::printf("files in the JPG folder: %zu, byte-identical to the tools' own: %s\n", made,
              identical ? "yes" : "NO");
  return identical && made == static_cast<std::size_t>(exif ? 3 * count : count) ? 0 : 1;
}
