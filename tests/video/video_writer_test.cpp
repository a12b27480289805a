#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <fstream>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "core/error.h"
#include "video/film_reader.h"
#include "video/video_writer.h"

namespace vorlanth {
namespace {

using test::LumaPsnr;
using test::ReadFilm;
using test::TFilm;

// A picture like the bench's: grey track, black walls, coloured bodies that move
// with `t`, one-pixel lines. RGB24 rows, `stride` bytes apart.
struct TPicture {
  int32_t Width, Height;
  int64_t Stride;
  std::vector<uint8_t> Rgb;

  TPicture(int32_t width, int32_t height, int t, int64_t stride = 0)
      : Width(width), Height(height), Stride(stride ? stride : width * 3),
        Rgb(static_cast<size_t>(Stride * height), 0xAB) {
    std::mt19937 random(7);
    for (int32_t y = 0; y < height; ++y)
      for (int32_t x = 0; x < width; ++x) {
        const bool wall = x < width / 10 || y < height / 10 || (x > width / 2 && y > height / 2 && y < height * 3 / 5);
        const uint8_t grey = static_cast<uint8_t>(wall ? 0 : 120 + (x + y) % 40);
        Set(x, y, grey, grey, grey);
      }
    for (int body = 0; body < 6; ++body) {
      const int32_t cx = static_cast<int32_t>((random() % width + 3 * t * (body + 1)) % width);
      const int32_t cy = static_cast<int32_t>((random() % height + 2 * t) % height);
      const uint8_t r = static_cast<uint8_t>(random()), g = static_cast<uint8_t>(random()),
                    b = static_cast<uint8_t>(random());
      for (int32_t y = cy - 8; y < cy + 8; ++y)
        for (int32_t x = cx - 12; x < cx + 12; ++x) Set(x, y, r, g, b);
      for (int32_t x = cx - 40; x < cx + 40; ++x) Set(x, cy + 20, 255, 255, 0);  // a trace
    }
  }

  void Set(int32_t x, int32_t y, uint8_t r, uint8_t g, uint8_t b) {
    if (x < 0 || y < 0 || x >= Width || y >= Height) return;
    uint8_t* p = &Rgb[static_cast<size_t>(y * Stride + x * 3)];
    p[0] = r, p[1] = g, p[2] = b;
  }

  std::vector<uint8_t> Luma() const { return test::Luma(Rgb.data(), Stride, Width, Height); }

