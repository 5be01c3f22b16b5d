// The real shotsweep-batch executable running cleanup scripts on real folders.

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/mman.h>
#include <sys/wait.h>

#include <array>
#include <csignal>
#include <filesystem>
#include <limits>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "base/files.h"
#include "base/process.h"
#include "fs/file_system.h"
#include "tests/batch/batch_test_run.h"
#include "tests/batch/cleanup_plan.h"
#include "tests/support/temp_folder.h"

extern char** environ;

namespace shotsweep::batch {
namespace {

namespace fs = std::filesystem;
using shotsweep::testing::ReadFile;
using shotsweep::testing::Snapshot;
using shotsweep::testing::TempFolder;

struct Ran {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs shotsweep-batch ARGUMENTS in `cwd`; `progressFd`, when given, becomes descriptor 3 of the child.
Ran RunBatch(std::vector<std::string> arguments, const std::string& cwd, int progressFd = -1) {
  const UniqueFd out(::memfd_create("out", MFD_CLOEXEC));
  const UniqueFd err(::memfd_create("err", MFD_CLOEXEC));
  SpawnRequest request;
  request.program = SHOTSWEEP_BATCH;
  request.argv = {request.program};
  request.argv.insert(request.argv.end(), arguments.begin(), arguments.end());
  request.environment.emplace();
  for (char** e = environ; *e; ++e) request.environment->emplace_back(*e);
  request.environment->emplace_back(progressFd >= 0 ? "SHOTSWEEP_PROGRESS_FD=3" : "SHOTSWEEP_PROGRESS_FD=");
  request.workingDir = cwd;
  request.out = Stream::To(out.get());
  request.err = Stream::To(err.get());
  if (progressFd >= 0) request.passFds = {{3, progressFd}};
  Ran ran;
  const Spawned child = Spawn(request);
  if (!child.error) {
    int raw = 0;
    WaitForExit(child.pid, &raw);
    ran.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
  }
  ran.out = testing::ReadBack(out.get());
  ran.err = testing::ReadBack(err.get());
  return ran;
}

Ran RunBatch(const std::string& script, const std::string& cwd, int progressFd = -1) {
  return RunBatch(std::vector<std::string>{script}, cwd, progressFd);
}

constexpr std::array<std::pair<const char*, const char*>, 5> kKinds{
    {{".nef", ".nbak"}, {".cr2", ".cbak"}, {".crw", ".wbak"}, {".arw", ".abak"}, {".orf", ".obak"}}};

// The two cleanup scripts as Shotsweep writes them for a folder.
struct CleanupScripts {
  std::string renaming;
  std::string restoring;
};

std::string BaseName(const std::string& name) {
  const size_t dot = name.find('.', 1);
  return dot == std::string::npos ? std::string() : name.substr(0, dot);
}

CleanupScripts MakeScripts(const std::string& folder, const std::vector<std::string>& jpgNames,
                           const std::string& deleteLines) {
  const std::string q = folder.find(' ') != std::string::npos ? "\"" : "";
  const std::string r = folder + "/";
  CleanupScripts s;
  s.renaming = "chcp 852\r\ncd " + q + folder + q + "\r\n";
  for (const auto& [raw, aside] : kKinds) s.renaming += "ren " + q + r + "*" + raw + q + " *" + aside + "\r\n";
  s.restoring = "chcp 852\r\ncd " + q + folder + q + "\r\n";
  for (const std::string& jpg : jpgNames) {
    const std::string b = BaseName(jpg);
    for (const auto& [raw, aside] : kKinds) s.restoring += "ren " + q + r + b + aside + q + " " + b + raw + "\r\n";
  }
  if (deleteLines == "*.*bak") {
    s.restoring += "del " + q + r + "*.*bak" + q + "\r\n";
  } else if (deleteLines == "per kind") {
    for (const auto& kind : kKinds) s.restoring += "del " + q + r + "*" + kind.second + q + "\r\n";
  }
  return s;
}

// Runs both scripts the way a cleanup does: the renaming script to its end, then the restoring one.
void RunCleanup(const TempFolder& temp, const std::string& folder, const std::vector<std::string>& jpgNames,
                const std::string& deleteLines) {
  const CleanupScripts s = MakeScripts(folder, jpgNames, deleteLines);
  temp.Write("scripts/rRAW.bat", s.renaming);
  temp.Write("scripts/RAWreverse.bat", s.restoring);
  const Ran first = RunBatch((temp.path() / "scripts/rRAW.bat").string(), folder);
  ASSERT_EQ(first.status, 0) << first.err;
  const Ran second = RunBatch((temp.path() / "scripts/RAWreverse.bat").string(), folder);
  ASSERT_EQ(second.status, 0) << second.err;
}

std::set<std::string> Names(const fs::path& dir) {
  std::set<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.insert(e.path().filename().string());
  return names;
}

// The life of each file through one cleanup: before, JPG listed, after with "Bak" clear, after with it ticked.
TEST(EndToEnd, EveryFileLivesAsTheCleanupTableSays) {
  for (const std::string folderName : {"RAW", "My Photos"}) {
    for (const std::string deleteLines : {"*.*bak", "per kind", "none"}) {
      TempFolder temp;
      const fs::path folder = temp.MakeDir(folderName);
      for (const char* f : {"X.nef", "Y.cr2", "Z.NEF", "W.obak", "V.abak", "notes.bak", "T.cr3"}) {
        temp.Write(folderName + "/" + f, f);
      }
      RunCleanup(temp, folder.string(), {"X.jpg", "z.jpg", "W.jpg"}, deleteLines);
      std::set<std::string> expected{"X.nef", "z.nef", "W.orf", "T.cr3"};
      if (deleteLines == "none") expected.insert({"Y.cbak", "V.abak", "notes.bak"});
      if (deleteLines == "per kind") expected.insert("notes.bak");  // only what the cleanup set aside goes
      EXPECT_EQ(Names(folder), expected) << folderName << ", delete: " << deleteLines;
      EXPECT_EQ(ReadFile(folder / "z.nef"), "Z.NEF");
      EXPECT_EQ(ReadFile(folder / "W.orf"), "W.obak");
    }
  }
}

// Random folders: a RAW file of the five kinds whose base name is listed survives under the listed
// spelling; the others end deleted or set aside; nothing else changes.
TEST(EndToEnd, RandomFoldersKeepEveryListedRawFile) {
  std::mt19937 random(20240611);
  const std::array<const char*, 8> extensions{".nef", ".NEF", ".cr2", ".CR2", ".crw", ".Arw", ".orf", ".cr3"};
  for (int round = 0; round < 6; ++round) {
    TempFolder temp;
    const fs::path folder = temp.MakeDir(round % 2 ? "raw folder" : "raw");
    std::map<std::string, std::string> files;  // name -> content
    std::vector<std::string> jpgs;
    std::set<std::string> usedBases;
    for (int i = 0; i < 150; ++i) {
      std::string base = (random() % 2 ? "DSC_" : "dsc_") + std::to_string(1000 + random() % 400);
      if (!usedBases.insert(base.substr(4)).second) continue;  // one spelling per base
      const std::string name = base + extensions[random() % extensions.size()];
      files[name] = name;
      temp.Write(folder.filename().string() + "/" + name, name);
      if (random() % 3 != 0) {
        std::string jpg = base + (random() % 2 ? ".jpg" : ".JPG");
        if (random() % 2) std::transform(jpg.begin(), jpg.end(), jpg.begin(), ::toupper);
        jpgs.push_back(jpg);
      }
    }
    temp.Write(folder.filename().string() + "/notes.txt", "keep");
    const bool keepAside = round % 3 == 0;
    RunCleanup(temp, folder.string(), jpgs, keepAside ? "none" : "per kind");

    std::map<std::string, std::string> expected{{"notes.txt", "keep"}};
    std::map<std::string, std::string> listed;  // folded base -> base as listed
    for (const std::string& jpg : jpgs) {
      std::string folded = BaseName(jpg);
      std::transform(folded.begin(), folded.end(), folded.begin(), ::tolower);
      listed[folded] = BaseName(jpg);
    }
    for (const auto& [name, content] : files) {
      std::string ext = name.substr(name.find('.'));
      std::transform(ext.begin(), ext.end(), ext.begin(), ::tolower);
      std::string folded = BaseName(name);
      std::transform(folded.begin(), folded.end(), folded.begin(), ::tolower);
      const auto kind = std::find_if(kKinds.begin(), kKinds.end(), [&](const auto& k) { return ext == k.first; });
      if (kind == kKinds.end()) {
        expected[name] = content;
      } else if (listed.count(folded)) {
        expected[listed[folded] + kind->first] = content;
      } else if (keepAside) {
        expected[BaseName(name) + kind->second] = content;
      }
    }
    EXPECT_EQ(Snapshot(folder), expected) << "round " << round;
  }
}

TEST(EndToEnd, ExitStatusTellsWhetherTheScriptCouldBeRead) {
  TempFolder temp;
  const Ran missing = RunBatch((temp.path() / "missing.bat").string(), temp.str());
  EXPECT_NE(missing.status, 0);
  EXPECT_NE(missing.err.find("cannot read the script"), std::string::npos);
  const Ran folder = RunBatch(temp.str(), temp.str());
  EXPECT_NE(folder.status, 0);

  // A line that finds nothing to act on is no failure; one that cannot run is, and the script
  // still runs to its end.
  temp.Write("s.bat", "del nothing.here\r\necho done\r\n");
  EXPECT_EQ(RunBatch("s.bat", temp.str()).status, 0);
  temp.Write("s.bat", "del nothing.here\r\nbogus command\r\necho done\r\n");
  const Ran ran = RunBatch("s.bat", temp.str());
  EXPECT_EQ(ran.status, 1);
  EXPECT_NE(ran.out.find("done\n"), std::string::npos);
  EXPECT_NE(ran.err.find("Could Not Find"), std::string::npos);
}

TEST(EndToEnd, ACleanupRunsBothScriptsButDeletesNothingAfterARestoreFailed) {
  TempFolder temp;
  const std::string folder = temp.MakeDir("raw").string();
  temp.Write("raw/a.NEF", "twin");
  temp.Write("raw/b.nef", "unmatched");
  const CleanupScripts s = MakeScripts(folder, {"a.jpg"}, "per kind");
  temp.Write("rRAW.bat", s.renaming);
  temp.Write("RAWreverse.bat", s.restoring);
  const std::string renaming = (temp.path() / "rRAW.bat").string();
  const std::string restoring = (temp.path() / "RAWreverse.bat").string();

  // Something takes the twin's name back while the scripts run: its restore line fails.
  temp.MakeDir("raw/A.nef");
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const Ran ran = RunBatch({"--cleanup", renaming, restoring}, folder, fds[1]);
  ::close(fds[1]);
  const std::string report = testing::ReadBack(fds[0]);
  ::close(fds[0]);
  EXPECT_EQ(ran.status, 1);
  EXPECT_EQ(Names(fs::path(folder)), (std::set<std::string>{"A.nef", "a.nbak", "b.nbak"}));
  EXPECT_NE(report.find("! RAWreverse.bat, line 3: " + folder + "/a.nbak: A duplicate file name exists"),
            std::string::npos) << report;
  EXPECT_NE(report.find("! RAWreverse.bat, line 8: " + folder + "/*.nbak: Nothing deleted"), std::string::npos);

  // Without that, the same run ends as planned, and says so.
  fs::remove(fs::path(folder) / "A.nef");
  fs::rename(fs::path(folder) / "b.nbak", fs::path(folder) / "b.nef");
  EXPECT_EQ(RunBatch({"--cleanup", renaming, restoring}, folder).status, 0);
  EXPECT_EQ(Names(fs::path(folder)), (std::set<std::string>{"a.nef"}));

  // A restoring script that cannot be read: nothing is set aside in the first place.
  temp.Write("raw/c.nef");
  const Ran unread = RunBatch({"--cleanup", renaming, restoring + ".missing"}, folder);
  EXPECT_EQ(unread.status, 1);
  EXPECT_NE(unread.err.find("nothing was run"), std::string::npos);
  EXPECT_EQ(Names(fs::path(folder)), (std::set<std::string>{"a.nef", "c.nef"}));
}

TEST(EndToEnd, ProgressLinesGoToTheNamedDescriptor) {
  TempFolder temp;
  std::string script;
  // Long enough to take more than 50 ms, so intermediate reports come too.
  for (int i = 0; i < 3; ++i) script += "/bin/sleep 0.04\r\n";
  for (int i = 0; i < 2000; ++i) script += "ren nothing" + std::to_string(i) + ".nbak x.nef\r\n";
  temp.Write("s.bat", script);
  int fds[2];
  ASSERT_EQ(::pipe(fds), 0);
  const Ran ran = RunBatch("s.bat", temp.str(), fds[1]);
  ::close(fds[1]);
  const std::string progress = testing::ReadBack(fds[0]);
  ::close(fds[0]);
  EXPECT_EQ(ran.status, 0);
  std::istringstream lines(progress);
  long done = 0, total = 0, previous = -1;
  int count = 0;
  while (lines >> done >> total) {
    EXPECT_EQ(total, 2003);
    EXPECT_GE(done, previous);
    previous = done;
    ++count;
  }
  EXPECT_EQ(previous, 2003);
  EXPECT_GE(count, 3) << progress;
}

// A cleanup as the command starts it: its scripts beside the RAW folder, its plan in it.
struct PlannedCleanup {
  PlannedCleanup(const TempFolder& temp, const std::string& raw, const testing::CleanupFiles& files)
      : record(raw + "/RAWnames.txt") {
    for (const auto& [name, text] : {std::pair<std::string, std::string>{"rRAW.bat", files.renaming},
                                     {"RAWreverse.bat", files.restoring}, {"RAWrestore.bat", files.restoreAll}}) {
      scripts.push_back(temp.Write(name, text).string());
    }
    EXPECT_EQ(MakeDiskFileSystem()->WriteFile(record, FormatCleanupRecord(files.plan)), std::nullopt);
  }
  std::vector<std::string> Cleanup(bool trash = false) const {
    std::vector<std::string> args{"--cleanup", "--record", record, scripts[0], scripts[1]};
    if (trash) args.insert(args.begin() + 1, "--trash");
    return args;
  }
  std::vector<std::string> Restore() const { return {"--record", record, scripts[2]}; }

