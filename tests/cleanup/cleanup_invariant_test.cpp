// What must hold after any cleanup, over random folders and lists; and what must hold when
// the interpreter is killed half way through a script.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <random>
#include <set>
#include <sys/inotify.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "base/cleanup_record.h"
#include "base/case_folding.h"
#include "cleanup/cleanup_commands.h"
#include "cleanup/cleanup_plan.h"
#include "base/file_names.h"
#include "platform/posix_script_runner.h"
#include "settings/settings.h"
#include "tests/support/disk.h"
#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::string>;
using testing::Snapshot;

// The RAW kind a file name belongs to, as the scripts see it: its place in the table and
// whether it carries the aside extension; the extension's length in bytes.
struct KindOf {
  const RawKind* kind = nullptr;
  std::size_t extensionLength = 0;
  bool aside = false;
};

KindOf Classify(const std::string& name) {
  const std::string folded = FoldCase(name);
  for (const RawKind& kind : DefaultRawKinds()) {
    for (bool aside : {false, true}) {
      const std::string_view ext = aside ? kind.aside : kind.extension;
      if (folded.size() >= ext.size() && folded.compare(folded.size() - ext.size(), ext.size(), ext) == 0) {
        return KindOf{&kind, ext.size(), aside};
      }
    }
  }
  return {};
}

// The names a listed JPG name stands for: without its folder part, and for a photo-list line
// also without the blanks it begins with.
std::vector<std::string> Candidates(const std::string& listed, bool trim) {
  const std::size_t slash = listed.find_last_of('/');
  const std::string name = slash == std::string::npos ? listed : listed.substr(slash + 1);
  std::vector<std::string> names{name};
  const std::size_t first = name.find_first_not_of(' ');
  if (trim && first != 0 && first != std::string::npos) names.push_back(name.substr(first));
  return names;
}

// The stems a name keeps RAW files under: its base name, then the text before its last dot.
std::vector<std::string> StemsOf(const std::string& name) {
  std::vector<std::string> stems{FileBaseName(name)};
  const std::size_t lastDot = name.rfind('.');
  if (!stems[0].empty() && lastDot != std::string::npos && lastDot > stems[0].size()) {
    stems.push_back(name.substr(0, lastDot));
  }
  return stems;
}

// Every stem a listed JPG name keeps RAW files under, in the order its restore lines come.
std::vector<std::string> KeptStems(const std::string& listed, bool trim) {
  std::vector<std::string> stems;
  for (const std::string& name : Candidates(listed, trim)) {
    for (std::string& stem : StemsOf(name)) stems.push_back(std::move(stem));
  }
  return stems;
}

// A RAW name with more than one dot is also kept by a listed JPG of a single dot with its base
// name (trip.jpg keeps trip.day1.nef, as the preview extraction names that JPG).
bool PairedByFirstDot(const std::string& raw, const std::string& stem,
                      const std::vector<std::string>& listed, bool trim) {
  const std::string base = FileBaseName(raw);
  if (base.size() >= stem.size()) return false;
  return std::any_of(listed.begin(), listed.end(), [&](const std::string& entry) {
    for (const std::string& name : Candidates(entry, trim)) {
      const std::vector<std::string> stems = StemsOf(name);
      if (stems.size() == 1 && !stems[0].empty() && FoldCase(stems[0]) == FoldCase(base)) return true;
    }
    return false;
  });
}