  // The same pixels as 0xffRRGGBB words (QImage's RGB32).
  std::vector<uint32_t> Xrgb() const {
    std::vector<uint32_t> words(static_cast<size_t>(Width) * Height);
    for (int32_t y = 0; y < Height; ++y)
      for (int32_t x = 0; x < Width; ++x) {
        const uint8_t* p = &Rgb[static_cast<size_t>(y * Stride + x * 3)];
        words[static_cast<size_t>(y) * Width + x] = 0xff000000u | p[0] << 16 | p[1] << 8 | p[2];
      }
    return words;
  }
};

TVideoFrame Frame(const std::vector<uint32_t>& words, int32_t width, int32_t height) {
  return {reinterpret_cast<const uint8_t*>(words.data()), width, height, int64_t{width} * 4, TPixelLayout::Xrgb32};
}

// Writes `count` moving pictures and reads the film back; each decoded frame is
// checked against its picture, in luma (4:2:0 halves the colours' resolution, and
// these pictures' small saturated bodies lose more to that than to the encoder).
TFilm WriteAndRead(const std::string& path, int32_t width, int32_t height, int count, const TVideoOptions& options,
                   double minimumPsnr) {
  TVideoWriter writer(path, options);
  std::vector<TPicture> pictures;
  for (int t = 0; t < count; ++t) {
    pictures.emplace_back(width, height, t);
    const std::vector<uint32_t> words = pictures.back().Xrgb();
    writer.AddFrame(Frame(words, width, height));
  }
  EXPECT_TRUE(writer.Finish());
  TFilm film = ReadFilm(path);
  EXPECT_EQ(film.Error, "");
  EXPECT_EQ(film.Frames.size(), size_t(count));
  for (size_t i = 0; i < std::min(film.Luma.size(), pictures.size()); ++i)
    EXPECT_GE(LumaPsnr(film.Luma[i].data(), film.Width, pictures[i].Luma().data(), width, width, height), minimumPsnr)
        << "frame " << i;
  return film;
}

QStringList Entries(const QTemporaryDir& dir) {
  return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST(VideoWriter, AnMp4FilmIsH264At10FramesASecondWithEveryFrame) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("film.mp4").toStdString();
  const TFilm film = WriteAndRead(path, 320, 240, 30, {}, 35);
  EXPECT_EQ(film.Codec, "h264");
  EXPECT_NE(film.Container.find("mp4"), std::string::npos);
  EXPECT_EQ(film.PixelFormat, "yuv420p");
  EXPECT_EQ(film.Width, 320);
  EXPECT_EQ(film.Height, 240);
  EXPECT_DOUBLE_EQ(film.Fps, 10);
  EXPECT_EQ(Entries(dir), QStringList{"film.mp4"});
}

TEST(VideoWriter, AWebmFilmIsVp9AtTheRateAsked) {
  EXPECT_EQ(VideoFormatOf("a.WebM"), TVideoFormat::WebmVp9);
  EXPECT_EQ(VideoFormatOf("a.webm.mp4"), TVideoFormat::Mp4H264);
  EXPECT_EQ(VideoFormatOf("webm"), TVideoFormat::Mp4H264);
  QTemporaryDir dir;
  TVideoOptions options;
  options.Fps = 25;
  const TFilm film = WriteAndRead(dir.filePath("film.webm").toStdString(), 320, 240, 12, options, 35);
  EXPECT_EQ(film.Codec, "vp9");
  EXPECT_NE(film.Container.find("webm"), std::string::npos);
  EXPECT_DOUBLE_EQ(film.Fps, 25);
}

TEST(VideoWriter, OddPicturesArePaddedWithTheirEdgePixels) {
  QTemporaryDir dir;
  const TFilm film = WriteAndRead(dir.filePath("odd.mp4").toStdString(), 161, 121, 3, {}, 35);
  ASSERT_EQ(film.Width, 162);
  ASSERT_EQ(film.Height, 122);
  // The added column repeats the last one, the added row the last row.
  const std::vector<uint8_t>& f = film.Frames.at(0);
  const int64_t stride = 162 * 3;
  double column = 0, row = 0;
  for (int32_t y = 0; y < 121; ++y)
    for (int c = 0; c < 3; ++c) column += std::abs(f[y * stride + 161 * 3 + c] - f[y * stride + 160 * 3 + c]);
  for (int32_t x = 0; x < 161 * 3; ++x) row += std::abs(f[121 * stride + x] - f[120 * stride + x]);
  EXPECT_LT(column / (121 * 3), 6);
  EXPECT_LT(row / (161 * 3), 6);
}

TEST(VideoWriter, Rgb24RowsWithPaddingAreReadAsTheyAre) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("rgb.mp4").toStdString();
  const TPicture picture(200, 150, 4, 200 * 3 + 37);  // 37 bytes of 0xAB after each row
  {
    TVideoWriter writer(path);
    for (int i = 0; i < 2; ++i)
      writer.AddFrame({picture.Rgb.data(), 200, 150, picture.Stride, TPixelLayout::Rgb24});
    writer.Finish();
  }
  const TFilm film = ReadFilm(path);
  ASSERT_EQ(film.Frames.size(), 2u) << film.Error;
  EXPECT_GE(LumaPsnr(film.Luma[1].data(), 200, picture.Luma().data(), 200, 200, 150), 35);
}

// A later picture of another size keeps its proportions inside the film's size,
// centred on black.
TEST(VideoWriter, APictureOfAnotherSizeIsFittedIntoTheFilm) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("fit.mp4").toStdString();
  const std::vector<uint32_t> first(320 * 240, 0xff808080u);
  const std::vector<uint32_t> wide(160 * 60, 0xffc83232u);  // 8:3, doubled into 320 x 120
  {
    TVideoWriter writer(path);
    writer.AddFrame(Frame(first, 320, 240));
    writer.AddFrame(Frame(wide, 160, 60));
    writer.Finish();
  }
  const TFilm film = ReadFilm(path);
  ASSERT_EQ(film.Frames.size(), 2u) << film.Error;
  EXPECT_EQ(film.Width, 320);
  const auto pixel = [&](int32_t x, int32_t y) { return &film.Frames[1][static_cast<size_t>((y * 320 + x) * 3)]; };
  for (const int32_t y : {10, 229}) EXPECT_LT(pixel(160, y)[0] + pixel(160, y)[1] + pixel(160, y)[2], 12) << y;
  for (const int32_t y : {70, 120, 170}) {
    EXPECT_NEAR(pixel(160, y)[0], 200, 6) << y;
    EXPECT_NEAR(pixel(160, y)[1], 50, 6) << y;
  }
}

// The cycle hands over its picture and goes on; when the encoder falls behind by
// the whole queue, the next picture waits for a slot: none is dropped, none grows
// the queue, and the film keeps them in order.
TEST(VideoWriter, AnEncoderBehindMakesTheCycleWaitAndLosesNoFrame) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("queue.mp4").toStdString();
  std::mutex mutex;
  std::condition_variable changed;
  bool released = false;
  int64_t handedOverWhenFull = -1;
  TVideoOptions options;
  options.Hooks.BeforeEncode = [&](int64_t) {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return released; });
  };
  options.Hooks.QueueFull = [&](int64_t handedOver) {
    std::lock_guard lock(mutex);
    if (handedOverWhenFull < 0) handedOverWhenFull = handedOver;
    changed.notify_all();
  };
  constexpr int kFrames = 12;
  std::vector<std::vector<uint32_t>> pictures;
  for (int i = 0; i < kFrames; ++i)
    pictures.emplace_back(64 * 48, 0xff000000u | static_cast<uint32_t>(i * 20) * 0x010101u);
  TVideoWriter writer(path, options);
  std::thread cycles([&] {
    for (const auto& picture : pictures) writer.AddFrame(Frame(picture, 64, 48));
  });
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return handedOverWhenFull >= 0; });
    EXPECT_EQ(handedOverWhenFull, VideoQueueFrames);
    released = true;
    changed.notify_all();
  }
  cycles.join();
  ASSERT_TRUE(writer.Finish());
  const TFilm film = ReadFilm(path);
  ASSERT_EQ(film.Frames.size(), size_t(kFrames)) << film.Error;
  for (int i = 0; i < kFrames; ++i) EXPECT_NEAR(film.Frames[i][0], i * 20, 4) << "frame " << i;
}

