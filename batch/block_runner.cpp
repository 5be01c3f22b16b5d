#include "batch/block_runner.h"

#include <pthread.h>
#include <signal.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "base/files.h"
#include "base/progress_protocol.h"
#include "batch/script_blocks.h"

namespace shotsweep::batch {
namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kReportEvery = std::chrono::milliseconds(50);
// How far past the first block still running a worker may begin one: what waits to be written
// stays bounded however long that block takes.
constexpr std::size_t kLookAhead = 256;

struct BlockResult {
  std::string out;
  std::string err;  // empty when the output is merged: everything is in `out`
  std::string reports;
  std::vector<std::pair<bool, std::string>> told;  // failures (true) and notes, for the callbacks
};

class BlockRun {
 public:
  BlockRun(const ScriptText& script, const InterpreterOptions& options, Output& output,
           ExternalProgramRunner& runner, FileSystem& fs);
  int Run();

 private:
  bool StopAsked() const { return options_.stop && options_.stop->load(); }
  void Report(std::string_view lines);
  void ReportProgress(bool always);
  // Runs the blocks, taking over from the interpreter that ran the lines before them.
  void RunBlocks(const Interpreter& before);
  void Work(const Interpreter& before);
  // With the mutex held: the first block that may begin now, marked as begun.
  std::optional<std::size_t> TakeBlock();
  void Write(BlockResult& result);

  const ScriptText& script_;
  InterpreterOptions options_;  // every interpreter's; none writes to the progress descriptor itself
  Output& output_;
  ExternalProgramRunner& runner_;
  FileSystem& fs_;
  int progressFd_;
  std::function<void(const std::string&)> onFailure_, onNote_;  // the caller's
  std::vector<ScriptLine> lines_;
  ScriptBlocks parts_;
  BlockOrder order_;
  std::atomic<std::size_t> linesDone_{0};
  std::size_t linesReported_ = 0;
  Clock::time_point lastReport_;

