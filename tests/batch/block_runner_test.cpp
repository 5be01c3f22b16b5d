// A script run in blocks on several workers, in this process, against the same script run one
// line after another: the same output, the same files, the same failures, in the same order.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

#include "base/files.h"
#include "base/progress_protocol.h"
#include "tests/batch/batch_test_run.h"
#include "tests/support/temp_folder.h"

namespace shotsweep::batch {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using shotsweep::testing::Snapshot;
using shotsweep::testing::TempFolder;

const std::string kEnd = "REM " + std::string(68, '*') + "\r\n\r\n";

// Stands in for exiv2: "prog make FILE [STATUS]" writes FILE as exiv2 writes a preview, after
// a pause that shuffles the workers; "prog stop" asks the run to stop. It says what it did on
// standard output and complains on standard error, and ends with STATUS.
class Program : public ExternalProgramRunner {
 public:
  explicit Program(std::atomic<bool>* stop = nullptr) : stop_(stop) {}
  ProgramResult Run(const ProgramCall& call) override {
    const std::vector<std::string>& argv = call.argv;
    std::this_thread::sleep_for(std::chrono::microseconds(std::hash<std::string>{}(argv.back()) % 1000));
    if (argv.size() >= 2 && argv[1] == "stop" && stop_) *stop_ = true;
    if (argv.size() >= 2 && argv[1] == "wait") std::this_thread::sleep_for(std::chrono::milliseconds(30));
    if (argv.size() >= 3 && argv[1] == "make") std::ofstream(argv[2]) << "made by " << argv[2];
    WriteAll(call.stdoutFd, "ran " + argv.back() + "\n");
    WriteAll(call.stderrFd, "Warning: one\nmore\nReason: " + argv.back() + "\n");
    ProgramResult result;
    result.exitStatus = argv.size() >= 4 ? std::stoi(argv[3]) : 0;
    return result;
  }

 private:
  std::atomic<bool>* stop_;
};

struct Ran {
  int status = -1;
  std::string out, err, reports;
};

// `jobs` 0: one line after another, as a plain run has it.
Ran RunIt(const std::string& text, const std::string& cwd, std::size_t jobs, std::atomic<bool>* stop = nullptr) {
  const UniqueFd out(::memfd_create("out", MFD_CLOEXEC)), err(::memfd_create("err", MFD_CLOEXEC)),
      reports(::memfd_create("reports", MFD_CLOEXEC));
  Ran ran;
  {
    Output output(out.get(), err.get());
    InterpreterOptions options;
    options.args = {"x.bat"};
    options.workingDir = cwd;
    options.inputFd = -1;
    options.progressFd = reports.get();
    options.jobs = jobs;
    options.stop = stop;
    options.makeRunner = [stop] { return std::make_unique<Program>(stop); };
    Program program(stop);
    const auto disk = MakeDiskFileSystem();
    ran.status = Interpreter(options, output, program, *disk).Run(text);
  }
  ran.out = testing::ReadBack(out.get());
  ran.err = testing::ReadBack(err.get());
  ran.reports = testing::ReadBack(reports.get());
  return ran;
}

// The last "DONE TOTAL" line.
std::string LastProgress(const std::string& reports) {
  std::string last;
  for (std::size_t at = 0, end; (end = reports.find('\n', at)) != std::string::npos; at = end + 1) {
    if (std::isdigit(static_cast<unsigned char>(reports[at]))) last = reports.substr(at, end - at);
  }
  return last;
}

std::vector<std::string> Lines(const std::string& text, char kind) {
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = text.find('\n', at)) != std::string::npos; at = end + 1) {
    if (text[at] == kind) lines.push_back(text.substr(at, end - at));
  }
  return lines;
}

