// shotsweep-cli end to end: the real program, the real interpreter beside it, real folders.
#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <sys/mman.h>

#include <filesystem>

#include "base/process.h"
#include "cli/arguments.h"
#include "cli/cli.h"
#include "fs/memory_file_system.h"
#include "tests/cli/cli_ran.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::StartsWith;
using testing::ReadFile;
using testing::Snapshot;
using testing::TempFolder;

using testing::ReadBack;
using testing::Ran;

// Runs shotsweep-cli ARGUMENTS in `cwd`, its start folder, with `environment` added to ours.
Ran Cli(const std::vector<std::string>& arguments, const fs::path& cwd, const std::vector<std::string>& environment = {}) {
  const UniqueFd out(::memfd_create("out", MFD_CLOEXEC)), err(::memfd_create("err", MFD_CLOEXEC));
  SpawnRequest request;
  request.program = SHOTSWEEP_CLI;
  request.argv = {request.program};
  request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
  request.workingDir = cwd.string();
  if (!environment.empty()) {
    request.environment = environment;
    for (char** e = environ; *e; ++e) request.environment->emplace_back(*e);
  }
  request.out = Stream::To(out.get());
  request.err = Stream::To(err.get());
  Ran ran;
  const Spawned child = Spawn(request);
  if (!child.error) ran.status = WaitForExit(child.pid);
  ran.out = ReadBack(out.get());
  ran.err = ReadBack(err.get());
  return ran;
}

class CliTest : public ::testing::Test {
 protected:
  CliTest() {
    for (const char* name : {"raw/DSC_1.NEF", "raw/DSC_2.cr2", "raw/trip.day1.nef", "raw/notes.txt", "jpg/dsc_1.JPG",
                             "jpg/trip.jpg"})
      temp.Write(name, name);
  }
  TempFolder temp;
};

TEST_F(CliTest, DryRunListsWhatTheRunThenDoesAndChangesNothing) {
  const auto before = Snapshot(temp.path());
  const Ran dry = Cli({"by-folder", "raw", "jpg", "--dry-run"}, temp.path());
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(dry.out,
            "keep\tDSC_1.NEF\tDSC_1.NEF\n"
            "delete\tDSC_2.cr2\t\n"
            "keep\ttrip.day1.nef\ttrip.day1.nef\n"
            "# 2 kept, 1 deleted, 0 set aside\n");
  EXPECT_EQ(dry.err, "");
  EXPECT_EQ(Snapshot(temp.path()), before);

  const Ran real = Cli({"by-folder", "raw", "jpg"}, temp.path());
  EXPECT_EQ(real.status, 0) << real.err;
  EXPECT_EQ(real.out, "kept 2, deleted 1, set aside 0, sidecars 0\n");
  EXPECT_EQ(real.err, "");  // not a terminal: no progress
  EXPECT_EQ(Snapshot(temp.path() / "raw"),
            (std::map<std::string, std::string>{
                {"DSC_1.NEF", "raw/DSC_1.NEF"}, {"notes.txt", "raw/notes.txt"}, {"trip.day1.nef", "raw/trip.day1.nef"}}));
}

TEST_F(CliTest, ByListKeepsAsideAndReadsTheSettingsOfTheCurrentFolder) {
  temp.Write("list.txt", "DSC_1.jpg\r\n");
  temp.Write("Shotsweep.ini", "KillBat=0\r\n");
  const Ran ran = Cli({"by-list", "--keep", "raw", "list.txt"}, temp.path());
  EXPECT_EQ(ran.status, 0) << ran.err;
  const auto after = Snapshot(temp.path() / "raw");
  EXPECT_TRUE(after.count("DSC_1.NEF") && after.count("DSC_2.cbak") && after.count("trip.day1.nbak"));
  EXPECT_TRUE(after.count("rRAW.bat"));  // KillBat=0 keeps the scripts
  EXPECT_FALSE(fs::exists(temp.path() / "ShotsweepDirs.dat"));
}

