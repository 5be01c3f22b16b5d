#include "settings/settings_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <map>
#include <random>
#include <string>

#include "settings/start_folder.h"
#include "tests/support/disk.h"
#include "tests/support/temp_folder.h"

namespace shotsweep {
namespace {

using shotsweep::testing::TempFolder;

struct Values {
  int killBat, qmark, codePage;
  bool operator==(const Values&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Values& v) {
  return out << "{KillBat " << v.killBat << ", QMark " << v.qmark << ", RAWCodePage "
             << v.codePage << "}";
}

Values Parsed(std::string_view bytes) {
  Settings s;
  ParseSettings(bytes, s);
  return {s.deleteScripts, s.quoteEveryPath, s.codePage};
}

const Values kDefaults{1, 0, 0};

TEST(SettingsReader, ThreeLinesSetAllThreeValues) {
  EXPECT_EQ(Parsed("KillBat=0\r\nQMark=1\r\nRAWCodePage=852\r\n"), (Values{0, 1, 852}));
  EXPECT_EQ(Parsed("RAWCodePage=852"), (Values{1, 0, 852}));  // no final line end
  EXPECT_EQ(Parsed("QMark=1\nKillBat=0\rRAWCodePage=1250"), (Values{0, 1, 1250}));
  EXPECT_EQ(Parsed(""), kDefaults);
  EXPECT_EQ(Parsed("\r\n\r\n  \r\n"), kDefaults);
}

TEST(SettingsReader, KeysAreExactButBlanksAroundTheValueDoNoHarm) {
  EXPECT_EQ(Parsed("killbat=0\r\nqmark=1\r\nKILLBAT=0"), kDefaults);
  EXPECT_EQ(Parsed("KillBat =0\r\nQMark\t=1"), kDefaults);
  EXPECT_EQ(Parsed("   KillBat=   0   \r\n\t QMark=1\r\n  RAWCodePage  =852"), (Values{0, 1, 0}));
  EXPECT_EQ(Parsed("=5\r\nKillBat\r\nQMark 1\r\nKillBat=0"), (Values{0, 0, 0}));
  // A tab belongs to the value, which then is no number.
  EXPECT_EQ(Parsed("KillBat=0\t"), kDefaults);
}

TEST(SettingsReader, CommasSeparateEntriesAndQuotesEncloseOne) {
  EXPECT_EQ(Parsed("KillBat=0,QMark=1"), (Values{0, 1, 0}));
  EXPECT_EQ(Parsed("KillBat=0, QMark=1,,RAWCodePage=437,"), (Values{0, 1, 437}));
  EXPECT_EQ(Parsed("\"KillBat=0\"\r\n\"QMark=1\",\"RAWCodePage=852\""), (Values{0, 1, 852}));
  // Inside quotes a comma is part of the entry, so this value is no number...
  EXPECT_EQ(Parsed("\"RAWCodePage=852,QMark=1\""), kDefaults);
  // ...and a quoted entry may even run over a line end.
  EXPECT_EQ(Parsed("\"QMark=1\r\nKillBat=0\"\r\nRAWCodePage=5"), (Values{1, 0, 5}));
  // Whatever follows the closing quote up to the entry's end is dropped.
  EXPECT_EQ(Parsed("\"QMark=1\"KillBat=0,RAWCodePage=7"), (Values{1, 1, 7}));
  // A blank inside the quotes is kept, so the key does not match.
  EXPECT_EQ(Parsed("\" KillBat=0\""), kDefaults);
  // An unclosed quote runs to the end of the file.
  EXPECT_EQ(Parsed("QMark=1\r\n\"KillBat=0"), (Values{0, 1, 0}));
  EXPECT_EQ(Parsed("QMark=1\r\n\"KillBat=0\r\nRAWCodePage=9"), (Values{1, 1, 0}));
  EXPECT_EQ(Parsed("\""), kDefaults);
}

TEST(SettingsReader, ValuesThatDoNotConvertLeaveTheFieldAsItWas) {
  for (const char* value : {"", "yes", "1x", "x1", "0x10", "1e3", "1 2", "--1", "+-1", "+", "-",
                            ".", "1.5.0", "32768", "-32769", "99999999999999999999999",
                            "852=", "1/2", "\xC2\xB9"}) {
    Settings s;
    s.quoteEveryPath = true;
    s.deleteScripts = false;
    s.codePage = 7;
    ParseSettings(std::string("QMark=") + value + "\r\nKillBat=" + value + "\r\nRAWCodePage=" + value, s);
    EXPECT_TRUE(s.quoteEveryPath) << value;
    EXPECT_FALSE(s.deleteScripts) << value;
    if (std::string_view(value) != "32768" && std::string_view(value) != "-32769") EXPECT_EQ(s.codePage, 7) << value;
  }
  EXPECT_EQ(Parsed("RAWCodePage=852=\r\n"), kDefaults);
  EXPECT_EQ(Parsed("RAWCodePage=2147483648"), kDefaults);
  EXPECT_EQ(Parsed("RAWCodePage=-2147483649"), kDefaults);
  // An entry that does not convert does not stop the reading either.
  EXPECT_EQ(Parsed("QMark=word\r\nno equals sign here\r\n\r\nQMark=1"), (Values{1, 1, 0}));
}

TEST(SettingsReader, NumbersConvertWithSignAndRoundHalfToEven) {
  struct Case {
    const char* value;
    int expected;
  };
  for (const Case& c : {Case{"5", 5}, Case{"+5", 5}, Case{"-5", -5}, Case{"-0", 0},
                        Case{"007", 7}, Case{"000000000000000000000000000012", 12},
                        Case{"32767", 32767}, Case{"-32768", -32768}, Case{"2.4", 2},
                        Case{"2.6", 3}, Case{"2.5", 2}, Case{"3.5", 4}, Case{"-2.5", -2},
                        Case{"-3.5", -4}, Case{"2.50000000000000000001", 3}, Case{"0.5", 0},
                        Case{"1.5", 2}, Case{".5", 0}, Case{".6", 1}, Case{"5.", 5},
                        Case{"32767.4", 32767}, Case{"-32768.5", -32768}, Case{"1.49999", 1}}) {
    Settings s;
    ParseSettings(std::string("KillBat=") + c.value + "\r\nRAWCodePage=" + c.value, s);
    EXPECT_EQ(s.codePage, c.expected) << c.value;
    // A flag is set by exactly 1, however it is written, and cleared by any other number.
    EXPECT_EQ(s.deleteScripts, c.expected == 1) << c.value;
  }
  // Rounding that leaves the range makes the value out of range.
  EXPECT_EQ(Parsed("QMark=32767.5"), kDefaults);
  EXPECT_EQ(Parsed("QMark=-32768.51"), kDefaults);
  EXPECT_EQ(Parsed("RAWCodePage=2147483647,KillBat=-32768"), (Values{0, 0, 2147483647}));
  EXPECT_EQ(Parsed("KillBat=2,QMark=1.4"), (Values{0, 1, 0}));
  EXPECT_EQ(Parsed("RAWCodePage=-2147483648"), (Values{1, 0, -2147483647 - 1}));
  EXPECT_EQ(Parsed("RAWCodePage=65001.5"), (Values{1, 0, 65002}));
}

TEST(SettingsReader, LastEntryThatConvertsWinsAndOtherKeysChangeNothing) {
  EXPECT_EQ(Parsed("KillBat=0\r\nKillBat=1"), (Values{1, 0, 0}));
  EXPECT_EQ(Parsed("KillBat=1\r\nKillBat=2"), (Values{0, 0, 0}));
  EXPECT_EQ(Parsed("KillBat=0\r\nKillBat=oops"), (Values{0, 0, 0}));
  EXPECT_EQ(Parsed("Timer=5\r\nTimer=x\r\nFoo=1\r\nKillBatX=0\r\nXQMark=1"), kDefaults);
}

TEST(SettingsReader, BadBytesNeverCrashHangOrThrow) {
  std::mt19937 random(20240607);
  for (int round = 0; round < 200; ++round) {
    std::string bytes(random() % 512, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    Settings s;
    EXPECT_NO_THROW(ParseSettings(bytes, s));
  }
  // The same with bytes drawn from the few that drive the entry rules.
  const std::string alphabet = "\"=,\r\n \t0123456789.-+KillBatQMarkRAWCodePage";
  for (int round = 0; round < 500; ++round) {
    std::string bytes(random() % 64, '\0');
    for (char& c : bytes) c = alphabet[random() % alphabet.size()];
    Settings s;
    EXPECT_NO_THROW(ParseSettings(bytes, s));
  }
  // NUL bytes are ordinary characters: they spoil the entry they stand in, nothing else.
  using namespace std::string_literals;
  EXPECT_EQ(Parsed("Kill\0Bat=0\r\nQMark=1\0\r\n\0\0\0\r\nRAWCodePage=852"s), (Values{1, 0, 852}));
  // One line of 10 MB: read in linear time, the entries at its ends still apply.
  std::string longLine = "QMark=1," + std::string(10 * 1024 * 1024, 'x') + ",KillBat=0\r\n";
  EXPECT_EQ(Parsed(longLine), (Values{0, 1, 0}));
  longLine = "RAWCodePage=" + std::string(10 * 1024 * 1024, '9');
  EXPECT_EQ(Parsed(longLine), kDefaults);
}

class SettingsFile : public ::testing::Test {
 protected:
  Values Read() {
    Settings s;
    ReadSettingsFile(testing::TestDisk(), (folder.path() / "Shotsweep.ini").string(), s);
    return {s.deleteScripts, s.quoteEveryPath, s.codePage};
  }
  TempFolder folder;
};

TEST_F(SettingsFile, ReadsTheFileAsBytes) {
  folder.Write("Shotsweep.ini", "KillBat=0\r\nQMark=1\r\nRAWCodePage=852\r\n");
  EXPECT_EQ(Read(), (Values{0, 1, 852}));
}

TEST_F(SettingsFile, MissingOrUnreadableFileLeavesTheDefaults) {
  EXPECT_EQ(Read(), kDefaults);
  // A folder of that name cannot be read as a file (as root, no permission bit would stop
  // the read).
  folder.MakeDir("Shotsweep.ini");
  EXPECT_EQ(Read(), kDefaults);
}

TEST_F(SettingsFile, FifoIsNotWaitedFor) {
  const auto fifo = folder.path() / "Shotsweep.ini";
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(Read(), kDefaults);
}

TEST_F(SettingsFile, ReadSettingsInLooksInTheStartFolder) {
  folder.Write("Shotsweep.ini", "QMark=1");
  Settings s;
  ReadSettingsIn(testing::TestDisk(), folder.str(), s);
  EXPECT_TRUE(s.quoteEveryPath);
}

TEST(SettingsReader, TheNewKeysAndTheExtraRawKindsWithTheirWarnings) {
  Settings s;
  EXPECT_TRUE(ParseSettings("Trash=1\r\nConfirm=1\r\nJobs= 3\r\n", s).empty());
  EXPECT_TRUE(s.trash);
  EXPECT_TRUE(s.confirm);
  EXPECT_EQ(s.extractionJobs, 3);

  // The list as it is written on one line, commas and all; case does not matter.
  EXPECT_TRUE(ParseSettings("ExtraRAW=cr3,DNG,raf,rw2,pef,srw\r\n", s).empty());
  EXPECT_EQ(s.extraRawKinds, (std::vector<std::string>{"cr3", "dng", "raf", "rw2", "pef", "srw"}));
  // Entries after it that hold "=" are settings again; a later ExtraRAW replaces the list.
  EXPECT_TRUE(ParseSettings("ExtraRAW=cr3,KillBat=0,x3f\r\n\"ExtraRAW=dng;raf\"", s).empty());
  EXPECT_FALSE(s.deleteScripts);
  EXPECT_EQ(s.extraRawKinds, (std::vector<std::string>{"dng", "raf"}));

  const auto warnings = ParseSettings(
      "ExtraRAW=cr3,jpg,JPEG,nef,nbak,cr3bak,n,.dng,toolongname,r&d,bat,cr3,,dng\r\n", s);
  EXPECT_EQ(s.extraRawKinds, (std::vector<std::string>{"cr3", "dng"}));
  ASSERT_EQ(warnings.size(), 11u);
  for (const std::string& warning : warnings) EXPECT_EQ(warning.rfind("ExtraRAW: \"", 0), 0u) << warning;
  EXPECT_NE(warnings[0].find("never touched"), std::string::npos);  // jpg
  EXPECT_NE(warnings[4].find(".cr3"), std::string::npos);           // cr3bak
  EXPECT_NE(warnings[5].find(".nef"), std::string::npos);           // n would be set aside as .nbak
}

TEST(SettingsReader, EntriesNotTakenAsWrittenAreToldAndKeepTheValueTheyGive) {
  Settings s;
  s.trash = true;
  const auto warnings = ParseSettings(
      "Confirm=yes\r\nQMark = 1\r\nTrash=2\r\nKillBat=1\r\nTimer=x\r\nFoo=1\r\nconfirm=1\r\n"
      "RAWCodePage=\r\n ExtraRaw=cr3,dng\r\nKillBat=0\r\n",
      s);
  EXPECT_FALSE(s.confirm);
  EXPECT_FALSE(s.quoteEveryPath);
  EXPECT_FALSE(s.trash);
  EXPECT_FALSE(s.deleteScripts);
  EXPECT_EQ(s.codePage, 0);
  EXPECT_TRUE(s.extraRawKinds.empty());
  // Timer, a key of no setting, and the words that go on a list that is not one pass quietly.
  EXPECT_EQ(warnings, (std::vector<std::string>{
                          "Confirm: \"yes\" is ignored: a flag is 1 (on) or 0 (off).",
                          "\"QMark = 1\" is ignored: the key is written \"QMark\", in that case and with no blank "
                          "before the \"=\".",
                          "Trash: \"2\" counts as 0 (off): a flag is 1 (on) or 0 (off).",
                          "\"confirm=1\" is ignored: the key is written \"Confirm\", in that case and with no blank "
                          "before the \"=\".",
                          "RAWCodePage: \"\" is ignored: it is no whole number from -2147483648 to 2147483647.",
                          "\"ExtraRaw=cr3\" is ignored: the key is written \"ExtraRAW\", in that case and with no "
                          "blank before the \"=\".",
                      }));
}

TEST(StartFolder, FromTheMenuTheConfigurationFolderAndOtherwiseNone) {
  const auto environment = [](std::map<std::string, std::string> values) {
    return [values](const char* name) -> std::optional<std::string> {
      const auto it = values.find(name);
      return it == values.end() ? std::nullopt : std::optional(it->second);
    };
  };
  EXPECT_EQ(DesktopStartFolder(environment({{"XDG_CONFIG_HOME", "/x/cfg/"}, {"HOME", "/home/a"}})), "/x/cfg/shotsweep");
  EXPECT_EQ(DesktopStartFolder(environment({{"XDG_CONFIG_HOME", "relative"}, {"HOME", "/home/a"}})),
            "/home/a/.config/shotsweep");
  EXPECT_EQ(DesktopStartFolder(environment({})), std::nullopt);

  testing::TempFolder temp;
  EXPECT_EQ(MakeDesktopStartFolder(testing::TestDisk(), temp.str() + "/a/b/shotsweep"), std::nullopt);
  EXPECT_TRUE(std::filesystem::is_directory(temp.path() / "a/b/shotsweep"));
  temp.Write("file");
  EXPECT_TRUE(MakeDesktopStartFolder(testing::TestDisk(), temp.str() + "/file/shotsweep"));
}

}  // namespace
TEST(SettingsReader, SidecarsListTheirExtensionsOrTurnTheFeatureOff) {
  Settings s;
  EXPECT_EQ(s.sidecarKinds, (std::vector<std::string>{"xmp", "pp3", "dop", "arp"}));
  EXPECT_TRUE(ParseSettings("Sidecars=XMP,dop\r\nKillBat=0,ExtraRAW=dng,cr3\r\n", s).empty());
  EXPECT_EQ(s.sidecarKinds, (std::vector<std::string>{"xmp", "dop"}));
  EXPECT_EQ(s.extraRawKinds, (std::vector<std::string>{"dng", "cr3"}));
  EXPECT_TRUE(ParseSettings("Sidecars=\r\n", s).empty());
  EXPECT_TRUE(s.sidecarKinds.empty());
  const auto warnings = ParseSettings("Sidecars=xmp;jpeg,x.y,xmp,pp3,NEF,nbak,dng\r\n", s);
  EXPECT_EQ(s.sidecarKinds, (std::vector<std::string>{"xmp", "pp3"}));
  ASSERT_EQ(warnings.size(), 6u);
  EXPECT_EQ(warnings[3], "Sidecars: \"NEF\" is ignored: it is a RAW kind, or a set-aside one.");
  EXPECT_EQ(warnings[0], "Sidecars: \"jpeg\" is ignored: JPG files are never touched by a cleanup.");
}

}  // namespace shotsweep
