#include "app/video_recorder.h"

#include <algorithm>
#include <cstdio>
#include <exception>

#include "core/error.h"
#include "render/output_file.h"

namespace vorlanth {

TVideoRecorder::TVideoRecorder(int32_t fps) : fps_(std::clamp(fps, 1, MaxVideoFps)) {}

TVideoRecorder::~TVideoRecorder() { Stop(); }

QString TVideoRecorder::Start(const QString& path) {
  if (writer_) return QStringLiteral("Already recording the film \"%1\": stop it first.").arg(path_);
  const std::string bytes = EncodeFileName(path);
  try {
    CheckOutputName(path, "Cannot write the film \"" + bytes + "\": ");
    TVideoOptions options;
    options.Fps = fps_;
    writer_ = std::make_unique<TVideoWriter>(bytes, options);
  } catch (const std::exception& e) {
    return QString::fromStdString(e.what());
  }
  path_ = path;
  frames_ = 0;
  return {};
}

QString TVideoRecorder::AddFrame(const QImage& picture) {
  if (!writer_) return {};
  QString error;
  try {
    if (picture.isNull()) throw Error("Cannot write the film \"" + EncodeFileName(path_) + "\": there is no picture.");
    // The window draws in RGB32; anything else is converted first.
    const bool direct = picture.format() == QImage::Format_RGB32 || picture.format() == QImage::Format_ARGB32 ||
                        picture.format() == QImage::Format_RGB888;
    const QImage converted = direct ? picture : picture.convertToFormat(QImage::Format_RGB32);
    TVideoFrame frame;
    frame.Pixels = converted.constBits();
    frame.Width = converted.width();
    frame.Height = converted.height();
    frame.Stride = converted.bytesPerLine();
    frame.Layout = converted.format() == QImage::Format_RGB888 ? TPixelLayout::Rgb24 : TPixelLayout::Xrgb32;
    writer_->AddFrame(frame);
    frames_ = writer_->FrameCount();
    return {};
  } catch (const std::exception& e) {
    error = QString::fromStdString(e.what());
  }
  writer_.reset();  // the film's unfinished file goes with it
  return error;
}

QString TVideoRecorder::Stop() {
  if (!writer_) return {};
  const std::unique_ptr<TVideoWriter> writer = std::move(writer_);
  try {
    if (!writer->Finish())
      return QStringLiteral("No frame was recorded (the run did not go on while recording): the film \"%1\" "
                            "was not written.")
          .arg(path_);
  } catch (const std::exception& e) {
    return QString::fromStdString(e.what());
  }
  return {};
}

int64_t TVideoRecorder::FrameCount() const { return frames_; }

QString TVideoRecorder::StatusText() const {
  const int64_t seconds = frames_ / fps_;
  char text[32];
  std::snprintf(text, sizeof text, "REC %02lld:%02lld", static_cast<long long>(seconds / 60),
                static_cast<long long>(seconds % 60));
  return QString::fromLatin1(text);
}

}  // namespace vorlanth
