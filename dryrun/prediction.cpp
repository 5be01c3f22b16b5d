#include "dryrun/prediction.h"

#include <algorithm>

#include "base/file_names.h"
#include "batch/directory_index.h"
#include "fs/memory_file_system.h"
#include "cleanup/raw_folder_check.h"
#include "dryrun/memory_runner.h"
#include "platform/dialogs.h"
#include "settings/module1.h"

namespace shotsweep {
namespace {

// Catches the command's boxes; asks the real dialogs for the rest, and remembers the list.
class CatchingDialogs final : public Dialogs {
 public:
  explicit CatchingDialogs(Dialogs& real) : real_(real) {}
  void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override {
    if (icon == MessageIcon::Critical && error.empty()) error = text;
    (void)title;
  }
  std::string InputBox(const std::string& prompt, const std::string& title, const std::string& proposed) override {
    return real_.InputBox(prompt, title, proposed);
  }
  std::optional<std::string> OpenFile(const OpenFileRequest& request) override {
    auto chosen = real_.OpenFile(request);
    if (chosen) listPath = *chosen;
    return chosen;
  }
  bool Question(const std::string& text, const std::string& title) override { return real_.Question(text, title); }

  std::string error;
  std::string listPath;

 private:
  Dialogs& real_;
};

}  // namespace

int Prediction::Count(PredictedFile::Action action) const {
  return static_cast<int>(std::count_if(files.begin(), files.end(), [&](const PredictedFile& f) { return f.action == action; }));
}

Prediction Predict(Command command, const Module1& module, CommandWindow& window, Dialogs& dialogs, FileSystem& fs) {
  MemoryFileSystem memory(&fs);
  InMemoryScriptRunner runner(memory);
  CatchingDialogs caught(dialogs);
  Module1 copy = module;
  CommandContext ctx{copy, window, caught, runner, memory};
  const std::string rawFolder = batch::NormalizePath("/", window.Dir1Path());
  const std::vector<RawKind> kinds = RawKindsWith(module.settings.ExtraRAW);

  Prediction prediction;
  std::vector<DirEntry> before;
  if (!memory.List(rawFolder, before)) {
    prediction.rawFilesInFolder = static_cast<int>(std::count_if(
        before.begin(), before.end(), [&](const DirEntry& e) { return !e.isDir && IsRawOrSetAsideName(e.name, kinds); }));
  }
  command(ctx);
  prediction.error = caught.error;
  prediction.listPath = caught.listPath;
  prediction.ran = runner.runs() > 0;

  for (const auto& fate : memory.Touched()) {
    // Only the RAW files of the RAW folder: the scripts and the record are the command's own.
    const auto [folder, name] = batch::SplitLastView(fate.origin);
    if (folder != rawFolder || !IsRawOrSetAsideName(name, kinds)) continue;
    PredictedFile file{PredictedFile::Keep, std::string(name), {}};
    if (fate.now.empty()) {
      file.action = fate.trashed ? PredictedFile::Trash : PredictedFile::Delete;
    } else {
      file.newName = batch::SplitLastView(fate.now).second;
      file.action = IsSetAsideName(file.newName, kinds) ? PredictedFile::SetAside : PredictedFile::Keep;
    }
    prediction.files.push_back(std::move(file));
  }
  std::sort(prediction.files.begin(), prediction.files.end(),
            [](const PredictedFile& a, const PredictedFile& b) { return a.name < b.name; });
  return prediction;
}

std::string FormatPrediction(const Prediction& prediction) {
  static constexpr const char* kActions[] = {"keep", "set-aside", "delete", "trash"};
  std::string text;
  for (const PredictedFile& file : prediction.files) {
    text += std::string(kActions[file.action]) + "\t" + file.name + "\t" + file.newName + "\n";
  }
  text += "# " + std::to_string(prediction.Count(PredictedFile::Keep)) + " kept, ";
  if (prediction.Count(PredictedFile::Trash) > 0) {
    text += std::to_string(prediction.Count(PredictedFile::Trash)) + " moved to the trash, ";
  } else {
    text += std::to_string(prediction.Count(PredictedFile::Delete)) + " deleted, ";
  }
  text += std::to_string(prediction.Count(PredictedFile::SetAside)) + " set aside\n";
  return text;
}

}  // namespace shotsweep
