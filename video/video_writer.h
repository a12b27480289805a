#pragma once
// Films of a run: pictures in, an H.264 MP4 (or a VP9 WebM) out.
//
// The caller hands over one picture per cycle; the writer copies it into a slot
// of a small queue and returns, and a thread of its own converts the slot to
// YUV 4:2:0, encodes it and writes the packets. When every slot is taken (the
// encoder has fallen behind), AddFrame waits for one: no picture is dropped and
// memory stays bounded.
//
// The film is written to a file without a name in its folder (O_TMPFILE), which
// takes its name only when the encoder was flushed and the file synced and
// closed: linked to the name when that is free, else linked to a temporary name
// beside it and renamed over the file there at once. A process that dies before
// (even by SIGKILL) leaves nothing under any name. Where the file system has no
// unnamed files, the film is written under a temporary name beside its own
// ("film.mp4.k3Xq9Z") instead, which such a death leaves behind. A failure (a
// full disk, a folder that cannot be written, an encoder that refuses) throws
// Error with the system's or the encoder's reason, and the file is removed:
// nothing is left that looks like a complete film.
//
// The film's size is the first picture's, rounded up to even (4:2:0 halves the
// chroma in both directions): an odd column or row is padded with copies of the
// picture's edge pixels. A later picture of another size is scaled into the
// film, keeping its proportions, centred on black.
//
// No FFmpeg type appears here: the encoder lives behind TImpl.

#include <cctype>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace vorlanth {

class TVideoEncoder;

// One cycle (0.1 s) per frame: the film runs in simulated real time.
inline constexpr int32_t DefaultVideoFps = 10;
inline constexpr int32_t MaxVideoFps = 120;
// Pictures waiting for the encoder at most: a cycle hands over its picture at
// once unless this many are already waiting.
inline constexpr int32_t VideoQueueFrames = 4;

enum class TPixelLayout {
  Xrgb32,  // 32-bit words 0xffRRGGBB in the machine's byte order (QImage's RGB32 and ARGB32)
  Rgb24,   // bytes R, G, B (QImage's RGB888)
};

// A picture the caller owns; the writer copies it before AddFrame returns.
struct TVideoFrame {
  const uint8_t* Pixels = nullptr;  // the first row
  int32_t Width = 0;                // pixels
  int32_t Height = 0;               // pixels
  int64_t Stride = 0;               // bytes from the start of one row to the next
  TPixelLayout Layout = TPixelLayout::Xrgb32;
};

enum class TVideoFormat {
  Mp4H264,  // any name but *.webm
  WebmVp9,  // a name ending with .webm, in any case
};

inline TVideoFormat VideoFormatOf(const std::string& path) {
  constexpr std::string_view webm = ".webm";
  if (path.size() < webm.size()) return TVideoFormat::Mp4H264;
  std::string tail = path.substr(path.size() - webm.size());
  for (char& c : tail) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return tail == webm ? TVideoFormat::WebmVp9 : TVideoFormat::Mp4H264;
}

// Ways for the tests to reach into the writer; empty in the program.
struct TVideoTestHooks {
  // On the encoding thread, before the frame of that number (0, 1, ...) is converted.
  std::function<void(int64_t frame)> BeforeEncode;
  // On the caller's thread, under the queue's lock, when AddFrame finds every slot
  // taken and is about to wait: `handedOver` frames were accepted so far.
  std::function<void(int64_t handedOver)> QueueFull;
  // Before each write to the file, with the bytes written so far; a non-zero errno
  // value returned fails that write as the system would (ENOSPC: a full disk).
  std::function<int(int64_t written)> WriteError;
  // As on a file system without unnamed files: the film is written under a
  // temporary name beside its own.
  bool NamedTemporary = false;
};

struct TVideoOptions {
  int32_t Fps = DefaultVideoFps;  // 1..MaxVideoFps
  int32_t QueueFrames = VideoQueueFrames;
  TVideoTestHooks Hooks;
};

class TVideoWriter {
 public:
  // Finds the encoder and creates the film's file (unnamed); throws Error saying
  // why when either cannot be had.
  explicit TVideoWriter(const std::string& path, const TVideoOptions& options = {});
  // Without a successful Finish, the film's file is removed and nothing is written.
  ~TVideoWriter();
  TVideoWriter(const TVideoWriter&) = delete;
  TVideoWriter& operator=(const TVideoWriter&) = delete;

  // Hands over the next frame (copied before returning). Throws Error once the
  // film has failed; every later call and Finish throw the same.
  void AddFrame(const TVideoFrame& frame);

  // Flushes the encoder, completes the file and gives it its name. Returns false,
  // writing nothing, when no frame was added. Throws Error when the film cannot be
  // completed, leaving nothing behind. Called once; the writer is then closed.
  bool Finish();

  bool Failed() const;
  int64_t FrameCount() const;         // frames handed over
  int32_t Fps() const;
  int32_t Width() const;              // the film's size in pixels, 0 before the first frame
  int32_t Height() const;
  const std::string& Path() const;
  const std::string& EncoderName() const;  // "libx264", "libvpx-vp9", ...

 private:
  // FFmpeg's encoder, from a module loaded the first time a film is made: a
  // program that makes no film does not load FFmpeg's hundred libraries.
  std::unique_ptr<TVideoEncoder> Encoder;
};

}  // namespace vorlanth
