// The window with a large folder in a pane against the same window on small or empty folders.
//
// Opening: the window is built (start-up runs), shown and painted, with the saved folder pair
// putting the JPG pane on an empty folder, then on a folder of FILES JPG files. "shown" is
// the window painted and taking input; "filled" is the JPG list showing every file, painted.
// Timed twice: as a whole process (this program started again as the window alone, from its
// start to its exit right after the window is shown or filled: what a user waits for,
// QApplication's start included), and inside one process, where only building, showing and
// filling the window count. The two folders are opened in turn, the ratio taken pair by pair.
//
// Stalls: while a pane lists or re-reads a folder, a timer ticks every 2 ms on the event loop;
// the longest gap between two ticks is the longest time the window could not react. Measured
// for opening a folder in the folder list, the refresh button, "path ->" and "<- path", on
// folders of 100 files and of FILES files.
//
// Preview: the cleanup preview of 20,000 RAW files (or PREVIEW_FILES) built, shown and
// painted, against the preview of 20; the dialog alone, and with the plan made from real
// folders first (a third of the RAW files without a JPG), as a click on a preview item waits.
//
//   window_bench [ROUNDS] [FILES]
//   window_bench preview [ROUNDS] [PREVIEW_FILES]

#include <QAbstractItemView>
#include <QApplication>
#include <QElapsedTimer>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <QWindow>
#include <spawn.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/main_window.h"
#include "app/preview_dialog.h"
#include "cleanup/cleanup_plan.h"
#include "panes/file_list.h"
#include "panes/folder_list.h"
#include "platform/qt/drives.h"
#include "tests/support/disk.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/recording_runner.h"

namespace fs = std::filesystem;
using namespace shotsweep;

namespace {

constexpr const char* kDrive = "/ [bench]";

class BenchDrives : public DriveSource {
 public:
  std::vector<Drive> Drives() override { return {{"/", kDrive}}; }
};

struct Props {
  BenchDrives drives;
  testing::ScriptedDialogs dialogs;
  testing::RecordingRunner runner{testing::TestDisk()};
};

void MakeFiles(const fs::path& folder, int count, const char* extension) {
  fs::create_directories(folder);
  for (int i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "DSC_%06d%s", i, extension);
    std::ofstream(folder / name);
  }
}

void WritePair(const fs::path& start, const fs::path& rawFolder, const fs::path& jpgFolder) {
  fs::create_directories(start);
  std::ofstream(start / "ShotsweepDirs.dat", std::ios::binary)
      << kDrive << "\r\n" << rawFolder.string() << "\r\n" << kDrive << "\r\n" << jpgFolder.string() << "\r\n";
}

double Ms(const QElapsedTimer& clock) { return static_cast<double>(clock.nsecsElapsed()) / 1e6; }

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0 : v[v.size() / 2];
}

QAbstractItemView* ListView(MainWindow& frame, const char* name) {
  return frame.findChild<QAbstractItemView*>(name);
}

// Runs the event loop until `done` holds (checked every millisecond) or `limitMs` passes.
bool RunEventsUntil(const std::function<bool()>& done, int limitMs) {
  QElapsedTimer clock;
  clock.start();
  while (!done()) {
    if (clock.elapsed() > limitMs) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
  }
  return true;
}

