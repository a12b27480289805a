#pragma once
// Reads a film back with FFmpeg's decoders, every frame as RGB24, for the tests.

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace vorlanth::test {

struct TFilm {
  std::string Codec, PixelFormat;  // "h264", "vp9"; "yuv420p"
  int32_t Width = 0, Height = 0;
  double Fps = 0;
  std::vector<std::vector<uint8_t>> Frames;  // RGB24, Width * 3 bytes a row
};

inline TFilm ReadFilm(const std::string& path) {
  TFilm film;
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return film;
  avformat_find_stream_info(input, nullptr);
  const AVCodec* decoder = nullptr;
  const int index = av_find_best_stream(input, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  const AVCodecParameters* stream = input->streams[index]->codecpar;
  film = {avcodec_get_name(stream->codec_id), av_get_pix_fmt_name(AVPixelFormat(stream->format)), stream->width,
          stream->height, av_q2d(input->streams[index]->avg_frame_rate), {}};
  AVCodecContext* codec = avcodec_alloc_context3(decoder);
  avcodec_parameters_to_context(codec, stream);
  avcodec_open2(codec, decoder, nullptr);
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  SwsContext* scaler = nullptr;
  const int stride = (film.Width * 3 + 63) / 64 * 64;  // the converter writes whole vectors
  std::vector<uint8_t> rgb(static_cast<size_t>(stride) * (film.Height + 1));
  for (bool more = true; more;) {
    more = av_read_frame(input, packet) >= 0;
    if (!more || packet->stream_index == index) avcodec_send_packet(codec, more ? packet : nullptr);
    av_packet_unref(packet);
    while (avcodec_receive_frame(codec, frame) >= 0) {
      // Back to full-range RGB with the coefficients the film is tagged with.
      scaler = sws_getCachedContext(scaler, film.Width, film.Height, AVPixelFormat(frame->format), film.Width,
                                    film.Height, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr, nullptr);
      sws_setColorspaceDetails(scaler, sws_getCoefficients(frame->colorspace), 0, sws_getCoefficients(SWS_CS_DEFAULT),
                               1, 0, 1 << 16, 1 << 16);
      uint8_t* target[4] = {rgb.data()};
      const int strides[4] = {stride};
      sws_scale(scaler, frame->data, frame->linesize, 0, film.Height, target, strides);
      film.Frames.emplace_back();
      for (int32_t y = 0; y < film.Height; ++y)
        film.Frames.back().insert(film.Frames.back().end(), &rgb[y * stride], &rgb[y * stride + film.Width * 3]);
    }
  }
  sws_freeContext(scaler);
  av_frame_free(&frame);
  av_packet_free(&packet);
  avcodec_free_context(&codec);
  avformat_close_input(&input);
  return film;
}

// Peak signal-to-noise ratio in dB of two RGB24 pictures over `width` x `height`
// pixels at their top left; strides in bytes.
inline double Psnr(const uint8_t* a, int64_t strideA, const uint8_t* b, int64_t strideB, int32_t width,
                   int32_t height) {
  double squares = 0;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width * 3; ++x) squares += std::pow(a[y * strideA + x] - b[y * strideB + x], 2);
  return 10 * std::log10(255.0 * 255.0 * 3 * width * height / std::max(squares, 1e-9));
}

}  // namespace vorlanth::test
