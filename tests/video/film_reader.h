#pragma once
// Reads a film back with FFmpeg's decoders, every frame as RGB24, for the tests.

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlanth::test {

struct TFilm {
  std::string Error;      // empty when the film was read whole
  std::string Container;  // FFmpeg's name of the demuxer ("mov,mp4,m4a,3gp,3g2,mj2", "matroska,webm")
  std::string Codec;      // "h264", "vp9"
  std::string PixelFormat;
  int32_t Width = 0, Height = 0;
  double Fps = 0;         // the stream's average frame rate
  std::vector<std::vector<uint8_t>> Frames;  // Width * Height * 3 bytes each, rows without padding
  std::vector<std::vector<uint8_t>> Luma;    // the decoded Y plane, Width * Height bytes each
};

TFilm ReadFilm(const std::string& path);

// Peak signal-to-noise ratio in dB of two RGB24 pictures over a rectangle of
// `width` x `height` pixels at their top left; strides in bytes.
double Psnr(const uint8_t* a, int64_t strideA, const uint8_t* b, int64_t strideB, int32_t width, int32_t height);

// The luma of RGB24 pixels as the film holds it: BT.709, limited range, a byte
// per pixel, `width` bytes a row.
std::vector<uint8_t> Luma(const uint8_t* rgb, int64_t stride, int32_t width, int32_t height);

// The same over one byte per pixel.
double LumaPsnr(const uint8_t* a, int64_t strideA, const uint8_t* b, int64_t strideB, int32_t width, int32_t height);

}  // namespace vorlanth::test
