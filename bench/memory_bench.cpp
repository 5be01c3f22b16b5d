// Peak memory of shotsweep-cli's cleanup by photo list, dry run and real run, for lists of
// 600,000 and 6,000,000 names (or the counts given) over a RAW folder of 2,000 files. The
// figure is the largest resident set of the program and the interpreter it starts, as wait4
// reports it, beside the list's size.
//
//   memory_bench [NAMES...]

#include <sys/resource.h>
#include <sys/wait.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kRawFiles = 2000;

struct Run {
  int status = -1;
  double peakMb = 0;
};

Run RunCli(const std::vector<std::string>& args) {
  const std::string program = (fs::read_symlink("/proc/self/exe").parent_path() / "shotsweep-cli").string();
  std::fflush(stdout);
  const pid_t child = ::fork();
  if (child == 0) {
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& arg : args) argv.push_back(const_cast<char*>(arg.c_str()));
    argv.push_back(nullptr);
    const int null = ::open("/dev/null", O_WRONLY);
    ::dup2(null, 1);
    ::dup2(null, 2);
    ::execv(program.c_str(), argv.data());
    ::_exit(127);
  }
  Run run;
  rusage usage{};
  int status = 0;
  if (::wait4(child, &status, 0, &usage) == child && WIFEXITED(status)) run.status = WEXITSTATUS(status);
  run.peakMb = static_cast<double>(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
  return run;
}

void Measure(long names) {
  const fs::path root = fs::temp_directory_path() / ("shotsweep-memory-bench-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "raw");
  for (int i = 0; i < kRawFiles; ++i) {
    std::ofstream(root / "raw" / ("DSC_" + std::to_string(1000000 + i * 7) + ".NEF")) << "raw";
  }
  const fs::path list = root / "list.txt";
  {
    std::ofstream out(list, std::ios::binary);
    for (long i = 0; i < names; ++i) out << "DSC_" << (1000000 + i) << ".JPG\r\n";
  }
  const double listMb = static_cast<double>(fs::file_size(list)) / (1024.0 * 1024.0);
  const Run dry = RunCli({"by-list", (root / "raw").string(), list.string(), "--dry-run"});
  const Run real = RunCli({"by-list", (root / "raw").string(), list.string()});
  std::printf("%9ld names, list %7.1f MB: dry run peak %7.1f MB (exit %d), real run peak %7.1f MB (exit %d); "
              "peak / list size %.1f\n",
              names, listMb, dry.peakMb, dry.status, real.peakMb, real.status,
              std::max(dry.peakMb, real.peakMb) / listMb);
  fs::remove_all(root);
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<long> counts;
  for (int i = 1; i < argc; ++i) counts.push_back(std::atol(argv[i]));
  if (counts.empty()) counts = {600000, 6000000};
  for (long names : counts) Measure(names);
  return 0;
}
