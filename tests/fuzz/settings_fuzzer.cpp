// The settings reader (ParseSettings) over any "Shotsweep.ini", and the writer that puts
// changed values back into it.
//
// Input: the file's bytes. The text up to the first NUL is also taken as the value of each
// key, to be compared with the number it writes.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <string>
#include <string_view>

#include "settings/settings_reader.h"
#include "settings/settings_writer.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"

namespace shotsweep {
namespace {

bool operator==(const Settings& a, const Settings& b) {
  return a.deleteScripts == b.deleteScripts && a.quoteEveryPath == b.quoteEveryPath && a.codePage == b.codePage &&
         a.trash == b.trash && a.confirm == b.confirm;
}

Settings Lowest() {
  Settings s;
  s.deleteScripts = false;
  s.quoteEveryPath = true;
  s.codePage = std::numeric_limits<std::int32_t>::min();
  return s;
}

// What the file sets it sets to the same value whatever the field held before.
template <typename Field>
void CheckField(Field before1, Field after1, Field before2, Field after2) {
  if (after1 != before1 && after2 != before2) FUZZ_CHECK(after1 == after2);
}

void CheckFile(std::string_view bytes) {
  Settings fromDefaults, fromLowest = Lowest();
  ParseSettings(bytes, fromDefaults);
  ParseSettings(bytes, fromLowest);
  const Settings defaults, lowest = Lowest();
  CheckField(defaults.deleteScripts, fromDefaults.deleteScripts, lowest.deleteScripts, fromLowest.deleteScripts);
  CheckField(defaults.quoteEveryPath, fromDefaults.quoteEveryPath, lowest.quoteEveryPath, fromLowest.quoteEveryPath);
  CheckField(defaults.codePage, fromDefaults.codePage, lowest.codePage, fromLowest.codePage);
  // Reading the file twice is reading it once: each entry only ever sets a value.
  Settings again = fromDefaults;
  ParseSettings(bytes, again);
  FUZZ_CHECK(again == fromDefaults);
}

// Whatever the file, the values written into it read back as written and every other setting
// reads as before; with nothing to write, the file stays as it is.
void CheckWriter(std::string_view bytes) {
  Settings before;
  ParseSettings(bytes, before);
  Settings after = before;
  after.trash = !after.trash;
  after.quoteEveryPath = !after.quoteEveryPath;
  after.codePage = before.codePage == 852 ? 437 : 852;
  after.extraRawKinds = before.extraRawKinds.empty() ? std::vector<std::string>{"cr3", "dng"} : std::vector<std::string>{};
  after.sidecarKinds = before.sidecarKinds.empty() ? std::vector<std::string>{"xmp"} : std::vector<std::string>{};
  Settings read;
  ParseSettings(WithSettings(bytes, ChangedSettings(before, after)), read);
  FUZZ_CHECK(read == after);
  FUZZ_CHECK(read.extraRawKinds == after.extraRawKinds && read.sidecarKinds == after.sidecarKinds);
  FUZZ_CHECK(WithSettings(bytes, {}) == bytes);
}

// Whether `text` is a number as the reader takes them: a sign, digits, a "." and digits.
bool IsPlainNumber(std::string_view text) {
  std::size_t i = text.starts_with('-') || text.starts_with('+') ? 1 : 0;
  bool digit = false;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) digit = true;
  if (i < text.size() && text[i] == '.') {
    for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) digit = true;
  }
  return digit && i == text.size();
}

// The value given to a key, against the same number read by the C library: a field is set
// exactly when the number rounds into its range, and then to the nearest whole number.
template <typename Field>
void CheckValue(std::string_view key, std::string_view value, Field Settings::*field) {
  Settings s;
  const Field before = s.*field;
  ParseSettings(std::string(key) + "=" + std::string(value), s);
  const std::string_view trimmed = [&] {
    std::string_view v = value;
    while (v.starts_with(' ')) v.remove_prefix(1);
    while (v.ends_with(' ')) v.remove_suffix(1);
    return v;
  }();
  if (!IsPlainNumber(trimmed)) {
    FUZZ_CHECK(s.*field == before);
    return;
  }
  const long double number = std::strtold(std::string(trimmed).c_str(), nullptr);
  using Limits = std::numeric_limits<Field>;
  // Near the edges the rounding direction decides; the reader's exact rule is tested elsewhere.
  const long double low = static_cast<long double>(Limits::min()) - 0.5L;
  const long double high = static_cast<long double>(Limits::max()) + 0.5L;
  if (number < low - 0.01L || number > high + 0.01L) {
    FUZZ_CHECK(s.*field == before);
  } else if (number > low + 0.01L && number < high - 0.01L) {
    FUZZ_CHECK(std::fabs(static_cast<long double>(s.*field) - number) <= 0.5L + 1e-9L);
  }
}

// A flag takes a value as a 16-bit number, and is set exactly when that number is 1; a value
// that is no such number leaves it as it was. The code page, read from two starting points,
// tells which number the value is, if any.
void CheckFlag(std::string_view key, std::string_view value, bool Settings::*flag) {
  Settings low, high;
  low.codePage = std::numeric_limits<std::int32_t>::min();
  high.codePage = std::numeric_limits<std::int32_t>::max();
  ParseSettings("RAWCodePage=" + std::string(value), low);
  ParseSettings("RAWCodePage=" + std::string(value), high);
  const bool number = low.codePage == high.codePage && low.codePage >= std::numeric_limits<std::int16_t>::min() &&
                      low.codePage <= std::numeric_limits<std::int16_t>::max();
  for (bool before : {false, true}) {
    Settings s;
    s.*flag = before;
    ParseSettings(std::string(key) + "=" + std::string(value), s);
    FUZZ_CHECK(s.*flag == (number ? low.codePage == 1 : before));
  }
}

}  // namespace
}  // namespace shotsweep

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace shotsweep;
  std::string_view input = fuzz::AsText(data, size);
  CheckFile(input);
  CheckWriter(input);
  const std::string_view value = fuzz::TakePiece(input);
  if (value.find_first_of(",\r\n\"") == std::string_view::npos) {
    CheckFlag("KillBat", value, &Settings::deleteScripts);
    CheckFlag("QMark", value, &Settings::quoteEveryPath);
    CheckValue("RAWCodePage", value, &Settings::codePage);
  }
  return 0;
}