void Settle(int ms) {
  QElapsedTimer clock;
  clock.start();
  while (clock.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
}

// The window alone, as a process of its own: started in `start`, it ends as soon as the
// window is shown (`filled` false) or its JPG list shows `expected` files.
int OpenAndExit(const char* start, bool filled, int expected) {
  Props props;
  fs::current_path(start);
  MainWindow frame(shotsweep::testing::TestDisk(), props.dialogs, props.runner, props.drives);
  frame.show();
  RunEventsUntil([&] { return frame.windowHandle() && frame.windowHandle()->isExposed(); }, 5000);
  frame.repaint();
  if (filled) {
    QAbstractItemView* list = ListView(frame, "jpgFiles");
    if (!RunEventsUntil([&] { return list->model()->rowCount() == expected; }, 60000)) _exit(2);
    list->repaint();
  }
  // Not a moment on tearing down: the window is open, which is all that is timed.
  std::fflush(nullptr);
  _exit(0);
}

// Starts this program as the window alone and waits for it; its wall time in ms.
double TimeProcess(const char* self, const fs::path& start, bool filled, int expected) {
  const std::string startText = start.string();
  const std::string count = std::to_string(expected);
  const char* args[] = {self, "--open", startText.c_str(), filled ? "filled" : "shown", count.c_str(), nullptr};
  const auto begin = std::chrono::steady_clock::now();
  pid_t child = 0;
  if (posix_spawn(&child, self, nullptr, nullptr, const_cast<char* const*>(args), environ) != 0) {
    std::perror("posix_spawn");
    std::exit(1);
  }
  int status = 0;
  waitpid(child, &status, 0);
  const auto end = std::chrono::steady_clock::now();
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    std::fprintf(stderr, "the window process failed (%d)\n", status);
    std::exit(1);
  }
  return std::chrono::duration<double, std::milli>(end - begin).count();
}

struct OpenTimes {
  double shown;
  double filled;
};

OpenTimes OpenWindow(Props& props, const fs::path& start, int expected) {
  fs::current_path(start);
  QElapsedTimer clock;
  clock.start();
  auto frame = std::make_unique<MainWindow>(shotsweep::testing::TestDisk(), props.dialogs, props.runner, props.drives);
  frame->show();
  RunEventsUntil([&] { return frame->windowHandle() && frame->windowHandle()->isExposed(); }, 5000);
  frame->repaint();
  const double shown = Ms(clock);
  QAbstractItemView* list = ListView(*frame, "jpgFiles");
  if (!RunEventsUntil([&] { return list->model()->rowCount() == expected; }, 60000)) {
    std::fprintf(stderr, "the JPG list never showed %d files\n", expected);
    std::exit(1);
  }
  list->repaint();
  const double filled = Ms(clock);
  frame.reset();
  QCoreApplication::processEvents();
  return {shown, filled};
}

// The longest gap between the ticks of a 2 ms timer while it runs.
class StallMeter {
 public:
  StallMeter() {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(2);
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      const qint64 now = clock_.nsecsElapsed();
      worst_ = std::max(worst_, now - last_);
      last_ = now;
    });
  }
  void Start() {
    worst_ = 0;
    clock_.start();
    last_ = 0;
    timer_.start();
  }
  double StopMs() {
    timer_.stop();
    return static_cast<double>(worst_) / 1e6;
  }

 private:
  QTimer timer_;
  QElapsedTimer clock_;
  qint64 last_ = 0;
  qint64 worst_ = 0;
};

// Triggers `action` from the event loop and runs it until `list` shows `expected` rows, then
// a little longer so that the new rows are painted too. The longest stall, in ms.
double MeasureStall(const std::function<void()>& action, QAbstractItemView* list, int expected) {
  StallMeter meter;
  meter.Start();
  QTimer::singleShot(20, action);
  Settle(25);
  if (!RunEventsUntil([&] { return list->model()->rowCount() == expected; }, 60000)) {
    std::fprintf(stderr, "the list never showed %d files\n", expected);
    std::exit(1);
  }
  Settle(150);
  return meter.StopMs();
}

struct Folders {
  fs::path root, jpg, raw, empty;
  int files;
};

struct Stalls {
  double open, refresh, pathRight, pathLeft;
};

