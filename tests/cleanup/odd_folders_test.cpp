// Folders and lists that are out of the ordinary, end to end through the real interpreter:
// whatever they hold, every RAW file whose JPG survived is still there, and what could not be
// done is named instead of passed over.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include "base/cleanup_record.h"
#include "base/text.h"
#include "tests/cleanup/cleanup_scene.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using ::testing::AllOf;
using ::testing::HasSubstr;
using ::testing::Not;
using namespace shotsweep::testing;

// Every entry of a folder by name, links and special files too, with what it is.
std::map<std::string, fs::file_type> Entries(const std::string& folder) {
  std::map<std::string, fs::file_type> entries;
  for (const auto& entry : fs::directory_iterator(folder)) {
    entries[entry.path().filename().string()] = entry.symlink_status().type();
  }
  return entries;
}

// What a plan says the folder will hold, from what it holds now.
std::map<std::string, fs::file_type> Predicted(const std::map<std::string, fs::file_type>& before,
                                               const RunPlan& plan) {
  auto after = before;
  for (const PlannedFile& file : plan.files) {
    const auto type = after.at(file.name);
    after.erase(file.name);
    if (!file.newName.empty()) after[file.newName] = type;
  }
  return after;
}

void MakeSocket(const std::string& path) {
  const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ::close(fd);
}

// Links of every sort, special files and an unreadable file and folder: the dry run lists them
// without following a link, never crashes, and says exactly what the real run then does.
TEST(OddFolders, LinksAndSpecialFilesArePlannedAsTheyAreCarriedOut) {
  for (bool keep : {false, true}) {
    SCOPED_TRACE(keep);
    Scene scene;
    scene.Raw({"A.NEF", "B.NEF", "C.cr2"});
    scene.Jpg({"A.JPG", "E.jpg"});
    const fs::path raw = scene.raw;
    const fs::path outside = scene.temp.MakeDir("outside");
    scene.temp.Write("outside/X.NEF", "outside");
    scene.temp.MakeDir("outside/sub.nef");
    fs::create_symlink("/nonexistent/shotsweep", raw / "dangling");
    fs::create_symlink("/nonexistent/shotsweep.nef", raw / "F.NEF");
    fs::create_symlink(outside / "X.NEF", raw / "E.NEF");  // its JPG is there
    fs::create_symlink(outside / "X.NEF", raw / "G.nef");
    fs::create_symlink(outside / "sub.nef", raw / "D.NEF");
    fs::create_symlink(outside, raw / "out");
    ASSERT_EQ(::mkfifo((raw / "H.NEF").c_str(), 0600), 0);
    MakeSocket((raw / "I.NEF").string());
    fs::permissions(raw / "B.NEF", fs::perms::none);
    scene.temp.MakeDir("raw/locked");
    fs::permissions(raw / "locked", fs::perms::none);
    scene.keep = keep;
    const auto before = Entries(scene.raw);
    const Files outsideBefore = Snapshot(outside);

    const CleanupPlan plan = PlanCleanup(scene.Request(), scene.settings, TestDisk());
    ASSERT_FALSE(plan.error) << plan.error->Text();
    scene.result = CarryOutCleanup(plan, scene.settings, scene.runner, TestDisk());
    scene.ExpectDone();
    // The cleanup's own record of what it did stays beside what it set aside.
    if (keep) EXPECT_EQ(Entries(scene.raw).erase("RAWnames.txt"), 1u);
    auto after = Entries(scene.raw);
    after.erase("RAWnames.txt");
    EXPECT_EQ(after, Predicted(before, plan)) << FormatPlan(plan);
    EXPECT_EQ(Snapshot(outside), outsideBefore);
    // The links themselves went or were set aside; what they point to never moved.
    EXPECT_EQ(Entries(scene.raw).count("E.NEF"), 1u);
    EXPECT_EQ(Entries(scene.raw).count("G.nef"), 0u);
    EXPECT_TRUE(fs::is_directory(outside / "sub.nef"));
    fs::permissions(raw / "locked", fs::perms::owner_all);
  }
}

