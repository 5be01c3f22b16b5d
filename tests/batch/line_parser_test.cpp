#include "batch/line_parser.h"

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <unistd.h>

#include <map>
#include <random>

#include "base/files.h"
#include "base/unique_fd.h"
#include "batch/script_reader.h"

namespace shotsweep::batch {
namespace {

std::vector<std::string> Texts(std::string_view script) {
  std::vector<std::string> out;
  for (const ScriptLine& line : SplitLines(script)) out.push_back(line.refused ? "<refused>" : std::string(line.text));
  return out;
}

TEST(LineSplitting, LinesEndAtLfOrCrLfAndAStrayCrRefusesItsLine) {
  EXPECT_EQ(Texts("a\r\nb\r\n"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Texts("a\nb"), (std::vector<std::string>{"a", "b"}));
  EXPECT_EQ(Texts("a\r\n\r\nb"), (std::vector<std::string>{"a", "", "b"}));
  EXPECT_EQ(Texts("a\r\r\n"), (std::vector<std::string>{"a"}));
  EXPECT_EQ(Texts(""), std::vector<std::string>{});
  EXPECT_EQ(Texts("\xEF\xBB\xBF" "chcp 852\r\n"), std::vector<std::string>{"chcp 852"});
  // Old Mac line ends would run the lines together into one command: refused, not guessed.
  EXPECT_EQ(Texts("del a.nbak\rdel b.nbak\r\nren x y"), (std::vector<std::string>{"<refused>", "ren x y"}));
  EXPECT_EQ(Texts(std::string("del a\0b\n", 8)), std::vector<std::string>{"<refused>"});
}

// A script read from a file a piece at a time is the script split whole: the same lines, the
// same refusals, the same count, also for lines longer than a piece and a mark at the start.
TEST(LineSplitting, AFileReadAsItRunsGivesTheLinesOfTheWholeText) {
  std::mt19937 random(21);
  const std::vector<std::string> parts = {"ren a b", "\r\n", "\n", "\r", std::string(1, '\0'), "x",
                                          std::string(3 << 20, 'L'), "\xEF\xBB\xBF"};
  for (int round = 0; round < 40; ++round) {
    std::string text = round % 3 == 0 ? "\xEF\xBB\xBF" : "";
    const int count = std::uniform_int_distribution<int>(0, 12)(random);
    for (int i = 0; i < count; ++i) {
      const std::size_t pick = std::uniform_int_distribution<std::size_t>(0, parts.size() - 1)(random);
      if (pick == 6 && round % 4 != 0) continue;  // the long line now and then
      text += parts[pick];
    }
    SCOPED_TRACE(round);
    const UniqueFd fd(::memfd_create("script", MFD_CLOEXEC));
    ASSERT_FALSE(WriteAll(fd.get(), text));
    std::optional<CommandError> error;
    EXPECT_EQ(CountFileLines(fd.get(), error), CountLines(text));
    const std::vector<ScriptLine> whole = SplitLines(text);
    FileLineReader reader(fd.get());
    std::size_t n = 0;
    for (ScriptLine line; reader.Next(line); ++n) {
      ASSERT_LT(n, whole.size());
      EXPECT_EQ(line.text, whole[n].text);
      EXPECT_EQ(line.refused == nullptr, whole[n].refused == nullptr);
    }
    EXPECT_EQ(n, whole.size());
    EXPECT_FALSE(reader.error());
  }
}

std::string Expand(std::string_view line) {
  const std::map<std::string, std::string, std::less<>> env{{"RAW", "/photos/raw"}, {"EMPTY", ""}};
  auto lookup = [&](std::string_view name) -> std::optional<std::string> {
    auto it = env.find(name);
    if (it == env.end()) return std::nullopt;
    return it->second;
  };
  const Expansion e = ExpandPercents(line, {"script.bat", "one", "two"}, lookup);
  return e.unsupported ? "<unsupported>" : e.text;
}

TEST(PercentExpansion, DoublePercentVariablesAndArguments) {
  EXPECT_EQ(Expand("ren \"a%%b.nbak\" \"a%%b.nef\""), "ren \"a%b.nbak\" \"a%b.nef\"");
  EXPECT_EQ(Expand("cd %RAW%"), "cd /photos/raw");
  EXPECT_EQ(Expand("x%UNSET%y"), "xy");
  EXPECT_EQ(Expand("x%EMPTY%y"), "xy");
  EXPECT_EQ(Expand("%0 %1 %2 %3"), "script.bat one two ");
  EXPECT_EQ(Expand("echo %*"), "echo one two");
  EXPECT_EQ(Expand("echo 50%"), "echo 50");
  EXPECT_EQ(Expand("echo 5% off"), "echo 5 off");  // a lone percent sign is dropped
  EXPECT_EQ(Expand("echo 100%%"), "echo 100%");
  EXPECT_EQ(Expand("echo %~dp0"), "<unsupported>");
  EXPECT_EQ(Expand("echo %RAW:~0,3%"), "<unsupported>");
}

TEST(Lexing, QuotesCaretsAndRedirections) {
  auto tokens = [](std::string_view line) {
    LexedLine lexed = Lex(line);
    std::vector<std::string> out;
    Cursor cursor(lexed.chars);
    for (std::string t = cursor.Token(); !t.empty(); t = cursor.Token()) out.push_back(t);
    return out;
  };
  EXPECT_EQ(tokens("ren \"/my photos/*.nef\" *.nbak"), (std::vector<std::string>{"ren", "/my photos/*.nef", "*.nbak"}));
  EXPECT_EQ(tokens("del a,b;c=d"), (std::vector<std::string>{"del", "a", "b", "c", "d"}));
  EXPECT_EQ(tokens("ren \"a&b;c.nbak\" x"), (std::vector<std::string>{"ren", "a&b;c.nbak", "x"}));
  EXPECT_EQ(tokens("ren a^&b.nbak x"), (std::vector<std::string>{"ren", "a&b.nbak", "x"}));
  EXPECT_EQ(tokens("del \"/a b\"/c.txt"), (std::vector<std::string>{"del", "/a b/c.txt"}));

  struct Case {
    const char* line;
    int handle;
    bool append;
    const char* target;
    const char* rest;
  };
  const Case cases[] = {
      {"exiv2 x.nef -pv >/j/x.txt", 1, false, "/j/x.txt", "exiv2 x.nef -pv "},
      {"exiv2 x.nef -pv > /j/x.txt", 1, false, "/j/x.txt", "exiv2 x.nef -pv "},
      {"exiv2 x.nef -pv >\"/my j/x.txt\"", 1, false, "/my j/x.txt", "exiv2 x.nef -pv "},
      {"echo hi>>log.txt", 1, true, "log.txt", "echo hi"},
      {"tool 2>nul", 2, false, "nul", "tool "},
      {">out.txt echo hi", 1, false, "out.txt", " echo hi"},
      {"echo a2>b", 1, false, "b", "echo a2"},  // a digit inside a word is not a handle
  };
  for (const Case& c : cases) {
    LexedLine lexed = Lex(c.line);
    ASSERT_EQ(lexed.redirections.size(), 1u) << c.line;
    EXPECT_EQ(lexed.redirections[0].handle, c.handle) << c.line;
    EXPECT_EQ(lexed.redirections[0].append, c.append) << c.line;
    EXPECT_EQ(lexed.redirections[0].target, c.target) << c.line;
    EXPECT_EQ(Cursor(lexed.chars).Rest(), c.rest) << c.line;
  }
  EXPECT_EQ(Lex("tool 2>&1").redirections.at(0).duplicateOf, 1);
  EXPECT_TRUE(Lex("echo \"a > b\"").redirections.empty());
  EXPECT_TRUE(Lex("echo a ^> b").redirections.empty());
  EXPECT_TRUE(Lex("echo >").syntaxError);
}

TEST(Lexing, RefusesWhatItCannotRunWhole) {
  for (const char* line : {"del a & del b", "del a && del b", "dir | more", "del a || del b", "sort < x",
                           "del a.nbak ^", "tool 3>x"}) {
    EXPECT_TRUE(Lex(line).unsupported) << line;
  }
  for (const char* line : {"ren \"a&b\" c", "ren a^&b c", "echo \"|<>\""}) EXPECT_FALSE(Lex(line).unsupported) << line;
}

TEST(CommandLineSplitting, FollowsTheArgvRulesOfWindowsPrograms) {
  using V = std::vector<std::string>;
  EXPECT_EQ(SplitCommandLine("-f -ep2,3,4 /raw/x.nef"), (V{"-f", "-ep2,3,4", "/raw/x.nef"}));
  EXPECT_EQ(SplitCommandLine("  \"/my raw/x.nef\"  -pv "), (V{"/my raw/x.nef", "-pv"}));
  EXPECT_EQ(SplitCommandLine("-all= -tagsfromfile \"/r/a b.nef\" -exif:all /j/a.jpg"),
            (V{"-all=", "-tagsfromfile", "/r/a b.nef", "-exif:all", "/j/a.jpg"}));
  EXPECT_EQ(SplitCommandLine("a\"b c\"d"), (V{"ab cd"}));
  EXPECT_EQ(SplitCommandLine("\"\" x"), (V{"", "x"}));
  EXPECT_EQ(SplitCommandLine("a\\\\b"), (V{"a\\\\b"}));        // backslashes alone stay
  EXPECT_EQ(SplitCommandLine("a\\\"b"), (V{"a\"b"}));          // \" is a quote
  EXPECT_EQ(SplitCommandLine("\"a\\\\\" b"), (V{"a\\", "b"}));  // \\" is one backslash, then a quote
  EXPECT_EQ(SplitCommandLine("\"a\"\"b\""), (V{"a\"b"}));      // "" inside quotes is a quote
  EXPECT_EQ(SplitCommandLine("\"unclosed arg"), (V{"unclosed arg"}));
}

}  // namespace
}  // namespace shotsweep::batch