TEST_F(CliTest, FailuresAndUsageErrorsAreToldApart) {
  fs::create_directory(temp.path() / "raw/dsc_1.nef");  // a folder where the twin is to be restored
  const Ran refused = Cli({"by-folder", "raw", "jpg"}, temp.path());
  EXPECT_EQ(refused.status, 1);
  EXPECT_THAT(refused.err, StartsWith("shotsweep-cli: A folder in the RAW folder is named like a RAW file"));
  EXPECT_EQ(Cli({"by-folder", "raw", "jpg", "--dry-run"}, temp.path()).status, 1);
  EXPECT_TRUE(fs::exists(temp.path() / "raw/DSC_2.cr2"));

  const Ran missing = Cli({"by-folder", "nowhere", "jpg"}, temp.path());
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "shotsweep-cli: the RAW folder " + (temp.path() / "nowhere").string() + " does not exist\n");
  // A file where a folder is asked for, and the other way round.
  const Ran file = Cli({"by-folder", "raw", "jpg/trip.jpg"}, temp.path());
  EXPECT_EQ(file.status, 1);
  EXPECT_EQ(file.err, "shotsweep-cli: the JPG folder " + (temp.path() / "jpg/trip.jpg").string() + " is not a folder\n");
  EXPECT_THAT(Cli({"extract", "raw/notes.txt", "jpg"}, temp.path()).err, HasSubstr("raw/notes.txt is not a folder"));
  EXPECT_THAT(Cli({"by-list", "raw", "jpg"}, temp.path()).err, HasSubstr("jpg is a folder, not a file"));
  EXPECT_EQ(Snapshot(temp.path() / "raw").size(), 4u);

  for (const std::vector<std::string>& wrong :
       {std::vector<std::string>{}, {"by-folder", "raw"}, {"by-folder", "raw", "jpg", "--exif"}, {"sweep", "raw"},
        {"extract", "raw", "jpg", "--dry-run"}, {"by-list", "raw", "l", "--keep", "--trash"}}) {
    const Ran usage = Cli(wrong, temp.path());
    EXPECT_EQ(usage.status, 2);
    EXPECT_THAT(usage.err, HasSubstr("usage: shotsweep-cli by-folder RAW_DIR JPG_DIR"));
  }
  const Ran version = Cli({"--version"}, temp.path());
  EXPECT_EQ(version.status, 0);
  EXPECT_THAT(version.out, StartsWith("shotsweep 1.8"));
  EXPECT_EQ(version.out.find('\n'), version.out.size() - 1);
}

TEST_F(CliTest, ExtraRawFromTheSettingsAndTheirWarnings) {
  temp.Write("raw/G.CR3", "twin");
  temp.Write("raw/H.cr3", "no twin");
  temp.Write("jpg/g.jpg");
  temp.Write("Shotsweep.ini", "ExtraRAW=cr3,jpeg\r\n");
  const Ran ran = Cli({"by-folder", "raw", "jpg"}, temp.path());
  EXPECT_EQ(ran.status, 0);
  EXPECT_EQ(ran.err, "shotsweep-cli: Shotsweep.ini: ExtraRAW: \"jpeg\" is ignored: JPG files are never touched by a cleanup.\n");
  const auto after = Snapshot(temp.path() / "raw");
  EXPECT_TRUE(after.count("G.CR3"));
  EXPECT_FALSE(after.count("H.cr3") || after.count("H.cr3bak"));
}

TEST_F(CliTest, TrashThenKeepThenRestore) {
  // A home of its own, on the same file system as the photos: the home trash.
  const std::string home = temp.MakeDir("home").string();
  temp.Write("raw/DSC_2.cr2.xmp", "edits");
  const Ran trashed = Cli({"by-folder", "raw", "jpg", "--trash"}, temp.path(), {"HOME=" + home, "XDG_DATA_HOME=" + home + "/data"});
  EXPECT_EQ(trashed.status, 0) << trashed.err;
  // In the trash under its own name, from where the trash puts it back.
  EXPECT_EQ(ReadFile(temp.path() / "home/data/Trash/files/DSC_2.cr2"), "raw/DSC_2.cr2");
  const std::string info = ReadFile(temp.path() / "home/data/Trash/info/DSC_2.cr2.trashinfo");
  EXPECT_THAT(info, StartsWith("[Trash Info]\nPath=" + (temp.path() / "raw/DSC_2.cr2").string() + "\nDeletionDate="));
  // Its sidecar went with it.
  EXPECT_EQ(ReadFile(temp.path() / "home/data/Trash/files/DSC_2.cr2.xmp"), "edits");
  EXPECT_FALSE(fs::exists(temp.path() / "raw/DSC_2.cr2.xmp"));

  temp.Write("raw/DSC_5.ORF", "five");
  temp.Write("raw/DSC_6.Arw", "six");
  EXPECT_EQ(Cli({"by-folder", "raw", "jpg", "--keep"}, temp.path()).status, 0);
  EXPECT_TRUE(fs::exists(temp.path() / "raw/DSC_5.obak"));
  const Ran restored = Cli({"restore", "raw"}, temp.path());
  EXPECT_EQ(restored.status, 0) << restored.err;
  EXPECT_EQ(restored.err, "");
  EXPECT_EQ(ReadFile(temp.path() / "raw/DSC_5.ORF"), "five");  // the very name it had

  // A record that cannot be read: the restore goes on without it, and says so.
  EXPECT_EQ(Cli({"by-folder", "raw", "jpg", "--keep"}, temp.path()).status, 0);
  temp.Write("raw/RAWnames.txt", "not a record\n");
  const Ran blind = Cli({"restore", "raw"}, temp.path());
  EXPECT_EQ(blind.status, 0) << blind.err;
  EXPECT_THAT(blind.err, StartsWith("shotsweep-cli: note: The cleanup record RAWnames.txt cannot be read"));
  EXPECT_EQ(ReadFile(temp.path() / "raw/DSC_6.arw"), "six");
}

