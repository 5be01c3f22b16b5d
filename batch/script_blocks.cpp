#include "batch/script_blocks.h"

#include <algorithm>
#include <map>

#include "base/case_folding.h"
#include "batch/command_parser.h"
#include "batch/directory_index.h"

namespace shotsweep::batch {
namespace {

// "REM " and 68 asterisks, in any case, blanks after it allowed.
bool IsSeparator(std::string_view text) {
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  constexpr std::size_t kStars = 68;
  if (text.size() != 4 + kStars || (text[0] | 0x20) != 'r' || (text[1] | 0x20) != 'e' || (text[2] | 0x20) != 'm' ||
      text[3] != ' ') {
    return false;
  }
  return text.find_first_not_of('*', 4) == std::string_view::npos;
}

class NameCollector {
 public:
  NameCollector(std::string_view cwd, BlockNames& names) : cwd_(cwd), names_(names) {}

  void Add(std::string_view written) {
    if (written.empty()) return;
    const std::string folded = FoldCase(NormalizePath(cwd_, written));
    auto [dir, name] = SplitLastView(folded);
    const std::size_t wildcard = name.find_first_of("*?");
    NamedFile file;
    file.pattern = wildcard != std::string_view::npos;
    if (file.pattern) {
      name = name.substr(0, wildcard);
      // A dot right before a wildcard may also stand for the end of the name ("x.*" takes "x").
      if (name.ends_with('.')) name.remove_suffix(1);
    } else {
      // Trailing dots and blanks are not part of a name the interpreter makes.
      while (name.ends_with('.') || name.ends_with(' ')) name.remove_suffix(1);
    }
    file.key = file.pattern || !name.empty() ? JoinPath(dir, name) : std::string(dir);
    names_.files.push_back(std::move(file));
  }

  // The name a "ren" line gives: in the source's folder.
  void AddRenamed(std::string_view source, std::string_view target) {
    Add(JoinPath(SplitLastView(NormalizePath(cwd_, source)).first, target));
  }

 private:
  std::string_view cwd_;
  BlockNames& names_;
};

}  // namespace

ScriptBlocks SplitIntoBlocks(const std::vector<ScriptLine>& lines) {
  ScriptBlocks parts;
  const std::size_t count = lines.size();
  std::size_t begin = std::min<std::size_t>(1, count);
  for (std::size_t i = 0; i < count; ++i) {
    if (!IsSeparator(lines[i].text)) continue;
    if (i == 0) begin = 0;
    std::size_t end = i + 1;
    if (end < count && lines[end].text.empty()) ++end;
    parts.blocks.push_back({begin, end});
    begin = end;
    i = end - 1;
  }
  if (parts.blocks.empty()) begin = count;
  parts.before = {0, parts.blocks.empty() ? count : parts.blocks.front().begin};
  parts.after = {begin, count};
  return parts;
}

BlockNames NamesInBlock(const std::vector<ScriptLine>& lines, LineRange range, std::string_view cwd,
                        const std::vector<std::string>& args, const EnvironmentLookup& environment) {
  BlockNames names;
  NameCollector collect(cwd, names);
  Expansion expansion;
  LexedLine lexed;
  Command command;
  for (std::size_t i = range.begin; i < range.end; ++i) {
    std::string_view text = lines[i].text;
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t' || text.front() == '@')) text.remove_prefix(1);
    if (lines[i].refused || text.empty() || text.front() == ':') continue;
    ExpandPercents(text, args, environment, expansion);
    if (expansion.unsupported) continue;
    Lex(expansion.text, lexed);
    if (lexed.unsupported || lexed.syntaxError) continue;
    ParseCommand(lexed, command);
    for (const Condition& condition : command.conditions) collect.Add(condition.path);
    const std::vector<std::string>& operands = command.arguments;
    switch (command.verb) {
      case Verb::Cd:
      case Verb::Exit:
        names.changesState = true;
        break;
      case Verb::Chcp:
        names.changesState |= !operands.empty();
        break;
      case Verb::Echo:
        names.changesState |= command.echo == Command::EchoAction::On || command.echo == Command::EchoAction::Off;
        break;
      case Verb::Copy:
        for (const std::string& operand : operands) collect.Add(operand);
        if (operands.size() == 1) collect.Add(".");  // copied into the working folder
        break;
      case Verb::Del:
        for (const std::string& operand : operands) collect.Add(operand);
        break;
      case Verb::Ren:
        if (operands.size() != 2) break;
        collect.Add(operands[0]);
        collect.AddRenamed(operands[0], operands[1]);
        break;
      default:
        break;
    }
    for (const Redirection& r : command.redirections) {
      if (r.duplicateOf == 0 && FoldCase(r.target) != "nul") collect.Add(r.target);
    }
  }
  return names;
}

BlockOrder OrderOfBlocks(const std::vector<BlockNames>& names) {
  // For each key, the last block that named it as a file and as a pattern: a later block that
  // meets it waits for that one, which waited for those before it.
  struct Last {
    long file = -1;
    long pattern = -1;
  };
  std::map<std::string, Last, std::less<>> seen;
  constexpr std::size_t kMostToLookThrough = 256;

  BlockOrder order;
  order.waitsFor.resize(names.size());
  order.waitsForAll.resize(names.size());
  for (std::size_t block = 0; block < names.size(); ++block) {
    std::vector<std::size_t>& waits = order.waitsFor[block];
    std::size_t looked = 0;
    const auto take = [&waits](long earlier) {
      if (earlier >= 0) waits.push_back(static_cast<std::size_t>(earlier));
    };
    // Every key that starts with `prefix`: what a pattern may match, what lies in a folder.
    const auto takeStartingWith = [&](std::string_view prefix) {
      for (auto it = seen.lower_bound(prefix); it != seen.end() && it->first.starts_with(prefix); ++it) {
        if (++looked > kMostToLookThrough) {
          order.waitsForAll[block] = true;
          return;
        }
        take(it->second.file);
        take(it->second.pattern);
      }
    };
    for (const NamedFile& file : names[block].files) {
      if (order.waitsForAll[block]) break;
      const std::string_view key = file.key;
      if (file.pattern) {
        takeStartingWith(key);
      } else {
        if (const auto it = seen.find(key); it != seen.end()) take(it->second.file);
        takeStartingWith(std::string(key) + "/");
      }
      // A pattern whose start `key` starts with may match it; a folder above it holds it.
      for (std::size_t length = 0; length <= key.size(); ++length) {
        const auto it = seen.find(key.substr(0, length));
        if (it == seen.end()) continue;
        take(it->second.pattern);
        if (length < key.size() && key[length] == '/') take(it->second.file);
      }
    }
    for (const NamedFile& file : names[block].files) {
      Last& last = seen[file.key];
      (file.pattern ? last.pattern : last.file) = static_cast<long>(block);
    }
    if (order.waitsForAll[block]) waits.clear();
    std::sort(waits.begin(), waits.end());
    waits.erase(std::unique(waits.begin(), waits.end()), waits.end());
  }
  return order;
}

}  // namespace shotsweep::batch
