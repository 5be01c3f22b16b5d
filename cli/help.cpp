#include "cli/help.h"

#include <string_view>

namespace shotsweep {
namespace {

// Word for word in every page and in the manual page, so no page says otherwise.
constexpr std::string_view kExitStatus =
    "Exit status:\n"
    "  0  done as planned; for extract, every RAW file has its JPG, made now or there before\n"
    "  1  a failure, told on standard error; for extract, also a run after which a RAW file\n"
    "     has no JPG (its row says why)\n"
    "  2  a usage error: an unknown command or option, or operands missing\n";

constexpr std::string_view kCommonOptions =
    "  -q, --quiet    print no summary line and no progress; errors and warnings still go to\n"
    "                 standard error\n"
    "  -h, --help     show this help and exit\n";

constexpr std::string_view kCleanupOptions =
    "  --keep         set the unmatched RAW files aside instead of deleting them: .nef becomes\n"
    "                 .nbak, .cr2 .cbak, .crw .wbak, .arw .abak, .orf .obak, an extra kind such\n"
    "                 as .cr3 .cr3bak; \"shotsweep-cli restore\" undoes it\n"
    "  --trash        move the unmatched RAW files to the desktop trash instead of deleting them\n"
    "  --dry-run      change nothing; print what would be done, one line per RAW file,\n"
    "                 ACTION<TAB>NAME<TAB>NEW NAME with ACTION keep, set-aside, delete or\n"
    "                 trash, and a last line beginning with \"#\" that sums it up\n"
    "  --all          do it even when every RAW file of the folder would be deleted or\n"
    "                 trashed (an empty or wrong JPG folder or list); without it such a run\n"
    "                 is refused with status 1 and nothing is done\n";

constexpr std::string_view kCleanupSummary =
    "On success it prints one line, such as \"kept 120, deleted 30, set aside 0, sidecars 12\"\n"
    "(\"trashed\" in place of \"deleted\" with --trash). On a terminal it counts the RAW files as\n"
    "it goes.\n";

constexpr std::string_view kOverview =
    "usage: shotsweep-cli COMMAND [OPTION...] OPERAND...\n"
    "       shotsweep-cli COMMAND --help\n"
    "       shotsweep-cli --help | --version\n"
    "\n"
    "Brings a folder of RAW files into line with the JPG files you kept: every RAW file whose JPG\n"
    "twin (the same base name, in any case) is gone is deleted, set aside or moved to the trash.\n"
    "Also writes the preview JPG embedded in RAW files. The same checks, scripts and interpreter\n"
    "as the shotsweep window, with the settings of Shotsweep.ini in the current folder.\n"
    "\n"
    "Commands:\n"
    "  by-folder RAW_DIR JPG_DIR    clean up RAW_DIR against the JPG files in JPG_DIR\n"
    "  by-list RAW_DIR LIST_FILE    clean up RAW_DIR against the JPG names listed in LIST_FILE\n"
    "  extract RAW_DIR JPG_DIR      write the preview JPG of each RAW file into JPG_DIR\n"
    "  restore RAW_DIR              give the set-aside RAW files their RAW names back\n"
    "\n"
    "Options of every command:\n"
    "  -q, --quiet    print no summary line and no progress\n"
    "  -h, --help     describe the command and exit\n"
    "Options stand anywhere after the command; \"--\" ends them.\n"
    "\n"
    "Examples:\n"
    "  shotsweep-cli by-folder ~/Photos/RAW ~/Photos/JPG --keep --dry-run\n"
    "  shotsweep-cli by-folder ~/Photos/RAW ~/Photos/JPG --keep\n"
    "  shotsweep-cli restore ~/Photos/RAW\n"
    "\n";

constexpr std::string_view kByFolder =
    "usage: shotsweep-cli by-folder RAW_DIR JPG_DIR [--keep | --trash] [--dry-run] [--all] [--quiet]\n"
    "\n"
    "Deletes every RAW file in RAW_DIR whose JPG twin is not in JPG_DIR: DSC_0001.NEF stays\n"
    "while dsc_0001.jpg is there. A RAW file is one ending in .nef, .cr2, .crw, .arw or .orf,\n"
    "or in a kind the ExtraRAW setting adds.\n";

constexpr std::string_view kByFolderExamples =
    "Examples:\n"
    "  shotsweep-cli by-folder ~/Photos/RAW ~/Photos/JPG --dry-run\n"
    "  shotsweep-cli by-folder ~/Photos/RAW ~/Photos/JPG --keep\n"
    "\n";

constexpr std::string_view kByList =
    "usage: shotsweep-cli by-list RAW_DIR LIST_FILE [--keep | --trash] [--dry-run] [--all] [--quiet]\n"
    "\n"
    "Deletes every RAW file in RAW_DIR whose JPG twin is not named in LIST_FILE, a text file\n"
    "with one JPG name per line (\"DSC_0001.JPG\"), as a viewer exports the photos you kept.\n";

constexpr std::string_view kByListExamples =
    "Example:\n"
    "  shotsweep-cli by-list ~/Photos/RAW ~/Photos/kept.txt --trash\n"
    "\n";

constexpr std::string_view kExtract =
    "usage: shotsweep-cli extract RAW_DIR JPG_DIR [--exif] [--jobs N] [--quiet]\n"
    "\n"
    "Writes the preview JPG embedded in each RAW file of RAW_DIR into JPG_DIR with exiv2, and\n"
    "copies the RAW file's EXIF data into it with exiftool; both are taken from the current\n"
    "folder when they lie there, otherwise from PATH. A RAW file whose JPG (NAME.jpg, .jpeg or\n"
    ".jpe, any case) is already in JPG_DIR is left alone, and so is the second of two RAW files\n"
    "with one base name. Once the run has ended it prints one row per RAW file, NAME: REASON\n"
    "(\"JPG made, 160x120\", \"no preview in the file\", \"exiv2 cannot read this file\", \"EXIF\n"
    "not copied: ...\", \"already had a JPG\", \"same name as ...\"), then the counts, such as\n"
    "\"7 of 7 RAW files got a JPG.\". Quiet, a run after which every RAW file has its JPG prints\n"
    "nothing; the rows of any other run are always printed.\n"
    "\n"
    "Options:\n"
    "  --exif         also write NAME.txt (the value of every tag) and NAME.asc (the tags in\n"
    "                 words) of each RAW file into JPG_DIR\n"
    "  --jobs N       work on at most N RAW files at once, 1 to 256 (default: the Jobs\n"
    "                 setting, else one per processor)\n";

constexpr std::string_view kExtractExamples =
    "Example:\n"
    "  shotsweep-cli extract ~/Photos/RAW ~/Photos/JPG --exif\n"
    "\n";

constexpr std::string_view kRestore =
    "usage: shotsweep-cli restore RAW_DIR [--dry-run] [--quiet]\n"
    "\n"
    "Gives every set-aside file in RAW_DIR its RAW extension back (.nbak becomes .nef, and so\n"
    "on), undoing a cleanup with --keep. A file whose RAW name is taken stays set aside and is\n"
    "named. On success it prints one line, such as \"restored 12\".\n"
    "\n"
    "Options:\n"
    "  --dry-run      change nothing; print what would be done, one line per file,\n"
    "                 restore<TAB>NAME<TAB>NEW NAME, and a last line \"# N restored\"\n";

constexpr std::string_view kRestoreExamples =
    "Examples:\n"
    "  shotsweep-cli restore ~/Photos/RAW --dry-run\n"
    "  shotsweep-cli restore ~/Photos/RAW\n"
    "\n";

std::string Page(std::initializer_list<std::string_view> parts) {
  std::string text;
  for (std::string_view part : parts) text += part;
  return text;
}

}  // namespace

std::string HelpText(CliRequest::Kind command) {
  switch (command) {
    case CliRequest::ByFolder:
      return Page({kByFolder, "\nOptions:\n", kCleanupOptions, kCommonOptions, "\n", kCleanupSummary, "\n",
                   kByFolderExamples, kExitStatus});
    case CliRequest::ByList:
      return Page({kByList, "\nOptions:\n", kCleanupOptions, kCommonOptions, "\n", kCleanupSummary, "\n",
                   kByListExamples, kExitStatus});
    case CliRequest::Extract:
      return Page({kExtract, kCommonOptions, "\n", kExtractExamples, kExitStatus});
    case CliRequest::Restore:
      return Page({kRestore, kCommonOptions, "\n", kRestoreExamples, kExitStatus});
    default:
      return Page({kOverview, kExitStatus,
                   "\nRun \"shotsweep-cli COMMAND --help\" for a command's options; see also shotsweep-cli(1).\n"});
  }
}

}  // namespace shotsweep
