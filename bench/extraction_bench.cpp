// Preview extraction of 200 generated RAW files through the whole command (Extr.bat run by
// shotsweep-batch with its stay-open exiftool) against the tools' own cost: the same exiv2
// command lines run by a plain shell loop (the floor), and the same exiftool command lines
// fed to one stay-open exiftool. The tools' run, with the previews copied in between, gives
// the reference the command's JPGs must equal byte for byte.
//
// Usage: extraction_bench [FILES] [FOLDER] [exif]
//   FOLDER: where the scratch folders go (default /tmp); "exif": with "Export EXIF data" ticked,
//   which adds two exiv2 lines per file writing metadata dumps into the JPG folder.

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>
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

// One extraction through the command, in `folder`/RAW and `folder`/JPG.
double ExtractWithTheCommand(const fs::path& folder, bool exif) {
  const ExtractionRequest request{(folder / "RAW").string(), (folder / "JPG").string(), folder.string(), exif};
  PosixScriptRunner runner;
  const auto start = std::chrono::steady_clock::now();
  const CommandResult result = ExtractPreviews(request, Settings{}, runner, shotsweep::testing::TestDisk());
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  if (!result.done() || !result.errors.empty()) {
    std::fprintf(stderr, "extraction failed: %s\n",
                 result.errors.empty() ? "not done" : result.errors[0].Text().c_str());
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

struct ToolTimes {
  double exiv2 = 0;     // the exiv2 lines, one process each, from a shell loop
  double exiftool = 0;  // the exiftool lines, through one stay-open exiftool
};

// What the script does for each file, by the tools alone: the exiv2 lines from /bin/sh, the
// previews copied as "copy /Y" does (the last one there wins), the exiftool lines through
// one stay-open exiftool.
ToolTimes ExtractWithTheToolsAlone(const fs::path& folder, bool exif) {
  const fs::path raw = folder / "RAW", jpg = folder / "JPG";
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(raw)) files.push_back(e.path());
  const fs::path shellLoop = folder / "exiv2.sh", exiftoolArgs = folder / "exiftool.args";
  {
    std::ofstream sh(shellLoop);
    for (const fs::path& file : files) {
      sh << "/usr/bin/exiv2 -f -ep2,3,4 " << Quoted(file) << "\n";
      if (!exif) continue;
      const fs::path dump = jpg / file.stem();
      sh << "/usr/bin/exiv2 -pv " << Quoted(file) << " >" << Quoted(dump.string() + ".txt") << "\n";
      sh << "/usr/bin/exiv2 -pt " << Quoted(file) << " >" << Quoted(dump.string() + ".asc") << "\n";
    }
  }
  ToolTimes times;
  times.exiv2 = Run("/bin/sh", {shellLoop.string()});

  std::ofstream args(exiftoolArgs);
  for (const fs::path& file : files) {
    const std::string stem = file.stem().string();
    const fs::path target = jpg / (stem + ".jpg");
    bool copied = false;
    for (const char* n : {"2", "3", "4"}) {
      std::error_code ec;
      copied |= fs::copy_file(raw / (stem + "-preview" + n + ".jpg"), target, fs::copy_options::overwrite_existing, ec);
      fs::remove(raw / (stem + "-preview" + n + ".jpg"), ec);
    }
    if (copied) args << "-all=\n-tagsfromfile\n" << file.string() << "\n-exif:all\n" << target.string() << "\n-execute\n";
  }
  args << "-stay_open\nFalse\n";
  args.close();
  times.exiftool = Run("/usr/bin/exiftool", {"-stay_open", "True", "-@", "-"}, exiftoolArgs);
  for (const auto& e : fs::directory_iterator(jpg)) {
    if (e.path().extension() == ".jpg_original") fs::remove(e.path());
  }
  return times;
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 200;
  const bool exif = argc > 3 && std::string(argv[3]) == "exif";
  const fs::path base = fs::absolute(argc > 2 && *argv[2] ? argv[2] : "/tmp");
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
  MakeRawFiles(root / "command/RAW", count);
  fs::create_directories(root / "tools");
  fs::copy(root / "command/RAW", root / "tools/RAW");
  for (const char* side : {"command", "tools"}) fs::create_directories(root / side / "JPG");

  const double command = ExtractWithTheCommand(root / "command", exif);
  const ToolTimes tools = ExtractWithTheToolsAlone(root / "tools", exif);

  const auto made = testing::Snapshot(root / "command/JPG");
  const bool identical = made == testing::Snapshot(root / "tools/JPG");
  const double perFile = 1000.0 / count;
  std::printf("%d RAW files%s, milliseconds per file\n", count, exif ? " with metadata dumps" : "");
  std::printf("  the whole command (one stay-open exiftool)   %7.2f\n", command * perFile);
  std::printf("  exiv2 lines from a shell loop (the floor)     %7.2f\n", tools.exiv2 * perFile);
  std::printf("  exiftool lines through one stay-open exiftool %7.2f\n", tools.exiftool * perFile);
  std::printf("command / exiv2 floor: %.2f   command / (exiv2 + exiftool alone): %.2f\n",
              command / tools.exiv2, command / (tools.exiv2 + tools.exiftool));
  std::printf("files in the JPG folder: %zu, byte-identical to the tools' own: %s\n", made.size(),
              identical ? "yes" : "NO");
  return identical && made.size() == static_cast<std::size_t>(exif ? 3 * count : count) ? 0 : 1;
}
