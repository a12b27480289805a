#pragma once
// The circuit picture held in a QImage, and reading and writing BMP files.
//
// The image is always kept in QImage::Format_RGB32 (0xFFRRGGBB per pixel), so a
// pixel is read straight from its scan line.

#include <QIODevice>
#include <QImage>
#include <QRgb>

#include <memory>
#include <string>

#include "core/color.h"
#include "world2d/canvas.h"

namespace vorlanth {

// Colour value (red in the lowest byte) to an opaque Qt pixel, and back.
inline QRgb ToQRgb(TColor color) {
  const uint32_t c = static_cast<uint32_t>(color);
  return qRgb(static_cast<int>(c & 0xFFu), static_cast<int>((c >> 8) & 0xFFu),
              static_cast<int>((c >> 16) & 0xFFu));
}
inline TColor FromQRgb(QRgb pixel) {
  return static_cast<TColor>(qRed(pixel) + 256 * qGreen(pixel) + 65536 * qBlue(pixel));
}

class QtPicture : public Picture {
 public:
  // Takes the image, converting it to Format_RGB32 when needed.
  explicit QtPicture(QImage image);

  int32_t Width() const override { return image_.width(); }
  int32_t Height() const override { return image_.height(); }
  // Outside the picture the colour is black (wall), so a stray read cannot go
  // out of the pixel buffer.
  TColor Pixel(int32_t x, int32_t y) const override;
  std::unique_ptr<Picture> Clone() const override;

  // The image itself, for the window. Whoever changes it keeps it in Format_RGB32.
  const QImage& Image() const { return image_; }
  QImage& Image() { return image_; }

 private:
  QImage image_;
};

// Reads a circuit picture: a BMP through the bench's own reader (bmp_reader.h), a
// PNG, JPEG or GIF through Qt. `path` is the file name's bytes, opened as they are.
// Only a regular file of bounded size is read, and nothing is decoded before it is
// read whole. Throws Error naming the file and the reason when it is missing, not
// a regular file, too large, not a picture read faithfully, or 0 pixels wide or high.
std::unique_ptr<QtPicture> LoadPicture(const std::string& path);

// Writes all of `data`, writing again after short writes; false when a write
// fails, with the device's error string saying why.
bool WriteFully(QIODevice& device, const char* data, qint64 size);

// Writes the image as a BMP file, under a temporary name until every byte is
// written; throws Error naming the file and the system's reason when it cannot be,
// or when the name is refused as an output's (output_file.h). `path` is the
// file name's bytes.
void SavePicture(const QImage& image, const std::string& path);
void SavePicture(const Picture& picture, const std::string& path);

// Any picture as an RGB32 image (a shared copy for a QtPicture).
QImage PictureToImage(const Picture& picture);

}  // namespace vorlanth
