#pragma once
// A scratch folder for one test, removed with everything in it when the test ends.

#include <atomic>
#include <filesystem>
#include <map>
#include <string>
#include <thread>

namespace shotsweep::testing {

class TempFolder {
 public:
  TempFolder();
  ~TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }

  // Creates (or overwrites) a file below the folder, making missing parent folders.
  std::filesystem::path Write(const std::string& relative, const std::string& content = {}) const;
  // Creates a file as Write does and makes it executable: a stand-in for a program.
  std::filesystem::path WriteProgram(const std::string& relative, const std::string& content = "#!/bin/sh\n") const;
  std::filesystem::path MakeDir(const std::string& relative) const;

 private:
  std::filesystem::path path_;
};

std::string ReadFile(const std::filesystem::path& file);

// A FIFO at `path` for the time of a test of "never blocks on it": should the code under test
// ever wait on it, the FIFO is opened from the other end after a few seconds to let it go on,
// so the test fails on what the code then does instead of hanging.
class Fifo {
 public:
  explicit Fifo(std::filesystem::path path);
  ~Fifo();
  Fifo(const Fifo&) = delete;
  Fifo& operator=(const Fifo&) = delete;

 private:
  std::filesystem::path path_;
  std::atomic<bool> done_{false};
  std::thread rescue_;
};

// Every regular file below `root`, by path relative to it, with its content. Two snapshots
// compare equal when nothing was added, removed, renamed or changed.
std::map<std::string, std::string> Snapshot(const std::filesystem::path& root);

}  // namespace shotsweep::testing
