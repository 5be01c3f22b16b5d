#include "platform/qt/qt_script_runner.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDialog>
#include <QEventLoop>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QSocketNotifier>
#include <QToolButton>
#include <QStringDecoder>
#include <QTimer>
#include <QHBoxLayout>
#include <QVBoxLayout>
#include <QWindow>
#include <functional>
#include <memory>

#include "platform/interpreter_path.h"
#include "platform/posix_script_runner.h"

namespace shotsweep {
namespace {

constexpr int kProgressDelayMs = 500;
// How long a run that went well stays on screen with its summary before its window closes.
constexpr int kCloseWhenWellMs = 1500;
// How often the loop looks whether the process has ended while its pipes stay quiet.
constexpr int kExitCheckMs = 20;

// Swallows user input everywhere in the program except inside `allowed`, so nothing can start
// a second command or close the window while a script runs. Input is dropped, not held back
// to be delivered after the run, as a loop that merely excludes input events would.
class InputBlocker : public QObject {
 public:
  InputBlocker() { qApp->installEventFilter(this); }
  ~InputBlocker() override { qApp->removeEventFilter(this); }
  void Allow(QWidget* allowed) { allowed_ = allowed; }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    switch (event->type()) {
      case QEvent::MouseButtonPress:
      case QEvent::MouseButtonRelease:
      case QEvent::MouseButtonDblClick:
      case QEvent::KeyPress:
      case QEvent::KeyRelease:
      case QEvent::Wheel:
      case QEvent::Shortcut:
      case QEvent::ShortcutOverride:
      case QEvent::ContextMenu:
      case QEvent::TouchBegin:
      case QEvent::TouchUpdate:
      case QEvent::TouchEnd:
        break;
      case QEvent::Close:
        // Only the window system's close (the title bar's button); the program's own
        // closing of widgets goes on.
        if (!event->spontaneous()) return false;
        break;
      default:
        return false;
    }
    if (IsAllowed(watched)) return false;
    event->ignore();
    return true;
  }

 private:
  bool IsAllowed(QObject* watched) const {
    if (allowed_ == nullptr) return false;
    if (auto* widget = qobject_cast<QWidget*>(watched)) {
      return widget == allowed_ || allowed_->isAncestorOf(widget);
    }
    if (auto* window = qobject_cast<QWindow*>(watched)) return window == allowed_->windowHandle();
    return false;
  }

