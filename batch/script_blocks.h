#pragma once
// A script cut into blocks that may run side by side, and the order some of them must keep.
//
// A block ends at a "REM" line of 68 asterisks (and the empty line after it): the extraction
// script has one per RAW file. The script's first line comes before the first block and runs
// first, alone; whatever follows the last block runs last, alone. Blocks that name a common
// file must run one after the other, in script order; so must all of them when one changes
// what the lines after it see (a "cd", "echo off", "chcp N" or "exit" line). Pure functions:
// they read the lines, never the disk.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "batch/line_parser.h"

namespace shotsweep::batch {

struct LineRange {
  std::size_t begin = 0;
  std::size_t end = 0;  // one past the last line
};

struct ScriptBlocks {
  LineRange before;  // the lines before the first block
  std::vector<LineRange> blocks;
  LineRange after;   // the lines after the last block
};

// Without a separator line the whole script is `before`, and there is no block.
ScriptBlocks SplitIntoBlocks(const std::vector<ScriptLine>& lines);

// A file, or the files of a pattern, a line names: its path folded as the interpreter compares
// names. For a pattern, only the part before its first wildcard, which every name it matches
// starts with.
struct NamedFile {
  std::string key;
  bool pattern = false;
};

struct BlockNames {
  std::vector<NamedFile> files;
  bool changesState = false;  // a line changes the folder, echo, code page or ends the script
};

// What the lines [range) name as a "copy", "del" or "ren" operand, a redirection target or an
// "if exist" path, with percents expanded as the interpreter expands them and relative paths
// taken from `cwd`. Programs are not looked into: their own arguments do not count.
BlockNames NamesInBlock(const std::vector<ScriptLine>& lines, LineRange range, std::string_view cwd,
                        const std::vector<std::string>& args, const EnvironmentLookup& environment);

// For each block, the earlier blocks it must wait for: for each file it names, the last one
// before it that named it (which waited for those before). A block whose names meet too many
// earlier ones to look through waits for every block before it (`waitsForAll`).
struct BlockOrder {
  std::vector<std::vector<std::size_t>> waitsFor;
  std::vector<bool> waitsForAll;
};
BlockOrder OrderOfBlocks(const std::vector<BlockNames>& names);

}  // namespace shotsweep::batch
