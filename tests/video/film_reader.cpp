#include "video/film_reader.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cmath>
#include <memory>

namespace vorlanth::test {
namespace {

std::string Reason(int code) {
  char text[AV_ERROR_MAX_STRING_SIZE] = {};
  av_make_error_string(text, sizeof text, code);
  return text;
}

struct TDecoder {
  AVFormatContext* Input = nullptr;
  AVCodecContext* Codec = nullptr;
  AVPacket* Packet = av_packet_alloc();
  AVFrame* Frame = av_frame_alloc();
  SwsContext* Scaler = nullptr;

  ~TDecoder() {
    sws_freeContext(Scaler);
    av_frame_free(&Frame);
    av_packet_free(&Packet);
    avcodec_free_context(&Codec);
    avformat_close_input(&Input);
  }

  // Takes every frame the decoder has ready into the film.
  int Drain(TFilm& film) {
    for (;;) {
      const int got = avcodec_receive_frame(Codec, Frame);
      if (got == AVERROR(EAGAIN) || got == AVERROR_EOF) return 0;
      if (got < 0) return got;
      // Back to full-range RGB with the coefficients the stream is tagged with.
      Scaler = sws_getCachedContext(Scaler, Frame->width, Frame->height, static_cast<AVPixelFormat>(Frame->format),
                                    Frame->width, Frame->height, AV_PIX_FMT_RGB24, SWS_BICUBIC, nullptr, nullptr,
                                    nullptr);
      const int space = Frame->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_DEFAULT;
      sws_setColorspaceDetails(Scaler, sws_getCoefficients(space), Frame->color_range == AVCOL_RANGE_JPEG,
                               sws_getCoefficients(SWS_CS_DEFAULT), 1, 0, 1 << 16, 1 << 16);
      // The converter writes whole vectors: aligned rows with room after them.
      const int stride = (Frame->width * 3 + 63) / 64 * 64;
      std::vector<uint8_t> converted(static_cast<size_t>(stride) * (Frame->height + 1));
      uint8_t* target[4] = {converted.data(), nullptr, nullptr, nullptr};
      const int strides[4] = {stride, 0, 0, 0};
      sws_scale(Scaler, Frame->data, Frame->linesize, 0, Frame->height, target, strides);
      std::vector<uint8_t> rgb(static_cast<size_t>(Frame->width) * Frame->height * 3);
      for (int y = 0; y < Frame->height; ++y)
        std::copy_n(&converted[static_cast<size_t>(y) * stride], Frame->width * 3, &rgb[static_cast<size_t>(y) * Frame->width * 3]);
      film.Frames.push_back(std::move(rgb));
      std::vector<uint8_t> luma(static_cast<size_t>(Frame->width) * Frame->height);
      for (int y = 0; y < Frame->height; ++y)
        std::copy_n(Frame->data[0] + static_cast<ptrdiff_t>(y) * Frame->linesize[0], Frame->width,
                    &luma[static_cast<size_t>(y) * Frame->width]);
      film.Luma.push_back(std::move(luma));
      av_frame_unref(Frame);
    }
  }
};

}  // namespace

TFilm ReadFilm(const std::string& path) {
  TFilm film;
  TDecoder d;
  int code = avformat_open_input(&d.Input, path.c_str(), nullptr, nullptr);
  if (code < 0) return film.Error = "open: " + Reason(code), film;
  if ((code = avformat_find_stream_info(d.Input, nullptr)) < 0) return film.Error = "info: " + Reason(code), film;
  const AVCodec* decoder = nullptr;
  const int index = av_find_best_stream(d.Input, AVMEDIA_TYPE_VIDEO, -1, -1, &decoder, 0);
  if (index < 0) return film.Error = "no video stream", film;
  const AVStream* stream = d.Input->streams[index];
  film.Container = d.Input->iformat->name;
  film.Codec = avcodec_get_name(stream->codecpar->codec_id);
  film.Width = stream->codecpar->width;
  film.Height = stream->codecpar->height;
  film.Fps = av_q2d(stream->avg_frame_rate);
  const char* format = av_get_pix_fmt_name(static_cast<AVPixelFormat>(stream->codecpar->format));
  film.PixelFormat = format ? format : "";
  d.Codec = avcodec_alloc_context3(decoder);
  avcodec_parameters_to_context(d.Codec, stream->codecpar);
  d.Codec->thread_count = 1;
  if ((code = avcodec_open2(d.Codec, decoder, nullptr)) < 0) return film.Error = "decoder: " + Reason(code), film;
  while ((code = av_read_frame(d.Input, d.Packet)) >= 0) {
    if (d.Packet->stream_index == index) code = avcodec_send_packet(d.Codec, d.Packet);
    av_packet_unref(d.Packet);
    if (code < 0 || (code = d.Drain(film)) < 0) return film.Error = "decode: " + Reason(code), film;
  }
  if (code != AVERROR_EOF) return film.Error = "read: " + Reason(code), film;
  avcodec_send_packet(d.Codec, nullptr);
  if ((code = d.Drain(film)) < 0) film.Error = "flush: " + Reason(code);
  return film;
}

namespace {

double PsnrOf(const uint8_t* a, int64_t strideA, const uint8_t* b, int64_t strideB, int32_t rowBytes,
              int32_t height) {
  double squares = 0;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < rowBytes; ++x) {
      const double d = double(a[y * strideA + x]) - double(b[y * strideB + x]);
      squares += d * d;
    }
  const double mse = squares / (double(rowBytes) * height);
  return mse == 0 ? 99.0 : 10 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace

double Psnr(const uint8_t* a, int64_t strideA, const uint8_t* b, int64_t strideB, int32_t width, int32_t height) {
  return PsnrOf(a, strideA, b, strideB, width * 3, height);
}

double LumaPsnr(const uint8_t* a, int64_t strideA, const uint8_t* b, int64_t strideB, int32_t width,
                int32_t height) {
  return PsnrOf(a, strideA, b, strideB, width, height);
}

std::vector<uint8_t> Luma(const uint8_t* rgb, int64_t stride, int32_t width, int32_t height) {
  std::vector<uint8_t> luma(static_cast<size_t>(width) * height);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      const uint8_t* p = rgb + y * stride + x * 3;
      const double full = 0.2126 * p[0] + 0.7152 * p[1] + 0.0722 * p[2];
      luma[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(std::lround(16 + full * 219 / 255));
    }
  return luma;
}

}  // namespace vorlanth::test
