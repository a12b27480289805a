#pragma once
// Recording the run as a film, for the window's File > "Record video…".
//
// No widgets: the window starts it with the name the user chose, hands it the
// picture of every cycle that runs (paused cycles add nothing, so the film
// follows the run), shows StatusText() while it records, and stops it when the
// item is unchecked or the window quits. Every operation returns an error text,
// empty when all went well; after an error the recording has stopped and no
// file is left under the film's name.
//
// The film's clock is simulated time: one frame per cycle at Fps() frames per
// second (10 by default: one cycle of 0.1 s per frame, the film runs in real time).

#include <QImage>
#include <QString>

#include <cstdint>
#include <memory>

#include "video/video_writer.h"

namespace vorlanth {

class TVideoRecorder {
 public:
  explicit TVideoRecorder(int32_t fps = DefaultVideoFps);
  // A film in progress is finished as Stop() finishes it.
  ~TVideoRecorder();
  TVideoRecorder(const TVideoRecorder&) = delete;
  TVideoRecorder& operator=(const TVideoRecorder&) = delete;

  // Begins a film under `path` (*.webm: VP9 in WebM; any other name: H.264 in MP4).
  // Refused while recording, for a name that is a folder or a link, and when the
  // file cannot be created.
  QString Start(const QString& path);
  // The picture of the cycle just run. Does nothing when not recording. Waits
  // only when the encoder is several frames behind.
  QString AddFrame(const QImage& picture);
  // Completes the film and gives it its name; empty when not recording. A film
  // without a frame is not written, and the text says so.
  QString Stop();

  bool IsRecording() const { return writer_ != nullptr; }
  int32_t Fps() const { return fps_; }
  int64_t FrameCount() const;  // frames of the film in progress (or of the last one)
  QString FileName() const { return path_; }
  // "REC mm:ss": the film's length so far at Fps(), in simulated time.
  QString StatusText() const;

 private:
  int32_t fps_;
  QString path_;
  int64_t frames_ = 0;
  std::unique_ptr<TVideoWriter> writer_;
};

}  // namespace vorlanth