// Runs `body` in a child that has become the user nobody, and gives back what it wrote; empty
// with the reason in `skip` when that cannot be.
std::string AsNobody(const std::function<std::string()>& body, std::string& skip) {
  if (::geteuid() != 0) {
    skip = "only root can become another user for this test";
    return {};
  }
  const passwd* nobody = ::getpwnam("nobody");
  if (!nobody) {
    skip = "there is no user nobody";
    return {};
  }
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return {};
  const pid_t child = ::fork();
  if (child == 0) {
    ::close(pipeFds[0]);
    std::string report = "cannot become nobody";
    if (::setresgid(nobody->pw_gid, nobody->pw_gid, nobody->pw_gid) == 0 &&
        ::setresuid(nobody->pw_uid, nobody->pw_uid, nobody->pw_uid) == 0) {
      report = body();
    }
    (void)!::write(pipeFds[1], report.data(), report.size());
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  std::string report;
  char buffer[4096];
  ssize_t n;
  while ((n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0) report.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeFds[0]);
  ::waitpid(child, nullptr, 0);
  return report;
}

// What a dry run and then the real run say, and what the folder holds after each.
std::string PlanAndRun(Scene& scene) {
  const CleanupPlan plan = PlanCleanup(scene.Request(), scene.settings, TestDisk());
  std::string report = "plan: " + std::string(plan.error ? "error" : "done") + "\n" + FormatPlan(plan);
  const auto before = Entries(scene.raw);
  scene.result = CarryOutCleanup(plan, scene.settings, scene.runner, TestDisk());
  report += "run: " + std::string(scene.result.done() ? "done" : "error") + "\n";
  report += Entries(scene.raw) == Predicted(before, plan) ? "as planned\n" : "not as planned\n";
  for (const auto& error : scene.result.errors) report += error.Text() + "\n";
  return report;
}

TEST(OddFolders, TheDryRunMeetsThePermissionsTheRealRunMeets) {
  {
    // A sticky folder open to all, with RAW files of another owner: neither run may touch them.
    Scene scene;
    scene.Raw({"A.NEF", "B.NEF"});
    scene.Jpg({"A.jpg"});
    scene.keep = false;
    fs::permissions(scene.temp.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(scene.raw, fs::perms::all | fs::perms::sticky_bit);
    fs::permissions(scene.jpg, fs::perms::owner_all | fs::perms::others_read | fs::perms::others_exec);
    std::string skip;
    const std::string report = AsNobody([&] { return PlanAndRun(scene); }, skip);
    if (!skip.empty()) GTEST_SKIP() << skip;
    EXPECT_THAT(report, AllOf(HasSubstr("plan: error"), HasSubstr("run: error"), HasSubstr("B.NEF")));
    EXPECT_THAT(report, Not(HasSubstr("delete\tB.NEF")));
    EXPECT_EQ(Entries(scene.raw).count("B.NEF"), 1u);
  }
  {
    // Below folders that may be entered but not read: both runs work.
    Scene scene("p/raw", "p/jpg");
    scene.Raw({"A.NEF", "B.NEF"});
    scene.Jpg({"A.jpg"});
    scene.keep = false;
    std::string skip;
    ::chown(scene.raw.c_str(), 65534, 65534);
    ::chown(scene.jpg.c_str(), 65534, 65534);
    fs::permissions(scene.temp.path(), fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    fs::permissions(scene.temp.path() / "p", fs::perms::owner_all | fs::perms::group_exec | fs::perms::others_exec);
    const std::string report = AsNobody([&] { return PlanAndRun(scene); }, skip);
    if (!skip.empty()) GTEST_SKIP() << skip;
    EXPECT_THAT(report, AllOf(HasSubstr("plan: done"), HasSubstr("delete\tB.NEF"), HasSubstr("run: done"),
                              HasSubstr("as planned")));
  }
}

// "link/../raw" is the raw folder beside the link's target, as the system resolves it; the one
// beside the link, which the text suggests, is never touched, by the dry run or the real run.
TEST(OddFolders, AFolderGivenThroughALinkAndDotDotIsTheOneTheSystemFinds) {
  Scene scene("real/raw", "jpg");
  scene.Raw({"A.NEF", "B.NEF"});
  scene.Jpg({"A.jpg"});
  scene.temp.MakeDir("real/inner");
  fs::create_symlink(scene.temp.path() / "real" / "inner", scene.temp.path() / "link");
  scene.temp.Write("raw/A.NEF", "decoy");
  scene.temp.Write("raw/C.NEF", "decoy");
  const Files decoy = Snapshot(scene.temp.path() / "raw");
  scene.keep = false;
  CleanupRequest request = scene.Request();
  request.rawFolder = scene.temp.str() + "/link/../raw";
  const CleanupPlan plan = PlanCleanup(request, scene.settings, TestDisk());
  EXPECT_EQ(FormatPlan(plan), "keep\tA.NEF\tA.NEF\ndelete\tB.NEF\t\n# 1 kept, 1 deleted, 0 set aside\n");
  scene.result = CarryOutCleanup(plan, scene.settings, scene.runner, TestDisk());
  scene.ExpectDone();
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"A.NEF", "A.NEF"}}));
  EXPECT_EQ(Snapshot(scene.temp.path() / "raw"), decoy);

  scene.temp.Write("real/raw/D.nbak", "D.NEF");
  scene.result = RestoreSetAside({request.rawFolder}, scene.settings, scene.runner, TestDisk());
  scene.ExpectDone();
  EXPECT_EQ(scene.RawFiles().count("D.nef"), 1u);
  EXPECT_EQ(Snapshot(scene.temp.path() / "raw"), decoy);
}