// The RAW folder after a successful cleanup: each RAW file of the five kinds whose stem a
// listed name keeps is there under its own name, or, when an earlier run had set it aside, under
// the first such name with its lower-case RAW extension; every other one is gone, or set aside
// when the set-aside box (`bak`) is not cleared; every other file is unchanged.
Files ExpectedRawFolder(const Files& before, const std::vector<std::string>& listed, int bak, bool trim = false) {
  std::vector<std::string> stems;
  for (const auto& name : listed) {
    for (auto& stem : KeptStems(name, trim)) stems.push_back(std::move(stem));
  }
  Files after;
  for (const auto& [name, content] : before) {
    const KindOf kind = Classify(name);
    if (kind.kind == nullptr) {
      after[name] = content;
      continue;
    }
    // A name the plan cannot hold (a line break in it) is left out of it, and so left as it is.
    if (!IsRecordableName(name)) {
      after[name] = content;
      continue;
    }
    const std::string stem = name.substr(0, name.size() - kind.extensionLength);
    const std::string folded = FoldCase(stem);
    const auto keeper = std::find_if(stems.begin(), stems.end(),
                                     [&](const std::string& s) { return FoldCase(s) == folded; });
    if (keeper != stems.end()) {
      after[kind.aside ? *keeper + std::string(kind.kind->extension) : name] = content;
    } else if (PairedByFirstDot(name, stem, listed, trim)) {
      after[kind.aside ? stem + std::string(kind.kind->extension) : name] = content;
    } else if (bak != 0) {
      // Set aside by this run under the lower-case aside extension, or by an earlier one.
      after[kind.aside ? name : stem + std::string(kind.kind->aside)] = content;
    }
  }
  return after;
}

// Every entry of a folder, links and special files too, by name, with what it is itself.
std::map<std::string, fs::file_type> EntryTypes(const std::string& folder) {
  std::map<std::string, fs::file_type> entries;
  for (const auto& entry : fs::directory_iterator(folder)) {
    std::error_code error;
    // A link to a folder counts as the folder, as the scripts take it.
    entries[entry.path().filename().string()] =
        entry.is_directory(error) ? fs::file_type::directory : entry.symlink_status().type();
  }
  return entries;
}

// Entries a folder may hold besides files and folders, or that cannot be read, each under a
// name no other entry of a round takes; whether one carries a RAW name no photo list can hold.
bool AddOddEntries(const std::string& raw, const fs::path& outside, std::mt19937& random) {
  const auto chance = [&](double p) { return std::bernoulli_distribution(p)(random); };
  const fs::path folder = raw;
  bool unlistable = false;
  if (chance(0.3)) fs::create_symlink("/nonexistent/shotsweep", folder / "zz_dangling.nef");
  if (chance(0.2)) fs::create_symlink("/nonexistent/shotsweep", folder / "zz_dangling");
  if (chance(0.2)) fs::create_symlink(outside, folder / "zz_outside.cr2");
  if (chance(0.2)) ::mkfifo((folder / "zz_fifo.nef").c_str(), 0600);
  if (chance(0.2)) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::snprintf(address.sun_path, sizeof address.sun_path, "%s", (folder / "zz_socket.orf").c_str());
    ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
    ::close(fd);
  }
  if (chance(0.2)) {
    std::ofstream(folder / "zz_unreadable.nef") << "zz_unreadable.nef";
    fs::permissions(folder / "zz_unreadable.nef", fs::perms::none);
  }
  if (chance(0.2)) {
    fs::create_directory(folder / "zz_locked");
    fs::permissions(folder / "zz_locked", fs::perms::none);
  }
  if (chance(0.15)) std::ofstream(folder / "zz_bad\xFF.nef") << "zz_bad\xFF.nef";  // not UTF-8
  if (chance(0.06)) {
    const std::string name = chance(0.5) ? "zz_line\nfeed.nef" : "zz_carriage\rreturn.cr2";
    std::ofstream(folder / name) << name;
    unlistable = true;
  }
  return unlistable;
}

Files Without(Files files, std::initializer_list<std::string> names) {
  for (const auto& name : names) files.erase(name);
  return files;
}

Files WithoutAny(Files files, const std::set<std::string>& names) {
  for (const auto& name : names) files.erase(name);
  return files;
}

// Every file below `root` except those in its folder `skipped`.
Files SnapshotOutside(const fs::path& root, const fs::path& skipped) {
  Files files = Snapshot(root);
  const std::string prefix = skipped.filename().string() + "/";
  std::erase_if(files, [&](const auto& entry) { return entry.first.rfind(prefix, 0) == 0; });
  return files;
}

// Whether two files would take the same name when set aside; the cleanup must refuse them.
bool AnyClash(const Files& folder) {
  std::set<std::string> asideNames;
  for (const auto& [name, content] : folder) {
    const KindOf kind = Classify(name);
    if (kind.kind == nullptr) continue;
    const std::string stem = name.substr(0, name.size() - kind.extensionLength);
    if (!asideNames.insert(FoldCase(stem) + std::string(kind.kind->aside)).second) return true;
  }
  return false;
}