  std::mutex mutex_;  // guards what follows
  std::condition_variable mayBegin_;  // a block ended or the run is stopping: workers look again
  std::condition_variable ended_;     // a block ended: the coordinator looks again
  std::vector<BlockResult> results_;
  std::vector<char> begun_, done_;
  std::size_t firstNotBegun_ = 0, firstNotDone_ = 0, running_ = 0, failures_ = 0;
  bool stopping_ = false;
  bool stopped_ = false;  // stopping because it was asked to
  std::optional<int> exitStatus_;
};

BlockRun::BlockRun(const ScriptText& script, const InterpreterOptions& options, Output& output,
                   ExternalProgramRunner& runner, FileSystem& fs)
    : script_(script), options_(options), output_(output), runner_(runner), fs_(fs),
      progressFd_(options.progressFd), onFailure_(options.onFailure), onNote_(options.onNote) {
  options_.progressFd = -1;
  // The lines before and after the blocks run on this thread, so theirs are told at once.
  options_.onFailure = [this](const std::string& text) {
    Report(FailureLine(text));
    if (onFailure_) onFailure_(text);
  };
  options_.onNote = [this](const std::string& text) {
    Report(NoteLine(text));
    if (onNote_) onNote_(text);
  };
  if (!options_.makeRunner) options_.makeRunner = MakeProgramRunner;
}

void BlockRun::Report(std::string_view lines) {
  if (progressFd_ < 0 || lines.empty()) return;
  // A reader that went away does not stop the script; it only stops the reports.
  const auto error = WriteAll(progressFd_, lines);
  if (error && error->number != EAGAIN) progressFd_ = -1;
}

void BlockRun::ReportProgress(bool always) {
  const std::size_t done = linesDone_;
  const auto now = Clock::now();
  if (!always && (done == linesReported_ || now - lastReport_ < kReportEvery)) return;
  Report(ProgressLine(done, lines_.size()));
  linesReported_ = done;
  lastReport_ = now;
}

int BlockRun::Run() {
  lines_ = SplitLines(script_.text);
  parts_ = SplitIntoBlocks(lines_);
  ReportProgress(true);
  Interpreter main(options_, output_, runner_, fs_);
  main.BeginScript(script_.path);
  main.RunLines(lines_, parts_.before.begin, parts_.before.end);
  linesDone_ += parts_.before.end - parts_.before.begin;
  std::optional<int> exitStatus = main.exitStatus();
  bool leftOut = false;
  if (!exitStatus) {
    RunBlocks(main);
    exitStatus = exitStatus_;
    leftOut = stopped_ || (StopAsked() && parts_.after.begin < parts_.after.end);
  }
  if (!exitStatus && !leftOut) {
    main.RunLines(lines_, parts_.after.begin, parts_.after.end);
    linesDone_ += parts_.after.end - parts_.after.begin;
    exitStatus = main.exitStatus();
  }
  output_.Flush();
  ReportProgress(true);
  if (exitStatus) return *exitStatus;
  if (leftOut) return kStoppedStatus;
  return main.failures() + failures_ > 0 ? 1 : 0;
}

void BlockRun::RunBlocks(const Interpreter& before) {
  const std::size_t count = parts_.blocks.size();
  if (count == 0) return;
  std::vector<BlockNames> names;
  bool oneAtATime = false;
  for (const LineRange& block : parts_.blocks) {
    names.push_back(NamesInBlock(lines_, block, before.workingDir(), before.options().args,
                                 before.options().environment));
    oneAtATime |= names.back().changesState;
  }
  // A block that changes what the lines after it see hands that on to the next: one worker
  // runs them all, in order.
  order_ = OrderOfBlocks(names);
  const std::size_t jobs = oneAtATime ? 1 : std::max<std::size_t>(1, std::min(options_.jobs, count));
  results_.resize(count);
  begun_.assign(count, 0);
  done_.assign(count, 0);

  std::vector<std::thread> workers;
  for (std::size_t i = 0; i < jobs; ++i) {
    try {
      workers.emplace_back([this, &before] { Work(before); });
    } catch (const std::system_error& error) {
      if (!workers.empty()) break;  // fewer workers then
      output_.Write(2, std::string("shotsweep-batch: no worker could be started: ") + error.what() + "\n");
      exitStatus_ = 1;
      return;
    }
  }

  // Each block is written once it and every block before it have ended; blocks a stop kept
  // from beginning are passed over.
  std::size_t written = 0;
  std::unique_lock lock(mutex_);
  while (written < count) {
    ended_.wait_for(lock, kReportEvery, [&] { return done_[written] || (stopping_ && running_ == 0); });
    if (!stopping_ && StopAsked()) {
      stopping_ = stopped_ = true;
      mayBegin_.notify_all();
    }
    const bool settled = stopping_ && running_ == 0;
    std::vector<std::size_t> ready;
    for (; written < count && (done_[written] || (settled && !begun_[written])); ++written) {
      if (done_[written]) ready.push_back(written);
    }
    lock.unlock();
    for (std::size_t block : ready) Write(results_[block]);
    ReportProgress(false);
    lock.lock();
  }
  lock.unlock();
  for (std::thread& worker : workers) worker.join();
}

std::optional<std::size_t> BlockRun::TakeBlock() {
  const std::size_t end = std::min(parts_.blocks.size(), firstNotDone_ + kLookAhead);
  for (std::size_t block = firstNotBegun_; block < end; ++block) {
    if (begun_[block] || (order_.waitsForAll[block] && firstNotDone_ < block)) continue;
    bool ready = true;
    for (std::size_t earlier : order_.waitsFor[block]) ready = ready && done_[earlier];
    if (!ready) continue;
    begun_[block] = 1;
    ++running_;
    while (firstNotBegun_ < begun_.size() && begun_[firstNotBegun_]) ++firstNotBegun_;
    return block;
  }
  return std::nullopt;
}

void BlockRun::Work(const Interpreter& before) {
  // The stop signal is for the thread that writes the output to take.
  sigset_t stopSignal;
  sigemptyset(&stopSignal);
  sigaddset(&stopSignal, kStopSignal);
  ::pthread_sigmask(SIG_BLOCK, &stopSignal, nullptr);

  Output output(Output::InMemory{output_.merged()});
  const std::unique_ptr<ExternalProgramRunner> runner = options_.makeRunner();
  BlockResult* result = nullptr;
  std::size_t number = 0;  // the block's, counted from 1
  InterpreterOptions options = options_;
  options.onFailure = [&](const std::string& text) {
    result->reports += FailureLine(text);
    result->told.emplace_back(true, text);
  };
  options.onNote = [&](const std::string& text) {
    result->reports += NoteLine(text);
    result->told.emplace_back(false, text);
  };
  options.onProgramEnded = [&](std::size_t line, int status, std::string_view errors) {
    result->reports += ProgramEndLine(number, line, status, errors);
  };
  Interpreter interpreter(std::move(options), output, *runner, fs_);
  interpreter.BeginScript(script_.path);
  interpreter.ContinueFrom(before);

  std::unique_lock lock(mutex_);
  for (;;) {
    std::optional<std::size_t> block;
    while (true) {
      if (!stopping_ && StopAsked()) stopping_ = stopped_ = true;
      if (stopping_ || firstNotBegun_ == begun_.size() || (block = TakeBlock())) break;
      mayBegin_.wait(lock);
    }
    if (!block) return;
    lock.unlock();

    const LineRange range = parts_.blocks[*block];
    result = &results_[*block];
    number = *block + 1;
    result->reports = BlockBeginLine(number, range.begin + 1);
    const std::size_t failuresBefore = interpreter.failures();
    // Another worker may have changed the folders since this one last looked.
    interpreter.ForgetChangedFolders();
    interpreter.RunLines(lines_, range.begin, range.end);
    result->out = output.Take(1);
    if (!output.merged()) result->err = output.Take(2);
    const std::size_t failed = interpreter.failures() - failuresBefore;
    result->reports += BlockEndLine(number, failed);
    linesDone_ += range.end - range.begin;

    lock.lock();
    done_[*block] = 1;
    --running_;
    failures_ += failed;
    while (firstNotDone_ < done_.size() && done_[firstNotDone_]) ++firstNotDone_;
    if (interpreter.exitStatus()) {
      exitStatus_ = interpreter.exitStatus();
      stopping_ = true;
    }
    mayBegin_.notify_all();
    ended_.notify_one();
  }
}

void BlockRun::Write(BlockResult& result) {
  output_.Write(1, result.out);
  output_.Write(2, result.err);
  output_.Flush();
  Report(result.reports);
  for (const auto& [failure, text] : result.told) {
    if (const auto& tell = failure ? onFailure_ : onNote_) tell(text);
  }
  result = {};
}

}  // namespace

int RunInBlocks(const ScriptText& script, const InterpreterOptions& options, Output& output,
                ExternalProgramRunner& runner, FileSystem& fileSystem) {
  return BlockRun(script, options, output, runner, fileSystem).Run();
}

}  // namespace shotsweep::batch