// Bytes of address space this process has mapped.
std::size_t MappedNow() {
  std::FILE* in = std::fopen("/proc/self/status", "re");
  char line[256];
  unsigned long long kilobytes = 0;
  while (in && std::fgets(line, sizeof line, in)) {
    if (std::sscanf(line, "VmSize: %llu kB", &kilobytes) == 1) break;
  }
  if (in) std::fclose(in);
  return static_cast<std::size_t>(kilobytes) * 1024;
}

// A list too long for the memory left is refused before anything is written, never cut short
// by an allocation that fails half way through.
TEST(OddLists, AListTooLargeForTheMemoryThereIsIsRefusedBeforeAnythingIsWritten) {
  Scene scene;
  scene.Raw({"DSC_0000001.NEF", "other.NEF"});
  scene.keep = false;
  std::string list;
  for (int i = 0; i < 600000; ++i) list += "DSC_" + std::to_string(1000000 + i) + ".JPG\r\n";
  const std::filesystem::path listPath = scene.temp.Write("list.txt", list);
  std::string().swap(list);
  const Files before = scene.RawFiles();
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  const pid_t child = ::fork();
  if (child == 0) {
    // Room to read the list, not to check it against the folder as well.
    const rlimit limit{MappedNow() + (48u << 20), RLIM_INFINITY};
    ::setrlimit(RLIMIT_AS, &limit);
    std::string report = "no result";
    try {
      const CleanupPlan plan =
          PlanCleanup(scene.Request(CleanupRequest::Source::PhotoList, listPath.string()), scene.settings, TestDisk());
      report = plan.error ? plan.error->Text() : "planned";
    } catch (const std::bad_alloc&) {
      report = "out of memory half way";
    }
    (void)!::write(pipeFds[1], report.data(), report.size());
    ::_exit(0);
  }
  ::close(pipeFds[1]);
  std::string report;
  char buffer[4096];
  for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;) report.append(buffer, static_cast<std::size_t>(n));
  ::close(pipeFds[0]);
  ::waitpid(child, nullptr, 0);
  EXPECT_THAT(report, AllOf(HasSubstr("too long for the memory there is"), HasSubstr("Nothing was changed")));
  EXPECT_EQ(scene.RawFiles(), before);
}

TEST(OddLists, AListThatNamesNoJpgIsRefusedAndTouchesNothing) {
  for (const std::string list : {"DSC_0001\r\nDSC_0002\r\n", "DSC_0001.NEF\n", "", "\r\n\r\n"}) {
    SCOPED_TRACE(list);
    Scene scene;
    scene.Raw({"DSC_0001.NEF", "DSC_0002.nef"});
    scene.keep = false;
    const Files before = scene.RawFiles();
    scene.ByList(list);
    EXPECT_THAT(scene.OnlyError(), HasSubstr("names no JPG file"));
    EXPECT_EQ(scene.RawFiles(), before);
  }
  // One line of a JPG kind, in any spelling, is enough; the others pair as they always did.
  Scene scene;
  scene.Raw({"a.nef", "b.nef", "c.cr2"});
  scene.keep = false;
  scene.ByList("notes\r\nA.JPEG \r\nc.jpe\r\n");
  scene.ExpectDone();
  EXPECT_EQ(scene.RawFiles(), Scene::Expect({{"a.nef", "a.nef"}, {"c.cr2", "c.cr2"}}));
}

TEST(OddLists, ARawFileNoListCanNameIsLeftAloneAndNamed) {
  for (const std::string odd : {"line\nfeed.nef", "carriage\rreturn.NEF", "set\naside.nbak"}) {
    SCOPED_TRACE(odd);
    Scene scene;
    scene.Raw({"keep.nef", "go.nef", odd});
    scene.keep = false;
    const Files before = scene.RawFiles();
    scene.ByList("keep.jpg\r\n");
    EXPECT_THAT(scene.OnlyError(), AllOf(HasSubstr("line break"), HasSubstr(EscapeControls(odd))));
    EXPECT_EQ(scene.RawFiles(), before);
  }
  // By folder such a file pairs by the JPG folder's own names, as before.
  Scene scene;
  scene.Raw({"line\nfeed.nef", "go.nef"});
  scene.Jpg({"line\nfeed.jpg"});
  scene.keep = false;
  scene.ByFolder();
  EXPECT_EQ(scene.RawFiles().count("line\nfeed.nef"), 1u);
}

