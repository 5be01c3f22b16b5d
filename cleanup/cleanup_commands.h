#pragma once
// The two cleanup commands of the main window. Each brings the RAW folder (Dir1) into line
// with a set of JPG names: every RAW file of the five kinds without a JPG twin is deleted, or
// set aside when Bak is ticked. The file work is done by two generated scripts run through
// ctx.runner; the commands talk to the user only through ctx.dialogs.

#include <string>

#include "port/command_port.h"
#include "settings/module1.h"

namespace shotsweep {

// DelRAWBtn: the JPG names are the entries of File2.
void DeleteUnmatchedByJpgFolder(CommandContext& ctx);

// DelRAWbyTXTBtn: the JPG names are the lines of a photo list the user picks.
void DeleteUnmatchedByPhotoList(CommandContext& ctx);

// "Restore set-aside RAW files": every file in Dir1's folder that carries an aside extension
// (".nbak", and those of the extra kinds) gets its RAW extension back, through a generated
// script run by the interpreter. A file whose RAW name is taken stays set aside, nothing is
// overwritten, and the error box names it.
void RestoreSetAside(CommandContext& ctx);

// Whether `folder` shows a cleanup that did not get to its end as the program saw it: files
// set aside beside the pairing record, which every cleanup deletes when its scripts are done,
// or, with KillBat 1, beside the cleanup scripts.
bool LooksInterrupted(FileSystem& fs, const std::string& folder, const Settings& settings);

}  // namespace shotsweep
