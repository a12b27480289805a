#include "render/qt_picture.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include <cstdint>
#include <string>

#include "core/error.h"

namespace vorlanth {

namespace {

std::string ReadError(const std::string& path, const std::string& reason) {
  return "Cannot read the circuit picture \"" + path + "\": " + reason;
}

uint32_t ReadU32(const QByteArray& data, qsizetype at) {
  uint32_t v = 0;
  for (int i = 3; i >= 0; --i) v = (v << 8) | static_cast<uint8_t>(data[at + i]);
  return v;
}
uint16_t ReadU16(const QByteArray& data, qsizetype at) {
  return static_cast<uint16_t>(static_cast<uint8_t>(data[at]) |
                               (static_cast<uint8_t>(data[at + 1]) << 8));
}

// Qt decodes a BMP whose pixel rows are cut short and leaves the missing rows
// undefined; the header tells how many bytes the rows take, so such a file is
// refused here. Only headers Qt could decode are looked at; the rest is left to Qt.
void CheckBmpComplete(const QByteArray& data, const std::string& path) {
  if (data.size() < 2 || data[0] != 'B' || data[1] != 'M') return;  // not a BMP
  constexpr qsizetype kFileHeaderSize = 14;
  constexpr qsizetype kCoreHeaderSize = 12;   // OS/2 header: 16-bit sizes
  constexpr qsizetype kInfoHeaderSize = 40;   // Windows header: 32-bit sizes
  const std::string truncated = "the file is cut short (truncated).";
  if (data.size() < kFileHeaderSize + 4) throw Error(ReadError(path, truncated));
  const uint32_t header_size = ReadU32(data, kFileHeaderSize);
  int64_t width = 0;
  int64_t height = 0;
  int bits = 0;
  uint32_t compression = 0;
  if (header_size == kCoreHeaderSize) {
    if (data.size() < kFileHeaderSize + kCoreHeaderSize) throw Error(ReadError(path, truncated));
    width = ReadU16(data, 18);
    height = ReadU16(data, 20);
    bits = ReadU16(data, 24);
  } else if (header_size >= kInfoHeaderSize) {
    if (data.size() < kFileHeaderSize + kInfoHeaderSize) throw Error(ReadError(path, truncated));
    width = static_cast<int32_t>(ReadU32(data, 18));
    height = static_cast<int32_t>(ReadU32(data, 22));
    bits = ReadU16(data, 28);
    compression = ReadU32(data, 30);
  } else {
    return;
  }
  if (width == 0 || height == 0) {
    throw Error(ReadError(path, "the picture is 0 pixels wide or high."));
  }
  constexpr uint32_t kUncompressed = 0;
  constexpr uint32_t kBitFields = 3;
  constexpr uint32_t kAlphaBitFields = 6;
  const bool plain_rows = compression == kUncompressed || compression == kBitFields ||
                          compression == kAlphaBitFields;
  if (!plain_rows || width < 0 || bits <= 0 || bits > 32) return;
  // Rows are padded to 4 bytes; a row is at most 2^31 x 32 bits. The rows the file
  // holds are counted by division: the size of all of them may not fit in 64 bits.
  const int64_t row_bytes = (width * bits + 31) / 32 * 4;
  const int64_t rows = height < 0 ? -height : height;
  const int64_t room = data.size() - int64_t{ReadU32(data, 10)};
  if (room < 0 || room / row_bytes < rows) throw Error(ReadError(path, truncated));
}

}  // namespace

QtPicture::QtPicture(QImage image) : image_(std::move(image)) {
  if (!image_.isNull() && image_.format() != QImage::Format_RGB32) {
    image_ = image_.convertToFormat(QImage::Format_RGB32);
  }
}

TColor QtPicture::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= image_.width() || y >= image_.height()) return 0;
  const QRgb* line = reinterpret_cast<const QRgb*>(image_.constScanLine(y));
  return FromQRgb(line[x]);
}

std::unique_ptr<Picture> QtPicture::Clone() const {
  return std::make_unique<QtPicture>(image_);  // shared until either side is written
}

std::unique_ptr<QtPicture> LoadPicture(const std::string& path) {
  const QString name = QString::fromStdString(path);
  const QFileInfo info(name);
  if (!info.exists()) throw Error(ReadError(path, "the file does not exist."));
  if (info.isDir()) throw Error(ReadError(path, "it is a folder, not a picture file."));

  QFile file(name);
  if (!file.open(QIODevice::ReadOnly)) {
    throw Error(ReadError(path, "the file cannot be opened (" + file.errorString().toStdString() +
                                    ")."));
  }
  QBuffer buffer;
  buffer.setData(file.readAll());
  file.close();
  if (buffer.data().isEmpty()) throw Error(ReadError(path, "the file is empty."));
  CheckBmpComplete(buffer.data(), path);

  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  // The header alone tells an empty picture from an unreadable one.
  const QSize size = reader.size();
  if (size.isValid() && size.isEmpty()) {
    throw Error(ReadError(path, "the picture is 0 pixels wide or high."));
  }
  const QImage image = reader.read();
  if (image.isNull()) throw Error(ReadError(path, "not a readable image."));
  if (image.width() == 0 || image.height() == 0) {
    throw Error(ReadError(path, "the picture is 0 pixels wide or high."));
  }
  return std::make_unique<QtPicture>(image);
}

void SavePicture(const QImage& image, const std::string& path) {
  const std::string failure = "Cannot write the picture \"" + path + "\": ";
  if (image.isNull()) throw Error(failure + "there is no picture to write.");
  QImageWriter writer(QString::fromStdString(path), "bmp");
  if (!writer.write(image)) {
    throw Error(failure + "the file cannot be created or written (" +
                writer.errorString().toStdString() + ").");
  }
}

void SavePicture(const Picture& picture, const std::string& path) {
  SavePicture(PictureToImage(picture), path);
}

QImage PictureToImage(const Picture& picture) {
  if (const auto* qt = dynamic_cast<const QtPicture*>(&picture)) return qt->Image();
  const int32_t width = picture.Width();
  const int32_t height = picture.Height();
  if (width <= 0 || height <= 0) return QImage();
  QImage image(width, height, QImage::Format_RGB32);
  if (image.isNull()) throw Error("Not enough memory for a picture of this size.");
  for (int32_t y = 0; y < height; ++y) {
    QRgb* line = reinterpret_cast<QRgb*>(image.scanLine(y));
    for (int32_t x = 0; x < width; ++x) line[x] = ToQRgb(picture.Pixel(x, y));
  }
  return image;
}

}  // namespace vorlanth
