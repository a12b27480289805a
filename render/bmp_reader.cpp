#include "render/bmp_reader.h"

#include <QRgb>

#include <array>
#include <bit>
#include <vector>

#include "core/error.h"

namespace vorlanth {

namespace {

// Header sizes: the OS/2 1.x core header (16-bit sizes, 3-byte palette entries),
// the Windows info header and its later versions, and the OS/2 2.x header, whose
// first 40 bytes read as the Windows one.
constexpr uint32_t kFileHeaderSize = 14;
constexpr uint32_t kCoreHeaderSize = 12;
constexpr uint32_t kInfoHeaderSize = 40;
constexpr uint32_t kV2HeaderSize = 52;   // with red, green and blue masks
constexpr uint32_t kV3HeaderSize = 56;   // with the alpha mask too
constexpr uint32_t kOs2HeaderSize = 64;
constexpr uint32_t kV4HeaderSize = 108;
constexpr uint32_t kV5HeaderSize = 124;

enum : uint32_t { kRgb = 0, kRle8 = 1, kRle4 = 2, kBitFields = 3, kAlphaBitFields = 6 };

const char* const kTruncated = "the file is cut short (truncated)";

[[noreturn]] void Refuse(const std::string& path, const std::string& reason) {
  throw Error(PictureReadError(path, reason));
}

std::string Num(int64_t value) { return std::to_string(value); }

// Little-endian fields of the data; the caller has checked the bounds.
uint32_t U32(const uint8_t* at) {
  return uint32_t{at[0]} | uint32_t{at[1]} << 8 | uint32_t{at[2]} << 16 | uint32_t{at[3]} << 24;
}
uint16_t U16(const uint8_t* at) { return static_cast<uint16_t>(at[0] | at[1] << 8); }

// What the header says, checked.
struct TBmpLayout {
  int64_t Width = 0;
  int64_t Height = 0;
  bool TopDown = false;
  int Bits = 0;
  uint32_t Compression = kRgb;
  std::array<uint32_t, 3> Masks{};  // red, green, blue (16 and 32 bits)
  int64_t PaletteAt = 0;            // byte of the first palette entry
  int64_t PaletteCount = 0;         // entries the pixels may use
  int64_t PaletteEntryBytes = 4;
  int64_t PixelsAt = 0;             // bfOffBits
  int64_t PixelsEnd = 0;            // end of the pixel data (compressed: of the stream)
};

// One colour channel from its mask: the masked bits scaled to 0..255.
struct TChannel {
  uint32_t Mask = 0;
  int Shift = 0;
  uint64_t Max = 0;

