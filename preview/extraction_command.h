#pragma once
// The Export menu's one command: write "Extr.bat" in the start folder, run it in a window
// that shows its output, and report.

#include "port/command_port.h"

namespace shotsweep {

// Extract4_Mnu: a JPG per RAW file of Dir1, made from its embedded preview and carrying its
// EXIF data, lands in Dir2. Returns once the script has ended and the user closed the box.
void ExtractPreviews(CommandContext& ctx);

}  // namespace shotsweep