// Whether a folder stands where the scripts would rename a file (its set-aside name, or the
// name a restore line looks for or gives back); the cleanup must refuse them.
bool AnyFolderInTheWay(const Files& files, const std::set<std::string>& folders,
                       const std::vector<std::string>& listed, bool trim) {
  std::set<std::string> folded, asideKeys;
  for (const std::string& folder : folders) folded.insert(FoldCase(folder));
  for (const auto& [name, content] : files) {
    const KindOf kind = Classify(name);
    if (kind.kind == nullptr) continue;
    const std::string key = FoldCase(name.substr(0, name.size() - kind.extensionLength)) +
                            std::string(kind.kind->aside);
    asideKeys.insert(key);
    if (!kind.aside && folded.count(key)) return true;
  }
  std::vector<std::string> kept;
  for (const auto& entry : listed) {
    for (auto& stem : KeptStems(entry, trim)) kept.push_back(std::move(stem));
  }
  for (const auto& [name, content] : files) {
    const KindOf kind = Classify(name);
    if (kind.kind != nullptr && PairedByFirstDot(name, name.substr(0, name.size() - kind.extensionLength), listed, trim)) {
      kept.push_back(name.substr(0, name.size() - kind.extensionLength));
    }
  }
  for (const std::string& stem : kept) {
    for (const RawKind& kind : DefaultRawKinds()) {
      const std::string base = FoldCase(stem);
      if (asideKeys.count(base + std::string(kind.aside)) &&
          (folded.count(base + std::string(kind.aside)) || folded.count(base + std::string(kind.extension)))) {
        return true;
      }
    }
  }
  return false;
}

class RandomCases : public ::testing::Test {
 protected:
  std::string Pick(const std::vector<std::string>& from) {
    return from[std::uniform_int_distribution<std::size_t>(0, from.size() - 1)(random_)];
  }
  bool Chance(double p) { return std::bernoulli_distribution(p)(random_); }
  std::string Stem() {
    static const std::vector<std::string> kPieces = {
        "DSC_", "img", "a", "B", "trip", "x y", "100%", "r&r", "a;b", "k=v", " lead", "Žluť", "é", "(1)", "^", "_",
        "cafe\xCC\x81", "caf\xC3\xA9", "E\xCC\x81"};  // one name, decomposed and composed
    std::string stem = Pick(kPieces) + std::to_string(std::uniform_int_distribution<int>(0, 3)(random_));
    if (Chance(0.2)) stem += "." + Pick(kPieces);  // a second dot
    return stem;
  }
  std::string SwapCase(std::string text) {
    for (char& c : text) {
      if (std::isalpha(static_cast<unsigned char>(c)) && Chance(0.5)) c ^= 0x20;
    }
    return text;
  }

  std::mt19937 random_{20240611};
};