// One window on the root of `f`: each action ends with a list showing the big folder's files.
Stalls MeasureStalls(Props& props, const Folders& f) {
  WritePair(f.root / "start", f.empty, f.root);
  fs::current_path(f.root / "start");
  MainWindow frame(shotsweep::testing::TestDisk(), props.dialogs, props.runner, props.drives);
  frame.show();
  RunEventsUntil([&] { return frame.windowHandle() && frame.windowHandle()->isExposed(); }, 5000);
  Settle(100);
  auto* rawFolder = frame.findChild<FolderList*>("rawFolders");
  auto* jpgFolder = frame.findChild<FolderList*>("jpgFolders");
  QAbstractItemView* rawFiles = ListView(frame, "rawFiles");
  QAbstractItemView* jpgFiles = ListView(frame, "jpgFiles");
  // Puts both panes on their folders and waits until both lists show them.
  auto place = [&](const fs::path& left, const fs::path& right) {
    rawFolder->SetPath(left.string());
    jpgFolder->SetPath(right.string());
    frame.RawFiles().ListCount();
    frame.JpgFiles().ListCount();
    Settle(100);
  };
  Stalls stalls{};

  // Opening the JPG folder by Enter on its row in the right folder list.
  place(f.empty, f.root);
  stalls.open = MeasureStall(
      [&] {
        const QString name = QString::fromStdString(f.jpg.filename().string());
        jpgFolder->setCurrentItem(jpgFolder->findItems(name, Qt::MatchExactly | Qt::MatchRecursive).value(0));
        QTest::keyClick(jpgFolder, Qt::Key_Return);
      },
      jpgFiles, f.files);

  // Refresh after one more JPG file appeared.
  std::ofstream(f.jpg / "DSC_new.JPG");
  stalls.refresh = MeasureStall([&] { frame.findChild<QPushButton*>("jpgRefreshButton")->click(); }, jpgFiles, f.files + 1);
  fs::remove(f.jpg / "DSC_new.JPG");

  // "path ->": the JPG pane takes the left pane's folder, the JPG folder.
  place(f.jpg, f.empty);
  stalls.pathRight = MeasureStall([&] { frame.findChild<QPushButton*>("rawCopyPathButton")->click(); }, jpgFiles, f.files);

  // "<- path": the RAW pane takes the right pane's folder, the RAW folder.
  place(f.empty, f.raw);
  stalls.pathLeft = MeasureStall([&] { frame.findChild<QPushButton*>("jpgCopyPathButton")->click(); }, rawFiles, f.files);
  return stalls;
}

Folders MakeFolders(const fs::path& root, int files) {
  Folders f{root, root / "jpg", root / "raw", root / "empty", files};
  MakeFiles(f.jpg, files, ".JPG");
  MakeFiles(f.raw, files, ".NEF");
  fs::create_directories(f.empty);
  return f;
}

// One way of opening the window, and the rows its JPG list ends up with.
struct OpenCase {
  std::string label;
  fs::path start;
  int expected;
  std::vector<double> shown, filled;  // ms, one per round
  std::vector<double> shownRatio, filledRatio;  // against the empty case of the same round
};

void PrintOpenings(const char* title, int rounds, const std::vector<OpenCase>& cases) {
  std::printf("%s, median of %d rounds (ms; ratio to the empty folder)\n", title, rounds);
  for (const OpenCase& c : cases) {
    std::printf("  %-40s shown %7.1f (%5.2f)   filled %7.1f (%5.2f)\n", c.label.c_str(), Median(c.shown),
                c.shownRatio.empty() ? 1.0 : Median(c.shownRatio), Median(c.filled),
                c.filledRatio.empty() ? 1.0 : Median(c.filledRatio));
  }
}

// A plan of `files` RAW files, one in three without a twin.
RunPlan PlanOf(int files) {
  RunPlan plan;
  plan.ran = true;
  plan.rawFilesInFolder = files;
  for (int i = 0; i < files; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "DSC_%06d.NEF", i);
    const bool gone = i % 3 == 0;
    plan.files.push_back({gone ? PlannedFile::Delete : PlannedFile::Keep, name, gone ? "" : name});
  }
  return plan;
}

