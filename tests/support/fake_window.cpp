#include "tests/support/fake_window.h"

#include <algorithm>
#include <filesystem>
#include <sstream>

namespace fs = std::filesystem;

namespace shotsweep::testing {
namespace {

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool GlobMatch(const char* p, const char* s) {
  if (*p == '\0') return *s == '\0';
  if (*p == '*') return GlobMatch(p + 1, s) || (*s != '\0' && GlobMatch(p, s + 1));
  if (*s == '\0') return false;
  if (*p == '?' || Lower(*p) == Lower(*s)) return GlobMatch(p + 1, s + 1);
  return false;
}

std::string LowerAll(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), Lower);
  return s;
}

}  // namespace

FolderFileList::FolderFileList(std::string folder, std::string pattern)
    : folder_(std::move(folder)), pattern_(std::move(pattern)) {}

void FolderFileList::Refresh() {
  ++refreshes;
  entries_.clear();
  index_ = -1;
  std::vector<std::string> patterns;
  std::stringstream ss(pattern_);
  for (std::string p; std::getline(ss, p, ';');) patterns.push_back(p);
  readError_.reset();
  std::error_code ec;
  for (fs::directory_iterator it(folder_, ec); !ec && it != fs::directory_iterator(); it.increment(ec)) {
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    std::string name = it->path().filename().string();
    if (std::any_of(patterns.begin(), patterns.end(),
                    [&](const std::string& p) { return GlobMatch(p.c_str(), name.c_str()); }))
      entries_.push_back(name);
  }
  if (ec) {
    entries_.clear();
    readError_ = CommandError{ec.value(), ec.message() + ": " + folder_};
  }
  std::sort(entries_.begin(), entries_.end(),
            [](const std::string& a, const std::string& b) { return LowerAll(a) < LowerAll(b); });
}

FakeWindow::FakeWindow(std::string d1, std::string d2)
    : dir1(std::move(d1)), dir2(std::move(d2)), file1(&rawList), file2(&jpgList),
      rawList(dir1, "*.nef;*.cr*;*.arw;*.orf"), jpgList(dir2, "*.jpg") {
  rawList.Refresh();
  jpgList.Refresh();
  rawList.refreshes = jpgList.refreshes = 0;
}

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
