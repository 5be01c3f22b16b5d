#pragma once
// What a cleanup checks in the RAW folder before it writes or starts anything.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/errors.h"

namespace shotsweep {

// Groups of names in one folder that the renaming script would give the same set-aside name,
// compared as the interpreter compares names: RAW files whose names differ only in case
// (DSC_1.NEF, dsc_1.nef), or a RAW file beside a set-aside file of its own name (DSC_1.nef,
// DSC_1.nbak). The interpreter refuses the second rename of such a group, so which file
// survived the cleanup would be an accident. Each group lists its names sorted; groups are
// sorted by their first name.
std::vector<std::vector<std::string>> SetAsideClashes(const std::vector<std::string>& names);

// Reads the RAW folder into `names` (its files) and refuses a cleanup there: the folder cannot
// be read, or it holds names that clash when set aside. Nothing is changed.
std::optional<CommandError> CheckRawFolder(const std::string& folder, std::vector<std::string>& names);

// The stems (names without their RAW extension) of RAW files with more than one dot that a
// listed JPG pairs by its base name although no restore line for the JPG names them: the
// preview extraction names the JPG of trip.day1.nef "trip.jpg", and culling those JPGs must not
// cost the RAW file. Only JPG names with a single dot after their base count, so trip.day1.jpg
// keeps trip.day1.nef alone and not trip.day2.nef. Names compare as the interpreter compares
// them; folder parts of listed names do not count.
std::vector<std::string> StemsPairedByFirstDot(const std::vector<std::string>& rawNames,
                                               const std::vector<std::string>& jpgNames);

}  // namespace shotsweep