// From the dialog's making to its first painting, in ms; the plan is made beforehand.
double OpenPreview(const RunPlan& plan) {
  QElapsedTimer clock;
  clock.start();
  PreviewDialog dialog(nullptr, "Preview cleanup by JPG folder", plan, "/photos/RAW");
  dialog.show();
  RunEventsUntil([&] { return dialog.windowHandle() && dialog.windowHandle()->isExposed(); }, 5000);
  dialog.repaint();
  const double ms = Ms(clock);
  dialog.hide();
  QCoreApplication::processEvents();
  return ms;
}

double ThreadCpuMs() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) * 1e3 + static_cast<double>(t.tv_nsec) / 1e6;
}

// What the click on a preview item waits for: the plan made from the folders, then the dialog.
// The wall time, and in `cpu` the processor time of this thread, which a busy machine inflates
// less.
double PlanAndOpenPreview(const fs::path& raw, const fs::path& jpg, double& cpu) {
  const double cpuStart = ThreadCpuMs();
  QElapsedTimer clock;
  clock.start();
  const CleanupRequest request{CleanupRequest::Source::JpgFolder, raw.string(), jpg.string(), {}, false};
  const CleanupPlan plan = PlanCleanup(request, Settings{}, shotsweep::testing::TestDisk());
  const double planned = Ms(clock);
  const double wall = planned + OpenPreview(plan);
  cpu = ThreadCpuMs() - cpuStart;
  return wall;
}

