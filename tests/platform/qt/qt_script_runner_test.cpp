// The window's runner on the offscreen platform: the result comes back, a long run shows
// progress, no input reaches the window meanwhile, and the output window waits for Close.

#include "platform/qt/qt_script_runner.h"

#include <QApplication>
#include <QDialog>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <filesystem>
#include <functional>

#include "tests/support/temp_folder.h"

namespace fs = std::filesystem;
using shotsweep::QtScriptRunner;
using shotsweep::ScriptOutcome;
using shotsweep::ScriptRequest;
using shotsweep::WindowStyle;

namespace {

// bash rather than sh: dash cannot write to a descriptor above 9, and the progress pipe's
// number in the child may well be higher.
std::string StandIn(const shotsweep::testing::TempFolder& temp, const std::string& body) {
  return temp.WriteProgram("interpreter.sh", "#!/bin/bash\n" + body).string();
}

// Calls `check` every 20 ms while a run is under way, until it returns true.
void Poll(QObject* owner, std::function<bool()> check) {
  auto* timer = new QTimer(owner);
  QObject::connect(timer, &QTimer::timeout, [timer, check] {
    if (check()) timer->stop();
  });
  timer->start(20);
}

}  // namespace

class QtScriptRunnerTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QWidget> window_;
  QPushButton* button_ = nullptr;
  int clicks_ = 0;

 private slots:
  void init() {
    window_ = std::make_unique<QWidget>();
    auto* layout = new QVBoxLayout(window_.get());
    button_ = new QPushButton("Delete unmatched RAW files", window_.get());
    layout->addWidget(button_);
    clicks_ = 0;
    connect(button_, &QPushButton::clicked, [this] { ++clicks_; });
    window_->show();
    QVERIFY(QTest::qWaitForWindowExposed(window_.get()));
  }
  void cleanup() { window_.reset(); }

  void aShortHiddenRunReturnsItsResultWithoutAWindow() {
    shotsweep::testing::TempFolder temp;
    QtScriptRunner runner(window_.get(), StandIn(temp, "echo \"$1 in $(pwd)\"\nexit 0\n"));
    const ScriptOutcome outcome = runner.Run({"x.bat", temp.str(), WindowStyle::Hidden, "t"});
    QVERIFY(!outcome.error);
    QCOMPARE(outcome.exitStatus, 0);
    QCOMPARE(QString::fromStdString(outcome.output), QString::fromStdString("x.bat in " + temp.str() + "\n"));
    QVERIFY(window_->findChild<QProgressDialog*>() == nullptr);
  }

  void aLongHiddenRunShowsProgressAndTakesNoInput() {
    shotsweep::testing::TempFolder temp;
    QtScriptRunner runner(window_.get(), StandIn(temp,
                                                 "echo '1 4' >&$SHOTSWEEP_PROGRESS_FD\n"
                                                 "sleep 1\n"
                                                 "echo '4 4' >&$SHOTSWEEP_PROGRESS_FD\n"));
    bool earlyDialog = false;
    int seenMaximum = -1;
    int seenValue = -1;
    bool seenModal = false;
    QTimer::singleShot(150, [&] {
      earlyDialog = window_->findChild<QProgressDialog*>() != nullptr;
      QTest::mouseClick(button_, Qt::LeftButton);
      QTest::keyClick(button_, Qt::Key_Space);
    });
    QTimer::singleShot(800, [&] {
      if (auto* dialog = window_->findChild<QProgressDialog*>(); dialog && dialog->isVisible()) {
        seenMaximum = dialog->maximum();
        seenValue = dialog->value();
        seenModal = dialog->windowModality() == Qt::WindowModal;
      }
    });
    const ScriptOutcome outcome = runner.Run({"x.bat", temp.str(), WindowStyle::Hidden, "Cleanup"});
    QVERIFY(!outcome.error);
    QVERIFY(!earlyDialog);
    QCOMPARE(seenMaximum, 4);
    QCOMPARE(seenValue, 1);
    QVERIFY(seenModal);
    QCOMPARE(clicks_, 0);
    QVERIFY(window_->findChild<QProgressDialog*>() == nullptr);
    // Input that was swallowed is not delivered late; the window works again afterwards.
    QApplication::processEvents();
    QCOMPARE(clicks_, 0);
    QTest::mouseClick(button_, Qt::LeftButton);
    QCOMPARE(clicks_, 1);
  }

  void theOutputWindowShowsOutputLiveAndStaysUntilClosed() {
    shotsweep::testing::TempFolder temp;
    QtScriptRunner runner(window_.get(), StandIn(temp,
                                                 "echo 'first line'\n"
                                                 "echo '1 2' >&$SHOTSWEEP_PROGRESS_FD\n"
                                                 "sleep 0.4\n"
                                                 "echo 'Žluťoučký kůň'\n"
                                                 "echo '2 2' >&$SHOTSWEEP_PROGRESS_FD\n"));
    bool liveWhileRunning = false;
    bool escapeIgnored = false;
    QString finalText;
    int finalValue = -1;
    Poll(window_.get(), [&] {
      auto* dialog = window_->findChild<QDialog*>("ScriptOutputWindow");
      if (dialog == nullptr) return false;
      auto* close = dialog->findChild<QPushButton*>("close");
      auto* text = dialog->findChild<QPlainTextEdit*>("output");
      if (!close->isEnabled()) {
        if (text->toPlainText().contains("first line")) {
          liveWhileRunning = true;
          QTest::keyClick(dialog, Qt::Key_Escape);
          escapeIgnored = dialog->isVisible();
        }
        return false;
      }
      finalText = text->toPlainText();
      finalValue = dialog->findChild<QProgressBar*>("progress")->value();
      QTest::mouseClick(close, Qt::LeftButton);
      return true;
    });
    const ScriptOutcome outcome = runner.Run({"x.bat", temp.str(), WindowStyle::NormalWithFocus, "Extraction"});
    QVERIFY(!outcome.error);
    QVERIFY(liveWhileRunning);
    QVERIFY(escapeIgnored);
    QCOMPARE(finalText, QString("first line\nŽluťoučký kůň\n"));
    QCOMPARE(finalValue, 2);
    QCOMPARE(QString::fromStdString(outcome.output), QString("first line\nŽluťoučký kůň\n"));
  }

  void aSummaryShowsAtAGlanceWithTheOutputFoldedAwayAndGoodNewsClosesItself() {
    shotsweep::testing::TempFolder temp;
    QtScriptRunner runner(window_.get(), StandIn(temp, "echo 'Image does not have preview 4'\n"));
    QString summary;
    bool outputFolded = false;
    Poll(window_.get(), [&] {
      auto* dialog = window_->findChild<QDialog*>("ScriptOutputWindow");
      if (dialog == nullptr || !dialog->findChild<QPushButton*>("close")->isEnabled()) return false;
      summary = dialog->findChild<QLabel*>("summary")->text();
      outputFolded = !dialog->findChild<QPlainTextEdit*>("output")->isVisible();
      return true;  // and no click: a run that went well closes its window by itself
    });
    ScriptRequest request{"x.bat", temp.str(), WindowStyle::NormalWithFocus, "Extraction"};
    request.summarize = [](const ScriptOutcome&) { return shotsweep::ScriptSummary{"2 of 2 RAW files got a JPG.", true}; };
    const ScriptOutcome outcome = runner.Run(request);
    QCOMPARE(summary, QString("2 of 2 RAW files got a JPG."));
    QVERIFY(outputFolded);
    QCOMPARE(QString::fromStdString(outcome.output), QString("Image does not have preview 4\n"));
  }

  void cancelStopsBetweenBlocksAndAWindowThatReportsNothingClosesItself() {
    shotsweep::testing::TempFolder temp;
    const std::string rem = "REM " + std::string(68, '*') + "\r\n\r\n";
    std::string text = "chcp 0\r\n";
    for (int i = 0; i < 8; ++i) text += "echo block " + std::to_string(i) + "\r\n/bin/sleep 0.2\r\n" + rem;
    const fs::path script = temp.Write("Extr.bat", text);
    bool cancelOffered = false;
    bool clicked = false;
    Poll(window_.get(), [&] {
      auto* dialog = window_->findChild<QDialog*>("ScriptOutputWindow");
      if (dialog == nullptr) return false;
      auto* cancel = dialog->findChild<QPushButton*>("cancel");
      cancelOffered = cancel->isVisible();
      if (!dialog->findChild<QPlainTextEdit*>("output")->toPlainText().contains("block 0")) return false;
      QTest::mouseClick(cancel, Qt::LeftButton);
      clicked = !cancel->isEnabled();
      return true;
    });
    ScriptRequest request{script.string(), temp.str(), WindowStyle::NormalWithFocus, "Extracting previews"};
    request.jobs = 1;
    request.closeWhenEnded = true;
    const ScriptOutcome outcome = QtScriptRunner(window_.get()).Run(request);  // no click on Close
    QVERIFY(cancelOffered);
    QVERIFY(clicked);
    QVERIFY(outcome.stopped);
    QVERIFY(!outcome.blocks.empty());
    QVERIFY(outcome.blocks.size() < 8);
    QVERIFY(!QString::fromStdString(outcome.output).contains("block 7"));
  }

  void aMissingOrKilledInterpreterIsAnErrorNotSuccess() {
    shotsweep::testing::TempFolder temp;
    QtScriptRunner missing(window_.get(), temp.str() + "/shotsweep-batch");
    const ScriptOutcome notStarted = missing.Run({"x.bat", temp.str(), WindowStyle::Hidden, ""});
    QVERIFY(notStarted.error);
    QCOMPARE(notStarted.error->number, ENOENT);

    QtScriptRunner killed(window_.get(), StandIn(temp, "kill -9 $$\n"));
    const ScriptOutcome outcome = killed.Run({"x.bat", temp.str(), WindowStyle::Hidden, ""});
    QVERIFY(outcome.error);
    QVERIFY(QString::fromStdString(outcome.error->Text()).contains("signal 9"));
  }

  void theRealInterpreterBesideTheProgramRuns() {
    shotsweep::testing::TempFolder temp;
    temp.Write("a.NEF", "a");
    const fs::path script = temp.Write("rRAW.bat", "chcp 0\r\nren *.nef *.nbak\r\n");
    QtScriptRunner runner(window_.get());
    const ScriptOutcome outcome = runner.Run({script.string(), temp.str(), WindowStyle::Hidden, ""});
    QVERIFY(!outcome.error);
    QCOMPARE(outcome.exitStatus, 0);
    QVERIFY(fs::exists(temp.path() / "a.nbak"));
  }
};

QTEST_MAIN(QtScriptRunnerTest)
#include "qt_script_runner_test.moc"
