#pragma once
// Dialogs answered from a script, recording every box they show.

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "platform/dialogs.h"

namespace shotsweep::testing {

struct ShownMessage {
  std::string text;
  std::string title;
  MessageIcon icon;
};

// Records every box and answers input boxes and file dialogs from queues
// (an empty queue answers Cancel).
class ScriptedDialogs : public Dialogs {
 public:
  void MessageBox(const std::string& text, const std::string& title, MessageIcon icon) override {
    messages.push_back({text, title, icon});
  }
  void ReportBox(const ReportBoxRequest& report) override {
    messages.push_back({report.text, report.title, report.icon});
    reports.push_back(report);
  }
  std::string InputBox(const std::string& prompt, const std::string& title,
                       const std::string& proposed) override;
  std::optional<std::string> OpenFile(const OpenFileRequest& request) override;
  bool Question(const std::string& text, const std::string& title) override {
    questions.push_back({text, title, MessageIcon::Information});
    if (questionAnswers.empty()) return false;
    const bool answer = questionAnswers.front();
    questionAnswers.pop_front();
    return answer;
  }

  std::vector<ShownMessage> messages;  // report boxes too
  std::vector<ReportBoxRequest> reports;
  std::vector<ShownMessage> questions;
  std::deque<bool> questionAnswers;  // an empty queue answers No
  std::deque<std::string> inputAnswers;
  std::deque<std::optional<std::string>> openAnswers;
  std::vector<OpenFileRequest> openRequests;
  std::vector<std::string> inputPrompts;
  std::vector<std::string> inputTitles;
  std::vector<std::string> inputProposals;
};

}  // namespace shotsweep::testing
