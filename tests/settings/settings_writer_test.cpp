#include "settings/settings_writer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <random>
#include <string>

#include "fs/memory_file_system.h"
#include "settings/settings_reader.h"

namespace shotsweep {
namespace {

bool Same(const Settings& a, const Settings& b) {
  return a.deleteScripts == b.deleteScripts && a.quoteEveryPath == b.quoteEveryPath && a.codePage == b.codePage &&
         a.trash == b.trash && a.confirm == b.confirm && a.extraRawKinds == b.extraRawKinds &&
         a.sidecarKinds == b.sidecarKinds;
}

Settings Read(std::string_view bytes) {
  Settings s;
  ParseSettings(bytes, s);
  return s;
}

TEST(SettingsWriter, AChangedValueIsWrittenInPlaceAndEverythingElseStaysByteForByte) {
  const std::string file =
      "; my notes\r\nTimer=5, KillBat= 0 ,Foo=bar\r\n\"QMark=0\"\r\nExtraRAW=cr3, dng,\"raf\",QMark=0\r\n"
      "ExtraRAW=pef\r\nSidecars=xmp\r\n";
  Settings after = Read(file);
  after.deleteScripts = true;
  after.quoteEveryPath = true;
  after.extraRawKinds = {"cr3", "dng"};
  after.sidecarKinds = {};
  EXPECT_EQ(WithSettings(file, ChangedSettings(Read(file), after)),
            "; my notes\r\nTimer=5, KillBat= 1 ,Foo=bar\r\n\"QMark=0\"\r\nExtraRAW=cr3, dng,\"raf\",QMark=1\r\n"
            "ExtraRAW=cr3,dng\r\nSidecars=\r\n");
  // Nothing changed, nothing written.
  EXPECT_EQ(WithSettings(file, {}), file);
}

TEST(SettingsWriter, MissingKeysAreAppendedAsTheFileEndsItsLines) {
  EXPECT_EQ(WithSettings("KillBat=0\nFoo", {{"Trash", "1"}, {"Confirm", "1"}}), "KillBat=0\nFoo\nTrash=1\nConfirm=1\n");
  EXPECT_EQ(WithSettings("", {{"Trash", "1"}}), "Trash=1\r\n");
  EXPECT_EQ(WithSettings("KillBat=0\r", {{"Trash", "1"}}), "KillBat=0\rTrash=1\r");
  // A list that goes on after a comma stops at a line end; an open quote is closed first.
  EXPECT_EQ(WithSettings("ExtraRAW=cr3,", {{"QMark", "1"}}), "ExtraRAW=cr3,\r\nQMark=1\r\n");
  EXPECT_EQ(WithSettings("KillBat=0\n\"Foo=a", {{"Trash", "1"}}), "KillBat=0\n\"Foo=a\"\nTrash=1\n");
  // The list in a quoted entry stays in its quotes.
  EXPECT_EQ(WithSettings("\"Sidecars=xmp\",KillBat=0", {{"Sidecars", "xmp,pp3"}}), "\"Sidecars=xmp,pp3\",KillBat=0");
}

// Files made of settings, near misses, unknown keys, bare words, quotes and every separator:
// whatever the file, what is written in reads back as written, and the rest reads as before.
TEST(SettingsWriter, AnyFileReadsBackWithTheNewValues) {
  const char* keys[] = {"KillBat", "QMark", "RAWCodePage", "Trash", "Confirm", "ExtraRAW", "Sidecars",
                        "Timer",   "qmark", "Trash ",      "Foo",   "",        "dng"};
  const char* values[] = {"0", "1", "2", "852", "yes", "", " 1 ", "cr3", "dng,raf", "xmp;pp3", "1=2", "\"x"};
  const char* separators[] = {",", "\r\n", "\n", "\r", ", ", ",,", "\r\n\r\n"};
  const char* kinds[] = {"cr3", "dng", "raf", "xmp", "pp3", "dop"};
  std::mt19937 random(24);
  const auto pick = [&](const auto& from) { return from[random() % std::size(from)]; };
  for (int round = 0; round < 3000; ++round) {
    std::string file;
    const int count = static_cast<int>(random() % 8);
    for (int i = 0; i < count; ++i) {
      std::string entry = std::string(pick(keys)) + (random() % 5 ? "=" : "") + pick(values);
      if (random() % 6 == 0) entry = "\"" + entry + (random() % 4 ? "\"" : "");
      file += entry + pick(separators);
    }
    if (random() % 3 == 0 && !file.empty()) file.pop_back();

    const Settings before = Read(file);
    Settings after = before;
    if (random() % 2) after.trash = !after.trash;
    if (random() % 2) after.confirm = !after.confirm;
    if (random() % 2) after.deleteScripts = !after.deleteScripts;
    if (random() % 2) after.quoteEveryPath = !after.quoteEveryPath;
    if (random() % 2) after.codePage = static_cast<int>(random() % 2000) - 100;
    if (random() % 2) {
      after.extraRawKinds.clear();
      for (int k = 0; k < static_cast<int>(random() % 3); ++k) after.extraRawKinds.push_back(kinds[k]);
    }
    if (random() % 2) {
      after.sidecarKinds.clear();
      for (int k = 3; k < 3 + static_cast<int>(random() % 3); ++k) after.sidecarKinds.push_back(kinds[k]);
    }
    // A RAW kind cannot be a sidecar kind too: the dialog refuses that pair of values.
    std::erase_if(after.sidecarKinds, [&](const std::string& kind) {
      return std::find(after.extraRawKinds.begin(), after.extraRawKinds.end(), kind) != after.extraRawKinds.end();
    });
    const std::vector<SettingValue> changes = ChangedSettings(before, after);
    const std::string written = WithSettings(file, changes);
    EXPECT_TRUE(Same(Read(written), after)) << "file: " << file << "\nwritten: " << written;
    // Keys the file does not hold yet only ever add to it.
    const bool anyHeld = std::any_of(changes.begin(), changes.end(),
                                     [&](const SettingValue& c) { return file.find(c.key + "=") != std::string::npos; });
    if (!anyHeld) {
      EXPECT_TRUE(written.starts_with(file)) << "file: " << file << "\nwritten: " << written;
    }
  }
}

TEST(SettingsWriter, ValuesThatCannotBeWrittenAreRefusedWithTheReadersReasons) {
  Settings s;
  EXPECT_TRUE(SettingValueProblems("RAWCodePage", "852", s).empty());
  EXPECT_EQ(s.codePage, 852);
  EXPECT_FALSE(SettingValueProblems("RAWCodePage", "eight", s).empty());
  EXPECT_FALSE(SettingValueProblems("RAWCodePage", "8,52", s).empty());
  EXPECT_EQ(s.codePage, 852);
  EXPECT_TRUE(SettingValueProblems("ExtraRAW", "CR3, dng", s).empty());
  EXPECT_EQ(s.extraRawKinds, (std::vector<std::string>{"cr3", "dng"}));
  const auto problems = SettingValueProblems("Sidecars", "xmp,jpg", s);
  ASSERT_EQ(problems.size(), 1u);
  EXPECT_EQ(problems[0], "Sidecars: \"jpg\" is ignored: JPG files are never touched by a cleanup.");
  EXPECT_FALSE(SettingValueProblems("ExtraRAW", "cr3,Trash=1", s).empty());
  EXPECT_FALSE(SettingValueProblems("ExtraRAW", "cr3\"", s).empty());
}

TEST(SettingsWriter, SavingKeepsAFileItCannotReadAndMakesOneThatIsMissing) {
  MemoryFileSystem fs;
  fs.AddFolder("/start");
  EXPECT_EQ(SaveSettings(fs, "/start/Shotsweep.ini", {{"Trash", "1"}}), std::nullopt);
  EXPECT_EQ(fs.Content("/start/Shotsweep.ini"), "Trash=1\r\n");
  EXPECT_EQ(SaveSettings(fs, "/start/Shotsweep.ini", {{"Trash", "0"}, {"QMark", "1"}}), std::nullopt);
  EXPECT_EQ(fs.Content("/start/Shotsweep.ini"), "Trash=0\r\nQMark=1\r\n");

  fs.Refuse(MemoryFileSystem::Operation::Read, "/start/Shotsweep.ini", EACCES);
  const auto error = SaveSettings(fs, "/start/Shotsweep.ini", {{"Confirm", "1"}});
  ASSERT_TRUE(error);
  EXPECT_EQ(error->number, EACCES);
}

}  // namespace
}  // namespace shotsweep