TEST_F(RandomCases, EveryListedTwinSurvivesAndNothingElseIsTouched) {
  static const std::vector<std::string> kExtensions = {
      ".nef", ".NEF", ".cr2", ".Cr2", ".crw", ".arw", ".orf", ".ORF",  // RAW
      ".nbak", ".cbak", ".obak", ".ABAK",                               // set aside earlier
      ".cr3", ".jpg", ".bak", ".txt", ".nef.txt", ""};                  // not RAW
  int refused = 0;
  for (int round = 0; round < 200; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    testing::TempFolder temp;
    const bool blank = Chance(0.3);
    const std::string raw = temp.MakeDir(blank ? "raw folder" : "raw").string();
    const std::string jpg = temp.MakeDir("jpg").string();
    temp.Write("outside.nef", "outside");

    std::vector<std::string> stems;
    for (int i = std::uniform_int_distribution<int>(0, 10)(random_); i > 0; --i) stems.push_back(Stem());
    // Sidecars as photo programs write them, and a file that only begins like one.
    std::set<std::string> sidecars;
    for (const auto& stem : stems) {
      const std::string name = stem + Pick(kExtensions);
      if (!fs::exists(fs::path(raw) / name)) temp.Write(fs::relative(raw, temp.path()) / name, name);
      std::vector<std::string> own;
      if (Chance(0.3)) own.push_back(name + Pick({".xmp", ".XMP", ".pp3", ".dop", ".xmp.txt"}));
      if (Chance(0.2)) own.push_back(stem + Pick({".xmp", ".Xmp"}));
      for (const std::string& sidecar : own) {
        if (fs::exists(fs::path(raw) / sidecar)) continue;
        temp.Write(fs::relative(raw, temp.path()) / sidecar, sidecar);
        sidecars.insert(sidecar);
      }
    }
    // Folders and links named like RAW files: a link to a file is set aside and deleted as
    // one (the file it points to is never touched), a folder or a link to one never is.
    temp.Write("linked.nef", "linked");
    temp.MakeDir("linked folder");
    std::set<std::string> folders;
    for (const auto& stem : stems) {
      const std::string name = stem + Pick({".nef", ".NBAK", ".cr2", ".orf"});
      if (fs::exists(fs::symlink_status(fs::path(raw) / name))) continue;
      if (Chance(0.04)) {
        fs::create_directory(fs::path(raw) / name);
        folders.insert(name);
      } else if (Chance(0.04)) {
        fs::create_directory_symlink(temp.path() / "linked folder", fs::path(raw) / name);
        folders.insert(name);
      } else if (Chance(0.1)) {
        fs::create_symlink(temp.path() / "linked.nef", fs::path(raw) / name);
      }
    }
    const bool unlistable = AddOddEntries(raw, temp.path() / "outside.nef", random_);
    std::vector<std::string> listed;
    for (int i = std::uniform_int_distribution<int>(0, 8)(random_); i > 0; --i) {
      std::string stem = stems.empty() || Chance(0.3) ? Stem() : SwapCase(Pick(stems));
      listed.push_back(stem + (Chance(0.5) ? ".jpg" : ".JPG"));
    }

    Settings settings;
    settings.quoteEveryPath = Chance(0.25);
    settings.deleteScripts = Chance(0.5);
    const int bak = std::uniform_int_distribution<int>(0, 2)(random_);  // cleared, ticked, grayed
    CleanupRequest request{CleanupRequest::Source::JpgFolder, raw, jpg, {}, bak != 0};
    PosixScriptRunner runner;

    const bool byList = Chance(0.5);
    std::vector<std::string> names;
    if (byList) {
      // Lines as other programs write them: any line end, folder parts, blanks, empty lines.
      std::string bytes;
      for (std::string name : listed) {
        if (Chance(0.2)) name = "shoot/" + name;
        if (Chance(0.2)) name += "  ";
        if (Chance(0.15)) name.insert(name.find('/') + 1, Chance(0.5) ? " " : "   ");
        if (Chance(0.1)) names.push_back(""), bytes += "\r\n";
        names.push_back(name);
        bytes += name + Pick({"\r\n", "\n", "\r"});
      }
      if (!bytes.empty() && Chance(0.3)) bytes.pop_back();
      request.source = CleanupRequest::Source::PhotoList;
      request.photoList = temp.Write("list.txt", bytes).string();
    } else {
      for (const auto& name : listed) temp.Write("jpg/" + name, name);
    }

    const Files before = Snapshot(raw);
    const auto typesBefore = EntryTypes(raw);
    const Files outsideBefore = SnapshotOutside(temp.path(), raw);
    // The plan first: it changes nothing, and foretells exactly what carrying it out does.
    const CleanupPlan plan = PlanCleanup(request, settings, testing::TestDisk());
    EXPECT_EQ(Snapshot(raw), before);
    const CommandResult result = CarryOutCleanup(plan, settings, runner, testing::TestDisk());
    Files predicted = before;
    auto typesPredicted = typesBefore;
    for (const PlannedFile& file : plan.files) {
      // Links, pipes and sockets have no content to follow, only a name and a kind.
      if (typesPredicted.count(file.name)) {
        const auto type = typesPredicted.at(file.name);
        typesPredicted.erase(file.name);
        if (!file.newName.empty()) typesPredicted[file.newName] = type;
      }
      if (!before.count(file.name)) continue;
      predicted.erase(file.name);
      if (!file.newName.empty()) predicted[file.newName] = before.at(file.name);
    }
    EXPECT_EQ(Without(Snapshot(raw), {"rRAW.bat", "RAWreverse.bat", "RAWnames.txt"}),
              Without(predicted, {"rRAW.bat", "RAWreverse.bat", "RAWnames.txt"}));
    auto typesAfter = EntryTypes(raw);
    for (const char* own : {"rRAW.bat", "RAWreverse.bat", "RAWnames.txt"}) typesAfter.erase(own), typesPredicted.erase(own);
    // Folders aside: a restore line may meet a folder of its name, which no plan lists (see
    // AnyFolderInTheWay).
    for (auto* types : {&typesAfter, &typesPredicted}) {
      std::erase_if(*types, [](const auto& entry) { return entry.second == fs::file_type::directory; });
    }
    EXPECT_EQ(typesAfter, typesPredicted) << FormatPlan(plan);
    EXPECT_EQ(!plan.error, result.done());

    // The names in the JPG list's order, as the plan read them.
    if (!byList) names = plan.jpgNames;
    EXPECT_EQ(SnapshotOutside(temp.path(), raw), outsideBefore);
    const bool namesNoJpg = byList && std::none_of(names.begin(), names.end(), [](const std::string& name) {
      const std::string folded = FoldCase(name.substr(0, name.find_last_not_of(' ') + 1));
      return folded.ends_with(".jpg");
    });
    if (AnyClash(before) || AnyFolderInTheWay(before, folders, names, byList) || namesNoJpg ||
        (byList && unlistable)) {
      // Two files that would merge when set aside, a folder in the way, a list that names no
      // JPG or a RAW file no list can name: refused, and nothing was touched.
      ++refused;
      EXPECT_EQ(result.errors.size(), 1u);
      EXPECT_FALSE(result.done());
      EXPECT_EQ(Snapshot(raw), before);
      continue;
    }
    EXPECT_TRUE(result.done());
    EXPECT_TRUE(result.errors.empty());
    Files after = Without(Snapshot(raw), {"RAWnames.txt"});
    if (settings.deleteScripts == false) after = Without(after, {"rRAW.bat", "RAWreverse.bat"});
    EXPECT_EQ(WithoutAny(after, sidecars), WithoutAny(ExpectedRawFolder(before, names, bak, byList), sidecars));
    // A sidecar of a RAW file that kept its name is never touched; set aside, it keeps them all.
    for (const std::string& sidecar : sidecars) {
      const bool ownerKept = std::any_of(after.begin(), after.end(), [&](const auto& file) {
        return Classify(file.first).kind && !Classify(file.first).aside && sidecar.starts_with(file.first + ".");
      });
      if (ownerKept || bak != 0) {
        EXPECT_EQ(after.count(sidecar), 1u) << sidecar;
      }
    }
    // A folder in another spelling of a RAW name keeps the file from coming back: the
    // interpreter takes the two names for one.
    if (bak == 0 || !folders.empty()) continue;

    // Kept, then restored: the very folder, names and bytes. Files set aside by an older run
    // that left no record come back as their restore line writes them.
    const CommandResult restored = RestoreSetAside({raw}, settings, runner, testing::TestDisk());
    EXPECT_TRUE(restored.done());
    Files back = Without(Snapshot(raw), {"RAWnames.txt", "RAWrestore.bat"});
    if (settings.deleteScripts == false) back = Without(back, {"rRAW.bat", "RAWreverse.bat"});
    for (const auto& [name, content] : before) {
      if (Classify(name).aside) {
        const auto found = std::find_if(back.begin(), back.end(), [&](const auto& f) { return f.second == content; });
        EXPECT_NE(found, back.end()) << name;
        if (found != back.end()) back.erase(found);
      } else {
        EXPECT_EQ(back[name], content) << name;
        back.erase(name);
      }
    }
    EXPECT_EQ(back, Files{}) << "files the folder did not hold before";
  }
  // Most rounds must have run a cleanup for this test to mean anything.
  EXPECT_LT(refused, 40);
}

