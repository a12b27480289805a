#include "render/qt_picture.h"

#include <QFileInfo>
#include <QImageReader>
#include <QImageWriter>

#include "core/error.h"

namespace vorlanth {

namespace {

std::string ReadError(const std::string& path, const char* reason) {
  return "Cannot read the circuit picture \"" + path + "\": " + reason;
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

  QImageReader reader(name);
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
