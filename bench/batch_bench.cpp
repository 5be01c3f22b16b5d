// shotsweep-batch against its floor: a cleanup of 20,000 RAW files (five kinds, mixed case) by
// 10,000 JPG names, run as the renaming and restoring scripts (50,000 restore lines and the
// delete lines) in one run, as the cleanup runs them, and as a plain loop making the same
// rename and unlink calls. Prints both times and their ratio for each round, then the median
// ratio.
//
// Usage: batch_bench [ROUNDS] [FOLDER]   (FOLDER: where the scratch folders go; default /tmp)

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "batch/external_program.h"
#include "batch/interpreter.h"
#include "batch/output.h"

namespace fs = std::filesystem;
using namespace shotsweep::batch;

namespace {

constexpr int kRawFiles = 20000;
constexpr std::array<std::array<const char*, 3>, 5> kKinds{{{".nef", ".nbak", ".NEF"},
                                                            {".cr2", ".cbak", ".CR2"},
                                                            {".crw", ".wbak", ".Crw"},
                                                            {".arw", ".abak", ".ARW"},
                                                            {".orf", ".obak", ".orf"}}};

struct RawFile {
  std::string base;  // as on disk
  int kind;
  std::string name;
  bool listed;
};

std::vector<RawFile> MakeFiles() {
  std::vector<RawFile> files;
  for (int i = 0; i < kRawFiles; ++i) {
    char base[32];
    std::snprintf(base, sizeof base, i % 3 ? "DSC_%05d" : "dsc_%05d", i);
    const int kind = i % 5;
    files.push_back({base, kind, std::string(base) + kKinds[kind][i % 2 ? 2 : 0], i % 2 == 0});
  }
  return files;
}

void Populate(const fs::path& dir, const std::vector<RawFile>& files) {
  fs::remove_all(dir);
  fs::create_directories(dir);
  for (const RawFile& f : files) ::close(::open((dir / f.name).c_str(), O_CREAT | O_WRONLY, 0644));
}

double Seconds(std::chrono::steady_clock::duration d) { return std::chrono::duration<double>(d).count(); }

// CPU seconds this process spent so far in user space (what the interpreter adds on top of the
// system calls) and in the system (the renames and unlinks both make).
struct CpuTimes {
  double user = 0;
  double system = 0;
};
CpuTimes CpuSoFar() {
  rusage usage;
  ::getrusage(RUSAGE_SELF, &usage);
  auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; };
  return {seconds(usage.ru_utime), seconds(usage.ru_stime)};
}
CpuTimes Since(const CpuTimes& before) {
  const CpuTimes now = CpuSoFar();
  return {now.user - before.user, now.system - before.system};
}

double RunInterpreter(const fs::path& dir, const std::vector<RawFile>& files) {
  const std::string r = dir.string() + "/";
  std::string renaming = "chcp 852\r\ncd " + dir.string() + "\r\n";
  for (const auto& kind : kKinds) renaming += "ren " + r + "*" + kind[0] + " *" + kind[1] + "\r\n";
  std::string restoring = "chcp 852\r\ncd " + dir.string() + "\r\n";
  for (const RawFile& f : files) {
    if (!f.listed) continue;
    // The JPG name in upper case: every restore line has to fold to find its file.
    std::string jpgBase = f.base;
    std::transform(jpgBase.begin(), jpgBase.end(), jpgBase.begin(), ::toupper);
    for (const auto& kind : kKinds) restoring += "ren " + r + jpgBase + kind[1] + " " + jpgBase + kind[0] + "\r\n";
  }
  for (const auto& kind : kKinds) restoring += "del " + r + "*" + kind[1] + "\r\n";

  const int devNull = ::open("/dev/null", O_WRONLY);
  const auto start = std::chrono::steady_clock::now();
  {
    Output output(devNull, devNull);
    SpawnRunner runner;
    // As "shotsweep-batch --cleanup" runs them: both scripts in one run.
    InterpreterOptions options;
    options.workingDir = dir.string();
    options.inputFd = -1;
    options.guardDeletes = true;
    options.exactNames = true;
    Interpreter interpreter(options, output, runner);
    interpreter.Run({ScriptText{"RAWrename.bat", renaming}, ScriptText{"RAWrestore.bat", restoring}});
  }
  const double seconds = Seconds(std::chrono::steady_clock::now() - start);
  ::close(devNull);
  return seconds;
}

double RunLoop(const fs::path& dir, const std::vector<RawFile>& files) {
  const std::string r = dir.string() + "/";
  const auto start = std::chrono::steady_clock::now();
  for (const RawFile& f : files) {
    std::rename((r + f.name).c_str(), (r + f.base + kKinds[f.kind][1]).c_str());
  }
  for (const RawFile& f : files) {
    if (!f.listed) continue;
    std::string jpgBase = f.base;
    std::transform(jpgBase.begin(), jpgBase.end(), jpgBase.begin(), ::toupper);
    std::rename((r + f.base + kKinds[f.kind][1]).c_str(), (r + jpgBase + kKinds[f.kind][0]).c_str());
  }
  for (const RawFile& f : files) {
    if (!f.listed) ::unlink((r + f.base + kKinds[f.kind][1]).c_str());
  }
  return Seconds(std::chrono::steady_clock::now() - start);
}

size_t CountFiles(const fs::path& dir) {
  return static_cast<size_t>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
}

}  // namespace

int main(int argc, char** argv) {
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const fs::path root = fs::path(argc > 2 ? argv[2] : "/tmp") / ("shotsweep-batch-bench-" + std::to_string(::getpid()));
  const std::vector<RawFile> files = MakeFiles();
  std::vector<double> ratios;
  for (int round = 0; round < rounds; ++round) {
    Populate(root / "a", files);
    CpuTimes before = CpuSoFar();
    const double interpreter = RunInterpreter(root / "a", files);
    const CpuTimes interpreterCpu = Since(before);
    Populate(root / "b", files);
    before = CpuSoFar();
    const double loop = RunLoop(root / "b", files);
    const CpuTimes loopCpu = Since(before);
    if (CountFiles(root / "a") != kRawFiles / 2 || CountFiles(root / "b") != kRawFiles / 2) {
      std::fprintf(stderr, "round %d: the two runs left different folders\n", round);
      return 1;
    }
    ratios.push_back(interpreter / loop);
    std::printf("round %d: interpreter %.3f s (user %.3f, system %.3f), plain loop %.3f s (user %.3f, system %.3f), "
                "ratio %.2f\n",
                round + 1, interpreter, interpreterCpu.user, interpreterCpu.system, loop, loopCpu.user, loopCpu.system,
                interpreter / loop);
  }
  fs::remove_all(root);
  std::sort(ratios.begin(), ratios.end());
  std::printf("median ratio %.2f over %d rounds\n", ratios[ratios.size() / 2], rounds);
  return 0;
}
