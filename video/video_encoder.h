#pragma once
// What a film's encoder does for TVideoWriter (video_writer.h says how), and the
// name under which the encoder's module gives a new one. The module holds FFmpeg's
// libraries and is loaded only when a film is made.

#include <cstdint>
#include <string>

#include "video/video_writer.h"

namespace vorlanth {

class TVideoEncoder {
 public:
  virtual ~TVideoEncoder() = default;
  virtual void AddFrame(const TVideoFrame& frame) = 0;
  virtual bool Finish() = 0;
  virtual bool Failed() const = 0;
  virtual int64_t FrameCount() const = 0;
  virtual int32_t Fps() const = 0;
  virtual int32_t Width() const = 0;
  virtual int32_t Height() const = 0;
  virtual const std::string& Path() const = 0;
  virtual const std::string& EncoderName() const = 0;
};

// The module's entry: a new encoder the caller owns, or throws Error saying why.
using TNewVideoEncoder = TVideoEncoder* (*)(const std::string& path, const TVideoOptions& options);
inline constexpr const char* NewVideoEncoderSymbol = "VorlanthNewVideoEncoder";

}  // namespace vorlanth