TEST(Restore, EveryCameraKindComesBackAndWhatIsLeftIsNamed) {
  Scene scene;
  // The settings know only the five; the folder was set aside where ExtraRAW=dng,rw2 was set.
  scene.Raw({"A.nbak", "B.dngbak", "C.RW2BAK", "D.xyzbak", "E.nbak", "E.nef", "notes.bak"});
  const RestoreRequest request{scene.raw};
  const RunPlan plan = PlanRestore(request, scene.settings, TestDisk());
  EXPECT_THAT(FormatPlan(plan), AllOf(HasSubstr("restore\tB.dngbak\tB.dng"), HasSubstr("restore\tC.RW2BAK\tC.rw2")));
  scene.result = RestoreSetAside(request, scene.settings, scene.runner, TestDisk());
  const std::string error = scene.OnlyError();
  // E.nef is taken, so E.nbak stays; D.xyzbak is of no kind anyone knows: both are named.
  EXPECT_THAT(error, AllOf(HasSubstr("D.xyzbak"), HasSubstr("E.nbak"), Not(HasSubstr("notes.bak"))));
  const Files after = scene.RawFiles();
  for (const char* name : {"A.nef", "B.dng", "C.rw2", "D.xyzbak", "E.nbak", "E.nef", "notes.bak"}) {
    EXPECT_EQ(after.count(name), 1u) << name;
  }

  // Nothing left that looks set aside: done.
  Scene clean;
  clean.Raw({"A.NBAK", "B.x3fbak", "notes.bak"});
  clean.result = RestoreSetAside({clean.raw}, clean.settings, clean.runner, TestDisk());
  clean.ExpectDone();
  EXPECT_EQ(clean.RawFiles().count("B.x3f"), 1u);
}

// The real interpreter killed while it runs the restoring script: the message names that
// script, not the renaming one that had ended.
TEST(Interrupted, TheScriptCutShortIsTheOneNamed) {
  Scene scene;
  const fs::path killer = scene.temp.WriteProgram("killer", "#!/bin/sh\nkill -9 $PPID\nsleep 5\n");
  const std::string renaming = scene.temp.Write("raw/rRAW.bat", "ren *.nef *.nbak\r\n").string();
  const std::string restoring = scene.temp.Write("raw/RAWreverse.bat", killer.string() + "\r\n").string();
  scene.Raw({"a.nef"});
  const ScriptOutcome outcome =
      scene.runner.Run({renaming, scene.raw, WindowStyle::Hidden, "t", restoring, false});
  ASSERT_TRUE(outcome.error);
  EXPECT_THAT(outcome.error->description, AllOf(HasSubstr("RAWreverse.bat"), Not(HasSubstr("rRAW.bat"))));

  // Killed in the first script: that one is named.
  const std::string slow = scene.temp.Write("raw/rRAW.bat", killer.string() + "\r\n").string();
  const ScriptOutcome early = scene.runner.Run({slow, scene.raw, WindowStyle::Hidden, "t", restoring, false});
  ASSERT_TRUE(early.error);
  EXPECT_THAT(early.error->description, AllOf(HasSubstr("rRAW.bat"), Not(HasSubstr("RAWreverse.bat"))));
}

TEST(Interrupted, ARestoreIsOfferedOnlyWhenTheRecordSaysTheCleanupDidNotFinish) {
  Scene scene;
  scene.Raw({"a.nbak", "rRAW.bat", "RAWreverse.bat"});
  CleanupRecord plan;
  plan.raws.push_back({PlannedAction::SetAside, "a.nef", "a.nbak"});
  plan.state = CleanupRecord::State::Finished;
  scene.temp.Write("raw/" + std::string(kCleanupRecordName), FormatCleanupRecord(plan));
  // The scripts are still there (the window died before it deleted them), but the run finished.
  EXPECT_FALSE(LooksInterrupted(TestDisk(), scene.raw, scene.settings));
  plan.state = CleanupRecord::State::Running;
  scene.temp.Write("raw/" + std::string(kCleanupRecordName), FormatCleanupRecord(plan));
  EXPECT_TRUE(LooksInterrupted(TestDisk(), scene.raw, scene.settings));
  // Running, but nothing is set aside (killed before its first rename): nothing to restore.
  fs::rename(scene.raw + "/a.nbak", scene.raw + "/a.nef");
  EXPECT_FALSE(LooksInterrupted(TestDisk(), scene.raw, scene.settings));
}

}  // namespace
}  // namespace shotsweep
