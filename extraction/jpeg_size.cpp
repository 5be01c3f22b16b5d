#include "extraction/jpeg_size.h"

#include <string>

namespace shotsweep {
namespace {

std::uint32_t Byte(std::string_view bytes, std::size_t at) { return static_cast<unsigned char>(bytes[at]); }
std::uint32_t BigEndian16(std::string_view bytes, std::size_t at) { return Byte(bytes, at) << 8 | Byte(bytes, at + 1); }

// The frame headers: baseline, extended, progressive, lossless, arithmetic. C4 (Huffman
// tables), C8 (reserved) and CC (arithmetic conditioning) share the range but are not frames.
bool IsFrameHeader(std::uint32_t marker) {
  return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// Markers that stand alone, without a length: TEM and the restart markers.
bool StandsAlone(std::uint32_t marker) { return marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7); }

}  // namespace

std::optional<PixelSize> JpegPixelSize(std::string_view bytes) {
  if (bytes.size() < 4 || Byte(bytes, 0) != 0xFF || Byte(bytes, 1) != 0xD8) return std::nullopt;
  std::size_t at = 2;
  while (at + 1 < bytes.size()) {
    if (Byte(bytes, at) != 0xFF) return std::nullopt;  // only markers may follow a segment
    std::uint32_t marker = Byte(bytes, at + 1);
    if (marker == 0xFF) {  // fill byte before a marker
      ++at;
      continue;
    }
    at += 2;
    if (StandsAlone(marker)) continue;
    // The end of the image, or a scan, before any frame header: there is no size to read.
    if (marker == 0xD9 || marker == 0xDA || marker == 0xD8 || marker == 0x00) return std::nullopt;
    if (at + 2 > bytes.size()) return std::nullopt;
    const std::size_t length = BigEndian16(bytes, at);  // counts its own two bytes
    if (length < 2 || at + length > bytes.size()) return std::nullopt;
    if (IsFrameHeader(marker)) {
      // Sample precision (1 byte), then height and width (2 bytes each).
      if (length < 7) return std::nullopt;
      const PixelSize size{BigEndian16(bytes, at + 5), BigEndian16(bytes, at + 3)};
      if (size.width == 0 || size.height == 0) return std::nullopt;
      return size;
    }
    at += length;
  }
  return std::nullopt;
}

std::string PixelSizeText(const PixelSize& size) {
  return std::to_string(size.width) + "\u00d7" + std::to_string(size.height);
}

}  // namespace shotsweep
