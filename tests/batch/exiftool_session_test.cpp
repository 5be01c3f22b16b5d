#include "batch/exiftool_session.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <filesystem>

#include "tests/support/raw_like_file.h"
#include "tests/support/temp_folder.h"

namespace shotsweep::batch {
namespace {

namespace fs = std::filesystem;
using testing::ReadFile;
using testing::TempFolder;

constexpr const char* kExiftool = "/usr/bin/exiftool";

TEST(ExiftoolSession, ArgumentLinesCarryEveryArgumentExactly) {
  EXPECT_EQ(ArgfileLine("-all="), "-all=\n");
  EXPECT_EQ(ArgfileLine("/shoot/a b.jpg"), "/shoot/a b.jpg\n");
  EXPECT_EQ(ArgfileLine("-comment=$x @y"), "-comment=$x @y\n");
  // exiftool would drop a leading blank, skip a "#" line or an empty one, squeeze blanks
  // around "=", and split at a line end: these go in escaped form.
  EXPECT_EQ(ArgfileLine(" lead.jpg"), "#[CSTR] lead.jpg\n");
  EXPECT_EQ(ArgfileLine("#1.jpg"), "#[CSTR]#1.jpg\n");
  EXPECT_EQ(ArgfileLine(""), "#[CSTR]\n");
  EXPECT_EQ(ArgfileLine("-comment = a\\b"), "#[CSTR]-comment = a\\\\b\n");
  EXPECT_EQ(ArgfileLine("-comment= x"), "#[CSTR]-comment= x\n");
  EXPECT_EQ(ArgfileLine("two\nlines\r"), "#[CSTR]two\\nlines\\r\n");
  // ... which would turn "$" into "\$".
  EXPECT_EQ(ArgfileLine(" $HOME"), std::nullopt);
}

TEST(ExiftoolSession, ServesExiftoolCallsThatLeaveItsModeAlone) {
  const auto call = [](std::string program, std::vector<std::string> args) {
    ProgramCall c;
    c.program = std::move(program);
    c.argv = {"x"};
    c.argv.insert(c.argv.end(), args.begin(), args.end());
    return SessionCanServe(c);
  };
  EXPECT_TRUE(call("/usr/bin/exiftool", {"-all=", "-tagsfromfile", "/a.nef", "-exif:all", "/a.jpg"}));
  EXPECT_TRUE(call("/tools/ExifTool.exe", {"-ver"}));
  EXPECT_FALSE(call("/usr/bin/exiv2", {"-pv", "/a.nef"}));
  EXPECT_FALSE(call("/usr/bin/exiftool-wrapper", {"-ver"}));
  for (const char* arg : {"-", "-@", "-stay_open", "-EXECUTE", "-execute12", "-common_args",
                          "-config", "-k", "-pause", " $HOME"}) {
    EXPECT_FALSE(call(kExiftool, {arg, "/a.jpg"})) << arg;
  }
  EXPECT_TRUE(call(kExiftool, {"-executed", "-execute1x"}));  // tag names, not options
}

struct Captured {
  int status = 0;
  std::string out;
  std::string err;
};

// Runs a call with standard output and error in files of `t`.
Captured RunCall(ExternalProgramRunner& runner, const TempFolder& t, const std::string& folder,
                 std::vector<std::string> args) {
  static int n = 0;
  const std::string outPath = t.str() + "/out" + std::to_string(++n);
  const std::string errPath = outPath + ".err";
  ProgramCall call;
  call.program = kExiftool;
  call.argv = {"exiftool"};
  call.argv.insert(call.argv.end(), args.begin(), args.end());
  call.workingDir = folder;
  call.stdoutFd = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  call.stderrFd = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  const ProgramResult result = runner.Run(call);
  ::close(call.stdoutFd);
  ::close(call.stderrFd);
  return {result.exitStatus, ReadFile(outPath), ReadFile(errPath)};
}

// The same calls, once in separate processes and once through a session, in two copies of
// one folder: same output, same status, same files.
TEST(ExiftoolSession, AnswersAsSeparateProcessesWould) {
  TempFolder t;
  for (const char* side : {"own", "session"}) {
    const std::string folder = t.MakeDir(side).string();
    testing::WriteRawLikeFile(folder + "/a.nef", {"MAKE A", "MODEL A", 100, {{160, 120}, {320, 240}}});
    t.Write(std::string(side) + "/a.jpg", testing::JpegImage({320, 240}, 1));
    t.Write(std::string(side) + "/ lead #1.jpg", testing::JpegImage({64, 48}, 2));
  }
  const std::vector<std::vector<std::string>> calls = {
      {"-all=", "-tagsfromfile", "a.nef", "-exif:all", "a.jpg"},
      {"-s", "-Make", "-Model", "a.jpg"},
      {"-all=", "-tagsfromfile", "missing.nef", "-exif:all", "a.jpg"},
      {"-comment= spaced = text", " lead #1.jpg"},
      {"-q", "-q", "-p", "$Comment|$FileName", " lead #1.jpg"},
      {"-ver"},
  };
  SpawnRunner own;
  ExiftoolSessionRunner session(std::make_unique<SpawnRunner>());
  for (const auto& args : calls) {
    SCOPED_TRACE(args.front());
    const Captured a = RunCall(own, t, t.str() + "/own", args);
    const Captured b = RunCall(session, t, t.str() + "/session", args);
    EXPECT_EQ(b.status, a.status);
    EXPECT_EQ(b.out, a.out);
    EXPECT_EQ(b.err, a.err);
  }
  EXPECT_EQ(session.served(), static_cast<int>(calls.size()));
  EXPECT_EQ(testing::Snapshot(t.str() + "/session"), testing::Snapshot(t.str() + "/own"));
}

TEST(ExiftoolSession, EndsItsProcessWhenClosedAndWhenItsOwnerIsKilled) {
  TempFolder t;
  pid_t pid;
  {
    auto session = ExiftoolSession::Start(kExiftool, t.str());
    ASSERT_TRUE(session);
    pid = session->pid();
    EXPECT_EQ(::kill(pid, 0), 0);
  }
  EXPECT_EQ(::kill(pid, 0), -1);  // ended and reaped

  // An interpreter killed mid-script takes its session with it.
  int report[2];
  ASSERT_EQ(::pipe(report), 0);
  const pid_t owner = ::fork();
  if (owner == 0) {
    auto session = ExiftoolSession::Start(kExiftool, "/");
    const pid_t child = session ? session->pid() : -1;
    (void)!::write(report[1], &child, sizeof child);
    ::pause();
    ::_exit(0);
  }
  ::close(report[1]);
  pid_t child = -1;
  ASSERT_EQ(::read(report[0], &child, sizeof child), static_cast<ssize_t>(sizeof child));
  ::close(report[0]);
  ASSERT_GT(child, 0);
  ::kill(owner, SIGKILL);
  ::waitpid(owner, nullptr, 0);
  // The orphan is reparented and reaped by init (or a subreaper) once it has ended.
  bool gone = false;
  for (int i = 0; i < 200 && !gone; ++i) {
    const std::string stat = "/proc/" + std::to_string(child) + "/stat";
    gone = !fs::exists(stat) || ReadFile(stat).find(") Z ") != std::string::npos;
    if (!gone) ::usleep(20000);
  }
  EXPECT_TRUE(gone);
  if (!gone) ::kill(child, SIGKILL);  // leave no stray process behind a failed test
}

TEST(ExiftoolSession, FallsBackToOneProcessPerLineWhenTheModeFails) {
  TempFolder t;
  // A program by that name that knows nothing of stay-open mode.
  const fs::path fake = t.WriteProgram("bin/exiftool", "#!/bin/sh\necho \"run with $*\"\n");
  ExiftoolSessionRunner runner(std::make_unique<SpawnRunner>());
  for (int i = 0; i < 2; ++i) {
    const std::string outPath = t.str() + "/out";
    ProgramCall call;
    call.program = fake.string();
    call.argv = {"exiftool", "-ver"};
    call.workingDir = t.str();
    call.stdoutFd = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    runner.Run(call);
    ::close(call.stdoutFd);
    EXPECT_EQ(ReadFile(outPath), "run with -ver\n");
  }
  EXPECT_EQ(runner.served(), 0);
}

TEST(ExiftoolSession, TurnedOffByTheEnvironment) {
  ::setenv(kExiftoolSessionVariable, "0", 1);
  EXPECT_FALSE(ExiftoolSessionEnabled());
  ::setenv(kExiftoolSessionVariable, "1", 1);
  EXPECT_TRUE(ExiftoolSessionEnabled());
  ::unsetenv(kExiftoolSessionVariable);
  EXPECT_TRUE(ExiftoolSessionEnabled());
}

}  // namespace
}  // namespace shotsweep::batch
