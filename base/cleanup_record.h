#pragma once
// The cleanup record: what a cleanup planned for each file of the RAW folder, written there by
// the command before the interpreter renames anything, and rewritten by the interpreter with
// what is still set aside once it has run. From it the interpreter gives a set-aside file back
// its exact name, also after a run that was killed, and touches nothing the plan does not name.
//
//   Shotsweep cleanup record 1
//   state<TAB>running                     or finished
//   raw<TAB>ACTION<TAB>ORIGINAL<TAB>ASIDE    ACTION: keep, set-aside, delete or trash
//   sidecar<TAB>ACTION<TAB>NAME<TAB>OWNER    ACTION: delete or trash; OWNER: the ORIGINAL of its RAW file
//
// Lines end in CR LF (LF alone is read too). Names are bare names in the record's folder, byte
// for byte; ORIGINAL is empty for a file an older run set aside without a record. Every raw
// line comes before the first sidecar line. Nothing else is read: a record that is cut short,
// of another version or ambiguous is refused whole, since a cleanup run on half a plan could
// delete what the other half keeps.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/errors.h"

namespace shotsweep {

inline constexpr std::string_view kCleanupRecordName = "RAWnames.txt";

enum class PlannedAction { Keep, SetAside, Delete, Trash };

// Delete and Trash: the file leaves the folder for good, and its sidecars with it.
bool LeavesFolder(PlannedAction action);

struct CleanupRecord {
  // Running from the moment the command writes the plan until the interpreter has finished:
  // a record still running tells a later start that a cleanup was cut short.
  enum class State { Running, Finished };
  struct Raw {
    PlannedAction action = PlannedAction::Keep;
    std::string original;  // the name before it was set aside; empty when not known
    std::string aside;     // the name while set aside
    bool operator==(const Raw&) const = default;
  };
  // A file that belongs to a RAW file (its .xmp) and leaves with it.
  struct Sidecar {
    PlannedAction action = PlannedAction::Delete;  // Delete or Trash, as its RAW file
    std::string name;
    std::string owner;  // the ORIGINAL of its RAW file
    bool operator==(const Sidecar&) const = default;
  };

  State state = State::Running;
  std::vector<Raw> raws;
  std::vector<Sidecar> sidecars;
  bool operator==(const CleanupRecord&) const = default;
};

// Whether `name` can stand in a record as a file name: not empty, no "/", no control
// character, not "." or "..".
bool IsRecordableName(std::string_view name);

// Why `record` cannot be written so that it reads back as itself: a name that is not
// recordable, a name given twice, a sidecar without a RAW file that leaves (or leaving
// otherwise than it). nullopt when it can.
std::optional<std::string> CleanupRecordProblem(const CleanupRecord& record);

std::string FormatCleanupRecord(const CleanupRecord& record);

// Reads a record's text into `record`; the error (EINVAL, naming the line) when it is not what
// FormatCleanupRecord writes for a record without a problem (LF line ends aside).
std::optional<CommandError> ParseCleanupRecord(std::string_view text, CleanupRecord& record);

}  // namespace shotsweep