// The film has its name only once complete: until then the user's file of that
// name stays as it was, beside the temporary one.
TEST(VideoWriter, TheFilmTakesItsNameOnlyWhenComplete) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("film.mp4").toStdString();
  std::ofstream(path) << "the user's own";
  const std::vector<uint32_t> picture(64 * 48, 0xff336699u);
  {
    TVideoWriter writer(path);
    writer.AddFrame(Frame(picture, 64, 48));
    EXPECT_EQ(ReadFile(path), "the user's own");
    const QStringList entries = Entries(dir);
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entries[1].startsWith("film.mp4.")) << entries.join(' ').toStdString();
  }  // dropped without Finish: nothing written
  EXPECT_EQ(ReadFile(path), "the user's own");
  EXPECT_EQ(Entries(dir), QStringList{"film.mp4"});

  TVideoWriter empty(path);
  EXPECT_FALSE(empty.Finish());  // no frame, no film
  EXPECT_EQ(ReadFile(path), "the user's own");

  TVideoWriter whole(path);
  whole.AddFrame(Frame(picture, 64, 48));
  EXPECT_TRUE(whole.Finish());
  EXPECT_EQ(ReadFilm(path).Frames.size(), 1u);
  EXPECT_EQ(Entries(dir), QStringList{"film.mp4"});
}

TEST(VideoWriter, AFolderThatCannotBeWrittenSaysWhy) {
  QTemporaryDir dir;
  std::ofstream(dir.filePath("plain").toStdString()) << "a file";
  const std::vector<std::pair<std::string, std::string>> cases = {
      {dir.filePath("missing/film.mp4").toStdString(), "No such file or directory"},
      {dir.filePath("plain/film.webm").toStdString(), "Not a directory"}};
  for (const auto& [path, reason] : cases) {
    try {
      TVideoWriter writer(path);
      ADD_FAILURE() << path;
    } catch (const Error& e) {
      const std::string message = e.what();
      EXPECT_EQ(message.rfind("Cannot write the film \"" + path + "\": ", 0), 0u) << message;
      EXPECT_NE(message.find(reason), std::string::npos) << message;
    }
  }
  EXPECT_EQ(Entries(dir), QStringList{"plain"});
  TVideoOptions options;
  for (const int32_t fps : {0, MaxVideoFps + 1}) {
    options.Fps = fps;
    EXPECT_THROW(TVideoWriter(dir.filePath("f.mp4").toStdString(), options), Error) << fps;
  }
}

// A full disk, while encoding or while completing the film: the system's reason,
// every later call says the same, and nothing is left but the user's own file.
TEST(VideoWriter, AFullDiskFailsTheFilmAndLeavesNothing) {
  for (const bool atFinish : {false, true}) {
    QTemporaryDir dir;
    const std::string path = dir.filePath("full.mp4").toStdString();
    std::ofstream(path) << "the user's own";
    bool finishing = false;
    TVideoOptions options;
    options.Hooks.WriteError = [&](int64_t written) {
      return (atFinish ? finishing : written > 100'000) ? ENOSPC : 0;
    };
    TVideoWriter writer(path, options);
    // Noise: frames that do not compress, so that the disk fills while encoding.
    std::mt19937 random(11);
    std::vector<uint32_t> words(320 * 240);
    std::string failure;
    for (int t = 0; t < 30 && failure.empty(); ++t) {
      for (uint32_t& word : words) word = static_cast<uint32_t>(random()) | 0xff000000u;
      try {
        writer.AddFrame(Frame(words, 320, 240));
      } catch (const Error& e) {
        failure = e.what();  // as soon as the encoding thread has met it
      }
    }
    if (atFinish) {
      EXPECT_EQ(failure, "");
    }
    finishing = true;
    try {
      writer.Finish();
      ADD_FAILURE() << "finished on a full disk";
    } catch (const Error& e) {
      if (!failure.empty()) {
        EXPECT_EQ(e.what(), failure);
      }
      failure = e.what();
    }
    EXPECT_EQ(failure, "Cannot write the film \"" + path + "\": No space left on device.");
    EXPECT_TRUE(writer.Failed());
    EXPECT_EQ(Entries(dir), QStringList{"full.mp4"}) << atFinish;
    EXPECT_EQ(ReadFile(path), "the user's own");
  }
}

}  // namespace
}  // namespace vorlanth