// A script of blocks much like the extraction's over R/ and J/: a program makes a preview that
// its block copies, some blocks share a JPG, a dump or a case variant of a name, some lines fail.
std::string RandomScript(std::mt19937& random, const std::string& root) {
  const std::vector<std::string> bases = {"a", "A", "b", "c", "d", "e"};
  const auto pick = [&](const std::vector<std::string>& from) { return from[random() % from.size()]; };
  const std::string prog = root + "/prog", r = root + "/R/", j = root + "/J/";
  std::string text = "chcp 65001\r\n";
  for (int block = 0; block < 12; ++block) {
    const std::string base = pick(bases);
    const int programAt = static_cast<int>(random() % 3);  // 2: the block runs no program of its own
    for (int line = 0, lines = 3 + static_cast<int>(random() % 4); line < lines; ++line) {
      if (line == programAt) text += prog + " make " + r + base + "-p2.jpg " + (random() % 4 ? "0" : "1") + "\r\n";
      switch (random() % 7) {
        case 0: text += "copy " + r + base + "-p2.jpg " + j + pick(bases) + ".jpg /Y\r\n"; break;
        case 1: text += "echo block " + std::to_string(block) + " >>" + j + base + ".txt\r\n"; break;
        case 2: text += prog + " dump " + r + base + ".nef >" + j + base + ".asc\r\n"; break;
        case 3: text += "ren " + j + base + ".txt " + base + ".old\r\n"; break;
        case 4: text += "copy " + j + base + ".jpg " + j + base + ".jpg\r\n"; break;
        case 5: text += "if exist " + r + base + "-p*.jpg " + prog + " tag " + j + base + ".jpg\r\n"; break;
        default: text += "copy " + r + "missing.jpg " + j + base + ".jpg /Y\r\n"; break;
      }
    }
    text += "del " + r + base + "-p*.jpg\r\n" + kEnd;
  }
  return text + "del " + j + "*.old\r\necho done\r\n";
}

TEST(BlockRunner, OutputFilesAndFailuresAreThoseOfARunOfOneLineAfterAnother) {
  TempFolder t;
  t.WriteProgram("prog");
  for (unsigned seed = 1; seed <= 10; ++seed) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    std::mt19937 random(seed);
    const std::string script = RandomScript(random, t.str());
    std::vector<Ran> runs;
    std::vector<std::map<std::string, std::string>> files;
    for (std::size_t jobs : {0, 1, 4}) {
      fs::remove_all(t.path() / "R");
      fs::remove_all(t.path() / "J");
      t.Write("R/old.jpg", "old");
      t.Write("J/b.jpg", "an earlier JPG");
      runs.push_back(RunIt(script, t.str(), jobs));
      files.push_back(Snapshot(t.path()));
    }
    for (std::size_t n : {1, 2}) {
      EXPECT_EQ(runs[n].status, runs[0].status);
      EXPECT_EQ(runs[n].out, runs[0].out);
      EXPECT_EQ(runs[n].err, runs[0].err);
      EXPECT_EQ(Lines(runs[n].reports, '!'), Lines(runs[0].reports, '!'));
      EXPECT_EQ(files[n], files[0]);
      EXPECT_EQ(LastProgress(runs[n].reports), LastProgress(runs[0].reports));  // every line counted
    }
    EXPECT_THAT(runs[0].out, HasSubstr("done"));
  }
}

