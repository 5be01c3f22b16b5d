#pragma once
// The pixel size a JPEG file declares, read from its frame header without decoding anything,
// so a row can say how large the JPG it made is.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace shotsweep {

struct PixelSize {
  std::uint32_t width = 0;
  std::uint32_t height = 0;
  bool operator==(const PixelSize&) const = default;
};

// The width and height of the first frame header (any SOF marker) of `bytes`, which must begin
// as a JPEG does. nullopt for anything else: not a JPEG, cut off before its frame header, a
// segment whose length runs past the end, or a frame that declares no width or no height
// (a height given only after the scan is not read).
std::optional<PixelSize> JpegPixelSize(std::string_view bytes);

// "160×120".
std::string PixelSizeText(const PixelSize& size);

}  // namespace shotsweep
