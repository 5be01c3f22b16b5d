#pragma once
// A failed step as the user sees it: "number description" in a box titled "Error".

#include <string>

namespace shotsweep {

struct CommandError {
  int number = 0;
  std::string description;

  std::string Text() const { return std::to_string(number) + " " + description; }
};

// The error for an errno value, described by the system ("13 Permission denied").
CommandError ErrnoError(int err);
// The error for an errno value with the path it concerns ("2 No such file or directory: /x").
CommandError ErrnoError(int err, const std::string& path);

}  // namespace shotsweep
