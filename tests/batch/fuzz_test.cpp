// Random and mutated script text must never crash or hang the interpreter, and never touch
// anything outside the folder it runs in.
//
// Why nothing outside can be reached: the alphabet has no "/", so no line can form an absolute
// path or a path of more than one component, and no ".." can form (see Harmless), so no line can
// climb out of the scratch folder, not even by repeated "cd". Variables expand only to names
// without either. Programs are never started: the runner only records the calls.

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "tests/batch/batch_test_run.h"
#include "tests/support/temp_folder.h"

namespace shotsweep::batch {
namespace {

namespace fs = std::filesystem;
using shotsweep::testing::Snapshot;
using shotsweep::testing::TempFolder;

const std::vector<std::string> kWords{
    "ren", "REN", "del", "Del", "copy", "cd", "chcp", "echo", "echo.", "rem", "@", "if", "exist", "not",
    "*.nef", "*.nbak", "*.*bak", "*.cr*", "*", "?", "a.nef", "A.NEF", "b c.nbak", "\"b c.nbak\"",
    "sub", "SUB", ">", ">>", "2>", ">&1", "nul", "%%", "%1", "%X%", "%", "&", "&&", "|", "^", ";", "=", ",",
    "(", ")", "\"", "é.nef", "É.NEF", "Σ.cr2", "\r", "\t", " ", "852", "0", ".", "exiv2.exe", "tool", "x.txt"};

std::string RandomLine(std::mt19937& random) {
  std::string line;
  const int words = 1 + static_cast<int>(random() % 6);
  for (int i = 0; i < words; ++i) {
    if (i > 0 && random() % 4 != 0) line += ' ';
    line += kWords[random() % kWords.size()];
  }
  return line;
}

std::string Mutate(std::string text, std::mt19937& random) {
  static const std::string alphabet = "abcNEF.*? \"%&^;=,<>|()\t\r\nxyz0123\xc3\xa9";
  const int edits = 1 + static_cast<int>(random() % 8);
  for (int i = 0; i < edits && !text.empty(); ++i) {
    const size_t at = random() % text.size();
    switch (random() % 3) {
      case 0: text[at] = alphabet[random() % alphabet.size()]; break;
      case 1: text.insert(at, 1, alphabet[random() % alphabet.size()]); break;
      default: text.erase(at, 1); break;
    }
  }
  return text;
}

// A ".." can also form from dots with something between them that later vanishes: quotes,
// carets, an unset variable or a lone percent sign (".\"\".", ".^.", ".%Q%.", ".%."). A dot that
// touches any of these or another dot is therefore replaced.
std::string Harmless(const std::string& text) {
  std::string out = text;
  auto risky = [](char c) { return c == '.' || c == '"' || c == '^' || c == '%'; };
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '.') continue;
    if ((i > 0 && risky(text[i - 1])) || (i + 1 < text.size() && risky(text[i + 1]))) out[i] = '_';
  }
  return out;
}

void Populate(const fs::path& scratch) {
  fs::create_directories(scratch / "sub");
  for (const char* f : {"a.nef", "B.NEF", "b c.nef", "trip.day1.nef", "x.cr2", "y.CRW", "z.arw", "w.orf", "v.cr3",
                        "notes.bak", "x.txt", "é.nef", "sub/inner.nef", "tool", "exiv2"}) {
    std::ofstream(scratch / f) << f;
  }
}

TEST(Fuzz, RandomScriptsStayInsideTheirFolder) {
  TempFolder root;
  // Levels around the scratch folder, each with something to lose.
  const fs::path outer = root.MakeDir("outer");
  root.Write("outer/sibling/a.nef", "sibling");
  root.Write("outer/x.txt", "outer");
  root.Write("a.nef", "root");
  const fs::path scratch = root.MakeDir("outer/scratch");
  const auto before = Snapshot(root.path());

  testing::RecordingRunner runner;
  testing::RunSettings settings;
  settings.runner = &runner;
  settings.environment = [](std::string_view name) -> std::optional<std::string> {
    if (name == "X") return std::string("a b.nef");
    return std::nullopt;  // no PATH, no HOME: nothing names a place outside
  };
  settings.args = {"script.bat", "*.nef"};

  std::mt19937 random(77);
  for (const std::string& word : kWords) ASSERT_EQ(word.find('/'), std::string::npos) << word;
  const std::string seed =
      "chcp 852\r\ncd " + scratch.filename().string() + "\r\nren *.nef *.nbak\r\nren a.nbak a.nef\r\n"
      "ren \"b c.nbak\" \"b c.nef\"\r\nif exist x.txt exiv2.exe a.nef -pv >x.txt\r\ncopy a.nef sub /Y\r\n"
      "del *.nbak\r\n";
  ::alarm(600);  // a hang ends the test instead of the whole run
  for (int round = 0; round < 400; ++round) {
    fs::remove_all(scratch);
    Populate(scratch);
    std::string script;
    if (round % 2 == 0) {
      const int lines = 1 + static_cast<int>(random() % 12);
      for (int i = 0; i < lines; ++i) script += RandomLine(random) + (random() % 5 ? "\r\n" : "\n");
    } else {
      script = Mutate(seed, random);
    }
    script = Harmless(script);
    const testing::ScriptResult result = RunScript(script, scratch.string(), settings);
    (void)result;
    auto after = Snapshot(root.path());
    std::erase_if(after, [](const auto& entry) { return entry.first.starts_with("outer/scratch/"); });
    auto expected = before;
    ASSERT_EQ(after, expected) << "round " << round << ", script:\n" << script;
  }
  ::alarm(0);
  for (const ProgramCall& call : runner.calls) {
    EXPECT_TRUE(call.program.starts_with(scratch.string() + "/")) << call.program;
  }
}

}  // namespace
}  // namespace shotsweep::batch
