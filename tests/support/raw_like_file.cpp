#include "tests/support/raw_like_file.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>

#include <cstdint>
#include <fstream>
#include <stdexcept>

namespace shotsweep::testing {
namespace {

enum Type : std::uint16_t { kAscii = 2, kShort = 3, kLong = 4, kRational = 5 };

struct Entry {
  std::uint16_t tag;
  Type type;
  std::uint32_t count;
  std::string value;  // little-endian bytes
};

std::string U16(std::uint16_t v) { return {char(v & 0xFF), char(v >> 8)}; }
std::string U32(std::uint32_t v) {
  return {char(v & 0xFF), char((v >> 8) & 0xFF), char((v >> 16) & 0xFF), char(v >> 24)};
}
Entry Long(std::uint16_t tag, std::uint32_t v) { return {tag, kLong, 1, U32(v)}; }
Entry Short(std::uint16_t tag, std::uint16_t v) { return {tag, kShort, 1, U16(v)}; }
Entry Ascii(std::uint16_t tag, const std::string& text) {
  return {tag, kAscii, static_cast<std::uint32_t>(text.size() + 1), text + '\0'};
}

// Appends an IFD (entries sorted by tag, values that do not fit in four bytes after it) and
// returns its offset.
std::uint32_t AppendIfd(std::string& file, const std::vector<Entry>& entries, std::uint32_t next = 0) {
  if (file.size() % 2) file.push_back('\0');
  const auto offset = static_cast<std::uint32_t>(file.size());
  std::uint32_t dataAt = offset + 2 + 12 * static_cast<std::uint32_t>(entries.size()) + 4;
  std::string ifd = U16(static_cast<std::uint16_t>(entries.size()));
  std::string data;
  for (const Entry& e : entries) {
    ifd += U16(e.tag) + U16(e.type) + U32(e.count);
    if (e.value.size() <= 4) {
      ifd += e.value + std::string(4 - e.value.size(), '\0');
    } else {
      if (data.size() % 2) data.push_back('\0');
      ifd += U32(dataAt + static_cast<std::uint32_t>(data.size()));
      data += e.value;
    }
  }
  file += ifd + U32(next) + data;
  return offset;
}

}  // namespace

std::string JpegImage(PreviewSize size, int seed) {
  QImage image(size.width, size.height, QImage::Format_RGB32);
  image.fill(QColor((size.width + seed * 37) % 256, (size.height + seed * 11) % 256, 90));
  QPainter(&image).fillRect(size.width / 4, size.height / 4, size.width / 2, size.height / 2,
                            QColor(250, (seed * 53) % 256, 20));
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  if (!image.save(&buffer, "JPEG", 80)) throw std::runtime_error("no JPEG writer");
  return bytes.toStdString();
}

std::string RawLikeBytes(const RawLikeFile& layout) {
  std::string file = "II" + U16(42) + U32(0);
  std::vector<std::pair<std::uint32_t, std::uint32_t>> jpegs;  // offset, length
  std::size_t smallest = 0;
  for (std::size_t i = 0; i < layout.previews.size(); ++i) {
    const std::string jpeg = JpegImage(layout.previews[i], static_cast<int>(i) + layout.iso);
    if (file.size() % 2) file.push_back('\0');
    jpegs.emplace_back(static_cast<std::uint32_t>(file.size()), static_cast<std::uint32_t>(jpeg.size()));
    file += jpeg;
    const PreviewSize& p = layout.previews[i];
    const PreviewSize& s = layout.previews[smallest];
    if (p.width * p.height < s.width * s.height) smallest = i;
  }

  std::string subIfds;
  std::uint32_t thumbnail = 0;
  for (std::size_t i = 0; i < jpegs.size(); ++i) {
    const std::vector<Entry> entries = {Short(0x0103, 6), Long(0x0201, jpegs[i].first),
                                        Long(0x0202, jpegs[i].second)};
    if (i == smallest) {
      thumbnail = AppendIfd(file, entries);
    } else {
      std::vector<Entry> sub = {Long(0x00FE, 1)};  // a reduced-resolution image
      sub.insert(sub.end(), entries.begin(), entries.end());
      subIfds += U32(AppendIfd(file, sub));
    }
  }
  const std::uint32_t exif = AppendIfd(file, {{0x829A, kRational, 1, U32(1) + U32(250)},
                                              Short(0x8827, static_cast<std::uint16_t>(layout.iso)),
                                              Ascii(0x9003, "2024:05:06 07:08:09")});
  std::vector<Entry> ifd0 = {Long(0x00FE, 0), Ascii(0x010F, layout.make), Ascii(0x0110, layout.model)};
  if (!subIfds.empty()) {
    ifd0.push_back({0x014A, kLong, static_cast<std::uint32_t>(subIfds.size() / 4), subIfds});
  }
  ifd0.push_back(Long(0x8769, exif));
  const std::uint32_t first = AppendIfd(file, ifd0, thumbnail);
  file.replace(4, 4, U32(first));
  return file;
}

void WriteRawLikeFile(const std::filesystem::path& path, const RawLikeFile& layout) {
  std::ofstream out(path, std::ios::binary);
  out << RawLikeBytes(layout);
  if (!out.flush()) throw std::runtime_error("cannot write " + path.string());
}

PreviewSize DecodedSize(const std::filesystem::path& path) {
  const QImage image(QString::fromStdString(path.string()));
  return {image.width(), image.height()};
}

}  // namespace shotsweep::testing