  explicit TChannel(uint32_t mask) : Mask(mask) {
    if (mask == 0) return;
    Shift = std::countr_zero(mask);
    Max = mask >> Shift;
  }
  int Value(uint32_t pixel) const {
    if (Max == 0) return 0;
    const uint64_t value = (pixel & Mask) >> Shift;
    return static_cast<int>((value * 255 * 2 + Max) / (Max * 2));  // rounded
  }
};

void CheckMasks(const TBmpLayout& bmp, const std::string& path) {
  uint32_t seen = 0;
  const uint32_t fits = bmp.Bits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
  for (const uint32_t mask : bmp.Masks) {
    // Contiguous bits: adding the lowest set bit carries through the whole run.
    const bool contiguous = mask == 0 || ((mask + (mask & (~mask + 1))) & mask) == 0;
    if (!contiguous || (mask & seen) != 0 || (mask & ~fits) != 0)
      Refuse(path, "its colour masks are not separate runs of bits within a pixel.");
    seen |= mask;
  }
  if (seen == 0) Refuse(path, "its colour masks are all empty.");
}

TBmpLayout ReadLayout(const uint8_t* data, int64_t size, const std::string& path) {
  TBmpLayout bmp;
  if (size < kFileHeaderSize + 4) Refuse(path, std::string(kTruncated) + ".");
  // bfSize: writers that leave it 0 or count it short are many, one that counts
  // bytes the file does not hold was cut short.
  const uint32_t fileSize = U32(data + 2);
  if (fileSize > size)
    Refuse(path, std::string(kTruncated) + ": its header says the file holds " + Num(fileSize) +
                     " bytes, it has " + Num(size) + ".");
  bmp.PixelsAt = U32(data + 10);
  const uint32_t headerSize = U32(data + kFileHeaderSize);
  const bool core = headerSize == kCoreHeaderSize;
  if (!core && headerSize != kInfoHeaderSize && headerSize != kV2HeaderSize &&
      headerSize != kV3HeaderSize && headerSize != kOs2HeaderSize &&
      headerSize != kV4HeaderSize && headerSize != kV5HeaderSize)
    Refuse(path, "its BMP header of " + Num(headerSize) + " bytes is of no known kind.");
  const int64_t headerEnd = int64_t{kFileHeaderSize} + headerSize;
  if (size < headerEnd) Refuse(path, std::string(kTruncated) + ".");

  const uint8_t* h = data + kFileHeaderSize;
  uint32_t colorsUsed = 0;
  uint32_t imageSize = 0;
  int planes = 0;
  if (core) {
    bmp.Width = U16(h + 4);
    bmp.Height = U16(h + 6);
    planes = U16(h + 8);
    bmp.Bits = U16(h + 10);
    bmp.PaletteEntryBytes = 3;
  } else {
    bmp.Width = static_cast<int32_t>(U32(h + 4));
    bmp.Height = static_cast<int32_t>(U32(h + 8));
    planes = U16(h + 12);
    bmp.Bits = U16(h + 14);
    bmp.Compression = U32(h + 16);
    imageSize = U32(h + 20);
    colorsUsed = U32(h + 32);
  }
  if (bmp.Height < 0) {
    bmp.TopDown = true;
    bmp.Height = -bmp.Height;
  }
  if (planes != 1) Refuse(path, "its header gives " + Num(planes) + " colour planes; a BMP has 1.");
  if (bmp.Width == 0 || bmp.Height == 0) Refuse(path, "the picture is 0 pixels wide or high.");
  if (bmp.Width < 0) Refuse(path, "its header gives a negative width.");
  if (bmp.Width > MaxPictureSide || bmp.Height > MaxPictureSide ||
      bmp.Width * bmp.Height > MaxPicturePixels)
    Refuse(path, "the picture is " + Num(bmp.Width) + " x " + Num(bmp.Height) +
                     " pixels, larger than a circuit may be (at most " + Num(MaxPictureSide) +
                     " pixels a side and " + Num(MaxPicturePixels) + " pixels).");

  const int bits = bmp.Bits;
  const bool knownDepth = core ? (bits == 1 || bits == 4 || bits == 8 || bits == 24)
                               : (bits == 1 || bits == 4 || bits == 8 || bits == 16 ||
                                  bits == 24 || bits == 32);
  if (!knownDepth) Refuse(path, Num(bits) + " bits per pixel is not a depth of this BMP header.");

  // The compression must suit the depth (the OS/2 2.x header gives 3 and 4
  // other meanings, which are not read).
  const uint32_t c = bmp.Compression;
  const bool masked = c == kBitFields || c == kAlphaBitFields;
  const bool suits = c == kRgb || (c == kRle8 && bits == 8) || (c == kRle4 && bits == 4) ||
                     (masked && (bits == 16 || bits == 32) && headerSize != kOs2HeaderSize);
  if (!suits)
    Refuse(path, "compression " + Num(c) + " with " + Num(bits) +
                     " bits per pixel is not a kind of BMP this program reads.");
  const bool rle = c == kRle8 || c == kRle4;
  if (rle && bmp.TopDown) Refuse(path, "a compressed picture cannot be stored top-down.");

  // The colour masks: in the header from version 2 on, else right after it.
  int64_t tableAt = headerEnd;
  if (masked && headerSize == kInfoHeaderSize) tableAt += c == kAlphaBitFields ? 16 : 12;
  // The palette follows: the colours the depth can index, or fewer when the
  // header says so. Pictures of 16 bits and more may carry one they do not use.
  const int64_t indexable = bits <= 8 ? int64_t{1} << bits : 0;
  if (bits <= 8) {
    bmp.PaletteCount = colorsUsed == 0 ? indexable : colorsUsed;
    if (bmp.PaletteCount > indexable)
      Refuse(path, "its palette announces " + Num(colorsUsed) + " colours, more than " +
                       Num(bits) + " bits per pixel can index (" + Num(indexable) + ").");
  }
  const int64_t tableEntries = bits <= 8 ? bmp.PaletteCount : colorsUsed;
  bmp.PaletteAt = tableAt;
  const int64_t tableEnd = tableAt + tableEntries * bmp.PaletteEntryBytes;
  if (bmp.PixelsAt < tableEnd)
    Refuse(path, "its pixels are said to start at byte " + Num(bmp.PixelsAt) +
                     ", inside the header and palette, which end at byte " + Num(tableEnd) + ".");
  if (bmp.PixelsAt >= size)
    Refuse(path, std::string(kTruncated) + ": the pixels would start at byte " +
                     Num(bmp.PixelsAt) + " of " + Num(size) + ".");

  if (masked) {
    for (int i = 0; i < 3; ++i)
      bmp.Masks[i] = U32(data + kFileHeaderSize + kInfoHeaderSize + 4 * i);
    CheckMasks(bmp, path);
  } else if (bits == 16) {
    bmp.Masks = {0x7C00u, 0x03E0u, 0x001Fu};
  } else if (bits == 32) {
    bmp.Masks = {0xFF0000u, 0x00FF00u, 0x0000FFu};
  }

  if (rle) {
    bmp.PixelsEnd = imageSize == 0 ? size : bmp.PixelsAt + imageSize;
    if (bmp.PixelsEnd > size)
      Refuse(path, std::string(kTruncated) + ": the compressed pixels would end at byte " +
                       Num(bmp.PixelsEnd) + " of " + Num(size) + ".");
    // Two bytes give at most 255 pixels: a shorter stream cannot fill the picture.
    if ((bmp.PixelsEnd - bmp.PixelsAt) / 2 * 255 < bmp.Width * bmp.Height)
      Refuse(path, "its " + Num(bmp.PixelsEnd - bmp.PixelsAt) +
                       " bytes of compressed pixels cannot hold " + Num(bmp.Width) + " x " +
                       Num(bmp.Height) + " pixels.");
  } else {
    const int64_t rowBytes = (bmp.Width * bits + 31) / 32 * 4;
    // biSizeImage may be 0 here, and some writers count a few bytes more; fewer
    // than the rows need says the header describes another picture.
    if (imageSize != 0 && imageSize < rowBytes * bmp.Height)
      Refuse(path, "its header says the pixels take " + Num(imageSize) + " bytes, but " +
                       Num(bmp.Width) + " x " + Num(bmp.Height) + " pixels of " + Num(bits) +
                       " bits need " + Num(rowBytes * bmp.Height) + ".");
    bmp.PixelsEnd = bmp.PixelsAt + rowBytes * bmp.Height;
    if (bmp.PixelsEnd > size)
      Refuse(path, std::string(kTruncated) + ": its rows need " + Num(rowBytes * bmp.Height) +
                       " bytes from byte " + Num(bmp.PixelsAt) + ", the file has " + Num(size) +
                       " bytes.");
  }
  return bmp;
}

std::vector<QRgb> ReadPalette(const uint8_t* data, const TBmpLayout& bmp) {
  std::vector<QRgb> palette(static_cast<size_t>(bmp.PaletteCount));
  for (int64_t i = 0; i < bmp.PaletteCount; ++i) {
    const uint8_t* entry = data + bmp.PaletteAt + i * bmp.PaletteEntryBytes;  // blue, green, red
    palette[static_cast<size_t>(i)] = qRgb(entry[2], entry[1], entry[0]);
  }
  return palette;
}

// Writes the pixels of one picture, row by row as the file stores them.
class TPixelWriter {
 public:
  TPixelWriter(QImage& image, const TBmpLayout& bmp, std::vector<QRgb> palette,
               const std::string& path)
      : Image(image), Bmp(bmp), Palette(std::move(palette)), Path(path) {}

