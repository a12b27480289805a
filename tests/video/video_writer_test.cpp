#include <sys/stat.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cerrno>
#include <condition_variable>
#include <fstream>
#include <mutex>
#include <random>
#include <thread>

#include "core/error.h"
#include "video/film_reader.h"
#include "video/video_writer.h"

namespace vorlanth {
namespace {

using test::Psnr;

// RGB24 rows `stride` bytes apart: a grey gradient and a coloured block that moves with `t`.
std::vector<uint8_t> Picture(int32_t width, int32_t height, int t, int64_t stride) {
  std::vector<uint8_t> rgb(static_cast<size_t>(stride * height), 0xAB);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = &rgb[static_cast<size_t>(y * stride + x * 3)];
      const bool block = std::abs(x - 20 - 4 * t) < 16 && std::abs(y - height / 2) < 16;
      p[0] = block ? 220 : static_cast<uint8_t>(x);
      p[1] = block ? 60 : static_cast<uint8_t>(x);
      p[2] = block ? 30 : static_cast<uint8_t>(y);
    }
  return rgb;
}

std::vector<uint32_t> Xrgb(const std::vector<uint8_t>& rgb) {  // QImage's RGB32
  std::vector<uint32_t> words;
  for (size_t i = 0; i + 2 < rgb.size(); i += 3) words.push_back(0xff000000u | rgb[i] << 16 | rgb[i + 1] << 8 | rgb[i + 2]);
  return words;
}

TVideoFrame Frame(const std::vector<uint32_t>& words, int32_t width, int32_t height) {
  return {reinterpret_cast<const uint8_t*>(words.data()), width, height, int64_t{width} * 4, TPixelLayout::Xrgb32};
}

QStringList Entries(const QTemporaryDir& dir) {
  return QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  return {std::istreambuf_iterator<char>(in), {}};
}

TEST(VideoWriter, FilmsHoldEveryFrameAtTheirRateInH264OrVp9) {
  QTemporaryDir dir;
  for (const auto& [name, fps, codec] : {std::tuple{"film.mp4", 10, "h264"}, {"film.WebM", 25, "vp9"}}) {
    const std::string path = dir.filePath(name).toStdString();
    TVideoWriter writer(path, {fps, VideoQueueFrames, {}});
    for (int t = 0; t < 12; ++t) writer.AddFrame(Frame(Xrgb(Picture(160, 120, t, 480)), 160, 120));
    ASSERT_TRUE(writer.Finish());
    const test::TFilm film = test::ReadFilm(path);
    EXPECT_EQ(film.Codec, codec);
    EXPECT_EQ(film.PixelFormat, "yuv420p");
    EXPECT_EQ(film.Width * 1000 + film.Height, 160'120);
    EXPECT_DOUBLE_EQ(film.Fps, fps);
    ASSERT_EQ(film.Frames.size(), 12u) << name;
    for (int t = 0; t < 12; ++t)
      EXPECT_GE(Psnr(film.Frames[t].data(), 480, Picture(160, 120, t, 480).data(), 480, 160, 120), 35) << t;
  }
  EXPECT_EQ(Entries(dir), (QStringList{"film.mp4", "film.WebM"}));
}

// Odd sides are padded with the edge pixels; a later picture of other proportions
// is fitted in, centred on black.
TEST(VideoWriter, OddPicturesArePaddedAndOthersFittedIn) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("odd.mp4").toStdString();
  const std::vector<uint8_t> odd = Picture(161, 121, 0, 161 * 3 + 37);  // rows with 37 more bytes
  const std::vector<uint32_t> wide(80 * 20, 0xffc83232u);               // 4:1, to 162 x 40
  TVideoWriter writer(path);
  writer.AddFrame({odd.data(), 161, 121, 161 * 3 + 37, TPixelLayout::Rgb24});
  writer.AddFrame(Frame(wide, 80, 20));
  writer.Finish();
  const test::TFilm film = test::ReadFilm(path);
  ASSERT_EQ(film.Frames.size(), 2u);
  ASSERT_EQ(film.Width * 1000 + film.Height, 162'122);
  const uint8_t* f = film.Frames[0].data();
  EXPECT_GE(Psnr(f, 162 * 3, odd.data(), 161 * 3 + 37, 161, 121), 35);
  EXPECT_GE(Psnr(f + 160 * 3, 162 * 3, f + 161 * 3, 162 * 3, 1, 122), 35);      // the added column
  EXPECT_GE(Psnr(f + 162 * 3 * 120, 0, f + 162 * 3 * 121, 0, 162, 1), 35);    // the added row
  const uint8_t* middle = &film.Frames[1][(61 * 162 + 81) * 3];
  const uint8_t* top = &film.Frames[1][(10 * 162 + 81) * 3];
  EXPECT_NEAR(middle[0], 200, 5);
  EXPECT_NEAR(middle[1], 50, 5);
  EXPECT_LT(top[0] + top[1] + top[2], 12);
}

// When the encoder falls behind by the whole queue, the next picture waits for a
// slot: none is dropped, the queue does not grow, and the film keeps the order.
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
  TVideoWriter writer(path, options);
  bool allHandedOver = false;  // which a queue without bounds would let happen
  std::thread cycles([&] {
    for (uint32_t i = 0; i < 12; ++i) writer.AddFrame(Frame(std::vector<uint32_t>(64 * 48, i * 20 * 0x010101u), 64, 48));
    std::lock_guard lock(mutex);
    allHandedOver = true;
    changed.notify_all();
  });
  {
    std::unique_lock lock(mutex);
    changed.wait(lock, [&] { return handedOverWhenFull >= 0 || allHandedOver; });
    EXPECT_FALSE(allHandedOver);
    EXPECT_EQ(handedOverWhenFull, VideoQueueFrames);
    released = true;
    changed.notify_all();
  }
  cycles.join();
  ASSERT_TRUE(writer.Finish());
  const test::TFilm film = test::ReadFilm(path);
  ASSERT_EQ(film.Frames.size(), 12u);
  for (int i = 0; i < 12; ++i) EXPECT_NEAR(film.Frames[i][0], i * 20, 4) << "frame " << i;
}

// A complete film takes its name, free or holding a file that it replaces, with the
// permissions of any new file, whether it was written without a name or under a
// temporary one.
TEST(VideoWriter, ACompleteFilmTakesItsNameFreeOrTaken) {
  QTemporaryDir dir;
  mode_t modes[2] = {};
  for (const bool named : {false, true})
    for (const bool taken : {false, true}) {
      const std::string path = dir.filePath(QStringLiteral("film%1%2.mp4").arg(named).arg(taken)).toStdString();
      if (taken) std::ofstream(path) << "the user's own";
      TVideoOptions options;
      options.Hooks.NamedTemporary = named;
      TVideoWriter writer(path, options);
      for (uint32_t i = 0; i < 3; ++i) writer.AddFrame(Frame(std::vector<uint32_t>(64 * 48, i * 0x404040u), 64, 48));
      ASSERT_TRUE(writer.Finish());
      EXPECT_EQ(test::ReadFilm(path).Frames.size(), 3u) << path;
      struct stat info {};
      ASSERT_EQ(::stat(path.c_str(), &info), 0);
      if (!taken) modes[named] = info.st_mode;
    }
  EXPECT_EQ(Entries(dir), (QStringList{"film00.mp4", "film01.mp4", "film10.mp4", "film11.mp4"}));
  EXPECT_EQ(modes[0], modes[1]);
}

// A film takes its name only once complete. Until then, and after any failure, the
// user's file of that name is as it was, and nothing else is left beside it.
TEST(VideoWriter, AnIncompleteFilmLeavesOnlyTheUsersFileAndSaysWhy) {
  QTemporaryDir dir;
  const std::string path = dir.filePath("film.mp4").toStdString();
  std::ofstream(path) << "the user's own";
  EXPECT_FALSE(TVideoWriter(path).Finish());  // no frame, no film
  for (const bool named : {false, true}) {
    TVideoOptions options;
    options.Hooks.NamedTemporary = named;
    TVideoWriter dropped(path, options);
    dropped.AddFrame(Frame(std::vector<uint32_t>(64 * 48), 64, 48));
    // Without a name while it is written; where the file system has no unnamed
    // files, beside it under a temporary name.
    EXPECT_EQ(Entries(dir).size(), named ? 2 : 1);
  }
  // A full disk while encoding (noise does not compress) or while completing the film.
  std::mt19937 random(11);
  std::vector<uint32_t> noise(320 * 240);
  for (const bool atFinish : {false, true}) {
    bool finishing = false;
    TVideoOptions options;
    options.Hooks.WriteError = [&](int64_t written) { return (atFinish ? finishing : written > 100'000) ? ENOSPC : 0; };
    TVideoWriter writer(path, options);
    std::string failure;
    for (int t = 0; t < 30 && failure.empty(); ++t) {
      for (uint32_t& word : noise) word = static_cast<uint32_t>(random());
      try {
        writer.AddFrame(Frame(noise, 320, 240));
      } catch (const Error& e) {
        failure = e.what();  // once the encoding thread has met it
      }
    }
    finishing = true;
    const std::string full = "Cannot write the film \"" + path + "\": No space left on device.";
    for (int call = 0; call < 2; ++call) {  // every later call says the same
      try {
        call == 0 ? (void)writer.Finish() : writer.AddFrame(Frame(noise, 320, 240));
        ADD_FAILURE() << "written on a full disk";
      } catch (const Error& e) {
        EXPECT_EQ(e.what(), full);
      }
    }
    if (!failure.empty()) {
      EXPECT_EQ(failure, full);
    }
  }
  EXPECT_EQ(Entries(dir), QStringList{"film.mp4"});
  EXPECT_EQ(ReadFile(path), "the user's own");
}

}  // namespace
}  // namespace vorlanth
