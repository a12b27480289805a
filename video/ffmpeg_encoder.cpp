// The film encoder: FFmpeg's encoder and container opened at the first frame, a
// queue of copied pictures, and a thread of its own that converts and encodes them.

#include "video/ffmpeg_encoder_impl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <condition_variable>
#include <cstdarg>
#include <cstring>
#include <deque>
#include <mutex>
#include <string_view>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "core/error.h"

namespace vorlanth {
namespace {

// The largest side a film takes (H.264's and VP9's encoders go no further).
constexpr int32_t MaxFilmSide = 16384;
// A keyframe every this many seconds of film, so that a player can seek.
constexpr int32_t KeyframeSeconds = 5;
// Bytes gathered before each write to the file.
constexpr int kIoBufferBytes = 1 << 16;

// H.264: x264 at a fast preset and a constant quality that keeps one-pixel lines
// crisp. VP9: libvpx at its real-time speed, constant quality.
constexpr const char* kX264Preset = "veryfast";
constexpr const char* kX264Crf = "20";
constexpr const char* kVpxDeadline = "realtime";
constexpr const char* kVpxCpuUsed = "8";
constexpr const char* kVpxCrf = "30";
// libopenh264 has no constant-quality setting: bits per second.
constexpr int64_t kFallbackBitRate = 2'000'000;

// FFmpeg logs what went wrong before returning a bare code; the last such line is
// kept per thread and added to the error's reason, and nothing is printed.
thread_local std::string tLastLogged;

void KeepLogged(void* context, int level, const char* format, va_list args) {
  if (level > AV_LOG_ERROR) return;
  char line[512];
  int printPrefix = 0;  // without the "[libx264 @ 0x...]" prefix
  av_log_format_line2(context, level, format, args, line, sizeof line, &printPrefix);
  std::string text = line;
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  if (!text.empty()) tLastLogged = text;
}

void QuietLibraries() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_callback(KeepLogged); });
}

}  // namespace

namespace ffmpeg {

std::string AvReason(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_make_error_string(text, sizeof text, code);
  std::string reason = text;
  const std::string logged = std::exchange(tLastLogged, {});
  if (!logged.empty() && logged != reason) reason += ": " + logged;
  return reason;
}

std::string SystemReason(int error) { return std::error_code(error, std::generic_category()).message(); }

}  // namespace ffmpeg

namespace {

using ffmpeg::AvReason;
using ffmpeg::BytesPerPixel;
using ffmpeg::RoundUpToEven;
using ffmpeg::SystemReason;
using ffmpeg::TSlot;

bool TakesYuv420p(const AVCodec* codec) {
  if (codec->pix_fmts == nullptr) return false;
  for (const AVPixelFormat* f = codec->pix_fmts; *f != AV_PIX_FMT_NONE; ++f)
    if (*f == AV_PIX_FMT_YUV420P) return true;
  return false;
}

// Software encoders that take 4:2:0 pictures, best first. Others of the same
// codec in FFmpeg wrap hardware (VA-API, NVENC, OpenMAX, Quick Sync) that a
// machine may lack, so they are not tried.
const AVCodec* FindEncoder(TVideoFormat format) {
  const std::vector<const char*> names = format == TVideoFormat::Mp4H264
                                             ? std::vector<const char*>{"libx264", "libopenh264"}
                                             : std::vector<const char*>{"libvpx-vp9"};
  for (const char* name : names)
    if (const AVCodec* codec = avcodec_find_encoder_by_name(name); codec && TakesYuv420p(codec)) return codec;
  return nullptr;
}


}  // namespace

void TFfmpegEncoder::TImpl::OpenContainer() {
  const char* muxer = Format == TVideoFormat::WebmVp9 ? "webm" : "mp4";
  if (avformat_alloc_output_context2(&Container, nullptr, muxer, nullptr) < 0 || Container == nullptr)
    Fail(std::string("this FFmpeg cannot write ") + muxer + " files");
  auto* buffer = static_cast<unsigned char*>(av_malloc(kIoBufferBytes));
  if (buffer == nullptr) Fail("not enough memory");
  Io = avio_alloc_context(buffer, kIoBufferBytes, 1, this, nullptr, WritePacket, SeekPacket);
  if (Io == nullptr) {
    av_free(buffer);
    Fail("not enough memory");
  }
  Container->pb = Io;
  Container->flags |= AVFMT_FLAG_CUSTOM_IO;
}

