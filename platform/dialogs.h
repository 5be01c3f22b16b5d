#pragma once
// The modal dialogs the program shows. Nothing outside platform/ calls a toolkit dialog:
// commands get a Dialogs and tests answer it from a script.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/command_result.h"
#include "base/errors.h"

namespace shotsweep {

enum class MessageIcon { Information, Warning, Critical };

// What the open-file dialog is asked to offer; the fields are named after the properties the
// photo-list command sets on it.
struct OpenFileRequest {
  std::string DialogTitle;
  std::string DefaultExt;
  std::string FileName;
  std::string Filter;  // "description|pattern|" pairs
  bool CancelError = true;
};

// A box that reports on many files: its text, then one row per file in a list that scrolls,
// however many there are, and a long transcript folded away under Details.
struct ReportBoxRequest {
  std::string text;
  std::string title;
  MessageIcon icon = MessageIcon::Information;
  std::vector<std::string> rows;
  std::string details;
};

class Dialogs {
 public:
  virtual ~Dialogs() = default;
  // A modal box with an OK button only.
  virtual void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) = 0;
  // A modal report box with an OK button only.
  virtual void ReportBox(const ReportBoxRequest& report) = 0;
  // A modal input box; OK gives the text as it stands, Cancel gives the empty text.
  virtual std::string InputBox(const std::string& prompt, const std::string& title,
                               const std::string& proposed) = 0;
  // The open-file dialog; the chosen full path, or nullopt when the user cancelled.
  virtual std::optional<std::string> OpenFile(const OpenFileRequest& request) = 0;
  // A modal question with Yes and No; true for Yes.
  virtual bool Question(const std::string& text, const std::string& title) = 0;
};

// The box a failed step shows: "number description", titled "Error", with the stop icon.
inline void ShowError(Dialogs& dialogs, const CommandError& error) {
  dialogs.MessageBox(error.Text(), "Error", MessageIcon::Critical);
}

// A command's result as boxes: each error as ShowError shows it and, where the command got
// done, "Operation done" titled `doneTitle`, each in the order it arose. The notes (files left
// as they were, a file trashed under another name) close the last box, so that they are read
// when the command is over.
inline void ShowResult(Dialogs& dialogs, const CommandResult& result, std::string_view doneTitle) {
  struct Box {
    std::string text, title;
    MessageIcon icon;
  };
  std::vector<Box> boxes;
  const Box done{"Operation done", std::string(doneTitle), MessageIcon::Information};
  for (std::size_t i = 0; i < result.errors.size(); ++i) {
    if (result.done() && i == result.errorsBeforeDone) boxes.push_back(done);
    boxes.push_back({result.errors[i].Text(), "Error", MessageIcon::Critical});
  }
  if (result.done() && result.errorsBeforeDone == result.errors.size()) boxes.push_back(done);
  if (!result.notes.empty()) {
    if (boxes.empty()) boxes.push_back({"", std::string(doneTitle), MessageIcon::Information});
    constexpr std::size_t kShown = 10;
    std::string& text = boxes.back().text;
    text += text.empty() ? "Note:" : "\n\nNote:";
    for (std::size_t i = 0; i < result.notes.size() && i < kShown; ++i) text += "\n" + result.notes[i].text;
    if (result.notes.size() > kShown) text += "\n... and " + std::to_string(result.notes.size() - kShown) + " more";
  }
  for (const Box& box : boxes) dialogs.MessageBox(box.text, box.title, box.icon);
}

}  // namespace shotsweep
