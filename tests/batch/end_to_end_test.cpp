// The real shotsweep-batch executable running cleanup scripts on real folders.

#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/wait.h>

#include <array>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <sstream>

#include "base/process.h"
#include "tests/batch/batch_test_run.h"
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

}  // namespace
}  // namespace shotsweep::batch
