// Preview extraction of 200 generated RAW files through the whole command (Extr.bat run by
// shotsweep-batch), with one exiftool process per RAW file and with one stay-open exiftool
// for the script, against its floor: a plain loop that calls exiv2 and exiftool directly for
// each file. Checks that both runs of the command leave byte-identical JPGs, then prints the
// times and the ratios.
//
// Usage: extraction_bench [FILES] [FOLDER]   (FOLDER: where the scratch folders go; default /tmp)

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "base/process.h"
#include "platform/posix_script_runner.h"
#include "preview/extraction_command.h"
#include "settings/module1.h"
#include "tests/support/raw_like_file.h"
#include "tests/support/fake_window.h"
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
double ExtractWithTheCommand(const fs::path& folder, bool session) {
  ::setenv("SHOTSWEEP_EXIFTOOL_SESSION", session ? "1" : "0", 1);
  Module1 module;
  module.StartFolder = folder.string();
  testing::FakeWindow window((folder / "RAW").string(), (folder / "JPG").string());
  testing::ScriptedDialogs dialogs;
  PosixScriptRunner runner;
  CommandContext ctx{module, window, dialogs, runner};
  const auto start = std::chrono::steady_clock::now();
  ExtractPreviews(ctx);
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  if (dialogs.messages.size() != 1 || dialogs.messages[0].text != "Operation done") {
    std::fprintf(stderr, "extraction failed: %s\n",
                 dialogs.messages.empty() ? "no message" : dialogs.messages[0].text.c_str());
    std::exit(1);
  }
  return seconds;
}

void Call(std::vector<std::string> args) {
  SpawnRequest request;
  request.program = args[0];
  request.argv = std::move(args);
  request.out = Stream::ToNull();
  request.err = Stream::ToNull();
  const Spawned child = Spawn(request);
  if (!child.error) WaitForExit(child.pid);
}

// What the script does for each file, without the script: the floor of one-process-per-tool.
double ExtractDirectly(const fs::path& folder) {
  const fs::path raw = folder / "RAW", jpg = folder / "JPG";
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(raw)) files.push_back(e.path());
  const auto start = std::chrono::steady_clock::now();
  for (const fs::path& file : files) {
    const std::string stem = file.stem().string();
    const fs::path target = jpg / (stem + ".jpg");
    Call({"/usr/bin/exiv2", "-f", "-ep2,3,4", file.string()});
    bool copied = false;
    for (const char* n : {"2", "3", "4"}) {
      std::error_code ec;
      copied |= fs::copy_file(raw / (stem + "-preview" + n + ".jpg"), target,
                              fs::copy_options::overwrite_existing, ec);
    }
    if (copied) Call({"/usr/bin/exiftool", "-all=", "-tagsfromfile", file.string(), "-exif:all", target.string()});
    for (const char* n : {"2", "3", "4"}) fs::remove(raw / (stem + "-preview" + n + ".jpg"));
    fs::remove(target.string() + "_original");
  }
  return Seconds(std::chrono::steady_clock::now() - start);
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::atoi(argv[1]) : 200;
  std::string scratch = (fs::path(argc > 2 ? argv[2] : "/tmp") / "shotsweep-extraction-XXXXXX").string();
  if (!mkdtemp(scratch.data())) return 1;
  const fs::path root = scratch;
  MakeRawFiles(root / "one/RAW", count);
  for (const char* side : {"session", "direct"}) {
    fs::create_directories(root / side);
    fs::copy(root / "one/RAW", root / side / "RAW");
  }
  for (const char* side : {"one", "session", "direct"}) fs::create_directories(root / side / "JPG");

  const double perLine = ExtractWithTheCommand(root / "one", false);
  const double session = ExtractWithTheCommand(root / "session", true);
  const double direct = ExtractDirectly(root / "direct");

  const auto one = testing::Snapshot(root / "one/JPG");
  const bool identical = one == testing::Snapshot(root / "session/JPG");
  std::printf("%d RAW files\n", count);
  std::printf("  command, one exiftool per file   %8.2f s\n", perLine);
  std::printf("  command, one stay-open exiftool  %8.2f s\n", session);
  std::printf("  exiv2 and exiftool called directly %6.2f s\n", direct);
  std::printf("session speed-up: %.1fx   command with session / direct calls: %.2f\n",
              perLine / session, session / direct);
  std::printf("JPGs: %zu, byte-identical both ways: %s\n", one.size(), identical ? "yes" : "NO");
  fs::remove_all(root);
  return identical && one.size() == static_cast<std::size_t>(count) ? 0 : 1;
}