TEST_F(CliTest, RestoreDryRunListsRestoresAndTheRestoreCountsThem) {
  ASSERT_EQ(Cli({"by-folder", "raw", "jpg", "--keep", "--quiet"}, temp.path()).out, "");
  const Ran dry = Cli({"restore", "raw", "--dry-run"}, temp.path());
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(dry.out, "restore\tDSC_2.cbak\tDSC_2.cr2\n# 1 restored\n");
  const Ran restored = Cli({"restore", "raw"}, temp.path());
  EXPECT_EQ(restored.status, 0) << restored.err;
  EXPECT_EQ(restored.out, "restored 1\n");
  EXPECT_EQ(Cli({"restore", "raw", "--dry-run"}, temp.path()).out, "# 0 restored\n");
}

TEST_F(CliTest, HelpDescribesEveryOptionACommandTakes) {
  const std::vector<std::string> commands{"by-folder", "by-list", "extract", "restore"};
  const Ran overview = Cli({"--help"}, temp.path());
  EXPECT_EQ(overview.status, 0);
  for (const std::string& command : commands) {
    EXPECT_THAT(overview.out, HasSubstr("\n  " + command + " RAW_DIR"));
    const Ran help = Cli({command, "--help"}, temp.path());  // operands missing: help all the same
    EXPECT_EQ(help.status, 0);
    EXPECT_THAT(help.out, StartsWith("usage: shotsweep-cli " + command + " RAW_DIR"));
    EXPECT_THAT(help.out, HasSubstr("Exit status:\n  0  done as planned"));
    EXPECT_THAT(help.out, HasSubstr("\n  shotsweep-cli " + command + " "));  // an example
    EXPECT_EQ(Cli({"--help", command}, temp.path()).out, help.out);
    // Whatever the command accepts, its page names.
    for (const std::string option : {"--keep", "--trash", "--dry-run", "--exif", "--quiet", "--all", "--jobs"}) {
      const std::vector<std::string> line{command, "r", "j", option};
      if (ParseArguments(line).request || ParseArguments({command, "r", option}).request) {
        EXPECT_THAT(help.out, HasSubstr(" " + option + " ")) << command;
      }
    }
  }
}

// The disk in memory refuses what a disk refuses only to those who are not root.
TEST(CliWords, AFolderThatCannotBeReadIsToldInWords) {
  for (const auto& [refused, what] : {std::pair{"/photos/raw", "RAW"}, std::pair{"/photos/jpg", "JPG"}}) {
    MemoryFileSystem disk;
    disk.AddFolder("/photos/raw");
    disk.AddFolder("/photos/jpg");
    disk.Refuse(MemoryFileSystem::Operation::List, refused, EACCES);
    const UniqueFd out(::memfd_create("out", MFD_CLOEXEC)), err(::memfd_create("err", MFD_CLOEXEC));
    EXPECT_EQ(RunCli({"by-folder", "/photos/raw", "/photos/jpg"}, disk, out.get(), err.get(), false), 1);
    EXPECT_EQ(ReadBack(err.get()),
              "shotsweep-cli: the " + std::string(what) + " folder " + refused + " cannot be read: permission denied\n");
    EXPECT_EQ(ReadBack(out.get()), "");
  }
}

