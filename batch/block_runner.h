#pragma once
// A script run in blocks on several workers at once (`shotsweep-batch --jobs N`): the
// extraction script's blocks, one per RAW file, spend most of their time in exiv2 and exiftool,
// and each worker keeps programs of its own running.
//
// The lines before the first block run first, the blocks then on up to N workers, the lines
// after the last block at the end (see script_blocks.h for what a block is and which must keep
// their order). Each worker is an interpreter of its own, with its own folder indexes and its
// own program runner (so its own exiftool session). Each block's output is kept until every
// block before it has been written, so the output reads as a run of one line after another
// would write it; the same goes for the block's reports (base/progress_protocol.h). Progress
// counts lines as blocks end.

#include "batch/external_program.h"
#include "batch/interpreter.h"
#include "batch/output.h"
#include "fs/file_system.h"

namespace shotsweep::batch {

// Runs `script` in blocks on up to options.jobs workers. `options` are those of every
// interpreter of the run; its progress descriptor and failure callback are served in script
// order. `runner` runs the programs of the lines before and after the blocks; `fileSystem` must
// bear calls from several threads. Returns the exit status: an "exit" line's number;
// kStoppedStatus when options.stop left something out; else 1 when a line failed, 0 when none
// did.
int RunInBlocks(const ScriptText& script, const InterpreterOptions& options, Output& output,
                ExternalProgramRunner& runner, FileSystem& fileSystem);

}  // namespace shotsweep::batch
