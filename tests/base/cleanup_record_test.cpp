// The cleanup record: written, read back, and refused whole when it is not exactly one.

#include "base/cleanup_record.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace shotsweep {
namespace {

using ::testing::HasSubstr;

CleanupRecord Plan() {
  CleanupRecord record;
  record.raws = {{PlannedAction::Keep, "DSC_0001.NEF", "DSC_0001.nbak"},
                 {PlannedAction::SetAside, "Trip Day.1.Cr2", "Trip Day.1.cbak"},
                 {PlannedAction::Delete, "dsc_0003.nef", "dsc_0003.nbak"},
                 {PlannedAction::Trash, "\xC3\x89t\xC3\xA9.ORF", "\xC3\x89t\xC3\xA9.obak"},
                 {PlannedAction::Delete, "", "W.obak"}};  // set aside by an older run without a record
  record.sidecars = {{PlannedAction::Delete, "dsc_0003.nef.xmp", "dsc_0003.nef"},
                     {PlannedAction::Trash, "\xC3\x89t\xC3\xA9.xmp", "\xC3\x89t\xC3\xA9.ORF"}};
  return record;
}

TEST(CleanupRecord, ReadsBackWhatItWritesWithEitherLineEnd) {
  const CleanupRecord plan = Plan();
  const std::string text = FormatCleanupRecord(plan);
  EXPECT_TRUE(text.starts_with("Shotsweep cleanup record 1\r\nstate\trunning\r\nraw\tkeep\tDSC_0001.NEF\tDSC_0001.nbak\r\n"));
  EXPECT_THAT(text, HasSubstr("\r\nraw\tdelete\t\tW.obak\r\nsidecar\tdelete\tdsc_0003.nef.xmp\tdsc_0003.nef\r\n"));
  CleanupRecord read;
  ASSERT_EQ(ParseCleanupRecord(text, read), std::nullopt);
  EXPECT_EQ(read, plan);

  std::string lf = text;
  for (std::size_t at; (at = lf.find("\r\n")) != std::string::npos;) lf.erase(at, 1);
  ASSERT_EQ(ParseCleanupRecord(lf, read), std::nullopt);
  EXPECT_EQ(read, plan);

  CleanupRecord finished;
  finished.state = CleanupRecord::State::Finished;
  ASSERT_EQ(ParseCleanupRecord(FormatCleanupRecord(finished), read), std::nullopt);
  EXPECT_EQ(read, finished);
}

TEST(CleanupRecord, AnythingButARecordIsRefusedWithTheLineThatBrokeIt) {
  const std::string head = "Shotsweep cleanup record 1\r\nstate\trunning\r\n";
  const std::string keep = "raw\tkeep\ta.NEF\ta.nbak\r\n";
  const std::pair<std::string, std::string> cases[] = {
      {"", "line 1"},
      {"Shotsweep cleanup record 2\r\nstate\trunning\r\n", "line 1"},
      {"\xEF\xBB\xBFShotsweep cleanup record 1\r\nstate\trunning\r\n", "line 1"},
      {"Shotsweep cleanup record 1\r\n", "line 2"},
      {"Shotsweep cleanup record 1\r\nstate\tdone\r\n", "line 2"},
      {head + "raw\tkeep\ta.NEF\ta.nbak", "cut short"},  // no line end: a record cut off
      {head + keep + "\r\n", "line 4"},
      {head + "raw\tKEEP\ta.NEF\ta.nbak\r\n", "line 3"},
      {head + "raw\tkeep\ta.NEF\ta.nbak\textra\r\n", "line 3"},
      {head + "raw\tkeep\ta.NEF\t\r\n", "line 3"},                    // no set-aside name
      {head + "raw\tkeep\tsub/a.NEF\ta.nbak\r\n", "line 3"},          // not a bare name
      {head + "raw\tkeep\t..\ta.nbak\r\n", "line 3"},
      {head + "raw\tkeep\ta\x01.NEF\ta.nbak\r\n", "line 3"},          // a control character
      {head + keep + "raw\tdelete\tb.NEF\ta.nbak\r\n", "twice"},       // two files, one name
      {head + keep + "raw\tdelete\ta.NEF\tb.nbak\r\n", "twice"},
      {head + keep + "sidecar\tdelete\ta.xmp\ta.NEF\r\n", "line 4"},  // its RAW file stays
      {head + "raw\tdelete\ta.NEF\ta.nbak\r\nsidecar\ttrash\ta.xmp\ta.NEF\r\n", "leaves as it does"},
      {head + "raw\tdelete\ta.NEF\ta.nbak\r\nsidecar\tdelete\ta.xmp\t\r\n", "line 4"},
      {head + "raw\tdelete\ta.NEF\ta.nbak\r\nsidecar\tdelete\ta.NEF\ta.NEF\r\n", "twice"},
      {head + "raw\tdelete\ta.NEF\ta.nbak\r\nsidecar\tdelete\ta.xmp\ta.NEF\r\n" + keep, "after the sidecars"},
  };
  for (const auto& [text, expected] : cases) {
    CleanupRecord record;
    const auto error = ParseCleanupRecord(text, record);
    ASSERT_TRUE(error) << text;
    EXPECT_THAT(error->description, HasSubstr(expected)) << text;
  }
}

}  // namespace
}  // namespace shotsweep