  // Row `fileRow` as stored (0 is the bottom row unless the picture is top-down).
  QRgb* Row(int64_t fileRow) const {
    const int64_t y = Bmp.TopDown ? fileRow : Bmp.Height - 1 - fileRow;
    return reinterpret_cast<QRgb*>(Image.scanLine(static_cast<int>(y)));
  }

  QRgb Indexed(uint32_t index, int64_t x, int64_t fileRow) const {
    if (index >= Palette.size()) {
      const int64_t y = Bmp.TopDown ? fileRow : Bmp.Height - 1 - fileRow;
      Refuse(Path, "the pixel at (" + Num(x) + ", " + Num(y) + ") uses colour " + Num(index) +
                       " of a palette of " + Num(static_cast<int64_t>(Palette.size())) +
                       " colours.");
    }
    return Palette[index];
  }

  const TBmpLayout& Layout() const { return Bmp; }
  const std::string& FilePath() const { return Path; }

 private:
  QImage& Image;
  const TBmpLayout& Bmp;
  std::vector<QRgb> Palette;
  const std::string& Path;
};

void DecodeRows(const uint8_t* data, const TPixelWriter& out) {
  const TBmpLayout& bmp = out.Layout();
  const int64_t rowBytes = (bmp.Width * bmp.Bits + 31) / 32 * 4;
  const TChannel red(bmp.Masks[0]), green(bmp.Masks[1]), blue(bmp.Masks[2]);
  for (int64_t row = 0; row < bmp.Height; ++row) {
    const uint8_t* in = data + bmp.PixelsAt + row * rowBytes;
    QRgb* line = out.Row(row);
    for (int64_t x = 0; x < bmp.Width; ++x) {
      switch (bmp.Bits) {
        case 1: line[x] = out.Indexed((in[x / 8] >> (7 - x % 8)) & 1u, x, row); break;
        case 4: line[x] = out.Indexed((in[x / 2] >> (x % 2 ? 0 : 4)) & 0xFu, x, row); break;
        case 8: line[x] = out.Indexed(in[x], x, row); break;
        case 24: line[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]); break;
        default: {
          const uint32_t p = bmp.Bits == 16 ? U16(in + 2 * x) : U32(in + 4 * x);
          line[x] = qRgb(red.Value(p), green.Value(p), blue.Value(p));
        }
      }
    }
  }
}

// Run-length encoded pixels (8 or 4 bits). Runs are written in order, left to
// right and row after row; a stream that ends a row early, skips pixels with a
// delta, runs past a row's end or stops before the last pixel is refused, so no
// pixel is left as the memory held it.
void DecodeRle(const uint8_t* data, const TPixelWriter& out) {
  const TBmpLayout& bmp = out.Layout();
  const std::string& path = out.FilePath();
  const bool four = bmp.Compression == kRle4;
  int64_t at = bmp.PixelsAt;
  int64_t x = 0;
  int64_t row = 0;
  auto where = [&] { return " (row " + Num(row) + " from the bottom, column " + Num(x) + ")"; };
  auto put = [&](int64_t count, auto indexOf) {
    if (row >= bmp.Height || x + count > bmp.Width)
      Refuse(path, "its compressed pixels run past the end of a row" + where() + ".");
    QRgb* line = out.Row(row);
    for (int64_t i = 0; i < count; ++i, ++x) line[x] = out.Indexed(indexOf(i), x, row);
  };
  while (true) {
    if (at + 2 > bmp.PixelsEnd) {
      if (row >= bmp.Height) return;  // every pixel written; the end code is missing
      Refuse(path, std::string(kTruncated) + ": its compressed pixels stop" + where() + ".");
    }
    const int64_t count = data[at];
    const uint8_t code = data[at + 1];
    at += 2;
    if (count > 0) {  // a run of one index, or of two alternating ones
      put(count, [&](int64_t i) -> uint32_t {
        return four ? (i % 2 ? code & 0xFu : code >> 4) : code;
      });
    } else if (code == 0 || code == 1) {  // end of line, end of bitmap
      if (row < bmp.Height && x < bmp.Width)
        Refuse(path, "its compressed pixels end a row early" + where() +
                         ", leaving pixels undefined.");
      if (code == 1) {
        if (row + 1 < bmp.Height)
          Refuse(path, "its compressed pixels end early" + where() + ", leaving pixels undefined.");
        return;
      }
      ++row;
      x = 0;
    } else if (code == 2) {  // delta: skips pixels
      if (at + 2 > bmp.PixelsEnd)
        Refuse(path, std::string(kTruncated) + ": its compressed pixels stop" + where() + ".");
      if (data[at] != 0 || data[at + 1] != 0)
        Refuse(path, "its compressed pixels skip pixels" + where() + ", leaving them undefined.");
      at += 2;
    } else {  // absolute: `code` indices as they are, padded to an even length
      const int64_t bytes = four ? (code + 1) / 2 : code;
      if (at + bytes > bmp.PixelsEnd)
        Refuse(path, std::string(kTruncated) + ": its compressed pixels stop" + where() + ".");
      const uint8_t* in = data + at;
      put(code, [&](int64_t i) -> uint32_t {
        return four ? (i % 2 ? in[i / 2] & 0xFu : in[i / 2] >> 4) : in[i];
      });
      at += bytes + bytes % 2;
    }
  }
}

}  // namespace

std::string PictureReadError(const std::string& path, const std::string& reason) {
  return "Cannot read the circuit picture \"" + path + "\": " + reason;
}

bool IsBmpData(const QByteArray& data) { return data.startsWith("BM"); }

QImage DecodeBmp(const QByteArray& bytes, const std::string& path) {
  const auto* data = reinterpret_cast<const uint8_t*>(bytes.constData());
  const TBmpLayout bmp = ReadLayout(data, bytes.size(), path);
  QImage image(static_cast<int>(bmp.Width), static_cast<int>(bmp.Height), QImage::Format_RGB32);
  if (image.isNull()) Refuse(path, "there is not enough memory for a picture of this size.");
  image.fill(qRgb(0, 0, 0));
  const TPixelWriter writer(image, bmp, ReadPalette(data, bmp), path);
  if (bmp.Compression == kRle8 || bmp.Compression == kRle4) {
    DecodeRle(data, writer);
  } else {
    DecodeRows(data, writer);
  }
  return image;
}

}  // namespace vorlanth