TEST(BlockRunner, EachBlockIsToldInOrderWithItsProgramsAndFailures) {
  TempFolder t;
  const std::string prog = t.WriteProgram("prog").string();
  t.Write("x.jpg");
  const std::string script = "chcp 65001\r\n" +                                         // line 1
                             prog + " make " + t.str() + "/made.jpg 3\r\n" + kEnd +        // lines 2-4
                             "copy " + t.str() + "/x.jpg " + t.str() + "/x.jpg\r\n" +      // line 5
                             t.str() + "/absent --version\r\n" + kEnd +                   // lines 6-8
                             "echo last\r\n";                                            // line 9
  const Ran ran = RunIt(script, t.str(), 2);
  EXPECT_EQ(ran.status, 1);
  EXPECT_EQ(Lines(ran.reports, '{'), (std::vector<std::string>{"{ 1 2", "{ 2 5"}));
  const std::vector<std::string> programs = Lines(ran.reports, '=');
  ASSERT_EQ(programs.size(), 2u);
  EXPECT_EQ(programs[0], "= 1 2 3 Warning: one\tReason: 3");
  EXPECT_THAT(programs[1], HasSubstr("= 2 6 127 '" + t.str() + "/absent' is not recognized"));
  EXPECT_EQ(Lines(ran.reports, '}'), (std::vector<std::string>{"} 1 0", "} 2 2"}));
  // A block's reports stand together.
  const std::size_t second = ran.reports.find("{ 2 5");
  EXPECT_LT(ran.reports.find("} 1 0"), second);
  EXPECT_GT(ran.reports.find("! x.bat, line 5"), second);
  EXPECT_LT(ran.reports.find("! x.bat, line 6"), ran.reports.find("} 2 2"));
  EXPECT_EQ(LastProgress(ran.reports), "9 9");
  // What the program wrote is in the output where the line stands.
  EXPECT_THAT(ran.out, HasSubstr("made.jpg 3\nran 3\n"));
}

TEST(BlockRunner, AStopLetsTheBlocksUnderWayEndAndBeginsNoOther) {
  TempFolder t;
  const std::string prog = t.WriteProgram("prog").string();
  std::string script = "chcp 65001\r\n";
  for (int block = 1; block <= 6; ++block) {
    script += prog + (block == 3 ? " stop " : " wait ") + std::to_string(block) + "\r\necho block " +
              std::to_string(block) + " >" + t.str() + "/" + std::to_string(block) + ".txt\r\n" + kEnd;
  }
  script += "echo closing >" + t.str() + "/closing.txt\r\n";
  std::atomic<bool> stop{false};
  const Ran ran = RunIt(script, t.str(), 2, &stop);
  EXPECT_EQ(ran.status, kStoppedStatus);
  const std::vector<std::string> begun = Lines(ran.reports, '{');
  const std::vector<std::string> ended = Lines(ran.reports, '}');
  ASSERT_GE(begun.size(), 3u);
  ASSERT_LE(begun.size(), 4u);  // the other worker may have begun block 4 just before
  EXPECT_EQ(ended.size(), begun.size());
  for (int block = 1; block <= 6; ++block) {
    EXPECT_EQ(fs::exists(t.path() / (std::to_string(block) + ".txt")), block <= static_cast<int>(begun.size()))
        << block;
  }
  EXPECT_FALSE(fs::exists(t.path() / "closing.txt"));
  EXPECT_THAT(ran.out, Not(HasSubstr("closing")));
  // Progress tells how far it got.
  const std::size_t lines = 1 + 4 * begun.size();
  EXPECT_EQ(LastProgress(ran.reports), std::to_string(lines) + " 26");
}

TEST(BlockRunner, ABlockThatChangesWhatFollowsRunsTheRestOneAtATime) {
  TempFolder t;
  t.MakeDir("sub");
  const std::string script = "chcp 65001\r\ncd sub\r\n" + kEnd + "echo in >here.txt\r\n" + kEnd +
                             "exit /b 7\r\n" + kEnd + "echo never >never.txt\r\n" + kEnd + "echo nor this\r\n";
  const Ran ran = RunIt(script, t.str(), 4);
  EXPECT_EQ(ran.status, 7);
  EXPECT_TRUE(fs::exists(t.path() / "sub/here.txt"));
  EXPECT_FALSE(fs::exists(t.path() / "sub/never.txt"));
  EXPECT_EQ(Lines(ran.reports, '}').size(), 3u);
  EXPECT_THAT(ran.out, Not(HasSubstr("nor this")));
}

}  // namespace
}  // namespace shotsweep::batch
