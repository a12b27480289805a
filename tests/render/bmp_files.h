#pragma once
// Builds BMP files field by field for the tests, consistent or not: every header
// field can be set to what a broken or hostile writer would put there.

#include <QByteArray>
#include <QImage>
#include <QRgb>

#include <cstdint>
#include <optional>
#include <vector>

namespace vorlanth::testing {

struct TBmpFile {
  int32_t Width = 0;
  int32_t Height = 0;  // negative: top-down
  uint16_t Bits = 24;
  uint32_t Compression = 0;
  uint32_t HeaderSize = 40;
  uint32_t ColorsUsed = 0;
  std::vector<QRgb> Palette;          // written after the header (and masks)
  std::vector<uint32_t> Masks;        // written after a 40-byte header when given
  QByteArray Pixels;                  // the pixel data as stored
  std::optional<uint32_t> Offset;     // bfOffBits; by default right after the palette
  std::optional<uint32_t> ImageSize;  // biSizeImage; by default the size of Pixels

  QByteArray Bytes() const {
    QByteArray out;
    auto u16 = [&](uint32_t v) {
      out.append(static_cast<char>(v & 0xFF));
      out.append(static_cast<char>((v >> 8) & 0xFF));
    };
    auto u32 = [&](uint32_t v) {
      u16(v & 0xFFFF);
      u16(v >> 16);
    };
    const bool core = HeaderSize == 12;
    const uint32_t entry = core ? 3 : 4;
    const uint32_t table = static_cast<uint32_t>(Masks.size() * 4 + Palette.size() * entry);
    const uint32_t offset = Offset.value_or(14 + HeaderSize + table);
    out.append("BM");
    u32(static_cast<uint32_t>(offset + Pixels.size()));
    u32(0);
    u32(offset);
    u32(HeaderSize);
    if (core) {
      u16(static_cast<uint32_t>(Width));
      u16(static_cast<uint32_t>(Height));
      u16(1);
      u16(Bits);
    } else {
      u32(static_cast<uint32_t>(Width));
      u32(static_cast<uint32_t>(Height));
      u16(1);
      u16(Bits);
      u32(Compression);
      u32(ImageSize.value_or(static_cast<uint32_t>(Pixels.size())));
      u32(2835);
      u32(2835);
      u32(ColorsUsed);
      u32(0);
      // The rest of a longer header: masks first (version 2 on), then zeros.
      for (uint32_t at = 40; at < HeaderSize; at += 4) u32(0);
    }
    for (const uint32_t mask : Masks) u32(mask);
    for (const QRgb colour : Palette) {
      out.append(static_cast<char>(qBlue(colour)));
      out.append(static_cast<char>(qGreen(colour)));
      out.append(static_cast<char>(qRed(colour)));
      if (!core) out.append('\0');
    }
    while (static_cast<uint32_t>(out.size()) < offset) out.append('\0');
    out.truncate(offset);
    out.append(Pixels);
    return out;
  }
};

// Rows of palette indices, bottom row first, each padded to 4 bytes.
inline QByteArray IndexedRows(const std::vector<std::vector<uint8_t>>& rows, int bits) {
  QByteArray out;
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    QByteArray line((static_cast<qsizetype>(row->size()) * bits + 31) / 32 * 4, '\0');
    for (size_t x = 0; x < row->size(); ++x) {
      const size_t bit = x * static_cast<size_t>(bits);
      line[static_cast<qsizetype>(bit / 8)] = static_cast<char>(
          static_cast<uint8_t>(line[static_cast<qsizetype>(bit / 8)]) |
          ((*row)[x] << (8 - bits - bit % 8)));
    }
    out.append(line);
  }
  return out;
}

// RLE8 of rows of indices (top row first): each row as runs of equal indices,
// then an end of line; an end of bitmap after the last row.
inline QByteArray Rle8(const std::vector<std::vector<uint8_t>>& rows) {
  QByteArray out;
  for (auto row = rows.rbegin(); row != rows.rend(); ++row) {
    for (size_t x = 0; x < row->size();) {
      size_t run = 1;
      while (x + run < row->size() && (*row)[x + run] == (*row)[x] && run < 255) ++run;
      out.append(static_cast<char>(run));
      out.append(static_cast<char>((*row)[x]));
      x += run;
    }
    out.append('\0');
    out.append(row + 1 == rows.rend() ? '\1' : '\0');
  }
  return out;
}

}  // namespace vorlanth::testing
