// A cleanup's delete step with "Trash=1" against the plain delete: the same number of files
// moved to the home trash (each with its .trashinfo) and unlinked, through the interpreter's
// file system. Prints both times per file and their ratio.
//
//   trash_bench [FILES]   (the trash is a scratch one: XDG_DATA_HOME points into the scratch folder)

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "fs/file_system.h"

namespace fs = std::filesystem;
using namespace shotsweep;

namespace {

std::vector<std::string> MakeFiles(const fs::path& dir, int count) {
  fs::create_directories(dir);
  std::vector<std::string> paths;
  for (int i = 0; i < count; ++i) {
    paths.push_back((dir / ("DSC_" + std::to_string(10000 + i) + ".nbak")).string());
    ::close(::open(paths.back().c_str(), O_CREAT | O_WRONLY, 0644));
  }
  return paths;
}

template <typename Remove>
double SecondsToRemove(const std::vector<std::string>& paths, Remove remove) {
  const auto start = std::chrono::steady_clock::now();
  for (const std::string& path : paths) {
    if (const auto error = remove(path)) {
      std::fprintf(stderr, "%s: %s\n", path.c_str(), error->description.c_str());
      std::exit(1);
    }
  }
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
  const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 2000;
  // Beside the home folder, on its file system, so the home trash is the one used.
  std::string scratch = (fs::path(::getenv("HOME") ? ::getenv("HOME") : "/tmp") / ".shotsweep-trash-bench-XXXXXX").string();
  if (!mkdtemp(scratch.data())) return 1;
  const fs::path root = scratch;
  ::setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
  const auto disk = MakeDiskFileSystem();

  const double trash = SecondsToRemove(MakeFiles(root / "trashed", count), [&](const std::string& p) { return disk->Trash(p); });
  const double unlink = SecondsToRemove(MakeFiles(root / "unlinked", count), [&](const std::string& p) { return disk->Unlink(p); });
  const auto trashed = std::distance(fs::directory_iterator(root / "data/Trash/files"), fs::directory_iterator());
  const auto infos = std::distance(fs::directory_iterator(root / "data/Trash/info"), fs::directory_iterator());
  fs::remove_all(root);
  std::printf("%d files: to the trash %.1f us per file, unlinked %.1f us per file, ratio %.1f\n", count,
              trash * 1e6 / count, unlink * 1e6 / count, trash / unlink);
  std::printf("in the trash: %ld files, %ld .trashinfo\n", static_cast<long>(trashed), static_cast<long>(infos));
  return trashed == count && infos == count ? 0 : 1;
}
