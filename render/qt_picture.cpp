#include "render/qt_picture.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>
#include <QImageWriter>
#include <QSaveFile>
#include <QStringList>
#include <QtGlobal>

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <string>

#include "core/error.h"
#include "render/bmp_reader.h"
#include "render/palette_marker.h"
#include "render/output_file.h"

namespace vorlanth {

namespace {

// The largest circuit file read: an uncompressed 32-bit picture of the largest size.
constexpr int64_t kMaxFileBytes = MaxPicturePixels * 4 + (int64_t{1} << 20);

std::string SystemReason(int error) { return std::strerror(error); }

// The whole file, read only when it is a regular file of at most kMaxFileBytes:
// a device such as /dev/zero or a pipe is refused before anything is read, and
// opening never waits for a writer.
QByteArray ReadCircuitFile(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    const int error = errno;
    if (error == ENOENT) throw Error(PictureReadError(path, "the file does not exist."));
    throw Error(PictureReadError(path, "the file cannot be opened (" + SystemReason(error) + ")."));
  }
  struct Closer {
    int fd;
    ~Closer() { ::close(fd); }
  } closer{fd};
  struct stat info {};
  if (::fstat(fd, &info) != 0)
    throw Error(PictureReadError(path, "the file cannot be read (" + SystemReason(errno) + ")."));
  if (S_ISDIR(info.st_mode)) throw Error(PictureReadError(path, "it is a folder, not a picture file."));
  if (!S_ISREG(info.st_mode))
    throw Error(PictureReadError(path, "it is not a regular file (a device, a pipe or a socket)."));
  if (info.st_size > kMaxFileBytes)
    throw Error(PictureReadError(path, "the file holds " + std::to_string(info.st_size) +
                                           " bytes, more than a circuit picture may (" +
                                           std::to_string(kMaxFileBytes) + ")."));
  // The file may still grow while it is read: never more than the cap plus one byte.
  QByteArray data;
  data.resize(static_cast<qsizetype>(info.st_size) + 1);
  qsizetype used = 0;
  while (used < data.size()) {
    const ssize_t got = ::read(fd, data.data() + used, static_cast<size_t>(data.size() - used));
    if (got < 0 && errno == EINTR) continue;
    if (got < 0)
      throw Error(PictureReadError(path, "the file cannot be read (" + SystemReason(errno) + ")."));
    if (got == 0) break;
    used += got;
    if (used == data.size() && data.size() <= kMaxFileBytes) data.resize(data.size() + 65536);
  }
  if (used > kMaxFileBytes)
    throw Error(PictureReadError(path, "the file grows beyond what a circuit picture may hold."));
  data.truncate(used);
  if (data.isEmpty()) throw Error(PictureReadError(path, "the file is empty."));
  return data;
}

// Qt's image plugins print what they find wrong in a file as warnings, and
// libpng prints its errors on stderr itself. While a circuit is decoded (one
// decoding at a time), both are kept instead, to be told in the error message:
// the decoding thread's Qt messages, and whatever reaches stderr. Other threads'
// Qt messages go on to the handler installed before, and when the picture is
// read, what reached stderr is passed on, as it may not be the decoder's.
class TDecoderMessages {
 public:
  TDecoderMessages() : lock_(Decoding()) {
    Kept() = &said_;
    Previous().store(qInstallMessageHandler(&Keep));
    std::fflush(stderr);
    stderr_ = std::tmpfile();
    if (stderr_) savedFd_ = ::dup(STDERR_FILENO);
    if (savedFd_ >= 0 && ::dup2(::fileno(stderr_), STDERR_FILENO) < 0) {
      ::close(savedFd_);
      savedFd_ = -1;
    }
  }
  ~TDecoderMessages() {
    const QByteArray printed = Printed();
    if (savedFd_ >= 0) {
      ::dup2(savedFd_, STDERR_FILENO);
      ::close(savedFd_);
    }
    if (stderr_) std::fclose(stderr_);
    qInstallMessageHandler(Previous().load());
    Kept() = nullptr;
    if (!told_ && !printed.isEmpty()) std::fwrite(printed.constData(), 1, printed.size(), stderr);
  }
  TDecoderMessages(const TDecoderMessages&) = delete;
  TDecoderMessages& operator=(const TDecoderMessages&) = delete;

  // " (what was said; ...)", or nothing when nothing was said.
  std::string Said() {
    told_ = true;
    QStringList said = said_;
    for (const QByteArray& line : Printed().split('\n'))
      if (!line.trimmed().isEmpty()) said << QString::fromLocal8Bit(line.trimmed());
    return said.isEmpty() ? std::string() : " (" + said.join(QStringLiteral("; ")).toStdString() + ")";
  }

