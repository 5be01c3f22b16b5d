#pragma once
// What a command gives back: done, or the errors that stopped it, and notes on what it did
// otherwise than asked. Whoever started it shows the result its own way: the window as boxes,
// shotsweep-cli on standard error and in its exit status.

#include <cstddef>
#include <string>
#include <vector>

#include "base/errors.h"

namespace shotsweep {

struct Note {
  std::string text;
  std::vector<std::string> files;  // the files it concerns, when it names any
};

struct CommandResult {
  // Each as the "Error" box shows it, in the order they arose.
  std::vector<CommandError> errors;
  std::vector<Note> notes;
  // The command did what it was asked ("Operation done"). A file of its own that it could not
  // tidy away is an error all the same, and may have arisen before or after that.
  bool completed = false;
  std::size_t errorsBeforeDone = 0;  // of `errors`, those that arose before it was done

  bool done() const { return completed; }

  // A result that failed with one error.
  static CommandResult Failed(CommandError error) {
    CommandResult result;
    result.errors.push_back(std::move(error));
    return result;
  }
  void MarkDone() {
    completed = true;
    errorsBeforeDone = errors.size();
  }
};

}  // namespace shotsweep
