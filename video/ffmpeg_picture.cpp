// A film's pictures: copied row by row on the caller's thread, converted to 4:2:0
// and handed to the encoder on the encoding thread.

#include "video/ffmpeg_encoder_impl.h"

#include <algorithm>
#include <cstring>

namespace vorlanth {
namespace {

using ffmpeg::AvReason;
using ffmpeg::BytesPerPixel;
using ffmpeg::RoundUpToEven;
using ffmpeg::TScaler;
using ffmpeg::TSlot;

// Rows start on this many bytes, as the converter's vector code likes them.
constexpr int64_t kRowAlignment = 64;
// Black in 4:2:0 of limited range.
constexpr uint8_t kBlackLuma = 16;
constexpr uint8_t kNeutralChroma = 128;

AVPixelFormat SourceFormat(TPixelLayout layout) {
  // AV_PIX_FMT_0RGB32 is 0xffRRGGBB as a 32-bit word in the machine's byte order.
  return layout == TPixelLayout::Xrgb32 ? AV_PIX_FMT_0RGB32 : AV_PIX_FMT_RGB24;
}

}  // namespace

// The caller's part: one copy of the rows. A picture of the film's size has its
// odd column and row (if any) padded with copies of its edge.
void TFfmpegEncoder::TImpl::Copy(TSlot& slot, const TVideoFrame& frame) const {
  const int64_t bytesPerPixel = BytesPerPixel(frame.Layout);
  slot.Whole = RoundUpToEven(frame.Width) == Width && RoundUpToEven(frame.Height) == Height;
  slot.Width = slot.Whole ? Width : frame.Width;
  slot.Height = slot.Whole ? Height : frame.Height;
  slot.Layout = frame.Layout;
  slot.Stride = (slot.Width * bytesPerPixel + kRowAlignment - 1) / kRowAlignment * kRowAlignment;
  // The converter reads whole vectors, past the last pixel of the last row too.
  slot.Pixels.resize(static_cast<size_t>(slot.Stride * slot.Height + kRowAlignment));
  const size_t rowBytes = static_cast<size_t>(frame.Width * bytesPerPixel);
  for (int32_t y = 0; y < frame.Height; ++y) {
    uint8_t* row = slot.Pixels.data() + y * slot.Stride;
    std::memcpy(row, frame.Pixels + y * frame.Stride, rowBytes);
    if (slot.Width > frame.Width) std::memcpy(row + rowBytes, row + rowBytes - bytesPerPixel, bytesPerPixel);
  }
  if (slot.Height > frame.Height)
    std::memcpy(slot.Pixels.data() + frame.Height * slot.Stride,
                slot.Pixels.data() + (frame.Height - 1) * slot.Stride, static_cast<size_t>(slot.Stride));
}

// The encoding thread's part: convert to 4:2:0 and encode.
void TFfmpegEncoder::TImpl::Encode(TSlot& slot) {
  if (Options.Hooks.BeforeEncode) Options.Hooks.BeforeEncode(NextPts);
  if (av_frame_make_writable(Picture) < 0) Fail("not enough memory");
  // Where the picture goes: the whole film, or the largest even rectangle of its
  // proportions, centred on black.
  int32_t x = 0, y = 0, width = Width, height = Height;
  if (!slot.Whole) {
    const double scale = std::min(static_cast<double>(Width) / slot.Width, static_cast<double>(Height) / slot.Height);
    width = std::clamp(static_cast<int32_t>(slot.Width * scale) & ~1, 2, Width);
    height = std::clamp(static_cast<int32_t>(slot.Height * scale) & ~1, 2, Height);
    x = (Width - width) / 2 & ~1;
    y = (Height - height) / 2 & ~1;
    for (int32_t row = 0; row < Height; ++row)
      std::memset(Picture->data[0] + row * Picture->linesize[0], kBlackLuma, static_cast<size_t>(Width));
    for (int plane = 1; plane <= 2; ++plane)
      for (int32_t row = 0; row < Height / 2; ++row)
        std::memset(Picture->data[plane] + row * Picture->linesize[plane], kNeutralChroma,
                    static_cast<size_t>(Width / 2));
  }
  TScaler& scaler = slot.Whole ? WholeScaler : FittedScaler;
  SwsContext* context = scaler.For(slot.Width, slot.Height, SourceFormat(slot.Layout), width, height);
  if (context == nullptr) Fail("the picture cannot be converted (" + AvReason(AVERROR(EINVAL)) + ")");
  const uint8_t* source[4] = {slot.Pixels.data(), nullptr, nullptr, nullptr};
  const int sourceStride[4] = {static_cast<int>(slot.Stride), 0, 0, 0};
  uint8_t* target[4] = {Picture->data[0] + y * Picture->linesize[0] + x,
                        Picture->data[1] + y / 2 * Picture->linesize[1] + x / 2,
                        Picture->data[2] + y / 2 * Picture->linesize[2] + x / 2, nullptr};
  sws_scale(context, source, sourceStride, 0, slot.Height, target, Picture->linesize);
  Picture->pts = NextPts++;
  Send(Picture);
}

}  // namespace vorlanth
