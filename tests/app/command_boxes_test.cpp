// What the window asks before a command and shows after it: the photo-list dialog, and a
// command's result as boxes.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/photo_list_dialog.h"
#include "platform/dialogs.h"
#include "tests/support/scripted_dialogs.h"

namespace shotsweep::testing {
namespace {

TEST(PhotoListDialog, ItsPropertiesAndTheAnswersThatEndTheCommandSilently) {
  ScriptedDialogs dialogs;
  dialogs.openAnswers = {std::nullopt, "/a.t", "*.txt", "*/x/list.txt", "", "/ž.tx", "/x/list.txt"};
  for (int i = 0; i < 5; ++i) EXPECT_EQ(AskForPhotoList(dialogs), std::nullopt) << i;
  // Five characters are enough, counted as characters: "/ž.tx" is six bytes but five.
  EXPECT_EQ(AskForPhotoList(dialogs), "/ž.tx");
  EXPECT_EQ(AskForPhotoList(dialogs), "/x/list.txt");
  ASSERT_EQ(dialogs.openRequests.size(), 7u);
  const OpenFileRequest& request = dialogs.openRequests[0];
  EXPECT_EQ(request.DialogTitle, "Otevřít seznam souborů v .txt (photo_file_list.txt)");
  EXPECT_EQ(request.DefaultExt, "*.txt");
  EXPECT_EQ(request.FileName, "photo_file_list.txt");
  EXPECT_EQ(request.Filter, "File list (*.txt)|*.txt|");
  EXPECT_TRUE(request.CancelError);
  EXPECT_TRUE(dialogs.messages.empty());
}

std::vector<std::string> Shown(const CommandResult& result) {
  ScriptedDialogs dialogs;
  ShowResult(dialogs, result, "Title");
  std::vector<std::string> shown;
  for (const ShownMessage& m : dialogs.messages) {
    EXPECT_EQ(m.icon, m.title == "Error" ? MessageIcon::Critical : MessageIcon::Information);
    shown.push_back(m.title + ": " + m.text);
  }
  return shown;
}

TEST(ResultBoxes, ErrorsAndOperationDoneInTheOrderTheyArose) {
  CommandResult failed = CommandResult::Failed({2, "No such file or directory"});
  EXPECT_THAT(Shown(failed), ::testing::ElementsAre("Error: 2 No such file or directory"));

  CommandResult done;
  done.errors.push_back({16, "busy: RAWjpg.txt"});
  done.MarkDone();
  done.errors.push_back({1, "not permitted: rRAW.bat"});
  EXPECT_THAT(Shown(done), ::testing::ElementsAre("Error: 16 busy: RAWjpg.txt", "Title: Operation done",
                                                 "Error: 1 not permitted: rRAW.bat"));
  CommandResult clean;
  clean.MarkDone();
  EXPECT_THAT(Shown(clean), ::testing::ElementsAre("Title: Operation done"));
}

TEST(ResultBoxes, NotesCloseTheLastBoxWhateverItIs) {
  CommandResult done;
  done.MarkDone();
  done.notes.push_back({"/raw/NEW.NEF: not in the cleanup's plan, so left as it is", {}});
  EXPECT_THAT(Shown(done), ::testing::ElementsAre("Title: Operation done\n\nNote:\n/raw/NEW.NEF: not in the "
                                                 "cleanup's plan, so left as it is"));
  done.errors.push_back({1, "not permitted: rRAW.bat"});
  EXPECT_THAT(Shown(done), ::testing::ElementsAre("Title: Operation done", ::testing::EndsWith("rRAW.bat\n\nNote:\n"
                                                 "/raw/NEW.NEF: not in the cleanup's plan, so left as it is")));
  // Many notes: the first ten, and how many more.
  CommandResult many;
  for (int i = 0; i < 12; ++i) many.notes.push_back({"note " + std::to_string(i), {}});
  const std::vector<std::string> shown = Shown(many);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_THAT(shown[0], ::testing::EndsWith("note 9\n... and 2 more"));
}

}  // namespace
}  // namespace shotsweep::testing
