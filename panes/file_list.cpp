#include "panes/file_list.h"

#include <QAbstractListModel>
#include <QFocusEvent>
#include <QItemSelectionModel>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <utility>

#include "fs/folder_listing.h"
#include "platform/qt/local_path.h"

namespace shotsweep {

// The names, one row each. A row becomes text only when the view asks for it, which is for
// the rows on screen: a folder of a hundred thousand files costs a hundred thousand strings,
// not as many items.
class FileList::Model : public QAbstractListModel {
 public:
  using QAbstractListModel::QAbstractListModel;

  int rowCount(const QModelIndex& parent = {}) const override {
    return parent.isValid() ? 0 : static_cast<int>(names.size());
  }
  QVariant data(const QModelIndex& index, int role) const override {
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= rowCount()) return {};
    return FromLocalPath(names[static_cast<std::size_t>(index.row())]);
  }
  void Replace(std::vector<std::string> replacement) {
    beginResetModel();
    names.swap(replacement);
    endResetModel();
  }

  std::vector<std::string> names;  // the file system's bytes, by row
};

// One reading of the folder, shared by the list and the worker that may do it. Whoever comes
// first does it: the worker, or the list when someone needs the listing before the worker
// has started.
struct FileList::Job {
  Job(FileSystem& fs, std::string folder, std::string_view pattern)
      : fs(fs), folder(std::move(folder)), patterns(pattern) {}

  // Does the reading unless it is done or being done; true when this call did it.
  bool Run() {
    {
      const std::lock_guard lock(mutex);
      if (state != State::Waiting) return false;
      state = State::Running;
    }
    FileListing result = ListMatchingFiles(fs, folder, patterns, cancelled);
    {
      const std::lock_guard lock(mutex);
      listing = std::move(result);
      state = State::Done;
    }
    finished.notify_all();
    return true;
  }

  void WaitUntilDone() {
    std::unique_lock lock(mutex);
    finished.wait(lock, [this] { return state == State::Done; });
  }

  FileSystem& fs;
  const std::string folder;
  const NamePatterns patterns;
  std::atomic<bool> cancelled{false};
  std::mutex mutex;
  std::condition_variable finished;
  enum class State { Waiting, Running, Done } state = State::Waiting;
  FileListing listing;  // set once Done
};

FileList::FileList(FileSystem& fs, QWidget* parent) : QListView(parent), fs_(fs), model_(new Model(this)) {
  setModel(model_);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setUniformItemSizes(true);
}

FileList::~FileList() {
  if (pending_) pending_->cancelled = true;
}

void FileList::SetPath(std::string_view path) {
  path_ = path;
  Reread();
}

void FileList::SetPattern(std::string_view pattern) {
  pattern_ = pattern;
  Reread();
}

void FileList::Reread() {
  // The names shown belong to another folder or pattern: better none than those until the
  // new listing arrives.
  if (!model_->names.empty()) model_->Replace({});
  readError_.reset();
  Refresh();
}

void FileList::Refresh() {
  if (pending_) pending_->cancelled = true;
  pending_.reset();
  if (path_.empty()) {
    model_->Replace({});
    readError_.reset();
    return;
  }
  auto job = std::make_shared<Job>(fs_, path_, pattern_);
  pending_ = job;
  // Started from the event loop, not here: setting up a pane sets its folder and its pattern
  // one after the other, and only the last reading asked for is worth doing.
  QMetaObject::invokeMethod(this, [this, job] { Start(job); }, Qt::QueuedConnection);
}

void FileList::Start(const std::shared_ptr<Job>& job) {
  if (job != pending_) return;
  // Unless the list needed the listing first and did the reading itself.
  handover_.Run([job] { return job->Run(); },
                [this, job](bool done) { if (done && job == pending_) Show(*job); });
}

void FileList::Settle() {
  if (!pending_) return;
  const std::shared_ptr<Job> job = pending_;
  if (!job->Run()) job->WaitUntilDone();
  Show(*job);
}

void FileList::Show(Job& job) {
  pending_.reset();
  // A list that could not be read is empty, and says why to whoever asks.
  readError_.reset();
  readError_ = job.listing.error;
  model_->Replace(std::move(job.listing.names));
  // Taking the focus makes the first entry current (framed, not selected) when there is one;
  // the names were not there yet when it came, so that is done now.
  if (focusedWhileReading_ && hasFocus() && !currentIndex().isValid() && model_->rowCount() > 0)
    selectionModel()->setCurrentIndex(model_->index(0), QItemSelectionModel::NoUpdate);
  focusedWhileReading_ = false;
  emit Listed();
}

void FileList::focusInEvent(QFocusEvent* event) {
  QListView::focusInEvent(event);
  focusedWhileReading_ = IsReading() && event->reason() != Qt::MouseFocusReason;
}

void FileList::focusOutEvent(QFocusEvent* event) {
  focusedWhileReading_ = false;
  QListView::focusOutEvent(event);
}

int FileList::ListCount() const {
  const_cast<FileList*>(this)->Settle();
  return static_cast<int>(model_->names.size());
}

std::string FileList::List(int index) const {
  const_cast<FileList*>(this)->Settle();
  if (index < 0 || static_cast<std::size_t>(index) >= model_->names.size())
    throw std::out_of_range("file list index " + std::to_string(index));
  return model_->names[static_cast<std::size_t>(index)];
}

// Asking is reading too: it waits for the listing under way, which changes what is shown.
int FileList::ListIndex() const {
  const_cast<FileList*>(this)->Settle();
  return currentIndex().row();
}

void FileList::SetListIndex(int index) {
  Settle();
  selectionModel()->setCurrentIndex(model_->index(index), QItemSelectionModel::ClearAndSelect);
}

std::string FileList::FileName() const {
  const_cast<FileList*>(this)->Settle();
  const int selected = currentIndex().row();
  return selected < 0 ? std::string() : model_->names[static_cast<std::size_t>(selected)];
}

std::optional<int> FileList::ShownCount() const {
  if (pending_ || readError_) return std::nullopt;
  return static_cast<int>(model_->names.size());
}

const std::optional<CommandError>& FileList::ReadError() const {
  const_cast<FileList*>(this)->Settle();
  return readError_;
}

}  // namespace shotsweep