// Kills a started interpreter once its RAW folder has seen `count` events of `mask`
// (renames, deletions), from a thread that watches the folder.
class KillAfterEvents {
 public:
  KillAfterEvents(const std::string& folder, std::uint32_t mask, int count) : mask_(mask), count_(count) {
    fd_ = inotify_init1(IN_CLOEXEC | IN_NONBLOCK);
    inotify_add_watch(fd_, folder.c_str(), mask);
  }
  ~KillAfterEvents() { Stop(); ::close(fd_); }

  void Arm(pid_t pid) {
    // At the lowest priority the script waits for the watcher on a busy machine, so the kill
    // lands near the event it was meant for rather than after the run has ended.
    ::setpriority(PRIO_PROCESS, static_cast<id_t>(pid), 19);
    thread_ = std::thread([this, pid] {
      alignas(inotify_event) char buffer[65536];
      int seen = 0;
      while (!stop_) {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 20) <= 0) continue;
        const ssize_t n = ::read(fd_, buffer, sizeof buffer);
        for (ssize_t at = 0; at < n;) {
          const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
          if (event->mask & mask_) ++seen;
          at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
        if (seen >= count_) {
          ::kill(pid, SIGKILL);
          killed_ = true;
          return;
        }
      }
    });
  }
  // Whether the kill was sent.
  bool Stop() {
    stop_ = true;
    if (thread_.joinable()) thread_.join();
    return killed_;
  }

 private:
  int fd_;
  std::uint32_t mask_;
  int count_;
  std::thread thread_;
  std::atomic<bool> stop_{false};
  std::atomic<bool> killed_{false};
};

