#include "tests/support/scripted_dialogs.h"

namespace shotsweep::testing {

std::string ScriptedDialogs::InputBox(const std::string& prompt, const std::string& title,
                                      const std::string& proposed) {
  inputPrompts.push_back(prompt);
  inputTitles.push_back(title);
  inputProposals.push_back(proposed);
  if (inputAnswers.empty()) return {};
  std::string answer = inputAnswers.front();
  inputAnswers.pop_front();
  return answer;
}

std::optional<std::string> ScriptedDialogs::OpenFile(const OpenFileRequest& request) {
  openRequests.push_back(request);
  if (openAnswers.empty()) return std::nullopt;
  auto answer = openAnswers.front();
  openAnswers.pop_front();
  return answer;
}

}  // namespace shotsweep::testing