TEST_F(CliTest, ACleanupThatWouldDeleteEveryRawFileNeedsAll) {
  fs::create_directory(temp.path() / "empty");
  temp.Write("list.txt", "nothing.jpg\r\n");
  const auto before = Snapshot(temp.path());
  for (const std::vector<std::string>& command : {std::vector<std::string>{"by-folder", "raw", "empty"},
                                                  {"by-list", "raw", "list.txt"},
                                                  {"by-folder", "raw", "empty", "--trash"}}) {
    const Ran refused = Cli(command, temp.path());
    EXPECT_EQ(refused.status, 1);
    EXPECT_THAT(refused.err, HasSubstr("every RAW file in the folder " + (temp.path() / "raw").string()));
    EXPECT_THAT(refused.err, HasSubstr("(3 files)"));
    EXPECT_THAT(refused.err, HasSubstr("give --all"));
    EXPECT_EQ(refused.out, "");
  }
  const Ran refused = Cli({"by-list", "raw", "list.txt"}, temp.path());
  EXPECT_THAT(refused.err, HasSubstr("photo list " + (temp.path() / "list.txt").string()));
  EXPECT_EQ(Snapshot(temp.path()), before);

  // What would happen can still be seen, and setting aside loses nothing.
  const Ran dry = Cli({"by-folder", "raw", "empty", "--dry-run"}, temp.path());
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_THAT(dry.out, HasSubstr("# 0 kept, 3 deleted, 0 set aside"));
  EXPECT_EQ(Cli({"by-folder", "raw", "empty", "--keep"}, temp.path()).status, 0);
  EXPECT_TRUE(fs::exists(temp.path() / "raw/DSC_1.nbak"));
  EXPECT_EQ(Cli({"restore", "raw"}, temp.path()).status, 0);

  // Asked for in so many words, the empty JPG folder has its specified outcome.
  const Ran all = Cli({"by-folder", "--all", "raw", "empty"}, temp.path());
  EXPECT_EQ(all.status, 0) << all.err;
  EXPECT_EQ(Snapshot(temp.path() / "raw"), (std::map<std::string, std::string>{{"notes.txt", "raw/notes.txt"}}));
  EXPECT_EQ(Cli({"restore", "raw", "--all"}, temp.path()).status, 2);
}

// A folder given through a link and "..", and a restore where the settings know no ".dng": the
// folder the system finds is the one cleaned, and every set-aside kind comes back or is named.
TEST_F(CliTest, AFolderIsTheOneTheSystemFindsAndRestoreKnowsEveryCameraKind) {
  temp.Write("real/raw/DSC_1.NEF", "real");
  temp.Write("real/raw/B.dngbak", "B.dng");
  temp.Write("real/raw/C.xyzbak", "C");
  temp.MakeDir("real/inner");
  fs::create_symlink(temp.path() / "real" / "inner", temp.path() / "link");
  const auto decoy = Snapshot(temp.path() / "raw");
  const Ran dry = Cli({"by-folder", "link/../raw", "jpg", "--dry-run"}, temp.path());
  EXPECT_EQ(dry.status, 0) << dry.err;
  EXPECT_EQ(dry.out, "keep\tDSC_1.NEF\tDSC_1.NEF\n# 1 kept, 0 deleted, 0 set aside\n");
  const Ran restore = Cli({"restore", "link/../raw"}, temp.path());
  EXPECT_EQ(restore.status, 1);
  EXPECT_THAT(restore.err, HasSubstr("C.xyzbak"));
  EXPECT_EQ(ReadFile(temp.path() / "real" / "raw" / "B.dng"), "B.dng");
  EXPECT_EQ(Snapshot(temp.path() / "raw"), decoy);
}

TEST(CliArguments, OptionsGoAnywhereAfterTheCommandAndDoubleDashEndsThem) {
  const auto parsed = ParseArguments({"by-list", "--dry-run", "r", "--", "--odd name"});
  ASSERT_TRUE(parsed.request);
  EXPECT_EQ(parsed.request->kind, CliRequest::ByList);
  EXPECT_TRUE(parsed.request->dryRun);
  EXPECT_EQ(parsed.request->rawDir, "r");
  EXPECT_EQ(parsed.request->second, "--odd name");
  EXPECT_FALSE(ParseArguments({"restore", "r", "--keep"}).request);
  EXPECT_FALSE(ParseArguments({"--version", "x"}).request);
}

}  // namespace
}  // namespace shotsweep