  QWidget* allowed_ = nullptr;
};

// The window of a script run with focus: its output as it comes, a progress bar, and a Close
// button that works once the script has ended.
class OutputWindow : public QDialog {
 public:
  OutputWindow(QWidget* parent, const QString& title) : QDialog(parent) {
    setObjectName("ScriptOutputWindow");
    setWindowTitle(title);
    setWindowModality(parent != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
    summary_ = new QLabel(this);
    summary_->setObjectName("summary");
    summary_->setWordWrap(true);
    summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    summary_->setVisible(false);
    details_ = new QToolButton(this);
    details_->setObjectName("details");
    details_->setText(tr("Details"));
    details_->setCheckable(true);
    details_->setChecked(true);
    details_->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    details_->setArrowType(Qt::DownArrow);
    details_->setVisible(false);
    text_ = new QPlainTextEdit(this);
    text_->setObjectName("output");
    connect(details_, &QToolButton::toggled, this, [this](bool shown) {
      text_->setVisible(shown);
      details_->setArrowType(shown ? Qt::DownArrow : Qt::RightArrow);
    });
    text_->setReadOnly(true);
    text_->setLineWrapMode(QPlainTextEdit::NoWrap);
    text_->setMaximumBlockCount(20000);  // a long run stays responsive; the tail matters
    bar_ = new QProgressBar(this);
    bar_->setObjectName("progress");
    bar_->setRange(0, 0);
    close_ = new QPushButton(tr("Close"), this);
    close_->setObjectName("close");
    close_->setEnabled(false);
    connect(close_, &QPushButton::clicked, this, &QDialog::accept);
    cancel_ = new QPushButton(tr("Cancel"), this);
    cancel_->setObjectName("cancel");
    cancel_->setVisible(false);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(summary_);
    layout->addWidget(details_, 0, Qt::AlignLeft);
    layout->addWidget(text_, 1);
    layout->addWidget(bar_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cancel_);
    buttons->addWidget(close_);
    layout->addLayout(buttons);
    resize(720, 420);
  }

  // A run that can stop between its blocks: Cancel lets the blocks under way end, so no file
  // is left half made, and the run ends after them.
  void OfferCancel(std::function<bool()> stop) {
    cancel_->setVisible(true);
    connect(cancel_, &QPushButton::clicked, this, [this, stop = std::move(stop)] {
      if (!stop()) return;
      cancel_->setEnabled(false);
      cancel_->setText(tr("Stopping after the current files\u2026"));
    });
  }

  void Append(const QString& text) {
    if (text.isEmpty()) return;
    QString plain = text;
    plain.remove(QLatin1Char('\r'));
    text_->moveCursor(QTextCursor::End);
    text_->insertPlainText(plain);
    text_->moveCursor(QTextCursor::End);
  }

  void SetProgress(int done, int total) {
    if (total <= 0) return;
    bar_->setRange(0, total);
    bar_->setValue(std::min(done, total));
  }

  // Once the script has ended: the summary at a glance, the output folded away behind it; a
  // run that went well in every way closes by itself a moment later.
  void Finish(const ScriptOutcome& outcome, const std::optional<ScriptSummary>& summary, bool closeNow) {
    running_ = false;
    cancel_->setEnabled(false);
    if (closeNow) {
      accept();
      return;
    }
    if (bar_->maximum() == 0) bar_->setRange(0, 1);
    if (!outcome.error && outcome.exitStatus == 0) bar_->setValue(bar_->maximum());
    if (outcome.error) Append(QStringLiteral("\n") + QString::fromStdString(outcome.error->Text()) + "\n");
    close_->setEnabled(true);
    close_->setDefault(true);
    close_->setFocus();
    if (!summary) return;
    summary_->setText(QString::fromStdString(summary->text));
    summary_->setVisible(true);
    details_->setVisible(true);
    details_->setChecked(false);
    if (summary->allWell && !outcome.error) QTimer::singleShot(kCloseWhenWellMs, this, &QDialog::accept);
  }

  // Escape and the title bar's close do nothing while the script runs.
  void reject() override {
    if (!running_) QDialog::reject();
  }

 protected:
  void closeEvent(QCloseEvent* event) override {
    if (running_) {
      event->ignore();
      return;
    }
    QDialog::closeEvent(event);
  }

 private:
  QLabel* summary_;
  QToolButton* details_;
  QPlainTextEdit* text_;
  QProgressBar* bar_;
  QPushButton* close_;
  QPushButton* cancel_;
  bool running_ = true;
};

std::unique_ptr<QProgressDialog> MakeProgressDialog(QWidget* parent, const ScriptRequest& request) {
  auto dialog = std::make_unique<QProgressDialog>(parent);
  dialog->setObjectName("ScriptProgress");
  dialog->setWindowModality(parent != nullptr ? Qt::WindowModal : Qt::ApplicationModal);
  dialog->setWindowTitle(QString::fromStdString(request.title));
  dialog->setLabelText(QString::fromStdString(request.scriptPath));
  dialog->setCancelButton(nullptr);  // a cleanup cut short halfway helps nobody
  dialog->setAutoReset(false);
  dialog->setAutoClose(false);
  dialog->setRange(0, 0);
  return dialog;
}

}  // namespace

QtScriptRunner::QtScriptRunner(QWidget* parent) : QtScriptRunner(parent, InterpreterPath()) {}

QtScriptRunner::QtScriptRunner(QWidget* parent, std::string interpreter)
    : parent_(parent), interpreter_(std::move(interpreter)) {}

ScriptOutcome QtScriptRunner::Run(const ScriptRequest& request) {
  ScriptProcess process(interpreter_, request);
  if (process.startError()) return process.Outcome();

  QEventLoop loop;
  InputBlocker blocker;
  std::unique_ptr<QProgressDialog> progress;
  std::unique_ptr<OutputWindow> output;
  QStringDecoder decoder(QStringDecoder::Utf8);

  if (request.style == WindowStyle::NormalWithFocus) {
    output = std::make_unique<OutputWindow>(parent_, QString::fromStdString(request.title));
    if (request.jobs > 0) output->OfferCancel([&process] { return process.Stop(); });
    blocker.Allow(output.get());
    QObject::connect(output.get(), &QDialog::finished, &loop, &QEventLoop::quit);
    output->show();
    output->raise();
    output->activateWindow();
  }

  QSocketNotifier outputNotifier(process.outputFd(), QSocketNotifier::Read);
  QSocketNotifier progressNotifier(process.progressFd(), QSocketNotifier::Read);
  QTimer exitCheck;
  QTimer progressDelay;
  progressDelay.setSingleShot(true);

  const auto pump = [&] {
    if (process.finished()) return;
    process.Pump(0);
    // The process closes a pipe end once it is read out; stop watching it before the loop
    // polls that descriptor again.
    if (process.outputFd() < 0) outputNotifier.setEnabled(false);
    if (process.progressFd() < 0) progressNotifier.setEnabled(false);
    if (output) {
      output->Append(decoder.decode(QByteArrayView(process.TakeNewOutput())));
      output->SetProgress(process.done(), process.total());
    }
    if (progress && process.total() > 0) {
      progress->setRange(0, process.total());
      progress->setValue(std::min(process.done(), process.total()));
    }
    if (!process.finished()) return;
    exitCheck.stop();
    progressDelay.stop();
    if (output) {
      const ScriptOutcome outcome = process.Outcome();
      std::optional<ScriptSummary> summary;
      if (request.summarize) summary = request.summarize(outcome);
      output->Finish(outcome, summary, request.closeWhenEnded);
    } else {
      loop.quit();
    }
  };
  QObject::connect(&outputNotifier, &QSocketNotifier::activated, pump);
  QObject::connect(&progressNotifier, &QSocketNotifier::activated, pump);
  QObject::connect(&exitCheck, &QTimer::timeout, pump);
  exitCheck.start(kExitCheckMs);
  if (!output) {
    QObject::connect(&progressDelay, &QTimer::timeout, [&] {
      progress = MakeProgressDialog(parent_, request);
      progress->show();
      pump();
    });
    progressDelay.start(kProgressDelayMs);
  }

  pump();
  // A window that closed itself at once has no loop to wait in.
  if (!process.finished() || (output && output->isVisible())) loop.exec();
  outputNotifier.setEnabled(false);
  progressNotifier.setEnabled(false);
  return process.Outcome();
}

}  // namespace shotsweep
