#include "base/cleanup_record.h"

#include <cerrno>
#include <unordered_map>
#include <unordered_set>

#include "base/text.h"

namespace shotsweep {
namespace {

constexpr std::string_view kHeader = "Shotsweep cleanup record 1";

struct ActionName {
  PlannedAction action;
  std::string_view name;
};
constexpr ActionName kActions[] = {{PlannedAction::Keep, "keep"},
                                   {PlannedAction::SetAside, "set-aside"},
                                   {PlannedAction::Delete, "delete"},
                                   {PlannedAction::Trash, "trash"}};

std::string_view NameOf(PlannedAction action) {
  for (const ActionName& entry : kActions) {
    if (entry.action == action) return entry.name;
  }
  return {};
}

std::optional<PlannedAction> ActionNamed(std::string_view name) {
  for (const ActionName& entry : kActions) {
    if (entry.name == name) return entry.action;
  }
  return std::nullopt;
}

// The tab-separated fields of a line.
std::vector<std::string_view> Fields(std::string_view line) {
  std::vector<std::string_view> fields;
  std::size_t start = 0;
  while (true) {
    const std::size_t tab = line.find('\t', start);
    fields.push_back(line.substr(start, tab == std::string_view::npos ? std::string_view::npos : tab - start));
    if (tab == std::string_view::npos) return fields;
    start = tab + 1;
  }
}

}  // namespace

bool LeavesFolder(PlannedAction action) { return action == PlannedAction::Delete || action == PlannedAction::Trash; }

bool IsRecordableName(std::string_view name) {
  if (name.empty() || name == "." || name == ".." || name.find('/') != std::string_view::npos) return false;
  for (char c : name) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x20 || byte == 0x7F) return false;
  }
  return true;
}

namespace {

// The first problem of the record and the entry that has it, counting the raw entries first
// and then the sidecars.
std::optional<std::pair<std::size_t, std::string>> FirstProblem(const CleanupRecord& record) {
  // Every name in one set: a name that stood for two files would make either the other.
  std::unordered_set<std::string_view> names;
  std::unordered_map<std::string_view, PlannedAction> leaving;  // ORIGINAL -> how it leaves
  std::optional<std::string> problem;
  auto add = [&](std::string_view name, std::string_view what) {
    if (!IsRecordableName(name)) {
      problem = std::string(what) + " \"" + EscapeControls(name) + "\" is no file name";
    } else if (!names.insert(name).second) {
      problem = std::string(what) + " \"" + std::string(name) + "\" is named twice";
    }
    return !problem;
  };
  std::size_t index = 0;
  for (const CleanupRecord::Raw& raw : record.raws) {
    if (!raw.original.empty() && !add(raw.original, "the original name")) return std::pair(index, *problem);
    if (!add(raw.aside, "the set-aside name")) return std::pair(index, *problem);
    if (LeavesFolder(raw.action)) leaving.emplace(raw.original, raw.action);
    ++index;
  }
  for (const CleanupRecord::Sidecar& sidecar : record.sidecars) {
    if (!add(sidecar.name, "the sidecar")) return std::pair(index, *problem);
    const auto owner = leaving.find(sidecar.owner);
    if (sidecar.owner.empty() || owner == leaving.end() || owner->second != sidecar.action) {
      return std::pair(index, "the sidecar \"" + std::string(sidecar.name) + "\" has no RAW file \"" +
                                  EscapeControls(sidecar.owner) + "\" that leaves as it does");
    }
    ++index;
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::string> CleanupRecordProblem(const CleanupRecord& record) {
  auto problem = FirstProblem(record);
  if (!problem) return std::nullopt;
  return std::move(problem->second);
}

std::string FormatCleanupRecord(const CleanupRecord& record) {
  std::string text(kHeader);
  text += kLineEnd;
  text += record.state == CleanupRecord::State::Running ? "state\trunning" : "state\tfinished";
  text += kLineEnd;
  for (const CleanupRecord::Raw& raw : record.raws) {
    text += "raw\t";
    text += NameOf(raw.action);
    text += '\t' + raw.original + '\t' + raw.aside;
    text += kLineEnd;
  }
  for (const CleanupRecord::Sidecar& sidecar : record.sidecars) {
    text += "sidecar\t";
    text += NameOf(sidecar.action);
    text += '\t' + sidecar.name + '\t' + sidecar.owner;
    text += kLineEnd;
  }
  return text;
}

std::optional<CommandError> ParseCleanupRecord(std::string_view text, CleanupRecord& record) {
  record = CleanupRecord();
  std::size_t number = 0;
  auto refuse = [&number](const std::string& why) {
    return CommandError{EINVAL, "line " + std::to_string(number) + " of the cleanup record: " + why};
  };
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    if (end == std::string_view::npos) return refuse("it is cut short (no line end)");
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);

    if (number == 1) {
      if (line != kHeader) return refuse("it does not begin with \"" + std::string(kHeader) + "\"");
      continue;
    }
    const std::vector<std::string_view> fields = Fields(line);
    if (number == 2) {
      if (fields.size() != 2 || fields[0] != "state" || (fields[1] != "running" && fields[1] != "finished")) {
        return refuse("\"state\" running or finished was expected");
      }
      record.state = fields[1] == "running" ? CleanupRecord::State::Running : CleanupRecord::State::Finished;
      continue;
    }
    const bool raw = !fields.empty() && fields[0] == "raw";
    if (fields.size() != 4 || (!raw && fields[0] != "sidecar")) {
      return refuse("a raw or sidecar entry of four fields was expected");
    }
    if (raw && !record.sidecars.empty()) return refuse("a raw entry after the sidecars");
    const std::optional<PlannedAction> action = ActionNamed(fields[1]);
    if (!action) return refuse("\"" + EscapeControls(fields[1]) + "\" is no action");
    if (raw) {
      record.raws.push_back({*action, std::string(fields[2]), std::string(fields[3])});
    } else {
      record.sidecars.push_back({*action, std::string(fields[2]), std::string(fields[3])});
    }
  }
  if (number < 2) {
    ++number;
    return refuse("it ends before its state");
  }
  if (auto problem = FirstProblem(record)) {
    number = 3 + problem->first;  // the entries begin on line 3
    return refuse(problem->second);
  }
  return std::nullopt;
}

}  // namespace shotsweep
