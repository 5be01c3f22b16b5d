#include "tests/support/temp_folder.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace fs = std::filesystem;

namespace shotsweep::testing {

TempFolder::TempFolder() {
  std::string pattern = (fs::temp_directory_path() / "shotsweep-test-XXXXXX").string();
  if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

TempFolder::~TempFolder() {
  std::error_code ec;
  // A test may leave read-only folders behind; give write permission back before removing.
  for (auto it = fs::recursive_directory_iterator(path_, ec); !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (it->is_directory(ec)) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
  }
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ec);
  fs::remove_all(path_, ec);
}

fs::path TempFolder::Write(const std::string& relative, const std::string& content) const {
  fs::path file = path_ / relative;
  fs::create_directories(file.parent_path());
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out << content;
  return file;
}

fs::path TempFolder::WriteProgram(const std::string& relative, const std::string& content) const {
  fs::path file = Write(relative, content);
  fs::permissions(file, fs::perms::owner_all);
  return file;
}

fs::path TempFolder::MakeDir(const std::string& relative) const {
  fs::path dir = path_ / relative;
  fs::create_directories(dir);
  return dir;
}

std::string ReadFile(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

Fifo::Fifo(fs::path path) : path_(std::move(path)) {
  if (::mkfifo(path_.c_str(), 0600) != 0) throw std::runtime_error("mkfifo failed");
  rescue_ = std::thread([this] {
    for (int i = 0; i < 100 && !done_; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(50));
    // A blocked reader waits for a writer, a blocked writer for a reader: be both in turn.
    while (!done_) {
      for (int mode : {O_WRONLY, O_RDONLY}) {
        const int fd = ::open(path_.c_str(), mode | O_NONBLOCK | O_CLOEXEC);
        if (fd >= 0) ::close(fd);
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
  });
}

Fifo::~Fifo() {
  done_ = true;
  rescue_.join();
}

std::map<std::string, std::string> Snapshot(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    // Lexically: a link keeps its own name, not the one of the file it points to.
    if (entry.is_regular_file()) files[entry.path().lexically_relative(root).string()] = ReadFile(entry.path());
  }
  return files;
}

}  // namespace shotsweep::testing
