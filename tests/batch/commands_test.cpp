// The interpreter's commands on real folders, run in this process.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <set>

#include "tests/batch/batch_test_run.h"
#include "tests/support/temp_folder.h"

namespace shotsweep::batch {
namespace {

namespace fs = std::filesystem;
using shotsweep::testing::ReadFile;
using shotsweep::testing::TempFolder;
using testing::RecordingRunner;
using testing::RunScript;
using testing::ScriptResult;

class Commands : public ::testing::Test {
 protected:
  // Runs the lines with echo off, in the scratch folder.
  ScriptResult Run(const std::string& lines, testing::RunSettings settings = {}) {
    return RunScript("@echo off\r\n" + lines, dir_.str(), std::move(settings));
  }
  // The same, with the programs the lines name only recorded.
  ScriptResult Run(const std::string& lines, RecordingRunner& runner) {
    testing::RunSettings settings;
    settings.runner = &runner;
    return Run(lines, std::move(settings));
  }
  std::set<std::string> Names(const std::string& sub = "") const {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_.path() / sub)) names.insert(e.path().filename().string());
    return names;
  }
  std::string P(const std::string& name) const { return (dir_.path() / name).string(); }

  TempFolder dir_;
};

using NameSet = std::set<std::string>;

TEST_F(Commands, RenSetsAsideEveryKindAndKeepsOtherFiles) {
  for (const char* f : {"A.NEF", "b.nef", "trip.day1.nef", ".nef", "c.cr2", "d.CRW", "e.cr3", "f.Arw", "g.orf",
                        "notes.txt", "x.nef.jpg"}) {
    dir_.Write(f, f);
  }
  const ScriptResult r = Run("ren " + P("*.nef") + " *.nbak\r\nren " + P("*.cr2") + " *.cbak\r\nren " +
                             P("*.crw") + " *.wbak\r\nren " + P("*.arw") + " *.abak\r\nren " + P("*.orf") +
                             " *.obak\r\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Names(), (NameSet{"A.nbak", "b.nbak", "trip.day1.nbak", ".nbak", "c.cbak", "d.wbak", "e.cr3", "f.abak",
                            "g.obak", "notes.txt", "x.nef.jpg"}));
  EXPECT_EQ(ReadFile(dir_.path() / "trip.day1.nbak"), "trip.day1.nef");
}