 private:
  static std::mutex& Decoding() {
    static std::mutex mutex;
    return mutex;
  }
  static QStringList*& Kept() {
    thread_local QStringList* kept = nullptr;
    return kept;
  }
  static std::atomic<QtMessageHandler>& Previous() {
    static std::atomic<QtMessageHandler> previous{nullptr};
    return previous;
  }
  static void Keep(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (QStringList* kept = Kept(); kept && type != QtFatalMsg) {
      kept->append(message.trimmed());
    } else if (const QtMessageHandler previous = Previous().load()) {
      previous(type, context, message);
    } else {
      std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
    }
  }

  // What reached stderr so far (at most a few kilobytes are kept).
  QByteArray Printed() const {
    if (savedFd_ < 0) return {};
    std::fflush(stderr);
    QByteArray bytes(4096, '\0');
    const ssize_t got = ::pread(::fileno(stderr_), bytes.data(), static_cast<size_t>(bytes.size()), 0);
    bytes.truncate(got > 0 ? got : 0);
    return bytes;
  }

  std::lock_guard<std::mutex> lock_;
  QStringList said_;
  std::FILE* stderr_ = nullptr;  // stands in for stderr
  int savedFd_ = -1;             // the real stderr while it does
  bool told_ = false;            // Said() folded what was said into an error
};

// Pictures of other formats are left to Qt, but only those whose decoders write
// every pixel or fail: PNG, JPEG and GIF. A palette's missing colours are marked
// first (palette_marker.h), so that a pixel beyond the palette is refused.
QImage DecodeOtherFormat(const QByteArray& data, const std::string& path) {
  TDecoderMessages messages;
  const TMarkedPalette palette = MarkPalette(data);
  QBuffer buffer;
  buffer.setData(palette.Data);
  buffer.open(QIODevice::ReadOnly);
  QImageReader reader(&buffer);
  reader.setDecideFormatFromContent(true);
  const QByteArray format = reader.format().toLower();
  if (format != "png" && format != "jpeg" && format != "jpg" && format != "gif")
    throw Error(PictureReadError(path, "not a readable image (a BMP, PNG, JPEG or GIF picture)."));
  // The header alone tells an empty picture from an unreadable one.
  const QSize size = reader.size();
  if (size.isValid() && size.isEmpty()) {
    throw Error(PictureReadError(path, "the picture is 0 pixels wide or high."));
  }
  if (size.isValid() && (size.width() > MaxPictureSide || size.height() > MaxPictureSide ||
                         int64_t{size.width()} * size.height() > MaxPicturePixels))
    throw Error(PictureReadError(path, "the picture is larger than a circuit may be."));
  const QImage image = reader.read();
  if (image.isNull()) throw Error(PictureReadError(path, "not a readable image" + messages.Said() + "."));
  if (image.width() == 0 || image.height() == 0) {
    throw Error(PictureReadError(path, "the picture is 0 pixels wide or high."));
  }
  RefuseMarkedPixels(image, palette, path);
  return image;
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
  const QByteArray data = ReadCircuitFile(path);
  return std::make_unique<QtPicture>(IsBmpData(data) ? DecodeBmp(data, path)
                                                     : DecodeOtherFormat(data, path));
}

bool WriteFully(QIODevice& device, const char* data, qint64 size) {
  // A short write (a disk filling up) is no error yet: the rest is written again,
  // and the write that fails then carries the system's reason.
  while (size > 0) {
    const qint64 written = device.write(data, size);
    if (written <= 0) return false;
    data += written;
    size -= written;
  }
  return true;
}

void SavePicture(const QImage& image, const std::string& path) {
  const std::string failure = "Cannot write the picture \"" + path + "\": ";
  if (image.isNull()) throw Error(failure + "there is no picture to write.");
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "bmp");
  if (!writer.write(image))
    throw Error(failure + "the picture cannot be encoded (" + writer.errorString().toStdString() +
                ").");
  // Written under a unique temporary name and put in place only when every byte
  // was written: a failure leaves no picture cut short under the frame's name.
  QSaveFile file(OutputName(path, failure));
  if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
    throw Error(failure + "the file cannot be created (" + file.errorString().toStdString() + ").");
  if (!WriteFully(file, bytes.constData(), bytes.size()) || !file.commit())
    throw Error(failure + "the file cannot be written (" + file.errorString().toStdString() + ").");
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