// The real runner, except that the run is killed part way through.
class InterruptingRunner : public ScriptRunner {
 public:
  InterruptingRunner(std::string folder, std::uint32_t mask, int afterEvents)
      : folder_(std::move(folder)), mask_(mask), afterEvents_(afterEvents) {}

  ScriptOutcome Run(const ScriptRequest& request) override {
    PosixScriptRunner runner;
    KillAfterEvents killer(folder_, mask_, afterEvents_);
    runner.onStarted = [&](ScriptProcess& process) { killer.Arm(process.pid()); };
    ScriptOutcome outcome = runner.Run(request);
    // A kill sent as the last line finished may find the script already ended: only a run
    // that died of it counts as cut short.
    killed = killer.Stop() && !outcome.WentAsPlanned();
    return outcome;
  }
  bool killed = false;

 private:
  std::string folder_;
  std::uint32_t mask_;
  int afterEvents_;
};

TEST(InterruptedCleanup, NoListedTwinIsLostAndTheNextRunFinishesTheJob) {
  struct Case {
    const char* what;
    std::uint32_t mask;
    int afterEvents;  // renames: every file is set aside first, then a third restored
  };
  constexpr int kFiles = 1500;
  for (const Case& c : {Case{"renaming", IN_MOVED_TO, 150}, Case{"restoring", IN_MOVED_TO, kFiles + 100},
                        Case{"deleting", IN_DELETE, 100}}) {
    SCOPED_TRACE(c.what);
    testing::TempFolder temp;
    const std::string raw = temp.MakeDir("raw").string();
    std::string list;
    std::vector<std::string> listed;
    for (int i = 0; i < kFiles; ++i) {
      const std::string stem = "DSC_" + std::to_string(10000 + i);
      const std::string name = stem + std::string(DefaultRawKinds()[i % 5].extension);
      temp.Write("raw/" + name, name);
      if (i % 3 == 0) {
        listed.push_back(stem + ".JPG");
        list += listed.back() + "\r\n";
      }
    }
    const fs::path listFile = temp.Write("photo_file_list.txt", list);
    const Files before = Snapshot(raw);
    const Files expected = ExpectedRawFolder(before, listed, 0);

    Settings settings;
    const CleanupRequest request{CleanupRequest::Source::PhotoList, raw, temp.str(), listFile.string(), false};
    InterruptingRunner interrupting(raw, c.mask, c.afterEvents);
    const CommandResult killed =
        CarryOutCleanup(PlanCleanup(request, settings, testing::TestDisk()), settings, interrupting, testing::TestDisk());

    ASSERT_TRUE(interrupting.killed) << "the script ended before it could be interrupted";
    ASSERT_EQ(killed.errors.size(), 1u);
    EXPECT_FALSE(killed.done());
    EXPECT_THAT(killed.errors[0].Text(), ::testing::HasSubstr("signal 9"));
    // Every listed twin is still there, under its RAW or its aside extension.
    const Files interrupted = Snapshot(raw);
    std::set<std::string> present;
    for (const auto& [name, content] : interrupted) present.insert(content);
    for (const auto& [name, content] : expected) EXPECT_TRUE(present.count(content)) << content;
    EXPECT_NE(Without(interrupted, {"rRAW.bat", "RAWreverse.bat"}), expected) << "killed too late to matter";

    PosixScriptRunner runner;
    const CommandResult again =
        CarryOutCleanup(PlanCleanup(request, settings, testing::TestDisk()), settings, runner, testing::TestDisk());
    EXPECT_TRUE(again.done());
    EXPECT_TRUE(again.errors.empty());
    EXPECT_EQ(Snapshot(raw), expected);
  }
}

