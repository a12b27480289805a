#pragma once
// Inside the film module: the encoder with its queue and thread, and the film's
// file. ffmpeg_encoder.cpp opens, feeds and closes the encoder; ffmpeg_picture.cpp
// copies and converts each picture; ffmpeg_file.cpp creates, writes and names the
// file.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswscale/swscale.h>
}

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "video/video_encoder.h"

namespace vorlanth {
namespace ffmpeg {

// An FFmpeg error code as words, with what FFmpeg logged last on this thread.
std::string AvReason(int code);
// A system error number as words.
std::string SystemReason(int error);

// The film's sides are even (4:2:0 halves them).
inline int32_t RoundUpToEven(int32_t n) { return n + (n & 1); }
inline int32_t BytesPerPixel(TPixelLayout layout) { return layout == TPixelLayout::Xrgb32 ? 4 : 3; }

struct TSlot {
  std::vector<uint8_t> Pixels;
  int32_t Width = 0;   // pixels
  int32_t Height = 0;  // pixels
  int64_t Stride = 0;  // bytes
  TPixelLayout Layout = TPixelLayout::Xrgb32;
  bool Whole = true;   // the film's size, padded; else scaled into it
};

// A colour converter from one source to one destination size, kept while they stay.
struct TScaler {
  SwsContext* Context = nullptr;
  int32_t SourceWidth = 0, SourceHeight = 0, Width = 0, Height = 0;
  AVPixelFormat Source = AV_PIX_FMT_NONE;

  ~TScaler() { sws_freeContext(Context); }

  SwsContext* For(int32_t sourceWidth, int32_t sourceHeight, AVPixelFormat source, int32_t width, int32_t height) {
    if (Context && sourceWidth == SourceWidth && sourceHeight == SourceHeight && source == Source &&
        width == Width && height == Height)
      return Context;
    sws_freeContext(Context);
    Context = sws_getContext(sourceWidth, sourceHeight, source, width, height, AV_PIX_FMT_YUV420P,
                             SWS_BICUBIC, nullptr, nullptr, nullptr);
    if (Context == nullptr) return nullptr;
    SourceWidth = sourceWidth, SourceHeight = sourceHeight, Source = source, Width = width, Height = height;
    // Full-range RGB to limited-range BT.709, as the stream is tagged.
    sws_setColorspaceDetails(Context, sws_getCoefficients(SWS_CS_DEFAULT), 1, sws_getCoefficients(SWS_CS_ITU709),
                             0, 0, 1 << 16, 1 << 16);
    return Context;
  }
};

}  // namespace ffmpeg

// The encoder behind TVideoWriter, in a module of its own (with FFmpeg's
// libraries): loaded the first time a film is made.
class TFfmpegEncoder final : public TVideoEncoder {
 public:
  TFfmpegEncoder(const std::string& path, const TVideoOptions& options);
  ~TFfmpegEncoder() override;
  void AddFrame(const TVideoFrame& frame) override;
  bool Finish() override;
  bool Failed() const override;
  int64_t FrameCount() const override;
  int32_t Fps() const override;
  int32_t Width() const override;
  int32_t Height() const override;
  const std::string& Path() const override;
  const std::string& EncoderName() const override;

 private:
  struct TImpl;
  std::unique_ptr<TImpl> Impl;
};

struct TFfmpegEncoder::TImpl {
  // What the writer was given.
  std::string Path;
  TVideoOptions Options;
  TVideoFormat Format = TVideoFormat::Mp4H264;
  std::string Failure;  // "Cannot write the film "...": " — each error's beginning

  // The file: unnamed until it is complete, so that a process that dies leaves
  // nothing; where the file system has no unnamed files, under a temporary name
  // beside the film's.
  std::string TemporaryPath;  // the temporary name; empty for an unnamed file, or once renamed or removed
  int Fd = -1;
  int LinkFd = -1;            // an unnamed file's second descriptor, which keeps it for the link
  int64_t Written = 0;        // bytes
  int WriteErrno = 0;         // the system's reason of the first failed write

  // The encoder and the container; the caller's thread opens them at the first
  // frame, the encoding thread uses them, the caller's thread closes them after
  // joining it.
  const AVCodec* Encoder = nullptr;
  std::string EncoderName;
  AVFormatContext* Container = nullptr;
  AVIOContext* Io = nullptr;
  AVCodecContext* Codec = nullptr;
  AVStream* Stream = nullptr;
  AVFrame* Picture = nullptr;
  AVPacket* Packet = nullptr;
  ffmpeg::TScaler WholeScaler, FittedScaler;
  int32_t Width = 0, Height = 0;  // the film's size, pixels
  int64_t NextPts = 0;            // frames encoded

  // The queue: slots free for the caller, slots ready for the encoder.
  std::vector<ffmpeg::TSlot> Slots;
  std::vector<ffmpeg::TSlot*> Free;
  std::deque<ffmpeg::TSlot*> Ready;
  std::mutex Mutex;
  std::condition_variable SpaceFree, WorkReady;
  bool Closing = false;   // no more frames: drain and stop
  bool Abandon = false;   // drain without encoding
  bool Failed = false;
  std::string FailureText;
  std::thread Worker;
  int64_t HandedOver = 0;  // frames accepted (the caller's thread only)
  bool Opened = false;     // the encoder, at the first frame
  bool Finished = false;

  ~TImpl() {
    StopWorker(true);
    Discard();
  }

  [[noreturn]] void Fail(const std::string& reason) { throw Error(Failure + reason + "."); }

  void CreateFile();
  void CreateNamedFile();
  // Gives the complete file the film's name, replacing a file of that name at once.
  void Place();
  void OpenContainer();
  void OpenEncoder(int32_t width, int32_t height);
  void Copy(ffmpeg::TSlot& slot, const TVideoFrame& frame) const;
  void Encode(ffmpeg::TSlot& slot);
  void Send(AVFrame* frame);
  void Loop();
  void StopWorker(bool abandon);
  void MarkFailed(const std::string& text);
  // Closes everything and removes the temporary file.
  void Discard();
  void FreeCodec();

  // The file's bytes go through these, so that a failed write carries the system's reason.
#if LIBAVFORMAT_VERSION_MAJOR >= 61
  static int WritePacket(void* opaque, const uint8_t* data, int size) {
#else
  static int WritePacket(void* opaque, uint8_t* data, int size) {
#endif
    return static_cast<TImpl*>(opaque)->WriteBytes(data, size);
  }
  static int64_t SeekPacket(void* opaque, int64_t offset, int whence) {
    return static_cast<TImpl*>(opaque)->SeekTo(offset, whence);
  }
  int WriteBytes(const uint8_t* data, int size);
  int64_t SeekTo(int64_t offset, int whence);
  [[noreturn]] void FailWrite(int code) {
    Fail(WriteErrno != 0 ? ffmpeg::SystemReason(WriteErrno) : ffmpeg::AvReason(code));
  }
  void CheckWritten(int code) {
    if (code < 0 || Io->error < 0) FailWrite(code < 0 ? code : Io->error);
  }
};

}  // namespace vorlanth
