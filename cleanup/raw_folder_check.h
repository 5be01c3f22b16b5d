#pragma once
// What a cleanup checks in the RAW folder before it writes or starts anything: every reason
// its scripts could not do all their work there that can be known in advance.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"
#include "base/file_names.h"
#include "fs/file_system.h"

namespace shotsweep {

// One entry of the RAW folder as the interpreter sees it: a folder (or a link to one), which
// no wildcard of a script takes, or anything else, which the renaming script sets aside when
// it carries a RAW extension.
struct FolderEntry {
  std::string name;
  bool isFolder = false;
};

struct RawFolderListing {
  std::vector<FolderEntry> entries;
  std::size_t nameMax = 255;  // the longest file name the folder's file system takes, in bytes
};

// Reads the RAW folder; an error when it cannot be read whole, or when nothing in it could be
// renamed or deleted (no write permission).
std::optional<CommandError> ReadRawFolder(FileSystem& fs, const std::string& folder, RawFolderListing& listing);

// Whether a file name carries the aside extension of one of `kinds` (".nbak", ...), compared
// as the interpreter compares names.
bool IsSetAsideName(std::string_view name, const std::vector<RawKind>& kinds = DefaultRawKinds());
// Whether it carries a RAW or an aside extension of one of `kinds`: a file the cleanup scripts
// touch.
bool IsRawOrSetAsideName(std::string_view name, const std::vector<RawKind>& kinds);

// Groups of names in one folder that the renaming script would give the same set-aside name,
// compared as the interpreter compares names: RAW files whose names differ only in case
// (DSC_1.NEF, dsc_1.nef), or a RAW file beside a set-aside file of its own name (DSC_1.nef,
// DSC_1.nbak). The interpreter refuses the second rename of such a group, so which file
// survived the cleanup would be an accident. Each group lists its names sorted; groups are
// sorted by their first name.
std::vector<std::vector<std::string>> SetAsideClashes(const std::vector<std::string>& names,
                                                      const std::vector<RawKind>& kinds = DefaultRawKinds());

// Refuses a cleanup whose scripts would fail on a file of the folder, so that nothing is
// touched: names that clash when set aside; a set-aside name longer than `nameMax` bytes; a
// folder holding the name a file would be set aside under, or the name a restore line for one
// of `keptBases` would give a set-aside file back.
std::optional<CommandError> CheckRawFolder(const RawFolderListing& listing, const std::vector<std::string>& keptBases,
                                           const std::vector<RawKind>& kinds = DefaultRawKinds());

// The stems (names without their RAW extension) of RAW files with more than one dot that a
// listed JPG pairs by its base name although no restore line for the JPG names them: the
// preview extraction names the JPG of trip.day1.nef "trip.jpg", and culling those JPGs must not
// cost the RAW file. Only JPG names with a single dot after their base count, so trip.day1.jpg
// keeps trip.day1.nef alone and not trip.day2.nef. Names compare as the interpreter compares
// them; folder parts of listed names do not count, and with `trimLeadingBlanks` neither do
// the blanks a photo-list line begins with.
std::vector<std::string> StemsPairedByFirstDot(const std::vector<std::string>& rawNames,
                                               const std::vector<std::string>& jpgNames, char sep,
                                               bool trimLeadingBlanks,
                                               const std::vector<RawKind>& kinds = DefaultRawKinds());

}  // namespace shotsweep