void BenchPreview(int rounds, int files) {
  const RunPlan small = PlanOf(20), large = PlanOf(files);
  char pattern[] = "/tmp/shotsweep-preview-bench-XXXXXX";
  if (!mkdtemp(pattern)) std::exit(1);
  const fs::path root = pattern;
  MakeFiles(root / "raw20", 20, ".NEF");
  MakeFiles(root / "jpg20", 13, ".JPG");
  MakeFiles(root / "raw", files, ".NEF");
  MakeFiles(root / "jpg", files * 2 / 3, ".JPG");
  std::vector<double> smallMs, largeMs, ratios, smallClick, largeClick, clickRatios, smallCpu, largeCpu;
  for (int round = -1; round < rounds; ++round) {  // round -1 is not counted
    const double s = OpenPreview(small), l = OpenPreview(large);
    double cpuSmall = 0, cpuLarge = 0;
    const double cs = PlanAndOpenPreview(root / "raw20", root / "jpg20", cpuSmall);
    const double cl = PlanAndOpenPreview(root / "raw", root / "jpg", cpuLarge);
    if (round < 0) continue;
    smallCpu.push_back(cpuSmall);
    largeCpu.push_back(cpuLarge);
    smallMs.push_back(s);
    largeMs.push_back(l);
    ratios.push_back(l / s);
    smallClick.push_back(cs);
    largeClick.push_back(cl);
    clickRatios.push_back(cl / cs);
  }
  fs::remove_all(root);
  std::printf("opening the cleanup preview, median of %d rounds (ms)\n", rounds);
  std::printf("  the dialog alone:     20 RAW files %7.1f   %d RAW files %7.1f   ratio %.2f\n", Median(smallMs), files,
              Median(largeMs), Median(ratios));
  std::printf("  planned, then opened: 20 RAW files %7.1f   %d RAW files %7.1f   ratio %.2f\n", Median(smallClick), files,
              Median(largeClick), Median(clickRatios));
  std::printf("  the same, processor:  20 RAW files %7.1f   %d RAW files %7.1f\n", Median(smallCpu), files,
              Median(largeCpu));
}

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication app(argc, argv);
  if (argc == 5 && std::string(argv[1]) == "--open")
    return OpenAndExit(argv[2], std::string(argv[3]) == "filled", std::atoi(argv[4]));
  if (argc > 1 && std::string(argv[1]) == "preview") {
    BenchPreview(argc > 2 ? std::max(1, std::atoi(argv[2])) : 5, argc > 3 ? std::max(1, std::atoi(argv[3])) : 20000);
    return 0;
  }
  const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  const int files = argc > 2 ? std::max(1, std::atoi(argv[2])) : 100000;

  char pattern[] = "/tmp/shotsweep-window-bench-XXXXXX";
  if (!mkdtemp(pattern)) return 1;
  const fs::path root = pattern;
  const fs::path previous = fs::current_path();
  std::printf("making folders of %d files...\n", files);
  std::fflush(stdout);
  const Folders small = MakeFolders(root / "small", 100);
  const Folders large = MakeFolders(root / "large", files);
  WritePair(root / "start-empty", small.empty, small.empty);
  WritePair(root / "start-large", small.empty, large.jpg);
  const std::string count = std::to_string(files);
  // The first is the yardstick. In the last, both panes stand in the start folder, as they do
  // without a saved pair, and that is the large folder.
  const std::vector<OpenCase> cases = {
      {"JPG pane on an empty folder", root / "start-empty", 0},
      {"JPG pane on " + count + " files (saved pair)", root / "start-large", files},
      {"started in a folder of " + count + " files", large.jpg, files},
  };
  std::vector<OpenCase> process = cases, inside = cases;
  const std::string self = QCoreApplication::applicationFilePath().toStdString();

  Props props;
  for (int round = -1; round < rounds; ++round) {  // round -1 is not counted
    for (OpenCase& c : process) {
      const double shown = TimeProcess(self.c_str(), c.start, false, c.expected);
      const double filled = TimeProcess(self.c_str(), c.start, true, c.expected);
      if (round < 0) continue;
      c.shown.push_back(shown);
      c.filled.push_back(filled);
      if (&c != &process[0]) {
        c.shownRatio.push_back(shown / process[0].shown.back());
        c.filledRatio.push_back(filled / process[0].filled.back());
      }
    }
    for (OpenCase& c : inside) {
      const OpenTimes times = OpenWindow(props, c.start, c.expected);
      if (round < 0) continue;
      c.shown.push_back(times.shown);
      c.filled.push_back(times.filled);
      if (&c != &inside[0]) {
        c.shownRatio.push_back(times.shown / inside[0].shown.back());
        c.filledRatio.push_back(times.filled / inside[0].filled.back());
      }
    }
  }

  std::vector<Stalls> smallStalls, largeStalls;
  for (int round = 0; round < rounds; ++round) {
    smallStalls.push_back(MeasureStalls(props, small));
    largeStalls.push_back(MeasureStalls(props, large));
  }
  fs::current_path(previous);
  fs::remove_all(root);

  BenchPreview(rounds, 20000);
  PrintOpenings("opening the window as a whole process, from its start to its exit", rounds, process);
  PrintOpenings("opening the window inside one process", rounds, inside);

  auto worst = [](const std::vector<Stalls>& all, double Stalls::*field) {
    double w = 0;
    for (const Stalls& s : all) w = std::max(w, s.*field);
    return w;
  };
  auto median = [](const std::vector<Stalls>& all, double Stalls::*field) {
    std::vector<double> v;
    for (const Stalls& s : all) v.push_back(s.*field);
    return Median(v);
  };
  std::printf("longest event-loop stall while a pane lists a folder, median (worst) of %d rounds (ms)\n", rounds);
  std::printf("  %-30s %18s %18s\n", "", "100 files", (count + " files").c_str());
  const std::pair<const char*, double Stalls::*> rows[] = {{"opening it in the folder list", &Stalls::open},
                                                           {"refresh button", &Stalls::refresh},
                                                           {"path ->", &Stalls::pathRight},
                                                           {"<- path", &Stalls::pathLeft}};
  double largest = 0, smallest = 0;
  for (auto [label, field] : rows) {
    std::printf("  %-30s %9.1f (%6.1f) %9.1f (%6.1f)\n", label, median(smallStalls, field),
                worst(smallStalls, field), median(largeStalls, field), worst(largeStalls, field));
    largest = std::max(largest, worst(largeStalls, field));
    smallest = std::max(smallest, worst(smallStalls, field));
  }
  std::printf("  longest stall: %.1f ms with %s files, %.1f ms with 100 (ratio %.2f)\n", largest, count.c_str(),
              smallest, largest / smallest);
  return 0;
}
