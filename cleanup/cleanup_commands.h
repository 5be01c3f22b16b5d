#pragma once
// The two cleanup commands of the main window. Each brings the RAW folder (Dir1) into line
// with a set of JPG names: every RAW file of the five kinds without a JPG twin is deleted, or
// set aside when Bak is ticked. The file work is done by two generated scripts run through
// ctx.runner; the commands talk to the user only through ctx.dialogs.

#include "port/command_port.h"

namespace shotsweep {

// DelRAWBtn: the JPG names are the entries of File2.
void DeleteUnmatchedByJpgFolder(CommandContext& ctx);

// DelRAWbyTXTBtn: the JPG names are the lines of a photo list the user picks.
void DeleteUnmatchedByPhotoList(CommandContext& ctx);

}  // namespace shotsweep
