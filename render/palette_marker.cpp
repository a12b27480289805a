#include "render/palette_marker.h"

#include <set>

#include "core/error.h"
#include "render/bmp_reader.h"

namespace vorlanth {

namespace {

constexpr qsizetype kPngSignatureSize = 8;
constexpr qsizetype kPngChunkFrame = 12;  // length, type, and CRC around the data
constexpr int kPngPaletteType = 3;
constexpr qsizetype kGifScreenEnd = 13;   // signature and logical screen descriptor
constexpr int kGifTableFlag = 0x80;
constexpr int kGifTableSizeBits = 0x07;
constexpr qsizetype kGifFullTable = 256;

uint32_t Be32(const QByteArray& data, qsizetype at) {
  const auto* p = reinterpret_cast<const uint8_t*>(data.constData() + at);
  return uint32_t{p[0]} << 24 | uint32_t{p[1]} << 16 | uint32_t{p[2]} << 8 | uint32_t{p[3]};
}

QByteArray Be32Bytes(uint32_t value) {
  QByteArray out(4, '\0');
  for (int i = 0; i < 4; ++i) out[i] = static_cast<char>((value >> (24 - 8 * i)) & 0xFFu);
  return out;
}

uint32_t Crc32(const QByteArray& bytes) {  // as PNG chunks carry it
  uint32_t crc = 0xFFFFFFFFu;
  for (const char c : bytes) {
    crc ^= static_cast<uint8_t>(c);
    for (int bit = 0; bit < 8; ++bit) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

std::set<QRgb> ColoursOf(const QByteArray& table) {  // red, green, blue entries
  std::set<QRgb> colours;
  for (qsizetype at = 0; at + 3 <= table.size(); at += 3)
    colours.insert(qRgb(static_cast<uint8_t>(table[at]), static_cast<uint8_t>(table[at + 1]),
                        static_cast<uint8_t>(table[at + 2])));
  return colours;
}

// Opaque, and not among `colours`: of its first size + 1 candidates one is free.
QRgb MarkerAvoiding(const std::set<QRgb>& colours) {
  constexpr QRgb kFirst = 0xFF13F75Bu;
  QRgb marker = kFirst;
  for (QRgb k = 0; k <= colours.size() && colours.count(marker) != 0; ++k) marker = kFirst + k + 1;
  return marker;
}

QByteArray MarkerEntries(QRgb marker, qsizetype count) {
  QByteArray entries;
  for (qsizetype i = 0; i < count; ++i) {
    entries.append(static_cast<char>(qRed(marker)));
    entries.append(static_cast<char>(qGreen(marker)));
    entries.append(static_cast<char>(qBlue(marker)));
  }
  return entries;
}

// A palette PNG: its PLTE chunk grows to 2^depth entries.
TMarkedPalette MarkPng(const QByteArray& data) {
  TMarkedPalette out{data, std::nullopt, 0};
  int depth = 0;
  int colourType = -1;
  qsizetype paletteAt = -1;
  for (qsizetype at = kPngSignatureSize; at + kPngChunkFrame <= data.size();) {
    const qsizetype length = Be32(data, at);
    if (length > data.size() - at - kPngChunkFrame) return out;
    const QByteArray type = data.mid(at + 4, 4);
    if (type == "IHDR" && length == 13) {
      depth = static_cast<uint8_t>(data[at + 8 + 8]);
      colourType = static_cast<uint8_t>(data[at + 8 + 9]);
    } else if (type == "PLTE" && paletteAt < 0) {
      paletteAt = at;
    } else if (type == "IEND") {
      break;
    }
    at += kPngChunkFrame + length;
  }
  if (colourType != kPngPaletteType || paletteAt < 0) return out;
  if (depth != 1 && depth != 2 && depth != 4 && depth != 8) return out;
  const qsizetype length = Be32(data, paletteAt);
  const QByteArray chunk = data.mid(paletteAt + 4, 4 + length);  // type and entries
  if (length % 3 != 0 || Crc32(chunk) != Be32(data, paletteAt + 8 + length)) return out;
  out.Colours = length / 3;
  const qsizetype full = qsizetype{1} << depth;
  if (out.Colours == 0 || out.Colours >= full) return out;  // empty: Qt refuses it

  const QRgb marker = MarkerAvoiding(ColoursOf(chunk.mid(4)));
  const QByteArray filled = chunk + MarkerEntries(marker, full - out.Colours);
  out.Data = data.left(paletteAt) + Be32Bytes(static_cast<uint32_t>(filled.size() - 4)) + filled +
             Be32Bytes(Crc32(filled)) + data.mid(paletteAt + kPngChunkFrame + length);
  out.Marker = marker;
  return out;
}

// A GIF: the palette of its first picture (its own, or else the global one, or
// none) grows to 256 entries.
TMarkedPalette MarkGif(const QByteArray& data) {
  TMarkedPalette out{data, std::nullopt, 0};
  auto tableBytes = [](uint8_t flags) -> qsizetype {
    return (flags & kGifTableFlag) ? qsizetype{3} << ((flags & kGifTableSizeBits) + 1) : 0;
  };
  if (data.size() < kGifScreenEnd) return out;
  constexpr qsizetype kScreenFlags = 10;
  const auto screenFlags = static_cast<uint8_t>(data[kScreenFlags]);
  const qsizetype globalBytes = tableBytes(screenFlags);
  qsizetype at = kGifScreenEnd + globalBytes;
  // Extensions up to the first picture's descriptor.
  while (at < data.size() && data[at] == '!') {
    at += 2;
    while (at < data.size() && data[at] != 0) at += 1 + static_cast<uint8_t>(data[at]);
    ++at;
  }
  constexpr qsizetype kDescriptorSize = 10;
  constexpr qsizetype kDescriptorFlags = 9;
  if (at + kDescriptorSize > data.size() || data[at] != ',') return out;
  const auto pictureFlags = static_cast<uint8_t>(data[at + kDescriptorFlags]);
  const bool local = (pictureFlags & kGifTableFlag) != 0;
  const qsizetype tableAt = local ? at + kDescriptorSize : kGifScreenEnd;
  const qsizetype bytes = local ? tableBytes(pictureFlags) : globalBytes;
  if (tableAt + bytes > data.size()) return out;
  out.Colours = bytes / 3;
  if (out.Colours >= kGifFullTable) return out;

  // The marker is in neither table: the screen's background may come from the global one.
  const QByteArray table = data.mid(tableAt, bytes);
  std::set<QRgb> colours = ColoursOf(table);
  colours.merge(ColoursOf(data.mid(kGifScreenEnd, globalBytes)));
  const QRgb marker = MarkerAvoiding(colours);
  out.Data = data.left(tableAt) + table + MarkerEntries(marker, kGifFullTable - out.Colours) +
             data.mid(tableAt + bytes);
  const qsizetype flagsAt = local ? at + kDescriptorFlags : kScreenFlags;
  const auto flags = static_cast<uint8_t>(data[flagsAt]);
  out.Data[flagsAt] = static_cast<char>(flags | kGifTableFlag | kGifTableSizeBits);
  out.Marker = marker;
  return out;
}

}  // namespace

TMarkedPalette MarkPalette(const QByteArray& data) {
  if (data.startsWith("\x89PNG\r\n\x1a\n")) return MarkPng(data);
  if (data.startsWith("GIF87a") || data.startsWith("GIF89a")) return MarkGif(data);
  return {data, std::nullopt, 0};
}

void RefuseMarkedPixels(const QImage& image, const TMarkedPalette& palette, const std::string& path) {
  if (!palette.Marker) return;
  // Indexed and 32-bit pixels keep their colour in ARGB32; an alpha of 0 keeps it too.
  const QImage argb = image.format() == QImage::Format_RGB32 || image.format() == QImage::Format_ARGB32
                          ? image
                          : image.convertToFormat(QImage::Format_ARGB32);
  const QRgb marker = *palette.Marker & RGB_MASK;
  for (int y = 0; y < argb.height(); ++y) {
    const auto* line = reinterpret_cast<const QRgb*>(argb.constScanLine(y));
    for (int x = 0; x < argb.width(); ++x) {
      if ((line[x] & RGB_MASK) == marker)
        throw Error(PictureReadError(path, "the pixel at (" + std::to_string(x) + ", " +
                                               std::to_string(y) + ") uses a colour beyond its palette of " +
                                               std::to_string(palette.Colours) + " colours."));
    }
  }
}

}  // namespace vorlanth