void TFfmpegEncoder::TImpl::OpenEncoder(int32_t width, int32_t height) {
  Width = RoundUpToEven(width);
  Height = RoundUpToEven(height);
  Codec = avcodec_alloc_context3(Encoder);
  Packet = av_packet_alloc();
  Picture = av_frame_alloc();
  if (!Codec || !Packet || !Picture) Fail("not enough memory");
  Codec->width = Width;
  Codec->height = Height;
  Codec->pix_fmt = AV_PIX_FMT_YUV420P;
  Codec->time_base = AVRational{1, Options.Fps};
  Codec->framerate = AVRational{Options.Fps, 1};
  Codec->gop_size = KeyframeSeconds * Options.Fps;
  Codec->color_range = AVCOL_RANGE_MPEG;
  Codec->colorspace = AVCOL_SPC_BT709;
  Codec->color_primaries = AVCOL_PRI_BT709;
  Codec->color_trc = AVCOL_TRC_BT709;
  // The encoding thread is the film's only one: the cycle's threads keep the cores.
  Codec->thread_count = 1;
  if (Container->oformat->flags & AVFMT_GLOBALHEADER) Codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  AVDictionary* settings = nullptr;
  if (EncoderName == "libx264") {
    av_dict_set(&settings, "preset", kX264Preset, 0);
    av_dict_set(&settings, "crf", kX264Crf, 0);
  } else if (EncoderName == "libvpx-vp9") {
    av_dict_set(&settings, "deadline", kVpxDeadline, 0);
    av_dict_set(&settings, "cpu-used", kVpxCpuUsed, 0);
    av_dict_set(&settings, "crf", kVpxCrf, 0);
    Codec->bit_rate = 0;  // with crf: constant quality
  } else {
    Codec->bit_rate = kFallbackBitRate;
  }
  const int opened = avcodec_open2(Codec, Encoder, &settings);
  av_dict_free(&settings);
  if (opened < 0) Fail("the encoder " + EncoderName + " cannot be opened (" + AvReason(opened) + ")");

  Stream = avformat_new_stream(Container, nullptr);
  if (Stream == nullptr) Fail("not enough memory");
  Stream->time_base = Codec->time_base;
  Stream->avg_frame_rate = Codec->framerate;
  if (avcodec_parameters_from_context(Stream->codecpar, Codec) < 0) Fail("not enough memory");
  CheckWritten(avformat_write_header(Container, nullptr));

  Picture->format = AV_PIX_FMT_YUV420P;
  Picture->width = Width;
  Picture->height = Height;
  if (av_frame_get_buffer(Picture, 0) < 0) Fail("not enough memory");
}

// Hands a picture to the encoder (nullptr: flush it) and writes what comes out.
void TFfmpegEncoder::TImpl::Send(AVFrame* frame) {
  const int sent = avcodec_send_frame(Codec, frame);
  if (sent < 0) Fail("the encoder " + EncoderName + " failed (" + AvReason(sent) + ")");
  for (;;) {
    const int received = avcodec_receive_packet(Codec, Packet);
    if (received == AVERROR(EAGAIN) || received == AVERROR_EOF) return;
    if (received < 0) Fail("the encoder " + EncoderName + " failed (" + AvReason(received) + ")");
    av_packet_rescale_ts(Packet, Codec->time_base, Stream->time_base);
    Packet->stream_index = Stream->index;
    CheckWritten(av_interleaved_write_frame(Container, Packet));
  }
}

void TFfmpegEncoder::TImpl::MarkFailed(const std::string& text) {
  std::lock_guard lock(Mutex);
  if (!Failed) FailureText = text;
  Failed = true;
}

