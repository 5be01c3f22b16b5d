#pragma once
// Work done on Qt's thread pool whose result is handed to an object on its own (the GUI)
// thread, as long as that object still exists: a list may be closed, and its window gone,
// while its folder is still being read.

#include <QObject>
#include <QThread>
#include <QThreadPool>
#include <algorithm>
#include <memory>
#include <mutex>
#include <utility>

namespace shotsweep {

class Handover {
 public:
  explicit Handover(QObject* receiver) : guard_(std::make_shared<Guard>()) { guard_->receiver = receiver; }
  // From now on nothing more is handed over.
  ~Handover() {
    const std::lock_guard lock(guard_->mutex);
    guard_->receiver = nullptr;
  }
  Handover(const Handover&) = delete;
  Handover& operator=(const Handover&) = delete;

  // Runs work() on a worker, then deliver(result) on the receiver's thread from its event loop.
  template <typename Work, typename Deliver>
  void Run(Work work, Deliver deliver) {
    Pool().start(
        [guard = guard_, work = std::move(work), deliver = std::move(deliver)]() mutable {
          auto result = work();
          // Posting under the lock: the receiver cannot be destroyed half way through it, and
          // an event posted to it before then is dropped with it.
          const std::lock_guard lock(guard->mutex);
          if (!guard->receiver) return;
          QMetaObject::invokeMethod(
              guard->receiver,
              [deliver = std::move(deliver), result = std::move(result)]() mutable { deliver(std::move(result)); },
              Qt::QueuedConnection);
        });
  }

 private:
  // Not Qt's global pool: Qt converts and scales images on that one while painting, and
  // waits for it; a first paint queued behind the reading of 100,000 names is the very wait
  // this is here to avoid. One processor is left to the window's own thread, so that it
  // paints and answers at full speed while folders are read. Destroyed at exit, after
  // waiting for what still runs.
  static QThreadPool& Pool() {
    static QThreadPool pool;
    static const bool sized = [] {
      pool.setMaxThreadCount(std::max(1, QThread::idealThreadCount() - 1));
      return true;
    }();
    (void)sized;
    return pool;
  }

  struct Guard {
    std::mutex mutex;
    QObject* receiver = nullptr;
  };
  std::shared_ptr<Guard> guard_;
};

}  // namespace shotsweep
