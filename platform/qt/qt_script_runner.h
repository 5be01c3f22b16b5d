#pragma once
// The window's script runner: starts shotsweep-batch and waits for it inside a nested event
// loop, so the window keeps painting while no user input reaches it.
//  - Hidden: no window at first; a run that lasts more than about half a second shows a
//    window-modal progress dialog fed by the interpreter's progress reports.
//  - NormalWithFocus: a window-modal dialog that shows the script's output live with a
//    progress bar; its Close button is enabled when the script has ended, and Run returns
//    when the user has closed it.

#include <string>

#include "platform/script_runner.h"

class QWidget;

namespace shotsweep {

class QtScriptRunner : public ScriptRunner {
 public:
  explicit QtScriptRunner(QWidget* parent);
  // For tests: run another interpreter than the one next to the executable.
  QtScriptRunner(QWidget* parent, std::string interpreter);

  ScriptOutcome Run(const ScriptRequest& request) override;

 private:
  QWidget* parent_;
  std::string interpreter_;
};

}  // namespace shotsweep
