#include <unistd.h>

#include <csignal>
#include <string>
#include <vector>

#include "cli/cli.h"

int main(int argc, char** argv) {
  // Messages to a pipe that has gone must not end a run half way.
  std::signal(SIGPIPE, SIG_IGN);
  const auto disk = shotsweep::MakeDiskFileSystem();
  return shotsweep::RunCli(std::vector<std::string>(argv + 1, argv + argc), *disk, 1, 2, ::isatty(2) == 1);
}
