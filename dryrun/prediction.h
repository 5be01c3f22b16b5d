#pragma once
// A dry run of a command: the command runs exactly as it would, its checks, its scripts and
// the interpreter that carries them out all the same, but every file it writes and every change
// its scripts make stay in memory over a view of the folder. What happened there to the RAW
// files is the prediction, so prediction and real run cannot drift apart.

#include <string>
#include <vector>

#include "port/command_port.h"

namespace shotsweep {

struct PredictedFile {
  enum Action { Keep, SetAside, Delete, Trash } action;
  std::string name;     // as it is now
  std::string newName;  // as it would end; empty when it would be deleted or trashed
};

struct Prediction {
  std::vector<PredictedFile> files;  // every RAW file the scripts would touch, by name
  bool ran = false;                  // whether the scripts ran at all
  // The "Error" box the real run would end with; empty when it would end with "Operation done".
  std::string error;
  // The photo list the command was given, to carry out exactly the cleanup that was predicted.
  std::string listPath;
  int rawFilesInFolder = 0;  // RAW files, set aside or not, in the folder before the run
  int Count(PredictedFile::Action action) const;
};

using Command = void (*)(CommandContext&);

// Runs `command` as a dry run. The command reads the window and asks `dialogs` for what it
// needs (the photo list); the boxes it shows are caught, not shown. `module` is not changed.
// Nothing is written to `fs`: it is only read, as the command reads it.
Prediction Predict(Command command, const Module1& module, CommandWindow& window, Dialogs& dialogs, FileSystem& fs);

// The prediction as lines "ACTION<TAB>NAME<TAB>NEW NAME", ACTION one of keep, set-aside,
// delete or trash, and a last line beginning with "#" that sums them up.
std::string FormatPrediction(const Prediction& prediction);

}  // namespace shotsweep
