#pragma once
// Which files of the RAW folder belong to a RAW file as its sidecars: the edits and ratings a
// photo program keeps beside it. For a RAW file S.E (any configured sidecar extension k, in any
// case): S.E.k; S.xmp; and S_NN.E.xmp, a duplicate version, when no RAW file S_NN.E is there.
// A file that more than one RAW file could own stays with the one that stays: nothing a kept
// file may use is ever taken away with another.

#include <cstddef>
#include <string>
#include <vector>

namespace shotsweep {

// A RAW file of the folder and what the cleanup does to it.
struct SidecarOwner {
  enum Fate { Kept, SetAside, Leaves };
  std::string name;     // its RAW name, exact; empty when it is set aside and the name is not known
  std::string present;  // its name in the folder when the cleanup reads it
  Fate fate = Kept;
};

struct FoundSidecar {
  std::string name;
  std::size_t owner;  // index into the owners; never a Kept one
};

// The sidecars in `files` (the RAW folder's file names, folders left out) of the owners that
// are set aside or leave, in the order of `files`. `kinds` are lower-case extensions without a
// dot; "xmp" among them also brings the S.xmp and S_NN.E.xmp forms. Never a sidecar: a file
// that is itself one of the owners, one a Kept owner (or a set-aside one whose name is not
// known) may own, an S.xmp beside a JPG file S.jpg/.jpeg/.jpe, and a file whose name only
// begins like a sidecar's (S.E.xmp.txt).
std::vector<FoundSidecar> FindSidecars(const std::vector<std::string>& files,
                                       const std::vector<SidecarOwner>& owners,
                                       const std::vector<std::string>& kinds);

}  // namespace shotsweep