void TFfmpegEncoder::TImpl::Loop() {
  for (;;) {
    TSlot* slot = nullptr;
    bool skip = false;
    {
      std::unique_lock lock(Mutex);
      WorkReady.wait(lock, [&] { return !Ready.empty() || Closing; });
      if (Ready.empty()) return;
      slot = Ready.front();
      Ready.pop_front();
      skip = Failed || Abandon;
    }
    if (!skip) {
      try {
        Encode(*slot);
      } catch (const Error& e) {
        MarkFailed(e.what());
      } catch (const std::exception& e) {
        MarkFailed(Failure + e.what() + ".");
      }
    }
    {
      std::lock_guard lock(Mutex);
      Free.push_back(slot);
    }
    SpaceFree.notify_all();
  }
}

void TFfmpegEncoder::TImpl::StopWorker(bool abandon) {
  if (!Worker.joinable()) return;
  {
    std::lock_guard lock(Mutex);
    Closing = true;
    Abandon = Abandon || abandon;
  }
  WorkReady.notify_all();
  Worker.join();
}

void TFfmpegEncoder::TImpl::FreeCodec() {
  avcodec_free_context(&Codec);
  av_frame_free(&Picture);
  av_packet_free(&Packet);
  if (Container) {
    avformat_free_context(Container);  // the stream with it; the file is ours
    Container = nullptr;
    Stream = nullptr;
  }
  if (Io) {
    av_freep(&Io->buffer);
    avio_context_free(&Io);
  }
}

void TFfmpegEncoder::TImpl::Discard() {
  FreeCodec();
  // An unnamed file goes with its last descriptor.
  for (int* fd : {&Fd, &LinkFd})
    if (*fd >= 0) ::close(std::exchange(*fd, -1));
  if (!TemporaryPath.empty()) ::unlink(TemporaryPath.c_str());
  TemporaryPath.clear();
}

TFfmpegEncoder::TFfmpegEncoder(const std::string& path, const TVideoOptions& options) : Impl(std::make_unique<TImpl>()) {
  QuietLibraries();
  TImpl& w = *Impl;
  w.Path = path;
  w.Options = options;
  w.Format = VideoFormatOf(path);
  w.Failure = "Cannot write the film \"" + path + "\": ";
  if (path.empty()) throw Error("Cannot write a film without a file name.");
  if (options.Fps < 1 || options.Fps > MaxVideoFps)
    w.Fail("the frame rate " + std::to_string(options.Fps) + " is not from 1 to " + std::to_string(MaxVideoFps) +
           " frames per second");
  if (options.QueueFrames < 1) w.Fail("the queue needs at least one frame");
  w.Encoder = FindEncoder(w.Format);
  if (w.Encoder == nullptr)
    w.Fail(w.Format == TVideoFormat::Mp4H264
               ? "this FFmpeg has no H.264 encoder (its libavcodec was built without libx264 and libopenh264): "
                 "install a libavcodec with libx264, or name the film *.webm to record VP9"
               : "this FFmpeg has no VP9 encoder (its libavcodec was built without libvpx): install a "
                 "libavcodec with libvpx, or name the film *.mp4 to record H.264");
  w.EncoderName = w.Encoder->name;
  w.OpenContainer();
  w.CreateFile();
}

TFfmpegEncoder::~TFfmpegEncoder() = default;