TEST_F(Commands, RenFindsTheSourceWithoutRegardToCaseAndNamesTheTargetAsWritten) {
  dir_.Write("Z.NBAK", "z");
  dir_.Write("Ärger.nbak", "umlaut");
  const ScriptResult r = Run("ren " + P("z.nbak") + " z.nef\r\nren " + P("äRGER.NBAK") + " ärger.nef\r\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Names(), (NameSet{"z.nef", "ärger.nef"}));
}

TEST_F(Commands, CanonicallyEquivalentSpellingsAreOneNameAsCaseVariantsAre) {
  dir_.Write("Cafe\xCC\x81.nbak", "decomposed");  // e and a combining accent
  dir_.Write("\xC3\x89t\xC3\xA9.nbak", "composed");  // Été with single characters
  const ScriptResult r = Run("ren " + P("caf\xC3\xA9.nbak") + " caf\xC3\xA9.nef\r\n" +
                             "ren " + P("E\xCC\x81te\xCC\x81.NBAK") + " e\xCC\x81te\xCC\x81.nef\r\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Names(), (NameSet{"caf\xC3\xA9.nef", "e\xCC\x81te\xCC\x81.nef"}));
  // Different letters stay different names.
  EXPECT_EQ(Run("ren " + P("cafe.nef") + " x.nef\r\n").err, "The system cannot find the file specified.\n");
}

TEST_F(Commands, RenPrefersTheExactSpellingAndNeverReplaces) {
  dir_.Write("x.nbak", "lower");
  dir_.Write("X.NBAK", "upper");
  dir_.Write("keep.nef", "precious");
  dir_.Write("KEEP2.NEF", "precious too");
  dir_.Write("a.nbak", "a");
  dir_.Write("b.nbak", "b");
  const ScriptResult r = Run("ren " + P("X.NBAK") + " X.nef\r\n"       // exact spelling wins
                             "ren " + P("a.nbak") + " keep.nef\r\n"     // same name
                             "ren " + P("b.nbak") + " keep2.nef\r\n");  // same name in another case
  EXPECT_EQ(r.err, "A duplicate file name exists, or the file cannot be found.\n"
                       "A duplicate file name exists, or the file cannot be found.\n");
  EXPECT_EQ(ReadFile(dir_.path() / "X.nef"), "upper");
  EXPECT_EQ(ReadFile(dir_.path() / "x.nbak"), "lower");
  EXPECT_EQ(ReadFile(dir_.path() / "keep.nef"), "precious");
  EXPECT_EQ(ReadFile(dir_.path() / "KEEP2.NEF"), "precious too");
  EXPECT_TRUE(fs::exists(dir_.path() / "a.nbak"));
  EXPECT_TRUE(fs::exists(dir_.path() / "b.nbak"));
}

TEST_F(Commands, RenWithWildcardsReportsEachCollisionAndGoesOn) {
  dir_.Write("a.nef", "1");
  dir_.Write("a.nbak", "old aside");
  dir_.Write("b.nef", "2");
  const ScriptResult r = Run("ren " + P("*.nef") + " *.nbak\r\n");
  EXPECT_EQ(r.err, "A duplicate file name exists, or the file cannot be found.\n");
  EXPECT_EQ(Names(), (NameSet{"a.nef", "a.nbak", "b.nbak"}));
  EXPECT_EQ(ReadFile(dir_.path() / "a.nbak"), "old aside");
}

// Names that hold blanks or characters the interpreter treats specially, in lines written the
// way the cleanup writes them: source and target quoted, "%" doubled.
TEST_F(Commands, RenTakesQuotedNamesWithSpecialCharactersLiterally) {
  const std::vector<std::string> bases{"my photo", "a&b", "50%", "x;y=z,w", "a^b", "(1)", "a|b<c>d", "%RAW%", "é è"};
  std::string script;
  for (const std::string& base : bases) {
    dir_.Write(base + ".nbak", base);
    std::string doubled;
    for (char c : base) doubled += c == '%' ? "%%" : std::string(1, c);
    script += "ren \"" + dir_.str() + "/" + doubled + ".nbak\" \"" + doubled + ".nef\"\r\n";
  }
  const ScriptResult r = Run(script);
  EXPECT_EQ(r.err, "");
  for (const std::string& base : bases) EXPECT_EQ(ReadFile(dir_.path() / (base + ".nef")), base) << base;
}

TEST_F(Commands, RenChangesOnlyTheCaseOfAName) {
  dir_.Write("dsc.nef", "x");
  EXPECT_EQ(Run("ren " + P("dsc.nef") + " DSC.NEF\r\n").err, "");
  EXPECT_EQ(Names(), (NameSet{"DSC.NEF"}));
}

TEST_F(Commands, RenFailureMessages) {
  dir_.MakeDir("sub");
  dir_.Write("s*b/x.nbak");  // a folder name with a star is a name, not a pattern
  const ScriptResult r = Run("ren " + P("missing.nbak") + " missing.nef\r\n"
                             "ren " + P("*.nbak") + " *.nef\r\n"
                             "ren " + P("nodir/x.nbak") + " x.nef\r\n"
                             "ren " + P("x.nbak") + "\r\n"
                             "ren " + P("x.nbak") + " sub/x.nef\r\n"
                             "ren " + P("s*b/x.nbak") + " x.nef\r\n");
  EXPECT_EQ(r.err,
            "The system cannot find the file specified.\n"
            "The system cannot find the file specified.\n"
            "The system cannot find the path specified.\n"
            "The syntax of the command is incorrect.\n"
            "The syntax of the command is incorrect.\n");
  // Lines that could not run count; lines that found nothing do not.
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(Run("ren " + P("nothing.nbak") + " nothing.nef\r\n").status, 0);
  EXPECT_TRUE(fs::exists(dir_.path() / "s*b/x.nef"));
}

TEST_F(Commands, RenamedFilesAreFoundByLaterLinesWithoutReReading) {
  dir_.Write("a.nef");
  const ScriptResult r = Run("ren " + P("a.nef") + " b.nef\r\nren " + P("B.NEF") + " c.nef\r\ndel " + P("a.nef") +
                             "\r\nren " + P("c.nef") + " d.nef\r\n");
  EXPECT_EQ(r.err, "Could Not Find " + P("a.nef") + "\n");
  EXPECT_EQ(Names(), (NameSet{"d.nef"}));
}

TEST_F(Commands, DelRemovesMatchingFilesOnlyAndTakesSeveralPatterns) {
  for (const char* f : {"a.nbak", "B.NBAK", "c.cbak", "notes.bak", "keep.nef"}) dir_.Write(f);
  dir_.MakeDir("folder.nbak");
  const ScriptResult r = Run("del " + P("*.nbak") + " " + P("C.CBAK") + "\r\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Names(), (NameSet{"folder.nbak", "notes.bak", "keep.nef"}));
}

TEST_F(Commands, DelMessagesAndTheQuestionBeforeEmptyingAFolder) {
  dir_.Write("a.txt");
  dir_.Write("sub/b.txt");
  const ScriptResult r = Run("del " + P("missing.nef") + "\r\ndel " + P("*.orf") + "\r\ndel " + P("no/x") +
                             "\r\ndel\r\ndel /x " + P("a.txt") + "\r\ndel /s " + P("a.txt") + "\r\ndel " + P("*.*") +
                             "\r\ndel " + P("sub") + "\r\n");
  EXPECT_EQ(r.err,
            "Could Not Find " + P("missing.nef") + "\n"
            "Could Not Find " + P("*.orf") + "\n"
            "The system cannot find the path specified.\n"
            "The syntax of the command is incorrect.\n"
            "Invalid switch - /x\n"
            "Not supported by shotsweep-batch, line 7 skipped: the \"/s\" switch of \"del\"\n");
  // Without an answer, nothing is emptied.
  EXPECT_NE(r.out.find(P("*.*") + ", Are you sure (Y/N)? "), std::string::npos);
  EXPECT_NE(r.out.find(P("sub/*") + ", Are you sure (Y/N)? "), std::string::npos);
  EXPECT_EQ(Names(), (NameSet{"a.txt", "sub"}));
  EXPECT_EQ(Names("sub"), NameSet{"b.txt"});

  int answers[2];
  ASSERT_EQ(::pipe(answers), 0);
  ASSERT_EQ(::write(answers[1], "y\n", 2), 2);
  ::close(answers[1]);
  testing::RunSettings settings;
  settings.inputFd = answers[0];
  Run("del " + P("sub") + "\r\n", settings);
  ::close(answers[0]);
  EXPECT_EQ(Names("sub"), NameSet{});
  Run("del /q " + P("*") + "\r\n");
  EXPECT_EQ(Names(), NameSet{"sub"});
}

TEST_F(Commands, CopyCopiesReplacesAndReports) {
  dir_.Write("src/x-preview2.jpg", "preview two");
  dir_.Write("src/x-preview3.jpg", "preview three");
  dir_.Write("jpg/X.JPG", "old jpg");
  ::chmod(P("src/x-preview2.jpg").c_str(), 0640);
  const ScriptResult r = Run("copy " + P("src/x-preview2.jpg") + " " + P("jpg/x.jpg") + " /Y\r\ncopy " +
                             P("src/x-preview3.jpg") + " " + P("jpg/x.jpg") + " /Y\r\ncopy " + P("src/x-preview4.jpg") +
                             " " + P("jpg/x.jpg") + " /Y\r\ncopy " + P("src/x-preview2.jpg") + " " + P("jpg") + "\r\n");
  EXPECT_EQ(r.out,
            "        1 file(s) copied.\n"
            "        1 file(s) copied.\n"
            "        0 file(s) copied.\n"
            "        1 file(s) copied.\n");
  EXPECT_EQ(r.err, "The system cannot find the file specified.\n");
  // The existing file keeps its spelling and takes the new content; nothing else is left behind.
  EXPECT_EQ(Names("jpg"), (NameSet{"X.JPG", "x-preview2.jpg"}));
  EXPECT_EQ(ReadFile(dir_.path() / "jpg/X.JPG"), "preview three");
  EXPECT_EQ(fs::status(P("jpg/x-preview2.jpg")).permissions() & fs::perms::all,
            fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
}

TEST_F(Commands, CopyAsksBeforeReplacingOnlyWhenToldTo) {
  dir_.Write("a.txt", "new");
  dir_.Write("b.txt", "old");
  const ScriptResult asked = Run("copy " + P("a.txt") + " " + P("b.txt") + " /-Y\r\n");
  EXPECT_NE(asked.out.find("Overwrite " + P("b.txt") + "? (Yes/No/All): "), std::string::npos);
  EXPECT_EQ(ReadFile(dir_.path() / "b.txt"), "old");  // no answer is no
  Run("copy " + P("a.txt") + " " + P("b.txt") + "\r\n");
  EXPECT_EQ(ReadFile(dir_.path() / "b.txt"), "new");  // in a script, replacing is the default
}

TEST_F(Commands, CopyFailureMessages) {
  dir_.Write("a.txt", "a");
  const ScriptResult r = Run("copy " + P("a.txt") + " " + P("A.TXT") + "\r\ncopy " + P("a.txt") + " " +
                             P("nodir/b.txt") + "\r\ncopy\r\ncopy " + P("a.txt") + "+" + P("a.txt") + " " + P("b.txt") +
                             "\r\n");
  EXPECT_EQ(r.err,
            "The file cannot be copied onto itself.\n"
            "The system cannot find the path specified.\n"
            "The syntax of the command is incorrect.\n"
            "Not supported by shotsweep-batch, line 5 skipped: joining files with \"copy\" (\"+\")\n");
  EXPECT_EQ(ReadFile(dir_.path() / "a.txt"), "a");
  EXPECT_EQ(Names(), NameSet{"a.txt"});
}

TEST_F(Commands, IfExistRunsItsCommandOnlyWhenThePathIsThere) {
  dir_.Write("raw/x-preview2.jpg", "p");
  dir_.Write("raw/Y.NEF", "y");
  const ScriptResult r = Run("if exist " + P("raw/x-preview*.jpg") + " echo wild\r\n"
                             "if exist " + P("raw/y.nef") + " echo folded\r\n"
                             "if exist " + P("raw/z.nef") + " echo never\r\n"
                             "if not exist " + P("raw/z.nef") + " echo negated\r\n"
                             "if exist " + P("raw/") + " echo folder\r\n"
                             "if exist " + P("raw/z.nef") + " echo never >" + P("created.txt") + "\r\n"
                             "if exist " + P("raw/y.nef") + " if exist " + P("raw/x-preview2.jpg") + " echo both\r\n"
                             "if exist " + P("raw/y.nef") + "\r\n"
                             "if exist " + P("raw/y.nef") + " (echo block)\r\n"
                             "if a==a echo compare\r\n");
  EXPECT_EQ(r.out, "wild\nfolded\nnegated\nfolder\nboth\n");
  EXPECT_EQ(r.err,
            "The syntax of the command is incorrect.\n"
            "Not supported by shotsweep-batch, line 10 skipped: blocks in parentheses\n"
            "Not supported by shotsweep-batch, line 11 skipped: conditions of \"if\" other than \"exist\"\n");
  EXPECT_FALSE(fs::exists(dir_.path() / "created.txt"));
}

TEST_F(Commands, CdChangesWhereRelativeNamesAreFound) {
  dir_.Write("My Photos/RAW/a.nef");
  const ScriptResult r = Run("cd \"" + P("my photos") + "\"\r\ncd raw\r\ncd\r\nren a.nef a.nbak\r\ncd ..\r\ncd\r\ncd " +
                             P("nowhere") + "\r\ncd " + P("My Photos/RAW/a.nbak") + "\r\ncd\r\ncd..\r\ncd\r\n");
  EXPECT_EQ(r.out, P("My Photos/RAW") + "\n" + P("My Photos") + "\n" + P("My Photos") + "\n" + dir_.str() + "\n");
  EXPECT_EQ(r.err, "The system cannot find the path specified.\nThe directory name is invalid.\n");
  EXPECT_TRUE(fs::exists(dir_.path() / "My Photos/RAW/a.nbak"));
}

TEST_F(Commands, CdKeepsABlankAtTheEndOfAQuotedFolderName) {
  dir_.Write("trip /a.nef");
  const ScriptResult r = Run("cd \"" + P("trip ") + "\"  \r\nren a.nef a.nbak\r\ncd  " + P("trip") + "  \r\n");
  EXPECT_TRUE(fs::exists(dir_.path() / "trip /a.nbak"));
  EXPECT_EQ(r.err, "The system cannot find the path specified.\n");
}

TEST_F(Commands, ChcpAcceptsRealCodePagesAndRefusesOthers) {
  const ScriptResult r =
      Run("chcp 852\r\nchcp 0\r\nchcp 1252\r\nchcp 65001\r\nchcp 99999\r\nchcp abc\r\nchcp -5\r\nchcp\r\n");
  EXPECT_EQ(r.out, "Active code page: 852\nActive code page: 1252\nActive code page: 65001\nActive code page: 65001\n");
  EXPECT_EQ(r.err, "Invalid code page\nInvalid code page\nInvalid code page\nInvalid code page\n");
}

TEST_F(Commands, EchoRemAndTheEchoOfCommands) {
  const ScriptResult quiet = Run("echo hello  world\r\necho.\r\necho\r\nREM del *.*\r\n:: comment\r\n:label\r\n"
                                 "@echo on\r\necho x\r\n@rem quiet\r\n");
  EXPECT_EQ(quiet.out, "hello  world\n\nECHO is off.\n\n" + dir_.str() + ">echo x\nx\n");
  EXPECT_EQ(quiet.err, "");
  // Lines show with the prompt, as the original interpreter shows them while echo is on.
  const ScriptResult shown = RunScript("chcp 852\r\n", dir_.str());
  EXPECT_EQ(shown.out, "\n" + dir_.str() + ">chcp 852\nActive code page: 852\n");
}

TEST_F(Commands, RedirectionWritesAppendsAndFindsTheFileWithoutRegardToCase) {
  dir_.Write("LOG.TXT", "old\n");
  const ScriptResult r = Run("echo one>" + P("out.txt") + "\r\necho two >> " + P("out.txt") + "\r\necho three >\"" +
                             P("my out.txt") + "\"\r\necho four>>" + P("log.txt") + "\r\necho lost >nul\r\necho x >" +
                             P("nodir/f.txt") + "\r\necho five 1>" + P("o2.txt") + " 2>&1\r\n");
  EXPECT_EQ(ReadFile(dir_.path() / "out.txt"), "one\ntwo \n");
  EXPECT_EQ(ReadFile(dir_.path() / "my out.txt"), "three \n");
  EXPECT_EQ(ReadFile(dir_.path() / "LOG.TXT"), "old\nfour\n");
  EXPECT_EQ(ReadFile(dir_.path() / "o2.txt"), "five  \n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, "The system cannot find the path specified.\n");

  dir_.MakeDir("folder");
  const ScriptResult denied = Run("echo x >" + P("FOLDER") + "\r\necho x >" + P("f*.txt") + "\r\n");
  EXPECT_EQ(denied.err, "Access is denied.\nThe filename, directory name, or volume label syntax is incorrect.\n");
}

TEST_F(Commands, UnsupportedSyntaxIsReportedAndNothingOfTheLineRuns) {
  dir_.Write("a.nbak");
  dir_.Write("b.nbak");
  const ScriptResult r = Run("del " + P("a.nbak") + " & del " + P("b.nbak") + "\r\n"
                             "del " + P("a.nbak") + " | more\r\n"
                             "(del " + P("a.nbak") + ")\r\n"
                             "goto end\r\n"
                             "for %%f in (*) do del %%f\r\n"
                             "set X=1\r\n"
                             "del " + P("a.nbak") + " < x\r\n"
                             "del " + P("a.nbak") + " ^\r\n"
                             "call other.bat\r\n"
                             "del " + P("a.nbak") + "\rdel " + P("b.nbak") + "\r\n"
                             "echo ^\r\n"
                             "del " + P("b.nbak") + "\r\n");
  EXPECT_EQ(Names(), (NameSet{"a.nbak", "b.nbak"}));
  size_t reports = 0;
  for (size_t p = r.err.find("Not supported by shotsweep-batch"); p != std::string::npos;
       p = r.err.find("Not supported by shotsweep-batch", p + 1)) {
    ++reports;
  }
  EXPECT_EQ(reports, 10u) << r.err;  // "call" is part of the line the caret before it continues
  EXPECT_EQ(r.status, 1);
}

TEST_F(Commands, UnknownCommandsAndExit) {
  const ScriptResult r = Run("frobnicate x\r\n\"" + P("no tool.exe") + "\" -f\r\n" + P("nodir/tool.exe") +
                             "\r\nexit 3\r\necho after\r\n");
  EXPECT_EQ(r.err,
            "'frobnicate' is not recognized as an internal or external command, operable program or batch file.\n"
            "'" + P("no tool.exe") +
                "' is not recognized as an internal or external command, operable program or batch file.\n"
            "The system cannot find the path specified.\n");
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.status, 3);
}

TEST_F(Commands, ExternalProgramsGetWindowsStyleArgumentsAndTheExeFallback) {
  dir_.Write("tools/exiv2", "#!/bin/sh\n");
  dir_.Write("My Raw/x.nef");
  RecordingRunner runner;
  const ScriptResult r = Run("\"" + P("tools/exiv2.exe") + "\" \"" + P("My Raw/x.nef") + "\" -f -ep2,3,4\r\n" +
                                 P("TOOLS/EXIV2") + " -pv \"a \\\"quoted\\\" b\" >" + P("out.txt") + "\r\n",
                             runner);
  EXPECT_EQ(r.err, "");
  ASSERT_EQ(runner.calls.size(), 2u);
  EXPECT_EQ(runner.calls[0].program, P("tools/exiv2"));
  EXPECT_EQ(runner.calls[0].argv,
            (std::vector<std::string>{P("tools/exiv2.exe"), P("My Raw/x.nef"), "-f", "-ep2,3,4"}));
  EXPECT_EQ(runner.calls[0].workingDir, dir_.str());
  EXPECT_EQ(runner.calls[1].argv, (std::vector<std::string>{P("TOOLS/EXIV2"), "-pv", "a \"quoted\" b"}));
  EXPECT_NE(runner.calls[1].stdoutFd, 1);
  EXPECT_TRUE(fs::exists(dir_.path() / "out.txt"));
}

TEST_F(Commands, FoldersAreReadAgainAfterAnExternalProgramRan) {
  dir_.Write("tool", "");
  dir_.Write("x-preview2.jpg");
  RecordingRunner runner;
  runner.onRun = [&](const ProgramCall&) {
    dir_.Write("x-preview3.jpg");
    fs::remove(dir_.path() / "x-preview2.jpg");
  };
  const ScriptResult r = Run("if exist " + P("x-preview3.jpg") + " echo before\r\n" + P("tool") + "\r\nif exist " +
                                 P("x-preview3.jpg") + " echo after\r\ndel " + P("x-preview*.jpg") + "\r\n",
                             runner);
  EXPECT_EQ(r.out, "after\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(Names(), NameSet{"tool"});
}

TEST_F(Commands, ExternalProgramsRunForRealWithRedirectedOutput) {
  dir_.Write("a.txt", "content\n");
  const ScriptResult r = Run("/bin/cat a.txt >copy.txt\r\n/bin/cat missing.txt 2>" + P("err.txt") +
                             "\r\n/bin/ls.exe a.txt\r\n/bin/sh -c \"exit 7\"\r\necho still here\r\n");
  EXPECT_EQ(ReadFile(dir_.path() / "copy.txt"), "content\n");
  EXPECT_NE(ReadFile(dir_.path() / "err.txt").find("missing.txt"), std::string::npos);
  EXPECT_EQ(r.out, "a.txt\nstill here\n");
  EXPECT_EQ(r.status, 0);
}

TEST_F(Commands, ProgressLinesCountScriptLines) {
  int pipeFds[2];
  ASSERT_EQ(::pipe(pipeFds), 0);
  testing::RunSettings settings;
  settings.progressFd = pipeFds[1];
  Run("echo a\r\n\r\nREM b\r\necho c\r\n", settings);
  ::close(pipeFds[1]);
  const std::string progress = testing::ReadBack(pipeFds[0]);
  ::close(pipeFds[0]);
  // The total is known from the start; the last line says every line ran.
  EXPECT_TRUE(progress.starts_with("0 5\n")) << progress;
  EXPECT_TRUE(progress.ends_with("5 5\n")) << progress;
}

}  // namespace
}  // namespace shotsweep::batch
