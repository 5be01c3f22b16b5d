// The JPEG frame-header reader behind an extraction's "JPG made" rows, on any bytes: it never
// reads past the end, and a size it gives depends only on the bytes before the frame ends, so
// whatever follows (the scan, trailing junk) cannot change it.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "extraction/jpeg_size.h"
#include "tests/fuzz/fuzz_check.h"
#include "tests/fuzz/fuzz_input.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace shotsweep;
  const std::string_view bytes = fuzz::AsText(data, size);
  const auto found = JpegPixelSize(bytes);
  if (!found) return 0;
  FUZZ_CHECK(bytes.size() >= 4 && bytes.substr(0, 2) == "\xFF\xD8");
  FUZZ_CHECK(found->width > 0 && found->height > 0 && found->width <= 0xFFFF && found->height <= 0xFFFF);
  FUZZ_CHECK(JpegPixelSize(std::string(bytes) + "\xFF\xD9 trailing") == found);
  FUZZ_CHECK(!PixelSizeText(*found).empty());
  return 0;
}