void TFfmpegEncoder::AddFrame(const TVideoFrame& frame) {
  TImpl& w = *Impl;
  {
    std::lock_guard lock(w.Mutex);
    if (w.Failed) throw Error(w.FailureText);
  }
  if (w.Finished) w.Fail("the film is already finished");
  const int64_t rowBytes = static_cast<int64_t>(frame.Width) * BytesPerPixel(frame.Layout);
  if (frame.Pixels == nullptr || frame.Width <= 0 || frame.Height <= 0)
    w.Fail("the picture is empty");
  if (frame.Width > MaxFilmSide || frame.Height > MaxFilmSide)
    w.Fail("the picture is " + std::to_string(frame.Width) + " x " + std::to_string(frame.Height) +
           " pixels, and a film is at most " + std::to_string(MaxFilmSide) + " pixels on a side");
  if (frame.Stride < rowBytes) w.Fail("the picture's rows overlap (a stride shorter than a row)");

  if (!w.Opened) {
    // The first frame sets the film's size: the encoder and the container open now.
    try {
      w.OpenEncoder(frame.Width, frame.Height);
    } catch (const Error& e) {
      w.MarkFailed(e.what());
      throw;
    }
    w.Opened = true;
    w.Slots.resize(static_cast<size_t>(w.Options.QueueFrames));
    for (TSlot& slot : w.Slots) w.Free.push_back(&slot);
    w.Worker = std::thread([&w] { w.Loop(); });
  }

  TSlot* slot = nullptr;
  {
    std::unique_lock lock(w.Mutex);
    if (w.Free.empty() && w.Options.Hooks.QueueFull) w.Options.Hooks.QueueFull(w.HandedOver);
    w.SpaceFree.wait(lock, [&] { return !w.Free.empty() || w.Failed; });
    if (w.Failed) throw Error(w.FailureText);
    slot = w.Free.back();
    w.Free.pop_back();
  }
  w.Copy(*slot, frame);
  {
    std::lock_guard lock(w.Mutex);
    w.Ready.push_back(slot);
    ++w.HandedOver;
  }
  w.WorkReady.notify_one();
}

bool TFfmpegEncoder::Finish() {
  TImpl& w = *Impl;
  if (w.Finished) {
    std::lock_guard lock(w.Mutex);
    if (w.Failed) throw Error(w.FailureText);
    w.Fail("the film is already finished");
  }
  w.Finished = true;
  w.StopWorker(false);
  if (w.Failed) {
    w.Discard();
    throw Error(w.FailureText);
  }
  if (w.HandedOver == 0) {
    w.Discard();
    return false;
  }
  try {
    w.Send(nullptr);
    w.CheckWritten(av_write_trailer(w.Container));
    avio_flush(w.Io);
    w.CheckWritten(0);
    // What a full disk may still refuse shows at the sync or the close. An unnamed
    // file lives while a descriptor holds it: a second one keeps it for the link,
    // so that the close can still refuse the film before it takes its name.
    if (::fsync(w.Fd) != 0) w.Fail(SystemReason(errno));
    if (w.TemporaryPath.empty() && (w.LinkFd = ::fcntl(w.Fd, F_DUPFD_CLOEXEC, 0)) < 0) w.Fail(SystemReason(errno));
    const int fd = std::exchange(w.Fd, -1);
    if (::close(fd) != 0) w.Fail(SystemReason(errno));
    w.Place();
    if (w.LinkFd >= 0) ::close(std::exchange(w.LinkFd, -1));
  } catch (const Error& e) {
    w.MarkFailed(e.what());
    w.Discard();
    throw;
  }
  w.FreeCodec();
  return true;
}

bool TFfmpegEncoder::Failed() const {
  std::lock_guard lock(Impl->Mutex);
  return Impl->Failed;
}

int64_t TFfmpegEncoder::FrameCount() const { return Impl->HandedOver; }
int32_t TFfmpegEncoder::Fps() const { return Impl->Options.Fps; }
int32_t TFfmpegEncoder::Width() const { return Impl->Width; }
int32_t TFfmpegEncoder::Height() const { return Impl->Height; }
const std::string& TFfmpegEncoder::Path() const { return Impl->Path; }
const std::string& TFfmpegEncoder::EncoderName() const { return Impl->EncoderName; }

}  // namespace vorlanth

// What the module gives TVideoWriter: a new encoder (owned by the caller), or an
// Error saying why there can be none.
extern "C" __attribute__((visibility("default"))) vorlanth::TVideoEncoder* VorlanthNewVideoEncoder(
    const std::string& path, const vorlanth::TVideoOptions& options) {
  return new vorlanth::TFfmpegEncoder(path, options);
}
