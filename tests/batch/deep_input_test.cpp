// Lines of any length and nesting: each runs, or is refused with a message, and the script
// goes on. Nothing a script holds may decide how deep the interpreter's stack grows.

#include <gtest/gtest.h>

#include <string>

#include "fs/memory_file_system.h"
#include "tests/batch/batch_test_run.h"

namespace shotsweep::batch {
namespace {

using testing::RecordingRunner;
using testing::RunScript;
using testing::ScriptResult;

class DeepInput : public ::testing::Test {
 protected:
  ScriptResult Run(const std::string& script) {
    testing::RunSettings settings;
    settings.runner = &runner_;
    settings.fileSystem = &fs_;
    return RunScript("@echo off\r\n" + script, "/photos/raw", settings);
  }
  static std::string Repeat(const std::string& text, int times) {
    std::string out;
    out.reserve(text.size() * times);
    for (int i = 0; i < times; ++i) out += text;
    return out;
  }

  MemoryFileSystem fs_;
  RecordingRunner runner_;
};

// A line of 100,000 conditions (1.5 MB) once ended shotsweep-batch with a segmentation fault:
// reading each condition called the reading of the next.
TEST_F(DeepInput, HundredThousandNestedConditionsRunAndSoDoesTheNextLine) {
  fs_.AddFile("/photos/raw/a.nef");
  const std::string line = Repeat("if exist a.nef ", 100000) + "echo inner";
  ASSERT_GT(line.size(), 1'500'000u);
  const ScriptResult r = Run(line + "\r\necho after\r\n" + Repeat("if exist a.nef ", 100000) + "if exist b.nef echo no\r\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "inner\nafter\n");
  EXPECT_EQ(r.status, 0);
}

// A path of 60,000 folders (120 kB) ended it the same way, finding its folder a level at a
// time. No such path can be opened (the system's limit is 4,095 bytes), and it is said so.
TEST_F(DeepInput, PathsOfTensOfThousandsOfFoldersAreNotFound) {
  fs_.AddFile("/photos/raw/a/x.nef");
  const std::string deep = Repeat("a/", 60000) + "x.nef";
  const ScriptResult r = Run("if exist " + deep + " echo found\r\ndel " + deep + "\r\ncd " + deep +
                             "\r\necho after\r\n");
  EXPECT_EQ(r.out, "after\n");
  EXPECT_EQ(r.err,
            "The system cannot find the path specified.\nThe system cannot find the path specified.\n");
  EXPECT_EQ(fs_.Content("/photos/raw/a/x.nef"), "");
}

}  // namespace
}  // namespace shotsweep::batch