  std::string record;
  std::vector<std::string> scripts;
};

TEST(EndToEnd, ACleanupWithItsPlanKeepsExactNamesAndTouchesNothingElse) {
  // A home of its own, for the trash.
  const TempFolder home;
  ::setenv("HOME", home.str().c_str(), 1);
  ::setenv("XDG_DATA_HOME", (home.str() + "/data").c_str(), 1);
  for (const PlannedAction unmatched : {PlannedAction::Delete, PlannedAction::Trash, PlannedAction::SetAside}) {
    SCOPED_TRACE(static_cast<int>(unmatched));
    TempFolder temp;
    const std::string raw = temp.MakeDir("My RAW").string();
    const std::vector<std::string> names{"DSC_0001.NEF", "Dsc_0002.Nef", "IMG_0003.CR2", "DSC_0004.NEF"};
    for (const std::string& name : names) temp.Write("My RAW/" + name, name);
    temp.Write("My RAW/DSC_0004.NEF.xmp", "sidecar");
    temp.Write("My RAW/notes.txt", "notes");
    auto files = testing::MakeCleanup(raw, names, {"dsc_0001.jpg", "DSC_0002.JPG", "img_0003.jpg"}, unmatched);
    if (unmatched != PlannedAction::SetAside) files.plan.sidecars = {{unmatched, "DSC_0004.NEF.xmp", "DSC_0004.NEF"}};
    const PlannedCleanup cleanup(temp, raw, files);
    // An import writes a new pair once the cleanup has read the folders.
    temp.Write("My RAW/NEW.JPG", "new jpg");
    temp.Write("My RAW/NEW.NEF", "new");

    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const Ran ran = RunBatch(cleanup.Cleanup(unmatched == PlannedAction::Trash), raw, fds[1]);
    ::close(fds[1]);
    const std::string report = testing::ReadBack(fds[0]);
    ::close(fds[0]);
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_NE(report.find("~ rRAW.bat, line 3: " + raw + "/NEW.NEF: not in the cleanup's plan, so left as it is\n"),
              std::string::npos) << report;
    std::map<std::string, std::string> expected{{"DSC_0001.NEF", "DSC_0001.NEF"}, {"Dsc_0002.Nef", "Dsc_0002.Nef"},
                                                {"IMG_0003.CR2", "IMG_0003.CR2"}, {"NEW.JPG", "new jpg"},
                                                {"NEW.NEF", "new"},                {"notes.txt", "notes"}};
    if (unmatched != PlannedAction::SetAside) {
      // Nothing is left set aside: no record either. What went to the trash lies there under
      // its own name.
      EXPECT_EQ(Snapshot(raw), expected);
      EXPECT_EQ(fs::exists(home.path() / "data/Trash/files/DSC_0004.NEF"), unmatched == PlannedAction::Trash);
      EXPECT_EQ(fs::exists(home.path() / "data/Trash/files/DSC_0004.NEF.xmp"), unmatched == PlannedAction::Trash);
      continue;
    }
    expected.insert({{"DSC_0004.nbak", "DSC_0004.NEF"}, {"DSC_0004.NEF.xmp", "sidecar"}});
    expected["RAWnames.txt"] = "Shotsweep cleanup record 1\r\nstate\tfinished\r\nraw\tset-aside\tDSC_0004.NEF\tDSC_0004.nbak\r\n";
    EXPECT_EQ(Snapshot(raw), expected);
    // A restore gives the file set aside its own name back, and the record goes.
    EXPECT_EQ(RunBatch(cleanup.Restore(), raw).status, 0);
    expected.erase("RAWnames.txt");
    expected.erase("DSC_0004.nbak");
    expected["DSC_0004.NEF"] = "DSC_0004.NEF";
    EXPECT_EQ(Snapshot(raw), expected);
  }
}

// Runs `argv` in `folder`, and kills it with SIGKILL once the folder has seen `events` renames
// and deletions. Returns how many it saw: fewer when the run ended first.
int RunAndKillAfter(const std::vector<std::string>& argv, const std::string& folder, int events) {
  const UniqueFd watch(::inotify_init1(IN_CLOEXEC | IN_NONBLOCK));
  ::inotify_add_watch(watch.get(), folder.c_str(), IN_MOVED_TO | IN_DELETE);
  SpawnRequest request;
  request.program = argv[0];
  request.argv = argv;
  request.workingDir = folder;
  request.out = request.err = Stream::ToNull();
  const Spawned child = Spawn(request);
  EXPECT_FALSE(child.error);
  // On a busy machine the run could end before this loop is given the processor to see its
  // events; at the lowest priority it waits for the watcher, so the kill lands where it was meant.
  ::setpriority(PRIO_PROCESS, static_cast<id_t>(child.pid), 19);
  alignas(inotify_event) char buffer[65536];
  int seen = 0;
  for (bool ended = false; seen < events && !ended;) {
    siginfo_t exited{};
    ended = ::waitid(P_PID, child.pid, &exited, WEXITED | WNOHANG | WNOWAIT) == 0 && exited.si_pid == child.pid;
    pollfd p{watch.get(), POLLIN, 0};
    if (::poll(&p, 1, 5) <= 0) continue;
    const ssize_t n = ::read(watch.get(), buffer, sizeof buffer);
    for (ssize_t at = 0; at < n; ++seen) {
      at += static_cast<ssize_t>(sizeof(inotify_event) + reinterpret_cast<inotify_event*>(buffer + at)->len);
    }
  }
  ::kill(child.pid, SIGKILL);
  WaitForExit(child.pid);
  return seen;
}

// kill -9 at any moment of a cleanup with its plan; then a restore with the record. Every file
// that was not deleted as planned is back under its exact name, and a RAW file that is there
// still has its sidecar.
TEST(EndToEnd, ACleanupKilledAtAnyMomentLosesNothingARestoreCannotGiveBackByItsExactName) {
  constexpr int kFiles = 300;
  constexpr int kRuns = 24;
  const char* kExtensions[] = {".NEF", ".Cr2", ".orf", ".ARW", ".crw"};
  std::vector<std::string> names, jpgs;
  std::map<std::string, std::string> sidecarOf;
  for (int i = 0; i < kFiles; ++i) {
    const std::string stem = (i % 2 ? "DSC_" : "Dsc_") + std::to_string(1000 + i);
    names.push_back(stem + kExtensions[i % 5]);
    if (i % 3 == 0) {
      jpgs.push_back("dsc_" + std::to_string(1000 + i) + ".jpg");
    } else if (i % 4 == 0) {
      sidecarOf[names.back()] = names.back() + ".xmp";
    }
  }
  auto files = testing::MakeCleanup("/raw", names, jpgs, PlannedAction::Delete);
  std::set<std::string> kept;
  for (const CleanupRecord::Raw& entry : files.plan.raws) {
    if (entry.action == PlannedAction::Keep) kept.insert(entry.original);
  }

  std::mt19937 random(20261207);
  int events = 0;  // the renames and deletions of a whole run
  int cutShort = 0;
  for (int run = -1; run < kRuns; ++run) {  // the first, whole, to count them
    SCOPED_TRACE(run);
    TempFolder temp;
    const std::string raw = temp.MakeDir("raw").string();
    for (const std::string& name : names) temp.Write("raw/" + name, name);
    for (const auto& [owner, sidecar] : sidecarOf) temp.Write("raw/" + sidecar, sidecar);
    temp.Write("raw/notes.txt", "notes");
    files = testing::MakeCleanup(raw, names, jpgs, PlannedAction::Delete);
    for (const auto& [owner, sidecar] : sidecarOf) files.plan.sidecars.push_back({PlannedAction::Delete, sidecar, owner});
    const auto before = Snapshot(raw);
    const PlannedCleanup cleanup(temp, raw, files);

    std::vector<std::string> argv{SHOTSWEEP_BATCH};
    for (const std::string& arg : cleanup.Cleanup()) argv.push_back(arg);
    if (run < 0) {
      events = RunAndKillAfter(argv, raw, std::numeric_limits<int>::max());
      ASSERT_GT(events, kFiles);
      continue;
    }
    RunAndKillAfter(argv, raw, std::uniform_int_distribution<int>(1, events)(random));
    bool asideLeft = false;
    for (const auto& [name, content] : Snapshot(raw)) asideLeft |= name.find("bak") != std::string::npos;
    cutShort += asideLeft;

    const Ran restored = RunBatch(cleanup.Restore(), raw);
    EXPECT_EQ(restored.status, 0) << restored.err;
    auto after = Snapshot(raw);
    EXPECT_EQ(after.count("RAWnames.txt"), 0u);  // nothing is set aside any more
    std::erase_if(after, [](const auto& file) { return file.first.starts_with(".RAWnames.txt.tmp-"); });
    for (const auto& [name, content] : after) EXPECT_EQ(before.count(name), 1u) << name;
    for (const auto& [name, content] : before) {
      const auto there = after.find(name);
      if (there != after.end()) {
        EXPECT_EQ(there->second, content);
      } else {
        // Gone: a RAW file planned for deletion, or the sidecar of one that is gone too.
        const bool raw = testing::KindOf(name) != nullptr;
        EXPECT_TRUE(raw ? !kept.count(name) : name.ends_with(".xmp") && !after.count(name.substr(0, name.size() - 4)))
            << name;
      }
    }
  }
  // On a busy machine some kills land only after the run has ended; a few that cut it short
  // are enough to mean something.
  EXPECT_GE(cutShort, kRuns / 4) << "too few runs were killed half way to mean anything";
}

TEST(EndToEnd, UsageHelpAndARecordThatCannotBeUsed) {
  TempFolder temp;
  const Ran help = RunBatch(std::vector<std::string>{"--help"}, temp.str());
  EXPECT_EQ(help.status, 0);
  EXPECT_NE(help.out.find("--cleanup [--trash] [--record FILE] RENAMING RESTORING"), std::string::npos);
  for (const std::vector<std::string>& wrong : {std::vector<std::string>{}, {"--cleanup", "a"}, {"--record", "r"},
                                                {"--cleanup", "--record", "r", "a"}, {"--cleanup", "--trash", "--trash", "a", "b"}}) {
    const Ran usage = RunBatch(wrong, temp.str());
    EXPECT_EQ(usage.status, 2);
    EXPECT_TRUE(usage.err.starts_with("usage: ")) << usage.err;
  }

  // A record that is not one, or no plan, and the scripts run not at all.
  const std::string raw = temp.MakeDir("raw").string();
  temp.Write("raw/a.NEF", "a");
  const PlannedCleanup cleanup(temp, raw, testing::MakeCleanup(raw, {"a.NEF"}, {}, PlannedAction::Delete));
  CleanupRecord finished;
  finished.state = CleanupRecord::State::Finished;
  for (const std::string& text : {std::string("Shotsweep cleanup record 1\r\nstate\trunning\r\nraw\tkeep\ta.NEF\r\n"),
                                  FormatCleanupRecord(finished)}) {
    temp.Write("raw/RAWnames.txt", text);
    for (const std::vector<std::string>& run : {cleanup.Cleanup(), cleanup.Restore()}) {
      if (run == cleanup.Restore() && text == FormatCleanupRecord(finished)) continue;  // a restore's to use
      const Ran refused = RunBatch(run, raw);
      EXPECT_EQ(refused.status, 1);
      EXPECT_NE(refused.err.find("nothing was run"), std::string::npos) << refused.err;
      EXPECT_EQ(ReadFile(fs::path(raw) / "a.NEF"), "a");
    }
  }
  // A restore without a record knows no names, and makes no record.
  fs::remove(cleanup.record);
  fs::rename(fs::path(raw) / "a.NEF", fs::path(raw) / "a.nbak");
  EXPECT_EQ(RunBatch(cleanup.Restore(), raw).status, 0);
  EXPECT_EQ(Names(raw), (std::set<std::string>{"a.nef"}));
}

}  // namespace
}  // namespace shotsweep::batch
