#pragma once
// RAW-like files for the extraction tests: a little-endian TIFF whose IFD0 carries Make,
// Model and an EXIF IFD, with JPEG previews embedded the way cameras do: the smallest in
// IFD1 (the thumbnail), the others in SubIFDs. exiv2 reads them by content whatever the
// extension, so the same bytes serve as .nef, .cr2, .arw or .orf.

#include <filesystem>
#include <string>
#include <vector>

namespace shotsweep::testing {

struct PreviewSize {
  int width;
  int height;
};

struct RawLikeFile {
  std::string make = "TESTMAKE";
  std::string model = "Model X1";
  int iso = 400;
  // In any order; exiv2 numbers them from the smallest, so the largest is the last preview.
  std::vector<PreviewSize> previews = {{160, 120}, {640, 480}, {1024, 768}};
};

// A JPEG image of that size; `seed` varies its content.
std::string JpegImage(PreviewSize size, int seed = 0);

std::string RawLikeBytes(const RawLikeFile& layout);
void WriteRawLikeFile(const std::filesystem::path& path, const RawLikeFile& layout);

// The decoded size of an image file, {0, 0} when it is no image.
PreviewSize DecodedSize(const std::filesystem::path& path);

}  // namespace shotsweep::testing
