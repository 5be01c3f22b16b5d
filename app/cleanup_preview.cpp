#include "app/cleanup_preview.h"

#include <vector>

#include "app/preview_dialog.h"
#include "platform/dialogs.h"
#include "platform/qt/local_path.h"

namespace shotsweep {
namespace {

// The JPG names the preview was made with, whatever the folder holds by now.
class FixedList final : public FileListView {
 public:
  explicit FixedList(std::vector<std::string> names) : names_(std::move(names)) {}
  void Refresh() override {}
  int ListCount() const override { return static_cast<int>(names_.size()); }
  std::string List(int index) const override { return names_.at(static_cast<std::size_t>(index)); }
  void SetListIndex(int index) override { index_ = index; }
  std::string FileName() const override { return index_ < 0 ? std::string() : List(index_); }
  const std::optional<CommandError>& ReadError() const override { return none_; }

 private:
  std::vector<std::string> names_;
  int index_ = -1;
  std::optional<CommandError> none_;
};

// The window, with File2 as it was listed for the preview.
class PreviewedWindow final : public CommandWindow {
 public:
  PreviewedWindow(CommandWindow& window, std::vector<std::string> jpgNames)
      : window_(window), file2_(std::move(jpgNames)) {}
  std::string Dir1Path() const override { return window_.Dir1Path(); }
  std::string Dir2Path() const override { return window_.Dir2Path(); }
  FileListView& File1() override { return window_.File1(); }
  FileListView& File2() override { return file2_; }
  int BakValue() const override { return window_.BakValue(); }
  int ExifValue() const override { return window_.ExifValue(); }

 private:
  CommandWindow& window_;
  FixedList file2_;
};

// The dialogs, with the photo list the preview was made with given without asking again.
class PreviewedDialogs final : public Dialogs {
 public:
  PreviewedDialogs(Dialogs& dialogs, std::string listPath) : dialogs_(dialogs), listPath_(std::move(listPath)) {}
  void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override {
    dialogs_.MessageBox(text, title, icon);
  }
  std::string InputBox(const std::string& prompt, const std::string& title, const std::string& proposed) override {
    return dialogs_.InputBox(prompt, title, proposed);
  }
  std::optional<std::string> OpenFile(const OpenFileRequest&) override { return listPath_; }
  bool Question(const std::string& text, const std::string& title) override { return dialogs_.Question(text, title); }

 private:
  Dialogs& dialogs_;
  std::string listPath_;
};

}  // namespace

void PreviewThenCarryOut(Command command, CommandContext& ctx, QWidget* parent, const QString& title) {
  const Prediction prediction = Predict(command, ctx.module, ctx.window, ctx.dialogs, ctx.fs);
  if (!prediction.ran && prediction.error.empty()) return;
  // The names the dry run walked, so the cleanup carried out is the one shown.
  std::vector<std::string> jpgNames;
  FileListView& file2 = ctx.window.File2();
  for (int i = 0; i < file2.ListCount(); ++i) jpgNames.push_back(file2.List(i));

  PreviewDialog dialog(parent, title, prediction, FromLocalPath(ctx.window.Dir1Path()));
  if (dialog.exec() != QDialog::Accepted) return;
  PreviewedWindow window(ctx.window, std::move(jpgNames));
  PreviewedDialogs dialogs(ctx.dialogs, prediction.listPath);
  CommandContext real{ctx.module, window, dialogs, ctx.runner, ctx.fs};
  command(real);
}

}  // namespace shotsweep
