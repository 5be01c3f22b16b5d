// shotsweep-cli on a terminal: the real program under a pseudo-terminal, where its progress
// and its summary share one screen.
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "tests/support/raw_like_file.h"
#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

struct OnTerminal {
  int status = -1;
  std::string bytes;  // all the terminal was sent
};

// Runs shotsweep-cli ARGUMENTS in `cwd` with a pseudo-terminal as its standard streams.
OnTerminal RunOnTerminal(const std::vector<std::string>& arguments, const fs::path& cwd) {
  std::vector<std::string> argv{SHOTSWEEP_CLI};
  argv.insert(argv.end(), arguments.begin(), arguments.end());
  std::vector<char*> cargv;
  for (std::string& a : argv) cargv.push_back(a.data());
  cargv.push_back(nullptr);

  OnTerminal ran;
  int master = -1;
  const pid_t pid = ::forkpty(&master, nullptr, nullptr, nullptr);
  if (pid < 0) return ran;
  if (pid == 0) {
    if (::chdir(cwd.c_str()) == 0) ::execv(cargv[0], cargv.data());
    ::_exit(127);
  }
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(master, buffer, sizeof buffer);
    if (n > 0) {
      ran.bytes.append(buffer, static_cast<std::size_t>(n));
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      break;  // EIO once the program and everything it started have let go of the terminal
    }
  }
  ::close(master);
  int status = 0;
  ::waitpid(pid, &status, 0);
  ran.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return ran;
}

// The lines as the terminal shows them: a carriage return goes back to the start of the line
// and what follows writes over it; blanks at the end of a line do not show.
std::vector<std::string> Screen(const std::string& bytes) {
  std::vector<std::string> lines(1);
  std::size_t column = 0;
  for (char c : bytes) {
    if (c == '\r') {
      column = 0;
    } else if (c == '\n') {
      lines.emplace_back();
      column = 0;
    } else {
      std::string& line = lines.back();
      if (column < line.size()) line[column] = c; else line.push_back(c);
      ++column;
    }
  }
  for (std::string& line : lines) line.erase(line.find_last_not_of(' ') + 1);
  while (!lines.empty() && lines.back().empty()) lines.pop_back();
  return lines;
}

// A program found on PATH, for a stand-in in the start folder to hand on to.
std::string OnPath(const std::string& name) {
  std::stringstream dirs(std::getenv("PATH") ? std::getenv("PATH") : "");
  for (std::string dir; std::getline(dirs, dir, ':');) {
    if (!dir.empty() && ::access((fs::path(dir) / name).c_str(), X_OK) == 0) return (fs::path(dir) / name).string();
  }
  return {};
}

TEST(CliOnTerminal, TheSummaryStandsAloneAndQuietSaysNothing) {
  TempFolder temp;
  for (const char* name : {"raw/A.NEF", "raw/B.cr2", "raw/C.orf", "jpg/a.jpg"}) temp.Write(name, name);
  const OnTerminal quiet = RunOnTerminal({"by-folder", "raw", "jpg", "--keep", "--quiet"}, temp.path());
  EXPECT_EQ(quiet.status, 0);
  EXPECT_EQ(quiet.bytes, "");
  EXPECT_TRUE(fs::exists(temp.path() / "raw/B.cbak"));

  const OnTerminal restored = RunOnTerminal({"restore", "raw"}, temp.path());
  EXPECT_EQ(restored.status, 0);
  EXPECT_EQ(Screen(restored.bytes), std::vector<std::string>{"restored 2"});

  const OnTerminal cleaned = RunOnTerminal({"by-folder", "raw", "jpg"}, temp.path());
  EXPECT_EQ(cleaned.status, 0);
  EXPECT_EQ(Screen(cleaned.bytes), std::vector<std::string>{"kept 1, deleted 2, set aside 0, sidecars 0"});
}

// A run long enough to show its progress: exiv2, taken from the start folder before PATH, is
// Debian's own, a little slowed down.
TEST(CliOnTerminal, ProgressCountsRawFilesAndIsClearedBeforeTheSummary) {
  const std::string exiv2 = OnPath("exiv2");
  if (exiv2.empty() || OnPath("exiftool").empty()) GTEST_SKIP() << "needs exiv2 and exiftool";
  TempFolder temp;
  temp.WriteProgram("exiv2", "#!/bin/sh\nsleep 0.3\nexec " + exiv2 + " \"$@\"\n");
  temp.MakeDir("jpg");
  temp.MakeDir("raw");
  for (int i = 1; i <= 6; ++i) testing::WriteRawLikeFile(temp.path() / ("raw/DSC_" + std::to_string(i) + ".nef"), {});
  temp.Write("raw/broken.nef", "no previews in here");

  const OnTerminal ran = RunOnTerminal({"extract", "raw", "jpg"}, temp.path());
  EXPECT_EQ(ran.status, 1) << ran.bytes;  // one RAW file got no JPG
  EXPECT_NE(ran.bytes.find("\rshotsweep-cli: "), std::string::npos) << ran.bytes;
  EXPECT_NE(ran.bytes.find(" of 7 RAW files"), std::string::npos) << ran.bytes;
  EXPECT_EQ(ran.bytes.find("script lines"), std::string::npos);
  // The progress line is gone before the first row: each row stands on a line of its own.
  const std::vector<std::string> screen = Screen(ran.bytes);
  ASSERT_EQ(screen.size(), 9u) << ran.bytes;
  EXPECT_EQ(screen.front(), "broken.nef: exiv2 cannot read this file");
  EXPECT_EQ(screen[1], "DSC_1.nef: JPG made, 1024\u00d7768");
  EXPECT_EQ(std::vector<std::string>(screen.end() - 2, screen.end()),
            (std::vector<std::string>{"6 of 7 RAW files got a JPG.", "1 has no JPG."}));
}

}  // namespace
}  // namespace shotsweep