TEST(InterruptedCleanup, ARestoreAfterAKillGivesEveryFileItsExactName) {
  std::mt19937 random(20261208);
  static const char* kExtensions[] = {".NEF", ".nef", ".Cr2", ".ORF", ".Arw", ".CRW"};
  constexpr int kFiles = 600;
  int killed = 0;
  for (int round = 0; round < 8; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    testing::TempFolder temp;
    const std::string raw = temp.MakeDir("raw").string();
    temp.MakeDir("jpg");
    std::set<std::string> twins;
    for (int i = 0; i < kFiles; ++i) {
      const std::string name = (i % 2 ? "DSC_" : "Img_") + std::to_string(1000 + i) + kExtensions[i % 6];
      temp.Write("raw/" + name, name);
      if (i % 4 == 0) temp.Write("raw/" + name + ".xmp", name + ".xmp");
      if (i % 3 == 0) {
        // The JPG in lower case: the RAW file keeps its own spelling all the same.
        temp.Write("jpg/" + FoldCase(name.substr(0, name.find('.'))) + ".jpg", "");
        twins.insert(name);
      }
    }
    Settings settings;
    const bool keep = round % 2 == 1;
    const CleanupRequest request{CleanupRequest::Source::JpgFolder, raw, temp.str() + "/jpg", {}, keep};
    const int events = std::uniform_int_distribution<int>(1, keep ? kFiles + kFiles / 3 : 2 * kFiles)(random);
    InterruptingRunner interrupting(raw, IN_MOVED_TO | IN_DELETE, events);
    CarryOutCleanup(PlanCleanup(request, settings, testing::TestDisk()), settings, interrupting, testing::TestDisk());
    if (!interrupting.killed) continue;
    const Files cut = Snapshot(raw);
    // The kill can land after the interpreter wrote its last record and before it exited:
    // that run got to its end, and a folder that keeps files aside must not offer a restore.
    CleanupRecord left;
    if (cut.count("RAWnames.txt") && !ParseCleanupRecord(cut.at("RAWnames.txt"), left) &&
        left.state == CleanupRecord::State::Finished) {
      continue;
    }
    ++killed;
    EXPECT_TRUE(LooksInterrupted(testing::TestDisk(), raw, settings) ||
                std::none_of(cut.begin(), cut.end(), [](const auto& f) { return Classify(f.first).aside; }));

    PosixScriptRunner runner;
    const CommandResult restored = RestoreSetAside({raw}, settings, runner, testing::TestDisk());
    EXPECT_TRUE(restored.done());
    // Every file that is left has its own name back, byte for byte; every twin is there.
    const Files after = Without(Snapshot(raw), {"rRAW.bat", "RAWreverse.bat", "RAWjpg.txt", "RAWnames.txt"});
    for (const auto& [name, content] : after) EXPECT_EQ(name, content);
    for (const std::string& twin : twins) EXPECT_EQ(after.count(twin), 1u) << twin;
  }
  EXPECT_GE(killed, 4) << "most runs must have been cut short for this test to mean anything";
}

}  // namespace
}  // namespace shotsweep
